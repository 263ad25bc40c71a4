// graph_test.cpp - the point graph editor driven as the frame loop drives it: the mouse
// position, the held buttons and the frame time are set, then the graph's frame runs.
// Positions are checked against the test's own pixel-to-graph arithmetic.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/frame_globals.h"
#include "core/window_state.h"
#include "render/buffers.h"
#include "render/draw2d.h"
#include "render/immediate.h"
#include "render/render_target.h"
#include "rim/graph.h"
#include "rim/rim_file.h"
#include "tests/render/null_renderer.h"
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
  other.Init(nullptr, &wide, 0, 100, 0, 100, 0);
  EXPECT_FLOAT_EQ(other.scaleW, 1.0f) << "no points: range 1";
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
}

TEST_F(GraphEditing, HeldZoomAndScaleActByTheFrameTimeAndStopOnRelease) {
  const float w = g.scaleW, h = g.scaleH;
  g.ToolButton(GRAPH_ZOOM_OUT);
  KeyState[1] = 1;
  FrameTime = 40;
  Frame();
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
  g.ToolButton(GRAPH_WORD_DUPLICATE);
  EXPECT_EQ(data.numPoints, 6) << "six more would pass eight";
  g.ClearSelection();
  g.PointPressed(0, CLICK_LEFT);
  g.PointPressed(1, CLICK_LEFT | CLICK_CTRL);
  g.handleMode = GRAPH_HANDLE_NONE;
  g.ToolButton(GRAPH_WORD_DUPLICATE);
  ASSERT_EQ(data.numPoints, 8);
  EXPECT_EQ(data.points[6].x, data.points[0].x);
  EXPECT_EQ(g.selection[0], 6);
  EXPECT_EQ(g.selection[1], 7);
  g.ToolButton(GRAPH_WORD_NEW);
  g.GraphKey('P');
  EXPECT_EQ(data.numPoints, 8) << "new point refused at the limit";
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
  g.refused.clear();
  g.SelectAll();
  g.ToolButton(GRAPH_WORD_DELETE);
  EXPECT_EQ(data.numPoints, 0);
  EXPECT_EQ(data.points, nullptr);
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
  g.PaintGraph();
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
}

}  // namespace
