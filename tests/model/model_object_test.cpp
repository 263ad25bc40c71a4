// model_object_test.cpp - the editable model's records: defaults, growing and moving
// records, unique names, mapping directions, merging points, mirroring and bounds.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "model/model_object.h"
#include "tests/model/model_test_util.h"

namespace {
class ModelRecords : public ModelTest {};

// Points at the given positions (metres) and triangles over them.
void Fill(ModelObject& o, std::initializer_list<std::array<double, 3>> points,
          std::initializer_list<std::array<int, 3>> triangles) {
  ModelBuilder b;
  for (const auto& p : points) b.Point(p[0], p[1], p[2]);
  for (const auto& t : triangles) b.Triangle(t[0], t[1], t[2]);
  b.Into(o);
}
}  // namespace

TEST_F(ModelRecords, AFreshObjectHasTheDefaults) {
  ModelObject o;
  o.Init();
  EXPECT_EQ(o.lodCount, 1);
  EXPECT_EQ(o.sideFunction, SIDE_STATIC);
  EXPECT_EQ(o.groupCount, 1);
  EXPECT_EQ(o.lodDistances[3], 0x4B00000);
  ASSERT_EQ(o.pageCount, 1);
  EXPECT_EQ(o.pages[0].type, PAGE_FIXED);
  EXPECT_STREQ(o.pages[0].name, "");
  ASSERT_EQ(o.cutoutCount, 1);
  EXPECT_STREQ(o.cutouts[0].name, "unnamed");
  const uint8_t whole[4] = {128, 128, 0, 0};
  EXPECT_EQ(std::memcmp(o.cutouts[0].region, whole, 4), 0);
  EXPECT_EQ(o.cutouts[0].material.reflection[2], 255);
  ASSERT_EQ(o.mappingCount, 1);
  EXPECT_STREQ(o.mappings[0].name, "unnamed mapping");
  EXPECT_EQ(o.mappings[0].direction, DIRECTION_RIGHT);
  EXPECT_EQ(o.mappings[0].width, FIXED_ONE);
  EXPECT_EQ(o.mappings[0].colour, 0xFFFFFFu);
  EXPECT_EQ(o.pointCount + o.triangleCount + o.childCount + o.colourChoiceCount, 0);
  o.Free();
  EXPECT_EQ(o.pageCount + o.cutoutCount + o.mappingCount, 0);
  EXPECT_EQ(o.pages, nullptr);
}

TEST_F(ModelRecords, AxisMappingsAreFittedJustOutsideThePointsBox) {
  // Points from (-3, -1, 0.5) to (2, 4, 1.5) m: X = 3 m.  Each mapping 2 m by 1.2 m, so
  // s = max(2, 1.2) / 4 = 0.5 m, except the top one, 1 m by 4 m: s = 1 m.
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Point(-3, -1, 0.5), b.Point(2, 4, 1.5), b.Point(0, 0, 1);
  b.Triangle(0, 1, 2);
  b.Page(PAGE_FIXED, "p");
  b.AddCutout("c", 0, 128, 128, 0, 0, CutoutMaterial{});
  const uint32_t directions[6] = {0, 360, 720, 1688, 738000, 0x14C000};
  for (const uint32_t d : directions) {
    const bool top = d == 0x14C000;
    b.AddMapping("m", 0, 0, d, top ? 1.0 : 2.0, top ? 4.0 : 1.2, 0xFFFFFF, 9, 9, 9);
  }
  b.Into(o);
  o.FitMappingOffsets();
  const int32_t M = 65536;
  EXPECT_EQ(o.mappings[0].offset[1], -M - M / 2) << "0: lowest y - s";
  EXPECT_EQ(o.mappings[1].offset[0], 3 * M + M / 2) << "360: X + s";
  EXPECT_EQ(o.mappings[2].offset[1], 4 * M + M / 2) << "720: highest y + s";
  EXPECT_EQ(o.mappings[3].offset[0], -3 * M - M / 2) << "1688: -X - s";
  EXPECT_EQ(o.mappings[4].offset[2], M / 2 - M / 2) << "738000: lowest z - s";
  EXPECT_EQ(o.mappings[5].offset[2], M + M / 2 + M) << "top: highest z + s";
  // The other coordinates stay where they were.
  EXPECT_EQ(o.mappings[0].offset[0], 9 * M);
  EXPECT_EQ(o.mappings[1].offset[1], 9 * M);
  EXPECT_EQ(o.mappings[5].offset[0], 9 * M);
  o.Free();
}

TEST_F(ModelRecords, GrowingAndMovingRecordsRenumbersReferences) {
  ModelObject o;
  o.Init();
  EXPECT_EQ(o.AddPage(nullptr), 1);
  Cutout named;
  named.Init(1);
  EXPECT_EQ(o.AddCutout(nullptr), 1);
  EXPECT_STREQ(o.cutouts[1].name, "");
  EXPECT_EQ(o.AddCutout(&named), 2);
  EXPECT_EQ(o.AddMapping(nullptr), 1);
  EXPECT_EQ(o.AddMapping(nullptr), 2);
  o.cutouts[0].page = 0, o.cutouts[1].page = 1;
  o.MovePage(1, 0);
  EXPECT_EQ(o.cutouts[0].page, 1);
  EXPECT_EQ(o.cutouts[1].page, 0);
  o.mappings[0].cutout[0] = 0, o.mappings[1].cutout[0] = 1, o.mappings[2].cutout[0] = 2;
  o.MoveCutout(0, 2);  // 0 -> 2, 1 -> 0, 2 -> 1
  EXPECT_EQ(o.mappings[0].cutout[0], 2);
  EXPECT_EQ(o.mappings[1].cutout[0], 0);
  EXPECT_EQ(o.mappings[2].cutout[0], 1);
  EXPECT_STREQ(o.cutouts[1].name, "unnamed");
  Fill(o, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 1}});
  o.triangles[0].mapping = 2, o.triangles[1].mapping = 0;
  o.MoveMapping(2, 0);
  EXPECT_EQ(o.triangles[0].mapping, 0);
  EXPECT_EQ(o.triangles[1].mapping, 1);
  o.Free();
}

TEST_F(ModelRecords, RepeatedShortNamesGetLetters) {
  ModelObject o;
  o.Init();
  for (int i = 0; i < 3; ++i) o.AddCutout(nullptr);
  std::strcpy(o.cutouts[0].name, "door");
  std::strcpy(o.cutouts[1].name, "roof");
  std::strcpy(o.cutouts[2].name, "DOOR");
  std::strcpy(o.cutouts[3].name, "door");
  o.MakeCutoutNamesUnique();
  EXPECT_STREQ(o.cutouts[0].name, "door a");
  EXPECT_STREQ(o.cutouts[1].name, "roof");
  EXPECT_STREQ(o.cutouts[2].name, "DOOR b");
  EXPECT_STREQ(o.cutouts[3].name, "door c");
  std::strcpy(o.mappings[0].name, "a long name 14");
  o.AddMapping(o.mappings);
  o.MakeMappingNamesUnique();
  EXPECT_STREQ(o.mappings[1].name, "a long name 14");  // 14 characters: left alone
  o.Free();
}

TEST_F(ModelRecords, PastTwentySixRepeatsTheLettersStayAtZ) {
  // 28 cutouts of one name: the first " a", the next 25 " b" to " z", the last two " z" too;
  // those three "x z" then repeat in their turn and get " a", " b" and " c" after it.
  ModelObject o;
  o.Init();
  for (int i = 0; i < 27; ++i) o.AddCutout(nullptr);
  ASSERT_EQ(o.cutoutCount, 28);
  for (int i = 0; i < 28; ++i) std::strcpy(o.cutouts[i].name, "x");
  o.MakeCutoutNamesUnique();
  EXPECT_STREQ(o.cutouts[0].name, "x a");
  EXPECT_STREQ(o.cutouts[1].name, "x b");
  EXPECT_STREQ(o.cutouts[24].name, "x y");
  EXPECT_STREQ(o.cutouts[25].name, "x z a");
  EXPECT_STREQ(o.cutouts[26].name, "x z b");
  EXPECT_STREQ(o.cutouts[27].name, "x z c");
  o.Free();
}

TEST_F(ModelRecords, MappingDirectionsRotateWrapAndMirror) {
  ModelMapping m;
  m.Init(1);
  m.direction = PackDirection(700, 350, -700);
  m.RotateFirst(40);
  EXPECT_EQ(DirectionHeading(m.direction), -700);
  m.RotateFirst(-40);
  EXPECT_EQ(DirectionHeading(m.direction), 700);
  m.RotateSecond(40);
  EXPECT_EQ(DirectionPitch(m.direction), 360);
  m.RotateThird(-40);
  EXPECT_EQ(DirectionRoll(m.direction), 700);
  EXPECT_EQ(DirectionHeading(m.direction), 700);
  // A half turn (720) exactly stays; past it one wrap by 1440, then held at +-720:
  // -720 + 3000 = 2280, less 1440 is 840, held at 720; 720 - 3000 = -2280, plus 1440 is -840,
  // held at -720.
  m.RotateFirst(20);
  EXPECT_EQ(DirectionHeading(m.direction), 720);
  m.RotateFirst(-1440);
  EXPECT_EQ(DirectionHeading(m.direction), -720);
  m.RotateFirst(3000);
  EXPECT_EQ(DirectionHeading(m.direction), 720);
  m.RotateThird(20);
  EXPECT_EQ(DirectionRoll(m.direction), 720);
  m.RotateThird(-3000);
  EXPECT_EQ(DirectionRoll(m.direction), -720);
  m.RotateThird(-1);  // -721 wraps to 719
  EXPECT_EQ(DirectionRoll(m.direction), 719);
  m.RotateFirst(1);  // 721 wraps to -719
  EXPECT_EQ(DirectionHeading(m.direction), -719);

  const uint32_t codes[6] = {DIRECTION_FRONT, DIRECTION_BACK, DIRECTION_RIGHT, DIRECTION_LEFT, DIRECTION_TOP,
                             DIRECTION_UNDER};
  const int flags[6] = {64, 128, 32, 32, 16, 16};
  for (int i = 0; i < 6; ++i) {
    m.direction = codes[i];
    EXPECT_EQ(m.DirectionFlag(), flags[i]);
    m.flags = MAPPING_CENTRAL;
    m.offset[0] = m.offset[1] = 5;
    m.ClearAxisOffset();
    const bool side = codes[i] == DIRECTION_RIGHT || codes[i] == DIRECTION_LEFT;
    EXPECT_EQ(m.offset[0], side ? 5 : 0);
    EXPECT_EQ(m.offset[1], side ? 0 : 5);
  }
  EXPECT_EQ(QuarterDegreesToTurn(360), 16384);
  EXPECT_EQ(QuarterDegreesToTurn(-1), -45);  // toward zero

  // The side view's matrix turns the mapping's first axis onto y: a rectangle at x = 2 m
  // lies wholly on one side, one straddling x = 0 does not.
  InitSinCosTables();
  FixedMatrix matrix;
  m.direction = 0;
  m.width = 4 * FIXED_ONE;
  m.offset[0] = 0;
  m.DirectionMatrix(matrix);
  EXPECT_EQ(matrix.m[0], FIXED_ONE);
  EXPECT_EQ(m.IsOneSided(matrix), 0);
  m.offset[0] = 3 * FIXED_ONE;
  EXPECT_EQ(m.IsOneSided(matrix), 1);
  // A corner exactly on x = 0 counts as at or above it: from 0 to 4 m is one side, from -4 m
  // to 0 is both, and one unit further left is all below.
  m.offset[0] = 2 * FIXED_ONE;
  EXPECT_EQ(m.IsOneSided(matrix), 1);
  m.offset[0] = -2 * FIXED_ONE;
  EXPECT_EQ(m.IsOneSided(matrix), 0);
  m.offset[0] = -2 * FIXED_ONE - 1;
  EXPECT_EQ(m.IsOneSided(matrix), 1);

  // Mirroring: an ordinary page negates the width; a skin page (or a "U_" name) swaps cutouts.
  ModelObject o;
  o.Init();
  std::strcpy(o.pages[0].name, "paint");
  o.AddCutout(nullptr);
  ModelMapping mirrored;
  mirrored.Init(1);
  mirrored.direction = PackDirection(100, 10, 20);
  mirrored.offset[0] = 7;
  mirrored.cutout[1] = 1;
  mirrored.Mirror(o);
  EXPECT_EQ(DirectionHeading(mirrored.direction), -100);
  EXPECT_EQ(DirectionPitch(mirrored.direction), 10);
  EXPECT_EQ(mirrored.offset[0], -7);
  EXPECT_EQ(mirrored.width, -FIXED_ONE);
  std::strcpy(mirrored.name, "u_badge");
  mirrored.Mirror(o);
  EXPECT_EQ(mirrored.cutout[0], 1);
  std::strcpy(mirrored.name, "U_badge");  // the prefix in either case
  mirrored.Mirror(o);
  EXPECT_EQ(mirrored.cutout[0], 0);
  EXPECT_EQ(mirrored.width, -FIXED_ONE) << "swapped, not negated";
  mirrored.Mirror(o);
  EXPECT_EQ(mirrored.cutout[0], 1);
  o.pages[0].type = PAGE_SKIN;
  std::strcpy(mirrored.name, "body");
  mirrored.Mirror(o);
  EXPECT_EQ(mirrored.cutout[0], 0);
  EXPECT_EQ(mirrored.width, -FIXED_ONE);
  o.Free();
}

TEST_F(ModelRecords, MergingPointsRespectsLayersAndMirrorStates) {
  ModelObject o;
  o.Init();
  Fill(o, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 0}, {0, 2, 0}},
       {{0, 1, 2}, {4, 3, 5}, {3, 4, 4}});
  o.points[0].flags = POINT_MIRRORED;
  o.points[4].flags = POINT_CENTRAL;
  o.triangles[1].corners[1] |= CORNER_MIRRORED;
  EXPECT_EQ(o.MergeDuplicatePoints(), 2);
  EXPECT_EQ(o.pointCount, 4);
  EXPECT_EQ(o.points[0].flags & POINT_MIRROR_STATE, POINT_CENTRAL);  // mirrored and central: central
  // The degenerate triangle went; the other one leads with its smallest corner.
  ASSERT_EQ(o.triangleCount, 2);
  EXPECT_EQ(o.triangles[1].corners[0], 0);
  EXPECT_EQ(o.triangles[1].corners[1], 1 | CORNER_MIRRORED);

  // Equal positions on different layers stay apart.
  ModelObject layered;
  layered.Init();
  Fill(layered, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}}, {{0, 1, 2}, {3, 1, 2}});
  layered.triangles[1].layer = 3;
  EXPECT_EQ(layered.MergeDuplicatePoints(), 0);
  layered.Free();

  // Removing a point moves the later references down, keeping their mirror bits.
  o.AddMapping(nullptr);
  o.RemovePoint(2);
  EXPECT_EQ(o.pointCount, 3);
  EXPECT_EQ(o.triangles[1].corners[1], 1 | CORNER_MIRRORED);
  EXPECT_EQ(o.triangles[1].corners[2], 2);
  o.Free();
}

TEST_F(ModelRecords, LoosePointsAndSelectionMarks) {
  ModelObject o;
  o.Init();
  Fill(o, {{0, 0, 0}, {5, 5, 5}, {1, 0, 0}, {6, 6, 6}, {0, 1, 0}}, {{0, 2, 4}});
  for (int i = 0; i < 5; ++i) o.points[i].flags = POINT_SELECTED | POINT_MIRRORED;
  o.points[3].flags |= POINT_REFERENCE;
  o.UnmarkUsedPoints(0);
  EXPECT_EQ(o.points[0].flags & POINT_SELECTED, 0);
  EXPECT_EQ(o.points[3].flags & POINT_SELECTED, POINT_SELECTED);
  o.ResetLoosePointMirrorState();  // points 1 and 3 are loose; 3 is a reference point
  EXPECT_EQ(o.points[1].flags & POINT_MIRROR_STATE, 0);
  EXPECT_EQ(o.points[3].flags & POINT_MIRROR_STATE, POINT_MIRRORED);
  o.RemoveLoosePoints();
  EXPECT_EQ(o.pointCount, 4);
  EXPECT_EQ(o.points[2].x, 6 * FIXED_ONE);
  EXPECT_EQ(o.triangles[0].corners[1], 1);
  EXPECT_EQ(o.triangles[0].corners[2], 3);
  o.Free();
}

TEST_F(ModelRecords, DriveSideSwapAndMirroredGeometry) {
  ModelObject o;
  o.Init();
  Fill(o, {{1, 0, 0}, {2, 0, 0}, {1, 1, 0}}, {{0, 1, 2}, {0, 1, 2}});
  std::strcpy(o.pages[0].name, "paint");
  o.triangles[0].flags = TRIANGLE_SIDE_SWAP;
  o.triangles[1].flags = TRIANGLE_SIDE_SWAP | TRIANGLE_MIRRORED;  // mirrored ones stay
  o.AddMapping(nullptr);
  o.triangles[1].mapping = 1;
  std::vector<ModelObject> children(2);
  for (ModelObject& c : children) {
    c.Init();
    Fill(c, {{1, 0, 0}, {2, 0, 0}, {1, 1, 0}}, {{0, 1, 2}});
    c.offset[0] = FIXED_ONE;
  }
  children[0].sideFunction = SIDE_FULL_FLIP;
  children[1].sideFunction = SIDE_SWAP_ONLY;
  SetChildren(o, children);
  o.FlipMarkedTriangles();
  EXPECT_EQ(o.triangles[0].corners[0], 0 | CORNER_MIRRORED);
  EXPECT_EQ(o.triangles[0].corners[1], 2 | CORNER_MIRRORED);
  EXPECT_EQ(o.triangles[0].corners[2], 1 | CORNER_MIRRORED);
  EXPECT_EQ(o.triangles[1].corners[1], 1);
  EXPECT_EQ(o.mappings[0].width, -FIXED_ONE);  // its mapping was mirrored once
  EXPECT_EQ(o.mappings[1].width, FIXED_ONE);
  EXPECT_EQ(o.mappings[0].work[MAPPING_REFRESH], 0);
  EXPECT_EQ(o.children[0].points[1].x, -2 * FIXED_ONE);
  EXPECT_EQ(o.children[0].offset[0], -FIXED_ONE);
  EXPECT_EQ(o.children[0].triangles[0].corners[1], 2);
  EXPECT_EQ(o.children[1].points[1].x, 2 * FIXED_ONE);
  EXPECT_EQ(o.children[1].offset[0], -FIXED_ONE);
  o.Free();
}

TEST_F(ModelRecords, BoundingSpheres) {
  ModelObject o;
  o.Init();
  Fill(o, {{1, 0, 0}, {1, 2, 0}, {1, 0, 4}, {9, 9, 9}}, {{0, 1, 2}});
  o.points[0].flags = POINT_MIRRORED;  // also stands at x = -1
  IntVector centre;
  int32_t radius, low, high;
  o.GetBoundingSphere(&centre, &radius, &low, &high);
  EXPECT_EQ(centre.x, 0);
  EXPECT_EQ(centre.y, FIXED_ONE);
  EXPECT_EQ(centre.z, 2 * FIXED_ONE);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 4 * FIXED_ONE);
  EXPECT_EQ(radius, 160530);  // sqrt(1 + 1 + 4) m, the loose point left out
  o.GetBoundingSphere(nullptr, &radius, &low, &high);
  EXPECT_EQ(low, 0);
  EXPECT_EQ(high, 0) << "without a centre both heights are 0";
  EXPECT_EQ(radius, 270212);  // sqrt(17) m round the origin
  {
    // Round the origin itself: points 4 m out along -x, -y and -z are each 4 x 65536 units
    // away exactly.
    ModelObject far;
    far.Init();
    Fill(far, {{-4, 0, 0}, {0, -4, 0}, {0, 0, -4}}, {{0, 1, 2}});
    int32_t farRadius = -1, farLow = -1, farHigh = -1;
    far.GetBoundingSphere(nullptr, &farRadius, &farLow, &farHigh);
    EXPECT_EQ(farRadius, 4 * FIXED_ONE);
    EXPECT_EQ(farLow, 0);
    EXPECT_EQ(farHigh, 0);
    far.Free();
    // The heights are the box's in z: x 2 m, y from 2 to 3 m, z from 1 to 5 m, so the centre
    // is (2, 2.5, 3) m; the first point is the farthest, sqrt(0.5^2 + 2^2) m away.
    ModelObject tall;
    tall.Init();
    Fill(tall, {{2, 2, 1}, {2, 3, 4}, {2, 2.5, 5}}, {{0, 1, 2}});
    IntVector middle;
    tall.GetBoundingSphere(&middle, &farRadius, &farLow, &farHigh);
    EXPECT_EQ(farLow, FIXED_ONE);
    EXPECT_EQ(farHigh, 5 * FIXED_ONE);
    EXPECT_EQ(middle.x, 2 * FIXED_ONE);
    EXPECT_EQ(middle.y, 5 * FIXED_ONE / 2);
    EXPECT_EQ(middle.z, 3 * FIXED_ONE);
    EXPECT_EQ(farRadius, int32_t(std::lround(std::sqrt(4.25) * 65536.0)));
    tall.Free();
    // A lopsided object whose mirrored copy is its farthest point: (1, 0, 0) also stands at
    // (-1, 0, 0), so the box spans x -1..3 and y 0..10 m and the centre is (1, 5, 0) m. The
    // squared distances are 25, 29 (the mirror), 4 and 26, so the radius is sqrt(29) m.
    ModelObject lopsided;
    lopsided.Init();
    Fill(lopsided, {{1, 0, 0}, {3, 5, 0}, {0, 10, 0}}, {{0, 1, 2}});
    lopsided.points[0].flags = POINT_MIRRORED;
    lopsided.GetBoundingSphere(&middle, &farRadius, &farLow, &farHigh);
    EXPECT_EQ(middle.x, FIXED_ONE);
    EXPECT_EQ(middle.y, 5 * FIXED_ONE);
    EXPECT_EQ(middle.z, 0);
    EXPECT_EQ(farRadius, int32_t(std::lround(std::sqrt(29.0) * 65536.0)));  // 352922
    lopsided.Free();
    // A triangle whose corners all lie at the origin: a radius of 0.
    ModelObject dot;
    dot.Init();
    Fill(dot, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {{0, 1, 2}});
    dot.GetBoundingSphere(&middle, &farRadius, &farLow, &farHigh);
    EXPECT_EQ(farRadius, 0);
    dot.Free();
  }

  // A twin subobject counts a second time mirrored; only level 0 counts.
  std::vector<ModelObject> children(1);
  children[0].Init();
  Fill(children[0], {{0, 0, 0}, {1, 0, 0}, {0, 0, 1}}, {{0, 1, 2}});
  children[0].offset[0] = 3 * FIXED_ONE;
  children[0].options = OPTION_MIRRORED_TWIN;
  SetChildren(o, children);
  o.GetBoundingSphereAll(&centre, &radius, &low, &high);
  EXPECT_EQ(centre.x, 0);  // -4 .. 4
  EXPECT_EQ(centre.y, FIXED_ONE);
  EXPECT_EQ(centre.z, 2 * FIXED_ONE);
  EXPECT_EQ(high, 4 * FIXED_ONE);
  EXPECT_EQ(radius, 300324);  // sqrt(16 + 1 + 4) m, out to the twin's far corner
  o.Free();

  ModelObject empty;
  empty.Init();
  empty.GetBoundingSphereAll(&centre, &radius, &low, &high);
  EXPECT_EQ(radius + low + high + centre.x, 0);
  empty.Free();
}

TEST_F(ModelRecords, TheRadiusReachesAMirroredPointsFarSideAndStopsAtThe32BitLargest) {
  // Points at x = -10 m and +10 m, then a mirrored point at 1 m (also at -1 m): the box runs
  // from -10 to 10 m, so the centre is the origin and the radius is the 10 m of the first two,
  // however near the mirrored point that comes last is.
  ModelObject o;
  o.Init();
  Fill(o, {{-10, 0, 0}, {10, 0, 0}, {1, 0, 0}}, {{0, 1, 2}});
  o.points[2].flags = POINT_MIRRORED;
  IntVector centre;
  int32_t radius = 0, low = 0, high = 0;
  o.GetBoundingSphere(&centre, &radius, &low, &high);
  EXPECT_EQ(centre.x, 0);
  EXPECT_EQ(radius, 10 * FIXED_ONE);
  o.Free();

  // Corners 30000 m out along x and y lie sqrt(2) x 30000 = 42426 m from the origin, past the
  // 32767 m a 16.16 radius can hold: the radius stays at the largest one.
  ModelObject wide;
  wide.Init();
  Fill(wide, {{30000, 30000, 0}, {30000, 0, 0}, {0, 30000, 0}}, {{0, 1, 2}});
  radius = 0;
  wide.GetBoundingSphere(nullptr, &radius, nullptr, nullptr);
  EXPECT_EQ(radius, INT32_MAX);
  wide.Free();
}

// Growing a list by one, copying a list over another, resetting an object and freeing one with
// its mapping matrices built give every array back: a thousand rounds leave the heap as it was.
TEST_F(ModelRecords, GrowingCopyingResettingAndFreeingGiveEveryArrayBack) {
  ModelObject source;
  source.Init();
  for (int i = 0; i < 8; ++i) source.AddCutout(nullptr), source.AddPage(nullptr);
  auto round = [&source] {
    ModelObject o;
    o.Init();
    for (int i = 0; i < 8; ++i) o.AddMapping(nullptr);
    o.CopyPages(source);
    o.CopyPages(source);
    o.BuildMappingMatrices();
    o.ResetKeepingName();
    o.BuildMappingMatrices();
    o.Free();
  };
  round();
  ExpectHeapStaysFlat(1000, round);
  source.Free();
}

// Two equal points alone merge into one; removing a point renumbers only the corners past it
// (a corner on the removed point keeps its number); an index at the count removes nothing;
// replacing a point in one level leaves the other levels alone.
TEST_F(ModelRecords, TwoEqualPointsMergeAndRemovingOrReplacingAPointTouchesOnlyItsOwn) {
  ModelObject pair;
  pair.Init();
  Fill(pair, {{1, 2, 3}, {1, 2, 3}}, {});
  EXPECT_EQ(pair.MergeDuplicatePoints(), 1);
  EXPECT_EQ(pair.pointCount, 1);
  pair.Free();

  ModelObject o;
  o.Init();
  Fill(o, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{0, 1, 2}, {0, 2, 3}});
  o.triangles[1].lod = 1;
  o.ReplacePointIndexInLevel(2, 3, 0);
  EXPECT_EQ(o.triangles[0].corners[2], 3);
  EXPECT_EQ(o.triangles[1].corners[1], 2) << "level 1 keeps point 2";
  o.RemovePoint(4);
  EXPECT_EQ(o.pointCount, 4);
  o.RemovePoint(1);
  ASSERT_EQ(o.pointCount, 3);
  EXPECT_EQ(o.triangles[0].corners[0], 0);
  EXPECT_EQ(o.triangles[0].corners[1], 1) << "the removed point's corner keeps its number";
  EXPECT_EQ(o.triangles[0].corners[2], 2);
  EXPECT_EQ(o.triangles[1].corners[2], 2);
  o.Free();
}

// Unmarking used points clears reference points too only when asked; a selected loose point
// loses its mirror state unless a selected triangle uses it (an unselected one does not
// count); a reference point never does.
TEST_F(ModelRecords, UnmarkingReferencePointsAndResettingLooseMirrorStates) {
  ModelObject o;
  o.Init();
  Fill(o, {{1, 0, 0}, {2, 0, 0}, {1, 1, 0}, {3, 3, 3}, {4, 4, 4}}, {{0, 1, 2}});
  for (int p = 0; p < 5; ++p) o.points[p].flags = POINT_MIRRORED | POINT_SELECTED;
  o.points[4].flags |= POINT_REFERENCE;
  o.UnmarkUsedPoints(0);
  EXPECT_EQ(o.points[0].flags & POINT_SELECTED, 0);
  EXPECT_EQ(o.points[4].flags & POINT_SELECTED, POINT_SELECTED);
  o.UnmarkUsedPoints(1);
  EXPECT_EQ(o.points[4].flags & POINT_SELECTED, 0);
  EXPECT_EQ(o.points[3].flags & POINT_SELECTED, POINT_SELECTED) << "loose, not a reference";

  for (int p = 0; p < 5; ++p) o.points[p].flags |= POINT_SELECTED;
  o.ResetLoosePointMirrorState();  // the triangle is not selected
  EXPECT_EQ(o.points[0].flags & POINT_MIRROR_STATE, 0);
  EXPECT_EQ(o.points[3].flags & POINT_MIRROR_STATE, 0);
  EXPECT_EQ(o.points[4].flags & POINT_MIRROR_STATE, POINT_MIRRORED) << "a reference point keeps it";
  o.points[1].flags |= POINT_MIRRORED;
  o.triangles[0].flags |= TRIANGLE_SELECTED;
  o.ResetLoosePointMirrorState();
  EXPECT_EQ(o.points[1].flags & POINT_MIRROR_STATE, POINT_MIRRORED);
  o.Free();
}

// The whole model's sphere takes level 0 of each subobject, turned by its angles (the third
// angle about z: a quarter turn takes (4, y, z) m to y = +-4 m), and a mirrored copy only of a
// twin.
TEST_F(ModelRecords, TheWholeSphereTurnsSubobjectsAndMirrorsOnlyTwins) {
  const int32_t M = FIXED_ONE;
  auto withChild = [](ModelObject& o, int angle2, int angle0, uint16_t options) {
    o.Init();
    std::vector<ModelObject> children(1);
    children[0].Init();
    Fill(children[0], {{4, 0, 0}, {4, 0.5, 0}, {4, 0, 0.5}, {-9, -9, -9}, {-9, -8, -9}, {-9, -9, -8}},
         {{0, 1, 2}, {3, 4, 5}});
    children[0].triangles[1].lod = 1;  // far points of level 1 only
    children[0].angles[2] = int16_t(angle2);
    children[0].angles[0] = int16_t(angle0);
    children[0].options = options;
    SetChildren(o, children);
  };
  IntVector centre;
  int32_t radius = 0;

  ModelObject plain;
  withChild(plain, 0, 0, 0);
  plain.GetBoundingSphereAll(&centre, &radius, nullptr, nullptr);
  EXPECT_EQ(centre.x, 4 * M) << "no mirrored copy, no level-1 point";
  EXPECT_EQ(centre.y, M / 4);
  plain.Free();

  ModelObject twin;
  withChild(twin, 0, 0, OPTION_MIRRORED_TWIN);
  twin.GetBoundingSphereAll(&centre, &radius, nullptr, nullptr);
  EXPECT_EQ(centre.x, 0) << "the twin's copy stands at -4 m";
  twin.Free();

  ModelObject turned;
  withChild(turned, 16384, 0, 0);
  turned.GetBoundingSphereAll(&centre, &radius, nullptr, nullptr);
  EXPECT_NEAR(std::abs(centre.y), 4 * M, 4);
  EXPECT_NEAR(std::abs(centre.x), M / 4, 4);
  EXPECT_NEAR(centre.z, M / 4, 4);
  turned.Free();

  // The first angle about x: a quarter turn leaves x alone and takes z up to y.
  ModelObject tipped;
  withChild(tipped, 0, 16384, 0);
  tipped.GetBoundingSphereAll(&centre, &radius, nullptr, nullptr);
  EXPECT_NEAR(centre.x, 4 * M, 4);
  EXPECT_NEAR(std::abs(centre.y), M / 4, 4);
  EXPECT_NEAR(std::abs(centre.z), M / 4, 4);
  tipped.Free();
}

// Moving a page towards the front shifts the ones between back by one: c to the front of
// a, b, c gives c, a, b, and the cutouts follow their pages.
TEST_F(ModelRecords, MovingAPageToTheFrontShiftsTheOthersBack) {
  ModelObject o;
  o.Init();
  o.AddPage(nullptr), o.AddPage(nullptr);
  std::snprintf(o.pages[0].name, sizeof o.pages[0].name, "a");
  std::snprintf(o.pages[1].name, sizeof o.pages[1].name, "b");
  std::snprintf(o.pages[2].name, sizeof o.pages[2].name, "c");
  o.AddCutout(nullptr), o.AddCutout(nullptr);
  for (int i = 0; i < 3; ++i) o.cutouts[i].page = uint8_t(i);
  o.MovePage(2, 0);
  EXPECT_STREQ(o.pages[0].name, "c");
  EXPECT_STREQ(o.pages[1].name, "a");
  EXPECT_STREQ(o.pages[2].name, "b");
  EXPECT_EQ(o.cutouts[0].page, 1);
  EXPECT_EQ(o.cutouts[1].page, 2);
  EXPECT_EQ(o.cutouts[2].page, 0);
  o.Free();
}
