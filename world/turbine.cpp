// turbine.cpp - the turbine's record, its merged bounds and its turning parts.
#include "world/race_state.h"
#include "world/turbine.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "core/data_file.h"
#include "core/frame_globals.h"
#include "platform/clock.h"
#include "render/draw_mesh.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/primitives.h"
#include "solid/solid_hooks.h"
#include "world/environment.h"
#include "world/figures.h"
#include "world/pre_gen.h"
#include "world/world.h"

namespace {

TurbineSphere InMetres(const ModelSphere& s) {
  return {{float(s.centre.x / 65536.0), float(s.centre.y / 65536.0), float(s.centre.z / 65536.0)},
          float(s.radius / 65536.0)};
}

// The packed light the mesh's points take while they are written (those whose colour asks
// for it), the previous one back afterwards.
struct WithPackedLight {
  explicit WithPackedLight(uint32_t packed) : saved(MeshDisplay.specularWord) { MeshDisplay.specularWord = packed; }
  ~WithPackedLight() { MeshDisplay.specularWord = saved; }
  WithPackedLight(const WithPackedLight&) = delete;
  WithPackedLight& operator=(const WithPackedLight&) = delete;
  uint32_t saved;
};

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

// ---- Drawing ----

void WTurbine::Free() {
  FreeBuilt(true);
  FixedOb::Free();
}

void WTurbine::FreeBuilt(bool) {
  if (!parts) return;
  DeleteDrawMesh(parts);  // its fast meshes with it
  parts = nullptr;
  restCount = 0;
}

void WTurbine::BuildPartsMesh() {
  PreGenEntryView view;
  if (parts || model < 0 || !WorldModels.EntryOf || !WorldModels.BuildDrawMesh || !WorldModels.EntryOf(model, view) ||
      view.sourceKind != SOURCE_MODEL || !view.model)
    return;
  parts = new (std::nothrow) GouraudO3d();
  if (!parts) return;
  parts->Init();
  WorldModels.BuildDrawMesh(view.model, *parts);
  restCount = std::min(parts->childCount, TURBINE_PARTS_MAX);
  for (int i = 0; i < restCount; ++i) partRest[i] = parts->children[i]->local.rotation;
  packedLight = PackedLightOfByte(lightingByte);
  int points = 0;
  parts->CountPoints(points);
  if (points > TURBINE_FAST_MESH_POINTS) {
    const WithPackedLight current(packedLight);
    GouraudO3d::CreateFastMesh(*parts);
  }
}

void WTurbine::TurnParts() {
  if (!parts) return;
  float facing = heading;
  uint32_t turns[2] = {phase, 0};
  if (partCount == 1) {
    // A rotor: turned by the wind, the whole turbine facing the wind.
    if (CWld) {
      TurnRotor(CWld->elapsedMs, CWld->windRoot);
      facing = CWld->windAngle[0];
    }
    turns[0] = phase;
  } else {
    // Hands: the track's local time of the race's date.
    WallTime now;
    WallTimeFromFileTime(RaceState.dateTime, now);
    const int hour = ((now.hour + (CWld ? WorldTrackPlace.timeZoneHours : 0)) % 24 + 24) % 24;
    TurbineHandAngles(hour, now.minute, now.second, turns[0], turns[1]);
  }
  for (int i = 0; i < restCount && i < 2; ++i) {
    FixedMatrix turn;
    MatrixRotY(turn, turns[i]);
    MatrixMultiply(partRest[i], turn, parts->children[i]->local.rotation);
  }
  MatrixRotZ(parts->local.rotation, uint32_t(NearestSaturated(double(facing) * 10430.378)) & 0xFFFF);
  parts->local.translation = {position[0], position[1], NearestSaturated(double(height) * 65536.0)};
  parts->world = parts->local;
}

void WTurbine::AddToDrawList() {
  if (!listed) {
    BuildPartsMesh();
    listed = 1;
    if (CWld) CWld->activeList.Add(this);
    if (!parts) return;
    TurnParts();
    temporaryCount = 0;
    if (!parts->fastMesh) {
      const WithPackedLight current(packedLight);
      uint16_t first = 0;
      const int added = parts->Draw(0, &first);
      firstTemporary = first;
      temporaryCount = uint8_t(std::clamp(added, 0, 255));
    }
  }
  if (parts && CWld) CWld->figureList.Add(this);
}

void WTurbine::Draw() {
  if (!parts) return;
  if (parts->fastMesh) {
    UpdateFastMeshTransforms(*parts);
    GouraudO3d::DrawFastMeshes(*parts, nullptr, nullptr);
    return;
  }
  if (temporaryCount) DrawVisibleTempMeshes(firstTemporary, temporaryCount);
}

void WTurbine::DrawLit() {
  if (!parts) return;
  const bool fast = bool(parts->fastMesh);
  uint32_t mask = lightMask & WorldLightsOn;
  while (mask != 0) {
    mask = SetLocalLights(mask, fast ? 0 : 2);
    Draw();
  }
  if (fast) {
    SetIdentityMatrix(WorldMatrix);
    UploadWorldMatrix(0, 0);
  }
}
