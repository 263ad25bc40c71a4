// mass_pages.cpp - the vehicle editor's "Object Positions" and "Mass" pages and the mass
// summary that closes both: where the engine, driver, seats, batteries, tank and spare wheel
// sit, the part masses the car's set-up computed, the total, the weight distribution and the
// centre of gravity.
#include <cmath>
#include <cstdio>

#include "physics/car.h"
#include "text/text_colours.h"
#include "ui/value_edit.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_editor/settings_actions.h"
#include "vehicle_editor/tab_pages.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"

namespace {

constexpr float DEGREE = 0.017453292f;
constexpr float FR_ENGINE_FORWARD = 0.1f;    // m: an engine this far forward is a front engine
constexpr float LEAST_DISTRIBUTION_BASE = 0.001f;  // m: no distribution over a shorter wheelbase
constexpr int HALF = 8, NOTE_UNITS = 2, QUARTER = 4;
constexpr uintptr_t SCALE_DOWN = 0, SCALE_UP = 1;
constexpr int STEP_HINT_SCALE = 12;

struct Range {
  float low, high;
};
constexpr Range RIGHT_RANGE{-1.0f, 1.0f}, FORWARD_RANGE{-6.0f, 6.0f}, UP_RANGE{-1.0f, 1.0f}, DRIVER_UP{-1.0f, 2.0f};

// A position as two rows of half-width items: the name and R, then F and U.
void AddTriplet(VehicleEditor& e, const char* name, const char* hint, Vec3& at, InterfaceHandler rightHandler,
                InterfaceHandler handler, Range up) {
  LayoutColumns = HALF;
  PageRow();
  PageLabel(name, HALF, hint);
  PageValue(e, "R %.3f m", RIGHT_RANGE.low, RIGHT_RANGE.high, &at.x, rightHandler, VALUE_PLAIN, hint);
  PageRow();
  PageValue(e, "F %.3f m", FORWARD_RANGE.low, FORWARD_RANGE.high, &at.y, handler, VALUE_PLAIN, hint);
  PageValue(e, "U %.3f m", up.low, up.high, &at.z, handler, VALUE_PLAIN, hint);
  LayoutColumns = PANEL_ROW_UNITS;
}

// The two engine bits flip through their own buttons, recorded under their names.
void FlipEngineBit(void* owner, int, uintptr_t bit) {
  VehicleEditor& e = *static_cast<VehicleEditor*>(owner);
  if (!e.car || (bit != OPT1_TRANSVERSE_ENGINE && bit != OPT1_ENGINE_REVERSED)) return;
  RecordEdit(bit == OPT1_TRANSVERSE_ENGINE ? "set engine mounting" : "set engine rotation");
  e.car->options ^= static_cast<uint32_t>(bit);
  VehicleEditor::VehicleValueChanged(e);
}

void AddNote(const char* text, int unusual, const char* hint) {
  AddRowButton(nullptr, NOTE_UNITS, 0, 0, unusual ? &TextColours.lightYellow : nullptr, text, nullptr, hint);
}

void AddEngineRows(VehicleEditor& e, const Car& car) {
  const bool fr = car.wheelCount == 4 && car.driveType == DRIVE_REAR && car.enginePosition.y >= FR_ENGINE_FORWARD;
  const bool transverse = (car.options & OPT1_TRANSVERSE_ENGINE) != 0;
  const bool clockwise = (car.options & OPT1_ENGINE_REVERSED) != 0;
  const int headingUnits = fr ? HALF : 10;
  const int bitUnits = PANEL_ROW_UNITS - headingUnits - (fr ? NOTE_UNITS : 0);
  PageRow();
  PageHeading("Engine mounting", headingUnits, "The rotational axis of the crankshaft");
  PageChoice(e, transverse ? "transverse" : "longitudinal", bitUnits, OPT1_TRANSVERSE_ENGINE, 0, FlipEngineBit,
             transverse ? "The engine is transversely mounted" : "The engine is longitudinally mounted");
  if (fr) {
    if (transverse)
      AddNote("?", 1, "Unusual mounting for front-engine RWD (FR) vehicle");
    else
      AddNote("OK", 0, "The usual mounting for a front-engine RWD (FR) vehicle");
  }
  PageRow();
  PageHeading(transverse ? "Rotation (from right)" : "Rotation (from front)", headingUnits,
              "The rotational direction of the crankshaft");
  const char* hint = transverse
                         ? (clockwise ? "Crankshaft rotates clockwise as viewed from the right"
                                      : "Crankshaft rotates anti-clockwise as viewed from the right")
                         : (clockwise ? "Crankshaft rotates clockwise as viewed from the front"
                                      : "Crankshaft rotates anti-clockwise as viewed from the front");
  PageChoice(e, clockwise ? "clockwise" : "anti-clockwise", bitUnits, OPT1_ENGINE_REVERSED, 0, FlipEngineBit, hint);
  if (fr) {
    if (transverse)
      AddNote("-", 0, nullptr);
    else if (clockwise)
      AddNote("OK", 0, "The usual rotation for longitudinal engine in an FR vehicle");
    else
      AddNote("?", 1, "Unusual rotation for longitudinal engine in an FR vehicle");
  }
}

void AddSpareWheelRows(VehicleEditor& e, Car& car) {
  PageRow();
  AddFlagToggle(&e.prss, HALF, "Spare wheel", OPT1_SPARE_WHEEL_MASS, &car.options, nullptr, 0,
                VehicleEditor::WheelOptionChanged, "Include the mass of a spare wheel");
  if (car.options & OPT1_SPARE_WHEEL_MASS) {
    AddFlagToggle(&e.prss, HALF, "Visible", OPT1_SPARE_WHEEL_VISIBLE, &car.options, nullptr, 0,
                  VehicleEditor::WheelOptionChanged, "Set if the spare wheel is visible");
    PageRow();
    PageValue(e, "Pitch %.1f\xB0", -180.0f * DEGREE, 180.0f * DEGREE, &car.spareWheelPitch, nullptr, VALUE_ANGLE,
              "Spare wheel's angle of pitch");
    AddTriplet(e, "Spare wheel", "Spare wheel position", car.spareWheelPosition, PageValueChanged, PageValueChanged,
               UP_RANGE);
  } else {
    PageHeading("Visible", 6, nullptr);
    PageLabel(car.options & OPT1_SPARE_WHEEL_VISIBLE ? "YES" : "NO", NOTE_UNITS, nullptr);
  }
}

void AddMassLine(const char* format, float kilograms) {
  PageRow();
  PageFloat(format, kilograms, PANEL_ROW_UNITS, nullptr, &TextColours.lightCyan);
}

// ---- Summary ----

int WeightDistribution(const Car& car, float& front, float& rear) {
  if (car.wheelCount <= 0 || !(car.wheelBase > LEAST_DISTRIBUTION_BASE)) return 0;
  rear = 100.0f * (car.foremostY - car.centreOfMass.y) / car.wheelBase;
  front = 100.0f - rear;
  return 1;
}

float CentreOfGravityHeight(const Car& car) {
  const float* up = &car.orientation[6];
  const Vec3& c = car.centreOfMass;
  return float(car.position.z) / 65536.0f + up[0] * c.x + up[1] * c.y + up[2] * c.z;
}

}  // namespace

void VehicleEditor::AddMassSummary(VehicleEditor& e) {
  const Car& car = *e.car;
  static char distribution[40];
  PageRow();
  PageFloat("Mass (excluding driver) %.0fkg", car.mass - car.partMasses.humans, PANEL_ROW_UNITS,
            "Mass without driver or passengers");
  PageRow();
  PageFloat("Total mass %.0fkg", car.mass, HALF, "Total mass in current configuration");
  float front = 0, rear = 0;
  // Without a wheelbase (no wheels, or all at one fore-aft place) there is nothing to share.
  if (WeightDistribution(car, front, rear)) {
    std::snprintf(distribution, sizeof distribution, "%.1f F : %.1f R", double(front), double(rear));
    PageLabel(distribution, HALF, "Weight distribution");
  }
  PageRow();
  PageFloat("COG height above ground %.3fm", CentreOfGravityHeight(car), PANEL_ROW_UNITS,
            "Current height of centre of gravity");
  PageRow();
  PageFloat("COG minimum height %.3fm", car.centreHeight, PANEL_ROW_UNITS,
            "Theoretical height of COG with suspension compressed");
  PageRow();
  AddRowButton(nullptr, QUARTER, 0, 0, &TextColours.lightCyan, "COG local", nullptr,
               "Centre of gravity relative to object centre");
  PageFloat("R %.3f", car.centreOfMass.x, QUARTER, "Right (relative to object centre)", &TextColours.lightCyan);
  PageFloat("F %.3f", car.centreOfMass.y, QUARTER, "Forward (relative to object centre)", &TextColours.lightCyan);
  PageFloat("U %.3f", car.centreOfMass.z, QUARTER, "Up (relative to object centre)", &TextColours.lightCyan);
}

// ---- [Pages] ----

void VehicleEditor::BuildObjectPositionsPage(VehicleEditor& e) {
  Car& car = *e.car;
  PageRow();
  AddMassFrameToggles(e);
  if (car.mirrored) {
    PageRow();
    PageChoice(e, "allow object positions to be adjusted", PANEL_ROW_UNITS, 0, 0, PageUpdateDriveSide,
               "Restore the drive side so object positions can be adjusted");
    AddMassSummary(e);
    return;
  }
  EditDomain = EDIT_DOMAIN_VEHICLE;
  AddEngineRows(e, car);
  AddTriplet(e, "Engine", "Engine position", car.enginePosition, PageValueChanged, PageValueChanged, UP_RANGE);
  PageRow();
  PageFlag(e, "Include seat masses", OPT1_SEAT_MASSES, &car.options, PageValueChanged,
           "Include seat masses in total mass");
  AddTriplet(e, "Driver", "Driver position", car.driverPosition, PageDriverPositionChanged, PageSeatOptionChanged,
             DRIVER_UP);
  PageRow();
  PageFlag(e, "Front passenger seat", OPT1_FRONT_PASSENGER, &car.options, PageSeatOptionChanged,
           "Allow a front passenger beside the driver");
  PageRow();
  PageFlag(e, "Back seat", OPT1_BACK_SEAT, &car.options, PageSeatOptionChanged, "Allow passengers on a rear seat");
  if (car.options & OPT1_BACK_SEAT) {
    LayoutColumns = HALF;
    PageRow();
    PageValue(e, "F %.3f m", FORWARD_RANGE.low, FORWARD_RANGE.high, &car.backSeatForward, PageSeatOptionChanged,
              VALUE_PLAIN, nullptr);
    PageValue(e, "U %.3f m", DRIVER_UP.low, DRIVER_UP.high, &car.backSeatUp, PageSeatOptionChanged, VALUE_PLAIN,
              nullptr);
    LayoutColumns = PANEL_ROW_UNITS;
  }
  PageRow();
  PageValue(e, "12V battery mass %.3f kg", 0.0f, 40.0f, &car.smallBatteryMass, PageValueChanged, VALUE_PLAIN,
            "Mass of the 12V battery");
  AddTriplet(e, "12V battery", "12V battery position", car.smallBatteryPosition, PageValueChanged, PageValueChanged,
             UP_RANGE);
  const int power = PowerKind(car.transmissionType);
  if (power == 2)
    AddTriplet(e, "Traction battery", "Main battery position", car.mainBatteryPosition, PageValueChanged,
               PageValueChanged, UP_RANGE);
  else if (power == 1)
    AddTriplet(e, "Fuel tank", "Fuel tank position", car.mainBatteryPosition, PageValueChanged, PageValueChanged,
               UP_RANGE);
  AddSpareWheelRows(e, car);
  EditDomain = EDIT_DOMAIN_NONE;
  AddMassSummary(e);
}

void VehicleEditor::BuildMassPage(VehicleEditor& e) {
  Car& car = *e.car;
  PageRow();
  if (!(car.options & OPT1_FRAME_VISIBLE)) {
    PageHeading("Frame NOT VISIBLE", PANEL_ROW_UNITS, "No visible frame elements");
  } else {
    const bool front = car.options & OPT1_FRONT_SUSPENSION_VISIBLE, rear = car.options & OPT1_REAR_SUSPENSION_VISIBLE;
    PageHeading("Frame VISIBLE", PANEL_ROW_UNITS,
                front && rear ? "Visible front and rear suspension"
                : front       ? "Visible front suspension"
                : rear        ? "Visible rear suspension"
                              : "No visible suspension");
  }
  PageRow();
  AddMassFrameToggles(e);
  PageRow();
  PageLabel("Scale frame mass", 14, nullptr);
  AddStepHintButtons(&e.prss, SCALE_DOWN, SCALE_UP, nullptr, ScaleFrameMass, STEP_HINT_SCALE);
  AddMassLine("Frame %.0fkg", car.partMasses.frame);

  EditDomain = EDIT_DOMAIN_VEHICLE;
  if (PowerKind(car.transmissionType) == 2) {
    AddMassLine("Motor %.0fkg", car.partMasses.engine);
    PageRow();
    PageValue(e, "Battery capacity %.2f kWh", 1.0f, 120.0f, &car.fuelTankCapacity, PageValueChanged, VALUE_PLAIN,
              nullptr);
    AddMassLine("Traction battery %.0fkg", car.partMasses.tank);
  } else {
    AddMassLine("Engine %.0fkg", car.partMasses.engine);
    PageRow();
    PageFlag(e, "Specify fuel tank size", OPT1_FUEL_CAPACITY, &car.options, PageValueChanged, nullptr);
    if (car.options & OPT1_FUEL_CAPACITY) {
      PageRow();
      PageValue(e, "Fuel tank size %.2f litres", 0.0f, 600.0f, &car.fuelTankCapacity, PageValueChanged, VALUE_PLAIN,
                nullptr);
    }
    AddMassLine("Fuel tank %.0fkg", car.partMasses.tank);
  }
  AddMassLine("Wheels %.0fkg", car.partMasses.wheels);
  const bool spare = (car.options & OPT1_SPARE_WHEEL_MASS) && car.wheelCount > 0;
  AddMassLine("Spare wheel %.0fkg", spare ? car.wheels[0].unsprungMass : 0.0f);
  if (car.vehicleClass != CLASS_KART) {
    PageRow();
    PageValue(e, "Suspension mass constant %.3f", 0.1f, 0.2f, &car.suspensionMassConstant, PageValueChanged,
              VALUE_PLAIN, nullptr);
  }
  EditDomain = EDIT_DOMAIN_NONE;
  AddMassLine("Suspension %.0fkg", car.partMasses.suspension);
  AddMassLine("Humans %.0fkg", car.partMasses.humans);
  AddMassLine("Seats %.0fkg", car.partMasses.seats);
  AddMassLine("12V battery %.0fkg", car.smallBatteryMass);
  AddMassSummary(e);
}
