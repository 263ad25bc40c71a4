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

// Lays out the glyphs (each glyph's page and texture coordinates) and assigns the kerning
// classes; each page is rasterised and made into its texture only when text is first drawn
// from it (MakeFontPage).  Runs with the system textures, so again whenever those are
// rebuilt: the body of the renderer's BuildFontTexture hook (render/system_textures.h).
void BuildFontPages();
// Rasterises a page laid out by the last BuildFontPages and makes its texture "FONT%d_AON",
// once: 1 when it was made now, 0 when it was not waiting (made before, or no such page) or
// the device refused it (told as "Can't create : FONT%d_AON").
int MakeFontPage(int page);
int FontPageWaiting(int page);  // laid out, not made yet
