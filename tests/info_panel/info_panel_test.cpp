// info_panel_test.cpp - the information panel's layout and rows, and its tab row and first
// pages for sample cars as the garage and the editor draw them, the figures checked against
// our own double arithmetic from each car's data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "core/window_state.h"
#include "info_panel/colour_marks.h"
#include "info_panel/info_panel.h"
#include "info_panel/info_panel_layout.h"
#include "info_panel/skin_template.h"
#include "physics/car.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "render/object_picture.h"
#include "render/texture_record.h"
#include "tests/info_panel/panel_test_util.h"
#include "tests/ui/fixed_width_text.h"
#include "tests/physics/car_test_util.h"
#include "text/language.h"
#include "ui/draw_record.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "ui/character_set.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"
#include "vehicle_data/builtin_vehicles.h"
#include "vehicle_data/rim_profile.h"

namespace {

constexpr int RUNABOUT = 0, ROADSTER = 3, RACER = 11, SOLAR = 19, KART = 20;

std::vector<std::string>& Boxes() {
  static std::vector<std::string> b;
  return b;
}

// Every text the frame's value controls show, in order.
std::vector<std::string> ShownTexts() {
  std::vector<std::string> out;
  char text[512];
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControlText(ValueControls[i], text, sizeof text) && text[0]) out.push_back(text);
  return out;
}

bool Shows(const std::string& text) {
  for (const std::string& t : ShownTexts())
    if (t == text) return true;
  return false;
}

bool ShowsPart(const std::string& part) {
  for (const std::string& t : ShownTexts())
    if (t.find(part) != std::string::npos) return true;
  return false;
}

const ValueControl* ControlShowing(const std::string& text) {
  char shown[512];
  for (int i = ValueControlCount - 1; i >= 0; --i)
    if (ValueControlText(ValueControls[i], shown, sizeof shown) && text == shown) return &ValueControls[i];
  return nullptr;
}

// Clicks (press and release) in the middle of a control.
int Click(const ValueControl& control, int code = CLICK_LEFT) {
  const ValueControl c = control;
  MouseX = static_cast<int>(((c.left + c.right) * 0.5f + 1.0f) * 0.5f * static_cast<float>(ScreenWidth));
  MouseY = static_cast<int>(((c.top + c.bottom) * 0.5f + 1.0f) * 0.5f * static_cast<float>(ScreenHeight));
  MouseRecord press{};
  press.clickCode = code;
  press.leftHeld = code == CLICK_LEFT;
  const int took = HandleInterfaceMouse(&press);
  MouseRecord release{};
  release.releaseCode = code;
  HandleInterfaceMouse(&release);
  return took;
}

struct Calls {
  int setup = 0, strategy = 0, configuration = 0, body = 0, skin = 0;
  uintptr_t configurationWord = 99, skinWord = 99;
};
Calls g_calls;

class PanelTest : public ::testing::Test {
 protected:
  ReportSink saved{};
  Prss owner{};
  void SetUp() override {
    SetDefaultTextColours();
    Crc32InitTable();
    ReportSink sink{};
    sink.line = [](const char*, ReportColour, int) {};
    sink.box = [](Prss*, const char* first, const char* second) {
      Boxes().push_back(second ? std::string(first) + " " + second : std::string(first));
    };
    saved = InstallReportSink(sink);
    Boxes().clear();
    ScreenWidth = 1280;
    ScreenHeight = 1024;
    SetInterfaceMetrics();
    ResetInterfaceState();
    ClearInterface();
    ResetInfoPanelLayout();
    InfoPageShown = INFO_PAGE_INFO;
    SpeedUnitKmh = 1;
    Strategy = PitStrategy{};
    ModRatings = HeldModRatings{};
    g_calls = Calls{};
    owner.alive = 1;
  }
  void TearDown() override {
    ResetInterfaceState();
    InstallReportSink(saved);
  }
  InfoPanelArgs Args(Car& car, int inEditor) {
    InfoPanelArgs a;
    a.owner = &owner;
    a.onSetupChanged = [](void*, int, uintptr_t) { ++g_calls.setup; };
    a.onBodyColour = [](void*, int, uintptr_t) { ++g_calls.body; };
    a.onStrategy = [](void*, int, uintptr_t) { ++g_calls.strategy; };
    a.onStepConfiguration = [](void*, int, uintptr_t word) {
      ++g_calls.configuration;
      g_calls.configurationWord = word;
    };
    a.onSkin = [](void*, int, uintptr_t word) {
      ++g_calls.skin;
      g_calls.skinWord = word;
    };
    a.car = &car;
    a.inEditor = inEditor;
    return a;
  }
  void Draw(Car& car, int inEditor, float fuelPerLap = 0.0f) {
    ClearInterface();
    InfoPanelArgs a = Args(car, inEditor);
    a.fuelPerLap = fuelPerLap;
    DrawVehicleInfoPanel(a);
  }
  // A byte row's bar (VALUE_TYPE_MAPPED_BYTE) and its down and up arrows (41, 40) bound to a variable: the
  // bytes' range, the same figures shown at its ends, and the arrows stopping at them.
  void ExpectByteRow(const uint8_t* variable, int lowest, int highest, const char* what) {
    const ValueControl *bar = nullptr, *down = nullptr, *up = nullptr;
    for (int i = 0; i < ValueControlCount; ++i) {
      const ValueControl& c = ValueControls[i];
      if (c.variable != variable) continue;
      if (c.displayType == VALUE_TYPE_MAPPED_BYTE) bar = &c;
      if (c.displayType == VALUE_TYPE_BYTE_MINUS) down = &c;
      if (c.displayType == VALUE_TYPE_BYTE_PLUS) up = &c;
    }
    ASSERT_NE(bar, nullptr) << what;
    ASSERT_NE(down, nullptr) << what;
    ASSERT_NE(up, nullptr) << what;
    EXPECT_EQ(bar->byteMinimum, lowest) << what;
    EXPECT_EQ(bar->byteMaximum, highest) << what;
    EXPECT_FLOAT_EQ(bar->minimum.f, float(lowest)) << what;
    EXPECT_FLOAT_EQ(bar->maximum.f, float(highest)) << what;
    EXPECT_EQ(down->label.i, lowest) << what;
    EXPECT_EQ(up->label.i, highest) << what;
  }
  // The tabs: the controls on the panel's two top bands.
  static bool IsTab(const ValueControl& c) {
    for (int row = 0; row < 2; ++row)
      if (c.top == PANEL_TOP + row * PANEL_TAB_HEIGHT && c.bottom == c.top + PANEL_TAB_HEIGHT) return true;
    return false;
  }
  int Tabs() {
    int n = 0;
    for (int i = 0; i < ValueControlCount; ++i) n += IsTab(ValueControls[i]);
    return n;
  }
};

// ---- Layout and rows ----

TEST_F(PanelTest, LayoutScaleStaysBetweenHalfAndOneButtonPerRow) {
  SetInfoPanelLayout(0.5f, 0.6f, -0.8f);  // 0.1 wide: far below half size
  EXPECT_FLOAT_EQ(InfoLayout.sx, 0.5f);
  EXPECT_FLOAT_EQ(InfoLayout.sy, 0.5f);
  EXPECT_FLOAT_EQ(InfoLayout.x0, 0.55f - 0.15f * 0.5f);
  EXPECT_FLOAT_EQ(InfoLayout.y0, -0.8f + 0.7f * 0.5f);  // the panel's top edge on the rectangle's top
  const float most = float(ButtonHeight) / (float(ScreenHeight) / 2.0f) / PANEL_ROW_METRIC;
  SetInfoPanelLayout(-1.0f, 1.0f, -1.0f);  // 2.0 wide would be 1.25
  EXPECT_FLOAT_EQ(InfoLayout.sx, std::max(0.5f, most));
  // Corner by corner: a control's rectangle lands where its corners go.
  SetInfoPanelLayout(0.0f, 1.2f, -0.5f);
  const float s = InfoLayout.sx;
  ClearInterface();
  ASSERT_EQ(AddPanelValueControl(&owner, nullptr, IvText("x"), IvInt(0), IvInt(0), VALUE_TYPE_LABEL, nullptr, nullptr,
                                 0.1f, 0.2f, 0.3f, 0.5f),
            0);
  EXPECT_FLOAT_EQ(ValueControls[0].left, s * 0.1f + InfoLayout.x0);
  EXPECT_FLOAT_EQ(ValueControls[0].top, s * 0.2f + InfoLayout.y0);
  EXPECT_FLOAT_EQ(ValueControls[0].right, s * 0.3f + InfoLayout.x0);
  EXPECT_FLOAT_EQ(ValueControls[0].bottom, s * 0.5f + InfoLayout.y0);
  ResetInfoPanelLayout();
  EXPECT_FLOAT_EQ(InfoLayout.sx, 1.0f);
  EXPECT_FLOAT_EQ(InfoLayout.x0, 0.0f);
  // On a screen 608 high a line's text (0.85 x 0.072 x s screen units, 304 pixels a unit)
  // reaches the least text size, 11.85 pixels, at s = 11.85 / (0.85 x 0.072 x 304) = 0.63693:
  // the panel widens so far, to the right, where it may reach x 0.2, and only as far as x -0.2
  // lets it, (-0.2 + 0.98) / 1.6 = 0.4875, when that is its end, never below a half.
  ScreenHeight = 608;
  SetInfoPanelLayout(-0.98f, -0.18f, -0.5f, 0.2f);
  EXPECT_NEAR(InfoLayout.sx, 0.63693f, 1e-4f);
  EXPECT_FLOAT_EQ(InfoLayout.sy, InfoLayout.sx);
  EXPECT_FLOAT_EQ(InfoLayout.x0, -0.98f + 0.65f * InfoLayout.sx) << "its left edge (-0.65) kept at -0.98";
  SetInfoPanelLayout(-0.98f, -0.18f, -0.5f, -0.2f);
  EXPECT_FLOAT_EQ(InfoLayout.sx, 0.5f);
  SetInfoPanelLayout(-0.98f, -0.18f, -0.5f);
  EXPECT_FLOAT_EQ(InfoLayout.sx, 0.5f) << "no wider than its rectangle unless it may";
  ResetInfoPanelLayout();
}

// The tabs' names and the Info page's lines are not squeezed across below three quarters of
// their width (with the fixed-width set every glyph advances 7/12 of the size and 1/12 more
// between glyphs): the tabs stand in two rows, a line too long for its row goes on over the
// next.  A text's room is its control's width less 0.15 of its height each side; its size
// 0.85 of its height.  The tabs' names read as one row: one text size for all of them.
TEST_F(PanelTest, TabsAndLinesAreNotSqueezedBelowThreeQuarters) {
  FixedWidthText fixed;
  ScreenWidth = 864;
  ScreenHeight = 608;
  SetInterfaceMetrics();
  const float aspect = 608.0f / 864.0f;
  Car car;
  MakeSampleCar(RUNABOUT, car);
  // An engine whose line is too long for its row.
  car.engine.engineSize = 3187.5f;
  car.engine.flags |= ENGINE_TURBO;
  car.engine.cylinders = 4;
  car.engine.layout = 0;
  SetInfoPanelLayout(-0.98f, -0.18f, -0.5f, 0.1f);
  ResetDrawRecord();
  DrawRecording = 1;
  Draw(car, 1);
  DrawRecording = 0;
  std::vector<DrawRecordEntry> queued;
  WaitingTexts(InterfaceTextBatch, 1, queued);
  std::vector<std::pair<std::string, float>> tabSizes;
  for (const DrawRecordEntry& e : queued)
    if (e.ownerKind == RECORD_OWNER_CONTROL && ValueControls[e.owner].callback == SelectInfoPage)
      tabSizes.emplace_back(e.text, e.glyphHeight);
  ASSERT_EQ(tabSizes.size(), 9u);
  for (const auto& [tab, height] : tabSizes) EXPECT_NEAR(height, tabSizes[0].second, 0.01f) << tab << " / Info";
  int tabs = 0, lines = 0;
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    char text[256] = "";
    if (c.displayType != VALUE_TYPE_TEXT &&
        (c.displayType < VALUE_TYPE_LABEL || c.displayType > VALUE_TYPE_HELD_DEGREES))
      continue;
    if (!ValueControlText(c, text, sizeof text) || !text[0]) continue;
    const float h = c.bottom - c.top, size = 0.85f * h;
    const float width = 8.0f / 12.0f * size * aspect * float(std::strlen(text));
    const float room = c.right - c.left - 0.3f * h;
    EXPECT_GE(room / width, 0.75f) << text;
    (c.callback == SelectInfoPage ? tabs : lines) += 1;
  }
  EXPECT_EQ(tabs, 9);
  EXPECT_GT(lines, 8);
  EXPECT_FALSE(Shows("Engine : 3.2 litre turbocharged inline 4 / Front wheel drive"));
  EXPECT_TRUE(Shows("/ Front wheel drive"));
  ResetInfoPanelLayout();
}

// In a scaled layout each row's bar stands between its two arrows, edge to edge, on their
// band: byte, word and float rows alike.
TEST_F(PanelTest, AScaledRowsBarStandsBetweenItsArrows) {
  SetInfoPanelLayout(0.0f, 1.2f, -0.5f);
  ASSERT_NE(InfoLayout.sx, 1.0f);
  uint8_t byte = 50;
  uint16_t word = 1000;
  float value = 1.0f;
  const struct {
    const char* name;
    int leftArrow;
  } rows[] = {{"byte", 41}, {"word", 43}, {"float", 45}};
  for (const auto& r : rows) {
    ClearInterface();
    if (r.leftArrow == 41)
      AddPanelByteRow(&owner, "B %.0f", 0.1f, &byte, nullptr, 0, 100, 0, 100, nullptr, 0, 0.2f, 0.6f);
    if (r.leftArrow == 43)
      AddPanelWordRow(&owner, "W %.0f", 0.1f, &word, nullptr, 0, 5000, nullptr, 0, 0, 0.2f, 0.6f);
    if (r.leftArrow == 45)
      AddPanelFloatRow(&owner, "F %.1f", 0.1f, &value, 0.1f, 0.0f, 2.0f, nullptr, 0, 0, 0.2f, 0.6f);
    int at = -1;
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].displayType == r.leftArrow) at = i;
    ASSERT_GE(at, 0) << r.name;
    ASSERT_LT(at + 2, ValueControlCount) << r.name;
    const ValueControl &left = ValueControls[at], &bar = ValueControls[at + 1], &right = ValueControls[at + 2];
    EXPECT_EQ(right.displayType, r.leftArrow - 1) << r.name;
    EXPECT_FLOAT_EQ(bar.left, left.right) << r.name;
    EXPECT_FLOAT_EQ(bar.right, right.left) << r.name;
    EXPECT_FLOAT_EQ(bar.top, left.top) << r.name;
    EXPECT_FLOAT_EQ(bar.bottom, left.bottom) << r.name;
  }
  ResetInfoPanelLayout();
}

// On a screen so tall that a button's height is a sliver of it, the panel stays at half size.
TEST_F(PanelTest, ATallScreenStillGivesTheLayoutHalfSize) {
  const int height = ScreenHeight;
  ScreenHeight = 100000;
  SetInfoPanelLayout(-1.0f, 1.0f, -1.0f);
  EXPECT_FLOAT_EQ(InfoLayout.sx, 0.5f);
  EXPECT_FLOAT_EQ(InfoLayout.sy, 0.5f);
  ScreenHeight = height;
  ResetInfoPanelLayout();
}

TEST_F(PanelTest, RowsShowTheirValuesByTheirMappings) {
  uint8_t balance = 5, slip = 20, slipTop = 200;
  AddPanelByteRow(&owner, "B %.0f", 0.0f, &balance, nullptr, 5, 95, 5, 95, nullptr, 0, 0.0f, 0.4f);
  AddPanelByteRow(&owner, "S %.1f", 0.0f, &slip, nullptr, 2, 20, 20, 200, nullptr, 0, 0.0f, 0.4f);
  AddPanelByteRow(&owner, "T %.1f", 0.0f, &slipTop, nullptr, 2, 20, 20, 200, nullptr, 0, 0.0f, 0.4f);
  EXPECT_TRUE(Shows("B 5"));
  EXPECT_TRUE(Shows("S 2.0"));
  EXPECT_TRUE(Shows("T 20.0"));
  uint16_t low = 0, high = 65534;
  AddPanelWordRow(&owner, "W %.3f / %.3f", 0.0f, &low, &high, 0.5f, 7.5f, nullptr, 1, 0, 0.0f, 0.4f);
  EXPECT_TRUE(Shows("W 0.500 / 7.500"));
  // Float rows by precision: as stored, thousandths, radians in degrees.
  float v = 1500.0f, angle = 0.5f;
  AddPanelFloatRow(&owner, "F %.0f", 0.0f, &v, 1.0f, 0.0f, 3000.0f, nullptr, 0, 0, 0.0f, 0.4f);
  AddPanelFloatRow(&owner, "K %.1f", 0.0f, &v, 1.0f, 0.0f, 3000.0f, nullptr, 2, 0, 0.0f, 0.4f);
  AddPanelFloatRow(&owner, "D %.2f", 0.0f, &angle, 0.01f, 0.0f, 1.0f, nullptr, 1, 0, 0.0f, 0.4f);
  EXPECT_TRUE(Shows("F 1500"));
  EXPECT_TRUE(Shows("K 1.5"));
  EXPECT_TRUE(Shows(Fmt("D %.2f", double(0.5f * 180.0f / 3.14159265f))));
}

TEST_F(PanelTest, PairRowsShowOneOrTwoSetsAndRangelessRowsNone) {
  uint8_t left = 40, right = 50;
  AddPanelByteRow(&owner, "%.1f / %.1f", 0.0f, &left, &right, -4.5f, 4.5f, 0, 90, nullptr, 0, 0.0f, 0.4f);
  EXPECT_EQ(ValueControlCount, 4);  // the label and one set, bound to the left byte
  for (int i = 1; i < 4; ++i) EXPECT_EQ(ValueControls[i].variable, &left);
  ClearInterface();
  AddPanelByteRow(&owner, "%.1f / %.1f", 0.0f, &left, &right, -4.5f, 4.5f, 0, 90, nullptr, 1, 0.0f, 0.4f);
  ASSERT_EQ(ValueControlCount, 7);
  EXPECT_EQ(ValueControls[4].variable, &right);
  EXPECT_FLOAT_EQ(ValueControls[4].top - ValueControls[1].top, PANEL_PAIR_EXTRA);
  // Mode 2 dims the pair's label and keeps to one set, bound to the left byte.
  ClearInterface();
  AddPanelByteRow(&owner, "%.1f / %.1f", 0.0f, &left, &right, -4.5f, 4.5f, 0, 90, nullptr, 2, 0.0f, 0.4f);
  ASSERT_EQ(ValueControlCount, 4);
  EXPECT_EQ(ValueControls[0].colour, &InterfaceColours.textUnavailable);
  for (int i = 1; i < 4; ++i) EXPECT_EQ(ValueControls[i].variable, &left);
  // A maximum not above the minimum divides by nothing: the value alone, no bar or arrows.
  ClearInterface();
  uint8_t wing = 7;
  AddPanelByteRow(&owner, "A %.0f", 0.0f, &wing, nullptr, 10, 10, 10, 10, nullptr, 0, 0.0f, 0.4f);
  EXPECT_EQ(ValueControlCount, 1);
  EXPECT_TRUE(Shows("A 10"));
  float h = 0.1f;
  AddPanelFloatRow(&owner, "H %.3f", 0.0f, &h, 0.001f, 0.1f, 0.1f, nullptr, 0, 0, 0.0f, 0.4f);
  EXPECT_EQ(ValueControlCount, 2);
  // A scaled word row's arrows step over the whole word, 0 to 65534; its text, like every
  // row's, stands centred (label bits 0).
  ClearInterface();
  uint16_t scaledWord = 100;
  AddPanelWordRow(&owner, "G %.3f", 0.0f, &scaledWord, nullptr, 0.5f, 7.5f, nullptr, 1, 0, 0.0f, 0.4f);
  ASSERT_EQ(ValueControlCount, 4);
  EXPECT_EQ(ValueControls[0].label.i, 0);
  EXPECT_EQ(ValueControls[1].label.i, 0) << "the left arrow's end";
  EXPECT_EQ(ValueControls[3].label.i, 65534) << "the right arrow's end";
  // A row whose bounds meet shows its value alone: so too a word row.
  ClearInterface();
  uint16_t word = 300;
  AddPanelWordRow(&owner, "W %.0f", 0.0f, &word, nullptr, 5.0f, 5.0f, nullptr, 0, 0, 0.0f, 0.4f);
  EXPECT_EQ(ValueControlCount, 1);
  EXPECT_TRUE(Shows("W 300"));
}

// A row without a range is only its label: it is kept while the label clears the clip, where
// a row with a range would be left out for its bar (scale 0.5, the clip at 0.45 panel units).
TEST_F(PanelTest, ARowWithoutRangeIsKeptWhileItsLabelClearsTheClip) {
  SetInfoPanelLayout(-1.0f, -0.2f, -0.6f);
  ClipInfoPanelBelow(InfoLayout.sy * 0.45f + InfoLayout.y0);
  uint8_t b = 10;
  uint16_t w = 300;
  // From 0.2 to 0.6: the label ends at 0.3, the bar would end at 0.57.
  AddPanelByteRow(&owner, "R %.0f", 0.0f, &b, nullptr, 10, 10, 10, 10, nullptr, 0, 0.2f, 0.6f);
  EXPECT_EQ(ValueControlCount, 1);
  AddPanelWordRow(&owner, "W %.0f", 0.0f, &w, nullptr, 5.0f, 5.0f, nullptr, 0, 0, 0.2f, 0.6f);
  EXPECT_EQ(ValueControlCount, 2);
  AddPanelByteRow(&owner, "S %.0f", 0.0f, &b, nullptr, 0, 100, 0, 100, nullptr, 0, 0.2f, 0.6f);
  AddPanelWordRow(&owner, "V %.0f", 0.0f, &w, nullptr, 0.0f, 1000.0f, nullptr, 0, 0, 0.2f, 0.6f);
  EXPECT_EQ(ValueControlCount, 2) << "with a range the bar would pass the clip";
  ResetInfoPanelLayout();
}

// Below the clip a row is left out whole, never a label without its arrows or a pair without
// its second set; a text that would pass it is left out; the reset lifts the clip.
TEST_F(PanelTest, AClipLeavesOutWholeRowsBelowIt) {
  SetInfoPanelLayout(-1.0f, -0.2f, -0.6f);  // scale 0.5
  const float s = InfoLayout.sy;
  // A one-set row from 0 to 0.4 ends at 0.37; a pair on two sets 0.15 lower, at 0.52.
  ClipInfoPanelBelow(s * 0.45f + InfoLayout.y0);
  uint8_t b = 10, right = 20;
  AddPanelByteRow(&owner, "B %.0f", 0.0f, &b, nullptr, 0, 100, 0, 100, nullptr, 0, 0.0f, 0.4f);
  EXPECT_EQ(ValueControlCount, 4) << "a row above the clip is whole";
  AddPanelByteRow(&owner, "P %.0f %.0f", 0.0f, &b, &right, 0, 100, 0, 100, nullptr, 1, 0.0f, 0.4f);
  EXPECT_EQ(ValueControlCount, 4) << "its second set would pass the clip";
  uint16_t w = 100, wRight = 200;
  AddPanelWordRow(&owner, "Q %.0f %.0f", 0.0f, &w, &wRight, 0.0f, 1000.0f, nullptr, 0, 1, 0.0f, 0.4f);
  EXPECT_EQ(ValueControlCount, 4) << "a word pair's second set would pass the clip too";
  AddPanelWordRow(&owner, "W %.0f", 0.0f, &w, nullptr, 0.0f, 1000.0f, nullptr, 0, 0, 0.1f, 0.5f);
  float f = 1.0f;
  AddPanelFloatRow(&owner, "F %.0f", 0.0f, &f, 1.0f, 0.0f, 10.0f, nullptr, 0, 0, 0.1f, 0.5f);
  EXPECT_EQ(ValueControlCount, 4) << "the bands at 0.47 pass the clip";
  // A rangeless row is its label alone, which ends higher: it stays.
  AddPanelFloatRow(&owner, "G %.0f", 0.0f, &f, 1.0f, 5.0f, 5.0f, nullptr, 0, 0, 0.1f, 0.5f);
  EXPECT_EQ(ValueControlCount, 5);
  EXPECT_EQ(AddPanelValueControl(&owner, nullptr, IvText("x"), IvInt(0), IvInt(0), VALUE_TYPE_LABEL, nullptr, nullptr,
                                 0.0f, 0.4f, 0.5f, 0.46f),
            -1);
  EXPECT_EQ(AddPanelControl(&owner, nullptr, IvText("x"), IvInt(0), IvInt(0), VALUE_TYPE_LABEL, nullptr, nullptr, 0.0f,
                            0.4f, 0.5f, 0.46f),
            -1);
  for (int i = 0; i < ValueControlCount; ++i) EXPECT_LE(ValueControls[i].bottom, InfoLayout.bottom) << i;
  // A control that ends exactly on the clip is still whole.
  EXPECT_GE(AddPanelValueControl(&owner, nullptr, IvText("x"), IvInt(0), IvInt(0), VALUE_TYPE_LABEL, nullptr, nullptr,
                                 0.0f, 0.4f, 0.5f, 0.45f),
            0);
  EXPECT_GE(AddPanelControl(&owner, nullptr, IvText("x"), IvInt(0), IvInt(0), VALUE_TYPE_LABEL, nullptr, nullptr, 0.0f,
                            0.4f, 0.5f, 0.45f),
            0);
  ResetInfoPanelLayout();
  EXPECT_EQ(InfoLayout.bottom, INFO_PANEL_UNCLIPPED);
  AddPanelByteRow(&owner, "P %.0f %.0f", 0.0f, &b, &right, 0, 100, 0, 100, nullptr, 1, 0.0f, 0.4f);
  EXPECT_EQ(ValueControlCount, 14);
}

// The strategy rows: fuel (or charge) at start 1 to 100, fuel to add in a pit stop and the
// tyre change 0 to 100, each shown as stored; the arrows stop at the row's ends.
TEST_F(PanelTest, TheStrategyRowsRunOverTheirStatedRanges) {
  Car car;
  MakeSampleCar(RUNABOUT, car);
  Draw(car, 0);
  const struct {
    uint8_t* variable;
    int lowest, highest;
    const char* what;
  } rows[] = {{&Strategy.fuelAtStart, 1, 100, "fuel at start"},
              {&Strategy.fuelInPit, 0, 100, "fuel in pit"},
              {&Strategy.tyreChange, 0, 100, "tyre change"}};
  for (const auto& row : rows) ExpectByteRow(row.variable, row.lowest, row.highest, row.what);
}

// A row whose bar ends exactly on the clip is still drawn whole.
TEST_F(PanelTest, ARowEndingExactlyOnTheClipIsKept) {
  SetInfoPanelLayout(-1.0f, -0.2f, -0.6f);
  // A one-set row from 0 to 0.4: its bar ends 0.03 above the row's bottom.
  ClipInfoPanelBelow(InfoLayout.sy * (0.4f - 0.03f) + InfoLayout.y0);
  uint8_t b = 10;
  AddPanelByteRow(&owner, "B %.0f", 0.0f, &b, nullptr, 0, 100, 0, 100, nullptr, 0, 0.0f, 0.4f);
  EXPECT_EQ(ValueControlCount, 4) << "the label, two arrows and the bar";
  ClearInterface();
  ClipInfoPanelBelow(InfoLayout.sy * (0.4f - 0.03f) + InfoLayout.y0 - 0.0001f);
  AddPanelByteRow(&owner, "B %.0f", 0.0f, &b, nullptr, 0, 100, 0, 100, nullptr, 0, 0.0f, 0.4f);
  EXPECT_EQ(ValueControlCount, 0) << "just past the clip: left out";
  ResetInfoPanelLayout();
}

// The power-weight line from a mass of 0.001 kg on; the weight distribution only above a
// wheel base of 0.001 m; a tab word past the last page chooses nothing.
TEST_F(PanelTest, TheFiguresLinesBeginExactlyAtTheirLeastMassAndWheelBase) {
  Car car;
  MakeSampleCar(RUNABOUT, car);
  car.mass = 0.001f;
  Draw(car, 0);
  EXPECT_TRUE(ShowsPart("Power-weight :"));
  car.wheelBase = 0.001f;
  Draw(car, 0);
  EXPECT_FALSE(ShowsPart("Weight distribution :"));
  car.wheelBase = 0.0011f;
  Draw(car, 0);
  EXPECT_TRUE(ShowsPart("Weight distribution :"));
  InfoPageShown = INFO_PAGE_INFO;
  SelectInfoPage(nullptr, 0, INFO_PAGE_COUNT);
  EXPECT_EQ(InfoPageShown, INFO_PAGE_INFO);
  SelectInfoPage(nullptr, 0, INFO_PAGE_COUNT - 1);
  EXPECT_EQ(InfoPageShown, INFO_PAGE_COUNT - 1);
  InfoPageShown = INFO_PAGE_INFO;
}

// The panel draws the set-up page chosen, from the brakes (the first) to the passengers (the
// last); a byte row's label is dimmed in mode 2 only.
TEST_F(PanelTest, TheChosenSetupPageIsDrawnFromTheFirstToTheLast) {
  Car car;
  MakeSampleCar(RUNABOUT, car);
  InfoPageShown = INFO_PAGE_BRAKES;
  Draw(car, 1);
  EXPECT_TRUE(ShowsPart("Maximum Per Wheel ")) << "the brakes page";
  InfoPageShown = INFO_PAGE_PASSENGERS;
  Draw(car, 1);
  EXPECT_TRUE(Shows("none") && Shows("woman")) << "the passengers page";
  InfoPageShown = INFO_PAGE_INFO;

  uint8_t b = 10;
  ColourWord* colours[3] = {};
  for (int mode = 0; mode < 3; ++mode) {
    ClearInterface();
    AddPanelByteRow(&owner, "B %.0f", 0.0f, &b, &b, 0, 100, 0, 100, nullptr, mode, 0.0f, 0.4f);
    ASSERT_GT(ValueControlCount, 0);
    colours[mode] = ValueControls[0].colour;
  }
  EXPECT_EQ(colours[1], colours[0]);
  EXPECT_NE(colours[2], colours[0]);
}

// A mapping named "M" or "m" and a digit 1 to 4 marks that colour; any other name none.
TEST(ColourMarks, AMarkIsMOrLowerMThenADigitFromOneToFour) {
  EXPECT_EQ(ColourMarkOf("M1"), 1);
  EXPECT_EQ(ColourMarkOf("m4body"), 4);
  EXPECT_EQ(ColourMarkOf("M0"), 0);
  EXPECT_EQ(ColourMarkOf("M5"), 0);
  EXPECT_EQ(ColourMarkOf("X2"), 0);
  EXPECT_EQ(ColourMarkOf("1M"), 0);
  EXPECT_EQ(ColourMarkOf("M"), 0);
  EXPECT_EQ(ColourMarkOf(nullptr), 0);
}

TEST_F(PanelTest, AFullTableDropsTheRestOfARowSilently) {
  uint8_t b = 10;
  while (ValueControlCount < MAX_VALUE_CONTROLS - 2)
    AddValueControl(nullptr, nullptr, IvText("x"), IvInt(0), IvInt(0), VALUE_TYPE_LABEL, nullptr, nullptr, 0, 0, 0, 0);
  AddPanelByteRow(&owner, "B %.0f", 0.0f, &b, nullptr, 0, 100, 0, 100, nullptr, 0, 0.0f, 0.4f);
  EXPECT_EQ(ValueControlCount, MAX_VALUE_CONTROLS);
  EXPECT_TRUE(Boxes().empty());
}

// ---- Pages by car ----

TEST_F(PanelTest, TabsFollowTheCarAndTheScreen) {
  Car road, kart;
  MakeSampleCar(RUNABOUT, road);
  MakeSampleCar(KART, kart);
  Draw(road, 1);
  EXPECT_EQ(Tabs(), 9);
  // Neighbouring tabs stand two pixels apart, so that no two labels read as one.
  std::vector<const ValueControl*> firstRow;
  for (int i = 0; i < ValueControlCount; ++i)
    if (IsTab(ValueControls[i]) && ValueControls[i].top < PANEL_TOP + PANEL_TAB_HEIGHT) firstRow.push_back(&ValueControls[i]);
  ASSERT_GE(firstRow.size(), 2u);
  EXPECT_NEAR(firstRow[1]->left - firstRow[0]->right, 4.0f / static_cast<float>(ScreenWidth), 1e-5f);
  InfoPageShown = INFO_PAGE_PASSENGERS;
  Draw(kart, 1);
  EXPECT_EQ(Tabs(), 8);  // no passenger seats: no Passengers tab, page 8 back at Info
  EXPECT_EQ(InfoPageShown, INFO_PAGE_INFO);
  EXPECT_FALSE(Shows("Passengers"));
  // "Brakes / TC" when the car offers traction control or engine-brake reduction.
  road.lightsAndAids &= ~(AID_TRACTION_CONTROL | AID_ENGINE_BRAKE);
  Draw(road, 1);
  EXPECT_TRUE(Shows("Brakes"));
  road.lightsAndAids |= AID_ENGINE_BRAKE;
  Draw(road, 1);
  EXPECT_TRUE(Shows("Brakes / TC"));
  // The ratings: never in the editor; in the garage for a mod.
  road.isMod = 1;
  road.shortCode[0] = char(0x34), road.shortCode[1] = char(0x12), road.shortCode[2] = char(0xAB);
  InfoPageShown = INFO_PAGE_RATINGS;
  Draw(road, 1);
  EXPECT_EQ(InfoPageShown, INFO_PAGE_INFO);
  EXPECT_EQ(Tabs(), 9);
  InfoPageShown = INFO_PAGE_RATINGS;
  Draw(road, 0);
  EXPECT_EQ(Tabs(), 10);
  EXPECT_EQ(InfoPageShown, INFO_PAGE_RATINGS);
  EXPECT_TRUE(Shows("Comments :"));
  EXPECT_TRUE(Shows(std::string(WEB_SERVICE_HOST) + "/files/vehmods/AB1234"));
  EXPECT_TRUE(Shows("Overall"));
  EXPECT_TRUE(Shows("-"));  // offline: no ratings held
  ModRatings.lookupFailed = 1;
  Draw(road, 0);
  EXPECT_TRUE(Shows("Ratings for this mod were not found"));
}

// The sample car as a mod, the ratings found being its own.
void MakeModCar(Car& car) {
  MakeSampleCar(RUNABOUT, car);
  car.isMod = 1;
  car.shortCode[0] = char(0x34), car.shortCode[1] = char(0x12), car.shortCode[2] = char(0xAB);
  ModRatings.modId = ModIdOf(car);
}

// The sample car as a mod whose ratings were found: category k's average is (k + 1) x 1.1
// (stored x 50), from 10 + k votes.
void MakeRatedModCar(Car& car) {
  MakeModCar(car);
  for (int k = 0; k < RATING_CATEGORIES; ++k) {
    ModRatings.average[k] = int32_t(std::lround((k + 1) * 1.1 * 50));
    ModRatings.count[k] = 10 + k;
  }
}

TEST_F(PanelTest, EachRatingsRowShowsItsOwnCategorysAverageAndCount) {
  Car car;
  MakeRatedModCar(car);
  InfoPageShown = INFO_PAGE_RATINGS;
  Draw(car, 0);
  // Each row: its label, the rating control, the average and the count, in that order.
  const struct {
    LanguageTextId label;
    int category;
  } rows[] = {{TX_3h_ratovera, 0}, {TX_3h_rattechn, 1}, {TX_3h_ratgraph, 2}, {TX_3h_ratphysi, 3}, {TX_3h_ratsound, 4}};
  for (const auto& row : rows) {
    const ValueControl* label = ControlShowing(LanguageTexts[row.label]);
    ASSERT_NE(label, nullptr) << LanguageTexts[row.label];
    char average[32], count[32], expected[32];
    ValueControlText(*(label + 2), average, sizeof average);
    ValueControlText(*(label + 3), count, sizeof count);
    std::snprintf(expected, sizeof expected, "%.1f", (row.category + 1) * 1.1);
    EXPECT_STREQ(average, expected) << LanguageTexts[row.label];
    EXPECT_EQ(std::string(count), std::to_string(10 + row.category)) << LanguageTexts[row.label];
  }
}

// The row under the pointer, from its label to its count, chooses the description under the
// rows; away from every row the overall rating's description is shown.
TEST_F(PanelTest, TheRatingsRowUnderThePointerChoosesTheDescription) {
  Car car;
  MakeModCar(car);
  InfoPageShown = INFO_PAGE_RATINGS;
  const LanguageTextId labels[] = {TX_3h_ratovera, TX_3h_rattechn, TX_3h_ratgraph, TX_3h_ratphysi, TX_3h_ratsound};
  const LanguageTextId descriptions[] = {TX_3h_rdsovera, TX_3h_rdstechn, TX_3h_rdsgraph, TX_3h_rdsphysi, TX_3h_rdssound};
  const auto pointAt = [](float x, float y) {
    MouseX = static_cast<int>((x + 1.0f) * 0.5f * static_cast<float>(ScreenWidth));
    MouseY = static_cast<int>((y + 1.0f) * 0.5f * static_cast<float>(ScreenHeight));
  };
  for (int k = 0; k < 5; ++k) {
    for (const int cell : {0, 3}) {  // the label and the count
      SCOPED_TRACE(testing::Message() << "row " << k << ", cell " << cell);
      pointAt(-5.0f, -5.0f);
      Draw(car, 0);
      const ValueControl* label = ControlShowing(LanguageTexts[labels[k]]);
      ASSERT_NE(label, nullptr);
      const ValueControl& c = *(label + cell);
      pointAt((c.left + c.right) * 0.5f, (c.top + c.bottom) * 0.5f);
      Draw(car, 0);
      for (int d = 0; d < 5; ++d) EXPECT_EQ(Shows(LanguageTexts[descriptions[d]]), d == k) << d;
    }
  }
  pointAt(-5.0f, -5.0f);
  Draw(car, 0);
  EXPECT_TRUE(Shows(LanguageTexts[TX_3h_rdsovera]));
}

// A pointer on any edge of a ratings row is on the row.  In the plain layout the second row
// ("technical") runs across from the column's -0.65 to -0.65 + 1.3 = 0.65; on a screen 1280
// wide pixel 224 is at 2 x 224 / 1280 - 1 = -0.65 and pixel 1056 at 2 x 1056 / 1280 - 1 = 0.65,
// the pixels 223 and 1057 just outside.  In the garage's full-screen layout (scale 0.65 about
// the panel's top edge y = 0.3 - 1 = -0.7, so y0 = -0.7 x 0.35 = -0.245) the row runs from the
// page top -0.7 + 2 x 0.08 + 0.05 = -0.49 (below two rows of tabs) plus 1.5 lines of 0.07,
// -0.385, to -0.385 + 0.072 = -0.313 (a line's text box).  Its top is drawn at 0.65 x -0.385
// - 0.245 = -0.49525, which pixel 2019 of a screen 8000 high meets (2 x 2019 / 8000 - 1 =
// -0.49525, in floats exactly; pixel 2018 is above); its bottom at 0.65 x -0.313 - 0.245 =
// -0.44845, pixel 2206.2 of that screen: pixel 2206 is on the row, 2207 below.
TEST_F(PanelTest, APointerOnAnyEdgeOfARatingsRowChoosesThatRow) {
  Car car;
  MakeModCar(car);
  InfoPageShown = INFO_PAGE_RATINGS;
  MouseX = -1;
  MouseY = -1;
  Draw(car, 0);
  const ValueControl* label = ControlShowing(LanguageTexts[TX_3h_rattechn]);
  ASSERT_NE(label, nullptr);
  const float left = label->left, right = (label + 3)->right;
  MouseY = static_cast<int>(((label->top + label->bottom) * 0.5f + 1.0f) * 0.5f * static_cast<float>(ScreenHeight));
  const auto chosen = [&](int x) {
    MouseX = x;
    Draw(car, 0);
    return Shows(LanguageTexts[TX_3h_rdstechn]) && !Shows(LanguageTexts[TX_3h_rdsovera]);
  };
  ASSERT_EQ(2.0f * 224.0f / 1280.0f - 1.0f, left) << "exactly on the left edge";
  ASSERT_EQ(2.0f * 1056.0f / 1280.0f - 1.0f, right) << "exactly on the right edge";
  EXPECT_TRUE(chosen(224)) << "on the left edge";
  EXPECT_FALSE(chosen(223)) << "a pixel left of it";
  EXPECT_TRUE(chosen(1056)) << "on the right edge";
  EXPECT_FALSE(chosen(1057)) << "a pixel right of it";

  // In the full-screen layout, on a screen of the height given: the pixel row on the edge
  // chooses the row, the one past it (a step of -1 above, +1 below) the overall rating.
  const auto fullScreenEdge = [&](int height, int onEdge, int step, bool top) {
    SCOPED_TRACE(top ? "top edge" : "bottom edge");
    ScreenHeight = height;
    SetFullScreenInfoPanelLayout();
    MouseX = -1;
    MouseY = -1;
    Draw(car, 0);
    const ValueControl* row = ControlShowing(LanguageTexts[TX_3h_rattechn]);
    ASSERT_NE(row, nullptr);
    MouseX = static_cast<int>(((row->left + row->right) * 0.5f + 1.0f) * 0.5f * static_cast<float>(ScreenWidth));
    MouseY = onEdge;
    if (top) ASSERT_EQ(2.0f * float(MouseY) / float(ScreenHeight) - 1.0f, row->top) << "exactly on the edge";
    else ASSERT_LE(2.0f * float(MouseY) / float(ScreenHeight) - 1.0f, row->bottom) << "on the row";
    Draw(car, 0);
    EXPECT_TRUE(Shows(LanguageTexts[TX_3h_rdstechn])) << "on the edge";
    if (!top) {
      EXPECT_FALSE(Shows(LanguageTexts[TX_3h_rdsovera])) << "on the edge";
    }
    MouseY = onEdge + step;
    Draw(car, 0);
    EXPECT_FALSE(Shows(LanguageTexts[TX_3h_rdstechn])) << "a pixel past it";
    EXPECT_TRUE(Shows(LanguageTexts[TX_3h_rdsovera])) << "a pixel past it";
  };
  fullScreenEdge(8000, 2019, -1, true);
  fullScreenEdge(8000, 2206, +1, false);
  ResetInfoPanelLayout();
}

// The configuration shown is the set-up's, held to the last the car has and to the four the
// table holds, whatever the count says.
TEST_F(PanelTest, TheConfigurationShownIsHeldToTheCarsLastAndTheTablesFourth) {
  Car car;
  MakeSampleCar(RUNABOUT, car);
  const char* const names[4] = {"conf A", "conf B", "conf C", "conf D"};
  for (int i = 0; i < 4; ++i) std::snprintf(car.configs[i].name, sizeof car.configs[i].name, "%s", names[i]);
  const struct {
    int count, byte;
    const char* shown;
  } cases[] = {{2, 1, "conf B"}, {2, 3, "conf B"}, {4, 2, "conf C"}, {6, 200, "conf D"}, {6, 3, "conf D"}};
  for (const auto& c : cases) {
    car.configCount = c.count;
    car.currentSetup.bytes[SETUP_CONFIGURATION] = uint8_t(c.byte);
    Draw(car, 0);
    EXPECT_TRUE(Shows(c.shown)) << c.count << " configurations, byte " << c.byte;
  }
  // A car of one configuration offers no choice: the row is left out.
  car.configCount = 1;
  car.currentSetup.bytes[SETUP_CONFIGURATION] = 0;
  Draw(car, 0);
  EXPECT_FALSE(Shows("conf A"));
  EXPECT_FALSE(Shows(LanguageTexts[TX_3g_configur]));
  car.configCount = 4;
}

TEST_F(PanelTest, TheInfoPageShowsThePowerUnitsLines) {
  Car solar, electric, road;
  MakeSampleCar(SOLAR, solar);
  MakeSampleCar(ROADSTER, electric);
  MakeSampleCar(RUNABOUT, road);
  Draw(solar, 0);
  EXPECT_FALSE(ShowsPart("Power :"));
  EXPECT_FALSE(ShowsPart("Fuel"));
  EXPECT_FALSE(ShowsPart("Power-weight"));
  EXPECT_TRUE(Shows("Transmission : no power unit"));
  Draw(electric, 0);
  EXPECT_TRUE(ShowsPart("Battery capacity :"));
  EXPECT_TRUE(ShowsPart("Charge at start : 100%"));
  EXPECT_TRUE(ShowsPart("Voluntary Power Restriction"));
  EXPECT_TRUE(Shows("Rear wheel drive"));  // the drive text stands alone
  Draw(road, 0);
  EXPECT_TRUE(ShowsPart(" / Front wheel drive"));
  {
    // A language without engine descriptions: the drive stands alone for a combustion engine too.
    const char* const cc = LanguageTexts[TX_3a_engccfmt];
    const char* const litres = LanguageTexts[TX_3a_engltfmt];
    LanguageTexts[TX_3a_engccfmt] = LanguageTexts[TX_3a_engltfmt] = "";
    Draw(road, 0);
    EXPECT_TRUE(Shows("Front wheel drive"));
    EXPECT_FALSE(ShowsPart(" / Front wheel drive"));
    LanguageTexts[TX_3a_engccfmt] = cc;
    LanguageTexts[TX_3a_engltfmt] = litres;
    Draw(road, 0);
  }
  EXPECT_TRUE(ShowsPart("Power : "));
  EXPECT_TRUE(ShowsPart("Torque : "));
  EXPECT_TRUE(ShowsPart("Fuel load at start : 100%"));
  Strategy.fuelAtStart = 50;
  Draw(road, 0);
  EXPECT_TRUE(ShowsPart("Fuel load at start : 50%")) << "1 .. 100 shown as stored";
  Strategy.fuelAtStart = 100;
  EXPECT_TRUE(Shows("Transmission : H-pattern gearbox"));
  EXPECT_TRUE(Shows("Configuration"));
  // Never from 100 on; a limit up to 99.
  for (int v : {0, 100, 101, 37, 99}) {
    Strategy.tyreChange = uint8_t(v);
    Draw(road, 0);
    const std::string shown = v == 0     ? "Tyre change : always"
                              : v >= 100 ? "Tyre change : never"
                                         : Fmt("Tyre change : if wear > %.0f%%", v);
    EXPECT_TRUE(Shows(shown)) << v;
  }
  {
    const int wheels = road.wheelCount;
    road.wheelCount = 0;
    Draw(road, 0);
    EXPECT_FALSE(ShowsPart("Tyre change")) << "no wheels, no tyres to change";
    road.wheelCount = wheels;
  }
  // The estimate per lap, by the capacity.
  Draw(road, 0, 2.0f);
  EXPECT_TRUE(ShowsPart(Fmt("%.1f%% per lap", 2.0 * 100.0 / road.fuelTankCapacity + 0.05)));
  // The panel's rows keep pointing into the car drawn last: it lives to the end of the test.
  Car empty;
  MakeSampleCar(RUNABOUT, empty);
  empty.fuelTankCapacity = 0.0f;
  Draw(empty, 0, 2.0f);
  EXPECT_FALSE(ShowsPart("per lap")) << "no tank to share";
  // The handicaps rows are the garage's.
  EXPECT_TRUE(Shows("Handicaps"));
  Draw(road, 1);
  EXPECT_FALSE(Shows("Handicaps"));
}

// The garage's handicaps heading names the race's least added mass and power restriction for
// a built-in car: both, one of them, or neither (no brackets).
TEST_F(PanelTest, TheHandicapsHeadingNamesTheRacesLeastMassAndRestriction) {
  Car car;
  MakeSampleCar(RUNABOUT, car);
  std::memcpy(car.shortCode, BuiltinVehicleTable[2].code, VEHICLE_CODE_SIZE);
  const RaceRules saved = RaceSettings;
  const struct {
    int mass, restriction;
    const char* heading;
  } cases[] = {{30, 12, "Handicaps (30 kg / 12% restriction)"},
               {30, 0, "Handicaps (30 kg)"},
               {0, 12, "Handicaps (12% restriction)"},
               {0, 0, "Handicaps"}};
  for (const auto& c : cases) {
    RaceSettings.minimumBallast[2] = uint8_t(c.mass);
    RaceSettings.minimumRestriction[2] = uint8_t(c.restriction);
    Draw(car, 0);
    EXPECT_TRUE(Shows(c.heading)) << c.heading;
  }
  RaceSettings = saved;
}

// A transmission type past the known ones is named as no power unit's.
TEST_F(PanelTest, ATransmissionTypePastTheKnownOnesIsNamedAsNone) {
  Car car;
  MakeSampleCar(RUNABOUT, car);
  for (const int type : {8, 9, 200}) {
    car.transmissionType = uint8_t(type);
    Draw(car, 1);
    EXPECT_TRUE(Shows("Transmission : no power unit")) << type;
  }
  // The page's lines stand left-aligned (label bit 1).
  ASSERT_NE(ControlShowing("Transmission : no power unit"), nullptr);
  EXPECT_EQ(ControlShowing("Transmission : no power unit")->label.i, 1);
  car.transmissionType = 1;
}

// A word row's left arrow steps its value down, its right arrow up.
TEST_F(PanelTest, AWordRowsLeftArrowStepsDownAndItsRightArrowUp) {
  uint16_t w = 30000;
  const auto row = [&] {
    ClearInterface();
    AddPanelWordRow(&owner, "W %.3f", 0.0f, &w, nullptr, 0.5f, 7.5f, nullptr, 1, 0, 0.0f, 0.4f);
  };
  row();
  int left = -1, right = -1;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].variable == &w && ValueControls[i].owner) {
      if (left < 0) left = i;
      right = i;
    }
  ASSERT_GE(left, 0);
  ASSERT_LT(ValueControls[left].right, ValueControls[right].left);
  Click(ValueControls[right]);
  EXPECT_GT(w, 30000);
  const uint16_t up = w;
  row();
  Click(ValueControls[left]);
  row();
  Click(ValueControls[left]);
  EXPECT_LT(w, up);
  EXPECT_LT(w, 30000);
}

// A float row's left arrow steps its value down by the step, its right arrow up.
TEST_F(PanelTest, AFloatRowsLeftArrowStepsDownAndItsRightArrowUp) {
  float v = 100.0f;
  const auto row = [&] {
    ClearInterface();
    AddPanelFloatRow(&owner, "F %.0f", 0.0f, &v, 5.0f, 0.0f, 3000.0f, nullptr, 0, 0, 0.0f, 0.4f);
  };
  row();
  ASSERT_EQ(ValueControlCount, 4);
  EXPECT_LT(ValueControls[1].right, ValueControls[3].left);
  Click(ValueControls[3]);
  EXPECT_FLOAT_EQ(v, 105.0f);
  row();
  Click(ValueControls[1]);
  row();
  Click(ValueControls[1]);
  EXPECT_FLOAT_EQ(v, 95.0f);
}

// A float row's figure is a label (display type 19, 20 in thousandths, 21 in degrees)
// whose label field holds no alignment bits: its text stands in the middle of the row, as far
// from the row's left edge as from its right.  Drawn on the fixed-width character set, which
// is put back afterwards with the text settings.
TEST_F(PanelTest, AFloatRowsFigureIsCentredOnItsRow) {
  FixedWidthText fixed;
  TextHorizontalScale = 1.0f;
  float v = 1.5f;
  struct Case {
    int precision, type;
  };
  for (const Case k : {Case{0, 19}, Case{2, 20}, Case{1, 21}}) {
    SCOPED_TRACE(k.precision);
    ClearInterface();
    AddPanelFloatRow(&owner, "F %.1f", 0.0f, &v, 1.0f, 0.0f, 3000.0f, nullptr, k.precision, 0, 0.0f, 0.4f);
    ASSERT_EQ(ValueControlCount, 4);
    const ValueControl& figure = ValueControls[0];
    EXPECT_EQ(figure.displayType, k.type);
    EXPECT_EQ(figure.label.i & 3, 0) << "0 centred, 1 left, 2 right";
    EmptyTextBatches();
    TextBatch* const before = CurrentTextBatch;
    CurrentTextBatch = &InterfaceTextBatch;
    PrepareValueControl(ValueControls[0]);
    CurrentTextBatch = before;
    const std::vector<TextBatchItem> items = InterfaceTextBatch.items;
    EmptyTextBatches();
    ASSERT_FALSE(items.empty());
    float first = items[0].x0, last = items[0].x1;
    for (const TextBatchItem& item : items) {
      first = std::min({first, item.x0, item.x1});
      last = std::max({last, item.x0, item.x1});
    }
    const float width = figure.right - figure.left;
    ASSERT_LT(last - first, 0.5f * width) << "a short figure on a wide row";
    // Left-aligned it would start a margin in, leaving most of the row on its right.
    EXPECT_NEAR(first - figure.left, figure.right - last, 0.05f * width);
  }
}

TEST_F(PanelTest, TheInfoFiguresMatchOurOwnArithmetic) {
  for (int row : {RUNABOUT, ROADSTER, RACER, KART}) {
    SCOPED_TRACE(row);
    Car car;
    MakeSampleCar(row, car);
    Draw(car, 1);
    const double m = car.mass;
    EXPECT_TRUE(Shows(Fmt("Total mass : %.0f kg (%.0f lbs)", m, m * 2.20461988)));
    const bool electric = car.transmissionType == TRANSMISSION_ELECTRIC;
    const double power = electric ? double(car.engine.maxTorque) * car.engine.maxTorqueSpeed : car.engine.maxPower;
    const double w = power / m;
    EXPECT_TRUE(Shows(Fmt("Power-weight : %.0f W/kg (%.0f bhp/ton)", w, w * 0.0013413 / 0.000984206679)));
    const double base = car.wheelBase;
    const double rear = (double(car.rearmostY) + base - car.centreOfMass.y) * 100.0 / base;
    EXPECT_TRUE(Shows(Fmt("Weight distribution : %.1f F  %.1f R", 100.0 - rear, rear)));
  }
  // No wheel base to divide by: no distribution line.
  Car car;
  MakeSampleCar(RUNABOUT, car);
  car.wheelBase = 0.0005f;
  Draw(car, 1);
  EXPECT_FALSE(ShowsPart("Weight distribution"));
  // Nor for a car without wheels.
  Car wheelless;
  MakeSampleCar(RUNABOUT, wheelless);
  wheelless.wheelCount = 0;
  Draw(wheelless, 1);
  EXPECT_FALSE(ShowsPart("Weight distribution"));
}

TEST_F(PanelTest, TheAddedMassRowOfALightCarShowsNoBar) {
  Car car;
  MakeSampleCar(KART, car);
  car.massWithoutOccupants = 20.0f;  // under 25 kg: no added mass allowed
  Draw(car, 0);
  const ValueControl* row = ControlShowing("Voluntary Added Mass 0 kg");
  ASSERT_NE(row, nullptr);
  for (int i = 0; i < ValueControlCount; ++i)
    EXPECT_NE(ValueControls[i].variable, &car.currentSetup.bytes[SETUP_BALLAST]);
}

TEST_F(PanelTest, TheAddedMassGoesToATenthOfTheCarsMassAndNoFurtherThan200Kg) {
  // 10 kg for every whole 50 kg of the car (rounded), at most 200 kg: 520 kg is 10.4 steps of
  // 50 (10.6 of 49), 580 kg is 11.6 steps (11.4 of 51).
  const float masses[] = {950.0f, 1000.0f, 1024.0f, 2600.0f, 520.0f, 580.0f};
  const int most[] = {190, 200, 200, 200, 100, 120};
  for (int k = 0; k < 6; ++k) {
    Car car;
    MakeSampleCar(RUNABOUT, car);
    car.massWithoutOccupants = masses[k];
    Draw(car, 0);
    const ValueControl* row = nullptr;
    for (int i = 0; i < ValueControlCount && !row; ++i)
      if (ValueControls[i].displayType == VALUE_TYPE_MAPPED_BYTE &&
          ValueControls[i].variable == &car.currentSetup.bytes[SETUP_BALLAST])
        row = &ValueControls[i];
    ASSERT_NE(row, nullptr) << masses[k];
    EXPECT_EQ(row->byteMaximum, most[k]) << masses[k];
  }
}

// The added mass's position runs from 0 to 100 percent (front): its bar, arrows and figure.
TEST_F(PanelTest, TheAddedMassPositionRunsFromNoneToAHundredPercent) {
  Car car;
  MakeSampleCar(RUNABOUT, car);
  car.currentSetup.bytes[SETUP_BALLAST] = 10;
  car.currentSetup.bytes[SETUP_BALLAST_POSITION] = 100;
  Draw(car, 0);
  ExpectByteRow(&car.currentSetup.bytes[SETUP_BALLAST_POSITION], 0, 100, "added mass position");
  EXPECT_NE(ControlShowing("Added Mass Position (front) 100%"), nullptr) << "the byte 100 reads as 100 percent";
}

TEST_F(PanelTest, TheColoursPageOffersTheMarkedColours) {
  Car car;
  MakeSampleCar(RUNABOUT, car);
  for (uint8_t& f : ColourMarkFlags) f = 0;
  ColourMarkFlags[0] = ColourMarkFlags[2] = 1;
  InfoPageShown = INFO_PAGE_COLOURS;
  Draw(car, 1);
  int swatches = 0;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].displayType == VALUE_TYPE_COLOUR_SWATCH) {
      ++swatches;
      EXPECT_TRUE(ValueControls[i].colour == &car.currentColours.groups[0][0] ||
                  ValueControls[i].colour == &car.currentColours.groups[0][2]);
    }
  EXPECT_EQ(swatches, 2);
  // The body's four marks only: a wheel mark gives the body no swatch.
  for (uint8_t& f : ColourMarkFlags) f = 0;
  ColourMarkFlags[MARKS_WHEELS * COLOUR_MARK_GROUP] = 1;
  Draw(car, 1);
  swatches = 0;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].displayType == VALUE_TYPE_COLOUR_SWATCH) {
      ++swatches;
      EXPECT_EQ(ValueControls[i].colour, &car.currentColours.groups[MARKS_WHEELS][0]);
    }
  EXPECT_EQ(swatches, 1);
  for (uint8_t& f : ColourMarkFlags) f = 0;
  ColourMarkFlags[0] = ColourMarkFlags[2] = 1;
  Draw(car, 1);
  // Each marked colour's brightness bar spans its three channel sliders.
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].displayType == VALUE_TYPE_COLOUR_TRIPLE) {
      ASSERT_GE(i, 3);
      EXPECT_EQ(ValueControls[i - 3].displayType, VALUE_TYPE_COLOUR_BYTE);
      EXPECT_FLOAT_EQ(ValueControls[i].left, ValueControls[i - 3].left);
      EXPECT_FLOAT_EQ(ValueControls[i].right, ValueControls[i - 1].right);
      EXPECT_FLOAT_EQ(ValueControls[i].top, ValueControls[i - 1].bottom);
    }
  EXPECT_TRUE(Shows("Body"));
  EXPECT_TRUE(Shows("Skin File Name"));
  EXPECT_TRUE(Shows("1024") && Shows("2048")) << "both sizes of the skin template";
  int sizes = 0;
  for (int i = 0; i < ValueControlCount; ++i) sizes += ValueControls[i].callback == SetSkinTemplateSize;
  EXPECT_EQ(sizes, 2) << "and no third";
  // The wheels' colours only for a car with wheels.
  EXPECT_TRUE(Shows(LanguageTexts[TX_3a_whlscolt]));
  car.wheelCount = 0;
  Draw(car, 1);
  EXPECT_FALSE(Shows(LanguageTexts[TX_3a_whlscolt]));
  EXPECT_TRUE(Shows(LanguageTexts[TX_3a_bodycolt]));
  // In the editor the browse button ends the colours' name line: on the name's line, right of it.
  std::snprintf(car.currentColours.name, sizeof car.currentColours.name, "%s", "stripes");
  Draw(car, 1);
  const ValueControl* name = ControlShowing("stripes");
  const ValueControl* browse = ControlShowing("\xB8");
  ASSERT_NE(name, nullptr);
  ASSERT_NE(browse, nullptr);
  EXPECT_FLOAT_EQ(browse->top, name->top);
  EXPECT_FLOAT_EQ(browse->bottom, name->bottom);
  EXPECT_GT(browse->left, name->right);
  EXPECT_GT(browse->right, browse->left);
  // A plain button (its character at the ordinary size, not enlarged), centred, calling the
  // skin handler.
  EXPECT_EQ(browse->displayType, VALUE_TYPE_TEXT);
  EXPECT_EQ(browse->label.i, 0);
}

// Every control of every page, for cars of each kind in the garage and the editor, is an
// upright box (left before right, top above bottom) inside the panel: from its left edge -0.65
// to its right edge -0.65 + 1.6 = 0.95, no higher than its top edge 0.3 - 1 = -0.7, no taller
// than a value row's band (0.4 - 0.15 = 0.25 at most, the pair's second band included).  The tabs
// stand in two rows 0.08 high, the first taking the odd one, each row sharing the panel's width
// 1.6 equally from the left edge, and only the shown page's tab is lit.
TEST_F(PanelTest, EveryControlIsAnUprightBoxInsideThePanelAndOnlyTheShownTabIsLit) {
  struct Restore {
    uint32_t options = CfgEditorOptions;
    ~Restore() { CfgEditorOptions = options; }
  } restore;
  for (uint8_t& f : ColourMarkFlags) f = 0;
  ColourMarkFlags[0] = ColourMarkFlags[3] = ColourMarkFlags[MARKS_WHEELS * COLOUR_MARK_GROUP + 1] = 1;
  for (const int row : {RUNABOUT, ROADSTER, 9, RACER, KART}) {
    Car car;
    MakeSampleCar(row, car);
    car.configCount = 2;
    car.options2 |= OPT2_HANDBRAKE | OPT2_ANTI_LOCK;
    car.lightsAndAids |= AID_TRACTION_CONTROL | AID_ENGINE_BRAKE;
    car.currentSetup.bytes[SETUP_AXLE[0] + AXLE_DIFFERENTIAL] = DIFF_LIMITED_SLIP;
    car.currentSetup.bytes[SETUP_AXLE[1] + AXLE_DIFFERENTIAL] = DIFF_VISCOUS;
    car.isMod = 1;
    car.shortCode[0] = char(0x34), car.shortCode[1] = char(0x12), car.shortCode[2] = char(0xAB);
    ModRatings.modId = ModIdOf(car);
    for (const int inEditor : {0, 1}) {
      // The pair rows on one set of arrows in the garage here, on two in the editor.
      car.currentSetup.bytes[SETUP_FLAGS] = SETUP_FLAG_TRACTION | (inEditor ? 0 : SETUP_FLAG_SYMMETRIC);
      for (int page = INFO_PAGE_RATINGS; page < INFO_PAGE_COUNT; ++page) {
        if (page == INFO_PAGE_RATINGS && inEditor) continue;
        if (page == INFO_PAGE_PASSENGERS && !(car.options & (OPT1_FRONT_PASSENGER | OPT1_BACK_SEAT))) continue;
        SCOPED_TRACE(testing::Message() << "car " << row << ", editor " << inEditor << ", page " << page);
        InfoPageShown = page;
        Draw(car, inEditor);
        ASSERT_EQ(InfoPageShown, page);
        ASSERT_GT(ValueControlCount, 10);
        for (int i = 0; i < ValueControlCount; ++i) {
          const ValueControl& c = ValueControls[i];
          char text[512] = "";
          ValueControlText(c, text, sizeof text);
          EXPECT_LT(c.left, c.right) << i << " " << text;
          EXPECT_LT(c.top, c.bottom) << i << " " << text;
          EXPECT_GE(c.left, -0.65f - 1e-4f) << i << " " << text;
          EXPECT_LE(c.right, 0.95f + 1e-4f) << i << " " << text;
          EXPECT_GE(c.top, -0.7f - 1e-4f) << i << " " << text;
          EXPECT_LE(c.bottom - c.top, 0.25f + 1e-4f) << i << " " << text;
        }
        // The tab row: the pages in order, the ratings first in the garage.
        std::vector<int> pages;
        if (!inEditor) pages.push_back(INFO_PAGE_RATINGS);
        for (int k = 0; k < INFO_PAGE_COUNT; ++k)
          if (k != INFO_PAGE_PASSENGERS || (car.options & (OPT1_FRONT_PASSENGER | OPT1_BACK_SEAT))) pages.push_back(k);
        const size_t perRow = (pages.size() + 1) / 2;
        const double width = 1.6 / static_cast<double>(perRow);
        size_t tab = 0;
        for (int i = 0; i < ValueControlCount; ++i) {
          const ValueControl& c = ValueControls[i];
          if (!IsTab(c)) continue;
          ASSERT_LT(tab, pages.size());
          const size_t column = tab % perRow;
          const double pixelX = 2.0 / ScreenWidth;  // in from the cell's sides
          EXPECT_NEAR(c.top, -0.7 + 0.08 * static_cast<double>(tab / perRow), 1e-5) << "tab " << tab;
          EXPECT_NEAR(c.left, -0.65 + width * static_cast<double>(column) + pixelX, 1e-5) << "tab " << tab;
          EXPECT_NEAR(c.right, -0.65 + width * static_cast<double>(column + 1) - pixelX, 1e-5) << "tab " << tab;
          EXPECT_EQ(c.colour, pages[tab] == page ? &InterfaceColours.textSelected : &InterfaceColours.textUnselected)
              << "tab " << tab;
          ++tab;
        }
        EXPECT_EQ(tab, pages.size());
      }
    }
  }
  ModRatings = HeldModRatings{};
  InfoPageShown = INFO_PAGE_INFO;
}

// The clickable texts (the page tabs, the mod page's address, the skin's file name and the
// template sizes) are plain buttons (VALUE_TYPE_TEXT) with centred text at the ordinary size; the
// ratings tab and each ratings row's own rating are rating-segment controls (VALUE_TYPE_SEGMENT_BAR), a row's
// bound to its category's own rating.
TEST_F(PanelTest, ClickTextsArePlainCentredButtonsAndRatingsAreSegmentControls) {
  Car car;
  MakeRatedModCar(car);
  InfoPageShown = INFO_PAGE_RATINGS;
  Draw(car, 0);
  const auto plain = [](const ValueControl* c, const char* what) {
    ASSERT_NE(c, nullptr) << what;
    EXPECT_EQ(c->displayType, VALUE_TYPE_TEXT) << what;
    EXPECT_EQ(c->label.i, 0) << what;
  };
  plain(ControlShowing("Info"), "the Info tab");
  plain(ControlShowing(std::string(WEB_SERVICE_HOST) + "/files/vehmods/AB1234"), "the mod page");
  int segments = 0;
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    if (c.top == PANEL_TOP && c.callback == SelectRatingsPage) {
      EXPECT_EQ(c.displayType, VALUE_TYPE_SEGMENT_BAR) << "the ratings tab";
      ++segments;
    }
    for (int k = 0; k < RATING_CATEGORIES; ++k)
      if (c.variable == &ModRatings.own[k] && c.top != PANEL_TOP) {
        EXPECT_EQ(c.displayType, VALUE_TYPE_SEGMENT_BAR) << k;
        ++segments;
      }
  }
  // The tab and a row for each category: six, the animation's only with a steer animation.
  EXPECT_EQ(segments, 1 + (car.steerAnimation[0] ? 6 : 5));
  struct Restore {
    uint32_t options = CfgEditorOptions;
    ~Restore() { CfgEditorOptions = options; }
  } restore;
  std::snprintf(car.skinName, sizeof car.skinName, "%s", "plain_skin");
  car.skinTexture[0] = 0;
  InfoPageShown = INFO_PAGE_COLOURS;
  Draw(car, 1);
  plain(ControlShowing("plain_skin"), "the skin's file name");
  plain(ControlShowing("1024"), "the small template");
  plain(ControlShowing("2048"), "the large template");
  // In the editor the browse button beside the colours' name: a plain button of value 1.
  const ValueControl* browse = ControlShowing("\xB8");
  ASSERT_NE(browse, nullptr);
  EXPECT_EQ(browse->displayType, VALUE_TYPE_TEXT);
  EXPECT_EQ(browse->maximum.i, 1);
  ModRatings = HeldModRatings{};
}

// A mod whose id is 1 (short code bytes 1, 0, 0) has its ratings held like any other; the
// handicaps heading is cut to the panel line's 159 characters however long its text.
TEST_F(PanelTest, TheModOfIdOneIsRatedAndALongHandicapHeadingIsCutToTheLine) {
  Car car;
  MakeSampleCar(RUNABOUT, car);
  car.isMod = 1;
  car.shortCode[0] = char(1), car.shortCode[1] = 0, car.shortCode[2] = 0;
  ModRatings.modId = 1;
  ModRatings.count[0] = 77;
  InfoPageShown = INFO_PAGE_RATINGS;
  Draw(car, 0);
  EXPECT_TRUE(Shows("77")) << "the overall rating's count";

  // A handicaps text of 200 characters and a race that asks for both handicaps.
  std::string longText(200, 'h');
  const char* const saved = LanguageTexts[TX_3h_handicap];
  LanguageTexts[TX_3h_handicap] = longText.c_str();
  car.isMod = 0;
  std::memcpy(car.shortCode, BuiltinVehicleTable[2].code, VEHICLE_CODE_SIZE);
  const RaceRules savedRules = RaceSettings;
  RaceSettings.minimumBallast[2] = 20;
  RaceSettings.minimumRestriction[2] = 10;
  InfoPageShown = INFO_PAGE_INFO;
  Draw(car, 0);
  EXPECT_TRUE(Shows(std::string(159, 'h')));
  RaceSettings = savedRules;
  LanguageTexts[TX_3h_handicap] = saved;
  ModRatings = HeldModRatings{};
}

// A car of a single wheel still has wheels: its weight distribution, its tyre change row and
// its wheels' colours are shown.  The voluntary restriction row runs over 0 to 50 %, bytes and
// shown alike.
TEST_F(PanelTest, ACarOfOneWheelShowsItsWheelLinesAndTheRestrictionRunsToFifty) {
  Car car;
  MakeSampleCar(RUNABOUT, car);
  car.wheelCount = 1;
  Draw(car, 0);
  EXPECT_TRUE(ShowsPart("Tyre change"));
  EXPECT_TRUE(ShowsPart("Weight distribution")) << "the wheel base is the car's own";
  ExpectByteRow(&car.currentSetup.bytes[SETUP_RESTRICTION], 0, 50, "restriction");
  for (uint8_t& f : ColourMarkFlags) f = 0;
  ColourMarkFlags[MARKS_WHEELS * COLOUR_MARK_GROUP] = 1;
  InfoPageShown = INFO_PAGE_COLOURS;
  Draw(car, 1);
  EXPECT_TRUE(Shows(LanguageTexts[TX_3a_whlscolt]));
}

// In the editor a click on the colours' name, and one on the browse button beside it, both call
// the skin handler with word 0: the word that opens the skin chooser.
TEST_F(PanelTest, TheColoursNameAndItsBrowseButtonAskTheSkinHandlerForTheChooser) {
  Car car;
  MakeSampleCar(RUNABOUT, car);
  std::snprintf(car.currentColours.name, sizeof car.currentColours.name, "%s", "red_colours");
  InfoPageShown = INFO_PAGE_COLOURS;
  Draw(car, 1);
  const ValueControl* name = ControlShowing("red_colours");
  ASSERT_NE(name, nullptr);
  Click(*name);
  EXPECT_EQ(g_calls.skin, 1);
  EXPECT_EQ(g_calls.skinWord, 0u);
  Draw(car, 1);
  const ValueControl* browse = ControlShowing("\xB8");
  ASSERT_NE(browse, nullptr);
  Click(*browse);
  EXPECT_EQ(g_calls.skin, 2);
  EXPECT_EQ(g_calls.skinWord, 0u);
}

TEST_F(PanelTest, TheTemplateSizeButtonsSetTheSmallPictureBit) {
  const uint32_t saved = CfgEditorOptions;
  SetSkinTemplateSize(nullptr, 0, 1);
  EXPECT_NE(CfgEditorOptions & EDITOR_OPTION_SMALL_PICTURE, 0u);
  EXPECT_EQ(ObjectPictureSize(), 1024);
  SetSkinTemplateSize(nullptr, 0, 2);
  EXPECT_EQ(ObjectPictureSize(), 2048);
  EXPECT_EQ(CfgEditorOptions, saved & ~EDITOR_OPTION_SMALL_PICTURE);
  CfgEditorOptions = saved;
  SetSpeedUnit(nullptr, 0, 0);
  EXPECT_FLOAT_EQ(SpeedInUnit(10.0f), 22.37f);
  EXPECT_STREQ(SpeedUnitText(), "mph");
  SetSpeedUnit(nullptr, 0, 1);
  EXPECT_EQ(SpeedUnitKmh, 1) << "the setting kept as 1";
  EXPECT_FLOAT_EQ(SpeedInUnit(10.0f), 36.0f);
}

// ---- Driven by the mouse ----

TEST_F(PanelTest, ClicksChangeValuesThroughTheCallbacks) {
  Car car;
  MakeSampleCar(RUNABOUT, car);
  Strategy.fuelAtStart = 50;
  Draw(car, 0);
  // The fuel row's right arrow: one step up, the strategy callback told.
  const ValueControl* arrow = nullptr;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].variable == &Strategy.fuelAtStart && ValueControls[i].displayType == VALUE_TYPE_BYTE_PLUS)
      arrow = &ValueControls[i];
  ASSERT_NE(arrow, nullptr);
  Click(*arrow);
  EXPECT_EQ(Strategy.fuelAtStart, 51);
  EXPECT_EQ(g_calls.strategy, 1);
  // The configuration's right arrow calls its callback with word 1.
  Draw(car, 0);
  char right[2] = {'\x9B', 0};
  const ValueControl* next = ControlShowing(right);
  ASSERT_NE(next, nullptr);
  Click(*next);
  EXPECT_EQ(g_calls.configuration, 1);
  EXPECT_EQ(g_calls.configurationWord, 1u);
  // Its left arrow with word 0.
  Draw(car, 0);
  char left[2] = {'\x8B', 0};
  const ValueControl* previous = ControlShowing(left);
  ASSERT_NE(previous, nullptr);
  Click(*previous);
  EXPECT_EQ(g_calls.configuration, 2);
  EXPECT_EQ(g_calls.configurationWord, 0u);
  // A tab click shows its page; a tab's text stands centred (label bits 0).
  Draw(car, 0);
  const ValueControl* colours = ControlShowing("Colours");
  ASSERT_NE(colours, nullptr);
  EXPECT_EQ(colours->label.i, 0);
  Click(*colours);
  EXPECT_EQ(InfoPageShown, INFO_PAGE_COLOURS);
}

TEST_F(PanelTest, AValueTypedOutsideTheRowIsRefused) {
  Car car;
  MakeSampleCar(RUNABOUT, car);
  Strategy.tyreChange = 40;
  Draw(car, 0);
  const ValueControl* bar = nullptr;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].variable == &Strategy.tyreChange && ValueControls[i].displayType == VALUE_TYPE_MAPPED_BYTE)
      bar = &ValueControls[i];
  ASSERT_NE(bar, nullptr);
  Click(*bar, CLICK_RIGHT);
  ASSERT_EQ(OpenTextEntry.open, 1);
  ConfirmTextEntry("150");
  ASSERT_EQ(owner.sub, &MessageBoxDialog.prss);
  EXPECT_STREQ(MessageBoxDialog.first, "New value is too high");
  Prss_RemoveSub(&owner, "test");
  EXPECT_EQ(Strategy.tyreChange, 40);
  EXPECT_EQ(g_calls.strategy, 0);
}

TEST_F(PanelTest, TheModPageAddressGoesToTheOpenerAsItIs) {
  namespace fs = std::filesystem;
  const fs::path bin = fs::absolute("opener_bin");
  fs::create_directories(bin);
  const fs::path record = fs::absolute("opener_args.txt");
  fs::remove(record);
  {
    std::ofstream script(bin / "xdg-open");
    script << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > " << record.string() << ".part\nmv "
           << record.string() << ".part " << record.string() << "\n";
  }
  fs::permissions(bin / "xdg-open", fs::perms::owner_all);
  const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (bin.string() + ":" + oldPath).c_str(), 1);
  Car car;
  MakeSampleCar(RUNABOUT, car);
  car.isMod = 1;
  car.shortCode[0] = char(0x01), car.shortCode[1] = char(0x02), car.shortCode[2] = char(0x03);
  InfoPageShown = INFO_PAGE_RATINGS;
  Draw(car, 0);
  const std::string address = std::string(WEB_SERVICE_HOST) + "/files/vehmods/030201";
  const ValueControl* link = ControlShowing(address);
  ASSERT_NE(link, nullptr);
  Click(*link);
  for (int i = 0; i < 1000 && !fs::exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  setenv("PATH", oldPath.c_str(), 1);
  std::ifstream in(record);
  std::string line, all;
  int lines = 0;
  while (std::getline(in, line)) all = line, ++lines;
  EXPECT_EQ(lines, 1);
  EXPECT_EQ(all, address);
}

// The drive codes 1 to 3 name their drive after the engine; a code past the four known ones is
// named as code 0, no drive.
TEST_F(PanelTest, EachDriveCodeIsNamedAndACodePastTheKnownOnesIsNoDrive) {
  Car car;
  MakeSampleCar(RUNABOUT, car);
  const uint8_t saved = car.driveType;
  const struct {
    int code;
    const char* drive;
  } cases[] = {{1, " / Rear wheel drive"}, {2, " / Front wheel drive"}, {3, " / Four wheel drive"},
               {0, " / No drive"},         {4, " / No drive"},         {9, " / No drive"}};
  for (const auto& c : cases) {
    car.driveType = uint8_t(c.code);
    Draw(car, 1);
    EXPECT_TRUE(ShowsPart(c.drive)) << c.code;
  }
  car.driveType = saved;
}

// The first control whose text begins with `prefix`.
const ValueControl* ControlStarting(const std::string& prefix) {
  char shown[512];
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControlText(ValueControls[i], shown, sizeof shown) && std::string(shown).rfind(prefix, 0) == 0)
      return &ValueControls[i];
  return nullptr;
}

// The pit stop's fuel row is dimmed while the race allows no refuelling; the restriction and
// added mass rows while their byte is 0, and the added mass's position while no mass is added.
TEST_F(PanelTest, UnusedPitAndHandicapRowsAreDimmed) {
  Car car;
  MakeSampleCar(RUNABOUT, car);
  // The race settings are given back however the test ends.
  struct Restore {
    CarRaceSettings setup = RaceSetup;
    RaceRules rules = RaceSettings;
    ~Restore() {
      RaceSetup = setup;
      RaceSettings = rules;
    }
  } restore;
  ColourWord* const dimmed = &InterfaceColours.textUnavailable;
  ColourWord* const shown = &InterfaceColours.textSelected;
  const char* const rows[] = {"Fuel to add in pit stop", "Voluntary Intake Restriction", "Voluntary Added Mass",
                              "Added Mass Position (front)"};
  const auto expectRowsIn = [&](const ColourWord* colour) {
    for (const char* row : rows) {
      const ValueControl* c = ControlStarting(row);
      ASSERT_NE(c, nullptr) << row;
      EXPECT_EQ(c->colour, colour) << row;
    }
  };
  RaceSetup.refuelling = 0;
  RaceSettings.flags &= ~RACE_FLAG_REFUELLING;
  uint8_t* bytes = car.currentSetup.bytes;
  bytes[SETUP_RESTRICTION] = 0;
  bytes[SETUP_BALLAST] = 0;
  bytes[SETUP_BALLAST_POSITION] = 50;
  Draw(car, 0);
  expectRowsIn(dimmed);
  // Each in use: refuelling allowed by the host, some restriction, some added mass.
  RaceSetup.refuelling = 1;
  bytes[SETUP_RESTRICTION] = 10;
  bytes[SETUP_BALLAST] = 20;
  Draw(car, 0);
  expectRowsIn(shown);
  // Or by the race's own flag.
  RaceSetup.refuelling = 0;
  RaceSettings.flags |= RACE_FLAG_REFUELLING;
  Draw(car, 0);
  ASSERT_NE(ControlStarting(rows[0]), nullptr);
  EXPECT_EQ(ControlStarting(rows[0])->colour, shown);
}

// A car with a steering animation has an animation row, the sixth category; a car without
// drive has no engine sound row.
TEST_F(PanelTest, TheAnimationRowNeedsASteerAnimationAndTheSoundRowADrive) {
  Car car;
  MakeRatedModCar(car);
  std::snprintf(car.steerAnimation, sizeof car.steerAnimation, "%s", "WHEEL");
  InfoPageShown = INFO_PAGE_RATINGS;
  const auto pointAt = [](float x, float y) {
    MouseX = static_cast<int>((x + 1.0f) * 0.5f * static_cast<float>(ScreenWidth));
    MouseY = static_cast<int>((y + 1.0f) * 0.5f * static_cast<float>(ScreenHeight));
  };
  pointAt(-5.0f, -5.0f);
  Draw(car, 0);
  const ValueControl* label = ControlShowing("Animation");
  ASSERT_NE(label, nullptr);
  char average[32], count[32];
  ValueControlText(*(label + 2), average, sizeof average);
  ValueControlText(*(label + 3), count, sizeof count);
  EXPECT_STREQ(average, "6.6");  // (5 + 1) x 1.1
  EXPECT_STREQ(count, "15");
  EXPECT_NE(ControlShowing("Engine Sound"), nullptr);
  // Pointing at the animation row describes the animations.
  pointAt((label->left + label->right) * 0.5f, (label->top + label->bottom) * 0.5f);
  Draw(car, 0);
  EXPECT_TRUE(Shows(LanguageTexts[TX_3h_rdsanima]));
  EXPECT_FALSE(Shows(LanguageTexts[TX_3h_rdssound]));
  // So too on a panel laid out at half size, away from the middle: the row is found where
  // it is drawn.
  InfoLayout.sx = InfoLayout.sy = 0.5f;
  InfoLayout.x0 = 0.3f;
  InfoLayout.y0 = 0.4f;
  pointAt(-5.0f, -5.0f);
  Draw(car, 0);
  label = ControlShowing("Animation");
  ASSERT_NE(label, nullptr);
  pointAt((label->left + label->right) * 0.5f, (label->top + label->bottom) * 0.5f);
  Draw(car, 0);
  EXPECT_TRUE(Shows(LanguageTexts[TX_3h_rdsanima]));
  ResetInfoPanelLayout();
  pointAt(-5.0f, -5.0f);
  // No drive: no sound row, the animation row stays.
  const uint8_t drive = car.driveType;
  car.driveType = DRIVE_NONE;
  Draw(car, 0);
  EXPECT_EQ(ControlShowing("Engine Sound"), nullptr);
  EXPECT_NE(ControlShowing("Animation"), nullptr);
  // No animation: no animation row.
  car.driveType = drive;
  car.steerAnimation[0] = 0;
  Draw(car, 0);
  EXPECT_EQ(ControlShowing("Animation"), nullptr);
  EXPECT_NE(ControlShowing("Engine Sound"), nullptr);
}

// Each marked colour has a red, a green and a blue slider over its word's first three bytes,
// 0 to 255 each, and a brightness bar over the word; the template sizes light the size chosen
// and choose 1024 (the small picture) or 2048.
TEST_F(PanelTest, EachColourHasItsChannelSlidersAndTheTemplateSizeShownLit) {
  Car car;
  MakeSampleCar(RUNABOUT, car);
  for (uint8_t& f : ColourMarkFlags) f = 0;
  ColourMarkFlags[1] = 1;
  InfoPageShown = INFO_PAGE_COLOURS;
  struct Restore {  // the editor's options given back however the test ends
    uint32_t options = CfgEditorOptions;
    ~Restore() { CfgEditorOptions = options; }
  } restore;
  CfgEditorOptions |= EDITOR_OPTION_SMALL_PICTURE;
  Draw(car, 1);
  uint8_t* bytes = reinterpret_cast<uint8_t*>(&car.currentColours.groups[MARKS_BODY][1]);
  ColourWord* const channels[3] = {&TextColours.sliderRed, &TextColours.sliderGreen, &TextColours.sliderBlue};
  int sliders = 0, bars = 0;
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    if (c.displayType == VALUE_TYPE_COLOUR_BYTE) {
      ASSERT_LT(sliders, 3);
      EXPECT_EQ(c.variable, bytes + sliders) << sliders;
      EXPECT_EQ(c.colour, channels[sliders]) << sliders;
      EXPECT_EQ(c.minimum.i, 0);
      EXPECT_EQ(c.maximum.i, 255);
      ++sliders;
    } else if (c.displayType == VALUE_TYPE_COLOUR_TRIPLE) {
      EXPECT_EQ(c.variable, bytes);
      EXPECT_EQ(c.minimum.i, 0);
      EXPECT_EQ(c.maximum.i, 255);
      ++bars;
    }
  }
  EXPECT_EQ(sliders, 3);
  EXPECT_EQ(bars, 1);
  // The small picture chosen: 1024 lit, 2048 not; a click on 2048 chooses the large one.
  const ValueControl* small = ControlShowing("1024");
  const ValueControl* large = ControlShowing("2048");
  ASSERT_NE(small, nullptr);
  ASSERT_NE(large, nullptr);
  EXPECT_EQ(small->colour, &InterfaceColours.textSelected);
  EXPECT_EQ(large->colour, &InterfaceColours.textUnselected);
  Click(*large);
  EXPECT_EQ(CfgEditorOptions & EDITOR_OPTION_SMALL_PICTURE, 0u);
  Draw(car, 1);
  ASSERT_NE(ControlShowing("1024"), nullptr);
  EXPECT_EQ(ControlShowing("1024")->colour, &InterfaceColours.textUnselected);
  EXPECT_EQ(ControlShowing("2048")->colour, &InterfaceColours.textSelected);
  Click(*ControlShowing("1024"));
  EXPECT_NE(CfgEditorOptions & EDITOR_OPTION_SMALL_PICTURE, 0u);
}

// The skin template's texture is the first part's texture of a skin kind (1 to 3) or the
// blank one (7), searched in the mesh's own parts before its children.
TEST(SkinTemplate, TheTemplateTextureIsOfASkinKindOrTheBlankOne) {
  ZKTETexture textures[8] = {};
  Material materials[8] = {};
  for (int k = 0; k < 8; ++k) {
    textures[k].type = uint8_t(k);
    materials[k].texture = &textures[k];
  }
  GouraudPart part{}, childPart{};
  GouraudO3d mesh, child;
  mesh.Init();
  child.Init();
  mesh.partCount = child.partCount = 1;
  mesh.parts = &part;
  child.parts = &childPart;
  for (int k = 0; k < 8; ++k) {
    part.key = &materials[k];
    const bool skin = (k >= 1 && k <= 3) || k == 7;
    EXPECT_EQ(FindTemplateTexture(&mesh), skin ? &textures[k] : nullptr) << "kind " << k;
  }
  // Not in the mesh's own parts: the child's.
  DrawMesh* children[1] = {&child};
  mesh.childCount = 1;
  mesh.children = children;
  part.key = &materials[4];
  childPart.key = &materials[1];
  EXPECT_EQ(FindTemplateTexture(&mesh), &textures[1]);
  part.key = &materials[3];
  EXPECT_EQ(FindTemplateTexture(&mesh), &textures[3]) << "the mesh's own part first";
  // Only the children counted are searched: a skin past them is not found.
  GouraudPart extraPart{};
  GouraudO3d extra;
  extra.Init();
  extra.partCount = 1;
  extra.parts = &extraPart;
  extraPart.key = &materials[2];
  DrawMesh* two[2] = {&child, &extra};
  mesh.children = two;
  part.key = &materials[0];
  childPart.key = &materials[5];
  EXPECT_EQ(FindTemplateTexture(&mesh), nullptr);
  mesh.childCount = 2;
  EXPECT_EQ(FindTemplateTexture(&mesh), &textures[2]);
  extra.partCount = 0;
  extra.parts = nullptr;
  // Only the parts counted are searched too.
  GouraudPart parts[2] = {};
  parts[0].key = &materials[0];
  parts[1].key = &materials[1];
  mesh.childCount = 0;
  mesh.parts = parts;
  EXPECT_EQ(FindTemplateTexture(&mesh), nullptr);
  mesh.partCount = 2;
  EXPECT_EQ(FindTemplateTexture(&mesh), &textures[1]);
  mesh.childCount = 0;
  mesh.children = nullptr;
  mesh.partCount = child.partCount = 0;
  mesh.parts = child.parts = nullptr;
}

// A template asked for with no car, a car without a body mesh, or a body whose only texture is
// of no skin kind, is refused in a box to the asking window and nothing else.
TEST_F(PanelTest, ASkinTemplateWithoutASkinTextureIsRefusedInABox) {
  MakeSkinTemplate(&owner, nullptr, 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Could not find skin texture"}) << "no car";
  Boxes().clear();
  Car car;
  MakeSkinTemplate(&owner, &car, 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Could not find skin texture"}) << "no body mesh";
  Boxes().clear();
  ZKTETexture texture{};
  texture.type = 4;  // a texture, but not a skin's
  Material material{};
  material.texture = &texture;
  GouraudPart part{};
  part.key = &material;
  GouraudO3d body;
  body.Init();
  body.partCount = 1;
  body.parts = &part;
  car.levelMeshes[0] = &body;
  MakeSkinTemplate(&owner, &car, 0);
  EXPECT_EQ(Boxes(), std::vector<std::string>{"Could not find skin texture"}) << "no skin texture on the body";
  car.levelMeshes[0] = nullptr;
  body.partCount = 0;
  body.parts = nullptr;
}

// Only the object's mappings counted mark colours: a marked mapping past them, its triangle
// on a shown layer, marks nothing.
TEST(ColourMarks, OnlyTheCountedMappingsOfAnObjectMark) {
  ModelMapping mappings[2] = {};
  std::snprintf(mappings[0].name, sizeof mappings[0].name, "%s", "plain");
  std::snprintf(mappings[1].name, sizeof mappings[1].name, "%s", "M2");
  ModelTriangle triangles[2] = {};
  triangles[0].mapping = 0;
  triangles[1].mapping = 1;
  ModelObject o{};
  o.mappings = mappings;
  o.triangles = triangles;
  o.triangleCount = 2;
  for (const int counted : {1, 2}) {
    o.mappingCount = counted;
    std::memset(ColourMarkFlags, 0, sizeof ColourMarkFlags);
    ScanColourMarksInObject(o, MARKS_BODY, 0xFFFFFFFFu);
    EXPECT_EQ(ColourMarkFlags[MARKS_BODY * COLOUR_MARK_GROUP + 1], counted == 2 ? 1 : 0) << counted;
  }
  // Nor does a triangle past the object's triangles.
  o.triangleCount = 1;
  std::memset(ColourMarkFlags, 0, sizeof ColourMarkFlags);
  ScanColourMarksInObject(o, MARKS_BODY, 0xFFFFFFFFu);
  EXPECT_EQ(ColourMarkFlags[MARKS_BODY * COLOUR_MARK_GROUP + 1], 0);
  o.mappings = nullptr;
  o.triangles = nullptr;
  o.mappingCount = o.triangleCount = 0;
}

// Every mapping of the car's rim marks a wheel colour, not only its first: here the second of
// two, a colour nothing else of the car marks.
TEST(ColourMarks, EveryMappingOfTheRimMarksItsWheelColour) {
  Car car;
  MakeSampleCar(RUNABOUT, car);
  ASSERT_NE(car.model, nullptr);
  // The test's rim stands in for the car's only while the marks are scanned.
  WXS* const saved = car.rim;
  WXS rim;
  car.rim = &rim;
  ScanCarColourMarks(&car);
  car.rim = saved;
  int unmarked = 0;
  for (int k = COLOUR_MARK_GROUP; k >= 1 && !unmarked; --k)
    if (!ColourMarkFlags[MARKS_WHEELS * COLOUR_MARK_GROUP + k - 1]) unmarked = k;
  ASSERT_NE(unmarked, 0);
  rim.mappingCount = 2;
  rim.mappings = static_cast<ModelMapping*>(std::calloc(2, sizeof(ModelMapping)));
  ASSERT_NE(rim.mappings, nullptr);
  std::snprintf(rim.mappings[0].name, sizeof rim.mappings[0].name, "%s", "plain");
  std::snprintf(rim.mappings[1].name, sizeof rim.mappings[1].name, "m%d", unmarked);
  car.rim = &rim;
  ScanCarColourMarks(&car);
  car.rim = saved;
  EXPECT_EQ(ColourMarkFlags[MARKS_WHEELS * COLOUR_MARK_GROUP + unmarked - 1], 1) << "m" << unmarked;
}

// The car's body marks read the layers its set-up's configuration shows, the first
// configuration's when the set-up names one past the last; the spoke object's colours always
// mark wheel colours, never body ones.
TEST(ColourMarks, TheSetupsConfigurationChoosesTheLayersAndTheSpokeMarksWheelColours) {
  Car car;
  ModelMapping mappings[1] = {};
  std::snprintf(mappings[0].name, sizeof mappings[0].name, "%s", "M1");
  ModelTriangle triangles[1] = {};
  triangles[0].mapping = 0;
  triangles[0].layer = 1;
  ModelObject body{};
  body.mappings = mappings;
  body.mappingCount = 1;
  body.triangles = triangles;
  body.triangleCount = 1;
  car.model = &body;
  car.configCount = 2;
  car.configs[0].layerMask = 1u << 0;  // layer 0 only
  car.configs[1].layerMask = 1u << 1;  // layer 1 only
  car.configs[2].layerMask = 1u << 1;  // past the count: never read
  const auto bodyMarkOne = [&car](int config) {
    car.currentSetup.bytes[SETUP_CONFIGURATION] = uint8_t(config);
    ScanCarColourMarks(&car);
    return int(ColourMarkFlags[MARKS_BODY * COLOUR_MARK_GROUP + 0]);
  };
  EXPECT_EQ(bodyMarkOne(0), 0) << "the first configuration hides layer 1";
  EXPECT_EQ(bodyMarkOne(1), 1) << "the last configuration shows it";
  EXPECT_EQ(bodyMarkOne(2), 0) << "one past the last: the first configuration's layers";
  EXPECT_EQ(ColourMarkFlags[MARKS_WHEELS * COLOUR_MARK_GROUP + 3], 0);

  // The spoke's second mapping, "m4": wheel colour 4.
  ModelMapping* const savedMappings = car.spoke.mappings;
  const auto savedCount = car.spoke.mappingCount;
  ModelMapping spoke[2] = {};
  std::snprintf(spoke[0].name, sizeof spoke[0].name, "%s", "plain");
  std::snprintf(spoke[1].name, sizeof spoke[1].name, "%s", "m4");
  car.spoke.mappings = spoke;
  car.spoke.mappingCount = 2;
  ScanCarColourMarks(&car);
  EXPECT_EQ(ColourMarkFlags[MARKS_WHEELS * COLOUR_MARK_GROUP + 3], 1);
  EXPECT_EQ(ColourMarkFlags[MARKS_BODY * COLOUR_MARK_GROUP + 3], 0);
  car.spoke.mappings = savedMappings;
  car.spoke.mappingCount = savedCount;
  car.model = nullptr;
  body.mappings = nullptr;
  body.triangles = nullptr;
  body.mappingCount = body.triangleCount = 0;
}

// The switch and seat words as every owner applies them (the editor and the garage alike).
// A subobject's marks count only when it carries the colours flag (option 4): a hub's for the
// wheels, any other subobject's for the body; a subobject with another option alone (1, the
// mirrored twin) marks nothing, and only a flagged hub makes the car one of a flagged hub.
TEST(ColourMarks, OnlyAFlaggedSubobjectMarksAndAHubMarksTheWheels) {
  ModelMapping mappings[1] = {};
  std::snprintf(mappings[0].name, sizeof mappings[0].name, "%s", "M2");
  ModelTriangle triangles[1] = {};
  triangles[0].mapping = 0;
  ModelObject children[2] = {};
  for (ModelObject& child : children) {
    child.mappings = mappings;
    child.mappingCount = 1;
    child.triangles = triangles;
    child.triangleCount = 1;
  }
  children[0].type = SUBOBJECT_ATTACHMENT;
  children[1].type = SUBOBJECT_HUB;
  ModelObject body{};
  body.children = children;
  body.childCount = 2;
  Car car;
  car.model = &body;
  car.configCount = 1;
  car.configs[0].layerMask = 1u;
  car.currentSetup.bytes[SETUP_CONFIGURATION] = 0;
  const struct {
    uint16_t attachment, hub;
    int bodyMark, wheelMark, flaggedHub;
  } cases[] = {{4, 0, 1, 0, 0}, {0, 4, 0, 1, 1}, {1, 1, 0, 0, 0}, {5, 5, 1, 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "options " << c.attachment << ", " << c.hub);
    children[0].options = c.attachment;
    children[1].options = c.hub;
    ScanCarColourMarks(&car);
    EXPECT_EQ(ColourMarkFlags[MARKS_BODY * COLOUR_MARK_GROUP + 1], c.bodyMark);
    EXPECT_EQ(ColourMarkFlags[MARKS_WHEELS * COLOUR_MARK_GROUP + 1], c.wheelMark);
    EXPECT_EQ(CarHasFlaggedHub(&car), c.flaggedHub);
  }
  car.model = nullptr;
}

TEST(SetupButtonWords, SwitchesSetTheirFlagAndSeatsTheirTwoBits) {
  SetupRecord setup{};
  ApplySwitchWord(setup, 3);
  EXPECT_EQ(setup.bytes[SETUP_FLAGS], SETUP_FLAG_TRACTION);
  ApplySwitchWord(setup, 5);
  EXPECT_EQ(setup.bytes[SETUP_FLAGS], SETUP_FLAG_TRACTION | SETUP_FLAG_ANTI_LOCK);
  ApplySwitchWord(setup, 4);
  ApplySwitchWord(setup, 2);
  EXPECT_EQ(setup.bytes[SETUP_FLAGS], SETUP_FLAG_KEEP) << "a switch turned off never unmakes the set-up";
  EXPECT_EQ(SwitchFlagOfWord(1), SETUP_FLAG_SYMMETRIC);

  SetSetupWord(setup, SETUP_PASSENGERS, 0xFFu);
  ApplyPassengerWord(setup, 1 * 4 + 2);  // seat 1 given kind 2
  EXPECT_EQ(SetupWord(setup, SETUP_PASSENGERS), 0xFBu);
  ApplyPassengerWord(setup, 0);
  EXPECT_EQ(SetupWord(setup, SETUP_PASSENGERS), 0xF8u);
  ApplyPassengerWord(setup, 3 * 4 + 1);  // seat 3 (bits 6 and 7) given kind 1: 0x38 | 0x40
  EXPECT_EQ(SetupWord(setup, SETUP_PASSENGERS), 0x78u);

  EXPECT_EQ(WrappedStep(3, 0, 3, true), 0);
  EXPECT_EQ(WrappedStep(0, 0, 3, false), 3);
  EXPECT_EQ(WrappedStep(1, 0, 3, true), 2);
}

}  // namespace
