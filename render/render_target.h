// render_target.h - the render target drawn into, the stack of targets that passes push and
// pop, the viewport, and the screen window of the view layout.
//
// Every change of target sets the device's screen size to the target's, so that whatever
// scales by the screen size follows the target.  Main thread only.
#pragma once
#include <cstdint>

#include "platform/gfx.h"

struct ZKTETexture;

constexpr int RENDER_TARGET_STACK_SIZE = 4;

struct RenderTargetEntry {
  uint8_t faceFlag;
  float viewport[6];
  int32_t width, height;
  ZKTETexture* renderTexture;
  GfxRenderTargetView view;
  GfxDepthStencilView depthView;
};

struct ScreenWindow {
  float centreX, centreY;  // centre y stored negated
  float scaleX, scaleY;    // scale y stored negated
  float pixelCentreX, pixelCentreY, pixelScaleX, pixelScaleY;
};

struct RenderTargetState {
  GfxRenderTargetView view;      // current target (views are not owned here)
  GfxDepthStencilView depthView;
  ZKTETexture* renderTexture;    // none for the back buffer
  int faceFlag;
  float viewport[6];             // x, y, width, height, min depth, max depth
  RenderTargetEntry stack[RENDER_TARGET_STACK_SIZE];
  int depth;                     // saved entries; 0 while the back buffer is current
  ScreenWindow window;
};
extern RenderTargetState RenderTargets;

// ---- [Targets] ----
int AddRenderTarget(GfxRenderTargetView view, GfxDepthStencilView depthView);     // 0 when 4 are saved
int SwitchRenderTarget(GfxRenderTargetView view, GfxDepthStencilView depthView);  // 0 when none is saved
// Goes to a new target of the given size (push, or replace the pushed one): the screen size
// follows it, the viewport covers it and the pending states are applied.  0 when refused.
int EnterRenderTarget(GfxRenderTargetView view, GfxDepthStencilView depthView, int width, int height, int replace);
int UnsetRenderTarget();  // back to the saved target; 0 when none is saved
// A render texture about to be freed: neither the current target nor a saved one names it any
// more, so popping back to them later resolves nothing into the freed record.
void ForgetRenderTexture(const ZKTETexture* texture);
// A target pushed before it exists: the screen size and the viewport follow it as for any
// other, and make() is called to make it (replacing the current entry: SetRenderTexture with
// replace) before anything draws, clears or pushes another target on it; the viewport set
// meanwhile stays.  Popped while it waits, it was never needed and nothing is made.  0 when
// the stack is full.
int EnterWaitingTarget(int width, int height, void (*make)());
int CurrentTargetWaits();
void MakeWaitingTarget();  // makes the waiting current target now; nothing when none waits
int SetRenderTexture(ZKTETexture* record, int replace, int mipLevel, int face);
// The back buffer as current target, with nothing saved (device creation and mode switches).
void SetBackBufferTarget(GfxRenderTargetView view, GfxDepthStencilView depthView);
void ResetRenderTargets();

// ---- [Viewports] ----
void SetViewport(const float viewport[6]);
void SetViewportFull();
void SetViewportRect(int x, int y, int width, int height);
void SetScreenWindow(int pixelFlag, float centreX, float centreY, float scaleX, float scaleY);
