// font_pages.h - the textures of the font pages ("FONT%d_AON") and of the glyph cache
// ("CACHE%d_AON"): generated textures of the texture table, white with coverage in alpha,
// made from 32-bit RGBA pixels.  Cache pages have four mip levels (cells of 64, 32, 16 and 8
// pixels); font pages have two, and keep only the coverage (a byte a texel).
//
// Records are looked up by name on every call: the table may have been emptied (device
// re-creation) since the page was made.  A page made again keeps its record, which the text
// batches' materials point at.
#pragma once
#include <cstdint>

constexpr int GLYPH_PAGE_MIP_LEVELS = 4;
// Glyphs lie 6 pixels apart on a font page, and a glyph's texture box reaches 3 pixels into
// the gap on each side.  A texel of the third level (4 pixels) would mix a neighbour's edge
// into that margin, and a small letter would show it as a thin stroke at its side: font
// pages stop at the second level, whose texels beside a box hold only the gap.
constexpr int FONT_PAGE_MIP_LEVELS = 2;
constexpr int GLYPH_CACHE_PAGE_PIXELS = 512;

// Makes the font page texture from width x height RGBA pixels, or refills it when it exists
// at that size; 1 when it stands.
int UploadFontPage(int index, const uint8_t* rgba, int width, int height);
// Makes the font page texture of size x size pixels without filling it (its texels are
// undefined until a box is written), or keeps it when it exists at that size and those
// levels; 1 when it stands.
int CreateFontPageTexture(int index, int size);
// Writes a box (pixels left..right, top..bottom, widened to even edges and kept on the page)
// of a size x size coverage image (a byte a texel) into the page texture, white with that
// coverage in alpha: level 0 as it is, level 1 halved.
void UpdateFontPageBox(int index, const uint8_t* coverage, int size, int left, int top, int right, int bottom);
// Makes an empty (white, alpha 0) glyph-cache page texture; 1 when it stands.
int CreateGlyphCacheTexture(int index);
// Copies one size x size RGBA cell (size 64) into a cache page at cell column cellX, row cellY.
void UpdateGlyphCacheCell(int index, int cellX, int cellY, const uint8_t* rgba, int size);
// Frees every cache page's texture; the records stay listed, without texture.
void ReleaseGlyphCacheTextures();
