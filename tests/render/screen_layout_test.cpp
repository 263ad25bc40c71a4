// screen_layout_test.cpp - the choice of layout, the view area and its margins, the
// side-by-side screens and their shared edges, the field-of-view limits, and the views file
// with its versions, clamps and damaged forms.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "core/config.h"
#include "core/window_state.h"
#include "render/draw2d.h"
#include "render/views.h"
#include "render/views_local.h"
#include "render/vr.h"
#include "tests/platform/open_descriptors.h"

namespace {

constexpr double PI = 3.14159265358979323846;

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    VrEnabled = 0;
    EditorViewsMode = 0;
    ViewsWideSideOnRight = 0;
    SetDefaultLayouts();
  }
  void TearDown() override {
    VrEnabled = 0;
    SetDefaultLayouts();
  }
};

// ---- Choosing the layout and the view area ----

TEST_F(LayoutTest, TripleWideWindowSpansThreeScreensWithTheInterfaceInTheCentre) {
  SetupScreenLayout(5760, 1080);
  EXPECT_EQ(ScreenLayout.kind, LAYOUT_TRIPLE);
  EXPECT_EQ(ScreenLayout.screenCount, 3);
  EXPECT_EQ(ScreenLayout.sideBySide, 1);
  EXPECT_EQ(ScreenLayout.viewLeft, 1920);
  EXPECT_EQ(ScreenLayout.viewRight, 3840);
  EXPECT_EQ(ScreenLayout.viewHeight, 1080);
  EXPECT_FLOAT_EQ(ViewAreaWidthFraction, 1.0f / 3.0f);
  EXPECT_FLOAT_EQ(ViewAreaHeightFraction, 1.0f);
  const int32_t edges[3][2] = {{0, 1920}, {1920, 3840}, {3840, 5760}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(ScreenLayout.screens[i].left, edges[i][0]);
    EXPECT_EQ(ScreenLayout.screens[i].right, edges[i][1]);
    EXPECT_EQ(ScreenLayout.screens[i].laidOut, 1);
  }
  // Field of view 60 and 30 degrees between screens: the left screen turns left.
  EXPECT_NEAR(ScreenLayout.screens[0].turn, PI / 6, 1e-6);
  EXPECT_NEAR(ScreenLayout.screens[2].turn, -PI / 6, 1e-6);
  EXPECT_NEAR(ScreenLayout.screens[1].fieldFactor, 2 * std::tan(PI / 6), 1e-6);
}

TEST_F(LayoutTest, WideSingleScreenIsLimitedToACentred16By9Region) {
  SetupScreenLayout(2560, 1080);
  EXPECT_EQ(ScreenLayout.kind, LAYOUT_SINGLE);
  EXPECT_EQ(ScreenLayout.viewLeft, 320);
  EXPECT_EQ(ScreenLayout.viewRight, 2240);
  EXPECT_FLOAT_EQ(ViewAreaWidthFraction, 0.75f);
  EXPECT_EQ(ScreenLayout.screens[0].left, 320);
  EXPECT_EQ(ScreenLayout.screens[0].right, 2240);
  // The whole-width flag keeps the full window.
  ViewLayouts[LAYOUT_SINGLE].wholeWidth = 1;
  SetupScreenLayout(2560, 1080);
  EXPECT_EQ(ScreenLayout.viewLeft, 0);
  EXPECT_EQ(ScreenLayout.viewRight, 2560);
  // 16:9 and narrower windows use everything.
  ViewLayouts[LAYOUT_SINGLE].wholeWidth = 0;
  for (const int w : {1920, 1280, 800}) {
    SetupScreenLayout(w, 1080);
    EXPECT_EQ(ScreenLayout.viewLeft, 0);
    EXPECT_EQ(ScreenLayout.viewRight, w);
  }
}

TEST_F(LayoutTest, WideLayoutPutsItsSideScreenWhereThePlayerChose) {
  SetupScreenLayout(2700, 1080);  // exactly 2.5 : 1
  EXPECT_EQ(ScreenLayout.kind, LAYOUT_WIDE);
  EXPECT_EQ(ScreenLayout.viewLeft, 1350);
  EXPECT_EQ(ScreenLayout.viewRight, 2700);
  ViewsWideSideOnRight = 1;
  SetDefaultLayouts();
  SetupScreenLayout(2700, 1080);
  EXPECT_EQ(ScreenLayout.viewLeft, 0);
  EXPECT_EQ(ScreenLayout.viewRight, 1350);
  SetupScreenLayout(2699, 1080);
  EXPECT_EQ(ScreenLayout.kind, LAYOUT_SINGLE);
}

TEST_F(LayoutTest, VeryWideSingleScreenSplitsInThirdsAndCrowdedScreensFallBackTo16By9) {
  ViewLayouts[LAYOUT_TRIPLE].leftScreens = ViewLayouts[LAYOUT_TRIPLE].rightScreens = 0;
  SetupScreenLayout(4400, 1080);  // at least 4 : 1
  EXPECT_EQ(ScreenLayout.kind, LAYOUT_TRIPLE);
  EXPECT_EQ(ScreenLayout.viewLeft, 1467);
  EXPECT_EQ(ScreenLayout.viewRight, 2933);
  // Five screens do not fit side by side in 4100 pixels of 1080 rows.
  ViewLayouts[LAYOUT_TRIPLE].leftScreens = ViewLayouts[LAYOUT_TRIPLE].rightScreens = 2;
  SetupScreenLayout(4100, 1080);
  EXPECT_EQ(ScreenLayout.sideBySide, 0);
  EXPECT_EQ(ScreenLayout.viewLeft, 1090);
  EXPECT_EQ(ScreenLayout.viewRight, 4100 - 1090);
}

// The layouts change at their exact proportions: three screens from 3.75 : 1 (4050 x 1080
// rows), thirds of one screen from 4 : 1 (4320), five screens side by side from 5 : 1
// (5400).  Two screens have their own field-of-view limits: 30 / 2 = 15 degrees and
// 360 / 2 = 180, held to 90.
TEST_F(LayoutTest, LayoutsChangeAtTheirExactProportionsAndTwoScreensHaveTheirOwnFieldLimits) {
  SetupScreenLayout(4050, 1080);
  EXPECT_EQ(ScreenLayout.kind, LAYOUT_TRIPLE);
  SetupScreenLayout(4049, 1080);
  EXPECT_EQ(ScreenLayout.kind, LAYOUT_WIDE);
  ASSERT_EQ(ScreenLayout.screenCount, 2);
  float lo = 0, hi = 0, angle = 0;
  ViewLayouts[LAYOUT_WIDE].fieldOfView = 120.0f;
  EXPECT_EQ(GetFovLimits(&lo, &hi, &angle), 90.0f);
  EXPECT_EQ(lo, 15.0f);
  EXPECT_EQ(hi, 90.0f);
  EXPECT_EQ(angle, 30.0f);
  ViewLayouts[LAYOUT_WIDE].fieldOfView = 10.0f;
  EXPECT_EQ(GetFovLimits(&lo, &hi, &angle), 15.0f);

  // No side screens: 4 : 1 splits in thirds; a pixel narrower keeps a centred 16 : 9 area,
  // 1920 pixels wide for 1080 rows.
  ViewLayouts[LAYOUT_TRIPLE].leftScreens = ViewLayouts[LAYOUT_TRIPLE].rightScreens = 0;
  SetupScreenLayout(4320, 1080);
  EXPECT_EQ(ScreenLayout.viewLeft, 1440);
  EXPECT_EQ(ScreenLayout.viewRight, 2880);
  SetupScreenLayout(4319, 1080);
  EXPECT_NEAR(ScreenLayout.viewLeft, (4319 - 1920) / 2.0, 0.51);

  // Five screens of 1080 pixels each fill 5400 exactly; a pixel less and they share one.
  ViewLayouts[LAYOUT_TRIPLE].leftScreens = ViewLayouts[LAYOUT_TRIPLE].rightScreens = 2;
  SetupScreenLayout(5400, 1080);
  EXPECT_EQ(ScreenLayout.sideBySide, 1);
  EXPECT_EQ(ScreenLayout.viewLeft, 2160);
  EXPECT_EQ(ScreenLayout.viewRight, 3240);
  SetupScreenLayout(5399, 1080);
  EXPECT_EQ(ScreenLayout.sideBySide, 0);
}

TEST_F(LayoutTest, VrUsesOneScreenAndMarkingClearsTheCaptureBit) {
  VrEnabled = 1;
  SetupScreenLayout(5760, 1080);
  EXPECT_EQ(ScreenLayout.kind, LAYOUT_SINGLE);
  EXPECT_EQ(ScreenLayout.screenCount, 1);
  EXPECT_EQ(ScreenLayoutNeedsSetup, 0);
  CfgScreenFlags |= 0x10000000u;
  MarkLayoutChanged();
  EXPECT_EQ(ScreenLayoutNeedsSetup, 1);
  EXPECT_EQ(CfgScreenFlags & 0x10000000u, 0u);
  float lo, hi, angle;
  VrFieldOfView = 150.0f;
  EXPECT_EQ(GetFovLimits(&lo, &hi, &angle), 120.0f);
  EXPECT_EQ(lo, 75.0f);
}

TEST_F(LayoutTest, SmallViewWindowSitsInTheViewArea) {
  ScreenWidth = 2560;
  ScreenHeight = 1080;
  SetupScreenLayout(2560, 1080);
  View view{};
  CurrentView = &view;
  SmallViewWindow = {0.3f, 0.3f, 0.7f, 0.0f};
  SetupSmallViewRectangle(1.0f);
  EXPECT_EQ(view.left, 320 + 1344);
  EXPECT_EQ(view.right, 320 + 1344 + 576);
  EXPECT_EQ(view.top, 0);
  EXPECT_EQ(view.bottom, 324);
  EXPECT_EQ(ViewMatrices.viewport[2], 576);
  // A window reaching past the screen is cut at its edge.
  SmallViewWindow = {0.5f, 0.5f, 0.9f, 0.8f};
  SetupSmallViewRectangle(1.0f);
  EXPECT_EQ(view.right, 2560);
  EXPECT_EQ(view.bottom, 1080);  // A window starting before the area's left and top is cut at the screen's left and top
  // edges; a window of negative size is empty (right at left, bottom at top).
  SmallViewWindow = {0.5f, 0.3f, -0.5f, -0.2f};
  SetupSmallViewRectangle(1.0f);
  EXPECT_EQ(view.left, 0) << "320 - 960, cut at 0";
  EXPECT_EQ(view.right, 320);
  EXPECT_EQ(view.top, 0) << "-216, cut at 0";
  EXPECT_EQ(view.bottom, 108);
  SmallViewWindow = {-0.1f, -0.1f, 0.5f, 0.5f};
  SetupSmallViewRectangle(1.0f);
  EXPECT_EQ(view.left, 1280);
  EXPECT_EQ(view.right, 1280);
  EXPECT_EQ(view.top, 540);
  EXPECT_EQ(view.bottom, 540);
}

// ---- Field of view ----

TEST_F(LayoutTest, FieldOfViewIsClampedInPlaceByScreenCount) {
  SetupScreenLayout(5760, 1080);
  float lo, hi, angle;
  ViewLayouts[LAYOUT_TRIPLE].fieldOfView = 120.0f;
  EXPECT_EQ(GetFovLimits(&lo, &hi, &angle), 90.0f);
  EXPECT_EQ(lo, 10.0f);
  EXPECT_EQ(hi, 90.0f);
  EXPECT_EQ(angle, 30.0f);
  EXPECT_EQ(ViewLayouts[LAYOUT_TRIPLE].fieldOfView, 90.0f);
  ViewLayouts[LAYOUT_TRIPLE].fieldOfView = 5.0f;
  EXPECT_EQ(GetFovLimits(&lo, &hi, &angle), 10.0f);
  SetupScreenLayout(1920, 1080);
  ViewLayouts[LAYOUT_SINGLE].fieldOfView = 170.0f;
  EXPECT_EQ(GetFovLimits(&lo, &hi, &angle), 160.0f);
  EXPECT_EQ(lo, 30.0f);
  EXPECT_EQ(angle, 0.0f);
  ViewLayouts[LAYOUT_SINGLE].fieldOfView = std::nanf("");
  EXPECT_EQ(GetFovLimits(&lo, &hi, &angle), 30.0f);
  EditorViewsMode = 1;
  EditorFieldOfView[LAYOUT_SINGLE] = 75.0f;
  EXPECT_EQ(GetFovLimits(&lo, &hi, &angle), 75.0f);
}

// ---- Side-by-side screens ----

// The edge directions of a screen: atan of (offset +- 1) x half field, turned.
double LeftEdge(const LayoutScreen& s) { return s.turn + std::atan((s.centreOffset + 1.0) * s.fieldFactor * 0.5); }
double RightEdge(const LayoutScreen& s) { return s.turn + std::atan((s.centreOffset - 1.0) * s.fieldFactor * 0.5); }

TEST_F(LayoutTest, NeighbouringScreensShareTheirEdgeDirection) {
  std::mt19937 rng(21);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  int checked = 0;
  for (int n = 0; n < 300; ++n) {
    ViewLayout& l = ViewLayouts[LAYOUT_TRIPLE];
    l.equalWidths = n % 2;
    l.leftScreens = 1 + static_cast<int>(u(rng) * 3);
    l.rightScreens = 1 + static_cast<int>(u(rng) * 3);
    l.centreWidth = 1024 + static_cast<int>(u(rng) * 3000);
    l.sideWidth = 1024 + static_cast<int>(u(rng) * 3000);
    l.centreOffset = static_cast<float>(u(rng) * 1.5 - 0.75);
    l.narrowingPercent = 0.0f;
    const int count = l.leftScreens + 1 + l.rightScreens;
    const float fov = static_cast<float>(20.0 + u(rng) * (std::min(360.0 / count, 90.0) - 20.0));
    l.fieldOfView = fov;
    l.screenAngle = static_cast<float>(u(rng) * fov);
    SetupScreenLayout(std::max(1080 * count + 200, 4100), 1080);  // wide enough for the triple layout
    ASSERT_EQ(ScreenLayout.sideBySide, 1);
    const LayoutScreen* s = ScreenLayout.screens;
    const int c = ScreenLayout.centreIndex;
    EXPECT_EQ(s[0].left, 0);
    EXPECT_EQ(s[count - 1].right, ScreenLayout.width);
    for (int i = 0; i + 1 < count; ++i) EXPECT_EQ(s[i].right, s[i + 1].left);
    for (int i = c - 1; i >= 0 && s[i].laidOut; --i, ++checked) EXPECT_NEAR(RightEdge(s[i]), LeftEdge(s[i + 1]), 1e-5);
    for (int i = c + 1; i < count && s[i].laidOut; ++i, ++checked) EXPECT_NEAR(LeftEdge(s[i]), RightEdge(s[i - 1]), 1e-5);
  }
  EXPECT_GT(checked, 500);
}

TEST_F(LayoutTest, ScreensTurnedByTheFullFieldAreCentredCopies) {
  ViewLayouts[LAYOUT_TRIPLE].screenAngle = 60.0f;
  SetupScreenLayout(5760, 1080);
  const LayoutScreen* s = ScreenLayout.screens;
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(s[i].fieldFactor, 2 * std::tan(PI / 6), 1e-5);
    EXPECT_NEAR(s[i].centreOffset, 0.0, 1e-5);
  }
  EXPECT_NEAR(LeftEdge(s[0]), PI / 2, 1e-5);  // 1.5 x 60 degrees
  // An angle beyond the field of view is held to it.
  ViewLayouts[LAYOUT_TRIPLE].screenAngle = 100.0f;
  SetupScreenLayout(5760, 1080);
  EXPECT_NEAR(ScreenLayout.screens[0].turn, PI / 3, 1e-6);
}

TEST_F(LayoutTest, ScreensTurnedTooFarAreNotLaidOut) {
  ScreenLayoutState s{};
  ViewLayout l = ViewLayouts[LAYOUT_TRIPLE];
  l.leftScreens = l.rightScreens = 2;
  l.centreOffset = 0.75f;
  s.layout = &l;
  s.screenCount = 5;
  s.sideBySide = 1;
  s.width = 5 * 1024;
  s.height = 1024;
  views_local::LayOutScreens(s, 120.0f, 120.0f);
  EXPECT_EQ(s.screens[2].laidOut, 1);
  EXPECT_EQ(s.screens[1].laidOut, 1);  // the first left screen
  EXPECT_EQ(s.screens[0].laidOut, 0);  // the second would face backwards
  EXPECT_EQ(s.screens[3].laidOut, 0);
  EXPECT_EQ(s.screens[4].laidOut, 0);
}

// ---- The views file ----

using Bytes = std::vector<uint8_t>;
void PutU8(Bytes& b, int v) { b.push_back(static_cast<uint8_t>(v)); }
void PutI32(Bytes& b, int32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
}
void PutF32(Bytes& b, float v) { PutI32(b, std::bit_cast<int32_t>(v)); }

Bytes Header(int version, const char* magic = "ZKTVSF") {
  Bytes b(magic, magic + 6);
  PutU8(b, version >> 8);
  PutU8(b, version & 0xFF);
  return b;
}

struct RawRecord {
  int equal = 1, whole = 0, left = 0, right = 0;
  float fov = 90.0f, narrowing = 0.0f;
  int centreWidth = 1024, sideWidth = 1024;
  float angle = 30.0f, offset = 0.0f;
};
void PutRecord(Bytes& b, const RawRecord& r) {
  PutU8(b, r.equal);
  PutU8(b, r.whole);
  PutU8(b, 0);
  PutU8(b, 0);
  PutI32(b, r.left);
  PutI32(b, r.right);
  PutI32(b, 0);
  PutF32(b, r.fov);
  PutF32(b, r.narrowing);
  PutI32(b, r.centreWidth);
  PutI32(b, r.sideWidth);
  PutF32(b, r.angle);
  PutF32(b, r.offset);
  PutF32(b, 0.0f);
  PutF32(b, 0.0f);
}

const char* WriteFile(const char* name, const Bytes& b) {
  static std::string path;
  std::filesystem::create_directories("views");
  path = std::string("views/") + name;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
  return path.c_str();
}

Bytes ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

bool SameLayout(const ViewLayout& a, const ViewLayout& b) {
  return a.equalWidths == b.equalWidths && a.wholeWidth == b.wholeWidth && a.leftScreens == b.leftScreens &&
         a.rightScreens == b.rightScreens && a.fieldOfView == b.fieldOfView &&
         a.narrowingPercent == b.narrowingPercent && a.centreWidth == b.centreWidth && a.sideWidth == b.sideWidth &&
         a.screenAngle == b.screenAngle && a.centreOffset == b.centreOffset;
}

TEST_F(LayoutTest, WrittenFileHasTheExactBytesAndReadsBack) {
  Bytes expected = Header(2);
  PutI32(expected, 0);
  PutRecord(expected, {});
  PutRecord(expected, {.left = 1});
  PutRecord(expected, {.left = 1, .right = 1, .fov = 60.0f});
  ASSERT_EQ(expected.size(), 8u + 4u + 3u * VIEWS_RECORD_SIZE);
  std::filesystem::create_directories("views");
  ASSERT_EQ(SaveViews("views\\defaults.bin"), 1);
  EXPECT_EQ(ReadFile("views/defaults.bin"), expected);

  ViewLayouts[LAYOUT_WIDE] = {0, 1, 2, 3, 75.5f, 12.5f, 2048, 1280, 22.5f, -0.25f};
  ASSERT_EQ(SaveViews("views/changed.bin"), 1);
  const ViewLayout saved[3] = {ViewLayouts[0], ViewLayouts[1], ViewLayouts[2]};
  SetDefaultLayouts();
  ASSERT_EQ(LoadViewsFrom("views/changed.bin"), 1);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(SameLayout(ViewLayouts[i], saved[i])) << i;
}

TEST_F(LayoutTest, VersionOneChangesOnlyTheSingleLayoutAndVersionZeroNothing) {
  Bytes b = Header(1);
  PutI32(b, 0);
  PutRecord(b, {.fov = 70.0f, .offset = 0.5f});
  PutRecord(b, {.left = 3, .fov = 50.0f});  // read and not used
  const ViewLayout wide = ViewLayouts[LAYOUT_WIDE], triple = ViewLayouts[LAYOUT_TRIPLE];
  ASSERT_EQ(LoadViewsFrom(WriteFile("v1.bin", b)), 1);
  EXPECT_EQ(ViewLayouts[LAYOUT_SINGLE].fieldOfView, 70.0f);
  EXPECT_EQ(ViewLayouts[LAYOUT_SINGLE].centreOffset, 0.5f);
  EXPECT_TRUE(SameLayout(ViewLayouts[LAYOUT_WIDE], wide));
  EXPECT_TRUE(SameLayout(ViewLayouts[LAYOUT_TRIPLE], triple));

  SetDefaultLayouts();
  const ViewLayout single = ViewLayouts[LAYOUT_SINGLE];
  Bytes zero = Header(0);
  PutI32(zero, 0);
  PutRecord(zero, {.fov = 45.0f});
  EXPECT_EQ(LoadViewsFrom(WriteFile("v0.bin", zero)), 1);
  EXPECT_TRUE(SameLayout(ViewLayouts[LAYOUT_SINGLE], single));
}

TEST_F(LayoutTest, RecordValuesAreClampedAsTheyAreRead) {
  Bytes b = Header(2);
  PutI32(b, 0);
  PutRecord(b, {.left = 9, .right = -3, .narrowing = std::nanf(""), .centreWidth = 500, .sideWidth = 5000,
                .offset = -2.0f});
  PutRecord(b, {.left = 4, .right = 1, .narrowing = 25.0f, .centreWidth = 1025, .sideWidth = 4095,
                .offset = 0.9f});
  PutRecord(b, {.left = 0, .right = 5, .narrowing = -1.0f, .centreWidth = 4096, .sideWidth = 1024,
                .offset = std::nanf("")});
  ASSERT_EQ(LoadViewsFrom(WriteFile("clamp.bin", b)), 1);
  const ViewLayout* l = ViewLayouts;
  EXPECT_EQ(l[0].leftScreens, 5);
  EXPECT_EQ(l[0].rightScreens, 0);
  EXPECT_EQ(l[0].narrowingPercent, 0.0f);
  EXPECT_EQ(l[0].centreWidth, 1024);
  EXPECT_EQ(l[0].sideWidth, 4096);
  EXPECT_EQ(l[0].centreOffset, -0.75f);
  EXPECT_EQ(l[1].leftScreens, 4);
  EXPECT_EQ(l[1].rightScreens, 1);
  EXPECT_EQ(l[1].narrowingPercent, 20.0f);
  EXPECT_EQ(l[1].centreWidth, 1025);
  EXPECT_EQ(l[1].sideWidth, 4095);
  EXPECT_EQ(l[1].centreOffset, 0.75f);
  EXPECT_EQ(l[2].rightScreens, 5);
  EXPECT_EQ(l[2].narrowingPercent, 0.0f);
  EXPECT_EQ(l[2].centreWidth, 4096);
  EXPECT_EQ(l[2].centreOffset, -0.75f);
}

// The views file is read as a stream: whatever a read finds (version 0 with nothing to take,
// every record, a file cut short) it closes the file behind it.
TEST_F(LayoutTest, EveryViewsFileReadClosesItsFile) {
  Bytes zero = Header(0);
  PutI32(zero, 0);
  Bytes whole = Header(2);
  PutI32(whole, 0);
  for (int i = 0; i < 3; ++i) PutRecord(whole, {});
  const Bytes cut(whole.begin(), whole.end() - 4);
  const int open = OpenDescriptors();
  EXPECT_EQ(LoadViewsFrom(WriteFile("zero.bin", zero)), 1);
  EXPECT_EQ(OpenDescriptors(), open) << "version 0";
  EXPECT_EQ(LoadViewsFrom(WriteFile("whole.bin", whole)), 1);
  EXPECT_EQ(OpenDescriptors(), open) << "every record";
  EXPECT_EQ(LoadViewsFrom(WriteFile("cut.bin", cut)), 0);
  EXPECT_EQ(OpenDescriptors(), open) << "cut short";
}

TEST_F(LayoutTest, DamagedWrongAndLaterFilesLeaveTheDefaults) {
  SetDefaultLayouts();
  const ViewLayout defaults[3] = {ViewLayouts[0], ViewLayouts[1], ViewLayouts[2]};
  auto unchanged = [&] {
    for (int i = 0; i < 3; ++i)
      if (!SameLayout(ViewLayouts[i], defaults[i])) return false;
    return true;
  };
  Bytes good = Header(2);
  PutI32(good, 0);
  for (int i = 0; i < 3; ++i) PutRecord(good, {.left = 2, .fov = 40.0f});
  for (size_t n = 0; n < good.size(); ++n) {
    EXPECT_EQ(LoadViewsFrom(WriteFile("cut.bin", Bytes(good.begin(), good.begin() + n))), 0) << n;
    EXPECT_TRUE(unchanged()) << n;
  }
  Bytes later = good;
  later[7] = 3;
  EXPECT_EQ(LoadViewsFrom(WriteFile("later.bin", later)), 0);
  Bytes wrong = good;
  wrong[0] = 'Q';
  EXPECT_EQ(LoadViewsFrom(WriteFile("wrong.bin", wrong)), 0);
  EXPECT_EQ(LoadViewsFrom("views/missing.bin"), 0);
  EXPECT_TRUE(unchanged());
  EXPECT_EQ(LoadViewsFrom(WriteFile("good.bin", good)), 1);
  EXPECT_EQ(ViewLayouts[LAYOUT_TRIPLE].leftScreens, 2);
}

TEST_F(LayoutTest, StartUpReadsTheFileFromTheDataFolder) {
  std::filesystem::remove_all("data");
  ViewLayouts[LAYOUT_SINGLE].fieldOfView = 33.0f;  // reset by the load
  ScreenLayoutNeedsSetup = 0;
  EXPECT_EQ(LoadViews(), 0);
  EXPECT_EQ(ViewLayouts[LAYOUT_SINGLE].fieldOfView, 90.0f);
  EXPECT_EQ(ScreenLayoutNeedsSetup, 1);
  std::filesystem::create_directories("data/misc");
  Bytes b = Header(1);
  PutI32(b, 0);
  PutRecord(b, {.fov = 80.0f});
  PutRecord(b, {});
  std::ofstream("data/misc/views.bin", std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
  EXPECT_EQ(LoadViews(), 1);
  EXPECT_EQ(ViewLayouts[LAYOUT_SINGLE].fieldOfView, 80.0f);
  std::filesystem::remove_all("data");
}

}  // namespace
