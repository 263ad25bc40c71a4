// texture_data.h - a texture read from a file, ready to hand to the device: its format,
// sizes, sampling swizzle and the bytes of every level.  Made by the DDS and picture readers
// (dds_reader.h, picture_reader.h) without touching the device.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Resource dimensions, numbered as the graphics layer numbers them.
constexpr uint32_t TEXTURE_DIMENSION_1D = 2;
constexpr uint32_t TEXTURE_DIMENSION_2D = 3;
constexpr uint32_t TEXTURE_DIMENSION_3D = 4;

// Where each sampled channel comes from, on top of what the format itself gives.  Formats
// with one colour channel would sample as red (r, 0, 0, 1); their swizzle spreads it into
// grey, so that a grey picture shows grey.
enum : uint8_t {
  SWIZZLE_R = 0,
  SWIZZLE_G = 1,
  SWIZZLE_B = 2,
  SWIZZLE_A = 3,
  SWIZZLE_ZERO = 4,
  SWIZZLE_ONE = 5,
};

// One level of one array item (or cube face).
struct TextureSubresource {
  const uint8_t* data = nullptr;
  uint32_t width = 0, height = 0, depth = 1;
  uint32_t rowPitch = 0;    // bytes of one row (of 4x4 blocks for block formats)
  uint32_t slicePitch = 0;  // bytes of one depth slice
};

struct TextureData {
  uint32_t dimension = 0;  // TEXTURE_DIMENSION_*
  uint32_t format = 0;     // a DXGI format number, already in its sRGB form where one exists
  uint32_t width = 0, height = 0, depth = 1;  // of the top level kept
  uint32_t mipLevels = 0;
  uint32_t arraySize = 0;  // cube maps count six per cube
  bool isCube = false;
  uint8_t swizzle[4] = {SWIZZLE_R, SWIZZLE_G, SWIZZLE_B, SWIZZLE_A};
  // arraySize x mipLevels entries, item by item, each from its top level down.
  std::vector<TextureSubresource> subresources;
  // The pixels when the record owns them (pictures); a DDS record points into the file
  // bytes it was read from, which must outlive it.
  std::vector<uint8_t> storage;

  TextureData() = default;
  TextureData(const TextureData&) = delete;  // subresources may point into storage
  TextureData& operator=(const TextureData&) = delete;
  TextureData(TextureData&&) = default;
  TextureData& operator=(TextureData&&) = default;
};

// The sRGB form of a format (28 -> 29, 71 -> 72, 74 -> 75, 77 -> 78, 87 -> 91, 88 -> 93,
// 98 -> 99); any other format is returned unchanged.
uint32_t SrgbFormatOf(uint32_t format);

// The swizzle that makes a format of one colour channel grey (and luminance with alpha grey
// with alpha); identity for every other format.
void SwizzleForFormat(uint32_t format, bool luminanceAlpha, uint8_t swizzle[4]);
