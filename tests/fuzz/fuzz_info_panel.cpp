// fuzz_info_panel.cpp - the set-up pages of the information panel drawn (graphics off) for a
// sample car whose set-up comes from the input, as a set-up file of another user brings it:
// every figure the pages show is finite, and every row's bounds are.
//
// Input: byte 0 picks the sample, byte 1 the choices (bit 0 the vehicle editor, else the
// garage; bit 1 the car set up again from the set-up; bit 2 km/h; bit 3 bar; bit 4 a steering
// wheel; bits 5-6 the rear seats abreast), then 120 bytes laid over the sample's first set-up
// (XOR, so that zeros keep the sample's), then one byte of the test speed (0.4 m/s a step, so
// that it passes the row's 100 m/s).
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/config.h"
#include "core/process.h"
#include "physics/car.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "ui/interface.h"
#include "vehicle_editor/panel/info_panel.h"
#include "vehicle_editor/panel/info_panel_layout.h"
#include "vehicle_editor/panel/setup_pages.h"

namespace {

struct Input {
  const uint8_t* data;
  size_t size, at;
  uint8_t Byte() { return at < size ? data[at++] : 0; }
};

#define CHECK(condition, text)                                                                    \
  do {                                                                                            \
    if (!(condition)) {                                                                           \
      std::fprintf(stderr, "fuzz_info_panel: %s (line %d): %s\n", #condition, __LINE__, text);    \
      std::abort();                                                                               \
    }                                                                                             \
  } while (0)

void Handler(void*, int, uintptr_t) {}

// A figure shown as text: no "nan" or "inf" in any case.
bool FiniteText(const char* text) {
  for (const char* p = text; *p; ++p) {
    const char a = static_cast<char>(std::tolower(static_cast<unsigned char>(p[0])));
    if (!p[1] || !p[2]) break;
    const char b = static_cast<char>(std::tolower(static_cast<unsigned char>(p[1])));
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(p[2])));
    if ((a == 'n' && b == 'a' && c == 'n') || (a == 'i' && b == 'n' && c == 'f')) return false;
  }
  return true;
}

void CheckControls() {
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    char text[256];
    if (ValueControlText(c, text, sizeof text)) CHECK(FiniteText(text), text);
    const int t = c.displayType;
    if (t >= 19 && t <= 21) CHECK(std::isfinite(HeldFloatOf(c.variable)), "a float row's label");
    if (t >= 27 && t <= 29) {  // a float row's bar: its bounds and the value it moves
      CHECK(std::isfinite(c.minimum.f) && std::isfinite(c.maximum.f), "a float bar's bounds");
      CHECK(c.variable && std::isfinite(*static_cast<const float*>(c.variable)), "a float bar's value");
    }
    if (t == 38) CHECK(std::isfinite(c.minimum.f) && std::isfinite(c.maximum.f), "a word bar's bounds");
    if (t == 44 || t == 45) CHECK(std::isfinite(c.maximum.f) && std::isfinite(c.label.f), "a float arrow's step");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in = {data, size, 0};
  const int row = in.Byte() % BUILTIN_VEHICLE_COUNT;
  const uint8_t choices = in.Byte();
  Car car;
  BuildSampleVehicle(row, car);
  car.seatsPerRow = static_cast<uint8_t>(1 + (choices >> 5 & 3) % 3);
  car.driverSlot = 0;
  car.setupIndex = 0;
  car.currentSetup = car.setups[0].record;
  car.SetupFromVehicle(0);
  for (uint8_t& b : car.currentSetup.bytes) b = static_cast<uint8_t>(b ^ in.Byte());
  if (choices & 2) car.SetupFromVehicle(1);
  SpeedUnitKmh = choices >> 2 & 1;
  PressureUnitBar = choices >> 3 & 1;
  CfgControlModeInForce = choices >> 4 & 1;
  InfoTestSpeed = 0.4f * in.Byte();

  static Prss owner{};
  InfoPanelArgs args;
  args.owner = &owner;
  args.onSetupChanged = args.onStepTyre = args.onStepDifferential = args.onPassengers = args.onSwitch = Handler;
  args.car = &car;
  args.inEditor = choices & 1;
  for (int page = INFO_PAGE_BRAKES; page <= INFO_PAGE_PASSENGERS; ++page) {
    ClearInterface();
    BeginPanelRows();
    DrawInfoSetupPage(args, page);
    CheckControls();
  }
  ResetInterfaceState();
  return 0;
}
