// font_pages.h - the textures of the font pages ("FONT%d_AON") and of the glyph cache
// ("CACHE%d_AON"): white, with coverage in alpha, 32-bit RGBA pixels.
//
// Until the texture table exists these keep nothing and report success, as the null
// device does; the interface keeps building its pages on the CPU either way.
#pragma once
#include <cstdint>

// Makes or refreshes the font page texture from width x height RGBA pixels; 1 when it stands.
int UploadFontPage(int index, const uint8_t* rgba, int width, int height);
// Makes an empty glyph-cache page texture; 1 when it stands.
int CreateGlyphCacheTexture(int index);
// Copies one size x size RGBA cell into a cache page at cell column cellX, row cellY.
void UpdateGlyphCacheCell(int index, int cellX, int cellY, const uint8_t* rgba, int size);
void ReleaseGlyphCacheTextures();
