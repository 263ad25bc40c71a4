// vehicle_undo_test.cpp - the vehicle editor's edit history on a sample vehicle of the build:
// nodes, dropping the oldest, merging by keys, undo and redo back to the same bytes, the
// messages, allocation failures and bad files (tests/vehicle_editor/history_walk_test.cpp walks
// the editor at random).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "core/window_state.h"
#include "modeller/editor/edit_views.h"
#include "physics/car.h"
#include "render/views.h"
#include "tests/vehicle_editor/history_fixture.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "vehicle_editor/new_vehicle/new_vehicle_wizard.h"

namespace fs = std::filesystem;
using namespace VehicleUndo;
using vehicle_editor_test::History;

namespace {

TEST_F(History, LoadingRecordsAndMarksSavedAndTheEditorStartsEmpty) {
  EXPECT_EQ(CurrentVehicleEditor, e);
  EXPECT_EQ(VehicleEditorOpen, 1);
  EXPECT_STREQ(e->editPointNames[0], "start");
  EXPECT_EQ(e->displayFlags, 404u);
  UndoEdit(*e);
  EXPECT_STREQ(e->statusText, "there is no edit history");
  EXPECT_EQ(e->statusIsEdit, 0);
  e->selection.selectedPoint = 3;
  Load();
  EXPECT_EQ(NumNodes, 1);
  EXPECT_STREQ(Slots[1].name, "load Runabout");
  EXPECT_EQ(e->selection.saved, 1);
  EXPECT_EQ(e->selection.selectedPoint, NO_POINT);
  EXPECT_EQ(e->selection.selectedTube, -1);
  EXPECT_STREQ(e->statusText, "load Runabout");
  EXPECT_EQ(e->statusTime, STATUS_SHOW_MS);
  Edit("fuel tank", 12.0f);
  EXPECT_EQ(e->selection.saved, 0);
  UpdateHints();
  EXPECT_STREQ(UndoHint, "Undo fuel tank (CTRL+Z)");
  EXPECT_STREQ(RedoHint, "There is nothing to redo");
  // Undoing back to the loaded file shows it saved again.
  UndoEdit(*e);
  EXPECT_EQ(e->selection.saved, 1);
  EXPECT_STREQ(e->statusText, "undo fuel tank");
  UpdateHints();
  EXPECT_STREQ(RedoHint, "Redo fuel tank (CTRL+Y)");
  // Point 0 is the editor before any vehicle: it holds none and is refused.
  UndoEdit(*e);
  EXPECT_STREQ(e->statusText, "This edit point holds no vehicle");
  EXPECT_EQ(NumRedo, 1);
  Edit("a", 1.0f);
  Edit("b", 2.0f);
  for (int i = 0; i < 31; ++i) Edit("fill", float(i));
  while (NumRedo < NumNodes) UndoEdit(*e);  // the empty point has dropped out
  UndoEdit(*e);
  EXPECT_STREQ(e->statusText, "there is no more to undo");
  UpdateHints();
  EXPECT_STREQ(UndoHint, "There is no more to undo") << "the oldest point reached";
}

// The first editor of the program finds the history as the program starts it, all zero: it
// names its first point "start" and holds no edit.
TEST_F(History, TheFirstEditorOfTheProgramNamesItsFirstPointStart) {
  Close();
  for (VehicleUndoNode& n : Slots) n = VehicleUndoNode{};  // each freed by the close
  NumNodes = NumRedo = 0;
  e = VehicleEditor::Create(nullptr);
  EXPECT_STREQ(e->editPointNames[0], "start");
  EXPECT_EQ(NumNodes, 0);
  UndoEdit(*e);
  EXPECT_STREQ(e->statusText, "there is no edit history");
}

TEST_F(History, TheThirtyFirstEditDropsTheOldestAndAnEditAfterUndosDiscardsWhatLiesAhead) {
  Load();
  char name[16];
  for (int i = 1; i <= 30; ++i) {
    std::snprintf(name, sizeof name, "edit %d", i);
    Edit(name, float(i));
  }
  EXPECT_EQ(NumNodes, 30);
  EXPECT_STREQ(Slots[0].name, "load Runabout") << "the names shifted down";
  EXPECT_STREQ(Slots[30].name, "edit 30");
  EXPECT_STREQ(Slots[29].name, "edit 29");
  UndoEdit(*e);
  UndoEdit(*e);
  EXPECT_EQ(NumRedo, 2);
  EXPECT_FLOAT_EQ(e->car->fuelTankCapacity, 28.0f);
  Edit("branch", 99.0f);
  EXPECT_EQ(NumRedo, 0);
  EXPECT_EQ(NumNodes, 29);
  EXPECT_STREQ(Slots[29].name, "branch");
  EXPECT_EQ(Slots[30].stored, nullptr);
}

TEST_F(History, EqualKeysMergeAndAnyStepOrSaveClearsThem) {
  Load();
  const int before = NumNodes;
  float* tank = &e->car->fuelTankCapacity;
  RecordInterfaceEdit("tank", 1, tank, 0);
  RecordInterfaceEdit("tank", 1, tank, 0);
  EXPECT_EQ(NumNodes, before + 1);
  RecordInterfaceEdit("tank", 1, tank, 1);
  EXPECT_EQ(NumNodes, before + 2) << "another mask";
  MarkSaved(e->vehicleName);
  RecordInterfaceEdit("tank", 1, tank, 1);
  EXPECT_EQ(NumNodes, before + 3) << "saving cleared the keys";
  RecordEdit("plain");
  RecordEdit("plain");
  EXPECT_EQ(NumNodes, before + 5) << "kind 0 never merges";
  UndoEdit(*e);
  RecordEditKeyed("x", 4, 8, 0);
  UndoEdit(*e);
  RedoEdit(*e);
  RecordEditKeyed("x", 4, 8, 0);
  EXPECT_EQ(Slots[NumNodes].name, std::string("x"));
  EXPECT_EQ(NumRedo, 0);
}

// Cleared keys are all zero, so no keyed edit matches them: an edit keyed 1, 1, 1 right after
// a save, an undo or a dropped node is recorded as a step of its own.
TEST_F(History, ClearedKeysAreAllZeroAndMatchNoKeyedEdit) {
  Load();
  const auto keysClear = [] { return Keys[0] == 0 && Keys[1] == 0 && Keys[2] == 0; };
  RecordEditKeyed("ones", 1, 1, 1);
  EXPECT_FALSE(keysClear());
  MarkSaved(e->vehicleName);
  EXPECT_TRUE(keysClear()) << "a save";
  int nodes = NumNodes;
  RecordEditKeyed("ones", 1, 1, 1);
  EXPECT_EQ(NumNodes, nodes + 1) << "the first edit after a save";
  UndoEdit(*e);
  EXPECT_TRUE(keysClear()) << "an undo";
  nodes = NumNodes - NumRedo;  // the edit replaces the step undone
  RecordEditKeyed("ones", 1, 1, 1);
  EXPECT_EQ(NumNodes, nodes + 1) << "the first edit after an undo";
  ASSERT_EQ(FreeLatestNode(nullptr), 1);
  EXPECT_TRUE(keysClear()) << "a dropped node";
  nodes = NumNodes;
  RecordEditKeyed("ones", 1, 1, 1);
  EXPECT_EQ(NumNodes, nodes + 1) << "the first edit after a dropped node";
}

TEST_F(History, UndoToTheStartAndRedoAllGivesBackEveryStoredStateByteForByte) {
  Load();
  for (int i = 1; i <= 6; ++i) Edit("step", float(10 * i));
  const std::vector<uint8_t> last = Bytes();
  while (NumNodes - NumRedo > 1) {  // point 0 is the editor before the load
    UndoEdit(*e);
    const int p = NumNodes - NumRedo;
    const std::vector<uint8_t> now = Bytes();
    ASSERT_EQ(now.size(), size_t(Slots[p].size)) << p;
    EXPECT_EQ(std::memcmp(now.data(), Slots[p].stored, now.size()), 0) << p;
  }
  ASSERT_NE(Slots[NumNodes].stored, nullptr) << "the state before the first undo";
  while (NumRedo > 0) {
    RedoEdit(*e);
    if (NumRedo == 0) break;
    const int p = NumNodes - NumRedo;
    const std::vector<uint8_t> now = Bytes();
    EXPECT_EQ(std::memcmp(now.data(), Slots[p].stored, now.size()), 0) << p;
  }
  EXPECT_EQ(Bytes(), last);
  EXPECT_EQ(Slots[NumNodes].stored, nullptr) << "freed once current again";
  EXPECT_FLOAT_EQ(e->car->fuelTankCapacity, 60.0f);
}

TEST_F(History, RunningOutOfMemoryDropsOldNodesThenRecordsNothing) {
  Load();
  Edit("a", 1.0f);
  Edit("b", 2.0f);
  FailAllocations = 1;
  Edit("c", 3.0f);
  EXPECT_EQ(NumNodes, 3) << "the oldest dropped, the edit kept";
  EXPECT_STREQ(Slots[3].name, "c");
  e->selection.saved = 1;
  FailAllocations = 99;
  RecordEdit("d");
  EXPECT_EQ(NumNodes, 0);
  EXPECT_TRUE(SaidLine("Could not allocate memory"));
  EXPECT_EQ(e->selection.saved, 0);
  EXPECT_STRNE(e->statusText, "d") << "the name is not shown";
}

// A history copy that no longer reads leaves the car as it is and says so in a message line
// naming why and the vehicle.
TEST_F(History, AHistoryCopyThatDoesNotReadKeepsTheCarAndSaysWhy) {
  Load();
  Edit("a", 5.0f);
  Edit("b", 6.0f);
  ASSERT_GE(NumNodes, 2);
  const int point = NumNodes - 1;
  ASSERT_NE(Slots[point].stored, nullptr);
  ASSERT_GE(Slots[point].size, 8);
  std::memset(Slots[point].stored, 'X', 8);  // its first words damaged
  Car* car = e->car;
  const std::vector<uint8_t> before = Bytes();
  vehicle_editor_test::g_lines.clear();
  EXPECT_EQ(VehicleEditor::LoadVehicleState(*e, nullptr, point), 0);
  EXPECT_EQ(e->car, car);
  EXPECT_EQ(Bytes(), before);
  ASSERT_EQ(vehicle_editor_test::g_lines.size(), 1u);
  const std::string& line = vehicle_editor_test::g_lines[0];
  EXPECT_EQ(line.rfind("Could not load vehicle : ", 0), 0u) << line;
  EXPECT_TRUE(line.ends_with(" Runabout")) << line;
}

TEST_F(History, BadNamesAndDamagedFilesKeepTheCarTheHistoryAndTheSavedMark) {
  Load();
  Edit("a", 5.0f);
  Car* car = e->car;
  const int nodes = NumNodes;
  for (const char* name : {"Missing", "..\\..\\etc", "a:b*"}) {
    EXPECT_EQ(VehicleEditor::LoadVehicleState(*e, name, -1), 0) << name;
    EXPECT_TRUE(SaidLine(std::string("Could not load vehicle : ")));
    EXPECT_TRUE(SaidLine(name)) << name;
  }
  // The file cut short at many places, and a count made huge.
  const std::vector<uint8_t> file = [] {
    std::vector<uint8_t> b(fs::file_size("data/veh/Runabout.veh"));
    FILE* f = std::fopen("data/veh/Runabout.veh", "rb");
    EXPECT_EQ(std::fread(b.data(), 1, b.size(), f), b.size());
    std::fclose(f);
    return b;
  }();
  for (size_t cut = 0; cut < file.size(); cut += file.size() / 23 + 1) {
    FILE* f = std::fopen("data/veh/Bad.veh", "wb");
    std::fwrite(file.data(), 1, cut, f);
    std::fclose(f);
    EXPECT_EQ(VehicleEditor::LoadVehicleState(*e, "Bad", -1), 0) << cut;
  }
  EXPECT_EQ(e->car, car);
  EXPECT_EQ(NumNodes, nodes);
  EXPECT_EQ(e->selection.saved, 0);
  EXPECT_FLOAT_EQ(e->car->fuelTankCapacity, 5.0f);
  std::vector<uint8_t> crafted = file;
  for (size_t at = 8; at + 4 < crafted.size(); at += crafted.size() / 17) {
    crafted = file;
    std::memset(&crafted[at], 0x7F, 4);
    FILE* f = std::fopen("data/veh/Bad.veh", "wb");
    std::fwrite(crafted.data(), 1, crafted.size(), f);
    std::fclose(f);
    VehicleEditor::LoadVehicleState(*e, "Bad", -1);  // loads or refuses; never a crash
  }
  EXPECT_GE(NumNodes, nodes) << "whatever loaded was recorded";
}

TEST_F(History, ASlotWithoutAVehicleIsRefusedAndAFailedRestoreFreesItsCopy) {
  Load();
  Edit("a", 5.0f);
  Edit("b", 6.0f);
  std::free(Slots[2].stored);
  Slots[2].stored = nullptr;
  Slots[2].size = 0;
  UndoEdit(*e);
  EXPECT_EQ(NumRedo, 0) << "refused";
  EXPECT_FLOAT_EQ(e->car->fuelTankCapacity, 6.0f);
  EXPECT_EQ(Slots[NumNodes].stored, nullptr) << "the copy saved for the step is freed";
  GoToEditPoint(*e, 1);
  EXPECT_EQ(NumRedo, 2) << "the next step works";
}

TEST_F(History, EscClosesAtOnceWithoutACarAndClosingEmptiesTheHistory) {
  VehicleEditor::Key(&e->prss, 27);
  EXPECT_EQ(e->prss.alive, 0);
  EXPECT_EQ(e->prss.act(&e->prss), nullptr);
  e = nullptr;
  EXPECT_EQ(CurrentVehicleEditor, nullptr);
  EXPECT_EQ(VehicleEditorOpen, 0);
  EXPECT_EQ(RecordEditMerging, nullptr);
  EXPECT_EQ(NumNodes, 0);
  e = VehicleEditor::Create(nullptr);
  Load();
  Edit("a", 3.0f);
  VehicleEditor::Key(&e->prss, 27);
  EXPECT_EQ(e->prss.alive, 1) << "unsaved changes ask first";
  EXPECT_STREQ(MessageBoxDialog.first, "Exit editor?");
  EXPECT_STREQ(MessageBoxDialog.second, "Unsaved changes will be lost");
}

// The editor ended from outside (its process terminated, as a closing program does): the
// history is emptied and its copies freed, and a new-vehicle page open over it closes too.
TEST_F(History, AnEditorEndedFromOutsideEmptiesItsHistoryAndClosesTheNewVehiclePage) {
  Load();
  Edit("a", 3.0f);
  ASSERT_EQ(NumNodes, 2);
  NewVehicleWizard::Start(*e, NEW_LAYOUT_CAR);
  ASSERT_EQ(NewVehicleWizard::Running, 1);
  Close();
  EXPECT_EQ(NumNodes, 0);
  EXPECT_EQ(Slots[1].stored, nullptr);
  EXPECT_EQ(NewVehicleWizard::Running, 0);
}

}  // namespace

namespace {

TEST_F(History, KeysToggleTheDisplayClearTheSelectionAndStepTheHistory) {
  Load();
  const uint32_t flags = e->displayFlags;
  VehicleEditor::Key(&e->prss, 'K');
  ShiftHeld = 1;
  for (int key : {'A', 'E'}) VehicleEditor::Key(&e->prss, key);
  ShiftHeld = 0;
  EXPECT_EQ(e->displayFlags, flags) << "K, Shift+A and Shift+E change nothing";
  EXPECT_EQ(e->prss.sub, nullptr);
  VehicleEditor::Key(&e->prss, 'd');
  VehicleEditor::Key(&e->prss, 'G');
  VehicleEditor::Key(&e->prss, 'I');
  EXPECT_EQ(e->displayFlags, flags ^ (SHOW_DRIVER | SHOW_COG | SHOW_FUEL));
  e->selection.selectedPoint = 2;
  e->selection.selectedTube = 4;
  VehicleEditor::Key(&e->prss, KEYCODE_DELETE);
  EXPECT_STREQ(e->statusText, "A point and a tube are both selected");
  VehicleEditor::Key(&e->prss, 'C');
  EXPECT_EQ(e->selection.selectedPoint, NO_POINT);
  EXPECT_EQ(e->selection.selectedTube, -1);
  ShiftHeld = 1;
  VehicleEditor::Key(&e->prss, 'L');
  ShiftHeld = 0;
  EXPECT_EQ(e->diagramFlags, 1u);
  EXPECT_EQ(e->selection.openTab, 3);
  Edit("a", 7.0f);
  VehicleEditor::Key(&e->prss, KEYCODE_CTRL_LETTER + 'Z');
  EXPECT_EQ(NumRedo, 1);
  VehicleEditor::Key(&e->prss, KEYCODE_CTRL_LETTER + 'Y');
  EXPECT_EQ(NumRedo, 0);
  EXPECT_FLOAT_EQ(e->car->fuelTankCapacity, 7.0f);
  VehicleEditor::Key(&e->prss, ' ');
  EXPECT_LT(e->car->speed, 0.01f) << "set down standing still";
  // "o" (as "O") frames the car again, leaving the driver's eye.
  e->eyeView = 1;
  VehicleEditor::Key(&e->prss, 'o');
  EXPECT_EQ(e->eyeView, 0);
}

// The 3D view is the edit views' camera: a loaded vehicle is framed (the view along the view
// angles, looking at the car from 3 / the FOV scale times its framed size); a step of the
// history keeps the view where the user left it; the next load frames again, and so does a
// new vehicle over the loaded one (Ctrl+N and a layout), whose page's rebuilds then keep the
// view the user moved.
TEST_F(History, ALoadedVehicleIsFramedInTheThreeDViewAndAStepOfTheHistoryKeepsTheView) {
  ASSERT_EQ(EditViews.width, 0);
  Load();
  const View& v = *CurrentView;
  EXPECT_EQ(v.heading, e->viewAngles[0]);
  EXPECT_EQ(v.pitch, e->viewAngles[1]);
  const auto expectFramed = [&](const char* what) {
    const double size = std::max(e->car->radius, 2.0f) * 1.125;
    const double distance = 3.0 / EditViews.fovScale * size;
    const int32_t at[3] = {e->car->position.x, e->car->position.y, e->car->position.z};
    for (int i = 0; i < 3; ++i)
      EXPECT_NEAR(v.position[i] / 65536.0, at[i] / 65536.0 + distance * v.direction[i], 1e-3) << what << " " << i;
  };
  expectFramed("loaded");
  const int32_t framed[3] = {v.position[0], v.position[1], v.position[2]};
  CurrentView->position[0] += 65536;
  Edit("a", 7.0f);
  VehicleEditor::Key(&e->prss, KEYCODE_CTRL_LETTER + 'Z');
  ASSERT_EQ(VehicleUndo::NumRedo, 1);
  EXPECT_EQ(v.position[0], framed[0] + 65536) << "undo keeps the view";
  Load();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(v.position[i], framed[i]) << "framed again " << i;

  CurrentView->position[0] += 65536;
  VehicleEditor::Key(&e->prss, KEYCODE_CTRL_LETTER + 'N');
  SelectItemClick(nullptr, CLICK_LEFT, NEW_LAYOUT_KART);
  ResetDialogs();
  ASSERT_EQ(NewVehicleWizard::Running, 1);
  NewVehicleWizard::Draw(*e);
  ClearInterface();
  ASSERT_NE(e->car->radius, 0.0f);
  expectFramed("new kart over the loaded car");
  CurrentView->position[0] += 65536;
  const int32_t moved = v.position[0];
  NewVehicleWizard::ValueChanged(e, CLICK_LEFT, 0);
  NewVehicleWizard::Draw(*e);
  ClearInterface();
  EXPECT_EQ(v.position[0], moved) << "a rebuild keeps the view";
  VehicleEditor::Key(&e->prss, 13);
  EXPECT_EQ(NewVehicleWizard::Running, 0);
}

// The framing takes a vehicle smaller than 2 m across as 2 m (a radius of 0.5 m frames as
// 2 x 1.125 = 2.25 m; one of 3 m as 3 x 1.125 = 3.375 m).  The zoom of the 3D view is 1 over
// its field (2 x the half field factor), and 1 when there is no view or no field.
TEST_F(History, ASmallVehicleIsFramedAsTwoMetresAndAViewWithoutAFieldHasZoomOne) {
  Load();
  const View& v = *CurrentView;
  const struct {
    float radius;
    double size;
  } cases[] = {{0.5f, 2.25}, {3.0f, 3.375}};
  for (const auto& c : cases) {
    e->car->radius = c.radius;
    VehicleEditor::FitView(*e, 1);
    const double distance = 3.0 / EditViews.fovScale * c.size;
    const int32_t at[3] = {e->car->position.x, e->car->position.y, e->car->position.z};
    for (int i = 0; i < 3; ++i)
      EXPECT_NEAR(v.position[i] / 65536.0, at[i] / 65536.0 + distance * v.direction[i], 1e-3) << c.radius << " " << i;
  }

  View* kept = CurrentView;
  View flat = *kept;
  flat.halfFieldFactor = 0.25f;
  CurrentView = &flat;
  EXPECT_FLOAT_EQ(VehicleEditor::HalfViewZoom(), 2.0f);
  flat.halfFieldFactor = 0.0f;
  EXPECT_EQ(VehicleEditor::HalfViewZoom(), 1.0f);
  CurrentView = nullptr;
  EXPECT_EQ(VehicleEditor::HalfViewZoom(), 1.0f);
  CurrentView = kept;

  // Turned about the car, the view pivots at least a metre ahead of its eye: a car 0.2 m
  // ahead turns the view about the point 1 m ahead.
  e->eyeView = 0;
  for (int i = 0; i < 3; ++i) CurrentView->position[i] = 0;
  const double before[3] = {CurrentView->direction[0], CurrentView->direction[1], CurrentView->direction[2]};
  e->car->position.x = int32_t(std::lround(0.2 * before[0] * 65536.0));
  e->car->position.y = int32_t(std::lround(0.2 * before[1] * 65536.0));
  e->car->position.z = int32_t(std::lround(0.2 * before[2] * 65536.0));
  VehicleEditor::TurnView(*e, 100, 0);
  for (int i = 0; i < 3; ++i)
    EXPECT_NEAR(CurrentView->position[i] / 65536.0, -before[i] + CurrentView->direction[i], 1e-3) << i;

  // Turned at the driver's eye (in place), a view far out stays within 32000 m of the origin.
  e->eyeView = 1;
  for (const int side : {1, -1}) {
    CurrentView->position[0] = side * (32500 << 16);
    VehicleEditor::TurnView(*e, 100, 0);
    EXPECT_EQ(CurrentView->position[0], side * (32000 << 16)) << side;
  }
}

// The mouse turns the 3D view itself, not just the editor's angles: 100 mouse units right
// and 100 up from level ahead give a heading of 3600 and a pitch of 1800, with no roll, and
// the view looks another way.
TEST_F(History, TurningTheThreeDViewAimsTheViewAlongTheNewAngles) {
  Load();
  ASSERT_NE(CurrentView, nullptr);
  ASSERT_EQ(EditViews.width, 0);
  for (const int inPlace : {1, 0}) {
    e->eyeView = uint8_t(inPlace);
    e->viewAngles[0] = 0;
    e->viewAngles[1] = 0;
    VehicleEditor::AimView(*e);
    CurrentView->roll = 300;
    const float before[3] = {CurrentView->direction[0], CurrentView->direction[1], CurrentView->direction[2]};
    VehicleEditor::TurnView(*e, 100, -100);
    EXPECT_EQ(CurrentView->heading, 3600) << inPlace;
    EXPECT_EQ(CurrentView->pitch, 1800) << inPlace;
    EXPECT_EQ(CurrentView->roll, 0) << inPlace;
    float moved = 0.0f;
    for (int i = 0; i < 3; ++i) moved += std::fabs(CurrentView->direction[i] - before[i]);
    EXPECT_GT(moved, 0.1f) << inPlace;
  }
}

TEST_F(History, TheViewTurnsWithinItsLimitsAndTheSteeringFollowsItsFormula) {
  e->viewAngles[0] = 65000;
  VehicleEditor::TurnView(*e, 100, 0);
  EXPECT_EQ(e->viewAngles[0], uint16_t(65000 + 3600)) << "the heading wraps";
  VehicleEditor::TurnView(*e, 0, -100000);
  EXPECT_EQ(e->viewAngles[1], 15474);
  VehicleEditor::TurnView(*e, 0, 100000);
  EXPECT_EQ(e->viewAngles[1], 0);
  e->viewAngles[1] = uint16_t(-2000);  // the mouse turned the view to look up
  VehicleEditor::TurnView(*e, 0, -10);
  EXPECT_EQ(e->viewAngles[1], 0) << "it turns on from level";
  VehicleEditor::TurnView(*e, 0, -10);
  EXPECT_EQ(e->viewAngles[1], 180) << "18 pitch units a mouse unit, upward for a mouse moved up";
  VehicleEditor::TurnView(*e, -2, 0);
  EXPECT_EQ(e->viewAngles[0], uint16_t(65000 + 3600 - 72)) << "36 heading units a mouse unit";
  EXPECT_EQ(SteeringWordOf(0.0f, 30.0f), 32768);
  EXPECT_EQ(SteeringWordOf(30.0f * 3.1415927f / 180.0f, 30.0f), 0);
  EXPECT_EQ(SteeringWordOf(-1.0f, 30.0f), 65535) << "clamped";
  // A vehicle without a lock steers straight instead of dividing by nothing.
  EXPECT_EQ(SteeringWordOf(0.2f, 0.0f), 32768);
  EXPECT_EQ(SteeringWordOf(0.2f, std::nanf("")), 32768);
}

// A save after an undo marks the point saved at and no other: the edit redone past it is
// unsaved again, and undoing back to the saved point shows it saved.
TEST_F(History, ASaveAfterAnUndoLeavesTheRedoneEditUnsaved) {
  Load();
  Edit("a", 5.0f);
  ASSERT_EQ(VehicleEditor::SaveVehicleOnly(*e, "Runabout", 1), 1);
  EXPECT_EQ(e->selection.saved, 1);
  UndoEdit(*e);
  EXPECT_EQ(e->selection.saved, 0) << "the file holds the edit";
  ASSERT_EQ(VehicleEditor::SaveVehicleOnly(*e, "Runabout", 1), 1);
  EXPECT_EQ(e->selection.saved, 1);
  RedoEdit(*e);
  EXPECT_EQ(e->selection.saved, 0) << "the file no longer holds the edit";
  UndoEdit(*e);
  EXPECT_EQ(e->selection.saved, 1);
}

// Without a vehicle the saving words (3 to 6) open nothing; loading (2) asks for a name.
TEST_F(History, WithoutAVehicleTheFileMenuOffersOnlyLoading) {
  ASSERT_EQ(e->car, nullptr);
  for (uintptr_t word : {3u, 4u, 5u, 6u}) {
    VehicleEditor::FileAction(e, 0, word);
    EXPECT_EQ(OpenTextEntry.open, 0) << word;
    EXPECT_EQ(e->prss.sub, nullptr) << word;
  }
  VehicleEditor::FileAction(e, 0, 2);
  ASSERT_EQ(OpenTextEntry.open, 1);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter name of vehicle to LOAD");
  TextEntryCancel();
}

// Without a vehicle every file and value action refuses (0) with names it would take with one.
TEST_F(History, WithoutAVehicleEveryFileAndValueActionRefuses) {
  ASSERT_EQ(e->car, nullptr);
  EXPECT_EQ(VehicleEditor::LoadFrameFile(*e, "frame"), 0);
  EXPECT_EQ(VehicleEditor::AddFrameFile(*e, "frame"), 0);
  EXPECT_EQ(VehicleEditor::SaveFrameFile(*e, "frame"), 0);
  EXPECT_EQ(VehicleEditor::LoadAllColours(*e, "all"), 0);
  EXPECT_EQ(VehicleEditor::SaveAllColours(*e, "all"), 0);
  EXPECT_EQ(VehicleEditor::SaveVehicleAndVob(*e, "Mine"), 0);
  EXPECT_EQ(VehicleEditor::SaveVehicleOnly(*e, "Mine", 1), 0);
  EXPECT_EQ(VehicleEditor::SaveVobOnly(*e, "KT"), 0);
  EXPECT_EQ(VehicleEditor::IsVeryDifferentVob(*e, "KT"), 0);
  EXPECT_EQ(VehicleEditor::LoadWheelFile(*e, "wheel"), 0);
  EXPECT_EQ(VehicleEditor::SaveWheelFile(*e, "wheel"), 0);
  EXPECT_EQ(VehicleEditor::SetSteeringAnimation(*e, "str_driver"), 0);
  EXPECT_EQ(VehicleEditor::SetSkinId(*e, "ABC"), 0);
  EXPECT_EQ(VehicleEditor::AddTube(*e, 0), 0);
  EXPECT_EQ(VehicleEditor::SetTyrePressure(*e, "200", 1), 0);
  EXPECT_EQ(VehicleEditor::SetEngineSoundName(*e, "DEFAULT"), 0);
  EXPECT_EQ(NumNodes, 0) << "nothing recorded";
}

}  // namespace
