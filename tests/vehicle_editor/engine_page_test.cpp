// engine_page_test.cpp - the engine page's figures without a window: the plot's scales and
// geometry, the layouts a cylinder count allows, the torque drawn for an electric motor; and
// where one frame of the page puts its buttons.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/window_state.h"
#include "physics/car.h"
#include "tests/ui/control_clicks.h"
#include "tests/vehicle_editor/editor_fixture.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "vehicle_data/engine_record.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_editor/engine/engine_page.h"

namespace {

TEST(EnginePageFigures, ScalesStepDownWhileTheEntryBeforeIsAboveTheValue) {
  EXPECT_EQ(EngineScale(150.0f), 200);
  EXPECT_EQ(EngineScale(2500.0f), 5000);
  EXPECT_EQ(EngineScale(200.0f), 500) << "an entry equal to the value is not above it";
  EXPECT_EQ(EngineScale(199.9f), 200);
  EXPECT_EQ(EngineScale(0.0f), 10);
  EXPECT_EQ(EngineScale(-5.0f), 10);
  EXPECT_EQ(EngineScale(1e9f), 5000);
}

TEST(EnginePageFigures, OddCountsAreInlineAndMoreThanEightAreNeverInline) {
  for (int cylinders : {1, 3, 5})
    for (int layout : {ENGINE_INLINE, ENGINE_FLAT, ENGINE_V})
      EXPECT_EQ(AllowedEngineLayout(cylinders, layout), ENGINE_INLINE);
  for (int cylinders : {10, 12}) {
    EXPECT_EQ(AllowedEngineLayout(cylinders, ENGINE_INLINE), ENGINE_V);
    EXPECT_EQ(AllowedEngineLayout(cylinders, ENGINE_FLAT), ENGINE_FLAT);
    EXPECT_EQ(AllowedEngineLayout(cylinders, ENGINE_V), ENGINE_V);
  }
  for (int cylinders : {2, 4, 6, 8})
    for (int layout : {ENGINE_INLINE, ENGINE_FLAT, ENGINE_V}) EXPECT_EQ(AllowedEngineLayout(cylinders, layout), layout);
}

// The page's cylinder and layout buttons keep only the layouts the cylinder count allows.
TEST(EnginePageFigures, TheCylinderAndLayoutButtonsKeepAnAllowedLayout) {
  const std::unique_ptr<Car> car = std::make_unique<Car>();
  car->vehicleClass = CLASS_SALOON;
  EngineModel m{};
  m.Reset();
  EnginePage page{};
  page.car = car.get();
  page.engine = &m;
  m.layout = ENGINE_V;
  EngineEditorSetCylinders(&page, 0, 6);
  EXPECT_EQ(m.cylinders, 6);
  EXPECT_EQ(m.layout, ENGINE_V) << "six in a V stay a V";
  EngineEditorSetCylinders(&page, 0, 5);
  EXPECT_EQ(m.layout, ENGINE_INLINE) << "an odd count is inline";
  EngineEditorSetLayout(&page, 0, ENGINE_FLAT);
  EXPECT_EQ(m.layout, ENGINE_INLINE) << "still five";
  EngineEditorSetCylinders(&page, 0, 12);
  EXPECT_EQ(m.layout, ENGINE_V) << "twelve are never inline";
  EngineEditorSetLayout(&page, 0, ENGINE_FLAT);
  EXPECT_EQ(m.layout, ENGINE_FLAT);
  m.FreeWaves();
}

TEST(EnginePageFigures, ThePlotFillsTheUpperRightQuarterAndAMotorsPowerIsFlatAboveItsBaseSpeed) {
  const EnginePlot g = EnginePlotGeometry(1024, 768, 24);
  EXPECT_FLOAT_EQ(g.left, 512.0f + 32.0f);
  EXPECT_FLOAT_EQ(g.width, 512.0f - 64.0f);
  EXPECT_FLOAT_EQ(g.zeroY, 384.0f - 96.0f);
  EXPECT_FLOAT_EQ(g.height, 384.0f - 120.0f);

  EngineModel m{};
  m.peakTorque = 300.0f;
  m.maxTorqueSpeed = 500.0f;
  EXPECT_FLOAT_EQ(PlottedTorque(m, 1, 0.0f), 300.0f);
  EXPECT_FLOAT_EQ(PlottedTorque(m, 1, 500.0f), 300.0f);
  for (float s : {600.0f, 1000.0f, 2000.0f}) EXPECT_NEAR(PlottedTorque(m, 1, s) * s, 150000.0f, 0.5f) << s;
}

// The page's frame over the sample vehicle, every row shown (a turbo cross-plane V8): each
// row of buttons stands under the one before, so no two buttons share any pixel, but for a
// value button (styles 16 to 19) and the two parts of its knob added right after it, over it.
// Each button lies in the page's column of 12 units, but for the description lines, each as
// wide as the plot, at its left edge.
class EnginePageFrame : public EditorTest {
 protected:
  // The engine page over the sample vehicle, on a screen of 1024 x 768.
  EnginePage* PageOnTheScreen() {
    ScreenWidth = 1024;
    ScreenHeight = 768;
    SetInterfaceMetrics();
    return CreateEnginePage(&e->prss, e->car);
  }
};

TEST_F(EnginePageFrame, ButtonsStayInTheirColumnAndNoTwoOverlap) {
  EnginePage* page = PageOnTheScreen();
  ASSERT_NE(page, nullptr);
  EngineModel& m = *page->engine;
  m.cylinders = 8;
  m.layout = ENGINE_V;
  m.flags |= ENGINE_TURBO;
  FrameSkipped = 0;
  ClearInterface();
  EXPECT_EQ(EngineEditorScreenAction(&page->prss), &page->prss);
  FrameSkipped = 1;
  ASSERT_GT(ButtonCount, 30);
  std::vector<int> group(ButtonCount);
  for (int i = 0; i < ButtonCount; ++i) {
    group[i] = i;
    for (int back = 1; back <= 2 && i - back >= 0; ++back)
      if (InterfaceButtons[i - back].style >= BUTTON_STYLE_FLOAT &&
          InterfaceButtons[i - back].style <= BUTTON_STYLE_FLOAT_THOUSANDTHS)
        group[i] = i - back;
  }
  const EnginePlot plot = EnginePlotGeometry(ScreenWidth, ScreenHeight, ButtonHeight);
  int descriptions = 0;
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& a = InterfaceButtons[i];
    if (a.left == int(plot.left) && a.right - a.left == int(plot.width)) {
      ++descriptions;
      continue;
    }
    EXPECT_GE(a.left, 0) << i;
    EXPECT_LE(a.right, ENGINE_PAGE_UNITS * ButtonWidth) << i << " (" << a.left << ", " << a.top << ")";
  }
  EXPECT_GE(descriptions, 1);
  EXPECT_LE(descriptions, 3);
  for (int i = 0; i < ButtonCount; ++i)
    for (int j = i + 1; j < ButtonCount; ++j) {
      if (group[i] == group[j]) continue;
      const InterfaceButton &a = InterfaceButtons[i], &b = InterfaceButtons[j];
      const bool apart = a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
      EXPECT_TRUE(apart) << i << " (" << a.left << ", " << a.top << ") and " << j << " (" << b.left << ", " << b.top
                         << ")";
    }
  ClearInterface();
  Prss_Terminate(&page->prss);
  EXPECT_EQ(EngineEditorScreenAction(&page->prss), nullptr);
}

// The rev counter of an engine with a redline of 2094.4 rad/s (20000 rpm, over 2000 rad/s):
// figures in thousands with the second gap, labels every 2; the top 2094.4 x 60 / (2 pi x
// 1000) = 20.0 thousand, the dial 2 + 20 = 22, red from 2 / 2 x 20 = 20.
TEST_F(EnginePageFrame, AFastEnginesRevCounterCountsInTwoThousands) {
  EnginePage* page = PageOnTheScreen();
  ASSERT_NE(page, nullptr);
  const EditorFrameHookFn before = page->savedHook;
  page->savedHook = nullptr;  // the page's own drawing alone
  page->engine->redline = 2094.3953f;
  FrameSkipped = 0;
  DrawEngineCurves(page);
  FrameSkipped = 1;
  page->savedHook = before;
  EXPECT_EQ(page->revCounter.labelGap, 2);
  EXPECT_EQ(page->revCounter.maximum, 22);
  EXPECT_EQ(page->revCounter.firstRedMark, 20);
  Prss_Terminate(&page->prss);
  EXPECT_EQ(EngineEditorScreenAction(&page->prss), nullptr);
}

// The cylinder counts share the column's twelve units in nine parts, "1" from 0 and "12" to
// the column's right edge; under them the layout row is a three-unit "Layout" label and the
// three layouts of three units each after it, from unit 3 to unit 12, the engine's own lit;
// the turbo and two-stroke switches are lit by their own bits.
TEST_F(EnginePageFrame, TheLayoutRowIsALabelThenThreeChoicesAndEachSwitchIsLitByItsBit) {
  EnginePage* page = PageOnTheScreen();
  ASSERT_NE(page, nullptr);
  page->engine->cylinders = 4;
  page->engine->layout = ENGINE_FLAT;
  page->engine->flags = (page->engine->flags | ENGINE_TURBO) & ~uint32_t(ENGINE_TWO_STROKE);
  FrameSkipped = 0;
  ClearInterface();
  EngineEditorScreenAction(&page->prss);
  FrameSkipped = 1;
  const int unit = ButtonWidth;
  const InterfaceButton* one = FindShownButton("1");
  const InterfaceButton* twelve = FindShownButton("12");
  ASSERT_NE(one, nullptr);
  ASSERT_NE(twelve, nullptr);
  EXPECT_EQ(one->left, 0);
  EXPECT_EQ(one->right, 12 * unit / 9);
  EXPECT_EQ(twelve->left, 8 * 12 * unit / 9);
  EXPECT_EQ(twelve->right, 12 * unit);
  const InterfaceButton* label = FindShownButton("Layout");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->left, 0);
  EXPECT_EQ(label->right, 3 * unit);
  EXPECT_EQ(label->handler, nullptr) << "a label, not a choice";
  const char* const names[3] = {"Inline", "Flat", "V"};
  for (int layout = 0; layout < 3; ++layout) {
    const InterfaceButton* b = FindShownButton(names[layout]);
    ASSERT_NE(b, nullptr) << names[layout];
    EXPECT_EQ(b->top, label->top) << names[layout];
    EXPECT_EQ(b->left, (3 + 3 * layout) * unit) << names[layout];
    EXPECT_EQ(b->right, (6 + 3 * layout) * unit) << names[layout];
    EXPECT_EQ(b->fourth.i, layout == ENGINE_FLAT ? 1 : 0) << names[layout];
  }
  // Each switch's toggle, just after its label, is lit while its bit is set: a turbo, no
  // two-stroke.
  const InterfaceButton* turbo = FindShownButton("Turbo");
  const InterfaceButton* twoStroke = FindShownButton("Two-stroke");
  ASSERT_TRUE(turbo && twoStroke);
  ASSERT_LT(twoStroke - InterfaceButtons + 1, ButtonCount);
  EXPECT_EQ(turbo[1].fourth.i, 1);
  EXPECT_EQ(twoStroke[1].fourth.i, 0);
  ClearInterface();
  Prss_Terminate(&page->prss);
  EngineEditorScreenAction(&page->prss);
}

}  // namespace

namespace {

// The three file buttons each ask for a name with their own prompt: words 0 and 5 as a file
// to read (entry kind 4), word 1 as a file to write (kind 6); no other word asks anything.
TEST_F(EnginePageFrame, EachFileButtonWordAsksForItsOwnName) {
  EnginePage* page = PageOnTheScreen();
  ASSERT_NE(page, nullptr);
  struct Case {
    uintptr_t word;
    const char* prompt;
    int type;
  };
  const Case cases[] = {{ENGINE_FILE_LOAD, "Enter name of ENGINE to LOAD", 4},
                        {ENGINE_FILE_SAVE, "Enter name of ENGINE to SAVE", 6},
                        {ENGINE_FILE_LOAD_WAVES, "Enter name of engine from which to LOAD WAVES", 4}};
  for (const Case& c : cases) {
    EngineEditorFileButton(page, 0, c.word);
    ASSERT_EQ(OpenTextEntry.open, 1) << c.word;
    EXPECT_STREQ(OpenTextEntry.prompt, c.prompt) << c.word;
    EXPECT_EQ(OpenTextEntry.type, c.type) << c.word;
    EXPECT_EQ(OpenTextEntry.maxLength, ENGINE_NAME_LENGTH) << c.word;
    CancelTextEntry();
    Prss_ActSub(&page->prss);
  }
  for (uintptr_t word : {uintptr_t(2), uintptr_t(3), uintptr_t(4), uintptr_t(6)}) {
    EngineEditorFileButton(page, 0, word);
    EXPECT_EQ(OpenTextEntry.open, 0) << word;
  }
  Prss_Terminate(&page->prss);
  EngineEditorScreenAction(&page->prss);
}

// The redline typed into the page's row survives SAVE and LOAD: after the load the row shows
// what it showed before the save (8298 rpm on the sample, whose class gives it another), where
// the vehicle file used to bring back the class's limit.
TEST_F(EnginePageFrame, TheRedlineTheRowShowedIsTheOneShownAfterSaveAndLoad) {
  const auto redlineRow = [](EnginePage* page) -> std::string {
    FrameSkipped = 0;
    ClearInterface();
    EngineEditorScreenAction(&page->prss);
    FrameSkipped = 1;
    char shown[128];
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (b.style == BUTTON_STYLE_FLOAT_RPM && b.fourth.text && std::strncmp(b.fourth.text, "Redline", 7) == 0 &&
          ButtonText(b, shown, sizeof shown))
        return shown;
    }
    return "";
  };
  EnginePage* page = PageOnTheScreen();
  ASSERT_NE(page, nullptr);
  const std::string classRow = redlineRow(page);
  ASSERT_NE(classRow, "Redline 8298") << "the sample's class gives another";
  const InterfaceButton* row = nullptr;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].style == BUTTON_STYLE_FLOAT_RPM &&
        std::strncmp(InterfaceButtons[i].fourth.text, "Redline", 7) == 0)
      row = &InterfaceButtons[i];
  ASSERT_NE(row, nullptr);
  ClickButton(*row, 2);
  Type(OpenTextEntry.prompt, "8298");
  Prss_ActSub(&page->prss);
  const std::string shown = redlineRow(page);
  EXPECT_EQ(shown, "Redline 8298");
  Prss_Terminate(&page->prss);
  EXPECT_EQ(EngineEditorScreenAction(&page->prss), nullptr);
  ASSERT_EQ(VehicleEditor::SaveVehicleOnly(*e, "Redlined", 1), 1);
  ASSERT_EQ(VehicleEditor::LoadVehicleState(*e, "Redlined", -1), 1);
  page = PageOnTheScreen();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(redlineRow(page), shown);
  Prss_Terminate(&page->prss);
  EngineEditorScreenAction(&page->prss);
}

// I stops a running engine, and starts a stopped one again at its idle speed; X with Shift
// held closes the page, X alone does not.
TEST_F(EnginePageFrame, IStopsAndRestartsAtIdleAndShiftXCloses) {
  EnginePage* page = PageOnTheScreen();
  ASSERT_NE(page, nullptr);
  EngineModel& m = *page->engine;
  ASSERT_EQ(m.running, 1);
  EngineEditorKey(&page->prss, 'i');
  EXPECT_EQ(m.running, 0);
  m.speed = m.idleSpeed + 300.0f;
  EngineEditorKey(&page->prss, 'I');
  EXPECT_EQ(m.running, 1);
  EXPECT_FLOAT_EQ(m.speed, m.idleSpeed);
  const int shift = ShiftHeld;
  ShiftHeld = 0;
  EngineEditorKey(&page->prss, 'x');
  EXPECT_EQ(page->prss.alive, 1);
  ShiftHeld = 1;
  EngineEditorKey(&page->prss, 'X');
  ShiftHeld = shift;
  EXPECT_EQ(page->prss.alive, 0);
  EXPECT_EQ(EngineEditorScreenAction(&page->prss), nullptr);
}

}  // namespace
