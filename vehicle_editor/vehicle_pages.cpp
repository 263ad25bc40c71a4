// vehicle_pages.cpp - the vehicle editor's class, transmission and suspension pages: controls
// bound to the edited car's vehicle data, built each frame below the tab buttons.
#include <algorithm>
#include <cstdio>

#include "physics/car.h"
#include "text/language.h"
#include "text/text_colours.h"
#include "ui/value_edit.h"
#include "vehicle/setup_diagram.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_editor/settings_actions.h"
#include "vehicle_editor/tab_pages.h"
#include "vehicle_editor/vehicle_editor.h"

namespace {

// Option bits the pages show (option word 1, then word 2, then the driver aids).
constexpr uint32_t OPT1_CONCEALED_BIKE = 0x4000;  // a bike: the caster reaches 45 degrees
constexpr uint32_t OPT1_SHIFT_LIGHT = 0x40000;
constexpr uint32_t OPT2_ENGINE_DAMAGE_LIGHT = 0x20000;
constexpr uint32_t OPT2_OVAL_ARMS = 0x1000;
constexpr uint32_t DIAGRAM_SHOWN = 0x1;
constexpr uint8_t ZERO_SPRINGS_ON = 0x1;
// The anti-roll switches as the car's set-up reads them, by wheel set (rear, front).
constexpr uint32_t NO_ANTI_ROLL[CAR_WHEEL_SETS] = {OPT1_NO_REAR_ANTI_ROLL, OPT1_NO_FRONT_ANTI_ROLL};

constexpr float DEGREE = 0.017453292f;
constexpr float UPRIGHT_LONG = 0.75f, UPRIGHT_SHORT = 0.65f;  // of the axle's radius
constexpr int HEADING_UNITS = 6, NAME_UNITS = 10, HALF_ROW_UNITS = 8;

void RebuildCarHandler(void* owner, int, uintptr_t) { VehicleEditor::RebuildCar(*static_cast<VehicleEditor*>(owner)); }

// ---- Suspension page ----

int WheelOf(const SuspensionBlock& s, int right) { return (right ? s.rightWheel : s.leftWheel) - 1; }

// A row of three choices across the panel, the current one selected and without a handler.
// Their labels are longer than the two units a choice would take, so the three share the
// full row (the last, the longest label, one unit wider).
void AddThreeChoiceRow(VehicleEditor& e, int set, int current, const char* const texts[3], const char* const hints[3],
                       InterfaceHandler handler) {
  static const int UNITS[3] = {5, 5, 6};
  PageRow();
  const uintptr_t setBit = set == 1 ? 4 : 0;
  for (int mode = 0; mode < 3; ++mode)
    PageChoice(e, texts[mode], UNITS[mode], setBit | uintptr_t(mode), mode == current,
               mode == current ? nullptr : handler, hints[mode]);
}

void AddAlignmentRow(VehicleEditor& e, const Car& car, int set) {
  const SuspensionBlock& s = car.wheelSets[set];
  const float left = car.wheelPositions[WheelOf(s, 0)].y, right = car.wheelPositions[WheelOf(s, 1)].y;
  static const char* const TEXTS[3] = {"left forward", "aligned", "right forward"};
  static const char* const HINTS[3] = {"Left wheel further forward than right wheel",
                                       "Aligned wheels as usual for most vehicles",
                                       "Right wheel further forward than left wheel"};
  AddThreeChoiceRow(e, set, left > right ? 0 : left < right ? 2 : 1, TEXTS, HINTS, VehicleEditor::SetAlignment);
}

void AddOffsetRow(VehicleEditor& e, const Car& car, int set) {
  const SuspensionBlock& s = car.wheelSets[set];
  const int wheel = s.leftWheel ? s.leftWheel - 1 : s.rightWheel - 1;
  const float side = car.wheels[wheel].side;
  static const char* const TEXTS[3] = {"offset left", "central", "offset right"};
  static const char* const HINTS[3] = {"Wheel offset to the left", "Central wheel as usual for bikes and trikes",
                                       "Wheel offset to right is not yet available"};
  AddThreeChoiceRow(e, set, side == -1.0f ? 0 : side == 1.0f ? 2 : 1, TEXTS, HINTS, VehicleEditor::SetWheelOffset);
}

void AddAxleRows(VehicleEditor& e, Car& car, int set) {
  SuspensionBlock& s = car.wheelSets[set];
  const int wheels = (s.leftWheel ? 1 : 0) + (s.rightWheel ? 1 : 0);
  const bool front = set == 1;
  const int type = s.suspensionType;
  PageRow();
  PageHeading(front ? "FRONT" : "REAR", HALF_ROW_UNITS, front ? "Front suspension type" : "Rear suspension type");
  PageChoice(e, SuspensionTypeName(type), HALF_ROW_UNITS, front ? CHOOSE_FRONT_SUSPENSION : CHOOSE_REAR_SUSPENSION, 0,
             VehicleEditor::ChooseAction, front ? "Front suspension type" : "Rear suspension type");

  const float radius = s.rollingRadius;
  const char* upright = s.halfUprightLength > UPRIGHT_LONG * radius    ? "Half upright ^3(TOO LONG)^8 %.3fm"
                        : UPRIGHT_SHORT * radius > s.halfUprightLength ? "Half upright ^3(TOO SHORT)^8 %.3fm"
                                                                       : "Half upright length %.3fm";
  PageRow();
  PageValue(e, upright, 0.01f, 1.0f, &s.halfUprightLength, VehicleEditor::AxlePositionChanged, VALUE_PLAIN, nullptr);

  const float lowest = front ? 0.1f : -4.0f, highest = front ? 4.0f : -0.1f;
  PageRow();
  if (wheels == 2 && car.wheelPositions[WheelOf(s, 0)].y != car.wheelPositions[WheelOf(s, 1)].y) {
    LayoutColumns = HALF_ROW_UNITS;
    PageValue(e, "L fwd %.3fm", lowest, highest, &car.wheelPositions[WheelOf(s, 0)].y, PageValueChanged,
              VALUE_PLAIN, nullptr);
    PageValue(e, "R fwd %.3fm", lowest, highest, &car.wheelPositions[WheelOf(s, 1)].y, PageValueChanged,
              VALUE_PLAIN, nullptr);
    LayoutColumns = PANEL_ROW_UNITS;
  } else {
    PageValue(e, "Forward %.3fm", lowest, highest, &e.axlePositions[set], VehicleEditor::AxlePositionChanged,
              VALUE_PLAIN, nullptr);
  }
  PageRow();
  PageValue(e, "Max up %.3fm", -0.6f, 0.6f, &s.maxUpPosition, VehicleEditor::AxlePositionChanged, VALUE_PLAIN, nullptr);

  if (type == SUSPENSION_MACPHERSON_STRUT || type == SUSPENSION_DOUBLE_WISHBONE) {
    PageRow();
    PageValue(e, "Included angle %.1f\xB0", -45.0f * DEGREE, 45.0f * DEGREE, &s.includedAngle,
              VehicleEditor::AxlePositionChanged, VALUE_ANGLE, nullptr);
    PageRow();
    PageValue(e, "Offset %.3fm", 0.0f, 0.3f, &s.wheelOffset, VehicleEditor::AxlePositionChanged, VALUE_PLAIN, nullptr);
    PageRow();
    PageValue(e, "Lower arm length %.3fm", 0.01f, 1.0f, &s.lowerArmLength, VehicleEditor::AxlePositionChanged,
              VALUE_PLAIN, nullptr);
    if (type == SUSPENSION_DOUBLE_WISHBONE) {
      PageRow();
      PageValue(e, "Upper arm length %.3fm", 0.01f, 1.0f, &s.upperArmLength, VehicleEditor::AxlePositionChanged,
                VALUE_PLAIN, nullptr);
    }
    PageRow();
    PageValue(e, "Required track %.3fm", 0.5f, 2.5f, &s.trackWidth, VehicleEditor::AxlePositionChanged, VALUE_PLAIN,
              "A target value to reach by various settings");
    if (wheels == 2) AddAlignmentRow(e, car, set);
  } else {
    if (type != SUSPENSION_RIGID) {
      const float most = (car.options & OPT1_CONCEALED_BIKE) ? 45.0f : car.vehicleClass == CLASS_KART ? 22.5f : 15.0f;
      PageRow();
      PageValue(e, "Caster %.2f\xB0", 0.0f, most * DEGREE, &s.caster, VehicleEditor::AxlePositionChanged, VALUE_ANGLE,
                nullptr);
    }
    if (wheels == 2 || s.trackWidth != 0.0f) {
      PageRow();
      PageValue(e, "Inclination %.2f\xB0", 0.0f, 15.0f * DEGREE, &s.inclination, VehicleEditor::AxlePositionChanged,
                VALUE_ANGLE, nullptr);
      PageRow();
      PageValue(e, "Offset %.3fm", 0.0f, 0.3f, &s.wheelOffset, VehicleEditor::AxlePositionChanged, VALUE_PLAIN,
                nullptr);
      PageRow();
      PageValue(e, "Track %.3fm", 0.5f, 2.5f, &s.trackWidth, VehicleEditor::AxlePositionChanged, VALUE_PLAIN,
                "Width between left and right contact patch centres");
    }
    if (wheels == 1) AddOffsetRow(e, car, set);
    if (wheels == 2) AddAlignmentRow(e, car, set);
  }
  const float antiRoll = SetupFloat(car.currentSetup, SETUP_AXLE[set] + AXLE_ANTI_ROLL);
  if (wheels > 0 && type != SUSPENSION_RIGID && antiRoll == 0.0f) {
    PageRow();
    PageFlag(e, "Disable anti roll bar", NO_ANTI_ROLL[set], &car.options, PageValueChanged,
             "Prevent use of anti roll setting");
  }
}

}  // namespace

void VehicleEditor::BuildClassPage(VehicleEditor& e) {
  const Car& car = *e.car;
  for (int i = 0; i < VEHICLE_CLASS_COUNT; ++i) {
    if (i % 2 == 0) PageRow();
    PageChoice(e, VehicleClassTable[i].name, TAB_UNITS, static_cast<uintptr_t>(i), i == car.vehicleClass,
               SelectClass, nullptr);
  }
}

void VehicleEditor::BuildTransmissionPage(VehicleEditor& e) {
  Car& car = *e.car;
  PageRow();
  PageHeading("Transmission", HEADING_UNITS, "The type of power unit and gearbox");
  PageChoice(e, TransmissionTypeName(car.transmissionType), NAME_UNITS, CHOOSE_TRANSMISSION, 0, ChooseAction,
             "The type of power unit and gearbox");
  PageRow();
  PageHeading("Drive type", HEADING_UNITS, "Which wheels are driven by the power unit");
  PageChoice(e, DriveTypeName(car.driveType), NAME_UNITS, CHOOSE_DRIVE_TYPE, 0, ChooseAction,
             "Which wheels are driven by the power unit");
  EditDomain = EDIT_DOMAIN_VEHICLE;
  if (car.engineFlag) {
    PageRow();
    PageNumber("Number of forward gears %d", car.gearPositions - 2, LayoutColumns - 2,
               "Number of gears excluding reverse");
    AddStepHintButtons(&e.prss, 0, 1, nullptr, StepGearCount, 0);
    PageRow();
    if (car.transmissionType == TRANSMISSION_MOTORBIKE || car.transmissionType == TRANSMISSION_CENTRIFUGAL)
      PageLabel("No reverse gear", PANEL_ROW_UNITS, "This type of transmission does not have a reverse gear");
    else
      PageValue(e, "Reverse gear ratio %.3f", -7.5f, -0.5f, &car.reverseRatio, RebuildCarHandler, VALUE_PLAIN,
                "The gear ratio for reverse gear");
    PageRow();
    PageFlag(e, "Shift light", OPT1_SHIFT_LIGHT, &car.options, nullptr, "Enable shift light");
    PageRow();
    PageFlag(e, "Engine damage light", OPT2_ENGINE_DAMAGE_LIGHT, &car.options2, nullptr, "Enable engine damage light");
  }
  if (car.transmissionType != TRANSMISSION_NONE) {
    PageRow();
    PageFlag(e, "Traction control", AID_TRACTION_CONTROL, &car.lightsAndAids, nullptr, "Enable traction control");
    if (car.lightsAndAids & AID_TRACTION_CONTROL) {
      PageRow();
      PageFlag(e, "TC uses ignition", AID_TC_IGNITION, &car.lightsAndAids, nullptr,
               "Traction control uses ignition (not throttle)");
    }
    PageRow();
    PageFlag(e, "Engine brake reduction", AID_ENGINE_BRAKE, &car.lightsAndAids, nullptr,
             "A system that uses throttle to reduce engine braking");
    PageRow();
    PageHeading("Engine sound file", HALF_ROW_UNITS, "The name of an engine sound file in data\\engine");
    PageChoice(e, car.engineName, HALF_ROW_UNITS, CHOOSE_ENGINE_SOUND, 0, ChooseAction,
               "The name of an engine sound file in data\\engine");
  }
  EditDomain = EDIT_DOMAIN_NONE;
}

void VehicleEditor::BuildSuspensionPage(VehicleEditor& e) {
  Car& car = *e.car;
  PageRow();
  PageFlag(e, "Suspension diagram", DIAGRAM_SHOWN, &e.diagramFlags, nullptr, "Show the suspension diagram (SHIFT+L): camber, inclination, caster and SA in degrees, scrub and track in metres");
  PageRow();
  PageByteFlag(e, "Zero springs test", ZERO_SPRINGS_ON, &car.zeroSprings, PageValueChanged,
               "Disable springs so the vehicle drops to the bump stops");
  e.axlePositions[0] = e.axlePositions[1] = 0.0f;
  for (int i = 0; i < car.wheelCount && i < CAR_MAX_WHEELS; ++i) {
    e.axlePositions[0] = std::min(e.axlePositions[0], car.wheelPositions[i].y);
    e.axlePositions[1] = std::max(e.axlePositions[1], car.wheelPositions[i].y);
  }
  EditDomain = EDIT_DOMAIN_VEHICLE;
  AddAxleRows(e, car, 1);
  AddAxleRows(e, car, 0);
  PageRow();
  PageFlag(e, "Oval suspension arms", OPT2_OVAL_ARMS, &car.options2, nullptr,
           "Set suspension tubes to appear oval instead of round");
  PageRow();
  PageFloat("Wheelbase %.3fm", car.wheelBase, PANEL_ROW_UNITS, "Horizontal distance between front and rear wheel centres");
  EditDomain = EDIT_DOMAIN_NONE;
}
