// build_mode_test.cpp - the build mode's clicks on point markers and the edge division, the
// turn of a shared edge, flood select in the draw modes and selection by a typed index; a
// triangle built with a colour out of bounds; the current triangle's outline.
#include <random>
#include <utility>

#include "modeller/operations/build_mode.h"
#include "modeller/operations/triangle_tools.h"
#include "modeller/screen/modeller_screen.h"
#include "operations_fixture.h"
#include "render/buffers.h"
#include "render/draw_mesh.h"
#include "render/immediate.h"
#include "tests/render/null_renderer.h"
#include "ui/problem_report.h"

using namespace modeller_test;

namespace {

// A fan of points: 0 at the origin, 1..5 round it at z = 0.5; a centre-plane point 6.
void FanPoints(ModelObject& o) {
  o.Init();
  ModelBuilder b;
  b.Point(0.5, 0, 0.5);
  for (int i = 0; i < 5; ++i) b.Point(1 + i * 0.25, 1, 0.5);
  b.Point(0, 1, 0.5);
  b.Into(o);
}

// A 2 x 2 grid of squares (9 points, 8 triangles) in the plane z = 0.5, each square split on
// its diagonal, all wound the same way; triangle 2k and 2k + 1 make square k.
void Grid(ModelObject& o) {
  o.Init();
  ModelBuilder b;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) b.Point(x, y, 0.5);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) b.Quad(y * 3 + x, y * 3 + x + 1, y * 3 + x + 4, y * 3 + x + 3);
  b.AddMapping("second", 0, 0, DIRECTION_TOP, 1, 1, 0xFFFFFF);
  b.Into(o);
}

double AreaZ(const ModelObject& o, int t) {
  const ModelTriangle& tri = o.triangles[t];
  const ModelPoint& a = o.points[tri.corners[0] & CORNER_INDEX_MASK];
  const ModelPoint& b = o.points[tri.corners[1] & CORNER_INDEX_MASK];
  const ModelPoint& c = o.points[tri.corners[2] & CORNER_INDEX_MASK];
  const double ux = (b.x - a.x) / 65536.0, uy = (b.y - a.y) / 65536.0, vx = (c.x - a.x) / 65536.0, vy = (c.y - a.y) / 65536.0;
  return 0.5 * (ux * vy - uy * vx);
}
double TotalAreaZ(const ModelObject& o) {
  double sum = 0;
  for (int t = 0; t < o.triangleCount; ++t) sum += AreaZ(o, t);
  return sum;
}

}  // namespace

class BuildModeTest : public OperationsTest {
 protected:
  void Click(uint32_t reference, bool ctrl = false) {
    CtrlHeld = ctrl;
    BuildClickPoint(*modeller, CLICK_LEFT, reference);
    CtrlHeld = 0;
  }
  void ClickTriangle(int t, bool shift, bool ctrl) {
    ShiftHeld = shift, CtrlHeld = ctrl;
    TriangleClick(*modeller, CLICK_LEFT, t, 0);
    ShiftHeld = CtrlHeld = 0;
  }
  const ModelTriangle& T(int index) const { return EditedObject->triangles[index]; }
};

TEST_F(BuildModeTest, ClickedPointsMakeTrianglesAndFans) {
  Start(FanPoints);
  Key('B', true);
  modeller->state.autoMirror = 0;
  Click(1);
  Click(1);
  EXPECT_EQ(modeller->state.buildCount, 0u) << "the same point twice empties the list";
  const std::vector<uint8_t> before = Serialised();
  Click(0), Click(1), Click(2);
  ASSERT_EQ(model.triangleCount, 1);
  EXPECT_STREQ(modeller->statusText, "add tri");
  EXPECT_EQ(modeller->state.buildCount, 0u);
  EXPECT_EQ(T(0).flags, TRIANGLE_SELECTED);
  EXPECT_EQ(modeller->state.currentTriangle, 0);
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();
  ExpectUndoRestores(before);

  // With Ctrl: (p0, p1, p2), (p0, p2, p3), (p0, p3, p4).
  model.triangleCount = 0;
  for (uint32_t p : {0u, 1u, 2u, 3u, 4u}) Click(p, true);
  ASSERT_EQ(model.triangleCount, 3);
  const uint16_t fan[3][3] = {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}};
  for (int t = 0; t < 3; ++t)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(T(t).corners[k], fan[t][k]);
  EXPECT_EQ(SelectedTriangles(), 1);
  // The fan stays open while Ctrl is held; the first frame after Ctrl is let go ends it.
  ASSERT_EQ(modeller->state.buildCount, 2u);
  CtrlHeld = 1;
  Buttons();
  EXPECT_EQ(modeller->state.buildCount, 2u) << "Ctrl still held";
  CtrlHeld = 0;
  Buttons();
  EXPECT_EQ(modeller->state.buildCount, 0u) << "Ctrl let go";
  // Two points chosen with Ctrl but no triangle made yet are no fan: they stay.
  Click(1, true), Click(2, true);
  Buttons();
  EXPECT_EQ(modeller->state.buildCount, 2u);
  EXPECT_EQ(model.triangleCount, 3);

  // Auto-mirror mirrors the new triangle, unless a corner is a reflection.
  modeller->state.buildCount = 0;
  modeller->state.autoMirror = 1;
  Click(1), Click(2), Click(6);
  EXPECT_NE(T(3).flags & TRIANGLE_MIRRORED, 0);
  EXPECT_EQ(model.points[6].flags & POINT_MIRROR_STATE, POINT_CENTRAL);
  Click(1), Click(2 | CORNER_MIRRORED), Click(3);
  EXPECT_EQ(T(4).flags & TRIANGLE_MIRRORED, 0);
  EXPECT_TRUE(Said(TEXT_NOT_AUTO_MIRRORED));

  // A hidden current layer refuses the click.
  ObjectEditorShared.visibleLayers = ~1u;
  Click(1);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_LAYER_NOT_VISIBLE);
  Confirm();
  EXPECT_EQ(modeller->state.buildCount, 0u);
}

// Two triangles built one after the other from the same first two points are two edits: one
// undo takes back the second only.
TEST_F(BuildModeTest, TrianglesBuiltFromTheSameFirstTwoPointsAreUndoneOneAtATime) {
  Start(FanPoints);
  Key('B', true);
  modeller->state.autoMirror = 0;
  const int history = ModellerUndo.count;
  Click(1), Click(2), Click(3);
  Click(1), Click(2), Click(4);
  ASSERT_EQ(model.triangleCount, 2);
  EXPECT_EQ(ModellerUndo.count, history + 2) << "one undo point a triangle";
  CtrlKey('Z');
  ASSERT_EQ(model.triangleCount, 1);
  const uint16_t first[3] = {1, 2, 3};
  for (int k = 0; k < 3; ++k) EXPECT_EQ(model.triangles[0].corners[k], first[k]);
}

// A current colour past the object's mappings: the built triangle takes colour 0, and the
// user is told.
TEST_F(BuildModeTest, ATriangleBuiltWithAColourOutOfBoundsTakesColourZeroAndSaysSo) {
  Start(Grid);
  Key('B', true);
  modeller->state.autoMirror = 0;
  ASSERT_GE(model.mappingCount, 1);
  // The first mapping is in bounds: taken without a word.
  modeller->state.currentMapping = 0;
  const int before = model.triangleCount;
  Click(1), Click(2), Click(5);
  ASSERT_EQ(model.triangleCount, before + 1);
  EXPECT_EQ(T(before).mapping, 0);
  EXPECT_FALSE(Said("Selected colour was out of bounds"));
  const int triangles = model.triangleCount;
  modeller->state.currentMapping = model.mappingCount;  // one past the last
  ASSERT_FALSE(Said("Selected colour was out of bounds"));
  Click(0), Click(1), Click(4);
  ASSERT_EQ(model.triangleCount, triangles + 1);
  EXPECT_EQ(T(triangles).mapping, 0);
  EXPECT_EQ(modeller->state.currentMapping, 0);
  EXPECT_TRUE(Said("Selected colour was out of bounds"));
}

TEST_F(BuildModeTest, DividingASharedEdgeKeepsTheArea) {
  Start(Grid);
  Key('B', true);
  const double area = TotalAreaZ(model);
  Click(0), Click(4);  // the diagonal of square 0, shared by triangles 0 and 1
  EXPECT_EQ(modeller->buildEdgeUsers, 2);
  const std::vector<uint8_t> before = Serialised();
  Press("divide edge");
  EXPECT_STREQ(modeller->statusText, "divide edge");
  ASSERT_EQ(model.pointCount, 10);
  ASSERT_EQ(model.triangleCount, 10);
  EXPECT_EQ(model.points[9].x, Metres(0.5));
  EXPECT_EQ(model.points[9].y, Metres(0.5));
  EXPECT_NEAR(TotalAreaZ(model), area, 1e-9);
  for (int t = 0; t < model.triangleCount; ++t) EXPECT_GT(AreaZ(model, t), 0) << t;
  EXPECT_EQ(modeller->state.buildCount, 0u) << "the edge's points are let go";
  EXPECT_EQ(modeller->buildEdgeUsers, 0);
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();
  ExpectUndoRestores(before);

  // A central end and a plain one give a mirrored point; a reflected end is refused.
  model.points[0].flags = (model.points[0].flags & ~POINT_MIRROR_STATE) | POINT_CENTRAL;
  modeller->state.buildCount = 0;
  Click(0), Click(1);
  Press("divide edge");
  EXPECT_EQ(model.points[model.pointCount - 1].flags & POINT_MIRROR_STATE, POINT_MIRRORED);
  Click(0), Click(1 | CORNER_MIRRORED);
  const int history = ModellerUndo.count;
  const std::vector<uint8_t> kept = Serialised();
  Press("divide edge");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_DIVIDE_REFLECTED);
  Confirm();
  ExpectUnchanged(kept, history);
}

TEST_F(BuildModeTest, GoingToPointModeSelectsTheListedPointsOnly) {
  Start(Grid);
  Key('B', true);
  Click(0), Click(4);
  ASSERT_EQ(modeller->state.buildCount, 2u);
  modeller->state.buildList[2] = 7;  // an old entry past the listed two
  Key('P', true);
  ASSERT_EQ(modeller->state.mode, ModePoint);
  for (int p = 0; p < model.pointCount; ++p)
    EXPECT_EQ((model.points[p].flags & POINT_SELECTED) != 0, p == 0 || p == 4) << "point " << p;
}

TEST_F(BuildModeTest, ShiftClickTurnsTheSharedEdge) {
  Start(Grid);
  Key('T', true);
  const double area = TotalAreaZ(model);
  ClickTriangle(0, false, false);
  const std::vector<uint8_t> before = Serialised();
  ClickTriangle(1, true, false);
  EXPECT_STREQ(modeller->statusText, "triangle rotation");
  EXPECT_NEAR(TotalAreaZ(model), area, 1e-9);
  EXPECT_GT(AreaZ(model, 0), 0);
  EXPECT_GT(AreaZ(model, 1), 0);
  // The edge 0-4 became 1-3.
  bool has13 = false;
  for (int t : {0, 1}) {
    bool one = false, three = false;
    for (uint16_t c : T(t).corners) one = one || c == 1, three = three || c == 3;
    has13 = has13 || (one && three);
  }
  EXPECT_TRUE(has13);
  ExpectUndoRestores(before);
  // Windings that disagree share no edge; nor does a triangle with itself.
  std::swap(model.triangles[1].corners[1], model.triangles[1].corners[2]);
  DeselectAllTriangles(*modeller);
  ClickTriangle(0, false, false);
  const int history = ModellerUndo.count;
  ClickTriangle(1, true, false);
  EXPECT_STREQ(modeller->statusText, TEXT_NO_SHARED_EDGE);
  EXPECT_EQ(ModellerUndo.count, history);
  modeller->statusText[0] = 0;
  ClickTriangle(0, true, false);
  EXPECT_STREQ(modeller->statusText, TEXT_NO_SHARED_EDGE) << "the first triangle with itself";
  // A turn asked for no triangle (an index just past the last, or -1) does nothing and says
  // nothing.
  const std::vector<uint8_t> unturned = Serialised();
  for (const int none : {int(model.triangleCount), -1}) {
    modeller->statusText[0] = 0;
    RotateSharedEdge(*modeller, none);
    EXPECT_STREQ(modeller->statusText, "") << none;
  }
  ExpectUnchanged(unturned, history);
}

TEST_F(BuildModeTest, FloodSelectFollowsTheDrawModeAndStaysInShownTriangles) {
  Start(Grid);
  Key('T', true);
  // Squares 0 and 1 on group 0, squares 2 and 3 on group 1; squares 1 and 2 on the second
  // mapping.
  for (int t = 4; t < 8; ++t) model.triangles[t].group = 1;
  for (int t = 2; t < 6; ++t) model.triangles[t].mapping = 1;
  MeshDisplay.modellerDrawMode = DRAW_GROUPS;
  ClickTriangle(0, true, true);
  EXPECT_EQ(SelectedTriangles(), 4) << "crosses the mapping border, stops at the group border";
  for (int t = 0; t < 4; ++t) EXPECT_NE(T(t).flags & TRIANGLE_SELECTED, 0);
  EXPECT_EQ(modeller->state.selectedTriangleCount, 4);
  // Clicking again deselects the region.
  ClickTriangle(1, true, true);
  EXPECT_EQ(SelectedTriangles(), 0);

  MeshDisplay.modellerDrawMode = DRAW_MAPPINGS;
  ClickTriangle(0, true, true);
  EXPECT_EQ(SelectedTriangles(), 2) << "stops at the mapping border";
  DeselectAllTriangles(*modeller);

  // Hidden triangles, hidden layers and other levels stop it.
  MeshDisplay.modellerDrawMode = DRAW_FLAT;
  for (int t = 4; t < 8; ++t) model.triangles[t].group = 0;
  for (int t = 2; t < 6; ++t) model.triangles[t].mapping = 0;
  model.triangles[1].flags |= TRIANGLE_HIDDEN;
  model.triangles[4].layer = 3;
  model.triangles[6].lod = 1;
  model.lodCount = 2;
  ObjectEditorShared.visibleLayers = ~(1u << 3);
  ClickTriangle(0, true, true);
  for (int t : {1, 4, 6}) EXPECT_EQ(T(t).flags & TRIANGLE_SELECTED, 0) << t;
  EXPECT_NE(T(0).flags & TRIANGLE_SELECTED, 0);

  // Wire and layers draw modes refuse it.
  DeselectAllTriangles(*modeller);
  MeshDisplay.modellerDrawMode = DRAW_WIRE;
  ClickTriangle(2, true, true);
  EXPECT_STREQ(modeller->statusText, TEXT_FLOOD_DRAW_MODE);
  EXPECT_EQ(SelectedTriangles(), 0);
  MeshDisplay.modellerDrawMode = DRAW_FLAT;
}

TEST(FloodRegion, TheEdgeTableReachesWhatRepeatedPassesReach) {
  std::mt19937 random(7);
  for (int round = 0; round < 40; ++round) {
    ModelObject o{};
    o.Init();
    ModelBuilder b;
    const int points = 6 + int(random() % 6);
    for (int p = 0; p < points; ++p) b.Point(p, p % 3, 0);
    const int triangles = 4 + int(random() % 20);
    for (int t = 0; t < triangles; ++t) {
      b.group = int(random() % 2);
      b.layer = int(random() % 2);
      b.lod = int(random() % 4 == 0);
      b.Triangle(int(random() % points), int(random() % points), int(random() % points));
    }
    b.Into(o);
    const auto compare = [&](int start, int mode) {
      FloodRegionByPasses(o, start, 0, 1u, mode);
      std::vector<uint8_t> passes(size_t(o.triangleCount));
      for (int t = 0; t < o.triangleCount; ++t) {
        passes[size_t(t)] = o.triangles[t].flags & TRIANGLE_MARK;
        o.triangles[t].flags &= uint8_t(~TRIANGLE_MARK);
      }
      FloodRegion(o, start, 0, 1u, mode);
      for (int t = 0; t < o.triangleCount; ++t) {
        EXPECT_EQ(o.triangles[t].flags & TRIANGLE_MARK, passes[size_t(t)]) << "round " << round << " triangle " << t;
        o.triangles[t].flags &= uint8_t(~TRIANGLE_MARK);
      }
    };
    for (int mode : {DRAW_FLAT, DRAW_GROUPS, DRAW_SIDE_SWAP}) compare(int(random() % uint32_t(o.triangleCount)), mode);
    // The adjacency kept from the last flood must follow an edit of the corners.
    ModelTriangle& turned = o.triangles[random() % uint32_t(o.triangleCount)];
    std::swap(turned.corners[1], turned.corners[2]);
    turned.corners[0] = uint16_t(random() % uint32_t(points));
    compare(int(random() % uint32_t(o.triangleCount)), DRAW_FLAT);
    o.Free();
  }
}

// Two triangles on one edge: 0 is (0, 1, 2) and 1 runs the edge 1-2 the other way round with
// its third corner at point 3.  With that corner one past the last point (as only a damaged
// model in memory holds it), wherever it stands in the triangle, the flood from 0 stops short
// of it; at the last point itself it crosses.
TEST(FloodRegion, ATriangleWithACornerPastTheLastPointIsNotReached) {
  for (int position = 0; position < 3; ++position)
    for (const int points : {4, 3}) {
      ModelObject o{};
      o.Init();
      ModelBuilder b;
      for (int p = 0; p < 4; ++p) b.Point(p, p % 2, 0);
      b.Triangle(0, 1, 2);
      b.Triangle(2, 1, 3);
      b.Into(o);
      // Turn the second triangle's corners round so that point 3 stands at the position.
      const uint16_t corners[3] = {2, 1, 3};
      for (int k = 0; k < 3; ++k) o.triangles[1].corners[(position + k) % 3] = corners[(k + 2) % 3];
      ASSERT_EQ(o.triangles[1].corners[position], 3);
      o.pointCount = points;  // 3: the corner is one past the last point
      FloodRegion(o, 0, 0, 1u, DRAW_FLAT);
      EXPECT_NE(o.triangles[0].flags & TRIANGLE_MARK, 0);
      EXPECT_EQ((o.triangles[1].flags & TRIANGLE_MARK) != 0, points == 4)
          << "corner " << position << ", " << points << " points";
      o.pointCount = 4;
      o.Free();
    }
}

TEST_F(BuildModeTest, ATypedIndexOfAnotherLevelShowsThatLevel) {
  Start(Grid);
  model.lodCount = 2;
  model.triangles[5].lod = 1;
  Key('T', true);
  Press("index");
  Type("5");
  EXPECT_EQ(model.currentLod, 1);
  EXPECT_NE(T(5).flags & TRIANGLE_SELECTED, 0);
  EXPECT_STREQ(modeller->statusText, "Selected triangle #5 in LOD2");
  Press("index");
  Type("8");
  EXPECT_STREQ(modeller->statusText, "Triangle index must be between 0 and 7");
}

TEST_F(BuildModeTest, AClickOnATriangleSelectsItAloneAndMakesItCurrent) {
  Start(Grid);
  Key('B', true);
  ClickTriangle(0, false, false);
  ClickTriangle(3, false, false);
  EXPECT_EQ(SelectedTriangles(), 1) << "the first click's triangle is let go";
  EXPECT_NE(T(3).flags & TRIANGLE_SELECTED, 0);
  EXPECT_EQ(T(0).flags & TRIANGLE_SELECTED, 0);
  EXPECT_EQ(modeller->state.selectedTriangleCount, 1);
  EXPECT_EQ(modeller->state.currentTriangle, 3);
  ClickTriangle(3, false, true);  // Ctrl makes no difference in this mode
  EXPECT_EQ(SelectedTriangles(), 1);
}

TEST_F(BuildModeTest, RepairingMirroringLeavesNoCurrentTriangleAndATurnFindsItAgainFromTheSelection) {
  Start(Grid);
  Key('T', true);
  ModelObject& o = *EditedObject;
  // Triangle 1 becomes triangle 0 reflected: the same corners backwards, each marked mirrored.
  const uint16_t* first = o.triangles[0].corners;
  const uint16_t copy[3] = {uint16_t(first[2] | CORNER_MIRRORED), uint16_t(first[1] | CORNER_MIRRORED),
                            uint16_t(first[0] | CORNER_MIRRORED)};
  for (int k = 0; k < 3; ++k) o.triangles[1].corners[k] = copy[k];
  for (int t = 0; t < o.triangleCount; ++t) o.triangles[t].flags &= uint8_t(~(TRIANGLE_SELECTED | TRIANGLE_MIRRORED));
  o.triangles[1].flags |= TRIANGLE_SELECTED;
  o.triangles[5].flags |= TRIANGLE_SELECTED;
  modeller->state.currentTriangle = 1;
  TriangleModeCommand(&modeller->prss, CLICK_LEFT, 5);
  ASSERT_EQ(o.triangleCount, 7);
  EXPECT_NE(o.triangles[0].flags & TRIANGLE_MIRRORED, 0) << "the kept triangle stands for both sides";
  EXPECT_EQ(modeller->state.currentTriangle, 7) << "no current triangle";
  EXPECT_EQ(modeller->state.selectedTriangleCount, 1) << "the old triangle 5 is still selected";
  EXPECT_NE(o.triangles[4].flags & TRIANGLE_SELECTED, 0);
  // A second repair straight after is an undo step of its own, and finds nothing more to replace.
  const int repairs = ModellerUndo.count;
  TriangleModeCommand(&modeller->prss, CLICK_LEFT, 5);
  EXPECT_EQ(ModellerUndo.count, repairs + 1);
  ASSERT_EQ(o.triangleCount, 7);
  // Square 2 of the grid is points 3 (0,1), 4 (1,1), 7 (1,2), 6 (0,2), split on 3-7: triangles
  // 3 = (3, 4, 7) and 4 = (3, 7, 6) now.  Shift-clicking triangle 3 turns the edge it shares
  // with the selected triangle 4, found again from the selection.  Triangle 4's edge (a, b) =
  // (3, 7) runs (7, 3) in triangle 3; o1 = 6, o2 = 4, so 4 becomes (o1, o2, b) = (6, 4, 7) and
  // 3 becomes (o1, a, o2) = (6, 3, 4): the diagonal 3-7 is now 4-6.
  const double area = TotalAreaZ(o);
  ClickTriangle(3, true, false);
  EXPECT_STREQ(modeller->statusText, "triangle rotation");
  EXPECT_EQ(modeller->state.currentTriangle, 4);
  const uint16_t turned4[3] = {6, 4, 7}, turned3[3] = {6, 3, 4};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(o.triangles[4].corners[k], turned4[k]) << "corner " << k;
    EXPECT_EQ(o.triangles[3].corners[k], turned3[k]) << "corner " << k;
  }
  // Each half of the unit square keeps its winding: area +0.5 in z.
  EXPECT_NEAR(AreaZ(o, 3), 0.5, 1e-9);
  EXPECT_NEAR(AreaZ(o, 4), 0.5, 1e-9);
  EXPECT_NEAR(TotalAreaZ(o), area, 1e-9);
}

TEST_F(BuildModeTest, TheBuildListDropsAReclickedPointAndTheNewTriangleTakesTheCurrentAttributes) {
  Start(Grid);
  Key('B', true);
  modeller->state.autoMirror = 0;
  // A point one past the last is no point; the last one is.
  Click(9);
  EXPECT_EQ(modeller->state.buildCount, 0u);
  Click(8);
  EXPECT_EQ(modeller->state.buildCount, 1u);
  // Two in the list: the first clicked again leaves the second, the second leaves the first.
  Click(2);
  Click(8);
  ASSERT_EQ(modeller->state.buildCount, 1u);
  EXPECT_EQ(modeller->state.buildList[0], 2u);
  Click(5);
  Click(5);
  ASSERT_EQ(modeller->state.buildCount, 1u);
  EXPECT_EQ(modeller->state.buildList[0], 2u);
  // The new triangle: the current layer, colour, smoothing, group and level; a side swap
  // when set and not mirrored.
  modeller->state.buildCount = 0;
  modeller->state.currentLayer = 3;
  const ModelMapping second = model.mappings[0];
  model.AddMapping(&second);
  modeller->state.currentMapping = 1;
  modeller->state.normalLevel = 2;
  model.groupCount = 2;
  modeller->state.currentGroup = 1;
  model.lodCount = 2;
  SetCurrentLod(*modeller, 0, 1);
  modeller->state.sideSwap = 1;
  const int triangles = model.triangleCount;
  Click(0), Click(1), Click(4);
  ASSERT_EQ(model.triangleCount, triangles + 1);
  const ModelTriangle& t = T(triangles);
  EXPECT_EQ(t.layer, 3);
  EXPECT_EQ(t.mapping, 1);
  EXPECT_EQ(t.normalLevel, 2);
  EXPECT_EQ(t.group, 1);
  EXPECT_EQ(t.lod, 1);
  EXPECT_EQ(t.flags, TRIANGLE_SELECTED | TRIANGLE_SIDE_SWAP);
  EXPECT_EQ(t.corners[0], 0);
  EXPECT_EQ(t.corners[1], 1);
  EXPECT_EQ(t.corners[2], 4);
  EXPECT_EQ(modeller->state.currentTriangle, triangles);
  // The triangle limit met: refused, and the list emptied.
  modeller->triangleLimit = model.triangleCount;
  const std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  Click(0), Click(1), Click(4);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_REACHED_MAX_TRIANGLES);
  Confirm();
  EXPECT_EQ(modeller->state.buildCount, 0u);
  ExpectUnchanged(before, history);
  // One below it: built.
  modeller->triangleLimit = model.triangleCount + 1;
  Click(0), Click(1), Click(4);
  EXPECT_EQ(model.triangleCount, triangles + 2);
}

TEST_F(BuildModeTest, AnEdgeIsDividedAtTheFractionWithinTheLimitsMetExactly) {
  Start(Grid);
  Key('B', true);
  // The diagonal 0-4 is shared by two triangles: two more triangles and one more point.
  Click(0), Click(4);
  const std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  modeller->triangleLimit = model.triangleCount + 1;
  modeller->pointLimit = model.pointCount + 1;
  DivideEdge(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_DIVIDE_LIMIT);
  Confirm();
  ExpectUnchanged(before, history);
  modeller->triangleLimit = model.triangleCount + 2;
  modeller->pointLimit = model.pointCount;
  DivideEdge(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_DIVIDE_LIMIT);
  Confirm();
  ExpectUnchanged(before, history);
  // Both met exactly: divided a quarter of the way from the first point, (0, 0), to the
  // second, (1, 1).
  modeller->pointLimit = model.pointCount + 1;
  modeller->edgeFraction = 0.25f;
  DivideEdge(&modeller->prss, CLICK_LEFT, 0);
  ASSERT_EQ(model.pointCount, 10);
  ASSERT_EQ(model.triangleCount, 10);
  EXPECT_EQ(model.points[9].x, Metres(0.25));
  EXPECT_EQ(model.points[9].y, Metres(0.25));
  EXPECT_EQ(model.points[9].z, Metres(0.5));
  EXPECT_EQ(modeller->state.buildCount, 0u);
  // Two central ends give a central point.
  modeller->pointLimit = 1000, modeller->triangleLimit = 1000;
  model.points[0].flags = uint8_t((model.points[0].flags & ~POINT_MIRROR_STATE) | POINT_CENTRAL);
  model.points[3].flags = uint8_t((model.points[3].flags & ~POINT_MIRROR_STATE) | POINT_CENTRAL);
  modeller->edgeFraction = 0.5f;
  Click(0), Click(3);
  DivideEdge(&modeller->prss, CLICK_LEFT, 0);
  ASSERT_EQ(model.pointCount, 11);
  EXPECT_EQ(model.points[10].flags & POINT_MIRROR_STATE, POINT_CENTRAL);
  EXPECT_EQ(model.points[10].y, Metres(0.5));
}

TEST_F(BuildModeTest, TheFirstTriangleIsSelectedByTypingZero) {
  Start(Grid);
  Key('T', true);
  Press("index");
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter the index of the triangle to select (0 to 7)");
  EXPECT_EQ(OpenTextEntry.maxLength, 8);
  Type("0");
  EXPECT_NE(T(0).flags & TRIANGLE_SELECTED, 0);
  EXPECT_STREQ(modeller->statusText, "Selected triangle #0 in LOD1");
  Press("index");
  Type("7");
  EXPECT_NE(T(7).flags & TRIANGLE_SELECTED, 0);
  EXPECT_EQ(T(0).flags & TRIANGLE_SELECTED, 0);
  Press("index");
  Type("-1");
  EXPECT_STREQ(modeller->statusText, "Triangle index must be between 0 and 7");
}

TEST_F(BuildModeTest, AListsFindSelectsTheListedItemsOfItsObjectAndKindOnly) {
  Start([](ModelObject& o) {
    Grid(o);
    std::vector<ModelObject> children(1);
    Grid(children[0]);  // Grid starts the object afresh
    children[0].type = SUBOBJECT_ATTACHMENT;
    SetChildren(o, children);
  });
  ClearProblemReport();
  // kind, object, item: triangles 2 and 7 (the last) of the main object, its point 8 (the
  // last) and 0; what lies past the tables, another object's or a negative item is passed by.
  const int markers[][3] = {{1, 0, 2}, {1, 0, 7}, {1, 0, 8}, {1, 0, -1}, {1, 1, 3}, {0, 0, 8}, {0, 0, 0}, {0, 0, 9}};
  for (const auto& m : markers) {
    ASSERT_EQ(AddProblemMarker(m[0], m[2], nullptr, nullptr), 1);
    ProblemMarkers[ProblemMarkerCount - 1].object = uint8_t(m[1]);
  }
  // A triangle selected beforehand in the same mode is not listed: it is deselected.
  SetModellerMode(*modeller, 0, ModeTriangle);
  SelectTriangle(*modeller, 5);
  ASSERT_NE(T(5).flags & TRIANGLE_SELECTED, 0);
  ModellerSelectListedItems(0, 1);
  EXPECT_EQ(modeller->state.mode, ModeTriangle);
  EXPECT_EQ(EditedObject, &model);
  for (int t = 0; t < model.triangleCount; ++t)
    EXPECT_EQ((T(t).flags & TRIANGLE_SELECTED) != 0, t == 2 || t == 7) << "triangle " << t;
  ModellerSelectListedItems(0, 0);
  EXPECT_EQ(modeller->state.mode, ModePoint);
  for (int p = 0; p < model.pointCount; ++p)
    EXPECT_EQ((model.points[p].flags & POINT_SELECTED) != 0, p == 0 || p == 8) << "point " << p;
  for (int t = 0; t < model.triangleCount; ++t) EXPECT_EQ(T(t).flags & TRIANGLE_SELECTED, 0) << "triangle " << t;
  // A subobject's listed triangle (edited already: a mesh rebuild would start the markers
  // again).
  SetEditedObject(*modeller, &model.children[0], 0);
  ModellerSelectListedItems(1, 1);
  EXPECT_EQ(modeller->state.mode, ModeTriangle);
  ASSERT_EQ(EditedObject, &model.children[0]);
  for (int t = 0; t < model.children[0].triangleCount; ++t)
    EXPECT_EQ((model.children[0].triangles[t].flags & TRIANGLE_SELECTED) != 0, t == 3) << "triangle " << t;
  // No object past the last, and no third kind.
  ModellerSelectListedItems(2, 1);
  EXPECT_EQ(EditedObject, &model.children[0]);
  ModellerSelectListedItems(0, 2);
  EXPECT_EQ(EditedObject, &model.children[0]);
  ClearProblemReport();
}

namespace {

// The fan's 7 points as the main object, the grid's 9 points as its subobject.
void FanWithGridChild(ModelObject& o) {
  FanPoints(o);
  std::vector<ModelObject> children(1);
  Grid(children[0]);
  children[0].type = SUBOBJECT_ATTACHMENT;
  SetChildren(o, children);
}

}  // namespace

// The build list holds point numbers of the object it was started on: another object chosen
// (the main one, by M) starts it empty, with the edge's triangle count and an open fan.
TEST_F(BuildModeTest, ChoosingAnotherObjectEmptiesTheBuildList) {
  Start(FanWithGridChild);
  Key('B', true);
  modeller->state.autoMirror = 0;
  ASSERT_EQ(model.pointCount, 7);
  ASSERT_EQ(model.triangleCount, 0);
  SelectSubobject(*modeller, 0, &model.children[0]);
  ASSERT_EQ(EditedObject, &model.children[0]);
  ASSERT_EQ(modeller->state.mode, ModeBuild);
  // The grid's points 7 and 1; point 7 is past the main object's last (6).
  Click(7), Click(1);
  ASSERT_EQ(modeller->state.buildCount, 2u);
  Key('M');
  ASSERT_EQ(EditedObject, &model);
  EXPECT_EQ(modeller->state.mode, ModeBuild);
  EXPECT_EQ(modeller->state.buildCount, 0u) << "the subobject's points are let go";
  Click(0);
  EXPECT_EQ(model.triangleCount, 0) << "one main point chosen: no triangle yet";
  EXPECT_EQ(modeller->state.buildCount, 1u);
  Click(1), Click(2);
  ASSERT_EQ(model.triangleCount, 1);
  const uint16_t corners[3] = {0, 1, 2};
  for (int k = 0; k < 3; ++k) EXPECT_EQ(model.triangles[0].corners[k], corners[k]) << "corner " << k;
  EXPECT_EQ(model.children[0].triangleCount, 8) << "the grid's own 8 triangles only";

  // The grid's edge 8-4, the diagonal of square 3, lies on two triangles.
  SelectSubobject(*modeller, 0, &model.children[0]);
  ASSERT_EQ(EditedObject, &model.children[0]);
  Click(8), Click(4);
  ASSERT_EQ(modeller->buildEdgeUsers, 2);
  Key('M');
  ASSERT_EQ(EditedObject, &model);
  EXPECT_EQ(modeller->state.buildCount, 0u);
  EXPECT_EQ(modeller->buildEdgeUsers, 0);
  // A Ctrl fan (8, 4, 7) in the grid keeps 8 and 7 for the next triangle.
  SelectSubobject(*modeller, 0, &model.children[0]);
  ASSERT_EQ(EditedObject, &model.children[0]);
  Click(8, true), Click(4, true), Click(7, true);
  ASSERT_EQ(model.children[0].triangleCount, 9);
  ASSERT_EQ(modeller->state.buildCount, 2u);
  ASSERT_EQ(modeller->fanPending, 1);
  Key('M');
  ASSERT_EQ(EditedObject, &model);
  EXPECT_EQ(modeller->state.buildCount, 0u);
  EXPECT_EQ(modeller->fanPending, 0) << "no fan left open";
  Click(0);
  EXPECT_EQ(model.triangleCount, 1) << "no main triangle from the grid's points";
}

TEST_F(BuildModeTest, BuildingDividingAndTurningRebuildThePreview) {
  Start(Grid);
  FlatPreview();
  NewNodes();
  Key('B', true);
  modeller->state.autoMirror = 0;
  Click(0), Click(1), Click(4);
  EXPECT_TRUE(PreviewCurrent()) << "a built triangle";
  EXPECT_EQ(NewNodes(), 1) << "a built triangle";
  Click(0), Click(1), Click(3);
  EXPECT_EQ(NewNodes(), 1) << "another on the same first two points";
  Click(0), Click(4);
  DivideEdge(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_TRUE(PreviewCurrent()) << "a divided edge";
  EXPECT_EQ(NewNodes(), 1) << "a divided edge";
  // Square 1's two triangles (2 and 3) share a diagonal: turned.
  Key('T', true);
  ClickTriangle(2, false, false);
  ClickTriangle(3, true, false);
  EXPECT_STREQ(modeller->statusText, "triangle rotation");
  EXPECT_TRUE(PreviewCurrent()) << "a turned edge";
  EXPECT_EQ(NewNodes(), 1) << "a turned edge";
}

// ---- the current triangle's outline, on the null device ----

class BuildOverlayOnDevice : public OnNullDevice<BuildModeTest> {
 protected:
  // The line vertices the overlay of the edited object adds to an open batch.
  uint32_t OverlayLineVertices() {
    if (BeginLineBatch3D() != 1) {
      ADD_FAILURE() << "no line batch";
      return 0;
    }
    const uint32_t before = StreamLines3D.vertexCount;
    DrawEditedObjectOverlay(*modeller);
    const uint32_t added = StreamLines3D.vertexCount - before;
    EndLineBatch3D();
    return added;
  }
};

// In build mode the current triangle is outlined, three lines of two vertices each; one whose
// corner is one past the last point (as only a damaged model in memory holds it) names no
// point there, and is not drawn, with the triangle buttons off or on.
TEST_F(BuildOverlayOnDevice, TheCurrentTriangleIsOutlinedUnlessACornerIsPastTheLastPoint) {
  ASSERT_TRUE(NullDevice::ready_);
  Start(Grid);
  Key('B', true);
  ASSERT_EQ(modeller->state.mode, ModeBuild);
  ObjectEditorShared.pick.state = 0;
  ASSERT_EQ(model.pointCount, 9);
  ModelTriangle& t = model.triangles[3];
  t.flags &= uint8_t(~TRIANGLE_MIRRORED);
  ASSERT_EQ(t.lod, model.currentLod);
  modeller->state.currentTriangle = 3;
  for (const uint8_t buttons : {uint8_t(0), uint8_t(1)}) {
    modeller->triangleButtons = buttons;
    t.corners[2] = 8;
    EXPECT_EQ(OverlayLineVertices(), 6u) << "the last point: outlined; buttons " << int(buttons);
    t.corners[2] = 9;
    EXPECT_EQ(OverlayLineVertices(), 0u) << "one past the last: nothing; buttons " << int(buttons);
  }
  modeller->triangleButtons = 0;
}
