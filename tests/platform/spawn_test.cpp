// spawn_test.cpp - a watched child process: its output collected without blocking, its exit
// status, a folder of its own, a program that is missing, and one killed while it runs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/clock.h"
#include "platform/spawn.h"
#include "tests/platform/open_descriptors.h"

namespace {

// Polls until the child ends (at most 10 s); the number of polls that found it running.
int WaitForEnd(ChildProcess& child) {
  int running = 0;
  for (uint32_t start = ClockNowMs(); !ChildPoll(child) && ClockNowMs() - start < 10000; ++running) ClockSleepMs(1);
  return running;
}

void WriteScript(const char* path, const char* text) {
  std::ofstream(path) << text;
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

}  // namespace

TEST(WatchedChild, OutputExitCodeAndFolder) {
  std::filesystem::create_directories("child/inner");
  WriteScript("child/tool.sh", "#!/bin/sh\necho \"in $(basename \"$PWD\")\"\necho oops >&2\nexit 3\n");
  ChildProcess child;
  const char* argv[] = {"tool", nullptr};
  ASSERT_EQ(ChildStart(child, "child/tool.sh", argv, "child/inner"), 0);
  EXPECT_NE(child.pid, 0);
  WaitForEnd(child);
  EXPECT_EQ(child.pid, 0);
  EXPECT_EQ(child.exitCode, 3);
  EXPECT_EQ(child.output, "in inner\noops\n") << "standard output and error, run in its folder";
  EXPECT_EQ(ChildPoll(child), 1) << "an ended child stays ended";
}

TEST(WatchedChild, MissingProgramsAndAKillAtTheLimit) {
  ChildProcess child;
  const char* argv[] = {"none", nullptr};
  EXPECT_EQ(ChildStart(child, "child/none", argv, nullptr), ENOENT);
  EXPECT_EQ(child.pid, 0);
  EXPECT_EQ(ChildStart(child, "", argv, nullptr), ENOENT);

  std::filesystem::create_directories("child");
  WriteScript("child/slow.sh", "#!/bin/sh\necho started\nexec sleep 30\n");
  ASSERT_EQ(ChildStart(child, "child/slow.sh", argv, nullptr), 0);
  const uint32_t start = ClockNowMs();
  while (child.output.empty() && ClockNowMs() - start < 5000) {
    ASSERT_EQ(ChildPoll(child), 0) << "still running";
    ClockSleepMs(1);
  }
  EXPECT_EQ(child.output, "started\n") << "read while it runs, without blocking";
  ChildKill(child);
  EXPECT_EQ(child.pid, 0);
  EXPECT_EQ(child.exitCode, 128 + SIGKILL);
}

TEST(WatchedChild, OutputIsCutAtItsLimit) {
  std::filesystem::create_directories("child");
  // 70000 bytes printed; 65536 kept.
  WriteScript("child/loud.sh", "#!/bin/sh\nhead -c 70000 /dev/zero | tr '\\0' a\n");
  ChildProcess child;
  const char* argv[] = {"loud", nullptr};
  ASSERT_EQ(ChildStart(child, "child/loud.sh", argv, nullptr), 0);
  WaitForEnd(child);
  EXPECT_EQ(child.exitCode, 0);
  EXPECT_EQ(child.output.size(), size_t(65536));
  EXPECT_EQ(child.output.find_first_not_of('a'), std::string::npos);
}

TEST(StartedPrograms, ArgumentsSplitAtBlanksAndQuotesAndSuccessIsZero) {
  std::filesystem::create_directories("child");
  std::filesystem::remove("child/args.txt");
  WriteScript("child/args.sh", "#!/bin/sh\nfor a in \"$@\"; do echo \"[$a]\"; done > child/args.txt\n");
  EXPECT_EQ(SpawnProgram("child/args.sh", "  one \"two three\"\tfour ", 1), 0);
  std::ifstream in("child/args.txt");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "[one]\n[two three]\n[four]\n") << "waited for: the file is complete";
  EXPECT_EQ(SpawnProgram("child/no_such_program", "", 1), ENOENT);
  EXPECT_EQ(SpawnProgram("", "", 1), ENOENT);

  // Switched off, nothing starts.
  SpawnSetAllowed(0);
  EXPECT_EQ(SpawnProgram("child/args.sh", "x", 1), EPERM);
  ChildProcess child;
  const char* argv[] = {"args", nullptr};
  EXPECT_EQ(ChildStart(child, "child/args.sh", argv, nullptr), EPERM);
  EXPECT_EQ(child.pid, 0);
  SpawnSetAllowed(1);
}

TEST(WatchedChild, APollNeverWaitsForTheChildsNextOutput) {
  // The child prints, then waits for a file that the test makes only after its polls: a
  // poll that waited for more output would never come back.
  std::filesystem::create_directories("child");
  std::filesystem::remove("child/go");
  WriteScript("child/waits.sh", "#!/bin/sh\necho started\nwhile [ ! -e child/go ]; do sleep 0.01; done\necho done\n");
  // A few files open first, as in the program, so the pipe does not get the lowest numbers.
  std::ifstream open1("child/waits.sh"), open2("child/waits.sh"), open3("child/waits.sh");
  ChildProcess child;
  const char* argv[] = {"waits", nullptr};
  ASSERT_EQ(ChildStart(child, "child/waits.sh", argv, nullptr), 0);
  const uint32_t start = ClockNowMs();
  while (child.output.empty() && ClockNowMs() - start < 5000) {
    ASSERT_EQ(ChildPoll(child), 0);
    ClockSleepMs(1);
  }
  EXPECT_EQ(child.output, "started\n");
  EXPECT_EQ(ChildPoll(child), 0) << "still running";
  std::ofstream("child/go") << "go";
  WaitForEnd(child);
  EXPECT_EQ(child.exitCode, 0);
  EXPECT_EQ(child.output, "started\ndone\n");
}

// A program started with its standard input closed gets descriptor 0 for the read end of a
// child's output pipe: the output is still read, and the descriptor closed once the child
// has ended.  In a forked process, so the test binary's own descriptor 0 is never touched.
TEST(WatchedChild, AnOutputPipeOnDescriptorZeroIsReadAndClosed) {
  std::filesystem::create_directories("child");
  // A background sleep keeps the pipe open after the child ends: only the reaping closes it.
  WriteScript("child/zero.sh", "#!/bin/sh\necho through zero\nsleep 1 &\n");
  const pid_t process = fork();
  if (process == 0) {
    ::close(0);
    ChildProcess child;
    const char* argv[] = {"zero", nullptr};
    if (ChildStart(child, "child/zero.sh", argv, nullptr) != 0) _exit(1);
    if (child.outputFd != 0) _exit(2);
    WaitForEnd(child);
    if (child.output != "through zero\n") _exit(3);
    if (fcntl(0, F_GETFD) != -1 || errno != EBADF) _exit(4);
    _exit(0);
  }
  int status = -1;
  ASSERT_EQ(waitpid(process, &status, 0), process);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1 not started, 2 not on descriptor 0, 3 output not read, 4 left open";
}

// A watched child leaves no descriptor open once it has ended, whether its output ended
// before the poll that reaped it or the kill ended it.
TEST(WatchedChild, AnEndedChildLeavesNoDescriptorOpen) {
  std::filesystem::create_directories("child");
  WriteScript("child/short.sh", "#!/bin/sh\necho short\n");
  WriteScript("child/long.sh", "#!/bin/sh\necho long\nexec sleep 30\n");
  const char* argv[] = {"child", nullptr};
  const int before = OpenDescriptors();
  for (int i = 0; i < 3; ++i) {
    ChildProcess child;
    ASSERT_EQ(ChildStart(child, "child/short.sh", argv, nullptr), 0);
    WaitForEnd(child);
    EXPECT_EQ(child.output, "short\n");
    EXPECT_EQ(child.outputFd, -1);
  }
  ChildProcess child;
  ASSERT_EQ(ChildStart(child, "child/long.sh", argv, nullptr), 0);
  ChildKill(child);
  EXPECT_EQ(child.outputFd, -1);
  // A start the system refuses (its work folder is missing) closes its pipe too.
  ChildProcess refused;
  EXPECT_NE(ChildStart(refused, "child/short.sh", argv, "child/no_such_folder"), 0);
  EXPECT_EQ(refused.pid, 0);
  EXPECT_EQ(OpenDescriptors(), before);
}

// A program started without waiting is reaped by a later start once it has ended: it does not
// stay behind as an ended child of ours (a zombie).  The later start may even be refused.
TEST(StartedPrograms, AProgramNotWaitedForIsReapedByALaterStart) {
  std::filesystem::create_directories("child");
  std::filesystem::remove("child/pid.txt");
  WriteScript("child/pid.sh", "#!/bin/sh\necho $$ > child/pid.tmp\nmv child/pid.tmp child/pid.txt\n");
  ASSERT_EQ(SpawnProgram("child/pid.sh", "", 0), 0);
  std::string pid;
  for (uint32_t start = ClockNowMs(); pid.empty() && ClockNowMs() - start < 10000; ClockSleepMs(1)) {
    std::ifstream in("child/pid.txt");
    std::getline(in, pid);
  }
  ASSERT_FALSE(pid.empty()) << "the program never ran";
  const std::string entry = "/proc/" + pid;
  SpawnSetAllowed(0);
  bool gone = false;
  for (uint32_t start = ClockNowMs(); !gone && ClockNowMs() - start < 10000; ClockSleepMs(1)) {
    EXPECT_EQ(SpawnProgram("child/pid.sh", "", 0), EPERM);  // reaps what has ended, starts nothing
    gone = !std::filesystem::exists(entry);
  }
  SpawnSetAllowed(1);
  EXPECT_TRUE(gone) << "process " << pid << " was never reaped";
  if (!gone) waitpid(std::stoi(pid), nullptr, 0);
}

// A watched child reads nothing from the program's own standard input: its input is empty
// even while the program's has a line waiting.
TEST(WatchedChild, AChildsInputIsEmptyWhateverTheProgramsInputHolds) {
  std::filesystem::create_directories("child");
  WriteScript("child/reads.sh", "#!/bin/sh\nif read line; then echo \"got $line\"; else echo nothing; fi\n");
  int waiting[2];
  ASSERT_EQ(pipe(waiting), 0);
  ASSERT_EQ(write(waiting[1], "typed\n", 6), 6);
  const int savedInput = fcntl(0, F_DUPFD_CLOEXEC, 3);  // -1 when the program has no input
  ASSERT_EQ(dup2(waiting[0], 0), 0);  // the program's input now holds "typed"
  ChildProcess child;
  const char* argv[] = {"reads", nullptr};
  const int started = ChildStart(child, "child/reads.sh", argv, nullptr);
  if (savedInput >= 0) {
    dup2(savedInput, 0);
    close(savedInput);
  } else {
    close(0);
  }
  if (waiting[0] != 0) close(waiting[0]);
  close(waiting[1]);
  ASSERT_EQ(started, 0);
  WaitForEnd(child);
  EXPECT_EQ(child.output, "nothing\n");
}

// A child that something else has already reaped is no longer ours: its poll ends it as a
// failure (exit code 255) and its output is still read and its pipe closed.
TEST(WatchedChild, AChildReapedElsewhereEndsAsAFailureWithItsOutputRead) {
  std::filesystem::create_directories("child");
  WriteScript("child/quick.sh", "#!/bin/sh\necho quick\nexit 0\n");
  ChildProcess child;
  const char* argv[] = {"quick", nullptr};
  ASSERT_EQ(ChildStart(child, "child/quick.sh", argv, nullptr), 0);
  int status = 0;
  ASSERT_EQ(waitpid(child.pid, &status, 0), child.pid);  // reaped behind the watcher's back
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ChildPoll(child), 1);
  EXPECT_EQ(child.pid, 0);
  EXPECT_EQ(child.exitCode, 255);
  EXPECT_EQ(child.output, "quick\n");
  EXPECT_EQ(child.outputFd, -1);
}

// A kill reads what the child printed since the last poll: the child prints, then makes a flag
// file, so once the flag is there its line is waiting in the pipe, and no poll has read it.
TEST(WatchedChild, AKilledChildsUnpolledOutputIsRead) {
  std::filesystem::remove_all("child_said");
  std::filesystem::create_directories("child_said");
  WriteScript("child_said/says.sh", "#!/bin/sh\necho said\n: > child_said/said.flag\nexec sleep 30\n");
  ChildProcess child;
  const char* argv[] = {"says", nullptr};
  ASSERT_EQ(ChildStart(child, "child_said/says.sh", argv, nullptr), 0);
  bool flagged = false;
  for (uint32_t start = ClockNowMs(); !flagged && ClockNowMs() - start < 10000; ClockSleepMs(1))
    flagged = std::filesystem::exists("child_said/said.flag");
  EXPECT_TRUE(flagged) << "the child never got past its line";
  EXPECT_EQ(child.output, "") << "nothing read yet";
  ChildKill(child);
  EXPECT_EQ(child.output, "said\n");
  EXPECT_EQ(child.exitCode, 128 + SIGKILL);
  EXPECT_EQ(child.pid, 0);
  EXPECT_EQ(child.outputFd, -1);
  std::filesystem::remove_all("child_said");
}
