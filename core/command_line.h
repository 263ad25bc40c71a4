// command_line.h - the command line, command files and requests to a running instance.
#pragma once
#include <cstdint>

extern int UrlRequestActive;     // the command line came from a "ZKT://" request
extern char StartupErrorText[256];
extern int CommandLineVrChoice;  // 0 as configured, 1 VR off, 2 VR on  // the text of a command-line error (RunMode 0)

// Returns 1 when another instance of the program is running in this working folder.
int FindRunningInstance();
// Hands a request to the running instance or copies a handed file; 1 when the request was
// dealt with and this instance must end now.
int HandleUrlRequest(int runningInstance, const char* commandLine);
// Parses a non-empty command line; sets RunMode, GraphicsEnabled and the options.
void ParseCommandLine(const char* commandLine);
// A request that a second instance handed to this one; returns the reply code.
int HandleInstanceRequest(uint64_t code, int64_t word);
