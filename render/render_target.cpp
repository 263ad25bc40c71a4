// render_target.cpp - the render-target stack, viewports, the screen window and the texture
// record helpers of the device layer.
#include "render/render_target.h"

#include <cstring>

#include "render/device.h"
#include "render/render_states.h"
#include "render/texture_record.h"

RenderTargetState RenderTargets;

namespace {

void Bind(GfxRenderTargetView view, GfxDepthStencilView depthView) {
  GfxOMSetRenderTargets(Gfx.context, view ? 1 : 0, &view, depthView);
}

// The waiting target: its maker, and the stack depth at which it is the current target.
void (*g_makeWaiting)();
int g_waitingDepth;

void ForgetWaitingTarget() {
  g_makeWaiting = nullptr;
  GfxCallBeforeNextDraw(nullptr);
}

}  // namespace

// ---- [Targets] ----

int AddRenderTarget(GfxRenderTargetView view, GfxDepthStencilView depthView) {
  MakeWaitingTarget();  // drawn over, it must exist
  RenderTargetState& s = RenderTargets;
  if (s.depth >= RENDER_TARGET_STACK_SIZE) return 0;
  Bind(view, depthView);
  RenderTargetEntry& e = s.stack[s.depth++];
  e.faceFlag = uint8_t(s.faceFlag);
  std::memcpy(e.viewport, s.viewport, sizeof e.viewport);
  e.width = Gfx.screenWidth;
  e.height = Gfx.screenHeight;
  e.renderTexture = s.renderTexture;
  e.view = s.view;
  e.depthView = s.depthView;
  return 1;
}

int SwitchRenderTarget(GfxRenderTargetView view, GfxDepthStencilView depthView) {
  if (RenderTargets.depth == 0) return 0;  // the back buffer is never replaced this way
  if (CurrentTargetWaits()) ForgetWaitingTarget();  // replaced before it was needed
  Bind(view, depthView);
  return 1;
}

int EnterRenderTarget(GfxRenderTargetView view, GfxDepthStencilView depthView, int width, int height, int replace) {
  int ok = replace ? SwitchRenderTarget(view, depthView) : AddRenderTarget(view, depthView);
  if (!ok) return 0;
  RenderTargetState& s = RenderTargets;
  s.view = view;
  s.depthView = depthView;
  s.renderTexture = nullptr;
  s.faceFlag = 0;
  SetScreenSize(width, height);
  SetViewportFull();
  FlushStates();
  return 1;
}

int SetRenderTexture(ZKTETexture* record, int replace, int mipLevel, int face) {
  if (!record || !record->texture) return 0;
  bool twin = bool(record->secondTexture);
  int index = twin ? face : mipLevel;
  if (index < 0 || index >= TEXTURE_TARGET_VIEWS) return 0;
  GfxRenderTargetView view = record->targetViews[index];
  GfxDepthStencilView depthView = face == 0 ? record->depthView : GfxDepthStencilView{};
  if (!EnterRenderTarget(view, depthView, record->width >> mipLevel, record->height >> mipLevel, replace)) return 0;
  RenderTargets.renderTexture = record;
  RenderTargets.faceFlag = face;
  return 1;
}

int EnterWaitingTarget(int width, int height, void (*make)()) {
  if (!EnterRenderTarget(GfxRenderTargetView{}, GfxDepthStencilView{}, width, height, 0)) return 0;
  g_makeWaiting = make;
  g_waitingDepth = RenderTargets.depth;
  GfxCallBeforeNextDraw(MakeWaitingTarget);
  return 1;
}

int CurrentTargetWaits() { return g_makeWaiting && RenderTargets.depth == g_waitingDepth; }

void MakeWaitingTarget() {
  if (!CurrentTargetWaits()) return;
  void (*make)() = g_makeWaiting;
  ForgetWaitingTarget();
  float viewport[6];
  std::memcpy(viewport, RenderTargets.viewport, sizeof viewport);
  make();
  SetViewport(viewport);
}

void ForgetRenderTexture(const ZKTETexture* texture) {
  if (!texture) return;
  RenderTargetState& s = RenderTargets;
  if (s.renderTexture == texture) s.renderTexture = nullptr;
  for (int i = 0; i < s.depth; ++i)
    if (s.stack[i].renderTexture == texture) s.stack[i].renderTexture = nullptr;
}

int UnsetRenderTarget() {
  RenderTargetState& s = RenderTargets;
  if (s.depth == 0) return 0;
  // Popped (or the stack cut below it) while it waits: never needed, nothing is made.
  if (g_makeWaiting && s.depth <= g_waitingDepth) ForgetWaitingTarget();
  ZKTETexture* current = s.renderTexture;
  if (current && current->secondTexture && s.faceFlag == 0)
    GfxResolveSubresource(Gfx.context, current->texture, 0, current->secondTexture, 0, current->format);
  const RenderTargetEntry& e = s.stack[--s.depth];
  SetScreenSize(e.width, e.height);
  s.renderTexture = e.renderTexture;
  s.view = e.view;
  s.depthView = e.depthView;
  Bind(s.view, s.depthView);
  SetViewport(e.viewport);
  s.faceFlag = e.faceFlag;
  FlushStates();
  return 1;
}

void SetBackBufferTarget(GfxRenderTargetView view, GfxDepthStencilView depthView) {
  if (g_makeWaiting) ForgetWaitingTarget();
  RenderTargetState& s = RenderTargets;
  s.view = view;
  s.depthView = depthView;
  s.renderTexture = nullptr;
  s.faceFlag = 0;
  s.depth = 0;
  if (Gfx.context) Bind(view, depthView);
}

void ResetRenderTargets() {
  if (g_makeWaiting) ForgetWaitingTarget();
  ScreenWindow window = RenderTargets.window;
  RenderTargets = RenderTargetState();
  RenderTargets.window = window;
}

// ---- [Viewports] ----

void SetViewport(const float viewport[6]) {
  std::memcpy(RenderTargets.viewport, viewport, sizeof RenderTargets.viewport);
  if (viewport[2] > 0.001f && viewport[3] > 0.001f) {
    GfxViewport v{viewport[0], viewport[1], viewport[2], viewport[3], viewport[4], viewport[5]};
    GfxRSSetViewports(Gfx.context, 1, &v);
  }
}

void SetViewportFull() {
  const float v[6] = {0, 0, float(Gfx.screenWidth), float(Gfx.screenHeight), 0, 1};
  SetViewport(v);
}

void SetViewportRect(int x, int y, int width, int height) {
  const float v[6] = {float(x), float(y), float(width), float(height), 0, 1};
  SetViewport(v);
}

void SetScreenWindow(int pixelFlag, float centreX, float centreY, float scaleX, float scaleY) {
  ScreenWindow& w = RenderTargets.window;
  w.centreX = centreX;
  w.centreY = -centreY;
  w.scaleX = scaleX;
  w.scaleY = -scaleY;
  if (pixelFlag) {
    float width = float(Gfx.screenWidth), height = float(Gfx.screenHeight);
    w.pixelCentreX = (centreX + 1.0f) * width / 2.0f;
    w.pixelCentreY = (centreY + 1.0f) * height / 2.0f;
    w.pixelScaleX = scaleX * width / 2.0f;
    w.pixelScaleY = scaleY * height / 2.0f;
  }
}

// ---- [Texture record helpers] ----

void ReleaseTexture(ZKTETexture* record) {
  if (!record) return;
  if (record->state != TEXTURE_OWNED) {
    // Borrowed objects: forget them, release nothing.
    record->view = GfxShaderResourceView{};
    record->texture = GfxTexture2D{};
    record->state = 0;
    return;
  }
  GfxRelease(record->view);
  for (GfxRenderTargetView& v : record->targetViews) GfxRelease(v);
  GfxRelease(record->depthView);
  GfxRelease(record->texture);
  GfxRelease(record->depthTexture);
  GfxRelease(record->secondTexture);
  record->state = 0;
}

void ReadTextureDescription(ZKTETexture* record) {
  if (!record || !record->texture) return;
  GfxTexture2DDesc d;
  GfxGetDesc(record->texture, &d);
  record->width = int32_t(d.width);
  record->height = int32_t(d.height);
  record->mipLevels = int32_t(d.mipLevels);
  record->format = d.format;
}

uint32_t TextureMemorySize(const ZKTETexture* record) {
  if (!record || !record->texture) return 0;
  uint32_t level = uint32_t(GfxBitsPerPixel(record->format)) * uint32_t(record->width) * uint32_t(record->height) / 8;
  uint32_t total = level;
  for (int i = 1; i < record->mipLevels; ++i) {
    level /= 4;
    total += level;
  }
  return total;
}

int IsPlainTextureKind(const ZKTETexture* record) {
  if (!record) return 0;
  return (record->type >= 1 && record->type <= 3) || record->type == 7;
}
