// world_gpu_frame.h - a world picture on the test device: the target made current and the
// world's draw state set as a plain frame has it (no car or shadow pass, no view lights or
// ambient cube, no blending, both faces, depth tested), with the view and light each test
// chooses.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>

#include "render/constant_buffers.h"
#include "render/draw_mesh.h"
#include "render/material.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/shaders.h"
#include "render/views.h"
#include "tests/gpu_device.h"
#include "tests/platform/skip_outside_ci.h"

inline bool BeginWorldFrame(ZKTETexture& target, void (*look)(), void (*light)()) {
  if (SetRenderTexture(&target, 0, 0, 0) != 1) return false;
  SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
  View view{};
  const int32_t origin[3] = {0, 0, 0}, lightDirection[3] = {0, 0, 65536};
  const float up[3] = {0, 0, 1};
  InitView(view, origin, up, lightDirection);
  MeshDisplay = MeshDisplaySettings{};
  CurrentWorldPass = 0;
  ShaderCarFlag = ShaderShadowFlag = 0;
  look();
  light();
  const float none[24] = {};
  UploadConstantRowData(0, VS_ROW_VIEW_LIGHTS, none, sizeof none);
  const float noCube[28] = {};
  UploadConstantRowData(0, VS_ROW_OBJECT, noCube, sizeof noCube);
  RenderStates.pendingBlend = 0;
  RenderStates.pendingRaster = 6;
  RenderStates.pendingDepth = 1;
  FlushStates();
  return true;
}

// Straight down from 8 m: 4 pixels a metre, the origin on the centre of pixel (32, 32).
inline void LookDownFrom8m() {
  SetViewportFull();
  SetIdentityMatrix(WorldMatrix);
  SetIdentityMatrix(ViewMatrix);
  ViewMatrix[10] = -1.0f;
  ViewMatrix[14] = 8.0f;
  SetNearFar(1.0f / 64, 2.0f, 1.0f, 1024.0f, -1.0f / 64);
  UploadWorldMatrix(0, 0);
}
// Constant light 0.5 plus 2 x 0.25 for a normal straight up: 1.
inline void LightFlatUp() {
  float row[64] = {};
  for (int c = 0; c < 3; ++c) {
    row[c * 16 + 15] = 0.5f;
    row[c * 16 + 11] = row[c * 16 + 14] = 0.25f;
  }
  UploadConstantRowData(0, VS_ROW_LIGHT_MATRICES, row, sizeof row);
}

// Looking along +y from y = -8 m: x to the right, z up the picture, 4 pixels a metre, the
// origin on the centre of pixel (32, 32).
inline void LookAlongYFrom8m() {
  SetViewportFull();
  SetIdentityMatrix(WorldMatrix);
  SetIdentityMatrix(ViewMatrix);
  ViewMatrix[5] = 0.0f;
  ViewMatrix[6] = 1.0f;
  ViewMatrix[9] = 1.0f;
  ViewMatrix[10] = 0.0f;
  ViewMatrix[14] = 8.0f;
  SetNearFar(1.0f / 64, 2.0f, 1.0f, 1024.0f, -1.0f / 64);
  UploadWorldMatrix(0, 0);
}
// The same light from every side: 1 for every normal.
inline void LightEvenly() {
  float row[64] = {};
  for (int c = 0; c < 3; ++c) row[c * 16 + 15] = 1.0f;
  UploadConstantRowData(0, VS_ROW_LIGHT_MATRICES, row, sizeof row);
}

// A 1 x 1 texture of one texel (bytes r, g, b, a) on the test device.
inline ZKTETexture PlainTexture(uint32_t rgba, const char* name) {
  ZKTETexture t{};
  GfxTexture2DDesc d;
  d.width = d.height = 1;
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_SHADER_RESOURCE;
  GfxSubresourceData initial{&rgba, 4, 0};
  GfxCreateTexture2D(Gfx.device, d, &initial, &t.texture);
  GfxCreateShaderResourceView(Gfx.device, t.texture, nullptr, &t.view);
  t.width = t.height = 1;
  t.mipLevels = 1;
  t.format = d.format;
  std::snprintf(t.name, sizeof t.name, "%s", name);
  return t;
}
inline ZKTETexture WhiteTexture() { return PlainTexture(0xFFFFFFFFu, "TEST~WHITE"); }

// A suite with the test device of its own (the binary's other suites start theirs): a square
// target of the given size; every test is skipped when no device can be had.
template <int Size>
class WorldDeviceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ResetDeviceSettings();
    ready_ = StartTestDevice(Size, Size);
  }
  static void TearDownTestSuite() {
    FreeAllMaterials();
    StopTestDevice();
  }
  void SetUp() override {
    if (!ready_) ZKT_SKIP_OUTSIDE_CI() << "no device";
  }
  static inline bool ready_ = false;
};
