// world_hooks.cpp - the one place the world puts its answers into the hooks of the layers
// below it.  Each answer looks at CWld: without a world it gives what the editor stands on
// (gravity -9.81, no wind, no map squares or trunks, no hit, no lighting, no pick); a loaded
// world answers from its objects and octrees.
#include <cstring>

#include "render/humans.h"
#include "render/light_samples.h"
#include "render/sky.h"
#include "render/views.h"
#include "solid/solid_hooks.h"
#include "world/environment.h"
#include "world/fixed_ob.h"
#include "world/light_octrees.h"
#include "world/map_squares.h"
#include "world/octree.h"
#include "world/world.h"

namespace {

// ---- [Rigid body] ----
float Gravity() { return CWld ? CWld->gravity : STANDARD_GRAVITY; }
// The wind the race start drew (none without a world).
Vec3 Wind() { return CWld ? Vec3{CWld->windX, CWld->windY, 0.0f} : Vec3{}; }
int PitLimit() { return CWld ? CWld->GetPitSpeedLimit() : NO_WORLD_PIT_LIMIT; }

// A probe's ray test goes to the object's own: the probe's position, the vector from the
// centre of mass, no surface word, blend or bump.
void ObjectRayTest(FixedOb* object, const IntVector& position, const IntVector& fromCentre, ContactProbe& probe, int,
                   int, int, int mode) {
  if (object) object->RayTest(position, fromCentre, probe, nullptr, nullptr, nullptr, mode);
}

// The box a probe's ray test is bounded by (world/fixed_ob.h, rayTestBoxed).
const int32_t* ObjectRayBox(const FixedOb* object) { return object && object->rayTestBoxed ? object->box : nullptr; }

// The map squares of the loaded world (map_squares.h); without one, none.
int SquareRange(int32_t x0, int32_t x1, int32_t y0, int32_t y1, int& c0, int& c1, int& r0, int& r1) {
  return CWld ? MapSquareRange(*CWld, x0, x1, y0, y1, c0, c1, r0, r1) : 0;
}
int TrunksOfSquare(int column, int row, const TrunkRecord*& trunks) {
  trunks = nullptr;
  return CWld ? SquareTrunks(*CWld, column, row, trunks) : 0;
}
void AsleepIntoSquares(FixedOb* object) {
  if (CWld) AddObToMapSquares(*CWld, object);
}
void AwakeOutOfSquares(FixedOb* object) {
  if (CWld) RemoveObFromMapSquares(*CWld, object);
}
void IntoActiveList(FixedOb* object) {
  if (CWld) AddToActiveList(*CWld, object);
}

// ---- [Renderer] ----
// The world's view ray under the mouse, from the view's eye.
int PickUnderMouse(ViewCameraRecord& camera) {
  if (!CWld) return 0;
  float direction[3];
  if (!PickFromMouse(direction)) return 0;
  SetViewRay(*CWld, CurrentView->position, direction);
  return CWld->GetBounds(camera);
}

// The ground under a point through the object octree.  The renderer's ray runs from start down
// to start + direction; the octree's runs from its far end back up (origin start + direction,
// points origin - t direction), so that the greatest t is the highest surface met.
int RayToGround(const int32_t start[3], const int32_t direction[3], int32_t hit[3]) {
  if (!CWld) return 0;
  ContactProbe probe = {};
  const IntVector origin = {WrappingAdd(start[0], direction[0]), WrappingAdd(start[1], direction[1]),
                            WrappingAdd(start[2], direction[2])};
  const IntVector ray = {direction[0], direction[1], direction[2]};
  if (ObjectOctree.Query(probe, origin, ray) <= 0) return 0;
  hit[0] = probe.candidatePoint.x;
  hit[1] = probe.candidatePoint.y;
  hit[2] = probe.candidatePoint.z;
  return 1;
}
int LightingAtPoint(const int32_t point[3], LightRecord& record) {
  if (!CWld) return 0;
  return LookUpLighting({point[0], point[1], point[2]}, record);
}
// The point octree's sample: -1 when the world has none.
int PointSample(const int32_t point[3], LightSample& sample) {
  if (!CWld || WorldPoints.slots.empty()) return -1;
  const uint8_t* data = GetObjectLighting({point[0], point[1], point[2]});
  if (!data) return 0;
  std::memcpy(sample.bytes, data, LIGHT_SAMPLE_BYTES);
  return 1;
}
float SunSetting() { return 0.0f; }

// ---- [Car] ----
// The car's ground query: the map squares' probe, its fraction, height and normal.
int32_t CarQuery(const IntVector& point, const IntVector& vector, MapSquareHit& hit, int withAdded) {
  if (!CWld) return Wld::NoWorldQuery(point, vector, hit, withAdded);
  ContactProbe probe = {};
  hit.hitValue = QueryMapSquare(*CWld, point, vector, probe, withAdded);
  if (hit.hitValue) {
    hit.height = probe.candidatePoint.z;
    hit.normal[0] = probe.candidateNormal.x;
    hit.normal[1] = probe.candidateNormal.y;
    hit.normal[2] = probe.candidateNormal.z;
  }
  return hit.hitValue;
}
int32_t GroundBelow(int32_t x, int32_t y, int32_t z, int startLow) {
  return CWld ? FindSurfaceBelow(*CWld, x, y, z, startLow) : 0;
}
int ObjectsUnder(const IntVector& lo, const IntVector& hi, Wld::ObjectVisitor visit, void* context) {
  return CWld ? VisitMapSquares(*CWld, lo, hi, visit, context) : 0;
}

// ---- [Car lighting] ----
// The car's ray start .. start + direction before hit.fraction, as the object's ray test of
// the segment from the far end back: t = 1 - fraction.
int CarRayTest(const FixedOb* object, const IntVector& start, const IntVector& direction, WorldRayHit& hit) {
  if (!object) return 0;
  ContactProbe probe = {};
  probe.candidateStrength = FIXED_ONE - hit.fraction;
  const int32_t before = probe.candidateStrength;
  const IntVector end = {WrappingAdd(start.x, direction.x), WrappingAdd(start.y, direction.y),
                         WrappingAdd(start.z, direction.z)};
  const_cast<FixedOb*>(object)->RayTest(end, direction, probe, nullptr, nullptr, nullptr, 1);
  if (probe.candidateStrength <= before) return 0;
  hit.fraction = FIXED_ONE - probe.candidateStrength;
  return 1;
}
// The lighting octree's record at a point; the car's six values are its openness terms.
int CarLighting(const IntVector& point, WorldLightSample& sample) {
  if (!CWld) return 0;
  LightRecord record;
  InitLightRecord(record);
  if (!LookUpLighting(point, record)) return 0;
  for (int k = 0; k < 6; ++k) sample.values[k] = record.open[k];
  return 1;
}

}  // namespace

void InstallWorld() {
  WorldHooks hooks = NoWorldHooks();
  hooks.Gravity = Gravity;
  hooks.Wind = Wind;
  hooks.PitSpeedLimit = PitLimit;
  hooks.MapSquareRange = SquareRange;
  hooks.SquareTrunks = TrunksOfSquare;
  hooks.AddObToMapSquares = AsleepIntoSquares;
  hooks.RemoveObFromMapSquares = AwakeOutOfSquares;
  hooks.AddToActiveList = IntoActiveList;
  hooks.RayTest = ObjectRayTest;
  hooks.RayBox = ObjectRayBox;
  InstallWorldHooks(hooks);

  CameraWorldPickHook = PickUnderMouse;
  WorldRayCastHook = RayToGround;
  WorldLightingLookupHook = LightingAtPoint;
  WorldLightSampleHook = PointSample;
  WorldSunSettingHook = SunSetting;
  WorldSunDirectionHook = ComputeSunDirection;
  Wld::QueryMapSquare = CarQuery;
  Wld::FindSurfaceBelow = GroundBelow;
  Wld::MapSquareRange = ObjectsUnder;
  Wld::RayTest = CarRayTest;
  Wld::GetLighting = CarLighting;
}
