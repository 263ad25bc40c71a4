// fixed_cam.cpp - the track camera's record, its limits and its occlusion list.
#include "world/fixed_cam.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "core/config.h"
#include "core/data_file.h"
#include "core/report.h"
#include "world/world.h"

namespace {

constexpr float DEG5 = 0.08726647f, DEG20 = 0.34906587f, DEG60 = 1.0471976f, DEG90 = 1.5707964f,
                DEG120 = 2.0943952f;

// A stored float that is not finite keeps the default, with a debug message.
void KeepFinite(float value, float& field, const char* what) {
  if (std::isfinite(value)) {
    field = value;
    return;
  }
  if (CfgDebugLevel > 0) {
    char text[64];
    std::snprintf(text, sizeof text, "Camera - bad %s", what);
    ReportLine(text, REPORT_ERROR);
  }
}

float WidthToAngle(float ratio) { return 2.0f * std::atan(ratio / 2.0f); }

}  // namespace

FixedCam::FixedCam(const IntVector& at) : FixedOb(OBJECT_CAMERA) {
  position[0] = at.x;
  position[1] = at.y;
}

FixedOb* MakeCamera(const IntVector& at) { return new (std::nothrow) FixedCam(at); }

void FixedCam::Free() {
  FreeOcclusion();
  FixedOb::Free();
}

void FixedCam::FreeOcclusion() {
  delete[] occlusion;
  occlusion = nullptr;
  occlusionCount = 0;
}

void FixedCam::Load(DataFile& stream, int) {
  const int k = stream.ReadByte();
  const int format = stream.ReadByte();
  stream.Skip(2);
  const float h = stream.ReadFloat(), a = stream.ReadFloat(), third = stream.ReadFloat(), pv = stream.ReadFloat();
  kind = uint8_t(k);
  if (format == 0) kind = (k & 1) ? 1 : (k & 2) ? 2 : (k & 4) ? 3 : 0;
  KeepFinite(h, height, "height");
  KeepFinite(a, heading, "heading");
  KeepFinite(third, thirdAngle, "angle");
  KeepFinite(pv, p, "value P");
  // The rest by the kind (an old record's converted kind).
  if (kind == 0 && format >= 1) KeepFinite(stream.ReadFloat(), r, "value R");
  if (kind == 3) {
    KeepFinite(stream.ReadFloat(), q, "value Q");
    KeepFinite(stream.ReadFloat(), r, "value R");
    KeepFinite(stream.ReadFloat(), s, "value S");
  }
  if (format == 0 && (k & 4)) stream.Skip(12);
  if (format != 0) return;
  if (kind == 0) {
    p *= 15.0f;
    r = 0.5235988f;
  } else if (kind == 1 || kind == 2) {
    p = WidthToAngle(p);
  } else {
    p = WidthToAngle(p);
    r = WidthToAngle(r);
  }
}

void FixedCam::Setup() {
  centre = {position[0], position[1], NearestSaturated(double(height) * 65536.0)};
  switch (kind) {
    case 0:
      p = std::clamp(p, 2.0f, 30.0f);
      r = std::clamp(r, DEG20, DEG60);
      break;
    case 1: p = std::clamp(p, DEG5, DEG120); break;
    case 2: p = std::clamp(p, DEG5, DEG90); break;
    default:
      p = std::clamp(p, DEG5, DEG90);
      r = std::clamp(r, DEG5, DEG90);
      if (s + 1.0f > q) q = s + 1.0f;
  }
}

void FixedCam::GetPosition(IntVector& at, float& headingOut) {
  at = {position[0], position[1], 0};
  headingOut = heading;
}

void FixedCam::SetPosition(const IntVector& at, float headingIn) {
  position[0] = at.x;
  position[1] = at.y;
  heading = headingIn;
}

int FixedCam::ReadOcclusion(DataFile& stream) {
  FreeOcclusion();
  const int32_t count = stream.ReadInt();
  if (count == 0) return 1;
  const int64_t even = (int64_t(count) + 1) & ~int64_t(1);
  if (count < 0 || even * 2 > stream.BytesLeft()) {
    if (CfgDebugLevel > 0) ReportLine("Camera - bad occlusion count", REPORT_ERROR);
    return 0;
  }
  occlusion = new (std::nothrow) uint16_t[size_t(even)];
  if (!occlusion) return 0;
  for (int64_t i = 0; i < even; ++i) occlusion[i] = uint16_t(stream.ReadShort());
  occlusionCount = count;
  return 1;
}

void Wld::FreeCameraOcclusion() {
  for (int i = 0; i < objectCount; ++i)
    if (auto* camera = dynamic_cast<FixedCam*>(objects[i])) camera->FreeOcclusion();
}
