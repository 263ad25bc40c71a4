// engine_file_test.cpp - the engine file read into an engine and written from one: our sample
// engines in every write mode, the sound alone taken into another engine, damaged files named
// by their field with the engine left as it was, and the save dialog's writer with its name
// check and a write fault; and where a car's engine file is looked for: the player's choice of
// a built-in vehicle's engine, a mod's folder, the data folder and the "DEFAULT" engine.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/config.h"
#include "core/process.h"
#include "tests/vehicle_data/vehicle_test_util.h"
#include "tools/vehicle_gen/sample_engines.h"
#include "vehicle_data/engine_file.h"

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

// The file's engine of the given size, its first sound figure the size too: a vehicle's own
// engine file gives only its sound, so the figure tells which file was read.
void SaveAt(const std::string& path, float size) {
  EngineModel e;
  MakeEngine(e, size);
  e.soundParams[0] = size;
  ASSERT_EQ(WriteEngineFile(e, path.c_str(), nullptr, 0), 1) << path;
  e.FreeWaves();
}

// The body of a data file (its bytes after the header).
std::vector<uint8_t> Body(const std::string& path) {
  std::string bytes;
  EXPECT_EQ(FileReadAll(path.c_str(), bytes, 1 << 24), 0) << path;
  return std::vector<uint8_t>(bytes.size() > 8 ? bytes.begin() + 8 : bytes.end(), bytes.end());
}

void WriteImage(const std::string& path, const std::vector<uint8_t>& body, int version) {
  const std::vector<uint8_t> image = DataFileImage(ENGINE_FILE_MAGIC, body, version);
  ASSERT_EQ(FileWriteAll(path.c_str(), image.data(), image.size()), 0) << path;
}

char g_choice[ENGINE_NAME_SIZE];
char* Choice(int builtinIndex) { return builtinIndex == 2 || builtinIndex == 0 ? g_choice : nullptr; }

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
  ASSERT_EQ(LoadEngine(back, "data\\engine\\V6.eng", nullptr, back), 1);
  EXPECT_EQ(back.engineSize, 3000.0f);
  EXPECT_EQ(back.cylinders, 6);
  EXPECT_EQ(back.soundParams[5], 0.25f);
  ASSERT_EQ(back.waves[3].count, 3u);
  EXPECT_EQ(back.waves[3].samples[2], 302u);
  EXPECT_EQ(back.waves[3].bytes[3], 13);
  back.FreeWaves();
}

TEST_F(EngineFile, EverySampleEngineReadsBackToItsBytesInEveryMode) {
  for (int i = 0; i < SAMPLE_ENGINE_COUNT; ++i) {
    const SampleEngine& s = SAMPLE_ENGINES[i];
    EngineModel e{};
    BuildSampleEngine(i, e);
    const std::string path = std::string("data\\engine\\") + s.name + ".eng";
    ASSERT_EQ(WriteEngineFile(e, path.c_str(), nullptr, s.electric), 1) << s.name;
    const std::vector<uint8_t> file = Body(path);
    DataFile counter{};
    counter.BeginMemoryWrite(0, nullptr);
    e.Write(counter, 0, s.electric);
    EXPECT_EQ(counter.size - DATA_FILE_HEADER_SIZE, int(file.size())) << s.name << ": the counting pass";
    EXPECT_EQ(MemoryWriteBody([&](DataFile& f) { e.Write(f, 0, s.electric); }), file) << s.name << ": memory";
    // The waves stand in the slots the power unit keeps, a few hundred samples each.
    for (int slot = 0; slot < ENGINE_WAVE_COUNT; ++slot) {
      const bool kept = s.electric ? (slot == 2 || slot == 3)
                                   : (i > 0 && ((e.flags & ENGINE_TURBO) || (slot != 1 && slot != 5)));
      EXPECT_EQ(e.waves[slot].count >= 100 && e.waves[slot].count < 1000, kept) << s.name << ", slot " << slot;
    }
    EngineModel back{};
    back.Reset();
    ASSERT_EQ(LoadEngine(back, path.c_str(), nullptr, back), 1) << s.name;
    EXPECT_EQ(MemoryWriteBody([&](DataFile& f) { back.Write(f, 0, s.electric); }), file) << s.name << ": read back";
    e.FreeWaves();
    back.FreeWaves();
  }
  EXPECT_TRUE(lines.empty());
}

TEST_F(EngineFile, LoadingWavesTakesOnlyTheSoundOfAnotherEngine) {
  EngineModel turbo{}, car{};
  BuildSampleEngine(1, turbo);
  ASSERT_EQ(WriteEngineFile(turbo, "data\\engine\\Turbo.eng", nullptr, 0), 1);
  BuildSampleEngine(3, car);
  car.soundParams[0] = 55.0f;
  EngineModel work{};
  work.Reset();
  ASSERT_EQ(LoadEngine(work, "data\\engine\\Turbo.eng", nullptr, car), 1);
  EXPECT_EQ(car.engineSize, 5000.0f) << "the car's definition stays";
  EXPECT_EQ(car.cylinders, 8);
  EXPECT_EQ(car.soundParams[0], turbo.soundParams[0]);
  for (int slot = 0; slot < ENGINE_WAVE_COUNT; ++slot) {
    ASSERT_EQ(car.waves[slot].count, turbo.waves[slot].count) << slot;
    EXPECT_EQ(std::memcmp(car.waves[slot].samples, turbo.waves[slot].samples, turbo.waves[slot].count * 4u), 0);
    EXPECT_EQ(work.waves[slot].samples, nullptr) << "the definition's engine takes no waves";
  }
  EXPECT_EQ(work.engineSize, 2000.0f);
  EXPECT_EQ(work.flags & ENGINE_TURBO, ENGINE_TURBO);
  turbo.FreeWaves();
  car.FreeWaves();
}

TEST_F(EngineFile, ADamagedFileNamesItsFieldAndLeavesTheEngineAsItWas) {
  EngineModel engine{};
  BuildSampleEngine(1, engine);  // every slot holds a wave
  const std::vector<uint8_t> before = MemoryWriteBody([&](DataFile& f) { engine.Write(f, 0, 0); });
  const uint32_t* firstSamples = engine.waves[0].samples;
  EXPECT_EQ(LoadEngine(engine, "data\\engine\\Missing.eng", nullptr, engine), 0);
  EXPECT_EQ(LastDataFileError, DATA_FILE_NOT_FOUND);
  EXPECT_TRUE(lines.empty()) << "a missing file is the caller's to report";

  // An obsolete file names the player and the path.
  std::strcpy(CfgPlayerName, "driver");
  WriteImage("data\\engine\\Old.eng", before, 247);
  EXPECT_EQ(LoadEngine(engine, "data\\engine\\Old.eng", nullptr, engine), 0);
  EXPECT_EQ(lines, std::vector<std::string>{"driver : ^Ldata/engine/Old.eng"});

  // A later sub-version, a wave longer than the file (refused before any allocation) and a
  // wave of an unknown form.
  struct Case {
    const char* name;
    std::vector<uint8_t> body;
    const char* line;
    int error;
  };
  Bytes later, huge, form;
  later.U32(ENGINE_SUB_VERSION), later.U8(17);
  EncodeEngine(huge, RawEngine{});
  huge.U8(0), huge.U8(0), huge.U8(3), huge.U8(1), huge.U32(0xFFFFFFFFu);
  EncodeEngine(form, RawEngine{});
  RawWave(form, 2, 1), RawWave(form, 2, 2);
  form.U8(0), form.U8(0), form.U8(4), form.U8(3);
  const Case cases[] = {
      {"Later", later.b, "Could not read engine : ^Ldata/engine/Later.eng^8 - sub-version", DATA_FILE_LATER_VERSION},
      {"Huge", huge.b, "Could not read engine : ^Ldata/engine/Huge.eng^8 - wave 1", DATA_FILE_TOO_SHORT},
      {"Form", form.b, "Could not read wave : ^Ldata/engine/Form.eng^8 - wave 3", DATA_FILE_TOO_SHORT},
  };
  for (const Case& c : cases) {
    lines.clear();
    const std::string path = std::string("data\\engine\\") + c.name + ".eng";
    WriteImage(path, c.body, ENGINE_FILE_VERSION);
    EXPECT_EQ(LoadEngine(engine, path.c_str(), nullptr, engine), 0) << c.name;
    EXPECT_EQ(lines, std::vector<std::string>{c.line});
    EXPECT_EQ(LastDataFileError, c.error) << c.name;
  }

  // A file cut short anywhere fails, naming the field it was cut in.
  EngineModel six{};
  BuildSampleEngine(2, six);
  const std::vector<uint8_t> whole = MemoryWriteBody([&](DataFile& f) { six.Write(f, 0, 0); });
  six.FreeWaves();
  for (size_t n = 0; n < whole.size(); ++n) {
    lines.clear();
    const std::vector<uint8_t> image =
        DataFileImage(ENGINE_FILE_MAGIC, std::vector<uint8_t>(whole.begin(), whole.begin() + long(n)), 252);
    DataFile f;
    int32_t version = 0;
    if (!f.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), ENGINE_FILE_MAGIC, &version, 252)) {
      EXPECT_EQ(n, 0u) << "only a file without a body is the data file's to refuse";
      EXPECT_EQ(LastDataFileError, DATA_FILE_TOO_SHORT);
      continue;
    }
    ASSERT_EQ(ReadEngineFile(f, version, "cut", engine, engine), 0) << n;
    ASSERT_EQ(LastDataFileError, DATA_FILE_TOO_SHORT) << n;
    ASSERT_EQ(lines.size(), 1u);
    ASSERT_EQ(lines[0].rfind("Could not read engine : ^Lcut^8 - ", 0), 0u) << lines[0];
  }
  EXPECT_EQ(lines[0], "Could not read engine : ^Lcut^8 - sound figures");
  EXPECT_EQ(MemoryWriteBody([&](DataFile& f) { engine.Write(f, 0, 0); }), before);
  EXPECT_EQ(engine.waves[0].samples, firstSamples) << "the engine keeps its own waves";
  engine.FreeWaves();
}

// Version 248 is the oldest engine file read (247 is obsolete, above): it reads as a new one.
TEST_F(EngineFile, AnEngineFileOfVersion248StillReads) {
  SaveAt("data\\engine\\V6.eng", 3000.0f);
  WriteImage("data\\engine\\Oldest.eng", Body("data\\engine\\V6.eng"), 248);
  EngineModel back;
  MakeEngine(back, 1.0f);
  ASSERT_EQ(LoadEngine(back, "data\\engine\\Oldest.eng", nullptr, back), 1);
  EXPECT_EQ(back.engineSize, 3000.0f);
  EXPECT_EQ(back.cylinders, 6);
  EXPECT_TRUE(lines.empty());
  back.FreeWaves();
}

TEST_F(EngineFile, SavingRefusesNamesThatAreNoFileNamesAndKeepsTheOldFileOnAFault) {
  static std::vector<std::string> boxes;
  boxes.clear();
  ReportSink sink{};
  sink.line = [](const char* text, ReportColour, int) { lines.push_back(text); };
  sink.box = [](Prss*, const char* first, const char* second) {
    boxes.push_back(std::string(first) + (second ? std::string("|") + second : ""));
  };
  const ReportSink outer = InstallReportSink(sink);
  Prss page{};
  EngineModel e{};
  BuildSampleEngine(4, e);
  ASSERT_EQ(SaveEngine(&page, "Mine", e, 0), 1);
  const std::vector<uint8_t> saved = Body("data\\engine\\Mine.eng");
  EXPECT_EQ(saved, MemoryWriteBody([&](DataFile& f) { e.Write(f, 0, 0); }));

  // A write that fails reports the file and leaves the old one as it was.
  e.engineSize = 4000.0f;
  FilesInjectCommitFailures(1, ENOSPC);
  EXPECT_EQ(SaveEngine(&page, "Mine", e, 0), 0);
  FilesInjectCommitFailures(0, 0);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind(std::string(TEXT_COULD_NOT_WRITE_FILE) + "|", 0), 0u) << boxes[0];
  EXPECT_NE(boxes[0].find("Mine.eng"), std::string::npos) << boxes[0];
  EXPECT_EQ(Body("data\\engine\\Mine.eng"), saved);

  // Names that would leave the folder, or that no file may carry, are refused.
  const std::pair<const char*, const char*> refused[] = {
      {"../Mine", "Invalid file name : ../Mine holds \"/\", which no file name may hold"},
      {"sub\\Mine", "Invalid file name : sub\\Mine holds \"\\\", which no file name may hold"},
      {"..", "Invalid file name : .. is \"..\""},
      {"", "Invalid file name : the name is empty"},
      {"a:b", "Invalid file name : a:b holds \":\", which no file name may hold"},
      {"tab\there", "Invalid file name : tabhere holds a control character"},  // shown without it
  };
  for (const auto& [name, said] : refused) {
    boxes.clear();
    EXPECT_EQ(SaveEngine(&page, name, e, 0), 0) << name;
    EXPECT_EQ(boxes, std::vector<std::string>{said}) << name;
  }
  EXPECT_FALSE(std::filesystem::exists("data/Mine.eng"));
  EXPECT_FALSE(std::filesystem::exists("data/engine/sub"));
  InstallReportSink(outer);
  e.FreeWaves();
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
  d.engine.engineSize = 1234.0f;
  d.LoadEngineFile();
  EXPECT_EQ(d.engine.soundParams[0], 1800.0f) << "the vehicle's own engine file gives its sound";
  EXPECT_EQ(d.engine.engineSize, 1234.0f) << "and the vehicle keeps its figures";
  for (char c : g_choice) EXPECT_EQ(c, 0) << "a choice that cannot be loaded is forgotten";

  std::strcpy(d.engineName, "Unknown");
  d.LoadEngineFile();
  EXPECT_EQ(d.engine.soundParams[0], 2000.0f) << "the DEFAULT engine's sound stands in";
  EXPECT_EQ(d.engine.engineSize, 1234.0f);
  EXPECT_STREQ(d.engineName, "Unknown");

  std::filesystem::remove("data/engine/DEFAULT.eng");
  d.engine.engineSize = 1234.0f;
  d.LoadEngineFile();
  EXPECT_EQ(d.engine.engineSize, 1234.0f) << "nothing to load: the vehicle's own engine stays";
  d.engineName[0] = 0;
  std::strcpy(g_choice, "../Fast");
  d.LoadEngineFile();
  EXPECT_EQ(d.engine.engineSize, 1234.0f) << "a choice that could leave the folder is no engine";
  // The first built-in vehicle (index 0) takes the player's choice as well.
  d.builtinIndex = 0;
  std::strcpy(d.engineName, "Own");
  std::strcpy(g_choice, "Fast");
  d.LoadEngineFile();
  EXPECT_EQ(d.engine.engineSize, 2600.0f);
  EXPECT_STREQ(d.engineName, "Fast");
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
  EXPECT_EQ(d.engine.soundParams[0], 2200.0f);
  std::strcpy(d.engineName, "Other");
  d.LoadEngineFile();
  EXPECT_EQ(d.engine.soundParams[0], 2000.0f);
  EXPECT_EQ(d.engine.engineSize, 1234.0f) << "the vehicle's figures stay";
  d.engine.FreeWaves();
}
