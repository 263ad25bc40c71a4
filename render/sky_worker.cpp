// sky_worker.cpp - the sky worker thread and the main thread's half of the hand-over: posting
// the sun, computing the sky, drawing "SKY~GPU" and storing the result into the scheme.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/report.h"
#include "render/colour_science.h"
#include "render/constant_buffers.h"
#include "render/env_maps.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/render_target.h"
#include "render/shaders.h"
#include "render/sky.h"
#include "render/sky_measure.h"
#include "render/sky_tables.h"
#include "render/texture_table.h"
#include "render/views.h"

SkyWorker Sky;

namespace {

constexpr float HALF_PI = 1.5707964f;
constexpr float SKY_RADIANCE_SCALE = 1.0f / 15.0f;
constexpr float DISC_SCALE = 0.984375f;           // pixel centres of a 64-pixel disc
constexpr float SUN_RGB_SCALE = 1.4415001e-6f;
constexpr float POSTED_TURBIDITY = 3.0f, POSTED_ALBEDO = 0.1f;
constexpr int SKY_SAMPLER = 8;

Material g_skyMaterial;  // the sky pass's batch material; outside the material map

float Clamp1(float v) { return std::clamp(v, -1.0f, 1.0f); }

uint8_t GammaByte(double linear) {
  return uint8_t(std::min(255L, std::lround(std::pow(std::max(linear, 0.0), 1.0 / 2.2) * 255.0)));
}

// After a write of 2 or 4: the lock taken between the write and the notice, so that a worker
// that found neither is asleep before the notice comes.
void WakeWorker(SkyWorker& w) {
  { std::lock_guard<std::mutex> lock(w.wakeLock); }
  w.wake.notify_one();
}

void SkyThread(void* argument) {
  SkyWorker& w = *static_cast<SkyWorker*>(argument);
  SetColourMessageSink(w.message, SKY_MESSAGE_SIZE);
  for (;;) {
    const int state = w.state.load(std::memory_order_acquire);
    if (state == SKY_STOP) break;
    if (state == SKY_WORK_POSTED) {
      if (const char* text = ComputeSky(w)) {
        std::strncpy(w.message, text, SKY_MESSAGE_SIZE - 1);
        w.message[SKY_MESSAGE_SIZE - 1] = 0;
      }
      w.state.store(SKY_RESULT_READY, std::memory_order_release);
      continue;
    }
    std::unique_lock<std::mutex> lock(w.wakeLock);
    w.wake.wait(lock, [&w] {
      const int now = w.state.load(std::memory_order_acquire);
      return now == SKY_WORK_POSTED || now == SKY_STOP;
    });
  }
  SetColourMessageSink(nullptr, 0);
  w.state.store(SKY_NO_THREAD, std::memory_order_release);
}

// The sun's colour, intensity and temperature from its spectrum at elevation e.
void ComputeSunColour(float elevation, SkyResult& r) {
  const float e = std::max(elevation, 0.0f);
  float xyz[3] = {0, 0, 0};
  for (int k = 0; k < SUN_WAVELENGTHS; ++k) {
    const float radiance = HosekSolarRadiance(400.0f + 5.0f * float(k), e) * SunLimbDarkening[k];
    for (int c = 0; c < 3; ++c) xyz[c] += radiance * Cie1931ColourMatching[k][c];
  }
  for (float& v : xyz) v *= 5.0f;
  float rgb[3];
  MultiplyColourMatrix(XyzToRgb, xyz, rgb);
  for (float& v : rgb) v = std::max(v, 0.0f);
  r.sunKelvin = KelvinFromChromacity(rgb);
  for (float& v : rgb) v *= SUN_RGB_SCALE;
  const float m = std::max({rgb[0], rgb[1], rgb[2]});
  if (!(m > 0.0001f)) {
    r.sunColour = 0;
    r.sunIntensity = 0.0f;
    return;
  }
  r.sunIntensity = m;
  r.sunColour = 0;
  for (int c = 0; c < 3; ++c) r.sunColour |= uint32_t(GammaByte(rgb[c] / m)) << (8 * c);
}

}  // namespace

// ---- [Sky worker] ----

void CreateSkyTexture() {
  SkyWorker& w = Sky;
  if (!w.texture) {
    w.texture = AddTextureRef("SKY~GPU", GEN_TYPE_RENDER);
    if (!w.texture)
      w.texture = CreateZKTETextureRT("SKY~GPU", SKY_TEXTURE_SIZE, SKY_TEXTURE_SIZE, GFX_FORMAT_R8G8B8A8_UNORM_SRGB, 0);
    if (!w.texture) {
      if (!w.textureFailed) ReportLine("Could not create sky texture", REPORT_ERROR);
      w.textureFailed = 1;
      return;
    }
  }
  if (w.state.load(std::memory_order_acquire) == SKY_NO_THREAD) {
    w.message[0] = 0;
    // The worker is set going in state 1 so that it never sees a stale 0 or 4.
    w.state.store(SKY_IDLE, std::memory_order_release);
    if (!StartThread(w.thread, SkyThread, &w, SKY_WORKER_STACK)) {
      w.state.store(SKY_NO_THREAD, std::memory_order_release);
      ReportLine("Could not start sky thread", REPORT_ERROR);
    }
  }
  // A computation under way (2) or a result waiting (3) keeps the post it was made from.
  const int state = w.state.load(std::memory_order_acquire);
  if (state == SKY_NO_THREAD || state == SKY_IDLE) {
    std::memset(w.posted, 0, sizeof w.posted);
    w.turbidity = w.albedo = w.worldSunSetting = 0.0f;
    w.neverPosted = 1;
  }
  const size_t pixels = size_t(SKY_IMAGE_SIZE) * SKY_IMAGE_SIZE;
  if (!w.image) w.image = static_cast<float*>(std::calloc(pixels * 3, sizeof(float)));
  if (!w.words) w.words = static_cast<uint32_t*>(std::calloc(pixels, sizeof(uint32_t)));
}

void StopSkyThread() {
  SkyWorker& w = Sky;
  if (w.thread.running) {
    // A computation under way (2) is finished first; the worker leaves at its next look.
    for (;;) {
      int state = w.state.load(std::memory_order_acquire);
      if (state == SKY_NO_THREAD || state == SKY_STOP) break;
      if ((state == SKY_IDLE || state == SKY_RESULT_READY) &&
          w.state.compare_exchange_strong(state, SKY_STOP, std::memory_order_acq_rel)) {
        WakeWorker(w);
        break;
      }
      ThreadSleepMs(1);
    }
    JoinThread(w.thread);
  }
  w.state.store(SKY_NO_THREAD, std::memory_order_release);
  std::free(w.image);
  std::free(w.words);
  w.image = nullptr;
  w.words = nullptr;
}

void UpdateSky() {
  if (!Global3DMode) return;
  SkyWorker& w = Sky;
  if (!w.texture && !w.textureFailed) CreateSkyTexture();
  LightScheme& scheme = CurrentScheme();
  if (!scheme.skyTexture) {
    if (scheme.skyPicture[0]) {
      const int savedSkies = TextureConfig.skies, savedNow = TextureConfig.loadNow;
      TextureConfig.skies = 1;
      TextureConfig.loadNow = 1;
      scheme.skyTexture = GetTexture(scheme.skyPicture, GEN_TYPE_WORLD);
      TextureConfig.skies = savedSkies;
      TextureConfig.loadNow = savedNow;
      if (scheme.skyTexture) MeasureSkyPicture(scheme);
      scheme.skyBrightness = 1.0f;
    } else {
      scheme.skyTexture = w.texture;
    }
  }
  if (scheme.skyPicture[0] || !CurrentView) return;
  const int32_t* l = CurrentView->lightDirection;
  float d[3] = {float(l[0]), float(l[1]), float(l[2])};
  const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  if (!(length > 0.0f)) return;
  for (float& v : d) v /= length;
  PollSkyWorker(d);
}

float SkyPostThreshold(float e) {
  if (e >= 0.0f) return 0.008726646f - 0.007853981f / (16.0f * e * e + 1.0f);
  if (e > -SKY_DARK_ELEVATION) return 0.0008726647f;
  return 0.008726646f;
}

void PollSkyWorker(const float direction[3]) {
  SkyWorker& w = Sky;
  const int state = w.state.load(std::memory_order_acquire);
  if (state == SKY_RESULT_READY) {
    if (w.message[0]) {
      ReportLine(w.message, REPORT_ERROR);
      w.message[0] = 0;
    }
    UploadSkyResult();
    w.state.store(SKY_IDLE, std::memory_order_release);
    return;
  }
  if (state != SKY_IDLE || !w.image || !w.words) return;  // none, stopping, or busy
  const float e = std::asin(Clamp1(direction[2])), e0 = std::asin(Clamp1(w.posted[2]));
  const float world = WorldSunSettingHook ? WorldSunSettingHook() : 0.0f;
  if (std::fabs(e - e0) < SkyPostThreshold(e) && std::fabs(POSTED_TURBIDITY - w.turbidity) < 0.01f &&
      std::fabs(POSTED_ALBEDO - w.albedo) < 0.001f && std::fabs(world - w.worldSunSetting) < 0.01f && !w.neverPosted)
    return;
  std::memcpy(w.posted, direction, sizeof w.posted);
  w.turbidity = POSTED_TURBIDITY;
  w.albedo = POSTED_ALBEDO;
  w.worldSunSetting = world;
  w.neverPosted = 0;
  w.state.store(SKY_WORK_POSTED, std::memory_order_release);
  WakeWorker(w);
}

const char* ComputeSky(SkyWorker& w) {
  SkyResult& r = w.result;
  const float* sun = w.posted;
  const float elevation = HALF_PI - std::acos(Clamp1(sun[2]));
  SkyPostedTurbidity = w.turbidity;
  SkyPostedAlbedo = w.albedo;
  const HosekSkyState state = *HosekSkyModelInit(elevation);

  const int n = SKY_IMAGE_SIZE;
  std::fill(w.image, w.image + size_t(n) * n * 3, 0.0f);
  ThreadSleepMs(1);
  float largest = 1e-5f;
  double sum[3] = {0, 0, 0};
  int inside = 0;
  for (int j = 0; j < n; ++j) {
    const float y = (2.0f * float(j) / float(n - 1) - 1.0f) * DISC_SCALE;
    for (int i = 0; i < n; ++i) {
      const float x = (2.0f * float(i) / float(n - 1) - 1.0f) * DISC_SCALE;
      const float r2 = x * x + y * y;
      if (r2 > 1.0f) continue;
      const float radius = std::sqrt(r2);
      const float theta = radius * HALF_PI;
      float view[3] = {0.0f, 0.0f, 1.0f};
      if (radius > 0.0f) {
        const float s = std::sin(theta) / radius;
        view[0] = s * x;
        view[1] = s * y;
        view[2] = std::cos(theta);
      }
      const float gamma = std::acos(Clamp1(view[0] * sun[0] + view[1] * sun[1] + view[2] * sun[2]));
      float* pixel = w.image + (size_t(j) * n + i) * 3;
      for (int c = 0; c < 3; ++c) {
        pixel[c] = HosekSkyRadiance(state, theta, gamma, c) * SKY_RADIANCE_SCALE;
        largest = std::max(largest, pixel[c]);
        sum[c] += pixel[c];
      }
      ++inside;
    }
  }
  const float scale = 1.0f / largest;
  r.largest = largest;
  SetSkyShaderConstants(state, sun, SKY_RADIANCE_SCALE / largest, r.shaderConstants);
  for (int c = 0; c < 3; ++c) r.ambient[c] = GammaByte(inside ? sum[c] / inside * scale : 0.0);

  ThreadSleepMs(1);
  for (int p = 0; p < n * n; ++p) {
    uint32_t word = 0;
    for (int c = 0; c < 3; ++c) {
      const long b = std::lround(std::max(w.image[p * 3 + c], 0.0f) * scale * 255.0f);
      word |= uint32_t(std::min(b, 255L)) << (8 * c);
    }
    w.words[p] = word;
  }
  ThreadSleepMs(1);
  AccumulateCubeFaceSH(reinterpret_cast<const uint8_t*>(w.words), n * 4, n, 1.0f, &r.light);
  ThreadSleepMs(1);
  ComputeSunColour(elevation, r);
  return nullptr;
}

void UploadSkyResult() {
  SkyWorker& w = Sky;
  if (!w.texture || !w.image || !w.words) return;
  const SkyResult& r = w.result;
  if (SetRenderTexture(w.texture, 0, 0, 0)) {
    g_skyMaterial.drawKind = 1;
    g_skyMaterial.layout = 3;
    const int saved = PixelShaderOverride;
    PixelShaderOverride = PS_RENDER_SKY;
    if (Stream2D.StartV(&g_skyMaterial, 1, GFX_TOPOLOGY_TRIANGLESTRIP)) {
      std::memcpy(PSConstants[PS_ROW_SKY].data, r.shaderConstants, sizeof r.shaderConstants);
      UpdatePSBuffer(PS_ROW_SKY);
      EmitFullScreenQuad();
      DrawPendingStrip(SKY_SAMPLER);
    }
    PixelShaderOverride = saved;
    UnsetRenderTarget();
  }
  LightScheme& scheme = CurrentScheme();
  scheme.sunIntensity = r.sunIntensity;
  scheme.skyBrightness = r.largest;
  scheme.sunColour = r.sunColour;
  scheme.skyAmbientColour = uint32_t(r.ambient[0]) | uint32_t(r.ambient[1]) << 8 | uint32_t(r.ambient[2]) << 16;
  WhiteBalance.sunKelvin = r.sunKelvin;
  if (SkyOptions & SKY_AUTO_WHITE_BALANCE) AutoWhiteBalance();
  scheme.light = r.light;
  RequestEnvironmentRedraw();
}
