// gfx_window_part.cpp - whether a window can be shown a part of its picture at a time, and
// showing it: the presentation of a frame that changed only in a small rectangle.
//
// Two kinds of window keep what was not sent again: one whose buffer is the picture itself
// (SDL's offscreen windows draw into a buffer that swapping leaves alone), and an X window
// whose GL driver copies a rectangle of the back buffer to the window without swapping
// (GLX_MESA_copy_sub_buffer).  Any other kind is presented whole every time.
#include "platform/gfx_local.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <cstring>

namespace {

using QueryExtensions = const char* (*)(Display*, int);
using CopySubBuffer = void (*)(Display*, ::Window, int, int, int, int);

struct PartWindow {
  void* window = nullptr;
  GfxWindowPart kind = WINDOW_PART_NONE;
  Display* display = nullptr;
  ::Window xWindow = 0;
  CopySubBuffer copySubBuffer = nullptr;
};
PartWindow g_part;

bool HasWord(const char* list, const char* word) {
  const size_t n = std::strlen(word);
  for (const char* p = list ? std::strstr(list, word) : nullptr; p; p = std::strstr(p + 1, word))
    if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == 0)) return true;
  return false;
}

PartWindow Examine(void* window) {
  PartWindow w;
  w.window = window;
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!window || !driver || !GfxGlUsesSdl()) return w;
  if (std::strcmp(driver, "offscreen") == 0) {
    w.kind = WINDOW_PART_KEPT_BUFFER;
    return w;
  }
  if (std::strcmp(driver, "x11") != 0) return w;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(static_cast<SDL_Window*>(window), &info) || info.subsystem != SDL_SYSWM_X11) return w;
  auto query = reinterpret_cast<QueryExtensions>(SDL_GL_GetProcAddress("glXQueryExtensionsString"));
  auto copy = reinterpret_cast<CopySubBuffer>(SDL_GL_GetProcAddress("glXCopySubBufferMESA"));
  if (!query || !copy || !info.info.x11.display) return w;
  if (!HasWord(query(info.info.x11.display, XDefaultScreen(info.info.x11.display)), "GLX_MESA_copy_sub_buffer")) return w;
  w.kind = WINDOW_PART_COPY_SUB_BUFFER;
  w.display = info.info.x11.display;
  w.xWindow = info.info.x11.window;
  w.copySubBuffer = copy;
  return w;
}

}  // namespace

GfxWindowPart GfxWindowPartKind(void* window) {
  if (g_part.window != window) g_part = Examine(window);
  return g_part.kind;
}

void GfxShowWindowPart(void* window, int x, int y, int width, int height) {
  if (GfxWindowPartKind(window) == WINDOW_PART_COPY_SUB_BUFFER)
    g_part.copySubBuffer(g_part.display, g_part.xWindow, x, y, width, height);
}

void GfxForgetWindowPart() { g_part = PartWindow{}; }
