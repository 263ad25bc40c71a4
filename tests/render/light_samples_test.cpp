// light_samples_test.cpp - ambient cubes and light samples: packed light values, the cube's
// evaluation, samples decoded from bytes a packer written here makes, the blends, the lookup
// through the world's hooks with its fade above 4 m, and the stored entries and blocks of the
// world lighting file read from byte images written here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/data_file.h"
#include "render/light_samples.h"
#include "tests/core/report_recorder.h"

namespace {

// ---- An 11/11/10 packer of our own: exponent bias 15, no sign, exact values only. ----
uint32_t PackExact(float v, int mantissaBits) {
  if (v == 0.0f) return 0;
  int e;
  const float m = std::frexp(v, &e);  // v = m 2^e, m in [0.5, 1)
  const uint32_t exponent = uint32_t(e - 1 + 15);
  const uint32_t mantissa = uint32_t(std::lround((m * 2.0f - 1.0f) * float(1 << mantissaBits)));
  return exponent << mantissaBits | mantissa;
}
uint32_t PackColour(float r, float g, float b) {
  return PackExact(r, 6) | PackExact(g, 6) << 11 | PackExact(b, 5) << 22;
}

LightSample MakeSample(int seed) {
  LightSample s{};
  for (int i = 0; i < 4; ++i) s.bytes[i] = 0xEE;  // not read
  for (int f = 0; f < 6; ++f) {
    s.bytes[4 + f] = uint8_t(10 * f + seed);
    s.bytes[10 + f] = uint8_t(200 - 7 * f - seed);
    const uint32_t word = PackColour(0.25f * float(f + 1), 1.5f + float(seed), 0.125f * float(seed + 1));
    for (int k = 0; k < 4; ++k) s.bytes[16 + f * 4 + k] = uint8_t(word >> (8 * k));
  }
  return s;
}

LightRecord RecordWithFaces() {
  LightRecord r;
  InitLightRecord(r);
  for (int f = 0; f < 6; ++f) {
    r.ambient[f] = float(10 + f);
    r.open[f] = float(100 + f);
    for (int c = 0; c < 3; ++c) r.colours[f][c] = float(f) + 0.1f * float(c);
  }
  return r;
}

TEST(PackedLight, TheCodeChoosesTheChannelAndThePowerOfTwo) {
  float rgb[3] = {0, 0, 0};
  AddPackedLight(rgb, 0);
  EXPECT_FLOAT_EQ(rgb[0], 1.0f);
  AddPackedLight(rgb, 0xC3);  // code 3, exponent 3: 2 shared by green and blue
  EXPECT_FLOAT_EQ(rgb[1], 1.0f);
  EXPECT_FLOAT_EQ(rgb[2], 1.0f);
  AddPackedLight(rgb, 0x46);  // green, 2^2
  AddPackedLight(rgb, 0x80 | 63);  // blue, 2^21
  EXPECT_NEAR(rgb[1], 5.0f, 1e-5f);
  EXPECT_NEAR(rgb[2], 1.0f + 2097152.0f, 1.0f);
  EXPECT_FLOAT_EQ(rgb[0], 1.0f);
}

TEST(AmbientCube, ANormalWeighsTheFacesItLooksTowards) {
  PointLight = RecordWithFaces();
  float out[5];
  const float up[3] = {0, 0, 1}, down[3] = {0, 0, -1}, slant[3] = {0.6f, 0.8f, 0};
  EvalAmbientCube(out, up);
  EXPECT_FLOAT_EQ(out[0], 15.0f);
  EXPECT_FLOAT_EQ(out[1], 105.0f);
  EXPECT_FLOAT_EQ(out[4], 5.2f);
  EvalAmbientCube(out, down);
  EXPECT_FLOAT_EQ(out[0], 14.0f);
  EXPECT_FLOAT_EQ(out[2], 4.0f);
  EvalAmbientCube(out, slant);  // 0.36 of +x and 0.64 of +y
  EXPECT_NEAR(out[0], 0.36f * 11 + 0.64f * 13, 1e-5f);
  EXPECT_NEAR(out[1], 0.36f * 101 + 0.64f * 103, 1e-4f);
  EXPECT_NEAR(out[3], 0.36f * 1.1f + 0.64f * 3.1f, 1e-5f);
  const float negative[3] = {-0.6f, 0, -0.8f};  // -x and -z
  EvalAmbientCube(out, negative);
  EXPECT_NEAR(out[0], 0.36f * 10 + 0.64f * 14, 1e-5f);
}

TEST(LightSamples, UnpackReadsTheTermsAndTheColoursOfTheStoredBytes) {
  const LightSample s = MakeSample(2);
  LightRecord r;
  UnpackLightSample(r, s);
  for (int f = 0; f < 6; ++f) {
    EXPECT_EQ(r.ambient[f], float(10 * f + 2)) << f;
    EXPECT_EQ(r.open[f], float(200 - 7 * f - 2)) << f;
    EXPECT_EQ(r.colours[f][0], 0.25f * float(f + 1)) << f;
    EXPECT_EQ(r.colours[f][1], 3.5f) << f;
    EXPECT_EQ(r.colours[f][2], 0.375f) << f;
  }
}

TEST(LightSamples, BlendsWeighTheFourSamplesAndTheNarrowOnesTouchOnlyTheirTerms) {
  const LightSample s[4] = {MakeSample(0), MakeSample(1), MakeSample(2), MakeSample(3)};
  const float w[4] = {0.1f, 0.2f, 0.3f, 0.4f};
  LightRecord each[4];
  for (int i = 0; i < 4; ++i) UnpackLightSample(each[i], s[i]);
  LightRecord r;
  BlendLightSamples(r, s[0], s[1], s[2], s[3], w[0], w[1], w[2], w[3]);
  for (int f = 0; f < 6; ++f) {
    float ambient = 0, open = 0, green = 0;
    for (int i = 0; i < 4; ++i) {
      ambient += w[i] * each[i].ambient[f];
      open += w[i] * each[i].open[f];
      green += w[i] * each[i].colours[f][1];
    }
    EXPECT_NEAR(r.ambient[f], ambient, 1e-4f);
    EXPECT_NEAR(r.open[f], open, 1e-4f);
    EXPECT_NEAR(r.colours[f][1], green, 1e-5f);
  }

  LightRecord second = RecordWithFaces();
  BlendLightSamplesSecondSix(second, s[0], s[1], s[2], s[3], w[0], w[1], w[2], w[3]);
  for (int f = 0; f < 6; ++f) {
    EXPECT_NEAR(second.open[f], r.open[f], 1e-4f);
    EXPECT_EQ(second.ambient[f], float(10 + f)) << "only the open terms change";
  }
  LightRecord last = RecordWithFaces();
  BlendLightSamplesLastAxis(last, s[0], s[1], s[2], s[3], w[0], w[1], w[2], w[3]);
  EXPECT_NEAR(last.ambient[5], r.ambient[5], 1e-4f);
  EXPECT_NEAR(last.open[5], r.open[5], 1e-4f);
  EXPECT_NEAR(last.colours[5][2], r.colours[5][2], 1e-5f);
  EXPECT_EQ(last.ambient[4], 14.0f) << "the other faces stay";
  EXPECT_EQ(last.colours[0][0], 0.0f);
}

// ---- The lookup through the world's hooks ----
int32_t g_groundZ;
int32_t g_rayStart[3], g_rayDirection[3], g_lookedUp[3];
bool g_found;
int FakeRay(const int32_t start[3], const int32_t direction[3], int32_t hit[3]) {
  std::memcpy(g_rayStart, start, 12);
  std::memcpy(g_rayDirection, direction, 12);
  if (start[2] + direction[2] > g_groundZ || start[2] < g_groundZ) return 0;
  hit[0] = start[0] + 65536;  // the ground is met a metre aside
  hit[1] = start[1];
  hit[2] = g_groundZ;
  return 1;
}
int FakeLookup(const int32_t point[3], LightRecord& record) {
  std::memcpy(g_lookedUp, point, 12);
  record = RecordWithFaces();
  return g_found;
}

class LightLookup : public ::testing::Test {
 protected:
  void SetUp() override {
    WorldRayCastHook = FakeRay;
    WorldLightingLookupHook = FakeLookup;
    g_groundZ = 0;
    g_found = true;
  }
  void TearDown() override {
    WorldRayCastHook = nullptr;
    WorldLightingLookupHook = nullptr;
  }
};

TEST_F(LightLookup, WithoutTheWorldsHooksThereIsNoLighting) {
  WorldRayCastHook = nullptr;
  WorldLightingLookupHook = nullptr;
  const int32_t p[3] = {0, 0, 65536};
  EXPECT_EQ(GetLightingAtPoint(p, 0), 0);
  EXPECT_EQ(GetLightingAtPoint(p, 1), 0);
}

TEST_F(LightLookup, ThePointItselfIsLookedUpJustAboveItsOwnHeight) {
  const int32_t p[3] = {100, 200, 300000};
  ASSERT_EQ(GetLightingAtPoint(p, 0), 1);
  EXPECT_EQ(g_lookedUp[0], 100);
  EXPECT_EQ(g_lookedUp[2], 300000 + 65535);
  EXPECT_EQ(PointLight.ambient[2], 12.0f);
  g_found = false;
  EXPECT_EQ(GetLightingAtPoint(p, 0), 0);
}

TEST_F(LightLookup, DroppedToTheGroundTheLightFadesOverTheFourMetresAboveFourMetres) {
  const int32_t low[3] = {0, 0, 4 * 65536};
  ASSERT_EQ(GetLightingAtPoint(low, 1), 1);
  EXPECT_EQ(g_rayStart[2] + g_rayDirection[2], 4 * 65536 - 524288) << "the ray ends 8 m below the point";
  EXPECT_EQ(g_rayDirection[2], -589823);
  EXPECT_EQ(g_lookedUp[0], 65536) << "the hit's x and y";
  EXPECT_EQ(g_lookedUp[2], 65535);
  const LightRecord faces = RecordWithFaces();
  EXPECT_EQ(PointLight.ambient[3], faces.ambient[3]) << "exactly 4 m up: unchanged";
  EXPECT_EQ(PointLight.open[3], faces.open[3]);

  const int32_t just[3] = {0, 0, 4 * 65536 + 1};
  ASSERT_EQ(GetLightingAtPoint(just, 1), 1);
  EXPECT_NEAR(PointLight.open[3], faces.open[3], 0.01f) << "no jump just above 4 m";
  EXPECT_NEAR(PointLight.ambient[3], faces.ambient[3], 0.01f);

  const int32_t six[3] = {0, 0, 6 * 65536};
  ASSERT_EQ(GetLightingAtPoint(six, 1), 1);
  EXPECT_NEAR(PointLight.ambient[3], faces.ambient[3] * 0.5f, 1e-4f);
  EXPECT_NEAR(PointLight.colours[3][1], faces.colours[3][1] * 0.5f, 1e-5f);
  EXPECT_NEAR(PointLight.open[3], (faces.open[3] + 255.0f) * 0.5f, 1e-3f);

  // From 8 m up the ray still reaches the ground; above that the point has no lighting.
  const int32_t high[3] = {0, 0, 8 * 65536};
  ASSERT_EQ(GetLightingAtPoint(high, 1), 1);
  EXPECT_EQ(PointLight.ambient[0], 0.0f);
  EXPECT_EQ(PointLight.open[0], 255.0f);
  EXPECT_EQ(PointLight.colours[5][2], 0.0f);

  const int32_t higher[3] = {0, 0, 8 * 65536 + 1};
  EXPECT_EQ(GetLightingAtPoint(higher, 1), 0);
}

// ---- Stored entries and blocks ----
struct Writer {
  std::vector<uint8_t> bytes{'Z', 'K', 'T', 'L', 'G', 'T', 0, 1};
  void Byte(int v) { bytes.push_back(uint8_t(v)); }
  void Word(uint32_t v) {
    for (int k = 0; k < 4; ++k) bytes.push_back(uint8_t(v >> (8 * k)));
  }
  void Float(float f) {
    uint32_t w;
    std::memcpy(&w, &f, 4);
    Word(w);
  }
  void Entry(int seed) {
    Byte(seed);
    Byte(0xAA);
    Byte(0xAA);
    Byte(0xAA);
    for (int i = 0; i < 6; ++i) Word(uint32_t(seed * 100 + i));
    for (int i = 0; i < 4; ++i) Float(float(seed) + 0.25f * float(i));
    Word(0xDEADBEEF);  // the last four bytes
  }
};

bool Open(DataFile& df, const Writer& w) {
  int32_t version;
  return df.OpenReadMemory(nullptr, w.bytes.data(), int64_t(w.bytes.size()), "ZKTLGT", &version, 1) == 1;
}

TEST(LightFile, AnEntryIsReadFieldByFieldAndTakesFortyEightBytes) {
  Writer w;
  w.Entry(7);
  w.Word(0x12345678);
  DataFile df{};
  ASSERT_TRUE(Open(df, w));
  WorldLightEntry e{};
  ReadLightOctreeNode(e, df);
  EXPECT_EQ(e.type, 7);
  EXPECT_EQ(e.first[0], 700u);
  EXPECT_EQ(e.first[2], 702u);
  EXPECT_EQ(e.second[0], 703u);
  EXPECT_EQ(e.second[2], 705u);
  EXPECT_EQ(e.values[3], 7.75f);
  EXPECT_EQ(df.ReadUInt(), 0x12345678u) << "the next field follows the 48 bytes";
  df.Close();
}

TEST(LightFile, BlocksReadTheirListsTheThirdOnlyAboveFormatOne) {
  for (int format : {1, 2}) {
    Writer w;
    w.Word(0xFF);  // flags: bit 4 is cleared on reading
    w.Byte(format);
    w.Byte(9);
    w.Byte(9);
    w.Byte(9);
    w.Word(2);
    w.Word(1);
    if (format > 1) {
      w.Word(3);
      w.Word(0xCAFE);
    }
    for (int i = 0; i < (format > 1 ? 6 : 3); ++i) w.Entry(i + 1);
    DataFile df{};
    ASSERT_TRUE(Open(df, w));
    WorldLightBlock b;
    ASSERT_EQ(ReadLightOctreeNode2(b, df), 1) << format;
    EXPECT_EQ(b.flags, 0xEFu);
    EXPECT_EQ(b.format, format);
    ASSERT_EQ(b.lists[0].size(), 2u);
    ASSERT_EQ(b.lists[1].size(), 1u);
    EXPECT_EQ(b.lists[1][0].type, 3);
    if (format > 1) {
      ASSERT_EQ(b.lists[2].size(), 3u);
      EXPECT_EQ(b.lists[2][2].type, 6);
      EXPECT_EQ(b.extra, 0xCAFEu);
    } else {
      EXPECT_TRUE(b.lists[2].empty());
    }
    EXPECT_EQ(df.BytesLeft(), 0);
    df.Close();
  }
}

TEST(LightFile, ABlockWhoseCountsExceedTheFileIsRefusedBeforeAllocating) {
  ReportRecorder recorder;
  Writer w;
  w.Word(0);
  w.Byte(2);
  w.Byte(0);
  w.Byte(0);
  w.Byte(0);
  w.Word(0xFFFFFFFFu);  // four billion entries
  w.Word(0xFFFFFFFFu);
  w.Word(0xFFFFFFFFu);
  w.Word(0);
  w.Entry(1);
  DataFile df{};
  ASSERT_TRUE(Open(df, w));
  WorldLightBlock b;
  EXPECT_EQ(ReadLightOctreeNode2(b, df), 0);
  for (const auto& list : b.lists) EXPECT_TRUE(list.empty());
  ASSERT_NE(ReportRecorder::NewestText(), "");
  EXPECT_EQ(ReportRecorder::Reports().lines.back().rfind("1|-1|Damaged light block", 0), 0u) << "in the error colour";
  df.Close();

  // One entry short: refused as well.
  Writer shortBlock;
  shortBlock.Word(0);
  shortBlock.Byte(1);
  shortBlock.Byte(0);
  shortBlock.Byte(0);
  shortBlock.Byte(0);
  shortBlock.Word(2);
  shortBlock.Word(0);
  shortBlock.Entry(1);
  DataFile df2{};
  ASSERT_TRUE(Open(df2, shortBlock));
  EXPECT_EQ(ReadLightOctreeNode2(b, df2), 0);
  df2.Close();
}

}  // namespace
