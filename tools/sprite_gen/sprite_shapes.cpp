// sprite_shapes.cpp - the canvas and its supersampled shapes.
#include "tools/sprite_gen/sprite_shapes.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>  // after <cstdio>: it uses FILE and size_t without including them

namespace {

constexpr int SAMPLES = 4;  // per side

// Straight-alpha "over" of a colour with coverage k (0..1) onto one pixel.
void Over(uint8_t* p, Rgba s, float k) {
  float sa = s.a / 255.0f * k;
  float da = p[3] / 255.0f;
  float oa = sa + da * (1.0f - sa);
  if (oa <= 0.0f) return;
  const uint8_t sc[3] = {s.r, s.g, s.b};
  for (int i = 0; i < 3; ++i) {
    float v = (sc[i] * sa + p[i] * da * (1.0f - sa)) / oa;
    p[i] = uint8_t(std::lround(std::clamp(v, 0.0f, 255.0f)));
  }
  p[3] = uint8_t(std::lround(oa * 255.0f));
}

template <class Sample>
void ForEachSample(Canvas& c, Sample sample) {
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x)
      for (int sy = 0; sy < SAMPLES; ++sy)
        for (int sx = 0; sx < SAMPLES; ++sx)
          sample(x, y, x + (sx + 0.5f) / SAMPLES, y + (sy + 0.5f) / SAMPLES);
}

}  // namespace

Canvas MakeCanvas(int width, int height, Rgba fill) {
  Canvas c;
  c.width = width;
  c.height = height;
  c.pixels.resize(size_t(width) * height * 4);
  for (size_t i = 0; i < c.pixels.size(); i += 4) {
    c.pixels[i] = fill.r;
    c.pixels[i + 1] = fill.g;
    c.pixels[i + 2] = fill.b;
    c.pixels[i + 3] = fill.a;
  }
  return c;
}

void PaintCoverage(Canvas& c, Rgba colour, const std::function<bool(float, float)>& inside) {
  std::vector<uint8_t> hits(size_t(c.width) * c.height);
  ForEachSample(c, [&](int x, int y, float fx, float fy) { hits[size_t(y) * c.width + x] += inside(fx, fy); });
  for (size_t i = 0; i < hits.size(); ++i)
    if (hits[i]) Over(&c.pixels[4 * i], colour, hits[i] / float(SAMPLES * SAMPLES));
}

void PaintShaded(Canvas& c, const std::function<Rgba(float, float)>& colourAt) {
  // The samples' colours are averaged (weighted by their alpha) and painted once per pixel.
  std::vector<float> sum(size_t(c.width) * c.height * 4);
  ForEachSample(c, [&](int x, int y, float fx, float fy) {
    Rgba s = colourAt(fx, fy);
    float* p = &sum[4 * (size_t(y) * c.width + x)];
    p[0] += s.r * float(s.a);
    p[1] += s.g * float(s.a);
    p[2] += s.b * float(s.a);
    p[3] += s.a;
  });
  for (size_t i = 0; i < sum.size(); i += 4) {
    if (sum[i + 3] <= 0.0f) continue;
    Rgba mean{uint8_t(std::lround(sum[i] / sum[i + 3])), uint8_t(std::lround(sum[i + 1] / sum[i + 3])),
              uint8_t(std::lround(sum[i + 2] / sum[i + 3])),
              uint8_t(std::lround(sum[i + 3] / (SAMPLES * SAMPLES)))};
    Over(&c.pixels[i], mean, 1.0f);
  }
}

void FillDisc(Canvas& c, float cx, float cy, float r, Rgba colour) {
  PaintCoverage(c, colour, [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; });
}

void FillRing(Canvas& c, float cx, float cy, float inner, float outer, Rgba colour) {
  PaintCoverage(c, colour, [=](float x, float y) {
    float d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
    return d <= outer * outer && d >= inner * inner;
  });
}

void FillRoundedRect(Canvas& c, float x0, float y0, float x1, float y1, float r, Rgba colour) {
  PaintCoverage(c, colour, [=](float x, float y) {
    if (x < x0 || x > x1 || y < y0 || y > y1) return false;
    float dx = std::max({x0 + r - x, 0.0f, x - (x1 - r)});
    float dy = std::max({y0 + r - y, 0.0f, y - (y1 - r)});
    return dx * dx + dy * dy <= r * r;
  });
}

void FillPolygon(Canvas& c, const std::vector<float>& xy, Rgba colour) {
  const size_t n = xy.size() / 2;
  PaintCoverage(c, colour, [&xy, n](float x, float y) {
    bool in = false;  // even-odd crossing test
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
      float xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
      if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
    }
    return in;
  });
}

void FillBar(Canvas& c, float x0, float y0, float x1, float y1, float halfWidth, Rgba colour) {
  PaintCoverage(c, colour, [=](float x, float y) {
    float vx = x1 - x0, vy = y1 - y0;
    float len2 = vx * vx + vy * vy;
    float t = len2 > 0 ? std::clamp(((x - x0) * vx + (y - y0) * vy) / len2, 0.0f, 1.0f) : 0.0f;
    float dx = x - (x0 + t * vx), dy = y - (y0 + t * vy);
    return dx * dx + dy * dy <= halfWidth * halfWidth;
  });
}

void CutDisc(Canvas& c, float cx, float cy, float r) {
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      int inside = 0;
      for (int sy = 0; sy < SAMPLES; ++sy)
        for (int sx = 0; sx < SAMPLES; ++sx) {
          float fx = x + (sx + 0.5f) / SAMPLES - cx, fy = y + (sy + 0.5f) / SAMPLES - cy;
          inside += fx * fx + fy * fy <= r * r;
        }
      uint8_t& a = c.pixels[4 * (size_t(y) * c.width + x) + 3];
      a = uint8_t(std::lround(a * (1.0f - inside / float(SAMPLES * SAMPLES))));
    }
}

bool WritePng(const std::string& path, const Canvas& c, bool withAlpha) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "picture: cannot write %s\n", path.c_str());
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    std::fprintf(stderr, "picture: PNG error writing %s\n", path.c_str());
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(c.width), png_uint_32(c.height), 8,
               withAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  if (!withAlpha) png_set_filler(png, 0, PNG_FILLER_AFTER);  // on writing: the fourth byte is dropped
  for (int y = 0; y < c.height; ++y) png_write_row(png, &c.pixels[size_t(y) * c.width * 4]);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  bool ok = std::fclose(f) == 0;
  if (!ok) std::fprintf(stderr, "picture: cannot finish %s\n", path.c_str());
  return ok;
}

bool WriteJpeg(const std::string& path, const Canvas& c) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "picture: cannot write %s\n", path.c_str());
    return false;
  }
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, f);
  info.image_width = JDIMENSION(c.width);
  info.image_height = JDIMENSION(c.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 92, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(size_t(c.width) * 3);
  while (info.next_scanline < info.image_height) {
    const uint8_t* rgba = &c.pixels[size_t(info.next_scanline) * c.width * 4];
    for (int x = 0; x < c.width; ++x) std::memcpy(&row[size_t(x) * 3], rgba + x * 4, 3);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(f) == 0;
}
