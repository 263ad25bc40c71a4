// fuzz_wheel_looks.cpp - the wheel's looks and the number plates from arbitrary bytes, graphics
// off: a wheel-set record and a rim profile built into the wheel's cross-section and turned
// into the rim's arrays, then plate texts drawn on the plate canvas and halved into the
// page's pictures.  Nothing is read or written outside its arrays (the sanitizers watch) and
// every index the arrays hold stays within them.
//
// Input: byte 0 the vehicle data's version (248..252), then the 64-byte wheel-set record, a
// flags byte (rounded, tread texture, shading, a texture page), a segment count byte; then the
// rim profile as raw records (a point count byte, the points as floats, a surface count byte,
// the surfaces as four bytes each, a mapping count byte, each mapping's name byte and colour
// word); the rest, in up to four slices of 8 bytes, are the plate texts.
//
// The canvas and the pictures are kept from input to input, and the page's pictures are made
// from the first page drawn only: their halving reads and writes the same places whatever the
// canvas holds, and over a million pixels it would take nearly all of each input's time.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "render/gouraud_mesh.h"
#include "text/text_colours.h"
#include "ui/character_set.h"
#include "vehicle/number_plates.h"
#include "vehicle/wheel_meshes.h"
#include "vehicle/wheel_profile.h"
#include "vehicle_data/rim_profile.h"

namespace {

#define Require(condition)                                                 \
  do {                                                                     \
    if (!(condition)) {                                                    \
      std::fprintf(stderr, "fuzz_wheel_looks: %s failed\n", #condition);   \
      std::abort();                                                        \
    }                                                                      \
  } while (0)

struct Input {
  const uint8_t* data;
  size_t size, at;
  uint8_t Byte() { return at < size ? data[at++] : 0; }
  uint32_t Word() {
    uint32_t w = 0;
    for (int i = 0; i < 4; ++i) w |= uint32_t(Byte()) << (8 * i);
    return w;
  }
  float Float() {
    const uint32_t bits = Word();
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
  }
};

void Prepare() {
  SetDefaultTextColours();
  BuildGammaTables();
  GraphicsEnabled = 0;
  // The plates' glyphs: the build's character set when it is there (without it no glyph has
  // a shape, and the canvas stays white).
  FILE* f = std::fopen(ZKT_CHARSET_PATH, "rb");
  if (!f) return;
  std::vector<uint8_t> bytes;
  uint8_t buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  ReadCharacterSet(bytes.data(), int64_t(bytes.size()), ZKT_CHARSET_PATH);
}

// A rim profile straight from the input: its references are not checked here, so the profile
// builder meets whatever a damaged or hand-made rim may hold.
void ReadRawRim(Input& in, WXS& rim) {
  rim.Free();
  const int points = in.Byte() % 24;
  rim.numPoints = points;
  rim.points = points ? new GraphPoint[size_t(points)] : nullptr;
  for (int i = 0; i < points; ++i) rim.points[i] = GraphPoint{in.Float(), in.Float()};
  rim.surfaceCount = in.Byte();
  rim.surfaces = static_cast<RimSurface*>(std::calloc(size_t(rim.surfaceCount) + 1, sizeof(RimSurface)));
  for (int i = 0; i < rim.surfaceCount; ++i) {
    RimSurface& s = rim.surfaces[i];
    s.first = in.Byte() % 32;
    s.second = in.Byte() % 32;
    s.group = in.Byte() % 20;
    s.mapping = in.Byte() % 6;
  }
  rim.mappingCount = in.Byte() % 5;
  rim.mappings = static_cast<ModelMapping*>(std::calloc(size_t(rim.mappingCount) + 1, sizeof(ModelMapping)));
  for (int i = 0; i < rim.mappingCount; ++i) {
    rim.mappings[i].Init(0);
    std::snprintf(rim.mappings[i].name, CUTOUT_NAME_SIZE, "%s", in.Byte() & 1 ? SPOKE_MAPPING_NAME : "M1_rim");
    rim.mappings[i].colour = in.Word();
  }
  rim.secondByte = uint8_t(in.Byte());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = (Prepare(), true);
  (void)ready;
  if (size < 1 + WHEEL_SET_RECORD_SIZE) return 0;
  Input in{data, size, 0};
  const int version = 248 + in.Byte() % 5;
  SuspensionBlock set{};
  {
    std::vector<uint8_t> image = {'Q', 'X', 'W', 'S', 'E', 'T', uint8_t(version >> 8), uint8_t(version)};
    image.insert(image.end(), data + 1, data + 1 + WHEEL_SET_RECORD_SIZE);
    DataFile f;
    int32_t read = 0;
    if (f.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "QXWSET", &read, 252)) set.Read(f, version);
    f.Close();
    in.at += WHEEL_SET_RECORD_SIZE;
  }
  const uint8_t flags = in.Byte();
  const int segments = in.Byte();
  SetupTyre(set, flags & 1, 0.0f);
  WXS rim;
  ReadRawRim(in, rim);
  const int cut = BuildRimProfile(set, &rim, RimProfileFlags{flags & 1, flags >> 1 & 1, flags >> 2 & 1});
  const WheelProfile& p = set.profile;
  Require(cut >= -1 && cut < int(rim.surfaceCount));
  Require(p.pointCount >= 12 && p.pointCount <= PROFILE_POINTS);
  Require(p.surfaceCount >= 11 && p.surfaceCount <= PROFILE_SURFACES);
  for (int s = 0; s < p.surfaceCount; ++s)
    Require(p.surfaces[s].first < uint32_t(p.pointCount) && p.surfaces[s].second < uint32_t(p.pointCount));

  GouraudColour colours[PROFILE_POINTS];
  ProfileColours(p, colours);
  const LatheTexturePage page{{int32_t(in.Word()), int32_t(in.Word())},
                              {int32_t(in.Word() % 200000), int32_t(in.Word() % 200000)},
                              {in.Byte(), in.Byte(), in.Byte(), in.Byte()}};
  GouraudO3d mesh;
  mesh.Init();
  BuildLatheMesh(p, colours, mesh, segments, flags & 8 ? &page : nullptr, 1.0f + float(flags >> 4), nullptr);
  Require(mesh.pointCount % (segments < 1 ? 1 : segments) == 0);
  for (int t = 0; t < mesh.triangleCount; ++t)
    for (uint16_t index : mesh.triangles[t].index) Require(index < mesh.pointCount);
  for (int i = 0; i < mesh.pointCount; ++i)
    Require(mesh.points[i].colour >= colours && mesh.points[i].colour < colours + PROFILE_POINTS);
  mesh.Free();

  // The rest as plate texts.
  PlateSlotText texts[PLATES_PER_PAGE] = {};
  for (int k = 0; k < PLATES_PER_PAGE && in.at < in.size; ++k) {
    char text[PLATE_TEXT_SIZE + 1] = {};
    for (int i = 0; i < PLATE_TEXT_SIZE; ++i) text[i] = char(in.Byte());
    texts[k] = MakePlateText(text);
  }
  static std::vector<uint16_t> canvas;
  DrawPlateCanvas(texts, canvas);
  Require(canvas.size() == size_t(PLATE_CANVAS_SIZE) * PLATE_CANVAS_SIZE);
  static std::vector<uint8_t> colour, alpha;
  if (colour.empty()) {
    PlatePictures(canvas, colour, alpha);
    Require(colour.size() == size_t(PLATE_TEXTURE_SIZE) * PLATE_TEXTURE_SIZE * 4 && alpha.size() == colour.size());
  }
  return 0;
}
