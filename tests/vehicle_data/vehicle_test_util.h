// vehicle_test_util.h - vehicle bodies of any version and format revision written by hand,
// field by field, and reading them back.
#pragma once
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "core/report.h"
#include "tests/model/model_test_util.h"
#include "text/text_strings.h"
#include "vehicle_data/rim_profile.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_data/vehicle_file.h"

// ---- raw records ----
inline void F32(Bytes& o, float v) {
  uint32_t w;
  std::memcpy(&w, &v, 4);
  o.U32(w);
}

struct RawTube {
  int a, b;
  float value;
  uint32_t flags;
};
struct RawFramePoint {
  int32_t x, y, z;
  float work;
  int flags, type;
};

// An engine record of a sub-version.  Sound is written when withSound is set; its figures are
// the values 100 + i of their places, and each skipped value is -1.  A record of sub-version 0
// carries its sub-version byte when its flags hold ENGINE_SUB_VERSION.
struct RawEngine {
  int subVersion = 16;
  uint32_t flags = 0;
  bool electric = false;
  float size = 1600, boost = 0.5f, turboInertia = 0.7f, torquePerCc = 0.14f, spread = 1.5f, limit = 0;
  float redline = 900, cam = 1.2f, resistance = 1e-10f, inertia = 1e-6f, idle = 100;
  int cylinders = 4, layout = 0;
  float power = 120000, torque = 300;
  bool withSound = false;
  int waveSamples = 2;  // samples of each form-3 wave block
};

inline void RawWave(Bytes& o, int samples, int waveByte) {
  o.U8(0), o.U8(0), o.U8(3), o.U8(waveByte);
  o.U32(uint32_t(samples));
  for (int i = 0; i < samples; ++i) o.U32(0x1000u * uint32_t(waveByte) + uint32_t(i));
}

inline void EncodeEngine(Bytes& o, const RawEngine& e) {
  const int v = e.subVersion;
  const uint32_t flags = e.flags | (v > 0 ? ENGINE_SUB_VERSION : 0);  // sub-version 0 may carry its byte
  o.U32(flags);
  if (flags & ENGINE_SUB_VERSION) o.U8(v), o.U8(0), o.U8(0), o.U8(e.electric ? 1 : 0);
  if (e.electric) {
    F32(o, e.redline), F32(o, e.power), F32(o, e.torque);
  } else {
    F32(o, e.size), o.U8(e.cylinders), o.U8(e.layout), o.U16(0), F32(o, e.boost);
    if (v > 12) F32(o, e.turboInertia);
    F32(o, e.torquePerCc);
    if (v > 13) F32(o, e.spread), F32(o, e.limit), F32(o, e.redline);
    else if (e.flags & ENGINE_OLD_SPREAD) F32(o, e.spread), F32(o, e.redline);
    F32(o, e.cam);
    if (v < 2) o.U32(0);
    if (v > 15) F32(o, e.resistance), F32(o, e.inertia), F32(o, e.idle);
  }
}

// The sound figures a record of sub-version v stores, in file order: each figure's place, -1
// for a value read past (the reader's table, as the test reads it).
inline std::vector<int> EngineSoundPlaces(int v) {
  if (v == 0) return std::vector<int>(2 + 33, -1);  // the waves stand after the first two
  if (v == 1) return std::vector<int>(1 + 18, -1);  // the waves stand after the first
  std::vector<int> p;
  auto add = [&p](int first, int last, bool stored) {
    for (int i = first; i <= last && stored; ++i) p.push_back(i);
  };
  auto skip = [&p](int n, bool stored) {
    for (int i = 0; i < n && stored; ++i) p.push_back(-1);
  };
  add(0, 0, true);
  add(1, 1, v > 11);
  add(2, 6, true);
  add(7, 7, v > 8);
  skip(1, v < 6);
  add(8, 8, v > 4);
  add(9, 10, true);
  add(11, 12, v > 5);
  skip(3, v > 4 && v < 8);
  add(13, 13, v > 4);
  add(14, 16, v > 2);
  add(17, 17, v > 5);
  add(18, 19, v > 6);
  add(20, 21, v > 7);
  skip(1, v < 10);
  add(22, 22, true);
  add(23, 23, v > 8);
  add(24, 25, v > 5);
  add(26, 28, v > 10);
  return p;
}
// The wave slots a record of sub-version v fills, in file order (sub-version 0's twelve blocks
// all go to the first).
inline std::vector<int> EngineWaveSlots(int v) {
  if (v == 0) return std::vector<int>(12, 0);
  if (v == 1) return {1, 2, 3, 4};
  const int n = v <= 5 ? 4 : v == 6 ? 6 : v == 7 ? 7 : 8;
  std::vector<int> slots;
  for (int i = 0; i < n; ++i) slots.push_back(i);
  return slots;
}
// The sound after a record: its waves (wave byte = block number from 1, waveSamples samples
// each), then its figures, each 100 + its place, -1 where a value is read past.
inline void EncodeEngineSound(Bytes& o, const RawEngine& e) {
  const int v = e.subVersion;
  const std::vector<int> places = EngineSoundPlaces(v);
  const size_t before = v == 0 ? 2 : v == 1 ? 1 : 0;  // values ahead of the waves
  for (size_t i = 0; i < before; ++i) F32(o, -1.0f);
  const std::vector<int> slots = EngineWaveSlots(v);
  for (size_t i = 0; i < slots.size(); ++i) RawWave(o, e.waveSamples, int(i) + 1);
  for (size_t i = before; i < places.size(); ++i) F32(o, places[i] < 0 ? -1.0f : 100.0f + float(places[i]));
}

struct RawRim {
  std::vector<std::pair<float, float>> points = {{0, 4}, {4, 4}, {4, 3}};
  std::vector<std::pair<std::string, uint32_t>> mappings = {{"M1_rim", 0xC8C8C8}};
  int second = 1, form = 2;
  std::vector<std::array<int, 4>> surfaces = {{1, 0, 0, 0}, {1, 2, 0, 0}};
};
inline void EncodeRim(Bytes& o, const RawRim& r) {
  o.U32(uint32_t(r.points.size()));
  for (auto [x, y] : r.points) F32(o, x), F32(o, y);
  o.U8(0), o.U8(2), o.U16(int(r.mappings.size()));
  for (const auto& [name, colour] : r.mappings) o.Name(name.c_str(), 16), o.U32(colour);
  o.U8(int(r.surfaces.size())), o.U8(r.second), o.U8(r.form), o.U8(0);
  for (const auto& s : r.surfaces)
    for (int v : s) o.U16(v);
}

// A vehicle body, every field settable; Encode writes the fields a file of version V and
// format revision R holds, in the order they stand.
struct RawVehicle {
  uint32_t options = OPT1_SECOND_WORD | OPT1_TRANSMISSION_BYTES | OPT1_CONFIG_MARKER | OPT1_FUEL_CAPACITY;
  uint32_t options2 = OPT2_DEFAULT_COLOURS;
  int vehicleClass = CLASS_SALOON, modelStored = 1, marker = 1;
  int transmission = TRANSMISSION_H_PATTERN, sideCode = 3, third = 0, fourth = 0;
  uint32_t oldListCount = 2;  // the 12-byte records of older files without option bit 24
  int driveType = DRIVE_REAR, colourNames = 1;
  std::string shortCode = "TST";
  RawEngine engine;
  float fuel = 40;
  std::vector<std::pair<std::string, SetupRecord>> setups = {{"[default]", SetupRecord{}}};
  uint32_t setupCountOverride = 0xFFFFFFFFu;
  std::vector<ColourSet> colourConfigs = {ColourSet{}};
  uint32_t colourCountOverride = 0xFFFFFFFFu;
  std::vector<std::pair<std::string, uint32_t>> configs = {{"FIRST", 0xFFFFFFFFu}};
  Vec3 enginePosition = {0, 1.2f, 0.2f}, driverPosition = {-0.4f, -0.2f, 0.1f};
  float backForward = -0.8f, backUp = 0.1f, trail = 0.04f;
  uint32_t lights = 0;
  int dashType = 0, dashByte = 0, seats = 0;
  std::vector<uint8_t> dash;
  uint32_t engineWords[2] = {11, 22};
  uint32_t gears = 8;
  float reverse = -4;
  std::string steer = "saloon", engineName = "DEFAULT";
  uint32_t colours[8] = {0x204080, 0xA0A0A0, 0x101010, 0x202020, 0x303030, 0x404040, 0x505050, 0x606060};
  std::string modelCode = "TS";
  std::vector<RawFramePoint> framePoints = {{0, 0, 0, 0, 0, 0}, {0, 0x10000, 0, 0, 0, 0}};
  std::vector<RawTube> tubes = {{0, 1, 2.0f, 0}};
  float suspensionMass = 0.15f;
  std::vector<Vec3> wheels = {{-0.7f, -1.2f, 0.3f}, {0.7f, -1.2f, 0.3f}, {-0.7f, 1.2f, 0.3f}, {0.7f, 1.2f, 0.3f}};
  uint32_t wheelCountOverride = 0xFFFFFFFFu;
  SuspensionBlock sets[2] = {};
  RawRecord model = OneTriangle(), spoke = OneTriangle();
  int rimBytes[4] = {5, 1, 2, 4};
  int16_t rimWords[2] = {7, -7};
  RawRim rim;
  float aero[4][3] = {{0, 0.2f, 0.4f}, {0, 0.2f, 0.4f}, {0, 0.2f, 0.4f}, {0, 0.3f, 0.6f}};

  RawVehicle() {
    for (SuspensionBlock& s : sets) {
      s.sectionWidth = 0.205f, s.aspectRatio = 0.55f, s.rimRadius = 0.19f, s.rimWidth = 0.15f;
      s.suspensionType = SUSPENSION_LINEAR, s.rimInnerDepthMm = 6, s.rimShadeTenths = 5, s.trackWidth = 1.4f;
    }
    model.name = "body";
    model.layerNames = true;  // a stored body carries its layer names
    spoke.name = "spk";
  }

  // oldListCount records are written up to 100 (a larger count runs past the data).
  std::vector<uint8_t> Encode(int V, int R) const {
    Bytes o;
    o.U32(options);
    if (options & OPT1_SECOND_WORD) o.U32(options2);
    o.U8(vehicleClass), o.U8(modelStored), o.U8(R), o.U8(marker);
    if (V >= 251 || (options & OPT1_TRANSMISSION_BYTES)) {
      o.U8(transmission), o.U8(sideCode), o.U8(third), o.U8(fourth);
    } else {
      o.U32(oldListCount);
      for (uint32_t i = 0; i < oldListCount && i < 100; ++i) o.U32(0xAAAAAAAA), o.U32(i), o.U32(0);
    }
    o.U8(driveType), o.U8(colourNames), o.U8(0), o.U8(0);
    if (R >= 4) o.Name(shortCode.c_str(), 4);
    else o.U32(0x51515151);
    if (R >= 5)
      for (int i = 0; i < 4; ++i) o.U32(0x77777777);
    if (R >= 6) F32(o, fuel);
    EncodeEngine(o, engine);
    if (engine.withSound) EncodeEngineSound(o, engine);
    o.U32(setupCountOverride != 0xFFFFFFFFu ? setupCountOverride : uint32_t(setups.size()));
    for (const auto& [name, record] : setups) {
      o.Name(name.c_str(), 16);
      o.b.insert(o.b.end(), record.bytes, record.bytes + SETUP_RECORD_SIZE);
    }
    o.U32(colourCountOverride != 0xFFFFFFFFu ? colourCountOverride : uint32_t(colourConfigs.size()));
    for (const ColourSet& c : colourConfigs) {
      o.Name(c.name, 16);
      for (const auto& group : c.groups)
        for (ColourWord w : group) o.U32(w);
    }
    if (V >= 249) {
      if (V >= 251 || (options & OPT1_CONFIG_MARKER)) o.U32(0xFFFFFFFFu);
      o.U32(uint32_t(configs.size()));
      for (const auto& [name, mask] : configs) o.Name(name.c_str(), 12), o.U32(mask);
    }
    for (const Vec3* v : {&enginePosition, &driverPosition}) F32(o, v->x), F32(o, v->y), F32(o, v->z);
    if (options & OPT1_BACK_SEAT) o.U32(0x5A5A5A5A), F32(o, backForward), F32(o, backUp);
    for (int i = 0; i < 3 + 3 + 1 + 3 + 4; ++i) F32(o, 0.5f + i);
    if (options & OPT1_TRAIL_REDUCTION) F32(o, trail);
    if (R < 6 && (options & OPT1_FUEL_CAPACITY)) F32(o, fuel);
    for (int i = 0; i < 3; ++i) F32(o, 0.3f);
    o.U32(lights);
    if (R < 6 && lights) o.U32(0xEEEEEEEE), o.U32(0xEEEEEEEE);
    o.U8(dashType), o.U8(int(dash.size())), o.U8(dashByte), o.U8(seats);
    o.b.insert(o.b.end(), dash.begin(), dash.end());
    if (R < 4) o.U32(0), o.U32(0), o.Name(shortCode.c_str(), 4);
    if (options & OPT1_ENGINE_WORDS) o.U32(engineWords[0]), o.U32(engineWords[1]);
    o.U32(gears), F32(o, reverse);
    o.Name(steer.c_str(), 8);
    if (R >= 3) o.Name(engineName.c_str(), 32);
    if (V < 249) EncodeRecord(o, model, V);
    for (uint32_t c : colours) o.U32(c);
    o.Name(modelCode.c_str(), 4);
    o.U32(uint32_t(framePoints.size()));
    for (const RawFramePoint& p : framePoints) {
      o.U32(uint32_t(p.x)), o.U32(uint32_t(p.y)), o.U32(uint32_t(p.z)), F32(o, p.work), o.U16(p.flags), o.U8(p.type),
          o.U8(0);
    }
    o.U32(uint32_t(tubes.size()));
    for (const RawTube& t : tubes) o.U16(t.a), o.U16(t.b), F32(o, t.value), o.U32(t.flags);
    if (R >= 5) F32(o, suspensionMass);
    o.U32(wheelCountOverride != 0xFFFFFFFFu ? wheelCountOverride : uint32_t(wheels.size()));
    for (const Vec3& w : wheels) F32(o, w.x), F32(o, w.y), F32(o, w.z);
    for (const SuspensionBlock& s : sets) {
      std::vector<uint8_t> record = SetBytes(s);
      if (V < 251) std::memcpy(&record[24], &s.caster, 4);  // older files kept every set's caster
      o.Append(record);
    }
    if (V >= 249 && modelStored) EncodeRecord(o, model, V);
    for (int b : rimBytes) o.U8(b);
    if ((options & OPT1_SECOND_WORD) && (options2 & OPT2_RIM_WORDS)) o.U16(rimWords[0]), o.U16(rimWords[1]);
    EncodeRecord(o, spoke, V);
    EncodeRim(o, rim);
    for (const auto& item : aero)
      for (float v : item) F32(o, v);
    return o.b;
  }

  static std::vector<uint8_t> SetBytes(const SuspensionBlock& s) {
    return MemoryWriteBody([&](DataFile& f) { s.Write(f); });
  }
};

// ---- reading and writing ----
inline std::vector<uint8_t> VehicleImage(const std::vector<uint8_t>& body, int version) {
  return DataFileImage(VEHICLE_FILE_MAGIC, body, version);
}

// The data a body reads into (a new car's defaults first), released at the end.
struct ReadVehicle {
  VehicleData data;
  int result = -1;
  int error = 0;
  const char* field = nullptr;
  ReadVehicle() { InitVehicleData(data); }
  ~ReadVehicle() { FreeVehicleData(data); }
  ReadVehicle(const ReadVehicle&) = delete;
};

inline void ReadBodyInto(ReadVehicle& out, const std::vector<uint8_t>& body, int version, const char* name = "Test",
                         int buildMode = 1) {
  const std::vector<uint8_t> image = VehicleImage(body, version);
  DataFile file;
  int32_t v = 0;
  ASSERT_EQ(file.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), VEHICLE_FILE_MAGIC, &v, 252), 1);
  const VehicleChoice choice{uint8_t(buildMode), 0, 0, nullptr, 0, nullptr};
  out.result = ReadVehicleData(out.data, file, version, name, choice);
  out.error = LastDataFileError;
  out.field = LastVehicleReadField;
  file.Close();
}

// The body written at the current version (counting pass, then memory).
inline std::vector<uint8_t> BodyOf(VehicleData& data, const char* name = "Test", int storeModel = 1) {
  std::vector<uint8_t> body;
  EXPECT_EQ(WriteVehicleBody(data, name, storeModel, body), 1);
  return body;
}

// Every test runs with no report sink but its own (reports are counted), the palette set and
// the sine tables made.
class VehicleTest : public ::testing::Test {
 protected:
  static inline std::vector<std::string> lines;
  static inline std::vector<int> sounds;
  ReportSink saved{};
  void SetUp() override {
    lines.clear();
    sounds.clear();
    ResetMessages();
    SetDefaultTextColours();
    InitSinCosTables();
    LastDataFileError = 0;
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour, int) { lines.push_back(text); };
    sink.sound = [](int index) { sounds.push_back(index); };
    saved = InstallReportSink(sink);
  }
  void TearDown() override {
    InstallReportSink(saved);
    ResetMessages();
  }
  static bool HasLine(const std::string& text) {
    for (const std::string& line : lines)
      if (line == text) return true;
    return false;
  }
};
