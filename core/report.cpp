// report.cpp - reports to the user, handed to the installed sink.
#include "core/report.h"

#include <cstdio>
#include <cstring>

#include "core/process.h"
#include "platform/files.h"
#include "platform/system_error.h"
#include "platform/window.h"

namespace {
ReportSink g_sink;
thread_local std::vector<HeldReportLine>* t_heldLines = nullptr;
}  // namespace

ReportSink InstallReportSink(const ReportSink& sink) {
  const ReportSink previous = g_sink;
  g_sink = sink;
  return previous;
}

void ReportLine(const char* text, ReportColour colour, int target) {
  if (t_heldLines) {
    t_heldLines->push_back({text, colour, target});
    return;
  }
  if (g_sink.line) g_sink.line(text, colour, target);
}

void ReportLabelledLine(const char* label, const char* text, ReportColour colour) {
  if (g_sink.labelledLine) g_sink.labelledLine(label, text, colour);
}

void ReportBox(Prss* owner, const char* first, const char* second) {
  if (g_sink.box) g_sink.box(owner, first, second);
}

int ReportQuestion(Prss* owner, QuestionCallback callback, const char* first, const char* second,
                   uint32_t firstWord, uint32_t secondWord, int mode) {
  return g_sink.question ? g_sink.question(owner, callback, first, second, firstWord, secondWord, mode) : 0;
}

void ReportStatus(const char* text) {
  if (g_sink.status) g_sink.status(text);
}

void ReportSound(int index) {
  if (g_sink.sound) g_sink.sound(index);
}

// ---- [Saves] ----

std::string PathOnDisk(const char* path) {
  std::string out;
  ResolvePath(path ? path : "", out);
  return out;
}

namespace {
// A path already as it is on disk, in the Latin page, its carets doubled.
std::string LatinPath(const std::string& onDisk) {
  std::string text = "^L";
  for (const char c : onDisk) text += c == '^' ? std::string("^^") : std::string(1, c);
  return text;
}
}  // namespace

std::string PathInMessage(const char* path) { return LatinPath(PathOnDisk(path)); }

void ReportSaved(const char* path, const char* second) {
  std::string line = "Saved " + PathInMessage(path);
  if (second) line += "^8 and " + PathInMessage(second);
  ReportLine(line.c_str(), REPORT_SUCCESS);
}

void ReportSaveFailure(Prss* page, const char* text, const char* path, int error) {
  const std::string shown = PathOnDisk(path);
  char reason[SYSTEM_ERROR_TEXT_SIZE + 3] = "";
  if (error) {
    std::memcpy(reason, " : ", 4);
    SystemErrorText(error, reason + 3, SYSTEM_ERROR_TEXT_SIZE);
  }
  std::string line = std::string(text) + " " + LatinPath(shown);
  if (error) line += std::string("^8") + reason;
  ReportLine(line.c_str(), REPORT_ERROR);
  const std::string where = shown + reason;
  if (page && !page->sub) ReportBox(page, text, where.c_str());
  if (!PlatformWindowExists()) {
    std::fprintf(stderr, "%s %s\n", text, where.c_str());
    std::fflush(stderr);
  }
}

// ---- [Held lines] ----

std::vector<HeldReportLine>* HoldReportLines(std::vector<HeldReportLine>* held) {
  std::vector<HeldReportLine>* previous = t_heldLines;
  t_heldLines = held;
  return previous;
}

void SendHeldReportLines(const HeldReportLine* lines, size_t count) {
  for (size_t i = 0; i < count; ++i) ReportLine(lines[i].text.c_str(), lines[i].colour, lines[i].target);
}

// ---- [In-game messages] ----

GameMessageDisplay GameMessage;

namespace {
// Shows the text in the display for ms; false when the display is not active.
bool ShowInDisplay(const char* text, uint32_t ms) {
  if (!GameMessage.active || !*GameMessage.active) return false;
  GameMessage.timeMs = ms;
  // Cut to the buffer and terminated: the texts come from peers too.
  std::snprintf(GameMessage.text, sizeof GameMessage.text, "%s", text);
  return true;
}
}  // namespace

void ShowGameMessage(const char* text, ReportColour colour) {
  if (!ShowInDisplay(text, GAME_MESSAGE_MS)) ReportLine(text, colour, REPORT_TARGET_LOCAL);
}

void ShowGameMessageShort(const char* text) {
  if (!ShowInDisplay(text, GAME_MESSAGE_SHORT_MS)) ReportLine(text, REPORT_GREY, REPORT_TARGET_LOCAL);
}
