// race_state.h - the race's state as the car and the world read it: its connection, its
// words and the autocross layouts' settings.
//
// The race writes them (race/), the car reads them and raises its flags in them (physics/),
// the world's clock, set-up and layouts read and write them (world/), the garage reads the
// countdown (frontend/).  They stand here, in the lowest layer that uses them; offline every
// record holds its defaults: no race, no connection, practice.  Main thread only.
#pragma once
#include <cstdint>

// ---- [Connection and race words] ----
// The race's connection state, which the race writes and the car reads (and raises its
// car-changed flag in).  The open word is 0 while a connection is open, so the offline
// state holds 1 there: a zeroed record would read as open.
struct ConnectionState {
  uint8_t connectedToHost = 0;
  uint8_t replayPlaying = 0;     // a multiplayer replay is playing
  int32_t connectionOpen = 1;    // 0: a connection to a game host is open
  uint8_t carChanged = 0;        // raised by a car whose state changed while connected
  uint8_t penalty = 0;           // the race penalty flag
  uint8_t hostLink = 0;          // the host connection's link byte: 128 and above a link that
                                 // cannot take a car's flag packet
  uint8_t ctrlinkRunning = 0;    // the control-link server runs
};
extern ConnectionState RaceConnection;

// What the race and its track say to a car's events and controls, named by the car's use of
// them (the race writes them; offline all zeros: no race, nothing checked).
struct RaceWords {
  uint8_t active = 0;          // a race is loaded and not loading (IsRaceActive)
  uint8_t started = 0;         // the start has been given
  uint8_t startCheck = 0;      // early starts are penalised
  uint8_t overrideRule = 0;    // the host overrides the track's start rule
  uint16_t trackMode = 0;      // the track's mode word: 4 a track without a start line
  uint16_t trackRule = 0;      // the track's second word: its start rule is in force
  uint8_t eventRecords = 0;    // the race keeps event records
  uint8_t timeLimitOverride = 0;  // the race keeps the cars' time limits as they are
  uint32_t timeLimitSeconds = 0;  // the race's time-limit setting
  uint32_t startStep = 0;      // the step count a car takes at the race's start
  uint8_t sharedSetting = 0;   // the global setting a start-line countdown updates
  // The race's state and clock, which the world's environment clock and the garage read.
  uint8_t state = 0;           // the race state (1 counting down to the start)
  uint8_t mode = 0;            // the race mode
  int32_t countdownMs = 0;     // milliseconds left of the countdown the garage shows
  uint64_t dateTime = 0;       // the race's date: 100-ns units since 1601, UTC
  uint8_t dateRuns = 0;        // the date moves on with the race time
  uint32_t raceTimeMs = 0;     // the race time run so far
  // What the path following reads: the view selection's mode (0 the configured lead), the
  // wrong-way and side-limit rules of the track, and the setting that turns the wrong-way
  // count off.
  uint8_t viewMode = 0;
  uint8_t wrongWayRule = 0;
  uint8_t sideLimitRule = 0;
  uint8_t noWrongWay = 0;
  // The loaded track's racing path is open (point to point): the world's set-up copies its
  // setting here.
  uint8_t pointToPoint = 0;
};
extern RaceWords RaceState;

// ---- [Layouts] ----
// The race's settings the autocross layouts read and write (the race owns them; offline all
// zeros: practice, no flags, the local connection 0, no replay).
struct RaceLayoutWords {
  uint8_t lapsCode = 0;        // 0 practice, 1..100 laps, 101..190 tens of laps, 191..238 hours
  uint8_t layoutQuiet = 0;     // a layout's plain status text is not shown
  uint8_t localConnection = 0; // the local connection's id (the sender byte of its packets)
  uint8_t replayMode = 0;      // a replay's layout: 1 every record, 2 those of index 1..191
};
extern RaceLayoutWords RaceLayout;
// The laps of a laps code: the code itself for 1..100, (code - 90) x 10 for 101..190; 0 for
// practice and for races of hours (191..238) and codes past them.
int GetRaceLaps(int lapsCode);
// The hours of a laps code of 191..238 (code - 190); 0 for any other.
int GetRaceHours(int lapsCode);
