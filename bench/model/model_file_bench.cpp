// model_file_bench.cpp - reading a 200,000-triangle model from memory with the model reader,
// beside a memcpy of the same bytes and a plain loop that decodes the same fields without
// any check.  Target: the reader within 3x of the plain loop.  The last lines printed give
// the three speeds in MB/s and the ratio.
//
//   build/bench/bench_modeller
//
// The model is a main object and three subobjects (a record holds at most 65,535
// triangles), each a 125 x 200 grid of quads over eight mappings and cutouts.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "model/model_file.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "tools/model_gen/model_builder.h"

namespace {

constexpr int GRID_X = 125, GRID_Y = 200;  // quads: 50,000 triangles a record
constexpr int RECORDS = 4;
constexpr int MAPPINGS = 8;

void FillGrid(ModelObject& o, const char* name) {
  o.Init();
  std::strncpy(o.name, name, sizeof o.name - 1);
  ModelBuilder b;
  b.Page(PAGE_FIXED, "bench_page");
  for (int m = 0; m < MAPPINGS; ++m) {
    char label[16];
    std::snprintf(label, sizeof label, "part %d", m);
    b.AddCutout(label, 0, 16, 16, 16 * m, 0, CutoutMaterial{0, 0, 0, 0, {255, 255, 255}, 0});
    b.AddMapping(label, m, m, DIRECTION_TOP, 1, 1, 0xFFFFFF);
  }
  for (int y = 0; y <= GRID_Y; ++y)
    for (int x = 0; x <= GRID_X; ++x) b.Point(x * 0.01, y * 0.01, ((x * 7 + y * 3) % 11) * 0.001);
  for (int y = 0; y < GRID_Y; ++y)
    for (int x = 0; x < GRID_X; ++x) {
      const int p = y * (GRID_X + 1) + x;
      b.mapping = (x / 16 + y / 25) % MAPPINGS;
      b.layer = y % 4;
      b.Quad(p, p + 1, p + GRID_X + 2, p + GRID_X + 1);
    }
  b.Into(o);
}

const std::vector<uint8_t>& ModelBody() {
  static const std::vector<uint8_t> body = [] {
    ModelObject model;
    FillGrid(model, "bench");
    std::vector<ModelObject> children(RECORDS - 1);
    for (ModelObject& child : children) {
      FillGrid(child, "part");
      child.type = SUBOBJECT_ATTACHMENT;
    }
    SetChildren(model, children);
    std::vector<uint8_t> bytes = ModelRecordBytes(model, 1, 1);
    model.Free();
    return bytes;
  }();
  return body;
}

const std::vector<uint8_t>& ModelImage() {
  static const std::vector<uint8_t> image = ModelFileImage(ModelBody(), MODEL_FILE_VERSION);
  return image;
}

// ---- the model reader ----

void BM_ModelReader(benchmark::State& state) {
  const std::vector<uint8_t>& image = ModelImage();
  int triangles = 0;
  for (auto _ : state) {
    DataFile file;
    int32_t version;
    file.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), MODEL_FILE_MAGIC, &version, MODEL_FILE_VERSION);
    ModelObject model;
    model.Init();
    if (!ReadModelObject(model, file, version, 1, MODEL_READ_OBJECT, 1, nullptr)) state.SkipWithError("read failed");
    triangles = model.triangleCount;
    for (int c = 0; c < model.childCount; ++c) triangles += model.children[c].triangleCount;
    file.Close();
    model.Free();
  }
  if (triangles != RECORDS * GRID_X * GRID_Y * 2) state.SkipWithError("triangles lost");
  state.SetBytesProcessed(state.iterations() * int64_t(ModelBody().size()));
}
BENCHMARK(BM_ModelReader)->Unit(benchmark::kMillisecond);

// ---- memcpy ----

void BM_MemcpySameBytes(benchmark::State& state) {
  const std::vector<uint8_t>& body = ModelBody();
  std::vector<uint8_t> target(body.size());
  for (auto _ : state) {
    std::memcpy(target.data(), body.data(), body.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t(body.size()));
}
BENCHMARK(BM_MemcpySameBytes)->Unit(benchmark::kMillisecond);

// ---- the plain loop: the same fields into the same records, nothing checked ----

struct Cursor {
  const uint8_t* p;
  int U8() { return *p++; }
  int U16() {
    const int v = p[0] | p[1] << 8;
    p += 2;
    return v;
  }
  int32_t I32() {
    const int32_t v = static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                                           uint32_t{p[3]} << 24);
    p += 4;
    return v;
  }
  void Bytes(void* to, int n) {
    std::memcpy(to, p, n);
    p += n;
  }
};

template <typename T>
T* Array(int count) {
  return count > 0 ? static_cast<T*>(std::calloc(count, sizeof(T))) : nullptr;
}

void PlainDecode(Cursor& in, ModelObject& o, bool layerNames) {
  in.U8();
  o.type = uint8_t(in.U8());
  o.sideFunction = uint8_t(in.U8());
  o.lodCount = uint8_t(in.U8());
  in.Bytes(o.name, MODEL_NAME_SIZE);
  o.options = uint16_t(in.U16());
  o.groupCount = uint16_t(in.U16());
  for (int i = 0; i < o.lodCount; ++i) o.lodDistances[i] = in.I32();
  o.pointCount = uint16_t(in.U16());
  o.triangleCount = uint16_t(in.U16());
  o.childCount = uint16_t(in.U16());
  o.colourChoiceCount = uint8_t(in.U8());
  in.U8();
  for (int16_t& a : o.angles) a = int16_t(in.U16());
  o.angleExtra = uint16_t(in.U16());
  for (int32_t& v : o.offset) v = in.I32();
  o.points = Array<ModelPoint>(o.pointCount);
  for (int i = 0; i < o.pointCount; ++i) {
    ModelPoint& p = o.points[i];
    p.flags = uint8_t(in.U8());
    p.bone = uint8_t(in.U8());
    in.U16();
    p.x = in.I32(), p.y = in.I32(), p.z = in.I32();
  }
  o.triangles = Array<ModelTriangle>(o.triangleCount);
  for (int i = 0; i < o.triangleCount; ++i) {
    ModelTriangle& t = o.triangles[i];
    t.flags = uint8_t(in.U8()), t.layer = uint8_t(in.U8()), t.mapping = uint8_t(in.U8());
    t.normalLevel = uint8_t(in.U8()), t.lod = uint8_t(in.U8()), t.group = uint8_t(in.U8());
    for (uint16_t& c : t.corners) c = uint16_t(in.U16());
  }
  o.colourChoices = Array<ColourWord>(o.colourChoiceCount);
  for (int i = 0; i < o.colourChoiceCount; ++i) o.colourChoices[i] = ColourWord(in.I32());
  o.pageCount = in.I32();
  o.pages = Array<TexturePage>(o.pageCount);
  for (int i = 0; i < o.pageCount; ++i) {
    o.pages[i].type = uint8_t(in.U8());
    in.Bytes(o.pages[i].stored, 3);
    in.Bytes(o.pages[i].name, MODEL_NAME_SIZE);
  }
  o.cutoutCount = in.I32();
  o.cutouts = Array<Cutout>(o.cutoutCount);
  for (int i = 0; i < o.cutoutCount; ++i) {
    Cutout& c = o.cutouts[i];
    in.Bytes(c.name, CUTOUT_NAME_SIZE);
    c.flags = uint8_t(in.U8()), c.orientation = uint8_t(in.U8()), c.page = uint8_t(in.U8());
    c.stored = uint8_t(in.U8());
    in.Bytes(&c.material, 8);
    in.Bytes(c.region, 4);
  }
  o.mappingCount = in.U16();
  in.U16();
  o.mappings = Array<ModelMapping>(o.mappingCount);
  for (int i = 0; i < o.mappingCount; ++i) {
    ModelMapping& m = o.mappings[i];
    in.Bytes(m.name, CUTOUT_NAME_SIZE);
    m.colour = ColourWord(in.I32());
    m.flags = uint8_t(in.U8());
    in.Bytes(m.work, 3);
    m.direction = uint32_t(in.I32());
    for (int32_t& v : m.offset) v = in.I32();
    m.width = in.I32(), m.height = in.I32();
    m.cutout[0] = uint16_t(in.U16()), m.cutout[1] = uint16_t(in.U16());
  }
  if (layerNames) in.Bytes(o.layerNames, LAYER_NAMES_BYTES);
  o.children = Array<ModelObject>(o.childCount);
  for (int c = 0; c < o.childCount; ++c) PlainDecode(in, o.children[c], false);
}

void BM_PlainDecodeLoop(benchmark::State& state) {
  const std::vector<uint8_t>& body = ModelBody();
  for (auto _ : state) {
    ModelObject model{};
    Cursor in{body.data()};
    PlainDecode(in, model, true);
    benchmark::DoNotOptimize(model.children);
    if (in.p != body.data() + body.size()) state.SkipWithError("decoded a different length");
    model.Free();
  }
  state.SetBytesProcessed(state.iterations() * int64_t(body.size()));
}
BENCHMARK(BM_PlainDecodeLoop)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's MB/s for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> megabytesPerSecond;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto found = run.counters.find("bytes_per_second");
      if (found != run.counters.end()) megabytesPerSecond[run.benchmark_name()] = found->second / 1e6;
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  SetDefaultTextColours();
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double reader = reporter.megabytesPerSecond["BM_ModelReader"];
  const double plain = reporter.megabytesPerSecond["BM_PlainDecodeLoop"];
  const double copy = reporter.megabytesPerSecond["BM_MemcpySameBytes"];
  std::printf("\nmodel of %d triangles, %zu bytes\n", RECORDS * GRID_X * GRID_Y * 2, ModelBody().size());
  std::printf("model reader %.0f MB/s, plain loop %.0f MB/s, memcpy %.0f MB/s\n", reader, plain, copy);
  if (reader > 0 && plain > 0)
    std::printf("plain loop / model reader = %.2f (target: at most 3)\n", plain / reader);
  benchmark::Shutdown();
  return 0;
}
