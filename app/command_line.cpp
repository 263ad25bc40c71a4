// command_line.cpp - options, command files, handed files and the running instance.
#include "app/command_line.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <strings.h>

#include "app/app.h"
#include "app/main_window.h"
#include "core/config.h"
#include "core/data_file.h"
#include "core/log.h"
#include "core/process.h"
#include "core/report.h"
#include "core/sound.h"
#include "frontend/frontend.h"
#include "platform/files.h"
#include "platform/instance_link.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "race/race.h"
#include "text/coded_text.h"
#include "text/language.h"
#include "text/text_names.h"
#include "text/messages.h"
#include "world/autocross.h"
#include "world/layout_file.h"

char RequestText[REQUEST_TEXT_SIZE];
int PendingRequestType;
int UrlRequestActive;
char UrlCommandLine[1024];
char StartupErrorText[256];
char StartupErrorSecond[128];
int CommandLineVrChoice;
int CommandLineVrPlugin;
CommandLineRaceOptions RaceOptions;

// Road cars take bits 0..10, race cars 11..19, the kart bit 20.
namespace {

// ---- The option table ----

enum OptionKind : uint8_t { KIND_FILE, KIND_ACTION, KIND_CONFIG, KIND_SETTING };

enum OptionId : int {
  OPT_CFG, OPT_VEHD, OPT_JOIN, OPT_GETMOD, OPT_TESTMOD, OPT_HLCK, OPT_SETTINGS, OPT_GAMEPASS,
  OPT_USEMASTER, OPT_PASS, OPT_ADMIN, OPT_IP, OPT_PORT, OPT_TRACK, OPT_WEATHER, OPT_CARS,
  OPT_MAXGUESTS, OPT_ADMINSLOTS, OPT_CARSMAX, OPT_CARSHOST, OPT_CARSGUEST, OPT_PPS, OPT_QUAL,
  OPT_LAPS, OPT_HOURS, OPT_WIND, OPT_DEDICATED, OPT_VOTE, OPT_SELECT, OPT_MIDRACE, OPT_MUSTPIT,
  OPT_CANRESET, OPT_FCV, OPT_CRUISE, OPT_SHOWFUEL, OPT_CANREFUEL, OPT_ALLOWMODS, OPT_UNAPPROVED,
  OPT_TEAMARROWS, OPT_RSTMIN, OPT_RSTEND, OPT_AUTOKICK, OPT_START, OPT_RIFT, OPT_VR, OPT_CTRLINK,
  OPT_PLAYER, OPT_WINDOWED, OPT_WELCOME, OPT_TRACKS, OPT_LOG, OPT_NDEBUG, OPT_AUTOSAVE,
  OPT_MPRDIR, OPT_LYTDIR, OPT_LOC,
};

struct OptionRow {
  const char* name;
  OptionKind kind;
  uint8_t refusedFromUrl;  // a web page may not use it: it names files or opens a port
};

constexpr OptionRow OPTIONS[OPTION_COUNT] = {
    {"cfg", KIND_FILE, 1},         {"vehd", KIND_ACTION, 0},       {"join", KIND_ACTION, 0},
    {"getmod", KIND_ACTION, 0},    {"testmod", KIND_ACTION, 0},    {"hlck", KIND_ACTION, 0},
    {"settings", KIND_CONFIG, 1},  {"gamepass", KIND_SETTING, 0},  {"usemaster", KIND_SETTING, 0},
    {"pass", KIND_SETTING, 0},     {"admin", KIND_SETTING, 0},     {"ip", KIND_SETTING, 0},
    {"port", KIND_SETTING, 0},     {"track", KIND_SETTING, 0},     {"weather", KIND_SETTING, 0},
    {"cars", KIND_SETTING, 0},     {"maxguests", KIND_SETTING, 0}, {"adminslots", KIND_SETTING, 0},
    {"carsmax", KIND_SETTING, 0},  {"carshost", KIND_SETTING, 0},  {"carsguest", KIND_SETTING, 0},
    {"pps", KIND_SETTING, 0},      {"qual", KIND_SETTING, 0},      {"laps", KIND_SETTING, 0},
    {"hours", KIND_SETTING, 0},    {"wind", KIND_SETTING, 0},      {"dedicated", KIND_SETTING, 0},
    {"vote", KIND_SETTING, 0},     {"select", KIND_SETTING, 0},    {"midrace", KIND_SETTING, 0},
    {"mustpit", KIND_SETTING, 0},  {"canreset", KIND_SETTING, 0},  {"fcv", KIND_SETTING, 0},
    {"cruise", KIND_SETTING, 0},   {"showfuel", KIND_SETTING, 0},  {"canrefuel", KIND_SETTING, 0},
    {"allowmods", KIND_SETTING, 0}, {"unapproved", KIND_SETTING, 0}, {"teamarrows", KIND_SETTING, 0},
    {"rstmin", KIND_SETTING, 0},   {"rstend", KIND_SETTING, 0},    {"autokick", KIND_SETTING, 0},
    {"start", KIND_SETTING, 0},    {"rift", KIND_SETTING, 0},      {"vr", KIND_SETTING, 0},
    {"ctrlink", KIND_SETTING, 1},  {"player", KIND_SETTING, 0},    {"windowed", KIND_SETTING, 0},
    {"welcome", KIND_SETTING, 0},  {"tracks", KIND_SETTING, 0},    {"log", KIND_SETTING, 1},
    {"ndebug", KIND_SETTING, 0},   {"autosave", KIND_SETTING, 0},  {"mprdir", KIND_SETTING, 1},
    {"lytdir", KIND_SETTING, 1},   {"loc", KIND_SETTING, 0},
};

// The bits of "MP Flags " that the yes/no rule options set, from "vote" to "teamarrows".
constexpr uint32_t RULE_BITS[] = {1, 2, 32, 64, 128, 256, 512, 1024, 2048, 4096, 8192, 16384};

struct CarGroup {
  const char* name;
  uint32_t bits;
};
constexpr CarGroup CAR_GROUPS[] = {
    {"NONE", 0},          {"ALL", 0x1FFFFF},  {"ROAD", 0x77F},      {"RACE", 0xFF800},
    {"STREET", 0x1C},     {"TOURING", 0x640}, {"SINGLE", 0x38000},
};

// The state of one parse: the command file's text lives here while it is read.
struct ParseState {
  bool seen[OPTION_COUNT];
  int firstAction;   // option id, -1 none
  int firstSetting;  // option id, -1 none
  int anyBeforeSettings;
  std::string commandFile;
};

// ---- Errors ----

bool g_parseFailed;

void ReportOptionError(const char* option, const char* reason) {
  std::snprintf(StartupErrorText, sizeof StartupErrorText, "Command /%s : %s", option, reason);
  RunMode = 0;
  g_parseFailed = true;
}
// A name FileNameFault refused: "<text> : <name> <fault>".
void ReportNameRefusal(const char* option, const char* text, const char* value, const char* fault) {
  char refusal[NAME_REFUSAL_SIZE];
  FormatNameRefusal(refusal, sizeof refusal, text, value, fault);
  ReportOptionError(option, refusal);
}
void ReportUnknownOptionWord(const char* option) { ReportOptionError(option, "Unknown option"); }
void ReportOptionOutOfBounds(const char* option) { ReportOptionError(option, "Out of bounds"); }

// A whole decimal number and nothing else.
bool ReadInteger(const char* value, long& out) {
  if (!*value) return false;
  char* end = nullptr;
  out = std::strtol(value, &end, 10);
  return *end == 0;
}

// value as an integer in min..max, else the option's "Out of bounds".
bool ReadBoundedInteger(const char* option, const char* value, long min, long max, int& out) {
  long number = 0;
  if (!ReadInteger(value, number) || number < min || number > max) {
    ReportOptionOutOfBounds(option);
    return false;
  }
  out = static_cast<int>(number);
  return true;
}

// value as one of the words of list, else "Unknown option".
bool ReadWord(const char* option, const char* value, const char* const* list, int count, int& out) {
  out = FindStringInList(value, list, count);
  if (out < 0) ReportUnknownOptionWord(option);
  return out >= 0;
}

// value of at most maxLength characters into out, else reason.
bool ReadText(const char* option, const char* value, char* out, int outSize, int maxLength, const char* reason) {
  if (static_cast<int>(std::strlen(value)) > maxLength) {
    ReportOptionError(option, reason);
    return false;
  }
  std::snprintf(out, static_cast<size_t>(outSize), "%s", value);
  return true;
}

bool SetDataFolder(const char* option, const char* value, char* pathTemplate, char* searchTemplate,
                   const char* searchPattern) {
  if (const char* fault = FileNameFault(value, 15)) {
    ReportNameRefusal(option, std::strlen(value) >= 16 ? "Folder name is too long" : "Could not create the folder",
                      value, fault);
    return false;
  }
  if (MakeDataSubfolder(value) != 0) {
    ReportOptionError(option, "Could not create the folder");
    return false;
  }
  std::snprintf(pathTemplate, 64, "data\\%s\\%%s.%s", value, searchPattern);
  std::snprintf(searchTemplate, 64, "data\\%s\\%s", value, searchPattern[0] == 'm' ? "*.mpr" : "%s_*.lyt");
  return true;
}

// ---- Applying one option ----

bool ApplyOption(int id, const char* name, const char* value, ParseState& state);

bool ReadCommandFile(const char* name, const char* value, ParseState& state) {
  if (std::strlen(value) >= 32) {
    ReportOptionError(name, "File name is too long");
    return false;
  }
  const int64_t length = FileLength(value);
  if (length < 0) {
    char reason[64];
    std::snprintf(reason, sizeof reason, "File not found (%s)", value);
    ReportOptionError(name, reason);
    return false;
  }
  if (length > COMMAND_FILE_MAX) {
    ReportOptionError(name, "File is too long");
    return false;
  }
  if (length == 0) {
    ReportOptionError(name, "File is empty");
    return false;
  }
  if (FileReadAll(value, state.commandFile, COMMAND_FILE_MAX) != 0) {
    char reason[64];
    std::snprintf(reason, sizeof reason, "File not found (%s)", value);
    ReportOptionError(name, reason);
    return false;
  }
  if (state.commandFile.empty() || state.commandFile[0] != '/') {
    ReportOptionError(name, "File is not valid");
    return false;
  }
  return true;
}

bool ApplyOption(int id, const char* name, const char* value, ParseState& state) {
  int number = 0;
  switch (id) {
    case OPT_CFG:
      return ReadCommandFile(name, value, state);
    case OPT_VEHD:
      if (!ReadText(name, value, RequestText, sizeof RequestText, 63, "Vehicle name is too long")) return false;
      GraphicsEnabled = 0;
      RunMode = RUN_MODE_VEHICLE_OUTPUT;
      return true;
    case OPT_JOIN:
      if (const int error = SetJoinGameName(value)) {
        ReportOptionError(name, LanguageTexts[error]);
        return false;
      }
      return true;
    case OPT_GETMOD:
    case OPT_TESTMOD:
      if (const int error = SetModSkinId(value, id == OPT_GETMOD ? 5 : 6)) {
        ReportOptionError(name, LanguageTexts[error]);
        return false;
      }
      return true;
    case OPT_HLCK:
      if (!ReadText(name, value, RequestText, sizeof RequestText, 47, "Replay name is too long")) return false;
      GraphicsEnabled = 0;
      RunMode = RUN_MODE_REPLAY_CHECK;
      return true;
    case OPT_SETTINGS: {
      const size_t length = std::strlen(value);
      if (length >= CONFIG_PATH_SIZE) {
        ReportOptionError(name, "File name is too long");
        return false;
      }
      if (length < 4 || strcasecmp(value + length - 4, ".txt") != 0) {
        ReportOptionError(name, "File name must end .txt");
        return false;
      }
      if (const char* fault = FileNameFault(value, CONFIG_PATH_SIZE - 1, true)) {  // written back at exit
        ReportNameRefusal(name, "Invalid file name", value, fault);
        return false;
      }
      if (ConfigRead) {
        ReportOptionError(name, "Already read");
        return false;
      }
      SetConfigPath(value);
      LoadConfig();
      return true;
    }
    case OPT_GAMEPASS:
      return ReadText(name, value, AccountPassword, sizeof AccountPassword, 23, "Password is too long");
    case OPT_USEMASTER: {
      static const char* const words[] = {"no", "yes", "hidden"};
      if (!ReadWord(name, value, words, 3, number)) return false;
      CfgConnToMaster = number;
      return true;
    }
    case OPT_PASS:
    case OPT_ADMIN: {
      char password[OPTION_VALUE_MAX + 1];
      std::snprintf(password, sizeof password, "%s", value);
      UnescapeSpecialChars(password);
      if (std::strlen(password) >= sizeof CfgGamePass) {
        ReportOptionError(name, "Password is too long");
        return false;
      }
      if (RunMode != 4) {
        ReportOptionError(name, "Use after /join command");
        return false;
      }
      std::memcpy(CfgGamePass, password, std::strlen(password) + 1);  // length checked above
      return true;
    }
    case OPT_IP:
      return ReadText(name, value, CfgGameIp, sizeof CfgGameIp, 15, "IP address is too long");
    case OPT_PORT:
      return ReadText(name, value, CfgGamePort, sizeof CfgGamePort, 5, "Port is too long");
    case OPT_TRACK: {
      char mapName[32];
      int config = 0, flip = 0;
      if (!ParseTrackCode(value, mapName, sizeof mapName, config, flip)) {
        ReportOptionError(name, LanguageTexts[TX_3b_unknwtrk]);
        return false;
      }
      std::snprintf(CfgMapName, sizeof CfgMapName, "%s", mapName);
      CfgConfig = config;
      CfgFlip = flip;
      CfgLighting = 0;
      return true;
    }
    case OPT_WEATHER:
      if (!ReadBoundedInteger(name, value, 1, 0x7FFFFFFF, number)) return false;
      CfgLighting = std::min(number, 20) - 1;
      return true;
    case OPT_CARS:
      if (!ParseCarsOption(value)) {
        ReportOptionError(name, LanguageTexts[TX_3e_unknwcar]);
        return false;
      }
      return true;
    case OPT_MAXGUESTS:
      if (!ReadBoundedInteger(name, value, 1, 0x7FFFFFFF, number)) return false;
      CfgMaxConns = std::min(number + 1, 48);
      if (CfgAdminSlots > CfgMaxConns - 2) CfgAdminSlots = CfgMaxConns - 2;
      return true;
    case OPT_ADMINSLOTS:
      if (!ReadBoundedInteger(name, value, 0, 0x7FFFFFFF, number)) return false;
      CfgAdminSlots = std::max(0, std::min({number, 8, CfgMaxConns - 2}));
      return true;
    case OPT_CARSMAX:
      if (!ReadBoundedInteger(name, value, 1, 0x7FFFFFFF, number)) return false;
      CfgCarsInRace = std::min(number, 40);
      return true;
    case OPT_CARSHOST:
      return ReadBoundedInteger(name, value, 0, 40, CfgCarsPerHost);
    case OPT_CARSGUEST:
      return ReadBoundedInteger(name, value, 0, 40, CfgCarsPerGuest);
    case OPT_PPS:
      return ReadBoundedInteger(name, value, 3, 12, CfgPacksPerSec);
    case OPT_QUAL:
      return ReadBoundedInteger(name, value, 0, 240, RaceOptions.qualifyMinutes);
    case OPT_LAPS:
      if (!ReadBoundedInteger(name, value, 0, 1000, number)) return false;
      RaceOptions.lapsCode = number <= 100 ? number : 100 + (number - 100) / 10;
      return true;
    case OPT_HOURS:
      if (!ReadBoundedInteger(name, value, 1, 48, number)) return false;
      RaceOptions.lapsCode = 190 + number;
      return true;
    case OPT_WIND:
      return ReadBoundedInteger(name, value, 0, 2, RaceOptions.wind);
    case OPT_DEDICATED: {
      static const char* const words[] = {"no", "yes", "nogfx", "invisible"};
      if (!ReadWord(name, value, words, 4, number)) return false;
      DedicatedMode = number;
      if (number >= 2) GraphicsEnabled = 0;
      LayoutGroundLookups = number < 2;  // a host without pictures takes layout heights as stored
      return true;
    }
    case OPT_RSTMIN:
    case OPT_RSTEND:
      return ReadBoundedInteger(name, value, 0, 240, RaceOptions.restartDelaySeconds[id - OPT_RSTMIN]);
    case OPT_AUTOKICK: {
      static const char* const words[] = {"no", "kick", "ban", "spec"};
      return ReadWord(name, value, words, 4, CfgAutoKick);
    }
    case OPT_START: {
      static const char* const words[] = {"fixed", "finish", "reverse", "random"};
      return ReadWord(name, value, words, 4, CfgRaceStart);
    }
    case OPT_RIFT:
    case OPT_VR: {
      static const char* const words[] = {"off", "on", "rift", "openvr"};
      if (!ReadWord(name, value, words, 4, number)) return false;
      CommandLineVrChoice = number == 0 ? 1 : 2;
      CommandLineVrPlugin = number >= 2 ? number - 1 : 0;
      return true;
    }
    case OPT_CTRLINK: {
      long port = 0;
      if (!ReadInteger(value, port) || port < 0 || port >= 65536) {
        ReportOptionError(name, "Port out of bounds");
        return false;
      }
      RaceOptions.ctrlinkPort = static_cast<int>(port);
      return true;
    }
    case OPT_PLAYER: {
      // The name names the player's file: a name no file may have is refused, a long one cut
      // (never inside a character).
      if (const char* fault = FileNameFault(value, OPTION_VALUE_MAX)) {
        ReportNameRefusal(name, LanguageTexts[TX_3h_invalidf], value, fault);
        return false;
      }
      size_t kept = std::min(std::strlen(value), sizeof CfgPlayerName - 1);
      while (kept > 0 && (static_cast<unsigned char>(value[kept]) & 0xC0) == 0x80) --kept;
      std::memcpy(CfgPlayerName, value, kept);
      CfgPlayerName[kept] = 0;
      if (kept < std::strlen(value))
        AddMessage("Player name truncated to 23 chars", TextColours.error, MSG_TARGET_LOCAL);
      return true;
    }
    case OPT_WINDOWED: {
      static const char* const words[] = {"no", "yes", "invisible"};
      if (!ReadWord(name, value, words, 3, number)) return false;
      CfgStartWindowed = number == 0 ? 0 : 1;
      if (number == 2) GraphicsEnabled = 0;
      return true;
    }
    case OPT_WELCOME:
    case OPT_TRACKS:
      return true;
    case OPT_LOG:
      // The log file is deleted before it is written: only a log file in the working folder.
      if (const char* fault = LogFileNameFault(value)) {
        ReportNameRefusal(name, "Log file error", value, fault);
        return false;
      }
      if (!CanAppendToFile(value)) {
        ReportOptionError(name, "Log file error");
        return false;
      }
      SetLogFileName(value);
      RestartLog("ZKT : 1.4C20", false);
      return true;
    case OPT_NDEBUG: {
      static const char* const words[] = {"no", "yes"};
      return ReadWord(name, value, words, 2, RaceOptions.debugSwitch);
    }
    case OPT_AUTOSAVE:
      return ReadBoundedInteger(name, value, 0, 2, CfgMprAutoSave);
    case OPT_MPRDIR:
      return SetDataFolder(name, value, MprPathTemplate, MprSearchTemplate, "mpr");
    case OPT_LYTDIR:
      if (!SetDataFolder(name, value, LayoutPathTemplate, LayoutSearchTemplate, "lyt")) return false;
      SetLayoutFolder(value);
      return true;
    case OPT_LOC:
      return ReadBoundedInteger(name, value, 0, 2, CfgLocation);
    default:
      if (id >= OPT_VOTE && id <= OPT_TEAMARROWS) {
        if (!ParseYesNoRuleOption(value, RULE_BITS[id - OPT_VOTE])) {
          ReportUnknownOptionWord(name);
          return false;
        }
        return true;
      }
      return false;
  }
}

// ---- The parser ----

// The table's option of that name (any case), or -1.
int FindOption(const char* name, int length) {
  for (int i = 0; i < OPTION_COUNT; ++i)
    if (int(std::strlen(OPTIONS[i].name)) == length && strncasecmp(name, OPTIONS[i].name, size_t(length)) == 0) return i;
  return -1;
}

// Whether a '/' met in a value starts the next option.  It does before a comment ("//"),
// before a name and its '=' (a mistyped name is then reported), and before a known name
// that lacks its '='; elsewhere it belongs to the value, as in an absolute folder path.
bool SlashStartsOption(const char* next) {
  if (*next == '/') return true;
  int length = 0;
  while (std::isalpha(static_cast<unsigned char>(next[length]))) ++length;
  if (length == 0) return false;
  if (next[length] == '=') return true;
  if (next[length] != 0 && !std::isspace(static_cast<unsigned char>(next[length]))) return false;
  return FindOption(next, length) >= 0;
}

// "Command %d is invalid" for the option that starts at start (its "/"), which is kept as it
// was written up to the next option, control characters left out.
void ReportInvalidOption(int number, const char* start) {
  std::snprintf(StartupErrorText, sizeof StartupErrorText, "Command %d is invalid", number);
  size_t n = 0;
  for (const char* c = start; *c && n + 1 < sizeof StartupErrorSecond; ++c) {
    if (c != start && *c == '/' && SlashStartsOption(c + 1)) break;
    if (static_cast<unsigned char>(*c) >= 32) StartupErrorSecond[n++] = *c;
  }
  StartupErrorSecond[n] = 0;
  RunMode = 0;
  g_parseFailed = true;
}

// Checks the order rules of option id; false after reporting.
bool CheckOptionOrder(int id, const char* name, ParseState& state) {
  const OptionKind kind = OPTIONS[id].kind;
  if (kind == KIND_CONFIG && state.anyBeforeSettings) {
    ReportOptionError(name, "Must be first in list");
    return false;
  }
  if (kind == KIND_ACTION) {
    char reason[64];
    if (state.firstAction >= 0) {
      std::snprintf(reason, sizeof reason, "Cannot be used with /%s", OPTIONS[state.firstAction].name);
      ReportOptionError(name, reason);
      return false;
    }
    if (state.firstSetting >= 0) {
      std::snprintf(reason, sizeof reason, "Must be before /%s", OPTIONS[state.firstSetting].name);
      ReportOptionError(name, reason);
      return false;
    }
    state.firstAction = id;
  }
  if (kind == KIND_SETTING && state.firstSetting < 0) state.firstSetting = id;
  if (kind == KIND_ACTION || kind == KIND_SETTING) state.anyBeforeSettings = 1;
  return true;
}

// Parses the options of text.  Returns true when a command file was read (its text is then
// parsed next); false at the end or after an error.
bool ParseOptionText(const char* text, ParseState& state) {
  const char* p = text;
  int number = 0;
  while (*p == '/') {
    // "//" starts a comment that runs to the end of the line, then on to the next "/".
    while (p[1] == '/') {
      while (*p && *p != '\n') ++p;
      while (*p && *p != '/') ++p;
      if (!*p) return false;
    }
    const char* optionStart = p;
    ++p;
    ++number;
    char name[OPTION_VALUE_MAX + 2];
    int nameLength = 0;
    while (*p && *p != '=' && nameLength <= OPTION_VALUE_MAX) {
      if (static_cast<unsigned char>(*p) >= 32) name[nameLength++] = *p;
      ++p;
    }
    name[nameLength] = 0;
    const int id = *p == '=' && nameLength <= OPTION_VALUE_MAX ? FindOption(name, nameLength) : -1;
    if (id < 0) {
      ReportInvalidOption(number, optionStart);
      return false;
    }
    const char* optionName = OPTIONS[id].name;
    ++p;  // the "="
    if (state.seen[id]) {
      ReportOptionError(optionName, "Found more than once");
      return false;
    }
    state.seen[id] = true;
    if (UrlRequestActive && OPTIONS[id].refusedFromUrl) {
      ReportOptionError(optionName, "Cannot be initialised by a URL");
      return false;
    }
    if (!CheckOptionOrder(id, optionName, state)) return false;
    if (id != OPT_CFG && id != OPT_SETTINGS && !ConfigRead) LoadConfig();  // options override it

    char value[OPTION_VALUE_MAX + 2];
    int valueLength = 0;
    bool tooLong = false;
    for (; *p && !(*p == '/' && SlashStartsOption(p + 1)); ++p) {
      if (static_cast<unsigned char>(*p) < 32) continue;
      if (valueLength > OPTION_VALUE_MAX) tooLong = true;
      else value[valueLength++] = *p;
    }
    if (valueLength > OPTION_VALUE_MAX) tooLong = true;
    while (valueLength > 0 && value[valueLength - 1] == ' ') --valueLength;
    value[valueLength] = 0;
    if (tooLong) {
      ReportOptionError(optionName, LanguageTexts[TX_3g_ptoolong]);
      return false;
    }
    if (!valueLength && id != OPT_PASS && id != OPT_ADMIN) {
      ReportOptionError(optionName, LanguageTexts[TX_3b_reqparam]);
      return false;
    }
    if (!ApplyOption(id, optionName, value, state)) {
      if (!g_parseFailed) ReportOptionOutOfBounds(optionName);
      return false;
    }
    if (id == OPT_CFG) return true;  // the command file is the last option of its line
  }
  if (*p) ReportInvalidOption(number + 1, p);  // text after a value that is not an option
  return false;
}

void ShowReplyOfRunning(uint32_t reply) {
  if (const char* text = InstanceReplyText(reply)) ErrorBox(text);
}

uint32_t ServeOneRequest(uint32_t code, const char* text) {
  const uint32_t reply = HandleInstanceRequest(code, text);
  if (reply == REPLY_DONE && MainWindowExists()) {
    if (PlatformWindowMinimised()) PlatformShowWindow(SHOW_NORMAL);
    PlatformRaiseWindow();
  }
  return reply;
}

// The entry page is what the user sees, with nothing open over it.
bool EntryPageFree() { return EntryPageIsIdle() != 0; }

}  // namespace

// ---- [Options] ----

int FindStringInList(const char* text, const char* const* list, int count) {
  for (int i = 0; i < count; ++i)
    if (strcasecmp(text, list[i]) == 0) return i;
  return -1;
}

int ParseYesNoRuleOption(const char* value, uint32_t bit) {
  if (strcasecmp(value, "no") == 0) CfgMpFlags &= ~bit;
  else if (strcasecmp(value, "yes") == 0) CfgMpFlags |= bit;
  else return 0;
  return 1;
}

int FindCarShortName(const char* code) { return BuiltinCarIndexByCodeText(code); }

int ParseCarsOption(const char* value) {
  uint32_t bits = 0;
  const char* p = value;
  char separator = '+';
  for (;;) {
    char token[8];
    int length = 0;
    while (*p && *p != ' ' && *p != '+' && *p != ',' && *p != '-') {
      if (length >= 7) return 0;
      token[length++] = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
      ++p;
    }
    token[length] = 0;
    if (length < 3) return 0;
    uint32_t tokenBits = 0;
    const int car = FindCarShortName(token);
    if (car >= 0) {
      tokenBits = 1u << car;
    } else {
      int group = -1;
      for (int i = 0; i < static_cast<int>(std::size(CAR_GROUPS)); ++i)
        if (std::strcmp(token, CAR_GROUPS[i].name) == 0) group = i;
      if (group < 0) return 0;
      tokenBits = CAR_GROUPS[group].bits;
    }
    if (separator == '-') bits &= ~tokenBits;
    else bits |= tokenBits;
    if (!*p || *p == ' ') break;
    separator = *p++;
  }
  CfgMpRules = bits;
  return 1;
}

int SetJoinGameName(const char* name) {
  char game[OPTION_VALUE_MAX + 1];
  std::snprintf(game, sizeof game, "%s", name ? name : CfgServerName);
  UnescapeSpecialChars(game);
  if (std::strlen(game) >= sizeof CfgServerName) return TX_3a_namelong;
  std::memcpy(CfgServerName, game, std::strlen(game) + 1);  // length checked above
  CfgGamePass[0] = 0;
  CfgGameAdmin[0] = 0;
  CfgFindUser[0] = 0;
  CfgWindowedLink = 0;
  RunMode = 4;
  return 0;
}

int SetModSkinId(const char* text, int mode) {
  const size_t length = std::strlen(text);
  if (length > 6) return TX_3g_ptoolong;
  if (length < 6) return TX_3b_invalpar;
  uint32_t id = 0;
  for (size_t i = 0; i < 6; ++i) {
    const int c = std::toupper(static_cast<unsigned char>(text[i]));
    if (!std::isxdigit(c)) return TX_3b_invalpar;
    id = id * 16 + static_cast<uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10);
  }
  if (!IsModCarId(id)) return TX_3b_invalpar;
  std::snprintf(RequestText, sizeof RequestText, "%s", text);
  RunMode = mode;
  return 0;
}

int MakeDataSubfolder(const char* name) {
  char path[FILE_PATH_SIZE];
  if (!MakeNamedPath(path, sizeof path, "data\\%s", name)) return 1;
  return MakeFolder(path) ? 0 : 1;
}

void ParseCommandLine(const char* commandLine) {
  g_parseFailed = false;
  StartupErrorSecond[0] = 0;
  if (!commandLine || !commandLine[0]) {
    UrlRequestActive = 0;
    return;
  }
  if (commandLine[0] != '/') {
    std::snprintf(StartupErrorText, sizeof StartupErrorText, "%s", "Invalid command line");
    std::snprintf(StartupErrorSecond, sizeof StartupErrorSecond, "%s", TEXT_HOW_OPTIONS_ARE_WRITTEN);
    RunMode = 0;
    UrlRequestActive = 0;
    return;
  }
  ParseState state{};
  state.firstAction = state.firstSetting = -1;
  if (ParseOptionText(commandLine, state)) {
    const std::string fileText = state.commandFile;  // the parse below may not read a second one
    ParseOptionText(fileText.c_str(), state);
  }
  state.commandFile.clear();
  if (!g_parseFailed && UrlRequestActive && state.firstAction >= 0 && state.firstSetting < 0 &&
      FindRunningInstance() && RunMode >= 4 && RunMode <= 6) {
    const uint32_t reply = SendToRunningInstance(
        RunMode == 4 ? CfgServerName : RequestText,
        RunMode == 4 ? REQUEST_JOIN : RunMode == 5 ? REQUEST_GET_MOD : REQUEST_TEST_MOD);
    if (reply != REPLY_DONE) ExitCode = EXIT_START_FAILED;  // the request failed: a failed start
    RunMode = 9;
  }
  if (!g_parseFailed && RaceOptions.ctrlinkPort) OpenCtrlink(RaceOptions.ctrlinkPort);
  UrlRequestActive = 0;
}

// ---- [Start-up] ----

int FindRunningInstance() { return InstanceLinkFindRunning(); }

namespace {

struct HandedFileType {
  const char* letters;  // the extension, and the word in the error texts
  const char* magic;
  const char* folder;
};
constexpr HandedFileType HANDED_TYPES[5] = {
    {"", "", ""},
    {"SPR", "ZKTSPR", "spr"},
    {"MPR", "ZKTMPR", "mpr"},
    {"SET", "QXSETT", "setups"},
    {"LYT", "ZKTLYT", "layout"},
};

UrlRequestResult Fail(const char* format, const char* word = "", const char* second = "") {
  std::snprintf(StartupErrorText, sizeof StartupErrorText, format, word, second);
  return URL_FAILED;
}

// Whether the command line begins with an option ("/name=") or a comment ("//").  An
// absolute path ("/home/me/lap.spr") does not: a '/' starts an option only before a name
// and its '='.
bool BeginsWithOption(const char* text) {
  if (text[0] != '/') return false;
  if (text[1] == '/') return true;
  int length = 1;
  while (std::isalpha(static_cast<unsigned char>(text[length]))) ++length;
  return length > 1 && text[length] == '=';
}

// The handed file's type from the last three letters or digits of its path; 0 for none.
int HandedTypeOf(const char* path, int length) {
  int count = 0;
  for (int i = length - 1; i >= 0 && count < 3 && std::isalnum(static_cast<unsigned char>(path[i])); --i) ++count;
  if (count < 3) return 0;
  char letters[4] = {};
  for (int i = 0; i < 3; ++i) letters[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(path[length - 3 + i])));
  for (int i = 1; i <= 4; ++i)
    if (std::strcmp(letters, HANDED_TYPES[i].letters) == 0) return i;
  return 0;
}

// The working folder of a start by the desktop (a handed file or a "ZKT://" request): the
// folder started in when it is already the program's working folder, else the program's.
bool ChangeToWorkingFolder() { return FileIsFolder("data") || ChangeToProgramFolder("data") == 0; }

UrlRequestResult DecodeUrl(const char* text) {
  const char* start = text + 4;  // after "ZKT:"
  while (start[0] == '/' && start[1] == '/') ++start;
  char* out = UrlCommandLine;
  char* const end = UrlCommandLine + sizeof UrlCommandLine - 1;
  for (const char* p = start; *p; ++p) {
    if (out == end) return Fail("ZKT was unable to interpret the request");
    if (*p != '%') {
      *out++ = *p;
      continue;
    }
    const auto hex = [](char c) {
      if (c >= '0' && c <= '9') return c - '0';
      if (c >= 'A' && c <= 'F') return c - 'A' + 10;
      if (c >= 'a' && c <= 'f') return c - 'a' + 10;
      return -1;
    };
    const int high = hex(p[1]);
    const int low = high < 0 ? -1 : hex(p[2]);
    if (low < 0) return Fail("ZKT was unable to interpret the request");
    *out++ = static_cast<char>(high * 16 + low);
    p += 2;
  }
  *out = 0;
  return URL_PARSE_OPTIONS;
}

// The running instance's reply to a request, REPLY_NOT_PROCESSED when none came in time.
uint32_t AskRunningInstance(const char* text, uint32_t code) {
  uint32_t reply = REPLY_NOT_PROCESSED;
  if (InstanceLinkSend(code, text, INSTANCE_REPLY_TIMEOUT_MS, reply) != INSTANCE_REPLIED) reply = REPLY_NOT_PROCESSED;
  return reply;
}

// Checks a handed file and copies it into its data folder.  URL_PARSE_OPTIONS stands for
// "copied (or already there), go on".
UrlRequestResult CopyHandedFile(const char* path, int type, std::string& fileName) {
  const HandedFileType& kind = HANDED_TYPES[type];
  if (std::strlen(path) >= 256) return Fail("%s file name is too long", kind.letters);
  // Only a plain file: opening a pipe or a device named like one of ours would wait forever.
  FILE* file = FileIsRegular(path) ? FileOpen(path, "rb") : nullptr;
  if (!file) return Fail("Could not open %s file", kind.letters);
  uint8_t head[8];
  const size_t got = std::fread(head, 1, sizeof head, file);
  std::fclose(file);
  if (got < sizeof head) return Fail("%s file is too short", kind.letters);
  if (std::memcmp(head, kind.magic, 6) != 0 || head[6] != 0) return Fail("%s file of unknown format", kind.letters);
  // A relative path is the user's, from the folder the program was started in: it is made
  // absolute before the working folder is changed to.
  std::string source = path;
  if (source[0] != '/') {
    std::string resolved;
    ResolvePath(path, resolved);
    source = FullPath(resolved.c_str());
  }
  if (!ChangeToWorkingFolder()) return Fail("Could not change to ZKT folder");

  const size_t slash = source.rfind('/');
  fileName = slash == std::string::npos ? source : source.substr(slash + 1);
  if (fileName.size() >= 68) return Fail("%s file name is too long", kind.letters);
  if (const char* fault = FileNameFault(fileName.c_str(), 67)) return Fail("%s file name %s", kind.letters, fault);
  char destination[FILE_PATH_SIZE];
  std::snprintf(destination, sizeof destination, "data\\%s\\%s", kind.folder, fileName.c_str());
  bool copy = true;
  if (FileExists(destination)) {
    switch (CompareFiles(source.c_str(), destination)) {
      case 1:
        copy = false;
        if (type >= 3) {  // a setup or layout that is there already: nothing to do
          ShowPlatformMessageBox("The same file already exists", "No need to save", BOX_ICON_INFORMATION);
          return URL_DONE;
        }
        break;
      case 2:
        if (!AskPlatformYesNo("Overwrite the existing file?", "A different file with the same name already exists"))
          return URL_DONE;
        break;
      default:
        return Fail("Error checking files");
    }
  }
  if (copy) {
    char folder[FILE_PATH_SIZE];
    std::snprintf(folder, sizeof folder, "data\\%s", kind.folder);
    MakeFolder(folder);
    if (!CopyFileSimple(source.c_str(), destination, 0)) return Fail("Error copying file");
  }
  return URL_PARSE_OPTIONS;
}

}  // namespace

UrlRequestResult HandleUrlRequest(int runningInstance, const char* commandLine) {
  UrlCommandLine[0] = 0;
  if (!commandLine || !commandLine[0] || BeginsWithOption(commandLine)) return URL_PARSE_OPTIONS;
  if (strncasecmp(commandLine, "ZKT:/", 5) == 0) {
    if (DecodeUrl(commandLine) == URL_FAILED) return URL_FAILED;
    if (!ChangeToWorkingFolder()) return Fail("Could not change to ZKT folder");
    UrlRequestActive = 1;
    return URL_PARSE_OPTIONS;
  }

  // A file handed over by the desktop (its quotes dropped), or options the parser refuses.
  char path[FILE_PATH_SIZE + 8];
  int length = 0;
  for (const char* p = commandLine; *p && length < static_cast<int>(sizeof path) - 1; ++p)
    if (*p != '"') path[length++] = *p;
  path[length] = 0;
  const int type = HandedTypeOf(path, length);
  if (!type) return URL_PARSE_OPTIONS;
  std::string fileName;
  if (const UrlRequestResult result = CopyHandedFile(path, type, fileName); result != URL_PARSE_OPTIONS)
    return result;
  if (type <= 2) {
    std::snprintf(RequestText, sizeof RequestText, "%.*s", static_cast<int>(fileName.size() - 4), fileName.c_str());
    if (!runningInstance) {
      PendingRequestType = type;  // this instance opens it
      return URL_OPEN_HANDED_REPLAY;
    }
    const uint32_t reply = AskRunningInstance(RequestText, static_cast<uint32_t>(type));
    if (const char* text = InstanceReplyText(reply)) return Fail("%s", text);
    return URL_DONE;
  }
  if (runningInstance) AskRunningInstance(nullptr, static_cast<uint32_t>(type));
  char destination[FILE_PATH_SIZE];
  std::snprintf(destination, sizeof destination, "data\\%s\\%s", HANDED_TYPES[type].folder, fileName.c_str());
  ShowPlatformMessageBox(destination, "Copied file", BOX_ICON_INFORMATION);
  return URL_DONE;
}

// ---- [Running instance] ----

const char* InstanceReplyText(uint32_t reply) {
  switch (reply) {
    case REPLY_NOT_PROCESSED: return "Could not process message";
    case REPLY_DONE: return nullptr;
    case REPLY_UNKNOWN_CODE: return "Unknown message";
    case REPLY_NO_SCREEN: return "ZKT is not in a suitable screen";
    case REPLY_BAD_TEXT: return "Atom error";
    case REPLY_IN_MULTIPLAYER: return "ZKT is in multiplayer";
    case REPLY_NO_TRACK: return "A track must be loaded";
    default: return LanguageTexts[TX_3a_unknwerr];
  }
}

uint32_t SendToRunningInstance(const char* text, uint32_t code) {
  const uint32_t reply = AskRunningInstance(text, code);
  ShowReplyOfRunning(reply);
  return reply;
}

uint32_t HandleInstanceRequest(uint32_t code, const char* text) {
  const size_t length = text ? std::strlen(text) : 0;
  switch (code) {
    case REQUEST_SINGLE_REPLAY:
    case REQUEST_MULTI_REPLAY:
      if (!EntryPageFree()) return REPLY_NO_SCREEN;
      if (const char* fault = FileNameFault(text, INSTANCE_TEXT_MAX)) {
        LogF("instance request : replay name %s", fault);
        return REPLY_BAD_TEXT;
      }
      std::snprintf(RequestText, sizeof RequestText, "%s", text);
      PendingRequestType = static_cast<int>(code);
      return REPLY_DONE;
    case REQUEST_SETUP_COPIED:
      RefreshGarageSetups();
      return REPLY_DONE;
    case REQUEST_LAYOUT_COPIED:
      return REPLY_DONE;
    case REQUEST_JOIN:
      if (NetStatusByte) return REPLY_IN_MULTIPLAYER;
      if (length < 1 || length > 31) return REPLY_BAD_TEXT;
      if (!EntryPageFree()) return REPLY_NO_SCREEN;
      return SetJoinGameName(text) == 0 ? REPLY_DONE : REPLY_BAD_TEXT;
    case REQUEST_GET_MOD:
    case REQUEST_TEST_MOD:
      if (!FormatTrackName()[0]) return REPLY_NO_TRACK;
      if (NetStatusByte) return REPLY_IN_MULTIPLAYER;
      if (length != 6) return REPLY_BAD_TEXT;
      if (EntryPageFree() && !SetModSkinId(text, code == REQUEST_GET_MOD ? 5 : 6)) return REPLY_DONE;
      return REPLY_NO_SCREEN;
    default:
      return REPLY_UNKNOWN_CODE;
  }
}

void OpenInstanceRequests() {
  if (!InstanceLinkOpen()) LogLine("instance requests : socket failed");
}
void CloseInstanceRequests() { InstanceLinkClose(); }
void ServeInstanceRequests() {
  InstanceLinkServe(ServeOneRequest, [](uint32_t userId) {
    LogF("instance requests : connection of user %u refused", static_cast<unsigned>(userId));
  });
}

// ---- [Services] ----

int WriteGuestStatus(int connectionState, const char* joinedName) {
  SafeWrite w{};
  FILE* file = SafeWriteBegin(w, "guest.txt");
  if (file) std::fprintf(file, "zkt=%s\nstatus=%s\njoined=%s\n", PROGRAM_VERSION, connectionState == 2 ? "ingame" : "online",
                         joinedName ? joinedName : "");
  const int error = file ? SafeWriteCommit(w) : w.error;
  if (error == 0) return 1;
  ReportSaveFailure(nullptr, TEXT_COULD_NOT_WRITE_FILE, "guest.txt", error);
  return 0;
}

namespace {
int g_hotlapExitDone;
}

void ExitForHotlapCheck(int code) {
  if (g_hotlapExitDone) return;
  g_hotlapExitDone = 1;
  ExitCode = code;
  LogF("exit : %s", "HLCK");
  ExitRequested = 1;
  QuitFlag = 1;
  CloseCtrlink();
  CloseSound();
  CurrentBackground = nullptr;
}

void ResetCommandLineState() {
  RequestText[0] = 0;
  PendingRequestType = 0;
  UrlRequestActive = 0;
  UrlCommandLine[0] = 0;
  StartupErrorText[0] = 0;
  StartupErrorSecond[0] = 0;
  CommandLineVrChoice = 0;
  CommandLineVrPlugin = 0;
  RaceOptions = {};
  AccountPassword[0] = 0;
  g_hotlapExitDone = 0;
  g_parseFailed = false;
}
