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
constexpr size_t LOG_PREFIX_LENGTH = 16;  // "Dec 06 14:03:59 "

// A clock field (0 to 99) as two digits.
void TwoDigits(char* out, int value) {
  const unsigned v = unsigned(value) % 100u;
  out[0] = char('0' + v / 10);
  out[1] = char('0' + v % 10);
}
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
  // The line is built in one buffer, by hand: a refusal that is logged costs its write and
  // little else.
  char line[LOG_PREFIX_LENGTH + LOG_TEXT_MAX + 2];
  WallTime now;
  ClockWallTime(now, true);
  const int month = (now.month >= 1 && now.month <= 12) ? now.month - 1 : 0;
  std::memcpy(line, kMonthNames[month], 3);
  line[3] = ' ';
  TwoDigits(line + 4, now.day);
  line[6] = ' ';
  TwoDigits(line + 7, now.hour);
  line[9] = ':';
  TwoDigits(line + 10, now.minute);
  line[12] = ':';
  TwoDigits(line + 13, now.second);
  line[15] = ' ';
  char* body = line + LOG_PREFIX_LENGTH;
  if (!text) text = "";
  size_t length;
  if (LogStripCodes) {
    LogStripCodes(body, text, LOG_TEXT_MAX + 1, 0);
    length = std::strlen(body);
  } else {
    length = strnlen(text, LOG_TEXT_MAX);
    std::memcpy(body, text, length);
  }
  body[length] = '\n';
  std::lock_guard<std::mutex> lock(g_logLock);
  g_logFile.Append(CurrentLogPath(), line, LOG_PREFIX_LENGTH + length + 1);
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
