// skin_lookup_test.cpp - the car's texture look-up on the null device in a scratch folder: a
// car skin's JPG converted to DDS once and used while it is current, the plain texture for
// unnamed parts and context 6, a texture found in a skin context that is not a skin's, names
// that are not plain file names; and the view cone factor against a double-precision
// computation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "platform/files.h"
#include "render/material.h"
#include "render/system_textures.h"
#include "render/texture_table.h"
#include "render/views.h"
#include "tests/render/null_renderer.h"
#include "tests/texconv/test_pictures.h"
#include "text/text_colours.h"
#include "vehicle/car_skins.h"
#include "vehicle/number_plates.h"
#include "vehicle/skin_lookup.h"

namespace {

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  ASSERT_EQ(FileWriteAll(path.c_str(), bytes.data(), bytes.size()), 0) << path;
}

std::vector<uint8_t> Jpeg(int size, uint8_t value) {
  return testpics::EncodeJpeg(std::vector<uint8_t>(size_t(size) * size * 3, value).data(), size, size, 3, 90, false);
}

uint64_t WriteTime(const char* path) {
  uint64_t t = 0;
  EXPECT_TRUE(FileGetWriteTime(path, t)) << path;
  return t;
}

class SkinLookup : public NullRenderer {
 protected:
  static inline std::vector<std::string> lines;
  ReportSink saved{};
  TextureSettings savedSettings{};
  int savedCompressed = 0;
  void SetUp() override {
    NullRenderer::SetUp();
    std::filesystem::remove_all("data");
    std::filesystem::create_directories("data/png");
    SetDefaultTextColours();
    GraphicsEnabled = 1;
    savedSettings = TextureConfig;
    savedCompressed = CfgCompressedTex;
    CfgCompressedTex = 0;
    LoadSystemTextures();
    lines.clear();
    ReportSink sink{};
    sink.line = [](const char* text, ReportColour, int) { lines.push_back(text); };
    saved = InstallReportSink(sink);
    std::memset(EditorSkinName, 0, EDITOR_SKIN_NAME_SIZE);
    SkinContextCar = SkinContextEditorSkin = nullptr;
    CarSkinState = SKIN_STATE_BUILT;
  }
  void TearDown() override {
    InstallReportSink(saved);
    TextureConfig = savedSettings;
    CfgCompressedTex = savedCompressed;
    SkinContextCar = SkinContextEditorSkin = nullptr;
    SkinConversionSuppressed = 0;
    GraphicsEnabled = 1;
    ReleaseSystemTextures();
    FreeAllMaterials();
    std::filesystem::remove_all("data");
  }
  static int Lines(const std::string& text) {
    int n = 0;
    for (const std::string& line : lines) n += line == text;
    return n;
  }
  static Material* Find(const char* name, int skin = 0, uint8_t secondByte = 0) {
    CutoutMaterial material{};
    material.envMapType = secondByte;  // the material record's second byte
    return FindCarSkinTexture(name, 2, 0, 1, material, skin);
  }
};

const char* TextureName(const Material* m) { return m && m->texture ? m->texture->name : ""; }

}  // namespace

TEST_F(SkinLookup, ACarSkinIsConvertedOnceAndUsedWhileCurrent) {
  Write("data/skins/XR5_blue.jpg", Jpeg(32, 90));
  Car car;
  std::snprintf(car.skinTexture, sizeof car.skinTexture, "XR5_blue");
  SkinContextCar = &car;
  CfgCompressedTex = 1;
  TextureConfig.loadNow = 1;  // the car's textures may wait otherwise
  // A mod folder left set by an earlier request is not where a car that is no mod's skin comes from.
  std::snprintf(TextureConfig.skinModName, sizeof TextureConfig.skinModName, "%s", "stale");
  Material* m = Find("", 1);
  ASSERT_NE(m, nullptr);
  EXPECT_STREQ(TextureName(m), "XR5_blue");
  EXPECT_STREQ(m->texture->modName, "") << "no mod's folder";
  EXPECT_STREQ(TextureConfig.skinModName, "stale") << "given back after the call";
  EXPECT_EQ(IsSkinTexture(m->texture), 1);
  EXPECT_EQ(m->texture->state, TEXTURE_OWNED);
  EXPECT_EQ(m->drawKind, 0) << "a skin's material is lit by the scene";
  EXPECT_EQ(m->second, 0) << "and is no mirror";
  EXPECT_EQ(m->flags, 1) << "the flags asked for";
  EXPECT_EQ(m->texture->format, GFX_FORMAT_BC1_UNORM_SRGB) << "drawn from the DDS";
  ASSERT_TRUE(FileIsRegular("data/skins_dds/XR5_blue.dds"));
  EXPECT_EQ(WriteTime("data/skins_dds/XR5_blue.dds"), WriteTime("data/skins/XR5_blue.jpg"));
  EXPECT_EQ(TextureConfig.nextType, TEXTURE_TYPE_GENERAL) << "the skin context lasts for the call";
  EXPECT_EQ(TextureConfig.preferCompressedSkins, 0);
  // Listed now: the same material, no conversion; the mod folder the call asks in is its own,
  // the one set before it is given back.
  std::snprintf(TextureConfig.skinModName, sizeof TextureConfig.skinModName, "%s", "outer");
  EXPECT_EQ(Find("", 1), m);
  EXPECT_STREQ(TextureConfig.skinModName, "outer");
  // While current the DDS stays; a newer JPG makes it again; a missing JPG changes nothing.
  EXPECT_EQ(EnsureSkinDds("XR5_blue"), 0);
  FileSetWriteTime("data/skins/XR5_blue.jpg", WriteTime("data/skins/XR5_blue.jpg") + FILETIME_UNITS_PER_SECOND);
  EXPECT_EQ(EnsureSkinDds("XR5_blue"), 1);
  EXPECT_EQ(EnsureSkinDds("XR5_blue"), 0);
  EXPECT_EQ(EnsureSkinDds("XR5_none"), 0);
  // Suppressed, or without "Compressed Tex ", no DDS is made.
  Write("data/skins/XR5_red.jpg", Jpeg(16, 40));
  std::snprintf(car.skinTexture, sizeof car.skinTexture, "XR5_red");
  SkinConversionSuppressed = 1;
  ASSERT_NE(Find("", 1), nullptr);
  EXPECT_FALSE(FileExists("data/skins_dds/XR5_red.dds"));
  // A JPG that is not a picture is refused with a message; nothing is written.
  Write("data/skins/XR5_bad.jpg", std::vector<uint8_t>(64, 7));
  EXPECT_EQ(EnsureSkinDds("XR5_bad"), 0);
  EXPECT_EQ(Lines("Could not convert skin : data/skins/XR5_bad.jpg"), 1);
  EXPECT_FALSE(FileExists("data/skins_dds/XR5_bad.dds"));
  // No skin chosen: the page gets none.
  SkinContextCar = nullptr;
  EXPECT_EQ(Find("", 1), nullptr);
}

// A skin the check found among the downloads is read from that folder: skins_x or skins_y,
// as the check's state says, its DDS the only copy there is.
TEST_F(SkinLookup, ADownloadedSkinIsReadFromTheFolderTheCheckFoundItIn) {
  Write("data/skins/XR5_made.jpg", Jpeg(32, 120));
  ASSERT_EQ(EnsureSkinDds("XR5_made"), 1);
  std::filesystem::create_directories("data/skins_x");
  std::filesystem::create_directories("data/skins_y");
  std::filesystem::copy_file("data/skins_dds/XR5_made.dds", "data/skins_x/XR5_green.dds");
  std::filesystem::copy_file("data/skins_dds/XR5_made.dds", "data/skins_y/XR5_lime.dds");
  Car car;
  SkinContextCar = &car;
  TextureConfig.loadNow = 1;
  const std::pair<int, const char*> cases[2] = {{SKIN_STATE_X_FOLDER, "XR5_green"}, {SKIN_STATE_Y_FOLDER, "XR5_lime"}};
  for (const auto& [state, skin] : cases) {
    SCOPED_TRACE(skin);
    CarSkinState = state;
    std::snprintf(car.skinTexture, sizeof car.skinTexture, "%s", skin);
    Material* m = Find("", 1);
    ASSERT_NE(m, nullptr);
    ASSERT_NE(m->texture, nullptr);
    EXPECT_STREQ(TextureName(m), skin);
    EXPECT_EQ(IsSkinTexture(m->texture), 1);
    EXPECT_EQ(m->texture->state, TEXTURE_OWNED) << "read";
    EXPECT_EQ(m->texture->format, GFX_FORMAT_BC1_UNORM_SRGB) << "from the downloaded DDS";
  }
}

TEST_F(SkinLookup, UnnamedPartsAndContextSixTakeThePlainTexture) {
  TextureConfig.nextType = TEXTURE_TYPE_SKIN;
  Material* plain = Find("");
  ASSERT_NE(plain, nullptr);
  EXPECT_STREQ(TextureName(plain), "PLAIN~W");
  EXPECT_EQ(TextureConfig.nextType, 0) << "an unnamed part sets the context to 0";
  Material* none = Find("", 0, NO_TEXTURE_SHINE);
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(none->texture, nullptr) << "no texture name at all";
  TextureConfig.nextType = TEXTURE_CONTEXT_PLAIN;
  EXPECT_STREQ(TextureName(Find("wheel_logo")), "PLAIN~W");
  EXPECT_EQ(AddTextureRef("wheel_logo", 0), nullptr) << "the named texture is never loaded";
}

TEST_F(SkinLookup, ATextureFoundInASkinContextThatIsNotASkinsGetsItsMaterialAndTheMessage) {
  ZKTETexture* general = GetTexture("PLAIN~B", 2);
  ASSERT_NE(general, nullptr);
  TextureConfig.nextType = TEXTURE_TYPE_SKIN;
  Material* m = Find("PLAIN~B");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->texture, general);
  EXPECT_EQ(m->drawKind, 0);
  EXPECT_EQ(m->second, 0) << "no mirror";
  EXPECT_EQ(Lines("Found texture when looking for skin (PLAIN~B) but it is not marked as a skin"), 1);
  EXPECT_EQ(Find("PLAIN~B"), m) << "found again, not made again";
  // In the general context the texture is found by name without a word.
  TextureConfig.nextType = TEXTURE_TYPE_GENERAL;
  lines.clear();
  EXPECT_NE(Find("PLAIN~B"), nullptr);
  EXPECT_TRUE(lines.empty());
}

TEST_F(SkinLookup, NamesThatAreNotPlainFileNamesGetNoTexture) {
  for (const char* name : {"../cars/x", "skins\\x", "C:x", "a/b"}) {
    lines.clear();
    EXPECT_EQ(Find(name), nullptr) << name;
    EXPECT_EQ(lines.size(), 1u) << name;
  }
  // A skin of a downloaded mod named outside its folder.
  Car car;
  std::snprintf(car.skinTexture, sizeof car.skinTexture, "..\\..\\x");
  SkinContextCar = &car;
  lines.clear();
  EXPECT_EQ(Find("", 1), nullptr);
  EXPECT_EQ(Lines("Skin ..\\..\\x is not a plain file name"), 1);
}

TEST_F(SkinLookup, SpecialNamesComeFirstAndNothingWithoutGraphics) {
  InstallNumberPlates();
  ClearPlates();
  Material* plate = Find("s_plate");
  ASSERT_NE(plate, nullptr);
  EXPECT_EQ(plate, PlateMaterials[0]) << "the default plate made for page 0";
  ClearPlates();
  GraphicsEnabled = 0;
  EXPECT_EQ(Find("PLAIN~W"), nullptr);
}

TEST(ViewCone, OneOnTheAxisZeroAtTheSideBehindAndNearSmoothBetween) {
  View view{};
  View* saved = CurrentView;
  CurrentView = &view;
  const double apex[3] = {3.0, -2.0, 0.5};
  auto place = [&](double x, double y, double z) {
    view.position[0] = int32_t(std::lround((apex[0] + x) * 65536));
    view.position[1] = int32_t(std::lround((apex[1] + y) * 65536));
    view.position[2] = int32_t(std::lround((apex[2] + z) * 65536));
  };
  // Along z: the exact cases.
  CarViewCone = ViewCone{IntVector{3 << 16, -2 << 16, 1 << 15}, Vec3{0.0f, 0.0f, 1.0f}, 1.5f};
  place(0, 0, 10);
  EXPECT_EQ(ViewConeFactor(), 1.0f);
  place(5, 0, 10);  // 5 m off the axis at 10 m: on the cone's side
  EXPECT_EQ(ViewConeFactor(), 0.0f);
  place(0, 3, 6);  // 3 m off at 6 m: on the side too
  EXPECT_EQ(ViewConeFactor(), 0.0f);
  place(0, 0, -10);  // behind the apex
  EXPECT_EQ(ViewConeFactor(), 0.0f);
  place(0, 0, 1.5);  // at the least distance, and nearer
  EXPECT_EQ(ViewConeFactor(), 0.0f);
  place(0, 0, 1.0);
  EXPECT_EQ(ViewConeFactor(), 0.0f);
  // A slanted axis against the double-precision rule.
  const double axis[3] = {0.0, 0.6, 0.8};
  CarViewCone.axis = Vec3{0.0f, 0.6f, 0.8f};
  auto reference = [&]() {
    double d[3];
    for (int i = 0; i < 3; ++i) d[i] = (view.position[i] - apex[i] * 65536) / 65536.0;
    const double a = d[0] * axis[0] + d[1] * axis[1] + d[2] * axis[2];
    if (!(a > 1.5)) return 0.0;
    const double e = std::sqrt(std::pow(d[0] - axis[0] * a, 2) + std::pow(d[1] - axis[1] * a, 2) +
                               std::pow(d[2] - axis[2] * a, 2));
    if (!(a * a / 4 > e * e)) return 0.0;
    const double t = 1 - e / (a / 2);
    return (3 - 2 * t) * t * t;
  };
  for (double off = 0.0; off < 5.0; off += 0.37)
    for (double along : {2.0, 7.5, 40.0}) {
      place(off, 0.6 * along, 0.8 * along);
      EXPECT_NEAR(ViewConeFactor(), reference(), 1e-5) << off << " " << along;
    }
  // Smooth: never rising as the view moves out from the axis.
  place(0, 6, 8);
  float previous = ViewConeFactor();
  EXPECT_NEAR(previous, 1.0f, 1e-6);
  for (double off = 0.1; off <= 5.0; off += 0.1) {
    place(off, 6, 8);
    const float f = ViewConeFactor();
    EXPECT_LE(f, previous + 1e-6f);
    previous = f;
  }
  EXPECT_NEAR(previous, 0.0f, 1e-6);
  CurrentView = saved;
}
