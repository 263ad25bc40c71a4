// option_pages.cpp - the vehicle editor's "Allow", "Light Colours" and "Steering" pages: what
// the vehicle lets its driver and set-ups do, which lights it has and their colours, and the
// steering wheel's object and animation with the bike checks.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/window_state.h"
#include "physics/car.h"
#include "text/text_colours.h"
#include "ui/value_edit.h"
#include "vehicle_editor/settings_actions.h"
#include "vehicle_editor/tab_pages.h"
#include "vehicle_editor/vehicle_editor.h"
#include "wheel/wheel.h"

namespace {

constexpr float DEGREE = 0.017453292f;
constexpr float BIKE_CHECK_TOLERANCE = 0.005f;  // degrees
constexpr int HALF = 8, TYRE_HEADING_UNITS = 14, YES_UNITS = 2, LIGHT_UNITS = 4;
constexpr uintptr_t TYRE_MIN_DOWN = 0, TYRE_MAX_DOWN = 2;  // the up step is the word after
constexpr uintptr_t FILE_WORD_LOAD_COLOURS = 14, FILE_WORD_SAVE_COLOURS = 15;

struct AllowRow {
  const char* label;
  int word;  // 1 the first option word, 2 the second
  uint32_t bit;
  int withHandler;
  const char* hint;
};
const AllowRow ALLOW_ROWS[] = {
    {"Open differential only", 1, OPT1_OPEN_DIFFERENTIALS, 1, "Prevent the use of other types of differential"},
    {"Single setting differential", 1, OPT1_COAST_AS_POWER, 1, "Set power and coast locking to use the same value"},
    {"Live adjust brake balance", 1, OPT1_LIVE_BRAKE_BALANCE, 1, "Allow brake balance to be adjusted while driving"},
    {"Live adjust anti roll", 1, OPT1_LIVE_ANTI_ROLL, 1, "Allow anti roll to be adjusted while driving"},
    {"Pit speed limiter", 1, OPT1_PIT_LIMITER, 1, "Enable a pit speed limiter"},
    {"Handbrake", 2, OPT2_HANDBRAKE, 0, "Allow a handlbrake to be used while vehicle is moving"},
    {"ABS brakes", 2, OPT2_ANTI_LOCK, 1, "Allow anti lock brakes"},
    {"Rear brake only", 2, OPT2_NO_BRAKE_BALANCE, 1, "Set vehicle to only have rear brakes"},
    {"Horn", 2, OPT2_HORN, 0, "Allow the use of a horn"},
    {"Starter motor", 2, OPT2_STARTER, 0, "Set the vehicle to have a starter motor"},
    {"Limit setup lock to base setup lock", 2, OPT2_FIXED_LOCK, 1, "Prevent maximum lock higher than the base setup"},
};

const char* const LIGHT_NAMES_SHOWN[EDITOR_LIGHT_TESTS] = {"brake",    "head",     "tail",      "left ind",
                                                            "right ind", "rear fog", "front fog", "reverse"};
// Slider mode 2 (channels up to 220) for every light but the white ones.
constexpr int LIGHT_SLIDER_MODE[EDITOR_LIGHT_TESTS] = {2, 0, 2, 2, 2, 0, 0, 2};

const char* TyreTypeName(int type) { return type >= 0 && type < TYRE_COMPOUND_COUNT ? TyreCompounds[type].name : "?"; }

// A heading and its "NO" / "YES" button for one custom-range bit of option word 2.
void AddRangeSwitch(VehicleEditor& e, const char* heading, uint32_t bit, uintptr_t word, const char* hint) {
  const int on = (e.car->options2 & bit) != 0;
  PageRow();
  PageHeading(heading, TYRE_HEADING_UNITS, hint);
  PageChoice(e, on ? "YES" : "NO", YES_UNITS, word, on, VehicleEditor::ChooseAction, hint);
}

void AddTyreTypeRow(VehicleEditor& e, const char* label, int type, uintptr_t down) {
  PageRow();
  PageLabel(label, HALF, nullptr);
  PageLabel(TyreTypeName(type), HALF - 2, nullptr);
  AddStepHintButtons(&e.prss, down, down + 1, nullptr, VehicleEditor::StepTyreTypeLimit, 0);
}

void AddPressureRow(VehicleEditor& e, const char* label, int pressure, uintptr_t word) {
  PageRow();
  PageLabel(label, HALF, nullptr);
  PageNumber("%d kPa", pressure, HALF, nullptr, nullptr, &e.prss, word, VehicleEditor::EnterPressureLimit);
}

// The light's name and "TEST" on the left, its colour sliders to their right: a block
// LIGHT_BLOCK_UNITS wide and LIGHT_BLOCK_ROWS high with its top-left corner at (x, top).
constexpr int LIGHT_BLOCK_UNITS = LIGHT_UNITS + 7;  // the slider group: swatch 2, bar 2, arrows 2, value 1
constexpr int LIGHT_BLOCK_ROWS = 3;                 // four sliders of three quarters of a row
void AddLightBlock(VehicleEditor& e, Car& car, int light, int x, int top) {
  RowCursorX = x;
  RowCursorY = top;
  PageChoice(e, LIGHT_NAMES_SHOWN[light], LIGHT_UNITS, uintptr_t(light), 0, VehicleEditor::ToggleViewOption, nullptr);
  RowCursorX = x;
  RowCursorY = top + ButtonHeight;
  const int testing = e.lightTests[light];
  AddRowButton(&e.prss, LIGHT_UNITS, uintptr_t(light), testing, testing ? &TextColours.red : nullptr, "TEST",
               VehicleEditor::ToggleViewOption, nullptr);
  RowCursorX = x + LIGHT_UNITS * ButtonWidth;
  RowCursorY = top;
  AddColourSliders(&e.prss, uintptr_t(light), &car.colours[light], "on", VehicleEditor::FreeFastMeshes,
                   LIGHT_SLIDER_MODE[light]);
}

// The eight blocks one below the other from the row under the cursor.  When they and the two
// file rows right under them would reach the common rows at the bottom, they stand in columns
// side by side (the second over the edge of the view) rather than run under those rows and off
// the screen; when even those columns would, they flow with the page's rows, a block whole in
// a column, and the page scrolls.  top: the first block's row on the page as not scrolled,
// which the choice goes by (a scrolled page keeps its way).  The cursor ends on the last row
// of the tallest column.
void AddLightBlocks(VehicleEditor& e, Car& car, int top) {
  const int rows = (CommonRowsTop(car) - top) / ButtonHeight - 2;
  const int most = std::clamp(rows / LIGHT_BLOCK_ROWS, 1, EDITOR_LIGHT_TESTS);
  // Never into the side panel: on a narrow screen the file rows may still meet the common rows.
  const int room = (ScreenWidth - PANEL_ROW_UNITS * ButtonWidth) / (LIGHT_BLOCK_UNITS * ButtonWidth);
  const int columns = std::clamp((EDITOR_LIGHT_TESTS + most - 1) / most, 1, std::max(1, room));
  const int perColumn = (EDITOR_LIGHT_TESTS + columns - 1) / columns;  // columns as even as they go
  if (perColumn > most) {
    for (int light = 0; light < EDITOR_LIGHT_TESTS; ++light) {
      PageBlock(LIGHT_BLOCK_ROWS);
      const int x = RowCursorX, blockTop = RowCursorY;
      AddLightBlock(e, car, light, x, blockTop);
      RowCursorX = x;
      RowCursorY = blockTop + (LIGHT_BLOCK_ROWS - 1) * ButtonHeight;
    }
    return;
  }
  for (int light = 0; light < EDITOR_LIGHT_TESTS; ++light)
    AddLightBlock(e, car, light, light / perColumn * LIGHT_BLOCK_UNITS * ButtonWidth,
                  top + light % perColumn * LIGHT_BLOCK_ROWS * ButtonHeight);
  RowCursorX = 0;
  RowCursorY = top + (perColumn * LIGHT_BLOCK_ROWS - 1) * ButtonHeight;
}

}  // namespace

void VehicleEditor::BuildAllowPage(VehicleEditor& e) {
  Car& car = *e.car;
  EditDomain = EDIT_DOMAIN_VEHICLE;
  for (const AllowRow& row : ALLOW_ROWS) {
    PageRow();
    PageFlag(e, row.label, row.bit, row.word == 1 ? &car.options : &car.options2,
             row.withHandler ? PageValueChanged : nullptr, row.hint);
  }
  PageRow();
  PageNumber("Maximum lock is limited to %d\xB0", car.GetMaxSteeringLock(), PANEL_ROW_UNITS, nullptr);
  EditDomain = EDIT_DOMAIN_NONE;

  AddRangeSwitch(e, "Specify allowed tyre types", OPT2_TYRE_TYPE_LIMITS, CHOOSE_TYRE_TYPES,
                 "Manually set the allowed range of tyres");
  if (car.options2 & OPT2_TYRE_TYPE_LIMITS) {
    AddTyreTypeRow(e, "Minimum type", car.rimBytes[1], TYRE_MIN_DOWN);
    AddTyreTypeRow(e, "Maximum type", car.rimBytes[2], TYRE_MAX_DOWN);
  }
  AddRangeSwitch(e, "Specify tyre pressure limits", OPT2_PRESSURE_LIMITS, CHOOSE_PRESSURE_LIMITS,
                 "Manually set the allowed range of tyre pressures");
  if (car.options2 & OPT2_PRESSURE_LIMITS) {
    AddPressureRow(e, "Minimum pressure", car.rimWords[0], 0);
    AddPressureRow(e, "Maximum pressure", car.rimWords[1], 1);
  }
}

void VehicleEditor::BuildLightColoursPage(VehicleEditor& e) {
  Car& car = *e.car;
  EditDomain = EDIT_DOMAIN_VEHICLE;
  // When the page cannot stand in one column above the common rows, the two switches share a
  // row, half a row each, leaving a row more for the light blocks.
  const int pitRows = (car.options & OPT1_PIT_LIMITER) && (car.options2 & OPT2_FLASHER) ? 2 : 1;
  const int pageRows = 2 + pitRows + EDITOR_LIGHT_TESTS * LIGHT_BLOCK_ROWS + 2;
  const int shortOfRows = RowCursorY + (pageRows + 1) * ButtonHeight > CommonRowsTop(car);
  const int blocksTop = RowCursorY + (1 + (shortOfRows ? 1 : 2) + pitRows) * ButtonHeight;
  PageRow();
  if (shortOfRows) LayoutColumns = HALF;
  PageFlag(e, "Headlights", OPT2_HEADLIGHT, &car.options2, nullptr, "Allow headlights");
  if (!shortOfRows) PageRow();
  PageFlag(e, "Indicators", OPT2_INDICATORS, &car.options2, nullptr, "Allow turn signals");
  LayoutColumns = PANEL_ROW_UNITS;
  PageRow();
  if (car.options & OPT1_PIT_LIMITER) {
    const char* hint = "Select light to flash for the pit speed limiter";
    PageFlag(e, "Pit speed limiter flashing light", OPT2_FLASHER, &car.options2, nullptr,
             "Enable a flashing light for the speed limiter");
    if (car.options2 & OPT2_FLASHER) {
      const int fog = (car.lightsAndAids & LIGHTS_PIT_LIGHT_FOG) != 0;
      PageRow();
      PageHeading("Pit limiter light uses", HALF, hint);
      PageChoice(e, "brake", 4, PROMPT_PIT_LIGHT_OFF, !fog, VehicleEditor::PromptAction, hint);
      PageChoice(e, "rear fog", 4, PROMPT_PIT_LIGHT_ON, fog, VehicleEditor::PromptAction, hint);
    }
  } else {
    PageHeading("No pit speed limiter", PANEL_ROW_UNITS, "Pit speed limiter is not enabled in Allow tab");
  }
  AddLightBlocks(e, car, blocksTop);
  EditDomain = EDIT_DOMAIN_NONE;
  PageRow();
  PageChoice(e, "LOAD all light and mesh colours", PANEL_ROW_UNITS, FILE_WORD_LOAD_COLOURS, 0, FileAction,
             "Load light colours and colour configs from data\\colours");
  PageRow();
  PageChoice(e, "SAVE all light and mesh colours", PANEL_ROW_UNITS, FILE_WORD_SAVE_COLOURS, 0, FileAction,
             "Save light colours and colour configs to data\\colours");
}

void VehicleEditor::BuildSteeringPage(VehicleEditor& e) {
  Car& car = *e.car;
  const bool bike = (car.options & OPT1_BIKE) != 0;
  const int maxLock = car.GetMaxSteeringLock();
  static char animation[STEER_ANIMATION_SIZE + 8];
  if (car.steerAnimation[0])
    std::snprintf(animation, sizeof animation, "str_%.*s", STEER_ANIMATION_SIZE, car.steerAnimation);
  else
    std::snprintf(animation, sizeof animation, "[no driver]");
  const char* animationHint = "Specify a steering animation in data\\move";
  PageRow();
  PageHeading("Steering animation", HALF, animationHint);
  PageChoice(e, animation, HALF, PROMPT_STEERING_ANIMATION, 0, PromptAction, animationHint);

  EditDomain = EDIT_DOMAIN_VEHICLE;
  PageRow();
  PageValue(e, "Steering wheel turn (ONE WAY) %.2f\xB0", 30.0f * DEGREE, 540.0f * DEGREE, &car.steeringWheelTurn,
            nullptr, VALUE_ANGLE, "How far the steering wheel turns in each direction");
  if (bike) {
    const char* hint = "For a bike the handlebar turn should match the maximum lock";
    PageRow();
    if (std::fabs(car.steeringWheelTurn / DEGREE - float(maxLock)) > BIKE_CHECK_TOLERANCE)
      PageNumber("BIKE: Turn does not match maximum lock %d\xB0", maxLock, PANEL_ROW_UNITS, hint,
                 &TextColours.lightOrange);
    else
      PageLabel("BIKE: Turn matches maximum lock - OK", PANEL_ROW_UNITS, hint);
  }
  PageRow();
  PageValue(e, "Steering wheel heading %.2f\xB0", -22.5f * DEGREE, 22.5f * DEGREE, &car.steeringWheelAlign, nullptr,
            VALUE_ANGLE, "Sets steering wheel alignment separate from the forward direction");
  if (bike) {
    const char* hint = "For a bike the handlebar object heading should be zero";
    PageRow();
    if (std::fabs(car.steeringWheelAlign / DEGREE) > BIKE_CHECK_TOLERANCE)
      AddRowButton(nullptr, PANEL_ROW_UNITS, 0, 0, &TextColours.lightOrange, "BIKE: Heading is not zero", nullptr, hint);
    else
      PageLabel("BIKE: Heading is zero - OK", PANEL_ROW_UNITS, hint);
  }
  PageRow();
  PageValue(e, "Steering wheel pitch %.2f\xB0", 0.0f, 90.0f * DEGREE, &car.steeringWheelPitch, nullptr, VALUE_ANGLE,
            "Steering wheel pitch (from horizontal to vertical)");
  if (bike) {
    const char* hint = "For a bike the handlebar object pitch should match the caster";
    const float caster = car.wheelSets[1].caster / DEGREE;
    PageRow();
    if (std::fabs(car.steeringWheelPitch / DEGREE - caster) > BIKE_CHECK_TOLERANCE)
      PageFloat("BIKE: Pitch does not match caster %.2f\xB0", caster, PANEL_ROW_UNITS, hint, &TextColours.lightOrange);
    else
      PageLabel("BIKE: Pitch matches caster - OK", PANEL_ROW_UNITS, hint);
    PageRow();
    PageValue(e, "Trail reduction (horizontal) %.3fm", 0.0f, 0.1f, &car.trailReduction, PageValueChanged, VALUE_PLAIN,
              "Sets the wheel centre forward of the steering axis to reduce trail");
    PageRow();
    PageFloat("Fork offset (to steering axis) %.3fm", car.trailReduction * std::cos(car.steeringWheelPitch),
              PANEL_ROW_UNITS, "Wheel centre offset measured perpendicular to the steering axis");
  }
  EditDomain = EDIT_DOMAIN_NONE;
  const float lock = float(maxLock) * DEGREE;
  PageRow();
  PageValue(e, "Steer %.2f", -lock, lock, &e.steeringValue, PageSetSteering, VALUE_ANGLE,
            "Turn the steering in the editor for test purposes");
}
