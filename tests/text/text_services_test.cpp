// text_services_test.cpp - what the text services install in the foundation.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/log.h"
#include "core/sound.h"
#include "tests/core/report_recorder.h"
#include "text/language.h"
#include "text/text_services.h"

namespace {
// Every text-services test runs with them installed, as the program's start-up does.
const int g_installed = (InstallTextServices(), 1);
}  // namespace

TEST(TextServices, LogLinesLoseTheirColourCodesOnly) {
  std::filesystem::create_directories("log");
  SetLogFileName("log/strip.log");
  std::remove("log/strip.log");
  LogLine("^3green ^7white ^Lkept ^^caret");
  SetLogFileName("");
  std::ifstream in("log/strip.log");
  std::string line;
  ASSERT_TRUE(std::getline(in, line));
  EXPECT_EQ(line.substr(16), "green white ^Lkept ^^caret");
}

TEST(TextServices, TheSoundSwitchIsSaidInTheLanguage) {
  ReportRecorder recorder;
  LanguageTexts[TX_3a_shnsound] = "Ton : %s";
  LanguageTexts[TX_3a_on_buttn] = "An";
  LanguageTexts[TX_3a_off_butt] = "Aus";
  ASSERT_EQ(InterfaceSoundOn, 1);
  ToggleSound();
  EXPECT_EQ(InterfaceSoundOn, 0);
  ToggleSound();
  EXPECT_EQ(InterfaceSoundOn, 1);
  ResetLanguageTexts();
  EXPECT_EQ(ReportRecorder::Reports().lines, (std::vector<std::string>{"2|-1|Ton : Aus", "2|-1|Ton : An"}));
}
