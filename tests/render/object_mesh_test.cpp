// object_mesh_test.cpp - flat-shaded meshes on the null device: triangle normals, the physics
// limits and collision meshes, flat batches of 20480 triangles, colours, shadows and posed
// drawing, scaling and bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/gamma_tables.h"
#include "render/device.h"
#include "render/immediate.h"
#include "render/object_mesh.h"
#include "render/oriented_box.h"
#include "render/views.h"
#include "tests/render/mesh_fixtures.h"
#include "tests/render/null_renderer.h"
#include "text/text_colours.h"

namespace {

// An object of n points on a circle and t triangles fanned over them (point 0 the hub).
Obj3d* Fan(int points, int triangles) {
  Obj3d* o = NewObj3d();
  AllocateMeshArrays(*o, points, triangles);
  for (int i = 0; i < points; ++i) {
    o->points[i].x = i * 65536;
    o->points[i].y = (i % 2) * 65536;
  }
  for (int i = 0; i < triangles; ++i) {
    Obj3dTriangle& t = o->triangles[i];
    Obj3dPoint* a = &o->points[0];
    Obj3dPoint* b = &o->points[1 + i % (points - 2)];
    Obj3dPoint* c = &o->points[2 + i % (points - 2)];
    InitTriangleRecord(t, a, b, c, RgbWord(200, 100, 50), uint16_t(i));
  }
  return o;
}

TEST(ObjectTriangles, NormalsHaveLength65536AndADegenerateTriangleNone) {
  Obj3dPoint p[3] = {};
  p[1].x = 65536;
  p[2].y = 2 * 65536;
  Obj3dTriangle t{};
  InitTriangleRecord(t, &p[0], &p[1], &p[2], 0x123456u, 0x81);
  EXPECT_EQ(t.normal[0], 0);
  EXPECT_EQ(t.normal[1], 0);
  EXPECT_EQ(t.normal[2], 65536);
  EXPECT_EQ(t.colour, 0x123456u);
  EXPECT_EQ(t.surface, 0x81);
  EXPECT_EQ(t.points[2], &p[2]);
  p[1].x = p[2].y = 0;
  InitTriangleRecord(t, &p[0], &p[1], &p[2], 0, 0);
  EXPECT_EQ(t.normal[0], 0);
  EXPECT_EQ(t.normal[1], 0);
  EXPECT_EQ(t.normal[2], 0) << "all three points in one place";
}

TEST(ObjectPhysics, LimitsAndTheirTextsInOrder) {
  struct Case {
    int points, triangles, larger;
    const char* applied;  // ApplyPhysicsLimits
    const char* checked;  // CheckPhysicsMesh
  };
  const Case cases[] = {
      {0, 0, 0, "No physics - no points in lowest LOD", "No physics - no points in lowest LOD"},
      {3, 0, 0, "No physics - no triangles in lowest LOD", "No physics - no triangles in lowest LOD"},
      {120, 240, 0, nullptr, "No physics - more than 24 vertices in lowest LOD"},
      {121, 240, 0, "No physics - too many vertices", "No physics - more than 24 vertices in lowest LOD"},
      {120, 241, 0, "No physics - too many triangles", "No physics - more than 24 vertices in lowest LOD"},
      {24, 42, 0, nullptr, nullptr},
      {25, 42, 0, nullptr, "No physics - more than 24 vertices in lowest LOD"},
      {24, 43, 0, nullptr, "No physics - more than 42 triangles in lowest LOD"},
      {32, 60, 1, nullptr, nullptr},
      {33, 60, 1, nullptr, "No physics - more than 32 vertices in lowest LOD"},
      {32, 61, 1, nullptr, "No physics - more than 60 triangles in lowest LOD"},
  };
  for (const Case& c : cases) {
    Obj3d* o = Fan(std::max(c.points, 3), c.triangles);
    o->pointCount = c.points;  // the arrays stay; only the counts are tested
    CollisionMesh owner{};
    owner.physics[0] = 9;
    const char* applied = ApplyPhysicsLimits(*o);
    const char* checked = CheckPhysicsMesh(*o, owner, c.larger);
    EXPECT_STREQ(applied, c.applied) << c.points << " points, " << c.triangles << " triangles";
    EXPECT_STREQ(checked, c.checked) << c.points << " points, " << c.triangles << " triangles";
    if (checked) {
      EXPECT_EQ(owner.physics[0], 9) << "a refused object leaves the owner as it was";
    }
    o->pointCount = std::max(c.points, 3);
    FreeCollisionMesh(owner);
    DeleteDrawMesh(o);
  }
}

TEST(ObjectPhysics, TheCollisionMeshTakesThePointsInMetresAndTheirTriangles) {
  Obj3d* o = Fan(5, 3);
  o->physics[0] = 4;
  o->physics[1] = 7;
  CollisionMesh owner{};
  ASSERT_EQ(CheckPhysicsMesh(*o, owner, 0), nullptr);
  EXPECT_EQ(owner.physics[0], 4);
  EXPECT_EQ(owner.physics[1], 7);
  ASSERT_EQ(owner.pointCount, 5);
  ASSERT_EQ(owner.triangleCount, 3);
  EXPECT_EQ(owner.points[3].position[0], 3.0f);
  EXPECT_EQ(owner.points[3].position[1], 1.0f);
  EXPECT_EQ(owner.points[3].rest[0], 0.0f);
  EXPECT_EQ(owner.triangles[2].points[0], &owner.points[0]);
  EXPECT_EQ(owner.triangles[2].points[2], &owner.points[4]) << "the same places as the object's points";
  EXPECT_FLOAT_EQ(owner.triangles[0].normal[2], float(o->triangles[0].normal[2]) / 65536.0f);
  // A second check replaces the owner's mesh.
  ASSERT_EQ(CheckPhysicsMesh(*o, owner, 0), nullptr);
  EXPECT_EQ(owner.pointCount, 5);
  o->triangles[1].points[1] = nullptr;
  EXPECT_STREQ(CheckPhysicsMesh(*o, owner, 0), "No physics - bad triangle in lowest LOD");
  EXPECT_EQ(owner.pointCount, 5);
  o->triangles[1].points[1] = o->points + o->pointCount;  // just past the last point
  EXPECT_STREQ(CheckPhysicsMesh(*o, owner, 0), "No physics - bad triangle in lowest LOD");
  o->triangles[1].points[1] = o->points + (o->pointCount - 1);  // the last point itself
  EXPECT_EQ(CheckPhysicsMesh(*o, owner, 0), nullptr);
  FreeCollisionMesh(owner);
  DeleteDrawMesh(o);
}

class ObjectDrawing : public NullRenderer {
 protected:
  void SetUp() override {
    NullRenderer::SetUp();
    InitSinCosTables();
    MeshDisplay = MeshDisplaySettings{};
    const int32_t position[3] = {0, 0, 0}, light[3] = {0, 0, 65536};
    const float direction[3] = {0, 0, 1};
    InitView(view_, position, direction, light);
    SetViewLightColours(1);
    LightingMode = 0;
  }
  void TearDown() override {
    CurrentView = &MainView;  // the fixture's view goes with the fixture
    MeshDisplay = MeshDisplaySettings{};
    LightingMode = 0;
  }
  static std::vector<uint8_t> StreamVertices() { return ReadBuffer(StreamLines3D.vertexBuffer->buffer); }
  static std::vector<uint8_t> StreamIndices() { return ReadBuffer(StreamLines3D.indexBuffer->buffer); }
  View view_{};
};

TEST_F(ObjectDrawing, FlatTrianglesComeInBatchesOf20480WithTheirIndicesReversed) {
  Obj3d* o = Fan(4, 20481);
  o->world.translation = IntVector{0, 0, 65536};
  uint32_t draws = Gfx.drawCalls;
  EXPECT_EQ(o->Draw(0, nullptr), 0);
  EXPECT_EQ(Gfx.drawCalls, draws + 2) << "20480 triangles, then one";
  // The last batch holds triangle 20480: points 0, 1 + 20480 % 2, 2 + 20480 % 2.
  std::vector<uint8_t> v = StreamVertices(), i = StreamIndices();
  EXPECT_EQ(VertexAt<VertexLine3D>(v, 0).z, 1.0f) << "world positions";
  EXPECT_EQ(VertexAt<VertexLine3D>(v, 1).x, 1.0f) << "the stored order";
  EXPECT_EQ(VertexAt<VertexLine3D>(v, 2).x, 2.0f);
  EXPECT_EQ(i[0], 2);
  EXPECT_EQ(i[2], 1);
  EXPECT_EQ(i[4], 0);
  const Obj3dTriangle& last = o->triangles[20480];
  EXPECT_EQ(VertexAt<VertexLine3D>(v, 0).colour, ColourWithLighting(last.worldNormal, last.colour));
  EXPECT_EQ(last.worldNormal[2], last.normal[2]);

  MeshDisplay.showWholeObjects = 0;
  draws = Gfx.drawCalls;
  o->Draw(0, nullptr);
  EXPECT_EQ(Gfx.drawCalls, draws) << "hidden by the view switch";
  DeleteDrawMesh(o);
}

// A mesh's children are drawn before it, every one of them, each under the parent's world
// transform composed with its own: the parent 1 m up, its children 1 m and 2 m along x, so
// their hub points land at (1, 0, 1) and (2, 0, 1) m.  Each draw is one batch: three in all,
// for the plain draw, the shadow and the surface colours alike, and the posed draw too.
TEST_F(ObjectDrawing, EveryChildIsDrawnUnderItsParentsTransform) {
  Obj3d* parent = Fan(3, 1);
  Obj3d* first = Fan(3, 1);
  Obj3d* second = Fan(3, 1);
  first->local.translation = IntVector{65536, 0, 0};
  second->local.translation = IntVector{2 * 65536, 0, 0};
  AddChildMesh(*parent, first);
  AddChildMesh(*parent, second);
  FixedTransform up;
  SetIdentityTransform(up);
  up.translation = IntVector{0, 0, 65536};
  parent->world = up;
  const auto hubs = [&](const char* what) {
    EXPECT_EQ(first->points[0].wx, 65536) << what;
    EXPECT_EQ(first->points[0].wz, 65536) << what;
    EXPECT_EQ(second->points[0].wx, 2 * 65536) << what;
    EXPECT_EQ(second->points[0].wz, 65536) << what;
  };
  uint32_t draws = Gfx.drawCalls;
  parent->Draw(0, nullptr);
  EXPECT_EQ(Gfx.drawCalls, draws + 3);
  hubs("draw");

  // The same placing from the parent's own transform under an identity: the worlds are
  // worked out afresh.
  for (Obj3d* o : {parent, first, second}) SetIdentityTransform(o->world);
  for (Obj3d* o : {first, second}) o->points[0].wx = o->points[0].wz = 0;
  FixedTransform identity;
  SetIdentityTransform(identity);
  parent->local = up;
  draws = Gfx.drawCalls;
  parent->DrawSurfaceColours(identity, 0);
  EXPECT_EQ(Gfx.drawCalls, draws + 3);
  hubs("surface colours");

  draws = Gfx.drawCalls;
  parent->DrawShadow(identity);
  EXPECT_EQ(Gfx.drawCalls, draws + 3) << "shadows";
  draws = Gfx.drawCalls;
  parent->DrawPosed(identity, nullptr, 0, 0, nullptr);
  EXPECT_EQ(Gfx.drawCalls, draws + 3) << "posed";
  DeleteDrawMesh(parent);
}

TEST_F(ObjectDrawing, SurfaceColoursAreTheCodeColoursOrBlack) {
  Obj3d* o = Fan(3, 1);
  o->triangles[0].surface = 0x85;  // code 5
  FixedTransform identity;
  SetIdentityTransform(identity);
  o->DrawSurfaceColours(identity, 0);
  EXPECT_EQ(MeshDisplay.drawMode, 0) << "the draw mode is put back";
  ColourWord c = ColourCodeTable[5];
  const uint32_t want = 0xFF000000u | uint32_t(BrightnessTable[ColourRed(c)]) << 16 |
                        uint32_t(BrightnessTable[ColourGreen(c)]) << 8 | BrightnessTable[ColourBlue(c)];
  EXPECT_EQ(VertexAt<VertexLine3D>(StreamVertices(), 0).colour, want);
  o->DrawSurfaceColours(identity, 1);
  EXPECT_EQ(VertexAt<VertexLine3D>(StreamVertices(), 0).colour, 0xFF000000u);
  DeleteDrawMesh(o);
}

TEST_F(ObjectDrawing, ShadowsLieOnTheGroundAlongTheLightAndNeedALightFromAbove) {
  Obj3d* o = Fan(3, 1);
  for (int i = 0; i < 3; ++i) o->points[i].z = 2 * 65536;
  view_.lightDirection[0] = 65536;
  view_.lightDirection[1] = 0;
  view_.lightDirection[2] = 2 * 65536;  // one across for two up
  view_.ambient[0] = 1.0f;
  view_.ambient[1] = 0.5f;
  view_.ambient[2] = 0.0f;
  MeshDisplay.shadowTint[0] = MeshDisplay.shadowTint[1] = MeshDisplay.shadowTint[2] = 0.5f;
  FixedTransform identity;
  SetIdentityTransform(identity);
  uint32_t draws = Gfx.drawCalls;
  o->DrawShadow(identity);
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  std::vector<uint8_t> v = StreamVertices();
  VertexLine3D hub = VertexAt<VertexLine3D>(v, 0), second = VertexAt<VertexLine3D>(v, 1);
  EXPECT_NEAR(hub.x, -1.0f, 1e-4f) << "2 m up, moved back 1 m along the light";
  EXPECT_NEAR(hub.z, 0.0f, 1e-4f);
  EXPECT_NEAR(second.x, 0.0f, 1e-4f);
  EXPECT_NEAR(second.y, 1.0f, 1e-4f);
  EXPECT_EQ(hub.colour, 0xFF000000u | 128u << 16 | 64u << 8) << "ambient x tint";

  view_.lightDirection[2] = 2047;
  draws = Gfx.drawCalls;
  o->DrawShadow(identity);
  EXPECT_EQ(Gfx.drawCalls, draws) << "a light below 1/32 up casts no shadow";
  view_.lightDirection[2] = 2048;
  MeshDisplay.shadowSetting = 0;
  o->DrawShadow(identity);
  EXPECT_EQ(Gfx.drawCalls, draws) << "shadows switched off";
  DeleteDrawMesh(o);
}

// A shadow's mesh is placed by its parent's transform after its own: the parent 1 m along x
// and the mesh's own quarter turn about z.  The rotation's rows (0,-1,0), (1,0,0), (0,0,1) take
// (x, y) to (-y, x), so x turns onto y.  Turned first, the points (0,0,0), (1,1,0), (2,0,0) go
// to (0,0), (-1,1), (0,2), then 1 m along x to (1,0), (0,1), (1,2); and the mesh's world is
// the turn with the parent's 1 m along x left as it is.  With the light straight down a point
// on the ground is its own shadow.
TEST_F(ObjectDrawing, AShadowIsTurnedByItsOwnTransformBeforeTheParentMovesIt) {
  Obj3d* o = Fan(3, 1);
  o->local.rotation = FixedMatrix{{0, -65536, 0, 65536, 0, 0, 0, 0, 65536}};
  o->local.translation = IntVector{0, 0, 0};
  FixedTransform parent;
  SetIdentityTransform(parent);
  parent.translation = IntVector{65536, 0, 0};
  const uint32_t draws = Gfx.drawCalls;
  o->DrawShadow(parent);
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  EXPECT_EQ(o->world.translation.x, 65536);
  EXPECT_EQ(o->world.translation.y, 0);
  EXPECT_EQ(o->world.translation.z, 0);
  const std::vector<uint8_t> v = StreamVertices();
  const float want[3][2] = {{1.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 2.0f}};
  for (int i = 0; i < 3; ++i) {
    const VertexLine3D p = VertexAt<VertexLine3D>(v, i);
    EXPECT_NEAR(p.x, want[i][0], 1e-4f) << "point " << i;
    EXPECT_NEAR(p.y, want[i][1], 1e-4f) << "point " << i;
    EXPECT_NEAR(p.z, 0.0f, 1e-4f) << "point " << i;
  }
  DeleteDrawMesh(o);
}

TEST_F(ObjectDrawing, PosedTrianglesAreLitByTheNormalOfTheirMovedPoints) {
  Obj3d* o = Fan(3, 1);
  o->points[2].frame = 1;
  FixedTransform frames[2];
  SetIdentityTransform(frames[0]);
  SetIdentityTransform(frames[1]);
  frames[1].translation = IntVector{0, 0, 65536};  // the third point lifts: the normal tilts
  FixedTransform identity;
  SetIdentityTransform(identity);
  o->DrawPosed(identity, frames, 2, 0, nullptr);
  // Points (0,0,0), (1,1,0), (2,0,1): n = (1,1,0) x (2,0,1) = (1,-1,-2), scaled to 65536.
  const double length = std::sqrt(6.0);
  const int32_t normal[3] = {int32_t(std::lround(65536 / length)), int32_t(std::lround(-65536 / length)),
                             int32_t(std::lround(-2 * 65536 / length))};
  EXPECT_EQ(VertexAt<VertexLine3D>(StreamVertices(), 0).colour, ColourWithLighting(normal, o->triangles[0].colour));
  EXPECT_EQ(VertexAt<VertexLine3D>(StreamVertices(), 2).z, 1.0f);
  DeleteDrawMesh(o);
}

// The second point lifted 1 m by its frame and the third moved by another: (0,0,0),
// (1,1,1), (2,0.5,1) give n = (1,1,1) x (2,0.5,1) = (0.5, 1, -1.5), of length sqrt(3.5):
// each part counts in the length with its own square.  The colour is checked against the
// lighting of that normal worked out here.
TEST_F(ObjectDrawing, APosedNormalAcrossTheAxesIsScaledByItsWholeLength) {
  // A light along +y and colours low and high apart: the colour follows the normal's y and z.
  view_.lightDirection[0] = view_.lightDirection[2] = 0;
  view_.lightDirection[1] = 65536;
  for (int c = 0; c < 3; ++c) {
    view_.lightColours[0][c] = 0.1f;
    view_.lightColours[1][c] = 0.5f;
    view_.sunFactors[c] = 1.0f;
  }
  Obj3d* o = Fan(3, 1);
  o->points[1].frame = 1;
  o->points[2].frame = 2;
  FixedTransform frames[3];
  for (FixedTransform& f : frames) SetIdentityTransform(f);
  frames[1].translation = IntVector{0, 0, 65536};
  frames[2].translation = IntVector{0, 32768, 65536};
  FixedTransform identity;
  SetIdentityTransform(identity);
  o->DrawPosed(identity, frames, 3, 0, nullptr);
  const double length = std::sqrt(3.5);
  const int32_t normal[3] = {int32_t(std::lround(0.5 * 65536 / length)), int32_t(std::lround(65536 / length)),
                             int32_t(std::lround(-1.5 * 65536 / length))};
  EXPECT_EQ(VertexAt<VertexLine3D>(StreamVertices(), 0).colour, ColourWithLighting(normal, o->triangles[0].colour));
  EXPECT_EQ(VertexAt<VertexLine3D>(StreamVertices(), 1).z, 1.0f);
  DeleteDrawMesh(o);
}

// A box centred at (1, 2, 3) m with half sizes (0.5, 1, 1.5) m, moved 10 m along x: corner i
// is the centre plus the half sizes, y positive for bit 0, z for bit 1, x negative for bit
// 2.  Its twelve triangles cover each face twice, each turned outwards (the cross product
// of its edges points away from the box's centre) and the two of a face together make the
// face's area.  The colour goes through the brightness table.
TEST_F(ObjectDrawing, AnOrientedBoxHasItsEightCornersAndTwelveOutwardTriangles) {
  const OrientedBox box{{1.0f, 2.0f, 3.0f}, {0.5f, 1.0f, 1.5f}, RgbWord(128, 255, 0)};
  FixedTransform move;
  SetIdentityTransform(move);
  move.translation = IntVector{10 * 65536, 0, 0};
  const uint32_t draws = Gfx.drawCalls;
  DrawOrientedBox(box, move);
  EXPECT_EQ(Gfx.drawCalls, draws + 1);
  const std::vector<uint8_t> v = StreamVertices(), idx = StreamIndices();
  const double centre[3] = {11.0, 2.0, 3.0}, half[3] = {0.5, 1.0, 1.5};
  double corners[8][3];
  for (int i = 0; i < 8; ++i) {
    const VertexLine3D p = VertexAt<VertexLine3D>(v, uint32_t(i));
    corners[i][0] = p.x;
    corners[i][1] = p.y;
    corners[i][2] = p.z;
    EXPECT_EQ(p.x, float(centre[0] + (i & 4 ? -half[0] : half[0]))) << i;
    EXPECT_EQ(p.y, float(centre[1] + (i & 1 ? half[1] : -half[1]))) << i;
    EXPECT_EQ(p.z, float(centre[2] + (i & 2 ? half[2] : -half[2]))) << i;
    EXPECT_EQ(p.colour, 0xFF000000u | uint32_t(BrightnessTable[128]) << 16 | 0xFF00u) << i;
  }
  ASSERT_GE(idx.size(), 72u);
  double faceArea[3][2] = {};  // by axis and side
  for (int t = 0; t < 12; ++t) {
    int k[3];
    for (int c = 0; c < 3; ++c) {
      k[c] = idx[size_t(t * 3 + c) * 2] | idx[size_t(t * 3 + c) * 2 + 1] << 8;
      ASSERT_LT(k[c], 8) << t;
    }
    const double* a = corners[k[0]];
    const double* b = corners[k[1]];
    const double* c = corners[k[2]];
    const double e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, e2[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    int axis = 0;
    for (int i = 1; i < 3; ++i)
      if (std::fabs(n[i]) > std::fabs(n[axis])) axis = i;
    for (int i = 0; i < 3; ++i)
      if (i != axis) {
        EXPECT_NEAR(n[i], 0.0, 1e-9) << "triangle " << t << " lies in a face";
      }
    const double middle = (a[axis] + b[axis] + c[axis]) / 3.0 - centre[axis];
    EXPECT_NEAR(std::fabs(middle), half[axis], 1e-6) << "triangle " << t << " on the box's surface";
    EXPECT_GT(n[axis] * middle, 0.0) << "triangle " << t << " turned outwards";
    faceArea[axis][middle > 0 ? 1 : 0] += std::fabs(n[axis]) / 2.0;
  }
  for (int axis = 0; axis < 3; ++axis)
    for (int side = 0; side < 2; ++side)
      EXPECT_NEAR(faceArea[axis][side], 4.0 * half[(axis + 1) % 3] * half[(axis + 2) % 3], 1e-6) << axis << " " << side;

  const OrientedBox flat{{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, RgbWord(1, 2, 3)};
  DrawOrientedBox(flat, move);
  EXPECT_EQ(Gfx.drawCalls, draws + 1) << "a box of no size is not drawn";
}

// Of a hundred frames the first 64 are used: a point of frame 63 follows it, one of frame 64
// stays with the parent; with two frames, a point of frame 2 stays with the parent too.
TEST_F(ObjectDrawing, PosedPointsOfFramesPastTheCountStayWithTheParent) {
  Obj3d* o = Fan(3, 1);
  o->points[0].frame = 63;
  o->points[1].frame = 64;
  o->points[2].frame = 2;
  std::vector<FixedTransform> frames(100);
  for (FixedTransform& f : frames) SetIdentityTransform(f);
  frames[63].translation = IntVector{0, 0, 3 * 65536};
  frames[64].translation = IntVector{0, 0, 5 * 65536};
  frames[2].translation = IntVector{0, 0, 7 * 65536};
  FixedTransform identity;
  SetIdentityTransform(identity);
  o->DrawPosed(identity, frames.data(), 100, 0, nullptr);
  EXPECT_EQ(o->points[0].wz, 3 * 65536);
  EXPECT_EQ(o->points[1].wz, 0) << "frame 64 is past the 64 used";
  EXPECT_EQ(o->points[2].wz, 7 * 65536);
  o->DrawPosed(identity, frames.data(), 2, 0, nullptr);
  EXPECT_EQ(o->points[2].wz, 0) << "frame 2 of two frames";
  DeleteDrawMesh(o);
}

// Arrays asked with negative counts are empty ones.
TEST_F(ObjectDrawing, ArraysOfNegativeCountsAreEmpty) {
  Obj3d* o = Fan(3, 1);
  AllocateMeshArrays(*o, -3, -2);
  EXPECT_EQ(o->pointCount, 0);
  EXPECT_EQ(o->triangleCount, 0);
  EXPECT_EQ(o->points, nullptr);
  DeleteDrawMesh(o);
}

TEST_F(ObjectDrawing, ScalingBoundsRadiusAndCounts) {
  Obj3d* o = Fan(3, 1);
  o->points[2].z = -3 * 65536;
  o->ScalePoints(0.5f);
  EXPECT_EQ(o->points[2].x, 65536);
  EXPECT_EQ(o->points[2].z, -3 * 32768);
  o->CalcBounds();
  EXPECT_EQ(o->boundsMin[2], -3 * 32768);
  EXPECT_EQ(o->boundsMax[0], 65536);
  EXPECT_EQ(o->boundsMax[1], 32768);
  o->CalcRadius();
  EXPECT_NEAR(o->radius, std::sqrt(1.0 + 2.25) * 65536, 2);
  // Bounds come from the points alone: all of them below, above and beside the origin.
  Obj3d* away = Fan(3, 1);
  for (int i = 0; i < 3; ++i) {
    away->points[i].x = (i + 5) * 65536;
    away->points[i].z = -(i + 2) * 65536;
  }
  away->CalcBounds();
  EXPECT_EQ(away->boundsMin[0], 5 * 65536);
  EXPECT_EQ(away->boundsMax[2], -2 * 65536);
  DeleteDrawMesh(away);
  Obj3d* empty = NewObj3d();
  empty->boundsMax[0] = 5;
  empty->CalcBounds();
  EXPECT_EQ(empty->boundsMax[0], 0) << "no points: zero corners";
  AddChildMesh(*o, empty);
  int points = 0;
  o->CountPoints(points);
  EXPECT_EQ(points, 3);
  DeleteDrawMesh(o);
}

}  // namespace
