// glyph_bleed_gpu_test.cpp - text drawn on a real GL context leaves no ink of a neighbouring
// glyph of the font page beside its letters: between the letters of "for your" and "|yours",
// at several sizes, every run of ink is a letter's.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/window_state.h"
#include "render/draw2d.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/ui/png_test_util.h"
#include "tests/ui/text_gpu_suite.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"

namespace {

constexpr int WIDTH = 512, HEIGHT = 96;

class GlyphBleed : public TextGpuSuite<WIDTH, HEIGHT> {
 protected:
  ZKTETexture target{};
  void SetUp() override {
    if (!ready_) ZKT_SKIP_OUTSIDE_CI() << "no device";
    ASSERT_TRUE(charset_) << "the generated character set " << GeneratedCharsetPath();
    ASSERT_TRUE(MakeTestTarget(target, WIDTH, HEIGHT));
  }
  void TearDown() override {
    if (!target.texture) return;
    ReleaseTestTarget(target);
    RenderStates.pendingDepth = 0;
    TextHorizontalScale = 1.0f;
  }

  // The text drawn white at a glyph height of pixels; the grey level of each pixel.
  std::vector<uint8_t> Draw(const char* text, int pixels) {
    EXPECT_TRUE(BeginTestFrame2D(target));
    EmptyTextBatches();
    TextHorizontalScale = float(HEIGHT) / float(WIDTH);  // square glyphs on the wide target
    DrawText(text, 0xFFFFFFFFu, -0.95f, -0.5f, 2.0f * float(pixels) / float(HEIGHT), 0);
    DrawTextBox(InterfaceTextBatch);
    FlushDraw2D();
    UnsetRenderTarget();
    const std::vector<uint8_t> rgba = ReadTargetPixels(target);
    WritePng("gpu/glyph_bleed_" + std::to_string(pixels) + (text[0] == '|' ? "_bar" : "") + ".png", rgba, WIDTH,
             HEIGHT);
    std::vector<uint8_t> grey(size_t(WIDTH) * HEIGHT);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = rgba[i * 4];
    return grey;
  }

  // Runs of columns holding ink (any pixel above a faint threshold), each with its width and
  // its brightest pixel.
  struct Run {
    int first, last, peak;
  };
  static std::vector<Run> InkRuns(const std::vector<uint8_t>& grey) {
    std::vector<Run> runs;
    for (int x = 0; x < WIDTH; ++x) {
      int peak = 0;
      for (int y = 0; y < HEIGHT; ++y) peak = std::max<int>(peak, grey[size_t(y) * WIDTH + x]);
      if (peak < 24) continue;
      if (!runs.empty() && runs.back().last == x - 1) {
        runs.back().last = x;
        runs.back().peak = std::max(runs.back().peak, peak);
      } else {
        runs.push_back(Run{x, x, peak});
      }
    }
    return runs;
  }
};

TEST_F(GlyphBleed, NoStrayColumnStandsBetweenLetters) {
  for (const char* text : {"for your", "|yours"}) {
    for (int pixels : {10, 13, 16, 20, 26, 34, 48}) {
      SCOPED_TRACE(std::string(text) + " at " + std::to_string(pixels) + " pixels");
      const std::vector<Run> runs = InkRuns(Draw(text, pixels));
      ASSERT_FALSE(runs.empty());
      int strongest = 0;
      for (const Run& r : runs) strongest = std::max(strongest, r.peak);
      // A letter's own ink is solid somewhere; ink bled from a neighbour on the page is a
      // faint sliver on its own.
      for (const Run& r : runs)
        EXPECT_GT(r.peak, strongest / 2) << "a faint run of " << (r.last - r.first + 1) << " columns at x " << r.first;
      // Each letter stands apart at these sizes, and nothing else does.
      const size_t letters = std::string(text) == "for your" ? 7 : 6;
      EXPECT_LE(runs.size(), letters);
    }
  }
}

}  // namespace
