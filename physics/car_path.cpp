// car_path.cpp - the car on the racing path: its node, distance and lateral offset, the
// wrong-way and corner-cut checks, leaving the path, the view block and the head's look, and
// the pit limiter's limit.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/config.h"
#include "core/report.h"

#include "core/frame_globals.h"
#include "physics/car.h"
#include "physics/car_path.h"
#include "solid/solid_hooks.h"
#include "world/race_state.h"

float CarViewLeadTime = 0.3f;
const Car* CarViewed = nullptr;
void (*UpdateRacePosition)(Car& car) = nullptr;

namespace {

constexpr float PI_F = 3.14159265f;
constexpr float LOOK_TIME = 0.15f;
constexpr float PATH_END_MARGIN = 20.0f;   // m past an open path's end
constexpr float PATH_SIDE_MARGIN = 20.0f;  // m beyond the road's edges
constexpr float CUT_MARGIN = 3.0f;         // m beyond the limits, with the half width

bool HostMode() { return DedicatedMode != 0; }

const char* PathName() { return CarWorld.PathName ? CarWorld.PathName() : "?"; }
// A path message with the path's name, in the message colour.
void PathMessage(const char* format) {
  char text[96];
  std::snprintf(text, sizeof text, format, PathName());
  ReportLine(text, REPORT_MESSAGE);
}

float Along(const PathPoint& node, const IntVector& p) {
  return float(int64_t(p.x) - node.position.x) / 65536.0f * node.dirX +
         float(int64_t(p.y) - node.position.y) / 65536.0f * node.dirY;
}

}  // namespace

float PathEndHeading(const PathPoint& node, float o) {
  const float b = std::atan2(-node.dirX, node.dirY);
  const float quarter = PI_F / 4;
  if (o >= 0 && o < node.limitRight) return b + o / node.limitRight * quarter;
  if (o < 0 && o >= node.limitLeft) return b - o / node.limitLeft * quarter;
  if (o >= node.limitRight) {
    if (!(node.roadRight > node.limitRight)) return b + quarter;
    if (o < node.roadRight) return b + (1 + (o - node.limitRight) / (node.roadRight - node.limitRight)) * quarter;
    return b + PI_F / 2;
  }
  if (!(node.roadLeft < node.limitLeft)) return b - quarter;
  if (o > node.roadLeft) return b - (1 + (o - node.limitLeft) / (node.roadLeft - node.limitLeft)) * quarter;
  return b - PI_F / 2;
}

float Car::LookTarget() const {
  switch (lookMode) {
    case 4: return 30.0f * PI_F / 180.0f;
    case 5: return 60.0f * PI_F / 180.0f;
    case 6: return -30.0f * PI_F / 180.0f;
    case 7: return -60.0f * PI_F / 180.0f;
    default: return SteerAngleOfWord(inputs.steering, steeringLock) * 0.9f;
  }
}

void Car::FindPath() {
  pathNode = -1;
  pathOffset = 0;
  const int node = CarWorld.NearestPathNode ? CarWorld.NearestPathNode(position) : -1;
  if (node < 0 || !CarWorld.PathNode) {
    pathLost = 1;
    pathSearchStep = stepCount;
    pathSearchX = position.x;
    pathSearchY = position.y;
    return;
  }
  pathLost = 0;
  pathNode = node;
  if (RaceSetup.multiplayer && CarViewed == this) PathMessage("^6FOUND PATH (%s)");
  const PathPoint n = CarWorld.PathNode(node);
  pathOffset = float(int64_t(position.x) - n.position.x) / 65536.0f * n.dirY -
               float(int64_t(position.y) - n.position.y) / 65536.0f * n.dirX;
}

void Car::UpdatePitSpeedLimit() {
  pitSpeedLimit = 0;
  if (remote || locationKind != LOCATION_ON_TRACK || !(options & OPT1_PIT_LIMITER)) return;
  if (!CarWorld.FindSpeedLimitZoneAt || CarWorld.FindSpeedLimitZoneAt(position.x, position.y) < 0) return;
  pitSpeedLimit = uint8_t(std::clamp(WorldLink.PitSpeedLimit ? WorldLink.PitSpeedLimit() : 0, 0, 255));
}

void Car::FollowPath(int local) {
  // 1. Only a car on a loaded track keeps its place on the racing path.
  if (locationKind != LOCATION_ON_TRACK) return;
  const float dt = CAR_STEP_SECONDS;
  // 2. The view block and the head's look.
  const float target = LookTarget();
  if (!local) {
    RecentreView();
    lookElapsed = LOOK_TIME;
    lookTarget = lookAngle = target;
    lookRate = 0;
  } else {
    const float lead = RaceState.viewMode == 0 ? CarViewLeadTime : 1.0f;
    const float at[3] = {float(position.x / 65536.0) + velocity.x * lead, float(position.y / 65536.0) + velocity.y * lead,
                         float(position.z / 65536.0) + velocity.z * lead + centreOfMass.z};
    const float moving[3] = {velocity.x, velocity.y, velocity.z};
    for (int k = 0; k < 3; ++k) viewPreviousPosition[k] = viewPosition[k];
    static const SmoothCurveSolver stepSolver(dt);  // every plan spans one step
    viewCurve.Plan(at, moving, stepSolver);
    viewCurve.Step(dt);
    for (int k = 0; k < 3; ++k) {
      viewPosition[k] = viewCurve.position[k];
      viewVelocity[k] = viewCurve.velocity[k];
    }
    if (target != lookTarget) {
      // A new motion from the angle and rate now, reaching the target at rest in 0.15 s.
      lookTarget = target;
      lookStart = lookAngle;
      lookStartRate = lookRate;
      lookElapsed = 0;
      const float T = LOOK_TIME;
      const float error = target - lookAngle - lookRate * T;
      const float rate = lookRate;
      lookCoefficients[0] = 533.33453f * error + 40.0001f * rate;
      lookCoefficients[1] = 14222.259f * error + 1333.3365f * rate;
      lookCoefficients[2] = 142222.58f * error + 14222.259f * rate;
    }
    lookElapsed += dt;
    if (lookElapsed < LOOK_TIME) {
      const float t = lookElapsed, t2 = t * t, t3 = t2 * t;
      const float* c = lookCoefficients;
      lookAngle = lookStart + lookStartRate * t + c[0] * t2 / 2 - c[1] * t3 / 6 + c[2] * t3 * t / 24;
      lookRate = lookStartRate + c[0] * t - c[1] * t2 / 2 + c[2] * t3 / 6;
    } else {
      lookAngle = lookTarget;
      lookRate = 0;
    }
  }
  // 3.
  for (int k = 0; k < 3; ++k) pointAheadBefore[k] = pointAheadNow[k];
  PointAhead(pointAheadNow);
  // 4.
  if (remote && !followFlag) return;
  const int n = CarWorld.PathNodeCount ? CarWorld.PathNodeCount() : 0;
  if (n <= 0 || !CarWorld.PathNode || !CarWorld.InterpolatePathNodes || !CarWorld.PathNodeLateralOffset) return;
  // 5. A lost car looks again only after a while and once it moved.
  if (pathNode < 0 || pathNode >= n) {
    const float wait = (300.0f - speed) * 10.0f;
    const bool moved = std::llabs(int64_t(position.x) - pathSearchX) > 65536 ||
                       std::llabs(int64_t(position.y) - pathSearchY) > 65536;
    if (!(float(stepCount - pathSearchStep) > wait && moved)) return;
    FindPath();
    if (pathNode < 0 || pathNode >= n) return;
  }
  // Whether the path closes: asked only where a branch needs it, as most steps stay between
  // the same two nodes away from the finish node.
  const auto loop = [] { return !CarWorld.PathIsLoop || CarWorld.PathIsLoop(); };
  // 6.
  const int pathNode0 = pathNode;
  int k = pathNode;
  PathPoint node = CarWorld.PathNode(k), next = CarWorld.PathNode((k + 1) % n);
  float dk = Along(node, position), dk1 = Along(next, position);
  bool leftEnd = false;
  const float againstNext = velocity.x * next.dirX + velocity.y * next.dirY;
  if (againstNext <= 0) {
    const float againstNode = velocity.x * node.dirX + velocity.y * node.dirY;
    const Vec3 forward = {orientation[1], orientation[4], orientation[7]};  // the car's y axis
    const bool backwards = forward.x * node.dirX + forward.y * node.dirY < 0;
    if (againstNode <= 0 && backwards && RaceState.wrongWayRule && !RaceState.noWrongWay) {
      ++wrongWayCount;
      ++wrongWayTotal;
    } else if (speed < 1.0f) {
      wrongWayCount = 0;
      wrongWayTotal = 0;
    }
    if (dk < 0) {
      if (reverseCount < 5 && ++reverseCount == 5 && RaceState.eventRecords) SendEventPacket(CAR_EVENT_REVERSED);
      if (k > 0 || loop()) {
        k = (k + n - 1) % n;
      } else if (dk < -PATH_END_MARGIN && !HostMode()) {
        leftEnd = true;
      }
    }
  } else {
    wrongWayCount = 0;
    wrongWayTotal = 0;
    if (dk1 > 0) {
      if (reverseCount > 0) --reverseCount;
      bool advanced = false;
      if (k < n - 2 || loop()) {
        k = (k + 1) % n;
        advanced = true;
      } else if (dk1 > PATH_END_MARGIN && !HostMode()) {
        leftEnd = true;
      }
      if (advanced && RaceState.sideLimitRule) {
        const PathPoint a = CarWorld.PathNode(k), b = CarWorld.PathNode((k + 1) % n);
        const float dx = float(int64_t(position.x) - b.position.x) / 65536.0f;
        const float dy = float(int64_t(position.y) - b.position.y) / 65536.0f;
        const float s = b.dirY * dx - b.dirX * dy;
        const float cross = a.dirX * b.dirY - a.dirY * b.dirX;
        const float reach = halfWidth + CUT_MARGIN;
        if ((cross > 0.001f && s < b.limitLeft - reach) || (cross < -0.001f && s > b.limitRight + reach))
          SendEventPacket(CAR_EVENT_CORNER_CUT);
        else
          eventByte = uint8_t(eventByte & ~(1u << CAR_EVENT_CORNER_CUT));
      }
    }
  }
  pathNode = k;
  if (leftEnd) {
    if (remote) {
      if (RaceSetup.multiplayer && CarViewed == this) PathMessage("^3OFF PATH END (%s)");
      FindPath();
      return;
    }
    // Placed back at the end node, turned toward the path line by its offset.
    const PathPoint end = CarWorld.PathNode(k);
    float o = CarWorld.PathNodeLateralOffset(end, position);
    if (o < end.limitLeft + halfWidth)
      o = end.limitLeft + halfWidth;
    else if (o > end.limitRight - halfWidth)
      o = end.limitRight - halfWidth;
    position = {int32_t(int64_t(end.position.x) + std::lround(double(end.dirY) * o * 65536.0)),
                int32_t(int64_t(end.position.y) - std::lround(double(end.dirX) * o * 65536.0)), end.position.z};
    PlaceAt(1, 1, PathEndHeading(end, o));
    engine.running = 1;
    engine.speed = StallSpeed();
    return;
  }
  // 7. Progress between the node and the next.  Most steps keep the node, and then the nodes
  // and along values of step 6 are the ones wanted (the position has not moved since).
  float a = dk, b = dk1;
  if (k != pathNode0) {
    node = CarWorld.PathNode(k);
    next = CarWorld.PathNode((k + 1) % n);
    a = Along(node, position);
    b = Along(next, position);
  }
  const float fraction = a > 0 && a - b > 0.001f ? std::min(a / (a - b), 1.0f) : 0.0f;
  const int finish = CarWorld.PathFinishNode ? CarWorld.PathFinishNode() : -1;
  pathDistance = k == std::max(finish, 0) && loop() ? next.distance * fraction
                                                  : node.distance + (next.distance - node.distance) * fraction;
  const float spacing = CarWorld.InterpolatePathNodes(k, (k + 1) % n, fraction, pathPoint);
  minimumSpeed = std::min(spacing, topSpeed) * 0.5f;
  pathOffset = CarWorld.PathNodeLateralOffset(pathPoint, position);
  // 8. Far off the side of the road.
  if ((pathOffset < pathPoint.roadLeft - PATH_SIDE_MARGIN || pathOffset > pathPoint.roadRight + PATH_SIDE_MARGIN) &&
      !HostMode()) {
    if (remote) {
      if (CfgDebugLevel > 0) PathMessage("^3OFF PATH SIDE (%s)");
      FindPath();
    } else {
      StopForReset();
    }
    reverseCount = 0;
  }
  // 9. The race's position step.
  if (UpdateRacePosition) UpdateRacePosition(*this);
}
