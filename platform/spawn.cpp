// spawn.cpp - programs started with posix_spawn.
#include "platform/spawn.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
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

// ---- Child processes that are watched ----

namespace {

void ReadAvailable(ChildProcess& child) {
  if (child.outputFd < 0) return;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(child.outputFd, buffer, sizeof buffer);
    if (n > 0) {
      const size_t room = CHILD_OUTPUT_MAX - std::min(child.output.size(), CHILD_OUTPUT_MAX);
      child.output.append(buffer, std::min(size_t(n), room));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) {  // every writer has closed: the program has ended or closed its output
      close(child.outputFd);
      child.outputFd = -1;
    }
    return;
  }
}

void Reaped(ChildProcess& child, int status) {
  child.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 255;
  child.pid = 0;
  ReadAvailable(child);
  if (child.outputFd >= 0) {
    close(child.outputFd);
    child.outputFd = -1;
  }
}

}  // namespace

int ChildStart(ChildProcess& child, const char* program, const char* const* argv, const char* workFolder) {
  child = ChildProcess{};
  if (!g_allowed) return EPERM;
  if (!program || !*program) return ENOENT;
  // Only a program that exists and may be run: posix_spawn reports a missing program through
  // the child's exit status on some systems, and a clear errno is wanted here.
  if (access(program, X_OK) != 0) return errno;
  // The program is found before the child changes folder.
  char absolute[PATH_MAX];
  if (!realpath(program, absolute)) return errno;
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return errno;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (workFolder && *workFolder) posix_spawn_file_actions_addchdir_np(&actions, workFolder);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, absolute, &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (error != 0) {
    close(pipeFds[0]);
    return error;
  }
  fcntl(pipeFds[0], F_SETFL, fcntl(pipeFds[0], F_GETFL) | O_NONBLOCK);
  child.pid = pid;
  child.outputFd = pipeFds[0];
  return 0;
}

int ChildPoll(ChildProcess& child) {
  if (child.pid == 0) return 1;
  ReadAvailable(child);
  int status = 0;
  const pid_t done = waitpid(child.pid, &status, WNOHANG);
  if (done == 0) return 0;
  if (done < 0) status = 0xFF00;  // no longer ours: taken as a failure
  Reaped(child, status);
  return 1;
}

void ChildKill(ChildProcess& child) {
  if (child.pid == 0) return;
  kill(child.pid, SIGKILL);
  int status = 0;
  while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
  }
  Reaped(child, status);
}

int CurrentProcessId() { return static_cast<int>(::getpid()); }
