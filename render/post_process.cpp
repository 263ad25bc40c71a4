// post_process.cpp - the blur and bloom chains and their copy, downsize and upsize passes.
#include "render/post_process.h"

#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "core/report.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/exposure.h"
#include "render/frame.h"
#include "render/generated_textures.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/shaders.h"
#include "render/system_textures.h"
#include "render/texture_table.h"

PostChain BloomChain;
PostChain BlurChain;
int PostPassOpen;
int PostProcessingEnabled = 1;
int PostFrameHidden;

namespace {

constexpr int PASS_SAMPLER = 8;  // linear, border
constexpr int PS_COPY = 1, PS_DOWNSIZE = 2, PS_UPSIZE = 3;
constexpr int PIXEL_ROW_PASS = 12;

// The source of a pass as the texture of the strip's batch; kept out of the material map.
Material g_passMaterial;
int g_bloomEye;  // the eye the bloom levels were last made for
int g_copySamplerBefore = -1;  // slot 1's sampler while level 0 is bound there for the copy

void FailChain(PostChain& chain) {
  ClosePostPass();
  ResetPostChain(chain);
  chain.failed = 1;
}

// The pass's target: replaces the open pass's target, or pushes the first one.
int EnterPassTarget(PostChain& chain, ZKTETexture* destination, int mipLevel) {
  if (!SetRenderTexture(destination, PostPassOpen, mipLevel, 0)) {
    FailChain(chain);
    return 0;
  }
  PostPassOpen = 1;
  return 1;
}

// The fourth place is read only by the copy's bloom (BindBloomForCopy).
void SetPassRow(float a, float b, float c) {
  const float row[4] = {a, b, c, 0.0f};
  UploadConstantRowData(1, PIXEL_ROW_PASS, row, sizeof row);
}

void DrawPass(ZKTETexture* source, float x0, float x1, const float uv[4], int pixelShader) {
  g_passMaterial.texture = source;
  g_passMaterial.drawKind = 1;
  g_passMaterial.layout = 3;
  if (!Stream2D.StartV(&g_passMaterial, 1, GFX_TOPOLOGY_TRIANGLESTRIP)) return;
  EmitStripQuad(x0, 1.0f, x1, -1.0f, uv[0], uv[2], uv[1], uv[3]);
  const int saved = PixelShaderOverride;
  PixelShaderOverride = pixelShader;
  DrawPendingStrip(PASS_SAMPLER);
  PixelShaderOverride = saved;
}

// The clip-space x range of a quad mode: 1 the left half, 2 the right half, else all.
void QuadHalf(int quadMode, float* x0, float* x1) {
  *x0 = quadMode == 2 ? 0.0f : -1.0f;
  *x1 = quadMode == 1 ? 0.0f : 1.0f;
}

ZKTETexture* FindOrCreateLevel(const char* name, int width, int height, bool fresh) {
  ZKTETexture* record = fresh ? nullptr : AddTextureRef(name, GEN_TYPE_RENDER);
  if (record) return record;
  TextureConfig.unlistedRenderTextures = fresh ? 1 : 0;
  record = CreateZKTETextureRT(name, width, height, GFX_FORMAT_R16G16B16A16_FLOAT, 1);
  TextureConfig.unlistedRenderTextures = 0;
  return record;
}

void ReportLevelFailure(PostChain& chain, const char* name) {
  FailChain(chain);
  char text[64];
  std::snprintf(text, sizeof text, "Could not create render texture %s", name);
  ReportLine(text, REPORT_ERROR);
}

// The upsize of level 0 takes four bilinear taps half a texel out from a point t (in texels);
// along each axis the two taps sum to (1 - f) s[i - 1] + s[i] + f s[i + 1], i and f the whole
// and fractional parts of t, which is one linear step between the pair sums s[i - 1] + s[i]
// and s[i] + s[i + 1].  Each texel of the block means holds the mean of its 2 x 2 block of
// level 0 ending at it (a bilinear tap at the texel's top-left corner), so the copy takes
// one tap of them (at t + 1/2) times the weight, rather than four of level 0 times weight / 4.
void BlockMeansPass(PostChain& chain) {
  ZKTETexture* level = chain.targets[0];
  if (!chain.blockMeans) {
    chain.blockMeans = FindOrCreateLevel("BLOOM~M", level->width, level->height, (chain.mode & 4) != 0);
    if (!chain.blockMeans) {
      ReportLevelFailure(chain, "BLOOM~M");
      return;
    }
  }
  if (!EnterPassTarget(chain, chain.blockMeans, 0)) return;
  const float du = 0.5f / float(level->width), dv = 0.5f / float(level->height);
  const float uv[4] = {-du, 1.0f - du, -dv, 1.0f - dv};
  DrawPass(level, -1.0f, 1.0f, uv, PS_COPY);
}

}  // namespace

// ---- [Chain] ----

void ResetPostChain(PostChain& chain) {
  FreeTextureArray(chain.targets, chain.count);
  FreeTextureArray(&chain.blockMeans, 1);
  chain = PostChain{};
}

void ForgetPostChain(PostChain& chain) { chain = PostChain{}; }

void ClosePostPass() {
  if (!PostPassOpen) return;
  PostPassOpen = 0;
  UnsetRenderTarget();
}

// ---- [Passes] ----

int CopyToTarget(PostChain& chain, ZKTETexture* source, ZKTETexture* destination) {
  if (!EnterPassTarget(chain, destination, 0)) return 0;
  const float uv[4] = {0, 1, 0, 1};
  DrawPass(source, -1.0f, 1.0f, uv, PS_COPY);
  return 1;
}

int DownsizePass(PostChain& chain, ZKTETexture* source, ZKTETexture* destination, int replace, int quadMode) {
  (void)replace;  // a run's first pass pushes, the later ones replace: the open-pass flag decides
  if (!source || !EnterPassTarget(chain, destination, 0)) return 0;
  SetPassRow(1.0f / float(source->width), 1.0f / float(source->height), 0.25f);
  float uv[4];
  DownsizeUvRange(source->width, source->height, destination->width, destination->height, chain.border, quadMode, uv);
  DrawPass(source, -1.0f, 1.0f, uv, PS_DOWNSIZE);
  return 1;
}

int UpsizePass(PostChain& chain, ZKTETexture* source, ZKTETexture* destination, int mipLevel, float weight,
               int quadMode) {
  if (!source || !EnterPassTarget(chain, destination, mipLevel)) return 0;
  SetPassRow(0.5f / float(source->width), 0.5f / float(source->height), weight * 0.25f);
  // The source's inside (its border left out) is stretched over the whole target.
  const float bu = float(chain.border) / float(source->width), bv = float(chain.border) / float(source->height);
  const float uv[4] = {bu, 1.0f - bu, bv, 1.0f - bv};
  float x0, x1;
  QuadHalf(quadMode, &x0, &x1);
  DrawPass(source, x0, x1, uv, PS_UPSIZE);
  return 1;
}

void DrawTextureOver(ZKTETexture* source, const float uv[4], int pixelShader) {
  if (!source) return;
  BindBloomForCopy(nullptr, 0);  // shader 4 adds no bloom
  DrawPass(source, -1.0f, 1.0f, uv, pixelShader);
}

// ---- [Blur chain] ----

int CreateBlurTargets(PostChain& chain) {
  chain.mode = 1;
  for (int i = chain.count; i < BLUR_LEVELS; ++i) {
    char name[TEXTURE_NAME_SIZE];
    std::snprintf(name, sizeof name, "BLUR~R%d", i);
    ZKTETexture* level = FindOrCreateLevel(name, 128 >> i, 128 >> i, false);
    if (!level) {
      ReportLevelFailure(chain, name);
      return 0;
    }
    chain.targets[i] = level;
    chain.count = i + 1;
  }
  return 1;
}

void RunBlurChain(PostChain& chain) {
  if (!ShineTextures[0] || (chain.count < BLUR_LEVELS && !CreateBlurTargets(chain))) return;
  if (!CopyToTarget(chain, ShineTextures[0], chain.targets[0])) return;
  for (int i = 0; i < 3; ++i)
    if (!DownsizePass(chain, chain.targets[i], chain.targets[i + 1], 1, 0)) return;
}

void RunEnvironmentUpsize(PostChain& chain) {
  if (!ShineTextures[1] || chain.count < 4) {
    ClosePostPass();
    return;
  }
  for (int level = 1; level <= 3; ++level)
    if (!UpsizePass(chain, chain.targets[level], ShineTextures[1], level - 1, 1.0f, 0)) return;
  ClosePostPass();
}

// ---- [Bloom chain] ----

int BloomLevelSizes(int width, int height, int border, int eye, int widths[POST_CHAIN_LEVELS],
                    int heights[POST_CHAIN_LEVELS]) {
  const int b2 = 2 * border;
  int w = (eye ? (width / 2 - 1) / 2 : width / 2) + b2;
  int h = height / 2 + b2;
  int count = 0;
  for (;;) {
    widths[count] = w;
    heights[count] = h;
    ++count;
    if (count == POST_CHAIN_LEVELS || w <= b2 + 2 || h <= b2 + 2) return count;
    w = w / 2 + b2;
    h = h / 2 + b2;
  }
}

void DownsizeUvRange(int sourceWidth, int sourceHeight, int destWidth, int destHeight, int border, int quadMode,
                     float out[4]) {
  const float sw = float(sourceWidth), sh = float(sourceHeight), b2 = 2.0f * float(border);
  if (quadMode == 2) {
    out[0] = 1.0f + b2 / sw - 2.0f * float(destWidth) / sw;
    out[1] = 1.0f + b2 / sw;
  } else {
    out[0] = -b2 / sw;
    out[1] = (2.0f * float(destWidth) - b2) / sw;
  }
  out[2] = -b2 / sh;
  out[3] = (2.0f * float(destHeight) - b2) / sh;
}

int CreateBloomTargets(PostChain& chain, int flags, int eye) {
  ZKTETexture* source = RenderTexture.texture;
  if (!source) return 0;
  chain.mode = uint8_t(flags);
  chain.border = (flags & 2) ? 1 : 0;
  g_bloomEye = eye;
  if (chain.count == 0) {
    int widths[POST_CHAIN_LEVELS], heights[POST_CHAIN_LEVELS];
    const int count = BloomLevelSizes(source->width, source->height, chain.border, eye, widths, heights);
    for (int i = 0; i < count; ++i) {
      char name[TEXTURE_NAME_SIZE];
      std::snprintf(name, sizeof name, "BLOOM~R%d", i);
      ZKTETexture* level = FindOrCreateLevel(name, widths[i], heights[i], (flags & 4) != 0);
      if (!level) {
        ReportLevelFailure(chain, name);
        return 0;
      }
      chain.targets[i] = level;
      chain.count = i + 1;
    }
  }
  BindTextureSlot(0, nullptr);  // the render texture was the target until now
  if (!DownsizePass(chain, source, chain.targets[0], 0, eye)) return 0;
  for (int i = 0; !chain.failed && i + 1 < chain.count; ++i)
    if (!DownsizePass(chain, chain.targets[i], chain.targets[i + 1], 1, 0)) return 0;
  return !chain.failed;
}

void CompositeBloom(PostChain& chain, bool leaveLevel0) {
  RenderStates.pendingBlend = 1;  // additive
  bool ok = true;
  for (int i = chain.count - 1; ok && i >= 1; --i)
    ok = UpsizePass(chain, chain.targets[i], chain.targets[i - 1], 0, CfgBloomEffect[0], 0) != 0;
  if (ok && !chain.failed && chain.count > 0 && !leaveLevel0)
    UpsizePass(chain, chain.targets[0], RenderTexture.texture, 0, CfgBloomEffect[1], g_bloomEye);
  RenderStates.pendingBlend = 0;
  if (ok && !chain.failed && chain.count > 0 && leaveLevel0) BlockMeansPass(chain);
  ClosePostPass();
}

int RunPostProcessing(PostChain* chain, bool leaveLevel0) {
  if (!chain) return 0;
  int wanted = 0;
  if (!chain->failed && PostProcessingEnabled && RenderTexture.texture) wanted = Gfx.vrInUse ? 1 : 3;
  PostFrameHidden = 0;
  if (wanted != chain->mode) {
    ClosePostPass();
    ResetPostChain(*chain);
    // The exposure region lay in the levels just freed.
    ReleaseComputeBuffers(SharedComputeJob);
    ReleaseExposureReader();
  }
  if (wanted == 0) return 0;
  leaveLevel0 = leaveLevel0 && !Gfx.vrInUse;
  RenderStates.pendingDepth = 1;
  const int eyes = Gfx.vrInUse ? 2 : 1;
  const bool metering = !WorldMeteringFlag && CfgExposure[0] == 3 && ExposureRead.state != EXPOSURE_FAILED;
  for (int e = 1; e <= eyes; ++e) {
    if (!chain->failed) CreateBloomTargets(*chain, wanted, Gfx.vrInUse ? e : 0);
    if (metering && !chain->failed) {
      // The first eye (or the only pass) starts the read, the second completes it; frames
      // stay hidden until the first value.  Levels too small for a region are not metered
      // and their frames are shown.
      SetupExposureReadback(*chain, Gfx.vrInUse ? e : 0);
      const int noValue = ExposureRead.state == EXPOSURE_NO_VALUE || ExposureRead.state == EXPOSURE_WAITING;
      if (e == 1) PostFrameHidden = ExposureRead.regionChosen && noValue;
    }
    if (!PostFrameHidden)
      CompositeBloom(*chain, leaveLevel0);
    else
      ClosePostPass();
  }
  RenderStates.pendingDepth = 0;
  return leaveLevel0 && !PostFrameHidden && !chain->failed && chain->blockMeans ? 1 : 0;
}

void BindBloomForCopy(const PostChain* chain, int left) {
  if (!left || !chain || !chain->blockMeans) {
    SetPassRow(0.0f, 0.0f, 0.0f);
    return;
  }
  const ZKTETexture* level = chain->blockMeans;
  const float row[4] = {0.5f / float(level->width), 0.5f / float(level->height), CfgBloomEffect[1],
                        float(chain->border)};
  UploadConstantRowData(1, PIXEL_ROW_PASS, row, sizeof row);
  BindTextureSlot(1, level);
  g_copySamplerBefore = RenderStates.pendingSampler[1];
  RenderStates.pendingSampler[1] = PASS_SAMPLER;
}

void UnbindBloomForCopy() {
  if (g_copySamplerBefore < 0) return;
  BindTextureSlot(1, nullptr);
  RenderStates.pendingSampler[1] = g_copySamplerBefore;
  g_copySamplerBefore = -1;
}
