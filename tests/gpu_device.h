// gpu_device.h - the device of a GPU test: a windowed, non-HDR device of the given size on
// the default adapter, with shaders from the source tree and the log in gpu/deb.log; the
// device settings' defaults; the render textures the tests draw into and read back; the
// orthographic views, the even light and the opaque states their pictures are drawn with.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/config.h"
#include "core/log.h"
#include "core/window_state.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/draw2d.h"
#include "render/material.h"
#include "render/matrices.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/shaders.h"
#include "render/texture_record.h"
#include "tests/source_shaders.h"

// The device's settings at their configuration defaults.
inline void ResetDeviceSettings() {
  CfgAdapterSelect = CfgOutputSelect = 0;
  CfgZbdSelect = 2;
  CfgAntialiasing = 4;
  CfgFilterAf = 8;
  DeviceConfig = DeviceSettings();
}

// True when the device stands; the test skips otherwise.
inline bool StartTestDevice(int width, int height) {
  std::filesystem::create_directories("gpu");
  SetLogFileName("gpu/deb.log");
  UseSourceShaders();
  ScreenWidth = width;
  ScreenHeight = height;
  CfgStartWindowed = 1;
  CfgRenderHdr = 0;
  CfgAdapterSelect = CfgOutputSelect = 0;
  CfgZbdSelect = 2;
  const char* error = PreInitD3D();
  if (!error) error = InitialiseGraphicsForScreen();
  // The tests skip (or fail under CI) with "no device": the device's own words say why.
  if (error) std::fprintf(stderr, "StartTestDevice: %s (see gpu/deb.log)\n", error);
  return error == nullptr;
}

// The device compiles a shader when it is first bound: binds the pair (variant 0) the way a
// draw does and tells whether both compiled.
inline bool ShadersCompile(int vertex, int pixel) {
  Material::SetVShader(vertex);
  Material::SetPShader(pixel);
  return DrawsAllowed() && Shaders.vertex[vertex] && Shaders.pixel[pixel];
}

// The device shut down and the log closed, at the end of the suite that started them.
inline void StopTestDevice() {
  ShutdownGraphics();
  SetLogFileName("");
}

// A render texture of plain (not sRGB) RGBA bytes, so that colours read back as written, with
// a depth and stencil buffer when asked.  False when the device refused a part of it.
inline bool MakeTestTarget(ZKTETexture& target, int width, int height, bool withDepth = false) {
  GfxTexture2DDesc d;
  d.width = uint32_t(width);
  d.height = uint32_t(height);
  d.format = GFX_FORMAT_R8G8B8A8_UNORM;
  d.bindFlags = GFX_BIND_RENDER_TARGET | GFX_BIND_SHADER_RESOURCE;
  if (GfxCreateTexture2D(Gfx.device, d, nullptr, &target.texture) != GFX_OK ||
      GfxCreateRenderTargetView(Gfx.device, target.texture, nullptr, &target.targetViews[0]) != GFX_OK)
    return false;
  target.width = width;
  target.height = height;
  target.mipLevels = 1;
  target.format = GFX_FORMAT_R8G8B8A8_UNORM;
  if (!withDepth) return true;
  d.format = GFX_FORMAT_D24_UNORM_S8_UINT;
  d.bindFlags = GFX_BIND_DEPTH_STENCIL;
  return GfxCreateTexture2D(Gfx.device, d, nullptr, &target.depthTexture) == GFX_OK &&
         GfxCreateDepthStencilView(Gfx.device, target.depthTexture, nullptr, &target.depthView) == GFX_OK;
}

// Every pushed render target popped, then the texture released.
inline void ReleaseTestTarget(ZKTETexture& target) {
  while (RenderTargets.depth > 0) UnsetRenderTarget();
  ReleaseTexture(&target);
}

// The view and world matrices, the viewport and the projection back as the device starts them.
inline void ResetTestMatrices() {
  SetIdentityMatrix(ViewMatrix);
  SetIdentityMatrix(WorldMatrix);
  SetViewportFull();
  InitMatrices();
}

// An orthographic view of a square picture metresAcross wide: rows[r] is where world axis r
// goes in view space (x right, y up, z into the picture), the eye at a world point; near
// 1 m, far 100 m, the world matrix the identity.
inline void LookOrthographic(const float (&rows)[3][3], const float (&eye)[3], float metresAcross) {
  SetViewportFull();
  SetIdentityMatrix(WorldMatrix);
  float* m = ViewMatrix;
  SetIdentityMatrix(m);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) m[r * 4 + c] = rows[r][c];
  for (int c = 0; c < 3; ++c) m[12 + c] = -(eye[0] * rows[0][c] + eye[1] * rows[1][c] + eye[2] * rows[2][c]);
  NearPlane = 1.0f;
  FarPlane = 100.0f;
  SetupOrthographic(nullptr, metresAcross, metresAcross);
  UploadWorldMatrix(0, 0);
}

// Light 1 whatever the normal: no view lights, no fog, no cube map on the object.
inline void LightEvenlyWithoutFog() {
  float row[64] = {};
  for (int c = 0; c < 3; ++c) row[c * 16 + 15] = 1.0f;
  UploadConstantRowData(0, VS_ROW_LIGHT_MATRICES, row, sizeof row);
  const float none[24] = {};
  UploadConstantRowData(0, VS_ROW_VIEW_LIGHTS, none, sizeof none);
  const float noCube[28] = {};
  UploadConstantRowData(0, VS_ROW_OBJECT, noCube, sizeof noCube);
}

// Opaque drawing of both faces, the nearer winning, flushed to the device.
inline void DrawOpaqueBothFaces() {
  RenderStates.pendingBlend = 0;
  RenderStates.pendingRaster = 6;
  RenderStates.pendingDepth = 0;
  FlushStates();
}

// The target pushed for a frame of 2D drawing: the whole window, no blending or culling, no
// depth test, cleared to opaque black, the 2D list empty.  False when the push was refused.
inline bool BeginTestFrame2D(ZKTETexture& target) {
  if (SetRenderTexture(&target, 0, 0, 0) != 1) return false;
  SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
  RenderStates.pendingBlend = 0;
  RenderStates.pendingRaster = 0;
  RenderStates.pendingDepth = 1;
  FlushStates();
  Clear(0xFF000000u, 1);
  ResetDraw2D();
  return true;
}

// The target's pixels as RGBA bytes, the top row first; a failed read fails the test.
inline std::vector<uint8_t> ReadTargetPixels(const ZKTETexture& target) {
  std::vector<uint8_t> p(size_t(target.width) * size_t(target.height) * 4);
  EXPECT_TRUE(GfxReadTexturePixels(Gfx.context, target.texture, 0, p.data(), p.size()));
  return p;
}

// The sRGB byte a linear value in 0..1 is stored as (beyond the range clamped).
inline uint8_t SrgbByte(double linear) {
  const double c = std::clamp(linear, 0.0, 1.0);
  const double s = c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
  return uint8_t(std::lround(s * 255));
}

// 0xAARRGGBB of pixel (x, y) (x right, y down) of RGBA rows of the width given.
inline uint32_t PixelArgb(const std::vector<uint8_t>& rgba, int width, int x, int y) {
  const uint8_t* q = &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
  return uint32_t(q[3]) << 24 | uint32_t(q[0]) << 16 | uint32_t(q[1]) << 8 | q[2];
}

// Plain coloured triangles drawn straight through vertex declaration 2 and shaders 10 and 35
// (positions through the matrix row) from a dynamic vertex buffer of its own.
struct PlainTriangles {
  struct Vertex {
    float x, y, z;
    uint32_t colour;  // 0xAARRGGBB
    float u, v;
  };
  GfxBuffer buffer;
  size_t capacity = 0;

  // Makes and binds a buffer of that many vertices and chooses the shaders; false when the
  // buffer was refused or the shaders cannot draw.
  bool Start(size_t vertices) {
    GfxBufferDesc d;
    d.byteWidth = uint32_t(sizeof(Vertex) * vertices);
    d.usage = GFX_USAGE_DYNAMIC;
    d.bindFlags = GFX_BIND_VERTEX_BUFFER;
    d.cpuAccessFlags = GFX_CPU_ACCESS_WRITE;
    if (GfxCreateBuffer(Gfx.device, d, nullptr, &buffer) != GFX_OK) return false;
    capacity = vertices;
    uint32_t stride = sizeof(Vertex), offset = 0;
    GfxIASetVertexBuffers(Gfx.context, 0, 1, &buffer, &stride, &offset);
    GfxIASetPrimitiveTopology(Gfx.context, GFX_TOPOLOGY_TRIANGLELIST);
    Material::EnableVertexDeclaration(2);
    Material::SetVShader(10);
    Material::SetPShader(35);
    return DrawsAllowed() != 0;
  }
  // The vertices as triangles, the pending states flushed first; false (nothing drawn) when
  // they do not fit the buffer or it cannot be written.
  bool Draw(const Vertex* vertices, size_t count) {
    GfxMappedSubresource m;
    if (count > capacity || GfxMapResource(Gfx.context, buffer, 0, GFX_MAP_WRITE_DISCARD, &m) != GFX_OK) return false;
    std::memcpy(m.data, vertices, count * sizeof(Vertex));
    GfxUnmap(Gfx.context, buffer, 0);
    FlushStates();
    GfxDraw(Gfx.context, uint32_t(count), 0);
    return true;
  }
  // Unbinds and releases the buffer.
  void Stop() {
    GfxIASetVertexBuffers(Gfx.context, 0, 1, nullptr, nullptr, nullptr);
    GfxRelease(buffer);
  }
};
