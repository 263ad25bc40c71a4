// sample_schemes.h - our own light schemes, written into "data\skies\light.scm" at build time
// and used by the tests and the fuzz seeds: the computed sky first, a plain overcast picture
// whose light is measured, and two more computed skies.
#pragma once
#include <cstdint>
#include <vector>

#include "render/sky.h"

// The overcast sky picture ("data\skies\<name>.png", drawn by sky_gen): a polar map of the
// upper hemisphere, brighter towards the zenith.
constexpr const char* SAMPLE_OVERCAST_PICTURE = "overcast";
constexpr int SAMPLE_OVERCAST_PIXELS = 256;

constexpr int SAMPLE_SCHEME_COUNT = 4;
// The schemes as the file holds them (texture references and computed fields empty).
void SampleLightSchemes(LightScheme out[SAMPLE_SCHEME_COUNT]);
// The whole file image (header and version 3 body) of those schemes, or of any.
std::vector<uint8_t> SampleLightSchemeFile();
std::vector<uint8_t> LightSchemeFileImage(const LightScheme* schemes, int count);
// The overcast picture's grey at a point of the square (0..1 each way, y down), 8-bit RGBA.
void SampleOvercastPixel(float u, float v, uint8_t out[4]);
