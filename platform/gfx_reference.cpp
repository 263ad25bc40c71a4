// gfx_reference.cpp - the bare-GL yardstick the layer's benchmark compares itself with: the
// same frame, issued call by call with no state cache in between.
#include "platform/gfx_local.h"

#include <vector>

GLuint GfxProgramFor(uint32_t vs, uint32_t ps);

void GfxReferenceDrawFrame(GfxRenderTargetView target, GfxVertexShader vs, GfxPixelShader ps, GfxInputLayout layout,
                           GfxBuffer vertices, uint32_t stride, GfxBuffer indices, GfxBuffer constants,
                           uint32_t indexCount, int draws, int changeEvery) {
  GLuint fbo = GfxFramebufferFor(target.id, 0);
  GLuint program = GfxProgramFor(vs.id, ps.id);
  GfxLayoutObj* l = g_gfx.layouts.Get(layout.id);
  GfxBufferObj* vb = g_gfx.buffers.Get(vertices.id);
  GfxBufferObj* ib = g_gfx.buffers.Get(indices.id);
  GfxBufferObj* cb = g_gfx.buffers.Get(constants.id);
  GfxViewObj* view = g_gfx.views.Get(target.id);
  GfxTextureObj* t = view ? g_gfx.textures.Get(view->texture) : nullptr;
  if (!fbo || !program || !l || !vb || !ib || !cb || !t) return;
  g_gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
  g_gl.ViewportIndexedf(0, 0, 0, float(t->desc.width), float(t->desc.height));
  g_gl.UseProgram(program);
  g_gl.BindVertexArray(l->vao);
  g_gl.BindVertexBuffer(0, vb->gl, 0, GLsizei(stride));
  g_gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, ib->gl);
  g_gl.BindBufferBase(GL_UNIFORM_BUFFER, GFX_PS_CB_BASE, cb->gl);
  g_gl.Disable(GL_DEPTH_TEST);
  g_gl.Disable(GL_CULL_FACE);
  for (int i = 0; i < draws; ++i) {
    if (i % changeEvery == 0) {
      if ((i / changeEvery) & 1) {
        g_gl.Enable(GL_BLEND);
        g_gl.BlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE);
        g_gl.BlendEquationSeparate(GL_FUNC_ADD, GL_MAX);
      } else {
        g_gl.Disable(GL_BLEND);
      }
    }
    g_gl.DrawElementsBaseVertex(GL_TRIANGLES, GLsizei(indexCount), GL_UNSIGNED_SHORT, nullptr, 0);
  }
  g_gl.Flush();
  // The layer's record of GL no longer holds.
  GfxResetGlState(GfxContext{1});
}

void GfxReferenceDrawQuads(GfxRenderTargetView target, GfxVertexShader vs, GfxPixelShader ps, GfxInputLayout layout,
                           GfxBuffer vertices, GfxBuffer indices, const GfxReferenceQuad* quads, int count,
                           const uint8_t colourTable[256], const float* clearRgba) {
  struct Vertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
  };
  GLuint fbo = GfxFramebufferFor(target.id, 0);
  GLuint program = GfxProgramFor(vs.id, ps.id);
  GfxLayoutObj* l = g_gfx.layouts.Get(layout.id);
  GfxBufferObj* vb = g_gfx.buffers.Get(vertices.id);
  GfxBufferObj* ib = g_gfx.buffers.Get(indices.id);
  GfxViewObj* view = g_gfx.views.Get(target.id);
  GfxTextureObj* t = view ? g_gfx.textures.Get(view->texture) : nullptr;
  if (!fbo || !program || !l || !vb || !ib || !t || count <= 0 || count > 16384) return;
  if (vb->desc.byteWidth < uint32_t(count) * 4 * sizeof(Vertex) || ib->desc.byteWidth < uint32_t(count) * 12) return;
  static std::vector<Vertex> v;
  static std::vector<uint16_t> index;
  v.resize(size_t(count) * 4);
  index.resize(size_t(count) * 6);
  Vertex* out = v.data();
  uint16_t* i = index.data();
  for (int q = 0; q < count; ++q) {
    const GfxReferenceQuad& s = quads[q];
    uint32_t c = (s.colour & 0xFF000000u) | uint32_t(colourTable[(s.colour >> 16) & 0xFF]) << 16 |
                 uint32_t(colourTable[(s.colour >> 8) & 0xFF]) << 8 | colourTable[s.colour & 0xFF];
    out[0] = {s.x0, -s.y0, 0, c, 0, 0};
    out[1] = {s.x1, -s.y0, 0, c, 1, 0};
    out[2] = {s.x1, -s.y1, 0, c, 1, 1};
    out[3] = {s.x0, -s.y1, 0, c, 0, 1};
    out += 4;
    uint16_t b = uint16_t(q * 4);
    i[0] = b, i[1] = uint16_t(b + 1), i[2] = uint16_t(b + 2), i[3] = uint16_t(b + 2), i[4] = uint16_t(b + 3), i[5] = b;
    i += 6;
  }
  g_gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
  if (clearRgba) {
    g_gl.Disable(GL_SCISSOR_TEST);
    g_gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    g_gl.ClearBufferfv(GL_COLOR, 0, clearRgba);
  }
  g_gl.ViewportIndexedf(0, 0, 0, float(t->desc.width), float(t->desc.height));
  g_gl.UseProgram(program);
  g_gl.BindVertexArray(l->vao);
  g_gl.BindBuffer(GL_ARRAY_BUFFER, vb->gl);
  g_gl.BufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(v.size() * sizeof(Vertex)), v.data());
  g_gl.BindVertexBuffer(0, vb->gl, 0, GLsizei(sizeof(Vertex)));
  g_gl.BindBuffer(GL_ELEMENT_ARRAY_BUFFER, ib->gl);
  g_gl.BufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, GLsizeiptr(index.size() * 2), index.data());
  g_gl.Disable(GL_DEPTH_TEST);
  g_gl.Disable(GL_CULL_FACE);
  g_gl.Enable(GL_BLEND);
  g_gl.BlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE);
  g_gl.BlendEquationSeparate(GL_FUNC_ADD, GL_MAX);
  g_gl.DrawElementsBaseVertex(GL_TRIANGLES, GLsizei(index.size()), GL_UNSIGNED_SHORT, nullptr, 0);
  g_gl.Flush();
}
