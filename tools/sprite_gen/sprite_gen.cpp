// sprite_gen.cpp - writes the system's sprite pictures as RGBA PNG files:
//
//   sprite_gen --out <folder>
//
// Each picture is drawn from plain shapes (discs, rings, rounded rectangles, polygons), so
// the same build always writes the same bytes.  The names are the ones the system textures
// load; the pictures are square powers of two, as the texture table's converted DDS files
// must be.
//   DISCSOLID_ALP, DISCDRILL_ALP  brake discs, plain and drilled (128)
//   TYRE_ALP                      the tyre's rubber in eight rows of 16 pixels: rows 0 to 3 the
//                                 side wall, rows 4 to 7 the tread of the four compounds (128)
//   DUST_ALP                      a soft dust puff (64)
//   LOGO_ALP                      sidewall lettering in sixteen rows of 8 pixels: white marks
//                                 on clear, one line of lettering a row (128)
//   NDLCTR_ALP                    the hub over a dial's needle (64)
//   BUTT_ALP, SMLB_ALP            the large and the small panel (64, 32): white rounded
//                                 rectangles whose corners lie inside u, v 0..0.49 and 0.51..1
//   LIGHT_ALP                     the icon sheet: 5 columns x 8 rows of 48 x 32 cells (256)
//   ZKTLOGO_ALP                   the program's logo picture (256)
//   SHEET_ALP                     the interface sprite sheet: 32 x 32 cells of 16 pixels,
//                                 sprite n at column n % 32, row n / 32; 415 is the pointer (512)
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/sprite_gen/sprite_shapes.h"

namespace {

constexpr float PI = 3.14159265f;
constexpr Rgba CLEAR{0, 0, 0, 0};
constexpr Rgba WHITE{255, 255, 255, 255};

// ---- The pictures ----

Canvas BrakeDisc(bool drilled) {
  Canvas c = MakeCanvas(128, 128, CLEAR);
  FillDisc(c, 64, 64, 62, Rgba{150, 152, 156, 255});
  FillRing(c, 64, 64, 58, 62, Rgba{110, 112, 116, 255});
  FillDisc(c, 64, 64, 32, Rgba{185, 186, 190, 255});  // the hat
  if (drilled)
    for (int i = 0; i < 36; ++i) {
      float a = i * 2 * PI / 36, r = i % 2 ? 42.0f : 51.0f;
      CutDisc(c, 64 + r * std::cos(a), 64 + r * std::sin(a), 2.6f);
    }
  for (int i = 0; i < 5; ++i) {
    float a = i * 2 * PI / 5 - PI / 2;
    CutDisc(c, 64 + 24 * std::cos(a), 64 + 24 * std::sin(a), 3.5f);
  }
  CutDisc(c, 64, 64, 14);
  return c;
}

Canvas Tyre() {
  Canvas c = MakeCanvas(128, 128, Rgba{40, 40, 42, 255});  // the side wall fills rows 0 to 3
  for (int compound = 0; compound < 4; ++compound) {
    const float top = 16.0f * float(4 + compound), mid = top + 8.0f;
    PaintCoverage(c, Rgba{30, 30, 32, 255}, [top](float, float y) { return y >= top && y < top + 16.0f; });
    // Grooves round the tyre (constant v), fewer for the softer compounds, and cuts across.
    const int grooves = 3 - compound;
    for (int g = 0; g < grooves; ++g) {
      const float y = top + 16.0f * float(g + 1) / float(grooves + 1);
      FillBar(c, 0.0f, y, 128.0f, y, 0.8f, Rgba{12, 12, 13, 255});
    }
    if (compound < 3)
      for (int k = 0; k < 16; ++k) {
        const float x = 8.0f * float(k) + 4.0f;
        FillBar(c, x - 1.5f, mid - 5.0f, x + 1.5f, mid + 5.0f, 0.6f, Rgba{16, 16, 17, 255});
      }
  }
  return c;
}

Canvas Dust() {
  Canvas c = MakeCanvas(64, 64, CLEAR);
  PaintShaded(c, [](float x, float y) {
    float d2 = ((x - 32) * (x - 32) + (y - 32) * (y - 32)) / (11.0f * 11.0f);
    return Rgba{205, 195, 175, uint8_t(std::lround(255.0f * std::exp(-0.5f * d2)))};
  });
  return c;
}

Canvas Lettering() {
  Canvas c = MakeCanvas(128, 128, CLEAR);
  // Each row a line of invented block lettering: marks of a few widths with gaps, a taller
  // stroke now and then, all inside the row's 8 pixels with a pixel clear above and below.
  for (int row = 0; row < 16; ++row) {
    const float y0 = 8.0f * float(row) + 1.5f, y1 = y0 + 5.0f;
    uint32_t seed = 0x9E3779B9u * uint32_t(row + 1);
    float x = 4.0f + float(row % 3) * 3.0f;
    while (x < 120.0f) {
      seed = seed * 1664525u + 1013904223u;
      const float width = 2.0f + float(seed >> 29);  // 2 .. 9 pixels
      if (x + width > 124.0f) break;
      FillRoundedRect(c, x, y0, x + width, y1, 0.6f, WHITE);
      x += width + (((seed >> 24) & 7) == 0 ? 6.0f : 1.5f);  // a word gap now and then
    }
  }
  return c;
}

Canvas NeedleHub() {
  Canvas c = MakeCanvas(64, 64, CLEAR);
  FillDisc(c, 32, 32, 30, Rgba{20, 20, 22, 255});
  FillDisc(c, 32, 32, 22, Rgba{70, 72, 76, 255});
  FillDisc(c, 28, 27, 9, Rgba{140, 142, 148, 200});  // a soft highlight
  return c;
}

Canvas Panel(int size) {
  Canvas c = MakeCanvas(size, size, Rgba{255, 255, 255, 0});
  float r = size * 0.45f;
  // White throughout, so that vertex colours tint it; the corners carry the rounding.
  FillRoundedRect(c, 0.0f, 0.0f, float(size), float(size), r, WHITE);
  return c;
}

void Arrow(Canvas& c, float cx, float cy, float s, float angle) {
  // An arrow pointing along angle, s the half length.
  float ux = std::cos(angle), uy = std::sin(angle), vx = -uy, vy = ux;
  auto p = [&](float a, float b) { return std::vector<float>{cx + a * s * ux + b * s * vx, cy + a * s * uy + b * s * vy}; };
  std::vector<float> xy;
  for (auto [a, b] : {std::pair{1.0f, 0.0f}, {0.1f, 0.75f}, {0.1f, 0.3f}, {-1.0f, 0.3f}, {-1.0f, -0.3f},
                      {0.1f, -0.3f}, {0.1f, -0.75f}}) {
    auto q = p(a, b);
    xy.insert(xy.end(), q.begin(), q.end());
  }
  FillPolygon(c, xy, WHITE);
}

Canvas IconSheet() {
  Canvas c = MakeCanvas(256, 256, Rgba{255, 255, 255, 0});
  auto centre = [](int n, float* x, float* y) {
    *x = (n % 5) * 48 + 24.0f;
    *y = (n / 5) * 32 + 16.0f;
  };
  float x, y;
  for (int n = 0; n < 4; ++n) {  // arrows right, down, left, up
    centre(n, &x, &y);
    Arrow(c, x, y, 11, n * PI / 2);
  }
  centre(4, &x, &y);  // plus
  FillBar(c, x - 10, y, x + 10, y, 2.5f, WHITE);
  FillBar(c, x, y - 10, x, y + 10, 2.5f, WHITE);
  centre(5, &x, &y);  // minus
  FillBar(c, x - 10, y, x + 10, y, 2.5f, WHITE);
  centre(6, &x, &y);  // cross
  FillBar(c, x - 8, y - 8, x + 8, y + 8, 2.5f, WHITE);
  FillBar(c, x - 8, y + 8, x + 8, y - 8, 2.5f, WHITE);
  centre(7, &x, &y);  // tick
  FillBar(c, x - 9, y, x - 3, y + 7, 2.5f, WHITE);
  FillBar(c, x - 3, y + 7, x + 10, y - 8, 2.5f, WHITE);
  centre(8, &x, &y);  // ring
  FillRing(c, x, y, 7, 11, WHITE);
  centre(9, &x, &y);  // dot
  FillDisc(c, x, y, 6, WHITE);
  centre(10, &x, &y);  // square
  FillRoundedRect(c, x - 10, y - 10, x + 10, y + 10, 2, WHITE);
  centre(11, &x, &y);  // triangle
  FillPolygon(c, {x, y - 11, x + 11, y + 9, x - 11, y + 9}, WHITE);
  centre(12, &x, &y);  // lamp: a disc with rays
  FillDisc(c, x, y, 5, WHITE);
  for (int i = 0; i < 8; ++i) {
    float a = i * PI / 4;
    FillBar(c, x + 8 * std::cos(a), y + 8 * std::sin(a), x + 12 * std::cos(a), y + 12 * std::sin(a), 1.2f, WHITE);
  }
  return c;
}

Canvas ProgramLogo() {
  Canvas c = MakeCanvas(256, 256, CLEAR);
  FillDisc(c, 128, 128, 120, Rgba{232, 232, 236, 255});
  FillDisc(c, 128, 128, 106, Rgba{24, 40, 78, 255});
  // Three slanted stripes for speed.
  for (int i = 0; i < 3; ++i) {
    float y = 92 + i * 36.0f;
    FillPolygon(c, {70 + i * 8.0f, y - 10, 196 + i * 8.0f, y - 10, 186 + i * 8.0f, y + 10, 60 + i * 8.0f, y + 10},
                Rgba{250, 196, 40, 255});
  }
  return c;
}

Canvas SpriteSheet() {
  Canvas c = MakeCanvas(512, 512, Rgba{255, 255, 255, 0});
  auto cell = [](int n, float* x, float* y) {
    *x = (n % 32) * 16.0f;
    *y = (n / 32) * 16.0f;
  };
  float x, y;
  cell(0, &x, &y);  // a plain dot
  FillDisc(c, x + 8, y + 8, 6, WHITE);
  cell(415, &x, &y);  // the pointer: tip at the cell's top-left corner
  FillPolygon(c, {x + 1, y + 1, x + 15, y + 7, x + 8.5f, y + 8.5f, x + 7, y + 15}, WHITE);
  return c;
}

struct Picture {
  const char* name;
  Canvas (*draw)();
};
const Picture PICTURES[] = {
    {"DISCSOLID_ALP", [] { return BrakeDisc(false); }},
    {"DISCDRILL_ALP", [] { return BrakeDisc(true); }},
    {"LOGO_ALP", Lettering},
    {"DUST_ALP", Dust},
    {"TYRE_ALP", Tyre},
    {"NDLCTR_ALP", NeedleHub},
    {"LIGHT_ALP", IconSheet},
    {"BUTT_ALP", [] { return Panel(64); }},
    {"SMLB_ALP", [] { return Panel(32); }},
    {"ZKTLOGO_ALP", ProgramLogo},
    {"SHEET_ALP", SpriteSheet},
};

}  // namespace

int main(int argc, char** argv) {
  std::string out;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) out = argv[++i];
  if (out.empty()) {
    std::fprintf(stderr, "usage: sprite_gen --out <folder>\n");
    return 2;
  }
  for (const Picture& p : PICTURES)
    if (!WritePng(out + "/" + p.name + ".png", p.draw())) return 1;
  return 0;
}
