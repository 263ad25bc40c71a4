// page_picture.h - a front-end page drawn on a real GL context into a 320 x 240 target, one
// frame at a time as the frame loop draws it, and read back as RGBA rows.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/frame_globals.h"
#include "core/process.h"
#include "render/draw2d.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/texture_record.h"
#include "tests/platform/skip_outside_ci.h"
#include "tests/ui/text_gpu_suite.h"
#include "text/messages.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/interface_draw.h"
#include "ui/text_draw.h"

constexpr int PAGE_WIDTH = 320, PAGE_HEIGHT = 240;

class PagePicture : public TextGpuSuite<PAGE_WIDTH, PAGE_HEIGHT> {
 protected:
  static constexpr int WIDTH = PAGE_WIDTH, HEIGHT = PAGE_HEIGHT;
  ZKTETexture target{};

  void SetUp() override {
    if (!ready_) ZKT_SKIP_OUTSIDE_CI() << "no device";
    ASSERT_TRUE(charset_) << "the generated character set";
    ASSERT_TRUE(MakeTestTarget(target, WIDTH, HEIGHT));
    Projection.aspect = float(HEIGHT) / float(WIDTH);
    Projection.inverseAspect = float(WIDTH) / float(HEIGHT);
    SetDefaultTextColours();
    InterfaceColours = InterfaceColourSettings{};
    ApplyInterfaceColours();
    SetInterfaceMetrics();
    ResetInterfaceState();
    ResetMessages();
  }
  void TearDown() override {
    ResetInterfaceState();
    InterfaceColours = InterfaceColourSettings{};
    ApplyInterfaceColours();
    if (!target.texture) return;
    ReleaseTestTarget(target);
    RenderStates.pendingDepth = 0;
  }

  // One drawn frame of the page, as the frame loop draws it, read back as RGBA rows.
  std::vector<uint8_t> DrawPage(Prss*& page) {
    EXPECT_TRUE(BeginTestFrame2D(target));
    EmptyTextBatches();
    ClearInterface();
    FrameSkipped = 0;
    page = page->act(page);
    DrawInterface();
    FlushDraw2D();
    ResetDraw2D();
    DrawButtons();
    std::vector<uint8_t> p = ReadTargetPixels(target);
    while (RenderTargets.depth > 0) UnsetRenderTarget();
    return p;
  }
};
