// spawn.h - starting other programs, and opening web addresses.
#pragma once
#include <cstddef>
#include <string>

// Starts program with the arguments of argumentText (split at blanks; a double-quoted part
// is one argument, its quotes dropped).  The program is looked up on PATH unless it holds
// a '/'.  wait 0 returns once started; wait 1 returns when it has ended.
// 0 on success, else the errno value of the failure (ENOENT: no such program).
int SpawnProgram(const char* program, const char* argumentText, int wait);
// Opens an address in the user's web browser without waiting.  0 or the errno value.
int OpenWebAddress(const char* address);
// This program's process number (scratch folders that runs at the same time must not share).
int CurrentProcessId();

// ---- Test switch ----
// allowed 0 turns starting programs and opening addresses off (the fuzz targets of command
// lines): both then fail with EPERM.  On by default.
void SpawnSetAllowed(int allowed);

// ---- Child processes that are watched ----
// A program run with an argument vector (no shell), its standard output and error collected
// through a pipe that is read without blocking.  The caller polls it once a frame and may
// kill it.  Main thread only.
struct ChildProcess {
  int pid = 0;            // 0: none running
  int outputFd = -1;      // the read end of the output pipe
  std::string output;     // everything the program printed so far (cut at CHILD_OUTPUT_MAX)
  int exitCode = -1;      // once ended: the exit status, or 128 + the signal that ended it
};
constexpr size_t CHILD_OUTPUT_MAX = 1 << 16;
// Starts program (a path; no PATH search) with argv (argv[0] the program's name, ending with
// null) in the folder workFolder (null: the current one).  0 on success, else the errno
// value (ENOENT: no such program).
int ChildStart(ChildProcess& child, const char* program, const char* const* argv, const char* workFolder);
// Reads what the program printed and whether it has ended: 1 ended (exitCode set), 0 still
// running.  A child that was never started counts as ended.
int ChildPoll(ChildProcess& child);
// Kills a running program and waits for it; exitCode becomes 128 + SIGKILL.
void ChildKill(ChildProcess& child);
