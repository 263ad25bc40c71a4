// font_pages.h - rasterising the vector glyphs into the font pages "FONT%d_AON".
#pragma once
#include <cstdint>
#include <vector>

// The page images of the last build: 512 x 512 RGBA each, white with coverage in alpha.
struct FontPageImages {
  std::vector<std::vector<uint8_t>> pages;
  int unplaced = 0;  // drawn glyphs that found no room
};

// Lays out and rasterises every glyph, storing each glyph's page and texture coordinates.
// Returns the number of pages.
int RasteriseFontPages(FontPageImages* out);

// Rasterises the pages, makes their textures and assigns the kerning classes.  Runs with
// the system textures, so again whenever those are rebuilt: the body of the renderer's
// BuildFontTexture hook (render/system_textures.h).
void BuildFontPages();
