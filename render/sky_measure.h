// sky_measure.h - the light of a sky picture: the picture drawn over the 128 x 128 render
// texture "TRACKED~T", read back, averaged into a gamma-encoded colour word and projected
// into spherical-harmonic light.
//
// Sections: [Surfaces] [Measuring]
//
// The picture is a polar map of the upper hemisphere (sh_light.h).  Failures are shown as
// message lines.  Main thread only.
#pragma once
#include <cstdint>

#include "platform/gfx.h"

struct LightScheme;
struct ShIrradiance;
struct ZKTETexture;

// ---- [Surfaces] ----
constexpr int TRACKED_SIZE = 128;
struct SkyMeasureSurfaces {
  ZKTETexture* target;        // "TRACKED~T", 8-bit RGBA (not sRGB)
  GfxTexture2D readSurface;   // the CPU's copy of it
};
extern SkyMeasureSurfaces SkyMeasure;
// Finds or makes both ("%s failed" with "get_render_tex" or "CreateReadSurf"); a
// "TRACKED~T" of another size, format or sample count is made again.  1 when both stand.
int CreateTrackedReadSurface();
void ReleaseSkyMeasureSurfaces();
void ForgetSkyMeasureSurfaces();  // the device went with them

// ---- [Measuring] ----
// Draws the picture over the whole of "TRACKED~T" and copies it into the readable surface.
int rtex_fill(ZKTETexture* picture);
// The average of a region given in fractions of the surface (x0, y0 top left to x1, y1
// bottom right, held to the surface): round((sum / (count x 255))^(1/2.2) x 255) per
// channel into the colour word (red in byte 0).  With light the average is taken over the
// disc inscribed in the whole surface instead, and the whole surface is projected into light
// (scale 1).  "area is zero" for an empty region.  1 when measured.
int rtex_fill_av_col(uint32_t* colour, ShIrradiance* light, float x0, float y0, float x1, float y1);
// The scheme's sky picture measured into its ambient colour word and its light; its
// brightness becomes 1.0.
int MeasureSkyPicture(LightScheme& scheme);
