// texture_gpu_test.cpp - textures of the table drawn on a real GL context: a BC1 DDS shows
// its colours, a grey PNG shows grey (not red), and a font page's texels read back.
// The device is made by the environment of render_gpu_test.cpp.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "render/device.h"
#include "render/draw2d.h"
#include "render/font_pages.h"
#include "render/generated_textures.h"
#include "render/material.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/system_textures.h"
#include "render/texture_files.h"
#include "render/texture_table.h"
#include "tests/gpu_device.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/texconv/test_pictures.h"

namespace {

// A 64 x 64 plain (not sRGB) target: an sRGB texture reads back as its linear values.
class TexturePixels : public ::testing::Test {
 protected:
  static constexpr int SIZE = 64;
  ZKTETexture target{};

  void SetUp() override {
    if (Gfx.initState != 2) ZKT_SKIP_OUTSIDE_CI() << "no device";
    std::filesystem::remove_all("data");
    ASSERT_TRUE(MakeTestTarget(target, SIZE, SIZE));
    ASSERT_TRUE(BeginTestFrame2D(target));
  }
  void TearDown() override {
    if (Gfx.initState != 2) return;
    SetTexture(0, nullptr);
    ReleaseTestTarget(target);
    SetViewportFull();
    RenderStates.pendingDepth = 0;
  }
  // Draws the texture over the whole target.
  void DrawWhole(ZKTETexture* texture) {
    MaterialParams p{};
    Material* m = CreateMaterial(texture, 0, 0, 0, p, 0);
    Draw2D& l = Draw2DList;
    l.StartBatch(m);
    const uint32_t white = 0xFFFFFFFFu;
    int a = l.AddVertex(white, -1, -1, 0, 0), b = l.AddVertex(white, 1, -1, 1, 0);
    int c = l.AddVertex(white, 1, 1, 1, 1), d = l.AddVertex(white, -1, 1, 0, 1);
    l.AddQuad(a, b, c, d);
    l.EndBatch();
    FlushDraw2D();
    ResetDraw2D();
    ReleaseMaterial(m);
  }
  // 0xAARRGGBB of a pixel (x right, y down).
  uint32_t Pixel(int x, int y) { return PixelArgb(ReadTargetPixels(target), SIZE, x, y); }
};

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  ASSERT_TRUE(testpics::WriteFileBytes(path, bytes)) << path;
}

}  // namespace

TEST_F(TexturePixels, ADdsShowsItsColours) {
  // Four quadrants, top left red, top right green, bottom left blue, bottom right white.
  std::vector<uint8_t> rgba(32 * 32 * 4);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const int q = (y >= 16) * 2 + (x >= 16);
      const uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
      uint8_t* p = &rgba[(size_t(y) * 32 + x) * 4];
      p[0] = colours[q][0], p[1] = colours[q][1], p[2] = colours[q][2], p[3] = 255;
    }
  const std::vector<uint8_t> png = testpics::EncodeRgbaPng(rgba.data(), 32, 32);
  texconv::Blob dds;
  ASSERT_EQ(ConvertImageToDds(png.data(), png.size(), 71, &dds), 1);
  WriteFile("data/pic/quads.dds", dds.bytes);
  ZKTETexture* quads = GetTexture("quads.dds", GEN_TYPE_INTERFACE);
  ASSERT_NE(quads, nullptr);
  ASSERT_EQ(quads->state, TEXTURE_OWNED);
  EXPECT_EQ(quads->format, GFX_FORMAT_BC1_UNORM_SRGB);
  DrawWhole(quads);
  EXPECT_EQ(Pixel(16, 16), 0xFFFF0000u);
  EXPECT_EQ(Pixel(48, 16), 0xFF00FF00u);
  EXPECT_EQ(Pixel(16, 48), 0xFF0000FFu);
  EXPECT_EQ(Pixel(48, 48), 0xFFFFFFFFu);
  FreeTextureRecord(quads);
}

// An alpha texture is filled with the alpha of each texel, the first as the rest.
TEST_F(TexturePixels, AnAlphaTextureTakesEachTexelsAlpha) {
  ZKTETexture record{};
  GfxTexture2DDesc d;
  d.width = d.height = 2;
  d.mipLevels = 1;
  d.arraySize = 1;
  d.format = GFX_FORMAT_A8_UNORM;
  d.bindFlags = GFX_BIND_SHADER_RESOURCE;
  ASSERT_EQ(GfxCreateTexture2D(Gfx.device, d, nullptr, &record.texture), GFX_OK);
  record.width = record.height = 2;
  record.mipLevels = 1;
  record.format = GFX_FORMAT_A8_UNORM;
  const uint8_t rgba[16] = {1, 2, 3, 10, 4, 5, 6, 20, 7, 8, 9, 30, 11, 12, 13, 40};
  ASSERT_EQ(fill_texture(&record, rgba, 2, 0, 0), 1);
  uint8_t got[4] = {};
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, record.texture, 0, got, sizeof got));
  const uint8_t want[4] = {10, 20, 30, 40};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(got[i], want[i]) << i;
  GfxRelease(record.texture);
}

// The plain textures' one pixel: black and white, both with alpha 0.
TEST_F(TexturePixels, ThePlainTexturesAreBlackAndWhiteWithAlphaZero) {
  if (!AddTextureRef("PLAIN~B", 0)) LoadSystemTextures();
  const char* names[2] = {"PLAIN~B", "PLAIN~W"};
  const uint8_t want[2][4] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  for (int t = 0; t < 2; ++t) {
    ZKTETexture* plain = AddTextureRef(names[t], 0);
    ASSERT_NE(plain, nullptr) << names[t];
    uint8_t pixel[4] = {9, 9, 9, 9};
    ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, plain->texture, 0, pixel, sizeof pixel)) << names[t];
    for (int c = 0; c < 4; ++c) EXPECT_EQ(pixel[c], want[t][c]) << names[t] << " " << c;
  }
}

TEST_F(TexturePixels, AGreyPngShowsGrey) {
  testpics::PngLayout s;
  s.width = s.height = 16;
  s.colourType = 0;
  s.samples.assign(16 * 16, 100);
  WriteFile("data/png/ASH.png", testpics::EncodePng(s));
  ZKTETexture* ash = GetTexture("ASH", GEN_TYPE_WORLD);
  ASSERT_NE(ash, nullptr);
  ASSERT_EQ(ash->state, TEXTURE_OWNED);
  EXPECT_EQ(ash->format, GFX_FORMAT_R8_UNORM);
  EXPECT_EQ(ash->mipLevels, 5) << "the whole chain of mips";
  DrawWhole(ash);
  EXPECT_EQ(Pixel(10, 10), 0xFF646464u) << "grey in all three channels, alpha one";
  EXPECT_EQ(Pixel(40, 50), 0xFF646464u);
  FreeTextureRecord(ash);
}

TEST_F(TexturePixels, APicturesMipsAreAveragedInLinearLight) {
  // Black and white halves: the 1 x 1 level is half the light, 188 in sRGB.
  std::vector<uint8_t> rgba(16 * 16 * 4, 255);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 8; ++x) std::fill_n(&rgba[(size_t(y) * 16 + x) * 4], 3, uint8_t(0));
  const std::vector<uint8_t> png = testpics::EncodeRgbaPng(rgba.data(), 16, 16);
  WriteFile("data/png/HALVES_ALP.png", png);  // an RGBA picture needs an alpha name
  ZKTETexture* halves = GetTexture("HALVES_ALP", GEN_TYPE_WORLD);
  ASSERT_NE(halves, nullptr);
  ASSERT_EQ(halves->state, TEXTURE_OWNED);
  ASSERT_EQ(halves->mipLevels, 5);
  uint8_t smallest[4] = {};
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, halves->texture, 4, smallest, sizeof smallest));
  EXPECT_NEAR(smallest[0], 188, 1);
  EXPECT_EQ(smallest[0], smallest[2]);
  EXPECT_EQ(smallest[3], 255);
  FreeTextureRecord(halves);
}

TEST_F(TexturePixels, TheGreyPlaceholderShowsGrey) {
  ZKTETexture* missing = GetTexture("NOT_THERE", GEN_TYPE_WORLD);
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->state, TEXTURE_MISSING);
  DrawWhole(missing);
  // 128 in sRGB is about 55 in linear light, drawn at alpha 128 over black.
  const uint32_t p = Pixel(32, 32);
  EXPECT_NEAR(int((p >> 16) & 0xFF), 28, 1);
  EXPECT_EQ((p >> 16) & 0xFF, (p >> 8) & 0xFF);
  EXPECT_EQ((p >> 16) & 0xFF, p & 0xFF);
  FreeTextureRecord(missing);
}

TEST_F(TexturePixels, AFontPageKeepsItsCoverageAndDrawsWhiteWithIt) {
  // White with coverage in alpha: a 2 x 2 block of full coverage at (100, 40).  The page keeps
  // the coverage alone, a byte a texel.
  std::vector<uint8_t> page(512 * 512 * 4, 255);
  for (size_t i = 3; i < page.size(); i += 4) page[i] = 0;
  for (int y = 40; y < 42; ++y)
    for (int x = 100; x < 102; ++x) page[(size_t(y) * 512 + x) * 4 + 3] = 255;
  ASSERT_EQ(UploadFontPage(3, page.data(), 512, 512), 1);
  ZKTETexture* font = AddTextureRef("FONT3_AON", 0);
  ASSERT_NE(font, nullptr);
  std::vector<uint8_t> level0(512 * 512), level1(256 * 256);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, font->texture, 0, level0.data(), level0.size()));
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, font->texture, 1, level1.data(), level1.size()));
  EXPECT_EQ(level0[40 * 512 + 100], 255);
  EXPECT_EQ(level0[40 * 512 + 102], 0);
  EXPECT_EQ(level1[20 * 256 + 50], 255) << "the halved level keeps the block";
  EXPECT_EQ(level1[20 * 256 + 51], 0);

  // A box of the page given again: widened to even edges (201..203 to 200..204), on both
  // levels; the half level's texels are the means of their 2 x 2.
  std::vector<uint8_t> coverage(512 * 512, 0);
  for (int y = 100; y < 104; ++y)
    for (int x = 200; x < 204; ++x) coverage[size_t(y) * 512 + x] = 255;
  UpdateFontPageBox(3, coverage.data(), 512, 201, 101, 203, 103);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, font->texture, 0, level0.data(), level0.size()));
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, font->texture, 1, level1.data(), level1.size()));
  EXPECT_EQ(level0[100 * 512 + 200], 255) << "widened to the even left and top";
  EXPECT_EQ(level0[103 * 512 + 203], 255) << "and to the even right and bottom";
  EXPECT_EQ(level0[100 * 512 + 204], 0);
  EXPECT_EQ(level1[50 * 256 + 100], 255);
  EXPECT_EQ(level1[51 * 256 + 101], 255);
  EXPECT_EQ(level1[51 * 256 + 102], 0);
  // A box reaching past the page's right edge is cut at it.
  for (int y = 0; y < 4; ++y)
    for (int x = 508; x < 512; ++x) coverage[size_t(y) * 512 + x] = 255;
  UpdateFontPageBox(3, coverage.data(), 512, 508, 0, 600, 4);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, font->texture, 0, level0.data(), level0.size()));
  EXPECT_EQ(level0[3 * 512 + 511], 255);
  EXPECT_EQ(level0[3 * 512 + 508], 255);
  // A box starting before the page's left and top edges is cut at them (-5..3 becomes 0..4),
  // and so is one reaching past its bottom (508..600 becomes 508..512).
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) coverage[size_t(y) * 512 + x] = coverage[size_t(508 + y) * 512 + 100 + x] = 255;
  UpdateFontPageBox(3, coverage.data(), 512, -5, -5, 3, 3);
  UpdateFontPageBox(3, coverage.data(), 512, 100, 508, 103, 600);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, font->texture, 0, level0.data(), level0.size()));
  EXPECT_EQ(level0[0 * 512 + 0], 255) << "the page's first texel";
  EXPECT_EQ(level0[3 * 512 + 3], 255);
  EXPECT_EQ(level0[508 * 512 + 100], 255);
  EXPECT_EQ(level0[511 * 512 + 103], 255) << "the page's last row";

  // Drawn, the page is white where covered and lets the black target show elsewhere.
  std::fill(page.begin(), page.end(), 255);
  for (int y = 256; y < 512; ++y)
    for (int x = 0; x < 512; ++x) page[(size_t(y) * 512 + x) * 4 + 3] = 0;
  ASSERT_EQ(UploadFontPage(3, page.data(), 512, 512), 1);
  DrawWhole(font);
  EXPECT_EQ(Pixel(20, 10) & 0xFFFFFFu, 0xFFFFFFu) << "the covered top half";
  EXPECT_EQ(Pixel(20, 50) & 0xFFFFFFu, 0u) << "the uncovered bottom half";

  // A glyph-cache cell lands at its place on every level.
  ASSERT_EQ(CreateGlyphCacheTexture(0), 1);
  std::vector<uint8_t> cell(64 * 64 * 4, 255);
  UpdateGlyphCacheCell(0, 2, 1, cell.data(), 64);
  ZKTETexture* cache = AddTextureRef("CACHE0_AON", 0);
  ASSERT_NE(cache, nullptr);
  std::vector<uint8_t> c2(128 * 128 * 4);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, cache->texture, 2, c2.data(), c2.size()));
  EXPECT_EQ(c2[(16 * 128 + 32) * 4 + 3], 255) << "cell (2, 1) at 16-pixel cells";
  EXPECT_EQ(c2[(16 * 128 + 31) * 4 + 3], 0);
  // The last cell of the page (7, 7) fits exactly and lands; cell 8 lies off the page.
  UpdateGlyphCacheCell(0, 7, 7, cell.data(), 64);
  UpdateGlyphCacheCell(0, 8, 0, cell.data(), 64);
  std::vector<uint8_t> c0(512 * 512 * 4);
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, cache->texture, 0, c0.data(), c0.size()));
  ASSERT_TRUE(GfxReadTexturePixels(Gfx.context, cache->texture, 2, c2.data(), c2.size()));
  EXPECT_EQ(c0[(size_t(511) * 512 + 511) * 4 + 3], 255) << "the page's last texel";
  EXPECT_EQ(c0[(size_t(448) * 512 + 448) * 4 + 3], 255);
  EXPECT_EQ(c0[(size_t(447) * 512 + 447) * 4 + 3], 0);
  EXPECT_EQ(c2[(size_t(112) * 128 + 112) * 4 + 3], 255) << "and on the smaller levels";
  ReleaseGlyphCacheTextures();
  FreeTextureRecord(font);
}
