// gfx_compiler_warm_up.cpp - the driver's shader compiler set up on a thread of its own.
//
// The thread makes a context without a window (an EGL display of its own, surfaceless),
// compiles one small vertex shader, which sets the compiler up, and holds the context until it
// is told to let go; the context of the device, made meanwhile on the main thread, then
// compiles without that set-up.  The thread calls EGL and GL through its own function
// pointers: the layer's table belongs to the device's context and the main thread.
#include "platform/gfx_local.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

struct WarmUp {
  std::mutex mutex;
  std::condition_variable told;
  bool end = false;
  std::thread thread;
};
WarmUp g_warmUp;

bool Ended() {
  std::lock_guard<std::mutex> lock(g_warmUp.mutex);
  return g_warmUp.end;
}

void CompileSmallShader() {
  auto createShader = reinterpret_cast<PFNGLCREATESHADERPROC>(eglGetProcAddress("glCreateShader"));
  auto shaderSource = reinterpret_cast<PFNGLSHADERSOURCEPROC>(eglGetProcAddress("glShaderSource"));
  auto compileShader = reinterpret_cast<PFNGLCOMPILESHADERPROC>(eglGetProcAddress("glCompileShader"));
  auto getShaderiv = reinterpret_cast<PFNGLGETSHADERIVPROC>(eglGetProcAddress("glGetShaderiv"));
  auto deleteShader = reinterpret_cast<PFNGLDELETESHADERPROC>(eglGetProcAddress("glDeleteShader"));
  if (!createShader || !shaderSource || !compileShader || !getShaderiv || !deleteShader) return;
  static const char SOURCE[] = "#version 430 core\nvoid main() { gl_Position = vec4(0.0); }\n";
  const GLchar* text = SOURCE;
  const GLuint shader = createShader(GL_VERTEX_SHADER);
  shaderSource(shader, 1, &text, nullptr);
  compileShader(shader);
  GLint ok = 0;
  getShaderiv(shader, GL_COMPILE_STATUS, &ok);  // waits for the compile wherever it runs
  deleteShader(shader);
}

void Run() {
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  EGLDisplay display = getPlatformDisplay && !Ended()
                           ? getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr)
                           : EGL_NO_DISPLAY;
  // A display some other part of the program has started already is used, not ended, here.
  const bool ours = display != EGL_NO_DISPLAY && !eglQueryString(display, EGL_VENDOR);
  EGLContext context = EGL_NO_CONTEXT;
  if (display != EGL_NO_DISPLAY && eglInitialize(display, nullptr, nullptr) && eglBindAPI(EGL_OPENGL_API)) {
    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    if (extensions && std::strstr(extensions, "EGL_KHR_surfaceless_context") &&
        std::strstr(extensions, "EGL_KHR_no_config_context") && !Ended()) {
      const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 4, EGL_CONTEXT_MINOR_VERSION, 3,
                                   EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
      context = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
    }
    if (context != EGL_NO_CONTEXT && eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context) && !Ended())
      CompileSmallShader();
  }
  {
    std::unique_lock<std::mutex> lock(g_warmUp.mutex);
    g_warmUp.told.wait(lock, [] { return g_warmUp.end; });
  }
  if (context != EGL_NO_CONTEXT) {
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(display, context);
  }
  if (ours) eglTerminate(display);
  eglReleaseThread();
}

}  // namespace

void GfxStartCompilerWarmUp() {
  if (GfxNullBackend() || g_warmUp.thread.joinable()) return;
  g_warmUp.end = false;
  g_warmUp.thread = std::thread(Run);
}

void GfxEndCompilerWarmUp() {
  {
    std::lock_guard<std::mutex> lock(g_warmUp.mutex);
    g_warmUp.end = true;
  }
  g_warmUp.told.notify_all();
}

void GfxJoinCompilerWarmUp() {
  GfxEndCompilerWarmUp();
  if (g_warmUp.thread.joinable()) g_warmUp.thread.join();
}
