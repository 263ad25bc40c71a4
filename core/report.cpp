// report.cpp - reports to the user, handed to the installed sink.
#include "core/report.h"

namespace {
ReportSink g_sink;
}  // namespace

ReportSink InstallReportSink(const ReportSink& sink) {
  const ReportSink previous = g_sink;
  g_sink = sink;
  return previous;
}

void ReportLine(const char* text, ReportColour colour, int target) {
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
