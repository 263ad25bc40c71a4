// physics_registry.cpp - the registry of colliding bodies and the impact records.
#include "solid/physics_registry.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "core/report.h"
#include "solid/solid_hooks.h"

namespace {

Physics g_physics = {1, 0, {}};

// Round-to-nearest (ties to even) of a speed in tenths of m/s, at most 4095; NaN gives 0.
int StrengthOf(float closingSpeed) {
  const float tenths = 10.0f * closingSpeed;
  if (!(tenths > 0.0f)) return 0;
  return static_cast<int>(std::lrintf(std::min(tenths, static_cast<float>(IMPACT_MAX_STRENGTH))));
}

template <typename Entry, typename Same>
void KeepStrongest(Entry* list, int& count, const Entry& entry, Same same) {
  for (int i = 0; i < count; ++i) {
    if (same(list[i])) {
      list[i].strength = std::max(list[i].strength, entry.strength);
      return;
    }
  }
  if (count < IMPACT_LIST_SIZE) list[count++] = entry;
}

template <typename Entry, typename Names>
void RemoveWhere(Entry* list, int& count, Names names) {
  count = static_cast<int>(std::remove_if(list, list + count, names) - list);
}

}  // namespace

ImpactPair ImpactPairs[IMPACT_LIST_SIZE];
int ImpactPairCount = 0;
ImpactGround ImpactGrounds[IMPACT_LIST_SIZE];
int ImpactGroundCount = 0;

// ---- Registry ----

Physics& Physics::Get() { return g_physics; }

void Physics::Init() {
  g_physics.warn = 1;
  g_physics.count = 0;
  ImpactPairCount = 0;
  ImpactGroundCount = 0;
}

void Physics::InitWithCars() {
  Init();
  const int players = RaceLink.PlayerCount();
  for (int i = 0; i < players && g_physics.count < PHYSICS_MAX_BODIES; ++i) {
    Solid* car = RaceLink.PlayerCar(i);
    if (car) g_physics.bodies[g_physics.count++] = car;
  }
}

int Physics::AddIfPossible(Solid* body) {
  Physics& p = g_physics;
  if (std::find(p.bodies, p.bodies + p.count, body) != p.bodies + p.count) return 0;
  if (p.count >= PHYSICS_MAX_BODIES || (p.count >= PHYSICS_OPEN_PLACES && body->GetType() != 1)) {
    if (p.warn) {
      ReportLine("Too many physics objects", REPORT_ERROR);
      ReportSound(4);
      p.warn = 0;
    }
    return 0;
  }
  p.bodies[p.count++] = body;
  return 1;
}

void Physics::RemoveSolid(const Solid* body) {
  Physics& p = g_physics;
  Solid** end = p.bodies + p.count;
  Solid** at = std::find(p.bodies, end, body);
  if (at == end) return;
  std::copy(at + 1, end, at);
  --p.count;
}

int IsPlaceFree(const Physics& registry, const Solid& body) {
  for (int i = 0; i < registry.count; ++i) {
    const Solid& other = *registry.bodies[i];
    if (&other == &body || !other.awake) continue;
    const Vec3 d = MetresBetween(other.position, body.position);
    const float reach = other.radius + body.radius;
    if (reach * reach > LengthSquared(d) && other.CollidePair(body) && body.CollidePair(other)) return 0;
  }
  return 1;
}

// ---- Impact records ----

void AddImpactPair(Solid* a, Solid* b, const Vec3& normal) {
  const int s = StrengthOf(Dot(normal, b->velocity - a->velocity));
  if (s < IMPACT_LEAST_STRENGTH) return;
  if (std::less<const Solid*>()(b, a)) std::swap(a, b);
  const ImpactPair entry = {a, b, static_cast<uint16_t>(s)};
  KeepStrongest(ImpactPairs, ImpactPairCount, entry, [&](const ImpactPair& e) { return e.a == a && e.b == b; });
}

void AddImpactGround(Solid* body, FixedOb* object, const Vec3& normal) {
  const int s = StrengthOf(-Dot(normal, body->velocity));
  if (s < IMPACT_LEAST_STRENGTH) return;
  const ImpactGround entry = {body, object, static_cast<uint16_t>(s)};
  KeepStrongest(ImpactGrounds, ImpactGroundCount, entry,
                [&](const ImpactGround& e) { return e.body == body && e.object == object; });
}

void ForgetImpacts(const Solid* body) {
  RemoveWhere(ImpactPairs, ImpactPairCount, [&](const ImpactPair& e) { return e.a == body || e.b == body; });
  RemoveWhere(ImpactGrounds, ImpactGroundCount, [&](const ImpactGround& e) { return e.body == body; });
}
