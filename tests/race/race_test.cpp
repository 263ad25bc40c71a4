// race_test.cpp - the race services as the editor runs them: offline.
#include <gtest/gtest.h>

#include "race/race.h"

#include <cstring>
#include <filesystem>

#include "solid/solid_hooks.h"
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

TEST(OfflineRace, LapsCodes) {
  EXPECT_EQ(GetRaceLaps(0), 0) << "practice";
  EXPECT_EQ(GetRaceLaps(1), 1);
  EXPECT_EQ(GetRaceLaps(100), 100);
  EXPECT_EQ(GetRaceLaps(101), 110);
  EXPECT_EQ(GetRaceLaps(190), 1000);
  EXPECT_EQ(GetRaceLaps(191), 0) << "a race of hours";
  EXPECT_EQ(GetRaceHours(191), 1);
  EXPECT_EQ(GetRaceHours(238), 48);
  EXPECT_EQ(GetRaceHours(239), 0);
  EXPECT_EQ(GetRaceHours(100), 0);
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
  // 61 marked places with their heights kept (no ground needed).
  for (int i = 0; i < 61; ++i)
    ASSERT_EQ(AddLayoutPlace({int16_t(i * 32), 0, 0, 0x80, 252, 0}, nullptr), 1);
  ASSERT_EQ(SaveLayout("places"), 1);
  SendClearLayoutPacket();
  EXPECT_EQ(LayoutPlaceCount, 0);
  ASSERT_EQ(HostLoadLayout("places"), 1);
  EXPECT_EQ(Connections[0].layoutByte, 0);
  EXPECT_EQ(Connections[1].layoutByte, 0);
  EXPECT_EQ(LayoutPlaceCount, 60) << "the first block";
  EXPECT_EQ(LayoutLoadUnderWay(), 1);
  PollNetwork();
  EXPECT_EQ(LayoutPlaceCount, 61);
  EXPECT_EQ(LayoutLoadUnderWay(), 0);
  EXPECT_EQ(RaceLink.RaceFlags(), 0u);
  DeleteWorld();
  ConnectionCount = 0;
  std::filesystem::current_path(previous);
  InstallRaceHooks(saved);
}

}  // namespace

