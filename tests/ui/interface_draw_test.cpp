// interface_draw_test.cpp - what the interface drawing hands to the 2D list on the null
// device: the nine-slice cases, square screen edges, pressed colours, batch cuts, the panels
// of value controls, message backgrounds; and the faces and texts of pixel buttons.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/gamma_tables.h"
#include "core/process.h"
#include "render/draw2d.h"
#include "render/frame.h"
#include "render/material.h"
#include "render/render_target.h"
#include "render/texture_record.h"
#include "render/vr.h"
#include "tests/render/null_renderer.h"
#include "text/messages.h"
#include "ui/dialogs.h"
#include "ui/draw_record.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/interface_draw.h"
#include "ui/onscreen_keyboard.h"
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

// A fading panel's left end: a quad from clear to the panel's colour, its two triangles
// (0, 1, 2) and (2, 3, 0) of its own four vertices, then the panel without its left column.
TEST_F(PanelDraw, AFadingPanelStartsWithAQuadFromClearToItsColour) {
  FadePanel(0xFF204060u, -0.5f, 0.2f, 0.5f, 0.6f);
  ASSERT_GE(Triangles(), 2u);
  EXPECT_EQ(V(0).colour >> 24, 0u);
  EXPECT_EQ(V(1).colour >> 24, 0xFFu);
  EXPECT_EQ(V(2).colour >> 24, 0xFFu);
  EXPECT_EQ(V(3).colour >> 24, 0u);
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
  AddValueControl(&owner, nullptr, IvText("Title"), IvInt(0), IvInt(0), 10, nullptr, nullptr, -1.0f, -1.0f, 0.0f,
                  -0.9f);
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
  AddValueControl(&owner, &value, IvFloat(0.0f), IvFloat(1.0f), IvText("%.1f"), 27, nullptr, nullptr, -0.5f, 0.0f,
                  0.5f, 0.1f);
  DrawValueControlPanels(0);
  // The panel (nine quads), then the thumb (three stacked: it is narrower than its corners).
  EXPECT_EQ(Triangles(), 24u);
  const Draw2DVertex& thumb = V(36);
  EXPECT_FLOAT_EQ(thumb.x, -0.005f);
  Reset();
  ClearInterface();
  AddValueControl(&owner, HeldInt(7), IvInt(0), IvInt(0), IvInt(0), 61, nullptr, nullptr, 0.0f, 0.0f, 0.1f, 0.1f);
  DrawValueControlPanels(0);
  ASSERT_EQ(Triangles(), 2u);
  EXPECT_EQ(LastBatch().material, PanelStateMaterial(PANEL_STATE_ICONS));
  EXPECT_FLOAT_EQ(V(0).u, 95.0f / 256.0f);  // column 2
  EXPECT_FLOAT_EQ(V(0).v, 31.0f / 256.0f);  // row 1
  EXPECT_EQ(V(0).colour, ApplyBrightnessTable(0xC0FFFFFFu));
  Reset();
  ClearInterface();
  AddValueControl(&owner, nullptr, IvText("Title"), IvInt(0), IvInt(0), 10, nullptr, nullptr, -1.0f, -1.0f, 0.0f,
                  -0.9f);
  DrawValueControlPanels(0);
  EXPECT_EQ(Triangles(), 8u);  // inside, bottom edge, right edge, corner
  EXPECT_EQ(V(0).colour, 0xFF000000u);
  // Types without a panel add nothing.
  Reset();
  ClearInterface();
  for (int type : {22, 48, 56, 59, 62})
    AddValueControl(&owner, nullptr, IvText(""), IvInt(0), IvInt(0), type, nullptr, nullptr, 0.0f, 0.0f, 0.1f, 0.1f);
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
    AddValueControl(&owner, nullptr, IvText("a"), IvInt(0), IvInt(0), 15, nullptr, nullptr, 0.0f, 0.0f, 0.3f, 0.2f);
    AddValueControl(&owner, nullptr, IvText("b"), IvInt(0), IvInt(4), 15, nullptr, nullptr, 0.0f, 0.3f, 0.3f, 0.5f);
    AddValueControl(&owner, nullptr, IvText("c"), IvInt(0), IvInt(0), 54, nullptr, nullptr, 0.0f, 0.6f, 0.3f, 0.8f);
    AddValueControl(&owner, nullptr, IvText("d"), IvInt(0), IvInt(0), 21, nullptr, nullptr, 0.1f, 0.0f, 0.1f, 0.2f);
    DrawValueControlPanels(0);
    EXPECT_EQ(Triangles(), uint32_t(triangles)) << "clear mode " << mode;
  }
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
  AddValueControl(&owner, nullptr, IvInt(0), IvInt(4), IvInt(-4), 57, nullptr, nullptr, 0.0f, 0.0f, 0.4f, 0.1f);
  DrawValueControlPanels(0);
  ASSERT_EQ(Triangles(), 8u);
  EXPECT_EQ(V(0).colour, ApplyBrightnessTable(CodeColour(-4 ^ 1)));
  EXPECT_EQ(V(4).colour, ApplyBrightnessTable(CodeColour(-4)));
  EXPECT_FLOAT_EQ(V(4).x, 0.1f);
}

TEST_F(PanelDraw, MessageBackgroundsAreOneRowEachAndFollowTheHistory) {
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
  AddMessage("third", TextColours.grey, MSG_TARGET_LOCAL);
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

TEST(ButtonFaces, LitStatesDimAndStylesTakeTheirColours) {
  ColourWord face = RgbWord(160, 80, 32);
  InterfaceButton b{};
  b.style = 2;
  b.colour = &face;
  b.fourth = IvInt(1);
  EXPECT_EQ(ButtonFaceColour(b), RgbWord(140, 70, 28));
  b.fourth = IvInt(255);
  EXPECT_EQ(ButtonFaceColour(b), face);
  b.style = 16;  // value styles are never lit
  b.fourth = IvText("%.1f");
  EXPECT_EQ(ButtonFaceColour(b), face);
  b.style = 22;
  EXPECT_EQ(ButtonFaceColour(b), TextColours.lightGreen);
}

TEST(ButtonFaces, TextsByStyle) {
  char out[64];
  InterfaceButton b{};
  auto text = [&](int style) {
    b.style = static_cast<uint8_t>(style);
    return ButtonText(b, out, sizeof out) ? std::string(out) : std::string("<none>");
  };
  b.text = IvInt(16384);
  EXPECT_EQ(text(10), "90.00\xB0");
  b.text = IvInt(98304);
  EXPECT_EQ(text(11), "1.500 m");
  EXPECT_EQ(text(13), "1 m");
  EXPECT_EQ(text(8), "18000");
  b.text = IvInt(255);
  EXPECT_EQ(text(8), "FF");
  float value = 3.14159265f;
  b.word = reinterpret_cast<uintptr_t>(&value);
  b.fourth = IvText("%.0f deg");
  EXPECT_EQ(text(17), "180 deg");
  b.fourth = IvText(nullptr);
  EXPECT_EQ(text(16), "<none>");
  b.fourth = IvInt(1);
  EXPECT_EQ(text(53), "YES");
  b.fourth = IvInt(0);
  EXPECT_EQ(text(55), "NO");
  EXPECT_EQ(text(43), "+");
  EXPECT_EQ(text(26), "\x9B");
  EXPECT_EQ(text(0), "<none>");
  EXPECT_EQ(text(24), "<none>");
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

}  // namespace

namespace {

// The keyboard's tables as the on-screen keyboard's description lists them: the 53 labelled
// keys' codes, the top row and the default layout's five rows of (width, key), a gap being key
// 0; the US layout has Alt (18) in place of AltGr (7).
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
