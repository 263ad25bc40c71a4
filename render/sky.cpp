// sky.cpp - the light scheme table; the default scheme stands, no worker runs yet.
#include "render/sky.h"

#include <cstring>

namespace {

LightScheme DefaultScheme() {
  LightScheme s{};
  MakeDefaultLightScheme(s);
  s.skyBrightness = 1.0f;
  return s;
}

}  // namespace

LightScheme LightSchemes[LIGHT_SCHEME_LIMIT] = {DefaultScheme()};
int LightSchemeCount = 1;
int CurrentLightScheme;

LightScheme& CurrentScheme() {
  const int index = CurrentLightScheme >= 0 && CurrentLightScheme < LightSchemeCount ? CurrentLightScheme : 0;
  return LightSchemes[index];
}

void MakeDefaultLightScheme(LightScheme& scheme) {
  scheme.bytes[1] = 3;
  scheme.bytes[2] = 0;
  std::memcpy(scheme.tag, "__\0\0", 4);
  std::memset(scheme.skyPicture, 0, sizeof scheme.skyPicture);
  scheme.further[0] = 0.0f;
  scheme.further[1] = 1.5707964f;
  scheme.further[2] = 8000.0f;
  scheme.skyTexture = nullptr;
}

void LoadLightScheme() {}

void ClearLightSchemeLightWords() {
  for (LightScheme& scheme : LightSchemes) scheme.skyTexture = nullptr;
}

void StopSkyWorker() {}

uint32_t SkyOptions;
