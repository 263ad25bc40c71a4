// bench_device.cpp - the renderer's device for the benchmarks.
#include "bench/render/bench_device.h"

#include <cstdio>

#include "core/config.h"
#include "core/log.h"
#include "core/window_state.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/render_states.h"
#include "render/shaders.h"

namespace {
int g_state;  // 0 not tried, 1 ready, 2 failed
}

bool BenchDeviceReady() {
  if (g_state == 0) {
    LoggingEnabled = 0;
    std::snprintf(ShaderFolder, sizeof ShaderFolder, "%s/bin/shaders2", ZKT_SOURCE_DIR);
    ScreenWidth = 64;
    ScreenHeight = 64;
    CfgStartWindowed = 1;
    g_state = PreInitD3D() == nullptr && InitialiseGraphicsForScreen() == nullptr ? 1 : 2;
  }
  return g_state == 1;
}

GfxDevice BenchDevice() { return Gfx.device; }
GfxContext BenchContext() { return Gfx.context; }

void ForgetRendererBindings() {
  Shaders.boundVertexSlot = Shaders.boundPixelSlot = Shaders.boundLayout = -1;
  RenderStates.appliedBlend = RenderStates.appliedRaster = RenderStates.appliedDepth = -1;
  for (int& s : RenderStates.appliedSampler) s = -1;
  ReleaseConstantBuffers();
  CreateConstantBuffers();
}

void BenchDeviceClose() {
  if (g_state == 1) ShutdownGraphics();
  g_state = 0;
}
