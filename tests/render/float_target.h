// float_target.h - RGBA16F textures for GPU tests: half floats, a texture record made from
// float pixels (outside the texture table), and reading one back as floats.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "render/device.h"
#include "render/texture_record.h"

// Half floats of the RGBA16F textures (normal numbers and zero are enough here).
inline uint16_t ToHalf(float f) {
  if (f == 0.0f) return 0;
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  const uint32_t sign = (bits >> 16) & 0x8000u;
  const int exponent = int((bits >> 23) & 0xFF) - 127 + 15;
  const uint32_t mantissa = (bits >> 13) & 0x3FFu;
  return uint16_t(sign | uint32_t(exponent) << 10 | mantissa);
}
inline float FromHalf(uint16_t h) {
  const int exponent = (h >> 10) & 0x1F;
  const float mantissa = float(h & 0x3FF);
  float v = exponent == 0 ? mantissa / 1024.0f * std::ldexp(1.0f, -14)
                          : (1.0f + mantissa / 1024.0f) * std::ldexp(1.0f, exponent - 15);
  return (h & 0x8000) ? -v : v;
}

// An RGBA16F texture the tests draw into or from (not in the texture list).
struct FloatTarget {
  ZKTETexture record{};
  explicit FloatTarget(int width, int height, const std::vector<float>* rgba = nullptr) {
    GfxTexture2DDesc d;
    d.width = uint32_t(width);
    d.height = uint32_t(height);
    d.format = GFX_FORMAT_R16G16B16A16_FLOAT;
    d.bindFlags = GFX_BIND_RENDER_TARGET | GFX_BIND_SHADER_RESOURCE;
    std::vector<uint16_t> halves;
    GfxSubresourceData data;
    if (rgba) {
      for (float f : *rgba) halves.push_back(ToHalf(f));
      data = GfxSubresourceData{halves.data(), uint32_t(width) * 8, 0};
    }
    EXPECT_EQ(GfxCreateTexture2D(Gfx.device, d, rgba ? &data : nullptr, &record.texture), GFX_OK);
    EXPECT_EQ(GfxCreateShaderResourceView(Gfx.device, record.texture, nullptr, &record.view), GFX_OK);
    EXPECT_EQ(GfxCreateRenderTargetView(Gfx.device, record.texture, nullptr, &record.targetViews[0]), GFX_OK);
    ReadTextureDescription(&record);
  }
  ~FloatTarget() { ReleaseTexture(&record); }
};

inline std::vector<float> ReadFloats(ZKTETexture* t) {
  std::vector<uint16_t> halves(size_t(t->width) * t->height * 4);
  EXPECT_TRUE(GfxReadTexturePixels(Gfx.context, t->texture, 0, halves.data(), halves.size() * 2));
  std::vector<float> out;
  for (uint16_t h : halves) out.push_back(FromHalf(h));
  return out;
}
