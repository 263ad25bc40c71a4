// car_build_test.cpp - whole cars built from the sample vehicles: from the data folder, a mod
// folder and the edit history's copy, each with its set-up and colours, engine, model,
// dashboard, frame masses and figures; the driver's and passengers' animations from the
// human models, with their fallbacks; and the engine a player chose.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/data_file.h"
#include "core/report.h"
#include "tools/human_gen/sample_humans.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "ui/text/text_colours.h"
#include "vehicle/car_animations.h"
#include "vehicle/car_load.h"
#include "vehicle/data/engine_file.h"
#include "vehicle/data/vehicle_file.h"
#include "vehicle_editor/skeleton/human_system.h"

namespace {

constexpr int ROAD_CAR = 0;  // "Runabout": a saloon with a front passenger seat and three back seats
constexpr float DEFAULT_SIZE = 2000.0f;

void WriteSample(int row, const char* path) {
  VehicleData d;
  InitVehicleData(d);
  BuildSampleVehicle(row, d);
  VehicleExportPath = path;
  ASSERT_EQ(WriteVehicleFile(d, BuiltinVehicleTable[row].name, nullptr, 1), 1) << path;
  VehicleExportPath = nullptr;
  FreeVehicleData(d);
}

void WriteEngine(const char* path, float size) {
  EngineModel e{};
  BuildDefaultEngine(e);
  e.engineSize = size;
  ASSERT_EQ(SaveEngine(e, path, nullptr, 0), 1) << path;
  e.FreeWaves();
}

// A steering or sitting animation of frames frames over the sample skeleton, each transform's
// position x holding its frame and solid.
void WriteTestAnimation(const char* path, int frames, float scale) {
  Animation a;
  a.scale = scale;
  a.frameCount = uint16_t(frames);
  a.frames = new AnimationFrame[size_t(frames)]();
  for (int f = 0; f < frames; ++f) {
    a.frames[f].transforms = new FixedTransform[SAMPLE_SKELETON_SOLIDS]();
    for (int s = 0; s < SAMPLE_SKELETON_SOLIDS; ++s) a.frames[f].transforms[s].translation.x = 1000 * f + s;
  }
  ASSERT_EQ(WriteAnimationFile(a, path, nullptr, SAMPLE_SKELETON_SOLIDS), 1) << path;
  a.Free();
}

// Our figures, read from the human system file the tool writes; kinds as the tool gives them
// unless kindOne is false (then no figure is of kind 1).
void LoadSampleHumans(bool kindOne = true) {
  FreeHumans();
  const std::vector<uint8_t> image = SampleHumanSystemFile();
  DataFile f;
  int32_t version = 0;
  ASSERT_EQ(f.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), HUMAN_SYSTEM_MAGIC, &version,
                             HUMAN_SYSTEM_VERSION),
            1);
  ASSERT_EQ(ReadHumanSystem(f, version), 1);
  f.Close();
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
    EXPECT_EQ(car.engine.engineSize, engineSize);
    ASSERT_NE(car.model, nullptr);
    EXPECT_EQ(car.modelPresent, 1);
    EXPECT_EQ(car.bodyMeshRequested, 1);
    EXPECT_EQ(car.meshesWanted, 1);
    EXPECT_EQ(car.dashType, 1);
    EXPECT_EQ(car.dash[0], ROAD_CAR) << "the stored block kept";
    EXPECT_NEAR(car.frameTubes[0].mass, 2.6f * 2.5f, 1e-3) << "the frame's masses";
    EXPECT_GT(car.partMasses.wheels, 0.0f);
    EXPECT_GT(car.mass, 300.0f);
    EXPECT_EQ(car.inertiaStatus, INERTIA_VALID);
    EXPECT_NE(car.steeringInstance, nullptr);
    EXPECT_NE(car.steeringPose, nullptr);
  }
};

}  // namespace

TEST_F(CarBuild, WholeCarsFromTheDataFolderAModFolderAndTheEditHistory) {
  WriteSample(ROAD_CAR, "data\\veh\\Runabout.veh");
  {
    Car car;
    ASSERT_EQ(car.LoadVehicle("Runabout", Full()), 1);
    ExpectWhole(car, DEFAULT_SIZE);
    EXPECT_EQ(car.isBuiltin, 1);
  }
  // A mod: its own engine from its folder.
  WriteSample(ROAD_CAR, "mods\\vehicles\\ABCD~123\\ABCD~123.veh");
  WriteEngine("mods\\vehicles\\ABCD~123\\engine\\DEFAULT.eng", 1600.0f);
  {
    Car car;
    ASSERT_EQ(car.LoadVehicle("ABCD~123", Full()), 1);
    ExpectWhole(car, 1600.0f);
    EXPECT_EQ(car.isMod, 1);
  }
  // The edit history's copy in memory, in place of any file.
  {
    VehicleData d;
    InitVehicleData(d);
    BuildSampleVehicle(ROAD_CAR, d);
    std::vector<uint8_t> body;
    ASSERT_EQ(WriteVehicleBody(d, "Runabout", 1, body), 1);
    FreeVehicleData(d);
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
  WriteSample(ROAD_CAR, "data\\veh\\Runabout.veh");
  // Front passenger kind 0, left back seat kind 1, middle back seat kind 0, right back empty.
  SetupRecord setup{};
  setup.bytes[SETUP_FLAGS] = 1;
  setup.bytes[SETUP_PASSENGERS] = 0x01 | 0x08 | 0x30;
  Car car;
  ASSERT_EQ(car.LoadVehicle("Runabout", Full(&setup)), 1);
  ASSERT_EQ(car.seatsPerRow, 3);
  ASSERT_NE(car.steeringInstance, nullptr);
  EXPECT_EQ(car.steeringInstance->human, &Humans.models[0]);
  EXPECT_EQ(car.steeringInstance->boneCount, SAMPLE_SKELETON_SOLIDS);
  ASSERT_NE(car.passengerAnimations[0], nullptr);
  EXPECT_EQ(car.passengerAnimations[0]->human, &Humans.models[0]);
  ASSERT_NE(car.passengerAnimations[1], nullptr);
  EXPECT_EQ(car.passengerAnimations[1]->human, &Humans.models[1]) << "the first figure of kind 1";
  ASSERT_NE(car.passengerAnimations[2], nullptr);
  EXPECT_EQ(car.passengerAnimations[2]->human, &Humans.models[0]);
  EXPECT_EQ(car.passengerAnimations[3], nullptr);
  EXPECT_NEAR(car.partMasses.humans, 4 * 70.0f, 1e-3) << "the mass model seats the same people";

  // Loading again adds nothing: the steering figure is there.
  AnimInstance* steering = car.steeringInstance;
  AnimInstance* front = car.passengerAnimations[0];
  car.LoadAnimations();
  EXPECT_EQ(car.steeringInstance, steering);
  EXPECT_EQ(car.passengerAnimations[0], front);

  // With one seat a row only bits 4-5 count, for slot 2.
  car.FreeAnimations();
  car.seatsPerRow = 1;
  car.currentSetup.bytes[SETUP_PASSENGERS] = 0x04 | 0x10 | 0x40;
  car.LoadAnimations();
  EXPECT_EQ(car.passengerAnimations[0], nullptr);
  ASSERT_NE(car.passengerAnimations[1], nullptr);
  EXPECT_EQ(car.passengerAnimations[2], nullptr);
  EXPECT_EQ(car.passengerAnimations[3], nullptr);

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

TEST_F(CarBuild, AnimationsFallBackToTheSteerFileAndToTheRestPose) {
  WriteSample(ROAD_CAR, "data\\veh\\Runabout.veh");
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
    EXPECT_EQ(car.steeringInstance->bones[5].translation.x, 5) << "the first frame's transforms";
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
}

TEST_F(CarBuild, ABuiltInCarTakesThePlayersEngine) {
  WriteSample(ROAD_CAR, "data\\veh\\Runabout.veh");
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
  EXPECT_EQ(car.engine.engineSize, DEFAULT_SIZE);
  EXPECT_EQ(choice[0], 0);
  // The header part loads no engine file.
  Car* header = CreateCar("Runabout");
  ASSERT_NE(header, nullptr);
  EXPECT_NE(header->engine.engineSize, DEFAULT_SIZE);
  EXPECT_EQ(header->steeringInstance, nullptr);
  delete header;
}
