// filter.cpp - resizing and mip chains, in linear light when the colour is sRGB.
//
// Colour is filtered premultiplied by alpha (plus a tiny floor), so a transparent texel's
// colour never bleeds into its opaque neighbours: the halo that cut-out textures (fences,
// decals) would otherwise grow in their distant mip levels.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "texconv/texconv_local.h"

namespace texconv {

namespace {

// Source taps of one output texel along one axis.
struct AxisTaps {
  std::vector<uint32_t> first;   // per output texel: index of its first entry in source/weight
  std::vector<uint32_t> count;
  std::vector<uint32_t> source;
  std::vector<float> weight;
};

AxisTaps MakeTaps(uint32_t srcSize, uint32_t dstSize) {
  AxisTaps t;
  t.first.resize(dstSize);
  t.count.resize(dstSize);
  if (dstSize < srcSize) {
    // Area average: output texel i covers source [i*s, (i+1)*s).
    const double s = double(srcSize) / dstSize;
    for (uint32_t i = 0; i < dstSize; ++i) {
      const double lo = i * s, hi = (i + 1) * s;
      t.first[i] = uint32_t(t.source.size());
      const uint32_t j0 = uint32_t(lo);
      const uint32_t j1 = std::min<uint32_t>(srcSize, uint32_t(std::ceil(hi)));
      for (uint32_t j = j0; j < j1; ++j) {
        const double overlap = std::min<double>(hi, j + 1) - std::max<double>(lo, j);
        if (overlap <= 0) continue;
        t.source.push_back(j);
        t.weight.push_back(float(overlap / s));
      }
      t.count[i] = uint32_t(t.source.size()) - t.first[i];
    }
  } else {
    // Bilinear between the two nearest source centres (identity when the sizes match).
    for (uint32_t i = 0; i < dstSize; ++i) {
      const double u = (i + 0.5) * srcSize / dstSize - 0.5;
      const double fl = std::floor(u);
      const float f = float(u - fl);
      const int64_t j0 = int64_t(fl);
      const uint32_t a = uint32_t(std::clamp<int64_t>(j0, 0, srcSize - 1));
      const uint32_t b = uint32_t(std::clamp<int64_t>(j0 + 1, 0, srcSize - 1));
      t.first[i] = uint32_t(t.source.size());
      if (a == b || f == 0.0f) {
        t.source.push_back(f == 0.0f ? a : b);
        t.weight.push_back(1.0f);
      } else {
        t.source.push_back(a);
        t.weight.push_back(1.0f - f);
        t.source.push_back(b);
        t.weight.push_back(f);
      }
      t.count[i] = uint32_t(t.source.size()) - t.first[i];
    }
  }
  return t;
}

void HalveExact(const float* src, uint32_t srcW, float* dst, uint32_t dstW, uint32_t dstH) {
  for (uint32_t y = 0; y < dstH; ++y) {
    const float* r0 = src + size_t(2 * y) * srcW * 4;
    const float* r1 = r0 + size_t(srcW) * 4;
    float* o = dst + size_t(y) * dstW * 4;
    for (uint32_t x = 0; x < dstW; ++x, r0 += 8, r1 += 8, o += 4)
      for (int c = 0; c < 4; ++c) o[c] = ((r0[c] + r0[c + 4]) + (r1[c] + r1[c + 4])) * 0.25f;
  }
}

}  // namespace

void PremultiplyRow(float* p, uint32_t width) {
  for (uint32_t x = 0; x < width; ++x, p += 4) {
    const float w = p[3] + ALPHA_WEIGHT_FLOOR;
    p[0] *= w;
    p[1] *= w;
    p[2] *= w;
  }
}

void UnpremultiplyRow(float* p, uint32_t width) {
  for (uint32_t x = 0; x < width; ++x, p += 4) {
    const float inv = 1.0f / (p[3] + ALPHA_WEIGHT_FLOOR);
    p[0] *= inv;
    p[1] *= inv;
    p[2] *= inv;
  }
}

void ResampleFloat(const float* src, uint32_t srcW, uint32_t srcH, float* dst, uint32_t dstW,
                   uint32_t dstH) {
  if (srcW == 2 * dstW && srcH == 2 * dstH) {
    HalveExact(src, srcW, dst, dstW, dstH);
    return;
  }
  const AxisTaps tx = MakeTaps(srcW, dstW);
  const AxisTaps ty = MakeTaps(srcH, dstH);
  // Horizontal pass into srcH rows of dstW texels, then vertical.
  std::vector<float> mid(size_t(dstW) * srcH * 4);
  for (uint32_t y = 0; y < srcH; ++y) {
    const float* in = src + size_t(y) * srcW * 4;
    float* o = mid.data() + size_t(y) * dstW * 4;
    for (uint32_t x = 0; x < dstW; ++x, o += 4) {
      float acc[4] = {0, 0, 0, 0};
      for (uint32_t k = tx.first[x], e = k + tx.count[x]; k < e; ++k) {
        const float* p = in + size_t(tx.source[k]) * 4;
        const float w = tx.weight[k];
        for (int c = 0; c < 4; ++c) acc[c] += p[c] * w;
      }
      std::memcpy(o, acc, sizeof acc);
    }
  }
  std::vector<float> acc(size_t(dstW) * 4);
  for (uint32_t y = 0; y < dstH; ++y) {
    std::fill(acc.begin(), acc.end(), 0.0f);
    for (uint32_t k = ty.first[y], e = k + ty.count[y]; k < e; ++k) {
      const float* row = mid.data() + size_t(ty.source[k]) * dstW * 4;
      const float w = ty.weight[k];
      for (size_t i = 0; i < acc.size(); ++i) acc[i] += row[i] * w;
    }
    std::memcpy(dst + size_t(y) * dstW * 4, acc.data(), acc.size() * sizeof(float));
  }
}

namespace {

// An uncompressed image of a known format within the size limits whose rows hold at least
// their texels: a shorter row pitch would make the last rows read past the pixels.
bool FilterableImage(const Image& image) {
  if (!image.pixels || !IsKnownFormat(image.format) || IsCompressedFormat(image.format) || image.width == 0 ||
      image.height == 0 || image.width > MAX_IMAGE_SIDE || image.height > MAX_IMAGE_SIDE)
    return false;
  size_t rowPitch = 0, slicePitch = 0;
  return ComputePitch(image.format, image.width, image.height, &rowPitch, &slicePitch) && image.rowPitch >= rowPitch;
}

// The whole image as premultiplied linear floats.
Result LoadPremultiplied(const Image& image, bool srgb, std::vector<float>* out) {
  try {
    out->resize(size_t(image.width) * image.height * 4);
  } catch (const std::bad_alloc&) {
    return TEX_E_OUTOFMEMORY;
  }
  for (uint32_t y = 0; y < image.height; ++y) {
    float* row = out->data() + size_t(y) * image.width * 4;
    LoadRowRgbaFloat(image, y, srgb, row);
    PremultiplyRow(row, image.width);
  }
  return TEX_OK;
}

void StorePremultiplied(const float* data, const Image& image, bool srgb, float* rowScratch) {
  for (uint32_t y = 0; y < image.height; ++y) {
    std::memcpy(rowScratch, data + size_t(y) * image.width * 4, size_t(image.width) * 16);
    UnpremultiplyRow(rowScratch, image.width);
    StoreRowRgbaFloat(image, y, srgb, rowScratch);
  }
}

}  // namespace

Result Resize(const Image& image, uint32_t width, uint32_t height, uint32_t filterFlags,
              ScratchImage* out) {
  if (!out || !FilterableImage(image) || width == 0 || height == 0 || width > MAX_IMAGE_SIDE ||
      height > MAX_IMAGE_SIDE)
    return TEX_E_INVALIDARG;
  const bool srgbIn = (filterFlags & TEX_FILTER_SRGB_IN) || IsSrgbFormat(image.format);
  const bool srgbOut = (filterFlags & TEX_FILTER_SRGB_OUT) || IsSrgbFormat(image.format);
  Result r = Initialize2D(out, image.format, width, height, 1);
  if (Failed(r)) return r;
  std::vector<float> src, dst;
  r = LoadPremultiplied(image, srgbIn, &src);
  if (Failed(r)) return r;
  try {
    dst.resize(size_t(width) * height * 4);
  } catch (const std::bad_alloc&) {
    return TEX_E_OUTOFMEMORY;
  }
  ResampleFloat(src.data(), image.width, image.height, dst.data(), width, height);
  src.clear();
  std::vector<float> row(size_t(width) * 4);
  StorePremultiplied(dst.data(), out->images[0], srgbOut, row.data());
  return TEX_OK;
}

Result GenerateMipMaps(const Image& image, uint32_t filterFlags, uint32_t levels,
                       ScratchImage* out) {
  if (!out || !FilterableImage(image)) return TEX_E_INVALIDARG;
  const uint32_t fullChain = CountMipLevels(image.width, image.height);
  if (levels == 0) levels = fullChain;
  if (levels > fullChain) return TEX_E_INVALIDARG;
  const bool srgbIn = (filterFlags & TEX_FILTER_SRGB_IN) || IsSrgbFormat(image.format);
  const bool srgbOut = (filterFlags & TEX_FILTER_SRGB_OUT) || IsSrgbFormat(image.format);
  Result r = Initialize2D(out, image.format, image.width, image.height, levels);
  if (Failed(r)) return r;

  // Level 0 is the image itself, byte for byte.
  const Image& top = out->images[0];
  const size_t rowBytes = std::min(top.rowPitch, image.rowPitch);
  for (uint32_t y = 0; y < image.height; ++y)
    std::memcpy(top.pixels + y * top.rowPitch, image.pixels + y * image.rowPitch, rowBytes);
  if (levels == 1) return TEX_OK;

  // Each level is filtered from the unrounded floats of the one before.  Level 1 of an
  // even-sided image is made two source rows at a time, so the top level is never held
  // as floats (a quarter of the memory and time).
  std::vector<float> cur, next, row;
  uint32_t w = image.width, h = image.height;
  const uint32_t w1 = std::max(1u, w / 2), h1 = std::max(1u, h / 2);
  try {
    row.resize(size_t(w) * 4 * 2);
    if (w == 2 * w1 && h == 2 * h1) {
      cur.resize(size_t(w1) * h1 * 4);
      float* r0 = row.data();
      float* r1 = r0 + size_t(w) * 4;
      for (uint32_t y = 0; y < h1; ++y) {
        LoadRowRgbaFloat(image, 2 * y, srgbIn, r0);
        LoadRowRgbaFloat(image, 2 * y + 1, srgbIn, r1);
        PremultiplyRow(r0, w);
        PremultiplyRow(r1, w);
        HalveExact(r0, w, cur.data() + size_t(y) * w1 * 4, w1, 1);
      }
    } else {
      r = LoadPremultiplied(image, srgbIn, &next);
      if (Failed(r)) return r;
      cur.resize(size_t(w1) * h1 * 4);
      ResampleFloat(next.data(), w, h, cur.data(), w1, h1);
    }
    StorePremultiplied(cur.data(), out->images[1], srgbOut, row.data());
    w = w1;
    h = h1;
    for (uint32_t m = 2; m < levels; ++m) {
      const uint32_t nw = std::max(1u, w / 2), nh = std::max(1u, h / 2);
      next.resize(size_t(nw) * nh * 4);
      ResampleFloat(cur.data(), w, h, next.data(), nw, nh);
      StorePremultiplied(next.data(), out->images[m], srgbOut, row.data());
      std::swap(cur, next);
      w = nw;
      h = nh;
    }
  } catch (const std::bad_alloc&) {
    out->Release();
    return TEX_E_OUTOFMEMORY;
  }
  return TEX_OK;
}

}  // namespace texconv
