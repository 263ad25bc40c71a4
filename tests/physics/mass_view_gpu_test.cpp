// mass_view_gpu_test.cpp - the mass view of sample cars drawn on a real GL context from
// above: at the pixel where each box's centre lands, the box's colour shows, for every box
// whose top no other box covers there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/gamma_tables.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/texture_record.h"
#include "render/views.h"
#include "tests/gpu_device.h"
#include "tests/physics/car_test_util.h"
#include "tests/platform/skip_outside_ci.h"

namespace {

constexpr int SIZE = 192;  // pixels of the picture
constexpr float PIXELS_PER_METRE = 32;
constexpr uint32_t CLEAR = 0xFF102030u;
constexpr double EDGE = 2.5 / PIXELS_PER_METRE;  // m kept clear of another box's edge

// The picture column and row of a point seen from above.
int Column(double x) { return int(std::floor(SIZE / 2 + x * PIXELS_PER_METRE)); }
int Row(double y) { return int(std::floor(SIZE / 2 - y * PIXELS_PER_METRE)); }

bool Drawn(const MassBox& b) {
  return FixedFromMetres(b.halfSize.x) != 0 || FixedFromMetres(b.halfSize.y) != 0 || FixedFromMetres(b.halfSize.z) != 0;
}

// Whether the top of box b shows at its centre: no other drawn box reaches there as high.
bool TopShows(const std::vector<MassBox>& boxes, size_t b) {
  const MassBox& box = boxes[b];
  if (box.halfSize.x * PIXELS_PER_METRE < 1.5f || box.halfSize.y * PIXELS_PER_METRE < 1.5f) return false;
  const double top = box.centre.z + box.halfSize.z;
  for (size_t a = 0; a < boxes.size(); ++a) {
    const MassBox& other = boxes[a];
    if (a == b || !Drawn(other)) continue;
    const bool over = std::fabs(box.centre.x - other.centre.x) < other.halfSize.x + EDGE &&
                      std::fabs(box.centre.y - other.centre.y) < other.halfSize.y + EDGE;
    if (over && other.centre.z + other.halfSize.z >= top - 1e-4) return false;
  }
  return true;
}

class MassView : public CarTest {
 protected:
  static void SetUpTestSuite() {
    CarTest::SetUpTestSuite();
    ready_ = StartTestDevice(SIZE, SIZE);
  }
  static void TearDownTestSuite() { StopTestDevice(); }

  ZKTETexture target{};

  void SetUp() override {
    if (!ready_) ZKT_SKIP_OUTSIDE_CI() << "no device";
    ASSERT_TRUE(MakeTestTarget(target, SIZE, SIZE, true));
    ASSERT_EQ(SetRenderTexture(&target, 0, 0, 0), 1);
    SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
    LookFromAbove();
    LightingMode = 4;  // colours as they are
    DrawOpaqueBothFaces();
  }
  void TearDown() override {
    if (!ready_) return;
    FreeAllMaterials();
    ReleaseTestTarget(target);
    ResetTestMatrices();
    RenderStates.pendingDepth = 0;
    RenderStates.pendingRaster = 0;
    LightingMode = 0;
  }

  // From 20 m above looking down: world x to the right of the picture, y up it.
  static void LookFromAbove() {
    const float rows[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, -1}};
    const float eye[3] = {0, 0, 20};
    LookOrthographic(rows, eye, SIZE / PIXELS_PER_METRE);
  }

  std::vector<uint8_t> Pixels() { return ReadTargetPixels(target); }
  static uint32_t At(const std::vector<uint8_t>& p, int x, int y) { return PixelArgb(p, SIZE, x, y); }

  static bool ready_;
};
bool MassView::ready_ = false;

void ExpectNear(uint32_t got, uint32_t want, const std::string& what) {
  for (int shift = 0; shift < 32; shift += 8)
    EXPECT_NEAR(int(got >> shift & 0xFF), int(want >> shift & 0xFF), 1)
        << what << std::hex << " got " << got << " want " << want;
}

}  // namespace

TEST_F(MassView, EachBoxShowsItsColourWhereItsCentreLands) {
  for (int row : {0, 11, 20}) {  // a road car with its people, an open-wheeler, the kart
    SCOPED_TRACE(row);
    Car car;
    MakeSampleCar(row, car);
    car.currentSetup.bytes[SETUP_PASSENGERS] = 0x55;
    MatrixIdentity(car.drawTransform.rotation);
    car.drawTransform.translation = {0, 0, 0};
    const std::vector<MassBox> boxes = WalkBoxes(car, car.wheelCount);
    Clear(CLEAR, 3);
    car.BuildFrameGeometry(MASS_DRAW, car.wheelCount);
    const std::vector<uint8_t> p = Pixels();
    int checked = 0;
    for (size_t b = 0; b < boxes.size(); ++b) {
      if (!Drawn(boxes[b]) || !TopShows(boxes, b)) continue;
      const ColourWord c = boxes[b].colour;
      const uint32_t want = ColourFromBytes(int(ColourRed(c)), int(ColourGreen(c)), int(ColourBlue(c)));
      ExpectNear(At(p, Column(boxes[b].centre.x), Row(boxes[b].centre.y)), want, "box " + std::to_string(b));
      ++checked;
    }
    EXPECT_GE(checked, 4) << "the view shows several boxes' tops";
    EXPECT_EQ(At(p, 1, 1), CLEAR) << "nothing beyond the car";
  }
}

TEST_F(MassView, AnEmptyBoxIsNotDrawnAndTheTransformPlacesTheCar) {
  Car car;
  MakeBareCar(car);
  car.smallBatteryMass = 0.0f;  // an empty box
  MatrixIdentity(car.drawTransform.rotation);
  car.drawTransform.translation = {0, 0, 0};
  Clear(CLEAR, 3);
  car.BuildFrameGeometry(MASS_DRAW, 0);
  std::vector<uint8_t> p = Pixels();
  for (int y = 0; y < SIZE; y += 7)
    for (int x = 0; x < SIZE; x += 7) ASSERT_EQ(At(p, x, y), CLEAR) << x << " " << y;

  // A 20 kg battery at (0.5, 0, 0), the car moved 1 m along -x and turned a quarter about z:
  // the battery lands at (-1, 0.5).
  car.smallBatteryMass = 20.0f;
  car.smallBatteryPosition = {0.5f, 0.0f, 0.0f};
  car.drawTransform.rotation = FixedMatrix{{0, -FIXED_ONE, 0, FIXED_ONE, 0, 0, 0, 0, FIXED_ONE}};
  car.drawTransform.translation = {-FIXED_ONE, 0, 0};
  Clear(CLEAR, 3);
  car.BuildFrameGeometry(MASS_DRAW, 0);
  p = Pixels();
  const ColourWord c = TextColours.orange;
  ExpectNear(At(p, Column(-1.0), Row(0.5)), ColourFromBytes(int(ColourRed(c)), int(ColourGreen(c)), int(ColourBlue(c))),
             "the battery");
  EXPECT_EQ(At(p, Column(0.5), Row(0.0)), CLEAR);
}
