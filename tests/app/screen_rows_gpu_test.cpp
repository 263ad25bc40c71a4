// screen_rows_gpu_test.cpp - the editors' own placements as a user meets them on a 1024 x 768
// window (editor_window_harness.h): on each screen no row lies over another (the vehicle
// editor's pages with the common rows and the side panel, the engine page, the dashboard
// editor, the animation editor's bone labels, the modeller's modes with the layer panel and
// the mapping list), and the labels the screens gave their own room fit it at the full text
// size.  The buttons are read back from the interface's table of the frame just built.
#include <cstdio>
#include <string>
#include <vector>

#include "animation/anim_screen.h"
#include "editor_window_harness.h"
#include "model/model_object.h"
#include "skeleton/human_system.h"
#include "tests/ui/placement_check.h"
#include "vehicle_editor/engine/engine_page.h"
#include "vehicle_editor/tab_pages.h"

namespace {

class ScreenRowsWindow : public CarWindow {
 protected:
  ModelObject model{};

  void TearDown() override {
    CarWindow::TearDown();
    model.Free();
  }
  static void OpenVehicle(const char* vehicle) {
    LoadVehicle(vehicle);
    Frame(2);
  }
  static void OpenTab(int tab) {
    CurrentVehicleEditor->selection.openTab = tab;
    CurrentVehicleEditor->pageScroll = 0;
    Frame(2);
  }
  // The sample car's body in the modeller, as the entry menu opens a model.
  void OpenModeller() {
    OpenModelInModeller(model, "data\\3dob\\sample_car.qxe");
    Frame(2);
  }
  // The first figure in the animation editor, seen from 3 m in front at the chest: a small
  // figure whose 32 bones lie close together on the screen.
  static void OpenFigure() {
    ASSERT_NE(OpenFirstFigure(), nullptr);
    ASSERT_NE(OpenAnimEditorScreen, nullptr);
    Frame(2);
  }
  static void ExpectNoRowOverAnother(const std::string& screen) {
    EXPECT_EQ(Joined(OverlappingRows()), "") << screen;
  }
  static void ExpectLabelsFit(const std::string& screen, const std::vector<std::string>& texts) {
    for (const std::string& text : texts) EXPECT_NE(FindButton(text.c_str()), nullptr) << screen << ": " << text;
    EXPECT_EQ(Joined(LabelsWiderThanButtons(&texts)), "") << screen;
  }
};

// Every page of the vehicle editor over a loaded car (the common rows, the tabs, the page and
// the side panel), the engine page, the dashboard editor of an analog and of a formula
// dashboard, the animation editor's bone labels and the modeller's four panel modes.
TEST_F(ScreenRowsWindow, NoRowOfTheEditorsScreensLiesOverAnother) {
  OpenVehicle("Runabout");
  for (int tab = 0; tab < TAB_PAGE_COUNT; ++tab) {
    OpenTab(tab);
    ExpectNoRowOverAnother(std::string("vehicle editor, page ") + TabLabels[tab]);
  }
  OpenTab(TAB_ALLOW);
  Click("edit engine");
  ASSERT_NE(OpenEnginePage, nullptr);
  ExpectNoRowOverAnother("engine page");
  Key(KEY_ESCAPE);
  for (const char* vehicle : {"Runabout", "Carrier"}) {
    OpenVehicle(vehicle);
    OpenTab(TAB_TEXTURES);
    Click("EDIT");
    ASSERT_NE(CurrentVehicleEditor->prss.sub, nullptr) << "the dashboard editor";
    Frame();
    ExpectNoRowOverAnother(std::string("dashboard editor of ") + vehicle);
    Key(KEY_ESCAPE);
  }
  CurrentVehicleEditor->selection.saved = 1;
  Key(KEY_ESCAPE);
  Frame(2);

  OpenFigure();
  ExpectNoRowOverAnother("animation editor");
  int labels = 0;
  for (int i = 0; i < 32; ++i) {
    char text[8];
    std::snprintf(text, sizeof text, "#%d", i);
    labels += FindButton(text) != nullptr;
  }
  EXPECT_EQ(labels, 32) << "every bone keeps its label";
  Key(KEY_ESCAPE);
  Frame(2);
}

TEST_F(ScreenRowsWindow, NoRowOfTheModellersModesLiesOverAnother) {
  OpenModeller();
  for (const char key : {'S', 'T', 'P', 'B'}) {
    Key(key, true);
    Frame();
    ExpectNoRowOverAnother(std::string("modeller, mode ") + key);
  }
  // Triangle mode on 768 rows: the mapping rows stand between the layer panel and the object
  // panel.
  Key('T', true);
  Frame();
  EXPECT_NE(FindButton("mapping"), nullptr);
  // Point mode with every point selected: the long panel reaches the bottom rows, the object
  // panel stands beside the column.
  Key('P', true);
  Key('A');
  ExpectNoRowOverAnother("modeller, point mode, all points selected");
  // The cutouts screen with a cutout chosen: its page panel and the rows under it on the right,
  // the normal panel and the large one.
  Key('C', true);
  Click("body");
  ASSERT_NE(FindButton("pos 0, 0"), nullptr) << "the page panel's rows";
  ExpectNoRowOverAnother("cutouts screen");
  Click("L");
  ExpectNoRowOverAnother("cutouts screen, large page panel");
}

// The labels the screens make room for: the suspension page's alignment and offset choices,
// the engine page's cylinder counts, toggles and file buttons, the modeller's panel rows, its
// mapping chain and object panel, the edit views' "drag box not set" and the bone labels.
TEST_F(ScreenRowsWindow, TheScreensOwnLabelsFitTheirButtons) {
  OpenVehicle("Runabout");
  OpenTab(TAB_SUSPENSION);
  for (int step = 0; step < 40 && !FindButton("left forward"); ++step) {
    MouseRecord down{};
    down.wheel = -1;
    Mouse(down, 5 * ButtonWidth, 10 * ButtonHeight);
    Frame();
  }
  ExpectLabelsFit("suspension page", {"left forward", "aligned", "right forward"});
  ExpectLabelsFit("the edit views' block", {"drag box not set"});
  OpenVehicle("Sportbike");
  OpenTab(TAB_SUSPENSION);
  ExpectLabelsFit("suspension page of a bike", {"offset left", "central", "offset right"});
  OpenVehicle("Runabout");
  OpenTab(TAB_ALLOW);
  Click("edit engine");
  ASSERT_NE(OpenEnginePage, nullptr);
  ExpectLabelsFit("engine page", {"1", "2", "3", "4", "5", "6", "8", "10", "12", "Turbo", "Two-stroke", "load WAVES",
                                  "load ENG", "save ENG"});
  Key(KEY_ESCAPE);
  CurrentVehicleEditor->selection.saved = 1;
  Key(KEY_ESCAPE);
  Frame(2);

  OpenModeller();
  Key('S', true);
  ExpectLabelsFit("modeller, subobject mode", {"mono colours", "object type :", "main object selected", "LOAD", "SAVE"});
  Key('T', true);
  ExpectLabelsFit("modeller, triangle mode", {"hide selected", "unhide all", "hide unselected", "select box",
                                              "deselect box", "zero", "low", "medium", "high", "mapping",
                                              "[no skin specified]"});
  Key('P', true);
  ExpectLabelsFit("modeller, point mode", {"no points selected", "new point", "hide unselected"});
  Key(KEY_ESCAPE);
  Frame(2);

  OpenFigure();
  std::vector<std::string> bones;
  for (int i = 0; i < 32; ++i) bones.push_back("#" + std::to_string(i));
  ExpectLabelsFit("animation editor", bones);
}

}  // namespace
