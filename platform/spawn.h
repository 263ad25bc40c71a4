// spawn.h - starting other programs, and opening web addresses.
#pragma once

// Starts program with the arguments of argumentText (split at blanks; a double-quoted part
// is one argument, its quotes dropped).  The program is looked up on PATH unless it holds
// a '/'.  wait 0 returns once started; wait 1 returns when it has ended.
// 0 on success, else the errno value of the failure (ENOENT: no such program).
int SpawnProgram(const char* program, const char* argumentText, int wait);
// Opens an address in the user's web browser without waiting.  0 or the errno value.
int OpenWebAddress(const char* address);

// ---- Test switch ----
// allowed 0 turns starting programs and opening addresses off (the fuzz targets of command
// lines): both then fail with EPERM.  On by default.
void SpawnSetAllowed(int allowed);
