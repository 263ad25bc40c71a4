// wizard_page.cpp - the new-vehicle wizard's settings, their automatic values by layout and
// class, and the page "Initial setup for new vehicle" over the vehicle editor.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/report.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_editor/new_vehicle/new_vehicle_wizard.h"
#include "vehicle_editor/tab_pages.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"
#include "wheel/wheel.h"

const char* const NewVehicleLayoutNames[NEW_LAYOUT_COUNT] = {"Car (4 Wheels)", "Three Wheeler", "Trike",
                                                             "Bike (experimental)", "Kart", "Object"};

namespace NewVehicleWizard {
NewVehicleSettings Settings;
uint32_t AutoFlags;
uint8_t Running;
uint8_t RebuildWanted;
uint8_t FrameWanted;
uint32_t Builds;

namespace {

VehicleEditor& EditorOf(void* owner) { return *static_cast<VehicleEditor*>(owner); }

bool SingleClass(int vehicleClass) {
  return vehicleClass == CLASS_OBJECT || vehicleClass == CLASS_KART || vehicleClass == CLASS_BIKE;
}

// The layouts' classes and axles: class, rear suspension and wheels, front suspension and wheels.
struct LayoutStart {
  uint8_t vehicleClass, rearType, rearWheels, frontType, frontWheels;
};
constexpr LayoutStart LAYOUT_STARTS[NEW_LAYOUT_COUNT] = {
    {CLASS_SALOON, 1, 2, 1, 2}, {CLASS_SALOON, 1, 1, 1, 2}, {CLASS_SALOON, 1, 2, 2, 1},
    {CLASS_BIKE, 1, 1, 2, 1},   {CLASS_KART, 0, 2, 0, 2},   {CLASS_OBJECT, 0, 0, 0, 0},
};

struct Tyres {
  float rearWidth, rearRatio, rearRim, frontWidth, frontRatio, frontRim;
};

void SetTyres(const Tyres& t) {
  Settings.rear.sectionWidth = t.rearWidth;
  Settings.rear.aspectRatio = t.rearRatio;
  Settings.rear.rimDiameter = t.rearRim;
  Settings.front.sectionWidth = t.frontWidth;
  Settings.front.aspectRatio = t.frontRatio;
  Settings.front.rimDiameter = t.frontRim;
}

void SetEngine(float cc, int cylinders) {
  Settings.engineSize = cc;
  Settings.cylinders = static_cast<uint8_t>(cylinders);
}

void SetTracks(float rear, float front) {
  Settings.rear.trackWidth = rear;
  Settings.front.trackWidth = front;
}

// Values for four or more wheels by class; a class without a value keeps the old one.
void FourWheelDefaults(uint32_t bits) {
  NewVehicleSettings& s = Settings;
  const int c = s.vehicleClass;
  if (bits & AUTO_WHEELBASE) {
    switch (c) {
      case CLASS_TOURING_CAR:
      case CLASS_GT: s.wheelbase = 2.4f; break;
      case CLASS_SALOON: s.wheelbase = 2.3f; break;
      case CLASS_BUGGY: s.wheelbase = 2.0f; break;
      case CLASS_FORMULA: s.wheelbase = 2.65f; break;
      case CLASS_KART: s.wheelbase = 1.05f; break;
      case CLASS_VAN:
      case CLASS_TRUCK: s.wheelbase = 3.3f; break;
      case CLASS_F1: s.wheelbase = 3.1f; break;
      case CLASS_FSAE: s.wheelbase = 1.8f; break;
      default: break;
    }
  }
  if (bits & AUTO_ENGINE) {
    switch (c) {
      case CLASS_TOURING_CAR: SetEngine(2800, 4); break;
      case CLASS_SALOON:
      case CLASS_BUGGY:
      case CLASS_VAN:
      case CLASS_TRUCK: SetEngine(1600, 4); break;
      case CLASS_FORMULA: SetEngine(2000, 4); break;
      case CLASS_GT: SetEngine(3600, 6); break;
      case CLASS_KART: SetEngine(200, 1); break;
      case CLASS_F1: SetEngine(2400, 8); break;
      case CLASS_FSAE: SetEngine(600, 4); break;
      default: break;
    }
  }
  if (bits & AUTO_TRACKS) {
    switch (c) {
      case CLASS_TOURING_CAR:
      case CLASS_GT:
      case CLASS_VAN:
      case CLASS_TRUCK: SetTracks(1.6f, 1.6f); break;
      case CLASS_SALOON:
      case CLASS_F1: SetTracks(1.4f, 1.4f); break;
      case CLASS_BUGGY: SetTracks(1.5f, 1.5f); break;
      case CLASS_FORMULA: SetTracks(1.3f, 1.4f); break;
      case CLASS_KART: SetTracks(1.0f, 0.9f); break;
      case CLASS_FSAE: SetTracks(1.2f, 1.2f); break;
      default: break;
    }
  }
  if (bits & AUTO_MASS) {
    switch (c) {
      case CLASS_TOURING_CAR: s.targetMass = 1200; break;
      case CLASS_SALOON: s.targetMass = 1000; break;
      case CLASS_BUGGY:
      case CLASS_F1: s.targetMass = 600; break;
      case CLASS_FORMULA: s.targetMass = 500; break;
      case CLASS_GT: s.targetMass = 1100; break;
      case CLASS_KART: s.targetMass = 120; break;
      case CLASS_VAN:
      case CLASS_TRUCK: s.targetMass = 1600; break;
      case CLASS_FSAE: s.targetMass = 400; break;
      default: break;
    }
  }
}

// Ride height and tyres when the front axle has other than one wheel, by class.
void ClassRideAndTyres(uint32_t bits) {
  NewVehicleSettings& s = Settings;
  const int c = s.vehicleClass;
  if (bits & AUTO_RIDE_HEIGHT) {
    switch (c) {
      case CLASS_TOURING_CAR: s.rideHeight = 0.15f; break;
      case CLASS_SALOON: s.rideHeight = 0.2f; break;
      case CLASS_BUGGY:
      case CLASS_VAN:
      case CLASS_TRUCK: s.rideHeight = 0.25f; break;
      case CLASS_FORMULA:
      case CLASS_GT:
      case CLASS_F1:
      case CLASS_FSAE: s.rideHeight = 0.06f; break;
      case CLASS_KART: s.rideHeight = 0.04f; break;
      default: break;
    }
  }
  if (bits & AUTO_TYRES) {
    switch (c) {
      case CLASS_TOURING_CAR: SetTyres({0.245f, 0.4f, 0.4318f, 0.225f, 0.45f, 0.4318f}); break;
      case CLASS_SALOON: SetTyres({0.185f, 0.5f, 0.381f, 0.185f, 0.5f, 0.381f}); break;
      case CLASS_BUGGY: SetTyres({0.215f, 0.65f, 0.381f, 0.185f, 0.65f, 0.381f}); break;
      case CLASS_FORMULA: SetTyres({0.285f, 0.45f, 0.3302f, 0.225f, 0.5f, 0.3302f}); break;
      case CLASS_GT: SetTyres({0.37f, 0.3f, 0.4572f, 0.3f, 0.35f, 0.4572f}); break;
      case CLASS_KART: SetTyres({0.1524f, 0.5f, 0.127f, 0.1143f, 0.55f, 0.127f}); break;
      case CLASS_VAN:
      case CLASS_TRUCK: SetTyres({0.205f, 0.65f, 0.381f, 0.205f, 0.65f, 0.381f}); break;
      case CLASS_F1: SetTyres({0.375f, 0.4f, 0.3302f, 0.335f, 0.45f, 0.3302f}); break;
      case CLASS_FSAE: SetTyres({0.19f, 0.45f, 0.3302f, 0.19f, 0.45f, 0.3302f}); break;
      default: break;
    }
  }
}

void LayoutChosen(Prss* owner, uint32_t, int index) {
  if (index >= 0 && index < NEW_LAYOUT_COUNT) Start(*reinterpret_cast<VehicleEditor*>(owner), index);
}

const char* ClassNames[VEHICLE_CLASS_COUNT];

void ClassChosen(Prss* owner, uint32_t, int index) { SetClass(*reinterpret_cast<VehicleEditor*>(owner), index); }

// A message over the editor: a box when nothing covers it, else a warning line.
void Tell(VehicleEditor& e, const char* text) {
  if (e.prss.sub) ReportLine(text, REPORT_WARNING);
  else ReportBox(&e.prss, text);
}

// Label texts live until the frame is drawn.
constexpr int ROW_TEXTS = 8, ROW_TEXT_SIZE = 64;
char g_rowTexts[ROW_TEXTS][ROW_TEXT_SIZE];
int g_rowText;

const char* RowText(const char* format, double value) {
  char* text = g_rowTexts[g_rowText++ % ROW_TEXTS];
  std::snprintf(text, ROW_TEXT_SIZE, format, value);
  return text;
}

constexpr int AUTO_UNITS = 3, ADJUST_UNITS = 4;

// One adjustable row: with its automatic bit set the value and "adjust"; with it clear "auto"
// and the value's bar and step buttons.
void AddValueRow(VehicleEditor& e, const char* format, float* value, float lowest, float highest, uint32_t bit,
                 const char* hint) {
  PageRow();
  if (AutoFlags & bit) {
    PageLabel(RowText(format, double(*value)), PANEL_ROW_UNITS - ADJUST_UNITS, nullptr);
    PageChoice(e, "adjust", ADJUST_UNITS, bit, 0, SetManual, hint);
    return;
  }
  PageChoice(e, "auto", AUTO_UNITS, bit, 0, SetAuto, "Take this value from the layout and class");
  const int columns = LayoutColumns;
  LayoutColumns = PANEL_ROW_UNITS - AUTO_UNITS;
  PageValue(e, format, lowest, highest, value, ValueChanged, VALUE_PLAIN, nullptr);
  LayoutColumns = columns;
}

void AddAxleRows(VehicleEditor& e, const char* name, NewVehicleAxle& axle, int word) {
  PageRow();
  PageHeading(name, PANEL_ROW_UNITS, nullptr);
  if (axle.wheelCount == 1) {
    PageRow();
    PageLabel("Single wheel", PANEL_ROW_UNITS, nullptr);
  } else {
    AddValueRow(e, "Track width %.3fm", &axle.trackWidth, 0.5f, 2.5f, AUTO_TRACKS, "Set the track widths by hand");
  }
  PageRow();
  PageLabel("Suspension type", PANEL_ROW_UNITS / 2, nullptr);
  const int type = axle.suspensionType < SUSPENSION_TYPE_COUNT ? axle.suspensionType : 0;
  PageChoice(e, SuspensionTypeNames[type], PANEL_ROW_UNITS / 2, uintptr_t(word), 0, SuspensionTypeInfo, nullptr);
}

}  // namespace

void ApplyClassDefaults() {
  NewVehicleSettings& s = Settings;
  const uint32_t bits = AutoFlags;
  const int rear = s.rear.wheelCount, front = s.front.wheelCount, wheels = rear + front;
  if (wheels == 0) {
    if (bits & AUTO_WHEELBASE) s.wheelbase = 1.0f;
    if (bits & AUTO_RIDE_HEIGHT) s.rideHeight = 0.0f;
    if (bits & AUTO_ENGINE) SetEngine(100, 1);
    if (bits & AUTO_TRACKS) SetTracks(0, 0);
    if (bits & AUTO_TYRES) SetTyres({0.1f, 0.5f, 0.127f, 0.1f, 0.5f, 0.127f});
    if (bits & AUTO_MASS) s.targetMass = 100;
    return;
  }
  if (wheels >= 4) {
    FourWheelDefaults(bits);
  } else {
    if (bits & AUTO_WHEELBASE) s.wheelbase = front != 1 ? 2.4f : rear != 1 ? 1.7f : 1.4f;
    if (bits & AUTO_ENGINE) {
      if (front != 1) SetEngine(1000, 2);
      else SetEngine(rear != 1 ? 1000 : 600, 4);
    }
    if (bits & AUTO_TRACKS) {
      if (front != 1) SetTracks(0, 1.6f);
      else SetTracks(rear != 1 ? 1.5f : 0, 0);
    }
    if (bits & AUTO_MASS) s.targetMass = front != 1 ? 500 : rear != 1 ? 480 : 180;
  }
  if (front != 1) {
    ClassRideAndTyres(bits);
  } else {
    if (bits & AUTO_RIDE_HEIGHT) s.rideHeight = 0.2f;
    if (bits & AUTO_TYRES) {
      if (rear != 1) SetTyres({0.205f, 0.65f, 0.4064f, 0.13f, 0.65f, 0.4064f});
      else SetTyres({0.16f, 0.6f, 0.4318f, 0.12f, 0.6f, 0.4318f});
    }
  }
}

void AskLayout(VehicleEditor& e) {
  AskSelect(&e.prss, LayoutChosen, "Select vehicle layout", nullptr, NewVehicleLayoutNames, NEW_LAYOUT_COUNT, 0, -1);
}

void Start(VehicleEditor& e, int layout) {
  if (layout < 0 || layout >= NEW_LAYOUT_COUNT) return;
  StartSettings(layout);
  ForgetMassLines();
  Running = 1;
  RebuildWanted = 1;
  FrameWanted = 1;
  RecordEdit("new vehicle");
  (void)e;
}

void StartSettings(int layout) {
  if (layout < 0 || layout >= NEW_LAYOUT_COUNT) return;
  Settings = NewVehicleSettings{};
  AutoFlags = AUTO_ALL;
  const LayoutStart& l = LAYOUT_STARTS[layout];
  Settings.layout = static_cast<uint8_t>(layout);
  Settings.vehicleClass = l.vehicleClass;
  Settings.rear.suspensionType = l.rearType;
  Settings.rear.wheelCount = l.rearWheels;
  Settings.front.suspensionType = l.frontType;
  Settings.front.wheelCount = l.frontWheels;
  ApplyClassDefaults();
}

void HoldToRows() {
  NewVehicleSettings& s = Settings;
  const VehicleClass& c = VehicleClassRow(s.vehicleClass);
  // A value no row could give (not a number, or out of its row's range) is held to the row.
  // Automatic values too: the class's figures replace them afterwards, and one the class has
  // no figure for keeps the held value.
  const auto hold = [](float& v, float lowest, float highest) {
    v = std::isfinite(v) ? std::clamp(v, lowest, highest) : lowest;
  };
  if (s.vehicleClass >= VEHICLE_CLASS_COUNT) s.vehicleClass = CLASS_OBJECT;
  hold(s.wheelbase, 0.6f, 8.0f);
  hold(s.rideHeight, 0.02f, 0.5f);
  hold(s.engineSize, c.engineSizeMin, c.engineSizeMax);
  hold(s.targetMass, 10.0f, 3000.0f);
  hold(s.rear.trackWidth, 0.5f, 2.5f);
  hold(s.front.trackWidth, 0.5f, 2.5f);
}

void Close() {
  Running = 0;
  RebuildWanted = 0;
  FrameWanted = 0;
}

void Draw(VehicleEditor& e) {
  if (RebuildWanted) {
    RebuildWanted = 0;
    BuildVehicle(e);
  }
  g_rowText = 0;
  const int columns = LayoutColumns;
  LayoutColumns = PANEL_ROW_UNITS;
  EditDomain = EDIT_DOMAIN_NONE;
  RowCursorX = 0;
  RowCursorY = 0;
  PageHeading("Initial setup for new vehicle", PANEL_ROW_UNITS, nullptr);
  PageRow();
  PageLabel("Settings", PANEL_ROW_UNITS, nullptr);
  PageRow();
  PageLabel("Class", PANEL_ROW_UNITS / 4, nullptr);
  PageChoice(e, VehicleClassRow(Settings.vehicleClass).name, PANEL_ROW_UNITS - PANEL_ROW_UNITS / 4, 0, 0, ChooseClass,
             "Choose the vehicle's class");
  const VehicleClass& c = VehicleClassRow(Settings.vehicleClass);
  AddValueRow(e, "Wheelbase %.3fm", &Settings.wheelbase, 0.6f, 8.0f, AUTO_WHEELBASE, "Set the wheelbase by hand");
  AddValueRow(e, "Ride Height %.3fm", &Settings.rideHeight, 0.02f, 0.5f, AUTO_RIDE_HEIGHT,
              "Set the ride height by hand");
  AddValueRow(e, "Engine Size %.0fcc", &Settings.engineSize, c.engineSizeMin, c.engineSizeMax, AUTO_ENGINE,
              "Set the engine size by hand");
  AddValueRow(e, "Target Mass %.0fkg", &Settings.targetMass, 10.0f, 3000.0f, AUTO_MASS, "Set the target mass by hand");
  AddAxleRows(e, "Rear", Settings.rear, 0);
  AddAxleRows(e, "Front", Settings.front, 1);
  PageRow();
  PageChoice(e, "OK", PANEL_ROW_UNITS / 4, 0, 0, Confirm, "Keep this vehicle and close the page");
  LayoutColumns = columns;
}

void ChooseClass(void* owner, int, uintptr_t) {
  VehicleEditor& e = EditorOf(owner);
  const VehicleClass& c = VehicleClassRow(Settings.vehicleClass);
  if (SingleClass(Settings.vehicleClass)) {
    char text[96];
    std::snprintf(text, sizeof text, "There is only one %s class", c.name);
    Tell(e, text);
    return;
  }
  for (int i = 0; i < VEHICLE_CLASS_COUNT; ++i) ClassNames[i] = VehicleClassTable[i].name;
  AskSelect(&e.prss, ClassChosen, "Select new class", nullptr, ClassNames, VEHICLE_CLASS_COUNT, 0,
            Settings.vehicleClass);
}

void SetClass(VehicleEditor& e, int vehicleClass) {
  if (vehicleClass < 0 || vehicleClass >= VEHICLE_CLASS_COUNT || vehicleClass == Settings.vehicleClass) return;
  char text[96];
  if (SingleClass(vehicleClass)) {
    std::snprintf(text, sizeof text, "Can't change to %s", VehicleClassTable[vehicleClass].name);
    Tell(e, text);
    return;
  }
  if (SingleClass(Settings.vehicleClass)) {
    std::snprintf(text, sizeof text, "Can't change from %s", VehicleClassRow(Settings.vehicleClass).name);
    Tell(e, text);
    return;
  }
  Settings.vehicleClass = static_cast<uint8_t>(vehicleClass);
  const VehicleClass& c = VehicleClassTable[vehicleClass];
  Settings.engineSize = std::clamp(Settings.engineSize, c.engineSizeMin, c.engineSizeMax);
  RebuildWanted = 1;
}

void SetManual(void*, int, uintptr_t bit) { AutoFlags &= ~static_cast<uint32_t>(bit); }

void SetAuto(void*, int, uintptr_t bit) {
  AutoFlags |= static_cast<uint32_t>(bit);
  RebuildWanted = 1;
}

void ValueChanged(void*, int, uintptr_t) { RebuildWanted = 1; }

void SuspensionTypeInfo(void* owner, int, uintptr_t) {
  Tell(EditorOf(owner), Settings.vehicleClass == CLASS_KART ? "Kart can't have suspension"
                                                            : "Suspension type can't currently be set in this screen");
}

void Confirm(void*, int, uintptr_t word) {
  if (word == 0) Close();
}

}  // namespace NewVehicleWizard
