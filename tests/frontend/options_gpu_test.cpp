// options_gpu_test.cpp - the options screen drawn on a real GL context and used as a new user
// would: clicks on the "Button Alpha" step raise the buttons' alpha, and the next frame shows
// the buttons stronger; and the garage page's cover picture taken from the drawn frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "core/process.h"
#include "core/window_state.h"
#include "frontend/frontend.h"
#include "model/model_meshes.h"
#include "physics/car.h"
#include "render/draw2d.h"
#include "render/frame.h"
#include "render/material.h"
#include "render/object_picture.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/screenshot.h"
#include "render/texture_record.h"
#include "render/views.h"
#include "tests/frontend/page_picture.h"
#include "tests/ui/control_clicks.h"
#include "tests/ui/png_test_util.h"
#include "tests/ui/text_gpu_suite.h"
#include "text/messages.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/interface_draw.h"
#include "ui/text_draw.h"
#include "vehicle/car_drawing.h"

namespace {

class OptionsScreen : public PagePicture {
 protected:
  // The up step of the slider bound to variable, in this frame's controls.
  static const ValueControl* StepUp(const void* variable) {
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].variable == variable && ValueControls[i].displayType == VALUE_TYPE_FLOAT_PLUS)
        return &ValueControls[i];
    return nullptr;
  }
  // The garage page opened on the sample vehicle, made current and drawn; its "take cover
  // picture" button, or null.
  const ValueControl* OpenGarageAtTheCoverButton(Prss*& page) {
    page = OpenGaragePage(nullptr, GARAGE_SAMPLE_VEHICLE);
    Prss_MakeCurrent(page);
    DrawPage(page);
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].displayType == VALUE_TYPE_FADE_TEXT &&
          std::strcmp(ValueControls[i].minimum.text, "take cover picture") == 0)
        return &ValueControls[i];
    return nullptr;
  }
};

// Every page of a car drawn in plain white: the paint shows in its own colour times its light.
ZKTETexture* g_white = nullptr;
std::map<std::string, Material*> g_whitePages;
Material* WhitePages(const char* name, int, int, int, const CutoutMaterial&, int skin) {
  Material*& m = g_whitePages[skin ? "~skin" : name];
  if (!m) m = CreateMaterial(g_white, 0, 0, 300 + int(g_whitePages.size()), MaterialParams{}, 0);
  return m;
}

}  // namespace

TEST_F(OptionsScreen, AChangedButtonAlphaShowsOnTheNextFrame) {
  std::filesystem::create_directories("data/misc");
  Prss* page = OpenOptions(nullptr);
  Prss_MakeCurrent(page);
  EXPECT_EQ(DialogOpen, 2);
  std::vector<uint8_t> before = DrawPage(page);
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(WritePng("gpu/options_before.png", before, WIDTH, HEIGHT));
  const float alpha = InterfaceColours.buttonAlpha;
  // Twenty clicks on the step, one a frame as a user's would come.
  for (int i = 0; i < 20; ++i) {
    const ValueControl* step = StepUp(&InterfaceColours.buttonAlpha);
    ASSERT_NE(step, nullptr) << "the Button Alpha slider";
    ClickControl(*step);
    if (i < 19) DrawPage(page);
  }
  EXPECT_GT(InterfaceColours.buttonAlpha, alpha + 0.2f);
  EXPECT_EQ(ButtonAlphaWord, uint32_t(std::lround(InterfaceColours.buttonAlpha * 255)) << 24) << "applied at once";
  std::vector<uint8_t> after = DrawPage(page);
  ASSERT_TRUE(WritePng("gpu/options_after.png", after, WIDTH, HEIGHT));
  // What the buttons draw with the button alpha: every pixel of the frame summed.
  auto sum = [](const std::vector<uint8_t>& p) {
    long total = 0;
    for (size_t i = 0; i < p.size(); i += 4) total += p[i] + p[i + 1] + p[i + 2];
    return total;
  };
  EXPECT_GT(sum(after), sum(before) + 1000) << "the light grey button faces are stronger over the dark background";
  Prss_Terminate(page);
  EXPECT_EQ(page->act(page), nullptr);
  EXPECT_EQ(DialogOpen, 0);
}

TEST_F(OptionsScreen, TheGaragePageTakesTheCoverPictureFromTheDrawnFrame) {
  std::filesystem::remove("cover.png");
  CoverState = COVER_TAKING;
  Prss* page = nullptr;
  const ValueControl* take = OpenGarageAtTheCoverButton(page);
  ASSERT_NE(take, nullptr);
  CaptureSourceOverride = target.texture;  // the frame as the test draws it
  ClickControl(*take);
  CaptureSourceOverride = GfxTexture2D{};
  EXPECT_EQ(CoverState, COVER_MADE);
  EXPECT_TRUE(std::filesystem::exists("cover.png"));
  std::vector<uint8_t> head(8);
  std::ifstream("cover.png", std::ios::binary).read(reinterpret_cast<char*>(head.data()), 8);
  EXPECT_EQ(head[1], 'P') << "a PNG";
  EXPECT_EQ(page->act(page), nullptr) << "the page closes with the picture";
  CoverState = COVER_NONE;
}

// A picture that cannot be written (a folder stands where "cover.png" would go) is no cover:
// the state stays "taking" and the page closes all the same.
TEST_F(OptionsScreen, ACoverPictureThatCannotBeWrittenIsNotTaken) {
  std::filesystem::remove("cover.png");
  std::filesystem::create_directory("cover.png");
  CoverState = COVER_TAKING;
  Prss* page = nullptr;
  const ValueControl* take = OpenGarageAtTheCoverButton(page);
  ASSERT_NE(take, nullptr);
  CaptureSourceOverride = target.texture;
  ClickControl(*take);
  CaptureSourceOverride = GfxTexture2D{};
  EXPECT_EQ(CoverState, COVER_TAKING);
  EXPECT_TRUE(std::filesystem::is_directory("cover.png"));
  EXPECT_EQ(page->act(page), nullptr) << "the page closes";
  std::filesystem::remove("cover.png");
  CoverState = COVER_NONE;
}

// The garage draws its car as the garage picture does, from its right, lit by the view's sky
// light and the settings' sun that the picture sets up for itself, on a floor it clears its
// frame for: the car stands in the frame, and with the sky's light halved its lit pixels
// darken with it (before, nothing lit the car in the garage and its body drew black).
TEST_F(OptionsScreen, TheGarageShowsItsCarLit) {
  constexpr uint32_t BACKGROUND = 0xFF203040u;
  // The sample vehicles, their models, textures and engines as the build wrote them.
  const char* work = std::getenv("ZKT_WORK_DIR");
  ASSERT_NE(work, nullptr);
  std::filesystem::copy(std::filesystem::path(work) / "data", "data",
                        std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
  const int savedGraphics = GraphicsEnabled;
  GraphicsEnabled = 1;
  InitSinCosTables();
  ZKTETexture frame{}, white{};
  ASSERT_TRUE(MakeTestTarget(frame, WIDTH, HEIGHT, true));
  const uint32_t texel = 0xFFFFFFFFu;
  GfxTexture2DDesc w;
  w.width = w.height = 1;
  w.format = GFX_FORMAT_R8G8B8A8_UNORM;
  w.bindFlags = GFX_BIND_SHADER_RESOURCE;
  GfxSubresourceData initial{&texel, 4, 0};
  ASSERT_EQ(GfxCreateTexture2D(Gfx.device, w, &initial, &white.texture), GFX_OK);
  ASSERT_EQ(GfxCreateShaderResourceView(Gfx.device, white.texture, nullptr, &white.view), GFX_OK);
  white.width = white.height = white.mipLevels = 1;
  white.format = w.format;
  g_white = &white;
  g_whitePages.clear();
  FindSkinTexture = WhitePages;
  SetDefaultView();
  Prss* page = OpenGaragePage(nullptr, GARAGE_SAMPLE_VEHICLE);
  ASSERT_NE(GarageCar(), nullptr) << "the sample vehicle loads";
  Prss_MakeCurrent(page);
  // One frame of the page into the target, read back.
  const auto drawFrame = [&](const char* png) {
    EXPECT_EQ(SetRenderTexture(&frame, 0, 0, 0), 1);
    SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
    RenderStates.pendingBlend = 0;
    RenderStates.pendingRaster = 6;  // the sample models face either way
    RenderStates.pendingDepth = 0;
    FlushStates();
    Clear(BACKGROUND, 3);
    ClearInterface();
    FrameSkipped = 0;
    TakeCarModelRebuilt();  // the frame loop's deferred work
    FrameBegun3D = 1;
    EditorFrameCleared = 0;
    page = page->act(page);
    FrameBegun3D = 0;
    const std::vector<uint8_t> px = ReadTargetPixels(frame);
    while (RenderTargets.depth > 0) UnsetRenderTarget();
    EXPECT_TRUE(WritePng(png, px, WIDTH, HEIGHT));
    return px;
  };
  const std::vector<uint8_t> full = drawFrame("gpu/garage_car.png");
  for (auto& channel : MainView.lightMatrices)
    for (float& v : channel) v *= 0.5f;
  const std::vector<uint8_t> dim = drawFrame("gpu/garage_car_dim.png");
  // The floor and the sky behind fill the frame in the light's ambient colour, which the sky's
  // light matrices leave alone: the car's pixels are the ones the dimmer light changed.
  long covered = 0, fullLight = 0, dimLight = 0;
  const auto sum = [](uint32_t p) { return long(p >> 16 & 255) + long(p >> 8 & 255) + long(p & 255); };
  for (int y = 0; y < HEIGHT; ++y)
    for (int x = 0; x < WIDTH; ++x) {
      const uint32_t a = PixelArgb(full, WIDTH, x, y), b = PixelArgb(dim, WIDTH, x, y);
      EXPECT_NE(a, BACKGROUND) << "the garage clears its own frame, at " << x << ", " << y;
      if (a == b) continue;
      ++covered;
      fullLight += sum(a);
      dimLight += sum(b);
    }
  EXPECT_GT(covered, WIDTH * HEIGHT / 20) << "the car stands in the frame";
  EXPECT_GT(fullLight, 0);
  EXPECT_LT(dimLight, fullLight * 3 / 4) << "the view's sky light reaches the car";
  EXPECT_GT(dimLight, fullLight / 4);
  Prss_Terminate(page);
  EXPECT_EQ(page->act(page), nullptr);
  FindSkinTexture = FindPageTextureByName;
  FreeAllMaterials();
  ReleaseTexture(&white);
  ReleaseTestTarget(frame);
  GraphicsEnabled = savedGraphics;
}
