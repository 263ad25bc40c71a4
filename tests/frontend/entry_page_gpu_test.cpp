// entry_page_gpu_test.cpp - a picture of the entry page drawn on a real GL context by the
// page's own act and the interface's drawing; written as a PNG and checked that it shows the
// page: the title and the exit button in their colours over the dark background.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "core/process.h"
#include "core/window_state.h"
#include "frontend/frontend.h"
#include "render/draw2d.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/texture_record.h"
#include "tests/frontend/page_picture.h"
#include "tests/ui/png_test_util.h"
#include "tests/ui/text_gpu_suite.h"
#include "text/messages.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/interface_draw.h"
#include "ui/text_draw.h"

namespace {

class EntryPagePicture : public PagePicture {
 protected:
  static const uint8_t* At(const std::vector<uint8_t>& p, float x, float y) {
    const int px = std::clamp(int((x + 1.0f) * 0.5f * WIDTH), 0, WIDTH - 1);
    const int py = std::clamp(int((y + 1.0f) * 0.5f * HEIGHT), 0, HEIGHT - 1);
    return &p[(size_t(py) * WIDTH + px) * 4];
  }
  static bool IsDark(const uint8_t* q) { return q[0] + q[1] + q[2] < 24; }
};

}  // namespace

TEST_F(EntryPagePicture, ShowsTheTitleAndTheExitButton) {
  Prss* page = CreateEntryPage(nullptr);
  const std::vector<uint8_t> p = DrawPage(page);
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(WritePng("gpu/entry_page.png", p, WIDTH, HEIGHT));

  size_t lit = 0;
  std::set<uint32_t> colours;
  for (size_t i = 0; i < p.size(); i += 4) {
    if (!IsDark(&p[i])) ++lit;
    colours.insert(uint32_t(p[i]) | uint32_t(p[i + 1]) << 8 | uint32_t(p[i + 2]) << 16);
  }
  EXPECT_GT(lit, size_t(WIDTH) * HEIGHT / 200) << "the page is blank";
  EXPECT_GE(colours.size(), 2u);
  const uint8_t* exit = At(p, -0.875f, 0.925f);
  EXPECT_GT(exit[0], 120) << "exit button in \"Button Red\"";
  EXPECT_LT(exit[2], exit[0] / 2);
  EXPECT_TRUE(IsDark(At(p, 0.5f, 0.5f))) << "background";

  ExitRequested = 1;  // close the page as shut-down does
  page = page->act(page);
  ExitRequested = 0;
  EXPECT_EQ(page, nullptr);
}

// The version line, "version <program version>", is queued inside the big panel: its line at
// y -0.05 from 0.05 in from the panel's left edge (-0.5 + 0.05 = -0.45), a glyph box's top
// lying 3/23 of the text size (0.05) below the line.  The space makes no glyph.
TEST_F(EntryPagePicture, TheVersionLineStandsInsideTheBigPanel) {
  Prss* page = CreateEntryPage(nullptr);
  EmptyTextBatches();
  ClearInterface();
  FrameSkipped = 0;
  page->act(page);
  const float top = -0.05f + PAGE_TEXT_SIZE * GLYPH_BOX_DROP;
  std::string line;
  float left = 1.0f, right = -1.0f;
  for (const TextBatchItem& item : InterfaceTextBatch.items) {
    if (std::fabs(item.y0 - top) > 1e-3f) continue;
    line += char(item.glyph + 32);
    left = std::min(left, item.x0);
    right = std::max(right, item.x1);
  }
  EXPECT_EQ(line, std::string("version") + PROGRAM_VERSION);
  EXPECT_NEAR(left, -0.45f, 0.01f);
  EXPECT_LT(right, 0.45f);
  EmptyTextBatches();
  ClearInterface();
  ExitRequested = 1;
  page = page->act(page);
  ExitRequested = 0;
  EXPECT_EQ(page, nullptr);
}
