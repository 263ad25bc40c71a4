// race_start.cpp - the race start: the world made and loaded, stepped a frame at a time.
#include "race/race_start.h"

#include <cctype>
#include <cstdio>

#include "world/track_file.h"
#include "world/world.h"

RaceTrack SelectedTrack = {"", 1, 0};

void AnswerTrackSelection(TrackLoadSelection& selection) {
  selection.configNumber = SelectedTrack.configNumber;
  selection.configFlags = SelectedTrack.configFlags;
  selection.raceSetting = 0;
}

int StartRaceWorld(const char* trackName, int32_t configNumber, uint32_t configFlags) {
  if (!trackName) trackName = "";
  std::snprintf(SelectedTrack.shortName, sizeof SelectedTrack.shortName, "%s", trackName);
  SelectedTrack.configNumber = configNumber;
  SelectedTrack.configFlags = configFlags;
  DeleteWorld();  // at most one world
  Wld* world = new Wld;
  for (int i = 0; i < 2 && trackName[i]; ++i)
    world->trackCode[i] = char(std::toupper(static_cast<unsigned char>(trackName[i])));
  if (!world->LoadTrackFile(trackName)) {
    if (CWld == world) CWld = nullptr;
    delete world;
    return 0;
  }
  return 1;
}

int StepRaceWorldLoading() {
  if (!CWld) return RACE_WORLD_FAILED;
  if (CWld->loadStep != 0) SetupWorldInGameCode();
  if (WorldLoadFailed()) {
    DeleteWorld();
    return RACE_WORLD_FAILED;
  }
  return CWld->loadStep == 0 ? RACE_WORLD_READY : RACE_WORLD_LOADING;
}

const char* RaceWorldLoadingLine() { return CWld ? WorldLoadingText : ""; }
