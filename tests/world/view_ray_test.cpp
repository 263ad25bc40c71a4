// view_ray_test.cpp - the world's view ray: the object met equals a brute-force mesh test, the
// hit is the analytic point, the segment march, the fall-back and the pick record.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "core/config.h"
#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "core/window_state.h"
#include "render/views.h"
#include "solid/solid.h"
#include "world/built_mesh.h"
#include "world/geometry_queries.h"
#include "world/pre_gen.h"
#include "world/view_ray.h"
#include "world_test_util.h"

namespace {

// A placed object whose level 0 is a flat square of side metres at height z.
struct Tile : WPreGen {
  Tile(double x, double y, double z, double side) : WPreGen(OBJECT_PLACED) {
    objectIndex = 0;
    const int32_t h = int32_t(std::lround(side / 2 * 65536)), cx = int32_t(std::lround(x * 65536)),
                  cy = int32_t(std::lround(y * 65536)), cz = int32_t(std::lround(z * 65536));
    auto* m = new BuiltMesh;
    m->pointCount = 4;
    m->points = new BuiltPoint[4]();
    const int32_t corners[4][2] = {{-h, -h}, {h, -h}, {h, h}, {-h, h}};
    for (int k = 0; k < 4; ++k) {
      m->points[k].position[0] = cx + corners[k][0];
      m->points[k].position[1] = cy + corners[k][1];
      m->points[k].position[2] = cz;
    }
    // Corners (a, c, b) make the normal: facing up.
    m->triangleCount = 2;
    m->triangles = new BuiltTriangle[2]{{{0, 2, 1}, 0}, {{0, 3, 2}, 0}};
    m->partCount = 1;
    m->parts = new BuiltPart[1]{{0, nullptr, 4, 2}};
    levels[0].built = m;
    levelCount = 1;
    m->GetBoundingSphere(centre, radius, halfSize);
    position[0] = cx;
    position[1] = cy;
  }
  int GetAddMode() override { return 0; }
  int GetBuildList() override { return -1; }
  void BuildMeshes() override {}
  int BuildLodMesh(int) override { return 0; }
  void Load(DataFile&, int) override {}
  void GetPosition(IntVector& p, float& h) override {
    p = {position[0], position[1], 0};
    h = 0;
  }
  void SetPosition(const IntVector&, float) override {}
  void Setup() override {}
};

// A road segment met as a horizontal disc, facing up.
struct DiscSegment : DiscObject {
  DiscSegment(IntVector c, int32_t r) : DiscObject(OBJECT_SEGMENT, c, r) {
    box[0] = c.x - r;
    box[1] = c.y - r;
    box[2] = c.z - 65536;
    box[3] = c.x + r;
    box[4] = c.y + r;
    box[5] = c.z + 65536;
  }
  int HasGeometry() override { return 1; }
  int RayTest(const IntVector& o, const IntVector& r, ContactProbe& hit, uint32_t* s, int32_t* b, int32_t* u,
              int32_t m) override {
    if (!DiscObject::RayTest(o, r, hit, s, b, u, m)) return 0;
    hit.candidateNormal = {0, 0, 1};
    return 1;
  }
};

struct ViewRayTest : ::testing::Test {
  Wld* w = nullptr;
  void SetUp() override { CWld = w = new Wld; }
  void TearDown() override { DeleteWorld(); }
  void Ray(double x, double y, double z, double dx, double dy, double dz) {
    const double l = std::sqrt(dx * dx + dy * dy + dz * dz);
    const int32_t o[3] = {int32_t(x * 65536), int32_t(y * 65536), int32_t(z * 65536)};
    const float d[3] = {float(dx / l), float(dy / l), float(dz / l)};
    SetViewRay(*w, o, d);
  }
};

TEST_F(ViewRayTest, ObjectMetEqualsBruteForce) {
  std::mt19937 random(58);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int i = 0; i < 60; ++i)
    w->AddObjectToTable(new Tile(u(random) * 100, u(random) * 100, (u(random) + 1) * 3, 8 + 8 * (u(random) + 1)));
  w->viewRay.kindMode = 1;
  w->viewRay.segmentPass = 0;
  int met = 0;
  for (int k = 0; k < 500; ++k) {
    const double x = u(random) * 100, y = u(random) * 100;
    Ray(x, y, 40 + u(random) * 10, u(random) * 0.3, u(random) * 0.3, -1);
    ContactProbe hit = {};
    float nearD, farD;
    const int got = CastViewRay(*w, nearD, farD, hit, 0);
    // Brute force over every level-0 mesh.
    ContactProbe best = {};
    int expected = -1;
    for (int i = 0; i < w->objectCount; ++i)
      if (MeshRayTest(*static_cast<Tile*>(w->objects[i])->levels[0].built, w->viewRay.origin, w->viewRay.direction,
                      best, MESH_RAY_MAX_DISTANCE, 0))
        expected = i;
    EXPECT_EQ(got, expected) << k;
    if (got < 0) continue;
    ++met;
    // The point is the analytic one on the tile's plane, within 1 cm.
    const double z = double(static_cast<Tile*>(w->objects[got])->levels[0].built->points[0].position[2]) / 65536;
    const ViewRay& r = w->viewRay;
    const double t = (z - r.origin[2] / 65536.0) / r.direction[2];
    EXPECT_NEAR(hit.candidatePoint.x / 65536.0, r.origin[0] / 65536.0 + r.direction[0] * t, 0.01);
    EXPECT_NEAR(hit.candidatePoint.z / 65536.0, z, 0.01);
    EXPECT_NEAR(hit.candidateNormal.z, 1.0f, 1e-6);
  }
  EXPECT_GT(met, 50);
}

// Down a vertical ray from 100 m, segments met as spheres of 5 m at 10 m, 50 m and 0 m in
// table order: the stretch to march runs from the nearest sphere's near side (45 m along) to
// the farthest one's far side (105 m), whatever the order they are listed in.
TEST_F(ViewRayTest, TheMarchedStretchRunsFromTheNearestSphereToTheFarthest) {
  for (const double z : {10.0, 50.0, 0.0}) w->AddObjectToTable(new DiscSegment({0, 0, int32_t(z * 65536)}, 5 << 16));
  Ray(0, 0, 100, 0, 0, -1);
  ContactProbe hit = {};
  float nearD = -1, farD = -1;
  CastViewRay(*w, nearD, farD, hit, 1);
  EXPECT_EQ(w->viewRay.segments.size(), 3u);
  EXPECT_NEAR(nearD, 45.0f, 1e-3f);
  EXPECT_NEAR(farD, 105.0f, 1e-3f);
}

// A placed tile at 20 m over a road segment at 10 m (its sphere of 20 m reaching from 30 m
// down to -10 m), looked at straight down from 100 m: the tile is met 80 m along, and the
// march along the segments stops there, so the segment behind the tile (90 m along) is not
// what the ray meets.
TEST_F(ViewRayTest, ThePlacedObjectMetFirstEndsTheSegmentMarch) {
  w->AddObjectToTable(new Tile(0, 0, 20, 8));
  w->AddObjectToTable(new DiscSegment({0, 0, 10 << 16}, 20 << 16));
  w->viewRay.kindMode = 1;
  w->viewRay.segmentPass = 1;
  Ray(0, 0, 100, 0, 0, -1);
  ComputeViewHit(*w);
  EXPECT_EQ(w->viewRay.state, 2);
  EXPECT_EQ(w->viewRay.index, 0);
  EXPECT_EQ(w->viewRay.hitDistance, 80 << 16);
  EXPECT_EQ(w->viewRay.hitPoint.z, 20 << 16);
}

TEST_F(ViewRayTest, SegmentMarchAndFallBack) {
  // A segment 0.3 m below the eye: the first step is at 0.5 m even though near is 0.
  w->AddObjectToTable(new DiscSegment({0, 0, int32_t(9.7 * 65536)}, 20 << 16));
  Ray(0, 0, 10, 0, 0, -1);
  ComputeViewHit(*w);
  EXPECT_EQ(w->viewRay.state, 2);
  EXPECT_EQ(w->viewRay.index, 0);
  EXPECT_NEAR(w->viewRay.hitDistance / 65536.0, 0.3, 1e-4);
  EXPECT_EQ(w->viewRay.hitPoint.z, int32_t(9.7 * 65536));
  // From below the segment faces away: the march goes on to the ground fall-back.
  Ray(1, 2, 5, 0, 0.6, -0.8);
  ComputeViewHit(*w);
  EXPECT_EQ(w->viewRay.state, 2);
  EXPECT_EQ(w->viewRay.index, -1);
  EXPECT_EQ(w->viewRay.hitNormal[2], 1.0f);
  EXPECT_NEAR(w->viewRay.hitPoint.y / 65536.0, 2 + 5 * 0.75, 1e-3);
  EXPECT_NEAR(w->viewRay.hitDistance / 65536.0, 6.25, 1e-3);
  // Upward over nothing: nothing met; a ray without a direction meets nothing.
  Ray(200, 0, 5, 0, 0, 1);
  ComputeViewHit(*w);
  EXPECT_EQ(w->viewRay.state, 1);
  const int32_t o[3] = {0, 0, 10 << 16};
  const float zero[3] = {0, 0, 0};
  SetViewRay(*w, o, zero);
  ComputeViewHit(*w);
  EXPECT_EQ(w->viewRay.state, 1);
}

TEST_F(ViewRayTest, BoundsIntoThePickRecord) {
  w->AddObjectToTable(new Tile(0, 0, 2, 40));
  w->viewRay.segmentPass = 0;
  ViewCameraRecord camera = {};
  Ray(1, 1, 12, 0, 0, -1);
  ASSERT_EQ(w->GetBounds(camera), 1);
  EXPECT_EQ(camera.pick.pickResult[2], 2 << 16);
  EXPECT_EQ(camera.pick.pickNormal[2], 1.0f);
  // A followed player nearer than the view hit is chosen; a farther one is not.
  w->viewRay.followedId = 7;
  w->viewRay.followedDistance = 5 << 16;
  w->viewRay.followedPoint = {3, 4, 5};
  w->viewRay.followedNormal[0] = 1;
  ASSERT_EQ(w->GetBounds(camera), 1);
  EXPECT_EQ(camera.pick.pickResult[0], 3);
  w->viewRay.followedDistance = 11 << 16;
  w->GetBounds(camera);
  EXPECT_EQ(camera.pick.pickResult[2], 2 << 16);
  // At the same distance (10 m: the ray falls from 12 m to the tile's top at 2 m) the view's
  // own hit is kept.
  EXPECT_EQ(w->viewRay.hitDistance, 10 << 16);
  w->viewRay.followedDistance = 10 << 16;
  w->GetBounds(camera);
  EXPECT_EQ(camera.pick.pickResult[2], 2 << 16);
  // With nothing met the followed player still answers; without one the answer is 0.
  Ray(1, 1, 12, 0, 0, 1);
  EXPECT_EQ(w->GetBounds(camera), 1);
  EXPECT_EQ(camera.pick.pickResult[0], 3);
  w->viewRay.followedId = 0;
  EXPECT_EQ(w->GetBounds(camera), 0);
}

// The pick record takes every part of the hit's normal: a segment whose face leans along x
// (normal 0.6, 0, 0.8) met 0.3 m under the eye.
TEST_F(ViewRayTest, ThePickNormalTakesAllThreeParts) {
  struct LeaningSegment : DiscSegment {
    using DiscSegment::DiscSegment;
    int RayTest(const IntVector& o, const IntVector& r, ContactProbe& hit, uint32_t* s, int32_t* b, int32_t* u,
                int32_t m) override {
      if (!DiscSegment::RayTest(o, r, hit, s, b, u, m)) return 0;
      hit.candidateNormal = {0.6f, 0, 0.8f};
      return 1;
    }
  };
  w->AddObjectToTable(new LeaningSegment({0, 0, int32_t(9.7 * 65536)}, 20 << 16));
  Ray(0, 0, 10, 0, 0, -1);
  ViewCameraRecord camera = {};
  ASSERT_EQ(w->GetBounds(camera), 1);
  EXPECT_EQ(w->viewRay.index, 0);
  EXPECT_EQ(camera.pick.pickNormal[0], 0.6f);
  EXPECT_EQ(camera.pick.pickNormal[1], 0.0f);
  EXPECT_EQ(camera.pick.pickNormal[2], 0.8f);
}

TEST_F(ViewRayTest, CameraPickUnderTheMouse) {
  // The camera test's view: 10 m up, 20 m back, looking down at the origin, the mouse at the
  // centre; a road tile at 1 m.
  constexpr int W = 1920, H = 1080;
  InitSinCosTables();  // the view's axes turn through the tables
  ScreenWidth = W;
  ScreenHeight = H;
  VrEnabled = 0;
  ViewOrthoDepth = 0;
  SetDefaultLayouts();
  SetupScreenLayout(W, H);
  View view;
  const int32_t eye[3] = {0, -(20 << 16), 10 << 16};
  const float light[3] = {0, 0, 1};
  const int32_t lightDir[3] = {0, 0, 0x10000};
  InitView(view, eye, light, lightDir);
  view.heading = 0x8000;
  view.pitch = static_cast<uint16_t>(std::lround(std::atan2(10.0, 20.0) / (2 * 3.14159265358979) * 65536));
  ComputeViewAxes();
  ComputeViewBasis();
  SetupViewRectangle(0, 0, W, H, 0, 0, 1.2f, 0.25f, 1);
  MouseX = W / 2;
  MouseY = H / 2;
  w->AddObjectToTable(new Tile(0, 0, 1, 40));
  w->viewRay.segmentPass = 0;
  InstallWorld();
  ASSERT_EQ(UpdateCameraPick(1), 1);
  // The ray from the eye toward the origin meets the tile's plane at 1 m: 18 m along y.
  EXPECT_NEAR(ViewCamera.pick.pickResult[1] / 65536.0, -2.0, 0.05);
  EXPECT_NEAR(ViewCamera.pick.pickResult[2] / 65536.0, 1.0, 0.01);
  EXPECT_EQ(ViewCamera.pick.pickNormal[2], 1.0f);
  CurrentView = &MainView;
  CameraWorldPickHook = nullptr;
}

TEST_F(ViewRayTest, TheGroundFallBackMeetsOnlyAheadAndWithinReach) {
  // Straight down from a height of z units with nothing in the world: the ground plane is met
  // z units on, when z is above 0 and under 16384 m.
  const float down[3] = {0, 0, -1};
  struct Case {
    int32_t z;
    int state;
  };
  const Case cases[] = {{0, 1}, {1, 2}, {(16384 << 16) - 1, 2}, {16384 << 16, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.z);
    const int32_t o[3] = {3 << 16, 4 << 16, c.z};
    SetViewRay(*w, o, down);
    ComputeViewHit(*w);
    EXPECT_EQ(w->viewRay.state, c.state);
    if (c.state != 2) continue;
    EXPECT_EQ(w->viewRay.hitDistance, c.z);
    EXPECT_EQ(w->viewRay.hitPoint.x, 3 << 16);
    EXPECT_EQ(w->viewRay.hitPoint.y, 4 << 16);
    EXPECT_EQ(w->viewRay.hitPoint.z, 0);
  }
}

TEST_F(ViewRayTest, AMeshOfOneTriangleIsMetOnlyOverThatTriangle) {
  // The square's first triangle only, (-h, -h), (h, h), (h, -h): the half below its diagonal.
  auto* tile = new Tile(0, 0, 2, 40);
  tile->levels[0].built->triangleCount = 1;
  tile->levels[0].built->parts[0].triangleCount = 1;
  w->AddObjectToTable(tile);
  w->viewRay.segmentPass = 0;
  ContactProbe hit = {};
  float nearD, farD;
  Ray(10, -10, 12, 0, 0, -1);
  EXPECT_EQ(CastViewRay(*w, nearD, farD, hit, 0), 0);
  EXPECT_EQ(hit.candidatePoint.z, 2 << 16);
  hit = {};
  Ray(-10, 10, 12, 0, 0, -1);
  EXPECT_EQ(CastViewRay(*w, nearD, farD, hit, 0), -1);
}

}  // namespace
