// report_recorder.h - a report sink (core/report.h) that keeps what was reported, installed
// for the life of the recorder.
#pragma once
#include <string>
#include <vector>

#include "core/report.h"

struct RecordedReports {
  std::vector<std::string> lines;  // "<colour>|<target>|<text>", labelled lines "<colour>|label|<label>|<text>"
  std::vector<std::string> boxes;  // "<first>|<second>" ("-" for none), owner not kept
  std::vector<std::string> statusLines;
  std::vector<int> sounds;
};

class ReportRecorder {
 public:
  ReportRecorder() {
    Reports() = RecordedReports{};
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour colour, int target) {
      Reports().lines.push_back(std::to_string(colour) + "|" + std::to_string(target) + "|" + text);
    };
    sink.labelledLine = [](const char* label, const char* text, ReportColour colour) {
      Reports().lines.push_back(std::to_string(colour) + "|label|" + label + "|" + text);
    };
    sink.box = [](Prss*, const char* first, const char* second) {
      Reports().boxes.push_back(std::string(first) + "|" + (second ? second : "-"));
    };
    sink.status = [](const char* text) { Reports().statusLines.push_back(text); };
    sink.sound = [](int index) { Reports().sounds.push_back(index); };
    previous_ = InstallReportSink(sink);
  }
  ~ReportRecorder() { InstallReportSink(previous_); }
  ReportRecorder(const ReportRecorder&) = delete;
  ReportRecorder& operator=(const ReportRecorder&) = delete;

  static RecordedReports& Reports() {
    static RecordedReports reports;
    return reports;
  }
  // The text of the newest line, without its colour and target ("" when none).
  static std::string NewestText() {
    const std::vector<std::string>& lines = Reports().lines;
    if (lines.empty()) return "";
    const std::string& line = lines.back();
    return line.substr(line.find('|', line.find('|') + 1) + 1);
  }
  // The lines whose text holds part.
  static int CountLines(const std::string& part) {
    int n = 0;
    for (const std::string& line : Reports().lines) n += line.find(part) != std::string::npos;
    return n;
  }

 private:
  ReportSink previous_{};
};
