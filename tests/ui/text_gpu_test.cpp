// text_gpu_test.cpp - coded text drawn on a real GL context with the generated character set:
// four coloured letters in four code pages, each found as ink of its colour in its own cell
// of the target and nowhere else; the unsaved mark of a name row as red ink of strokes two
// pixels across at the small windows, larger and heavier with a larger text size.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/config.h"
#include "core/process.h"
#include "core/window_state.h"
#include "render/device.h"
#include "render/draw2d.h"
#include "render/font_pages.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/ui/png_test_util.h"
#include "tests/ui/text_gpu_suite.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/font_page_layout.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"

namespace {

constexpr int WIDTH = 256, HEIGHT = 64, CELL = WIDTH / 4;

class TextPixels : public TextGpuSuite<WIDTH, HEIGHT> {
 protected:
  static void TearDownTestSuite() {
    TextGpuSuite::TearDownTestSuite();
    EXPECT_EQ(GfxLiveObjectCount(), 0) << "everything the device made was released";
  }

  ZKTETexture target{};
  void SetUp() override {
    if (!ready_) ZKT_SKIP_OUTSIDE_CI() << "no device";
    ASSERT_TRUE(charset_) << "the generated character set " << GeneratedCharsetPath();
    ASSERT_TRUE(MakeTestTarget(target, WIDTH, HEIGHT));
    ASSERT_TRUE(BeginTestFrame2D(target));
    EmptyTextBatches();
  }
  void TearDown() override {
    if (!target.texture) return;
    ReleaseTestTarget(target);
    RenderStates.pendingDepth = 0;
    TextHorizontalScale = 1.0f;
  }
};

}  // namespace

TEST_F(TextPixels, ColouredTextInFourCodePagesLeavesInkInItsOwnCell) {
  // A letter each page has and Latin 1 has not, in the colour of its caret code.
  struct Sample {
    const char* text;
    int codePage;
    int channel;  // 0 red, 1 green, 2 blue (bytes of the target)
  };
  const Sample samples[4] = {
      {"^1\xC4", 0, 0},      // Latin 1: A with diaeresis, red
      {"^E^2\x8A", 0, 1},    // Central Europe: S with caron, green
      {"^4\xC6", 5, 2},      // Cyrillic (the string's own page): Zhe, blue
      {"^G^1\xD3", 0, 0},    // Greek: capital sigma, red
  };
  TextHorizontalScale = float(HEIGHT) / float(WIDTH);  // square glyphs on the wide target
  for (int i = 0; i < 4; ++i) {
    const size_t before = InterfaceTextBatch.items.size();
    DrawText(samples[i].text, 0xFF808080u, -1.0f + 0.5f * float(i) + 0.1f, -0.9f, 1.6f, samples[i].codePage);
    ASSERT_GT(InterfaceTextBatch.items.size(), before) << i;
    EXPECT_NE(InterfaceTextBatch.items[before].glyph, GLYPH_PLACEHOLDER) << "the page has the letter " << i;
  }
  std::vector<int> pages;
  for (const TextBatchItem& item : InterfaceTextBatch.items) pages.push_back(item.texturePage);
  DrawTextBox(InterfaceTextBatch);
  FlushDraw2D();
  for (int page : pages) {
    char name[24];
    TextPageTextureName(page, name, sizeof name);
    const ZKTETexture* texture = AddTextureRef(name, 0);
    EXPECT_TRUE(texture && texture->view) << name << ": the pages drawn from are textures of the table";
  }

  const std::vector<uint8_t> p = ReadTargetPixels(target);
  for (int i = 0; i < 4; ++i) {
    int inside = 0, outside = 0;
    for (int y = 0; y < HEIGHT; ++y)
      for (int x = 0; x < WIDTH; ++x) {
        const uint8_t* q = &p[(size_t(y) * WIDTH + x) * 4];
        bool ink = q[samples[i].channel] > 128;
        for (int c = 0; c < 3; ++c) ink = ink && (c == samples[i].channel || q[c] < 64);
        if (!ink) continue;
        if (x / CELL == i) ++inside;
        else if (samples[(x / CELL)].channel != samples[i].channel) ++outside;
      }
    EXPECT_GT(inside, 40) << "ink of sample " << i << " in its cell";
    EXPECT_EQ(outside, 0) << "ink of sample " << i << "'s colour in a cell of another colour";
  }
}

TEST_F(TextPixels, AGlyphIsDrawnIntoItsPageWhenTextFirstNeedsItAndLooksAsFromAWholePage) {
  // Drawn one by one when text needs them, drawn ahead by the start-up's reader, or drawn as
  // whole pages: the same pixels.
  const char* text = "Quick fox |yours 0123";
  auto draw = [&] {
    Clear(0xFF000000u, 1);
    ResetDraw2D();
    TextHorizontalScale = float(HEIGHT) / float(WIDTH);
    DrawText(text, 0xFFFFFFFFu, -0.95f, -0.9f, 0.9f, 0);    // large: the first level
    DrawText(text, 0xFFFFFFFFu, -0.95f, 0.3f, 0.25f, 0);    // small: the second level too
    DrawTextBox(InterfaceTextBatch);
    FlushDraw2D();
    return ReadTargetPixels(target);
  };
  auto releasePages = [] {
    for (int p = 0; p < MAX_FONT_PAGES; ++p) {
      char name[24];
      TextPageTextureName(p, name, sizeof name);
      ReleaseTextureObjects(AddTextureRef(name, 0));  // no page left from before
    }
  };
  BuildFontPages();  // as the system textures do: every glyph laid out, none drawn
  releasePages();
  const int q = 'Q' - 32, z = 'Z' - 32;
  ASSERT_TRUE(FontGlyphWaiting(q));
  ASSERT_TRUE(FontGlyphWaiting(z));
  DrawText("Q", 0xFFFFFFFFu, 0.0f, 0.0f, 0.5f, 0);
  EXPECT_TRUE(FontGlyphWaiting(q)) << "queueing text draws nothing yet";
  EmptyTextBatches();

  const std::vector<uint8_t> lazy = draw();
  EXPECT_FALSE(FontGlyphWaiting(q)) << "drawn for the text";
  EXPECT_TRUE(FontGlyphWaiting(z)) << "a glyph no text needed waits";
  char name[24];
  TextPageTextureName(Glyphs[q].fontPage, name, sizeof name);
  const ZKTETexture* texture = AddTextureRef(name, 0);
  ASSERT_TRUE(texture && texture->view && texture->state == TEXTURE_OWNED) << "its page is a texture of the table";
  EXPECT_EQ(MakeFontGlyph(q), 1);

  // The ASCII glyphs drawn ahead for the same set, taken by the next layout: they wait only for
  // their pages' textures.
  DrawFontGlyphsAhead(Glyphs);
  BuildFontPages();
  releasePages();
  EXPECT_TRUE(FontGlyphWaiting(q));
  const std::vector<uint8_t> ahead = draw();
  EXPECT_FALSE(FontGlyphWaiting(q));

  // The same text from whole pages, every glyph drawn in: the same pixels.
  FontPageImages images;
  const int pages = RasteriseFontPages(&images);
  for (int p = 0; p < pages; ++p) ASSERT_EQ(UploadFontPage(p, images.pages[p].data(), 512, 512), 1);
  const std::vector<uint8_t> whole = draw();
  int ink = 0, differing = 0, differingAhead = 0;
  for (size_t i = 0; i < lazy.size(); ++i) {
    ink += i % 4 == 0 && lazy[i] > 128;
    differing += std::abs(int(lazy[i]) - int(whole[i])) > 1;
    differingAhead += ahead[i] != lazy[i];
  }
  EXPECT_GT(ink, 200) << "white letters";
  EXPECT_EQ(differing, 0) << "glyphs drawn one by one look as they do from a whole page";
  EXPECT_EQ(differingAhead, 0) << "glyphs drawn ahead look as those drawn when text needs them";
}

namespace {

// A text button as the editors' name rows draw it, on a window of a size users get.
class NameRowPixels : public TextGpuSuite<864, 608> {
 protected:
  ZKTETexture target{};
  int savedCharSize = 0;
  void SetUp() override {
    if (!ready_) ZKT_SKIP_OUTSIDE_CI() << "no device";
    ASSERT_TRUE(charset_) << "the generated character set " << GeneratedCharsetPath();
    savedCharSize = CfgCharSize;
    SetDefaultTextColours();
    ApplyInterfaceColours();
    ResetMessages();
  }
  void TearDown() override {
    CfgCharSize = savedCharSize;
    SetInterfaceMetrics();
    ResetInterfaceState();
    if (target.texture) ReleaseTestTarget(target);
    RenderStates.pendingDepth = 0;
  }

  // The box and the runs across and down of the red ink of "Runabout^1*" drawn in a name row's button
  // at the window size and the text size setting given.
  struct RedInk {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
    std::vector<int> runs;  // sorted
    int Thinnest() const { return runs.empty() ? 0 : runs.front(); }
    int LowerQuartile() const { return runs.empty() ? 0 : runs[runs.size() / 4]; }  // but for a stroke's tip
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
  };
  RedInk DrawNameRow(int width, int height, int charSize) {
    if (target.texture) ReleaseTestTarget(target);
    EXPECT_TRUE(MakeTestTarget(target, width, height));
    ScreenWidth = width;
    ScreenHeight = height;
    Projection.aspect = float(height) / float(width);
    Projection.inverseAspect = float(width) / float(height);
    CfgCharSize = charSize;
    SetInterfaceMetrics();
    ResetInterfaceState();
    EXPECT_TRUE(BeginTestFrame2D(target));
    EmptyTextBatches();
    ClearInterface();
    static Prss owner{};
    const int top = height - 2 * ButtonHeight;
    AddButton(&owner, ButtonWidth, top, 11 * ButtonWidth, top + ButtonHeight, 1, IvText("Runabout^1*"), IvInt(0),
              IvInt(0), BUTTON_STYLE_TEXT, nullptr, nullptr, nullptr);
    DrawInterface();
    FlushDraw2D();
    ResetDraw2D();
    DrawButtons();
    const std::vector<uint8_t> p = ReadTargetPixels(target);
    WritePng("gpu/name_row_" + std::to_string(width) + "x" + std::to_string(height) + "_" + std::to_string(charSize) +
                 ".png",
             p, width, height);
    // Red ink: red well above green and blue (a hue near the code's red, half saturated).
    const auto red = [&](int x, int y) {
      if (x < 0 || y < 0 || x >= width || y >= height) return false;
      const uint8_t* q = &p[(size_t(y) * size_t(width) + size_t(x)) * 4];
      return q[0] >= 2 * std::max(q[1], q[2]) && q[0] - std::max(q[1], q[2]) > 60;
    };
    RedInk ink;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        if (!red(x, y)) continue;
        ink.left = std::min(ink.left, x), ink.right = std::max(ink.right, x);
        ink.top = std::min(ink.top, y), ink.bottom = std::max(ink.bottom, y);
        // A run across and a run down starting here.
        if (!red(x - 1, y)) {
          int n = 0;
          while (red(x + n, y)) ++n;
          ink.runs.push_back(n);
        }
        if (!red(x, y - 1)) {
          int n = 0;
          while (red(x, y + n)) ++n;
          ink.runs.push_back(n);
        }
      }
    std::sort(ink.runs.begin(), ink.runs.end());
    return ink;
  }
};

}  // namespace

TEST_F(NameRowPixels, TheUnsavedMarkIsRedInkOfHeavyStrokesThatGrowsWithTheText) {
  for (const auto& [width, height] : {std::pair{864, 608}, std::pair{800, 600}}) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    const RedInk ink = DrawNameRow(width, height, 1);
    ASSERT_GE(ink.right, 0) << "red ink shows";
    EXPECT_GE(ink.Width(), 3);
    EXPECT_GE(ink.Height(), 3);
    EXPECT_GE(ink.Thinnest(), 2) << "no stroke of the mark is a single pixel across or down";
    EXPECT_LE(ink.Width(), ButtonHeight) << "the mark, not a strip behind the text";
  }
  // The largest text setting: more than twice the text size, so the mark at least half again
  // as large and heavier.
  const RedInk small = DrawNameRow(864, 608, 1), large = DrawNameRow(864, 608, 10);
  ASSERT_GE(large.right, 0);
  EXPECT_GE(2 * large.Width(), 3 * small.Width());
  EXPECT_GE(2 * large.Height(), 3 * small.Height());
  EXPECT_GE(large.LowerQuartile(), 3) << "strokes of three pixels but where they end in a point";
}
