// point_tools_test.cpp - the point mode's tools through its panel and keys: new and duplicated
// points, deletion, the mirror, centre and reference flags, flips, darkness, the merges, the
// typed distance, rotation and scale about the green point, selection by index and of the
// connected triangles, and the build mode's merge, relocation and real point.
#include <cmath>

#include "modeller/operations/modeller_options.h"
#include "modeller/operations/triangle_tools.h"
#include "modeller/screen/modeller_screen.h"
#include "modeller/state/modeller_selection.h"
#include "operations_fixture.h"

using namespace modeller_test;

namespace {

constexpr int POINT_H0 = 12, POINT_H1 = 13;  // the sample car's (0.45, -2, 0.5) and (0.45, -2, 0.7)
constexpr int POINT_C0 = 6;                   // (0, -2, 0.2), on the centre plane

}  // namespace

TEST_F(OperationsTest, NewAndDuplicatedPointsAreSelectedTracedAndGreen) {
  Start([](ModelObject& o) { PointRow(o, 100); });
  Key('P', true);
  std::vector<uint8_t> before = Serialised();
  Press("new point");
  EXPECT_STREQ(modeller->statusText, "add new point");
  ASSERT_EQ(model.pointCount, 101);
  EXPECT_EQ(P(100).x, 0);
  EXPECT_EQ(P(100).y, 0);
  EXPECT_EQ(P(100).flags, POINT_SELECTED);
  EXPECT_EQ(modeller->state.selectedPointCount, 1);
  EXPECT_EQ(modeller->state.traceCount, 1);
  EXPECT_EQ(modeller->state.currentPoint, 100);
  ExpectUndoRestores(before);
  // Ctrl+N clears the selection first and does the same.
  Key('A');
  CtrlKey('N');
  EXPECT_EQ(model.pointCount, 102);
  EXPECT_EQ(modeller->state.selectedPointCount, 1);

  // A hundred selected points give a hundred selected copies, of which 80 are traced.
  SelectPoints({});
  for (int p = 0; p < 100; ++p) SelectPoint(*modeller, p);
  before = Serialised();
  CtrlKey('D');
  EXPECT_STREQ(modeller->statusText, "duplicate points");
  ASSERT_EQ(model.pointCount, 202);
  for (int p = 0; p < 100; ++p) {
    EXPECT_EQ(P(p).flags & POINT_SELECTED, 0);
    EXPECT_EQ(P(102 + p).flags & POINT_SELECTED, POINT_SELECTED);
    EXPECT_EQ(P(102 + p).x, P(p).x);
  }
  EXPECT_EQ(modeller->state.selectedPointCount, 100);
  EXPECT_EQ(modeller->state.traceCount, 80);
  EXPECT_EQ(modeller->state.currentPoint, 201);
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();
  ExpectUndoRestores(before);
  // Past the point limit: refused.
  modeller->pointLimit = 250;
  SelectPoints({});
  for (int p = 0; p < 100; ++p) SelectPoint(*modeller, p);
  before = Serialised();
  const int history = ModellerUndo.count;
  CtrlKey('D');
  EXPECT_STREQ(MessageBoxDialog.first, modeller->pointLimitText);
  Confirm();
  ExpectUnchanged(before, history);
}

TEST_F(OperationsTest, DeletingPointsInUseIsRefusedByTheKeyAndSkippedByTheButton) {
  Start(TwoTriangles);
  Key('P', true);
  SelectPoints({2, 6, 7});
  std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  Key(KEYCODE_DELETE);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_POINTS_IN_USE);
  Confirm();
  ExpectUnchanged(before, history);
  // The button removes the unused ones and leaves the used one selected, renumbered.
  Press("delete");
  EXPECT_STREQ(modeller->statusText, "delete points");
  ASSERT_EQ(model.pointCount, 6);
  EXPECT_NE(P(2).flags & POINT_SELECTED, 0);
  EXPECT_EQ(modeller->state.selectedPointCount, 1);
  EXPECT_EQ(modeller->state.currentPoint, -1) << "the green point (7) went";
  EXPECT_EQ(modeller->state.traceCount, 1) << "the trace keeps the point that stays";
  EXPECT_EQ(modeller->state.trace[0], 2);
  ExpectUndoRestores(before);
  CtrlKey('Z');
  // The key removes unused points and renumbers the triangles that follow them.
  SelectPoints({1});
  model.triangles[0].corners[1] = 6;  // the first triangle now uses 6, not 1
  Key(KEYCODE_DELETE);
  EXPECT_STREQ(modeller->statusText, "delete point");
  ASSERT_EQ(model.pointCount, 7);
  EXPECT_EQ(model.triangles[0].corners[1], 5) << "renumbered";
  EXPECT_EQ(model.triangles[1].corners[0], 2);
  EXPECT_EQ(modeller->state.selectedPointCount, 0);
  EXPECT_EQ(modeller->state.traceCount, 0);
}

TEST_F(OperationsTest, AGreenPointKeptByADeletionIsRenumberedWithTheTrace) {
  // Two triangles on points 0..5, loose points 6 and 7; the first triangle is made to use 6
  // in place of 1, so 1 is loose and 6 in use.
  Start(TwoTriangles);
  Key('P', true);
  model.triangles[0].corners[1] = 6;
  // Point 1 goes; 6, green and last in the trace, is kept and becomes 5.
  SelectPoints({1, 6});
  Press("delete");
  ASSERT_EQ(model.pointCount, 7);
  EXPECT_EQ(modeller->state.currentPoint, 5);
  ASSERT_EQ(modeller->state.traceCount, 1);
  EXPECT_EQ(modeller->state.trace[0], 5);
  EXPECT_EQ(modeller->state.selectedPointCount, 1);
  CtrlKey('Z');
  // Point 7 goes; the green point 0, first of all, stays 0.
  SelectPoints({7, 0});
  Press("delete");
  ASSERT_EQ(model.pointCount, 7);
  EXPECT_EQ(modeller->state.currentPoint, 0);
  ASSERT_EQ(modeller->state.traceCount, 1);
  EXPECT_EQ(modeller->state.trace[0], 0);
}

TEST_F(OperationsTest, TheMirrorCentreAndReferenceToolsSetTheirFlags) {
  Start(SampleCar);
  Key('P', true);
  // "centre point" on a single point moves it to x = 0 without fixing it.
  model.points[POINT_H0].flags &= uint8_t(~POINT_MIRROR_STATE);
  SelectPoints({POINT_H0});
  PointToolsCommand(&modeller->prss, CLICK_LEFT, POINT_TOOL_CENTRE_GREEN);
  EXPECT_STREQ(modeller->statusText, "centre point");
  EXPECT_EQ(P(POINT_H0).x, 0);
  EXPECT_EQ(P(POINT_H0).flags & POINT_MIRROR_STATE, 0);
  // "mirror": a single point becomes symmetric (fixed on the centre plane).
  Press("mirror");
  EXPECT_STREQ(modeller->statusText, "mirror point");
  EXPECT_EQ(P(POINT_H0).flags & POINT_MIRROR_STATE, POINT_CENTRAL);
  Buttons();
  // Used by a selected triangle it stays symmetric; else it becomes single again.
  model.triangles[0].flags |= TRIANGLE_SELECTED;
  model.triangles[0].corners[0] = POINT_H0;
  Press("mirror");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_MIRRORED_POINT_IN_USE);
  Confirm();
  model.triangles[0].flags &= uint8_t(~TRIANGLE_SELECTED);
  Press("mirror");
  EXPECT_STREQ(modeller->statusText, "unmirror point");
  EXPECT_EQ(P(POINT_H0).flags & POINT_MIRROR_STATE, 0);
  // Fix and free by word; the reference toggle by the single point's button.
  PointToolsCommand(&modeller->prss, CLICK_LEFT, POINT_TOOL_FIX_GREEN);
  EXPECT_EQ(P(POINT_H0).flags & POINT_MIRROR_STATE, POINT_CENTRAL);
  // The first point of all (index 0) serves as the green point like any other.
  SelectPoints({0});
  ASSERT_EQ(modeller->state.currentPoint, 0);
  const uint8_t firstState = P(0).flags & POINT_MIRROR_STATE;
  PointToolsCommand(&modeller->prss, CLICK_LEFT, firstState == POINT_CENTRAL ? POINT_TOOL_FREE_GREEN : POINT_TOOL_FIX_GREEN);
  EXPECT_NE(P(0).flags & POINT_MIRROR_STATE, firstState) << "point 0 fixed or freed";
  SelectPoints({POINT_H0});
  PointToolsCommand(&modeller->prss, CLICK_LEFT, POINT_TOOL_FREE_GREEN);
  EXPECT_EQ(P(POINT_H0).flags & POINT_MIRROR_STATE, POINT_MIRRORED);
  Press("REF point (OFF)");
  EXPECT_STREQ(modeller->statusText, "switch ON reference point");
  EXPECT_NE(P(POINT_H0).flags & POINT_REFERENCE, 0);
  Press("REF point (ON)");
  EXPECT_EQ(P(POINT_H0).flags & POINT_REFERENCE, 0);

  // The selection's tools.
  SelectPoints({POINT_H0, POINT_H1, POINT_C0});
  const int32_t y0 = P(POINT_H1).y, x1 = P(POINT_H1).x;
  Press("ON");
  EXPECT_STREQ(modeller->statusText, "switch ON reference points");
  EXPECT_NE(P(POINT_C0).flags & POINT_REFERENCE, 0);
  Press("OFF");
  EXPECT_EQ(P(POINT_C0).flags & POINT_REFERENCE, 0);
  Press("F-B");
  EXPECT_STREQ(modeller->statusText, "flip F-B");
  EXPECT_EQ(P(POINT_H1).y, -y0);
  Press("L-R");
  EXPECT_EQ(P(POINT_H1).x, -x1);
  Press("free");
  EXPECT_STREQ(modeller->statusText, "free points");
  EXPECT_EQ(P(POINT_C0).flags & POINT_MIRROR_STATE, POINT_MIRRORED);
  Press("centre");
  EXPECT_STREQ(modeller->statusText, "centre points");
  for (int p : {POINT_H0, POINT_H1, POINT_C0}) {
    EXPECT_EQ(P(p).x, 0);
    EXPECT_EQ(P(p).flags & POINT_MIRROR_STATE, POINT_CENTRAL);
  }
  model.points[POINT_H1].flags &= uint8_t(~POINT_MIRROR_STATE);
  model.points[POINT_H1].x = 5;
  Press("mirror points");
  EXPECT_EQ(P(POINT_H1).flags & POINT_MIRROR_STATE, POINT_MIRRORED) << "a single point off the plane";
  // A flip that would leave the 16.16 range is refused.
  model.points[POINT_H1].y = INT32_MIN;
  const std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  Press("F-B");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_VALUE_OUT_OF_BOUNDS);
  Confirm();
  ExpectUnchanged(before, history);
}

TEST_F(OperationsTest, AmbientDarknessIsAskedThenWrittenIntoTheTopBits) {
  Start(SampleCar);
  Key('P', true);
  SelectPoints({POINT_H0, POINT_H1});
  const std::vector<uint8_t> before = Serialised();
  Press("exd");
  EXPECT_STREQ(MessageBoxDialog.first, "Set ambient darkness for 2 points?");
  EXPECT_STREQ(MessageBoxDialog.second, "Extra dark (exd)");
  Key('N');
  EXPECT_EQ(Serialised(), before);
  Press("exd");
  Key('Y');
  EXPECT_STREQ(modeller->statusText, "set point darkness");
  EXPECT_EQ(P(POINT_H0).flags & POINT_LIGHTING_CLASS, 3 << 6);
  EXPECT_EQ(P(POINT_H0).flags & POINT_MIRROR_STATE, POINT_MIRRORED) << "the low bits stay";
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  EXPECT_EQ(back.points[POINT_H1].flags & POINT_LIGHTING_CLASS, 3 << 6);
  back.Free();
  ExpectUndoRestores(before);
}

TEST_F(OperationsTest, MergesGoToTheTruncatedAverageOrTheGreenPoint) {
  Start([](ModelObject& o) { PointRow(o, 4); });
  Key('P', true);
  model.points[0].x = 1;  // (1, 1, 1) and (0, 0, 0) in 16.16 units
  model.points[1].x = 0;
  model.points[0].y = model.points[0].z = 1;
  model.points[1].y = model.points[1].z = 0;
  SelectPoints({0, 1});
  std::vector<uint8_t> before = Serialised();
  Press("avg");
  EXPECT_STREQ(modeller->statusText, "merge to average location");
  ASSERT_EQ(model.pointCount, 3);
  EXPECT_EQ(P(0).x, 0) << "truncated toward zero";
  EXPECT_EQ(P(0).y, 0);
  EXPECT_EQ(P(0).z, 0);
  EXPECT_EQ(modeller->state.selectedPointCount, 1) << "the one point at the target is selected";
  EXPECT_EQ(modeller->state.currentPoint, 0);
  ExpectUndoRestores(before);
  CtrlKey('Z');
  // To the green point.
  SelectPoints({0, 1, 3});
  Press("green");
  EXPECT_STREQ(modeller->statusText, "merge to last selected point");
  ASSERT_EQ(model.pointCount, 2);
  EXPECT_EQ(P(0).x, 3 << 16);
  CtrlKey('Z');
  // Some but not all fixed: refused.
  model.points[0].flags |= POINT_CENTRAL;
  SelectPoints({0, 1});
  before = Serialised();
  const int history = ModellerUndo.count;
  Press("avg");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_SOME_FIXED);
  Confirm();
  ExpectUnchanged(before, history);
  // The page's types; the choice is kept.
  model.points[0].flags &= uint8_t(~POINT_CENTRAL);
  Press("merge", CLICK_LEFT, "Show the merge points dialog (ALT+M)");
  PressOnPage("merge to last selected point");
  Confirm();
  EXPECT_EQ(ModellerOptions.mergeType, MERGE_TO_GREEN);
  EXPECT_EQ(model.pointCount, 3);
}

TEST_F(OperationsTest, DistancesFromTheGreenPointAreSetInTheViewPlaneOrInSpace) {
  Start([](ModelObject& o) {
    o.Init();
    ModelBuilder b;
    b.Point(0.3, 0.4, 0.2), b.Point(-0.5, 2.0, 1.0), b.Point(0.1, 0.1, 0.1);
    b.Into(o);
  });
  Key('P', true);
  SelectPoints({0, 1, 2});
  // In space (the perspective view).
  Press("set distance");
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter the distance to set points from green point in 3D (spherical)");
  Type("0.75");
  EXPECT_STREQ(modeller->statusText, "set point distance");
  const ModelPoint& g = P(2);
  for (int p = 0; p < 2; ++p)
    EXPECT_NEAR(std::sqrt(std::pow(M(P(p).x) - M(g.x), 2) + std::pow(M(P(p).y) - M(g.y), 2) + std::pow(M(P(p).z) - M(g.z), 2)),
                0.75, 1.0 / 65536);
  // In the front view's plane (x and z): the depth stays.
  FrontView();
  const int32_t depth = P(1).y;
  Press("set distance");
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter the distance to set points from green point in 2D (cylindrical)");
  Type("1.5");
  EXPECT_EQ(P(1).y, depth);
  EXPECT_NEAR(std::hypot(M(P(1).x) - M(g.x), M(P(1).z) - M(g.z)), 1.5, 1.0 / 65536);
  // Out of bounds.
  const std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  Press("set distance");
  Type("1000.5");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_DISTANCE_OUT_OF_BOUNDS);
  Confirm();
  ExpectUnchanged(before, history);
  // Two points needed.
  SelectPoints({0});
  PointToolsCommand(&modeller->prss, CLICK_LEFT, POINT_TOOL_SET_DISTANCE);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_TWO_POINTS_NEEDED);
  Confirm();
}

TEST_F(OperationsTest, ARightAngleInAnAxisViewIsAQuarterTurnAntiClockwiseAsSeen) {
  Start([](ModelObject& o) {
    o.Init();
    ModelBuilder b;
    b.Point(0.5, 0.3, 1.0), b.Point(1.0, 0.3, 1.0);  // the green point is the second
    b.Into(o);
  });
  FrontView();  // right is -x, up is +z
  Key('P', true);
  SelectPoints({0, 1});
  // 0.5 m to the right of the green point as seen ends 0.5 m above it.
  const std::vector<uint8_t> unturned = Serialised();
  Press("rotate", CLICK_RIGHT);
  EXPECT_STREQ(OpenTextEntry.prompt, "Degrees to rotate anti-clockwise around green point?");
  Type("90");
  EXPECT_STREQ(modeller->statusText, "rotate points");
  EXPECT_NEAR(M(P(0).x), 1.0, 1e-5);
  EXPECT_NEAR(M(P(0).z), 1.5, 1e-5);
  EXPECT_EQ(P(0).y, P(1).y) << "the depth stays";
  EXPECT_EQ(P(1).x, 1 << 16) << "the green point stays";
  ExpectUndoRestores(unturned);
  // Outside -180..180: refused.
  const std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  Press("rotate", CLICK_RIGHT);
  Type("181");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_ROTATION_OUT_OF_BOUNDS);
  Confirm();
  ExpectUnchanged(before, history);
}

TEST_F(OperationsTest, AScaleThatMovesPointsOntoEachOtherMergesThemAndOnlyThenLetsTheSelectionGo) {
  // Three points at the same depth (y = 1 m); the green point (selected last) at x = z = 0.
  Start([](ModelObject& o) {
    o.Init();
    ModelBuilder b;
    b.Point(2, 1, 3), b.Point(0, 1, 0), b.Point(1, 1, 1);
    b.Into(o);
  });
  FrontView();
  Key('P', true);
  SelectPoints({0, 2, 1});
  // Halved towards the green point: (1, 1, 1.5) and (0.5, 1, 0.5), none meet, all stay selected.
  Press("scale", CLICK_RIGHT);
  Type("0.5");
  ASSERT_EQ(model.pointCount, 3);
  EXPECT_EQ(P(0).x, 1 << 16);
  EXPECT_EQ(modeller->state.selectedPointCount, 3);
  EXPECT_EQ(modeller->state.currentPoint, 1);
  EXPECT_EQ(modeller->state.traceCount, 3);
  // Scaled to nothing: both land on the green point and the three become one; the old
  // indices are gone, so nothing stays selected, green or traced.
  Press("scale", CLICK_RIGHT);
  Type("0");
  EXPECT_STREQ(modeller->statusText, "scale points 2D");
  ASSERT_EQ(model.pointCount, 1);
  EXPECT_EQ(P(0).x, 0);
  EXPECT_EQ(P(0).y, 1 << 16);
  EXPECT_EQ(P(0).z, 0);
  EXPECT_EQ(P(0).flags & POINT_SELECTED, 0);
  EXPECT_EQ(modeller->state.selectedPointCount, 0);
  EXPECT_EQ(modeller->state.currentPoint, -1);
  EXPECT_EQ(modeller->state.traceCount, 0);
}

TEST_F(OperationsTest, ScalingFromTheGreenPointByAxisAndInSpace) {
  Start([](ModelObject& o) {
    o.Init();
    ModelBuilder b;
    b.Point(2, 1, 3), b.Point(0, 0, 0);
    b.Into(o);
  });
  FrontView();
  Key('P', true);
  SelectPoints({0, 1});
  Press("\x8B\x9B", CLICK_RIGHT);
  EXPECT_STREQ(OpenTextEntry.prompt, "Amount to scale horizontally from green point?");
  Type("2");
  EXPECT_STREQ(modeller->statusText, "scale points horizontally");
  EXPECT_EQ(P(0).x, 4 << 16);
  EXPECT_EQ(P(0).y, 1 << 16);
  EXPECT_EQ(P(0).z, 3 << 16) << "only across";
  Press("^v", CLICK_RIGHT);
  Type("-1");
  EXPECT_EQ(P(0).z, -(3 << 16));
  Press("scale", CLICK_RIGHT);
  Type("0.5");
  EXPECT_STREQ(modeller->statusText, "scale points 2D");
  EXPECT_EQ(P(0).x, 2 << 16);
  EXPECT_EQ(P(0).y, 1 << 16);
  // In perspective: the 3D scale.
  SelectEditView(VIEW_PERSPECTIVE);
  Press("scale from green");
  EXPECT_STREQ(OpenTextEntry.prompt, "Amount to scale in 3D from green point?");
  Type("100");
  EXPECT_STREQ(modeller->statusText, "scale points 3D");
  EXPECT_EQ(P(0).y, 100 << 16);
  // 100.5 is out of bounds; a result outside the 16.16 range too.
  std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  Press("scale from green");
  Type("100.5");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_MULTIPLIER_OUT_OF_BOUNDS);
  Confirm();
  ExpectUnchanged(before, history);
  Press("scale from green");
  Type("100");
  EXPECT_EQ(P(0).x, 20000 << 16);
  before = Serialised();
  Press("scale from green");
  Type("2");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_MULTIPLIER_OUT_OF_BOUNDS) << "40000 m is beyond 16.16";
  Confirm();
  ExpectUnchanged(before, history + 1);
}

TEST_F(OperationsTest, PointsAndTrianglesAreSelectedByIndexAndByConnection) {
  Start(TwoTriangles);
  Key('P', true);
  Press("index");
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter the index of the point to select (0 to 7)");
  Type("4");
  EXPECT_STREQ(modeller->statusText, "Selected point #4");
  EXPECT_EQ(modeller->state.currentPoint, 4);
  Press("index");
  Type("8");
  EXPECT_STREQ(modeller->statusText, "Point index must be between 0 and 7");
  EXPECT_EQ(modeller->state.currentPoint, 4);
  Press("index");
  Type("0");
  EXPECT_STREQ(modeller->statusText, "Selected point #0");
  EXPECT_EQ(modeller->state.currentPoint, 0);
  Press("index");
  Type("7");
  EXPECT_EQ(modeller->state.currentPoint, 7);
  Press("index");
  Type("4");
  // S: the triangles with a selected point, in triangle mode, the points let go.
  Key('S');
  EXPECT_EQ(modeller->state.mode, ModeTriangle);
  EXPECT_NE(model.triangles[1].flags & TRIANGLE_SELECTED, 0);
  EXPECT_EQ(model.triangles[0].flags & TRIANGLE_SELECTED, 0);
  EXPECT_EQ(modeller->state.selectedTriangleCount, 1);
  EXPECT_EQ(modeller->state.currentTriangle, 1);
  EXPECT_EQ(modeller->state.selectedPointCount, 0);
  // The points of the selected triangles, in triangle and corner order.
  SelectTriangle(*modeller, 0);
  SelectTrianglePoints(*modeller);
  ASSERT_EQ(modeller->state.traceCount, 6);
  const int order[6] = {0, 1, 2, 3, 4, 5};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(modeller->state.trace[i], order[i]);
  EXPECT_EQ(modeller->state.currentPoint, 5);
}

TEST_F(OperationsTest, MergingTwoCornersOfOneTriangleInBuildModeRemovesItAndKeepsTheOther) {
  // Triangles (0, 1, 2) and (3, 4, 5), loose points 6 and 7.  Each merge of two corners of the
  // first leaves it with two equal corners: first and second, first and third, second and third.
  Start(TwoTriangles);
  Key('B', true);
  ModellerState& st = modeller->state;
  const struct {
    int dragged, target;
  } merges[] = {{0, 1}, {0, 2}, {1, 2}};
  for (const auto& m : merges) {
    const std::vector<uint8_t> before = Serialised();
    st.buildCount = 2, st.buildList[0] = uint32_t(m.dragged), st.buildList[1] = uint32_t(m.target);
    Press("merge points 1 and 2");
    EXPECT_STREQ(modeller->statusText, "merge points");
    ASSERT_EQ(model.pointCount, 7) << m.dragged << " into " << m.target;
    ASSERT_EQ(model.triangleCount, 1) << m.dragged << " into " << m.target;
    const uint16_t other[3] = {3, 4, 5};
    for (int k = 0; k < 3; ++k) EXPECT_EQ(model.triangles[0].corners[k], other[k]) << m.dragged << " into " << m.target;
    ExpectUndoRestores(before);
    CtrlKey('Z');
    ASSERT_EQ(model.triangleCount, 2);
  }
}

TEST_F(OperationsTest, BuildModeMergesRelocatesAndMakesRealPoints) {
  Start(TwoTriangles);
  Key('B', true);
  ModellerState& st = modeller->state;
  // Merging 5 into 2: the second triangle takes 2, point 5's slot takes the last point.
  model.points[5].flags |= POINT_MIRRORED;
  st.buildCount = 2, st.buildList[0] = 5, st.buildList[1] = 2;
  const std::vector<uint8_t> before = Serialised();
  Press("merge points 1 and 2");
  EXPECT_STREQ(modeller->statusText, "merge points");
  ASSERT_EQ(model.pointCount, 7);
  EXPECT_EQ(model.triangles[1].corners[2], 2);
  EXPECT_EQ(P(5).x, 6 << 16) << "the last point moved into the slot";
  EXPECT_NE(P(2).flags & POINT_MIRRORED, 0) << "a mirrored point makes the target mirrored";
  EXPECT_EQ(st.buildCount, 0u);
  ExpectUndoRestores(before);
  CtrlKey('Z');
  // Reflections are refused.
  st.buildCount = 2, st.buildList[0] = 5 | BUILD_REFERENCE_MIRRORED, st.buildList[1] = 2;
  Press("merge points 1 and 2");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_MERGE_REFLECTIONS);
  Confirm();
  Press("relocate triangles from point 1 to 2");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_RELOCATE_REFLECTIONS);
  Confirm();
  // Relocating moves only shown triangles of the current level.
  st.buildCount = 2, st.buildList[0] = 4, st.buildList[1] = 6;
  Press("relocate triangles from point 1 to 2");
  EXPECT_STREQ(modeller->statusText, "relocate triangles");
  EXPECT_EQ(model.triangles[1].corners[0], 3);
  bool usesSix = false;
  for (uint16_t c : model.triangles[1].corners) usesSix = usesSix || c == 6;
  EXPECT_TRUE(usesSix);
  CtrlKey('Z');
  // A real point from a reflection: mirrored triangles on it are unmirrored, the others take it.
  model.points[0].flags |= POINT_MIRRORED;
  model.triangles[0].flags |= TRIANGLE_MIRRORED;
  model.triangles[1].corners[0] = uint16_t(0 | CORNER_MIRRORED);
  st.buildCount = 1, st.buildList[0] = 0 | BUILD_REFERENCE_MIRRORED;
  st.buildList[1] = 3 | BUILD_REFERENCE_MIRRORED;  // left past the count by an earlier list: not read
  Press("create real point from mirrored point");
  EXPECT_STREQ(modeller->statusText, "create real point");
  ASSERT_EQ(model.pointCount, 9);
  EXPECT_EQ(P(8).x, -P(0).x);
  EXPECT_EQ(P(8).x, 0) << "the mirror of point 0 (x 0), not of point 3 (x 2)";
  EXPECT_EQ(P(0).flags & POINT_MIRRORED, 0);
  EXPECT_EQ(model.triangles[0].flags & TRIANGLE_MIRRORED, 0);
  EXPECT_EQ(model.triangles[1].corners[0], 8);
  EXPECT_TRUE(Said("Unmirrored triangles : 1"));
}

// The build list's first and last entries name the points merged or relocated: with either
// one past the last point (8 of the eight points 0..7), or with one entry only, nothing is
// done; the last point itself is merged.
TEST_F(OperationsTest, BuildModeMergeAndRelocateNeedBothEndsOnThePoints) {
  Start(TwoTriangles);
  Key('B', true);
  ASSERT_EQ(model.pointCount, 8);
  ModellerState& st = modeller->state;
  const std::vector<uint8_t> before = Serialised();
  const int nodes = ModellerUndo.count;
  const uint32_t ends[2][2] = {{8, 2}, {2, 8}};
  for (const auto& e : ends)
    for (const uintptr_t word : {uintptr_t(0), uintptr_t(1)}) {
      st.buildCount = 2, st.buildList[0] = e[0], st.buildList[1] = e[1];
      MergeOrRelocate(&modeller->prss, CLICK_LEFT, word);
      ExpectUnchanged(before, nodes);
      EXPECT_EQ(st.buildCount, 2u) << e[0] << " to " << e[1] << ", word " << word;
    }
  st.buildCount = 1, st.buildList[0] = 7, st.buildList[1] = 2;  // the second left from an earlier list
  MergeOrRelocate(&modeller->prss, CLICK_LEFT, 0);
  ExpectUnchanged(before, nodes);
  st.buildCount = 2, st.buildList[0] = 7, st.buildList[1] = 2;
  MergeOrRelocate(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_STREQ(modeller->statusText, "merge points");
  EXPECT_EQ(model.pointCount, 7);
}

// Ctrl+F in point mode turns round every triangle touching a selected point (its second and
// third corners swapped) and selects it, as one undo step; without a selected point nothing
// happens, and a second turn straight after is a step of its own that turns it back.
TEST_F(OperationsTest, CtrlFTurnsAndSelectsTheTrianglesOnTheSelectedPoints) {
  Start(TwoTriangles);
  Key('P', true);
  DeselectAllPoints(*modeller);
  const std::vector<uint8_t> before = Serialised();
  const int nodes = ModellerUndo.count;
  CtrlKey('F');
  ExpectUnchanged(before, nodes);
  SelectPoints({1});
  const std::vector<uint8_t> selected = Serialised();
  MeshRebuilds = 0;
  CtrlKey('F');
  EXPECT_STREQ(modeller->statusText, "flip connected tris");
  const uint16_t turned[3] = {0, 2, 1}, other[3] = {3, 4, 5};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(model.triangles[0].corners[k], turned[k]) << k;
    EXPECT_EQ(model.triangles[1].corners[k], other[k]) << k;
  }
  EXPECT_NE(model.triangles[0].flags & TRIANGLE_SELECTED, 0);
  EXPECT_EQ(model.triangles[1].flags & TRIANGLE_SELECTED, 0);
  EXPECT_GT(MeshRebuilds, 0) << "the shown mesh is built again";
  const int once = ModellerUndo.count;
  CtrlKey('F');
  EXPECT_EQ(ModellerUndo.count, once + 1);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(model.triangles[0].corners[k], k) << "turned back, corner " << k;
  // Two undos: the first turn, then the model as it was before it.
  CtrlKey('Z');
  EXPECT_EQ(model.triangles[0].corners[1], 2);
  CtrlKey('Z');
  EXPECT_TRUE(Serialised() == selected);
}

// Alt+M in build mode merges the first build point into the second, as the panel's button does.
TEST_F(OperationsTest, AltMInBuildModeMergesTheBuildPoints) {
  Start(TwoTriangles);
  Key('B', true);
  ModellerState& st = modeller->state;
  st.buildCount = 2, st.buildList[0] = 5, st.buildList[1] = 2;
  Key('M', false, false, true);
  EXPECT_STREQ(modeller->statusText, "merge points");
  EXPECT_EQ(model.pointCount, 7);
  EXPECT_EQ(model.triangles[1].corners[2], 2);
  EXPECT_EQ(st.buildCount, 0u);
}

// "hide selected" (1), "unhide all" (0) and "hide unselected" (2); a word past them does nothing.
TEST_F(OperationsTest, PointsAreHiddenByTheirSelectionAndShownAgain) {
  Start(BuildPanel);
  Key('P', true);
  ASSERT_GE(model.pointCount, 3);
  SelectPoints({0});
  const auto hidden = [&] {
    std::vector<int> out;
    for (int p = 0; p < model.pointCount; ++p)
      if (model.points[p].flags & POINT_HIDDEN) out.push_back(p);
    return out;
  };
  HidePoints(&modeller->prss, CLICK_LEFT, 3);
  EXPECT_TRUE(hidden().empty());
  HidePoints(&modeller->prss, CLICK_LEFT, 2);
  std::vector<int> others;
  for (int p = 1; p < model.pointCount; ++p) others.push_back(p);
  EXPECT_EQ(hidden(), others);
  HidePoints(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_TRUE(hidden().empty());
  MeshRebuilds = 0;
  HidePoints(&modeller->prss, CLICK_LEFT, 1);
  EXPECT_EQ(hidden(), std::vector<int>{0});
  EXPECT_EQ(model.points[0].flags & POINT_SELECTED, 0) << "a hidden point is no longer selected";
  EXPECT_EQ(MeshRebuilds, 1) << "the shown mesh is built again";
}

// "delete unused" takes the selected points no triangle uses away as one edit that undoes.
TEST_F(OperationsTest, DeletingUnusedPointsIsOneEditThatUndoes) {
  Start([](ModelObject& o) { PointRow(o, 4); });
  Key('P', true);
  ASSERT_EQ(model.pointCount, 4);
  SelectPoints({0, 1});
  const std::vector<uint8_t> before = Serialised();
  Press("delete unused");
  EXPECT_EQ(model.pointCount, 2);
  EXPECT_STREQ(modeller->statusText, "delete unused points");
  ExpectUndoRestores(before);
}

// A deselected green point hands the green to the nearest selected point, the first of two
// equally near; a point one past the last is no point.
TEST_F(OperationsTest, TheNearestSelectedPointTakesTheGreenFirstOfTwoEquallyNear) {
  Start([](ModelObject& o) { PointRow(o, 4); });  // points 1 m apart along x
  Key('P', true);
  SelectPoints({0, 2, 1});
  ASSERT_EQ(modeller->state.currentPoint, 1);
  DeselectPoint(*modeller, 4);
  SelectPoint(*modeller, 4);
  EXPECT_EQ(modeller->state.selectedPointCount, 3);
  EXPECT_EQ(modeller->state.currentPoint, 1);
  DeselectPoint(*modeller, 1);
  EXPECT_EQ(modeller->state.currentPoint, 0) << "points 0 and 2 are both 1 m away";
  EXPECT_EQ(modeller->state.selectedPointCount, 2);
  SelectPoints({3, 0, 2});
  DeselectPoint(*modeller, 2);
  EXPECT_EQ(modeller->state.currentPoint, 3) << "1 m against 2 m";
}

TEST_F(OperationsTest, PointEditsRebuildThePreview) {
  Start(TwoTriangles);  // triangles on points 0 1 2 and 3 4 5
  FlatPreview();
  NewNodes();
  Key('P', true);
  SelectPoints({2, 5});
  Press("avg");
  EXPECT_TRUE(PreviewCurrent()) << "a merge";
  EXPECT_EQ(NewNodes(), 1) << "a merge";
  SelectPoints({4});
  PointToolsCommand(&modeller->prss, CLICK_LEFT, POINT_TOOL_CENTRE_GREEN);
  EXPECT_TRUE(PreviewCurrent()) << "the green point centred";
  EXPECT_EQ(NewNodes(), 1) << "the green point centred";
  SelectPoints({1, 3});
  PointToolsCommand(&modeller->prss, CLICK_LEFT, POINT_TOOL_CENTRE);
  EXPECT_TRUE(PreviewCurrent()) << "the selected points centred";
  EXPECT_EQ(NewNodes(), 1) << "the selected points centred";
  SelectPoints({2, 4});
  Press("set distance");
  Type("0.25");
  EXPECT_TRUE(PreviewCurrent()) << "a distance set";
  EXPECT_EQ(NewNodes(), 1) << "a distance set";
  FrontView();
  SelectPoints({2, 0});
  Press("rotate", CLICK_RIGHT);
  Type("90");
  EXPECT_TRUE(PreviewCurrent()) << "a rotation";
  EXPECT_EQ(NewNodes(), 1) << "a rotation";
}

TEST_F(OperationsTest, ThePointsLeftAfterADeletionKeepTheirPlaceInTheTraceEvenTheFirst) {
  Start(TwoTriangles);  // points 6 and 7 loose
  Key('P', true);
  SelectPoints({6, 0});  // traced 6 then 0, the green point 0 in use
  ASSERT_EQ(modeller->state.traceCount, 2);
  PointToolsCommand(&modeller->prss, CLICK_LEFT, POINT_TOOL_DELETE);
  ASSERT_EQ(model.pointCount, 7);
  ASSERT_EQ(modeller->state.traceCount, 1) << "the deleted point leaves the trace";
  EXPECT_EQ(modeller->state.trace[0], 0) << "point 0 stays point 0";
  EXPECT_EQ(modeller->state.currentPoint, 0);
  SelectPoints({6, 1});  // the other loose point, now 6
  PointToolsCommand(&modeller->prss, CLICK_LEFT, POINT_TOOL_DELETE);
  ASSERT_EQ(model.pointCount, 6);
  ASSERT_EQ(modeller->state.traceCount, 1);
  EXPECT_EQ(modeller->state.trace[0], 1);
}

TEST_F(OperationsTest, TheBoxFitsRoundThePointsSymmetricInXAndNoSmallerThanItsLeast) {
  Start([](ModelObject& o) { PointRow(o, 2); });
  const auto fit = [this](double x0, double y0, double z0, double x1, double y1, double z1) {
    model.points[0].x = Metres(x0), model.points[0].y = Metres(y0), model.points[0].z = Metres(z0);
    model.points[1].x = Metres(x1), model.points[1].y = Metres(y1), model.points[1].z = Metres(z1);
    ModelBox = ModellerBox{};
    TriangleModeCommand(&modeller->prss, CLICK_LEFT, 7);
    EXPECT_EQ(ModelBox.set, 1);
  };
  const auto expectBox = [](double x0, double y0, double z0, double x1, double y1, double z1) {
    EXPECT_EQ(ModelBox.corners[0][0], Metres(x0));
    EXPECT_EQ(ModelBox.corners[0][1], Metres(y0));
    EXPECT_EQ(ModelBox.corners[0][2], Metres(z0));
    EXPECT_EQ(ModelBox.corners[1][0], Metres(x1));
    EXPECT_EQ(ModelBox.corners[1][1], Metres(y1));
    EXPECT_EQ(ModelBox.corners[1][2], Metres(z1));
  };
  // Inside the least box (-1..1, -1..1, 0..1): that box.
  fit(0.5, 0.5, 0.5, -0.25, -0.5, 0.25);
  expectBox(-1, -1, 0, 1, 1, 1);
  // Beyond it: each side reaches its point, x the larger way both ways.
  fit(3, -2, -0.5, -1, 4, 2);
  expectBox(-3, -2, -0.5, 3, 4, 2);
  fit(-5, 0, 0, 0.5, 0, 0);
  expectBox(-5, -1, 0, 5, 1, 1);
  // At the edge of the coordinates: -2^31 has no positive twin, the largest value stands in.
  model.points[0].x = INT32_MIN;
  ModelBox = ModellerBox{};
  TriangleModeCommand(&modeller->prss, CLICK_LEFT, 7);
  EXPECT_EQ(ModelBox.corners[1][0], INT32_MAX);
  EXPECT_EQ(ModelBox.corners[0][0], -INT32_MAX);
}
