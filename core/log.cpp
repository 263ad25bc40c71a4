// log.cpp - the debug log and the error box.
#include "core/log.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <strings.h>

#include "core/frame_globals.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_box.h"

char LogFileName[LOG_NAME_SIZE];
int LoggingEnabled;
int (*LogStripCodes)(char* out, const char* in, int outLength, int inIndex);

namespace {
std::mutex g_logLock;  // worker threads log platform failures too
HeldAppendFile g_logFile;  // under g_logLock
const char* const kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
}  // namespace

const char* CurrentLogPath() { return LogFileName[0] ? LogFileName : "deb.log"; }

void SetLogFileName(const char* name) {
  std::lock_guard<std::mutex> lock(g_logLock);
  std::snprintf(LogFileName, sizeof LogFileName, "%s", name ? name : "");
}

const char* LogFileNameFault(const char* name) {
  if (const char* fault = FileNameFault(name, LOG_NAME_SIZE - 1, true)) return fault;
  const size_t length = std::strlen(name);
  if (length <= 4 || strcasecmp(name + length - 4, ".log") != 0) return "is not a name ending in \".log\"";
  return FileIsFolder(name) ? "is a folder" : nullptr;
}

void RestartLog(const char* firstLine, bool keepExisting) {
  {
    std::lock_guard<std::mutex> lock(g_logLock);
    g_logFile.Close();
    if (!keepExisting) FileRemove(CurrentLogPath());
  }
  LogLine(firstLine);
}

void LogLine(const char* text) {
  char stripped[LOG_TEXT_MAX + 1];
  if (LogStripCodes)
    LogStripCodes(stripped, text ? text : "", sizeof stripped, 0);
  else
    std::snprintf(stripped, sizeof stripped, "%s", text ? text : "");
  WallTime now;
  ClockWallTime(now, true);
  const int month = (now.month >= 1 && now.month <= 12) ? now.month - 1 : 0;

  char line[LOG_TEXT_MAX + 32];
  const int length = std::snprintf(line, sizeof line, "%s %02d %02d:%02d:%02d %s\n", kMonthNames[month], now.day,
                                   now.hour, now.minute, now.second, stripped);
  std::lock_guard<std::mutex> lock(g_logLock);
  g_logFile.Append(CurrentLogPath(), line, size_t(std::min<int>(length, int(sizeof line) - 1)));
}

void LogV(const char* format, va_list args) {
  char buffer[LOG_FORMAT_SIZE];
  std::vsnprintf(buffer, sizeof buffer, format, args);
  LogLine(buffer);
}

void LogF(const char* format, ...) {
  va_list args;
  va_start(args, format);
  LogV(format, args);
  va_end(args);
}

void ErrorBox(const char* text) {
  if (LoggingEnabled) LogLine(text);
  if (GraphicsEnabled)
    ShowPlatformMessageBox(text, nullptr, BOX_ICON_STOP);
  else
    std::fprintf(stderr, "%s\n", text ? text : "");
}
