// dash_figures.cpp - the dashboard's state, lamp word, dial records and display figures.
#include "dashboard/dash_figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "physics/car.h"
#include "physics/car_events.h"

DashSettings DashUnits;
void (*DashRaceFiguresOf)(const Car& car, DashRaceFigures* out) = nullptr;
DashGauge DashGauges[DASH_DIAL_COUNT];

namespace {

constexpr float TWO_PI = 6.2831855f;
constexpr float RPM_PER_RAD_S = 9.549296f;
// The steering-wheel display's shift stages, as shares of the maximum engine speed.
constexpr float UPPER_SHIFT_SHARE = 0.97f, LOWER_SHIFT_SHARE = 0.93f;

int Nearest(float x) { return int(std::lround(x)); }

// A figure that a division or a damaged engine made useless counts as 0.
float Finite(float x) { return std::isfinite(x) ? x : 0.0f; }

}  // namespace

// ---- [Car state] ----

uint8_t GearGlyph(int gearIndex) {
  static const char GEARS[] = ",+1234567";
  if (gearIndex < 0 || gearIndex >= int(sizeof GEARS - 1)) gearIndex = 1;
  return uint8_t(GEARS[gearIndex] + LED_SHIFT);
}

DashLampInputs LampInputsOf(const Car& car) {
  DashLampInputs in;
  in.shiftUp = car.AutoShiftDecision(car.engine.speed) == SHIFT_UP;
  in.remote = car.remote;
  in.engineSpeed = car.engine.speed;
  in.maxEngineSpeed = car.engine.redline;
  in.stallSpeed = car.StallSpeed();
  in.battery = car.transmissionType == TRANSMISSION_ELECTRIC;
  in.running = car.engine.running != 0;
  in.fuel = car.fuelAmount;
  in.capacity = car.fuelCapacity;
  in.fullBeam = car.flashFlag;
  in.flash = car.flashCounter;
  in.handbrake = car.controls.handbrake;
  in.absByte = car.antiLock;
  for (int i = 0; i < std::clamp<int>(car.wheelCount, 0, CAR_MAX_WHEELS); ++i)
    if (car.wheelSteps[i].antiLockRelease) in.absAction = 1;
  in.pitLimiter = car.assists.pitLimit;
  in.tractionByte = car.assists.word & ASSIST_TRACTION;
  in.throttleCut = car.controls.tractionFactor;
  in.cutValue = car.timers.engineCut;
  in.signals = car.signalFlag;
  in.blinkTimer = car.signalCounter;
  in.health = car.engine.health;
  return in;
}

uint32_t MakeLampWord(const DashLampInputs& in, uint32_t lampMask) {
  uint32_t word = 0;
  if (!in.remote && (in.shiftUp || in.engineSpeed > in.maxEngineSpeed)) word |= 1u << DASH_LAMP_SHIFT;
  if (in.battery) {
    // An empty or missing battery counts as low.
    if (!(in.capacity > 0.0f) || in.fuel / in.capacity < BATTERY_LOW_SHARE) word |= 1u << DASH_LAMP_BATTERY;
  } else if (in.running && in.engineSpeed < 0.25f * in.stallSpeed) {
    word |= 1u << DASH_LAMP_OIL_PRESSURE | 1u << DASH_LAMP_BATTERY;
  }
  if (in.fullBeam || in.flash) word |= 1u << DASH_LAMP_FULL_BEAM;
  if (in.handbrake > 0.0f) word |= 1u << DASH_LAMP_HANDBRAKE;
  if (in.absByte == 0 || in.absAction) word |= 1u << DASH_LAMP_ABS;
  if (in.pitLimiter) word |= 1u << DASH_LAMP_PIT_LIMITER;
  if (in.tractionByte || in.throttleCut != 1.0f || in.cutValue != 0.0f) word |= 1u << DASH_LAMP_TRACTION;
  if (in.signals && in.blinkTimer < SIGNAL_BLINK_MS) {
    if (in.signals & 1) word |= 1u << DASH_LAMP_LEFT | 1u << DASH_LAMP_SIGNALS;
    if (in.signals & 2) word |= 1u << DASH_LAMP_RIGHT | 1u << DASH_LAMP_SIGNALS;
  }
  if (lampMask & 1u << DASH_LAMP_ENGINE_DAMAGE) {
    if (in.health < DAMAGE_RED_HEALTH) word |= 1u << DASH_LAMP_ENGINE_DAMAGE | DASH_LAMP_ENGINE_DAMAGE_RED;
    else if (in.health <= DAMAGE_YELLOW_HEALTH) word |= 1u << DASH_LAMP_ENGINE_DAMAGE;
  }
  return word & lampMask;
}

DashCarState DashStateOf(const Car& car) {
  DashCarState s;
  s.dashType = car.dashType;
  std::memcpy(s.block, car.dash, sizeof s.block);
  s.backing = car.dashboardTexture;
  s.engineSpeed = car.engine.speed;
  s.maxEngineSpeed = car.engine.redline;
  s.speed = car.speed;
  s.topSpeed = car.topSpeed;
  s.gearIndex = car.gear;
  s.gearCount = car.gearCount;
  s.fuel = car.fuelAmount;
  s.capacity = car.fuelCapacity;
  s.turbo = (car.engine.flags & ENGINE_TURBO) != 0;
  s.maxBoost = car.engine.turboMaxBoost;
  s.boost = car.engine.boost;
  s.engineType = car.transmissionType == TRANSMISSION_ELECTRIC ? 6 : car.transmissionType;
  s.distance = car.odometer;
  s.remote = car.remote;
  s.lampMask = car.flagWord;
  s.upperShift = UPPER_SHIFT_SHARE * car.engine.redline;
  s.lowerShift = LOWER_SHIFT_SHARE * car.engine.redline;
  // A battery car whose motor is switched off shows nothing lit.
  s.live = !(IsBatteryCar(s) && !car.engine.running);
  s.lampWord = s.live ? MakeLampWord(LampInputsOf(car), s.lampMask) : 0;
  if (DashRaceFiguresOf) DashRaceFiguresOf(car, &s.race);
  return s;
}

// ---- [Dials] ----

void ResetDashDefaults() {
  struct Row {
    int32_t maximum, labelGap;
    float start, turn;
    const char* symbol;
  };
  static const Row ROWS[DASH_DIAL_COUNT] = {
      {180, 5, -2.0954423f, -4.1877432f, nullptr},    {10, 1, -2.0954423f, -4.1877432f, nullptr},
      {15, 1, -2.0954423f, -4.1877432f, nullptr},     {12, 1, 1.5707964f, -6.2831855f, nullptr},
      {10, 1, 2.0954423f, -1.0461504f, "\xBD"},       {10, 1, 2.0954423f, -1.0461504f, "\xBE"},
      {150, 50, 2.0954423f, -1.0461504f, "\xC5\xC7"}, {8, 1, 2.0954423f, -1.0461504f, "\xC5"},
  };
  for (int i = 0; i < DASH_DIAL_COUNT; ++i) {
    DashGauge& g = DashGauges[i];
    g = DashGauge{};
    g.maximum = ROWS[i].maximum;
    g.labelGap = ROWS[i].labelGap;
    g.needle = 1;
    g.radiusX = g.radiusY = 0.1f;
    g.startAngle = ROWS[i].start;
    g.turn = ROWS[i].turn;
    g.symbol = ROWS[i].symbol;
  }
}

void PlaceGauge(DashGauge& g, const DashDial& dial) {
  g.centreX = DashPosition(dial.x);
  g.centreY = DashPosition(dial.y);
  g.startAngle = float(dial.start) * 0.08726647f;
  g.turn = float(dial.turn) * -0.08726647f;
  g.radiusX = g.radiusY = float(dial.radius) * 0.005f;
}

uint32_t EngineDialFlags(float maxEngineSpeed) { return maxEngineSpeed > 2000.0f ? DASH_ANALOG_SECOND_GAP : 0; }

const char* TachometerCaption(uint32_t flags) { return flags & DASH_ANALOG_HUNDREDS ? "\xD7" "100" : "\xD7" "1000"; }

void SetupTachometer(DashGauge& g, uint32_t flags, int maximumByte, float engineSpeed, float maxEngineSpeed) {
  const bool hundreds = flags & DASH_ANALOG_HUNDREDS;
  const float m = hundreds ? 100.0f : 1000.0f;
  const bool second = flags & DASH_ANALOG_SECOND_GAP;
  g.labelGap = hundreds ? (second ? 5 : 0) + 5 : (second ? 1 : 0) + 1;
  const bool fiveSteps = flags & DASH_ANALOG_FIVE_STEPS;
  g.kind = fiveSteps ? 3 : 2;
  g.value = Finite(engineSpeed * 60.0f / (TWO_PI * m));
  const float rpm = maxEngineSpeed * RPM_PER_RAD_S;
  const bool sane = std::isfinite(rpm) && rpm <= DASH_MOST_RPM && rpm >= 0.0f;
  const float top = sane ? maxEngineSpeed * 60.0f / (TWO_PI * m) : 0.0f;
  g.firstRedMark = sane ? Nearest((fiveSteps ? 5.0f : 2.0f) / float(g.labelGap) * top) : 0;
  g.maximum = maximumByte == 0 ? g.labelGap + Nearest(top) : Nearest(float(maximumByte) * 500.0f / m - 0.499999f);
}

void SetupSpeedometer(DashGauge& g, int maximumByte, float topSpeed, int kmh, float speed) {
  float top = maximumByte ? float(maximumByte) * 5.0f
                          : float(Nearest(Finite(std::clamp(topSpeed, 0.0f, 1000.0f)) * 3.6f / 10.0f - 0.499999f)) * 10.0f;
  top = std::max(top, 30.0f);
  if (kmh) {
    g.maximum = int(top);
  } else {
    g.maximum = Nearest(top / 1.6093f / 5.0f) * 5;
    g.turn *= float(g.maximum) * 1.6093f / top;
  }
  g.kind = 1;
  g.value = Finite(speed * DashSpeedFactor(kmh));
}

float FuelGaugeValue(int32_t maximum, float fuel, float capacity) {
  if (!(capacity > 0.0f)) return 0.0f;
  return float(maximum) * std::clamp(Finite(fuel / capacity), 0.0f, 1.0f);
}

int FuelNeedleShown(const DashCarState& s) { return !s.remote || DashUnits.showRemoteFuel; }

void SetupTurbo(DashGauge& g, int turbo, float maxBoost, float boost, int pressureUnit, float frameRate) {
  g.radiusY = g.radiusX;
  if (!turbo) {
    g.maximum = 100;
    g.value = std::clamp(Finite(frameRate), 0.0f, 100.0f);
    g.labelGap = 5;
    g.kind = 1;
    return;
  }
  const float factor = pressureUnit == 0 ? 14.7f : 10.0f;
  g.maximum = Nearest(std::clamp(Finite(maxBoost), 0.0f, 100.0f) * factor);
  g.value = std::max(Finite(boost) * factor, 0.0f);
  g.labelGap = 1;
  g.kind = pressureUnit == 0 ? 1 : 4;
}

// ---- [Texts] ----

void FormatDashClock(int hour, int minute, int twelveHour, char out[DASH_TEXT_SIZE]) {
  if (twelveHour) {
    const int h = hour % 12;
    std::snprintf(out, DASH_TEXT_SIZE, "%d:%.2d", h == 0 ? 12 : h, minute);
  } else {
    std::snprintf(out, DASH_TEXT_SIZE, "%.2d:%.2d", hour, minute);
  }
}

void FormatOdometer(double metres, int kmh, char out[DASH_TEXT_SIZE]) {
  const double scaled = std::clamp(metres, 0.0, 1e11) * (kmh ? 0.01 : 0.00621371) - 0.499999;
  const long long tenths = std::llround(std::max(scaled, 0.0));
  std::snprintf(out, DASH_TEXT_SIZE, "%lld.%lld", tenths / 10, tenths % 10);
}

void FormatFuelLine(const DashCarState& s, char out[DASH_TEXT_SIZE]) {
  std::memset(out, 0, DASH_TEXT_SIZE);
  if (!HasEngine(s)) return;
  const float share = s.capacity > 0.0f ? std::clamp(Finite(s.fuel * 100.0f / s.capacity), 0.0f, 99.9f) : 0.0f;
  char text[DASH_TEXT_SIZE];
  std::snprintf(text, sizeof text, IsBatteryCar(s) ? "Batt %.1f%%" : "Fuel %.1f%%", double(share));
  std::snprintf(out, DASH_TEXT_SIZE, "%-16s", text);
  if (s.race.lapsCounted > 0 && s.race.fuelUsed > 0.0f) {
    const float laps = s.fuel / (s.race.fuelUsed / float(s.race.lapsCounted));
    if (std::isfinite(laps) && laps < 99.9f) {
      char lapText[DASH_TEXT_SIZE];
      const int n = std::snprintf(lapText, sizeof lapText, "%.1fL", double(std::max(laps, 0.0f)));
      if (n > 0 && n <= 16) std::memcpy(out + 16 - n, lapText, size_t(n));
    }
  }
  out[16] = 0;
}

void ToDigitCodes(char* text, int shift) {
  for (char* c = text; *c; ++c)
    if ((*c >= '0' && *c <= '9') || *c == '.' || *c == '-') *c = char(*c + shift);
}

void FormatWheelSpeed(float speed, float factor, char out[DASH_TEXT_SIZE]) {
  const float scaled = Finite(speed * factor * 10.0f);
  const int tenths = std::clamp(Nearest(std::clamp(scaled, -1.0f, 10000.0f)), 0, 9999);
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04d", tenths);
  std::snprintf(out, DASH_TEXT_SIZE, "%.3s.%c", digits, digits[3]);
}

void FormatWheelTimer(int valid, uint32_t timingValue, char out[DASH_TEXT_SIZE]) {
  const uint32_t t = valid ? timingValue / 10 : 0;
  std::snprintf(out, DASH_TEXT_SIZE, "%2u.%02u", (t % 6000 - t % 100) / 100, t % 100);
}

// ---- [Displays] ----

int LedRowLit(int lamps, float rpm, float maxRpm) {
  const float threshold = maxRpm - float(lamps - 1) * 200.0f - 100.0f;
  if (!(rpm > threshold)) return 0;
  const float steps = std::floor(std::min((rpm - threshold) / 200.0f, 1000.0f));
  return std::clamp(int(steps) + 1, 0, std::max(lamps, 0));
}

LcdArc MakeLcdArc(uint32_t flags, const LcdArcShape& shape, float engineSpeed, float maxEngineSpeed) {
  LcdArc a;
  const float rpm = maxEngineSpeed * RPM_PER_RAD_S;
  if (!std::isfinite(rpm) || rpm > DASH_MOST_RPM || rpm < 0.0f) return a;
  a.perThousand = flags & DASH_FORMULA_SECOND_GAP ? 2 : 4;
  a.figureStep = flags & DASH_FORMULA_SECOND_GAP ? 2 : 1;
  const int thousands = Nearest(maxEngineSpeed * 60.0f / 6283.18f);
  a.count = (thousands + 1) * a.perThousand;
  const float turn = float(shape.turn) * -0.08726647f;
  a.start = float(shape.start) * 0.08726647f;
  a.step = turn / float(a.count);
  a.litFraction = std::clamp(Finite(engineSpeed / 6.28f * 0.06f / float(thousands + 1)), 0.0f, 1.0f);
  return a;
}

int ShiftStage(const DashCarState& s) {
  if (!s.live) return 0;
  if (s.lampWord & 1u << DASH_LAMP_SHIFT) return 4;
  const float a = s.upperShift, b = s.lowerShift;
  if (s.engineSpeed > a) return 3;
  if (s.engineSpeed > b) return 2;
  if (s.engineSpeed > b - (a - b)) return 1;
  return 0;
}

int BatteryLedsLit(const DashCarState& s) {
  if (!HasEngine(s)) return 0;
  if (s.live && (s.lampWord & 1u << DASH_LAMP_SHIFT)) return 9;
  const float rpm = s.engineSpeed * RPM_PER_RAD_S;
  if (!s.live || !(rpm > 7700.0f)) return 0;
  return std::clamp(int(std::floor(std::min((rpm - 7700.0f) / 200.0f, 100.0f))) + 1, 0, 8);
}
