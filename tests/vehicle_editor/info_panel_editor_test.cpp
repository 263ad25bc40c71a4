// info_panel_editor_test.cpp - the information panel as the vehicle editor draws it: inside its
// rectangle left of the side panel, the layout reset afterwards, and clicks and drags on its controls
// reaching the editor's callbacks, the change stored into the chosen default set-up.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/window_state.h"
#include "info_panel/colour_marks.h"
#include "info_panel/info_panel.h"
#include "info_panel/info_panel_layout.h"
#include "physics/car.h"
#include "tests/vehicle_editor/editor_fixture.h"
#include "text/code_pages.h"
#include "ui/interface.h"
#include "vehicle_editor/tab_pages.h"

namespace {

class EditorInfoPanel : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    ScreenWidth = 1280;
    ScreenHeight = 1024;
    SetInterfaceMetrics();
    InfoPageShown = INFO_PAGE_INFO;
  }
  void Draw() {
    ClearInterface();
    VehicleEditor::DrawInfoPanel(*e);
  }
  const ValueControl* Showing(const char* text) {
    char shown[256];
    for (int i = ValueControlCount - 1; i >= 0; --i)
      if (ValueControlText(ValueControls[i], shown, sizeof shown) && std::strcmp(shown, text) == 0)
        return &ValueControls[i];
    return nullptr;
  }
  // The last control of the frame bound to the variable with the display type, or null.
  static const ValueControl* Bound(const void* variable, int type) {
    const ValueControl* found = nullptr;
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].variable == variable && ValueControls[i].displayType == type) found = &ValueControls[i];
    return found;
  }
  void Click(const ValueControl& control) {
    const ValueControl c = control;
    MouseX = static_cast<int>(((c.left + c.right) * 0.5f + 1.0f) * 0.5f * static_cast<float>(ScreenWidth));
    MouseY = static_cast<int>(((c.top + c.bottom) * 0.5f + 1.0f) * 0.5f * static_cast<float>(ScreenHeight));
    MouseRecord press{};
    press.clickCode = CLICK_LEFT;
    press.leftHeld = 1;
    HandleInterfaceMouse(&press);
    MouseRecord release{};
    release.releaseCode = CLICK_LEFT;
    HandleInterfaceMouse(&release);
  }
};

TEST_F(EditorInfoPanel, DrawsInItsRectangleAndResetsTheLayout) {
  CurrentCodePage = 3;
  Draw();
  ASSERT_GT(ValueControlCount, 0);
  const float sideLeft = 2.0f * float(ScreenWidth - 16 * ButtonWidth) / float(ScreenWidth) - 1.0f;
  const float top = 2.0f * float(2 * ButtonHeight) / float(ScreenHeight) - 1.0f;
  for (int i = 0; i < ValueControlCount; ++i) {
    EXPECT_LT(ValueControls[i].right, sideLeft) << i;
    EXPECT_GE(ValueControls[i].top, top - 1e-5f) << i;
  }
  EXPECT_FLOAT_EQ(InfoLayout.sx, 1.0f);
  EXPECT_FLOAT_EQ(InfoLayout.y0, 0.0f);
  EXPECT_EQ(CurrentCodePage, 0);
  EXPECT_NE(Showing("Info"), nullptr);
  EXPECT_EQ(Showing("Handicaps"), nullptr);  // the garage's rows
}

// The panel stands in the left column under the tab rows, off the middle of the view, on every
// page at both usual screen sizes; while a tab page is open the column is the page's alone.
TEST_F(EditorInfoPanel, StandsInTheLeftColumnUnderTheTabsWhileNoTabIsOpen) {
  const int sizes[][2] = {{1024, 768}, {1280, 1024}};
  for (const auto& size : sizes) {
    ScreenWidth = size[0];
    ScreenHeight = size[1];
    SetInterfaceMetrics();
    const float tabsBottom = 2.0f * float(TAB_ROWS * ButtonHeight) / float(ScreenHeight) - 1.0f;
    e->selection.openTab = -1;
    for (int page = INFO_PAGE_INFO; page < INFO_PAGE_COUNT; ++page) {
      InfoPageShown = page;
      Draw();
      ASSERT_GT(ValueControlCount, 0);
      for (int i = 0; i < ValueControlCount; ++i) {
        const ValueControl& c = ValueControls[i];
        EXPECT_GE(c.left, -1.0f) << size[0] << " page " << page << " control " << i;
        EXPECT_LE(c.right, -0.1f) << size[0] << " page " << page << " control " << i;
        EXPECT_GT(c.top, tabsBottom) << size[0] << " page " << page << " control " << i;
        EXPECT_LE(c.bottom, 1.0f) << size[0] << " page " << page << " control " << i;
      }
    }
    e->selection.openTab = 0;
    Draw();
    EXPECT_EQ(ValueControlCount, 0) << "no panel while a tab page is open";
  }
  e->selection.openTab = -1;
  InfoPageShown = INFO_PAGE_INFO;
}

// A minimised window (no width or no height) gets no panel; a tab number past the last page
// opens no page, so the column is the panel's again.
TEST_F(EditorInfoPanel, NoPanelOnAScreenWithoutPixelsAndOneBesideATabPastThePages) {
  for (const int side : {0, 1}) {
    ScreenWidth = side == 0 ? 0 : 1280;
    ScreenHeight = side == 1 ? 0 : 1024;
    Draw();
    EXPECT_EQ(ValueControlCount, 0) << (side == 0 ? "no width" : "no height");
    EXPECT_EQ(ButtonCount, 0) << (side == 0 ? "no width" : "no height");
  }
  ScreenWidth = 1280;
  ScreenHeight = 1024;
  e->selection.openTab = TAB_PAGE_COUNT - 1;
  Draw();
  EXPECT_EQ(ValueControlCount, 0) << "the last page has the column";
  e->selection.openTab = TAB_PAGE_COUNT;
  Draw();
  EXPECT_GT(ValueControlCount, 0) << "no page past the last";
  EXPECT_NE(Showing("Info"), nullptr);
  e->selection.openTab = -1;
}

// The panel stays at half size in the left column, so on its deeper pages it would reach the
// common rows at the bottom (set-ups, colours, drive side, file row): it ends above them on
// every page, for every sample car, at both screen sizes, with the car's own rows and with the
// most rows the common block can have.
TEST_F(EditorInfoPanel, EndsAboveTheCommonRowsOnEveryPage) {
  namespace fs = std::filesystem;
  const fs::path work = std::getenv("ZKT_WORK_DIR");
  for (const auto& entry : fs::directory_iterator(work / "data/veh"))
    fs::copy_file(entry.path(), fs::path("data/veh") / entry.path().filename(), fs::copy_options::skip_existing);
  const char* const cars[] = {"Runabout", "Saloon", "Roadster", "Kart", "Sportbike", "Scooter", "Solar"};
  const int sizes[][2] = {{1024, 768}, {1280, 1024}};
  int clippedPages = 0;
  for (const char* name : cars) {
    for (const auto& size : sizes) {
      for (int most = 0; most < 2; ++most) {
        ASSERT_EQ(VehicleEditor::LoadVehicleState(*e, name, -1), 1) << name;
        ScreenWidth = size[0];
        ScreenHeight = size[1];
        SetInterfaceMetrics();
        if (most) {  // four set-ups, nine colour configurations and a driver off the centre line
          car().setupCount = 4;
          car().colourConfigCount = 9;
          if (!car().steerAnimation[0]) car().steerAnimation[0] = 'a';
          car().driverPosition.x = -0.37f;
        }
        e->selection.openTab = -1;
        ClearInterface();
        VehicleEditor::BuildPanels(*e);
        // The common rows: the left column's buttons below the tab rows.
        int commonTop = ScreenHeight;
        for (int i = 0; i < ButtonCount; ++i) {
          const InterfaceButton& b = InterfaceButtons[i];
          if (b.top >= TAB_ROWS * ButtonHeight && b.left < PANEL_ROW_UNITS * ButtonWidth)
            commonTop = std::min(commonTop, b.top);
        }
        ASSERT_LE(commonTop, ScreenHeight - 8 * ButtonHeight) << name;
        const float limit = 2.0f * float(commonTop) / float(ScreenHeight) - 1.0f;
        for (int page = INFO_PAGE_INFO; page < INFO_PAGE_COUNT; ++page) {
          InfoPageShown = page;
          Draw();
          ASSERT_GT(ValueControlCount, 1) << name << " page " << page;
          const int drawn = ValueControlCount;
          for (int i = 0; i < ValueControlCount; ++i)
            EXPECT_LT(ValueControls[i].bottom, limit)
                << name << " " << size[0] << (most ? " most rows" : "") << " page " << page << " control " << i;
          // The same page with the whole screen below the tabs to itself.
          const float bottom = InfoLayout.bottom;
          SetInfoPanelLayout(-0.98f, -0.18f, -0.5f);
          ClearInterface();
          InfoPanelArgs a;
          a.owner = &e->prss;
          a.car = e->car;
          a.inEditor = 1;
          DrawVehicleInfoPanel(a);
          ResetInfoPanelLayout();
          EXPECT_EQ(bottom, INFO_PANEL_UNCLIPPED) << "the editor lifts its clip after drawing";
          if (ValueControlCount > drawn) ++clippedPages;
        }
      }
    }
  }
  EXPECT_GT(clippedPages, 0) << "some deep page ended early";
  InfoPageShown = INFO_PAGE_INFO;
}

TEST_F(EditorInfoPanel, TheConfigurationArrowsStepAndStoreTheSetup) {
  ASSERT_GT(car().configCount, 1);
  car().currentSetup.bytes[SETUP_CONFIGURATION] = 0;
  Draw();
  const char right[2] = {'\x9B', 0};
  const ValueControl* next = Showing(right);
  ASSERT_NE(next, nullptr);
  Click(*next);
  EXPECT_EQ(car().currentSetup.bytes[SETUP_CONFIGURATION], 1);
  EXPECT_EQ(car().setups[car().setupIndex].record.bytes[SETUP_CONFIGURATION], 1);
}

// A set-up row changed through the panel is an edit point named after the row, a step of an
// arrow and a drag of a bar alike (the Brakes page's "Maximum Per Wheel %.0f Nm" names "set
// maximum per wheel nm", either side of the Tyres page's pressure pair "set pressure"): the car
// is marked changed, so leaving asks "Exit editor?", and an undo brings the value back, in the
// car and in its stored set-up, with the saved mark.
TEST_F(EditorInfoPanel, ASetupRowsChangeIsAnEditPointNamedAfterItsRow) {
  using namespace VehicleUndo;
  ASSERT_EQ(e->selection.saved, 1) << "as loaded";
  float& torque = *reinterpret_cast<float*>(car().currentSetup.bytes + SETUP_BRAKE_STRENGTH);
  const float before = torque;
  const int nodes = NumNodes;
  InfoPageShown = INFO_PAGE_BRAKES;
  Draw();
  const ValueControl* down = Bound(&torque, 45);
  ASSERT_NE(down, nullptr);
  Click(*down);
  EXPECT_EQ(torque, std::round(before) - 1.0f) << "a step from the nearest whole newton metre";
  EXPECT_EQ(NumNodes, nodes + 1);
  EXPECT_STREQ(Slots[NumNodes].name, "set maximum per wheel nm");
  EXPECT_STREQ(e->statusText, "set maximum per wheel nm");
  EXPECT_EQ(e->selection.saved, 0) << "the red mark";
  EXPECT_EQ(std::memcmp(car().setups[car().setupIndex].record.bytes + SETUP_BRAKE_STRENGTH, &torque, sizeof torque), 0)
      << "stored into the chosen set-up";
  VehicleEditor::AskExit(*e);
  EXPECT_EQ(e->prss.alive, 1);
  EXPECT_STREQ(MessageBoxDialog.first, "Exit editor?");
  ResetDialogs();
  e->prss.sub = nullptr;
  UndoEdit(*e);
  const float& restored = *reinterpret_cast<const float*>(car().currentSetup.bytes + SETUP_BRAKE_STRENGTH);
  EXPECT_EQ(restored, before);
  EXPECT_EQ(e->selection.saved, 1);

  // Asymmetric, the pressure pair shows a set of arrows and a bar for each side; a press on
  // the right side's bar starts a drag, recorded before it moves anything.
  SetupRecord& s = car().currentSetup;
  s.bytes[SETUP_FLAGS] = SETUP_FLAG_KEEP;
  InfoPageShown = INFO_PAGE_TYRES;
  Draw();
  const ValueControl* bar = Bound(s.bytes + SETUP_AXLE[1] + AXLE_PRESSURE_RIGHT, 38);
  ASSERT_NE(bar, nullptr);
  const int tyreNodes = NumNodes - NumRedo;  // the undone step is dropped
  Click(*bar);
  EXPECT_EQ(NumNodes, tyreNodes + 1);
  EXPECT_STREQ(Slots[NumNodes].name, "set pressure");
  InfoPageShown = INFO_PAGE_INFO;
}

TEST_F(EditorInfoPanel, TheColoursTabShowsThePaintAndSkin) {
  Draw();
  const ValueControl* tab = Showing("Colours");
  ASSERT_NE(tab, nullptr);
  Click(*tab);
  EXPECT_EQ(InfoPageShown, INFO_PAGE_COLOURS);
  Draw();
  EXPECT_NE(Showing("Skin File Name"), nullptr);
  const char browse[2] = {'\xB8', 0};
  EXPECT_NE(Showing(browse), nullptr);  // the editor's skin button
}

// A colour channel dragged repaints the car, stores the colours and is an edit point.
TEST_F(EditorInfoPanel, ADraggedColourChannelRepaintsAndStoresTheColoursAsAnEdit) {
  for (uint8_t& f : ColourMarkFlags) f = 0;
  ColourMarkFlags[0] = 1;
  ColourWord& paint = car().currentColours.groups[0][0];
  paint = RgbWord(60, 60, 60);
  e->rebuildModelCountdown = 0;
  InfoPageShown = INFO_PAGE_COLOURS;
  Draw();
  const ValueControl* red = Bound(&paint, 35);
  ASSERT_NE(red, nullptr);
  const ValueControl c = *red;
  MouseX = static_cast<int>(((c.left + c.right) * 0.5f + 1.0f) * 0.5f * static_cast<float>(ScreenWidth));
  MouseY = static_cast<int>(((c.top + c.bottom) * 0.5f + 1.0f) * 0.5f * static_cast<float>(ScreenHeight));
  MouseRecord press{};
  press.clickCode = CLICK_LEFT;
  press.leftHeld = 1;
  HandleInterfaceMouse(&press);
  MouseX += 10;
  MouseRecord move{};
  move.dx = 10;
  move.leftHeld = 1;
  HandleInterfaceMouse(&move);
  MouseRecord release{};
  release.releaseCode = CLICK_LEFT;
  HandleInterfaceMouse(&release);
  EXPECT_GT(ColourRed(paint), 60u);
  EXPECT_EQ(ColourGreen(paint), 60u);
  EXPECT_GT(e->rebuildModelCountdown, 0) << "the paint is made again";
  ASSERT_GE(car().colourIndex, 0);
  ASSERT_LT(car().colourIndex, car().colourConfigCount);
  EXPECT_EQ(car().colourConfigs[car().colourIndex].groups[0][0], paint) << "stored into the chosen colours";
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "adjust colour") << "an edit point";
  EXPECT_EQ(e->selection.saved, 0);
}

}  // namespace
