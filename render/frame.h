// frame.h - the start of each drawn frame, the background picture, the off-screen render
// texture "RENDER~TX" with the full-screen quad that brings it to the screen, and the
// system render textures "MIRROR~T", "CLOCKS~T" and "INFO~T".
//
// Sections: [Frame flags] [Frame start] [Clear-mode stack] [Background picture]
//           [Render texture] [Full-screen quad] [System render textures] [Seams]
//
// The frame loop calls, per drawn frame: BeginRenderTargetMode (HDR or capture), then
// BeginFrameClear; later BeginFrame when nothing began the frame yet, DrawFullScreenQuad to
// finish the render texture, and DrawBackgroundPicture with the interface.  Main thread only.
#pragma once
#include <cstdint>

#include "render/buffers.h"

struct Material;
struct PostChain;
struct ZKTETexture;

// ---- [Frame flags] ----
extern int FrameBegun3D;      // set by the first frame start of a frame; cleared by the loop
extern int FrameDrawSkipped;  // the last presentation failed: nothing is cleared or drawn
extern float FullScreenQuadOffsets[2];
extern int BlueprintMode;     // Shift+F6: editors draw their wireframes white

// ---- [Frame start] ----
// What the current screen clears its frame to: 0 black (dark blue with the alternative
// background), 1 the colour word, 3 the view's background colour, anything else no clear.
struct FrameClearSettings {
  int mode = 0;
  uint32_t colour = 0xFF000000u;  // 0xAARRGGBB, mode 1
  float viewBackground[3] = {0, 0, 0};  // mode 3: the current view's background, linear
  int alternativeBackground = 0;
};
extern FrameClearSettings FrameClear;

// The linear colour a clear mode clears to; 0 when the mode does not clear.
int FrameClearColour(const FrameClearSettings& settings, float rgba[4]);
int BeginFrame();       // clears to black; 1 when the frame can be drawn
int BeginFrameClear();  // clears by FrameClear; 1 when the frame can be drawn
// Whether the target still holds nothing but the black clear of the last frame start: that
// start cleared it and nothing was drawn since.
int FrameStillBlack(GfxRenderTargetView target);
// The interface's frame begins with MarkSceneStart (ClearInterface); SceneDrawnSinceMark then
// tells whether a screen has drawn since (into the frame or any other target) or an editor
// has cleared the frame for its view: what lies behind the interface is the screen's picture,
// not the frame's plain clear.
void MarkSceneStart();
int SceneDrawnSinceMark();

// ---- [Clear-mode stack] ----
// Screens that clear their own frame push their clear mode on opening and pop it on closing
// (2 for the editors, which clear for themselves; 3 marks a full-screen sub-page); the frame
// clears by the top mode (FrameClear.mode).  Each entry keeps the mode it covered, so a pop
// gives it back.
constexpr int CLEAR_MODE_STACK_SIZE = 15;
struct ClearModeEntry {
  int mode;
  int covered;  // FrameClear.mode before the push
};
struct ClearModeStack {
  int depth;
  ClearModeEntry entries[CLEAR_MODE_STACK_SIZE];
};
extern ClearModeStack ScreenClearModes;
void PushClearMode(int mode);  // a push onto a full stack is skipped
void PopClearMode();           // never below 0
int TopClearMode();            // FrameClear.mode

// ---- [Background picture] ----
struct BackgroundPictureState {
  int switchedOff;                 // backgrounds are not drawn at all
  char loadedName[64];             // the name whose picture is loaded
  Material* material;              // its material (with its texture), or none
};
extern BackgroundPictureState Background;
// The picture's v range on a screen of the given aspect factor (height / width).
void BackgroundVRange(float aspectFactor, float* v0, float* v1);
void DrawBackgroundPicture();

// ---- [Render texture] ----
// Kinds: 1 normal (8-bit sRGB), 2 HDR (16-bit float), 5 the back buffer's size (HDR).
struct RenderTextureState {
  ZKTETexture* texture;  // "RENDER~TX"
  int width, height, kind;
  int waiting;           // pushed as the target, made when something first draws into it
  CircularVBuffer quad;  // 4 vertices, 2 triangles, static
  int quadMode = -1, quadWidth, quadHeight;  // what the quad was built for
};
extern RenderTextureState RenderTexture;

const char* CreateRenderTargetTexture(int width, int height, int kind);  // null, or an error text
void ReleaseRenderTargetTexture();
void ReleaseRenderTextureAndQuad();
// After the device went: the textures, quad and chains are gone with it; only the
// references are dropped.
void ForgetRenderTextures();
// Pushes the render texture of that size and kind as the target, made now when it does not
// exist; the kind, or 0.
int SetRenderTargetTexture(int width, int height, int kind);
// The same at the back buffer's size, kind 5, except that a texture not made yet waits for
// the first drawing into it (render_target.h's waiting target): the frame's HDR picture.
int SetScreenRenderTarget();
// The frame loop's target for modes 5 (HDR), 6 and 7 (3840 x 2160 capture, 8-bit or HDR).
void BeginRenderTargetMode(int mode);

// ---- [Full-screen quad] ----
// Quad mode 1 the whole target, 0 the whole target from the left half of the texture (the
// side-by-side eyes, with the anaglyph shader), 2 the 16:9 letterbox on a black target.
// Tone mode 0 as it is, 1 Reinhard, 2 gamma, 3 filmic (pixel shaders 4, 6, 5, 7; 1..3 with
// pixel row 11 = (ToneExposure squared, 0, 0, 0)).  The chain's post-processing runs first;
// for quad mode 1 as it is, unless captures read the render texture, the copy adds the bloom's
// level 0 itself and the render texture is left without it.
void DrawFullScreenQuad(int quadMode, int toneMode, PostChain* chain);
struct LetterboxRect {
  int left, top, width, height;
};
LetterboxRect GetLetterbox16x9(int backBufferWidth, int backBufferHeight);

// ---- [System render textures] ----
ZKTETexture* CreateMirrorTexture();  // found or made; null when the device refuses
ZKTETexture* CreateClocksTexture();
ZKTETexture* CreateInfoTexture();
// DrawInfoTex, the clock drawn into the info texture, is the interface's (ui/text_readouts.h).
void SplitClock(uint32_t milliseconds, int* hours, int* minutes, int* seconds);

// ---- [Seams] ----
extern float ToneExposure;  // the exposure of the tone curves, 1.0 until exposure is metered
// The race clock in milliseconds while a game session runs (0 without one, the editor's case).
extern int (*GetRaceClockMs)(uint32_t* milliseconds);
