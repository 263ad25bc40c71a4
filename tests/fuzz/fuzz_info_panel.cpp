// fuzz_info_panel.cpp - every page of the vehicle information panel drawn (graphics off) for a
// sample car whose 120 set-up bytes come from the input, as set-up files travel between users:
// every figure the panel shows must be finite, and so must every row's bounds and the value
// each float row binds.
//
// Input: byte 0 picks the sample, byte 1 the strategy's tyre-change value, then 120 bytes laid
// over the sample's first set-up (XOR, so that zeros keep the sample's), then a byte of choices
// (bit 0 the set-up left as it came, not set up again; bit 1 mph; bit 2 psi; bit 3 a steering
// wheel; bits 4-5 the rear seats abreast) and a byte of the test speed (0.4 m/s a step, so that
// it passes the row's 100 m/s).  What runs out reads as 0.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/checksum.h"
#include "core/config.h"
#include "info_panel/info_panel.h"
#include "physics/car.h"
#include "text/text_colours.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "ui/interface.h"

namespace {

void Nothing(void*, int, uintptr_t) {}

// A shown text that holds "nan" or "inf" as a word of its own (as printf writes them, maybe
// signed): a figure that is not finite.  "Info" is no such word.
bool ShowsNonFinite(const char* text) {
  const auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
  for (const char* p = text; p[0] && p[1] && p[2]; ++p) {
    if ((p > text && letter(p[-1])) || letter(p[3])) continue;
    char w[4] = {static_cast<char>(std::tolower(static_cast<unsigned char>(p[0]))),
                 static_cast<char>(std::tolower(static_cast<unsigned char>(p[1]))),
                 static_cast<char>(std::tolower(static_cast<unsigned char>(p[2]))), 0};
    if (!std::strcmp(w, "nan") || !std::strcmp(w, "inf")) return true;
  }
  return false;
}

[[noreturn]] void Fail(int page, const char* what) {
  std::fprintf(stderr, "fuzz_info_panel: page %d: %s\n", page, what);
  std::abort();
}

// The texts, the float rows' labels and bound values, and the bars' and arrows' bounds.
void CheckControls(int page) {
  char text[512];
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    if (ValueControlText(c, text, sizeof text) && ShowsNonFinite(text)) Fail(page, text);
    const int t = c.displayType;
    if (t >= 19 && t <= 21 && !std::isfinite(HeldFloatOf(c.variable))) Fail(page, "a float row's label");
    if (t >= 27 && t <= 29) {
      if (!std::isfinite(c.minimum.f) || !std::isfinite(c.maximum.f)) Fail(page, "a float bar's bounds");
      if (!c.variable || !std::isfinite(*static_cast<const float*>(c.variable))) Fail(page, "a float bar's value");
    }
    if (t == 38 && (!std::isfinite(c.minimum.f) || !std::isfinite(c.maximum.f))) Fail(page, "a word bar's bounds");
    if ((t == 44 || t == 45) && (!std::isfinite(c.maximum.f) || !std::isfinite(c.label.f)))
      Fail(page, "a float arrow's step or limit");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = false;
  if (!ready) {
    SetDefaultTextColours();
    Crc32InitTable();
    ready = true;
  }
  if (size < 2) return 0;
  const auto byte = [&](size_t i) -> uint8_t { return i < size ? data[i] : 0; };
  const uint8_t choices = byte(2 + SETUP_RECORD_SIZE);
  static Car* car = nullptr;
  delete car;
  car = new Car;
  BuildSampleVehicle(data[0] % BUILTIN_VEHICLE_COUNT, *car);
  car->seatsPerRow = static_cast<uint8_t>(1 + (choices >> 4 & 3) % 3);
  car->driverSlot = 0;
  car->currentSetup = car->setups[0].record;
  car->SetupFromVehicle(0);
  for (int i = 0; i < SETUP_RECORD_SIZE; ++i) car->currentSetup.bytes[i] ^= byte(2 + i);
  // The garage sets the car up from a set-up it loads; a set-up edited in place is drawn as it is.
  if (!(choices & 1)) car->SetupFromVehicle(1);
  Strategy.tyreChange = data[1];
  SpeedUnitKmh = choices & 2 ? 0 : 1;
  PressureUnitBar = choices & 4 ? 0 : 1;
  CfgControlModeInForce = choices >> 3 & 1;
  InfoTestSpeed = 0.4f * byte(3 + SETUP_RECORD_SIZE);
  InfoPanelArgs a;
  a.owner = nullptr;
  a.onSetupChanged = a.onBodyColour = a.onWheelColour = a.onStepTyre = a.onStepDifferential = Nothing;
  a.onStepConfiguration = a.onPassengers = a.onSwitch = a.onSkin = a.onStrategy = Nothing;
  a.car = car;
  a.fuelPerLap = 1.0f;
  for (int inEditor = 0; inEditor < 2; ++inEditor) {
    a.inEditor = inEditor;
    for (int page = INFO_PAGE_RATINGS; page < INFO_PAGE_COUNT; ++page) {
      InfoPageShown = page;
      ClearInterface();
      DrawVehicleInfoPanel(a);
      CheckControls(page);
    }
  }
  return 0;
}
