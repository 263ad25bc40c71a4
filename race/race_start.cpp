// race_start.cpp - the race start: the world made and loaded, stepped a frame at a time; the
// loaded track's short name.
#include "race/race_start.h"

#include <cctype>
#include <cstdio>

#include "race/race.h"
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

const char* FormatTrackName() {
  static char text[24];
  text[0] = 0;
  if (!CWld || !CWld->trackCode[0]) return text;
  static constexpr const char* LETTERS[4] = {"", "R", "X", "Y"};
  std::snprintf(text, sizeof text, "%.2s%d%s", CWld->trackCode, int(CWld->configNumber),
                LETTERS[CWld->configFlags & 3]);
  return text;
}

const char* RaceWorldLoadingLine() { return CWld ? WorldLoadingText : ""; }
