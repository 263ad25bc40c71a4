// gfx_gl.cpp - the one GL context and the table of GL functions the layer calls.
//
// With SDL's video running, the context belongs to a hidden SDL window and is made current on
// the program's window when a swap chain is made for it (that window needs the OpenGL flag).
// Without SDL video (tests, tools) the context is an EGL one without a window: surfaceless
// where the driver offers it, else on a small pbuffer.
#include "platform/gfx_local.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

GfxGlTable g_gl;

namespace {

struct GlContext {
  bool alive = false;
  bool null = false;
  bool sdl = false;
  SDL_Window* hidden = nullptr;
  SDL_GLContext sdlContext = nullptr;
  SDL_Window* current = nullptr;
  int swapInterval = -2;
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLContext eglContext = EGL_NO_CONTEXT;
  EGLSurface pbuffer = EGL_NO_SURFACE;
};
GlContext g_context;

using ProcLoader = void* (*)(const char*);

void* LoadSdlProc(const char* name) { return SDL_GL_GetProcAddress(name); }
void* LoadEglProc(const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); }

bool LoadFunctions(ProcLoader load, char* error, size_t errorSize) {
  bool ok = true;
#define GFX_GL_LOAD(name, type)                                                     \
  g_gl.name = reinterpret_cast<type>(load("gl" #name));                             \
  if (!g_gl.name && ok) {                                                           \
    std::snprintf(error, errorSize, "GL function gl%s is missing", #name);          \
    ok = false;                                                                     \
  }
  GFX_GL_FUNCTIONS(GFX_GL_LOAD)
#undef GFX_GL_LOAD
  g_gl.calls = 0;
  return ok;
}

bool CreateEglContext(char* error, size_t errorSize) {
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  EGLDisplay display = EGL_NO_DISPLAY;
  if (getPlatformDisplay) display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display == EGL_NO_DISPLAY) display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
  EGLint major = 0, minor = 0;
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
    std::snprintf(error, errorSize, "eglInitialize failed (0x%04x)", eglGetError());
    return false;
  }
  if (!eglBindAPI(EGL_OPENGL_API)) {
    std::snprintf(error, errorSize, "eglBindAPI failed (0x%04x)", eglGetError());
    eglTerminate(display);
    return false;
  }
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint configCount = 0;
  eglChooseConfig(display, configAttributes, &config, 1, &configCount);
  const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
  bool surfaceless = extensions && std::strstr(extensions, "EGL_KHR_surfaceless_context");
  bool noConfig = extensions && std::strstr(extensions, "EGL_KHR_no_config_context");
  if (configCount == 0 && !(surfaceless && noConfig)) {
    std::snprintf(error, errorSize, "no EGL configuration for OpenGL");
    eglTerminate(display);
    return false;
  }
  const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION, 4, EGL_CONTEXT_MINOR_VERSION, 3,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                      EGL_NONE};
  EGLContext context =
      eglCreateContext(display, configCount ? config : EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, contextAttributes);
  if (context == EGL_NO_CONTEXT) {
    std::snprintf(error, errorSize, "eglCreateContext failed (0x%04x)", eglGetError());
    eglTerminate(display);
    return false;
  }
  EGLSurface surface = EGL_NO_SURFACE;
  if (!surfaceless && configCount) {
    const EGLint pbufferAttributes[] = {EGL_WIDTH, 16, EGL_HEIGHT, 16, EGL_NONE};
    surface = eglCreatePbufferSurface(display, config, pbufferAttributes);
  }
  if (!eglMakeCurrent(display, surface, surface, context)) {
    std::snprintf(error, errorSize, "eglMakeCurrent failed (0x%04x)", eglGetError());
    if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
    eglDestroyContext(display, context);
    eglTerminate(display);
    return false;
  }
  g_context.display = display;
  g_context.eglContext = context;
  g_context.pbuffer = surface;
  g_context.sdl = false;
  return true;
}

bool CreateSdlContext(char* error, size_t errorSize) {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);  // drawing goes to the layer's own targets
  SDL_Window* hidden = SDL_CreateWindow("gfx", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!hidden) {
    std::snprintf(error, errorSize, "SDL_CreateWindow failed: %s", SDL_GetError());
    return false;
  }
  SDL_GLContext context = SDL_GL_CreateContext(hidden);
  if (!context) {
    std::snprintf(error, errorSize, "SDL_GL_CreateContext failed: %s", SDL_GetError());
    SDL_DestroyWindow(hidden);
    return false;
  }
  g_context.hidden = hidden;
  g_context.sdlContext = context;
  g_context.current = hidden;
  g_context.sdl = true;
  return true;
}

bool g_useNull = false;

}  // namespace

void GfxGlLoadNullFunctions();

void GfxUseNullBackend(bool on) { g_useNull = on; }

bool GfxNullBackend() {
  const char* env = std::getenv("ZKT_GFX_BACKEND");
  return g_useNull || (env && std::strcmp(env, "null") == 0);
}

bool GfxGlCreateContext(char* error, size_t errorSize) {
  if (g_context.alive) return true;
  if (GfxNullBackend()) {
    GfxGlLoadNullFunctions();
    g_context.alive = true;
    g_context.null = true;
    return true;
  }
  bool useSdl = SDL_WasInit(SDL_INIT_VIDEO) != 0;
  if (useSdl ? !CreateSdlContext(error, errorSize) : !CreateEglContext(error, errorSize)) return false;
  if (!LoadFunctions(useSdl ? LoadSdlProc : LoadEglProc, error, errorSize)) {
    g_context.alive = true;
    GfxGlDestroyContext();
    return false;
  }
  GLint major = 0, minor = 0;
  g_gl.GetIntegerv(GL_MAJOR_VERSION, &major);
  g_gl.GetIntegerv(GL_MINOR_VERSION, &minor);
  if (major * 10 + minor < 43) {
    std::snprintf(error, errorSize, "OpenGL 4.3 is needed, the driver gives %d.%d", major, minor);
    g_context.alive = true;
    GfxGlDestroyContext();
    return false;
  }
  g_context.alive = true;
  return true;
}

void GfxGlDestroyContext() {
  if (!g_context.alive) return;
  if (g_context.null) {
    // nothing was made
  } else if (g_context.sdl) {
    SDL_GL_MakeCurrent(nullptr, nullptr);
    SDL_GL_DeleteContext(g_context.sdlContext);
    SDL_DestroyWindow(g_context.hidden);
  } else {
    eglMakeCurrent(g_context.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (g_context.pbuffer != EGL_NO_SURFACE) eglDestroySurface(g_context.display, g_context.pbuffer);
    eglDestroyContext(g_context.display, g_context.eglContext);
    eglTerminate(g_context.display);
  }
  g_context = GlContext();
}

bool GfxGlContextExists() { return g_context.alive; }
bool GfxGlUsesSdl() { return g_context.alive && g_context.sdl; }

bool GfxGlBindWindow(void* window) {
  if (g_context.null) return true;
  if (!g_context.alive || !g_context.sdl) return window == nullptr;
  SDL_Window* target = window ? static_cast<SDL_Window*>(window) : g_context.hidden;
  if (target == g_context.current) return true;
  if (SDL_GL_MakeCurrent(target, g_context.sdlContext) != 0) return false;
  g_context.current = target;
  return true;
}

void GfxGlSwapWindow(void* window) {
  if (g_context.sdl && window) SDL_GL_SwapWindow(static_cast<SDL_Window*>(window));
}

void GfxGlSetSwapInterval(int interval) {
  // Virtual displays refuse vertical sync; presenting goes on without it.
  if (!g_context.sdl || g_context.swapInterval == interval) return;
  SDL_GL_SetSwapInterval(interval);
  g_context.swapInterval = interval;
}

void GfxGlWindowClientSize(void* window, int* width, int* height) {
  if (window && g_context.sdl) {
    SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(window), width, height);
  } else if (window) {
    SDL_GetWindowSize(static_cast<SDL_Window*>(window), width, height);
  }
}

void* GfxNativeContext() {
  if (!g_context.alive || g_context.null) return nullptr;
  return g_context.sdl ? static_cast<void*>(g_context.sdlContext) : static_cast<void*>(g_context.eglContext);
}

void* GfxGetProcAddress(const char* name) {
  if (!g_context.alive || g_context.null || !name) return nullptr;
  return g_context.sdl ? LoadSdlProc(name) : LoadEglProc(name);
}
