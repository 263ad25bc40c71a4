// obj_import_test.cpp - the OBJ importer against files other programs made (Debian's
// assimp-testmodels, their vertices and faces read by tinyobjloader), against the cases its
// rules name, and the fast point merge against the plain scan it replaces.
#include "modeller/files/obj_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <random>
#include <string>
#include <vector>

#include "model/model_object.h"
#include "modeller/files/face_triangles.h"
#include "platform/files.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/dialogs.h"

#if ZKT_HAVE_TINYOBJLOADER
#include <tiny_obj_loader.h>
#endif

namespace {

constexpr const char* ASSIMP_OBJ = "/usr/share/assimp/models/OBJ/";
constexpr const char* ASSIMP_INVALID = "/usr/share/assimp/models/invalid/";

class ObjImportTest : public ::testing::Test {
 protected:
  ModelObject object{};
  void SetUp() override {
    SetDefaultTextColours();
    ResetMessages();
    ResetDialogs();
    object.Init();
  }
  void TearDown() override {
    object.Free();
    ResetMessages();
  }
  // Imports the text (no screen: a stop's message box becomes a message line).
  int Import(const std::string& text) {
    object.Free();
    object.Init();
    ResetMessages();
    return ImportObjMesh(object, nullptr, text.data(), text.size());
  }
  static bool Said(const std::string& text) {
    for (int i = 0; i < MessageLineCount; ++i)
      if (std::string(MessageLines[i].text) == text) return true;
    return false;
  }
  static std::string Lines() {
    std::string all;
    for (int i = 0; i < MessageLineCount; ++i) all += std::string(MessageLines[i].text) + " | ";
    return all;
  }
  std::array<int32_t, 3> Position(uint16_t corner) const {
    const ModelPoint& p = object.points[corner & CORNER_INDEX_MASK];
    return {p.x, p.y, p.z};
  }
  using Triangle = std::array<std::array<int32_t, 3>, 3>;
  Triangle Corners(int t) const {
    const uint16_t* c = object.triangles[t].corners;
    return {Position(c[0]), Position(c[1]), Position(c[2])};
  }
};

// The same triangle when one is a rotation of the other.
bool SameUpToRotation(const std::array<std::array<int32_t, 3>, 3>& a, const std::array<std::array<int32_t, 3>, 3>& b) {
  for (int r = 0; r < 3; ++r)
    if (a[0] == b[r] && a[1] == b[(r + 1) % 3] && a[2] == b[(r + 2) % 3]) return true;
  return false;
}



using Position3 = std::array<int32_t, 3>;
using Corners3 = std::array<Position3, 3>;

int32_t Fixed(float v) { return int32_t(std::nearbyint(double(v) * 65536.0)); }

#if ZKT_HAVE_TINYOBJLOADER
// The triangles the file's faces give as fans (first, previous, next), in order, with the
// corners at the file's vertices x 65536, less those with two corners at one position (the
// point merge makes them degenerate); dropped counts how many.
struct Reference {
  std::vector<Corners3> triangles;
  int fanned = 0, dropped = 0;
  bool loaded = false;
};
Reference ReferenceOf(const std::string& path, bool plainFaces) {
  Reference r;
  tinyobj::attrib_t attrib;
  std::vector<tinyobj::shape_t> shapes;
  std::vector<tinyobj::material_t> materials;
  std::string warn, err;
  r.loaded = tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path.c_str(), nullptr, false);
  auto at = [&](int v) {
    return Position3{Fixed(attrib.vertices[size_t(3 * v)]), Fixed(attrib.vertices[size_t(3 * v + 1)]),
                     Fixed(attrib.vertices[size_t(3 * v + 2)])};
  };
    auto fan = [&](const std::vector<int>& face) {
    for (size_t k = 2; k < face.size(); ++k) {
      const Corners3 c{at(face[0]), at(face[k - 1]), at(face[k])};
      ++r.fanned;
      if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2])
        ++r.dropped;
      else
        r.triangles.push_back(c);
    }
  };
  if (plainFaces) {
    // tinyobjloader does not read a face line of this length whole: the faces are split here.
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
      if (line.size() < 3 || line[0] != 'f' || line[1] != ' ') continue;
      std::istringstream tokens(line.substr(2));
      std::vector<int> face;
      std::string token;
      while (tokens >> token) face.push_back(std::stoi(token.substr(0, token.find('/'))) - 1);
      fan(face);
    }
    return r;
  }
  // Faces in file order: tinyobjloader keeps each shape's faces in order and the shapes in
  // file order.
  for (const tinyobj::shape_t& shape : shapes) {
    size_t index = 0;
    for (unsigned n : shape.mesh.num_face_vertices) {
      std::vector<int> face;
      for (unsigned k = 0; k < n; ++k) face.push_back(shape.mesh.indices[index + k].vertex_index);
      fan(face);
      index += n;
    }
  }
  return r;
}

// Files made by other programs, whose faces are all convex: every polygon's fan in the file's
// order at the file's coordinates; vt and vn, quads, a 1874-character line, a last line
// without its end and runs of blanks.
TEST_F(ObjImportTest, DebianTestModelsImportAsTheirFaces) {
  struct Case {
    const char* name;
    int dropped;  // -1: not checked
  };
  const Case cases[] = {{"spider.obj", 56},       {"WusonOBJ.obj", -1},           {"box.obj", 0},
                        {"box_longline.obj", 466}, {"box_without_lineending.obj", 0}, {"multiple_spaces.obj", -1}};
  for (const Case& c : cases) {
    const std::string path = std::string(ASSIMP_OBJ) + c.name;
    if (!FileIsRegular(path.c_str())) GTEST_SKIP() << "assimp-testmodels is not installed";
    SCOPED_TRACE(c.name);
    const Reference ref = ReferenceOf(path, std::strcmp(c.name, "box_longline.obj") == 0);
    ASSERT_TRUE(ref.loaded);
    object.Free();
    object.Init();
    ResetMessages();
    ASSERT_EQ(ImportObjFile(object, nullptr, path.c_str()), 1) << Lines();
    if (c.dropped >= 0) {
      EXPECT_EQ(ref.dropped, c.dropped);
    }
    ASSERT_EQ(object.triangleCount, int(ref.triangles.size()));
    for (int t = 0; t < object.triangleCount; ++t)
      ASSERT_TRUE(SameUpToRotation(Corners(t), ref.triangles[size_t(t)])) << "triangle " << t;
    char counts[64];
    std::snprintf(counts, sizeof counts, TEXT_OBJ_COUNTS, object.pointCount, object.triangleCount, object.groupCount);
    EXPECT_TRUE(Said(counts)) << Lines();
    EXPECT_GE(object.groupCount, 1);
  }
}

// A coordinate beyond 1024 m stops the import at its vertex (x = 1442 m, 1e10).
TEST_F(ObjImportTest, DebianFilesBeyondTheBoundsStopAtTheirVertex) {
  for (const char* name : {"regr01.obj", "number_formats.obj"}) {
    const std::string path = std::string(ASSIMP_OBJ) + name;
    if (!FileIsRegular(path.c_str())) GTEST_SKIP() << "assimp-testmodels is not installed";
    SCOPED_TRACE(name);
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path.c_str(), nullptr, false);
    int first = -1;
    for (size_t v = 0; v < attrib.vertices.size() / 3 && first < 0; ++v)
      for (int i = 0; i < 3; ++i)
        if (std::fabs(attrib.vertices[3 * v + size_t(i)]) > 1024.0f) first = int(v) + 1;
    ASSERT_GT(first, 0);
    object.Free();
    object.Init();
    ResetMessages();
    EXPECT_EQ(ImportObjFile(object, nullptr, path.c_str()), 0);
    char text[64];
    std::snprintf(text, sizeof text, TEXT_OBJ_VERTEX_OUT_OF_BOUNDS, first);
    EXPECT_TRUE(Said(text + (" ^L" + path))) << Lines();
  }
}
#endif

TEST_F(ObjImportTest, DebianInvalidFiles) {
  const std::string malformed = std::string(ASSIMP_INVALID) + "malformed.obj";
  if (!FileIsRegular(malformed.c_str())) GTEST_SKIP() << "assimp-testmodels is not installed";
  EXPECT_EQ(ImportObjFile(object, nullptr, malformed.c_str()), 0);
  // The box names the file on its second line ("^L" breaks a message line where a box would).
  EXPECT_TRUE(Said("Face 1 : vertex 2 is out of bounds ^L" + malformed)) << Lines();
  // A bare "f" is shorter than 3 characters: skipped, the rest imports.
  object.Free();
  object.Init();
  ResetMessages();
  EXPECT_EQ(ImportObjFile(object, nullptr, (std::string(ASSIMP_INVALID) + "malformed2.obj").c_str()), 1) << Lines();
  object.Free();
  object.Init();
  ResetMessages();
  EXPECT_EQ(ImportObjFile(object, nullptr, (std::string(ASSIMP_INVALID) + "empty.obj").c_str()), 1);
  EXPECT_TRUE(Said(TEXT_OBJ_NO_VERTICES));
  EXPECT_TRUE(Said("V 0 / T 0 / G 1")) << Lines();
  object.Free();
  object.Init();
  ResetMessages();
  EXPECT_EQ(ImportObjFile(object, nullptr, "data/obj/missing_file.obj"), 0);
  EXPECT_TRUE(Said("File not found : data/obj/missing_file.obj")) << Lines();
}

// The summed areas of the imported triangles, in square metres.
double TrianglesArea(const ModelObject& o) {
  double sum = 0;
  for (int t = 0; t < o.triangleCount; ++t) {
    const uint16_t* c = o.triangles[t].corners;
    const ModelPoint &a = o.points[c[0] & CORNER_INDEX_MASK], &b = o.points[c[1] & CORNER_INDEX_MASK],
                     &d = o.points[c[2] & CORNER_INDEX_MASK];
    const double u[3] = {double(b.x) - a.x, double(b.y) - a.y, double(b.z) - a.z};
    const double v[3] = {double(d.x) - a.x, double(d.y) - a.y, double(d.z) - a.z};
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    sum += std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) / 2.0;
  }
  return sum / 65536.0 / 65536.0;
}

// One face through the points given (in the plane z = 0, or tilted about the x axis by the
// angle given), its corners in order as the list of vertex numbers given (1-based).
std::string OneFace(const std::vector<std::array<double, 2>>& at, const std::vector<int>& face, double tilt = 0) {
  std::string text;
  char line[96];
  for (const auto& p : at) {
    std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", p[0], p[1] * std::cos(tilt), p[1] * std::sin(tilt));
    text += line;
  }
  text += "f";
  for (int k : face) text += " " + std::to_string(k);
  return text + "\n";
}

std::vector<int> Numbers(int from, int to) {
  std::vector<int> n;
  for (int k = from; k <= to; ++k) n.push_back(k);
  return n;
}

// The signed area of the triangle a, b, c on a plane: above 0 anticlockwise.
double Turn(const std::array<double, 2>& a, const std::array<double, 2>& b, const std::array<double, 2>& c) {
  return ((b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0])) / 2;
}

// Whether two triangles (anticlockwise) share inside: no edge of either has the other wholly
// on its outer side.
bool Overlap(const std::array<std::array<double, 2>, 3>& s, const std::array<std::array<double, 2>, 3>& t) {
  const auto parts = [](const std::array<std::array<double, 2>, 3>& a, const std::array<std::array<double, 2>, 3>& b) {
    for (size_t k = 0; k < 3; ++k) {
      const auto &from = a[k], &to = a[(k + 1) % 3];
      if (Turn(from, to, b[0]) <= 1e-9 && Turn(from, to, b[1]) <= 1e-9 && Turn(from, to, b[2]) <= 1e-9) return true;
    }
    return false;
  };
  return !parts(s, t) && !parts(t, s);
}

// Whether segments ab and cd (in metres, rounded to 1/65536 m) cross at a point inside both.
bool Cross(const std::array<double, 2>& a, const std::array<double, 2>& b, const std::array<double, 2>& c,
           const std::array<double, 2>& d) {
  for (const auto& p : {a, b})
    for (const auto& q : {c, d})
      if (std::hypot(p[0] - q[0], p[1] - q[1]) < 1e-4) return false;  // one end
  return Turn(a, b, c) * Turn(a, b, d) < -1e-12 && Turn(c, d, a) * Turn(c, d, b) < -1e-12;
}

// A concave face is cut into triangles along its outline: they cover the face's own area and
// no more (the fan from the first corner covers parts twice or outside), each turning the
// face's way, no two overlapping and none crossing the ring.  The faces' areas in square
// metres, summed by hand: an L of 3 + 1, a comb of a 7 x 1 m back with four teeth of 1 x 2 m,
// the same with corners where its teeth meet the back on the line of their inner corners, a
// dart of 2 x 2 / 2 - 2 x 1 / 2, a square ring of 16 - 4 cut open to its hole along a seam
// that both sides walk, a 32-sided ring of radii 2 and 1 m so cut, 16 (sin 2pi/32) (4 - 1).
// Rings that touch themselves at a corner: two triangles of 4 meeting at their tips, a 4 x 4
// square with a notch of 2 x 4 / 2 from its top down to a corner of its bottom (that corner
// once more, or a second vertex there), and a 6 x 4 one with two notches of 1 x 4 / 2.
TEST_F(ObjImportTest, ConcaveFacesAreCutToTheirOwnArea) {
  using Flat = std::vector<std::array<double, 2>>;
  const Flat l = {{0, 0}, {3, 0}, {3, 1}, {1, 1}, {1, 2}, {0, 2}};
  const Flat comb = {{0, 0}, {7, 0}, {7, 3}, {6, 3}, {6, 1}, {5, 1}, {5, 3}, {4, 3},
                     {4, 1}, {3, 1}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}};
  Flat combInLine = comb;
  combInLine.insert(combInLine.begin() + 2, {7, 1});
  combInLine.push_back({0, 1});
  const Flat dart = {{0, 0}, {2, 1}, {0, 2}, {1, 1}};
  const Flat square = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {1, 1}, {1, 3}, {3, 3}, {3, 1}};
  Flat round;
  for (int radius = 2; radius >= 1; --radius)
    for (int k = 0; k < 32; ++k) round.push_back({radius * std::cos(k * M_PI / 16), radius * std::sin(k * M_PI / 16)});
  // Round the outside anticlockwise back to its start, across the seam, round the hole the
  // other way, and back across the seam.
  std::vector<int> ringFace = Numbers(1, 32);
  ringFace.push_back(1);
  ringFace.push_back(33);
  for (int k = 64; k >= 33; --k) ringFace.push_back(k);
  const Flat tips = {{0, 0}, {2, 2}, {4, 0}, {4, 4}, {0, 4}};
  const Flat notch = {{0, 0}, {2, 0}, {4, 0}, {4, 4}, {3, 4}, {1, 4}, {0, 4}, {2, 0}};
  const Flat notches = {{0, 0}, {2, 0}, {4, 0}, {6, 0}, {6, 4}, {4.5, 4}, {3.5, 4}, {2.5, 4}, {1.5, 4}, {0, 4}};
  const struct {
    const char* name;
    Flat at;
    std::vector<int> face;
    double tilt, area;
  } cases[] = {
      {"L", l, Numbers(1, 6), 0, 4.0},
      {"L the other way round", l, {6, 5, 4, 3, 2, 1}, 0, 4.0},
      {"L from its reflex corner", l, {4, 5, 6, 1, 2, 3}, 0, 4.0},
      {"L tilted", l, Numbers(1, 6), 0.7, 4.0},
      {"comb", comb, Numbers(1, 16), 0, 7.0 + 4 * 2.0},
      {"comb with corners in line", combInLine, Numbers(1, 18), 0, 7.0 + 4 * 2.0},
      {"dart", dart, {1, 2, 3, 4}, 0, 1.0},
      {"dart from 2", dart, {2, 3, 4, 1}, 0, 1.0},
      {"dart from 3", dart, {3, 4, 1, 2}, 0, 1.0},
      {"dart from its reflex corner", dart, {4, 1, 2, 3}, 0, 1.0},
      {"square ring", square, {1, 2, 3, 4, 1, 5, 6, 7, 8, 5}, 0, 12.0},
      {"round ring", round, ringFace, -1.1, 16 * std::sin(M_PI / 16) * 3},
      {"tips", tips, {1, 2, 3, 4, 2, 5}, 0, 8.0},
      {"notch", notch, {1, 2, 3, 4, 5, 2, 6, 7}, 0, 12.0},
      {"notch to a twin vertex", notch, {1, 2, 3, 4, 5, 8, 6, 7}, 0.3, 12.0},
      {"two notches", notches, {1, 2, 3, 4, 5, 6, 3, 7, 8, 2, 9, 10}, 0, 20.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Import(OneFace(c.at, c.face, c.tilt)), 1) << Lines();
    EXPECT_NEAR(TrianglesArea(object), c.area, 1e-4 * c.area);
    // Back on the face's plane, in metres.
    const auto flat = [&](uint16_t corner) {
      const ModelPoint& p = object.points[corner & CORNER_INDEX_MASK];
      return std::array<double, 2>{p.x / 65536.0, (p.y * std::cos(c.tilt) + p.z * std::sin(c.tilt)) / 65536.0};
    };
    double ring = 0;  // twice the ring's signed area
    for (size_t k = 0; k < c.face.size(); ++k) {
      const auto &a = c.at[size_t(c.face[k] - 1)], &b = c.at[size_t(c.face[(k + 1) % c.face.size()] - 1)];
      ring += a[0] * b[1] - a[1] * b[0];
    }
    std::vector<std::array<std::array<double, 2>, 3>> cut;
    for (int t = 0; t < object.triangleCount; ++t) {
      const uint16_t* k = object.triangles[t].corners;
      std::array<std::array<double, 2>, 3> tri = {flat(k[0]), flat(k[1]), flat(k[2])};
      const double area = Turn(tri[0], tri[1], tri[2]);
      EXPECT_GT(area * ring, 0) << "triangle " << t << " turns against the face";
      if (ring < 0) std::swap(tri[1], tri[2]);
      cut.push_back(tri);
    }
    for (size_t a = 0; a < cut.size(); ++a)
      for (size_t b = a + 1; b < cut.size(); ++b)
        EXPECT_FALSE(Overlap(cut[a], cut[b])) << "triangles " << a << ", " << b;
    // The ring's edges, less the seams walked both ways.
    for (size_t k = 0; k < c.face.size(); ++k) {
      const int from = c.face[k], to = c.face[(k + 1) % c.face.size()];
      bool seam = false;
      for (size_t j = 0; j < c.face.size(); ++j)
        seam |= c.face[j] == to && c.face[(j + 1) % c.face.size()] == from;
      if (seam) continue;
      for (size_t t = 0; t < cut.size(); ++t)
        for (size_t e = 0; e < 3; ++e)
          EXPECT_FALSE(Cross(cut[t][e], cut[t][(e + 1) % 3], c.at[size_t(from - 1)], c.at[size_t(to - 1)]))
              << "triangle " << t << " crosses the ring's edge " << from << "-" << to;
    }
  }
  // The file that showed it: one ring of 66 corners, 0.24550 square metres by the shoelace
  // sum over its outline.
  const std::string path = std::string(ASSIMP_OBJ) + "concave_polygon.obj";
  if (!FileIsRegular(path.c_str())) return;
  object.Free();
  object.Init();
  ResetMessages();
  ASSERT_EQ(ImportObjFile(object, nullptr, path.c_str()), 1) << Lines();
  EXPECT_EQ(object.triangleCount, 64);
  EXPECT_NEAR(TrianglesArea(object), 0.24550, 0.00005);
}

// Shapes of about n corners on the plane z = 0 (in 1/65536 m), anticlockwise, each corner at a
// place of its own.
using Ring = std::vector<std::array<int64_t, 2>>;
constexpr int64_t M = 65536;
// A back 1/64 m high with teeth 1/64 m wide and 7/64 m tall, 1/64 m apart.
Ring TeethComb(int n, std::mt19937&) {
  const int64_t w = M / 64;
  Ring r;
  const int teeth = n / 4;
  r.push_back({0, 0});
  r.push_back({(2 * teeth - 1) * w, 0});
  for (int t = teeth - 1; t >= 0; --t) {
    r.push_back({(2 * t + 1) * w, 8 * w});
    r.push_back({2 * t * w, 8 * w});
    if (t > 0) r.push_back({2 * t * w, w}), r.push_back({(2 * t - 1) * w, w});
  }
  return r;
}
// The comb of the OBJ import bench: teeth 0.01 m wide and 0.02 m apart from 0.1 m up to 1 m.
Ring BenchComb(int n, std::mt19937&) {
  const int teeth = n / 4;
  const auto at = [](double metres) { return int64_t(std::nearbyint(metres * M)); };
  Ring r = {{0, 0}, {at(teeth * 0.02), 0}};
  for (int t = teeth - 1; t >= 0; --t) {
    const double x = t * 0.02;
    r.insert(r.end(), {{at(x + 0.01), at(1)}, {at(x + 0.01), at(0.1)}, {at(x), at(0.1)}, {at(x), at(1)}});
  }
  return r;
}
// A band 0.5 m wide winding out anticlockwise eight times, 1 m further each turn, and back in
// along its inner side.
Ring Spiral(int n, std::mt19937&) {
  Ring r;
  const int half = n / 2;
  for (int side = 0; side < 2; ++side)
    for (int k = 0; k < half; ++k) {
      const int i = side == 0 ? k : half - 1 - k;
      const double angle = 16 * M_PI * i / (half - 1), radius = (2 + angle / (2 * M_PI) - 0.5 * side) * M;
      r.push_back({int64_t(radius * std::cos(angle)), int64_t(radius * std::sin(angle))});
    }
  return r;
}
// Corners round the origin, one in each of n equal angles at a random angle within it and a
// random distance from 0.2 to 16 m.
Ring Star(int n, std::mt19937& random) {
  std::uniform_real_distribution<double> unit(0, 1);
  Ring r;
  for (int k = 0; k < n; ++k) {
    const double angle = 2 * M_PI * (k + 0.1 + 0.8 * unit(random)) / n, radius = (0.2 + 15.8 * unit(random)) * M;
    r.push_back({int64_t(radius * std::cos(angle)), int64_t(radius * std::sin(angle))});
  }
  return r;
}
// Random corners across 16 m, one in each of n equal steps of x, each by a coin in the lower
// or upper half of a 16 m square at a random height; the ring runs along the lower ones left
// to right and back along the others.
Ring Random(int n, std::mt19937& random) {
  std::uniform_real_distribution<double> unit(0, 1);
  Ring below, above;
  for (int k = 0; k < n; ++k) {
    const bool low = k == 0 || k == n - 1 || random() % 2;
    const std::array<int64_t, 2> p = {int64_t((k + 0.1 + 0.8 * unit(random)) * 16 * M / n),
                                      int64_t((low ? 0 : 8) * M + 8 * M * unit(random))};
    (low ? below : above).push_back(p);
  }
  below.insert(below.end(), above.rbegin(), above.rend());
  return below;
}

// Twice the triangle's signed area.
int64_t Twice(const std::array<int64_t, 2>& a, const std::array<int64_t, 2>& b, const std::array<int64_t, 2>& c) {
  return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
}

// Every simple face is cut with a number of orientation tests growing as n log n: from 1,024
// corners to 32 times as many they grow at most 64 times (n log n gives 48, n^1.5 181 and n^2
// 1,024).  The cuts are whole: each triangle anticlockwise or flat, their areas summing to the
// ring's, and each edge of the ring an edge of one triangle the same way, every other edge of
// two triangles, once each way (so, anticlockwise, none overlaps another).
TEST(FaceCut, TestsGrowAsNLogNForEverySimpleFace) {
  const struct {
    const char* name;
    Ring (*shape)(int, std::mt19937&);
  } families[] = {
      {"comb", TeethComb}, {"bench comb", BenchComb}, {"spiral", Spiral}, {"star", Star}, {"random", Random}};
  for (const auto& family : families) {
    SCOPED_TRACE(family.name);
    int64_t tests[2] = {0, 0};
    for (int size = 0; size < 2; ++size) {
      std::mt19937 random(120);
      const Ring ring = family.shape(size == 0 ? 1024 : 32768, random);
      const int n = int(ring.size());
      std::vector<ModelPoint> points(size_t(n), ModelPoint{});
      std::vector<int> corners(static_cast<size_t>(n));
      int64_t area = 0;
      for (int k = 0; k < n; ++k) {
        points[size_t(k)].x = int32_t(ring[size_t(k)][0]), points[size_t(k)].y = int32_t(ring[size_t(k)][1]);
        corners[size_t(k)] = k;
        area += Twice({0, 0}, ring[size_t(k)], ring[size_t((k + 1) % n)]);
      }
      ASSERT_GT(area, 0);
      FaceTriangles cut;
      ASSERT_TRUE(cut.Cut(points.data(), corners.data(), n)) << n;
      tests[size] = cut.Tests();
      const auto& triangles = cut.Triangles();
      ASSERT_EQ(int(triangles.size()), n - 2);
      int64_t sum = 0;
      std::vector<std::pair<int, int>> edges;
      for (const auto& t : triangles) {
        const int64_t twice = Twice(ring[size_t(t[0])], ring[size_t(t[1])], ring[size_t(t[2])]);
        ASSERT_GE(twice, 0);
        sum += twice;
        for (int e = 0; e < 3; ++e) edges.push_back({t[size_t(e)], t[size_t((e + 1) % 3)]});
      }
      EXPECT_EQ(sum, area);
      std::sort(edges.begin(), edges.end());
      for (size_t e = 0; e < edges.size(); ++e) {
        const auto [a, b] = edges[e];
        ASSERT_FALSE(e > 0 && edges[e - 1] == edges[e]) << a << "-" << b << " twice";
        const bool onRing = b == (a + 1) % n;
        ASSERT_EQ(std::binary_search(edges.begin(), edges.end(), std::make_pair(b, a)), !onRing) << a << "-" << b;
      }
    }
    EXPECT_LE(tests[1], 64 * tests[0]) << tests[0] << " tests at 1,024 corners, " << tests[1] << " at 32,768";
  }
}

// Faces degenerate on their plane keep the fan: two corners in a row at one place, no area,
// or a ring wound round twice.
TEST_F(ObjImportTest, DegenerateConcaveFacesKeepTheirFan) {
  const std::vector<std::array<double, 2>> l = {{0, 0}, {3, 0}, {3, 1}, {1, 1}, {1, 2}, {0, 2}};
  const std::vector<std::array<double, 2>> line = {{0, 0}, {3, 0}, {1, 0}, {2, 0}, {0.5, 0}};
  const struct {
    const char* name;
    std::string text;
  } cases[] = {
      {"L with a corner twice in a row", OneFace(l, {1, 2, 3, 4, 4, 5, 6})},
      {"on one line", OneFace(line, Numbers(1, 5))},
      {"L wound twice", OneFace(l, {1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 6})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(Import(c.text), 1) << Lines();
    // The fan's triangles (first, previous, next) by place, those with no surface dropped.
    std::vector<Position3> at;
    std::istringstream lines(c.text);
    std::string word;
    std::vector<Position3> vertices;
    std::vector<int> face;
    while (lines >> word) {
      if (word == "v") {
        double x, y, z;
        lines >> x >> y >> z;
        vertices.push_back({Fixed(float(x)), Fixed(float(y)), Fixed(float(z))});
      } else if (word != "f") {
        face.push_back(std::stoi(word) - 1);
      }
    }
    std::vector<Corners3> fan;
    for (size_t k = 2; k < face.size(); ++k) {
      const Corners3 t{vertices[size_t(face[0])], vertices[size_t(face[k - 1])], vertices[size_t(face[k])]};
      if (t[0] != t[1] && t[1] != t[2] && t[0] != t[2]) fan.push_back(t);
    }
    ASSERT_EQ(object.triangleCount, int(fan.size()));
    for (int t = 0; t < object.triangleCount; ++t) EXPECT_TRUE(SameUpToRotation(Corners(t), fan[size_t(t)])) << t;
  }
}

TEST_F(ObjImportTest, FacesAreFansOverTheFilesVertices) {
  const std::string square = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
  ASSERT_EQ(Import(square + "f 1 2 3 4\n"), 1);
  ASSERT_EQ(object.triangleCount, 2);
  EXPECT_EQ(object.pointCount, 4);
  const Position3 p1{0, 0, 0}, p2{65536, 0, 0}, p3{65536, 65536, 0}, p4{0, 65536, 0};
  EXPECT_TRUE(SameUpToRotation(Corners(0), Corners3{p1, p2, p3}));
  EXPECT_TRUE(SameUpToRotation(Corners(1), Corners3{p1, p3, p4}));
  EXPECT_TRUE(Said("V 4 / T 2 / G 1")) << Lines();

  // Texture indices are ignored: v//vn gives what v/vt/vn gives.
  const std::string normals = square + "vn 0 0 1\nvt 0 0\nvt 1 0\nvt 1 1\n";
  ASSERT_EQ(Import(normals + "f 1//1 2//1 3//1\n"), 1);
  const Corners3 plain = Corners(0);
  ASSERT_EQ(Import(normals + "f 1/1/1 2/2/1 3/3/1\n"), 1);
  EXPECT_EQ(Corners(0), plain);
  EXPECT_EQ(object.pointCount, 4);  // the fourth vertex unused

  // A vertex used with two normal indices becomes two points at one place: the faces are two
  // surfaces, so after the points merge again the edge between them is a hard one (two
  // smoothing groups).  With one normal index they are one surface.
  ASSERT_EQ(Import(square + "f 1//1 2//1 3//1\nf 1//1 3//1 4//1\n"), 1);
  EXPECT_EQ(object.triangles[0].group, object.triangles[1].group);
  EXPECT_EQ(object.groupCount, 1);
  ASSERT_EQ(Import(square + "f 1//1 2//1 3//1\nf 1//2 3//2 4//2\n"), 1);
  EXPECT_EQ(object.pointCount, 4);
  EXPECT_EQ(object.triangleCount, 2);
  EXPECT_NE(object.triangles[0].group, object.triangles[1].group);
  EXPECT_EQ(object.groupCount, 2);
  // Normal indices are 32 bits wide: 1 and 65537 stay apart.
  ASSERT_EQ(Import(square + "f 1//1 2//1 3//1\nf 1//65537 3//65537 4//65537\n"), 1);
  EXPECT_EQ(object.groupCount, 2);
}

// Triangles with two equal corners have no surface: they are out before the surfaces are
// found.  A fan over one repeated vertex ("f 1 2 3" and 33,000 more corners "1", 66 KB) is
// its one triangle, and the rest of its fan past the triangle limit is counted as ever.
TEST_F(ObjImportTest, TrianglesWithTwoEqualCornersJoinNoSurface) {
  std::string fan = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3";
  for (int i = 0; i < 33000; ++i) fan += " 1";
  ASSERT_EQ(Import(fan + "\n"), 1);
  EXPECT_EQ(object.triangleCount, 1);
  EXPECT_TRUE(Said("Too many triangles - limit 32768 - exceeded by 233")) << Lines();  // 33,001 in the fan
  EXPECT_TRUE(Said("V 3 / T 1 / G 1")) << Lines();

  // Two triangles walking the edge 1-2 the same way are two surfaces, and a triangle on that
  // edge with a corner twice does not join them.
  const std::string v = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 -1 0\n";
  ASSERT_EQ(Import(v + "f 1 2 3\nf 1 2 4\n"), 1);
  EXPECT_TRUE(Said("V 4 / T 2 / G 2")) << Lines();
  ASSERT_EQ(Import(v + "f 1 2 3\nf 1 1 2\nf 1 2 4\n"), 1);
  EXPECT_TRUE(Said("V 4 / T 2 / G 2")) << Lines();
  EXPECT_NE(object.triangles[0].group, object.triangles[1].group);

  // A vertex used only by such a triangle, with a normal index of its own, still merges
  // with its twin as before: its points count as used when the points are merged.
  ASSERT_EQ(Import(v + "f 1//1 2//1 3//1\nf 1//2 1//2 2//2\n"), 1);
  EXPECT_TRUE(Said("V 4 / T 1 / G 1")) << Lines();
}

TEST_F(ObjImportTest, VertexLines) {
  // 1024 m is inside, 1024.001 m stops at its vertex; two numbers give the origin.
  ASSERT_EQ(Import("v 1024 -1024 0\nv 1 2\nv 0 0 1\nf 1 2 3\n"), 1);
  EXPECT_EQ(object.points[0].x, 1024 * 65536);
  EXPECT_EQ(object.points[0].y, -1024 * 65536);
  EXPECT_EQ(Import("v 1 1 1\nv 1024.001 0 0\n"), 0);
  EXPECT_TRUE(Said("Vertex 2 is out of bounds")) << Lines();
  // Numbers as "%f" reads them: a '+', exponents, a value that is not finite becomes 0.
  ASSERT_EQ(Import("v +1.5 -2.e1 3.1+e2\nv 1e2 nan inf\nv 0x10 0 0\nf 1 2 3\n"), 1);
  EXPECT_EQ(object.points[0].x, 98304);
  EXPECT_EQ(object.points[0].y, -20 * 65536);
  EXPECT_EQ(object.points[0].z, Fixed(3.1f));
  EXPECT_EQ(object.points[1].x, 100 * 65536);
  EXPECT_EQ(object.points[1].y, 0);
  EXPECT_EQ(object.points[1].z, 0);
  EXPECT_EQ(object.points[2].x, 16 * 65536);
  // Plain decimals of every length about the float's 24 bits and the ten places after the
  // point read as strtof reads them, to the last bit that shows in the fixed point.
  std::mt19937 random(123);
  const char* edges[] = {"16.777216", "16.777217", "1.6777217", "1023.9999999", ".5", "7.", "0.0000000001",
                         "0.16777217", "1000.000001", "0.00000000001", "-0.000000", "+.25"};
  for (int i = 0; i < 3000; ++i) {
    std::string number;
    if (i < int(std::size(edges))) {
      number = edges[i];
    } else {
      number = i % 3 == 0 ? "-" : "";
      if (random() % 5) number += std::to_string(random() % 1024);
      number += ".";
      for (int d = int(random() % 12); d > 0; --d) number += char('0' + random() % 10);
      if (number.back() == '.' && random() % 2) number += "0";
    }
    SCOPED_TRACE(number);
    ASSERT_EQ(Import("v " + number + " " + number + " 0\n"), 1) << Lines();
    EXPECT_EQ(object.points[0].x, Fixed(std::strtof(number.c_str(), nullptr)));
  }
  // A tab is a blank: "1\t2" is two numbers, and a face after a tab is a face.
  ASSERT_EQ(Import("v\t1\t2\t3\nv 0 0 0\nv 0 0 1\nf\t1\t2\t3\n"), 1);
  EXPECT_EQ(object.triangleCount, 1);
  EXPECT_EQ(object.points[0].x, 65536);
  EXPECT_EQ(object.points[0].y, 2 * 65536);
  // Other control characters are dropped; CR LF and CR end lines.
  ASSERT_EQ(Import("v 1 0 0\r\nv 0 1\x01 0\rv 0 0 1\r\nf 1 2 3"), 1);
  EXPECT_EQ(object.pointCount, 3);
  EXPECT_EQ(object.points[0].x, 65536);
  EXPECT_EQ(object.triangleCount, 1);
  // UTF-16 text without a mark reads as its characters: the bytes 0 are dropped too.
  for (const bool bigEndian : {true, false}) {
    std::string wide;
    for (char c : std::string("# a box\x01\r\nv 1 0 0\r\nv\t0 1 0\nv 0 0 1.5\nf 1 2 3\n"))
      wide += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    ASSERT_EQ(Import(wide), 1) << bigEndian;
    EXPECT_EQ(object.pointCount, 3);
    EXPECT_EQ(object.points[0].x, 65536);
    EXPECT_EQ(object.points[1].y, 65536);
    EXPECT_EQ(object.points[2].z, 3 * 32768);
    EXPECT_EQ(object.triangleCount, 1);
  }
  // A byte-order mark, UTF-8 or UTF-16 either way round, is dropped, and the first line with
  // it: each file gives its ASCII text's points and triangles.  A character beyond ASCII in a
  // comment is no line end, though U+660A's UTF-16 bytes hold one and an 'f'.
  const std::u16string files[] = {u"v 1 0 0\r\nv\t0 1 0\nv 0 0 1.5\x01\nf 1 2 3\n",
                                  u"v 9 9 9\nv 0 0 0\nv 1 0 0\n# \u00E9\u660A 1 2 3\nv 0 1 0\nv 5 5 5\nf 2 3 4\n"};
  for (const std::u16string& file : files) {
    std::string ascii, utf8 = "\xEF\xBB\xBF", little = "\xFF\xFE", big = "\xFE\xFF";
    for (char16_t c : file) {
      ascii += c < 128 ? char(c) : '?';
      utf8 += c < 128 ? std::string(1, char(c))
              : c < 0x800 ? std::string{char(0xC0 | c >> 6), char(0x80 | (c & 63))}
                          : std::string{char(0xE0 | c >> 12), char(0x80 | (c >> 6 & 63)), char(0x80 | (c & 63))};
      little += std::string{char(c & 255), char(c >> 8)};
      big += std::string{char(c >> 8), char(c & 255)};
    }
    ASSERT_EQ(Import(ascii), 1) << Lines();
    std::vector<Position3> points;
    for (int p = 0; p < object.pointCount; ++p) points.push_back(Position(uint16_t(p)));
    std::vector<Corners3> triangles;
    for (int t = 0; t < object.triangleCount; ++t) triangles.push_back(Corners(t));
    ASSERT_EQ(triangles.size(), 1u);
    // Each read from memory and from a file (whose UTF-16 is decoded over its own bytes).
    const char* path = "obj_import_encoded.obj";
    for (const std::string& encoded : {utf8, little, big})
      for (const bool fromFile : {false, true}) {
        SCOPED_TRACE(encoded.substr(0, 2) + (fromFile ? " from a file" : " from memory"));
        if (fromFile) {
          std::ofstream(path, std::ios::binary) << encoded;
          object.Free();
          object.Init();
          ResetMessages();
          ASSERT_EQ(ImportObjFile(object, nullptr, path), 1) << Lines();
        } else {
          ASSERT_EQ(Import(encoded), 1) << Lines();
        }
        ASSERT_EQ(object.pointCount, int(points.size()));
        for (int p = 0; p < object.pointCount; ++p) EXPECT_EQ(Position(uint16_t(p)), points[size_t(p)]);
        ASSERT_EQ(object.triangleCount, int(triangles.size()));
        EXPECT_EQ(Corners(0), triangles[0]);
      }
    std::remove(path);
  }
  EXPECT_EQ(Import(std::string("\xFF\xFEv\0x", 5)), 1) << "an odd last byte is no character";
  // A line longer than 1023 characters is read whole.
  std::string face = "f 1 2 3";
  std::string vertices = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n";
  for (int i = 0; i < 600; ++i) face += " 4";  // a degenerate tail of fan triangles
  face += " 4 1\n";
  ASSERT_GT(face.size(), 1023u);
  ASSERT_EQ(Import(vertices + face), 1);
  EXPECT_EQ(object.triangleCount, 2);  // (1 2 3), (1 3 4); the rest degenerate after the merge
  // An empty file.
  ASSERT_EQ(Import(""), 1);
  EXPECT_TRUE(Said(TEXT_OBJ_NO_VERTICES));
  EXPECT_TRUE(Said("V 0 / T 0 / G 1"));
}

TEST_F(ObjImportTest, BadFacesStopWithFaceAndVertex) {
  const std::string v = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\n";
  const struct {
    const char* face;
    const char* message;
  } cases[] = {
      {"f -1 2 3", "Face 2 : vertex 1 is out of bounds"},
      {"f 1 2 5", "Face 2 : vertex 3 is out of bounds"},
      {"f 1 0 3", "Face 2 : vertex 2 is out of bounds"},
      {"f 1 2 1234567890123456", "Face 2 : vertex 3 vert id is too long"},
      {"f 1 2/1234567890123456 3", "Face 2 : vertex 2 uv id is too long"},
      {"f 1 2//1234567890123456 3", "Face 2 : vertex 2 normal id is too long"},
      {"f 1 /2 3", "Face 2 : vertex 2 info is too short"},
      {"f 1 2.5 3", "Face 2 : could not read vertex index of vertex 2"},
      {"f 1 99999999999 3", "Face 2 : could not read vertex index of vertex 2"},
      {"f 1 x 3", "Face 2 : could not read vertex index of vertex 2"},
      {"f 1 2//a 3", "Face 2 : could not read normal index of vertex 2"},
      {"f 1 2//0 3", "Face 2 : normal 2 is out of bounds"},
      // The third corner: face and corner numbers each in their place.
      {"f 1 2 3/1234567890123456", "Face 2 : vertex 3 uv id is too long"},
      {"f 1 2 3//1234567890123456", "Face 2 : vertex 3 normal id is too long"},
      {"f 1 2 /3", "Face 2 : vertex 3 info is too short"},
      {"f 1 2 x", "Face 2 : could not read vertex index of vertex 3"},
      {"f 1 2 3//a", "Face 2 : could not read normal index of vertex 3"},
      {"f 1 2 3//0", "Face 2 : normal 3 is out of bounds"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.face);
    EXPECT_EQ(Import(v + c.face + "\n"), 0);
    EXPECT_TRUE(Said(c.message)) << Lines();
  }
  // Fifteen characters a part are the most: read.
  EXPECT_NE(Import(v + "f 1 2/000000000000001 000000000000003\n"), 0) << Lines();
  EXPECT_NE(Import(v + "f 1 2//000000000000001 3\n"), 0) << "a normal of fifteen characters " << Lines();
  // The faces are bounded by the vertex pass's count, never by the split copies: vertex 5 does
  // not exist though a copy of vertex 1 makes a fifth point.
  EXPECT_EQ(Import(v + "f 1//2 2//2 3//2\nf 5 1 2\n"), 0);
  EXPECT_TRUE(Said("Face 3 : vertex 1 is out of bounds")) << Lines();
}

TEST_F(ObjImportTest, LimitsOfPointsAndTriangles) {
  // 40,000 triangles (a grid of 200 x 100 cells): 32,768 kept, the rest counted.
  std::string text;
  for (int j = 0; j <= 100; ++j)
    for (int i = 0; i <= 200; ++i) text += "v " + std::to_string(i) + " " + std::to_string(j) + " 0\n";
  for (int j = 0; j < 100; ++j)
    for (int i = 0; i < 200; ++i) {
      const int a = j * 201 + i + 1, b = a + 1, c = a + 202, d = a + 201;
      text += "f " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) + " " + std::to_string(d) + "\n";
    }
  ASSERT_EQ(Import(text), 1);
  EXPECT_TRUE(Said("Too many triangles - limit 32768 - exceeded by 7232")) << Lines();
  EXPECT_EQ(object.triangleCount, 32768);
  // A concave face of 16,002 corners 32 times (2.9 MB): past the limit the faces are not cut,
  // their corners - 2 counted all the same, 32 x 16,000 - 32,768.
  std::string combs;
  char line[80];
  for (int t = 3999; t >= 0; --t) {
    std::snprintf(line, sizeof line, "v %.3f 1 0\nv %.3f 0.1 0\nv %.3f 0.1 0\nv %.3f 1 0\n", t * 0.02 + 0.01,
                  t * 0.02 + 0.01, t * 0.02, t * 0.02);
    combs += line;
  }
  std::string comb = "v 0 0 0\nv 80 0 0\nf 16001 16002";
  for (int v = 1; v <= 16000; ++v) comb += " " + std::to_string(v);
  for (int f = 0; f < 32; ++f) combs += comb.substr(f == 0 ? 0 : comb.find('f')) + "\n";
  ASSERT_EQ(Import(combs), 1);
  EXPECT_TRUE(Said("Too many triangles - limit 32768 - exceeded by 479232")) << Lines();
  // 32,769 vertices.
  std::string many;
  for (int i = 0; i < 32769; ++i) many += "v 0 0 " + std::to_string(i % 1000) + "\n";
  EXPECT_EQ(Import(many), 0);
  EXPECT_TRUE(Said("Too many vertices (32768)")) << Lines();
  // Split copies count too.
  std::string split;
  for (int i = 0; i < 32767; ++i) split += "v " + std::to_string(i % 1000) + " " + std::to_string(i / 1000) + " 0\n";
  split += "f 1//1 2//1 3//1\nf 1//2 2//2 3//2\n";
  EXPECT_EQ(Import(split), 0);
  EXPECT_TRUE(Said("Too many vertices (32768)")) << Lines();
}

// ---- the fast point merge against the plain scan ----

// The scan as first written: each point in place order against every later one, the last point
// moved into each hole, every reference renumbered at each step.
int PlainMerge(ModelObject& o) {
  std::vector<uint32_t> masks(o.pointCount, 0);
  for (int t = 0; t < o.triangleCount; ++t)
    for (uint16_t c : o.triangles[t].corners)
      if ((c & CORNER_INDEX_MASK) < o.pointCount) masks[c & CORNER_INDEX_MASK] |= 1u << (o.triangles[t].layer & 31);
  auto replace = [&](int from, int to) {
    for (int t = 0; t < o.triangleCount; ++t)
      for (uint16_t& c : o.triangles[t].corners)
        if ((c & CORNER_INDEX_MASK) == from) c = uint16_t((c & CORNER_MIRRORED) | to);
  };
  int merged = 0;
  for (int i = 0; i < o.pointCount; ++i)
    for (int j = i + 1; j < o.pointCount;) {
      const ModelPoint &a = o.points[i], &b = o.points[j];
      if (a.x != b.x || a.y != b.y || a.z != b.z || a.bone != b.bone || masks[i] != masks[j]) {
        ++j;
        continue;
      }
      o.points[i].flags |= b.flags;
      if ((o.points[i].flags & POINT_MIRROR_STATE) == POINT_MIRROR_STATE) o.points[i].flags &= ~POINT_MIRRORED;
      replace(j, i);
      const int last = o.pointCount - 1;
      o.points[j] = o.points[last];
      masks[j] = masks[last];
      if (last != j) replace(last, j);
      --o.pointCount;
      ++merged;
    }
  // Degenerate triangles out, the smallest corner first.
  int kept = 0;
  for (int t = 0; t < o.triangleCount; ++t) {
    ModelTriangle tri = o.triangles[t];
    uint16_t* c = tri.corners;
    if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) continue;
    auto key = [](uint16_t v) { return (v & CORNER_INDEX_MASK) * 2 + (v >> 15); };
    int first = 0;
    for (int k = 1; k < 3; ++k)
      if (key(c[k]) < key(c[first])) first = k;
    std::rotate(c, c + first, c + 3);
    o.triangles[kept++] = tri;
  }
  o.triangleCount = uint16_t(kept);
  return merged;
}

void RandomModel(ModelObject& o, std::mt19937& random) {
  o.Init();
  const int points = 2 + int(random() % 300), triangles = int(random() % 400);
  o.points = static_cast<ModelPoint*>(std::calloc(size_t(points), sizeof(ModelPoint)));
  o.triangles = static_cast<ModelTriangle*>(std::calloc(size_t(std::max(triangles, 1)), sizeof(ModelTriangle)));
  o.pointCount = uint16_t(points), o.triangleCount = uint16_t(triangles);
  for (int p = 0; p < points; ++p) {
    ModelPoint& q = o.points[p];
    q.x = int32_t(random() % 4), q.y = int32_t(random() % 3), q.z = -int32_t(random() % 2);
    q.bone = uint8_t(random() % 8 == 0);
    q.flags = uint8_t(random() % 32);
  }
  for (int t = 0; t < triangles; ++t) {
    ModelTriangle& tri = o.triangles[t];
    tri.layer = uint8_t(random() % 3);
    for (uint16_t& c : tri.corners) c = uint16_t(random() % uint32_t(points)) | (random() % 5 == 0 ? CORNER_MIRRORED : 0);
  }
}

TEST(PointMerge, EqualsThePlainScanOnRandomModels) {
  std::mt19937 random(33);
  for (int round = 0; round < 60; ++round) {
    ModelObject a{}, b{};
    RandomModel(a, random);
    b.Init();
    b.CopyFrom(a, 0, 1);
    const int fast = a.MergeDuplicatePoints(), plain = PlainMerge(b);
    ASSERT_EQ(fast, plain) << "round " << round;
    ASSERT_EQ(a.pointCount, b.pointCount);
    ASSERT_EQ(a.triangleCount, b.triangleCount);
    for (int p = 0; p < a.pointCount; ++p) {
      ASSERT_EQ(a.points[p].x, b.points[p].x) << round << " point " << p;
      ASSERT_EQ(a.points[p].y, b.points[p].y);
      ASSERT_EQ(a.points[p].flags, b.points[p].flags);
      ASSERT_EQ(a.points[p].bone, b.points[p].bone);
    }
    for (int t = 0; t < a.triangleCount; ++t)
      for (int k = 0; k < 3; ++k) ASSERT_EQ(a.triangles[t].corners[k], b.triangles[t].corners[k]) << round;
    a.Free();
    b.Free();
  }
}

}  // namespace
