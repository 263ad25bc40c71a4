// gfx_swap_chain.cpp - the swap chain: a back-buffer texture the renderer draws into, shown
// by copying it to the window (rows flipped, since GL's window origin is the lower left).
// The first frame is drawn in the window itself where it can be (FirstFrameInWindow).
//
// Without a window the swap chain is headless: presentation only flushes, and the "client
// size" is the one set by GfxSetHeadlessClientSize or by ResizeTarget.
#include "platform/gfx_local.h"

#include <SDL.h>

#include <algorithm>

namespace {

struct SwapChainObj {
  bool live = false;
  GfxSwapChainDesc desc;
  uint32_t backBuffer = 0;  // texture id; the swap chain holds one reference
  bool fullscreen = false;
  int headlessWidth = 0, headlessHeight = 0;
  // The window shows the whole of the last presented frame, at this drawable size: the next
  // frame may send only what changed.
  bool shown = false;
  int shownWidth = 0, shownHeight = 0;
};
constexpr int MAX_SWAP_CHAINS = 2;
SwapChainObj g_swapChains[MAX_SWAP_CHAINS];
int g_headlessWidth = 800, g_headlessHeight = 600;

SwapChainObj* Get(uint32_t id) {
  if (id == 0 || id > MAX_SWAP_CHAINS || !g_swapChains[id - 1].live) return nullptr;
  return &g_swapChains[id - 1];
}

void ClientSize(const SwapChainObj& s, uint32_t* w, uint32_t* h) {
  int cw = s.headlessWidth, ch = s.headlessHeight;
  if (s.desc.outputWindow) GfxGlWindowClientSize(s.desc.outputWindow, &cw, &ch);
  *w = uint32_t(std::max(cw, 1));
  *h = uint32_t(std::max(ch, 1));
}

// Whether the first frame can be drawn in the window itself: one swap chain, on a window of the
// buffer's size whose framebuffer encodes sRGB as the buffer's sRGB view does.  Drawn there,
// the first frame needs neither the buffer's storage (which a software driver clears on
// creation) nor the present pass: the buffer takes storage once something else needs it.
// (A window resized before the first present, as a full-screen start does, gives the buffer
// storage of its own at the next draw.)
bool FirstFrameInWindow(const SwapChainObj& s, uint32_t width, uint32_t height) {
  if (!s.desc.outputWindow || !GfxGlUsesSdl() || s.desc.bufferDesc.format != GFX_FORMAT_R8G8B8A8_UNORM) return false;
  for (const SwapChainObj& other : g_swapChains)
    if (other.live) return false;
  int drawableWidth = 0, drawableHeight = 0;
  SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(s.desc.outputWindow), &drawableWidth, &drawableHeight);
  if (uint32_t(drawableWidth) != width || uint32_t(drawableHeight) != height) return false;
  GL(BindFramebuffer)(GL_DRAW_FRAMEBUFFER, 0);
  g_gfx.gl.drawFbo = 0;
  g_gfx.dirty |= DIRTY_TARGETS;
  GLint encoding = 0;
  GL(GetFramebufferAttachmentParameteriv)(GL_DRAW_FRAMEBUFFER, GL_BACK_LEFT, GL_FRAMEBUFFER_ATTACHMENT_COLOR_ENCODING,
                                          &encoding);
  return encoding == GL_SRGB;
}

GfxResult MakeBackBuffer(SwapChainObj& s, uint32_t width, uint32_t height, bool inWindow) {
  GfxTexture2DDesc d;
  d.width = width;
  d.height = height;
  d.format = s.desc.bufferDesc.format;
  d.bindFlags = GFX_BIND_RENDER_TARGET | GFX_BIND_SHADER_RESOURCE;
  GfxTexture2D t;
  if (inWindow) {
    t.id = GfxAddWindowBuffer(d);
    g_gfx.bufferWindow = s.desc.outputWindow;
    g_gfx.windowHeight = height;
    g_gfx.drawnInWindow = false;
  } else {
    GfxResult r = GfxCreateTexture2D(GfxDevice{1}, d, nullptr, &t);
    if (GfxFailed(r)) return r;
  }
  s.backBuffer = t.id;
  s.desc.bufferDesc.width = width;
  s.desc.bufferDesc.height = height;
  return GFX_OK;
}

// Makes the window's own framebuffer the one drawn to, whole: no scissor, every channel.
void BindWholeWindow() {
  GL(BindFramebuffer)(GL_DRAW_FRAMEBUFFER, 0);
  g_gfx.gl.drawFbo = 0;
  g_gfx.dirty |= DIRTY_TARGETS;
  if (g_gfx.gl.scissorOn) {
    GL(Disable)(GL_SCISSOR_TEST);
    g_gfx.gl.scissorOn = false;
    g_gfx.dirty |= DIRTY_RASTER;
  }
  if (g_gfx.gl.colorMask != 0xF) {
    GL(ColorMask)(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    g_gfx.gl.colorMask = 0xF;
  }
}

// Clears the window's own framebuffer and sends the clear on without waiting.  A software
// driver gives a window its storage untouched: left to the first present, whose pass reads
// and writes it from all the rasteriser's threads at once, its pages cost that present more
// than ten milliseconds (every thread waiting on the others' faults).  Cleared here, the
// storage is written while the device is still being set up.  (A clear of one buffer,
// ClearBuffer, leaves a window's storage unmade: only a whole clear makes it.)
void ClearWindow() {
  BindWholeWindow();
  GL(ClearColor)(0.0f, 0.0f, 0.0f, 1.0f);
  GL(Clear)(GL_COLOR_BUFFER_BIT);
  GL(Flush)();
}

}  // namespace

void GfxSetHeadlessClientSize(int width, int height) {
  g_headlessWidth = width;
  g_headlessHeight = height;
}

GfxResult GfxCreateSwapChain(GfxFactory, GfxDevice device, const GfxSwapChainDesc& desc, GfxSwapChain* out) {
  *out = GfxSwapChain{};
  if (!device.id || !g_gfx.deviceAlive) return GFX_ERROR_INVALID_CALL;
  GfxFormat format = desc.bufferDesc.format;
  if (format != GFX_FORMAT_R8G8B8A8_UNORM && format != GFX_FORMAT_B8G8R8A8_UNORM &&
      format != GFX_FORMAT_R8G8B8A8_UNORM_SRGB && format != GFX_FORMAT_B8G8R8A8_UNORM_SRGB &&
      format != GFX_FORMAT_R16G16B16A16_FLOAT && format != GFX_FORMAT_R10G10B10A2_UNORM)
    return GFX_E_INVALIDARG;
  if (desc.sampleDesc.count > 1) return GFX_E_INVALIDARG;  // multisampling is done in render textures
  int slot = 0;
  while (slot < MAX_SWAP_CHAINS && g_swapChains[slot].live) ++slot;
  if (slot == MAX_SWAP_CHAINS) return GFX_E_OUTOFMEMORY;
  if (!GfxGlBindWindow(desc.outputWindow)) return GFX_E_FAIL;  // the window was made without OpenGL
  SwapChainObj& s = g_swapChains[slot];
  s = SwapChainObj();
  s.desc = desc;
  s.headlessWidth = g_headlessWidth;
  s.headlessHeight = g_headlessHeight;
  uint32_t w = desc.bufferDesc.width, h = desc.bufferDesc.height;
  uint32_t cw, ch;
  ClientSize(s, &cw, &ch);
  if (w == 0) w = cw;
  if (h == 0) h = ch;
  if (desc.outputWindow) ClearWindow();
  GfxResult r = MakeBackBuffer(s, w, h, FirstFrameInWindow(s, w, h));
  if (GfxFailed(r)) return r;
  s.live = true;
  if (!desc.windowed) GfxSwapChainSetFullscreenState(GfxSwapChain{uint32_t(slot + 1)}, 1, GfxOutput{});
  out->id = uint32_t(slot + 1);
  return GFX_OK;
}

GfxResult GfxMakeWindowAssociation(GfxFactory, void*, uint32_t) {
  return GFX_OK;  // window keys never switch modes behind the program's back here
}

void GfxRelease(GfxSwapChain& swapChain) {
  if (SwapChainObj* s = Get(swapChain.id)) {
    if (s->fullscreen && s->desc.outputWindow) SDL_SetWindowFullscreen(static_cast<SDL_Window*>(s->desc.outputWindow), 0);
    GfxTexture2D t{s->backBuffer};
    GfxRelease(t);
    GfxGlBindWindow(nullptr);
    GfxForgetWindowPart();
    *s = SwapChainObj();
  }
  swapChain = GfxSwapChain{};
}

GfxResult GfxSwapChainGetBuffer(GfxSwapChain swapChain, uint32_t index, GfxTexture2D* out) {
  *out = GfxTexture2D{};
  SwapChainObj* s = Get(swapChain.id);
  if (!s || index != 0) return GFX_ERROR_INVALID_CALL;
  GfxTextureObj* t = g_gfx.textures.Get(s->backBuffer);
  if (!t) return GFX_E_FAIL;
  ++t->refs;
  out->id = s->backBuffer;
  return GFX_OK;
}

GfxResult GfxSwapChainGetDesc(GfxSwapChain swapChain, GfxSwapChainDesc* out) {
  SwapChainObj* s = Get(swapChain.id);
  if (!s) return GFX_ERROR_INVALID_CALL;
  *out = s->desc;
  out->windowed = s->fullscreen ? 0 : 1;
  return GFX_OK;
}

GfxResult GfxSwapChainResizeBuffers(GfxSwapChain swapChain, uint32_t, uint32_t width, uint32_t height,
                                    GfxFormat format, uint32_t flags) {
  SwapChainObj* s = Get(swapChain.id);
  if (!s) return GFX_ERROR_INVALID_CALL;
  GfxTextureObj* t = g_gfx.textures.Get(s->backBuffer);
  if (t && t->refs > 1) return GFX_ERROR_INVALID_CALL;  // views of the old buffer are still held
  uint32_t cw, ch;
  ClientSize(*s, &cw, &ch);
  if (width == 0) width = cw;
  if (height == 0) height = ch;
  GfxTexture2D old{s->backBuffer};
  GfxRelease(old);
  s->backBuffer = 0;
  s->shown = false;
  if (format != GFX_FORMAT_UNKNOWN) s->desc.bufferDesc.format = format;
  s->desc.flags = flags;
  if (s->desc.outputWindow && GfxGlBindWindow(s->desc.outputWindow)) ClearWindow();
  return MakeBackBuffer(*s, width, height, false);
}

GfxResult GfxSwapChainResizeTarget(GfxSwapChain swapChain, const GfxModeDesc& mode) {
  SwapChainObj* s = Get(swapChain.id);
  if (!s) return GFX_ERROR_INVALID_CALL;
  if (!s->desc.outputWindow) {
    s->headlessWidth = int(mode.width);
    s->headlessHeight = int(mode.height);
    return GFX_OK;
  }
  SDL_Window* window = static_cast<SDL_Window*>(s->desc.outputWindow);
  if (s->fullscreen) {
    SDL_DisplayMode want{}, got{};
    want.w = int(mode.width);
    want.h = int(mode.height);
    want.refresh_rate = mode.refreshRate.denominator ? int(mode.refreshRate.numerator / mode.refreshRate.denominator) : 0;
    if (!SDL_GetClosestDisplayMode(SDL_GetWindowDisplayIndex(window), &want, &got)) return GFX_ERROR_UNSUPPORTED;
    if (SDL_SetWindowDisplayMode(window, &got) != 0) return GFX_E_FAIL;
  } else {
    SDL_SetWindowSize(window, int(mode.width), int(mode.height));
  }
  return GFX_OK;
}

GfxResult GfxSwapChainSetFullscreenState(GfxSwapChain swapChain, int32_t fullscreen, GfxOutput) {
  SwapChainObj* s = Get(swapChain.id);
  if (!s) return GFX_ERROR_INVALID_CALL;
  if (s->desc.outputWindow &&
      SDL_SetWindowFullscreen(static_cast<SDL_Window*>(s->desc.outputWindow), fullscreen ? SDL_WINDOW_FULLSCREEN : 0) != 0)
    return GFX_ERROR_NOT_CURRENTLY_AVAILABLE;
  s->fullscreen = fullscreen != 0;
  return GFX_OK;
}

GfxResult GfxSwapChainGetFullscreenState(GfxSwapChain swapChain, int32_t* fullscreen) {
  SwapChainObj* s = Get(swapChain.id);
  if (!s) return GFX_ERROR_INVALID_CALL;
  if (s->desc.outputWindow)
    *fullscreen = (SDL_GetWindowFlags(static_cast<SDL_Window*>(s->desc.outputWindow)) & SDL_WINDOW_FULLSCREEN) ? 1 : 0;
  else
    *fullscreen = s->fullscreen ? 1 : 0;
  return GFX_OK;
}

// ---- [Presentation] ----
// The back buffer reaches the window through one triangle drawn with a program of its own.
// A software driver builds its blit pass the first time a blit is asked for, which costs
// more than compiling this program (most of a first frame).  The buffer already holds
// encoded bytes: they are read without sRGB decoding and written as they are, its top row
// to the window's top.  The pass hands its pixel program the interface's own inputs, a
// colour (white: a texel times 1 is the texel) and then a texture position, each read whole:
// a software driver builds its triangle set-up code once per kind of input, and the first
// frame then reuses the interface's instead of building another (some milliseconds).

namespace {

constexpr GLenum TEXTURE_SRGB_DECODE = 0x8A48;  // EXT_texture_sRGB_decode
constexpr GLenum SKIP_DECODE = 0x8A4A;

// The white is worked out from the vertex number, each component apart: a constant or a
// uniform would be moved into the pixel program, which would then read other inputs.
const char* const PRESENT_VERTEX = R"(#version 430 core
out vec4 vColour;
out vec2 vUv;
void main() {
  vec2 corner = vec2(float((gl_VertexID & 1) * 4 - 1), float((gl_VertexID & 2) * 2 - 1));
  vColour = vec4(float(gl_VertexID < 3), float(gl_VertexID < 4), float(gl_VertexID < 5), float(gl_VertexID < 6));
  vUv = corner * 0.5 + 0.5;
  gl_Position = vec4(corner, 0.0, 1.0);
}
)";
const char* const PRESENT_PIXEL = R"(#version 430 core
layout(binding = 9) uniform sampler2D backBuffer;
in vec4 vColour;
in vec2 vUv;
out vec4 colour;
void main() { colour = texture(backBuffer, vUv) * vColour; }
)";

bool g_presentByBlit = false;

// The pass's program and samplers, made once per device; false when they cannot be made.
bool PresentPassReady() {
  if (g_gfx.presentTried) return g_gfx.presentProgram != 0;
  g_gfx.presentTried = true;
  const GLuint program = GfxLinkSources(PRESENT_VERTEX, PRESENT_PIXEL);
  if (!program) return false;
  g_gfx.presentProgram = program;
  GL(GenSamplers)(2, g_gfx.presentSampler);
  for (int i = 0; i < 2; ++i) {
    const GLint filter = i == 0 ? GL_NEAREST : GL_LINEAR;
    GL(SamplerParameteri)(g_gfx.presentSampler[i], GL_TEXTURE_MIN_FILTER, filter);
    GL(SamplerParameteri)(g_gfx.presentSampler[i], GL_TEXTURE_MAG_FILTER, filter);
    GL(SamplerParameteri)(g_gfx.presentSampler[i], GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    GL(SamplerParameteri)(g_gfx.presentSampler[i], GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    GL(SamplerParameteri)(g_gfx.presentSampler[i], TEXTURE_SRGB_DECODE, SKIP_DECODE);
  }
  return true;
}

// Draws the back buffer over the window's framebuffer; false when the pass cannot be made.
// GL's state and the layer's record of it are put back to their defaults afterwards.
// With a part (GL's window rows, from the bottom), only that part of the window is drawn.
bool DrawToWindow(const GfxTextureObj& buffer, int width, int height, const GLint* part) {
  if (g_presentByBlit || !PresentPassReady()) return false;
  GfxSetWindowOrigin(false);
  GL(BindFramebuffer)(GL_FRAMEBUFFER, 0);
  GL(Disable)(GL_FRAMEBUFFER_SRGB);
  GL(Disable)(GL_BLEND);
  GL(Disable)(GL_DEPTH_TEST);
  GL(Disable)(GL_STENCIL_TEST);
  GL(Disable)(GL_CULL_FACE);
  GL(Disable)(GL_SCISSOR_TEST);
  GL(ColorMask)(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  GL(PolygonMode)(GL_FRONT_AND_BACK, GL_FILL);
  GL(ViewportIndexedf)(0, 0.0f, 0.0f, float(width), float(height));
  GL(UseProgram)(g_gfx.presentProgram);
  GL(BindVertexArray)(g_gfx.emptyLayout.vao);
  GL(ActiveTexture)(GL_TEXTURE0 + GFX_SCRATCH_UNIT);
  GL(BindTexture)(GL_TEXTURE_2D, buffer.gl);
  const bool sameSize = int(buffer.desc.width) == width && int(buffer.desc.height) == height;
  GL(BindSampler)(GFX_SCRATCH_UNIT, g_gfx.presentSampler[sameSize ? 0 : 1]);
  if (part) {
    GL(Enable)(GL_SCISSOR_TEST);
    GL(ScissorIndexed)(0, part[0], part[1], part[2], part[3]);
  }
  GL(DrawArrays)(GL_TRIANGLES, 0, 3);
  GL(BindSampler)(GFX_SCRATCH_UNIT, 0);
  GL(Enable)(GL_FRAMEBUFFER_SRGB);
  GfxResetGlState(GfxContext{1});
  return true;
}

// The same by a blit, where the pass cannot be made.  A part is only sent at the buffer's
// own size: its rows turned over, the buffer's rectangle is the window's.
void BlitToWindow(const GfxTextureObj& buffer, int width, int height, const GLint* part) {
  GfxAttachForCopy(GL_READ_FRAMEBUFFER, buffer, 0);
  BindWholeWindow();
  GL(Disable)(GL_FRAMEBUFFER_SRGB);
  const GLint w = GLint(buffer.desc.width), h = GLint(buffer.desc.height);
  if (part) {
    const GLint left = part[0], right = part[0] + part[2], top = h - (part[1] + part[3]), bottom = h - part[1];
    GL(BlitFramebuffer)(left, top, right, bottom, left, h - top, right, h - bottom, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  } else {
    GL(BlitFramebuffer)(0, 0, w, h, 0, height, width, 0, GL_COLOR_BUFFER_BIT,
                        (w == width && h == height) ? GL_NEAREST : GL_LINEAR);
  }
  GL(Enable)(GL_FRAMEBUFFER_SRGB);
}

uint64_t g_partPresents = 0;

// The part of the window a frame that changed only within 'changed' must send (GL's window
// rows, from the bottom: x, y, width, height), or false when it must be presented whole.
bool PartToSend(const SwapChainObj& s, const GfxTextureObj& buffer, int width, int height, const GfxRect& changed,
                GLint part[4]) {
  if (!s.shown || buffer.window || s.shownWidth != width || s.shownHeight != height ||
      int(buffer.desc.width) != width || int(buffer.desc.height) != height)
    return false;
  if (GfxWindowPartKind(s.desc.outputWindow) == WINDOW_PART_NONE) return false;
  const GfxRect r{std::clamp(changed.left, 0, width), std::clamp(changed.top, 0, height),
                  std::clamp(changed.right, 0, width), std::clamp(changed.bottom, 0, height)};
  const int64_t w = std::max(r.right - r.left, 0), h = std::max(r.bottom - r.top, 0);
  // A large part saves little: the whole is sent, as any other frame.
  if (w * h * 2 > int64_t(width) * height) return false;
  part[0] = r.left;
  part[1] = height - r.bottom;
  part[2] = GLint(w);
  part[3] = GLint(h);
  return true;
}

}  // namespace

void GfxPresentByBlit(bool on) { g_presentByBlit = on; }

bool GfxReadWindowPixel(void* window, int x, int y, uint8_t rgba[4]) {
  if (!window || !GfxGlUsesSdl() || !GfxGlBindWindow(window)) return false;
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(window), &width, &height);
  if (x < 0 || y < 0 || x >= width || y >= height) return false;
  GL(BindFramebuffer)(GL_READ_FRAMEBUFFER, 0);
  GL(ReadBuffer)(GL_BACK);
  GL(ReadPixels)(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  g_gfx.dirty |= DIRTY_TARGETS;
  return true;
}

namespace {

// A presentation, of the part that changed when there is one (null: the whole frame).
GfxResult Present(GfxSwapChain swapChain, uint32_t syncInterval, const GfxRect* changed) {
  SwapChainObj* s = Get(swapChain.id);
  if (!s) return GFX_ERROR_INVALID_CALL;
  if (g_gfx.presentFault != GFX_OK) {
    s->shown = false;
    return g_gfx.presentFault;
  }
  if (!s->desc.outputWindow) {
    GL(Flush)();
    return GFX_OK;
  }
  SDL_Window* window = static_cast<SDL_Window*>(s->desc.outputWindow);
  if (SDL_GetWindowFlags(window) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN)) {
    s->shown = false;
    return GFX_STATUS_OCCLUDED;
  }
  GfxTextureObj* t = g_gfx.textures.Get(s->backBuffer);
  if (!t) return GFX_E_FAIL;
  GfxGlBindWindow(window);
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(window, &dw, &dh);
  GLint part[4];
  if (changed && PartToSend(*s, *t, dw, dh, *changed, part)) {
    if (part[2] > 0 && part[3] > 0) {
      if (!DrawToWindow(*t, dw, dh, part)) BlitToWindow(*t, dw, dh, part);
      if (GfxWindowPartKind(window) == WINDOW_PART_COPY_SUB_BUFFER)
        GfxShowWindowPart(window, part[0], part[1], part[2], part[3]);
      else
        GfxGlSwapWindow(window);
    }
    ++g_partPresents;
    return GFX_OK;
  }
  s->shown = true;
  s->shownWidth = dw;
  s->shownHeight = dh;
  if (t->window) {
    // Drawn in the window itself (or nothing drawn since): shown as it is.  What the buffer
    // holds after a present is nothing to rely on: it is given storage, empty, when next used.
    // GL is left at its defaults, as the present pass leaves it.
    t->window = WINDOW_SHOWN;
    g_gfx.drawnInWindow = false;
    GfxResetGlState(GfxContext{1});
    // The buffer takes storage of its own once next drawn: the window's picture is not in it.
    s->shown = false;
  } else {
    if (!DrawToWindow(*t, dw, dh, nullptr)) BlitToWindow(*t, dw, dh, nullptr);
  }
  GfxGlSetSwapInterval(syncInterval ? 1 : 0);
  GfxGlSwapWindow(window);
  return GFX_OK;
}

}  // namespace

GfxResult GfxSwapChainPresent(GfxSwapChain swapChain, uint32_t syncInterval, uint32_t) {
  return Present(swapChain, syncInterval, nullptr);
}

GfxResult GfxSwapChainPresentPart(GfxSwapChain swapChain, uint32_t syncInterval, const GfxRect& changed) {
  return Present(swapChain, syncInterval, &changed);
}

void GfxWindowExposed() {
  for (SwapChainObj& s : g_swapChains) s.shown = false;
}

uint64_t GfxPartPresentCount() { return g_partPresents; }
