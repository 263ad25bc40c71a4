// views_test.cpp - the View against a double-precision reference: basis, projection, the
// shaders' matrices, clipping, picking points, rays, the ground and triangles, movement by
// keys and drags, and the view's lighting constants.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "core/config.h"
#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "core/window_state.h"
#include "render/render_target.h"
#include "render/sh_light.h"
#include "render/views.h"
#include "render/views_local.h"
#include "text/text_colours.h"

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr int SCREEN_W = 1920, SCREEN_H = 1080;

struct Vec {
  double x, y, z;
};
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator*(Vec a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec Unit(Vec a) { return a * (1.0 / std::sqrt(Dot(a, a))); }
Vec FromFixed(const int32_t p[3]) { return {p[0] / 65536.0, p[1] / 65536.0, p[2] / 65536.0}; }
void ToFixed(Vec v, int32_t out[3]) {
  out[0] = static_cast<int32_t>(std::lround(v.x * 65536.0));
  out[1] = static_cast<int32_t>(std::lround(v.y * 65536.0));
  out[2] = static_cast<int32_t>(std::lround(v.z * 65536.0));
}

// The camera of a view worked out independently in doubles: forward looks against the
// direction, right is level (before roll), up completes a frame with right x up = -forward.
struct RefView {
  Vec eye, right, up, forward;
  double centreX, centreY, scaleExact;
  int left, top, right_, bottom;
};

struct ViewSpec {
  Vec eye{0, 0, 0};
  Vec direction{0, 1, 0};
  int16_t roll = 0;
  int left = 0, top = 0, right = SCREEN_W, bottom = SCREEN_H;
  float fieldFactor = 1.0f, offsetX = 0.0f, offsetY = 0.0f;
};

RefView MakeView(const ViewSpec& s) {
  static View view;
  int32_t pos[3];
  ToFixed(s.eye, pos);
  const Vec d = Unit(s.direction);
  const float dir[3] = {float(d.x), float(d.y), float(d.z)};
  const int32_t light[3] = {0, 0, 0x10000};
  InitView(view, pos, dir, light);
  view.roll = s.roll;
  ViewOrthoDepth = 0;
  ComputeViewBasis();
  SetupViewRectangle(s.left, s.top, s.right, s.bottom, s.offsetX, s.offsetY, s.fieldFactor, 0.25f, 1);

  RefView r;
  r.eye = FromFixed(pos);
  r.forward = d * -1.0;
  if (std::hypot(d.x, d.y) >= 0.001) {
    r.right = Unit(Cross(r.forward, {0, 0, 1}));
  } else {
    r.right = {-1, 0, 0};
  }
  r.up = Cross(r.right, r.forward);
  if (std::hypot(d.x, d.y) < 0.001) r.up = d.z >= 0 ? Vec{0, -1, 0} : Vec{0, 1, 0};
  const double a = s.roll * 2.0 * PI / 65536.0;
  const Vec rr = r.right * std::cos(a) - r.up * std::sin(a);
  const Vec uu = r.right * std::sin(a) + r.up * std::cos(a);
  r.right = rr;
  r.up = uu;
  const int width = s.right - s.left, height = s.bottom - s.top;
  r.centreX = s.left + std::round((s.offsetX * 0.5 + 0.5) * width);
  r.centreY = s.top + std::round((s.offsetY * 0.5 + 0.5) * height);
  r.scaleExact = width / s.fieldFactor;
  r.left = s.left;
  r.top = s.top;
  r.right_ = s.right;
  r.bottom = s.bottom;
  return r;
}

// Where the reference puts a world point on the screen; false behind the near limit.
bool RefProject(const RefView& r, Vec p, double* x, double* y, double scale) {
  const Vec d = p - r.eye;
  const double depth = Dot(d, r.forward);
  if (depth < 0.25) return false;
  *x = r.centreX + Dot(d, r.right) / depth * scale;
  *y = r.centreY - Dot(d, r.up) / depth * scale;
  return true;
}

Vec RefRay(const RefView& r, double mx, double my, double scale) {
  return Unit(r.right * ((mx - r.centreX) / scale) + r.up * ((r.centreY - my) / scale) + r.forward);
}

ViewSpec RandomSpec(std::mt19937& rng) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  ViewSpec s;
  s.eye = {u(rng) * 1000, u(rng) * 1000, u(rng) * 200};
  do s.direction = {u(rng), u(rng), u(rng)};
  while (Dot(s.direction, s.direction) < 0.01);
  s.roll = static_cast<int16_t>(rng() & 0xFFFF);
  s.left = static_cast<int>(std::abs(u(rng)) * 400);
  s.top = static_cast<int>(std::abs(u(rng)) * 200);
  s.right = SCREEN_W - static_cast<int>(std::abs(u(rng)) * 400);
  s.bottom = SCREEN_H - static_cast<int>(std::abs(u(rng)) * 200);
  s.fieldFactor = static_cast<float>(0.5 + std::abs(u(rng)) * 2.5);
  s.offsetX = static_cast<float>(u(rng) * 0.5);
  s.offsetY = static_cast<float>(u(rng) * 0.5);
  return s;
}

class ViewsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { InitSinCosTables(); }
  void SetUp() override {
    ScreenWidth = SCREEN_W;
    ScreenHeight = SCREEN_H;
    ViewPanelShown = 0;
    ViewOrthoDepth = 0;
    CtrlHeld = 0;
    for (int& k : ArrowKeysHeld) k = 0;
    CfgModelEdSpeed = 0x10000;
  }
};

// ---- Basis ----

TEST_F(ViewsTest, BasisLooksStraightDownFromAbove) {
  MakeView({.eye = {0, 0, 10}, .direction = {0, 0, 1}});
  EXPECT_FLOAT_EQ(ViewBasis[0][0], -1.0f);
  EXPECT_FLOAT_EQ(ViewBasis[1][1], -1.0f);
  EXPECT_FLOAT_EQ(ViewBasis[2][2], -1.0f);
  EXPECT_EQ(ViewRotation.m[0], -0x10000);
  EXPECT_EQ(ViewRotation.m[4], -0x10000);
  EXPECT_EQ(ViewRotation.m[8], -0x10000);
}

TEST_F(ViewsTest, BasisIsOrthonormalAndMatchesTheReference) {
  std::mt19937 rng(11);
  for (int n = 0; n < 500; ++n) {
    const RefView r = MakeView(RandomSpec(rng));
    const Vec right{ViewBasis[0][0], ViewBasis[0][1], ViewBasis[0][2]};
    const Vec up{ViewBasis[1][0], ViewBasis[1][1], ViewBasis[1][2]};
    const Vec fwd{ViewBasis[2][0], ViewBasis[2][1], ViewBasis[2][2]};
    EXPECT_NEAR(Dot(right, r.right), 1.0, 1e-6) << n;
    EXPECT_NEAR(Dot(up, r.up), 1.0, 1e-6) << n;
    EXPECT_NEAR(Dot(fwd, r.forward), 1.0, 1e-6) << n;
    for (int i = 0; i < 9; ++i)
      EXPECT_NEAR(ViewRotation.m[i], ViewBasis[i / 3][i % 3] * 65536.0, 1.0) << n;
  }
}

// A vertex for shading takes the view's coordinates of its position and its normal turned into
// the view: right, up and forward, each worked out from the view's own reference frame.
TEST_F(ViewsTest, AShadedVertexTakesItsViewPositionAndItsNormalTurnedIntoTheView) {
  ViewSpec s;
  s.eye = {3, -2, 1.5};
  s.direction = {1, 2, -0.5};
  s.roll = 3000;
  const RefView r = MakeView(s);
  const Vec p{10, 4, -1};
  int32_t position[3];
  ToFixed(p, position);
  const float normal[3] = {0.25f, -0.5f, 0.75f};
  const Vec n{0.25, -0.5, 0.75};
  ShadedVertex out;
  ProjectVertexForShading(position, normal, out);
  EXPECT_NEAR(out.normal[0], Dot(r.right, n), 1e-5);
  EXPECT_NEAR(out.normal[1], Dot(r.up, n), 1e-5);
  EXPECT_NEAR(out.normal[2], Dot(r.forward, n), 1e-5);
  const Vec d = FromFixed(position) - r.eye;
  EXPECT_NEAR(out.position[0] / 65536.0, Dot(r.right, d), 1e-3);
  EXPECT_NEAR(out.position[1] / 65536.0, Dot(r.up, d), 1e-3);
  EXPECT_NEAR(out.position[2] / 65536.0, Dot(r.forward, d), 1e-3);
}

TEST_F(ViewsTest, AxesFromHeadingAndPitch) {
  MakeView({});
  View& v = *CurrentView;
  v.heading = 0;
  v.pitch = 0;
  ComputeViewAxes();
  EXPECT_NEAR(v.direction[0], 0.0, 1e-6);  // heading 0 looks along -y: the eye lies towards +y
  EXPECT_NEAR(v.direction[1], 1.0, 1e-6);
  v.pitch = 0x1000;  // a positive pitch looks down
  ComputeViewAxes();
  EXPECT_GT(v.direction[2], 0.3f);
  v.pitch = 0;
  v.heading = 0x4000;  // a quarter turn to the left: looking along +x
  ComputeViewAxes();
  EXPECT_NEAR(v.direction[0], -1.0, 1e-6);
}

// The eye is kept within 16000 m across and 8000 m up or down; a value on the bound stays.
TEST_F(ViewsTest, TheEyeIsHeldWithinSixteenKilometresAcrossAndEightUpOrDown) {
  MakeView({});
  View& v = *CurrentView;
  constexpr int32_t ACROSS = 16000 << 16, UP = 8000 << 16;
  v.position[0] = ACROSS + 1;
  v.position[1] = -ACROSS - 5;
  v.position[2] = UP + 1;
  ClampViewPosition();
  EXPECT_EQ(v.position[0], ACROSS);
  EXPECT_EQ(v.position[1], -ACROSS);
  EXPECT_EQ(v.position[2], UP);
  v.position[0] = -ACROSS;
  v.position[1] = 123;
  v.position[2] = -UP - 1;
  ClampViewPosition();
  EXPECT_EQ(v.position[0], -ACROSS);
  EXPECT_EQ(v.position[1], 123);
  EXPECT_EQ(v.position[2], -UP);
}

// Orbiting puts the eye the distance out along the direction its heading and pitch give:
// a quarter turn left looks along +x, so the eye is 10 m towards -x of the target.
TEST_F(ViewsTest, OrbitingPutsTheEyeBackAlongTheHeadingFromTheTarget) {
  MakeView({});
  View& v = *CurrentView;
  v.heading = 0x4000;
  v.pitch = 0;
  const int32_t target[3] = {1 << 16, 2 << 16, 3 << 16};
  OrbitView(target, 10 << 16);
  EXPECT_NEAR(v.position[0], -9 << 16, 2);
  EXPECT_NEAR(v.position[1], 2 << 16, 2);
  EXPECT_NEAR(v.position[2], 3 << 16, 2);
  v.heading = 0;
  v.pitch = 0x4000;  // a quarter down: looking straight down, the eye above the target
  OrbitView(target, 5 << 16);
  EXPECT_NEAR(v.position[0], 1 << 16, 2);
  EXPECT_NEAR(v.position[1], 2 << 16, 2);
  EXPECT_NEAR(v.position[2], 8 << 16, 2);
}

// The axes handed out are the basis transposed: column 0 is right, 1 up, 2 forward.
TEST_F(ViewsTest, TheAxesHandedOutAreTheBasisTransposed) {
  MakeView({});
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) ViewBasis[r][c] = float(10 * r + c);
  float axes[3][3];
  GetViewAxes(axes);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(axes[r][c], float(10 * c + r)) << r << c;
}

// Looking straight down from 10 m every axis is turned over (right -x, up -y, forward -z),
// so the point (1, 2, 4) m, 6 m below the eye, is (-1, -2) across and 6 m deep in the view.
TEST_F(ViewsTest, AWorldPointIsTakenRelativeToTheEyeIntoTheViewsAxes) {
  MakeView({.eye = {0, 0, 10}, .direction = {0, 0, 1}});
  const int32_t point[3] = {1 << 16, 2 << 16, 4 << 16};
  int32_t out[3];
  WorldToView(point, out);
  EXPECT_EQ(out[0], -(1 << 16));
  EXPECT_EQ(out[1], -(2 << 16));
  EXPECT_EQ(out[2], 6 << 16);
}

// ---- Projection ----

TEST_F(ViewsTest, ProjectionMatchesTheDoubleReference) {
  std::mt19937 rng(12);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  int projected = 0;
  for (int n = 0; n < 300; ++n) {
    const RefView r = MakeView(RandomSpec(rng));
    for (int k = 0; k < 50; ++k) {
      const double depth = 0.3 + std::abs(u(rng)) * 900.0;
      const Vec p = r.eye + r.forward * depth + r.right * (u(rng) * depth) + r.up * (u(rng) * depth * 0.6);
      int32_t fp[3];
      ToFixed(p, fp);
      double rx, ry;
      ASSERT_TRUE(RefProject(r, FromFixed(fp), &rx, &ry, r.scaleExact));
      float x, y;
      int32_t d;
      const int inside = ProjectPointToScreen(fp, &x, &y, &d);
      // The view's scale is whole pixels per unit: up to one pixel per unit off centre.
      const double tolX = 0.15 + 1.5 * std::abs(rx - r.centreX) / r.scaleExact;
      const double tolY = 0.15 + 1.5 * std::abs(ry - r.centreY) / r.scaleExact;
      EXPECT_NEAR(x, rx, tolX) << n << " " << k;
      EXPECT_NEAR(y, ry, tolY) << n << " " << k;
      EXPECT_NEAR(d / 65536.0, depth, 1e-3 + depth * 1e-4);
      const bool refInside = rx >= 0 && rx <= SCREEN_W && ry >= 0 && ry <= SCREEN_H;
      if (std::abs(rx) > tolX && std::abs(rx - SCREEN_W) > tolX && std::abs(ry) > tolY &&
          std::abs(ry - SCREEN_H) > tolY) {
        EXPECT_EQ(inside, refInside ? 1 : 0) << n << " " << k;
      }
      projected += inside;
    }
  }
  EXPECT_GT(projected, 1000);
}

TEST_F(ViewsTest, NearLimitIsAQuarterMetre) {
  const RefView r = MakeView({.eye = {0, 0, 0}, .direction = {0, 1, 0}});
  int32_t p[3] = {0, -16384, 0};  // 0.25 m in front
  float x, y;
  EXPECT_EQ(ProjectPointToScreen(p, &x, &y, nullptr), 1);
  EXPECT_FLOAT_EQ(x, float(r.centreX));
  p[1] = -static_cast<int32_t>(0.249 * 65536);
  EXPECT_EQ(ProjectPointToScreen(p, &x, &y, nullptr), 0);
  p[1] = 0x10000;  // behind
  EXPECT_EQ(ProjectPointToScreen(p, &x, &y, nullptr), 0);
  float u, v;
  EXPECT_EQ(ProjectPointDepth(p, &u, &v), 0);
}

TEST_F(ViewsTest, OrthographicViewsUseTheFixedDepth) {
  const RefView r = MakeView({.eye = {0, 0, 100}, .direction = {0, 0, 1}, .fieldFactor = 2.0f});
  ViewOrthoDepth = 1000;  // below 1024: nothing projects
  const int32_t p[3] = {0, 0, 0};
  float x, y;
  EXPECT_EQ(ProjectPointToScreen(p, &x, &y, nullptr), 0);
  ViewOrthoDepth = 20 << 16;  // 20 m wide at field factor 1 => 40 m across at 2
  const int32_t q[3] = {5 << 16, 0, -(500 << 16)};  // depth plays no part
  ASSERT_EQ(ProjectPointToScreen(q, &x, &y, nullptr), 1);
  // Straight down the right axis is -x: 5 m is an eighth of 40 m to the left.
  EXPECT_NEAR(x, r.centreX - SCREEN_W / 8.0, 0.5);
  EXPECT_NEAR(y, r.centreY, 0.5);
}

TEST_F(ViewsTest, DepthCoordinatesRunMinusOneToOneAcrossTheView) {
  MakeView({.direction = {0, 1, 0}, .fieldFactor = 2.0f});
  const int32_t atRightEdge[3] = {-(10 << 16), -(10 << 16), 0};  // right is -x here
  float u, v;
  ASSERT_EQ(ProjectPointDepth(atRightEdge, &u, &v), 1);
  EXPECT_NEAR(u, 1.0f, 1e-4);
  EXPECT_NEAR(v, 0.0f, 1e-4);
}

// Depth coordinates need a field: with none (or no number) the point gives none.
TEST_F(ViewsTest, DepthCoordinatesNeedAPositiveField) {
  MakeView({.direction = {0, 1, 0}, .fieldFactor = 2.0f});
  const int32_t ahead[3] = {0, -(10 << 16), 0};
  float u = 5.0f, v = 5.0f;
  CurrentView->halfFieldFactor = 0.0f;
  EXPECT_EQ(ProjectPointDepth(ahead, &u, &v), 0);
  CurrentView->halfFieldFactor = NAN;
  EXPECT_EQ(ProjectPointDepth(ahead, &u, &v), 0);
  EXPECT_EQ(u, 5.0f) << "left as it was";
  CurrentView->halfFieldFactor = 0.5f;
  ASSERT_EQ(ProjectPointDepth(ahead, &u, &v), 1);
  EXPECT_EQ(u, 0.0f);
}

TEST_F(ViewsTest, InsideTestFollowsTheSidePanelAndTheWholeScreenBand) {
  const RefView r = MakeView({.direction = {0, 1, 0}, .fieldFactor = 2.0f});
  const int32_t p[3] = {-(5 << 16), -(10 << 16), 0};  // half way to the right edge
  float x, y;
  ASSERT_EQ(ProjectPointToScreen(p, &x, &y, nullptr), 1);
  ViewPanelShown = 1;
  ViewPanelLeft = 0;
  ViewPanelRight = 1200;
  EXPECT_EQ(ProjectPointToScreen(p, &x, &y, nullptr), 0);
  ViewPanelShown = 0;
  const int32_t far[3] = {2 * 0x10000, 0, 0x10000};  // view space: 2 units right at depth 1
  EXPECT_EQ(ProjectAndTestOnScreen(far, &x, &y, 0), 0);
  EXPECT_EQ(ProjectAndTestOnScreen(far, &x, &y, 1), 1);
  // A point off the view's axis along its first coordinate moves only x, along its second
  // only y.
  const int32_t across[3] = {0x4000, 0, 0x10000}, upward[3] = {0, 0x4000, 0x10000};
  ASSERT_EQ(ProjectAndTestOnScreen(across, &x, &y, 1), 1);
  EXPECT_FLOAT_EQ(y, float(r.centreY));
  EXPECT_GT(std::fabs(x - float(r.centreX)), 10.0f);
  ASSERT_EQ(ProjectAndTestOnScreen(upward, &x, &y, 1), 1);
  EXPECT_FLOAT_EQ(x, float(r.centreX));
  EXPECT_GT(std::fabs(y - float(r.centreY)), 10.0f);
}

// ---- The shaders' matrices agree with the processor's projection ----

TEST_F(ViewsTest, ViewProjectionMatrixLandsOnTheProjectedPixel) {
  std::mt19937 rng(13);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int n = 0; n < 200; ++n) {
    ViewSpec s = RandomSpec(rng);
    s.eye = s.eye * 0.1;  // float matrices: keep the world near the origin
    const bool ortho = n % 4 == 3;
    const RefView r = MakeView(s);
    if (ortho) {
      ViewOrthoDepth = static_cast<int32_t>((5 + std::abs(u(rng)) * 50) * 65536);
      BuildViewMatrices();
    }
    const View& v = *CurrentView;
    for (int k = 0; k < 20; ++k) {
      const double depth = 1.0 + std::abs(u(rng)) * 100.0;
      const Vec p = r.eye + r.forward * depth + r.right * (u(rng) * depth * 0.5) + r.up * (u(rng) * depth * 0.3);
      int32_t fp[3];
      ToFixed(p, fp);
      float x, y;
      if (!ProjectPointToScreen(fp, &x, &y, nullptr)) continue;
      const float* m = ViewMatrices.viewProjection;
      const double w[4] = {fp[0] / 65536.0, fp[1] / 65536.0, fp[2] / 65536.0, 1.0};
      double clip[4] = {};
      for (int c = 0; c < 4; ++c)
        for (int i = 0; i < 4; ++i) clip[c] += w[i] * m[i * 4 + c];
      const double nx = clip[0] / clip[3], ny = clip[1] / clip[3], nz = clip[2] / clip[3];
      const double px = v.left + (nx + 1.0) * 0.5 * (v.right - v.left);
      const double py = v.top + (1.0 - ny) * 0.5 * (v.bottom - v.top);
      const double tol = 0.6 + 1.5 * std::abs(x - v.centreX) / r.scaleExact + 1.5 * std::abs(y - v.centreY) / r.scaleExact;
      EXPECT_NEAR(px, x, tol) << n << " " << k;
      EXPECT_NEAR(py, y, tol) << n << " " << k;
      EXPECT_GE(nz, 0.0);
      EXPECT_LE(nz, 1.0);
    }
  }
}

// Set up and applied, the view rectangle is also the render target's viewport (and the
// matrix state's); an upside-down rectangle gives a viewport of no size, never a negative
// one, and a rectangle that is not applied leaves the viewport alone.
TEST_F(ViewsTest, AnAppliedViewRectangleIsTheViewportAndNeverNegative) {
  MakeView({.direction = {0, 1, 0}, .left = 100, .top = 50, .right = 900, .bottom = 650});
  const float want[4] = {100, 50, 800, 600};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(RenderTargets.viewport[i], want[i]) << i;
    EXPECT_EQ(ViewMatrices.viewport[i], int(want[i])) << i;
  }
  SetupViewRectangle(10, 20, 5, 10, 0.0f, 0.0f, 1.0f, 0.25f, 1);
  const float none[4] = {10, 20, 0, 0};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(RenderTargets.viewport[i], none[i]) << i;
    EXPECT_EQ(ViewMatrices.viewport[i], int(none[i])) << i;
  }
  EXPECT_EQ(CurrentView->scale, 0);
  // An empty rectangle: aspect 1, both field factors 2.0, every side slope 1.0, so each side
  // plane's normal is two of its axes over the square root of two (46341 of 65536).
  EXPECT_EQ(CurrentView->aspect, 1.0f);
  EXPECT_EQ(CurrentView->fieldFactorH, 0x20000);
  EXPECT_EQ(CurrentView->fieldFactorV, 0x20000);
  EXPECT_EQ(CurrentView->halfFieldFactor, 0.5f);
  const int32_t planes[4][3] = {{46341, 0, 46341}, {-46341, 0, 46341}, {0, 46341, 46341}, {0, -46341, 46341}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(ViewSideSlopes[i], 0x10000) << i;
    for (int k = 0; k < 3; ++k) EXPECT_EQ(ViewSidePlanes[i][k], planes[i][k]) << i << " " << k;
  }
  SetupViewRectangle(0, 0, 300, 200, 0.0f, 0.0f, 1.0f, 0.25f, 0);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(RenderTargets.viewport[i], none[i]) << "not applied: " << i;
  EXPECT_EQ(CurrentView->right, 300);
}

// ---- Clipping ----

TEST_F(ViewsTest, SidePlanesKeepWhatProjectsInsideTheRectangle) {
  std::mt19937 rng(14);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int n = 0; n < 200; ++n) {
    const RefView r = MakeView(RandomSpec(rng));
    const View& v = *CurrentView;
    for (int k = 0; k < 50; ++k) {
      const int32_t vp[3] = {static_cast<int32_t>(u(rng) * 4 * 65536), static_cast<int32_t>(u(rng) * 4 * 65536),
                             static_cast<int32_t>((0.3 + std::abs(u(rng)) * 3) * 65536)};
      const double x = v.centreX + double(vp[0]) / vp[2] * v.scale;
      const double y = v.centreY - double(vp[1]) / vp[2] * v.scale;
      const double margin = std::min({x - v.left, v.right - x, y - v.top, v.bottom - y});
      // The planes follow the exact field; the projection's whole-pixel scale may put an
      // edge up to a pixel per unit of slope elsewhere.
      if (std::abs(margin) < 3.0) continue;
      EXPECT_EQ(SphereInView(vp, 0), margin > 0 ? 1 : 0) << n << " " << k << " margin " << margin;
    }
    (void)r;
  }
}

TEST_F(ViewsTest, OffCentreViewsClipAtTheirOwnTopAndBottom) {
  // The centre sits a quarter of the way down: far more room above it than below.
  MakeView({.direction = {0, 1, 0}, .top = 0, .bottom = 1000, .offsetY = -0.5f});
  const View& v = *CurrentView;
  ASSERT_EQ(v.centreY, 250);
  // 250 pixels of room above the centre, 750 below.
  auto viewPointAtPixelsBelow = [&](int pixels, int32_t out[3]) {
    out[0] = 0;
    out[2] = 0x10000;
    out[1] = -static_cast<int32_t>(std::lround(double(pixels) / v.scale * 65536.0));
  };
  int32_t p[3];
  viewPointAtPixelsBelow(700, p);
  EXPECT_EQ(SphereInView(p, 0), 1);
  viewPointAtPixelsBelow(760, p);
  EXPECT_EQ(SphereInView(p, 0), 0);
  viewPointAtPixelsBelow(-240, p);
  EXPECT_EQ(SphereInView(p, 0), 1);
  viewPointAtPixelsBelow(-260, p);
  EXPECT_EQ(SphereInView(p, 0), 0);
  int32_t a[3], b[3];
  viewPointAtPixelsBelow(-600, a);
  viewPointAtPixelsBelow(600, b);
  ASSERT_EQ(ClipSegmentToView(a, b), 1);
  EXPECT_NEAR(a[1] / 65536.0 * v.scale, 250.0, 3.0);
  EXPECT_NEAR(-b[1] / 65536.0 * v.scale, 600.0, 1.0);
}

TEST_F(ViewsTest, SpheresReachingIntoTheViewAreKept) {
  MakeView({.direction = {0, 1, 0}, .fieldFactor = 2.0f});
  // 1.2 units right at depth 1: 0.2 beyond the right edge (plane distance 0.2 / sqrt(2)).
  const int32_t c[3] = {static_cast<int32_t>(1.2 * 65536), 0, 0x10000};
  EXPECT_EQ(SphereInView(c, 0x1000), 0);
  EXPECT_EQ(SphereInView(c, 0x3000), 1);
  const int32_t behind[3] = {0, 0, -0x10000};
  EXPECT_EQ(SphereInView(behind, 0x10000), 0);
  EXPECT_EQ(SphereInView(behind, 0x20000), 1);
}

TEST_F(ViewsTest, ClippedSegmentsMatchADenseSampling) {
  std::mt19937 rng(15);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int n = 0; n < 40; ++n) {
    MakeView(RandomSpec(rng));
    const View& v = *CurrentView;
    auto pixel = [&](const double p[3], double* x, double* y) {
      *x = v.centreX + p[0] / p[2] * v.scale;
      *y = v.centreY - p[1] / p[2] * v.scale;
    };
    auto insideBy = [&](const double p[3]) {  // pixels inside the rectangle (negative: outside)
      if (p[2] < VIEW_NEAR_LIMIT) return -1e9;
      double x, y;
      pixel(p, &x, &y);
      return std::min({x - v.left, v.right - x, y - v.top, v.bottom - y});
    };
    for (int k = 0; k < 50; ++k) {
      int32_t a[3], b[3];
      for (int i = 0; i < 3; ++i) {
        a[i] = static_cast<int32_t>(u(rng) * 5 * 65536);
        b[i] = static_cast<int32_t>(u(rng) * 5 * 65536);
      }
      const int32_t a0[3] = {a[0], a[1], a[2]}, b0[3] = {b[0], b[1], b[2]};
      double best = -1e9;
      for (int s = 0; s <= 2000; ++s) {
        const double t = s / 2000.0;
        const double p[3] = {a0[0] + (b0[0] - a0[0]) * t, a0[1] + (b0[1] - a0[1]) * t, a0[2] + (b0[2] - a0[2]) * t};
        best = std::max(best, insideBy(p));
      }
      const int visible = ClipSegmentToView(a, b);
      if (best > 4.0) { EXPECT_EQ(visible, 1) << n << " " << k; }
      if (best < -4.0) { EXPECT_EQ(visible, 0) << n << " " << k; }
      if (!visible) continue;
      for (const int32_t* e : {a, b}) {
        const double p[3] = {double(e[0]), double(e[1]), double(e[2])};
        EXPECT_GT(insideBy(p), -4.0) << n << " " << k;
        // The clipped ends stay on the original segment.
        const Vec d = Vec{double(b0[0] - a0[0]), double(b0[1] - a0[1]), double(b0[2] - a0[2])};
        const Vec w = Vec{p[0] - a0[0], p[1] - a0[1], p[2] - a0[2]};
        const Vec c = Cross(d, w);
        EXPECT_LT(std::sqrt(Dot(c, c)) / std::sqrt(Dot(d, d)), 2.0);
      }
    }
  }
}

// ---- Picking ----

TEST_F(ViewsTest, PickRaysMatchTheReferenceAndProjectBack) {
  std::mt19937 rng(16);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (int n = 0; n < 200; ++n) {
    const RefView r = MakeView(RandomSpec(rng));
    const View& v = *CurrentView;
    for (int k = 0; k < 20; ++k) {
      const int mx = v.left + static_cast<int>(u(rng) * (v.right - v.left - 1));
      const int my = v.top + static_cast<int>(u(rng) * (v.bottom - v.top - 1));
      float dir[3];
      ASSERT_EQ(PickFromMouseAt(mx, my, dir), 1);
      const Vec ref = RefRay(r, mx, my, v.scale);
      EXPECT_NEAR(Dot(Vec{dir[0], dir[1], dir[2]}, ref), 1.0, 1e-6);
      // A point along the ray lands back on the pixel.
      int32_t p[3];
      ToFixed(r.eye + Vec{dir[0], dir[1], dir[2]} * (1.0 + u(rng) * 50.0), p);
      float x, y;
      ProjectPointToScreen(p, &x, &y, nullptr);
      // 16.16 positions and rotation: a few 1/65536 of a unit at depth 1 or more.
      const double tol = 0.02 + v.scale * 4e-5;
      EXPECT_NEAR(x, mx, tol);
      EXPECT_NEAR(y, my, tol);
    }
    float dir[3];
    EXPECT_EQ(PickFromMouseAt(v.right, v.top, dir), 0);
    EXPECT_EQ(PickFromMouseAt(v.left, v.top - 1, dir), 0);
  }
}

TEST_F(ViewsTest, GroundPointsLieUnderThePointer) {
  std::mt19937 rng(17);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  int hits = 0;
  for (int n = 0; n < 100; ++n) {
    const RefView r = MakeView({.eye = {u(rng) * 100, u(rng) * 100, 1.0 + u(rng) * 50},
                                .direction = {u(rng) - 0.5, u(rng) - 0.5, 0.3 + u(rng)},
                                .fieldFactor = 1.5f});
    const View& v = *CurrentView;
    for (int k = 0; k < 20; ++k) {
      const int mx = static_cast<int>(u(rng) * (SCREEN_W - 1)), my = static_cast<int>(u(rng) * (SCREEN_H - 1));
      int32_t p[3];
      const Vec ray = RefRay(r, mx, my, v.scale);
      const double h = r.eye.z, limit = h / std::clamp(h * 1024.0, -16384.0, 16384.0);
      const bool refHit = -ray.z >= limit;
      const int hit = PickGroundPointAt(mx, my, p);
      if (std::abs(-ray.z - limit) > 1e-6) { EXPECT_EQ(hit, refHit ? 1 : 0); }
      if (!hit) continue;
      ++hits;
      EXPECT_EQ(p[2], 0);
      const Vec g = r.eye + ray * (r.eye.z / -ray.z);
      const double tol = 2e-3 + 1e-6 * (r.eye.z / -ray.z);
      EXPECT_NEAR(p[0] / 65536.0, g.x, tol);
      EXPECT_NEAR(p[1] / 65536.0, g.y, tol);
    }
  }
  EXPECT_GT(hits, 500);
}

TEST_F(ViewsTest, GroundPickRefusesRaysThatBarelyFall) {
  // Eye 1 m up looking level: the centre row's ray never falls.
  MakeView({.eye = {0, 0, 1}, .direction = {0, 1, 0}, .fieldFactor = 2.0f});
  const View& v = *CurrentView;
  int32_t p[3];
  EXPECT_EQ(PickGroundPointAt(v.centreX, v.centreY, p), 0);
  // One pixel down falls 1/960 per unit: below the limit of 1/1024? No, above it: a hit.
  EXPECT_EQ(PickGroundPointAt(v.centreX, v.centreY + 1, p), 1);
  // Twice as many pixels across: 1/1920 per pixel falls too little.
  MakeView({.eye = {0, 0, 1}, .direction = {0, 1, 0}, .left = 0, .right = 3840, .fieldFactor = 2.0f});
  EXPECT_EQ(PickGroundPointAt(CurrentView->centreX, CurrentView->centreY + 1, p), 0);
  // An eye on the ground picks nothing.
  MakeView({.eye = {0, 0, 0.0001}, .direction = {0, 0.5, 1}});
  EXPECT_EQ(PickGroundPointAt(CurrentView->centreX, CurrentView->centreY, p), 0);
}

// From high up the hit must stay within 16 km: at 100 m a ray must fall 100/16384 (about
// 0.0061) per unit, more than the 1/1024 near the ground.  One pixel below the centre of a
// view 960 pixels a unit falls 1/960: enough at 1 m, too little at 100 m; seven pixels
// (7/960, about 0.0073) are enough.  Below the ground the same holds looking up.
TEST_F(ViewsTest, FromHighUpTheGroundMustLieWithinSixteenKilometres) {
  MakeView({.eye = {0, 0, 100}, .direction = {0, 1, 0}, .fieldFactor = 2.0f});
  const View& v = *CurrentView;
  ASSERT_EQ(v.scale, 960);
  int32_t p[3];
  EXPECT_EQ(PickGroundPointAt(v.centreX, v.centreY + 1, p), 0);
  ASSERT_EQ(PickGroundPointAt(v.centreX, v.centreY + 7, p), 1);
  EXPECT_NEAR(-p[1] / 65536.0, 100.0 * 960 / 7, 1.0);
  MakeView({.eye = {0, 0, -100}, .direction = {0, 1, 0}, .fieldFactor = 2.0f});
  EXPECT_EQ(PickGroundPointAt(v.centreX, v.centreY - 1, p), 0);
  EXPECT_EQ(PickGroundPointAt(v.centreX, v.centreY - 7, p), 1);
}

TEST_F(ViewsTest, OrthographicPlanViewPicksTheGroundUnderThePointer) {
  MakeView({.eye = {30, -20, 50}, .direction = {0, 0, 1}, .fieldFactor = 1.0f});
  ViewOrthoDepth = 40 << 16;
  CurrentView->heading = 0;
  for (const int mx : {0, 500, 960, 1700})
    for (const int my : {0, 300, 540, 1000}) {
      int32_t p[3];
      ASSERT_EQ(PickGroundPointAt(mx, my, p), 1);
      float x, y;
      ASSERT_EQ(ProjectPointToScreen(p, &x, &y, nullptr), 1);
      EXPECT_NEAR(x, mx, 0.01);
      EXPECT_NEAR(y, my, 0.01);
      int32_t q[3];
      ASSERT_EQ(PickPointOnViewPlaneAt(mx, my, nullptr, q), 1);
      EXPECT_EQ(q[2], 50 << 16);
      EXPECT_NEAR(q[0], p[0], 2);
      EXPECT_NEAR(q[1], p[1], 2);
    }
}

// Distance along the ray from the origin to the triangle's plane, when the crossing lies
// inside the triangle (same side of all three edges); -1 otherwise.  Plane and edge tests, a
// different route from the picker's.
double RefRayTriangle(Vec ray, Vec a, Vec b, Vec c) {
  const Vec n = Cross(b - a, c - a);
  const double along = Dot(n, ray);
  if (std::abs(along) < 1e-18) return -1.0;
  const double t = Dot(n, a) / along;
  if (t < 0) return -1.0;
  const Vec x = ray * t;
  const double s0 = Dot(n, Cross(b - a, x - a)), s1 = Dot(n, Cross(c - b, x - b)), s2 = Dot(n, Cross(a - c, x - c));
  if (s0 < 0 || s1 < 0 || s2 < 0) return -1.0;
  return t;
}

TEST_F(ViewsTest, PickedTrianglesMatchTheReference) {
  std::mt19937 rng(18);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int n = 0; n < 20; ++n) {
    const RefView r = MakeView(RandomSpec(rng));
    const View& v = *CurrentView;
    std::vector<int32_t> store(9 * 300);
    auto tris = reinterpret_cast<int32_t(*)[3][3]>(store.data());
    std::vector<std::array<Vec, 3>> ref(300);
    for (int t = 0; t < 300; ++t) {
      const Vec c = r.eye + r.forward * (2 + std::abs(u(rng)) * 60) + r.right * (u(rng) * 30) + r.up * (u(rng) * 20);
      for (int k = 0; k < 3; ++k) {
        ToFixed(c + Vec{u(rng) * 4, u(rng) * 4, u(rng) * 4}, tris[t][k]);
        ref[t][k] = FromFixed(tris[t][k]);
      }
    }
    for (int k = 0; k < 40; ++k) {
      const int mx = v.left + static_cast<int>((u(rng) * 0.5 + 0.5) * (v.right - v.left - 1));
      const int my = v.top + static_cast<int>((u(rng) * 0.5 + 0.5) * (v.bottom - v.top - 1));
      const Vec ray = RefRay(r, mx, my, v.scale);
      int refIndex = -1;
      double refT = 1e30;
      for (int t = 0; t < 300; ++t) {
        const double h = RefRayTriangle(ray, ref[t][0] - r.eye, ref[t][1] - r.eye, ref[t][2] - r.eye);
        if (h >= 0 && h < refT) {
          refT = h;
          refIndex = t;
        }
      }
      int index = -1;
      int32_t dist = 0;
      const int hit = PickTriangleAt(mx, my, tris, 300, &index, &dist);
      EXPECT_EQ(hit, refIndex >= 0 ? 1 : 0);
      if (!hit || refIndex < 0) continue;
      if (index != refIndex) {  // only a near tie may differ
        EXPECT_NEAR(dist / 65536.0, refT, 1e-3);
        continue;
      }
      EXPECT_NEAR(dist / 65536.0, refT, 1e-4 * refT + 1e-4);
    }
  }
}

TEST_F(ViewsTest, NearestPointUnderThePointerIsPicked) {
  MakeView({.direction = {0, 1, 0}, .fieldFactor = 2.0f});
  const View& v = *CurrentView;
  // Two points on the centre ray's neighbourhood: 3 and 6 pixels right of the centre.
  const int32_t pts[3][3] = {{static_cast<int32_t>(-6.0 / v.scale * 0x10000), -0x10000, 0},
                             {static_cast<int32_t>(-3.0 / v.scale * 0x10000), -0x10000, 0},
                             {0, 0x10000, 0}};  // behind the eye
  int index = -1;
  ASSERT_EQ(PickPointAt(v.centreX, v.centreY, pts, 3, 5.0f, &index), 1);
  EXPECT_EQ(index, 1);
  ASSERT_EQ(PickPointAt(v.centreX + 7, v.centreY, pts, 3, 5.0f, &index), 1);
  EXPECT_EQ(index, 0);
  EXPECT_EQ(PickPointAt(v.centreX - 10, v.centreY, pts, 3, 5.0f, &index), 0);
}

// A view 1920 x 1080 at field factor 2 has a scale of 960 pixels a unit: at depth 1 a view
// point moves 15 pixels for every 1024, exactly, so points land on the screen's edges
// exactly.  The edges belong to the screen (and to the band of a screen around it for the
// whole-screen test); 69 units (just over a pixel) beyond them does not.
TEST_F(ViewsTest, PointsOnTheScreensEdgesAreInsideAndAPixelBeyondIsNot) {
  MakeView({.direction = {0, 1, 0}, .fieldFactor = 2.0f});
  const View& v = *CurrentView;
  ASSERT_EQ(v.scale, 960);
  ASSERT_EQ(v.centreX, 960);
  ASSERT_EQ(v.centreY, 540);
  struct Case {
    int32_t x, y;
    int wholeScreen, inside;
  };
  const int32_t X = 65536, Y = 36864;  // 960 and 540 pixels from the centre
  const Case cases[] = {
      {-X, 0, 0, 1},       {-X - 69, 0, 0, 0},  {X, 0, 0, 1},        {X + 69, 0, 0, 0},
      {0, Y, 0, 1},        {0, Y + 69, 0, 0},   {0, -Y, 0, 1},       {0, -Y - 69, 0, 0},
      {-3 * X, 0, 1, 1},   {-3 * X - 69, 0, 1, 0}, {3 * X, 0, 1, 1}, {3 * X + 69, 0, 1, 0},
      {0, 3 * Y, 1, 1},    {0, 3 * Y + 69, 1, 0}, {0, -3 * Y, 1, 1}, {0, -3 * Y - 69, 1, 0},
  };
  for (const Case& c : cases) {
    const int32_t p[3] = {c.x, c.y, 0x10000};
    float x, y;
    EXPECT_EQ(ProjectAndTestOnScreen(p, &x, &y, c.wholeScreen), c.inside) << c.x << " " << c.y << " " << c.wholeScreen;
  }
  // With the side panel shown, its own left and right edges bound the area.
  ViewPanelShown = 1;
  ViewPanelLeft = 960;
  ViewPanelRight = 975;
  for (const auto& [x, inside] : {std::pair{0, 1}, std::pair{-69, 0}, std::pair{1024, 1}, std::pair{1024 + 69, 0}}) {
    const int32_t p[3] = {x, 0, 0x10000};
    float px, py;
    EXPECT_EQ(ProjectAndTestOnScreen(p, &px, &py, 0), inside) << x;
  }
  ViewPanelShown = 0;
}

// The pointer's rows and columns run from the view's left and top up to but not including
// its right and bottom.
TEST_F(ViewsTest, ThePointerIsInTheViewFromItsLeftAndTopToBeforeItsRightAndBottom) {
  MakeView({.direction = {0, 1, 0}, .left = 100, .top = 50, .right = 900, .bottom = 650});
  float dir[3];
  EXPECT_EQ(PickFromMouseAt(100, 50, dir), 1);
  EXPECT_EQ(PickFromMouseAt(899, 649, dir), 1);
  EXPECT_EQ(PickFromMouseAt(99, 50, dir), 0);
  EXPECT_EQ(PickFromMouseAt(100, 49, dir), 0);
  EXPECT_EQ(PickFromMouseAt(900, 300, dir), 0);
  EXPECT_EQ(PickFromMouseAt(500, 650, dir), 0);
}

// An orthographic depth of 1024 (1/64 m) is the least that draws, clips and picks; 1023
// does none of them.
TEST_F(ViewsTest, AnOrthographicDepthOf1024IsTheLeastThatWorks) {
  MakeView({.eye = {0, 0, 10}, .direction = {0, 0, 1}});
  const View& v = *CurrentView;
  const int32_t world[3] = {0, 0, 0}, viewCentre[3] = {0, 0, 0x10000};
  for (const int32_t depth : {1024, 1023}) {
    ViewOrthoDepth = depth;
    const int works = depth == 1024 ? 1 : 0;
    float x, y, dir[3];
    EXPECT_EQ(ProjectPointToScreen(world, &x, &y, nullptr), works) << depth;
    EXPECT_EQ(SphereInView(viewCentre, 0), works) << depth;
    int32_t a[3] = {0, 0, 0x10000}, b[3] = {0, 0, 0x20000};
    EXPECT_EQ(ClipSegmentToView(a, b), works) << depth;
    EXPECT_EQ(PickFromMouseAt(v.centreX, v.centreY, dir), works) << depth;
  }
}

// A point exactly the radius away is picked, one a little further is not; of two points
// equally near, and of two triangles equally far, the first is taken.
TEST_F(ViewsTest, PickingTakesTheRadiusItselfAndTheFirstOfEqualCandidates) {
  MakeView({.direction = {0, 1, 0}, .fieldFactor = 2.0f});
  const View& v = *CurrentView;
  ASSERT_EQ(v.scale, 960);
  // 1 unit in front (world -y), 1024 units to the right (world -x): 15 pixels right.
  const int32_t pts[2][3] = {{-1024, -0x10000, 0}, {-1024, -0x10000, 0}};
  int index = -1;
  ASSERT_EQ(PickPointAt(v.centreX, v.centreY, pts, 1, 15.0f, &index), 1);
  EXPECT_EQ(PickPointAt(v.centreX, v.centreY, pts, 1, 14.9f, &index), 0);
  ASSERT_EQ(PickPointAt(v.centreX + 15, v.centreY, pts, 2, 5.0f, &index), 1);
  EXPECT_EQ(index, 0);
  // Two copies of one triangle across the centre ray, 2 m ahead.
  int32_t store[2][3][3];
  for (auto& t : store) {
    const int32_t corners[3][3] = {{-0x10000, -0x20000, -0x10000}, {0x10000, -0x20000, -0x10000}, {0, -0x20000, 0x10000}};
    std::memcpy(t, corners, sizeof corners);
  }
  int32_t distance = 0;
  ASSERT_EQ(PickTriangleAt(v.centreX, v.centreY, store, 2, &index, &distance), 1);
  EXPECT_EQ(index, 0);
  EXPECT_NEAR(distance, 0x20000, 2);
}

// ---- Moving ----

TEST_F(ViewsTest, ArrowKeysMoveLevelAtASpeedSetByHeight) {
  MakeView({.eye = {0, 0, 10}, .direction = {1, 1, 1}});  // looking along (-1, -1) on the level
  FrameTime = 1000;
  ArrowKeysHeld[0] = 1;  // Up: forward at 2 x 10 m per second
  MoveViewByKeys();
  const double s = 20.0 / std::sqrt(2.0);
  EXPECT_NEAR(CurrentView->position[0] / 65536.0, -s, 1e-3);
  EXPECT_NEAR(CurrentView->position[1] / 65536.0, -s, 1e-3);
  EXPECT_EQ(CurrentView->position[2], 10 << 16);
  ArrowKeysHeld[0] = 0;
  ArrowKeysHeld[2] = 1;  // Right: a quarter turn clockwise from forward, (-1, 1)
  MoveViewByKeys();
  EXPECT_NEAR(CurrentView->position[0] / 65536.0, -2 * s, 1e-3);
  EXPECT_NEAR(CurrentView->position[1] / 65536.0, 0.0, 1e-3);
  ArrowKeysHeld[3] = 1;  // Left cancels Right
  MoveViewByKeys();
  EXPECT_NEAR(CurrentView->position[0] / 65536.0, -2 * s, 1e-3);
  // Near the ground the speed is at least 1 m per second, scaled by the speed setting.
  MakeView({.eye = {0, 0, 0.1}, .direction = {0, 1, 0}});
  ArrowKeysHeld[2] = ArrowKeysHeld[3] = 0;
  ArrowKeysHeld[1] = 1;  // Down: backwards, towards +y
  CfgModelEdSpeed = 0x8000;
  FrameTime = 500;
  MoveViewByKeys();
  EXPECT_NEAR(CurrentView->position[1] / 65536.0, 0.25, 1e-4);
}

TEST_F(ViewsTest, ArrowKeysLookingStraightDownMoveTowardsScreenUp) {
  MakeView({.eye = {0, 0, 10}, .direction = {0, 0, 1}});
  FrameTime = 100;
  ArrowKeysHeld[0] = 1;
  MoveViewByKeys();
  // Screen-up of this view is -y (the basis's up).
  EXPECT_NEAR(CurrentView->position[1] / 65536.0, -2.0, 1e-3);
  EXPECT_EQ(CurrentView->position[0], 0);
}

// The zoom keys follow the rule that scales the rate by the speed setting: the height
// changes by 4^(setting x t).  At setting 2 and half a second that is 4, not 2.
TEST_F(ViewsTest, CtrlArrowsScaleTheHeightBySpeedAndTime) {
  MakeView({.eye = {0, 0, 10}, .direction = {0, 1, 1}});
  CtrlHeld = 1;
  CfgModelEdSpeed = 0x20000;
  FrameTime = 500;
  ArrowKeysHeld[0] = 1;
  MoveViewByKeys();
  EXPECT_NEAR(CurrentView->position[2] / 65536.0, 40.0, 1e-3);
  EXPECT_EQ(CurrentView->position[0], 0);
  ArrowKeysHeld[0] = 0;
  ArrowKeysHeld[1] = 1;
  MoveViewByKeys();
  EXPECT_NEAR(CurrentView->position[2] / 65536.0, 10.0, 1e-3);
  // The height stays within 8 km.
  FrameTime = 2000;
  ArrowKeysHeld[1] = 0;
  ArrowKeysHeld[0] = 1;
  for (int i = 0; i < 5; ++i) MoveViewByKeys();
  EXPECT_EQ(CurrentView->position[2], VIEW_CLAMP_Z);
  // Across the ground the view stays within 16 km each way.
  MakeView({.eye = {20000, -20000, 10}, .direction = {0, 1, 1}});
  FrameTime = 10;
  MoveViewByKeys();
  EXPECT_EQ(CurrentView->position[0], 16000 * 65536);
  EXPECT_EQ(CurrentView->position[1], -16000 * 65536);
}

TEST_F(ViewsTest, WheelStepsThereAndBackReturnTheView) {
  for (const bool ortho : {false, true}) {
    MakeView({.eye = {12, -7, 30}, .direction = {0.2, 0.1, 1}});
    if (ortho) ViewOrthoDepth = 25 << 16;
    MouseX = 1400;
    MouseY = 300;
    const View before = *CurrentView;
    const int32_t depthBefore = ViewOrthoDepth;
    int32_t under[3];
    ASSERT_EQ(PickPointOnViewPlane(nullptr, under), 1);
    ViewMouseEvent e{};
    e.wheel = 1;
    DragView(e);
    if (ortho) { EXPECT_NEAR(ViewOrthoDepth, depthBefore * 0.8, 2); }
    // The point under the pointer stays there.
    float x, y;
    ProjectPointToScreen(under, &x, &y, nullptr);
    EXPECT_NEAR(x, MouseX, 0.05);
    EXPECT_NEAR(y, MouseY, 0.05);
    e.wheel = 2;
    DragView(e);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(CurrentView->position[i], before.position[i], 4) << ortho;
    EXPECT_NEAR(ViewOrthoDepth, depthBefore, 2);
  }
}

TEST_F(ViewsTest, DraggingKeepsTheGrabbedPointUnderThePointer) {
  MakeView({.eye = {0, 0, 30}, .direction = {0, 0, 1}});
  ViewOrthoDepth = 30 << 16;
  const int32_t p[3] = {3 << 16, 2 << 16, 0};
  float x0, y0, x1, y1;
  ASSERT_EQ(ProjectPointToScreen(p, &x0, &y0, nullptr), 1);
  ViewMouseEvent e{};
  e.firstHeld = 1;
  e.dx = 37;
  e.dy = -21;
  DragView(e);
  ASSERT_EQ(ProjectPointToScreen(p, &x1, &y1, nullptr), 1);
  EXPECT_NEAR(x1 - x0, 37, 0.05);
  EXPECT_NEAR(y1 - y0, -21, 0.05);
  // Both buttons zoom by the vertical motion; a fast upward flick leaves a usable depth.
  e.secondHeld = 1;
  e.dy = 108;
  DragView(e);
  EXPECT_NEAR(ViewOrthoDepth, (30 << 16) * 1.3, 2);
  e.dy = -5000;
  DragView(e);
  EXPECT_GE(ViewOrthoDepth, VIEW_ORTHO_DEPTH_MIN);
  e.dy = 1000;
  DragView(e);
  EXPECT_GT(ViewOrthoDepth, VIEW_ORTHO_DEPTH_MIN);
  // The second button alone turns the heading by 36 per pixel.
  e = ViewMouseEvent{};
  e.secondHeld = 1;
  e.dx = 10;
  const uint16_t heading = CurrentView->heading;
  DragView(e);
  EXPECT_EQ(CurrentView->heading, static_cast<uint16_t>(heading + 360));
}

// A process's mouse record as the view's event: the motion and the held buttons as they are,
// a press for a left, right or middle click (with Ctrl or Shift too) but not for a release
// alone, the middle button held only while its press is reported, the wheel's code, and Ctrl
// from the keyboard's state.
TEST(ViewMouseEvents, TheRecordsFieldsBecomeTheEventsOwn) {
  const int ctrl = CtrlHeld;
  MouseRecord r{};
  r.dx = 5;
  r.dy = -7;
  r.leftHeld = 1;
  r.wheel = 2;
  CtrlHeld = 0;
  ViewMouseEvent e = ViewMouseEventFromRecord(r);
  EXPECT_EQ(e.dx, 5);
  EXPECT_EQ(e.dy, -7);
  EXPECT_EQ(e.firstHeld, 1);
  EXPECT_EQ(e.secondHeld, 0);
  EXPECT_EQ(e.middleHeld, 0);
  EXPECT_EQ(e.press, 0) << "no click code: no press";
  EXPECT_EQ(e.wheel, 2);
  EXPECT_EQ(e.ctrlHeld, 0);
  struct Row {
    int clickCode, press, middle;
  };
  for (const Row& row : {Row{CLICK_LEFT, 1, 0}, Row{CLICK_RIGHT, 1, 0}, Row{CLICK_MIDDLE, 1, 1},
                         Row{CLICK_LEFT | CLICK_CTRL, 1, 0}, Row{CLICK_RIGHT | CLICK_SHIFT, 1, 0},
                         Row{CLICK_CTRL, 0, 0}, Row{CLICK_SHIFT, 0, 0}}) {
    r = MouseRecord{};
    r.clickCode = row.clickCode;
    r.rightHeld = 1;
    r.releaseCode = 1;
    CtrlHeld = 1;
    e = ViewMouseEventFromRecord(r);
    EXPECT_EQ(e.press, row.press) << row.clickCode;
    EXPECT_EQ(e.middleHeld, row.middle) << row.clickCode;
    EXPECT_EQ(e.secondHeld, 1) << row.clickCode;
    EXPECT_EQ(e.firstHeld, 0) << row.clickCode;
    EXPECT_EQ(e.ctrlHeld, 1) << row.clickCode;
    EXPECT_EQ(e.wheel, 0) << row.clickCode;
  }
  CtrlHeld = ctrl;
}

// ---- Default view and lighting ----

TEST_F(ViewsTest, DefaultViewLooksAtTheOrigin) {
  SetDefaultView();
  EXPECT_EQ(CurrentView, &MainView);
  EXPECT_EQ(MainView.position[2], 5 << 16);
  EXPECT_EQ(MainView.heading, 0xE800);
  // A fresh view: field factor 1.0, pitch 0x0C00, the small factor 1/4096, 400 m of view.
  EXPECT_EQ(MainView.fieldFactorH, 0x10000);
  EXPECT_EQ(MainView.pitch, 0x0C00);
  EXPECT_EQ(MainView.smallFactor, 1.0f / 4096.0f);
  EXPECT_EQ(MainView.viewDistance, 400 * 65536);
  SetupViewRectangle(0, 0, SCREEN_W, SCREEN_H, 0, 0, 1.0f, 0.25f, 0);
  const int32_t origin[3] = {0, 0, 0};
  float x, y;
  int32_t depth;
  ASSERT_EQ(ProjectPointToScreen(origin, &x, &y, &depth), 1);
  EXPECT_NEAR(x, SCREEN_W / 2, 0.05);
  EXPECT_NEAR(y, SCREEN_H / 2, 0.05);
  EXPECT_NEAR(depth / 65536.0, 15.0, 1e-3);
}

// Until a sky is measured the view is lit by light of 1 from every direction: every normal,
// up, down or level, receives 1 in each channel.
TEST_F(ViewsTest, AFreshViewIsLitEquallyFromEveryDirection) {
  SetDefaultView();
  ShIrradiance light;
  std::memcpy(light.m, MainView.lightMatrices, sizeof light.m);
  const float normals[4][3] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {0, 0.6f, 0.8f}};
  for (const auto& n : normals) {
    float got[3];
    ShIrradianceOf(light, n, got);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], 1.0f, 1e-6) << n[0] << " " << n[1] << " " << n[2] << " channel " << c;
  }
}

TEST_F(ViewsTest, LightColoursSetTheAmbientAndTheConstants) {
  SetDefaultView();
  SetViewLightColours(0);
  // Light (0.5, 1, 2): z = 2 / sqrt(5.25); ambient = 0.5 x (z + 1) per channel.
  const float z = 2.0f / std::sqrt(5.25f);
  EXPECT_NEAR(MainView.ambient[0], 0.5f * (z + 1.0f), 1e-5);
  EXPECT_EQ(MainView.ambientColour[1], static_cast<uint8_t>(0.5f * (z + 1.0f) * 255.0f));
  EXPECT_NEAR(ViewLighting.lightVS[60], -0.693147f / 12000.0f, 1e-12);
  EXPECT_NEAR(ViewLighting.block1[14], z, 1e-5);
  EXPECT_EQ(ViewLighting.block0[3], 1.0f);
  SetViewLightColours(2);
  EXPECT_EQ(MainView.ambient[0], 0.0f);
  EXPECT_EQ(MainView.lightColours[1][2], 1.0f);
  CfgSunColour = CfgSkyHigh = 0xFFFFFF;
  CfgGround = 0xFFFF80;  // red 128
  SetViewLightColours(1);
  EXPECT_NEAR(MainView.sunFactors[0], std::pow(128 / 255.0, 2.2), 1e-5);
  EXPECT_EQ(MainView.ambientColour[1], 255);  // capped
  // A zero light direction gives no sun term rather than a NaN.
  MainView.lightDirection[0] = MainView.lightDirection[1] = MainView.lightDirection[2] = 0;
  SetViewLightColours(0);
  EXPECT_EQ(MainView.ambient[0], 0.5f);
}

TEST_F(ViewsTest, PaintColoursAreLitByHeightAndSunAsTheFormulaSays) {
  BuildGammaTables();
  SetDefaultView();
  View& v = MainView;
  const float low[3] = {0.2f, 0.1f, 0.3f}, high[3] = {0.8f, 0.9f, 0.6f}, sunColour[3] = {0.5f, 0.25f, 1.0f};
  const float scales[3] = {1.0f, 1.5f, 0.75f};
  for (int c = 0; c < 3; ++c) {
    v.lightColours[0][c] = low[c];
    v.lightColours[1][c] = high[c];
    v.sunFactors[c] = sunColour[c];
    v.channelScales[c] = scales[c];
  }
  v.lightDirection[0] = 0x8000;  // (0.5, 1, 2): not normalised, as the settings give it
  v.lightDirection[1] = 0x10000;
  v.lightDirection[2] = 0x20000;
  auto expected = [&](const int32_t n[3], uint32_t colour) {
    const double t = n[2] / 65536.0 * 0.5 + 0.5;
    const double dot = (double(n[0]) * v.lightDirection[0] + double(n[1]) * v.lightDirection[1] +
                        double(n[2]) * v.lightDirection[2]) / 65536.0 / 65536.0;
    uint32_t out = 0xFF000000u;
    for (int c = 0; c < 3; ++c) {
      const double light = low[c] + (high[c] - low[c]) * t + std::max(0.0, dot) * sunColour[c];
      const double lit = BrightnessTable[(colour >> (8 * c)) & 0xFF] * light * scales[c];
      out |= uint32_t(std::min(255.0, std::round(lit))) << (16 - 8 * c);
    }
    return out;
  };
  // Straight up, straight down (no sun), level, and a spread of directions.
  std::vector<std::array<int32_t, 3>> normals = {{0, 0, 0x10000}, {0, 0, -0x10000}, {0x10000, 0, 0}};
  std::mt19937 random(12);
  std::uniform_real_distribution<double> axis(-1.0, 1.0);
  for (int i = 0; i < 200; ++i) {
    const Vec n = Unit({axis(random), axis(random), axis(random)});
    normals.push_back({int32_t(n.x * 65536), int32_t(n.y * 65536), int32_t(n.z * 65536)});
  }
  const uint32_t colours[] = {RgbWord(128, 128, 128), RgbWord(255, 40, 200), RgbWord(10, 160, 90), 0};
  LightingMode = 0;
  for (const auto& n : normals) {
    for (uint32_t colour : colours) {
      const uint32_t got = ColourWithLighting(n.data(), colour), want = expected(n.data(), colour);
      for (int shift = 0; shift < 32; shift += 8)  // float sums may round a half the other way
        EXPECT_LE(std::abs(int((got >> shift) & 0xFF) - int((want >> shift) & 0xFF)), 1)
            << std::hex << got << " " << want << " normal " << std::dec << n[0] << " " << n[1] << " " << n[2];
    }
  }
  // Up, grey 128 (table 56), sun cosine 2: red 56 x (0.8 + 0.5 x 2) = 100.8, green
  // 56 x (0.9 + 0.25 x 2) x 1.5 = 117.6, blue 56 x (0.6 + 1 x 2) x 0.75 = 109.2.
  const int32_t up[3] = {0, 0, 0x10000};
  EXPECT_EQ(ColourWithLighting(up, RgbWord(128, 128, 128)), 0xFF65766Du);
  // Bright colours cap at 255 rather than wrapping.
  EXPECT_EQ(ColourWithLighting(up, RgbWord(255, 255, 255)) & 0xFFFF00u, 0xFFFF00u);
  // Unlit paint, and the unlit lighting modes, only pass through the brightness table.
  const uint32_t plain = 0xFF000000u | uint32_t(BrightnessTable[128]) << 16 | uint32_t(BrightnessTable[40]) << 8 |
                         BrightnessTable[200];
  EXPECT_EQ(ColourWithLighting(up, RgbWord(128, 40, 200) | COLOUR_UNLIT_FLAG), plain);
  for (int mode : {4, 5, 6}) {
    LightingMode = mode;
    EXPECT_EQ(ColourWithLighting(up, RgbWord(128, 40, 200)), plain) << mode;
  }
  LightingMode = 3;
  EXPECT_NE(ColourWithLighting(up, RgbWord(128, 40, 200)), plain);
  LightingMode = 0;
}

// The settings' three colours, one byte a channel (red in the low byte), each brought to
// linear light by the power 2.2 and kept apart: the sun's, the high sky's and the ground's.
// A sun below the horizon adds nothing to the ambient light; above it, it adds its colour
// times its height.  The constants the shaders read take each value at its own place.
TEST_F(ViewsTest, SettingsColoursLightEachChannelAndASunBelowTheHorizonAddsNoAmbient) {
  SetDefaultView();
  View& v = MainView;
  CfgSunColour = 0x336699;  // red 0x99, green 0x66, blue 0x33
  CfgSkyHigh = 0x80C040;    // red 0x40, green 0xC0, blue 0x80
  CfgGround = 0x20E0A0;     // red 0xA0, green 0xE0, blue 0x20
  const int sunBytes[3] = {0x99, 0x66, 0x33}, skyBytes[3] = {0x40, 0xC0, 0x80}, groundBytes[3] = {0xA0, 0xE0, 0x20};
  auto linear = [](int byte) { return std::pow(byte / 255.0, 2.2); };
  // Down at 45 degrees: the unit direction is (1, 0, -1) / sqrt(2).
  v.lightDirection[0] = 0x10000;
  v.lightDirection[1] = 0;
  v.lightDirection[2] = -0x10000;
  v.ambientColour[3] = 77;
  v.fogDistance = 5.0f;
  std::memset(&ViewLighting, 0x7F, sizeof ViewLighting);  // what an earlier upload left: all overwritten
  SetViewLightColours(1);
  const double r = 1.0 / std::sqrt(2.0);
  EXPECT_NEAR(v.lightDirectionUnit[0], r, 1e-6);
  EXPECT_EQ(v.lightDirectionUnit[1], 0.0f);
  EXPECT_NEAR(v.lightDirectionUnit[2], -r, 1e-6);
  for (int c = 0; c < 3; ++c) {
    const double sun = linear(sunBytes[c]), sky = linear(skyBytes[c]), ground = linear(groundBytes[c]);
    EXPECT_NEAR(v.lightColours[0][c], sun, 1e-6) << c;
    EXPECT_NEAR(v.lightColours[1][c], sky, 1e-6) << c;
    EXPECT_NEAR(v.sunFactors[c], ground, 1e-6) << c;
    EXPECT_NEAR(v.ambient[c], ground * sky, 1e-6) << "no sun term below the horizon, channel " << c;
    EXPECT_EQ(v.ambientColour[c], static_cast<uint8_t>(ground * sky * 255.0)) << c;
  }
  EXPECT_EQ(v.ambientColour[3], 0);
  EXPECT_EQ(v.fogDistance, 12000.0f);

  // The constants: block 0 the channels times the light scale and a 1; block 1 the light
  // direction in metres, the sun's colour, the sky's, the unit direction, the channels and
  // the scaled channels, four floats each with the fourth zero; block 2 the channels.
  const ViewLightingConstants& k = ViewLighting;
  const float block0[8] = {1, 1, 1, 1, 0, 0, 0, 0};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(k.block0[i], block0[i]) << i;
  const float direction[3] = {1.0f, 0.0f, -1.0f};
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(k.block1[c], direction[c]) << c;
    EXPECT_NEAR(k.block1[4 + c], linear(sunBytes[c]), 1e-6) << c;
    EXPECT_NEAR(k.block1[8 + c], linear(skyBytes[c]), 1e-6) << c;
    EXPECT_EQ(k.block1[16 + c], 1.0f) << c;
    EXPECT_EQ(k.block1[20 + c], 1.0f) << c;
    EXPECT_EQ(k.block2[c], 1.0f) << c;
  }
  EXPECT_NEAR(k.block1[12], r, 1e-6);
  EXPECT_NEAR(k.block1[14], -r, 1e-6);
  for (int i : {3, 7, 11, 15, 19, 23}) EXPECT_EQ(k.block1[i], 0.0f) << i;
  EXPECT_EQ(k.block2[3], 0.0f);
  // The factor rows carry the ambient colour in their fourth place; the fog halves the light
  // every 12 km; the last three are zero.
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(k.lightVS[48 + c * 4 + 3], linear(groundBytes[c]) * linear(skyBytes[c]), 1e-6);
  EXPECT_NEAR(k.lightVS[60], -0.693147f / 12000.0f, 1e-12);

  // Above the horizon the sun adds its colour times its height: (0, 3, 4) / 5 is 0.8 up.
  v.lightDirection[0] = 0;
  v.lightDirection[1] = 0x30000;
  v.lightDirection[2] = 0x40000;
  SetViewLightColours(1);
  for (int c = 0; c < 3; ++c) {
    const double want = linear(groundBytes[c]) * (linear(sunBytes[c]) * 0.8 + linear(skyBytes[c]));
    EXPECT_NEAR(v.ambient[c], want, 1e-6) << c;
  }
  CfgSunColour = CfgSkyHigh = CfgGround = 0xFFFFFF;
}

// The light matrices reach the shaders scaled by the channel of their own index; the factor
// rows take factor [row][column] times the column's channel and the small factor, then the
// colour of the row.
TEST_F(ViewsTest, LightMatricesAndFactorRowsScaleByTheirOwnChannels) {
  SetDefaultView();
  View& v = MainView;
  const float channels[3] = {1.0f, 2.0f, 4.0f};
  for (int c = 0; c < 3; ++c) v.channelScales[c] = channels[c];
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) v.lightFactors[r][c] = float(10 * r + c + 1);
  v.smallFactor = 0.5f;
  v.fogDistance = 1000.0f;
  float matrices[3][16];
  for (int m = 0; m < 3; ++m)
    for (int i = 0; i < 16; ++i) matrices[m][i] = float(100 * m + i);
  const float colour[3] = {0.25f, 0.5f, 0.75f};
  UploadLightMatricesVS(matrices, colour);
  const float* out = ViewLighting.lightVS;
  for (int m = 0; m < 3; ++m)
    for (int i = 0; i < 16; ++i) EXPECT_EQ(out[m * 16 + i], float(100 * m + i) * channels[m]) << m << " " << i;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) EXPECT_EQ(out[48 + r * 4 + c], float(10 * r + c + 1) * channels[c] * 0.5f) << r << c;
    EXPECT_EQ(out[48 + r * 4 + 3], colour[r]) << r;
  }
  EXPECT_NEAR(out[60], -0.693147f / 1000.0f, 1e-9);
  for (int i = 61; i < 64; ++i) EXPECT_EQ(out[i], 0.0f) << i;
}

}  // namespace
