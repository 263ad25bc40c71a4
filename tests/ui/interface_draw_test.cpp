// interface_draw_test.cpp - what the interface drawing hands to the 2D list on the null
// device: the nine-slice cases, square screen edges, pressed colours, batch cuts, the panels
// of value controls, message backgrounds; and the faces and texts of pixel buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/gamma_tables.h"
#include "core/process.h"
#include "core/window_state.h"
#include "render/device.h"
#include "render/draw2d.h"
#include "render/font_pages.h"
#include "render/frame.h"
#include "render/material.h"
#include "render/object_picture.h"
#include "render/render_target.h"
#include "render/texture_record.h"
#include "render/vr.h"
#include "tests/render/null_renderer.h"
#include "text/messages.h"
#include "ui/character_set.h"
#include "ui/contrast.h"
#include "ui/dialogs.h"
#include "ui/draw_record.h"
#include "ui/font_page_layout.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "platform/clock.h"
#include "ui/interface_draw.h"
#include "ui/interface_local.h"
#include "ui/onscreen_keyboard.h"
#include "ui/profiler_display.h"
#include "ui/screen_labels.h"
#include "ui/text_draw.h"

namespace {

class PanelDraw : public NullRenderer {
 protected:
  uint32_t baseVertex = 0, baseTriangle = 0;
  void Reset() {
    FlushInterfaceBatch();
    ResetDraw2D();
    Draw2DList.StartBatch(nullptr);  // the background's room is taken with the first batch
    Draw2DList.EndBatch();
    baseVertex = Draw2DList.counters.vertexCount;
    baseTriangle = Draw2DList.counters.triangleCount;
  }
  const Draw2DVertex& V(uint32_t i) const { return Draw2DList.vertices[baseVertex + i]; }
  uint32_t Triangles() const { return Draw2DList.counters.triangleCount - baseTriangle; }
  void SetUp() override {
    NullRenderer::SetUp();
    Reset();
    SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
    Projection.aspect = 0.5625f;
    Projection.inverseAspect = 1.0f / 0.5625f;
    PanelTextureState = PANEL_STATE_NONE;
    ResetInterfaceState();
    ResetMessages();
    EmptyTextBatches();
  }
  void TearDown() override {
    FlushInterfaceBatch();
    ResetDraw2D();
    ResetInterfaceState();
    ResetMessages();
    EmptyTextBatches();
    Projection = FrameProjection{};
    VrEnabled = 0;
  }
  static const Draw2DBatch& LastBatch() { return Draw2DList.batches[Draw2DList.counters.batchCount - 1]; }

};

constexpr ColourWord GREY = RgbWord(100, 150, 20);

}  // namespace

TEST_F(PanelDraw, TheFourNineSliceCasesAtAWideAspect) {
  struct Case {
    float w, h;
    uint32_t triangles;
    int state;
  };
  const Case cases[4] = {{0.3f, 0.012f, 6, PANEL_STATE_SMALL},   // three quads side by side
                         {0.008f, 0.3f, 6, PANEL_STATE_SMALL},   // three stacked
                         {0.008f, 0.012f, 2, PANEL_STATE_SMALL}, // one stretched quad
                         {0.3f, 0.1f, 18, PANEL_STATE_LARGE}};   // nine
  for (const Case& c : cases) {
    Reset();
    DrawButtonPanel(&GREY, false, 0.2f + c.w, 0.2f + c.h, 0, false, 0.2f, 0.2f);
    EXPECT_EQ(Triangles(), c.triangles) << c.w << " x " << c.h;
    ASSERT_GT(Draw2DList.counters.batchCount, 0u);
    EXPECT_EQ(PanelTextureState, c.state) << c.w << " x " << c.h;
    FlushInterfaceBatch();
  }
  // The side-by-side caps take the texture's ends and the stretched middle its centre strip.
  Reset();
  DrawButtonPanel(&GREY, false, 0.5f, 0.212f, 0, false, 0.2f, 0.2f);
  EXPECT_FLOAT_EQ(V(1).u, 0.49f);
  EXPECT_FLOAT_EQ(V(4).u, 0.49f);
  EXPECT_FLOAT_EQ(V(5).u, 0.51f);
}

// Each of the three pieces of a low or a narrow panel maps its own part of the texture: the
// caps its ends (0 to the cut at 0.49, the cut at 0.51 to 1), the middle the strip between
// the cuts, and the other direction the texture's whole span, 0 to 1.  The four corners of
// quad k are vertices 4k (x1, y1), 4k + 1 (x2, y1), 4k + 2 (x2, y2) and 4k + 3 (x1, y2).
TEST_F(PanelDraw, TheThreePiecesOfALowOrNarrowPanelTakeTheirOwnPartOfTheTexture) {
  const float cuts[3][2] = {{0.0f, 0.49f}, {0.49f, 0.51f}, {0.51f, 1.0f}};
  Reset();
  DrawButtonPanel(&GREY, false, 0.5f, 0.212f, 0, false, 0.2f, 0.2f);  // low: side by side
  ASSERT_EQ(Triangles(), 6u);
  for (uint32_t k = 0; k < 3; ++k) {
    EXPECT_FLOAT_EQ(V(4 * k).u, cuts[k][0]) << "piece " << k;
    EXPECT_FLOAT_EQ(V(4 * k + 2).u, cuts[k][1]) << "piece " << k;
    EXPECT_FLOAT_EQ(V(4 * k).v, 0.0f) << "piece " << k;
    EXPECT_FLOAT_EQ(V(4 * k + 2).v, 1.0f) << "piece " << k;
  }
  FlushInterfaceBatch();
  Reset();
  DrawButtonPanel(&GREY, false, 0.208f, 0.5f, 0, false, 0.2f, 0.2f);  // narrow: stacked
  ASSERT_EQ(Triangles(), 6u);
  for (uint32_t k = 0; k < 3; ++k) {
    EXPECT_FLOAT_EQ(V(4 * k).v, cuts[k][0]) << "piece " << k;
    EXPECT_FLOAT_EQ(V(4 * k + 2).v, cuts[k][1]) << "piece " << k;
    EXPECT_FLOAT_EQ(V(4 * k).u, 0.0f) << "piece " << k;
    EXPECT_FLOAT_EQ(V(4 * k + 2).u, 1.0f) << "piece " << k;
  }
}

// A fading panel's left end: a quad from clear to the panel's colour, its two triangles
// (0, 1, 2) and (2, 3, 0) of its own four vertices, then the panel without its left column.
TEST_F(PanelDraw, AFadingPanelStartsWithAQuadFromClearToItsColour) {
  FadePanel(0xFF204060u, -0.5f, 0.2f, 0.5f, 0.6f);
  ASSERT_GE(Triangles(), 2u);
  EXPECT_EQ(V(0).colour >> 24, 0u);
  EXPECT_EQ(V(1).colour >> 24, 0xFFu);
  EXPECT_EQ(V(2).colour >> 24, 0xFFu);
  EXPECT_EQ(V(3).colour >> 24, 0u);
  // Clear at x1 - 0.1 = -0.6, solid from x1 + 0.05 = -0.45, from the top 0.2 to the bottom 0.6
  // (in the list, whose y runs up, -0.2 and -0.6); the clear side samples at u 0.48, the solid
  // side at 0.5.
  const float corners[4][3] = {
      {-0.6f, -0.2f, 0.48f}, {-0.45f, -0.2f, 0.5f}, {-0.45f, -0.6f, 0.5f}, {-0.6f, -0.6f, 0.48f}};
  for (uint32_t i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(V(i).x, corners[i][0]) << i;
    EXPECT_FLOAT_EQ(V(i).y, corners[i][1]) << i;
    EXPECT_FLOAT_EQ(V(i).u, corners[i][2]) << i;
    EXPECT_FLOAT_EQ(V(i).v, 0.5f) << i;
  }
  const Draw2DTriangle& t0 = Draw2DList.triangles[baseTriangle];
  const Draw2DTriangle& t1 = Draw2DList.triangles[baseTriangle + 1];
  EXPECT_EQ(t0.b, t0.a + 1);
  EXPECT_EQ(t0.c, t0.a + 2);
  EXPECT_EQ(t1.a, t0.a + 2);
  EXPECT_EQ(t1.b, t0.a + 3);
  EXPECT_EQ(t1.c, t0.a);
}

// A flat panel and a title tab are recorded as fills where they are drawn (pixels of an
// 800 x 600 screen).
TEST_F(PanelDraw, FlatPanelsAndTitleTabsAreRecordedAsFills) {
  const int saved[2] = {ScreenWidth, ScreenHeight};
  ScreenWidth = 800;
  ScreenHeight = 600;
  ResetDrawRecord();
  DrawFlatPanel(&GREY, false, 0.5f, 0.5f, false, -0.5f, -0.5f);
  ASSERT_EQ(DrawRecord.size(), 1u);
  EXPECT_FLOAT_EQ(DrawRecord[0].left, 200.0f);
  EXPECT_FLOAT_EQ(DrawRecord[0].top, 150.0f);
  EXPECT_FLOAT_EQ(DrawRecord[0].right, 600.0f);
  EXPECT_FLOAT_EQ(DrawRecord[0].bottom, 450.0f);
  ResetDrawRecord();
  Reset();
  Prss owner{};
  AddValueControl(&owner, nullptr, IvText("Title"), IvInt(0), IvInt(0), VALUE_TYPE_TITLE, nullptr, nullptr, -1.0f,
                  -1.0f, 0.0f, -0.9f);
  DrawValueControlPanels(0);
  bool tab = false;
  for (const DrawRecordEntry& f : DrawRecord)
    tab = tab || (std::fabs(f.left) < 0.01f && std::fabs(f.top) < 0.01f && std::fabs(f.bottom - 30.0f) < 0.01f);
  EXPECT_TRUE(tab) << "the tab's fill from the screen's top left corner";
  ClearInterface();
  ResetDrawRecord();
  ScreenWidth = saved[0];
  ScreenHeight = saved[1];
}

// Each piece of a fading panel and of a title tab is drawn, the first one from the batch's
// first vertex: the fade (1 quad) and the rest of the panel (6), the tab's inside, bottom
// edge, slanted edge and corner (4), two triangles a quad.
TEST_F(PanelDraw, FadingPanelsAndTitleTabsDrawEveryPieceFromTheBatchsFirstVertex) {
  Reset();
  FadePanel(0xFF204060u, -0.5f, -0.25f, 0.5f, 0.5f);
  ASSERT_EQ(Triangles(), 14u);
  EXPECT_EQ(V(0).colour, ApplyBrightnessTable(0x00204060u)) << "the fade starts clear";
  EXPECT_EQ(V(1).colour, ApplyBrightnessTable(0xFF204060u));
  Reset();
  ValueControl tab{};
  tab.displayType = VALUE_TYPE_TITLE;
  tab.left = -1.0f;
  tab.top = -1.0f;
  tab.right = 0.0f;
  tab.bottom = -0.9f;
  tab.variable = HeldFloat(0.3f);  // its width
  DrawTitleTab(tab);
  EXPECT_EQ(Triangles(), 8u);
  EXPECT_FLOAT_EQ(V(0).x, -1.0f) << "the inside from the screen's left edge";
}

// A fading panel is recorded as a fill where it has its full alpha (pixels of 800 x 600).
TEST_F(PanelDraw, AFadingPanelIsRecordedAsAFill) {
  const int saved[2] = {ScreenWidth, ScreenHeight};
  ScreenWidth = 800;
  ScreenHeight = 600;
  ResetDrawRecord();
  FadePanel(0xFF204060u, -0.5f, -0.25f, 0.5f, 0.5f);
  ASSERT_EQ(DrawRecord.size(), 1u);
  EXPECT_FLOAT_EQ(DrawRecord[0].left, 200.0f);
  EXPECT_FLOAT_EQ(DrawRecord[0].top, 225.0f);
  EXPECT_FLOAT_EQ(DrawRecord[0].right, 600.0f);
  EXPECT_FLOAT_EQ(DrawRecord[0].bottom, 450.0f);
  ResetDrawRecord();
  ScreenWidth = saved[0];
  ScreenHeight = saved[1];
}

// A fill with no height covers no pixel, so nothing is recorded for it; one pixel high is
// the first that is (pixels of 800 x 600).
TEST_F(PanelDraw, AFillOfNoHeightIsNotRecorded) {
  const int saved[2] = {ScreenWidth, ScreenHeight};
  ScreenWidth = 800;
  ScreenHeight = 600;
  ResetDrawRecord();
  // From (-0.5, -0.5) to (0.5, -0.5): pixels (200, 150) to (600, 150), 400 wide, 0 high.
  DrawFlatPanel(&GREY, false, 0.5f, -0.5f, false, -0.5f, -0.5f);
  EXPECT_TRUE(DrawRecord.empty());
  RecordFillPixels(0xFF000000u, 10.0f, 20.0f, 110.0f, 20.0f);
  EXPECT_TRUE(DrawRecord.empty());
  RecordFillPixels(0xFF000000u, 10.0f, 20.0f, 110.0f, 21.0f);
  ASSERT_EQ(DrawRecord.size(), 1u);
  EXPECT_FLOAT_EQ(DrawRecord[0].top, 20.0f);
  EXPECT_FLOAT_EQ(DrawRecord[0].bottom, 21.0f);
  ResetDrawRecord();
  ScreenWidth = saved[0];
  ScreenHeight = saved[1];
}

// A control's panel is recorded as belonging to its control: the control's place (pixels of
// 800 x 600) and whether it takes clicks.
TEST_F(PanelDraw, AControlsPanelIsRecordedWithItsControlsPlace) {
  const int saved[2] = {ScreenWidth, ScreenHeight};
  ScreenWidth = 800;
  ScreenHeight = 600;
  Prss owner{};
  AddValueControl(&owner, nullptr, IvText("go"), IvInt(0), IvInt(0), VALUE_TYPE_TEXT, nullptr, nullptr, -0.5f, -0.25f,
                  0.5f, 0.5f);
  ResetDrawRecord();
  DrawValueControlPanels(0);
  ASSERT_FALSE(DrawRecord.empty());
  const DrawRecordEntry& panel = DrawRecord[0];
  EXPECT_FLOAT_EQ(panel.ownerLeft, 200.0f);
  EXPECT_FLOAT_EQ(panel.ownerTop, 225.0f);
  EXPECT_FLOAT_EQ(panel.ownerRight, 600.0f);
  EXPECT_FLOAT_EQ(panel.ownerBottom, 450.0f);
  EXPECT_EQ(panel.clickable, 1);
  ResetDrawRecord();
  ClearInterface();
  ScreenWidth = saved[0];
  ScreenHeight = saved[1];
}

TEST_F(PanelDraw, APanelOnTheScreensEdgeIsSquareThereOutsideVr) {
  DrawButtonPanel(&GREY, false, 0.0f, 0.0f, 0, false, -1.0f, -0.5f);
  EXPECT_EQ(Triangles(), 12u);  // the left column has no width
  EXPECT_FLOAT_EQ(V(0).x, -1.0f);
  Reset();
  VrEnabled = 1;
  DrawButtonPanel(&GREY, false, 0.0f, 0.0f, 0, false, -1.0f, -0.5f);
  EXPECT_EQ(Triangles(), 18u);
}

TEST_F(PanelDraw, PressedPanelsAre24DarkerAndNeverBelowZero) {
  InterfaceColours.buttonAlpha = 0.3f;
  ApplyInterfaceColours();
  DrawButtonPanel(&GREY, true, 0.5f, 0.5f, 0, false, 0.0f, 0.0f);
  EXPECT_EQ(V(0).colour, ApplyBrightnessTable(0x4D4C7E00u));  // 20 - 24 stops at 0
  Reset();
  DrawButtonPanel(&GREY, false, 0.5f, 0.5f, 2, false, 0.0f, 0.0f);  // style 2: opaque
  EXPECT_EQ(V(0).colour, ApplyBrightnessTable(0xFF649614u));
}

TEST_F(PanelDraw, ABatchIsCutAfterTheRoutineThatReaches5120Triangles) {
  for (int i = 0; i < 285; ++i) DrawButtonPanel(&GREY, false, 0.5f, 0.5f, 0, false, 0.0f, 0.0f);
  // 285 panels of 18 triangles: 5130, finished in one batch, which is then closed.
  EXPECT_FALSE(Draw2DList.counters.batchOpen);
  EXPECT_EQ(PanelTextureState, PANEL_STATE_NONE);
  EXPECT_EQ(LastBatch().triangleCount, 5130u);
  DrawButtonPanel(&GREY, false, 0.5f, 0.5f, 0, false, 0.0f, 0.0f);
  EXPECT_TRUE(Draw2DList.counters.batchOpen);
  FlushInterfaceBatch();
  EXPECT_EQ(LastBatch().triangleCount, 18u);
}

TEST_F(PanelDraw, TexturesSwitchOnlyWhenThePanelKindChanges) {
  DrawButtonPanel(&GREY, false, 0.5f, 0.5f, 0, false, 0.0f, 0.0f);
  DrawButtonPanel(&GREY, false, 0.9f, 0.5f, 0, false, 0.6f, 0.0f);
  DrawInterfaceQuad(0xFF000000u, 0.0f, 0.0f, 0.1f, 0.1f);
  DrawButtonPanel(&GREY, false, 0.5f, 0.5f, 0, false, 0.0f, 0.0f);
  FlushInterfaceBatch();
  ASSERT_EQ(Draw2DList.counters.batchCount, 5u);  // after the background's and an empty one
  EXPECT_EQ(Draw2DList.batches[2].triangleCount, 36u);
  EXPECT_EQ(Draw2DList.batches[3].triangleCount, 2u);
  EXPECT_EQ(Draw2DList.batches[4].triangleCount, 18u);
}

TEST_F(PanelDraw, ValueControlsGetTheirPanelsThumbsIconsAndTabs) {
  Prss owner{};
  float value = 0.5f;
  AddValueControl(&owner, &value, IvFloat(0.0f), IvFloat(1.0f), IvText("%.1f"), VALUE_TYPE_FLOAT, nullptr, nullptr,
                  -0.5f, 0.0f, 0.5f, 0.1f);
  DrawValueControlPanels(0);
  // The panel (nine quads), then the thumb (three stacked: it is narrower than its corners).
  EXPECT_EQ(Triangles(), 24u);
  const Draw2DVertex& thumb = V(36);
  EXPECT_FLOAT_EQ(thumb.x, -0.005f);
  Reset();
  ClearInterface();
  AddValueControl(&owner, HeldInt(7), IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_ICON, nullptr, nullptr, 0.0f, 0.0f, 0.1f,
                  0.1f);
  DrawValueControlPanels(0);
  ASSERT_EQ(Triangles(), 2u);
  EXPECT_EQ(LastBatch().material, PanelStateMaterial(PANEL_STATE_ICONS));
  EXPECT_FLOAT_EQ(V(0).u, 95.0f / 256.0f);  // column 2
  EXPECT_FLOAT_EQ(V(0).v, 31.0f / 256.0f);  // row 1
  EXPECT_EQ(V(0).colour, ApplyBrightnessTable(0xC0FFFFFFu));
  Reset();
  ClearInterface();
  AddValueControl(&owner, nullptr, IvText("Title"), IvInt(0), IvInt(0), VALUE_TYPE_TITLE, nullptr, nullptr, -1.0f,
                  -1.0f, 0.0f, -0.9f);
  DrawValueControlPanels(0);
  EXPECT_EQ(Triangles(), 8u);  // inside, bottom edge, right edge, corner
  EXPECT_EQ(V(0).colour, 0xFF000000u);
  // A glyph or dark text control's panel spans the control: its first corner at the control's left and
  // top (clip space, y up: -0.2).
  for (DisplayType type : {VALUE_TYPE_GLYPH, VALUE_TYPE_DARK_TEXT}) {
    Reset();
    ClearInterface();
    AddValueControl(&owner, nullptr, IvText("x"), IvInt(0), IvInt(0), type, nullptr, nullptr, -0.5f, 0.2f, 0.5f, 0.3f);
    DrawValueControlPanels(0);
    ASSERT_GT(Triangles(), 0u) << type;
    EXPECT_FLOAT_EQ(V(0).x, -0.5f) << type;
    EXPECT_FLOAT_EQ(V(0).y, -0.2f) << type;
  }
  // Types without a panel add nothing, nor does a number past the last type.
  Reset();
  ClearInterface();
  constexpr int PAST_THE_LAST_TYPE = VALUE_TYPE_ICON + 1;
  for (int type : {int{VALUE_TYPE_PASSWORD_LINE}, int{VALUE_TYPE_WHEEL}, int{VALUE_TYPE_CHARACTER_ROW},
                   int{VALUE_TYPE_EMPTY}, PAST_THE_LAST_TYPE})
    AddValueControl(&owner, nullptr, IvText(""), IvInt(0), IvInt(0), static_cast<DisplayType>(type), nullptr, nullptr,
                    0.0f, 0.0f, 0.1f, 0.1f);
  DrawValueControlPanels(0);
  EXPECT_EQ(Triangles(), 0u);
}

TEST_F(PanelDraw, LabelsGetAPanelOnlyOnScreensThatDoNotClearToAColour) {
  Prss owner{};
  const FrameClearSettings saved = FrameClear;
  // Mode, triangles: two big panels of nine quads; the no-panel bit and a zero width skip.
  const int expected[5][2] = {{0, 0}, {1, 0}, {2, 36}, {3, 36}, {-1, 36}};
  for (const auto& [mode, triangles] : expected) {
    Reset();
    ClearInterface();
    FrameClear.mode = mode;
    AddValueControl(&owner, nullptr, IvText("a"), IvInt(0), IvInt(0), VALUE_TYPE_LABEL, nullptr, nullptr, 0.0f, 0.0f,
                    0.3f, 0.2f);
    AddValueControl(&owner, nullptr, IvText("b"), IvInt(0), IvInt(4), VALUE_TYPE_LABEL, nullptr, nullptr, 0.0f, 0.3f,
                    0.3f, 0.5f);
    AddValueControl(&owner, nullptr, IvText("c"), IvInt(0), IvInt(0), VALUE_TYPE_HELD_INT, nullptr, nullptr, 0.0f, 0.6f,
                    0.3f, 0.8f);
    AddValueControl(&owner, nullptr, IvText("d"), IvInt(0), IvInt(0), VALUE_TYPE_HELD_DEGREES, nullptr, nullptr, 0.1f,
                    0.0f, 0.1f, 0.2f);
    DrawValueControlPanels(0);
    EXPECT_EQ(Triangles(), uint32_t(triangles)) << "clear mode " << mode;
  }
  FrameClear = saved;
}

// A screen that clears to a colour is a plain page of it until it draws behind the interface
// (a car, a model in a 2D view) or an editor clears the frame for its view: then the texts
// cannot count on the clear's colour.  The next frame of the interface is plain again.
TEST_F(PanelDraw, APageIsPlainUntilItsScreenDrawsBehindTheInterface) {
  const FrameClearSettings saved = FrameClear;
  FrameClear.mode = 0;
  ClearInterface();
  EXPECT_EQ(PlainScreenColour(), 0xFF000000u);
  GfxDraw(Gfx.context, 0, 0);
  EXPECT_EQ(PlainScreenColour(), 0u) << "drawn behind";
  ClearInterface();
  EXPECT_EQ(PlainScreenColour(), 0xFF000000u) << "a new frame";
  EditorFrameCleared = 1;
  EXPECT_EQ(PlainScreenColour(), 0u) << "an editor's own clear";
  EditorFrameCleared = 0;
  FrameClear = saved;
}

TEST_F(PanelDraw, CodeColoursAndStripes) {
  EXPECT_EQ(CodeColour(-3), 0xFF505060u);
  EXPECT_EQ(CodeColour(-14), 0xFF808080u);
  EXPECT_EQ(CodeColour(-40), 0xFF808080u);
  // Every code from -3 to -14, as listed.
  const uint32_t listed[12] = {0xFF505060u, 0xFF404050u, 0xFF605050u, 0xFF504040u, 0xFF2020D0u, 0xFFA02020u,
                               0xFFB0A010u, 0xFF408020u, 0xFF7010B0u, 0xFFD03010u, 0xFF2090A0u, 0xFF808080u};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(CodeColour(-3 - i), listed[i]) << -3 - i;
  Prss owner{};
  AddValueControl(&owner, nullptr, IvInt(0), IvInt(4), IvInt(-4), VALUE_TYPE_CHARACTER_BITS, nullptr, nullptr, 0.0f,
                  0.0f, 0.4f, 0.1f);
  DrawValueControlPanels(0);
  ASSERT_EQ(Triangles(), 8u);
  EXPECT_EQ(V(0).colour, ApplyBrightnessTable(CodeColour(-4 ^ 1)));
  EXPECT_EQ(V(4).colour, ApplyBrightnessTable(CodeColour(-4)));
  EXPECT_FLOAT_EQ(V(4).x, 0.1f);
}

// The lines' letters are drawn from the font pages.  The program makes a page with the first
// glyph drawn on it; the character set left in place may have no page laid out for its
// glyphs, and a page missing from the device is looked for as a file and reported as a
// message line of its own.  The pages stand before the lines are counted.
TEST_F(PanelDraw, MessageBackgroundsAreOneRowEachAndFollowTheHistory) {
  for (int page = 0; page < FONT_TEXTURE_PAGES; ++page)
    ASSERT_TRUE(CreateFontPageTexture(page, FONT_PAGE_PIXELS)) << "font page " << page;
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight;
  ScreenWidth = 1000;
  ScreenHeight = 600;
  AddMessage("first", TextColours.grey, MSG_TARGET_LOCAL);
  AddMessage("second", TextColours.grey, MSG_TARGET_LOCAL);
  auto backings = [] {
    ClearInterface();
    PlaceMessageLines();
    DrawMessageLines();
    std::vector<DrawRecordEntry> out;
    for (const DrawRecordEntry& e : DrawRecord)
      if (e.role == RECORD_BACKING) out.push_back(e);
    return out;
  };
  std::vector<DrawRecordEntry> rows = backings();
  ASSERT_EQ(rows.size(), 2u);
  const float row = MessageTextSize * 0.85f * 0.5f * 600.0f;  // pixels
  EXPECT_NEAR(rows[0].top, 0.0f, 0.01f);
  EXPECT_NEAR(rows[0].bottom - rows[0].top, row, 0.01f);
  EXPECT_NEAR(rows[1].top, row, 0.01f);
  AddMessage("3", TextColours.grey, MSG_TARGET_LOCAL);  // a line of one character is a line too
  ClearMessages();
  AddMessage("fourth", TextColours.grey, MSG_TARGET_LOCAL);
  ShowMessageHistory = 1;
  EXPECT_EQ(backings().size(), 4u) << "the history's three, then the shown line";
  ShowMessageHistory = 0;
  EXPECT_EQ(GetMessageAreaHeight(), 0);  // not reserved
  MessageAreaReserved = 1;
  ScreenHeight = 600;
  EXPECT_EQ(GetMessageAreaHeight(), ButtonHeight + int(std::lround(MessageTextSize * 0.85f * 1 * 600 * 0.5f)));
  ShowMessageHistory = 1;
  EXPECT_EQ(GetMessageAreaHeight(), 0);
  ShowMessageHistory = 0;
  MessageAreaReserved = 0;
  ScreenWidth = savedWidth;
  ScreenHeight = savedHeight;
}

// The message lines are drawn at once: their backings and letters leave nothing in the 2D
// list, so the next frame does not draw them again.
TEST_F(PanelDraw, MessageLinesLeaveTheTwoDListEmptyOnceDrawn) {
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight;
  ScreenWidth = 1000;
  ScreenHeight = 600;
  AddMessage("first", TextColours.grey, MSG_TARGET_LOCAL);
  ClearInterface();
  PlaceMessageLines();
  DrawMessageLines();
  EXPECT_EQ(Draw2DList.counters.batchCount, 0u);
  EXPECT_EQ(Draw2DList.counters.vertexCount, 0u);
  EXPECT_EQ(Draw2DList.counters.triangleCount, 0u);
  EXPECT_EQ(Draw2DList.counters.batchOpen, 0);
  ScreenWidth = savedWidth;
  ScreenHeight = savedHeight;
}

// With opaque alphas a control's panel shows its colour as it is: each type's panel takes the
// button or the big colour, or draws nothing, as its fields ask.
TEST_F(PanelDraw, EachControlTypeTakesTheButtonOrTheBigPanelColour) {
  const InterfaceColourSettings saved = InterfaceColours;
  InterfaceColours.buttonAlpha = 1.0f;
  InterfaceColours.bigAlpha = 1.0f;
  InterfaceColours.buttonCol = RgbWord(10, 20, 30);
  InterfaceColours.bigCol = RgbWord(40, 50, 60);
  ApplyInterfaceColours();
  const uint32_t button = ApplyBrightnessTable(0xFF0A141Eu), big = ApplyBrightnessTable(0xFF28323Cu);
  struct Case {
    DisplayType type;
    InterfaceValue minimum;
    intptr_t maximum, label;
    uint32_t colour;  // 0: no panel
  };
  const Case cases[] = {
      {VALUE_TYPE_TEXT, IvText(""), 0, 0, button},     {VALUE_TYPE_BIG_PANEL, IvText(""), 0, 0, big},
            {VALUE_TYPE_PRESS_ONLY, IvText(""), 0, 0, button},
      {VALUE_TYPE_PRESS_ONLY, IvText(""), 1, 0, 0},         {VALUE_TYPE_PRESS_ONLY, IvText(""), 2, 0, button},
        {VALUE_TYPE_ITEM, IvText(""), 0, 1, button},
      {VALUE_TYPE_ITEM_B, IvText(""), 0, 2, big},       {VALUE_TYPE_ITEM_C, IvText(""), 0, -1, big},
          {VALUE_TYPE_ITEM, IvText(""), 0, 0, 0},
      {VALUE_TYPE_CHARACTER_CELL, IvInt(0), 0, 0x20, big},      {VALUE_TYPE_CHARACTER_CELL, IvInt(0), 0, 0x10, button},
       {VALUE_TYPE_CHARACTER_CELL, IvInt(544), 0, 0, big},
      {VALUE_TYPE_CHARACTER_CELL, IvInt(543), 0, 0, button},    {VALUE_TYPE_CHARACTER_CELL, IvInt(545), 0, 0, button},
  };
  Prss owner{};
  for (const Case& c : cases) {
    Reset();
    ClearInterface();
    AddValueControl(&owner, nullptr, c.minimum, IvInt(c.maximum), IvInt(c.label), c.type, nullptr, nullptr, 0.0f,
                    0.0f, 0.3f, 0.2f);
    DrawValueControlPanels(0);
    const std::string what = "type " + std::to_string(c.type) + ", maximum " + std::to_string(c.maximum) +
                             ", label " + std::to_string(c.label);
    if (!c.colour) {
      EXPECT_EQ(Triangles(), 0u) << what;
      continue;
    }
    ASSERT_EQ(Triangles(), 18u) << what;
    EXPECT_EQ(V(0).colour, c.colour) << what;
  }
  // A hint line has the button's panel while there is a hint to show, and none while not.
  const char* const savedHint = HoverHint;
  for (const char* hint : {"Load a vehicle", ""}) {
    Reset();
    ClearInterface();
    HoverHint = hint;
    AddValueControl(nullptr, nullptr, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_HINT, nullptr, nullptr, 0.0f, 0.0f, 0.3f,
                    0.2f);
    DrawValueControlPanels(0);
    EXPECT_EQ(Triangles(), hint[0] ? 18u : 0u) << "hint \"" << hint << "\"";
    if (hint[0] && Triangles() == 18u) {
      EXPECT_EQ(V(0).colour, button);
    }
  }
  HoverHint = savedHint;
  // Types 2 and 52 with label 1: the colour lifted by a quarter, each byte at most 255.
  ColourWord own = RgbWord(100, 220, 8);
  for (DisplayType type : {VALUE_TYPE_GLYPH, VALUE_TYPE_COLOUR_SWATCH}) {
    for (intptr_t label : {0, 1}) {
      Reset();
      ClearInterface();
      AddValueControl(&owner, nullptr, IvInt(0), IvInt(0), IvInt(label), type, &own, nullptr, 0.0f, 0.0f, 0.3f, 0.2f);
      DrawValueControlPanels(0);
      ASSERT_EQ(Triangles(), 18u) << type;
      // 100 * 1.25 = 125 (0x7D), 220 * 1.25 = 275 held at 255, 8 * 1.25 = 10 (0x0A).
      EXPECT_EQ(V(0).colour, ApplyBrightnessTable(label ? 0xFF7DFF0Au : 0xFF64DC08u)) << type << " " << label;
    }
  }
  Reset();
  ClearInterface();
  InterfaceColours = saved;
  ApplyInterfaceColours();
}

// A slider's thumb sits where its value lies between the control's ends, kept 0.01 inside
// them; each type reads its own kind of variable and range.  The record knows it as a part
// inside its control.
TEST_F(PanelDraw, SliderThumbsFollowTheirVariablesAndStayInsideTheControl) {
  Prss owner{};
  // The control spans x -0.5 to 0.5; the thumb's first vertex is 0.005 left of its centre.
  const auto thumbLeft = [&](void* variable, DisplayType type, InterfaceValue minimum, InterfaceValue maximum,
                             int extra = -1) {
    Reset();
    ClearInterface();
    const int i = AddValueControl(&owner, variable, minimum, maximum, IvText("%.1f"), type, nullptr, nullptr, -0.5f,
                                  0.0f, 0.5f, 0.1f);
    if (type == VALUE_TYPE_MAPPED_BYTE) {
      ValueControls[i].byteMinimum = 100;
      ValueControls[i].byteMaximum = 200;
    }
    if (type == VALUE_TYPE_WORD) ValueControls[i].subType = static_cast<uint8_t>(extra);
    DrawValueControlPanels(0);
    EXPECT_EQ(Triangles(), 24u) << "type " << type;  // nine quads, then three for the thumb
    EXPECT_TRUE(DrawRecord.size() == 2 && !DrawRecord[0].inner && DrawRecord[1].inner) << "type " << type;
    return Triangles() == 24u ? V(36).x : 99.0f;
  };
  float f = 0.25f;
  EXPECT_NEAR(thumbLeft(&f, VALUE_TYPE_FLOAT, IvFloat(0.0f), IvFloat(1.0f)), -0.255f, 1e-6f);
  f = 2.0f;  // past the maximum: held at 0.49
  EXPECT_NEAR(thumbLeft(&f, VALUE_TYPE_FLOAT, IvFloat(0.0f), IvFloat(1.0f)), 0.485f, 1e-6f);
  f = -1.0f;  // below the minimum: held at -0.49
  EXPECT_NEAR(thumbLeft(&f, VALUE_TYPE_FLOAT, IvFloat(0.0f), IvFloat(1.0f)), -0.495f, 1e-6f);
  f = 3.0f;  // an empty range: at the left end
  EXPECT_NEAR(thumbLeft(&f, VALUE_TYPE_FLOAT, IvFloat(3.0f), IvFloat(3.0f)), -0.495f, 1e-6f);
  uint8_t byte = 64;  // 64 of 0..128: the middle
  EXPECT_NEAR(thumbLeft(&byte, VALUE_TYPE_COLOUR_BYTE, IvInt(0), IvInt(128)), -0.005f, 1e-6f);
  uint8_t rgb[3] = {10, 96, 20};  // the largest byte, 96 of 0..128
  EXPECT_NEAR(thumbLeft(rgb, VALUE_TYPE_COLOUR_TRIPLE, IvInt(0), IvInt(128)), 0.245f, 1e-6f);
  uint8_t reddest[3] = {96, 10, 20};  // red the largest: the same 96 of 0..128, -0.5 + 0.75 - 0.005
  EXPECT_NEAR(thumbLeft(reddest, VALUE_TYPE_COLOUR_TRIPLE, IvInt(0), IvInt(128)), 0.245f, 1e-6f);
  byte = 175;  // 175 of the bytes 100..200
  EXPECT_NEAR(thumbLeft(&byte, VALUE_TYPE_MAPPED_BYTE, IvFloat(0.0f), IvFloat(1.0f)), 0.245f, 1e-6f);
  uint16_t word = 30;  // 30 of 0.4..40.4, rounded to 0..40
  EXPECT_NEAR(thumbLeft(&word, VALUE_TYPE_WORD, IvFloat(0.4f), IvFloat(40.4f), 0), 0.245f, 1e-6f);
  word = 16383;  // sub type 1: 0..65534 whatever the range says
  EXPECT_NEAR(thumbLeft(&word, VALUE_TYPE_WORD, IvFloat(0.4f), IvFloat(40.4f), 1), -0.255f, 1e-5f);
  ClearInterface();

  // Under a label laid over the slider (centred "0.50" at 0.7 of the 0.2 high control: its
  // glyphs from 0.03 + 0.14 x 3/23 to 0.17) the thumb stands only above and below the glyphs,
  // a pixel clear of them.  Pixels of an 800 x 600 screen: y 0 is pixel 300.
  const int saved[2] = {ScreenWidth, ScreenHeight};
  ScreenWidth = 800;
  ScreenHeight = 600;
  Reset();
  ResetDrawRecord();
  f = 0.5f;
  AddValueControl(nullptr, HeldFloat(f), IvText("%.2f"), IvInt(0), IvInt(0), VALUE_TYPE_HELD_FLOAT, nullptr, nullptr,
                  -0.5f, 0.0f, 0.5f, 0.2f);
  AddValueControl(&owner, &f, IvFloat(0.0f), IvFloat(1.0f), IvText("%.2f"), VALUE_TYPE_FLOAT, nullptr, nullptr, -0.5f,
                  0.0f, 0.5f, 0.2f);
  DrawValueControlPanels(0);
  std::vector<DrawRecordEntry> pieces;
  for (const DrawRecordEntry& e : DrawRecord)
    if (e.inner) pieces.push_back(e);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_NEAR(pieces[0].top, 301.5f, 0.01f);
  EXPECT_NEAR(pieces[0].bottom, 313.5f, 0.1f);
  EXPECT_NEAR(pieces[1].top, 352.0f, 0.1f);
  EXPECT_NEAR(pieces[1].bottom, 358.5f, 0.01f);
  ClearInterface();
  ResetDrawRecord();
  ScreenWidth = saved[0];
  ScreenHeight = saved[1];
}

// A mapped byte slider (VALUE_TYPE_MAPPED_BYTE) lays its panel over the whole control like any other: the
// first corner at the control's left and top (clip space, y up: top 0.2 is y -0.2), whatever
// its thumb shows.
TEST_F(PanelDraw, AMappedByteSlidersPanelStartsAtTheControlsLeftAndTop) {
  Prss owner{};
  uint8_t byte = 175;
  ASSERT_GE(AddValueControl4(&owner, &byte, 0.0f, 1.0f, "%.2f", 100, 200, nullptr, -0.5f, 0.2f, 0.5f, 0.3f), 0);
  DrawValueControlPanels(0);
  ASSERT_EQ(Triangles(), 24u);  // nine quads of panel, then three for the thumb
  EXPECT_FLOAT_EQ(V(0).x, -0.5f);
  EXPECT_FLOAT_EQ(V(0).y, -0.2f);
  ClearInterface();
}

// A list's scroll bar (VALUE_TYPE_SCROLL): the bar from the first shown entry to the last of the total,
// kept 0.005 inside the control, and never upside down.
TEST_F(PanelDraw, AScrollBarSpansItsShownEntriesWithinItsControl) {
  Prss owner{};
  float left = 0.0f, right = 0.0f;
  const auto bar = [&](intptr_t first, intptr_t last, intptr_t total, float* top, float* bottom) {
    Reset();
    ClearInterface();
    AddValueControl(&owner, nullptr, IvInt(first), IvInt(last), IvInt(total), VALUE_TYPE_SCROLL, nullptr, nullptr, 0.0f,
                    -0.5f, 0.3f, 0.5f);
    DrawValueControlPanels(0);
    *top = left = 99.0f;
    *bottom = right = -99.0f;
    for (uint32_t v = 36; v < Draw2DList.counters.vertexCount - baseVertex; ++v) {
      *top = std::min(*top, -V(v).y);  // the list's vertices have y upwards
      *bottom = std::max(*bottom, -V(v).y);
      left = std::min(left, V(v).x);
      right = std::max(right, V(v).x);
    }
    return Triangles();
  };
  float top, bottom;
  // The control runs from y -0.5 to 0.5: entries 2 to 5 of 10 are y -0.3 to 0.
  ASSERT_GT(bar(2, 5, 10, &top, &bottom), 18u);
  EXPECT_NEAR(top, -0.3f, 1e-6f);
  EXPECT_NEAR(bottom, 0.0f, 1e-6f);
  EXPECT_NEAR(left, 0.145f, 1e-6f) << "0.01 wide about the control's middle";
  EXPECT_NEAR(right, 0.155f, 1e-6f);
  ASSERT_GT(bar(0, 12, 10, &top, &bottom), 18u);  // past both ends
  EXPECT_NEAR(top, -0.495f, 1e-6f);
  EXPECT_NEAR(bottom, 0.495f, 1e-6f);
  ASSERT_GT(bar(0, 1, 0, &top, &bottom), 18u);  // no total: taken as 1
  EXPECT_NEAR(top, -0.495f, 1e-6f);
  EXPECT_NEAR(bottom, 0.495f, 1e-6f);
  EXPECT_EQ(bar(3, 1, 10, &top, &bottom), 18u) << "an end above the start: no bar";
  ClearInterface();
}

// A batch that reaches exactly 5120 triangles is closed after that routine: four flat
// panels (two triangles each) and 284 small nine-part ones (18 each) make 8 + 5112.
TEST_F(PanelDraw, ABatchOfExactly5120TrianglesIsCut) {
  for (int i = 0; i < 4; ++i) DrawFlatPanel(&GREY, false, 0.5f, 0.5f, false, 0.0f, 0.0f);
  for (int i = 0; i < 284; ++i) DrawButtonPanel(&GREY, false, 0.09f, 0.09f, 0, false, 0.0f, 0.0f);
  EXPECT_FALSE(Draw2DList.counters.batchOpen);
  EXPECT_EQ(LastBatch().triangleCount, 5120u);
}

// Every panel routine closes its batch once it reaches 5120 triangles, whichever routine
// added the last of them: the batch is filled to just under the cut with panels of the same
// texture, then the routine under test takes it past.
TEST_F(PanelDraw, EveryPanelRoutineClosesTheBatchItTakesTo5120Triangles) {
  Prss owner{};
  AddValueControl(&owner, HeldInt(0), IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_ICON, nullptr, nullptr, 0.0f, 0.0f, 0.1f,
                  0.1f);
  struct Case {
    const char* name;
    int fillers;  // calls of the routine itself before the one that reaches the cut
    void (*fill)();
    void (*routine)();
  };
  const Case cases[] = {
      // 284 large nine-part panels (5112), then a fading panel of seven quads: 5126.
      {"fade", 284, [] { DrawButtonPanel(&GREY, false, 0.5f, 0.5f, 0, false, 0.0f, 0.0f); },
       [] { FadePanel(0xFF204060u, -0.5f, 0.2f, 0.5f, 0.6f); }},
      // 284 large panels, then a coloured one of nine quads: 5130.
      {"colour", 284, [] { DrawButtonPanel(&GREY, false, 0.5f, 0.5f, 0, false, 0.0f, 0.0f); },
       [] { DrawPanelInColour(0xFF204060u, 0.0f, 0.0f, 0.5f, 0.5f); }},
      // 2559 plain quads (5118), then one more: 5120.
      {"quad", 2559, [] { DrawInterfaceQuad(0xFF000000u, 0.0f, 0.0f, 0.1f, 0.1f); },
       [] { DrawInterfaceQuad(0xFF000000u, 0.0f, 0.0f, 0.1f, 0.1f); }},
      // 2559 flat panels, then one more.
      {"flat", 2559, [] { DrawFlatPanel(&GREY, false, 0.5f, 0.5f, false, 0.0f, 0.0f); },
       [] { DrawFlatPanel(&GREY, false, 0.5f, 0.5f, false, 0.0f, 0.0f); }},
      // 2559 icons, then one more.
      {"icon", 2559, [] { DrawInterfaceIcon(ValueControls[0]); }, [] { DrawInterfaceIcon(ValueControls[0]); }},
  };
  for (const Case& c : cases) {
    Reset();
    for (int i = 0; i < c.fillers; ++i) c.fill();
    ASSERT_TRUE(Draw2DList.counters.batchOpen) << c.name;
    c.routine();
    EXPECT_FALSE(Draw2DList.counters.batchOpen) << c.name;
    EXPECT_EQ(PanelTextureState, PANEL_STATE_NONE) << c.name;
    EXPECT_GE(LastBatch().triangleCount, 5120u) << c.name;
  }
  ClearInterface();
}

// The profiler's labels are drawn and then forgotten: the batch of their bars closed, their
// table empty.
TEST_F(PanelDraw, ProfilerLabelsAreDrawnWithTheirBatchClosed) {
  ProfilerInit();
  ProfilerLabelCount = 0;
  const int timer = ProfilerAddTimer("Draw");
  for (int i = 0; i < PROFILER_HISTORY; ++i) {
    Profiler.frameTotals[i] = 1000;
    Profiler.timers[timer].history[i] = 500;
  }
  ProfilerShow(0.1f);
  ASSERT_GT(ProfilerLabelCount, 0);
  DrawProfilerLabels();
  EXPECT_FALSE(Draw2DList.counters.batchOpen);
  EXPECT_EQ(PanelTextureState, PANEL_STATE_NONE);
  EXPECT_EQ(ProfilerLabelCount, 0);
  EmptyTextBatches();
}

// A panel exactly 0.099 across either way is no longer small: it takes the large texture.
TEST_F(PanelDraw, APanelOf0099IsLarge) {
  DrawButtonPanel(&GREY, false, 0.099f, 0.3f, 0, false, 0.0f, 0.0f);
  EXPECT_EQ(PanelTextureState, PANEL_STATE_LARGE);
  Reset();
  DrawButtonPanel(&GREY, false, 0.3f, 0.099f, 0, false, 0.0f, 0.0f);
  EXPECT_EQ(PanelTextureState, PANEL_STATE_LARGE);
  Reset();
  DrawButtonPanel(&GREY, false, 0.3f, 0.098f, 0, false, 0.0f, 0.0f);
  EXPECT_EQ(PanelTextureState, PANEL_STATE_SMALL);
}

// A text field (VALUE_TYPE_TEXT_LINE) with a colour code of -3 or below gets a fill in that code's colour;
// -2 is no code.
TEST_F(PanelDraw, ATextFieldWithACodeGetsItsFill) {
  Prss owner{};
  AddValueControl(&owner, nullptr, IvText(""), IvInt(-1), IvInt(-3), VALUE_TYPE_TEXT_LINE, nullptr, nullptr, 0.0f, 0.0f,
                  0.4f, 0.1f);
  DrawValueControlPanels(0);
  ASSERT_EQ(Triangles(), 2u);
  EXPECT_EQ(V(0).colour, ApplyBrightnessTable(0xFF505060u));  // code -3's colour
  Reset();
  ClearInterface();
  AddValueControl(&owner, nullptr, IvText(""), IvInt(-1), IvInt(-2), VALUE_TYPE_TEXT_LINE, nullptr, nullptr, 0.0f, 0.0f,
                  0.4f, 0.1f);
  DrawValueControlPanels(0);
  EXPECT_EQ(Triangles(), 0u);
  ClearInterface();
}

// A panel too small for its corners is drawn flat: see-through up to style 1, opaque from
// style 2.
TEST_F(PanelDraw, AFlatPanelIsOpaqueFromStyleTwo) {
  const InterfaceColourSettings saved = InterfaceColours;
  InterfaceColours.buttonAlpha = 0.3f;
  ApplyInterfaceColours();
  for (int panelStyle : {1, 2}) {
    Reset();
    DrawButtonPanel(&GREY, false, 0.005f, 0.005f, panelStyle, false, 0.0f, 0.0f);
    ASSERT_EQ(Triangles(), 2u) << panelStyle;
    EXPECT_EQ(V(0).colour >> 24, panelStyle < 2 ? 0x4Du : 0xFFu) << panelStyle;  // 0.3 x 255 = 76.5, rounded
  }
  InterfaceColours = saved;
  ApplyInterfaceColours();
}

// A button's text into no room writes nothing at all.
TEST(ButtonFaces, ATextIntoNoRoomWritesNothing) {
  InterfaceButton b{};
  b.style = BUTTON_STYLE_TEXT;
  b.text = IvText("go");
  char guard[2] = {'x', 'y'};
  EXPECT_EQ(ButtonText(b, guard, 0), 0);
  EXPECT_EQ(guard[0], 'x');
  EXPECT_EQ(ButtonText(b, guard, 1), 1);
  EXPECT_EQ(guard[0], 0) << "room for the end alone";
}

// A coloured panel too small for its corners either way is one quad over its own place.
TEST_F(PanelDraw, APanelTooSmallForItsCornersIsOneQuadInPlace) {
  DrawPanelInColour(0xFF204060u, 0.2f, 0.5f, 0.205f, 0.505f);
  ASSERT_EQ(Triangles(), 2u);
  EXPECT_FLOAT_EQ(V(0).x, 0.2f);
  EXPECT_FLOAT_EQ(V(0).y, -0.5f);  // the list's y is upwards
  EXPECT_FLOAT_EQ(V(2).x, 0.205f);
  EXPECT_FLOAT_EQ(V(2).y, -0.505f);
}

TEST_F(PanelDraw, AQuadWithoutWidthOrHeightDrawsNothing) {
  DrawInterfaceQuad(0xFF000000u, 0.2f, 0.3f, 0.2f, 0.4f);  // no width
  DrawInterfaceQuad(0xFF000000u, 0.2f, 0.3f, 0.4f, 0.3f);  // no height
  DrawPanelInColour(0xFF204060u, 0.2f, 0.5f, 0.2f, 0.505f);
  DrawPanelInColour(0xFF204060u, 0.2f, 0.5f, 0.205f, 0.5f);
  EXPECT_EQ(Triangles(), 0u);
  DrawInterfaceQuad(0xFF000000u, 0.2f, 0.3f, 0.201f, 0.301f);
  EXPECT_EQ(Triangles(), 2u) << "a sliver is still a quad";
}

TEST(CodeColours, CodesAboveMinusThreeTakeTheFirstColour) {
  // The list starts at code -3; -2, -1 and 0 are before it and read its first colour.
  EXPECT_EQ(CodeColour(-2), 0xFF505060u);
  EXPECT_EQ(CodeColour(-1), 0xFF505060u);
  EXPECT_EQ(CodeColour(0), 0xFF505060u);
  EXPECT_EQ(CodeColour(-15), 0xFF808080u) << "just past the last";
}

TEST(ButtonFaces, LitStatesDimAndStylesTakeTheirColours) {
  ColourWord face = RgbWord(160, 80, 32);
  InterfaceButton b{};
  b.style = BUTTON_STYLE_TEXT;
  b.colour = &face;
  b.fourth = IvInt(1);
  EXPECT_EQ(ButtonFaceColour(b), RgbWord(140, 70, 28));
  b.fourth = IvInt(255);
  EXPECT_EQ(ButtonFaceColour(b), face);
  b.style = BUTTON_STYLE_FLOAT;  // value styles are never lit
  b.fourth = IvText("%.1f");
  EXPECT_EQ(ButtonFaceColour(b), face);
  b.style = BUTTON_STYLE_GREEN_SLIDER;
  EXPECT_EQ(ButtonFaceColour(b), TextColours.lightGreen);
}

TEST(ButtonFaces, TextsByStyle) {
  char out[64];
  InterfaceButton b{};
  auto text = [&](ButtonStyle style) {
    b.style = static_cast<uint8_t>(style);
    return ButtonText(b, out, sizeof out) ? std::string(out) : std::string("<none>");
  };
  b.text = IvInt(16384);
  EXPECT_EQ(text(BUTTON_STYLE_ANGLE16), "90.00\xB0");
  b.text = IvInt(98304);
  EXPECT_EQ(text(BUTTON_STYLE_LENGTH16), "1.500 m");
  EXPECT_EQ(text(BUTTON_STYLE_DISTANCE16), "1 m");
  EXPECT_EQ(text(BUTTON_STYLE_HEX_BYTE), "18000");
  b.text = IvInt(255);
  EXPECT_EQ(text(BUTTON_STYLE_HEX_BYTE), "FF");
  float value = 3.14159265f;
  b.word = reinterpret_cast<uintptr_t>(&value);
  b.fourth = IvText("%.0f deg");
  EXPECT_EQ(text(BUTTON_STYLE_FLOAT_DEGREES), "180 deg");
  b.fourth = IvText(nullptr);
  EXPECT_EQ(text(BUTTON_STYLE_FLOAT), "<none>");
  b.fourth = IvInt(1);
  EXPECT_EQ(text(BUTTON_STYLE_FLAG32), "YES");
  b.fourth = IvInt(0);
  EXPECT_EQ(text(BUTTON_STYLE_FLAG8), "NO");
  EXPECT_EQ(text(BUTTON_STYLE_INT_PLUS), "+");
  EXPECT_EQ(text(BUTTON_STYLE_BYTE_STEP_PLUS), "\x9B");
  EXPECT_EQ(text(BUTTON_STYLE_PLAIN), "<none>");
  EXPECT_EQ(text(BUTTON_STYLE_COLOUR_TRIPLE), "<none>");
}

// A lit state dims a face to 14/16; the styles of the unlit ranges (16 to 25, 34 to 36, 43 to
// 51) never dim, and the styles just outside each range do.
TEST(ButtonFaces, TheUnlitStyleRangesEndExactlyWhereTheyShould) {
  ColourWord face = RgbWord(160, 80, 32);
  const ColourWord dimFace = RgbWord(140, 70, 28);  // 160 * 14 / 16, 80 * 14 / 16, 32 * 14 / 16
  const auto dimmed = [](ColourWord c) {
    return RgbWord(ColourRed(c) * 14 / 16, ColourGreen(c) * 14 / 16, ColourBlue(c) * 14 / 16);
  };
  InterfaceButton b{};
  b.colour = &face;
  b.fourth = IvInt(1);
  const auto faceOf = [&](ButtonStyle style) {
    b.style = static_cast<uint8_t>(style);
    return ButtonFaceColour(b);
  };
  for (ButtonStyle style : {BUTTON_STYLE_NUMBER_TEXT, BUTTON_STYLE_FLOAT_FORMAT, BUTTON_STYLE_INT_FORMAT_RIGHT,
                            BUTTON_STYLE_NAMED_FLAG}) EXPECT_EQ(faceOf(style), dimFace) << "style " << style;
  for (ButtonStyle style : {BUTTON_STYLE_FLOAT, BUTTON_STYLE_SCROLL_KNOB, BUTTON_STYLE_FLOAT_PLUS,
                            BUTTON_STYLE_ANGLE_PLUS, BUTTON_STYLE_INT_PLUS,
                            BUTTON_STYLE_INTEGER_DISPLAY}) EXPECT_EQ(faceOf(style), face) << "style " << style;
  // The arrow styles 26 to 33 take the panel grey, and light like any other.
  EXPECT_EQ(faceOf(BUTTON_STYLE_BYTE_STEP_PLUS), dimmed(TextColours.panelGrey));
  EXPECT_EQ(faceOf(BUTTON_STYLE_DARKER), dimmed(TextColours.panelGrey));
  EXPECT_EQ(faceOf(BUTTON_STYLE_COLOUR_TRIPLE), TextColours.panelGrey);
  EXPECT_EQ(faceOf(BUTTON_STYLE_BYTE_SLIDER), TextColours.grey);
  EXPECT_EQ(faceOf(BUTTON_STYLE_RED_SLIDER), TextColours.message);
  EXPECT_EQ(faceOf(BUTTON_STYLE_BLUE_SLIDER), TextColours.lightBlue);
  b.fourth = IvInt(0);
  EXPECT_EQ(faceOf(BUTTON_STYLE_NUMBER_TEXT), face) << "unlit";
  b.fourth = IvInt(255);
  EXPECT_EQ(faceOf(BUTTON_STYLE_FLOAT_FORMAT), face) << "255 is unlit too";
}

// Each style's text: numbers, units, formats, the sign and arrow glyphs, YES/NO, or none.
TEST(ButtonFaces, EachStyleFormatsItsOwnKindOfValue) {
  char out[64];
  InterfaceButton b{};
  auto text = [&](ButtonStyle style) {
    b.style = static_cast<uint8_t>(style);
    return ButtonText(b, out, sizeof out) ? std::string(out) : std::string("<none>");
  };
  b.text = IvInt(-5);
  EXPECT_EQ(text(BUTTON_STYLE_NUMBER), "-5");
  b.text = IvInt(0xABC);
  EXPECT_EQ(text(BUTTON_STYLE_HEX), "00000ABC");
  b.text = IvInt(-3 * 65536);
  EXPECT_EQ(text(BUTTON_STYLE_DISTANCE16), "-3 m");
  b.text = IvInt(12);
  b.third = IvText(" px");
  EXPECT_EQ(text(BUTTON_STYLE_NUMBER_TEXT), "12 px");
  // Float variables shown through a factor: 1, degrees a radian, rpm a radian a second, 1/1000.
  float value = 10.0f;
  b.word = reinterpret_cast<uintptr_t>(&value);
  b.fourth = IvText("%.1f");
  EXPECT_EQ(text(BUTTON_STYLE_FLOAT), "10.0");
  EXPECT_EQ(text(BUTTON_STYLE_FLOAT_RPM), "95.5");  // 10 * 60 / (2 pi) = 95.49
  value = 1500.0f;
  EXPECT_EQ(text(BUTTON_STYLE_FLOAT_THOUSANDTHS), "1.5");
  b.word = 42;
  b.fourth = IvText("%d kg");
  EXPECT_EQ(text(BUTTON_STYLE_INTEGER_DISPLAY), "42 kg");
  b.text = IvFloat(1.5f);
  b.third = IvText("%.2f");
  for (ButtonStyle style : {BUTTON_STYLE_FLOAT_FORMAT, BUTTON_STYLE_FLOAT_FORMAT_LEFT,
                            BUTTON_STYLE_FLOAT_FORMAT_RIGHT}) EXPECT_EQ(text(style), "1.50") << "style " << style;
  b.text = IvInt(7);
  b.third = IvText("#%d");
  for (ButtonStyle style : {BUTTON_STYLE_INT_FORMAT, BUTTON_STYLE_INT_FORMAT_LEFT,
                            BUTTON_STYLE_INT_FORMAT_RIGHT}) EXPECT_EQ(text(style), "#7") << "style " << style;
  // Glyph codes, the first in the low byte, up to four, ending at a byte below 32.
  b.text = IvInt('A' | 'B' << 8);
  EXPECT_EQ(text(BUTTON_STYLE_SYMBOL), "AB");
  b.text = IvInt('A' | 'B' << 8 | 'C' << 16 | 'D' << 24);
  EXPECT_EQ(text(BUTTON_STYLE_SYMBOL), "ABCD");
  b.text = IvInt('A' | 31 << 8 | 'C' << 16);
  EXPECT_EQ(text(BUTTON_STYLE_SYMBOL), "A");
  b.text = IvInt(31 | 'B' << 8);
  EXPECT_EQ(text(BUTTON_STYLE_SYMBOL), "<none>");
  b.text = IvInt(32);
  EXPECT_EQ(text(BUTTON_STYLE_SYMBOL), " ");
  b.text = IvInt(0xFFFFFFFF);  // the largest packed word: four codes
  EXPECT_EQ(text(BUTTON_STYLE_SYMBOL), "\xFF\xFF\xFF\xFF");
  b.text = IvInt(intptr_t{0x100000041});  // past 32 bits: none
  EXPECT_EQ(text(BUTTON_STYLE_SYMBOL), "<none>");
  b.text = IvInt('A' | 'B' << 8 | 'C' << 16);
  char three[3];
  ASSERT_EQ(ButtonText(b, three, sizeof three), 1);
  EXPECT_STREQ(three, "AB") << "as many codes as the room holds";
  for (ButtonStyle style :
       {BUTTON_STYLE_INT_PLUS, BUTTON_STYLE_BYTE_PLUS, BUTTON_STYLE_SIGNED_BYTE_PLUS, BUTTON_STYLE_WORD_PLUS})
    EXPECT_EQ(text(style), "+") << "style " << style;
  for (ButtonStyle style :
       {BUTTON_STYLE_INT_MINUS, BUTTON_STYLE_BYTE_MINUS, BUTTON_STYLE_SIGNED_BYTE_MINUS, BUTTON_STYLE_WORD_MINUS})
    EXPECT_EQ(text(style), "-") << "style " << style;
  for (ButtonStyle style : {BUTTON_STYLE_BYTE_STEP_PLUS, BUTTON_STYLE_COLOUR_PLUS, BUTTON_STYLE_GREY_PLUS,
                            BUTTON_STYLE_BRIGHTER, BUTTON_STYLE_FLOAT_PLUS})
    EXPECT_EQ(text(style), "\x9B") << "style " << style;
  for (ButtonStyle style : {BUTTON_STYLE_BYTE_STEP_MINUS, BUTTON_STYLE_COLOUR_MINUS, BUTTON_STYLE_GREY_MINUS,
                            BUTTON_STYLE_DARKER, BUTTON_STYLE_FLOAT_MINUS})
    EXPECT_EQ(text(style), "\x8B") << "style " << style;
  b.fourth = IvInt(1);
  for (ButtonStyle style : {BUTTON_STYLE_FLAG32, BUTTON_STYLE_FLAG16, BUTTON_STYLE_FLAG8})
    EXPECT_EQ(text(style), "YES") << "style " << style;
  b.text = IvText("go");
  for (ButtonStyle style : {BUTTON_STYLE_TEXT, BUTTON_STYLE_LABEL, BUTTON_STYLE_SWATCH, BUTTON_STYLE_SWATCH_UNUSED,
                            BUTTON_STYLE_RADIO, BUTTON_STYLE_ANGLE_PLUS, BUTTON_STYLE_NAMED_FLAG,
                            BUTTON_STYLE_HALO_TEXT}) EXPECT_EQ(text(style), "go") << "style " << style;
  for (ButtonStyle style : {BUTTON_STYLE_COLOUR_SQUARE, BUTTON_STYLE_SCALE, BUTTON_STYLE_BYTE_SLIDER,
                            BUTTON_STYLE_SCROLL_KNOB})
    EXPECT_EQ(text(style), "<none>") << "style " << style;
  constexpr int PAST_THE_LAST_STYLE = BUTTON_STYLE_HALO_TEXT + 1;
  EXPECT_EQ(text(static_cast<ButtonStyle>(PAST_THE_LAST_STYLE)), "<none>");
}

// The keyboard's first row, Escape and F1 to F12, lies along its top, 0.02 below the top of
// its background.
TEST_F(PanelDraw, TheKeyboardsTopRowHoldsEscapeAndTheTwelveFunctionKeys) {
  OnscreenKeyboardShown = 1;
  MouseMode = MOUSE_MODE_ENTRY;
  ClearInterface();
  DrawInterface();
  const ValueControl* background = nullptr;
  for (int i = 0; i < ValueControlCount && !background; ++i)
    if (ValueControls[i].displayType == VALUE_TYPE_PRESS_ONLY && ValueControls[i].left == -0.42f)
      background = &ValueControls[i];
  ASSERT_NE(background, nullptr);
  int keys = 0;
  for (int i = 0; i < ValueControlCount; ++i)
    keys += ValueControls[i].top == background->top + 0.02f && ValueControls[i].bottom == background->top + 0.08f;
  EXPECT_GE(keys, 13);
  // Its five rows of 0.06 from 0.11 under the background's top end 0.11 + 5 x 0.06 = 0.41
  // under it: every key lies inside the background (0.43 deep), and the last row is there.
  int lastRow = 0;
  for (int i = 0; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    if (&c == background || c.owner != background->owner) continue;
    EXPECT_GE(c.top, background->top) << i;
    EXPECT_LE(c.bottom, background->bottom + 1e-6f) << i;
    lastRow += std::fabs(c.bottom - (background->top + 0.41f)) < 1e-5f;
  }
  EXPECT_GE(lastRow, 1);
  MouseMode = 0;
  ResetOnscreenKeyboard();
}

// The four arrow keys show the character set's own arrow glyphs (codes 0xB9, 0xBA, 0xB6 and
// 0xB7: up, down, left, right).
TEST_F(PanelDraw, TheKeyboardsArrowKeysShowTheirArrowGlyphs) {
  ClearInterface();
  EmptyTextBatches();
  TextBatch* saved = CurrentTextBatch;
  CurrentTextBatch = &InterfaceTextBatch;
  DoOnScreenKeyboard();
  CurrentTextBatch = saved;
  std::vector<int> glyphs;
  for (const TextBatchItem& item : InterfaceTextBatch.items) glyphs.push_back(item.glyph);
  for (const int code : {0xB9, 0xBA, 0xB6, 0xB7})
    EXPECT_NE(std::find(glyphs.begin(), glyphs.end(), code - 32), glyphs.end()) << code;
  ClearInterface();
  EmptyTextBatches();
  ResetOnscreenKeyboard();
}

TEST_F(PanelDraw, TheKeyboardIsDrawnOverAnEntryButNotOverAMessageOrList) {
  OnscreenKeyboardShown = 1;
  for (int mode : {0, MOUSE_MODE_ENTRY, MOUSE_MODE_BOX}) {
    MouseMode = mode;
    ClearInterface();
    DrawInterface();
    if (mode == MOUSE_MODE_BOX) EXPECT_EQ(ValueControlCount, 0);
    else EXPECT_GT(ValueControlCount, 60) << mode;  // the top row and five rows of keys
  }
  MouseMode = 0;
  ResetOnscreenKeyboard();
}

// A reset between screens leaves the keyboard hidden, in its lower place and with no
// modifier toggled or key held.
TEST(OnscreenKeyboardReset, TheKeyboardIsHiddenLoweredAndHoldsNothing) {
  OnscreenKeyboardShown = 1;
  OnscreenKeyboardRaised = 1;
  KeyboardToggles.shift = 1;
  KeyboardToggles.ctrl = 1;
  KeyboardToggles.alt = 1;
  ResetOnscreenKeyboard();
  EXPECT_EQ(OnscreenKeyboardShown, 0);
  EXPECT_EQ(OnscreenKeyboardRaised, 0);
  EXPECT_EQ(KeyboardToggles.shift, 0);
  EXPECT_EQ(KeyboardToggles.ctrl, 0);
  EXPECT_EQ(KeyboardToggles.alt, 0);
  EXPECT_EQ(KeyboardToggles.heldKey, 0);
  EXPECT_EQ(KeyboardToggles.heldSpace, 0);
}

namespace {

// A box of 200 x 50 pixels (unless said) on an 800 x 600 screen: where it lands among the
// taken boxes, and whether it lands at all.
TEST(FreePlace, ABoxGoesToTheNearestClearPlaceOnTheScreen) {
  const int saved[2] = {ScreenWidth, ScreenHeight};
  ScreenWidth = 800;
  ScreenHeight = 600;
  using Place = std::tuple<bool, float, float>;
  const auto place = [](std::vector<PixelBox> taken, float x, float y, float minTop, float w = 200.0f,
                        float h = 50.0f) {
    float px = x, py = y;
    const bool found = FindFreePlace(taken.data(), int(taken.size()), w, h, minTop, &px, &py);
    return Place{found, px, py};
  };
  EXPECT_EQ(place({}, 100, 100, 0), Place(true, 100, 100)) << "free: at its place";
  EXPECT_EQ(place({}, 700, 100, 0), Place(true, 600, 100)) << "held on the screen";
  EXPECT_EQ(place({}, -50, 100, 0), Place(true, 0, 100));
  // Held on the screen first, then straight below a box there (not the grid's nearest cell).
  EXPECT_EQ(place({{600, 100, 800, 150}}, 700, 100, 0), Place(true, 600, 150));
  EXPECT_EQ(place({{0, 100, 200, 150}}, -50, 100, 0), Place(true, 0, 150));
  // The screen's top row is on the screen: a box there stays above the one below it.
  EXPECT_EQ(place({{100, 60, 300, 110}}, 100, 0, 0), Place(true, 100, 0));
  EXPECT_EQ(place({}, 600, 550, 0), Place(true, 600, 550)) << "its edges on the screen's edges";
  EXPECT_EQ(place({}, 0, 0, 0, 800, 600), Place(true, 0, 0)) << "as large as the screen";
  EXPECT_EQ(place({}, 5, 7, 0, 801, 50), Place(false, 5, 7)) << "wider than the screen";
  EXPECT_EQ(place({}, 5, 7, 0, 200, 601), Place(false, 5, 7)) << "taller than the screen";

  // Boxes beside it, or meeting it along an edge or by half a pixel, leave it where it is.
  EXPECT_EQ(place({{0, 90, 100, 140}}, 200, 100, 0), Place(true, 200, 100)) << "one to the left";
  EXPECT_EQ(place({{200, 0, 400, 50}}, 200, 120, 0), Place(true, 200, 120)) << "one above";
  EXPECT_EQ(place({{299.5f, 90, 500, 140}, {100, 149.5f, 300, 200}}, 100, 100, 0), Place(true, 100, 100));
  // Overlapped: the nearest edge straight above or below (below 40 away, above 60 away; then
  // above 40 away, below 60 away).
  EXPECT_EQ(place({{100, 90, 300, 140}}, 100, 100, 0), Place(true, 100, 140));
  EXPECT_EQ(place({{100, 110, 300, 160}}, 100, 100, 0), Place(true, 100, 60));
  EXPECT_EQ(place({{100, 75, 300, 125}}, 100, 100, 0), Place(true, 100, 125)) << "a tie: the first found";
  // Not above minTop; a minTop above the screen counts from its top.
  EXPECT_EQ(place({}, 100, 100, 200), Place(true, 100, 200));
  EXPECT_EQ(place({}, 100, -5, -10), Place(true, 100, 0));
  // Nothing free straight above or below: the nearest free place anywhere; none at all.
  EXPECT_EQ(place({{0, 0, 400, 600}}, 100, 100, 0), Place(true, 400, 100));
  EXPECT_EQ(place({{0, 0, 800, 600}}, 5, 7, 0), Place(false, 5, 7));
  // Taken boxes reaching past the screen's edges count only on it: 320 wide, the box fits
  // left of x 400 from x 80 at most.
  EXPECT_EQ(place({{-100, -100, 400, 700}}, 100, 100, 0), Place(true, 400, 100));
  EXPECT_EQ(place({{-100, -100, 400, 700}}, 100, 100, -10), Place(true, 400, 100));
  // Free 200 pixels to the left and to the right of a middle column: the first found, left.
  EXPECT_EQ(place({{300, 0, 500, 600}}, 300, 100, 0), Place(true, 100, 100));
  // The one free place in the bottom right corner, found by the grid.
  EXPECT_EQ(place({{0, 0, 800, 548}, {0, 548, 600, 600}}, 100, 100, 0), Place(true, 600, 548));
  EXPECT_EQ(place({{400, -100, 900, 700}}, 700, 100, 0, 320, 50), Place(true, 80, 100));
  EXPECT_EQ(place({{-100, -100, 500, 700}}, 450, 100, 0, 280, 50), Place(true, 500, 100));
  ScreenWidth = saved[0];
  ScreenHeight = saved[1];
}

// Where no place is free a box goes where it covers the fewest taken cells, on the screen and
// at or below the lowest top asked for while it fits there; of places that cover alike, the
// nearest.  A 200 x 60 box on an 800 x 600 screen.
TEST(FreePlace, WhereNoPlaceIsFreeABoxCoversTheFewest) {
  const int saved[2] = {ScreenWidth, ScreenHeight};
  ScreenWidth = 800;
  ScreenHeight = 600;
  using Place = std::pair<float, float>;
  const auto place = [](std::vector<PixelBox> taken, float x, float y, float minTop) {
    FindLeastCoveredPlace(taken.data(), int(taken.size()), 200.0f, 60.0f, minTop, &x, &y);
    return Place{x, y};
  };
  // Taken down to y 560: the bottom of the screen, 20 rows of pixels covered, under x.
  EXPECT_EQ(place({{0, 0, 800, 560}}, 100, 100, 0), Place(100, 540));
  EXPECT_EQ(place({{0, 0, 800, 560}}, 100, 100, 580), Place(100, 540)) << "no room below 580: as low as it goes";
  // The right half taken less deep: there, though further.
  EXPECT_EQ(place({{0, 0, 400, 600}, {400, 0, 800, 570}}, 0, 0, 0), Place(400, 540));
  // All taken: the nearest place on the screen to the one asked for.
  EXPECT_EQ(place({{0, 0, 800, 600}}, 900, 300, 0), Place(600, 300));
  EXPECT_EQ(place({{0, 0, 800, 600}}, 100, 300, 400), Place(100, 400));
  ScreenWidth = saved[0];
  ScreenHeight = saved[1];
}

// When no place straight above or below is free, a grid of 4-pixel cells is searched, and a
// screen whose size is not a whole number of cells keeps the grid's places on it: on a 100 x 10
// screen the cells' third row runs to y 12, and the box moved back to y 6 is above the lowest
// top asked for, 8, so there is no place; on a 102 x 8 screen taken up to x 97 the only free
// column of cells starts at x 100, and the box moves back to x 98.
TEST(FreePlace, TheGridKeepsBoxesOnAScreenNotAWholeNumberOfCells) {
  const int saved[2] = {ScreenWidth, ScreenHeight};
  ScreenWidth = 100;
  ScreenHeight = 10;
  float x = -5.0f, y = 8.0f;
  EXPECT_FALSE(FindFreePlace(nullptr, 0, 4.0f, 4.0f, 8.0f, &x, &y));

  ScreenWidth = 102;
  ScreenHeight = 8;
  const PixelBox left = {0.0f, 0.0f, 97.0f, 8.0f};
  x = 0.0f;
  y = 0.0f;
  ASSERT_TRUE(FindFreePlace(&left, 1, 4.0f, 4.0f, 0.0f, &x, &y));
  EXPECT_EQ(x, 98.0f);
  EXPECT_EQ(y, 0.0f);

  // The same for rows: on an 8 x 102 screen taken but for the right column of cells from y 97
  // down, the one free cell starts at y 100, and the box moves back up to y 98 (the left
  // column there is taken too, so nothing straight below the usual place is free).
  ScreenWidth = 8;
  ScreenHeight = 102;
  const PixelBox rows[2] = {{0.0f, 0.0f, 8.0f, 97.0f}, {0.0f, 97.0f, 4.0f, 102.0f}};
  x = 0.0f;
  y = 0.0f;
  ASSERT_TRUE(FindFreePlace(rows, 2, 4.0f, 4.0f, 0.0f, &x, &y));
  EXPECT_EQ(x, 4.0f);
  EXPECT_EQ(y, 98.0f);

  // A lowest top above the screen counts from the screen's top, straight above the usual
  // place: x stays at 101 (the grid would give 100).
  ScreenWidth = 800;
  ScreenHeight = 600;
  x = 101.0f;
  y = -5.0f;
  ASSERT_TRUE(FindFreePlace(nullptr, 0, 200.0f, 50.0f, -10.0f, &x, &y));
  EXPECT_EQ(x, 101.0f);
  EXPECT_EQ(y, 0.0f);
  ScreenWidth = saved[0];
  ScreenHeight = saved[1];
}

}  // namespace

namespace {

// The keyboard's tables as the on-screen keyboard's description lists them: the 53 labelled
// keys' codes, the top row and the default layout's five rows of (width, key), a gap being key
// 0; the US layout has Alt (18) in place of AltGr (7).
// Every layout named as having rows of its own or sharing them (besides the German, French and
// US ones) gets the European shape, with its extra key beside the left Shift; a layout not
// named (Japanese, Catalan) keeps the default rows, which have none.
TEST(OnscreenKeyboardTables, EveryNamedLayoutGetsRowsWithTheExtraKey) {
  const uint16_t named[] = {1026, 1029, 1034, 1038, 1040, 1043, 1046, 1051, 1055, 1061, 2070,
                            4105, 1030, 1035, 1044, 1053, 1032, 1048, 61459, 61605, 61606, 1050,
                            1060, 2074, 2055, 4108, 2057, 6153, 2060, 2067, 61610};
  for (uint16_t part : named) {
    const KeyboardRows& rows = KeyboardRowsOf(uint32_t{part} << 16 | 0x0409u);
    EXPECT_EQ(rows.rows[3][1].key, 226) << part;
  }
  for (uint16_t part : {uint16_t(1041), uint16_t(1027)})
    EXPECT_NE(KeyboardRowsOf(uint32_t{part} << 16 | 0x0409u).rows[3][1].key, 226) << part;
}

// Every row of every layout is 32 units wide (a letter key is 2), so the keyboard is a
// rectangle; the top row of Escape and the function keys is drawn at half a unit and spans
// 64 of them.
TEST(OnscreenKeyboardTables, EveryRowOfEveryLayoutIs32UnitsWide) {
  const auto width = [](const KeyboardRowEntry* row) {
    int units = 0;
    for (int i = 0; i < KEYBOARD_ROW_ENTRIES && row[i].width; ++i) units += row[i].width;
    return units;
  };
  EXPECT_EQ(width(KEYBOARD_TOP_ROW), 64);
  for (uint32_t part : {0x0411u, 1033u, 1031u, 1036u, 1026u}) {
    const KeyboardRows& rows = KeyboardRowsOf(part << 16 | 0x0409u);
    for (int r = 0; r < KEYBOARD_ROWS; ++r) EXPECT_EQ(width(rows.rows[r]), 32) << "layout " << part << " row " << r;
  }
}

// The special keys' words run from Escape (kind 1) to the right arrow (kind 26); no kind, and
// the space bar's kind and beyond, have none.
TEST(OnscreenKeyboardTables, SpecialKeyWordsEndAtTheArrowsOnBothSides) {
  EXPECT_STREQ(SpecialKeyWord(0), "");
  EXPECT_STREQ(SpecialKeyWord(1), "esc");
  EXPECT_STREQ(SpecialKeyWord(KEY_KIND_SPACE - 1), "\xB7");
  EXPECT_STREQ(SpecialKeyWord(KEY_KIND_SPACE), "");
  EXPECT_STREQ(SpecialKeyWord(-1), "");
}

TEST(OnscreenKeyboardTables, TheLabelledKeysAndTheDefaultRowsAreTheListedOnes) {
  std::vector<int> labelled = {32};
  for (int k = 48; k <= 57; ++k) labelled.push_back(k);
  for (int k = 65; k <= 90; ++k) labelled.push_back(k);
  for (int k : {188, 190, 189, 187, 186, 191, 192, 219, 220, 221, 222, 223, 193, 194, 225, 226}) labelled.push_back(k);
  ASSERT_EQ(labelled.size(), size_t(LABELLED_KEY_COUNT));
  for (int i = 0; i < LABELLED_KEY_COUNT; ++i) EXPECT_EQ(LABELLED_KEYS[i], labelled[size_t(i)]) << i;

  using Row = std::vector<std::pair<int, int>>;
  const auto expectRow = [](const KeyboardRowEntry* got, const Row& want, const char* what) {
    for (int i = 0; i < KEYBOARD_ROW_ENTRIES; ++i) {
      const std::pair<int, int> w = i < int(want.size()) ? want[size_t(i)] : std::pair<int, int>{0, 0};
      EXPECT_EQ(got[i].width, w.first) << what << " entry " << i;
      EXPECT_EQ(got[i].key, w.second) << what << " entry " << i;
    }
  };
  expectRow(KEYBOARD_TOP_ROW,
            {{6, 27}, {2, 0}, {4, 112}, {4, 113}, {4, 114}, {4, 115}, {2, 0}, {4, 116}, {4, 117}, {4, 118}, {4, 119},
             {2, 0}, {5, 120}, {5, 121}, {5, 122}, {5, 123}},
            "top");
  const auto keys = [](std::initializer_list<int> codes) {
    Row r;
    for (int c : codes) r.push_back({2, c});
    return r;
  };
  const auto join = [](std::initializer_list<Row> parts) {
    Row r;
    for (const Row& p : parts) r.insert(r.end(), p.begin(), p.end());
    return r;
  };
  const Row rows[KEYBOARD_ROWS] = {
      join({keys({192, '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', 189, 187}), {{6, 8}}}),
      join({{{3, 9}}, keys({'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', 219, 221, 220}), {{3, 46}}}),
      join({{{4, 20}}, keys({'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L', 186, 222}), {{6, 13}}}),
      join({{{5, 16}}, keys({'Z', 'X', 'C', 'V', 'B', 'N', 'M', 188, 190, 191, 38}), {{5, 16}}}),
      {{3, 17}, {3, 18}, {14, 32}, {3, 7}, {2, 37}, {2, 40}, {2, 39}, {3, 17}},
  };
  const KeyboardRows& standard = KeyboardRowsOf(0x0411u << 16 | 0x0411u);  // a layout without rows of its own
  for (int r = 0; r < KEYBOARD_ROWS; ++r) expectRow(standard.rows[r], rows[r], "default");
  Row us = rows[4];
  us[3].second = 18;
  expectRow(KeyboardRowsOf(1033u << 16 | 0x0409u).rows[4], us, "US bottom");
}

}  // namespace

// A striped fill (VALUE_TYPE_CHARACTER_BITS) has as many stripes as its maximum, at least one and at most 64:
// two triangles each.
TEST_F(PanelDraw, AStripedFillHasOneToSixtyFourStripes) {
  Prss owner{};
  const struct {
    int maximum;
    uint32_t triangles;
  } cases[] = {{0, 2}, {-5, 2}, {1, 2}, {64, 128}, {65, 128}, {100, 128}};
  for (const auto& k : cases) {
    ResetInterfaceState();
    Reset();
    AddValueControl(&owner, nullptr, IvInt(0), IvInt(k.maximum), IvInt(-4), VALUE_TYPE_CHARACTER_BITS, nullptr, nullptr,
                    0.0f, 0.0f, 0.4f, 0.1f);
    DrawValueControlPanels(0);
    EXPECT_EQ(Triangles(), k.triangles) << k.maximum;
    FlushInterfaceBatch();
  }
}

// A pressed control's text is 24 darker in each channel and never below nothing: a colour of
// (0x10, 0x80, 0xF0) is written as (0x00, 0x68, 0xD8), opaque.
TEST_F(PanelDraw, APressedControlsTextIs24DarkerAndNeverBelowZero) {
  Prss owner{};
  ColourWord colour = RgbWord(0x10, 0x80, 0xF0);
  const int index = AddValueControl(&owner, nullptr, IvInt('A'), IvInt(7), IvText(nullptr), VALUE_TYPE_GLYPH, &colour,
                                    [](void*, int, uintptr_t) {}, -0.5f, -0.5f, 0.5f, 0.5f);
  ASSERT_GE(index, 0);
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight;
  ScreenWidth = 800;
  ScreenHeight = 600;
  MouseX = 400;
  MouseY = 300;
  PendingPress = PendingPressState{1, VALUE_TYPE_GLYPH, 0.0f, 0.0f};  // a press on the glyph button
  KeyState[1] = 1;
  EmptyTextBatches();
  TextBatch* const before = CurrentTextBatch;
  CurrentTextBatch = &InterfaceTextBatch;
  PrepareValueControl(ValueControls[index]);
  CurrentTextBatch = before;
  KeyState[1] = 0;
  PendingPress = PendingPressState{};
  ScreenWidth = savedWidth;
  ScreenHeight = savedHeight;
  ASSERT_FALSE(InterfaceTextBatch.items.empty());
  for (const TextBatchItem& item : InterfaceTextBatch.items) EXPECT_EQ(item.colour, 0xFF0068D8u);
  EmptyTextBatches();
}

// Queues a grey text at x 100..200, y 100..150 (a cached glyph: its box is its extent), records
// it and adds the strips it needs to stand out.
static void QueueGreyTextAndAddStrips() {
  TextBatchItem item{};
  item.texturePage = 6;
  item.x0 = 100.0f;
  item.y0 = 100.0f;
  item.x1 = 200.0f;
  item.y1 = 150.0f;
  SmallTextBatch.items.push_back(item);
  RecordQueuedText(SmallTextBatch, 0, "text", 0xFF808080u);
  AddStandOutStrips(SmallTextBatch, 0);
}

// A text that does not stand out from what lies under it gets a strip of its extent with a
// little room (0.15 of its height each side, 0.06 above and below), kept within its button
// when the button is at least a pixel each way. The text here: x 100..200, y 100..150 over a
// fill of its own grey, so the room is 7.5 by 3: 92.5..207.5 by 97..153 before the button.
TEST_F(PanelDraw, AStandOutStripKeepsWithinTheTextsButton) {
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight;
  ScreenWidth = 800;
  ScreenHeight = 600;
  const struct {
    int left, top, right, bottom;      // the button
    float x1, y1, x2, y2;              // the strip
  } cases[] = {
      {95, 99, 205, 152, 95.0f, 99.0f, 205.0f, 152.0f},      // a button a little wider: its edges
      {105, 102, 195, 148, 100.0f, 100.0f, 200.0f, 150.0f},  // a button within the text: the text's
      {150, 120, 151, 121, 100.0f, 100.0f, 200.0f, 150.0f},  // one pixel each way still counts
      {150, 120, 150, 121, 92.5f, 97.0f, 207.5f, 153.0f},    // no width: the room as it is
  };
  for (const auto& k : cases) {
    ResetDrawRecord();
    SmallTextBatch.items.clear();
    TagRecordFor(RECORD_TEXT, RECORD_FILL);
    RecordFillPixels(0xFF808080u, 0.0f, 0.0f, 400.0f, 400.0f);
    TagRecordForButton(0, 1, k.left, k.top, k.right, k.bottom, "b", 0, 0);
    QueueGreyTextAndAddStrips();
    ASSERT_EQ(DrawRecord.size(), 2u) << k.left;
    const DrawRecordEntry& strip = DrawRecord.back();
    EXPECT_EQ(strip.role, RECORD_BACKING) << k.left;
    EXPECT_FLOAT_EQ(strip.left, k.x1) << k.left << " " << k.right;
    EXPECT_FLOAT_EQ(strip.top, k.y1) << k.left << " " << k.right;
    EXPECT_FLOAT_EQ(strip.right, k.x2) << k.left << " " << k.right;
    EXPECT_FLOAT_EQ(strip.bottom, k.y2) << k.left << " " << k.right;
    // Fills after the strips are plain fills again.
    EXPECT_EQ(DrawRecordCurrentTag.role, RECORD_TEXT);
    EXPECT_EQ(DrawRecordCurrentTag.fillRole, RECORD_FILL);
    ForgetQueuedTexts(SmallTextBatch);
  }
  SmallTextBatch.items.clear();
  ResetDrawRecord();
  ScreenWidth = savedWidth;
  ScreenHeight = savedHeight;
}

// A text's coloured span stands out where its text does and keeps its hue, 3:1 apart from the
// text's ink: a shade of its own colour, or on a backing of its own behind its glyphs.  The
// unsaved mark, pure red after a black name on the 148 grey of a button, is 1.32:1 there
// (luminances 0.2126 and 0.2961) and no shade of red is both 4.5:1 from that grey and 3:1 from
// black: it stays pure red on a black backing (5.25:1).  The yellow path of a black prompt over
// a see-through panel stays yellow over the strip the prompt gets.  The black ink keeps its own.
TEST_F(PanelDraw, ColouredSpansStandOutWhereTheirTextDoesInTheirOwnHue) {
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight;
  ScreenWidth = 800;
  ScreenHeight = 600;
  const auto glyph = [](TextBatch& batch, float x0, float y0, float x1, float y1, uint32_t colour) {
    TextBatchItem item{};
    item.texturePage = 6;  // a cached glyph: its box is its extent
    item.x0 = x0, item.y0 = y0, item.x1 = x1, item.y1 = y1;
    item.colour = colour;
    batch.items.push_back(item);
  };
  const auto rgb = [](uint32_t c) { return c & 0xFFFFFFu; };
  const auto fills = [] {
    std::vector<uint32_t> layers;
    for (const DrawRecordEntry& e : DrawRecord) layers.push_back(e.colour);
    return layers;
  };
  // On a button's face, in pixels: the name and the mark.
  ResetDrawRecord();
  SmallTextBatch.items.clear();
  TagRecordForButton(0, 1, 100, 100, 300, 124, "Runabout*", 0, 0);
  RecordFillPixels(0xFF949494u, 100.0f, 100.0f, 300.0f, 124.0f);
  glyph(SmallTextBatch, 110.0f, 104.0f, 180.0f, 120.0f, 0xFF000000u);
  glyph(SmallTextBatch, 180.0f, 104.0f, 190.0f, 120.0f, 0xFFFF0000u);
  RecordQueuedText(SmallTextBatch, 0, "Runabout^1*", 0xFF000000u);
  AddStandOutStrips(SmallTextBatch, 0);
  EXPECT_EQ(SmallTextBatch.items[0].colour, 0xFF000000u);
  EXPECT_EQ(SmallTextBatch.items[1].colour, 0xFFFF0000u) << "still pure red";
  ASSERT_EQ(DrawRecord.size(), 2u) << "a face gets no strip; the mark a backing of its own";
  const DrawRecordEntry& own = DrawRecord[1];
  EXPECT_EQ(own.role, RECORD_BACKING);
  EXPECT_EQ(own.colour & 0xFFFFFFu, 0u) << "black";
  EXPECT_TRUE(own.left <= 180.0f && own.right >= 190.0f && own.top <= 104.0f && own.bottom >= 120.0f &&
              own.left > 170.0f)
      << "behind the mark alone: " << own.left << ".." << own.right;
  EXPECT_GE(WorstContrast(0xFF0000u, fills().data(), 2), 4.5);
  ForgetQueuedTexts(SmallTextBatch);
  SmallTextBatch.items.clear();

  // Over a see-through panel (200 grey at alpha 48, too thin for black over a black scene)
  // and a scene of any colour (an editor's view), in screen units: x -0.5..0.5, y -0.1..0.1
  // are pixels 200..600, 270..330.
  const FrameClearSettings savedClear = FrameClear;
  FrameClear.mode = 2;
  DrawValueControlPanels(ValueControlCount);  // takes in the scene: unknown
  FrameClear = savedClear;
  ResetDrawRecord();
  InterfaceTextBatch.items.clear();
  TagRecordFor(RECORD_TEXT, RECORD_FILL);
  RecordFillPixels(0x30C8C8C8u, 200.0f, 270.0f, 600.0f, 330.0f);
  glyph(InterfaceTextBatch, -0.4f, -0.05f, 0.0f, 0.05f, 0xFF000000u);
  glyph(InterfaceTextBatch, 0.0f, -0.05f, 0.3f, 0.05f, 0xFFFFFF00u);
  RecordQueuedText(InterfaceTextBatch, 0, "Enter name ^3data", 0xFF000000u);
  AddStandOutStrips(InterfaceTextBatch, 1);
  ASSERT_GE(DrawRecord.size(), 2u);
  EXPECT_EQ(DrawRecord[1].role, RECORD_BACKING);
  const uint32_t path = InterfaceTextBatch.items[1].colour;
  EXPECT_GE(WorstContrast(path, fills().data(), int(DrawRecord.size())), 4.5) << std::hex << path;
  EXPECT_GE(ColourContrast(rgb(path), 0x000000u), 3.0) << std::hex << path;
  EXPECT_EQ(path & 0xFFu, 0u) << "still yellow: red and green, no blue";
  EXPECT_EQ(path >> 16 & 0xFF, path >> 8 & 0xFF);
  ForgetQueuedTexts(InterfaceTextBatch);
  InterfaceTextBatch.items.clear();
  ResetDrawRecord();
  ScreenWidth = savedWidth;
  ScreenHeight = savedHeight;
}

// An icon's number below zero is icon 0: the first column of the first row.
TEST_F(PanelDraw, AnIconBelowZeroIsTheFirstIcon) {
  Prss owner{};
  AddValueControl(&owner, HeldInt(-1), IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_ICON, nullptr, nullptr, 0.0f, 0.0f,
                  0.1f, 0.1f);
  DrawValueControlPanels(0);
  ASSERT_EQ(Triangles(), 2u);
  EXPECT_FLOAT_EQ(V(0).u, -1.0f / 256.0f);
  EXPECT_FLOAT_EQ(V(0).v, -1.0f / 256.0f);
}

// What lies under a text is what covers its centre, a fill's left and top edges included and
// its right and bottom edges not: grey ink (0x80) over its own grey needs a strip, but over
// opaque black it stands out (about 5.3 to 1) and needs none. The text's centre: (150, 125).
TEST_F(PanelDraw, AFillUnderATextsCentreCountsByItsNearEdgesOnly) {
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight;
  ScreenWidth = 800;
  ScreenHeight = 600;
  const struct {
    float x1, y1, x2, y2;  // the black fill
    size_t records;        // the fills and the strip, if any
  } cases[] = {
      {150.0f, 0.0f, 400.0f, 400.0f, 2},  // its left edge on the centre: under it, no strip
      {0.0f, 125.0f, 400.0f, 400.0f, 2},  // its top edge
      {0.0f, 0.0f, 150.0f, 400.0f, 3},    // its right edge: not under it, a strip
      {0.0f, 0.0f, 400.0f, 125.0f, 3},    // its bottom edge
  };
  for (const auto& k : cases) {
    ResetDrawRecord();
    SmallTextBatch.items.clear();
    TagRecordFor(RECORD_TEXT, RECORD_FILL);
    RecordFillPixels(0xFF808080u, 0.0f, 0.0f, 400.0f, 400.0f);
    RecordFillPixels(0xFF000000u, k.x1, k.y1, k.x2, k.y2);
    QueueGreyTextAndAddStrips();
    EXPECT_EQ(DrawRecord.size(), k.records) << k.x1 << " " << k.y1 << " " << k.x2 << " " << k.y2;
    ForgetQueuedTexts(SmallTextBatch);
  }
  SmallTextBatch.items.clear();
  ResetDrawRecord();
  ScreenWidth = savedWidth;
  ScreenHeight = savedHeight;
}

// The panels of the value controls, the buttons and the screen labels each leave the record's
// tags for plain texts and fills when they are done, whatever tags they found.
TEST_F(PanelDraw, ControlPanelsButtonsAndLabelsLeaveThePlainTags) {
  const auto expectPlain = [](const char* what) {
    EXPECT_EQ(DrawRecordCurrentTag.role, RECORD_TEXT) << what;
    EXPECT_EQ(DrawRecordCurrentTag.fillRole, RECORD_FILL) << what;
    TagRecordFor(RECORD_MESSAGE, RECORD_BACKING);
  };
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight;
  ScreenWidth = 800;
  ScreenHeight = 600;
  SetInterfaceMetrics();
  Prss owner{};
  TagRecordFor(RECORD_MESSAGE, RECORD_BACKING);
  AddValueControl(&owner, nullptr, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_ICON, nullptr, nullptr, 0.0f, 0.0f, 0.1f,
                  0.1f);
  DrawValueControlPanels(0);
  expectPlain("control panels");
  AddButton(&owner, 10, 10, 100, 40, 0, IvText("b"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, nullptr, nullptr, nullptr);
  DrawButtons();
  expectPlain("buttons");
  ResetDrawRecord();
  SetInterfaceRectangleToScreen();
  TagRecordFor(RECORD_MESSAGE, RECORD_BACKING);
  AddScreenLabel(10, 0, 7, 0, nullptr, 0, LABEL_INTEGER, 300, 300);
  DrawScreenLabels();
  expectPlain("labels");
  bool box = false;
  for (const DrawRecordEntry& e : DrawRecord) box = box || (e.role == RECORD_LABEL_BOX && e.marker);
  EXPECT_TRUE(box) << "the label's box is recorded as one, following its point of the scene";
  ClearScreenLabels();
  ResetDrawRecord();
  ScreenWidth = savedWidth;
  ScreenHeight = savedHeight;
}

// Only the controls of this frame are drawn: the table's entries past its count, left from a
// larger frame before, are not.
TEST_F(PanelDraw, ControlsLeftFromAnEarlierFrameAreNotDrawn) {
  static ColourWord fill = RgbWord(10, 20, 30);
  Prss owner{};
  for (int i = 0; i < 2; ++i)
    AddValueControl(&owner, nullptr, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_COLOUR_QUAD, &fill, nullptr, 0.0f, 0.0f,
                    0.1f, 0.1f);
  ClearInterface();
  AddValueControl(&owner, nullptr, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_COLOUR_QUAD, &fill, nullptr, 0.0f, 0.0f,
                  0.1f, 0.1f);
  DrawValueControlPanels(0);
  EXPECT_EQ(Triangles(), 2u) << "one plain fill";
  ClearInterface();
}

// Placing the message lines starts afresh each time: placed twice before they are drawn, two
// lines still give two backings and two texts, and the tags are left for plain texts and fills.
TEST_F(PanelDraw, MessageLinesPlacedTwiceAreDrawnOnce) {
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight;
  ScreenWidth = 1000;
  ScreenHeight = 600;
  AddMessage("first", TextColours.grey, MSG_TARGET_LOCAL);
  AddMessage("second", TextColours.grey, MSG_TARGET_LOCAL);
  UseFixedWidthCharacterSet();  // the lines' texts are measured and queued
  ClearInterface();
  PlaceMessageLines();
  const size_t items = MessageLineBatch.items.size();
  ASSERT_GT(items, 0u);
  PlaceMessageLines();
  EXPECT_EQ(MessageLineBatch.items.size(), items);
  EXPECT_EQ(DrawRecordCurrentTag.role, RECORD_TEXT);
  EXPECT_EQ(DrawRecordCurrentTag.fillRole, RECORD_FILL);
  DrawMessageLines();
  int backings = 0, texts = 0;
  for (const DrawRecordEntry& e : DrawRecord) {
    backings += e.role == RECORD_BACKING;
    texts += e.role == RECORD_MESSAGE;
  }
  EXPECT_EQ(backings, 2);
  EXPECT_EQ(texts, 2);
  EXPECT_EQ(DrawRecordCurrentTag.role, RECORD_TEXT);
  EXPECT_EQ(DrawRecordCurrentTag.fillRole, RECORD_FILL);
  EXPECT_EQ(PanelTextureState, PANEL_STATE_NONE) << "the backings' batch is closed";
  // Drawn, they are gone: a second draw adds nothing.
  const size_t recorded = DrawRecord.size();
  DrawMessageLines();
  EXPECT_EQ(DrawRecord.size(), recorded);
  ClearInterface();
  ScreenWidth = savedWidth;
  ScreenHeight = savedHeight;
}

// Where no hint line shows it, the hint of the button the pointer has rested on a second is
// shown beside the pointer, wrapped onto rows of a text block that covers no button; a hint
// line, or a rest under a second, shows none there.
TEST_F(PanelDraw, AHintWithoutAHintLineShowsBesideThePointerAfterASecond) {
  const int savedWidth = ScreenWidth, savedHeight = ScreenHeight;
  ScreenWidth = 800, ScreenHeight = 600;
  ClockUseFake(50000, WallTime{2026, 12, 6, 14, 3, 59, 250, 0});
  Prss owner{};
  const char* const hint = "Check if the mod can be exported for testing or upload";
  auto shownHint = [&](bool hintLine) -> const ValueControl* {
    ClearInterface();
    AddButton(&owner, 416, 48, 800, 72, 0, IvText("CHECK"), IvText(""), IvText(""), BUTTON_STYLE_PLAIN, nullptr,
              nullptr, hint);
    AddButton(&owner, 0, 0, 400, 600, 1, IvText("panel"), IvText(""), IvText(""), BUTTON_STYLE_PLAIN, nullptr, nullptr,
              nullptr);
    if (hintLine)
      AddValueControl(nullptr, nullptr, IvInt(0), IvInt(0), IvInt(0), VALUE_TYPE_HINT, nullptr, nullptr, -0.2f, -1.0f,
                      0.2f, -0.92f);
    MouseX = 600, MouseY = 60;
    FindButtonUnderMouse();
    DrawInterface();
    for (int i = 0; i < ValueControlCount; ++i)
      if (ValueControls[i].displayType == VALUE_TYPE_TEXT_BLOCK && ValueControls[i].minimum.text == hint)
        return &ValueControls[i];
    return nullptr;
  };
  EXPECT_EQ(shownHint(false), nullptr) << "at once";
  ClockAdvanceFake(1000);
  const ValueControl* shown = shownHint(false);
  ASSERT_NE(shown, nullptr);
  const float l = (shown->left + 1.0f) * 400.0f, r = (shown->right + 1.0f) * 400.0f;
  const float t = (shown->top + 1.0f) * 300.0f, b = (shown->bottom + 1.0f) * 300.0f;
  EXPECT_TRUE(l >= 400.0f && r <= 800.0f && b <= 600.0f && (t >= 72.0f || b <= 48.0f)) << l << " " << t << " " << r << " " << b;
  EXPECT_GE(shown->label.i, 2) << "rows";
  EXPECT_EQ(shownHint(true), nullptr) << "the hint line shows it";
  ClearInterface();
  ClockUseReal();
  ScreenWidth = savedWidth, ScreenHeight = savedHeight;
}
