// car_race.h - what a car keeps of its place in a race (pit stop, penalties, flags, reset
// place) and what it reads of the race's settings and of the loaded world's pit lane, racing
// path and layout.
//
// Sections: [Pit stop and penalties] [Race settings] [World]
//
// Layers: the race (race/) writes the settings and the world (world/) installs its hooks; the
// car simulation reads both.  Offline (the editor and the garage) no setting is on and no
// hook is installed: no speed-limit zone, no pit stop points, no racing path, no layout.
// Main thread only.
#pragma once
#include <cstdint>

#include "solid/solid.h"

// ---- [Pit stop and penalties] ----
// The reported and the standing penalty codes.
enum PenaltyCode : uint8_t {
  PENALTY_NONE = 0,
  PENALTY_DRIVE_THROUGH = 1,
  PENALTY_DRIVE_THROUGH_SERVING = 2,
  PENALTY_STOP_GO = 3,
  PENALTY_STOP_GO_SERVING = 4,
  PENALTY_30_SECONDS = 5,
  PENALTY_45_SECONDS = 6,
};
// Why a penalty was reported.
constexpr uint8_t PENALTY_REASON_NONE = 0;
constexpr uint8_t PENALTY_REASON_SPEEDING = 4;
constexpr uint8_t PENALTY_REASON_SHORT_STOP = 5;
// The pit state: work in hand, then the stop has ended.
constexpr uint8_t PIT_STATE_WORKING = 2;
constexpr uint8_t PIT_STATE_ENDING = 3;
constexpr uint8_t PIT_STATE_DONE = 4;
constexpr int PIT_STAGES = 18;            // 0 none, 1 the start of the stop .. 17 refuelling
constexpr int PIT_STAGE_REFUEL = 17;
constexpr int PIT_STAGE_SETUP = 16;
constexpr int PIT_STAGE_BODY_LIGHT = 14, PIT_STAGE_BODY_HEAVY = 15;
// Seconds each stage takes; refuelling takes until the target is reached.
extern const uint8_t PIT_STAGE_SECONDS[PIT_STAGES];
constexpr uint32_t PIT_MESSAGE_STEPS = 2500;
constexpr uint32_t PIT_LEAST_STEPS = 20000;   // a stop is only planned after this many steps
constexpr uint32_t STOP_GO_LEAST_STEPS = 10000;
constexpr float PIT_STOP_REACH = 2.5f;        // m from a pit stop point or marker

// The driver's pit request, which the race fills from the player's choices.
struct PitRequest {
  uint8_t refuelPercent = 0;    // of the tank
  uint8_t repair = 0;
  uint8_t newTyres[4] = {};     // by wheel slot: non-zero, a new set chosen
  uint8_t setupChange = 0;      // the set-up to fit differs from the car's
};

// The car's race duties' state; Car::Reset and Car::PlaceAt set it back.
struct CarRaceState {
  uint8_t pitStage = 0;          // 0 none, 1..17
  uint8_t pitState = 0;          // PIT_STATE_
  uint32_t pitWork = 0;          // bit k: stage k is to be done
  uint32_t stageEnd = 0;         // step count
  uint32_t pitStart = 0;         // step count at the start of the stop
  uint32_t lastStopSteps = 0;    // how long the last stop took
  uint8_t standingPenalty = 0;   // PenaltyCode, set by the host
  uint8_t reportedPenalty = 0;   // PenaltyCode, as last sent
  uint8_t penaltyReason = 0;     // kept for the serving message
  uint8_t speeding = 0;          // over the pit lane's limit
  uint8_t inZone = 0;            // in a speed-limit zone (the pit lane) at the last step
  uint16_t messageWord = 0;      // the pit lane's message: 0x101 quiet, 0x302..0x304 shown
  uint32_t messageTimer = 0;     // steps left
  float refuelTarget = 0;        // litres
  float refuelFigures[4] = {};
  uint8_t blueCounter = 0;       // 0..7
  uint8_t blueTarget = 0;        // the id of the player who comes
  uint8_t yellowCounter = 0;     // 0..4
  uint8_t noState = 0;           // the state packet is not sent (a multiplayer pit stop runs)
  uint8_t pendingEvents[2] = {0xFF, 0xFF};  // 0xFF none
  uint8_t pendingRequest = 0xFF;
  uint8_t groupBytes[4] = {1, 0, 1, 1};
  uint8_t assistOn = 0;
  uint8_t requestByte = 0;       // 2 for a local car
  uint8_t stateByte = 3;
  uint8_t waitingReset = 0;      // a reset of this car is waiting for its place to be free
  IntVector resetPlace = {};     // 16.16
  uint32_t lastStateStep = 0, lastResetStep = 0;
  IntVector lastPlace = {};      // 16.16, where the car was placed
  float factors[2] = {1.0f, 1.0f};
  uint32_t raceWords[4] = {};    // the race timing's words
  int32_t lapsDone = 0;
  int32_t racePosition = 0;      // the place in the race order, 0 first
  float laneLeft = 0, laneRight = 0;  // m: the lane's limits about the path line
  float lateralVelocity = 0, lateralAcceleration = 0;  // m/s, m/s^2 across the path
  PitRequest pitRequest;
};

// The penalty a pit-lane offence (1, 3, 5 or 6) gives over the standing penalty, or 0xFF when
// it gives none.
uint8_t PenaltyForOffence(uint8_t offence, uint8_t standing);

// The reset request of Car::ResetToPathNode.
struct ResetRequest {
  int32_t node = 0;
  uint8_t forced = 0;     // the place is corrected even within the path
  uint8_t corrected = 0;  // set when the place was moved
  float offset = 0;       // m from the path line, positive to the right
  IntVector position = {};  // 16.16
};
enum ResetResult { RESET_FREE = 0, RESET_OCCUPIED = 1, RESET_BEING_RESET = 2, RESET_CAR_COMING = 3, RESET_BAD_NODE = 4 };
constexpr const char* TEXT_RESET_BAD_NODE = "Can't reset - invalid path node";
constexpr int RESET_NODES_BEHIND = 30;

// ---- [Race settings] ----
// What the race sets for its cars; the offline state has every switch off.
struct CarRaceSettings {
  uint8_t raceActive = 0;        // a race is loaded and running
  int32_t laps = 0;              // the race's lap count, 0 none
  uint8_t pitOption = 0;         // the program's pit option: stops are planned
  uint8_t pitLimitRule = 0;      // speeding in the pit lane is penalised
  uint8_t pitMessageRequest = 0; // a pit lane entry without purpose is announced
  uint8_t hostAllowsServing = 0; // serving a penalty is announced
  uint8_t refuelling = 0;        // the host allows refuelling
  uint8_t multiplayer = 0;       // a game session with a host
  uint8_t connected = 0;         // connected to a game host: the state packet is sent
  uint8_t hostNoFlags = 0;       // the host's option 0x200: no blue or yellow flags
  uint8_t blueFlags = 0, yellowFlags = 0;
  int32_t yellowDelay = 0;       // s: the yellow flag waits this + 12 s into the race
  uint8_t resetMessage = 1;      // the local user is told of an invalid reset node
  uint8_t warmTyres = 0;         // the program's warm-tyres option
  uint8_t warmStart = 0;         // the race's warm-start option
  uint8_t worldTiming = 0;       // the world has timing
  uint8_t toggleOption = 0;      // the first toggle byte starts at 1 on a track (class bit 0x200)
};
extern CarRaceSettings RaceSetup;

// ---- [World] ----
// The pit lane, the racing path and the layout as the car reads them.  Each hook is null
// until the world installs it: a null hook means no zone, no stop point, no path, no marker.
struct PathPoint {
  IntVector position;  // 16.16
  float dirX, dirY;    // unit, along the path
  float limitLeft, limitRight;  // m: the lane's limits about the line (left negative)
  float roadLeft, roadRight;    // m: the road's edges
  float distance;               // m along the path
};
struct CarWorldHooks {
  // The speed-limit zone at a 16.16 x, y: its index, -1 outside; the zone's limit byte (km/h - 1).
  int (*FindSpeedLimitZoneAt)(int32_t x, int32_t y);
  int (*PitSpeedLimit)(int zone);
  // The pit stop points: their count and each one's 16.16 position.
  int (*PitStopPointCount)();
  IntVector (*PitStopPoint)(int index);
  // The racing path: its node count (0 none), a node, the point between node i and the next
  // at a fraction (the result: the spacing figure), the lateral offset (m) of a 16.16 position
  // from a path point.
  int (*PathNodeCount)();
  PathPoint (*PathNode)(int index);
  float (*InterpolatePathNodes)(int a, int b, float fraction, PathPoint& out);
  float (*PathNodeLateralOffset)(const PathPoint& point, const IntVector& position);
  // 1 when a pit-stop marker of the layout lies within reach (m) of a 16.16 position.
  int (*IsNearLayoutObject186)(const IntVector& position, float reach);
  // The path's first node of the segment nearest a 16.16 position (-1 none), whether the path
  // is a loop, and its finish node (-1 none).
  int (*NearestPathNode)(const IntVector& position);
  int (*PathIsLoop)();
  int (*PathFinishNode)();
  // The racing path's name for messages ("?" none).
  const char* (*PathName)();
};
extern CarWorldHooks CarWorld;
