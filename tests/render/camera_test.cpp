// camera_test.cpp - the camera's pick point and the mouse control: the plane under the
// pointer, free look, the double press, the wheel, dragging on the pick plane and turning
// about the picked point.
#include <gtest/gtest.h>

#include <cmath>

#include "core/config.h"
#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "core/window_state.h"
#include "render/views.h"
#include "render/vr.h"

namespace {

constexpr int W = 1920, H = 1080;

double Distance(const int32_t a[3], const int32_t b[3]) {
  return std::sqrt(std::pow(double(a[0]) - b[0], 2) + std::pow(double(a[1]) - b[1], 2) +
                   std::pow(double(a[2]) - b[2], 2)) /
         65536.0;
}

class CameraTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitSinCosTables(); }
  View view;
  int32_t offset[3] = {0, 0, 0};
  int32_t startEye[3];

  void TearDown() override { CurrentView = &MainView; }  // the fixture's view goes with the fixture
  void SetUp() override {
    ScreenWidth = W;
    ScreenHeight = H;
    VrEnabled = 0;
    CtrlHeld = 0;
    CfgScreenFlags = 0;
    ViewOrthoDepth = 0;
    CameraWorldPickHook = nullptr;
    CameraSelectionPickHook = nullptr;
    CameraPickShiftHook = nullptr;
    ViewCamera.pressRemembered = 0;
    offset[0] = offset[1] = offset[2] = 0;
    ViewCamera.dragMode = 0;
    SetDefaultLayouts();
    SetupScreenLayout(W, H);
    // 10 m up, 20 m back, looking down at the origin.
    const int32_t eye[3] = {0, -(20 << 16), 10 << 16};
    const float light[3] = {0, 0, 1};
    const int32_t lightDir[3] = {0, 0, 0x10000};
    InitView(view, eye, light, lightDir);
    view.heading = 0x8000;  // looking along +y
    view.pitch = static_cast<uint16_t>(std::lround(std::atan2(10.0, 20.0) / (2 * M_PI) * 65536));
    ComputeViewAxes();
    ComputeViewBasis();
    SetupViewRectangle(0, 0, W, H, 0, 0, 1.2f, 0.25f, 1);
    for (int i = 0; i < 3; ++i) startEye[i] = eye[i];
    MouseX = W / 2;
    MouseY = H / 2;
    ProgramClock = 100000;
  }

  void ExpectOffsetFollowsTheEye() {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(offset[i], view.position[i] - startEye[i]) << i;
  }
};

TEST_F(CameraTest, PlanePickMatchesTheGroundAndRefusesRaysRunningAway) {
  int32_t ground[3], plane[3];
  ASSERT_EQ(PickGroundPoint(ground), 1);
  EXPECT_NEAR(ground[0] / 65536.0, 0.0, 0.01);
  EXPECT_NEAR(ground[1] / 65536.0, 0.0, 0.01);  // the centre of the view is the origin
  CameraPickState& p = ViewCamera.pick;
  for (int i = 0; i < 3; ++i) {
    p.rayOrigin[i] = view.position[i];
    p.planePoint[i] = 0;
  }
  p.planeNormal[0] = p.planeNormal[1] = 0.0f;
  p.planeNormal[2] = 1.0f;
  ASSERT_EQ(PickRayPlane(plane), 1);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(plane[i], ground[i], 4);
  // Above the horizon the ray rises away from the ground: it meets the plane only behind
  // the eye, which is no pick.
  view.pitch = 0x0400;
  ComputeViewAxes();
  ComputeViewBasis();
  MouseY = 0;
  EXPECT_EQ(PickRayPlane(plane), 0);
  EXPECT_EQ(PickGroundPoint(ground), 0);
  // A ceiling 30 m up is met by the same ray.
  p.planePoint[2] = 30 << 16;
  ASSERT_EQ(PickRayPlane(plane), 1);
  EXPECT_NEAR(plane[2] / 65536.0, 30.0, 1e-3);
  // A wall 100 m along x is met only by a ray leaning to it by at least 100 / 4096 per unit
  // along it: a meeting farther away than that is no pick.
  p.planeNormal[0] = 1.0f;
  p.planeNormal[2] = 0.0f;
  p.planePoint[0] = view.position[0] + (100 << 16);
  int near = 0, far = 0;
  for (int x = 0; x < W; ++x) {
    float ray[3];
    ASSERT_EQ(PickFromMouseAt(x, H / 2, ray), 1);
    if (ray[0] > 0.012f && ray[0] < 0.02f) {
      ++far;
      EXPECT_EQ(PickRayPlaneAt(x, H / 2, plane), 0) << x << ": " << ray[0];
    } else if (ray[0] > 0.03f && ray[0] < 0.2f) {
      ++near;
      ASSERT_EQ(PickRayPlaneAt(x, H / 2, plane), 1) << x << ": " << ray[0];
      EXPECT_NEAR(plane[0], p.planePoint[0], 2) << x;
    }
  }
  EXPECT_GT(far, 0);
  EXPECT_GT(near, 0);
  // Outside the view there is no ray.
  MouseX = W;
  EXPECT_EQ(PickRayPlane(plane), 0);
}

TEST_F(CameraTest, SecondButtonLooksAroundWithinEightyFiveDegrees) {
  ViewMouseEvent e{};
  e.secondHeld = 1;
  e.dx = W / 4;
  const uint16_t heading = view.heading;
  CameraMouseControl(e, offset, 0);
  EXPECT_EQ(view.heading, static_cast<uint16_t>(heading + 8192));
  e.dx = 0;
  e.dy = -H;  // up the screen: the pitch rises by a quarter turn, held at 85 degrees
  CameraMouseControl(e, offset, 0);
  EXPECT_EQ(static_cast<int16_t>(view.pitch), 15474);
  e.dy = 3 * H;
  CameraMouseControl(e, offset, 0);
  EXPECT_EQ(static_cast<int16_t>(view.pitch), -15474);
  // The reverse setting turns the other way; Ctrl or the first button stop the look.
  CfgScreenFlags = 0x10;
  e.dy = 0;
  e.dx = W / 4;
  CameraMouseControl(e, offset, 0);
  EXPECT_EQ(view.heading, heading);
  e.ctrlHeld = 1;
  CameraMouseControl(e, offset, 0);
  EXPECT_EQ(view.heading, heading);
  ExpectOffsetFollowsTheEye();

  // A view area of no width or height counts as one pixel each way: a pixel across is half a
  // turn, a pixel up a quarter turn (from -15474, two of them pass the limit).
  CfgScreenFlags = 0;
  ScreenLayout.viewRight = ScreenLayout.viewLeft;
  ScreenLayout.viewHeight = 0;
  e = {};
  e.secondHeld = 1;
  e.dx = 1;
  e.dy = -2;
  CameraMouseControl(e, offset, 0);
  EXPECT_EQ(view.heading, static_cast<uint16_t>(heading + 32768));
  EXPECT_EQ(static_cast<int16_t>(view.pitch), 15474);
}

TEST_F(CameraTest, QuickSecondPressMovesThreeQuartersOfTheWayIn) {
  ViewMouseEvent e{};
  e.press = 1;
  CameraMouseControl(e, offset, 0);
  const int32_t origin[3] = {0, 0, 0};
  const double before = Distance(view.position, origin);
  ProgramClock += 200;
  CameraMouseControl(e, offset, 0);
  EXPECT_NEAR(Distance(view.position, origin), before * 0.25, 0.01);
  ExpectOffsetFollowsTheEye();
  // 300 ms after the remembered press is a fresh press.
  const int32_t eye[3] = {view.position[0], view.position[1], view.position[2]};
  ProgramClock += 100;
  CameraMouseControl(e, offset, 0);
  EXPECT_EQ(Distance(view.position, eye), 0.0);
}

// A second press 249 ms after the first is the second of a double press and takes the eye
// three quarters of the way in; one 250 ms after is a fresh press that moves nothing.
TEST_F(CameraTest, ASecondPressIsQuickUpTo249MillisecondsAndFreshAt250) {
  ViewMouseEvent e{};
  e.press = 1;
  CameraMouseControl(e, offset, 0);
  const int32_t eye[3] = {view.position[0], view.position[1], view.position[2]};
  ProgramClock += 250;
  CameraMouseControl(e, offset, 0);
  EXPECT_EQ(Distance(view.position, eye), 0.0) << "250 ms: a fresh press";
  const int32_t origin[3] = {0, 0, 0};
  const double before = Distance(view.position, origin);
  ProgramClock += 249;
  CameraMouseControl(e, offset, 0);
  EXPECT_NEAR(Distance(view.position, origin), before * 0.25, 0.01) << "249 ms: the second of a double press";
}

TEST_F(CameraTest, WheelScalesTheDistanceToThePickedPoint) {
  const int32_t origin[3] = {0, 0, 0};
  const double before = Distance(view.position, origin);
  ViewMouseEvent e{};
  e.wheel = 1;
  CameraMouseControl(e, offset, 0);
  EXPECT_NEAR(Distance(view.position, origin), before * 0.8, 0.01);
  e.wheel = 2;
  CameraMouseControl(e, offset, 0);
  EXPECT_NEAR(Distance(view.position, origin), before, 0.01);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(view.position[i], startEye[i], 8);
  ExpectOffsetFollowsTheEye();
}

TEST_F(CameraTest, DraggingKeepsThePlanePointUnderThePointer) {
  MouseX = 700;
  MouseY = 800;
  ViewMouseEvent e{};
  e.firstHeld = 1;
  e.press = 1;
  CameraMouseControl(e, offset, 0);
  ASSERT_EQ(ViewCamera.dragMode, 1);
  const int32_t grabbed[3] = {ViewCamera.pick.pickResult[0], ViewCamera.pick.pickResult[1],
                              ViewCamera.pick.pickResult[2]};
  e.press = 0;
  for (const auto& m : {std::pair{760, 780}, std::pair{900, 700}, std::pair{500, 900}}) {
    MouseX = m.first;
    MouseY = m.second;
    CameraMouseControl(e, offset, 0);
    float x, y;
    ASSERT_EQ(ProjectPointToScreen(grabbed, &x, &y, nullptr), 1);
    EXPECT_NEAR(x, MouseX, 0.5);
    EXPECT_NEAR(y, MouseY, 0.5);
    EXPECT_NEAR(view.position[2], startEye[2], 2);  // the ground plane: the eye slides level
  }
  ExpectOffsetFollowsTheEye();
  e.firstHeld = 0;
  CameraMouseControl(e, offset, 0);
  EXPECT_EQ(ViewCamera.dragMode, 0);
}

TEST_F(CameraTest, BothButtonsTurnTheViewAboutThePickedPoint) {
  for (const bool middle : {false, true}) {
    SetUp();
    ViewMouseEvent e{};
    e.firstHeld = !middle;
    e.secondHeld = !middle;
    e.middleHeld = middle;
    CameraMouseControl(e, offset, 0);
    ASSERT_EQ(ViewCamera.dragMode, 2);
    const int32_t pick[3] = {ViewCamera.pick.pickResult[0], ViewCamera.pick.pickResult[1],
                             ViewCamera.pick.pickResult[2]};
    const double distance = Distance(view.position, pick);
    const uint16_t heading = view.heading;
    e.dx = 60;
    CameraMouseControl(e, offset, 0);
    e.dx = 60;
    e.dy = 30;
    CameraMouseControl(e, offset, 0);
    EXPECT_EQ(view.heading, static_cast<uint16_t>(heading + 120 * 32768 / W));
    EXPECT_NEAR(Distance(view.position, pick), distance, 1e-3);
    float x, y;
    ASSERT_EQ(ProjectPointToScreen(pick, &x, &y, nullptr), 1);
    EXPECT_NEAR(x, W / 2, 0.5);
    EXPECT_NEAR(y, H / 2, 0.5);
    ExpectOffsetFollowsTheEye();
  }
}

// Each reverse setting is one bit of the screen flags: 0x10 turns the free look the other way,
// 0x10000 the turn about the picked point; every other bit leaves both as they are.
TEST_F(CameraTest, EachReverseSettingIsItsOwnBitAndTurnsOnlyItsOwnMotion) {
  ViewMouseEvent look{};
  look.secondHeld = 1;
  look.dx = W / 4;  // a quarter of the width: an eighth of a turn
  const uint16_t heading = view.heading;
  CfgScreenFlags = ~0x10u;
  CameraMouseControl(look, offset, 0);
  EXPECT_EQ(view.heading, static_cast<uint16_t>(heading + 8192)) << "every bit but the look's";
  CfgScreenFlags = 0x10000;
  CameraMouseControl(look, offset, 0);
  EXPECT_EQ(view.heading, static_cast<uint16_t>(heading + 16384)) << "the turn's bit alone";
  CfgScreenFlags = 0x10;
  CameraMouseControl(look, offset, 0);
  EXPECT_EQ(view.heading, static_cast<uint16_t>(heading + 8192)) << "the look's bit alone";

  // Turning with both buttons: 120 pixels across turn by 120 x 32768 / W one way or the other.
  for (const uint32_t flags : {~0x10000u, 0x10000u, 0x10u}) {
    SetUp();
    CfgScreenFlags = flags;
    ViewMouseEvent e{};
    e.firstHeld = e.secondHeld = 1;
    CameraMouseControl(e, offset, 0);
    ASSERT_EQ(ViewCamera.dragMode, 2);
    const uint16_t start = view.heading;
    e.dx = 120;
    CameraMouseControl(e, offset, 0);
    const int turn = flags == 0x10000u ? -120 * 32768 / W : 120 * 32768 / W;
    EXPECT_EQ(view.heading, static_cast<uint16_t>(start + turn)) << std::hex << flags;
  }
}

}  // namespace

// The sound's ears: the camera's position, its third and second orientation columns as
// front and top, and a zero fourth element in each.
TEST(CameraSound, FrontAndTopAreTheOrientationsColumnsWithAZeroFourth) {
  InitSinCosTables();
  MatrixRotZ(ViewCamera.orientation, 16384);
  ViewCamera.orientation.m[2] = 0x8000;  // a marked third column, first row
  ViewCamera.position[0] = 7 << 16;
  int32_t position[3];
  float front[4] = {9, 9, 9, 9}, top[4] = {9, 9, 9, 9};
  CameraForSound(position, front, top);
  EXPECT_EQ(position[0], 7 << 16);
  EXPECT_EQ(front[0], 0.5f);
  EXPECT_EQ(front[3], 0.0f);
  EXPECT_EQ(top[3], 0.0f);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(front[i], float(ViewCamera.orientation.m[3 * i + 2]) / 65536.0f) << i;
    EXPECT_EQ(top[i], float(ViewCamera.orientation.m[3 * i + 1]) / 65536.0f) << i;
  }
  ResetViewMatrices();
}

TEST(ViewMatrices, TheViewMatrixIsTheTransposedOrientationAndAResetStartsAtTheOrigin) {
  InitSinCosTables();  // the quarter turn is read from the tables
  // A quarter turn about z: the view matrix turns the other way.
  MatrixRotZ(ViewCamera.orientation, 16384);
  CopyViewMatrix();
  const IntVector x{0x10000, 0, 0};
  IntVector turned{}, back{};
  MatrixTransform(ViewCamera.orientation, x, turned);
  MatrixTransform(ViewRotation, turned, back);
  EXPECT_EQ(back.x, 0x10000);
  EXPECT_EQ(back.y, 0);
  EXPECT_EQ(ViewRotation.m[1], ViewCamera.orientation.m[3]);
  EXPECT_EQ(ViewRotation.m[3], ViewCamera.orientation.m[1]);

  ViewCamera.position[0] = 5 << 16;
  ResetViewMatrices();
  FixedMatrix identity;
  MatrixIdentity(identity);
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(ViewCamera.orientation.m[i], identity.m[i]) << i;
    EXPECT_EQ(ViewCamera.viewMatrix.m[i], identity.m[i]) << i;
    EXPECT_EQ(ViewRotation.m[i], identity.m[i]) << i;
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(ViewCamera.position[i], 0);
    EXPECT_EQ(ViewCamera.viewPosition[i], 0);
  }
}
