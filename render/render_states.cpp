// render_states.cpp - the state objects and their pending/applied indices.
#include "render/render_states.h"

#include <algorithm>
#include <cfloat>
#include <iterator>

#include "core/config.h"
#include "render/device.h"

RenderStateTable RenderStates;
float SamplerLodBiasTable[4] = {-0.5f, -1.0f, -1.5f, -2.0f};

namespace {

struct BlendRow {
  int on;
  GfxBlend src, dst;
};
const BlendRow BLEND_ROWS[BLEND_STATE_COUNT] = {
    {0, GFX_BLEND_SRC_ALPHA, GFX_BLEND_INV_SRC_ALPHA}, {1, GFX_BLEND_ONE, GFX_BLEND_ONE},
    {1, GFX_BLEND_SRC_ALPHA, GFX_BLEND_INV_SRC_ALPHA}, {1, GFX_BLEND_ONE, GFX_BLEND_INV_SRC_ALPHA},
    {1, GFX_BLEND_SRC_ALPHA, GFX_BLEND_ONE},           {1, GFX_BLEND_DEST_COLOR, GFX_BLEND_ZERO},
    {1, GFX_BLEND_ZERO, GFX_BLEND_SRC_COLOR},
};

struct RasterRow {
  GfxFillMode fill;
  GfxCullMode cull;
  int bias, scissor;
};
const RasterRow RASTER_ROWS[RASTER_STATE_COUNT] = {
    {GFX_FILL_SOLID, GFX_CULL_BACK, 0, 0},  {GFX_FILL_SOLID, GFX_CULL_BACK, -4, 0},
    {GFX_FILL_SOLID, GFX_CULL_BACK, 4, 0},  {GFX_FILL_SOLID, GFX_CULL_FRONT, 0, 0},
    {GFX_FILL_SOLID, GFX_CULL_BACK, 0, 1},  {GFX_FILL_SOLID, GFX_CULL_FRONT, 0, 1},
    {GFX_FILL_SOLID, GFX_CULL_NONE, 0, 0},  {GFX_FILL_WIREFRAME, GFX_CULL_NONE, -4, 0},
};

struct DepthRow {
  int test;
  GfxComparison func;
  int write;
};
const DepthRow DEPTH_ROWS[DEPTH_STATE_COUNT] = {
    {1, GFX_COMPARISON_LESS_EQUAL, 1}, {0, GFX_COMPARISON_ALWAYS, 0}, {1, GFX_COMPARISON_LESS_EQUAL, 0},
    {1, GFX_COMPARISON_EQUAL, 0},      {1, GFX_COMPARISON_LESS, 0},
};

}  // namespace

void CreateStateObjects() {
  RenderStateTable& s = RenderStates;
  for (int i = 0; i < BLEND_STATE_COUNT; ++i) {
    GfxBlendDesc d;
    GfxRenderTargetBlendDesc& rt = d.renderTarget[0];
    rt.blendEnable = BLEND_ROWS[i].on;
    rt.srcBlend = BLEND_ROWS[i].src;
    rt.destBlend = BLEND_ROWS[i].dst;
    rt.blendOp = GFX_BLEND_OP_ADD;
    rt.srcBlendAlpha = GFX_BLEND_ONE;
    rt.destBlendAlpha = GFX_BLEND_ONE;
    rt.blendOpAlpha = GFX_BLEND_OP_MAX;
    rt.renderTargetWriteMask = GFX_COLOR_WRITE_ALL;
    GfxCreateBlendState(Gfx.device, d, &s.blend[i]);
  }
  for (int i = 0; i < RASTER_STATE_COUNT; ++i) {
    GfxRasterizerDesc d;
    d.fillMode = RASTER_ROWS[i].fill;
    d.cullMode = RASTER_ROWS[i].cull;
    d.frontCounterClockwise = 0;  // clockwise triangles face the viewer
    d.depthBias = RASTER_ROWS[i].bias;
    d.depthBiasClamp = 0;
    d.slopeScaledDepthBias = 0;
    d.depthClipEnable = 1;
    d.scissorEnable = RASTER_ROWS[i].scissor;
    d.multisampleEnable = 1;
    d.antialiasedLineEnable = 0;
    GfxCreateRasterizerState(Gfx.device, d, &s.raster[i]);
  }
  for (int i = 0; i < DEPTH_STATE_COUNT; ++i) {
    GfxDepthStencilDesc d;
    d.depthEnable = DEPTH_ROWS[i].test;
    d.depthFunc = DEPTH_ROWS[i].func;
    d.depthWriteMask = DEPTH_ROWS[i].write;
    d.stencilEnable = 0;
    GfxCreateDepthStencilState(Gfx.device, d, &s.depth[i]);
  }
  s.appliedBlend = s.appliedRaster = s.appliedDepth = -1;
}

void ReleaseStateObjects() {
  RenderStateTable& s = RenderStates;
  for (GfxBlendState& b : s.blend) GfxRelease(b);
  for (GfxRasterizerState& r : s.raster) GfxRelease(r);
  for (GfxDepthStencilState& d : s.depth) GfxRelease(d);
  s.appliedBlend = s.appliedRaster = s.appliedDepth = -1;
}

GfxSamplerDesc SamplerStateDesc(int i) {
  GfxSamplerDesc d;
  bool anisotropic = (i >= 1 && i <= 3) || i == 5 || i == 6;
  d.filter = anisotropic ? GFX_FILTER_ANISOTROPIC : i == 7 ? GFX_FILTER_MIN_MAG_MIP_POINT : GFX_FILTER_MIN_MAG_MIP_LINEAR;
  GfxAddress uv = (i == 6 || i == 8) ? GFX_ADDRESS_BORDER : GFX_ADDRESS_WRAP;
  d.addressU = d.addressV = uv;
  d.addressW = GFX_ADDRESS_CLAMP;
  d.mipLodBias = i <= 3 ? SamplerLodBiasTable[i] : 0.0f;
  d.maxAnisotropy = anisotropic ? uint32_t(std::clamp(CfgFilterAf, 1, 8)) : 1;
  d.comparisonFunc = GFX_COMPARISON_NEVER;
  d.minLod = -FLT_MAX;
  d.maxLod = FLT_MAX;
  return d;
}

void CreateSamplerStates() {
  RenderStateTable& s = RenderStates;
  for (int i = 0; i < SAMPLER_STATE_COUNT; ++i) GfxCreateSamplerState(Gfx.device, SamplerStateDesc(i), &s.sampler[i]);
  std::fill(std::begin(s.appliedSampler), std::end(s.appliedSampler), -1);
}

void ReleaseSamplerStates() {
  RenderStateTable& s = RenderStates;
  for (GfxSamplerState& sampler : s.sampler) GfxRelease(sampler);
  std::fill(std::begin(s.pendingSampler), std::end(s.pendingSampler), 4);
  std::fill(std::begin(s.appliedSampler), std::end(s.appliedSampler), -1);
}

void FlushStates() {
  RenderStateTable& s = RenderStates;
  if (!Gfx.context) return;
  if (s.pendingBlend != s.appliedBlend) {
    GfxOMSetBlendState(Gfx.context, s.blend[s.pendingBlend], nullptr, 0xFFFFFFFF);
    s.appliedBlend = s.pendingBlend;
    ++Gfx.blendChanges;
  }
  if (s.pendingRaster != s.appliedRaster) {
    GfxRSSetState(Gfx.context, s.raster[s.pendingRaster]);
    s.appliedRaster = s.pendingRaster;
    ++Gfx.rasterChanges;
  }
  if (s.pendingDepth != s.appliedDepth) {
    GfxOMSetDepthStencilState(Gfx.context, s.depth[s.pendingDepth], 0);
    s.appliedDepth = s.pendingDepth;
    ++Gfx.depthChanges;
  }
  for (int slot = 0; slot < SAMPLER_SLOTS; ++slot) {
    if (s.pendingSampler[slot] == s.appliedSampler[slot]) continue;
    GfxPSSetSamplers(Gfx.context, uint32_t(slot), 1, &s.sampler[s.pendingSampler[slot]]);
    s.appliedSampler[slot] = s.pendingSampler[slot];
    ++Gfx.samplerChanges;
  }
}

void UseVrSamplerBias(int vrInUse) {
  static const float MONITOR[4] = {-0.5f, -1.0f, -1.5f, -2.0f};
  static const float HEADSET[4] = {0.0f, 0.0f, -0.5f, -1.0f};
  const float* want = vrInUse ? HEADSET : MONITOR;
  if (std::equal(want, want + 4, SamplerLodBiasTable)) return;
  std::copy(want, want + 4, SamplerLodBiasTable);
  if (!Gfx.device) return;
  int pending[SAMPLER_SLOTS];
  std::copy(std::begin(RenderStates.pendingSampler), std::end(RenderStates.pendingSampler), pending);
  ReleaseSamplerStates();
  CreateSamplerStates();
  std::copy(pending, pending + SAMPLER_SLOTS, RenderStates.pendingSampler);
}
