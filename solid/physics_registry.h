// physics_registry.h - the registry of the bodies that collide with each other, and the
// step's impact records: pairs of bodies that struck each other and bodies that struck
// flagged world objects, each with the strength of the blow.
//
// Sections: [Registry] [Impact records]
//
// The registry only points to bodies that others own; a body leaves it (and the impact
// lists) at the latest when it is destroyed.  Main thread only, no lock.
#pragma once
#include <cstdint>

#include "solid/solid.h"

// ---- [Registry] ----
constexpr int PHYSICS_MAX_BODIES = 120;
constexpr int PHYSICS_OPEN_PLACES = 80;  // beyond these only cars are added

struct Physics {
  uint32_t warn;  // 1 after Init; cleared once "Too many physics objects" was shown
  int32_t count;
  Solid* bodies[PHYSICS_MAX_BODIES];  // in order of registration

  static Physics& Get();
  // Empties the registry and both impact lists.
  static void Init();
  // Init, then the race's players' simulated cars in order.
  static void InitWithCars();
  // 1 added; 0 when already registered, or refused: a body other than a car beyond the first
  // 80 places (reported once after Init, with sound 4), or any body beyond 120.
  static int AddIfPossible(Solid* body);
  // Removes the body, keeping the order of the rest; an unknown body changes nothing.
  static void RemoveSolid(const Solid* body);
};

// 1 when no awake registered body other than the given one overlaps it (radii and extents
// both ways); sleeping bodies never block.
int IsPlaceFree(const Physics& registry, const Solid& body);

// ---- [Impact records] ----
constexpr int IMPACT_LIST_SIZE = 64;
constexpr int IMPACT_LEAST_STRENGTH = 3;
constexpr int IMPACT_MAX_STRENGTH = 4095;

// Strength: the closing speed along the contact normal in tenths of a metre per second,
// rounded to nearest (ties to even), at most 4095.
struct ImpactPair {
  Solid* a;  // the lower of the two in pointer order
  Solid* b;
  uint16_t strength;
};
struct ImpactGround {
  Solid* body;
  FixedOb* object;
  uint16_t strength;
};

extern ImpactPair ImpactPairs[IMPACT_LIST_SIZE];
extern int ImpactPairCount;
extern ImpactGround ImpactGrounds[IMPACT_LIST_SIZE];
extern int ImpactGroundCount;

// Records a blow of at least strength 3 between two bodies, normal the contact plane's normal
// at a's point; a pair keeps its strongest blow, the 65th distinct pair is dropped.
void AddImpactPair(Solid* a, Solid* b, const Vec3& normal);
// The same for a body against a world object.
void AddImpactGround(Solid* body, FixedOb* object, const Vec3& normal);
// Removes every record naming the body.
void ForgetImpacts(const Solid* body);
