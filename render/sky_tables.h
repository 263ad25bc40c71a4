// sky_tables.h - the published sky and colour tables, compiled in as 32-bit floats from
// render/sky_tables/*.txt at build time (tools/sky_tables_gen).  Index orders as stored.
#pragma once

// Hosek-Wilkie RGB sky model, per channel (red, green, blue): albedo (0, 1) x turbidity
// (1..10) x control point (0..5) x the nine parameters A B C D E F G I H.
extern const float HosekRgbParams[3][1080];
// The overall radiances: albedo x turbidity x control point.
extern const float HosekRgbRadiance[3][120];
// The solar radiance, per wavelength 320, 360, ..., 720 nm: turbidity (1..10) x elevation
// piece (0..44) x the cubic's coefficients c0..c3 (c0 x^3 + c1 x^2 + c2 x + c3).
extern const float HosekSolarCoefficients[11][1800];
// The CIE 1931 2-degree colour-matching functions x, y, z at 400, 405, ..., 695 nm.
extern const float Cie1931ColourMatching[60][3];
