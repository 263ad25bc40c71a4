// vehicle_file_old_test.cpp - vehicle files of versions 248 to 251 and format revisions 0 to 5,
// written by hand: each conversion, and each result written at 252 reading back to itself.
#include <array>
#include <cmath>
#include <utility>

#include "tests/vehicle_data/vehicle_test_util.h"
#include "vehicle_data/dashboard.h"

namespace {

constexpr double PI = 3.14159265358979323846;

class OldVehicleFile : public VehicleTest {
 protected:
  // Reads the raw vehicle at a version and revision; the result must then write at 252 and
  // read back to the same bytes.
  void Read(ReadVehicle& v, const RawVehicle& raw, int version, int revision) {
    ReadBodyInto(v, raw.Encode(version, revision), version);
    ASSERT_EQ(v.result, 1) << (v.field ? v.field : "");
    const std::vector<uint8_t> first = BodyOf(v.data);
    ReadVehicle again;
    ReadBodyInto(again, first, 252);
    ASSERT_EQ(again.result, 1) << (again.field ? again.field : "");
    EXPECT_EQ(BodyOf(again.data), first) << "written at 252, read and written again";
  }
};

TEST_F(OldVehicleFile, EngineWordsAndTheRevLimitOfA1600ccFourCylinderSaloon) {
  RawVehicle raw;
  raw.options |= OPT1_ENGINE_WORDS;
  raw.vehicleClass = CLASS_SALOON;
  raw.engine.size = 1600;
  raw.engine.cylinders = 4;
  raw.engine.redline = 500;
  for (int version : {250, 252}) {
    SCOPED_TRACE(version);
    ReadVehicle v;
    Read(v, raw, version, 6);
    EXPECT_EQ(v.data.engineWords[0], 7680u);
    EXPECT_EQ(v.data.engineWords[1], 5120u);
    // 4654 / 400^(1/3) x 1.6 = 1010.6 rad/s, 9650 rpm: 9000 rpm.
    EXPECT_NEAR(v.data.engine.redline, 9000 * PI / 30, 1e-3);
  }
  // Without the words the file holds none, and the car gets them all the same.
  raw.options &= ~OPT1_ENGINE_WORDS;
  ReadVehicle v;
  Read(v, raw, 251, 6);
  EXPECT_TRUE(v.data.options & OPT1_ENGINE_WORDS);
  EXPECT_EQ(v.data.engineWords[1], 5120u);
}

TEST_F(OldVehicleFile, TransmissionListOfVersionsBefore251) {
  struct Case {
    int version;
    bool bit24;
    int vehicleClass;
    int expected;
  };
  const Case cases[] = {{250, false, CLASS_SALOON, TRANSMISSION_H_PATTERN},
                        {249, false, CLASS_KART, TRANSMISSION_MOTORBIKE},
                        {250, false, CLASS_BIKE, TRANSMISSION_MOTORBIKE},
                        {250, false, CLASS_FSAE, TRANSMISSION_MOTORBIKE},
                        {250, true, CLASS_KART, TRANSMISSION_PADDLE}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version * 10 + c.vehicleClass);
    RawVehicle raw;
    raw.vehicleClass = c.vehicleClass;
    raw.transmission = TRANSMISSION_PADDLE;
    if (!c.bit24) raw.options &= ~OPT1_TRANSMISSION_BYTES;
    raw.oldListCount = 3;
    ReadVehicle v;
    Read(v, raw, c.version, 6);
    EXPECT_EQ(v.data.transmissionType, c.expected);
    EXPECT_TRUE(v.data.options & OPT1_TRANSMISSION_BYTES);
  }
  // A list longer than the file, and one whose skip does not fit 32 bits, are damage.
  for (uint32_t count : {1000u, 0xFFFFFFFFu}) {
    RawVehicle raw;
    raw.options &= ~OPT1_TRANSMISSION_BYTES;
    raw.oldListCount = count;
    ReadVehicle v;
    ReadBodyInto(v, raw.Encode(250, 6), 250);
    EXPECT_EQ(v.result, 0);
    EXPECT_EQ(v.error, 9);
    EXPECT_STREQ(v.field, "transmission list");
  }
}

// From version 251 the marker before the configurations is always there, whatever the option
// bit says; at 250 only with the bit.
TEST_F(OldVehicleFile, TheConfigurationMarkerFrom251WithoutItsOptionBit) {
  RawVehicle raw;
  raw.options &= ~OPT1_CONFIG_MARKER;
  raw.configs = {{"WET", 0x5u}, {"DRY", 0x3u}};
  for (int version : {250, 251}) {
    SCOPED_TRACE(version);
    ReadVehicle v;
    Read(v, raw, version, 6);
    ASSERT_EQ(v.data.configCount, 2);
    EXPECT_STREQ(v.data.configs[0].name, "WET");
    EXPECT_EQ(v.data.configs[0].layerMask, 0x5u);
    EXPECT_STREQ(v.data.configs[1].name, "DRY");
    EXPECT_EQ(v.data.configs[1].layerMask, 0x3u);
  }
}

TEST_F(OldVehicleFile, Version248HasNoConfigurationsAndItsModelAfterTheNames) {
  RawVehicle raw;
  raw.vehicleClass = CLASS_VAN;
  raw.options |= OPT1_DRIVE_SIDE_LOCKED | (1u << 20) | (1u << 23) | OPT1_BIT0;
  raw.options &= ~OPT1_CONFIG_MARKER;
  raw.model.points.push_back({1, 0x20000, 0, 0});
  raw.model.triangles.push_back({0, 0, 0, 1, 0, 0, 0, 1, 3});
  ReadVehicle v;
  Read(v, raw, 248, 6);
  const VehicleData& d = v.data;
  ASSERT_NE(d.model, nullptr);
  EXPECT_EQ(d.model->triangleCount, 2);
  EXPECT_STREQ(d.model->name, "Test");
  EXPECT_EQ(d.configCount, 1);
  EXPECT_STREQ(d.configs[0].name, "OPEN ROOF") << "the new car's configuration, renamed";
  EXPECT_FALSE(d.options & OPT1_DRIVE_SIDE_LOCKED);
  EXPECT_TRUE(d.options & OPT1_CONFIG_MARKER);
  EXPECT_TRUE(d.options & OPT1_BIT0) << "set again for a class other than kart, bike and FSAE";
  EXPECT_FALSE(d.options & OPT1_OLD_BITS);
  EXPECT_TRUE(d.options & OPT1_SECOND_WORD);
}

TEST_F(OldVehicleFile, ClassesAndOptionBitsOfOlderFiles) {
  struct Case {
    int version, revision, vehicleClass;
    uint32_t extra;
    int expectedClass;
    bool openRoof, bit0;
  };
  const Case cases[] = {
      {249, 6, CLASS_SALOON, 0, CLASS_SALOON, false, true},
      {249, 6, CLASS_BIKE, OPT1_BIT0, CLASS_BIKE, true, false},
      {250, 6, CLASS_VAN, OPT1_BIT0, CLASS_VAN, false, true},
      {251, 6, 12, 0, CLASS_F1, false, false},
      {252, 5, 12, 0, 7, false, false},
      {252, 5, 14, 0, CLASS_TRUCK, false, false},
      {252, 5, CLASS_OBJECT, OPT1_TRAIL_REDUCTION, CLASS_BIKE, false, false},
      {252, 6, CLASS_OBJECT, OPT1_TRAIL_REDUCTION, CLASS_OBJECT, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version * 100 + c.revision * 10 + c.vehicleClass);
    RawVehicle raw;
    raw.vehicleClass = c.vehicleClass;
    raw.options |= c.extra;
    ReadVehicle v;
    Read(v, raw, c.version, c.revision);
    EXPECT_EQ(v.data.vehicleClass, c.expectedClass);
    EXPECT_EQ(std::strcmp(v.data.configs[0].name, "OPEN ROOF") == 0, c.openRoof);
    if (c.version < 252) {
      EXPECT_EQ((v.data.options & OPT1_BIT0) != 0, c.bit0);
    }
  }
  // Past the renumbered ranges: class 11 stays at revision 5, and classes 13 (before 252)
  // and 15 (before revision 6) are renumbered to nothing.
  RawVehicle fsae;
  fsae.vehicleClass = CLASS_FSAE;
  ReadVehicle kept;
  Read(kept, fsae, 252, 5);
  EXPECT_EQ(kept.data.vehicleClass, CLASS_FSAE);
  const struct {
    int version, revision, vehicleClass;
  } refused[] = {{252, 6, 12}, {251, 6, 13}, {252, 5, 15}};
  for (const auto& c : refused) {
    SCOPED_TRACE(c.version * 100 + c.revision * 10 + c.vehicleClass);
    RawVehicle raw;
    raw.vehicleClass = c.vehicleClass;
    ReadVehicle v;
    ReadBodyInto(v, raw.Encode(c.version, c.revision), c.version);
    EXPECT_EQ(v.result, 0);
    EXPECT_STREQ(v.field, "vehicle class");
  }
}

TEST_F(OldVehicleFile, SetupBytesMoveIntoTheAxleBlocksBefore251) {
  RawVehicle raw;
  SetupRecord first{}, second{};
  SetSetupFloat(first, 60, 1.55f);   // the rear axle's track width
  SetSetupFloat(first, 100, 1.65f);  // the front axle's
  SetSetupFloat(second, 60, 9.0f);
  second.bytes[65] = 3;
  raw.setups = {{"[default]", first}, {"second", second}};
  raw.sets[0].suspensionType = SUSPENSION_RIGID;
  raw.sets[0].caster = 0.1f;
  raw.sets[1].suspensionType = SUSPENSION_LINEAR;
  raw.sets[1].caster = 0.2f;
  ReadVehicle v;
  Read(v, raw, 250, 6);
  const VehicleData& d = v.data;
  EXPECT_FLOAT_EQ(d.wheelSets[0].trackWidth, 1.55f);
  EXPECT_FLOAT_EQ(d.wheelSets[1].trackWidth, 1.65f);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(SetupFloat(d.setups[i].record, 60), 0.0f);
    EXPECT_EQ(SetupFloat(d.setups[i].record, 100), 0.0f);
    EXPECT_EQ(d.setups[i].record.bytes[65], 57) << "0.1 rad as tenths of a degree";
    EXPECT_EQ(d.setups[i].record.bytes[105], 0) << "a linear axle keeps its caster";
  }
  EXPECT_EQ(d.wheelSets[0].caster, 0.0f);
  EXPECT_FLOAT_EQ(d.wheelSets[1].caster, 0.2f);
  // The byte holds 0 to 255 tenths: 0.6 rad (344 tenths) is held at 255, -0.1 rad at 0.
  for (const auto& [caster, byte] : {std::pair{0.6f, 255}, std::pair{-0.1f, 0}}) {
    raw.sets[0].caster = caster;
    ReadVehicle held;
    Read(held, raw, 250, 6);
    EXPECT_EQ(held.data.setups[0].record.bytes[65], byte) << caster;
  }
  raw.sets[0].caster = 0.1f;

  // A file with its one set-up moves the widths too; a width of 0 keeps the wheel set's 1.4.
  SetupRecord only{};
  SetSetupFloat(only, 60, 1.55f);
  raw.setups = {{"[default]", only}};
  ReadVehicle single;
  Read(single, raw, 250, 6);
  EXPECT_FLOAT_EQ(single.data.wheelSets[0].trackWidth, 1.55f);
  EXPECT_FLOAT_EQ(single.data.wheelSets[1].trackWidth, 1.4f);
  EXPECT_EQ(SetupFloat(single.data.setups[0].record, 60), 0.0f);
  raw.setups = {{"[default]", first}, {"second", second}};

  // At 251 the set-ups are left as they are.
  ReadVehicle kept;
  Read(kept, raw, 251, 6);
  EXPECT_FLOAT_EQ(SetupFloat(kept.data.setups[0].record, 60), 1.55f);
  EXPECT_FLOAT_EQ(kept.data.wheelSets[0].trackWidth, 1.4f);
}

TEST_F(OldVehicleFile, RimDefaultsScaleTheSpokeToTheNewRimEdge) {
  struct Case {
    float aspect, rimWidth;
    int lowProfile, edge;
    int32_t scaledX;
  };
  // (w / 2 + 0.005) / (w / 2): 1.05 for a 0.2 m rim; a rim of no width keeps the spoke.
  // A rear aspect ratio below 0.355 is low-profile; 0.355 itself is not.
  const Case cases[] = {{0.3f, 0.2f, 1, 4, 68813},   {0.55f, 0.2f, 0, 2, 68813}, {0.55f, 0.0f, 0, 2, 65536},
                        {0.355f, 0.2f, 0, 2, 68813}, {0.354f, 0.2f, 1, 4, 68813}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.aspect + c.rimWidth);
    RawVehicle raw;
    for (SuspensionBlock& s : raw.sets) {
      s.rimInnerDepthMm = 0;
      s.rimShadeTenths = 0;
      s.lowProfileTyreStyle = 0;
      s.rimEdgeExtraWidthMm = 7;
    }
    raw.sets[0].aspectRatio = c.aspect;
    raw.sets[0].rimWidth = c.rimWidth;
    raw.sets[1].aspectRatio = 0.6f;
    raw.rimBytes[0] = 22;
    ReadVehicle v;
    Read(v, raw, 251, 6);
    const VehicleData& d = v.data;
    EXPECT_EQ(d.spokeCount, 2);
    for (const SuspensionBlock& s : d.wheelSets) {
      EXPECT_EQ(s.rimInnerDepthMm, 5);
      EXPECT_EQ(s.rimShadeTenths, 6);
      EXPECT_EQ(s.lowProfileTyreStyle, c.lowProfile);
      EXPECT_EQ(s.rimEdgeExtraWidthMm, c.edge);
    }
    ASSERT_EQ(d.spoke.pointCount, 3);
    EXPECT_EQ(d.spoke.points[0].x, 0);
    EXPECT_EQ(d.spoke.points[1].x, c.scaledX);
    EXPECT_EQ(d.spoke.points[2].y, 0x10000) << "only x is scaled";
  }
  // A spoke point whose scaled x would pass 32 bits is held at the end of the range.
  {
    RawVehicle raw;
    for (SuspensionBlock& s : raw.sets) s.rimInnerDepthMm = 0;
    raw.spoke.points[0] = {2, -2100000000, 0, 0};
    raw.spoke.points[1] = {1, 2100000000, 0, 0};
    ReadVehicle v;
    Read(v, raw, 251, 6);
    ASSERT_EQ(v.data.spoke.pointCount, 3);
    EXPECT_EQ(v.data.spoke.points[0].x, INT32_MIN);
    EXPECT_EQ(v.data.spoke.points[1].x, INT32_MAX);
  }
  // A rim that has its inner depth is left alone.
  RawVehicle raw;
  raw.rimBytes[0] = 22;
  ReadVehicle v;
  Read(v, raw, 251, 6);
  EXPECT_EQ(v.data.spokeCount, 22);
  EXPECT_EQ(v.data.spoke.points[1].x, 0x10000);
}

TEST_F(OldVehicleFile, RimBytesAreHeldInTheirRanges) {
  RawVehicle raw;
  raw.rimBytes[0] = 0;
  raw.rimBytes[1] = 9;
  raw.rimBytes[2] = 8;
  raw.rimBytes[3] = 2;
  ReadVehicle v;
  Read(v, raw, 252, 6);
  EXPECT_EQ(v.data.spokeCount, 1);
  EXPECT_EQ(v.data.rimBytes[0], 1);
  EXPECT_EQ(v.data.rimBytes[1], 7);
  EXPECT_EQ(v.data.rimBytes[2], 7) << "at least the third byte";
}

TEST_F(OldVehicleFile, ConfigurationsCopyTheWheelsAndTheLastAeroFiguresHaveAFloor) {
  RawVehicle raw;
  raw.configs = {{"ONE", 1}, {"TWO", 2}};
  raw.transmission = TRANSMISSION_SEQUENTIAL;
  raw.sets[0].sectionWidth = 0.31f;
  raw.sets[1].wheelOffset = 0.04f;
  raw.aero[0][1] = 0.0f;
  raw.aero[3][1] = 0.0f;
  raw.aero[3][2] = NAN;
  ReadVehicle v;
  Read(v, raw, 252, 6);
  const VehicleData& d = v.data;
  for (int c = 0; c < 2; ++c) {
    EXPECT_EQ(d.configs[c].transmissionType, TRANSMISSION_SEQUENTIAL);
    EXPECT_FLOAT_EQ(d.configs[c].wheels[0][0], 0.31f);
    EXPECT_FLOAT_EQ(d.configs[c].wheels[1][4], 0.04f);
    EXPECT_FLOAT_EQ(d.configs[c].wheels[1][5], 1.4f);
  }
  EXPECT_EQ(d.configs[1].layerMask, 2u);
  EXPECT_FLOAT_EQ(d.aero[3][1], 0.01f);
  EXPECT_FLOAT_EQ(d.aero[3][2], 0.01f);
  EXPECT_EQ(d.aero[0][1], 0.0f) << "only the fourth record has the floor";
  EXPECT_EQ(d.aero[3][0], 0.0f) << "the fourth record's first figure has none";
}

TEST_F(OldVehicleFile, EngineRecordsBelowSixteenTakeTheClassRow) {
  RawVehicle raw;
  raw.vehicleClass = CLASS_KART;
  raw.engine.subVersion = 15;
  ReadVehicle v;
  Read(v, raw, 252, 6);
  const EngineModel& e = v.data.engine;
  EXPECT_FLOAT_EQ(e.torquePerCc, 0.14f * 0.09f);
  EXPECT_FLOAT_EQ(e.spreadMul, 1.5f * 0.8f);
  EXPECT_FLOAT_EQ(e.camTiming, 1.2f * 0.8f);
  EXPECT_FLOAT_EQ(e.idleSpeed, 104.71f);
  EXPECT_FLOAT_EQ(e.resistanceMul, 1.417e-10f);
  EXPECT_FLOAT_EQ(e.inertiaMul, 1e-6f);
  EXPECT_FLOAT_EQ(e.turboInertiaMul, 0.7f);

  // Sub-version 12: no turbo inertia figure; 13 without flag 4: no spread or rev limit.
  raw.engine.subVersion = 12;
  raw.engine.flags = ENGINE_OLD_SPREAD;
  ReadVehicle twelve;
  Read(twelve, raw, 252, 6);
  EXPECT_FLOAT_EQ(twelve.data.engine.turboInertiaMul, 0.5f) << "the new engine's";
  EXPECT_FLOAT_EQ(twelve.data.engine.spreadMul, 1.5f * 0.8f);
  raw.engine.subVersion = 13;
  raw.engine.flags = 0;
  ReadVehicle thirteen;
  Read(thirteen, raw, 252, 6);
  EXPECT_FLOAT_EQ(thirteen.data.engine.spreadMul, 0.8f) << "1.0 times the class's";
}

TEST_F(OldVehicleFile, EngineRecordsOfSubVersionSevenCarryTheirSound) {
  RawVehicle raw;
  raw.engine.subVersion = 7;
  raw.engine.withSound = true;
  raw.engine.waveSamples = 3;
  ReadVehicle v;
  Read(v, raw, 252, 6);
  const EngineModel& e = v.data.engine;
  for (int i = 0; i < 7; ++i) {
    ASSERT_EQ(e.waves[i].count, 3u) << i;
    EXPECT_EQ(e.waves[i].bytes[3], i + 1);
    EXPECT_EQ(e.waves[i].samples[2], 0x1000u * uint32_t(i + 1) + 2);
  }
  EXPECT_EQ(e.waves[7].count, 0u);
  for (int place : EngineSoundPlaces(7)) {
    if (place >= 0) {
      EXPECT_FLOAT_EQ(e.soundParams[place], 100.0f + place) << place;
    }
  }
  for (int unread : {1, 7, 20, 21, 23, 26, 27, 28})
    EXPECT_NE(e.soundParams[unread], 100.0f + unread) << "sound figure " << unread << " keeps its default";
  EXPECT_FLOAT_EQ(e.soundParams[1], 0.5f);
  EXPECT_FLOAT_EQ(e.soundParams[28], 1.0f);

  // A wave whose samples run past the data is damage.
  raw.engine.waveSamples = 20000;
  std::vector<uint8_t> body = raw.Encode(252, 6);
  body.resize(200);
  ReadVehicle cut;
  ReadBodyInto(cut, body, 252);
  EXPECT_EQ(cut.result, 0);
  EXPECT_STREQ(cut.field, "engine");
}

TEST_F(OldVehicleFile, AVersion251RimHasItsFixedPointsSwappedBack) {
  RawVehicle raw;
  raw.rim.points = {{0, 0}, {4, 0}, {0, 4}, {4, 4}, {2, 3}};
  raw.rim.surfaces = {{1, 0, 0, 0}, {2, 4, 1, 0}, {3, 4, 2, 0}};
  ReadVehicle v;
  Read(v, raw, 251, 6);
  const WXS& rim = *v.data.rim;
  ASSERT_EQ(rim.numPoints, 5);
  EXPECT_EQ(rim.points[0].y, 4.0f);
  EXPECT_EQ(rim.points[1].x, 4.0f);
  EXPECT_EQ(rim.points[2].y, 0.0f);
  EXPECT_EQ(rim.points[4].x, 2.0f);
  EXPECT_EQ(rim.surfaces[0].first, 3u);
  EXPECT_EQ(rim.surfaces[0].second, 2u);
  EXPECT_EQ(rim.surfaces[1].first, 0u);
  EXPECT_EQ(rim.surfaces[2].first, 1u);
  EXPECT_EQ(rim.surfaces[2].second, 4u);
  EXPECT_FALSE(HasLine(TEXT_RIM_WRONG_Y));

  // At 252 the same profile is kept and reported.
  lines.clear();
  ReadVehicle kept;
  ReadBodyInto(kept, raw.Encode(252, 6), 252);
  ASSERT_EQ(kept.result, 1);
  EXPECT_EQ(kept.data.rim->points[0].y, 0.0f);
  EXPECT_TRUE(HasLine(TEXT_RIM_WRONG_Y));
  EXPECT_FALSE(HasLine(TEXT_RIM_WRONG_X));

  // A profile of just the four points, the fixed ones last, is swapped back too.
  RawVehicle four;
  four.rim.points = {{0, 0}, {4, 0}, {0, 4}, {4, 4}};
  four.rim.surfaces = {{1, 0, 0, 0}};
  lines.clear();
  ReadVehicle swapped;
  Read(swapped, four, 251, 6);
  ASSERT_EQ(swapped.data.rim->numPoints, 4);
  EXPECT_EQ(swapped.data.rim->points[0].y, 4.0f);
  EXPECT_EQ(swapped.data.rim->points[2].y, 0.0f);
  EXPECT_EQ(swapped.data.rim->surfaces[0].first, 3u);
  EXPECT_FALSE(HasLine(TEXT_RIM_WRONG_Y));
}

TEST_F(OldVehicleFile, FormatRevisionsZeroToFive) {
  RawVehicle raw;
  raw.options |= OPT1_TRAIL_REDUCTION | OPT1_FUEL_CAPACITY;
  raw.vehicleClass = CLASS_SALOON;
  raw.lights = 5;
  raw.fuel = 55;
  raw.dashType = 1;
  raw.dash.assign(160, 0);
  raw.dash[80] = 0x11;  // just past the word the older revisions get at 76
  raw.shortCode = "QRS";
  raw.colours[3] = 0;
  raw.colours[4] = 0x40102030;  // the top byte is no channel, though above the others
  raw.suspensionMass = 0.33f;
  for (int revision = 0; revision <= 5; ++revision) {
    SCOPED_TRACE(revision);
    ReadVehicle v;
    Read(v, raw, 252, revision);
    const VehicleData& d = v.data;
    EXPECT_STREQ(d.shortName, "QRS") << "from the dashboard's section below revision 4";
    EXPECT_STREQ(d.engineName, revision < 3 ? "QRS_DEFAULT" : "DEFAULT");
    EXPECT_FLOAT_EQ(d.suspensionMassConstant, revision < 5 ? 0.15f : raw.suspensionMass);
    EXPECT_FLOAT_EQ(d.fuelTankCapacity, 55.0f) << "after the trail reduction";
    EXPECT_FLOAT_EQ(d.trailReduction, 0.04f);
    EXPECT_EQ(d.lightsAndAids, 5u);
    uint32_t word = 0;
    std::memcpy(&word, d.dash + 76, 4);
    EXPECT_EQ(word, 0x1E1419A5u);
    EXPECT_EQ(d.dash[80], 0x11);
    if (revision == 0) {
      // The largest channel becomes 220, of colour 2 180; black stays black.
      EXPECT_EQ(d.colours[0], 0x376EDCu);
      EXPECT_EQ(d.colours[2], 0xB4B4B4u);
      EXPECT_EQ(d.colours[3], 0u);
      // 0x30 the largest: 16, 32 and 48 times 220 / 48 are 73, 146 and 220; the top byte kept.
      EXPECT_EQ(d.colours[4], 0x404992DCu);
    } else {
      EXPECT_EQ(d.colours[0], 0x204080u);
    }
  }
}

// An analog dashboard of a file before 252 has each lamp's x and y held to 5..195 and its size
// to 5..10; one of a format revision before 6 has its display colours doubled (at most 255)
// unless a channel is above 128.
TEST_F(OldVehicleFile, OlderDashboardsHoldTheirLampsAndDoubleTheirDisplayColours) {
  RawVehicle raw;
  raw.dashType = 1;
  raw.dash.assign(160, 0);
  const auto put = [&](int at, std::array<uint8_t, 3> v) {
    for (int k = 0; k < 3; ++k) raw.dash[size_t(at + k)] = v[size_t(k)];
  };
  const int lamp0 = DASH_LAMP_OFFSET, lamp1 = DASH_LAMP_OFFSET + DASH_LAMP_BYTES;
  const int lamp11 = DASH_LAMP_OFFSET + 11 * DASH_LAMP_BYTES;
  put(lamp0, {4, 196, 11});
  put(lamp1, {5, 195, 5});
  put(lamp11, {200, 0, 4});
  put(DASH_DISPLAY_BACKGROUND, {100, 128, 20});
  put(DASH_DISPLAY_TEXT, {129, 10, 10});
  const auto at = [](const VehicleData& d, int offset) {
    return std::array<uint8_t, 3>{d.dash[offset], d.dash[offset + 1], d.dash[offset + 2]};
  };
  using A = std::array<uint8_t, 3>;
  for (const int type : {1, 3}) {
    SCOPED_TRACE(type == 1 ? "version 251, analog" : "version 251, formula");
    raw.dashType = type;
    ReadVehicle v;
    Read(v, raw, 251, 6);
    EXPECT_EQ(at(v.data, lamp0), (A{5, 195, 10}));
    EXPECT_EQ(at(v.data, lamp1), (A{5, 195, 5}));
    EXPECT_EQ(at(v.data, lamp11), (A{195, 5, 5}));
    EXPECT_EQ(at(v.data, DASH_DISPLAY_BACKGROUND), (A{100, 128, 20})) << "doubled only below revision 6";
  }
  for (const int type : {1, 2}) {
    SCOPED_TRACE(type == 1 ? "revision 5, dark" : "revision 5, white");
    raw.dashType = type;
    ReadVehicle v;
    Read(v, raw, 252, 5);
    EXPECT_EQ(at(v.data, lamp0), (A{4, 196, 11})) << "a file of 252 keeps its lamps";
    EXPECT_EQ(at(v.data, DASH_DISPLAY_BACKGROUND), (A{200, 255, 40}));
    EXPECT_EQ(at(v.data, DASH_DISPLAY_TEXT), (A{129, 10, 10})) << "a channel above 128 keeps the colour";
  }
}

TEST_F(OldVehicleFile, DefaultColoursForFilesBefore252WithoutThem) {
  RawVehicle raw;
  raw.options2 = 0;
  raw.colours[0] = 0xFF906030;
  ReadVehicle v;
  Read(v, raw, 251, 6);
  EXPECT_EQ(v.data.colours[0], 0x906030u);
  EXPECT_EQ(v.data.colours[2], 0x604020u);
  EXPECT_EQ(v.data.colours[5], 0x1428F0u);
  EXPECT_TRUE(v.data.options2 & OPT2_DEFAULT_COLOURS);
  // With the bit the file's colours stand.
  raw.options2 = OPT2_DEFAULT_COLOURS;
  ReadVehicle kept;
  Read(kept, raw, 251, 6);
  EXPECT_EQ(kept.data.colours[0], 0xFF906030u);
}

TEST_F(OldVehicleFile, BackSeatsFollowTheDriver) {
  struct Case {
    float x;
    int seats;
    float lateral;
  };
  // 0.2 m off the centre line is a side seat, 0.35 m the third seat.
  const Case cases[] = {{-0.1f, 1, -0.1f}, {0.19f, 1, 0.19f}, {0.2f, 2, 0.2f},
                        {-0.3f, 2, 0.3f},  {0.34f, 2, 0.34f}, {0.35f, 3, 0.35f}};
  for (const Case& c : cases) {
    RawVehicle raw;
    raw.options |= OPT1_BACK_SEAT;
    raw.driverPosition.x = c.x;
    ReadVehicle v;
    Read(v, raw, 252, 6);
    EXPECT_EQ(v.data.seatsPerRow, c.seats) << c.x;
    EXPECT_FLOAT_EQ(v.data.backSeatLateral, c.lateral);
    EXPECT_FLOAT_EQ(v.data.backSeatForward, -0.8f);
  }
}

}  // namespace
