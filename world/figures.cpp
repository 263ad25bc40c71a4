// figures.cpp - the marshal's and the spectators' records and bounds.
#include "world/figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "core/config.h"
#include "core/data_file.h"
#include "core/report.h"
#include "render/humans.h"
#include "world/world.h"

void ReadFiniteFloat(DataFile& stream, float& field, const char* what) {
  const float v = stream.ReadFloat();
  if (std::isfinite(v)) {
    field = v;
    return;
  }
  if (CfgDebugLevel > 0) {
    char text[80];
    std::snprintf(text, sizeof text, "Bad %s - default kept", what);
    ReportLine(text, REPORT_ERROR);
  }
}

// ---- Marshal ----

WMarshal::WMarshal(const IntVector& at) : FixedOb(OBJECT_MARSHAL), height(float(at.z) / 65536.0f) {
  position[0] = at.x;
  position[1] = at.y;
}
FixedOb* MakeMarshal(const IntVector& at) { return new (std::nothrow) WMarshal(at); }

void WMarshal::Load(DataFile& stream, int) {
  model = stream.ReadInt();
  ReadFiniteFloat(stream, heading, "marshal heading");
  ReadFiniteFloat(stream, height, "marshal height");
}

void WMarshal::Setup() {
  centre = {position[0], position[1], int32_t(int64_t(NearestSaturated(double(height) * 65536.0)) + 65536)};
  radius = 92682;
  halfSize = {65536, 65536, 65536};
}

void WMarshal::GetPosition(IntVector& at, float& headingOut) {
  at = {position[0], position[1], 0};
  headingOut = heading;
}
void WMarshal::SetPosition(const IntVector& at, float) {
  position[0] = at.x;
  position[1] = at.y;
}

// ---- Spectators ----

WSpectator::WSpectator(const IntVector& at)
    : FixedOb(OBJECT_SPECTATOR), lowHeight(float(at.z) / 65536.0f), highHeight(float(at.z) / 65536.0f) {
  position[0] = at.x;
  position[1] = at.y;
}
FixedOb* MakeSpectators(const IntVector& at) { return new (std::nothrow) WSpectator(at); }

void WSpectator::Load(DataFile& stream, int) {
  wordA = stream.ReadInt();
  wordB = stream.ReadInt();
  ReadFiniteFloat(stream, heading, "spectator heading");
  ReadFiniteFloat(stream, width, "spectator width");
  ReadFiniteFloat(stream, lowHeight, "spectator height");
  ReadFiniteFloat(stream, highHeight, "spectator height");
  ReadFiniteFloat(stream, valueD, "spectator value");
  ReadFiniteFloat(stream, valueE, "spectator value");
}

void WSpectator::Setup() {
  const double m = (double(lowHeight) + highHeight) / 2;
  const double w = double(width) / 2 + 0.5;
  const double h = (std::fabs(double(highHeight) - lowHeight) + 2) / 2;
  centre = {position[0], position[1], int32_t(int64_t(NearestSaturated(m * 65536.0)) + 65536)};
  radius = NearestSaturated(std::sqrt(w * w + h * h) * 65536.0);
  const uint32_t angle = uint32_t(NearestSaturated(double(heading) * 10430.378)) & 0xFFFF;
  const int64_t c = FixCos(angle), s = FixSin(angle);
  const int64_t W = NearestSaturated(w * 65536.0);
  halfSize = {int32_t(std::llabs(((c * W) >> 16) - s)), int32_t(std::llabs(((s * W) >> 16) + c)),
              NearestSaturated(h * 65536.0)};
}

void WSpectator::GetPosition(IntVector& at, float& headingOut) {
  at = {position[0], position[1], 0};
  headingOut = heading;
}
void WSpectator::SetPosition(const IntVector& at, float headingIn) {
  position[0] = at.x;
  position[1] = at.y;
  heading = headingIn;
}

// ---- Figures ----

namespace {

constexpr int32_t FIGURE_LIGHT_RAISE = 98304;  // 1.5 m: where a figure's light is sampled

uint32_t Turn(float radians) { return uint32_t(NearestSaturated(double(radians) * 10430.378)) & 0xFFFF; }

// A figure's level chosen, its light sampled while unsampled; 1 when its level is drawn.
bool ChooseFigure(HumanWorldObject& f) {
  SelectLodByDistance(f, f.transform);
  if (f.lightState == 0) {
    const IntVector& at = f.transform.translation;
    FindHumanLight(f, {at.x, at.y, int32_t(int64_t(at.z) + FIGURE_LIGHT_RAISE)});
  }
  return f.chosenLevel < HUMAN_NO_LEVEL;
}

}  // namespace

void PlaceFigure(HumanWorldObject& figure, float heading, int32_t x, int32_t y, int32_t z) {
  MatrixRotZ(figure.transform.rotation, Turn(heading));
  figure.transform.translation = {x, y, z};
}

void WMarshal::AttachFigure() {
  if (!figure) HumanFiguresWanted();
  if (figure || !HumanMeshes.built || HumanMeshes.slotCount <= 0 || !HumanMeshes.slots) return;
  int slot = FindHumanSlot(model);
  if (slot < 0 || slot >= HumanMeshes.slotCount) slot = 0;
  figure = new (std::nothrow) HumanWorldObject;
  if (!figure) return;
  InitHumanRecord(*figure);
  figure->meshSet = &HumanMeshes.slots[slot];
}

void WMarshal::Free() {
  if (figure) ResetHumanRecord(*figure);
  delete figure;
  figure = nullptr;
  FixedOb::Free();
}
void WMarshal::FreeBuilt(bool) {
  if (figure) figure->lightState = 0;
}

void WMarshal::AddToDrawList() {
  AttachFigure();
  if (!figure || listed) return;
  listed = 1;
  if (CWld) CWld->activeList.Add(this);
  PlaceFigure(*figure, heading, position[0], position[1], NearestSaturated(double(height) * 65536.0));
  if (ChooseFigure(*figure) && CWld) CWld->figureList.Add(this);
}
void WMarshal::Draw() {
  if (figure && figure->chosenLevel < HUMAN_NO_LEVEL) DrawLodParts(*figure);
}

void WSpectator::AttachFigures() {
  if (!figures) HumanFiguresWanted();
  if (figures || !HumanMeshes.built || HumanMeshes.slotCount <= 0 || !HumanMeshes.slots) return;
  const double w = std::isfinite(width) ? std::fabs(double(width)) : 0.0;
  const int count = int(std::clamp(std::lround(w), 1L, long(SPECTATOR_FIGURES_MAX)));
  figures = new (std::nothrow) HumanWorldObject[count];
  if (!figures) return;
  figureCount = count;
  for (int i = 0; i < count; ++i) {
    InitHumanRecord(figures[i]);
    const int64_t slot = (int64_t(wordA) + i) % HumanMeshes.slotCount;
    figures[i].meshSet = &HumanMeshes.slots[slot < 0 ? slot + HumanMeshes.slotCount : slot];
  }
}

void WSpectator::PlaceFigures() {
  const double w = std::isfinite(width) ? std::fabs(double(width)) : 0.0;
  const double c = std::cos(double(heading)), s = std::sin(double(heading));
  for (int i = 0; figures && i < figureCount; ++i) {
    // Evenly across the width, a figure at the middle of each share.
    const double share = (i + 0.5) / figureCount;
    const double across = (share - 0.5) * w;
    const double z = double(lowHeight) + (double(highHeight) - lowHeight) * share;
    PlaceFigure(figures[i], heading, int32_t(int64_t(position[0]) + NearestSaturated(across * c * 65536.0)),
                int32_t(int64_t(position[1]) + NearestSaturated(across * s * 65536.0)), NearestSaturated(z * 65536.0));
  }
}

void WSpectator::Free() {
  for (int i = 0; figures && i < figureCount; ++i) ResetHumanRecord(figures[i]);
  delete[] figures;
  figures = nullptr;
  figureCount = 0;
  FixedOb::Free();
}
void WSpectator::FreeBuilt(bool) {
  for (int i = 0; figures && i < figureCount; ++i) figures[i].lightState = 0;
}

void WSpectator::AddToDrawList() {
  AttachFigures();
  if (!figures || listed) return;
  listed = 1;
  if (CWld) CWld->activeList.Add(this);
  PlaceFigures();
  for (int i = 0; i < figureCount; ++i) ChooseFigure(figures[i]);
  if (CWld) CWld->figureList.Add(this);
}
void WSpectator::Draw() {
  for (int i = 0; figures && i < figureCount; ++i)
    if (figures[i].chosenLevel < HUMAN_NO_LEVEL) DrawLodParts(figures[i]);
}
