// test_pictures.cpp - deterministic pictures for the texture conversion tests and benchmark.
#include "tests/texconv/test_pictures.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include <jpeglib.h>
#include <png.h>

namespace testpics {

namespace {

uint32_t Hash(uint32_t x, uint32_t y, uint32_t seed) {
  uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 13;
  h *= 0x85EBCA6Bu;
  h ^= h >> 16;
  return h;
}

float Lattice(int x, int y, uint32_t seed) { return (Hash(uint32_t(x), uint32_t(y), seed) & 0xFFFF) / 65535.0f; }

// Smooth value noise in 0..1.
float ValueNoise(float x, float y, uint32_t seed) {
  const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
  float fx = x - x0, fy = y - y0;
  fx = fx * fx * (3 - 2 * fx);
  fy = fy * fy * (3 - 2 * fy);
  const float a = Lattice(x0, y0, seed), b = Lattice(x0 + 1, y0, seed);
  const float c = Lattice(x0, y0 + 1, seed), d = Lattice(x0 + 1, y0 + 1, seed);
  return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

float Fractal(float x, float y, uint32_t seed) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int o = 0; o < 5; ++o) {
    sum += amp * ValueNoise(x, y, seed + o * 101);
    norm += amp;
    x *= 2.03f;
    y *= 2.03f;
    amp *= 0.5f;
  }
  return sum / norm;
}

float Smoothstep(float e0, float e1, float v) {
  const float t = std::clamp((v - e0) / (e1 - e0), 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}

}  // namespace

std::vector<uint8_t> MakePhotoLike(uint32_t width, uint32_t height, uint32_t seed) {
  std::vector<uint8_t> px(size_t(width) * height * 4);
  // A few shapes placed by the seed, in picture-relative units.
  struct Shape {
    float cx, cy, r, softness, col[3];
    bool square;
  };
  Shape shapes[12];
  for (int i = 0; i < 12; ++i) {
    Shape& s = shapes[i];
    s.cx = Lattice(i, 1, seed);
    s.cy = Lattice(i, 2, seed);
    s.r = 0.04f + 0.12f * Lattice(i, 3, seed);
    s.softness = (i % 3 == 0) ? 0.0015f : 0.02f * Lattice(i, 4, seed) + 0.002f;
    for (int c = 0; c < 3; ++c) s.col[c] = 0.1f + 0.85f * Lattice(i, 5 + c, seed);
    s.square = i % 4 == 1;
  }
  const float inv = 1.0f / float(std::max(width, height));
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      const float u = x * inv, v = y * inv;
      // Sky-to-ground lighting with a warm cast, modulated by texture.
      const float tex = Fractal(u * 12.0f, v * 12.0f, seed);
      const float fine = Fractal(u * 90.0f, v * 90.0f, seed + 7);
      float col[3] = {0.55f + 0.35f * u - 0.2f * v, 0.5f + 0.1f * std::sin(6.0f * u) - 0.15f * v,
                      0.7f - 0.45f * v + 0.1f * std::cos(4.0f * v)};
      const float light = 0.55f + 0.6f * tex + 0.15f * (fine - 0.5f);
      for (int c = 0; c < 3; ++c) col[c] *= light;
      for (const Shape& s : shapes) {
        const float dx = u - s.cx, dy = v - s.cy;
        const float d = s.square ? std::max(std::fabs(dx), std::fabs(dy)) : std::sqrt(dx * dx + dy * dy);
        const float cover = 1.0f - Smoothstep(s.r - s.softness, s.r + s.softness, d);
        if (cover <= 0) continue;
        const float shade = 0.75f + 0.25f * (1.0f - d / s.r) + 0.2f * (fine - 0.5f);
        for (int c = 0; c < 3; ++c) col[c] += (s.col[c] * shade - col[c]) * cover;
      }
      uint8_t* p = &px[(size_t(y) * width + x) * 4];
      for (int c = 0; c < 3; ++c) {
        const int grain = int(Hash(x, y, seed * 3 + c) % 7) - 3;
        p[c] = uint8_t(std::clamp(int(col[c] * 255.0f + 0.5f) + grain, 0, 255));
      }
      p[3] = 255;
    }
  return px;
}

std::vector<uint8_t> MakePhotoLikeWithAlpha(uint32_t width, uint32_t height, uint32_t seed) {
  std::vector<uint8_t> px = MakePhotoLike(width, height, seed);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      const float u = (x + 0.5f) / width - 0.5f, v = (y + 0.5f) / height - 0.5f;
      const float d = std::sqrt(u * u + v * v);
      float a = 1.0f - Smoothstep(0.3f, 0.4f, d);
      if (x < width / 8) a = 0.0f;  // a hard cut-out strip
      px[(size_t(y) * width + x) * 4 + 3] = uint8_t(a * 255.0f + 0.5f);
    }
  return px;
}

double MeanAbsError(const uint8_t* a, const uint8_t* b, uint32_t width, uint32_t height,
                    bool withAlpha) {
  const int channels = withAlpha ? 4 : 3;
  double sum = 0;
  const size_t n = size_t(width) * height;
  for (size_t i = 0; i < n; ++i)
    for (int c = 0; c < channels; ++c) sum += std::abs(int(a[4 * i + c]) - int(b[4 * i + c]));
  return sum / (double(n) * channels);
}

double PsnrRgb(const uint8_t* a, const uint8_t* b, uint32_t width, uint32_t height) {
  double sum = 0;
  const size_t n = size_t(width) * height;
  for (size_t i = 0; i < n; ++i)
    for (int c = 0; c < 3; ++c) {
      const double d = double(a[4 * i + c]) - double(b[4 * i + c]);
      sum += d * d;
    }
  const double mse = sum / (double(n) * 3);
  if (mse <= 0) return 99.0;
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}

// ---- writing test files ----

namespace {

void PngWriteToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void PngFlush(png_structp) {}

int ChannelsOf(int colourType) {
  switch (colourType) {
    case 0: return 1;
    case 2: return 3;
    case 3: return 1;
    case 4: return 2;
    default: return 4;
  }
}

}  // namespace

namespace {

struct PngWriteJob {
  const PngLayout* layout;
  png_bytep* rows;
  png_color* palette;
  int paletteSize;
  std::vector<uint8_t>* out;
};

// The libpng calls, in a frame that holds no object with a destructor (it may be jumped out of).
bool WritePngBody(const PngWriteJob* job) {
  const PngLayout& layout = *job->layout;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, job->out, PngWriteToVector, PngFlush);
  png_set_compression_level(png, 1);
  png_set_IHDR(png, info, layout.width, layout.height, layout.bitDepth, layout.colourType,
               layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (job->paletteSize > 0) png_set_PLTE(png, info, job->palette, job->paletteSize);
  if (!layout.paletteAlpha.empty())
    png_set_tRNS(png, info, layout.paletteAlpha.data(), int(layout.paletteAlpha.size()), nullptr);
  png_color_16 key{};
  if (layout.greyKey >= 0) {
    key.gray = uint16_t(layout.greyKey);
    png_set_tRNS(png, info, nullptr, 0, &key);
  }
  png_write_info(png, info);
  png_write_image(png, job->rows);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

std::vector<uint8_t> EncodePng(const PngLayout& layout) {
  // Packed rows as PNG stores them.
  const int channels = ChannelsOf(layout.colourType);
  const size_t bitsPerRow = size_t(layout.width) * channels * layout.bitDepth;
  const size_t rowBytes = (bitsPerRow + 7) / 8;
  std::vector<uint8_t> packed(rowBytes * layout.height, 0);
  for (uint32_t y = 0; y < layout.height; ++y)
    for (uint32_t i = 0; i < layout.width * uint32_t(channels); ++i) {
      const uint16_t v = layout.samples[size_t(y) * layout.width * channels + i];
      uint8_t* row = &packed[y * rowBytes];
      if (layout.bitDepth == 16) {
        row[2 * i] = uint8_t(v >> 8);
        row[2 * i + 1] = uint8_t(v);
      } else if (layout.bitDepth == 8) {
        row[i] = uint8_t(v);
      } else {
        const size_t bit = size_t(i) * layout.bitDepth;
        row[bit / 8] |= uint8_t(v << (8 - layout.bitDepth - bit % 8));
      }
    }
  std::vector<png_bytep> rows(layout.height);
  for (uint32_t y = 0; y < layout.height; ++y) rows[y] = &packed[y * rowBytes];
  std::vector<png_color> palette(layout.palette.size() / 3);
  for (size_t i = 0; i < palette.size(); ++i)
    palette[i] = {layout.palette[3 * i], layout.palette[3 * i + 1], layout.palette[3 * i + 2]};
  std::vector<uint8_t> out;
  const PngWriteJob job{&layout, rows.data(), palette.data(), int(palette.size()), &out};
  if (!WritePngBody(&job)) return {};
  return out;
}

std::vector<uint8_t> EncodeRgbaPng(const uint8_t* rgba, uint32_t width, uint32_t height) {
  PngLayout layout;
  layout.width = width;
  layout.height = height;
  layout.colourType = 6;
  layout.samples.assign(rgba, rgba + size_t(width) * height * 4);
  return EncodePng(layout);
}

std::vector<uint8_t> RgbOf(const std::vector<uint8_t>& rgba) {
  std::vector<uint8_t> rgb(rgba.size() / 4 * 3);
  for (size_t i = 0; i < rgba.size() / 4; ++i) std::memcpy(&rgb[3 * i], &rgba[4 * i], 3);
  return rgb;
}

std::vector<uint8_t> EncodeJpeg(const uint8_t* samples, uint32_t width, uint32_t height,
                                int components, int quality, bool progressive,
                                const std::vector<uint8_t>& app1, bool adobeMarker, bool arithmetic) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  if (components == 4) cinfo.write_Adobe_marker = adobeMarker ? TRUE : FALSE;
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  cinfo.arith_code = arithmetic ? TRUE : FALSE;
  // No JFIF header when an EXIF block is given: APP1 then follows the start of image directly.
  if (!app1.empty()) cinfo.write_JFIF_header = FALSE;
  jpeg_start_compress(&cinfo, TRUE);
  if (!app1.empty()) jpeg_write_marker(&cinfo, JPEG_APP0 + 1, app1.data(), unsigned(app1.size()));
  while (cinfo.next_scanline < height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples + size_t(cinfo.next_scanline) * width * components);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&cinfo);
  std::free(buffer);
  return out;
}

// ---- ImageMagick ----

bool RunCommand(const std::string& command) { return std::system(command.c_str()) == 0; }

std::string FindImageMagick() {
  static const std::string found = [] {
    const char* candidates[] = {"/usr/bin/convert-im6.q16", "/usr/bin/convert", "convert"};
    for (const char* c : candidates) {
      const std::string cmd = std::string(c) + " -version 2>/dev/null";
      FILE* f = popen(cmd.c_str(), "r");
      if (!f) continue;
      char text[256] = {};
      const size_t n = fread(text, 1, sizeof text - 1, f);
      pclose(f);
      if (n > 0 && std::strstr(text, "ImageMagick")) return std::string(c);
    }
    return std::string();
  }();
  return found;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return {};
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  if (!f) return false;
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(f);
}

}  // namespace testpics
