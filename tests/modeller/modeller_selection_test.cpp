// modeller_selection_test.cpp - picking and selection without drawing: clicks on triangles of
// the edited object and of others, point markers, the perspective rectangle and the axis
// views' drag box, select all, the trace, the rotate, scale and handle drags, and the
// geometry of the view plane.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "modeller/operations/drag_handles.h"
#include "modeller/operations/point_tools.h"
#include "modeller/screen/modeller_screen.h"
#include "modeller/state/modeller_local.h"
#include "modeller_fixture.h"
#include "tests/ui/control_clicks.h"
#include "ui/value_edit.h"

using namespace modeller_test;

namespace {

// The panel's points as (x, z) in metres.
double X(const ModelObject& o, int p) { return o.points[p].x / 65536.0; }
double Z(const ModelObject& o, int p) { return o.points[p].z / 65536.0; }

// The perspective view 3 m in front of the panel's middle, looking along -y: 1024 pixels
// show 3 m across at the panel (341.3 pixels a metre), world x to the left.
void PerspectiveView() {
  SelectEditView(VIEW_PERSPECTIVE);
  View& v = *CurrentView;
  v.position[0] = 1 << 15, v.position[1] = 3 << 16, v.position[2] = 1 << 15;
  v.heading = 0, v.pitch = 0, v.roll = 0;
  ComputeViewAxes();
  ComputeViewBasis();
  ViewOrthoDepth = 0;
  SetupViewRectangle(0, 0, 1024, 768, 0, 0, 1.0f, 0.1f, 0);
}
int PerspectiveX(double x) { return int(std::lround(512 - 1024.0 / 3.0 * (x - 0.5))); }
int PerspectiveY(double z) { return int(std::lround(384 - 1024.0 / 3.0 * (z - 0.5))); }

MouseRecord RightPress() {
  MouseRecord m{};
  m.clickCode = CLICK_RIGHT;
  m.rightHeld = 1;
  return m;
}
MouseRecord Held(int left, int right) {
  MouseRecord m{};
  m.leftHeld = left;
  m.rightHeld = right;
  return m;
}

}  // namespace

// ---- clicks on triangles ----

TEST_F(ModellerTest, InSubobjectModeACtrlClickOnAnotherObjectEditsIt) {
  Open();
  PickTriangle(0, 0);
  Mouse(LeftPress());
  EXPECT_EQ(EditedObject, &model) << "a plain click goes to the view";
  Mouse(LeftPress(CLICK_CTRL), true);
  EXPECT_EQ(EditedObject, &model.children[0]);
  EXPECT_STREQ(modeller->statusText, "selected subobject (attachment)");
  EXPECT_EQ(modeller->statusKind, STATUS_NOTICE);
  EXPECT_EQ(modeller->statusTimeMs, STATUS_SHOWN_MS);
  // Its own triangle only passes the click on.
  modeller->statusTimeMs = 0;
  Mouse(LeftPress(CLICK_CTRL), true);
  EXPECT_EQ(EditedObject, &model.children[0]);
  EXPECT_EQ(modeller->statusTimeMs, 0u);
  PickTriangle(-1, 4);
  Mouse(LeftPress(), false, false, true);
  EXPECT_EQ(EditedObject, &model) << "Alt takes it too";
  EXPECT_STREQ(modeller->statusText, "selected main object");
}

TEST_F(ModellerTest, InTriangleModeClicksSelectAndDeselectCopyingAttributes) {
  Open();
  Key('T', true);
  ModelObject& o = model;
  o.triangles[6].normalLevel = 3;
  o.triangles[6].flags |= TRIANGLE_SIDE_SWAP;
  PickTriangle(-1, 6);
  Mouse(LeftPress());
  EXPECT_EQ(SelectedTriangles(), 0) << "a plain click goes to the view";
  Mouse(LeftPress(CLICK_CTRL), true);
  EXPECT_NE(o.triangles[6].flags & TRIANGLE_SELECTED, 0);
  const ModellerState& st = modeller->state;
  EXPECT_EQ(st.selectedTriangleCount, 1);
  EXPECT_EQ(st.currentTriangle, 6);
  EXPECT_EQ(st.currentGroup, 6u);
  EXPECT_EQ(st.currentLayer, 1u);
  EXPECT_EQ(st.currentMapping, 0);
  EXPECT_EQ(st.normalLevel, 3);
  EXPECT_EQ(st.sideSwap, 1);
  EXPECT_EQ(modeller->dragSelect, DRAG_SELECT_SELECT) << "a Ctrl drag may go on selecting";
  Mouse(MouseRecord{});  // the release ends it (Ctrl is up)
  EXPECT_EQ(modeller->dragSelect, DRAG_SELECT_NONE);

  // A Ctrl-click adds; a Ctrl-click on a selected one takes it away.
  PickTriangle(-1, 1);
  Mouse(LeftPress(CLICK_CTRL), true);
  Mouse(MouseRecord{});
  EXPECT_EQ(SelectedTriangles(), 2);
  EXPECT_EQ(st.currentTriangle, 1);
  Mouse(LeftPress(CLICK_CTRL), true);
  EXPECT_EQ(SelectedTriangles(), 1);
  EXPECT_EQ(st.currentTriangle, 6) << "the first selected one becomes current";
  EXPECT_EQ(modeller->dragSelect, DRAG_SELECT_DESELECT);
  Mouse(MouseRecord{});

  // An Alt-click replaces the selection.
  PickTriangle(-1, 3);
  Mouse(LeftPress(), false, false, true);
  Mouse(MouseRecord{});
  EXPECT_EQ(SelectedTriangles(), 1);
  EXPECT_NE(o.triangles[3].flags & TRIANGLE_SELECTED, 0);

  // A Ctrl drag: the triangles passed over are selected while Ctrl and the left button are held.
  PickTriangle(-1, 0);
  Mouse(LeftPress(CLICK_CTRL), true);
  for (int t : {2, 4, 5}) {
    PickTriangle(-1, t);
    Mouse(Held(1, 0), true);
  }
  PickTriangle(-1, 7);
  Mouse(Held(1, 0));  // Ctrl let go: the drag ends here
  Mouse(Held(1, 0), true);
  EXPECT_EQ(SelectedTriangles(), 5);
  EXPECT_EQ(o.triangles[7].flags & TRIANGLE_SELECTED, 0);
  EXPECT_EQ(st.selectedTriangleCount, 5);
  // ... and a drag begun on a selected one deselects.
  PickTriangle(-1, 4);
  Mouse(LeftPress(CLICK_CTRL), true);
  PickTriangle(-1, 5);
  Mouse(Held(1, 0), true);
  Mouse(Held(1, 1), true);  // the right button ends it
  EXPECT_EQ(SelectedTriangles(), 3);

  // Another object's triangle gives only its message.
  PickTriangle(0, 0);
  Mouse(LeftPress(CLICK_CTRL), true);
  EXPECT_STREQ(modeller->statusText, "triangle belongs to a subobject (attachment)");
  EXPECT_EQ(SelectedTriangles(), 3);
  PickTriangle(-1, 40);
  Mouse(LeftPress(CLICK_CTRL), true);
  EXPECT_STREQ(modeller->statusText, TEXT_TRIANGLE_SELECTION_ERROR);
  SelectSubobject(*modeller, 0, &model.children[0]);
  Key('T', true);
  PickTriangle(-1, 2);
  Mouse(LeftPress(CLICK_CTRL), true);
  EXPECT_STREQ(modeller->statusText, "triangle belongs to the main object");
}

TEST_F(ModellerTest, SelectAllTakesTheShownTrianglesAndPointsAndInvertsThem) {
  Open();
  Key('T', true);
  ObjectEditorShared.visibleLayers = 1;  // cell (1, 1) on layer 1 is hidden
  model.triangles[0].flags |= TRIANGLE_HIDDEN;
  SelectTriangle(*modeller, 2);
  Key('A');
  EXPECT_EQ(SelectedTriangles(), 5);
  EXPECT_EQ(modeller->state.selectedTriangleCount, 5);
  EXPECT_EQ(modeller->state.currentTriangle, 2) << "the current triangle stays current";
  model.triangles[4].flags &= uint8_t(~TRIANGLE_SELECTED);
  CtrlKey('I');
  EXPECT_EQ(SelectedTriangles(), 1) << "only the one that was not selected";
  EXPECT_NE(model.triangles[4].flags & TRIANGLE_SELECTED, 0);
  EXPECT_EQ(modeller->state.currentTriangle, 4);

  // Points: those of shown triangles and loose ones; the green point kept.
  model.triangles[0].flags &= uint8_t(~TRIANGLE_HIDDEN);
  Key('P', true);
  SelectPoint(*modeller, 3);
  Key('A');
  EXPECT_EQ(SelectedPoints(), 8) << "point 8 is used only by the hidden layer";
  EXPECT_EQ(modeller->state.currentPoint, 3);
  EXPECT_EQ(modeller->state.traceCount, 8);
  ObjectEditorShared.visibleLayers = ~0u;
}

// Select all takes the triangles in order, the last one taken becoming current; a current
// triangle that is selected again stays current, triangle 0 too (group 0, mapping 0, where
// the last, triangle 7, has group 7 and mapping 1).
TEST_F(ModellerTest, SelectAllKeepsTriangleZeroCurrent) {
  Open();
  Key('T', true);
  ObjectEditorShared.visibleLayers = ~0u;
  SelectTriangle(*modeller, 0);
  Key('A');
  EXPECT_EQ(SelectedTriangles(), 8);
  EXPECT_EQ(modeller->state.selectedTriangleCount, 8);
  EXPECT_EQ(modeller->state.currentTriangle, 0);
  EXPECT_EQ(modeller->state.currentGroup, 0u);
  EXPECT_EQ(modeller->state.currentMapping, 0);
}

// ---- points and trace ----

TEST_F(ModellerTest, PointMarkersSelectAloneOrWithCtrlAndTheTraceKeepsItsLimit) {
  Open();
  FrontView();
  Key('P', true);
  ClearInterface();
  DrawPointMarkers(*modeller);
  ASSERT_EQ(ButtonCount, 9) << "a marker at each point";
  // The marker of point 4 (0.5, 0, 0.5) stands at the middle of the view.
  const InterfaceButton& marker = InterfaceButtons[4];
  EXPECT_EQ((marker.left + marker.right) / 2, PixelX(0.5));
  EXPECT_EQ((marker.top + marker.bottom) / 2, PixelY(0.5));
  auto click = [this](int point, int modifiers) {
    ClearInterface();
    DrawPointMarkers(*modeller);
    MouseX = PixelX(X(model, point)), MouseY = PixelY(Z(model, point));
    Mouse(LeftPress(modifiers), modifiers & CLICK_CTRL);
  };
  click(4, 0);
  EXPECT_EQ(SelectedPoints(), 1);
  EXPECT_EQ(modeller->state.currentPoint, 4);
  click(8, CLICK_CTRL);
  click(0, CLICK_CTRL);
  EXPECT_EQ(SelectedPoints(), 3);
  EXPECT_EQ(modeller->state.currentPoint, 0);
  ASSERT_EQ(modeller->state.traceCount, 3);
  EXPECT_EQ(modeller->state.trace[1], 8);
  click(0, CLICK_CTRL);
  EXPECT_EQ(SelectedPoints(), 2);
  EXPECT_EQ(modeller->state.currentPoint, 4) << "the nearest selected point becomes green";
  EXPECT_EQ(modeller->state.traceCount, 2);
  click(2, 0);
  EXPECT_EQ(SelectedPoints(), 1) << "a plain click selects it alone";
  // Markers: selected red (1), green for the current point (2), a reference point orange (3).
  model.points[6].flags |= POINT_REFERENCE;
  SelectPoint(*modeller, 6);
  SelectPoint(*modeller, 5);
  ClearInterface();
  DrawPointMarkers(*modeller);
  EXPECT_EQ(InterfaceButtons[2].fourth.i, 1);
  EXPECT_EQ(InterfaceButtons[6].fourth.i, 3);
  EXPECT_EQ(InterfaceButtons[5].fourth.i, 2);
  EXPECT_EQ(InterfaceButtons[0].fourth.i, 0);

  // The trace holds 80 points in selection order; a removal closes its gaps.
  ModellerState& st = modeller->state;
  st.traceCount = 0;
  for (int i = 0; i < 100; ++i) AddToTrace(*modeller, i % 9);
  EXPECT_EQ(st.traceCount, 80);
  AddToTrace(*modeller, 9);
  RemoveFromTrace(*modeller, 3);
  EXPECT_EQ(st.traceCount, 71);
  for (int i = 0; i < st.traceCount; ++i) EXPECT_NE(st.trace[i], 3);
  st.traceCount = 1, st.trace[0] = 2;
  AddToTrace(*modeller, 9);
  AddToTrace(*modeller, -1);
  EXPECT_EQ(st.traceCount, 1) << "only the object's points";
}

TEST_F(ModellerTest, MirroredPointsShowASecondMarkerThatIsNotClicked) {
  Open();
  FrontView();
  Key('P', true);
  model.points[2].flags = POINT_MIRRORED;  // at x = 1: its copy at x = -1
  ClearInterface();
  DrawPointMarkers(*modeller);
  ASSERT_EQ(ButtonCount, 10);
  EXPECT_EQ(InterfaceButtons[0].owner, nullptr) << "the copy's marker comes first and takes no click";
  EXPECT_EQ((InterfaceButtons[0].left + InterfaceButtons[0].right) / 2, PixelX(-1.0));
  // A point used only by a hidden layer has no marker unless it is selected.
  ObjectEditorShared.visibleLayers = 1;
  ClearInterface();
  DrawPointMarkers(*modeller);
  EXPECT_EQ(ButtonCount, 9);
  SelectPoint(*modeller, 8);
  ClearInterface();
  DrawPointMarkers(*modeller);
  EXPECT_EQ(ButtonCount, 10);
  ObjectEditorShared.visibleLayers = ~0u;
}

// A rectangle over the whole view selects the points of the shown layers and the loose ones,
// never a point used only by a hidden layer: with layer 1 hidden, 8 of the 9 points.
TEST_F(ModellerTest, ARectangleSelectsNoPointUsedOnlyByAHiddenLayer) {
  Open();
  FrontView();
  Key('P', true);
  ASSERT_EQ(model.pointCount, 9);
  ObjectEditorShared.visibleLayers = 1;  // cell (1, 1) on layer 1 is hidden
  ScreenRect all{};
  all.minimum[0] = all.minimum[1] = -1, all.maximum[0] = all.maximum[1] = 1;
  ApplyRectangleToPoints(*modeller, all, 1);
  EXPECT_EQ(SelectedPoints(), 8);
  EXPECT_EQ(model.points[8].flags & POINT_SELECTED, 0) << "point 8 is used only by the hidden layer";
  ObjectEditorShared.visibleLayers = ~0u;
}

// With the triangle buttons on and only facing triangles wanted, the perspective view marks
// the eight triangles that face it, and none once every triangle is turned round; with the
// back faces wanted as well it marks all eight either way.
TEST_F(ModellerTest, TriangleMarkersShowOnlyTheTrianglesFacingThePerspectiveView) {
  Open();
  PerspectiveView();
  Key('T', true);
  ASSERT_EQ(model.triangleCount, 8);
  modeller->triangleButtons = 1;
  const auto markers = [this] {
    ClearInterface();
    DrawTriangleMarkers(*modeller);
    int n = 0;
    for (int i = 0; i < ButtonCount; ++i) n += InterfaceButtons[i].style == BUTTON_STYLE_COLOUR_SQUARE;
    return n;
  };
  modeller->facingOnly = 1;
  EXPECT_EQ(markers(), 8) << "every triangle faces the view";
  modeller->facingOnly = 0;
  EXPECT_EQ(markers(), 8);
  for (int t = 0; t < model.triangleCount; ++t) std::swap(model.triangles[t].corners[1], model.triangles[t].corners[2]);
  modeller->facingOnly = 1;
  EXPECT_EQ(markers(), 0) << "every triangle faces away";
  modeller->facingOnly = 0;
  EXPECT_EQ(markers(), 8);
  modeller->triangleButtons = 0;
  ClearInterface();
}

// From the eye at (0.5, 3, 0.5) m a triangle in the plane y = 0 faces it when wound one way
// and not the other; one in the plane x = 0.5, which holds the eye, is seen edge on and
// faces it neither way.
TEST_F(ModellerTest, ATriangleSeenEdgeOnDoesNotFaceThePerspectiveView) {
  Open();
  PerspectiveView();
  constexpr int32_t M = 1 << 16, HALF = 1 << 15;
  const IntVector a{0, 0, 0}, b{M, 0, 0}, c{0, 0, M};
  EXPECT_EQ(FacesViewer(a, c, b), 1);
  EXPECT_EQ(FacesViewer(a, b, c), 0);
  const IntVector d{HALF, 0, 0}, e{HALF, M, 0}, f{HALF, 0, M};
  EXPECT_EQ(FacesViewer(d, e, f), 0) << "edge on";
  EXPECT_EQ(FacesViewer(d, f, e), 0) << "edge on, wound the other way";
}

// A rectangle that deselects points takes them out of the trace as well.
TEST_F(ModellerTest, ARectangleDeselectingPointsTakesThemOutOfTheTrace) {
  Open();
  FrontView();
  Key('P', true);
  for (int p : {0, 1, 2}) SelectPoint(*modeller, p);
  ASSERT_EQ(modeller->state.traceCount, 3);
  ScreenRect all{};
  all.minimum[0] = all.minimum[1] = -1, all.maximum[0] = all.maximum[1] = 1;
  ApplyRectangleToPoints(*modeller, all, 0);
  EXPECT_EQ(modeller->state.selectedPointCount, 0);
  EXPECT_EQ(modeller->state.traceCount, 0);
}

// The modeller's buttons carry the markers of its mode: in build mode one per point, or one
// per triangle while Shift is held.
TEST_F(ModellerTest, BuildModeShowsThePointMarkersOrWithShiftTheTriangleMarkers) {
  Open();
  FrontView();
  Key('B', true);
  const auto markers = [] {
    int n = 0;
    for (int i = 0; i < ButtonCount; ++i) n += InterfaceButtons[i].style == BUTTON_STYLE_COLOUR_SQUARE;
    return n;
  };
  ClearInterface();
  DrawPointMarkers(*modeller);
  const int points = markers();
  ASSERT_GT(points, 0);
  ClearInterface();
  RowCursorX = RowCursorY = 0;
  AddModellerButtons(*modeller);
  EXPECT_EQ(markers(), points);
  modeller->triangleButtons = 1;
  modeller->facingOnly = 0;
  ClearInterface();
  DrawTriangleMarkers(*modeller);
  const int triangles = markers();
  ASSERT_GT(triangles, 0);
  ShiftHeld = 1;
  ClearInterface();
  RowCursorX = RowCursorY = 0;
  AddModellerButtons(*modeller);
  ShiftHeld = 0;
  EXPECT_EQ(markers(), triangles);
  modeller->triangleButtons = 0;
  ClearInterface();
}

// ---- the perspective rectangle ----

TEST_F(ModellerTest, ThePerspectiveRectangleSelectsWithCtrlAndDeselectsWithShift) {
  Open();
  PerspectiveView();
  Key('T', true);
  ScreenRect& rect = modeller->rect;
  // Around the lower left cell (x 0..0.5 m, z 0..0.5 m, seen on the right half of the view).
  auto drag = [&](double x0, double z0, double x1, double z1, bool ctrl, bool shift) {
    MouseX = PerspectiveX(x0), MouseY = PerspectiveY(z0);
    Mouse(RightPress(), ctrl, shift);
    EXPECT_EQ(rect.active, 1);
    MouseX = PerspectiveX(x1), MouseY = PerspectiveY(z1);
    Mouse(Held(0, 1), ctrl, shift);
    Mouse(MouseRecord{}, ctrl, shift);
    EXPECT_EQ(rect.active, 0);
    DrawTriangleMarkers(*modeller);  // the next pass applies it
  };
  drag(0.02, 0.2, 0.1, 0.45, true, false);
  EXPECT_EQ(rect.result, RECT_SELECT);
  EXPECT_EQ(SelectedTriangles(), 1) << "the rectangle lies inside the cell's first triangle only";
  EXPECT_NE(model.triangles[0].flags & TRIANGLE_SELECTED, 0);
  rect.result = RECT_NONE;
  drag(-0.1, -0.1, 0.6, 0.6, true, false);
  EXPECT_EQ(SelectedTriangles(), 8) << "every triangle it overlaps, however little";
  rect.result = RECT_NONE;
  drag(0.9, 0.9, 1.2, 1.2, false, true);
  EXPECT_EQ(rect.result, RECT_DESELECT);
  EXPECT_EQ(SelectedTriangles(), 6);
  EXPECT_EQ(modeller->state.selectedTriangleCount, 6);
  rect.result = RECT_NONE;
  // A rectangle less than 0.011 across both ways does nothing.
  MouseX = 100, MouseY = 100;
  Mouse(RightPress(), true);
  MouseX = 103, MouseY = 103;
  Mouse(MouseRecord{}, true);
  EXPECT_EQ(rect.result, RECT_NONE);
  // A left press drops a rectangle being drawn.
  Mouse(RightPress(), true);
  Mouse(LeftPress(), true);
  EXPECT_EQ(rect.active, 0);
  EXPECT_EQ(rect.result, RECT_NONE);
  // In other modes it is never begun.
  Key('S', true);
  Mouse(RightPress(), true);
  EXPECT_EQ(rect.active, 0);
}

TEST_F(ModellerTest, ATrianglesMarkerButtonSelectsThatTriangle) {
  Open();
  PerspectiveView();
  Key('T', true);
  modeller->triangleButtons = 1;
  modeller->facingOnly = 0;
  ClearInterface();
  DrawTriangleMarkers(*modeller);
  const InterfaceButton* marker = nullptr;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].word == 3 && InterfaceButtons[i].handler) marker = &InterfaceButtons[i];
  ASSERT_NE(marker, nullptr) << "triangle 3's marker";
  ClickButton(*marker, CLICK_LEFT);
  EXPECT_NE(model.triangles[3].flags & TRIANGLE_SELECTED, 0);
  EXPECT_EQ(SelectedTriangles(), 1) << "that one only";
  modeller->triangleButtons = 0;
  ClearInterface();
}

TEST_F(ModellerTest, TheRectangleTakesBackFacesOnlyWhenAsked) {
  Open();
  PerspectiveView();
  Key('T', true);
  for (int t = 0; t < model.triangleCount; ++t) std::swap(model.triangles[t].corners[1], model.triangles[t].corners[2]);
  ScreenRect rect{};
  rect.minimum[0] = rect.minimum[1] = -1, rect.maximum[0] = rect.maximum[1] = 1;
  ApplyRectangleToTriangles(*modeller, rect, 1);
  EXPECT_EQ(SelectedTriangles(), 0) << "every triangle faces away";
  modeller->facingOnly = 0;
  ApplyRectangleToTriangles(*modeller, rect, 1);
  EXPECT_EQ(SelectedTriangles(), 8);
  // With the triangle buttons the centres count: a rectangle over a corner of the panel only.
  DeselectAllTriangles(*modeller);
  modeller->triangleButtons = 1;
  rect.minimum[0] = 2.0f * PerspectiveX(0.1) / 1024 - 1, rect.maximum[0] = 2.0f * PerspectiveX(-0.1) / 1024 - 1;
  rect.minimum[1] = 2.0f * PerspectiveY(0.1) / 768 - 1, rect.maximum[1] = 2.0f * PerspectiveY(-0.1) / 768 - 1;
  ApplyRectangleToTriangles(*modeller, rect, 1);
  EXPECT_EQ(SelectedTriangles(), 0) << "no centre lies in it";
  modeller->triangleButtons = 0;
  ApplyRectangleToTriangles(*modeller, rect, 1);
  EXPECT_EQ(SelectedTriangles(), 2) << "the two triangles at the corner overlap it";
}

// A drag keeps the least and the greatest of its two corners, whichever way it runs: on an
// 800 x 600 screen pixel (200, 150) is (-0.5, -0.5) and (600, 450) is (0.5, 0.5).
TEST(ScreenRectTest, ADragEitherWayKeepsItsLeastAndGreatestCorners) {
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight, savedX = MouseX, savedY = MouseY;
  ScreenWidth = 800, ScreenHeight = 600;
  ScreenRect r{};
  MouseX = 200, MouseY = 150;
  r.Begin();
  MouseX = 600, MouseY = 450;
  r.Update();
  EXPECT_FLOAT_EQ(r.minimum[0], -0.5f);
  EXPECT_FLOAT_EQ(r.minimum[1], -0.5f);
  EXPECT_FLOAT_EQ(r.maximum[0], 0.5f);
  EXPECT_FLOAT_EQ(r.maximum[1], 0.5f);
  MouseX = 100, MouseY = 75;  // back past the start: (-0.75, -0.75)
  r.Update();
  EXPECT_FLOAT_EQ(r.minimum[0], -0.75f);
  EXPECT_FLOAT_EQ(r.minimum[1], -0.75f);
  EXPECT_FLOAT_EQ(r.maximum[0], -0.5f);
  EXPECT_FLOAT_EQ(r.maximum[1], -0.5f);
  ScreenWidth = savedWidth, ScreenHeight = savedHeight, MouseX = savedX, MouseY = savedY;
}

TEST(ScreenRectTest, OverlapIsExactAgainstTheEdgesAndTheBox) {
  ScreenRect r{};
  r.minimum[0] = 0, r.minimum[1] = 0, r.maximum[0] = 1, r.maximum[1] = 1;
  // A triangle whose box overlaps the rectangle but which passes by its corner.
  const float corner[3][2] = {{1.6f, 0.5f}, {0.5f, 1.6f}, {1.6f, 1.6f}};
  EXPECT_EQ(RectOverlapsProjected(r, corner, ProjectedWinding(corner)), 0);
  const float through[3][2] = {{0.9f, 0.5f}, {0.5f, 1.2f}, {1.5f, 1.5f}};
  EXPECT_EQ(RectOverlapsProjected(r, through, ProjectedWinding(through)), 1);
  const float around[3][2] = {{-5, -5}, {5, -5}, {0, 5}};
  EXPECT_EQ(RectOverlapsProjected(r, around, ProjectedWinding(around)), 1) << "the triangle holds the rectangle";
  const float inside[3][2] = {{0.2f, 0.2f}, {0.4f, 0.2f}, {0.3f, 0.4f}};
  EXPECT_EQ(RectOverlapsProjected(r, inside, ProjectedWinding(inside)), 1);
  const float left[3][2] = {{-1, 0}, {-0.5f, 1}, {-0.2f, 0.5f}};
  EXPECT_EQ(RectOverlapsProjected(r, left, ProjectedWinding(left)), 0);
  // The winding flag turns the order round: the same triangle either way.
  const float reversed[3][2] = {{0.9f, 0.5f}, {1.5f, 1.5f}, {0.5f, 1.2f}};
  EXPECT_EQ(RectOverlapsProjected(r, reversed, ProjectedWinding(reversed)), 1);
  EXPECT_NE(ProjectedWinding(reversed), ProjectedWinding(through));
}

TEST(ScreenRectTest, ATriangleTouchingAnEdgeWithOneCornerOverlapsAndOnePastDoesNot) {
  ScreenRect r{};
  r.minimum[0] = 0, r.minimum[1] = 0, r.maximum[0] = 1, r.maximum[1] = 1;
  // A tip on the middle of each side, its other corners one unit further out; the tip taken as
  // each of the three corners in turn.  Every number is exact in binary.
  const float past = 1.0f / 1024;
  const struct {
    float tip[2], out[2];  // the tip, and the step from the side outwards
  } sides[] = {{{1, 0.5f}, {1, 0}}, {{0, 0.5f}, {-1, 0}}, {{0.5f, 1}, {0, 1}}, {{0.5f, 0}, {0, -1}}};
  for (const auto& side : sides)
    for (int gap = 0; gap < 2; ++gap) {
      const float tx = side.tip[0] + gap * past * side.out[0], ty = side.tip[1] + gap * past * side.out[1];
      // The far corners: one unit out, half a unit either way along the side.
      const float along[2] = {side.out[1], side.out[0]};
      const float far[2][2] = {{tx + side.out[0] - 0.5f * along[0], ty + side.out[1] - 0.5f * along[1]},
                               {tx + side.out[0] + 0.5f * along[0], ty + side.out[1] + 0.5f * along[1]}};
      for (int first = 0; first < 3; ++first) {
        float corners[3][2];
        const float* order[3] = {nullptr, far[0], far[1]};
        const float tip[2] = {tx, ty};
        order[0] = tip;
        for (int i = 0; i < 3; ++i) {
          corners[(first + i) % 3][0] = order[i][0];
          corners[(first + i) % 3][1] = order[i][1];
        }
        EXPECT_EQ(RectOverlapsProjected(r, corners, ProjectedWinding(corners)), gap ? 0 : 1)
            << "tip (" << tx << ", " << ty << ") as corner " << first;
      }
    }
}

// ---- the axis views' drag box ----

TEST_F(ModellerTest, TheAxisViewBoxAddsWithCtrlRemovesWithShiftAndElseReplaces) {
  Open();
  FrontView();
  auto box = [&](double x0, double z0, double x1, double z1, bool ctrl, bool shift) {
    PickTriangle(-1, 0);
    ObjectEditorShared.pick.state = 0;
    MouseX = PixelX(x0), MouseY = PixelY(z0);
    Mouse(RightPress(), ctrl, shift);
    MouseX = PixelX(x1), MouseY = PixelY(z1);
    Mouse(Held(0, 1), ctrl, shift);
    Mouse(MouseRecord{}, ctrl, shift);
    EXPECT_EQ(EditViews.dragBox.state, DRAG_BOX_DONE);
  };
  Key('P', true);
  box(-0.1, -0.1, 0.6, 0.1, false, false);
  EXPECT_EQ(SelectedPoints(), 2) << "points 0 and 1";
  box(0.9, 0.9, 1.1, 1.1, true, false);
  EXPECT_EQ(SelectedPoints(), 3) << "Ctrl adds point 8";
  EXPECT_EQ(modeller->state.currentPoint, 8);
  box(-0.1, -0.1, 0.1, 0.1, false, true);
  EXPECT_EQ(SelectedPoints(), 2) << "Shift removes point 0";
  box(0.4, 0.4, 0.6, 0.6, false, false);
  EXPECT_EQ(SelectedPoints(), 1) << "neither replaces: point 4";
  EXPECT_EQ(modeller->state.selectedPointCount, 1);
  // Dragged the other way round (from the upper left in the world, the lower right on the
  // screen, and from the lower right in the world), the box is the same.
  box(0.6, 0.6, 0.4, 0.4, false, false);
  EXPECT_EQ(SelectedPoints(), 1) << "the same box from its other corner: point 4";
  EXPECT_NE(model.points[4].flags & POINT_SELECTED, 0);
  box(0.6, 0.4, 0.4, 0.6, false, false);
  EXPECT_EQ(SelectedPoints(), 1) << "from a third corner: point 4";
  EXPECT_NE(model.points[4].flags & POINT_SELECTED, 0);
  Key('T', true);
  box(0.55, -0.1, 1.1, 0.45, false, false);
  EXPECT_EQ(SelectedTriangles(), 2) << "the lower right cell";
  box(-0.1, 0.55, 0.45, 1.1, true, false);
  EXPECT_EQ(SelectedTriangles(), 4);
  box(0.55, -0.1, 1.1, 0.45, false, false);
  EXPECT_EQ(SelectedTriangles(), 2) << "neither replaces: the lower right cell alone again";
  // In other modes the box only measures.
  Key('S', true);
  box(-0.1, -0.1, 1.1, 1.1, false, false);
  EXPECT_EQ(EditedObject, &model);
}

// ---- drags ----

TEST_F(ModellerTest, ARotateDragTurnsThePointsAndARightPressRestoresThemByOneUndo) {
  Open();
  FrontView();
  Key('P', true);
  for (int p : {0, 2, 4}) SelectPoint(*modeller, p);  // the green point 4 is the centre
  const int32_t x0 = model.points[0].x, z0 = model.points[0].z;
  // The pointer starts to the right of the centre and goes a quarter turn up (anti-clockwise).
  MouseX = PixelX(0.5) + 100, MouseY = PixelY(0.5);
  StartPointTransformDrag(*modeller, CLICK_LEFT, TRANSFORM_ROTATE);
  ASSERT_EQ(modeller->transform.kind, TRANSFORM_ROTATE);
  EXPECT_EQ(ModellerUndo.count, 1);
  EXPECT_STREQ(ModellerUndo.nodes[1].name, "rotate points");
  MouseX = PixelX(0.5), MouseY = PixelY(0.5) - 100;
  Mouse(Held(1, 0));
  // Seen from the front, point 0 lies right and below the centre: it turns to right and above.
  EXPECT_NEAR(X(model, 0), 0.0, 1e-4);
  EXPECT_NEAR(Z(model, 0), 1.0, 1e-4);
  EXPECT_NEAR(X(model, 4), 0.5, 0) << "the centre stays";
  EXPECT_EQ(model.points[0].y, 0) << "the depth component is kept";
  Mouse(Held(1, 1));  // the right button: undone
  EXPECT_EQ(modeller->transform.kind, TRANSFORM_NONE);
  EXPECT_EQ(modeller->transform.positions, nullptr);
  EXPECT_EQ(model.points[0].x, x0);
  EXPECT_EQ(model.points[0].z, z0);
  EXPECT_EQ(ModellerUndo.depth, 1);
  // A drag that ends with the release keeps its result.
  MouseX = PixelX(0.5) + 100, MouseY = PixelY(0.5);
  StartPointTransformDrag(*modeller, CLICK_LEFT, TRANSFORM_ROTATE);
  MouseX = PixelX(0.5) - 100;
  Mouse(Held(1, 0));
  Mouse(Held(0, 0));
  EXPECT_EQ(modeller->transform.kind, TRANSFORM_NONE);
  EXPECT_NEAR(X(model, 0), 1.0, 1e-4) << "half a turn";
  EXPECT_NEAR(Z(model, 0), 1.0, 1e-4);
}

// With Ctrl in a 2D view the rotate and scale buttons stand a quarter of the screen from the
// green point towards the screen's centre: "R" and "S" above that place, the two arrows below,
// "R" and the horizontal arrow left of it.
TEST_F(ModellerTest, TheTransformButtonsStandAQuarterScreenFromTheGreenPointTowardsTheCentre) {
  Open();
  FrontView();
  Key('P', true);
  int green = -1;
  for (int p = 0; p < model.pointCount && green < 0; ++p) {
    const int32_t at[3] = {model.points[p].x, model.points[p].y, model.points[p].z};
    float x = 0, y = 0;
    int32_t depth = 0;
    if (ProjectPointToScreen(at, &x, &y, &depth) && std::lround(x) != std::lround(y) && p > 1) green = p;
  }
  ASSERT_GE(green, 0);
  for (int p : {0, 1, green}) SelectPoint(*modeller, p);
  ASSERT_EQ(modeller->state.currentPoint, green);
  const int32_t at[3] = {model.points[green].x, model.points[green].y, model.points[green].z};
  float x = 0, y = 0;
  int32_t depth = 0;
  ASSERT_EQ(ProjectPointToScreen(at, &x, &y, &depth), 1);
  const int ax = int(std::lround(x + (x < ScreenWidth / 2.0f ? 0.25f : -0.25f) * ScreenWidth));
  const int ay = int(std::lround(y + (y < ScreenHeight / 2.0f ? 0.25f : -0.25f) * ScreenHeight));
  CtrlHeld = 1;
  ClearInterface();
  AddEditedObjectHandles(*modeller);
  CtrlHeld = 0;
  const char* const hints[4] = {"Drag to rotate the selected points", "Drag to scale the selected points in 2D",
                                "Drag to scale the selected points horizontally",
                                "Drag to scale the selected points vertically"};
  const int w = 2 * ButtonWidth, h = ButtonHeight;
  const int places[4][2] = {{ax - w, ay - h}, {ax, ay - h}, {ax - w, ay}, {ax, ay}};
  for (int i = 0; i < 4; ++i) {
    const InterfaceButton* b = nullptr;
    for (int k = 0; k < ButtonCount; ++k)
      if (InterfaceButtons[k].hint && std::strcmp(InterfaceButtons[k].hint, hints[i]) == 0) b = &InterfaceButtons[k];
    ASSERT_NE(b, nullptr) << hints[i];
    EXPECT_EQ(b->left, places[i][0]) << hints[i];
    EXPECT_EQ(b->top, places[i][1]) << hints[i];
    EXPECT_EQ(b->word, uintptr_t(i + 1)) << hints[i];
  }
  ClearInterface();
}

// Moving the selected points takes along a mapping only when every triangle on it has all
// three corners selected; a central point keeps x = 0.  The panel's triangles all take mapping
// 0 but triangle 7, (4, 8, 5), which alone takes mapping 1.
TEST_F(ModellerTest, MovedPointsTakeAlongOnlyTheMappingsWhoseTrianglesMoveWhole) {
  Open();
  Key('P', true);
  for (int t = 0; t < model.triangleCount; ++t) model.triangles[t].mapping = 0;
  ASSERT_EQ(model.triangleCount, 8);
  model.triangles[7].mapping = 1;
  ASSERT_EQ(model.triangles[7].corners[0], 4);
  ASSERT_EQ(model.triangles[7].corners[1], 8);
  ASSERT_EQ(model.triangles[7].corners[2], 5);
  model.points[5].flags |= POINT_CENTRAL;
  DeselectAllPoints(*modeller);
  for (int p : {4, 5, 8}) model.points[p].flags |= POINT_SELECTED;
  const int32_t first[3] = {model.mappings[0].offset[0], model.mappings[0].offset[1], model.mappings[0].offset[2]};
  const int32_t second[3] = {model.mappings[1].offset[0], model.mappings[1].offset[1], model.mappings[1].offset[2]};
  const int32_t x4 = model.points[4].x, z8 = model.points[8].z, z0 = model.points[0].z;
  MoveSelectedPoints(*modeller, IntVector{1 << 16, 0, 1 << 15});
  EXPECT_EQ(model.points[4].x, x4 + (1 << 16));
  EXPECT_EQ(model.points[8].z, z8 + (1 << 15));
  EXPECT_EQ(model.points[0].z, z0) << "not selected";
  EXPECT_EQ(model.points[5].x, 0) << "a central point stays on the centre plane";
  EXPECT_EQ(model.mappings[1].offset[0], second[0] + (1 << 16)) << "all of triangle 7 moved";
  EXPECT_EQ(model.mappings[1].offset[1], second[1]);
  EXPECT_EQ(model.mappings[1].offset[2], second[2] + (1 << 15));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(model.mappings[0].offset[i], first[i]) << "triangles left behind, axis " << i;
}

TEST_F(ModellerTest, ATransformDragCountsPointsMarkedSinceTheLastCount) {
  Open();
  FrontView();
  Key('P', true);
  DeselectAllPoints(*modeller);
  for (int p : {0, 2, 4}) model.points[p].flags |= POINT_SELECTED;  // marked, not yet counted
  modeller->state.currentPoint = 4;
  ASSERT_EQ(modeller->state.selectedPointCount, 0);
  MouseX = PixelX(0.5) + 100, MouseY = PixelY(0.5);
  StartPointTransformDrag(*modeller, CLICK_LEFT, TRANSFORM_ROTATE);
  EXPECT_EQ(modeller->transform.kind, TRANSFORM_ROTATE) << "three points counted afresh";
  EXPECT_EQ(modeller->state.selectedPointCount, 3);
  Mouse(Held(1, 1));  // the right button: undone
  EXPECT_EQ(modeller->transform.kind, TRANSFORM_NONE);
}

TEST_F(ModellerTest, ARightPressOnATransformAsksForItsAmountInstead) {
  Open();
  FrontView();
  Key('P', true);
  for (int p : {0, 4}) SelectPoint(*modeller, p);
  const struct {
    int kind;
    const char* prompt;
  } cases[] = {{TRANSFORM_ROTATE, "Degrees to rotate anti-clockwise around green point?"},
               {TRANSFORM_SCALE_2D, "Amount to scale in 2D from green point?"},
               {TRANSFORM_SCALE_HORIZONTAL, "Amount to scale horizontally from green point?"},
               {TRANSFORM_SCALE_VERTICAL, "Amount to scale vertically from green point?"}};
  for (const auto& c : cases) {
    ResetDialogs();
    StartPointTransformDrag(*modeller, CLICK_RIGHT, c.kind);
    ASSERT_EQ(OpenTextEntry.open, 1) << c.kind;
    EXPECT_STREQ(OpenTextEntry.prompt, c.prompt);
    EXPECT_EQ(OpenTextEntry.answerWord, uint32_t(c.kind));
    EXPECT_EQ(modeller->transform.kind, TRANSFORM_NONE) << "asked, not dragged";
    CloseModellerSubScreen(*modeller);
  }
  // One past the last transform: nothing asked.
  ResetDialogs();
  AskPointTransform(*modeller, TRANSFORM_SCALE_VERTICAL + 1);
  EXPECT_EQ(OpenTextEntry.open, 0);
}

TEST_F(ModellerTest, ScaleDragsKeepTheCentreAndTheOtherComponentsAndSkipBadSteps) {
  Open();
  FrontView();
  Key('P', true);
  model.points[1].y = 3 << 14;  // a depth component to keep
  model.points[6].flags = POINT_CENTRAL;
  for (int p : {0, 1, 6, 8, 4}) SelectPoint(*modeller, p);
  std::vector<ModelPoint> start(model.points, model.points + model.pointCount);
  // Horizontal: the pointer from 50 to 100 pixels right of the centre doubles across.
  MouseX = PixelX(0.5) + 50, MouseY = PixelY(0.5) + 30;
  StartPointTransformDrag(*modeller, CLICK_LEFT, TRANSFORM_SCALE_HORIZONTAL);
  MouseX = PixelX(0.5) + 100, MouseY = PixelY(0.5) - 70;
  Mouse(Held(1, 0));
  for (int p : {0, 1, 8}) {
    EXPECT_NEAR(X(model, p), 0.5 + 2 * (start[p].x / 65536.0 - 0.5), 1e-4) << p;
    EXPECT_EQ(model.points[p].y, start[p].y) << p;
    EXPECT_EQ(model.points[p].z, start[p].z) << p;
  }
  EXPECT_EQ(model.points[6].x, 0) << "a central point keeps x = 0";
  EXPECT_EQ(model.points[4].x, start[4].x) << "the green point stays";
  EXPECT_EQ(model.points[4].z, start[4].z);
  // A step beyond 100 times is ignored: the points keep the last step's places.
  const int32_t kept = model.points[0].x;
  MouseX = PixelX(0.5) + 50 * 101;
  Mouse(Held(1, 0));
  EXPECT_EQ(model.points[0].x, kept);
  Mouse(Held(0, 0));
  // A drag begun on the centre: the divisor is 0 and every step is ignored.
  for (int kind : {TRANSFORM_SCALE_2D, TRANSFORM_SCALE_HORIZONTAL, TRANSFORM_SCALE_VERTICAL}) {
    MouseX = PixelX(0.5), MouseY = PixelY(0.5);
    StartPointTransformDrag(*modeller, CLICK_LEFT, kind);
    const int32_t x = model.points[0].x, z = model.points[0].z;
    MouseX += 40, MouseY += 40;
    Mouse(Held(1, 0));
    EXPECT_EQ(model.points[0].x, x) << kind;
    EXPECT_EQ(model.points[0].z, z) << kind;
    Mouse(Held(0, 0));
  }
  // Vertical: the pointer from 50 to 25 pixels below halves the heights about the centre.
  MouseX = PixelX(0.5), MouseY = PixelY(0.5) + 50;
  StartPointTransformDrag(*modeller, CLICK_LEFT, TRANSFORM_SCALE_VERTICAL);
  const int32_t x8 = model.points[8].x;
  MouseY = PixelY(0.5) + 25;
  Mouse(Held(1, 0));
  EXPECT_NEAR(Z(model, 8), 0.75, 1e-4);
  EXPECT_EQ(model.points[8].x, x8);
  Mouse(Held(0, 0));
  // Nothing selected: no drag.
  DeselectAllPoints(*modeller);
  StartPointTransformDrag(*modeller, CLICK_LEFT, TRANSFORM_SCALE_2D);
  EXPECT_EQ(modeller->transform.kind, TRANSFORM_NONE);
}

TEST_F(ModellerTest, AHandleDragClampsABoxCornerAndUndoesAMoveOnARightPress) {
  Open();
  FrontView();
  ModelBox = ModellerBox{{{-2 << 16, -2 << 16, 0}, {2 << 16, 2 << 16, 2 << 16}}, 1};
  // The minimum corner's x handle: 100 pixels along it stand for 1 m.
  HandleDragState& h = modeller->handle;
  h.kind = HANDLE_BOX_CORNER, h.axis = 0, h.corner = 0;
  h.screenAxes[0][0] = 100, h.screenAxes[0][1] = 0;
  h.scale = 65536;
  h.lastMouse[0] = 500, h.lastMouse[1] = 300;
  MouseX = 650, MouseY = 340;
  Mouse(Held(1, 0));
  EXPECT_EQ(ModelBox.corners[0][0], -(1 << 15)) << "1.5 m along the handle";
  MouseX = 1000;
  Mouse(Held(1, 0));
  EXPECT_EQ(ModelBox.corners[0][0], 2 << 16) << "never past the maximum";
  // A handle seen almost end on: 0.001 pixels a metre, so 100 pixels stand for 100 km, past
  // the 16.16 range (32.8 km); the push is still forward and the corner still stops at the maximum.
  ModelBox.corners[0][0] = -2 << 16;
  h.screenAxes[0][0] = 0.001f;
  h.lastMouse[0] = 500, h.lastMouse[1] = 340;
  MouseX = 600;
  Mouse(Held(1, 0));
  EXPECT_EQ(ModelBox.corners[0][0], 2 << 16) << "a drag past 32 bits";
  h.screenAxes[0][0] = 100;
  Mouse(Held(0, 0));
  EXPECT_EQ(h.axis, -1);
  EXPECT_EQ(h.kind, HANDLE_NONE);

  // Moving the selected points along x; a right press takes the move back.
  Key('P', true);
  SelectPoint(*modeller, 1);
  SelectPoint(*modeller, 6);
  model.points[6].flags |= POINT_CENTRAL;
  AddUndoPoint("drag points", 0, 0, 0);
  h.kind = HANDLE_MOVE_POINTS, h.axis = 1;
  h.lastMouse[0] = 500, h.lastMouse[1] = 300;
  MouseX = 550, MouseY = 300;
  Mouse(Held(1, 0));
  EXPECT_NEAR(X(model, 1), 1.0, 1e-4);
  EXPECT_EQ(model.points[6].x, 0) << "a central point stays on the centre plane";
  MouseX = 600;
  Mouse(Held(1, 0));
  EXPECT_NEAR(X(model, 1), 1.5, 1e-4) << "a second step of 50 pixels goes on from where the first ended";
  Mouse(Held(1, 1));
  EXPECT_NEAR(X(model, 1), 0.5, 0);
  EXPECT_EQ(ModellerUndo.depth, 1);
  EXPECT_EQ(h.axis, -1);
  // The edited subobject moves by its offset.
  SelectSubobject(*modeller, 0, &model.children[0]);
  h.kind = HANDLE_MOVE_SUBOBJECT, h.axis = 4;
  h.screenAxes[2][0] = 0, h.screenAxes[2][1] = -100;
  h.lastMouse[0] = 500, h.lastMouse[1] = 300;
  MouseX = 500, MouseY = 200;
  Mouse(Held(1, 0));
  EXPECT_EQ(model.children[0].offset[2], 1 << 16);
  Mouse(Held(0, 0));
}

// The yz plane handle in perspective: the pointer's ray is met on the plane x = 0. The eye
// stands at (0.5, 3, 0.5) m looking along -y with 1024 pixels a unit of slope; the pointer
// 256 pixels right of the centre (world x runs to the left) looks along (-0.25, -1, 0), which
// reaches x = 0 after 2 m along -y, at (0, 1, 0.5) m. The eye's x and y differ, so a plane
// measured from the wrong one of them lands far from there.
TEST_F(ModellerTest, APlaneHandleDragInPerspectiveFollowsThePointerOnThePlane) {
  Open();
  PerspectiveView();
  Key('P', true);
  SelectPoint(*modeller, 1);
  AddUndoPoint("drag points", 0, 0, 0);
  const ModelPoint before = model.points[1];
  HandleDragState& h = modeller->handle;
  h.kind = HANDLE_MOVE_POINTS, h.axis = HANDLE_YZ;
  h.planeNormal[0] = 1, h.planeNormal[1] = 0, h.planeNormal[2] = 0;
  h.grabPoint[0] = h.grabPoint[1] = h.grabPoint[2] = 0;
  MouseX = 768, MouseY = 384;
  Mouse(Held(1, 0));
  EXPECT_NEAR(h.grabPoint[0], 0, 2) << "on the plane";
  EXPECT_NEAR(h.grabPoint[1], 1 << 16, 2);
  EXPECT_NEAR(h.grabPoint[2], 1 << 15, 2);
  EXPECT_EQ(model.points[1].x, before.x) << "the yz plane never moves a point across x";
  EXPECT_NEAR(model.points[1].y, before.y + (1 << 16), 2) << "1 m up y from the grab point";
  EXPECT_NEAR(model.points[1].z, before.z + (1 << 15), 2) << "0.5 m up z";
  Mouse(Held(0, 0));
  EXPECT_EQ(h.axis, -1);
}

// ---- the view plane ----

TEST_F(ModellerTest, PointsAreScaledAndPlacedInTheViewPlane) {
  Open();
  FrontView();  // right is -x, up is +z, the view's depth is y
  const int32_t centre[3] = {1 << 16, 1 << 16, 1 << 16};
  const int32_t point[3] = {2 << 16, 3 << 16, 3 << 16};
  int64_t out[3];
  ScalePointInViewPlane(centre, point, out, 3.0, 0.5);
  EXPECT_EQ(out[0], 4 << 16) << "across tripled";
  EXPECT_EQ(out[1], 3 << 16) << "depth unchanged";
  EXPECT_EQ(out[2], 2 << 16) << "up halved";
  ScalePointInViewPlane(centre, point, out, 4.0e4, 1.0);
  EXPECT_GT(out[0], int64_t(INT32_MAX)) << "beyond the 16.16 range, for the caller to refuse";
  const int32_t moved[3] = {4 << 16, 5 << 16, 5 << 16};  // 3 m across and 4 m up: 5 m in the plane
  SetPointViewDistance(centre, moved, 10.0, out);
  EXPECT_EQ(out[0], 7 << 16);
  EXPECT_EQ(out[1], 5 << 16);
  EXPECT_EQ(out[2], 9 << 16);
  const int32_t near[3] = {centre[0] + 30, centre[1] + (7 << 16), centre[2]};
  SetPointViewDistance(centre, near, 2.0, out);
  EXPECT_EQ(out[0], centre[0] + 30) << "below a millimetre in the plane nothing changes";
  const int32_t far[3] = {1 << 16, 1 << 16, 3 << 16};
  SetPointDistance(centre, far, 0.5, out);
  EXPECT_EQ(out[2], (1 << 16) + (1 << 15));
  const int32_t same[3] = {1 << 16, 1 << 16, 1 << 16};
  SetPointDistance(centre, same, 4.0, out);
  EXPECT_EQ(out[2], 1 << 16);
}

TEST_F(ModellerTest, PointsBehindTheEyeAreNeverInsideTheRectangle) {
  Open();
  PerspectiveView();  // the eye 3 m in front of the panel, looking back at it
  ScreenRect rect{};
  rect.minimum[0] = rect.minimum[1] = -1, rect.maximum[0] = rect.maximum[1] = 1;  // the whole screen
  const int32_t front[3] = {1 << 15, 0, 1 << 15}, behind[3] = {1 << 15, 5 << 16, 1 << 15};
  const int32_t nearFront[3] = {0, 0, 0}, farFront[3] = {1 << 16, 0, 0};
  EXPECT_EQ(rect.ContainsPoint(front), 1);
  EXPECT_EQ(rect.ContainsPoint(behind), 0);
  EXPECT_EQ(rect.ContainsTriangle(front, nearFront, farFront, 1) | rect.ContainsTriangle(front, nearFront, farFront, 0), 1);
  EXPECT_EQ(rect.ContainsTriangle(front, nearFront, behind, 1), 0) << "a corner behind the eye";
  EXPECT_EQ(rect.ContainsTriangle(behind, front, nearFront, 0), 0);
}

// The rectangle's edges belong to it: from the front (4 m across 1024 pixels, looking at
// z = 0.5 m), the point at x -1 m, z 1.25 m lies at pixel (768, 192), screen (0.5, -0.5),
// inside a rectangle with that point as its least corner or as its greatest, and outside one
// starting just past it either way.
TEST_F(ModellerTest, APointOnTheRectanglesEdgeIsInsideIt) {
  Open();
  FrontView();
  const int32_t point[3] = {-(1 << 16), 0, (1 << 16) + (1 << 14)};
  const auto rect = [](float x0, float y0, float x1, float y1) {
    ScreenRect r{};
    r.minimum[0] = x0, r.minimum[1] = y0, r.maximum[0] = x1, r.maximum[1] = y1;
    return r;
  };
  EXPECT_EQ(rect(0.5f, -0.5f, 0.75f, -0.25f).ContainsPoint(point), 1) << "on the least corner";
  EXPECT_EQ(rect(0.25f, -0.75f, 0.5f, -0.5f).ContainsPoint(point), 1) << "on the greatest corner";
  EXPECT_EQ(rect(0.51f, -0.75f, 0.75f, -0.25f).ContainsPoint(point), 0) << "starting just past it across";
  EXPECT_EQ(rect(0.25f, -0.49f, 0.75f, -0.25f).ContainsPoint(point), 0) << "starting just below it";
  EXPECT_EQ(rect(0.25f, -0.75f, 0.49f, -0.25f).ContainsPoint(point), 0) << "ending just short of it across";
  EXPECT_EQ(rect(0.25f, -0.75f, 0.75f, -0.51f).ContainsPoint(point), 0) << "ending just above it";
}

// An object whose mesh is not built yet has its points placed where they are stored: no turn,
// no shift.  From the front (4 m across 1024 pixels, 256 a metre, world x to the left, looking
// at z = 0.5 m) a point's screen place is (-x / 2, -(z - 0.5) x 256 / 384) in normalised units.
TEST_F(ModellerTest, AnObjectWithoutABuiltMeshHasItsPointsPlacedWhereTheyAreStored) {
  Open();
  FrontView();
  ModelObject& o = *EditedObject;
  ASSERT_GT(o.pointCount, 0);
  DrawMesh* const built = o.builtMesh;
  o.builtMesh = nullptr;
  std::vector<PlacedPoint> placed;
  PlaceEditedPoints(o, placed);
  o.builtMesh = built;
  ASSERT_EQ(placed.size(), size_t(o.pointCount));
  for (int p = 0; p < o.pointCount; ++p) {
    EXPECT_EQ(placed[size_t(p)].world[0].x, o.points[p].x) << p;
    EXPECT_EQ(placed[size_t(p)].world[0].y, o.points[p].y) << p;
    EXPECT_EQ(placed[size_t(p)].world[0].z, o.points[p].z) << p;
    ASSERT_EQ(placed[size_t(p)].projected[0], 1) << p;
    EXPECT_NEAR(placed[size_t(p)].screen[0][0], -X(o, p) / 2.0, 1e-3) << p;
    EXPECT_NEAR(placed[size_t(p)].screen[0][1], -(Z(o, p) - 0.5) * 256.0 / 384.0, 1e-3) << p;
  }
}

TEST_F(ModellerTest, AnOrthographicDepthBelowItsLeastOrAScreenOfNoSizeProjectsNothing) {
  Open();
  FrontView();
  const int32_t saved = ViewOrthoDepth;
  const int32_t ahead[3] = {0, 0, 1 << 16};
  float out[2];
  ViewOrthoDepth = VIEW_ORTHO_DEPTH_MIN;
  EXPECT_EQ(ProjectToScreen(ahead, out), 1) << "the least depth itself";
  ViewOrthoDepth = VIEW_ORTHO_DEPTH_MIN - 1;
  EXPECT_EQ(ProjectToScreen(ahead, out), 0);
  ViewOrthoDepth = saved;
  // A screen of no width or no height (a window shrunk away) projects nothing either; one pixel
  // each way is a screen.
  const int width = ScreenWidth, height = ScreenHeight;
  ScreenWidth = 0;
  EXPECT_EQ(ProjectToScreen(ahead, out), 0) << "no width";
  ScreenWidth = width, ScreenHeight = 0;
  EXPECT_EQ(ProjectToScreen(ahead, out), 0) << "no height";
  ScreenWidth = 1, ScreenHeight = 1;
  EXPECT_EQ(ProjectToScreen(ahead, out), 1) << "one pixel";
  ScreenWidth = width, ScreenHeight = height;
}

TEST(ScreenRectTest, TheRectangleFollowsThePointerInNormalisedUnitsAndMustBeDraggedFarEnough) {
  const int savedW = ScreenWidth, savedH = ScreenHeight, savedX = MouseX, savedY = MouseY;
  // Without a screen the pointer stands in the middle.
  ScreenWidth = ScreenHeight = 0;
  MouseX = 10, MouseY = 20;
  ScreenRect r{};
  r.Begin();
  EXPECT_EQ(r.active, 1);
  EXPECT_EQ(r.start[0], 0.0f);
  EXPECT_EQ(r.start[1], 0.0f);
  // On 200 x 100 pixels, (150, 75) is (0.5, 0.5) and (50, 25) is (-0.5, -0.5).
  ScreenWidth = 200, ScreenHeight = 100;
  MouseX = 150, MouseY = 75;
  r.Begin();
  EXPECT_EQ(r.start[0], 0.5f);
  EXPECT_EQ(r.start[1], 0.5f);
  EXPECT_FALSE(r.IsLargeEnough());
  MouseX = 50, MouseY = 25;
  r.Update();
  EXPECT_EQ(r.current[0], -0.5f);
  EXPECT_EQ(r.current[1], -0.5f);
  EXPECT_EQ(r.minimum[0], -0.5f);
  EXPECT_EQ(r.minimum[1], -0.5f);
  EXPECT_EQ(r.maximum[0], 0.5f);
  EXPECT_EQ(r.maximum[1], 0.5f);
  EXPECT_TRUE(r.IsLargeEnough());
  // One pixel across (0.01) is enough on this wide screen (0.011 x 100 / 200); one pixel down
  // (0.02) is enough too; nothing is not.
  MouseX = 150, MouseY = 75;
  r.Begin();
  MouseX = 151;
  r.Update();
  EXPECT_TRUE(r.IsLargeEnough());
  MouseX = 150, MouseY = 76;
  r.Update();
  EXPECT_TRUE(r.IsLargeEnough());
  ScreenWidth = 100, ScreenHeight = 200;  // tall: one pixel across (0.02) is not 0.022
  r.Begin();
  MouseX = 151;
  r.Update();
  EXPECT_FALSE(r.IsLargeEnough());
  ScreenWidth = savedW, ScreenHeight = savedH, MouseX = savedX, MouseY = savedY;
}

// The move handles seen from above: x and y are drawn (their screen directions kept for the
// drag, each under its own axis), z points at the eye and is left out.
TEST_F(ModellerTest, TheMoveHandlesKeepTheScreenDirectionOfEachAxisTheyDraw) {
  Open();
  SelectEditView(VIEW_TOP);
  FrameEditView(2 << 16, 1 << 15);
  SetEditViewProjection(0);
  FixedMatrix identity;
  MatrixIdentity(identity);
  const int32_t centre[3] = {0, 0, 0};
  float axes[3][2];
  int32_t length = 0;
  ClearInterface();
  ASSERT_EQ(DrawAxisHandles(nullptr, 0, centre, identity, nullptr, 0, axes, &length), 1);
  EXPECT_GT(std::hypot(axes[0][0], axes[0][1]), 1.0f) << "x";
  EXPECT_GT(std::hypot(axes[1][0], axes[1][1]), 1.0f) << "y";
  EXPECT_EQ(axes[2][0], 0.0f) << "z, end on";
  EXPECT_EQ(axes[2][1], 0.0f) << "z, end on";
  // x and y at right angles on the screen.
  EXPECT_NEAR(axes[0][0] * axes[1][0] + axes[0][1] * axes[1][1], 0.0f, 1e-3f);
  EXPECT_EQ(ButtonCount, 5) << "xy, xz, yz, x and y labelled";
  // From the front z is drawn and y is end on; the box's three handles likewise.
  FrontView();
  for (const int box : {0, 1}) {
    ClearInterface();
    ASSERT_EQ(DrawAxisHandles(nullptr, 0, centre, identity, nullptr, box, axes, &length), 1);
    EXPECT_GT(std::hypot(axes[0][0], axes[0][1]), 1.0f) << "x, box " << box;
    EXPECT_EQ(axes[1][0], 0.0f) << "y, end on, box " << box;
    EXPECT_EQ(axes[1][1], 0.0f) << "y, end on, box " << box;
    EXPECT_GT(std::hypot(axes[2][0], axes[2][1]), 1.0f) << "z, box " << box;
    EXPECT_EQ(ButtonCount, box ? 2 : 5) << "box " << box;
  }
  // A frame of point mode with the current point on the panel's undo row: each handle's
  // label stands clear of every row (the labels were added before the rows, which then lay
  // over them).
  Key('P', true);
  SelectPoint(*modeller, 0);
  ClearInterface();
  RowCursorX = RowCursorY = 0;
  AddModellerButtons(*modeller);
  const InterfaceButton* undo = FindShownButton("no changes");
  ASSERT_NE(undo, nullptr);
  // In the front view a pixel is 1/256 m: x = (512 - px) / 256, z = 0.5 + (384 - py) / 256.
  model.points[0].x = int32_t((512 - (undo->left + undo->right) / 2) * 256);
  model.points[0].z = int32_t(65536 / 2 + (384 - (undo->top + undo->bottom) / 2) * 256);
  RefreshEditedMesh(&modeller->prss);
  ClearInterface();
  FrameSkipped = 0;
  ModellerScreenAction(&modeller->prss);
  FrameSkipped = 1;
  const auto text = [](const InterfaceButton& b) {
    char shown[128] = "";
    return ButtonText(b, shown, sizeof shown) ? std::string(shown) : std::string();
  };
  int labels = 0;
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& label = InterfaceButtons[i];
    if (!label.hint || std::strncmp(label.hint, "Drag to move ", 13) != 0) continue;
    ++labels;
    for (int k = 0; k < ButtonCount; ++k) {
      const InterfaceButton& row = InterfaceButtons[k];
      if (k == i || !IsRowButton(row) || (row.hint && std::strncmp(row.hint, "Drag to move ", 13) == 0)) continue;
      EXPECT_FALSE(std::min(label.right, row.right) - std::max(label.left, row.left) > 1 &&
                   std::min(label.bottom, row.bottom) - std::max(label.top, row.top) > 1)
          << text(label) << " lies over " << text(row);
    }
  }
  EXPECT_EQ(labels, 5) << "xy, xz, yz, x and z labelled";
  ClearInterface();
}

// The object's own axes of the view: the view's right and up rows (an object with no built
// mesh has no turn), and the third the cross product of the two, each of its three parts.
TEST(ViewAxesTest, TheThirdAxisIsTheCrossProductOfTheViewsRightAndUp) {
  float saved[3][3];
  std::memcpy(saved, ViewBasis, sizeof saved);
  const float right[3] = {1, 2, 3}, up[3] = {4, 5, 7};
  for (int i = 0; i < 3; ++i) ViewBasis[0][i] = right[i], ViewBasis[1][i] = up[i], ViewBasis[2][i] = 9;
  double axes[3][3] = {};
  LocalViewAxes(nullptr, axes);
  for (int i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(axes[0][i], right[i]) << i;
    EXPECT_DOUBLE_EQ(axes[1][i], up[i]) << i;
  }
  // (1, 2, 3) x (4, 5, 7) = (2*7 - 3*5, 3*4 - 1*7, 1*5 - 2*4) = (-1, 5, -3).
  EXPECT_DOUBLE_EQ(axes[2][0], -1.0);
  EXPECT_DOUBLE_EQ(axes[2][1], 5.0);
  EXPECT_DOUBLE_EQ(axes[2][2], -3.0);
  std::memcpy(ViewBasis, saved, sizeof saved);
}
