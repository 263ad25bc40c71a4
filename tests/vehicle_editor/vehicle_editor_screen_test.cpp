// vehicle_editor_screen_test.cpp - the vehicle editor's screen on the sample vehicle: the
// seats and the drive side after a change of the driver, the driver option, the modeller on
// the car's model and spoke and the engine, rim and dashboard pages as one undoable step each
// (none, and the history as it was, when closed unchanged), the pages the front end opens over the editor, the
// quit request, the closing and the shared sorting tree.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "core/sort_tree.h"
#include "core/window_state.h"
#include "core/window_state.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "render/views.h"
#include "tests/ui/control_clicks.h"
#include "tests/ui/mouse_records.h"
#include "tests/vehicle_editor/history_fixture.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/value_edit.h"
#include "ui/value_steps.h"
#include "vehicle_data/rim_profile.h"
#include "vehicle_editor/file_actions.h"
#include "vehicle_editor/settings_actions.h"

namespace {

using namespace VehicleUndo;
using vehicle_editor_test::History;

// A page of the front end standing in for the options and the garage: it lives until closed.
struct FakePage {
  Prss prss;
};
Prss* FakePageAct(Prss* p) { return p->alive ? p : nullptr; }
FakePage g_page;
int g_opened, g_exports, g_choices, g_sideCalls, g_sideLeft, g_coverMade;
const char* g_coverName;

Prss* OpenFakePage(Prss* parent) {
  ++g_opened;
  g_page = FakePage{};
  Prss_Init(&g_page.prss, parent, FakePageAct, nullptr, nullptr, nullptr, nullptr);
  return &g_page.prss;
}

class Screen : public History {
 protected:
  void SetUp() override {
    History::SetUp();
    g_opened = g_exports = g_choices = g_sideCalls = g_sideLeft = g_coverMade = 0;
    VehicleEditorShellHooks& s = EditorShellHooks;
    s.openOptions = OpenFakePage;
    s.openCoverGarage = [](Prss* parent, const char* name) {
      g_coverName = name;
      return OpenFakePage(parent);
    };
    s.takeCover = [] { return g_coverMade; };
    s.startExport = [] { ++g_exports; };
    s.fillCarChoice = [](const Car&) { ++g_choices; };
    s.driveSideChanged = [](int left) {
      ++g_sideCalls;
      g_sideLeft = left;
    };
  }
  void TearDown() override {
    History::TearDown();
    EditorShellHooks = VehicleEditorShellHooks{};
    ResetDialogs();
  }
  Prss* Act() { return e->prss.act(&e->prss); }
  // The sample car loaded afresh with its driver at x (m) and the drive side unlocked.
  Car* CarWithDriverAt(float x) {
    Car* car = new Car;
    const VehicleLoadArgs args = {0, 0, 0, nullptr, 0, nullptr, 1, {0, 0}, 1, nullptr, 0};
    EXPECT_EQ(car->LoadVehicle("Runabout", args), 1);
    car->options &= ~OPT1_DRIVE_SIDE_LOCKED;
    car->driverPosition.x = x;
    return car;
  }
};

TEST_F(Screen, TheBackSeatsFollowTheDriverOnlyWhenTheVehicleHasThem) {
  Load();
  Car& car = *e->car;
  car.options |= OPT1_BACK_SEAT;
  struct Case {
    float driver, offset;
    uint8_t code;
  };
  for (const Case& c : {Case{0.19f, 0.19f, 1}, Case{0.2f, 0.2f, 2}, Case{-0.35f, 0.35f, 3}, Case{-0.1f, -0.1f, 1}}) {
    car.driverPosition.x = c.driver;
    VehicleEditor::SeatOptionChanged(*e);
    EXPECT_FLOAT_EQ(car.backSeatLateral, c.offset) << c.driver;
    EXPECT_EQ(car.seatsPerRow, c.code) << c.driver;
  }
  // A moved driver seats them again too.
  car.driverPosition.x = 0.25f;
  VehicleEditor::DriverPositionChanged(*e);
  EXPECT_FLOAT_EQ(car.backSeatLateral, 0.25f);
  EXPECT_EQ(car.seatsPerRow, 2);
  car.options &= ~OPT1_BACK_SEAT;
  car.backSeatLateral = 0.77f;
  car.seatsPerRow = 2;
  car.driverPosition.x = 0.4f;
  VehicleEditor::SeatOptionChanged(*e);
  EXPECT_FLOAT_EQ(car.backSeatLateral, 0.77f) << "no back seat keeps its offset";
  EXPECT_EQ(car.seatsPerRow, 2);
}

// The set-up's symmetric switch (flags bit 0): a value change gives each axle's right side the
// left side's camber and tyre pressure, and the car is set up with them; off, the sides stay.
TEST_F(Screen, WithTheSymmetricSwitchOnAValueChangeCopiesTheLeftSideToTheRight) {
  Load();
  SetupRecord& s = e->car->currentSetup;
  // Pressures a little either side of the sample's own, within its range.
  const int kpa[2] = {SetupShort(s, SETUP_AXLE[0] + AXLE_PRESSURE_LEFT), SetupShort(s, SETUP_AXLE[1] + AXLE_PRESSURE_LEFT)};
  const auto uneven = [&] {
    for (int a = 0; a < 2; ++a) {
      const int axle = SETUP_AXLE[a];
      s.bytes[axle + AXLE_CAMBER_LEFT] = 40;
      s.bytes[axle + AXLE_CAMBER_RIGHT] = 50;
      SetSetupShort(s, axle + AXLE_PRESSURE_LEFT, uint16_t(kpa[a] + 4));
      SetSetupShort(s, axle + AXLE_PRESSURE_RIGHT, uint16_t(kpa[a] - 4));
    }
  };
  uneven();
  s.bytes[SETUP_FLAGS] |= SETUP_FLAG_SYMMETRIC;
  const uint32_t setups = e->carSetups;
  VehicleEditor::VehicleValueChanged(*e);
  EXPECT_EQ(e->carSetups, setups + 1);
  for (int a = 0; a < 2; ++a) {
    const int axle = SETUP_AXLE[a];
    EXPECT_EQ(s.bytes[axle + AXLE_CAMBER_RIGHT], 40) << axle;
    EXPECT_EQ(SetupShort(s, axle + AXLE_PRESSURE_RIGHT), kpa[a] + 4) << axle;
    EXPECT_EQ(s.bytes[axle + AXLE_CAMBER_LEFT], 40) << "the left side stays";
  }
  const CarWheel* right = nullptr;
  for (int w = 0; w < e->car->wheelCount; ++w)
    if (e->car->wheels[w].side > 0 && e->car->wheels[w].wheelSet == 1) right = &e->car->wheels[w];
  ASSERT_NE(right, nullptr);
  EXPECT_FLOAT_EQ(right->coldPressure, float(kpa[1] + 4) * 1000.0f) << "the car took the copied pressure";
  uneven();
  s.bytes[SETUP_FLAGS] &= uint8_t(~SETUP_FLAG_SYMMETRIC);
  s.bytes[SETUP_FLAGS] |= 0x80;  // a set-up still
  VehicleEditor::VehicleValueChanged(*e);
  EXPECT_EQ(s.bytes[SETUP_AXLE[0] + AXLE_CAMBER_RIGHT], 50) << "switched off: the sides stay apart";
  EXPECT_EQ(SetupShort(s, SETUP_AXLE[1] + AXLE_PRESSURE_RIGHT), kpa[1] - 4);
}

TEST_F(Screen, AnInstalledCarWithItsDriverOffCentreTellsItsSideAndIsNotChanged) {
  DriveSideLeft = 0;
  VehicleEditor::InstallCar(*e, CarWithDriverAt(-0.1f), "Runabout");
  EXPECT_EQ(DriveSideLeft, 0) << "0.1 m off centre is central";
  EXPECT_EQ(g_sideCalls, 0);
  Car* locked = CarWithDriverAt(-0.3f);
  locked->options |= OPT1_DRIVE_SIDE_LOCKED;
  VehicleEditor::InstallCar(*e, locked, "Runabout");
  EXPECT_EQ(g_sideCalls, 0) << "a locked side is the vehicle's own";
  Car* left = CarWithDriverAt(-0.2f);
  const uint8_t mirrored = left->mirrored;
  VehicleEditor::InstallCar(*e, left, "Runabout");
  EXPECT_EQ(DriveSideLeft, 1);
  EXPECT_EQ(g_sideCalls, 1);
  EXPECT_EQ(g_sideLeft, 1);
  EXPECT_FLOAT_EQ(e->car->driverPosition.x, -0.2f) << "the car itself stays as it is";
  EXPECT_EQ(e->car->mirrored, mirrored);
  VehicleEditor::InstallCar(*e, CarWithDriverAt(-0.5f), "Runabout");
  EXPECT_EQ(g_sideCalls, 1) << "the same side is not told again";
  VehicleEditor::InstallCar(*e, CarWithDriverAt(0.2f), "Runabout");
  EXPECT_EQ(DriveSideLeft, 0);
  EXPECT_EQ(g_sideLeft, 0);
}

TEST_F(Screen, TheDriverOptionAndTheFuelApplyOnTheNextFrame) {
  Load();
  EXPECT_EQ(e->car->driverSlot, -1) << "\"driver\" is off when the editor opens";
  VehicleEditor::Key(&e->prss, 'D');
  Act();
  EXPECT_EQ(e->car->driverSlot, 0);
  VehicleEditor::Key(&e->prss, 'D');
  Act();
  EXPECT_EQ(e->car->driverSlot, -1);
  e->car->fuelCapacity = 40.0f;
  Act();
  EXPECT_FLOAT_EQ(e->car->fuelAmount, 0.0f) << "\"fuel\" is off";
  VehicleEditor::Key(&e->prss, 'I');
  e->fuelPercent = 150.0f;
  Act();
  EXPECT_FLOAT_EQ(e->car->fuelAmount, 40.0f) << "at most a full tank";
  e->toggleFuelRequest = 1;
  FrameSkipped = 0;
  Act();
  FrameSkipped = 1;
  EXPECT_EQ(e->displayFlags & SHOW_FUEL, 0u);
}

// Special draw's options while the car is drawn: every frame tube with "frame"; with
// "masses", a spare wheel the vehicle carries is drawn where its mass box stands, hidden or
// not; nothing without special draw or without a spare wheel.
TEST_F(Screen, SpecialDrawShowsAllTubesWithTheFrameAndACarriedSpareWheelWithTheMasses) {
  Load();
  Car& car = *e->car;
  car.options = (car.options | OPT1_SPARE_WHEEL_MASS) & ~OPT1_SPARE_WHEEL_VISIBLE;
  e->displayFlags |= SHOW_MASSES | SHOW_FRAME;
  SpecialDraw = 0;
  EXPECT_EQ(VehicleEditor::SpecialDrawCarOptions(*e), 0u);
  SpecialDraw = 1;
  EXPECT_EQ(VehicleEditor::SpecialDrawCarOptions(*e), 0x20000u | OPT1_SPARE_WHEEL_VISIBLE);
  e->displayFlags &= ~SHOW_FRAME;
  EXPECT_EQ(VehicleEditor::SpecialDrawCarOptions(*e), OPT1_SPARE_WHEEL_VISIBLE);
  e->displayFlags &= ~SHOW_MASSES;
  EXPECT_EQ(VehicleEditor::SpecialDrawCarOptions(*e), 0u);
  e->displayFlags |= SHOW_MASSES;
  car.options &= ~OPT1_SPARE_WHEEL_MASS;
  EXPECT_EQ(VehicleEditor::SpecialDrawCarOptions(*e), 0u) << "no spare wheel";
  SpecialDraw = 0;
}

TEST_F(Screen, TheDeferredRebuildFlagsTheModelAfterItsCountOfFrames) {
  Load();
  e->rebuildModelCountdown = 2;
  e->releaseMeshesCountdown = 1;
  e->car->modelRebuild = 0;
  Act();
  EXPECT_EQ(e->releaseMeshesCountdown, 0);
  EXPECT_EQ(e->car->modelRebuild, 0u);
  Act();
  EXPECT_EQ(e->rebuildModelCountdown, 0);
  EXPECT_EQ(e->car->modelRebuild, 1u) << "flagged under the car lock";
}

// While the suspension diagram stands in place of the car view, the car as drawn still follows
// the car: the wheel lines and marks placed through it stand where the car now is.
TEST_F(Screen, ADiagramFrameKeepsTheCarsDrawnPlaceWithTheCar) {
  Load();
  Car& car = *e->car;
  car.drawTransform = FixedTransform{};
  car.position = IntVector{3 * 65536, -2 * 65536, 65536};  // 3 m right, 2 m back, 1 m up
  e->diagramFlags = 1;
  FrameSkipped = 0;
  Act();
  FrameSkipped = 1;
  e->diagramFlags = 0;
  EXPECT_EQ(car.drawTransform.translation.x, 3 * 65536);
  EXPECT_EQ(car.drawTransform.translation.y, -2 * 65536);
  EXPECT_EQ(car.drawTransform.translation.z, 65536);
}

TEST_F(Screen, TheModellerOnTheCarsModelIsOneUndoableStep) {
  Load();
  VehicleEditor::Key(&e->prss, 'E');
  ASSERT_NE(ActiveObjectEditor, nullptr);
  EXPECT_EQ(e->subEditor, SUB_MODELLER);
  EXPECT_EQ(e->car->modelInEditor, 1);
  EXPECT_EQ(NumNodes, 2);
  EXPECT_STREQ(Slots[2].name, "edit model");
  VehicleEditor::Key(&e->prss, 'E');  // nothing while the modeller runs
  EXPECT_EQ(NumNodes, 2);
  Prss_Terminate(&ActiveObjectEditor->prss);
  Act();
  EXPECT_EQ(e->subEditor, SUB_NONE);
  EXPECT_EQ(e->car->modelInEditor, 0);
  EXPECT_EQ(NumNodes, 1) << "closing unchanged leaves the history as before";
  EXPECT_STREQ(e->statusText, "no changes");
  EXPECT_EQ(e->selection.saved, 1);

  const std::vector<uint8_t> before = Bytes();
  VehicleEditor::Key(&e->prss, 'E');
  ASSERT_NE(ActiveObjectEditor, nullptr);
  ASSERT_GT(e->car->model->pointCount, 0);
  e->car->model->points[0].z += 65536;
  ObjectEditorShared.unsavedChanges = 1;  // as the modeller's recorded edit reports it
  Prss_Terminate(&ActiveObjectEditor->prss);
  Act();
  EXPECT_EQ(NumNodes, 2) << "a change stays recorded";
  EXPECT_EQ(ObjectEditorShared.unsavedChanges, 0) << "the report is taken";
  EXPECT_EQ(e->selection.saved, 0);
  const std::vector<uint8_t> edited = Bytes();
  EXPECT_NE(edited, before);
  UndoEdit(*e);
  EXPECT_EQ(Bytes(), before) << "one undo gives the model back";
  RedoEdit(*e);
  EXPECT_EQ(Bytes(), edited);
}

// "Animate" turns the driver on; without a driver to pose it says why in the status line, a
// car with no steering animation that it needs one, and opens nothing.
TEST_F(Screen, AnimateWithoutADriverSaysWhyAndOpensNothing) {
  Load();
  Car& c = *e->car;
  c.FreeAnimations();
  std::memset(c.steerAnimation, 0, sizeof c.steerAnimation);
  e->displayFlags &= ~SHOW_DRIVER;
  e->statusText[0] = 0;
  VehicleEditor::Animate(e, 0, 0);
  EXPECT_TRUE(e->displayFlags & SHOW_DRIVER);
  EXPECT_STREQ(e->statusText, "To include a driver you must specify a steering animation");
  EXPECT_EQ(e->subEditor, SUB_NONE);
  EXPECT_EQ(ActiveObjectEditor, nullptr);
  std::memcpy(c.steerAnimation, "nosuch", 6);
  e->statusText[0] = 0;
  VehicleEditor::Animate(e, 0, 0);
  EXPECT_STREQ(e->statusText, "There is no driver to animate");
  EXPECT_EQ(e->subEditor, SUB_NONE);
  EXPECT_EQ(ActiveObjectEditor, nullptr);
}

// The spoke in the modeller is one undoable step too, named for it; closed unchanged, the
// history is as before.
TEST_F(Screen, TheModellerOnTheSpokeIsOneUndoableStep) {
  Load();
  const int nodes = NumNodes;
  VehicleEditor::EditSpoke(e, 0, 1);
  ASSERT_NE(ActiveObjectEditor, nullptr);
  EXPECT_EQ(e->subEditor, SUB_MODELLER);
  EXPECT_EQ(e->spokeInEditor, 1);
  ASSERT_EQ(NumNodes, nodes + 1);
  EXPECT_STREQ(Slots[NumNodes].name, "edit spoke");
  // The spoke is shown in the set's last wheel: the set's right wheel, numbered from 1 in the
  // set, is record number - 1.
  const SuspensionBlock& front = e->car->wheelSets[1];
  ASSERT_GT(front.rightWheel, 0);
  EXPECT_EQ(SpokeWheel.car, e->car);
  EXPECT_EQ(SpokeWheel.wheel, front.rightWheel - 1);
  EXPECT_EQ(SpokeWheel.wheelSet, 1);
  Prss_Terminate(&ActiveObjectEditor->prss);
  Act();
  EXPECT_EQ(e->subEditor, SUB_NONE);
  EXPECT_EQ(e->spokeInEditor, 0);
  EXPECT_EQ(NumNodes, nodes) << "closing unchanged leaves the history as before";
}

// The engine, rim and dashboard pages and the modeller on the car's model and on its spoke
// record "edit engine", "edit rim", "edit clocks", "edit model" and "edit spoke" on opening.
// Left without a change, the history is exactly as it was, the steps ahead to redo included,
// "no changes" is said, and the car and its saved mark are as before (what the modeller tidies
// on opening or closing is no change).  A change keeps the point as one step that one undo
// gives back, whatever the modeller's unsaved word says (a SAVE inside it clears the word),
// and the steps ahead are discarded.
TEST_F(Screen, APageLeftWithoutAChangeLeavesTheHistoryAsItWas) {
  Load();
  struct Page {
    const char* name;
    void (*open)(VehicleEditor& e);
    void (*change)(Car& car);
  };
  const Page pages[] = {
      {"edit engine", [](VehicleEditor& e) { VehicleEditor::ChooseAction(&e, 1, CHOOSE_ENGINE_PAGE); },
       [](Car& car) { car.engine.idleSpeed += 10.0f; }},
      {"edit rim", [](VehicleEditor& e) { VehicleEditor::EditRim(&e, 0, 0); },
       [](Car& car) { car.rim->mappings[0].colour ^= 0x10; }},
      {"edit clocks", [](VehicleEditor& e) { VehicleEditor::ChooseAction(&e, 1, CHOOSE_DASH_EDITOR); },
       [](Car& car) { car.dash[0] ^= 1; }},
      {"edit model", [](VehicleEditor& e) { VehicleEditor::Key(&e.prss, 'E'); },
       [](Car& car) { car.model->points[0].z += 65536; }},
      {"edit spoke", [](VehicleEditor& e) { VehicleEditor::EditSpoke(&e, 0, 1); },
       [](Car& car) { car.spoke.points[0].z += 65536; }},
  };
  for (const bool change : {false, true}) {
    for (const Page& p : pages) {
      SCOPED_TRACE(p.name);
      // Two edits undone: two steps ahead to redo.
      Edit("a", 5.0f);
      Edit("b", 6.0f);
      UndoEdit(*e);
      UndoEdit(*e);
      const int nodes = NumNodes, redo = NumRedo;
      ASSERT_EQ(redo, 2);
      std::vector<std::vector<uint8_t>> held;
      for (int i = 0; i <= NumNodes; ++i)
        held.emplace_back(Slots[i].stored, Slots[i].stored + (Slots[i].stored ? Slots[i].size : 0));
      const uint8_t saved = e->selection.saved;
      const std::vector<uint8_t> before = Bytes();
      p.open(*e);
      ASSERT_NE(e->prss.sub, nullptr);
      ASSERT_EQ(NumNodes, nodes - redo + 1);
      EXPECT_STREQ(Slots[NumNodes].name, p.name);
      EXPECT_EQ(e->selection.saved, 0);
      if (change) p.change(*e->car);
      if (ActiveObjectEditor) {
        ObjectEditorShared.unsavedChanges = 0;  // as after a SAVE inside it
        Prss_Terminate(&ActiveObjectEditor->prss);
      } else {
        // A few drawn frames with the page open: the car and its engine run.
        FrameSkipped = 0;
        for (int frame = 0; frame < 5; ++frame) {
          ClearInterface();
          Act();
        }
        FrameSkipped = 1;
        Prss_DeliverKey(27);
      }
      Act();
      ASSERT_EQ(e->prss.sub, nullptr);
      if (change) {
        EXPECT_EQ(NumNodes, nodes - redo + 1);
        EXPECT_EQ(NumRedo, 0);
        EXPECT_STREQ(Slots[NumNodes].name, p.name);
        EXPECT_EQ(e->selection.saved, 0);
        UndoEdit(*e);
        EXPECT_EQ(Bytes(), before);
        continue;
      }
      EXPECT_STREQ(e->statusText, "no changes");
      EXPECT_EQ(e->selection.saved, saved);
      EXPECT_EQ(Bytes(), before);
      ASSERT_EQ(NumNodes, nodes);
      EXPECT_EQ(NumRedo, redo);
      for (int i = 0; i <= NumNodes; ++i) {
        const std::vector<uint8_t> now(Slots[i].stored, Slots[i].stored + (Slots[i].stored ? Slots[i].size : 0));
        EXPECT_EQ(now, held[size_t(i)]) << i;
      }
      RedoEdit(*e);
      RedoEdit(*e);
      EXPECT_EQ(NumRedo, 0);
      EXPECT_FLOAT_EQ(e->car->fuelTankCapacity, 6.0f) << "both steps redone";
    }
  }
  // A full history: the opening's point pushes the oldest out, and a close without a change
  // brings it back.
  for (int i = 0; i <= MAX_NODES; ++i) Edit("fill", float(i));
  std::snprintf(Slots[0].name, sizeof Slots[0].name, "oldest");
  const std::vector<uint8_t> oldest(Slots[0].stored, Slots[0].stored + Slots[0].size);
  VehicleEditor::Key(&e->prss, 'E');
  ASSERT_NE(ActiveObjectEditor, nullptr);
  EXPECT_STRNE(Slots[0].name, "oldest");
  Prss_Terminate(&ActiveObjectEditor->prss);
  Act();
  EXPECT_EQ(NumNodes, MAX_NODES);
  EXPECT_STREQ(Slots[0].name, "oldest");
  ASSERT_NE(Slots[0].stored, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(Slots[0].stored, Slots[0].stored + Slots[0].size), oldest);
}

// Opening the modeller lets the wheel meshes go; closing it builds the car again from its
// model: the wheel meshes let go, the level distances set again (the first 120 m for one or two
// levels, 60 m for three), a new model asked for, and the car set up and shown again.
TEST_F(Screen, TheModellerClosedBuildsTheCarAgainFromItsModel) {
  Load();
  Car& c = *e->car;
  c.wheelMeshesBuilt = 1;
  VehicleEditor::Key(&e->prss, 'E');
  ASSERT_NE(ActiveObjectEditor, nullptr);
  EXPECT_EQ(c.wheelMeshesBuilt, 0) << "opening";
  ASSERT_GE(c.model->lodCount, 1);
  ASSERT_LE(c.model->lodCount, 3);
  const int32_t firstDistance[3] = {120 * 65536, 120 * 65536, 60 * 65536};
  c.wheelMeshesBuilt = 1;
  c.model->lodDistances[0] = 1;
  c.modelRebuild = 0;
  c.showCar = 0;
  const uint32_t setups = e->carSetups;
  Prss_Terminate(&ActiveObjectEditor->prss);
  Act();
  ASSERT_EQ(e->subEditor, SUB_NONE);
  EXPECT_EQ(c.wheelMeshesBuilt, 0);
  EXPECT_EQ(c.model->lodDistances[0], firstDistance[c.model->lodCount - 1]);
  EXPECT_EQ(c.modelRebuild, 1u);
  EXPECT_EQ(c.showCar, 1);
  EXPECT_EQ(e->carSetups, setups + 1);
}

// A value, seat or settings change sets the whole car up again: its mass model runs again and
// its tyres are as new.
TEST_F(Screen, AValueOrSeatChangeSetsTheWholeCarUpAgainWithNewTyres) {
  Load();
  Car& c = *e->car;
  const float mass = c.massWithoutOccupants;
  ASSERT_GT(mass, 1.0f);
  const auto spoil = [&] {
    c.massWithoutOccupants = 1.0f;
    c.wheels[0].condition[0] = 100;
  };
  spoil();
  VehicleEditor::VehicleValueChanged(*e);
  EXPECT_EQ(c.massWithoutOccupants, mass);
  EXPECT_EQ(c.wheels[0].condition[0], 255);
  spoil();
  VehicleEditor::SeatOptionChanged(*e);
  EXPECT_EQ(c.massWithoutOccupants, mass);
  EXPECT_EQ(c.wheels[0].condition[0], 255);
  spoil();
  VehicleEditor::StepGearCount(e, CLICK_LEFT, c.gearPositions > 3 ? 0 : 1);
  EXPECT_EQ(c.massWithoutOccupants, mass) << "a settings action";
  EXPECT_EQ(c.wheels[0].condition[0], 255) << "a settings action";
}

TEST_F(Screen, TheOptionsAndTheCoverPictureCoverTheEditorUntilTheyClose) {
  Load();
  ShiftHeld = 1;
  VehicleEditor::Key(&e->prss, 'O');
  ShiftHeld = 0;
  EXPECT_EQ(g_opened, 1);
  EXPECT_EQ(e->dialogOpen, 1);
  EXPECT_EQ(e->prss.sub, &g_page.prss);
  Act();
  EXPECT_EQ(e->dialogOpen, 1);
  Prss_Terminate(&g_page.prss);
  Act();
  EXPECT_EQ(e->dialogOpen, 0);
  EXPECT_EQ(e->prss.sub, nullptr);

  SpecialDraw = 1;
  ShiftHeld = 1;
  VehicleEditor::Key(&e->prss, 'S');
  ShiftHeld = 0;
  EXPECT_EQ(SpecialDraw, 0);
  EXPECT_EQ(e->coverState, COVER_GARAGE_OPEN);
  EXPECT_STREQ(g_coverName, "Runabout");
  EXPECT_EQ(e->prss.sub, &g_page.prss) << "the garage covers the editor";
  Prss_Terminate(&g_page.prss);
  Act();
  EXPECT_EQ(e->coverState, COVER_IDLE);
  EXPECT_STREQ(e->statusText, "Could not create cover.png");
  EXPECT_EQ(g_exports, 0);
  ShiftHeld = 1;
  VehicleEditor::Key(&e->prss, 'S');
  ShiftHeld = 0;
  g_coverMade = 1;
  Prss_Terminate(&g_page.prss);
  Act();
  EXPECT_EQ(g_exports, 1) << "the export starts on the picture made";
}

// A quit request closes a page open over the editor (nobody could close it: input is dropped
// while a quit is requested), and then, with unsaved changes, the editor asks.
TEST_F(Screen, AQuitRequestWithUnsavedChangesClosesAnOpenPageAndThenAsks) {
  Load();
  Edit("a", 5.0f);
  ShiftHeld = 1;
  VehicleEditor::Key(&e->prss, 'O');
  ShiftHeld = 0;
  ASSERT_EQ(e->prss.sub, &g_page.prss);
  ExitRequested = 1;
  Act();
  EXPECT_EQ(g_page.prss.alive, 0) << "the page is closed";
  EXPECT_EQ(e->prss.alive, 1);
  EXPECT_EQ(ExitRequested, 0);
  EXPECT_EQ(e->prss.sub, &MessageBoxDialog.prss);
  EXPECT_STREQ(MessageBoxDialog.first, "Exit ZKT?");
  // A second request while it is open (Ctrl+C again): the question closes unanswered and is
  // asked again, never left standing with the request set (nothing drawn, no input taken).
  ExitRequested = 1;
  Act();
  Act();
  EXPECT_EQ(ExitRequested, 0);
  EXPECT_EQ(e->prss.alive, 1);
  EXPECT_EQ(e->prss.sub, &MessageBoxDialog.prss);
  EXPECT_STREQ(MessageBoxDialog.first, "Exit ZKT?");
  // "Yes" ends the editor, and the program with it.
  ASSERT_NE(MessageBoxDialog.callback, nullptr);
  MessageBoxDialog.callback(&e->prss, MessageBoxDialog.firstWord, MessageBoxDialog.secondWord);
  EXPECT_EQ(e->prss.alive, 0);
  EXPECT_EQ(ExitRequested, 1);
  ExitRequested = 0;
}

TEST_F(Screen, ClosingFillsTheCarChoiceSettlesTheCarAndPutsTheSharedTreeBack) {
  Close();
  SharedDrawTree.Free();
  e = VehicleEditor::Create(nullptr);
  EXPECT_NE(SharedDrawTree.pool, nullptr) << "the editor sets the sorting tree up";
  Load();
  e->car->position.z = 5 << 16;
  Car* car = e->car;
  VehicleEditor::Terminate(&e->prss);
  EXPECT_EQ(g_choices, 1);
  EXPECT_NEAR(car->position.z / 65536.0, 0.05 - double(car->LowestPoint()), 0.01) << "the car settles";
  EXPECT_EQ(NumNodes, 0);
  EXPECT_EQ(Act(), nullptr);
  e = nullptr;
  EXPECT_EQ(SharedDrawTree.pool, nullptr);
}

TEST_F(Screen, TheEditPointListTheTextPanelAndTheDriversEye) {
  Load();
  Edit("a", 4.0f);
  UndoEdit(*e);
  VehicleEditor::ShowEditPoints(e, 0, 0);
  EXPECT_EQ(e->prss.sub, &SelectDialog.prss);
  EXPECT_EQ(SelectDialog.count, 3);
  EXPECT_EQ(SelectDialog.current, 1);
  EXPECT_STREQ(SelectDialog.texts[2], "a");
  ResetDialogs();
  e->prss.sub = nullptr;

  ShowEditorText("a text");
  EXPECT_EQ(EditorText.shown, 1);
  VehicleEditor::PromptAction(e, 0, 0);
  EXPECT_EQ(EditorText.shown, 0);
  // Drawn, the panel's "OK" stands in the screen's bottom row, and it closes the panel.
  ShowEditorText("a text");
  FrameSkipped = 0;
  ClearInterface();
  Act();
  FrameSkipped = 1;
  const InterfaceButton* ok = FindShownButton("OK");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->top, ScreenHeight - ButtonHeight);
  EXPECT_EQ(ok->bottom, ScreenHeight);
  // The bottom row starts twelve buttons in, and "OK" is four buttons wide.
  EXPECT_EQ(ok->left, 12 * ButtonWidth);
  EXPECT_EQ(ok->right, 16 * ButtonWidth);
  const InterfaceButton press = *ok;
  ASSERT_NE(press.handler, nullptr);
  press.handler(press.owner, CLICK_LEFT, press.word);
  EXPECT_EQ(EditorText.shown, 0);
  ClearInterface();

  Car& car = *e->car;
  car.driverSlot = 0;
  if (!car.steerAnimation[0]) std::strcpy(car.steerAnimation, "drive");
  car.driverPosition = {-0.3f, 0.5f, 0.6f};
  car.headOffset = {};
  car.mirrored = 0;
  VehicleEditor::FitView(*e, 2);
  ASSERT_EQ(e->eyeView, 1);
  const double place[3] = {car.position.x / 65536.0, car.position.y / 65536.0, car.position.z / 65536.0};
  for (int i = 0; i < 3; ++i) {
    const float* row = &car.orientation[i * 3];
    const double expect = place[i] + row[0] * -0.3 + row[1] * 0.5 + row[2] * 0.65;
    EXPECT_NEAR(e->eyePoint[i], expect, 1e-3) << i;
  }
  EXPECT_EQ(e->viewAngles[1], 0);
  // The 3D view's eye goes to the eye point, held within 32000 m of the origin.
  ASSERT_EQ(EditViews.width, 0);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(CurrentView->position[i] / 65536.0, e->eyePoint[i], 1e-4) << i;
  for (const int side : {1, -1}) {
    car.position.x = side * (32500 << 16);
    VehicleEditor::FitView(*e, 2);
    EXPECT_NEAR(e->eyePoint[0], side * 32500.0, 5.0) << side;
    EXPECT_EQ(CurrentView->position[0], side * (32000 << 16)) << side;
  }
  car.position.x = 0;
  VehicleEditor::FitView(*e, 1);
  EXPECT_EQ(e->eyeView, 0);
  // The view buttons: word 2 the driver's eye, 0 and 1 the framed views.
  VehicleEditor::ViewButton(e, 0, 2);
  EXPECT_EQ(e->eyeView, 1);
  VehicleEditor::ViewButton(e, 0, 0);
  EXPECT_EQ(e->eyeView, 0);
  VehicleEditor::ViewButton(e, 0, 2);
  VehicleEditor::ViewButton(e, 0, 1);
  EXPECT_EQ(e->eyeView, 0);
}

TEST_F(Screen, AnEditsNameShowsForThreeSecondsAndASliderDraggedTwiceIsOneNode) {
  Load();
  MarkEdit("tyre width");
  EXPECT_EQ(e->selection.saved, 0);
  EXPECT_EQ(e->statusIsEdit, 1);
  FrameTime = 1000;
  for (int32_t left : {2000, 1000, 0}) {
    Act();
    EXPECT_EQ(e->statusTime, left);
  }
  FrameTime = 0;
  EXPECT_STREQ(e->statusText, "tyre width");

  // A slider of the vehicle's history domain, dragged twice through the interface.
  ScreenWidth = 800;
  ScreenHeight = 600;
  SetInterfaceMetrics();
  EditDomain = EDIT_DOMAIN_VEHICLE;
  static float ratio = 0.0f;
  const int nodes = NumNodes;
  for (int drag = 0; drag < 2; ++drag) {
    ClearInterface();
    AddValueControl(&e->prss, &ratio, IvFloat(0.0f), IvFloat(7.0f), IvText("Ratio %.2f"), VALUE_TYPE_FLOAT, nullptr,
                    nullptr, -1.0f, -1.0f, 0.0f, -0.9f);
    PressMouse(100 + drag * 50, 10);
    SendMouse(200 + drag * 50, 10, 0, 1, 0);
    ReleaseMouse(200 + drag * 50, 10);
  }
  EditDomain = EDIT_DOMAIN_NONE;
  ClearInterface();
  EXPECT_NE(ratio, 0.0f) << "the slider moved";
  EXPECT_EQ(NumNodes, nodes + 1) << "two drags of one slider are one edit";
  EXPECT_EQ(std::strncmp(Slots[NumNodes].name, "set ratio", 9), 0) << Slots[NumNodes].name;
  UndoEdit(*e);
  RedoEdit(*e);
  ClearInterface();
  EditDomain = EDIT_DOMAIN_VEHICLE;
  AddValueControl(&e->prss, &ratio, IvFloat(0.0f), IvFloat(7.0f), IvText("Ratio %.2f"), VALUE_TYPE_FLOAT, nullptr,
                  nullptr, -1.0f, -1.0f, 0.0f, -0.9f);
  PressMouse(300, 10);
  SendMouse(350, 10, 0, 1, 0);
  ReleaseMouse(350, 10);
  EditDomain = EDIT_DOMAIN_NONE;
  ClearInterface();
  EXPECT_EQ(NumNodes, nodes + 2) << "after an undo the same slider records anew";
}

TEST_F(Screen, OpeningLoadingEditingAndClosingAHundredTimesKeepsNothing) {
  for (int round = 0; round < 100; ++round) {
    Load();
    Edit("tank", float(round));
    if (round % 10 == 0) {
      VehicleEditor::Key(&e->prss, 'E');
      if (ActiveObjectEditor) Prss_Terminate(&ActiveObjectEditor->prss);
      Act();
    }
    UndoEdit(*e);
    VehicleEditor::Terminate(&e->prss);
    ASSERT_EQ(Act(), nullptr);
    ASSERT_EQ(VehicleEditorOpen, 0);
    e = VehicleEditor::Create(nullptr);
  }
  EXPECT_EQ(NumNodes, 0);
}

}  // namespace

// The point buttons' top limit the editor raised for its status text is given back when it
// closes, a limit of 0 (the top of the screen) as much as any other.
TEST_F(Screen, ClosingGivesBackTheTopLimitItRaisedEvenAZeroOne) {
  const int kept = PointButtonTopLimit;
  e->raisedTopLimit = 0;
  PointButtonTopLimit = 61;
  Prss_Terminate(&e->prss);
  EXPECT_EQ(e->prss.act(&e->prss), nullptr);
  e = nullptr;
  EXPECT_EQ(PointButtonTopLimit, 0);
  PointButtonTopLimit = kept;
}

// A driver exactly on the middle line sits on no left side: the program goes to right-hand drive.
TEST_F(Screen, ADriverOnTheMiddleLineGivesRightHandDrive) {
  Load();
  const uint8_t kept = DriveSideLeft;
  e->car->driverPosition.x = -0.4f;
  VehicleEditor::UpdateDriveSide(*e);
  EXPECT_EQ(DriveSideLeft, 1) << "left of the middle";
  e->car->driverPosition.x = 0.0f;
  VehicleEditor::UpdateDriveSide(*e);
  EXPECT_EQ(DriveSideLeft, 0);
  DriveSideLeft = kept;
}
