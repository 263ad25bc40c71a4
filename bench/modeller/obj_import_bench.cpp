// obj_import_bench.cpp - the modeller's OBJ import against tinyobjloader (Debian's
// libtinyobjloader-dev), in one process:
//  - a generated file of 1,000,000 triangles over 32,000 vertices with texture and normal lines
//    (every face read and resolved, 32,768 kept, the points merged and the groups numbered),
//    both reading the text from memory, the best of 7 runs; prints the MB/s of both and their
//    ratio (target: at least 2.5);
//  - every .obj of Debian's assimp-testmodels (when installed), each read from its path to
//    triangles by both, the best of 30 runs; prints per file tinyobjloader's time over ours
//    (target: at least 1 where both read it; a file we refuse is refused no later than
//    tinyobjloader reads it whole).
//
//   build/bench/bench_modeller_obj
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/fixed_math.h"
#include "model/model_object.h"
#include "modeller/files/obj_import.h"
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

constexpr const char* TEST_MODELS = "/usr/share/assimp/models/OBJ";
constexpr int FILE_RUNS = 30;

struct TestModel {
  std::string name, path;
  size_t bytes = 0;
  bool ours = false, theirs = false;  // read to the end by each
};
// The test models' .obj files in name order.
std::vector<TestModel>& TestModels() {
  static std::vector<TestModel> models = [] {
    std::vector<TestModel> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(TEST_MODELS, error))
      if (entry.path().extension() == ".obj")
        found.push_back({entry.path().filename().string(), entry.path().string(), size_t(entry.file_size(error))});
    std::sort(found.begin(), found.end(), [](const TestModel& a, const TestModel& b) { return a.name < b.name; });
    return found;
  }();
  return models;
}

// Each reader takes the file from its path, as the object editor's OBJ button does, to
// triangles: ours through ImportObjFile, tinyobjloader with its defaults (faces triangulated,
// the material library the file names read from the file's folder).
void BM_ObjFileOurs(benchmark::State& state, TestModel* model) {
  for (auto _ : state) {
    ModelObject o;
    o.Init();
    model->ours = ImportObjFile(o, nullptr, model->path.c_str()) != 0;
    o.Free();
    // The lines an import says stay, as in the program, until they would crowd out others.
    if (MessageLineCount > MESSAGE_LINE_COUNT / 2) ResetMessages();
  }
}

#if ZKT_HAVE_TINYOBJLOADER
void BM_ObjFileTheirs(benchmark::State& state, TestModel* model) {
  const std::string folder = std::string(TEST_MODELS) + "/";
  for (auto _ : state) {
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    model->theirs = tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, model->path.c_str(), folder.c_str());
    benchmark::DoNotOptimize(shapes.data());
  }
}
#endif

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
#endif

// Each run's time per iteration in seconds by its name; of repeated runs, the best.  The test
// models' many runs are summed up at the end instead of printed.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> seconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    if (!runs.empty() && runs[0].run_name.function_name.rfind("BM_ObjFile", 0) != 0) ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      const std::string& name = run.run_name.function_name;
      const double time = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
      const auto known = seconds.find(name);
      if (known == seconds.end() || time < known->second) seconds[name] = time;
    }
  }
};

constexpr int LARGE_FILE_RUNS = 7;

// Both readers of the generated file, 7 runs each, and of each test model, 30 runs each, taken
// in turns (ours, theirs, the next file; round after round), so that a spell of load on the
// machine falls on both alike.
void RegisterInTurns() {
  for (int round = 0; round < LARGE_FILE_RUNS; ++round) {
    benchmark::RegisterBenchmark("BM_ObjImport", BM_ObjImport)->Unit(benchmark::kMillisecond)->Iterations(1);
#if ZKT_HAVE_TINYOBJLOADER
    benchmark::RegisterBenchmark("BM_Tinyobjloader", BM_Tinyobjloader)->Unit(benchmark::kMillisecond)->Iterations(1);
#endif
  }
  for (int round = 0; round < FILE_RUNS; ++round)
    for (TestModel& model : TestModels()) {
      benchmark::RegisterBenchmark(("BM_ObjFileOurs/" + model.name).c_str(), BM_ObjFileOurs, &model)
          ->Unit(benchmark::kMicrosecond)
          ->MinTime(0.005);
#if ZKT_HAVE_TINYOBJLOADER
      benchmark::RegisterBenchmark(("BM_ObjFileTheirs/" + model.name).c_str(), BM_ObjFileTheirs, &model)
          ->Unit(benchmark::kMicrosecond)
          ->MinTime(0.005);
#endif
    }
}

// Per test model: both best times, tinyobjloader's over ours, and what each made of the file.
void PrintTestModels(const SummaryReporter& reporter) {
  if (TestModels().empty() || reporter.seconds.count("BM_ObjFileOurs/" + TestModels()[0].name) == 0) return;
  std::printf("\nThe test models of %s, best of %d runs (ratio: tinyobjloader's time over ours; target: at least 1):\n",
              TEST_MODELS, FILE_RUNS);
  double lowest = 0;
  std::vector<double> ratios;
  for (const TestModel& model : TestModels()) {
    const auto ours = reporter.seconds.find("BM_ObjFileOurs/" + model.name);
    const auto theirs = reporter.seconds.find("BM_ObjFileTheirs/" + model.name);
    if (ours == reporter.seconds.end() || theirs == reporter.seconds.end()) continue;
    const double ratio = theirs->second / ours->second;
    std::printf("  %-32s %7zu bytes  ours %9.2f us  tinyobjloader %9.2f us  ratio %5.2f%s\n", model.name.c_str(),
                model.bytes, ours->second * 1e6, theirs->second * 1e6, ratio,
                model.ours ? "" : (model.theirs ? "  (we refuse it)" : "  (neither reads it)"));
    if (!model.ours || !model.theirs) continue;
    ratios.push_back(ratio);
    lowest = ratios.size() == 1 ? ratio : std::min(lowest, ratio);
  }
  if (ratios.empty()) return;
  std::sort(ratios.begin(), ratios.end());
  std::printf("Read by both: %zu files, lowest ratio %.2f, median %.2f\n", ratios.size(), lowest,
              ratios[ratios.size() / 2]);
}

}  // namespace

int main(int argc, char** argv) {
  SetDefaultTextColours();
  InitSinCosTables();
  MessagesToStdout = 0;
  benchmark::Initialize(&argc, argv);
  RegisterInTurns();
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintTestModels(reporter);
  const double ours = reporter.seconds["BM_ObjImport"];
  const double theirs = reporter.seconds["BM_Tinyobjloader"];
  const double megabytes = ours > 0 || theirs > 0 ? double(ObjText().size()) / 1e6 : 0.0;  // made before the timing
  if (megabytes > 0)
    std::printf("\nOBJ import of %.1f MB (%d triangles): ours %.1f MB/s, tinyobjloader %.1f MB/s, ratio %.2f "
              "(target: at least 2.5)\n",
              megabytes, FACES, ours > 0 ? megabytes / ours : 0.0, theirs > 0 ? megabytes / theirs : 0.0,
              ours > 0 && theirs > 0 ? theirs / ours : 0.0);
  benchmark::Shutdown();
  return 0;
}
