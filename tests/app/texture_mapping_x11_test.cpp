// texture_mapping_x11_test.cpp - the texture screens as a user meets them on a real X server
// (the test run's Xvfb) at 1280 x 960 with a GL device: the mapping screenshot taken by the
// frame loop and read back by another program (xclip), the mapping preview's texels, the
// cutout page panel in each orientation with its region frame.  Skipped without a display,
// xclip or ImageMagick.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app_harness.h"
#include "core/frame_globals.h"
#include "core/window_state.h"
#include "model/model_meshes.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/screen/modeller.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_state.h"
#include "modeller/texture/cutouts_screen.h"
#include "modeller/texture/texture_mapping.h"
#include "modeller/texture/texture_pages.h"
#include "platform/clock.h"
#include "platform/keys.h"
#include "render/image_files.h"
#include "render/screenshot.h"
#include "render/views.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/render/image_reading.h"
#include "tests/ui/control_clicks.h"
#include "tests/ui/png_test_util.h"
#include "text/messages.h"
#include "ui/value_edit.h"

namespace {

constexpr int WIDTH = 1280, HEIGHT = 960;
int32_t Metres(double metres) { return int32_t(std::lround(metres * 65536)); }
const uint8_t QUADRANTS[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};  // TL TR BL BR

struct Picture {
  std::vector<uint8_t> rgba;
  int width = 0, height = 0;
  const uint8_t* At(int x, int y) const { return &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
};

bool Same(const uint8_t* p, const uint8_t* q, int tolerance) {
  for (int c = 0; c < 3; ++c)
    if (std::abs(int(p[c]) - int(q[c])) > tolerance) return false;
  return true;
}

// The quadrant colour of page coordinates (u right, v down).
const uint8_t* QuadrantAt(float u, float v) { return QUADRANTS[(v >= 0.5f ? 2 : 0) + (u >= 0.5f ? 1 : 0)]; }

class TextureScreensWindow : public AppHarness {
 protected:
  ModelObject model{};
  ModellerScreen* modeller = nullptr;
  std::string previousDriver_;
  bool hadDriver_ = false;

  void SetUp() override {
    AppHarness::SetUp();
    if (!std::getenv("DISPLAY") || std::system("command -v xclip > /dev/null 2>&1") != 0 || !ImageMagickPresent())
      ZKT_SKIP_OUTSIDE_CI() << "needs an X display, xclip and ImageMagick";
    if (const char* d = std::getenv("SDL_VIDEODRIVER")) hadDriver_ = true, previousDriver_ = d;
    setenv("SDL_VIDEODRIVER", "x11", 1);
    std::filesystem::create_directories("data/png");
    // A page of four coloured quadrants.
    std::vector<uint8_t> page(256 * 256 * 4);
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) {
        const uint8_t* c = QUADRANTS[(y >= 128 ? 2 : 0) + (x >= 128 ? 1 : 0)];
        uint8_t* p = &page[(size_t(y) * 256 + x) * 4];
        p[0] = c[0], p[1] = c[1], p[2] = c[2], p[3] = 255;
      }
    // Written as the program writes pictures: 24-bit colour (a page without "_ALP" has no alpha).
    std::vector<uint8_t> png;
    ASSERT_EQ(EncodeImage(IMAGE_PNG, PictureRows{256, 256, page.data(), 256 * 4, 0, 1}, ImageWriteOptions{}, png), nullptr);
    FILE* f = std::fopen("data/png/quads.png", "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(png.data(), 1, png.size(), f);
    std::fclose(f);
    WriteConfigFile("Start Windowed 1\nWindow 0 0 1280 960\nSS Type 2\nNext Shot 1\nCompressed Tex 0\n");
    if (AppStartup("") != START_RUNNING) ZKT_SKIP_OUTSIDE_CI() << "no graphics";
    if (ScreenWidth != WIDTH || ScreenHeight != HEIGHT) ZKT_SKIP_OUTSIDE_CI() << "the X screen is smaller than 1280 x 960";
    Frame();
    OpenModel();
  }
  void TearDown() override {
    if (AppTopProcess()) {
      if (ActiveModeller) ActiveModeller->state.unchanged = 1;
      AppShutdown();
    }
    model.Free();
    if (hadDriver_)
      setenv("SDL_VIDEODRIVER", previousDriver_.c_str(), 1);
    else
      unsetenv("SDL_VIDEODRIVER");
    AppHarness::TearDown();
  }

  // A small quad facing the front at x 0.8..1.0 using mapping 0; mapping 1, unused, stands
  // in the empty middle of the view.  Both map the whole quadrant page.
  void OpenModel() {
    model.Init();  // one page, one cutout and one mapping
    std::snprintf(model.pages[0].name, MODEL_NAME_SIZE, "quads");
    Cutout shot = model.cutouts[0];
    std::snprintf(model.cutouts[0].name, CUTOUT_NAME_SIZE, "whole");
    std::snprintf(shot.name, CUTOUT_NAME_SIZE, "shot");
    shot.region[REGION_WIDTH] = 40, shot.region[REGION_HEIGHT] = 20, shot.region[REGION_LEFT] = 10, shot.region[REGION_TOP] = 30;
    model.AddCutout(&shot);
    ModelMapping m = model.mappings[0];
    m.direction = DIRECTION_FRONT;
    m.width = Metres(0.8), m.height = Metres(0.8), m.offset[0] = Metres(-0.6), m.offset[2] = Metres(0.5);
    std::snprintf(m.name, CUTOUT_NAME_SIZE, "free");
    model.AddMapping(&m);
    ModelMapping& quad = model.mappings[0];
    std::snprintf(quad.name, CUTOUT_NAME_SIZE, "quad");
    quad.direction = DIRECTION_FRONT;
    quad.width = Metres(1.0), quad.height = Metres(0.5), quad.offset[0] = Metres(0.3), quad.offset[2] = Metres(0.5);
    quad.cutout[0] = quad.cutout[1] = 1;
    const double corners[4][2] = {{0.8, 0}, {0.8, 1}, {1.0, 1}, {1.0, 0}};
    model.ResizePoints(4);
    model.pointCount = 4;
    for (int i = 0; i < 4; ++i) {
      model.points[i].x = Metres(corners[i][0]), model.points[i].z = Metres(corners[i][1]);
      model.points[i].ClassifyMirror();
    }
    const uint16_t triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};  // facing the front (+y)
    model.ResizeTriangles(2);
    model.triangleCount = 2;
    for (int t = 0; t < 2; ++t) {
      ModelTriangle& tri = model.triangles[t];
      tri.normalLevel = 1;
      for (int c = 0; c < 3; ++c) tri.corners[c] = triangles[t][c];
    }
    std::snprintf(model.name, sizeof model.name, "quads");
    Prss* page = AppTopProcess();
    ObjectEditor* e = OpenObjectEditor(page, OPEN_MODELLER, &model, -1, nullptr, nullptr, CALLER_ENTRY_MENU, ~0u);
    Prss_AddSub(page, &e->prss);
    modeller = ModellerOf(e->prss.sub);
    ASSERT_NE(modeller, nullptr);
    Frame();
    // The front view, 2.5 m across (512 pixels a metre), looking at (0, 0, 0.5).
    Key('F');
    FrameEditView(Metres(2.5), Metres(0.5));
    Frame();
  }
  static void Frame(int passes = 1) {
    for (int i = 0; i < passes; ++i) {
      RedrawRequested = 1;
      AppRunPass();
    }
  }
  static void Key(int key, bool shift = false) {
    if (shift) HandleKeyDown(KEY_SHIFT, 0);
    HandleKeyDown(key, 0);
    HandleKeyUp(key);
    if (shift) HandleKeyUp(KEY_SHIFT);
    Frame();
  }
  static void Click(const char* text) {
    const InterfaceButton* b = FindShownButton(text);
    ASSERT_NE(b, nullptr) << "no button \"" << text << "\"";
    ClickButton(*b);
    MouseX = MouseY = 0;
    Frame();
  }
  // The screenshot file of the next frame.
  Picture Shot() {
    const int number = CfgNextShot;
    ScreenshotRequest = 1;
    Frame();
    char path[64];
    std::snprintf(path, sizeof path, "data/shots/zkt_%08d.png", number);
    Picture p;
    p.rgba = ReadPng(path, &p.width, &p.height);
    std::filesystem::create_directories("../gpu");
    std::filesystem::copy_file(path, std::string("../gpu/texture_screens_") + std::to_string(number) + ".png",
                               std::filesystem::copy_options::overwrite_existing);
    return p;
  }
  static std::string ClipboardPng() {
    std::string out;
    for (int attempt = 0; attempt < 3 && out.empty(); ++attempt)
      out = RunAndCollect("timeout 10 xclip -o -selection clipboard -t image/png 2>/dev/null");
    return out;
  }
  static Picture PictureOf(const std::string& png, const char* name) {
    FILE* f = std::fopen(name, "wb");
    if (f) {
      std::fwrite(png.data(), 1, png.size(), f);
      std::fclose(f);
    }
    Picture p;
    p.rgba = ReadPng(name, &p.width, &p.height);
    return p;
  }
  // The screen rectangle the shot copies: handles 3 and 2 of the mapping.
  void ShotRect(int mapping, int rect[4]) const {
    const int handles[2] = {3, 2};
    for (int i = 0; i < 2; ++i) {
      int32_t p[3], depth = 0;
      GetMappingCorner(*modeller, mapping, p, handles[i]);
      float x = 0, y = 0;
      ProjectPointToScreen(p, &x, &y, &depth);
      rect[2 * i] = int(std::lround(x)), rect[2 * i + 1] = int(std::lround(y));
    }
  }
};

}  // namespace

TEST_F(TextureScreensWindow, TheMappingShotReachesTheClipboardSizedToTheRegion) {
  Key('M', true);
  ASSERT_NE(ActiveMappingPanel, nullptr);
  SelectedMapping = 0;
  Frame();
  // The size switch first at 2048: a 40 x 20 region is 640 x 320 pixels.
  Click("2048");
  Click("copy screen shot");
  ASSERT_EQ(MappingScreenshotRequested, 2) << "a frame drawn since the request";
  int guard = 0;
  while (MappingScreenshotRequested != 3 && guard++ < 10) {
    Frame();
    EXPECT_EQ(FindShownButton("copy screen shot"), nullptr) << "the tool adds nothing while the shot is pending";
  }
  const Picture screen = Shot();  // the frame the copy is taken from
  ASSERT_EQ(screen.width, WIDTH);
  EXPECT_EQ(MappingScreenshotRequested, 4);
  EXPECT_STREQ(modeller->statusText, "Copied to clipboard : 640 x 320");
  Frame();
  EXPECT_EQ(MappingScreenshotRequested, 0);
  const Picture copy = PictureOf(ClipboardPng(), "shot.png");
  ASSERT_EQ(copy.width, 640);
  ASSERT_EQ(copy.height, 320);
  int r[4];
  ShotRect(0, r);
  const int sw = r[2] - r[0], sh = r[3] - r[1];
  ASSERT_GT(sw, 100);
  ASSERT_GT(sh, 50);
  std::vector<uint8_t> expected(640 * 320 * 4);
  AreaAverageRect(screen.rgba.data(), WIDTH * 4, r[0], r[1], sw, sh, 640, 320, expected.data());
  for (int y = 5; y < 320; y += 45)
    for (int x = 7; x < 640; x += 79)
      EXPECT_TRUE(Same(copy.At(x, y), &expected[(size_t(y) * 640 + x) * 4], 2)) << x << ", " << y;
  // At 1024 the same region is 320 x 160.
  Frame();
  Click("1024");
  Click("copy screen shot");
  Frame(5);
  EXPECT_EQ(MappingScreenshotRequested, 0);
  const Picture small = PictureOf(ClipboardPng(), "small.png");
  EXPECT_EQ(small.width, 320);
  EXPECT_EQ(small.height, 160);
  Click("2048");
}

// The pass that takes the copy lets the screen settle 200 ms before it and 200 ms after it
// (on the fake clock); the frame limiter at the pass's start adds at most one frame period,
// here the screens' 25 ms: 400 to 425 ms slept in that pass.
TEST_F(TextureScreensWindow, TheMappingShotPassWaitsBeforeAndAfterTheCopy) {
  Key('M', true);
  SelectedMapping = 0;
  Frame();
  Click("copy screen shot");
  ASSERT_EQ(MappingScreenshotRequested, 2);
  Frame();
  ASSERT_EQ(MappingScreenshotRequested, 3);
  const uint64_t before = ClockFakeSleptMs();
  Frame();
  const uint64_t slept = ClockFakeSleptMs() - before;
  EXPECT_EQ(MappingScreenshotRequested, 4);
  EXPECT_GE(slept, 400u);
  EXPECT_LE(slept, 425u);
  Frame();
  EXPECT_EQ(MappingScreenshotRequested, 0);
}

TEST_F(TextureScreensWindow, TheViewTakesTheMappingsRollWhilePending) {
  Key('M', true);
  model.mappings[0].direction = DIRECTION_FRONT | (uint32_t(8) << 21);
  SelectedMapping = 0;
  Frame();
  Click("copy screen shot");
  ASSERT_EQ(MappingScreenshotRequested, 2);
  EXPECT_EQ(EditViewState >> 21, 8u);
  Frame();
  EXPECT_EQ(EditViewState >> 21, 8u);
  Frame(3);
  EXPECT_EQ(MappingScreenshotRequested, 0);
  EXPECT_EQ(EditViewState >> 21, 0u) << "cleared after the copy";
}

TEST_F(TextureScreensWindow, ThePreviewShowsThePageTexelsOverTheMapping) {
  Key('M', true);
  SelectedMapping = 1;
  MappingTool.opacitySelected = 1.0f;
  Frame(2);
  const Picture shot = Shot();
  ASSERT_EQ(shot.width, WIDTH);
  // Mapping 1: 0.8 m square at (-0.6, 0.5); the front view's x runs to the left.
  int r[4];
  ShotRect(1, r);  // upper left and lower right on the screen
  const float fu[2] = {0.25f, 0.75f}, fv[2] = {0.25f, 0.75f};
  for (float u : fu)
    for (float v : fv) {
      const int x = int(r[0] + u * (r[2] - r[0])), y = int(r[1] + v * (r[3] - r[1]));
      EXPECT_TRUE(Same(shot.At(x, y), QuadrantAt(u, v), 8))
          << "at " << u << ", " << v << ": " << int(shot.At(x, y)[0]) << " " << int(shot.At(x, y)[1]) << " "
          << int(shot.At(x, y)[2]);
    }
  MappingTool.opacitySelected = 0.5f;
}

TEST_F(TextureScreensWindow, TheCutoutPanelTurnsAndMirrorsThePageAndFramesTheRegion) {
  Key('C', true);
  ASSERT_NE(ActiveCutoutsScreen, nullptr);
  Click("whole");
  ASSERT_EQ(SelectedCutout, 0);
  Cutout& c = model.cutouts[0];
  c.region[REGION_LEFT] = 32, c.region[REGION_TOP] = 16, c.region[REGION_WIDTH] = 64, c.region[REGION_HEIGHT] = 48;
  const int s = GetTexturePanelSize(), left = WIDTH - s, top = ButtonHeight;
  for (int o = 0; o < ORIENTATION_COUNT; ++o) {
    c.orientation = uint8_t(o);
    const Picture shot = Shot();
    ASSERT_EQ(shot.width, WIDTH);
    const float* k = ORIENTATION_TABLE[o];
    for (float fy : {0.2f, 0.8f})
      for (float fx : {0.2f, 0.8f}) {
        const float u = k[0] * fx + k[1] * fy + k[4], v = k[2] * fx + k[3] * fy + k[5];
        const int x = left + int(fx * s), y = top + int(fy * s);
        EXPECT_TRUE(Same(shot.At(x, y), QuadrantAt(u, v), 8)) << "orientation " << o << " at " << fx << ", " << fy;
      }
    int rect[4];
    CutoutRegionRect(c, left, top + s, s, rect);
    const uint8_t frame[3] = {255, 255, 64};
    EXPECT_TRUE(Same(shot.At(rect[0], (rect[2] + rect[3]) / 2), frame, 8)) << "left edge, orientation " << o;
    EXPECT_TRUE(Same(shot.At((rect[0] + rect[1]) / 2, rect[2]), frame, 8)) << "top edge, orientation " << o;
  }
  // The other sampling shows the same page.
  c.orientation = 0;
  TexturePanelSwitches |= TEXTURE_PANEL_SAMPLING_2;
  const Picture sampled = Shot();
  TexturePanelSwitches &= ~uint32_t(TEXTURE_PANEL_SAMPLING_2);
  for (float fy : {0.2f, 0.8f})
    for (float fx : {0.2f, 0.8f})
      EXPECT_TRUE(Same(sampled.At(left + int(fx * s), top + int(fy * s)), QuadrantAt(fx, fy), 8))
          << "sampling 2 at " << fx << ", " << fy;
}

TEST_F(TextureScreensWindow, ThePageOverlayShowsUsedAreasGreenOnThePageAndRedOffIt) {
  Key('G', true);
  ASSERT_NE(ActivePagesScreen, nullptr);
  Click("quads");
  ASSERT_EQ(SelectedPage, 0);
  Click("overlay");
  ASSERT_EQ(PageOverlay, 1);
  const int side = (HEIGHT - 4 * ButtonHeight) / 64 * 64, left = (WIDTH - side) / 2, top = (HEIGHT - side) / 2;
  // The quad's corners map to u 0.016..0.078, v 0.45..0.77 of the page: on it.
  Picture shot = Shot();
  ASSERT_EQ(shot.width, WIDTH);
  const uint8_t* inside = shot.At(left + int(0.05f * side), top + int(0.6f * side));
  EXPECT_GT(inside[1], 70) << "green over the page's blue quadrant";
  EXPECT_LT(inside[0], 40);
  // With the mapping centred at x 0, the same corners fall left of the page: red.  The
  // message lines (the first shot's among them) are put away: their backings would cover it.
  model.mappings[0].offset[0] = 0;
  RefreshEditedMesh(&modeller->prss);
  ClearMessages();
  Frame();
  shot = Shot();
  const uint8_t* off = shot.At(left - int(0.047f * side), top + int(0.6f * side));
  EXPECT_GT(off[0], 90) << int(off[0]) << " " << int(off[1]) << " " << int(off[2]);
  EXPECT_LT(off[1], 60);
  PageOverlay = 0;
}

TEST_F(TextureScreensWindow, APageTextureIsReloadedAndReadAsDdsOnce) {
  Key('G', true);
  Click("quads");
  ASSERT_EQ(SelectedPage, 0);
  const int compressed = CfgCompressedTex;
  Click("reload");
  bool said = false;
  for (int i = 0; i < MessageLineCount; ++i) said |= std::strstr(MessageLines[i].text, "Reloaded : quads") != nullptr;
  EXPECT_TRUE(said);
  Click("dds");
  said = false;
  for (int i = 0; i < MessageLineCount; ++i)
    said |= std::strstr(MessageLines[i].text, "Viewing as DDS (SHIFT to export) : quads") != nullptr;
  EXPECT_TRUE(said);
  EXPECT_EQ(CfgCompressedTex, compressed) << "the setting is restored after the load";
  // "v" opens the viewer over the screen; Escape closes it.
  Click("v");
  EXPECT_NE(ActivePagesScreen->prss.sub, nullptr);
  Key(27);
  Frame();
  EXPECT_EQ(ActivePagesScreen->prss.sub, nullptr);
}
