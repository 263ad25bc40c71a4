// report_to_log.cpp - the renderer's tests keep what the renderer reports in the debug log,
// where the message lines of the program go too, and read it back from there.
#include "core/log.h"
#include "core/report.h"

namespace {

void LogReportedLine(const char* text, ReportColour, int) { LogLine(text); }

const int g_installed = [] {
  ReportSink sink{};
  sink.line = LogReportedLine;
  InstallReportSink(sink);
  return 1;
}();

}  // namespace
