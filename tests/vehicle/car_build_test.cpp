// car_build_test.cpp - whole cars built from the sample vehicles the build wrote into the
// working folder: from the data folder, a mod folder and the edit history's copy, each with
// its set-up and colours, engine, model, dashboard, frame masses and figures; the driver's
// and passengers' animations from our human models, with their fallbacks; and the engine a
// player chose.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bone/bone.h"
#include "core/config.h"
#include "core/data_file.h"
#include "core/report.h"
#include "platform/files.h"
#include "render/humans.h"
#include "skeleton/human_system.h"
#include "text/text_colours.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "vehicle/car_animations.h"
#include "vehicle/car_drawing.h"
#include "vehicle/car_load.h"
#include "vehicle/car_people.h"
#include "vehicle_data/engine_file.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_data/vehicle_file.h"

namespace {

constexpr int ROAD_CAR = 0;  // "Runabout": a saloon with a front passenger seat and three back seats
constexpr int SALOON = 8;    // "Saloon": the road car's body and seats, its own animations
constexpr float DEFAULT_SIZE = 2000.0f;
constexpr float SAMPLE_SIZE = 1190.0f;  // the sample road car's own engine

std::filesystem::path Work() {
  const char* work = std::getenv("ZKT_WORK_DIR");
  return work ? work : "work";
}

// The sample the build wrote for a table row, copied to path.
void CopySample(int row, const std::filesystem::path& path) {
  const std::filesystem::path from = Work() / "data" / "veh" / (std::string(BuiltinVehicleTable[row].name) + ".veh");
  std::filesystem::create_directories(path.parent_path());
  std::filesystem::copy_file(from, path, std::filesystem::copy_options::overwrite_existing);
}

// The sample's body, as the edit history keeps it.
std::vector<uint8_t> SampleVehicleBody(int row) {
  std::string bytes;
  const std::string path = (Work() / "data" / "veh" / (std::string(BuiltinVehicleTable[row].name) + ".veh")).string();
  EXPECT_EQ(FileReadAll(path.c_str(), bytes, 1 << 24), 0);
  return std::vector<uint8_t>(bytes.begin() + DATA_FILE_HEADER_SIZE, bytes.end());
}

// An engine of a size with the saloon class's figures.
void WriteEngine(const char* path, float size) {
  EngineModel e{};
  e.Reset();
  e.engineSize = size;
  const VehicleClass& c = VehicleClassRow(CLASS_SALOON);
  e.torquePerCc = c.torquePerCc;
  e.spreadMul = e.camTiming = c.spreadFactor;
  e.resistanceMul = c.resistanceMul;
  e.inertiaMul = c.inertiaMul;
  e.idleSpeed = c.idleSpeed;
  e.redline = 733.0f;
  e.soundParams[0] = size;  // a vehicle's engine file gives only its sound: this tells which was read
  ASSERT_EQ(WriteEngineFile(e, path, nullptr, 0), 1) << path;
  e.FreeWaves();
}

int RigSolids() { return Humans.skeletons[0].SolidCount(); }

// A steering or sitting animation of frames frames over our skeleton, each transform's
// position x holding its frame and solid.
void WriteTestAnimation(const char* path, int frames, float scale) {
  Animation a;
  a.scale = scale;
  a.frameCount = uint16_t(frames);
  a.frames = new AnimationFrame[size_t(frames)]();
  for (int f = 0; f < frames; ++f) {
    a.frames[f].transforms = new FixedTransform[size_t(RigSolids())]();
    for (int s = 0; s < RigSolids(); ++s) a.frames[f].transforms[s].translation.x = 1000 * f + s;
  }
  ASSERT_EQ(WriteAnimationFile(a, path, nullptr, RigSolids()), 1) << path;
  a.Free();
}

// Our figures from the human system file the build wrote; kinds as written (the driver of kind
// 0, the co-driver of kind 1) unless kindOne is false (then no figure is of kind 1).
void LoadSampleHumans(bool kindOne = true) {
  FreeHumans();
  std::filesystem::create_directories("data/hmn");
  std::filesystem::copy_file(Work() / "data" / "hmn" / "hmn.hmn", "data/hmn/hmn.hmn",
                             std::filesystem::copy_options::overwrite_existing);
  ASSERT_EQ(LoadHumanSystem(), 1);
  ASSERT_GE(Humans.modelCount, 2);
  ASSERT_EQ(HumanKind(Humans.models[1]), 1);
  if (!kindOne)
    for (int i = 0; i < Humans.modelCount; ++i) Humans.models[i].flags &= ~HUMAN_MODEL_KIND_1;
}

class CarBuild : public ::testing::Test {
 protected:
  static inline std::vector<std::string> lines, labelled;
  static inline std::vector<int> sounds;
  ReportSink saved{};
  void SetUp() override {
    std::filesystem::remove_all("data");
    std::filesystem::remove_all("mods");
    for (const char* folder : {"data/veh", "data/engine", "data/move", "mods/vehicles/ABCD~123/engine"})
      std::filesystem::create_directories(folder);
    SetDefaultTextColours();
    InitSinCosTables();
    lines.clear();
    labelled.clear();
    sounds.clear();
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour, int) { lines.push_back(text); };
    sink.labelledLine = [](const char* label, const char* text, ReportColour) {
      labelled.push_back(std::string(label) + "|" + text);
    };
    sink.sound = [](int index) { sounds.push_back(index); };
    saved = InstallReportSink(sink);
    NoModPath = KeepUnmirrored = 0;
    HistoryVehicleCopy = {};
    CfgDebugLevel = 0;
    WriteEngine("data\\engine\\DEFAULT.eng", DEFAULT_SIZE);
    LoadSampleHumans();
  }
  void TearDown() override {
    InstallReportSink(saved);
    FreeHumans();
    PlayerEngineChoice = nullptr;
    HistoryVehicleCopy = {};
    NoModPath = 0;
  }
  // A full build of the vehicle with the colours of index 1 and the set-up of index 1, or the
  // set-up given.
  static VehicleLoadArgs Full(const SetupRecord* setup = nullptr) {
    return VehicleLoadArgs{0, 0, setup ? -1 : 1, setup, 1, nullptr, 1, {}, 1, nullptr, 0};
  }
  // The checks every whole car passes.
  static void ExpectWhole(const Car& car, float engineSize) {
    EXPECT_EQ(car.currentSetup.bytes[12], 40) << "set-up 1";
    EXPECT_STREQ(car.currentColours.name, "red") << "colour configuration 1";
    EXPECT_EQ(car.engine.soundParams[0], engineSize) << "the engine file's sound";
    EXPECT_EQ(car.engine.engineSize, SAMPLE_SIZE) << "the vehicle's own figures";
    ASSERT_NE(car.model, nullptr);
    EXPECT_EQ(car.modelPresent, 1);
    EXPECT_EQ(car.modelRebuild, 1u) << "a rebuild posted for the next drawn frame";
    EXPECT_EQ(car.meshesWanted, 1);
    EXPECT_EQ(car.dashType, 1);
    VehicleData sample;
    InitVehicleData(sample);
    BuildSampleVehicle(ROAD_CAR, sample);
    EXPECT_EQ(std::memcmp(car.dash, sample.dash, DASH_BLOCK_SIZE), 0) << "the stored block kept";
    FreeVehicleData(sample);
    EXPECT_NEAR(car.frameTubes[0].mass, 2.6f * 2.5f, 1e-3) << "the frame's masses";
    EXPECT_GT(car.partMasses.wheels, 0.0f);
    EXPECT_GT(car.mass, 250.0f);
    EXPECT_EQ(car.inertiaStatus, INERTIA_VALID);
    EXPECT_NE(car.steeringInstance, nullptr);
    EXPECT_NE(car.steeringPose, nullptr);
  }
};

}  // namespace

TEST_F(CarBuild, WholeCarsFromTheDataFolderAModFolderAndTheEditHistory) {
  CopySample(ROAD_CAR, "data/veh/Runabout.veh");
  {
    Car car;
    ASSERT_EQ(car.LoadVehicle("Runabout", Full()), 1);
    ExpectWhole(car, DEFAULT_SIZE);
    EXPECT_EQ(car.isBuiltin, 1);
  }
  // A mod: its own engine from its folder.
  CopySample(ROAD_CAR, "mods/vehicles/ABCD~123/ABCD~123.veh");
  WriteEngine("mods\\vehicles\\ABCD~123\\engine\\DEFAULT.eng", 1600.0f);
  {
    Car car;
    ASSERT_EQ(car.LoadVehicle("ABCD~123", Full()), 1);
    ExpectWhole(car, 1600.0f);
    EXPECT_EQ(car.isMod, 1);
  }
  // The edit history's copy in memory, in place of any file.
  {
    const std::vector<uint8_t> body = SampleVehicleBody(ROAD_CAR);
    std::filesystem::remove("data/veh/Runabout.veh");
    HistoryVehicleCopy = {body.data(), int64_t(body.size())};
    NoModPath = KeepUnmirrored = 1;
    Car car;
    ASSERT_EQ(car.LoadVehicle("ABCD~123", Full()), 1);
    ExpectWhole(car, DEFAULT_SIZE);
    EXPECT_EQ(car.isMod, 0);
    EXPECT_EQ(car.mirrored, 0);
  }
  EXPECT_TRUE(lines.empty());
}

TEST_F(CarBuild, TheDriverAndPassengersByTheirSeatBits) {
  CopySample(ROAD_CAR, "data/veh/Runabout.veh");
  // Front passenger kind 0, left back seat kind 1, middle back seat kind 0, right back empty.
  SetupRecord setup{};
  setup.bytes[SETUP_FLAGS] = 1;
  setup.bytes[SETUP_PASSENGERS] = 0x01 | 0x08 | 0x30;
  Car car;
  ASSERT_EQ(car.LoadVehicle("Runabout", Full(&setup)), 1);
  ASSERT_EQ(car.seatsPerRow, 3);
  const auto expectSeated = [&] {
    ASSERT_NE(car.steeringInstance, nullptr) << "every car keeps its driver";
    EXPECT_EQ(car.steeringInstance->human, &Humans.models[0]);
    EXPECT_EQ(car.steeringInstance->boneCount, RigSolids());
    ASSERT_NE(car.passengerAnimations[0], nullptr);
    EXPECT_EQ(car.passengerAnimations[0]->human, &Humans.models[0]);
    ASSERT_NE(car.passengerAnimations[1], nullptr);
    EXPECT_EQ(car.passengerAnimations[1]->human, &Humans.models[1]) << "the first figure of kind 1";
    ASSERT_NE(car.passengerAnimations[2], nullptr);
    EXPECT_EQ(car.passengerAnimations[2]->human, &Humans.models[0]);
    EXPECT_EQ(car.passengerAnimations[3], nullptr);
  };
  expectSeated();
  EXPECT_NEAR(car.partMasses.humans, 4 * 70.0f, 1e-3) << "the mass model seats the same people";

  // Loading again adds nothing: the steering figure is there.
  AnimInstance* steering = car.steeringInstance;
  AnimInstance* front = car.passengerAnimations[0];
  car.LoadAnimations();
  EXPECT_EQ(car.steeringInstance, steering);
  EXPECT_EQ(car.passengerAnimations[0], front);

  // Released around a device re-creation the figures go with the model; made again, the same
  // people sit in the same seats.
  car.ReloadModel(1);
  EXPECT_EQ(car.steeringInstance, nullptr);
  EXPECT_EQ(car.steeringPose, nullptr);
  for (AnimInstance* passenger : car.passengerAnimations) EXPECT_EQ(passenger, nullptr);
  car.ReloadModel(0);
  expectSeated();
  EXPECT_NE(car.steeringPose, nullptr);

  // With one seat a row only bits 4-5 count, for slot 2.
  car.FreeAnimations();
  car.seatsPerRow = 1;
  car.currentSetup.bytes[SETUP_PASSENGERS] = 0x04 | 0x10 | 0x40;
  car.LoadAnimations();
  EXPECT_EQ(car.passengerAnimations[0], nullptr);
  ASSERT_NE(car.passengerAnimations[1], nullptr);
  EXPECT_EQ(car.passengerAnimations[2], nullptr);
  EXPECT_EQ(car.passengerAnimations[3], nullptr);

  // With two seats a row the outer ones: slot 2 from bits 2-3, slot 4 from bits 6-7 (2: kind
  // 1), no middle seat.
  car.FreeAnimations();
  car.seatsPerRow = 2;
  car.currentSetup.bytes[SETUP_PASSENGERS] = 0x04 | 0x10 | 0x80;
  car.LoadAnimations();
  EXPECT_EQ(car.passengerAnimations[0], nullptr);
  ASSERT_NE(car.passengerAnimations[1], nullptr);
  EXPECT_EQ(car.passengerAnimations[1]->human, &Humans.models[0]);
  EXPECT_EQ(car.passengerAnimations[2], nullptr) << "no middle seat";
  ASSERT_NE(car.passengerAnimations[3], nullptr);
  EXPECT_EQ(car.passengerAnimations[3]->human, &Humans.models[1]);

  // A seat whose kind no figure is of stays empty.
  car.FreeAnimations();
  LoadSampleHumans(false);
  car.seatsPerRow = 3;
  car.currentSetup.bytes[SETUP_PASSENGERS] = 0x02 | 0x08;
  car.LoadAnimations();
  EXPECT_NE(car.steeringInstance, nullptr);
  EXPECT_EQ(car.passengerAnimations[0], nullptr);
  EXPECT_EQ(car.passengerAnimations[1], nullptr);

  // No driver, or no human models: nothing; a driver slot past the models takes the first.
  car.FreeAnimations();
  car.driverSlot = -1;
  car.LoadAnimations();
  EXPECT_EQ(car.steeringInstance, nullptr);
  car.driverSlot = 40;
  car.LoadAnimations();
  EXPECT_EQ(car.driverSlot, 0);
  EXPECT_NE(car.steeringInstance, nullptr);
  car.FreeAnimations();
  FreeHumans();
  car.LoadAnimations();
  EXPECT_EQ(car.steeringInstance, nullptr);
}

// A car with a front passenger seat beside a driver sitting off the middle but no back seat
// seats only its front passenger: the back seats' bits give no figure.
TEST_F(CarBuild, WithoutABackSeatOnlyTheFrontPassengerIsSeated) {
  CopySample(ROAD_CAR, "data/veh/Runabout.veh");
  // Front passenger kind 0, left back seat kind 1.
  SetupRecord setup{};
  setup.bytes[SETUP_FLAGS] = 1;
  setup.bytes[SETUP_PASSENGERS] = 0x01 | 0x08;
  Car car;
  ASSERT_EQ(car.LoadVehicle("Runabout", Full(&setup)), 1);
  ASSERT_EQ(car.seatsPerRow, 3);
  ASSERT_NE(car.options & OPT1_FRONT_PASSENGER, 0u);
  ASSERT_GE(std::fabs(car.driverPosition.x), 0.2f) << "the driver sits off the middle";
  car.FreeAnimations();
  car.options &= ~OPT1_BACK_SEAT;
  car.LoadAnimations();
  ASSERT_NE(car.steeringInstance, nullptr);
  ASSERT_NE(car.passengerAnimations[0], nullptr) << "the front passenger";
  EXPECT_EQ(car.passengerAnimations[0]->human, &Humans.models[0]);
  EXPECT_EQ(car.passengerAnimations[1], nullptr) << "no back seat";
  EXPECT_EQ(car.passengerAnimations[2], nullptr);
  EXPECT_EQ(car.passengerAnimations[3], nullptr);
}

// A driver slot at the human models' count, one past the last, takes the first model; a model
// whose skeleton index is at the skeletons' count has no skeleton: no figure is made of it.
TEST_F(CarBuild, ADriverSlotPastTheModelsTakesTheFirstAndAFigureWithoutItsSkeletonIsLeftOut) {
  CopySample(ROAD_CAR, "data/veh/Runabout.veh");
  Car car;
  ASSERT_EQ(car.LoadVehicle("Runabout", Full()), 1);
  car.FreeAnimations();
  car.driverSlot = Humans.modelCount;
  car.LoadAnimations();
  EXPECT_EQ(car.driverSlot, 0);
  ASSERT_NE(car.steeringInstance, nullptr);
  EXPECT_EQ(car.steeringInstance->human, &Humans.models[0]);
  car.FreeAnimations();
  const uint32_t kept = Humans.models[0].skeletonIndex;
  Humans.models[0].skeletonIndex = uint32_t(Humans.skeletonCount);
  car.LoadAnimations();
  EXPECT_EQ(car.steeringInstance, nullptr) << "no skeleton, no driver's figure";
  Humans.models[0].skeletonIndex = kept;
  car.FreeAnimations();
}

TEST_F(CarBuild, AnimationsFallBackToTheSteerFileAndToTheRestPose) {
  CopySample(ROAD_CAR, "data/veh/Runabout.veh");
  SetupRecord setup{};
  setup.bytes[SETUP_FLAGS] = 1;
  setup.bytes[SETUP_PASSENGERS] = 0x01;
  // No files: the rest pose, and a word only above debug level 0.
  for (int debug : {0, 1}) {
    CfgDebugLevel = debug;
    labelled.clear();
    Car car;
    ASSERT_EQ(car.LoadVehicle("Runabout", Full(&setup)), 1);
    ASSERT_NE(car.steeringPose, nullptr);
    EXPECT_EQ(car.steeringPose->frameCount, 1) << "the rest pose";
    EXPECT_EQ(car.steeringPose->scale, 1.0f);
    EXPECT_STREQ(LastAnimationName, "");
    if (debug) {
      EXPECT_EQ(labelled, (std::vector<std::string>{"Can't load animation|data\\move\\steer_saloon.ban",
                                                    "Can't load animation|data\\move\\sit_saloon.ban"}));
    } else {
      EXPECT_TRUE(labelled.empty());
    }
  }
  CfgDebugLevel = 0;
  labelled.clear();

  // The steering animation under its plain name; the passengers' under theirs.
  WriteTestAnimation("data\\move\\steer_saloon.ban", 3, 2.5f);
  WriteTestAnimation("data\\move\\sit_saloon.ban", 1, 1.0f);
  {
    Car car;
    ASSERT_EQ(car.LoadVehicle("Runabout", Full(&setup)), 1);
    ASSERT_NE(car.steeringPose, nullptr);
    EXPECT_EQ(car.steeringPose->frameCount, 3);
    EXPECT_EQ(car.steeringPose->scale, 2.5f);
    // Posed once as the wheel stands straight: the middle of the three frames, alone.
    EXPECT_EQ(car.steeringInstance->bones[5].translation.x, 1005) << "the middle frame's transforms";
    ASSERT_NE(car.passengerAnimations[0], nullptr);
    EXPECT_EQ(car.passengerAnimations[0]->bones[7].translation.x, 7);
    EXPECT_STREQ(LastAnimationName, "sit_saloon");
  }
  // The kind-prefixed steering file comes first.
  WriteTestAnimation("data\\move\\str_saloon.ban", 2, 0.1f);
  Car car;
  ASSERT_EQ(car.LoadVehicle("Runabout", Full(&setup)), 1);
  EXPECT_EQ(car.steeringPose->frameCount, 2);
  EXPECT_NEAR(car.steeringPose->scale, STEERING_LEAST_RANGE, 1e-7) << "its range raised to pi / 8";
  EXPECT_TRUE(labelled.empty());

  // A mod's animations come from its own folder's "move", named as the data folder's are.
  car.FreeAnimations();
  car.isMod = 1;
  std::snprintf(car.vehicleName, sizeof car.vehicleName, "%s", "ABCD~123");
  std::filesystem::create_directories("mods/vehicles/ABCD~123/move");
  WriteTestAnimation("mods\\vehicles\\ABCD~123\\move\\str_saloon.ban", 4, 1.0f);
  CfgDebugLevel = 1;
  car.LoadAnimations();
  CfgDebugLevel = 0;
  ASSERT_NE(car.steeringPose, nullptr);
  EXPECT_EQ(car.steeringPose->frameCount, 4) << "the mod's own steering animation";
  EXPECT_EQ(labelled, (std::vector<std::string>{"Can't load animation|mods\\vehicles\\ABCD~123\\move\\sit_saloon.ban"}));
}

TEST_F(CarBuild, ABuiltInCarTakesThePlayersEngine) {
  CopySample(ROAD_CAR, "data/veh/Runabout.veh");
  WriteEngine("data\\engine\\Chosen.eng", 2800.0f);
  static char choice[ENGINE_NAME_SIZE];
  std::strcpy(choice, "Chosen");
  PlayerEngineChoice = [](int row) { return row == ROAD_CAR ? choice : nullptr; };
  {
    Car car;
    ASSERT_EQ(car.LoadVehicle("Runabout", Full()), 1);
    EXPECT_EQ(car.engine.engineSize, 2800.0f);
    EXPECT_STREQ(car.engineName, "Chosen");
  }
  std::strcpy(choice, "Missing");
  Car car;
  ASSERT_EQ(car.LoadVehicle("Runabout", Full()), 1);
  EXPECT_EQ(car.engine.engineSize, SAMPLE_SIZE) << "the vehicle's own engine, with the DEFAULT sound";
  EXPECT_EQ(choice[0], 0);
  // The header part loads no engine file.
  Car* header = CreateCar("Runabout");
  ASSERT_NE(header, nullptr);
  EXPECT_NE(header->engine.engineSize, DEFAULT_SIZE);
  EXPECT_EQ(header->steeringInstance, nullptr);
  delete header;
}

// The driver's figure is posed at load and by every draw, and drawn with its pelvis at the seat
// the mass model gives him: the mass model (AddHumanBoxes) puts a person's body box 0.2 m
// forward of the seating position and his legs' box centred 0.3 m above it, so his hips sit
// 0.2 m forward and 0.3 m up, on the drive side the car is drawn for.  Our figures are posed by
// the animations the build wrote.
TEST_F(CarBuild, TheDriverSitsOnTheMassModelsSeatPosedAtLoadAndByEachDraw) {
  CopySample(SALOON, "data/veh/Saloon.veh");
  for (const auto& file : std::filesystem::directory_iterator(Work() / "data" / "move"))
    std::filesystem::copy_file(file.path(), std::filesystem::path("data/move") / file.path().filename(),
                               std::filesystem::copy_options::overwrite_existing);
  // A mesh slot for our skeleton, so that the drawing finds the figures' levels; no meshes.
  AllocateHumanSlots(1);
  HumanMeshes.built = 1;
  HumanMeshes.slots[0].flags = 1;
  HumanMeshes.slots[0].levelCount = 1;
  HumanMeshes.slots[0].distanceLimits[0] = 100 << 16;

  Car car;
  ASSERT_EQ(car.LoadVehicle("Saloon", Full()), 1);
  ASSERT_NE(car.steeringInstance, nullptr);
  ASSERT_GE(car.steeringPose->frameCount, 3) << "the steering animation was read";
  EXPECT_STREQ(car.steerAnimation, "saloon");
  const AnimInstance& driver = *car.steeringInstance;
  // The hip point drawn: the seat the figure is drawn at, then its pelvis (its first solid).
  const auto drawnHip = [&] {
    const IntVector seat = DriverOffset(car);
    const IntVector& pelvis = driver.bones[0].translation;
    return Vec3{float((seat.x + pelvis.x) / 65536.0), float((seat.y + pelvis.y) / 65536.0),
                float((seat.z + pelvis.z) / 65536.0)};
  };
  const auto expectOnTheSeat = [&](const char* when) {
    SCOPED_TRACE(when);
    const Vec3 p = car.driverPosition;
    const Vec3 hip = drawnHip();
    EXPECT_NEAR(hip.x, car.mirrored ? -p.x : p.x, 0.03);
    EXPECT_NEAR(hip.y, p.y + 0.2f, 0.03);
    EXPECT_NEAR(hip.z, p.z + 0.3f, 0.03);
  };
  expectOnTheSeat("posed at load");
  BoneRig rig;  // made once, so that the skeleton numbers its solids
  Humans.skeletons[0].CreateBones(rig);
  rig.Free();
  const int hand = Humans.skeletons[0].SolidOf(16, false);  // the right palm
  ASSERT_GT(hand, 0);
  const int32_t straight = driver.bones[hand].translation.z;

  // Each draw poses him for the steer of the frame: at full lock to the left the hands have
  // turned with the wheel, the hips stay; the head the draw keeps is PoseDriver's.
  CarDrawing d;
  d.drawFlags = DRAW_PEOPLE | DRAW_POSE_PEOPLE;
  d.lodDistance = 5 << 16;
  d.driverOffset = DriverOffset(car);
  CarViewSettings view{};
  car.controls.steerAngle = float(car.steeringLock) * 3.14159265f / 180.0f;
  PoseCarPeople(car, d, view, 1);
  EXPECT_NE(driver.bones[hand].translation.z, straight) << "posed for the steer";
  expectOnTheSeat("posed by a draw at full lock");
  ASSERT_EQ(d.figures[0].level, 0);
  const Vec3 head = car.PoseDriver();
  EXPECT_NEAR(d.figures[0].head.z / 65536.0, d.driverOffset.z / 65536.0 + head.z, 1e-4);
  EXPECT_GT(head.z, 0.3f + 0.6f) << "the head well above the hips";
  car.controls.steerAngle = 0.0f;
  PoseCarPeople(car, d, view, 1);
  EXPECT_EQ(driver.bones[hand].translation.z, straight) << "back at the middle frame";

  // Mirrored to the other drive side he sits on the other side's seat.
  car.mirrored = 1;
  PoseCarPeople(car, d, view, 1);
  expectOnTheSeat("mirrored");
  FreeHumanMeshSlots();
}

namespace {

struct Point3 {
  double x, y, z;
};
Point3 Minus(const Point3& a, const Point3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double DotOf(const Point3& a, const Point3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Point3 Along(const Point3& a, const Point3& d, double k) { return {a.x + d.x * k, a.y + d.y * k, a.z + d.z * k}; }

// The distance from p to the triangle a b c (the nearest point by the regions of the
// triangle's plane: inside, on an edge, at a corner).
double DistanceToTriangle(const Point3& p, const Point3& a, const Point3& b, const Point3& c) {
  const Point3 ab = Minus(b, a), ac = Minus(c, a), ap = Minus(p, a);
  const double d1 = DotOf(ab, ap), d2 = DotOf(ac, ap);
  auto length = [&](const Point3& q) { return std::sqrt(DotOf(Minus(p, q), Minus(p, q))); };
  if (d1 <= 0 && d2 <= 0) return length(a);
  const Point3 bp = Minus(p, b);
  const double d3 = DotOf(ab, bp), d4 = DotOf(ac, bp);
  if (d3 >= 0 && d4 <= d3) return length(b);
  const double vc = d1 * d4 - d3 * d2;
  if (vc <= 0 && d1 >= 0 && d3 <= 0) return length(Along(a, ab, d1 / (d1 - d3)));
  const Point3 cp = Minus(p, c);
  const double d5 = DotOf(ab, cp), d6 = DotOf(ac, cp);
  if (d6 >= 0 && d5 <= d6) return length(c);
  const double vb = d5 * d2 - d1 * d6;
  if (vb <= 0 && d2 >= 0 && d6 <= 0) return length(Along(a, ac, d2 / (d2 - d6)));
  const double va = d3 * d6 - d5 * d4;
  if (va <= 0 && d4 - d3 >= 0 && d5 - d6 >= 0)
    return length(Along(b, Minus(c, b), (d4 - d3) / ((d4 - d3) + (d5 - d6))));
  const double denominator = 1.0 / (va + vb + vc);
  return length(Along(Along(a, ab, vb * denominator), ac, vc * denominator));
}

// The triangles of an object's nearest level in car space: each triangle drawn mirrored across
// the centre plane too, each point moved by place.
template <class Place>
std::vector<std::array<Point3, 3>> LevelTriangles(const ModelObject& o, Place place) {
  std::vector<std::array<Point3, 3>> out;
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (tri.lod != 0) continue;
    for (int side = 0; side < (tri.flags & TRIANGLE_MIRRORED ? 2 : 1); ++side) {
      std::array<Point3, 3> corners;
      for (int k = 0; k < 3; ++k) {
        const ModelPoint& p = o.points[tri.corners[k] & CORNER_INDEX_MASK];
        corners[size_t(k)] = place(Point3{(side ? -p.x : p.x) / 65536.0, p.y / 65536.0, p.z / 65536.0});
      }
      out.push_back(corners);
    }
  }
  return out;
}

// The height of the triangle over (x, y) seen from above, or nothing when (x, y) lies outside it.
bool HeightOver(const std::array<Point3, 3>& t, double x, double y, double* z) {
  const double x1 = t[1].x - t[0].x, y1 = t[1].y - t[0].y, x2 = t[2].x - t[0].x, y2 = t[2].y - t[0].y;
  const double det = x1 * y2 - x2 * y1;
  if (std::fabs(det) < 1e-12) return false;
  const double u = ((x - t[0].x) * y2 - x2 * (y - t[0].y)) / det, v = (x1 * (y - t[0].y) - (x - t[0].x) * y1) / det;
  if (u < 0 || v < 0 || u + v > 1) return false;
  *z = t[0].z + u * (t[1].z - t[0].z) + v * (t[2].z - t[0].z);
  return true;
}

// The same from the side: the x of the triangle at (y, z), or nothing outside it.
bool SideOver(const std::array<Point3, 3>& t, double y, double z, double* x) {
  std::array<Point3, 3> turned;
  for (size_t k = 0; k < 3; ++k) turned[k] = {t[k].y, t[k].z, t[k].x};
  return HeightOver(turned, y, z, x);
}

// The posed figure of a car's driver in car space: the corners of each solid's box at the
// seat (the vehicle's driver position, as stored: the figure is the same mirrored).
std::vector<std::array<Point3, 8>> DriverSolids(const Car& car) {
  const Skeleton& s = Humans.skeletons[0];
  std::vector<std::array<Point3, 8>> solids(size_t(car.steeringInstance->boneCount));
  for (int bone = 0; bone < s.boneCount; ++bone)
    for (int twin = 0; twin < (s.bones[bone].flags & SKELETON_BONE_SYMMETRICAL ? 2 : 1); ++twin) {
      const int solid = s.SolidOf(bone, twin == 1);
      const FixedTransform& t = car.steeringInstance->bones[solid];
      const float* h = s.bones[bone].halfExtent;
      for (int c = 0; c < 8; ++c) {
        const double local[3] = {c & 1 ? h[0] : -h[0], c & 2 ? h[1] : -h[1], c & 4 ? h[2] : -h[2]};
        double p[3];
        for (int i = 0; i < 3; ++i) {
          p[i] = 0;
          for (int j = 0; j < 3; ++j) p[i] += t.rotation.m[i * 3 + j] / 65536.0 * local[j];
        }
        const Vec3 seat = car.driverPosition;
        solids[size_t(solid)][size_t(c)] = {seat.x + t.translation.x / 65536.0 + p[0],
                                            seat.y + t.translation.y / 65536.0 + p[1],
                                            seat.z + t.translation.z / 65536.0 + p[2]};
      }
    }
  return solids;
}

// Every sample as the build wrote it, with the figures and their animations.
void CopyEverySample() {
  constexpr auto ALL = std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing;
  std::filesystem::copy(Work() / "data" / "veh", "data/veh", ALL);
  std::filesystem::copy(Work() / "data" / "move", "data/move", ALL);
}

}  // namespace

// Every sample seats its driver as the mass model seats a person, and draws him so: at the
// middle frame of his steering animation no solid of his lies below his seat or below the
// body, his head stays under the roof of a closed body, and each palm lies within 5 cm of the
// steering wheel or the bars, drawn at the driver's side leaning back by the column's pitch.
// His animation turns through the steering wheel's turn, which is his class's (degrees,
// transcribed from the class table: a bike 30, "formula" 225, GT 270, kart 75, F1 200, FSAE 135,
// the others 450), so that he reaches his end frame at full lock.
TEST_F(CarBuild, EverySampleSeatsItsDriverAboveItsSeatUnderItsRoofWithHisHandsOnTheWheel) {
  CopyEverySample();
  BoneRig rig;  // made once, so that the skeleton numbers its solids
  Humans.skeletons[0].CreateBones(rig);
  rig.Free();
  const Skeleton& skeleton = Humans.skeletons[0];
  const int palms[2] = {skeleton.SolidOf(16, false), skeleton.SolidOf(16, true)};
  const int head = skeleton.SolidOf(4, false), chestSolid = skeleton.SolidOf(2, false);
  int closed = 0;
  for (int row = 0; row < BUILTIN_VEHICLE_COUNT; ++row) {
    const char* name = BuiltinVehicleTable[row].name;
    SCOPED_TRACE(name);
    Car car;
    ASSERT_EQ(car.LoadVehicle(name, Full()), 1);
    ASSERT_NE(car.steeringInstance, nullptr);
    ASSERT_NE(car.model, nullptr);
    const double turn = car.vehicleClass == CLASS_BIKE    ? 30
                        : car.vehicleClass == CLASS_FORMULA ? 225
                        : car.vehicleClass == CLASS_GT      ? 270
                        : car.vehicleClass == CLASS_KART    ? 75
                        : car.vehicleClass == CLASS_F1      ? 200
                        : car.vehicleClass == CLASS_FSAE    ? 135
                                                            : 450;
    EXPECT_NEAR(car.steeringWheelTurn, turn * M_PI / 180, 1e-5);
    ASSERT_NE(car.steeringPose, nullptr);
    EXPECT_NEAR(car.steeringPose->scale, turn * M_PI / 180, 1e-5) << "the animation's range";

    const auto body = LevelTriangles(*car.model, [](Point3 p) { return p; });
    double lowest = 1e9;
    for (const auto& t : body)
      for (const Point3& p : t) lowest = std::min(lowest, p.z);
    const std::vector<std::array<Point3, 8>> solids = DriverSolids(car);
    double lowestSolid = 1e9;
    for (const auto& solid : solids)
      for (const Point3& p : solid) lowestSolid = std::min(lowestSolid, p.z);
    EXPECT_GE(lowestSolid, car.driverPosition.z - 1e-3) << "below the seat";
    EXPECT_GE(lowestSolid, lowest - 1e-3) << "below the body";

    // The roof: the highest of the body's faces over the head, when it lies above his chest.
    double headTop = -1e9, headX = 0, headY = 0, chest = 0;
    for (const Point3& p : solids[size_t(head)]) {
      headTop = std::max(headTop, p.z);
      headX += p.x / 8;
      headY += p.y / 8;
    }
    for (const Point3& p : solids[size_t(chestSolid)]) chest += p.z / 8;
    double roof = -1e9, z;
    for (const auto& t : body)
      if (HeightOver(t, headX, headY, &z)) roof = std::max(roof, z);
    if (roof > chest) {
      ++closed;
      EXPECT_LT(headTop, roof) << "the head through the roof";
    }

    // The steering wheel or the bars as drawn when the wheel stands straight.
    const ModelObject* wheel = nullptr;
    for (int i = 0; i < car.model->childCount; ++i)
      if (car.model->children[i].type == SUBOBJECT_STEERING_WHEEL) wheel = &car.model->children[i];
    ASSERT_NE(wheel, nullptr);
    const double c = std::cos(car.steeringWheelPitch), s = std::sin(car.steeringWheelPitch);
    const double ca = std::cos(car.steeringWheelAlign), sa = std::sin(car.steeringWheelAlign);
    const auto placed = LevelTriangles(*wheel, [&](Point3 p) {
      const Point3 pitched = {p.x, c * p.y - s * p.z, s * p.y + c * p.z};  // Rz(align) Rx(pitch)
      return Point3{car.driverPosition.x + ca * pitched.x - sa * pitched.y, wheel->offset[1] / 65536.0 + sa * pitched.x + ca * pitched.y,
                    wheel->offset[2] / 65536.0 + pitched.z};
    });
    for (const int palm : palms) {
      Point3 centre = {0, 0, 0};
      for (const Point3& p : solids[size_t(palm)]) centre = Along(centre, p, 1.0 / 8);
      double nearest = 1e9;
      for (const auto& t : placed) nearest = std::min(nearest, DistanceToTriangle(centre, t[0], t[1], t[2]));
      EXPECT_LT(nearest, 0.05) << "palm " << palm << " off the wheel";
    }
  }
  EXPECT_EQ(closed, 11) << "the road cars but the roadster and the buggy, and the vans";
}

// The bodies of the bikes, the open-wheelers and the kart keep between their wheels' outer
// faces (a bike's, its wheels on the middle, no wider than 0.8 m with its bars) and leave each
// wheel's hub in sight from the side: no face of the body lies over the hub on the side it is
// seen from (both sides for a wheel on the middle).
TEST_F(CarBuild, TheSampleBikesOpenWheelersAndKartKeepBetweenTheirWheelsAndShowThem) {
  CopyEverySample();
  int checked = 0;
  for (int row = 0; row < BUILTIN_VEHICLE_COUNT; ++row) {
    const SampleLayout layout = SAMPLE_VEHICLES[row].layout;
    if (layout != LAYOUT_TWO_WHEELER && layout != LAYOUT_OPEN_WHEELER && layout != LAYOUT_KART) continue;
    const char* name = BuiltinVehicleTable[row].name;
    SCOPED_TRACE(name);
    Car car;
    ASSERT_EQ(car.LoadVehicle(name, Full()), 1);
    ASSERT_NE(car.model, nullptr);
    ++checked;
    double left = 1e9, right = -1e9;
    const auto widen = [&](const ModelObject& o, double dx) {
      for (int i = 0; i < o.pointCount; ++i) {
        const double x = o.points[i].x / 65536.0 + dx;
        left = std::min({left, x, -x});
        right = std::max({right, x, -x});
      }
    };
    widen(*car.model, 0);
    for (int i = 0; i < car.model->childCount; ++i) widen(car.model->children[i], 0);
    if (layout == LAYOUT_TWO_WHEELER) {
      EXPECT_LE(right - left, 0.8) << "wider than a bike";
    } else {
      double outer = 0;
      for (int i = 0; i < car.wheelCount; ++i)
        outer = std::max(outer, double(std::fabs(car.wheelPositions[i].x) + car.wheelSets[car.wheels[i].wheelSet].sectionWidth / 2));
      EXPECT_LE(right, outer) << "beyond the wheels' outer faces";
    }
    const auto body = LevelTriangles(*car.model, [](Point3 p) { return p; });
    for (int i = 0; i < car.wheelCount; ++i) {
      const Vec3 hub = car.wheelPositions[i];
      for (const int side : {1, -1}) {
        if (hub.x * side < 0) continue;  // a wheel is seen from its own side
        double x;
        for (const auto& t : body)
          if (SideOver(t, hub.y, hub.z, &x) && (x - hub.x) * side > 0) {
            ADD_FAILURE() << "wheel " << i << " covered from side " << side << " by a face at x " << x;
            break;
          }
      }
    }
  }
  EXPECT_EQ(checked, 8);
}
