// vehicle_editor_views_test.cpp - the editor's lines over the car on the sample "Runabout",
// drawn on the null device so that they reach the 3D line stream: the wheels' pivot lines.
#include <gtest/gtest.h>

#include "core/fixed_math.h"
#include "render/buffers.h"
#include "render/immediate.h"
#include "tests/render/null_renderer.h"
#include "tests/vehicle_editor/editor_fixture.h"

namespace {

constexpr int TAB_SUSPENSION = 3;  // a tab whose page shows the wheel lines

struct NullDevice : NullRenderer {
  using NullRenderer::ready_;
  using NullRenderer::SetUpTestSuite;
  using NullRenderer::TearDownTestSuite;
};

class EditorViews : public EditorTest {
 protected:
  static void SetUpTestSuite() { NullDevice::SetUpTestSuite(); }
  static void TearDownTestSuite() { NullDevice::TearDownTestSuite(); }
};

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
