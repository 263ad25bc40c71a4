// side_panel.cpp - the vehicle editor's panel at the right edge, built each drawn frame after
// the tab pages: the skin ID and the engine editor, the collision model's state, the mod
// check and export rows with the test folder, compressed textures, and the frame's tools
// (its files, the selected point's type and coordinates, the test weight, whole-frame moves,
// points added and removed, and the selected tube's size and visibility).
#include <cstdio>

#include "core/config.h"
#include "core/window_state.h"
#include "info_panel/info_panel.h"
#include "info_panel/info_panel_layout.h"
#include "physics/car.h"
#include "render/texture_table.h"
#include "text/text_colours.h"
#include "ui/value_edit.h"
#include "vehicle_editor/file_actions.h"
#include "vehicle_editor/settings_actions.h"
#include "vehicle_editor/tab_pages.h"
#include "vehicle_editor/vehicle_editor.h"

namespace {

// The information panel's rectangle: in the left column under the tab rows (drawn only while
// no tab page is open, so the two never overlap), normalised units wide, this far in from the
// screen's left edge, below the tab rows and above the common rows.
constexpr float INFO_PANEL_WIDTH = 0.8f, INFO_PANEL_GAP = 0.02f;
constexpr int SIDE_UNITS = 16, HALF = 8, POINT_TYPES = 4, STEP_HINT_MOVE = 11;
constexpr uintptr_t MOD_CHECK = 0, MOD_TEST = 1, MOD_UPLOAD = 2, MOD_SHARE = 3;
constexpr uintptr_t FRAME_SPECIAL_OFF = 0, FRAME_SHOW = 1, FRAME_DELETE = 3;
constexpr uintptr_t FILE_LOAD_FRAME = 7, FILE_SAVE_FRAME = 8, FILE_ADD_FRAME = 13;
constexpr uintptr_t POINT_NEW = 0, POINT_DUPLICATE = 1, POINT_DELETE = 2;
constexpr uintptr_t TUBE_DELETE = 0, TUBE_CLEAR = 1;
constexpr uint32_t TEXTURES_COMPRESSED = 0x1;
constexpr uint32_t TUBE_VISIBLE = 0x1;
constexpr uint8_t TEST_WEIGHT_ON = 0x1;
constexpr float TEST_WEIGHT_MOST = 100.0f;  // kg
constexpr int HISTORY_ROW_END = 27;  // W: "H" and the history buttons end there on the top row

const char* const POINT_TYPE_NAMES[POINT_TYPES] = {"vertex", "lower pivot", "upper pivot", "thrust bearing"};
const char* const AXIS_FORMATS[3] = {"R %.3f", "F %.3f", "U %.3f"};
const char* const MOVE_ALL[3] = {"move all R", "move all F", "move all U"};
const char* const AXIS_HINTS[3] = {"Right (relative to object centre)", "Forward (relative to object centre)",
                                   "Up (relative to object centre)"};
const char* const SKIN_ID_HINT =
    "A mod's 6-character hexadecimal Skin ID from the mod exchange (3 characters: an official ID)";

int g_sideLeft = 0;  // pixels: the panel's left edge

void SideRow() {
  RowCursorX = g_sideLeft;
  RowCursorY += ButtonHeight;
}

void CheckMod(void* owner, int click, uintptr_t word) {
  if (EditorShellHooks.checkModForExport) EditorShellHooks.checkModForExport(owner, click, word);
}

void CompressedTexturesChanged(void*, int, uintptr_t) { RequestTextureReload(); }

int FrameShown(const VehicleEditor& e) { return e.diagramFlags == 0 && SpecialDraw == 1 && (e.displayFlags & SHOW_FRAME); }

void AddModRows(VehicleEditor& e) {
  Prss* owner = &e.prss;
  SideRow();
  AddRowButton(owner, SIDE_UNITS, MOD_CHECK, 0, nullptr, "CHECK if vehicle is valid for mod export", CheckMod,
               "Check if the mod can be exported for testing or upload");
  SideRow();
  AddRowButton(owner, SIDE_UNITS, MOD_TEST, 0, nullptr, "TEST mod in ZKT", CheckMod,
               "Export mod to local ZKT folder for testing");
  SideRow();
  AddRowButton(owner, SIDE_UNITS, MOD_UPLOAD, 0, nullptr, "EXPORT mod for UPLOAD", CheckMod,
               "Export the mod as a packed file to upload to the mod exchange");
  SideRow();
  const char* folderHint = "The local ZKT folder";
  AddRowButton(nullptr, 2, 0, 0, nullptr, "ZKT", nullptr, folderHint);
  const char* folder = EditorShellHooks.testExportFolder && EditorShellHooks.testExportFolder[0]
                           ? EditorShellHooks.testExportFolder
                           : "[folder for TEST export]";
  AddRowButton(owner, SIDE_UNITS - 2, PROMPT_TEST_FOLDER, 0, nullptr, folder, VehicleEditor::PromptAction, folderHint);
  SideRow();
  AddRowButton(owner, SIDE_UNITS, MOD_SHARE, 0, nullptr, "export to SHARE vehicle for development", CheckMod,
               "Copy the mod's files to ZKT_EDITOR\\share");
  SideRow();
  AddFlagToggle(owner, SIDE_UNITS, "Compressed textures", TEXTURES_COMPRESSED,
                reinterpret_cast<uint32_t*>(&CfgCompressedTex), nullptr, 0, CompressedTexturesChanged,
                "Use game-ready compressed textures");
}

void AddPointRows(VehicleEditor& e, Car& car, FramePoint& point) {
  Prss* owner = &e.prss;
  SideRow();
  AddRowButton(nullptr, HALF, 0, 0, nullptr, "POINT type", nullptr, nullptr);
  AddRowButton(owner, HALF - 1, CHOOSE_POINT_TYPE, 0, nullptr, point.type < POINT_TYPES ? POINT_TYPE_NAMES[point.type] : "?",
               VehicleEditor::ChooseAction, "Select the point type");
  AddRowButton(owner, 1, PROMPT_FRAME_MOVE_OFF, 0, nullptr, "c", VehicleEditor::PromptAction,
               "Clear the selected point (C)");
  const int32_t* coordinates[3] = {&point.x, &point.y, &point.z};
  for (int axis = 0; axis < 3; ++axis) {
    SideRow();
    PageFloat(AXIS_FORMATS[axis], float(*coordinates[axis]) / 65536.0f, SIDE_UNITS - 2, AXIS_HINTS[axis], nullptr,
              owner, uintptr_t(axis), VehicleEditor::PointValueAction);
    AddStepHintButtons(owner, uintptr_t(2 * axis), uintptr_t(2 * axis + 1), nullptr, VehicleEditor::MovePoints,
                       STEP_HINT_MOVE);
  }
  SideRow();
  AddByteFlagToggle(owner, SIDE_UNITS, "TEST: Add weight at point", TEST_WEIGHT_ON, &car.testWeight, nullptr, nullptr,
                    "Add a test weight to press down at the selected point's location");
  car.testWeightPoint = {float(point.x) / 65536.0f, float(point.y) / 65536.0f, float(point.z) / 65536.0f};
  if (car.testWeight & TEST_WEIGHT_ON) {
    SideRow();
    AddValueEditButton(owner, "applied mass %.2f", 0.0f, TEST_WEIGHT_MOST, &car.testWeightMass, nullptr, nullptr,
                       VALUE_PLAIN, "Set the mass of the test weight");
    const float* up = &car.orientation[6];
    const Vec3& p = car.testWeightPoint;
    SideRow();
    PageFloat("height of test point %.3f", float(car.position.z) / 65536.0f + up[0] * p.x + up[1] * p.y + up[2] * p.z,
              SIDE_UNITS, "The height of the test point above ground level");
  }
}

void AddFrameMoveRows(VehicleEditor& e) {
  Prss* owner = &e.prss;
  SideRow();
  AddRowButton(owner, HALF, PROMPT_FRAME_MOVE, e.frameMove, nullptr, "allow frame move", VehicleEditor::PromptAction,
               "Show buttons for moving the whole frame");
  if (!e.frameMove) return;
  for (int axis = 0; axis < 3; ++axis) {
    SideRow();
    RowCursorX = g_sideLeft + HALF * ButtonWidth;
    AddRowButton(nullptr, 6, 0, 0, nullptr, MOVE_ALL[axis], nullptr, AXIS_HINTS[axis]);
    AddStepHintButtons(owner, uintptr_t(2 * axis), uintptr_t(2 * axis + 1), nullptr, VehicleEditor::MovePoints,
                       STEP_HINT_MOVE);
  }
}

void AddTubeRows(VehicleEditor& e, FrameTube& tube) {
  Prss* owner = &e.prss;
  const bool solid = tube.a >= 0 && tube.b >= 0;
  SideRow();
  PageFloat("TUBE mass %.3f kg", tube.mass, SIDE_UNITS, "The mass of the selected tube");
  SideRow();
  EditDomain = EDIT_DOMAIN_VEHICLE;
  if (solid)
    AddValueEditButton(owner, "%.2f kg/m", TUBE_MIN_MASS_PER_METRE, TUBE_MAX_MASS_PER_METRE, &tube.massPerMetre,
                       nullptr, PageValueChanged, VALUE_PLAIN, "Mass per metre of the selected tube");
  else
    AddValueEditButton(owner, "radius %.3f m", 0.01f, 0.05f, &tube.radius, nullptr, PageValueChanged, VALUE_PLAIN,
                       "Radius of the selected tube");
  EditDomain = EDIT_DOMAIN_NONE;
  SideRow();
  AddRowButton(owner, 2, TUBE_CLEAR, 0, nullptr, "clr", VehicleEditor::TubeAction, "Clear the selected tube (C)");
  AddRowButton(owner, 6, TUBE_DELETE, 0, &TextColours.red, "delete tube", VehicleEditor::TubeAction,
               "Delete the selected tube");
  AddRowButton(nullptr, 6, 0, 0, nullptr, "tube visibility", nullptr,
               "Tube visibility when special draw is switched off (S)");
  if (solid) {
    AddRowButton(nullptr, 2, 0, 0, nullptr, "OFF", nullptr, "Solid tubes cannot be visible");
  } else {
    EditDomain = EDIT_DOMAIN_VEHICLE;
    AddRowListButton(owner, 2, (tube.flags & TUBE_VISIBLE) ? "ON" : "OFF", TUBE_VISIBLE, &tube.flags, nullptr, 0,
                     PageValueChanged, "Set visibility of the suspension link tube");
    EditDomain = EDIT_DOMAIN_NONE;
  }
}

}  // namespace

void VehicleEditor::DrawInfoPanel(VehicleEditor& e) {
  if (!e.car || ScreenWidth <= 0 || ScreenHeight <= 0) return;
  if (e.selection.openTab >= 0 && e.selection.openTab < TAB_PAGE_COUNT) return;  // the tab page has the column
  const float top = 2.0f * static_cast<float>(TAB_ROWS * ButtonHeight) / ScreenHeight - 1.0f + INFO_PANEL_GAP;
  // Wider where its lines need it, up to the rows at the right (the panel's tabs stand level
  // with their lowest rows): then from the screen's edge, without the gap.
  const float sideLeft = 2.0f * static_cast<float>(ScreenWidth - PANEL_ROW_UNITS * ButtonWidth) / ScreenWidth - 1.0f;
  SetInfoPanelLayout(INFO_PANEL_GAP - 1.0f, INFO_PANEL_GAP - 1.0f + INFO_PANEL_WIDTH, top, sideLeft);
  if (InfoLayout.sx * PANEL_WIDTH > INFO_PANEL_WIDTH) SetInfoPanelLayout(-1.0f, -1.0f + INFO_PANEL_WIDTH, top, sideLeft);
  // The panel's scale stays at its least in this column, so a deep page ends early instead of
  // reaching over the common rows.
  ClipInfoPanelBelow(2.0f * static_cast<float>(CommonRowsTop(*e.car)) / ScreenHeight - 1.0f - INFO_PANEL_GAP);
  InfoPanelArgs a;
  a.owner = &e.prss;
  a.onSetupChanged = InfoSetupChanged;
  a.onBodyColour = InfoColourChanged;
  a.onWheelColour = InfoSkinColourChanged;
  a.onStepTyre = StepTyreType;
  a.onStepDifferential = StepDifferential;
  a.onStepConfiguration = StepConfiguration;
  a.onPassengers = SetPassengers;
  a.onSwitch = SetSetupSwitch;
  a.onSkin = SkinAction;
  a.onStrategy = InfoStrategyChanged;
  a.car = e.car;
  a.fuelPerLap = 0.0f;
  a.inEditor = 1;
  a.editDomain = EDIT_DOMAIN_VEHICLE;  // every change of the car through the panel is an edit point
  DrawVehicleInfoPanel(a);
  ResetInfoPanelLayout();
}

void VehicleEditor::BuildSidePanel(VehicleEditor& e) {
  if (!e.car) return;
  Car& car = *e.car;
  Prss* owner = &e.prss;
  LayoutColumns = PANEL_ROW_UNITS;
  EditDomain = EDIT_DOMAIN_NONE;
  g_sideLeft = ScreenWidth - SIDE_UNITS * ButtonWidth;
  RowCursorX = g_sideLeft;
  // The top row holds the message history and history buttons from 16 W; a screen too narrow
  // to keep the panel clear of them starts it one row lower.
  RowCursorY = g_sideLeft < HISTORY_ROW_END * ButtonWidth ? ButtonHeight : 0;
  static char skinId[SHORT_NAME_SIZE + 1];
  std::snprintf(skinId, sizeof skinId, "%.*s", SHORT_NAME_SIZE, car.shortName);
  AddRowButton(nullptr, 5, 0, 0, nullptr, "Skin ID", nullptr, SKIN_ID_HINT);
  AddRowButton(owner, 5, PROMPT_SKIN_ID, 0, nullptr, skinId, PromptAction, SKIN_ID_HINT);
  AddRowButton(owner, 6, CHOOSE_ENGINE_PAGE, 0, nullptr, "edit engine", ChooseAction, "Open the engine editor");
  if (car.physicsCheck && car.physicsCheck[0]) {
    SideRow();
    AddRowButton(nullptr, SIDE_UNITS, 0, 0, &TextColours.lightOrange, car.physicsCheck, nullptr,
                 "Status of the collision model");
  }
  AddModRows(e);

  const int shown = FrameShown(e);
  SideRow();
  AddRowButton(owner, HALF, FRAME_DELETE, 0, &TextColours.lightOrange, "delete frame", FrameAction,
               "Delete the entire frame");
  AddRowButton(owner, HALF, shown ? FRAME_SPECIAL_OFF : FRAME_SHOW, shown, nullptr, "show frame", FrameAction,
               "Show the frame");
  if (shown) {
    SideRow();
    AddRowButton(owner, 5, FILE_LOAD_FRAME, 0, nullptr, "load frame", FileAction, "Load a frame from data\\frame");
    AddRowButton(owner, 5, FILE_SAVE_FRAME, 0, nullptr, "save frame", FileAction, "Save the frame to data\\frame");
    AddRowButton(owner, 6, FILE_ADD_FRAME, 0, nullptr, "add frame", FileAction, "Add frame elements from a frame file");
  }
  const int selected = e.selection.selectedPoint;
  const bool framePoint = selected >= 0 && selected < car.framePointCount;
  if (!framePoint) car.testWeight &= uint8_t(~TEST_WEIGHT_ON);
  if (framePoint) AddPointRows(e, car, car.framePoints[selected]);
  if (!shown) return;

  if (car.framePointCount > 0 && selected == NO_POINT) AddFrameMoveRows(e);
  SideRow();
  if (selected == NO_POINT) {
    AddRowButton(owner, HALF, POINT_NEW, 0, nullptr, "new point", PointAction, "Add a new point at the object centre");
  } else if (framePoint) {
    AddRowButton(owner, 4, POINT_DUPLICATE, 0, nullptr, "dup pt", PointAction, "Duplicate the selected point");
    AddRowButton(owner, 4, POINT_DELETE, 0, &TextColours.red, "del pt", PointAction, "Delete the selected point");
  }
  SideRow();
  AddRowListButton(owner, 4, "points", SHOW_POINTS, &e.displayFlags, nullptr, 0, nullptr,
                   "Show point selection buttons");
  AddRowListButton(owner, 4, "tubes", SHOW_TUBES, &e.displayFlags, nullptr, 0, nullptr, "Show tube selection buttons");
  const int tube = e.selection.selectedTube;
  if (tube >= 0 && tube < car.frameTubeCount) AddTubeRows(e, car.frameTubes[tube]);
  AddSelectionButtons(e);
}
