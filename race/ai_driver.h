// ai_driver.h - the race's side of its computer drivers: the name of a car's path file on the
// current track, one generation pass of a car's path figures, the fuel a driver loads, and a
// driver's state reset at a race's start.  No race session runs in this program: the race's
// callers (StartAIRace, RequestAddAi) are not here.  Main thread only.
#pragma once
#include <cstdint>

#include "world/racing_path.h"

struct Car;

// ---- [Path file name] ----
constexpr int AI_CAR_CODE_SIZE = 7;  // six hex digits and the end
constexpr const char* TEXT_AI_CAR_NOT_FOUND = "AI path - car not found :";
// A car's code in its path file's name from its 4-byte id: the three characters when they are
// ASCII letters or digits, else the first three bytes as a little-endian number in six
// upper-case hex digits; empty for an id of four characters.
void FormatAiCarCode(const char id[4], char code[AI_CAR_CODE_SIZE]);
// "data\knw\<track>_<code>.knw" with the track's short name (FormatTrackName) and the car's
// code.  1; 0 with "AI path - car not found : <name>" and both outputs empty when the name is
// not a vehicle's.
int AiPathFileName(char* path, int pathSize, char code[AI_CAR_CODE_SIZE], const char* carName);

// ---- [Generation] ----
// One car's pass: the racing path interpreted into curves (the car's half width as the
// margin), then for each lap the line set up, the set-up step, the car model, the speed
// profile, the lap time and the fuel per lap.  1 when every lap's line kept inside the limits.
int GenerateAIPathInfo(AiPath& aiPath, TrackPath& path, Car& car, int laps);

// ---- [Fuel plan] ----
// The fuel to load in percent of the tank (0..100) and the stints (out) for a race of the laps
// code (0 practice, 1..100 laps, 101..190 (code - 90) x 10 laps, 191..238 hours) under the
// race flags (RaceSettings.flags: the mandatory stop, RACE_FLAG_REFUELLING) on the loaded
// world: 0 without a racing path or a tank; 50 for practice; a shortRun race is 3 laps on a
// closed path, else 1.  An hours race with no stored lap time plans a full tank in one stint.
// The race passes its laps code (no race session runs here).
int CalcAiFuelPlan(const AiPath& aiPath, int shortRun, int& stints, int lapsCode);

// ---- [Driver state] ----
constexpr int AI_HISTORY_SIZE = 32;
constexpr int AI_LOOK_AHEADS = 3;
struct AiDriverState {
  Car* car = nullptr;
  uint8_t* linkedMode = nullptr;  // the mode byte of the record the state is linked to, or null
  uint8_t mode = 0;               // 1 racing from a standing start, 2 from a rolling one
  int32_t counters[4] = {};
  uint32_t flags = 0;
  float vectors[2][3] = {};
  uint8_t stateBytes[8] = {};
  float steering[4] = {};
  float history[AI_HISTORY_SIZE] = {};
  int32_t targetIndex = 0;
  float steeringGains[2] = {};
  int32_t startDelayMs = 0;
  int32_t secondDelayMs = 0;
  uint16_t lookAheadAngles[AI_LOOK_AHEADS] = {};  // 65536 to a turn
  int32_t lookAheadCompanions[AI_LOOK_AHEADS] = {};
  float reactionRate = 0;
};
constexpr uint32_t AI_CAR_DELAYED_FLAG = 0x200;  // the car's capability word: a second delay
constexpr uint8_t AI_FAST_REACTION_CLASS = 7;    // the vehicle class that reacts at once (a bike)
// A driver's reset at a race's start (start mode 0, 1 or other): its mode (2 for a nonzero
// start mode, else 1, also into the linked record), its working state cleared, the target
// index -1, steering gains 0.1 and 1.0, the start delay (0; 1000 + seed / 2 ms for mode 1 with
// the shared seed stepped; 1000 ms otherwise), the second delay, the look-ahead angles and the
// reaction rate 0.8 pi sqrt(1500 / mass) (10 for a bike).
void ResetAIDriver(AiDriverState& state, int startMode);
