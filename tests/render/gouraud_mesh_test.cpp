// gouraud_mesh_test.cpp - Gouraud meshes on the null device: merging children, fast meshes by
// texture key, the bytes of the vertices drawn and filled, posed drawing, radii, pruning,
// transforms, point normals, fast-mesh lists, and rebuilding after the graphics are released.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/fixed_math.h"
#include "core/gamma_tables.h"
#include "render/buffers.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/object_picture.h"
#include "render/primitives.h"
#include "render/shaders.h"
#include "render/system_textures.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "render/views.h"
#include "tests/render/mesh_fixtures.h"
#include "tests/render/null_renderer.h"
#include "text/messages.h"

namespace {

class GouraudMeshes : public NullRenderer {
 protected:
  ReportRecorder reports_;  // what the code under test reported
  void SetUp() override {
    NullRenderer::SetUp();
    InitSinCosTables();
    ResetTempMeshes();
    MeshDisplay = MeshDisplaySettings{};
    const int32_t position[3] = {0, 0, 0}, light[3] = {0, 0, 65536};
    const float direction[3] = {0, 0, 1};
    InitView(view_, position, direction, light);
    a_ = KeyMaterial(1);
    b_ = KeyMaterial(2);
    c_ = KeyMaterial(3);
  }
  void TearDown() override {
    CurrentView = &MainView;  // the fixture's view goes with the fixture
    for (GouraudO3d* m : owned_) DeleteDrawMesh(m);
    FreeAllFastMeshes();
    ClearTempMeshStore();
    FreeAllMaterials();
    MeshDisplay = MeshDisplaySettings{};
    DebugMessagesOn = 0;
  }
  GouraudO3d* Mesh(const std::vector<PartShape>& parts) {
    GouraudO3d* m = NewGouraud();
    FillGouraud(*m, parts);
    owned_.push_back(m);
    return m;
  }
  // A child not owned by the test (its parent frees it).
  static GouraudO3d* Child(const std::vector<PartShape>& parts, uint8_t type) {
    GouraudO3d* m = NewGouraud();
    FillGouraud(*m, parts);
    m->type = type;
    return m;
  }
  View view_{};
  Material *a_, *b_, *c_;
  std::vector<GouraudO3d*> owned_;
};

TEST_F(GouraudMeshes, ChildrenOfTypes0And3MergeIntoOnePartPerKey) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}, {b_, 4, 2}});
  GouraudO3d* first = Child({{b_, 3, 1}}, 0);
  first->local.translation = IntVector{65536, 0, 0};
  MatrixRotZ(first->local.rotation, 16384);  // a quarter turn: x becomes y
  GouraudO3d* kept = Child({{a_, 3, 1}}, 5);
  GouraudO3d* second = Child({{c_, 3, 1}, {b_, 3, 1}}, 3);
  GouraudO3d* grandchild = Child({{a_, 3, 1}}, 6);
  grandchild->local.translation = IntVector{0, 0, 65536};
  second->local.translation = IntVector{0, 65536, 0};
  AddChildMesh(*second, grandchild);
  AddChildMesh(*mesh, first);
  AddChildMesh(*mesh, kept);
  AddChildMesh(*mesh, second);
  mesh->local.translation = IntVector{1000, 0, 0};
  const int32_t ownFirstX = mesh->points[3].x;

  EXPECT_EQ(BuildMeshFromPoints(*mesh), nullptr);
  ASSERT_EQ(mesh->partCount, 3) << "a, b and then c";
  EXPECT_EQ(mesh->parts[0].key, a_);
  EXPECT_EQ(mesh->parts[1].key, b_);
  EXPECT_EQ(mesh->parts[2].key, c_);
  EXPECT_EQ(mesh->parts[1].pointCount, 4 + 3 + 3) << "both children's b parts joined the mesh's";
  EXPECT_EQ(mesh->parts[1].triangleCount, 4);
  EXPECT_EQ(mesh->pointCount, 16);
  EXPECT_EQ(mesh->triangleCount, 6);
  EXPECT_EQ(mesh->points[3].x, ownFirstX) << "the mesh's own points stay where they are";
  // The first child's part follows the mesh's b points: points 7..9, its first point at
  // x = 3 cm in the child, (0, 3 cm) turned, then one metre along x.
  const GouraudPoint& moved = mesh->points[7];
  EXPECT_NEAR(moved.x, 65536, 2);
  EXPECT_NEAR(moved.y, 0, 2);
  EXPECT_NEAR(mesh->points[8].y, 655, 2) << "x became y";
  EXPECT_NEAR(moved.nz, 1.0f, 1e-6f);
  // The triangles of a part name their slot's points: b's third triangle (from the first
  // child) names points 7, 8, 9; its value came along.
  const GouraudTriangle& t = mesh->triangles[1 + 2];
  EXPECT_EQ(t.index[0], 7);
  EXPECT_EQ(t.index[1], 8);
  EXPECT_EQ(t.index[2], 9);
  EXPECT_EQ(t.value, 0u);
  const GouraudTriangle& fromSecond = mesh->triangles[1 + 3];
  EXPECT_EQ(fromSecond.index[0], 10) << "the second child's b part came after the first child's";
  ASSERT_EQ(mesh->childCount, 2) << "the kept child, then the adopted grandchild";
  EXPECT_EQ(mesh->children[0], kept);
  EXPECT_EQ(mesh->children[1], grandchild);
  EXPECT_EQ(grandchild->local.translation.y, 65536) << "taken into the mesh's space";
  EXPECT_EQ(grandchild->local.translation.z, 65536);

  EXPECT_EQ(BuildMeshFromPoints(*mesh), nullptr) << "nothing left to merge";
  EXPECT_EQ(mesh->pointCount, 16) << "and nothing changed";
}

TEST_F(GouraudMeshes, AMergedChildsNormalsTurnWithItAboutEveryAxis) {
  // The fixture's normals point along +z.  A quarter turn about x takes +z off the z axis
  // (into y), about y likewise (into x): the whole turn applies, its last row too.
  for (const int axis : {0, 1}) {
    SCOPED_TRACE(axis);
    GouraudO3d* mesh = Mesh({{a_, 3, 1}});
    GouraudO3d* child = Child({{a_, 3, 1}}, 0);
    if (axis == 0)
      MatrixRotX(child->local.rotation, 16384);
    else
      MatrixRotY(child->local.rotation, 16384);
    AddChildMesh(*mesh, child);
    ASSERT_EQ(BuildMeshFromPoints(*mesh), nullptr);
    ASSERT_EQ(mesh->pointCount, 6);
    for (int p = 3; p < 6; ++p) {
      const GouraudPoint& n = mesh->points[p];
      EXPECT_NEAR(n.nz, 0.0f, 1e-4f) << "point " << p;
      EXPECT_NEAR(std::fabs(axis == 0 ? n.ny : n.nx), 1.0f, 1e-4f) << "point " << p;
      EXPECT_NEAR(mesh->points[p - 3].nz, 1.0f, 1e-6f) << "the mesh's own normals stay";
    }
  }
}

// A merged child's normals go through its whole turn: a turn with no zero in it (45 degrees
// about x, then 30 about z) takes the normal (0.48, 0.64, 0.6) to R n, worked out here in
// doubles.
TEST_F(GouraudMeshes, AMergedChildsNormalTurnsThroughEveryElementOfItsTurn) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}});
  GouraudO3d* child = Child({{a_, 3, 1}}, 0);
  const double a = 3.14159265358979323846 / 4, b = 3.14159265358979323846 / 6;
  const double rx[3][3] = {{1, 0, 0}, {0, std::cos(a), -std::sin(a)}, {0, std::sin(a), std::cos(a)}};
  const double rz[3][3] = {{std::cos(b), -std::sin(b), 0}, {std::sin(b), std::cos(b), 0}, {0, 0, 1}};
  double r[3][3] = {};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) r[i][j] += rz[i][k] * rx[k][j];
  for (int i = 0; i < 9; ++i) child->local.rotation.m[i] = int32_t(std::lround(r[i / 3][i % 3] * 65536));
  const double n[3] = {0.48, 0.64, 0.6};
  for (int p = 0; p < 3; ++p) {
    child->points[p].nx = float(n[0]);
    child->points[p].ny = float(n[1]);
    child->points[p].nz = float(n[2]);
  }
  AddChildMesh(*mesh, child);
  ASSERT_EQ(BuildMeshFromPoints(*mesh), nullptr);
  ASSERT_EQ(mesh->pointCount, 6);
  double want[3] = {};
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 3; ++k) want[i] += r[i][k] * n[k];
  for (int p = 3; p < 6; ++p) {
    EXPECT_NEAR(mesh->points[p].nx, want[0], 1e-4) << p;
    EXPECT_NEAR(mesh->points[p].ny, want[1], 1e-4) << p;
    EXPECT_NEAR(mesh->points[p].nz, want[2], 1e-4) << p;
  }
}

TEST_F(GouraudMeshes, MergingStopsBelow65536PointsAndTriangles) {
  GouraudO3d* mesh = Mesh({{a_, 65535 - 3, 1}});
  AddChildMesh(*mesh, Child({{a_, 3, 1}}, 0));
  EXPECT_EQ(BuildMeshFromPoints(*mesh), nullptr) << "65535 points merge";
  EXPECT_EQ(mesh->pointCount, 65535);
  EXPECT_EQ(mesh->partCount, 1);

  GouraudO3d* over = Mesh({{a_, 65535 - 3, 1}});
  AddChildMesh(*over, Child({{b_, 4, 1}}, 0));
  EXPECT_STREQ(BuildMeshFromPoints(*over), "Too many vertices");
  EXPECT_EQ(over->pointCount, 65532) << "unchanged";
  EXPECT_EQ(over->childCount, 1);

  GouraudO3d* triangles = Mesh({{a_, 3, 65535}});
  AddChildMesh(*triangles, Child({{a_, 3, 1}}, 3));
  EXPECT_STREQ(BuildMeshFromPoints(*triangles), "Too many triangles");

  GouraudO3d* others = Mesh({{a_, 3, 1}});
  AddChildMesh(*others, Child({{a_, 3, 1}}, 1));
  GouraudPoint* points = others->points;
  EXPECT_EQ(BuildMeshFromPoints(*others), nullptr) << "no child of type 0 or 3";
  EXPECT_EQ(others->points, points) << "the arrays are kept";

  GouraudO3d* broken = Mesh({{a_, 3, 1}});
  broken->parts[0].pointCount = 9;  // more points than the mesh has
  AddChildMesh(*broken, Child({{a_, 3, 1}}, 0));
  EXPECT_STREQ(BuildMeshFromPoints(*broken), "Parts do not match the points");

  // A part with points but no triangles, or with neither, still fits its mesh: the merge goes
  // on, 3 + 3 + 0 points and 1 triangle of the mesh's own and 3 points and 1 triangle of the child's.
  GouraudO3d* bare = Mesh({{a_, 3, 1}, {b_, 3, 0}, {c_, 0, 0}});
  AddChildMesh(*bare, Child({{a_, 3, 1}, {b_, 0, 0}}, 0));
  EXPECT_EQ(BuildMeshFromPoints(*bare), nullptr);
  EXPECT_EQ(bare->pointCount, 9);
  EXPECT_EQ(bare->triangleCount, 2);
}

TEST_F(GouraudMeshes, FastMeshesHaveOnePartPerKeyAndNoneBeyond64Parts) {
  std::vector<PartShape> shapes;
  std::vector<Material*> keys;
  for (int k = 0; k < 64; ++k) {
    keys.push_back(KeyMaterial(100 + k));
    shapes.push_back({keys.back(), 3, 1});
  }
  GouraudO3d* wide = Mesh(shapes);
  GouraudO3d::CreateFastMesh(*wide);
  FastMesh* fast = GetFastMesh(wide->fastMesh);
  ASSERT_NE(fast, nullptr);
  ASSERT_EQ(fast->parts.size(), 64u);
  EXPECT_EQ(fast->parts[63].material, keys[63]);
  EXPECT_EQ(fast->parts[5].vertexCount, 3u);

  GouraudO3d* repeated = Mesh({{a_, 3, 1}, {b_, 4, 2}, {a_, 5, 1}});
  GouraudO3d::CreateFastMesh(*repeated);
  FastMesh* two = GetFastMesh(repeated->fastMesh);
  ASSERT_EQ(two->parts.size(), 2u) << "one part per distinct key";
  EXPECT_EQ(two->parts[0].vertexCount, 8u) << "both a parts";
  EXPECT_EQ(two->parts[0].indexCount, 6u);
  std::vector<uint8_t> indices = ReadBuffer(two->parts[0].indexBuffer->buffer);
  EXPECT_EQ(indices[6], 3) << "the second a part's points follow the first's in the fast-mesh part";

  shapes.push_back({a_, 3, 1});
  GouraudO3d* tooMany = Mesh(shapes);
  tooMany->parts[64].key = keys[0];  // 65 parts, 64 keys
  AddChildMesh(*tooMany, Child({{a_, 3, 1}}, 6));
  GouraudO3d::CreateFastMesh(*tooMany);
  EXPECT_FALSE(tooMany->fastMesh);
  EXPECT_FALSE(static_cast<GouraudO3d*>(tooMany->children[0])->fastMesh) << "nor its children";
  EXPECT_FALSE(MessageShown("Too many textures")) << "reported only with debug messages on";
  DebugMessagesOn = 1;
  GouraudO3d::CreateFastMesh(*tooMany);
  EXPECT_TRUE(MessageShown("GouraudO3d::CreateFastMesh - Too many textures"));

  // Built again, the mesh gives its old fast mesh back first.
  int count = FastMeshCount();
  GouraudO3d::CreateFastMesh(*repeated);
  EXPECT_EQ(FastMeshCount(), count);
  GouraudO3d::ForgetFastMeshes(*repeated);
  EXPECT_FALSE(repeated->fastMesh);
  EXPECT_EQ(FastMeshCount(), count) << "forgotten, not freed";
}

// One point under a turned, moved mesh: the 32 bytes Draw writes and the 32 bytes the fast
// mesh is filled with.
TEST_F(GouraudMeshes, VerticesOfDrawAndOfTheFastMeshByteByByte) {
  static const GouraudColour colour{128, 255, 0, GOURAUD_COLOUR_SPECULAR};
  GouraudO3d* mesh = Mesh({{a_, 3, 1}});
  GouraudPoint& p = mesh->points[0];
  p = GouraudPoint{};
  p.x = 65536;
  p.y = 2 * 65536;
  p.z = -32768;
  p.nx = 0.6f;
  p.nz = 0.8f;
  p.u = 0.25f;
  p.v = 0.75f;
  p.flags = 0x80;  // fourth normal byte 32
  p.colour = &colour;
  MatrixRotZ(mesh->world.rotation, 16384);  // x becomes y
  mesh->world.translation = IntVector{0, 0, 65536};
  view_.ambient[0] = view_.ambient[1] = view_.ambient[2] = 0.5f;
  MeshDisplay.specularWord = 0x12345678u;

  uint16_t firstBatch = 77;
  EXPECT_EQ(mesh->Draw(0, &firstBatch), 1);
  EXPECT_EQ(firstBatch, 0);
  const TempMeshEntry& e = TempMeshes.entries[0];
  EXPECT_EQ(e.material, a_);
  EXPECT_EQ(e.triangleCount, 1u);
  std::vector<uint8_t> bytes = ReadBuffer(TempMeshes.buffers[e.buffer]->vertexBuffer->buffer);
  VertexLit drawn = VertexAt<VertexLit>(bytes, e.firstVertex);
  EXPECT_NEAR(drawn.x, -2.0f, 1e-4f);
  EXPECT_NEAR(drawn.y, 1.0f, 1e-4f);
  EXPECT_NEAR(drawn.z, 0.5f, 1e-4f);
  EXPECT_EQ(drawn.normal[0], 0);
  EXPECT_EQ(drawn.normal[1], 76) << "0.6 x 127 turned onto y";
  EXPECT_EQ(drawn.normal[2], 102);
  EXPECT_EQ(drawn.normal[3], 32);
  const uint32_t rgb = uint32_t(BrightnessTable[128]) << 16 | 255u << 8 | 0;
  EXPECT_EQ(drawn.colour0, uint32_t(std::lround(0.2 * 0.5 * 0.5 * 255)) << 24 | rgb)
      << "alpha (1 - nz) / 2 x the ambient's luminance";
  EXPECT_EQ(drawn.colour1, 0x12345678u) << "a specular point takes the specular word";
  EXPECT_EQ(drawn.u, 0.25f);
  EXPECT_EQ(drawn.v, 0.75f);
  const uint8_t drawnBytes[32] = {0, 0, 0, 0xC0,  0, 0, 0x80, 0x3F,  0, 0, 0, 0x3F,  0, 76, 102, 32,
                                  uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16), 13,  0x78, 0x56, 0x34, 0x12,
                                  0, 0, 0x80, 0x3E,  0, 0, 0x40, 0x3F};
  for (int i = 0; i < 32; ++i)
    EXPECT_EQ(bytes[e.firstVertex * sizeof(VertexLit) + size_t(i)], drawnBytes[i]) << "byte " << i << " of the drawn vertex";

  GouraudO3d::CreateFastMesh(*mesh);
  FastMesh* fast = GetFastMesh(mesh->fastMesh);
  ASSERT_NE(fast, nullptr);
  std::vector<uint8_t> filled = ReadBuffer(fast->parts[0].vertexBuffer->buffer);
  const uint8_t want[32] = {0, 0, 0x80, 0x3F,  0, 0, 0, 0x40,  0, 0, 0, 0xBF,  76, 0, 102, 32,
                            uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16), 0,  0x78, 0x56, 0x34, 0x12,
                            0, 0, 0x80, 0x3E,  0, 0, 0x40, 0x3F};
  for (int i = 0; i < 32; ++i) EXPECT_EQ(filled[size_t(i)], want[i]) << "byte " << i << " of the filled vertex";

  // The colour record's bit 2 sends the drawn normal straight up; a point without it gets no
  // specular word.
  static const GouraudColour up{10, 20, 30, GOURAUD_COLOUR_NORMAL_UP};
  p.colour = &up;
  ResetTempMeshes();
  mesh->Draw(0, nullptr);
  drawn = VertexAt<VertexLit>(ReadBuffer(TempMeshes.buffers[0]->vertexBuffer->buffer), 0);
  EXPECT_EQ(drawn.normal[0], 0);
  EXPECT_EQ(drawn.normal[1], 0);
  EXPECT_EQ(drawn.normal[2], 127);
  EXPECT_EQ(drawn.colour1, 0u);
}

// A triangle naming a point outside its part would read another batch's vertices (or past the
// buffer): the index is cut to the part's first point, in the frame's batches and in the fast mesh.
TEST_F(GouraudMeshes, ATriangleNamingAPointOutsideItsPartStaysInsideIt) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}, {b_, 3, 1}});
  mesh->triangles[1].index[2] = 1;  // the second part's triangle names a point of the first
  ASSERT_EQ(mesh->Draw(0, nullptr), 2);
  const TempMeshEntry& e = TempMeshes.entries[1];
  std::vector<uint8_t> indices = ReadBuffer(TempMeshes.buffers[e.buffer]->indexBuffer->buffer);
  const size_t at = 2 * (3 * size_t(e.firstTriangle) + 2);
  EXPECT_EQ(indices[at] | indices[at + 1] << 8, 0);
  GouraudO3d::CreateFastMesh(*mesh);
  FastMesh* fast = GetFastMesh(mesh->fastMesh);
  std::vector<uint8_t> filled = ReadBuffer(fast->parts[1].indexBuffer->buffer);
  EXPECT_EQ(filled[4] | filled[5] << 8, 0);
}

// A part without points or without triangles is no batch, and the parts after it still draw
// from their own points.
TEST_F(GouraudMeshes, APartWithoutPointsOrTrianglesIsSkippedAndThePartsAfterItDraw) {
  GouraudO3d* mesh = Mesh({{a_, 0, 0}, {b_, 3, 0}, {c_, 3, 1}});
  ASSERT_EQ(mesh->Draw(0, nullptr), 1);
  EXPECT_EQ(TempMeshes.entries[0].material, c_);
  EXPECT_EQ(TempMeshes.entries[0].triangleCount, 1u);
}

TEST_F(GouraudMeshes, VisibilityFollowsTheSwitchesAndTheCurrentObject) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}});
  GouraudO3d* sub = Child({{b_, 3, 1}, {c_, 3, 0}}, 2);
  AddChildMesh(*mesh, sub);
  EXPECT_EQ(mesh->Draw(0, nullptr), 2) << "a part without triangles adds no batch";
  MeshDisplay.showSubobjects = 0;
  uint16_t first = 0;
  EXPECT_EQ(mesh->Draw(0, &first), 1);
  EXPECT_EQ(first, 2);
  MeshDisplay.currentObject = sub;
  EXPECT_EQ(mesh->Draw(0, nullptr), 2) << "the current object is drawn whatever the switch";
  MeshDisplay.modellerDrawMode = 1;
  EXPECT_EQ(mesh->Draw(0, nullptr), 0);
}

TEST_F(GouraudMeshes, APartTooBigForATemporaryBufferStillDrawsThroughItsFastMesh) {
  GouraudO3d* mesh = Mesh({{a_, 65535, 2}});
  EXPECT_EQ(mesh->Draw(0, nullptr), 0) << "65535 points do not fit a temporary buffer";
  EXPECT_TRUE(MessageShown("do not fit a buffer"));
  GouraudO3d::CreateFastMesh(*mesh);
  FastMesh* fast = GetFastMesh(mesh->fastMesh);
  ASSERT_NE(fast, nullptr);
  EXPECT_EQ(fast->parts[0].vertexCount, 65535u);
  uint32_t draws = Gfx.drawCalls;
  const int car = ShaderCarFlag;
  ShaderCarFlag = 1;
  GouraudO3d::DrawFastMeshes(*mesh, nullptr, nullptr);
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  EXPECT_EQ(ShaderCarFlag, 1) << "a car's mesh keeps the car's shader variant";
  ShaderCarFlag = car;
}

TEST_F(GouraudMeshes, PosedPointsFollowTheirFramesAndTheCountIsCutTo64) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}});
  mesh->points[0].frame = 2;
  mesh->points[1].frame = 70;  // beyond the 64 frames: stays under the parent
  mesh->points[2].frame = 0;
  std::vector<FixedTransform> frames(100);
  for (FixedTransform& f : frames) {
    MatrixIdentity(f.rotation);
    f.translation = IntVector{0, 0, 0};
  }
  frames[2].translation = IntVector{0, 0, 3 * 65536};
  frames[70].translation = IntVector{0, 0, 5 * 65536};
  MatrixRotZ(frames[0].rotation, 32768);  // half a turn
  FixedTransform parent;
  MatrixIdentity(parent.rotation);
  parent.translation = IntVector{65536, 0, 0};
  EXPECT_EQ(mesh->DrawPosed(parent, frames.data(), 100, 0, nullptr), 1);
  std::vector<uint8_t> bytes = ReadBuffer(TempMeshes.buffers[0]->vertexBuffer->buffer);
  VertexLit v0 = VertexAt<VertexLit>(bytes, 0), v1 = VertexAt<VertexLit>(bytes, 1), v2 = VertexAt<VertexLit>(bytes, 2);
  EXPECT_NEAR(v0.z, 3.0f, 1e-4f);
  EXPECT_NEAR(v0.x, 1.0f, 1e-4f);
  EXPECT_NEAR(v1.z, 0.0f, 1e-4f) << "frame 70 is not used";
  EXPECT_NEAR(v1.x, 1.01f, 1e-3f);
  EXPECT_NEAR(v2.x, 1.0f - 0.02f, 1e-3f) << "frame 0 turned the point half a turn";
  EXPECT_EQ(v0.normal[3], 127);
  EXPECT_EQ(v0.colour0 >> 24, 0u);
  EXPECT_EQ(v0.colour1, 0u);
}

// A posed point's normal turns with the parent and its frame; a point whose frame number is
// the frame count (one past the last) is not posed and turns with the parent alone.  Both
// turns here are quarter turns about x, so (0, 0, 1) ends at (0, 0, -1) through both and
// at (0, +-1, 0) through the parent alone.
TEST_F(GouraudMeshes, NormalsTurnWithTheFrameAndParentOrTheParentAlone) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}});
  mesh->points[0].frame = 1;
  mesh->points[1].frame = 2;  // the frame count: not a frame
  mesh->points[2].frame = 0;
  FixedTransform frames[2];
  MatrixIdentity(frames[0].rotation);
  MatrixRotX(frames[1].rotation, 16384);
  frames[0].translation = frames[1].translation = IntVector{0, 0, 0};
  FixedTransform parent;
  MatrixRotX(parent.rotation, 16384);
  parent.translation = IntVector{0, 0, 0};
  EXPECT_EQ(mesh->DrawPosed(parent, frames, 2, 0, nullptr), 1);
  std::vector<uint8_t> bytes = ReadBuffer(TempMeshes.buffers[0]->vertexBuffer->buffer);
  VertexLit v0 = VertexAt<VertexLit>(bytes, 0), v1 = VertexAt<VertexLit>(bytes, 1), v2 = VertexAt<VertexLit>(bytes, 2);
  EXPECT_EQ(v0.normal[2], -127) << "half a turn";
  EXPECT_EQ(v0.normal[1], 0);
  for (const VertexLit& v : {v1, v2}) {
    EXPECT_EQ(v.normal[2], 0) << "a quarter turn";
    EXPECT_EQ(std::abs(v.normal[1]), 127);
    EXPECT_EQ(v.normal[0], 0);
  }
  // A normal along y turns up or down under the same quarter turn of the parent; one along
  // x under a quarter turn about y.
  GouraudO3d* side = Mesh({{a_, 3, 1}});
  for (int axis : {1, 0}) {
    for (int i = 0; i < 3; ++i) {
      side->points[i].nx = axis == 0 ? 1.0f : 0.0f;
      side->points[i].ny = axis == 1 ? 1.0f : 0.0f;
      side->points[i].nz = 0;
    }
    if (axis == 0) MatrixRotY(parent.rotation, 16384);
    ResetTempMeshes();
    EXPECT_EQ(side->DrawPosed(parent, nullptr, 0, 0, nullptr), 1);
    const VertexLit s0 = VertexAt<VertexLit>(ReadBuffer(TempMeshes.buffers[0]->vertexBuffer->buffer), 0);
    EXPECT_EQ(std::abs(s0.normal[2]), 127) << axis;
    EXPECT_EQ(s0.normal[axis], 0) << axis;
  }
}

// Unturned, a normal keeps every one of its axes: along x, y or z it stays a whole 127 on
// that axis and 0 on the other two.
TEST_F(GouraudMeshes, AnUnturnedNormalKeepsEachOfItsAxes) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}});
  FixedTransform parent;
  MatrixIdentity(parent.rotation);
  parent.translation = IntVector{0, 0, 0};
  for (int axis = 0; axis < 3; ++axis) {
    for (int i = 0; i < 3; ++i) {
      mesh->points[i].nx = axis == 0 ? 1.0f : 0.0f;
      mesh->points[i].ny = axis == 1 ? 1.0f : 0.0f;
      mesh->points[i].nz = axis == 2 ? 1.0f : 0.0f;
    }
    ResetTempMeshes();
    EXPECT_EQ(mesh->DrawPosed(parent, nullptr, 0, 0, nullptr), 1);
    const VertexLit v = VertexAt<VertexLit>(ReadBuffer(TempMeshes.buffers[0]->vertexBuffer->buffer), 0);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(v.normal[k], k == axis ? 127 : 0) << "axis " << axis << ", byte " << k;
  }
}

// A mesh's shadow and surface colours are drawn where its own transform under the parent's
// puts its points: point (0, 0, 0) at local (1, 0, 2), under a parent turned a quarter about
// z (x becomes y) at (0, 1, 0), stands at (0, 1, 2) + (0, 1, 0) = (0, 2, 2); the light one
// across for two up lays its shadow 1 m towards -x, at (-1, 2, 0).
TEST_F(GouraudMeshes, ShadowsAndSurfaceColoursFollowTheMeshUnderItsParent) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}});
  mesh->local.translation = IntVector{65536, 0, 2 * 65536};
  FixedTransform parent;
  SetIdentityTransform(parent);
  MatrixRotZ(parent.rotation, 16384);
  parent.translation = IntVector{0, 65536, 0};
  view_.lightDirection[0] = 65536;
  view_.lightDirection[1] = 0;
  view_.lightDirection[2] = 2 * 65536;
  MeshDisplay.shadowSetting = 1;
  mesh->DrawShadow(parent);
  VertexLine3D v = VertexAt<VertexLine3D>(ReadBuffer(StreamLines3D.vertexBuffer->buffer), 0);
  EXPECT_NEAR(v.x, -1.0f, 1e-4f);
  EXPECT_NEAR(v.y, 2.0f, 1e-4f);
  EXPECT_NEAR(v.z, 0.0f, 1e-4f);
  mesh->DrawSurfaceColours(parent, 0);
  v = VertexAt<VertexLine3D>(ReadBuffer(StreamLines3D.vertexBuffer->buffer), 0);
  EXPECT_NEAR(v.x, 0.0f, 1e-4f);
  EXPECT_NEAR(v.y, 2.0f, 1e-4f);
  EXPECT_NEAR(v.z, 2.0f, 1e-4f);
  EXPECT_EQ(mesh->local.translation.x, 65536) << "the mesh's own transform is left as it was";
}

// A child is drawn with its mesh in every kind of draw, its world the mesh's world composed
// with its own transform: the mesh 1 m up, the child 1 m along x, so the child's world stands
// at (1, 0, 1) m.  One part each: two batches, or two draws.
TEST_F(GouraudMeshes, AChildIsDrawnWithItsMeshInEveryKindOfDraw) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}});
  GouraudO3d* child = Child({{b_, 3, 1}}, 1);
  AddChildMesh(*mesh, child);
  child->local.translation = IntVector{65536, 0, 0};
  FixedTransform up;
  SetIdentityTransform(up);
  up.translation = IntVector{0, 0, 65536};
  const auto placed = [&](const char* what) {
    EXPECT_EQ(child->world.translation.x, 65536) << what;
    EXPECT_EQ(child->world.translation.z, 65536) << what;
    SetIdentityTransform(child->world);
  };
  mesh->world = up;
  EXPECT_EQ(mesh->Draw(0, nullptr), 2) << "the child's batch and the mesh's";
  placed("draw");
  ResetTempMeshes();
  mesh->DrawPosed(up, nullptr, 0, 0, nullptr);
  EXPECT_EQ(TempMeshes.count, 2) << "posed";
  placed("posed");
  MeshDisplay.shadowSetting = 1;
  uint32_t draws = Gfx.drawCalls;
  mesh->DrawShadow(up);
  EXPECT_EQ(Gfx.drawCalls, draws + 2) << "shadows";
  placed("shadow");
  draws = Gfx.drawCalls;
  mesh->DrawSurfaceColours(up, 0);
  EXPECT_EQ(Gfx.drawCalls, draws + 2) << "surface colours";
  placed("surface colours");
}

// Arrays asked with negative counts are empty ones; parts are numbered from 0.
TEST_F(GouraudMeshes, ArraysOfNegativeCountsAreEmpty) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}});
  AllocateMeshArrays(*mesh, -3, -2, -1);
  EXPECT_EQ(mesh->pointCount, 0);
  EXPECT_EQ(mesh->triangleCount, 0);
  EXPECT_EQ(mesh->partCount, 0);
  EXPECT_EQ(mesh->parts, nullptr);
  AllocateMeshArrays(*mesh, 1, 1, 3);
  EXPECT_EQ(mesh->parts[2].index, 2);
}

// Freeing a mesh's arrays empties it and every Gouraud mesh below it, the first child and
// the last and a grandchild alike; the children themselves stay in the tree.
TEST_F(GouraudMeshes, FreeingTheArraysEmptiesTheMeshAndEveryChildBelowIt) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}});
  GouraudO3d* first = Child({{b_, 3, 1}}, 0);
  GouraudO3d* last = Child({{a_, 4, 2}}, 0);
  GouraudO3d* grandchild = Child({{c_, 3, 1}}, 0);
  AddChildMesh(*last, grandchild);
  AddChildMesh(*mesh, first);
  AddChildMesh(*mesh, last);
  FreeMeshArrays(*mesh);
  ASSERT_EQ(mesh->childCount, 2);
  EXPECT_EQ(mesh->children[0], first);
  EXPECT_EQ(mesh->children[1], last);
  EXPECT_EQ(last->childCount, 1);
  for (const GouraudO3d* m : {mesh, first, last, grandchild}) {
    EXPECT_EQ(m->points, nullptr);
    EXPECT_EQ(m->triangles, nullptr);
    EXPECT_EQ(m->parts, nullptr);
    EXPECT_EQ(m->pointCount + m->triangleCount + m->partCount, 0);
  }
}

// Forgetting the fast meshes reaches every Gouraud mesh of the tree, the first child as well
// as the last and the grandchildren; nothing is freed.
TEST_F(GouraudMeshes, ForgettingTheFastMeshesReachesEveryChild) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}});
  GouraudO3d* first = Child({{b_, 3, 1}}, 6);
  GouraudO3d* last = Child({{a_, 4, 2}}, 6);
  GouraudO3d* grandchild = Child({{c_, 3, 1}}, 6);
  AddChildMesh(*first, grandchild);
  AddChildMesh(*mesh, first);
  AddChildMesh(*mesh, last);
  GouraudO3d::CreateFastMesh(*mesh);
  for (const GouraudO3d* m : {mesh, first, last, grandchild}) ASSERT_TRUE(m->fastMesh);
  const int count = FastMeshCount();
  GouraudO3d::ForgetFastMeshes(*mesh);
  EXPECT_FALSE(mesh->fastMesh);
  EXPECT_FALSE(first->fastMesh) << "the first child";
  EXPECT_FALSE(last->fastMesh) << "the last child";
  EXPECT_FALSE(grandchild->fastMesh);
  EXPECT_EQ(FastMeshCount(), count);
}

// A child that stays (type 5) keeps its place in front even when it is the first child and
// a merged one (type 0) follows it.
TEST_F(GouraudMeshes, AFirstChildThatStaysIsKeptInFront) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}});
  GouraudO3d* kept = Child({{a_, 3, 1}}, 5);
  GouraudO3d* merged = Child({{b_, 3, 1}}, 0);
  GouraudO3d* grandchild = Child({{a_, 3, 1}}, 6);
  AddChildMesh(*merged, grandchild);
  AddChildMesh(*mesh, kept);
  AddChildMesh(*mesh, merged);
  EXPECT_EQ(BuildMeshFromPoints(*mesh), nullptr);
  EXPECT_EQ(mesh->partCount, 2) << "the merged child's b part joined";
  ASSERT_EQ(mesh->childCount, 2);
  EXPECT_EQ(mesh->children[0], kept);
  EXPECT_EQ(mesh->children[1], grandchild);
}

// A pass's own constants: the first pass's go to their pixel row before it, the second's
// before the second pass (a blended part asks for one), and the first's again after it, so
// that the row holds the first's when the mesh is done, with or without a second pass.
TEST_F(GouraudMeshes, PassConstantsGoToTheirRowBeforeEachPassAndTheFirstsStay) {
  GouraudO3d* blended = Mesh({{KeyMaterial(5, 2), 3, 1}});
  GouraudO3d* solid = Mesh({{a_, 3, 1}});
  GouraudO3d::CreateFastMesh(*blended);
  GouraudO3d::CreateFastMesh(*solid);
  const float first[4] = {1, 2, 3, 4}, second[4] = {5, 6, 7, 8}, other[4] = {9, 9, 9, 9};
  const int row = 13;
  const GouraudO3d::PassConstants pass{row, first, second, sizeof first};
  auto rowHolds = [&](const float* want) { return std::memcmp(PSConstants[row].shadow, want, sizeof first) == 0; };

  UploadConstantRowData(1, row, other, sizeof other);
  GouraudO3d::DrawFastMeshes(*blended, &pass, nullptr);
  EXPECT_TRUE(rowHolds(first)) << "the first's again after the second pass";
  UploadConstantRowData(1, row, other, sizeof other);
  GouraudO3d::DrawFastMeshes(*solid, &pass, nullptr);
  EXPECT_TRUE(rowHolds(first));
}

// A batch left open keeps nothing: the next batch closes it first (its triangles none), and
// so does the frame's reset, after which no batch is open.
TEST_F(GouraudMeshes, ABatchLeftOpenIsClosedByTheNextOneAndByTheReset) {
  ResetTempMeshes();
  ASSERT_EQ(AddDrawBatch(a_, 3, 1), 0);
  ASSERT_NE(TempMeshWriter(), nullptr);
  ResetTempMeshes();
  EXPECT_EQ(TempMeshWriter(), nullptr) << "the first batch, left open, closed by the reset";
  EXPECT_EQ(TempMeshes.writing, -1);
  EXPECT_EQ(TempMeshes.count, 0u);
  ASSERT_EQ(AddDrawBatch(a_, 3, 1), 0);
  TempMeshes.entries[0].triangleCount = 5;  // as if something had been counted in it
  EXPECT_EQ(AddDrawBatch(a_, 3, 1), 1);
  EXPECT_EQ(TempMeshes.entries[0].triangleCount, 0u) << "closed by the next one, keeping nothing";
  ResetTempMeshes();
}

// The picture's layout vertices carry each normal part held within -1..1 as a signed byte
// (127 for 1): a normal drawn long, (1.5, -2, 0.5), gives 127, -127, 64.  The wire picture
// lays out the triangle's three points in order, so the second and third points' z parts,
// -2 and 1.5, come out as -127 and 127 too (unheld, -2 * 127 = -254 would wrap to 2 in a byte).
TEST_F(GouraudMeshes, PictureVerticesHoldTheirNormalsWithinOneWhole) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}});
  for (int i = 0; i < 3; ++i) {
    mesh->points[i].nx = 1.5f;
    mesh->points[i].ny = -2.0f;
  }
  mesh->points[0].nz = 0.5f;
  mesh->points[1].nz = -2.0f;
  mesh->points[2].nz = 1.5f;
  ZKTETexture* picture = DrawObjectPicture(nullptr, *mesh, PICTURE_LAYERS_BOTH, PICTURE_WIRE_ON_BLACK);
  ASSERT_NE(picture, nullptr);
  const std::vector<uint8_t> vertices = ReadBuffer(StreamLit.vertexBuffer->buffer);
  const VertexLit v = VertexAt<VertexLit>(vertices, 0);
  EXPECT_EQ(v.normal[0], 127);
  EXPECT_EQ(v.normal[1], -127);
  EXPECT_EQ(v.normal[2], 64);
  EXPECT_EQ(v.normal[3], 127);
  EXPECT_EQ(v.x, float(mesh->points[0].x) / 65536.0f);
  EXPECT_EQ(VertexAt<VertexLit>(vertices, 1).normal[2], -127) << "a z part of -2 held at -1";
  EXPECT_EQ(VertexAt<VertexLit>(vertices, 2).normal[2], 127) << "a z part of 1.5 held at 1";
  FreeTextureRecord(picture);
}

TEST_F(GouraudMeshes, RadiiCountsAndCollectedTransforms) {
  GouraudO3d* empty = Mesh({});
  empty->CalcRadius();
  EXPECT_EQ(empty->radius, 0);

  GouraudO3d* mesh = Mesh({{a_, 3, 1}});
  mesh->points[1].y = 3 * 65536;
  mesh->points[1].z = 4 * 65536;
  GouraudO3d* child = Child({{b_, 4, 2}}, 2);
  child->local.translation = IntVector{0, 6 * 65536, 8 * 65536};
  child->radius = 65536;  // used as it stands
  AddChildMesh(*mesh, child);
  mesh->CalcRadius();
  EXPECT_EQ(mesh->radius, 11 * 65536) << "10 m to the child plus its 1 m";
  child->local.translation = IntVector{INT32_MAX, INT32_MIN, 0};
  child->radius = INT32_MAX;
  mesh->points[2].x = mesh->points[2].y = mesh->points[2].z = INT32_MIN;
  mesh->CalcRadius();
  EXPECT_EQ(mesh->radius, INT32_MAX) << "far beyond the 16.16 range: held, not wrapped";
  mesh->points[2].x = mesh->points[2].y = mesh->points[2].z = 0;
  child->local.translation = IntVector{0, 6 * 65536, 8 * 65536};
  child->radius = 65536;

  int points = 0, triangles = 0;
  mesh->CountPoints(points);
  mesh->CountTriangles(triangles);
  EXPECT_EQ(points, 7);
  EXPECT_EQ(triangles, 3);
  FixedMatrix* rotations[4];
  IntVector* positions[4];
  int count = 0;
  mesh->CollectTransforms(rotations, positions, count);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(positions[1], &child->local.translation);
  EXPECT_EQ(rotations[0], &mesh->local.rotation);
}

TEST_F(GouraudMeshes, PruningKeepsTypes6To9AndChildrenWithTriangles) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}});
  GouraudO3d* empty = Child({}, 2);
  GouraudO3d* lamp = Child({}, 7);
  GouraudO3d* solid = Child({{a_, 3, 1}}, 2);
  AddChildMesh(*mesh, empty);
  AddChildMesh(*mesh, lamp);
  AddChildMesh(*mesh, solid);
  empty->fastMesh = NewFastMesh();
  const int fastMeshes = FastMeshCount();
  PruneEmptyChildren(*mesh);
  EXPECT_EQ(FastMeshCount(), fastMeshes - 1) << "the first child, empty, is freed with its fast mesh";
  ASSERT_EQ(mesh->childCount, 2);
  EXPECT_EQ(mesh->children[0], lamp);
  EXPECT_EQ(mesh->children[1], solid);
  lamp->type = 1;
  solid->triangleCount = 0;
  PruneEmptyChildren(*mesh);
  EXPECT_EQ(mesh->childCount, 0);
  EXPECT_EQ(mesh->children, nullptr);
}

TEST_F(GouraudMeshes, FastMeshesTakeTheirMeshesWorldMatricesAndAPlainPart) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}});
  GouraudO3d* child = Child({{b_, 3, 1}}, 2);
  child->local.translation = IntVector{0, 65536, 0};
  MatrixRotZ(child->local.rotation, 16384);
  AddChildMesh(*mesh, child);
  mesh->world.translation = IntVector{2 * 65536, 0, 0};
  GouraudO3d::CreateFastMesh(*mesh);
  UpdateFastMeshTransforms(*mesh);
  const float* m = GetFastMesh(mesh->fastMesh)->worldMatrix;
  EXPECT_EQ(m[12], 2.0f);
  const float* c = GetFastMesh(child->fastMesh)->worldMatrix;
  EXPECT_EQ(c[12], 2.0f);
  EXPECT_EQ(c[13], 1.0f);
  EXPECT_EQ(c[1], 1.0f) << "the fixed rotation's first column (x to y) as the float matrix's first row";
  EXPECT_EQ(c[4], -1.0f);
  EXPECT_EQ(c[15], 1.0f);
  EXPECT_EQ(c[3], 0.0f);

  // The plain part takes a mesh's points after its own.
  ZKTETexture plain{};
  std::snprintf(plain.name, sizeof plain.name, "PLAIN~W");
  Material* white = CreateMaterial(&plain, 1, 0, 1, AlphaParams(0), 0);
  FastMeshHandle handle = NewFastMesh();
  FastMesh& fast = *GetFastMesh(handle);
  ASSERT_EQ(ReservePrimitiveParts(fast, 2, 1), 1);
  fast.parts[1].material = white;
  AddPlainFastMeshPart(*mesh, fast);
  AddPlainFastMeshPart(*child, fast);
  EXPECT_EQ(fast.parts[1].buildVertices.size(), 6u);
  ASSERT_EQ(fast.parts[1].buildIndices.size(), 6u);
  EXPECT_EQ(fast.parts[1].buildIndices[3], 3) << "the second mesh's triangle after the first's points";
  EXPECT_TRUE(fast.parts[0].buildVertices.empty());
  BuildPrimitive(fast, 0);
  FreeFastMesh(handle);
  ReleaseMaterial(white);
}

TEST_F(GouraudMeshes, PointNormalsAreLinesWhileTheLineStreamIsOpen) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}});
  FixedTransform parent;
  MatrixIdentity(parent.rotation);
  parent.translation = IntVector{0, 0, 65536};
  uint32_t before = StreamLines3D.vertexCount;
  DrawPointNormals(*mesh, parent, 1, 0xFFFF0000u);
  EXPECT_EQ(StreamLines3D.vertexCount, before) << "no line batch open: nothing";
  ASSERT_EQ(BeginLineBatch3D(), 1);
  DrawPointNormals(*mesh, parent, 1, 0xFFFF0000u);
  EXPECT_EQ(StreamLines3D.vertexCount, 6u);
  StreamLines3D.UnlockBuffer();
  std::vector<uint8_t> bytes = ReadBuffer(StreamLines3D.vertexBuffer->buffer);
  EXPECT_NEAR(VertexAt<VertexLine3D>(bytes, 0).z, 1.0f, 1e-5f);
  EXPECT_NEAR(VertexAt<VertexLine3D>(bytes, 1).z, 1.5f, 1e-5f) << "half a metre along the normal";
  EXPECT_EQ(VertexAt<VertexLine3D>(bytes, 1).colour, 0xFFFF0000u);
  EndLineBatch3D();
  // A shift past the word's 32 bits leaves 65536 >> 40 = 0: lines of no length, nothing wraps.
  ASSERT_EQ(BeginLineBatch3D(), 1);
  DrawPointNormals(*mesh, parent, 40, 0xFFFF0000u);
  StreamLines3D.UnlockBuffer();
  bytes = ReadBuffer(StreamLines3D.vertexBuffer->buffer);
  EXPECT_NEAR(VertexAt<VertexLine3D>(bytes, 1).z, 1.0f, 1e-6f);
  EndLineBatch3D();
}

TEST_F(GouraudMeshes, FastMeshListsFreeAllOrWhatWasAddedSinceTheMark) {
  FastMeshList list{};
  for (int i = 0; i < 65; ++i) list.Add(NewFastMesh());
  EXPECT_EQ(list.capacity, 128) << "64 at first, then doubled";
  FastMeshHandle kept = list.entries[1];
  list.Mark();
  FastMeshHandle later = NewFastMesh();
  list.Add(later);
  list.Add(NewFastMesh());
  list.FreeAdded();
  EXPECT_EQ(list.count, 65);
  EXPECT_EQ(GetFastMesh(later), nullptr);
  EXPECT_NE(GetFastMesh(kept), nullptr);
  list.FreeAll();
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(GetFastMesh(kept), nullptr);
}

// After the graphics are released and made again, every handle is stale: freeing the mesh
// frees no fast mesh twice, and the mesh builds and draws new ones.
TEST_F(GouraudMeshes, MeshesRebuildAfterTheGraphicsAreReleased) {
  GouraudO3d* mesh = Mesh({{a_, 3, 1}, {b_, 3, 1}});
  AddChildMesh(*mesh, Child({{a_, 3, 1}}, 2));
  GouraudO3d::CreateFastMesh(*mesh);
  ASSERT_NE(GetFastMesh(mesh->fastMesh), nullptr);
  FreeAllGraphics(1, 0);
  EXPECT_EQ(GetFastMesh(mesh->fastMesh), nullptr);
  EXPECT_EQ(FastMeshCount(), 0);
  // The materials went with the graphics: the mesh takes new ones, as a builder does.
  a_ = KeyMaterial(1);
  b_ = KeyMaterial(2);
  mesh->parts[0].key = a_;
  mesh->parts[1].key = b_;
  static_cast<GouraudO3d*>(mesh->children[0])->parts[0].key = a_;
  GouraudO3d::CreateFastMesh(*mesh);
  EXPECT_EQ(FastMeshCount(), 2);
  uint32_t draws = Gfx.drawCalls;
  GouraudO3d::DrawFastMeshes(*mesh, nullptr, nullptr);
  EXPECT_EQ(Gfx.drawCalls, draws + 3);
  EXPECT_EQ(mesh->Draw(0, nullptr), 3) << "the temporary meshes were made again too";
  FreeAllGraphics(1, 0);
  DeleteDrawMesh(mesh);  // its handles are stale: nothing is freed twice
  owned_.clear();
  EXPECT_EQ(FastMeshCount(), 0);
}

}  // namespace
