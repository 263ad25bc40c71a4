// car_load_test.cpp - cars made from vehicle names: where the file is found, the header part,
// the look-ups over temporary cars, failures that leave no car, and a car's release in every
// state of its life.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/data_file.h"
#include "core/report.h"
#include "render/gouraud_mesh.h"
#include "render/system_textures.h"
#include "vehicle/car_load.h"
#include "vehicle_data/rim_profile.h"
#include "vehicle_data/vehicle_class.h"
#include "vehicle_data/vehicle_file.h"

namespace {

// A vehicle written as the program writes it: its own id and class, a body of the model
// defaults stored in the file, two set-ups and two colour sets.
// An engine (or motor) the car can step: the figures of the class's new engine.
void SetSteppableEngine(EngineModel& e, int vehicleClass) {
  const VehicleClass& c = VehicleClassRow(vehicleClass);
  e.torquePerCc = c.torquePerCc;
  e.spreadMul = e.camTiming = c.spreadFactor;
  e.resistanceMul = c.resistanceMul;
  e.inertiaMul = c.inertiaMul;
  e.idleSpeed = c.idleSpeed;
  e.redline = 1500.0f;
  e.maxTorque = 300.0f;  // a motor's own figures
  e.maxPower = 100000.0f;
}

void WriteVehicle(const char* path, const char* code, int vehicleClass, int transmission = TRANSMISSION_H_PATTERN) {
  VehicleData d;
  InitVehicleData(d);
  std::memcpy(d.shortCode, code, 3);
  d.vehicleClass = static_cast<uint8_t>(vehicleClass);
  d.transmissionType = static_cast<uint8_t>(transmission);
  SetSteppableEngine(d.engine, vehicleClass);
  std::strcpy(d.modelCode, "MD");
  std::strcpy(d.steerAnimation, "saloon");
  d.driverPosition = {-0.4f, 0.0f, 0.0f};
  d.setupCount = 2;
  d.setups[0].record.bytes[0] = 11;
  d.setups[1].record.bytes[0] = 22;
  d.colourConfigCount = 2;
  std::strcpy(d.colourConfigs[0].name, "first");
  std::strcpy(d.colourConfigs[1].name, "second");
  d.model = new ModelObject{};
  d.model->Init();
  d.ownsModel = 1;
  VehicleExportPath = path;
  ASSERT_EQ(WriteVehicleFile(d, "Named", nullptr, 1), 1);
  VehicleExportPath = nullptr;
  FreeVehicleData(d);
}

std::vector<uint8_t> ReadAll(const char* path) {
  std::string bytes;
  EXPECT_EQ(FileReadAll(path, bytes, 1 << 20), 0);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

class CarLoad : public ::testing::Test {
 protected:
  static inline std::vector<std::string> lines;
  static inline std::vector<int> sounds;
  ReportSink saved{};
  void SetUp() override {
    std::filesystem::remove_all("data");
    std::filesystem::remove_all("mods");
    std::filesystem::create_directories("data/veh");
    lines.clear();
    sounds.clear();
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour, int) { lines.push_back(text); };
    sink.sound = [](int index) { sounds.push_back(index); };
    saved = InstallReportSink(sink);
    NoModPath = KeepUnmirrored = 0;
    HistoryVehicleCopy = {};
  }
  void TearDown() override { InstallReportSink(saved); }
};

TEST_F(CarLoad, ANewCarHoldsTheDefaults) {
  Car car;
  EXPECT_EQ(car.mass, 1200.0f);
  EXPECT_EQ(car.massRecords[MASS_RECORD_BASE].mass, 1000.0f);
  EXPECT_EQ(car.massRecords[MASS_RECORD_BASE].massWithoutWheels, 1000.0f);
  EXPECT_STREQ(car.vehicleName, "DEFAULT");
  EXPECT_EQ(car.configCount, 1);
  EXPECT_STREQ(car.configs[0].name, "DEFAULT");
  EXPECT_EQ(car.configs[0].layerMask, 0xFFFFFFFFu);
  EXPECT_EQ(car.headlightColour[0], 1.0f);
  EXPECT_EQ(car.headlightColour[2], 1.0f);
  EXPECT_EQ(car.plateSlot, -1);
  EXPECT_EQ(car.engine.engineSize, 2000.0f);
  EXPECT_EQ(car.engine.index, -1);
  EXPECT_EQ(car.optionByte, 3);
  EXPECT_EQ(car.runTime, 0u);
}

TEST_F(CarLoad, EveryBuiltInNameReadsItsHeaderOnly) {
  for (int i = 0; i < BUILTIN_VEHICLE_COUNT; ++i) {
    const std::string path = std::string("data\\veh\\") + BuiltinVehicleTable[i].name + ".veh";
    WriteVehicle(path.c_str(), BuiltinVehicleTable[i].code, i % VEHICLE_CLASS_COUNT);
  }
  for (int i = 0; i < BUILTIN_VEHICLE_COUNT; ++i) {
    SCOPED_TRACE(BuiltinVehicleTable[i].name);
    Car* car = CreateCar(BuiltinVehicleTable[i].name);
    ASSERT_NE(car, nullptr);
    EXPECT_STREQ(car->shortName, BuiltinVehicleTable[i].code);
    EXPECT_STREQ(CurrentShortName, BuiltinVehicleTable[i].code);
    EXPECT_EQ(car->builtinIndex, i);
    EXPECT_EQ(car->vehicleClass, i % VEHICLE_CLASS_COUNT);
    EXPECT_EQ(car->isBuiltin, 1);
    EXPECT_EQ(car->buildMode, 0);
    EXPECT_EQ(car->model, nullptr) << "no model, engine file or frame for the header part";
    EXPECT_EQ(car->rim, nullptr);
    EXPECT_EQ(car->levelMeshes[0], nullptr);
    EXPECT_EQ(car->wheelCount, 0);
    delete car;
  }
  EXPECT_TRUE(lines.empty());
}

TEST_F(CarLoad, AModNameOpensItsFolderUnderTheLock) {
  std::filesystem::create_directories("mods/vehicles/ABCD~123");
  WriteVehicle("mods\\vehicles\\ABCD~123\\ABCD~123.veh", "\x07\x02\x01", CLASS_GT);
  WriteVehicle("data\\veh\\ABCD~123.veh", "DAT", CLASS_GT);
  WriteVehicle("data\\veh\\ABC~123.veh", "NOM", CLASS_GT);
  WriteVehicle("data\\veh\\ABCD~12X.veh", "NOX", CLASS_GT);

  // While the lock is held the mod's file is not opened.
  std::atomic<Car*> loaded{nullptr};
  std::atomic<bool> done{false};
  std::unique_lock<std::mutex> hold(VehicleFileLock);
  std::thread loader([&] {
    loaded = CreateCar("ABCD~123");
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(done);
  hold.unlock();
  loader.join();
  Car* car = loaded;
  ASSERT_NE(car, nullptr);
  EXPECT_EQ(car->isMod, 1);
  EXPECT_EQ(car->isBuiltin, 0);
  EXPECT_STREQ(car->shortName, "010207") << "a mod's id printed as six hexadecimal digits";
  delete car;

  for (const auto& [name, code] : {std::pair{"ABC~123", "NOM"}, std::pair{"ABCD~12X", "NOX"}}) {
    car = CreateCar(name);
    ASSERT_NE(car, nullptr) << name;
    EXPECT_EQ(car->isMod, 0);
    EXPECT_STREQ(car->shortName, code);
    delete car;
  }
  // With the mod path suppressed a mod name is looked for in the data folder.
  NoModPath = 1;
  car = CreateCar("ABCD~123");
  ASSERT_NE(car, nullptr);
  EXPECT_STREQ(car->shortName, "DAT");
  delete car;
}

TEST_F(CarLoad, TheEditHistorysCopyIsReadInPlaceOfAnyFile) {
  WriteVehicle("data\\veh\\Hist.veh", "HST", CLASS_KART);
  const std::vector<uint8_t> file = ReadAll("data/veh/Hist.veh");
  const std::vector<uint8_t> body(file.begin() + DATA_FILE_HEADER_SIZE, file.end());
  std::filesystem::remove("data/veh/Hist.veh");
  HistoryVehicleCopy = {body.data(), int64_t(body.size())};
  Car* car = CreateCar("Hist");
  ASSERT_NE(car, nullptr);
  EXPECT_STREQ(car->shortName, "HST");
  EXPECT_EQ(car->isBuiltin, 0);
  EXPECT_EQ(car->isMod, 0);
  delete car;
  // A vehicle never saved has no name, and one no path may take is never made a path of: the
  // copy is read all the same.
  for (const char* unnamed : {"", "..\\etc"}) {
    car = CreateCar(unnamed);
    ASSERT_NE(car, nullptr) << unnamed;
    EXPECT_STREQ(car->shortName, "HST");
    delete car;
  }
  // The restore of a mod's vehicle suppresses the mod path.
  NoModPath = 1;
  car = CreateCar("ABCD~123");
  HistoryVehicleCopy = {};
  ASSERT_NE(car, nullptr);
  EXPECT_STREQ(car->shortName, "HST");
  delete car;
}

TEST_F(CarLoad, IdsAndTraitsComeFromTheTableOrATemporaryCar) {
  // A built-in name in any case answers from the table: no file is needed.
  const char* id = VehicleNameToId("kArT");
  ASSERT_NE(id, nullptr);
  EXPECT_EQ(id, BuiltinVehicleTable[20].code);
  EXPECT_EQ(VehicleNameToId(BuiltinVehicleTable[0].name), BuiltinVehicleTable[0].code) << "the table's first too";
  EXPECT_EQ(VehicleNameToId("Nowhere"), nullptr);
  std::filesystem::create_directories("mods/vehicles/WXYZ~001");
  WriteVehicle("mods\\vehicles\\WXYZ~001\\WXYZ~001.veh", "\x03\x02\x01", CLASS_BIKE, TRANSMISSION_ELECTRIC);
  id = VehicleNameToId("WXYZ~001");
  ASSERT_NE(id, nullptr);
  EXPECT_EQ(std::memcmp(id, "\x03\x02\x01\x00", 4), 0);

  uint8_t traits[AI_TRAIT_BYTES];
  ASSERT_EQ(GetVehicleAiTraits("WXYZ~001", traits), 1);
  EXPECT_EQ(traits[0], 1) << "a bike";
  EXPECT_EQ(traits[1], 0) << "an electric motor is no engine";
  EXPECT_EQ(traits[2], 1);
  EXPECT_EQ(traits[4], 0) << "a car with no parts";
  EXPECT_EQ(traits[5], 0);
  std::memset(traits, 9, sizeof traits);
  EXPECT_EQ(GetVehicleAiTraits("Nowhere", traits), 0);
  for (uint8_t t : traits) EXPECT_EQ(t, 0);
  EXPECT_TRUE(lines.empty()) << "the look-ups are silent";
}

TEST_F(CarLoad, FailuresLeaveNoCarAndGiveTheirError) {
  // Too old: error 4 and the line.
  WriteVehicle("data\\veh\\Old.veh", "OLD", CLASS_SALOON);
  std::vector<uint8_t> file = ReadAll("data/veh/Old.veh");
  file[7] = 247;
  ASSERT_EQ(FileWriteAll("data/veh/Old.veh", file.data(), file.size()), 0);
  EXPECT_EQ(CreateCar("Old"), nullptr);
  EXPECT_EQ(LastDataFileError, DATA_FILE_OBSOLETE);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "File is obsolete : ^Ldata/veh/Old.veh");
  // A later format revision: error 3; a damaged body: error 9 with the field; nothing shown.
  lines.clear();
  file[7] = 252;
  file[8 + 4 + 4 + 2] = 7;  // the revision byte
  ASSERT_EQ(FileWriteAll("data/veh/Old.veh", file.data(), file.size()), 0);
  EXPECT_EQ(CreateCar("Old"), nullptr);
  EXPECT_EQ(LastDataFileError, DATA_FILE_LATER_VERSION);
  file[8 + 4 + 4 + 2] = 6;
  file.resize(file.size() / 2);
  ASSERT_EQ(FileWriteAll("data/veh/Old.veh", file.data(), file.size()), 0);
  Car car;
  const VehicleLoadArgs full{0, 0, 0, nullptr, 0, nullptr, 0, {}, 1, nullptr, 0};
  EXPECT_EQ(car.LoadVehicle("Old", full), 0);
  EXPECT_EQ(LastDataFileError, 9);
  EXPECT_NE(LastVehicleReadField, nullptr);
  EXPECT_TRUE(lines.empty());
  // Missing, or a name that could leave the folders: nothing is opened.
  EXPECT_EQ(CreateCar("Missing"), nullptr);
  EXPECT_EQ(LastDataFileError, DATA_FILE_NOT_FOUND);
  WriteVehicle("data\\veh\\Fine.veh", "FIN", CLASS_SALOON);
  for (const char* bad : {"../veh/Fine", "data/veh/Fine", "c:Fine", "..", ""}) EXPECT_EQ(CreateCar(bad), nullptr) << bad;
}

// The oldest version still read is 248: a file of that version, in the data folder or a mod's,
// is not refused as obsolete (its body, the current writer's, is then read as one of 248,
// which need not succeed: what counts here is that it is read at all).
TEST_F(CarLoad, AFileOfTheOldestVersionReadIsNotRefused) {
  WriteVehicle("data\\veh\\Aged.veh", "AGD", CLASS_SALOON);
  std::filesystem::create_directories("mods/vehicles/ABCD~123");
  WriteVehicle("mods\\vehicles\\ABCD~123\\ABCD~123.veh", "MOD", CLASS_SALOON);
  for (const char* path : {"data/veh/Aged.veh", "mods/vehicles/ABCD~123/ABCD~123.veh"}) {
    std::vector<uint8_t> file = ReadAll(path);
    file[7] = 248;
    ASSERT_EQ(FileWriteAll(path, file.data(), file.size()), 0);
  }
  for (const char* name : {"Aged", "ABCD~123"}) {
    SCOPED_TRACE(name);
    LastDataFileError = 0;
    Car* car = CreateCar(name);
    EXPECT_NE(LastDataFileError, DATA_FILE_OBSOLETE);
    delete car;
  }
  for (const std::string& line : lines) EXPECT_EQ(line.find("obsolete"), std::string::npos) << line;
}

TEST_F(CarLoad, AFullBuildTakesTheChosenSetupAndColours) {
  WriteVehicle("data\\veh\\Full.veh", "FUL", CLASS_SALOON);
  {
    Car car;
    const VehicleLoadArgs args{1, 3, 1, nullptr, 1, nullptr, 1, {5, 6}, 1, "hello", 77};
    ASSERT_EQ(car.LoadVehicle("Full", args), 1);
    EXPECT_EQ(car.currentSetup.bytes[0], 22);
    EXPECT_EQ(car.setupIndex, 1);
    EXPECT_STREQ(car.currentColours.name, "second");
    EXPECT_STREQ(car.vehicleName, "Full");
    EXPECT_STREQ(car.loadText, "hello");
    EXPECT_EQ(car.loadWord, 77u);
    EXPECT_EQ(car.driverSlot, 3);
    EXPECT_EQ(car.pairWords[1], 6u);
    EXPECT_EQ(car.simulated, 1);
    EXPECT_EQ(car.mirrored, 0) << "a driver on the left with the left side asked for";
    ASSERT_NE(car.model, nullptr);
    EXPECT_STREQ(car.model->name, "Full");
    EXPECT_NE(car.rim, nullptr);
    EXPECT_NE(car.levelMeshes[3], nullptr);
    EXPECT_TRUE(lines.empty());
  }
  {
    // An index past the stored ones takes the first with the message and sound 4; -1 takes
    // the caller's record without a word.
    Car car;
    SetupRecord given{};
    given.bytes[0] = 99;
    const VehicleLoadArgs args{0, 0, -1, &given, 4, nullptr, 0, {}, 1, nullptr, 0};
    ASSERT_EQ(car.LoadVehicle("Full", args), 1);
    EXPECT_EQ(car.currentSetup.bytes[0], 99);
    EXPECT_EQ(car.setupIndex, -1);
    EXPECT_STREQ(car.currentColours.name, "first");
    EXPECT_EQ(car.mirrored, 1) << "a driver on the left with the right side asked for";
    EXPECT_EQ(lines, std::vector<std::string>{"Using default colour config"});
    EXPECT_EQ(sounds, std::vector<int>{4});
  }
}

TEST_F(CarLoad, ALoadTextLongerThanItsFieldIsCutToFifteenCharactersAndAZero) {
  WriteVehicle("data\\veh\\Full.veh", "FUL", CLASS_SALOON);
  Car car;
  // Twenty letters given; the field keeps the first fifteen, "a" to "o", and its last
  // byte stays the terminating zero.
  const VehicleLoadArgs args{1, 3, 1, nullptr, 1, nullptr, 1, {5, 6}, 1, "abcdefghijklmnopqrst", 77};
  ASSERT_EQ(car.LoadVehicle("Full", args), 1);
  EXPECT_EQ(car.loadText[15], '\0');
  EXPECT_STREQ(car.loadText, "abcdefghijklmno");
  EXPECT_EQ(car.loadWord, 77u);
}

TEST_F(CarLoad, ACarIsReleasedInEveryStateOfItsLife) {
  WriteVehicle("data\\veh\\Life.veh", "LIF", CLASS_SALOON);
  const VehicleLoadArgs full{0, 0, 0, nullptr, 0, nullptr, 0, {}, 1, nullptr, 0};
  delete new Car;                         // new
  delete CreateCar("Life");               // the header part
  Car* loaded = new Car;                  // built, with its model objects
  ASSERT_EQ(loaded->LoadVehicle("Life", full), 1);
  delete loaded;
  Car* failed = new Car;                  // a build that failed half way
  ASSERT_EQ(failed->LoadVehicle("Missing", full), 0);
  failed->AllocModelObjects();
  delete failed;

  // A car whose meshes were built, holding a plate slot and arrays of its own.
  Car* built = new Car;
  ASSERT_EQ(built->LoadVehicle("Life", full), 1);
  built->AllocModelObjects();  // a second time changes nothing
  built->wheelSets[0].spokeMesh = new GouraudO3d;
  built->wheelSets[0].spokeMesh->Init();
  built->undamagedPoints = static_cast<Vec3*>(std::malloc(4 * sizeof(Vec3)));
  built->undamagedPointCount = 4;
  built->parts = static_cast<CarPart*>(std::calloc(3, sizeof(CarPart)));
  built->partCount = 3;
  built->wheelMeshWork = static_cast<GouraudColour*>(std::malloc(32));
  built->plateSlot = 7;
  PlateSlotUses[7] = 2;
  delete built;
  EXPECT_EQ(PlateSlotUses[7], 1);
  Car* unused = new Car;
  unused->plateSlot = 8;
  PlateSlotUses[8] = 0;
  delete unused;
  EXPECT_EQ(PlateSlotUses[8], 0) << "a count at 0 stays 0";

  // A model that belongs to someone else stays whole.
  ModelObject shared{};
  shared.Init();
  Car* borrower = new Car;
  borrower->model = &shared;
  borrower->ownsModel = 0;
  delete borrower;
  EXPECT_EQ(shared.pageCount, 1);
  EXPECT_NE(shared.pages, nullptr);
  shared.Free();
}

}  // namespace
