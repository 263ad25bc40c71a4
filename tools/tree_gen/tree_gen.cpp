// tree_gen.cpp - the trees' pictures: four barks (value noise in browns and greys, no alpha)
// "TREEBARK0".."TREEBARK3" and four foliages (clusters of leaves on a clear ground)
// "TREELEAF0_ALP".."TREELEAF3_ALP", written as data\png pictures.  The world's trees choose
// them by their bark and foliage texture numbers.  Runs at build time:
// tree_gen --out <folder>.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/sprite_gen/sprite_shapes.h"

namespace {

constexpr int SIZE = 64;

// A repeatable hash of a lattice point into 0..1.
float Hash(int x, int y, int seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + uint32_t(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return float((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

// Smooth value noise that repeats every period cells across the picture.
float Noise(float x, float y, int period, int seed) {
  const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
  const float fx = x - float(x0), fy = y - float(y0);
  const auto at = [&](int i, int j) { return Hash(((i % period) + period) % period, ((j % period) + period) % period, seed); };
  const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const float top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
  const float bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
  return top + (bottom - top) * sy;
}

uint8_t Byte(float v) { return uint8_t(std::lround(std::fmin(std::fmax(v, 0.0f), 255.0f))); }

// Bark: vertical streaks (stretched noise) over a finer grain, in the kind's colour.
Canvas Bark(int kind) {
  static constexpr float BASE[4][3] = {{110, 80, 55}, {140, 130, 120}, {90, 70, 60}, {160, 120, 80}};
  Canvas c = MakeCanvas(SIZE, SIZE, {0, 0, 0, 255});
  PaintShaded(c, [kind](float x, float y) {
    const float streak = Noise(x / 4.0f, y / 16.0f, SIZE / 4, kind * 7 + 1);
    const float grain = Noise(x / 2.0f, y / 2.0f, SIZE / 2, kind * 7 + 2);
    const float v = 0.55f + 0.35f * streak + 0.15f * grain;
    return Rgba{Byte(BASE[kind][0] * v), Byte(BASE[kind][1] * v), Byte(BASE[kind][2] * v), 255};
  });
  return c;
}

// Foliage: leaves (ellipses) scattered by the hash, shaded by their own noise, on alpha 0.
Canvas Foliage(int kind) {
  static constexpr float BASE[4][3] = {{60, 130, 50}, {90, 150, 40}, {40, 100, 60}, {150, 120, 40}};
  Canvas c = MakeCanvas(SIZE, SIZE, {0, 0, 0, 0});
  const int leaves = 70 + 20 * kind;
  for (int i = 0; i < leaves; ++i) {
    const float cx = 4 + Hash(i, 1, kind) * (SIZE - 8), cy = 4 + Hash(i, 2, kind) * (SIZE - 8);
    const float angle = Hash(i, 3, kind) * 3.14159265f, length = 4.0f + 3.0f * Hash(i, 4, kind);
    const float shade = 0.7f + 0.5f * Hash(i, 5, kind);
    const float ca = std::cos(angle), sa = std::sin(angle);
    const Rgba colour = {Byte(BASE[kind][0] * shade), Byte(BASE[kind][1] * shade), Byte(BASE[kind][2] * shade), 255};
    PaintCoverage(c, colour, [=](float x, float y) {
      const float u = (x - cx) * ca + (y - cy) * sa, v = -(x - cx) * sa + (y - cy) * ca;
      return (u * u) / (length * length) + (v * v) / (length * length * 0.16f) <= 1.0f;
    });
  }
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) out = argv[++i];
  if (out.empty()) {
    std::fprintf(stderr, "usage: tree_gen --out <folder>\n");
    return 2;
  }
  for (int kind = 0; kind < 4; ++kind) {
    char name[32];
    std::snprintf(name, sizeof name, "/TREEBARK%d.png", kind);
    if (!WritePng(out + name, Bark(kind), false)) return 1;
    std::snprintf(name, sizeof name, "/TREELEAF%d_ALP.png", kind);
    if (!WritePng(out + name, Foliage(kind), true)) return 1;
  }
  return 0;
}
