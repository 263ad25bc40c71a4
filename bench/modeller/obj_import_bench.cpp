// obj_import_bench.cpp - the modeller's OBJ import against tinyobjloader (Debian's
// libtinyobjloader-dev, triangulating as by default), in one process, in pairs: one call of
// each reader, the order alternating from pair to pair, and per file the median of the pairs'
// ratios (tinyobjloader's time over ours), so that a spell of load on the machine falls on
// both alike.
//  - every .obj of Debian's assimp-testmodels (when installed), each read from its path with
//    the material library from the file's folder, 201 pairs, the files taken in turns within a
//    round (target: at least 1 on every file; a file we refuse is refused no later than
//    tinyobjloader reads it whole);
//  - two generated files read from memory, every line read and every face checked by both:
//    (a) 32,000 v, vt and vn lines and 853,000 faces "f a/a/a ...", half triangles, half
//    quads, a g line every 20,000 faces; (b) 30,000 v lines and 2,870,000 faces "f a b c";
//    15 pairs each (target: at least 2.5), with each reader's kept triangles.
// Printed last: the load average.
//
//   build/bench/bench_modeller_obj [pairs for the test models] [pairs for the generated files] [one test model]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// (a): the vertices on a bumpy grid of 200 by 160, a texture coordinate and a normal each,
// then the grid's cells over and over, a triangle and a quad in turn, each corner with its
// vertex's own vt and vn, a g line every 20,000 faces.
// (b): the vertices on a grid of 200 by 150, then the cells cut in two over and over.
std::string GeneratedText(bool quads) {
  const int gridX = 200, gridY = quads ? 160 : 150, faces = quads ? 853000 : 2870000;
  std::string s;
  s.reserve(60u << 20);
  char line[128];
  for (int j = 0; j < gridY; ++j)
    for (int i = 0; i < gridX; ++i) {
      std::snprintf(line, sizeof line, "v %.4f %.4f %.4f\n", i * 0.05, j * 0.05, 0.01 * ((i * 7 + j * 3) % 11));
      s += line;
    }
  if (quads) {
    for (int j = 0; j < gridY; ++j)
      for (int i = 0; i < gridX; ++i) {
        std::snprintf(line, sizeof line, "vt %.4f %.4f\n", double(i) / gridX, double(j) / gridY);
        s += line;
      }
    for (int j = 0; j < gridY; ++j)
      for (int i = 0; i < gridX; ++i) s += "vn 0 0 1\n";
  }
  int written = 0;
  while (written < faces)
    for (int j = 0; j + 1 < gridY && written < faces; ++j)
      for (int i = 0; i + 1 < gridX && written < faces; ++i) {
        const int a = j * gridX + i + 1, b = a + 1, c = a + gridX + 1, d = a + gridX;
        if (quads && written % 20000 == 0) {
          std::snprintf(line, sizeof line, "g part%d\n", written / 20000);
          s += line;
        }
        if (!quads)
          std::snprintf(line, sizeof line, "f %d %d %d\n", a, b, c);
        else if (written % 2 == 0)
          std::snprintf(line, sizeof line, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, c, c, c);
        else
          std::snprintf(line, sizeof line, "f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, c, c, c, d, d,
                        d);
        s += line;
        ++written;
      }
  return s;
}

// One call of ours: the seconds it took; kept gets the triangles it kept, -1 when it refused.
template <typename Call>
double TimeOurs(Call call, int& kept) {
  ModelObject o;
  o.Init();
  const Clock::time_point start = Clock::now();
  const int done = call(o);
  o.Free();
  const double seconds = Since(start);
  kept = done ? o.triangleCount : -1;
  // The lines an import says stay, as in the program, until they would crowd out others.
  if (MessageLineCount > MESSAGE_LINE_COUNT / 2) ResetMessages();
  return seconds;
}

#if ZKT_HAVE_TINYOBJLOADER
// One call of tinyobjloader, from a path or from memory: the seconds it took, and the
// triangles it kept (-1 when it failed).
double TimeTheirs(const std::string* path, const std::string* text, int& kept) {
  const std::string folder = path ? std::filesystem::path(*path).parent_path().string() + "/" : "";
  const Clock::time_point start = Clock::now();
  tinyobj::attrib_t attrib;
  std::vector<tinyobj::shape_t> shapes;
  std::vector<tinyobj::material_t> materials;
  std::string warn, err;
  bool done;
  if (path) {
    done = tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path->c_str(), folder.c_str());
  } else {
    std::istringstream in(*text);
    done = tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, &in, nullptr, true);
  }
  size_t corners = 0;
  for (const tinyobj::shape_t& shape : shapes) corners += shape.mesh.indices.size();
  const double seconds = Since(start);
  kept = done ? int(corners / 3) : -1;
  return seconds;
}
#endif

// One reader's side of a file's pairs.
struct Side {
  std::vector<double> seconds;
  int kept = 0;
};
struct Pairs {
  std::string name;
  size_t bytes = 0;
  Side ours, theirs;
  std::vector<double> ratios;  // theirs over ours, per pair

  // One pair, ours first when first is set.
  template <typename Ours, typename Theirs>
  void Run(bool first, Ours ours, Theirs theirs) {
    double a = 0, b = 0;
    if (first) a = ours(this->ours.kept), b = theirs(this->theirs.kept);
    else b = theirs(this->theirs.kept), a = ours(this->ours.kept);
    this->ours.seconds.push_back(a), this->theirs.seconds.push_back(b);
    ratios.push_back(b / a);
  }
  void Print() const {
    std::printf("  %-28s %9zu bytes  ours %10.1f us (%6d kept)  tinyobjloader %10.1f us (%7d kept)  ratio %5.2f%s\n",
                name.c_str(), bytes, Median(ours.seconds) * 1e6, ours.kept, Median(theirs.seconds) * 1e6, theirs.kept,
                Median(ratios), ours.kept < 0 ? (theirs.kept < 0 ? "  (neither reads it)" : "  (we refuse it)") : "");
  }
};

constexpr const char* TEST_MODELS = "/usr/share/assimp/models/OBJ";

void TestModels(int rounds, const char* only) {
  std::vector<Pairs> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(TEST_MODELS, error))
    if (entry.path().extension() == ".obj" && (!only || entry.path().filename() == only))
      files.push_back(Pairs{entry.path().string(), size_t(entry.file_size(error)), {}, {}, {}});
  if (files.empty()) return;
  std::sort(files.begin(), files.end(), [](const Pairs& a, const Pairs& b) { return a.name < b.name; });
  for (int round = 0; round < rounds; ++round)
    for (Pairs& file : files)
      file.Run(
          round % 2 == 0,
          [&](int& kept) {
            return TimeOurs([&](ModelObject& o) { return ImportObjFile(o, nullptr, file.name.c_str()); }, kept);
          },
          [&](int& kept) {
#if ZKT_HAVE_TINYOBJLOADER
            return TimeTheirs(&file.name, nullptr, kept);
#else
            kept = -1;
            return 1.0;
#endif
          });
  std::printf("The test models of %s, %d pairs, medians (ratio: tinyobjloader's time over ours, target: at least 1):\n",
              TEST_MODELS, rounds);
  double lowest = 1e9;
  for (Pairs& file : files) {
    file.name = std::filesystem::path(file.name).filename().string();
    file.Print();
    lowest = std::min(lowest, Median(file.ratios));
  }
  std::printf("Lowest ratio %.2f\n", lowest);
}

void GeneratedFiles(int rounds) {
  std::printf("\nGenerated files from memory, %d pairs, medians (target: at least 2.5):\n", rounds);
  for (bool quads : {true, false}) {
    const std::string text = GeneratedText(quads);
    Pairs file{quads ? "(a) triangles and quads" : "(b) triangles, no vt/vn", text.size(), {}, {}, {}};
    for (int round = 0; round < rounds; ++round)
      file.Run(
          round % 2 == 0,
          [&](int& kept) {
            return TimeOurs([&](ModelObject& o) { return ImportObjMesh(o, nullptr, text.data(), text.size()); },
                            kept);
          },
          [&](int& kept) {
#if ZKT_HAVE_TINYOBJLOADER
            return TimeTheirs(nullptr, &text, kept);
#else
            kept = -1;
            return 1.0;
#endif
          });
    file.Print();
  }
}

}  // namespace

int main(int argc, char** argv) {
  SetDefaultTextColours();
  InitSinCosTables();
  MessagesToStdout = 0;
  const int modelPairs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 201;
  const int generatedPairs = argc > 2 ? std::max(0, std::atoi(argv[2])) : 15;
  TestModels(modelPairs, argc > 3 ? argv[3] : nullptr);
  if (generatedPairs > 0) GeneratedFiles(generatedPairs);
  double load[3] = {0, 0, 0};
  if (FILE* f = std::fopen("/proc/loadavg", "r")) {
    if (std::fscanf(f, "%lf %lf %lf", &load[0], &load[1], &load[2]) != 3) load[0] = load[1] = load[2] = 0;
    std::fclose(f);
  }
  std::printf("Load average %.2f %.2f %.2f\n", load[0], load[1], load[2]);
  return 0;
}
