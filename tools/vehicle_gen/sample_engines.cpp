// sample_engines.cpp - our engines and their synthesised waves.
#include "tools/vehicle_gen/sample_engines.h"

#include <cmath>
#include <cstdlib>

#include "vehicle_data/engine_record.h"
#include "vehicle_data/vehicle_class.h"

const SampleEngine SAMPLE_ENGINES[SAMPLE_ENGINE_COUNT] = {
    {"DEFAULT", CLASS_SALOON, 0},         {"Inline4Turbo", CLASS_TOURING_CAR, 0}, {"Flat6", CLASS_GT, 0},
    {"CrossPlaneV8", CLASS_GT, 0},        {"V12", CLASS_GT, 0},                   {"Electric", CLASS_GT, 1},
};

namespace {

constexpr double PI = 3.14159265358979;
constexpr float RPM = 0.10471976f;  // rad/s per rpm

// One wave of a slot: a loop of samples of pulses pulses (each a decaying ring of the slot's
// own pitch), or for an electric motor a whine of two tones.
void SynthesiseWave(EngineWave& wave, int slot, int pulses, bool electric) {
  const int count = 192 + 32 * slot;
  wave.count = static_cast<uint32_t>(count);
  wave.samples = static_cast<uint32_t*>(std::malloc(static_cast<size_t>(count) * 4));
  wave.bytes[3] = static_cast<uint8_t>(pulses);
  const double ring = 3.0 + slot;  // cycles of the ring within one pulse
  for (int i = 0; i < count; ++i) {
    const double t = static_cast<double>(i) / count;  // 0..1 over the loop
    double v;
    if (electric) {
      v = 0.5 * std::sin(2 * PI * 8 * t) + 0.25 * std::sin(2 * PI * (16 + 2 * slot) * t);
    } else {
      const double phase = t * pulses - std::floor(t * pulses);  // 0..1 within a pulse
      v = std::exp(-4.0 * phase) * std::sin(2 * PI * ring * phase) * 0.8 + 0.1 * std::sin(2 * PI * pulses * t);
    }
    const uint16_t left = static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 24000.0)));
    const uint16_t right = static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 22000.0)));
    wave.samples[i] = static_cast<uint32_t>(left) | static_cast<uint32_t>(right) << 16;
  }
}

void Combustion(EngineModel& e, int vehicleClass, float size, int cylinders, int layout, uint32_t flags, float rpm) {
  e.Reset();
  e.TakeClassFigures(vehicleClass);
  e.flags = flags;
  e.engineSize = size;
  e.cylinders = static_cast<uint8_t>(cylinders);
  e.layout = static_cast<uint8_t>(layout);
  e.turboMaxBoost = flags & ENGINE_TURBO ? 0.9f : 0.0f;
  e.redline = rpm * RPM;
}

}  // namespace


void BuildDefaultEngine(EngineModel& e) {
  e.Reset();
  e.TakeClassFigures(CLASS_SALOON);
  e.turboMaxBoost = 0.0f;
  e.redline = 733.0383f;  // 7000 rpm
}

void BuildSampleEngine(int index, EngineModel& e) {
  const SampleEngine& s = SAMPLE_ENGINES[index];
  switch (index) {
    case 0: BuildDefaultEngine(e); return;
    case 1: Combustion(e, s.vehicleClass, 2000.0f, 4, ENGINE_INLINE, ENGINE_TURBO, 7200.0f); break;
    case 2: Combustion(e, s.vehicleClass, 3600.0f, 6, ENGINE_FLAT, 0, 8400.0f); break;
    case 3: Combustion(e, s.vehicleClass, 5000.0f, 8, ENGINE_V, ENGINE_CROSS_PLANE, 7000.0f); break;
    case 4:
      Combustion(e, s.vehicleClass, 6000.0f, 12, ENGINE_V, 0, 8800.0f);
      e.torqueLimit = 620.0f;
      break;
    default:
      e.Reset();
      e.torquePerCc = 1.0f;
      e.redline = 1600.0f;    // rad/s
      e.maxPower = 220000.0f;  // W
      e.maxTorque = 420.0f;    // N m
      break;
  }
  // Four strokes: each cylinder fires once in the loop's two turns.
  const int pulses = s.electric ? 1 : e.cylinders;
  for (int slot = 0; slot < ENGINE_WAVE_COUNT; ++slot) {
    const bool kept = s.electric ? (slot == 2 || slot == 3) : ((e.flags & ENGINE_TURBO) || (slot != 1 && slot != 5));
    if (kept) SynthesiseWave(e.waves[slot], slot, pulses, s.electric);
  }
}
