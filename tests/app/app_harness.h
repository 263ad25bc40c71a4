// app_harness.h - runs the program's start-up, loop passes and shut-down in fake time.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/main_window.h"
#include "core/config.h"
#include "core/log.h"
#include "platform/files.h"
#include "core/process.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "race/race.h"
#include "render/device.h"
#include "tests/source_shaders.h"
#include "text/messages.h"

// Each test runs in a fresh folder of its own with a writable data folder, the fake clock
// at a fixed date, and every module global back at its start value.
class AppHarness : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::filesystem::current_path() / "app" / (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_ / "data" / "abc");
    // The program cannot start without its character set: the tiny generated one will do.
    const char* work = std::getenv("ZKT_WORK_DIR");
    std::filesystem::copy_file(std::filesystem::path(work ? work : "work") / ".." / "testdata" / "zkt_tiny.abc",
                               folder_ / "data" / "abc" / "zkt.abc");
    // Nor without its human models: ours, written by human_gen.
    std::filesystem::create_directories(folder_ / "data" / "hmn");
    std::filesystem::copy_file(std::filesystem::path(work ? work : "work") / "data" / "hmn" / "hmn.hmn",
                               folder_ / "data" / "hmn" / "hmn.hmn");
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
    UseSourceShaders();
    ClockUseFake(100000, WallTime{2026, 12, 6, 14, 3, 59, 250, 0});
    boxes_.clear();
    SetMessageBoxHandler(RecordBox);  // never a real modal box in a test
    ClearWindowMessages();
    AppResetState();
    ResetMessages();  // an earlier test's lines (its shut-down's reports) are not this one's
    ConfigRead = 0;
    WriteConfigFile("");
    GameState = 0;
    ShiftHeld = CtrlHeld = AltHeld = 0;
    MouseInWindow = 0;  // the pointer is outside until the window says otherwise
    LogFileName[0] = 0;
    InjectPresentStatus(0, 0);
    InjectPreInitFailures(0);
    InjectInitFailures(0);
  }

  void TearDown() override {
    EndSaveJournal();  // a test that starts without shutting down leaves no journal to the next
    AppForceNoGraphics(0);
    ClockUseReal();
    SetMessageBoxHandler(nullptr);
    std::filesystem::current_path(previous_);
  }

  // Start-up reads its settings from cfg.txt, defaults first: a test sets them there.
  void WriteConfigFile(const std::string& settings) const {
    std::ofstream(folder_ / "cfg.txt") << "Welcome C 0\nRender HDR 0\n" << settings;
  }

  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    std::ifstream in(folder_ / "deb.log");
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // The log's lines without their 16-character date prefix.
  std::vector<std::string> LogTexts() const {
    std::vector<std::string> texts;
    for (const std::string& line : LogLines()) texts.push_back(line.size() >= 16 ? line.substr(16) : line);
    return texts;
  }

  bool LogHas(const std::string& text) const {
    for (const std::string& t : LogTexts())
      if (t.find(text) != std::string::npos) return true;
    return false;
  }

  // Puts a process on top in place of the entry page, closing the old top properly.
  static void ReplaceTop(Prss* next) {
    if (Prss* old = AppTopProcess()) {
      old->terminate(old);
      old->act(old);
    }
    AppSetTopProcess(next);
  }

  void RunPasses(int count) {
    for (int i = 0; i < count && !QuitFlag; ++i) AppRunPass();
  }

  static void RecordBox(const char* text, const char* caption, MessageBoxIcon icon) {
    boxes_.push_back(std::string(caption) + "|" + text);
  }
  static inline std::vector<std::string> boxes_;

  std::filesystem::path folder_;
  std::filesystem::path previous_;
};

// A process for tests: counts its act calls and keys, and can ask to stop redrawing.
struct ProbeProcess {
  Prss prss;
  int acts = 0;
  int keys = 0;
  int lastKey = 0;
  bool clearRedraw = false;   // like the screens that draw only on demand
  int moveForActs = 0;        // this many more acts show something still moving (KeepDrawing)
  uint32_t alarmAt = 0;       // until this clock reading, each act asks to be drawn then (RedrawAtMs)
  bool changesWithTime = false;  // shows something the blink tick changes (a text cursor)
  uint32_t lastActMs = 0;     // the clock at its last act
  int closeAfterActs = 0;     // returns null from this act on (0: never)
  bool* freed = nullptr;
};

inline Prss* ProbeAct(Prss* process) {
  ProbeProcess* probe = reinterpret_cast<ProbeProcess*>(process);
  if (ExitRequested && !process->sub) process->terminate(process);
  if (!process->alive) {
    if (probe->freed) *probe->freed = true;
    delete probe;
    return nullptr;
  }
  ++probe->acts;
  probe->lastActMs = ClockNowMs();
  Prss_ActSub(process);
  if (probe->clearRedraw) RedrawRequested = 0;
  if (probe->moveForActs > 0) {
    --probe->moveForActs;
    KeepDrawing = 1;
  }
  if (probe->alarmAt && static_cast<int32_t>(ClockNowMs() - probe->alarmAt) < 0) RedrawAtMs(probe->alarmAt);
  if (probe->changesWithTime) FrameChangesWithTime = 1;
  if (probe->closeAfterActs && probe->acts >= probe->closeAfterActs) process->terminate(process);
  return process;
}

inline void ProbeKey(Prss* process, int key) {
  ProbeProcess* probe = reinterpret_cast<ProbeProcess*>(process);
  ++probe->keys;
  probe->lastKey = key;
}

inline ProbeProcess* OpenProbe(Prss* parent, const char* background = nullptr) {
  ProbeProcess* probe = Prss_New<ProbeProcess>();
  Prss_Init(&probe->prss, parent, ProbeAct, ProbeKey, nullptr, nullptr, background);
  Prss_MakeCurrent(&probe->prss);
  return probe;
}
