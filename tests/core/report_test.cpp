// report_test.cpp - the report seam and the process framework's reports through it.
#include <gtest/gtest.h>

#include "core/process.h"
#include "core/report.h"
#include "report_recorder.h"

namespace {

Prss* EndAct(Prss* process) { return process->alive ? process : nullptr; }
Prss* StubbornAct(Prss* process) { return process; }  // never frees itself

const Prss* g_forgotten;
void RecordForgotten(const Prss* process) { g_forgotten = process; }

}  // namespace

TEST(Reports, WithoutASinkEveryReportIsDropped) {
  const ReportSink none = InstallReportSink(ReportSink{});
  ReportLine("dropped", REPORT_ERROR);
  ReportLabelledLine("label", "dropped", REPORT_GREY);
  ReportBox(nullptr, "dropped");
  EXPECT_EQ(ReportQuestion(nullptr, nullptr, "a", "b", 0, 0, 0), 0);
  ReportStatus("dropped");
  ReportSound(3);
  InstallReportSink(none);
}

TEST(Reports, EachKindReachesTheInstalledSinkAndTheOldSinkComesBack) {
  {
    ReportRecorder recorder;
    ReportLine("plain", REPORT_MESSAGE);
    ReportLine("debug", REPORT_MESSAGE, REPORT_TARGET_DEBUG);
    ReportLabelledLine("AddSub", "removed subprocess", REPORT_GREY);
    ReportBox(nullptr, "File is too short :", "x.bin");
    ReportBox(nullptr, "alone");
    ReportStatus("Status : OFF LINE");
    ReportSound(3);
    const RecordedReports& r = ReportRecorder::Reports();
    EXPECT_EQ(r.lines, (std::vector<std::string>{"0|-1|plain", "0|-3|debug", "2|label|AddSub|removed subprocess"}));
    EXPECT_EQ(r.boxes, (std::vector<std::string>{"File is too short :|x.bin", "alone|-"}));
    EXPECT_EQ(r.statusLines, std::vector<std::string>{"Status : OFF LINE"});
    EXPECT_EQ(r.sounds, std::vector<int>{3});
    EXPECT_EQ(ReportQuestion(nullptr, nullptr, "a", "b", 0, 0, 0), 0) << "the recorder asks nothing";
  }
  const ReportSink after = InstallReportSink(ReportSink{});
  EXPECT_EQ(after.line, nullptr) << "the recorder put the empty sink back";
}

TEST(Reports, RemovingASubprocessSaysWhetherItWentAndTheInterfaceForgetsTheEndedProcess) {
  ReportRecorder recorder;
  ForgetInterfaceOwner = RecordForgotten;
  Prss top{}, sub{}, stubborn{};
  Prss_Init(&top, nullptr, EndAct, nullptr, nullptr, nullptr, nullptr);
  Prss_Init(&sub, &top, EndAct, nullptr, nullptr, nullptr, nullptr);
  Prss_AddSub(&top, &sub);
  Prss_RemoveSub(&top, "AddSub");
  EXPECT_EQ(top.sub, nullptr);
  EXPECT_EQ(g_forgotten, &sub);
  Prss_Init(&stubborn, &top, StubbornAct, nullptr, nullptr, nullptr, nullptr);
  stubborn.terminate = [](Prss*) {};  // refuses to end
  Prss_AddSub(&top, &stubborn);
  Prss_RemoveSub(&top, "Terminate");
  EXPECT_EQ(ReportRecorder::Reports().lines,
            (std::vector<std::string>{"2|label|AddSub|removed subprocess", "1|label|Terminate|failed to remove subprocess"}));
  ForgetInterfaceOwner = nullptr;
  CurrentProcess = nullptr;
}
