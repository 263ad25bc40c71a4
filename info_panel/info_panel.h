// info_panel.h - the vehicle information and set-up panel: a row of page tabs over one page
// of figures and set-up rows of a car, drawn by the vehicle editor and by the garage.
//
// Sections: [Arguments] [Display choices] [Drawing] [Hooks]
//
// The panel has no object of its own: it is rebuilt every drawn frame from the car and the
// globals below, and every change made through it is reported to its owner through the
// callbacks it is handed.  The rows are placed through the layout transform
// (info_panel_layout.h).  Main thread only.
#pragma once
#include <cstdint>

#include "ui/interface.h"

struct Car;
struct SetupRecord;

// ---- [Arguments] ----
// The owner's callbacks, each called by the interface with (owner, word, bound variable).
struct InfoPanelArgs {
  Prss* owner = nullptr;
  InterfaceHandler onSetupChanged = nullptr;       // every set-up row
  InterfaceHandler onBodyColour = nullptr;         // the four body colours
  InterfaceHandler onWheelColour = nullptr;        // the four wheel colours
  InterfaceHandler onStepTyre = nullptr;           // tyre maker (words 4, 5) and type arrows (0..3)
  InterfaceHandler onStepDifferential = nullptr;   // differential arrows
  InterfaceHandler onStepConfiguration = nullptr;  // configuration arrows: 0 back, 1 on
  InterfaceHandler onPassengers = nullptr;         // seat buttons: seat x 4 + kind
  InterfaceHandler onSwitch = nullptr;             // 0/1 symmetric, 2/3 traction control, 4/5 ABS
  InterfaceHandler onSkin = nullptr;               // the skin name and its button
  InterfaceHandler onStrategy = nullptr;           // fuel, pit fuel and tyre change rows
  Car* car = nullptr;
  float fuelPerLap = 0.0f;  // tank units per lap; 0: no estimate
  int inEditor = 0;         // 1 in the vehicle editor, 0 in the garage
  // The history the rows of the car's set-up and colours record their edits in (an EditDomain
  // of ui/value_edit.h: the vehicle editor's); the other rows (the strategy, the test speed,
  // the units) record nothing.  0: none, as in the garage.
  uint8_t editDomain = 0;
};

// What the set-up buttons' words ask of the current set-up, for every owner's callbacks.
// value one down or up within least..most, wrapping at either end: the panel's arrows.
int WrappedStep(int value, int least, int most, bool up);
// The set-up flag a switch word (under 6: onSwitch above) turns on (odd) or off (even).
uint8_t SwitchFlagOfWord(uintptr_t word);
// The switch word applied to the set-up's flags; flags left at 0 keep SETUP_FLAG_KEEP, so a
// switch turned off never unmakes the set-up; symmetric turned on evens the sides
// (ApplySymmetricSetup).  word under 6.
void ApplySwitchWord(SetupRecord& setup, uintptr_t word);
// The seat word (seat x 4 + kind, under 16) applied to the set-up's passengers.
void ApplyPassengerWord(SetupRecord& setup, uintptr_t word);
// With the symmetric switch lit, each axle's right side takes its left side's camber and tyre
// pressure: a symmetric pair row's one set of arrows moves the left value.  Every owner calls
// it on each set-up change; a switch word turning symmetric on applies it too.
void ApplySymmetricSetup(SetupRecord& setup);

// ---- [Display choices] ----
// The page on show: -1 the mod ratings, 0 Info, 1 Colours, 2..8 the set-up pages.
enum InfoPage : int {
  INFO_PAGE_RATINGS = -1,
  INFO_PAGE_INFO = 0,
  INFO_PAGE_COLOURS = 1,
  INFO_PAGE_BRAKES = 2,
  INFO_PAGE_SUSPENSION = 3,
  INFO_PAGE_STEERING = 4,
  INFO_PAGE_FINAL_DRIVE = 5,
  INFO_PAGE_TYRES = 6,
  INFO_PAGE_DOWNFORCE = 7,
  INFO_PAGE_PASSENGERS = 8,
};
constexpr int INFO_PAGE_COUNT = 9;
extern int32_t InfoPageShown;
extern int32_t SpeedUnitKmh;     // 1 km/h, 0 mph
extern int32_t PressureUnitBar;  // non-zero bar, 0 psi
extern float InfoTestSpeed;      // m/s, the Downforce page's; 40 at start
constexpr float KMH_PER_MS = 3.6f, MPH_PER_MS = 2.237f;
// A speed in m/s in the chosen unit, and the unit's text.
float SpeedInUnit(float metresPerSecond);
const char* SpeedUnitText();
// The pit strategy, shared by every car: percent of fuel (or charge) at start 1..100, to add
// in a pit stop 0..100, and the wear at which tyres are changed (0 always, 100 never).
struct PitStrategy {
  uint8_t fuelAtStart = 100;
  uint8_t fuelInPit = 0;
  uint8_t tyreChange = 100;
};
extern PitStrategy Strategy;
// The skin template's size is the small-picture bit of the editor options (1024 pixels when
// set, else 2048: render/object_picture.h).

// The tab handlers: the page is the word; the ratings tab shows page -1; the speed unit takes
// the word; the template size: word 1 small, 2 large.
void SelectInfoPage(void* owner, int code, uintptr_t word);
void SelectRatingsPage(void* owner, int code, uintptr_t word);
void SetSpeedUnit(void* owner, int code, uintptr_t word);
void SetSkinTemplateSize(void* owner, int code, uintptr_t word);

// ---- [Drawing] ----
// The tab row and the current page, every frame.  Pages 2..8 are DrawInfoSetupPage's.
void DrawVehicleInfoPanel(const InfoPanelArgs& args);

// ---- [Hooks] ----
// The mod ratings the garage holds (it fills them from the ratings service); the ratings page
// reads them.  Categories: 0 overall, 1 technical, 2 graphical, 3 physics, 4 engine sound,
// 5 animation.
constexpr int RATING_CATEGORIES = 6;
struct HeldModRatings {
  uint32_t modId = 0;        // the mod the ratings are for; 0 none held
  int32_t lookupFailed = 0;  // the garage's look-up of them failed
  int32_t own[RATING_CATEGORIES] = {-1, -1, -1, -1, -1, -1};  // the user's own, 0..4; -1 none
  int32_t average[RATING_CATEGORIES] = {};  // x 50
  int32_t count[RATING_CATEGORIES] = {};
  InterfaceHandler onRate = nullptr;  // (owner, rating 0..4, category)
};
extern HeldModRatings ModRatings;
// A mod's id: the first three bytes of its code, the first the lowest.
uint32_t ModIdOf(const Car& car);
// "<host>/files/vehmods/%06X" into out.
void MakeModPageAddress(char* out, int outSize, uint32_t modId);
// The ratings page's address click: the address text (word) to the desktop's opener.
void OpenModPage(void* owner, int code, uintptr_t word);
