// interface_gpu_test.cpp - a screen of every panel kind, a slider and pixel buttons drawn on a
// real GL context by the interface's own frame passes; the picture is written as a PNG, read
// back, and checked for the expected colours at sample points.  The slider is dragged with
// mouse records between two frames and its thumb must follow.  With the sprite pictures the
// sprite tool draws into the working folder, the panels take their rounded textures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/gamma_tables.h"
#include "core/process.h"
#include "core/window_state.h"
#include "render/draw2d.h"
#include "render/material.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/system_textures.h"
#include "render/texture_record.h"
#include "tests/gpu_device.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/ui/png_test_util.h"
#include "text/messages.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/interface_draw.h"
#include "ui/profiler_display.h"
#include "ui/text_draw.h"

namespace {

constexpr int WIDTH = 320, HEIGHT = 240;

// Sample colours: each channel distinct, so a swapped channel shows.
constexpr ColourWord RED_PANEL = RgbWord(220, 40, 40);
constexpr ColourWord GREEN_PANEL = RgbWord(40, 200, 60);
constexpr ColourWord BUTTON_BLUE = RgbWord(40, 60, 220);

class InterfacePicture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ready_ = StartTestDevice(WIDTH, HEIGHT);
  }
  static void TearDownTestSuite() { StopTestDevice(); }

  ZKTETexture target{};
  Prss owner{};
  float slider = 0.25f;
  InterfaceColourSettings savedColours;

  void SetUp() override {
    if (!ready_) ZKT_SKIP_OUTSIDE_CI() << "no device";
    ASSERT_TRUE(MakeTestTarget(target, WIDTH, HEIGHT));
    ScreenWidth = WIDTH;
    ScreenHeight = HEIGHT;
    Projection.aspect = float(HEIGHT) / float(WIDTH);
    Projection.inverseAspect = float(WIDTH) / float(HEIGHT);
    SetDefaultTextColours();
    savedColours = InterfaceColours;
    // Opaque panels, so the picture shows the colours themselves.
    InterfaceColours.buttonAlpha = InterfaceColours.bigAlpha = 1.0f;
    InterfaceColours.buttonCol = RgbWord(120, 130, 140);  // darker than the thumb
    InterfaceColours.bigCol = RgbWord(5, 0, 0);
    ApplyInterfaceColours();
    SetInterfaceMetrics();
    ResetInterfaceState();
    ResetMessages();  // the device's own start-up lines would lie over the panels
  }
  void TearDown() override {
    ReleaseSystemTextures();  // the next test draws plain panels again
    InterfaceColours = savedColours;
    ApplyInterfaceColours();
    ResetInterfaceState();
    if (!target.texture) return;
    ReleaseTestTarget(target);
    RenderStates.pendingDepth = 0;
  }

  // The screen's controls, as a screen's act function adds them each frame.
  void AddScreen() {
    static ColourWord red = RED_PANEL, green = GREEN_PANEL, blue = BUTTON_BLUE;
    auto control = [&](void* variable, InterfaceValue minimum, InterfaceValue maximum, InterfaceValue label,
                       DisplayType type, ColourWord* colour, float l, float t, float r, float b) {
      AddValueControl(&owner, variable, minimum, maximum, label, type, colour, nullptr, l, t, r, b);
    };
    control(nullptr, IvText(""), IvInt(0), IvInt(0), VALUE_TYPE_TEXT, nullptr, -0.9f, -0.9f, -0.4f,
            -0.6f);      // button panel
    control(nullptr, IvText(""), IvInt(0), IvInt(0), VALUE_TYPE_BIG_PANEL, nullptr, -0.3f, -0.9f, 0.2f,
            -0.6f);       // big panel
    control(nullptr, IvText(""), IvInt(0), IvInt(0), VALUE_TYPE_GLYPH, &red, 0.3f, -0.9f, 0.9f,
            -0.6f);           // colour panel
    control(nullptr, IvText(""), IvInt(0), IvInt(0), VALUE_TYPE_DARK_TEXT, &green, 0.3f, -0.5f, 0.9f,
            -0.2f);         // text-colour panel
    control(nullptr, IvText(""), IvInt(0), IvInt(0), VALUE_TYPE_FADE_TEXT, nullptr, -0.5f, -0.5f, 0.1f,
            -0.2f);       // fading panel
    control(nullptr, IvText(""), IvInt(0), IvInt(0), VALUE_TYPE_TEXT, nullptr, -0.9f, -0.15f, -0.88f,
            -0.05f);   // narrow: stacked
    control(nullptr, IvText(""), IvInt(0), IvInt(0), VALUE_TYPE_TEXT, nullptr, 0.3f, -0.15f, 0.9f,
            -0.14f);      // low: side by side
    AddValueControl(&owner, &slider, IvFloat(0.0f), IvFloat(1.0f), IvText("%.2f"), VALUE_TYPE_FLOAT, nullptr,
                    RecordSlider, -0.8f, 0.1f, 0.8f, 0.3f);
    // Pixel buttons: plain, toggled on and dimmed, in rows of the lower quarter.
    AddButton(&owner, 20, 190, 100, 220, 1, IvText(nullptr), IvInt(0), IvInt(0), BUTTON_STYLE_PLAIN, &blue, nullptr,
              nullptr);
    AddButton(&owner, 120, 190, 200, 220, 2, IvText(nullptr), IvInt(0), IvInt(255), BUTTON_STYLE_PLAIN, &blue, nullptr,
              nullptr);
    AddButton(&owner, 220, 190, 300, 220, 3, IvText(nullptr), IvInt(0), IvInt(1), BUTTON_STYLE_PLAIN, &blue, nullptr,
              nullptr);
  }

  static void RecordSlider(void*, int, uintptr_t) { ++sliderChanges_; }

  // The sprite pictures of the working folder as the system textures; false when the sprite
  // tool has not drawn them.
  static bool LoadSpritePictures() {
    const char* work = std::getenv("ZKT_WORK_DIR");
    if (!work) return false;
    std::filesystem::remove_all("data");
    std::filesystem::create_directories("data/png");
    for (int i = 0; i < SYSTEM_SPRITE_COUNT; ++i) {
      const std::string name = std::string(SYSTEM_SPRITE_NAMES[i]) + ".png";
      const std::filesystem::path from = std::filesystem::path(work) / "data/png" / name;
      if (!std::filesystem::exists(from)) return false;
      std::filesystem::copy_file(from, "data/png/" + name);
    }
    const int savedCompressed = CfgCompressedTex;
    CfgCompressedTex = 0;  // the pictures as drawn, without a DDS conversion
    LoadSystemTextures();
    CfgCompressedTex = savedCompressed;
    return true;
  }

  std::vector<uint8_t> DrawFrame() {
    EXPECT_TRUE(BeginTestFrame2D(target));
    EmptyTextBatches();
    ClearInterface();
    AddScreen();
    DrawInterface();
    if (flatPanel) {  // the whole small panel texture, stretched between the slider and the buttons
      DrawFlatPanel(&flatColour_, false, -0.4f, 0.56f, false, -0.9f, 0.34f);
      FlushInterfaceBatch();
    }
    FlushDraw2D();
    ResetDraw2D();  // as the frame loop does before the buttons
    DrawButtons();
    std::vector<uint8_t> p = ReadTargetPixels(target);
    while (RenderTargets.depth > 0) UnsetRenderTarget();
    return p;
  }

  // The pixel at normalised screen units (x right, y down).
  static const uint8_t* At(const std::vector<uint8_t>& p, float x, float y) {
    const int px = std::clamp(int((x + 1.0f) * 0.5f * WIDTH), 0, WIDTH - 1);
    const int py = std::clamp(int((y + 1.0f) * 0.5f * HEIGHT), 0, HEIGHT - 1);
    return &p[(size_t(py) * WIDTH + px) * 4];
  }
  static const uint8_t* AtPixel(const std::vector<uint8_t>& p, int x, int y) {
    return &p[(size_t(y) * WIDTH + x) * 4];
  }
  // The colour a ColourWord shows on screen: through the brightness table.
  static void ExpectColour(const uint8_t* q, ColourWord c, const char* what, int tolerance = 8) {
    const uint32_t shown = ApplyBrightnessTable(0xFF000000u | ColourRed(c) << 16 | ColourGreen(c) << 8 | ColourBlue(c));
    const int want[3] = {int(shown >> 16 & 0xFF), int(shown >> 8 & 0xFF), int(shown & 0xFF)};
    for (int k = 0; k < 3; ++k)
      EXPECT_NEAR(q[k], want[k], tolerance) << what << " channel " << k << " (" << int(q[0]) << ", " << int(q[1])
                                            << ", " << int(q[2]) << ")";
  }
  // The thumb's x: the brightest column along the slider's middle row.
  static float ThumbX(const std::vector<uint8_t>& p) {
    const int row = int((0.2f + 1.0f) * 0.5f * HEIGHT);
    int best = -1, bestValue = -1;
    for (int x = 0; x < WIDTH; ++x) {
      const uint8_t* q = AtPixel(p, x, row);
      const int value = q[0] + q[1] + q[2];
      if (value > bestValue) bestValue = value, best = x;
    }
    return 2.0f * (float(best) + 0.5f) / WIDTH - 1.0f;
  }

  bool flatPanel = false;
  static inline ColourWord flatColour_ = RgbWord(200, 180, 40);
  static inline bool ready_ = false;
  static inline int sliderChanges_ = 0;
};

}  // namespace

TEST_F(InterfacePicture, EveryPanelKindShowsItsColourAndTheSliderFollowsTheMouse) {
  std::vector<uint8_t> first = DrawFrame();
  ASSERT_TRUE(WritePng("gpu/interface_panels.png", first, WIDTH, HEIGHT));
  int w = 0, h = 0;
  const std::vector<uint8_t> p = ReadPng("gpu/interface_panels.png", &w, &h);
  ASSERT_EQ(w, WIDTH);
  ASSERT_EQ(h, HEIGHT);

  // Panel centres in their colours; the background stays black between them.
  ExpectColour(At(p, -0.65f, -0.75f), InterfaceColours.buttonCol, "button panel");
  ExpectColour(At(p, -0.05f, -0.75f), InterfaceColours.bigCol, "big panel");
  ExpectColour(At(p, 0.6f, -0.75f), RED_PANEL, "colour panel");
  ExpectColour(At(p, 0.6f, -0.35f), GREEN_PANEL, "text-colour panel");
  ExpectColour(At(p, 0.0f, -0.35f), InterfaceColours.bigCol, "fading panel, its solid part");
  ExpectColour(At(p, -0.89f, -0.1f), InterfaceColours.buttonCol, "narrow panel", 40);
  ExpectColour(At(p, 0.6f, -0.145f), InterfaceColours.buttonCol, "low panel", 40);
  ExpectColour(At(p, -0.95f, -0.95f), 0, "background");
  ExpectColour(At(p, 0.25f, -0.75f), 0, "gap between panels");
  // The fade: nothing left of where it starts, less than the panel where it begins.
  ExpectColour(At(p, -0.62f, -0.35f), 0, "left of the fade");
  // The slider's trough in the button colour, its thumb in "Big Text".
  ExpectColour(At(p, -0.6f, 0.2f), InterfaceColours.buttonCol, "slider trough");
  EXPECT_NEAR(ThumbX(p), -0.4f, 0.03f) << "thumb at 0.25 of the slider";
  ExpectColour(At(p, -0.4f, 0.2f), InterfaceColours.bigText, "thumb");
  // Pixel buttons: the face of a plain one, a toggled one (lit 255: red edges), a dimmed one.
  ExpectColour(AtPixel(p, 60, 205), BUTTON_BLUE, "button face");
  ExpectColour(AtPixel(p, 260, 205), RgbWord(35, 52, 192), "dimmed button face");
  // The edges shade from their outer corners (light above and left, dark below and right; red
  // on a toggled one) to the face colour on their inner corners.
  const uint8_t* face = AtPixel(p, 60, 205);
  const uint8_t *light = AtPixel(p, 20, 205), *dark = AtPixel(p, 99, 205), *toggled = AtPixel(p, 120, 205);
  for (int k = 0; k < 3; ++k) EXPECT_GT(light[k], face[k]) << "light left edge, channel " << k;
  EXPECT_LT(dark[2], face[2]) << "dark right edge: (c + 100) / 2 takes the blue down";
  EXPECT_GT(toggled[0], face[0] + 40) << "the toggled button's edge is red";
  EXPECT_LT(toggled[2], face[2] - 40);

  // Drag the thumb with the mouse: press on the slider, move right by a quarter, let go.
  const int pressX = int((-0.4f + 1.0f) * 0.5f * WIDTH), rowY = int((0.2f + 1.0f) * 0.5f * HEIGHT);
  MouseRecord m{};
  MouseX = pressX;
  MouseY = rowY;
  m.clickCode = CLICK_LEFT;
  m.leftHeld = 1;
  EXPECT_EQ(HandleInterfaceMouse(&m), 1);
  m.clickCode = 0;
  MouseX = pressX + int(0.8f * 0.5f * WIDTH * 0.5f);  // half the slider's width of 1.6 is 0.8: a quarter of 1.6
  HandleInterfaceMouse(&m);
  m.leftHeld = 0;
  m.releaseCode = CLICK_LEFT;
  HandleInterfaceMouse(&m);
  EXPECT_NEAR(slider, 0.5f, 0.02f);
  EXPECT_GT(sliderChanges_, 0);
  const std::vector<uint8_t> second = DrawFrame();
  ASSERT_TRUE(WritePng("gpu/interface_slider_moved.png", second, WIDTH, HEIGHT));
  EXPECT_NEAR(ThumbX(second), 0.0f, 0.03f) << "the thumb followed the drag";
}

TEST_F(InterfacePicture, PanelsDrawWithTheSystemTexturesRoundedCorners) {
  if (!LoadSpritePictures()) GTEST_SKIP() << "the sprite pictures were not drawn into the working folder";
  ASSERT_NE(SystemMaterials.largePanel, nullptr);
  ASSERT_NE(SystemMaterials.smallPanel, nullptr);
  ASSERT_NE(SystemMaterials.iconSheet, nullptr);
  EXPECT_EQ(PanelStateMaterial(PANEL_STATE_LARGE), SystemMaterials.largePanel);
  EXPECT_EQ(PanelStateMaterial(PANEL_STATE_SMALL), SystemMaterials.smallPanel);
  EXPECT_EQ(PanelStateMaterial(PANEL_STATE_ICONS), SystemMaterials.iconSheet);
  EXPECT_EQ(PanelStateMaterial(PANEL_STATE_PLAIN), GetDefaultMaterial());

  flatPanel = true;
  const std::vector<uint8_t> p = DrawFrame();
  ASSERT_TRUE(WritePng("gpu/interface_textured_panels.png", p, WIDTH, HEIGHT));
  // The white panel textures take the panels' colours where they are solid.
  ExpectColour(At(p, -0.65f, -0.75f), InterfaceColours.buttonCol, "textured button panel");
  ExpectColour(At(p, 0.6f, -0.75f), RED_PANEL, "textured colour panel");
  ExpectColour(At(p, -0.65f, 0.45f), flatColour_, "flat panel's middle");
  // Its corners are rounded away: the clear corners of the texture show the black behind.
  ExpectColour(At(p, -0.895f, 0.345f), 0, "flat panel's top-left corner");
  ExpectColour(At(p, -0.41f, 0.55f), 0, "flat panel's bottom-right corner");
}

TEST_F(InterfacePicture, TheProfilersTableDrawsItsBarsInTheirColourAsLongAsTheirShares) {
  ProfilerInit();
  const int timer = ProfilerAddTimer("Draw");
  for (int i = 0; i < PROFILER_HISTORY; ++i) {
    Profiler.frameTotals[i] = 1000;
    Profiler.timers[timer].history[i] = 1000;  // the whole frame: the bar's full width
  }
  ASSERT_TRUE(BeginTestFrame2D(target));
  EmptyTextBatches();
  ClearInterface();
  ProfilerShow(0.1f);
  DrawProfilerLabels();
  EXPECT_EQ(ProfilerLabelCount, 0) << "drawn and emptied";
  FlushDraw2D();
  ResetDraw2D();
  const std::vector<uint8_t> p = ReadTargetPixels(target);
  while (RenderTargets.depth > 0) UnsetRenderTarget();
  ASSERT_TRUE(WritePng("gpu/profiler_table.png", p, WIDTH, HEIGHT));

  // "Draw" is the second row: its bar from x 0.35 to 0.5 of the screen, y 0.152 to 0.168.
  // The bar's colour goes through the brightness table, as every 2D colour does.
  const uint32_t shown = ApplyBrightnessTable(PROFILER_BAR_COLOUR);
  const uint8_t* bar = AtPixel(p, int(0.42f * WIDTH), int(0.16f * HEIGHT));
  EXPECT_NEAR(bar[0], shown >> 16 & 0xFF, 2);
  EXPECT_NEAR(bar[1], shown >> 8 & 0xFF, 2);
  EXPECT_NEAR(bar[2], shown & 0xFF, 2);
  ExpectColour(AtPixel(p, int(0.55f * WIDTH), int(0.16f * HEIGHT)), 0, "past the bar's end");
  ExpectColour(AtPixel(p, int(0.42f * WIDTH), int(0.12f * HEIGHT)), 0, "the first row's empty bar");
}
