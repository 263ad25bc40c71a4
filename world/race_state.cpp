// race_state.cpp - the race's state records and the laps code.
#include "world/race_state.h"

ConnectionState RaceConnection;
RaceWords RaceState;
RaceLayoutWords RaceLayout;

int GetRaceLaps(int lapsCode) {
  if (lapsCode >= 1 && lapsCode <= 100) return lapsCode;
  if (lapsCode >= 101 && lapsCode <= 190) return (lapsCode - 90) * 10;
  return 0;
}

int GetRaceHours(int lapsCode) { return lapsCode >= 191 && lapsCode <= 238 ? lapsCode - 190 : 0; }
