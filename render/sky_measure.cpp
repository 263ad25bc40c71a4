// sky_measure.cpp - measuring the light of a sky picture.
#include "render/sky_measure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/report.h"
#include "render/device.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/render_target.h"
#include "render/sh_light.h"
#include "render/sky.h"
#include "render/texture_record.h"
#include "render/texture_table.h"

SkyMeasureSurfaces SkyMeasure;

namespace {

constexpr GfxFormat TRACKED_FORMAT = GFX_FORMAT_R8G8B8A8_UNORM;
constexpr int PICTURE_SAMPLER = 8;  // linear
Material g_pictureMaterial;          // outside the material map

// "<routine> : <text>" in the error colour.
void Report(const char* routine, const char* text) {
  char line[128];
  std::snprintf(line, sizeof line, "%s : %s", routine, text);
  ReportLine(line, REPORT_ERROR);
}

// "<step> failed" in the error colour.
void ReportFailed(const char* step) {
  char line[128];
  std::snprintf(line, sizeof line, "%s failed", step);
  ReportLine(line, REPORT_ERROR);
}

bool FitsTracked(const ZKTETexture* t) {
  return t->width == TRACKED_SIZE && t->height == TRACKED_SIZE && t->format == TRACKED_FORMAT &&
         !t->secondTexture && t->texture;
}

uint8_t GammaAverage(uint64_t sum, uint64_t count) {
  if (count == 0) return 0;
  const double mean = double(sum) / (double(count) * 255.0);
  return uint8_t(std::min(255L, std::lround(std::pow(mean, 1.0 / 2.2) * 255.0)));
}

}  // namespace

// ---- [Surfaces] ----

int CreateTrackedReadSurface() {
  SkyMeasureSurfaces& m = SkyMeasure;
  if (!m.target) {
    m.target = AddTextureRef("TRACKED~T", GEN_TYPE_RENDER);
    if (m.target && !FitsTracked(m.target)) {
      FreeTextureRecord(m.target);
      m.target = nullptr;
    }
    if (!m.target) m.target = CreateZKTETextureRT("TRACKED~T", TRACKED_SIZE, TRACKED_SIZE, TRACKED_FORMAT, 0);
    if (!m.target) {
      ReportFailed("get_render_tex");
      return 0;
    }
  }
  if (!m.readSurface && GfxFailed(CreateReadSurf(TRACKED_SIZE, TRACKED_SIZE, TRACKED_FORMAT, &m.readSurface))) {
    ReportFailed("CreateReadSurf");
    return 0;
  }
  return 1;
}

void ReleaseSkyMeasureSurfaces() {
  FreeTextureRecord(SkyMeasure.target);
  GfxRelease(SkyMeasure.readSurface);
  SkyMeasure = SkyMeasureSurfaces{};
}

void ForgetSkyMeasureSurfaces() {
  GfxRelease(SkyMeasure.readSurface);  // not a texture record: the table did not free it
  SkyMeasure = SkyMeasureSurfaces{};
}

// ---- [Measuring] ----

int rtex_fill(ZKTETexture* picture) {
  if (!CreateTrackedReadSurface()) return 0;
  if (!picture || !picture->view) {
    Report("rtex_fill", "system_rtex has no D3D texture");
    return 0;
  }
  if (!SetRenderTexture(SkyMeasure.target, 0, 0, 0)) {
    Report("rtex_fill", "SetRenderTexture failed");
    return 0;
  }
  g_pictureMaterial.texture = picture;
  g_pictureMaterial.drawKind = 1;
  g_pictureMaterial.layout = 3;
  if (Stream2D.StartV(&g_pictureMaterial, 1, GFX_TOPOLOGY_TRIANGLESTRIP)) {
    EmitFullScreenQuad();
    DrawPendingStrip(PICTURE_SAMPLER);
  }
  g_pictureMaterial.texture = nullptr;
  BindTextureSlot(0, nullptr);
  UnsetRenderTarget();
  GfxCopyResource(Gfx.context, SkyMeasure.readSurface, SkyMeasure.target->texture);
  return 1;
}

int rtex_fill_av_col(uint32_t* colour, ShIrradiance* light, float x0, float y0, float x1, float y1) {
  const int n = TRACKED_SIZE;
  auto pixel = [n](float f) { return std::clamp(int(std::lround(f * float(n))), 0, n); };
  const int left = pixel(x0), top = pixel(y0);
  const int width = std::min(int(std::lround((x1 - x0) * float(n))), n - left);
  const int height = std::min(int(std::lround((y1 - y0) * float(n))), n - top);
  if (width <= 0 || height <= 0) {
    ReportLine("area is zero", REPORT_ERROR);
    return 0;
  }
  if (!SkyMeasure.readSurface) {
    Report("fill_av_col", "system_readsurf is NULL");
    return 0;
  }
  GfxMappedSubresource mapped;
  if (GfxFailed(GfxMapResource(Gfx.context, SkyMeasure.readSurface, 0, GFX_MAP_READ, &mapped)) || !mapped.data) {
    ReportFailed("Map");
    return 0;
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(mapped.data);
  const int pitch = int(mapped.rowPitch);
  uint64_t sum[3] = {0, 0, 0}, count = 0;
  auto add = [&](int i, int j) {
    const uint8_t* p = bytes + size_t(j) * size_t(pitch) + size_t(i) * 4;
    for (int c = 0; c < 3; ++c) sum[c] += p[c];
    ++count;
  };
  if (light) {
    for (int j = 0; j < n; ++j) {
      const float v = (2.0f * float(j) / float(n - 1) - 1.0f) * 0.9921875f;
      for (int i = 0; i < n; ++i) {
        const float u = (2.0f * float(i) / float(n - 1) - 1.0f) * 0.9921875f;
        if (u * u + v * v <= 1.0f) add(i, j);
      }
    }
    AccumulateCubeFaceSH(bytes, pitch, n, 1.0f, light);
  } else {
    for (int j = top; j < top + height; ++j)
      for (int i = left; i < left + width; ++i) add(i, j);
  }
  GfxUnmap(Gfx.context, SkyMeasure.readSurface, 0);
  *colour = uint32_t(GammaAverage(sum[0], count)) | uint32_t(GammaAverage(sum[1], count)) << 8 |
            uint32_t(GammaAverage(sum[2], count)) << 16;
  return 1;
}

int MeasureSkyPicture(LightScheme& scheme) {
  if (!rtex_fill(scheme.skyTexture)) return 0;
  if (!rtex_fill_av_col(&scheme.skyAmbientColour, &scheme.light, 0.0f, 0.0f, 1.0f, 1.0f)) return 0;
  scheme.skyBrightness = 1.0f;
  return 1;
}
