// race.cpp - the offline answers of the race services.
#include "race/race.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "core/frame_globals.h"
#include "core/process.h"
#include "core/sound.h"
#include "platform/keys.h"
#include "render/vr.h"
#include "text/language.h"
#include "ui/dialogs.h"

uint8_t NetStatusByte;
int GameMessageFlag;
uint64_t HotlapDateTime;

void LoadAIDriverNames() {}
void LoadFunctionKeyMessages() {}
void PollNetwork() { SendPendingLayoutBlock(); }
void CloseCtrlink() {}
void CloseMprRecorder() {}
void ReleaseRaceCarLighting() {}
void SaveReplayState() {}
void CleanupSockets() {}

int ResultsDisplay;
int NetworkDebug;
int PositionUpdateKind;

namespace {
char g_functionKeyMessages[FUNCTION_KEY_MESSAGES][FUNCTION_KEY_MESSAGE_SIZE];
}

const char* FunctionKeyMessage(int index) {
  return index >= 0 && index < FUNCTION_KEY_MESSAGES ? g_functionKeyMessages[index] : "";
}

void SetFunctionKeyMessage(int index, const char* text) {
  if (index < 0 || index >= FUNCTION_KEY_MESSAGES) return;
  std::snprintf(g_functionKeyMessages[index], FUNCTION_KEY_MESSAGE_SIZE, "%s", text ? text : "");
}
int CanSendChat() { return 1; }
void CommandEntryKey(int key) {}
void RequestPositionUpdates(int kind, int flag) { PositionUpdateKind = kind; }
void (*SendTypedLine)(const char* line);

namespace {

constexpr uint32_t TYPED_MESSAGE_INTERVAL_MS = 500;
constexpr int ERROR_SOUND = 3;
struct TypedMessageState {
  int opened;
  uint32_t lastOpened;  // ProgramClock
};
TypedMessageState g_typed;

void TypedLineEntered(Prss*, const char* text, uint32_t) {
  if (SendTypedLine) SendTypedLine(text);
}

}  // namespace

void StartTypedMessage(int ctrl, const char* initial) {
  // Only over a screen that takes keys as commands, with nothing else asking for the keys.
  if (!CurrentProcess || !CurrentProcess->rawKeys || VrOverlayPrompt || TypingBlocked || MouseMode != 0) return;
  if (g_typed.opened && ProgramClock - g_typed.lastOpened < TYPED_MESSAGE_INTERVAL_MS) {
    PlayUISound(ERROR_SOUND);
    return;
  }
  if (AskText(CurrentProcess, TypedLineEntered, LanguageTexts[TX_3a_entermsg], TEXT_ENTRY_MAX_LENGTH, 0,
              initial ? initial : "", initial ? -1 : 0, 0, nullptr)) {
    g_typed.opened = 1;
    g_typed.lastOpened = ProgramClock;
  }
}

void ResetTypedMessage() { g_typed = TypedMessageState{}; }

namespace {
struct TrackRow {
  const char* code;
  const char* mapName;
  int configs;
};
constexpr TrackRow TRACKS[TRACK_COUNT] = {
    {"HS", "Hillside", 3}, {"DK", "Dockside", 2}, {"PK", "Parkland", 4}, {"CW", "Crossway", 2},
    {"MR", "Moorside", 3}, {"LK", "Lakeside", 2}, {"RB", "Riverbank", 5}, {"QY", "Quarry", 3},
    {"SH", "Sandhills", 2},
};
}  // namespace

int ParseTrackCode(const char* code, char* mapName, int mapNameSize, int& config, int& flip) {
  if (!code) return 0;
  const size_t length = std::strlen(code);
  if (length != 3 && length != 4) return 0;
  if (length == 4 && std::toupper(static_cast<unsigned char>(code[3])) != 'R') return 0;
  for (const TrackRow& row : TRACKS) {
    if (std::toupper(static_cast<unsigned char>(code[0])) != row.code[0] ||
        std::toupper(static_cast<unsigned char>(code[1])) != row.code[1])
      continue;
    const int digit = code[2] - '0';
    if (digit < 1 || digit > row.configs) return 0;
    std::snprintf(mapName, static_cast<size_t>(mapNameSize), "%s", row.mapName);
    config = digit - 1;
    flip = length == 4 ? 1 : 0;
    return 1;
  }
  return 0;
}

const char* TrackShortName(int row) { return row >= 0 && row < TRACK_COUNT ? TRACKS[row].code : ""; }

int FindTrackByName(const char* name) {
  for (int i = 0; name && i < TRACK_COUNT; ++i)
    if (strcasecmp(name, TRACKS[i].mapName) == 0) return i;
  return -1;
}

int OpenCtrlink(int port) { return 0; }
int CtrlinkIsOpen() { return 0; }

int LookupKeyName(const char* name) {
  static constexpr struct {
    const char* name;
    int key;
  } NAMES[] = {
      {"BACKSPACE", KEY_BACKSPACE}, {"TAB", KEY_TAB},       {"ENTER", KEY_ENTER},   {"PAUSE", KEY_PAUSE},
      {"ESCAPE", KEY_ESCAPE},       {"SPACE", KEY_SPACE},   {"PAGEUP", KEY_PAGE_UP}, {"PAGEDOWN", KEY_PAGE_DOWN},
      {"END", KEY_END},             {"HOME", KEY_HOME},     {"LEFT", KEY_LEFT},     {"UP", KEY_UP},
      {"RIGHT", KEY_RIGHT},         {"DOWN", KEY_DOWN},     {"INSERT", KEY_INSERT}, {"DELETE", KEY_DELETE},
  };
  if (!name || !name[0]) return 0;
  for (const auto& row : NAMES)
    if (strcasecmp(name, row.name) == 0) return row.key;
  if ((name[0] == 'F' || name[0] == 'f') && name[1] >= '1' && name[1] <= '9') {
    const int number = std::atoi(name + 1);
    if (number >= 1 && number <= 12 && std::strlen(name) <= 3) return KEY_F1 + number - 1;
  }
  return 0;
}

RacePlayer RacePlayers[MAX_RACE_PLAYERS];
int RacePlayerCount;
ConnectionInfo Connections[MAX_CONNECTIONS];
int ConnectionCount;
int TypingBlocked;

namespace {
char g_selectedCar[32];
}

int IsRaceActive() { return 0; }

namespace Race {

RacePlayer* GetLocalPlayer() {
  for (int i = 0; i < RacePlayerCount && i < MAX_RACE_PLAYERS; ++i)
    if (RacePlayers[i].type == 0) return &RacePlayers[i];
  return nullptr;
}

RacePlayer* FindPlayerByName(const char* name, int) {
  for (int i = 0; name && i < RacePlayerCount && i < MAX_RACE_PLAYERS; ++i)
    if (std::strcmp(RacePlayers[i].name, name) == 0) return &RacePlayers[i];
  return nullptr;
}

RacePlayer* GetRealPlayerFromConnIndex(int connection) {
  if (connection < 0 || connection >= ConnectionCount) return nullptr;
  for (int i = 0; i < RacePlayerCount && i < MAX_RACE_PLAYERS; ++i)
    if (RacePlayers[i].connection == connection && RacePlayers[i].type <= 1) return &RacePlayers[i];
  return nullptr;
}

void SetAISkill(int) {}  // no AI drivers offline

}  // namespace Race

void SetSelectedCar(const char* carName) {
  std::snprintf(g_selectedCar, sizeof g_selectedCar, "%s", carName ? carName : "");
}
const char* SelectedCar() { return g_selectedCar; }

int FindCtrlinkConnection(int) { return -1; }
void CtrlinkSendMessage(int, int, int, int, const char*) {}
