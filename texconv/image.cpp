// image.cpp - formats, pitches, scratch images, sRGB transfer and row conversion.
#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <new>

#include "texconv/texconv_local.h"

namespace texconv {

// ---- formats ----

bool IsKnownFormat(uint32_t format) { return BitsPerPixel(format) != 0; }

bool IsCompressedFormat(uint32_t format) {
  return format == FORMAT_BC1_UNORM || format == FORMAT_BC1_UNORM_SRGB ||
         format == FORMAT_BC2_UNORM || format == FORMAT_BC2_UNORM_SRGB;
}

bool IsSrgbFormat(uint32_t format) {
  return format == FORMAT_R8G8B8A8_UNORM_SRGB || format == FORMAT_BC1_UNORM_SRGB ||
         format == FORMAT_BC2_UNORM_SRGB;
}

uint32_t BitsPerPixel(uint32_t format) {
  switch (format) {
    case FORMAT_R32G32B32A32_FLOAT: return 128;
    case FORMAT_R16G16B16A16_UNORM: return 64;
    case FORMAT_R8G8B8A8_UNORM:
    case FORMAT_R8G8B8A8_UNORM_SRGB: return 32;
    case FORMAT_R16_UNORM: return 16;
    case FORMAT_R8_UNORM: return 8;
    case FORMAT_BC1_UNORM:
    case FORMAT_BC1_UNORM_SRGB: return 4;
    case FORMAT_BC2_UNORM:
    case FORMAT_BC2_UNORM_SRGB: return 8;
    default: return 0;
  }
}

bool ComputePitch(uint32_t format, uint32_t width, uint32_t height, size_t* rowPitch,
                  size_t* slicePitch) {
  uint64_t row = 0, rows = 0;
  if (IsCompressedFormat(format)) {
    const uint64_t blockBytes = BitsPerPixel(format) * 2;  // 16 texels a block
    row = std::max<uint64_t>(1, (uint64_t(width) + 3) / 4) * blockBytes;
    rows = std::max<uint64_t>(1, (uint64_t(height) + 3) / 4);
  } else {
    row = (uint64_t(width) * BitsPerPixel(format) + 7) / 8;
    rows = height;
  }
  const uint64_t slice = row * rows;
  if (row > 0xFFFFFFFFu || slice > 0xFFFFFFFFu) return false;
  *rowPitch = size_t(row);
  *slicePitch = size_t(slice);
  return true;
}

uint32_t CountMipLevels(uint32_t width, uint32_t height) {
  uint32_t levels = 1;
  while (width > 1 || height > 1) {
    width = std::max(1u, width / 2);
    height = std::max(1u, height / 2);
    ++levels;
  }
  return levels;
}

bool ImageSidesAcceptable(uint64_t width, uint64_t height, uint32_t bytesPerPixel) {
  if (width == 0 || height == 0 || width > MAX_IMAGE_SIDE || height > MAX_IMAGE_SIDE) return false;
  return width * height * bytesPerPixel <= MAX_IMAGE_BYTES;
}

// ---- scratch images and blobs ----

void ScratchImage::Release() {
  metadata = TexMetadata{};
  images.clear();
  images.shrink_to_fit();
  memory.clear();
  memory.shrink_to_fit();
}

void Blob::Release() {
  bytes.clear();
  bytes.shrink_to_fit();
}

Result Initialize2D(ScratchImage* out, uint32_t format, uint32_t width, uint32_t height,
                    uint32_t mipLevels) {
  if (!out) return TEX_E_INVALIDARG;
  out->Release();
  if (!IsKnownFormat(format) || width == 0 || height == 0 || width > MAX_IMAGE_SIDE ||
      height > MAX_IMAGE_SIDE)
    return TEX_E_INVALIDARG;
  const uint32_t fullChain = CountMipLevels(width, height);
  if (mipLevels == 0) mipLevels = fullChain;
  if (mipLevels > fullChain) return TEX_E_INVALIDARG;

  uint64_t total = 0;
  std::vector<Image> images(mipLevels);
  uint32_t w = width, h = height;
  for (uint32_t m = 0; m < mipLevels; ++m) {
    Image& im = images[m];
    im.width = w;
    im.height = h;
    im.format = format;
    if (!ComputePitch(format, w, h, &im.rowPitch, &im.slicePitch)) return TEX_E_ARITHMETIC_OVERFLOW;
    total += im.slicePitch;
    w = std::max(1u, w / 2);
    h = std::max(1u, h / 2);
  }
  if (total > MAX_IMAGE_BYTES * 2) return TEX_E_ARITHMETIC_OVERFLOW;
  try {
    out->memory.assign(size_t(total), 0);
  } catch (const std::bad_alloc&) {
    return TEX_E_OUTOFMEMORY;
  }
  size_t offset = 0;
  for (Image& im : images) {
    im.pixels = out->memory.data() + offset;
    offset += im.slicePitch;
  }
  out->images = std::move(images);
  out->metadata.width = width;
  out->metadata.height = height;
  out->metadata.depth = 1;
  out->metadata.arraySize = 1;
  out->metadata.mipLevels = mipLevels;
  out->metadata.format = format;
  return TEX_OK;
}

// ---- sRGB ----

float SrgbToLinear(float v) {
  if (v <= 0.04045f) return v / 12.92f;
  return float(std::pow((double(v) + 0.055) / 1.055, 2.4));
}

float LinearToSrgb(float v) {
  if (v <= 0.0031308f) return v * 12.92f;
  return float(1.055 * std::pow(double(v), 1.0 / 2.4) - 0.055);
}

namespace {

constexpr int ENCODE_BUCKETS = 4096;

struct SrgbTables {
  float toLinear[256];
  float threshold[256];         // linear value at which the encoded byte k becomes k+1
  uint8_t bucketStart[ENCODE_BUCKETS + 1];

  SrgbTables() {
    for (int k = 0; k < 256; ++k) toLinear[k] = SrgbToLinear(k / 255.0f);
    for (int k = 0; k < 255; ++k) threshold[k] = SrgbToLinear((k + 0.5f) / 255.0f);
    threshold[255] = 2.0f;  // never passed
    int k = 0;
    for (int i = 0; i <= ENCODE_BUCKETS; ++i) {
      const float start = float(i) / ENCODE_BUCKETS;
      while (k < 255 && threshold[k] <= start) ++k;
      bucketStart[i] = uint8_t(k);
    }
  }
};

const SrgbTables& Tables() {
  static const SrgbTables tables;
  return tables;
}

}  // namespace

const float* SrgbToLinearTable() { return Tables().toLinear; }

uint8_t LinearToSrgb8(float v) {
  const SrgbTables& t = Tables();
  if (!(v > 0.0f)) return 0;  // also NaN
  if (v >= 1.0f) return 255;
  int k = t.bucketStart[int(v * ENCODE_BUCKETS)];
  while (v >= t.threshold[k]) ++k;  // threshold[255] stops it
  return uint8_t(k);
}

// ---- rows ----

namespace {

inline uint16_t ReadU16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline void WriteU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

inline float Colour16ToFloat(uint16_t v, bool srgb) {
  const float f = v / 65535.0f;
  return srgb ? SrgbToLinear(f) : f;
}
inline uint16_t FloatToColour16(float v, bool srgb) {
  return FloatToUnorm16(srgb ? LinearToSrgb(std::clamp(v, 0.0f, 1.0f)) : v);
}

}  // namespace

void LoadRowRgbaFloat(const Image& image, uint32_t y, bool srgb, float* out) {
  assert(!IsCompressedFormat(image.format) && y < image.height);
  const uint8_t* row = image.pixels + size_t(y) * image.rowPitch;
  const float* lin = SrgbToLinearTable();
  const uint32_t w = image.width;
  switch (image.format) {
    case FORMAT_R8G8B8A8_UNORM:
    case FORMAT_R8G8B8A8_UNORM_SRGB:
      for (uint32_t x = 0; x < w; ++x, row += 4, out += 4) {
        if (srgb) {
          out[0] = lin[row[0]];
          out[1] = lin[row[1]];
          out[2] = lin[row[2]];
        } else {
          out[0] = row[0] / 255.0f;
          out[1] = row[1] / 255.0f;
          out[2] = row[2] / 255.0f;
        }
        out[3] = row[3] / 255.0f;
      }
      break;
    case FORMAT_R8_UNORM:
      for (uint32_t x = 0; x < w; ++x, ++row, out += 4) {
        const float g = srgb ? lin[row[0]] : row[0] / 255.0f;
        out[0] = out[1] = out[2] = g;
        out[3] = 1.0f;
      }
      break;
    case FORMAT_R16_UNORM:
      for (uint32_t x = 0; x < w; ++x, row += 2, out += 4) {
        const float g = Colour16ToFloat(ReadU16(row), srgb);
        out[0] = out[1] = out[2] = g;
        out[3] = 1.0f;
      }
      break;
    case FORMAT_R16G16B16A16_UNORM:
      for (uint32_t x = 0; x < w; ++x, row += 8, out += 4) {
        for (int c = 0; c < 3; ++c) out[c] = Colour16ToFloat(ReadU16(row + 2 * c), srgb);
        out[3] = ReadU16(row + 6) / 65535.0f;
      }
      break;
    case FORMAT_R32G32B32A32_FLOAT:
      for (uint32_t x = 0; x < w; ++x, row += 16, out += 4) {
        std::memcpy(out, row, 16);
        if (srgb)
          for (int c = 0; c < 3; ++c) out[c] = SrgbToLinear(out[c]);
      }
      break;
    default:
      assert(false && "format without a row loader");
  }
}

void StoreRowRgbaFloat(const Image& image, uint32_t y, bool srgb, const float* in) {
  assert(!IsCompressedFormat(image.format) && y < image.height);
  uint8_t* row = image.pixels + size_t(y) * image.rowPitch;
  const uint32_t w = image.width;
  switch (image.format) {
    case FORMAT_R8G8B8A8_UNORM:
    case FORMAT_R8G8B8A8_UNORM_SRGB:
      for (uint32_t x = 0; x < w; ++x, row += 4, in += 4) {
        for (int c = 0; c < 3; ++c) row[c] = srgb ? LinearToSrgb8(in[c]) : FloatToUnorm8(in[c]);
        row[3] = FloatToUnorm8(in[3]);
      }
      break;
    case FORMAT_R8_UNORM:
      for (uint32_t x = 0; x < w; ++x, ++row, in += 4)
        row[0] = srgb ? LinearToSrgb8(in[0]) : FloatToUnorm8(in[0]);
      break;
    case FORMAT_R16_UNORM:
      for (uint32_t x = 0; x < w; ++x, row += 2, in += 4) WriteU16(row, FloatToColour16(in[0], srgb));
      break;
    case FORMAT_R16G16B16A16_UNORM:
      for (uint32_t x = 0; x < w; ++x, row += 8, in += 4) {
        for (int c = 0; c < 3; ++c) WriteU16(row + 2 * c, FloatToColour16(in[c], srgb));
        WriteU16(row + 6, FloatToUnorm16(in[3]));
      }
      break;
    case FORMAT_R32G32B32A32_FLOAT:
      for (uint32_t x = 0; x < w; ++x, row += 16, in += 4) {
        float v[4] = {in[0], in[1], in[2], in[3]};
        if (srgb)
          for (int c = 0; c < 3; ++c) v[c] = LinearToSrgb(std::clamp(v[c], 0.0f, 1.0f));
        std::memcpy(row, v, 16);
      }
      break;
    default:
      assert(false && "format without a row store");
  }
}

void LoadRowRgba8(const Image& image, uint32_t y, uint8_t* out) {
  assert(!IsCompressedFormat(image.format) && y < image.height);
  const uint8_t* row = image.pixels + size_t(y) * image.rowPitch;
  const uint32_t w = image.width;
  switch (image.format) {
    case FORMAT_R8G8B8A8_UNORM:
    case FORMAT_R8G8B8A8_UNORM_SRGB:
      std::memcpy(out, row, size_t(w) * 4);
      break;
    case FORMAT_R8_UNORM:
      for (uint32_t x = 0; x < w; ++x, out += 4) {
        out[0] = out[1] = out[2] = row[x];
        out[3] = 255;
      }
      break;
    case FORMAT_R16_UNORM:
      for (uint32_t x = 0; x < w; ++x, out += 4) {
        out[0] = out[1] = out[2] = uint8_t((ReadU16(row + 2 * x) * 255u + 32767u) / 65535u);
        out[3] = 255;
      }
      break;
    case FORMAT_R16G16B16A16_UNORM:
      for (uint32_t x = 0; x < w * 4; ++x) out[x] = uint8_t((ReadU16(row + 2 * x) * 255u + 32767u) / 65535u);
      break;
    case FORMAT_R32G32B32A32_FLOAT:
      for (uint32_t x = 0; x < w * 4; ++x) {
        float v;
        std::memcpy(&v, row + 4 * x, 4);
        out[x] = FloatToUnorm8(v);
      }
      break;
    default:
      assert(false && "format without a row loader");
  }
}

// ---- format conversion ----

Result Convert(const Image& image, uint32_t format, ScratchImage* out) {
  if (!out || !image.pixels || IsCompressedFormat(image.format) || IsCompressedFormat(format) ||
      !IsKnownFormat(image.format) || !IsKnownFormat(format))
    return TEX_E_INVALIDARG;
  Result r = Initialize2D(out, format, image.width, image.height, 1);
  if (Failed(r)) return r;
  // Both sides are taken as stored: an sRGB twin holds the same bytes as its plain format.
  std::vector<float> row(size_t(image.width) * 4);
  for (uint32_t y = 0; y < image.height; ++y) {
    LoadRowRgbaFloat(image, y, false, row.data());
    StoreRowRgbaFloat(out->images[0], y, false, row.data());
  }
  return TEX_OK;
}

}  // namespace texconv
