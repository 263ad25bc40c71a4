// frame.cpp - frame start, background picture, the render texture and its full-screen quad,
// and the system render textures.
#include "render/frame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "core/process.h"
#include "core/report.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/draw2d.h"
#include "render/generated_textures.h"
#include "render/material.h"
#include "render/object_picture.h"
#include "render/matrices.h"
#include "render/post_process.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/screenshot.h"
#include "render/shaders.h"
#include "render/system_textures.h"
#include "render/texture_table.h"
#include "render/vr.h"

int FrameBegun3D;
int FrameDrawSkipped;
float FullScreenQuadOffsets[2];
int BlueprintMode;
FrameClearSettings FrameClear;
BackgroundPictureState Background;
RenderTextureState RenderTexture;
float ToneExposure = 1.0f;
int (*GetRaceClockMs)(uint32_t* milliseconds);

namespace {

constexpr const char* RENDER_TEXTURE_NAME = "RENDER~TX";
constexpr int TEXTURE_SLOTS = 8;
constexpr int QUAD_SAMPLER = 4;
constexpr int PIXEL_ROW_TONE = 11;
constexpr float ASPECT_16_9 = 1.7777778f;

// The render texture as the quad's texture.  Kept out of the material map: the map orders by
// texture name, so a shared material must not change its texture while listed.
Material g_quadMaterial;
int g_creationFailureShown;

GfxFormat KindFormat(int kind) {
  return kind == 1 ? GFX_FORMAT_R8G8B8A8_UNORM_SRGB : GFX_FORMAT_R16G16B16A16_FLOAT;
}

// Depth of the scene's render textures: 16-bit on a device whose own depth is 16-bit.
int DepthFlags() { return Gfx.depthFormatCode < 2 ? 2 : 3; }

// The back buffer's size, whatever target is current.
void BackBufferSize(int* width, int* height) {
  const RenderTargetState& t = RenderTargets;
  *width = t.depth == 0 ? Gfx.screenWidth : t.stack[0].width;
  *height = t.depth == 0 ? Gfx.screenHeight : t.stack[0].height;
}

void FreeRecord(ZKTETexture*& record) { FreeTextureArray(&record, 1); }

void StopVrAfterFailure() {
  if (VrEnabled) CloseVr();
}

// The target the last frame start cleared to black, and the draw count just after.
GfxRenderTargetView g_blackTarget;
uint64_t g_drawsAtStart;
// The waiting render texture was cleared black by its frame's start: it is made so.
bool g_waitingClearedBlack;

int StartFrame(const float* clearRgba) {
  FrameBegun3D = 1;
  FrameDrawSkipped = LastPresentStatus != PRESENT_OK;
  g_blackTarget = GfxRenderTargetView{};
  if (FrameDrawSkipped) return 0;
  for (int slot = 0; slot < TEXTURE_SLOTS; ++slot) BindTextureSlot(slot, nullptr);
  InvalidateShineConstants();
  SetIdentityMatrix(WorldMatrix);
  FlushStates();
  const bool black = clearRgba && clearRgba[0] == 0.0f && clearRgba[1] == 0.0f && clearRgba[2] == 0.0f;
  // A black clear of a render texture still waiting for its first drawing is left to its
  // making: a frame that draws nothing into it never makes it.
  g_waitingClearedBlack = black && CurrentTargetWaits();
  if (clearRgba && !g_waitingClearedBlack) ClearRGBA(clearRgba);
  if (black) g_blackTarget = RenderTargets.view;
  g_drawsAtStart = GfxDrawCount();
  return 1;
}

// The render texture, made when something first draws into it (or clears it otherwise, or
// draws over it): it takes the place of the waiting target, cleared black when its frame's
// start cleared it so.  A texture the device refuses leaves the frame's drawing into it lost.
void MakeWaitingRenderTexture() {
  RenderTextureState& r = RenderTexture;
  r.waiting = 0;
  if (const char* error = CreateRenderTargetTexture(r.width, r.height, r.kind)) {
    if (!g_creationFailureShown) ReportLine(error, REPORT_ERROR);
    g_creationFailureShown = 1;
    StopVrAfterFailure();
    return;
  }
  g_creationFailureShown = 0;
  if (!SetRenderTexture(r.texture, 1, 0, 0)) {
    ReportLine("Could not set the render target texture as the render target", REPORT_ERROR);
    StopVrAfterFailure();
    return;
  }
  if (g_waitingClearedBlack) {
    const float black[4] = {0, 0, 0, 0};
    ClearRGBA(black);
    g_blackTarget = RenderTargets.view;
    g_drawsAtStart = GfxDrawCount();
  }
  g_waitingClearedBlack = false;
}

void BuildQuad(int quadMode, int width, int height) {
  CircularVBuffer& q = RenderTexture.quad;
  RenderTexture.quadMode = -1;
  if (!q.vertexBuffer && !q.InitBuf(3, 0, 4, 2)) return;
  float x0 = -1, y0 = 1, x1 = 1, y1 = -1, u1 = 1;
  if (quadMode == 0) {
    u1 = 0.5f;
  } else if (quadMode != 1 && width > 0 && height > 0) {
    LetterboxRect r = GetLetterbox16x9(width, height);
    x0 = 2.0f * float(r.left) / float(width) - 1.0f;
    x1 = 2.0f * float(r.left + r.width) / float(width) - 1.0f;
    y0 = 1.0f - 2.0f * float(r.top) / float(height);
    y1 = 1.0f - 2.0f * float(r.top + r.height) / float(height);
  }
  if (!q.StartBuf(&g_quadMaterial, 0, 0)) return;
  const Vertex2D corners[4] = {{x0, y0, 0, 0xFFFFFFFFu, 0, 0},
                               {x1, y0, 0, 0xFFFFFFFFu, u1, 0},
                               {x0, y1, 0, 0xFFFFFFFFu, 0, 1},
                               {x1, y1, 0, 0xFFFFFFFFu, u1, 1}};
  const uint16_t triangles[6] = {0, 1, 2, 2, 1, 3};  // both clockwise on screen
  std::memcpy(q.vertexWrite, corners, sizeof corners);
  std::memcpy(q.indexWrite, triangles, sizeof triangles);
  q.vertexCount = 4;
  q.triangleCount = 2;
  q.UnlockBuffer();
  RenderTexture.quadMode = quadMode;
  RenderTexture.quadWidth = width;
  RenderTexture.quadHeight = height;
}

void ForgetBackgroundPicture() {
  if (SystemMaterials.background == Background.material) SystemMaterials.background = nullptr;
  ReleaseTextureRef(Background.material);
  Background.loadedName[0] = 0;
}

int TonePixelShader(int quadMode, int toneMode) {
  if (quadMode == 0) return 8;
  static const int BY_TONE[4] = {4, 6, 5, 7};
  return toneMode >= 0 && toneMode < 4 ? BY_TONE[toneMode] : 4;
}

}  // namespace

// ---- [Frame start] ----

int FrameClearColour(const FrameClearSettings& s, float rgba[4]) {
  rgba[3] = 1.0f;
  switch (s.mode) {
    case 0:
      rgba[0] = rgba[1] = rgba[2] = 0.0f;
      if (s.alternativeBackground) {
        rgba[0] = BrightnessTable[0] / 255.0f;
        rgba[1] = BrightnessTable[25] / 255.0f;
        rgba[2] = BrightnessTable[100] / 255.0f;
      }
      return 1;
    case 1:
      rgba[0] = float((s.colour >> 16) & 0xFF) / 255.0f;
      rgba[1] = float((s.colour >> 8) & 0xFF) / 255.0f;
      rgba[2] = float(s.colour & 0xFF) / 255.0f;
      rgba[3] = float(s.colour >> 24) / 255.0f;
      return 1;
    case 3:
      std::copy(s.viewBackground, s.viewBackground + 3, rgba);
      return 1;
    default:
      return 0;
  }
}

int BeginFrame() {
  const float black[4] = {0, 0, 0, 0};
  return StartFrame(black);
}

int FrameStillBlack(GfxRenderTargetView target) {
  return target && target == g_blackTarget && GfxDrawCount() == g_drawsAtStart;
}

namespace {
uint64_t g_drawsAtSceneMark;
}  // namespace

void MarkSceneStart() { g_drawsAtSceneMark = GfxDrawCount(); }

int SceneDrawnSinceMark() { return EditorFrameCleared || GfxDrawCount() != g_drawsAtSceneMark ? 1 : 0; }

int BeginFrameClear() {
  float rgba[4];
  return StartFrame(FrameClearColour(FrameClear, rgba) ? rgba : nullptr);
}

// ---- [Clear-mode stack] ----

ClearModeStack ScreenClearModes;

void PushClearMode(int mode) {
  ClearModeStack& s = ScreenClearModes;
  if (s.depth >= CLEAR_MODE_STACK_SIZE) return;
  s.entries[s.depth++] = ClearModeEntry{mode, FrameClear.mode};
  FrameClear.mode = mode;
}

void PopClearMode() {
  ClearModeStack& s = ScreenClearModes;
  if (s.depth <= 0) return;
  FrameClear.mode = s.entries[--s.depth].covered;
}

int TopClearMode() { return FrameClear.mode; }

// ---- [Background picture] ----

void BackgroundVRange(float aspectFactor, float* v0, float* v1) {
  const float a = aspectFactor / 2.0f;
  *v0 = std::max(0.0f, 0.5f - a);
  *v1 = std::min(1.0f, 0.5f + a);
}

void DrawBackgroundPicture() {
  BackgroundPictureState& b = Background;
  if (b.switchedOff) return;
  const char* name = CurrentBackground;
  if (!name || !name[0]) {
    ForgetBackgroundPicture();
    return;
  }
  // A running race has no background; a failed presentation (a device being recovered) draws
  // nothing.
  if (GameState > 1 || FrameDrawSkipped || LastPresentStatus != PRESENT_OK) return;
  if (std::strcmp(name, b.loadedName) != 0) {
    ForgetBackgroundPicture();
    std::snprintf(b.loadedName, sizeof b.loadedName, "%s", name);
    b.material = LoadBackgroundPicture(name);
  }
  if (!b.material || !b.material->texture) return;
  if (!FrameBegun3D) BeginFrame();
  BeginBackgroundBatch(b.material);
  float v0, v1;
  BackgroundVRange(Projection.aspect, &v0, &v1);
  Draw2D& list = Draw2DList;
  int topLeft = list.AddVertex(0xFFFFFFFFu, -1, -1, 0, v0);
  int topRight = list.AddVertex(0xFFFFFFFFu, 1, -1, 1, v0);
  int bottomRight = list.AddVertex(0xFFFFFFFFu, 1, 1, 1, v1);
  int bottomLeft = list.AddVertex(0xFFFFFFFFu, -1, 1, 0, v1);
  list.AddQuad(topLeft, topRight, bottomRight, bottomLeft);
  EndBackgroundBatch();
}

// ---- [Render texture] ----

const char* CreateRenderTargetTexture(int width, int height, int kind) {
  ReleaseRenderTargetTexture();
  ZKTETexture* t = AddTextureRef(RENDER_TEXTURE_NAME, GEN_TYPE_RENDER);
  if (t && (t->width != width || t->height != height || t->format != KindFormat(kind))) FreeRecord(t);
  if (!t) t = CreateZKTETextureRT(RENDER_TEXTURE_NAME, width, height, KindFormat(kind), DepthFlags());
  if (!t) return "Could not create the render target texture";
  RenderTexture.texture = t;
  RenderTexture.width = width;
  RenderTexture.height = height;
  RenderTexture.kind = kind;
  if (!t->texture || !t->view || !t->targetViews[0]) {
    ReleaseRenderTargetTexture();
    return "Error creating the render target texture";
  }
  return nullptr;
}

void ReleaseRenderTargetTexture() {
  WithdrawSharedTexture();  // the VR plug-in gives up the eye texture first
  g_blackTarget = GfxRenderTargetView{};  // its view's number may be given out again
  RenderTexture.waiting = 0;
  ClosePostPass();
  ResetPostChain(BloomChain);  // its levels were sized for this texture
  ForgetRenderTexture(RenderTexture.texture);  // a frame may still have it pushed
  FreeRecord(RenderTexture.texture);
  RenderTexture.width = RenderTexture.height = RenderTexture.kind = 0;
}

void ReleaseRenderTextureAndQuad() {
  ReleaseRenderTargetTexture();
  RenderTexture.quad.Close();
  RenderTexture.quadMode = -1;
}

void ForgetRenderTextures() {
  CircularVBuffer& q = RenderTexture.quad;
  q.vertexBuffer = nullptr;  // released with every other buffer
  q.indexBuffer = nullptr;
  q.Close();
  RenderTexture.texture = nullptr;
  RenderTexture.width = RenderTexture.height = RenderTexture.kind = 0;
  RenderTexture.waiting = 0;
  RenderTexture.quadMode = -1;
  g_blackTarget = GfxRenderTargetView{};
  ForgetPostChain(BloomChain);
  ForgetPostChain(BlurChain);
  PostPassOpen = 0;
  Background.material = nullptr;  // went with the material map
  Background.loadedName[0] = 0;
}

namespace {

// Pushes the render texture; one not made yet is made now, or with waitForDrawing when
// something first draws into it.
int PushRenderTexture(int width, int height, int kind, bool waitForDrawing) {
  if (width <= 0 || height <= 0 || Gfx.screenWidth == 0 || Gfx.screenHeight == 0) return 0;
  RenderTextureState& r = RenderTexture;
  if (r.texture && (r.width != width || r.height != height || r.kind != kind)) ReleaseRenderTargetTexture();
  if (!r.texture && waitForDrawing) {
    r.width = width;
    r.height = height;
    r.kind = kind;
    r.waiting = EnterWaitingTarget(width, height, MakeWaitingRenderTexture);
    return r.waiting ? kind : 0;
  }
  if (!r.texture) {
    if (const char* error = CreateRenderTargetTexture(width, height, kind)) {
      // Tried again each frame; told once until it works, not once a frame.
      if (!g_creationFailureShown) ReportLine(error, REPORT_ERROR);
      g_creationFailureShown = 1;
      StopVrAfterFailure();
      return 0;
    }
    g_creationFailureShown = 0;
  }
  if (!SetRenderTexture(r.texture, 0, 0, 0)) {
    ReportLine("Could not set the render target texture as the render target", REPORT_ERROR);
    StopVrAfterFailure();
    return 0;
  }
  return kind;
}

}  // namespace

int SetRenderTargetTexture(int width, int height, int kind) { return PushRenderTexture(width, height, kind, false); }

int SetScreenRenderTarget() {
  // The frame's HDR picture: a page of the interface alone never draws into it, and a run
  // that shows only such pages never makes it.
  int width, height;
  BackBufferSize(&width, &height);
  return PushRenderTexture(width, height, 5, true);
}

void BeginRenderTargetMode(int mode) {
  if (mode == 5)
    SetScreenRenderTarget();
  else if (mode == 6 || mode == 7)
    SetRenderTargetTexture(3840, 2160, mode == 6 ? 1 : 2);
}

// ---- [Full-screen quad] ----

LetterboxRect GetLetterbox16x9(int width, int height) {
  LetterboxRect r{0, 0, width, height};
  if (height <= 0) return r;
  if (float(width) / float(height) <= ASPECT_16_9) {
    r.height = int(std::lround(float(width) / ASPECT_16_9));
    r.top = height / 2 - r.height / 2;
  } else {
    r.width = int(std::lround(float(height) * ASPECT_16_9));
    r.left = width / 2 - r.width / 2;
  }
  return r;
}

void DrawFullScreenQuad(int quadMode, int toneMode, PostChain* chain) {
  RenderTextureState& r = RenderTexture;
  if (!r.texture) {
    // Still waiting: nothing was drawn into it, as for a texture that holds only its clear.
    if (r.waiting) {
      PostFrameHidden = 0;
      Clear(0xFF000000u, 1);
    }
    return;
  }
  int width = Gfx.screenWidth, height = Gfx.screenHeight;
  // A render texture that holds only its black clear (a page of the interface, no 3D view)
  // gives black through every pass: the screen is cleared instead.
  if (FrameStillBlack(r.texture->targetViews[0])) {
    PostFrameHidden = 0;
    Clear(0xFF000000u, 1);
    return;
  }
  if (r.quadMode != quadMode || r.quadWidth != width || r.quadHeight != height || !r.quad.vertexBuffer)
    BuildQuad(quadMode, width, height);
  // The bloom's last upsize is folded into this copy (shader 4 as it is) unless something
  // reads the render texture after it: the letterbox pass (the 4K capture is saved from the
  // texture) or the captures that read it.
  const int shader = TonePixelShader(quadMode, toneMode);
  const int bloomLeft = RunPostProcessing(chain, shader == 4 && quadMode == 1 && !CapturesReadRenderTexture());
  if (PostFrameHidden) {
    Clear(0xFF000000u, 1);
    return;
  }
  if (r.quadMode != quadMode) return;  // the quad could not be made
  RenderStates.pendingDepth = 1;
  g_quadMaterial.texture = r.texture;
  g_quadMaterial.drawKind = 1;
  r.quad.material = &g_quadMaterial;
  Material::EnableVertexDeclaration(3);
  Material::SetVShader(5);
  if (shader != 4 && shader != 8) {
    const float row[4] = {ToneExposure * ToneExposure, 0, 0, 0};
    UploadConstantRowData(1, PIXEL_ROW_TONE, row, sizeof row);
  }
  Material::SetPShader(shader);
  if (shader == 4) BindBloomForCopy(chain, bloomLeft);
  if (quadMode == 2) Clear(0xFF000000u, 1);
  r.quad.DrawBuffer(QUAD_SAMPLER);
  UnbindBloomForCopy();
  RenderStates.pendingDepth = 0;
  g_quadMaterial.texture = nullptr;
  BindTextureSlot(0, nullptr);
}

// ---- [System render textures] ----

namespace {

ZKTETexture* FindOrCreateSystemTarget(const char* name, int size, GfxFormat format, int flags, int mipLevels) {
  if (ZKTETexture* found = AddTextureRef(name, GEN_TYPE_RENDER)) return found;
  TextureConfig.renderMipLevels = mipLevels;
  ZKTETexture* made = CreateZKTETextureRT(name, size, size, format, flags);
  TextureConfig.renderMipLevels = 1;
  return made;
}

}  // namespace

ZKTETexture* CreateMirrorTexture() {
  const GfxFormat format = CfgRenderHdr ? GFX_FORMAT_R16G16B16A16_FLOAT : GFX_FORMAT_R8G8B8A8_UNORM_SRGB;
  return FindOrCreateSystemTarget("MIRROR~T", 1024, format, (CfgMirrorAa ? 20 : 16) | DepthFlags(), 1);
}

ZKTETexture* CreateClocksTexture() {
  return FindOrCreateSystemTarget("CLOCKS~T", 512, GFX_FORMAT_R8G8B8A8_UNORM_SRGB, 1, 1);
}

ZKTETexture* CreateInfoTexture() {
  return FindOrCreateSystemTarget("INFO~T", 256, GFX_FORMAT_R8G8B8A8_UNORM_SRGB, 33, 4);
}

void SplitClock(uint32_t milliseconds, int* hours, int* minutes, int* seconds) {
  *hours = int(milliseconds / 3600000u % 100u);
  *minutes = int(milliseconds / 60000u % 60u);
  *seconds = int(milliseconds / 1000u % 60u);
}
