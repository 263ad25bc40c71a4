// ai_speed.cpp - the speed profile of a computer driver's line.
#include "race/ai_speed.h"

#include <algorithm>
#include <cmath>

#include "physics/car.h"
#include "race/ai_line.h"
#include "vehicle_data/setup_record.h"
#include "wheel/wheel.h"
#include "world/world.h"

namespace {

constexpr int FRONT = 0, REAR = 1;
constexpr float SURFACE_KIND_FACTORS[][2] = {{1, 0.92f}, {16, 0.92f}, {14, 0.96f}, {15, 0.84f}};

int SetOfAxle(int axle) { return axle == FRONT ? 1 : 0; }
int WheelCount(const Car& car) { return std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS); }

// The tyres on one side of an axle; a centred wheel stands on both sides.
int TyresOnSide(const Car& car, int axle, int side) {
  int count = 0;
  for (int i = 0; i < WheelCount(car); ++i) {
    const CarWheel& w = car.wheels[i];
    if ((w.wheelSet & 1) != SetOfAxle(axle)) continue;
    if (w.side == 0 || (w.side > 0) == (side == 1)) ++count;
  }
  return count;
}

float Mass(const AiPath& ai) { return ai.car->mass; }
float EffectiveMass(const AiPath& ai) { return ai.carModel[0] > 0 ? ai.carModel[0] : ai.car->mass; }
float AxleShare(const AiPath& ai, int axle) { return axle == FRONT ? ai.frontShare : ai.rearShare; }
float AxleDownforce(const AiPath& ai, int axle, float v2) { return (axle == FRONT ? ai.frontLoad : ai.rearLoad) * v2; }

// The resistances at a node at speed squared v2 (N, against the motion): the air, the slope
// and the ground's drag.
float Resistance(const AiPath& ai, const AiPathNode& node, float v2) {
  const Car& car = *ai.car;
  return car.totalDragFactor * v2 + node.grade * AI_GRAVITY * Mass(ai) +
         node.surfaceDrag * Mass(ai) * AI_GRAVITY * node.normalZ;
}

// What each wheel can carry along the line at speed squared v2 while the car accelerates by ax
// (m/s^2, forward positive; the load moves to the rear).  The cornering limit is worked out on
// its own: a line driven at its corner speed keeps that speed, so the tyre's force is not
// shared out between the two directions here.
void LongitudinalLimits(const AiPath& ai, const AiPathNode& node, float v2, float ax, float limit[2][2]) {
  const Car& car = *ai.car;
  const float mass = Mass(ai);
  const float transfer = mass * ax * car.centreHeight / car.WheelBaseDivisor();
  for (int axle = 0; axle < 2; ++axle) {
    const float share = AxleShare(ai, axle);
    const float load = share * mass * (node.normalZ * AI_GRAVITY + node.verticalCurvature * v2) +
                       AxleDownforce(ai, axle, v2) + (axle == FRONT ? -transfer : transfer);
    for (int side = 0; side < 2; ++side) limit[axle][side] = AiAxleTyreForce(ai, node.grip, axle, side, load * 0.5f);
  }
}

// The braking force the wheels hold at a node (speed squared v2), the load moved forward.
float BrakingForce(const AiPath& ai, const AiPathNode& node, float v2) {
  const float m = EffectiveMass(ai);
  float force = 0, limit[2][2];
  LongitudinalLimits(ai, node, v2, 0.0f, limit);
  force = limit[0][0] + limit[0][1] + limit[1][0] + limit[1][1];
  for (int round = 0; round < AI_REFINE_STEPS && force > 0; ++round) {
    LongitudinalLimits(ai, node, v2, -(force + Resistance(ai, node, v2)) / m, limit);
    const float next = limit[0][0] + limit[0][1] + limit[1][0] + limit[1][1];
    const float change = std::fabs(next - force) / force;
    force = next;
    if (change < AI_REFINE_CHANGE) break;
  }
  return force;
}

// The drive force at a node at speed v: the engine's power through the drivetrain, shared
// between the axles as the car's drive splits it and halved between each axle's wheels, each
// wheel's share held to what its tyre carries.
float DriveForce(const AiPath& ai, const AiPathNode& node, float v) {
  const Car& car = *ai.car;
  const float engine = AiEnginePower(ai) * car.drivetrainEfficiency / std::max(v, AI_LEAST_SPEED);
  if (!(engine > 0)) return 0;
  float shares[2] = {0, 0};
  if (car.driveType == DRIVE_REAR) shares[REAR] = 1;
  else if (car.driveType == DRIVE_FRONT) shares[FRONT] = 1;
  else if (car.driveType == DRIVE_FOUR) shares[FRONT] = car.frontShare, shares[REAR] = 1 - car.frontShare;
  // From the loads at rest, each round's force moving the load for the next.
  const float m = EffectiveMass(ai), v2 = v * v;
  float force = 0, limit[2][2];
  for (int round = 0; round < AI_REFINE_STEPS; ++round) {
    LongitudinalLimits(ai, node, v2, (force - Resistance(ai, node, v2)) / m, limit);
    float usable = 0;
    for (int axle = 0; axle < 2; ++axle)
      for (int side = 0; side < 2; ++side) usable += std::min(engine * shares[axle] * 0.5f, limit[axle][side]);
    const float change = usable > 0 ? std::fabs(usable - force) / usable : 0.0f;
    force = usable;
    if (change < AI_REFINE_CHANGE) break;
  }
  return force;
}

// The wheels' grip on a surface kind of a class.
void SurfaceGrip4(const AiPath& ai, int kind, int surfaceClass, float grip[4]) {
  const Car& car = *ai.car;
  float factor = SurfaceGripFactor(kind);
  for (const auto& row : SURFACE_KIND_FACTORS)
    if (int(row[0]) == kind) factor *= row[1];
  std::fill(grip, grip + 4, 0.0f);
  for (int i = 0; i < WheelCount(car); ++i) {
    const CarWheel& w = car.wheels[i];
    const int set = w.wheelSet & 1, axle = set == 1 ? FRONT : REAR;
    for (int side = 0; side < 2; ++side) {
      if (w.side != 0 && (w.side > 0) != (side == 1)) continue;
      const int slot = 2 * axle + side;
      const float wheelFactor = surfaceClass == 0 ? ai.gripFactorA[slot] : ai.gripFactorB[slot];
      grip[slot] = car.wheelSetGrip[set][surfaceClass ? 1 : 0] * factor * wheelFactor;
    }
  }
}

float CornerSpeed(const AiPath& ai, const AiPathNode& node, float top) {
  const float k = std::fabs(node.curvature);
  if (!(k > 0)) return top;
  float a = AiLateralGrip(ai, node, 0.0f);
  float v2 = a / k;
  const float top2 = top * top;
  if (a >= 1.0f && v2 < top2) {
    for (int round = 0; round < AI_REFINE_STEPS; ++round) {
      a = AiLateralGrip(ai, node, v2);
      const float next = a / k;
      const float change = v2 > 0 ? std::fabs(next - v2) / v2 : 1.0f;
      v2 = next;
      if (v2 >= top2 || change < AI_REFINE_CHANGE) break;
    }
  }
  // A corner whose grip holds no speed at all is still driven at walking pace: the lap time
  // divides by the speeds.
  const float v = std::sqrt(std::max(v2, 0.0f));
  return std::clamp(v, std::min(AI_LEAST_SPEED, top), top);
}

// One braking step from node i back to node j: 1 when j's corner speed was lowered.
int BrakeInto(AiPath& ai, int j, int i) {
  AiPathNode& from = ai.nodes[j];
  const float vi = ai.nodes[i].cornerSpeed, v2 = vi * vi, s = from.segmentLength;
  const float brakes = BrakingForce(ai, from, v2);
  const float resistance = Resistance(ai, from, v2);
  const float m = EffectiveMass(ai);
  const float deceleration = std::max(0.0f, (brakes + resistance) / m);
  const float reach = std::sqrt(v2 + 2.0f * s * deceleration);
  if (reach < from.cornerSpeed) {
    from.cornerSpeed = reach;
    from.brake = 255;
    return 1;
  }
  const float needed = s > 0 ? (from.cornerSpeed * from.cornerSpeed - v2) / (2.0f * s) : 0.0f;
  const float force = needed * m - resistance;
  const float share = needed > 0 && brakes > 0 ? std::clamp(force / brakes, 0.0f, 1.0f) : 0.0f;
  from.brake = uint8_t(std::lrint(255.0f * share));
  return 0;
}

// One acceleration step from node i to node j: 1 when j's target speed was lowered.
int DriveInto(AiPath& ai, int i, int j) {
  AiPathNode& from = ai.nodes[i];
  AiPathNode& to = ai.nodes[j];
  const float v = from.targetSpeed, v2 = v * v, s = from.segmentLength;
  const float drive = DriveForce(ai, from, v);
  const float resistance = Resistance(ai, from, v2);
  const float m = EffectiveMass(ai);
  const float reach = std::sqrt(std::max(v2 + 2.0f * s * (drive - resistance) / m, AI_LEAST_SPEED * AI_LEAST_SPEED));
  int lowered = 0;
  if (reach < to.targetSpeed) {
    to.targetSpeed = reach;
    from.throttle = 255;
    lowered = 1;
  } else {
    const float needed = s > 0 ? (to.targetSpeed * to.targetSpeed - v2) / (2.0f * s) : 0.0f;
    const float share = drive > 0 ? std::clamp((needed * m + resistance) / drive, 0.0f, 1.0f) : 0.0f;
    from.throttle = uint8_t(std::lrint(255.0f * share));
    // A rising speed takes some throttle however little the engine is asked for.
    if (to.targetSpeed > v && from.throttle == 0) from.throttle = 1;
  }
  if (from.throttle > 0) from.brake = 0;
  return lowered;
}

}  // namespace

void InitAiCarModel(AiPath& aiPath) {
  const Car& car = *aiPath.car;
  float effective = car.mass, inertia = 0;
  for (int i = 0; i < WheelCount(car); ++i) {
    const CarWheel& w = car.wheels[i];
    const float r = car.wheelSets[w.wheelSet & 1].rollingRadius;
    if (r > 0) {
      effective += w.spinInertia / (r * r);
      inertia += w.spinInertia / (r * r);
    }
  }
  aiPath.carModel[0] = effective;
  aiPath.carModel[1] = inertia;
  car.SplitLoadsToAxles(aiPath.rearLoad, aiPath.frontLoad);
  const float front = (car.centreOfMass.y - car.rearmostY) / car.WheelBaseDivisor();
  aiPath.frontShare = std::isfinite(front) ? std::clamp(front, 0.0f, 1.0f) : 0.5f;
  aiPath.rearShare = 1.0f - aiPath.frontShare;
  const float frontMass = aiPath.frontShare * car.mass, rearMass = aiPath.rearShare * car.mass;
  aiPath.carModel[2] = frontMass > 0 ? aiPath.frontLoad / frontMass : 0.0f;
  aiPath.carModel[3] = rearMass > 0 ? aiPath.rearLoad / rearMass : 0.0f;
  for (int axle = 0; axle < 2; ++axle) {
    const SuspensionBlock& set = car.wheelSets[SetOfAxle(axle)];
    aiPath.carModel[4 + axle] = 2.0f * set.treadContactWidth + set.wheelOffset;
  }
  std::fill(aiPath.gripFactorA, aiPath.gripFactorA + AI_PATH_WHEELS, 1.0f);
  std::fill(aiPath.gripFactorB, aiPath.gripFactorB + AI_PATH_WHEELS, 1.0f);
  aiPath.fuelCapacity = car.fuelCapacity;
}

void AdjustAiSetup(AiPath& aiPath) {
  Car& car = *aiPath.car;
  const int highest = std::max(0, int(car.wingAngles[1][1]) - int(car.wingAngles[1][2]));
  car.SplitLoadsToAxles(aiPath.rearLoad, aiPath.frontLoad);
  for (;;) {
    const float total = aiPath.frontLoad + aiPath.rearLoad;
    if (!(total > 0)) return;  // no downforce to balance
    if (aiPath.frontLoad / total > aiPath.frontShare || aiPath.setupIndex >= highest) return;
    ++aiPath.setupIndex;
    car.currentSetup.bytes[SETUP_FRONT_WING] = aiPath.setupIndex;
    car.SetupFromVehicle(1);
    car.SplitLoadsToAxles(aiPath.rearLoad, aiPath.frontLoad);
  }
}

float AiAxleTyreForce(const AiPath& aiPath, const float grip[4], int axle, int side, float load) {
  if (!(load > 0)) return 0;
  const Car& car = *aiPath.car;
  const int count = TyresOnSide(car, axle, side);
  if (count == 0) return 0;
  const SuspensionBlock& set = car.wheelSets[SetOfAxle(axle)];
  const float scale = set.radialStiffnessAtZero * std::max(set.maxDeflection, TYRE_DEFLECTION_FLOOR);
  const float k = TyreCompounds[std::min<int>(set.compoundIndex, TYRE_COMPOUND_COUNT - 1)].c0;
  if (!(scale > 0)) return 0;
  const float x = load / (scale * float(count));
  const float length = (2.25f * std::sqrt(x) + x) * 0.4f * float(count);
  const float pressure = 0.75f * load / length;
  const float r = std::cbrt(200000.0f * k * pressure * pressure) * length * WheelPressureIntegral / load;
  return grip[2 * axle + side] * r * load;
}

float AiLateralGrip(const AiPath& aiPath, const AiPathNode& node, float v2) {
  const float mass = Mass(aiPath);
  float least = 0;
  bool any = false;
  for (int axle = 0; axle < 2; ++axle) {
    const float share = AxleShare(aiPath, axle);
    if (!(share * mass > 0)) continue;
    const float load = share * mass * (node.normalZ * AI_GRAVITY + node.verticalCurvature * v2) +
                       AxleDownforce(aiPath, axle, v2);
    const float force = AiAxleTyreForce(aiPath, node.grip, axle, 0, load * 0.5f) +
                        AiAxleTyreForce(aiPath, node.grip, axle, 1, load * 0.5f);
    const float camber = std::fabs(node.camber) * AI_GRAVITY;
    const float a = force / (share * mass) + ((node.camber > 0) == (node.curvature > 0) ? camber : -camber);
    least = any ? std::min(least, a) : a;
    any = true;
  }
  return least;
}

void BuildAiSpeedProfile(AiPath& aiPath, int closed) {
  const int n = aiPath.nodeCount;
  if (n <= 0 || !aiPath.nodes || !aiPath.car) return;
  AiPathNode* nodes = aiPath.nodes;
  const float top = aiPath.car->topSpeed;
  int slowest = 0, kind = -1;
  float grip[4] = {};
  for (int i = 0; i < n; ++i) {
    AiPathNode& a = nodes[i];
    a.brake = a.throttle = 0;
    a.speedValid = 1;
    if (a.surfaceKind != kind) {
      kind = a.surfaceKind;
      SurfaceGrip4(aiPath, kind, a.surfaceClass, grip);
    }
    std::copy(grip, grip + 4, a.grip);
    a.cornerSpeed = CornerSpeed(aiPath, a, top);
    if (a.cornerSpeed < nodes[slowest].cornerSpeed) slowest = i;
  }
  // Braking: backward from the slowest node round the loop, or from an open path's end.
  if (closed) {
    for (int pass = 0; pass < AI_SPEED_PASSES; ++pass) {
      int changed = 0;
      for (int k = 0; k < n; ++k) {
        const int i = (slowest - k + n) % n;
        changed |= BrakeInto(aiPath, (i - 1 + n) % n, i);
      }
      if (!changed) break;
    }
  } else {
    nodes[0].cornerSpeed = nodes[n - 1].cornerSpeed = AI_LEAST_SPEED;
    for (int i = n - 1; i > 0; --i) BrakeInto(aiPath, i - 1, i);
  }
  for (int i = 0; i < n; ++i) nodes[i].targetSpeed = nodes[i].cornerSpeed;
  // Acceleration: forward from the slowest node round the loop, or from an open path's start.
  if (closed) {
    for (int pass = 0; pass < AI_SPEED_PASSES; ++pass) {
      int changed = 0;
      for (int k = 0; k < n; ++k) {
        const int i = (slowest + k) % n;
        changed |= DriveInto(aiPath, i, (i + 1) % n);
      }
      if (!changed) break;
    }
  } else {
    for (int i = 0; i + 1 < n; ++i) DriveInto(aiPath, i, i + 1);
  }
}

float CalcAiLapTime(AiPath& aiPath, int closed) {
  const int n = aiPath.nodeCount;
  float time = 0;
  const int segments = closed ? n : n - 1;
  for (int i = 0; i < segments && aiPath.nodes; ++i) {
    const AiPathNode& a = aiPath.nodes[i];
    const float mean = (a.targetSpeed + aiPath.nodes[(i + 1) % n].targetSpeed) * 0.5f;
    if (mean > 0) time += a.segmentLength / mean;
  }
  aiPath.lapTime = time;
  return time;
}

float AiEnginePower(const AiPath& aiPath) {
  const Car& car = *aiPath.car;
  const EngineModel& engine = car.engine;
  if (car.transmissionType == TRANSMISSION_ELECTRIC) return engine.maxPower;
  return engine.TorqueAtRpm(engine.maxPowerSpeed) * engine.maxPowerSpeed * engine.boostMultiplier;
}

void CalcAiFuelPerLap(AiPath& aiPath) {
  const int n = aiPath.nodeCount;
  if (n <= 0 || !aiPath.nodes || !aiPath.car) return;
  const int closed = CWld && CWld->racingPath ? (CWld->racingPath->IsLoop() ? 1 : 0) : 1;
  const float power = AiEnginePower(aiPath);
  const int segments = closed ? n : n - 1;
  float energy = 0, top = 0;
  for (int i = 0; i < segments; ++i) {
    const AiPathNode& a = aiPath.nodes[i];
    if (a.throttle == 0) continue;
    const AiPathNode& b = aiPath.nodes[(i + 1) % n];
    const float mean = (a.targetSpeed + b.targetSpeed) * 0.5f;
    if (mean > 0) energy += a.segmentLength / mean * power * float(a.throttle) / 255.0f;
    top = std::max(top, a.targetSpeed);
  }
  const bool motor = aiPath.car->transmissionType == TRANSMISSION_ELECTRIC;
  aiPath.fuelPerLap = energy * (motor ? AI_FUEL_ELECTRIC : AI_FUEL_COMBUSTION);
  aiPath.topSpeed = top;
}
