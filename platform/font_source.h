// font_source.h - system outline fonts for the double-byte code pages, over fontconfig and
// FreeType: listing the faces that cover a language, opening one at a cell height, and
// drawing characters black on white into the shared 64 x 64 surface.  The two libraries are
// loaded at their first use (by the preparation, or else by the first call below).
//
// Sections: [Preparing] [Surface] [Faces] [Fonts]
//
// The surface copies what the interface expects of a 24-bit top-down bitmap: 3 bytes a
// pixel, the first of them blue, white where nothing is drawn.  Main thread only, but for
// the preparation, which runs on a worker of its own.
#pragma once
#include <cstdint>

constexpr int FONT_FACE_SIZE = 64;

// ---- [Preparing] ----
// Reading the font configuration and sorting the faces of a language take milliseconds each:
// this starts that work on a worker thread and returns.  Every function below waits for the
// worker first and then finds its results ready; they are the same as without it.
// The configuration and the face lists of the given languages; does nothing once the
// configuration is read or a worker started.
void PrepareFontFaces(const char* const* languages, int count);
// Null when fontconfig and FreeType are loaded (loading them at the first call), else the
// system's name of the one that could not be ("libfreetype.so.6"): then no face is listed and
// no font opens.  Any thread.
const char* FontLibraryFault();

// ---- [Surface] ----
constexpr int GLYPH_SURFACE_SIZE = 64;
constexpr int GLYPH_SURFACE_BYTES = GLYPH_SURFACE_SIZE * GLYPH_SURFACE_SIZE * 3;

enum GlyphSurfaceResult {
  GLYPH_SURFACE_OK = 0,
  GLYPH_SURFACE_NO_CONTEXT = 1,  // the font configuration could not be read
  GLYPH_SURFACE_NO_RENDERER = 2, // the rasteriser could not be started
  GLYPH_SURFACE_NO_BITMAP = 3,   // the pixel buffer could not be made
  GLYPH_SURFACE_NO_LIBRARY = 4,  // fontconfig or FreeType could not be loaded (FontLibraryFault)
};

int  OpenGlyphSurface();   // a GlyphSurfaceResult; harmless to repeat
// Also closes every font still open; before the first opening it keeps what a preparation
// read.
void CloseGlyphSurface();
int  GlyphSurfaceOpen();

// Each returns 1 on success, 0 when the surface is not open.
int FillGlyphSurface(uint8_t value);
int ReadGlyphSurface(uint8_t* out);  // GLYPH_SURFACE_BYTES
// Draws text (UTF-16) from the top-left corner, the baseline at the font's ascent.
int DrawTextOnGlyphSurface(struct SystemFont* font, const char16_t* text, int length);

// ---- [Faces] ----
enum FontFamilyKind { FONT_FAMILY_OTHER = 0, FONT_FAMILY_MONO = 1, FONT_FAMILY_SANS = 2 };

struct FontFaceInfo {
  char face[FONT_FACE_SIZE];
  int familyKind;
};

// The outline faces that cover the language ("ja", "zh-tw", "zh-cn", "ko"), best match for
// the language first, each family once.  Fills at most max entries (out may be null) and
// returns the number found.
int ListFontFaces(const char* language, FontFaceInfo* out, int max);

// ---- [Fonts] ----
struct SystemFont;

// The face at the weight (100..900) with the given cell height (ascent + descent) in pixels;
// null when no installed font has that family name.
SystemFont* OpenSystemFont(const char* face, int weight, int cellHeightPixels);
void CloseSystemFont(SystemFont* font);
// The advance of a code point in whole pixels, or -1 when the font has no glyph for it.
int SystemFontAdvance(SystemFont* font, uint32_t codePoint);
