// sh_light.cpp - the spherical-harmonic projection and the irradiance matrices.
#include "render/sh_light.h"

#include <cmath>
#include <cstring>
#include <mutex>

float ShAccumulators[3][SH_COEFFICIENTS];

namespace {

std::mutex g_shLock;
constexpr float PI = 3.14159265f;

}  // namespace

void LockShLight() { g_shLock.lock(); }
void UnlockShLight() { g_shLock.unlock(); }

// ---- [Projection] ----

void AddShSample(const float colour[3], float z, float weight, float x, float y) {
  const float basis[SH_COEFFICIENTS] = {
      0.282095f,
      0.488603f * y,
      0.488603f * z,
      0.488603f * x,
      1.092548f * x * y,
      1.092548f * y * z,
      0.315392f * (3.0f * z * z - 1.0f),
      1.092548f * x * z,
      0.546274f * (x * x - y * y),
  };
  for (int c = 0; c < 3; ++c) {
    const float k = colour[c] * weight;
    for (int i = 0; i < SH_COEFFICIENTS; ++i) ShAccumulators[c][i] += k * basis[i];
  }
}

void ShToIrradianceMatrices(ShIrradiance* out) {
  const float c1 = 0.429043f, c2 = 0.511664f, c3 = 0.743125f, c4 = 0.886227f, c5 = 0.247708f;
  for (int c = 0; c < 3; ++c) {
    const float* L = ShAccumulators[c];
    const float L00 = L[0], L1m1 = L[1], L10 = L[2], L11 = L[3], L2m2 = L[4], L2m1 = L[5], L20 = L[6], L21 = L[7],
                L22 = L[8];
    const float m[16] = {
        c1 * L22,  c1 * L2m2, c1 * L21,  c2 * L11,
        c1 * L2m2, -c1 * L22, c1 * L2m1, c2 * L1m1,
        c1 * L21,  c1 * L2m1, c3 * L20,  c2 * L10,
        c2 * L11,  c2 * L1m1, c2 * L10,  c4 * L00 - c5 * L20,
    };
    std::memcpy(out->m[c], m, sizeof m);
  }
}

void AccumulateCubeFaceSH(const uint8_t* pixels, int rowPitch, int size, float scale, ShIrradiance* out) {
  std::lock_guard<std::mutex> hold(g_shLock);
  std::memset(ShAccumulators, 0, sizeof ShAccumulators);
  if (pixels && size > 0) {
    const float n = float(size);
    // (2i / (N - 1) - 1) (N - 1) / N, written so that N = 1 has its one pixel at the centre.
    auto axis = [n](int i) { return (2.0f * float(i) - (n - 1.0f)) / n; };
    const float pixelAngle = (PI / n) * (PI / n);
    for (int j = 0; j < size; ++j) {
      const uint8_t* row = pixels + size_t(j) * size_t(rowPitch);
      const float v = axis(j);
      for (int i = 0; i < size; ++i) {
        const float u = axis(i);
        const float r2 = u * u + v * v;
        if (r2 > 1.0f) continue;
        const uint8_t* p = row + i * 4;
        const float colour[3] = {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f};
        if (r2 == 0.0f) {
          // The zenith at the disc's centre: sin(theta) / theta tends to 1.
          AddShSample(colour, 1.0f, pixelAngle, 0.0f, 0.0f);
          continue;
        }
        const float r = std::sqrt(r2);
        const float theta = r * (PI * 0.5f);
        const float s = std::sin(theta);
        AddShSample(colour, std::cos(theta), s * pixelAngle / theta, s * u / r, s * v / r);
      }
    }
  }
  const float k = scale / PI;
  for (auto& channel : ShAccumulators)
    for (float& value : channel) value *= k;
  ShToIrradianceMatrices(out);
}

// ---- [Defaults] ----

void ResetShIrradiance(ShIrradiance* out, int skyDefault) {
  std::lock_guard<std::mutex> hold(g_shLock);
  std::memset(out, 0, sizeof *out);
  for (auto& m : out->m) {
    if (skyDefault) {
      m[2 * 4 + 3] = 0.25f;
      m[3 * 4 + 2] = 0.25f;
      m[3 * 4 + 3] = 0.5f;
    } else {
      m[3 * 4 + 3] = 1.0f;
    }
  }
}

void SkyIrradianceUp(const ShIrradiance& matrices, float out[3]) {
  for (int c = 0; c < 3; ++c) {
    const float* m = matrices.m[c];
    out[c] = m[2 * 4 + 2] + m[2 * 4 + 3] + m[3 * 4 + 2] + m[3 * 4 + 3];
  }
}

void ShIrradianceOf(const ShIrradiance& matrices, const float normal[3], float out[3]) {
  const float n[4] = {normal[0], normal[1], normal[2], 1.0f};
  for (int c = 0; c < 3; ++c) {
    float sum = 0.0f;
    for (int r = 0; r < 4; ++r)
      for (int k = 0; k < 4; ++k) sum += n[r] * matrices.m[c][r * 4 + k] * n[k];
    out[c] = sum;
  }
}
