// dashboard.cpp - the dashboard block's defaults by type and class, and the settling of a
// block an older vehicle file stored.
#include "vehicle_data/dashboard.h"

#include <algorithm>
#include <cstring>

#include "model/model_object.h"
#include "text/text_strings.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_data/vehicle_data.h"
#include "vehicle_data/vehicle_file.h"

const char* const DashPageNames[7] = {nullptr,        "s_clock",    "s_clock_white", "s_clock_formula",
                                      "s_clock_f1",   "s_clock_f3", "s_clock_fj"};

namespace {

// Lamps by their index in the block.
enum Lamp {
  LAMP_SHIFT, LAMP_FULL_BEAM, LAMP_HANDBRAKE, LAMP_PIT_LIMITER, LAMP_TRACTION_CONTROL, LAMP_LEFT, LAMP_RIGHT,
  LAMP_SHARED, LAMP_OIL_PRESSURE, LAMP_BATTERY, LAMP_ABS, LAMP_ENGINE_DAMAGE,
};
constexpr uint8_t ANALOG_LAMP_SIZE = 5, FORMULA_LAMP_SIZE = 6;
constexpr int LAMP_LEAST = 5, LAMP_MOST = 195, LAMP_SIZE_LEAST = 5, LAMP_SIZE_MOST = 10;
constexpr int DARK_CHANNEL = 128;

void Put4(uint8_t* block, int at, int a, int b, int c, int d) {
  block[at] = static_cast<uint8_t>(a);
  block[at + 1] = static_cast<uint8_t>(b);
  block[at + 2] = static_cast<uint8_t>(c);
  block[at + 3] = static_cast<uint8_t>(d);
}
void Lamp(uint8_t* block, int lamp, int x, int y, uint8_t size) {
  Put4(block, DASH_LAMP_OFFSET + DASH_LAMP_BYTES * lamp, x, y, size, 0);
}
// X, Y, start, turn and radius of dial n; its maximum, style and unit bytes stay 0.
void Dial(uint8_t* block, int n, int x, int y, int start, int turn, int radius) {
  Put4(block, DASH_DIALS + DASH_DIAL_BYTES * n, x, y, start, turn);
  block[DASH_DIALS + DASH_DIAL_BYTES * n + 4] = static_cast<uint8_t>(radius);
}

void AnalogDefaults(const VehicleData& d, int type, uint8_t* b) {
  Put4(b, DASH_FLAGS, DASH_FLAG_ANALOG_SPEEDOMETER & 0xFF, DASH_FLAG_ANALOG_SPEEDOMETER >> 8, 0, 0);
  Put4(b, DASH_DISPLAY_BACKGROUND, 120, 40, 40, 0);
  Put4(b, DASH_DISPLAY_TEXT, 255, 120, 120, 0);
  const uint8_t s = ANALOG_LAMP_SIZE;
  Lamp(b, LAMP_SHIFT, 60, 34, s);
  Lamp(b, LAMP_HANDBRAKE, 40, 34, s);
  Lamp(b, LAMP_LEFT, 90, 34, s);
  Lamp(b, LAMP_RIGHT, 110, 34, s);
  Lamp(b, LAMP_OIL_PRESSURE, 50, 34, s);
  Lamp(b, LAMP_BATTERY, 100, 54, s);
  Lamp(b, LAMP_ABS, 100, 64, s);
  Lamp(b, LAMP_ENGINE_DAMAGE, 100, 74, s);
  // Full beam, pit limiter, traction control and the shared signal make room for each other
  // by the options the car has.
  static const uint8_t PLACES[4][4][2] = {
      {{140, 34}, {100, 34}, {150, 34}, {160, 34}},  // traction control
      {{140, 20}, {150, 20}, {170, 34}, {160, 20}},  // class 5
      {{145, 20}, {100, 44}, {100, 34}, {155, 20}},  // class 11
      {{145, 34}, {100, 44}, {100, 34}, {155, 34}},  // any other
  };
  const int row = (d.lightsAndAids & LIGHTS_AIDS_TRACTION_CONTROL) ? 0
                  : d.vehicleClass == CLASS_GT                    ? 1
                  : d.vehicleClass == CLASS_FSAE                  ? 2
                                                                  : 3;
  const int lamps[4] = {LAMP_FULL_BEAM, LAMP_PIT_LIMITER, LAMP_TRACTION_CONTROL, LAMP_SHARED};
  for (int i = 0; i < 4; ++i) Lamp(b, lamps[i], PLACES[row][i][0], PLACES[row][i][1], s);
  Put4(b, DASH_LED_GEAR_BOX, 68, 58, 20, 30);
  Put4(b, DASH_DISPLAY_RECTANGLE, 48, 40, 16, 24);
  Put4(b, DASH_DIGITAL_SPEED_BOX, 165, 25, 20, 30);
  Dial(b, 0, 150, 50, 48, 48, 68);   // speedometer
  Dial(b, 1, 50, 50, 48, 48, 68);    // tachometer
  Dial(b, 2, 175, 125, 48, 48, 35);  // turbo
  Dial(b, 3, 25, 125, 18, 72, 35);   // clock
  Dial(b, 4, 75, 142, 24, 12, 56);   // water
  Dial(b, 5, 125, 142, 24, 12, 56);  // fuel
  Dial(b, 6, 175, 192, 24, 12, 56);  // oil temperature
  Dial(b, 7, 25, 192, 24, 12, 56);   // oil pressure
  if (type == DASH_TYPE_ANALOG_DARK) Put4(b, DASH_TEXT_COLOUR, 200, 200, 200, 0);
  else Put4(b, DASH_BACKING_COLOUR, 255, 255, 255, 0);
  Put4(b, DASH_LED_COLOUR, 48, 48, 255, 0);
  Put4(b, DASH_NEEDLE_COLOUR, 200, 40, 40, 0);
}

void FormulaDefaults(uint8_t* b) {
  const uint8_t tachometer[12] = {100, 115, 27, 18, 133, 109, 96, 90, 100, 10, 0, 0};
  std::memcpy(b + DASH3_TACHOMETER, tachometer, sizeof tachometer);
  const uint8_t s = FORMULA_LAMP_SIZE;
  Lamp(b, LAMP_SHIFT, 150, 130, s);
  Lamp(b, LAMP_FULL_BEAM, 140, 140, s);
  Lamp(b, LAMP_HANDBRAKE, 160, 130, s);
  Lamp(b, LAMP_PIT_LIMITER, 150, 140, s);
  Lamp(b, LAMP_TRACTION_CONTROL, 170, 130, s);
  Lamp(b, LAMP_LEFT, 130, 130, s);
  Lamp(b, LAMP_RIGHT, 180, 130, s);
  Lamp(b, LAMP_SHARED, 160, 140, s);
  Lamp(b, LAMP_OIL_PRESSURE, 140, 130, s);
  Lamp(b, LAMP_BATTERY, 130, 150, s);
  Lamp(b, LAMP_ABS, 140, 150, s);
  Lamp(b, LAMP_ENGINE_DAMAGE, 150, 150, s);
  Put4(b, DASH3_GEAR_BOX, 64, 33, 30, 45);
  Put4(b, DASH3_SPEED_BOX, 156, 42, 22, 33);
  Put4(b, DASH3_DISPLAY_BOX, 100, 75, 8, 12);
  Put4(b, DASH3_TURBO_BOX, 156, 98, 16, 24);
  Put4(b, DASH3_TEXT_COLOUR, 0, 0, 0, 208);
  Put4(b, DASH3_BACKING_COLOUR, 120, 160, 200, 0);
  Put4(b, DASH3_LED_COLOUR, 255, 48, 48, 0);
  Put4(b, DASH3_BLACK_RECTANGLE, 0, 39, 64, 25);
}

bool IsBlack(const uint8_t* colour) { return colour[0] == 0 && colour[1] == 0 && colour[2] == 0; }

// The colour fields of a block type.
int ColourFields(int type, const int*& fields) {
  static const int ANALOG[] = {DASH_DISPLAY_BACKGROUND, DASH_DISPLAY_TEXT, DASH_TEXT_COLOUR,
                               DASH_BACKING_COLOUR,     DASH_LED_COLOUR,   DASH_NEEDLE_COLOUR};
  static const int FORMULA[] = {DASH3_TEXT_COLOUR, DASH3_BACKING_COLOUR, DASH3_LED_COLOUR};
  fields = type == DASH_TYPE_FORMULA ? FORMULA : ANALOG;
  return type == DASH_TYPE_FORMULA ? 3 : 6;
}

// The conversion of a block stored by a file before version 252 or a format revision before
// 6.  defaults is the type's default block.
void ConvertOldBlock(VehicleData& d, int version, int revision, const uint8_t* defaults) {
  const int type = d.dashType;
  if (version < VEHICLE_FILE_VERSION && type >= 1 && type <= 3) {
    const int* fields;
    const int count = ColourFields(type, fields);
    for (int i = 0; i < count; ++i)
      if (IsBlack(d.dash + fields[i])) std::memcpy(d.dash + fields[i], defaults + fields[i], 4);
    for (int lamp = 0; lamp < DASH_LAMPS; ++lamp) {
      uint8_t* l = d.dash + DASH_LAMP_OFFSET + DASH_LAMP_BYTES * lamp;
      l[0] = static_cast<uint8_t>(std::clamp<int>(l[0], LAMP_LEAST, LAMP_MOST));
      l[1] = static_cast<uint8_t>(std::clamp<int>(l[1], LAMP_LEAST, LAMP_MOST));
      l[2] = static_cast<uint8_t>(std::clamp<int>(l[2], LAMP_SIZE_LEAST, LAMP_SIZE_MOST));
    }
  }
  if (revision < VEHICLE_FORMAT_REVISION && (type == 1 || type == 2)) {
    // Older analog dashboards kept their display colours at half strength.
    for (int at : {DASH_DISPLAY_BACKGROUND, DASH_DISPLAY_TEXT}) {
      uint8_t* c = d.dash + at;
      if (c[0] > DARK_CHANNEL || c[1] > DARK_CHANNEL || c[2] > DARK_CHANNEL) continue;
      for (int k = 0; k < 3; ++k) c[k] = static_cast<uint8_t>(std::min(2 * c[k], 255));
    }
  }
}

}  // namespace

int DashBlockSize(int type) {
  if (type == 1 || type == 2) return DASH_BLOCK_SIZE;
  if (type == 3) return 96;
  return 0;
}

void MakeDashDefaults(const VehicleData& d, int type, uint8_t out[DASH_BLOCK_SIZE]) {
  std::memset(out, 0, DASH_BLOCK_SIZE);
  if (type == DASH_TYPE_ANALOG_DARK || type == DASH_TYPE_ANALOG_WHITE) AnalogDefaults(d, type, out);
  else if (type == DASH_TYPE_FORMULA) FormulaDefaults(out);
}

void VehicleData::SetDashDefaults() { MakeDashDefaults(*this, dashType, dash); }

void SettleStoredDashboard(VehicleData& d, int version, int revision) {
  uint8_t defaults[DASH_BLOCK_SIZE];
  MakeDashDefaults(d, d.dashType, defaults);
  if (d.dashSize == 0) {
    std::memcpy(d.dash, defaults, DASH_BLOCK_SIZE);
    return;
  }
  if (DashSizeMode == 2) return;
  ConvertOldBlock(d, version, revision, defaults);
  const int type = d.dashType;
  const bool shortAnalog = (type == 1 || type == 2) && d.dashSize < DASH_BLOCK_SIZE;
  const bool shortFormula = type == DASH_TYPE_FORMULA && d.dashSize < DASH3_SHORT_BLOCK;
  if (shortAnalog || shortFormula)
    std::memcpy(d.dash + d.dashSize, defaults + d.dashSize, DashBlockSize(type) - d.dashSize);
}

int DashTypeFromPages(const ModelObject& model) {
  int type = 0;
  for (int i = 0; i < model.pageCount && model.pages; ++i) {
    char name[MODEL_NAME_SIZE + 1] = {};
    std::memcpy(name, model.pages[i].name, MODEL_NAME_SIZE);
    for (int t = 1; t < DASH_TYPE_COUNT; ++t)
      if (CompareNoCase(name, DashPageNames[t]) == 0) type = t;
  }
  return type;
}
