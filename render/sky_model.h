// sky_model.h - the analytic sky (the Hosek-Wilkie 2012 RGB model, extended below the
// horizon) and the sun's spectral radiance with its limb darkening.
//
// Sections: [State] [Sky] [Sun] [Shader constants]
//
// Pure computations on floats over the compiled-in tables (sky_tables.h): callable from the
// sky worker and the main thread alike.  The one shared state, SkyModelState, belongs to
// whichever thread builds the sky; the sky worker is its only writer.
#pragma once

// ---- [State] ----
constexpr float SOLAR_RADIUS = 0.0044505894f;  // radians
constexpr float SKY_DARK_ELEVATION = 0.31415927f;  // the sky is fully dimmed this far below the horizon

struct HosekSkyState {
  // Per channel (red, green, blue): A B C D E F G I H (index 7 the zenith term I, 8 the
  // anisotropy H), and the channel's overall radiance.
  float configs[3][9];
  float radiances[3];
  float turbidity, albedo, solarRadius, elevation;
};
extern HosekSkyState SkyModelState;
// The turbidity and ground albedo the sky worker posted with its last sun direction (3.0 and
// 0.1 are what it posts).
extern float SkyPostedTurbidity, SkyPostedAlbedo;

// ---- [Sky] ----
// Rebuilds SkyModelState for a sun at this elevation (radians) with the posted turbidity and
// albedo; below the horizon the sky is built for elevation 0 and then dimmed.
HosekSkyState* HosekSkyModelInit(float elevation);
// The blend of one channel's dataset (HosekRgbParams[c] / HosekRgbRadiance[c]) between the
// neighbouring whole turbidities (1..10) and the two albedos, over the six control points
// weighted by weights.  Turbidity is held to 1..10 and albedo to 0..1.
void HosekCookConfiguration(const float* dataset, float out[9], const float weights[6], float turbidity,
                            float albedo);
float HosekCookRadiance(const float* dataset, const float weights[6], float turbidity, float albedo);
// The Bernstein weights of the six control points for an elevation (negative counts as 0).
void HosekControlWeights(float elevation, float weights[6]);
// The channel's radiance towards a direction theta from the zenith and gamma from the sun.
float HosekSkyRadiance(const HosekSkyState& state, float theta, float gamma, int channel);
// Below the horizon (elevation < 0): the sky fades to a uniform one (C = 1) at 18 degrees
// down and its radiance falls by the twilight magnitude, at most 19.
void DimSkyBelowHorizon(HosekSkyState& state, float elevation);

// ---- [Sun] ----
// The sun's spectral radiance (W / (m^2 sr nm)) at a wavelength of 320..720 nm and an
// elevation of 0..pi/2 (held to those ranges), for the posted turbidity; no limb darkening.
float HosekSolarRadiance(float wavelength, float elevation);
// The limb-darkening coefficients a0..a5 at 320, 360, ..., 720 nm.
extern const float LimbDarkeningCoefficients[11][6];
// The limb darkening averaged over the sun's disc (20 rings) at a wavelength.
float LimbDarkeningDiscAverage(float wavelength);

// ---- [Shader constants] ----
// The sky pixel shader's 11 rows of four floats: rows 0..8 the parameters k of red, green
// and blue (fourth 0), row 9 the three radiances, row 10 the sun direction and the scale
// (1/15 over the largest sky channel of the computation).
constexpr int SKY_SHADER_CONSTANT_FLOATS = 44;
void SetSkyShaderConstants(const HosekSkyState& state, const float sunDirection[3], float scale,
                           float out[SKY_SHADER_CONSTANT_FLOATS]);
