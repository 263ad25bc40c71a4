// graph_test.cpp - the point graph editor driven as the frame loop drives it: the mouse
// position, the held buttons and the frame time are set, then the graph's frame runs.
// Positions are checked against the test's own pixel-to-graph arithmetic.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <tuple>
#include <vector>

#include "core/frame_globals.h"
#include "core/window_state.h"
#include "physics/car.h"
#include "render/buffers.h"
#include "render/device.h"
#include "render/draw2d.h"
#include "render/immediate.h"
#include "render/render_target.h"
#include "rim/graph.h"
#include "rim/rim_file.h"
#include "rim/rim_screen.h"
#include "tests/render/null_renderer.h"
#include "tests/rim/front_tyre.h"
#include "tests/ui/control_clicks.h"
#include "ui/interface.h"

namespace {

constexpr int LEFT = 40, TOP = 40, WIDTH = 800, HEIGHT = 600;

// A graph that records what it tells its owner.
struct Recording : Graph {
  std::vector<int> refused;
  std::vector<std::pair<int, int>> renumbered;
  int changes = 0;
  int CanDeletePoint(int index) override {
    for (int r : refused)
      if (r == index) return 0;
    return 1;
  }
  void RenumberPoint(int o, int n) override { renumbered.emplace_back(o, n); }
  void PointsChanged(int) override { ++changes; }
};

class GraphEditing : public ::testing::Test {
 protected:
  GraphData data;
  Recording g;
  void SetUp() override {
    ResetInterfaceState();
    KeyState[1] = KeyState[2] = 0;
    FrameTime = 20;
    for (float x : {0.0f, 1.0f, 2.0f, 3.0f}) AppendGraphPoint(data, GraphPoint{x, x * 0.5f});
    g.Init(nullptr, &data, -0.5f, 1000.0f, 0.0f, 1000.0f, 0x505050);
    g.scaleW = g.scaleH = 5.0f;
    Frame();
  }
  void TearDown() override {
    data.Free();
    KeyState[1] = KeyState[2] = 0;
    ActiveGraph = nullptr;
  }
  void Frame() {
    ClearInterface();
    g.DrawGraph(LEFT, TOP, WIDTH, HEIGHT);
  }
  // The test's own placement of a graph position on the screen.
  int Px(float x) const { return int(std::rint((x - g.originX) * WIDTH / g.scaleW + LEFT)); }
  int Py(float y) const { return int(std::rint(TOP + HEIGHT - (y - g.originY) * HEIGHT / g.scaleH)); }
  void MoveTo(int x, int y) { MouseX = x, MouseY = y; }
};

TEST_F(GraphEditing, InitTakesTheLargestCoordinateAsRangeAndTheGridStepFollowsTheScale) {
  GraphData wide;
  AppendGraphPoint(wide, GraphPoint{12.0f, 3.0f});
  Graph other;
  other.Init(nullptr, &wide, 0, 100, 0, 100, 0);
  EXPECT_FLOAT_EQ(other.scaleW, 12.0f);
  EXPECT_FLOAT_EQ(other.scaleH, 12.0f);
  EXPECT_EQ(other.snap, 1u);
  EXPECT_EQ(other.maxPoints, 80);
  wide.Free();
  // A second Init clears the mode words and the selection and puts the origin back at (0, 0).
  other.mode = 1, other.panning = 1, other.handleMode = GRAPH_HANDLE_BOTH, other.toolMode = GRAPH_ZOOM_IN;
  other.selectionCount = 2, other.snap = 0, other.maxPoints = 3;
  other.originX = other.originY = 4.0f;
  other.Init(nullptr, &wide, 0, 100, 0, 100, 0);
  EXPECT_FLOAT_EQ(other.scaleW, 1.0f) << "no points: range 1";
  EXPECT_EQ(other.mode, 0);
  EXPECT_EQ(other.panning, 0u);
  EXPECT_EQ(other.handleMode, uint32_t(GRAPH_HANDLE_NONE));
  EXPECT_EQ(other.toolMode, int32_t(GRAPH_TOOL_NONE));
  EXPECT_EQ(other.selectionCount, 0);
  EXPECT_EQ(other.snap, 1u);
  EXPECT_EQ(other.maxPoints, 80);
  EXPECT_EQ(other.originX, 0.0f);
  EXPECT_EQ(other.originY, 0.0f);
  for (auto [scale, step] : {std::pair{2.9f, 0.01f}, {25.0f, 0.1f}, {299.0f, 1.0f}, {300.0f, 10.0f}}) {
    other.scaleW = scale;
    EXPECT_FLOAT_EQ(other.GridStep(), step) << scale;
  }
  ActiveGraph = nullptr;
}

TEST_F(GraphEditing, PressesSelectWithCtrlTogglingAndShiftTakingTheSameX) {
  AppendGraphPoint(data, GraphPoint{2.0005f, 4.0f});
  AppendGraphPoint(data, GraphPoint{2.002f, 1.0f});
  g.PointPressed(1, CLICK_LEFT);
  EXPECT_EQ(g.selectionCount, 1);
  g.handleMode = GRAPH_HANDLE_NONE;
  g.PointPressed(3, CLICK_LEFT | CLICK_CTRL);
  g.handleMode = GRAPH_HANDLE_NONE;
  EXPECT_EQ(g.selectionCount, 2);
  g.PointPressed(1, CLICK_LEFT | CLICK_CTRL);
  ASSERT_EQ(g.selectionCount, 1);
  EXPECT_EQ(g.selection[0], 3);
  // Ctrl on the middle one of three takes it out and keeps the others in order.
  g.PointPressed(0, CLICK_LEFT | CLICK_CTRL);
  g.PointPressed(2, CLICK_LEFT | CLICK_CTRL);
  g.handleMode = GRAPH_HANDLE_NONE;
  ASSERT_EQ(g.selectionCount, 3);
  g.PointPressed(0, CLICK_LEFT | CLICK_CTRL);
  ASSERT_EQ(g.selectionCount, 2);
  EXPECT_EQ(g.selection[0], 3);
  EXPECT_EQ(g.selection[1], 2);
  // "zero x" moves the selected points only, not one an earlier selection held.
  const float before2 = data.points[2].x, before3 = data.points[3].x;
  g.PointPressed(1, CLICK_LEFT);
  g.handleMode = GRAPH_HANDLE_NONE;
  ASSERT_EQ(g.selectionCount, 1);
  const int changesBefore = g.changes;
  g.ToolButton(GRAPH_WORD_ZERO_X);
  EXPECT_EQ(data.points[1].x, 0.0f);
  EXPECT_EQ(data.points[3].x, before3);
  EXPECT_EQ(data.points[2].x, before2);
  EXPECT_EQ(g.changes, changesBefore + 1) << "the owner is told the points moved";
  g.PointPressed(0, CLICK_LEFT);
  EXPECT_EQ(g.selectionCount, 1) << "a plain press on another point selects only it";
  g.handleMode = GRAPH_HANDLE_NONE;
  g.PointPressed(2, CLICK_LEFT | CLICK_SHIFT);
  ASSERT_EQ(g.selectionCount, 2) << "points within 0.001 in x";
  EXPECT_EQ(g.selection[0], 2);
  EXPECT_EQ(g.selection[1], 4);
  g.GraphKey('C');
  EXPECT_EQ(g.selectionCount, 0);
  g.GraphKey('A');
  EXPECT_EQ(g.selectionCount, 6);
  g.ClearSelection();
  g.GraphKey(KEYCODE_CTRL_LETTER + 'A');
  EXPECT_EQ(g.selectionCount, 6);
  g.ClearSelection();
  g.mode = 1;
  g.GraphKey('A');
  EXPECT_EQ(g.selectionCount, 0) << "a user's mode word stops select all";
}

TEST_F(GraphEditing, DragsFollowTheMouseSnapTheLatestPointAndTheRightButtonPutsEveryPointBack) {
  g.snap = 0;
  g.PointPressed(1, CLICK_LEFT);
  g.PointPressed(2, CLICK_LEFT | CLICK_CTRL);
  const GraphPoint before1 = data.points[1], before2 = data.points[2];
  MoveTo(Px(before2.x), Py(before2.y));
  g.HandlePressed(GRAPH_HANDLE_BOTH);
  KeyState[1] = 1;
  MoveTo(MouseX + 37, MouseY - 11);
  Frame();
  const float dx = 37 * g.scaleW / WIDTH, dy = 11 * g.scaleH / HEIGHT;
  EXPECT_FLOAT_EQ(data.points[1].x, before1.x + dx);
  EXPECT_FLOAT_EQ(data.points[1].y, before1.y + dy);
  EXPECT_FLOAT_EQ(data.points[2].x, before2.x + dx);
  KeyState[2] = 1;
  Frame();
  KeyState[1] = KeyState[2] = 0;
  EXPECT_EQ(data.points[1].x, before1.x);
  EXPECT_EQ(data.points[1].y, before1.y);
  EXPECT_EQ(data.points[2].x, before2.x);
  EXPECT_EQ(data.points[2].y, before2.y);
  EXPECT_EQ(g.handleMode, GRAPH_HANDLE_NONE);
  EXPECT_EQ(g.changes, 0) << "a cancelled drag changes nothing";

  // The x handle moves in x only; with snap the latest point lands on the grid (0.1).
  g.snap = 1;
  MoveTo(100, 100);
  g.HandlePressed(GRAPH_HANDLE_X);
  KeyState[1] = 1;
  MoveTo(123, 140);
  Frame();
  const float raw = before2.x + 23 * g.scaleW / WIDTH;
  const float grid = g.GridStep();
  ASSERT_FLOAT_EQ(grid, 0.1f);
  const float snapped = std::round(raw / grid) * grid;
  EXPECT_FLOAT_EQ(data.points[2].x, snapped);
  EXPECT_EQ(data.points[2].y, before2.y);
  EXPECT_FLOAT_EQ(data.points[1].x, before1.x + (snapped - before2.x));
  KeyState[1] = 0;
  Frame();
  EXPECT_EQ(g.changes, 1) << "the release ends the drag and tells the owner";

  // The y handle moves in y only, the latest point onto the grid.
  const GraphPoint at2 = data.points[2];
  MoveTo(100, 100);
  g.HandlePressed(GRAPH_HANDLE_Y);
  KeyState[1] = 1;
  MoveTo(140, 77);
  Frame();
  const float rawY = at2.y + 23 * g.scaleH / HEIGHT;
  EXPECT_FLOAT_EQ(data.points[2].y, std::round(rawY / grid) * grid);
  EXPECT_EQ(data.points[2].x, at2.x);
  KeyState[1] = 0;
  Frame();
}

TEST_F(GraphEditing, HeldZoomAndScaleActByTheFrameTimeAndStopOnRelease) {
  const float w = g.scaleW, h = g.scaleH;
  g.ToolButton(GRAPH_ZOOM_OUT);
  KeyState[1] = 1;
  FrameTime = 40;
  KeepDrawing = 0;
  Frame();
  EXPECT_EQ(KeepDrawing, 1) << "a held action keeps the frames coming";
  const float f = 1.0f + 40 * 0.0001f;
  EXPECT_FLOAT_EQ(g.scaleW, w * f);
  EXPECT_FLOAT_EQ(g.scaleH, h * f);
  g.ToolButton(GRAPH_NARROW);
  Frame();
  EXPECT_FLOAT_EQ(g.scaleW, w * f / f);
  EXPECT_FLOAT_EQ(g.scaleH, h * f);
  g.PointPressed(3, CLICK_LEFT);
  g.handleMode = GRAPH_HANDLE_NONE;
  g.ToolButton(GRAPH_WORD_SCALE_FIRST + 3);  // y up
  Frame();
  EXPECT_FLOAT_EQ(data.points[3].y, 1.5f * f);
  EXPECT_FLOAT_EQ(data.points[3].x, 3.0f);
  KeyState[1] = 0;
  Frame();
  EXPECT_EQ(g.toolMode, GRAPH_TOOL_NONE);
  EXPECT_EQ(g.changes, 1);
}

TEST_F(GraphEditing, APanFollowsTheMouseInsideTheLimitsAndTheRightButtonRestoresIt) {
  MoveTo(LEFT + 300, TOP + 300);
  MouseRecord press{};
  press.clickCode = CLICK_LEFT;
  ASSERT_EQ(g.GraphPressed(press), 1);
  KeyState[1] = 1;
  MoveTo(LEFT + 100, TOP + 200);
  Frame();
  EXPECT_FLOAT_EQ(g.originX, 200 * g.scaleW / WIDTH);
  EXPECT_EQ(g.originY, 0.0f) << "held at the y minimum";
  MoveTo(LEFT + 300 + 200000, TOP + 300);
  Frame();
  EXPECT_FLOAT_EQ(g.originX, -0.5f) << "held at the x minimum";
  MoveTo(LEFT + 300 - 2000000, TOP + 300 + 2000000);
  Frame();
  EXPECT_FLOAT_EQ(g.originX, 1000.0f - g.scaleW);
  EXPECT_FLOAT_EQ(g.originY, 1000.0f - g.scaleH);
  KeyState[2] = 1;
  Frame();
  EXPECT_EQ(g.originX, 0.0f);
  EXPECT_EQ(g.originY, 0.0f);
  EXPECT_EQ(g.panning, 0u);
  KeyState[1] = KeyState[2] = 0;
  MoveTo(5, 5);
  EXPECT_EQ(g.GraphPressed(press), 0) << "outside the rectangle";
  // Over a button inside the rectangle the press is the button's.
  MoveTo(LEFT + 300, TOP + 300);
  PointerOverButton = 1;
  EXPECT_EQ(g.GraphPressed(press), 0) << "over a button";
  EXPECT_EQ(g.panning, 0u);
  PointerOverButton = 0;
  EXPECT_EQ(g.GraphPressed(press), 1);
  g.panning = 0;
}

TEST_F(GraphEditing, PointsAreAddedAtThePointerAndDuplicatedWithinTheLimit) {
  g.snap = 0;
  MoveTo(LEFT + 160, TOP + 420);
  g.GraphKey('P');
  ASSERT_EQ(data.numPoints, 5);
  EXPECT_FLOAT_EQ(data.points[4].x, 160 * g.scaleW / WIDTH);
  EXPECT_FLOAT_EQ(data.points[4].y, (HEIGHT - 420) * g.scaleH / HEIGHT);
  EXPECT_EQ(g.selectionCount, 1);
  g.snap = 1;
  MoveTo(LEFT + 161, TOP + 421);
  g.GraphKey('P');
  EXPECT_FLOAT_EQ(data.points[5].x, std::round(161 * g.scaleW / WIDTH / 0.1f) * 0.1f);
  EXPECT_FLOAT_EQ(data.points[5].y, std::round((HEIGHT - 421) * g.scaleH / HEIGHT / 0.1f) * 0.1f);
  g.ToolButton(GRAPH_WORD_ZERO_X);
  EXPECT_EQ(data.points[5].x, 0.0f);

  g.maxPoints = 8;
  g.SelectAll();
  const int told = g.changes;
  g.ToolButton(GRAPH_WORD_DUPLICATE);
  EXPECT_EQ(data.numPoints, 6) << "six more would pass eight";
  EXPECT_EQ(g.changes, told) << "a refused duplicate tells the owner nothing";
  g.ClearSelection();
  g.PointPressed(0, CLICK_LEFT);
  g.PointPressed(1, CLICK_LEFT | CLICK_CTRL);
  g.handleMode = GRAPH_HANDLE_NONE;
  g.ToolButton(GRAPH_WORD_DUPLICATE);
  ASSERT_EQ(data.numPoints, 8);
  EXPECT_EQ(g.changes, told + 1) << "the owner is told of the copies";
  EXPECT_EQ(data.points[6].x, data.points[0].x);
  EXPECT_EQ(g.selection[0], 6);
  EXPECT_EQ(g.selection[1], 7);
  g.ToolButton(GRAPH_WORD_NEW);
  g.GraphKey('P');
  EXPECT_EQ(data.numPoints, 8) << "new point refused at the limit";
  // One selected point is copied too, up to the limit exactly.
  g.maxPoints = 9;
  g.ClearSelection();
  g.PointPressed(2, CLICK_LEFT);
  g.handleMode = GRAPH_HANDLE_NONE;
  ASSERT_EQ(g.selectionCount, 1);
  g.ToolButton(GRAPH_WORD_DUPLICATE);
  ASSERT_EQ(data.numPoints, 9);
  EXPECT_EQ(data.points[8].x, data.points[2].x);
  EXPECT_EQ(data.points[8].y, data.points[2].y);
  EXPECT_EQ(g.selection[0], 8);
}

TEST_F(GraphEditing, DeletingKeepsRefusedPointsAndRenumbersTheRest) {
  g.refused = {1, 2};
  g.PointPressed(1, CLICK_LEFT);
  g.PointPressed(2, CLICK_LEFT | CLICK_CTRL);
  g.handleMode = GRAPH_HANDLE_NONE;
  g.DeleteSelected();
  EXPECT_EQ(data.numPoints, 4) << "only refused points: nothing deleted";
  EXPECT_EQ(g.changes, 0);
  g.SelectAll();
  g.DeleteSelected();
  ASSERT_EQ(data.numPoints, 2);
  EXPECT_EQ(data.points[0].x, 1.0f);
  EXPECT_EQ(data.points[1].x, 2.0f);
  ASSERT_EQ(g.renumbered.size(), 2u);
  EXPECT_EQ(g.renumbered[0], std::make_pair(1, 0));
  EXPECT_EQ(g.renumbered[1], std::make_pair(2, 1));
  EXPECT_EQ(g.selectionCount, 0);
  EXPECT_EQ(g.changes, 1) << "the owner is told of the delete";
  // With nothing refused every point goes, and the selection with them.
  g.refused.clear();
  g.SelectAll();
  g.DeleteSelected();
  EXPECT_EQ(data.numPoints, 0);
  EXPECT_EQ(g.selectionCount, 0);
  EXPECT_EQ(g.changes, 2);
  g.refused.clear();
  g.SelectAll();
  g.ToolButton(GRAPH_WORD_DELETE);
  EXPECT_EQ(data.numPoints, 0);
  EXPECT_EQ(data.points, nullptr);
}

// The exact edges: a grid step changes at a range of 3, 30 and 300; a press on the graph's
// first column and row starts a pan, one on the column or row just past it does not.
TEST_F(GraphEditing, TheGridStepAndThePressAreaChangeExactlyAtTheirEdges) {
  for (auto [scale, step] : {std::pair{3.0f, 0.1f}, {29.99f, 0.1f}, {30.0f, 1.0f}, {300.0f, 10.0f}}) {
    g.scaleW = scale;
    EXPECT_FLOAT_EQ(g.GridStep(), step) << scale;
  }
  MouseRecord press{};
  press.clickCode = CLICK_LEFT;
  for (auto [x, y, starts] : {std::tuple{LEFT, TOP, 1}, {LEFT + WIDTH - 1, TOP + HEIGHT - 1, 1}, {LEFT - 1, TOP, 0},
                              {LEFT + WIDTH, TOP, 0}, {LEFT, TOP - 1, 0}, {LEFT, TOP + HEIGHT, 0}}) {
    g.panning = 0;
    MoveTo(x, y);
    EXPECT_EQ(g.GraphPressed(press), starts) << x << "," << y;
    EXPECT_EQ(g.panning, uint32_t(starts));
  }
  g.panning = 0;
  // A rectangle of no size is drawn as one pixel wide and high.
  ClearInterface();
  g.DrawGraph(LEFT, TOP, 0, -20);
  EXPECT_EQ(g.width, 1);
  EXPECT_EQ(g.height, 1);
  EXPECT_EQ(g.ScreenX(g.originX + g.scaleW), LEFT + 1);
  EXPECT_EQ(g.ScreenY(g.originY + g.scaleH), TOP);
}

// Presses at the ends of the point list and of the selection's room: index 0 and the last are
// points, one past them is not; a Shift press takes a point exactly 0.001 away in x; 80 points
// at most are selected, however many share the x or are added with Ctrl.
TEST_F(GraphEditing, PressesAtTheEndsOfThePointsAndOfTheSelectionsRoom) {
  g.PointPressed(0, CLICK_LEFT);
  ASSERT_EQ(g.selectionCount, 1);
  EXPECT_EQ(g.selection[0], 0);
  g.handleMode = GRAPH_HANDLE_NONE;
  g.PointPressed(3, CLICK_LEFT);
  EXPECT_EQ(g.selection[0], 3);
  g.handleMode = GRAPH_HANDLE_NONE;
  g.PointPressed(4, CLICK_LEFT);
  g.PointPressed(-1, CLICK_LEFT);
  ASSERT_EQ(g.selectionCount, 1) << "no point 4 or -1";
  EXPECT_EQ(g.selection[0], 3);
  EXPECT_EQ(g.handleMode, GRAPH_HANDLE_NONE);

  data.points[1].x = 0.001f;  // point 0 at x 0: exactly the distance taken along
  g.PointPressed(0, CLICK_LEFT | CLICK_SHIFT);
  ASSERT_EQ(g.selectionCount, 2);
  EXPECT_EQ(g.selection[1], 1);

  for (int i = 0; i < 81; ++i) AppendGraphPoint(data, GraphPoint{7.0f, float(i)});  // points 4..84
  g.PointPressed(4, CLICK_LEFT | CLICK_SHIFT);
  EXPECT_EQ(g.selectionCount, 80) << "81 points at x 7";
  EXPECT_EQ(g.selection[79], 83);
  g.PointPressed(84, CLICK_LEFT | CLICK_CTRL);
  EXPECT_EQ(g.selectionCount, 80) << "no room for an 81st";
  EXPECT_FALSE(g.IsSelected(84));
  g.ClearSelection();
  g.SelectAll();
  EXPECT_EQ(g.selectionCount, 80) << "85 points";
  EXPECT_EQ(g.selection[79], 79);
}

// The side panel's scale rows and the tool words: x grows with its word, the first of the
// four, and y shrinks with the third; a word past them changes no mode.
TEST_F(GraphEditing, TheScaleWordsPickTheirAxisAndDirection) {
  g.PointPressed(3, CLICK_LEFT);
  g.handleMode = GRAPH_HANDLE_NONE;
  const float f = 1.0f + 20 * 0.0001f;
  KeyState[1] = 1;
  g.ToolButton(GRAPH_WORD_SCALE_FIRST);  // x down
  EXPECT_EQ(g.toolMode, GRAPH_SHRINK_X);
  Frame();
  EXPECT_FLOAT_EQ(data.points[3].x, 3.0f / f);
  EXPECT_FLOAT_EQ(data.points[3].y, 1.5f);
  g.ToolButton(GRAPH_WORD_SCALE_FIRST + 1);  // x up
  Frame();
  EXPECT_FLOAT_EQ(data.points[3].x, 3.0f);
  EXPECT_FLOAT_EQ(data.points[3].y, 1.5f);
  g.ToolButton(GRAPH_WORD_SCALE_FIRST + 2);  // y down
  Frame();
  EXPECT_FLOAT_EQ(data.points[3].x, 3.0f);
  EXPECT_FLOAT_EQ(data.points[3].y, 1.5f / f);
  KeyState[1] = 0;
  Frame();
  g.ToolButton(GRAPH_WORD_SCALE_FIRST - 1);
  g.ToolButton(99);
  EXPECT_EQ(g.toolMode, GRAPH_TOOL_NONE);
}

// One button per point at its place, points 0 and 1 in the fixed points' colour (255, 200, 80)
// and the rest in (160, 220, 255); the two handles 32 pixels above and right of the latest
// selected point; the side panel's scale rows and the tool row's selection words only with a
// selection, "select all" only with points and lit when every point is selected.
TEST_F(GraphEditing, PointButtonsHandlesAndToolWordsFollowThePointsAndTheSelection) {
  PointButtonTopLimit = 0;
  CfgBlobSize = 5;
  const intptr_t fixed = 255 << 16 | 200 << 8 | 80, plain = 160 << 16 | 220 << 8 | 255;
  const auto buttons = [](InterfaceHandler handler) {
    std::vector<const InterfaceButton*> found;
    for (int i = 0; i < ButtonCount; ++i)
      if (InterfaceButtons[i].handler == handler) found.push_back(&InterfaceButtons[i]);
    return found;
  };
  const auto draw = [&] {
    Frame();
    g.DrawGraphPoints();
  };
  draw();
  std::vector<const InterfaceButton*> points = buttons(GraphPointButton);
  ASSERT_EQ(points.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    const InterfaceButton& b = *points[size_t(i)];
    EXPECT_EQ(b.word, uintptr_t(i));
    EXPECT_EQ(b.left, Px(data.points[i].x) - 5) << i;
    EXPECT_EQ(b.top, Py(data.points[i].y) - 5) << i;
    EXPECT_EQ(b.third.i, i < 2 ? fixed : plain) << i;
  }
  EXPECT_TRUE(buttons(GraphHandleButton).empty());
  EXPECT_NE(FindShownButton("4 points"), nullptr);
  ASSERT_NE(FindShownButton("select all"), nullptr);
  // The tool row along the foot, six button widths each from the left edge.
  {
    const char* const row[3] = {"4 points", "select all", "new point"};
    for (int i = 0; i < 3; ++i) {
      const InterfaceButton* b = FindShownButton(row[i]);
      ASSERT_NE(b, nullptr) << row[i];
      EXPECT_EQ(b->left, LEFT + 6 * i * ButtonWidth) << row[i];
      EXPECT_EQ(b->right - b->left, 6 * ButtonWidth) << row[i];
      EXPECT_EQ(b->bottom, TOP + HEIGHT) << row[i];
    }
  }
  EXPECT_EQ(FindShownButton("select all")->fourth.i, 0);
  EXPECT_NE(FindShownButton("new point"), nullptr);
  for (const char* word : {"dup point", "clear", "delete", "zero x", "scale w", "scale h"})
    EXPECT_EQ(FindShownButton(word), nullptr) << word;

  g.PointPressed(2, CLICK_LEFT);
  g.handleMode = GRAPH_HANDLE_NONE;
  draw();
  const std::vector<const InterfaceButton*> handles = buttons(GraphHandleButton);
  ASSERT_EQ(handles.size(), 2u);
  const int x = Px(2.0f), y = Py(1.0f);
  EXPECT_EQ(handles[0]->word, uintptr_t(GRAPH_HANDLE_Y));
  EXPECT_EQ(handles[0]->left, x - 5);
  EXPECT_EQ(handles[0]->top, y - 32 - 5);
  EXPECT_EQ(handles[1]->word, uintptr_t(GRAPH_HANDLE_X));
  EXPECT_EQ(handles[1]->left, x + 32 - 5);
  EXPECT_EQ(handles[1]->top, y - 5);
  for (const InterfaceButton* h : handles) {
    EXPECT_EQ(h->third.i, 0xFFFFFF) << "white";
    EXPECT_EQ(h->fourth.i, 0) << "a handle is never lit";
  }
  // Only the selected point's button is lit.
  points = buttons(GraphPointButton);
  ASSERT_EQ(points.size(), 4u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(points[size_t(i)]->fourth.i, i == 2 ? 1 : 0) << i;
  for (const char* word : {"dup point", "clear", "delete", "zero x", "scale w", "scale h"})
    EXPECT_NE(FindShownButton(word), nullptr) << word;
  // Six tools of six button widths pass the graph's right edge: the sixth starts a row above.
  ASSERT_GT(6 * 6 * ButtonWidth, WIDTH);
  for (const char* word : {"4 points", "select all", "new point", "dup point", "clear", "delete", "zero x"}) {
    const InterfaceButton* b = FindShownButton(word);
    ASSERT_NE(b, nullptr) << word;
    EXPECT_LE(b->right, LEFT + WIDTH) << word;
  }
  EXPECT_EQ(FindShownButton("delete")->left, LEFT);
  EXPECT_EQ(FindShownButton("delete")->bottom, TOP + HEIGHT - ButtonHeight);
  for (const char* word : {"new point", "dup point", "clear", "delete", "zero x"})
    EXPECT_EQ(FindShownButton(word)->fourth.i, 0) << word << " is not lit";
  EXPECT_EQ(FindShownButton("select all")->fourth.i, 0);
  g.SelectAll();
  draw();
  EXPECT_EQ(FindShownButton("select all")->fourth.i, 1);
  EXPECT_NE(FindShownButton("dup points"), nullptr);

  GraphData one;
  AppendGraphPoint(one, GraphPoint{1.0f, 1.0f});
  g.data = &one;
  g.ClearSelection();
  draw();
  EXPECT_NE(FindShownButton("1 point"), nullptr);
  EXPECT_NE(FindShownButton("select all"), nullptr) << "a single point can be selected";
  one.Free();
  draw();
  EXPECT_NE(FindShownButton("0 points"), nullptr);
  EXPECT_EQ(FindShownButton("select all"), nullptr) << "no points";
  g.data = &data;
}

// The side panel: eight button widths at the rectangle's right edge, one row under another
// from its top: the magnification (six widths) with "-" and "+" (one each: zoom out, zoom in),
// with a selection a row per axis to scale it, then "snap to grid" across, lit while snapping.
TEST_F(GraphEditing, TheSidePanelStandsAtTheRectanglesRightEdgeRowByRow) {
  g.PointPressed(1, CLICK_LEFT);
  g.handleMode = GRAPH_HANDLE_NONE;
  g.scaleH = 4.0f;
  Frame();
  const int w = ButtonWidth, h = ButtonHeight, x = LEFT + WIDTH - 8 * w;
  struct Want {
    const char* text;
    int left, top, units;
    uintptr_t word;
    bool pressable;
  };
  const Want want[] = {{"zoom 0.25", x, TOP, 6, 0, false},         {"-", x + 6 * w, TOP, 1, 2, true},
                       {"+", x + 7 * w, TOP, 1, 1, true},          {"scale w", x, TOP + h, 6, 0, false},
                       {"-", x + 6 * w, TOP + h, 1, 10, true},     {"+", x + 7 * w, TOP + h, 1, 11, true},
                       {"scale h", x, TOP + 2 * h, 6, 0, false},   {"-", x + 6 * w, TOP + 2 * h, 1, 12, true},
                       {"+", x + 7 * w, TOP + 2 * h, 1, 13, true}, {"snap to grid", x, TOP + 3 * h, 8, 14, true}};
  ASSERT_EQ(ButtonCount, 10);
  char text[64];
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    const InterfaceButton& b = InterfaceButtons[i];
    ASSERT_TRUE(ButtonText(b, text, sizeof text));
    EXPECT_STREQ(text, want[i].text);
    EXPECT_EQ(b.left, want[i].left);
    EXPECT_EQ(b.top, want[i].top);
    EXPECT_EQ(b.right - b.left, want[i].units * w);
    EXPECT_EQ(b.word, want[i].word);
    EXPECT_EQ(b.fourth.i, i == 9 ? 1 : 0) << "only the snap is lit";
    EXPECT_EQ(b.handler == GraphToolButton, want[i].pressable);
  }
  g.ToolButton(GRAPH_WORD_SNAP);
  g.ClearSelection();
  Frame();
  ASSERT_EQ(ButtonCount, 4) << "no selection: no scale rows";
  EXPECT_EQ(InterfaceButtons[3].top, TOP + h);
  EXPECT_EQ(InterfaceButtons[3].fourth.i, 0) << "snap off";
}

// A point that Ctrl took back out of the selection, though it was the latest, is left alone by
// everything the selection does: not lit, not dragged, not scaled, not zeroed, not copied, not
// deleted.  Points 1 (1, 0.5) and 2 (2, 1) are selected, then 2 taken out.
TEST_F(GraphEditing, APointTakenOutWithCtrlIsLeftAloneByEverySelectionAction) {
  g.snap = 0;
  MoveTo(100, 100);
  g.PointPressed(1, CLICK_LEFT);
  g.PointPressed(2, CLICK_LEFT | CLICK_CTRL);
  g.handleMode = GRAPH_HANDLE_NONE;
  g.PointPressed(2, CLICK_LEFT | CLICK_CTRL);
  ASSERT_EQ(g.selectionCount, 1);
  EXPECT_FALSE(g.IsSelected(2));
  Frame();
  g.DrawGraphPoints();
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (b.handler == GraphPointButton) {
      EXPECT_EQ(b.fourth.i, b.word == 1 ? 1 : 0) << "point " << b.word;
    }
  }

  // A drag 80 pixels right: 80 x 5 / 800 = 0.5 in x.
  g.HandlePressed(GRAPH_HANDLE_BOTH);
  KeyState[1] = 1;
  MoveTo(180, 100);
  Frame();
  KeyState[1] = 0;
  Frame();
  EXPECT_FLOAT_EQ(data.points[1].x, 1.5f);
  EXPECT_EQ(data.points[2].x, 2.0f);
  // x held up for one frame of 20 ms: x 1.002 times.
  g.ToolButton(GRAPH_WORD_SCALE_FIRST + 1);
  KeyState[1] = 1;
  Frame();
  KeyState[1] = 0;
  Frame();
  EXPECT_FLOAT_EQ(data.points[1].x, 1.5f * 1.002f);
  EXPECT_EQ(data.points[2].x, 2.0f);
  g.ToolButton(GRAPH_WORD_ZERO_X);
  EXPECT_EQ(data.points[1].x, 0.0f);
  EXPECT_EQ(data.points[2].x, 2.0f);
  // One copy, of point 1, made the selection; then deleting takes the copy only.
  g.ToolButton(GRAPH_WORD_DUPLICATE);
  ASSERT_EQ(data.numPoints, 5);
  EXPECT_EQ(data.points[4].x, 0.0f);
  EXPECT_EQ(data.points[4].y, 0.5f);
  g.ToolButton(GRAPH_WORD_DELETE);
  ASSERT_EQ(data.numPoints, 4);
  EXPECT_EQ(data.points[2].x, 2.0f);
  EXPECT_EQ(data.points[3].x, 3.0f);
}

// With snap on (a 0.1 grid at a range of 5) a drag puts the latest selected point on the grid,
// whether it is alone or the last of several; the others move by as much.
TEST_F(GraphEditing, ASnappedDragPutsTheLatestPointOnTheGridAloneOrLast) {
  ASSERT_EQ(g.snap, 1u);
  data.points[2] = GraphPoint{2.03f, 1.0f};
  MoveTo(100, 100);
  g.PointPressed(2, CLICK_LEFT);
  KeyState[1] = 1;
  MoveTo(116, 100);  // 16 x 5 / 800 = 0.1 right: 2.13, nearest tenth 2.1
  Frame();
  KeyState[1] = 0;
  Frame();
  EXPECT_NEAR(data.points[2].x, 2.1f, 1e-5f);
  EXPECT_NEAR(data.points[2].y, 1.0f, 1e-5f);

  // Point 1 (1, 0.5) first, point 2 (2.03, 1) last: point 2 goes to 2.1 again, point 1 the
  // same 0.07 to 1.07.
  data.points[2] = GraphPoint{2.03f, 1.0f};
  MoveTo(100, 100);
  g.PointPressed(1, CLICK_LEFT);
  g.PointPressed(2, CLICK_LEFT | CLICK_CTRL);
  KeyState[1] = 1;
  MoveTo(116, 100);
  Frame();
  KeyState[1] = 0;
  Frame();
  EXPECT_NEAR(data.points[2].x, 2.1f, 1e-5f);
  EXPECT_NEAR(data.points[1].x, 1.07f, 1e-5f);
  EXPECT_NEAR(data.points[1].y, 0.5f, 1e-5f);
}

// "new point" adds a point at 0, 0 at the end, selects it alone and tells the owner.
TEST_F(GraphEditing, NewPointAddsOneAtTheOriginSelectedAlone) {
  g.PointPressed(1, CLICK_LEFT);
  g.handleMode = GRAPH_HANDLE_NONE;
  g.ToolButton(GRAPH_WORD_NEW);
  ASSERT_EQ(data.numPoints, 5);
  EXPECT_EQ(data.points[4].x, 0.0f);
  EXPECT_EQ(data.points[4].y, 0.0f);
  EXPECT_EQ(data.points[3].x, 3.0f) << "the others stay";
  ASSERT_EQ(g.selectionCount, 1);
  EXPECT_EQ(g.selection[0], 4);
  EXPECT_EQ(g.changes, 1);
}

TEST(RimGraph, FixedPointsAndSurfaceEndsAreKeptAndDeletesRenumberTheSurfaces) {
  WXS rim;
  rim.MakeDefault("rim", 0x808080);
  for (float x : {1.0f, 2.0f, 3.0f, 3.5f}) AppendGraphPoint(rim, GraphPoint{x, 2.0f});
  rim.surfaceCount = 2;
  rim.surfaces = static_cast<RimSurface*>(std::realloc(rim.surfaces, 2 * sizeof(RimSurface)));
  rim.surfaces[0] = {1, 3, 0, 0};
  rim.surfaces[1] = {3, 5, 0, 0};
  GraphWXS g;
  g.rim = &rim;
  g.Init(nullptr, &rim, -0.5f, 1000, 0, 1000, 0x505050);
  EXPECT_EQ(g.CanDeletePoint(0), 0);
  EXPECT_EQ(g.CanDeletePoint(1), 0);
  EXPECT_EQ(g.CanDeletePoint(3), 0);
  EXPECT_EQ(g.CanDeletePoint(2), 1);
  g.SelectAll();
  g.DeleteSelected();
  ASSERT_EQ(rim.numPoints, 4) << "0, 1 and the two surface ends stay";
  EXPECT_EQ(rim.points[2].x, 2.0f);
  EXPECT_EQ(rim.points[3].x, 3.5f);
  EXPECT_EQ(rim.surfaces[0].first, 1u);
  EXPECT_EQ(rim.surfaces[0].second, 2u);
  EXPECT_EQ(rim.surfaces[1].first, 2u);
  EXPECT_EQ(rim.surfaces[1].second, 3u);
  rim.points[0] = GraphPoint{1, 1};
  rim.points[1] = GraphPoint{2, 2};
  g.PointsChanged(0);
  EXPECT_EQ(rim.points[0].x, 0.0f);
  EXPECT_EQ(rim.points[0].y, 4.0f);
  EXPECT_EQ(rim.points[1].x, 4.0f);
  EXPECT_EQ(rim.points[1].y, 4.0f);
  // Without a rim no surface holds a point: only 0 and 1 stay.
  GraphWXS bare;
  EXPECT_EQ(bare.CanDeletePoint(1), 0);
  EXPECT_EQ(bare.CanDeletePoint(2), 1);
  ActiveGraph = nullptr;
}

// The grid as painted on the null device: a vertical line at every metre of a 50 m wide view,
// read back in the order drawn.  Line 0 has a colour of its own, every tenth line another,
// the rest a third.
class GraphPaint : public NullRenderer {
 protected:
  void SetUp() override {
    NullRenderer::SetUp();
    if (Stream2D.batchOpen) DrawPending2DTriangles(0);
    ResetDraw2D();
    SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
  }
  void TearDown() override {
    if (Stream2D.batchOpen) Stream2D.UnlockBuffer();
    Stream2D.batchOpen = 0;
    ResetDraw2D();
  }
};

TEST_F(GraphPaint, TheZeroLineAndEveryTenthLineStandOut) {
  Recording g;
  g.left = 0, g.top = 0, g.width = 800, g.height = 600;
  g.originX = -15.5f, g.scaleW = 50.0f;  // a 1 m step; lines at -15 .. 34 m
  g.originY = 0.25f, g.scaleH = 0.5f;    // no whole metre across: no horizontal line
  g.background = 0x202020;
  const uint32_t draws = Gfx.drawCalls;
  g.PaintGraph();
  EXPECT_EQ(Gfx.drawCalls, draws + 2) << "the background's two triangles, then the lines";
  const int lines = 50;
  const std::vector<uint8_t> bytes = ReadBuffer(Stream2D.vertexBuffer->buffer);
  ASSERT_GE(bytes.size(), size_t(2 * lines) * sizeof(Vertex2D));
  std::vector<uint32_t> colour;  // of the line at metre k, at k + 15
  for (int i = 0; i < lines; ++i) {
    const Vertex2D a = VertexAt<Vertex2D>(bytes, uint32_t(2 * i)), b = VertexAt<Vertex2D>(bytes, uint32_t(2 * i + 1));
    ASSERT_EQ(a.x, b.x) << "vertical, line " << i;
    ASSERT_EQ(a.colour, b.colour);
    colour.push_back(a.colour);
  }
  const auto at = [&](int metre) { return colour[size_t(metre + 15)]; };
  const uint32_t zero = at(0), tenth = at(10), plain = at(1);
  EXPECT_NE(zero, tenth);
  EXPECT_NE(zero, plain);
  EXPECT_NE(tenth, plain);
  for (int k = -15; k <= 34; ++k) {
    const uint32_t expected = k == 0 ? zero : k % 10 == 0 ? tenth : plain;
    EXPECT_EQ(at(k), expected) << k << " m";
  }
  // Each at its metre's pixel, (k + 15.5) x 16, from the top row to the bottom one.
  for (int i = 0; i < lines; ++i) {
    const Vertex2D a = VertexAt<Vertex2D>(bytes, uint32_t(2 * i)), b = VertexAt<Vertex2D>(bytes, uint32_t(2 * i + 1));
    EXPECT_NEAR((a.x + 1.0f) * 400.0f - 0.5f, (float(i - 15) + 15.5f) * 16.0f, 1e-2f) << i;
    EXPECT_NEAR((1.0f - a.y) * 300.0f - 0.5f, 0.0f, 1e-2f) << i;
    EXPECT_NEAR((1.0f - b.y) * 300.0f - 0.5f, 599.0f, 1e-2f) << i;
  }

  // From -0.5 m up 2 m: horizontal lines at 0 and 1 m, at 600 - (k + 0.5) x 300 pixels,
  // across from the left column to the right one, after the vertical lines.
  ResetDraw2D();
  g.originY = -0.5f, g.scaleH = 2.0f;
  g.PaintGraph();
  const std::vector<uint8_t> again = ReadBuffer(Stream2D.vertexBuffer->buffer);
  for (int k = 0; k < 2; ++k) {
    const Vertex2D a = VertexAt<Vertex2D>(again, uint32_t(2 * (lines + k))),
                   b = VertexAt<Vertex2D>(again, uint32_t(2 * (lines + k) + 1));
    EXPECT_EQ(a.y, b.y) << "horizontal, " << k << " m";
    EXPECT_NEAR((1.0f - a.y) * 300.0f - 0.5f, 600.0f - (float(k) + 0.5f) * 300.0f, 1e-2f) << k;
    EXPECT_NEAR((a.x + 1.0f) * 400.0f - 0.5f, 0.0f, 1e-2f) << k;
    EXPECT_NEAR((b.x + 1.0f) * 400.0f - 0.5f, 799.0f, 1e-2f) << k;
    EXPECT_EQ(a.colour, k == 0 ? zero : plain) << k;
  }
  EXPECT_EQ(Stream2D.vertexCount, uint32_t(2 * (lines + 2))) << "two horizontal lines, no more";
}

// The background fills the graph's own rectangle: a graph 600 x 500 pixels at (100, 20), its
// left far from its top, on the 800 x 600 screen.  A view 5 mm across has a 1 cm grid step, and
// from 2.5 mm to 7.5 mm either way it crosses no grid line: none is drawn after the background,
// and the buffer still holds the background's four corners, in
// pixels (x + 1) x 400 and (1 - y) x 300: (100, 20), (700, 20), (700, 520), (100, 520).
TEST_F(GraphPaint, TheBackgroundCoversTheGraphsRectangleInItsOpaqueColour) {
  Recording g;
  g.left = 100, g.top = 20, g.width = 600, g.height = 500;
  g.originX = 0.0025f, g.scaleW = 0.005f;
  g.originY = 0.0025f, g.scaleH = 0.005f;
  g.background = 0x123456;
  g.PaintGraph();
  const std::vector<uint8_t> bytes = ReadBuffer(Stream2D.vertexBuffer->buffer);
  ASSERT_GE(bytes.size(), 4 * sizeof(Vertex2D));
  const float corners[4][2] = {{100.0f, 20.0f}, {700.0f, 20.0f}, {700.0f, 520.0f}, {100.0f, 520.0f}};
  for (uint32_t i = 0; i < 4; ++i) {
    const Vertex2D v = VertexAt<Vertex2D>(bytes, i);
    EXPECT_NEAR((v.x + 1.0f) * 400.0f, corners[i][0], 1e-2f) << "corner " << i;
    EXPECT_NEAR((1.0f - v.y) * 300.0f, corners[i][1], 1e-2f) << "corner " << i;
    EXPECT_EQ(v.colour, 0xFF123456u) << "corner " << i;
  }
}

// A line's two ends in pixels, read back from the clip-space vertices the null device holds
// (the 800 x 600 screen; a line is drawn through its pixels' centres).
struct PixelLine {
  float x0, y0, x1, y1;
  uint32_t colour;
};
std::vector<PixelLine> LinesDrawn(int count) {
  const std::vector<uint8_t> bytes = ReadBuffer(Stream2D.vertexBuffer->buffer);
  std::vector<PixelLine> lines;
  for (int i = 0; i < count && size_t(2 * i + 2) * sizeof(Vertex2D) <= bytes.size(); ++i) {
    const Vertex2D a = VertexAt<Vertex2D>(bytes, uint32_t(2 * i)), b = VertexAt<Vertex2D>(bytes, uint32_t(2 * i + 1));
    lines.push_back(PixelLine{(a.x + 1.0f) * 400.0f - 0.5f, (1.0f - a.y) * 300.0f - 0.5f, (b.x + 1.0f) * 400.0f - 0.5f,
                              (1.0f - b.y) * 300.0f - 0.5f, a.colour});
  }
  return lines;
}

// The handle lines of the latest selected point follow the grid: 32 pixels right of the point
// and 32 pixels up, in white.  A view thousands of grid steps wide draws 2000 lines at most.
TEST_F(GraphPaint, TheHandleLinesRunRightAndUpFromTheLatestPointAfterAtMost2000GridLines) {
  GraphData data;
  AppendGraphPoint(data, GraphPoint{3.0f, 0.3f});
  AppendGraphPoint(data, GraphPoint{0.0f, 0.5f});
  Recording g;
  g.data = &data;
  g.left = 0, g.top = 0, g.width = 800, g.height = 600;
  g.originX = -15.5f, g.scaleW = 50.0f;  // 50 vertical lines, as above
  g.originY = 0.25f, g.scaleH = 0.5f;
  g.selection[0] = 0, g.selection[1] = 1;
  g.selectionCount = 2;
  g.PaintGraph();
  // Point 1 at x (0 + 15.5) x 800 / 50 = 248, y 600 - (0.5 - 0.25) x 600 / 0.5 = 300.
  std::vector<PixelLine> lines = LinesDrawn(52);
  ASSERT_EQ(lines.size(), 52u);
  const PixelLine right = lines[50], up = lines[51];
  EXPECT_EQ(right.colour, 0xFFFFFFFFu);
  EXPECT_EQ(up.colour, 0xFFFFFFFFu);
  EXPECT_NEAR(right.x0, 248.0f, 1e-3f);
  EXPECT_NEAR(right.y0, 300.0f, 1e-3f);
  EXPECT_NEAR(right.x1, 280.0f, 1e-3f);
  EXPECT_NEAR(right.y1, 300.0f, 1e-3f);
  EXPECT_NEAR(up.x0, 248.0f, 1e-3f);
  EXPECT_NEAR(up.y0, 300.0f, 1e-3f);
  EXPECT_NEAR(up.x1, 248.0f, 1e-3f);
  EXPECT_NEAR(up.y1, 268.0f, 1e-3f);

  // A step of 10 over a million: 2000 vertical lines, then the handles.
  ResetDraw2D();
  g.scaleW = 1.0e6f;
  g.PaintGraph();
  lines = LinesDrawn(2002);
  ASSERT_EQ(lines.size(), 2002u);
  EXPECT_EQ(lines[1999].x0, lines[1999].x1) << "the 2000th line is a grid line";
  EXPECT_NE(lines[1999].y0, lines[1999].y1);
  EXPECT_EQ(lines[2000].colour, 0xFFFFFFFFu);
  EXPECT_NEAR(lines[2000].y0, lines[2000].y1, 1e-3f) << "the first handle line";
  EXPECT_NEAR(lines[2000].x1 - lines[2000].x0, 32.0f, 1e-3f);
  // The same for a view a million tall: 2000 horizontal lines after the 50 vertical ones.
  ResetDraw2D();
  g.scaleW = 50.0f;
  g.scaleH = 1.0e6f;
  g.PaintGraph();
  lines = LinesDrawn(2052);
  ASSERT_EQ(lines.size(), 2052u);
  EXPECT_EQ(lines[2049].y0, lines[2049].y1) << "the 2000th horizontal line";
  EXPECT_NE(lines[2049].x0, lines[2049].x1);
  EXPECT_EQ(lines[2050].colour, 0xFFFFFFFFu) << "then the handles";
  EXPECT_NEAR(lines[2050].x1 - lines[2050].x0, 32.0f, 1e-3f);

  // One selected point has its handles too: point 0 at x (3 + 15.5) x 16 = 296, y 600 - (0.3
  // - 0.25) x 1200 = 540.
  ResetDraw2D();
  g.scaleH = 0.5f;
  g.selectionCount = 1;
  g.PaintGraph();
  lines = LinesDrawn(52);
  ASSERT_EQ(lines.size(), 52u);
  EXPECT_NEAR(lines[50].x0, 296.0f, 1e-3f);
  EXPECT_NEAR(lines[50].y0, 540.0f, 1e-3f);
  EXPECT_NEAR(lines[51].y1, 508.0f, 1e-3f);
  // A user's mode word (the rim editor's surface mode) draws the grid and no handles.
  ResetDraw2D();
  g.mode = 1;
  g.PaintGraph();
  EXPECT_EQ(Stream2D.vertexCount, 100u);
  data.Free();
}

// The rim editor's drawing, on its own line batch: each surface as a line cut to the graph's
// rectangle, then a tick from its middle a quarter turn from its way, 20 pixels long or as
// long as the surface when shorter.  A surface touching the rectangle's edge is drawn, one
// naming a point that does not exist is not.
TEST_F(GraphPaint, TheRimEditorDrawsEachSurfaceCutToTheGraphWithItsTick) {
  WXS rim;
  // Pixels: x 100 per unit from the left, y 100 per unit up from the foot (600).
  for (GraphPoint p : {GraphPoint{1, 5}, GraphPoint{5, 5}, GraphPoint{6, 3}, GraphPoint{6, 2.9f}, GraphPoint{-1, 1},
                       GraphPoint{2, 1}, GraphPoint{7, 6}, GraphPoint{7.5f, 6}, GraphPoint{8.5f, 2}, GraphPoint{7.99f, 2},
                       GraphPoint{7, 4}, GraphPoint{9, 4}})
    AppendGraphPoint(rim, p);
  rim.surfaceCount = 7;
  rim.surfaces = static_cast<RimSurface*>(std::calloc(7, sizeof(RimSurface)));
  rim.surfaces[0] = {1, 0, 0, 0};   // (500,100) leftwards to (100,100): ticks up
  rim.surfaces[1] = {2, 3, 0, 0};   // (600,300) down 10 pixels: a tick of 10 to the left
  rim.surfaces[2] = {4, 5, 0, 0};   // (-100,500) to (200,500): cut at x 0, ticks down
  rim.surfaces[3] = {6, 7, 0, 0};   // along the top row, y 0
  rim.surfaces[4] = {12, 1, 0, 0};  // no point 12
  rim.surfaces[5] = {8, 9, 0, 0};   // (850,400) to the last column, 799: one pixel of it
  rim.surfaces[6] = {10, 11, 0, 0};  // (700,200) to (900,200): cut at x 799, its tick outside
  RimScreen s{};
  s.graph.rim = &rim;
  s.graph.data = &rim;
  s.graph.left = 0, s.graph.top = 0, s.graph.width = 800, s.graph.height = 600;
  s.graph.originX = 0, s.graph.originY = 0, s.graph.scaleW = 8, s.graph.scaleH = 6;
  FrameSkipped = 0;
  DrawRimEditor(&s);
  const PixelLine want[] = {{500, 100, 100, 100, 0}, {300, 100, 300, 80, 0}, {600, 300, 600, 310, 0},
                            {600, 305, 590, 305, 0}, {0, 500, 200, 500, 0},   {50, 500, 50, 520, 0},
                            {700, 0, 750, 0, 0},     {725, 0, 725, 20, 0},    {799, 400, 799, 400, 0},
                            {700, 200, 799, 200, 0}};
  const std::vector<PixelLine> lines = LinesDrawn(11);
  ASSERT_GE(lines.size(), 10u);
  for (size_t i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(lines[i].colour, 0xFFFFFFFFu);
    EXPECT_NEAR(lines[i].x0, want[i].x0, 1e-2f);
    EXPECT_NEAR(lines[i].y0, want[i].y0, 1e-2f);
    EXPECT_NEAR(lines[i].x1, want[i].x1, 1e-2f);
    EXPECT_NEAR(lines[i].y1, want[i].y1, 1e-2f);
  }
  EXPECT_EQ(Stream2D.vertexCount, 20u) << "nothing more: the ticks of the last two surfaces lie outside";
}

int HookCalls;
void* HookArgument;
void CountingHook(void* argument) {
  ++HookCalls;
  HookArgument = argument;
}

// The rim editor's picture over a car: first the screen underneath (the hook the editor took
// over, with its argument), then the car's front tyre section in green, then the rim's surfaces
// in white.  The front tyre: a 205 mm section at 55 % on a rim of 203.2 mm radius, 177.8 mm
// wide, 5 mm deep inside: rolling radius 0.31595 m, inner radius 0.1982 m.  The view from
// (-1, 0), 10 units each way over 800 x 600 pixels: 80 pixels a unit across, 60 up.  The
// tread's top at 4 x 0.31595 / 0.1982 = 6.3764 units, pixel 600 - 382.6 = 217; the side walls
// at 2 +- 0.1025 x 2 / (0.0889 + 0.005) = 2 +- 2.1832 units, pixels 65 and 415.  A skipped
// frame shows the screen underneath only.
TEST_F(GraphPaint, TheRimEditorDrawsTheScreenUnderneathThenTheCarsTyreThenTheSurfaces) {
  auto car = std::make_unique<Car>();
  FitSampleFrontTyre(*car);
  WXS rim;
  rim.MakeDefault("rim", 0x808080);  // points (0, 4) and (4, 4), one surface from 1 to 0
  RimScreen s{};
  s.graph.rim = &rim;
  s.graph.data = &rim;
  s.graph.car = car.get();
  s.graph.left = 0, s.graph.top = 0, s.graph.width = 800, s.graph.height = 600;
  s.graph.originX = -1, s.graph.originY = 0, s.graph.scaleW = 10, s.graph.scaleH = 10;
  s.savedHook = CountingHook;
  int underneath = 0;
  s.savedHookArgument = &underneath;
  HookCalls = 0;
  FrameSkipped = 0;
  DrawRimEditor(&s);
  EXPECT_EQ(HookCalls, 1);
  EXPECT_EQ(HookArgument, &underneath);
  const std::vector<PixelLine> lines = LinesDrawn(int(Stream2D.vertexCount / 2));
  ASSERT_EQ(lines.size() * 2, size_t(Stream2D.vertexCount));
  size_t green = 0;
  while (green < lines.size() && lines[green].colour == 0xFF40E040u) ++green;
  ASSERT_GT(green, 2u) << "the tyre's lines come first";
  ASSERT_EQ(lines.size(), green + 2) << "then the surface and its tick, nothing else";
  float top = 1e9f, leftmost = 1e9f, rightmost = -1e9f;
  for (size_t i = 0; i < green; ++i) {
    top = std::min({top, lines[i].y0, lines[i].y1});
    leftmost = std::min({leftmost, lines[i].x0, lines[i].x1});
    rightmost = std::max({rightmost, lines[i].x0, lines[i].x1});
  }
  EXPECT_NEAR(top, 217.0f, 1e-2f);
  EXPECT_NEAR(leftmost, 65.0f, 1e-2f);
  EXPECT_NEAR(rightmost, 415.0f, 1e-2f);
  // The surface from (4, 4) to (0, 4): pixels (400, 360) to (80, 360), white.
  EXPECT_EQ(lines[green].colour, 0xFFFFFFFFu);
  EXPECT_NEAR(lines[green].x0, 400.0f, 1e-2f);
  EXPECT_NEAR(lines[green].x1, 80.0f, 1e-2f);
  EXPECT_NEAR(lines[green].y0, 360.0f, 1e-2f);

  ResetDraw2D();
  const uint32_t draws = Gfx.drawCalls;
  FrameSkipped = 1;
  DrawRimEditor(&s);
  FrameSkipped = 0;
  EXPECT_EQ(HookCalls, 2);
  EXPECT_EQ(Gfx.drawCalls, draws) << "nothing of the editor's own";
}

}  // namespace
