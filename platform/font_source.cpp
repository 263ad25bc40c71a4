// font_source.cpp - double-byte glyphs from system fonts, over fontconfig and FreeType (both
// loaded at their first use).
// Implemented: [X] faces by language  [X] weight  [X] cell height  [X] black-on-white drawing
// Not: [ ] vertical faces  [ ] synthetic bold or italic
#include "platform/font_source.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <string>
#include <strings.h>
#include <thread>
#include <vector>

#include "platform/shared_library.h"

struct SystemFont {
  FT_Face face;
  int ascentPixels;
  SystemFont* next;  // every open font, so that closing the surface closes them
};

namespace {

// ---- The libraries, loaded at their first use ----
// fontconfig and FreeType: only the double-byte code pages need them, and linked they would
// cost every start their loading.  Null when a library or one of its functions is missing.
struct FontconfigFunctions {
  decltype(&FcPatternGetString) patternGetString;
  decltype(&FcPatternGetInteger) patternGetInteger;
  decltype(&FcPatternGetBool) patternGetBool;
  decltype(&FcPatternGetLangSet) patternGetLangSet;
  decltype(&FcPatternCreate) patternCreate;
  decltype(&FcPatternDestroy) patternDestroy;
  decltype(&FcPatternAddString) patternAddString;
  decltype(&FcPatternAddInteger) patternAddInteger;
  decltype(&FcPatternAddBool) patternAddBool;
  decltype(&FcPatternAddLangSet) patternAddLangSet;
  decltype(&FcLangSetCreate) langSetCreate;
  decltype(&FcLangSetAdd) langSetAdd;
  decltype(&FcLangSetHasLang) langSetHasLang;
  decltype(&FcLangSetDestroy) langSetDestroy;
  decltype(&FcConfigSubstitute) configSubstitute;
  decltype(&FcDefaultSubstitute) defaultSubstitute;
  decltype(&FcFontSort) fontSort;
  decltype(&FcFontMatch) fontMatch;
  decltype(&FcFontSetDestroy) fontSetDestroy;
  decltype(&FcWeightFromOpenType) weightFromOpenType;
  decltype(&FcInitLoadConfigAndFonts) initLoadConfigAndFonts;
  decltype(&FcConfigDestroy) configDestroy;
};

struct FreeTypeFunctions {
  decltype(&FT_Init_FreeType) initFreeType;
  decltype(&FT_Done_FreeType) doneFreeType;
  decltype(&FT_New_Face) newFace;
  decltype(&FT_Done_Face) doneFace;
  decltype(&FT_Request_Size) requestSize;
  decltype(&FT_Load_Char) loadChar;
  decltype(&FT_Get_Char_Index) getCharIndex;
};

const FontconfigFunctions* Fontconfig() {
  static FontconfigFunctions f;
  static const bool loaded = PlatformLoadFunctions(
      ZKT_FONTCONFIG_LIBRARY,
      "FcPatternGetString", f.patternGetString, "FcPatternGetInteger", f.patternGetInteger, "FcPatternGetBool",
      f.patternGetBool, "FcPatternGetLangSet", f.patternGetLangSet, "FcPatternCreate", f.patternCreate,
      "FcPatternDestroy", f.patternDestroy, "FcPatternAddString", f.patternAddString, "FcPatternAddInteger",
      f.patternAddInteger, "FcPatternAddBool", f.patternAddBool, "FcPatternAddLangSet", f.patternAddLangSet,
      "FcLangSetCreate", f.langSetCreate, "FcLangSetAdd", f.langSetAdd, "FcLangSetHasLang", f.langSetHasLang,
      "FcLangSetDestroy", f.langSetDestroy, "FcConfigSubstitute", f.configSubstitute, "FcDefaultSubstitute",
      f.defaultSubstitute, "FcFontSort", f.fontSort, "FcFontMatch", f.fontMatch, "FcFontSetDestroy",
      f.fontSetDestroy, "FcWeightFromOpenType", f.weightFromOpenType, "FcInitLoadConfigAndFonts",
      f.initLoadConfigAndFonts, "FcConfigDestroy", f.configDestroy);
  return loaded ? &f : nullptr;
}

const FreeTypeFunctions* FreeType() {
  static FreeTypeFunctions f;
  static const bool loaded = PlatformLoadFunctions(
      ZKT_FREETYPE_LIBRARY,
      "FT_Init_FreeType", f.initFreeType, "FT_Done_FreeType", f.doneFreeType, "FT_New_Face", f.newFace,
      "FT_Done_Face", f.doneFace, "FT_Request_Size", f.requestSize, "FT_Load_Char", f.loadChar, "FT_Get_Char_Index",
      f.getCharIndex);
  return loaded ? &f : nullptr;
}

FT_Library g_library;
FcConfig* g_config;
uint8_t* g_pixels;
SystemFont* g_fonts;

bool FamilyMatches(FcPattern* pattern, const char* face) {
  const FontconfigFunctions& fc = *Fontconfig();
  FcChar8* family = nullptr;
  for (int i = 0; fc.patternGetString(pattern, FC_FAMILY, i, &family) == FcResultMatch; ++i)
    if (strcasecmp(reinterpret_cast<const char*>(family), face) == 0) return true;
  return false;
}

int FamilyKindOf(FcPattern* pattern) {
  const FontconfigFunctions& fc = *Fontconfig();
  int spacing = 0;
  if (fc.patternGetInteger(pattern, FC_SPACING, 0, &spacing) == FcResultMatch && spacing >= FC_MONO) {
    return FONT_FAMILY_MONO;
  }
  FcChar8* family = nullptr;
  for (int i = 0; fc.patternGetString(pattern, FC_FAMILY, i, &family) == FcResultMatch; ++i) {
    const char* name = reinterpret_cast<const char*>(family);
    if (strcasestr(name, "serif") && !strcasestr(name, "sans")) return FONT_FAMILY_OTHER;
    if (strcasestr(name, "mono")) return FONT_FAMILY_MONO;
  }
  return FONT_FAMILY_SANS;
}

uint32_t NextCodePoint(const char16_t* text, int length, int* i) {
  const uint32_t unit = text[(*i)++];
  if (unit >= 0xD800 && unit < 0xDC00 && *i < length) {
    const uint32_t low = text[*i];
    if (low >= 0xDC00 && low < 0xE000) {
      ++*i;
      return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }
  }
  return unit;
}

// The face lists the worker sorted, by language; the main thread reads them after the join.
struct PreparedFaces {
  std::string language;
  std::vector<FontFaceInfo> faces;
  int count;
};
std::vector<PreparedFaces> g_prepared;
// Declared after what it fills: at exit it is joined before those are destroyed.
std::jthread g_preparer;

void WaitForPreparation() {
  if (g_preparer.joinable()) g_preparer.join();
}

// Every outline face that covers the language, best match first, each family once (at most
// 256 families); faces whose names do not fit are left out.
int SortFaces(FcConfig* config, const char* language, std::vector<FontFaceInfo>* out) {
  const FontconfigFunctions& fc = *Fontconfig();
  FcPattern* pattern = fc.patternCreate();
  FcLangSet* languages = fc.langSetCreate();
  fc.langSetAdd(languages, reinterpret_cast<const FcChar8*>(language));
  fc.patternAddLangSet(pattern, FC_LANG, languages);
  fc.patternAddBool(pattern, FC_OUTLINE, FcTrue);
  fc.configSubstitute(config, pattern, FcMatchPattern);
  fc.defaultSubstitute(pattern);
  FcResult result;
  FcFontSet* sorted = fc.fontSort(config, pattern, FcFalse, nullptr, &result);
  int count = 0;
  char seen[256][FONT_FACE_SIZE];
  int numSeen = 0;
  for (int i = 0; sorted && i < sorted->nfont; ++i) {
    FcPattern* font = sorted->fonts[i];
    FcBool outline = FcFalse;
    FcLangSet* fontLanguages = nullptr;
    FcChar8* family = nullptr;
    if (fc.patternGetBool(font, FC_OUTLINE, 0, &outline) != FcResultMatch || !outline) continue;
    if (fc.patternGetLangSet(font, FC_LANG, 0, &fontLanguages) != FcResultMatch) continue;
    if (fc.langSetHasLang(fontLanguages, reinterpret_cast<const FcChar8*>(language)) != FcLangEqual) continue;
    if (fc.patternGetString(font, FC_FAMILY, 0, &family) != FcResultMatch) continue;
    const char* name = reinterpret_cast<const char*>(family);
    if (std::strlen(name) >= FONT_FACE_SIZE) continue;  // a face that cannot be named back
    bool duplicate = false;
    for (int s = 0; s < numSeen && !duplicate; ++s) duplicate = strcasecmp(seen[s], name) == 0;
    if (duplicate) continue;
    if (numSeen < 256) std::strcpy(seen[numSeen++], name);
    FontFaceInfo info{};
    std::strcpy(info.face, name);
    info.familyKind = FamilyKindOf(font);
    out->push_back(info);
    ++count;
  }
  if (sorted) fc.fontSetDestroy(sorted);
  fc.langSetDestroy(languages);
  fc.patternDestroy(pattern);
  return count;
}

// The font of that face at the weight and cell height, not yet linked into g_fonts; null when
// no installed font has that family name.
SystemFont* OpenFace(const char* face, int weight, int cellHeightPixels) {
  if (!g_library || !g_config || !face || !face[0]) return nullptr;
  const FontconfigFunctions& fc = *Fontconfig();
  const FreeTypeFunctions& ft = *FreeType();
  FcPattern* pattern = fc.patternCreate();
  fc.patternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(face));
  fc.patternAddInteger(pattern, FC_WEIGHT, fc.weightFromOpenType(std::clamp(weight, 1, 1000)));
  fc.patternAddBool(pattern, FC_OUTLINE, FcTrue);
  fc.configSubstitute(g_config, pattern, FcMatchPattern);
  fc.defaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = fc.fontMatch(g_config, pattern, &result);
  fc.patternDestroy(pattern);
  if (!match) return nullptr;
  FcChar8* file = nullptr;
  int index = 0;
  SystemFont* font = nullptr;
  // fontconfig substitutes another family for a missing one: that is no font of this name.
  if (FamilyMatches(match, face) && fc.patternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    fc.patternGetInteger(match, FC_INDEX, 0, &index);
    FT_Face ftFace = nullptr;
    if (ft.newFace(g_library, reinterpret_cast<const char*>(file), index, &ftFace) == 0) {
      FT_Size_RequestRec request = {FT_SIZE_REQUEST_TYPE_CELL, 0, cellHeightPixels * 64, 0, 0};
      if (ft.requestSize(ftFace, &request) == 0)
        font = new SystemFont{ftFace, static_cast<int>((ftFace->size->metrics.ascender + 32) >> 6), nullptr};
      else
        ft.doneFace(ftFace);
    }
  }
  fc.patternDestroy(match);
  return font;
}

}  // namespace

// ---- [Preparing] ----

void PrepareFontFaces(const char* const* languages, int count) {
  if (g_config || g_preparer.joinable()) return;
  std::vector<std::string> wanted(languages, languages + std::max(count, 0));
  g_preparer = std::jthread([wanted] {
    if (FontLibraryFault()) return;
    const FontconfigFunctions& fc = *Fontconfig();
    const FreeTypeFunctions& ft = *FreeType();
    g_config = fc.initLoadConfigAndFonts();
    if (!g_config) return;
    if (ft.initFreeType(&g_library) != 0) g_library = nullptr;
    for (const std::string& language : wanted) {
      PreparedFaces prepared{language, {}, 0};
      prepared.count = SortFaces(g_config, language.c_str(), &prepared.faces);
      g_prepared.push_back(std::move(prepared));
    }
  });
}

const char* FontLibraryFault() {
  if (!Fontconfig()) return ZKT_FONTCONFIG_LIBRARY;
  if (!FreeType()) return ZKT_FREETYPE_LIBRARY;
  return nullptr;
}

// ---- [Surface] ----

int OpenGlyphSurface() {
  WaitForPreparation();
  if (g_pixels) return GLYPH_SURFACE_OK;
  if (FontLibraryFault()) return GLYPH_SURFACE_NO_LIBRARY;
  const FontconfigFunctions& fc = *Fontconfig();
  const FreeTypeFunctions& ft = *FreeType();
  if (!g_config) {
    g_config = fc.initLoadConfigAndFonts();
    if (!g_config) return GLYPH_SURFACE_NO_CONTEXT;
  }
  if (!g_library && ft.initFreeType(&g_library) != 0) {
    g_library = nullptr;
    return GLYPH_SURFACE_NO_RENDERER;
  }
  g_pixels = new (std::nothrow) uint8_t[GLYPH_SURFACE_BYTES];
  if (!g_pixels) return GLYPH_SURFACE_NO_BITMAP;
  std::memset(g_pixels, 255, GLYPH_SURFACE_BYTES);
  return GLYPH_SURFACE_OK;
}

void CloseGlyphSurface() {
  WaitForPreparation();
  // Closed before it was ever opened (a character set replacing none): what the worker read
  // stays for the opening.
  if (!g_pixels && !g_fonts && !g_prepared.empty()) return;
  g_prepared.clear();
  while (g_fonts) CloseSystemFont(g_fonts);
  delete[] g_pixels;
  g_pixels = nullptr;
  if (g_library) FreeType()->doneFreeType(g_library);
  g_library = nullptr;
  if (g_config) Fontconfig()->configDestroy(g_config);
  g_config = nullptr;
}

int GlyphSurfaceOpen() { return g_pixels != nullptr; }

int FillGlyphSurface(uint8_t value) {
  if (!g_pixels) return 0;
  std::memset(g_pixels, value, GLYPH_SURFACE_BYTES);
  return 1;
}

int ReadGlyphSurface(uint8_t* out) {
  if (!g_pixels) return 0;
  std::memcpy(out, g_pixels, GLYPH_SURFACE_BYTES);
  return 1;
}

int DrawTextOnGlyphSurface(SystemFont* font, const char16_t* text, int length) {
  if (!g_pixels || !font) return 0;
  const FreeTypeFunctions& ft = *FreeType();
  int penX = 0;
  for (int i = 0; i < length;) {
    const uint32_t codePoint = NextCodePoint(text, length, &i);
    if (ft.loadChar(font->face, codePoint, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) return 0;
    const FT_GlyphSlot slot = font->face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    const int left = penX + slot->bitmap_left;
    const int top = font->ascentPixels - slot->bitmap_top;
    for (int row = 0; row < static_cast<int>(bitmap.rows); ++row) {
      const int y = top + row;
      if (y < 0 || y >= GLYPH_SURFACE_SIZE) continue;
      const uint8_t* source = bitmap.buffer + row * bitmap.pitch;
      for (int column = 0; column < static_cast<int>(bitmap.width); ++column) {
        const int x = left + column;
        if (x < 0 || x >= GLYPH_SURFACE_SIZE) continue;
        uint8_t coverage = source[column];
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
          coverage = (source[column >> 3] & (0x80 >> (column & 7))) ? 255 : 0;
        uint8_t* pixel = g_pixels + (y * GLYPH_SURFACE_SIZE + x) * 3;
        const uint8_t ink = static_cast<uint8_t>(255 - coverage);
        for (int c = 0; c < 3; ++c) pixel[c] = std::min(pixel[c], ink);
      }
    }
    penX += static_cast<int>((slot->advance.x + 32) >> 6);
  }
  return 1;
}

// ---- [Faces] ----

int ListFontFaces(const char* language, FontFaceInfo* out, int max) {
  WaitForPreparation();
  if (!language) return 0;
  std::vector<FontFaceInfo> faces;
  int count = -1;
  for (const PreparedFaces& prepared : g_prepared) {
    if (prepared.language != language) continue;
    faces = prepared.faces;
    count = prepared.count;
  }
  if (count < 0) {
    if (!Fontconfig()) return 0;
    if (!g_config && !(g_config = Fontconfig()->initLoadConfigAndFonts())) return 0;
    count = SortFaces(g_config, language, &faces);
  }
  for (int i = 0; out && i < std::min(count, max); ++i) out[i] = faces[size_t(i)];
  return count;
}

// ---- [Fonts] ----

SystemFont* OpenSystemFont(const char* face, int weight, int cellHeightPixels) {
  WaitForPreparation();
  if (!face) return nullptr;
  SystemFont* font = OpenFace(face, weight, cellHeightPixels);
  if (font) {
    font->next = g_fonts;
    g_fonts = font;
  }
  return font;
}

void CloseSystemFont(SystemFont* font) {
  if (!font) return;
  for (SystemFont** link = &g_fonts; *link; link = &(*link)->next) {
    if (*link == font) {
      *link = font->next;
      break;
    }
  }
  FreeType()->doneFace(font->face);
  delete font;
}

int SystemFontAdvance(SystemFont* font, uint32_t codePoint) {
  if (!font) return -1;
  const FreeTypeFunctions& ft = *FreeType();
  if (ft.getCharIndex(font->face, codePoint) == 0) return -1;
  if (ft.loadChar(font->face, codePoint, FT_LOAD_DEFAULT) != 0) return -1;
  return static_cast<int>((font->face->glyph->advance.x + 32) >> 6);
}
