// brush_model.cpp - the contact patch as 20 slices of tread bristles, and the pressure
// tables they read.
//
// Each slice is deflected by the slip from where it entered the patch; where the deflection
// force passes what friction holds at the slice's pressure, the slice slides, and what slid
// off is carried by every slice behind it.  The friction per unit length grows with the local
// pressure to the power 2/3, so the friction coefficient falls with the cube root of the
// pressure, relative to 200000 Pa.
#include <cmath>

#include "wheel/wheel.h"
#include "wheel/wheel_local.h"

float WheelPressureTable[BRUSH_SLICES];
float WheelPressureIntegral;
float WheelFlatPressureTable[BRUSH_SLICES];
float WheelFlatPressureIntegral;

namespace {

constexpr double TWO_THIRDS = 0.6666666865348816;  // 2/3 as a float
constexpr double ONE_THIRD = 0.3333333432674408;   // 1/3 as a float
constexpr float SLIDING_DECAY_RATE = 500.0f;       // 1/e of the friction lost per 2 mm of accumulated sliding

}  // namespace

// The slice centres step down from 0.95 by 0.1 in float arithmetic; the powers are taken in
// double precision.  The sums start again, so a second call changes nothing.
void InitWheelTables() {
  WheelPressureIntegral = 0.0f;
  WheelFlatPressureIntegral = 0.0f;
  float x = 0.95f;
  for (int i = 0; i < BRUSH_SLICES; ++i) {
    const float x2 = x * x;
    WheelPressureTable[i] = static_cast<float>(std::pow(static_cast<double>(1.0f - x2), TWO_THIRDS));
    WheelFlatPressureTable[i] = static_cast<float>(std::pow(static_cast<double>(1.0f - x2 * x2), TWO_THIRDS));
    WheelPressureIntegral += WheelPressureTable[i] * 0.1f;
    WheelFlatPressureIntegral += WheelFlatPressureTable[i] * 0.1f;
    x -= 0.1f;
  }
}

float PatchFrictionScale(float n, float a, float b) {
  // p: the peak of a parabolic pressure carrying n over the patch.
  const float p = 0.75f * n / a;
  return static_cast<float>(std::pow(static_cast<double>(p * p * 200000.0f * b), ONE_THIRD));
}

void WheelContactForce(float a, float d, float sx, float sy, float v, float k, float g, float b, float mu, float r,
                       float n, BrushForces& out) {
  WheelContactForceScaled(a, d, sx, sy, v, k, g, mu, r, PatchFrictionScale(n, a, b), out);
}

void WheelContactForceScaled(float a, float d, float sx, float sy, float v, float k, float g, float mu, float r,
                             float frictionScale, BrushForces& out) {
  out = {};
  const float length = 2.0f * a;
  const float w = 0.05f * length;
  const float invA2 = 1.0f / (a * a);
  const float camber = d * g * 0.25f;
  const float scale = frictionScale * (1.1f * mu);
  const float perStiffness = 1.0f / k;
  // The sliding distance of a slice over its width, times the rolling speed: a sliding speed.
  const float heatScale = 20.0f * v / length;

  float slidOffLongitudinal = 0.0f, slidOffLateral = 0.0f, slid = 0.0f;
  for (int i = 0; i < BRUSH_SLICES; ++i) {
    const float x = a - w / 2.0f - static_cast<float>(i) * w;
    const float limit = WheelPressureTable[i] * scale;
    const float u = (a - x) * k;
    float fl = u * sx - slidOffLongitudinal;
    // (a + x)(a - x) is zero at both edges: the camber bends the tread in a parabola.
    float fs = ((x + a) * camber * invA2 + sy) * u - slidOffLateral;
    const float wanted2 = fs * fs + fl * fl;
    if (!(limit * limit >= wanted2)) {
      out.slidingFraction += 0.05f;
      const float wanted = std::sqrt(wanted2);
      const float q = limit / wanted;
      slidOffLongitudinal += (1.0f - q) * fl;
      slidOffLateral += (1.0f - q) * fs;
      const float distance = (1.0f - q) * wanted * perStiffness;
      slid += distance;
      const float e = std::exp(-slid * SLIDING_DECAY_RATE);
      const float blend = (1.0f - e) * r + e;
      out.slidingFriction += blend * limit * w;
      out.slidingPower += distance * heatScale * (blend * limit * w);
      fs = fs * blend * q;
      fl = fl * blend * q;
    }
    out.longitudinal += fl * w;
    out.lateral += fs * w;
    out.aligningMoment += fs * x * w;
  }
}
