// settings_actions.cpp - the vehicle editor's settings actions and suspension conversions.
#include "vehicle_editor/settings_actions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "core/report.h"
#include "dashboard/dash_editor.h"
#include "dashboard/dash_figures.h"
#include "physics/car.h"
#include "platform/files.h"
#include "text/language.h"
#include "text/text_names.h"
#include "ui/dialogs.h"
#include "vehicle/car_geometry.h"
#include "vehicle_data/dashboard.h"
#include "vehicle_data/engine_file.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_editor/engine/engine_page.h"
#include "vehicle_editor/file_actions.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"

namespace {

const char* const* const DRIVE_SLOTS[] = {&LanguageTexts[TX_3a_drv_none], &LanguageTexts[TX_3a_drv_fron],
                                          &LanguageTexts[TX_3a_drv_rear], &LanguageTexts[TX_3a_drv_four]};
const char* const* const TRANSMISSION_SLOTS[] = {
    &LanguageTexts[TX_3h_box_none], &LanguageTexts[TX_3h_box_hpat], &LanguageTexts[TX_3h_box_bike],
    &LanguageTexts[TX_3h_box_sequ], &LanguageTexts[TX_3h_box_seqi], &LanguageTexts[TX_3h_box_semi],
    &LanguageTexts[TX_3h_box_elec], &LanguageTexts[TX_3h_box_kart]};
constexpr int DRIVE_COUNT = 4;
const char* const POINT_TYPES[] = {"vertex", "lower pivot", "upper pivot", "thrust bearing"};
constexpr int POINT_TYPE_COUNT = 4;
const char* const AXLE_TAGS[CAR_WHEEL_SETS] = {"[REAR]", "[FRONT]"};
const char* const AXLE_NAMES[CAR_WHEEL_SETS] = {"REAR", "FRONT"};

constexpr float ELECTRIC_BATTERY = 40.0f;       // kWh of a new traction battery
constexpr float ELECTRIC_TORQUE = 180.0f;       // N m
constexpr float ELECTRIC_POWER = 200000.0f;     // W
constexpr float ELECTRIC_TOP_SPEED = 2094.3953f;  // rad/s: 20000 rpm
constexpr float COMBUSTION_REDLINE = 733.0383f;   // rad/s: 7000 rpm
constexpr float TURBO_INERTIA_MUL = 0.5f;
constexpr const char* ELECTRIC_ENGINE_NAME = "ELECTRIC";
// The edit points the engine and dashboard pages record on opening.
constexpr const char* EDIT_ENGINE = "edit engine";
constexpr const char* EDIT_CLOCKS = "edit clocks";
constexpr uint8_t CAMBER_NEUTRAL = 45;
constexpr float CAMBER_UNIT = 0.07853982f / 45.0f;  // rad per step (0.1 degree)
constexpr double TENTHS_PER_RADIAN = 1800.0 / 3.1415927;
constexpr uintptr_t KEY_GEARS = 3, KEY_FRAME_MASS = 1, KEY_TYRE_TYPES = 3, KEY_TYRE_FLAG = 8, KEY_PRESSURE_FLAG = 0x10;

// What the open question asks about: its answer's callback reads it.
struct PendingQuestion {
  int transmission, vehicleClass, axle;
};
PendingQuestion g_asked;

VehicleEditor& EditorOf(void* owner) { return *static_cast<VehicleEditor*>(owner); }
VehicleEditor& EditorOf(Prss* owner) { return *reinterpret_cast<VehicleEditor*>(owner); }

void Refuse(VehicleEditor& e, const char* first, const char* second = nullptr) { ReportBox(&e.prss, first, second); }

// The car set up again as a load sets it up: the mass model runs again too, since these
// actions change masses (the power unit, the frame, the suspension).
void SetUp(VehicleEditor& e) {
  ++e.carSetups;
  e.car->SetupFromVehicle(0);
  e.car->UpdateWheelStates();
}

int WheelsOnAxle(const Car& car, int axle, int* last) {
  int count = 0;
  for (int i = 0; i < car.wheelCount && i < CAR_MAX_WHEELS; ++i)
    if ((car.wheels[i].wheelSet & 1) == axle) {
      ++count;
      if (last) *last = i;
    }
  return count;
}

bool RearDriveOnly(const Car& car) { return VehicleClassRow(car.vehicleClass).single != 0; }

// ---- Dialog answers ----

void DriveChosen(Prss* owner, uint32_t, int drive) { VehicleEditor::SetDriveType(owner, 1, uintptr_t(drive)); }

void TransmissionChosen(Prss* owner, uint32_t, int type) { VehicleEditor::SetTransmission(owner, 1, uintptr_t(type)); }

void NewKindDriveChosen(Prss* owner, uint32_t type, int drive) {
  VehicleEditor::ConvertMotor(EditorOf(owner), int(type), drive);
}

void ConvertMotorAnswered(Prss* owner, uint32_t, uint32_t) {
  VehicleEditor& e = EditorOf(owner);
  if (e.car) VehicleEditor::ConvertMotor(e, g_asked.transmission, e.car->driveType);
}

void ClassAnswered(Prss* owner, uint32_t, uint32_t) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  RecordEdit("set vehicle type");
  e.car->vehicleClass = static_cast<uint8_t>(g_asked.vehicleClass);
  SetUp(e);
}

void SuspensionChosen(Prss* owner, uint32_t axle, int type) { VehicleEditor::ConvertSuspension(EditorOf(owner), int(axle), type); }

void LinearAnswered(Prss* owner, uint32_t, uint32_t) { VehicleEditor::ConvertToLinear(EditorOf(owner), g_asked.axle); }

void PointTypeChosen(Prss* owner, uint32_t, int type) { VehicleEditor::SetPointType(owner, 1, uintptr_t(type)); }

void ClocksChosen(Prss* owner, uint32_t, int clocks) { VehicleEditor::SetClocks(owner, 1, uintptr_t(clocks)); }

void PressureTyped(Prss* owner, const char* text, uint32_t word) {
  VehicleEditor::SetTyrePressure(EditorOf(owner), text, int(word));
}

void EngineSoundTyped(Prss* owner, const char* text, uint32_t) { VehicleEditor::SetEngineSoundName(EditorOf(owner), text); }

// ---- ChooseAction's words ----

void CheckTextures(VehicleEditor& e) {
  if (!EditorShellHooks.checkTextures) return;
  float megapixels = 0.0f;
  const int errors = EditorShellHooks.checkTextures(*e.car, &megapixels);
  char text[160];
  if (errors == 0) {
    std::snprintf(text, sizeof text, "(maximum for upload is %d megapixels)", 5);
    char first[96];
    std::snprintf(first, sizeof first, "Combined area of the png textures is %.1f megapixels", double(megapixels));
    ReportBox(&e.prss, first, text);
  } else if (errors == 1) {
    std::snprintf(text, sizeof text, "There was an error with one of the textures %s", "(click the H button for more info)");
    ReportBox(&e.prss, text);
  } else {
    std::snprintf(text, sizeof text, "There were errors with %d of the textures %s", errors,
                  "(click the H button for more info)");
    ReportBox(&e.prss, text);
  }
}

// Switches a custom range (the tyre types or the tyre pressures); switched on, it starts from
// the range the vehicle had without it.
void SwitchRange(VehicleEditor& e, uint32_t mask, const char* name, uintptr_t key) {
  Car& car = *e.car;
  const bool on = (car.options2 & mask) == 0;
  int lowest = 0, highest = 0;
  if (mask == OPT2_TYRE_TYPE_LIMITS) {
    const uint32_t was = car.options2;
    car.options2 &= ~mask;
    car.GetTyreTypeRange(lowest, highest);
    car.options2 = was;
  } else {
    const uint32_t was = car.options2;
    car.options2 &= ~mask;
    int l[2], h[2];
    for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) car.TyrePressureRange(axle, l[axle], h[axle]);
    car.options2 = was;
    lowest = std::min(l[0], l[1]);
    highest = std::max(h[0], h[1]);
  }
  RecordEditKeyed(name, reinterpret_cast<uintptr_t>(&car.options2), key, 0);
  car.options2 ^= mask;
  if (on && mask == OPT2_TYRE_TYPE_LIMITS) {
    car.rimBytes[1] = static_cast<uint8_t>(std::clamp(lowest, 0, TYRE_TYPE_MOST));
    car.rimBytes[2] = static_cast<uint8_t>(std::clamp(highest, 0, TYRE_TYPE_MOST));
  } else if (on) {
    car.rimWords[0] = static_cast<int16_t>(std::clamp(lowest, 0, 32767));
    car.rimWords[1] = static_cast<int16_t>(std::clamp(highest, 0, 32767));
  }
  SetUp(e);
}

// ---- Suspension conversions ----

// The cross-section (x, z) distance between a wheel point and a pivot, both taken on the
// right side of the car.
float CrossSection(const IntVector& a, const IntVector& b) {
  const double dx = std::fabs(double(a.x)) / 65536.0 - std::fabs(double(b.x)) / 65536.0;
  const double dz = (double(a.z) - double(b.z)) / 65536.0;
  return static_cast<float>(std::sqrt(dx * dx + dz * dz));
}

bool Present(const IntVector& v) { return v.x != 0 || v.y != 0 || v.z != 0; }

// The axle's camber steps of the current set-up fold into its included angle.
void FoldCamber(Car& car, int axle) {
  SuspensionBlock& s = car.wheelSets[axle];
  uint8_t* bytes = car.currentSetup.bytes + SETUP_AXLE[axle];
  const float mean = ((float(bytes[AXLE_CAMBER_LEFT]) - CAMBER_NEUTRAL) + (float(bytes[AXLE_CAMBER_RIGHT]) - CAMBER_NEUTRAL)) * 0.5f;
  s.includedAngle += mean * CAMBER_UNIT;
  bytes[AXLE_CAMBER_LEFT] = bytes[AXLE_CAMBER_RIGHT] = CAMBER_NEUTRAL;
}

}  // namespace

// ---- [Names] ----

const char* TransmissionTypeName(int type) {
  return type >= 0 && type < TRANSMISSION_TYPE_COUNT ? *TRANSMISSION_SLOTS[type] : "";
}

const char* DriveTypeName(int drive) { return drive >= 0 && drive < DRIVE_COUNT ? *DRIVE_SLOTS[drive] : ""; }

int PowerKind(int type) { return type == TRANSMISSION_NONE ? 0 : type == TRANSMISSION_ELECTRIC ? 2 : 1; }

// ---- [Actions] ----

void VehicleEditor::ChooseAction(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  Car& car = *e.car;
  switch (word) {
    case CHOOSE_DRIVE_TYPE:
      if (car.wheelCount == 0) {
        SetDriveType(owner, 1, DRIVE_NONE);
        Refuse(e, "Objects can't have a drive system");
        return;
      }
      AskSelect(&e.prss, DriveChosen, "Select drive type", DRIVE_SLOTS, nullptr, DRIVE_COUNT, 0, car.driveType);
      return;
    case CHOOSE_ENGINE_PAGE:
      if (!e.prss.sub) {
        // The engine runs on the page, and stops without fuel: "fuel" goes on at once, and
        // the request switches it back once the page has closed (the editor applies it only
        // while no sub-screen is open).
        if (!(e.displayFlags & SHOW_FUEL)) {
          e.displayFlags |= SHOW_FUEL;
          e.toggleFuelRequest = 1;
        }
        RecordOpeningEdit(EDIT_ENGINE);
        e.pageEditPoint = EDIT_ENGINE;
        if (EnginePage* page = CreateEnginePage(&e.prss, &car)) Prss_AddSub(&e.prss, &page->prss);
      }
      return;
    case CHOOSE_POINT_TYPE:
      if (e.selection.selectedPoint < 0 || e.selection.selectedPoint >= car.framePointCount) return;
      AskSelect(&e.prss, PointTypeChosen, "Select point type", nullptr, POINT_TYPES, POINT_TYPE_COUNT, 0,
                car.framePoints[e.selection.selectedPoint].type);
      return;
    case CHOOSE_REAR_SUSPENSION:
    case CHOOSE_FRONT_SUSPENSION: {
      const int axle = word == CHOOSE_FRONT_SUSPENSION ? 1 : 0;
      char text[64];
      if (car.wheelSets[axle].suspensionType == SUSPENSION_LINEAR) {
        std::snprintf(text, sizeof text, "Select new %s suspension type", AXLE_NAMES[axle]);
        AskSelect(&e.prss, SuspensionChosen, text, nullptr, SuspensionTypeNames, SUSPENSION_TYPE_COUNT,
                  uint32_t(axle), car.wheelSets[axle].suspensionType);
      } else {
        std::snprintf(text, sizeof text, "Convert %s suspension to LINEAR?", AXLE_NAMES[axle]);
        g_asked.axle = axle;
        ReportQuestion(&e.prss, LinearAnswered, text, nullptr, uint32_t(axle), 0, 0);
      }
      return;
    }
    case CHOOSE_TRANSMISSION:
      if (car.vehicleClass == CLASS_OBJECT) {
        SetTransmission(owner, 1, TRANSMISSION_NONE);
        Refuse(e, "Objects can't have a power unit");
        return;
      }
      AskSelect(&e.prss, TransmissionChosen, "Select transmission type", TRANSMISSION_SLOTS, nullptr,
                TRANSMISSION_TYPE_COUNT, 0, car.transmissionType);
      return;
    case CHOOSE_CLOCKS: {
      static const char* clocks[DASH_TYPE_COUNT];
      clocks[0] = "[no clocks]";
      for (int i = 1; i < DASH_TYPE_COUNT; ++i) clocks[i] = DashPageNames[i];
      AskSelect(&e.prss, ClocksChosen, "Select clocks", nullptr, clocks, DASH_TYPE_COUNT, 0, car.dashType);
      return;
    }
    case CHOOSE_DASH_EDITOR:
      if (car.dashType >= 1 && car.dashType < DASH_TYPE_COUNT && !e.prss.sub) {
        RecordOpeningEdit(EDIT_CLOCKS);
        e.pageEditPoint = EDIT_CLOCKS;
        if (DashEditorPage* page = CreateDashEditorPage(&e.prss, e.car)) {
          e.panelMode = 2;  // no view buttons while the page is open
          Prss_AddSub(&e.prss, &page->prss);
        }
      }
      return;
    case CHOOSE_TEXTURE_CHECK: CheckTextures(e); return;
    case CHOOSE_ENGINE_SOUND:
      AskText(&e.prss, EngineSoundTyped, "Enter name of engine sound file", ENGINE_SOUND_TEXT_LENGTH, 0,
              car.engineName, 0, 0, ENGINE_FILE_PATTERN);
      return;
    case CHOOSE_TYRE_TYPES: SwitchRange(e, OPT2_TYRE_TYPE_LIMITS, "specify tyre types", KEY_TYRE_FLAG); return;
    case CHOOSE_PRESSURE_LIMITS:
      SwitchRange(e, OPT2_PRESSURE_LIMITS, "specify pressure limits", KEY_PRESSURE_FLAG);
      return;
    default: return;
  }
}

void VehicleEditor::SetDriveType(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || word >= DRIVE_COUNT) return;
  Car& car = *e.car;
  const uint8_t drive = static_cast<uint8_t>(word);
  if (car.wheelCount == 0) {
    RecordEdit("set no drive");
    car.transmissionType = TRANSMISSION_NONE;
    car.driveType = DRIVE_NONE;
  } else if (car.transmissionType != TRANSMISSION_NONE) {
    if (drive == DRIVE_NONE) {
      Refuse(e, "Powered vehicles must have a drive type");
      return;
    }
    if (RearDriveOnly(car)) {
      RecordEdit("set rear wheel drive");
      car.driveType = DRIVE_REAR;
      if (drive != DRIVE_REAR) Refuse(e, "This vehicle class only allows rear wheel drive");
    } else if (drive == DRIVE_FOUR && car.wheelCount < 4) {
      Refuse(e, "Four wheel drive is only for four wheeled vehicles");
      return;
    } else {
      RecordEdit("set drive type");
      car.driveType = drive;
    }
  } else {
    RecordEdit("set no drive");
    car.driveType = DRIVE_NONE;
    if (drive != DRIVE_NONE) Refuse(e, "Unpowered vehicles must have no drive");
  }
  car.SetTypeConstants();
  SetUp(e);
}

void VehicleEditor::SetTransmission(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || word >= TRANSMISSION_TYPE_COUNT) return;
  Car& car = *e.car;
  const int type = int(word);
  if (type == car.transmissionType) return;
  const int from = PowerKind(car.transmissionType), to = PowerKind(type);
  if (from == to) {
    RecordEdit("set transmission type");
    if (type == TRANSMISSION_CENTRIFUGAL) car.gearPositions = GEARS_LEAST;
    car.transmissionType = static_cast<uint8_t>(type);
    car.SetTypeConstants();
    SetUp(e);
    return;
  }
  if (from == 0) {
    char title[96];
    std::snprintf(title, sizeof title, "Changing to %s - select drive type", TransmissionTypeName(type));
    AskSelect(&e.prss, NewKindDriveChosen, title, DRIVE_SLOTS, nullptr, DRIVE_COUNT, uint32_t(type), car.driveType);
    return;
  }
  g_asked.transmission = type;
  const char* question = to == 2 ? "Convert to electric vehicle?" : to == 1 ? "Convert to internal combustion?"
                                                                           : "Convert to no engine?";
  ReportQuestion(&e.prss, ConvertMotorAnswered, question, from == 2 ? "Motor will be reset" : "Engine will be reset",
              uint32_t(type), 0, 0);
}

void VehicleEditor::ConvertMotor(VehicleEditor& e, int type, int drive) {
  if (!e.car || type < 0 || type >= TRANSMISSION_TYPE_COUNT || drive < 0 || drive >= DRIVE_COUNT) return;
  Car& car = *e.car;
  const bool fromNone = car.transmissionType == TRANSMISSION_NONE;
  if (fromNone && drive == DRIVE_NONE) {
    Refuse(e, "Invalid drive type");
    return;
  }
  // A drive chosen with the new power unit keeps the drive rules of the drive type list.
  if (fromNone && type != TRANSMISSION_NONE && !RearDriveOnly(car) && drive == DRIVE_FOUR && car.wheelCount < 4) {
    Refuse(e, "Four wheel drive is only for four wheeled vehicles");
    return;
  }
  RecordEdit("convert motor");
  if (fromNone) car.driveType = static_cast<uint8_t>(RearDriveOnly(car) ? DRIVE_REAR : drive);
  car.transmissionType = static_cast<uint8_t>(type);
  car.SetTypeConstants();
  EngineModel& m = car.engine;
  m.Reset();
  if (type == TRANSMISSION_NONE) {
    m.engineSize = m.turboMaxBoost = m.turboInertiaMul = m.torquePerCc = m.spreadMul = 0.0f;
    m.torqueLimit = m.redline = m.camTiming = m.resistanceMul = m.inertiaMul = m.idleSpeed = 0.0f;
    m.maxPower = m.maxTorque = 0.0f;
    m.cylinders = 0;
    std::memset(car.engineName, 0, sizeof car.engineName);
    car.driveType = DRIVE_NONE;
  } else if (type == TRANSMISSION_ELECTRIC) {
    car.options |= OPT1_FUEL_CAPACITY;
    car.fuelTankCapacity = ELECTRIC_BATTERY;
    m.flags = 0;
    m.torquePerCc = 1.0f;
    m.maxTorque = ELECTRIC_TORQUE;
    m.maxPower = ELECTRIC_POWER;
    m.redline = ELECTRIC_TOP_SPEED;
    std::snprintf(car.engineName, sizeof car.engineName, "%s", ELECTRIC_ENGINE_NAME);
  } else {
    m.turboInertiaMul = TURBO_INERTIA_MUL;
    m.TakeClassFigures(car.vehicleClass);
    m.redline = COMBUSTION_REDLINE;
    std::snprintf(car.engineName, sizeof car.engineName, "%s", DEFAULT_ENGINE_NAME);
  }
  SetUp(e);
}

void VehicleEditor::SelectClass(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || word >= VEHICLE_CLASS_COUNT) return;
  Car& car = *e.car;
  const int target = int(word), current = car.vehicleClass;
  if (target == current) return;
  char text[96];
  if (target == CLASS_OBJECT) {
    if (car.wheelCount != 0) {
      std::snprintf(text, sizeof text, "Can't change to %s", VehicleClassTable[target].name);
      Refuse(e, text);
      return;
    }
    RecordEdit("set type to object");
    car.vehicleClass = CLASS_OBJECT;
    SetUp(e);
    return;
  }
  if (target == CLASS_KART || target == CLASS_BIKE) {
    std::snprintf(text, sizeof text, "Can't change to %s", VehicleClassTable[target].name);
    Refuse(e, text);
    return;
  }
  if (current == CLASS_OBJECT || current == CLASS_KART || current == CLASS_BIKE) {
    std::snprintf(text, sizeof text, "Can't change from %s", VehicleClassRow(current).name);
    Refuse(e, text);
    return;
  }
  g_asked.vehicleClass = target;
  ReportQuestion(&e.prss, ClassAnswered, "Change vehicle type?", "Various settings may be changed or limited",
              uint32_t(target), 0, 0);
}

void VehicleEditor::ConvertSuspension(VehicleEditor& e, int axle, int type) {
  if (!e.car || axle < 0 || axle >= CAR_WHEEL_SETS) return;
  Car& car = *e.car;
  if (car.vehicleClass == CLASS_KART) {
    Refuse(e, "Can't change kart suspension");
    return;
  }
  int last = -1;
  const int wheels = WheelsOnAxle(car, axle, &last);
  if (wheels == 0) {
    Refuse(e, "Didn't find a relevant wheel");
    return;
  }
  IntVector inner, outer, centre;
  WheelContactBox(car, last, inner, outer, centre);
  SuspensionBlock& s = car.wheelSets[axle];
  char text[160];
  switch (type) {
    case SUSPENSION_RIGID: Refuse(e, "Rigid suspension is only for karts"); return;
    case SUSPENSION_LINEAR: return;
    case SUSPENSION_FRONT_FORK:
      Refuse(e, axle == 0 ? "Fork is only for front wheels"
                          : wheels == 1 ? "Change to Fork is not yet available" : "Fork is for single front wheels");
      return;
    case SUSPENSION_MACPHERSON_STRUT:
      if (wheels != 2) {
        Refuse(e, "MacPherson Strut is for a PAIR of wheels");
        return;
      }
      if (!Present(s.thrustBearing) || !Present(s.lowerPivot)) {
        Refuse(e, "A thrust bearing and a lower pivot are required", AXLE_TAGS[axle]);
        return;
      }
      RecordEdit("convert to macpherson");
      s.lowerArmLength = CrossSection(inner, s.lowerPivot);
      FoldCamber(car, axle);
      s.upperArmLength = 0.0f;
      std::snprintf(text, sizeof text, "Lower %.3f - Upright %.3f", double(s.lowerArmLength),
                    double(s.halfUprightLength) * 2.0);
      s.suspensionType = SUSPENSION_MACPHERSON_STRUT;
      break;
    case SUSPENSION_DOUBLE_WISHBONE: {
      if (wheels != 2) {
        Refuse(e, "Double Wishbone is for a PAIR of wheels");
        return;
      }
      if (!Present(s.thrustBearing) || !Present(s.lowerPivot) || !Present(s.upperPivot)) {
        Refuse(e, "A thrust bearing, a lower pivot and an upper pivot are required", AXLE_TAGS[axle]);
        return;
      }
      RecordEdit("convert to double wishbone");
      s.lowerArmLength = CrossSection(inner, s.lowerPivot);
      s.upperArmLength = CrossSection(inner, s.upperPivot);
      FoldCamber(car, axle);
      const double tenths = std::round(double(s.caster) * TENTHS_PER_RADIAN);
      car.currentSetup.bytes[SETUP_AXLE[axle] + AXLE_CASTER] = static_cast<uint8_t>(std::clamp(tenths, 0.0, 255.0));
      std::snprintf(text, sizeof text, "Lower %.3f - Upper %.3f - Upright %.3f - (Inner %.3f)",
                    double(s.lowerArmLength), double(s.upperArmLength), double(s.halfUprightLength) * 2.0,
                    double(CrossSection(s.lowerPivot, s.upperPivot)));
      s.suspensionType = SUSPENSION_DOUBLE_WISHBONE;
      break;
    }
    case SUSPENSION_TRAILING_ARM:
      if (axle == 1) {
        Refuse(e, "Front Trailing Arm is not yet available");
        return;
      }
      if (!Present(s.lowerPivot)) {
        Refuse(e, "A lower pivot is required", AXLE_TAGS[axle]);
        return;
      }
      RecordEdit("convert to trailing arm");
      s.suspensionType = SUSPENSION_TRAILING_ARM;
      text[0] = 0;
      break;
    default: return;
  }
  SetUp(e);
  if (text[0]) ShowVehicleEditorInfo(text);
}

void VehicleEditor::ConvertToLinear(VehicleEditor& e, int axle) {
  if (!e.car || axle < 0 || axle >= CAR_WHEEL_SETS) return;
  Car& car = *e.car;
  if (car.vehicleClass == CLASS_KART) {
    Refuse(e, "Kart can't have suspension");
    return;
  }
  RecordEdit("convert to linear");
  SuspensionBlock& s = car.wheelSets[axle];
  s.suspensionType = SUSPENSION_LINEAR;
  s.lowerArmLength = s.upperArmLength = 0.0f;
  s.includedAngle = 0.0f;
  SetUp(e);
}

void VehicleEditor::SetPointType(void* owner, int, uintptr_t type) {
  VehicleEditor& e = EditorOf(owner);
  const int point = e.selection.selectedPoint;
  if (!e.car || type >= POINT_TYPE_COUNT || point < 0 || point >= e.car->framePointCount) return;
  RecordEdit("set point type");
  e.car->framePoints[point].type = static_cast<uint8_t>(type);
  PointsChanged(e);
}

void VehicleEditor::StepGearCount(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  Car& car = *e.car;
  const int count = std::clamp(int(car.gearPositions) + (word & 1 ? 1 : -1), GEARS_LEAST, GEARS_MOST);
  if (count == car.gearPositions) return;
  RecordEditKeyed("set number of gears", reinterpret_cast<uintptr_t>(&car.gearPositions), KEY_GEARS, 0);
  car.gearPositions = static_cast<uint8_t>(count);
  SetUp(e);
}

void VehicleEditor::SetClocks(void* owner, int, uintptr_t clocks) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || clocks >= DASH_TYPE_COUNT || clocks == e.car->dashType) return;
  Car& car = *e.car;
  RecordEdit("set clocks");
  car.dashType = static_cast<uint8_t>(clocks);
  car.SetDashDefaults();
  {
    std::lock_guard<std::recursive_mutex> lock(CarLock);
    car.modelRebuild = 1;
  }
  if (ScanColourMarks) ScanColourMarks(car);
}

void VehicleEditor::ScaleFrameMass(void* owner, int click, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  Car& car = *e.car;
  float factor = 1.0f;
  switch (click & 15) {
    case 1: case 6: factor = 1.05f; break;
    case 2: case 9: factor = 1.1f; break;
    case 5: factor = 1.01f; break;
    case 10: factor = 2.0f; break;
    default: break;
  }
  if ((word & 1) == 0) factor = 1.0f / factor;
  const uintptr_t key = car.frameTubeCount > 0 ? reinterpret_cast<uintptr_t>(&car.frameTubes[0].massPerMetre) : 1;
  RecordEditKeyed("scale frame mass", key, KEY_FRAME_MASS, 1);
  for (int i = 0; i < car.frameTubeCount; ++i) {
    FrameTube& t = car.frameTubes[i];
    if (t.a < 0 || t.b < 0) continue;
    t.massPerMetre = std::clamp(t.massPerMetre * factor, TUBE_MIN_MASS_PER_METRE, TUBE_MAX_MASS_PER_METRE);
  }
  if (SetupWord(car.currentSetup, SETUP_FLAGS) & 1) {
    for (int axle = 0; axle < CAR_WHEEL_SETS; ++axle) {
      uint8_t* b = car.currentSetup.bytes + SETUP_AXLE[axle];
      b[AXLE_CAMBER_RIGHT] = b[AXLE_CAMBER_LEFT];
      SetSetupShort(car.currentSetup, SETUP_AXLE[axle] + AXLE_PRESSURE_RIGHT,
                    SetupShort(car.currentSetup, SETUP_AXLE[axle] + AXLE_PRESSURE_LEFT));
    }
  }
  SetUp(e);
}

void VehicleEditor::StepTyreTypeLimit(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || word > 3) return;
  Car& car = *e.car;
  uint8_t& lowest = car.rimBytes[1];
  uint8_t& highest = car.rimBytes[2];
  RecordEditKeyed("set tyre type limits", reinterpret_cast<uintptr_t>(&car.rimBytes[1]), KEY_TYRE_TYPES, 0);
  const int step = word & 1 ? 1 : -1;
  if (word < 2) {
    lowest = static_cast<uint8_t>(std::clamp(int(lowest) + step, 0, TYRE_TYPE_MOST));
    if (lowest > highest) highest = lowest;
  } else {
    highest = static_cast<uint8_t>(std::clamp(int(highest) + step, 0, TYRE_TYPE_MOST));
    if (highest < lowest) lowest = highest;
  }
  SetUp(e);
}

void VehicleEditor::EnterPressureLimit(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || word > 1) return;
  Car& car = *e.car;
  char prompt[96], start[16];
  if (word == 0)
    std::snprintf(prompt, sizeof prompt, "Enter new value for minimum tyre pressure (max. %d kPa)", car.rimWords[1] - 1);
  else
    std::snprintf(prompt, sizeof prompt, "Enter new value for maximum tyre pressure (max. %d kPa)",
                  car.TyrePressureLimit());
  std::snprintf(start, sizeof start, "%d", car.rimWords[word]);
  AskText(&e.prss, PressureTyped, prompt, PRESSURE_TEXT_LENGTH, uint32_t(word), start, 0, 0, nullptr);
}

int VehicleEditor::SetTyrePressure(VehicleEditor& e, const char* text, int word) {
  if (!e.car || !text || !text[0] || word < 0 || word > 1) return 0;
  Car& car = *e.car;
  char copy[32];
  std::snprintf(copy, sizeof copy, "%s", text);
  for (char* p = copy; *p; ++p)
    if (*p == ',') *p = '.';
  char* end = nullptr;
  const double typed = std::strtod(copy, &end);
  const bool number = end != copy;
  const int limit = car.TyrePressureLimit();
  char message[96];
  if (number && typed < 0.0) {
    Refuse(e, "Tyre pressure cannot be less than zero");
    return 0;
  }
  // Not a number, not finite, or beyond the limit: the limit is named.
  if (!number || !std::isfinite(typed) || std::round(typed) > double(limit)) {
    std::snprintf(message, sizeof message, "The maximum tyre pressure for this vehicle is %d kPa", limit);
    Refuse(e, message);
    return 0;
  }
  const int value = static_cast<int>(std::round(typed));
  if (word == 0 && value >= car.rimWords[1]) {
    Refuse(e, "Minimum pressure must be less than maximum pressure");
    return 0;
  }
  if (word == 1 && value <= car.rimWords[0]) {
    Refuse(e, "Maximum pressure must be greater than minimum pressure");
    return 0;
  }
  RecordEdit(word == 0 ? "set minimum tyre pressure" : "set maximum tyre pressure");
  car.rimWords[word] = static_cast<int16_t>(value);
  SetUp(e);
  return 1;
}

void VehicleEditor::PromptAction(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  switch (word) {
    case PROMPT_CLOSE_TEXT: EditorText.shown = 0; return;
    case PROMPT_SPEED_UNIT: DashUnits.kmh ^= 1; return;
    case PROMPT_SPECIAL_DRAW: SpecialDraw ^= 1; return;
    case PROMPT_PIT_LIGHT_OFF:
    case PROMPT_PIT_LIGHT_ON:
      if (!e.car) return;
      // The choice has a bit of its own: the limiter's own bit stays as the "Allow" page set it.
      RecordEditKeyed("set pit limiter light", reinterpret_cast<uintptr_t>(&e.car->lightsAndAids),
                      LIGHTS_PIT_LIGHT_FOG, 0);
      if (word == PROMPT_PIT_LIGHT_ON)
        e.car->lightsAndAids |= LIGHTS_PIT_LIGHT_FOG;
      else
        e.car->lightsAndAids &= ~LIGHTS_PIT_LIGHT_FOG;
      SetUp(e);
      return;
    case PROMPT_STEERING_ANIMATION: AskSteeringAnimation(owner, 1, word); return;
    case PROMPT_FRAME_MOVE: e.frameMove ^= 1; return;
    case PROMPT_FRAME_MOVE_OFF:
      e.frameMove = 0;
      e.selection.selectedPoint = NO_POINT;
      return;
    case PROMPT_SKIN_ID: AskSkinId(owner, 1, word); return;
    case PROMPT_TEST_FOLDER: AskTestExportFolder(owner, 1, word); return;
    default: return;
  }
}

void VehicleEditor::RemoveUnusedLayers(void* owner, int, uintptr_t mask) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car || !e.car->model) return;
  RecordEdit("remove unused layers");
  ModelObject& model = *e.car->model;
  model.KeepTriangleSlots(static_cast<uint32_t>(mask));
  for (ModelLodCache& cache : model.caches) cache.layerMask |= ~static_cast<uint32_t>(mask);
  SetUp(e);
}

int VehicleEditor::SetEngineSoundName(VehicleEditor& e, const char* name) {
  if (!e.car || !name) return 0;
  Car& car = *e.car;
  if (const char* fault = name[0] ? FileNameFault(name, int(sizeof car.engineName) - 1) : nullptr) {
    char refusal[NAME_REFUSAL_SIZE];
    FormatNameRefusal(refusal, sizeof refusal, "Engine sound file name must be ASCII (e.g. 0-9 A-Z a-z)", name, fault);
    Refuse(e, refusal);
    return 0;
  }
  RecordEdit("set engine sound file name");
  std::memset(car.engineName, 0, sizeof car.engineName);
  std::memcpy(car.engineName, name, std::strlen(name));
  if (!name[0]) return 1;
  char path[FILE_PATH_SIZE];
  if (!MakeNamedPath(path, sizeof path, ENGINE_FILE_PATTERN, name) || !FileIsRegular(path)) {
    Refuse(e, "Engine sound file name is set but the file was not found", path);
    return 1;
  }
  // The sound and its waves only: the definition read goes to a scratch engine.
  EngineModel scratch{};
  LoadEngine(scratch, path, &e.prss, car.engine);
  return 1;
}
