// sample_schemes.cpp - our own light schemes and the overcast picture.
#include "tools/sky_gen/sample_schemes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/data_file.h"

namespace {

LightScheme Scheme(const char* tag, uint8_t first, const char* picture, uint32_t sunColour, float intensity,
                   float f0, float f1, float f2) {
  LightScheme s{};
  s.bytes[0] = first;
  s.bytes[1] = 3;
  std::memcpy(s.tag, tag, std::min<size_t>(std::strlen(tag), sizeof s.tag));
  std::snprintf(s.skyPicture, sizeof s.skyPicture, "%s", picture);
  s.sunColour = sunColour;
  s.sunIntensity = intensity;
  s.further[0] = f0;
  s.further[1] = f1;
  s.further[2] = f2;
  s.skyBrightness = 1.0f;
  return s;
}

}  // namespace

void SampleLightSchemes(LightScheme out[SAMPLE_SCHEME_COUNT]) {
  // The computed sky holds the built-in default's fixed fields.
  out[0] = Scheme("__", 0, "", 0xFFFFFFu, 1.0f, 0.0f, 1.5707964f, 8000.0f);
  out[1] = Scheme("OC", 1, SAMPLE_OVERCAST_PICTURE, 0xC8C8C8u, 0.25f, 0.0f, 1.5707964f, 3000.0f);
  out[2] = Scheme("DK", 2, "", 0x5A8CFFu, 0.6f, 0.5f, 0.3f, 6000.0f);
  out[3] = Scheme("HZ", 3, "", 0xDCE6F0u, 0.8f, 1.0f, 1.0f, 4000.0f);
}

std::vector<uint8_t> SampleLightSchemeFile() {
  LightScheme schemes[SAMPLE_SCHEME_COUNT];
  SampleLightSchemes(schemes);
  return LightSchemeFileImage(schemes, SAMPLE_SCHEME_COUNT);
}

std::vector<uint8_t> LightSchemeFileImage(const LightScheme* schemes, int count) {
  const std::vector<uint8_t> body =
      MemoryWriteBody([&](DataFile& file) { WriteLightSchemes(file, schemes, count); });
  return body.empty() ? body : DataFileImage(LIGHT_SCHEME_MAGIC, body, LIGHT_SCHEME_VERSION);
}

void SampleOvercastPixel(float u, float v, uint8_t out[4]) {
  const float x = 2.0f * u - 1.0f, y = 2.0f * v - 1.0f;
  const float r = std::min(std::sqrt(x * x + y * y), 1.0f);
  // Light grey at the zenith, darker towards the horizon, a little warmer on the +x side.
  const float grey = 205.0f - 70.0f * r * r;
  out[0] = uint8_t(std::lround(grey + 6.0f * x * (1.0f - r)));
  out[1] = uint8_t(std::lround(grey));
  out[2] = uint8_t(std::lround(grey + 8.0f - 6.0f * x * (1.0f - r)));
  out[3] = 255;
}
