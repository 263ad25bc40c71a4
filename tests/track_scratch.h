// track_scratch.h - what the tests that load whole track files share: a fresh working folder
// named after the test (with data/wld), entered for the test's life, the report lines
// recorded, and a file written into data/wld.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/report.h"

class TrackScratch {
 public:
  explicit TrackScratch(const char* group) {
    previous_ = std::filesystem::current_path();
    const auto folder = previous_ / group / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "data" / "wld");
    std::filesystem::current_path(folder);
    Lines().clear();
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour, int) { Lines().push_back(text); };
    previousSink_ = InstallReportSink(sink);
  }
  ~TrackScratch() {
    InstallReportSink(previousSink_);
    std::filesystem::current_path(previous_);
  }
  TrackScratch(const TrackScratch&) = delete;
  TrackScratch& operator=(const TrackScratch&) = delete;

  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }
  static int CountLines(const std::string& part) {
    int n = 0;
    for (const std::string& line : Lines()) n += line.find(part) != std::string::npos;
    return n;
  }
  static std::string NewestLine() { return Lines().empty() ? "" : Lines().back(); }
  // data/wld/<file>
  static void Write(const std::string& file, const std::vector<uint8_t>& bytes) {
    std::ofstream out("data/wld/" + file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }

 private:
  std::filesystem::path previous_;
  ReportSink previousSink_{};
};
