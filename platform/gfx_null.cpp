// gfx_null.cpp - the null backend: every GL function of the table answers without a driver.
//
// Chosen with GfxUseNullBackend or ZKT_GFX_BACKEND=null (unit tests): the layer then runs its
// whole bookkeeping (objects, bindings, the state cache and its call counter) and draws
// nothing.  Creation calls hand out fresh names and report success; queries give the values
// of a small 4.5 device.  Buffers keep their bytes (writes, maps, copies and reads), so that
// tests can read back what was streamed into them.
#include "platform/gfx_local.h"

#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

GLuint g_nextName = 1;
std::unordered_map<GLenum, GLuint> g_boundBuffer;         // by target
std::unordered_map<GLuint, std::vector<uint8_t>> g_bytes;  // by buffer name

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
std::vector<uint8_t>& BytesOf(GLenum target) { return g_bytes[g_boundBuffer[target]]; }
// A range of the bound buffer, or null when it lies outside.
uint8_t* Range(GLenum target, GLintptr offset, GLsizeiptr size) {
  std::vector<uint8_t>& b = BytesOf(target);
  if (offset < 0 || size < 0 || size_t(offset) + size_t(size) > b.size()) return nullptr;
  return b.data() + offset;
}
void BindBufferStub(GLenum target, GLuint name) { g_boundBuffer[target] = name; }
void DeleteBuffersStub(GLsizei n, const GLuint* names) {
  for (GLsizei i = 0; i < n; ++i) g_bytes.erase(names[i]);
}
void BufferDataStub(GLenum target, GLsizeiptr size, const void* data, GLenum) {
  std::vector<uint8_t>& b = BytesOf(target);
  // Storage given again without data (a discarding map) keeps its undefined contents, as a
  // driver's fresh storage would: only new storage is cleared.
  if (!data && b.size() == size_t(size)) return;
  b.assign(size_t(size), 0);
  if (data) std::memcpy(b.data(), data, size_t(size));
}
void BufferSubDataStub(GLenum target, GLintptr offset, GLsizeiptr size, const void* data) {
  if (uint8_t* p = Range(target, offset, size)) std::memcpy(p, data, size_t(size));
}
void GetBufferSubDataStub(GLenum target, GLintptr offset, GLsizeiptr size, void* out) {
  if (uint8_t* p = Range(target, offset, size)) std::memcpy(out, p, size_t(size));
}
void CopyBufferSubDataStub(GLenum readTarget, GLenum writeTarget, GLintptr readOffset, GLintptr writeOffset,
                           GLsizeiptr size) {
  uint8_t* from = Range(readTarget, readOffset, size);
  uint8_t* to = Range(writeTarget, writeOffset, size);
  if (from && to) std::memmove(to, from, size_t(size));
}
void ClearBufferSubDataStub(GLenum target, GLenum, GLintptr offset, GLsizeiptr size, GLenum, GLenum,
                            const void* data) {
  uint8_t* p = Range(target, offset, size);
  if (!p) return;
  for (GLsizeiptr i = 0; i + 4 <= size; i += 4) std::memcpy(p + i, data, 4);
}
void* MapBufferRangeStub(GLenum target, GLintptr offset, GLsizeiptr length, GLbitfield) {
  return Range(target, offset, length);
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
  g_gl.BindBuffer = BindBufferStub;
  g_gl.DeleteBuffers = DeleteBuffersStub;
  g_gl.BufferData = BufferDataStub;
  g_gl.BufferSubData = BufferSubDataStub;
  g_gl.GetBufferSubData = GetBufferSubDataStub;
  g_gl.CopyBufferSubData = CopyBufferSubDataStub;
  g_gl.ClearBufferSubData = ClearBufferSubDataStub;
  g_gl.MapBufferRange = MapBufferRangeStub;
  g_gl.UnmapBuffer = UnmapBufferStub;
  g_gl.calls = 0;
}
