// car_packets.cpp - the car's packets filled byte by byte, and the senders' rules.
#include "physics/car_packets.h"

#include <cstring>

#include "solid/solid_hooks.h"
#include "world/race_state.h"

void StartPacket(uint8_t* packet, int size, uint8_t type) {
  std::memset(packet, 0, static_cast<size_t>(size));
  packet[0] = static_cast<uint8_t>(size / 4);
  packet[1] = type;
}

void MakeEventPacket(uint8_t packet[EVENT_SIZE], uint8_t playerId, uint8_t code, uint32_t stepCount,
                     const uint8_t summary[CAR_SUMMARY_SIZE]) {
  StartPacket(packet, EVENT_SIZE, PACKET_EVENT);
  packet[2] = playerId;
  packet[3] = code;
  PutU32(packet + 4, stepCount);
  std::memcpy(packet + 8, summary, CAR_SUMMARY_SIZE);
}

void MakeEarlyStartPacket(uint8_t packet[EARLY_START_SIZE], uint8_t playerId) {
  StartPacket(packet, EARLY_START_SIZE, PACKET_EARLY_START);
  packet[4] = playerId;
  packet[5] = EARLY_START_CODE;
  packet[6] = PENALTY_KIND;
}

void MakePenaltyPacket(uint8_t packet[PENALTY_SIZE], uint8_t playerId, uint8_t code, uint8_t reason) {
  StartPacket(packet, PENALTY_SIZE, PACKET_PENALTY);
  packet[4] = playerId;
  packet[5] = code;
  packet[6] = reason;
}

void MakePlayerFlagPacket(uint8_t packet[PLAYER_FLAG_SIZE], uint8_t playerId, uint8_t argument) {
  StartPacket(packet, PLAYER_FLAG_SIZE, PACKET_PLAYER_FLAG);
  packet[4] = 9;
  packet[5] = playerId;
  packet[6] = argument;
}

void MakeStatisticsPacket(uint8_t packet[STATISTICS_SIZE], uint8_t fuelUnits, uint16_t metres) {
  StartPacket(packet, STATISTICS_SIZE, PACKET_STATISTICS);
  packet[4] = fuelUnits;
  PutU16(packet + 6, metres);
}

void MakeCarWordPacket(uint8_t packet[CAR_WORD_SIZE], uint8_t playerId, uint32_t word) {
  StartPacket(packet, CAR_WORD_SIZE, PACKET_CAR_WORD);
  packet[3] = playerId;
  PutU32(packet + 4, word);
}

void MakeCarBytePacket(uint8_t packet[CAR_BYTE_SIZE], uint8_t playerId, uint8_t value) {
  StartPacket(packet, CAR_BYTE_SIZE, PACKET_CAR_BYTE);
  packet[2] = playerId;
  packet[3] = value;
}

void MakeControlLinkPacket(uint8_t packet[CONTROL_LINK_SIZE], uint8_t playerId, uint32_t word, uint32_t argument) {
  StartPacket(packet, CONTROL_LINK_SIZE, PACKET_CONTROL_LINK);
  packet[3] = playerId;
  PutU32(packet + 4, word);
  PutU32(packet + 8, argument);
}

void AddToPacket(const uint8_t* packet, int size) {
  if (RaceConnection.replayPlaying) return;
  RaceLink.AddToPacket(packet, size);
}

void AddToPacketAndRelay(const uint8_t* packet, int size) {
  RaceLink.RelayPacket(packet, size);
  AddToPacket(packet, size);
}

void SendToHost(const uint8_t* packet, int size) {
  if (RaceConnection.connectionOpen != 0) return;
  RaceLink.SendToHost(packet, size);
}

void SendIndividualPacket(int connection, const uint8_t* packet, int size) {
  if (RaceConnection.connectionOpen != 0) return;
  RaceLink.SendIndividualPacket(connection, packet, size);
}

void CtrlinkSendPacket(const uint8_t* packet, int connection) {
  if (!RaceConnection.ctrlinkRunning) return;
  RaceLink.CtrlinkSendPacket(packet, connection);
}
