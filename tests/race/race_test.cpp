// race_test.cpp - the race services as the editor runs them: offline.
#include <gtest/gtest.h>

#include "race/race.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/frame_globals.h"
#include "core/process.h"
#include "core/report.h"
#include "core/sound.h"
#include "physics/car.h"
#include "platform/audio.h"
#include "platform/keys.h"
#include "solid/solid_hooks.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/text_entry.h"
#include "world/autocross.h"
#include "world/layout_file.h"
#include "world/world.h"

namespace {

TEST(OfflineRace, NoRaceNoPlayersNoConnectionsAndTheLinkClosed) {
  EXPECT_EQ(IsRaceActive(), 0);
  EXPECT_EQ(RacePlayerCount, 0);
  EXPECT_EQ(ConnectionCount, 0);
  EXPECT_EQ(NetStatusByte, 0);
  EXPECT_EQ(Race::GetLocalPlayer(), nullptr);
  EXPECT_EQ(Race::FindPlayerByName("anyone", 0), nullptr);
  EXPECT_EQ(Race::FindPlayerByName(nullptr, 0), nullptr);
  for (int connection : {-1, 0, 1, MAX_CONNECTIONS})
    EXPECT_EQ(Race::GetRealPlayerFromConnIndex(connection), nullptr) << connection;
  EXPECT_EQ(OpenCtrlink(29999), 0);
  EXPECT_EQ(CtrlinkIsOpen(), 0);
  EXPECT_EQ(FindCtrlinkConnection(0), -1);
  CtrlinkSendMessage(0, 0, 0, 0, "nobody listens");  // a closed link takes lines and drops them
  EXPECT_STREQ(FormatTrackName(), "");
}

TEST(OfflineRace, TheChosenCarIsKeptForTheNextJoin) {
  SetSelectedCar("XR5");
  EXPECT_STREQ(SelectedCar(), "XR5");
  SetSelectedCar("a car name much longer than the thirty-one characters kept");
  EXPECT_EQ(std::strlen(SelectedCar()), 31u);
  SetSelectedCar(nullptr);
  EXPECT_STREQ(SelectedCar(), "");
}

TEST(OfflineRace, TrackShortNamesByRowAndNoneOutsideTheTable) {
  const char* const codes[TRACK_COUNT] = {"HS", "DK", "PK", "CW", "MR", "LK", "RB", "QY", "SH"};
  for (int row = 0; row < TRACK_COUNT; ++row) EXPECT_STREQ(TrackShortName(row), codes[row]) << row;
  EXPECT_STREQ(TrackShortName(-1), "");
  EXPECT_STREQ(TrackShortName(TRACK_COUNT), "");
  EXPECT_EQ(FindTrackByName("SANDHILLS"), TRACK_COUNT - 1);
  EXPECT_EQ(FindTrackByName("hillside"), 0);
  EXPECT_EQ(FindTrackByName(nullptr), -1);
}

// Offline the race hands the program's own layout packets straight back: a layout loads
// block by block as the frames poll the network, and a clear empties the world.
TEST(OfflineRace, LayoutPacketsComeBackAsFromAHost) {
  const RaceHooks saved = RaceLink;
  InstallRaceHooks();
  const auto previous = std::filesystem::current_path();
  const auto folder = previous / "race_layouts";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::filesystem::current_path(folder);
  CWld = new Wld;
  ConnectionCount = 2;
  Connections[0].layoutByte = Connections[1].layoutByte = 1;
  Connections[2].layoutByte = 1;  // past the count: left alone
  // 61 marked places with their heights kept (no ground needed).
  for (int i = 0; i < 61; ++i)
    ASSERT_EQ(AddLayoutPlace({int16_t(i * 32), 0, 0, 0x80, 252, 0}, nullptr), 1);
  ASSERT_EQ(SaveLayout("places"), 1);
  SendClearLayoutPacket();
  EXPECT_EQ(LayoutPlaceCount, 0);
  ASSERT_EQ(HostLoadLayout("places"), 1);
  EXPECT_EQ(Connections[0].layoutByte, 0);
  EXPECT_EQ(Connections[1].layoutByte, 0);
  EXPECT_EQ(Connections[2].layoutByte, 1);
  Connections[2].layoutByte = 0;
  EXPECT_EQ(LayoutPlaceCount, 60) << "the first block";
  EXPECT_EQ(LayoutLoadUnderWay(), 1);
  EXPECT_EQ(NetworkPollPending(), 1) << "a loop at rest does not wait: the next pass sends";
  PollNetwork();
  EXPECT_EQ(LayoutPlaceCount, 61);
  EXPECT_EQ(LayoutLoadUnderWay(), 0);
  EXPECT_EQ(NetworkPollPending(), 0);
  EXPECT_EQ(RaceLink.RaceFlags(), 0u);
  DeleteWorld();
  ConnectionCount = 0;
  std::filesystem::current_path(previous);
  InstallRaceHooks(saved);
}

// Track codes: two letters of the table, a configuration digit from 1 to the track's count,
// and an optional "R" (any case) for the reverse direction; nothing else names a track.
TEST(OfflineRace, TrackCodesNameAMapAConfigurationAndADirection) {
  char map[16];
  int config = -1, flip = -1;
  ASSERT_EQ(ParseTrackCode("HS1", map, sizeof map, config, flip), 1);
  EXPECT_STREQ(map, "Hillside");
  EXPECT_EQ(config, 0);
  EXPECT_EQ(flip, 0);
  ASSERT_EQ(ParseTrackCode("hs3r", map, sizeof map, config, flip), 1) << "the last of Hillside's 3, reversed";
  EXPECT_EQ(config, 2);
  EXPECT_EQ(flip, 1);
  ASSERT_EQ(ParseTrackCode("RB5", map, sizeof map, config, flip), 1);
  EXPECT_STREQ(map, "Riverbank");
  EXPECT_EQ(config, 4);
  ASSERT_EQ(ParseTrackCode("SH2R", map, sizeof map, config, flip), 1) << "the table's last row";
  EXPECT_STREQ(map, "Sandhills");
  EXPECT_EQ(config, 1);
  EXPECT_EQ(flip, 1);
  // A short map buffer gets the name cut, not overrun.
  char tiny[5];
  ASSERT_EQ(ParseTrackCode("PK4", tiny, sizeof tiny, config, flip), 1);
  EXPECT_STREQ(tiny, "Park");
  EXPECT_EQ(config, 3);
  std::snprintf(map, sizeof map, "untouched");
  for (const char* bad : {"HS4", "HS0", "RB6", "SH3", "HS1X", "HS", "HS1RR", "ZZ1", "H", ""}) {
    config = flip = -7;
    EXPECT_EQ(ParseTrackCode(bad, map, sizeof map, config, flip), 0) << bad;
    EXPECT_EQ(config, -7) << bad;
    EXPECT_EQ(flip, -7) << bad;
  }
  EXPECT_STREQ(map, "untouched");
  EXPECT_EQ(ParseTrackCode(nullptr, map, sizeof map, config, flip), 0);
}

// Key names in any case, F1 to F12 by number and nothing past them.
TEST(OfflineRace, KeyNamesAndFunctionKeysByNumber) {
  EXPECT_EQ(LookupKeyName("BACKSPACE"), KEY_BACKSPACE);
  EXPECT_EQ(LookupKeyName("escape"), KEY_ESCAPE);
  EXPECT_EQ(LookupKeyName("PageDown"), KEY_PAGE_DOWN);
  EXPECT_EQ(LookupKeyName("DELETE"), KEY_DELETE);
  EXPECT_EQ(LookupKeyName("F1"), KEY_F1);
  EXPECT_EQ(LookupKeyName("f9"), KEY_F1 + 8);
  EXPECT_EQ(LookupKeyName("F10"), KEY_F1 + 9);
  EXPECT_EQ(LookupKeyName("F12"), KEY_F12);
  for (const char* none : {"F13", "F0", "F", "F012", "F10x", "Fx", "ESC", "", "Q"})
    EXPECT_EQ(LookupKeyName(none), 0) << none;
  EXPECT_EQ(LookupKeyName(nullptr), 0);
}

// The 32 function-key messages: each slot keeps its own text, cut to 95 characters; an index
// outside the table reads as empty and stores nothing.
TEST(OfflineRace, FunctionKeyMessagesKeepTheirSlotAndLength) {
  SetFunctionKeyMessage(0, "first");
  SetFunctionKeyMessage(31, "last");
  SetFunctionKeyMessage(-1, "before");
  SetFunctionKeyMessage(32, "after");
  EXPECT_STREQ(FunctionKeyMessage(0), "first");
  EXPECT_STREQ(FunctionKeyMessage(31), "last");
  EXPECT_STREQ(FunctionKeyMessage(30), "");
  EXPECT_STREQ(FunctionKeyMessage(-1), "");
  EXPECT_STREQ(FunctionKeyMessage(32), "");
  const std::string longText(200, 'a');
  SetFunctionKeyMessage(5, longText.c_str());
  EXPECT_EQ(std::string(FunctionKeyMessage(5)), std::string(95, 'a'));
  SetFunctionKeyMessage(5, nullptr);
  EXPECT_STREQ(FunctionKeyMessage(5), "");
  SetFunctionKeyMessage(0, "");
  SetFunctionKeyMessage(31, "");
  RequestPositionUpdates(3, 1);
  EXPECT_EQ(PositionUpdateKind, 3);
  RequestPositionUpdates(0, 0);
}

// With players and connections in the tables: the local player is the first of type 0, a
// name finds its own player, and a connection's real player is a human (type 0 or 1) on it.
// The typed-message line opens over a screen that takes raw keys, at most once in 500 ms of
// the program's clock: a second try sooner is refused, one 500 ms later opens it again.  With
// no initial text the line starts empty; an initial text is kept whole.
TEST(OfflineRace, TheTypedMessageLineOpensAtMostOnceInHalfASecond) {
  Prss screen{};
  Prss_Init(&screen, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  screen.rawKeys = 1;
  const int interactive = InteractiveMode;
  InteractiveMode = 1;
  ResetTypedMessage();
  // A refused opening plays error sound 3 and no other; one that opens is silent.  Sound is
  // opened on the dummy device with its thread held, so a started sound stays playing.
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ShutdownSound();
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
  const auto playing = [] {
    std::vector<int> sounds;
    for (int i = 0; i < INTERFACE_SOUNDS; ++i)
      if (AudioBufferPlaying(FIRST_INTERFACE_SOUND_BUFFER + i)) sounds.push_back(i);
    return sounds;
  };
  const auto open = [&screen](uint32_t clock, const char* initial) {
    ResetDialogs();
    screen.sub = nullptr;
    Prss_MakeCurrent(&screen);
    ProgramClock = clock;
    StartTypedMessage(0, initial);
    return OpenTextEntry.open == 1;
  };
  EXPECT_TRUE(open(10000, nullptr));
  EXPECT_EQ(OpenTextEntry.owner, &screen);
  EXPECT_STREQ(OpenTextEntry.initialText, "");
  EXPECT_EQ(OpenTextEntry.prefixLength, 0);
  EXPECT_EQ(playing(), std::vector<int>{}) << "an opening plays nothing";
  EXPECT_FALSE(open(10499, nullptr)) << "499 ms later";
  EXPECT_EQ(playing(), std::vector<int>{3}) << "the refusal's error sound";
  ShutdownSound();
  EXPECT_TRUE(open(10500, "/")) << "500 ms after the first";
  EXPECT_STREQ(OpenTextEntry.initialText, "/");
  EXPECT_EQ(OpenTextEntry.prefixLength, -1);
  EXPECT_FALSE(open(10999, nullptr)) << "the clock starts again from the second";
  screen.rawKeys = 0;
  EXPECT_FALSE(open(20000, nullptr)) << "a screen that takes characters";
  ResetDialogs();
  TextEntryActive = 0;
  CurrentProcess = nullptr;
  ProgramClock = 0;
  InteractiveMode = interactive;
  ResetTypedMessage();
}

// Slot i of the player table, and nothing else in it, holds a player of the type given
// (0 a local human, 1 a remote one, 2 a local AI, 3 a remote one) on the connection given,
// under the name given.
void PutPlayer(int i, uint8_t type, int32_t connection, const char* name) {
  RacePlayers[i] = RacePlayer{};
  RacePlayers[i].type = type;
  RacePlayers[i].connection = connection;
  std::snprintf(RacePlayers[i].name, sizeof RacePlayers[i].name, "%s", name);
}

TEST(OfflineRace, PlayerLookupsInFilledTables) {
  PutPlayer(0, 2, 1, "robot");  // a local AI
  PutPlayer(1, 1, 1, "guest");
  PutPlayer(2, 0, 0, "me");
  PutPlayer(3, 0, 0, "ghost");  // one past the count, on a connection: never looked at
  RacePlayerCount = 3;
  ConnectionCount = 2;
  EXPECT_EQ(Race::GetLocalPlayer(), &RacePlayers[2]);
  EXPECT_EQ(Race::FindPlayerByName("guest", 0), &RacePlayers[1]);
  EXPECT_EQ(Race::FindPlayerByName("me", 0), &RacePlayers[2]);
  EXPECT_EQ(Race::FindPlayerByName("ghost", 0), nullptr);
  EXPECT_EQ(Race::GetRealPlayerFromConnIndex(1), &RacePlayers[1]) << "the AI on it is skipped";
  EXPECT_EQ(Race::GetRealPlayerFromConnIndex(0), &RacePlayers[2]);
  EXPECT_EQ(Race::GetRealPlayerFromConnIndex(2), nullptr) << "one past the connections";
  EXPECT_EQ(Race::GetRealPlayerFromConnIndex(-1), nullptr);
  RacePlayers[2].type = 3;
  EXPECT_EQ(Race::GetLocalPlayer(), nullptr);
  EXPECT_EQ(Race::GetRealPlayerFromConnIndex(0), nullptr) << "a remote AI is no real player";
  for (int i = 0; i < 4; ++i) RacePlayers[i] = RacePlayer{};
  RacePlayerCount = 0;
  ConnectionCount = 0;
}

// With two connections the table holds indices 0 and 1. A remote human still carrying index 2
// (the count has dropped after a connection closed) lies past the table and is not found; the
// one on the last index, 1, is.
TEST(OfflineRace, APlayerOnTheConnectionCountIsOutsideTheTable) {
  PutPlayer(0, 1, 2, "left");
  PutPlayer(1, 1, 1, "stayed");
  RacePlayerCount = 2;
  ConnectionCount = 2;
  EXPECT_EQ(Race::GetRealPlayerFromConnIndex(2), nullptr) << "index 2 is one past the table";
  EXPECT_EQ(Race::GetRealPlayerFromConnIndex(1), &RacePlayers[1]) << "index 1 is the last in it";
  for (int i = 0; i < 2; ++i) RacePlayers[i] = RacePlayer{};
  RacePlayerCount = 0;
  ConnectionCount = 0;
}
// Counts larger than the tables are read only to the tables' ends: with every slot a local AI
// on connection 1, no player past the last slot is found, whatever it would hold; the last slot
// itself is found; and the layout bytes are cleared up to the last connection.
TEST(OfflineRace, CountsPastTheTablesStopAtTheirLastSlot) {
  for (RacePlayer& p : RacePlayers) {
    p = RacePlayer{};
    p.type = 2;
    p.connection = 1;
    std::snprintf(p.name, sizeof p.name, "robot");
  }
  RacePlayerCount = MAX_RACE_PLAYERS + 1;
  ConnectionCount = MAX_CONNECTIONS + 1;
  EXPECT_EQ(Race::GetLocalPlayer(), nullptr);
  EXPECT_EQ(Race::FindPlayerByName("", 0), nullptr);
  EXPECT_EQ(Race::GetRealPlayerFromConnIndex(0), nullptr);
  RacePlayer& last = RacePlayers[MAX_RACE_PLAYERS - 1];
  last.type = 0;
  last.connection = 0;
  std::snprintf(last.name, sizeof last.name, "last");
  EXPECT_EQ(Race::GetLocalPlayer(), &last);
  EXPECT_EQ(Race::FindPlayerByName("last", 0), &last);
  EXPECT_EQ(Race::GetRealPlayerFromConnIndex(0), &last);
  for (ConnectionInfo& c : Connections) c.layoutByte = 1;
  const RaceHooks saved = RaceLink;
  InstallRaceHooks();
  RaceLink.ClearLayoutBytes();
  InstallRaceHooks(saved);
  EXPECT_EQ(Connections[0].layoutByte, 0);
  EXPECT_EQ(Connections[MAX_CONNECTIONS - 1].layoutByte, 0);
  for (RacePlayer& p : RacePlayers) p = RacePlayer{};
  for (ConnectionInfo& c : Connections) c = ConnectionInfo{};
  RacePlayerCount = 0;
  ConnectionCount = 0;
}

// ---- The car's services ----

std::vector<std::string> g_lines;
std::vector<int> g_sounds;

class CarServices : public ::testing::Test {
 protected:
  void SetUp() override {
    g_lines.clear();
    g_sounds.clear();
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour, int) { g_lines.push_back(text); };
    sink.sound = [](int index) { g_sounds.push_back(index); };
    saved_ = InstallReportSink(sink);
  }
  void TearDown() override {
    InstallReportSink(saved_);
    LiveSettingSelector = 0;
    CloseCarRecording = nullptr;
    RacePlayers[0] = RacePlayer{};
    RacePlayerCount = 0;
  }
  ReportSink saved_{};
};

// Each selector's line with the car's own figure: the brake balance in percent, the front
// bar (liveAntiRoll[1]) and rear bar ([0]) in kN/m, the ballast in kg; a line never runs past
// its buffer and a zero-size one is left alone.
TEST_F(CarServices, TheLiveSettingLineShowsTheSelectedFigure) {
  Car car;
  car.liveBrakeBalance = 7;
  car.liveAntiRoll[1] = 45300.0f;
  car.liveAntiRoll[0] = 120000.0f;
  car.appliedBallast = 25;
  const char* expected[] = {"Brake Bal Fr  7%", "Front ARB   45.3", "Rear ARB  120.0", "Ballast  25 kg",
                            "Pit Instructions", "", ""};
  const int selectors[] = {0, 1, 2, 3, 4, 5, -1};
  char line[SETUP_LINE_SIZE];
  for (int k = 0; k < 7; ++k) {
    LiveSettingSelector = selectors[k];
    std::snprintf(line, sizeof line, "stale");
    FormatSetupLine(line, sizeof line, car);
    EXPECT_STREQ(line, expected[k]) << selectors[k];
  }
  LiveSettingSelector = 4;
  char small[6];
  FormatSetupLine(small, sizeof small, car);
  EXPECT_STREQ(small, "Pit I");
  char untouched[2] = {'x', 0};
  FormatSetupLine(untouched, 0, car);
  EXPECT_EQ(untouched[0], 'x');
  // Nor is it cleared for a selector that shows nothing.
  LiveSettingSelector = 5;
  FormatSetupLine(untouched, 0, car);
  EXPECT_EQ(untouched[0], 'x');
}

// The local player's choice takes the car's names, colour set, set-up and colour index.
TEST_F(CarServices, TheLocalPlayersChoiceIsTheClosedCar) {
  Car car;
  std::snprintf(car.vehicleName, sizeof car.vehicleName, "Runabout");
  std::snprintf(car.shortName, sizeof car.shortName, "RUN");
  std::snprintf(car.currentColours.name, sizeof car.currentColours.name, "blue stripe");
  car.setupIndex = 3;
  car.colourIndex = 5;
  LocalCarChoice = CarChoice{};
  SetupPlayerCarChoice(car);
  EXPECT_EQ(LocalCarChoice.vehicleName[0], 0) << "no local player";
  RacePlayers[0] = RacePlayer{};
  RacePlayers[0].type = 0;
  RacePlayerCount = 1;
  LocalCarChoice.colourIndex = 99;
  SetupPlayerCarChoice(car);
  EXPECT_STREQ(LocalCarChoice.vehicleName, "Runabout");
  EXPECT_STREQ(LocalCarChoice.shortName, "RUN");
  EXPECT_STREQ(LocalCarChoice.skin, "blue stripe");
  EXPECT_EQ(LocalCarChoice.setupIndex, 3);
  EXPECT_EQ(LocalCarChoice.colourIndex, 5);
}

// Closing an open recording: the message naming the car, interface sound 2, the closing
// records handed on once; any other state is only cleared.
TEST_F(CarServices, ClosingAnOpenRecordingSaysSoAndHandsItOn) {
  static int closed = 0;
  closed = 0;
  CloseCarRecording = [](Car&) { ++closed; };
  Car car;
  std::snprintf(car.shortName, sizeof car.shortName, "RUN");
  car.recordingState = 1;
  WriteCarEventRecord(car);
  EXPECT_EQ(car.recordingState, 0);
  EXPECT_TRUE(g_lines.empty());
  EXPECT_TRUE(g_sounds.empty());
  EXPECT_EQ(closed, 0);
  car.recordingState = CAR_RECORDING_OPEN;
  WriteCarEventRecord(car);
  EXPECT_EQ(car.recordingState, 0);
  EXPECT_EQ(g_lines, std::vector<std::string>{"Event recording of RUN closed"});
  EXPECT_EQ(g_sounds, std::vector<int>{2});
  EXPECT_EQ(closed, 1);
  WriteCarEventRecord(car);
  EXPECT_EQ(closed, 1) << "once";
  CloseCarRecording = nullptr;
  car.recordingState = CAR_RECORDING_OPEN;
  WriteCarEventRecord(car);
  EXPECT_EQ(car.recordingState, 0);
  EXPECT_EQ(g_lines.size(), 2u);
}

}  // namespace
