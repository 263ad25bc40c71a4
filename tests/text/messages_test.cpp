// messages_test.cpp - message lines: adding rules, history, connection lines, expiry, recall.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/log.h"
#include "core/sound.h"
#include "platform/audio.h"
#include "text/code_pages.h"
#include "text/messages.h"

namespace {

struct Report {
  int32_t connectionId, playerId;
  int userType, textStart;
  std::string text;
};
std::vector<Report> g_Reports;
void RecordReport(int32_t connectionId, int32_t playerId, int userType, int textStart, const char* text) {
  g_Reports.push_back({connectionId, playerId, userType, textStart, text});
}

// Connection 0: a player "Ann^9x" on an ordinary connection; 1: a control-link client.
int LookUp(int connection, MessageSender* sender) {
  if (connection > 1) return 0;
  sender->playerName = connection == 0 ? "Ann^9x" : "Bot";
  sender->connectionId = 40 + connection;
  sender->humanPlayerId = connection == 0 ? 7 : 0;
  sender->controlLink = connection == 1;
  return 1;
}

class Messages : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetMessages();
    SetDefaultTextColours();
    SetLogFileName("");
    g_Reports.clear();
    MessageConnectionLookup = LookUp;
    MessageControlLinkReport = nullptr;
  }
  void TearDown() override {
    MessageSecondPlayerName = nullptr;
    MessageConnectionLookup = nullptr;
    MessageControlLinkReport = nullptr;
    ResetMessages();
  }
  static void AddNumbered(int n) {
    for (int i = 0; i < n; ++i) ShowMessage(std::to_string(i).c_str(), TextColours.grey);
  }
};

}  // namespace

TEST_F(Messages, ATwentyFirstLineMovesTheOldestIntoTheHistory) {
  AddNumbered(20);
  EXPECT_EQ(MessageLineCount, 20);
  ShowMessage("new", TextColours.grey);
  EXPECT_EQ(MessageLineCount, 20);
  EXPECT_STREQ(MessageLines[19].text, "new");
  EXPECT_STREQ(MessageLines[0].text, "1");
  EXPECT_STREQ(MessageHistory[19].text, "0");
  EXPECT_STREQ(GetNewestMessageText(), "new");
}

TEST_F(Messages, AFullHistoryDropsItsOldestLine) {
  AddNumbered(41);
  EXPECT_STREQ(MessageHistory[0].text, "1");
  EXPECT_STREQ(MessageHistory[19].text, "20");
  ClearMessages();
  EXPECT_EQ(MessageLineCount, 0);
  EXPECT_EQ(GetNewestMessageText(), nullptr);
  EXPECT_STREQ(MessageHistory[19].text, "40");
}

// The message level filters lines; a debug line (target -3) is a developer's: shown only while
// the debug messages are on, and written to the log whatever the setting.
TEST_F(Messages, TheMessageLevelAndTheDebugSettingFilterLines) {
  std::filesystem::remove("deb.log");
  AddMessage("a debugging line", TextColours.grey, MSG_TARGET_DEBUG);
  EXPECT_EQ(MessageLineCount, 0) << "not on a user's screen";
  std::string log;
  std::getline(std::ifstream("deb.log"), log);
  EXPECT_NE(log.find("a debugging line"), std::string::npos) << log;
  DebugMessagesOn = 1;
  AddMessage("shown while asked for", TextColours.grey, MSG_TARGET_DEBUG);
  DebugMessagesOn = 0;
  ASSERT_EQ(MessageLineCount, 1);
  EXPECT_STREQ(MessageLines[0].text, "shown while asked for");
  ResetMessages();

  MessageLevel = 1;
  AddMessage("chat", TextColours.grey, 0);
  EXPECT_EQ(MessageLineCount, 0);
  ShowMessage("local", TextColours.grey);
  EXPECT_EQ(MessageLineCount, 1);
  MessageLevel = 2;
  ShowMessage("local", TextColours.grey);
  EXPECT_EQ(MessageLineCount, 1);
  MessageLevel = 0;
  ShowMessage("", TextColours.grey);
  AddMessage("nobody", TextColours.grey, 5);  // no such connection
  EXPECT_EQ(MessageLineCount, 1);
}

TEST_F(Messages, ConnectionLinesCarryTheSendersPrefix) {
  AddMessage("hello", TextColours.grey, 0);
  const MessageLine& line = MessageLines[0];
  EXPECT_STREQ(line.text, "^7Ann^7x ^7: ^8hello");
  EXPECT_EQ(line.prefixLength, std::strlen("^7Ann^7x ^7: ^8"));
  EXPECT_EQ(line.codePage, 0);
  EXPECT_EQ(line.flags, 0);
  AddMessage("hi", TextColours.grey, 1);
  EXPECT_EQ(MessageLines[1].flags, MESSAGE_FLAG_PEER);
}

TEST_F(Messages, ASlashLineIsAnActionOnlyForMe) {
  AddMessage("/ME waves", TextColours.grey, 0);
  ASSERT_EQ(MessageLineCount, 1);
  EXPECT_STREQ(MessageLines[0].text, "Ann^9x ^8waves");
  EXPECT_EQ(MessageLines[0].colour, TextColours.yellow);
  EXPECT_EQ(MessageLines[0].prefixLength, 0);
  AddMessage("/kick someone", TextColours.grey, 0);
  AddMessage("/me", TextColours.grey, 0);
  EXPECT_EQ(MessageLineCount, 1);
}

TEST_F(Messages, ALongTextIsCutAtTheRecordWithoutSplittingACode) {
  std::string longText(126, 'a');
  longText += "^3tail";  // the colour code would straddle the 127th byte
  ShowMessage(longText.c_str(), TextColours.grey);
  EXPECT_EQ(std::strlen(MessageLines[0].text), 126u);
  std::string huge(1000, 'b');
  ShowFailedMessage(huge.c_str());
  AddMessage(huge.c_str(), TextColours.grey, 0);
  EXPECT_EQ(std::strlen(MessageLines[1].text), 127u);
  EXPECT_EQ(std::strlen(MessageLines[2].text), 127u);
  EXPECT_EQ(MessageLines[2].prefixLength, std::strlen("^7Ann^7x ^7: ^8"));
  ShowMessagef("%s", huge.c_str());
  EXPECT_EQ(std::strlen(MessageLines[3].text), 127u);
}

TEST_F(Messages, LinesExpireSixSecondsAfterTheyWereFirstDrawn) {
  ShowMessage("first", TextColours.grey);
  ExpireMessages(1000);  // first drawn at 1000
  ShowMessage("second", TextColours.grey);
  ExpireMessages(5000);  // second first drawn at 5000
  ExpireMessages(7000);
  EXPECT_EQ(MessageLineCount, 2);
  ExpireMessages(7001);
  EXPECT_EQ(MessageLineCount, 1);
  EXPECT_STREQ(MessageLines[0].text, "second");
  ExpireMessages(11001);
  EXPECT_EQ(MessageLineCount, 0);
  EXPECT_STREQ(MessageHistory[19].text, "second");
}

// Before a frame is laid out, lines drawn more than 6000 ms ago leave (6000 ms exactly is not
// more); a line not yet drawn stays undated, and no further frame is asked for.
TEST_F(Messages, LinesDrawnMoreThanSixSecondsAgoLeaveBeforeTheFrameIsLaidOut) {
  ShowMessage("first", TextColours.grey);
  ShowMessage("second", TextColours.grey);
  ExpireMessages(1000);
  ShowMessage("new", TextColours.grey);
  InterfaceRedraw = 0;
  EXPECT_EQ(DropExpiredMessages(7000), 0);
  EXPECT_EQ(MessageLineCount, 3);
  EXPECT_EQ(DropExpiredMessages(7001), 1);
  ASSERT_EQ(MessageLineCount, 1);
  EXPECT_STREQ(MessageLines[0].text, "new");
  EXPECT_EQ(MessageLines[0].shownSinceMs, 0u) << "not drawn yet: no time given";
  EXPECT_STREQ(MessageHistory[MESSAGE_LINE_COUNT - 1].text, "second");
  EXPECT_EQ(InterfaceRedraw, 0);
  EXPECT_EQ(DropExpiredMessages(0xFFFFFFFFu), 0) << "an undated line never leaves";
}

// A recall buffer of no bytes is never written, though the recall steps on; one of a single
// byte holds the empty text.
TEST_F(Messages, ARecallBufferOfNoBytesIsNeverWritten) {
  ShowMessage("one", TextColours.grey);
  ShowMessage("two", TextColours.grey);
  char buffer[4] = "abc";
  MessageRecall recall{-1, buffer, 0, 0};
  EXPECT_EQ(RecallOlderMessage(recall, nullptr), MessageLines[1].sequence);
  EXPECT_EQ(RecallOlderMessage(recall, nullptr), MessageLines[0].sequence);
  EXPECT_STREQ(buffer, "abc");
  RecallNewerMessage(recall, nullptr);
  EXPECT_EQ(RecallNewerMessage(recall, nullptr), -1);
  EXPECT_STREQ(buffer, "abc");
  MessageRecall one{-1, buffer, 1, 0};
  RecallOlderMessage(one, nullptr);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(buffer[1], 'b');
}

TEST_F(Messages, ExpiryRemovesSeveralOldLinesInOnePass) {
  AddNumbered(3);
  ExpireMessages(0xFFFFF000u);  // near the wrap of the clock
  ExpireMessages(0xFFFFF000u + 6001u);
  EXPECT_EQ(MessageLineCount, 0);
}

TEST_F(Messages, TheControlLinkHearsEveryLineButQuietAndDebugOnes) {
  MessageControlLinkReport = RecordReport;
  ShowMessage("local", TextColours.grey);
  AddMessage("quiet", TextColours.grey, MSG_TARGET_LOCAL_QUIET);
  EXPECT_EQ(MessageLines[1].flags, MESSAGE_FLAG_PEER);
  AddMessage("chat", TextColours.grey, 0);
  AddMessage("bot", TextColours.grey, 1);
  DebugMessagesOn = 1;
  ShowDebugMessage("debug", TextColours.grey);
  DebugMessagesOn = 0;
  ShowDebugMessage("hidden", TextColours.grey);
  ASSERT_EQ(g_Reports.size(), 3u);
  EXPECT_EQ(g_Reports[0].userType, 0);
  EXPECT_EQ(g_Reports[1].connectionId, 40);
  EXPECT_EQ(g_Reports[1].playerId, 7);
  EXPECT_EQ(g_Reports[1].userType, 1);
  EXPECT_EQ(g_Reports[1].textStart, static_cast<int>(std::strlen("^7Ann^7x ^7: ^8")));
  EXPECT_EQ(g_Reports[2].userType, 2);
  EXPECT_EQ(MessageLineCount, 5);
  EXPECT_EQ(MessageControlLinkReport, RecordReport);
}

TEST_F(Messages, LabelledMessagesJoinWithTheLanguagesSeparator) {
  ShowLabelledMessage("Saved:", "car", TextColours.grey);
  ShowLabelledMessage("Saved", "car", TextColours.grey);
  EXPECT_STREQ(MessageLines[0].text, "Saved: car");
  EXPECT_STREQ(MessageLines[1].text, "Saved : car");
}

TEST_F(Messages, PlayerMessagesNameTheirPlayerAndNoOtherInPlaceOfAMissingOne) {
  std::snprintf(CfgPlayerName, sizeof CfgPlayerName, "%s", "Ann");
  ShowPlayerMessage("file.car");
  ShowPlayerMessage2("file.car");  // offline: no second player
  MessageSecondPlayerName = [] { return ""; };
  ShowPlayerMessage2("empty");
  MessageSecondPlayerName = [] { return "Bo"; };
  ShowPlayerMessage2("second");
  CfgPlayerName[0] = 0;
  ASSERT_EQ(MessageLineCount, 4);
  EXPECT_STREQ(MessageLines[0].text, "Ann : ^Lfile.car");
  EXPECT_STREQ(MessageLines[1].text, "^Lfile.car");
  EXPECT_STREQ(MessageLines[2].text, "^Lempty");
  EXPECT_STREQ(MessageLines[3].text, "Bo : ^Lsecond");
  for (int i = 0; i < 4; ++i) EXPECT_EQ(MessageLines[i].colour, TextColours.error) << i;
}

TEST_F(Messages, TheLastErrorIsShownWithTheSystemsText) {
  errno = ENOENT;
  ShowLastErrorMessage();
  errno = 987654;  // no such error: the system still gives a text
  ShowLastErrorMessage();
  ASSERT_EQ(MessageLineCount, 2);
  EXPECT_EQ(std::string(MessageLines[0].text), std::string("LoadLibrary : ") + std::strerror(ENOENT));
  EXPECT_EQ(MessageLines[0].colour, TextColours.error);
  const std::string unknown = MessageLines[1].text;
  EXPECT_EQ(unknown.rfind("LoadLibrary : ", 0), 0u);
  EXPECT_GT(unknown.size(), std::strlen("LoadLibrary : ")) << unknown;
}

TEST_F(Messages, RecallStepsThroughOldLinesPastTheirPrefix) {
  ShowMessage("one", TextColours.grey);
  AddMessage("two", TextColours.grey, 0);
  ShowMessage("three", TextColours.grey);
  char buffer[8] = "typed";
  MessageRecall recall{-1, buffer, sizeof buffer, 5};
  int page = -1;
  EXPECT_EQ(RecallNewerMessage(recall, &page), -1);  // nothing recalled: nothing changes
  EXPECT_STREQ(buffer, "typed");
  EXPECT_EQ(RecallOlderMessage(recall, &page), MessageLines[2].sequence);
  EXPECT_STREQ(buffer, "three");
  RecallOlderMessage(recall, &page);
  EXPECT_STREQ(buffer, "two");
  EXPECT_EQ(page, 0);
  const int oldest = RecallOlderMessage(recall, &page);
  EXPECT_STREQ(buffer, "one");
  EXPECT_EQ(RecallOlderMessage(recall, &page), oldest);  // past the oldest: kept
  EXPECT_STREQ(buffer, "one");
  RecallNewerMessage(recall, &page);
  EXPECT_STREQ(buffer, "two");
  RecallNewerMessage(recall, &page);
  EXPECT_EQ(RecallNewerMessage(recall, &page), -1);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(page, 5);
}

TEST_F(Messages, RecallReachesTheOldestLineOfAFullHistoryAndStaysThere) {
  // 41 lines: the first has left both the shown lines and the history, which is full
  // (m1..m20; the shown lines are m21..m40).
  for (int i = 0; i <= 40; ++i) ShowMessage(("m" + std::to_string(i)).c_str(), TextColours.grey);
  char buffer[8] = "";
  MessageRecall recall{-1, buffer, sizeof buffer, 0};
  for (int i = 40; i >= 1; --i) {
    RecallOlderMessage(recall, nullptr);
    ASSERT_EQ(std::string(buffer), "m" + std::to_string(i));
  }
  EXPECT_EQ(recall.sequence, 1);
  EXPECT_EQ(RecallOlderMessage(recall, nullptr), 1) << "past the oldest: kept";
  EXPECT_STREQ(buffer, "m1");
  RecallNewerMessage(recall, nullptr);
  EXPECT_STREQ(buffer, "m2");
}

TEST_F(Messages, RecallCutsToTheEntryAndFindsTheHistory) {
  ShowMessage("a long line", TextColours.grey);
  ClearMessages();
  char buffer[5];
  MessageRecall recall{-1, buffer, sizeof buffer, 0};
  EXPECT_GE(RecallOlderMessage(recall, nullptr), 0);
  EXPECT_STREQ(buffer, "a lo");
  ResetMessages();
  MessageRecall none{-1, buffer, sizeof buffer, 0};
  EXPECT_EQ(RecallOlderMessage(none, nullptr), -1);
}

TEST_F(Messages, EachShowingHelperAddsItsOwnTextInItsColour) {
  DebugMessagesOn = 1;
  ShowFailedMessage2("Save", "disk");
  ShowTwoPartMessage("two", "parts", TextColours.yellow);
  ShowMessagef1("%d cars", 3, TextColours.lightText);
  ShowMessageFloat("%.1f fps", TextColours.darkText, 2.5f);
  ShowColouredMessagef(TextColours.lightYellow, "%s-%d", "x", 4);
  ShowMessageWithSound("ding");
  ShowDebugMessagef("debug %d", 9, TextColours.red);
  ShowAliveSentMessage();
  ShowMessagef("%d laps of %s", 3, "Oval");
  DebugMessagesOn = 0;
  const struct {
    const char* text;
    ColourWord colour;
  } expected[] = {{"Save : disk failed", TextColours.error}, {"two parts", TextColours.yellow},
                  {"3 cars", TextColours.lightText},         {"2.5 fps", TextColours.darkText},
                  {"x-4", TextColours.lightYellow},          {"ding", TextColours.grey},
                  {"debug 9", TextColours.red},              {"Sent alive packet -", TextColours.lightOrange},
                  {"3 laps of Oval", TextColours.grey}};
  ASSERT_EQ(MessageLineCount, 9);
  for (int i = 0; i < 9; ++i) {
    EXPECT_STREQ(MessageLines[i].text, expected[i].text) << i;
    EXPECT_EQ(MessageLines[i].colour, expected[i].colour) << i;
  }
}

// A message with a sound adds its line and starts interface sound 2, and no other; the device
// is held still (SDL's dummy driver, paused) so the started sound is still playing when looked at.
TEST_F(Messages, AMessageWithASoundStartsInterfaceSoundTwo) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  CfgSpeakerGuid = ConfigUuid{};
  CfgAudioOptions = AUDIO_OPTION_GLOBAL_FOCUS;
  AudioNoteWindowFocus(1);
  InterfaceSoundOn = 1;
  FrontEndScreenState = 0;
  for (int i = 0; i < INTERFACE_SOUNDS; ++i) {
    SampleRecords[i] = SampleRecord{};
    SampleRecords[i].length = 400;
    SampleRecords[i].data.assign(400, int16_t(1000 + i));
  }
  OpenSound();
  ASSERT_EQ(SoundOpen, 1);
  ASSERT_EQ(AudioPauseDevice(1), AUDIO_OK);
  ShowMessageWithSound("ding");
  ASSERT_EQ(MessageLineCount, 1);
  EXPECT_STREQ(MessageLines[0].text, "ding");
  for (int i = 0; i < INTERFACE_SOUNDS; ++i)
    EXPECT_EQ(AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER + i), i == 2 ? 1 : 0) << "sound " << i;
  ShutdownSound();
}

TEST_F(Messages, RemovingALineClosesTheGapAndKeepsItInTheHistory) {
  AddNumbered(3);
  RemoveMessage(3);  // past the last line: nothing
  RemoveMessage(-1);
  EXPECT_EQ(MessageLineCount, 3);
  RemoveMessage(1);
  ASSERT_EQ(MessageLineCount, 2);
  EXPECT_STREQ(MessageLines[0].text, "0");
  EXPECT_STREQ(MessageLines[1].text, "2");
  EXPECT_STREQ(MessageHistory[MESSAGE_LINE_COUNT - 1].text, "1");
  RemoveMessage(1);
  ASSERT_EQ(MessageLineCount, 1);
  EXPECT_STREQ(MessageHistory[MESSAGE_LINE_COUNT - 1].text, "2");
  EXPECT_STREQ(MessageHistory[MESSAGE_LINE_COUNT - 2].text, "1");
}
