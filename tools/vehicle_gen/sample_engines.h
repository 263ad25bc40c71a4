// sample_engines.h - our own engine files: the neutral engine "DEFAULT" every sample vehicle
// names (and every car falls back to), and beside it a few engines of our own with short sound
// waves we synthesise, written into "data\engine" at build time and used by the engine tests
// and the fuzz seeds.
//
// The waves stand in the slots an engine file keeps for the power unit (all eight for a
// turbocharged engine, all but the second and sixth for one without a turbo, the third and
// fourth for an electric motor).  Each is a loop of a few hundred 32-bit samples, a 16-bit
// stereo frame each (left in the low half), of the engine's firing pulses; the wave byte holds
// the pulses in the loop.  What the sound output makes of them is its own.
#pragma once
#include <cstdint>

struct EngineModel;

struct SampleEngine {
  const char* name;      // "data\engine\<name>.eng"
  uint8_t vehicleClass;  // the class whose figures it takes
  uint8_t electric;      // written in the motor's form (transmission type 6)
};
constexpr int SAMPLE_ENGINE_COUNT = 6;
// "DEFAULT" first.
extern const SampleEngine SAMPLE_ENGINES[SAMPLE_ENGINE_COUNT];

// Fills engine (zeroed, as made) with a sample and its waves; the engine owns the waves.
void BuildSampleEngine(int index, EngineModel& engine);
// Our neutral engine, "DEFAULT": a 2000 cc inline four with the saloon class's figures and the
// default sound, no sound waves.
void BuildDefaultEngine(EngineModel& engine);
