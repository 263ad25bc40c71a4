// model_gen.cpp - writes our sample models and the texture pages they name:
//
//   model_gen --out <working folder> [--seeds <folder>]
//
// Each sample is written to "data\3dob\<name>.qxe" through the program's own writer, read
// back with the program's own reader and written again in memory; the two must be the same
// bytes, or the tool fails (and so the build).  The pages "data\png\sample_page.png" and
// "data\png\sample_glass_ALP.png" are drawn from plain shapes.  The sample spoke object
// "data\3dob\sample_spoke.spk" is checked the same way; the layout object models
// "data\hmn\AXO.dup" must load their slots back.  With --seeds, each sample's record is also
// written as a seed of the model reader's fuzz target, and the spoke and the layout models as
// seeds of theirs, in the folders "spoke" and "layout" beside it.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "model/model_file.h"
#include "model/pregen_model.h"
#include "model/spoke_object.h"
#include "platform/files.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "tools/gen_support/gen_support.h"
#include "tools/model_gen/model_builder.h"
#include "tools/model_gen/model_check.h"
#include "tools/model_gen/sample_models.h"
#include "tools/sprite_gen/sprite_shapes.h"

namespace {

constexpr const char* TOOL = "model_gen";
constexpr float PI = 3.14159265f;

// ---- the pages ----

// A region's pixel rectangle on a page of the given size (its top is measured from the bottom).
struct PixelRect {
  float x0, y0, x1, y1;
};
PixelRect RegionPixels(const char* cutout, int pagePixels) {
  const SampleRegion& r = FindSampleRegion(cutout);
  const float unit = pagePixels / 128.0f;
  return {r.left * unit, pagePixels - (r.top + r.height) * unit, (r.left + r.width) * unit, pagePixels - r.top * unit};
}

// The seven segments of a digit inside the rectangle.
void DrawDigit(Canvas& c, const PixelRect& r, int digit, Rgba colour) {
  static const uint8_t SEGMENTS[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
  const float left = r.x0 + (r.x1 - r.x0) * 0.3f, right = r.x1 - (r.x1 - r.x0) * 0.3f;
  const float top = r.y0 + (r.y1 - r.y0) * 0.2f, bottom = r.y1 - (r.y1 - r.y0) * 0.2f, middle = (top + bottom) / 2;
  const float w = (r.x1 - r.x0) * 0.05f;
  const float ends[7][4] = {{left, top, right, top},       {right, top, right, middle},   {right, middle, right, bottom},
                            {left, bottom, right, bottom}, {left, middle, left, bottom},  {left, top, left, middle},
                            {left, middle, right, middle}};
  for (int s = 0; s < 7; ++s)
    if (SEGMENTS[digit] & (1 << s)) FillBar(c, ends[s][0], ends[s][1], ends[s][2], ends[s][3], w, colour);
}

void FillRegion(Canvas& c, const char* cutout, Rgba colour) {
  const PixelRect r = RegionPixels(cutout, c.width);
  FillPolygon(c, {r.x0, r.y0, r.x1, r.y0, r.x1, r.y1, r.x0, r.y1}, colour);
}

void DrawLamp(Canvas& c, const char* cutout, Rgba rim, Rgba glow) {
  const PixelRect r = RegionPixels(cutout, c.width);
  const float cx = (r.x0 + r.x1) / 2, cy = (r.y0 + r.y1) / 2, radius = (r.x1 - r.x0) / 2;
  FillRegion(c, cutout, Rgba{40, 40, 44, 255});
  FillDisc(c, cx, cy, radius * 0.9f, rim);
  FillDisc(c, cx, cy, radius * 0.6f, glow);
}

Canvas SamplePage() {
  const int n = SAMPLE_PAGE_PIXELS;
  Canvas c = MakeCanvas(n, n, Rgba{128, 128, 128, 255});
  // Paint: a light panel the mapping colour tints, with a soft top highlight.
  PaintShaded(c, [n](float x, float y) {
    const PixelRect r = RegionPixels("paint", n);
    if (x < r.x0 || x >= r.x1 || y < r.y0 || y >= r.y1) return Rgba{0, 0, 0, 0};
    const uint8_t v = uint8_t(200 + 55 * (1 - (y - r.y0) / (r.y1 - r.y0)));
    return Rgba{v, v, v, 255};
  });
  // The brake disc: drilled grey with its hat.
  const PixelRect d = RegionPixels("disc", n);
  const float dx = (d.x0 + d.x1) / 2, dy = (d.y0 + d.y1) / 2, dr = (d.x1 - d.x0) / 2;
  FillRegion(c, "disc", Rgba{60, 60, 64, 255});
  FillDisc(c, dx, dy, dr * 0.95f, Rgba{150, 152, 156, 255});
  FillDisc(c, dx, dy, dr * 0.45f, Rgba{185, 186, 190, 255});
  for (int i = 0; i < 24; ++i) {
    const float a = i * 2 * PI / 24;
    FillDisc(c, dx + dr * 0.7f * std::cos(a), dy + dr * 0.7f * std::sin(a), dr * 0.04f, Rgba{70, 70, 74, 255});
  }
  // Checker of eight by eight squares.
  const PixelRect k = RegionPixels("checker", n);
  const float cell = (k.x1 - k.x0) / 8;
  for (int row = 0; row < 8; ++row)
    for (int col = 0; col < 8; ++col) {
      const Rgba colour = (row + col) % 2 ? Rgba{40, 40, 40, 255} : Rgba{230, 230, 230, 255};
      const float x = k.x0 + col * cell, y = k.y0 + row * cell;
      FillPolygon(c, {x, y, x + cell, y, x + cell, y + cell, x, y + cell}, colour);
    }
  // Detail: dark grille bars.
  FillRegion(c, "detail", Rgba{70, 72, 76, 255});
  const PixelRect g = RegionPixels("detail", n);
  for (int i = 1; i < 6; ++i) {
    const float y = g.y0 + (g.y1 - g.y0) * i / 6;
    FillBar(c, g.x0 + 3, y, g.x1 - 3, y, 1.2f, Rgba{25, 25, 28, 255});
  }
  // Tyre tread and rim.
  FillRegion(c, "tyre", Rgba{30, 30, 32, 255});
  const PixelRect t = RegionPixels("tyre", n);
  for (int i = 0; i < 8; ++i) {
    const float y = t.y0 + (t.y1 - t.y0) * (i + 0.5f) / 8;
    FillBar(c, t.x0 + 4, y - 2, t.x1 - 4, y + 2, 1.5f, Rgba{16, 16, 17, 255});
  }
  const PixelRect w = RegionPixels("rim", n);
  const float wx = (w.x0 + w.x1) / 2, wy = (w.y0 + w.y1) / 2, wr = (w.x1 - w.x0) / 2;
  FillRegion(c, "rim", Rgba{30, 30, 32, 255});
  FillDisc(c, wx, wy, wr * 0.8f, Rgba{205, 207, 212, 255});
  for (int i = 0; i < 5; ++i) {
    const float a = i * 2 * PI / 5;
    FillBar(c, wx, wy, wx + wr * 0.7f * std::cos(a), wy + wr * 0.7f * std::sin(a), wr * 0.08f,
            Rgba{150, 152, 158, 255});
  }
  FillDisc(c, wx, wy, wr * 0.15f, Rgba{120, 122, 128, 255});
  // Lamps.
  DrawLamp(c, "head", Rgba{200, 200, 190, 255}, Rgba{255, 255, 235, 255});
  DrawLamp(c, "tail", Rgba{120, 10, 10, 255}, Rgba{200, 20, 20, 255});
  DrawLamp(c, "brake", Rgba{160, 10, 10, 255}, Rgba{255, 40, 40, 255});
  DrawLamp(c, "indicator", Rgba{170, 100, 10, 255}, Rgba{255, 170, 30, 255});
  // The numbered family: white plates with black digits; the partner outlined.
  const char* const numbers[3] = {"C~num_1", "C~num_2", "C~num_3"};
  for (int i = 0; i < 3; ++i) {
    FillRegion(c, numbers[i], Rgba{245, 245, 245, 255});
    DrawDigit(c, RegionPixels(numbers[i], n), i + 1, Rgba{15, 15, 15, 255});
  }
  FillRegion(c, "O~num_1", Rgba{15, 15, 15, 255});
  DrawDigit(c, RegionPixels("O~num_1", n), 1, Rgba{245, 245, 245, 255});
  return c;
}

Canvas GlassPage() {
  const int n = SAMPLE_GLASS_PIXELS;
  Canvas c = MakeCanvas(n, n, Rgba{0, 0, 0, 0});
  PaintShaded(c, [n](float x, float y) {
    const float streak = std::fabs((x + y) - n * 0.8f) < n * 0.12f ? 60.0f : 0.0f;
    return Rgba{uint8_t(90 + streak), uint8_t(110 + streak), uint8_t(130 + streak), uint8_t(110 + streak)};
  });
  return c;
}

// ---- the models ----

// Writes, reads back and writes again; 0 with a reason on stderr when the bytes differ.
int WriteAndCheck(const SampleModel& sample, const std::string& seedFolder) {
  char path[FILE_PATH_SIZE];
  std::snprintf(path, sizeof path, MODEL_FILE_PATTERN, sample.name);
  ModelObject model;
  model.Init();
  sample.build(model);
  std::vector<uint8_t> body;
  if (!WriteCheckedModelFile(TOOL, model, path, body)) return 0;
  // The fuzz target's input: mode, version, flags (main object, layer names), then the body.
  return WriteGenSeed(TOOL, seedFolder, std::string(sample.name) + ".seed",
                      {MODEL_READ_OBJECT, MODEL_FILE_VERSION - MODEL_FILE_LOWEST_VERSION, 3}, body);
}

// A seed of another reader's target, in the folder of that name beside the model seeds.
int WriteSeed(const std::string& seedFolder, const char* kind, const char* name, const std::vector<uint8_t>& bytes) {
  if (seedFolder.empty()) return 1;
  const std::filesystem::path folder = std::filesystem::path(seedFolder).parent_path() / kind;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return WriteGenFile(TOOL, (folder / name).string().c_str(), bytes);
}

// The spoke: written, read back in the spoke mode and written again; the bytes must agree.
int WriteSpoke(const std::string& seedFolder) {
  char path[FILE_PATH_SIZE];
  std::snprintf(path, sizeof path, SPOKE_FILE_PATTERN, SAMPLE_SPOKE_NAME);
  ModelObject spoke;
  spoke.Init();
  BuildSampleSpokeObject(spoke);
  const int saved = SaveSpokeObject(spoke, nullptr, path);
  const std::vector<uint8_t> written = ModelRecordBytes(spoke, 0, 0);
  spoke.Free();
  ModelObject back;
  back.Init();
  const int read = saved && LoadSpokeObject(back, nullptr, path);
  const std::vector<uint8_t> again = read ? ModelRecordBytes(back, 0, 0) : std::vector<uint8_t>{};
  back.Free();
  if (!SameBytesBack(TOOL, path, written, again, "read " + std::to_string(read))) return 0;
  // The spoke target's input: the copies to repeat, then the file.
  std::vector<uint8_t> seed = {5};
  const std::vector<uint8_t> image = DataFileImage(SPOKE_FILE_MAGIC, written, SPOKE_FILE_VERSION);
  seed.insert(seed.end(), image.begin(), image.end());
  return WriteSeed(seedFolder, "spoke", "sample_spoke.seed", seed);
}

// The layout object models: every present slot below 192 must load.
int WriteLayoutModels(const std::string& seedFolder) {
  const std::vector<uint8_t> image = SampleLayoutModelsImage(SAMPLE_LAYOUT_SLOT_COUNT);
  if (!WriteGenFile(TOOL, LAYOUT_MODELS_PATH, image)) return 0;
  static PreGenModel entries[LAYOUT_OBJECT_KINDS];
  const int loaded = LoadLayoutObjectModels(entries);
  for (PreGenModel& e : entries) e.Free();
  if (loaded != SAMPLE_LAYOUT_SLOTS_READ) {
    std::fprintf(stderr, "model_gen: %s loads %d models, not %d\n", LAYOUT_MODELS_PATH, loaded,
                 SAMPLE_LAYOUT_SLOTS_READ);
    return 0;
  }
  return WriteSeed(seedFolder, "layout", "sample_layout.dup", image);
}

}  // namespace

int main(int argc, char** argv) {
  std::string seeds;
  if (const int failed = StartGenTool(TOOL, argc, argv, {"data", "data\\3dob", "data\\png", "data\\hmn"}, seeds))
    return failed;
  SetDefaultTextColours();
  MessagesToStdout = 1;  // any repair the reader reports shows in the build's output
  for (const SampleModel& sample : SAMPLE_MODELS)
    if (!WriteAndCheck(sample, seeds)) return 1;
  // A page without "_ALP" in its name must be plain RGB: the texture loader refuses alpha there.
  if (!WritePng(std::string("data/png/") + SAMPLE_PAGE_TEXTURE + ".png", SamplePage(), false) ||
      !WritePng(std::string("data/png/") + SAMPLE_GLASS_TEXTURE + ".png", GlassPage()))
    return 1;
  if (!WriteSpoke(seeds) || !WriteLayoutModels(seeds)) return 1;
  return 0;
}
