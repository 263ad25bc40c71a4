// car_reset.cpp - bringing a car back to a clean start: the reset of its per-run state, the
// placement at a heading, the wheels' thermal refresh, the test whether a place on the racing
// path is free, and the car on show placed again after its motion ran away.
//
// The placement stands the car with its wheels at full droop and its lowest point 5 cm above
// height 0, so that it drops onto its tyres; in a loaded world it is set down on the track.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>

#include "core/report.h"
#include "physics/car.h"
#include "physics/car_packets.h"
#include "physics/car_setup_local.h"
#include "solid/solid_hooks.h"

namespace {

constexpr float PLACE_CLEARANCE = 0.05f;  // m between the lowest point and the ground
constexpr float AIR_HEAT_CAPACITY = 1005.0f;  // J/(kg K)
constexpr uint16_t REMOTE_WARM_UP = WATCH_WARM_UP;
constexpr uint32_t SHOW_CAR_GRACE_MS = 5000;  // a show car running away sooner stays halted
constexpr float CLOSING_LOOK_AHEAD = 4.0f;    // s of another car's approach counted against a place

}  // namespace

Car* PlayerCarAt(int index) {
  Solid* s = RaceLink.PlayerCar(index);
  return s && s->GetType() == 1 ? static_cast<Car*>(s) : nullptr;
}

// ---- [Reset] ----

int Car::WarmFlag() const {
  if (RaceSetup.warmTyres) return 1;
  if (tyreWarmers == 0 && RaceSetup.warmStart) return 1;
  return vehicleClass == 5 || vehicleClass == 10 ? 1 : 0;
}

void Car::Reset() {
  // 1. The per-run driving state; the race's own figures of the player stay.
  controls = CarControls{};
  const CarRaceState kept = race;
  race = CarRaceState{};
  race.lapsDone = kept.lapsDone;
  race.racePosition = kept.racePosition;
  race.pitRequest = kept.pitRequest;
  eventByte = 0;
  race.assistOn = lightsAndAids != 0 && !(currentSetup.bytes[SETUP_FLAGS] & SETUP_FLAG_RESET) ? 1 : 0;
  if (remote) remoteState = -1;
  race.requestByte = remote ? 0 : 2;
  // 2.
  RemoveCarDamage(*this);
  // 3. The caller sets the fuel load.
  fuelAmount = 0.0f;
}

void Car::UpdateWheelStates() {
  const int warm = WarmFlag();
  for (int i = 0; i < CarWheelCount(*this); ++i) wheels[i].InitThermalState(wheelSets[wheels[i].wheelSet & 1], warm);
}

// ---- [Placement] ----

void Car::PlaceAt(int keepThermal, int settle, float heading) {
  // 1. Motion and run state.
  for (uint32_t& w : race.raceWords) w = 0;
  distanceAccumulator = fuelAccumulator = 0;
  race.reportedPenalty = race.penaltyReason = 0;
  race.pitStage = race.pitState = 0;
  race.stageEnd = race.pitStart = race.messageTimer = 0;
  angularVelocity = filteredAcceleration = {};
  speed = smoothedWheelSpeed = 0.0f;
  runTime = stepClock = 0;
  timers.antiStall = timers.ignitionCut = timers.blip = timers.brakeLimit = timers.engineCut = 0.0f;
  timers.launchHold = 0;
  race.lastPlace = position;
  watch.warmUp = remote ? REMOTE_WARM_UP : 0;
  stopState = 1;
  race.factors[0] = race.factors[1] = 1.0f;
  // 2. Neutral; the centrifugal clutch's engine kind starts in first.
  gear = lastGear = transmissionType == TRANSMISSION_CENTRIFUGAL ? 2 : 1;
  // 3.
  const float c = std::cos(heading), s = std::sin(heading);
  const float rows[9] = {c, -s, 0.0f, s, c, 0.0f, 0.0f, 0.0f, 1.0f};
  std::copy(rows, rows + 9, orientation);
  // 4. The body at rest, awake and free; the engine stopped.
  InitState();
  active = awake = 1;
  frozen = 0;
  engine.ClearState();
  if (transmissionType == TRANSMISSION_CENTRIFUGAL) engine.clutchPedal = 1.0f;
  controls = CarControls{};
  // 8, first half: each wheel's running state cleared and its geometry at full droop, so that
  // the lowest point below is the standing car's.
  const int count = CarWheelCount(*this);
  for (int i = 0; i < count; ++i) {
    CarWheel& w = wheels[i];
    uint8_t temperatures[8], condition[4];
    std::copy(w.temperatures, w.temperatures + 8, temperatures);
    std::copy(w.condition, w.condition + 4, condition);
    w.ResetWheelState();
    wheelSteps[i] = WheelStep{};
    w.UpdateSuspensionGeometry(wheelSets[w.wheelSet & 1]);
    if (keepThermal) {
      std::copy(temperatures, temperatures + 8, w.temperatures);
      std::copy(condition, condition + 4, w.condition);
    }
  }
  // 5. Height.
  const int32_t z = FixedFromMetres(PLACE_CLEARANCE - LowestPoint());
  if (locationKind == LOCATION_ON_TRACK)
    SettleOnGround(keepThermal, settle, z);
  else
    position.z = z;
  // 6.
  ClearWheelSlots();
  PointAhead(pointAheadNow);
  std::copy(pointAheadNow, pointAheadNow + 3, pointAheadBefore);
  RecentreView();
  // 7. Inputs.
  inputs = CarInputs{};
  inputs.steering = STEERING_STRAIGHT;
  inputs.requests = CarRequests{};
  gearbox.requested = gear;
  gearbox.toggle = gearbox.mode = 0;
  gearbox.modeWord = 0;
  if (locationKind == LOCATION_ON_TRACK && RaceSetup.toggleOption && (options2 & 0x200)) gearbox.toggle = 1;
  // 8, second half: the tyres' thermal state, or their pressures following the air.
  const int warm = WarmFlag();
  for (int i = 0; i < count; ++i) {
    CarWheel& w = wheels[i];
    const SuspensionBlock& set = wheelSets[w.wheelSet & 1];
    if (!keepThermal) {
      w.InitThermalState(set, warm);
      continue;
    }
    const bool air = w.airMass > 0.0f && std::isfinite(w.airHeat);
    w.pressure = !air || w.tyreFailed ? 0.0f
                                      : ((w.airHeat / (w.airMass * AIR_HEAT_CAPACITY)) / REFERENCE_TEMPERATURE) *
                                                (w.coldPressure + ATMOSPHERIC_PRESSURE) -
                                            ATMOSPHERIC_PRESSURE;
    w.radialStiffness = set.radialStiffnessSlope * w.pressure + set.radialStiffnessAtZero;
    w.treadStiffness = set.treadStiffnessSlope * w.pressure + set.treadStiffnessAtZero;
    w.twistStiffness = set.rollingRadius * w.treadStiffness * set.rollingRadius;
  }
  // 9. The air, the remote state, the path figures, the input history.
  for (AeroItem& item : aeroItems) item.lift = item.drag = {}, item.downforce = 0.0f;
  placedRemote = remote;
  stepsSinceState = 0;
  minimumSpeed = 0.0f;
  pathOffset = 0.0f;
  if (remote && remoteState == -1)
    active = 0;  // not integrated until its first state arrives
  else if (remote)
    remoteState = 0;
  lastControlSum = 0;
  restCount = 0;
  // 10.
  race.lastStateStep = race.lastResetStep = stepCount;
  race.resetPlace = position;
  race.waitingReset = 0;
  UpdateMassProperties();
  storedStateCrc = StateCrc();
}

void Car::PointAhead(int32_t out[3]) const {
  const Vec3 ahead = MatrixTimes(orientation, Vec3{0.0f, pointAheadForward, pointAheadUp});
  const IntVector d = FixedFromMetres(ahead);
  out[0] = SaturatingAdd(position.x, d.x);
  out[1] = SaturatingAdd(position.y, d.y);
  out[2] = SaturatingAdd(position.z, d.z);
}

void Car::RecentreView() {
  const float at[3] = {static_cast<float>(position.x / 65536.0), static_cast<float>(position.y / 65536.0),
                       static_cast<float>(position.z / 65536.0) + centreOfMass.z};
  const float moving[3] = {velocity.x, velocity.y, velocity.z};
  for (int k = 0; k < 3; ++k) {
    viewPosition[k] = viewPreviousPosition[k] = at[k];
    viewVelocity[k] = moving[k];
  }
  viewCurve.Init(at, moving);
  lookAngle = lookRate = 0.0f;
}

// ---- [The car on show] ----

int Car::ShowCarMayBePlaced() const {
  return showCar && !showCarHalted && (showCarPlacements == 0 || runTime >= SHOW_CAR_GRACE_MS) ? 1 : 0;
}

void Car::ReportHalt(const char* why) {
  if (frozen) return;  // reported once until the car is placed again
  char text[VEHICLE_NAME_SIZE + 96];
  if (ShowCarMayBePlaced()) {
    showCarReplace = 1;  // ReplaceShowCar reports it
    return;
  }
  if (showCar) {
    showCarHalted = 1;
    std::snprintf(text, sizeof text, "%s : %s - %s", vehicleName, why, TEXT_SHOW_CAR_STAYS_HALTED);
  } else {
    std::snprintf(text, sizeof text, "%s : %s - %s", vehicleName, why, TEXT_CAR_STOPPED);
  }
  ReportLine(text, REPORT_ERROR);
}

int Car::ReplaceShowCar() {
  if (!showCarReplace) return 0;
  showCarReplace = 0;
  // The heading the car had; none when its orientation is lost.
  float heading = std::atan2(orientation[3], orientation[0]);
  if (!std::isfinite(heading)) heading = 0.0f;
  const IntVector at = position;
  PlaceAt(0, 0, heading);
  position.x = at.x;
  position.y = at.y;
  ++showCarPlacements;
  char text[VEHICLE_NAME_SIZE + 96];
  std::snprintf(text, sizeof text, "%s : %s", vehicleName, TEXT_SHOW_CAR_PLACED);
  ReportLine(text, REPORT_ERROR);
  return 1;
}

// ---- [Path reset] ----

int Car::ResetToPathNode(ResetRequest& request, int skip) {
  const int nodes = CarWorld.PathNodeCount ? CarWorld.PathNodeCount() : 0;
  bool path = nodes > 0 && CarWorld.PathNode && CarWorld.InterpolatePathNodes;
  if (path) {
    if (request.node < 0 || request.node >= nodes) {
      if (RaceSetup.resetMessage) ReportLine(TEXT_RESET_BAD_NODE, REPORT_MESSAGE);
      return RESET_BAD_NODE;
    }
    PathPoint p = {};
    CarWorld.InterpolatePathNodes(request.node, (request.node + 1) % nodes, 0.0f, p);
    const float lo = p.roadLeft + halfWidth, hi = p.roadRight - halfWidth;
    if (request.forced || !(request.offset >= lo && request.offset <= hi)) {
      const float o = std::max(lo, std::min(request.offset, hi));
      request.corrected = 1;
      request.offset = o;
      request.position = {SaturatingAdd(p.position.x, FixedFromMetres(p.dirY * o)),
                          SaturatingAdd(p.position.y, FixedFromMetres(-p.dirX * o)), p.position.z};
    }
  }
  int result = RESET_FREE;
  const int players = RaceLink.PlayerCount();
  for (int i = 0; i < players; ++i) {
    Car* other = i == skip ? nullptr : PlayerCarAt(i);
    if (!other || other == this) continue;
    const Vec3 toPlace = MetresBetween(request.position, other->position);
    const float d = std::sqrt(toPlace.x * toPlace.x + toPlace.y * toPlace.y);
    float closing = 0.0f;
    if (d > 0.1f) closing = std::max(0.0f, CLOSING_LOOK_AHEAD * (other->velocity.x * toPlace.x + other->velocity.y * toPlace.y) / d);
    const float r = other->radius + radius;
    if (d < r + closing) {
      result = RESET_OCCUPIED;
    } else if (other->race.waitingReset) {
      const Vec3 between = MetresBetween(request.position, other->race.resetPlace);
      if (std::sqrt(between.x * between.x + between.y * between.y) < r + 1.0f) result = RESET_BEING_RESET;
    }
    if (path && RaceSetup.worldTiming && other->speed > other->minimumSpeed && other->pathNode >= 0) {
      const int behind = ((request.node - other->pathNode) % nodes + nodes) % nodes;
      if (behind >= 1 && behind <= RESET_NODES_BEHIND) result = RESET_CAR_COMING;
    }
  }
  return result;
}

void Car::ApplyResetRequest(const uint8_t packet[PATH_INFO_SIZE]) {
  ResetRequest request;
  request.node = static_cast<int32_t>(GetU32(packet + 8));
  request.offset = std::bit_cast<float>(GetU32(packet + 12));
  if (!std::isfinite(request.offset)) request.offset = 0.0f;
  request.position = {static_cast<int32_t>(GetU32(packet + 16)), static_cast<int32_t>(GetU32(packet + 20)),
                      static_cast<int32_t>(GetU32(packet + 24))};
  if (ResetToPathNode(request, GetPlayer()) != RESET_FREE) {
    race.waitingReset = 1;
    race.resetPlace = request.position;
    return;
  }
  // Along the path at its node, else at the car's own heading.
  float heading = std::atan2(orientation[3], orientation[0]);
  const int nodes = CarWorld.PathNodeCount ? CarWorld.PathNodeCount() : 0;
  if (nodes > 0 && CarWorld.PathNode && request.node >= 0 && request.node < nodes) {
    const PathPoint p = CarWorld.PathNode(request.node);
    heading = std::atan2(-p.dirX, p.dirY);
  }
  if (!std::isfinite(heading)) heading = 0.0f;
  position = request.position;
  PlaceAt(0, 0, heading);
}
