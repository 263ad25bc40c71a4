// report_test.cpp - the report seam and the process framework's reports through it.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "core/game_code.h"
#include "core/process.h"
#include "core/report.h"
#include "core/sound.h"
#include "core/window_state.h"
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

// While a thread holds its lines they wait in its list, in the order reported, each with its
// colour and target, and none reaches the sink; given back, the list is sent on in that order
// and lines reach the sink again.
TEST(Reports, HeldLinesWaitInOrderAndAreSentOnWithTheirColoursAndTargets) {
  ReportRecorder recorder;
  std::vector<HeldReportLine> held;
  std::vector<HeldReportLine>* const before = HoldReportLines(&held);
  EXPECT_EQ(before, nullptr);
  ReportLine("first", REPORT_ERROR);
  ReportLine("second", REPORT_MESSAGE, REPORT_TARGET_DEBUG);
  EXPECT_TRUE(ReportRecorder::Reports().lines.empty()) << "held, not sent";
  EXPECT_EQ(HoldReportLines(before), &held);
  ASSERT_EQ(held.size(), 2u);
  EXPECT_EQ(held[0].text, "first");
  EXPECT_EQ(held[0].colour, REPORT_ERROR);
  EXPECT_EQ(held[0].target, -1) << "the local target";
  EXPECT_EQ(held[1].text, "second");
  EXPECT_EQ(held[1].target, -3) << "the debug target";
  SendHeldReportLines(held.data(), held.size());
  ReportLine("third", REPORT_MESSAGE);
  EXPECT_EQ(ReportRecorder::Reports().lines, (std::vector<std::string>{"1|-1|first", "0|-3|second", "0|-1|third"}));
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

TEST(GameMessages, WithoutAnActiveDisplayTheyAreMessageLinesAndWithOneTheyFillIt) {
  ReportRecorder recorder;
  GameMessage = GameMessageDisplay{};
  ShowGameMessage("results : yes", REPORT_WARNING);
  ShowGameMessageShort("data/shots/zkt_00000001.png");
  EXPECT_EQ(ReportRecorder::Reports().lines,
            (std::vector<std::string>{"4|-1|results : yes", "2|-1|data/shots/zkt_00000001.png"}))
      << "the caller's colour, then the default grey";
  uint8_t active = 0;
  GameMessage.active = &active;
  ShowGameMessageShort("still a line");
  EXPECT_EQ(ReportRecorder::Reports().lines.size(), 3u) << "a display whose byte is clear is not active";

  active = 1;
  ShowGameMessage("in the display", REPORT_ERROR);
  EXPECT_STREQ(GameMessage.text, "in the display");
  EXPECT_EQ(GameMessage.timeMs, 4000u);
  ShowGameMessageShort("shorter");
  EXPECT_STREQ(GameMessage.text, "shorter");
  EXPECT_EQ(GameMessage.timeMs, 2000u);
  EXPECT_EQ(ReportRecorder::Reports().lines.size(), 3u) << "no line while the display shows them";

  // A text from a peer longer than the buffer is cut and terminated.
  const std::string peer(300, 'p');
  std::memset(GameMessage.text, 'x', sizeof GameMessage.text);
  ShowGameMessage(peer.c_str(), REPORT_MESSAGE);
  EXPECT_EQ(std::strlen(GameMessage.text), size_t(GAME_MESSAGE_SIZE - 1));
  EXPECT_EQ(std::string(GameMessage.text), peer.substr(0, GAME_MESSAGE_SIZE - 1));
  GameMessage = GameMessageDisplay{};
}

namespace {

std::string g_asked;
int AskRecording(Prss* owner, QuestionCallback callback, const char* first, const char* second, uint32_t firstWord,
                 uint32_t secondWord, int mode) {
  g_asked = std::string(owner ? "page" : "none") + (callback ? "|callback|" : "|none|") + first + "|" +
            (second ? second : "-") + "|" + std::to_string(firstWord) + "|" + std::to_string(secondWord) + "|" +
            std::to_string(mode);
  return 7;
}
void AnswerYes(Prss*, uint32_t, uint32_t) {}

}  // namespace

TEST(Reports, AQuestionReachesTheSinkWithEveryArgumentInItsPlace) {
  ReportSink sink{};
  sink.question = AskRecording;
  const ReportSink previous = InstallReportSink(sink);
  Prss page{};
  EXPECT_EQ(ReportQuestion(&page, AnswerYes, "Save changes ?", "car.veh", 11, 22, 3), 7);
  EXPECT_EQ(g_asked, "page|callback|Save changes ?|car.veh|11|22|3");
  EXPECT_EQ(ReportQuestion(nullptr, nullptr, "Quit ?", nullptr, 0, 5, 1), 7);
  EXPECT_EQ(g_asked, "none|none|Quit ?|-|0|5|1");
  InstallReportSink(previous);
}

TEST(GameCode, EnteringTwiceAndLeavingWhenOutsideAreReportedAndTheSectionIsFreeAfterwards) {
  ReportRecorder recorder;
  const auto& boxes = ReportRecorder::Reports().boxes;
  EXPECT_EQ(GameCodeNesting(), 0);
  LeaveGameCode();
  EXPECT_EQ(boxes, (std::vector<std::string>{"LeaveGameCode|not in game code"}));
  EnterGameCode();
  EXPECT_EQ(GameCodeNesting(), 1);
  EXPECT_EQ(boxes.size(), 1u);
  EnterGameCode();
  EXPECT_EQ(GameCodeNesting(), 2);
  LeaveGameCode();
  EXPECT_EQ(GameCodeNesting(), 1);
  LeaveGameCode();
  EXPECT_EQ(GameCodeNesting(), 0);
  EXPECT_EQ(boxes, (std::vector<std::string>{"LeaveGameCode|not in game code", "EnterGameCode|already entered",
                                             "LeaveGameCode|not fully exited"}));
  // Left as often as entered: another thread may enter now.
  int seen = -1;
  std::thread([&seen] {
    EnterGameCode();
    seen = GameCodeNesting();
    LeaveGameCode();
  }).join();
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(GameCodeNesting(), 0);
  EXPECT_EQ(boxes.size(), 3u);
}

TEST(Processes, ASimpleKeyClosesOnEnterEscapeQAndXAndShiftNSwitchesTheSound) {
  ReportRecorder recorder;
  for (int key : std::initializer_list<int>{13, 27, 'Q', 'X'}) {
    Prss top{};
    Prss_Init(&top, nullptr, EndAct, nullptr, nullptr, nullptr, "back.jpg");
    EXPECT_EQ(top.alive, 1);
    EXPECT_EQ(top.flags, PRSS_FLAG_KEY_ESCAPE);
    Prss_SimpleKey(&top, key);
    EXPECT_EQ(top.alive, 0) << key;
  }
  for (int key : std::initializer_list<int>{12, 14, 26, 28, 'P', 'R', 'W', 'Y', 'q', 'x', 'N'}) {
    Prss top{};
    Prss_Init(&top, nullptr, EndAct, nullptr, nullptr, nullptr, nullptr);
    Prss_SimpleKey(&top, key);
    EXPECT_EQ(top.alive, 1) << key;
  }
  EXPECT_TRUE(ReportRecorder::Reports().lines.empty()) << "N without Shift does nothing";
  const int soundWas = InterfaceSoundOn;
  ShiftHeld = 1;
  Prss top{};
  Prss_Init(&top, nullptr, EndAct, nullptr, nullptr, nullptr, nullptr);
  Prss_SimpleKey(&top, 'N');
  ShiftHeld = 0;
  EXPECT_EQ(InterfaceSoundOn, soundWas ? 0 : 1);
  EXPECT_EQ(top.alive, 1);
  EXPECT_EQ(ReportRecorder::Reports().lines.size(), 1u);
  InterfaceSoundOn = soundWas;
}
