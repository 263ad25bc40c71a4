// log.h - the debug log ("deb.log") and the error box.
//
// Every line is one write to the file, kept open while its name still names it, so the log
// survives a crash up to its last line.  The log's name goes through the file layer like every other path.  A line is a 16-character date prefix ("Dec 06 14:03:59 ") and the text
// without colour codes, cut to 127 characters.  Lines from several threads never mix.
#pragma once
#include <cstdarg>

constexpr int LOG_NAME_SIZE = 32;     // LogFileName holds at most 31 characters
constexpr int LOG_TEXT_MAX = 127;     // characters of text kept per line
constexpr int LOG_FORMAT_SIZE = 260;  // LogF formats into this many bytes (cut, never overflowed)

extern char LogFileName[LOG_NAME_SIZE];  // empty: the default "deb.log"
extern int LoggingEnabled;

// Drops the colour codes of a line (the text services' StripCodes, text/coded_text.h),
// installed with the text services (InstallTextServices); until then lines are written as
// they are given, cut to LOG_TEXT_MAX characters.
extern int (*LogStripCodes)(char* out, const char* in, int outLength, int inIndex);

const char* CurrentLogPath();         // LogFileName, or "deb.log" when empty
void SetLogFileName(const char* name);  // at most 31 characters are kept
// Null when name may become the log file, else why not (as words after the name, see
// FileNameFault): at most 31 characters, a path inside the working folder ending ".log" (any
// case), naming no folder.  A new log deletes the file it names, so a name from a command
// never reaches another file.
const char* LogFileNameFault(const char* name);

// Starts a new log: deletes the file and writes firstLine.  keepExisting appends instead of
// deleting, for a second instance that must not wipe the running instance's log.
void RestartLog(const char* firstLine, bool keepExisting);

void LogLine(const char* text);
void LogF(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogV(const char* format, va_list args);

// Logs the text (when logging is on) and, with graphics, shows it in a box with the stop icon;
// without graphics it goes to standard error.
void ErrorBox(const char* text);
