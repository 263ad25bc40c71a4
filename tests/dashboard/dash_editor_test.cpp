// dash_editor_test.cpp - the dashboard editor page without a window: its frames built on a
// 1024 x 768 interface over cars of types 1, 3 and 5, its buttons clicked as a user would,
// its questions answered and its prompts typed into.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <numbers>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/process.h"
#include "core/report.h"
#include "core/window_state.h"
#include "dashboard/dash_block.h"
#include "dashboard/dash_editor.h"
#include "dashboard/dash_figures.h"
#include "dashboard/dash_file.h"
#include "physics/car.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "tests/render/null_renderer.h"
#include "tests/ui/control_clicks.h"
#include "tests/ui/fixed_width_text.h"
#include "ui/dialogs.h"
#include "ui/interface_draw.h"
#include "ui/interface.h"
#include "ui/interface_draw.h"
#include "vehicle_data/dashboard.h"
#include "vehicle_data/vehicle_class.h"

namespace fs = std::filesystem;

namespace {

struct Caught {
  std::vector<std::string> lines, boxes, questions;
  QuestionCallback question = nullptr;
  Prss* owner = nullptr;
};
Caught& Reports() {
  static Caught c;
  return c;
}

float RadiansPerSecond(float rpm) { return rpm * 2.0f * std::numbers::pi_v<float> / 60.0f; }

// A slider row of the editor: the block byte, the byte range the slider moves in and the label
// at either end of it.
struct SliderRow {
  int offset, lowest, highest;
  const char *atLowest, *atHighest;
};

class DashEditor : public ::testing::Test {
 protected:
  ReportSink saved{};
  Prss parent{};
  Car car;
  DashEditorPage* page = nullptr;

  void SetUp() override {
    Reports() = Caught{};
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour, int) { Reports().lines.push_back(text); };
    sink.labelledLine = [](const char* label, const char* text, ReportColour) {
      Reports().lines.push_back(std::string(label) + " " + text);
    };
    sink.box = [](Prss*, const char* first, const char* second) {
      Reports().boxes.push_back(second ? std::string(first) + " " + second : std::string(first));
    };
    sink.question = [](Prss* owner, QuestionCallback callback, const char* first, const char* second, uint32_t,
                       uint32_t, int) {
      Reports().questions.push_back(second ? std::string(first) + " / " + second : std::string(first));
      Reports().question = callback;
      Reports().owner = owner;
      return 1;
    };
    saved = InstallReportSink(sink);
    fs::remove_all("data");
    fs::create_directories("data/3dob");
    ScreenWidth = 1024;
    ScreenHeight = 768;
    SetInterfaceMetrics();
    DashUnits = DashSettings{};
    FrameSkipped = 0;
    ExitRequested = 0;
  }
  void TearDown() override {
    if (page) {
      page->prss.terminate(&page->prss);
      DashEditorScreenAction(&page->prss);
    }
    ClearInterface();
    InstallReportSink(saved);
    fs::remove_all("data");
  }
  // A saloon of the type with its defaults and an engine of 7,600 rpm.
  void Open(int type) {
    car.dashType = uint8_t(type);
    car.SetDashDefaults();
    car.engineFlag = 1;
    car.vehicleClass = CLASS_SALOON;  // a road car's class gives the turn-signal lamps
    car.SetClassFlags();
    car.engine.redline = RadiansPerSecond(7600.0f);
    car.topSpeed = 50.0f;  // 180 km/h
    page = CreateDashEditorPage(&parent, &car);
    ASSERT_NE(page, nullptr);
    Frame();
  }
  // One drawn frame of the page.
  void Frame() {
    ClearInterface();
    ASSERT_EQ(DashEditorScreenAction(&page->prss), &page->prss);
  }
  // The last button of the frame that shows the text and takes clicks (with the word, when
  // one is given).
  static const InterfaceButton* Live(const char* text, intptr_t word = -1) {
    char shown[128];
    for (int i = ButtonCount - 1; i >= 0; --i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (!b.owner || (word >= 0 && b.word != uintptr_t(word))) continue;
      if (ButtonText(b, shown, sizeof shown) && std::strcmp(shown, text) == 0) return &b;
    }
    return nullptr;
  }
  void Click(const char* text, int clickCode = 1, intptr_t word = -1) {
    const InterfaceButton* b = Live(text, word);
    ASSERT_NE(b, nullptr) << "no button \"" << text << "\"";
    ClickButton(*b, clickCode);
    Frame();
  }
  static bool Shown(const char* text) { return FindShownButton(text) != nullptr; }
  // A label row (type 15) of the frame with the text.
  static bool LabelShown(const char* text) {
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].displayType == VALUE_TYPE_LABEL && ValueControls[i].minimum.text &&
          std::strcmp(ValueControls[i].minimum.text, text) == 0)
        return true;
    return false;
  }
  void AnswerYes() {
    ASSERT_NE(Reports().question, nullptr);
    QuestionCallback callback = Reports().question;
    Reports().question = nullptr;
    callback(Reports().owner, 0, 0);
    Frame();
  }
  void Type(const char* prompt, const char* text) {
    ASSERT_EQ(OpenTextEntry.open, 1) << prompt;
    EXPECT_STREQ(OpenTextEntry.prompt, prompt);
    ASSERT_EQ(ConfirmTextEntry(text), 1);
    Frame();
    Frame();
  }
  uint32_t Flags() const { return DashFlags(car.dash); }
  // The slider rows of the frame whose text is `text`, in order.
  static std::vector<const ValueControl*> SliderLabels(const char* text) {
    std::vector<const ValueControl*> found;
    char shown[128];
    for (int i = 0; i < ValueControlCount; ++i) {
      const ValueControl& c = ValueControls[i];
      if (c.displayType == VALUE_TYPE_HELD_FLOAT && ValueControlText(c, shown, sizeof shown) &&
          std::strcmp(shown, text) == 0)
        found.push_back(&c);
    }
    return found;
  }
  // The byte slider (type 37) bound to a byte, and its right step control.
  static const ValueControl* ControlOn(const uint8_t* byte, int type) {
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].displayType == type && ValueControls[i].variable == byte) return &ValueControls[i];
    return nullptr;
  }
  // Sets the row's byte to each end of its range in turn and checks the slider's range and the
  // label left of its down arrow.
  void ExpectSliderEnds(const SliderRow& row) {
    SCOPED_TRACE(row.atLowest);
    for (const int end : {0, 1}) {
      car.dash[row.offset] = uint8_t(end ? row.highest : row.lowest);
      Frame();
      const ValueControl* bar = ControlOn(&car.dash[row.offset], 37);
      const ValueControl* down = ControlOn(&car.dash[row.offset], 41);
      ASSERT_NE(bar, nullptr);
      ASSERT_NE(down, nullptr);
      EXPECT_EQ(bar->byteMinimum, row.lowest);
      EXPECT_EQ(bar->byteMaximum, row.highest);
      char label[64];
      ASSERT_TRUE(ValueControlText(*(down - 1), label, sizeof label));
      EXPECT_STREQ(label, end ? row.atHighest : row.atLowest);
    }
  }
  std::vector<uint8_t> Block() const { return std::vector<uint8_t>(car.dash, car.dash + DASH_BLOCK_SIZE); }
  // The bottom of the lowest row above a row's first control, in its column (every row starts
  // at its column's left edge); -1 at the column's top.
  static int bottomAbove(int left, int top) {
    int lowest = -1;
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (b.left == left && b.bottom <= top) lowest = std::max(lowest, b.bottom);
    }
    for (int i = 0; i < ValueControlCount; ++i) {
      const ValueControl& c = ValueControls[i];
      const int l = int(std::lround((c.left + 1.0f) * 0.5f * float(ScreenWidth)));
      const int bottom = int(std::lround((c.bottom + 1.0f) * 0.5f * float(ScreenHeight)));
      if (std::abs(l - left) <= 1 && bottom <= top) lowest = std::max(lowest, bottom);
    }
    return lowest;
  }
  static bool Said(const std::vector<std::string>& texts, const std::string& part) {
    for (const std::string& t : texts)
      if (t.find(part) != std::string::npos) return true;
    return false;
  }
};

std::vector<uint8_t> FileBytes(const std::string& name) {
  std::ifstream f("data/3dob/" + name + ".dsh", std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

}  // namespace

TEST_F(DashEditor, EachToggleFlipsItsFlagAndItsLabelReadsTheFlagsSense) {
  Open(1);
  struct Toggle {
    const char* on;
    const char* off;
    uint32_t mask;
    bool setMeansOn;
  };
  const Toggle toggles[] = {
      {"Set colours (click : use system colours)", "Using system colours (click : set colours)", DASH_COLOURS_SET, true},
      {"Analog speedo - ON (click : OFF)", "Analog speedo - OFF (click : ON)", DASH_ANALOG_SPEEDOMETER_ON, true},
      {"Tacho ON (click : OFF)", "Tacho OFF (click : ON)", DASH_ANALOG_TACHOMETER_OFF, false},
      {"LED gear ON (click : OFF)", "LED gear OFF (click : ON)", DASH_ANALOG_LED_GEAR_OFF, false},
      {"Digital speedo - ON (click : OFF)", "Digital speedo - OFF (click : ON)", DASH_ANALOG_DIGITAL_SPEED_ON, true},
      {"FPS gauge ON (click : OFF)", "FPS gauge OFF (click : ON)", DASH_ANALOG_TURBO_OFF, false},
      {"Time clock ON (click : OFF)", "Time clock OFF (click : ON)", DASH_ANALOG_CLOCK_OFF, false},
      {"Oil temperature ON (click : OFF)", "Oil temperature OFF (click : ON)", DASH_ANALOG_OIL_TEMPERATURE_ON, true},
      {"Oil pressure gauge ON (click : OFF)", "Oil pressure gauge OFF (click : ON)", DASH_ANALOG_OIL_PRESSURE_ON, true},
  };
  for (const Toggle& t : toggles) {
    for (int round = 0; round < 2; ++round) {
      const bool set = (Flags() & t.mask) != 0;
      const bool on = set == t.setMeansOn;
      ASSERT_TRUE(Shown(on ? t.on : t.off)) << t.on << " round " << round;
      EXPECT_FALSE(Shown(on ? t.off : t.on)) << t.on;
      const uint32_t before = Flags();
      Click(on ? t.on : t.off);
      EXPECT_EQ(Flags(), before ^ t.mask) << t.on << ": only its own flag";
      EXPECT_TRUE(Shown(on ? t.off : t.on)) << t.on;
    }
  }
  // A turbo car's gauge is the turbo gauge.
  car.engine.flags |= ENGINE_TURBO;
  Frame();
  EXPECT_TRUE(Shown("Turbo gauge ON (click : OFF)") || Shown("Turbo gauge OFF (click : ON)"));
  EXPECT_FALSE(Shown("FPS gauge ON (click : OFF)"));

  // The tachometer's choices: each sets its own sense; the gap's texts follow the multiplier.
  if (Flags() & DASH_ANALOG_TACHOMETER_OFF) Click("Tacho OFF (click : ON)");
  Click("5 step");
  EXPECT_NE(Flags() & DASH_ANALOG_FIVE_STEPS, 0u);
  Click("5 step");
  EXPECT_NE(Flags() & DASH_ANALOG_FIVE_STEPS, 0u) << "a chosen choice stays chosen";
  Click("2 step");
  EXPECT_EQ(Flags() & DASH_ANALOG_FIVE_STEPS, 0u);
  ASSERT_TRUE(Shown("1") && Shown("2"));
  Click("\xD7" "100");
  EXPECT_NE(Flags() & DASH_ANALOG_HUNDREDS, 0u);
  Click("10");
  EXPECT_NE(Flags() & DASH_ANALOG_SECOND_GAP, 0u);
  Click("5");
  EXPECT_EQ(Flags() & DASH_ANALOG_SECOND_GAP, 0u);
}

// A process over the page (a question, a file box) acts each frame in its place: the page
// draws nothing under it, and draws again once the process has ended.
TEST_F(DashEditor, AProcessOverThePageActsEachFrameInItsPlace) {
  Open(1);
  static int acted;
  static int ending;
  acted = 0;
  ending = 0;
  Prss over{};
  Prss_Init(
      &over, &page->prss,
      [](Prss* p) -> Prss* {
        ++acted;
        return ending ? nullptr : p;
      },
      Prss_SimpleKey, Prss_SimpleMouse, nullptr, nullptr);
  Prss_AddSub(&page->prss, &over);
  ClearInterface();
  EXPECT_EQ(DashEditorScreenAction(&page->prss), &page->prss);
  EXPECT_EQ(acted, 1);
  EXPECT_EQ(page->prss.sub, &over);
  ending = 1;
  ClearInterface();
  EXPECT_EQ(DashEditorScreenAction(&page->prss), &page->prss);
  EXPECT_EQ(acted, 2);
  EXPECT_EQ(page->prss.sub, nullptr) << "the ended process is gone from the page";
}

TEST_F(DashEditor, TheLampEditorsFollowTheLampMaskOfTheNextFrame) {
  Open(1);
  SetDashFlags(car.dash, Flags() & ~DASH_ANALOG_OIL_PRESSURE_ON & ~DASH_ANALOG_SEPARATE_SIGNALS);
  Frame();
  EXPECT_TRUE(Shown("Oil pressure"));
  EXPECT_TRUE(Shown("Shared indicator (click : SEPARATE)"));
  EXPECT_FALSE(Shown("Left indicator (click : SHARED)"));
  Click("Oil pressure gauge OFF (click : ON)");
  EXPECT_FALSE(Shown("Oil pressure")) << "the gauge takes the lamp's place";

  Click("Shared indicator (click : SEPARATE)");
  ASSERT_EQ(Reports().questions.back(), "Change signal type to SEPARATE?");
  AnswerYes();
  EXPECT_NE(Flags() & DASH_ANALOG_SEPARATE_SIGNALS, 0u);
  EXPECT_TRUE(Shown("Left indicator (click : SHARED)"));
  EXPECT_TRUE(Shown("Right indicator (click : SHARED)"));
  EXPECT_FALSE(Shown("Shared indicator (click : SEPARATE)"));
  Click("Right indicator (click : SHARED)");
  EXPECT_EQ(Reports().questions.back(), "Change signal type to SHARED?");

  // A symbol button sets the lamp's symbol byte; the plain lamp is symbol 0.
  const int left = DASH_LAMP_OFFSET + DASH_LAMP_LEFT * DASH_LAMP_BYTES;
  const char second[2] = {char(DASH_LAMP_KINDS[DASH_LAMP_LEFT].symbols[1]), 0};
  Click(second);
  EXPECT_EQ(car.dash[left + 3], 2);
  const int handbrake = DASH_LAMP_OFFSET + DASH_LAMP_HANDBRAKE * DASH_LAMP_BYTES;
  car.dash[handbrake + 3] = 1;
  Frame();
  const char plain[2] = {char(DASH_PLAIN_LAMP_GLYPH), 0};
  Click(plain, 1, DASH_LAMP_HANDBRAKE << 8);
  EXPECT_EQ(car.dash[handbrake + 3], 0);
  EXPECT_EQ(car.dash[left + 3], 2) << "only its own lamp";
}

TEST_F(DashEditor, SlidersShowTheirArithmeticAndWriteTheBlocksBytes) {
  Open(1);
  uint8_t* dial = &car.dash[DASH_DIALS + DASH_WATER * DASH_DIAL_BYTES];
  dial[0] = 100;  // X
  dial[2] = 24;   // start angle
  dial[3] = 12;   // turn angle at its lowest
  Frame();
  EXPECT_FALSE(SliderLabels("X 0.00").empty());
  EXPECT_FALSE(SliderLabels("Start Angle 120").empty());
  EXPECT_FALSE(SliderLabels("Turn Angle 60").empty());
  const ValueControl* bar = ControlOn(&dial[0], 37);
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->byteMinimum, 0);
  EXPECT_EQ(bar->byteMaximum, 200);
  const ValueControl* up = ControlOn(&dial[0], 40);
  ASSERT_NE(up, nullptr);
  ClickControl(*up);
  EXPECT_EQ(dial[0], 101);
  Frame();
  EXPECT_FALSE(SliderLabels("X 0.01").empty());

  // A lamp's position and size.
  uint8_t* lamp = &car.dash[DASH_LAMP_OFFSET + DASH_LAMP_HANDBRAKE * DASH_LAMP_BYTES];
  lamp[0] = 5;
  lamp[2] = 20;
  Frame();
  EXPECT_FALSE(SliderLabels("X -0.95").empty());
  EXPECT_FALSE(SliderLabels("Size 0.20").empty());
  const ValueControl* down = ControlOn(&lamp[0], 41);
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(down->owner, nullptr) << "at its lowest byte the left step is dead";
}

TEST_F(DashEditor, ManualMaximumsComeFromTheCarAndStepWithinTheirRanges) {
  EXPECT_EQ(DashTachometerManualMaximum(RadiansPerSecond(7600.0f)), 16);
  EXPECT_EQ(DashTachometerManualMaximum(RadiansPerSecond(7000.0f)), 16) << "the next step above";
  EXPECT_EQ(DashTachometerManualMaximum(RadiansPerSecond(6900.0f)), 14) << "odd steps go up to even";
  EXPECT_EQ(DashTachometerManualMaximum(0.0f), 4);
  EXPECT_EQ(DashTachometerManualMaximum(1e9f), 60);
  EXPECT_EQ(DashTachometerManualMaximum(std::nanf("")), 4);
  EXPECT_EQ(DashSpeedometerManualMaximum(50.0f), 36);  // 180 km/h
  EXPECT_EQ(DashSpeedometerManualMaximum(51.0f), 36);  // 183.6 km/h cut to 180
  EXPECT_EQ(DashSpeedometerManualMaximum(1.0f), 6);
  EXPECT_EQ(DashSpeedometerManualMaximum(1000.0f), 144);
  EXPECT_EQ(DashSpeedometerManualMaximum(std::nanf("")), 6);

  Open(1);
  SetDashFlags(car.dash, (Flags() | DASH_ANALOG_SPEEDOMETER_ON) & ~DASH_ANALOG_TACHOMETER_OFF);
  Frame();
  uint8_t& tacho = car.dash[DASH_DIALS + DASH_TACHOMETER * DASH_DIAL_BYTES + 5];
  uint8_t& speedo = car.dash[DASH_DIALS + DASH_SPEEDOMETER * DASH_DIAL_BYTES + 5];
  ASSERT_EQ(tacho, 0);
  // The tachometer's row comes after the speedometer's: its "manual" is the last one.
  Click("manual");
  EXPECT_EQ(tacho, 16);
  EXPECT_TRUE(Shown("8000 rpm"));
  DashUnits.kmh = 0;  // mph chosen: the maximum still reads in km/h
  const InterfaceButton* first = nullptr;
  for (int i = 0; i < ButtonCount && !first; ++i) {
    char shown[64];
    if (ButtonText(InterfaceButtons[i], shown, sizeof shown) && std::strcmp(shown, "manual") == 0)
      first = &InterfaceButtons[i];
  }
  ASSERT_NE(first, nullptr);
  ClickButton(*first);
  Frame();
  EXPECT_EQ(speedo, 36);
  EXPECT_TRUE(Shown("180 km/h"));
  EXPECT_TRUE(Shown("mph")) << "the unit button shows the user's unit";
  Click("mph");
  EXPECT_EQ(DashUnits.kmh, 1);
  EXPECT_EQ(Live("180 km/h"), nullptr) << "a shown figure takes no click";
  // The manual maximum's row: "Max" and "auto" and "manual" (two widths each), then the left
  // arrow (one), the figure (two) and the right arrow (one).
  {
    const InterfaceButton* left = Live("\x8B", 4 | 2);
    const InterfaceButton* right = Live("\x9B", 4 | 3);
    const InterfaceButton* manual = Live("manual", 4 | 1);
    ASSERT_TRUE(left && right && manual);
    EXPECT_EQ(left->left, manual->right);
    EXPECT_EQ(left->right - left->left, ButtonWidth);
    EXPECT_EQ(right->left, left->right + 2 * ButtonWidth);
    EXPECT_EQ(right->right - right->left, ButtonWidth);
  }
  // Steps: the right button steps by 10, within 6..144 and 4..60.
  tacho = 58;
  car.dash[DASH_DIALS + DASH_TACHOMETER * DASH_DIAL_BYTES + 7] = 0;  // no unit: its arrows are the last
  Frame();
  Click("\x9B", 2);
  EXPECT_EQ(tacho, 60);
  Click("auto");
  EXPECT_EQ(tacho, 0);
  Click("Test");
  EXPECT_TRUE(Said(Reports().boxes, TEXT_DASH_UNIT_TEST));
}

// The arrows beside a manual maximum step it: they are no choice, so neither is ever drawn
// chosen (lit, in the chosen yellow), while the "manual" beside them is.
TEST_F(DashEditor, TheManualMaximumsArrowsAreNeverDrawnChosen) {
  Open(1);
  SetDashFlags(car.dash, (Flags() | DASH_ANALOG_SPEEDOMETER_ON) & ~DASH_ANALOG_TACHOMETER_OFF);
  Frame();
  // Speedometer words carry 4; then 1 is "manual", 2 the left arrow and 3 the right one.
  Click("manual", 1, 4 | 1);
  Click("manual", 1, 1);
  ASSERT_NE(car.dash[DASH_DIALS + DASH_SPEEDOMETER * DASH_DIAL_BYTES + 5], 0);
  ASSERT_NE(car.dash[DASH_DIALS + DASH_TACHOMETER * DASH_DIAL_BYTES + 5], 0);
  for (const intptr_t base : {intptr_t(4), intptr_t(0)}) {
    const InterfaceButton* manual = Live("manual", base | 1);
    const InterfaceButton* left = Live("\x8B", base | 2);
    const InterfaceButton* right = Live("\x9B", base | 3);
    ASSERT_TRUE(manual && left && right) << base;
    EXPECT_EQ(manual->fourth.i, 1) << base;
    EXPECT_EQ(manual->colour, &TextColours.lightYellow) << base;
    EXPECT_EQ(left->fourth.i, 0) << base;
    EXPECT_EQ(left->colour, nullptr) << base;
    EXPECT_EQ(right->fourth.i, 0) << base;
    EXPECT_EQ(right->colour, nullptr) << base;
  }
}

TEST_F(DashEditor, TypeThreesQuestionsWriteTheirDefaultsIntoTheBlock) {
  Open(3);
  const uint32_t flags = Flags();
  const bool led = flags & DASH_FORMULA_LED_TACHOMETER;
  Click(led ? "LED tacho (click : LCD)" : "LCD tacho (click : LED)");
  EXPECT_EQ(Reports().questions.back(), led ? "Change tacho type to LCD?" : "Change tacho type to LED?");
  std::memset(&car.dash[4], 0xEE, 12);
  AnswerYes();
  EXPECT_EQ(Flags(), flags ^ DASH_FORMULA_LED_TACHOMETER);
  const std::vector<uint8_t> ledBytes = {100, 190, 12, 12, 6, 0, 0, 0, 0, 0, 0, 0};
  const std::vector<uint8_t> lcdBytes = {100, 115, 27, 18, 133, 109, 96, 90, 100, 10, 0, 0};
  EXPECT_EQ(std::vector<uint8_t>(car.dash + 4, car.dash + 16), led ? lcdBytes : ledBytes);
  ASSERT_TRUE(Shown(led ? "LCD tacho (click : LED)" : "LED tacho (click : LCD)"));
  Click(led ? "LCD tacho (click : LED)" : "LED tacho (click : LCD)");
  AnswerYes();
  EXPECT_EQ(std::vector<uint8_t>(car.dash + 4, car.dash + 16), led ? ledBytes : lcdBytes);
  EXPECT_FALSE(SliderLabels("Number 12").empty() && SliderLabels("Turn Angle 90").empty());

  const bool ledGear = Flags() & DASH_FORMULA_LED_GEAR;
  Click(ledGear ? "LED gear (click : LCD)" : "LCD gear (click : LED)");
  EXPECT_EQ(Reports().questions.back(), ledGear ? "Change gear type to LCD?" : "Change gear type to LED?");
  AnswerYes();
  const std::vector<uint8_t> box(car.dash + DASH3_GEAR_BOX, car.dash + DASH3_GEAR_BOX + 4);
  EXPECT_EQ(box, ledGear ? std::vector<uint8_t>({64, 33, 30, 45}) : std::vector<uint8_t>({170, 150, 30, 45}));
  EXPECT_NE(Flags() & DASH_FORMULA_LED_GEAR, ledGear ? DASH_FORMULA_LED_GEAR : 0u);
  // And back: the other kind's box.
  Click(ledGear ? "LCD gear (click : LED)" : "LED gear (click : LCD)");
  std::memset(&car.dash[DASH3_GEAR_BOX], 0xEE, 4);
  AnswerYes();
  const std::vector<uint8_t> back(car.dash + DASH3_GEAR_BOX, car.dash + DASH3_GEAR_BOX + 4);
  EXPECT_EQ(back, ledGear ? std::vector<uint8_t>({170, 150, 30, 45}) : std::vector<uint8_t>({64, 33, 30, 45}));

  // Colours set: the text opacity slider on the text colour's fourth byte.
  if (!(Flags() & DASH_COLOURS_SET)) Click("Using system colours (click : set colours)");
  car.dash[DASH3_TEXT_COLOUR + 3] = 32;
  Frame();
  EXPECT_FALSE(SliderLabels("Text opacity 32").empty());
  EXPECT_TRUE(LabelShown("Backing colour"));
  EXPECT_TRUE(LabelShown("LED gear colour"));
}

// The buttons labelled with the character set's symbols are symbol buttons (style 4), whose
// glyph codes are drawn as the symbols' own glyphs whatever the code page (symbol_glyphs_test
// draws them); the texts beside them stay text.
TEST_F(DashEditor, SymbolLabelsAreSymbolButtons) {
  Open(2);
  const char plain[2] = {char(DASH_PLAIN_LAMP_GLYPH), 0};
  const char second[2] = {char(DASH_LAMP_KINDS[DASH_LAMP_HANDBRAKE].symbols[0]), 0};
  for (const char* symbol : {plain, second, "\xA1\xA2\xA3"}) {
    const InterfaceButton* b = Live(symbol);
    ASSERT_NE(b, nullptr) << int(static_cast<unsigned char>(symbol[0]));
    EXPECT_EQ(b->style, 4) << int(static_cast<unsigned char>(symbol[0]));
  }
  Click("manual");
  ASSERT_NE(Live("\x8B"), nullptr);
  EXPECT_EQ(Live("\x8B")->style, 4);
  EXPECT_EQ(Live("\x9B")->style, 4);
  EXPECT_EQ(Live("NONE")->style, 2);
  EXPECT_EQ(Live("123")->style, 2);
}

TEST_F(DashEditor, ADisplayStyleChangeSizesTheDisplaysRectangle) {
  Open(2);
  const int width = DASH_DISPLAY_RECTANGLE + 2, height = DASH_DISPLAY_RECTANGLE + 3;
  Click(DASH_DISPLAY_STYLE_CODE);
  EXPECT_EQ(car.dash[4], 1);
  EXPECT_EQ(car.dash[width], 16);
  EXPECT_EQ(car.dash[height], 24);
  Click("123");
  EXPECT_EQ(car.dash[width], 32);
  EXPECT_EQ(car.dash[height], 8);
  car.dash[width] = 40;
  Click("\xA1\xA2\xA3");  // from 2 to 3: the size stays
  EXPECT_EQ(car.dash[4], 3);
  EXPECT_EQ(car.dash[width], 40);
  Click("NONE");
  EXPECT_EQ(car.dash[4], 0);
  EXPECT_EQ(car.dash[width], 40);
  EXPECT_FALSE(Shown("MFD background"));
}

TEST_F(DashEditor, RestoreSaveAndLoadOfTypedNames) {
  Open(1);
  const std::vector<uint8_t> defaults = Block();
  car.dash[DASH_DIALS] = 3;
  Click("restore default settings");
  EXPECT_EQ(Reports().questions.back(), "Restore default settings? / All changes will be lost");
  AnswerYes();
  EXPECT_EQ(Block(), defaults);

  // Saved from this car, loaded onto another car of the type: the same block and file bytes.
  car.dash[DASH_DIALS] = 77;
  car.dash[DASH_TEXT_COLOUR] = 9;
  std::strcpy(car.vehicleName, "Runabout");
  Click("save");
  EXPECT_STREQ(OpenTextEntry.initialText, "Runabout");
  Type(TEXT_DASH_SAVE_PROMPT, "mydash");
  const std::vector<uint8_t> saved = Block();
  const std::vector<uint8_t> file = FileBytes("mydash");
  ASSERT_FALSE(file.empty());
  EXPECT_TRUE(Said(Reports().lines, "Saved ^Ldata/3dob/mydash.dsh")) << "the save names its file";

  auto otherCar = std::make_unique<Car>();
  Car& other = *otherCar;
  other.dashType = 1;
  other.SetDashDefaults();
  page->car = &other;
  Frame();
  Reports().lines.clear();
  Click("load");
  Type(TEXT_DASH_LOAD_PROMPT, "mydash");
  EXPECT_EQ(std::vector<uint8_t>(other.dash, other.dash + DASH_BLOCK_SIZE), saved);
  EXPECT_TRUE(Said(Reports().lines, std::string(TEXT_DASH_LOADED) + " mydash")) << "the load is reported";
  Click("save");
  Type(TEXT_DASH_SAVE_PROMPT, "again");
  EXPECT_EQ(FileBytes("again"), file);

  // Names that leave the folder are refused (the prompt stays open, or the file's check
  // says so) before any path is made; the block stays.
  const std::vector<uint8_t> before(other.dash, other.dash + DASH_BLOCK_SIZE);
  for (const char* name : {"../up", "a/b", "a\\b", "..", "a:b"}) {
    const size_t boxes = Reports().boxes.size();
    Click("load");
    ASSERT_EQ(OpenTextEntry.open, 1);
    ASSERT_EQ(ConfirmTextEntry(name), 1);
    Frame();
    EXPECT_TRUE(OpenTextEntry.open == 1 || Reports().boxes.size() == boxes + 1) << name;
    if (OpenTextEntry.open) CancelTextEntry();
    Frame();
    Frame();
    EXPECT_EQ(std::vector<uint8_t>(other.dash, other.dash + DASH_BLOCK_SIZE), before) << name;
  }
  EXPECT_FALSE(fs::exists("data/up.dsh"));

  // A damaged file names itself and the field; the block stays byte for byte.
  std::vector<uint8_t> damaged = file;
  damaged.resize(damaged.size() - 7);
  {
    std::ofstream f("data/3dob/damaged.dsh", std::ios::binary);
    f.write(reinterpret_cast<const char*>(damaged.data()), std::streamsize(damaged.size()));
  }
  Click("load");
  Type(TEXT_DASH_LOAD_PROMPT, "damaged");
  ASSERT_FALSE(Reports().boxes.empty());
  EXPECT_NE(Reports().boxes.back().find("damaged.dsh"), std::string::npos) << Reports().boxes.back();
  EXPECT_NE(Reports().boxes.back().find("block"), std::string::npos) << Reports().boxes.back();
  EXPECT_EQ(std::vector<uint8_t>(other.dash, other.dash + DASH_BLOCK_SIZE), before);
  EXPECT_FALSE(Said(Reports().lines, "damaged"));

  // A save whose file cannot be put in place (the container's close fails) is not shown done.
  fs::create_directories("data/3dob/taken.dsh/inside");
  const size_t boxes = Reports().boxes.size();
  Reports().lines.clear();
  Click("save");
  Type(TEXT_DASH_SAVE_PROMPT, "taken");
  EXPECT_EQ(Reports().boxes.size(), boxes + 1);
  EXPECT_FALSE(Said(Reports().lines, "Saved"));
  EXPECT_TRUE(Said(Reports().lines, "Could not write file : ^Ldata/3dob/taken.dsh")) << "a message line names it";
  page->car = &car;
}

TEST_F(DashEditor, TypesFourToSixShowOnlyTheBottomRowAndCannotBeSaved) {
  Open(5);
  EXPECT_FALSE(Shown("Using system colours (click : set colours)"));
  EXPECT_TRUE(Shown("restore default settings"));
  Click("save");
  EXPECT_EQ(OpenTextEntry.open, 0);
  ASSERT_FALSE(Reports().boxes.empty());
  EXPECT_EQ(Reports().boxes.back(), TEXT_DASH_NOT_SAVED);
  Click("load");
  EXPECT_EQ(Reports().boxes.back(), TEXT_DASH_NOT_SAVED);
  const InterfaceButton* back = Live("back");
  ASSERT_NE(back, nullptr);
  ClickButton(*back);
  EXPECT_EQ(page->prss.alive, 0);
  ClearInterface();
  EXPECT_EQ(DashEditorScreenAction(&page->prss), nullptr) << "a closed page is freed";
  page = nullptr;
}

TEST_F(DashEditor, EveryRowOfTheLongestPageStaysOnTheScreenBesideThePreview) {
  Open(1);
  SetDashFlags(car.dash, DASH_COLOURS_SET | DASH_ANALOG_SPEEDOMETER_ON | DASH_ANALOG_DIGITAL_SPEED_ON |
                             DASH_ANALOG_OIL_TEMPERATURE_ON | DASH_ANALOG_OIL_PRESSURE_ON |
                             DASH_ANALOG_SEPARATE_SIGNALS);
  car.dash[4] = 1;
  car.dash[DASH_DIALS + DASH_SPEEDOMETER * DASH_DIAL_BYTES + 7] = 1;
  car.dash[DASH_DIALS + DASH_TACHOMETER * DASH_DIAL_BYTES + 7] = 1;
  Frame();
  const int side = std::min(ScreenHeight / 2, 512);
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    EXPECT_LE(b.right, ScreenWidth) << i;
    EXPECT_LE(b.bottom, ScreenHeight) << i;
    EXPECT_FALSE(b.right > ScreenWidth - side && b.top < side) << "button " << i << " under the preview";
  }
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    EXPECT_LE(c.right, 1.0f + 1e-5f) << i;
    EXPECT_LE(c.bottom, 1.0f + 1e-5f) << i;
  }
}

// A section (a heading, a lamp, or a switch "... (click : ...)" with the rows under it) stands
// whole in one column: the row right under its first row belongs to it, in its column.  On
// the longest pages at 1024 x 768 the columns fill, so a section that does not fit under the
// rows before it starts the next column whole (it used to leave its first row at the column's
// foot and go on at the top of the next, beside another section's rows).  A switch that is
// off, and the colour switch while the system colours are used, have no rows under them.
TEST_F(DashEditor, EverySectionStandsWholeInOneColumn) {
  for (const int type : {1, 3}) {
    SCOPED_TRACE(type);
    Open(type);
    SetDashFlags(car.dash, DashFlags(car.dash) | DASH_COLOURS_SET | DASH_ANALOG_SPEEDOMETER_ON |
                               DASH_ANALOG_DIGITAL_SPEED_ON | DASH_ANALOG_OIL_TEMPERATURE_ON |
                               DASH_ANALOG_OIL_PRESSURE_ON);
    Frame();
    char text[160];
    // The column's width: the colour switch, the page's first row, takes it whole.
    ASSERT_TRUE(ButtonText(InterfaceButtons[0], text, sizeof text) && std::strstr(text, "colours (click : "));
    const int column = InterfaceButtons[0].right - InterfaceButtons[0].left;
    // Whether a control's rectangle starts on the row under the section's first row, in its column.
    const auto under = [&](const InterfaceButton& s, int left, int top) {
      return std::abs(top - s.bottom) <= 1 && left >= s.left && left < s.left + column;
    };
    int sections = 0;
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& s = InterfaceButtons[i];
      if (!ButtonText(s, text, sizeof text)) continue;
      bool starts =
          s.style == BUTTON_STYLE_LABEL || (std::strstr(text, "(click : ") && !std::strstr(text, "OFF (click") &&
                                            !std::strstr(text, "Using system colours"));
      for (const DashLampKind& lamp : DASH_LAMP_KINDS) starts = starts || std::strcmp(text, lamp.name) == 0;
      if (!starts) continue;
      ++sections;
      bool found = false;
      for (int j = 0; j < ButtonCount && !found; ++j) found = under(s, InterfaceButtons[j].left, InterfaceButtons[j].top);
      for (int j = 0; j < ValueControlCount && !found; ++j) {
        const ValueControl& c = ValueControls[j];
        found = under(s, int(std::lround((c.left + 1.0f) * 0.5f * float(ScreenWidth))),
                      int(std::lround((c.top + 1.0f) * 0.5f * float(ScreenHeight))));
      }
      EXPECT_TRUE(found) << "the rows of \"" << text << "\" at " << s.left << "," << s.top << " go on elsewhere";
    }
    EXPECT_GT(sections, 8);
    page->prss.terminate(&page->prss);
    DashEditorScreenAction(&page->prss);
    page = nullptr;
  }
}

// A heading begins a section of its own: when its rows do not fit under the rows before it,
// the heading starts the next column and the section before it stays where it is.  Set
// colours on the analog page with the display shown (style 1) at 1024 x 768: the LED gear
// switch stands low in the first column with its box's two slider rows under it; then half a
// row of space and the display's rows: heading, styles, the rectangle's two rows, two colour
// editors of two rows each, and half a row before the next section, 8.5 rows.  From the
// switch's top that is 3 + 0.5 + 8.5 = 12 rows, past the foot of the rows (the screen less the
// bottom row), while 8.5 rows fit a column: the heading stands at the top of the second column
// (wholly left of the preview square, 384 pixels wide at the right).
TEST_F(DashEditor, AHeadingWhoseRowsDoNotFitStartsTheNextColumnAndLeavesTheRowsBeforeIt) {
  Open(1);
  // The colours set and the tachometer, LED gear, rate gauge and clock on; the speedometers,
  // the oil gauges off.
  SetDashFlags(car.dash, (Flags() & ~uint32_t(DASH_ANALOG_SPEEDOMETER_ON | DASH_ANALOG_DIGITAL_SPEED_ON |
                                              DASH_ANALOG_OIL_TEMPERATURE_ON | DASH_ANALOG_OIL_PRESSURE_ON |
                                              DASH_ANALOG_TACHOMETER_OFF | DASH_ANALOG_LED_GEAR_OFF |
                                              DASH_ANALOG_TURBO_OFF | DASH_ANALOG_CLOCK_OFF)) |
                             DASH_COLOURS_SET);
  car.dash[offsetof(AnalogDashBlock, displayStyle)] = 1;
  Frame();
  const InterfaceButton* led = Live("LED gear ON (click : OFF)");
  const InterfaceButton* heading = FindShownButton("Multi function display");
  ASSERT_TRUE(led && heading);
  const int row = led->bottom - led->top, column = led->right - led->left;
  const int foot = ScreenHeight - ButtonHeight;
  ASSERT_LE(17 * row / 2, foot) << "the display's rows fit a column";
  ASSERT_LE(2 * column, ScreenWidth - 384) << "the second column is clear of the preview";
  EXPECT_EQ(led->left, 0) << "the switch stays in the first column";
  EXPECT_GT(led->top + 12 * row, foot) << "low enough that the display's rows would pass the foot";
  EXPECT_EQ(heading->left, column);
  EXPECT_EQ(heading->top, 0);
  EXPECT_EQ(heading->right - heading->left, column);
}

// A column whose right edge meets the preview square's left edge exactly is clear of it: on a
// screen one narrowest column (ten widths) and the square (768 / 2 = 384 pixels) wide, the
// first column starts at the top, not under the square.
TEST_F(DashEditor, AColumnEndingExactlyAtThePreviewsLeftEdgeStartsAtTheTop) {
  ScreenWidth = 10 * ButtonWidth + 384;
  Open(1);
  int top = ScreenHeight;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].left == 0 && InterfaceButtons[i].right > 0) top = std::min(top, InterfaceButtons[i].top);
  EXPECT_EQ(top, 0) << "the first column's first row";
}

TEST_F(DashEditor, DialStyleButtonsFlipTheirBitsAndTheUnitPlacementSetsItsByte) {
  Open(1);
  SetDashFlags(car.dash, Flags() | DASH_ANALOG_SPEEDOMETER_ON);
  const int water = DASH_DIALS + DASH_WATER * DASH_DIAL_BYTES;
  car.dash[water + 6] = 0;
  Frame();
  // Four style buttons to a row, a quarter of the column's whole button widths each.
  {
    const int column = (InterfaceButtons[0].right - InterfaceButtons[0].left) / ButtonWidth;
    const InterfaceButton* col = Live("col", intptr_t(water + 6) << 8 | 1);
    const InterfaceButton* lng = Live("long", intptr_t(water + 6) << 8 | 2);
    ASSERT_TRUE(col && lng);
    EXPECT_EQ(col->right - col->left, column / 4 * ButtonWidth);
    EXPECT_EQ(lng->left, col->right);
  }
  // With no bit set: "col", "long", "above" and "small" (bits 0, 1, 2, 7) off, the others on.
  const char* const names[8] = {"col", "long", "above", "pivot", "num", "symbol", "marks", "small"};
  for (int bit = 0; bit < 8; ++bit) {
    const InterfaceButton* b = Live(names[bit], intptr_t(water + 6) << 8 | (1 << bit));
    ASSERT_NE(b, nullptr) << names[bit];
    EXPECT_EQ(b->fourth.i, bit <= 2 || bit == 7 ? 0 : 1) << names[bit];
  }
  // "col" is on while its bit is set, "symbol" while its bit is clear.
  const intptr_t colWord = intptr_t(water + 6) << 8 | 1, symbolWord = intptr_t(water + 6) << 8 | 32;
  ASSERT_NE(Live("col", colWord), nullptr);
  EXPECT_EQ(Live("col", colWord)->fourth.i, 0);
  EXPECT_EQ(Live("symbol", symbolWord)->fourth.i, 1);
  Click("symbol", 1, symbolWord);
  EXPECT_EQ(car.dash[water + 6], 32);
  EXPECT_EQ(Live("symbol", symbolWord)->fourth.i, 0);
  Click("col", 1, colWord);
  EXPECT_EQ(car.dash[water + 6], 33);
  EXPECT_EQ(Live("col", colWord)->fourth.i, 1);
  // The speedometer, the turbo or rate gauge and the clock have no symbol button.
  const int speed = DASH_DIALS + DASH_SPEEDOMETER * DASH_DIAL_BYTES;
  EXPECT_EQ(Live("symbol", intptr_t(speed + 6) << 8 | 32), nullptr);
  SetDashFlags(car.dash, Flags() & ~uint32_t(DASH_ANALOG_TURBO_OFF | DASH_ANALOG_CLOCK_OFF));
  Frame();
  for (const int dial : {DASH_TURBO, DASH_CLOCK}) {
    const int at = DASH_DIALS + dial * DASH_DIAL_BYTES + 6;
    EXPECT_NE(Live("col", intptr_t(at) << 8 | 1), nullptr) << dial;
    EXPECT_EQ(Live("symbol", intptr_t(at) << 8 | 32), nullptr) << dial;
  }

  // The unit's place in bits 0-1, its distance in bits 4-7 stepped within 0..15.
  car.dash[speed + 7] = 0xF0;
  Frame();
  EXPECT_EQ(Live("\x9B", intptr_t(speed + 7) << 8 | 1), nullptr) << "no distance without a place";
  ASSERT_NE(Live("none", intptr_t(speed + 7) << 8 | 0), nullptr);
  EXPECT_EQ(Live("none", intptr_t(speed + 7) << 8 | 0)->fourth.i, 1) << "no place: \"none\" lit";
  // The row starts with its label, "Unit", two buttons wide, then the places.
  {
    const InterfaceButton* none = Live("none", intptr_t(speed + 7) << 8 | 0);
    const InterfaceButton* label = nullptr;
    char text[32];
    for (int i = 0; i < ButtonCount; ++i)
      if (InterfaceButtons[i].top == none->top && ButtonText(InterfaceButtons[i], text, sizeof text) &&
          std::strcmp(text, "Unit") == 0)
        label = &InterfaceButtons[i];
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->right, none->left);
    EXPECT_EQ(label->right - label->left, 2 * ButtonWidth);
  }
  Click("below", 1, intptr_t(speed + 7) << 8 | 2);
  EXPECT_EQ(car.dash[speed + 7], 0xF2);
  Click("\x9B", 1, intptr_t(speed + 7) << 8 | 1);
  EXPECT_EQ(car.dash[speed + 7], 0xF2) << "held at 15";
  Click("\x8B", 1, intptr_t(speed + 7) << 8 | 0);
  EXPECT_EQ(car.dash[speed + 7], 0xE2);
  EXPECT_TRUE(Shown("14"));
}

// Half a row of space stands before each section of the analog page that follows other rows
// in its column: the speedometer, tachometer, LED gear, display, digital speedometer, turbo or
// rate gauge, clock, water temperature and oil temperature switches and headings; the fuel
// gauge and the oil pressure switch follow the rows above them with none.
TEST_F(DashEditor, HalfARowOfSpaceStandsBeforeEachSectionOfTheAnalogPage) {
  Open(1);
  for (const uint32_t extra : {0u, uint32_t(DASH_ANALOG_OIL_TEMPERATURE_ON | DASH_ANALOG_OIL_PRESSURE_ON)}) {
    SCOPED_TRACE(extra);
    SetDashFlags(car.dash, (Flags() & ~uint32_t(DASH_COLOURS_SET | DASH_ANALOG_SPEEDOMETER_ON)) | extra);
    Frame();
    const std::pair<const char*, int> sections[] = {
        {"Analog speedo", 1}, {"Tacho ", 1},          {"LED gear ", 1},        {"Multi function display", 1},
        {"Digital speedo", 1}, {"Turbo gauge", 1},    {"FPS gauge", 1},        {"Time clock", 1},
        {"Water temperature", 1}, {"Fuel gauge", 0}, {"Oil temperature", 1}, {"Oil pressure gauge", 0}};
    for (const char* heading : {"Multi function display", "Water temperature", "Fuel gauge"})
      EXPECT_NE(FindShownButton(heading), nullptr) << heading;
    int checked = 0;
    char text[160];
    for (const auto& [start, gap] : sections) {
      for (int i = 0; i < ButtonCount; ++i) {
        const InterfaceButton& b = InterfaceButtons[i];
        if (!ButtonText(b, text, sizeof text) || std::strncmp(text, start, std::strlen(start)) != 0) continue;
        const int above = bottomAbove(b.left, b.top);
        if (above < 0) continue;  // the first row of a column
        const int row = b.bottom - b.top;
        EXPECT_EQ(b.top - above, gap ? row / 2 : 0) << text;
        ++checked;
      }
    }
    EXPECT_GE(checked, 7);
  }
}

// The formula page likewise: half a row before the tachometer's toggle, the gear's toggle and
// the speedometer's heading, none between the boxes' headings that follow.
TEST_F(DashEditor, HalfARowOfSpaceStandsBeforeEachSectionOfTheFormulaPage) {
  Open(3);
  for (const uint32_t leds : {0u, uint32_t(DASH_FORMULA_LED_TACHOMETER | DASH_FORMULA_LED_GEAR)}) {
    SCOPED_TRACE(leds);
    SetDashFlags(car.dash, (Flags() & ~uint32_t(DASH_COLOURS_SET | DASH_FORMULA_LED_TACHOMETER | DASH_FORMULA_LED_GEAR)) | leds);
    Frame();
    const std::pair<const char*, int> sections[] = {{"LCD tacho", 1}, {"LED tacho", 1}, {"LCD gear", 1},
                                                    {"LED gear", 1},  {"Speedo", 1},    {"Multi function display", 0}};
    int checked = 0;
    char text[160];
    for (const auto& [start, gap] : sections) {
      for (int i = 0; i < ButtonCount; ++i) {
        const InterfaceButton& b = InterfaceButtons[i];
        if (!ButtonText(b, text, sizeof text) || std::strncmp(text, start, std::strlen(start)) != 0) continue;
        const int above = bottomAbove(b.left, b.top);
        if (above < 0) continue;  // the first row of a column
        EXPECT_EQ(b.top - above, gap ? (b.bottom - b.top) / 2 : 0) << text;
        ++checked;
      }
    }
    EXPECT_GE(checked, 3);
  }
}

// Type 3's tachometer sliders, a row each of the table: the block byte, the byte range the
// slider moves in, and the label at either end of it.  The LED row: centre at bytes 4 and 5,
// number 6, spacing 7, size 8; the LCD arc: centre 4 and 5, start 6, turn 7, radii 8 and 9,
// inner edges 10 and 11, figure distance 12, figure size 13.
TEST_F(DashEditor, TypeThreesTachometerSlidersSpanTheirRangesOnTheirBytes) {
  const SliderRow led[] = {{4, 0, 200, "Centre X -1.00", "Centre X 1.00"}, {5, 0, 200, "Centre Y -1.00", "Centre Y 1.00"},
                     {6, 5, 15, "Number 5", "Number 15"},            {7, 10, 20, "Spacing 0.10", "Spacing 0.20"},
                     {8, 5, 10, "Size 0.05", "Size 0.10"}};
  const SliderRow lcd[] = {{4, 0, 200, "Centre X -1.00", "Centre X 1.00"},
                     {5, 0, 200, "Centre Y -1.00", "Centre Y 1.00"},
                     {6, 0, 72, "Start Angle 0", "Start Angle 360"},
                     {7, 18, 54, "Turn Angle 90", "Turn Angle 270"},
                     {8, 50, 150, "X Radius 0.50", "X Radius 1.50"},
                     {9, 50, 150, "Y Radius 0.50", "Y Radius 1.50"},
                     {10, 80, 99, "Inner @ Start 0.80", "Inner @ Start 0.99"},
                     {11, 80, 99, "Inner @ End 0.80", "Inner @ End 0.99"},
                     {12, 90, 100, "Text Out 0.90", "Text Out 1.00"},
                     {13, 5, 15, "Text Size 0.05", "Text Size 0.15"}};
  Open(3);
  // The type's headings over its box editors.
  for (const char* heading : {"Speedo", "Multi function display"}) EXPECT_NE(FindShownButton(heading), nullptr) << heading;
  for (const bool ledKind : {true, false}) {
    SCOPED_TRACE(ledKind ? "LED" : "LCD");
    SetDashFlags(car.dash, ledKind ? Flags() | DASH_FORMULA_LED_TACHOMETER : Flags() & ~uint32_t(DASH_FORMULA_LED_TACHOMETER));
    const SliderRow* rows = ledKind ? led : lcd;
    const int count = ledKind ? 5 : 10;
    for (int i = 0; i < count; ++i) ExpectSliderEnds(rows[i]);
  }
}

// Type 3's boxes (gear, speed, display and, with a turbo, the turbo readout) each edit their
// four bytes: X and Y over 0..200 (-1.00..1.00), width and height over 5..50 (0.05..0.50); the
// black rectangle over a coloured backing its X, Y and width over 0..64 and its height over 0..32.
TEST_F(DashEditor, TypeThreesBoxAndRectangleSlidersSpanTheirRangesOnTheirBytes) {
  std::vector<SliderRow> rows;
  for (const int box : {DASH3_GEAR_BOX, DASH3_SPEED_BOX, DASH3_DISPLAY_BOX, DASH3_TURBO_BOX}) {
    rows.push_back({box, 0, 200, "X -1.00", "X 1.00"});
    rows.push_back({box + 1, 0, 200, "Y -1.00", "Y 1.00"});
    rows.push_back({box + 2, 5, 50, "Width 0.05", "Width 0.50"});
    rows.push_back({box + 3, 5, 50, "Height 0.05", "Height 0.50"});
  }
  rows.push_back({DASH3_BLACK_RECTANGLE, 0, 64, "X 0.00", "X 64.00"});
  rows.push_back({DASH3_BLACK_RECTANGLE + 1, 0, 64, "Y 0.00", "Y 64.00"});
  rows.push_back({DASH3_BLACK_RECTANGLE + 2, 0, 64, "Width 0.00", "Width 64.00"});
  rows.push_back({DASH3_BLACK_RECTANGLE + 3, 0, 32, "Height 0.00", "Height 32.00"});
  Open(3);
  car.engine.flags |= ENGINE_TURBO;
  SetDashFlags(car.dash, Flags() | DASH_COLOURS_SET);
  car.dash[DASH3_BACKING_COLOUR] = 120;
  Frame();
  ASSERT_TRUE(Shown("Black rectangle"));
  for (const SliderRow& row : rows) {
    SCOPED_TRACE(row.offset);
    ExpectSliderEnds(row);
  }
}

// Type 3's lamp editors set the lamp's symbol byte as types 1 and 2 do.
TEST_F(DashEditor, TypeThreesLampSymbolButtonsSetTheLampsSymbol) {
  Open(3);
  const int handbrake = DASH_LAMP_OFFSET + DASH_LAMP_HANDBRAKE * DASH_LAMP_BYTES;
  car.dash[handbrake + 3] = 1;
  Frame();
  const char plain[2] = {char(DASH_PLAIN_LAMP_GLYPH), 0};
  ASSERT_NE(Live(plain, DASH_LAMP_HANDBRAKE << 8), nullptr);
  EXPECT_EQ(Live(plain, DASH_LAMP_HANDBRAKE << 8)->right - Live(plain, DASH_LAMP_HANDBRAKE << 8)->left, ButtonWidth)
      << "a symbol button is one width";
  Click(plain, 1, DASH_LAMP_HANDBRAKE << 8);
  EXPECT_EQ(car.dash[handbrake + 3], 0);
}

// A switch's own buttons stand on the row right under it, from the column's left: type 3's
// LCD tachometer "gap" and "num", half the column each; a speed switch's "Test" and unit.
TEST_F(DashEditor, ASwitchsButtonsStandOnTheRowUnderIt) {
  Open(3);
  SetDashFlags(car.dash, Flags() & ~uint32_t(DASH_FORMULA_LED_TACHOMETER));
  Frame();
  const InterfaceButton* lcd = Live("LCD tacho (click : LED)");
  const InterfaceButton* gap = Live("gap");
  const InterfaceButton* num = Live("num");
  ASSERT_TRUE(lcd && gap && num);
  EXPECT_EQ(gap->top, lcd->bottom);
  EXPECT_EQ(gap->left, lcd->left);
  EXPECT_EQ(gap->right - gap->left, (lcd->right - lcd->left) / 2);
  EXPECT_EQ(num->top, gap->top);
  EXPECT_EQ(num->left, gap->right);
  page->prss.terminate(&page->prss);
  DashEditorScreenAction(&page->prss);
  page = nullptr;

  Open(1);
  SetDashFlags(car.dash, Flags() & ~uint32_t(DASH_ANALOG_SPEEDOMETER_ON | DASH_COLOURS_SET));
  Frame();
  const InterfaceButton* speedo = Live("Analog speedo - OFF (click : ON)");
  ASSERT_NE(speedo, nullptr);
  const InterfaceButton* test = nullptr;
  for (int i = 0; i < ButtonCount && !test; ++i) {
    char shown[64];
    if (ButtonText(InterfaceButtons[i], shown, sizeof shown) && std::strcmp(shown, "Test") == 0) test = &InterfaceButtons[i];
  }
  ASSERT_NE(test, nullptr);
  EXPECT_EQ(test->top, speedo->bottom);
  EXPECT_EQ(test->left, speedo->left);
}

// Types 1 and 2's sliders, by the building blocks' table: every dial's X, Y, start, turn and
// radius; the LED gear's and digital speedometer's boxes; the display's rectangle; every
// lamp's X, Y and size: the byte range each moves in and its label at either end.
TEST_F(DashEditor, TheAnalogPagesSlidersSpanTheirRangesOnTheirBytes) {
  struct Row {
    int at, lowest, highest;
    const char *atLowest, *atHighest;
  };
  const Row dial[] = {{0, 0, 200, "X -1.00", "X 1.00"},
                      {1, 0, 200, "Y -1.00", "Y 1.00"},
                      {2, 0, 72, "Start Angle 0", "Start Angle 360"},
                      {3, 12, 72, "Turn Angle 60", "Turn Angle 360"},
                      {4, 20, 200, "Radius 0.100", "Radius 1.000"}};
  const Row box[] = {{0, 0, 200, "X -1.00", "X 1.00"},
                     {1, 0, 200, "Y -1.00", "Y 1.00"},
                     {2, 5, 50, "Width 0.05", "Width 0.50"},
                     {3, 5, 50, "Height 0.05", "Height 0.50"}};
  const Row rectangle[] = {{0, 0, 64, "X 0.00", "X 64.00"},
                           {1, 0, 64, "Y 0.00", "Y 64.00"},
                           {2, 0, 64, "Width 0.00", "Width 64.00"},
                           {3, 0, 32, "Height 0.00", "Height 32.00"}};
  const Row lamp[] = {{0, 5, 195, "X -0.95", "X 0.95"}, {1, 5, 195, "Y -0.95", "Y 0.95"}, {2, 5, 20, "Size 0.05", "Size 0.20"}};
  Open(1);
  SetDashFlags(car.dash, (Flags() | DASH_ANALOG_SPEEDOMETER_ON | DASH_ANALOG_DIGITAL_SPEED_ON |
                          DASH_ANALOG_OIL_TEMPERATURE_ON | DASH_ANALOG_OIL_PRESSURE_ON) &
                             ~uint32_t(DASH_ANALOG_TACHOMETER_OFF | DASH_ANALOG_TURBO_OFF | DASH_ANALOG_CLOCK_OFF |
                                       DASH_ANALOG_LED_GEAR_OFF | DASH_COLOURS_SET));
  car.dash[4] = 1;  // a display: its rectangle editor
  const auto check = [&](int base, const Row* rows, int count) {
    for (int i = 0; i < count; ++i) {
      const Row& row = rows[i];
      SCOPED_TRACE(testing::Message() << "byte " << base + row.at << ", " << row.atLowest);
      const uint8_t kept = car.dash[base + row.at];
      ExpectSliderEnds(SliderRow{base + row.at, row.lowest, row.highest, row.atLowest, row.atHighest});
      car.dash[base + row.at] = kept;
    }
  };
  for (const int d : {DASH_SPEEDOMETER, DASH_TACHOMETER, DASH_TURBO, DASH_CLOCK, DASH_WATER, DASH_FUEL,
                      DASH_OIL_TEMPERATURE, DASH_OIL_PRESSURE})
    check(DASH_DIALS + d * DASH_DIAL_BYTES, dial, 5);
  check(DASH_LED_GEAR_BOX, box, 4);
  check(DASH_DIGITAL_SPEED_BOX, box, 4);
  check(DASH_DISPLAY_RECTANGLE, rectangle, 4);
  Frame();
  int lamps = 0;
  for (int n = 0; n < DASH_LAMPS; ++n) {
    if (!ControlOn(&car.dash[DASH_LAMP_OFFSET + n * DASH_LAMP_BYTES], 37)) continue;
    check(DASH_LAMP_OFFSET + n * DASH_LAMP_BYTES, lamp, 3);
    ++lamps;
  }
  EXPECT_GE(lamps, 3);
  // Type 2's white backing: the black rectangle's editor too.
  page->prss.terminate(&page->prss);
  DashEditorScreenAction(&page->prss);
  page = nullptr;
  Open(2);
  SetDashFlags(car.dash, Flags() & ~uint32_t(DASH_COLOURS_SET));
  check(DASH_BLACK_RECTANGLE, rectangle, 4);
}

// The tachometer's rows name themselves: "Mul" before the multiplier's buttons and "Gap"
// before the gap's, two widths each; the display style row has one button per style.
TEST_F(DashEditor, TheTachometersRowsAreLabelledAndTheStyleRowHasFourButtons) {
  Open(1);
  SetDashFlags(car.dash, Flags() & ~uint32_t(DASH_ANALOG_TACHOMETER_OFF | DASH_ANALOG_HUNDREDS));
  Frame();
  const InterfaceButton* mul = FindShownButton("Mul");
  const InterfaceButton* gap = FindShownButton("Gap");
  const InterfaceButton* thousand = Live("\xD7" "1000");
  const InterfaceButton* one = Live("1");
  ASSERT_TRUE(mul && gap && thousand && one);
  EXPECT_EQ(thousand->left, mul->right);
  EXPECT_EQ(thousand->top, mul->top);
  EXPECT_EQ(mul->right - mul->left, 2 * ButtonWidth);
  EXPECT_EQ(one->left, gap->right);
  EXPECT_EQ(one->top, gap->top);
  EXPECT_EQ(gap->top, mul->bottom);
  // "2 step" and "5 step" share their row half and half, as wide as the tachometer's switch.
  const InterfaceButton* two = Live("2 step");
  const InterfaceButton* five = Live("5 step");
  const InterfaceButton* tacho = Live("Tacho ON (click : OFF)");
  ASSERT_TRUE(two && five && tacho);
  EXPECT_EQ(two->right - two->left, five->right - five->left);
  EXPECT_EQ(five->left, two->right);
  EXPECT_EQ(two->left, tacho->left);
  EXPECT_EQ(five->right, tacho->right);
  EXPECT_EQ(mul->top, two->bottom) << "the multiplier's row under the steps'";
  EXPECT_EQ(mul->left, two->left);
  int styles = 0;
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (b.owner && b.word <= 3 && b.top == Live("NONE")->top && b.left >= Live("NONE")->left) ++styles;
  }
  EXPECT_EQ(styles, 4);
}

// With colours set here, the analog page edits the backing, text, needle and LED colours.
TEST_F(DashEditor, SetColoursOffersAnEditorForEachColour) {
  Open(1);
  SetDashFlags(car.dash, Flags() & ~uint32_t(DASH_COLOURS_SET));
  Frame();
  EXPECT_FALSE(LabelShown("Text colour"));
  SetDashFlags(car.dash, Flags() | DASH_COLOURS_SET);
  Frame();
  for (const char* label : {"Backing colour", "Text colour", "Needle colour", "LED gear / digital speedo"})
    EXPECT_TRUE(LabelShown(label)) << label;
}

// The bottom row's buttons are plain buttons, none lit.
TEST_F(DashEditor, TheBottomRowsButtonsAreNotLit) {
  Open(1);
  for (const char* text : {"restore default settings", "load", "save"}) {
    const InterfaceButton* b = Live(text);
    ASSERT_NE(b, nullptr) << text;
    EXPECT_EQ(b->fourth.i, 0) << text;
  }
}

// The display's rectangle takes the style's own size only when its shape changes: 16 x 24 for
// the gear bar (style 1), 32 x 8 for the texts (2 and 3); the same shape again, a style past 3
// or below 0, or a dashboard that is not analog leave the block as it was.
TEST(DashBlockEdits, TheDisplayStyleSizesItsRectangleOnlyWhenItsShapeChanges) {
  VehicleData car;
  car.dashType = DASH_TYPE_ANALOG_DARK;
  std::memset(car.dash, 0, sizeof car.dash);
  const int style = int(offsetof(AnalogDashBlock, displayStyle));
  uint8_t* size = &car.dash[DASH_DISPLAY_RECTANGLE + int(offsetof(DashRect, width))];
  const auto set = [&](int to) {
    SetDashDisplayStyle(car, to);
    return std::vector<int>{car.dash[style], size[0], size[1]};
  };
  EXPECT_EQ(set(1), (std::vector<int>{1, 16, 24}));
  size[0] = 40;
  EXPECT_EQ(set(1), (std::vector<int>{1, 40, 24})) << "the gear bar again";
  EXPECT_EQ(set(3), (std::vector<int>{3, 32, 8}));
  size[0] = 40;
  EXPECT_EQ(set(2), (std::vector<int>{2, 40, 8})) << "texts to texts";
  EXPECT_EQ(set(3), (std::vector<int>{3, 40, 8}));
  EXPECT_EQ(set(1), (std::vector<int>{1, 16, 24})) << "texts to the gear bar";
  EXPECT_EQ(set(4), (std::vector<int>{1, 16, 24})) << "no style 4";
  EXPECT_EQ(set(-1), (std::vector<int>{1, 16, 24}));
  EXPECT_EQ(set(0), (std::vector<int>{0, 16, 24})) << "none keeps the size";
  EXPECT_EQ(set(2), (std::vector<int>{2, 32, 8})) << "none to texts";
  car.dashType = DASH_TYPE_ANALOG_WHITE;
  EXPECT_EQ(set(1), (std::vector<int>{1, 16, 24}));
  car.dashType = DASH_TYPE_FORMULA;
  EXPECT_EQ(set(2), (std::vector<int>{1, 16, 24})) << "not an analog dashboard";
}

// A turbo car's formula page edits the turbo readout's box under its heading; a car without a
// turbo shows neither.
TEST_F(DashEditor, TypeThreesTurboBoxIsEditedOnlyWithATurbo) {
  Open(3);
  EXPECT_FALSE(Shown("Turbo gauge"));
  EXPECT_EQ(ControlOn(&car.dash[DASH3_TURBO_BOX], 37), nullptr);
  car.engine.flags |= ENGINE_TURBO;
  Frame();
  EXPECT_TRUE(Shown("Turbo gauge"));
  for (int k = 0; k < 4; ++k) EXPECT_NE(ControlOn(&car.dash[DASH3_TURBO_BOX + k], 37), nullptr) << k;
}

// The manual maximum's arrows step by 1, or by 10 with the click code's bit 1, up and down,
// each held within its dial's range: the tachometer's 4..60, the speedometer's 6..144.
TEST_F(DashEditor, TheMaximumsArrowsStepByOneOrTenWithinTheDialsRange) {
  Open(1);
  SetDashFlags(car.dash, (Flags() | DASH_ANALOG_SPEEDOMETER_ON) & ~DASH_ANALOG_TACHOMETER_OFF);
  uint8_t& tacho = car.dash[DASH_DIALS + DASH_TACHOMETER * DASH_DIAL_BYTES + 5];
  uint8_t& speedo = car.dash[DASH_DIALS + DASH_SPEEDOMETER * DASH_DIAL_BYTES + 5];
  tacho = 20;
  speedo = 100;
  Frame();
  const struct {
    uint8_t* byte;
    int from, click;
    intptr_t word;  // the speedometer's bit (4) and the action: 2 down, 3 up
    int to;
  } steps[] = {{&tacho, 20, 1, 3, 21},  {&tacho, 21, 2, 3, 31},   {&tacho, 31, 1, 2, 30},   {&tacho, 30, 2, 2, 20},
               {&tacho, 8, 2, 2, 4},    {&tacho, 4, 1, 2, 4},     {&tacho, 55, 2, 3, 60},   {&tacho, 60, 1, 3, 60},
               {&speedo, 100, 1, 7, 101}, {&speedo, 100, 2, 7, 110}, {&speedo, 100, 1, 6, 99}, {&speedo, 100, 2, 6, 90},
               {&speedo, 140, 2, 7, 144}, {&speedo, 144, 1, 7, 144}, {&speedo, 10, 2, 6, 6},    {&speedo, 6, 1, 6, 6}};
  for (const auto& s : steps) {
    *s.byte = uint8_t(s.from);
    Frame();
    Click(s.word & 1 ? "\x9B" : "\x8B", s.click, s.word);
    EXPECT_EQ(*s.byte, s.to) << (s.byte == &tacho ? "tachometer " : "speedometer ") << s.from << ", click " << s.click
                             << ", word " << s.word;
  }
}

// The widths of the speed switch's row and the unit rows: "Test" and the unit three widths
// each; "Unit" two, then its four places sharing the rest; "Out" two, its left arrow one, the
// distance two, its right arrow one.  On a screen wide enough for the widest columns (14
// widths), so that the places' share (12 / 4) is a whole number of widths.
TEST_F(DashEditor, TheSpeedAndUnitRowsButtonsHaveTheirWidths) {
  ScreenWidth = 1600;  // wide enough for the widest columns
  ScreenHeight = 1200;
  SetInterfaceMetrics();
  Open(1);
  SetDashFlags(car.dash, (Flags() | DASH_ANALOG_SPEEDOMETER_ON) & ~uint32_t(DASH_COLOURS_SET));
  const int unit = DASH_DIALS + DASH_SPEEDOMETER * DASH_DIAL_BYTES + 7;
  car.dash[unit] = 0x31;  // above, 3 out
  Frame();
  const int W = ButtonWidth;
  const InterfaceButton* speedo = Live("Analog speedo - ON (click : OFF)");
  ASSERT_NE(speedo, nullptr);
  const int column = (speedo->right - speedo->left) / W;
  const InterfaceButton* test = nullptr;
  const InterfaceButton* units = nullptr;
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    char text[64];
    if (b.top != speedo->bottom || !ButtonText(b, text, sizeof text)) continue;
    if (std::strcmp(text, "Test") == 0) test = &b;
    if (std::strcmp(text, "km/h") == 0) units = &b;
  }
  ASSERT_TRUE(test && units);
  EXPECT_EQ(test->right - test->left, 3 * W);
  EXPECT_EQ(units->left, test->right);
  EXPECT_EQ(units->right - units->left, 3 * W);

  const char* const places[4] = {"none", "above", "below", "gap"};
  const InterfaceButton* first = Live(places[0], intptr_t(unit) << 8 | 0);
  ASSERT_NE(first, nullptr);
  const int place = (column - 2) / 4 * W;
  for (int i = 0; i < 4; ++i) {
    const InterfaceButton* b = Live(places[i], intptr_t(unit) << 8 | i);
    ASSERT_NE(b, nullptr) << places[i];
    EXPECT_EQ(b->left, first->left + i * place) << places[i];
    EXPECT_EQ(b->right - b->left, place) << places[i];
    EXPECT_EQ(b->top, first->top);
  }
  EXPECT_EQ(first->left - speedo->left, 2 * W) << "after the label";
  const InterfaceButton* left = Live("\x8B", intptr_t(unit) << 8 | 0);
  const InterfaceButton* right = Live("\x9B", intptr_t(unit) << 8 | 1);
  ASSERT_TRUE(left && right);
  EXPECT_EQ(left->top, first->bottom) << "the distance's row under the places'";
  EXPECT_EQ(left->left, speedo->left + 2 * W);
  EXPECT_EQ(left->right - left->left, W);
  EXPECT_EQ(right->left, left->right + 2 * W);
  EXPECT_EQ(right->right - right->left, W);
  EXPECT_TRUE(Shown("3")) << "the distance";
}

// A lamp's row: its name over the column less three widths, then one symbol button a width
// for the plain lamp and each of its symbols: two for the handbrake, three for a signal.
TEST_F(DashEditor, ALampsRowHoldsItsNameAndOneButtonPerSymbol) {
  Open(1);
  SetDashFlags(car.dash, Flags() | DASH_ANALOG_SEPARATE_SIGNALS);
  Frame();
  const int W = ButtonWidth;
  const int column = (InterfaceButtons[0].right - InterfaceButtons[0].left) / W;
  for (const auto& [name, lamp, symbols] : {std::tuple{"Handbrake", DASH_LAMP_HANDBRAKE, 2},
                                            {"Left indicator (click : SHARED)", DASH_LAMP_LEFT, 3}}) {
    SCOPED_TRACE(name);
    const InterfaceButton* label = FindShownButton(name);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->right - label->left, (column - 3) * W);
    int count = 0, right = label->right;
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (&b == label || b.top != label->top || b.left < label->left || b.left >= label->left + column * W) continue;
      EXPECT_EQ(b.word, uintptr_t(lamp) << 8 | uintptr_t(count)) << "symbol " << count;
      EXPECT_EQ(b.left, label->right + count * W);
      EXPECT_EQ(b.right - b.left, W);
      right = b.right;
      ++count;
    }
    EXPECT_EQ(count, symbols);
    EXPECT_EQ(right, label->left + (column - 3 + symbols) * W);
  }
}

// Type 3 with its own colours: the text's opacity slider moves in 32..255.
TEST_F(DashEditor, TypeThreesTextOpacitySliderSpansThirtyTwoTo255) {
  Open(3);
  SetDashFlags(car.dash, Flags() | DASH_COLOURS_SET);
  for (const int end : {32, 255}) {
    car.dash[DASH3_TEXT_COLOUR + 3] = uint8_t(end);
    Frame();
    const ValueControl* bar = ControlOn(&car.dash[DASH3_TEXT_COLOUR + 3], 37);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->byteMinimum, 32);
    EXPECT_EQ(bar->byteMaximum, 255);
    EXPECT_FALSE(SliderLabels(end == 32 ? "Text opacity 32" : "Text opacity 255").empty()) << end;
  }
}

// The bottom row from the screen's left at its foot: "restore default settings" nine widths,
// "load" and "save" three each, "back" three.
TEST_F(DashEditor, TheBottomRowStandsAtTheFootInItsWidths) {
  Open(1);
  const int W = ButtonWidth;
  int x = 0;
  for (const auto& [text, units] : {std::pair{"restore default settings", 9}, {"load", 3}, {"save", 3}, {"back", 3}}) {
    const InterfaceButton* b = Live(text);
    ASSERT_NE(b, nullptr) << text;
    EXPECT_EQ(b->left, x) << text;
    EXPECT_EQ(b->right - b->left, units * W) << text;
    EXPECT_EQ(b->top, ScreenHeight - ButtonHeight) << text;
    EXPECT_EQ(b->bottom, ScreenHeight) << text;
    x += units * W;
  }
}

// The maximum's row: "Max" two widths, then "auto" and "manual" two widths each.
TEST_F(DashEditor, TheMaximumsRowHasItsLabelAndTwoChoicesTwoWidthsEach) {
  Open(1);
  SetDashFlags(car.dash, Flags() | DASH_ANALOG_SPEEDOMETER_ON);
  Frame();
  const InterfaceButton* autoButton = Live("auto", 4 | 0);
  const InterfaceButton* manual = Live("manual", 4 | 1);
  const InterfaceButton* speedo = Live("Analog speedo - ON (click : OFF)");
  ASSERT_TRUE(autoButton && manual && speedo);
  EXPECT_EQ(autoButton->left, speedo->left + 2 * ButtonWidth) << "after the label";
  EXPECT_EQ(autoButton->right - autoButton->left, 2 * ButtonWidth);
  EXPECT_EQ(manual->left, autoButton->right);
  EXPECT_EQ(manual->right - manual->left, 2 * ButtonWidth);
}

// A colour editor takes two rows, its label's and its sliders': with colours set the backing's
// editor starts right under the colour switch, and each editor after it two rows lower.
TEST_F(DashEditor, EachColourEditorTakesTwoRows) {
  Open(1);
  SetDashFlags(car.dash, Flags() | DASH_COLOURS_SET);
  Frame();
  const InterfaceButton* toggle = Live("Set colours (click : use system colours)");
  ASSERT_NE(toggle, nullptr);
  const int row = toggle->bottom - toggle->top;
  int expected = toggle->bottom;
  for (const char* label : {"Backing colour", "Text colour", "Needle colour", "LED gear / digital speedo"}) {
    const ValueControl* found = nullptr;
    for (int i = 0; i < ValueControlCount && !found; ++i)
      if (ValueControls[i].displayType == VALUE_TYPE_LABEL && ValueControls[i].minimum.text &&
          std::strcmp(ValueControls[i].minimum.text, label) == 0)
        found = &ValueControls[i];
    ASSERT_NE(found, nullptr) << label;
    EXPECT_EQ(int(std::lround((found->top + 1.0f) * 0.5f * float(ScreenHeight))), expected) << label;
    EXPECT_EQ(int(std::lround((found->left + 1.0f) * 0.5f * float(ScreenWidth))), toggle->left) << label;
    expected += 2 * row;
  }
}

// A dial's sliders go two to a row, half the column each (less a gap): X and Y, then the start and turn
// angles, then the radius alone at the left; the rows one under another.
TEST_F(DashEditor, ADialsSlidersStandTwoToARow) {
  Open(1);
  Frame();
  const uint8_t* dial = &car.dash[DASH_DIALS + DASH_WATER * DASH_DIAL_BYTES];
  const InterfaceButton* heading = FindShownButton("Water temperature");
  ASSERT_NE(heading, nullptr);
  const int column = heading->right - heading->left, row = heading->bottom - heading->top;
  const auto px = [](float v, int size) { return int(std::lround((v + 1.0f) * 0.5f * float(size))); };
  const ValueControl* x = ControlOn(&dial[0], 37);
  ASSERT_NE(x, nullptr);
  const int top = px(x->top, ScreenHeight);
  // byte, row below the X slider's, half
  const int places[5][3] = {{0, 0, 0}, {1, 0, 1}, {2, 1, 0}, {3, 1, 1}, {4, 2, 0}};
  for (const auto& [byte, down, half] : places) {
    SCOPED_TRACE(byte);
    // The slider's row starts with its label control, the one before its bar.
    const ValueControl* bar = ControlOn(&dial[byte], 37);
    ASSERT_NE(bar, nullptr);
    const ValueControl* first = bar;
    while (first > ValueControls && (first - 1)->variable == bar->variable) --first;
    EXPECT_EQ(px(first->top, ScreenHeight), top + down * row);
    EXPECT_EQ(px(first->left, ScreenWidth), heading->left + half * column / 2);
    float right = first->right;
    for (const ValueControl* c = first; c < ValueControls + ValueControlCount && c->variable == bar->variable; ++c)
      right = std::max(right, c->right);
    // It ends an eighth of a row short of its half: its arrow and the next slider's stand apart.
    EXPECT_EQ(px(right, ScreenWidth), heading->left + (half + 1) * column / 2 - std::max(1, row / 8));
  }
}

// The multiplier's two buttons are three widths each, the gap's two buttons two each, each
// pair side by side after its label; the display style's four buttons share the column.
TEST_F(DashEditor, TheMultiplierGapAndStyleButtonsHaveTheirWidths) {
  Open(1);
  SetDashFlags(car.dash, Flags() & ~uint32_t(DASH_ANALOG_TACHOMETER_OFF | DASH_ANALOG_HUNDREDS));
  Frame();
  const int W = ButtonWidth;
  const InterfaceButton* thousand = Live("\xD7" "1000");
  const InterfaceButton* hundred = Live("\xD7" "100");
  const InterfaceButton* one = Live("1");
  const InterfaceButton* two = Live("2");
  ASSERT_TRUE(thousand && hundred && one && two);
  EXPECT_EQ(thousand->right - thousand->left, 3 * W);
  EXPECT_EQ(hundred->left, thousand->right);
  EXPECT_EQ(hundred->right - hundred->left, 3 * W);
  EXPECT_EQ(one->right - one->left, 2 * W);
  EXPECT_EQ(two->left, one->right);
  EXPECT_EQ(two->right - two->left, 2 * W);
  const InterfaceButton* heading = FindShownButton("Multi function display");
  ASSERT_NE(heading, nullptr);
  const int quarter = (heading->right - heading->left) / W / 4 * W;
  const char* const styles[4] = {"NONE", DASH_DISPLAY_STYLE_CODE, "123", "\xA1\xA2\xA3"};
  for (int i = 0; i < 4; ++i) {
    const InterfaceButton* b = Live(styles[i], i);
    ASSERT_NE(b, nullptr) << i;
    EXPECT_EQ(b->left, heading->left + i * quarter) << i;
    EXPECT_EQ(b->right - b->left, quarter) << i;
    EXPECT_EQ(b->top, heading->bottom) << i;
  }
}

// On a screen too small for the longest page at full height, the page takes the narrowest
// columns (ten widths) and lowers its rows, down to half a button, until every row is on it.
TEST_F(DashEditor, OnASmallScreenThePageTakesTheNarrowestColumnsAndLowerRows) {
  ScreenWidth = 800;
  ScreenHeight = 600;
  SetInterfaceMetrics();
  Open(1);
  SetDashFlags(car.dash, DASH_COLOURS_SET | DASH_ANALOG_SPEEDOMETER_ON | DASH_ANALOG_DIGITAL_SPEED_ON |
                             DASH_ANALOG_OIL_TEMPERATURE_ON | DASH_ANALOG_OIL_PRESSURE_ON | DASH_ANALOG_SEPARATE_SIGNALS);
  car.dash[4] = 1;
  Frame();
  const InterfaceButton& first = InterfaceButtons[0];
  char text[160];
  ASSERT_TRUE(ButtonText(first, text, sizeof text) && std::strstr(text, "colours (click : "));
  EXPECT_EQ(first.right - first.left, 10 * ButtonWidth) << "the narrowest columns";
  const int row = first.bottom - first.top;
  EXPECT_LT(row, ButtonHeight) << "lower rows";
  EXPECT_GE(row, ButtonHeight / 2);
  for (int i = 0; i < ButtonCount; ++i) {
    EXPECT_LE(InterfaceButtons[i].right, ScreenWidth) << i;
    EXPECT_LE(InterfaceButtons[i].bottom, ScreenHeight) << i;
  }
  // Measured by the fixed-width stand-in character set, on 1206 x 608 the colour switch's whole
  // text is too long for the narrowest column at its rows' height even at the least text size:
  // the switch takes two rows, its sense over what a click does, each shown whole and each the
  // switch (its text was cut, "Set colours (click : use syst...").
  FixedWidthText fixed;
  ScreenWidth = 1206, ScreenHeight = 608;
  SetInterfaceMetrics();
  Frame();
  ASSERT_FALSE(ButtonLabelFitsWhole("Set colours (click : use system colours)", first.right - first.left,
                                    first.bottom - first.top));
  const InterfaceButton* sense = Live("Set colours");
  const InterfaceButton* click = Live("(click : use system colours)");
  ASSERT_NE(sense, nullptr);
  ASSERT_NE(click, nullptr);
  EXPECT_EQ(click->top, sense->bottom);
  for (const InterfaceButton* b : {sense, click}) {
    ASSERT_TRUE(ButtonText(*b, text, sizeof text));
    EXPECT_TRUE(ButtonLabelFitsWhole(text, b->right - b->left, b->bottom - b->top)) << text;
    EXPECT_EQ(b->word, uintptr_t(DASH_COLOURS_SET)) << text;
  }
  const uint32_t before = Flags();
  Click("(click : use system colours)");
  EXPECT_EQ(Flags(), before ^ DASH_COLOURS_SET);
  EXPECT_NE(Live("Using system colours"), nullptr);
  EXPECT_NE(Live("(click : set colours)"), nullptr);
}

// On a screen narrower than even the narrowest column (ten widths) the rows can fit at no
// height: the page is laid out at the least row height, half a button, and no lower.
TEST_F(DashEditor, OnAScreenNarrowerThanTheNarrowestColumnTheRowsAreHalfAButtonHigh) {
  ScreenWidth = 9 * ButtonWidth;
  ScreenHeight = 768;
  SetInterfaceMetrics();
  Open(1);
  for (const char* heading : {"Water temperature", "Fuel gauge"}) {
    const InterfaceButton* b = FindShownButton(heading);
    ASSERT_NE(b, nullptr) << heading;
    EXPECT_EQ(b->right - b->left, 10 * ButtonWidth) << heading << ": the narrowest columns";
    EXPECT_EQ(b->bottom - b->top, ButtonHeight / 2) << heading;
  }
}

// A window with no height or no width (minimised) lays the page out with every slider at
// finite screen coordinates: no pixel place is divided by a screen side of 0.
TEST_F(DashEditor, AWindowWithNoHeightOrWidthGivesEverySliderFiniteCoordinates) {
  for (const auto& [width, height] : {std::pair{1024, 0}, std::pair{0, 768}}) {
    ScreenWidth = width;
    ScreenHeight = height;
    SetInterfaceMetrics();
    Open(1);
    ASSERT_GT(ValueControlCount, 0) << width;
    for (int i = 0; i < ValueControlCount; ++i) {
      const ValueControl& c = ValueControls[i];
      EXPECT_TRUE(std::isfinite(c.left) && std::isfinite(c.right)) << width << " " << i;
      EXPECT_TRUE(std::isfinite(c.top) && std::isfinite(c.bottom)) << width << " " << i;
    }
    page->prss.terminate(&page->prss);
    DashEditorScreenAction(&page->prss);
    page = nullptr;
  }
}

// The gauges with a symbol under the hub (water, fuel, oil temperature and oil pressure) have
// a "symbol" button among their style buttons.
TEST_F(DashEditor, TheGaugesWithASymbolHaveASymbolButton) {
  Open(1);
  SetDashFlags(car.dash, Flags() | DASH_ANALOG_OIL_TEMPERATURE_ON | DASH_ANALOG_OIL_PRESSURE_ON);
  Frame();
  for (const int dial : {DASH_WATER, DASH_FUEL, DASH_OIL_TEMPERATURE, DASH_OIL_PRESSURE}) {
    const int at = DASH_DIALS + dial * DASH_DIAL_BYTES + 6;
    EXPECT_NE(Live("symbol", intptr_t(at) << 8 | 32), nullptr) << dial;
    EXPECT_NE(Live("col", intptr_t(at) << 8 | 1), nullptr) << dial;
  }
}

// Type 1 with its own colours: the black rectangle is edited while the block's backing is a
// colour, not while it is black.
TEST_F(DashEditor, TheBlackRectangleIsEditedOverTheBlocksOwnBackingColour) {
  Open(1);
  SetDashFlags(car.dash, Flags() | DASH_COLOURS_SET);
  AnalogDashBlock b = ReadAnalogBlock(car.dash);
  b.backing = DashColour{0, 0, 0, 0};
  WriteAnalogBlock(b, car.dash);
  Frame();
  EXPECT_FALSE(Shown("Black rectangle")) << "a black backing needs none";
  b.backing = DashColour{120, 0, 0, 0};
  WriteAnalogBlock(b, car.dash);
  Frame();
  EXPECT_TRUE(Shown("Black rectangle"));
  EXPECT_NE(ControlOn(&car.dash[DASH_BLACK_RECTANGLE], 37), nullptr);
}

// The black rectangle's heading and the first lamp's row each stand half a row under the rows
// before them, on both pages; the lamps after the first follow with none.  With its own
// colours the block's red backing is covered by the rectangle; with the system's (black here)
// there is none, and type 3's lamps come straight after its boxes.
TEST_F(DashEditor, HalfARowOfSpaceStandsBeforeTheBlackRectangleAndTheLamps) {
  // The lamp rows' names in lamp order, the indicators as a road car's shared signal shows them.
  const char* const lampNames[] = {"Shift light", "Full beam", "Handbrake", "Pit limiter", "Traction control",
                                   "Shared indicator (click : SEPARATE)", "Oil pressure", "Battery", "ABS",
                                   "Engine damage"};
  // The gap over the row of the button, or -1 at a column's top.
  const auto gapAbove = [](const InterfaceButton& b) {
    const int above = bottomAbove(b.left, b.top);
    return above < 0 ? -1 : b.top - above;
  };
  int firstLamps = 0;
  for (const auto& [type, coloursSet] : {std::pair{1, true}, {3, true}, {3, false}}) {
    SCOPED_TRACE(testing::Message() << "type " << type << (coloursSet ? ", own colours" : ""));
    Open(type);
    SetDashFlags(car.dash, (Flags() & ~uint32_t(DASH_COLOURS_SET | DASH_ANALOG_SEPARATE_SIGNALS)) |
                               (coloursSet ? uint32_t(DASH_COLOURS_SET) : 0u));
    car.dash[type == 1 ? DASH_BACKING_COLOUR : DASH3_BACKING_COLOUR] = 120;
    Frame();
    const InterfaceButton* heading = FindShownButton("Black rectangle");
    ASSERT_EQ(heading != nullptr, coloursSet);
    const int row = ButtonHeight;
    if (heading) {
      ASSERT_EQ(heading->bottom - heading->top, row);
      EXPECT_EQ(gapAbove(*heading), row / 2) << "the black rectangle";
    }
    int lamps = 0;
    for (const char* name : lampNames) {
      const InterfaceButton* b = FindShownButton(name);
      if (!b) continue;
      const int gap = gapAbove(*b);
      if (gap >= 0) {
        EXPECT_EQ(gap, lamps == 0 ? row / 2 : 0) << name;
        if (lamps == 0) ++firstLamps;
      }
      ++lamps;
    }
    EXPECT_GE(lamps, 3);
    page->prss.terminate(&page->prss);
    DashEditorScreenAction(&page->prss);
    page = nullptr;
    ClearInterface();
  }
  EXPECT_EQ(firstLamps, 2) << "the first lamp under other rows on each page";
}

namespace {

// The editor with the renderer up on the null device, for the rows that reach its textures.
class DashEditorOnDevice : public OnNullDevice<DashEditor> {};

// A square RGB picture of one colour (no alpha: the name asks for none).
bool WriteSquarePng(const std::string& path, uint32_t size) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = image.height = size;
  image.format = PNG_FORMAT_RGB;
  const std::vector<uint8_t> rgb(size_t(size) * size * 3, 200);
  return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

}  // namespace

// "reload backing texture" reads again the picture of the model's dashboard page: the page's
// texture, first read from a 16 x 16 picture, is 32 wide once the picture is 32 x 32.
TEST_F(DashEditorOnDevice, ReloadBackingTextureReadsTheDashboardPagesPictureAgain) {
  ASSERT_TRUE(NullDevice::ready_);
  // The texture settings come back however the test ends.
  struct SettingsKept {
    TextureSettings texture = TextureConfig;
    int compressed = CfgCompressedTex, half = CfgHalfTexRes;
    ~SettingsKept() {
      FreeTextureRecord(AddTextureRef("DASHBACK", 0));
      TextureConfig = texture;
      CfgCompressedTex = compressed;
      CfgHalfTexRes = half;
    }
  } kept;
  TextureConfig = TextureSettings();
  TextureConfig.loadNow = 1;
  CfgCompressedTex = CfgHalfTexRes = 0;  // the picture itself is read, no converted copy kept
  // The model is the test's own: the car is given it only for the test.
  struct LentModel {
    Car& car;
    ModelObject model{};
    explicit LentModel(Car& c) : car(c) {
      model.Init();
      car.model = &model;
      car.ownsModel = 0;
    }
    ~LentModel() {
      car.model = nullptr;
      model.Free();
    }
  } lent(car);
  ASSERT_EQ(lent.model.pageCount, 1);
  lent.model.pages[0].type = PAGE_DASH;
  std::memcpy(lent.model.pages[0].name, "DASHBACK", 8);
  fs::create_directories("data/png");
  ASSERT_TRUE(WriteSquarePng("data/png/DASHBACK.png", 16));
  ZKTETexture* texture = GetTexture("DASHBACK", 3);
  ASSERT_NE(texture, nullptr);
  ASSERT_EQ(texture->width, 16);
  ASSERT_TRUE(WriteSquarePng("data/png/DASHBACK.png", 32));
  Open(1);
  Click("reload backing texture");
  const ZKTETexture* reloaded = AddTextureRef("DASHBACK", 0);
  ASSERT_NE(reloaded, nullptr);
  EXPECT_EQ(reloaded->width, 32);
}
