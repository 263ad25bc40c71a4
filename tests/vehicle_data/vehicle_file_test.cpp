// vehicle_file_test.cpp - the vehicle file at the current version: the samples round trip in
// every stream mode, the fields the reader settles, and damaged files refused with the field
// that failed.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "tests/vehicle_data/vehicle_test_util.h"
#include "tools/vehicle_gen/sample_vehicles.h"

namespace {

class VehicleFile : public VehicleTest {};

std::vector<uint8_t> SampleBody(int row, int* storeModel = nullptr) {
  VehicleData data;
  InitVehicleData(data);
  BuildSampleVehicle(row, data);
  data.SetTypeConstants();
  if (storeModel) *storeModel = SAMPLE_VEHICLES[row].storeModel;
  std::vector<uint8_t> body = BodyOf(data, BuiltinVehicleTable[row].name, SAMPLE_VEHICLES[row].storeModel);
  FreeVehicleData(data);
  return body;
}

// The samples whose body is stored in their file (the others need their ".vob").
int StoredSample() {
  for (int row = 0; row < BUILTIN_VEHICLE_COUNT; ++row)
    if (SAMPLE_VEHICLES[row].storeModel) return row;
  return 0;
}

TEST_F(VehicleFile, EverySampleWritesReadsAndWritesTheSameBytesInEveryMode) {
  std::filesystem::create_directories("data/veh");
  for (int row = 0; row < BUILTIN_VEHICLE_COUNT; ++row) {
    SCOPED_TRACE(BuiltinVehicleTable[row].name);
    VehicleData data;
    InitVehicleData(data);
    BuildSampleVehicle(row, data);
    const int storeModel = SAMPLE_VEHICLES[row].storeModel;
    const char* name = BuiltinVehicleTable[row].name;
    if (!storeModel) {
      ModelObject body{};
      BuildSampleBody(row, body);
      ASSERT_EQ(SaveModelFile(body, nullptr, "data\\veh\\KT.vob", 1), 1);
      body.Free();
    }
    ASSERT_EQ(WriteVehicleFile(data, name, nullptr, storeModel), 1);
    std::ifstream in(std::string("data/veh/") + name + ".veh", std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(file.size(), size_t(DATA_FILE_HEADER_SIZE));
    EXPECT_EQ(std::string(file.begin(), file.begin() + 6), "QXVEHI");
    EXPECT_EQ(file[6] << 8 | file[7], 252);
    const std::vector<uint8_t> fileBody(file.begin() + DATA_FILE_HEADER_SIZE, file.end());

    DataFile counter;
    counter.BeginMemoryWrite(0, nullptr);
    SerializeVehicleData(data, counter, name, storeModel);
    EXPECT_EQ(counter.size - DATA_FILE_HEADER_SIZE, int(fileBody.size())) << "the counting pass";
    EXPECT_EQ(BodyOf(data, name, storeModel), fileBody) << "memory against file";
    EXPECT_STREQ(data.vehicleName, name) << "the written vehicle takes its name";
    for (size_t i = std::strlen(name); i < size_t(VEHICLE_NAME_SIZE); ++i)
      EXPECT_EQ(data.vehicleName[i], 0) << name << ": the name's field is clear to its end";
    FreeVehicleData(data);

    ReadVehicle back;
    ReadBodyInto(back, fileBody, 252, name);
    ASSERT_EQ(back.result, 1) << (back.field ? back.field : "");
    EXPECT_EQ(BodyOf(back.data, name, storeModel), fileBody);
  }
}

TEST_F(VehicleFile, TheReaderSettlesWhatTheCarNeeds) {
  const int row = 0;  // a saloon
  ReadVehicle v;
  ReadBodyInto(v, SampleBody(row), 252, "Runabout");
  ASSERT_EQ(v.result, 1);
  const VehicleData& d = v.data;
  EXPECT_STREQ(d.shortName, BuiltinVehicleTable[row].code);
  EXPECT_STREQ(CurrentShortName, BuiltinVehicleTable[row].code);
  EXPECT_EQ(d.builtinIndex, row);
  EXPECT_EQ(d.engineWords[0], 7680u);
  EXPECT_EQ(d.engineWords[1], 5120u);
  EXPECT_TRUE(d.options & OPT1_ENGINE_WORDS);
  EXPECT_TRUE(d.options & OPT1_CORRECTIONS_DONE);
  ASSERT_NE(d.model, nullptr);
  EXPECT_STREQ(d.model->name, "Runabout");
  EXPECT_STREQ(d.spoke.name, "spoke");
  EXPECT_EQ(d.spoke.lodDistances[0], 65536);
  ASSERT_NE(d.rim, nullptr);
  EXPECT_EQ(d.rim->numPoints, 6);
  // The configurations carry the wheel sets' sizes and the transmission type.
  for (int c = 0; c < d.configCount; ++c) {
    EXPECT_EQ(d.configs[c].transmissionType, d.transmissionType);
    EXPECT_EQ(d.configs[c].wheels[0][3], d.wheelSets[0].rimWidth);
    EXPECT_EQ(d.configs[c].wheels[1][5], d.wheelSets[1].trackWidth);
  }
  // The current set-up and colours are the first ones; the seats follow from the driver.
  EXPECT_EQ(std::memcmp(d.currentSetup.bytes, d.setups[0].record.bytes, SETUP_RECORD_SIZE), 0);
  EXPECT_EQ(std::memcmp(&d.currentColours, &d.colourConfigs[0], sizeof(ColourSet)), 0);
  EXPECT_EQ(d.seatsPerRow, 3);  // a driver 0.37 m off the centre line
  EXPECT_FLOAT_EQ(d.backSeatLateral, 0.37f);
  EXPECT_TRUE(lines.empty());
}

// A vehicle name holds 31 characters and a zero: a longer one given to a full read is cut, and
// the field still ends in its zero (the bytes are checked one by one, as a missing zero would
// run on into the next field).
TEST_F(VehicleFile, ANameLongerThanItsFieldIsCutTo31CharactersAndAZero) {
  const char* forty = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn";
  ReadVehicle v;
  ReadBodyInto(v, SampleBody(StoredSample()), 252, forty);
  ASSERT_EQ(v.result, 1) << (v.field ? v.field : "");
  const VehicleData& d = v.data;
  // Letters 1..26 are A..Z, 27..31 a..e: the 31st, at index 30, is 'e'; index 31 is the zero.
  EXPECT_EQ(d.vehicleName[0], 'A');
  EXPECT_EQ(d.vehicleName[25], 'Z');
  EXPECT_EQ(d.vehicleName[26], 'a');
  EXPECT_EQ(d.vehicleName[30], 'e');
  EXPECT_EQ(d.vehicleName[31], '\0') << "the field's last byte stays the name's end";
}

TEST_F(VehicleFile, TheHeaderPartStopsAfterTheShortName) {
  ReadVehicle v;
  ReadBodyInto(v, SampleBody(2), 252, "Coupe", 0);
  ASSERT_EQ(v.result, 1);
  EXPECT_EQ(v.data.model, nullptr);
  EXPECT_EQ(v.data.framePointCount, 0);
  EXPECT_EQ(v.data.wheelCount, 0);
  EXPECT_STREQ(v.data.shortName, "ZK3");
  EXPECT_EQ(v.data.vehicleClass, CLASS_GT);
  EXPECT_STREQ(v.data.vehicleName, "DEFAULT") << "the header part keeps no name";
}

TEST_F(VehicleFile, CountsAboveTheKeptNumbersAreReadPast) {
  RawVehicle raw;
  raw.configs = {{"A", 1}, {"B", 2}, {"C", 3}, {"D", 4}, {"E", 5}};
  raw.dash.assign(200, 0x33);
  raw.dashType = 1;
  for (int i = 0; i < 6; ++i) raw.setups.push_back({"more", SetupRecord{}});
  for (int i = 0; i < 11; ++i) raw.colourConfigs.push_back(ColourSet{});
  ReadVehicle v;
  ReadBodyInto(v, raw.Encode(252, 6), 252);
  ASSERT_EQ(v.result, 1) << v.field;
  EXPECT_EQ(v.data.configCount, 4);
  EXPECT_STREQ(v.data.configs[3].name, "D");
  EXPECT_EQ(v.data.setupCount, 4);
  EXPECT_EQ(v.data.colourConfigCount, 9);
  EXPECT_EQ(v.data.dashSize, 160);
  EXPECT_EQ(v.data.dash[159], 0x33);
  EXPECT_EQ(v.data.gearPositions, 8) << "the fields after the skipped bytes are in place";
}

TEST_F(VehicleFile, TheDashboardsSizeFollowsItsTypeUnlessKept) {
  RawVehicle raw;
  raw.dashType = 3;
  raw.dash.assign(120, 9);
  ReadVehicle v;
  ReadBodyInto(v, raw.Encode(252, 6), 252);
  ASSERT_EQ(v.result, 1);
  EXPECT_EQ(v.data.dashSize, 120);
  ReadVehicle typed;
  ReadBodyInto(typed, BodyOf(v.data), 252);
  EXPECT_EQ(typed.data.dashSize, 96) << "type 3 is written with 96 bytes";
  DashSizeMode = 2;
  ReadVehicle kept;
  ReadBodyInto(kept, BodyOf(v.data), 252);
  DashSizeMode = 0;
  EXPECT_EQ(kept.data.dashSize, 120);
  for (int type : {0, 4, 6}) {
    v.data.dashType = uint8_t(type);
    ReadVehicle none;
    ReadBodyInto(none, BodyOf(v.data), 252);
    EXPECT_EQ(none.data.dashSize, 0) << type;
    EXPECT_EQ(none.data.dashType, type);
  }
}

TEST_F(VehicleFile, OptionWordTwoIsZeroWithoutBit31) {
  RawVehicle raw;
  raw.options &= ~OPT1_SECOND_WORD;
  raw.options2 = 0x12345678;  // not written
  ReadVehicle v;
  ReadBodyInto(v, raw.Encode(252, 6), 252);
  ASSERT_EQ(v.result, 1) << v.field;
  EXPECT_EQ(v.data.options2 & ~OPT2_DEFAULT_COLOURS, 0u);
}

TEST_F(VehicleFile, FrameTubesAreClampedDroppedAndKeepTheirVisibility) {
  RawVehicle raw;
  raw.framePoints = {{1, 2, 3, 7.5f, 1 | 4, 1}, {4, 5, 6, 0, 0, 2}};
  raw.tubes = {{0, 1, 100.0f, 1}, {0, 1, 0.1f, 0}, {-1, -2, 1.0f, 0}, {0, -3, 0.02f, 1}, {1, 0, NAN, 0}};
  ReadVehicle v;
  ReadBodyInto(v, raw.Encode(252, 6), 252);
  ASSERT_EQ(v.result, 1) << v.field;
  const VehicleData& d = v.data;
  ASSERT_EQ(d.framePointCount, 2);
  EXPECT_EQ(d.framePoints[0].flags, 4) << "the selection mark is cleared, other flags kept";
  EXPECT_EQ(d.framePoints[0].work, 0.0f);
  EXPECT_EQ(d.framePoints[0].type, 1);
  ASSERT_EQ(d.frameTubeCount, 4) << "the tube between two wheel points is dropped";
  EXPECT_EQ(d.frameTubes[0].massPerMetre, 40.0f);
  EXPECT_EQ(d.frameTubes[0].flags, 1u) << "bit 0 is kept";
  EXPECT_EQ(d.frameTubes[1].massPerMetre, 0.5f);
  EXPECT_EQ(d.frameTubes[2].radius, 0.02f);
  EXPECT_EQ(d.frameTubes[2].massPerMetre, 0.0f);
  EXPECT_EQ(d.frameTubes[2].flags, 1u);
  EXPECT_EQ(d.frameTubes[3].massPerMetre, 0.5f) << "a damaged figure lands in the range";

  // Written again, the link carries flag bit 1 and its radius; 12 bytes each tube.
  VehicleData& data = v.data;
  DataFile counter;
  counter.BeginMemoryWrite(0, nullptr);
  WriteFrame(data, counter);
  EXPECT_EQ(counter.size - DATA_FILE_HEADER_SIZE, 4 + 2 * 20 + 4 + 4 * 12);
  EXPECT_EQ(data.frameTubes[2].flags, 1u | TUBE_WHEEL_END);
}

// A tube's ends index the frame points (0 up to the count less one) or the six wheel points
// (-6 to -1): the last of each range reads, one past either end fails and names the tube.
TEST_F(VehicleFile, ATubeEndOutsideThePointsFailsAndNamesTheTube) {
  RawVehicle raw;
  raw.framePoints = {{1, 2, 3, 0, 0, 1}, {4, 5, 6, 0, 0, 1}};
  raw.tubes = {{1, -6, 1.0f, 0}, {-6, 1, 1.0f, 0}};
  ReadVehicle good;
  ReadBodyInto(good, raw.Encode(252, 6), 252);
  ASSERT_EQ(good.result, 1) << good.field;
  EXPECT_EQ(good.data.frameTubeCount, 2);
  const struct {
    int a, b;
  } bad[] = {{2, 0}, {0, 2}, {-7, 0}, {0, -7}};
  for (const auto& ends : bad) {
    SCOPED_TRACE(ends.a * 100 + ends.b);
    raw.tubes = {{0, 1, 1.0f, 0}, {ends.a, ends.b, 1.0f, 0}};
    ReadVehicle v;
    ReadBodyInto(v, raw.Encode(252, 6), 252);
    EXPECT_EQ(v.result, 0);
    EXPECT_EQ(v.error, 9);
    EXPECT_STREQ(v.field, "frame tube 1");
  }
}

TEST_F(VehicleFile, DamagedFieldsGiveTheirErrorAndName) {
  struct Case {
    const char* what;
    void (*change)(RawVehicle&);
    int error;
    const char* field;
  };
  const Case cases[] = {
      {"revision 7", nullptr, DATA_FILE_LATER_VERSION, "format revision"},
      {"class 12", [](RawVehicle& r) { r.vehicleClass = 12; }, 9, "vehicle class"},
      {"transmission 8", [](RawVehicle& r) { r.transmission = 8; }, 9, "transmission type"},
      {"side code 5", [](RawVehicle& r) { r.sideCode = 5; }, 9, "driver side code"},
      {"third byte", [](RawVehicle& r) { r.third = 1; }, 9, "transmission bytes"},
      {"fourth byte", [](RawVehicle& r) { r.fourth = 2; }, 9, "transmission bytes"},
      {"short code", [](RawVehicle& r) { r.shortCode = "ABCD"; }, 9, "short code"},
      {"engine sub-version", [](RawVehicle& r) { r.engine.subVersion = 17; }, 9, "engine"},
      {"set-ups past the data", [](RawVehicle& r) { r.setupCountOverride = 0x7FFFFFFF; }, 9, "set-up count"},
      {"colour sets past the data", [](RawVehicle& r) { r.colourCountOverride = 0xFFFFFFFE; }, 9,
       "colour configuration count"},
      {"gears", [](RawVehicle& r) { r.gears = 256; }, 9, "gear positions"},
      {"wheels", [](RawVehicle& r) { r.wheelCountOverride = 5; }, 9, "wheel count"},
      {"wheels beyond a byte", [](RawVehicle& r) { r.wheelCountOverride = 0x7FFFFFFF; }, 9, "wheel count"},
      {"rim surface", [](RawVehicle& r) { r.rim.surfaces.push_back({9, 0, 0, 0}); }, 9, "rim profile"},
      {"rim mapping", [](RawVehicle& r) { r.rim.surfaces.push_back({0, 1, 0, 3}); }, 9, "rim profile"},
      {"spoke", [](RawVehicle& r) { r.spoke.triangles = {{0, 0, 0, 1, 0, 0, 0, 1, 9}}; }, 9, "spoke object"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RawVehicle raw;
    if (c.change) c.change(raw);
    ReadVehicle v;
    ReadBodyInto(v, raw.Encode(252, c.change ? 6 : 7), 252);
    EXPECT_EQ(v.result, 0);
    EXPECT_EQ(v.error, c.error);
    EXPECT_STREQ(v.field, c.field);
  }
  // A dashboard type the program does not know is no dashboard; its bytes are read past.
  RawVehicle raw;
  raw.dashType = 9;
  raw.dash.assign(20, 1);
  ReadVehicle v;
  ReadBodyInto(v, raw.Encode(252, 6), 252);
  ASSERT_EQ(v.result, 1);
  EXPECT_EQ(v.data.dashType, 0);
  EXPECT_EQ(v.data.dashSize, 0);
  EXPECT_EQ(v.data.dash[0], 0);
}

TEST_F(VehicleFile, ABodyCutAnywhereFailsAsDamagedAndNamesTheField) {
  const std::vector<uint8_t> body = SampleBody(StoredSample());
  for (size_t cut = 1; cut < body.size(); cut += (cut < 400 ? 1 : 7)) {
    SCOPED_TRACE(cut);
    ReadVehicle v;
    ReadBodyInto(v, std::vector<uint8_t>(body.begin(), body.begin() + cut), 252);
    ASSERT_EQ(v.result, 0);
    EXPECT_EQ(v.error, 9);
    ASSERT_NE(v.field, nullptr);
  }
  ReadVehicle v;
  ReadBodyInto(v, std::vector<uint8_t>(body.begin(), body.end() - 1), 252);
  char text[512];
  FormatVehicleReadFailure(text, sizeof text, "data\\veh\\Runabout.veh");
  EXPECT_STREQ(text, "File is damaged : ^Ldata/veh/Runabout.veh^8 - aerodynamic figures");
}

// The class's rev limit replaces the stored one, but not for motors, engines without size or
// a redline the file marks as the user's own (flag 32 of the engine record, kept nowhere in
// memory); the writer marks exactly a redline other than the class's.
TEST_F(VehicleFile, TheRevLimitFollowsTheClassButNotForMotorsOrEnginesWithoutSizeOrOwnRedlines) {
  struct Case {
    int transmission;
    float size;
    int cylinders;
    uint32_t flags;
    bool recomputed;
  };
  const Case cases[] = {{TRANSMISSION_H_PATTERN, 1600, 4, 0, true},
                        {TRANSMISSION_H_PATTERN, 1600, 4, ENGINE_OWN_REDLINE, false},
                        {TRANSMISSION_NONE, 1600, 4, 0, false},
                        {TRANSMISSION_ELECTRIC, 1600, 4, 0, false},
                        {TRANSMISSION_H_PATTERN, 0, 4, 0, false},
                        {TRANSMISSION_H_PATTERN, -50, 4, 0, false},
                        {TRANSMISSION_H_PATTERN, 1600, 0, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.transmission * 100 + c.cylinders + c.flags * 1000);
    RawVehicle raw;
    raw.transmission = c.transmission;
    raw.engine.size = c.size;
    raw.engine.cylinders = c.cylinders;
    raw.engine.flags = c.flags;
    raw.engine.electric = c.transmission == TRANSMISSION_ELECTRIC;
    raw.engine.redline = 777;
    ReadVehicle v;
    ReadBodyInto(v, raw.Encode(252, 6), 252);
    ASSERT_EQ(v.result, 1) << v.field;
    EXPECT_TRUE(std::isfinite(v.data.engine.redline));
    EXPECT_EQ(v.data.engine.flags & ENGINE_OWN_REDLINE, 0u);
    if (c.recomputed) {
      EXPECT_NEAR(v.data.engine.redline * 30 / 3.14159265358979, 9000.0, 0.01);
    } else {
      EXPECT_EQ(v.data.engine.redline, 777.0f);
    }
  }
}

TEST_F(VehicleFile, TheDataSetsItsColoursSideAndNames) {
  VehicleData d;
  InitVehicleData(d);
  EXPECT_STREQ(d.configs[0].name, "DEFAULT");
  EXPECT_EQ(d.configs[0].layerMask, 0xFFFFFFFFu);
  EXPECT_EQ(d.configCount, 1);

  d.ResetColours(1);
  const ColourWord fixed[8] = {0x5050DC, 0xFFDCDC, 0x3C3CA0, 0x50C8DC, 0x50C8DC, 0x1428F0, 0xFFDCDC, 0xFFDCDC};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(d.colours[i], fixed[i]) << i;
  EXPECT_TRUE(d.options2 & OPT2_DEFAULT_COLOURS);
  d.colours[0] = 0xAA9630C0;  // fourth byte set
  d.colours[3] = 0x01000001;
  d.ResetColours(0);
  EXPECT_EQ(d.colours[0], 0x9630C0u);
  EXPECT_EQ(d.colours[2], 0x642080u) << "two thirds of colour 0, channel by channel";
  EXPECT_EQ(d.colours[3], 0x000001u);
  EXPECT_EQ(d.colours[5], 0x1428F0u);

  // Side codes: no driver 0, central 4, free side 3, locked left 1, locked right 2.
  EXPECT_EQ(d.DriverSideCode(), 0);
  std::strcpy(d.steerAnimation, "saloon");
  d.driverPosition.x = 0.19f;
  EXPECT_EQ(d.DriverSideCode(), 4);
  d.driverPosition.x = -0.4f;
  EXPECT_EQ(d.DriverSideCode(), 3);
  d.options |= OPT1_DRIVE_SIDE_LOCKED;
  EXPECT_EQ(d.DriverSideCode(), 1);
  d.driverPosition.x = 0.2f;
  EXPECT_EQ(d.DriverSideCode(), 2);

  d.colourConfigCount = 5;
  const char* names[5] = {"red", "", "blue", "red", "Red"};
  for (int i = 0; i < 5; ++i) std::strcpy(d.colourConfigs[i].name, names[i]);
  EXPECT_EQ(d.CountColourConfigNames(), 2) << "red, blue; names differing in case are one";
  // One-letter names are names too: "A", "b", "a" are A and b.
  d.colourConfigCount = 3;
  const char* shortNames[3] = {"A", "b", "a"};
  for (int i = 0; i < 3; ++i) std::strcpy(d.colourConfigs[i].name, shortNames[i]);
  EXPECT_EQ(d.CountColourConfigNames(), 2) << "A, b; one letter is enough to be named";
  // A count past the nine sets kept (a damaged count in memory) counts the nine names only.
  d.colourConfigCount = VEHICLE_MAX_COLOUR_CONFIGS + 3;
  for (int i = 0; i < VEHICLE_MAX_COLOUR_CONFIGS; ++i) std::snprintf(d.colourConfigs[i].name, 8, "skin%d", i);
  EXPECT_EQ(d.CountColourConfigNames(), 9);

  char shortName[SHORT_NAME_SIZE];
  const char modId[4] = {char(0x3F), char(0x1A), char(0x02), 0};
  FormatShortName(modId, shortName);
  EXPECT_STREQ(shortName, "021A3F");
  const char emptyId[4] = {0, 0, 0, 0};
  FormatShortName(emptyId, shortName);
  EXPECT_STREQ(shortName, "000000");
  FormatShortName("KRT", shortName);
  EXPECT_STREQ(shortName, "KRT");
  FreeVehicleData(d);
}

// After the short code (byte 24 of a body with both option words) stand the figures written
// for outside readers: the mass, the power in kW, the torque, and the speeds of greatest power
// and torque in whole rpm as 16-bit words (nothing below 0, at most 65535).
TEST_F(VehicleFile, TheSummaryFiguresStandAfterTheShortCode) {
  VehicleData d;
  InitVehicleData(d);
  d.SetTypeConstants();
  d.massWithoutOccupants = 1234.5f;
  d.engine.maxPower = 150000.0f;
  d.engine.maxTorque = 300.0f;
  d.engine.maxPowerSpeed = 600.0f;   // 5729.58 rpm
  d.engine.maxTorqueSpeed = 400.0f;  // 3819.72 rpm
  const auto at = [](const std::vector<uint8_t>& b, size_t offset, size_t bytes) {
    uint32_t v = 0;
    std::memcpy(&v, b.data() + offset, bytes);
    return v;
  };
  const auto real = [&](const std::vector<uint8_t>& b, size_t offset) {
    float f = 0;
    std::memcpy(&f, b.data() + offset, 4);
    return f;
  };
  std::vector<uint8_t> body = BodyOf(d);
  ASSERT_GT(body.size(), 44u);
  EXPECT_EQ(real(body, 24), 1234.5f);
  EXPECT_FLOAT_EQ(real(body, 28), 150.0f);
  EXPECT_EQ(real(body, 32), 300.0f);
  EXPECT_EQ(at(body, 36, 2), 5730u);
  EXPECT_EQ(at(body, 38, 2), 3820u);
  d.engine.maxPowerSpeed = 7000.0f;  // 66845 rpm: held at 65535
  d.engine.maxTorqueSpeed = -5.0f;
  body = BodyOf(d);
  EXPECT_EQ(at(body, 36, 2), 65535u);
  EXPECT_EQ(at(body, 38, 2), 0u);
  d.engine.maxPowerSpeed = std::nanf("");
  d.engine.maxTorqueSpeed = 0.05f;  // 0.48 rpm: none
  body = BodyOf(d);
  EXPECT_EQ(at(body, 36, 2), 0u);
  EXPECT_EQ(at(body, 38, 2), 0u);
  FreeVehicleData(d);
}

// A file without a model code takes the first two letters of the vehicle's name, in capitals;
// a name shorter than two letters gives "XX".
TEST_F(VehicleFile, AMissingModelCodeComesFromTheNamesFirstTwoLetters) {
  RawVehicle raw;
  raw.modelCode = "";
  const struct {
    const char* name;
    const char* code;
  } cases[] = {{"go", "GO"}, {"bus", "BU"}, {"z", "XX"}, {"TS", "TS"}};
  for (const auto& c : cases) {
    ReadVehicle v;
    ReadBodyInto(v, raw.Encode(252, 6), 252, c.name);
    ASSERT_EQ(v.result, 1) << c.name;
    EXPECT_STREQ(v.data.modelCode, c.code) << c.name;
  }
  raw.modelCode = "ab";
  ReadVehicle kept;
  ReadBodyInto(kept, raw.Encode(252, 6), 252, "other");
  EXPECT_STREQ(kept.data.modelCode, "ab") << "a stored code stands as it is";
}

// The gear-change constants: 0.2 for an H pattern, 0.1 for the motorbike and both sequential
// boxes (types 2 to 4), 0.05 for every other type.
TEST_F(VehicleFile, EachTransmissionTypeGetsItsOwnGearChangeConstants) {
  const float expected[TRANSMISSION_TYPE_COUNT] = {0.05f, 0.2f, 0.1f, 0.1f, 0.1f, 0.05f, 0.05f, 0.05f};
  VehicleData d;
  InitVehicleData(d);
  for (int type = 0; type < TRANSMISSION_TYPE_COUNT; ++type) {
    d.transmissionType = uint8_t(type);
    d.transmissionConstants[0] = d.transmissionConstants[1] = d.transmissionConstants[2] = -1.0f;
    d.SetTypeConstants();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(d.transmissionConstants[i], expected[type]) << "type " << type << ", " << i;
  }
  FreeVehicleData(d);
}

// The car is drawn mirrored when its driver sits on the other side than the one asked for
// (bit 0 of the request: the driver on the left); a driver closer than 0.2 m to the centre
// line, a locked drive side or the unmirrored switch never mirror it.
TEST_F(VehicleFile, TheCarIsMirroredOnlyForADriverOnTheOtherSideThanAsked) {
  VehicleData d;
  InitVehicleData(d);
  struct Case {
    float x;
    int requested;
    int mirrored;
  };
  const Case cases[] = {
      {-0.4f, 1, 0}, {-0.4f, 0, 1}, {-0.4f, 2, 1}, {-0.4f, 3, 0},  // only bit 0 counts
      {0.4f, 1, 1},  {0.4f, 0, 0},
      {0.2f, 1, 1},  {-0.2f, 0, 1},  // 0.2 m off the centre is a side
      {0.19f, 1, 0}, {-0.19f, 0, 0}, {0.0f, 0, 0}, {0.0f, 1, 0},
  };
  for (const Case& c : cases) {
    d.driverPosition.x = c.x;
    d.mirrored = uint8_t(1 - c.mirrored);
    ChooseMirrored(d, c.requested);
    EXPECT_EQ(d.mirrored, c.mirrored) << "x " << c.x << ", asked " << c.requested;
  }
  d.driverPosition.x = 0.4f;
  d.mirrored = 1;
  d.options |= OPT1_DRIVE_SIDE_LOCKED;
  ChooseMirrored(d, 1);
  EXPECT_EQ(d.mirrored, 0) << "a locked side";
  d.options &= ~OPT1_DRIVE_SIDE_LOCKED;
  d.mirrored = 1;
  KeepUnmirrored = 1;
  ChooseMirrored(d, 1);
  KeepUnmirrored = 0;
  EXPECT_EQ(d.mirrored, 0) << "the unmirrored switch";
  FreeVehicleData(d);
}

// The largest values each checked header byte may hold read; one more fails (tested above).
TEST_F(VehicleFile, TheLargestAcceptedHeaderValuesRead) {
  RawVehicle raw;
  raw.transmission = TRANSMISSION_TYPE_COUNT - 1;
  raw.sideCode = 4;
  raw.fourth = 1;
  raw.gears = 255;
  raw.vehicleClass = VEHICLE_CLASS_COUNT - 1;
  ReadVehicle v;
  ReadBodyInto(v, raw.Encode(252, 6), 252);
  ASSERT_EQ(v.result, 1) << (v.field ? v.field : "");
  EXPECT_EQ(v.data.transmissionType, TRANSMISSION_TYPE_COUNT - 1);
  EXPECT_EQ(v.data.gearPositions, 255);
  EXPECT_EQ(v.data.vehicleClass, VEHICLE_CLASS_COUNT - 1);
  EXPECT_EQ(v.data.wheelCount, 4) << "four wheels, the most a car has";
}

TEST_F(VehicleFile, NamesThatCouldLeaveTheFoldersAreRefused) {
  EXPECT_EQ(IsModVehicleName("ABCD~123"), 1);
  EXPECT_EQ(IsModVehicleName("ABC~123"), 0);
  EXPECT_EQ(IsModVehicleName("ABCD~12X"), 0);
  EXPECT_EQ(IsModVehicleName("ABCDE~12"), 0);
  EXPECT_EQ(IsModVehicleName("ABCD~090"), 1) << "0 and 9 are digits";
  EXPECT_EQ(IsModVehicleName("ABCD~/12"), 0) << "'/' stands just below '0'";
  EXPECT_EQ(IsModVehicleName("ABCD~12:"), 0) << "':' stands just above '9'";
  EXPECT_EQ(IsModVehicleName(nullptr), 0);
  char path[FILE_PATH_SIZE];
  EXPECT_EQ(MakeVehiclePath(path, sizeof path, "ABCD~123", 1), 1);
  EXPECT_STREQ(path, "mods\\vehicles\\ABCD~123\\ABCD~123.veh");
  EXPECT_EQ(MakeVehiclePath(path, sizeof path, "Kart", 0), 1);
  EXPECT_STREQ(path, "data\\veh\\Kart.veh");
  for (const char* bad : {"..", "a..b", "../x", "a/b", "a\\b", "c:x", "", "x\ty"}) {
    EXPECT_EQ(IsValidVehicleName(bad), 0) << bad;
    EXPECT_EQ(MakeVehiclePath(path, sizeof path, bad, 0), 0) << bad;
    EXPECT_STREQ(path, "");
  }
  EXPECT_EQ(IsValidVehicleName("0123456789012345678901234567890"), 1);
  EXPECT_EQ(IsValidVehicleName("01234567890123456789012345678901"), 0) << "32 characters do not fit";
  // A buffer of no size is not written at all; one too small for the path is left empty.
  char small[8] = "keep";
  EXPECT_EQ(MakeVehiclePath(small, 0, "Kart", 0), 0);
  EXPECT_STREQ(small, "keep");
  EXPECT_EQ(MakeVehiclePath(small, int(sizeof small), "Kart", 0), 0) << "data\\veh\\Kart.veh needs 17 bytes";
  EXPECT_STREQ(small, "");
}

}  // namespace

namespace {

TEST_F(VehicleFile, AVehicleWithoutARimWritesAnEmptyRimAndReadsBack) {
  VehicleData data;
  InitVehicleData(data);
  BuildSampleVehicle(0, data);
  data.SetTypeConstants();
  const char* name = BuiltinVehicleTable[0].name;
  const int storeModel = SAMPLE_VEHICLES[0].storeModel;
  WXS* own = data.rim;
  WXS empty;
  data.rim = &empty;
  const std::vector<uint8_t> withEmptyRim = BodyOf(data, name, storeModel);
  data.rim = nullptr;
  const std::vector<uint8_t> withoutRim = BodyOf(data, name, storeModel);
  data.rim = own;
  EXPECT_EQ(withoutRim, withEmptyRim) << "no rim is written as an empty one";
  ReadVehicle back;
  ReadBodyInto(back, withoutRim, 252, name);
  ASSERT_EQ(back.result, 1) << (back.field ? back.field : "");
  for (int i = 0; i < AERO_ITEMS; ++i)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(back.data.aero[i][k], data.aero[i][k]) << "the fields after the rim";
  FreeVehicleData(data);
}

}  // namespace
