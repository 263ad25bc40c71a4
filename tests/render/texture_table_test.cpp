// texture_table_test.cpp - the texture table on the null device: names, placeholders, the
// files each record loads, deferred loading and reloads, the PNG to DDS conversion kept by
// file time, damaged files, render textures, binding and the glyph pages.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/controls.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "render/buffers.h"
#include "render/font_pages.h"
#include "render/generated_textures.h"
#include "render/system_textures.h"
#include "render/texture_files.h"
#include "render/texture_names.h"
#include "render/texture_table.h"
#include "tests/render/null_renderer.h"
#include "tests/texconv/test_pictures.h"

namespace {

// A square PNG of one colour: grey (0), RGB (2), grey with alpha (4) or RGBA (6), alpha 200.
std::vector<uint8_t> SolidPng(uint32_t size, uint8_t r, uint8_t g, uint8_t b, int colourType = 2) {
  testpics::PngLayout s;
  s.width = s.height = size;
  s.colourType = colourType;
  for (uint32_t i = 0; i < size * size; ++i) {
    if (colourType == 0 || colourType == 4)
      s.samples.push_back(r);
    else
      s.samples.insert(s.samples.end(), {r, g, b});
    if (colourType == 4 || colourType == 6) s.samples.push_back(200);
  }
  return testpics::EncodePng(s);
}

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  ASSERT_TRUE(testpics::WriteFileBytes(path, bytes)) << path;
}

std::vector<uint8_t> ValidDds(uint32_t size, bool alpha) {
  texconv::Blob blob;
  const std::vector<uint8_t> png = SolidPng(size, 10, 200, 30);
  EXPECT_EQ(ConvertImageToDds(png.data(), png.size(), alpha ? 74 : 71, &blob), 1);
  return blob.bytes;
}

class TextureTable : public NullRenderer {
 protected:
  void SetUp() override {
    NullRenderer::SetUp();
    std::filesystem::remove("renderer/deb.log");  // each test counts its own messages
    std::filesystem::remove_all("data");
    std::filesystem::remove_all("mods");
    TextureConfig = TextureSettings();
    CfgCompressedTex = CfgHalfTexRes = 0;
    FreeAllGraphics(1, 0);  // an empty table with its two placeholders
    TextureReloadPending = 0;
    // Reloads stop after a budget of the millisecond counter: on the real clock a loaded
    // machine could use it up and split a test's reload.  The fake clock stands still.
    ClockUseFake(5000, WallTime{2026, 1, 1, 12, 0, 0, 0, 4});
  }
  void TearDown() override {
    ClockFakeStepOnRead(0);
    ClockUseReal();
    TextureConfig = TextureSettings();
    CfgCompressedTex = CfgHalfTexRes = 0;
    // The pictures written here would be found by later tests' textures of the same names.
    std::filesystem::remove_all("data");
    std::filesystem::remove_all("mods");
  }
  static int Lines(const std::string& text) { return CountLogLines(text); }
};

}  // namespace

TEST_F(TextureTable, NamesFindOneRecordInAnyCaseAndRaiseItsGenerationType) {
  int alpha = 0;
  TextureFlagsFromName("glass_ALP", &alpha);
  EXPECT_EQ(alpha, 8);
  TextureFlagsFromName("font0_aon", &alpha);
  EXPECT_EQ(alpha, 32);
  alpha = 5;
  TextureFlagsFromName("_ALP", &alpha);  // four characters are not a suffix
  EXPECT_EQ(alpha, 5);

  ZKTETexture* a = GetTexture("Gravel", 2);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(GetTexture("GRAVEL", 4), a);
  EXPECT_EQ(a->genType, 4);
  EXPECT_EQ(GetTexture("gravel", 3), a);
  EXPECT_EQ(a->genType, 4) << "never lowered";
  EXPECT_EQ(a->registered, 1);
  EXPECT_EQ(GetTexture("", 3), nullptr);

  // 31 characters are kept whole; 32 are one too many and cut (with a line in the log).
  const std::string fits(31, 'r');
  ZKTETexture* whole = GetTexture(fits.c_str(), 3);
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(std::string(whole->name), fits);
  EXPECT_EQ(Lines("Texture name cut to 31 characters"), 0);
  const std::string longName(32, 'q');
  ZKTETexture* cut = GetTexture(longName.c_str(), 3);
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(std::strlen(cut->name), 31u);
  EXPECT_EQ(GetTexture((longName + "zz").c_str(), 3), cut) << "names alike in the first 31 characters share it";
  EXPECT_EQ(Lines("Texture name cut to 31 characters"), 1);
}

TEST_F(TextureTable, MissingFilesBorrowThePlaceholders) {
  ASSERT_NE(GreyPlaceholder, nullptr);
  ASSERT_NE(WhitePlaceholder, nullptr);
  EXPECT_STREQ(GreyPlaceholder->name, "SYS~GREY");
  EXPECT_EQ(GreyPlaceholder->width, 1);
  EXPECT_EQ(GreyPlaceholder->format, GFX_FORMAT_R8G8B8A8_UNORM_SRGB);

  ZKTETexture* ordinary = GetTexture("NOWHERE", 3);
  ASSERT_NE(ordinary, nullptr);
  EXPECT_EQ(ordinary->state, TEXTURE_MISSING);
  EXPECT_EQ(ordinary->view, GreyPlaceholder->view);
  EXPECT_EQ(Lines("Could not read texture NOWHERE - File not found"), 1);

  ZKTETexture* file = GetTexture("nothere.jpg", 4);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->state, TEXTURE_MISSING);
  EXPECT_EQ(file->view, WhitePlaceholder->view);
  EXPECT_TRUE(file->flags & TEXTURE_HAS_ALPHA);

  TextureConfig.nextType = TEXTURE_TYPE_BLANK;
  ZKTETexture* blank = GetTexture("BLANKET", 4);
  TextureConfig.nextType = TEXTURE_TYPE_GENERAL;
  ASSERT_NE(blank, nullptr);
  EXPECT_EQ(blank->state, TEXTURE_BLANK);
  EXPECT_EQ(blank->texture, WhitePlaceholder->texture);

  // Releasing a borrower leaves the placeholder's objects alone.
  const int live = GfxLiveObjectCount();
  FreeTextureRecord(ordinary);
  EXPECT_EQ(GfxLiveObjectCount(), live);
  EXPECT_EQ(AddTextureRef("NOWHERE", 0), nullptr);

  // A name that is not a plain file name never reaches a path.
  ZKTETexture* escape = GetTexture("..", 3);
  ASSERT_NE(escape, nullptr);
  EXPECT_EQ(escape->state, TEXTURE_MISSING);
}

TEST_F(TextureTable, FilesAreFoundWhereTheirTypeSays) {
  Write("data/png/ROCK.png", SolidPng(32, 90, 90, 90));
  Write("data/pic/x_CARS.jpg", testpics::EncodeJpeg(std::vector<uint8_t>(16 * 16 * 3, 77).data(), 16, 16, 3, 90, false));
  Write("data/skins/RED_1.jpg", testpics::EncodeJpeg(std::vector<uint8_t>(32 * 32 * 3, 200).data(), 32, 32, 3, 90, false));
  Write("mods/vehicles/mymod/dds/BODY.dds", ValidDds(64, false));

  ZKTETexture* rock = GetTexture("ROCK", 3);
  ASSERT_NE(rock, nullptr);
  EXPECT_EQ(rock->state, TEXTURE_OWNED);
  EXPECT_EQ(rock->width, 32);
  EXPECT_TRUE(rock->flags & TEXTURE_FROM_FILE);
  EXPECT_TRUE(rock->flags & TEXTURE_FOLLOWS_QUALITY);

  ZKTETexture* jbw = GetTexture("x_CARS.jbw", 4);  // read from the ".jpg" of that name
  ASSERT_NE(jbw, nullptr);
  EXPECT_EQ(jbw->state, TEXTURE_OWNED);
  EXPECT_EQ(jbw->width, 16);

  TextureConfig.nextType = TEXTURE_TYPE_SKIN;
  ZKTETexture* skin = GetTexture("RED_1", 3);
  ASSERT_NE(skin, nullptr);
  EXPECT_EQ(skin->state, TEXTURE_OWNED);
  ZKTETexture* noSkin = GetTexture("BLUE_9", 3);
  ASSERT_NE(noSkin, nullptr);
  EXPECT_EQ(noSkin->state, TEXTURE_MISSING);
  EXPECT_EQ(Lines("Skin BLUE_9 was not found (compressed or full)"), 1);
  TextureConfig.nextType = TEXTURE_TYPE_GENERAL;

  // A mod's texture comes from its own DDS folder only, compressed or not.
  std::snprintf(TextureConfig.textureModName, sizeof TextureConfig.textureModName, "mymod");
  ZKTETexture* body = GetTexture("BODY", 3);
  TextureConfig.textureModName[0] = 0;
  ASSERT_NE(body, nullptr);
  EXPECT_STREQ(body->modName, "mymod");
  EXPECT_EQ(body->state, TEXTURE_OWNED);
  EXPECT_EQ(body->format, GFX_FORMAT_BC1_UNORM_SRGB);
  EXPECT_EQ(body->mipLevels, 7);
}

TEST_F(TextureTable, HeaderChecksNameTheirFault) {
  const std::vector<uint8_t> greyAlpha = SolidPng(16, 50, 0, 0, 4);
  EXPECT_EQ(CheckPngHeader(greyAlpha.data(), greyAlpha.size(), 0, nullptr), 0);
  EXPECT_STREQ(TextureErrorText, "Colour type GREY+A but A is not required");
  EXPECT_EQ(CheckPngHeader(greyAlpha.data(), greyAlpha.size(), 1, nullptr), 1);
  const std::vector<uint8_t> rgb = SolidPng(16, 1, 2, 3);
  EXPECT_EQ(CheckPngHeader(rgb.data(), rgb.size(), 1, nullptr), 0);
  EXPECT_STREQ(TextureErrorText, "Colour type RGB but A is required");
  const std::vector<uint8_t> small = SolidPng(8, 1, 2, 3);
  EXPECT_EQ(CheckPngHeader(small.data(), small.size(), 0, nullptr), 0);
  EXPECT_STREQ(TextureErrorText, "Too small");
  // Not a PNG's signature, or shorter than the 26 bytes a header needs: not a picture file.
  std::vector<uint8_t> noSignature = rgb;
  noSignature[1] = 'X';
  EXPECT_EQ(CheckPngHeader(noSignature.data(), noSignature.size(), 0, nullptr), 0);
  EXPECT_STREQ(TextureErrorText, "Invalid file");
  TextureErrorText[0] = 0;
  EXPECT_EQ(CheckPngHeader(rgb.data(), 25, 0, nullptr), 0);
  EXPECT_STREQ(TextureErrorText, "Invalid file");
  EXPECT_EQ(CheckPngHeader(rgb.data(), 26, 0, nullptr), 1) << "26 bytes hold the whole header";

  std::vector<uint8_t> dds = ValidDds(32, false);
  uint32_t size = 0;
  EXPECT_EQ(CheckDdsHeader(dds.data(), dds.size(), 0, "DXT1", 0, &size), 2);
  EXPECT_EQ(size, 32u);
  EXPECT_EQ(CheckDdsHeader(dds.data(), dds.size(), 0, "DXT3", 1, &size), 1);
  EXPECT_STREQ(TextureErrorText, "Old format");
  EXPECT_EQ(CheckDdsHeader(dds.data(), dds.size(), 0, "DXT3", 8, &size), 1);
  EXPECT_STREQ(TextureErrorText, "Wrong format");
  dds[28] = 3;  // a mip count short of the chain
  EXPECT_EQ(CheckDdsHeader(dds.data(), dds.size(), 0, "DXT1", 0, &size), 1);
  EXPECT_STREQ(TextureErrorText, "Incomplete mipmaps");
  EXPECT_EQ(CheckDdsHeader(dds.data(), dds.size(), 1, "DXT1", 0, &size), 2);
  dds[12] = 16;  // height 16, width 32
  EXPECT_EQ(CheckDdsHeader(dds.data(), dds.size(), 0, "DXT1", 0, &size), 0);
  EXPECT_STREQ(TextureErrorText, "Not square");

  // A grey-with-alpha PNG for a name without "_ALP" is refused by the loader too.
  Write("data/png/MIST.png", greyAlpha);
  ZKTETexture* mist = GetTexture("MIST", 3);
  ASSERT_NE(mist, nullptr);
  EXPECT_EQ(mist->state, TEXTURE_MISSING);
  EXPECT_EQ(Lines("Invalid texture MIST - Colour type GREY+A but A is not required"), 1);
}

// Sides run from 16 to 4096, square and a power of two: each end is taken and the side past
// it named.  PNG colour types: grey (0), RGB (2) and palette (3) without alpha, grey with
// alpha (4) and RGBA (6) with it; any other type is invalid.
TEST_F(TextureTable, HeaderSidesAtTheirEndsAndEachPngColourType) {
  std::vector<uint8_t> png = SolidPng(16, 1, 2, 3);
  auto pngSide = [&](uint32_t side) {
    for (int i = 0; i < 4; ++i) png[16 + i] = png[20 + i] = uint8_t(side >> (24 - 8 * i));
    return CheckPngHeader(png.data(), png.size(), 0, nullptr);
  };
  EXPECT_EQ(pngSide(16), 1);
  EXPECT_EQ(pngSide(4096), 1);
  EXPECT_EQ(pngSide(8), 0);
  EXPECT_STREQ(TextureErrorText, "Too small");
  EXPECT_EQ(pngSide(8192), 0);
  EXPECT_STREQ(TextureErrorText, "Too big");
  EXPECT_EQ(pngSide(48), 0);
  EXPECT_STREQ(TextureErrorText, "Not a power of two");
  pngSide(16);
  struct Type {
    uint8_t type;
    int alpha;
    const char* fault;  // null: taken
  };
  const Type types[] = {
      {0, 0, nullptr}, {0, 1, "Colour type GREY but A is required"},
      {2, 0, nullptr}, {2, 1, "Colour type RGB but A is required"},
      {3, 0, nullptr}, {3, 1, "Colour type PALETTE but A is required"},
      {4, 1, nullptr}, {4, 0, "Colour type GREY+A but A is not required"},
      {6, 1, nullptr}, {6, 0, "Colour type RGBA but A is not required"},
      {1, 0, "Colour type invalid"}, {5, 1, "Colour type invalid"}, {7, 0, "Colour type invalid"},
  };
  for (const Type& t : types) {
    png[25] = t.type;
    EXPECT_EQ(CheckPngHeader(png.data(), png.size(), t.alpha, nullptr), t.fault ? 0 : 1) << int(t.type) << " " << t.alpha;
    if (t.fault) { EXPECT_STREQ(TextureErrorText, t.fault) << int(t.type) << " " << t.alpha; }
  }

  std::vector<uint8_t> dds = ValidDds(32, false);
  auto ddsSide = [&](uint32_t side, uint32_t levels) {
    for (int i = 0; i < 4; ++i) dds[12 + i] = dds[16 + i] = uint8_t(side >> (8 * i));
    dds[28] = uint8_t(levels);
    return CheckDdsHeader(dds.data(), dds.size(), 0, "DXT1", 0, nullptr);
  };
  EXPECT_EQ(ddsSide(16, 5), 2);
  EXPECT_EQ(ddsSide(4096, 13), 2);
  EXPECT_EQ(ddsSide(8, 4), 0);
  EXPECT_STREQ(TextureErrorText, "Too small");
  EXPECT_EQ(ddsSide(8192, 14), 0);
  EXPECT_STREQ(TextureErrorText, "Too big");
  EXPECT_EQ(ddsSide(48, 6), 0);
  EXPECT_STREQ(TextureErrorText, "Not a power of two");
}

TEST_F(TextureTable, DamagedFilesGiveThePlaceholderAndOneMessage) {
  std::vector<uint8_t> png = SolidPng(32, 1, 2, 3);
  png.resize(png.size() / 2);  // the header is sound, the pixels are cut off
  Write("data/png/TORN.png", png);
  std::vector<uint8_t> jpg = testpics::EncodeJpeg(std::vector<uint8_t>(16 * 16 * 3, 9).data(), 16, 16, 3, 90, false);
  for (size_t i = 200; i < jpg.size(); ++i) jpg[i] = uint8_t(i * 37);
  Write("data/pic/noise.jpg", jpg);
  std::vector<uint8_t> dds = ValidDds(64, false);
  dds.resize(300);  // the surfaces run past the end
  Write("data/pic/short.dds", dds);

  ZKTETexture* torn = GetTexture("TORN", 3);
  ASSERT_NE(torn, nullptr);
  EXPECT_EQ(torn->state, TEXTURE_MISSING);
  EXPECT_EQ(torn->texture, GreyPlaceholder->texture);
  EXPECT_EQ(Lines("TORN"), 1);

  for (const char* name : {"noise.jpg", "short.dds"}) {
    ZKTETexture* r = GetTexture(name, 4);
    ASSERT_NE(r, nullptr) << name;
    EXPECT_EQ(r->state, TEXTURE_MISSING) << name;
    EXPECT_EQ(r->texture, WhitePlaceholder->texture) << name;
    EXPECT_EQ(Lines(name), 1) << name;
  }
}

TEST_F(TextureTable, AGreyPictureSamplesGrey) {
  Write("data/png/ASH.png", SolidPng(16, 100, 0, 0, 0));
  ZKTETexture* ash = GetTexture("ASH", 3);
  ASSERT_NE(ash, nullptr);
  EXPECT_EQ(ash->format, GFX_FORMAT_R8_UNORM);
  uint8_t swizzle[4];
  GfxGetTextureSwizzle(ash->texture, swizzle);
  const uint8_t grey[4] = {GFX_SWIZZLE_R, GFX_SWIZZLE_R, GFX_SWIZZLE_R, GFX_SWIZZLE_ONE};
  EXPECT_EQ(std::memcmp(swizzle, grey, 4), 0);
}

TEST_F(TextureTable, HalfTextureResolutionStopsAtSixteen) {
  Write("data/png/TINY.png", SolidPng(16, 1, 2, 3));
  Write("data/png/SMALL.png", SolidPng(32, 1, 2, 3));
  CfgHalfTexRes = 1;
  EXPECT_EQ(GetTexture("TINY", 3)->width, 16);
  EXPECT_EQ(GetTexture("SMALL", 3)->width, 16);
  TextureConfig.specialPicture = 1;  // pictures that ignore the quality settings
  Write("data/png/PHOTO.png", SolidPng(32, 1, 2, 3));
  EXPECT_EQ(GetTexture("PHOTO", 3)->width, 32);
}

// At half resolution a picture converted to a compressed texture is loaded from its second
// level: 64 wide gives 32, with one level fewer.
TEST_F(TextureTable, AConvertedPictureAtHalfResolutionStartsAtItsSecondLevel) {
  Write("data/png/BRICK.png", SolidPng(64, 180, 60, 40));
  CfgCompressedTex = 1;
  CfgHalfTexRes = 1;
  ZKTETexture* brick = GetTexture("BRICK", 3);
  ASSERT_NE(brick, nullptr);
  EXPECT_EQ(brick->format, GFX_FORMAT_BC1_UNORM_SRGB);
  EXPECT_EQ(brick->width, 32);
  EXPECT_EQ(brick->mipLevels, 6);
}

TEST_F(TextureTable, AConvertedPictureIsKeptWhileItsTimeEqualsThePictures) {
  Write("data/png/BRICK.png", SolidPng(64, 180, 60, 40));
  Write("data/png/LEAF_ALP.png", SolidPng(32, 20, 160, 20, 6));
  CfgCompressedTex = 1;
  const int saved = TexturesSavedCount;

  ZKTETexture* brick = GetTexture("BRICK", 3);
  ASSERT_NE(brick, nullptr);
  EXPECT_EQ(brick->format, GFX_FORMAT_BC1_UNORM_SRGB);
  EXPECT_EQ(brick->mipLevels, 7);
  EXPECT_EQ(TexturesSavedCount, saved + 1);
  EXPECT_EQ(Lines("Saved : data/dds/BRICK.dds"), 1) << "the path as it is on disk";
  uint64_t pngTime = 0, ddsTime = 0;
  ASSERT_TRUE(FileGetWriteTime("data\\png\\BRICK.png", pngTime));
  ASSERT_TRUE(FileGetWriteTime("data\\dds\\BRICK.dds", ddsTime));
  EXPECT_EQ(ddsTime, pngTime) << "stamped with the picture's time";

  ZKTETexture* leaf = GetTexture("LEAF_ALP", 3);
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->format, GFX_FORMAT_BC2_UNORM_SRGB);
  EXPECT_TRUE(leaf->flags & TEXTURE_HAS_ALPHA);
  EXPECT_EQ(TexturesSavedCount, saved + 2);

  // Loaded again: the DDS is used as it is.
  EXPECT_EQ(ReloadTextureByName("brick"), 1);
  EXPECT_EQ(TexturesSavedCount, saved + 2);
  EXPECT_EQ(AddTextureRef("BRICK", 0)->format, GFX_FORMAT_BC1_UNORM_SRGB);

  // The picture changed, later or earlier: made again.
  ASSERT_TRUE(FileSetWriteTime("data\\png\\BRICK.png", pngTime + FILETIME_UNITS_PER_SECOND));
  EXPECT_EQ(ReloadTextureByName("BRICK"), 1);
  EXPECT_EQ(TexturesSavedCount, saved + 3);
  ASSERT_TRUE(FileSetWriteTime("data\\png\\BRICK.png", pngTime - 10 * FILETIME_UNITS_PER_SECOND));
  EXPECT_EQ(ReloadTextureByName("BRICK"), 1);
  EXPECT_EQ(TexturesSavedCount, saved + 4);
  EXPECT_EQ(ReloadTextureByName("BRICK"), 1);
  EXPECT_EQ(TexturesSavedCount, saved + 4);

  // A DDS without its picture is used as it is, with a note.
  std::filesystem::remove("data/png/BRICK.png");
  EXPECT_EQ(ReloadTextureByName("BRICK"), 1);
  EXPECT_EQ(AddTextureRef("BRICK", 0)->state, TEXTURE_OWNED);
  EXPECT_EQ(Lines("could not check file time of PNG : BRICK"), 1);

  // The export switch writes elsewhere and never reads a DDS.
  TextureConfig.ddsExport = 1;
  EXPECT_EQ(ReloadTextureByName("LEAF_ALP"), 1);
  EXPECT_TRUE(FileExists("data\\dds_export\\LEAF_ALP.dds"));
  EXPECT_EQ(TexturesSavedCount, saved + 5);
}

TEST_F(TextureTable, DeferredTexturesLoadOneAFrameWithoutAMessage) {
  for (int i = 0; i < 20; ++i) Write("data/png/WAIT" + std::to_string(i) + ".png", SolidPng(16, uint8_t(i), 0, 0));
  for (int i = 0; i < 20; ++i) {
    ZKTETexture* r = GetTexture(("WAIT" + std::to_string(i)).c_str(), GEN_TYPE_DEFERRABLE);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->state, TEXTURE_DEFERRED);
    EXPECT_EQ(r->texture, GreyPlaceholder->texture);
  }
  EXPECT_EQ(TextureReloadPending, 1);
  auto owned = [] {
    int n = 0;
    for (int i = 0; i < TextureCount(); ++i) n += std::strncmp(TextureAt(i)->name, "WAIT", 4) == 0 && TextureAt(i)->state == TEXTURE_OWNED;
    return n;
  };
  for (int frame = 1; frame <= 20; ++frame) {
    ASSERT_EQ(TextureReloadPending, 1) << frame;
    EXPECT_EQ(RunDeferredWork(), 1);
    EXPECT_EQ(owned(), frame);
  }
  EXPECT_EQ(TextureReloadPending, 0);
  EXPECT_EQ(RunDeferredWork(), 0);
  EXPECT_EQ(Lines("Reloaded"), 0);

  // The load-now switch defers nothing.
  Write("data/png/NOW.png", SolidPng(16, 1, 1, 1));
  TextureConfig.loadNow = 1;
  EXPECT_EQ(GetTexture("NOW", GEN_TYPE_DEFERRABLE)->state, TEXTURE_OWNED);
}

namespace {

int g_plateRedraws;
bool g_plateLockHeld;
void RecordPlateRedraw() {
  ++g_plateRedraws;
  g_plateLockHeld = !PlateLock.try_lock();
  if (!g_plateLockHeld) PlateLock.unlock();
}

}  // namespace

TEST_F(TextureTable, DeferredWorkDoesOneThingAFrameInItsOrder) {
  g_plateRedraws = 0;
  RegenPlates = RecordPlateRedraw;
  ForcedRedrawPending = 1;
  TextureReloadPending = 1;
  PlateRegenPending = 1;
  EXPECT_EQ(RunDeferredWork(), 1);  // the forced redraw
  EXPECT_EQ(ForcedRedrawPending, 0);
  EXPECT_EQ(TextureReloadPending, 1);
  EXPECT_EQ(RunDeferredWork(), 1);  // the texture reloads
  EXPECT_EQ(TextureReloadPending, 0);
  EXPECT_EQ(g_plateRedraws, 0);
  EXPECT_EQ(RunDeferredWork(), 1);  // the plates, under their lock, the flag cleared first
  EXPECT_EQ(g_plateRedraws, 1);
  EXPECT_TRUE(g_plateLockHeld);
  EXPECT_EQ(PlateRegenPending, 0);
  EXPECT_EQ(RunDeferredWork(), 0);
  // Plates marked before the vehicle model installed its redraw: the mark is dropped.
  RegenPlates = nullptr;
  PlateRegenPending = 1;
  EXPECT_EQ(RunDeferredWork(), 0);
  EXPECT_EQ(PlateRegenPending, 0);
}

TEST_F(TextureTable, AQualityChangeReloadsWhatFollowsIt) {
  Write("data/png/WALL.png", SolidPng(32, 1, 2, 3));
  ZKTETexture* wall = GetTexture("WALL", 3);
  ZKTETexture* made = CreateGeneratedTexture("MADE~G", 4, nullptr);
  ASSERT_NE(made, nullptr);
  CfgHalfTexRes = 1;
  RequestTextureReload();
  EXPECT_TRUE(wall->flags & TEXTURE_RELOAD_REQUESTED);
  EXPECT_FALSE(made->flags & TEXTURE_RELOAD_REQUESTED) << "generated textures do not follow the settings";
  ReloadTextures();
  EXPECT_EQ(wall->width, 16);
  EXPECT_FALSE(wall->flags & TEXTURE_RELOAD_REQUESTED);
  EXPECT_EQ(Lines("Reloaded 1 - done"), 1);
}

TEST_F(TextureTable, AReloadOfAllReadsEveryFileAgainAndLeavesMadeTextures) {
  Write("data/png/WALL.png", SolidPng(32, 1, 2, 3));
  Write("data/pic/x_HS.jpg", testpics::EncodeJpeg(std::vector<uint8_t>(16 * 16 * 3, 77).data(), 16, 16, 3, 90, false));
  ZKTETexture* wall = GetTexture("WALL", 3);
  ZKTETexture* thumbnail = GetTexture("x_HS.jbw", 4);  // a file that does not follow the settings
  ZKTETexture* made = CreateGeneratedTexture("MADE~G", 4, nullptr);
  ASSERT_NE(made, nullptr);
  ASSERT_EQ(thumbnail->width, 16);
  // The files change on the disk; the command reads them again at the next deferred work.
  Write("data/png/WALL.png", SolidPng(64, 1, 2, 3));
  Write("data/pic/x_HS.jpg", testpics::EncodeJpeg(std::vector<uint8_t>(32 * 32 * 3, 77).data(), 32, 32, 3, 90, false));
  RequestAllTexturesReload();
  EXPECT_EQ(TextureReloadPending, 1);
  EXPECT_FALSE(made->flags & TEXTURE_RELOAD_REQUESTED);
  EXPECT_EQ(RunDeferredWork(), 1);
  EXPECT_EQ(wall->width, 64);
  EXPECT_EQ(thumbnail->width, 32);
  EXPECT_EQ(Lines("Reloaded 2 - done"), 1);
  EXPECT_EQ(TextureReloadPending, 0);
}

TEST_F(TextureTable, AReloadStopsWhenItsBudgetIsUsedUpAndGoesOnAtTheNextDeferredWork) {
  for (const char* name : {"ONE", "TWO", "THREE"})
    Write(std::string("data/png/") + name + ".png", SolidPng(32, 1, 2, 3));
  ZKTETexture* textures[3] = {GetTexture("ONE", 3), GetTexture("TWO", 3), GetTexture("THREE", 3)};
  for (const char* name : {"ONE", "TWO", "THREE"})
    Write(std::string("data/png/") + name + ".png", SolidPng(64, 1, 2, 3));
  RequestAllTexturesReload();
  // Each reading of the counter moves it 15 ms: the budget of 30 ms starts at the first, and
  // the third reading finds it used up exactly, so two files are read and one waits.
  ClockFakeStepOnRead(15);
  EXPECT_EQ(RunDeferredWork(), 1);
  ClockFakeStepOnRead(0);
  int reloaded = 0;
  for (ZKTETexture* t : textures) reloaded += t->width == 64;
  EXPECT_EQ(reloaded, 2);
  EXPECT_EQ(Lines("Reloaded 2 - 1 to go"), 1);
  EXPECT_EQ(TextureReloadPending, 1);
  EXPECT_EQ(RunDeferredWork(), 1);
  for (ZKTETexture* t : textures) EXPECT_EQ(t->width, 64) << t->name;
  EXPECT_EQ(Lines("Reloaded 1 - done"), 1);
  EXPECT_EQ(TextureReloadPending, 0);
}

// A limit of 0 or less (a settings file without one) is taken as one texel: a 64 x 64
// picture halves six times to a single texel and is still made.
TEST_F(TextureTable, AGeneratedTextureUnderALimitOfNothingIsOneTexel) {
  const int saved = TextureConfig.maxGeneratedSize;
  std::vector<uint8_t> pixels(64 * 64 * 4, 128);
  for (int limit : {0, -5}) {
    TextureConfig.maxGeneratedSize = limit;
    const std::string name = "LIMIT" + std::to_string(-limit);
    ZKTETexture* r = CreateGeneratedTexture(name.c_str(), 64, pixels.data());
    ASSERT_NE(r, nullptr) << limit;
    EXPECT_EQ(r->width, 1) << limit;
    EXPECT_EQ(r->height, 1) << limit;
  }
  TextureConfig.maxGeneratedSize = saved;
}

TEST_F(TextureTable, GeneratedTexturesHalveToTheLimitAndKeepTheCallersPixels) {
  std::vector<uint8_t> pixels(64 * 64 * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 7);
  const std::vector<uint8_t> before = pixels;
  TextureConfig.maxGeneratedSize = 16;
  ZKTETexture* r = CreateGeneratedTexture("NOISE_ALP", 64, pixels.data());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->width, 16);
  EXPECT_EQ(r->mipLevels, 5);
  EXPECT_TRUE(r->flags & TEXTURE_HAS_ALPHA);
  EXPECT_EQ(pixels, before);
  EXPECT_EQ(CreateGeneratedTexture("", 4, nullptr), nullptr);

  // Halving: plain means, coverage only, and colour weighted by alpha.
  uint8_t quad[16] = {10, 20, 30, 0, 20, 30, 40, 100, 30, 40, 50, 200, 41, 51, 61, 255};
  uint8_t copy[16];
  std::memcpy(copy, quad, 16);
  HalveImage(copy, 2, 0);
  EXPECT_EQ(copy[0], 25);
  EXPECT_EQ(copy[3], 255);
  std::memcpy(copy, quad, 16);
  HalveImage(copy, 2, 32);
  EXPECT_EQ(copy[0], 255);
  EXPECT_EQ(copy[3], 138);
  std::memcpy(copy, quad, 16);
  HalveImage(copy, 2, 8);
  EXPECT_EQ(copy[0], (20 * 100 + 30 * 200 + 41 * 255) / 555);
  EXPECT_EQ(copy[3], 555 / 4);
}

// A 4 x 4 picture halves to 2 x 2: each texel of the result is the mean of its own block of
// four (integer means; weighted by alpha in mode 8, coverage only in mode 32), written from
// the start of the buffer.  Texel (x, y) of the source is 8x + 32y + 2c + 1 in channel c,
// alpha 10 + 30x + 20y.  Levels asked past the chain stop at its end (16: 5 levels).
TEST_F(TextureTable, HalvingAveragesEachBlockOfFourAndLevelsStopAtTheChainsEnd) {
  uint8_t source[4 * 4 * 4];
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      for (int c = 0; c < 3; ++c) source[(y * 4 + x) * 4 + c] = uint8_t(8 * x + 32 * y + 2 * c + 1);
      source[(y * 4 + x) * 4 + 3] = uint8_t(10 + 30 * x + 20 * y);
    }
  for (const int mode : {0, 8, 32}) {
    uint8_t copy[sizeof source];
    std::memcpy(copy, source, sizeof source);
    HalveImage(copy, 4, mode);
    for (int Y = 0; Y < 2; ++Y)
      for (int X = 0; X < 2; ++X) {
        uint32_t sum[4] = {}, weighted[3] = {};
        for (int y = 2 * Y; y < 2 * Y + 2; ++y)
          for (int x = 2 * X; x < 2 * X + 2; ++x) {
            const uint8_t* s = &source[(y * 4 + x) * 4];
            for (int c = 0; c < 4; ++c) sum[c] += s[c];
            for (int c = 0; c < 3; ++c) weighted[c] += uint32_t(s[c]) * s[3];
          }
        const uint8_t* out = &copy[(Y * 2 + X) * 4];
        for (int c = 0; c < 3; ++c) {
          const uint32_t want = mode == 32 ? 255 : mode == 8 ? weighted[c] / sum[3] : sum[c] / 4;
          EXPECT_EQ(out[c], want) << "mode " << mode << " texel " << X << "," << Y << " channel " << c;
        }
        EXPECT_EQ(out[3], mode == 0 ? 255u : sum[3] / 4) << "mode " << mode << " texel " << X << "," << Y;
      }
  }
  TextureConfig.mipLevels = 10;
  ZKTETexture* all = CreateGeneratedTexture("CHAIN~G", 16, nullptr);
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(all->mipLevels, 5);
  TextureConfig.mipLevels = 3;
  ZKTETexture* three = CreateGeneratedTexture("THREE~G", 16, nullptr);
  ASSERT_NE(three, nullptr);
  EXPECT_EQ(three->mipLevels, 3);
  TextureConfig.mipLevels = 0;
}

TEST_F(TextureTable, MakingAListedNameAgainRefillsItsRecordAndLeaksNothing) {
  ZKTETexture* first = CreateGeneratedTexture("TWICE~G", 4, nullptr);
  ASSERT_NE(first, nullptr);
  const int listed = TextureCount(), objects = GfxLiveObjectCount();
  std::vector<uint8_t> pixels(8 * 8 * 4, 200);
  ZKTETexture* again = CreateGeneratedTexture("twice~g", 8, pixels.data());
  EXPECT_EQ(again, first) << "the listed record, made again in place";
  EXPECT_EQ(again->width, 8);
  EXPECT_EQ(again->state, TEXTURE_OWNED);
  EXPECT_TRUE(again->registered);
  EXPECT_EQ(TextureCount(), listed);
  EXPECT_EQ(GfxLiveObjectCount(), objects) << "the old texture and view were released";

  // A record borrowing a placeholder gets its own texture; the placeholder keeps its objects.
  ZKTETexture* missing = GetTexture("NOFILE", GEN_TYPE_INTERFACE);
  ASSERT_EQ(missing->state, TEXTURE_MISSING);
  const GfxTexture2D grey = GreyPlaceholder->texture;
  EXPECT_EQ(CreateGeneratedTexture("NOFILE", 4, nullptr), missing);
  EXPECT_EQ(missing->state, TEXTURE_OWNED);
  EXPECT_FALSE(missing->texture == grey);
  EXPECT_TRUE(GreyPlaceholder->texture == grey);

  // A blank record is refused for a listed name rather than made outside the table.
  EXPECT_EQ(CreateZKTETextureNULL("TWICE~G", GEN_TYPE_INTERFACE, TEXTURE_TYPE_GENERAL), nullptr);
  EXPECT_EQ(Lines("CreateZKTETextureNULL : TWICE~G is listed already"), 1);
  EXPECT_EQ(TextureCount(), listed + 1);
  EXPECT_EQ(GfxLiveObjectCount(), objects + 2);
}

TEST_F(TextureTable, RenderTexturesHaveTheirViewsAndDepth) {
  ZKTETexture* mirror = CreateZKTETextureRT("MIRROR~T", 64, 64, GFX_FORMAT_R8G8B8A8_UNORM_SRGB,
                                            RT_DEPTH_16 | RT_MULTISAMPLE | RT_EIGHT_SAMPLES | RT_FACE_FLAG);
  ASSERT_NE(mirror, nullptr);
  EXPECT_TRUE(bool(mirror->secondTexture));
  EXPECT_TRUE(bool(mirror->targetViews[0]));
  EXPECT_TRUE(bool(mirror->targetViews[1]));
  EXPECT_TRUE(bool(mirror->depthView));
  EXPECT_EQ(mirror->genType, GEN_TYPE_RENDER);
  EXPECT_EQ(AddTextureRef("mirror~t", 0), mirror);
  GfxTexture2DDesc d;
  GfxGetDesc(mirror->secondTexture, &d);
  EXPECT_EQ(d.sampleDesc.count, GfxMaxSampleCount(Gfx.device)) << "eight asked, the device's most given";

  TextureConfig.renderMipLevels = 4;
  ZKTETexture* levels = CreateZKTETextureRT("BLUR~R0", 64, 32, GFX_FORMAT_R16G16B16A16_FLOAT, RT_MULTISAMPLE);
  TextureConfig.renderMipLevels = 1;
  ASSERT_NE(levels, nullptr);
  EXPECT_EQ(levels->mipLevels, 4);
  EXPECT_FALSE(bool(levels->secondTexture)) << "per-level views drop multisampling";
  for (int l = 0; l < 4; ++l) EXPECT_TRUE(bool(levels->targetViews[l])) << l;
  EXPECT_FALSE(bool(levels->depthView));

  GfxTexture2D read;
  ASSERT_EQ(CreateReadSurf(8, 8, GFX_FORMAT_R8G8B8A8_UNORM, &read), GFX_OK);
  GfxRelease(read);
  EXPECT_GT(TotalTextureMemory(), 64u * 64u * 4u);
}

// A render texture has from one level (a setting of 0 or less) to six (the views a record
// holds), each with its own target view; with the device making the levels there is one
// view and multisampling stays.  The depth flags choose 16 bits or 24 with stencil, and the
// record keeps the flags it was made with.
TEST_F(TextureTable, RenderTextureLevelsRunFromOneToSixAndDepthFollowsItsFlags) {
  const int saved = TextureConfig.renderMipLevels;
  TextureConfig.renderMipLevels = 0;
  ZKTETexture* one = CreateZKTETextureRT("ONE~R", 64, 32, GFX_FORMAT_R8G8B8A8_UNORM, RT_DEPTH_24_STENCIL);
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(one->mipLevels, 1) << "a setting of 0 is one level";
  EXPECT_TRUE(bool(one->targetViews[0]));
  EXPECT_FALSE(bool(one->targetViews[1]));
  ASSERT_TRUE(bool(one->depthTexture));
  GfxTexture2DDesc d;
  GfxGetDesc(one->depthTexture, &d);
  EXPECT_EQ(d.format, GFX_FORMAT_D24_UNORM_S8_UINT);
  EXPECT_EQ(d.width, 64u);
  EXPECT_EQ(d.height, 32u);
  EXPECT_EQ(one->rtFlags, RT_DEPTH_24_STENCIL);

  // 64 x 32 has a chain of seven levels; nine asked for give six.
  TextureConfig.renderMipLevels = 9;
  ZKTETexture* six = CreateZKTETextureRT("SIX~R", 64, 32, GFX_FORMAT_R8G8B8A8_UNORM, RT_DEPTH_16);
  ASSERT_NE(six, nullptr);
  EXPECT_EQ(six->mipLevels, 6);
  for (int l = 0; l < 6; ++l) EXPECT_TRUE(bool(six->targetViews[l])) << l;
  GfxTexture2DDesc z;
  ASSERT_TRUE(bool(six->depthTexture));
  GfxGetDesc(six->depthTexture, &z);
  EXPECT_EQ(z.format, GFX_FORMAT_D16_UNORM);
  EXPECT_EQ(z.mipLevels, 1u);

  // Four levels leave the fifth view empty.
  TextureConfig.renderMipLevels = 4;
  ZKTETexture* four = CreateZKTETextureRT("FOUR~R", 64, 32, GFX_FORMAT_R8G8B8A8_UNORM, 0);
  ASSERT_NE(four, nullptr);
  EXPECT_EQ(four->mipLevels, 4);
  EXPECT_TRUE(bool(four->targetViews[3]));
  EXPECT_FALSE(bool(four->targetViews[4]));
  EXPECT_FALSE(bool(four->depthTexture)) << "no depth flag, no depth";

  // Two levels are enough for a view each, and multisampling goes.
  TextureConfig.renderMipLevels = 2;
  ZKTETexture* two = CreateZKTETextureRT("TWO~R", 64, 32, GFX_FORMAT_R8G8B8A8_UNORM, RT_MULTISAMPLE);
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(two->mipLevels, 2);
  EXPECT_FALSE(bool(two->secondTexture)) << "per-level views drop multisampling";
  EXPECT_TRUE(bool(two->targetViews[1]));
  EXPECT_EQ(two->rtFlags, 0) << "the multisample flag dropped";

  // Levels the device makes: one view, the texture still multisampled beside it.
  TextureConfig.renderMipLevels = 4;
  ZKTETexture* device = CreateZKTETextureRT("MIPS~R", 64, 32, GFX_FORMAT_R8G8B8A8_UNORM, RT_DEVICE_MIPS | RT_MULTISAMPLE);
  TextureConfig.renderMipLevels = saved;
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->mipLevels, 4);
  EXPECT_TRUE(bool(device->secondTexture)) << "multisampling kept";
  EXPECT_TRUE(bool(device->targetViews[1])) << "the resolved texture's view";
  EXPECT_FALSE(bool(device->targetViews[2]));
  GfxGetDesc(device->texture, &d);
  EXPECT_EQ(d.miscFlags, uint32_t(GFX_MISC_GENERATE_MIPS));
}

TEST_F(TextureTable, BindingSkipsWhatChangesNothingAndReleaseClearsTheSlots) {
  Write("data/png/TILE.png", SolidPng(16, 1, 2, 3));
  ZKTETexture* tile = GetTexture("TILE", 3);
  const uint32_t binds = TextureBindCount;
  SetTexture(0, tile);
  SetTexture(0, tile);
  EXPECT_EQ(TextureBindCount, binds + 1);
  SetTexture(3, tile);
  EXPECT_EQ(BoundTextures[3], tile->texture);
  SetTextureOpt(99, nullptr);
  EXPECT_EQ(TextureBindCount, binds + 2) << "SetTextureOpt is not counted";
  // A reload empties the slots first: its new objects may take the old handles.
  ASSERT_EQ(ReloadTextureByName("TILE"), 1);
  EXPECT_FALSE(bool(BoundTextures[0]));
  SetTexture(3, tile);
  EXPECT_EQ(TextureBindCount, binds + 3) << "bound again after the reload";
  UnbindTexture(tile);
  EXPECT_FALSE(bool(BoundTextures[3]));
  EXPECT_EQ(tile->registered, 0);
  FreeTextureRecord(tile);

  // Device release empties the table; re-creation brings back only the placeholders.
  GetTexture("ANY", 3);
  FreeAllGraphics(1, 0);
  EXPECT_EQ(TextureCount(), 2);
  EXPECT_NE(GreyPlaceholder, nullptr);
  EXPECT_EQ(AddTextureRef("ANY", 0), nullptr);
}

TEST_F(TextureTable, GlyphPagesAreGeneratedTexturesWithTheirLevels) {
  std::vector<uint8_t> page(512 * 512 * 4, 255);
  ASSERT_EQ(UploadFontPage(0, page.data(), 512, 512), 1);
  ZKTETexture* font = AddTextureRef("FONT0_AON", 0);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->mipLevels, FONT_PAGE_MIP_LEVELS);
  EXPECT_EQ(UploadFontPage(0, page.data(), 512, 512), 1);
  EXPECT_EQ(AddTextureRef("FONT0_AON", 0), font) << "refilled in place";
  EXPECT_EQ(TextureConfig.mipLevels, 0) << "the setting is put back";

  ASSERT_EQ(CreateGlyphCacheTexture(0), 1);
  ASSERT_EQ(CreateGlyphCacheTexture(1), 1);
  EXPECT_EQ(AddTextureRef("CACHE1_AON", 0)->width, 512);
  EXPECT_EQ(AddTextureRef("CACHE1_AON", 0)->mipLevels, GLYPH_PAGE_MIP_LEVELS);
  std::vector<uint8_t> cell(64 * 64 * 4, 255);
  UpdateGlyphCacheCell(0, 7, 7, cell.data(), 64);  // the last cell
  UpdateGlyphCacheCell(0, 8, 0, cell.data(), 64);  // off the page: ignored
  ZKTETexture* cache = AddTextureRef("CACHE0_AON", 0);
  ReleaseGlyphCacheTextures();
  EXPECT_FALSE(bool(cache->texture));
  EXPECT_FALSE(bool(AddTextureRef("CACHE1_AON", 0)->texture));
  EXPECT_TRUE(bool(AddTextureRef("FONT0_AON", 0)->texture));
  ASSERT_EQ(CreateGlyphCacheTexture(0), 1);
  EXPECT_EQ(AddTextureRef("CACHE0_AON", 0), cache) << "made again in the same record";
  EXPECT_TRUE(bool(cache->texture));

  // A page asked for by the text batches before it was built is the record the page fills.
  ZKTETexture* early = GetTexture("FONT1_AON", 0);
  ASSERT_NE(early, nullptr);
  EXPECT_EQ(early->state, TEXTURE_MISSING);
  ASSERT_EQ(UploadFontPage(1, page.data(), 512, 512), 1);
  EXPECT_EQ(AddTextureRef("FONT1_AON", 0), early);
  EXPECT_EQ(early->state, TEXTURE_OWNED);
  EXPECT_EQ(early->mipLevels, FONT_PAGE_MIP_LEVELS);
}

// The name rules, written out from the header's list: the six clock faces, the plates and
// the other special pages, and the "_ALP" ending, all without regard to case.  A name that
// is only the ending ("_alp", four letters) still ends in it.
TEST(TextureNames, ClockSpecialAndAlphaNamesIgnoringCase) {
  for (const char* clock : {"s_clock", "S_CLOCK_WHITE", "s_Clock_Formula", "s_clock_f1", "S_clock_f3", "s_clock_FJ"})
    EXPECT_TRUE(IsClockTextureName(clock)) << clock;
  for (const char* other : {"s_clock_f2", "x_clock", "sxclock", "s_cloc", "clock", "", "s"})
    EXPECT_FALSE(IsClockTextureName(other)) << other;
  EXPECT_FALSE(IsClockTextureName(nullptr));

  for (const char* special : {"s_plate", "S_PLATE_alp", "s_env", "S_Sky", "s_info", "s_MIRR", "s_clock_fj"})
    EXPECT_TRUE(IsSpecialTextureName(special)) << special;
  for (const char* other : {"s_plates", "env", "s_mirror", "s_sky_ALP", ""})
    EXPECT_FALSE(IsSpecialTextureName(other)) << other;
  EXPECT_FALSE(IsSpecialTextureName(nullptr));

  for (const char* alpha : {"_ALP", "_alp", "glass_ALP", "x_Alp"}) EXPECT_TRUE(IsAlphaTextureName(alpha)) << alpha;
  for (const char* other : {"ALP", "_AL", "glass_ALP2", "glassALP", "glass_ALP ", ""})
    EXPECT_FALSE(IsAlphaTextureName(other)) << other;
  EXPECT_FALSE(IsAlphaTextureName(nullptr));
}

// Indices run from 0 to one before the count and reach every record once.  Skins are the
// three skin types (plain, X and Y) and nothing else.
TEST_F(TextureTable, RecordsByIndexAndTheSkinTypes) {
  ZKTETexture* newest = GetTexture("Kerb", 2);
  ASSERT_NE(newest, nullptr);
  const int count = TextureCount();
  ASSERT_GE(count, 3) << "the two placeholders and the new record";
  int seen = 0;
  for (int i = 0; i < count; ++i) {
    ASSERT_NE(TextureAt(i), nullptr) << i;
    seen += TextureAt(i) == newest;
  }
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(TextureAt(count), nullptr);
  EXPECT_EQ(TextureAt(-1), nullptr);

  ZKTETexture record{};
  for (int type : {TEXTURE_TYPE_SKIN, TEXTURE_TYPE_SKIN_X, TEXTURE_TYPE_SKIN_Y}) {
    record.type = decltype(record.type)(type);
    EXPECT_EQ(IsSkinTexture(&record), 1) << type;
  }
  for (int type : {TEXTURE_TYPE_GENERAL, TEXTURE_TYPE_TRAINING, TEXTURE_TYPE_BACKGROUND, TEXTURE_TYPE_BLANK}) {
    record.type = decltype(record.type)(type);
    EXPECT_EQ(IsSkinTexture(&record), 0) << type;
  }
  EXPECT_EQ(IsSkinTexture(nullptr), 0);
}
