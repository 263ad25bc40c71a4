// figures.cpp - the marshal's and the spectators' records and bounds.
#include "world/figures.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "core/config.h"
#include "core/data_file.h"
#include "core/report.h"

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
