// editor_process.h - a program of the benchmarks run as a process of its own in a scratch copy
// of the working folder: started with switches in its environment, its standard output read
// line by line as it comes, driven through the named pipe of ZKT_DRIVE (app/drive_file.h),
// and killed.  The start-up and first-load benchmarks share it.  ZKT_BENCH_EDITOR=<path> runs
// another build of the editor in place of this build's (an earlier one, to compare).
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace bench {

namespace fs = std::filesystem;

inline std::string EditorProgram() {
  const char* other = std::getenv("ZKT_BENCH_EDITOR");
  return other && other[0] ? other : ZKT_EDITOR;
}

// A fresh copy of the working folder at folder, with a cfg.txt that opens the entry page in a
// 1024 x 768 window.  False when it cannot be made.
inline bool PrepareWorkingFolder(const fs::path& folder) {
  std::error_code error;
  fs::remove_all(folder, error);
  fs::copy(ZKT_WORK_DIR, folder, fs::copy_options::recursive, error);
  if (error) return false;
  for (const char* name : {"cfg.txt", "deb.log", "zkt_instance.sock"}) fs::remove(folder / name, error);
  std::ofstream(folder / "cfg.txt") << "Welcome C 0\nStart Windowed 1\nWindow 0 0 1024 768\n";
  return true;
}

class Process {
 public:
  Process() = default;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  ~Process() { Stop(); }

  // Starts program in folder with the switches before the environment; with a drive pipe
  // (ZKT_DRIVE is set to it) the lines of Drive reach the program.  False when it cannot start.
  bool Start(const fs::path& folder, const std::string& program, const std::vector<std::string>& arguments,
             std::vector<std::string> switches, bool drive = false) {
    int out[2];
    if (pipe(out) != 0) return false;
    if (drive) {
      drivePath_ = folder / "drive.pipe";
      std::error_code error;
      fs::remove(drivePath_, error);
      if (mkfifo(drivePath_.c_str(), 0600) != 0) return false;
      switches.push_back("ZKT_DRIVE=" + drivePath_.string());
    }
    for (char** e = environ; *e; ++e) switches.push_back(*e);
    std::vector<char*> envp, argv;
    for (std::string& e : switches) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string name = program;
    argv.push_back(name.data());
    std::vector<std::string> args = arguments;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const fs::path previous = fs::current_path();
    fs::current_path(folder);
    started_ = std::chrono::steady_clock::now();
    const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    fs::current_path(previous);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
      close(out[0]);
      pid_ = 0;
      return false;
    }
    out_ = out[0];
    // The program opens the pipe for reading without waiting; this end waits for it.
    if (drive) drive_ = open(drivePath_.c_str(), O_WRONLY | O_CLOEXEC);
    return !drive || drive_ >= 0;
  }

  // The next line of standard output (without its end), waiting up to timeoutMs; false at the
  // time limit or the output's end.
  bool ReadLine(std::string& line, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const size_t end = pending_.find('\n');
      if (end != std::string::npos) {
        line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        return true;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      pollfd wait{out_, POLLIN, 0};
      if (left.count() <= 0 || poll(&wait, 1, int(left.count())) <= 0) return false;
      char buffer[4096];
      const ssize_t got = read(out_, buffer, sizeof buffer);
      if (got <= 0) return false;
      pending_.append(buffer, size_t(got));
    }
  }

  // Seconds from the start to now.
  double Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  }

  // Lines for the drive pipe, each ending with a line feed.
  bool Drive(const std::string& lines) {
    return drive_ >= 0 && write(drive_, lines.data(), lines.size()) == ssize_t(lines.size());
  }

  int Pid() const { return pid_; }

  void Stop() {
    if (drive_ >= 0) close(drive_);
    drive_ = -1;
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = 0;
    if (out_ >= 0) close(out_);
    out_ = -1;
    pending_.clear();
  }

 private:
  pid_t pid_ = 0;
  int out_ = -1, drive_ = -1;
  fs::path drivePath_;
  std::string pending_;
  std::chrono::steady_clock::time_point started_;
};

// The machine's load average over 1, 5 and 15 minutes, as /proc/loadavg gives it.
inline std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// The benchmarks' main: runs them, then report() prints the figures the targets are set on,
// and the load average before and after follows.
inline int RunAndReport(int argc, char** argv, void (*report)()) {
  const std::string before = LoadAverage();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  report();
  std::printf("load average (1, 5, 15 min): %s before, %s after\n", before.c_str(), LoadAverage().c_str());
  benchmark::Shutdown();
  return 0;
}

// The value at the fraction (0.5 the median) of the values, between neighbours.
inline double Quantile(std::vector<double> v, double fraction) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const double at = fraction * double(v.size() - 1);
  const size_t below = size_t(at);
  const double above = below + 1 < v.size() ? v[below + 1] : v[below];
  return v[below] + (above - v[below]) * (at - double(below));
}

}  // namespace bench
