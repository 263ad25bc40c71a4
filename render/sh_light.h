// sh_light.h - diffuse sky light as order-2 spherical harmonics and the three 4 x 4
// irradiance matrices made from them (Ramamoorthi and Hanrahan's irradiance environment
// maps): a shader gets the irradiance of a normal n as (n, 1)^T M (n, 1), one M per channel.
//
// Sections: [Records] [Projection] [Defaults]
//
// The coefficients are projected from a square polar image of the upper hemisphere: the
// disc inscribed in the image, its centre the zenith, its radius proportional to the zenith
// angle (the horizon at the rim).  Row 0 is the image's top, rows grow towards +y, columns
// towards +x.  The sky worker and the main thread both project, one at a time: every
// projection and every reset holds the SH light lock for its whole run.
#pragma once
#include <cstdint>

// ---- [Records] ----
// Per channel (red, green, blue): L00, L1-1, L10, L11, L2-2, L2-1, L20, L21, L22.
constexpr int SH_COEFFICIENTS = 9;
extern float ShAccumulators[3][SH_COEFFICIENTS];
// Three row-major 4 x 4 matrices: red, green, blue.
struct ShIrradiance {
  float m[3][16];
};
constexpr int SH_IRRADIANCE_FLOATS = 48;

// ---- [Projection] ----
// Projects an N x N image of 4-byte pixels (red, green, blue bytes; the fourth unused) into
// out: each pixel inside the disc weighted by its solid angle, the sums multiplied by
// scale / pi.  N below 1 (or no pixels) gives the matrices of a black sky.
void AccumulateCubeFaceSH(const uint8_t* pixels, int rowPitch, int size, float scale, ShIrradiance* out);
// Adds colour x weight x Y(x, y, z) for each of the nine basis functions.
void AddShSample(const float colour[3], float z, float weight, float x, float y);
void ShToIrradianceMatrices(ShIrradiance* out);
void LockShLight();
void UnlockShLight();

// ---- [Defaults] ----
// Without skyDefault the irradiance is 1 in every direction; with it 0.5 + 0.5 z: 1 for an
// upward normal, 0 for a downward one.
void ResetShIrradiance(ShIrradiance* out, int skyDefault);
// The irradiance of the upward normal (0, 0, 1), per channel.
void SkyIrradianceUp(const ShIrradiance& matrices, float out[3]);
// The irradiance of any normal, per channel: (n, 1)^T M (n, 1).
void ShIrradianceOf(const ShIrradiance& matrices, const float normal[3], float out[3]);
