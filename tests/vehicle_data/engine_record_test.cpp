// engine_record_test.cpp - engine files built by hand at every container version and record
// sub-version, read through the engine file and checked against the test's own reading of the
// record (the definition, the class conversion, the sound table and the wave slots), each
// result written again at the current version to itself; and what writing normalises, the
// motor's form of a vehicle without a gearbox included.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/frame_globals.h"
#include "tests/vehicle_data/vehicle_test_util.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "vehicle_data/engine_file.h"

namespace {

constexpr const char* PATH = "data\\engine\\Hand.eng";

void GiveWave(EngineWave& w, int count, int waveByte) {
  w.Free();
  w.bytes[3] = uint8_t(waveByte);
  w.count = uint32_t(count);
  w.samples = static_cast<uint32_t*>(std::malloc(size_t(count) * 4));
  for (int i = 0; i < count; ++i) w.samples[i] = uint32_t(7000 + i);
}

// The engine a file is read into: reset, with figures a record may leave alone, a wave in
// the last slot and a sound state to be cleared.
EngineModel Target() {
  EngineModel e{};
  e.Reset();
  e.redline = 123.0f;
  e.maxPower = 777.0f;
  e.maxTorque = 888.0f;
  e.engineSize = 999.0f;
  std::memset(e.soundState, 0xAB, sizeof e.soundState);
  GiveWave(e.waves[7], 3, 99);
  return e;
}

// A record of every field set apart, with its sound.
RawEngine Record(int subVersion, uint32_t flags, bool electric) {
  RawEngine r;
  r.subVersion = subVersion;
  r.flags = flags;
  r.electric = electric;
  r.cylinders = 6, r.layout = ENGINE_V, r.limit = 250.0f, r.turboInertia = 0.3f;
  r.withSound = true;
  r.waveSamples = 3;
  return r;
}

std::vector<uint8_t> Encode(const RawEngine& r) {
  Bytes o;
  EncodeEngine(o, r);
  EncodeEngineSound(o, r);
  return o.b;
}

// What the test reads from the record into before, with class row c.
void ExpectReading(const EngineModel& got, const RawEngine& r, const EngineModel& before, int c, const char* what) {
  const int v = r.subVersion;
  EXPECT_EQ(got.flags, r.flags | (v > 0 ? ENGINE_SUB_VERSION : 0)) << what;
  if (r.electric) {
    EXPECT_EQ(got.redline, r.redline) << what;
    EXPECT_EQ(got.maxPower, r.power) << what;
    EXPECT_EQ(got.maxTorque, r.torque) << what;
    EXPECT_EQ(got.torquePerCc, 1.0f) << what;
    EXPECT_EQ(got.engineSize, before.engineSize) << what << ": the combustion fields stay";
    EXPECT_EQ(got.idleSpeed, before.idleSpeed) << what;
  } else {
    const VehicleClass& row = VehicleClassRow(c);
    const bool old = v < 16;
    const bool spreadStored = v > 13 || (r.flags & ENGINE_OLD_SPREAD);
    EXPECT_EQ(got.engineSize, r.size) << what;
    EXPECT_EQ(got.cylinders, r.cylinders) << what;
    EXPECT_EQ(got.layout, r.layout) << what;
    EXPECT_EQ(got.turboMaxBoost, r.boost) << what;
    EXPECT_EQ(got.turboInertiaMul, v > 12 ? r.turboInertia : before.turboInertiaMul) << what;
    EXPECT_FLOAT_EQ(got.torquePerCc, r.torquePerCc * (old ? row.torquePerCc : 1.0f)) << what;
    EXPECT_FLOAT_EQ(got.spreadMul, (spreadStored ? r.spread : 1.0f) * (old ? row.spreadFactor : 1.0f)) << what;
    EXPECT_EQ(got.torqueLimit, v > 13 ? r.limit : before.torqueLimit) << what;
    EXPECT_EQ(got.redline, spreadStored ? r.redline : before.redline) << what;
    EXPECT_FLOAT_EQ(got.camTiming, r.cam * (old ? row.spreadFactor : 1.0f)) << what;
    EXPECT_EQ(got.resistanceMul, old ? row.resistanceMul : r.resistance) << what;
    EXPECT_EQ(got.inertiaMul, old ? row.inertiaMul : r.inertia) << what;
    EXPECT_EQ(got.idleSpeed, old ? row.idleSpeed : r.idle) << what;
    EXPECT_EQ(got.maxPower, before.maxPower) << what;
  }
}

void ExpectSound(const EngineModel& got, const RawEngine& r, const EngineModel& before, const char* what) {
  const int v = r.subVersion;
  std::vector<bool> read(ENGINE_SOUND_PARAMS, false);
  for (int place : EngineSoundPlaces(v))
    if (place >= 0) read[size_t(place)] = true;
  for (int p = 0; p < ENGINE_SOUND_PARAMS; ++p) {
    const float stored = p == 1 ? 0.99f : 100.0f + float(p);  // the second figure's ceiling
    EXPECT_EQ(got.soundParams[p], read[size_t(p)] ? stored : before.soundParams[p]) << what << ", figure " << p;
  }
  for (uint8_t b : got.soundState) ASSERT_EQ(b, 0) << what;
  // Each slot holds the last block read into it; the others stay as they were.
  std::vector<int> last(ENGINE_WAVE_COUNT, 0);
  const std::vector<int> slots = EngineWaveSlots(v);
  for (size_t i = 0; i < slots.size(); ++i) last[size_t(slots[i])] = int(i) + 1;
  for (int s = 0; s < ENGINE_WAVE_COUNT; ++s) {
    const EngineWave& w = got.waves[s];
    if (last[size_t(s)]) {
      ASSERT_EQ(w.count, uint32_t(r.waveSamples)) << what << ", wave " << s;
      EXPECT_EQ(w.bytes[3], last[size_t(s)]) << what << ", wave " << s;
      EXPECT_EQ(w.samples[2], 0x1000u * uint32_t(last[size_t(s)]) + 2) << what << ", wave " << s;
    } else {
      ASSERT_EQ(w.count, before.waves[s].count) << what << ", wave " << s;
      if (w.count) {
        EXPECT_EQ(w.samples[1], 7001u) << what << ", wave " << s;
      }
    }
  }
}

// The engine file of a container version through the engine file's reading (the memory
// reader in place of the disk).
int ReadImage(EngineModel& e, const std::vector<uint8_t>& body, int container) {
  const std::vector<uint8_t> image = DataFileImage(ENGINE_FILE_MAGIC, body, container);
  DataFile f;
  int32_t version = 0;
  if (!f.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), ENGINE_FILE_MAGIC, &version, 252)) return -1;
  return ReadEngineFile(f, version, PATH, e, e);
}

// The record written at the current sub-version, read back into a new engine and written
// again: the same bytes.
void ExpectRewrite(EngineModel& e, bool electric, const char* what) {
  const std::vector<uint8_t> first = MemoryWriteBody([&](DataFile& f) { e.Write(f, 0, electric); });
  EngineModel back = Target();
  ASSERT_EQ(ReadImage(back, first, ENGINE_FILE_VERSION), 1) << what;
  EXPECT_EQ(MemoryWriteBody([&](DataFile& g) { back.Write(g, 0, electric); }), first) << what;
  back.FreeWaves();
}

class EngineRecord : public VehicleTest {
 protected:
  void SetUp() override {
    VehicleTest::SetUp();
    std::filesystem::remove_all("data");
    std::filesystem::create_directories("data/engine");
  }
  void TearDown() override {
    RunMode = 0;
    VehicleTest::TearDown();
  }
  static void WriteFile(const std::vector<uint8_t>& body, int version) {
    const std::vector<uint8_t> image = DataFileImage(ENGINE_FILE_MAGIC, body, version);
    ASSERT_EQ(FileWriteAll(PATH, image.data(), image.size()), 0);
  }
};

}  // namespace

TEST_F(EngineRecord, EveryContainerVersionAndSubVersionReadsAsTheTableSays) {
  int cases = 0;
  for (int container = 248; container <= 252; ++container) {
    for (int v = 0; v <= 16; ++v) {
      struct Variant {
        uint32_t flags;
        bool electric;
      };
      std::vector<Variant> variants = {{0, false}, {ENGINE_TURBO | ENGINE_TWO_STROKE, false}};
      if (v == 0) variants.push_back({ENGINE_SUB_VERSION, false});  // the byte written, 0
      if (v <= 13) variants.push_back({ENGINE_OLD_SPREAD, false});
      if (v > 0) variants.push_back({0, true});
      for (const Variant& variant : variants) {
        const RawEngine r = Record(v, variant.flags, variant.electric);
        EngineModel e = Target();
        const EngineModel before = e;
        char what[96];
        std::snprintf(what, sizeof what, "container %d, sub-version %d, flags %u%s", container, v, variant.flags,
                      variant.electric ? ", electric" : "");
        ASSERT_EQ(ReadImage(e, Encode(r), container), 1) << what;
        ExpectReading(e, r, before, CLASS_OBJECT, what);
        ExpectSound(e, r, before, what);
        ExpectRewrite(e, variant.electric, what);
        e.FreeWaves();
        ++cases;
      }
    }
  }
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(cases, 5 * (17 * 2 + 1 + 14 + 16));
}

TEST_F(EngineRecord, OlderRecordsTakeTheirClassRowsFigures) {
  for (int c = 0; c < VEHICLE_CLASS_COUNT; ++c) {
    for (int v : {0, 1, 13, 15}) {
      const RawEngine r = Record(v, v == 13 ? ENGINE_OLD_SPREAD : 0, false);
      const std::vector<uint8_t> image = DataFileImage(ENGINE_FILE_MAGIC, Encode(r), 252);
      DataFile f;
      int32_t version;
      ASSERT_EQ(f.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), ENGINE_FILE_MAGIC, &version, 252), 1);
      EngineModel e = Target();
      const EngineModel before = e;
      ASSERT_EQ(e.Read(f, e, 0, c), 1);
      EXPECT_EQ(f.BytesLeft(), 0);
      f.Close();
      char what[48];
      std::snprintf(what, sizeof what, "class %d, sub-version %d", c, v);
      ExpectReading(e, r, before, c, what);
      e.FreeWaves();
    }
  }
  // The kart row: idle 104.71 and the torque per cc times 0.09.
  const RawEngine r = Record(15, 0, false);
  const std::vector<uint8_t> image = DataFileImage(ENGINE_FILE_MAGIC, Encode(r), 252);
  DataFile f;
  int32_t version;
  ASSERT_EQ(f.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), ENGINE_FILE_MAGIC, &version, 252), 1);
  EngineModel e = Target();
  ASSERT_EQ(e.Read(f, e, 1, CLASS_KART), 1) << "a vehicle file's record, without its sound";
  f.Close();
  EXPECT_EQ(e.idleSpeed, 104.71f);
  EXPECT_FLOAT_EQ(e.torquePerCc, 0.14f * 0.09f);
  EXPECT_EQ(e.waves[0].count, 0u) << "no sound read for sub-version 15 in a vehicle file";
  e.FreeWaves();
}

// A vehicle file's record carries its sound up to sub-version 7; from 8 on the vehicle file
// holds none, and the reading stops at the record's figures.
TEST_F(EngineRecord, AVehicleFilesRecordHoldsItsSoundUpToSubVersionSevenOnly) {
  for (int v : {7, 8}) {
    RawEngine r = Record(v, 0, false);
    Bytes o;
    EncodeEngine(o, r);
    if (v <= 7) EncodeEngineSound(o, r);
    const std::vector<uint8_t> image = DataFileImage(ENGINE_FILE_MAGIC, o.b, 252);
    DataFile f;
    int32_t version;
    ASSERT_EQ(f.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), ENGINE_FILE_MAGIC, &version, 252), 1);
    EngineModel e = Target();
    const EngineModel before = e;
    ASSERT_EQ(e.Read(f, e, 1, CLASS_OBJECT), 1) << v;
    EXPECT_EQ(f.BytesLeft(), 0) << v;
    f.Close();
    const std::string what = "vehicle file, sub-version " + std::to_string(v);
    ExpectReading(e, r, before, CLASS_OBJECT, what.c_str());
    if (v <= 7) {
      ExpectSound(e, r, before, what.c_str());
    } else {
      EXPECT_EQ(e.waves[0].count, before.waves[0].count) << what;
      EXPECT_EQ(e.soundParams[0], before.soundParams[0]) << what;
    }
    e.FreeWaves();
  }
}

TEST_F(EngineRecord, TheSecondSoundFigureIsHeldBelowOneExceptInTheVehicleOutput) {
  RawEngine r = Record(16, 0, false);
  Bytes o;
  EncodeEngine(o, r);
  for (int i = 0; i < ENGINE_WAVE_COUNT; ++i) RawWave(o, 0, i);
  for (int p = 0; p < ENGINE_SOUND_PARAMS; ++p) F32(o, p == 1 ? 1.5f : 0.25f);
  WriteFile(o.b, 252);
  for (int mode : {0, 2}) {
    RunMode = mode;
    EngineModel e = Target();
    ASSERT_EQ(LoadEngine(e, PATH, nullptr, e), 1);
    EXPECT_EQ(e.soundParams[1], mode == 2 ? 1.5f : 0.99f) << mode;
    EXPECT_EQ(e.soundParams[28], 0.25f);
    e.FreeWaves();
  }
}

TEST_F(EngineRecord, WritingKeepsItsFlagsHeadersAndTurboFloor) {
  EngineModel e = Target();
  e.flags = ENGINE_TURBO | ENGINE_CROSS_PLANE | ENGINE_OLD_SPREAD | ENGINE_TWO_STROKE | 0x20 | 0x100;
  e.turboInertiaMul = 0.05f;
  e.waves[7].bytes[0] = 5, e.waves[7].bytes[1] = 6, e.waves[7].bytes[2] = 7;  // not kept
  const std::vector<uint8_t> body = MemoryWriteBody([&](DataFile& f) { e.Write(f, 0, 0); });
  ASSERT_EQ(body.size(), 8u + 4 + 4 + 4 * 10 + 7 * 8 + (8 + 12) + 29 * 4);
  EXPECT_EQ(body[0], 1 | 2 | 4 | 8 | 16) << "AND 23, OR 8";
  EXPECT_EQ(body[1] | body[2] | body[3], 0);
  EXPECT_EQ(body[4], 16);
  const size_t wave7 = 8 + 4 + 4 + 40 + 7 * 8;
  EXPECT_EQ(std::vector<uint8_t>(body.begin() + long(wave7), body.begin() + long(wave7) + 8),
            (std::vector<uint8_t>{0, 0, 3, 99, 3, 0, 0, 0}));

  // A turbo inertia multiplier at or below 0.1 (or not a number) reads as 0.1.
  for (float low : {0.05f, 0.1f, -3.0f, std::nanf("")}) {
    e.turboInertiaMul = low;
    const std::vector<uint8_t> image =
        DataFileImage(ENGINE_FILE_MAGIC, MemoryWriteBody([&](DataFile& f) { e.Write(f, 1, 0); }), 252);
    DataFile f;
    int32_t version;
    ASSERT_EQ(f.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), ENGINE_FILE_MAGIC, &version, 252), 1);
    EngineModel back = Target();
    ASSERT_EQ(back.Read(f, back, 1, 0), 1);
    f.Close();
    EXPECT_EQ(back.turboInertiaMul, 0.1f) << low;
    back.FreeWaves();
  }
  e.FreeWaves();
}

TEST_F(EngineRecord, ResetGivesTheNewEnginesFiguresAndTheDefaultSound) {
  EngineModel e;
  std::memset(&e, 0x5A, sizeof e);
  const float untouched = e.redline;
  e.Reset();
  EXPECT_EQ(e.flags, 0u);
  EXPECT_EQ(e.index, -1);
  EXPECT_EQ(e.inertiaFactor, 1.0f);
  EXPECT_EQ(e.camTiming, 1.0f);
  EXPECT_EQ(e.ratio, 1.0f);
  EXPECT_EQ(e.engineSize, 2000.0f);
  EXPECT_EQ(e.cylinders, 4);
  EXPECT_EQ(e.layout, ENGINE_INLINE);
  EXPECT_EQ(e.turboMaxBoost, 1.0f);
  EXPECT_EQ(e.turboInertiaMul, 0.5f);
  EXPECT_EQ(e.torqueLimit, 0.0f);
  EXPECT_EQ(e.health, 1.0f);
  EXPECT_EQ(std::memcmp(&e.redline, &untouched, 4), 0) << "the other fields are left";
  const float defaults[ENGINE_SOUND_PARAMS] = {40.0f, 0.5f, 0.2f, 0.05f, 2.0f,  0.1f, 0.1f, 0.0f, 150000.0f, 1.0f,
                                               0.8f,  0.6f, 0.8f, 6000.0f, 1.0f, 0.8f, 0.6f, 0.6f, 0.3f,      0.6f,
                                               1.0f,  0.6f, 0.9f, 0.9f,  0.9f,  0.9f, 0.02f, 0.08f, 1.0f};
  for (int i = 0; i < ENGINE_SOUND_PARAMS; ++i) EXPECT_EQ(e.soundParams[i], defaults[i]) << i;
  EXPECT_EQ(e.soundWord, 3078);
  EXPECT_EQ(e.soundByte, 0);

  // FreeWaves releases every buffer (the sanitizer build finds any left) and empties the slots.
  std::memset(e.waves, 0, sizeof e.waves);
  for (int i = 0; i < ENGINE_WAVE_COUNT; ++i) GiveWave(e.waves[i], 4 + i, i);
  e.FreeWaves();
  for (const EngineWave& w : e.waves) {
    EXPECT_EQ(w.samples, nullptr);
    EXPECT_EQ(w.count, 0u);
    EXPECT_EQ(w.bytes[3], 0);
  }
}

TEST_F(EngineRecord, AVehicleWithoutAGearboxStoresTheMotorsForm) {
  for (int row : {0, 3, 19}) {  // an engine, an electric motor, no power unit
    VehicleData d;
    InitVehicleData(d);
    BuildSampleVehicle(row, d);
    d.engine.engineSize = 3333.0f;
    d.engine.maxTorque = 345.0f;
    const std::vector<uint8_t> body = BodyOf(d, BuiltinVehicleTable[row].name);
    const bool motorForm = d.transmissionType != TRANSMISSION_H_PATTERN;
    FreeVehicleData(d);
    ReadVehicle back;
    ReadBodyInto(back, body, 252, BuiltinVehicleTable[row].name);
    ASSERT_EQ(back.result, 1) << row;
    EXPECT_EQ(back.data.engine.engineSize, motorForm ? 2000.0f : 3333.0f) << row;
    EXPECT_EQ(back.data.engine.torquePerCc, motorForm ? 1.0f : 0.143f) << row;
  }
}
