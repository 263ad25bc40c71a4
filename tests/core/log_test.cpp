// log_test.cpp - the debug log and the error box.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/frame_globals.h"
#include "core/log.h"
#include "platform/clock.h"
#include "platform/message_box.h"

namespace {

std::vector<std::string> ReadLines(const char* path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> g_boxes;
void RecordBox(const char* text, const char* caption, MessageBoxIcon icon) {
  g_boxes.push_back(std::string(caption) + "|" + text + "|" + std::to_string(icon));
}

class Log : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories("log");
    SetLogFileName("log/test.log");
    std::remove("log/test.log");
    ClockUseFake(0, WallTime{2026, 12, 6, 9, 5, 7, 0, 0});
    LoggingEnabled = 1;
  }
  void TearDown() override {
    SetLogFileName("");
    ClockUseReal();
    SetMessageBoxHandler(nullptr);
    GraphicsEnabled = 1;
  }
};

}  // namespace

TEST_F(Log, LinesCarryTheSixteenCharacterDatePrefixAndStayInOrder) {
  LogLine("first");
  LogLine("second");
  ClockAdvanceFake(1000);
  LogF("value %d", 42);
  const auto lines = ReadLines("log/test.log");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Dec 06 09:05:07 first");
  EXPECT_EQ(lines[1], "Dec 06 09:05:07 second");
  EXPECT_EQ(lines[2], "Dec 06 09:05:08 value 42");
}

namespace {
// Drops every caret and the byte after it, as a stand-in for the text services' stripping.
int DropCarets(char* out, const char* in, int outLength, int) {
  int n = 0;
  for (int i = 0; in[i] && n < outLength - 1; ++i)
    if (in[i] == '^' && in[i + 1])
      ++i;
    else
      out[n++] = in[i];
  out[n] = 0;
  return n;
}
}  // namespace

TEST_F(Log, LinesGoThroughTheInstalledStripperAndLongTextsAreCutAt127) {
  LogStripCodes = nullptr;  // without the text services: written as given
  LogLine("^3green");
  LogStripCodes = DropCarets;
  LogLine("^3green ^7white");
  const std::string longText(400, 'x');
  LogLine(longText.c_str());
  LogF("%s", std::string(1000, 'y').c_str());  // longer than the format buffer: cut, not overflowed
  LogStripCodes = nullptr;
  LogLine(longText.c_str());
  const auto lines = ReadLines("log/test.log");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0].substr(16), "^3green");
  EXPECT_EQ(lines[1].substr(16), "green white");
  EXPECT_EQ(lines[2].size(), 16u + LOG_TEXT_MAX);
  EXPECT_EQ(lines[3].size(), 16u + LOG_TEXT_MAX);
  EXPECT_EQ(lines[4].size(), 16u + LOG_TEXT_MAX);
}

TEST_F(Log, ALogDeletedWhileRunningIsMadeAgainByTheNextLine) {
  LogLine("before");
  std::remove("log/test.log");
  LogLine("after");
  const auto lines = ReadLines("log/test.log");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(16), "after");
}

TEST_F(Log, RestartingKeepsAnotherInstancesLogWhenAsked) {
  LogLine("running instance");
  RestartLog("second start", true);
  EXPECT_EQ(ReadLines("log/test.log").size(), 2u);
  RestartLog("fresh start", false);
  const auto lines = ReadLines("log/test.log");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(16), "fresh start");
}

TEST_F(Log, LinesFromManyThreadsNeverMix) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) LogF("thread %d line %03d %s", t, i, "abcdefghijklmnopqrstuvwxyz");
    });
  for (auto& thread : threads) thread.join();
  const auto lines = ReadLines("log/test.log");
  ASSERT_EQ(lines.size(), 1600u);
  for (const std::string& line : lines) {
    EXPECT_EQ(line.size(), 16u + 44u) << line;
    EXPECT_EQ(line.substr(line.size() - 26), "abcdefghijklmnopqrstuvwxyz");
  }
}

TEST_F(Log, TheErrorBoxLogsAndShowsOnlyWithGraphics) {
  g_boxes.clear();
  SetMessageBoxHandler(RecordBox);
  GraphicsEnabled = 0;
  ErrorBox("no box");
  EXPECT_TRUE(g_boxes.empty());
  GraphicsEnabled = 1;
  ErrorBox("with box");
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "Error|with box|" + std::to_string(BOX_ICON_STOP));
  LoggingEnabled = 0;
  ErrorBox("not logged");
  const auto lines = ReadLines("log/test.log");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].substr(16), "with box");
}

TEST_F(Log, TheLogNameKeepsAtMost31Characters) {
  SetLogFileName("log/a-very-long-log-file-name-that-goes-on.log");
  EXPECT_EQ(std::string(CurrentLogPath()).size(), 31u);
  SetLogFileName("");
  EXPECT_STREQ(CurrentLogPath(), "deb.log");
}

TEST(LogName, ANameFromOutsideIsALogFileOfFiveTo31CharactersInsideTheWorkingFolder) {
  std::filesystem::create_directories("log_names/dir.log");
  const std::string longest = std::string(27, 'n') + ".log";  // 31 characters
  const std::pair<std::string, const char*> names[] = {
      {"a.log", nullptr},  // five characters: the shortest
      {"B.LOG", nullptr},  // the ending in any case
      {longest, nullptr},
      {"log_names/new.log", nullptr},
      {".log", "begins with \".\""},
      {"a.txt", "is not a name ending in \".log\""},
      {"n" + longest, "is longer than 31 characters"},
      {"../a.log", "leads out of the working folder"},
      {"/tmp/a.log", "is not inside the working folder"},
      {"log_names/dir.log", "is a folder"},
      {"\xff\xfe.log", "is not valid UTF-8"},
  };
  for (const auto& [name, fault] : names) EXPECT_STREQ(LogFileNameFault(name.c_str()), fault) << name;
  EXPECT_STREQ(LogFileNameFault(nullptr), "is empty");
}
