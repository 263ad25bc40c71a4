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
// classes; nothing is drawn yet.  Runs with the system textures, so again whenever those are
// rebuilt: the body of the renderer's BuildFontTexture hook (render/system_textures.h).
void BuildFontPages();
// Draws a glyph into its page and its box into the page's texture "FONT%d_AON" (made on the
// page's first glyph), once after each BuildFontPages: text calls it for every glyph it draws
// from a font page.  A glyph without a place is the placeholder.  1 when it stands on its
// page; 0 when the device refused the page (told once as "Can't create : FONT%d_AON").
int MakeFontGlyph(int glyph);
// Draws the printable ASCII glyphs of a set that is not installed yet into page coverage laid
// out as BuildFontPages lays that set out, for the next BuildFontPages to take when the set
// it places is laid out the same way: the glyphs then wait only for their page's texture.  For
// the start-up's reader of the character set, on its own thread, which the main thread joins
// before it installs the set; nothing else may draw glyphs meanwhile on that thread.
struct Char;
void DrawFontGlyphsAhead(const Char* glyphs);
void ForgetGlyphsDrawnAhead();
int FontGlyphWaiting(int glyph);  // laid out, not drawn yet

