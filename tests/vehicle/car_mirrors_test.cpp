// car_mirrors_test.cpp - the car's mirrors measured on a top level mesh of the test's own:
// the side mirrors split at 0.18 m from the centre line, the internal mirror's centre, normal
// and turn towards the eye, the marker colours on the mirror vertices, the adjustment angles
// of the other drive side, and the internal mirror's subobject centred on its surface.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "render/gouraud_mesh.h"
#include "tests/vehicle/car_model_fixture.h"

namespace {

struct V3 {
  double x, y, z;
};
V3 Normalise(V3 v) {
  const double k = 1.0 / std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  return {v.x * k, v.y * k, v.z * k};
}

// A mesh of two parts, the first of the material given: its points in metres (the triangles
// do not matter here).
void FillParts(GouraudO3d& mesh, const Material* first, const std::vector<V3>& firstPoints, const Material* second,
               const std::vector<V3>& secondPoints) {
  const int n = int(firstPoints.size() + secondPoints.size());
  AllocateMeshArrays(mesh, n, 0, 2);
  mesh.parts[0].key = first;
  mesh.parts[0].pointCount = int32_t(firstPoints.size());
  mesh.parts[1].key = second;
  mesh.parts[1].pointCount = int32_t(secondPoints.size());
  int i = 0;
  for (const auto* list : {&firstPoints, &secondPoints})
    for (const V3& p : *list) {
      mesh.points[i].x = int32_t(std::lround(p.x * 65536));
      mesh.points[i].y = int32_t(std::lround(p.y * 65536));
      mesh.points[i].z = int32_t(std::lround(p.z * 65536));
      ++i;
    }
}

class Mirrors : public CarModelTest {
 protected:
  void SetUp() override {
    CarModelTest::SetUp();
    MaterialParams params{};
    mirror_ = CreateMaterial(nullptr, 0, 1, 90, params, 0);
    paint_ = CreateMaterial(nullptr, 0, 0, 91, params, 0);
    ASSERT_TRUE(IsMirrorMaterial(mirror_));
    ASSERT_FALSE(IsMirrorMaterial(paint_));
    car_.AllocModelObjects();
    car_.driverPosition = Vec3{-0.4f, -0.2f, 0.6f};
    car_.headOffset = Vec3{0.02f, 0.1f, 0.5f};
  }
  // The eye: the seat plus the head offset, 0.05 m further forward.
  V3 Eye() const { return {-0.4 + 0.02, -0.2 + 0.1 + 0.05, 0.6 + 0.5}; }
  Material* mirror_ = nullptr;
  Material* paint_ = nullptr;
  Car car_;
};

TEST_F(Mirrors, SideMirrorsLieBeyondEighteenCentimetresOnEitherSide) {
  const double inside = 11796 / 65536.0, outside = 11797 / 65536.0;  // either side of 0.18 m
  FillParts(*car_.levelMeshes[0], mirror_,
            {{-0.9, 0.5, 0.8}, {-0.7, 0.6, 0.9}, {-outside, 0.55, 0.85}, {0.7, 0.5, 0.8}, {0.95, 0.62, 0.9}},
            paint_, {{0, 0, 0}});
  car_.SetupMirrors();
  const CarMirror& left = car_.mirrors[MIRROR_LEFT];
  const CarMirror& right = car_.mirrors[MIRROR_RIGHT];
  ASSERT_TRUE(left.active && right.active);
  EXPECT_FALSE(car_.mirrors[MIRROR_INTERNAL].active);
  EXPECT_NEAR(left.boundsMin.x, -0.9, 1e-4);
  EXPECT_NEAR(left.boundsMax.x, -outside, 1e-6);
  EXPECT_NEAR(right.boundsMax.y, 0.62, 1e-4);
  // 10% from the inner edge to the outer, 10% from the front edge to the rear, mid-height.
  EXPECT_NEAR(left.centre.x, -outside + (-0.9 + outside) * 0.1, 1e-4);
  EXPECT_NEAR(left.centre.y, 0.6 + (0.5 - 0.6) * 0.1, 1e-4);
  EXPECT_NEAR(left.centre.z, 0.85, 1e-4);
  EXPECT_NEAR(right.centre.x, 0.7 + 0.25 * 0.1, 1e-4);
  const GouraudO3d& top = *car_.levelMeshes[0];
  EXPECT_EQ(top.points[0].colour, &MIRROR_MARKERS[MIRROR_LEFT]);
  EXPECT_EQ(top.points[3].colour, &MIRROR_MARKERS[MIRROR_RIGHT]);
  EXPECT_EQ(top.points[5].colour, nullptr) << "not a mirror surface";
  EXPECT_EQ(Lines(TEXT_MIRROR_TOO_CENTRAL), 0);
  // The normal: the way to the eye averaged with backwards.
  const V3 eye = Eye();
  const V3 toEye = Normalise({eye.x - left.centre.x, eye.y - left.centre.y, eye.z - left.centre.z});
  const V3 n = Normalise({toEye.x, toEye.y - 1, toEye.z});
  EXPECT_NEAR(left.normal.x, n.x, 1e-5);
  EXPECT_NEAR(left.normal.y, n.y, 1e-5);
  EXPECT_NEAR(left.normal.z, n.z, 1e-5);

  // A vertex just inside 0.18 m stops the side mirrors; those sorted before it keep their marks.
  FillParts(*car_.levelMeshes[0], mirror_, {{-0.9, 0.5, 0.8}, {inside, 0.55, 0.85}, {0.7, 0.5, 0.8}}, paint_, {});
  car_.SetupMirrors();
  EXPECT_EQ(Lines("1|-1|" + std::string(TEXT_MIRROR_TOO_CENTRAL)), 1);
  EXPECT_TRUE(car_.mirrors[MIRROR_LEFT].active);
  EXPECT_FALSE(car_.mirrors[MIRROR_RIGHT].active);
  EXPECT_EQ(car_.mirrors[MIRROR_LEFT].centre.x, 0.0f) << "no centre, corners or view";
  EXPECT_EQ(car_.levelMeshes[0]->points[0].colour, &MIRROR_MARKERS[MIRROR_LEFT]);
  EXPECT_EQ(car_.levelMeshes[0]->points[2].colour, nullptr);
  FillParts(*car_.levelMeshes[0], mirror_, {{-inside, 0.5, 0.8}}, paint_, {});
  car_.SetupMirrors();
  EXPECT_EQ(Lines(TEXT_MIRROR_TOO_CENTRAL), 2) << "on the left likewise";
}

// A side mirror's corners stand on the plane across y through its centre, at the x and z
// edges of its surface (the high x first, seen from behind; its first vertex not its lowest
// nor its outermost); its view starts at its centre and
// looks along the eye's line reflected in its normal, with right level and up completing the
// frame.
TEST_F(Mirrors, ASideMirrorsCornersAndViewFollowItsSurfaceAndTheReflectedEye) {
  const double outside = 11797 / 65536.0;
  FillParts(*car_.levelMeshes[0], mirror_,
            {{-0.7, 0.6, 0.9}, {-0.9, 0.5, 0.8}, {-outside, 0.55, 0.85}, {0.7, 0.5, 0.8}, {0.95, 0.62, 0.9}},
            paint_, {{0, 0, 0}});
  car_.SetupMirrors();
  const CarMirror& rightMirror = car_.mirrors[MIRROR_RIGHT];
  EXPECT_NEAR(rightMirror.centre.y, 0.62 + (0.5 - 0.62) * 0.1, 1e-4) << "10% from the front edge";
  EXPECT_NEAR(rightMirror.centre.z, 0.85, 1e-4);
  const CarMirror& m = car_.mirrors[MIRROR_LEFT];
  const double y = 0.6 + (0.5 - 0.6) * 0.1;
  const V3 corners[4] = {{-outside, y, 0.8}, {-0.9, y, 0.8}, {-0.9, y, 0.9}, {-outside, y, 0.9}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_NEAR(m.corners[k].x, corners[k].x, 1e-4) << "corner " << k;
    EXPECT_NEAR(m.corners[k].y, corners[k].y, 1e-4) << "corner " << k;
    EXPECT_NEAR(m.corners[k].z, corners[k].z, 1e-4) << "corner " << k;
  }
  EXPECT_EQ(m.viewPosition.x, m.centre.x);
  EXPECT_EQ(m.viewPosition.z, m.centre.z);
  // The eye's line reflected: d - 2 (d.n) n, with d from the eye to the centre.
  const V3 eye = Eye();
  const V3 c = {m.centre.x, m.centre.y, m.centre.z};
  const V3 toEye = Normalise({eye.x - c.x, eye.y - c.y, eye.z - c.z});
  const V3 n = Normalise({toEye.x, toEye.y - 1, toEye.z});
  const V3 d = {c.x - eye.x, c.y - eye.y, c.z - eye.z};
  const double dn = d.x * n.x + d.y * n.y + d.z * n.z;
  const V3 forward = Normalise({d.x - 2 * dn * n.x, d.y - 2 * dn * n.y, d.z - 2 * dn * n.z});
  const V3 right = Normalise({forward.y, -forward.x, 0.0});  // forward x up
  const V3 up = {right.y * forward.z - right.z * forward.y, right.z * forward.x - right.x * forward.z,
                 right.x * forward.y - right.y * forward.x};
  const V3 rows[3] = {right, forward, up};
  for (int r = 0; r < 3; ++r) {
    EXPECT_NEAR(m.viewOrientation[3 * r], rows[r].x, 1e-4) << "row " << r;
    EXPECT_NEAR(m.viewOrientation[3 * r + 1], rows[r].y, 1e-4) << "row " << r;
    EXPECT_NEAR(m.viewOrientation[3 * r + 2], rows[r].z, 1e-4) << "row " << r;
  }
}

TEST_F(Mirrors, TheInternalMirrorFacesHalfWayBetweenTheEyeAndBackwards) {
  FillParts(*car_.levelMeshes[0], paint_, {{0, 0, 0}}, paint_, {});
  GouraudO3d* sub = NewGouraud();
  sub->type = SUBOBJECT_INTERNAL_MIRROR;
  sub->local.translation = IntVector{0, 29491, 73400};  // (0, 0.45, 1.12)
  FillParts(*sub, paint_, {{0, 0, -1}}, mirror_, {{-0.12, 0.0, -0.03}, {0.12, 0.01, 0.03}});
  AddChildMesh(*car_.levelMeshes[0], sub);
  car_.SetupMirrors();
  const CarMirror& m = car_.mirrors[MIRROR_INTERNAL];
  ASSERT_TRUE(m.active);
  const double px = 0, py = 29491 / 65536.0, pz = 73400 / 65536.0;
  EXPECT_NEAR(m.centre.x, px, 1e-5);
  EXPECT_NEAR(m.centre.y, py + 0.005, 1e-5);
  EXPECT_NEAR(m.centre.z, pz - 0.03 + 0.06 * 0.6, 1e-5) << "60% of the way up";
  const V3 eye = Eye();
  const V3 toEye = Normalise({eye.x - m.centre.x, eye.y - m.centre.y, eye.z - m.centre.z});
  const V3 n = Normalise({toEye.x, toEye.y - 1, toEye.z});
  EXPECT_NEAR(m.normal.x, n.x, 1e-5);
  EXPECT_NEAR(m.normal.y, n.y, 1e-5);
  EXPECT_NEAR(m.normal.z, n.z, 1e-5);
  EXPECT_EQ(m.subobjectPosition.y, 29491);
  EXPECT_EQ(m.radius, std::lround(std::sqrt(7864.0 * 7864 + 655.0 * 655 + 1966.0 * 1966))) << "the box's far corner";
  EXPECT_EQ(sub->points[1].colour, &MIRROR_MARKERS[MIRROR_INTERNAL]);
  EXPECT_EQ(sub->points[0].colour, nullptr);
  // Turned so that its back (-y) takes the normal's pitch, and leans its way across.
  const FixedMatrix& r = sub->local.rotation;
  EXPECT_NEAR(-r.m[7] / 65536.0, n.z, 1e-4);
  EXPECT_GT(-r.m[1] / 65536.0 * n.x, 0.0);
  EXPECT_FALSE(car_.mirrors[MIRROR_LEFT].active);
  EXPECT_EQ(Lines("mirror"), 0);

  // Adjusted 3 degrees of heading: the normal turns about z by that much.
  CustomViewRecords[0].angles[0] = 30;
  car_.SetupMirrors();
  const double a = 3.0 * M_PI / 180;
  EXPECT_NEAR(car_.mirrors[MIRROR_INTERNAL].normal.x, n.x * std::cos(a) - n.y * std::sin(a), 1e-4);
  // Adjusted 2 degrees of pitch instead: the normal turns about x by that much.
  CustomViewRecords[0].angles[0] = 0;
  CustomViewRecords[0].angles[1] = 20;
  car_.SetupMirrors();
  const double b = 2.0 * M_PI / 180;
  EXPECT_NEAR(car_.mirrors[MIRROR_INTERNAL].normal.y, n.y * std::cos(b) - n.z * std::sin(b), 1e-4);
  EXPECT_NEAR(car_.mirrors[MIRROR_INTERNAL].normal.z, n.y * std::sin(b) + n.z * std::cos(b), 1e-4);
}

// An eye straight ahead of the internal mirror and a hair (1e-22 m) above its centre: the way
// to the eye plus backwards leaves a vector only 1e-22 long, straight up.  In double the normal
// is (0, 0, 1), so the subobject's back (-y) is pitched straight up: -m[7] / 65536 = sin(pi/2) = 1.
// In float the tiny length is rounded and the normal comes out slightly over 1 long; the
// pitch must still be a number.
TEST_F(Mirrors, TheInternalMirrorTurnsStraightUpForAnEyeAHairAboveItsCentre) {
  CustomViewRecords[0] = CustomViewMirrors{};
  car_.driverPosition = Vec3{0.0f, 0.95f, 1e-22f};
  car_.headOffset = Vec3{0.0f, 0.0f, 0.0f};
  ASSERT_EQ(0.95f + 0.0f + 0.05f, 1.0f) << "the eye is exactly (0, 1, 1e-22)";
  FillParts(*car_.levelMeshes[0], paint_, {{0, 0, 0}}, paint_, {});
  GouraudO3d* sub = NewGouraud();
  sub->type = SUBOBJECT_INTERNAL_MIRROR;
  sub->local.translation = IntVector{0, 0, 0};
  FillParts(*sub, paint_, {{0, 0, -1}}, mirror_, {{-0.1, 0, 0}, {0.1, 0, 0}});  // box centre exactly 0
  AddChildMesh(*car_.levelMeshes[0], sub);
  car_.SetupMirrors();
  ASSERT_TRUE(car_.mirrors[MIRROR_INTERNAL].active);
  const FixedMatrix& r = sub->local.rotation;
  EXPECT_NEAR(-r.m[7] / 65536.0, 1.0, 1e-4) << "the back faces straight up";
}

// An eye straight ahead of the internal mirror, 1 m in front of its centre: the way to the
// eye plus backwards is no way at all, and the mirror faces straight back, (0, -1, 0), left
// unturned.  The mirror part comes after a part of no points, which does not end the search.
TEST_F(Mirrors, AnEyeStraightAheadOfTheInternalMirrorLeavesItFacingStraightBack) {
  CustomViewRecords[0] = CustomViewMirrors{};
  car_.driverPosition = Vec3{0.0f, 0.95f, 0.0f};
  car_.headOffset = Vec3{0.0f, 0.0f, 0.0f};
  FillParts(*car_.levelMeshes[0], paint_, {{0, 0, 0}}, paint_, {});
  GouraudO3d* sub = NewGouraud();
  sub->type = SUBOBJECT_INTERNAL_MIRROR;
  sub->local.translation = IntVector{0, 0, 0};
  FillParts(*sub, paint_, {}, mirror_, {{-0.1, 0, 0}, {0.1, 0, 0}});  // centre (0, 0, 0)
  AddChildMesh(*car_.levelMeshes[0], sub);
  car_.SetupMirrors();
  const CarMirror& m = car_.mirrors[MIRROR_INTERNAL];
  ASSERT_TRUE(m.active) << "found past the empty part";
  EXPECT_EQ(m.normal.x, 0.0f);
  EXPECT_EQ(m.normal.y, -1.0f);
  EXPECT_EQ(m.normal.z, 0.0f);
  const FixedMatrix& r = sub->local.rotation;
  EXPECT_EQ(r.m[0], 65536);
  EXPECT_EQ(r.m[4], 65536);
  EXPECT_EQ(r.m[8], 65536);
}

TEST_F(Mirrors, TheOtherDriveSideSwapsAndNegatesTheAnglesAndTheEye) {
  FillParts(*car_.levelMeshes[0], paint_, {{0, 0, 0}}, paint_, {});
  CustomViewRecords[0] = CustomViewMirrors{{10, 20, 30, 40, 50, 60}};
  CustomViewRecords[1] = CustomViewMirrors{{1, 2, 3, 4, 5, 6}};
  car_.SetupMirrors();
  EXPECT_EQ(std::vector<int16_t>(car_.mirrorAngles, car_.mirrorAngles + 6), (std::vector<int16_t>{10, 20, 30, 40, 50, 60}));
  CurrentViewMode = VIEW_MODE_SECOND_RECORD;
  car_.SetupMirrors();
  EXPECT_EQ(car_.mirrorAngles[5], 6) << "view mode 4 takes the second record";
  CurrentViewMode = 0;
  car_.mirrored = 1;
  car_.SetupMirrors();
  EXPECT_EQ(std::vector<int16_t>(car_.mirrorAngles, car_.mirrorAngles + 6),
            (std::vector<int16_t>{-10, 20, -50, 60, -30, 40}))
      << "the internal heading negated; left and right exchanged, their headings negated";

  // The eye moves to the other side: a left mirror's normal leans the other way.
  FillParts(*car_.levelMeshes[0], mirror_, {{-0.9, 0.5, 0.8}, {-0.7, 0.6, 0.9}}, paint_, {});
  CustomViewRecords[0] = CustomViewMirrors{};
  car_.mirrored = 0;
  car_.SetupMirrors();
  const float near = car_.mirrors[MIRROR_LEFT].normal.x;
  car_.mirrored = 1;
  car_.SetupMirrors();
  EXPECT_GT(car_.mirrors[MIRROR_LEFT].normal.x, near) << "the eye now sits on the right";

  car_.mirrorsOn = 0;
  car_.mirrors[MIRROR_LEFT].active = 1;
  car_.SetupMirrors();
  EXPECT_TRUE(car_.mirrors[MIRROR_LEFT].active) << "mirrors off: not measured";
}

TEST_F(Mirrors, WithoutMirrorPartsNothingIsActiveAndNothingIsSaid) {
  FillParts(*car_.levelMeshes[0], paint_, {{0, 0, 0}, {0.1, 0, 0}}, paint_, {{-0.5, 0.2, 1}});
  car_.SetupMirrors();
  for (const CarMirror& m : car_.mirrors) EXPECT_FALSE(m.active);
  EXPECT_TRUE(ReportRecorder::Reports().lines.empty());
  GraphicsEnabled = 0;
  car_.SetupMirrors();  // without graphics nothing is measured
  for (const CarMirror& m : car_.mirrors) EXPECT_FALSE(m.active);
}

TEST_F(Mirrors, TheInternalMirrorSubobjectIsCentredOnItsSurface) {
  GouraudO3d* sub = NewGouraud();
  sub->type = SUBOBJECT_INTERNAL_MIRROR;
  sub->local.translation = IntVector{1000, 2000, 3000};
  FillParts(*sub, mirror_, {{0.1, 0.0, 0.2}, {0.3, 0.02, 0.26}}, paint_, {{0.5, 0.5, 0.5}});
  const int32_t shiftX = (sub->points[0].x + sub->points[1].x) / 2;
  car_.CentreMirrorSubobject(*sub);
  EXPECT_NEAR(sub->points[0].x, -sub->points[1].x, 1) << "the surface's box centred on the origin";
  EXPECT_NEAR(sub->points[0].z, -sub->points[1].z, 1);
  EXPECT_EQ(sub->local.translation.x, 1000 + shiftX) << "the position moved by the same";
  EXPECT_EQ(sub->points[2].x, 32768 - shiftX) << "every vertex moved";
  // Along y too: the surface from 0 to 0.02 m (1311 units) about its middle, 655, and every
  // vertex moved by it.
  EXPECT_EQ(sub->points[0].y, 0 - 655);
  EXPECT_EQ(sub->points[1].y, 1311 - 655);
  EXPECT_EQ(sub->points[2].y, 32768 - 655);
  EXPECT_EQ(sub->local.translation.y, 2000 + 655);
  DeleteDrawMesh(sub);

  // A surface whose first vertex is its highest across x and in the middle up z: the box
  // is of all three, x from -300 to 100 and z from 10 to 90, so its middle is (-100, 20, 50).
  GouraudO3d* turned = NewGouraud();
  turned->type = SUBOBJECT_INTERNAL_MIRROR;
  turned->local.translation = IntVector{1000, 2000, 3000};
  FillParts(*turned, mirror_, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, paint_, {});
  const int32_t given[3][3] = {{100, 0, 50}, {-300, 40, 10}, {0, 20, 90}};
  for (int i = 0; i < 3; ++i) {
    turned->points[i].x = given[i][0];
    turned->points[i].y = given[i][1];
    turned->points[i].z = given[i][2];
  }
  car_.CentreMirrorSubobject(*turned);
  const int32_t centred[3][3] = {{200, -20, 0}, {-200, 20, -40}, {100, 0, 40}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(turned->points[i].x, centred[i][0]) << i;
    EXPECT_EQ(turned->points[i].y, centred[i][1]) << i;
    EXPECT_EQ(turned->points[i].z, centred[i][2]) << i;
  }
  EXPECT_EQ(turned->local.translation.x, 1000 - 100);
  EXPECT_EQ(turned->local.translation.z, 3000 + 50);
  DeleteDrawMesh(turned);
}

}  // namespace
