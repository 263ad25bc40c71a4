// contrast.h - how well a text stands out from what lies under it, and how opaque a backing
// must be for it to stand out whatever the scene behind shows.
//
// Colours are 0xAARRGGBB vertex colours (0xRRGGBB where no alpha is meant).  The ratio is
// WCAG 2's: (L1 + 0.05) / (L2 + 0.05) of the relative luminances of the lighter and the darker
// colour.  Layers blend as the frame buffer blends them: the back buffer is an sRGB target, so
// out = layer x alpha + under x (1 - alpha) in linear light, where luminance adds up too.  An
// unknown scene is taken at its worst, black and white.
#pragma once
#include <cstdint>

#include "text/text_colours.h"

constexpr double TEXT_CONTRAST_NEEDED = 4.5;
// What the interface aims at: above the need by more than the 8-bit rounding of blended
// colours and a rasteriser's own rounding can take off, so that no text hovers at the need.
constexpr double TEXT_CONTRAST_AIMED = 4.8;

double ColourLuminance(uint32_t rgb);
double LuminanceContrast(double a, double b);
double ColourContrast(uint32_t rgbA, uint32_t rgbB);
// The luminance of layers (bottom first, each with its alpha) blended over a scene of
// luminance sceneLuminance.
double LayersLuminance(double sceneLuminance, const uint32_t* layers, int layerCount);

// The worse contrast of an opaque ink over layers over a black and a white scene; over the
// plain colour scene (0xFFRRGGBB) alone when one is given.
double WorstContrast(uint32_t ink, const uint32_t* layers, int layerCount, uint32_t scene = 0);
// The least alpha, from fromAlpha up to 255, of a top layer of colour rgb over the layers
// under it with which ink reaches `aim` over the scenes as above; -1 when none does.
int AlphaToStandOut(uint32_t ink, const uint32_t* under, int underCount, uint32_t rgb, int fromAlpha,
                    uint32_t scene = 0, double aim = TEXT_CONTRAST_AIMED);
// A backing for ink over layers: backing itself (its colour and alpha) when it is enough;
// else its colour at the least alpha that is; else black or white (whichever stands further
// from the ink) at the least alpha that is, or opaque.
uint32_t BackingToStandOut(uint32_t ink, const uint32_t* under, int underCount, uint32_t backing,
                           uint32_t scene = 0);

// A coloured part of a text (a colour code's span) beside the text's own ink, over the same
// layers.  It keeps its hue: its colour is the span's own, or the nearest shade of it (darker,
// or lighter while it stays at least half saturated) that stands SPAN_INK_CONTRAST_AIMED from
// the ink and `aim` from the layers.  When no shade does both, the span gets a backing of its
// own behind its glyphs (*backing: black or white at the least alpha that reaches `aim`) and
// keeps the nearest shade that stands apart from the ink; otherwise *backing is 0.  Alpha stays
// the span's.
constexpr double SPAN_INK_CONTRAST_AIMED = 3.2;  // a coded part must read as apart from its text (3:1)
uint32_t SpanToStandOut(uint32_t span, uint32_t ink, const uint32_t* layers, int layerCount, uint32_t* backing,
                        uint32_t scene = 0, double aim = TEXT_CONTRAST_AIMED);

// The text colour for an opaque face: the dark or the light text colour of TextColours,
// whichever stands further from it.
ColourWord TextColourOver(ColourWord face);
