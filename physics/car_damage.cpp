// car_damage.cpp - the car's damage nodes: their packed directions, the list of sixteen, a
// node's dent, and the physical side: the points and wheel mountings dented and restored.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/frame_globals.h"
#include "core/report.h"
#include "physics/car.h"
#include "physics/car_setup_local.h"

namespace {

constexpr uint16_t DIRECTION_TOP_BITS = 0xF800;

// A component's 16-bit value, round(c x 30720), held to 16 bits (a unit component stays well
// inside); a component that is not finite counts as 0.
uint16_t ComponentBits(float c) {
  if (!std::isfinite(c)) return 0;
  const double scaled = std::clamp(std::nearbyint(double(c) * DAMAGE_DIRECTION_SCALE), -32768.0, 32767.0);
  return uint16_t(int16_t(scaled));
}

float ComponentValue(uint16_t topBits) { return float(int16_t(topBits)) / DAMAGE_DIRECTION_SCALE; }

int WheelsOf(const Car& car) { return std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS); }

void Move(Vec3& v, const DamageDent& dent, double amount) {
  v.x = float(v.x + dent.direction[0] * amount);
  v.y = float(v.y + dent.direction[1] * amount);
  v.z = float(v.z + dent.direction[2] * amount);
}

}  // namespace

uint16_t PackDamageDirection(float x, float y, float z) {
  return uint16_t((ComponentBits(x) & DIRECTION_TOP_BITS) | (ComponentBits(y) >> 5 & 0x7C0) |
                  (ComponentBits(z) >> 10 & 0x3E));
}

Vec3 UnpackDamageDirection(uint16_t packed) {
  return {ComponentValue(packed & DIRECTION_TOP_BITS), ComponentValue(uint16_t((packed & 0x7C0) << 5)),
          ComponentValue(uint16_t((packed & 0x3E) << 10))};
}

bool MakeDamageDent(const Car& car, const DamageNode& node, DamageDent& dent) {
  if (!car.undamagedPoints || node.point >= car.undamagedPointCount) return false;
  const double radius = double(car.damageSize) / 2.0;
  if (!std::isfinite(radius) || radius <= 0.0) return false;  // no dent has a size: nothing moves
  const Vec3& c = car.undamagedPoints[node.point];
  if (!std::isfinite(c.x) || !std::isfinite(c.y) || !std::isfinite(c.z)) return false;
  const Vec3 d = UnpackDamageDirection(node.direction);
  dent.centre[0] = c.x;
  dent.centre[1] = c.y;
  dent.centre[2] = c.z;
  dent.direction[0] = d.x;
  dent.direction[1] = d.y;
  dent.direction[2] = d.z;
  dent.depth = node.depth * radius / 255.0;
  dent.radiusSquared = radius * radius;
  dent.limit = DAMAGE_DEPTH_LIMIT * radius;
  return true;
}

void FreeUndamagedMeshes(Car& car) {
  for (UndamagedMesh& m : car.undamagedMeshes) {
    delete[] m.vertices;
    delete[] m.subobjects;
    m = UndamagedMesh{};
  }
}

int Car::AddDamageNode(const DamageNode& node) {
  std::lock_guard<std::recursive_mutex> lock(CarLock);
  if (damageNodeCount >= CAR_DAMAGE_NODES) {
    damageNodeCount = CAR_DAMAGE_NODES;
    int shallowest = 0;
    for (int i = 1; i < CAR_DAMAGE_NODES; ++i)
      if (damageNodes[i].depth < damageNodes[shallowest].depth) shallowest = i;
    if (node.depth <= damageNodes[shallowest].depth) return 0;
    std::memmove(&damageNodes[shallowest], &damageNodes[shallowest + 1],
                 sizeof(DamageNode) * size_t(CAR_DAMAGE_NODES - 1 - shallowest));
    --damageNodeCount;
  }
  damageNodes[damageNodeCount++] = node;
  ++physicalDamageVersion;
  return 1;
}

void Car::RestoreUndamagedPoints() {
  for (int i = 0; i < WheelsOf(*this); ++i) wheels[i].mount = wheels[i].restMount;
  if (!undamagedPoints || !points) return;
  const int count = std::min<int>(undamagedPointCount, pointCount);
  for (int i = 0; i < count; ++i) points[i].local = undamagedPoints[i];
}

void ApplyDamageNodesPhysical(Car& car) {
  if (!car.points) {
    ReportLine("DBG: IPoints==NULL in ApplyDamageNodesPhysical", REPORT_MESSAGE, REPORT_TARGET_DEBUG);
    return;
  }
  DamageNode nodes[CAR_DAMAGE_NODES];
  int count;
  {
    std::lock_guard<std::recursive_mutex> lock(CarLock);
    count = std::min<int>(car.damageNodeCount, CAR_DAMAGE_NODES);
    std::memcpy(nodes, car.damageNodes, sizeof(DamageNode) * size_t(count));
  }
  for (int n = 0; n < count; ++n) {
    DamageDent dent;
    if (!MakeDamageDent(car, nodes[n], dent)) continue;
    for (int i = 0; i < WheelsOf(car); ++i) {
      Vec3& mount = car.wheels[i].mount;
      double amount;
      if (dent.Reaches(mount.x, mount.y, mount.z, amount)) Move(mount, dent, amount);
    }
    if (nodes[n].point < car.pointCount) Move(car.points[nodes[n].point].local, dent, dent.depth);
  }
}

void RemoveCarDamage(Car& car) {
  {
    std::lock_guard<std::recursive_mutex> lock(CarLock);
    car.damageRestorePending = 0;
    if (car.damageNodeCount != 0) {
      if (car.model) ReportLine("RemoveCarDamage", REPORT_MESSAGE, REPORT_TARGET_DEBUG);
      if (!IsBatchRun()) car.RestoreUndamagedPoints();
      car.damageNodeCount = 0;
      car.physicalDamageVersion = 0;
    }
  }
  // The body points, the engine and every wheel as new; the springs take the set-up's rates.
  if (car.undamagedPoints && car.points && !IsBatchRun()) {
    const int count = std::min<int>(car.undamagedPointCount, car.pointCount);
    for (int i = 0; i < count; ++i) car.points[i].local = car.undamagedPoints[i];
  }
  car.engine.health = 1.0f;
  car.engine.clutchHeat = 0.0f;  // the engine's second condition figure
  const int warm = car.WarmFlag();
  for (int i = 0; i < WheelsOf(car); ++i) {
    CarWheel& w = car.wheels[i];
    const int axle = w.wheelSet & 1;
    w.mount = w.restMount;
    w.travelOffset = w.lowerArmShortening = w.upperArmShortening = 0.0f;
    for (uint8_t& d : w.damage) d = DAMAGE_INTACT;
    w.toeDamageAngle = 0.0f;
    w.tyreFailed = 0;
    w.InitThermalState(car.wheelSets[axle], warm);
    w.toeAngle = SetupToeAngle(car, axle);
  }
  for (uint8_t& loose : car.looseWheels) loose = 0;
  car.activity.looseWheels = 0;
  car.ApplySpringRates();
}
