// fuzz_engine_file.cpp - engine files of any container version and record sub-version through
// the engine file's reading (the memory reader in place of the disk).
//
// Input: a version byte (247 + byte % 6: one below the lowest accepted to the current), a
// choice byte (bits 0-3 the vehicle class % 12; bit 4 the record as a vehicle file holds it,
// read without its sound; bit 5 the sound read into a second engine; bit 6 an electric motor),
// then the body.  A read that fails must leave both engines as they were and give error 9, 3
// or 4; one that ran past the end must have failed.  Waves may hold no more samples than the
// body has bytes for.  An accepted definition either gives finite figures and a finite curve
// or is marked not simulated; and writing it, reading it back and writing again gives the same
// bytes.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/data_file.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "vehicle_data/engine_file.h"
#include "vehicle_data/engine_record.h"

namespace {

#define Require(condition)                                                 \
  do {                                                                     \
    if (!(condition)) {                                                    \
      std::fprintf(stderr, "fuzz_engine_file: %s failed\n", #condition); \
      std::abort();                                                        \
    }                                                                      \
  } while (0)

constexpr int TRANSMISSION_ENGINE = 1, TRANSMISSION_MOTOR = 6;

// An engine as the engine page's temporary starts, with a wave a failed read must keep.
void Prepare(EngineModel& e) {
  e = EngineModel{};
  e.Reset();
  e.waves[6].count = 2;
  e.waves[6].samples = static_cast<uint32_t*>(std::malloc(8));
  e.waves[6].samples[0] = 11, e.waves[6].samples[1] = 12;
}

std::vector<uint8_t> Written(EngineModel& e, int skipWaves, int electric) {
  return MemoryWriteBody([&](DataFile& f) { e.Write(f, skipWaves, electric); });
}

// 1 or 0 as the read gave; -1 when the container refused the image.
int Read(const std::vector<uint8_t>& body, int version, int classIndex, int skipWaves, EngineModel& engine,
         EngineModel& sound, bool* ranShort) {
  const std::vector<uint8_t> image = DataFileImage(ENGINE_FILE_MAGIC, body, version);
  DataFile f;
  int32_t stored = 0;
  *ranShort = false;
  if (!f.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), ENGINE_FILE_MAGIC, &stored,
                        ENGINE_FILE_VERSION))
    return -1;
  if (!skipWaves) return ReadEngineFile(f, stored, "fuzz", engine, sound);
  // A vehicle file's record, read straight into its engine.
  const int result = engine.Read(f, sound, 1, classIndex);
  *ranShort = f.readPastEnd != 0;
  f.Close();
  return result;
}

uint64_t Samples(const EngineModel& e) {
  uint64_t n = 0;
  for (const EngineWave& w : e.waves) n += w.samples ? w.count : 0;
  return n;
}

// Every figure the steps use is finite, and so is the curve up to the redline.
void CheckSimulated(const EngineModel& e, int transmission) {
  for (float v : {e.inertia, e.stiffness, e.peakTorque, e.maxPower, e.maxPowerSpeed, e.maxTorque, e.maxTorqueSpeed})
    Require(std::isfinite(v));
  Require(e.inertia > 0 && e.redline > 0);
  if (transmission == TRANSMISSION_MOTOR) return;
  for (float v : {e.resistance, e.spread, e.peakSpeed, e.turboInertia, e.turboDrag, e.clutchCapacity,
                  e.boostMultiplier})
    Require(std::isfinite(v));
  for (int i = 0; i <= 256; i += 4) {  // every fourth speed BuildCurve scans, and the redline
    const float w = float(i) * e.redline * 0.00390625f;
    Require(std::isfinite(e.TorqueAtRpm(w)) && std::isfinite(e.NetTorqueAt(w)));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    SetDefaultTextColours();
    MessagesToStdout = 0;
    return true;
  }();
  (void)ready;
  if (size < 2) return 0;
  const int version = ENGINE_FILE_LOWEST_VERSION - 1 + data[0] % 6;
  const int classIndex = (data[1] & 15) % 12;
  const int skipWaves = (data[1] >> 4) & 1, separateSound = (data[1] >> 5) & 1;
  const int electric = (data[1] >> 6) & 1;
  const int transmission = electric ? TRANSMISSION_MOTOR : TRANSMISSION_ENGINE;
  const std::vector<uint8_t> body(data + 2, data + size);

  EngineModel engine, other;
  Prepare(engine);
  Prepare(other);
  EngineModel& sound = separateSound ? other : engine;
  const std::vector<uint8_t> before = Written(engine, 1, 0);
  const uint32_t* keptWave = sound.waves[6].samples;
  bool ranShort = false;
  const int result = Read(body, version, classIndex, skipWaves, engine, sound, &ranShort);
  if (ranShort) Require(result == 0);
  if (result == 0 && !skipWaves) {
    Require(LastDataFileError == DATA_FILE_TOO_SHORT || LastDataFileError == DATA_FILE_LATER_VERSION ||
            LastDataFileError == DATA_FILE_OBSOLETE);
    Require(Written(engine, 1, 0) == before);
    Require(sound.waves[6].samples == keptWave && sound.waves[6].samples[1] == 12);
  }
  if (result == 0 && skipWaves) Require(LastEngineReadFailure.text && LastEngineReadFailure.field);
  Require(Samples(sound) * 4 <= body.size() + 8);  // the kept wave's two samples

  if (result == 1) {
    // Finite figures, or an engine the car will not step.
    if (!engine.SimulationFault(transmission, classIndex)) {
      EngineModel stepped = engine;
      stepped.Recompute(transmission, classIndex);
      CheckSimulated(stepped, transmission);
    }
    // Written, read back and written again: the same bytes (its own sound in the record).
    if (separateSound) {
      engine.FreeWaves();
      std::memcpy(engine.waves, other.waves, sizeof engine.waves);
      std::memcpy(engine.soundParams, other.soundParams, sizeof engine.soundParams);
      std::memset(other.waves, 0, sizeof other.waves);
    }
    const std::vector<uint8_t> first = Written(engine, skipWaves, electric);
    EngineModel back;
    Prepare(back);
    Require(Read(first, ENGINE_FILE_VERSION, classIndex, skipWaves, back, back, &ranShort) == 1 && !ranShort);
    Require(Written(back, skipWaves, electric) == first);
    back.FreeWaves();
  }
  engine.FreeWaves();
  other.FreeWaves();
  ResetMessages();
  return 0;
}
