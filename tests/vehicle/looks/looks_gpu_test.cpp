// looks_gpu_test.cpp - the wheel's looks and the number plates on a real GL context: a plate
// page drawn and read back from "PLATE~0" and "PLATE~0_AON", and a sample car's rim and five
// spokes drawn side-on, and its rim again in the editor's wheel drawn in place.  The pictures
// are written to gpu/*.png to look at.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "model/model_meshes.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/generated_textures.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/primitives.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/system_textures.h"
#include "render/texture_table.h"
#include "render/views.h"
#include "tests/gpu_device.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/ui/charset_test_util.h"
#include "tests/ui/png_test_util.h"
#include "text/text_colours.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "vehicle/car_drawing.h"
#include "vehicle/car_geometry.h"
#include "vehicle/car_skins.h"
#include "vehicle/number_plates.h"
#include "vehicle/wheel_meshes.h"
#include "vehicle/wheel_profile.h"
#include "vehicle_data/rim_profile.h"

namespace {

constexpr int SIZE = 128;                 // pixels of the wheel picture
constexpr float PIXELS_PER_METRE = 200;   // 0.64 m across
constexpr uint32_t CLEAR = 0xFF102030u;
constexpr int PAGE = PLATE_TEXTURE_SIZE;

class LooksPixels : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ready_ = StartTestDevice(SIZE, SIZE);
    const Bytes image = ReadWholeFile(GeneratedCharsetPath());
    charset_ = !image.empty() && LoadTestImage(image) == 1;
  }
  static void TearDownTestSuite() {
    FreeCharacterSet();
    StopTestDevice();
  }
  void SetUp() override {
    if (!ready_) ZKT_SKIP_OUTSIDE_CI() << "no device";
    SetDefaultTextColours();
    BuildGammaTables();
    InitSinCosTables();  // the spokes turn through them
    GraphicsEnabled = 1;
  }
  void TearDown() override {
    if (!ready_) return;
    ClearPlates();
    FreeAllFastMeshes();
    for (int slot = 0; slot < 3; ++slot) BindTextureSlot(slot, nullptr);
    FreeAllMaterials();
    ReleaseTestTarget(target);
    ResetTestMatrices();
    FindSkinTexture = FindPageTextureByName;
  }
  static inline bool ready_ = false, charset_ = false;
  ZKTETexture target{};
};

// The texels of a page's top level, RGBA.
std::vector<uint8_t> PageTexels(const Material* m) {
  std::vector<uint8_t> p(size_t(PAGE) * PAGE * 4);
  EXPECT_TRUE(m && m->texture && GfxReadTexturePixels(Gfx.context, m->texture->texture, 0, p.data(), p.size()));
  return p;
}

bool IsPageWhite(const uint8_t* c) { return c[0] == 248 && c[1] == 252 && c[2] == 248; }

// From 10 m out along +x looking back at the wheel: world y to the right, z up.
void LookAlongTheAxle() {
  const float rows[3][3] = {{0, 0, -1}, {1, 0, 0}, {0, 1, 0}};  // where world x, y, z go
  const float eye[3] = {10, 0, 0};
  LookOrthographic(rows, eye, SIZE / PIXELS_PER_METRE);
}

Material* g_white;
Material* WhiteOnly(const char*, int, int, int, const CutoutMaterial&, int) { return g_white; }

uint32_t At(const std::vector<uint8_t>& p, int x, int y) {
  const uint8_t* q = &p[(size_t(y) * SIZE + size_t(x)) * 4];
  return uint32_t(q[0]) << 16 | uint32_t(q[1]) << 8 | q[2];
}

bool Near(uint32_t got, uint32_t want, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(int(got >> shift & 0xFF) - int(want >> shift & 0xFF)) > tolerance) return false;
  return true;
}

}  // namespace

TEST_F(LooksPixels, APlatePageHasEachPlateInItsQuarterRedWhereTheTextSaysAndAlphaWhereThereIsInk) {
  ASSERT_TRUE(charset_) << "the generated character set " << GeneratedCharsetPath();
  InstallNumberPlates();
  ClearPlates();
  {
    std::lock_guard<std::mutex> lock(PlateLock);
    ASSERT_EQ(GetPlateSlot("^1RED 1"), 0);
    ASSERT_EQ(GetPlateSlot("AB 12"), 1);
    ASSERT_EQ(GetPlateSlot("ZKT 7"), 2);
  }
  ASSERT_EQ(PlateRegenPending, 1);
  PlateRegenPending = 0;
  {
    std::lock_guard<std::mutex> lock(PlateLock);
    RegenPlates();
  }
  const std::vector<uint8_t> colour = PageTexels(PlateMaterials[0]);
  const std::vector<uint8_t> alpha = PageTexels(AlphaPlateMaterials[0]);
  WritePng("gpu/plate_page.png", colour, PAGE, PAGE);
  WritePng("gpu/plate_alpha.png", alpha, PAGE, PAGE);
  const int rows = PAGE / 4;
  for (int q = 0; q < 4; ++q) {
    int ink = 0, notRed = 0, notGrey = 0;
    for (int y = q * rows; y < (q + 1) * rows; ++y)
      for (int x = 0; x < PAGE; ++x) {
        const uint8_t* c = &colour[(size_t(y) * PAGE + size_t(x)) * 4];
        const uint8_t* a = &alpha[(size_t(y) * PAGE + size_t(x)) * 4];
        const bool white = IsPageWhite(c);
        EXPECT_EQ(a[3] > 0, !white) << "alpha where the colour page is not white: " << x << " " << y;
        if (white) continue;
        ++ink;
        notRed += !(c[0] > c[1] + 8 && c[0] > c[2] + 8);
        notGrey += std::abs(int(c[0]) - int(c[2])) > 16;
        // The first and last rows of a quarter stay clear: no plate reaches the next.
        EXPECT_TRUE(y != q * rows && y != (q + 1) * rows - 1) << "ink on a quarter's edge row " << y;
      }
    if (q < 3) {
      EXPECT_GT(ink, 200) << "quarter " << q;
    } else {
      EXPECT_EQ(ink, 0) << "the free fourth slot";
    }
    if (q == 0) {
      EXPECT_EQ(notRed, 0) << "\"^1\" draws red";
    }
    if (q == 1) {
      EXPECT_EQ(notGrey, 0) << "black text";
    }
  }
}

TEST_F(LooksPixels, ASampleCarsRimAndFiveSpokesSideOnAndTheRimOfTheWheelDrawnInPlace) {
  ASSERT_TRUE(ShadersCompile(12, 38)) << "vs_12 and ps_38 compiled";
  ASSERT_TRUE(MakeTestTarget(target, SIZE, SIZE, true));
  ASSERT_EQ(SetRenderTexture(&target, 0, 0, 0), 1);
  SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
  View view{};
  const int32_t origin[3] = {0, 0, 0}, light[3] = {65536, 0, 0};
  const float forward[3] = {-1, 0, 0};
  InitView(view, origin, forward, light);
  MeshDisplay = MeshDisplaySettings{};
  CurrentWorldPass = 0;
  LookAlongTheAxle();
  LightEvenlyWithoutFog();
  DrawOpaqueBothFaces();
  Clear(CLEAR, 3);

  // Every texture white: what shows is the rim's and the spoke's colour.
  const uint8_t white[4] = {255, 255, 255, 255};
  ZKTETexture* plain = CreateGeneratedTexture("WHEEL~WHITE", 1, white);
  ASSERT_NE(plain, nullptr);
  MaterialParams params{};
  params.shineRed = params.shineGreen = params.shineBlue = 0xFF;
  g_white = CreateMaterial(plain, 0, 0, 0, params, 0);
  FindSkinTexture = WhiteOnly;

  Car car;
  BuildSampleVehicle(0, car);
  for (SuspensionBlock& set : car.wheelSets) {
    SetupTyre(set, 0, 0.0f);
    set.rimShadeTenths = 0;  // unshaded: one colour for each mapping
  }
  ASSERT_NE(car.rim, nullptr);
  ASSERT_EQ(car.rim->mappingCount, 2);
  std::snprintf(car.rim->mappings[1].name, CUTOUT_NAME_SIZE, "M1_face");  // the rim's colour too
  car.rim->secondByte = 0;                                              // no black inner rim
  car.currentColours.groups[1][0] = RgbWord(40, 120, 50);                // the rim: 51, 153, 64
  car.currentColours.groups[1][1] = RgbWord(120, 30, 30);                // the spoke: 153, 38, 38
  ASSERT_EQ(car.spokeCount, 5);
  car.BuildMeshes();
  SuspensionBlock& set = car.wheelSets[0];
  ASSERT_NE(set.rimMesh, nullptr);
  ASSERT_NE(set.spokeMesh, nullptr);
  EXPECT_EQ(DrawWheelMeshes(CarDrawContext{WHEEL_DRAW_SPOKES | WHEEL_DRAW_RIM}, set, 0, 0), 0);

  std::vector<uint8_t> p(SIZE * SIZE * 4);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, target.texture, 0, p.data(), p.size()));
  WritePng("gpu/wheel_side_on.png", p, SIZE, SIZE);
  const uint32_t rim = ApplyBrightnessTable(0xFF000000u | 51u << 16 | 153u << 8 | 64u) & 0xFFFFFF;
  const uint32_t spoke = ApplyBrightnessTable(0xFF000000u | 153u << 16 | 38u << 8 | 38u) & 0xFFFFFF;
  const uint32_t background = CLEAR & 0xFFFFFF;
  auto pixel = [&](double angle, double radius) {
    // Picture x is world y (right), picture y world z (up).
    const double y = radius * std::cos(angle), z = radius * std::sin(angle);
    return At(p, int(std::floor(SIZE / 2 + y * PIXELS_PER_METRE)), int(std::floor(SIZE / 2 - z * PIXELS_PER_METRE)));
  };
  // The rim band: its face between 0.65 and the full inner radius, all the way round.
  const double inner = set.rimRadius - set.rimInnerDepthMm / 1000.0;
  for (int k = 0; k < 16; ++k) {
    const double a = k * 2 * 3.14159265358979 / 16 + 0.1;
    EXPECT_TRUE(Near(pixel(a, 0.8 * inner), rim, 3)) << "rim band at " << a << ": " << std::hex << pixel(a, 0.8 * inner);
  }
  // Round a circle through the spokes: five runs of the spoke colour with gaps of background.
  const double r = 0.09;
  int runs = 0, spokePixels = 0, gapPixels = 0;
  bool inSpoke = Near(pixel(0, r), spoke, 3);  // the last sample is angle 0 again: the circle closes
  for (int k = 1; k <= 720; ++k) {
    const uint32_t c = pixel(k * 3.14159265358979 / 360, r);
    const bool s = Near(c, spoke, 3);
    spokePixels += s;
    gapPixels += c == background;
    if (s && !inSpoke) ++runs;
    inSpoke = s;
  }
  EXPECT_EQ(runs, 5) << "five spokes";
  EXPECT_GT(spokePixels, 5 * 4);
  EXPECT_GT(gapPixels, 720 / 2) << "gaps between the spokes";
  EXPECT_EQ(At(p, 1, 1), background) << "outside the wheel";

  // The vehicle editor's wheel view draws the wheel alone in its own axes, its centre at the
  // origin: the same rim band shows there.
  Clear(CLEAR, 3);
  ResetTempMeshes();
  CarTyreFrame frame = {};
  frame.lodDistance = 5 << 16;
  DrawWheelInPlace(car, 0, frame);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, target.texture, 0, p.data(), p.size()));
  WritePng("gpu/wheel_in_place.png", p, SIZE, SIZE);
  for (int k = 0; k < 16; ++k) {
    const double a = k * 2 * 3.14159265358979 / 16 + 0.1;
    EXPECT_TRUE(Near(pixel(a, 0.8 * inner), rim, 3)) << "in place, rim band at " << a << ": " << std::hex
                                                     << pixel(a, 0.8 * inner);
  }
}
