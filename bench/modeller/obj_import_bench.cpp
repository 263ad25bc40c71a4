// obj_import_bench.cpp - the modeller's OBJ import of a generated file of 1,000,000 triangles
// over 32,000 vertices with texture and normal lines (every face read and resolved, 32,768
// kept, the points merged and the groups numbered), against tinyobjloader (Debian's
// libtinyobjloader-dev) loading the same text; prints the MB/s of both and their ratio.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "core/fixed_math.h"
#include "model/model_object.h"
#include "modeller/obj_import.h"
#include "text/messages.h"
#include "text/text_colours.h"

#if ZKT_HAVE_TINYOBJLOADER
#include <tiny_obj_loader.h>
#endif

namespace {

constexpr int GRID_X = 200, GRID_Y = 160;  // 32,000 vertices
constexpr int FACES = 1000000;

// The vertices on a bumpy grid, one texture coordinate and one normal each, then the faces: the
// grid's cells cut in two, over and over, each corner with its vertex's own vt and vn.
const std::string& ObjText() {
  static const std::string text = [] {
    std::string s;
    s.reserve(40u << 20);
    char line[128];
    for (int j = 0; j < GRID_Y; ++j)
      for (int i = 0; i < GRID_X; ++i) {
        std::snprintf(line, sizeof line, "v %.4f %.4f %.4f\n", i * 0.05, j * 0.05, 0.01 * ((i * 7 + j * 3) % 11));
        s += line;
      }
    for (int j = 0; j < GRID_Y; ++j)
      for (int i = 0; i < GRID_X; ++i) {
        std::snprintf(line, sizeof line, "vt %.4f %.4f\n", double(i) / GRID_X, double(j) / GRID_Y);
        s += line;
      }
    for (int j = 0; j < GRID_Y; ++j)
      for (int i = 0; i < GRID_X; ++i) s += "vn 0 0 1\n";
    int written = 0;
    for (int round = 0; written < FACES; ++round)
      for (int j = 0; j + 1 < GRID_Y && written < FACES; ++j)
        for (int i = 0; i + 1 < GRID_X && written < FACES; ++i) {
          const int a = j * GRID_X + i + 1, b = a + 1, c = a + GRID_X + 1, d = a + GRID_X;
          std::snprintf(line, sizeof line, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, c, c, c);
          s += line;
          std::snprintf(line, sizeof line, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, c, c, c, d, d, d);
          s += line;
          written += 2;
        }
    return s;
  }();
  return text;
}

void BM_ObjImport(benchmark::State& state) {
  const std::string& text = ObjText();
  for (auto _ : state) {
    ModelObject o;
    o.Init();
    const int done = ImportObjMesh(o, nullptr, text.data(), text.size());
    if (!done || o.triangleCount != OBJ_TRIANGLE_LIMIT) state.SkipWithError("the import did not keep 32,768 triangles");
    o.Free();
    ResetMessages();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ObjImport)->Unit(benchmark::kMillisecond)->Iterations(3);

#if ZKT_HAVE_TINYOBJLOADER
void BM_Tinyobjloader(benchmark::State& state) {
  const std::string& text = ObjText();
  for (auto _ : state) {
    std::istringstream in(text);
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, &in, nullptr, false);
    benchmark::DoNotOptimize(shapes.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_Tinyobjloader)->Unit(benchmark::kMillisecond)->Iterations(3);
#endif

class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> seconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) seconds[run.benchmark_name()] = run.GetAdjustedRealTime() / 1000.0;
  }
};

}  // namespace

int main(int argc, char** argv) {
  SetDefaultTextColours();
  InitSinCosTables();
  MessagesToStdout = 0;
  ObjText();  // generated before the timing
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double megabytes = double(ObjText().size()) / 1e6;
  const double ours = reporter.seconds["BM_ObjImport/iterations:3"];
  const double theirs = reporter.seconds["BM_Tinyobjloader/iterations:3"];
  std::printf("\nOBJ import of %.1f MB (%d triangles): ours %.1f MB/s, tinyobjloader %.1f MB/s, ratio %.2f "
              "(target: at least 2)\n",
              megabytes, FACES, ours > 0 ? megabytes / ours : 0.0, theirs > 0 ? megabytes / theirs : 0.0,
              ours > 0 && theirs > 0 ? theirs / ours : 0.0);
  benchmark::Shutdown();
  return 0;
}
