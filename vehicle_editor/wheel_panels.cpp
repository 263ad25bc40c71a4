// wheel_panels.cpp - the wheel sets' rows of the "Wheel Object" page (tyre and rim sizes with
// their derived figures, the rim's shape, the brake discs, the spokes and the wheel design
// files) and the operations behind their buttons.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/window_state.h"
#include "modeller/files/modeller_files.h"
#include "modeller/editor/object_editor.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "physics/car.h"
#include "rim/rim_screen.h"
#include "ui/interface.h"
#include "ui/value_edit.h"
#include "vehicle_editor/file_actions.h"
#include "vehicle_editor/tab_pages.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"

namespace {

constexpr int ROW_UNITS = 16;
constexpr int LABEL_UNITS = 14;
constexpr float INCH = 0.0254f;
constexpr float MM = 0.001f;
// The edit points the rim editor and the spoke's modeller record on opening.
constexpr const char* EDIT_RIM = "edit rim";
constexpr const char* EDIT_SPOKE = "edit spoke";
constexpr float RIM_EDGE_ALLOWANCE_M = 0.005f;  // the spoke's reach beyond half the rim's width
constexpr float LEAST_DIVISOR = 0.001f;         // m: a spoke is not scaled by a smaller size
constexpr int WORD_SPOKE_DOWN = 0, WORD_SPOKE_UP = 1;
constexpr uint8_t LEAST_EDGE_FOR_LIP = 4;
constexpr uint8_t INNER_DEPTH_LEAST = 5, INNER_DEPTH_MOST = 10;
constexpr int VISIBLE_RIM_DEPTH_EXTRA = 18;  // mm the rim's lip adds to its inner depth
constexpr int SETS_SHOWN = 2;

constexpr const char* TEXT_SPOKE_NOT_SCALED = "The spoke was not scaled: the rim's size is too small";
constexpr const char* const TYRE_STATUS_TEXTS[3] = {"dimensions OK", "no sidewall", "rim too narrow"};

// A tyre or rim value of a wheel set: its step, the right button's steps and its limits.
struct SizeStep {
  const char* record;
  float step;
  int coarseSteps;
  float least, most;
};
constexpr SizeStep SIZE_STEPS[4] = {
    {"set width", 0.005f, 2, 0.05f, 0.6f},
    {"set ratio", 0.01f, 5, 0.25f, 0.9f},
    {"rim diameter", 0.0127f, 1, 0.0508f, 0.4572f},
    {"rim width", 0.00635f, 4, 0.0508f, 0.5842f},
};

VehicleEditor& EditorOf(void* owner) { return *static_cast<VehicleEditor*>(owner); }


float& SizeField(SuspensionBlock& set, int which) {
  switch (which) {
    case 0: return set.sectionWidth;
    case 1: return set.aspectRatio;
    case 2: return set.rimRadius;
    default: return set.rimWidth;
  }
}

// Each spoke point's radial (y, z) or lateral (x) coordinates times factor, rounded to the
// nearest 16.16 unit.
void ScaleSpoke(ModelObject& spoke, float factor, bool radial) {
  for (int i = 0; i < spoke.pointCount; ++i) {
    ModelPoint& p = spoke.points[i];
    if (radial) {
      p.y = FixedFromScaled(static_cast<float>(p.y) * factor);
      p.z = FixedFromScaled(static_cast<float>(p.z) * factor);
    } else {
      p.x = FixedFromScaled(static_cast<float>(p.x) * factor);
    }
  }
}

// The spoke scaled by newSize / oldSize; a size from a loaded vehicle that is not above 1 mm
// leaves it as it is, with one message.
void ScaleSpokeBy(Car& car, float newSize, float oldSize, bool radial) {
  if (!(oldSize > LEAST_DIVISOR) || !(newSize > LEAST_DIVISOR)) {
    ShowVehicleEditorInfo(TEXT_SPOKE_NOT_SCALED);
    return;
  }
  ScaleSpoke(car.spoke, newSize / oldSize, radial);
}

void ApplyRimShape(VehicleEditor& e) {
  Car& car = *e.car;
  SuspensionBlock& front = car.wheelSets[1];
  if (front.rimEdgeExtraWidthMm < LEAST_EDGE_FOR_LIP) front.rimLipDepthMm = 0;
  CopyRimShape(car.wheelSets[1], car.wheelSets[0]);  // the front set's shape is the rear's too
  VehicleEditor::RebuildCar(e);
  e.releaseMeshesCountdown = 1;
}

// A row of a label and its "-" and "+" buttons (words down and down + 1).
void AddStepRow(Prss* owner, const char* text, ColourWord* colour, const char* hint, uintptr_t down,
                InterfaceHandler handler) {
  AddRowButton(owner, LABEL_UNITS, 0, 0, colour, text, nullptr, hint);
  AddRowButton(owner, 1, down, 0, colour, "-", handler, hint);
  AddRowButton(owner, 1, down + 1, 0, colour, "+", handler, hint);
}

// A value control over the rest of the row at the row cursor (normalised screen units).
void AddRowByteValue(Prss* owner, uint8_t* variable, int least, int most, const char* label, int units) {
  const float w = float(ScreenWidth > 0 ? ScreenWidth : 1), h = float(ScreenHeight > 0 ? ScreenHeight : 1);
  const float left = -1.0f + 2.0f * float(RowCursorX) / w;
  const float top = -1.0f + 2.0f * float(RowCursorY) / h;
  const float right = left + 2.0f * float(units * ButtonWidth) / w;
  const float bottom = top + 2.0f * float(ButtonHeight) / h;
  AddValueControl4(owner, variable, float(least), float(most), label, least, most, nullptr, left, top, right, bottom);
  RowCursorX += units * ButtonWidth;
}

}  // namespace

// ---- Panels ----

void VehicleEditor::BuildWheelObjectPage(VehicleEditor& e) {
  if (!e.car) return;
  Car& car = *e.car;
  const uint8_t domain = EditDomain;
  EditDomain = EDIT_DOMAIN_VEHICLE;
  // One list of rows, the page's own flow putting them in columns where they do not fit: the
  // options, the front set (sizes, rim, spokes and files, disc), then the rear set.
  PageRow();
  PageFlag(e, "Concealed wheels (saloon car)", 0x20, &car.options, nullptr,
           "No inside logo and avoid drawing wheels from driver's view");
  PageRow();
  PageFlag(e, "Concealed driver (most cars)", 0x1, &car.options, nullptr,
           "Avoid drawing driver's body when car is far away");
  PageRow();
  PageFlag(e, "Reflect wheels (to left side)", 0x8000000, &car.options, nullptr,
           "Reflect (not rotate) wheels to the left side");
  PageRow();
  PageFlag(e, "Grooved slicks", 0x4000, &car.options2, RimShapeChanged, "Set slick tyres to be grooved");
  PageRow();
  PageHeading("FRONT", ROW_UNITS, "Front wheel dimensions");
  PageRow();
  AddWheelSetPanel(e, 1);
  AddBrakeDiscPanel(e, 1);
  PageFlag(e, "REAR identical", OPT1_SAME_TYRES, &car.options, WheelOptionChanged,
           "Rear wheels can have the same dimensions as the front wheels");
  PageRow();
  if (!(car.options & OPT1_SAME_TYRES)) {
    AddWheelSetPanel(e, 0);
    AddBrakeDiscPanel(e, 0);
  }
  EditDomain = domain;
}

void VehicleEditor::AddWheelSetPanel(VehicleEditor& e, int set) {
  AddTyreRows(e, set);
  if (set == 1) AddFrontWheelRows(e);
}

void VehicleEditor::AddTyreRows(VehicleEditor& e, int set) {
  if (!e.car || set < 0 || set > 1) return;
  Car& car = *e.car;
  SuspensionBlock& s = car.wheelSets[set];
  Prss* owner = &e.prss;
  const InterfaceHandler step = set == 1 ? StepFrontTyreSize : StepRearTyreSize;
  ColourWord* warning = &TextColours.red;
  // The texts live until the frame is drawn: one set of rows per wheel set.
  static char texts[SETS_SHOWN][8][96];
  char (&t)[8][96] = texts[set];
  const float ratioHundredths = s.aspectRatio * 100.0f;
  const float rimInches = s.rimRadius * 2000.0f / 25.4f;
  std::snprintf(t[0], sizeof t[0], "Width %.0f mm", s.sectionWidth * 1000.0f);
  AddStepRow(owner, t[0], nullptr, "Tyre section width", 0, step);
  PageRow();
  std::snprintf(t[1], sizeof t[1], "Ratio %.0f", ratioHundredths);
  const bool roundRatio = std::lround(ratioHundredths) % 5 == 0;
  AddStepRow(owner, t[1], roundRatio ? nullptr : warning, "Tyre aspect ratio", 2, step);
  PageRow();
  std::snprintf(t[2], sizeof t[2], "Rim diameter %.0f", rimInches);
  AddStepRow(owner, t[2], nullptr, "Wheel rim diameter in inches", 4, step);
  PageRow();
  std::snprintf(t[3], sizeof t[3], "Rim width %.2f", s.rimWidth * 1000.0f / 25.4f);
  AddStepRow(owner, t[3], nullptr, "Wheel rim width in inches", 6, step);
  PageRow();
  const uint8_t status = s.profile.status;
  AddRowButton(owner, ROW_UNITS, 0, 0, status ? warning : nullptr, TYRE_STATUS_TEXTS[std::min<int>(status, 2)],
               nullptr, "Status of the tyre dimensions");
  PageRow();
  std::snprintf(t[4], sizeof t[4], "tyre: %.0f/%.0f-%.0f", s.sectionWidth * 1000.0f, ratioHundredths, rimInches);
  AddRowButton(owner, ROW_UNITS, 0, 0, nullptr, t[4], nullptr, "Tyre specification");
  PageRow();
  const float outer = car.wheelCount > 0 ? s.rollingRadius : 0.0f;
  std::snprintf(t[5], sizeof t[5], "diameter: %.2f inch   tread: %.2f inch", outer * 2000.0f / 25.4f,
                s.treadContactWidth * 1000.0f / 25.4f);
  AddRowButton(owner, ROW_UNITS, 0, 0, nullptr, t[5], nullptr, "Overall diameter of tyre and tread width");
  PageRow();
  std::snprintf(t[6], sizeof t[6], "outer radius %.3fm", outer);
  AddRowButton(owner, ROW_UNITS, 0, 0, nullptr, t[6], nullptr, "Overall radius of tyre");
  PageRow();
}

void VehicleEditor::AddFrontWheelRows(VehicleEditor& e) {
  if (!e.car) return;
  Car& car = *e.car;
  SuspensionBlock& s = car.wheelSets[1];
  Prss* owner = &e.prss;
  static char spokes[32];
  AddRimShapePanel(e);
  AddRowColourButton(owner, "Low profile tyre style %d", 0, 1, &s.lowProfileTyreStyle, nullptr, RimShapeChanged,
                     "Visual effect of a low profile tyre with rim protection");
  PageRow();
  AddRowButton(owner, ROW_UNITS / 4, 0, 0, nullptr, "edit rim", EditRim, "Edit the rim cross section");
  AddRowButton(owner, ROW_UNITS / 4, 1, 0, nullptr, "edit spoke", EditSpoke, "Edit the spoke in the modeller");
  AddRowButton(owner, ROW_UNITS / 4, 0, 0, nullptr, "LOAD WHL", AskWheelFileLoad, "Load a wheel design from data\\whl");
  AddRowButton(owner, ROW_UNITS / 4, 0, 0, nullptr, "SAVE WHL", AskWheelFileSave, "Save the wheel design to data\\whl");
  PageRow();
  std::snprintf(spokes, sizeof spokes, "Number of spokes %d", car.spokeCount);
  AddStepRow(owner, spokes, nullptr, "The number of rotated repetitions of the spoke object", WORD_SPOKE_DOWN,
             StepSpokeCount);
  PageRow();
}

void VehicleEditor::AddRimShapePanel(VehicleEditor& e) {
  if (!e.car) return;
  SuspensionBlock& front = e.car->wheelSets[1];
  Prss* owner = &e.prss;
  AddRowColourButton(owner, "Rim edge extra width %d mm", 2, 10, &front.rimEdgeExtraWidthMm, nullptr, RimShapeChanged,
                     "Extra width at outer edge compared with base of rim");
  PageRow();
  if (front.rimEdgeExtraWidthMm < LEAST_EDGE_FOR_LIP)
    AddRowButton(owner, ROW_UNITS, 0, 0, nullptr, "Note: Rim lip depth not available", nullptr,
                 "Rim lip depth is available with 4 mm rim edge extra width");
  else
    AddRowColourButton(owner, "Rim lip depth %d mm", 0, 8, &front.rimLipDepthMm, nullptr, RimShapeChanged,
                       "Gives a curved look to the outside of the rim lip");
  PageRow();
  static char depth[40], visible[48];
  std::snprintf(depth, sizeof depth, "Rim inner depth %d mm", front.rimInnerDepthMm);
  AddStepRow(owner, depth, nullptr, "Extends inner part of the rim so the rim lip appears deeper", 0,
             StepRimInnerDepth);
  PageRow();
  std::snprintf(visible, sizeof visible, "Note: Total visible rim depth %d mm",
                front.rimInnerDepthMm + VISIBLE_RIM_DEPTH_EXTRA);
  AddRowButton(owner, ROW_UNITS, 0, 0, nullptr, visible, nullptr, "The resulting exterior depth of the rim lip");
  PageRow();
  AddRowColourButton(owner, "Rim shade %d0%%", 2, 10, &front.rimShadeTenths, nullptr, RimShapeChanged,
                     "Shading for the inner part of the rim cross section");
  PageRow();
  if (e.car->rim)
    AddByteFlagToggle(owner, ROW_UNITS, "Black inner rim", 1, &e.car->rim->secondByte, nullptr, RimShapeChanged,
                      "Black lip on the inward facing rim");
  PageRow();
}

void VehicleEditor::AddBrakeDiscPanel(VehicleEditor& e, int set) {
  if (!e.car || set < 0 || set > 1) return;
  Car& car = *e.car;
  SuspensionBlock& s = car.wheelSets[set];
  Prss* owner = &e.prss;
  if (set == 1) {
    const char* hint = "Select the type of brake disc";
    AddRowButton(owner, ROW_UNITS / 2, 0, 0, nullptr, "Brake disc type", nullptr, hint);
    AddRowButton(owner, ROW_UNITS / 4, 0, car.rimBytes[0] == 0, nullptr, "SOLID", SetDiscType, hint);
    AddRowButton(owner, ROW_UNITS / 4, 1, car.rimBytes[0] == 1, nullptr, "DRILLED", SetDiscType, hint);
  } else {
    AddRowButton(owner, ROW_UNITS, 0, 0, nullptr, "Rear brake disc", nullptr, "Settings for the rear brake disc");
  }
  PageRow();
  // The radius as text, then its slider (a right press types a value).
  static char radius[SETS_SHOWN][32];
  const char* label = s.brakeDiscRadiusMm ? "Radius %d mm" : "NO DISC %d mm";
  std::snprintf(radius[set], sizeof radius[set], label, s.brakeDiscRadiusMm);
  AddRowButton(owner, ROW_UNITS / 2, 0, 0, nullptr, radius[set], nullptr, "Radius of brake disc");
  AddRowByteValue(owner, &s.brakeDiscRadiusMm, 0, 200, label, ROW_UNITS / 2);
  PageRow();
  AddDiscOffsetSpinner(owner, &s.brakeDiscOffsetMm);
  PageRow();
}

// ---- Operations ----

void VehicleEditor::StepTyreSize(VehicleEditor& e, int click, int set, int word) {
  if (!e.car || set < 0 || set > 1) return;
  Car& car = *e.car;
  SuspensionBlock& s = car.wheelSets[set];
  if (word >= 0 && word < 8) {
    const int which = word / 2;
    const SizeStep& k = SIZE_STEPS[which];
    float& value = SizeField(s, which);
    RecordEditKeyed(k.record, reinterpret_cast<uintptr_t>(&value), 0, 0);
    const int count = (click & CLICK_RIGHT) ? k.coarseSteps : 1;
    const long steps = std::lround(value / k.step) + (word % 2 ? count : -count);
    const float old = value;
    value = std::clamp(static_cast<float>(steps) * k.step, k.least, k.most);
    if (set == 1 && which == 2 && value != old) {
      const float inner = s.rimInnerDepthMm * MM;
      ScaleSpokeBy(car, value - inner, old - inner, true);
    }
    if (set == 1 && which == 3 && value != old)
      ScaleSpokeBy(car, value * 0.5f + RIM_EDGE_ALLOWANCE_M, old * 0.5f + RIM_EDGE_ALLOWANCE_M, false);
  }
  car.CopyWheelsToConfigs();
  VehicleValueChanged(e);
  e.releaseMeshesCountdown = 1;
}

void VehicleEditor::StepFrontTyreSize(void* owner, int click, uintptr_t word) {
  StepTyreSize(EditorOf(owner), click, 1, static_cast<int>(word));
}
void VehicleEditor::StepRearTyreSize(void* owner, int click, uintptr_t word) {
  StepTyreSize(EditorOf(owner), click, 0, static_cast<int>(word));
}

void VehicleEditor::StepRimInnerDepth(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  Car& car = *e.car;
  SuspensionBlock& front = car.wheelSets[1];
  RecordEditKeyed("set rim inner depth mm", reinterpret_cast<uintptr_t>(&front.rimInnerDepthMm), 0, 0);
  const int old = front.rimInnerDepthMm;
  const int depth = std::clamp(old + (word == 1 ? 1 : -1), int(INNER_DEPTH_LEAST), int(INNER_DEPTH_MOST));
  front.rimInnerDepthMm = car.wheelSets[0].rimInnerDepthMm = static_cast<uint8_t>(depth);
  if (depth != old) ScaleSpokeBy(car, front.rimRadius - depth * MM, front.rimRadius - old * MM, true);
  ApplyRimShape(e);
}

void VehicleEditor::RimShapeChanged(void* owner, int, uintptr_t) {
  VehicleEditor& e = EditorOf(owner);
  if (e.car) ApplyRimShape(e);
}

void VehicleEditor::SetDiscType(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || word > 1) return;
  RecordEdit("set disc type");
  e.car->rimBytes[0] = static_cast<uint8_t>(word);
}

void VehicleEditor::StepSpokeCount(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  Car& car = *e.car;
  // The check runs on a copy first, so that a refused step leaves no history node.
  uint8_t count = car.spokeCount;
  CheckTotalLimits(&e.prss, count, car.spoke, static_cast<int>(word));
  if (count == car.spokeCount) return;
  RecordEditKeyed("adjust number of spokes", reinterpret_cast<uintptr_t>(&car.spokeCount), 0, 0);
  car.spokeCount = count;
  e.releaseMeshesCountdown = 1;
}

void VehicleEditor::EditRim(void* owner, int, uintptr_t) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || e.subEditor != SUB_NONE) return;
  Car& car = *e.car;
  if (!car.rim) {
    car.rim = new WXS;
    car.rim->MakeDefault("rim", RgbWord(180, 180, 180));
  }
  RecordOpeningEdit(EDIT_RIM);
  e.pageEditPoint = EDIT_RIM;
  RimScreen* screen = CreateRimScreen(&e.prss, car.rim, &car);
  if (!screen) return;
  screen->parentRows = RIM_SHAPE_ROWS;
  e.panelMode = PANEL_RIM_SHAPE;
  Prss_AddSub(&e.prss, &screen->prss);
}

void VehicleEditor::AddRimShapeRows(VehicleEditor& e) {
  // The rim editor's own edits are one "edit rim" in the history: so are these.
  const uint8_t domain = EditDomain;
  const int columns = LayoutColumns;
  EditDomain = EDIT_DOMAIN_NONE;
  LayoutColumns = ROW_UNITS;
  RowCursorX = 0;
  RowCursorY = ScreenHeight - RIM_SHAPE_ROWS * ButtonHeight;
  AddRimShapePanel(e);
  LayoutColumns = columns;
  EditDomain = domain;
}

void VehicleEditor::EditSpoke(void* owner, int, uintptr_t set) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || e.prss.sub || e.subEditor != SUB_NONE || set > 1) return;
  Car& car = *e.car;
  e.subEditor = SUB_MODELLER;
  e.spokeInEditor = 1;
  // The modeller shows the spoke inside the set's last wheel (DrawScene draws that wheel
  // alone around it); the car's body is made again when the modeller closes.
  const SuspensionBlock& block = car.wheelSets[set];
  SpokeWheel = SpokeWheelContext{};
  SpokeWheel.car = &car;
  SpokeWheel.wheel = (block.rightWheel ? block.rightWheel : block.leftWheel) - 1;
  SpokeWheel.wheelSet = static_cast<int32_t>(set);
  SpokeWheel.spokeCount = car.spokeCount;
  car.ClearSubobjectMarks();
  car.ReleaseModelObjects();
  RecordOpeningEdit(EDIT_SPOKE);
  e.pageEditPoint = EDIT_SPOKE;
  car.ReleaseMeshes();
  ObjectEditor* editor =
      OpenObjectEditor(&e.prss, OPEN_MODELLER, &car.spoke, -1, nullptr, nullptr, CALLER_VEHICLE_EDITOR, ~0u);
  if (!editor) {
    e.subEditor = SUB_NONE;
    e.spokeInEditor = 0;
    SpokeWheel = SpokeWheelContext{};
    e.pageEditPoint = nullptr;
    DropOpeningEdit(e);
    car.SetLodDistances();
    car.BuildBodyMesh();
    return;
  }
  ObjectEditorShared.spokeCount = car.spokeCount;
  MarkOpened(e);
  Prss_AddSub(&e.prss, &editor->prss);
}

int EditedCarSpokeCount() {
  const VehicleEditor* e = CurrentVehicleEditor;
  return e && e->car && e->spokeInEditor ? e->car->spokeCount : 0;
}

void SetEditedCarSpokeCount(int count) {
  VehicleEditor* e = CurrentVehicleEditor;
  if (!e || !e->car || !e->spokeInEditor || count < 1 || count > SPOKE_MAX) return;
  e->car->spokeCount = static_cast<uint8_t>(count);
  if (SpokeWheel.car == e->car) SpokeWheel.spokeCount = count;
  e->car->ReleaseMeshes();
}
