// texconv_local.h - what the texture conversion library keeps to itself: colour-space
// conversion and the float rows that resizing, mip generation and compression work on.
// Tests may include it; other subsystems use texconv.h.
#pragma once
#include "texconv/texconv.h"

namespace texconv {

// Alpha-weighted filtering keeps colour as (colour x (alpha + ALPHA_WEIGHT_FLOOR), alpha).
// The floor lets a fully transparent footprint keep its plain mean colour instead of 0/0,
// and is too small to move the colour of any texel whose alpha is at least 1/255.
constexpr float ALPHA_WEIGHT_FLOOR = 1.0e-6f;

// Pictures above this many pixels are refused before their buffers are made: a 16384 x 16384
// RGBA16 picture (2 GiB) is the most a texture can use.
constexpr uint64_t MAX_IMAGE_BYTES = uint64_t(MAX_IMAGE_SIDE) * MAX_IMAGE_SIDE * 8;

// sRGB transfer, exact to the byte: the 8-bit decode table and an encoder that rounds in the
// encoded domain (the texel that a later decode brings closest back).
const float* SrgbToLinearTable();  // 256 entries
uint8_t LinearToSrgb8(float linear);
float SrgbToLinear(float encoded);  // for 16-bit and float data
float LinearToSrgb(float linear);

inline uint8_t FloatToUnorm8(float v) {
  v = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
  return uint8_t(v * 255.0f + 0.5f);
}
inline uint16_t FloatToUnorm16(float v) {
  v = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
  return uint16_t(v * 65535.0f + 0.5f);
}

// Row conversion between an uncompressed image and RGBA floats (4 per texel).  Grey formats
// read back as (g, g, g, 1) and store the red channel.  With srgb set the colour channels
// (not alpha) are decoded to linear light on load and encoded on store.
void LoadRowRgbaFloat(const Image& image, uint32_t y, bool srgb, float* out);
void StoreRowRgbaFloat(const Image& image, uint32_t y, bool srgb, const float* in);

// The same for 8-bit RGBA rows (compression input): grey spread to colour, 16-bit rounded.
void LoadRowRgba8(const Image& image, uint32_t y, uint8_t* out);

// Area-average / bilinear resampling of premultiplied float RGBA (see ALPHA_WEIGHT_FLOOR).
// src is srcW x srcH texels, dst dstW x dstH; both tightly packed.
void ResampleFloat(const float* src, uint32_t srcW, uint32_t srcH, float* dst, uint32_t dstW,
                   uint32_t dstH);
void PremultiplyRow(float* rgba, uint32_t width);
void UnpremultiplyRow(float* rgba, uint32_t width);

// Checks a picture's sides before anything is allocated for it.
bool ImageSidesAcceptable(uint64_t width, uint64_t height, uint32_t bytesPerPixel);

// Decoders behind LoadFromWICMemory.
Result DecodePng(const uint8_t* bytes, size_t size, ScratchImage* out);
Result DecodeJpeg(const uint8_t* bytes, size_t size, ScratchImage* out);

}  // namespace texconv
