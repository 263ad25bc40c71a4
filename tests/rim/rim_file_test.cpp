// rim_file_test.cpp - the rim file alone: saved rims read back to identical bytes, older
// containers converted, damaged and foreign files refused with the rim untouched, failed
// saves keeping the old file, and the removal of rim colours.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "core/process.h"
#include "core/report.h"
#include "platform/files.h"
#include "rim/rim_file.h"

namespace {

std::vector<std::string> g_lines, g_boxes;

class RimFile : public ::testing::Test {
 protected:
  ReportSink saved{};
  Prss page{};  // the screen the failures are shown on
  void SetUp() override {
    g_lines.clear();
    g_boxes.clear();
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour, int) { g_lines.push_back(text); };
    sink.box = [](Prss*, const char* first, const char* second) {
      g_boxes.push_back(std::string(first) + (second ? std::string(" ") + second : std::string()));
    };
    saved = InstallReportSink(sink);
    std::filesystem::remove_all("data");
    std::filesystem::create_directories("data/whl");
  }
  void TearDown() override {
    FilesInjectCommitFailures(0, 0);
    InstallReportSink(saved);
  }
  static std::vector<uint8_t> Read(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void Write(const char* path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  static std::vector<uint8_t> Body(const WXS& rim) {
    DataFile f{};
    f.BeginMemoryWrite(0, nullptr);
    WriteRim(rim, f);
    f.BeginMemoryWrite(1, nullptr);
    WriteRim(rim, f);
    EXPECT_EQ(f.FinishMemoryWrite(), 1);
    std::vector<uint8_t> bytes(f.buffer, f.buffer + (f.size - DATA_FILE_HEADER_SIZE));
    f.StartMemoryRead();
    f.Close();
    return bytes;
  }
  // Five points, three colours (the middle one unused), three surfaces, the second byte set.
  static void MakeRim(WXS& rim) {
    rim.MakeDefault("tyre wall", RgbWord(40, 40, 40));
    for (GraphPoint p : {GraphPoint{0.5f, 3.2f}, GraphPoint{1.25f, 2.5f}, GraphPoint{3.0f, 3.75f}})
      AppendGraphPoint(rim, p);
    rim.mappingCount = 3;
    rim.mappings = static_cast<ModelMapping*>(std::realloc(rim.mappings, 3 * sizeof(ModelMapping)));
    for (int i = 1; i < 3; ++i) {
      rim.mappings[i].Init(0);
      std::snprintf(rim.mappings[i].name, sizeof rim.mappings[i].name, "colour %d", i);
      rim.mappings[i].colour = RgbWord(255, 20 * i, 100);
    }
    rim.surfaceCount = 3;
    rim.surfaces = static_cast<RimSurface*>(std::realloc(rim.surfaces, 3 * sizeof(RimSurface)));
    rim.surfaces[1] = {0, 2, 3, 2};
    rim.surfaces[2] = {2, 4, 16, 0};
    rim.secondByte = 1;
  }
  static bool Said(const std::vector<std::string>& texts, const std::string& part) {
    for (const std::string& t : texts)
      if (t.find(part) != std::string::npos) return true;
    return false;
  }
};

TEST_F(RimFile, ASavedRimReadsBackToTheSameBytesAndFields) {
  WXS rim;
  MakeRim(rim);
  ASSERT_EQ(SaveRimFile(&page, "first", rim), 1);
  const std::vector<uint8_t> first = Read("data/whl/first.wxs");
  ASSERT_GT(first.size(), 8u);
  EXPECT_EQ(std::memcmp(first.data(), "QXWHXS", 6), 0);
  EXPECT_EQ(first[6], 0);
  EXPECT_EQ(first[7], 252);

  WXS back;
  ASSERT_EQ(LoadRimFile(back, "data\\whl\\FIRST.wxs", &page), 1);
  ASSERT_EQ(back.numPoints, rim.numPoints);
  for (int i = 0; i < rim.numPoints; ++i) {
    EXPECT_EQ(back.points[i].x, rim.points[i].x);
    EXPECT_EQ(back.points[i].y, rim.points[i].y);
  }
  ASSERT_EQ(back.surfaceCount, rim.surfaceCount);
  for (int i = 0; i < rim.surfaceCount; ++i)
    EXPECT_EQ(std::memcmp(&back.surfaces[i], &rim.surfaces[i], sizeof(RimSurface)), 0) << i;
  ASSERT_EQ(back.mappingCount, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_STREQ(back.mappings[i].name, rim.mappings[i].name);
    EXPECT_EQ(back.mappings[i].colour & 0xFFFFFF, rim.mappings[i].colour & 0xFFFFFF) << "form 2: colours as stored";
  }
  EXPECT_EQ(back.secondByte, 1);
  ASSERT_EQ(SaveRimFile(&page, "second", back), 1);
  EXPECT_EQ(Read("data/whl/second.wxs"), first);
  EXPECT_EQ(g_lines, (std::vector<std::string>{"Saved ^Ldata/whl/first.wxs", "Saved ^Ldata/whl/second.wxs"}));
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(RimFile, OlderContainersAreConvertedOrRefusedAndWrongFixedPointsAreReported) {
  // A version-251 profile kept its fixed points third and fourth.
  WXS old;
  MakeRim(old);
  std::swap(old.points[0], old.points[2]);
  std::swap(old.points[1], old.points[3]);
  old.points[0].y = 0.0f;
  for (int i = 0; i < old.surfaceCount; ++i)
    for (uint32_t* end : {&old.surfaces[i].first, &old.surfaces[i].second})
      if (*end < 4) *end ^= 2;
  Write("data/whl/old.wxs", DataFileImage(RIM_FILE_MAGIC, Body(old), 251));
  WXS back;
  ASSERT_EQ(LoadRimFile(back, "data\\whl\\old.wxs", &page), 1);
  WXS expected;
  MakeRim(expected);
  EXPECT_EQ(back.points[0].x, 0.0f);
  EXPECT_EQ(back.points[0].y, 4.0f);
  EXPECT_EQ(back.points[1].x, 4.0f);
  EXPECT_EQ(back.points[2].y, 0.0f) << "the old point 0, now third";
  EXPECT_EQ(back.points[3].x, expected.points[3].x);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(back.surfaces[i].first, expected.surfaces[i].first) << i;
    EXPECT_EQ(back.surfaces[i].second, expected.surfaces[i].second) << i;
  }

  WXS wrongY;
  MakeRim(wrongY);
  wrongY.points[1].y = 3.0f;
  Write("data/whl/wrong.wxs", DataFileImage(RIM_FILE_MAGIC, Body(wrongY), 252));
  ASSERT_EQ(LoadRimFile(back, "data\\whl\\wrong.wxs", &page), 1);
  EXPECT_TRUE(Said(g_lines, "WXS : Wrong Y"));

  WXS kept;
  MakeRim(kept);
  const std::vector<uint8_t> before = Body(kept);
  Write("data/whl/v247.wxs", DataFileImage(RIM_FILE_MAGIC, before, 247));
  EXPECT_EQ(LoadRimFile(kept, "data\\whl\\v247.wxs", &page), 0);
  EXPECT_TRUE(Said(g_boxes, "Could not open file : data/whl/v247.wxs"));
  EXPECT_EQ(Body(kept), before);
  // Version 248, the lowest read, is read as 251 was: its fixed points move to the front.
  Write("data/whl/v248.wxs", DataFileImage(RIM_FILE_MAGIC, Body(old), 248));
  WXS lowest;
  ASSERT_EQ(LoadRimFile(lowest, "data\\whl\\v248.wxs", &page), 1);
  EXPECT_EQ(lowest.points[0].y, 4.0f);
  EXPECT_EQ(lowest.points[2].y, 0.0f);
}

TEST_F(RimFile, ADamagedBodyIsRefusedNamingTheFieldAndTheRimStaysAsItWas) {
  WXS source;
  MakeRim(source);
  const std::vector<uint8_t> body = Body(source);
  WXS kept;
  kept.MakeDefault("kept", RgbWord(1, 2, 3));
  const std::vector<uint8_t> before = Body(kept);
  for (size_t n = 0; n < body.size(); ++n) {
    g_boxes.clear();
    Write("data/whl/cut.wxs", DataFileImage(RIM_FILE_MAGIC, std::vector<uint8_t>(body.begin(), body.begin() + long(n)), 252));
    ASSERT_EQ(LoadRimFile(kept, "data\\whl\\cut.wxs", &page), 0) << n;
    if (n > 0)
      ASSERT_TRUE(Said(g_boxes, "Rim file is damaged : data/whl/cut.wxs - ")) << n;
    else
      ASSERT_EQ(g_boxes.size(), 1u);
    ASSERT_EQ(Body(kept), before) << n;
  }
  // A surface naming a point past the list, and a point count past the data.
  std::vector<uint8_t> bad = body;
  bad[bad.size() - 8] = 9;  // the last surface's first point
  Write("data/whl/bad.wxs", DataFileImage(RIM_FILE_MAGIC, bad, 252));
  EXPECT_EQ(LoadRimFile(kept, "data\\whl\\bad.wxs", &page), 0);
  EXPECT_TRUE(Said(g_boxes, "bad.wxs - surfaces"));
  bad = body;
  bad[3] = 0x10;
  Write("data/whl/count.wxs", DataFileImage(RIM_FILE_MAGIC, bad, 252));
  EXPECT_EQ(LoadRimFile(kept, "data\\whl\\count.wxs", &page), 0);
  EXPECT_TRUE(Said(g_boxes, "count.wxs - point count"));
  EXPECT_EQ(Body(kept), before);
  // The editor's limits are editing limits: a well-formed rim of 20 points is read.
  WXS many;
  MakeRim(many);
  for (int i = 0; i < 15; ++i) AppendGraphPoint(many, GraphPoint{float(i), 1.0f});
  Write("data/whl/many.wxs", DataFileImage(RIM_FILE_MAGIC, Body(many), 252));
  EXPECT_EQ(LoadRimFile(kept, "data\\whl\\many.wxs", &page), 1);
  EXPECT_EQ(kept.numPoints, 20);
}

TEST_F(RimFile, AFailedSaveKeepsTheOldFileAndSaysSo) {
  WXS rim;
  MakeRim(rim);
  ASSERT_EQ(SaveRimFile(&page, "keep", rim), 1);
  const std::vector<uint8_t> old = Read("data/whl/keep.wxs");
  rim.secondByte = 0;
  FilesInjectCommitFailures(1, ENOSPC);
  EXPECT_EQ(SaveRimFile(&page, "keep", rim), 0);
  EXPECT_EQ(Read("data/whl/keep.wxs"), old);
  EXPECT_TRUE(Said(g_boxes, "Could not write file :")) << "the failure is reported" << g_boxes.size() << g_lines.size();
  g_boxes.clear();
  EXPECT_EQ(SaveRimFile(&page, "..\\away", rim), 0);
  EXPECT_FALSE(std::filesystem::exists("data/away.wxs"));
  EXPECT_TRUE(Said(g_boxes, "Invalid file name : ..\\away holds \"\\\", which no file name may hold")) << "the name and why";
  g_boxes.clear();
  EXPECT_EQ(SaveRimFile(&page, "", rim), 0);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "Invalid file name : the name is empty");
}

TEST_F(RimFile, MappingsInUseAndMappingZeroStayAndSurfacesAboveARemovedOneFollow) {
  WXS rim;
  MakeRim(rim);
  EXPECT_EQ(RimMappingUses(rim, 0), 2);
  EXPECT_EQ(RemoveRimMapping(rim, 0), 0);
  EXPECT_EQ(RemoveRimMapping(rim, 2), 0);
  EXPECT_EQ(RemoveRimMapping(rim, 3), 0);
  ASSERT_EQ(RemoveRimMapping(rim, 1), 1);
  ASSERT_EQ(rim.mappingCount, 2);
  EXPECT_STREQ(rim.mappings[1].name, "colour 2");
  EXPECT_EQ(rim.surfaces[1].mapping, 1u);
  EXPECT_EQ(rim.surfaces[0].mapping, 0u);
  // Mapping 0 stays even when no surface uses it.
  for (int i = 0; i < rim.surfaceCount; ++i) rim.surfaces[i].mapping = 1;
  ASSERT_EQ(RimMappingUses(rim, 0), 0);
  EXPECT_EQ(RemoveRimMapping(rim, 0), 0);
  EXPECT_EQ(rim.mappingCount, 2);
}

}  // namespace
