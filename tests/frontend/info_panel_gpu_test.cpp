// info_panel_gpu_test.cpp - the vehicle information panel drawn on a real GL context: every
// page full-screen in the garage (the mod ratings too) and in a smaller rectangle as the
// editor draws it, read back and written as PNGs to look at ("info_panel_<form>_<page>.png"
// in the test's folder); the current tab is the one lit, a bar's knob stands at its value's
// fraction of the bar and a colour control's swatch shows the car's colour.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "core/process.h"
#include "core/window_state.h"
#include "frontend/frontend.h"
#include "info_panel/colour_marks.h"
#include "info_panel/info_panel.h"
#include "info_panel/info_panel_layout.h"
#include "physics/car.h"
#include "tests/frontend/page_picture.h"
#include "tests/ui/png_test_util.h"
#include "ui/interface_config.h"

namespace {

// A page of our own that draws the panel as the editor does: inside its rectangle in the left
// column under the six tab rows, the layout reset afterwards.
Car* g_car = nullptr;
Prss* EditorFormAct(Prss* process) {
  if (!process->alive) return nullptr;
  SetInfoPanelLayout(-0.98f, -0.18f, 2.0f * float(6 * ButtonHeight) / float(ScreenHeight) - 0.98f);
  InfoPanelArgs a;
  a.owner = process;
  a.car = g_car;
  a.inEditor = 1;
  DrawVehicleInfoPanel(a);
  ResetInfoPanelLayout();
  return process;
}

class InfoPanelPictures : public PagePicture {
 protected:
  // Pixels of the rectangle (normalised units) whose three channels are all at least 170.
  static int WhitePixels(const std::vector<uint8_t>& p, const ValueControl& c) {
    const int x1 = std::max(0, int((c.left + 1.0f) * 0.5f * WIDTH)), x2 = std::min(WIDTH, int((c.right + 1.0f) * 0.5f * WIDTH));
    const int y1 = std::max(0, int((c.top + 1.0f) * 0.5f * HEIGHT)), y2 = std::min(HEIGHT, int((c.bottom + 1.0f) * 0.5f * HEIGHT));
    int n = 0;
    for (int y = y1; y < y2; ++y)
      for (int x = x1; x < x2; ++x) {
        const uint8_t* q = &p[size_t(y * WIDTH + x) * 4];
        if (q[0] >= 170 && q[1] >= 170 && q[2] >= 170) ++n;
      }
    return n;
  }
  // The tab row's controls: those on the band of the tab showing label.
  static std::vector<ValueControl> TabRow(const char* label) {
    std::vector<ValueControl> tabs;
    const ValueControl* tab = nullptr;
    char text[64];
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControlText(ValueControls[i], text, sizeof text) && std::string(text) == label) tab = &ValueControls[i];
    if (!tab) return tabs;
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].top == tab->top && ValueControls[i].bottom == tab->bottom) tabs.push_back(ValueControls[i]);
    return tabs;
  }
  void CheckLitTab(const std::vector<uint8_t>& p, const char* label) {
    int lit = -1, unlit = 0;
    for (const ValueControl& c : TabRow(label)) {
      char text[64];
      const int n = WhitePixels(p, c);
      if (ValueControlText(c, text, sizeof text) && std::string(text) == label) lit = n;
      else unlit = std::max(unlit, n);
    }
    EXPECT_GT(lit, 0) << label;
    EXPECT_GT(lit, unlit) << label << ": the current tab is the one lit";
  }
};

constexpr const char* TAB_LABELS[INFO_PAGE_COUNT] = {"Info",     "Colours",     "Brakes", "Suspension", "Steering",
                                                     "Final Drive", "Tyres", "Downforce", "Passengers"};

TEST_F(InfoPanelPictures, EveryPageInTheGarageAndInTheEditorsRectangle) {
  const char* work = std::getenv("ZKT_WORK_DIR");
  ASSERT_NE(work, nullptr);
  std::filesystem::remove_all("data");
  std::filesystem::create_directories("data/veh");
  std::filesystem::create_directories("data/engine");
  std::filesystem::copy_file(std::filesystem::path(work) / "data/veh/Runabout.veh", "data/veh/Runabout.veh");
  std::filesystem::copy_file(std::filesystem::path(work) / "data/engine/DEFAULT.eng", "data/engine/DEFAULT.eng");
  InitSinCosTables();
  ScreenWidth = WIDTH;
  ScreenHeight = HEIGHT;
  Prss* garage = OpenGaragePage(nullptr, GARAGE_SAMPLE_VEHICLE);
  Car* car = GarageCar();
  ASSERT_NE(car, nullptr);
  car->lightsAndAids &= ~(AID_TRACTION_CONTROL | AID_ENGINE_BRAKE);
  for (int page = 0; page < INFO_PAGE_COUNT; ++page) {
    InfoPageShown = page;
    const std::vector<uint8_t> p = DrawPage(garage);
    EXPECT_TRUE(WritePng("info_panel_garage_" + std::to_string(page) + ".png", p, WIDTH, HEIGHT));
    CheckLitTab(p, TAB_LABELS[page]);
  }
  // A bar's knob stands at its value's fraction of the bar: the tyre-change bar at 25 of 0..100.
  Strategy.tyreChange = 25;
  InfoPageShown = INFO_PAGE_INFO;
  std::vector<uint8_t> p = DrawPage(garage);
  const ValueControl* bar = nullptr;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].variable == &Strategy.tyreChange && ValueControls[i].displayType == VALUE_TYPE_MAPPED_BYTE)
      bar = &ValueControls[i];
  ASSERT_NE(bar, nullptr);
  {
    const int y = int(((bar->top + bar->bottom) * 0.5f + 1.0f) * 0.5f * HEIGHT);
    const int x1 = int((bar->left + 1.0f) * 0.5f * WIDTH), x2 = int((bar->right + 1.0f) * 0.5f * WIDTH);
    double sum = 0;
    int n = 0;
    for (int x = x1; x < x2; ++x) {
      const uint8_t* q = &p[size_t(y * WIDTH + x) * 4];
      if (std::min({q[0], q[1], q[2]}) > 120) sum += x, ++n;
    }
    ASSERT_GT(n, 0) << "the light knob over the dark bar";
    const double expected = x1 + (x2 - x1) * 0.25;
    EXPECT_NEAR(sum / n, expected, 4.0);
  }
  // A colour control's swatch shows the car's colour.
  for (uint8_t& f : ColourMarkFlags) f = 0;
  ColourMarkFlags[0] = 1;
  car->currentColours.groups[0][0] = RgbWord(150, 20, 20);
  InfoPageShown = INFO_PAGE_COLOURS;
  p = DrawPage(garage);
  const ValueControl* swatch = nullptr;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].displayType == VALUE_TYPE_COLOUR_SWATCH) swatch = &ValueControls[i];
  ASSERT_NE(swatch, nullptr);
  {
    const int x = int(((swatch->left + swatch->right) * 0.5f + 1.0f) * 0.5f * WIDTH);
    const int y = int((swatch->top + (swatch->bottom - swatch->top) * 0.2f + 1.0f) * 0.5f * HEIGHT);
    const uint8_t* q = &p[size_t(y * WIDTH + x) * 4];
    EXPECT_GT(q[0], 2 * q[1]) << "red over green";
    EXPECT_GT(q[0], 2 * q[2]) << "red over blue";
  }
  // A mod: the ratings page behind its own tab.
  car->isMod = 1;
  car->shortCode[0] = char(0x21), car->shortCode[1] = char(0x43), car->shortCode[2] = char(0x65);
  InfoPageShown = INFO_PAGE_RATINGS;
  const std::vector<uint8_t> ratings = DrawPage(garage);
  EXPECT_TRUE(WritePng("info_panel_garage_ratings.png", ratings, WIDTH, HEIGHT));
  EXPECT_EQ(InfoPageShown, INFO_PAGE_RATINGS);
  car->isMod = 0;
  // The editor's form, in its rectangle.
  g_car = car;
  Prss* editor = new Prss{};
  Prss_Init(editor, nullptr, EditorFormAct, nullptr, Prss_SimpleMouse, nullptr, nullptr);
  Prss_MakeCurrent(editor);
  for (int page = 0; page < INFO_PAGE_COUNT; ++page) {
    InfoPageShown = page;
    const std::vector<uint8_t> p = DrawPage(editor);
    EXPECT_TRUE(WritePng("info_panel_editor_" + std::to_string(page) + ".png", p, WIDTH, HEIGHT));
    CheckLitTab(p, TAB_LABELS[page]);
  }
  Prss_Terminate(editor);
  editor->act(editor);
  delete editor;
  Prss_Terminate(garage);
  EXPECT_EQ(garage->act(garage), nullptr);
}

}  // namespace
