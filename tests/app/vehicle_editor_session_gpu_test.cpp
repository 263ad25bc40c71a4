// vehicle_editor_session_gpu_test.cpp - the vehicle editor through a user's session
// (editor_window_harness.h), each test on the sample cars by mouse and keys: the engine page's
// turbo row and the "fuel" it switches on for itself; NEW starting with the car seen and its
// driver aboard; the rim shape rows under the rim editor; a car loaded for the other drive
// side shown as built; saving over a vehicle confirmed by one key typed at a person's pace;
// the masses with and without the driver on the Mass page, the Info page and in the garage's
// car.  Pictures: engine_page_turbo.png, vehicle_editor_rim_shape_rows.png.
#include <SDL2/SDL.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "editor_window_harness.h"
#include "frontend/mod_export.h"
#include "physics/car.h"
#include "rim/rim_screen.h"
#include "vehicle_data/engine_record.h"
#include "vehicle_data/vehicle_file.h"
#include "vehicle_editor/engine/engine_page.h"
#include "vehicle_editor/vehicle_undo.h"

namespace {

constexpr int TOGGLE_STYLE = 53;  // a flag's YES / NO beside its label

std::string Format(const char* format, double value) {
  char text[96];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

class EditorSession : public CarWindow {
 protected:
  // The editor opened from the entry page with a sample car loaded by "LOAD".
  static void OpenWith(const char* vehicle) {
    OpenVehicleEditorFromTheEntryPage();
    ASSERT_NE(CurrentVehicleEditor, nullptr);
    Click("LOAD");
    Answer(vehicle);
    ASSERT_NE(CurrentVehicleEditor->car, nullptr);
  }
  static VehicleEditor& Editor() { return *CurrentVehicleEditor; }
  static Car& TheCar() { return *CurrentVehicleEditor->car; }
  // The toggle shown right of its label, or null.
  static const InterfaceButton* ToggleOf(const char* label) {
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (b.style == TOGGLE_STYLE && b.text.text && std::strcmp(b.text.text, label) == 0) return &b;
    }
    return nullptr;
  }
  // What the toggle shows: "YES", "NO", or "" when it is not shown.
  static std::string ToggleShows(const char* label) {
    const InterfaceButton* b = ToggleOf(label);
    char shown[16] = "";
    if (b) ButtonText(*b, shown, sizeof shown);
    return shown;
  }
  static const InterfaceButton* Starting(const char* start) {
    char shown[BUTTON_TEXT_SIZE];
    for (int i = 0; i < ButtonCount; ++i)
      if (ButtonText(InterfaceButtons[i], shown, sizeof shown) && std::strncmp(shown, start, std::strlen(start)) == 0)
        return &InterfaceButtons[i];
    return nullptr;
  }
  // The page's row of that text, scrolled to from the page's top.
  static bool Shown(const std::string& text) { return ScrollPageTo(text.c_str(), true); }
  // A key as the keyboard sends it through the window: pressed, held, let go, and a pause
  // before the next, the frames running meanwhile.
  static void Stroke(SDL_Scancode scancode, SDL_Keycode symbol, const char* text, uint32_t holdMs, uint32_t pauseMs) {
    SDL_Event down{};
    down.type = SDL_KEYDOWN;
    down.key.state = SDL_PRESSED;
    down.key.keysym.scancode = scancode;
    down.key.keysym.sym = symbol;
    ASSERT_EQ(SDL_PushEvent(&down), 1);
    if (text) {
      SDL_Event typed{};
      typed.type = SDL_TEXTINPUT;
      std::strncpy(typed.text.text, text, sizeof typed.text.text - 1);
      ASSERT_EQ(SDL_PushEvent(&typed), 1);
    }
    Run(holdMs);
    SDL_Event up = down;
    up.type = SDL_KEYUP;
    up.key.state = SDL_RELEASED;
    ASSERT_EQ(SDL_PushEvent(&up), 1);
    Run(pauseMs);
  }
};

// The engine page of a turbo engine: the "Turbo AngVel" row shows the turbo's speed as the
// frame draws it (its text was formatted into a buffer gone by then).
TEST_F(EditorSession, TheEnginePagesTurboRowShowsTheTurbosSpeed) {
  OpenWith("Runabout");
  Click("Allow");  // a page beside which the side panel shows
  Click("edit engine");
  ASSERT_NE(OpenEnginePage, nullptr);
  EngineModel& engine = TheCar().engine;
  if (!(engine.flags & ENGINE_TURBO)) {
    const InterfaceButton* turbo = ToggleOf("Turbo");
    ASSERT_NE(turbo, nullptr);
    ClickAt((turbo->left + turbo->right) / 2, (turbo->top + turbo->bottom) / 2);
  }
  ASSERT_TRUE(engine.flags & ENGINE_TURBO);
  Run(200);  // the turbo spins up
  const InterfaceButton* row = Starting("Turbo AngVel ");
  ASSERT_NE(row, nullptr) << "the row shows its label";
  char shown[BUTTON_TEXT_SIZE];
  ButtonText(*row, shown, sizeof shown);
  EXPECT_EQ(std::string(shown), Format("Turbo AngVel %f", double(engine.turboSpeed)));
  const Picture page = Shot("engine_page_turbo");
  int inked = 0;
  for (int y = row->top + 2; y < row->bottom - 2; ++y)
    for (int x = row->left + 2; x < row->right - 2; ++x) {
      const uint8_t* p = page.At(x, y);
      inked += p[0] + p[1] + p[2] < 150;  // dark text on the grey face
    }
  EXPECT_GT(inked, 30) << "the row's text is drawn";
}

// On the Wheel Object page (whose edits go into the history) a spinner's "+" steps its value
// and names the edit after its row: the step buttons' text field holds the row's lower limit,
// which was once read as the edit's name.
TEST_F(EditorSession, AWheelPageSpinnersStepIsRecordedUnderItsRowsName) {
  OpenWith("Runabout");
  Click("Wheel Object");
  uint8_t& width = TheCar().wheelSets[1].rimEdgeExtraWidthMm;
  const uint8_t before = width;
  ASSERT_LT(before, 10);
  const std::string row = Format("Rim edge extra width %.0f mm", before);
  ASSERT_TRUE(ScrollPageTo(row.c_str()));
  const InterfaceButton* edge = FindButton(row.c_str());
  ASSERT_NE(edge, nullptr);
  const InterfaceButton* plus = nullptr;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].top == edge->top && InterfaceButtons[i].left > edge->left) plus = &InterfaceButtons[i];
  ASSERT_NE(plus, nullptr);
  ClickAt((plus->left + plus->right) / 2, (plus->top + plus->bottom) / 2);
  EXPECT_EQ(width, before + 1);
  EXPECT_STREQ(VehicleUndo::Slots[VehicleUndo::NumNodes].name, "set rim edge extra width mm");
}

// The engine page switches "fuel" on for its running engine and, once closed, back off; a
// "fuel" that was on stays on.
TEST_F(EditorSession, TheEnginePageSwitchesFuelBackWhenItCloses) {
  OpenWith("Runabout");
  Frame();
  ASSERT_EQ(ToggleShows("fuel"), "NO") << "the editor opens with \"fuel\" off";
  Click("Allow");
  Click("edit engine");
  ASSERT_NE(OpenEnginePage, nullptr);
  EXPECT_TRUE(Editor().displayFlags & SHOW_FUEL) << "on while the engine runs on the page";
  Run(100);
  EXPECT_GT(TheCar().fuelAmount, 0.0f);
  Key(KEY_ESCAPE);
  Frame();
  ASSERT_EQ(OpenEnginePage, nullptr);
  EXPECT_FALSE(Editor().displayFlags & SHOW_FUEL) << "switched back when the page closed";
  EXPECT_EQ(ToggleShows("fuel"), "NO");
  EXPECT_EQ(TheCar().fuelAmount, 0.0f);

  Key('I');
  ASSERT_EQ(ToggleShows("fuel"), "YES");
  Click("edit engine");
  ASSERT_NE(OpenEnginePage, nullptr);
  Key(KEY_ESCAPE);
  Frame();
  EXPECT_EQ(ToggleShows("fuel"), "YES") << "a \"fuel\" the user had on stays on";
}

// NEW turns special draw off and "driver" on before it asks for the layout: the list cancelled
// leaves the display row so, and a vehicle made carries its driver.
TEST_F(EditorSession, NewTurnsSpecialDrawOffAndTheDriverOnFirst) {
  OpenWith("Runabout");
  Key('S');
  ASSERT_EQ(SpecialDraw, 1);
  ASSERT_EQ(ToggleShows("driver"), "NO");
  const InterfaceButton* special = FindButton("special draw");
  ASSERT_NE(special, nullptr);
  EXPECT_EQ(special->fourth.i, 1) << "lit while on";

  KeyWith(KEY_CTRL, 'N');
  ASSERT_TRUE(SelectDialog.prss.alive);
  EXPECT_STREQ(SelectDialog.title, "Select vehicle layout");
  Key(KEY_ESCAPE);
  Frame();
  EXPECT_EQ(SpecialDraw, 0);
  EXPECT_EQ(ToggleShows("driver"), "YES");
  special = FindButton("special draw");
  ASSERT_NE(special, nullptr);
  EXPECT_EQ(special->fourth.i, 0) << "unlit";

  // The same by Ctrl+N, and a car made: it carries its driver.
  Key('S');
  Key('D');
  ASSERT_EQ(ToggleShows("driver"), "NO");
  KeyWith(KEY_CTRL, 'N');
  ASSERT_TRUE(SelectDialog.prss.alive);
  SelectItemClick(&SelectDialog.prss, CLICK_LEFT, 0);  // "Car (4 Wheels)"
  Frame(2);
  Key(KEY_ENTER);  // the wizard's page closes, the car built
  Frame();
  EXPECT_EQ(SpecialDraw, 0);
  EXPECT_EQ(ToggleShows("driver"), "YES");
  EXPECT_EQ(TheCar().driverSlot, 0) << "the new car carries its driver";
}

// While the rim editor runs, the rows at the foot of the screen are the rim shape controls
// (clear of the rim editor's graph and panel); a step there changes the front rim's shape and
// the rear rim takes it.  Closed, the editor's own rows come back.
TEST_F(EditorSession, WhileTheRimEditorRunsTheBottomRowsAreTheRimShapeControls) {
  OpenWith("Runabout");
  Click("Wheel Object");
  ASSERT_TRUE(ScrollPageTo("edit rim"));
  Click("edit rim");
  ASSERT_NE(RimEditorCar, nullptr);
  Shot("vehicle_editor_rim_shape_rows");
  EXPECT_EQ(Editor().panelMode, PANEL_RIM_SHAPE);
  const RimScreen& rim = *reinterpret_cast<RimScreen*>(Editor().prss.sub);
  const InterfaceButton* shade = Starting("Rim shade ");
  const InterfaceButton* edge = Starting("Rim edge extra width ");
  ASSERT_NE(shade, nullptr) << "the rim shape rows";
  ASSERT_NE(edge, nullptr);
  EXPECT_NE(Starting("Rim inner depth "), nullptr);
  EXPECT_GE(edge->top, rim.areaTop + rim.areaHeight) << "below the rim editor's area";
  EXPECT_LE(shade->bottom, HEIGHT);
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (b.owner == &rim.prss) {
      EXPECT_LE(b.bottom, edge->top) << "the rim editor's buttons stand above the rows";
    }
  }

  SuspensionBlock& front = TheCar().wheelSets[1];
  const uint8_t before = front.rimShadeTenths;
  ASSERT_LT(before, 10);
  // The row's "+" is the last button on its row.
  const InterfaceButton* plus = nullptr;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].top == shade->top && InterfaceButtons[i].left > shade->left) plus = &InterfaceButtons[i];
  ASSERT_NE(plus, nullptr);
  ClickAt((plus->left + plus->right) / 2, (plus->top + plus->bottom) / 2);
  EXPECT_EQ(front.rimShadeTenths, before + 1);
  EXPECT_EQ(TheCar().wheelSets[0].rimShadeTenths, before + 1) << "the rear rim takes the front's shape";

  Key(KEY_ESCAPE);
  Frame();
  EXPECT_EQ(RimEditorCar, nullptr);
  EXPECT_EQ(Editor().panelMode, PANEL_NORMAL);
  EXPECT_NE(FindButton("Animate"), nullptr) << "the editor's own bottom rows";
}

// A car built for the left side, loaded while the program drives on the right: the program
// takes the car's side and the car is shown as built, so the Object Positions page offers its
// positions and the drive-side row lights the side the car is built for.  Trying the other
// side mirrors it; the page's button restores it.
TEST_F(EditorSession, AfterTheFirstLoadTheCarIsShownAsBuiltAndItsPositionsCanBeAdjusted) {
  DriveSideLeft = 0;  // a player who drives on the right
  OpenWith("Runabout");
  ASSERT_LT(TheCar().driverPosition.x, -0.2f) << "a left-hand drive sample";
  ASSERT_FALSE(TheCar().options & OPT1_DRIVE_SIDE_LOCKED);
  Click("Object Positions");
  EXPECT_EQ(TheCar().mirrored, 0);
  EXPECT_EQ(DriveSideLeft, 1) << "the program takes the car's side";
  EXPECT_NE(FindButton("Engine mounting"), nullptr) << "the positions can be adjusted";
  EXPECT_EQ(FindButton("allow object positions to be adjusted"), nullptr);
  const auto sideLit = [](uintptr_t word) {
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (b.style == BUTTON_STYLE_SYMBOL && b.handler == VehicleEditor::SetDriveSide && b.word == word)
        return b.fourth.i != 0;
    }
    ADD_FAILURE() << "no side button " << word;
    return false;
  };
  EXPECT_TRUE(sideLit(1)) << "left lit";
  EXPECT_FALSE(sideLit(0));

  // The right side tried: the car mirrored, the page offers only the way back.
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (b.style == BUTTON_STYLE_SYMBOL && b.handler == VehicleEditor::SetDriveSide && b.word == 0) {
      ClickAt((b.left + b.right) / 2, (b.top + b.bottom) / 2);
      break;
    }
  }
  EXPECT_EQ(TheCar().mirrored, 1);
  EXPECT_EQ(FindButton("Engine mounting"), nullptr);
  EXPECT_TRUE(sideLit(0));
  Click("allow object positions to be adjusted");
  EXPECT_EQ(TheCar().mirrored, 0);
  EXPECT_TRUE(sideLit(1));
  EXPECT_NE(FindButton("Engine mounting"), nullptr);
}

// Saving over an existing vehicle: the entry asks "Overwrite existing file?" and one Enter,
// or "Y", typed at a person's pace confirms it and the vehicle is saved; any other key takes
// the question back and saves nothing.
TEST_F(EditorSession, SavingOverAnExistingVehicleIsConfirmedByOneEnterOrY) {
  OpenWith("Runabout");
  // SAVE, and Enter on the name shown (the car's own file): the question.
  const auto askOverwrite = [](uint32_t hold, uint32_t pause) {
    Editor().selection.saved = 0;
    Click("SAVE");
    ASSERT_TRUE(OpenTextEntry.open);
    Stroke(SDL_SCANCODE_RETURN, SDLK_RETURN, nullptr, hold, pause);
    ASSERT_TRUE(TextEntryDialogSub.prss.alive);
    ASSERT_EQ(TextEntryDialogSub.state, ENTRY_ASK_OVERWRITE);
  };
  struct Pace {
    uint32_t hold, pause;
  };
  for (const Pace pace : {Pace{20, 20}, Pace{40, 100}, Pace{60, 240}, Pace{100, 500}}) {
    SCOPED_TRACE(testing::Message() << "held " << pace.hold << " ms, " << pace.pause << " ms apart");
    askOverwrite(pace.hold, pace.pause);
    Stroke(SDL_SCANCODE_RETURN, SDLK_RETURN, nullptr, pace.hold, pace.pause);
    EXPECT_FALSE(TextEntryDialogSub.prss.alive) << "one Enter confirms";
    EXPECT_EQ(Editor().selection.saved, 1) << "and the vehicle is saved";
    while (TextEntryDialogSub.prss.alive) Key(KEY_ESCAPE);
  }
  askOverwrite(40, 100);
  Stroke(SDL_SCANCODE_Y, SDLK_y, "y", 40, 100);
  EXPECT_FALSE(TextEntryDialogSub.prss.alive) << "\"Y\" confirms";
  EXPECT_EQ(Editor().selection.saved, 1);

  askOverwrite(40, 100);
  Stroke(SDL_SCANCODE_N, SDLK_n, "n", 40, 100);
  EXPECT_TRUE(TextEntryDialogSub.prss.alive) << "another key takes the question back";
  EXPECT_EQ(TextEntryDialogSub.state, ENTRY_EDITING);
  EXPECT_EQ(Editor().selection.saved, 0) << "nothing saved";
  Stroke(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, nullptr, 40, 100);
  EXPECT_FALSE(TextEntryDialogSub.prss.alive);
}

// The check and the export read one car, the one in the editor: a Skin ID typed and not saved
// is the one the check looks for skins by and the one the exported pages are renamed by; the
// vehicle's file and its saved state stay as they were.
TEST_F(EditorSession, ATypedSkinIdIsCheckedAndExportedWithoutASave) {
  const auto bytes = [](const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const auto said = [](const char* text) {
    for (const MessageLine& line : MessageLines)
      if (std::strstr(line.text, text)) return true;
    return false;
  };
  OpenWith("Runabout");
  const std::string savedFile = bytes("data/veh/Runabout.veh");
  Click("ZK1");
  Answer("A1B2C3");
  while (MessageBoxDialog.prss.alive) Key(KEY_ESCAPE);  // no default skin of that ID
  ASSERT_STREQ(TheCar().shortName, "A1B2C3");
  ASSERT_EQ(Editor().selection.saved, 0);
  Click("CHECK if vehicle is valid for mod export");
  EXPECT_TRUE(said("Default skin not found : A1B2C3_blue"));
  Click("export to SHARE vehicle for development");
  for (int frame = 0; frame < 500 && ModExportRunning(); ++frame) Frame();
  ASSERT_EQ(ModExportResult, MOD_EXPORT_DONE);
  const std::filesystem::path mod = "share/mods/vehicles/Runabout~001";
  EXPECT_TRUE(std::filesystem::exists(mod / "dds/A1B2C3~sample_page.dds"));
  EXPECT_FALSE(std::filesystem::exists(mod / "dds/ZK1~sample_page.dds"));
  EXPECT_EQ(bytes("data/veh/Runabout.veh"), savedFile);
  EXPECT_EQ(Editor().selection.saved, 0);
}

// The masses: with "driver" off the Mass page counts no one; switched on, the car carries its
// driver and every figure follows - the same total as the car loaded with its driver (as the
// garage loads it) on the Mass page and the Info page, the people's mass apart on
// "Mass (excluding driver)".  (The information panel shows while no tab page is open.)
TEST_F(EditorSession, TheMassAndInfoPagesCountTheDriverWhileDriverIsOn) {
  OpenWith("Runabout");
  Car withDriver, without;
  const VehicleLoadArgs args = {DriveSideLeft, 0, 0, nullptr, 0, nullptr, 1, {0, 0}, 1, nullptr, 0};
  VehicleLoadArgs noDriver = args;
  noDriver.driverSlot = -1;
  ASSERT_TRUE(withDriver.LoadVehicle("Runabout", args));
  ASSERT_TRUE(without.LoadVehicle("Runabout", noDriver));
  const double people = double(withDriver.mass) - double(without.mass);
  ASSERT_GT(people, 60.0) << "the sample seats at least its driver";

  Click("Mass");
  ASSERT_EQ(ToggleShows("driver"), "NO");
  EXPECT_TRUE(Shown(Format("Humans %.0fkg", 0.0)));
  EXPECT_TRUE(Shown(Format("Total mass %.0fkg", without.mass)));

  Key('D');
  Frame();
  ASSERT_EQ(ToggleShows("driver"), "YES");
  EXPECT_TRUE(Shown(Format("Humans %.0fkg", people))) << "the driver counted";
  EXPECT_TRUE(Shown(Format("Total mass %.0fkg", withDriver.mass))) << "as the garage's car";
  EXPECT_TRUE(Shown(Format("Mass (excluding driver) %.0fkg", without.mass)));
  Click("Mass");  // the tab closed: the information panel takes the column
  char info[64];
  std::snprintf(info, sizeof info, "Total mass : %.0f kg (%.0f lbs)", double(withDriver.mass),
                double(withDriver.mass) * 2.20461988);
  bool infoShown = false;
  char text[BUTTON_TEXT_SIZE];
  for (int i = 0; i < ValueControlCount; ++i)
    infoShown |= ValueControlText(ValueControls[i], text, sizeof text) && std::strcmp(text, info) == 0;
  EXPECT_TRUE(infoShown) << "the Info page: " << info;

  Click("Mass");
  Key('D');
  Frame();
  EXPECT_TRUE(Shown(Format("Humans %.0fkg", 0.0))) << "off again";
  EXPECT_TRUE(Shown(Format("Total mass %.0fkg", without.mass)));
}

}  // namespace
