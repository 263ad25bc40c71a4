// fuzz_info_panel.cpp - every page of the vehicle information panel drawn (graphics off) for a
// sample car whose 120 set-up bytes come from the input, as set-up files travel between users:
// every figure the panel shows must be finite.
//
// Input: byte 0 picks the sample, byte 1 the strategy's tyre-change value, then 120 bytes laid
// over the sample's first set-up (XOR, so that zeros keep the sample's).
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/checksum.h"
#include "physics/car.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "ui/interface.h"
#include "ui/text/text_colours.h"
#include "vehicle_editor/panel/info_panel.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = false;
  if (!ready) {
    SetDefaultTextColours();
    Crc32InitTable();
    ready = true;
  }
  if (size < 2) return 0;
  static Car* car = nullptr;
  delete car;
  car = new Car;
  BuildSampleVehicle(data[0] % BUILTIN_VEHICLE_COUNT, *car);
  car->currentSetup = car->setups[0].record;
  for (size_t i = 0; i < SETUP_RECORD_SIZE && i + 2 < size; ++i) car->currentSetup.bytes[i] ^= data[i + 2];
  car->driverSlot = 0;
  car->SetupFromVehicle(0);
  Strategy.tyreChange = data[1];
  InfoPanelArgs a;
  a.owner = nullptr;
  a.onSetupChanged = a.onBodyColour = a.onWheelColour = a.onStepTyre = a.onStepDifferential = Nothing;
  a.onStepConfiguration = a.onPassengers = a.onSwitch = a.onSkin = a.onStrategy = Nothing;
  a.car = car;
  a.fuelPerLap = 1.0f;
  char text[512];
  for (int inEditor = 0; inEditor < 2; ++inEditor) {
    a.inEditor = inEditor;
    for (int page = INFO_PAGE_RATINGS; page < INFO_PAGE_COUNT; ++page) {
      InfoPageShown = page;
      ClearInterface();
      DrawVehicleInfoPanel(a);
      for (int i = 0; i < ValueControlCount; ++i) {
        if (!ValueControlText(ValueControls[i], text, sizeof text) || !ShowsNonFinite(text)) continue;
        std::fprintf(stderr, "fuzz_info_panel: page %d shows \"%s\"\n", page, text);
        std::abort();
      }
    }
  }
  return 0;
}
