// draw2d_bench.cpp - building and submitting 10,000 2D quads in one frame: through the 2D
// draw list (batches closed every 2560 quads, as the interface closes them) and through a
// minimal hand-written GL batch of the same quads.  The figure compared is CPU time per
// frame; each frame ends by reading back the 64 x 64 target, which waits for the drawing.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/render/bench_device.h"
#include "core/gamma_tables.h"
#include "platform/gfx.h"
#include "render/device.h"
#include "render/draw2d.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/shaders.h"
#include "render/texture_record.h"

uint32_t Draw2DPictureHash, HandWrittenPictureHash;

namespace {

constexpr int QUADS = 10000;
constexpr int QUADS_PER_BATCH = 2560;
constexpr int SIZE = 64;

struct Frame2D {
  bool ready = false;
  std::vector<GfxReferenceQuad> quads;
  ZKTETexture target{};
  GfxBuffer vertices, indices;  // the hand-written batch's own buffers
};

// Quads of about a pixel at spread positions and colours, the same every run.
Frame2D& GetFrame() {
  static Frame2D f;
  if (f.ready || !BenchDeviceReady()) return f;
  uint32_t seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  for (int q = 0; q < QUADS; ++q) {
    float x = float(next() % 2000) / 1000.0f - 1.0f, y = float(next() % 2000) / 1000.0f - 1.0f;
    f.quads.push_back({x, y, x + 0.03f, y + 0.03f, 0xC0000000u | (next() & 0xFFFFFFu)});
  }
  GfxTexture2DDesc d;
  d.width = d.height = SIZE;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_RENDER_TARGET | GFX_BIND_SHADER_RESOURCE;
  GfxCreateTexture2D(Gfx.device, d, nullptr, &f.target.texture);
  GfxCreateRenderTargetView(Gfx.device, f.target.texture, nullptr, &f.target.targetViews[0]);
  f.target.width = f.target.height = SIZE;
  f.target.mipLevels = 1;
  f.target.format = d.format;
  GfxBufferDesc b;
  b.usage = GFX_USAGE_DYNAMIC;
  b.cpuAccessFlags = GFX_CPU_ACCESS_WRITE;
  b.byteWidth = QUADS * 4 * 24;
  b.bindFlags = GFX_BIND_VERTEX_BUFFER;
  GfxCreateBuffer(Gfx.device, b, nullptr, &f.vertices);
  b.byteWidth = QUADS * 6 * 2;
  b.bindFlags = GFX_BIND_INDEX_BUFFER;
  GfxCreateBuffer(Gfx.device, b, nullptr, &f.indices);
  f.ready = f.target.targetViews[0] && f.vertices && f.indices && Shaders.vertex[5] && Shaders.pixel[23] &&
            Shaders.layouts[3];
  return f;
}

uint8_t g_pixels[SIZE * SIZE * 4];

void WaitForFrame(const Frame2D& f) { GfxReadTexturePixels(Gfx.context, f.target.texture, 0, g_pixels, sizeof g_pixels); }

// FNV-1a of the last frame read back: both ways must draw the same picture.
uint32_t PictureHash() {
  uint32_t h = 2166136261u;
  for (uint8_t b : g_pixels) h = (h ^ b) * 16777619u;
  return h;
}

void BM_Draw2DList(benchmark::State& state) {
  Frame2D& f = GetFrame();
  if (!f.ready) {
    state.SkipWithError("no device or no 2D shaders");
    return;
  }
  GfxResetGlState(Gfx.context);
  ForgetRendererBindings();
  SetRenderTexture(&f.target, 0, 0, 0);
  SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
  RenderStates.pendingDepth = 1;
  RenderStates.pendingRaster = 6;
  Draw2D& list = Draw2DList;
  for (auto _ : state) {
    Clear(0xFF000000u, 1);
    for (int q = 0; q < QUADS; ++q) {
      if (q % QUADS_PER_BATCH == 0) list.StartBatch(nullptr);
      const GfxReferenceQuad& s = f.quads[size_t(q)];
      int a = list.AddVertex(s.colour, s.x0, s.y0, 0, 0);
      int b = list.AddVertex(s.colour, s.x1, s.y0, 1, 0);
      int c = list.AddVertex(s.colour, s.x1, s.y1, 1, 1);
      int d = list.AddVertex(s.colour, s.x0, s.y1, 0, 1);
      list.AddQuad(a, b, c, d);
    }
    FlushDraw2D();
    ResetDraw2D();
    GfxFlush(Gfx.context);
    WaitForFrame(f);
  }
  Draw2DPictureHash = PictureHash();
  UnsetRenderTarget();
  state.counters["quads_per_s"] =
      benchmark::Counter(double(QUADS) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_HandWritten2DBatch(benchmark::State& state) {
  Frame2D& f = GetFrame();
  if (!f.ready) {
    state.SkipWithError("no device or no 2D shaders");
    return;
  }
  const float black[4] = {0, 0, 0, 1};
  for (auto _ : state) {
    GfxReferenceDrawQuads(f.target.targetViews[0], Shaders.vertex[5], Shaders.pixel[23], Shaders.layouts[3],
                          f.vertices, f.indices, f.quads.data(), QUADS, BrightnessTable, black);
    WaitForFrame(f);
  }
  HandWrittenPictureHash = PictureHash();
  GfxResetGlState(Gfx.context);
  ForgetRendererBindings();
  state.counters["quads_per_s"] =
      benchmark::Counter(double(QUADS) * double(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_Draw2DList)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_HandWritten2DBatch)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
