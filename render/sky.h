// sky.h - the light schemes, the light scheme file and the sky worker thread.
//
// Sections: [Schemes] [Loading and the worker]
//
// A scheme either uses the computed sky or names a sky picture whose light is measured
// (sky_measure.h).  Until the light scheme file is read the table holds the built-in default
// scheme alone.  Main thread only, but for the sky worker's own state.
#pragma once
#include <cstdint>

#include "render/sh_light.h"

struct ZKTETexture;

// ---- [Schemes] ----
constexpr int LIGHT_SCHEME_LIMIT = 20;
constexpr int SKY_PICTURE_NAME_SIZE = 20;
struct LightScheme {
  uint8_t bytes[4];        // the default scheme has 3 and 0 in the second and third
  char tag[4];             // the default: two underscores and two zero bytes
  char skyPicture[SKY_PICTURE_NAME_SIZE];  // empty: the computed sky
  uint32_t skyAmbientColour;   // red in byte 0, green 1, blue 2; computed or measured
  float skyBrightness;         // 1.0 after loading; the largest sky channel of the last computation
  uint32_t sunColour;          // red in byte 0
  float sunIntensity;
  float further[3];            // the default: 0.0, 1.5707964, 8000.0
  ZKTETexture* skyTexture;     // the computed sky or the loaded picture, set at run time
  ShIrradiance light;          // computed or measured
};
extern LightScheme LightSchemes[LIGHT_SCHEME_LIMIT];
extern int LightSchemeCount;    // 1..20
extern int CurrentLightScheme;  // 0..count - 1
LightScheme& CurrentScheme();
// The built-in default scheme's fixed fields on a record (its others are kept).
void MakeDefaultLightScheme(LightScheme& scheme);

// ---- [Loading and the worker] ----
void LoadLightScheme();       // leaves at least the default scheme
// Drops every scheme's texture reference (the textures went with the device).
void ClearLightSchemeLightWords();
void StopSkyWorker();

extern uint32_t SkyOptions;  // bit 1 read by the sky texture upload (Ctrl+E)
