// gfx_reference.cpp - the bare-GL yardstick the layer's benchmark compares itself with: the
// same frame, issued call by call with no state cache in between.
#include "platform/gfx_local.h"

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
