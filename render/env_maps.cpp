// env_maps.cpp - the environment textures: made, drawn from the sky, blurred, released.
#include "render/env_maps.h"

#include <cstdio>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "render/device.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/post_process.h"
#include "render/render_target.h"
#include "render/shaders.h"
#include "render/sky.h"
#include "render/system_textures.h"
#include "render/texture_record.h"
#include "render/texture_table.h"

EnvironmentTextures Environment;

namespace {

constexpr int PS_ENVIRONMENT = 33;   // the sky remapped for reflections
constexpr int SKY_SAMPLER = 8;       // linear
constexpr int HARD_SIZE = 512, SOFT_SIZE = 128;
constexpr int HARD_MIP_LEVELS = 10;  // 512 down to 1
constexpr int SOFT_MIP_LEVELS = 3;   // the blur chain's levels 1..3

Material g_skyMaterial;  // the sky texture as the strip's batch texture; outside the material map

// The render texture of that name, found or made with the given levels.
ZKTETexture* FindOrCreate(const char* name, int size, GfxFormat format, uint32_t flags, int mipLevels) {
  if (ZKTETexture* found = AddTextureRef(name, GEN_TYPE_RENDER)) return found;
  const int saved = TextureConfig.renderMipLevels;
  TextureConfig.renderMipLevels = mipLevels;
  ZKTETexture* made = CreateZKTETextureRT(name, size, size, format, flags);
  TextureConfig.renderMipLevels = saved;
  return made;
}

void Fail(const char* text) {
  ReportLine(text, REPORT_ERROR);
  ReleaseEnvironmentTextures();
  Environment.state = ENVIRONMENT_FAILED;
}

void CreateEnvironmentTextures() {
  EnvironmentTextures& e = Environment;
  e.hard = FindOrCreate("ENVIRO~S", HARD_SIZE, GFX_FORMAT_R8G8B8A8_UNORM_SRGB, RT_DEVICE_MIPS, HARD_MIP_LEVELS);
  e.soft = FindOrCreate("EROUGH~S", SOFT_SIZE, GFX_FORMAT_R8G8B8A8_UNORM_SRGB, 0, SOFT_MIP_LEVELS);
  bool all = e.hard && e.soft;
  const GfxFormat levelFormat = CfgRenderHdr ? GFX_FORMAT_R16G16B16A16_FLOAT : GFX_FORMAT_R8G8B8A8_UNORM_SRGB;
  for (int level = 0; level < ENVIRONMENT_LEVELS; ++level) {
    char name[TEXTURE_NAME_SIZE];
    std::snprintf(name, sizeof name, "ENVIRO~O%d", level);
    // The two large levels are plain targets; the two small ones get their mips from the device.
    const uint32_t flags = level < 2 ? 0u : uint32_t(RT_DEVICE_MIPS);
    const int size = HARD_SIZE >> level;
    e.levels[level] = FindOrCreate(name, size, levelFormat, flags, level < 2 ? 1 : HARD_MIP_LEVELS - level);
    all = all && e.levels[level];
  }
  if (!all) {
    Fail("Could not create intermediate environment texture");
    return;
  }
  ShineTextures[0] = e.hard;
  ShineTextures[1] = e.soft;
  e.state = ENVIRONMENT_TO_DRAW;
}

}  // namespace

// ---- [State] ----

void InitEnvironmentState() { Environment = EnvironmentTextures{}; }

// ---- [Drawing] ----

void UpdateEnvironmentTexture() {
  switch (Environment.state) {
    case ENVIRONMENT_NOT_CREATED: CreateEnvironmentTextures(); break;
    case ENVIRONMENT_TO_DRAW: draw_enviro_sky(); break;
    default: break;
  }
}

void draw_enviro_sky() {
  EnvironmentTextures& e = Environment;
  ZKTETexture* sky = CurrentScheme().skyTexture;
  if (!sky || !sky->view) {
    Fail("No sky texture for environment texture");
    return;
  }
  if (!SetRenderTexture(e.hard, 0, 0, 0)) {
    Fail("Could not set environment texture");
    return;
  }
  g_skyMaterial.texture = sky;
  g_skyMaterial.drawKind = 1;
  g_skyMaterial.layout = 3;
  if (Stream2D.StartV(&g_skyMaterial, 1, GFX_TOPOLOGY_TRIANGLESTRIP)) {
    EmitFullScreenQuad();
    const int saved = PixelShaderOverride;
    PixelShaderOverride = PS_ENVIRONMENT;
    DrawPendingStrip(SKY_SAMPLER);
    PixelShaderOverride = saved;
  }
  g_skyMaterial.texture = nullptr;
  BindTextureSlot(0, nullptr);
  UnsetRenderTarget();
  GfxGenerateMips(Gfx.context, e.hard->view);
  e.state = ENVIRONMENT_DRAWN;
  // The soft shine: the hard one blurred through the blur chain into its three levels.
  if (BlurChain.count < BLUR_LEVELS && !CreateBlurTargets(BlurChain)) return;
  RunBlurChain(BlurChain);
  RunEnvironmentUpsize(BlurChain);
}

void PrepareEnvironmentTexture() {
  if (!Global3DMode) return;
  UpdateSky();
  if (Environment.state == ENVIRONMENT_NOT_CREATED) CreateEnvironmentTextures();
  if (Environment.state == ENVIRONMENT_TO_DRAW && CurrentScheme().skyTexture) draw_enviro_sky();
}

void PrepareEnvironmentAtRest() {
  if (Environment.state == ENVIRONMENT_NOT_CREATED || Environment.state == ENVIRONMENT_TO_DRAW)
    WorkAtRest = PrepareEnvironmentTexture;
}

void RequestEnvironmentRedraw() {
  if (Environment.state != ENVIRONMENT_NOT_CREATED && Environment.state != ENVIRONMENT_FAILED)
    Environment.state = ENVIRONMENT_TO_DRAW;
}

// ---- [Release] ----

void ReleaseEnvironmentTextures() {
  EnvironmentTextures& e = Environment;
  ShineTextures[0] = ShineTextures[1] = nullptr;
  FreeTextureRecord(e.hard);
  FreeTextureRecord(e.soft);
  FreeTextureArray(e.levels, ENVIRONMENT_LEVELS);
  ClosePostPass();
  ResetPostChain(BlurChain);
  e = EnvironmentTextures{};
}

void ForgetEnvironmentTextures() {
  Environment = EnvironmentTextures{};
  ForgetPostChain(BlurChain);
}
