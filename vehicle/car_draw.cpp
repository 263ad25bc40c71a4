// car_draw.cpp - the rules of drawing one car (car_draw.h).
#include "vehicle/car_draw.h"

#include <algorithm>
#include <cmath>
#include <cstring>

CarDrawItem* CarDrawItems::Add() {
  if (count >= CAR_DRAW_ITEMS) return nullptr;
  CarDrawItem* item = &items[count++];
  std::memset(item, 0, sizeof(*item));
  return item;
}

CarDrawItem* CarDrawItems::AddWheel() {
  if (wheelCount >= CAR_WHEEL_DRAW_ITEMS) return nullptr;
  CarDrawItem* item = &wheelItems[wheelCount++];
  std::memset(item, 0, sizeof(*item));
  return item;
}

CarLodChoice ChooseCarLevel(const CarLodSet& set, int32_t lodDistance, int32_t detailDistance, uint8_t startLevel,
                            uint8_t& detailState) {
  const int count = std::min<int>(set.count, CAR_LOD_LEVELS);
  CarLodChoice choice = {0, startLevel, static_cast<uint8_t>(count)};
  for (int i = 0; i < count; ++i)
    if (set.distances[i] >= detailDistance) {
      choice.detailLevel = static_cast<uint8_t>(i);
      break;
    }
  const uint8_t wanted = choice.detailLevel == 0 ? 4 : choice.detailLevel == 1 ? 2 : 1;
  detailState = std::max(detailState, wanted);
  int level = startLevel;
  while (level < count && lodDistance > set.distances[level]) ++level;
  if (level >= count) return choice;
  choice.drawn = 1;
  choice.lodIndex = static_cast<uint8_t>(level);
  return choice;
}

uint16_t ComputeDrawFlags(const CarDrawFlagInputs& in) {
  uint16_t flags = 0;
  const int insideTyres = (in.carOptions & CAR_OPTION_NO_INSIDE_TYRES) == 0;
  if (in.kind == VIEW_EDITOR || ((in.kind == VIEW_INSIDE || in.kind == VIEW_CUSTOM) && insideTyres) ||
      (in.kind == VIEW_OUTSIDE && in.nearLevel))
    flags |= DRAW_TYRES;
  if (in.kind == VIEW_OUTSIDE && in.lodIndex != 0) return flags;
  flags |= DRAW_SUBOBJECTS;
  if (in.hasDriver && (in.kind > VIEW_EDITOR || in.editorMode)) flags |= DRAW_PEOPLE;
  // 12 m x (1 + z), in 16.16, against the 16.16 distance.
  const int64_t poseDistance = 12 * (static_cast<int64_t>(0x10000) + in.viewDirZ);
  if (in.editorMode || (in.carOptions & CAR_OPTION_ALWAYS_POSE_OFF) == 0 || in.lodDistance < poseDistance)
    flags |= DRAW_POSE_PEOPLE;
  if ((in.graphicsOptions & GFX_DRIVER_ANIMATION) == 0) flags &= ~DRAW_POSE_PEOPLE;
  if (in.kind > VIEW_EDITOR) flags |= DRAW_ORDINARY_SUBS;
  if ((in.kind == VIEW_EDITOR && in.editorMode) || (in.kind == VIEW_INSIDE && in.internalShow < 2) ||
      (in.kind == VIEW_OUTSIDE && (flags & DRAW_POSE_PEOPLE)) || (in.kind == VIEW_CUSTOM && in.customShow < 2))
    flags |= DRAW_STEERING_WHEEL;
  return flags;
}

int DriverShownInView(const CarDrawFlagInputs& in) {
  switch (in.kind) {
    case VIEW_EDITOR: return in.editorMode != 0;
    case VIEW_INSIDE: return in.internalShow == 0;
    case VIEW_OUTSIDE: return 1;
    case VIEW_CUSTOM: return in.customShow == 0;
    default: return 0;
  }
}

float SteeringWheelFullTurn(float wheelTurn, float lockDegrees, uint8_t ratio) {
  // A ratio of 0 would divide by zero: such a set-up turns no steering wheel.
  if (lockDegrees == 0.0f || ratio == 0) return 0.0f;
  return std::min(wheelTurn * lockDegrees / ratio, STEERING_WHEEL_MOST);
}

int32_t SteeringWheelAngle(float wheelTurn, float lockDegrees, uint8_t ratio, float currentSteer) {
  const float t = SteeringWheelFullTurn(wheelTurn, lockDegrees, ratio);
  if (t == 0.0f) return 0;
  const float lockRadians = lockDegrees * 3.14159265f / 180.0f;
  const float s = t * RADIANS_TO_TURN16 * currentSteer / lockRadians;
  if (!std::isfinite(s)) return 0;
  return static_cast<int32_t>(std::clamp(s, -2.0e9f, 2.0e9f));
}

DriverFrame ChooseDriverFrame(int frames, float fullTurn, float range, float currentSteer, float lockDegrees) {
  if (frames < 2) return DriverFrame{0, 0, 0.0f};
  float f = 0.5f;
  if (lockDegrees != 0.0f && range != 0.0f) {
    const float lockRadians = lockDegrees * 3.14159265f / 180.0f;
    f = 0.5f - 0.5f * (fullTurn / range) * (currentSteer / lockRadians);
    if (!(f >= 0.0f)) f = 0.0f;  // not a number too
    if (f > 1.0f) f = 1.0f;
  }
  const float position = static_cast<float>(frames - 1) * f;
  const int frame = static_cast<int>(std::lround(position - 0.499999f));
  return DriverFrame{frame % frames, (frame + 1) % frames, position - static_cast<float>(frame)};
}

float EditorCarZoom(float boxWidth, float boxHeight) {
  if (!(boxWidth > 0.1f) || !(boxHeight > 0.1f)) return 1.0f;
  return boxWidth * 9.0f > boxHeight * 16.0f ? boxWidth / 1.875f : boxHeight / 1.0546875f;
}

float InternalMirrorDrop(float x) {
  if (x == 0.0f) return 0.0f;
  const float r = x / 0.4f;
  return -(r * r * 0.04f);
}
