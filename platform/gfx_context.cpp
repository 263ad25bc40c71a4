// gfx_context.cpp - the immediate context: bindings, the lazy state cache, draws, clears,
// mapping and copies.
//
// Set* calls only record what is bound and mark it dirty.  A draw walks the dirty groups and
// compares each GL value with the shadow of what GL holds, so a state set again, or a
// different object with the same values, costs no GL call.
#include "platform/gfx_local.h"

#include <algorithm>
#include <cstring>

GLuint GfxProgramFor(uint32_t vs, uint32_t ps);
void GfxUploadTextureBox(GfxTextureObj& t, uint32_t level, const GfxBox* box, const void* data, uint32_t rowPitch);

namespace {

const GfxBlendDesc DEFAULT_BLEND{};
const GfxRasterizerDesc DEFAULT_RASTER{};
const GfxDepthStencilDesc DEFAULT_DEPTH{};

GLenum BlendFactor(GfxBlend b) {
  switch (b) {
    case GFX_BLEND_ZERO: return GL_ZERO;
    case GFX_BLEND_ONE: return GL_ONE;
    case GFX_BLEND_SRC_COLOR: return GL_SRC_COLOR;
    case GFX_BLEND_INV_SRC_COLOR: return GL_ONE_MINUS_SRC_COLOR;
    case GFX_BLEND_SRC_ALPHA: return GL_SRC_ALPHA;
    case GFX_BLEND_INV_SRC_ALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case GFX_BLEND_DEST_ALPHA: return GL_DST_ALPHA;
    case GFX_BLEND_INV_DEST_ALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case GFX_BLEND_DEST_COLOR: return GL_DST_COLOR;
    case GFX_BLEND_INV_DEST_COLOR: return GL_ONE_MINUS_DST_COLOR;
    case GFX_BLEND_SRC_ALPHA_SAT: return GL_SRC_ALPHA_SATURATE;
    case GFX_BLEND_BLEND_FACTOR: return GL_CONSTANT_COLOR;
    case GFX_BLEND_INV_BLEND_FACTOR: return GL_ONE_MINUS_CONSTANT_COLOR;
  }
  return GL_ONE;
}

GLenum BlendOp(GfxBlendOp op) {
  switch (op) {
    case GFX_BLEND_OP_SUBTRACT: return GL_FUNC_SUBTRACT;
    case GFX_BLEND_OP_REV_SUBTRACT: return GL_FUNC_REVERSE_SUBTRACT;
    case GFX_BLEND_OP_MIN: return GL_MIN;
    case GFX_BLEND_OP_MAX: return GL_MAX;
    default: return GL_FUNC_ADD;
  }
}

GLenum CompareFunc(GfxComparison c) {
  switch (c) {
    case GFX_COMPARISON_NEVER: return GL_NEVER;
    case GFX_COMPARISON_LESS: return GL_LESS;
    case GFX_COMPARISON_EQUAL: return GL_EQUAL;
    case GFX_COMPARISON_LESS_EQUAL: return GL_LEQUAL;
    case GFX_COMPARISON_GREATER: return GL_GREATER;
    case GFX_COMPARISON_NOT_EQUAL: return GL_NOTEQUAL;
    case GFX_COMPARISON_GREATER_EQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
  }
}

GLenum StencilOp(GfxStencilOp op) {
  switch (op) {
    case GFX_STENCIL_OP_ZERO: return GL_ZERO;
    case GFX_STENCIL_OP_REPLACE: return GL_REPLACE;
    case GFX_STENCIL_OP_INCR_SAT: return GL_INCR;
    case GFX_STENCIL_OP_DECR_SAT: return GL_DECR;
    case GFX_STENCIL_OP_INVERT: return GL_INVERT;
    case GFX_STENCIL_OP_INCR: return GL_INCR_WRAP;
    case GFX_STENCIL_OP_DECR: return GL_DECR_WRAP;
    default: return GL_KEEP;
  }
}

GLenum Topology(GfxTopology t) {
  switch (t) {
    case GFX_TOPOLOGY_POINTLIST: return GL_POINTS;
    case GFX_TOPOLOGY_LINELIST: return GL_LINES;
    case GFX_TOPOLOGY_LINESTRIP: return GL_LINE_STRIP;
    case GFX_TOPOLOGY_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    default: return GL_TRIANGLES;
  }
}

void SetCap(GLenum cap, bool& shadow, bool on) {
  if (shadow == on) return;
  if (on) GL(Enable)(cap);
  else GL(Disable)(cap);
  shadow = on;
}

void BindDrawFramebuffer(GLuint fbo) {
  if (g_gfx.gl.drawFbo == fbo) return;
  const bool window = fbo == GFX_WINDOW_FRAMEBUFFER;
  GL(BindFramebuffer)(GL_DRAW_FRAMEBUFFER, window ? 0 : fbo);
  g_gfx.gl.drawFbo = fbo;
  if (window) g_gfx.drawnInWindow = true;
  GfxSetWindowOrigin(window);
}

void SetColorMask(uint8_t mask) {
  if (g_gfx.gl.colorMask == mask) return;
  GL(ColorMask)(mask & 1, (mask >> 1) & 1, (mask >> 2) & 1, (mask >> 3) & 1);
  g_gfx.gl.colorMask = mask;
}

void ApplyBlend() {
  GfxShadow& sh = g_gfx.gl;
  GfxBlendObj* o = g_gfx.blends.Get(g_gfx.bound.blend);
  const GfxBlendDesc& d = o ? o->desc : DEFAULT_BLEND;
  const GfxRenderTargetBlendDesc& rt = d.renderTarget[0];
  SetCap(GL_BLEND, sh.blendOn, rt.blendEnable != 0);
  SetCap(GL_SAMPLE_ALPHA_TO_COVERAGE, sh.alphaToCoverage, d.alphaToCoverageEnable != 0);
  if (rt.blendEnable) {
    GLenum src = BlendFactor(rt.srcBlend), dst = BlendFactor(rt.destBlend);
    GLenum srcA = BlendFactor(rt.srcBlendAlpha), dstA = BlendFactor(rt.destBlendAlpha);
    if (src != sh.src || dst != sh.dst || srcA != sh.srcA || dstA != sh.dstA) {
      GL(BlendFuncSeparate)(src, dst, srcA, dstA);
      sh.src = src, sh.dst = dst, sh.srcA = srcA, sh.dstA = dstA;
    }
    GLenum op = BlendOp(rt.blendOp), opA = BlendOp(rt.blendOpAlpha);
    if (op != sh.op || opA != sh.opA) {
      GL(BlendEquationSeparate)(op, opA);
      sh.op = op, sh.opA = opA;
    }
    const float* f = g_gfx.bound.blendFactor;
    bool usesFactor = rt.srcBlend >= GFX_BLEND_BLEND_FACTOR || rt.destBlend >= GFX_BLEND_BLEND_FACTOR ||
                      rt.srcBlendAlpha >= GFX_BLEND_BLEND_FACTOR || rt.destBlendAlpha >= GFX_BLEND_BLEND_FACTOR;
    if (usesFactor && std::memcmp(f, sh.blendColor, sizeof sh.blendColor) != 0) {
      GL(BlendColor)(f[0], f[1], f[2], f[3]);
      std::memcpy(sh.blendColor, f, sizeof sh.blendColor);
    }
  }
  SetColorMask(rt.renderTargetWriteMask & 0xF);
}

void ApplyDepth() {
  GfxShadow& sh = g_gfx.gl;
  GfxDepthObj* o = g_gfx.depths.Get(g_gfx.bound.depth);
  const GfxDepthStencilDesc& d = o ? o->desc : DEFAULT_DEPTH;
  SetCap(GL_DEPTH_TEST, sh.depthOn, d.depthEnable != 0);
  if (d.depthEnable) {
    GLenum func = CompareFunc(d.depthFunc);
    if (func != sh.depthFunc) {
      GL(DepthFunc)(func);
      sh.depthFunc = func;
    }
    bool write = d.depthWriteMask != 0;
    if (write != sh.depthWrite) {
      GL(DepthMask)(write ? GL_TRUE : GL_FALSE);
      sh.depthWrite = write;
    }
  }
  SetCap(GL_STENCIL_TEST, sh.stencilOn, d.stencilEnable != 0);
  if (d.stencilEnable) {
    GLint ref = GLint(g_gfx.bound.stencilRef);
    GL(StencilFuncSeparate)(GL_FRONT, CompareFunc(d.frontFace.func), ref, d.stencilReadMask);
    GL(StencilFuncSeparate)(GL_BACK, CompareFunc(d.backFace.func), ref, d.stencilReadMask);
    GL(StencilOpSeparate)(GL_FRONT, StencilOp(d.frontFace.failOp), StencilOp(d.frontFace.depthFailOp),
                          StencilOp(d.frontFace.passOp));
    GL(StencilOpSeparate)(GL_BACK, StencilOp(d.backFace.failOp), StencilOp(d.backFace.depthFailOp),
                          StencilOp(d.backFace.passOp));
    if (sh.stencilWriteMask != d.stencilWriteMask) {
      GL(StencilMask)(d.stencilWriteMask);
      sh.stencilWriteMask = d.stencilWriteMask;
    }
  }
}

void ApplyRaster() {
  GfxShadow& sh = g_gfx.gl;
  GfxRasterObj* o = g_gfx.rasters.Get(g_gfx.bound.raster);
  const GfxRasterizerDesc& d = o ? o->desc : DEFAULT_RASTER;
  SetCap(GL_CULL_FACE, sh.cullOn, d.cullMode != GFX_CULL_NONE);
  if (d.cullMode != GFX_CULL_NONE) {
    GLenum face = d.cullMode == GFX_CULL_FRONT ? GL_FRONT : GL_BACK;
    if (face != sh.cullFace) {
      GL(CullFace)(face);
      sh.cullFace = face;
    }
  }
  // Which faces are front counts without culling too: the stencil test has one per face.
  // With the upper-left origin, GL's winding in window space matches the renderer's.  (GL
  // tells the winding before its origin turns the rows over: the window's own origin keeps it.)
  GLenum front = d.frontCounterClockwise ? GL_CCW : GL_CW;
  if (front != sh.frontFace) {
    GL(FrontFace)(front);
    sh.frontFace = front;
  }
  GLenum mode = d.fillMode == GFX_FILL_WIREFRAME ? GL_LINE : GL_FILL;
  if (mode != sh.polygonMode) {
    GL(PolygonMode)(GL_FRONT_AND_BACK, mode);
    sh.polygonMode = mode;
  }
  bool offset = d.depthBias != 0 || d.slopeScaledDepthBias != 0.0f;
  if (offset != sh.offsetOn) {
    if (offset) {
      GL(Enable)(GL_POLYGON_OFFSET_FILL);
      GL(Enable)(GL_POLYGON_OFFSET_LINE);
    } else {
      GL(Disable)(GL_POLYGON_OFFSET_FILL);
      GL(Disable)(GL_POLYGON_OFFSET_LINE);
    }
    sh.offsetOn = offset;
  }
  // A bias of n units moves depth by n times the smallest resolvable step in both APIs.
  if (offset && (sh.offsetFactor != d.slopeScaledDepthBias || sh.offsetUnits != float(d.depthBias))) {
    GL(PolygonOffset)(d.slopeScaledDepthBias, float(d.depthBias));
    sh.offsetFactor = d.slopeScaledDepthBias;
    sh.offsetUnits = float(d.depthBias);
  }
  SetCap(GL_SCISSOR_TEST, sh.scissorOn, d.scissorEnable != 0);
  SetCap(GL_DEPTH_CLAMP, sh.depthClamp, d.depthClipEnable == 0);
}

// The window's own rows run bottom up: a rectangle's top row is counted from the bottom there.
float RowsFromBottom(float top, float height) {
  return g_gfx.gl.windowOrigin ? float(g_gfx.windowHeight) - top - height : top;
}

void ApplyViewport() {
  GfxShadow& sh = g_gfx.gl;
  const GfxViewport& v = g_gfx.bound.viewport;
  const float y = RowsFromBottom(v.topLeftY, v.height);
  if (sh.viewport[0] != v.topLeftX || sh.viewport[1] != y || sh.viewport[2] != v.width || sh.viewport[3] != v.height) {
    GL(ViewportIndexedf)(0, v.topLeftX, y, v.width, v.height);
    sh.viewport[0] = v.topLeftX, sh.viewport[1] = y, sh.viewport[2] = v.width, sh.viewport[3] = v.height;
  }
  if (sh.depthRange[0] != v.minDepth || sh.depthRange[1] != v.maxDepth) {
    GL(DepthRangeIndexed)(0, v.minDepth, v.maxDepth);
    sh.depthRange[0] = v.minDepth, sh.depthRange[1] = v.maxDepth;
  }
}

void ApplyScissor() {
  GfxShadow& sh = g_gfx.gl;
  const GfxRect& r = g_gfx.bound.scissor;
  const int32_t width = std::max(r.right - r.left, 0), height = std::max(r.bottom - r.top, 0);
  int32_t box[4] = {r.left, int32_t(RowsFromBottom(float(r.top), float(height))), width, height};
  if (std::memcmp(box, sh.scissor, sizeof box) != 0) {
    GL(ScissorIndexed)(0, box[0], box[1], box[2], box[3]);
    std::memcpy(sh.scissor, box, sizeof box);
  }
}

void BindUnit(int unit, GLenum target, GLuint name) {
  GfxShadow& sh = g_gfx.gl;
  if (sh.texture[unit] == name && (name == 0 || sh.textureTarget[unit] == target)) return;
  if (sh.activeUnit != GLenum(GL_TEXTURE0 + unit)) {
    GL(ActiveTexture)(GL_TEXTURE0 + unit);
    sh.activeUnit = GL_TEXTURE0 + unit;
  }
  if (name == 0) target = sh.textureTarget[unit] ? sh.textureTarget[unit] : GL_TEXTURE_2D;
  GL(BindTexture)(target, name);
  sh.texture[unit] = name;
  sh.textureTarget[unit] = target;
}

uint32_t TextureOfView(uint32_t viewId) {
  GfxViewObj* v = g_gfx.views.Get(viewId);
  return v ? v->texture : 0;
}

void ApplyTextures(uint32_t units) {
  // A texture drawn into is not read in the same draw: GL would sample while writing.
  uint32_t targetTexture = TextureOfView(g_gfx.bound.rtv), depthTexture = TextureOfView(g_gfx.bound.dsv);
  for (int k = 0; k < GFX_TEXTURE_UNITS; ++k) {
    if (!(units & (1u << k))) continue;
    GfxViewObj* v = g_gfx.views.Get(g_gfx.bound.srv[k]);
    GLuint name = 0;
    GLenum target = GL_TEXTURE_2D;
    if (v && v->texture && v->texture != targetTexture && v->texture != depthTexture) {
      GfxTextureObj* t = GfxTextureWithStorage(v->texture);
      name = v->glView ? v->glView : t->gl;
      target = t->target;
    }
    BindUnit(k, target, name);
  }
}

void ApplySamplers(uint32_t units) {
  for (int k = 0; k < GFX_PS_RESOURCE_SLOTS; ++k) {
    if (!(units & (1u << k))) continue;
    GfxSamplerObj* s = g_gfx.samplers.Get(g_gfx.bound.sampler[k]);
    GLuint name = s ? s->gl : g_gfx.defaultSampler;
    if (g_gfx.gl.sampler[k] != name) {
      GL(BindSampler)(GLuint(k), name);
      g_gfx.gl.sampler[k] = name;
    }
  }
}

void ApplyConstants(uint64_t slots) {
  for (int b = 0; b < GFX_UBO_BINDINGS; ++b) {
    if (!(slots & (1ull << b))) continue;
    GfxBufferObj* o = g_gfx.buffers.Get(g_gfx.bound.cb[b]);
    GLuint name = o ? o->gl : 0;
    if (g_gfx.gl.ubo[b] != name) {
      GL(BindBufferBase)(GL_UNIFORM_BUFFER, GLuint(b), name);
      g_gfx.gl.ubo[b] = name;
    }
  }
}

GfxLayoutObj* CurrentLayout() {
  GfxLayoutObj* l = g_gfx.layouts.Get(g_gfx.bound.layout);
  return l ? l : &g_gfx.emptyLayout;
}

// Brings GL up to date for a draw; false when the draw cannot happen (no target or program).
bool PrepareDraw(bool indexed) {
  GfxBound& b = g_gfx.bound;
  uint32_t dirty = g_gfx.dirty;
  if (dirty & DIRTY_TARGETS) {
    BindDrawFramebuffer(GfxFramebufferFor(b.rtv, b.dsv));
    g_gfx.dirtyUnits |= 0xFF;  // the feedback rule depends on the targets
    dirty |= g_gfx.dirty;      // the window's own rows run the other way
  }
  if (g_gfx.gl.drawFbo == 0) return false;
  if (dirty & DIRTY_PROGRAM) {
    if (!b.vs) return false;
    GLuint program = GfxProgramFor(b.vs, b.ps);
    if (!program) return false;
    if (g_gfx.gl.program != program) {
      GL(UseProgram)(program);
      g_gfx.gl.program = program;
    }
  }
  if (dirty & DIRTY_BLEND) ApplyBlend();
  if (dirty & DIRTY_DEPTH) ApplyDepth();
  if (dirty & DIRTY_RASTER) ApplyRaster();
  if (dirty & DIRTY_VIEWPORT) ApplyViewport();
  if (dirty & DIRTY_SCISSOR) ApplyScissor();
  if (dirty & (DIRTY_LAYOUT | DIRTY_BUFFERS)) {
    GfxLayoutObj* l = CurrentLayout();
    if (g_gfx.gl.vao != l->vao) {
      GL(BindVertexArray)(l->vao);
      g_gfx.gl.vao = l->vao;
    }
    GfxBufferObj* vb = g_gfx.buffers.Get(b.vb);
    GLuint vbName = vb ? vb->gl : 0;
    if (l->vb != vbName || l->vbOffset != b.vbOffset || l->vbStride != b.vbStride) {
      GL(BindVertexBuffer)(0, vbName, b.vbOffset, GLsizei(b.vbStride));
      l->vb = vbName, l->vbOffset = b.vbOffset, l->vbStride = b.vbStride;
    }
    GfxBufferObj* ib = g_gfx.buffers.Get(b.ib);
    GLuint ibName = ib ? ib->gl : 0;
    if (l->ib != ibName) {
      GL(BindBuffer)(GL_ELEMENT_ARRAY_BUFFER, ibName);
      l->ib = ibName;
    }
  }
  if (dirty & DIRTY_CONSTANTS) {
    ApplyConstants(g_gfx.dirtyConstants & 0xFFFFFFFFull);  // vertex and pixel bindings
    g_gfx.dirtyConstants &= ~0xFFFFFFFFull;
  }
  if (g_gfx.dirtyUnits & 0xFF) {
    ApplyTextures(g_gfx.dirtyUnits & 0xFF);
    ApplySamplers(g_gfx.dirtyUnits & 0xFF);
    g_gfx.dirtyUnits &= ~0xFFu;
  }
  g_gfx.dirty &= DIRTY_COMPUTE;
  if (indexed && !g_gfx.buffers.Get(b.ib)) return false;
  return true;
}

void MarkConstants(int base, uint32_t start, uint32_t count, const GfxBuffer* buffers) {
  for (uint32_t i = 0; i < count && start + i < uint32_t(GFX_CB_SLOTS); ++i) {
    uint32_t slot = uint32_t(base) + start + i;
    uint32_t id = buffers ? buffers[i].id : 0;
    if (g_gfx.bound.cb[slot] == id) continue;
    g_gfx.bound.cb[slot] = id;
    g_gfx.dirtyConstants |= 1ull << slot;
    g_gfx.dirty |= base == GFX_CS_CB_BASE ? DIRTY_COMPUTE : DIRTY_CONSTANTS;
  }
}

// Makes the current draw framebuffer the one of the pair, scissor off, for a clear.
bool PrepareClear(uint32_t rtv, uint32_t dsv) {
  GLuint fbo = GfxFramebufferFor(rtv, dsv);
  if (!fbo) return false;
  BindDrawFramebuffer(fbo);
  g_gfx.dirty |= DIRTY_TARGETS;
  if (g_gfx.gl.scissorOn) {  // clears cover the whole view whatever the scissor says
    GL(Disable)(GL_SCISSOR_TEST);
    g_gfx.gl.scissorOn = false;
    g_gfx.dirty |= DIRTY_RASTER;
  }
  return true;
}

bool WindowKeepsBufferSize(const GfxTextureObj& t) {
  int width = 0, height = 0;
  GfxGlWindowClientSize(g_gfx.bufferWindow, &width, &height);
  return uint32_t(width) == t.desc.width && uint32_t(height) == t.desc.height;
}

GfxTextureObj* TextureOf(GfxResource r) {
  return r.kind == GfxResource::TEXTURE2D ? GfxTextureWithStorage(r.id) : nullptr;
}
GfxBufferObj* BufferOf(GfxResource r) { return r.kind == GfxResource::BUFFER ? g_gfx.buffers.Get(r.id) : nullptr; }


}  // namespace

// ---- [Shared with the other files] ----

void GfxContextReset() {
  g_gfx.bound = GfxBound();
  g_gfx.gl = GfxShadow();
  g_gfx.dirty = DIRTY_ALL;
  g_gfx.dirtyConstants = ~0ull;
  g_gfx.dirtyUnits = ~0u;
  // The renderer's conventions: row 0 at the top, depth 0..1, sRGB targets encode on write.
  GL(ClipControl)(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
  GL(Enable)(GL_FRAMEBUFFER_SRGB);
  GL(Enable)(GL_MULTISAMPLE);
  GL(PixelStorei)(GL_UNPACK_ALIGNMENT, 1);
  GL(PixelStorei)(GL_PACK_ALIGNMENT, 1);
  GL(GenVertexArrays)(1, &g_gfx.emptyLayout.vao);
  g_gfx.emptyLayout.refs = 1;
  GL(GenFramebuffers)(2, g_gfx.copyFbo);
  GL(GenSamplers)(1, &g_gfx.defaultSampler);
  GL(SamplerParameteri)(g_gfx.defaultSampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  GL(SamplerParameteri)(g_gfx.defaultSampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  GL(SamplerParameteri)(g_gfx.defaultSampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  GL(SamplerParameteri)(g_gfx.defaultSampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  GL(SamplerParameteri)(g_gfx.defaultSampler, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
  g_gfx.gl.activeUnit = GL_TEXTURE0;
}

void GfxForgetGlTexture(GLuint name) {
  for (int u = 0; u <= GFX_TEXTURE_UNITS; ++u)
    if (g_gfx.gl.texture[u] == name) g_gfx.gl.texture[u] = 0;
}

void GfxForgetGlBuffer(GLuint name) {
  for (GLuint& ubo : g_gfx.gl.ubo)
    if (ubo == name) ubo = 0;
  for (GLuint& ssbo : g_gfx.gl.ssbo)
    if (ssbo == name) ssbo = 0;
  auto forget = [name](GfxLayoutObj& l) {
    if (l.vb == name) l.vb = 0;
    if (l.ib == name) l.ib = 0;
  };
  for (GfxLayoutObj& l : g_gfx.layouts.items) forget(l);
  forget(g_gfx.emptyLayout);
}

void GfxForgetView(uint32_t viewId) {
  for (auto it = g_gfx.fbos.begin(); it != g_gfx.fbos.end();) {
    if (it->first.rtv == viewId || it->first.dsv == viewId) {
      if (g_gfx.gl.drawFbo == it->second) {
        g_gfx.gl.drawFbo = 0;
        g_gfx.dirty |= DIRTY_TARGETS;
      }
      GL(DeleteFramebuffers)(1, &it->second);
      it = g_gfx.fbos.erase(it);
    } else {
      ++it;
    }
  }
}

void GfxBindTextureForEdit(GLenum target, GLuint name) {
  // Edits act on the active unit: the texture may already sit on the scratch unit while a
  // draw has made another unit active, and an upload or read-back would then reach that
  // unit's texture instead.
  GfxShadow& sh = g_gfx.gl;
  if (sh.activeUnit != GLenum(GL_TEXTURE0 + GFX_SCRATCH_UNIT)) {
    GL(ActiveTexture)(GL_TEXTURE0 + GFX_SCRATCH_UNIT);
    sh.activeUnit = GL_TEXTURE0 + GFX_SCRATCH_UNIT;
  }
  BindUnit(GFX_SCRATCH_UNIT, target, name);
}

void GfxBindBufferForEdit(GLenum target, GLuint name) { GL(BindBuffer)(target, name); }

void GfxAttachForCopy(GLenum which, const GfxTextureObj& t, uint32_t level) {
  const GfxFormatInfo& info = GfxGetFormatInfo(t.desc.format);
  GLenum attachment = info.depth ? (t.desc.format == GFX_FORMAT_D24_UNORM_S8_UINT ? GL_DEPTH_STENCIL_ATTACHMENT
                                                                                  : GL_DEPTH_ATTACHMENT)
                                 : GL_COLOR_ATTACHMENT0;
  GLuint fbo = g_gfx.copyFbo[which == GL_READ_FRAMEBUFFER ? 0 : 1];
  GL(BindFramebuffer)(which, fbo);
  if (which == GL_DRAW_FRAMEBUFFER) {
    g_gfx.gl.drawFbo = fbo;
    g_gfx.dirty |= DIRTY_TARGETS;
  }
  // Only one attachment at a time: detach what a previous copy left.
  GL(FramebufferTexture2D)(which, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
  GL(FramebufferTexture2D)(which, GL_DEPTH_STENCIL_ATTACHMENT, GL_TEXTURE_2D, 0, 0);
  GL(FramebufferTexture2D)(which, attachment, t.target, t.gl, GLint(level));
}

void GfxSetWindowOrigin(bool window) {
  GfxShadow& sh = g_gfx.gl;
  if (sh.windowOrigin == window) return;
  GL(ClipControl)(window ? GL_LOWER_LEFT : GL_UPPER_LEFT, GL_ZERO_TO_ONE);
  sh.windowOrigin = window;
  // The rectangles GL holds were given for the other origin.
  sh.viewport[1] = -1;
  sh.scissor[1] = -1;
  g_gfx.dirty |= DIRTY_VIEWPORT | DIRTY_SCISSOR;
}

GLuint GfxFramebufferFor(uint32_t rtv, uint32_t dsv) {
  if (!rtv && !dsv) return 0;
  GfxFboKey key{rtv, dsv};
  auto it = g_gfx.fbos.find(key);
  if (it != g_gfx.fbos.end()) return it->second;
  GfxViewObj* color = g_gfx.views.Get(rtv);
  GfxViewObj* depth = g_gfx.views.Get(dsv);
  if ((rtv && (!color || color->kind != VIEW_RTV)) || (dsv && (!depth || depth->kind != VIEW_DSV))) return 0;
  // A back buffer still drawn in its window: its colour alone is the window's framebuffer,
  // while the window keeps the buffer's size; with a depth buffer (which the window has not)
  // or once the window was resized, it takes storage of its own.
  if (color) {
    const GfxTextureObj* t = g_gfx.textures.Get(color->texture);
    const bool inWindow = t->window == WINDOW_DRAWN && !depth && WindowKeepsBufferSize(*t);
    if (inWindow && GfxGlBindWindow(g_gfx.bufferWindow)) return GFX_WINDOW_FRAMEBUFFER;
    if (t->window) GfxTextureWithStorage(color->texture);
  }
  GLuint fbo = 0;
  GL(GenFramebuffers)(1, &fbo);
  GL(BindFramebuffer)(GL_DRAW_FRAMEBUFFER, fbo);
  g_gfx.gl.drawFbo = fbo;
  g_gfx.dirty |= DIRTY_TARGETS;
  if (color) {
    GfxTextureObj* t = g_gfx.textures.Get(color->texture);
    GL(FramebufferTexture2D)(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, color->target,
                             color->glView ? color->glView : t->gl, GLint(color->level));
  } else {
    GLenum none = GL_NONE;
    GL(DrawBuffers)(1, &none);
  }
  if (depth) {
    GfxTextureObj* t = g_gfx.textures.Get(depth->texture);
    GLenum attachment =
        t->desc.format == GFX_FORMAT_D24_UNORM_S8_UINT ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
    GL(FramebufferTexture2D)(GL_DRAW_FRAMEBUFFER, attachment, depth->target, t->gl, GLint(depth->level));
  }
  if (GL(CheckFramebufferStatus)(GL_DRAW_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    GL(DeleteFramebuffers)(1, &fbo);
    g_gfx.gl.drawFbo = 0;
    fbo = 0;
  }
  g_gfx.fbos[key] = fbo;
  return fbo;
}

// ---- [Output merger and rasterizer] ----

void GfxOMSetRenderTargets(GfxContext, uint32_t count, const GfxRenderTargetView* views, GfxDepthStencilView depth) {
  uint32_t rtv = count > 0 && views ? views[0].id : 0;
  if (g_gfx.bound.rtv == rtv && g_gfx.bound.dsv == depth.id) return;
  g_gfx.bound.rtv = rtv;
  g_gfx.bound.dsv = depth.id;
  g_gfx.dirty |= DIRTY_TARGETS;
}

void GfxOMGetRenderTargets(GfxContext, GfxRenderTargetView* view, GfxDepthStencilView* depth) {
  if (view) view->id = g_gfx.bound.rtv;
  if (depth) depth->id = g_gfx.bound.dsv;
}

void GfxOMSetBlendState(GfxContext, GfxBlendState state, const float blendFactor[4], uint32_t) {
  static const float ONES[4] = {1, 1, 1, 1};
  const float* f = blendFactor ? blendFactor : ONES;
  if (g_gfx.bound.blend == state.id && std::memcmp(f, g_gfx.bound.blendFactor, sizeof(float) * 4) == 0) return;
  g_gfx.bound.blend = state.id;
  std::memcpy(g_gfx.bound.blendFactor, f, sizeof(float) * 4);
  g_gfx.dirty |= DIRTY_BLEND;
}

void GfxOMSetDepthStencilState(GfxContext, GfxDepthStencilState state, uint32_t stencilRef) {
  if (g_gfx.bound.depth == state.id && g_gfx.bound.stencilRef == stencilRef) return;
  g_gfx.bound.depth = state.id;
  g_gfx.bound.stencilRef = stencilRef;
  g_gfx.dirty |= DIRTY_DEPTH;
}

void GfxRSSetState(GfxContext, GfxRasterizerState state) {
  if (g_gfx.bound.raster == state.id) return;
  g_gfx.bound.raster = state.id;
  g_gfx.dirty |= DIRTY_RASTER;
}

void GfxRSSetViewports(GfxContext, uint32_t count, const GfxViewport* viewports) {
  if (count == 0) return;
  g_gfx.bound.viewport = viewports[0];
  g_gfx.dirty |= DIRTY_VIEWPORT;
}

void GfxRSSetScissorRects(GfxContext, uint32_t count, const GfxRect* rects) {
  g_gfx.bound.scissor = count ? rects[0] : GfxRect{};
  g_gfx.dirty |= DIRTY_SCISSOR;
}

// ---- [Input assembler and shaders] ----

void GfxIASetInputLayout(GfxContext, GfxInputLayout layout) {
  if (g_gfx.bound.layout == layout.id) return;
  g_gfx.bound.layout = layout.id;
  g_gfx.dirty |= DIRTY_LAYOUT;
}

void GfxIASetVertexBuffers(GfxContext, uint32_t startSlot, uint32_t count, const GfxBuffer* buffers,
                           const uint32_t* strides, const uint32_t* offsets) {
  if (startSlot != 0 || count == 0) return;  // one stream is all the renderer uses
  GfxBound& b = g_gfx.bound;
  uint32_t id = buffers ? buffers[0].id : 0;
  uint32_t stride = strides ? strides[0] : 0, offset = offsets ? offsets[0] : 0;
  if (b.vb == id && b.vbStride == stride && b.vbOffset == offset) return;
  b.vb = id, b.vbStride = stride, b.vbOffset = offset;
  g_gfx.dirty |= DIRTY_BUFFERS;
}

void GfxIASetIndexBuffer(GfxContext, GfxBuffer buffer, GfxFormat format, uint32_t offset) {
  GfxBound& b = g_gfx.bound;
  if (b.ib == buffer.id && b.ibFormat == format && b.ibOffset == offset) return;
  b.ib = buffer.id, b.ibFormat = format, b.ibOffset = offset;
  g_gfx.dirty |= DIRTY_BUFFERS;
}

void GfxIASetPrimitiveTopology(GfxContext, GfxTopology topology) { g_gfx.bound.topology = topology; }

void GfxVSSetShader(GfxContext, GfxVertexShader shader) {
  if (g_gfx.bound.vs == shader.id) return;
  g_gfx.bound.vs = shader.id;
  g_gfx.dirty |= DIRTY_PROGRAM;
}

void GfxPSSetShader(GfxContext, GfxPixelShader shader) {
  if (g_gfx.bound.ps == shader.id) return;
  g_gfx.bound.ps = shader.id;
  g_gfx.dirty |= DIRTY_PROGRAM;
}

void GfxCSSetShader(GfxContext, GfxComputeShader shader) {
  if (g_gfx.bound.cs == shader.id) return;
  g_gfx.bound.cs = shader.id;
  g_gfx.dirty |= DIRTY_COMPUTE;
}

void GfxVSSetConstantBuffers(GfxContext, uint32_t startSlot, uint32_t count, const GfxBuffer* buffers) {
  MarkConstants(GFX_VS_CB_BASE, startSlot, count, buffers);
}
void GfxPSSetConstantBuffers(GfxContext, uint32_t startSlot, uint32_t count, const GfxBuffer* buffers) {
  MarkConstants(GFX_PS_CB_BASE, startSlot, count, buffers);
}
void GfxCSSetConstantBuffers(GfxContext, uint32_t startSlot, uint32_t count, const GfxBuffer* buffers) {
  MarkConstants(GFX_CS_CB_BASE, startSlot, count, buffers);
}

void GfxPSSetShaderResources(GfxContext, uint32_t startSlot, uint32_t count, const GfxShaderResourceView* views) {
  for (uint32_t i = 0; i < count && startSlot + i < uint32_t(GFX_PS_RESOURCE_SLOTS); ++i) {
    uint32_t id = views ? views[i].id : 0;
    if (g_gfx.bound.srv[startSlot + i] == id) continue;
    g_gfx.bound.srv[startSlot + i] = id;
    g_gfx.dirtyUnits |= 1u << (startSlot + i);
  }
}

void GfxPSSetSamplers(GfxContext, uint32_t startSlot, uint32_t count, const GfxSamplerState* samplers) {
  for (uint32_t i = 0; i < count && startSlot + i < uint32_t(GFX_PS_RESOURCE_SLOTS); ++i) {
    uint32_t id = samplers ? samplers[i].id : 0;
    if (g_gfx.bound.sampler[startSlot + i] == id) continue;
    g_gfx.bound.sampler[startSlot + i] = id;
    g_gfx.dirtyUnits |= 1u << (startSlot + i);
  }
}

void GfxCSSetShaderResources(GfxContext, uint32_t startSlot, uint32_t count, const GfxShaderResourceView* views) {
  if (startSlot != 0 || count == 0) return;
  uint32_t id = views ? views[0].id : 0;
  if (g_gfx.bound.srv[GFX_CS_SRV_UNIT] == id) return;
  g_gfx.bound.srv[GFX_CS_SRV_UNIT] = id;
  g_gfx.dirty |= DIRTY_COMPUTE;
}

void GfxCSSetUnorderedAccessViews(GfxContext, uint32_t startSlot, uint32_t count,
                                  const GfxUnorderedAccessView* views) {
  for (uint32_t i = 0; i < count && startSlot + i < uint32_t(GFX_UAV_SLOTS); ++i) {
    g_gfx.bound.uav[startSlot + i] = views ? views[i].id : 0;
    g_gfx.dirty |= DIRTY_COMPUTE;
  }
}

// ---- [Draw and dispatch] ----

namespace {

uint64_t g_drawCount;
void (*g_beforeNextDraw)();

void CallBeforeDraw() {
  if (!g_beforeNextDraw) return;
  void (*call)() = g_beforeNextDraw;
  g_beforeNextDraw = nullptr;
  call();
}

}  // namespace

uint64_t GfxDrawCount() { return g_drawCount; }

void GfxCallBeforeNextDraw(void (*call)()) { g_beforeNextDraw = call; }

void GfxDraw(GfxContext, uint32_t vertexCount, uint32_t startVertex) {
  CallBeforeDraw();
  ++g_drawCount;
  if (vertexCount == 0) GfxForgetDrawReach();
  if (vertexCount == 0 || GfxFingerprintDraw(1, vertexCount, startVertex, 0) || !PrepareDraw(false)) return;
  GL(DrawArrays)(Topology(g_gfx.bound.topology), GLint(startVertex), GLsizei(vertexCount));
}

void GfxDrawIndexed(GfxContext, uint32_t indexCount, uint32_t startIndex, int32_t baseVertex) {
  CallBeforeDraw();
  ++g_drawCount;
  if (indexCount == 0) GfxForgetDrawReach();
  if (indexCount == 0 || GfxFingerprintDraw(2, indexCount, startIndex, baseVertex) || !PrepareDraw(true)) return;
  bool wide = g_gfx.bound.ibFormat == GFX_FORMAT_R32_UINT;
  uintptr_t offset = g_gfx.bound.ibOffset + uintptr_t(startIndex) * (wide ? 4 : 2);
  GL(DrawElementsBaseVertex)(Topology(g_gfx.bound.topology), GLsizei(indexCount),
                             wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT, reinterpret_cast<const void*>(offset),
                             baseVertex);
}

void GfxDispatch(GfxContext, uint32_t x, uint32_t y, uint32_t z) {
  ++g_drawCount;
  GfxFingerprintDispatch(x, y, z);
  GfxShaderObj* cs = g_gfx.shaders.Get(g_gfx.bound.cs);
  if (!cs || !cs->program) return;
  if (g_gfx.gl.program != cs->program) {
    GL(UseProgram)(cs->program);
    g_gfx.gl.program = cs->program;
  }
  g_gfx.dirty |= DIRTY_PROGRAM;  // the next draw puts its own program back
  ApplyConstants(g_gfx.dirtyConstants & (0xFFull << GFX_CS_CB_BASE));
  g_gfx.dirtyConstants &= ~(0xFFull << GFX_CS_CB_BASE);
  GfxViewObj* v = g_gfx.views.Get(g_gfx.bound.srv[GFX_CS_SRV_UNIT]);
  GfxTextureObj* t = v ? GfxTextureWithStorage(v->texture) : nullptr;
  BindUnit(GFX_CS_SRV_UNIT, t ? t->target : GL_TEXTURE_2D, t ? (v->glView ? v->glView : t->gl) : 0);
  for (int k = 0; k < GFX_UAV_SLOTS; ++k) {
    GfxViewObj* u = g_gfx.views.Get(g_gfx.bound.uav[k]);
    GfxBufferObj* b = u ? g_gfx.buffers.Get(u->buffer) : nullptr;
    GLuint name = b ? b->gl : 0;
    if (g_gfx.gl.ssbo[k] != name) {
      GL(BindBufferBase)(GL_SHADER_STORAGE_BUFFER, GLuint(k), name);
      g_gfx.gl.ssbo[k] = name;
    }
  }
  GL(DispatchCompute)(x, y, z);
  // Results are read by copies, draws and maps that follow; one barrier covers them all.
  GL(MemoryBarrier)(GL_ALL_BARRIER_BITS);
}

// ---- [Clears] ----

void GfxClearRenderTargetView(GfxContext, GfxRenderTargetView view, const float rgba[4]) {
  if (GfxFingerprintClear(view.id, rgba, 4) || !PrepareClear(view.id, 0)) return;
  if (g_gfx.gl.colorMask != 0xF) {  // and ignore the write mask
    SetColorMask(0xF);
    g_gfx.dirty |= DIRTY_BLEND;
  }
  if (g_gfx.gl.drawFbo == GFX_WINDOW_FRAMEBUFFER) {  // a window's own buffer takes a whole clear only
    GL(ClearColor)(rgba[0], rgba[1], rgba[2], rgba[3]);
    GL(Clear)(GL_COLOR_BUFFER_BIT);
    return;
  }
  GL(ClearBufferfv)(GL_COLOR, 0, rgba);
}

void GfxClearDepthStencilView(GfxContext, GfxDepthStencilView view, uint32_t flags, float depth, uint8_t stencil) {
  GfxViewObj* v = g_gfx.views.Get(view.id);
  if (!v || v->kind != VIEW_DSV) return;
  const float values[3] = {float(flags), depth, float(stencil)};
  GfxFingerprintClear(view.id, values, 3);
  if (!PrepareClear(0, view.id)) return;
  bool hasStencil = g_gfx.textures.Get(v->texture)->desc.format == GFX_FORMAT_D24_UNORM_S8_UINT;
  if ((flags & GFX_CLEAR_DEPTH) && !g_gfx.gl.depthWrite) {
    GL(DepthMask)(GL_TRUE);
    g_gfx.gl.depthWrite = true;
    g_gfx.dirty |= DIRTY_DEPTH;
  }
  if ((flags & GFX_CLEAR_STENCIL) && hasStencil && g_gfx.gl.stencilWriteMask != 0xFF) {
    GL(StencilMask)(0xFF);
    g_gfx.gl.stencilWriteMask = 0xFF;
    g_gfx.dirty |= DIRTY_DEPTH;
  }
  if ((flags & GFX_CLEAR_DEPTH) && (flags & GFX_CLEAR_STENCIL) && hasStencil) {
    GL(ClearBufferfi)(GL_DEPTH_STENCIL, 0, depth, GLint(stencil));
  } else if (flags & GFX_CLEAR_DEPTH) {
    GL(ClearBufferfv)(GL_DEPTH, 0, &depth);
  } else if ((flags & GFX_CLEAR_STENCIL) && hasStencil) {
    GLint s = stencil;
    GL(ClearBufferiv)(GL_STENCIL, 0, &s);
  }
}

void GfxClearUnorderedAccessViewUint(GfxContext, GfxUnorderedAccessView view, const uint32_t values[4]) {
  GfxViewObj* v = g_gfx.views.Get(view.id);
  GfxBufferObj* b = v && v->kind == VIEW_UAV ? g_gfx.buffers.Get(v->buffer) : nullptr;
  if (!b) return;
  b->content = GfxFingerprintWrite(b->content, GFX_WRITE_CLEAR_UAV,
                                   (uint64_t(values[0]) << 32 | values[1]) ^ (uint64_t(values[2]) << 32 | values[3]),
                                   uint64_t(v->uav.firstElement) << 32 | v->uav.numElements);
  GfxBindBufferForEdit(GL_COPY_WRITE_BUFFER, b->gl);
  GL(ClearBufferSubData)(GL_COPY_WRITE_BUFFER, GL_R32UI, GLintptr(v->uav.firstElement) * 4,
                         GLsizeiptr(v->uav.numElements) * 4, GL_RED_INTEGER, GL_UNSIGNED_INT, values);
}

// ---- [Mapping and copies] ----

GfxResult GfxMapResource(GfxContext, GfxResource resource, uint32_t subresource, GfxMap type,
                         GfxMappedSubresource* out) {
  *out = GfxMappedSubresource{};
  if (GfxBufferObj* b = BufferOf(resource)) {
    if (b->mapped) return GFX_ERROR_INVALID_CALL;
    if (b->desc.usage == GFX_USAGE_STAGING) {
      out->data = b->cpu.data();
    } else if (b->desc.usage == GFX_USAGE_DYNAMIC && (type == GFX_MAP_WRITE_DISCARD || type == GFX_MAP_WRITE_NO_OVERWRITE)) {
      // Discard orphans the storage: draws still queued keep the old one, and the map need not
      // wait for them (an invalidating map makes software drivers finish every queued draw
      // first).  Storage that no draw or dispatch can have read since it was made is written
      // as it is: a software driver makes and clears new storage at every orphaning.
      // No-overwrite promises not to touch what draws use.
      GfxBindBufferForEdit(GL_COPY_WRITE_BUFFER, b->gl);
      if (type == GFX_MAP_WRITE_DISCARD && b->drawsAtStorage != g_drawCount) {
        GL(BufferData)(GL_COPY_WRITE_BUFFER, b->desc.byteWidth, nullptr, GL_DYNAMIC_DRAW);
        b->drawsAtStorage = g_drawCount;
      }
      out->data = GL(MapBufferRange)(GL_COPY_WRITE_BUFFER, 0, b->desc.byteWidth,
                                     GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
      if (!out->data) return GFX_E_OUTOFMEMORY;
    } else {
      return GFX_E_INVALIDARG;
    }
    b->mapped = type;
    if (type != GFX_MAP_READ) GfxFingerprintMap(*b, type);
    out->rowPitch = out->depthPitch = b->desc.byteWidth;
    return GFX_OK;
  }
  GfxTextureObj* t = TextureOf(resource);
  if (!t || t->desc.usage != GFX_USAGE_STAGING || subresource >= t->desc.mipLevels) return GFX_E_INVALIDARG;
  uint32_t pitch = 0;
  size_t size = GfxLevelByteSize(t->desc.format, std::max(t->desc.width >> subresource, 1u),
                                 std::max(t->desc.height >> subresource, 1u), &pitch);
  if (type != GFX_MAP_READ) t->content = GfxFreshContent();
  out->data = t->cpu.data() + t->levelOffset[subresource];
  out->rowPitch = pitch;
  out->depthPitch = uint32_t(size);
  return GFX_OK;
}

void GfxUnmap(GfxContext, GfxResource resource, uint32_t) {
  GfxBufferObj* b = BufferOf(resource);
  if (!b || !b->mapped) return;
  if (b->mapped != GFX_MAP_READ) GfxFingerprintUnmap(*b);
  if (b->gl) {
    GfxBindBufferForEdit(GL_COPY_WRITE_BUFFER, b->gl);
    GL(UnmapBuffer)(GL_COPY_WRITE_BUFFER);
  }
  b->mapped = 0;
}

void GfxUpdateSubresource(GfxContext, GfxResource resource, uint32_t subresource, const GfxBox* box, const void* data,
                          uint32_t rowPitch, uint32_t) {
  if (GfxBufferObj* b = BufferOf(resource)) {
    uint32_t begin = box ? box->left : 0, end = box ? box->right : b->desc.byteWidth;
    if (end > b->desc.byteWidth || begin >= end) return;
    GfxFingerprintBufferWrite(*b, begin, end, data);
    if (b->gl) {
      GfxBindBufferForEdit(GL_COPY_WRITE_BUFFER, b->gl);
      GL(BufferSubData)(GL_COPY_WRITE_BUFFER, begin, end - begin, data);
    } else {
      std::memcpy(b->cpu.data() + begin, data, end - begin);
    }
    return;
  }
  GfxTextureObj* t = TextureOf(resource);
  if (!t || subresource >= t->desc.mipLevels) return;
  t->content = GfxFreshContent();
  if (t->gl) {
    GfxUploadTextureBox(*t, subresource, box, data, rowPitch);
    return;
  }
  // A staging texture: copy the rows into its memory.
  uint32_t w = std::max(t->desc.width >> subresource, 1u), h = std::max(t->desc.height >> subresource, 1u);
  uint32_t pitch = 0;
  GfxLevelByteSize(t->desc.format, w, h, &pitch);
  uint32_t bpp = GfxGetFormatInfo(t->desc.format).bytesPerPixel;
  uint32_t x = box ? box->left : 0, y = box ? box->top : 0;
  uint32_t bw = box ? box->right - box->left : w, bh = box ? box->bottom - box->top : h;
  if (x + bw > w || y + bh > h) return;
  for (uint32_t r = 0; r < bh; ++r)
    std::memcpy(&t->cpu[t->levelOffset[subresource] + size_t(y + r) * pitch + x * bpp],
                static_cast<const uint8_t*>(data) + size_t(r) * (rowPitch ? rowPitch : bw * bpp), size_t(bw) * bpp);
}

bool GfxReadTexturePixels(GfxContext, GfxTexture2D texture, uint32_t mipLevel, void* out, size_t size) {
  GfxTextureObj* t = GfxTextureWithStorage(texture.id);
  if (!t || mipLevel >= t->desc.mipLevels) return false;
  uint32_t w = std::max(t->desc.width >> mipLevel, 1u), h = std::max(t->desc.height >> mipLevel, 1u);
  size_t need = GfxLevelByteSize(t->desc.format, w, h, nullptr);
  if (size < need) return false;
  if (!t->gl) {
    std::memcpy(out, t->cpu.data() + t->levelOffset[mipLevel], need);
    return true;
  }
  if (t->target != GL_TEXTURE_2D) return false;  // multisampled: resolve first
  const GfxFormatInfo& info = GfxGetFormatInfo(t->desc.format);
  GfxBindTextureForEdit(t->target, t->gl);
  if (info.compressed) GL(GetCompressedTexImage)(t->target, GLint(mipLevel), out);
  else GL(GetTexImage)(t->target, GLint(mipLevel), info.glFormat, info.glType, out);
  return true;
}

void GfxCopySubresourceRegion(GfxContext context, GfxResource destination, uint32_t destSubresource, uint32_t x,
                              uint32_t y, uint32_t, GfxResource source, uint32_t sourceSubresource,
                              const GfxBox* box) {
  ++g_drawCount;
  GfxBufferObj* db = BufferOf(destination);
  GfxBufferObj* sb = BufferOf(source);
  if (db && sb) {
    uint32_t begin = box ? box->left : 0, end = box ? box->right : sb->desc.byteWidth;
    if (end > sb->desc.byteWidth || x + (end - begin) > db->desc.byteWidth || begin >= end) return;
    uint32_t n = end - begin;
    db->content = begin == 0 && x == 0 && n == db->desc.byteWidth
                      ? sb->content
                      : GfxFingerprintWrite(db->content, GFX_WRITE_REGION, sb->content, uint64_t(begin) << 32 | x);
    if (db->gl && sb->gl) {
      GfxBindBufferForEdit(GL_COPY_READ_BUFFER, sb->gl);
      GfxBindBufferForEdit(GL_COPY_WRITE_BUFFER, db->gl);
      GL(CopyBufferSubData)(GL_COPY_READ_BUFFER, GL_COPY_WRITE_BUFFER, begin, x, n);
    } else if (sb->gl) {
      GfxBindBufferForEdit(GL_COPY_READ_BUFFER, sb->gl);
      GL(GetBufferSubData)(GL_COPY_READ_BUFFER, begin, n, db->cpu.data() + x);
    } else if (db->gl) {
      GfxBindBufferForEdit(GL_COPY_WRITE_BUFFER, db->gl);
      GL(BufferSubData)(GL_COPY_WRITE_BUFFER, x, n, sb->cpu.data() + begin);
    } else {
      std::memmove(db->cpu.data() + x, sb->cpu.data() + begin, n);
    }
    return;
  }
  GfxTextureObj* dt = TextureOf(destination);
  GfxTextureObj* st = TextureOf(source);
  if (!dt || !st || destSubresource >= dt->desc.mipLevels || sourceSubresource >= st->desc.mipLevels) return;
  uint32_t sw = std::max(st->desc.width >> sourceSubresource, 1u), sh = std::max(st->desc.height >> sourceSubresource, 1u);
  uint32_t dw = std::max(dt->desc.width >> destSubresource, 1u), dh = std::max(dt->desc.height >> destSubresource, 1u);
  GfxBox b = box ? *box : GfxBox{0, 0, 0, sw, sh, 1};
  if (b.right > sw || b.bottom > sh || b.left >= b.right || b.top >= b.bottom) return;
  uint32_t w = b.right - b.left, h = b.bottom - b.top;
  if (x + w > dw || y + h > dh) return;
  const GfxFormatInfo& info = GfxGetFormatInfo(st->desc.format);
  const uint64_t where = uint64_t(b.left) << 48 ^ uint64_t(b.top) << 32 ^ uint64_t(w) << 16 ^ h;
  const uint64_t written = GfxFingerprintWrite(dt->content, GFX_WRITE_REGION, st->content,
                                               where ^ (uint64_t(x) << 40 | uint64_t(y) << 8 | destSubresource));
  if (dt->gl && st->gl) {
    GL(CopyImageSubData)(st->gl, st->target, GLint(sourceSubresource), GLint(b.left), GLint(b.top), 0, dt->gl,
                         dt->target, GLint(destSubresource), GLint(x), GLint(y), 0, GLsizei(w), GLsizei(h), 1);
    dt->content = written;
    return;
  }
  if (info.compressed) return;  // staging copies of block formats are not needed
  // Through memory: read the whole source level, then write the box.
  std::vector<uint8_t> level(GfxLevelByteSize(st->desc.format, sw, sh, nullptr));
  if (!GfxReadTexturePixels(context, GfxTexture2D{source.id}, sourceSubresource, level.data(), level.size())) return;
  uint32_t bpp = info.bytesPerPixel;
  const uint8_t* first = level.data() + (size_t(b.top) * sw + b.left) * bpp;
  GfxBox target{x, y, 0, x + w, y + h, 1};
  GfxUpdateSubresource(context, destination, destSubresource, &target, first, sw * bpp, 0);
  dt->content = written;
}

void GfxCopyResource(GfxContext context, GfxResource destination, GfxResource source) {
  ++g_drawCount;
  if (BufferOf(destination) && BufferOf(source)) {
    GfxCopySubresourceRegion(context, destination, 0, 0, 0, 0, source, 0, nullptr);
    return;
  }
  GfxTextureObj* dt = TextureOf(destination);
  GfxTextureObj* st = TextureOf(source);
  if (!dt || !st || dt->desc.width != st->desc.width || dt->desc.height != st->desc.height) return;
  uint32_t levels = std::min(dt->desc.mipLevels, st->desc.mipLevels);
  for (uint32_t l = 0; l < levels; ++l) GfxCopySubresourceRegion(context, destination, l, 0, 0, 0, source, l, nullptr);
  // A copy of every level holds what the source holds.
  if (dt->desc.mipLevels == st->desc.mipLevels && dt->desc.format == st->desc.format) dt->content = st->content;
}

void GfxResolveSubresource(GfxContext, GfxResource destination, uint32_t destSubresource, GfxResource source,
                           uint32_t sourceSubresource, GfxFormat) {
  ++g_drawCount;
  GfxTextureObj* dt = TextureOf(destination);
  GfxTextureObj* st = TextureOf(source);
  if (!dt || !st || !dt->gl || !st->gl) return;
  GfxAttachForCopy(GL_READ_FRAMEBUFFER, *st, sourceSubresource);
  GfxAttachForCopy(GL_DRAW_FRAMEBUFFER, *dt, destSubresource);
  if (g_gfx.gl.scissorOn) {
    GL(Disable)(GL_SCISSOR_TEST);
    g_gfx.gl.scissorOn = false;
    g_gfx.dirty |= DIRTY_RASTER;
  }
  GLint w = GLint(std::max(st->desc.width >> sourceSubresource, 1u));
  GLint h = GLint(std::max(st->desc.height >> sourceSubresource, 1u));
  GL(BlitFramebuffer)(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  dt->content = GfxFingerprintWrite(dt->content, GFX_WRITE_RESOLVE, st->content,
                                    uint64_t(sourceSubresource) << 32 | destSubresource);
}

void GfxGenerateMips(GfxContext, GfxShaderResourceView view) {
  GfxViewObj* v = g_gfx.views.Get(view.id);
  GfxTextureObj* t = v ? GfxTextureWithStorage(v->texture) : nullptr;
  if (!t || !t->gl || t->target != GL_TEXTURE_2D) return;
  t->content = GfxFingerprintWrite(t->content, GFX_WRITE_MIPS, 0, 0);
  GfxBindTextureForEdit(t->target, t->gl);
  GL(GenerateMipmap)(t->target);
}

void GfxClearState(GfxContext) {
  g_gfx.bound = GfxBound();
  g_gfx.dirty = DIRTY_ALL;
  g_gfx.dirtyConstants = ~0ull;
  g_gfx.dirtyUnits = ~0u;
}

void GfxFlush(GfxContext) { GL(Flush)(); }

void GfxFinish(GfxContext) { GL(Finish)(); }

uint64_t GfxGlCallCount() { return g_gl.calls; }

void GfxInjectPresentFault(GfxResult code) { g_gfx.presentFault = code; }

void GfxResetGlState(GfxContext) {
  GL(UseProgram)(0);
  GL(BindVertexArray)(0);
  GL(BindFramebuffer)(GL_FRAMEBUFFER, 0);
  GL(Disable)(GL_BLEND);
  GL(BlendFuncSeparate)(GL_ONE, GL_ZERO, GL_ONE, GL_ZERO);
  GL(BlendEquationSeparate)(GL_FUNC_ADD, GL_FUNC_ADD);
  GL(ColorMask)(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  GL(Disable)(GL_SAMPLE_ALPHA_TO_COVERAGE);
  GL(Disable)(GL_DEPTH_TEST);
  GL(DepthFunc)(GL_LESS);
  GL(DepthMask)(GL_TRUE);
  GL(Disable)(GL_STENCIL_TEST);
  GL(StencilMask)(0xFF);
  GL(Disable)(GL_CULL_FACE);
  GL(CullFace)(GL_BACK);
  GL(FrontFace)(GL_CCW);
  GL(PolygonMode)(GL_FRONT_AND_BACK, GL_FILL);
  GL(Disable)(GL_POLYGON_OFFSET_FILL);
  GL(Disable)(GL_POLYGON_OFFSET_LINE);
  GL(PolygonOffset)(0, 0);
  GL(Disable)(GL_SCISSOR_TEST);
  GL(Disable)(GL_DEPTH_CLAMP);
  GL(ClipControl)(GL_UPPER_LEFT, GL_ZERO_TO_ONE);
  for (int b = 0; b < GFX_UBO_BINDINGS; ++b) GL(BindBufferBase)(GL_UNIFORM_BUFFER, GLuint(b), 0);
  for (int k = 0; k < GFX_UAV_SLOTS; ++k) GL(BindBufferBase)(GL_SHADER_STORAGE_BUFFER, GLuint(k), 0);
  for (int u = 0; u <= GFX_TEXTURE_UNITS; ++u) {
    GL(ActiveTexture)(GL_TEXTURE0 + u);
    GL(BindTexture)(GL_TEXTURE_2D, 0);
    GL(BindTexture)(GL_TEXTURE_2D_MULTISAMPLE, 0);
    if (u < GFX_PS_RESOURCE_SLOTS) GL(BindSampler)(GLuint(u), 0);
  }
  GL(ActiveTexture)(GL_TEXTURE0);
  g_gfx.gl = GfxShadow();
  g_gfx.gl.activeUnit = GL_TEXTURE0;
  for (GfxLayoutObj& l : g_gfx.layouts.items) l.vb = l.ib = 0, l.vbOffset = l.vbStride = 0;
  g_gfx.emptyLayout.vb = g_gfx.emptyLayout.ib = 0;
  g_gfx.dirty = DIRTY_ALL;
  g_gfx.dirtyConstants = ~0ull;
  g_gfx.dirtyUnits = ~0u;
}
