// engine_file_test.cpp - the engine file read into an engine and written from one, and where
// a car's engine file is looked for: the player's choice of a built-in vehicle's engine, a
// mod's folder, the data folder and the "DEFAULT" engine, with the engine left as it was when
// nothing can be read.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/config.h"
#include "tests/vehicle/data/vehicle_test_util.h"
#include "vehicle/data/engine_file.h"

namespace {

// An engine of a size of its own, with two waves of samples.
void MakeEngine(EngineModel& e, float size) {
  e = EngineModel{};
  e.Reset();
  e.engineSize = size;
  e.cylinders = 6;
  e.torquePerCc = 0.15f;
  e.redline = 800.0f;
  e.soundParams[5] = 0.25f;
  for (int w : {0, 3}) {
    e.waves[w].bytes[3] = uint8_t(10 + w);
    e.waves[w].count = 3;
    e.waves[w].samples = static_cast<uint32_t*>(std::malloc(3 * sizeof(uint32_t)));
    for (uint32_t i = 0; i < 3; ++i) e.waves[w].samples[i] = 100u * uint32_t(w) + i;
  }
}

void SaveAt(const std::string& path, float size) {
  EngineModel e;
  MakeEngine(e, size);
  ASSERT_EQ(SaveEngine(e, path.c_str(), nullptr, 0), 1) << path;
  e.FreeWaves();
}

char g_choice[ENGINE_NAME_SIZE];
char* Choice(int builtinIndex) { return builtinIndex == 2 ? g_choice : nullptr; }

class EngineFile : public VehicleTest {
 protected:
  VehicleData d;
  void SetUp() override {
    VehicleTest::SetUp();
    std::filesystem::remove_all("data");
    std::filesystem::remove_all("mods");
    std::filesystem::create_directories("data/engine");
    std::filesystem::create_directories("mods/vehicles/ABCD~123/engine");
    InitVehicleData(d);
    d.engine.engineSize = 1234.0f;  // the vehicle file's own engine
    std::memset(g_choice, 0, sizeof g_choice);
    PlayerEngineChoice = Choice;
  }
  void TearDown() override {
    PlayerEngineChoice = nullptr;
    FreeVehicleData(d);
    VehicleTest::TearDown();
  }
};

}  // namespace

TEST_F(EngineFile, AnEngineWithItsSoundWritesAndReadsBack) {
  SaveAt("data\\engine\\V6.eng", 3000.0f);
  EngineModel back;
  MakeEngine(back, 1.0f);
  ASSERT_EQ(LoadEngine(back, "data\\engine\\V6.eng", nullptr), 1);
  EXPECT_EQ(back.engineSize, 3000.0f);
  EXPECT_EQ(back.cylinders, 6);
  EXPECT_EQ(back.soundParams[5], 0.25f);
  ASSERT_EQ(back.waves[3].count, 3u);
  EXPECT_EQ(back.waves[3].samples[2], 302u);
  EXPECT_EQ(back.waves[3].bytes[3], 13);
  back.FreeWaves();
}

TEST_F(EngineFile, AnEngineThatCannotBeReadLeavesTheEngineAsItWas) {
  EngineModel engine;
  MakeEngine(engine, 1500.0f);
  EXPECT_EQ(LoadEngine(engine, "data\\engine\\Missing.eng", nullptr), 0);
  EXPECT_TRUE(lines.empty()) << "a missing file is the caller's to report";

  // An obsolete file names the player and the path.
  std::strcpy(CfgPlayerName, "driver");
  {
    DataFile f;
    ASSERT_EQ(f.OpenWrite(nullptr, "data\\engine\\Old.eng", ENGINE_FILE_MAGIC, 247), 1);
    engine.Write(f, 0, 0);
    ASSERT_EQ(f.Close(), 1);
  }
  EXPECT_EQ(LoadEngine(engine, "data\\engine\\Old.eng", nullptr), 0);
  EXPECT_EQ(lines, std::vector<std::string>{"driver : ^Ldata\\engine\\Old.eng"});

  // A record of a later sub-version, and one whose waves run past the data.
  lines.clear();
  for (const char* path : {"data\\engine\\Later.eng", "data\\engine\\Cut.eng"}) {
    DataFile f;
    ASSERT_EQ(f.OpenWrite(nullptr, path, ENGINE_FILE_MAGIC, ENGINE_FILE_VERSION), 1);
    if (std::strstr(path, "Later")) {
      f.WriteInt(int32_t(ENGINE_SUB_VERSION));
      f.WriteByte(17);
    } else {
      Bytes o;
      EncodeEngine(o, RawEngine{});
      o.U8(0), o.U8(0), o.U8(3), o.U8(1), o.U32(1000);  // a wave of 1000 samples, none there
      f.WriteBlock(o.b.data(), int(o.b.size()));
    }
    ASSERT_EQ(f.Close(), 1);
    EXPECT_EQ(LoadEngine(engine, path, nullptr), 0) << path;
  }
  EXPECT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(TEXT_COULD_NOT_READ_ENGINE) + " : ^Ldata\\engine\\Later.eng");
  EXPECT_EQ(engine.engineSize, 1500.0f);
  EXPECT_EQ(engine.cylinders, 6);
  ASSERT_NE(engine.waves[0].samples, nullptr) << "the engine keeps its own waves";
  EXPECT_EQ(engine.waves[0].samples[1], 1u);
  engine.FreeWaves();
}

TEST_F(EngineFile, ABuiltInVehicleTakesThePlayersEngineFirstAndForgetsOneThatFails) {
  SaveAt("data\\engine\\Fast.eng", 2600.0f);
  SaveAt("data\\engine\\Own.eng", 1800.0f);
  SaveAt("data\\engine\\DEFAULT.eng", 2000.0f);
  d.builtinIndex = 2;
  std::strcpy(d.engineName, "Own");
  std::strcpy(g_choice, "Fast");
  d.LoadEngineFile();
  EXPECT_EQ(d.engine.engineSize, 2600.0f);
  EXPECT_STREQ(d.engineName, "Fast") << "the chosen engine becomes the engine's name";
  EXPECT_STREQ(g_choice, "Fast");

  std::strcpy(d.engineName, "Own");
  std::strcpy(g_choice, "Gone");
  d.LoadEngineFile();
  EXPECT_EQ(d.engine.engineSize, 1800.0f);
  for (char c : g_choice) EXPECT_EQ(c, 0) << "a choice that cannot be loaded is forgotten";

  std::strcpy(d.engineName, "Unknown");
  d.LoadEngineFile();
  EXPECT_EQ(d.engine.engineSize, 2000.0f) << "the DEFAULT engine stands in";
  EXPECT_STREQ(d.engineName, "Unknown");

  std::filesystem::remove("data/engine/DEFAULT.eng");
  d.engine.engineSize = 1234.0f;
  d.LoadEngineFile();
  EXPECT_EQ(d.engine.engineSize, 1234.0f) << "nothing to load: the vehicle's own engine stays";
  d.engineName[0] = 0;
  std::strcpy(g_choice, "../Fast");
  d.LoadEngineFile();
  EXPECT_EQ(d.engine.engineSize, 1234.0f) << "a choice that could leave the folder is no engine";
  d.engine.FreeWaves();
}

TEST_F(EngineFile, AModVehicleLooksInItsOwnFolder) {
  SaveAt("mods\\vehicles\\ABCD~123\\engine\\Own.eng", 2200.0f);
  SaveAt("data\\engine\\Own.eng", 1800.0f);
  SaveAt("data\\engine\\DEFAULT.eng", 2000.0f);
  d.isMod = 1;
  std::strcpy(d.vehicleName, "ABCD~123");
  d.LoadEngineFile();
  EXPECT_EQ(d.engine.engineSize, 1234.0f) << "a mod without an engine name keeps its own";
  std::strcpy(d.engineName, "Own");
  d.LoadEngineFile();
  EXPECT_EQ(d.engine.engineSize, 2200.0f);
  std::strcpy(d.engineName, "Other");
  d.LoadEngineFile();
  EXPECT_EQ(d.engine.engineSize, 2000.0f);
  d.engine.FreeWaves();
}
