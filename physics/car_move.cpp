// car_move.cpp - the car's move: the pending displacement carried into the 16.16 position in
// whole units, the odometer, and the distance and fuel statistics a connected car sends its
// host.
#include <algorithm>
#include <cmath>

#include "core/report.h"
#include "physics/car.h"
#include "solid/solid_hooks.h"
#include "world/race_state.h"

namespace {

constexpr float FUEL_HUNDREDTHS = 65536.0f * 100.0f;
constexpr int32_t STATS_MOST_METRES = STATS_DISTANCE_THRESHOLD >> 16;
constexpr int32_t STATS_MOST_FUEL_UNITS = STATS_FUEL_THRESHOLD >> 16;

}  // namespace

void Car::Move() {
  if (frozen) return;
  if (!IsFinite(offset)) {
    HaltOutOfRange();
    return;
  }
  // The whole-unit step; a position it would carry beyond 32 bits stops the car instead.
  const double n[3] = {std::nearbyint(offset.x * 65536.0), std::nearbyint(offset.y * 65536.0),
                       std::nearbyint(offset.z * 65536.0)};
  const int32_t* from = &position.x;
  for (int axis = 0; axis < 3; ++axis) {
    const double to = from[axis] + n[axis];
    if (!(to >= INT32_MIN && to <= INT32_MAX)) {
      HaltOutOfRange();
      return;
    }
  }
  const double units = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  lastStepDistance = static_cast<int32_t>(std::min(std::nearbyint(units), double{INT32_MAX}));
  if (IsLocalCar()) {
    if (!noOdometer) odometer += static_cast<float>(units / 65536.0);
    distanceAccumulator = SaturatingAdd(distanceAccumulator, lastStepDistance);
    fuelAccumulator = SaturatingAdd(fuelAccumulator, FixedFromScaled(fuelUsed * FUEL_HUNDREDTHS));
    CountStatistics();
  }

  // The sums were checked above; a step may be longer than 32 bits hold though its end is not.
  position = {static_cast<int32_t>(position.x + n[0]), static_cast<int32_t>(position.y + n[1]),
              static_cast<int32_t>(position.z + n[2])};
  const Vec3 moved = {static_cast<float>(n[0] / 65536.0), static_cast<float>(n[1] / 65536.0),
                      static_cast<float>(n[2] / 65536.0)};
  offset -= moved;
  // What is kept relative to the 16.16 position stays where it is in the world.
  for (int i = 0; i < pointCount; ++i) points[i].anchor -= moved;
  const int count = std::clamp<int>(wheelCount, 0, CAR_MAX_WHEELS);
  for (int i = 0; i < count; ++i) {
    CarWheel& w = wheels[i];
    w.contactPoint -= moved;
    w.lastReference -= moved;
    w.dragAnchor -= moved;
    w.edgeContactPoint -= moved;
  }
}

void Car::CountStatistics() {
  if (distanceAccumulator < STATS_DISTANCE_THRESHOLD && fuelAccumulator < STATS_FUEL_THRESHOLD) return;
  // Only a local human's car connected to a host, with no replay playing, reports; any other
  // car empties its accumulators at the threshold and says nothing.
  const int player = GetPlayer();
  if (!RaceConnection.connectedToHost || RaceConnection.replayPlaying || player < 0 ||
      RaceLink.PlayerType(player) != PLAYER_LOCAL_HUMAN) {
    distanceAccumulator = fuelAccumulator = 0;
    return;
  }
  if (distanceAccumulator >= STATS_DISTANCE_JUMP) {
    ReportLine(TEXT_STATS_DISTANCE_ERROR, REPORT_MESSAGE, REPORT_TARGET_DEBUG);
    distanceAccumulator = 0;
  }
  if (fuelAccumulator >= STATS_FUEL_JUMP) {
    ReportLine(TEXT_STATS_FUEL_ERROR, REPORT_MESSAGE, REPORT_TARGET_DEBUG);
    fuelAccumulator = 0;
  }
  const int32_t metres = std::clamp(distanceAccumulator >> 16, 0, STATS_MOST_METRES);
  const int32_t fuel = std::clamp(fuelAccumulator >> 16, 0, STATS_MOST_FUEL_UNITS);
  distanceAccumulator -= metres << 16;
  fuelAccumulator -= fuel << 16;
  uint8_t packet[STATISTICS_SIZE];
  MakeStatisticsPacket(packet, static_cast<uint8_t>(fuel), static_cast<uint16_t>(metres));
  SendToHost(packet, STATISTICS_SIZE);
  statisticsPending = 1;
}
