// test_pictures.h - deterministic pictures for the texture conversion tests and benchmark.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "texconv/texconv.h"

namespace testpics {

// An image over the caller's pixels, rows packed: RGBA8 unless another format is given.
inline texconv::Image ImageOver(std::vector<uint8_t>& pixels, uint32_t width, uint32_t height,
                                uint32_t format = texconv::FORMAT_R8G8B8A8_UNORM) {
  texconv::Image im;
  im.width = width;
  im.height = height;
  im.format = format;
  im.rowPitch = size_t(width) * (texconv::BitsPerPixel(format) / 8);
  im.slicePitch = im.rowPitch * height;
  im.pixels = pixels.data();
  return im;
}

// A photo-like 8-bit RGBA picture (opaque): soft lighting gradients, fractal texture,
// shapes with blurred and sharp edges and a little sensor grain.  Same seed, same bytes.
std::vector<uint8_t> MakePhotoLike(uint32_t width, uint32_t height, uint32_t seed);

// The same with an alpha channel: a soft-edged disc in the middle and a hard cut-out.
std::vector<uint8_t> MakePhotoLikeWithAlpha(uint32_t width, uint32_t height, uint32_t seed);

// Mean absolute difference per channel over the colour channels (and alpha when withAlpha)
// of two 8-bit RGBA pictures of the same size, and the PSNR of the colour channels.
double MeanAbsError(const uint8_t* a, const uint8_t* b, uint32_t width, uint32_t height,
                    bool withAlpha);
double PsnrRgb(const uint8_t* a, const uint8_t* b, uint32_t width, uint32_t height);

// ---- writing test files (libpng, libjpeg) ----

// A PNG of the given colour type (0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA) and bit
// depth.  samples holds the samples row by row as the type has them (palette: indices; 16-bit
// samples as uint16 values, written big-endian as PNG wants).  palette is RGB triples,
// trns the tRNS chunk bytes (palette alphas, or a grey/RGB key as 16-bit values).
struct PngLayout {
  uint32_t width = 0, height = 0;
  int colourType = 6;
  int bitDepth = 8;
  bool interlaced = false;
  std::vector<uint16_t> samples;
  std::vector<uint8_t> palette;
  std::vector<uint8_t> paletteAlpha;  // tRNS for palettes
  int greyKey = -1;                   // tRNS for grey pictures
};
std::vector<uint8_t> EncodePng(const PngLayout& layout);
std::vector<uint8_t> EncodeRgbaPng(const uint8_t* rgba, uint32_t width, uint32_t height);

// A baseline (or progressive) JPG from RGB (components 3), grey (1) or CMYK (4) samples,
// with an optional APP1 segment (its payload, starting "Exif\0\0").  A CMYK picture carries
// the Adobe marker unless adobeMarker is false.  With arithmetic its data is arithmetic-coded,
// where a flat picture takes far less than a bit a block.
std::vector<uint8_t> EncodeJpeg(const uint8_t* samples, uint32_t width, uint32_t height,
                                int components, int quality, bool progressive,
                                const std::vector<uint8_t>& app1 = {}, bool adobeMarker = true,
                                bool arithmetic = false);

// RGB samples of an RGBA picture.
std::vector<uint8_t> RgbOf(const std::vector<uint8_t>& rgba);

// ---- ImageMagick (the independent reader) ----

// The path of ImageMagick's convert, or empty when it is not installed (a stand-in that
// does not say "ImageMagick" in its version text does not count).
std::string FindImageMagick();
// Runs a shell command; true when it exits with 0.
bool RunCommand(const std::string& command);

// Bytes of a file, empty when it cannot be read; writing returns false on failure.
std::vector<uint8_t> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace testpics
