// car_events.cpp - what a car tells the race and the game host: its event queue, its one-shot
// event packets with the car summary, the stop/start watch with the early-start penalties,
// the start line, the freeze check's reset request, parking, the set-up difference, the race's
// and the player's settings, the statistics flush and the player flag packet.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "physics/car.h"
#include "solid/solid_hooks.h"
#include "world/race_state.h"

namespace {

constexpr float TURN_BYTES = 40.743664f;  // 256 / 2 pi
constexpr float MOST_SUMMARY_SPEED = 200.0f;
constexpr int MOST_AHEAD_HEIGHT = 240;    // quarter metres
constexpr uint16_t TRACK_WITHOUT_START = 4;
constexpr uint8_t PENALTY_EARLY = 6, PENALTY_EARLY_MODE = 5, PENALTY_RULE_MODE = 1, PENALTY_RULE = 3;
constexpr uint8_t EVENT_BITS = 8;         // codes below this keep a bit of the event byte
constexpr int32_t STATS_LEAST_METRES = 4;
constexpr int32_t STATS_MOST_METRES = 2048;
constexpr uint16_t STATS_LONG_DISTANCE = 65534;
constexpr uint8_t GEAR_NEUTRAL = 1;
constexpr float PARKED_CLUTCH = 0.9f;
constexpr float HIGHEST = 160.0f, LOWEST = -20.0f;

// A turn of 256 from an angle in radians, wrapped into a byte.
uint8_t TurnByte(float angle) {
  if (!std::isfinite(angle)) return 0;
  return static_cast<uint8_t>(static_cast<int32_t>(std::nearbyint(angle * TURN_BYTES)) & 0xFF);
}

// The horizontal distance (16.16) from a grid place beyond a limit.
bool Beyond(const IntVector& position, const int32_t grid[2], int64_t limit) {
  const double dx = double(position.x) - grid[0], dy = double(position.y) - grid[1];
  return dx * dx + dy * dy > double(limit) * double(limit);
}

}  // namespace

// ---- the queue and the event packets ----

int Car::QueueEvent(const uint8_t event[4]) {
  DamageNode node;
  node.point = event[0];
  node.depth = event[1];
  node.direction = static_cast<uint16_t>(event[2] | event[3] << 8);
  return AddDamageNode(node);
}

uint8_t Car::PlayerIdByte() const {
  const int player = GetPlayer();
  return player < 0 ? 0 : static_cast<uint8_t>(RaceLink.PlayerId(player));
}

void Car::MakeCarSummary(uint8_t summary[CAR_SUMMARY_SIZE]) const {
  std::memset(summary, 0, CAR_SUMMARY_SIZE);
  const float s = std::isfinite(speed) ? std::min(std::fabs(speed), MOST_SUMMARY_SPEED) : 0.0f;
  summary[2] = static_cast<uint8_t>(std::nearbyint(s));
  if (summary[2] != 0) summary[0] = TurnByte(std::atan2(-velocity.x, velocity.y));
  summary[1] = TurnByte(std::atan2(-orientation[1], orientation[4]));
  const IntVector& ahead = raceHooks.pointAhead;
  summary[3] = static_cast<uint8_t>(std::clamp(ahead.z >> 14, 0, MOST_AHEAD_HEIGHT));
  PutU16(summary + 4, static_cast<uint16_t>(ahead.x >> 12));
  PutU16(summary + 6, static_cast<uint16_t>(ahead.y >> 12));
}

void Car::SendEventPacket(int code) {
  const bool keepsBit = code >= 0 && code < EVENT_BITS;
  if (keepsBit && (eventByte >> code & 1)) return;
  const int player = GetPlayer();
  if (player < 0) return;
  uint8_t summary[CAR_SUMMARY_SIZE];
  MakeCarSummary(summary);
  uint8_t packet[EVENT_SIZE];
  MakeEventPacket(packet, static_cast<uint8_t>(RaceLink.PlayerId(player)), static_cast<uint8_t>(code), stepCount,
                  summary);
  AddToPacket(packet, EVENT_SIZE);
  if (RaceState.eventRecords) RaceLink.TellEvent(player, packet, EVENT_SIZE);
  if (keepsBit) eventByte = static_cast<uint8_t>(eventByte | 1u << code);
}

void Car::OffTrackCheck() {
  if (!FewWheelsOfKinds())
    SendEventPacket(CAR_EVENT_OFF_ROAD);
  else
    eventByte = static_cast<uint8_t>(eventByte & ~(1u << CAR_EVENT_OFF_ROAD));
}

// ---- the stop/start watch ----

int Car::StopStartWatch() {
  if (watch.warmUp < WATCH_WARM_UP) {
    ++watch.warmUp;
    return 0;
  }
  const int player = GetPlayer();
  if (!stopState) {
    if (!(speed < WATCH_STOP_SPEED)) return 0;
    stopState = 1;
    watch.stopTime = stepCount;
    if (!watch.keepFirstStop) watch.firstStopTime = stepCount;
    stoppedTiming = 0;
    watch.stopControlSum = ControlSum();
  } else {
    if (!(speed >= WATCH_MOVE_SPEED)) return 0;
    stopState = 0;
    if (player >= 0 && !raceHooks.penaltySent) {
      const uint8_t id = static_cast<uint8_t>(RaceLink.PlayerId(player));
      if (!RaceState.started && RaceState.startCheck) {
        if (RaceState.trackMode != TRACK_WITHOUT_START || stepCount < timeLimits[0]) {
          uint8_t packet[EARLY_START_SIZE];
          MakeEarlyStartPacket(packet, id);
          AddToPacket(packet, EARLY_START_SIZE);
          raceHooks.penaltySent = 1;
        }
      } else if (RaceState.trackMode != TRACK_WITHOUT_START && RaceState.active) {
        uint8_t code = RaceState.trackMode > 0 ? PENALTY_EARLY_MODE : PENALTY_EARLY;
        if (RaceState.trackRule && !RaceState.overrideRule) code = RaceState.trackMode ? PENALTY_RULE_MODE : PENALTY_RULE;
        raceHooks.penaltyCode = code;
        uint8_t packet[PENALTY_SIZE];
        MakePenaltyPacket(packet, id, code, PENALTY_KIND);
        AddToPacket(packet, PENALTY_SIZE);
        RaceConnection.penalty = 1;
        raceHooks.penaltySent = 1;
      }
    }
  }
  if (player >= 0) {
    uint8_t summary[CAR_SUMMARY_SIZE];
    MakeCarSummary(summary);
    uint8_t packet[EVENT_SIZE];
    MakeEventPacket(packet, static_cast<uint8_t>(RaceLink.PlayerId(player)), stopState ? EVENT_STOPPED : EVENT_MOVING,
                    stepCount, summary);
    AddToPacket(packet, EVENT_SIZE);
    if (RaceState.eventRecords) RaceLink.TellEvent(player, packet, EVENT_SIZE);
  }
  return 1;
}

// ---- the start line, the freeze check and parking ----

void Car::StartLineCheck(int player) {
  for (int k = 0; k < CAR_COUNTDOWNS; ++k) {
    CarCountdown& c = raceHooks.countdowns[k];
    if (c.steps == 0 || --c.steps != 0) continue;
    if (k == COUNTDOWN_SETTING) RaceState.sharedSetting = c.value;
    if (c.size >= 4 && c.size <= COUNTDOWN_PACKET_SIZE) AddToPacket(c.packet, c.size);
  }
  if (player < 0 || RaceState.started || !RaceState.active) return;
  if (!raceHooks.penaltySent && Beyond(position, raceHooks.gridPosition, EARLY_START_DISTANCE)) {
    uint8_t packet[EARLY_START_SIZE];
    MakeEarlyStartPacket(packet, static_cast<uint8_t>(RaceLink.PlayerId(player)));
    AddToPacket(packet, EARLY_START_SIZE);
    raceHooks.penaltySent = 1;
  }
  if (!raceHooks.leftGrid && RaceState.trackMode != TRACK_WITHOUT_START &&
      Beyond(position, raceHooks.gridPosition, LEFT_GRID_DISTANCE)) {
    SendPlayerFlagPacket(FLAG_LEFT_GRID);
    raceHooks.leftGrid = 1;
    raceHooks.spectate = 2;
    RaceConnection.penalty = 1;
  }
}

void Car::FreezeCheck() {
  const double height = position.z / 65536.0 + offset.z;
  if (frozen == 1 && height >= LOWEST && height <= HIGHEST && RaceConnection.connectedToHost &&
      RaceConnection.hostLink < 128) {
    SendPlayerFlagPacket(FLAG_FROZEN);
    frozen = 2;
    return;
  }
  if (stopState || !(speed < RESET_REQUEST_SPEED) || raceHooks.onPathNode) return;
  if (raceHooks.resetRequested && stepCount - raceHooks.lastResetRequest < RESET_REQUEST_STEPS) return;
  const int player = GetPlayer();
  if (player < 0) return;
  uint8_t packet[PATH_INFO_SIZE];
  StartPacket(packet, PATH_INFO_SIZE, PATH_INFO_TYPE);
  FillPathInfo(packet, static_cast<uint8_t>(RaceLink.PlayerId(player)));
  raceHooks.resetRequested = 1;
  raceHooks.lastResetRequest = stepCount;
  if (RaceConnection.connectedToHost)
    SendToHost(packet, PATH_INFO_SIZE);
  else
    ApplyResetRequest(packet);
}

void Car::ParkingCheck() {
  if (!stopState || stepCount - watch.stopTime < PARKING_STEPS) return;
  if (transmissionType != TRANSMISSION_NONE && engine.running && engine.speed >= StallSpeed()) return;
  if (transmissionType == TRANSMISSION_ELECTRIC || (options2 & OPT2_STARTER)) engine.running = 0;
  if (gear == GEAR_NEUTRAL || controls.clutch > PARKED_CLUTCH) {
    controls.handbrake = 1.0f;
    handbrakeHeld = 1;
  }
}

void Car::SetupDifference(const SetupRecord& reference, uint8_t kinds[2], uint8_t& flags) const {
  flags = 0;
  for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) {
    const int at = SETUP_AXLE[axle];
    const uint8_t kind = currentSetup.bytes[at + AXLE_DIFFERENTIAL];
    if (kind != reference.bytes[at + AXLE_DIFFERENTIAL]) kinds[axle] = kind;
    // The record's two words: the lockings under power and coasting, the viscous strength
    // with the preload.
    const int words[2][2] = {{at + AXLE_POWER_LOCKING, at + AXLE_COAST_LOCKING}, {at + AXLE_VISCOUS, at + AXLE_PRELOAD}};
    for (int w = 0; w < 2; ++w) {
      if (currentSetup.bytes[words[w][0]] != reference.bytes[words[w][0]] ||
          currentSetup.bytes[words[w][1]] != reference.bytes[words[w][1]])
        flags = static_cast<uint8_t>(flags | 1u << (axle * 2 + w));
    }
  }
}

// ---- the race's and the player's settings ----

void Car::ApplyRaceTimeSettings() {
  if (RaceState.timeLimitOverride) return;
  timeLimits[0] = timeLimits[1] = RaceState.timeLimitSeconds * 1000u;
  stepCount = RaceState.startStep;
  timingFlags = 3;
}

void Car::ApplyPlayerSettings(const uint8_t record[PLAYER_SETTINGS_SIZE], int enable) {
  PlayerSettings& p = raceHooks.player;
  std::memcpy(p.bytes, record, 4);
  p.word = static_cast<uint16_t>(GetU16(record + 4));
  p.startOffset = GetU32(record + 6);
  p.options = GetU32(record + 10);
  p.last[0] = record[14];
  p.last[1] = record[15];
  timeLimits[0] = RaceState.timeLimitSeconds * 1000u + p.startOffset;
  if (enable) raceHooks.playerEnabled = 1;
}

void Car::SendStatisticsPacket(int player) {
  if (!RaceConnection.connectedToHost || RaceConnection.replayPlaying || player < 0 ||
      RaceLink.PlayerType(player) != PLAYER_LOCAL_HUMAN)
    return;
  const int32_t metres = std::max(distanceAccumulator >> 16, 0);
  const int32_t fuel = std::clamp(fuelAccumulator >> 16, 0, 255);
  if (!statisticsPending && metres < STATS_LEAST_METRES && fuel == 0) return;
  const uint16_t sent = metres >= STATS_MOST_METRES ? STATS_LONG_DISTANCE : static_cast<uint16_t>(metres);
  distanceAccumulator = fuelAccumulator = 0;
  statisticsPending = 0;
  uint8_t packet[STATISTICS_SIZE];
  MakeStatisticsPacket(packet, static_cast<uint8_t>(fuel), sent);
  SendIndividualPacket(0, packet, STATISTICS_SIZE);
}

void Car::SendPlayerFlagPacket(uint8_t argument) {
  uint8_t packet[PLAYER_FLAG_SIZE];
  MakePlayerFlagPacket(packet, PlayerIdByte(), argument);
  AddToPacket(packet, PLAYER_FLAG_SIZE);
}

// ---- a saved state ----

void Car::SaveState(CarSavedState& state) const {
  state = CarSavedState{};
  const int count = std::clamp<int>(wheelCount, 0, SAVED_STATE_WHEELS);
  state.wheelCount = static_cast<uint8_t>(count);
  for (int i = 0; i < count; ++i) {
    state.wheelPositions[i][0] = wheels[i].centre.x;
    state.wheelPositions[i][1] = wheels[i].centre.y;
    state.wheelPositions[i][2] = wheels[i].centre.z;
  }
  const float e[6] = {engine.speed,          engine.smoothedSpeed, engine.crankAngle,
                      engine.drivelineAngle, engine.turboSpeed,    static_cast<float>(engine.running)};
  std::memcpy(state.engine, e, sizeof e);
  state.clutch = controls.clutch;
  std::memcpy(state.orientation, orientation, 6 * sizeof(float));
  state.orientation[6] = orientation[8];
  state.x = position.x;
  state.z = position.z;
  state.velocityX = velocity.x;
  state.velocityZ = velocity.z;
  state.steering = inputs.steering;
  state.gear = gear;
  state.throttle = inputs.throttle;
  state.handbrake = handbrakeHeld;
}

void Car::RestoreSavedState(const CarSavedState& state, int withWheels) {
  // Placed at its defaults first: still, awake, its engine and wheels cleared.
  PlaceAt(0, 0, 0.0f);

  if (withWheels && state.wheelCount == wheelCount && wheelCount <= SAVED_STATE_WHEELS) {
    for (int i = 0; i < wheelCount; ++i)
      wheels[i].centre = {state.wheelPositions[i][0], state.wheelPositions[i][1], state.wheelPositions[i][2]};
  }
  engine.speed = state.engine[0];
  engine.smoothedSpeed = state.engine[1];
  engine.crankAngle = state.engine[2];
  engine.drivelineAngle = state.engine[3];
  engine.turboSpeed = state.engine[4];
  engine.running = state.engine[5] != 0.0f ? 1u : 0u;
  controls.clutch = state.clutch;
  std::memcpy(orientation, state.orientation, 6 * sizeof(float));
  orientation[8] = state.orientation[6];
  position.x = state.x;
  position.z = state.z;
  velocity.x = state.velocityX;
  velocity.z = state.velocityZ;
  inputs.steering = state.steering;
  gear = gearbox.requested = state.gear < GEAR_SLOTS ? state.gear : GEAR_NEUTRAL;
  inputs.throttle = state.throttle;
  handbrakeHeld = state.handbrake ? 1 : 0;
  stepCount = 0;
}
