// main.cpp - the program's entry: joins the arguments into one command line.
//
// Test switches stand in the environment until the command line can ask for the same:
// ZKT_NO_GRAPHICS=1 runs without window or device, ZKT_EXIT_AFTER_PASSES=N ends the
// program after N passes of the frame loop, ZKT_REPORT_FIRST_FRAME=1 writes "first frame"
// to standard output when the first frame has been presented and drawn, ZKT_DRIVE=PATH takes
// commands and clicks from the named pipe PATH while the program runs (app/drive_file.h).  The
// developer's switches: ZKT_PROFILER=1 draws the frame profiler's table over every frame,
// ZKT_STARTUP_TRACE=1 writes each start-up step's milliseconds to the log, ZKT_PASS_TRACE=1 each
// pass's frame time and its parts to standard output.
#include <cstdlib>
#include <string>

#include "app/app.h"
#include "app/drive_file.h"
#include "ui/profiler_display.h"

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  if (const char* noGraphics = std::getenv("ZKT_NO_GRAPHICS")) AppForceNoGraphics(std::atoi(noGraphics) != 0);
  if (const char* passes = std::getenv("ZKT_EXIT_AFTER_PASSES"))
    AppSetPassLimit(static_cast<uint32_t>(std::strtoul(passes, nullptr, 10)));
  if (const char* report = std::getenv("ZKT_REPORT_FIRST_FRAME")) AppReportFirstFrame(std::atoi(report) != 0);
  if (const char* profiler = std::getenv("ZKT_PROFILER")) ProfilerDisplayOn = std::atoi(profiler) != 0;
  if (const char* trace = std::getenv("ZKT_STARTUP_TRACE")) AppTraceStartup(std::atoi(trace) != 0);
  if (const char* trace = std::getenv("ZKT_PASS_TRACE")) AppTracePasses(std::atoi(trace) != 0);
  if (const char* drive = std::getenv("ZKT_DRIVE"))
    if (!OpenDriveFile(drive)) return 1;
  return WinMain(commandLine.c_str());
}
