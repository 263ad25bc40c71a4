// command_line.cpp - the command line.  Options are not read yet: every start continues.
#include "core/command_line.h"

#include "core/app.h"

int UrlRequestActive;
char StartupErrorText[256];
int CommandLineVrChoice;

int FindRunningInstance() { return 0; }
int HandleUrlRequest(int runningInstance, const char* commandLine) { return 0; }
void ParseCommandLine(const char* commandLine) { RunMode = 1; }
int HandleInstanceRequest(uint64_t code, int64_t word) { return 0; }
