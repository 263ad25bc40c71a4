// vehicle_build_test.cpp - what reading a vehicle settles for the car built from it: the
// dashboard's defaults by type and class, the settling of older dashboards and the type older
// files take from their model's pages, the set-up and colours chosen (a file that stores none
// included), and the class defaults of a new set-up.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/vehicle_data/vehicle_test_util.h"
#include "vehicle_data/dashboard.h"

namespace {

std::vector<uint8_t> Slice(const uint8_t* block, int at, int count) { return {block + at, block + at + count}; }
using B = std::vector<uint8_t>;

}  // namespace

class VehicleBuild : public VehicleTest {};

TEST_F(VehicleBuild, DashboardDefaultsStandAtTheirOffsetsByTypeAndClass) {
  VehicleData d;
  InitVehicleData(d);
  d.dashType = 1;
  d.vehicleClass = CLASS_SALOON;
  std::memset(d.dash, 0xEE, DASH_BLOCK_SIZE);
  d.SetDashDefaults();
  EXPECT_EQ(Slice(d.dash, DASH_DIALS, 8), (B{150, 50, 48, 48, 68, 0, 0, 0})) << "the speedometer at byte 80";
  EXPECT_EQ(Slice(d.dash, 0, 4), (B{0x00, 0x20, 0, 0})) << "flags 0x2000";
  EXPECT_EQ(Slice(d.dash, 8, 8), (B{120, 40, 40, 0, 255, 120, 120, 0}));
  EXPECT_EQ(Slice(d.dash, 16, 4), (B{60, 34, 5, 0})) << "the shift light";
  EXPECT_EQ(Slice(d.dash, 16 + 4 * 11, 4), (B{100, 74, 5, 0})) << "engine damage";
  EXPECT_EQ(Slice(d.dash, 16 + 4 * 1, 4), (B{145, 34, 5, 0})) << "full beam of another class";
  EXPECT_EQ(Slice(d.dash, 64, 16), (B{68, 58, 20, 30, 0, 0, 0, 0, 48, 40, 16, 24, 165, 25, 20, 30}));
  EXPECT_EQ(Slice(d.dash, 136, 5), (B{25, 192, 24, 12, 56})) << "oil pressure, the last dial";
  EXPECT_EQ(Slice(d.dash, 144, 16), (B{200, 200, 200, 0, 0, 0, 0, 0, 48, 48, 255, 0, 200, 40, 40, 0}));

  // Type 2: the white backing instead of the text colour; the lamps move for class 5, class
  // 11 and the traction-control option.
  d.dashType = 2;
  d.vehicleClass = CLASS_GT;
  d.SetDashDefaults();
  EXPECT_EQ(Slice(d.dash, 144, 8), (B{0, 0, 0, 0, 255, 255, 255, 0}));
  EXPECT_EQ(Slice(d.dash, 16 + 4 * 1, 4), (B{140, 20, 5, 0}));
  EXPECT_EQ(Slice(d.dash, 16 + 4 * 7, 4), (B{160, 20, 5, 0})) << "the shared signal";
  d.vehicleClass = CLASS_FSAE;
  d.SetDashDefaults();
  EXPECT_EQ(Slice(d.dash, 16 + 4 * 3, 4), (B{100, 44, 5, 0})) << "the pit limiter";
  d.lightsAndAids = LIGHTS_AIDS_TRACTION_CONTROL;
  d.SetDashDefaults();
  EXPECT_EQ(Slice(d.dash, 16 + 4 * 4, 4), (B{150, 34, 5, 0})) << "traction control";

  // Type 3: the formula display in 96 bytes, nothing past them.
  d.dashType = 3;
  d.SetDashDefaults();
  EXPECT_EQ(Slice(d.dash, 4, 10), (B{100, 115, 27, 18, 133, 109, 96, 90, 100, 10}));
  EXPECT_EQ(Slice(d.dash, 16, 4), (B{150, 130, 6, 0}));
  EXPECT_EQ(Slice(d.dash, 64, 32), (B{64, 33, 30, 45, 156, 42, 22, 33, 100, 75, 8, 12, 156, 98, 16, 24,
                                      0, 0, 0, 208, 120, 160, 200, 0, 255, 48, 48, 0, 0, 39, 64, 25}));
  EXPECT_EQ(Slice(d.dash, 96, 64), B(64, 0));
  for (int type : {0, 4, 5, 6}) {
    d.dashType = uint8_t(type);
    d.SetDashDefaults();
    EXPECT_EQ(Slice(d.dash, 0, DASH_BLOCK_SIZE), B(DASH_BLOCK_SIZE, 0)) << type;
  }
  FreeVehicleData(d);
}

TEST_F(VehicleBuild, AnalogDefaultsPlaceEveryDialAndLampOfEachRow) {
  VehicleData d;
  InitVehicleData(d);
  d.dashType = 1;
  d.vehicleClass = CLASS_SALOON;
  d.SetDashDefaults();
  // X, Y, start, turn and radius of the eight dials; their last three bytes stay 0.
  const uint8_t dials[8][5] = {{150, 50, 48, 48, 68},  {50, 50, 48, 48, 68},   {175, 125, 48, 48, 35},
                               {25, 125, 18, 72, 35},  {75, 142, 24, 12, 56},  {125, 142, 24, 12, 56},
                               {175, 192, 24, 12, 56}, {25, 192, 24, 12, 56}};
  for (int n = 0; n < 8; ++n) {
    const uint8_t* dial = d.dash + DASH_DIALS + DASH_DIAL_BYTES * n;
    EXPECT_EQ(Slice(dial, 0, 8), (B{dials[n][0], dials[n][1], dials[n][2], dials[n][3], dials[n][4], 0, 0, 0}))
        << "dial " << n;
  }
  // The lamps every row shares: shift, handbrake, left, right, oil pressure, battery, ABS,
  // engine damage.
  const int shared[8][3] = {{0, 60, 34}, {2, 40, 34}, {5, 90, 34},  {6, 110, 34},
                            {8, 50, 34}, {9, 100, 54}, {10, 100, 64}, {11, 100, 74}};
  // Full beam, pit limiter, traction control and the shared signal by row: traction control,
  // class 5, class 11, any other.
  const uint8_t rows[4][4][2] = {{{140, 34}, {100, 34}, {150, 34}, {160, 34}},
                                 {{140, 20}, {150, 20}, {170, 34}, {160, 20}},
                                 {{145, 20}, {100, 44}, {100, 34}, {155, 20}},
                                 {{145, 34}, {100, 44}, {100, 34}, {155, 34}}};
  const int moving[4] = {1, 3, 4, 7};
  struct Case {
    int vehicleClass, aids, row;
  } cases[] = {{CLASS_GT, LIGHTS_AIDS_TRACTION_CONTROL, 0},
               {CLASS_GT, 0, 1},
               {CLASS_FSAE, 0, 2},
               {CLASS_SALOON, 0, 3}};
  for (const Case& c : cases) {
    d.vehicleClass = uint8_t(c.vehicleClass);
    d.lightsAndAids = c.aids;
    d.SetDashDefaults();
    for (const auto& lamp : shared)
      EXPECT_EQ(Slice(d.dash, DASH_LAMP_OFFSET + DASH_LAMP_BYTES * lamp[0], 4),
                (B{uint8_t(lamp[1]), uint8_t(lamp[2]), 5, 0}))
          << "row " << c.row << ", lamp " << lamp[0];
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(Slice(d.dash, DASH_LAMP_OFFSET + DASH_LAMP_BYTES * moving[i], 4),
                (B{rows[c.row][i][0], rows[c.row][i][1], 5, 0}))
          << "row " << c.row << ", lamp " << moving[i];
  }
  // The formula display's twelve lamps, in lamp order, all of size 6.
  d.dashType = 3;
  d.SetDashDefaults();
  const uint8_t formula[12][2] = {{150, 130}, {140, 140}, {160, 130}, {150, 140}, {170, 130}, {130, 130},
                                  {180, 130}, {160, 140}, {140, 130}, {130, 150}, {140, 150}, {150, 150}};
  for (int lamp = 0; lamp < 12; ++lamp)
    EXPECT_EQ(Slice(d.dash, DASH_LAMP_OFFSET + DASH_LAMP_BYTES * lamp, 4),
              (B{formula[lamp][0], formula[lamp][1], 6, 0}))
        << "formula lamp " << lamp;
  FreeVehicleData(d);
}

TEST_F(VehicleBuild, OlderDashboardsAreClampedBrightenedAndCompleted) {
  RawVehicle raw;
  raw.dashType = 1;
  raw.dash.assign(DASH_BLOCK_SIZE, 0);
  raw.dash[16] = 2;  // the shift light's X
  raw.dash[17] = 250;
  raw.dash[18] = 30;
  raw.dash[8] = 100, raw.dash[9] = 20, raw.dash[10] = 128;      // a dark display background
  raw.dash[12] = 129, raw.dash[13] = 10, raw.dash[14] = 10;     // not dark: one channel above 128
  raw.dash[156] = 9;                                             // a needle colour that is there
  ReadVehicle v;
  ReadBodyInto(v, raw.Encode(251, 5), 251);
  ASSERT_EQ(v.result, 1);
  const uint8_t* dash = v.data.dash;
  EXPECT_EQ(Slice(dash, 16, 3), (B{5, 195, 10})) << "lamps held to 5..195 and 5..10";
  EXPECT_EQ(Slice(dash, 16 + 4, 3), (B{5, 5, 5}));
  EXPECT_EQ(Slice(dash, 8, 3), (B{200, 40, 255})) << "doubled, capped at 255";
  EXPECT_EQ(Slice(dash, 12, 3), (B{129, 10, 10}));
  EXPECT_EQ(Slice(dash, 144, 4), (B{200, 200, 200, 0})) << "a missing colour takes its default";
  EXPECT_EQ(dash[156], 9);
  EXPECT_EQ(Slice(dash, 76, 4), (B{165, 25, 20, 30})) << "the word older revisions put at 76";

  // The current version keeps its block as stored; a short block takes the defaults it lacks.
  ReadVehicle current;
  raw.dash.assign(100, 1);
  ReadBodyInto(current, raw.Encode(252, 6), 252);
  ASSERT_EQ(current.result, 1);
  EXPECT_EQ(Slice(current.data.dash, 16, 3), (B{1, 1, 1}));
  EXPECT_EQ(Slice(current.data.dash, 104, 5), (B{25, 125, 18, 72, 35})) << "the clock dial";
  DashSizeMode = 2;
  ReadVehicle kept;
  ReadBodyInto(kept, raw.Encode(252, 6), 252);
  DashSizeMode = 0;
  EXPECT_EQ(kept.data.dash[104], 0) << "mode 2 keeps the block as stored";
  // Type 3 shorter than 92 bytes; type 3 of 92 bytes is complete enough.
  raw.dashType = 3;
  raw.dash.assign(60, 1);
  ReadVehicle formula;
  ReadBodyInto(formula, raw.Encode(252, 6), 252);
  EXPECT_EQ(Slice(formula.data.dash, 56, 12), (B{1, 1, 1, 1, 150, 150, 6, 0, 64, 33, 30, 45}));
  raw.dash.assign(92, 1);
  ReadVehicle ninetyTwo;
  ReadBodyInto(ninetyTwo, raw.Encode(252, 6), 252);
  EXPECT_EQ(Slice(ninetyTwo.data.dash, 92, 4), B(4, 0));
  // No block stored: the defaults of the type.
  raw.dashType = 2;
  raw.dash.clear();
  ReadVehicle none;
  ReadBodyInto(none, raw.Encode(252, 6), 252);
  EXPECT_EQ(Slice(none.data.dash, 148, 4), (B{255, 255, 255, 0}));
}

TEST_F(VehicleBuild, FilesBefore251TakeTheirDashboardFromTheModelsPages) {
  RawVehicle raw;
  raw.dashType = 0;
  raw.dash.assign(20, 7);
  raw.dashByte = 3;
  raw.model.pages = {{0, "body"}, {0, "S_CLOCK_FORMULA"}, {0, "glass"}, {0, "s_clock_white"}, {0, "s_clock_whitex"}};
  ReadVehicle v;
  ReadBodyInto(v, raw.Encode(250, 6), 250);
  ASSERT_EQ(v.result, 1);
  EXPECT_EQ(v.data.dashType, 2) << "the last page that names a type";
  EXPECT_EQ(v.data.dashSize, 0);
  EXPECT_EQ(v.data.dashByte, 0);
  EXPECT_EQ(Slice(v.data.dash, DASH_DIALS, 5), (B{150, 50, 48, 48, 68}));

  raw.model.pages = {{0, "body"}};
  ReadVehicle plain;
  ReadBodyInto(plain, raw.Encode(250, 6), 250);
  EXPECT_EQ(plain.data.dashType, 0);
  EXPECT_EQ(Slice(plain.data.dash, 0, DASH_BLOCK_SIZE), B(DASH_BLOCK_SIZE, 0)) << "no type, an empty block";
  // A file of a later version keeps its type 0 whatever its pages say.
  raw.model.pages = {{0, "s_clock"}};
  ReadVehicle later;
  ReadBodyInto(later, raw.Encode(251, 6), 251);
  EXPECT_EQ(later.data.dashType, 0);
  EXPECT_EQ(later.data.dashSize, 20);
  ModelObject pages{};
  pages.Init();
  EXPECT_EQ(DashTypeFromPages(pages), 0);
  pages.Free();
}

TEST_F(VehicleBuild, AFileWithoutSetUpsOrColoursGivesNewOnes) {
  RawVehicle raw;
  raw.vehicleClass = CLASS_GT;
  raw.driveType = DRIVE_REAR;
  raw.setups.clear();
  raw.colourConfigs.clear();
  for (int index : {0, 3}) {
    SCOPED_TRACE(index);
    lines.clear();
    sounds.clear();
    ReadVehicle v;
    const std::vector<uint8_t> image = VehicleImage(raw.Encode(252, 6), 252);
    DataFile file;
    int32_t version = 0;
    ASSERT_EQ(file.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), VEHICLE_FILE_MAGIC, &version, 252), 1);
    const VehicleChoice choice{1, 0, index, nullptr, index, nullptr};
    ASSERT_EQ(ReadVehicleData(v.data, file, version, "Test", choice), 1);
    file.Close();
    EXPECT_EQ(v.data.setupCount, 0);
    EXPECT_EQ(v.data.colourConfigCount, 0);
    EXPECT_EQ(SetupWord(v.data.currentSetup, SETUP_FLAGS), 1u) << "a zeroed set-up with the class defaults";
    EXPECT_EQ(v.data.currentSetup.bytes[SETUP_FRONT_SHARE], 100);
    const ColourSet neutral = DefaultColourConfig();
    EXPECT_EQ(std::memcmp(&v.data.currentColours, &neutral, sizeof neutral), 0);
    EXPECT_EQ(v.data.currentColours.name[0], 0);
    for (const auto& group : v.data.currentColours.groups)
      for (ColourWord c : group)
        for (int shift : {0, 8, 16}) {
          EXPECT_GE(c >> shift & 0xFF, COLOUR_SET_CHANNEL_MIN);
          EXPECT_LE(c >> shift & 0xFF, COLOUR_SET_CHANNEL_MAX);
        }
    EXPECT_EQ(lines, (std::vector<std::string>{"Using default settings", "Using default colour config"}));
    EXPECT_EQ(sounds, (std::vector<int>{4, 4}));
  }
}

TEST_F(VehicleBuild, ANewSetUpTakesItsClassDefaults) {
  VehicleData d;
  InitVehicleData(d);
  const auto fresh = [&](int vehicleClass, int drive, uint8_t byte3 = 0) {
    d.vehicleClass = uint8_t(vehicleClass);
    d.driveType = uint8_t(drive);
    SetupRecord r{};
    r.bytes[SETUP_CLASS_BYTE] = byte3;
    d.ApplyClassSetupDefaults(r);
    EXPECT_EQ(r.bytes[0] & 1, 1);
    return r;
  };
  EXPECT_EQ(fresh(CLASS_TOURING_CAR, DRIVE_REAR).bytes[SETUP_FRONT_SHARE], 50);
  EXPECT_EQ(fresh(CLASS_SALOON, DRIVE_FRONT).bytes[SETUP_FRONT_SHARE], 50);
  EXPECT_EQ(fresh(CLASS_GT, DRIVE_REAR).bytes[SETUP_FRONT_SHARE], 100);
  EXPECT_EQ(fresh(CLASS_GT, DRIVE_FOUR).bytes[SETUP_FRONT_SHARE], 50);
  EXPECT_EQ(fresh(CLASS_GT, DRIVE_NONE).bytes[SETUP_FRONT_SHARE], 0);
  EXPECT_EQ(fresh(CLASS_FORMULA, DRIVE_REAR).bytes[SETUP_CLASS_BYTE], 1);
  EXPECT_EQ(fresh(CLASS_FSAE, DRIVE_REAR, 3).bytes[SETUP_CLASS_BYTE], 3) << "only a zero byte is set";
  EXPECT_EQ(fresh(CLASS_F1, DRIVE_REAR).bytes[SETUP_CLASS_BYTE], 2);
  EXPECT_EQ(fresh(CLASS_KART, DRIVE_REAR).bytes[SETUP_KART_BYTE], 1);
  const SetupRecord van = fresh(CLASS_VAN, DRIVE_REAR);
  for (int i = 1; i < SETUP_RECORD_SIZE; ++i) EXPECT_EQ(van.bytes[i], 0) << i;
  FreeVehicleData(d);
}

// The wheel sets' figures (width, aspect, rim radius and width, offset, track) and the
// transmission go to each configuration the vehicle has, and to none past them.
TEST_F(VehicleBuild, TheWheelFiguresGoToEachConfigurationAndNoOther) {
  VehicleData d;
  InitVehicleData(d);
  d.configCount = 2;
  d.transmissionType = TRANSMISSION_SEQUENTIAL;
  const float figures[2][6] = {{0.205f, 0.55f, 0.19f, 0.18f, 0.04f, 1.45f}, {0.245f, 0.4f, 0.23f, 0.22f, 0.05f, 1.5f}};
  for (int s = 0; s < 2; ++s) {
    SuspensionBlock& set = d.wheelSets[s];
    set.sectionWidth = figures[s][0];
    set.aspectRatio = figures[s][1];
    set.rimRadius = figures[s][2];
    set.rimWidth = figures[s][3];
    set.wheelOffset = figures[s][4];
    set.trackWidth = figures[s][5];
  }
  for (VehicleConfig& c : d.configs) {
    c.transmissionType = 0;
    for (auto& set : c.wheels)
      for (float& v : set) v = -1.0f;
  }
  d.CopyWheelsToConfigs();
  for (int i = 0; i < VEHICLE_MAX_CONFIGS; ++i) {
    const bool held = i < 2;
    EXPECT_EQ(d.configs[i].transmissionType, held ? TRANSMISSION_SEQUENTIAL : 0) << i;
    for (int s = 0; s < 2; ++s)
      for (int k = 0; k < 6; ++k) EXPECT_EQ(d.configs[i].wheels[s][k], held ? figures[s][k] : -1.0f) << i << s << k;
  }
  FreeVehicleData(d);
}

// A count past the four configurations kept (a damaged count in memory) fills the four and
// writes nothing beyond them: the positions that follow them keep their values.
TEST_F(VehicleBuild, ACountPastTheKeptConfigurationsFillsOnlyTheFour) {
  VehicleData d;
  InitVehicleData(d);
  d.configCount = VEHICLE_MAX_CONFIGS + 2;
  d.transmissionType = TRANSMISSION_SEQUENTIAL;
  for (SuspensionBlock& set : d.wheelSets) set.sectionWidth = set.aspectRatio = set.trackWidth = 0.5f;
  d.enginePosition = {0.1f, 0.2f, 0.3f};
  d.driverPosition = {-0.4f, 0.5f, 0.6f};
  d.backSeatLateral = 0.7f;
  d.mainBatteryPosition = {0.8f, 0.9f, 1.1f};
  d.smallBatteryPosition = {1.2f, 1.3f, 1.4f};
  d.smallBatteryMass = 12.0f;
  d.CopyWheelsToConfigs();
  for (int i = 0; i < VEHICLE_MAX_CONFIGS; ++i) {
    EXPECT_EQ(d.configs[i].transmissionType, TRANSMISSION_SEQUENTIAL) << i;
    EXPECT_EQ(d.configs[i].wheels[1][5], 0.5f) << i;
  }
  EXPECT_EQ(d.enginePosition.z, 0.3f);
  EXPECT_EQ(d.driverPosition.x, -0.4f);
  EXPECT_EQ(d.driverPosition.y, 0.5f);
  EXPECT_EQ(d.driverPosition.z, 0.6f);
  EXPECT_EQ(d.backSeatLateral, 0.7f);
  EXPECT_EQ(d.mainBatteryPosition.x, 0.8f);
  EXPECT_EQ(d.smallBatteryPosition.z, 1.4f);
  EXPECT_EQ(d.smallBatteryMass, 12.0f);
  FreeVehicleData(d);
}

// Freeing a vehicle's data leaves nothing behind: no model (nor the marks that it has one), no
// rim, no frame.
TEST_F(VehicleBuild, FreedDataHoldsNoModelRimOrFrame) {
  VehicleData d;
  InitVehicleData(d);
  d.model = new ModelObject{};
  d.model->Init();
  d.ownsModel = 1;
  d.modelPresent = 1;
  d.rim = new WXS;
  d.rim->MakeDefault("M1_rim", 0x808080);
  d.framePoints = static_cast<FramePoint*>(std::calloc(2, sizeof(FramePoint)));
  d.framePointCount = 2;
  FreeVehicleData(d);
  EXPECT_EQ(d.model, nullptr);
  EXPECT_EQ(d.ownsModel, 0);
  EXPECT_EQ(d.modelPresent, 0);
  EXPECT_EQ(d.rim, nullptr);
  EXPECT_EQ(d.framePoints, nullptr);
  EXPECT_EQ(d.framePointCount, 0);
}

// A vehicle whose model file is missing gets no model, and the line names the file looked for.
TEST_F(VehicleBuild, AMissingModelFileIsNamedInItsLine) {
  VehicleData d;
  InitVehicleData(d);
  std::snprintf(d.modelCode, sizeof d.modelCode, "%s", "QZ");
  EXPECT_EQ(LoadVehicleModel(d), nullptr);
  ASSERT_EQ(lines.size(), 1u);
  const std::string line = lines[0];
  EXPECT_EQ(line.rfind("File is obsolete : ^L", 0), 0u) << line;
  EXPECT_NE(line.find("QZ.vob"), std::string::npos) << line;
  FreeVehicleData(d);
}
