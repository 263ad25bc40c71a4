// draw_mesh_test.cpp - what both kinds of display mesh share, without a device: the base
// set-up, the visibility rule, composing a child under its parent, radii held to a 16.16
// word, the shadow rule, colour and projection, and fixed transforms as float matrices.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "core/fixed_math.h"
#include "render/draw_mesh.h"
#include "render/mesh_local.h"
#include "render/views.h"

namespace {

constexpr int32_t M = 65536;  // one metre, 16.16

// A mesh of neither kind: the shared parts only, its operations do nothing.
struct PlainMesh : DrawMesh {
  void Init() override { InitBase(); }
  void Free() override {}
  int IsGouraud() const override { return 0; }
  void CalcRadius() override {}
  int Draw(int, uint16_t*) override { return 0; }
  int DrawPosed(const FixedTransform&, const FixedTransform*, int, int, uint16_t*) override { return 0; }
  void DrawShadow(const FixedTransform&) override {}
  void DrawSurfaceColours(const FixedTransform&, int) override {}
};

void Scribble(FixedTransform& t, int32_t seed) {
  for (int i = 0; i < 9; ++i) t.rotation.m[i] = seed + i;
  t.translation = IntVector{seed, -seed, 2 * seed};
}

void ExpectIdentity(const FixedTransform& t, const char* which) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(t.rotation.m[r * 3 + c], r == c ? M : 0) << which << " " << r << c;
  EXPECT_EQ(t.translation.x, 0) << which;
  EXPECT_EQ(t.translation.y, 0) << which;
  EXPECT_EQ(t.translation.z, 0) << which;
}

class DrawMeshShared : public ::testing::Test {
 protected:
  View view_{};
  View* savedView_ = nullptr;
  void SetUp() override {
    MeshDisplay = MeshDisplaySettings{};
    savedView_ = CurrentView;
    CurrentView = &view_;
  }
  void TearDown() override {
    CurrentView = savedView_;
    MeshDisplay = MeshDisplaySettings{};
  }
};

}  // namespace

TEST_F(DrawMeshShared, InitGivesIdentityTransformsAndNothingElse) {
  PlainMesh mesh;
  Scribble(mesh.local, 11);
  Scribble(mesh.world, 23);
  mesh.radius = mesh.pointCount = mesh.triangleCount = 5;
  mesh.type = 3;
  mesh.flags[0] = mesh.flags[1] = mesh.flags[2] = 0xFF;
  mesh.Init();
  ExpectIdentity(mesh.local, "local");
  ExpectIdentity(mesh.world, "world");
  EXPECT_EQ(mesh.radius, 0);
  EXPECT_EQ(mesh.pointCount, 0);
  EXPECT_EQ(mesh.triangleCount, 0);
  EXPECT_EQ(mesh.childCount, 0);
  EXPECT_EQ(mesh.children, nullptr);
  EXPECT_EQ(mesh.type, 0);
  EXPECT_EQ(mesh.flags[0] | mesh.flags[1] | mesh.flags[2], 0);
}

// Whole objects (type 0) follow one switch, subobjects the other; the current object is
// drawn whatever the switches say; the modeller's children-only mode draws no mesh's own.
TEST_F(DrawMeshShared, VisibilityFollowsTheSwitchOfTheMeshsKindAndTheCurrentObject) {
  PlainMesh whole, part, other;
  whole.Init();
  part.Init();
  other.Init();
  part.type = 2;
  EXPECT_TRUE(MeshVisible(whole));
  EXPECT_TRUE(MeshVisible(part));
  MeshDisplay.showWholeObjects = 0;
  EXPECT_FALSE(MeshVisible(whole));
  EXPECT_TRUE(MeshVisible(part));
  MeshDisplay.showWholeObjects = 1;
  MeshDisplay.showSubobjects = 0;
  EXPECT_TRUE(MeshVisible(whole));
  EXPECT_FALSE(MeshVisible(part));
  MeshDisplay.currentObject = &part;
  EXPECT_TRUE(MeshVisible(part));
  MeshDisplay.currentObject = &other;
  EXPECT_FALSE(MeshVisible(part));
  MeshDisplay.modellerDrawMode = 1;
  MeshDisplay.showSubobjects = 1;
  EXPECT_FALSE(MeshVisible(whole));
  EXPECT_FALSE(MeshVisible(part));
  MeshDisplay.modellerDrawMode = 2;
  EXPECT_TRUE(MeshVisible(whole));
}

// The child's world is the parent's world after the child's local transform.  With the
// parent turned a quarter about z (x to y) and one metre along x, a child one metre along
// its parent's x sits at (1, 1, 0); composed the other way round it would be at (2, 0, 0).
TEST_F(DrawMeshShared, AChildIsPlacedInItsParentsTurnedFrame) {
  FixedTransform parent{};
  parent.rotation = FixedMatrix{{0, -M, 0, M, 0, 0, 0, 0, M}};
  parent.translation = IntVector{M, 0, 0};
  PlainMesh child;
  child.Init();
  child.local.translation = IntVector{M, 0, 0};
  child.local.rotation = FixedMatrix{{M, 0, 0, 0, 0, -M, 0, M, 0}};  // a quarter about x
  ComposeChildTransform(parent, child);
  EXPECT_EQ(child.world.translation.x, M);
  EXPECT_EQ(child.world.translation.y, M);
  EXPECT_EQ(child.world.translation.z, 0);
  // parent x child, by hand: rows of the parent's rotation times the child's columns.
  const int32_t expected[9] = {0, 0, M, M, 0, 0, 0, M, 0};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(child.world.rotation.m[i], expected[i]) << i;
  // The parent's world and the child's local are left as they were.
  EXPECT_EQ(child.local.translation.x, M);
  EXPECT_EQ(parent.translation.y, 0);
}

// Points are read at the stride given (the word after each position is not part of it);
// the farthest is 6 m out.  A child 8 m away with a 1 m radius makes it 9 m; a nearer
// one does not lower it.  Held at both ends of a 16.16 word.
TEST_F(DrawMeshShared, TheRadiusCoversThePointsAndTheChildrenHeldToAWord) {
  struct Point {
    int32_t position[3];
    int32_t other;
  };
  const Point points[3] = {{{3 * M, 4 * M, 0}, 100 * M}, {{0, 0, -6 * M}, 100 * M}, {{M, M, M}, 100 * M}};
  PlainMesh mesh;
  mesh.Init();
  mesh.pointCount = 3;
  SetRadiusFromPoints(mesh, points[0].position, sizeof(Point));
  EXPECT_EQ(mesh.radius, 6 * M);
  mesh.pointCount = 1;
  SetRadiusFromPoints(mesh, points[0].position, sizeof(Point));
  EXPECT_EQ(mesh.radius, 5 * M) << "only the first point: (3, 4, 0)";

  PlainMesh far, near;
  far.Init();
  near.Init();
  far.local.translation = IntVector{0, 0, 8 * M};
  far.radius = M;
  near.local.translation = IntVector{3 * M, 0, 4 * M};
  EXPECT_EQ(ChildRadiusCandidate(far), 9 * M);
  EXPECT_EQ(ChildRadiusCandidate(near), 5 * M);
  DrawMesh* children[2] = {&near, &far};
  mesh.children = children;
  mesh.childCount = 2;
  mesh.pointCount = 3;
  SetRadiusFromPoints(mesh, points[0].position, sizeof(Point));
  EXPECT_EQ(mesh.radius, 9 * M);
  mesh.childCount = 1;
  SetRadiusFromPoints(mesh, points[0].position, sizeof(Point));
  EXPECT_EQ(mesh.radius, 6 * M) << "the near child is inside the points' 6 m";
  mesh.children = nullptr;
  mesh.childCount = 0;

  // A damaged child: far out beyond a word, or a negative radius larger than its distance.
  far.local.translation = IntVector{INT32_MAX, INT32_MAX, INT32_MAX};
  far.radius = INT32_MAX;
  EXPECT_EQ(ChildRadiusCandidate(far), INT32_MAX);
  near.local.translation = IntVector{M, 0, 0};
  near.radius = -2 * M;
  EXPECT_EQ(ChildRadiusCandidate(near), 0);
}

// Shadows need a light from above of at least 1/32 (2048 in 16.16) and the setting on.
TEST_F(DrawMeshShared, ShadowsNeedALightFromAboveAndTheSettingOn) {
  view_.lightDirection[0] = 5 * M;
  view_.lightDirection[2] = 2048;
  EXPECT_TRUE(ShadowsAllowed());
  view_.lightDirection[2] = 2047;
  EXPECT_FALSE(ShadowsAllowed());
  view_.lightDirection[2] = M;
  MeshDisplay.shadowSetting = 0;
  EXPECT_FALSE(ShadowsAllowed());
  MeshDisplay.shadowSetting = 1;
  EXPECT_TRUE(ShadowsAllowed());
  CurrentView = nullptr;
  EXPECT_FALSE(ShadowsAllowed());
}

// Ambient times tint, times 255, rounded and held to a byte, packed opaque as 0xAARRGGBB:
// red 0.5 x 0.4 = 0.2 -> 51, green 0.6 -> 153, blue 2.0 -> 510 held at 255.
TEST_F(DrawMeshShared, TheShadowColourIsTheAmbientTimesTheTintInBytes) {
  view_.ambient[0] = 0.5f;
  view_.ambient[1] = 0.6f;
  view_.ambient[2] = 2.0f;
  MeshDisplay.shadowTint[0] = 0.4f;
  MeshDisplay.shadowTint[1] = 1.0f;
  MeshDisplay.shadowTint[2] = 1.0f;
  EXPECT_EQ(ShadowColour(), 0xFF3399FFu);
  view_.ambient[0] = -1.0f;
  view_.ambient[1] = 0.0f;
  view_.ambient[2] = 0.002f;  // 0.51 -> 1
  EXPECT_EQ(ShadowColour(), 0xFF000001u);
}

// A point slid down the light onto the ground: light (0.5, -1, 1), the point (1, 2, 3) m
// goes back 3 light lengths: (1 - 1.5, 2 + 3, 0).
TEST_F(DrawMeshShared, AShadowPointSlidesAlongTheLightOntoTheGround) {
  view_.lightDirection[0] = M / 2;
  view_.lightDirection[1] = -M;
  view_.lightDirection[2] = M;
  float out[3] = {9, 9, 9};
  ShadowPoint(IntVector{M, 2 * M, 3 * M}, out);
  EXPECT_FLOAT_EQ(out[0], -0.5f);
  EXPECT_FLOAT_EQ(out[1], 5.0f);
  EXPECT_FLOAT_EQ(out[2], 0.0f);
  // A light twice as steep moves the point half as far.
  view_.lightDirection[2] = 2 * M;
  ShadowPoint(IntVector{M, 2 * M, 3 * M}, out);
  EXPECT_FLOAT_EQ(out[0], 0.25f);
  EXPECT_FLOAT_EQ(out[1], 3.5f);
  EXPECT_FLOAT_EQ(out[2], 0.0f);
}

// Row vectors: the rotation's (r, c) goes to (c, r) of the upper 3x3, the translation to
// the fourth row, the fourth column is (0, 0, 0, 1) whatever the array held.
TEST_F(DrawMeshShared, AFixedTransformBecomesATransposedFloatMatrix) {
  FixedTransform t{};
  for (int i = 0; i < 9; ++i) t.rotation.m[i] = (i + 1) * M / 4;  // 0.25, 0.5, ... 2.25
  t.translation = IntVector{M / 2, -3 * M, 10 * M};
  float out[16];
  for (float& f : out) f = 77.0f;
  FixedMatrixToFloat(t, out);
  const float expected[16] = {0.25f, 1.0f,  1.75f, 0.0f,  //
                              0.5f,  1.25f, 2.0f,  0.0f,  //
                              0.75f, 1.5f,  2.25f, 0.0f,  //
                              0.5f,  -3.0f, 10.0f, 1.0f};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(out[i], expected[i]) << i;
}
