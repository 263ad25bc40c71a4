// model_meshes_test.cpp - display meshes from models: the samples as flat and textured trees,
// texture coordinates against their projection, cross-texture repair, the merged mesh's
// limit, mirrored twins, texture assignment (plain page names, plates, decals) and the
// colours of the coloured draw modes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "model/model_materials.h"
#include "model/model_meshes.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "render/object_mesh.h"
#include "tests/model/model_test_util.h"
#include "tools/model_gen/sample_models.h"

namespace {

// One made-up material per page name (and one for the car's skin), with the cutout's alpha.
struct TextureStub {
  std::deque<Material> materials;
  std::map<std::string, Material*> byName;
  struct Call {
    std::string name;
    int usage, plateIndex, flags, skin;
  };
  std::vector<Call> calls;
  bool none = false;
};
TextureStub g_textures;

Material* StubTexture(const char* name, int usage, int plateIndex, int flags, const CutoutMaterial& material, int skin) {
  g_textures.calls.push_back({name, usage, plateIndex, flags, skin});
  if (g_textures.none) return nullptr;
  const std::string key = skin ? std::string("~skin") : std::string(name);
  auto found = g_textures.byName.find(key);
  if (found != g_textures.byName.end()) return found->second;
  Material& m = g_textures.materials.emplace_back();
  m.params.alphaMode = material.alphaType;
  return g_textures.byName[key] = &m;
}

class ModelMeshes : public ModelTest {
 protected:
  void SetUp() override {
    ModelTest::SetUp();
    g_textures.materials.clear();
    g_textures.byName.clear();
    g_textures.calls.clear();
    g_textures.none = false;
    FindSkinTexture = StubTexture;
    ModelMeshConfig = ModelMeshSettings{};
    MeshDisplay = MeshDisplaySettings{};
  }
  void TearDown() override {
    FindSkinTexture = FindPageTextureByName;
    ModelMeshConfig = ModelMeshSettings{};
    MeshDisplay = MeshDisplaySettings{};
    ModelTest::TearDown();
  }
};

Obj3d* NewObj3d() {
  Obj3d* m = new Obj3d();
  m->Init();
  return m;
}
GouraudO3d* NewGouraud() {
  GouraudO3d* m = new GouraudO3d();
  m->Init();
  return m;
}

// What a flat build must hold: used points (twice when mirrored), triangles (twice when
// mirrored), and children (twice for a twin).
void ExpectFlatCounts(const ModelObject& o, const Obj3d& mesh, int lod) {
  std::set<int> used;
  int triangles = 0;
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (tri.lod != lod) continue;
    triangles += (tri.flags & TRIANGLE_MIRRORED) ? 2 : 1;
    for (uint16_t c : tri.corners) used.insert(c & CORNER_INDEX_MASK);
  }
  int vertices = 0;
  for (int p : used) vertices += (o.points[p].flags & POINT_MIRRORED) ? 2 : 1;
  EXPECT_EQ(mesh.pointCount, lod < o.lodCount ? vertices : 0) << o.name;
  EXPECT_EQ(mesh.triangleCount, lod < o.lodCount ? triangles : 0) << o.name;
  // Every triangle record, the first included, stands on vertices of its own mesh.
  for (int t = 0; t < mesh.triangleCount; ++t)
    for (const Obj3dPoint* corner : mesh.triangles[t].points)
      EXPECT_TRUE(corner >= mesh.points && corner < mesh.points + mesh.pointCount) << o.name << " triangle " << t;
  EXPECT_EQ(mesh.type, o.type);
  int children = 0;
  for (int c = 0; c < o.childCount; ++c) children += (o.children[c].options & OPTION_MIRRORED_TWIN) ? 2 : 1;
  ASSERT_EQ(mesh.childCount, children);
  for (int c = 0, m = 0; c < o.childCount; ++c)
    for (int copy = 0; copy < ((o.children[c].options & OPTION_MIRRORED_TWIN) ? 2 : 1); ++copy, ++m)
      ExpectFlatCounts(o.children[c], *static_cast<Obj3d*>(mesh.children[m]), lod);
}

// What a textured build must hold: a vertex for each point, side, smoothing group and mapping
// of the level whose cutout has a texture (a point that triangles of two mappings share within
// a group is textured and coloured through each of them), every triangle, one part per
// texture, every triangle inside its part and each of its corners coloured by its own mapping.
void ExpectTexturedCounts(const ModelObject& o, const GouraudO3d& mesh, int lod) {
  std::set<std::tuple<int, int, int, int>> vertices;
  std::set<const Material*> textures;
  int triangles = 0;
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (tri.lod != lod) continue;
    const ModelMapping& m = o.mappings[tri.mapping];
    for (int side = 0; side < ((tri.flags & TRIANGLE_MIRRORED) ? 2 : 1); ++side) {
      for (uint16_t c : tri.corners) {
        const int s = side || (c & CORNER_MIRRORED) ? 1 : 0;
        vertices.emplace(c & CORNER_INDEX_MASK, s, tri.group, tri.mapping);
        textures.insert(o.cutouts[m.cutout[s]].texture);
      }
      ++triangles;
    }
  }
  EXPECT_EQ(mesh.pointCount, int(vertices.size())) << o.name;
  EXPECT_EQ(mesh.triangleCount, triangles) << o.name;
  EXPECT_EQ(mesh.partCount, int(textures.size())) << o.name;
  int first = 0, firstTriangle = 0;
  for (int p = 0; p < mesh.partCount; ++p) {
    const GouraudPart& part = mesh.parts[p];
    EXPECT_TRUE(textures.count(part.key));
    for (int t = firstTriangle; t < firstTriangle + part.triangleCount; ++t) {
      const GouraudTriangle& tri = mesh.triangles[t];
      ASSERT_LT(tri.value, uint32_t(o.mappingCount)) << "the value is the mapping's index";
      for (uint16_t i : tri.index) {
        EXPECT_GE(i, first);
        EXPECT_LT(i, first + part.pointCount);
        EXPECT_EQ(mesh.points[i].colour, reinterpret_cast<const GouraudColour*>(&o.mappings[tri.value].colour))
            << o.name << ": a corner of a triangle of mapping " << o.mappings[tri.value].name;
      }
    }
    first += part.pointCount;
    firstTriangle += part.triangleCount;
  }
  for (int p = 0; p < mesh.pointCount; ++p) {
    const GouraudPoint& point = mesh.points[p];
    EXPECT_NEAR(point.nx * point.nx + point.ny * point.ny + point.nz * point.nz, 1.0, 1e-4);
  }
}

}  // namespace

// The transform list opens with the root's own placement: offset x, y and z, then its three
// angles, each in its own slot.
TEST_F(ModelMeshes, TheTransformListOpensWithTheRootsOffsetThenItsAngles) {
  ModelObject o;
  o.Init();
  SAMPLE_MODELS[0].build(o);
  o.offset[0] = 100, o.offset[1] = 200, o.offset[2] = 300;
  o.angles[0] = 4, o.angles[1] = 5, o.angles[2] = 6;
  Obj3d* flat = NewObj3d();
  ModelTransformList transforms;
  BuildModelObj3d(o, *flat, nullptr, &transforms, 0, 1, nullptr, ~0u);
  ASSERT_GE(transforms.size(), 6u);
  EXPECT_EQ(std::vector<int32_t>(transforms.begin(), transforms.begin() + 6),
            (std::vector<int32_t>{100, 200, 300, 4, 5, 6}));
  DeleteDrawMesh(flat);
  o.Free();
}

TEST_F(ModelMeshes, TheSamplesBuildIntoFlatAndTexturedTrees) {
  for (const SampleModel& sample : SAMPLE_MODELS) {
    SCOPED_TRACE(sample.name);
    ModelObject o;
    o.Init();
    sample.build(o);
    for (int lod = 0; lod < o.lodCount; ++lod) {
      Obj3d* flat = NewObj3d();
      ModelTransformList transforms;
      BuildModelObj3d(o, *flat, nullptr, &transforms, lod, 1, nullptr, ~0u);
      ExpectFlatCounts(o, *flat, lod);
      EXPECT_EQ(int(transforms.size()), o.CountTransformSlots());
      EXPECT_EQ(o.builtMesh, flat);
      EXPECT_GT(flat->radius, 0);
      DeleteDrawMesh(flat);

      AssignMeshTextures(o, 2, ~0u);
      GouraudO3d* textured = NewGouraud();
      BuildModelMeshes(o, nullptr, *textured, nullptr, lod, 1, nullptr, nullptr, ~0u);
      ExpectTexturedCounts(o, *textured, lod);
      for (int c = 0, m = 0; c < o.childCount; ++c, ++m) {
        if (o.children[c].options & OPTION_MIRRORED_TWIN) ++m;
        ExpectTexturedCounts(o.children[c], *static_cast<GouraudO3d*>(textured->children[m]), lod);
      }
      DeleteDrawMesh(textured);
    }
    EXPECT_EQ(MessageLineCount, 0) << (MessageLineCount ? MessageLines[0].text : "");
    o.Free();
  }
}

// The flat mesh of a mirrored triangle: the triangle on its own points, then its copy on the
// mirrored points in the reverse order (c, b, a); the object's angles turn the mesh (the first
// angle about x), and a skeleton puts each point in its bone's frame.
TEST_F(ModelMeshes, TheFlatMeshHoldsTheMirroredCopyReversedTurnedByTheAnglesAndInBoneFrames) {
  ModelObject o;
  InitOneTriangle(o, Mirrored(), {{1, 0, 0}, {2, 0, 0}, {1, 1, 0}});
  o.angles[0] = 16384;  // a quarter turn
  const int32_t M = 65536;
  Obj3d* flat = NewObj3d();
  BuildModelObj3d(o, *flat, nullptr, nullptr, 0, 0, nullptr, ~0u);
  ASSERT_EQ(flat->triangleCount, 2);
  const int32_t front[3][2] = {{M, 0}, {2 * M, 0}, {M, M}};       // a, b, c
  const int32_t back[3][2] = {{-M, M}, {-2 * M, 0}, {-M, 0}};     // c, b, a mirrored
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(flat->triangles[0].points[k]->x, front[k][0]) << k;
    EXPECT_EQ(flat->triangles[0].points[k]->y, front[k][1]) << k;
    EXPECT_EQ(flat->triangles[1].points[k]->x, back[k][0]) << k;
    EXPECT_EQ(flat->triangles[1].points[k]->y, back[k][1]) << k;
  }
  // A quarter turn about x: x stays, y and z trade places with one sign changed.
  const int32_t* r = flat->local.rotation.m;
  EXPECT_EQ(r[0], M);
  EXPECT_NEAR(r[4], 0, 2);
  EXPECT_NEAR(r[8], 0, 2);
  EXPECT_NEAR(std::abs(r[5]), M, 2);
  EXPECT_NEAR(r[5], -r[7], 2);
  DeleteDrawMesh(flat);

  // Bone 1 stands at x = 1 m, its mirrored copy follows bone 2 at x = -1 m.
  for (int p = 0; p < 3; ++p) o.points[p].bone = 1;
  ModelBone bones[3] = {};
  for (ModelBone& bone : bones) MatrixIdentity(bone.frame.rotation);
  bones[1].mirrorStep = 1;
  bones[1].frame.translation = IntVector{M, 0, 0};
  bones[2].frame.translation = IntVector{-M, 0, 0};
  const ModelSkeleton skeleton{bones, 3};
  Obj3d* posed = NewObj3d();
  BuildModelObj3d(o, *posed, nullptr, nullptr, 0, 0, &skeleton, ~0u);
  ASSERT_EQ(posed->triangleCount, 2);
  // (2, 0) less bone 1's origin is (1, 0); its mirror (-2, 0) less bone 2's is (-1, 0).
  EXPECT_EQ(posed->triangles[0].points[1]->x, M);
  EXPECT_EQ(posed->triangles[0].points[1]->frame, 1);
  EXPECT_EQ(posed->triangles[1].points[1]->x, -M);
  EXPECT_EQ(posed->triangles[1].points[1]->frame, 2);
  EXPECT_EQ(posed->triangles[0].points[2]->y, M);
  DeleteDrawMesh(posed);
  o.Free();
}

// A triangle with any one corner past the points (first, second or third) is left out of the
// flat mesh, as are the points only it would use; the sound triangle is built.
TEST_F(ModelMeshes, ATriangleWithAnyCornerPastThePointsIsLeftOutOfTheFlatMesh) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 1, 0), b.Point(0, 0, 1);
  for (int t = 0; t < 4; ++t) b.Triangle(0, 1, 2);
  b.Into(o);
  ASSERT_EQ(o.pointCount, 4);
  ASSERT_EQ(o.triangleCount, 4);
  for (int k = 0; k < 3; ++k) {
    o.triangles[k + 1].corners[0] = 3, o.triangles[k + 1].corners[1] = 1, o.triangles[k + 1].corners[2] = 2;
    o.triangles[k + 1].corners[k] = 4;  // one past the last point
  }
  Obj3d* flat = NewObj3d();
  BuildModelObj3d(o, *flat, nullptr, nullptr, 0, 0, nullptr, ~0u);
  EXPECT_EQ(flat->triangleCount, 1);
  EXPECT_EQ(flat->pointCount, 3) << "point 3 is used by the left-out triangles only";
  DeleteDrawMesh(flat);
  o.Free();
}

TEST_F(ModelMeshes, TextureCoordinatesFollowTheProjectionOfEveryAxisAndOrientation) {
  struct Axis {
    uint32_t code;
    int s[3], t[3];  // the point's axes that give s and t
  };
  const Axis axes[6] = {{DIRECTION_BACK, {1, 0, 0}, {0, 0, 1}},  {DIRECTION_RIGHT, {0, 1, 0}, {0, 0, 1}},
                        {DIRECTION_FRONT, {-1, 0, 0}, {0, 0, 1}}, {DIRECTION_LEFT, {0, -1, 0}, {0, 0, 1}},
                        {DIRECTION_TOP, {1, 0, 0}, {0, 1, 0}},   {DIRECTION_UNDER, {-1, 0, 0}, {0, 1, 0}}};
  // The cutout's orientations, (a, b, c, d, e, f): u' = a u + b v + e, v' = c u + d v + f.
  // Row 0 the identity, 1 to 3 quarter turns, 4 to 7 the same mirrored.
  const float ORIENTATIONS[8][6] = {{1, 0, 0, 1, 0, 0},  {0, 1, -1, 0, 0, 1}, {-1, 0, 0, -1, 1, 1},
                                    {0, -1, 1, 0, 1, 0}, {-1, 0, 0, 1, 1, 0}, {0, 1, 1, 0, 0, 0},
                                    {1, 0, 0, -1, 0, 1}, {0, -1, -1, 0, 1, 1}};
  const double offset[3] = {0.3, -0.2, 0.5}, width = 2.0, height = 1.5;
  const double point[3] = {0.7, 0.4, -0.1};
  const int32_t source[3] = {Metres(point[0]), Metres(point[1]), Metres(point[2])};
  for (const Axis& axis : axes)
    for (int orientation = 0; orientation < 8; ++orientation) {
      ModelMapping m;
      m.Init(1);
      m.direction = axis.code;
      for (int k = 0; k < 3; ++k) m.offset[k] = Metres(offset[k]);
      m.width = Metres(width);
      m.height = Metres(height);
      Cutout c;
      c.Init(1);
      c.region[REGION_WIDTH] = 64, c.region[REGION_HEIGHT] = 32, c.region[REGION_LEFT] = 16, c.region[REGION_TOP] = 8;
      c.orientation = uint8_t(orientation);
      FixedMatrix matrix;
      m.DirectionMatrix(matrix);
      float uv[2];
      ComputeTextureCoordinates(uv, source, m, c, matrix);
      double s = 0, t = 0;
      for (int k = 0; k < 3; ++k) {
        s += axis.s[k] * (point[k] - offset[k]);
        t += axis.t[k] * (point[k] - offset[k]);
      }
      const double u = 16 / 128.0 + (s / width + 0.5) * (64 / 128.0);
      const double v = 1 - 8 / 128.0 - (t / height + 0.5) * (32 / 128.0);
      const float* k = ORIENTATIONS[orientation];
      EXPECT_NEAR(uv[0], k[0] * u + k[1] * v + k[4], 2e-4) << axis.code << " " << orientation;
      EXPECT_NEAR(uv[1], k[2] * u + k[3] * v + k[5], 2e-4) << axis.code << " " << orientation;
      // The orientation byte is checked again where it is used.
      c.orientation = uint8_t(orientation + 8);
      float again[2];
      ComputeTextureCoordinates(again, source, m, c, matrix);
      EXPECT_EQ(again[0], uv[0]);
      EXPECT_EQ(again[1], uv[1]);
    }
  // A one-sided mapping on the right textures a point on the left as its mirror image.
  ModelMapping m;
  m.Init(1);
  m.offset[0] = Metres(1);
  m.work[MAPPING_ONE_SIDED] = 1;
  Cutout c;
  c.Init(1);
  FixedMatrix matrix;
  m.DirectionMatrix(matrix);
  const int32_t left[3] = {Metres(-0.5), Metres(0.25), 0}, right[3] = {Metres(0.5), Metres(0.25), 0};
  float a[2], b[2];
  ComputeTextureCoordinates(a, left, m, c, matrix);
  ComputeTextureCoordinates(b, right, m, c, matrix);
  EXPECT_EQ(a[0], b[0]);
  EXPECT_EQ(a[1], b[1]);
  // Width and height 0 leave the region's corner.
  m.width = m.height = 0;
  ComputeTextureCoordinates(a, right, m, c, matrix);
  EXPECT_EQ(a[0], 0.0f);
  EXPECT_EQ(a[1], 1.0f);
}

TEST_F(ModelMeshes, ACrossTextureTriangleIsRepairedReportedOnceAndTheLevelRebuilt) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Page(PAGE_FIXED, "page_a");
  b.Page(PAGE_FIXED, "page_b");
  b.AddCutout("a", 0, 128, 128, 0, 0, MATERIAL_DEFAULT);
  b.AddCutout("b", 1, 128, 128, 0, 0, MATERIAL_DEFAULT);
  b.AddMapping("two", 0, 1, DIRECTION_RIGHT, 1, 1, 0xFFFFFF);
  b.AddMapping("b only", 1, 1, DIRECTION_RIGHT, 1, 1, 0xFFFFFF);
  b.Point(1, 0, 0), b.Point(1, 1, 0), b.Point(1, 0, 1), b.Point(2, 0, 0), b.Point(2, 1, 0), b.Point(2, 0, 1);
  b.points[2].flags = POINT_MIRRORED;
  b.Triangle(0, 1, 2 | CORNER_MIRRORED);  // two corners on page a, one on page b
  b.mapping = 1;
  b.group = 1;
  b.Triangle(3, 4, 5);
  b.Into(o);
  o.groupCount = 2;
  ModelCheckLevel = 0;
  AssignMeshTextures(o, 2, ~0u);
  GouraudO3d* mesh = NewGouraud();
  BuildModelMeshes(o, nullptr, *mesh, nullptr, 0, 0, nullptr, nullptr, ~0u);
  EXPECT_EQ(CountMessages("Cross-texture triangle found in LOD1 - mapping corrected", TextColours.red), 1);
  EXPECT_EQ(o.mappings[0].cutout[1], o.mappings[0].cutout[0]);
  ASSERT_EQ(mesh->partCount, 2);
  ExpectTexturedCounts(o, *mesh, 0);
  EXPECT_EQ(mesh->parts[0].triangleCount, 1);
  EXPECT_EQ(mesh->parts[0].pointCount, 3);
  DeleteDrawMesh(mesh);

  // Two textures meeting on a vertex of one smoothing group cannot be mended by a mapping:
  // the second triangle is drawn with its own texture on a copy of the shared corner,
  // silently, and the build ends.
  ResetMessages();
  o.triangles[1].group = 0;
  o.triangles[1].corners[0] = 1;  // shares point 1 with the first triangle, same side and group
  o.FreeRenderCaches();
  mesh = NewGouraud();
  BuildModelMeshes(o, nullptr, *mesh, nullptr, 0, 0, nullptr, nullptr, ~0u);
  EXPECT_EQ(MessageLineCount, 0);
  ASSERT_EQ(mesh->partCount, 2);
  EXPECT_EQ(mesh->triangleCount, 2);
  EXPECT_EQ(mesh->parts[1].pointCount, 3);
  const GouraudPoint& copy = mesh->points[mesh->triangles[1].index[2]];  // point 1, third in the reversed order
  EXPECT_EQ(copy.x, o.points[1].x);
  EXPECT_EQ(copy.y, o.points[1].y);
  EXPECT_EQ(copy.colour, reinterpret_cast<const GouraudColour*>(&o.mappings[1].colour));
  EXPECT_EQ(mesh->points[mesh->triangles[0].index[1]].x, copy.x) << "the first triangle keeps its own point 1";
  DeleteDrawMesh(mesh);
  ModelCheckLevel = 1;
  o.Free();
}

TEST_F(ModelMeshes, TrianglesOfTwoMappingsOnOnePageSharingPointsAreEachTexturedThroughTheirOwn) {
  // Two panels side by side on a front face, one smoothing group, sharing their middle edge:
  // the left panel in the left half of the page, the right one in the right half.  Built in
  // the order of a model's quads, the right panel's triangles meet corners the left panel
  // made first, and the last triangle has none of its own.
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Page(PAGE_FIXED, "page_a");
  b.AddCutout("left", 0, 64, 128, 0, 0, MATERIAL_DEFAULT);
  b.AddCutout("right", 0, 64, 128, 64, 0, MATERIAL_DEFAULT);
  b.AddMapping("left", 0, 0, DIRECTION_FRONT, 1, 1, RgbWord(200, 30, 30), 0.5, 0, 0.5);
  b.AddMapping("right", 1, 1, DIRECTION_FRONT, 1, 1, RgbWord(30, 30, 200), 1.5, 0, 0.5);
  const int p00 = b.Point(0, 0, 0), p10 = b.Point(1, 0, 0), p20 = b.Point(2, 0, 0);
  const int p01 = b.Point(0, 0, 1), p11 = b.Point(1, 0, 1), p21 = b.Point(2, 0, 1);
  b.mapping = 0;
  b.Quad(p00, p01, p11, p10);
  b.mapping = 1;
  b.Quad(p10, p11, p21, p20);
  b.Triangle(p10, p11, p21);  // a third triangle of the right panel, every corner shared
  b.Into(o);
  ModelCheckLevel = 0;
  AssignMeshTextures(o, 2, ~0u);
  GouraudO3d* mesh = NewGouraud();
  BuildModelMeshes(o, nullptr, *mesh, nullptr, 0, 0, nullptr, nullptr, ~0u);
  EXPECT_EQ(MessageLineCount, 0);
  ASSERT_EQ(mesh->partCount, 1) << "one page, one part";
  ASSERT_EQ(mesh->triangleCount, 5);
  ExpectTexturedCounts(o, *mesh, 0);
  // u = left / 128 + (s / width + 0.5) x (region width / 128), s = -(x - offset x) seen from
  // the front; v = 1 - (z - 0.5 + 0.5) x 128 / 128 = 1 - z.
  for (int t = 0; t < mesh->triangleCount; ++t) {
    const GouraudTriangle& tri = mesh->triangles[t];
    const bool right = tri.value == 1;
    for (uint16_t i : tri.index) {
      const GouraudPoint& p = mesh->points[i];
      const double x = p.x / 65536.0, z = p.z / 65536.0;
      const double u = (right ? 0.5 : 0.0) + (-(x - (right ? 1.5 : 0.5)) + 0.5) * 0.5;
      EXPECT_NEAR(p.u, u, 1e-3) << "triangle " << t << " at x " << x;
      EXPECT_NEAR(p.v, 1.0 - z, 1e-3) << "triangle " << t << " at x " << x;
      EXPECT_GE(p.u, right ? 0.5f - 1e-3f : -1e-3f) << "inside its own cutout";
      EXPECT_LE(p.u, right ? 1.0f + 1e-3f : 0.5f + 1e-3f) << "inside its own cutout";
    }
  }
  // The copies keep the shared points' smooth normal: every point faces the same way.
  for (int i = 0; i < mesh->pointCount; ++i) {
    EXPECT_NEAR(std::fabs(mesh->points[i].ny), 1.0f, 1e-4);
    EXPECT_EQ(mesh->points[i].ny > 0, mesh->points[0].ny > 0);
  }
  DeleteDrawMesh(mesh);
  ModelCheckLevel = 1;
  o.Free();
}

namespace {
// count separate triangles along x (three points each), at a height.
void SeparateTriangles(ModelBuilder& b, int count, double z) {
  for (int k = 0; k < count; ++k) {
    const int p = b.Point(k * 0.01, 0, z);
    b.Point(k * 0.01 + 0.005, 0.01, z), b.Point(k * 0.01, 0.01, z + 0.005);
    b.Triangle(p, p + 1, p + 2);
  }
}
// A fan of points - 1 triangles round its first point.
void Fan(ModelBuilder& b, int points) {
  const int centre = b.Point(0, 0, 0);
  for (int i = 1; i < points; ++i) b.Point(i * 0.001, 1, 0);
  for (int i = 1; i + 1 < points; ++i) b.Triangle(centre, centre + i + 1, centre + i);
}
}  // namespace

TEST_F(ModelMeshes, TheMergedLevelMeshTakes65536VerticesAndRefusesOneMore) {
  ModelCheckLevel = 0;
  for (const int lastFan : {15536, 15537}) {
    ModelObject o;
    o.Init();
    ModelBuilder b;
    SeparateTriangles(b, 10000, 0);
    b.Into(o);
    std::snprintf(o.name, sizeof o.name, "merged");
    std::vector<ModelObject> children(2);
    for (int c = 0; c < 2; ++c) {
      children[size_t(c)].Init();
      ModelBuilder f;
      Fan(f, c == 0 ? 20000 : lastFan);
      f.Into(children[size_t(c)]);
      children[size_t(c)].offset[2] = Metres(1 + c);
      children[size_t(c)].angles[0] = 4096;
    }
    SetChildren(o, children);
    AssignMeshTextures(o, 3, ~0u);
    GouraudO3d mesh;
    mesh.Init();
    FixedTransform place;
    MatrixIdentity(place.rotation);
    place.translation = IntVector{Metres(100), 0, 0};
    const int result = BuildModelLodMesh(o, nullptr, mesh, place, 0);
    if (lastFan == 15536) {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(mesh.pointCount, 65536);
      EXPECT_EQ(mesh.triangleCount, 10000 + 19998 + 15534);
      EXPECT_EQ(mesh.partCount, 1);
      EXPECT_EQ(MessageLineCount, 0);
      // The children lie under the transform and their own place: the fan's centre.
      bool centreFound = false;
      for (int p = 30000; p < mesh.pointCount && !centreFound; ++p)
        centreFound = mesh.points[p].x == Metres(100) && mesh.points[p].z == Metres(1);
      EXPECT_TRUE(centreFound);
      EXPECT_EQ(mesh.points[0].x, Metres(100));
    } else {
      EXPECT_EQ(result, 1);
      EXPECT_EQ(mesh.pointCount, 50000);
      EXPECT_EQ(CountMessages("merged : too many vertices", TextColours.red), 1);
    }
    for (int t = 0; t < mesh.triangleCount; ++t)
      for (uint16_t i : mesh.triangles[t].index) ASSERT_LT(i, mesh.pointCount);
    mesh.Free();
    o.Free();
    ResetMessages();
  }
  ModelCheckLevel = 1;
}

TEST_F(ModelMeshes, AMirroredTwinIsBuiltTwiceAndTheModelIsUnchanged) {
  ModelObject car;
  car.Init();
  BuildSampleCar(car);
  // Assigning textures repairs the cutouts' materials to their pages' rules: first that.
  AssignMeshTextures(car, 2, ~0u);
  for (int c = 0; c < car.childCount; ++c) AssignMeshTextures(car.children[c], 2, ~0u);
  const std::vector<uint8_t> before = ModelRecordBytes(car, 1, 1);
  Obj3d* flat = NewObj3d();
  BuildModelObj3d(car, *flat, nullptr, nullptr, 0, 1, nullptr, ~0u);
  GouraudO3d* textured = NewGouraud();
  BuildModelMeshes(car, nullptr, *textured, nullptr, 0, 2, nullptr, nullptr, ~0u);
  EXPECT_EQ(ModelRecordBytes(car, 1, 1), before);
  const ModelObject& twin = car.children[4];
  ASSERT_EQ(flat->childCount, 6);
  const Obj3d& mirrored = *static_cast<Obj3d*>(flat->children[4]);
  const Obj3d& plain = *static_cast<Obj3d*>(flat->children[5]);
  EXPECT_EQ(mirrored.local.translation.x, -twin.offset[0]);
  EXPECT_EQ(plain.local.translation.x, twin.offset[0]);
  ASSERT_EQ(mirrored.pointCount, plain.pointCount);
  for (int p = 0; p < plain.pointCount; ++p) {
    EXPECT_EQ(mirrored.points[p].x, -plain.points[p].x);
    EXPECT_EQ(mirrored.points[p].y, plain.points[p].y);
  }
  ASSERT_EQ(textured->childCount, 6);
  EXPECT_EQ(static_cast<GouraudO3d*>(textured->children[4])->local.translation.x, -twin.offset[0]);
  EXPECT_EQ(ModelMeshConfig.buildStage, 1);
  DeleteDrawMesh(flat);
  DeleteDrawMesh(textured);
  car.Free();
}

TEST_F(ModelMeshes, TextureAssignmentRefusesPathsAndKeepsPlatesAndDecalsApart) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  const char* const names[6] = {"fine", "../up", "dir/x", "C:tex", "back\\slash", "s_plate"};
  for (const char* name : names) b.Page(PAGE_FIXED, name);
  for (int p = 0; p < 6; ++p) b.AddCutout("cut", p, 128, 128, 0, 0, MATERIAL_DEFAULT);
  b.AddCutout("again", 1, 128, 128, 0, 0, MATERIAL_DEFAULT);  // a second cutout on a refused page
  b.AddCutout("unused", 0, 128, 128, 0, 0, MATERIAL_DEFAULT);
  for (int c = 0; c < 7; ++c) b.AddMapping("m", c, c, DIRECTION_RIGHT, 1, 1, 0xFFFFFF);
  b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 1, 0);
  for (int m = 0; m < 7; ++m) {
    b.mapping = m;
    b.Triangle(0, 1, 2);
  }
  b.Into(o);
  std::snprintf(o.name, sizeof o.name, "mod_model");
  for (int p = 0; p < 3; ++p) o.points[p].z = 640;  // a decal model
  o.cutouts[0].flags = 0xFF;
  ModelMeshConfig.plateSlot = 6;
  AssignMeshTextures(o, 3, ~0u);
  EXPECT_EQ(o.textureUsage, 3);
  EXPECT_NE(o.cutouts[0].texture, nullptr);
  for (int c = 1; c <= 4; ++c) EXPECT_EQ(o.cutouts[c].texture, nullptr) << c;
  EXPECT_EQ(o.cutouts[6].texture, nullptr);
  EXPECT_EQ(o.cutouts[7].texture, nullptr) << "no triangle uses it";
  EXPECT_EQ(CountMessages("mod_model : texture page ../up is not a plain file name", TextColours.error), 1);
  EXPECT_EQ(CountMessages("mod_model : texture page C:tex is not a plain file name", TextColours.error), 1);
  EXPECT_EQ(MessageLineCount, 4);
  ASSERT_EQ(g_textures.calls.size(), 2u);  // "fine" and "s_plate" only
  EXPECT_EQ(g_textures.calls[0].flags, 3 | 128) << "a decal model, and a backing cutout";
  EXPECT_EQ(g_textures.calls[0].plateIndex, 1);
  EXPECT_EQ(g_textures.calls[0].usage, 3);
  EXPECT_EQ(o.cutouts[0].flags, CUTOUT_STORED_FLAG | CUTOUT_BACKING | CUTOUT_SELECTED);
  // The plate's four slots share one texture, stacked from the top.
  EXPECT_EQ(o.cutouts[5].region[REGION_HEIGHT], 32);
  EXPECT_EQ(o.cutouts[5].region[REGION_TOP], (3 - 6 % 4) * 32);
  ClearCutoutTextures(o);
  EXPECT_EQ(o.cutouts[0].texture, nullptr);

  // The least lookup gives a skin page nothing until the vehicle model looks skins up.
  EXPECT_EQ(FindPageTextureByName("", 2, 0, 1, MATERIAL_DEFAULT, 1), nullptr);
  EXPECT_TRUE(IsPlainTextureName("sample_page"));
  EXPECT_FALSE(IsPlainTextureName("x/.."));
  o.Free();
}

// Stored models are wound counter-clockwise seen from outside and the mesh build reverses
// them, so that a drawn triangle is clockwise seen from outside and back-face culling keeps
// it.  The sample car's body is star-shaped about a point in its lower body: every triangle
// of both levels, mirrored copies included, must turn clockwise seen from outside.
TEST_F(ModelMeshes, EveryTriangleOfTheSampleCarsBodyIsDrawnClockwiseSeenFromOutside) {
  ModelObject car;
  car.Init();
  BuildSampleCar(car);
  AssignMeshTextures(car, 2, ~0u);
  const double inside[3] = {0.0, 0.0, 0.6};
  for (int lod = 0; lod < car.lodCount; ++lod) {
    GouraudO3d* mesh = NewGouraud();
    BuildModelMeshes(car, nullptr, *mesh, nullptr, lod, 0, nullptr, nullptr, ~0u);
    ASSERT_GT(mesh->triangleCount, 20) << "level " << lod;
    for (int t = 0; t < mesh->triangleCount; ++t) {
      double p[3][3];
      for (int k = 0; k < 3; ++k) {
        const GouraudPoint& q = mesh->points[mesh->triangles[t].index[k]];
        p[k][0] = q.x / 65536.0, p[k][1] = q.y / 65536.0, p[k][2] = q.z / 65536.0;
      }
      const double a[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
      const double b[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
      const double turn[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
      double outward = 0.0;
      for (int i = 0; i < 3; ++i) outward += turn[i] * ((p[0][i] + p[1][i] + p[2][i]) / 3.0 - inside[i]);
      EXPECT_LT(outward, 0.0) << "level " << lod << " triangle " << t << " at " << p[0][0] << " " << p[0][1] << " "
                              << p[0][2];
    }
    DeleteDrawMesh(mesh);
  }
  car.Free();
}

TEST_F(ModelMeshes, PointsCarryTheirMappingsColourAndTheMeshItsBlendedParts) {
  ModelObject car;
  car.Init();
  BuildSampleCar(car);
  for (int p = 0; p < car.pointCount; ++p) car.points[p].flags |= 0x80;  // lighting class 2
  AssignMeshTextures(car, 2, ~0u);
  GouraudO3d* mesh = NewGouraud();
  FixedMatrix down;
  MatrixRotX(down, 32768);  // a half turn: turned normals point the other way
  BuildModelMeshes(car, nullptr, *mesh, nullptr, 0, 0, nullptr, &down, ~0u);
  EXPECT_EQ(mesh->flags[0] & MESH_FLAG_TRANSLUCENT, MESH_FLAG_TRANSLUCENT) << "the glass is blended";
  const ModelLodCache& cache = car.caches[0];
  int turned = 0;
  for (int p = 0; p < mesh->pointCount; ++p) {
    const GouraudPoint& point = mesh->points[p];
    EXPECT_EQ(point.flags, 0x80);
    const ColourWord colour = *reinterpret_cast<const ColourWord*>(point.colour);
    if (!(colour & CF_TRANSLUCENT)) continue;
    // Find the cached vertex at the same place on the glass: its normal is turned.
    for (int v = 0; v < cache.vertexCount; ++v)
      if (cache.vertices[v].position[0] == point.x && cache.vertices[v].position[1] == point.y &&
          cache.vertices[v].position[2] == point.z && car.mappings[cache.vertices[v].mapping].colour == colour &&
          std::fabs(cache.vertices[v].normal[2] + point.nz) < 1e-4 && std::fabs(cache.vertices[v].normal[0] - point.nx) < 1e-4) {
        ++turned;
        break;
      }
  }
  EXPECT_GT(turned, 0);
  DeleteDrawMesh(mesh);

  // Without any texture nothing is built, with a message and the refusal sound.
  g_textures.none = true;
  car.FreeRenderCaches();
  AssignMeshTextures(car, 2, ~0u);
  mesh = NewGouraud();
  BuildModelMeshes(car, nullptr, *mesh, nullptr, 0, 0, nullptr, nullptr, ~0u);
  EXPECT_EQ(mesh->partCount, 0);
  EXPECT_EQ(mesh->pointCount, 0);
  EXPECT_EQ(CountMessages(TEXT_NO_CUTOUTS_IN_USE, TextColours.error), 1);
  ModelMeshConfig.quiet = 1;
  BuildModelMeshes(car, nullptr, *mesh, nullptr, 0, 0, nullptr, nullptr, ~0u);
  EXPECT_EQ(CountMessages(TEXT_NO_CUTOUTS_IN_USE, TextColours.error), 1);
  DeleteDrawMesh(mesh);
  car.Free();
}

TEST_F(ModelMeshes, TheColouredDrawModesColourEveryBuiltTriangle) {
  ModelObject car;
  car.Init();
  BuildSampleCar(car);
  car.triangles[0].group = 30;        // past the palette: grey
  car.triangles[1].normalLevel = 9;   // past the levels: as "low"
  car.triangles[2].flags |= TRIANGLE_SIDE_SWAP;
  Obj3d* mesh = NewObj3d();
  BuildModelObj3d(car, *mesh, nullptr, nullptr, 0, 1, nullptr, ~0u);
  // The triangles in build order, each twice when mirrored.
  std::vector<const ModelTriangle*> order;
  for (int t = 0; t < car.triangleCount; ++t)
    if (car.triangles[t].lod == 0)
      for (int copy = 0; copy < ((car.triangles[t].flags & TRIANGLE_MIRRORED) ? 2 : 1); ++copy)
        order.push_back(&car.triangles[t]);
  ASSERT_EQ(int(order.size()), mesh->triangleCount);
  for (int mode = 0; mode < 9; ++mode) {
    MeshDisplay.modellerDrawMode = mode;
    ColourTrianglesForDrawMode(car, *mesh, 0, ~0u);
    for (size_t k = 0; k < order.size(); ++k) {
      const ModelTriangle& t = *order[k];
      ColourWord want = DRAW_MODE_GREY;
      if (mode == 0) want = car.mappings[t.mapping].colour;
      if (mode == 4) want = ColourCodeTable[t.mapping];
      if (mode == 5) want = t.group < 24 ? SMOOTHING_GROUP_COLOURS[t.group] : DRAW_MODE_GREY;
      if (mode == 6) want = NORMAL_LEVEL_COLOURS[t.normalLevel < 4 ? t.normalLevel : 1];
      if (mode == 7) want = SIDE_FLAG_COLOURS[(t.flags & 1) | ((t.flags & TRIANGLE_SIDE_SWAP) ? 2 : 0)];
      EXPECT_EQ(mesh->triangles[k].colour, want) << mode << " " << k;
    }
    // The twin's two meshes are coloured alike.
    const Obj3d& a = *static_cast<Obj3d*>(mesh->children[4]);
    const Obj3d& b = *static_cast<Obj3d*>(mesh->children[5]);
    for (int t = 0; t < a.triangleCount; ++t) EXPECT_EQ(a.triangles[t].colour, b.triangles[t].colour);
  }
  // A flat triangle whose mapping index passes the list is white; its layer is its surface.
  car.triangles[3].mapping = 250;
  Obj3d* again = NewObj3d();
  BuildModelObj3d(car, *again, nullptr, nullptr, 0, 0, nullptr, ~0u);
  int white = 0;
  for (int t = 0; t < again->triangleCount; ++t) white += again->triangles[t].colour == 0xFFFFFFu;
  EXPECT_GE(white, 1);
  EXPECT_EQ(again->triangles[0].surface, car.triangles[0].layer);
  EXPECT_EQ(again->childCount, 0);
  DeleteDrawMesh(again);
  DeleteDrawMesh(mesh);
  car.Free();
}

// The normal-level draw mode (6) paints levels 0 to 3 dark blue, green, yellow and red, a level
// past them as level 1; the side draw mode (7) paints a plain triangle grey, a mirrored one
// blue, a side-swapping one orange and one that is both purple.  Written out as red, green,
// blue.
TEST_F(ModelMeshes, TheNormalLevelAndSideDrawModesPaintTheirOwnColours) {
  auto rgb = [](uint32_t r, uint32_t g, uint32_t b) { return ColourWord(r | g << 8 | b << 16); };
  ModelObject o;
  InitOneTriangle(o, {}, {{1, 0, 0}, {2, 0, 0}, {1, 1, 0}});
  const std::pair<int, ColourWord> levels[6] = {{0, rgb(40, 40, 160)},  {1, rgb(120, 200, 120)},
                                                {2, rgb(230, 200, 60)}, {3, rgb(230, 70, 50)},
                                                {4, rgb(120, 200, 120)}, {9, rgb(120, 200, 120)}};
  const std::pair<int, ColourWord> sides[4] = {{0, rgb(150, 150, 150)},
                                               {TRIANGLE_MIRRORED, rgb(80, 160, 230)},
                                               {TRIANGLE_SIDE_SWAP, rgb(230, 150, 60)},
                                               {TRIANGLE_MIRRORED | TRIANGLE_SIDE_SWAP, rgb(200, 80, 200)}};
  // The object's mesh, built and painted in the draw mode; the caller deletes it.
  const auto painted = [&o](int drawMode) {
    Obj3d* mesh = NewObj3d();
    BuildModelObj3d(o, *mesh, nullptr, nullptr, 0, 0, nullptr, ~0u);
    MeshDisplay.modellerDrawMode = drawMode;
    ColourTrianglesForDrawMode(o, *mesh, 0, ~0u);
    return mesh;
  };
  for (const auto& [level, want] : levels) {
    o.triangles[0].normalLevel = uint8_t(level);
    Obj3d* mesh = painted(6);
    ASSERT_EQ(mesh->triangleCount, 1);
    EXPECT_EQ(mesh->triangles[0].colour, want) << "level " << level;
    DeleteDrawMesh(mesh);
  }
  for (const auto& [flags, want] : sides) {
    o.triangles[0].flags = uint8_t(flags);
    Obj3d* mesh = painted(7);
    ASSERT_GE(mesh->triangleCount, 1);
    for (int t = 0; t < mesh->triangleCount; ++t) EXPECT_EQ(mesh->triangles[t].colour, want) << "flags " << flags;
    DeleteDrawMesh(mesh);
  }
  o.Free();
}

// The smoothing-group draw mode paints each group in its own colour of the editor's palette,
// written out here as red, green, blue; a colour word packs red in the low byte, then green,
// then blue.
TEST_F(ModelMeshes, TheSmoothingGroupDrawModePaintsEachGroupInItsPaletteColour) {
  struct Rgb {
    uint32_t r, g, b;
  };
  const Rgb palette[24] = {
      {230, 60, 60},   {60, 200, 60},   {70, 110, 240},  {240, 220, 60},  {220, 70, 220},  {60, 210, 220},
      {240, 140, 40},  {140, 80, 220},  {150, 230, 90},  {240, 120, 170}, {40, 150, 150},  {170, 120, 60},
      {120, 30, 30},   {30, 110, 30},   {30, 50, 130},   {140, 130, 30},  {120, 30, 120},  {30, 120, 130},
      {255, 200, 150}, {200, 200, 255}, {200, 255, 200}, {255, 255, 200}, {110, 110, 110}, {250, 250, 250},
  };
  ModelObject car;
  car.Init();
  BuildSampleCar(car);
  Obj3d* mesh = NewObj3d();
  BuildModelObj3d(car, *mesh, nullptr, nullptr, 0, 1, nullptr, ~0u);
  ASSERT_GT(mesh->triangleCount, 0);
  MeshDisplay.modellerDrawMode = 5;
  for (int group = 0; group < 24; ++group) {
    for (int t = 0; t < car.triangleCount; ++t) car.triangles[t].group = uint8_t(group);
    ColourTrianglesForDrawMode(car, *mesh, 0, ~0u);
    const Rgb& c = palette[group];
    const ColourWord want = c.r | c.g << 8 | c.b << 16;
    for (int t = 0; t < mesh->triangleCount; ++t) EXPECT_EQ(mesh->triangles[t].colour, want) << group << " " << t;
  }
  // Group 18, peach, worked out by hand: 255 | 200 << 8 | 150 << 16.
  for (int t = 0; t < car.triangleCount; ++t) car.triangles[t].group = 18;
  ColourTrianglesForDrawMode(car, *mesh, 0, ~0u);
  EXPECT_EQ(mesh->triangles[0].colour, 0x0096C8FFu);
  DeleteDrawMesh(mesh);
  car.Free();
}

// A decal model of a single triangle asks for a decal texture; plate slots 0 to 3 are plate 0
// and 4 to 7 plate 1, each slot a quarter of the page from the top (slot 0 the lowest, 96 down);
// clearing the textures reaches the subobjects.
TEST_F(ModelMeshes, ASingleTriangleDecalAndTheFirstSlotOfEachPlate) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Page(PAGE_FIXED, "s_plate");
  b.AddCutout("plate", 0, 128, 128, 0, 0, MATERIAL_DEFAULT);
  b.AddMapping("m", 0, 0, DIRECTION_RIGHT, 1, 1, 0xFFFFFF);
  b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 1, 0);
  b.Triangle(0, 1, 2);
  b.Into(o);
  for (int p = 0; p < 3; ++p) o.points[p].z = 640;
  for (int slot : {4, 0}) {
    SCOPED_TRACE(slot);
    g_textures.calls.clear();
    o.cutouts[0].region[REGION_HEIGHT] = 128, o.cutouts[0].region[REGION_TOP] = 0;
    ModelMeshConfig.plateSlot = slot;
    AssignMeshTextures(o, 3, ~0u);
    ASSERT_EQ(g_textures.calls.size(), 1u);
    EXPECT_EQ(g_textures.calls[0].flags, 3) << "a decal";
    EXPECT_EQ(g_textures.calls[0].plateIndex, slot == 4 ? 1 : 0);
    EXPECT_EQ(o.cutouts[0].region[REGION_HEIGHT], 32);
    EXPECT_EQ(o.cutouts[0].region[REGION_TOP], 96);
  }
  std::vector<ModelObject> children(1);
  children[0].Init();
  b.Into(children[0]);
  SetChildren(o, children);
  AssignMeshTextures(o.children[0], 2, ~0u);
  ASSERT_NE(o.children[0].cutouts[0].texture, nullptr);
  ClearCutoutTextures(o);
  EXPECT_EQ(o.cutouts[0].texture, nullptr);
  EXPECT_EQ(o.children[0].cutouts[0].texture, nullptr);
  o.Free();
}

// The merged level mesh holds a twin's mirrored copy (at -x) and its plain self (at +x), leaves
// the twin as it was, turns a subobject and its normals by its angles (a quarter about x, then
// a quarter about z: x = 5 m goes to y = +-5 m, the face's normal from z to x), and the
// textured tree's root encloses its points.
TEST_F(ModelMeshes, TheMergedMeshMirrorsTwinsAndTurnsSubobjects) {
  ModelCheckLevel = 0;
  ModelObject o;
  InitOneTriangle(o, {}, {{0, 0, 0}, {0.5, 0, 0}, {0, 0.5, 0}});
  std::vector<ModelObject> children(2);
  for (int c = 0; c < 2; ++c) {
    const double x = c == 0 ? 2 : 5;
    InitOneTriangle(children[size_t(c)], {}, {{x, 0, 0}, {x + 1, 0, 0}, {x, 1, 0}});
  }
  children[0].options = OPTION_MIRRORED_TWIN;
  children[1].angles[2] = 16384;
  children[1].angles[0] = 16384;  // and a quarter about x first: its face turns from up to along x
  SetChildren(o, children);
  AssignMeshTextures(o, 2, ~0u);
  GouraudO3d mesh;
  mesh.Init();
  FixedTransform place;
  MatrixIdentity(place.rotation);
  place.translation = IntVector{0, 0, 0};
  ASSERT_EQ(BuildModelLodMesh(o, nullptr, mesh, place, 0), 0);
  bool minusTwo = false, plusTwo = false, turned = false, unturned = false;
  for (int p = 0; p < mesh.pointCount; ++p) {
    const GouraudPoint& q = mesh.points[p];
    minusTwo = minusTwo || std::abs(q.x + Metres(2)) <= 4;
    plusTwo = plusTwo || std::abs(q.x - Metres(2)) <= 4;
    if (std::abs(std::abs(q.y) - Metres(5)) <= 4) {
      turned = true;
      EXPECT_NEAR(std::fabs(q.nx), 1.0, 1e-3) << "the normal turns with the subobject";
      EXPECT_NEAR(q.nz, 0.0, 1e-3);
    }
    unturned = unturned || std::abs(q.x - Metres(5)) <= 4;
  }
  EXPECT_TRUE(minusTwo) << "the twin's mirrored copy";
  EXPECT_TRUE(plusTwo) << "the twin itself";
  EXPECT_TRUE(turned);
  EXPECT_FALSE(unturned);
  EXPECT_EQ(o.children[0].points[0].x, Metres(2)) << "the twin is left as it was";
  mesh.Free();

  GouraudO3d* tree = NewGouraud();
  BuildModelMeshes(o, nullptr, *tree, nullptr, 0, 1, nullptr, nullptr, ~0u);
  EXPECT_GT(tree->radius, 0);
  DeleteDrawMesh(tree);
  o.Free();
}
