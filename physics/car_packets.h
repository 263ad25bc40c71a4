// car_packets.h - the multiplayer packets a car sends: their byte layouts, the builders that
// fill them at explicit little-endian offsets, and the senders that pass them to the race's
// table (solid/solid_hooks.h) under the connection's rules.
//
// Sections: [Bytes] [Packets] [Senders]
//
// Every packet starts with its size in 4-byte words and its type; the rest is padded with
// zeros.  A builder only fills a buffer; sending is the caller's separate step, so that the
// bytes can be checked without a network.  Offline every sender does nothing.  Main thread
// only.
#pragma once
#include <cstdint>

// ---- [Bytes] ----
inline void PutU16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}
inline void PutU32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}
inline uint32_t GetU16(const uint8_t* at) { return uint32_t{at[0]} | uint32_t{at[1]} << 8; }
inline uint32_t GetU32(const uint8_t* at) {
  return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}
// Zeroes size bytes and writes the size in 4-byte words and the type.
void StartPacket(uint8_t* packet, int size, uint8_t type);

// ---- [Packets] ----
// The packet types and sizes (bytes) of the car's own packets.
enum CarPacketType : uint8_t {
  PACKET_PLAYER_FLAG = 15,
  PACKET_STATISTICS = 48,
  PACKET_EARLY_START = 52,
  PACKET_PENALTY = 68,
  PACKET_CONTROL_LINK = 77,
  PACKET_CAR_WORD = 78,
  PACKET_CAR_BYTE = 79,
  PACKET_RESET_REQUEST = 82,
  PACKET_EVENT = 93,
  PACKET_STATE = 104,
};
constexpr int PLAYER_FLAG_SIZE = 8, STATISTICS_SIZE = 8, EARLY_START_SIZE = 8, PENALTY_SIZE = 8;
constexpr int CONTROL_LINK_SIZE = 12, CAR_WORD_SIZE = 8, CAR_BYTE_SIZE = 4, RESET_REQUEST_SIZE = 28;
constexpr int EVENT_SIZE = 16, CAR_SUMMARY_SIZE = 8;

// The event codes of the event packet.
enum CarEventCode : uint8_t {
  EVENT_OFF_TRACK = 0,
  EVENT_IMPACT = 1,
  EVENT_STOPPED = 240,
  EVENT_MOVING = 241,
};
// The argument of the player flag packet: the car leaves the grid too far before the start (4),
// a halted car is frozen for the host (2).
constexpr uint8_t FLAG_FROZEN = 2, FLAG_LEFT_GRID = 4;
// Penalty codes of the start-line packet, and the type-52 packet's fixed bytes.
constexpr uint8_t EARLY_START_CODE = 30, PENALTY_KIND = 3;

// Type 93: player id at 2, event code at 3, the step count at 4..7, the car summary at 8..15.
void MakeEventPacket(uint8_t packet[EVENT_SIZE], uint8_t playerId, uint8_t code, uint32_t stepCount,
                     const uint8_t summary[CAR_SUMMARY_SIZE]);
// Type 52, the early start: the player id at 4, 30 at 5, 3 at 6.
void MakeEarlyStartPacket(uint8_t packet[EARLY_START_SIZE], uint8_t playerId);
// Type 68, a start-line penalty: the player id at 4, the penalty code at 5, the reason at 6.
void MakePenaltyPacket(uint8_t packet[PENALTY_SIZE], uint8_t playerId, uint8_t code, uint8_t reason);
// Type 15: 9 at 4, the player id at 5, the argument at 6.
void MakePlayerFlagPacket(uint8_t packet[PLAYER_FLAG_SIZE], uint8_t playerId, uint8_t argument);
// Type 48: fuel units at 4, whole metres at 6..7.
void MakeStatisticsPacket(uint8_t packet[STATISTICS_SIZE], uint8_t fuelUnits, uint16_t metres);
// Type 78: the player id at 3, a word of the car at 4..7.
void MakeCarWordPacket(uint8_t packet[CAR_WORD_SIZE], uint8_t playerId, uint32_t word);
// Type 79: the player id at 2, a byte of the car at 3.
void MakeCarBytePacket(uint8_t packet[CAR_BYTE_SIZE], uint8_t playerId, uint8_t value);
// Type 77: the player id at 3, a word of the car at 4..7, the argument at 8..11.
void MakeControlLinkPacket(uint8_t packet[CONTROL_LINK_SIZE], uint8_t playerId, uint32_t word, uint32_t argument);

// ---- [Senders] ----
// Appends a packet to the outgoing multiplayer buffer; nothing while a multiplayer replay
// plays.
void AddToPacket(const uint8_t* packet, int size);
// The relay and recording hook first, then AddToPacket.
void AddToPacketAndRelay(const uint8_t* packet, int size);
// Sends a packet at once to the game host while a connection is open (the open word 0).
void SendToHost(const uint8_t* packet, int size);
// Sends a packet at once over one connection while a connection is open.
void SendIndividualPacket(int connection, const uint8_t* packet, int size);
// A control-link packet to one connection (all with request id 0), while the server runs.
void CtrlinkSendPacket(const uint8_t* packet, int connection);
