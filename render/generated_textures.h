// generated_textures.h - textures made from pixels in memory: square 8-bit RGBA pictures
// (sRGB), halved to fit the size limit, with their mip levels made on the CPU; and the
// cell updates of the glyph pages.
//
// Alpha modes (from the name, TextureFlagsFromName): 0 opaque, 8 alpha ("_ALP"), 32 alpha
// only ("_AON": white, coverage in alpha).
#pragma once
#include <cstdint>

#include "render/texture_record.h"

constexpr int GLYPH_CELL_PIXELS = 64;  // cells of the glyph pages
constexpr int GLYPH_CELL_LEVELS = 4;   // 64, 32, 16, 8

// A listed texture made from size x size RGBA pixels (null: white with alpha 0); null when
// it cannot be made.  A record listed under the name is made again in place (it stays
// listed, without objects, when that fails).  The pixels are not changed.
ZKTETexture* CreateGeneratedTexture(const char* name, int size, const uint8_t* rgba);
// A listed texture like the above for pictures that are white with coverage in alpha ("_AON"):
// it keeps only the coverage, a byte a texel (format 61 read as white with that alpha), so it
// costs a quarter of the memory.  Without fill its texels stay as the device made them
// (undefined) until written, for a caller that writes every texel it samples before drawing
// with it.
ZKTETexture* CreateCoverageTexture(const char* name, int size, const uint8_t* rgba, bool fill);
// Makes the record's texture and view from the pixels; 1 or 0.
int generate_texture(ZKTETexture* record, int size, const uint8_t* rgba);
// Uploads every level of a record of that size and format 29 (RGBA), 65 (alpha) or 61
// (coverage); gamma set turns each colour byte v into 255 (v/255)^(1/2.2).  1 or 0.
int fill_texture(ZKTETexture* record, const uint8_t* rgba, int size, int alphaMode, int gamma);
// Box-filters a square RGBA picture to half its size in place (2 x 2 to 1).
void HalveImage(uint8_t* rgba, int size, int alphaMode);
// Uploads one 64 x 64 RGBA cell (white, coverage in alpha) into levels 0..3 of a glyph page
// at cell column x, row y.
void update_texture_slot(ZKTETexture* record, int x, int y, const uint8_t* cell);
