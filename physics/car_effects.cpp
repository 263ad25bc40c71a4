// car_effects.cpp - what the wheels leave behind when 3D graphics are on: tyre-mark strips on
// ground that takes marks, and every 40 steps smoke from overheated tread and dust from
// sliding wheels on dusty ground, through the hooks the program installs.
#include <algorithm>
#include <cmath>

#include "physics/car.h"

CarEffectHooks CarEffects = {nullptr, nullptr};

namespace {

constexpr int32_t MARK_LIFT = 65536 / 64;  // the mark lies 1/64 m above the contact
constexpr float LEAST_MARK_STEP = 0.0005f;   // m
constexpr float MARK_REACH = 0.001f;         // s: how far a mark may reach, per m/s and 40 m/s more
constexpr float LEAST_MARK_STRENGTH = 0.0625f;
constexpr uint32_t EFFECT_STEPS = 40;
constexpr float SMOKE_TEMPERATURE = 200.0f;  // degrees C
constexpr float DUST_GRIP_USE = 0.5f;
constexpr float TREAD_HEAT_CAPACITY = 910.0f * 2000.0f;
constexpr float ZERO_CELSIUS = 273.15f;
constexpr float SEGMENT_ANGLE = 6.2831855f / TREAD_SECTORS;
constexpr int32_t LINE_SIZE = 400;

int WheelCount(const Car& car) { return std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS); }

}  // namespace

void Car::ClearWheelSlots() {
  for (WheelStep& step : wheelSteps) step.markSlot = TYRE_MARK_NONE;
}

void Car::WheelEffects() {
  const int count = WheelCount(*this);
  if (!CarEffects.addTyreMark && !CarEffects.addLine) {
    for (int i = 0; i < count; ++i) wheelSteps[i].markStrength = 0.0f;
    return;
  }
  ++effectsCounter;
  for (int i = 0; i < count; ++i) {
    CarWheel& w = wheels[i];
    WheelStep& step = wheelSteps[i];
    const SuspensionBlock& set = wheelSets[w.wheelSet & 1];
    const IntVector contact = {SaturatingAdd(position.x, FixedFromMetres(w.contactPoint.x)),
                               SaturatingAdd(position.y, FixedFromMetres(w.contactPoint.y)),
                               SaturatingAdd(position.z, int64_t{FixedFromMetres(w.contactPoint.z)} + MARK_LIFT)};
    step.markStrength = w.groundContact && w.inContact > 0.0f ? std::clamp(w.sliding, 0.0f, 1.0f) : 0.0f;

    // The mark strip: a point each time the wheel has slid far enough since the last one.
    if (CarEffects.addTyreMark && step.markStrength >= LEAST_MARK_STRENGTH && SurfaceTakesMarks(w.surfaceKind)) {
      const float d = std::sqrt(LengthSquared(MetresBetween(contact, step.lastMark)));
      if (step.markSlot == TYRE_MARK_NONE) {
        step.markSlot = -1;  // the strip starts with the next point
        step.lastMark = contact;
      } else if (d >= LEAST_MARK_STEP && d <= (speed + 40.0f) * MARK_REACH) {
        const int32_t a[3] = {step.lastMark.x, step.lastMark.y, step.lastMark.z};
        const int32_t b[3] = {contact.x, contact.y, contact.z};
        const uint32_t words[3] = {w.surfaceKind, 0, 0};
        step.markSlot = CarEffects.addTyreMark(a, b, words, step.markSlot, w.surfaceKind, this, step.markStrength);
        step.lastMark = contact;
      } else if (d > (speed + 40.0f) * MARK_REACH) {
        step.markSlot = TYRE_MARK_NONE;
      }
    } else {
      step.markSlot = TYRE_MARK_NONE;
    }

    if (!CarEffects.addLine || effectsCounter % EFFECT_STEPS != 0) continue;
    const int32_t size = LINE_SIZE << ((effectsCounter / EFFECT_STEPS) & 3);
    const float R = set.rollingRadius;
    const float capacity = set.sectionWidth * 0.001f * R * TREAD_HEAT_CAPACITY;
    for (int k = 0; k < TREAD_SECTORS && capacity > 0.0f; ++k) {
      const float t = w.sectors[k].bodyHeat[1] / capacity - ZERO_CELSIUS;
      if (!(t > SMOKE_TEMPERATURE)) continue;
      const float angle = w.rotationAngle + SEGMENT_ANGLE * static_cast<float>(k);
      const Vec3 round = MatrixTimes(orientation, Vec3{0.0f, std::cos(angle) * R, std::sin(angle) * R});
      const int32_t at[6] = {contact.x + FixedFromMetres(round.x), contact.y + FixedFromMetres(round.y),
                             contact.z + FixedFromMetres(round.z), contact.x, contact.y, contact.z};
      const float rise = (std::fabs(w.spinRate * R) + speed) * 0.04f;
      const uint8_t alpha = static_cast<uint8_t>(std::clamp(t * 255.0f / 200.0f - 255.0f, 0.0f, 128.0f));
      CarEffects.addLine(at, FixedFromMetres(rise), nullptr, alpha, size);
    }
    if (step.gripUse > DUST_GRIP_USE && SurfaceRaisesDust(w.surfaceKind)) {
      const int32_t at[6] = {contact.x, contact.y, contact.z, contact.x, contact.y, contact.z};
      const float rise = (std::fabs(w.spinRate * R) + speed * 0.3f) * 0.04f;
      CarEffects.addLine(at, FixedFromMetres(rise), nullptr, 128, size);
    }
  }
}
