// turbine.cpp - the turbine's record, its merged bounds and its turning parts.
#include "world/turbine.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "core/data_file.h"
#include "core/frame_globals.h"
#include "world/figures.h"
#include "world/pre_gen.h"

namespace {

TurbineSphere InMetres(const ModelSphere& s) {
  return {{float(s.centre.x / 65536.0), float(s.centre.y / 65536.0), float(s.centre.z / 65536.0)},
          float(s.radius / 65536.0)};
}

}  // namespace

WTurbine::WTurbine(const IntVector& at) : FixedOb(OBJECT_TURBINE), height(float(at.z) / 65536.0f) {
  position[0] = at.x;
  position[1] = at.y;
}
FixedOb* MakeTurbine(const IntVector& at) { return new (std::nothrow) WTurbine(at); }

void WTurbine::Load(DataFile& stream, int) {
  ReadFiniteFloat(stream, height, "turbine height");
  ReadFiniteFloat(stream, heading, "turbine heading");
  model = stream.ReadInt();
}

void MergeSpheres(TurbineSphere& a, const TurbineSphere& b) {
  const double d[3] = {double(b.centre[0]) - a.centre[0], double(b.centre[1]) - a.centre[1],
                       double(b.centre[2]) - a.centre[2]};
  const double D = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  if (D == 0) {
    a.radius = std::max(a.radius, b.radius);
    return;
  }
  const double farEnd = std::max(double(a.radius), D + b.radius);
  const double nearEnd = std::min(-double(a.radius), D - b.radius);
  const double middle = (farEnd + nearEnd) / 2;
  for (int k = 0; k < 3; ++k) a.centre[k] = float(a.centre[k] + d[k] / D * middle);
  a.radius = float((farEnd - nearEnd) / 2);
}

void WTurbine::Setup() {
  flags |= 4;
  centre = {position[0], position[1], NearestSaturated(double(height) * 65536.0)};
  radius = 0;
  halfSize = {};
  phase = 0;
  partCount = 0;
  PreGenEntryView view;
  if (model < 0 || !WorldModels.EntryOf || !WorldModels.ModelPartSpheres || !WorldModels.EntryOf(model, view) ||
      view.sourceKind != SOURCE_MODEL || !view.model)
    return;
  ModelSphere own, parts[TURBINE_PARTS_MAX];
  const int count = std::clamp(WorldModels.ModelPartSpheres(view.model, own, parts, TURBINE_PARTS_MAX), 0,
                               TURBINE_PARTS_MAX);
  TurbineSphere merged = InMetres(own);
  for (int i = 0; i < count; ++i) {
    MergeSpheres(merged, InMetres(parts[i]));
    partCount += parts[i].mirrored ? 2 : 1;
  }
  double finalRadius = merged.radius;
  double cx = merged.centre[0], cy = merged.centre[1];
  if (partCount == 1) {
    // A rotor turns about its axis: bounded about the model's origin horizontally.
    finalRadius += std::hypot(cx, cy);
    cx = cy = 0;
    RandomSeed = (RandomSeed * 5 + 1) & 0xFFFF;
    phase = RandomSeed;
  }
  const double c = std::cos(double(heading)), s = std::sin(double(heading));
  const double wx = cx * c - cy * s, wy = cx * s + cy * c;
  centre = {int32_t(int64_t(position[0]) + NearestSaturated(wx * 65536.0)),
            int32_t(int64_t(position[1]) + NearestSaturated(wy * 65536.0)),
            int32_t(int64_t(centre.z) + NearestSaturated(double(merged.centre[2]) * 65536.0))};
  radius = NearestSaturated(finalRadius * 65536.0);
  halfSize = {radius, radius, NearestSaturated(double(merged.radius) * 65536.0)};
}

void WTurbine::GetPosition(IntVector& at, float& headingOut) {
  at = {position[0], position[1], 0};
  headingOut = heading;
}
void WTurbine::SetPosition(const IntVector& at, float headingIn) {
  position[0] = at.x;
  position[1] = at.y;
  heading = headingIn;
}

void WTurbine::TurnRotor(int elapsedMs, float windRoot) {
  if (elapsedMs == 0) return;
  phase = uint32_t(int64_t(phase) - NearestSaturated(double(windRoot) * 6.9570622 * elapsedMs)) & 0xFFFF;
}

void TurbineHandAngles(int hour, int minute, int second, uint32_t& first, uint32_t& secondHand) {
  first = uint32_t(hour * 60075 - minute * 91) & 0xFFFF;
  secondHand = uint32_t(second * 65518 - minute * 1092) & 0xFFFF;
}
