// sky_model.cpp - the analytic sky and the sun's spectral radiance.
#include "render/sky_model.h"

#include <algorithm>
#include <cmath>

#include "render/sky_tables.h"

HosekSkyState SkyModelState;
float SkyPostedTurbidity = 3.0f;
float SkyPostedAlbedo = 0.1f;

// As published, with the values rounded to five places.
const float LimbDarkeningCoefficients[11][6] = {
    {0.08766f, 0.76717f, 0.65812f, -1.02953f, 0.70330f, -0.18674f},   // 320 nm
    {0.12295f, 1.01278f, 0.23869f, -1.12208f, 1.17087f, -0.42495f},   // 360
    {0.12351f, 1.08444f, -0.40560f, 0.37063f, -0.24057f, 0.06748f},   // 400
    {0.15849f, 1.23346f, -0.87575f, 0.85781f, -0.48492f, 0.11090f},   // 440
    {0.19859f, 1.30507f, -1.25998f, 1.49727f, -1.04047f, 0.29952f},   // 480
    {0.23695f, 1.29927f, -1.28034f, 1.37760f, -0.85054f, 0.21706f},   // 520
    {0.26892f, 1.34319f, -1.58427f, 1.91271f, -1.31350f, 0.37295f},   // 560
    {0.29980f, 1.36718f, -1.80884f, 2.29294f, -1.60595f, 0.45487f},   // 600
    {0.33551f, 1.30791f, -1.79382f, 2.44646f, -1.89082f, 0.59477f},   // 640
    {0.36401f, 1.27316f, -1.73824f, 2.28535f, -1.70203f, 0.51776f},   // 680
    {0.38970f, 1.24480f, -1.69708f, 2.14061f, -1.51803f, 0.44000f},   // 720
};

namespace {

constexpr float HALF_PI = 1.5707964f;
constexpr int PARAMS_PER_TURBIDITY = 54;   // 6 control points x 9 parameters
constexpr int PARAMS_PER_ALBEDO = 540;
constexpr int RADIANCES_PER_TURBIDITY = 6;
constexpr int RADIANCES_PER_ALBEDO = 60;

// Whole turbidity 1..10 and its fraction.
void SplitTurbidity(float turbidity, int* whole, float* fraction) {
  turbidity = std::clamp(turbidity, 1.0f, 10.0f);
  *whole = std::min(int(turbidity), 10);
  *fraction = turbidity - float(*whole);
}

// sum over the control points of weight x value, the control points `stride` apart.
float Blend(const float* first, int stride, const float weights[6]) {
  float sum = 0.0f;
  for (int i = 0; i < 6; ++i) sum += weights[i] * first[i * stride];
  return sum;
}

// The published blend of one value over turbidity and albedo: `at` gives the control-point
// series of (albedo, whole turbidity 1..10).
template <class At>
float BlendTurbidityAlbedo(At at, float turbidity, float albedo) {
  int t;
  float f;
  SplitTurbidity(turbidity, &t, &f);
  const float a = std::clamp(albedo, 0.0f, 1.0f);
  float v = (1.0f - a) * (1.0f - f) * at(0, t);
  if (t != 10) v += (1.0f - a) * f * at(0, t + 1);
  v += a * (1.0f - f) * at(1, t);
  if (t != 10) v += a * f * at(1, t + 1);
  return v;
}

// The wavelength band of 320 + 40 b nm and the fraction towards the next.
void SplitWavelength(float wavelength, int* band, float* fraction) {
  const float w = std::clamp(wavelength, 320.0f, 720.0f) - 320.0f;
  *band = int(w / 40.0f);
  *fraction = std::fmod(w, 40.0f) / 40.0f;
  if (*band >= 10) {
    *band = 9;
    *fraction = 1.0f;
  }
}

}  // namespace

// ---- [Sky] ----

void HosekControlWeights(float elevation, float weights[6]) {
  const float x = std::cbrt(std::max(elevation, 0.0f) / HALF_PI);
  const float y = 1.0f - x;
  weights[0] = y * y * y * y * y;
  weights[1] = 5.0f * x * y * y * y * y;
  weights[2] = 10.0f * x * x * y * y * y;
  weights[3] = 10.0f * x * x * x * y * y;
  weights[4] = 5.0f * x * x * x * x * y;
  weights[5] = x * x * x * x * x;
}

void HosekCookConfiguration(const float* dataset, float out[9], const float weights[6], float turbidity,
                            float albedo) {
  for (int k = 0; k < 9; ++k) {
    auto at = [&](int a, int t) {
      return Blend(dataset + a * PARAMS_PER_ALBEDO + (t - 1) * PARAMS_PER_TURBIDITY + k, 9, weights);
    };
    out[k] = BlendTurbidityAlbedo(at, turbidity, albedo);
  }
}

float HosekCookRadiance(const float* dataset, const float weights[6], float turbidity, float albedo) {
  auto at = [&](int a, int t) {
    return Blend(dataset + a * RADIANCES_PER_ALBEDO + (t - 1) * RADIANCES_PER_TURBIDITY, 1, weights);
  };
  return BlendTurbidityAlbedo(at, turbidity, albedo);
}

HosekSkyState* HosekSkyModelInit(float elevation) {
  HosekSkyState& s = SkyModelState;
  s.turbidity = SkyPostedTurbidity;
  s.albedo = SkyPostedAlbedo;
  s.solarRadius = SOLAR_RADIUS;
  s.elevation = elevation;
  float weights[6];
  HosekControlWeights(elevation, weights);
  for (int c = 0; c < 3; ++c) {
    HosekCookConfiguration(HosekRgbParams[c], s.configs[c], weights, s.turbidity, s.albedo);
    s.radiances[c] = HosekCookRadiance(HosekRgbRadiance[c], weights, s.turbidity, s.albedo);
  }
  if (elevation < 0.0f) DimSkyBelowHorizon(s, elevation);
  return &s;
}

float HosekSkyRadiance(const HosekSkyState& state, float theta, float gamma, int channel) {
  const float* p = state.configs[channel];
  const float A = p[0], B = p[1], C = p[2], D = p[3], E = p[4], F = p[5], G = p[6], I = p[7], H = p[8];
  const float cosTheta = std::cos(theta), cosGamma = std::cos(gamma);
  const float expM = std::exp(E * gamma);
  const float rayM = cosGamma * cosGamma;
  const float mieM = (1.0f + rayM) / std::pow(1.0f + H * H - 2.0f * H * cosGamma, 1.5f);
  const float zenith = std::sqrt(std::max(cosTheta, 0.0f));
  return (1.0f + A * std::exp(B / (cosTheta + 0.01f))) * (C + D * expM + F * rayM + G * mieM + I * zenith) *
         state.radiances[channel];
}

void DimSkyBelowHorizon(HosekSkyState& state, float elevation) {
  const float s = std::max(0.0f, (elevation + SKY_DARK_ELEVATION) / SKY_DARK_ELEVATION);
  const float degrees = elevation * (180.0f / 3.14159265f);
  const float magnitude = std::min(19.0f, 6.7489f - 1.057f * degrees);
  const float k = std::pow(10.0f, -0.4f * magnitude) / std::pow(10.0f, -2.69956f);
  for (int c = 0; c < 3; ++c) {
    float* p = state.configs[c];
    p[3] *= s;  // D
    p[5] *= s;  // F
    p[6] *= s;  // G
    p[7] *= s;  // I
    p[2] = p[2] * s + (1.0f - s);  // C
    state.radiances[c] *= k;
  }
}

// ---- [Sun] ----

float HosekSolarRadiance(float wavelength, float elevation) {
  int band;
  float fw;
  SplitWavelength(wavelength, &band, &fw);
  int whole;
  float ft;
  SplitTurbidity(SkyPostedTurbidity, &whole, &ft);
  int tb = whole - 1;
  if (tb >= 9) {
    tb = 8;
    ft = 1.0f;
  }
  const float e = std::clamp(elevation, 0.0f, HALF_PI);
  const int piece = std::min(44, int(std::cbrt(2.0f * e / 3.14159265f) * 45.0f));
  const float start = float(piece) / 45.0f;
  const float x = e - start * start * start * HALF_PI;
  auto value = [&](int t, int b) {
    const float* c = HosekSolarCoefficients[b] + t * 180 + piece * 4;
    return ((c[0] * x + c[1]) * x + c[2]) * x + c[3];
  };
  return (1.0f - ft) * ((1.0f - fw) * value(tb, band) + fw * value(tb, band + 1)) +
         ft * ((1.0f - fw) * value(tb + 1, band) + fw * value(tb + 1, band + 1));
}

float LimbDarkeningDiscAverage(float wavelength) {
  int band;
  float fw;
  SplitWavelength(wavelength, &band, &fw);
  float a[6];
  for (int k = 0; k < 6; ++k)
    a[k] = (1.0f - fw) * LimbDarkeningCoefficients[band][k] + fw * LimbDarkeningCoefficients[band + 1][k];
  float sum = 0.0f;
  for (int ring = 0; ring < 20; ++ring) {
    const float r = 0.025f + 0.05f * float(ring);
    const float mu = std::sqrt(1.0f - r * r);
    const float intensity = a[0] + mu * (a[1] + mu * (a[2] + mu * (a[3] + mu * (a[4] + mu * a[5]))));
    sum += intensity * 2.0f * r * 0.05f;
  }
  return sum;
}

// ---- [Shader constants] ----

void SetSkyShaderConstants(const HosekSkyState& state, const float sunDirection[3], float scale,
                           float out[SKY_SHADER_CONSTANT_FLOATS]) {
  for (int k = 0; k < 9; ++k) {
    for (int c = 0; c < 3; ++c) out[k * 4 + c] = state.configs[c][k];
    out[k * 4 + 3] = 0.0f;
  }
  for (int c = 0; c < 3; ++c) {
    out[36 + c] = state.radiances[c];
    out[40 + c] = sunDirection[c];
  }
  out[39] = 0.0f;
  out[43] = scale;
}
