// car_events.h - what a car keeps for its events and race hooks (the stop/start watch, the
// start line, the reset request, the player's settings), for its gear requests and switches,
// and the layout of its state packet.  Plain records the car (physics/car.h) holds; the car's
// operations on them are in car_events.cpp, car_gearbox.cpp, car_controls.cpp and
// car_state_packet.cpp.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"

// ---- the stop/start watch ----
// The first WATCH_WARM_UP calls only count; then a car slower than WATCH_STOP_SPEED stops and
// one at WATCH_MOVE_SPEED or faster moves again.
constexpr uint16_t WATCH_WARM_UP = 1000;
constexpr float WATCH_STOP_SPEED = 0.6f, WATCH_MOVE_SPEED = 1.0f;  // m/s
struct CarWatch {
  uint16_t warmUp = 0;         // calls counted, up to WATCH_WARM_UP (gear requests wait for it)
  uint32_t stopTime = 0;       // the step count when the car last stopped
  uint32_t firstStopTime = 0;  // the step count of the first stop, kept while keepFirstStop is set
  uint8_t keepFirstStop = 0;
  int32_t stopControlSum = 0;  // Car::ControlSum when it stopped
};

// ---- the race's hooks in the car ----
// The start line: the early-start penalty at 0.5 m from the grid place, leaving the grid at
// 6 m (each less one 16.16 unit).
constexpr int64_t EARLY_START_DISTANCE = 32768 - 1, LEFT_GRID_DISTANCE = 6 * 65536 - 1;
// Three countdowns (steps) whose expiry sends a packet prepared for them.
constexpr int CAR_COUNTDOWNS = 3;
constexpr int COUNTDOWN_PACKET_SIZE = 12;
constexpr int COUNTDOWN_SETTING = 2;  // the countdown that updates the race's shared setting
struct CarCountdown {
  uint16_t steps = 0;  // 0: idle
  uint8_t size = 0;    // bytes of the prepared packet
  uint8_t value = 0;   // what it carries (the shared setting's value for COUNTDOWN_SETTING)
  uint8_t packet[COUNTDOWN_PACKET_SIZE] = {};
};
// The freeze check asks for a reset at most this often (steps), when slower than 2 m/s.
constexpr uint32_t RESET_REQUEST_STEPS = 2000;
constexpr float RESET_REQUEST_SPEED = 2.0f;
// Parking: after this many steps stopped, the drive is switched off and the handbrake set.
constexpr uint32_t PARKING_STEPS = 40000;
// The player's 16-byte settings record the race start hands the car.
constexpr int PLAYER_SETTINGS_SIZE = 16;
struct PlayerSettings {
  uint8_t bytes[4];      // 0..3: the player's choices
  uint16_t word;         // 4..5
  uint32_t startOffset;  // 6..9: ms added to the race's time limit for the first limit
  uint32_t options;      // 10..13
  uint8_t last[2];       // 14..15
};
struct CarRaceHooks {
  uint8_t penaltySent = 0;  // an early start was penalised
  uint8_t penaltyCode = 0;  // the start-line penalty's code
  uint8_t leftGrid = 0;     // the flag packet for leaving the grid was sent
  uint8_t spectate = 0;     // 2: made to spectate for leaving the grid
  IntVector pointAhead = {};     // 16.16, kept by the path following
  int32_t gridPosition[2] = {};  // 16.16 x and y of the car's grid place
  CarCountdown countdowns[CAR_COUNTDOWNS];
  uint32_t lastResetRequest = 0;  // the step count of the last reset request
  uint8_t resetRequested = 0;     // a reset request was ever made
  uint8_t onPathNode = 0;         // the car stands placed on a path node
  uint8_t requestedDriveSide = 0; // 1: the driver on the left
  PlayerSettings player = {};
  uint8_t playerEnabled = 0;      // the player settings' enable flag
};

// ---- a saved state ----
// What the vehicle editor keeps of its car while it edits, to put back when it closes
// (Car::SaveState, Car::RestoreSavedState).
constexpr int SAVED_STATE_WHEELS = 4;
struct CarSavedState {
  uint8_t wheelCount = 0;
  float wheelPositions[SAVED_STATE_WHEELS][3] = {};  // each wheel's centre, car axes
  float engine[6] = {};  // speed, smoothed speed, crank and driveline angles, turbo speed, running
  float clutch = 0;
  float orientation[7] = {};  // the first two rows and the last element
  int32_t x = 0, z = 0;       // 16.16
  float velocityX = 0, velocityZ = 0;
  uint16_t steering = 0x8000;
  uint8_t gear = 1;
  uint16_t throttle = 0;
  uint8_t handbrake = 0;
};

// ---- gear requests and switches ----
constexpr uint8_t GEAR_REQUEST_NONE = 0xFF;
constexpr uint16_t SHIFT_DOWN_STEPS = 200, SHIFT_UP_STEPS = 1000;
// "Avoided GEAR_REVERSE" / "Avoided GEAR_FIRST": a shift through neutral refused because the
// last shift was too recent.
constexpr const char* TEXT_AVOIDED_REVERSE = "Avoided GEAR_REVERSE";
constexpr const char* TEXT_AVOIDED_FIRST = "Avoided GEAR_FIRST";
// The automatic gearbox's answers.
enum AutoShiftAnswer { SHIFT_KEEP = 0, SHIFT_DOWN = 1, SHIFT_UP = 2 };
// The driver's requests that the controls take once and clear (written by the input layer).
struct CarRequests {
  uint16_t shiftUp = 0, shiftDown = 0;       // held
  uint8_t gear = GEAR_REQUEST_NONE;          // a gear slot asked for directly
  uint16_t ignition = 0, pitLimiter = 0, assist = 0;
  uint16_t toggles[2] = {};                  // the toggle byte's switch, the mode switch
};
struct CarGearbox {
  uint8_t requested = 1;    // the gear slot asked for
  uint16_t shiftTimer = 0;  // steps since the last shift request, counting down
  uint8_t upLatch = 0, downLatch = 0;
  uint8_t changeStarted = 0;  // the gear slot + 1 whose change loaded its timers; 0 none
  uint8_t toggle = 0;       // the first toggle
  uint8_t mode = 0;         // the mode switch's setting
  uint32_t modeWord = 0;    // cleared when the mode was 0
  uint32_t lastInputTime = 0;  // the step count of the last switch
};
// How much the driver moves the controls, and the loose wheels counted.
struct CarActivity {
  uint32_t accumulator = 0, budget = 0;
  uint16_t previousSteering = 0x8000;
  uint8_t previousThrottle = 0, previousBrake = 0;  // bytes
  uint8_t looseWheels = 0, looseWheelsSent = 0;
};

// ---- the state packet ----
constexpr int STATE_PACKET_SIZE = 72;
constexpr uint16_t STATE_PACKET_TYPE_WORD = 0x6812;  // bytes 18 (words) and 104 (type)
constexpr int STATE_PACKET_WHEELS = 4;
constexpr int STATE_WHEEL_BLOCK = 16;
constexpr float TOE_DAMAGE_LIMIT = 0.3926991f;  // rad: a toe byte of 127
// The packet's offsets within a wheel block.
enum StateWheelByte {
  STATE_SPRING = 0, STATE_FIRST_ARM = 1, STATE_SECOND_ARM = 2, STATE_TOE = 3,
  STATE_TEMPERATURES = 4,  // seven bytes: three lanes, air, two carcass sides, rim
  STATE_LOOSE = 11, STATE_TREAD = 12, STATE_DIRT = 15,
};
