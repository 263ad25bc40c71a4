// layout_check_test.cpp - the layout check: the program taken to every screen state of the
// list (tools/screenshots/screen_states.h) at one screen size, one frame of each drawn with the
// interface's record on, and the record held to the rules (layout_rules.h).  A failure names
// the size, the state and the rows or the text.  Faces of buttons whose dark or light text
// reaches under 4.5:1 are listed, not failed.
//
// The size comes from the test's name (LayoutCheck.At1280x1024); each size is its own ctest
// entry so the three run side by side.  With ZKT_LAYOUT_FINDINGS set, every finding is also
// appended to that file, one a line; with ZKT_LAYOUT_TIMES set, each state's time to reach it
// is printed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "tests/layout/layout_rules.h"
#include "tests/platform/skip_outside_ci.h"
#include "tools/screenshots/screen_states.h"
#include "ui/draw_record.h"

namespace {

class LayoutCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* d = std::getenv("SDL_VIDEODRIVER")) hadDriver_ = true, previousDriver_ = d;
    setenv("SDL_VIDEODRIVER", "offscreen", 1);  // no window manager mixes in its own events
  }
  void TearDown() override {
    StopStatesProgram();
    if (hadDriver_) setenv("SDL_VIDEODRIVER", previousDriver_.c_str(), 1);
    else unsetenv("SDL_VIDEODRIVER");
  }

  void CheckEveryState(int width, int height) {
    const char* work = std::getenv("ZKT_WORK_DIR");
    const std::string workFolder = work ? work : "work";
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::filesystem::path scratch = std::filesystem::absolute("layout_" + size);
    std::ofstream findingsFile;
    if (const char* path = std::getenv("ZKT_LAYOUT_FINDINGS")) findingsFile.open(path, std::ios::app);
    std::string session;
    int failing = 0, reported = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const ScreenState& state : ScreenStates) {
      if (session != state.session) {
        StopStatesProgram();
        session = state.session;
        const std::string failed = StartStatesProgram(workFolder, scratch.string(), width, height,
                                                      session == "first run", 1);
        if (failed == "the program did not start") ZKT_SKIP_OUTSIDE_CI() << "the program did not start: no graphics";
        ASSERT_EQ(failed, "") << state.session;
      }
      const auto stateStart = std::chrono::steady_clock::now();
      const std::string unreached = ReachState(state);
      EXPECT_EQ(unreached, "") << size << " " << state.name << ": not reached";
      DrawRecording = 1;
      DrawStateFrame();
      DrawRecording = 0;
      if (std::getenv("ZKT_LAYOUT_TIMES"))
        std::printf("%s %.2f s\n", state.name.c_str(),
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - stateStart).count());
      for (const LayoutFinding& f : CheckLayout(DrawRecord, DrawRecordScene)) {
        const std::string line = size + " " + state.name + ": " + f.kind + ": " + f.text;
        if (findingsFile) findingsFile << line << "\n";
        if (f.fails) {
          ADD_FAILURE() << line;
          ++failing;
        } else {
          std::printf("reported: %s\n", line.c_str());
          ++reported;
        }
      }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%zu states at %s in %.1f s: %d failing, %d reported\n", ScreenStates.size(), size.c_str(), seconds,
                failing, reported);
  }

 private:
  bool hadDriver_ = false;
  std::string previousDriver_;
};

}  // namespace

TEST(ScreenStateList, HoldsSixtyStatesOrMoreWithNamesOfTheirOwn) {
  EXPECT_GE(ScreenStates.size(), 60u);
  std::set<std::string> names;
  for (const ScreenState& s : ScreenStates) {
    EXPECT_TRUE(names.insert(s.name).second) << "two states are named " << s.name;
    EXPECT_EQ(std::string(s.name).find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_"), std::string::npos)
        << s.name;
  }
}

TEST_F(LayoutCheck, At1024x768) { CheckEveryState(1024, 768); }
TEST_F(LayoutCheck, At1280x1024) { CheckEveryState(1280, 1024); }
TEST_F(LayoutCheck, At1920x1080) { CheckEveryState(1920, 1080); }
