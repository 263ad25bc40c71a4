// vehicle_gen.cpp - writes our sample vehicles, one for each built-in vehicle:
//
//   vehicle_gen --out <working folder> [--seeds <folder>] [--engine-seeds <folder>]
//
// Each sample is written to "data\veh\<name>.veh" through the program's own writer (the one
// whose body is a model of its own first writes "data\veh\<model code>.vob").  The file must
// hold exactly what a counting pass measured and what a write into memory gives, and reading
// it back and writing again must give the same bytes; otherwise the tool fails (and so the
// build).  The samples must look like their names (CheckBodies: bodies of their own unless the
// table says why, no roof over an open car's seats, the limousine longer and the estate's roof
// further back than the saloon's, nothing on the sample page's checker).  Each model must mark
// a body colour, and each must run like its name: its power and its speed at the rev limit in top
// gear within its kind's ranges (RUNNING_RANGES), its speedometer ending at the first 20 km/h
// above that speed.  With --seeds, each sample's body is also written as a seed of the
// vehicle reader's fuzz target, and the wheel of one sample of each layout as a seed of the
// wheel file's fuzz target (its file must read back into the same vehicle to the same
// bytes).  The skins
// the samples' colour sets name are written to "data\skins\<code>_<set>.jpg".  Last it
// writes our engines (sample_engines.h): the neutral engine "data\engine\DEFAULT.eng" (the
// engine the samples name, and every car's fallback) and the others beside it, each checked
// as the vehicles are; with --engine-seeds <folder> each is also written as a seed of the
// engine file's fuzz target.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "core/fixed_math.h"
#include "model/model_file.h"
#include "model/model_meshes.h"
#include "platform/files.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "tools/gen_support/gen_support.h"
#include "tools/model_gen/sample_models.h"
#include "tools/sprite_gen/sprite_shapes.h"
#include "tools/vehicle_gen/sample_engines.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "vehicle_data/dashboard.h"
#include "vehicle_data/engine_file.h"
#include "vehicle_data/vehicle_file.h"
#include "vehicle_data/wheel_file.h"

namespace {

int Fail(const char* name, const char* what) {
  std::fprintf(stderr, "vehicle_gen: %s: %s\n", name, what);
  return 0;
}

// The ".vob" body of a sample that does not store its model, read back to the same bytes.
int WriteModelFile(int row, const VehicleData& data) {
  char path[FILE_PATH_SIZE];
  std::snprintf(path, sizeof path, VEHICLE_MODEL_PATTERN, data.modelCode);
  ModelObject body{};
  BuildSampleBody(row, body);
  const int saved = SaveModelFile(body, nullptr, path, 1);
  body.Free();
  ModelObject back{};
  back.Init();
  const int read = saved && LoadModelFile(back, nullptr, path, 1, data.shortName);
  back.Free();
  return read ? 1 : Fail(path, "the model file does not read back");
}

// The body of the file at path (what follows its header), which must be what a counting pass
// of write measured and what write gives into memory; empty (and said) when it is not.
template <class Write>
std::vector<uint8_t> CheckedBody(const char* path, Write write) {
  std::string file;
  if (FileReadAll(path, file, DATA_FILE_MAX_BODY) != 0) return Fail(path, "cannot be read"), std::vector<uint8_t>{};
  const std::vector<uint8_t> body(file.size() > DATA_FILE_HEADER_SIZE ? file.begin() + DATA_FILE_HEADER_SIZE
                                                                      : file.end(),
                                  file.end());
  DataFile counter{};
  counter.BeginMemoryWrite(0, nullptr);
  write(counter);
  if (counter.writeFailed || counter.size - DATA_FILE_HEADER_SIZE != static_cast<int>(body.size()))
    return Fail(path, "the counting pass differs from the file's length"), std::vector<uint8_t>{};
  if (MemoryWriteBody(write) != body)
    return Fail(path, "written into memory it differs from the file"), std::vector<uint8_t>{};
  return body;
}

// A sample's skin: its paint (the colour set's body colour, which the model's "C" mappings
// also take), a light stripe along the body and a roundel for a number.
int WriteSkin(const SampleSkin& skin) {
  constexpr int PIXELS = 256;
  const auto rgba = [](ColourWord w) { return Rgba{uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), 255}; };
  Canvas c = MakeCanvas(PIXELS, PIXELS, rgba(skin.paint));
  const float n = float(PIXELS);
  FillBar(c, 0.0f, n * 0.62f, n, n * 0.62f, n * 0.05f, Rgba{235, 235, 235, 255});
  FillDisc(c, n * 0.5f, n * 0.36f, n * 0.16f, Rgba{240, 240, 240, 255});
  FillRing(c, n * 0.5f, n * 0.36f, n * 0.14f, n * 0.16f, Rgba{30, 30, 30, 255});
  const std::string path = std::string("data/skins/") + skin.name + ".jpg";
  return WriteJpeg(path, c) ? 1 : Fail(path.c_str(), "cannot be written");
}

// What a sample of each kind may have: its engine's greatest power and its speed at the rev
// limit in top gear of the default set-up.  The Solar has no engine and is held to nothing.
struct RunningRange {
  const char* names;  // the samples of the kind, each between spaces
  float leastKw, mostKw, leastKmh, mostKmh;
};
constexpr RunningRange RUNNING_RANGES[] = {
    {" Runabout ", 40, 110, 140, 190},
    {" Saloon Estate Limousine ", 70, 200, 170, 250},
    {" Tourer Rally ", 120, 300, 190, 260},
    {" Coupe Roadster Endurance Prototype ", 250, 500, 250, 340},
    {" Scooter ", 3, 20, 60, 120},
    {" Trailbike ", 20, 70, 120, 180},
    {" Sportbike ", 80, 160, 240, 310},
    {" Carrier ", 60, 150, 130, 180},
    {" Hauler ", 150, 450, 100, 140},
    {" Racer ", 100, 260, 220, 290},
    {" Sprinter ", 450, 800, 300, 370},
    {" Student ", 30, 90, 110, 160},
    {" Buggy ", 60, 200, 130, 180},
    {" Kart ", 5, 30, 80, 140},
};

// A sample runs like its name: its power and its geared speed within its kind's range, and an
// analog speedometer ending at the first 20 km/h above that speed.
int CheckRunning(int row, const VehicleData& d) {
  const char* name = BuiltinVehicleTable[row].name;
  if (d.transmissionType == TRANSMISSION_NONE) return 1;
  const std::string spaced = std::string(" ") + name + " ";
  const RunningRange* range = nullptr;
  for (const RunningRange& r : RUNNING_RANGES)
    if (std::strstr(r.names, spaced.c_str())) range = &r;
  if (!range) return Fail(name, "has no running range");
  EngineModel engine = d.engine;
  engine.Recompute(d.transmissionType, d.vehicleClass);
  const float kw = engine.maxPower / 1000.0f, kmh = SampleGearedSpeed(d);
  char text[160];
  if (!(kw >= range->leastKw && kw <= range->mostKw)) {
    std::snprintf(text, sizeof text, "%.0f kW, not %.0f-%.0f kW", kw, range->leastKw, range->mostKw);
    return Fail(name, text);
  }
  if (!(kmh >= range->leastKmh && kmh <= range->mostKmh)) {
    std::snprintf(text, sizeof text, "geared for %.0f km/h, not %.0f-%.0f km/h", kmh, range->leastKmh, range->mostKmh);
    return Fail(name, text);
  }
  if (d.dashType == DASH_TYPE_ANALOG_DARK || d.dashType == DASH_TYPE_ANALOG_WHITE) {
    const int dialKmh = 5 * d.dash[DASH_DIALS + DASH_DIAL_MAXIMUM];  // the speedometer's maximum, in 5 km/h steps
    if (!(dialKmh > kmh && dialKmh <= kmh + 20.0f && dialKmh % 20 == 0)) {
      std::snprintf(text, sizeof text, "speedometer ends at %d km/h, geared for %.0f km/h", dialKmh, kmh);
      return Fail(name, text);
    }
  }
  return 1;
}

// A triangle of the object, or of a subobject other than a hub, painted by a mapping named
// "M1" to "M4": a body colour the Colours page offers.
bool MarksBodyColour(const ModelObject& o) {
  for (int t = 0; t < o.triangleCount && o.triangles; ++t) {
    const int m = o.triangles[t].mapping;
    if (m < 0 || m >= o.mappingCount || !o.mappings) continue;
    const char* name = o.mappings[m].name;
    if ((name[0] == 'M' || name[0] == 'm') && name[1] >= '1' && name[1] <= '4') return true;
  }
  for (int i = 0; i < o.childCount && o.children; ++i)
    if (o.children[i].type != SUBOBJECT_HUB && MarksBodyColour(o.children[i])) return true;
  return false;
}

// ---- the bodies ----

// The corners of a triangle of the object in metres (a mirrored corner takes its point's
// mirror image), and its page coordinates through the mapping's cutout c (0 or 1).
struct Corners {
  double p[3][3];
};
Corners CornersOf(const ModelObject& o, const ModelTriangle& t) {
  Corners c{};
  for (int k = 0; k < 3; ++k) {
    const ModelPoint& q = o.points[t.corners[k] & CORNER_INDEX_MASK];
    const double side = (t.corners[k] & CORNER_MIRRORED) ? -1 : 1;
    c.p[k][0] = side * q.x / 65536.0;
    c.p[k][1] = q.y / 65536.0;
    c.p[k][2] = q.z / 65536.0;
  }
  return c;
}
bool TriangleValid(const ModelObject& o, const ModelTriangle& t) {
  if (t.mapping >= o.mappingCount) return false;
  for (uint16_t corner : t.corners)
    if ((corner & CORNER_INDEX_MASK) >= o.pointCount) return false;
  return true;
}

// A roof: a face of the main object, level 0, over a seated head (0.9 m above the seat) and
// facing up more than sideways.
bool IsRoof(const Corners& c, double seatZ) {
  constexpr double HEAD = 0.9;
  for (const auto& p : c.p)
    if (p[2] < seatZ + HEAD) return false;
  const double a[3] = {c.p[1][0] - c.p[0][0], c.p[1][1] - c.p[0][1], c.p[1][2] - c.p[0][2]};
  const double b[3] = {c.p[2][0] - c.p[0][0], c.p[2][1] - c.p[0][1], c.p[2][2] - c.p[0][2]};
  const double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  return std::fabs(n[2]) > std::hypot(n[0], n[1]);
}
// Whether the triangle's plan (x, y) holds the point.
bool PlanHolds(const Corners& c, double x, double y) {
  double sign[3];
  for (int k = 0; k < 3; ++k) {
    const double* a = c.p[k];
    const double* b = c.p[(k + 1) % 3];
    sign[k] = (b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]);
  }
  return (sign[0] >= 0 && sign[1] >= 0 && sign[2] >= 0) || (sign[0] <= 0 && sign[1] <= 0 && sign[2] <= 0);
}

// What the samples' build holds a body to: its length (level 0 of the main object), the
// rearmost point of its roof, and whether a roof lies over a front seat (the driver's or its
// mirror image).
struct BodyMeasure {
  double length = 0, roofBack = 1e9;
  bool roofOverSeats = false;
};
BodyMeasure MeasureBody(const ModelObject& o, const Vec3& seat) {
  BodyMeasure m;
  double front = -1e9, back = 1e9;
  for (int i = 0; i < o.triangleCount && o.triangles; ++i) {
    const ModelTriangle& t = o.triangles[i];
    if (t.lod != 0 || !TriangleValid(o, t)) continue;
    const Corners c = CornersOf(o, t);
    for (const auto& p : c.p) front = std::max(front, p[1]), back = std::min(back, p[1]);
    if (!IsRoof(c, seat.z)) continue;
    for (const auto& p : c.p) m.roofBack = std::min(m.roofBack, p[1]);
    m.roofOverSeats = m.roofOverSeats || PlanHolds(c, seat.x, seat.y) || PlanHolds(c, -seat.x, seat.y);
  }
  m.length = front - back;
  return m;
}

// A triangle of the object or its subobjects whose texture coordinates on the sample page
// reach its checker, which is there to show a mapping gone astray: the name of its mapping.
const char* CheckerMapping(const ModelObject& o) {
  const SampleRegion& checker = FindSampleRegion("checker");
  const double left = checker.left / 128.0, right = (checker.left + checker.width) / 128.0;
  const double top = 1.0 - checker.top / 128.0, bottom = top - checker.height / 128.0;
  for (int i = 0; i < o.triangleCount && o.triangles; ++i) {
    const ModelTriangle& t = o.triangles[i];
    if (!TriangleValid(o, t)) continue;
    const ModelMapping& mapping = o.mappings[t.mapping];
    FixedMatrix matrix;
    mapping.DirectionMatrix(matrix);
    for (const uint16_t cutoutIndex : mapping.cutout) {
      if (cutoutIndex >= o.cutoutCount) continue;
      const Cutout& cutout = o.cutouts[cutoutIndex];
      if (cutout.page >= o.pageCount || std::strcmp(o.pages[cutout.page].name, SAMPLE_PAGE_TEXTURE) != 0) continue;
      double u0 = 1e9, u1 = -1e9, v0 = 1e9, v1 = -1e9;
      for (const uint16_t corner : t.corners) {
        const ModelPoint& q = o.points[corner & CORNER_INDEX_MASK];
        const int32_t source[3] = {(corner & CORNER_MIRRORED) ? -q.x : q.x, q.y, q.z};
        float uv[2];
        ComputeTextureCoordinates(uv, source, mapping, cutout, matrix);
        u0 = std::min(u0, double(uv[0])), u1 = std::max(u1, double(uv[0]));
        v0 = std::min(v0, double(uv[1])), v1 = std::max(v1, double(uv[1]));
      }
      // The page repeats: the checker of every repetition the triangle's box reaches.
      constexpr double EDGE = 1e-4;
      for (double du = std::floor(u0); du <= u1; ++du)
        for (double dv = std::floor(v0); dv <= v1; ++dv)
          if (u1 > left + du + EDGE && u0 < right + du - EDGE && v1 > bottom + dv + EDGE && v0 < top + dv - EDGE)
            return mapping.name;
    }
  }
  for (int i = 0; i < o.childCount && o.children; ++i)
    if (const char* name = CheckerMapping(o.children[i])) return name;
  return nullptr;
}

// The samples look like their names: each body its own unless the table says why it shares
// one, no roof over the seats of the open cars, the limousine longer than the saloon and the
// estate's roof further back, and no triangle on the sample page's checker.
int CheckBodies() {
  constexpr const char* OPEN = " Roadster Buggy Prototype ";
  constexpr double LONGER = 0.6, ROOF_FURTHER = 0.3;
  std::vector<BodyMeasure> measures(BUILTIN_VEHICLE_COUNT);
  int saloon = -1, limousine = -1, estate = -1;
  char text[160];
  for (int row = 0; row < BUILTIN_VEHICLE_COUNT; ++row) {
    const char* name = BuiltinVehicleTable[row].name;
    const SampleVehicle& s = SAMPLE_VEHICLES[row];
    int sharing = 0, unexplained = 0;
    for (int other = 0; other < BUILTIN_VEHICLE_COUNT; ++other)
      if (SAMPLE_VEHICLES[other].body == s.body) {
        ++sharing;
        unexplained += SAMPLE_VEHICLES[other].sharesBody == nullptr;
      }
    if (unexplained > 1) return Fail(name, "shares its body with another sample without a reason in the table");
    if (sharing == 1 && s.sharesBody) return Fail(name, "gives a reason to share a body that no other sample has");
    VehicleData data;
    InitVehicleData(data);
    BuildSampleVehicle(row, data);
    const Vec3 seat = data.driverPosition;
    FreeVehicleData(data);
    ModelObject body{};
    BuildSampleBody(row, body);
    measures[size_t(row)] = MeasureBody(body, seat);
    const char* astray = CheckerMapping(body);
    body.Free();
    if (astray) {
      std::snprintf(text, sizeof text, "the mapping %s reaches the sample page's checker", astray);
      return Fail(name, text);
    }
    const std::string spaced = std::string(" ") + name + " ";
    if (std::strstr(OPEN, spaced.c_str()) && measures[size_t(row)].roofOverSeats)
      return Fail(name, "has a roof over its seats");
    if (std::strcmp(name, "Saloon") == 0) saloon = row;
    if (std::strcmp(name, "Limousine") == 0) limousine = row;
    if (std::strcmp(name, "Estate") == 0) estate = row;
  }
  if (saloon < 0 || limousine < 0 || estate < 0) return Fail("the samples", "lack the saloon, estate or limousine");
  const BodyMeasure &s = measures[size_t(saloon)], &l = measures[size_t(limousine)], &e = measures[size_t(estate)];
  if (!(l.length >= s.length + LONGER)) {
    std::snprintf(text, sizeof text, "%.2f m long, the saloon %.2f m", l.length, s.length);
    return Fail("Limousine", text);
  }
  if (!(e.roofBack <= s.roofBack - ROOF_FURTHER)) {
    std::snprintf(text, sizeof text, "its roof reaches back to %.2f m, the saloon's to %.2f m", e.roofBack, s.roofBack);
    return Fail("Estate", text);
  }
  return 1;
}

int WriteAndCheck(int row, const std::string& seedFolder) {
  const char* name = BuiltinVehicleTable[row].name;
  const int storeModel = SAMPLE_VEHICLES[row].storeModel;
  VehicleData data;
  InitVehicleData(data);
  BuildSampleVehicle(row, data);
  int ok = CheckRunning(row, data);
  if (ok) {
    ModelObject body{};
    BuildSampleBody(row, body);
    ok = MarksBodyColour(body) || Fail(BuiltinVehicleTable[row].name, "its model marks no body colour");
    body.Free();
  }
  ok = ok && (storeModel || WriteModelFile(row, data));
  for (const SampleSkin& skin : SampleSkins(data)) ok = ok && WriteSkin(skin);
  char path[FILE_PATH_SIZE];
  std::snprintf(path, sizeof path, VEHICLE_FILE_PATTERN, name);
  std::vector<uint8_t> body, again;
  ok = ok && (WriteVehicleFile(data, name, nullptr, storeModel) || Fail(path, "cannot be written"));
  if (ok) body = CheckedBody(path, [&](DataFile& f) { SerializeVehicleData(data, f, name, storeModel); });
  ok = ok && !body.empty();
  FreeVehicleData(data);

  VehicleData back;
  InitVehicleData(back);
  DataFile f;
  int32_t version = 0;
  const VehicleChoice choice{1, 0, 0, nullptr, 0, nullptr};
  ok = ok && (f.OpenRead(nullptr, path, VEHICLE_FILE_MAGIC, &version, VEHICLE_FILE_VERSION, 0) ||
              Fail(path, "does not open"));
  if (ok) {
    const int read = ReadVehicleData(back, f, version, name, choice);
    f.Close();
    if (!read) {
      char text[FILE_PATH_SIZE + 128];
      FormatVehicleReadFailure(text, sizeof text, path);
      ok = Fail(path, text);
    }
  }
  ok = ok && ((WriteVehicleBody(back, name, storeModel, again) && again == body) ||
              Fail(path, "read and written again it differs"));
  FreeVehicleData(back);
  return ok && WriteGenSeed("vehicle_gen", seedFolder, std::string(name) + ".seed",
                            {VEHICLE_FILE_VERSION - VEHICLE_FILE_LOWEST_VERSION, 1}, body);
}

// The wheel of a sample as the wheel file holds it, read back into the same vehicle to the same
// bytes; its seed is the vehicle's rear rim (width and radius in 2 mm steps, inner depth in mm)
// and then the whole file.
int WriteWheelSeed(int row, const std::string& seedFolder) {
  const char* name = BuiltinVehicleTable[row].name;
  const auto image = [](const VehicleData& d) {
    return DataFileImage(WHEEL_FILE_MAGIC, MemoryWriteBody([&](DataFile& f) { WriteWheelBody(d, f); }),
                         WHEEL_FILE_VERSION);
  };
  VehicleData data, back;
  InitVehicleData(data);
  BuildSampleVehicle(row, data);
  InitVehicleData(back);
  BuildSampleVehicle(row, back);
  const std::vector<uint8_t> written = image(data);
  DataFile f;
  int32_t version = 0;
  int ok = f.OpenReadMemory(nullptr, written.data(), int64_t(written.size()), WHEEL_FILE_MAGIC, &version,
                            WHEEL_FILE_VERSION) &&
           ReadWheelBody(back, f, version) == WHEEL_READ_OK;
  f.Close();
  ok = ok ? SameBytesBack("vehicle_gen", name, written, image(back), "its wheel") : Fail(name, "its wheel does not read back");
  const SuspensionBlock& rear = data.wheelSets[0];
  const std::vector<uint8_t> head = {uint8_t(std::lround(rear.rimWidth * 500.0f)),
                                     uint8_t(std::lround(rear.rimRadius * 500.0f)), rear.rimInnerDepthMm};
  FreeVehicleData(data);
  FreeVehicleData(back);
  return ok && WriteGenSeed("vehicle_gen", seedFolder, std::string(name) + ".whl.seed", head, written);
}

// A sample engine, written through the save dialog's writer: the file must hold what a
// counting pass measured and what a write into memory gives, and read back it must write the
// same bytes.  With a seed folder, also a seed of the engine file's fuzz target.
int WriteSampleEngine(int index, const std::string& seedFolder) {
  const SampleEngine& s = SAMPLE_ENGINES[index];
  char path[FILE_PATH_SIZE];
  std::snprintf(path, sizeof path, ENGINE_FILE_PATTERN, s.name);
  EngineModel engine{};
  BuildSampleEngine(index, engine);
  const auto write = [&s](EngineModel& e) { return [&e, &s](DataFile& f) { e.Write(f, 0, s.electric); }; };
  int ok = SaveEngine(nullptr, s.name, engine, s.electric) || Fail(path, "cannot be written");
  std::vector<uint8_t> body;
  if (ok) body = CheckedBody(path, write(engine));
  ok = ok && !body.empty();
  EngineModel back{};
  back.Reset();
  ok = ok && (LoadEngine(back, path, nullptr, back) || Fail(path, "does not read back"));
  ok = ok && SameBytesBack("vehicle_gen", path, body, MemoryWriteBody(write(back)));
  engine.FreeWaves();
  back.FreeWaves();
  // The target's head: the container version (from one below the lowest), then the class
  // with the electric motor's bit (tests/fuzz/fuzz_engine_file.cpp).
  const uint8_t version = ENGINE_FILE_VERSION - (ENGINE_FILE_LOWEST_VERSION - 1);
  const uint8_t choice = static_cast<uint8_t>(s.vehicleClass | (s.electric ? 0x40 : 0));
  return ok && WriteGenSeed("vehicle_gen", seedFolder, std::string(s.name) + ".seed", {version, choice}, body);
}

}  // namespace

int main(int argc, char** argv) {
  std::string seeds, engineSeeds;
  for (int i = 1; i + 1 < argc; ++i)  // before the working folder becomes the current one
    if (std::strcmp(argv[i], "--engine-seeds") == 0) engineSeeds = std::filesystem::absolute(argv[++i]).string();
  if (const int failed =
          StartGenTool("vehicle_gen", argc, argv, {"data", "data\\veh", "data\\engine", "data\\skins"}, seeds))
    return failed;
  std::error_code error;
  if (!engineSeeds.empty() && !std::filesystem::create_directories(engineSeeds, error) && error)
    return Fail(engineSeeds.c_str(), "cannot be made"), 1;
  SetDefaultTextColours();
  MessagesToStdout = 1;  // any repair the readers report shows in the build's output
  InitSinCosTables();  // the mappings' directions
  if (!CheckBodies()) return 1;
  for (int row = 0; row < BUILTIN_VEHICLE_COUNT; ++row)
    if (!WriteAndCheck(row, seeds)) return 1;
  for (SampleLayout layout : {LAYOUT_ROAD_CAR, LAYOUT_OPEN_WHEELER, LAYOUT_KART, LAYOUT_VAN, LAYOUT_TWO_WHEELER}) {
    int row = 0;
    while (SAMPLE_VEHICLES[row].layout != layout) ++row;
    if (!WriteWheelSeed(row, seeds)) return 1;
  }
  for (int i = 0; i < SAMPLE_ENGINE_COUNT; ++i)
    if (!WriteSampleEngine(i, engineSeeds)) return 1;
  return 0;
}

