// messages.h - the message lines: every report to the user outside message boxes.
//
// Sections: [Records] [Connections] [Adding] [Wrappers] [Removing and expiry] [Recall]
//           [Status output]
// (The history button, AddMessageHistoryButton, is a widget of the interface: ui/widgets.h.)
//
// A line is a coded text in a colour, shown at the top of the screen until 6000 ms after it
// was first drawn and then moved to the history (the last 20 lines).  Targets: -1 the local
// user, -2 the local user without a report to the control link, -3 a debug line, 0 and above
// the index of a connection whose player wrote it.  Main thread only.
#pragma once
#include <cstdint>

#include "core/report.h"
#include "text/text_colours.h"

struct Prss;

// ---- [Records] ----
constexpr int MESSAGE_LINE_COUNT = 20;     // shown lines, and lines of history
constexpr int MESSAGE_TEXT_SIZE = 128;     // 127 characters and a zero
constexpr int MESSAGE_TEXT_MAX = MESSAGE_TEXT_SIZE - 1;
constexpr uint32_t MESSAGE_SHOWN_MS = 6000;
constexpr uint8_t MESSAGE_FLAG_PEER = 1;   // from a control-link connection, or target -2

constexpr int MSG_TARGET_LOCAL = REPORT_TARGET_LOCAL;  // the report seam's targets (core/report.h)
constexpr int MSG_TARGET_LOCAL_QUIET = REPORT_TARGET_LOCAL_QUIET;
constexpr int MSG_TARGET_DEBUG = REPORT_TARGET_DEBUG;

struct MessageLine {
  uint8_t flags;         // MESSAGE_FLAG_PEER
  uint8_t sequence;      // low byte of MessageSequence when added (the recall's key)
  uint8_t prefixLength;  // bytes of the sender prefix at the start of text (0 for local lines)
  uint8_t codePage;      // the page the text starts in
  uint32_t shownSinceMs; // clock when first checked for expiry; 0 until then
  char text[MESSAGE_TEXT_SIZE];  // coded text; empty marks a free line
  ColourWord colour;
};
static_assert(sizeof(MessageLine) == 140, "a message line is 140 bytes");

extern MessageLine MessageLines[MESSAGE_LINE_COUNT];    // shown, oldest first, no gaps
extern MessageLine MessageHistory[MESSAGE_LINE_COUNT];  // oldest first
extern int MessageLineCount;                            // shown lines in use
extern uint32_t MessageSequence;
// 0 every line is added; 1 only lines with a negative target; 2 none.
extern int MessageLevel;
extern int ShowMessageHistory;   // the history is drawn under the shown lines
extern int DebugMessagesOn;      // the debug-messages setting: debug lines (target -3) are shown
extern int InterfaceRedraw;      // a line changed: the next frame is drawn
// Set while a frame is drawn that shows something changing with the clock (a message line
// that will expire, a text cursor): the blink tick then draws again.  The frame loop clears
// it at the start of each drawn frame.
extern int FrameChangesWithTime;

// ---- [Connections] ----
// What the lines need of a connection.  STAND-IN until the network exists: the hooks are
// null (no connection, no control link) unless a test sets them.
struct MessageSender {
  const char* playerName;  // coded, as the player typed it
  int32_t connectionId;
  int32_t humanPlayerId;   // 0 when the connection has no human player
  uint8_t controlLink;     // the connection is a control-link client
};
// Fills sender for a connection index; 0 when there is no such connection.
extern int (*MessageConnectionLookup)(int connection, MessageSender* sender);
// Set while the control link is active: every line not added with target -2 is reported.
// userType 0 local, 1 a player's line, 2 a control-link client's line.
extern void (*MessageControlLinkReport)(int32_t connectionId, int32_t playerId, int userType, int textStart,
                                        const char* text);

// The name of the second local player; null or empty when there is none.  STAND-IN until a
// second player exists: null offline.
extern const char* (*MessageSecondPlayerName)();

// ---- [Adding] ----
// Adds a line by the rules above.  A text longer than a record is cut at 127 bytes where no
// caret code or double-byte character is split.  A debug line (target -3) is shown only while
// DebugMessagesOn; otherwise it is written to the log alone.  1 when the line was written to
// the log (a debug line, or any line while a log is named), 0 when not.
int AddMessage(const char* text, ColourWord colour, int target);

// ---- [Wrappers] ----
// Each adds with target -1; the formatting ones cut their text to 127 characters.
void ShowMessage(const char* text, ColourWord colour);
void ShowFailedMessage(const char* name);                    // "%s failed", error colour
void ShowFailedMessage2(const char* name, const char* detail);  // "%s : %s failed", error colour
void ShowTwoPartMessage(const char* first, const char* second, ColourWord colour);  // "%s %s"
// "%s %s" when the label ends with ':', else the language's "%s : %s".
void ShowLabelledMessage(const char* label, const char* text, ColourWord colour);
void ShowMessagef1(const char* format, int argument, ColourWord colour);
void ShowMessageFloat(const char* format, ColourWord colour, float value);
void ShowMessagef(const char* format, ...) __attribute__((format(printf, 1, 2)));  // default grey
void ShowColouredMessagef(ColourWord colour, const char* format, ...) __attribute__((format(printf, 2, 3)));
void ShowMessageWithSound(const char* text);  // default grey, then interface sound 2
void ShowPlayerMessage(const char* text);     // "<player> : ^L<text>", error colour
// The same with the second player's name.  Without a second player (the offline editor has
// none) the line is "^L<text>" alone: no other player's name is put in its place.
void ShowPlayerMessage2(const char* text);
// "LoadLibrary : <the system's text of the last error>", error colour.  Call it straight after
// the failed call, before anything else can change the error.
void ShowLastErrorMessage();
// Only while DebugMessagesOn: target -3, never reported to the control link.
void ShowDebugMessage(const char* text, ColourWord colour);
void ShowDebugMessagef(const char* format, int argument, ColourWord colour);
void ShowAliveSentMessage();

// ---- [Removing and expiry] ----
// Moves shown line index into the history (its oldest line is dropped).
void RemoveMessage(int index);
void ClearMessages();  // every shown line into the history, oldest first
// Gives each newly drawn line the time nowMs and removes lines shown for more than 6000 ms.
// Run once per drawn frame.
void ExpireMessages(uint32_t nowMs);
// The lines already drawn whose time is up leave before a frame is laid out, without asking
// for another frame: the frame being prepared is the one that shows them gone.  1 when a
// line left.
int DropExpiredMessages(uint32_t nowMs);
const char* GetNewestMessageText();  // null when no line is shown
void ToggleMessageHistory();
// Empties both lists and resets the counters and settings to their start values.
void ResetMessages();

// ---- [Recall] ----
// The text entry line's side of the recall: the sequence last recalled (-1 none), its buffer,
// the buffer's size and the entry line's own code page.
struct MessageRecall {
  int sequence;
  char* buffer;
  int bufferSize;
  int entryCodePage;
};
// Steps to the next older line with a text: its text after the prefix goes into the buffer
// and its code page to codePageOut; returns its sequence (also kept in recall).  With no
// older line the sequence stays and the buffer is kept; with no line at all, -1.
int RecallOlderMessage(MessageRecall& recall, int* codePageOut);
// Steps to the next newer line; past the newest the buffer is emptied, codePageOut gets the
// entry's code page and -1 is returned.  Nothing happens while nothing is recalled.
int RecallNewerMessage(MessageRecall& recall, int* codePageOut);

// ---- [Status output] ----
// Without graphics every local line is also printed as a status line.
extern int MessagesToStdout;
// Prints a line to standard output without its colour codes: the status line without graphics.
void PrintStatusLine(const char* text);
