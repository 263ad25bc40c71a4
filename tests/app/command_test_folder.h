// command_test_folder.h - a fresh working folder per test, with message lines captured
// through the log (every message line is logged while a log file is named).
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/text_commands.h"
#include "core/config.h"
#include "core/controls.h"
#include "core/log.h"
#include "platform/message_box.h"

class CommandTestFolder : public ::testing::Test {
 public:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // The working folder is one below the test's own scratch folder, which is cleared
    // first: a name that wrongly escapes with "../" lands there and never outlives the run.
    const auto scratch = std::filesystem::current_path() / "commands" / (std::string(info->test_suite_name()) + "." + info->name());
    std::filesystem::remove_all(scratch);
    folder_ = scratch / "work";
    std::filesystem::create_directories(folder_ / "data" / "script");
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
    AppResetState();
    ResetMainWindowState();
    SetControlStartValues();
    ConfigRead = 0;
    ConfigPath[0] = 0;
    LoadConfigFromText("", 0);
    LoggingEnabled = 1;
    SetLogFileName("messages.log");
    boxes().clear();
    SetMessageBoxHandler(RecordBox);
    SetYesNoHandler(AnswerNo);
  }

  void TearDown() override {
    SetMessageBoxHandler(nullptr);
    SetYesNoHandler(nullptr);
    SetLogFileName("");
    CloseInstanceRequests();
    std::filesystem::current_path(previous_);
  }

  // The message lines (and other log lines) since the test began, without date prefixes.
  std::vector<std::string> Lines() const {
    std::vector<std::string> out;
    std::ifstream in(folder_ / "messages.log");
    for (std::string line; std::getline(in, line);) out.push_back(line.size() > 16 ? line.substr(16) : "");
    return out;
  }
  bool Said(const std::string& text) const {
    for (const std::string& line : Lines())
      if (line == text) return true;
    return false;
  }
  void ClearLines() const { std::filesystem::remove(folder_ / "messages.log"); }

  static void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path().empty() ? "." : path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  struct Box {
    std::string text, caption;
  };
  static std::vector<Box>& boxes() {
    static std::vector<Box> list;
    return list;
  }
  static void RecordBox(const char* text, const char* caption, MessageBoxIcon) { boxes().push_back({text, caption}); }
  static int AnswerNo(const char*, const char*) { return 0; }
  static int AnswerYes(const char*, const char*) { return 1; }

  std::filesystem::path folder_, previous_;
};
