// race_start.h - the race start as a join to a game host would run it: the world created and
// its track file opened, then stepped once a drawn frame while its loading page shows the
// step and the percentage, until it has finished or failed.  Nothing of this program starts a
// race: the join that calls it has no host here, and no button or option of ours reaches it.
//
// Main thread only.
#pragma once

// Creates the world, gives it the track's two-letter code (the first two letters of the
// name, in capitals) and opens the track's file: 1 with CWld loading from step 1; 0 with the
// reason shown ("Track not found", ...), the world deleted and CWld null.
int StartRaceWorld(const char* trackName);

// The loading page's work for one drawn frame: one load call inside the game-code section
// while the world's load step is not 0 (step 17, the meshes, included).  The result says
// what the page does next; a failed load deletes the world.
enum RaceWorldLoading { RACE_WORLD_LOADING = 0, RACE_WORLD_READY = 1, RACE_WORLD_FAILED = 2 };
int StepRaceWorldLoading();

// The line the loading page shows: the load's status text ("Loading textures 37%"), or
// "FINISHED" once the world is ready, or "" without a world.
const char* RaceWorldLoadingLine();
