// report.h - the one way code below the interface reports to the user: message lines,
// message boxes, questions, the status line and interface sounds.
//
// Sections: [Colours and targets] [Sink] [Reports] [Saves] [Held lines] [In-game messages]
// Part of the foundation.  The interface installs its sink at start-up (InstallInterface,
// ui/report_sink.h): a line becomes a message line (text/messages.h) in the palette entry
// of its colour, a box or a question a dialog (ui/dialogs.h), the status line and the
// sounds go where the interface sends them.  Until a sink is installed every report is
// dropped; a test installs a sink of its own and checks what was reported.  Main thread only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Prss;

// ---- [Colours and targets] ----
// The palette entries (text/text_colours.h) a report is shown in, by their role.
enum ReportColour : uint8_t {
  REPORT_MESSAGE = 0,  // TextColours.message: ordinary messages
  REPORT_ERROR = 1,    // TextColours.error
  REPORT_GREY = 2,     // TextColours.grey: the default grey of plain text
  REPORT_LIGHT_BLUE = 3,  // TextColours.lightBlue (160 160 255)
  REPORT_WARNING = 4,  // TextColours.red: the warning colour (pure red)
  REPORT_SUCCESS = 5,  // TextColours.lightGreen (colour code 2): a save or an export that succeeded
};
// The targets of a line: -1 the local user, -2 the local user without a report to the
// control link, -3 a debug line (shown only while the debug messages are on).
constexpr int REPORT_TARGET_LOCAL = -1;
constexpr int REPORT_TARGET_LOCAL_QUIET = -2;
constexpr int REPORT_TARGET_DEBUG = -3;

// A question answered "yes": (owner, firstWord, secondWord).
using QuestionCallback = void (*)(Prss* owner, uint32_t firstWord, uint32_t secondWord);

// ---- [Sink] ----
// Where reports go.  A null member drops that kind of report.
struct ReportSink {
  void (*line)(const char* text, ReportColour colour, int target);
  void (*labelledLine)(const char* label, const char* text, ReportColour colour);
  void (*box)(Prss* owner, const char* first, const char* second);  // second may be null
  int (*question)(Prss* owner, QuestionCallback callback, const char* first, const char* second,
                  uint32_t firstWord, uint32_t secondWord, int mode);
  void (*status)(const char* text);
  void (*sound)(int index);
};
// Puts sink in force and returns the one it replaces (a test puts that back when it ends).
ReportSink InstallReportSink(const ReportSink& sink);

// ---- [Reports] ----
// A message line in a palette colour to a target.
void ReportLine(const char* text, ReportColour colour, int target = REPORT_TARGET_LOCAL);
// "<label> <text>" when the label ends with ':', else the language's "<label> : <text>".
void ReportLabelledLine(const char* label, const char* text, ReportColour colour);
// A message box on owner's page ("<first> <second>" with a second text); a message line when
// there is no owner or it shows a sub-screen.
void ReportBox(Prss* owner, const char* first, const char* second = nullptr);
// A yes/no question on owner's page (mode as AskQuestion's); 1 when it was opened.
int ReportQuestion(Prss* owner, QuestionCallback callback, const char* first, const char* second,
                   uint32_t firstWord, uint32_t secondWord, int mode);
// The status line, shown where the program has no window (standard output).
void ReportStatus(const char* text);
// Interface sound 0..4 (3 the error sound).
void ReportSound(int index);

// ---- [Saves] ----
// A path as the user finds it on disk: separated by '/', each folder and name as the disk
// spells it where it exists (the program's paths match names without regard to case).
std::string PathOnDisk(const char* path);
// The path as a message line names it, a save's or a failed load's: as it is on disk, in the
// Latin page ("^L" before it), its carets doubled so that they show; text after it in the
// default page follows "^8".  A message box takes PathOnDisk.
std::string PathInMessage(const char* path);
// A save that succeeded: the message line "Saved <path>" or "Saved <path> and <second>" in
// light green, each path as it is on disk.
void ReportSaved(const char* path, const char* second = nullptr);
// A file that could not be saved, told wherever the user is with the system's reason for the
// failure (error, an errno value; 0 for none known): the message line "<text> <path> :
// <reason>" in the error colour (the path as it is on disk, in the Latin page, its carets kept
// as they are); a
// box on page as well when one is given and it shows no sub-screen ("<text>" over "<path> :
// <reason>"); and without a window (nothing would show the line) the same words on standard
// error.
void ReportSaveFailure(Prss* page, const char* text, const char* path, int error);

// ---- [Held lines] ----
// Work run on worker threads must not reach the sink, and its lines would come in any order:
// while a thread holds its lines, its ReportLine calls keep them here in the order reported,
// and the main thread sends them where a plain loop would have.  Only lines are held: work
// that reports in any other way stays on the main thread.
struct HeldReportLine {
  std::string text;
  ReportColour colour;
  int target;
};
// This thread's lines go into held from now on (null: to the sink again); returns the list it
// replaces.
std::vector<HeldReportLine>* HoldReportLines(std::vector<HeldReportLine>* held);
// Sends count held lines to the sink (or to this thread's own held list) in their order.
void SendHeldReportLines(const HeldReportLine* lines, size_t count);

// ---- [In-game messages] ----
// The in-game message display of a race screen: while its "active" byte is set, a message
// is shown there (the race display draws the text while its time runs) instead of on the
// message lines.  The race display points active at its byte; without one (the editor) the
// display is inactive.
constexpr int GAME_MESSAGE_SIZE = 128;  // 127 characters and a zero
constexpr uint32_t GAME_MESSAGE_MS = 4000;
constexpr uint32_t GAME_MESSAGE_SHORT_MS = 2000;
struct GameMessageDisplay {
  const uint8_t* active;
  char text[GAME_MESSAGE_SIZE];
  uint32_t timeMs;  // the time left to show the text
};
extern GameMessageDisplay GameMessage;
// The text in the display for 4000 ms, or a message line to the local user in colour.
// A longer text is cut to the display's 127 characters.
void ShowGameMessage(const char* text, ReportColour colour);
// The text in the display for 2000 ms, or a message line in the default grey.
void ShowGameMessageShort(const char* text);
