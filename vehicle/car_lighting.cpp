// car_lighting.cpp - a drawn car's light and lamps (car_lighting.h).
#include "vehicle/car_lighting.h"

#include <cmath>
#include <cstdio>

#include "core/report.h"

namespace {

struct CollectContext {
  ShadowObjects* out;
  FixedOb* candidates[CAR_SHADOW_OBJECTS];
  int candidateCount;
  int32_t lo[2], hi[2], top;
  int debugLevel;
};

void VisitCandidate(void* context, FixedOb* object, int fromList) {
  CollectContext& c = *static_cast<CollectContext*>(context);
  WorldObjectInfo info;
  Wld::ObjectInfo(object, info);
  if (!(info.boxMax[0] > c.lo[0] && info.boxMin[0] < c.hi[0] && info.boxMax[1] > c.lo[1] && info.boxMin[1] < c.hi[1]))
    return;
  if (!(info.boxMin[2] < c.top)) return;
  for (int i = 0; i < c.candidateCount; ++i)
    if (c.candidates[i] == object) return;
  if (c.candidateCount >= CAR_SHADOW_OBJECTS) {
    if (c.debugLevel != 0)
      ReportLine(fromList ? TEXT_TOO_MANY_SHADOWS_LIST : TEXT_TOO_MANY_SHADOWS_ARRAY, REPORT_MESSAGE);
    return;
  }
  c.candidates[c.candidateCount++] = object;
}

int CastsShadow(const WorldObjectInfo& info) {
  if (info.type == 4 || info.type == 9) return info.flags & 1;
  if (info.type == 8) return (info.extraFlags & 0x80) && (info.secondFlags & 1);
  return 0;
}

void ReportLighting(const char* format, const char* carName, int debugLevel, int reportable) {
  if (debugLevel == 0 || !reportable) return;
  char line[96];
  std::snprintf(line, sizeof(line), format, carName ? carName : "");
  ReportLine(line, REPORT_GREY);
}

}  // namespace

void CollectShadowObjects(ShadowObjects& out, int32_t x, int32_t y, int32_t top, float radius, int debugLevel) {
  out.count = 0;
  const int32_t r = std::isfinite(radius) ? static_cast<int32_t>(std::lround(std::fmin(radius, 30000.0f) * 65536.0f)) : 0;
  CollectContext c = {&out, {}, 0, {x - r, y - r}, {x + r, y + r}, top + r, debugLevel};
  const IntVector lo = {c.lo[0], c.lo[1], INT32_MIN}, hi = {c.hi[0], c.hi[1], c.top};
  if (Wld::MapSquareRange(lo, hi, VisitCandidate, &c) < 0) {
    ReportLine(TEXT_NO_MAP_SQUARES, REPORT_MESSAGE);
    return;
  }
  for (int i = 0; i < c.candidateCount; ++i) {
    WorldObjectInfo info;
    Wld::ObjectInfo(c.candidates[i], info);
    if (CastsShadow(info) && Wld::IsNear(c.candidates[i], x, y, radius)) out.objects[out.count++] = c.candidates[i];
  }
}

int UseLightmap(CarLightingState& state, const ShadowObjects& shadows, const IntVector& reference, int32_t drop,
                const char* carName, int debugLevel, int reportable) {
  const IntVector start = {reference.x, reference.y, reference.z - drop};
  const IntVector direction = {0, 0, -drop};
  WorldRayHit hit = {FIXED_ONE, 0};
  int found = 0;
  for (int i = 0; i < shadows.count; ++i) {
    WorldObjectInfo info;
    Wld::ObjectInfo(shadows.objects[i], info);
    if (start.x < info.boxMin[0] || start.x > info.boxMax[0] || start.y < info.boxMin[1] || start.y > info.boxMax[1])
      continue;
    if (Wld::RayTest(shadows.objects[i], start, direction, hit)) found = 1;
  }
  if (!found) return 0;
  state.groundHit = 1;
  state.groundHeight = static_cast<float>(start.z - FixMul(drop, hit.fraction)) / 65536.0f;
  const IntVector ground = {start.x, start.y, start.z - FixMul(drop, hit.fraction)};
  if (Wld::GetLighting(ground, state.light)) {
    state.lightingChosen = 1;
    if (state.lightingMode != LIGHTING_LIGHTMAP) ReportLighting(TEXT_USING_LIGHTMAP, carName, debugLevel, reportable);
    state.lightingMode = LIGHTING_LIGHTMAP;
  }
  return 1;
}

void ChooseDefaultLighting(CarLightingState& state, const char* carName, int debugLevel, int reportable) {
  if (state.lightingChosen) return;
  state.lightingChosen = 1;
  InitLightRecord(state.light);
  if (state.lightingMode != LIGHTING_DEFAULT) ReportLighting(TEXT_USING_DEFAULT, carName, debugLevel, reportable);
  state.lightingMode = LIGHTING_DEFAULT;
}

void GetLampStates(const LampInputs& in, uint8_t states[CAR_LAMP_GROUPS]) {
  const uint32_t pulseBits = in.carOptions & (CAR_OPTION_PULSE_BRAKE | CAR_OPTION_PULSE_FOG);
  const int pulsing = in.pulse && in.pulseClock < 100;
  states[LAMP_BRAKE] = pulseBits == CAR_OPTION_PULSE_BRAKE ? pulsing : in.brake >= 0.05f;
  states[LAMP_HEAD] = in.lightSwitch || in.headlightFlash;
  states[LAMP_TAIL] = in.lightSwitch != 0;
  states[LAMP_LEFT] = (in.indicatorBits & 1) && in.indicatorClock < 500;
  states[LAMP_RIGHT] = (in.indicatorBits & 2) && in.indicatorClock < 500;
  states[LAMP_REAR_FOG] = pulseBits == (CAR_OPTION_PULSE_BRAKE | CAR_OPTION_PULSE_FOG) && pulsing;
  states[LAMP_FRONT_FOG] = 0;  // only the forced pattern lights it
  states[LAMP_REVERSE] = in.gearIndex == 0;
}

float LampBrightness(int group, float glare) {
  if (group == LAMP_HEAD) return 2.0f * glare + 1.0f;
  if (group == LAMP_TAIL || group == LAMP_REVERSE) return 1.0f;
  return 2.0f;
}

int DrawLamps(const LampDrawOps& ops, const uint8_t states[CAR_LAMP_GROUPS], const uint8_t hasGroup[CAR_LAMP_GROUPS],
              float glare) {
  float loaded = -1.0f;
  int drawn = 0;
  for (int group = 0; group < CAR_LAMP_GROUPS; ++group) {
    if (!states[group] || !hasGroup[group]) continue;
    const float b = LampBrightness(group, glare);
    if (b != loaded) {
      ops.loadColour(ops.owner, 2.0f * b);
      loaded = b;
    }
    ops.drawGroup(ops.owner, group);
    ++drawn;
  }
  if (drawn) ops.loadColour(ops.owner, 1.0f);
  return drawn;
}
