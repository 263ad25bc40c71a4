// pages_fixture.h - the vehicle editor with a sample vehicle (EditorTest) on a 1024 x 768
// interface, its panels built as on a drawn frame, and the frame's controls written as text
// for snapshots: tests/vehicle_editor/snapshots/<case>.txt, written afresh when
// ZKT_UPDATE_SNAPSHOTS is set (review the change before committing it).
#pragma once
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/window_state.h"
#include "editor_fixture.h"
#include "modeller/editor/edit_views.h"
#include "tests/ui/control_clicks.h"
#include "ui/interface.h"
#include "ui/interface_draw.h"
#include "ui/value_edit.h"
#include "vehicle_editor/tab_pages.h"
#include "vehicle_editor/vehicle_editor.h"

class PagesTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    namespace fs = std::filesystem;
    const fs::path work = std::getenv("ZKT_WORK_DIR");
    for (const auto& entry : fs::directory_iterator(work / "data/veh"))
      fs::copy_file(entry.path(), fs::path("data/veh") / entry.path().filename(), fs::copy_options::skip_existing);
    ScreenWidth = 1024;
    ScreenHeight = 768;
    SetInterfaceMetrics();
    PointButtonTopLimit = 0;
  }
  void TearDown() override {
    ClearInterface();
    EditorTest::TearDown();
  }
  // A screen as wide but tall enough for the longest page in one column, for the tests of a
  // page's contents (on 768 rows the longer pages go on past their room and scroll).
  void UseTallScreen() { ScreenHeight = 2048; }
  void Load(const char* name) {
    ASSERT_EQ(VehicleEditor::LoadVehicleState(*e, name, -1), 1) << name;
    Reports() = Caught{};
  }
  // The panels of one drawn frame.
  void Build() {
    ClearInterface();
    VehicleEditor::BuildPanels(*e);
  }
  void Open(int tab) {
    e->selection.openTab = tab;
    Build();
  }
  const InterfaceButton* Find(const char* text) { return FindShownButton(text); }
  // The first button of the frame showing the text.
  const InterfaceButton* FindFirst(const char* text) {
    char shown[128];
    for (int i = 0; i < ButtonCount; ++i)
      if (ButtonText(InterfaceButtons[i], shown, sizeof shown) && std::strcmp(shown, text) == 0) return &InterfaceButtons[i];
    return nullptr;
  }
  bool Shown(const char* text) { return Find(text) != nullptr; }
  bool StartsShown(const char* start) {
    char shown[128];
    for (int i = 0; i < ButtonCount; ++i)
      if (ButtonText(InterfaceButtons[i], shown, sizeof shown) && std::string(shown).rfind(start, 0) == 0) return true;
    return false;
  }
  // The button showing text whose label (for value and toggle styles) starts with start.
  const InterfaceButton* FindLabelled(const char* start, ButtonStyle style) {
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      const char* label =
          style >= BUTTON_STYLE_FLOAT && style <= BUTTON_STYLE_FLOAT_THOUSANDTHS ? b.fourth.text : b.text.text;
      if (b.style == style && label && std::string(label).rfind(start, 0) == 0) return &b;
    }
    return nullptr;
  }
  // Rows from the top (0..) or, in the lower half, from the bottom edge (-1 the bottom row).
  static int RowOf(int top) {
    return top < ScreenHeight / 2 ? top / ButtonHeight : -((ScreenHeight - top + ButtonHeight - 1) / ButtonHeight);
  }

  static const char* HandlerName(InterfaceHandler h) {
    struct Named {
      InterfaceHandler handler;
      const char* name;
    };
    static const Named NAMES[] = {
        {VehicleEditor::SelectTab, "SelectTab"},           {VehicleEditor::FileAction, "FileAction"},
        {VehicleEditor::SelectSetup, "SelectSetup"},       {VehicleEditor::SetupAction, "SetupAction"},
        {VehicleEditor::SelectColourConfig, "SelectColourConfig"},
        {VehicleEditor::ColourConfigAction, "ColourConfigAction"},
        {VehicleEditor::ShowEditPoints, "ShowEditPoints"}, {VehicleEditor::UndoRedo, "UndoRedo"},
        {VehicleEditor::SelectClass, "SelectClass"},       {VehicleEditor::ChooseAction, "ChooseAction"},
        {VehicleEditor::StepGearCount, "StepGearCount"},   {VehicleEditor::AxlePositionChanged, "AxlePositionChanged"},
        {VehicleEditor::SetAlignment, "SetAlignment"},     {VehicleEditor::SetWheelOffset, "SetWheelOffset"},
    };
    if (!h) return "-";
    for (const Named& n : NAMES)
      if (n.handler == h) return n.name;
    return "other";
  }
  // One line per button: text (or label), place and width in units, rows, word, handler,
  // selected, edit domain (the action-hint group) and hint.
  static std::string Dump() {
    std::ostringstream out;
    char text[160], line[512];
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (!ButtonText(b, text, sizeof text)) text[0] = 0;
      // Controls bound to a variable carry its address as their word: it differs run by run.
      const bool bound = (b.style >= BUTTON_STYLE_FLOAT && b.style <= BUTTON_STYLE_FLOAT_THOUSANDTHS) ||
                         b.style == BUTTON_STYLE_FLAG32 || b.style == BUTTON_STYLE_FLAG8 ||
                         b.style == BUTTON_STYLE_FLOAT_PLUS || b.style == BUTTON_STYLE_FLOAT_MINUS ||
                         b.word > 0xFFFFFFFFu;
      const char* label =
          b.style >= BUTTON_STYLE_FLOAT && b.style <= BUTTON_STYLE_FLOAT_THOUSANDTHS ? b.fourth.text : nullptr;
      std::snprintf(line, sizeof line,
                    "%-40s x%5.2f w%5.2f row %3d style %2d word %-4s %-20s sel %d dom %d hint \"%s\"\n",
                    label ? label : text, double(b.left) / ButtonWidth, double(b.right - b.left) / ButtonWidth,
                    RowOf(b.top), b.style, bound ? "var" : std::to_string(b.word).c_str(), HandlerName(b.handler),
                    b.style == BUTTON_STYLE_TEXT || b.style == BUTTON_STYLE_LABEL || b.style == BUTTON_STYLE_SYMBOL ||
                            b.style == BUTTON_STYLE_FLAG32 || b.style == BUTTON_STYLE_FLAG8
                        ? int(b.fourth.i)
                        : 0,
                    b.editDomain, b.hint ? b.hint : "");
      out << line;
    }
    // The value controls: display type, place and width in units, rows, what they are bound to.
    for (int i = 0; i < ValueControlCount; ++i) {
      const ValueControl& c = ValueControls[i];
      const double left = (double(c.left) + 1.0) * 0.5 * ScreenWidth, right = (double(c.right) + 1.0) * 0.5 * ScreenWidth;
      const int top = int(std::lround((double(c.top) + 1.0) * 0.5 * ScreenHeight));
      const char* bound = c.variable == &EditViews ? "view" : c.variable ? "var" : "-";
      std::snprintf(line, sizeof line, "value type %2d x%5.2f w%5.2f row %3d bound %-4s owner %s dom %d\n", c.displayType,
                    left / ButtonWidth, (right - left) / ButtonWidth, RowOf(top), bound, c.owner ? "editor" : "-",
                    c.editDomain);
      out << line;
    }
    return out.str();
  }
  // Compares the frame's controls with the named snapshot.
  static void ExpectSnapshot(const char* name) {
    namespace fs = std::filesystem;
    const fs::path file = fs::path(std::getenv("ZKT_SOURCE_DIR")) / "tests/vehicle_editor/snapshots" / (std::string(name) + ".txt");
    const std::string now = Dump();
    if (std::getenv("ZKT_UPDATE_SNAPSHOTS")) {
      fs::create_directories(file.parent_path());
      std::ofstream(file, std::ios::binary) << now;
      return;
    }
    std::ifstream in(file, std::ios::binary);
    ASSERT_TRUE(in.good()) << "no snapshot " << file << " (ZKT_UPDATE_SNAPSHOTS=1 writes it)";
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(now, expected.str()) << "snapshot " << name;
  }
};
