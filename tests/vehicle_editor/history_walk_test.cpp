// history_walk_test.cpp - a seeded walk of random edits through the vehicle editor's own input
// (its rows, keys, file prompts, the new-vehicle page, the frame handles and every sub-editor,
// the modeller's own files and layers among them), keeping its own record of every history
// point's bytes: each step is checked against that record, the red "*" against the vehicle's
// file, and every action that replaces the vehicle against one undo.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/controls.h"
#include "info_panel/info_panel.h"
#include "modeller/editor/object_editor.h"
#include "modeller/operations/layers.h"
#include "modeller/operations/value_buttons.h"
#include "modeller/screen/model_checks.h"
#include "modeller/screen/modeller_screen.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_state.h"
#include "pages_fixture.h"
#include "platform/keys.h"
#include "render/material.h"
#include "tests/seeded_walk.h"
#include "vehicle_data/rim_profile.h"
#include "vehicle_editor/new_vehicle/new_vehicle_wizard.h"
#include "vehicle_editor/settings_actions.h"

namespace {

using namespace VehicleUndo;
using Held = HistoryRecord::Held;

// The actions a step draws from, with their weights.
enum Kind : uint8_t {
  ROW_STEP,        // a step of a tab page's value row or of an information panel's set-up page
  ROW_TYPED,       // a value typed into a row of either
  ROW_SWITCH,      // a switch of either
  DRAG_KEPT,       // a frame point dragged along a handle and let go
  DRAG_CANCELLED,  // the same, cancelled by the right button
  LOAD,
  SAVE,
  NEW,  // one of the new-vehicle page's layouts, kept with Enter
  LOAD_FRAME,
  LOAD_COLOURS,
  ENGINE_LOOK,    // each sub-editor opened and left without a change ...
  ENGINE_CHANGE,  // ... and with one
  CLOCKS_LOOK,
  CLOCKS_CHANGE,
  RIM_LOOK,
  RIM_CHANGE,
  MODEL_LOOK,  // "Edit": the modeller on the car's model
  MODEL_CHANGE,
  MODEL_LOAD,  // the modeller's LOAD, OBJ import, SAVE after a change, and layer rename
  MODEL_IMPORT,
  MODEL_SAVE,
  MODEL_RENAME,
  SPOKE_LOOK,
  SPOKE_CHANGE,
  WHEEL_TURN,  // the program setting "controller wheel turn" on the steering page
  UNDO,
  REDO,
  JUMP,  // "Select edit point"
  KIND_COUNT
};
const WalkKind KINDS[KIND_COUNT] = {
    {"row step", 18},
    {"row typed", 6},
    {"row switch", 8},
    {"drag kept", 3},
    {"drag cancelled", 3},
    {"LOAD", 3},
    {"SAVE", 3},
    {"NEW", 2},
    {"LOAD frame", 1},
    {"LOAD colours", 1},
    {"engine look", 1},
    {"engine change", 1},
    {"clocks look", 1},
    {"clocks change", 1},
    {"rim look", 1},
    {"rim change", 1},
    {"Edit look", 1},
    {"Edit change", 1},
    {"Edit LOAD", 1},
    {"Edit OBJ", 1},
    {"Edit SAVE", 1},
    {"Edit rename", 1},
    {"spoke look", 1},
    {"spoke change", 1},
    {"wheel turn", 2},
    {"undo", 12, STEP_UNDO},
    {"redo", 8, STEP_REDO},
    {"jump", 4, STEP_LIST},
};
const char* const LOAD_NAMES[] = {"Runabout", "Saloon", "Sportbike", "Kart", "Solar", "WalkA", "WalkB", "Nosuch"};

class HistoryWalk : public PagesTest, public EditorWalk {
 protected:
  void SetUp() override {
    PagesTest::SetUp();
    UseTallScreen();  // every row of the longest pages in sight
    SetInterfaceMetrics();
    namespace fs = std::filesystem;
    const fs::path work = std::getenv("ZKT_WORK_DIR");
    // What the file prompts load: a frame and colours of another sample, a model and an OBJ.
    Load("Saloon");
    ASSERT_EQ(VehicleEditor::SaveFrameFile(*e, "walk"), 1);
    ASSERT_EQ(VehicleEditor::SaveAllColours(*e, "walk"), 1);
    fs::create_directories("data/3dob");
    fs::create_directories("data/obj");
    fs::copy_file(work / "data/3dob/sample_box.qxe", "data/3dob/walk_box.qxe", fs::copy_options::overwrite_existing);
    std::ofstream("data/obj/walk.obj") << "v 0 0 0\nv 1 0 0\nv 1 0 1\nv 0 0 1\nf 1 2 3 4\n";
    CfgControlModeInForce = 1;  // a wheel: the steering page shows the controller's turn
    keptHooks = ModellerHooks;
    InstallModellerHooks();  // the object editor opens the modeller, as in the program
  }
  void TearDown() override {
    NewVehicleWizard::Close();
    ResetDialogs();
    CfgControlModeInForce = 0;
    ModellerHooks = keptHooks;
    InfoPageShown = INFO_PAGE_INFO;
    PagesTest::TearDown();
    FreeAllMaterials();  // the models' page materials, as the program frees them when it ends
  }

  ModellerLink keptHooks{};

  // ---- The record ----
  std::map<std::string, Held> files;  // each vehicle's bytes as last saved or loaded

  // The editor as the walk sees it; point 0 holds no vehicle: the editor before the first.
  Held State() override { return CarBytes(); }
  int Point() override { return NumNodes - NumRedo; }
  int Nodes() override { return NumNodes; }
  void Undo() override { VehicleEditor::Key(&e->prss, KEYCODE_CTRL_LETTER + 'Z'); }
  void Redo() override { VehicleEditor::Key(&e->prss, KEYCODE_CTRL_LETTER + 'Y'); }
  void ChoosePoint(int point) override {
    VehicleEditor::ShowEditPoints(e, CLICK_LEFT, 0);
    SelectItemClick(nullptr, CLICK_LEFT, uintptr_t(point));
    CloseDialogs();
  }
  std::string Said() override { return Reports().lines.empty() ? "" : " (said: " + Reports().lines.back() + ")"; }

  // A fresh editor on the first sample, the vehicles' folder as the build has it.
  void Begin() override {
    namespace fs = std::filesystem;
    if (e) {  // a walk that failed may have left a sub-editor or a prompt open
      if (OpenTextEntry.open) TextEntryCancel();
      for (int i = 0; i < 4 && e->prss.sub; ++i) Prss_RemoveSub(&e->prss, "walk");
      Prss_Terminate(&e->prss);
      e->prss.act(&e->prss);
    }
    NewVehicleWizard::Close();
    ResetDialogs();
    fs::remove_all("data/veh");
    fs::create_directories("data/veh");
    for (const auto& entry : fs::directory_iterator(fs::path(std::getenv("ZKT_WORK_DIR")) / "data/veh"))
      fs::copy_file(entry.path(), fs::path("data/veh") / entry.path().filename());
    Reports() = Caught{};
    e = VehicleEditor::Create(nullptr);
    e->selection.openTab = -1;
    VehicleEditor::LoadVehicleState(*e, "Runabout", -1);
    WheelTurnDegrees = 540.0f;
    InfoPageShown = INFO_PAGE_INFO;
    record.points = {Held{}, CarBytes()};  // point 0 is the editor before any vehicle
    record.current = 1;
    files.clear();
    Filed();
    record.savedPoint = 1;
  }

  // The vehicle as the history serialises it, but for the mass written for outside readers:
  // the car's set-up derives it, and an edited car and one built from the same bytes may
  // differ in it.  `asFiled` leaves out the model's name too, which a read of the file takes
  // from the vehicle's name.
  Held CarBytes(bool asFiled = false) {
    Held body;
    if (!e->car) return body;
    Car& car = *e->car;
    const float mass = car.massWithoutOccupants;
    car.massWithoutOccupants = 0;
    char name[sizeof car.model->name] = "";
    if (asFiled && car.model) std::swap(name, car.model->name);
    WriteVehicleBody(car, e->vehicleName, 1, body);
    if (asFiled && car.model) std::swap(name, car.model->name);
    car.massWithoutOccupants = mass;
    return body;
  }
  // The red "*" after the vehicle's name, as the frame shows it.
  bool StarShown() {
    ClearInterface();
    VehicleEditor::BuildPanels(*e);
    char text[128];
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (b.hint && std::strcmp(b.hint, "The vehicle's file name") == 0 && ButtonText(b, text, sizeof text))
        return std::string(text).ends_with("^1*");
    }
    return false;
  }
  // The vehicle on show as last saved or loaded under its name (its file): with an unsaved
  // change the red * shows; it is gone when `clear` (a save, a load, a step back to the point
  // last saved or loaded at).
  void Filed() { files[e->vehicleName] = CarBytes(true); }
  bool CheckStar(bool clear) {
    const bool star = StarShown();
    if (clear) return Check(!star, "the red * shows right after a save, a load or a step to the saved point");
    const auto file = files.find(e->vehicleName);
    const bool unsaved = !e->vehicleName[0] || file == files.end() || file->second != CarBytes(true);
    return Check(star || !unsaved, "no red * though the vehicle differs from its file");
  }

  // The history's own copy of point i.
  static Held CopyOf(int i) {
    return Slots[i].stored ? Held(Slots[i].stored, Slots[i].stored + Slots[i].size) : Held();
  }
  // The step's change of the history taken into the record.
  bool Absorb(bool* pushed = nullptr) {
    const std::string failed = record.Take(NumNodes, Point(), CopyOf, CarBytes(), pushed);
    return Check(failed.empty(), failed);
  }

  // The frame's rows: the open tab page's, or with none the information panel's page.
  void Frame() {
    ClearInterface();
    VehicleEditor::DrawInfoPanel(*e);
    VehicleEditor::BuildPanels(*e);
    VehicleEditor::BuildSidePanel(*e);
  }
  // Whatever a press left open (a list, a prompt, a question, a box) is closed unanswered.
  void CloseDialogs() {
    if (OpenTextEntry.open) TextEntryCancel();
    if (e->prss.sub && e->subEditor == SUB_NONE) Prss_RemoveSub(&e->prss, "walk");
    ResetDialogs();
    Reports().question = nullptr;
  }
  // A press on one of the frame's rows that records a vehicle edit, chosen by `pick`.
  void PressRow(Kind kind, uint32_t page, uint32_t pick, uint32_t value) {
    const int tab = int(page % (TAB_PAGE_COUNT + 1)) - 1;
    e->selection.openTab = tab;
    InfoPageShown = tab < 0 ? int(INFO_PAGE_BRAKES + page / 16 % (INFO_PAGE_COUNT - INFO_PAGE_BRAKES)) : INFO_PAGE_INFO;
    e->pageScroll = 0;
    Frame();
    PressControl(kind, pick, value, true);
    CloseDialogs();
  }
  // A press on one of the frame's controls of the kind (a step or a switch, a typed value),
  // chosen by `pick`: of the vehicle's rows, or (`vehicleRows` 0) of a page over the editor,
  // where a step and a switch are alike.
  void PressControl(Kind kind, uint32_t pick, uint32_t value, bool vehicleRows) {
    std::vector<int> buttons, controls;
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (!b.owner || (vehicleRows && b.editDomain != EDIT_DOMAIN_VEHICLE)) continue;
      const bool toggle = b.style == BUTTON_STYLE_FLAG32 || b.style == BUTTON_STYLE_FLAG8;
      const bool typed = b.style >= BUTTON_STYLE_FLOAT && b.style <= BUTTON_STYLE_FLOAT_THOUSANDTHS;
      const bool step = !toggle && !typed &&
                        ((b.style >= BUTTON_STYLE_FLOAT && b.style <= BUTTON_STYLE_ANGLE_PLUS) ||
                         (b.style >= BUTTON_STYLE_INT_PLUS && b.style <= BUTTON_STYLE_FLAG8));
      if ((kind == ROW_SWITCH && (toggle || (!vehicleRows && step))) || (kind == ROW_TYPED && typed) ||
          (kind == ROW_STEP && (step || (!vehicleRows && toggle))))
        buttons.push_back(i);
    }
    for (int i = 0; i < ValueControlCount && kind != ROW_SWITCH; ++i) {
      const ValueControl& c = ValueControls[i];
      const int type = c.displayType;
      const bool step = type >= VALUE_TYPE_BYTE_PLUS && type <= VALUE_TYPE_FLOAT_MINUS;
      const bool typed = (type >= VALUE_TYPE_FLOAT && type <= VALUE_TYPE_TYPED_FLOAT) || type == VALUE_TYPE_MAPPED_BYTE;
      if (c.owner && (!vehicleRows || c.editDomain == EDIT_DOMAIN_VEHICLE) && (kind == ROW_TYPED ? typed : step))
        controls.push_back(i);
    }
    const size_t choices = buttons.size() + controls.size();
    if (choices == 0) return;
    const size_t chosen = pick % choices;
    const int click = kind == ROW_TYPED ? CLICK_RIGHT : CLICK_LEFT;
    if (chosen < buttons.size())
      ClickButton(InterfaceButtons[buttons[chosen]], click);
    else
      ClickControl(ValueControls[controls[chosen - buttons.size()]], click);
    static const char* const TYPED[] = {"0", "0.05", "0.5", "1", "2.5", "10", "150", "-1"};
    if (kind == ROW_TYPED && OpenTextEntry.open) ConfirmTextEntry(TYPED[value % 8]);
  }

  // The selected frame point dragged along one of its handles, let go or cancelled.
  void DragPoint(uint32_t pick, uint32_t axis, int pixels, bool cancel) {
    if (e->car->framePointCount <= 0) return;
    VehicleEditor::SelectPoint(e, CLICK_LEFT, pick % uint32_t(e->car->framePointCount));
    // The handles as a drawn frame leaves them: 50 pixels each, standing for 1 m.
    for (int a = 0; a < 3; ++a) e->axisDirections[a][0] = 50.0f, e->axisDirections[a][1] = float(10 * a);
    e->dragScale = 65536;
    MouseX = 100, MouseY = 100;
    VehicleEditor::StartPointDrag(e, CLICK_LEFT, axis % 3);
    MouseRecord m{};
    m.leftHeld = 1;
    MouseX = 100 + pixels;
    VehicleEditor::PointDragMouse(*e, m);
    m.leftHeld = cancel ? 1 : 0;
    m.rightHeld = cancel ? 1 : 0;
    VehicleEditor::PointDragMouse(*e, m);
  }

  // The editor's frames until a sub-editor (or a page over it) has closed.
  bool Settle() {
    for (int frame = 0; frame < 6 && (e->subEditor != SUB_NONE || e->prss.sub || e->pageEditPoint); ++frame) {
      if (Reports().question) AnswerYes();
      e->prss.act(&e->prss);
    }
    return Check(e->subEditor == SUB_NONE && !e->prss.sub, "a sub-editor did not close with Escape");
  }
  // Presses the modeller's button with the label and types the answer to its prompt.
  bool ModellerFile(const char* label, const char* name) {
    ModellerScreen& m = *ActiveModeller;
    ClearInterface();
    RowCursorX = RowCursorY = 0;
    AddModellerButtons(m);
    const InterfaceButton* b = FindShownButton(label);
    if (!Check(b != nullptr, std::string("the modeller shows no ") + label)) return false;
    ClickButton(*b);
    if (!Check(OpenTextEntry.open == 1, std::string("the modeller's ") + label + " asks no name")) return false;
    ConfirmTextEntry(name);
    if (OpenTextEntry.open) TextEntryConfirm();  // "overwrite?": yes
    if (ActiveModeller && ActiveModeller->prss.sub)
      Prss_RemoveSub(&ActiveModeller->prss, "walk");  // a page shown after
    return true;
  }
  // A change of the modeller's object through its point tools: a point moved.
  static void MovePoint(uint32_t pick) {
    ModellerScreen& m = *ActiveModeller;
    if (!EditedObject || EditedObject->pointCount == 0) return;
    DeselectAllPoints(m);
    SelectPoint(m, int(pick % uint32_t(EditedObject->pointCount)));
    MovePoints(m, int(pick % 3), 6554);
  }
  // The modeller's object as an edit inside changes it (its points and layer names): the car's
  // bytes would tell too much, since closing the modeller tidies the model's level distances.
  static std::vector<int32_t> EditedShape() {
    std::vector<int32_t> shape;
    const ModelObject* o = EditedObject;
    if (!o) return shape;
    shape.insert(shape.end(), {o->pointCount, o->triangleCount});
    for (int p = 0; p < o->pointCount; ++p) shape.insert(shape.end(), {o->points[p].x, o->points[p].y, o->points[p].z});
    for (const auto& name : o->layerNames) shape.insert(shape.end(), name, name + sizeof name);
    return shape;
  }
  // Inside the modeller opened by `open`: what the kind does there, then Escape.
  bool InModeller(Kind kind, uint32_t pick) {
    e->prss.act(&e->prss);
    if (!Check(ActiveModeller != nullptr, "the modeller did not open")) return false;
    const std::vector<int32_t> opened = EditedShape();
    switch (kind) {
      case MODEL_CHANGE:
      case SPOKE_CHANGE:
        MovePoint(pick);
        break;
      case MODEL_LOAD:
        if (!ModellerFile("LOAD", "walk_box")) return false;
        break;
      case MODEL_IMPORT:
        if (!ModellerFile("OBJ", "walk")) return false;
        break;
      case MODEL_SAVE:
        MovePoint(pick);
        if (!ModellerFile("SAVE", "walk_saved")) return false;
        break;
      case MODEL_RENAME:
        LayerButtonAction(&ActiveModeller->prss, CLICK_RIGHT, pick % 8);
        if (!Check(OpenTextEntry.open == 1, "a layer's right click asks no name")) return false;
        ConfirmTextEntry(pick % 2 ? "walked" : "trim");
        break;
      default:
        break;
    }
    changedInside = EditedShape() != opened;
    Prss_DeliverKey(27);
    return Settle();
  }

  // The sub-editors: opened by the kind's button or key, changed or not, left with Escape;
  // `changedInside` tells whether the vehicle changed while it was open.
  bool changedInside = false;
  bool SubEditor(Kind kind, uint32_t pick) {
    changedInside = false;
    switch (kind) {
      case ENGINE_LOOK:
      case ENGINE_CHANGE:
        VehicleEditor::ChooseAction(e, CLICK_LEFT, CHOOSE_ENGINE_PAGE);
        break;
      case CLOCKS_LOOK:
      case CLOCKS_CHANGE:
        VehicleEditor::ChooseAction(e, CLICK_LEFT, CHOOSE_DASH_EDITOR);
        break;
      case RIM_LOOK:
      case RIM_CHANGE:
        VehicleEditor::EditRim(e, CLICK_LEFT, 0);
        break;
      case SPOKE_LOOK:
      case SPOKE_CHANGE:
        VehicleEditor::EditSpoke(e, CLICK_LEFT, pick % 2);
        if (e->subEditor == SUB_NONE) return true;
        return InModeller(kind, pick);
      default:
        VehicleEditor::Key(&e->prss, 'E');
        if (e->subEditor == SUB_NONE) return true;
        return InModeller(kind, pick);
    }
    if (!e->prss.sub) return true;  // refused
    // A drawn frame of the page, and with a change one of its steps or switches pressed (one
    // that changes nothing leaves a look).
    FrameSkipped = 0;
    ClearInterface();
    e->prss.act(&e->prss);
    FrameSkipped = 1;
    const Held opened = CarBytes();
    if (kind == ENGINE_CHANGE || kind == CLOCKS_CHANGE || kind == RIM_CHANGE) PressControl(ROW_STEP, pick, 0, false);
    changedInside = CarBytes() != opened;
    Prss_DeliverKey(27);
    return Settle();
  }

  bool Run(uint32_t kindWord, uint32_t a, uint32_t b, uint32_t c) override {
    const Kind kind = Kind(kindWord);
    record.Note(CopyOf);
    const Held before = CarBytes();
    const int n = record.Nodes(), cur = record.current;
    const bool starBefore = StarShown();
    switch (kind) {
      case WHEEL_TURN: {
        e->selection.openTab = -1;
        InfoPageShown = INFO_PAGE_STEERING;
        Frame();
        std::vector<ValueControl> turns;
        for (int i = 0; i < ValueControlCount; ++i)
          if (ValueControls[i].variable == &WheelTurnDegrees) turns.push_back(ValueControls[i]);
        if (!Check(!turns.empty(), "the steering page shows no controller wheel turn")) return false;
        ClickControl(turns[a % turns.size()]);
        CloseDialogs();
        if (!Check(NumNodes == n && Point() == cur, "the controller's wheel turn touched the vehicle's history"))
          return false;
        if (!Check(CarBytes() == before, "the controller's wheel turn changed the vehicle")) return false;
        return Check(StarShown() == starBefore, "the controller's wheel turn changed the red *");
      }
      case ROW_STEP:
      case ROW_TYPED:
      case ROW_SWITCH:
        PressRow(kind, a, b, c);
        return Absorb() && CheckStar(false);
      case DRAG_KEPT:
      case DRAG_CANCELLED: {
        DragPoint(a, b, int(c % 40) - 20, kind == DRAG_CANCELLED);
        bool pushed = false;
        if (!Absorb(&pushed)) return false;
        if (kind == DRAG_CANCELLED && !Check(!pushed, "a cancelled drag left a point")) return false;
        return CheckStar(false);
      }
      case SAVE: {
        const bool named = e->vehicleName[0] != 0;
        if (cur < n && !named) return true;  // naming it would make it another vehicle than its points hold
        const char* name = cur < n || (named && a % 3 == 0) ? e->vehicleName : a % 3 == 1 ? "WalkA" : "WalkB";
        VehicleEditor::FileAction(e, CLICK_LEFT, 6);
        if (!Check(OpenTextEntry.open == 1, "SAVE asks no name")) return false;
        ConfirmTextEntry(name);
        if (OpenTextEntry.open) TextEntryConfirm();  // "overwrite?": yes
        if (Reports().question) AnswerYes();
        CloseDialogs();
        if (!Absorb()) return false;
        Filed();
        record.savedPoint = record.current;
        return CheckStar(true);
      }
      case LOAD:
      case NEW:
      case LOAD_FRAME:
      case LOAD_COLOURS: {
        if (kind == NEW) {
          VehicleEditor::Key(&e->prss, KEYCODE_CTRL_LETTER + 'N');
          SelectItemClick(nullptr, CLICK_LEFT, a % NEW_LAYOUT_COUNT);
          CloseDialogs();
          if (NewVehicleWizard::Running) {
            NewVehicleWizard::Draw(*e);
            VehicleEditor::Key(&e->prss, 13);
          }
        } else {
          const uintptr_t word = kind == LOAD ? 2 : kind == LOAD_FRAME ? 7 : 14;
          VehicleEditor::FileAction(e, CLICK_LEFT, word);
          if (!Check(OpenTextEntry.open == 1, "the file menu asks no name")) return false;
          ConfirmTextEntry(kind == LOAD ? LOAD_NAMES[a % 8] : "walk");
        }
        CloseDialogs();
        bool pushed = false;
        if (!Absorb(&pushed)) return false;
        if (!pushed) return Check(CarBytes() == before, "a refused load or new vehicle changed the vehicle");
        if (kind == LOAD) {
          Filed();
          record.savedPoint = record.current;
        }
        if (!CheckStar(kind == LOAD)) return false;
        return UndoGivesBack(before, CarBytes(), KINDS[kind].name);
      }
      default: {  // the sub-editors
        if (!SubEditor(kind, a)) return false;
        bool pushed = false;
        if (!Absorb(&pushed)) return false;
        const Held now = CarBytes();
        if (!Check(!changedInside || now != before, std::string("a change made in ") + KINDS[kind].name + " was lost"))
          return false;
        // A look leaves the history exactly as it was; an edit inside that came to nothing
        // may stand as a step that changed nothing.
        const bool look =
            kind == ENGINE_LOOK || kind == CLOCKS_LOOK || kind == RIM_LOOK || kind == MODEL_LOOK || kind == SPOKE_LOOK;
        if (now == before && (look || !pushed))
          return Check(!pushed && NumNodes == n && Point() == cur,
                       std::string("leaving ") + KINDS[kind].name + " without a change changed the history") &&
                 CheckStar(false);
        if (!Check(pushed,
                   std::string("a change made in ") + KINDS[kind].name + " recorded no point" + Differs(before)))
          return false;
        return CheckStar(false) && UndoGivesBack(before, now, KINDS[kind].name);
      }
    }
  }

  // After every step the copy above the newest point is held while steps are undone, and
  // freed once back at the newest.
  bool After(uint32_t word) override {
    return Check((Slots[NumNodes].stored != nullptr) == (NumRedo > 0),
                 "the copy above the newest point is held wrongly") &&
           StepBackAndForth(word);
  }
};

TEST_F(HistoryWalk, RandomEditsThroughTheEditorKeepEveryHistoryPoint) { Walk(KINDS, KIND_COUNT, {11, 12, 13}, 2000); }

}  // namespace
