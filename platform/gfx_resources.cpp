// gfx_resources.cpp - the device: buffers, textures, views, state objects, shaders, layouts.
//
// Implemented: [X] 2D textures with levels, multisampled targets, staging copies
//              [X] views that reinterpret the format (sRGB twins) through texture views
//              [X] blend, rasterizer, depth-stencil, sampler states
//              [X] GLSL vertex, pixel, compute shaders; layouts as vertex-array objects
// Not:         [ ] texture arrays, cube maps, 1D/3D textures, typed buffer views
#include "platform/gfx_local.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

GfxState g_gfx;
extern int g_gfxContextUsers;

namespace {

char g_shaderLog[2048];

constexpr GLenum GL_MAX_ANISOTROPY_VALUE = 0x84FF;  // GL_MAX_TEXTURE_MAX_ANISOTROPY
constexpr GLenum GL_TEXTURE_ANISOTROPY = 0x84FE;    // GL_TEXTURE_MAX_ANISOTROPY

uint32_t FullChain(uint32_t w, uint32_t h) {
  uint32_t levels = 1;
  while (w > 1 || h > 1) {
    w = std::max(w >> 1, 1u);
    h = std::max(h >> 1, 1u);
    ++levels;
  }
  return levels;
}

void ApplySwizzle(GLenum target, uint8_t swizzle) {
  if (swizzle == 1) {  // alpha-only formats read as (0, 0, 0, a)
    GL(TexParameteri)(target, GL_TEXTURE_SWIZZLE_R, GL_ZERO);
    GL(TexParameteri)(target, GL_TEXTURE_SWIZZLE_G, GL_ZERO);
    GL(TexParameteri)(target, GL_TEXTURE_SWIZZLE_B, GL_ZERO);
    GL(TexParameteri)(target, GL_TEXTURE_SWIZZLE_A, GL_RED);
  } else if (swizzle == 2) {  // X8 formats: whatever the padding byte holds, alpha is one
    GL(TexParameteri)(target, GL_TEXTURE_SWIZZLE_A, GL_ONE);
  }
}

bool IsIdentitySwizzle(const uint8_t swizzle[4]) {
  return swizzle[0] == GFX_SWIZZLE_R && swizzle[1] == GFX_SWIZZLE_G && swizzle[2] == GFX_SWIZZLE_B &&
         swizzle[3] == GFX_SWIZZLE_A;
}

// The texture's own swizzle replaces the format's (the formats that have one, A8 and X8,
// are never given another).
void ApplyTextureSwizzle(GLenum target, const uint8_t swizzle[4]) {
  static const GLint SOURCES[6] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA, GL_ZERO, GL_ONE};
  static const GLenum CHANNELS[4] = {GL_TEXTURE_SWIZZLE_R, GL_TEXTURE_SWIZZLE_G, GL_TEXTURE_SWIZZLE_B,
                                     GL_TEXTURE_SWIZZLE_A};
  for (int c = 0; c < 4; ++c) GL(TexParameteri)(target, CHANNELS[c], SOURCES[swizzle[c]]);
}

// Uploads one level, repacking when the caller's rows are not tight.
void UploadLevel(const GfxTextureObj& t, uint32_t level, uint32_t x, uint32_t y, uint32_t w, uint32_t h,
                 const void* data, uint32_t rowPitch) {
  const GfxFormatInfo& info = GfxGetFormatInfo(t.desc.format);
  uint32_t tightPitch = 0;
  size_t size = GfxLevelByteSize(t.desc.format, w, h, &tightPitch);
  if (rowPitch == 0) rowPitch = tightPitch;
  std::vector<uint8_t> packed;
  if (rowPitch != tightPitch) {
    uint32_t rows = info.compressed ? (h + 3) / 4 : h;
    packed.resize(size);
    for (uint32_t r = 0; r < rows; ++r)
      std::memcpy(packed.data() + size_t(r) * tightPitch, static_cast<const uint8_t*>(data) + size_t(r) * rowPitch,
                  tightPitch);
    data = packed.data();
  }
  GfxBindTextureForEdit(t.target, t.gl);
  if (info.compressed) {
    GL(CompressedTexSubImage2D)(t.target, GLint(level), GLint(x), GLint(y), GLsizei(w), GLsizei(h), info.glInternal,
                                GLsizei(size), data);
  } else {
    GL(TexSubImage2D)(t.target, GLint(level), GLint(x), GLint(y), GLsizei(w), GLsizei(h), info.glFormat, info.glType,
                      data);
  }
}

GLuint Compile(GLenum stage, const char* source, size_t length) {
  GLuint shader = GL(CreateShader)(stage);
  const GLchar* text = source;
  GLint size = GLint(length ? length : std::strlen(source));
  GL(ShaderSource)(shader, 1, &text, &size);
  GL(CompileShader)(shader);
  GLint ok = 0;
  GL(GetShaderiv)(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    GL(GetShaderInfoLog)(shader, sizeof g_shaderLog, nullptr, g_shaderLog);
    GL(DeleteShader)(shader);
    return 0;
  }
  return shader;
}

template <class Pool>
void UnbindEverywhere(uint32_t id, uint32_t GfxBound::*field, uint32_t dirty) {
  if (g_gfx.bound.*field == id) {
    g_gfx.bound.*field = 0;
    g_gfx.dirty |= dirty;
  }
}

void DropPrograms(uint32_t shaderId) {
  for (auto it = g_gfx.programs.begin(); it != g_gfx.programs.end();) {
    if (uint32_t(it->first >> 32) == shaderId || uint32_t(it->first) == shaderId) {
      if (g_gfx.gl.program == it->second) g_gfx.gl.program = 0;
      GL(DeleteProgram)(it->second);
      it = g_gfx.programs.erase(it);
    } else {
      ++it;
    }
  }
}

void DestroyBuffer(uint32_t id) {
  GfxBufferObj* b = g_gfx.buffers.Get(id);
  if (b->gl) {
    GfxForgetGlBuffer(b->gl);
    GL(DeleteBuffers)(1, &b->gl);
  }
  GfxBound& s = g_gfx.bound;
  if (s.vb == id) s.vb = 0, g_gfx.dirty |= DIRTY_BUFFERS;
  if (s.ib == id) s.ib = 0, g_gfx.dirty |= DIRTY_BUFFERS;
  for (uint32_t& cb : s.cb)
    if (cb == id) cb = 0, g_gfx.dirty |= DIRTY_CONSTANTS;
  g_gfx.buffers.Free(id);
}

void DestroyTexture(uint32_t id) {
  GfxTextureObj* t = g_gfx.textures.Get(id);
  if (t->gl) {
    GfxForgetGlTexture(t->gl);
    GL(DeleteTextures)(1, &t->gl);
  }
  g_gfx.textures.Free(id);
}

void ReleaseTextureRef(uint32_t id) {
  GfxTextureObj* t = g_gfx.textures.Get(id);
  if (t && --t->refs == 0) {
    t->refs = 1;
    DestroyTexture(id);
  }
}

void ReleaseBufferRef(uint32_t id) {
  GfxBufferObj* b = g_gfx.buffers.Get(id);
  if (b && --b->refs == 0) {
    b->refs = 1;
    DestroyBuffer(id);
  }
}

void DestroyView(uint32_t id) {
  GfxViewObj* v = g_gfx.views.Get(id);
  GfxForgetView(id);
  if (v->glView) {
    GfxForgetGlTexture(v->glView);
    GL(DeleteTextures)(1, &v->glView);
  }
  GfxBound& s = g_gfx.bound;
  if (s.rtv == id) s.rtv = 0, g_gfx.dirty |= DIRTY_TARGETS;
  if (s.dsv == id) s.dsv = 0, g_gfx.dirty |= DIRTY_TARGETS;
  for (uint32_t& srv : s.srv)
    if (srv == id) srv = 0, g_gfx.dirty |= DIRTY_TEXTURES | DIRTY_COMPUTE;
  for (uint32_t& uav : s.uav)
    if (uav == id) uav = 0, g_gfx.dirty |= DIRTY_COMPUTE;
  uint32_t texture = v->texture, buffer = v->buffer;
  g_gfx.views.Free(id);
  if (texture) ReleaseTextureRef(texture);
  if (buffer) ReleaseBufferRef(buffer);
}

// Drops one reference; destroy runs at zero.
template <class T, class Destroy>
void Unref(GfxPool<T>& pool, uint32_t& id, Destroy destroy) {
  T* obj = pool.Get(id);
  if (obj && --obj->refs == 0) {
    obj->refs = 1;  // alive while it is taken apart
    destroy(id);
  }
  id = 0;
}

GfxResult MakeTextureView(GfxTextureObj& t, GfxFormat format, uint32_t firstLevel, uint32_t levels, GLuint* out) {
  const GfxFormatInfo& a = GfxGetFormatInfo(t.desc.format);
  const GfxFormatInfo& b = GfxGetFormatInfo(format);
  if (!b.glInternal || a.bytesPerPixel != b.bytesPerPixel || a.compressed != b.compressed || a.depth != b.depth)
    return GFX_E_INVALIDARG;
  GLuint view = 0;
  GL(GenTextures)(1, &view);
  GL(TextureView)(view, t.target, t.gl, b.glInternal, firstLevel, levels, 0, 1);
  GfxBindTextureForEdit(t.target, view);
  ApplySwizzle(t.target, b.swizzle);
  if (!IsIdentitySwizzle(t.swizzle)) ApplyTextureSwizzle(t.target, t.swizzle);
  *out = view;
  return GFX_OK;
}

}  // namespace

// ---- [Device] ----

GfxResult GfxCreateDevice(GfxAdapter adapter, const GfxFeatureLevel* levels, uint32_t levelCount,
                          GfxDevice* outDevice, GfxFeatureLevel* outLevel, GfxContext* outContext) {
  if (outDevice) *outDevice = GfxDevice{};
  if (outContext) *outContext = GfxContext{};
  if (g_gfx.deviceAlive) return GFX_E_FAIL;  // GL gives one context; the program needs one device
  char error[160];
  if (!GfxGlCreateContext(error, sizeof error)) {
    std::fprintf(stderr, "gfx: %s\n", error);
    return GFX_E_FAIL;
  }
  GfxFeatureLevel reached = GFX_FEATURE_LEVEL_11_0;  // the context is 4.3 or later: compute is there
  if (g_gfx.forcedLevel) reached = g_gfx.forcedLevel;
  GfxFeatureLevel chosen = GfxFeatureLevel(0);
  for (uint32_t i = 0; i < levelCount && !chosen; ++i)
    if (levels[i] <= reached) chosen = levels[i];
  if (levelCount == 0) chosen = reached;
  if (!chosen) {
    if (g_gfxContextUsers == 0) GfxGlDestroyContext();
    return GFX_E_INVALIDARG;
  }
  ++g_gfxContextUsers;
  g_gfx.deviceAlive = true;
  g_gfx.featureLevel = chosen;
  GfxContextReset();
  GLint samples = 1;
  g_gl.GetIntegerv(GL_MAX_SAMPLES, &samples);
  g_gfx.maxSamples = std::max(samples, 1);
  float aniso = 1;
  GLint anisoInt = 1;
  g_gl.GetIntegerv(GL_MAX_ANISOTROPY_VALUE, &anisoInt);
  aniso = float(std::max(anisoInt, 1));
  g_gfx.maxAnisotropy = aniso;
  if (outLevel) *outLevel = chosen;
  if (outDevice) outDevice->id = 1;
  if (outContext) outContext->id = 1;
  return GFX_OK;
}

GfxFeatureLevel GfxGetFeatureLevel(GfxDevice) { return g_gfx.featureLevel; }

const char* GfxRendererName() {
  if (!GfxGlContextExists()) return "";
  const GLubyte* s = g_gl.GetString(GL_RENDERER);
  return s ? reinterpret_cast<const char*>(s) : "";
}

void GfxForceFeatureLevel(GfxFeatureLevel level) { g_gfx.forcedLevel = level; }

uint32_t GfxMaxSampleCount(GfxDevice) { return uint32_t(g_gfx.maxSamples); }

GfxResult GfxCheckMultisampleQualityLevels(GfxDevice, GfxFormat format, uint32_t sampleCount, uint32_t* levels) {
  const GfxFormatInfo& info = GfxGetFormatInfo(format);
  *levels = 0;
  if (!info.glInternal) return GFX_E_INVALIDARG;
  if (sampleCount >= 1 && sampleCount <= uint32_t(g_gfx.maxSamples) && (info.renderable || sampleCount == 1))
    *levels = 1;
  return GFX_OK;
}

void GfxRelease(GfxContext& context) { context = GfxContext{}; }

void GfxRelease(GfxDevice& device) {
  if (device.id && g_gfx.deviceAlive) {
    // Whatever the program still holds goes with the context.
    for (auto& [key, fbo] : g_gfx.fbos) GL(DeleteFramebuffers)(1, &fbo);
    for (auto& [key, program] : g_gfx.programs) GL(DeleteProgram)(program);
    for (GfxBufferObj& b : g_gfx.buffers.items) if (b.refs && b.gl) GL(DeleteBuffers)(1, &b.gl);
    for (GfxTextureObj& t : g_gfx.textures.items) if (t.refs && t.gl) GL(DeleteTextures)(1, &t.gl);
    for (GfxViewObj& v : g_gfx.views.items) if (v.refs && v.glView) GL(DeleteTextures)(1, &v.glView);
    for (GfxSamplerObj& s : g_gfx.samplers.items) if (s.refs && s.gl) GL(DeleteSamplers)(1, &s.gl);
    for (GfxShaderObj& s : g_gfx.shaders.items) {
      if (s.refs && s.gl) GL(DeleteShader)(s.gl);
      if (s.refs && s.program) GL(DeleteProgram)(s.program);
    }
    for (GfxLayoutObj& l : g_gfx.layouts.items) if (l.refs && l.vao) GL(DeleteVertexArrays)(1, &l.vao);
    GL(DeleteVertexArrays)(1, &g_gfx.emptyLayout.vao);
    GL(DeleteSamplers)(1, &g_gfx.defaultSampler);
    GL(DeleteFramebuffers)(2, g_gfx.copyFbo);
    if (g_gfx.presentProgram) GL(DeleteProgram)(g_gfx.presentProgram);
    if (g_gfx.presentSampler[0]) GL(DeleteSamplers)(2, g_gfx.presentSampler);
    GfxFeatureLevel forced = g_gfx.forcedLevel;
    GfxResult fault = g_gfx.presentFault;
    g_gfx = GfxState();
    g_gfx.forcedLevel = forced;
    g_gfx.presentFault = fault;
    if (g_gfxContextUsers > 0 && --g_gfxContextUsers == 0) GfxGlDestroyContext();
  }
  device = GfxDevice{};
}

int GfxLiveObjectCount() {
  return g_gfx.buffers.Live() + g_gfx.textures.Live() + g_gfx.views.Live() + g_gfx.blends.Live() +
         g_gfx.rasters.Live() + g_gfx.depths.Live() + g_gfx.samplers.Live() + g_gfx.shaders.Live() +
         g_gfx.layouts.Live();
}

// ---- [Buffers and textures] ----

GfxResult GfxCreateBuffer(GfxDevice, const GfxBufferDesc& desc, const GfxSubresourceData* initial, GfxBuffer* out) {
  *out = GfxBuffer{};
  if (!g_gfx.deviceAlive) return GFX_ERROR_INVALID_CALL;
  if (desc.byteWidth == 0) return GFX_E_INVALIDARG;
  if ((desc.bindFlags & GFX_BIND_CONSTANT_BUFFER) && desc.byteWidth % 16 != 0) return GFX_E_INVALIDARG;
  if (desc.usage == GFX_USAGE_IMMUTABLE && !(initial && initial->data)) return GFX_E_INVALIDARG;
  GfxBufferObj b;
  b.desc = desc;
  if (desc.usage == GFX_USAGE_STAGING) {
    b.cpu.assign(desc.byteWidth, 0);
    if (initial && initial->data) std::memcpy(b.cpu.data(), initial->data, desc.byteWidth);
  }
  if (desc.usage != GFX_USAGE_STAGING) {
    GL(GenBuffers)(1, &b.gl);
    GfxBindBufferForEdit(GL_COPY_WRITE_BUFFER, b.gl);
    GL(BufferData)(GL_COPY_WRITE_BUFFER, desc.byteWidth, initial ? initial->data : nullptr,
                   desc.usage == GFX_USAGE_DYNAMIC ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    b.drawsAtStorage = GfxDrawCount();
  }
  out->id = g_gfx.buffers.Add(b);
  if (initial && initial->data) GfxFingerprintBufferWrite(*g_gfx.buffers.Get(out->id), 0, desc.byteWidth, initial->data);
  return GFX_OK;
}

void GfxGetDesc(GfxBuffer buffer, GfxBufferDesc* out) {
  GfxBufferObj* b = g_gfx.buffers.Get(buffer.id);
  *out = b ? b->desc : GfxBufferDesc{};
}

namespace {

// The texture's GL name and storage, as its description and target say.
void MakeStorage(GfxTextureObj& t) {
  const GfxFormatInfo& info = GfxGetFormatInfo(t.desc.format);
  const GLsizei width = GLsizei(t.desc.width), height = GLsizei(t.desc.height);
  GL(GenTextures)(1, &t.gl);
  GfxBindTextureForEdit(t.target, t.gl);
  if (t.target == GL_TEXTURE_2D_MULTISAMPLE) {
    GL(TexStorage2DMultisample)(t.target, GLsizei(t.desc.sampleDesc.count), info.glInternal, width, height, GL_TRUE);
  } else {
    GL(TexStorage2D)(t.target, GLsizei(t.desc.mipLevels), info.glInternal, width, height);
    ApplySwizzle(t.target, info.swizzle);
  }
}

}  // namespace

GfxResult GfxCreateTexture2D(GfxDevice, const GfxTexture2DDesc& descIn, const GfxSubresourceData* initial,
                             GfxTexture2D* out) {
  *out = GfxTexture2D{};
  if (!g_gfx.deviceAlive) return GFX_ERROR_INVALID_CALL;
  GfxTexture2DDesc desc = descIn;
  const GfxFormatInfo& info = GfxGetFormatInfo(desc.format);
  if (!info.glInternal || desc.width == 0 || desc.height == 0 || desc.width > 16384 || desc.height > 16384 ||
      desc.arraySize != 1)
    return GFX_E_INVALIDARG;
  if ((desc.bindFlags & GFX_BIND_RENDER_TARGET) && !info.renderable) return GFX_E_INVALIDARG;
  if ((desc.bindFlags & GFX_BIND_DEPTH_STENCIL) && !info.depth) return GFX_E_INVALIDARG;
  uint32_t samples = std::max(desc.sampleDesc.count, 1u);
  if (samples > uint32_t(g_gfx.maxSamples)) return GFX_E_INVALIDARG;
  if (desc.mipLevels == 0) desc.mipLevels = samples > 1 ? 1 : FullChain(desc.width, desc.height);
  if (desc.mipLevels > FullChain(desc.width, desc.height)) return GFX_E_INVALIDARG;
  if (desc.usage == GFX_USAGE_IMMUTABLE && !(initial && initial[0].data)) return GFX_E_INVALIDARG;

  GfxTextureObj t;
  t.desc = desc;
  if (desc.usage == GFX_USAGE_STAGING) {
    size_t total = 0;
    for (uint32_t l = 0; l < desc.mipLevels; ++l) {
      t.levelOffset.push_back(total);
      total += GfxLevelByteSize(desc.format, std::max(desc.width >> l, 1u), std::max(desc.height >> l, 1u), nullptr);
    }
    t.cpu.assign(total, 0);
    if (initial) {
      for (uint32_t l = 0; l < desc.mipLevels; ++l) {
        if (!initial[l].data) continue;
        uint32_t pitch = 0;
        uint32_t h = std::max(desc.height >> l, 1u);
        GfxLevelByteSize(desc.format, std::max(desc.width >> l, 1u), h, &pitch);
        uint32_t rows = info.compressed ? (h + 3) / 4 : h;
        uint32_t srcPitch = initial[l].rowPitch ? initial[l].rowPitch : pitch;
        for (uint32_t r = 0; r < rows; ++r)
          std::memcpy(&t.cpu[t.levelOffset[l] + size_t(r) * pitch],
                      static_cast<const uint8_t*>(initial[l].data) + size_t(r) * srcPitch, pitch);
      }
    }
    out->id = g_gfx.textures.Add(t);
    return GFX_OK;
  }
  t.target = samples > 1 ? GL_TEXTURE_2D_MULTISAMPLE : GL_TEXTURE_2D;
  MakeStorage(t);
  for (uint32_t l = 0; samples == 1 && initial && l < desc.mipLevels; ++l) {
    if (!initial[l].data) continue;
    UploadLevel(t, l, 0, 0, std::max(desc.width >> l, 1u), std::max(desc.height >> l, 1u), initial[l].data,
                initial[l].rowPitch);
  }
  out->id = g_gfx.textures.Add(t);
  return GFX_OK;
}

uint32_t GfxAddWindowBuffer(const GfxTexture2DDesc& desc) {
  GfxTextureObj t;
  t.desc = desc;
  t.desc.mipLevels = 1;
  t.target = GL_TEXTURE_2D;
  t.window = WINDOW_DRAWN;
  return g_gfx.textures.Add(t);
}

GfxTextureObj* GfxTextureWithStorage(uint32_t id) {
  GfxTextureObj* t = g_gfx.textures.Get(id);
  if (!t || !t->window) return t;
  const bool keep = t->window == WINDOW_DRAWN && g_gfx.drawnInWindow;
  t->window = 0;
  g_gfx.drawnInWindow = false;
  MakeStorage(*t);
  // The views made while it had no storage: a render target in another format views it now,
  // and none of them has a framebuffer of the window's any more.
  for (uint32_t v = 1; v <= uint32_t(g_gfx.views.items.size()); ++v) {
    GfxViewObj* view = g_gfx.views.Get(v);
    if (!view || view->texture != id) continue;
    GfxForgetView(v);
    if (view->kind == VIEW_RTV && view->desc.format != t->desc.format && !view->glView)
      MakeTextureView(*t, view->desc.format, view->desc.mipSlice, 1, &view->glView);
  }
  if (g_gfx.gl.drawFbo == GFX_WINDOW_FRAMEBUFFER) {
    g_gfx.gl.drawFbo = 0;
    g_gfx.dirty |= DIRTY_TARGETS;
  }
  if (!keep) {
    t->content = GfxFreshContent();
    return t;
  }
  // The window's rows run bottom up, the buffer's top down: the copy turns them over.  The
  // bytes are copied as they are (no sRGB conversion either way).
  GL(BindFramebuffer)(GL_READ_FRAMEBUFFER, 0);
  GL(ReadBuffer)(GL_BACK);
  GfxAttachForCopy(GL_DRAW_FRAMEBUFFER, *t, 0);
  if (g_gfx.gl.scissorOn) {
    GL(Disable)(GL_SCISSOR_TEST);
    g_gfx.gl.scissorOn = false;
    g_gfx.dirty |= DIRTY_RASTER;
  }
  GL(Disable)(GL_FRAMEBUFFER_SRGB);
  const GLint width = GLint(t->desc.width), height = GLint(t->desc.height);
  GL(BlitFramebuffer)(0, 0, width, height, 0, height, width, 0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  GL(Enable)(GL_FRAMEBUFFER_SRGB);
  return t;
}

void GfxGetDesc(GfxTexture2D texture, GfxTexture2DDesc* out) {
  GfxTextureObj* t = g_gfx.textures.Get(texture.id);
  *out = t ? t->desc : GfxTexture2DDesc{};
}

uint32_t GfxNativeTextureName(GfxTexture2D texture) {
  GfxTextureObj* t = GfxTextureWithStorage(texture.id);
  return t ? t->gl : 0;
}

GfxResult GfxSetTextureSwizzle(GfxTexture2D texture, const uint8_t swizzle[4]) {
  GfxTextureObj* t = GfxTextureWithStorage(texture.id);
  if (!t) return GFX_E_INVALIDARG;
  for (int c = 0; c < 4; ++c)
    if (swizzle[c] > GFX_SWIZZLE_ONE) return GFX_E_INVALIDARG;
  std::memcpy(t->swizzle, swizzle, 4);
  uint32_t word;
  std::memcpy(&word, swizzle, 4);
  t->content = GfxFingerprintWrite(t->content, GFX_WRITE_SWIZZLE, word, 0);
  if (t->gl && t->target == GL_TEXTURE_2D) {
    GfxBindTextureForEdit(t->target, t->gl);
    ApplyTextureSwizzle(t->target, t->swizzle);
  }
  return GFX_OK;
}

void GfxGetTextureSwizzle(GfxTexture2D texture, uint8_t swizzle[4]) {
  static const uint8_t IDENTITY[4] = {GFX_SWIZZLE_R, GFX_SWIZZLE_G, GFX_SWIZZLE_B, GFX_SWIZZLE_A};
  const GfxTextureObj* t = g_gfx.textures.Get(texture.id);
  std::memcpy(swizzle, t ? t->swizzle : IDENTITY, 4);
}

// Uploads a box of one level (used by the context's UpdateSubresource).
void GfxUploadTextureBox(GfxTextureObj& t, uint32_t level, const GfxBox* box, const void* data, uint32_t rowPitch) {
  uint32_t w = std::max(t.desc.width >> level, 1u), h = std::max(t.desc.height >> level, 1u);
  uint32_t x = 0, y = 0;
  if (box) {
    x = box->left;
    y = box->top;
    w = box->right - box->left;
    h = box->bottom - box->top;
  }
  UploadLevel(t, level, x, y, w, h, data, rowPitch);
}

// ---- [Views] ----

GfxResult GfxCreateRenderTargetView(GfxDevice, GfxResource resource, const GfxViewDesc* desc,
                                    GfxRenderTargetView* out) {
  *out = GfxRenderTargetView{};
  GfxTextureObj* t = resource.kind == GfxResource::TEXTURE2D ? g_gfx.textures.Get(resource.id) : nullptr;
  if (!t || !(t->desc.bindFlags & GFX_BIND_RENDER_TARGET)) return GFX_E_INVALIDARG;
  GfxViewObj v;
  v.kind = VIEW_RTV;
  if (desc) v.desc = *desc;
  if (v.desc.format == GFX_FORMAT_UNKNOWN) v.desc.format = t->desc.format;
  if (v.desc.mipSlice >= t->desc.mipLevels) return GFX_E_INVALIDARG;
  v.target = t->target;
  v.level = v.desc.mipSlice;
  if (v.desc.format != t->desc.format) {
    if (!t->window) {  // else made with the buffer's storage
      GfxResult r = MakeTextureView(*t, v.desc.format, v.desc.mipSlice, 1, &v.glView);
      if (GfxFailed(r)) return r;
    }
    v.level = 0;
  }
  ++t->refs;
  v.texture = resource.id;
  out->id = g_gfx.views.Add(v);
  return GFX_OK;
}

GfxResult GfxCreateDepthStencilView(GfxDevice, GfxResource resource, const GfxViewDesc* desc,
                                    GfxDepthStencilView* out) {
  *out = GfxDepthStencilView{};
  GfxTextureObj* t = resource.kind == GfxResource::TEXTURE2D ? g_gfx.textures.Get(resource.id) : nullptr;
  if (!t || !(t->desc.bindFlags & GFX_BIND_DEPTH_STENCIL)) return GFX_E_INVALIDARG;
  GfxViewObj v;
  v.kind = VIEW_DSV;
  if (desc) v.desc = *desc;
  v.desc.format = t->desc.format;
  if (v.desc.mipSlice >= t->desc.mipLevels) return GFX_E_INVALIDARG;
  v.target = t->target;
  v.level = v.desc.mipSlice;
  ++t->refs;
  v.texture = resource.id;
  out->id = g_gfx.views.Add(v);
  return GFX_OK;
}

GfxResult GfxCreateShaderResourceView(GfxDevice, GfxResource resource, const GfxViewDesc* desc,
                                      GfxShaderResourceView* out) {
  *out = GfxShaderResourceView{};
  GfxViewObj v;
  v.kind = VIEW_SRV;
  if (desc) v.desc = *desc;
  if (resource.kind == GfxResource::BUFFER) {
    GfxBufferObj* b = g_gfx.buffers.Get(resource.id);
    if (!b || !(b->desc.bindFlags & GFX_BIND_SHADER_RESOURCE)) return GFX_E_INVALIDARG;
    ++b->refs;
    v.buffer = resource.id;
    out->id = g_gfx.views.Add(v);
    return GFX_OK;
  }
  GfxTextureObj* t = GfxTextureWithStorage(resource.id);
  if (!t || !(t->desc.bindFlags & GFX_BIND_SHADER_RESOURCE)) return GFX_E_INVALIDARG;
  if (v.desc.format == GFX_FORMAT_UNKNOWN) v.desc.format = t->desc.format;
  uint32_t levels = std::min(v.desc.mipLevels, t->desc.mipLevels - std::min(v.desc.mostDetailedMip, t->desc.mipLevels));
  if (v.desc.mostDetailedMip >= t->desc.mipLevels || levels == 0) return GFX_E_INVALIDARG;
  v.target = t->target;
  if (v.desc.format != t->desc.format || v.desc.mostDetailedMip != 0 || levels != t->desc.mipLevels) {
    GfxResult r = MakeTextureView(*t, v.desc.format, v.desc.mostDetailedMip, levels, &v.glView);
    if (GfxFailed(r)) return r;
  }
  ++t->refs;
  v.texture = resource.id;
  out->id = g_gfx.views.Add(v);
  return GFX_OK;
}

GfxResult GfxCreateUnorderedAccessView(GfxDevice, GfxResource resource, const GfxUavDesc* desc,
                                       GfxUnorderedAccessView* out) {
  *out = GfxUnorderedAccessView{};
  GfxBufferObj* b = resource.kind == GfxResource::BUFFER ? g_gfx.buffers.Get(resource.id) : nullptr;
  if (!b || !(b->desc.bindFlags & GFX_BIND_UNORDERED_ACCESS)) return GFX_E_INVALIDARG;
  GfxViewObj v;
  v.kind = VIEW_UAV;
  if (desc) v.uav = *desc;
  if (v.uav.numElements == 0) v.uav.numElements = b->desc.byteWidth / 4;
  if (uint64_t(v.uav.firstElement + v.uav.numElements) * 4 > b->desc.byteWidth) return GFX_E_INVALIDARG;
  ++b->refs;
  v.buffer = resource.id;
  out->id = g_gfx.views.Add(v);
  return GFX_OK;
}

GfxTexture2D GfxGetViewTexture(GfxRenderTargetView view) {
  GfxViewObj* v = g_gfx.views.Get(view.id);
  if (!v || !v->texture) return GfxTexture2D{};
  ++g_gfx.textures.Get(v->texture)->refs;
  return GfxTexture2D{v->texture};
}

GfxTexture2D GfxGetViewTexture(GfxShaderResourceView view) {
  GfxViewObj* v = g_gfx.views.Get(view.id);
  if (!v || !v->texture) return GfxTexture2D{};
  ++g_gfx.textures.Get(v->texture)->refs;
  return GfxTexture2D{v->texture};
}

// ---- [States] ----

GfxResult GfxCreateBlendState(GfxDevice, const GfxBlendDesc& desc, GfxBlendState* out) {
  GfxBlendObj o;
  o.desc = desc;
  out->id = g_gfx.blends.Add(o);
  return GFX_OK;
}

GfxResult GfxCreateRasterizerState(GfxDevice, const GfxRasterizerDesc& desc, GfxRasterizerState* out) {
  GfxRasterObj o;
  o.desc = desc;
  out->id = g_gfx.rasters.Add(o);
  return GFX_OK;
}

GfxResult GfxCreateDepthStencilState(GfxDevice, const GfxDepthStencilDesc& desc, GfxDepthStencilState* out) {
  GfxDepthObj o;
  o.desc = desc;
  out->id = g_gfx.depths.Add(o);
  return GFX_OK;
}

GfxResult GfxCreateSamplerState(GfxDevice, const GfxSamplerDesc& desc, GfxSamplerState* out) {
  *out = GfxSamplerState{};
  if (!g_gfx.deviceAlive) return GFX_ERROR_INVALID_CALL;
  GfxSamplerObj o;
  o.desc = desc;
  GL(GenSamplers)(1, &o.gl);
  bool point = desc.filter == GFX_FILTER_MIN_MAG_MIP_POINT;
  bool mipPoint = desc.filter == GFX_FILTER_MIN_MAG_LINEAR_MIP_POINT;
  GLenum minFilter = point ? GL_NEAREST_MIPMAP_NEAREST : mipPoint ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_LINEAR;
  GL(SamplerParameteri)(o.gl, GL_TEXTURE_MIN_FILTER, GLint(minFilter));
  GL(SamplerParameteri)(o.gl, GL_TEXTURE_MAG_FILTER, point ? GL_NEAREST : GL_LINEAR);
  auto wrap = [](GfxAddress a) -> GLint {
    switch (a) {
      case GFX_ADDRESS_WRAP: return GL_REPEAT;
      case GFX_ADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
      case GFX_ADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
      default: return GL_CLAMP_TO_EDGE;
    }
  };
  GL(SamplerParameteri)(o.gl, GL_TEXTURE_WRAP_S, wrap(desc.addressU));
  GL(SamplerParameteri)(o.gl, GL_TEXTURE_WRAP_T, wrap(desc.addressV));
  GL(SamplerParameteri)(o.gl, GL_TEXTURE_WRAP_R, wrap(desc.addressW));
  GL(SamplerParameterf)(o.gl, GL_TEXTURE_LOD_BIAS, desc.mipLodBias);
  GL(SamplerParameterf)(o.gl, GL_TEXTURE_MIN_LOD, std::max(desc.minLod, -1000.0f));
  GL(SamplerParameterf)(o.gl, GL_TEXTURE_MAX_LOD, std::min(desc.maxLod, 1000.0f));
  GL(SamplerParameterfv)(o.gl, GL_TEXTURE_BORDER_COLOR, desc.borderColor);
  if (desc.filter == GFX_FILTER_ANISOTROPIC)
    GL(SamplerParameterf)(o.gl, GL_TEXTURE_ANISOTROPY,
                          std::clamp(float(desc.maxAnisotropy), 1.0f, g_gfx.maxAnisotropy));
  out->id = g_gfx.samplers.Add(o);
  return GFX_OK;
}

// ---- [Shaders] ----

const char* GfxLastShaderLog() { return g_shaderLog; }

static GfxResult CreateStageShader(GLenum stage, const char* source, size_t length, uint32_t* outId) {
  *outId = 0;
  if (!g_gfx.deviceAlive || !source) return GFX_E_INVALIDARG;
  GfxShaderObj o;
  o.stage = stage;
  if (stage != GL_COMPUTE_SHADER) {
    if (!length) length = std::strlen(source);
    o.hash = GfxSourceHash(source, length);
    if (GfxSourceCompiledBefore(o.hash)) {
      // It compiled in an earlier run: compiled when a link finds no kept binary.
      o.source.assign(source, length);
      *outId = g_gfx.shaders.Add(o);
      return GFX_OK;
    }
  }
  GLuint shader = Compile(stage, source, length);
  if (!shader) return GFX_E_FAIL;
  if (o.hash) GfxKeepCompiled(o.hash);
  o.gl = shader;
  if (stage == GL_COMPUTE_SHADER) {
    if (g_gfx.featureLevel < GFX_FEATURE_LEVEL_11_0) {
      GL(DeleteShader)(shader);
      std::snprintf(g_shaderLog, sizeof g_shaderLog, "compute shaders need feature level 11_0");
      return GFX_E_INVALIDARG;
    }
    o.program = GL(CreateProgram)();
    GL(AttachShader)(o.program, shader);
    GL(LinkProgram)(o.program);
    GLint ok = 0;
    GL(GetProgramiv)(o.program, GL_LINK_STATUS, &ok);
    if (!ok) {
      GL(GetProgramInfoLog)(o.program, sizeof g_shaderLog, nullptr, g_shaderLog);
      GL(DeleteProgram)(o.program);
      GL(DeleteShader)(shader);
      return GFX_E_FAIL;
    }
  }
  *outId = g_gfx.shaders.Add(o);
  return GFX_OK;
}

GfxResult GfxCreateVertexShader(GfxDevice, const char* source, size_t length, GfxVertexShader* out) {
  return CreateStageShader(GL_VERTEX_SHADER, source, length, &out->id);
}
GfxResult GfxCreatePixelShader(GfxDevice, const char* source, size_t length, GfxPixelShader* out) {
  return CreateStageShader(GL_FRAGMENT_SHADER, source, length, &out->id);
}
GfxResult GfxCreateComputeShader(GfxDevice, const char* source, size_t length, GfxComputeShader* out) {
  return CreateStageShader(GL_COMPUTE_SHADER, source, length, &out->id);
}

// A stage kept uncompiled, compiled now; false (and the log) when it does not compile.
static bool CompileKept(GfxShaderObj& s) {
  if (s.gl || s.source.empty()) return s.gl != 0;
  s.gl = Compile(s.stage, s.source.data(), s.source.size());
  std::string().swap(s.source);
  if (!s.gl) std::fprintf(stderr, "gfx: shader compile failed: %s\n", g_shaderLog);
  return s.gl != 0;
}

GLuint GfxLinkStages(GLuint vertex, uint64_t vertexHash, GLuint pixel, uint64_t pixelHash) {
  GLuint program = GL(CreateProgram)();
  GL(AttachShader)(program, vertex);
  if (pixel) GL(AttachShader)(program, pixel);
  GL(ProgramParameteri)(program, GL_PROGRAM_BINARY_RETRIEVABLE_HINT, GL_TRUE);
  GL(LinkProgram)(program);
  GLint ok = 0;
  GL(GetProgramiv)(program, GL_LINK_STATUS, &ok);
  GL(DetachShader)(program, vertex);
  if (pixel) GL(DetachShader)(program, pixel);
  if (!ok) {
    GL(GetProgramInfoLog)(program, sizeof g_shaderLog, nullptr, g_shaderLog);
    std::fprintf(stderr, "gfx: program link failed: %s\n", g_shaderLog);
    GL(DeleteProgram)(program);
    return 0;
  }
  GfxKeepProgram(vertexHash, pixelHash, program);
  return program;
}

GLuint GfxLinkSources(const char* vertexSource, const char* pixelSource) {
  const uint64_t vertexHash = GfxSourceHash(vertexSource, std::strlen(vertexSource));
  const uint64_t pixelHash = GfxSourceHash(pixelSource, std::strlen(pixelSource));
  if (GLuint kept = GfxProgramFromCache(vertexHash, pixelHash)) return kept;
  const GLuint vertex = Compile(GL_VERTEX_SHADER, vertexSource, 0);
  const GLuint pixel = vertex ? Compile(GL_FRAGMENT_SHADER, pixelSource, 0) : 0;
  const GLuint program = pixel ? GfxLinkStages(vertex, vertexHash, pixel, pixelHash) : 0;
  if (vertex) GL(DeleteShader)(vertex);
  if (pixel) GL(DeleteShader)(pixel);
  return program;
}

// Links the pair on first use, from a kept binary where there is one; 0 (and the log) when
// they do not link.
GLuint GfxProgramFor(uint32_t vs, uint32_t ps) {
  uint64_t key = (uint64_t(vs) << 32) | ps;
  auto it = g_gfx.programs.find(key);
  if (it != g_gfx.programs.end()) return it->second;
  GfxShaderObj* v = g_gfx.shaders.Get(vs);
  GfxShaderObj* p = g_gfx.shaders.Get(ps);
  GLuint program = 0;
  if (v && v->stage == GL_VERTEX_SHADER && (!p || p->stage == GL_FRAGMENT_SHADER)) {
    const uint64_t pixelHash = p ? p->hash : 0;
    program = GfxProgramFromCache(v->hash, pixelHash);
    if (!program && CompileKept(*v) && (!p || CompileKept(*p)))
      program = GfxLinkStages(v->gl, v->hash, p ? p->gl : 0, pixelHash);
  }
  g_gfx.programs[key] = program;  // a failed pair is not tried again
  return program;
}

GfxResult GfxCreateInputLayout(GfxDevice, const GfxInputElementDesc* elements, uint32_t count, GfxVertexShader,
                               GfxInputLayout* out) {
  *out = GfxInputLayout{};
  if (!g_gfx.deviceAlive) return GFX_ERROR_INVALID_CALL;
  struct Attr {
    GLuint location;
    GLint size;
    GLenum type;
    bool normalized, integer;
    uint32_t offset;
  };
  std::vector<Attr> attrs;
  for (uint32_t i = 0; i < count; ++i) {
    const GfxInputElementDesc& e = elements[i];
    Attr a{};
    std::string name = e.semanticName ? e.semanticName : "";
    if (name == "POSITION") a.location = 0;
    else if (name == "NORMAL") a.location = 1;
    else if (name == "COLOR" && e.semanticIndex < 2) a.location = 2 + e.semanticIndex;
    else if (name == "TEXCOORD" && e.semanticIndex < 4) a.location = 4 + e.semanticIndex;
    else return GFX_E_INVALIDARG;
    if (e.inputSlot != 0 || e.inputSlotClass != GFX_INPUT_PER_VERTEX) return GFX_E_INVALIDARG;
    a.offset = e.alignedByteOffset;
    switch (e.format) {
      case GFX_FORMAT_R32G32B32A32_FLOAT: a.size = 4, a.type = GL_FLOAT; break;
      case GFX_FORMAT_R32G32B32_FLOAT: a.size = 3, a.type = GL_FLOAT; break;
      case GFX_FORMAT_R32G32_FLOAT: a.size = 2, a.type = GL_FLOAT; break;
      case GFX_FORMAT_R32_FLOAT: a.size = 1, a.type = GL_FLOAT; break;
      case GFX_FORMAT_R16G16_FLOAT: a.size = 2, a.type = GL_HALF_FLOAT; break;
      case GFX_FORMAT_R8G8B8A8_UNORM: a.size = 4, a.type = GL_UNSIGNED_BYTE, a.normalized = true; break;
      case GFX_FORMAT_R8G8B8A8_SNORM: a.size = 4, a.type = GL_BYTE, a.normalized = true; break;
      case GFX_FORMAT_B8G8R8A8_UNORM: a.size = GL_BGRA, a.type = GL_UNSIGNED_BYTE, a.normalized = true; break;
      // No 4.3 vertex type reads packed 11/11/10 floats: the shader gets the word and unpacks it.
      case GFX_FORMAT_R11G11B10_FLOAT:
      case GFX_FORMAT_R32_UINT: a.size = 1, a.type = GL_UNSIGNED_INT, a.integer = true; break;
      default: return GFX_E_INVALIDARG;
    }
    attrs.push_back(a);
  }
  GfxLayoutObj o;
  GL(GenVertexArrays)(1, &o.vao);
  GL(BindVertexArray)(o.vao);
  g_gfx.gl.vao = o.vao;
  g_gfx.dirty |= DIRTY_LAYOUT;
  for (const Attr& a : attrs) {
    GL(EnableVertexAttribArray)(a.location);
    if (a.integer) GL(VertexAttribIFormat)(a.location, a.size, a.type, a.offset);
    else GL(VertexAttribFormat)(a.location, a.size, a.type, a.normalized ? GL_TRUE : GL_FALSE, a.offset);
    GL(VertexAttribBinding)(a.location, 0);
  }
  out->id = g_gfx.layouts.Add(o);
  return GFX_OK;
}

// ---- [Release] ----

void GfxRelease(GfxBuffer& object) { Unref(g_gfx.buffers, object.id, DestroyBuffer); }
void GfxRelease(GfxTexture2D& object) { Unref(g_gfx.textures, object.id, DestroyTexture); }
void GfxRelease(GfxShaderResourceView& object) { Unref(g_gfx.views, object.id, DestroyView); }
void GfxRelease(GfxRenderTargetView& object) { Unref(g_gfx.views, object.id, DestroyView); }
void GfxRelease(GfxDepthStencilView& object) { Unref(g_gfx.views, object.id, DestroyView); }
void GfxRelease(GfxUnorderedAccessView& object) { Unref(g_gfx.views, object.id, DestroyView); }

void GfxRelease(GfxBlendState& object) {
  Unref(g_gfx.blends, object.id, [](uint32_t id) {
    UnbindEverywhere<int>(id, &GfxBound::blend, DIRTY_BLEND);
    g_gfx.blends.Free(id);
  });
}
void GfxRelease(GfxRasterizerState& object) {
  Unref(g_gfx.rasters, object.id, [](uint32_t id) {
    UnbindEverywhere<int>(id, &GfxBound::raster, DIRTY_RASTER);
    g_gfx.rasters.Free(id);
  });
}
void GfxRelease(GfxDepthStencilState& object) {
  Unref(g_gfx.depths, object.id, [](uint32_t id) {
    UnbindEverywhere<int>(id, &GfxBound::depth, DIRTY_DEPTH);
    g_gfx.depths.Free(id);
  });
}
void GfxRelease(GfxSamplerState& object) {
  Unref(g_gfx.samplers, object.id, [](uint32_t id) {
    GfxSamplerObj* s = g_gfx.samplers.Get(id);
    for (int k = 0; k < GFX_PS_RESOURCE_SLOTS; ++k) {
      if (g_gfx.bound.sampler[k] == id) g_gfx.bound.sampler[k] = 0, g_gfx.dirty |= DIRTY_SAMPLERS;
      if (g_gfx.gl.sampler[k] == s->gl) g_gfx.gl.sampler[k] = 0;
    }
    GL(DeleteSamplers)(1, &s->gl);
    g_gfx.samplers.Free(id);
  });
}

static void DestroyShader(uint32_t id) {
  GfxShaderObj* s = g_gfx.shaders.Get(id);
  DropPrograms(id);
  if (s->program) {
    if (g_gfx.gl.program == s->program) g_gfx.gl.program = 0;
    GL(DeleteProgram)(s->program);
  }
  GL(DeleteShader)(s->gl);
  UnbindEverywhere<int>(id, &GfxBound::vs, DIRTY_PROGRAM);
  UnbindEverywhere<int>(id, &GfxBound::ps, DIRTY_PROGRAM);
  UnbindEverywhere<int>(id, &GfxBound::cs, DIRTY_COMPUTE);
  g_gfx.shaders.Free(id);
}
void GfxRelease(GfxVertexShader& object) { Unref(g_gfx.shaders, object.id, DestroyShader); }
void GfxRelease(GfxPixelShader& object) { Unref(g_gfx.shaders, object.id, DestroyShader); }
void GfxRelease(GfxComputeShader& object) { Unref(g_gfx.shaders, object.id, DestroyShader); }

void GfxRelease(GfxInputLayout& object) {
  Unref(g_gfx.layouts, object.id, [](uint32_t id) {
    GfxLayoutObj* l = g_gfx.layouts.Get(id);
    if (g_gfx.gl.vao == l->vao) g_gfx.gl.vao = 0;
    GL(DeleteVertexArrays)(1, &l->vao);
    UnbindEverywhere<int>(id, &GfxBound::layout, DIRTY_LAYOUT);
    g_gfx.layouts.Free(id);
  });
}
