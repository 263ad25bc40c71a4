// new_vehicle_wizard.h - the new-vehicle wizard: the page "Initial setup for new vehicle"
// drawn over the vehicle editor after "NEW" (Ctrl+N), its settings, and the construction of a
// complete vehicle from them (build_vehicle.cpp).
//
// Sections: [Settings] [Page] [Construction]
//
// Every change on the page asks for a rebuild; the next drawn frame builds a whole new car
// from the settings and installs it in the editor, so the 3D view shows the result at once.
// "OK", Enter or Esc close the page; the last car built stays as an ordinary vehicle.
// Main thread only.
#pragma once
#include <cstdint>

struct Car;
struct VehicleEditor;
struct Prss;

// ---- [Settings] ----
enum NewVehicleLayout : uint8_t {
  NEW_LAYOUT_CAR = 0,
  NEW_LAYOUT_THREE_WHEELER = 1,
  NEW_LAYOUT_TRIKE = 2,
  NEW_LAYOUT_BIKE = 3,
  NEW_LAYOUT_KART = 4,
  NEW_LAYOUT_OBJECT = 5,
};
constexpr int NEW_LAYOUT_COUNT = 6;
extern const char* const NewVehicleLayoutNames[NEW_LAYOUT_COUNT];

struct NewVehicleAxle {
  uint8_t suspensionType;  // 0 rigid, 1 linear, 2 front fork (the car's suspension kinds)
  uint8_t wheelCount;      // 0..2
  float trackWidth;        // m
  float sectionWidth;      // m, the tyre's
  float aspectRatio;
  float rimDiameter;       // m
};

struct NewVehicleSettings {
  uint8_t layout;     // NewVehicleLayout
  uint8_t vehicleClass;
  uint8_t cylinders;
  float wheelbase;    // m
  float rideHeight;   // m
  float engineSize;   // cc
  float targetMass;   // kg
  NewVehicleAxle rear, front;
};

// The automatic bits: a set bit means the value follows the layout and the class.
enum NewVehicleAutoBit : uint32_t {
  AUTO_WHEELBASE = 1u << 0,
  AUTO_RIDE_HEIGHT = 1u << 1,
  AUTO_ENGINE = 1u << 2,  // engine size and cylinders
  AUTO_TRACKS = 1u << 3,
  AUTO_TYRES = 1u << 4,
  AUTO_MASS = 1u << 5,
};
constexpr uint32_t AUTO_ALL = 0xFFFFFFFFu;

namespace NewVehicleWizard {
extern NewVehicleSettings Settings;
extern uint32_t AutoFlags;
extern uint8_t Running;        // the page shows over the editor
extern uint8_t RebuildWanted;  // the next drawn frame builds the vehicle
// The next vehicle built is framed in the views, as a loaded one is: the first of each run
// of the page (the rebuilds after it keep the view the modder has).
extern uint8_t FrameWanted;
extern uint32_t Builds;        // vehicles built since the program started (tests count them)

// The automatic values of every set bit, from the layout's wheel counts and the class.
void ApplyClassDefaults();

// ---- [Page] ----
// "NEW": the list "Select vehicle layout", answered by Start.
void AskLayout(VehicleEditor& editor);
// Clears the settings, sets every automatic bit, takes the layout's class and axles, applies
// the defaults, records "new vehicle" and runs the page with a rebuild and a framing wanted.
void Start(VehicleEditor& editor, int layout);
// Start's settings alone: cleared, every bit set, the layout's class and axles, the defaults.
void StartSettings(int layout);
// Each value held to its row's range (a value that is no number to the row's lowest), the
// automatic ones too before the class gives its figures;
// a class past the table becomes "object".  The build does this first.
void HoldToRows();
// The page, each drawn frame while running; builds the vehicle first when a rebuild is wanted.
void Draw(VehicleEditor& editor);
// Enter, Esc and "OK": the page closes, the car built stays.
void Close();
// The page's handlers (owner: the editor).
void ChooseClass(void* owner, int click, uintptr_t word);
void SetClass(VehicleEditor& editor, int vehicleClass);
void SetManual(void* owner, int click, uintptr_t bit);
void SetAuto(void* owner, int click, uintptr_t bit);
void ValueChanged(void* owner, int click, uintptr_t word);
void SuspensionTypeInfo(void* owner, int click, uintptr_t word);
void Confirm(void* owner, int click, uintptr_t word);

// ---- [Construction] ----
// A new car from the settings (the defaults applied first), its driver's figure from
// driverSlot (-1 none); the mass topped up towards the target.  Never null.  Messages: "Mass
// was %.0f - adjusted to %.0f" when the mass was raised, and "Target mass %.0f not reached:
// ..." when the tubes could not carry it; each given once while it stays the same from build
// to build (the page builds on every step of a row).
Car* BuildCar(int32_t driverSlot);
// Forgets the mass lines given: the next build gives its own again (a new vehicle).
void ForgetMassLines();
// BuildCar, the car installed in the editor (the selection cleared), framed when FrameWanted.
void BuildVehicle(VehicleEditor& editor);
}  // namespace NewVehicleWizard
