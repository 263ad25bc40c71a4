// dash_file_test.cpp - the dash file: hand-made files of every version read, written back to
// the same bytes, refused onto a car of another type, and bad files and names leaving the
// car's block as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "core/process.h"
#include "dashboard/dash_block.h"
#include "dashboard/dash_file.h"
#include "physics/car.h"
#include "tests/core/report_recorder.h"
#include "vehicle_data/dashboard.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> Block(int size, int seed) {
  std::vector<uint8_t> b(static_cast<size_t>(size));
  for (int i = 0; i < size; ++i) b[size_t(i)] = uint8_t(i * 37 + seed * 11 + 5);
  return b;
}

void PutWord(std::vector<uint8_t>& out, uint32_t w) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(w >> (8 * i)));
}

std::vector<uint8_t> DashImage(int version, uint32_t type, uint32_t size, const std::vector<uint8_t>& block,
                               const char* magic = "ZKTDSH") {
  std::vector<uint8_t> out(magic, magic + 6);
  out.push_back(uint8_t(version >> 8));
  out.push_back(uint8_t(version));
  PutWord(out, type);
  PutWord(out, size);
  out.insert(out.end(), block.begin(), block.end());
  return out;
}

void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::ofstream f("data/3dob/" + name + ".dsh", std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> ReadFile(const std::string& name) {
  std::ifstream f("data/3dob/" + name + ".dsh", std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

class DashFile : public ::testing::Test {
 protected:
  ReportRecorder reports;
  Prss page{};  // the editor's page the messages are shown on
  Car car;
  void SetUp() override {
    fs::remove_all("data");
    fs::create_directories("data/3dob");
  }
  void TearDown() override { fs::remove_all("data"); }
  // The car of a type with its defaults, and a copy of its block to compare with.
  std::vector<uint8_t> CarOfType(int type) {
    car.dashType = uint8_t(type);
    car.SetDashDefaults();
    return std::vector<uint8_t>(car.dash, car.dash + DASH_BLOCK_SIZE);
  }
  bool BlockIs(const std::vector<uint8_t>& expected) {
    return std::memcmp(car.dash, expected.data(), DASH_BLOCK_SIZE) == 0;
  }
  const std::vector<std::string>& Boxes() { return ReportRecorder::Reports().boxes; }
};

}  // namespace

TEST_F(DashFile, EveryReadVersionLoadsAndIsWrittenBackAt252WithTheSameBody) {
  for (int type = 1; type <= 3; ++type) {
    const int size = DashBlockSize(type);
    for (int version = 248; version <= 252; ++version) {
      const std::vector<uint8_t> block = Block(size, version + type);
      const std::vector<uint8_t> image = DashImage(version, uint32_t(type), uint32_t(size), block);
      const std::string name = "v" + std::to_string(version) + "t" + std::to_string(type);
      WriteFile(name, image);
      CarOfType(type);
      ASSERT_EQ(LoadDash(&page, car, name.c_str()), DASH_FILE_OK) << name;
      EXPECT_EQ(std::memcmp(car.dash, block.data(), size_t(size)), 0) << name;
      ASSERT_EQ(SaveDash(&page, car, "out"), DASH_FILE_OK);
      const std::vector<uint8_t> written = ReadFile("out");
      ASSERT_EQ(written.size(), image.size()) << name;
      EXPECT_EQ(written[6], 0);
      EXPECT_EQ(written[7], 252) << "written at version 252, high byte first";
      EXPECT_TRUE(std::equal(written.begin() + 8, written.end(), image.begin() + 8)) << name;
      // The counting pass measures the file less its header.
      EXPECT_EQ(MemoryWriteBody([&](DataFile& f) { WriteDashBody(f, car); }).size(), written.size() - 8);
      // Read back into a zeroed block: the same block.
      std::memset(car.dash, 0, sizeof car.dash);
      ASSERT_EQ(LoadDash(&page, car, "out"), DASH_FILE_OK);
      EXPECT_EQ(std::memcmp(car.dash, block.data(), size_t(size)), 0);
    }
  }
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(DashFile, FlagsOfOppositeSensesSurviveAndAnotherTypeIsIncompatible) {
  CarOfType(1);
  AnalogDashBlock b = ReadAnalogBlock(car.dash);
  const uint32_t flags = DASH_ANALOG_CLOCK_OFF | DASH_ANALOG_TACHOMETER_OFF | DASH_ANALOG_OIL_TEMPERATURE_ON |
                         DASH_ANALOG_SPEEDOMETER_ON | DASH_COLOURS_SET;
  SetDashFlags(b.flags, flags);
  WriteAnalogBlock(b, car.dash);
  ASSERT_EQ(SaveDash(&page, car, "flags"), DASH_FILE_OK);
  const std::vector<uint8_t> typeOne(car.dash, car.dash + DASH_BLOCK_SIZE);
  std::memset(car.dash, 0, 4);
  ASSERT_EQ(LoadDash(&page, car, "flags"), DASH_FILE_OK);
  EXPECT_EQ(DashFlags(car.dash), flags);

  // A type 1 dashboard onto a type 2 car: both blocks are 160 bytes, still refused.
  const std::vector<uint8_t> before = CarOfType(2);
  EXPECT_EQ(LoadDash(&page, car, "flags"), DASH_FILE_INCOMPATIBLE);
  EXPECT_TRUE(BlockIs(before));
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].rfind("Incompatible dash|", 0), 0u) << Boxes()[0];
  // So is a size that is not the type's.
  WriteFile("size", DashImage(252, 2, 96, Block(96, 1)));
  EXPECT_EQ(LoadDash(&page, car, "size"), DASH_FILE_INCOMPATIBLE);
  EXPECT_TRUE(BlockIs(before));
  (void)typeOne;
}

TEST_F(DashFile, VersionsOutsideTheRangeAndDamagedFilesChangeNothing) {
  const std::vector<uint8_t> before = CarOfType(3);
  WriteFile("old", DashImage(247, 3, 96, Block(96, 2)));
  EXPECT_EQ(LoadDash(&page, car, "old"), DASH_FILE_OLD_VERSION);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes().back(), std::string("Could not open file :|data/3dob/old.dsh"));
  WriteFile("new", DashImage(253, 3, 96, Block(96, 2)));
  EXPECT_EQ(LoadDash(&page, car, "new"), DASH_FILE_NOT_OPENED);
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_NE(Boxes().back().find(TEXT_FILE_LATER_VERSION), std::string::npos) << Boxes().back();
  WriteFile("magic", DashImage(252, 3, 96, Block(96, 2), "ZKTDSX"));
  EXPECT_EQ(LoadDash(&page, car, "magic"), DASH_FILE_NOT_OPENED);
  EXPECT_NE(Boxes().back().find(TEXT_FILE_FAILED_HEADER), std::string::npos) << Boxes().back();
  EXPECT_EQ(LoadDash(&page, car, "missing"), DASH_FILE_NOT_OPENED);
  EXPECT_TRUE(BlockIs(before));

  // A block that ends early: nothing of it is taken, and the message names the block.
  std::vector<uint8_t> shortFile = DashImage(252, 3, 96, Block(96, 3));
  shortFile.resize(shortFile.size() - 1);
  WriteFile("short", shortFile);
  EXPECT_EQ(LoadDash(&page, car, "short"), DASH_FILE_SHORT);
  EXPECT_TRUE(BlockIs(before)) << "a short block leaves the whole block as it was";
  EXPECT_EQ(Boxes().back(), std::string("Dash file block is incomplete :|data/3dob/short.dsh"));
  shortFile.resize(12);
  WriteFile("header", shortFile);
  EXPECT_EQ(LoadDash(&page, car, "header"), DASH_FILE_SHORT);
  EXPECT_EQ(Boxes().back(), std::string("Dash file type and size are incomplete :|data/3dob/header.dsh"));
  EXPECT_TRUE(BlockIs(before));
}

TEST_F(DashFile, NamesThatLeaveTheFolderAndFailedWritesAreRefused) {
  const std::vector<uint8_t> before = CarOfType(1);
  for (const char* name : {"../x", "a/b", "a\\b", "..", "", "a:b"}) {
    const size_t boxes = Boxes().size();
    EXPECT_EQ(LoadDash(&page, car, name), DASH_FILE_BAD_NAME) << name;
    EXPECT_EQ(SaveDash(&page, car, name), DASH_FILE_BAD_NAME) << name;
    ASSERT_EQ(Boxes().size(), boxes + 2) << name;
    EXPECT_NE(Boxes().back().find(std::string(": ") + name), std::string::npos) << Boxes().back();
  }
  EXPECT_TRUE(BlockIs(before));
  EXPECT_FALSE(fs::exists("x.dsh"));

  // A file that cannot replace what stands in its place is not saved, and says so.
  fs::create_directories("data/3dob/taken.dsh/inside");
  const size_t boxes = Boxes().size();
  EXPECT_EQ(SaveDash(&page, car, "taken"), DASH_FILE_NOT_WRITTEN);
  ASSERT_EQ(Boxes().size(), boxes + 1) << "the failure is reported";
  EXPECT_NE(Boxes().back().find("taken.dsh"), std::string::npos) << Boxes().back();

  // Types without a block have nothing to save or load.
  car.dashType = 5;
  EXPECT_EQ(SaveDash(&page, car, "none"), DASH_FILE_NO_BLOCK);
  EXPECT_FALSE(fs::exists("data/3dob/none.dsh"));
}
