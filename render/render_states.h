// render_states.h - the fixed set of blend, rasterizer, depth-stencil and sampler states,
// chosen by index: drawing code sets pending indices, FlushStates applies what changed.
#pragma once
#include "platform/gfx.h"

constexpr int BLEND_STATE_COUNT = 7;
constexpr int RASTER_STATE_COUNT = 8;
constexpr int DEPTH_STATE_COUNT = 5;
constexpr int SAMPLER_STATE_COUNT = 9;
constexpr int SAMPLER_SLOTS = 8;

// Blend: 0 off, 1 add, 2 alpha, 3 premultiplied, 4 additive alpha, 5 multiply, 6 multiply by source.
// Rasterizer: 0 back culled, 1 bias -4, 2 bias +4, 3 front culled, 4 scissored, 5 front culled and
//   scissored, 6 no culling, 7 wireframe with bias -4.
// Depth: 0 test and write, 1 off, 2 test without write, 3 equal, 4 less without write.
struct RenderStateTable {
  GfxBlendState blend[BLEND_STATE_COUNT];
  GfxRasterizerState raster[RASTER_STATE_COUNT];
  GfxDepthStencilState depth[DEPTH_STATE_COUNT];
  GfxSamplerState sampler[SAMPLER_STATE_COUNT];
  int pendingBlend, pendingRaster, pendingDepth;
  int pendingSampler[SAMPLER_SLOTS] = {4, 4, 4, 4, 4, 4, 4, 4};
  int appliedBlend = -1, appliedRaster = -1, appliedDepth = -1;
  int appliedSampler[SAMPLER_SLOTS] = {-1, -1, -1, -1, -1, -1, -1, -1};
};
extern RenderStateTable RenderStates;
extern float SamplerLodBiasTable[4];  // -0.5, -1, -1.5, -2; 0, 0, -0.5, -1 while VR is in use

void CreateStateObjects();
void ReleaseStateObjects();
// Sampler i of the table: 1..3, 5 and 6 anisotropic ("Filter AF " clamped to 1..8), 7 point,
// the rest linear; 6 and 8 border-addressed, the rest wrapped; 0..3 take their LOD bias.
GfxSamplerDesc SamplerStateDesc(int i);
void CreateSamplerStates();
void ReleaseSamplerStates();
void FlushStates();
// Picks the bias table for VR or the monitor and re-creates the samplers when it changes.
void UseVrSamplerBias(int vrInUse);
