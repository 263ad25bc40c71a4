// text_commands.cpp - the entry point, splitting, replies, scripts and chat lines.
#include "app/text_commands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "app/app.h"
#include "core/log.h"
#include "core/sound.h"
#include "platform/files.h"
#include "text/language.h"
#include "text/messages.h"

char CommandReply[COMMAND_REPLY_SIZE];
int ScriptDepth;
uint32_t LastChatTime;
int LastBlockModeSent;
uint32_t LastBlockRequestTime;
uint8_t LastChatPacket[4 + CHAT_TEXT_MAX + 4];

namespace {

constexpr uint32_t BLOCK_REQUEST_INTERVAL_MS = 500;
constexpr int ERROR_SOUND = 3;
int g_chatSent;           // a chat line was sent since the start: the flood guard applies
int g_blockRequestSent;

// The script run under way: scripts open now, lines executed, and whether it was stopped.
struct ScriptRun {
  int open;
  int linesRun;
  bool stopped;
  bool depthReported;
};
ScriptRun g_scriptRun;

// Words whose value is free text: never split at " /".
constexpr const char* FREE_TEXT_WORDS[] = {"say", "echo", "ctrlf", "altf", "join", "rcm", "pass", "msg"};

bool IsFreeTextWord(const char* word) {
  for (const char* free : FREE_TEXT_WORDS)
    if (strcasecmp(word, free) == 0) return true;
  return false;
}

// The flood guard of chat lines (this program never hosts).
bool ChatGuardAllows() {
  if (g_chatSent && ProgramClock - LastChatTime <= CHAT_INTERVAL_MS) {
    PlayUISound(ERROR_SOUND);
    return false;
  }
  g_chatSent = 1;
  LastChatTime = ProgramClock;
  return true;
}

const char* SkipBlanks(const char* text) {
  while (*text == ' ') ++text;
  return text;
}

}  // namespace

// ---- [Entry] ----

void Prss_SendMessage(void* unused, const char* line, int source) {
  if (!line || !line[0]) return;
  if (line[0] == '/') {
    DispatchTextCommand(line, source, 1);
    return;
  }
  if (!ChatGuardAllows()) return;
  // Lines for the control link begin with one of its prefix characters; none is open here.
  LastBlockModeSent = 0;
  SendChatLine(line, 0);
}

void DispatchTextCommand(const char* line, int source, int allowScripts) {
  if (line[1] == 0) return;
  char word[16];
  const char* value;
  if (line[1] == '/') {
    if (!allowScripts) return;
    std::snprintf(word, sizeof word, "%s", "run");
    value = SkipBlanks(line + 2);
  } else {
    value = ParseCommandWord(sizeof word, word, line);
  }
  if (strcasecmp(word, "me") == 0) {
    if (!ChatGuardAllows()) return;
    LastBlockModeSent = 0;
    SendChatLine(line, 0);
    return;
  }
  if (source == SOURCE_TYPED && allowScripts) AddMessage(line, TextColours.grey, MSG_TARGET_LOCAL_QUIET);

  if (!IsFreeTextWord(word) && value[0]) {
    if (value[0] == '/') {
      HandleCommand(word, "", line, source);
      DispatchTextCommand(value, source, 0);
      return;
    }
    if (const char* cut = std::strstr(value, " /")) {
      const std::string before(value, static_cast<size_t>(cut - value));
      HandleCommand(word, before.c_str(), line, source);
      DispatchTextCommand(cut + 1, source, 0);
      return;
    }
  }
  HandleCommand(word, value, line, source);
}

// ---- [Replies] ----

void ReplyToCommand(const char* text, int source) {
  if (source == SOURCE_SCRIPT) {
    std::snprintf(CommandReply, sizeof CommandReply, "%s", text);
    return;
  }
  AddMessage(text, TextColours.error, MSG_TARGET_LOCAL);
}

void ReplyCode(int replyCode, int source) { ReplyToCommand(ReplyText(replyCode), source); }

int RequireCommandValue(const char* value, int source) {
  if (value && value[0]) return 1;
  ReplyCode(40, source);
  return 0;
}

int CheckCommandAllowed(int source) {
  ReplyToCommand("Invalid mode for command", source);  // no race session runs in the editor
  return 0;
}

// ---- [Scripts] ----

void RunScriptFile(const char* name) {
  if (g_scriptRun.open == 0) g_scriptRun = ScriptRun{};  // a new run
  if (g_scriptRun.stopped) return;
  if (ScriptDepth >= MAX_SCRIPT_DEPTH) {
    if (!g_scriptRun.depthReported) AddMessage(LanguageTexts[TX_3g_scrtooma], TextColours.error, MSG_TARGET_LOCAL);
    g_scriptRun.depthReported = true;
    return;
  }
  char path[FILE_PATH_SIZE];
  if (!MakeNamedPath(path, sizeof path, SCRIPT_PATH, name)) return;
  const int64_t length = FileLength(path);
  if (length < 0 || FileIsFolder(path)) return;  // a missing script is no error
  if (length > SCRIPT_FILE_MAX) {
    AddMessage(LanguageTexts[TX_3g_scrtoolo], TextColours.error, MSG_TARGET_LOCAL);
    return;
  }
  if (length == 0) {
    AddMessage(LanguageTexts[TX_3g_scrempty], TextColours.error, MSG_TARGET_LOCAL);
    return;
  }
  std::string text;
  if (FileReadAll(path, text, SCRIPT_FILE_MAX) != 0) return;
  ++ScriptDepth;
  ++g_scriptRun.open;
  const std::string scriptName = name;  // a script line may change what name points at
  const char* p = text.c_str();
  const char* const end = p + text.size();
  for (int lineNumber = 1; p < end && !g_scriptRun.stopped; ++lineNumber) {
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    char line[SCRIPT_LINE_SIZE];
    int length = 0;
    if (p < end && *p != '/') line[length++] = '/';
    bool tooLong = false;
    for (; p < end && *p != '\n'; ++p) {
      if (static_cast<unsigned char>(*p) < 32) continue;  // carriage returns, tabs
      if (length >= SCRIPT_LINE_SIZE - 1) {
        tooLong = true;
        break;
      }
      line[length++] = *p;
    }
    if (tooLong) {
      char message[128];
      std::snprintf(message, sizeof message, LanguageTexts[TX_3g_xlnxtool], scriptName.c_str(), lineNumber);
      AddMessage(message, TextColours.error, MSG_TARGET_LOCAL);
      break;
    }
    if (p < end) ++p;  // the newline
    while (length > 0 && line[length - 1] == ' ') --length;
    line[length] = 0;
    if (length == 0 || std::strcmp(line, "/") == 0 || std::strncmp(line, "//", 2) == 0) continue;
    if (++g_scriptRun.linesRun > SCRIPT_RUN_LINE_MAX) {
      char message[96];
      std::snprintf(message, sizeof message, "Scripts stopped after %d lines", SCRIPT_RUN_LINE_MAX);
      AddMessage(message, TextColours.error, MSG_TARGET_LOCAL);
      g_scriptRun.stopped = true;
      break;
    }
    CommandReply[0] = 0;
    Prss_SendMessage(nullptr, line, SOURCE_SCRIPT);
    if (CommandReply[0]) {
      char message[192];
      std::snprintf(message, sizeof message, LanguageTexts[TX_3g_x_ln_x_x], scriptName.c_str(), lineNumber,
                    CommandReply);
      AddMessage(message, TextColours.error, MSG_TARGET_LOCAL);
    }
  }
  --g_scriptRun.open;
  --ScriptDepth;
}

// ---- [Parsers] ----

const char* ParseCommandWord(int size, char* word, const char* text) {
  const char* p = text + 1;
  int length = 0;
  while (*p && *p != '=' && *p != ' ') {
    if (length < size - 1) word[length++] = *p;
    ++p;
  }
  word[length] = 0;
  if (*p) ++p;
  return SkipBlanks(p);
}

const char* ParseQuotedName(char* out, const char* text) {
  const char* p = text;
  if (*p == '"') ++p;
  int length = 0;
  while (*p && *p != '"') {
    if (length < 93) out[length++] = *p;
    ++p;
  }
  out[length] = 0;
  if (*p == '"') ++p;
  return SkipBlanks(p);
}

namespace {

// The word part of the pair parsers: up to 15 characters, then the rest after blanks.
const char* ParsePairWord(const char* value, char* name) {
  int length = 0;
  const char* p = value;
  while (*p && *p != ' ') {
    if (length < 15) name[length++] = *p;
    ++p;
  }
  name[length] = 0;
  return SkipBlanks(p);
}

bool ParseWholeNumber(const char* text, int& out, const char** rest) {
  char* end = nullptr;
  const long number = std::strtol(text, &end, 10);
  if (end == text || number < -1000000 || number > 1000000) return false;
  out = static_cast<int>(number);
  *rest = SkipBlanks(end);
  return true;
}

}  // namespace

int ParseNameAndNumber(const char* value, char* name, int& number) {
  const char* rest = ParsePairWord(value, name);
  if (!*rest) return 41;
  const char* after = nullptr;
  if (!ParseWholeNumber(rest, number, &after) || *after) return 47;
  return 0;
}

int ParseNameAndKey(const char* value, char* name, int& key) {
  const char* rest = ParsePairWord(value, name);
  if (!*rest) return 41;
  if (rest[1] != 0) return 47;
  key = std::toupper(static_cast<unsigned char>(rest[0]));
  return 0;
}

int ParseTwoNumbers(const char* value, int& first, int& second) {
  const char* rest = nullptr;
  if (!ParseWholeNumber(value, first, &rest)) return 47;
  if (!*rest) return 41;
  const char* after = nullptr;
  if (!ParseWholeNumber(rest, second, &after) || *after) return 47;
  return 0;
}

// ---- [Chat] ----

void SendChatLine(const char* line, int toCtrlink) {
  const size_t length = std::min(std::strlen(line), static_cast<size_t>(CHAT_TEXT_MAX - 1));
  std::memset(LastChatPacket, 0, sizeof LastChatPacket);
  LastChatPacket[0] = static_cast<uint8_t>(length / 4 + 2);
  LastChatPacket[1] = 1;
  LastChatPacket[2] = toCtrlink ? 1 : 0;
  std::memcpy(LastChatPacket + 4, line, length);
  // Offline there is no host to send it to: the line is shown to the local user, as
  // during a race.
  AddMessage(reinterpret_cast<const char*>(LastChatPacket + 4), TextColours.lightText, MSG_TARGET_LOCAL);
}

void SendBlockRequest(int mode) {
  if (g_blockRequestSent && ProgramClock - LastBlockRequestTime < BLOCK_REQUEST_INTERVAL_MS) {
    PlayUISound(ERROR_SOUND);
    return;
  }
  g_blockRequestSent = 1;
  LastBlockRequestTime = ProgramClock;
  if (mode == LastBlockModeSent) return;
  LastBlockModeSent = mode;  // the packet (1, 0x42, mode, 0) goes to a host when connected
}

void ResetTextCommandState() {
  CommandReply[0] = 0;
  ScriptDepth = 0;
  LastChatTime = 0;
  LastBlockModeSent = 0;
  LastBlockRequestTime = 0;
  g_chatSent = 0;
  g_blockRequestSent = 0;
  g_scriptRun = ScriptRun{};
  std::memset(LastChatPacket, 0, sizeof LastChatPacket);
  CommandState = CommandSettings{};
  CommandState.aiSkill = 3;
  CommandState.forceFeedback = 100;
}
