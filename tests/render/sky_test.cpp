// sky_test.cpp - the light scheme file in every version, the default scheme put in front,
// damaged files, the choice of scheme; the sky worker's hand-over on the null device (tests
// wait on the state word, never on time); and the worker's computation against a
// double-precision one.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/data_file.h"
#include "platform/files.h"
#include "render/buffers.h"
#include "render/colour_science.h"
#include "render/constant_buffers.h"
#include "render/env_maps.h"
#include "render/sh_light.h"
#include "render/sky.h"
#include "render/sky_measure.h"
#include "render/sky_tables.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "render/views.h"
#include "tests/core/report_recorder.h"
#include "tests/render/null_renderer.h"

namespace {

// ---- scheme files ----

struct Record {
  uint8_t bytes[4] = {0, 3, 0, 0};
  char tag[4] = {'T', 'S', 0, 0};
  std::string picture;
  uint32_t sun = 0x112233;
  float intensity = 0.5f;
  float further[3] = {1.0f, 2.0f, 3.0f};
};

void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

// A file image holding the records as the version stores them; every skipped word is a
// marker that must never be taken for a field.
std::vector<uint8_t> SchemeFile(int version, const std::vector<Record>& records, uint32_t count) {
  std::vector<uint8_t> v = {'Z', 'K', 'T', 'S', 'C', 'M', uint8_t(version >> 8), uint8_t(version)};
  const uint32_t SKIPPED = 0xDEADBEEF;
  Put32(v, SKIPPED);
  Put32(v, count);
  for (const Record& r : records) {
    Put32(v, SKIPPED);
    v.insert(v.end(), r.bytes, r.bytes + 4);
    v.insert(v.end(), r.tag, r.tag + 4);
    char name[SKY_PICTURE_NAME_SIZE] = {};
    std::snprintf(name, sizeof name, "%s", r.picture.c_str());
    v.insert(v.end(), name, name + sizeof name);
    if (version < 2) Put32(v, SKIPPED);
    Put32(v, r.sun);
    Put32(v, std::bit_cast<uint32_t>(r.intensity));
    if (version < 2) Put32(v, SKIPPED);
    for (float f : r.further) Put32(v, std::bit_cast<uint32_t>(f));
    if (version < 2) Put32(v, SKIPPED);
  }
  return v;
}

void Install(const std::vector<uint8_t>& image) {
  ASSERT_TRUE(MakeFolder("data"));
  ASSERT_TRUE(MakeFolder("data\\skies"));
  ASSERT_EQ(FileWriteAll(LIGHT_SCHEME_FILE, image.data(), image.size()), 0);
}

std::vector<Record> Records(int n) {
  std::vector<Record> records(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    records[i].bytes[0] = uint8_t(i);
    records[i].sun = 0x010101u * uint32_t(i);
    records[i].further[0] = float(i);
  }
  return records;
}

void ExpectDefault(const LightScheme& s) {
  EXPECT_EQ(s.bytes[1], 3);
  EXPECT_EQ(s.bytes[2], 0);
  EXPECT_EQ(std::memcmp(s.tag, "__\0\0", 4), 0);
  EXPECT_EQ(s.skyPicture[0], 0);
  EXPECT_EQ(s.further[0], 0.0f);
  EXPECT_EQ(s.further[1], 1.5707964f);
  EXPECT_EQ(s.further[2], 8000.0f);
  EXPECT_EQ(s.skyTexture, nullptr);
}

class LightSchemeFile : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::remove_all("data/skies"); }
  void TearDown() override {
    std::filesystem::remove_all("data/skies");
    LoadLightScm();
    CurrentLightScheme = 0;
  }
};

// Schemes written out read back as they were: each field in its place.
TEST_F(LightSchemeFile, WrittenSchemesReadBackAsTheyWere) {
  LightScheme out[2] = {};
  for (int k = 0; k < 2; ++k) {
    out[k].bytes[0] = uint8_t(7 + k);
    out[k].bytes[1] = 3;
    out[k].tag[0] = char('A' + k);
    std::snprintf(out[k].skyPicture, sizeof out[k].skyPicture, "sky%d", k);
    out[k].sunColour = 0x112233u + uint32_t(k);
    out[k].sunIntensity = 0.25f * float(k + 1);
    out[k].further[0] = 1.0f + float(k);
    out[k].further[2] = 5.0f;
  }
  ASSERT_TRUE(MakeFolder("data"));
  ASSERT_TRUE(MakeFolder("data\\skies"));
  DataFile f;
  ASSERT_TRUE(f.OpenWrite(nullptr, LIGHT_SCHEME_FILE, LIGHT_SCHEME_MAGIC, LIGHT_SCHEME_VERSION));
  WriteLightSchemes(f, out, 2);
  f.Close();
  LoadLightScm();
  ASSERT_EQ(LightSchemeCount, 2);
  for (int k = 0; k < 2; ++k) {
    const LightScheme& s = LightSchemes[k];
    EXPECT_EQ(s.bytes[0], 7 + k) << k;
    EXPECT_EQ(s.tag[0], 'A' + k) << k;
    EXPECT_STREQ(s.skyPicture, out[k].skyPicture) << k;
    EXPECT_EQ(s.sunColour, out[k].sunColour) << k;
    EXPECT_EQ(s.sunIntensity, out[k].sunIntensity) << k;
    EXPECT_EQ(s.further[0], out[k].further[0]) << k;
    EXPECT_EQ(s.further[2], 5.0f) << k;
  }
}

TEST_F(LightSchemeFile, AMissingFileOrVersionZeroLeavesTheDefaultAlone) {
  LoadLightScm();
  EXPECT_EQ(LightSchemeCount, 1);
  ExpectDefault(LightSchemes[0]);
  EXPECT_EQ(LightSchemes[0].skyBrightness, 1.0f);
  EXPECT_EQ(LightSchemes[0].sunColour, 0u) << "nothing read: the default's other fields are zero";

  Install(SchemeFile(0, Records(3), 3));
  LoadLightScm();
  EXPECT_EQ(LightSchemeCount, 1);
  ExpectDefault(LightSchemes[0]);
  // Loading also makes the sun's limb-darkening factors the worker needs.
  EXPECT_EQ(SunLimbDarkening[0], LimbDarkeningDiscAverage(400.0f));
  EXPECT_EQ(SunLimbDarkening[SUN_WAVELENGTHS - 1], LimbDarkeningDiscAverage(695.0f));
}

TEST_F(LightSchemeFile, EachVersionReadsItsRecordsAndConvertsTheSunIntensity) {
  struct Case {
    int version;
    float expected;
  };
  const Case cases[] = {{1, std::pow(0.5f * 0.78431374f, 2.2f)}, {2, std::pow(0.5f, 2.2f)}, {3, 0.5f}};
  for (const Case& c : cases) {
    std::vector<Record> records = Records(2);
    records[1].sun = 0xA1B2C3;
    records[1].further[2] = 123.25f;
    Install(SchemeFile(c.version, records, 2));
    LoadLightScm();
    ASSERT_EQ(LightSchemeCount, 2) << c.version;
    const LightScheme& s = LightSchemes[1];
    EXPECT_FLOAT_EQ(s.sunIntensity, c.expected) << c.version;
    EXPECT_EQ(s.sunColour, 0xA1B2C3u) << c.version << ": the skipped words were skipped";
    EXPECT_EQ(s.further[0], 1.0f);
    EXPECT_EQ(s.further[2], 123.25f) << c.version;
    EXPECT_EQ(s.bytes[0], 1);
    EXPECT_EQ(std::memcmp(s.tag, "TS\0\0", 4), 0);
    EXPECT_EQ(s.skyBrightness, 1.0f);
    EXPECT_EQ(s.skyAmbientColour, 0u);
    EXPECT_EQ(s.skyTexture, nullptr);
  }
}

TEST_F(LightSchemeFile, AnOldFileStartingWithAPictureGetsTheDefaultInFront) {
  std::vector<Record> records = Records(2);
  records[0].picture = "cloudy";
  records[0].bytes[0] = 9;
  records[0].bytes[3] = 7;
  records[0].sun = 0x445566;
  Install(SchemeFile(1, records, 2));
  LoadLightScm();
  ASSERT_EQ(LightSchemeCount, 3);
  ExpectDefault(LightSchemes[0]);
  EXPECT_EQ(LightSchemes[0].bytes[0], 9) << "the default keeps what index 0 held in its other fields";
  EXPECT_EQ(LightSchemes[0].bytes[3], 7);
  EXPECT_EQ(LightSchemes[0].sunColour, 0x445566u);
  EXPECT_STREQ(LightSchemes[1].skyPicture, "cloudy");
  EXPECT_EQ(LightSchemes[2].bytes[0], 1);

  // From version 2 on a picture may come first.
  Install(SchemeFile(2, records, 2));
  LoadLightScm();
  EXPECT_EQ(LightSchemeCount, 2);
  EXPECT_STREQ(LightSchemes[0].skyPicture, "cloudy");
}

TEST_F(LightSchemeFile, TwentyFiveSchemesGiveTwentyAndTheTwentiethFallsBehindAnInsertedDefault) {
  Install(SchemeFile(3, Records(25), 25));
  LoadLightScm();
  ASSERT_EQ(LightSchemeCount, LIGHT_SCHEME_LIMIT);
  EXPECT_EQ(LightSchemes[19].bytes[0], 19);

  std::vector<Record> records = Records(25);
  records[0].picture = "dawn";
  Install(SchemeFile(1, records, 25));
  LoadLightScm();
  ASSERT_EQ(LightSchemeCount, LIGHT_SCHEME_LIMIT);
  ExpectDefault(LightSchemes[0]);
  EXPECT_STREQ(LightSchemes[1].skyPicture, "dawn");
  EXPECT_EQ(LightSchemes[19].bytes[0], 18) << "the file's twentieth scheme dropped";
}

TEST_F(LightSchemeFile, DamagedFilesKeepTheirWholeRecordsAndUsableIntensities) {
  std::vector<uint8_t> image = SchemeFile(3, Records(3), 3);
  image.resize(image.size() - LIGHT_SCHEME_BYTES / 2);
  Install(image);
  LoadLightScm();
  EXPECT_EQ(LightSchemeCount, 2);
  // A count far beyond the records is held to what is there.
  Install(SchemeFile(3, Records(2), 0xFFFFFFF0u));
  LoadLightScm();
  EXPECT_EQ(LightSchemeCount, 2);
  // A negative intensity would become NaN through the power of 2.2; one stored as NaN too.
  std::vector<Record> records = Records(2);
  records[0].intensity = -0.5f;
  records[1].intensity = NAN;
  for (int version : {2, 3}) {
    Install(SchemeFile(version, records, 2));
    LoadLightScm();
    ASSERT_EQ(LightSchemeCount, 2);
    EXPECT_EQ(LightSchemes[0].sunIntensity, 0.0f) << version;
    EXPECT_EQ(LightSchemes[1].sunIntensity, 0.0f) << version;
  }
}

TEST_F(LightSchemeFile, TheSettingChoosesTheSchemeAndAChangeRedrawsTheEnvironment) {
  Install(SchemeFile(3, Records(4), 4));
  LoadLightScm();
  const int savedLighting = CfgLighting;
  CurrentLightScheme = 0;
  Environment.state = ENVIRONMENT_DRAWN;
  CfgLighting = -3;
  SelectLightPreset();
  EXPECT_EQ(CurrentLightScheme, 0);
  EXPECT_EQ(Environment.state, ENVIRONMENT_DRAWN) << "no change, no redraw";
  CfgLighting = 17;
  SelectLightPreset();
  EXPECT_EQ(CurrentLightScheme, 3);
  EXPECT_EQ(Environment.state, ENVIRONMENT_TO_DRAW);
  Global3DMode = 0;
  Environment.state = ENVIRONMENT_DRAWN;
  CfgLighting = 1;
  SelectLightPreset();
  EXPECT_EQ(CurrentLightScheme, 1);
  EXPECT_EQ(Environment.state, ENVIRONMENT_DRAWN) << "without 3D nothing is asked of the environment";
  Global3DMode = 1;
  Environment.state = ENVIRONMENT_NOT_CREATED;
  CfgLighting = savedLighting;
}

// Without a device the tracked picture's target cannot be made: the step that failed is
// shown once, in the error colour, and nothing is kept.
TEST(SkyMeasureSurfaces, WithoutADeviceTheTargetIsNotMadeAndTheFailureIsShown) {
  ReportRecorder recorder;
  ASSERT_FALSE(Gfx.device) << "no device between the renderer's suites";
  EXPECT_EQ(CreateTrackedReadSurface(), 0);
  EXPECT_EQ(ReportRecorder::CountLines("get_render_tex failed"), 1);
  EXPECT_EQ(SkyMeasure.target, nullptr);
  EXPECT_EQ(AddTextureRef("TRACKED~T", 0), nullptr);
  ReleaseSkyMeasureSurfaces();
}

// ---- the worker's hand-over ----

void Direction(float elevation, float out[3]) {
  out[0] = 0.6f * std::cos(elevation);
  out[1] = 0.8f * std::cos(elevation);
  out[2] = std::sin(elevation);
}

// Waits for the worker's result, on the state word alone (a hung worker ends the test
// through the test's time-out).
void WaitForResult() {
  while (Sky.state.load(std::memory_order_acquire) != SKY_RESULT_READY) ThreadSleepMs(1);
}

class SkyWorkerHandOver : public NullRenderer {
 protected:
  void SetUp() override {
    NullRenderer::SetUp();
    std::filesystem::remove_all("data/skies");
    LoadLightScm();
    CurrentLightScheme = 0;
    SkyOptions = 0;
  }
  void TearDown() override {
    StopSkyThread();
    ClearLightSchemeLightWords();
    FreeTextureRecord(AddTextureRef("SKY~GPU", 0));
  }
  ReportRecorder recorder_;
};

TEST_F(SkyWorkerHandOver, TheSunIsPostedPastTheThresholdAndTheResultReachesTheScheme) {
  CreateSkyTexture();
  ASSERT_NE(Sky.texture, nullptr);
  EXPECT_EQ(AddTextureRef("SKY~GPU", 0), Sky.texture);
  EXPECT_EQ(Sky.texture->width, SKY_TEXTURE_SIZE);
  EXPECT_EQ(Sky.texture->format, GFX_FORMAT_R8G8B8A8_UNORM_SRGB);
  ASSERT_EQ(Sky.state.load(), SKY_IDLE);
  ASSERT_TRUE(Sky.thread.running);

  float d[3];
  Direction(-0.1f, d);
  PollSkyWorker(d);
  EXPECT_NE(Sky.state.load(), SKY_IDLE) << "never posted: the first poll posts";
  WaitForResult();
  Environment.state = ENVIRONMENT_DRAWN;
  SkyOptions = SKY_AUTO_WHITE_BALANCE;
  PollSkyWorker(d);
  ASSERT_EQ(Sky.state.load(), SKY_IDLE);

  const LightScheme& s = CurrentScheme();
  const SkyResult& r = Sky.result;
  EXPECT_EQ(s.skyBrightness, r.largest);
  EXPECT_GT(r.largest, 1e-5f);
  EXPECT_EQ(s.sunColour, r.sunColour);
  EXPECT_EQ(s.sunIntensity, r.sunIntensity);
  EXPECT_EQ(s.skyAmbientColour, uint32_t(r.ambient[0]) | uint32_t(r.ambient[1]) << 8 | uint32_t(r.ambient[2]) << 16);
  EXPECT_EQ(std::memcmp(&s.light, &r.light, sizeof s.light), 0);
  EXPECT_EQ(s.skyTexture, nullptr) << "the poll alone does not choose the scheme's texture";
  EXPECT_EQ(Environment.state, ENVIRONMENT_TO_DRAW) << "a new sky asks for the environment again";
  EXPECT_EQ(WhiteBalance.sunKelvin, r.sunKelvin);
  EXPECT_EQ(WhiteBalance.setting, int(std::lround(std::max(4200.0f, (r.sunKelvin + 7100.0f) * 0.5f) * 0.01f)))
      << "Ctrl+E's word sets the white balance from the sun";
  EXPECT_EQ(std::memcmp(PSConstants[PS_ROW_SKY].shadow, r.shaderConstants, sizeof r.shaderConstants), 0)
      << "the worker's constants went to pixel row 13";

  // At e = -0.1 the threshold is 0.0008726647 rad.
  float closer[3], further[3];
  Direction(-0.1f - 0.0008f, closer);
  PollSkyWorker(closer);
  EXPECT_EQ(Sky.state.load(), SKY_IDLE) << "0.0008 rad posts nothing";
  Direction(-0.1f - 0.001f, further);
  PollSkyWorker(further);
  EXPECT_NE(Sky.state.load(), SKY_IDLE) << "0.001 rad posts";
  EXPECT_EQ(Sky.posted[2], further[2]);
  WaitForResult();
  PollSkyWorker(further);
  EXPECT_EQ(Sky.state.load(), SKY_IDLE);
  Environment.state = ENVIRONMENT_NOT_CREATED;
}

TEST_F(SkyWorkerHandOver, ThresholdsGrowAwayFromTheHorizon) {
  EXPECT_FLOAT_EQ(SkyPostThreshold(0.0f), 0.008726646f - 0.007853981f);  // 0.05 degrees
  EXPECT_NEAR(SkyPostThreshold(1.5f), 0.008726646f - 0.007853981f / 37.0f, 1e-9f);
  EXPECT_EQ(SkyPostThreshold(-0.1f), 0.0008726647f);
  EXPECT_EQ(SkyPostThreshold(-0.31415927f), 0.008726646f) << "from 18 degrees down";
}

TEST_F(SkyWorkerHandOver, APollWhileTheWorkerComputesReturnsAtOnceAndAResultShowsItsMessage) {
  // No thread: the state word alone says what the poll sees.
  std::vector<float> image(size_t(SKY_IMAGE_SIZE) * SKY_IMAGE_SIZE * 3);
  std::vector<uint32_t> words(size_t(SKY_IMAGE_SIZE) * SKY_IMAGE_SIZE);
  Sky.image = image.data();
  Sky.words = words.data();
  Direction(0.3f, Sky.posted);
  const float before = Sky.posted[2];
  const LightScheme scheme = CurrentScheme();
  Sky.state.store(SKY_WORK_POSTED);
  float d[3];
  Direction(1.2f, d);
  PollSkyWorker(d);
  EXPECT_EQ(Sky.state.load(), SKY_WORK_POSTED);
  EXPECT_EQ(Sky.posted[2], before) << "nothing is posted while the worker is busy";
  EXPECT_EQ(std::memcmp(&CurrentScheme(), &scheme, sizeof scheme), 0);

  // A result with a message: the message is shown once in the error colour, then cleared.
  std::snprintf(Sky.message, sizeof Sky.message, "sky message");
  Sky.state.store(SKY_RESULT_READY);
  PollSkyWorker(d);
  EXPECT_EQ(Sky.state.load(), SKY_IDLE);
  EXPECT_EQ(ReportRecorder::CountLines("1|-1|sky message"), 1);
  EXPECT_EQ(Sky.message[0], 0);
  Sky.state.store(SKY_NO_THREAD);
  Sky.image = nullptr;
  Sky.words = nullptr;
}

// The sky follows the view's light direction, made a unit vector: a view without one (all
// zeros) has no sun to post, and the worker is left idle and never posted; a direction of
// (0, 1, 1) in 16.16 goes to the worker as (0, 0.7071, 0.7071).
TEST_F(SkyWorkerHandOver, AViewWithoutALightDirectionPostsNoSky) {
  View* const savedView = CurrentView;
  const int savedMode = Global3DMode;
  Global3DMode = 1;
  View view;
  const int32_t eye[3] = {0, 0, 0}, none[3] = {0, 0, 0};
  const float forward[3] = {0, 1, 0};
  InitView(view, eye, forward, none);
  ASSERT_EQ(CurrentView, &view);
  UpdateSky();
  ASSERT_NE(Sky.texture, nullptr);
  EXPECT_EQ(CurrentScheme().skyTexture, Sky.texture);
  EXPECT_EQ(Sky.state.load(), SKY_IDLE) << "nothing posted";
  EXPECT_EQ(Sky.neverPosted, 1);
  view.lightDirection[1] = view.lightDirection[2] = 0x10000;
  UpdateSky();
  EXPECT_EQ(Sky.neverPosted, 0) << "a direction posts";
  EXPECT_EQ(Sky.posted[0], 0.0f);
  EXPECT_NEAR(Sky.posted[1], 0.70710678f, 1e-6f);
  EXPECT_NEAR(Sky.posted[2], 0.70710678f, 1e-6f);
  WaitForResult();
  CurrentScheme().skyTexture = nullptr;
  CurrentView = savedView;
  Global3DMode = savedMode;
}

TEST_F(SkyWorkerHandOver, MakingTheTextureAgainKeepsAPostUnderWay) {
  CreateSkyTexture();
  float d[3];
  Direction(0.5f, d);
  PollSkyWorker(d);
  // The device went and came back while the worker computes (2) or holds its result (3).
  ClearLightSchemeLightWords();
  FreeTextureRecord(AddTextureRef("SKY~GPU", 0));
  CreateSkyTexture();
  EXPECT_NE(Sky.texture, nullptr);
  EXPECT_EQ(Sky.posted[2], d[2]) << "the post is kept";
  EXPECT_EQ(Sky.neverPosted, 0);
  WaitForResult();
  PollSkyWorker(d);
  ASSERT_EQ(Sky.state.load(), SKY_IDLE);
  CreateSkyTexture();
  EXPECT_EQ(Sky.posted[2], 0.0f) << "idle: the last post is forgotten";
  EXPECT_EQ(Sky.neverPosted, 1);
  PollSkyWorker(d);
  EXPECT_NE(Sky.state.load(), SKY_IDLE) << "so the same sun is posted again";
  WaitForResult();
}

TEST_F(SkyWorkerHandOver, StoppingLetsTheComputationFinishThenFreesTheBuffers) {
  CreateSkyTexture();
  float d[3];
  Direction(0.2f, d);
  PollSkyWorker(d);
  Sky.result.largest = 0.0f;
  StopSkyThread();
  EXPECT_EQ(Sky.state.load(), SKY_NO_THREAD);
  EXPECT_FALSE(Sky.thread.running);
  EXPECT_EQ(Sky.image, nullptr);
  EXPECT_EQ(Sky.words, nullptr);
  EXPECT_GT(Sky.result.largest, 0.0f) << "the posted computation ran to its end";
  StopSkyThread();  // a second stop finds nothing to do
  EXPECT_EQ(Sky.state.load(), SKY_NO_THREAD);
}

TEST_F(SkyWorkerHandOver, ReleasingTheDeviceDropsEverySchemesTexture) {
  Install(SchemeFile(3, Records(4), 4));
  LoadLightScm();
  CreateSkyTexture();
  ZKTETexture picture{};
  for (int i = 0; i < LightSchemeCount; ++i) LightSchemes[i].skyTexture = i == 0 ? Sky.texture : &picture;
  FreeAllGraphics(1, 0);
  for (int i = 0; i < LIGHT_SCHEME_LIMIT; ++i) EXPECT_EQ(LightSchemes[i].skyTexture, nullptr) << i;
  EXPECT_EQ(Sky.texture, nullptr);
  CreateSkyTexture();
  EXPECT_NE(Sky.texture, nullptr) << "made again on the new device";
  std::filesystem::remove_all("data/skies");
}

// ---- the worker's computation ----

constexpr double PI = 3.14159265358979323846;

double Radiance(const HosekSkyState& s, double theta, double gamma, int c) {
  const float* p = s.configs[c];
  const double A = p[0], B = p[1], C = p[2], D = p[3], E = p[4], F = p[5], G = p[6], I = p[7], H = p[8];
  const double cosGamma = std::cos(gamma), cosTheta = std::cos(theta);
  const double mie = (1 + cosGamma * cosGamma) / std::pow(1 + H * H - 2 * H * cosGamma, 1.5);
  return (1 + A * std::exp(B / (cosTheta + 0.01))) *
         (C + D * std::exp(E * gamma) + F * cosGamma * cosGamma + G * mie + I * std::sqrt(std::max(cosTheta, 0.0))) *
         s.radiances[c];
}

int GammaByte(double v) { return int(std::min(255L, std::lround(std::pow(v, 1 / 2.2) * 255))); }

TEST(SkyComputation, SkyAverageAndSunMatchADoublePrecisionComputation) {
  LoadLightScm();  // the limb-darkening factors
  std::vector<float> image(size_t(SKY_IMAGE_SIZE) * SKY_IMAGE_SIZE * 3);
  std::vector<uint32_t> words(size_t(SKY_IMAGE_SIZE) * SKY_IMAGE_SIZE);
  for (float elevation : {1.2f, 0.45f, 0.04f, -0.05f}) {
    SkyWorker w;
    w.image = image.data();
    w.words = words.data();
    Direction(elevation, w.posted);
    w.turbidity = 3.0f;
    w.albedo = 0.1f;
    ASSERT_EQ(ComputeSky(w), nullptr);
    const SkyResult& r = w.result;

    const HosekSkyState s = *HosekSkyModelInit(elevation);
    const int n = SKY_IMAGE_SIZE;
    double largest = 1e-5, sum[3] = {0, 0, 0};
    int inside = 0;
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i) {
        const double x = (2.0 * i - (n - 1)) / n, y = (2.0 * j - (n - 1)) / n, radius = std::hypot(x, y);
        if (radius > 1) continue;
        const double theta = radius * PI / 2, k = radius > 0 ? std::sin(theta) / radius : 0;
        const double view[3] = {k * x, k * y, radius > 0 ? std::cos(theta) : 1.0};
        const double cosGamma = view[0] * w.posted[0] + view[1] * w.posted[1] + view[2] * w.posted[2];
        const double gamma = std::acos(std::clamp(cosGamma, -1.0, 1.0));
        for (int c = 0; c < 3; ++c) {
          const double v = Radiance(s, theta, gamma, c) / 15;
          largest = std::max(largest, v);
          sum[c] += v;
        }
        ++inside;
      }
    EXPECT_NEAR(r.largest, largest, largest * 1e-4) << elevation;
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(r.ambient[c], GammaByte(sum[c] / inside / largest), 1) << elevation;
    EXPECT_FLOAT_EQ(r.shaderConstants[43], float((1.0 / 15) / r.largest));
    EXPECT_EQ(r.shaderConstants[42], w.posted[2]);
    // The light is the one the picture of words gives, and a sky above the horizon lights
    // an upward face.
    ShIrradiance fromWords;
    AccumulateCubeFaceSH(reinterpret_cast<const uint8_t*>(words.data()), n * 4, n, 1.0f, &fromWords);
    EXPECT_EQ(std::memcmp(&fromWords, &r.light, sizeof fromWords), 0) << elevation;
    float up[3];
    SkyIrradianceUp(r.light, up);
    if (elevation > 0.0f) {
      for (int c = 0; c < 3; ++c) EXPECT_GT(up[c], 0.0f) << elevation;
    }

    // The sun: 60 wavelengths through the colour-matching functions, in double.
    const double e = std::max(std::asin(double(w.posted[2])), 0.0);
    double xyz[3] = {0, 0, 0};
    for (int k = 0; k < SUN_WAVELENGTHS; ++k) {
      const float wave = 400.0f + 5.0f * float(k);
      const double radiance = double(HosekSolarRadiance(wave, float(e))) * LimbDarkeningDiscAverage(wave);
      for (int c = 0; c < 3; ++c) xyz[c] += 5 * radiance * Cie1931ColourMatching[k][c];
    }
    double rgb[3];
    for (int c = 0; c < 3; ++c)
      rgb[c] = std::max(0.0, XyzToRgb[c][0] * xyz[0] + XyzToRgb[c][1] * xyz[1] + XyzToRgb[c][2] * xyz[2]);
    double back[3];
    for (int c = 0; c < 3; ++c) back[c] = RgbToXyz[c][0] * rgb[0] + RgbToXyz[c][1] * rgb[1] + RgbToXyz[c][2] * rgb[2];
    const double total = back[0] + back[1] + back[2];
    const double nn = (back[0] / total - 0.332) / (back[1] / total - 0.1858);
    const double kelvin = -449 * nn * nn * nn + 3525 * nn * nn - 6823.3 * nn + 5520.33;
    EXPECT_NEAR(r.sunKelvin, kelvin, 0.5) << elevation;
    const double m = std::max({rgb[0], rgb[1], rgb[2]}) * 1.4415001e-6;
    if (m <= 0.0001) {  // a sun too dim to see: black, no intensity
      EXPECT_EQ(r.sunColour, 0u) << elevation;
      EXPECT_EQ(r.sunIntensity, 0.0f) << elevation;
      continue;
    }
    EXPECT_NEAR(r.sunIntensity, m, m * 1e-4) << elevation;
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(int(r.sunColour >> (8 * c) & 0xFF), GammaByte(rgb[c] * 1.4415001e-6 / m), 1) << elevation;
  }
}

}  // namespace
