// spawn.cpp - programs started with posix_spawn.
#include "platform/spawn.h"

#include <cerrno>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

std::vector<pid_t> g_unwaited;  // started without waiting: reaped once they have ended
bool g_allowed = true;

void ReapEnded() {
  std::erase_if(g_unwaited, [](pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) != 0;  // ended, or no longer ours
  });
}

std::vector<std::string> SplitArguments(const char* text) {
  std::vector<std::string> out;
  const char* p = text ? text : "";
  for (;;) {
    while (*p == ' ' || *p == '\t') ++p;
    if (!*p) return out;
    std::string argument;
    bool quoted = false;
    for (; *p && (quoted || (*p != ' ' && *p != '\t')); ++p) {
      if (*p == '"') quoted = !quoted;
      else argument += *p;
    }
    out.push_back(argument);
  }
}

}  // namespace

int SpawnProgram(const char* program, const char* argumentText, int wait) {
  ReapEnded();
  if (!g_allowed) return EPERM;
  if (!program || !*program) return ENOENT;
  std::vector<std::string> arguments = SplitArguments(argumentText);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program));
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int error = posix_spawnp(&pid, program, nullptr, nullptr, argv.data(), environ);
  if (error != 0) return error;
  if (wait) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
      if (errno != EINTR) return errno;
  }
  else
    g_unwaited.push_back(pid);
  return 0;
}

int OpenWebAddress(const char* address) { return SpawnProgram("xdg-open", address, 0); }

void SpawnSetAllowed(int allowed) { g_allowed = allowed != 0; }
