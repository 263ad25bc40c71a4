// race_start.h - the race start as a join to a game host would run it: the world created and
// its track file opened, then stepped once a drawn frame while its loading page shows the
// step and the percentage, until it has finished or failed.  Nothing of this program starts a
// race: the join that calls it has no host here, and no button or option of ours reaches it.
//
// Main thread only.
#pragma once
#include <cstdint>

struct TrackLoadSelection;

// The track the race has selected: the short name its files go by ("data/wld/<name>.wld"),
// the configuration number (1 the first stored path) and the configuration flags (bit 0 the
// reverse direction, bit 1 the open configuration).  The race start sets it; the world's
// loader reads it through GetTrackSelection (world/track_file.h), which InstallRaceHooks
// points at AnswerTrackSelection.
struct RaceTrack {
  char shortName[32];
  int32_t configNumber;
  uint32_t configFlags;
};
extern RaceTrack SelectedTrack;
// The race's answer to the loader: the selected configuration and its flags; the one further
// race setting the loader keeps (LoadedRaceSetting) is 0, as no race of ours sets it.
void AnswerTrackSelection(TrackLoadSelection& selection);

// Selects the track, creates the world, gives it the track's two-letter code (the first two
// letters of the name, in capitals) and opens the track's file: 1 with CWld loading from
// step 1; 0 with the reason shown ("Track not found", ...), the world deleted and CWld null.
int StartRaceWorld(const char* trackName, int32_t configNumber = 1, uint32_t configFlags = 0);

// The loading page's work for one drawn frame: one load call inside the game-code section
// while the world's load step is not 0 (step 17, the meshes, included).  The result says
// what the page does next; a failed load deletes the world.
enum RaceWorldLoading { RACE_WORLD_LOADING = 0, RACE_WORLD_READY = 1, RACE_WORLD_FAILED = 2 };
int StepRaceWorldLoading();

// The line the loading page shows: the load's status text ("Loading textures 37%"), or
// "FINISHED" once the world is ready, or "" without a world.
const char* RaceWorldLoadingLine();
