// gfx_null.cpp - the null backend: every GL function of the table answers without a driver.
//
// Chosen with GfxUseNullBackend or ZKT_GFX_BACKEND=null (unit tests): the layer then runs its
// whole bookkeeping (objects, bindings, the state cache and its call counter) and draws
// nothing.  Creation calls hand out fresh names and report success; queries give the values
// of a small 4.5 device.
#include "platform/gfx_local.h"

#include <vector>

namespace {

GLuint g_nextName = 1;
std::vector<uint8_t> g_mapped;

template <class F>
struct Stub;
template <class R, class... A>
struct Stub<R (*)(A...)> {
  static R Call(A...) { return R(); }
};

void GenNames(GLsizei n, GLuint* names) {
  for (GLsizei i = 0; i < n; ++i) names[i] = g_nextName++;
}
GLuint NewName() { return g_nextName++; }
GLuint CreateShaderStub(GLenum) { return g_nextName++; }
const GLubyte* GetStringStub(GLenum) { return reinterpret_cast<const GLubyte*>("null device"); }
void GetIntegervStub(GLenum name, GLint* value) {
  switch (name) {
    case GL_MAJOR_VERSION: *value = 4; break;
    case GL_MINOR_VERSION: *value = 5; break;
    case GL_MAX_SAMPLES: *value = 4; break;
    default: *value = 16; break;
  }
}
void GetShaderivStub(GLuint, GLenum, GLint* value) { *value = GL_TRUE; }
void GetProgramivStub(GLuint, GLenum, GLint* value) { *value = GL_TRUE; }
GLenum CheckFramebufferStatusStub(GLenum) { return GL_FRAMEBUFFER_COMPLETE; }
void* MapBufferRangeStub(GLenum, GLintptr, GLsizeiptr length, GLbitfield) {
  g_mapped.resize(size_t(length));
  return g_mapped.data();
}
GLboolean UnmapBufferStub(GLenum) { return GL_TRUE; }

}  // namespace

void GfxGlLoadNullFunctions() {
#define GFX_GL_STUB(name, type) g_gl.name = &Stub<type>::Call;
  GFX_GL_FUNCTIONS(GFX_GL_STUB)
#undef GFX_GL_STUB
  g_gl.GenBuffers = GenNames;
  g_gl.GenTextures = GenNames;
  g_gl.GenSamplers = GenNames;
  g_gl.GenFramebuffers = GenNames;
  g_gl.GenVertexArrays = GenNames;
  g_gl.CreateShader = CreateShaderStub;
  g_gl.CreateProgram = NewName;
  g_gl.GetString = GetStringStub;
  g_gl.GetIntegerv = GetIntegervStub;
  g_gl.GetShaderiv = GetShaderivStub;
  g_gl.GetProgramiv = GetProgramivStub;
  g_gl.CheckFramebufferStatus = CheckFramebufferStatusStub;
  g_gl.MapBufferRange = MapBufferRangeStub;
  g_gl.UnmapBuffer = UnmapBufferStub;
  g_gl.calls = 0;
}
