// exposure.cpp - the exposure read-back: its region, its reader, starting and collecting reads.
#include "render/exposure.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/log.h"
#include "core/report.h"
#include "render/colour_science.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/post_process.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "text/messages.h"  // DebugMessagesOn

ExposureReadState ExposureRead;
int WorldMeteringFlag;
EyeTangents VrEyeTangents;

namespace {

bool ComputeLevel() { return Gfx.featureLevel >= GFX_FEATURE_LEVEL_11_0; }

float HalfToFloat(uint16_t h) {
  const int exponent = (h >> 10) & 0x1F;
  const float mantissa = float(h & 0x3FF);
  float v;
  if (exponent == 0) v = mantissa * 5.9604645e-8f;  // 2^-24
  else if (exponent == 31) v = mantissa == 0.0f ? INFINITY : NAN;
  else v = std::ldexp(1.0f + mantissa / 1024.0f, exponent - 15);
  return (h & 0x8000) ? -v : v;
}

float SrgbToLinear(uint8_t byte) {
  const float c = float(byte) / 255.0f;
  return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
}

// The histogram of a mapped surface of width x height pixels in the level's format.
bool HistogramOfSurface(const uint8_t* bytes, uint32_t rowPitch, int width, int height, GfxFormat format,
                        uint32_t out[EXPOSURE_BINS]) {
  std::memset(out, 0, EXPOSURE_BINS * sizeof(uint32_t));
  const bool half = format == GFX_FORMAT_R16G16B16A16_FLOAT;
  const bool bytesSrgb = format == GFX_FORMAT_R8G8B8A8_UNORM_SRGB;
  if (!half && !bytesSrgb && format != GFX_FORMAT_R8G8B8A8_UNORM) return false;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = bytes + size_t(y) * rowPitch;
    for (int x = 0; x < width; ++x) {
      float c[3];
      if (half) {
        uint16_t h[3];
        std::memcpy(h, row + size_t(x) * 8, sizeof h);
        for (int k = 0; k < 3; ++k) c[k] = HalfToFloat(h[k]);
      } else {
        for (int k = 0; k < 3; ++k) {
          const uint8_t b = row[size_t(x) * 4 + k];
          c[k] = bytesSrgb ? SrgbToLinear(b) : float(b) / 255.0f;
        }
      }
      ++out[ExposureBin(c[0], c[1], c[2])];
    }
  }
  return true;
}

// The reader: the compute job's buffers at 11_0 and above, else a readable surface of the
// region.  A failure ends metering.
bool MakeReader() {
  ExposureReadState& e = ExposureRead;
  if (ComputeLevel()) {
    if (!SharedComputeJob.readBuffer) {
      if (const char* step = CreateComputeBuffers(SharedComputeJob)) {
        char line[128];
        std::snprintf(line, sizeof line, "CreateReadableBuffer (exposure) : %s failed", step);
        ReportLine(line, REPORT_ERROR);
        e.state = EXPOSURE_FAILED;
        return false;
      }
    }
  } else if (GfxFailed(CreateReadSurf(e.width, e.height, e.format, &e.readSurface))) {
    ReportLine("Exposure error: CreateReadSurf failed", REPORT_ERROR);
    e.state = EXPOSURE_FAILED;
    return false;
  }
  e.readerMade = 1;
  return true;
}

}  // namespace

// ---- [State] ----

void ReleaseExposureReader() {
  ExposureReadState& e = ExposureRead;
  GfxRelease(e.readSurface);
  e.readerMade = 0;
  e.regionChosen = 0;
  e.readPending = 0;
}

void ResetExposure() {
  ReleaseExposureReader();
  ExposureRead = ExposureReadState{};
}

// ---- [Region] ----

int ChooseExposureRegion(const PostChain& chain, int stereo) {
  ExposureReadState& e = ExposureRead;
  if (chain.count <= 0) {
    if (DebugMessagesOn) ReportLine("Exposure error: NumBlurResize = 0", REPORT_GREY);
    return 0;
  }
  const bool compute = ComputeLevel();
  const int margin = compute ? 8 : 2;
  const int minimumArea = compute ? (stereo ? 960 : 1920) : (stereo ? 60 : 120);
  const bool frusta = stereo && VrEyeTangents.known;
  for (int level = chain.count - 1; level >= 0; --level) {
    const ZKTETexture* t = chain.targets[level];
    if (!t) continue;
    int left, top, width, height;
    if (frusta) {
      const float a = VrEyeTangents.horizontal[0], b = VrEyeTangents.horizontal[1];
      const float p = VrEyeTangents.vertical[0], q = VrEyeTangents.vertical[1];
      if (a + b <= 0.0f || p + q <= 0.0f) continue;
      const float c = std::min({0.577f, std::max(a, b), std::max(p, q)});
      const float x0 = (a - c) / (a + b), x1 = (a + c) / (a + b);
      const float y0 = (p - c) / (p + q), y1 = (p + c) / (p + q);
      left = int(std::lround(x0 * float(t->width)));
      top = int(std::lround(y0 * float(t->height)));
      width = int(std::lround((x1 - x0) * float(t->width)));
      height = int(std::lround((y1 - y0) * float(t->height)));
      // Held inside the level: the tangents come from a plug-in.
      left = std::clamp(left, 0, t->width);
      top = std::clamp(top, 0, t->height);
      width = std::min(width, t->width - left);
      height = std::min(height, t->height - top);
    } else {
      if (t->width <= 2 * margin || t->height <= 2 * margin) continue;
      left = top = margin;
      width = t->width - 2 * margin;
      height = t->height - 2 * margin;
    }
    if (width <= 0 || height <= 0 || width * height < minimumArea) continue;
    e.level = level;
    e.left = left;
    e.top = top;
    e.width = width;
    e.height = height;
    e.secondLeft = left;
    if (stereo) {
      e.secondLeft = t->width - left - width;
      e.width = 2 * width;
    }
    e.format = t->format;
    e.regionChosen = 1;
    return 1;
  }
  if (DebugMessagesOn) {
    const ZKTETexture* largest = chain.targets[0];
    char line[128];
    // The multiplication sign of the text's code page (Latin 1).
    std::snprintf(line, sizeof line, "No suitable size for ReadSurf [src %d\xD7%d]", largest ? largest->width : 0,
                  largest ? largest->height : 0);
    ReportLine(line, REPORT_GREY);
  }
  return 0;
}

// ---- [Reading] ----

int SetupExposureReadback(const PostChain& chain, int eyeMode) {
  ExposureReadState& e = ExposureRead;
  if (e.state == EXPOSURE_FAILED) return 0;
  if (e.readPending && eyeMode != 2) CollectExposureRead();
  if (e.state == EXPOSURE_FAILED) return 0;
  if (!e.regionChosen && !ChooseExposureRegion(chain, eyeMode != 0)) return 0;
  if (!e.readerMade && !MakeReader()) return 0;
  if (e.readPending) return 0;
  return Exposure::AttemptStartRead(chain, eyeMode);
}

int Exposure::AttemptStartRead(const PostChain& chain, int eyeMode) {
  ExposureReadState& e = ExposureRead;
  if (e.level < 0 || e.level >= chain.count || !chain.targets[e.level]) return 0;
  const ZKTETexture* level = chain.targets[e.level];
  const int width = eyeMode == 1 || eyeMode == 2 ? e.width / 2 : e.width;
  const int left = eyeMode == 2 ? e.secondLeft : e.left;
  if (ComputeLevel()) {
    ComputeJob& job = SharedComputeJob;
    if (eyeMode != 2) {
      const uint32_t zero[4] = {0, 0, 0, 0};
      GfxClearUnorderedAccessViewUint(Gfx.context, job.view, zero);
    }
    const int32_t region[4] = {left, e.top, width, e.height};
    UpdateCSBufferIfNeeded(region);
    RunComputeShader(job.view, uint32_t(width + 7) / 8, uint32_t(e.height + 7) / 8, level->view);
    if (eyeMode == 1) return 1;
    GetComputeShaderResult(job);
  } else {
    GfxBox box;
    box.left = uint32_t(left);
    box.top = uint32_t(e.top);
    box.right = uint32_t(left + width);
    box.bottom = uint32_t(e.top + e.height);
    GfxCopySubresourceRegion(Gfx.context, e.readSurface, 0, eyeMode == 2 ? uint32_t(width) : 0u, 0, 0,
                             level->texture, 0, &box);
    if (eyeMode == 1) return 1;
  }
  e.readPending = 1;
  std::copy(WhiteBalance.multipliers, WhiteBalance.multipliers + 3, e.whiteBalance);
  if (e.state == EXPOSURE_NO_VALUE) e.state = EXPOSURE_WAITING;
  return 1;
}

int CollectExposureRead() {
  ExposureReadState& e = ExposureRead;
  if (!e.readPending) return 0;
  e.readPending = 0;
  GfxMappedSubresource m;
  bool ok = false;
  if (ComputeLevel()) {
    if (SharedComputeJob.readBuffer &&
        !GfxFailed(GfxMapResource(Gfx.context, SharedComputeJob.readBuffer, 0, GFX_MAP_READ, &m)) && m.data) {
      std::memcpy(e.histogram, m.data, sizeof e.histogram);
      GfxUnmap(Gfx.context, SharedComputeJob.readBuffer, 0);
      ok = true;
    }
  } else if (e.readSurface && !GfxFailed(GfxMapResource(Gfx.context, e.readSurface, 0, GFX_MAP_READ, &m)) &&
             m.data) {
    ok = HistogramOfSurface(static_cast<const uint8_t*>(m.data), m.rowPitch, e.width, e.height, e.format,
                            e.histogram);
    GfxUnmap(Gfx.context, e.readSurface, 0);
  }
  if (!ok) {
    LogLine("Exposure: the read-back could not be collected; metering stops");
    e.state = EXPOSURE_FAILED;
    return 0;
  }
  e.meanLuminance = HistogramMeanLuminance(e.histogram);
  std::copy(e.whiteBalance, e.whiteBalance + 3, e.readWhiteBalance);
  e.state = EXPOSURE_VALUE;
  return 1;
}

// ---- [Histogram] ----

int ExposureBin(float red, float green, float blue) {
  const float luminance = 0.2126f * red + 0.7152f * green + 0.0722f * blue;
  if (!(luminance > 0.0f)) return 0;
  const uint32_t bits = std::bit_cast<uint32_t>(luminance);
  const int exponent = int(bits >> 23) - 127;
  const int quarter = int((bits >> 21) & 3u);
  return std::clamp((exponent + 12) * 4 + quarter, 0, EXPOSURE_BINS - 1);
}

float ExposureBinLuminance(int bin) {
  const int exponent = bin / 4 - 12, quarter = bin % 4;
  return std::ldexp(1.0f + (float(quarter) + 0.5f) / 4.0f, exponent);
}

float HistogramMeanLuminance(const uint32_t histogram[EXPOSURE_BINS]) {
  double sum = 0.0, count = 0.0;
  for (int b = 0; b < EXPOSURE_BINS; ++b) {
    sum += double(histogram[b]) * ExposureBinLuminance(b);
    count += histogram[b];
  }
  return count > 0.0 ? float(sum / count) : 0.0f;
}
