// car_info_file_test.cpp - the car info file parsed back by its field table: its length, the
// named fields in their places, the wheel blocks' order, the same bytes for the same car, and
// a file that cannot be created.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "core/report.h"
#include "text/text_colours.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "vehicle/car_info_file.h"

namespace {

constexpr int ROAD_CAR = 0;  // a saloon with a front passenger seat and three back seats

// The body's fields in order, by name and size; "-" marks zero fill.
struct Field {
  const char* name;
  int size;
};
const Field BODY[] = {
    {"code", 4},       {"occupants", 1},  {"-", 3},           {"orientation", 36}, {"reference", 12},
    {"centre", 12},    {"centreRel", 12}, {"tankRel", 12},    {"-", 28},           {"aero", 80},
    {"inertia", 36},   {"-", 12},         {"power", 4},       {"powerRpm", 4},     {"torque", 4},
    {"torqueRpm", 4},  {"engineInertia", 4}, {"mass", 4},     {"wheelBase", 4},    {"frontShare", 4},
    {"gears", 1},      {"drive", 1},      {"-", 2},           {"field15", 4},      {"efficiency", 4},
    {"-", 4},          {"ratios", 28},    {"finalDrive", 4},  {"-", 12},           {"byte13", 4},
    {"brake", 4},      {"byte14", 4},     {"-", 4},           {"-", 16}};
const Field WHEEL[] = {{"axleByte", 1},  {"-", 3},         {"pressure", 4},   {"airC", 4},       {"mass", 4},
                       {"contact", 12},  {"spin", 4},      {"dims", 16},      {"springs", 12},   {"axleFloat", 4},
                       {"angles", 12},   {"travel", 4},    {"stiffness", 12}, {"-", 4},          {"load", 4},
                       {"deflection", 4}, {"-", 8},        {"-", 16}};

struct Parsed {
  std::vector<uint8_t> bytes;
  std::map<std::string, int> at;  // body field offsets from the start of the file
  int wheelStart = 0;

  explicit Parsed(std::vector<uint8_t> file) : bytes(std::move(file)) {
    int offset = DATA_FILE_HEADER_SIZE;
    for (const Field& f : BODY) {
      if (f.name[0] != '-') at[f.name] = offset;
      offset += f.size;
    }
    wheelStart = offset;
  }
  static int Sum(const Field* fields, int n) {
    int s = 0;
    for (int i = 0; i < n; ++i) s += fields[i].size;
    return s;
  }
  static int WheelOffset(const char* name) {
    int offset = 0;
    for (const Field& f : WHEEL) {
      if (std::strcmp(f.name, name) == 0) return offset;
      offset += f.size;
    }
    return -1;
  }
  uint8_t Byte(int offset) const { return bytes.at(size_t(offset)); }
  uint32_t Word(int offset) const {
    return uint32_t(Byte(offset)) | uint32_t(Byte(offset + 1)) << 8 | uint32_t(Byte(offset + 2)) << 16 |
           uint32_t(Byte(offset + 3)) << 24;
  }
  float F(const char* name, int index = 0) const { return std::bit_cast<float>(Word(at.at(name) + 4 * index)); }
  int32_t I(const char* name, int index = 0) const { return int32_t(Word(at.at(name) + 4 * index)); }
  uint8_t B(const char* name) const { return Byte(at.at(name)); }
  int Wheel(int block, const char* name) const { return wheelStart + block * CAR_INFO_WHEEL_SIZE + WheelOffset(name); }
  float WF(int block, const char* name, int index = 0) const {
    return std::bit_cast<float>(Word(Wheel(block, name) + 4 * index));
  }
  // Every zero-fill field, in the body and in each wheel block, holds zeros.
  bool ZeroFillsAreZero(int wheels) const {
    int offset = DATA_FILE_HEADER_SIZE;
    const auto zeros = [&](const Field* fields, int n) {
      for (int i = 0; i < n; ++i) {
        if (fields[i].name[0] == '-')
          for (int k = 0; k < fields[i].size; ++k)
            if (Byte(offset + k)) return false;
        offset += fields[i].size;
      }
      return true;
    };
    bool ok = zeros(BODY, int(std::size(BODY)));
    for (int w = 0; w < wheels; ++w) ok = zeros(WHEEL, int(std::size(WHEEL))) && ok;
    return ok;
  }
};

std::vector<uint8_t> ReadFile(const char* path) {
  std::string bytes;
  EXPECT_EQ(FileReadAll(path, bytes, 1 << 20), 0) << path;
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

class CarInfo : public ::testing::Test {
 protected:
  static inline std::vector<std::pair<std::string, ReportColour>> lines;
  static inline std::vector<int> sounds;
  ReportSink saved{};
  Car car;
  static constexpr const char* PATH = "data/raf/ZK1_info.bin";

  void SetUp() override {
    SetDefaultTextColours();
    std::filesystem::remove_all("data");
    std::filesystem::create_directories("data/raf");
    lines.clear();
    sounds.clear();
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour colour, int) { lines.emplace_back(text, colour); };
    sink.sound = [](int index) { sounds.push_back(index); };
    saved = InstallReportSink(sink);

    BuildSampleVehicle(ROAD_CAR, car);
    std::memcpy(car.shortCode, "ZK1", 4);
    std::strcpy(car.shortName, "ZK1");
    car.currentSetup = car.setups[0].record;
    car.driverSlot = 0;
    car.SetupFromVehicle(0);
    for (int k = 0; k < 9; ++k) car.orientation[k] = k % 4 == 0 ? 1.0f : 0.0f;
    for (int i = 0; i < car.wheelCount; ++i) car.wheels[i].unsprungMass = 10.0f + float(i);  // tells the wheels apart
  }
  void TearDown() override { InstallReportSink(saved); }

  Parsed Write() {
    EXPECT_EQ(WriteCarInfo(car), 1);
    return Parsed(ReadFile(PATH));
  }
};

TEST_F(CarInfo, TheFileIsTheBodyAndOneBlockPerWheel) {
  EXPECT_EQ(Parsed::Sum(BODY, int(std::size(BODY))), CAR_INFO_BODY_SIZE);
  EXPECT_EQ(Parsed::Sum(WHEEL, int(std::size(WHEEL))), CAR_INFO_WHEEL_SIZE);
  for (int wheels : {4, 3, 0}) {
    car.wheelCount = wheels;
    const Parsed p = Write();
    EXPECT_EQ(p.bytes.size(), size_t(8 + 372 + 128 * wheels)) << wheels;
    EXPECT_EQ(std::memcmp(p.bytes.data(), "ZKT_CI", 6), 0);
    EXPECT_EQ(p.Byte(6), 0);
    EXPECT_EQ(p.Byte(7), 1);
    EXPECT_TRUE(p.ZeroFillsAreZero(wheels));
    EXPECT_TRUE(std::isfinite(p.F("frontShare"))) << "no wheel base is not divided by";
  }
  // The counting pass measures the same.
  car.wheelCount = 4;
  const std::vector<uint8_t> body = MemoryWriteBody([&](DataFile& f) { WriteCarInfoBody(car, f); });
  EXPECT_EQ(body.size(), size_t(372 + 4 * 128));
}

TEST_F(CarInfo, TheNamedFieldsStandInTheirPlaces) {
  car.position = {5 * 65536, -7 * 65536, 65536 / 2};
  car.engine.maxPower = 150000.0f;
  car.engine.maxPowerSpeed = 600.0f;
  car.engine.maxTorque = 300.0f;
  car.engine.maxTorqueSpeed = 400.0f;
  car.currentSetup.bytes[SETUP_FRONT_SHARE] = 55;
  car.currentSetup.bytes[SETUP_BRAKE_BALANCE] = 40;
  SetSetupFloat(car.currentSetup, SETUP_BRAKE_STRENGTH, 1234.5f);
  // The front wing present, the rear wing set up but absent.
  car.aeroItems[1] = AeroItem{};
  car.aeroItems[1].flags = AERO_PRESENT | 2;
  car.aeroItems[1].centre = {0, 2.1f, 0.3f};
  car.aeroItems[1].liftArea = -0.75f;
  car.aeroItems[1].dragArea = 0.25f;
  car.aeroItems[0] = car.aeroItems[1];
  car.aeroItems[0].flags = 0;
  car.aeroItems[2].flags = car.aeroItems[3].flags = 0;  // the set-up's undertray and aero centre left out
  const Parsed p = Write();
  EXPECT_EQ(std::memcmp(&p.bytes[size_t(p.at.at("code"))], "ZK1", 4), 0);
  for (int k = 0; k < 9; ++k) EXPECT_EQ(p.F("orientation", k), car.orientation[k]);
  // The reference point (the sprung-mass centre) and the centre of mass in the world.
  const Vec3 ref = car.centreWithoutWheels;
  EXPECT_EQ(p.I("reference", 0), car.position.x + FixedFromMetres(ref.x));
  EXPECT_EQ(p.I("reference", 2), car.position.z + FixedFromMetres(ref.z));
  EXPECT_EQ(p.I("centre", 1), car.position.y + FixedFromMetres(car.centreOfMass.y));
  EXPECT_EQ(p.F("centreRel", 2), car.centreOfMass.z - ref.z);
  EXPECT_EQ(p.F("tankRel", 1), car.mainBatteryPosition.y - ref.y);
  for (int k = 0; k < 5; ++k) EXPECT_EQ(p.I("aero", k), 0) << "an absent item";
  EXPECT_EQ(p.F("aero", 5 + 1), 2.1f - ref.y);
  EXPECT_EQ(p.F("aero", 5 + 2), 0.3f - ref.z);
  EXPECT_EQ(p.F("aero", 5 + 3), -0.75f);
  EXPECT_EQ(p.F("aero", 5 + 4), 0.25f);
  for (int k = 10; k < 20; ++k) EXPECT_EQ(p.I("aero", k), 0);
  for (int k = 0; k < 9; ++k) EXPECT_EQ(p.F("inertia", k), car.inertia[k]);
  EXPECT_EQ(p.F("power"), 150000.0f);
  EXPECT_NEAR(p.F("powerRpm"), 600.0 * 60 / (2 * 3.14159265358979), 1e-2);
  EXPECT_NEAR(p.F("torqueRpm"), 400.0 * 60 / (2 * 3.14159265358979), 1e-2);
  EXPECT_EQ(p.F("mass"), car.mass);
  // The wheel base and the front axle's share of the weight.
  float rearmost = 0, foremost = 0;
  for (int i = 0; i < car.wheelCount; ++i)
    rearmost = std::min(rearmost, car.wheelPositions[i].y), foremost = std::max(foremost, car.wheelPositions[i].y);
  EXPECT_EQ(p.F("wheelBase"), foremost - rearmost);
  EXPECT_NEAR(p.F("frontShare"), (car.centreOfMass.y - rearmost) / (foremost - rearmost), 1e-5);
  EXPECT_NEAR(p.F("byte13"), 0.55f, 1e-6);
  EXPECT_EQ(p.F("brake"), 1234.5f);
  EXPECT_NEAR(p.F("byte14"), 0.4f, 1e-6);
  car.options2 |= OPT2_INFO_NO_SETUP_BYTE;
  EXPECT_EQ(Write().F("byte14"), 0.0f);
  // Every wheel level with the origin along the car: a wheel base of 0, the share taken over
  // 0.01 m.
  for (int i = 0; i < car.wheelCount; ++i) car.wheelPositions[i].y = 0.0f;
  const Parsed level = Write();
  EXPECT_EQ(level.F("wheelBase"), 0.0f);
  const double share = 1.0 - (0.0 - car.centreOfMass.y) / 0.01;
  EXPECT_NEAR(level.F("frontShare"), share, 1e-4 * (1.0 + std::fabs(share)));
}

TEST_F(CarInfo, OccupantsFromTheDriverAndTheSeatsTheSetUpFills) {
  ASSERT_TRUE(car.options & OPT1_FRONT_PASSENGER);
  ASSERT_TRUE(car.options & OPT1_BACK_SEAT);
  car.driverPosition.x = -0.4f;
  uint8_t& seated = car.currentSetup.bytes[SETUP_PASSENGERS];
  const std::pair<int, int> cases[] = {{0x00, 1}, {0x01, 3}, {0x02, 3}, {0x04, 5}, {0x30, 9}, {0x80, 17}, {0xFF, 31}};
  for (auto [bits, expected] : cases) {
    seated = uint8_t(bits);
    EXPECT_EQ(Write().B("occupants"), expected) << bits;
  }
  // A driver near the centre leaves no front seat; a car without back seats none there.
  car.driverPosition.x = 0.1f;
  EXPECT_EQ(Write().B("occupants"), 29);
  car.options &= ~OPT1_BACK_SEAT;
  EXPECT_EQ(Write().B("occupants"), 1);
  // No driver: 0 whatever the set-up says.
  car.driverSlot = -1;
  EXPECT_EQ(Write().B("occupants"), 0);
}

TEST_F(CarInfo, GearsDriveTypeAndTheFourWheelDriveFigure) {
  const float ratios[Car::GEAR_SLOTS] = {-3.5f, 0.0f, 3.2f, 2.1f, 1.5f, 1.2f, 1.0f, 0.8f, 0.7f};
  std::copy(ratios, ratios + Car::GEAR_SLOTS, car.gearRatios);
  car.finalDrive = 4.1f;
  car.drivetrainEfficiency = 0.85f;
  car.gearPositions = 3;  // reverse, neutral, first
  car.driveType = DRIVE_REAR;
  car.currentSetup.bytes[SETUP_FRONT_SHARE] = 40;
  Parsed p = Write();
  EXPECT_EQ(p.B("gears"), 1);
  EXPECT_EQ(p.B("drive"), DRIVE_REAR);
  EXPECT_EQ(p.F("field15"), 0.0f) << "not four wheel drive";
  EXPECT_EQ(p.F("efficiency"), 0.85f);
  EXPECT_EQ(p.F("ratios", 0), -3.5f);
  EXPECT_EQ(p.F("ratios", 1), 3.2f);
  for (int k = 2; k < 7; ++k) EXPECT_EQ(p.F("ratios", k), 0.0f) << k;
  EXPECT_EQ(p.F("finalDrive"), 4.1f);

  for (const int positions : {2, 1, 0}) {  // no forward gear: none written, never below 0
    car.gearPositions = uint8_t(positions);
    const Parsed few = Write();
    EXPECT_EQ(few.B("gears"), 0) << positions;
    EXPECT_EQ(few.F("ratios", 0), positions > 0 ? -3.5f : 0.0f) << "reverse only with a gear slot: " << positions;
    EXPECT_EQ(few.F("ratios", 1), 0.0f) << positions;
  }

  car.gearPositions = 9;
  car.driveType = DRIVE_FOUR;
  p = Write();
  EXPECT_EQ(p.B("gears"), 7);
  EXPECT_EQ(p.B("drive"), DRIVE_FOUR);
  EXPECT_NEAR(p.F("field15"), 0.8f, 1e-6) << "twice the front share";
  for (int k = 1; k < 7; ++k) EXPECT_EQ(p.F("ratios", k), ratios[k + 1]) << "slots 2 to 7";
}

TEST_F(CarInfo, WheelBlocksRearFirstLeftBeforeRightWithTheirFigures) {
  ASSERT_EQ(car.wheelCount, 4);
  // The order the blocks must take: by axle (0 the rear), the right-hand wheels last.
  std::vector<int> order;
  for (int axle = 0; axle < 2; ++axle)
    for (int right = 0; right < 2; ++right)
      for (int i = 0; i < 4; ++i)
        if (car.wheels[i].wheelSet == axle && (car.wheels[i].side == 1.0f) == (right == 1)) order.push_back(i);
  ASSERT_EQ(order.size(), 4u);
  EXPECT_EQ(car.wheels[order[0]].wheelSet, 0);
  EXPECT_EQ(car.wheels[order[3]].wheelSet, 1);

  car.currentSetup.bytes[SETUP_AXLE[0] + AXLE_TYRE_TYPE] = 11;
  car.currentSetup.bytes[SETUP_AXLE[1] + AXLE_TYRE_TYPE] = 22;
  for (int i = 0; i < 4; ++i) {
    car.wheels[i].airMass = 0.05f;
    car.wheels[i].airHeat = 0.05f * 1005.0f * (273.15f + 20.0f + float(i));
    car.wheels[i].spinAxis = {1, 0, 0};
    car.wheels[i].uprightAxis = {0, 0, 1};
  }
  car.wheels[order[1]].airMass = 0;  // no air: no temperature
  const Parsed p = Write();
  for (int block = 0; block < 4; ++block) {
    SCOPED_TRACE(block);
    const int i = order[size_t(block)];
    const int axle = car.wheels[i].wheelSet;
    EXPECT_EQ(p.WF(block, "mass"), 10.0f + float(i));
    EXPECT_EQ(p.Byte(p.Wheel(block, "axleByte")), axle ? 22 : 11);
    EXPECT_EQ(p.WF(block, "axleFloat"), SetupFloat(car.currentSetup, SETUP_AXLE[axle] + AXLE_ANTI_ROLL));
    if (block == 1) EXPECT_EQ(p.WF(block, "airC"), 0.0f);
    else EXPECT_NEAR(p.WF(block, "airC"), 20.0f + float(i), 1e-3) << "the air temperature from the heat";
    const SuspensionBlock& set = car.wheelSets[axle];
    EXPECT_EQ(p.WF(block, "dims", 0), set.sectionWidth);
    EXPECT_EQ(p.WF(block, "dims", 3), set.rimWidth);
    EXPECT_EQ(p.WF(block, "contact", 1), car.wheelPositions[i].y - car.centreWithoutWheels.y);
    EXPECT_EQ(p.WF(block, "angles", 0), 0.0f);
  }
  // The rear wheels leaning out at the top: positive camber on either side.
  for (int block : {0, 1}) {
    CarWheel& w = car.wheels[order[size_t(block)]];
    w.spinAxis = {std::cos(0.05f), 0, -w.side * std::sin(0.05f)};
    w.uprightAxis = {0.1f, -0.2f, 1.0f};
  }
  const Parsed tilted = Write();
  for (int block : {0, 1}) {
    EXPECT_NEAR(tilted.WF(block, "angles", 0), 0.05f, 1e-6) << block;
    EXPECT_NEAR(tilted.WF(block, "angles", 1), std::atan2(0.2f, 1.0f), 1e-6);
    EXPECT_NEAR(tilted.WF(block, "angles", 2), std::atan2(0.1f, 1.0f), 1e-6);
  }
}

// A spin axis read from a vehicle file a hair longer than a unit still gives a camber angle:
// its lean held to straight up, a quarter turn (pi / 2 = 1.5707964 rad), not a number that
// is none.
TEST_F(CarInfo, ASpinAxisPastUnitLengthGivesAQuarterTurnOfCamber) {
  for (int i = 0; i < car.wheelCount; ++i) {
    car.wheels[i].spinAxis = {0, 0, -car.wheels[i].side * 1.001f};
    car.wheels[i].uprightAxis = {0, 0, 1};
  }
  const Parsed p = Write();
  for (int block = 0; block < car.wheelCount; ++block)
    EXPECT_NEAR(p.WF(block, "angles", 0), 1.5707964f, 1e-6) << block;
}

// A car without wheels writes a wheel base of 1 m (and the front share over it); a wheel
// naming an axle past the car's two is written with the front axle; a wheel on the centre line
// (side 0) is not one on the right: it comes before the right-hand wheel of its axle.  Each
// block is told by its unsprung mass, 10 + the wheel's index.
TEST_F(CarInfo, NoWheelsAnAxlePastTheTwoAndAWheelOnTheCentreLine) {
  ASSERT_EQ(car.wheelCount, 4);
  int rear[2] = {-1, -1}, front = -1;
  for (int i = 0; i < 4; ++i) {
    if (car.wheels[i].wheelSet == 0) (rear[0] < 0 ? rear[0] : rear[1]) = i;
    else if (front < 0) front = i;
  }
  ASSERT_GE(rear[1], 0);
  ASSERT_GE(front, 0);
  // The rear wheel of the lower index on the right, the other on the centre line: the centre
  // one is written first.
  car.wheels[rear[0]].side = 1.0f;
  car.wheels[rear[1]].side = 0.0f;
  car.wheels[front].wheelSet = 7;
  const Parsed p = Write();
  EXPECT_EQ(p.bytes.size(), size_t(8 + 372 + 128 * 4)) << "every wheel written";
  EXPECT_EQ(p.WF(0, "mass"), 10.0f + float(rear[1])) << "the centre-line wheel first";
  EXPECT_EQ(p.WF(1, "mass"), 10.0f + float(rear[0]));
  bool frontWritten = false;
  for (int block = 2; block < 4; ++block) frontWritten = frontWritten || p.WF(block, "mass") == 10.0f + float(front);
  EXPECT_TRUE(frontWritten) << "axle 7 written with the front";
  car.wheelCount = 0;
  EXPECT_EQ(Write().F("wheelBase"), 1.0f);
}

TEST_F(CarInfo, TheSameCarWrittenTwiceGivesTheSameBytes) {
  const std::vector<uint8_t> first = Write().bytes;
  const std::vector<uint8_t> second = Write().bytes;
  EXPECT_EQ(first, second);
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(sounds.empty());
}

TEST_F(CarInfo, AFileThatCannotBeCreatedIsReportedWithTheRefusalSound) {
  std::filesystem::remove_all("data/raf");
  EXPECT_EQ(WriteCarInfo(car), 0);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].first, "Could not create file : ^Ldata/raf/ZK1_info.bin^8 : No such file or directory");
  EXPECT_EQ(lines[0].second, REPORT_ERROR);
  EXPECT_EQ(sounds, std::vector<int>{4});
  EXPECT_FALSE(std::filesystem::exists("data/raf"));

  // A short name that could leave the folder is refused the same way.
  std::filesystem::create_directories("data/raf");
  std::strcpy(car.shortName, "..");
  EXPECT_EQ(WriteCarInfo(car), 0);
  EXPECT_EQ(sounds.size(), 2u);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].first, "Could not write file : ^Ldata/raf/.._info.bin^8 : Invalid argument");
}

}  // namespace
