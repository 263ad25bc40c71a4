// text_gpu_test.cpp - coded text drawn on a real GL context with the generated character set:
// four coloured letters in four code pages, each found as ink of its colour in its own cell
// of the target and nowhere else.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/window_state.h"
#include "render/device.h"
#include "render/draw2d.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "tests/ui/text_gpu_suite.h"
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
    if (!ready_) GTEST_SKIP() << "no device";
    ASSERT_TRUE(charset_) << "the generated character set " << GeneratedCharsetPath();
    const ZKTETexture* page = AddTextureRef("FONT0_AON", 0);
    ASSERT_TRUE(page && page->view) << "the font pages are textures of the table";
    ASSERT_TRUE(MakeTestTarget(target, WIDTH, HEIGHT));
    ASSERT_TRUE(BeginTestFrame2D(target));
    EmptyTextBatches();
  }
  void TearDown() override {
    if (!target.texture) return;
    ReleaseTestTarget(target);
    RenderStates.pendingDepth = 0;
    TextHorizontalScale = 1.0f;
  }};

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
  DrawTextBox(InterfaceTextBatch);
  FlushDraw2D();

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
