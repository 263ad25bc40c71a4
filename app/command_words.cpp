// command_words.cpp - the command words: one handler per word, looked up in a table.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "app/app.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/text_commands.h"
#include "core/config.h"
#include "core/controls.h"
#include "core/data_file.h"
#include "core/log.h"
#include "core/profiler.h"
#include "frontend/frontend.h"
#include "frontend/player_file.h"
#include "platform/files.h"
#include "platform/spawn.h"
#include "race/race.h"
#include "render/device.h"
#include "render/env_maps.h"
#include "render/screenshot.h"
#include "render/shaders.h"
#include "render/texture_table.h"
#include "render/views.h"
#include "render/vr.h"
#include "text/language.h"
#include "text/text_names.h"
#include "text/messages.h"

CommandSettings CommandState = {0, 0, 0, 100, 3, 0.0f, {0, 0, 0}, 0, 0, 0, 0, 0, 0, 0, {0, 0}};

namespace {

constexpr uint32_t SCREEN_FLAG_NO_SPECTATOR_TV = 1u << 20;
constexpr uint32_t SCREEN_FLAG_EVENT_LIST = 1u << 21;
constexpr uint32_t SCREEN_FLAG_4K_CAPTURE = 1u << 28;

// The arguments every handler receives.
struct Command {
  const char* word;
  const char* value;
  const char* line;
  int source;
};

// ---- Helpers ----

void Reply(const Command& c, const char* text) { ReplyToCommand(text, c.source); }
void Reply(const Command& c, int replyCode) { ReplyCode(replyCode, c.source); }
void ReplyText(const Command& c, LanguageTextId id) { ReplyToCommand(LanguageTexts[id], c.source); }

void Show(const char* format, int number) {
  char text[64];
  std::snprintf(text, sizeof text, format, number);
  AddMessage(text, TextColours.grey, MSG_TARGET_LOCAL);
}

bool Needed(const Command& c) { return RequireCommandValue(c.value, c.source) != 0; }

// "yes" 1, "no" 0, else -1 after text 47.
int YesNo(const Command& c) {
  if (strcasecmp(c.value, "yes") == 0) return 1;
  if (strcasecmp(c.value, "no") == 0) return 0;
  Reply(c, 47);
  return -1;
}

bool ReadFloat(const char* text, float& out) {
  char* end = nullptr;
  out = std::strtof(text, &end);
  return end != text && *end == 0 && std::isfinite(out);
}

bool ReadInt(const char* text, int& out) {
  char* end = nullptr;
  const long number = std::strtol(text, &end, 10);
  if (end == text || *end != 0) return false;
  out = static_cast<int>(std::clamp(number, -1000000000L, 1000000000L));
  return true;
}

// A needed number cut to min..max; false after a reply.
bool NumberInRange(const Command& c, float min, float max, float& out) {
  if (!Needed(c)) return false;
  if (!ReadFloat(c.value, out)) {
    Reply(c, 47);
    return false;
  }
  out = std::clamp(out, min, max);
  return true;
}

int FindWord(const char* text, const char* const* list, int count) { return FindStringInList(text, list, count); }

bool LocalPlayerInRace() { return false; }  // no race session runs in the editor

// Programs, files and scripts are refused to lines from the control link: its peer is
// another program on the network.
bool RefusedToCtrlink(const Command& c) {
  if (c.source != SOURCE_CTRLINK) return false;
  Reply(c, 47);
  return true;
}

// A file name given in a command that cannot be used: the reply says why.
bool RefusedName(const Command& c, const char* name) {
  const char* fault = FileNameFault(name, FILE_NAME_MAX);
  if (!fault) return false;
  char refusal[NAME_REFUSAL_SIZE];
  FormatNameRefusal(refusal, sizeof refusal, LanguageTexts[TX_3h_invalidf], name, fault);
  Reply(c, refusal);
  return true;
}

// ---- The words ----

void RunCommand(const Command& c) {
  if (RefusedToCtrlink(c)) return;
  if (std::strlen(c.value) >= 32) {
    ReplyText(c, TX_3a_namelong);
    return;
  }
  if (RefusedName(c, c.value)) return;
  char path[FILE_PATH_SIZE];
  if (!MakeNamedPath(path, sizeof path, SCRIPT_PATH, c.value) || !FileExists(path)) {
    char text[96];
    std::snprintf(text, sizeof text, LanguageTexts[TX_3g_cantopen], c.value);
    Reply(c, text);
    return;
  }
  static const char* const PLAYER_SCRIPTS[] = {"free", "road", "sequential", "paddle", "ev", "kart"};
  if (c.source == SOURCE_SCRIPT && FindWord(c.value, PLAYER_SCRIPTS, 6) >= 0) {
    char text[96];
    std::snprintf(text, sizeof text, "Script '%s' cannot be run from a script", c.value);
    Reply(c, text);
    return;
  }
  RunScriptFile(c.value);
}

void LogCommand(const Command& c) {
  if (RefusedToCtrlink(c)) return;
  if (!c.value[0]) {
    SetLogFileName("");
    return;
  }
  if (std::strlen(c.value) > 31) {
    Reply(c, 48);
    return;
  }
  // The log file is deleted first: only a log file inside the working folder.
  if (const char* fault = LogFileNameFault(c.value)) {
    char refusal[NAME_REFUSAL_SIZE];
    FormatNameRefusal(refusal, sizeof refusal, LanguageTexts[TX_3h_invalidf], c.value, fault);
    Reply(c, refusal);
    return;
  }
  if (!CanAppendToFile(c.value)) {
    Reply(c, 13);
    return;
  }
  SetLogFileName(c.value);
  RestartLog("ZKT : 1.4C20", false);
}

void ExecCommand(const Command& c) {
  if (RefusedToCtrlink(c) || !Needed(c)) return;
  if (std::strlen(c.value) >= 96) {
    Reply(c, 48);
    return;
  }
  char program[96];
  const char* rest;
  if (c.value[0] == '"') {
    rest = ParseQuotedName(program, c.value);
  } else {
    int length = 0;
    const char* p = c.value;
    while (*p && *p != ' ') program[length++] = *p++;
    program[length] = 0;
    rest = p;
    while (*rest == ' ') ++rest;
  }
  const int wait = strcasecmp(c.word, "wait") == 0;
  if (SpawnProgram(program, rest, wait) != 0) Reply(c, 47);
}

void SayCommand(const Command& c) {
  if (!Needed(c)) return;
  Prss_SendMessage(nullptr, c.value, c.source == SOURCE_SCRIPT ? SOURCE_SCRIPT : SOURCE_KEY);
}

void EchoCommand(const Command& c) {
  if (Needed(c)) AddMessage(c.value, TextColours.grey, MSG_TARGET_LOCAL);
}

void ExitCommand(const Command&) { RequestExit(0, "command"); }
void EntryCommand(const Command&) { RequestExit(1, "entry"); }

void SyncCommand(const Command& c) {
  if (!Needed(c)) return;
  const int yes = YesNo(c);
  if (yes >= 0) CommandState.syncOn = yes;
}

void LangCommand(const Command& c) {
  const char* name = c.value[0] ? c.value : "English";
  if (std::strlen(name) >= 32) {
    Reply(c, 48);
    return;
  }
  if (RefusedName(c, name)) return;
  SetLanguage(name);
}

void HornCommand(const Command& c) {
  if (!Needed(c)) return;
  int horn = 0;
  if (!ReadInt(c.value, horn) || horn < 1 || horn > 5) {
    Reply(c, 47);
    return;
  }
  CommandState.horn = horn - 1;
}

void SirenCommand(const Command& c) {
  if (!Needed(c)) return;
  if (!LocalPlayerInRace()) ReplyText(c, TX_3g_drv_noin);
}

void WindowCommand(const Command& c) {
  if (!c.value[0]) {
    WindowRequest = WINDOW_REQUEST_NORMAL;
    return;
  }
  if (strcasecmp(c.value, "min") == 0) {
    WindowRequest = WINDOW_REQUEST_MINIMISE;
    return;
  }
  if (strcasecmp(c.value, "max") == 0) {
    WindowRequest = WINDOW_REQUEST_MAXIMISE;
    return;
  }
  if (strcasecmp(c.value, "monitor") == 0 || strcasecmp(c.value, "virtual") == 0) {
    RequestBorderless(strcasecmp(c.value, "monitor") == 0 ? BORDERLESS_MONITOR : BORDERLESS_DESKTOP);
    return;
  }
  int width = 0, height = 0;
  if (c.value[0] < '1' || c.value[0] > '9' || ParseTwoNumbers(c.value, width, height) != 0 || width < 16 ||
      width > 8192 || height < 16 || height > 8192) {
    Reply(c, 47);
    return;
  }
  CfgWindow[2] = CfgWindow[0] + std::max(width, LEAST_WINDOW_WIDTH);
  CfgWindow[3] = CfgWindow[1] + std::max(height, LEAST_WINDOW_HEIGHT);
  WindowRequest = WINDOW_REQUEST_NORMAL;
}

void VrCommand(const Command& c) {
  if (!Needed(c)) return;
  static const char* const VALUES[] = {"reset", "reset_headset", "use_relative", "on", "off", "toggle", "rift", "openvr"};
  const int word = FindWord(c.value, VALUES, 8);
  if (word < 0) Reply(c, 47);
  if (word == 0) RequestVrRecentre();  // the other values are accepted without effect
}

void ConvergeCommand(const Command& c) {
  float value = 0;
  if (NumberInRange(c, -1e6f, 1e6f, value)) CommandState.converge[strcasecmp(c.word, "converge_r") == 0] = value;
}

// The lists the front end shows again: the setups and colours of the selected car and the
// installed mods.  An open VR session has nothing to refresh (its plug-in offers no such
// call), and no host list is shown offline.
void RefreshCommand(const Command&) {
  ListSetupsAndColours();
  RefreshModList();
}

// The named shaders (their source names begin with the value; every shader without one) are
// read from their files again and compiled at once, and the environment textures drawn again
// with them.
void ShaderCommand(const Command& c) {
  ReleaseShaders(c.value[0] ? c.value : nullptr);
  if (Gfx.initState == 2) {
    LoadAllVertexShaders();
    LoadAllPixelShaders();
    LoadAllComputeShaders();
    CompileWaitingShaders();
  }
  RequestEnvironmentRedraw();
}

void ViewCommand(const Command& c) {
  if (!Needed(c)) return;
  static const char* const VALUES[] = {"save", "reload", "fol", "heli", "cam", "driver", "custom"};
  const int which = FindWord(c.value, VALUES, 7);
  if (which < 0) {
    Reply(c, 47);
    return;
  }
  if (which == 0) {
    if (!SaveViews(VIEWS_FILE_PATH)) Reply(c, 54);
  } else if (which == 1) {
    LoadViews();
  } else {
    CommandState.view = which - 2;
  }
}

void ForceFeedbackCommand(const Command& c) {
  float value = 0;
  if (NumberInRange(c, 0, 150, value)) CommandState.forceFeedback = static_cast<int>(value);
}

void FovCommand(const Command& c) {
  if (!Needed(c)) return;
  float degrees = 0;
  if (!ReadFloat(c.value, degrees)) {
    Reply(c, 47);
    return;
  }
  SetViewFov(degrees);
}

void FreeViewCommand(const Command& c) { ReplyText(c, TX_3h_comfreev); }

void AiSkillCommand(const Command& c) {
  int skill = 0;
  if (c.value[0]) {
    if (!ReadInt(c.value, skill)) {
      Reply(c, 47);
      return;
    }
    CommandState.aiSkill = std::clamp(skill, 1, 5);
  }
  Show("/aiskill %d", CommandState.aiSkill);
}

void AiSetCommand(const Command& c) { Reply(c, 47); }  // no AI driver is in a race here

void AiSetAllCommand(const Command& c) {
  if (!Needed(c)) return;
  int skill = 0;
  if (!ReadInt(c.value, skill)) {
    Reply(c, 47);
    return;
  }
  Show("/aiset_all %d", std::clamp(skill, 1, 5));
}

void HeadTiltCommand(const Command& c) {
  float value = 0;
  if (NumberInRange(c, 0, 2, value)) CommandState.headTilt = value;
}

void ShiftCommand(const Command& c) {
  float value = 0;
  static const char* const WORDS[] = {"lateral_shift", "forward_shift", "vertical_shift"};
  if (NumberInRange(c, 0, 0.1f, value)) CommandState.shift[FindWord(c.word, WORDS, 3)] = value;
}

void WheelTurnCommand(const Command& c) {
  float value = 0;
  if (NumberInRange(c, 90, 1080, value)) WheelTurnDegrees = value;
}

void AxisCommand(const Command& c) {
  char name[16];
  int number = 0;
  const int error = ParseNameAndNumber(c.value, name, number);
  const int function = FindWord(name, AxisControlNames, AXIS_CONTROL_COUNT);
  if (c.value[0] && function < 0) {
    ReplyText(c, TX_3g_un_axs_f);
    return;
  }
  if (!c.value[0] || error) {
    Reply(c, c.value[0] ? error : 40);
    return;
  }
  const bool invert = strcasecmp(c.word, "invert") == 0;
  if (invert) {
    if (number != 0 && number != 1) {
      Reply(c, 47);
      return;
    }
    AxisTable[function].invert = static_cast<uint8_t>(number);
    return;
  }
  if (number != -1 && (number < 1 || number > 80)) {
    Reply(c, 47);
    return;
  }
  AssignAxis(function, number < 0 ? AXIS_NONE : number - 1);
}

void ButtonCommand(const Command& c) {
  char name[16];
  int number = 0;
  const int error = ParseNameAndNumber(c.value, name, number);
  const int control = FindWord(name, ControlNames, CONTROL_COUNT);
  if (control < 0) {
    ReplyText(c, TX_3g_un_btn_f);
    return;
  }
  if (error || (number != -1 && (number < 1 || number > 1440))) {
    Reply(c, error ? error : 47);
    return;
  }
  AssignControlKey2(control, number < 0 ? -1 : number - 1);
}

void KeyCommand(const Command& c) {
  char name[16];
  int key = 0;
  const int error = ParseNameAndKey(c.value, name, key);
  const int control = FindWord(name, ControlNames, KEY_CONTROL_COUNT);
  if (control < 0) {
    ReplyText(c, TX_3g_un_key_f);
    return;
  }
  if (error) {
    Reply(c, error);
    return;
  }
  // Keys that already do something in a race keep it.
  static constexpr struct {
    int key;
    const char* does;
  } TAKEN[] = {
      {'1', "1 - watch replay"}, {'2', "2 - save replay"}, {'4', "4 - show racing line"},
      {',', ", - less force"},   {'.', ". - more force"},  {'\t', "TAB - next car"},
      {27, "HOME - own car"},    {'T', "T - talk"},        {'P', "P - pause"},
      {'H', "H - history"},      {'V', "V - view"},        {'F', "F - forces"},
      {'N', "N - names"},
  };
  for (const auto& taken : TAKEN)
    if (taken.key == key) {
      Reply(c, taken.does);
      return;
    }
  if (!IsAssignableKey(key)) {
    Reply(c, 47);
    return;
  }
  AssignControlKey(control, key);
}

void HideTextCommand(const Command& c) {
  if (!Needed(c)) return;
  const int yes = YesNo(c);
  if (yes >= 0) CommandState.hideText = yes;
}

void BlockCommand(const Command& c) {
  if (!Needed(c)) return;
  int mode = 0;
  if (!ReadInt(c.value, mode)) {
    Reply(c, 47);
    return;
  }
  SendBlockRequest(std::clamp(mode, 0, 2));
}

void ScreenFlagCommand(const Command& c, uint32_t bit, bool yesSets) {
  if (!Needed(c)) return;
  const int yes = YesNo(c);
  if (yes < 0) return;
  if ((yes != 0) == yesSets) CfgScreenFlags |= bit;
  else CfgScreenFlags &= ~bit;
}
void SpecTvCommand(const Command& c) { ScreenFlagCommand(c, SCREEN_FLAG_NO_SPECTATOR_TV, false); }
void EventListCommand(const Command& c) { ScreenFlagCommand(c, SCREEN_FLAG_EVENT_LIST, true); }

void ShowMouseCommand(const Command& c) {
  if (!Needed(c)) return;
  const int yes = YesNo(c);
  if (yes >= 0) CfgShowMouse = yes;
}

void ShifterCommand(const Command& c) {
  if (!Needed(c)) return;
  static const char* const VALUES[] = {"auto", "sequential", "shifter", "fixed"};
  const int mode = FindWord(c.value, VALUES, 4);
  if (mode < 0) Reply(c, 47);
  else CommandState.gearMode = mode;
}

void AutoClutchCommand(const Command& c) {
  if (!Needed(c)) return;
  int value = 0;
  if (!ReadInt(c.value, value)) Reply(c, 47);
  else CommandState.autoClutch = value != 0;
}

void FunctionKeyTextCommand(const Command& c) {
  char* end = nullptr;
  const long number = std::strtol(c.value, &end, 10);
  if (end == c.value || number < 1 || number > 12) {
    Reply(c, 47);
    return;
  }
  while (*end == ' ') ++end;
  const int first = strcasecmp(c.word, "ctrlf") == 0 ? 8 : 20;
  SetFunctionKeyMessage(first + static_cast<int>(number) - 1, end);
}

// speedreduce and reducehalf: for the steering mode in force (keyboard or mouse).
void SteerReductionCommand(const Command& c, float min, float max, float& keyboard, float& mouse, const char* format) {
  float& value = CfgSteerKb ? keyboard : mouse;
  if (c.value[0]) {
    float number = 0;
    if (!ReadFloat(c.value, number)) {
      Reply(c, 47);
      return;
    }
    value = std::clamp(number, min, max);
  }
  char text[48];
  std::snprintf(text, sizeof text, format, static_cast<double>(value));
  AddMessage(text, TextColours.grey, MSG_TARGET_LOCAL);
}
void SpeedReduceCommand(const Command& c) {
  SteerReductionCommand(c, 0, 1, CfgSpeedSteerReductionKb, CfgSpeedSteerReductionWm, "speedreduce=%.2f");
}
void ReduceHalfCommand(const Command& c) {
  SteerReductionCommand(c, 10, 200, CfgHalfReduceSpeedKb, CfgHalfReduceSpeedWm, "reducehalf=%.2f");
}

void KeyboardFileCommand(const Command& c) {
  if (RefusedToCtrlink(c) || !Needed(c) || RefusedName(c, c.value)) return;
  const bool load = strcasecmp(c.word, "loadkb") == 0;
  if (!(load ? LoadKbsFile(c.value) : SaveKbsFile(c.value))) Reply(c, load ? 53 : 54);
}

void ScreenshotCommand(const Command&) { ScreenshotRequest = 1; }

void CarCommand(const Command& c) {
  if (LocalPlayerInRace()) {
    ReplyText(c, TX_3g_drv_alrd);
    return;
  }
  const int car = FindCarShortName(c.value);
  if (car < 0) {
    Reply(c, 44);
    return;
  }
  std::snprintf(CfgSelectedCar, sizeof CfgSelectedCar, "%s", BuiltinVehicleTable[car].code);
  CfgSetupName[0] = 0;
  CfgColoursName[0] = 0;
}

void SetupColourCommand(const Command& c) {
  if (RefusedToCtrlink(c)) return;
  const bool setup = strcasecmp(c.word, "setup") == 0;
  if (FindCarShortName(CfgSelectedCar) < 0) {
    Reply(c, 44);
    return;
  }
  char* name = setup ? CfgSetupName : CfgColoursName;
  if (!c.value[0]) {
    name[0] = 0;
    return;
  }
  if (std::strlen(c.value) >= 16) {
    ReplyText(c, TX_3a_namelong);
    return;
  }
  if (RefusedName(c, c.value)) return;
  char fileName[64];
  std::snprintf(fileName, sizeof fileName, "%s_%s", CfgSelectedCar, c.value);
  char path[FILE_PATH_SIZE];
  if (!MakeNamedPath(path, sizeof path, setup ? "data\\setups\\%s.set" : "data\\colours\\%s.col", fileName) ||
      !FileExists(path)) {
    ReplyText(c, setup ? TX_3g_setup_nf : TX_3g_colournf);
    return;
  }
  if (LocalPlayerInRace()) {
    ReplyText(c, TX_3g_drv_alrd);
    return;
  }
  std::snprintf(name, 16, "%s", c.value);
}

void PlayerCommand(const Command& c) {
  if (RefusedToCtrlink(c) || RefusedName(c, c.value)) return;
  char path[FILE_PATH_SIZE];
  if (std::strlen(c.value) >= sizeof CfgPlayerName || !MakeNamedPath(path, sizeof path, "data\\misc\\%s.ply", c.value) ||
      !FileExists(path)) {
    Reply(c, "Driver not found");
    return;
  }
  char previous[sizeof CfgPlayerName];
  std::snprintf(previous, sizeof previous, "%s", CfgPlayerName);
  SavePlayerFile();
  std::snprintf(CfgPlayerName, sizeof CfgPlayerName, "%s", c.value);
  if (!LoadPlayerFile(0)) {
    std::snprintf(CfgPlayerName, sizeof CfgPlayerName, "%s", previous);
    char text[96];
    std::snprintf(text, sizeof text, LanguageTexts[TX_3g_cantopen], c.value);
    Reply(c, text);
  }
}

bool NotOnDedicatedHost(const Command& c) {
  if (!DedicatedMode) return true;
  ReplyText(c, TX_3g_comnoded);
  return false;
}

void SpectateCommand(const Command& c) {
  if (!NotOnDedicatedHost(c)) return;
  if (!c.value[0] && !LocalPlayerInRace()) ReplyText(c, TX_3g_drv_noin);
  // A spectate request goes to the host when connected; offline there is none.
}

void JoinCommand(const Command& c) {
  if (c.value[0]) {  // join a game by name
    if (!EntryPageIsIdle()) {
      ReplyText(c, TX_3g_comentry);
      return;
    }
    if (const int error = SetJoinGameName(c.value)) Reply(c, LanguageTexts[error]);
    return;
  }
  if (!NotOnDedicatedHost(c)) return;
  if (FindCarShortName(CfgSelectedCar) < 0) {
    ReplyText(c, TX_3a_nocarsel);
    return;
  }
  CheckCommandAllowed(c.source);
}

void AiCommand(const Command& c) { CheckCommandAllowed(c.source); }

void LeaveCommand(const Command& c) {
  if (NotOnDedicatedHost(c)) ReplyText(c, TX_3g_comguest);
}

void CtrlinkCommand(const Command& c) {
  int port = 0;
  if (ReadInt(c.value, port) && port >= 1 && port <= 65535) OpenCtrlink(port);
  else CloseCtrlink();
}

void CtrlinkOutCommand(const Command& c) {
  if (!CtrlinkIsOpen()) ReplyText(c, TX_3h_ctlk_nop);
}

void EntryOnlyCommand(const Command& c) {
  if (!EntryPageIsIdle()) ReplyText(c, TX_3g_comentry);
}

void ReplayCommand(const Command& c) {
  if (RefusedToCtrlink(c) || !Needed(c)) return;
  if (!EntryPageIsIdle()) {
    ReplyText(c, TX_3g_comentry);
    return;
  }
  if (std::strlen(c.value) >= REQUEST_TEXT_SIZE) {
    Reply(c, 48);
    return;
  }
  if (RefusedName(c, c.value)) return;
  std::snprintf(RequestText, sizeof RequestText, "%s", c.value);
  PendingRequestType = strcasecmp(c.word, "spr") == 0 ? REQUEST_SINGLE_REPLAY : REQUEST_MULTI_REPLAY;
}

// mprlag, mprsmooth, mprflush: a value cut into its range, then shown.
void MprSettingCommand(const Command& c, int& setting, int max, const char* format) {
  if (c.value[0]) {
    int value = 0;
    if (!ReadInt(c.value, value)) {
      Reply(c, 47);
      return;
    }
    setting = max == 1 ? (value > 0 ? 1 : 0) : std::clamp(value, 0, max);
  }
  Show(format, setting);
}
void MprLagCommand(const Command& c) { MprSettingCommand(c, CommandState.mprLagMs, 1000, "MPR lag %d ms"); }
void MprSmoothCommand(const Command& c) { MprSettingCommand(c, CommandState.mprSmooth, 1, "MPR smooth %d"); }
void MprFlushCommand(const Command& c) { MprSettingCommand(c, CommandState.mprFlushSeconds, 10, "MPR flush %d s"); }

void RaceSetupCommand(const Command& c) {
  if (NotOnDedicatedHost(c)) ReplyText(c, TX_3g_comsetup);
}

void SessionCommand(const Command& c) { CheckCommandAllowed(c.source); }
void NothingCommand(const Command&) {}

void DebugCommand(const Command& c) {
  if (c.value[0]) {
    int level = 0;
    if (!ReadInt(c.value, level)) {
      Reply(c, 47);
      return;
    }
    CfgDebugLevel = std::clamp(level, 0, 3);
  }
  Show("debug %d", CfgDebugLevel);
}

// "tg 0" clears the profiler's counts; other values are ignored.
void ProfilerMarksCommand(const Command& c) {
  int value = 0;
  if (ReadInt(c.value, value) && value == 0) ProfilerClearMarks();
}

void TextureReloadCommand(const Command&) { RequestAllTexturesReload(); }

void UnknownCommand(const Command& c) { ReplyText(c, TX_3b_unkncomm); }  // offline: no host to ask

struct WordRow {
  const char* word;
  void (*handler)(const Command&);
};

// In the order they are matched.
constexpr WordRow WORDS[] = {
    {"run", RunCommand},
    {"log", LogCommand},
    {"exec", ExecCommand},
    {"wait", ExecCommand},
    {"say", SayCommand},
    {"echo", EchoCommand},
    {"exit", ExitCommand},
    {"sync", SyncCommand},
    {"lang", LangCommand},
    {"horn", HornCommand},
    {"siren", SirenCommand},
    {"window", WindowCommand},
    {"entry", EntryCommand},
    {"rift", VrCommand},
    {"vr", VrCommand},
    {"converge_l", ConvergeCommand},
    {"converge_r", ConvergeCommand},
    {"refresh", RefreshCommand},
    {"rsh", ShaderCommand},
    {"view", ViewCommand},
    {"ff", ForceFeedbackCommand},
    {"fov", FovCommand},
    {"cp", FreeViewCommand},
    {"axsel", FreeViewCommand},
    {"aiskill", AiSkillCommand},
    {"aiset", AiSetCommand},
    {"aiset_all", AiSetAllCommand},
    {"head_tilt", HeadTiltCommand},
    {"lateral_shift", ShiftCommand},
    {"forward_shift", ShiftCommand},
    {"vertical_shift", ShiftCommand},
    {"wheel_turn", WheelTurnCommand},
    {"axis", AxisCommand},
    {"invert", AxisCommand},
    {"button", ButtonCommand},
    {"key", KeyCommand},
    {"hidetext", HideTextCommand},
    {"block", BlockCommand},
    {"spectv", SpecTvCommand},
    {"eventlist", EventListCommand},
    {"showmouse", ShowMouseCommand},
    {"shifter", ShifterCommand},
    {"autoclutch", AutoClutchCommand},
    {"ctrlf", FunctionKeyTextCommand},
    {"altf", FunctionKeyTextCommand},
    {"speedreduce", SpeedReduceCommand},
    {"reducehalf", ReduceHalfCommand},
    {"loadkb", KeyboardFileCommand},
    {"savekb", KeyboardFileCommand},
    {"ss", ScreenshotCommand},
    {"car", CarCommand},
    {"setup", SetupColourCommand},
    {"colour", SetupColourCommand},
    {"player", PlayerCommand},
    {"spec", SpectateCommand},
    {"join", JoinCommand},
    {"ai", AiCommand},
    {"leave", LeaveCommand},
    {"ctrlink", CtrlinkCommand},
    {"o", CtrlinkOutCommand},
    {"sp", EntryOnlyCommand},
    {"spr", ReplayCommand},
    {"mpr", ReplayCommand},
    {"mprlag", MprLagCommand},
    {"mprsmooth", MprSmoothCommand},
    {"mprflush", MprFlushCommand},
    {"ready", RaceSetupCommand},
    {"cancel", RaceSetupCommand},
    {"status", SessionCommand},
    {"pitins", SessionCommand},
    {"liveset", SessionCommand},
    {"out", NothingCommand},
    {"tg", ProfilerMarksCommand},
    {"debug", DebugCommand},
    {"tr", TextureReloadCommand},
};

}  // namespace

void HandleCommand(const char* word, const char* value, const char* line, int source) {
  if (SimulatedKeyCommand(word, value, source)) return;
  const Command c{word, value ? value : "", line, source};
  for (const WordRow& row : WORDS)
    if (strcasecmp(word, row.word) == 0) {
      row.handler(c);
      return;
    }
  UnknownCommand(c);
}

// ---- [Views] ----

int SimulatedKeyCommand(const char* word, const char* value, int source) {
  static const char* const WORDS_OF_KEYS[] = {"press", "ctrl", "shift", "alt"};
  const int which = FindStringInList(word, WORDS_OF_KEYS, 4);
  if (which < 0) return 0;
  if (!RequireCommandValue(value, source)) return 1;
  if (ScriptDepth >= MAX_SCRIPT_DEPTH) {
    AddMessage(LanguageTexts[TX_3g_scrtooma], TextColours.error, MSG_TARGET_LOCAL);
    return 1;
  }
  int key = 0;
  if (value[1] == 0) {
    key = std::toupper(static_cast<unsigned char>(value[0]));
  } else {
    key = LookupKeyName(value);
    if (key <= 0) {
      ReplyCode(47, source);
      return 1;
    }
  }
  ++ScriptDepth;  // a key may send a function-key message, which may run a script
  SimulateKeyPress(which == 1, which == 2, which == 3, key);
  --ScriptDepth;
  return 1;
}

void SetViewFov(float degrees) {
  SetFieldOfView(degrees);
  ScreenLayoutNeedsSetup = 1;
  if (VrEnabled) CfgScreenFlags &= ~SCREEN_FLAG_4K_CAPTURE;
}

void VisitWebSite() {
  OpenWebAddress(WEB_SITE_ADDRESS);
  RequestExit(0, "visit");
}
