// vehicle_editor_views_test.cpp - the editor's lines over the car on the sample "Runabout",
// drawn on the null device so that they reach the 3D line stream: the wheels' pivot lines;
// and the car as the modeller shows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "core/window_state.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "render/buffers.h"
#include "render/env_maps.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/texture_record.h"
#include "tests/render/null_renderer.h"
#include "text/text_colours.h"
#include "tests/vehicle_editor/editor_fixture.h"
#include "ui/interface.h"
#include "vehicle/car_drawing.h"
#include "vehicle_editor/vehicle_editor.h"

namespace {

constexpr int TAB_SUSPENSION = 3;  // a tab whose page shows the wheel lines

class EditorViews : public OnNullDevice<EditorTest> {};

}  // namespace

// The frame's points are read from the file as raw 16.16 values with no range check, so a
// lower pivot 32500 m out loads. Its line starts at the editor's largest drawn coordinate,
// 32000 m either way, not at the point itself; the wheel's centre end is untouched.
TEST_F(EditorViews, AWheelLineFromAPivotPastTheLargestDrawnCoordinateStartsAtIt) {
  ASSERT_TRUE(NullDevice::ready_);
  Car& c = car();
  ASSERT_GE(c.wheelCount, 1);
  c.wheels[0].lowerPivot = {32500.0f, 0.0f, -32500.0f};
  c.wheels[0].centre = {1.0f, 0.25f, -0.5f};
  MatrixIdentity(c.drawTransform.rotation);
  c.drawTransform.translation = IntVector{};
  e->subEditor = 0;
  e->diagramFlags = 0;
  e->selection.openTab = TAB_SUSPENSION;
  ASSERT_EQ(BeginLineBatch3D(), 1);
  VehicleEditor::DrawMarks(*e);
  // Two lines per wheel, the first wheel's lower pivot line first.
  ASSERT_GE(StreamLines3D.vertexCount, 4u);
  const VertexLine3D* v =
      reinterpret_cast<const VertexLine3D*>(StreamLines3D.vertexWrite) - StreamLines3D.vertexCount;
  EXPECT_FLOAT_EQ(v[0].x, 32000.0f);
  EXPECT_FLOAT_EQ(v[0].y, 0.0f);
  EXPECT_FLOAT_EQ(v[0].z, -32000.0f);
  EXPECT_FLOAT_EQ(v[1].x, 1.0f);
  EXPECT_FLOAT_EQ(v[1].y, 0.25f);
  EXPECT_FLOAT_EQ(v[1].z, -0.5f);
  EndLineBatch3D();
}

// Every wheel gives exactly two lines, in wheel order: lower pivot to centre in light green,
// then the strut top (the lower pivot moved by the mount's x and z) to centre in light orange.
// A wheel count past the most a car holds draws the most; a count of none draws nothing.
TEST_F(EditorViews, EachWheelDrawsItsPivotLineThenItsStrutLineAndNoOtherWheel) {
  ASSERT_TRUE(NullDevice::ready_);
  Car& c = car();
  MatrixIdentity(c.drawTransform.rotation);
  c.drawTransform.translation = IntVector{};
  e->subEditor = 0;
  e->diagramFlags = 0;
  e->selection.openTab = TAB_SUSPENSION;
  for (int i = 0; i < CAR_MAX_WHEELS; ++i) {
    const float k = float(i + 1);
    c.wheels[i].lowerPivot = {k, 0.5f, -k};
    c.wheels[i].mountDx = 0.25f;
    c.wheels[i].mountDz = -0.75f;
    c.wheels[i].centre = {k * 2.0f, 0.125f, k * 4.0f};
  }
  SetDefaultTextColours();  // as the program's start-up does
  const uint32_t green = 0xFF000000u | TextColours.lightGreen, orange = 0xFF000000u | TextColours.lightOrange;
  ASSERT_NE(green, orange);
  const auto vertices = [&](int count) {
    c.wheelCount = count;
    EXPECT_EQ(BeginLineBatch3D(), 1);
    VehicleEditor::DrawMarks(*e);
    std::vector<VertexLine3D> drawn(StreamLines3D.vertexCount);
    if (!drawn.empty())
      std::memcpy(drawn.data(), reinterpret_cast<const VertexLine3D*>(StreamLines3D.vertexWrite) - drawn.size(),
                  drawn.size() * sizeof(VertexLine3D));
    EndLineBatch3D();
    return drawn;
  };
  for (const int count : {0, 1, 2, CAR_MAX_WHEELS, CAR_MAX_WHEELS + 1}) {
    SCOPED_TRACE(count);
    const int shown = std::min(count, CAR_MAX_WHEELS);
    const std::vector<VertexLine3D> v = vertices(count);
    ASSERT_EQ(v.size(), size_t(4 * shown));  // two lines of two ends a wheel
    for (int i = 0; i < shown; ++i) {
      const float k = float(i + 1);
      const VertexLine3D* w = &v[size_t(4 * i)];
      EXPECT_FLOAT_EQ(w[0].x, k);  // the lower pivot
      EXPECT_FLOAT_EQ(w[0].y, 0.5f);
      EXPECT_FLOAT_EQ(w[0].z, -k);
      EXPECT_FLOAT_EQ(w[2].x, k + 0.25f);  // the strut top: pivot x + 0.25, pivot z - 0.75
      EXPECT_FLOAT_EQ(w[2].y, 0.5f);
      EXPECT_FLOAT_EQ(w[2].z, -k - 0.75f);
      for (const int end : {1, 3}) {  // both lines end at the wheel's centre
        EXPECT_FLOAT_EQ(w[end].x, 2.0f * k);
        EXPECT_FLOAT_EQ(w[end].y, 0.125f);
        EXPECT_FLOAT_EQ(w[end].z, 4.0f * k);
      }
      EXPECT_EQ(w[0].colour, green);
      EXPECT_EQ(w[1].colour, green);
      EXPECT_EQ(w[2].colour, orange);
      EXPECT_EQ(w[3].colour, orange);
    }
  }
}

// The car shown in the modeller is lit with the sky's shine: with the environment already drawn,
// the scene takes the current hard and soft shine textures for the car, not the plain black (or
// nothing) that a car drawn without a fresh sky keeps.
TEST_F(EditorViews, TheCarInTheModellerTakesTheSkyShineTextures) {
  ASSERT_TRUE(NullDevice::ready_);
  ASSERT_EQ(CurrentVehicleEditor, e);
  const int savedSkipped = FrameSkipped;
  const uint8_t savedSub = e->subEditor;
  const uint32_t savedShow = ObjectEditorShared.showVehicle;
  const EnvironmentTextures savedEnvironment = Environment;
  ZKTETexture* const savedShine[2] = {ShineTextures[0], ShineTextures[1]};

  ZKTETexture hard{}, soft{};
  ShineTextures[0] = &hard;
  ShineTextures[1] = &soft;
  Environment.state = ENVIRONMENT_DRAWN;  // nothing left to make or draw this frame
  FrameSkipped = 0;
  e->subEditor = SUB_MODELLER;
  e->spokeInEditor = 0;
  ObjectEditorShared.showVehicle = 1;
  VehicleEditor::DrawScene();
  EXPECT_EQ(DrawingOf(car()).environment[0], &hard);
  EXPECT_EQ(DrawingOf(car()).environment[1], &soft);
  // The car's drawing gives the shine back as it found it.
  EXPECT_EQ(ShineTextures[0], &hard);
  EXPECT_EQ(ShineTextures[1], &soft);

  DrawingOf(car()).environment[0] = DrawingOf(car()).environment[1] = nullptr;  // the textures above go
  ShineTextures[0] = savedShine[0];
  ShineTextures[1] = savedShine[1];
  Environment = savedEnvironment;
  ObjectEditorShared.showVehicle = savedShow;
  e->subEditor = savedSub;
  FrameSkipped = savedSkipped;
}

// The wheel lines belong to the suspension page (tab 3) and the wheels page (tab 6) alone:
// two lines a wheel there, none on any other tab or with no page open; none either while a
// diagram, a sub-screen or a sub-editor covers the car.
TEST_F(EditorViews, TheWheelLinesShowOnTheSuspensionAndWheelsPagesOnly) {
  ASSERT_TRUE(NullDevice::ready_);
  Car& c = car();
  ASSERT_GE(c.wheelCount, 1);
  e->subEditor = 0;
  e->diagramFlags = 0;
  const auto linesDrawn = [&](int tab) {
    e->selection.openTab = tab;
    EXPECT_EQ(BeginLineBatch3D(), 1);
    const uint32_t before = StreamLines3D.vertexCount;
    VehicleEditor::DrawMarks(*e);
    const uint32_t drawn = (StreamLines3D.vertexCount - before) / 2;
    EndLineBatch3D();
    return int(drawn);
  };
  const int two = 2 * c.wheelCount;
  EXPECT_EQ(linesDrawn(3), two);
  EXPECT_EQ(linesDrawn(6), two);
  for (int tab : {-1, 0, 1, 2, 4, 5, 7, 8, 11}) EXPECT_EQ(linesDrawn(tab), 0) << tab;
  e->diagramFlags = 1;
  EXPECT_EQ(linesDrawn(3), 0) << "a diagram covers the car";
  e->diagramFlags = 0;
  e->subEditor = SUB_MODELLER;
  EXPECT_EQ(linesDrawn(3), 0) << "the modeller has the view";
  e->subEditor = 0;
  EXPECT_EQ(linesDrawn(6), two);
}

// Special draw hides the body, its sub-objects and the wheels' pieces (bits 0, 2 and 3) and
// keeps every other part; without it every part is drawn.
TEST_F(EditorViews, SpecialDrawHidesTheBodySubObjectsAndWheelPiecesOnly) {
  const uint8_t special = SpecialDraw;
  SpecialDraw = 0;
  EXPECT_EQ(VehicleEditor::CarGraphicsOptions(), 0xFFFFFFFFu);
  SpecialDraw = 1;
  EXPECT_EQ(VehicleEditor::CarGraphicsOptions(), ~0xDu);
  SpecialDraw = special;
}

// A drag far past anything a coordinate holds: the handle's step count is held to the largest
// 32-bit step, 2^31 - 1, so the point moves that far forward (wrapping as a 16.16 value
// does) and not the other way.  The third handle (z) drags like the others.
TEST_F(EditorViews, AMouseDragPastTheLargestStepMovesThePointTheLargestStepForward) {
  ASSERT_GE(car().framePointCount, 3);
  VehicleEditor::SelectPoint(e, 0, 2);
  const FramePoint start = car().framePoints[2];
  e->axisDirections[1][0] = 0.001f, e->axisDirections[1][1] = 0.0f;  // a handle a thousandth of a pixel
  e->dragScale = 2147483647;
  MouseX = 100, MouseY = 100;
  VehicleEditor::StartPointDrag(e, 0, 1);
  MouseRecord m{};
  m.leftHeld = 1;
  MouseX = 101;  // a pixel along it: about 2 * 10^12 steps
  VehicleEditor::PointDragMouse(*e, m);
  const uint32_t expected = uint32_t(start.y) + 0x7FFFFFFFu;
  EXPECT_EQ(uint32_t(car().framePoints[2].y), expected);
  EXPECT_EQ(car().framePoints[2].x, start.x);
  VehicleEditor::CancelPointDrag(*e);
  // The third handle (z) drags alike: a pixel along a 1-pixel handle is one step of the scale.
  e->axisDirections[2][0] = 0.0f, e->axisDirections[2][1] = -1.0f;
  e->dragScale = 65536;
  MouseX = 100, MouseY = 100;
  VehicleEditor::StartPointDrag(e, 0, 2);
  MouseY = 99;
  VehicleEditor::PointDragMouse(*e, m);
  EXPECT_EQ(car().framePoints[2].z, start.z + 65536);
  VehicleEditor::CancelPointDrag(*e);
}

// With special draw and the frame shown, the selected point gets its axis handles, the
// frame's first point included, and a drag takes their directions and length from them; a
// selection one past the points draws none.
TEST_F(EditorViews, TheSelectedPointsHandlesGiveTheDragItsScaleTheFirstPointIncluded) {
  ASSERT_TRUE(NullDevice::ready_);
  Car& c = car();
  ASSERT_GE(c.framePointCount, 1);
  MatrixIdentity(c.drawTransform.rotation);
  c.drawTransform.translation = IntVector{};
  const uint8_t special = SpecialDraw;
  SpecialDraw = 1;
  // A side view 8 m across of its own, whatever view an earlier test left.
  SelectEditView(VIEW_RIGHT);
  const int32_t width = EditViews.width;
  EditViews.width = 8 << 16;
  SetEditViewProjection(0);
  e->displayFlags |= SHOW_FRAME;
  e->subEditor = 0;
  e->diagramFlags = 0;
  e->dragAxis = -1;
  e->selection.selectedPoint = c.framePointCount;
  e->dragScale = 0;
  VehicleEditor::DrawMarks(*e);
  EXPECT_EQ(e->dragScale, 0) << "no point, no handles";
  e->selection.selectedPoint = 0;
  VehicleEditor::DrawMarks(*e);
  EXPECT_GT(e->dragScale, 0) << "the first point's handles";
  // A row placed later over a handle's label moves the label to the nearest clear place beside
  // it, off the row and the other handles; the handles a row leaves clear stay.
  const int handles = e->handleButtons[1] - e->handleButtons[0];
  ASSERT_GE(handles, 2) << "the two axes across the view";
  std::vector<InterfaceButton> before(InterfaceButtons + e->handleButtons[0], InterfaceButtons + e->handleButtons[1]);
  const InterfaceButton& covered = before[0];
  const int firstRow = ButtonCount;
  AddButton(nullptr, covered.left - 1, covered.top + 2, covered.right + 1, covered.bottom + 2, 0, IvText("row"),
            IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr, nullptr, nullptr);
  VehicleEditor::KeepMarksClearOfRows(*e, firstRow, ValueControlCount);
  for (int k = 0; k < handles; ++k) {
    const InterfaceButton& h = InterfaceButtons[e->handleButtons[0] + k];
    EXPECT_FALSE(MeetsRows(float(h.left), float(h.top), float(h.right), float(h.bottom), e->handleButtons[0],
                           ValueControlCount, e->handleButtons[0] + k))
        << "handle " << k << " clear";
    EXPECT_EQ(h.right - h.left, before[k].right - before[k].left);
    if (k > 0) {
      EXPECT_TRUE(h.left == before[k].left && h.top == before[k].top) << "handle " << k << " stays";
    }
  }
  const InterfaceButton& moved = InterfaceButtons[e->handleButtons[0]];
  EXPECT_LE(std::abs(moved.top - covered.top) + std::abs(moved.left - covered.left), 2 * ButtonHeight)
      << "beside its place";
  // A drag under way along the first handle (axis 0) keeps the directions it started with.
  e->dragAxis = 0;
  e->dragScale = 0;
  VehicleEditor::DrawMarks(*e);
  EXPECT_EQ(e->dragScale, 0);
  e->dragAxis = -1;
  SpecialDraw = special;
  EditViews.width = width;
  SelectEditView(VIEW_PERSPECTIVE);
}
