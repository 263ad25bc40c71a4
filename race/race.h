// race.h - the race, multiplayer and replay services the rest of the program reads.
// The editor runs offline: no connection, no race session.
//
// Layer: race/, a subsystem over vehicle/ and world/ (tools/layers.txt).
#pragma once
#include <cstdint>

#include "core/frame_globals.h"  // GameState

extern uint8_t NetStatusByte;   // non-zero while a multiplayer state is active
extern int GameMessageFlag;     // cleared once per drawn frame
extern uint64_t HotlapDateTime; // 100-ns file time of the last hot-lap check

void LoadAIDriverNames();
void LoadFunctionKeyMessages();
void PollNetwork();
// 1 while the network poll has work for the next pass (a layout being sent block by block).
int  NetworkPollPending();
void CloseCtrlink();
void CloseMprRecorder();
void ReleaseRaceCarLighting();
void SaveReplayState();
void CleanupSockets();

// Window keys of the race services.
extern int ResultsDisplay;      // Ctrl+Tab: 0 no, 1 auto, 2 yes
extern int NetworkDebug;        // Shift+F8
extern int PositionUpdateKind;  // the kind of position updates asked of the host
constexpr int FUNCTION_KEY_MESSAGES = 32;  // 0-7 F1-F8, 8-19 Ctrl+F1-F12, 20-31 Alt+F1-F12
const char* FunctionKeyMessage(int index);  // a coded text, empty when none
constexpr int FUNCTION_KEY_MESSAGE_SIZE = 96;
void SetFunctionKeyMessage(int index, const char* text);  // cut to 95 characters
int  CanSendChat();
void CommandEntryKey(int key);
void RequestPositionUpdates(int kind, int flag);
// Opens the typed-message entry ("Enter message") over the current screen when it takes
// keys as commands and no dialog, VR prompt or race mode blocks typing; at most once per
// 500 ms of the program clock, else the error sound.  The line entered goes to
// SendTypedLine, which the program shell installs (its typed-line entry point).
void StartTypedMessage(int ctrl, const char* initial);
extern void (*SendTypedLine)(const char* line);
void ResetTypedMessage();  // between tests
// The loaded track's short name: its two-letter code, its configuration number and a letter
// for its configuration flags (none, "R" reversed, "X" open, "Y" open and reversed), as in
// "SH2R"; empty without a world or a code (race/race_start.cpp).
const char* FormatTrackName();

// Tracks by code: two letters, a configuration digit 1..5, and "R" for the reverse
// direction ("HS2R").  1 when the code names a track; mapName receives its map's name.
constexpr int TRACK_COUNT = 9;
int ParseTrackCode(const char* code, char* mapName, int mapNameSize, int& config, int& flip);
// The row of a track's name (any case) in the track table: 0..8, or -1.
int FindTrackByName(const char* name);
// A row's short name (the two letters of its code, as in thumbnail names); "" outside the table.
const char* TrackShortName(int row);

// The control link for outside programs.  Offline it never opens: its commands reply
// "Ctrlink is not open".
int  OpenCtrlink(int port);   // 1 when listening
int  CtrlinkIsOpen();

// The key number (platform/keys.h) of a key's name ("F1", "ENTER", "SPACE", ...; any case),
// 0 when unknown.
int LookupKeyName(const char* name);

// ---- Players, connections and the race session ----
// Offline the player table and the connection table are empty, no race is loaded and the
// control link is closed; every lookup below answers "none".
struct Car;
struct RacePlayer {
  Car* car;                // null while the player is not in the race
  int32_t connection;      // index into the connection table
  uint8_t type;            // 0 local human, 1 remote human, 2 local AI, 3 remote AI
  uint8_t id;
  char name[24];
};
struct ConnectionInfo {
  uint8_t id;              // sent with a connection's line to the control link
  char playerName[24];     // coded text
  uint8_t layoutByte;      // cleared when the host loads a layout
};
constexpr int MAX_RACE_PLAYERS = 48;
constexpr int MAX_CONNECTIONS = 48;
extern RacePlayer RacePlayers[MAX_RACE_PLAYERS];
extern int RacePlayerCount;
extern ConnectionInfo Connections[MAX_CONNECTIONS];
extern int ConnectionCount;
extern int TypingBlocked;        // the typed-message line opens only while 0

int IsRaceActive();              // 1 while a race is loaded and not loading
namespace Race {
RacePlayer* GetLocalPlayer();                                // null: no local player
RacePlayer* FindPlayerByName(const char* name, int flags);   // null when none has that name
RacePlayer* GetRealPlayerFromConnIndex(int connection);      // null outside the table
void SetAISkill(int level);
}  // namespace Race
void SetSelectedCar(const char* carName);
const char* SelectedCar();       // the car chosen for the next join, empty for none
int  FindCtrlinkConnection(int connectionId);  // the control-link slot, -1 for none
// Sends a text line to the control-link programs; nothing while the link is closed.
void CtrlinkSendMessage(int connectionId, int playerId, int userType, int textOffset, const char* text);

// ---- The car's live settings, the local player's car, a car's event recording ----
// What the steering-wheel and formula displays show on their live-setting line: 0 the brake
// balance, 1 the front anti-roll bar, 2 the rear one, 3 the ballast, 4 the pit instructions.
extern int LiveSettingSelector;
constexpr int LIVE_SETTING_PIT = 4;
constexpr int SETUP_LINE_SIZE = 32;
// The live-setting line of the car ("Brake Bal Fr %2d%%", "Front ARB %6.1f" in kN/m, ...);
// "Pit Instructions" at selector 4; empty for another selector.
void FormatSetupLine(char* out, int outSize, const Car& car);
// The local player's choice of car, filled from the car the vehicle editor closes on.
struct CarChoice {
  char vehicleName[32];
  char shortName[8];
  char skin[16];        // the colour configuration's name
  int32_t setupIndex;
  int32_t colourIndex;
};
extern CarChoice LocalCarChoice;
void SetupPlayerCarChoice(const Car& car);  // nothing without a local player
// A recording car's closing: with recording state 2 a message, interface sound 2 and the
// closing records handed to the replay recorder (CloseCarRecording; none offline); the state
// is cleared in every case.  The car's release calls it (installed with InstallRaceHooks).
extern void (*CloseCarRecording)(Car& car);
void WriteCarEventRecord(Car& car);
// Puts the race's answers into the hooks below it: the car's event record at its release, and
// the selected track's configuration for the world's loader (race/race_start.h).
void InstallRaceHooks();

// ---- Layouts ----
// The race's answers to the world's layouts (solid/solid_hooks.h): offline the
// outgoing buffer hands layout packets (type 101) straight back to the world, as a host
// would; the connections' layout bytes are cleared by a host load.  InstallRaceHooks
// installs them.
void InstallRaceLayoutHooks();
// The next block of a layout load under way, once a frame (PollNetwork).
void SendPendingLayoutBlock();
