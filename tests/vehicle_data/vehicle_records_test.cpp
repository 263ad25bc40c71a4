// vehicle_records_test.cpp - the records the vehicle file embeds and the files beside it: the
// engine record with its waves, the rim profile, the set-up record and file, the player's
// set-up and colour choices, and the built-in vehicle table.
#include <cstring>
#include <filesystem>
#include <string>

#include "core/config.h"
#include "tests/vehicle_data/vehicle_test_util.h"
#include "vehicle_data/car_choices.h"
#include "vehicle_data/setup_record.h"
#include "vehicle_data/vehicle_class.h"

namespace {

class VehicleRecords : public VehicleTest {};

std::vector<uint8_t> Written(void (*write)(DataFile&, void*), void* what, int* counted = nullptr) {
  DataFile f;
  f.BeginMemoryWrite(0, nullptr);
  write(f, what);
  if (counted) *counted = f.size - DATA_FILE_HEADER_SIZE;
  f.BeginMemoryWrite(1, nullptr);
  write(f, what);
  EXPECT_EQ(f.FinishMemoryWrite(), 1);
  std::vector<uint8_t> bytes(f.buffer, f.end);
  std::free(f.buffer);
  return bytes;
}

DataFile OpenBody(std::vector<uint8_t>& image, const std::vector<uint8_t>& body) {
  image = VehicleImage(body, 252);
  DataFile f;
  int32_t v;
  EXPECT_EQ(f.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), VEHICLE_FILE_MAGIC, &v, 252), 1);
  return f;
}

void FillWave(EngineWave& w, int count, int waveByte) {
  w.Free();
  w.bytes[3] = uint8_t(waveByte);
  w.count = uint32_t(count);
  w.samples = static_cast<uint32_t*>(std::malloc(size_t(count) * 4));
  for (int i = 0; i < count; ++i) w.samples[i] = uint32_t(i * 31 + waveByte);
}

TEST_F(VehicleRecords, AnEngineWithItsWavesWritesAndReadsBack) {
  EngineModel e{};
  e.Reset();
  e.flags = ENGINE_TURBO | ENGINE_TWO_STROKE | 0x100;  // a flag the record does not keep
  e.engineSize = 2400, e.cylinders = 6, e.layout = ENGINE_V, e.turboMaxBoost = 1.2f, e.turboInertiaMul = 0.6f;
  e.torquePerCc = 0.15f, e.spreadMul = 1.7f, e.torqueLimit = 450, e.redline = 800, e.camTiming = 1.1f;
  e.resistanceMul = 1.3e-10f, e.inertiaMul = 9e-7f, e.idleSpeed = 90;
  for (int i = 0; i < ENGINE_SOUND_PARAMS; ++i) e.soundParams[i] = 0.01f * i;
  for (int i = 0; i < ENGINE_WAVE_COUNT; ++i) FillWave(e.waves[i], 5 + i, 10 + i);
  int counted = 0;
  const std::vector<uint8_t> bytes = Written([](DataFile& f, void* p) { static_cast<EngineModel*>(p)->Write(f, 0, 0); },
                                             &e, &counted);
  EXPECT_EQ(counted, int(bytes.size()));
  EXPECT_EQ(bytes[0], (ENGINE_TURBO | ENGINE_TWO_STROKE | ENGINE_SUB_VERSION));
  EXPECT_EQ(bytes[4], 16);

  EngineModel back{};
  back.Reset();
  std::vector<uint8_t> image;
  DataFile f = OpenBody(image, bytes);
  ASSERT_EQ(back.Read(f, back, 0, CLASS_KART), 1);
  EXPECT_EQ(f.BytesLeft(), 0);
  f.Close();
  EXPECT_EQ(back.engineSize, 2400.0f);
  EXPECT_EQ(back.cylinders, 6);
  EXPECT_EQ(back.layout, ENGINE_V);
  EXPECT_EQ(back.torqueLimit, 450.0f);
  EXPECT_EQ(back.idleSpeed, 90.0f) << "a current record keeps its own figures";
  EXPECT_FLOAT_EQ(back.soundParams[28], 0.28f);
  EXPECT_EQ(back.waves[0].count, 5u);
  EXPECT_EQ(back.waves[1].count, 6u) << "a turbo engine keeps its second wave";
  EXPECT_EQ(back.waves[7].samples[11], uint32_t(11 * 31 + 17));
  EXPECT_EQ(back.waves[7].bytes[3], 17);

  // Without the turbo the second and sixth waves go, in memory too; an electric motor keeps
  // only its third and fourth.
  e.flags = 0;
  Written([](DataFile& f, void* p) { static_cast<EngineModel*>(p)->Write(f, 0, 0); }, &e);
  EXPECT_EQ(e.waves[1].count, 0u);
  EXPECT_EQ(e.waves[5].samples, nullptr);
  EXPECT_EQ(e.waves[2].count, 7u);
  Written([](DataFile& f, void* p) { static_cast<EngineModel*>(p)->Write(f, 0, 1); }, &e);
  for (int i = 0; i < ENGINE_WAVE_COUNT; ++i) EXPECT_EQ(e.waves[i].count != 0, i == 2 || i == 3) << i;
  e.FreeWaves();
  back.FreeWaves();
}

TEST_F(VehicleRecords, AnElectricRecordHoldsThreeFigures) {
  EngineModel e{};
  e.Reset();
  e.redline = 1400, e.maxPower = 90000, e.maxTorque = 250, e.engineSize = 1234;
  const std::vector<uint8_t> bytes =
      Written([](DataFile& f, void* p) { static_cast<EngineModel*>(p)->Write(f, 1, 1); }, &e);
  EXPECT_EQ(bytes.size(), 8u + 12u);
  EngineModel back{};
  back.Reset();
  back.engineSize = 777;
  std::vector<uint8_t> image;
  DataFile f = OpenBody(image, bytes);
  ASSERT_EQ(back.Read(f, back, 1, 0), 1);
  f.Close();
  EXPECT_EQ(back.maxPower, 90000.0f);
  EXPECT_EQ(back.torquePerCc, 1.0f);
  EXPECT_EQ(back.engineSize, 777.0f) << "the combustion fields stay as they were";
}

TEST_F(VehicleRecords, WavesOfEveryForm) {
  Bytes b;
  b.U8(2), b.U8(9), b.U8(1), b.U8(44);  // form 1: two 8-byte entries skipped
  for (int i = 0; i < 4; ++i) b.U32(0xDDDDDDDD);
  b.U8(1), b.U8(0), b.U8(0), b.U8(45);  // form 0: one 16-byte entry
  for (int i = 0; i < 4; ++i) b.U32(0xCCCCCCCC);
  b.U8(0), b.U8(0), b.U8(2), b.U8(46);  // form 2: nothing more
  b.U8(0), b.U8(0), b.U8(4), b.U8(47);  // form 4: refused
  std::vector<uint8_t> image;
  DataFile f = OpenBody(image, b.b);
  EngineWave w{};
  for (int waveByte : {44, 45, 46}) {
    ASSERT_EQ(ReadWave(w, f), 1);
    EXPECT_EQ(w.bytes[3], waveByte);
    EXPECT_EQ(w.count, 0u);
  }
  EXPECT_EQ(ReadWave(w, f), 0);
  f.Close();
  w.Free();
}

// Form 3 holds its samples: one sample is read as one, a count of none as none.
TEST_F(VehicleRecords, AFormThreeWaveOfOneSampleOrNone) {
  Bytes b;
  b.U8(0), b.U8(0), b.U8(3), b.U8(48);
  b.U32(1), b.U32(0x12345678u);
  b.U8(0), b.U8(0), b.U8(3), b.U8(49);
  b.U32(0);
  std::vector<uint8_t> image;
  DataFile f = OpenBody(image, b.b);
  EngineWave w{};
  ASSERT_EQ(ReadWave(w, f), 1);
  EXPECT_EQ(w.bytes[3], 48);
  ASSERT_EQ(w.count, 1u);
  EXPECT_EQ(w.samples[0], 0x12345678u);
  w.Free();
  ASSERT_EQ(ReadWave(w, f), 1);
  EXPECT_EQ(w.bytes[3], 49);
  EXPECT_EQ(w.count, 0u);
  EXPECT_EQ(f.BytesLeft(), 0);
  f.Close();
  w.Free();
}

TEST_F(VehicleRecords, TheRimProfileReadsBackAndConvertsOlderForms) {
  WXS rim;
  rim.MakeDefault("M1_rim", 0x405060);
  rim.secondByte = 3;
  const std::vector<uint8_t> bytes = Written([](DataFile& f, void* p) { WriteRim(*static_cast<WXS*>(p), f); }, &rim);
  WXS back;
  std::vector<uint8_t> image;
  DataFile f = OpenBody(image, bytes);
  ASSERT_EQ(back.Load(f, 252), 1);
  f.Close();
  EXPECT_EQ(back.numPoints, 2);
  EXPECT_EQ(back.points[1].x, 4.0f);
  EXPECT_EQ(back.surfaceCount, 1);
  EXPECT_EQ(back.surfaces[0].first, 1u);
  EXPECT_EQ(back.secondByte, 3);
  ASSERT_EQ(back.mappingCount, 1);
  EXPECT_STREQ(back.mappings[0].name, "M1_rim");
  EXPECT_EQ(back.mappings[0].colour, 0x405060u) << "form 2 keeps the colours";

  // Form 0 brightens, forms 0 and 1 normalise; a fixed point out of place is reported.
  for (int form : {0, 1}) {
    RawRim raw;
    raw.form = form;
    raw.mappings = {{"a", 0x6464C8}};
    raw.points[1] = {4.0f, 3.0f};
    Bytes b;
    EncodeRim(b, raw);
    lines.clear();
    DataFile old = OpenBody(image, b.b);
    ASSERT_EQ(back.Load(old, 252), 1);
    old.Close();
    EXPECT_EQ(back.mappings[0].colour & 0xFF, 0xFFu) << "the largest channel made 255";
    EXPECT_TRUE(HasLine(TEXT_RIM_WRONG_Y));
  }
  // A dark grey, 64 a channel: form 0 brightens it by 1.25 to 80, then scales it by 255 / 200
  // to 102; form 1 only scales it, 81.6 rounded to 82; form 2 keeps it.
  for (const auto& [form, grey] : {std::pair{0, 0x666666u}, {1, 0x525252u}, {2, 0x404040u}}) {
    RawRim raw;
    raw.form = form;
    raw.mappings = {{"a", 0x404040}};
    Bytes b;
    EncodeRim(b, raw);
    DataFile old = OpenBody(image, b.b);
    ASSERT_EQ(back.Load(old, 252), 1) << form;
    old.Close();
    EXPECT_EQ(back.mappings[0].colour, grey) << form;
  }
  // A profile of only its two fixed points is checked too; the second one's y out of place.
  RawRim two;
  two.points = {{0, 4}, {4, 3}};
  two.surfaces = {{1, 0, 0, 0}};
  Bytes b;
  EncodeRim(b, two);
  lines.clear();
  DataFile old = OpenBody(image, b.b);
  ASSERT_EQ(back.Load(old, 252), 1);
  old.Close();
  EXPECT_EQ(back.numPoints, 2);
  EXPECT_TRUE(HasLine(TEXT_RIM_WRONG_Y));
  // Two surfaces counted and one stored: refused, and the stream marked as read past its end
  // for the reader that goes on.
  RawRim cut;
  Bytes c;
  EncodeRim(c, cut);
  c.b.resize(c.b.size() - 8);
  DataFile shortened = OpenBody(image, c.b);
  EXPECT_EQ(back.Load(shortened, 252), 0);
  EXPECT_TRUE(shortened.readPastEnd);
  shortened.Close();
  // Nothing of it is kept: no points, no mappings, no surfaces.
  EXPECT_EQ(back.numPoints, 0);
  EXPECT_EQ(back.mappingCount, 0);
  EXPECT_EQ(back.surfaceCount, 0);
}

// A rim surface may name the profile's last point at either end, its last mapping and
// smoothing group 16; one past any of them refuses the rim.
TEST_F(VehicleRecords, ARimSurfaceNamesUpToTheLastPointMappingAndGroup) {
  const struct {
    std::array<int, 4> surface;  // first and second point, group, mapping
    int loads;
  } cases[] = {{{2, 0, 0, 0}, 1},  {{3, 0, 0, 0}, 0},  {{0, 2, 0, 0}, 1}, {{0, 3, 0, 0}, 0},
               {{1, 0, 16, 0}, 1}, {{1, 0, 17, 0}, 0}, {{1, 0, 0, 1}, 1}, {{1, 0, 0, 2}, 0}};
  std::vector<uint8_t> image;
  for (const auto& c : cases) {
    RawRim raw;  // three points and, here, two mappings
    raw.mappings = {{"M1_rim", 0xC8C8C8}, {"M2_rim", 0x808080}};
    raw.surfaces = {{1, 0, 0, 0}, c.surface};
    Bytes b;
    EncodeRim(b, raw);
    WXS rim;
    DataFile f = OpenBody(image, b.b);
    EXPECT_EQ(rim.Load(f, 252), c.loads) << c.surface[0] << " " << c.surface[1] << " " << c.surface[2] << " "
                                         << c.surface[3];
    f.Close();
    if (!c.loads) {
      EXPECT_STREQ(RimReadFailure, "surfaces");
    }
  }
}

TEST_F(VehicleRecords, TheSetupFileHoldsOneRecord) {
  std::filesystem::create_directories("data/setups");
  SetupRecord r{};
  for (int i = 0; i < SETUP_RECORD_SIZE; ++i) r.bytes[i] = uint8_t(i * 3);
  SetSetupFloat(r, SETUP_BRAKE_STRENGTH, 1500.0f);
  EXPECT_EQ(SetupFloat(r, SETUP_BRAKE_STRENGTH), 1500.0f);
  EXPECT_EQ(r.bytes[SETUP_AXLE[0] + AXLE_CASTER], 65 * 3 % 256) << "the rear axle's caster at 65";
  EXPECT_EQ(r.bytes[SETUP_AXLE[1] + AXLE_CLEARED], 107 * 3 % 256) << "the front axle's cleared byte at 107";
  ASSERT_EQ(SaveSetupFile(r, "data\\setups\\ZK1_fast.set"), 1);
  EXPECT_EQ(std::filesystem::file_size("data/setups/ZK1_fast.set"), 8u + 120u);
  SetupRecord back{};
  ASSERT_NE(LoadSetupFile(back, "data\\setups\\ZK1_fast.set"), 0);
  EXPECT_EQ(std::memcmp(back.bytes, r.bytes, SETUP_RECORD_SIZE), 0);

  // Cut short, of another kind or missing: nothing changes.
  std::filesystem::resize_file("data/setups/ZK1_fast.set", 8 + 119);
  SetupRecord kept = r;
  EXPECT_EQ(LoadSetupFile(kept, "data\\setups\\ZK1_fast.set"), 0);
  EXPECT_EQ(std::memcmp(kept.bytes, r.bytes, SETUP_RECORD_SIZE), 0);
  EXPECT_EQ(LoadSetupFile(kept, "data\\setups\\none.set"), 0);
  char path[FILE_PATH_SIZE];
  EXPECT_EQ(MakeCarSetupPath(path, sizeof path, "ZK1", "../x"), 0);
  EXPECT_EQ(MakeCarSetupPath(path, sizeof path, "ZK1", "fast"), 1);
  EXPECT_STREQ(path, "data\\setups\\ZK1_fast.set");

  // "data\setups\ZK1_fast.set" is 24 characters: 25 bytes hold it, 24 do not (left empty);
  // a buffer of no bytes is not written at all.
  char exact[25], tooShort[24];
  std::memset(tooShort, 'x', sizeof tooShort);
  EXPECT_EQ(MakeCarSetupPath(exact, sizeof exact, "ZK1", "fast"), 1);
  EXPECT_STREQ(exact, "data\\setups\\ZK1_fast.set");
  EXPECT_EQ(MakeCarSetupPath(tooShort, sizeof tooShort, "ZK1", "fast"), 0);
  EXPECT_EQ(tooShort[0], 0);
  char untouched[4] = {'a', 'b', 'c', 0};
  EXPECT_EQ(MakeCarSetupPath(untouched, 0, "ZK1", "fast"), 0);
  EXPECT_EQ(MakeCarSetupPath(untouched, 0, "ZK1", "../x"), 0);
  EXPECT_STREQ(untouched, "abc") << "no byte written to an empty buffer";
}

TEST_F(VehicleRecords, ASetUpIsClampedToItsOwnLimitsAndComparedWithoutItsNewFlag) {
  SetupRecord r{};
  for (uint8_t& b : r.bytes) b = 250;
  SetSetupFloat(r, SETUP_BRAKE_STRENGTH, 1e9f);
  const SetupRecord before = r;
  ClampSetup(r);
  EXPECT_EQ(r.bytes[SETUP_LOCK_REDUCTION], 80);
  EXPECT_EQ(r.bytes[SETUP_BALLAST_POSITION], 100);
  EXPECT_EQ(r.bytes[SETUP_BALLAST], 200);
  EXPECT_EQ(r.bytes[SETUP_RESTRICTION], 100);
  EXPECT_EQ(r.bytes[SETUP_BRAKE_BALANCE], 100);
  EXPECT_EQ(r.bytes[SETUP_FRONT_SHARE], 100);
  for (const int axle : SETUP_AXLE) {
    EXPECT_EQ(r.bytes[axle + AXLE_TOE], 18);
    EXPECT_EQ(r.bytes[axle + AXLE_CAMBER_LEFT], 90);
    EXPECT_EQ(r.bytes[axle + AXLE_CAMBER_RIGHT], 90);
    EXPECT_EQ(r.bytes[axle + AXLE_DIFFERENTIAL], 3);
    EXPECT_EQ(r.bytes[axle + AXLE_POWER_LOCKING], 100);
    EXPECT_EQ(r.bytes[axle + AXLE_COAST_LOCKING], 100);
    EXPECT_EQ(r.bytes[axle + AXLE_TYRE_TYPE], 250) << "the vehicle's range clamps the tyre type";
  }
  EXPECT_EQ(SetupFloat(r, SETUP_BRAKE_STRENGTH), 1e9f) << "the vehicle's limits clamp the floats";
  int changed = 0;
  for (int i = 0; i < SETUP_RECORD_SIZE; ++i) changed += r.bytes[i] != before.bytes[i];
  EXPECT_EQ(changed, 6 + 2 * 6);
  ClampSetup(r);
  EXPECT_EQ(CompareSetups(r, r, 0), 0);

  // Every byte counts but the new-set-up flag; with the flag, not each axle's tyre type and
  // copied byte either.
  SetupRecord a{}, b{};
  b.bytes[SETUP_FLAGS] = SETUP_FLAG_NEW;
  EXPECT_EQ(CompareSetups(a, b, 0), 0);
  b.bytes[SETUP_FLAGS] = SETUP_FLAG_ANTI_LOCK;
  EXPECT_EQ(CompareSetups(a, b, 0), 1);
  for (int i = 1; i < SETUP_RECORD_SIZE; ++i) {
    b = a;
    b.bytes[i] = 1;
    const bool tyre = i == SETUP_AXLE[0] + AXLE_TYRE_TYPE || i == SETUP_AXLE[1] + AXLE_TYRE_TYPE ||
                      i == SETUP_AXLE[0] + AXLE_COPIED || i == SETUP_AXLE[1] + AXLE_COPIED;
    EXPECT_EQ(CompareSetups(a, b, 0), 1) << i;
    EXPECT_EQ(CompareSetups(a, b, 1), tyre ? 0 : 1) << i;
  }
}

TEST_F(VehicleRecords, TheChosenSetupAndColoursFallBackToTheDefaults) {
  std::filesystem::create_directories("data/setups");
  std::filesystem::create_directories("data/colours");
  SetupRecord written{};
  written.bytes[0] = 129;
  ASSERT_EQ(SaveSetupFile(written, "data\\setups\\KRT_race.set"), 1);
  ColourSet colours{};
  std::strcpy(colours.name, "green");
  colours.groups[0][0] = 0x203040;
  ASSERT_EQ(WriteColourConfig(colours, "data\\colours\\KRT_green.col"), 1);

  for (int debug : {0, 1}) {
    SCOPED_TRACE(debug);
    CfgDebugLevel = debug;
    SetupRecord setup;
    std::memset(setup.bytes, 0xEE, SETUP_RECORD_SIZE);
    // A default choice: nothing is read, the record is zero.
    CfgSetupIndex = 2;
    std::strcpy(CfgSetupName, "race");
    EXPECT_EQ(LoadCarSettings(setup, "KRT"), 0);
    EXPECT_EQ(setup.bytes[0], 0);
    EXPECT_EQ(setup.bytes[119], 0);
    EXPECT_STREQ(CfgSetupName, "") << "a default choice names no file";
    // A file that exists: its body, the choice kept.
    CfgSetupIndex = -1;
    std::strcpy(CfgSetupName, "race");
    EXPECT_EQ(LoadCarSettings(setup, "KRT"), 0);
    EXPECT_EQ(setup.bytes[0], 129);
    EXPECT_EQ(CfgSetupIndex, -1);
    EXPECT_STREQ(CfgSetupName, "race");
    // One that does not: default 0 and no name, so the next call reads nothing.
    lines.clear();
    sounds.clear();
    std::strcpy(CfgSetupName, "gone");
    EXPECT_EQ(LoadCarSettings(setup, "KRT"), 1);
    EXPECT_EQ(setup.bytes[0], 0);
    EXPECT_EQ(CfgSetupIndex, 0);
    EXPECT_STREQ(CfgSetupName, "");
    EXPECT_EQ(HasLine(TEXT_COULD_NOT_LOAD_SETTINGS), debug > 0);
    EXPECT_EQ(sounds == std::vector<int>{4}, debug > 0);
    // No car code: default 0, nothing shown.
    CfgSetupIndex = -1;
    std::strcpy(CfgSetupName, "race");
    EXPECT_EQ(LoadCarSettings(setup, ""), 0);
    EXPECT_EQ(CfgSetupIndex, 0);

    ColourSet set;
    std::memset(&set, 0xEE, sizeof set);
    CfgColoursIndex = 3;
    EXPECT_EQ(LoadCarColours(set, "KRT"), 0);
    EXPECT_EQ(set.name[0], 0);
    CfgColoursIndex = -1;
    std::strcpy(CfgColoursName, "green");
    EXPECT_EQ(LoadCarColours(set, "KRT"), 0);
    EXPECT_STREQ(set.name, "green");
    EXPECT_EQ(set.groups[0][0], 0x203040u);
    lines.clear();
    std::strcpy(CfgColoursName, "../green");
    EXPECT_EQ(LoadCarColours(set, "KRT"), 1);
    EXPECT_EQ(CfgColoursIndex, 0);
    EXPECT_STREQ(CfgColoursName, "");
    EXPECT_EQ(set.groups[0][0], 0u);
    EXPECT_EQ(HasLine(TEXT_COULD_NOT_LOAD_COLOURS), debug > 0);
  }
}

// The class table, every column of every row as the vehicle format's description lists it.
TEST(VehicleClassTable, EveryRowHoldsItsTwelveColumns) {
  struct Row {
    const char* name;
    float mass;
    int single;
    float ccMin, ccMax, spread, resistance, inertia, torque, column9, tank, idle;
  };
  // clang-format off
  const Row rows[VEHICLE_CLASS_COUNT] = {
      {"object",      0.0f,  0,   50,   100, 1.6f,   1.417e-10f, 1e-06f,   0.143f, 2,     1,    104.71f},
      {"touring car", 0.15f, 0,  250, 12000, 1.6f,   1.417e-10f, 1.2e-06f, 0.143f, 2,     1,    104.71f},
      {"saloon",      0.15f, 0,  250, 12000, 1.6f,   1.417e-10f, 1.2e-06f, 0.143f, 2,     1,    104.71f},
      {"buggy",       0.15f, 0,  250, 12000, 1.6f,   1.417e-10f, 1.2e-06f, 0.143f, 2,     1,    104.71f},
      {"formula",     0.1f,  1, 1000,  3000, 2.225f, 1.209e-10f, 8e-07f,   0.19f,  8,     1.1f, 209.42f},
      {"GT",          0.15f, 0, 1000,  8000, 2.225f, 1.209e-10f, 8e-07f,   0.19f,  6,     1.1f, 157.065f},
      {"kart",        0.0f,  1,   50,  1200, 0.8f,   1.417e-10f, 1e-06f,   0.09f,  2,     1,    104.71f},
      {"bike",        0.15f, 1,   50,  2000, 1.6f,   1.417e-10f, 8e-07f,   0.143f, 2,     1,    104.71f},
      {"van",         0.15f, 0,  250, 12000, 1.6f,   1.417e-10f, 1.2e-06f, 0.143f, 2,     1,    104.71f},
      {"truck",       0.15f, 0,  250, 12000, 1.6f,   1.417e-10f, 1.2e-06f, 0.143f, 2,     1,    104.71f},
      {"F1",          0.1f,  1, 1000,  2400, 2.225f, 7.5e-11f,   4e-07f,   0.19f,  12.1f, 1.1f, 418.84f},
      {"FSAE",        0.15f, 1,  250,  1000, 1.6f,   1.417e-10f, 8e-07f,   0.143f, 2,     1,    104.71f},
  };
  // clang-format on
  for (int c = 0; c < VEHICLE_CLASS_COUNT; ++c) {
    const Row& r = rows[c];
    const VehicleClass& got = VehicleClassRow(c);
    EXPECT_STREQ(got.name, r.name) << c;
    EXPECT_EQ(got.suspensionMassConstant, r.mass) << r.name;
    EXPECT_EQ(got.single, r.single) << r.name;
    EXPECT_EQ(got.engineSizeMin, r.ccMin) << r.name;
    EXPECT_EQ(got.engineSizeMax, r.ccMax) << r.name;
    EXPECT_EQ(got.spreadFactor, r.spread) << r.name;
    EXPECT_EQ(got.resistanceMul, r.resistance) << r.name;
    EXPECT_EQ(got.inertiaMul, r.inertia) << r.name;
    EXPECT_EQ(got.torquePerCc, r.torque) << r.name;
    EXPECT_EQ(got.column9, r.column9) << r.name;
    EXPECT_EQ(got.fuelTankFactor, r.tank) << r.name;
    EXPECT_EQ(got.idleSpeed, r.idle) << r.name;
  }
  EXPECT_STREQ(VehicleClassRow(-1).name, "object") << "a class out of range is the first row";
  EXPECT_STREQ(VehicleClassRow(VEHICLE_CLASS_COUNT).name, "object");
}

TEST_F(VehicleRecords, TheBuiltInTableAndItsLookUps) {
  for (int i = 0; i < BUILTIN_VEHICLE_COUNT; ++i) {
    const BuiltinVehicle& v = BuiltinVehicleTable[i];
    EXPECT_TRUE(IsShortCarName(v.code)) << v.code;
    EXPECT_EQ(BuiltinCarIndexByCode(v.code), i);
    EXPECT_EQ(BuiltinCarIndexByName(v.name), i);
    EXPECT_TRUE(IsValidVehicleName(v.name));
    for (int j = 0; j < i; ++j) {
      EXPECT_NE(std::strcmp(v.code, BuiltinVehicleTable[j].code), 0);
      EXPECT_NE(CompareNoCase(v.name, BuiltinVehicleTable[j].name), 0);
    }
  }
  EXPECT_STREQ(BuiltinVehicleTable[0].code, "ZK1") << "the order the player file and the host rules rely on";
  EXPECT_STREQ(BuiltinVehicleTable[20].code, "KRT");
  // By code, with its index: the first is 0; a code of none gives the count.
  int found = -1;
  EXPECT_EQ(BuiltinCarByCode("ZK1", &found), &BuiltinVehicleTable[0]);
  EXPECT_EQ(found, 0);
  EXPECT_EQ(BuiltinCarByCode("KRT", &found), &BuiltinVehicleTable[20]);
  EXPECT_EQ(found, 20);
  EXPECT_EQ(BuiltinCarByCode("QQQ", &found), nullptr);
  EXPECT_EQ(found, BUILTIN_VEHICLE_COUNT);
  EXPECT_EQ(BuiltinCarIndexByName("rUNABOUT"), 0);
  EXPECT_EQ(BuiltinCarIndexByCodeText("krt"), 20);
  int index = -5;
  EXPECT_EQ(BuiltinCarByCode("MB2", &index), &BuiltinVehicleTable[5]);
  EXPECT_EQ(index, 5);
  EXPECT_EQ(BuiltinCarByCode("XXX", &index), nullptr);
  EXPECT_EQ(index, 21);
  EXPECT_EQ(BuiltinCarIndexByCode("XXX"), -1);
  EXPECT_EQ(BuiltinCarIndexByName("Nothing"), -1);
  EXPECT_EQ(BuiltinCarIndexByName(nullptr), -1);
  const char shortZk1[4] = {'Z', 'K', '1', 0};
  EXPECT_EQ(VehicleCodeWord(shortZk1), 0x00314B5Au);
  char code[4];
  VehicleCodeFromWord(0x00314B5Au, code);
  EXPECT_EQ(BuiltinCarIndexByCode(code), 0);
  // A code is four bytes, low byte first: the byte after them is not written.
  char wider[VEHICLE_CODE_SIZE + 1] = {'a', 'b', 'c', 'd', 'e'};
  VehicleCodeFromWord(0x44434241u, wider);
  EXPECT_EQ(std::string(wider, VEHICLE_CODE_SIZE + 1), "ABCDe");
  EXPECT_STREQ(VehicleClassRow(99).name, "object");
  EXPECT_STREQ(VehicleClassRow(CLASS_F1).name, "F1");
  EXPECT_FLOAT_EQ(VehicleClassRow(CLASS_F1).fuelTankFactor, 1.1f);
}

// The record's fields are little-endian at their own offset: a short's low byte first, a
// word's four bytes low to high, a float as its bit pattern (1.0 is 0x3F800000); the bytes
// around them stay.
TEST(SetupRecordFields, ShortsWordsAndFloatsAreLittleEndianAtTheirOffset) {
  SetupRecord r{};
  SetSetupShort(r, 20, 0xA1B2);
  EXPECT_EQ(r.bytes[20], 0xB2);
  EXPECT_EQ(r.bytes[21], 0xA1);
  EXPECT_EQ(r.bytes[19], 0);
  EXPECT_EQ(r.bytes[22], 0);
  r.bytes[24] = 0x34;
  r.bytes[25] = 0xF2;
  EXPECT_EQ(SetupShort(r, 24), 0xF234);
  EXPECT_EQ(SetupShort(r, 20), 0xA1B2);
  const uint8_t word[4] = {0x11, 0x22, 0x33, 0x84};
  std::memcpy(r.bytes + 30, word, 4);
  EXPECT_EQ(SetupWord(r, 30), 0x84332211u);
  SetSetupWord(r, 50, 0x8899AABBu);
  EXPECT_EQ(r.bytes[50], 0xBB);
  EXPECT_EQ(r.bytes[51], 0xAA);
  EXPECT_EQ(r.bytes[52], 0x99);
  EXPECT_EQ(r.bytes[53], 0x88);
  EXPECT_EQ(r.bytes[54], 0);
  SetSetupFloat(r, 60, 1.0f);
  EXPECT_EQ(r.bytes[60], 0x00);
  EXPECT_EQ(r.bytes[61], 0x00);
  EXPECT_EQ(r.bytes[62], 0x80);
  EXPECT_EQ(r.bytes[63], 0x3F);
  r.bytes[70] = 0x00;
  r.bytes[71] = 0x00;
  r.bytes[72] = 0x20;
  r.bytes[73] = 0xC1;  // 0xC1200000: -10
  EXPECT_EQ(SetupFloat(r, 70), -10.0f);
}

}  // namespace
