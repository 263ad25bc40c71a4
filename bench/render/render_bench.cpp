// render_bench.cpp - the graphics layer's cost per draw against bare GL doing the same work.
//
// A frame is 10,000 draws of a small indexed mesh with a blend-state change every 10 draws;
// the layer is also handed every other binding again before each draw, as the renderer does,
// and must skip them.  Both run on the same context in one process; the closing lines give
// the ratios (targets: the layer within 1.3x of bare GL; the 2D list of draw2d_bench.cpp
// within 1.5x of its hand-written batch, in CPU time).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <malloc.h>
#include <map>
#include <string>

#include "bench/render/bench_device.h"
#include "platform/gfx.h"

namespace {

constexpr int DRAWS = 10000;
constexpr int CHANGE_EVERY = 10;

const char* VS = R"(#version 430 core
layout(location = 0) in vec3 inPosition;
layout(location = 2) in vec4 inColour;
out vec4 vColour;
void main() { gl_Position = vec4(inPosition, 1.0); vColour = inColour; }
)";
const char* PS = R"(#version 430 core
layout(std140, binding = 16) uniform Tint { vec4 tint; };
in vec4 vColour;
out vec4 outColour;
void main() { outColour = vColour * tint; }
)";

struct Scene {
  bool ready = false;
  GfxDevice device;
  GfxContext context;
  GfxTexture2D texture;
  GfxRenderTargetView target;
  GfxVertexShader vs;
  GfxPixelShader ps;
  GfxInputLayout layout;
  GfxBuffer vertices, indices, constants;
  GfxBlendState blend[2];
  GfxRasterizerState raster;
  GfxDepthStencilState depth;
};

Scene& GetScene() {
  static Scene s;
  if (s.ready) return s;
  if (!BenchDeviceReady()) return s;
  s.device = BenchDevice();
  s.context = BenchContext();
  GfxTexture2DDesc td;
  td.width = td.height = 64;
  td.format = GFX_FORMAT_R8G8B8A8_UNORM;
  td.bindFlags = GFX_BIND_RENDER_TARGET;
  GfxCreateTexture2D(s.device, td, nullptr, &s.texture);
  GfxCreateRenderTargetView(s.device, s.texture, nullptr, &s.target);
  GfxCreateVertexShader(s.device, VS, 0, &s.vs);
  GfxCreatePixelShader(s.device, PS, 0, &s.ps);
  GfxInputElementDesc elements[] = {{"POSITION", 0, GFX_FORMAT_R32G32B32_FLOAT, 0, 0, GFX_INPUT_PER_VERTEX, 0},
                                    {"COLOR", 0, GFX_FORMAT_B8G8R8A8_UNORM, 0, 12, GFX_INPUT_PER_VERTEX, 0}};
  GfxCreateInputLayout(s.device, elements, 2, s.vs, &s.layout);
  // A quad of a few pixels: the measure is the cost of issuing draws, not of filling them.
  struct V {
    float x, y, z;
    uint32_t c;
  } quad[4] = {{-0.05f, 0.05f, 0.5f, 0x80FF8040}, {0.05f, 0.05f, 0.5f, 0x80FF8040},
               {-0.05f, -0.05f, 0.5f, 0x80FF8040}, {0.05f, -0.05f, 0.5f, 0x80FF8040}};
  uint16_t index[6] = {0, 1, 2, 1, 3, 2};
  float tint[4] = {1, 1, 1, 1};
  GfxBufferDesc bd;
  bd.byteWidth = sizeof quad;
  bd.bindFlags = GFX_BIND_VERTEX_BUFFER;
  GfxSubresourceData data{quad, 0, 0};
  GfxCreateBuffer(s.device, bd, &data, &s.vertices);
  bd.byteWidth = sizeof index;
  bd.bindFlags = GFX_BIND_INDEX_BUFFER;
  data.data = index;
  GfxCreateBuffer(s.device, bd, &data, &s.indices);
  bd.byteWidth = sizeof tint;
  bd.bindFlags = GFX_BIND_CONSTANT_BUFFER;
  data.data = tint;
  GfxCreateBuffer(s.device, bd, &data, &s.constants);
  GfxBlendDesc off, alpha;
  alpha.renderTarget[0].blendEnable = 1;
  alpha.renderTarget[0].srcBlend = GFX_BLEND_SRC_ALPHA;
  alpha.renderTarget[0].destBlend = GFX_BLEND_INV_SRC_ALPHA;
  alpha.renderTarget[0].srcBlendAlpha = GFX_BLEND_ONE;
  alpha.renderTarget[0].destBlendAlpha = GFX_BLEND_ONE;
  alpha.renderTarget[0].blendOpAlpha = GFX_BLEND_OP_MAX;
  GfxCreateBlendState(s.device, off, &s.blend[0]);
  GfxCreateBlendState(s.device, alpha, &s.blend[1]);
  GfxRasterizerDesc rd;
  rd.cullMode = GFX_CULL_NONE;
  GfxCreateRasterizerState(s.device, rd, &s.raster);
  GfxDepthStencilDesc dd;
  dd.depthEnable = 0;
  GfxCreateDepthStencilState(s.device, dd, &s.depth);
  s.ready = s.target && s.vs && s.ps && s.layout;
  return s;
}

void BM_LayerDraws(benchmark::State& state) {
  Scene& s = GetScene();
  if (!s.ready) {
    state.SkipWithError("no GL context");
    return;
  }
  const uint32_t stride = 16, offset = 0;
  const GfxViewport viewport{0, 0, 64, 64, 0, 1};
  for (auto _ : state) {
    GfxOMSetRenderTargets(s.context, 1, &s.target, GfxDepthStencilView{});
    GfxRSSetViewports(s.context, 1, &viewport);
    GfxRSSetState(s.context, s.raster);
    GfxOMSetDepthStencilState(s.context, s.depth, 0);
    for (int i = 0; i < DRAWS; ++i) {
      if (i % CHANGE_EVERY == 0) GfxOMSetBlendState(s.context, s.blend[(i / CHANGE_EVERY) & 1], nullptr, 0xFFFFFFFF);
      GfxIASetInputLayout(s.context, s.layout);
      GfxIASetVertexBuffers(s.context, 0, 1, &s.vertices, &stride, &offset);
      GfxIASetIndexBuffer(s.context, s.indices, GFX_FORMAT_R16_UINT, 0);
      GfxIASetPrimitiveTopology(s.context, GFX_TOPOLOGY_TRIANGLELIST);
      GfxVSSetShader(s.context, s.vs);
      GfxPSSetShader(s.context, s.ps);
      GfxPSSetConstantBuffers(s.context, 0, 1, &s.constants);
      GfxDrawIndexed(s.context, 6, 0, 0);
    }
    GfxFlush(s.context);
    uint8_t pixel[64 * 64 * 4];
    GfxReadTexturePixels(s.context, s.texture, 0, pixel, sizeof pixel);  // waits for the frame
  }
  state.counters["draws_per_s"] = benchmark::Counter(double(DRAWS) * double(state.iterations()),
                                                     benchmark::Counter::kIsRate);
}

void BM_BareGlDraws(benchmark::State& state) {
  Scene& s = GetScene();
  if (!s.ready) {
    state.SkipWithError("no GL context");
    return;
  }
  for (auto _ : state) {
    GfxReferenceDrawFrame(s.target, s.vs, s.ps, s.layout, s.vertices, 16, s.indices, s.constants, 6, DRAWS,
                          CHANGE_EVERY);
    uint8_t pixel[64 * 64 * 4];
    GfxReadTexturePixels(s.context, s.texture, 0, pixel, sizeof pixel);  // waits for the frame
  }
  state.counters["draws_per_s"] = benchmark::Counter(double(DRAWS) * double(state.iterations()),
                                                     benchmark::Counter::kIsRate);
}

BENCHMARK(BM_LayerDraws)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_BareGlDraws)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Keeps each benchmark's times per frame so the ratios can be printed after all ran.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> msPerFrame, cpuMsPerFrame;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && !r.error_occurred) {
        std::string name = r.benchmark_name().substr(0, r.benchmark_name().find('/'));
        msPerFrame[name] = r.GetAdjustedRealTime();
        cpuMsPerFrame[name] = r.GetAdjustedCPUTime();
      }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  // The software GL driver allocates and frees large blocks every draw and every buffer map;
  // with the C library's sliding thresholds their cost (fresh pages from the kernel) depends
  // on which benchmark happened to run first.  Fixed thresholds make the runs comparable.
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto layer = reporter.msPerFrame.find("BM_LayerDraws");
  auto bare = reporter.msPerFrame.find("BM_BareGlDraws");
  if (layer != reporter.msPerFrame.end() && bare != reporter.msPerFrame.end() && bare->second > 0) {
    std::printf("layer %.3f ms/frame, bare GL %.3f ms/frame, ratio %.3f (target <= 1.3)\n", layer->second,
                bare->second, layer->second / bare->second);
  }
  auto list = reporter.cpuMsPerFrame.find("BM_Draw2DList");
  auto batch = reporter.cpuMsPerFrame.find("BM_HandWritten2DBatch");
  if (list != reporter.cpuMsPerFrame.end() && batch != reporter.cpuMsPerFrame.end() && batch->second > 0) {
    std::printf("10000 quads: 2D list %.3f ms CPU/frame, hand-written GL batch %.3f ms CPU/frame, ratio %.3f "
                "(target <= 1.5)\n",
                list->second, batch->second, list->second / batch->second);
    std::printf("pictures %s (%08x, %08x)\n", Draw2DPictureHash == HandWrittenPictureHash ? "match" : "DIFFER",
                Draw2DPictureHash, HandWrittenPictureHash);
  }
  BenchDeviceClose();
  benchmark::Shutdown();
  return 0;
}
