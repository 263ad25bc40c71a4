// messages.cpp - message lines: adding, the history, the wrappers, expiry and recall.
#include "text/messages.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/log.h"
#include "core/sound.h"
#include "platform/system_error.h"
#include "text/code_pages.h"
#include "text/coded_text.h"
#include "text/language.h"
#include "text/text_names.h"

MessageLine MessageLines[MESSAGE_LINE_COUNT];
MessageLine MessageHistory[MESSAGE_LINE_COUNT];
int MessageLineCount;
uint32_t MessageSequence;
int MessageLevel;
int ShowMessageHistory;
int DebugMessagesOn;
int InterfaceRedraw;
int FrameChangesWithTime;
int MessagesToStdout;

int (*MessageConnectionLookup)(int connection, MessageSender* sender);
const char* (*MessageSecondPlayerName)();
void (*MessageControlLinkReport)(int32_t connectionId, int32_t playerId, int userType, int textStart,
                                 const char* text);

namespace {

constexpr const char* SENDER_PREFIX_START = "^7";
constexpr const char* SENDER_PREFIX_END = " ^7: ^8";
constexpr const char* ACTION_SEPARATOR = " ^8";
constexpr int FORMAT_BUFFER_SIZE = 512;

// Copies text into a record's text field, cut where no code or double-byte character splits.
void CopyLineText(char (&out)[MESSAGE_TEXT_SIZE], const char* text, int codePage) {
  const int length = CodedTextBoundary(text, MESSAGE_TEXT_MAX, codePage);
  std::memcpy(out, text, static_cast<size_t>(length));
  out[length] = 0;
}

// "/me " in either case: a player's action line.
bool IsActionLine(const char* text) {
  return text[0] == '/' && std::toupper(static_cast<unsigned char>(text[1])) == 'M' &&
         std::toupper(static_cast<unsigned char>(text[2])) == 'E' && text[3] == ' ';
}

// The text of a connection's line, built in full before it is cut to the record.  Returns
// false when the line is dropped.
bool BuildConnectionLine(const MessageSender& sender, const char* text, char* out, int outSize,
                         int* prefixLength, ColourWord* colour) {
  const char* name = sender.playerName ? sender.playerName : "";
  if (text[0] == '/') {
    if (!IsActionLine(text)) return false;
    std::snprintf(out, static_cast<size_t>(outSize), "%s%s%s", name, ACTION_SEPARATOR, text + 4);
    *prefixLength = 0;
    *colour = TextColours.yellow;
    return true;
  }
  char cleaned[64];
  CleanName(cleaned, sizeof cleaned, name, '9', '7', nullptr);
  const int prefix = std::snprintf(out, static_cast<size_t>(outSize), "%s%s%s", SENDER_PREFIX_START, cleaned,
                                   SENDER_PREFIX_END);
  // The prefix is recalled past, so it must lie wholly inside the record.
  *prefixLength = prefix < MESSAGE_TEXT_MAX ? prefix : MESSAGE_TEXT_MAX;
  std::snprintf(out + prefix, static_cast<size_t>(outSize - prefix), "%s", text);
  return true;
}

void AddFormatted(const char* text, ColourWord colour) {
  char line[MESSAGE_TEXT_SIZE];
  CopyLineText(line, text, CurrentCodePage);
  AddMessage(line, colour, MSG_TARGET_LOCAL);
}

// Lines in age order: the history first, then the shown lines.
int LinesByAge(MessageLine* out[2 * MESSAGE_LINE_COUNT]) {
  int n = 0;
  for (MessageLine& line : MessageHistory) out[n++] = &line;
  for (int i = 0; i < MessageLineCount; ++i) out[n++] = &MessageLines[i];
  return n;
}

int FindSequence(MessageLine* const* lines, int count, int sequence) {
  for (int i = count - 1; i >= 0; --i)
    if (lines[i]->text[0] && lines[i]->sequence == sequence) return i;
  return -1;
}

int TakeRecalled(MessageRecall& recall, const MessageLine& line, int* codePageOut) {
  if (recall.buffer && recall.bufferSize > 0) {
    const char* text = line.text + line.prefixLength;
    const int length = CodedTextBoundary(text, recall.bufferSize - 1, line.codePage);
    std::memcpy(recall.buffer, text, static_cast<size_t>(length));
    recall.buffer[length] = 0;
  }
  if (codePageOut) *codePageOut = line.codePage;
  recall.sequence = line.sequence;
  return recall.sequence;
}

}  // namespace

int AddMessage(const char* text, ColourWord colour, int target) {
  if (!text || !text[0]) return 0;
  // A debugging line is no user's to read: it goes on the screen only while the debug
  // messages are on, and to the log always.
  if (target == MSG_TARGET_DEBUG && !DebugMessagesOn) {
    LogLine(text);
    return 1;
  }
  if (MessageLevel == 2 || (MessageLevel == 1 && target >= 0)) return 0;
  MessageSender sender{};
  if (target >= 0 && !(MessageConnectionLookup && MessageConnectionLookup(target, &sender))) return 0;

  char built[FORMAT_BUFFER_SIZE];
  int prefixLength = 0;
  uint8_t flags = 0;
  int codePage = target == MSG_TARGET_LOCAL ? CurrentCodePage : 0;
  const char* lineText = text;
  if (target >= 0) {
    if (!BuildConnectionLine(sender, text, built, sizeof built, &prefixLength, &colour)) return 0;
    if (prefixLength > 0 && sender.controlLink) flags = MESSAGE_FLAG_PEER;
    lineText = built;
    codePage = 0;
  }

  if (MessageLineCount >= MESSAGE_LINE_COUNT) RemoveMessage(0);
  MessageLine& line = MessageLines[MessageLineCount];
  line.flags = flags;
  line.shownSinceMs = 0;
  line.colour = colour;
  line.prefixLength = static_cast<uint8_t>(prefixLength);
  line.codePage = static_cast<uint8_t>(codePage);
  CopyLineText(line.text, lineText, codePage);
  line.sequence = static_cast<uint8_t>(MessageSequence++);
  ++MessageLineCount;

  const int logged = LogFileName[0] ? 1 : 0;
  if (logged) LogLine(line.text);
  if (MessagesToStdout && target != MSG_TARGET_DEBUG) PrintStatusLine(line.text);
  InterfaceRedraw = 1;
  if (target == MSG_TARGET_LOCAL_QUIET) {
    line.flags |= MESSAGE_FLAG_PEER;
    return logged;
  }
  if (!MessageControlLinkReport) return logged;
  if (target < 0)
    MessageControlLinkReport(0, 0, 0, 0, line.text);
  else
    MessageControlLinkReport(sender.connectionId, sender.humanPlayerId, (line.flags & MESSAGE_FLAG_PEER) ? 2 : 1,
                             line.prefixLength, line.text);
  return logged;
}

void ShowMessage(const char* text, ColourWord colour) { AddMessage(text, colour, MSG_TARGET_LOCAL); }

void ShowFailedMessage(const char* name) {
  char line[FORMAT_BUFFER_SIZE];
  std::snprintf(line, sizeof line, "%s failed", name);
  AddMessage(line, TextColours.error, MSG_TARGET_LOCAL);
}

void ShowFailedMessage2(const char* name, const char* detail) {
  char line[FORMAT_BUFFER_SIZE];
  std::snprintf(line, sizeof line, "%s : %s failed", name, detail);
  AddMessage(line, TextColours.error, MSG_TARGET_LOCAL);
}

void ShowTwoPartMessage(const char* first, const char* second, ColourWord colour) {
  char line[FORMAT_BUFFER_SIZE];
  std::snprintf(line, sizeof line, "%s %s", first, second);
  AddFormatted(line, colour);
}

void ShowLabelledMessage(const char* label, const char* text, ColourWord colour) {
  char line[FORMAT_BUFFER_SIZE];
  const size_t length = std::strlen(label);
  if (length > 0 && label[length - 1] == ':') {
    std::snprintf(line, sizeof line, "%s %s", label, text);
  } else {
    // The language's own order of label and text.
    const char* format = LanguageTexts[TX_3h_s_coln_s];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::snprintf(line, sizeof line, format ? format : "%s : %s", label, text);
#pragma GCC diagnostic pop
  }
  AddFormatted(line, colour);
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
void ShowMessagef1(const char* format, int argument, ColourWord colour) {
  char line[FORMAT_BUFFER_SIZE];
  std::snprintf(line, sizeof line, format, argument);
  AddFormatted(line, colour);
}

void ShowMessageFloat(const char* format, ColourWord colour, float value) {
  char line[FORMAT_BUFFER_SIZE];
  std::snprintf(line, sizeof line, format, static_cast<double>(value));
  AddFormatted(line, colour);
}

void ShowDebugMessagef(const char* format, int argument, ColourWord colour) {
  char line[FORMAT_BUFFER_SIZE];
  std::snprintf(line, sizeof line, format, argument);
  line[MESSAGE_TEXT_MAX] = 0;
  ShowDebugMessage(line, colour);
}
#pragma GCC diagnostic pop

void ShowMessagef(const char* format, ...) {
  char line[FORMAT_BUFFER_SIZE];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  AddFormatted(line, TextColours.grey);
}

void ShowColouredMessagef(ColourWord colour, const char* format, ...) {
  char line[FORMAT_BUFFER_SIZE];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  AddFormatted(line, colour);
}

void ShowMessageWithSound(const char* text) {
  AddMessage(text, TextColours.grey, MSG_TARGET_LOCAL);
  PlayUISound(2);
}

void ShowPlayerMessage(const char* text) {
  char line[FORMAT_BUFFER_SIZE];
  std::snprintf(line, sizeof line, "%s : ^L%s", CfgPlayerName, text);
  AddFormatted(line, TextColours.error);
}

void ShowPlayerMessage2(const char* text) {
  const char* name = MessageSecondPlayerName ? MessageSecondPlayerName() : nullptr;
  char line[FORMAT_BUFFER_SIZE];
  if (name && name[0]) std::snprintf(line, sizeof line, "%s : ^L%s", name, text);
  else std::snprintf(line, sizeof line, "^L%s", text);
  AddFormatted(line, TextColours.error);
}

void ShowLastErrorMessage() {
  char error[SYSTEM_ERROR_TEXT_SIZE];
  LastSystemErrorText(error, sizeof error);  // first: the error belongs to the caller's failed call
  char line[FORMAT_BUFFER_SIZE];
  std::snprintf(line, sizeof line, "%s : %s", "LoadLibrary", error);
  AddFormatted(line, TextColours.error);
}

void ShowDebugMessage(const char* text, ColourWord colour) {
  if (!DebugMessagesOn) return;
  auto* const report = MessageControlLinkReport;
  MessageControlLinkReport = nullptr;
  AddMessage(text, colour, MSG_TARGET_DEBUG);
  MessageControlLinkReport = report;
}

void ShowAliveSentMessage() { ShowDebugMessage("Sent alive packet -", TextColours.lightOrange); }

void RemoveMessage(int index) {
  if (index < 0 || index >= MessageLineCount) return;
  std::memmove(&MessageHistory[0], &MessageHistory[1], sizeof(MessageLine) * (MESSAGE_LINE_COUNT - 1));
  MessageHistory[MESSAGE_LINE_COUNT - 1] = MessageLines[index];
  std::memmove(&MessageLines[index], &MessageLines[index + 1],
               sizeof(MessageLine) * static_cast<size_t>(MESSAGE_LINE_COUNT - 1 - index));
  --MessageLineCount;
  MessageLines[MESSAGE_LINE_COUNT - 1].text[0] = 0;
  InterfaceRedraw = 1;
}

void ClearMessages() {
  while (MessageLineCount > 0 && MessageLines[0].text[0]) RemoveMessage(0);
}

void ExpireMessages(uint32_t nowMs) {
  // 0 means "not yet drawn", so a clock reading of 0 is stored as 1.
  const uint32_t stamp = nowMs ? nowMs : 1;
  for (int i = 0; i < MessageLineCount && MessageLines[i].text[0];) {
    MessageLine& line = MessageLines[i];
    if (line.shownSinceMs == 0) line.shownSinceMs = stamp;
    if (nowMs - line.shownSinceMs > MESSAGE_SHOWN_MS) {
      RemoveMessage(i);
    } else {
      // A screen that rests is drawn again when the line's time is up.
      RedrawAtMs(line.shownSinceMs + MESSAGE_SHOWN_MS + 1);
      ++i;
    }
  }
}

int DropExpiredMessages(uint32_t nowMs) {
  const int redraw = InterfaceRedraw;
  int dropped = 0;
  for (int i = 0; i < MessageLineCount && MessageLines[i].text[0];) {
    const MessageLine& line = MessageLines[i];
    if (line.shownSinceMs != 0 && nowMs - line.shownSinceMs > MESSAGE_SHOWN_MS) {
      RemoveMessage(i);
      dropped = 1;
    } else {
      ++i;
    }
  }
  InterfaceRedraw = redraw;
  return dropped;
}

const char* GetNewestMessageText() { return MessageLineCount > 0 ? MessageLines[MessageLineCount - 1].text : nullptr; }

void ToggleMessageHistory() { ShowMessageHistory ^= 1; }

void ResetMessages() {
  std::memset(MessageLines, 0, sizeof MessageLines);
  std::memset(MessageHistory, 0, sizeof MessageHistory);
  MessageLineCount = 0;
  MessageSequence = 0;
  MessageLevel = 0;
  ShowMessageHistory = 0;
  InterfaceRedraw = 0;
  FrameChangesWithTime = 0;
}

int RecallOlderMessage(MessageRecall& recall, int* codePageOut) {
  MessageLine* lines[2 * MESSAGE_LINE_COUNT];
  const int count = LinesByAge(lines);
  int from = count;  // nothing recalled: start past the newest
  if (recall.sequence >= 0) {
    const int at = FindSequence(lines, count, recall.sequence);
    if (at >= 0) from = at;
  }
  for (int i = from - 1; i >= 0; --i)
    if (lines[i]->text[0]) return TakeRecalled(recall, *lines[i], codePageOut);
  return recall.sequence;  // nothing older (or no line at all: -1)
}

int RecallNewerMessage(MessageRecall& recall, int* codePageOut) {
  if (recall.sequence < 0) return -1;
  MessageLine* lines[2 * MESSAGE_LINE_COUNT];
  const int count = LinesByAge(lines);
  const int at = FindSequence(lines, count, recall.sequence);
  if (at >= 0)
    for (int i = at + 1; i < count; ++i)
      if (lines[i]->text[0]) return TakeRecalled(recall, *lines[i], codePageOut);
  if (recall.buffer && recall.bufferSize > 0) recall.buffer[0] = 0;
  if (codePageOut) *codePageOut = recall.entryCodePage;
  recall.sequence = -1;
  return -1;
}

void PrintStatusLine(const char* text) {
  char plain[MESSAGE_TEXT_SIZE + 1];
  StripCodes(plain, text, sizeof plain, 0);
  std::printf("%s\n", plain);
}
