// engine_record.cpp - the engine's defaults and its record of every sub-version.
//
// Record as written (sub-version 16; little-endian):
//   u32 flags (AND 23, OR 8; OR 32 in a vehicle file whose redline is the user's), u8 16, u8 0,
//   u8 0, u8 kind (1 electric motor, 0 combustion)
//   electric:   f32 redline, maxPower, maxTorque
//   combustion: f32 engineSize, u8 cylinders, u8 layout, u16 0, f32 turboMaxBoost,
//               turboInertiaMul, torquePerCc, spreadMul, torqueLimit, redline, camTiming,
//               resistanceMul, inertiaMul, idleSpeed
//   [engine files only] 8 wave blocks, then the 29 sound figures
#include "vehicle_data/engine_record.h"

#include <cstdlib>
#include <cstring>

#include "core/data_file.h"
#include "core/frame_globals.h"
#include "vehicle_data/vehicle_class.h"

namespace {

constexpr float DEFAULT_SOUND_PARAMS[ENGINE_SOUND_PARAMS] = {
    40.0f, 0.5f, 0.2f, 0.05f, 2.0f, 0.1f, 0.1f, 0.0f, 150000.0f, 1.0f, 0.8f, 0.6f, 0.8f, 6000.0f, 1.0f,
    0.8f,  0.6f, 0.6f, 0.3f,  0.6f, 1.0f, 0.6f, 0.9f, 0.9f,      0.9f, 0.9f, 0.02f, 0.08f, 1.0f};
constexpr uint32_t STORED_FLAGS = ENGINE_TURBO | ENGINE_CROSS_PLANE | ENGINE_OLD_SPREAD | ENGINE_TWO_STROKE;
constexpr uint16_t SOUND_WORD_DEFAULT = 3078;
constexpr float LOWEST_TURBO_INERTIA = 0.1f;
constexpr float HIGHEST_SOUND_MIX = 0.99f;  // the second sound figure's ceiling

constexpr const char* WAVE_FIELDS[ENGINE_WAVE_COUNT] = {"wave 1", "wave 2", "wave 3", "wave 4",
                                                        "wave 5", "wave 6", "wave 7", "wave 8"};

void SkipFloats(DataFile& f, int n) {
  for (int i = 0; i < n; ++i) f.ReadInt();
}

// Records the failure and returns 0.
int Fail(const char* text, const char* field, int error = DATA_FILE_TOO_SHORT) {
  LastEngineReadFailure = {text, field, error};
  return 0;
}

// 0 (with the field named) when the data ended before the field's end.
int Whole(const DataFile& f, const char* field) { return f.readPastEnd ? Fail(TEXT_COULD_NOT_READ_ENGINE, field) : 1; }

// Reads a wave block into slot; a failure is named by the slot (the text is ReadWave's).
int ReadWaveInto(EngineWave& wave, DataFile& f, int slot) {
  if (ReadWave(wave, f)) return 1;
  LastEngineReadFailure.field = WAVE_FIELDS[slot];
  return 0;
}

}  // namespace

EngineReadFailure LastEngineReadFailure;
int LastEngineReadElectric;

// ---- [Waves] ----

void EngineWave::Free() {
  std::free(samples);
  samples = nullptr;
  std::memset(bytes, 0, sizeof bytes);
  count = 0;
}

void WriteWave(const EngineWave& wave, DataFile& file) {
  file.WriteByte(0);
  file.WriteByte(0);
  file.WriteByte(ENGINE_WAVE_FORM);
  file.WriteByte(wave.bytes[3]);
  file.WriteInt(static_cast<int32_t>(wave.count));
  for (uint32_t i = 0; i < wave.count; ++i) file.WriteInt(static_cast<int32_t>(wave.samples ? wave.samples[i] : 0));
}

int ReadWave(EngineWave& wave, DataFile& file) {
  wave.Free();
  const int oldCount = file.ReadByte();
  file.ReadByte();
  const int form = file.ReadByte();
  const int waveByte = file.ReadByte();
  if (file.readPastEnd) return Fail(TEXT_COULD_NOT_READ_ENGINE, "wave");
  if (form > ENGINE_WAVE_FORM) return Fail(TEXT_COULD_NOT_READ_WAVE, "wave");
  wave.bytes[3] = static_cast<uint8_t>(waveByte);
  if (form == 3) {
    const uint32_t count = file.ReadUInt();
    // The samples must lie in the data: a count beyond it is damage, not a long sound.
    if (file.readPastEnd || static_cast<int64_t>(count) * 4 > file.BytesLeft()) {
      file.readPastEnd = 1;
      return Fail(TEXT_COULD_NOT_READ_ENGINE, "wave");
    }
    if (count == 0) return 1;
    wave.samples = static_cast<uint32_t*>(std::malloc(static_cast<size_t>(count) * 4));
    if (!wave.samples) return Fail(TEXT_COULD_NOT_ALLOCATE, "wave");
    wave.count = count;
    for (uint32_t i = 0; i < count; ++i) wave.samples[i] = file.ReadUInt();
    return Whole(file, "wave");
  }
  // The old forms' entries are passed over.
  if (form == 1 && !file.Skip(oldCount * 8)) return Fail(TEXT_COULD_NOT_READ_ENGINE, "wave");
  if (form == 0 && !file.Skip(oldCount * 16)) return Fail(TEXT_COULD_NOT_READ_ENGINE, "wave");
  return 1;
}

// ---- [Engine] ----

void EngineModel::Reset() {
  flags = 0;
  index = -1;
  ResetSound();
  inertiaFactor = 1.0f;
  camTiming = 1.0f;
  ratio = 1.0f;
  engineSize = 2000.0f;
  cylinders = 4;
  layout = ENGINE_INLINE;
  turboMaxBoost = 1.0f;
  turboInertiaMul = 0.5f;
  torqueLimit = 0.0f;
  health = 1.0f;
}

void EngineModel::ResetSound() {
  std::memcpy(soundParams, DEFAULT_SOUND_PARAMS, sizeof soundParams);
  soundWord = SOUND_WORD_DEFAULT;
  soundByte = 0;
}

void EngineModel::FreeWaves() {
  for (EngineWave& wave : waves) wave.Free();
}

// ---- [Record] ----

void EngineModel::Write(DataFile& file, int skipWaves, int electric, int ownRedline) {
  file.WriteInt(static_cast<int32_t>((flags & STORED_FLAGS) | ENGINE_SUB_VERSION | (ownRedline ? ENGINE_OWN_REDLINE : 0)));
  file.WriteByte(ENGINE_RECORD_VERSION);
  file.WriteByte(0);
  file.WriteByte(0);
  file.WriteByte(electric ? 1 : 0);
  if (electric) {
    file.WriteFloat(redline);
    file.WriteFloat(maxPower);
    file.WriteFloat(maxTorque);
  } else {
    file.WriteFloat(engineSize);
    file.WriteByte(cylinders);
    file.WriteByte(layout);
    file.WriteByte(0);
    file.WriteByte(0);
    for (float value : {turboMaxBoost, turboInertiaMul, torquePerCc, spreadMul, torqueLimit, redline, camTiming,
                        resistanceMul, inertiaMul, idleSpeed})
      file.WriteFloat(value);
  }
  if (skipWaves) return;
  // An electric motor sounds with its third and fourth waves only; an engine without a turbo
  // has no second or sixth.
  for (int i = 0; i < ENGINE_WAVE_COUNT; ++i) {
    const bool unused = electric ? (i != 2 && i != 3) : (!(flags & ENGINE_TURBO) && (i == 1 || i == 5));
    if (unused) waves[i].Free();
  }
  for (const EngineWave& wave : waves) WriteWave(wave, file);
  for (float value : soundParams) file.WriteFloat(value);
}

int EngineModel::Read(DataFile& file, EngineModel& soundTarget, int skipWaves, int classIndex) {
  flags = file.ReadUInt();
  if (!Whole(file, "flags")) return 0;
  int subVersion = 0;
  bool electric = false;
  LastEngineReadElectric = 0;
  if (flags & ENGINE_SUB_VERSION) {
    subVersion = file.ReadByte();
    if (subVersion > ENGINE_RECORD_VERSION) return Fail(TEXT_COULD_NOT_READ_ENGINE, "sub-version", DATA_FILE_LATER_VERSION);
    file.ReadByte();
    file.ReadByte();
    electric = file.ReadByte() != 0;
    LastEngineReadElectric = electric ? 1 : 0;
    if (!Whole(file, "sub-version")) return 0;
  }
  if (electric) {
    redline = file.ReadFloat();
    maxPower = file.ReadFloat();
    maxTorque = file.ReadFloat();
    torquePerCc = 1.0f;
    if (!Whole(file, "motor figures")) return 0;
  } else {
    engineSize = file.ReadFloat();
    cylinders = static_cast<uint8_t>(file.ReadByte());
    layout = static_cast<uint8_t>(file.ReadByte());
    file.ReadShort();
    turboMaxBoost = file.ReadFloat();
    if (subVersion > 12) {
      turboInertiaMul = file.ReadFloat();
      if (!(turboInertiaMul > LOWEST_TURBO_INERTIA)) turboInertiaMul = LOWEST_TURBO_INERTIA;
    }
    torquePerCc = file.ReadFloat();
    if (subVersion > 13) {
      spreadMul = file.ReadFloat();
      torqueLimit = file.ReadFloat();
      redline = file.ReadFloat();
    } else if (flags & ENGINE_OLD_SPREAD) {
      spreadMul = file.ReadFloat();
      redline = file.ReadFloat();
    } else {
      spreadMul = 1.0f;
    }
    camTiming = file.ReadFloat();
    if (subVersion < 2) file.ReadInt();
    if (subVersion > 15) {
      resistanceMul = file.ReadFloat();
      inertiaMul = file.ReadFloat();
      idleSpeed = file.ReadFloat();
    } else {
      // Older records knew no class figures: the class's row supplies them.
      const VehicleClass& row = VehicleClassRow(classIndex);
      torquePerCc *= row.torquePerCc;
      spreadMul *= row.spreadFactor;
      camTiming *= row.spreadFactor;
      resistanceMul = row.resistanceMul;
      inertiaMul = row.inertiaMul;
      idleSpeed = row.idleSpeed;
    }
    if (!Whole(file, "engine figures")) return 0;
  }
  if (skipWaves && subVersion > 7) return 1;
  return soundTarget.ReadSound(file, subVersion);
}

int EngineModel::ReadSound(DataFile& file, int v) {
  std::memset(soundState, 0, sizeof soundState);
  if (v < 2) file.ReadInt();
  if (v == 0) {
    file.ReadInt();
    // Twelve blocks, each replacing the one before; a block of an unknown form is passed by,
    // one that runs past the data is not.
    for (int i = 0; i < 12; ++i) {
      if (!ReadWave(waves[0], file) && file.readPastEnd) {
        LastEngineReadFailure.field = WAVE_FIELDS[0];
        return 0;
      }
    }
    SkipFloats(file, 18 + 15);
    return Whole(file, "sound figures");
  }
  if (v == 1) {
    for (int i = 1; i <= 4; ++i)
      if (!ReadWaveInto(waves[i], file, i)) return 0;
    SkipFloats(file, 18);
    return Whole(file, "sound figures");
  }
  const int waveCount = v <= 5 ? 4 : v == 6 ? 6 : v == 7 ? 7 : ENGINE_WAVE_COUNT;
  for (int i = 0; i < waveCount; ++i)
    if (!ReadWaveInto(waves[i], file, i)) return 0;

  float* p = soundParams;
  auto readIf = [&file, p](int first, int last, bool condition) {
    for (int i = first; i <= last; ++i)
      if (condition) p[i] = file.ReadFloat();
  };
  readIf(0, 0, true);
  if (v > 11) {
    p[1] = file.ReadFloat();
    if (p[1] > HIGHEST_SOUND_MIX && RunMode != RUN_MODE_VEHICLE_OUTPUT) p[1] = HIGHEST_SOUND_MIX;
  }
  readIf(2, 6, true);
  readIf(7, 7, v > 8);
  if (v < 6) SkipFloats(file, 1);
  readIf(8, 8, v > 4);
  readIf(9, 10, true);
  readIf(11, 12, v > 5);
  if (v > 4 && v < 8) SkipFloats(file, 3);
  readIf(13, 13, v > 4);
  readIf(14, 16, v > 2);
  readIf(17, 17, v > 5);
  readIf(18, 19, v > 6);
  readIf(20, 21, v > 7);
  if (v < 10) SkipFloats(file, 1);
  readIf(22, 22, true);
  readIf(23, 23, v > 8);
  readIf(24, 25, v > 5);
  readIf(26, 28, v > 10);
  return Whole(file, "sound figures");
}
