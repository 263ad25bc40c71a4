// race_test.cpp - the race services as the editor runs them: offline.
#include <gtest/gtest.h>

#include "race/race.h"

#include <cstring>

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

}  // namespace
