// charset_gen.cpp - writes the program's character set "data\abc\zkt.abc" from a free
// outline font and the C library's code-page converters.
//
//   charset_gen --font DejaVuSans.ttf --out zkt.abc [--tiny]
//
// The glyphs are the font's outlines flattened and tessellated onto the 9-unit grid.
// Accented letters are drawn as their base letter with an accent glyph over it wherever
// the font itself builds them that way; accents over capitals sit higher, so those glyphs
// are made lower by the raise the text drawing adds.  The glyphs are packed into the font
// pages exactly as the program packs them, and the tool fails when they would not fit.
// --tiny writes the ASCII glyphs and the program's symbols alone with identity tables, for
// fast tests.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "tools/charset_gen/glyph_shapes.h"
#include "ui/font_page_layout.h"

namespace {

// ---- The character set's fixed layout ----
constexpr int NUM_GLYPHS = 544;
constexpr int FIRST_CODE = 32;
constexpr int GLYPH_PLACEHOLDER = 95;
constexpr int GLYPH_CANNOT_DRAW = 175;
constexpr int FIRST_FREE_GLYPH = 96;
constexpr int ACCENT_GLYPH_LIMIT = 256;  // accent numbers are bytes
constexpr int NUM_RECORDS_WRITTEN = 11;  // the tenth-and-one: the reader wants at least 11
constexpr int ENTRIES = 224;
constexpr int TRAIL_SLOTS = 192;
constexpr uint8_t LEAD_BYTE = 0x10, LEAD_NO_PAGE = 0x20;

// The ten code pages in the order of the letters "LETBJCGHSK".
struct PageInfo {
  int number;
  const char* iconvName;
  bool doubleByte;
};
constexpr PageInfo PAGES[10] = {{1252, "CP1252", false}, {1250, "CP1250", false}, {1254, "CP1254", false},
                                {1257, "CP1257", false}, {932, "CP932", true},    {1251, "CP1251", false},
                                {1253, "CP1253", false}, {950, "CP950", true},    {936, "CP936", true},
                                {949, "CP949", true}};

// ---- The grid ----
// The baseline sits high enough that round letters' overshoot stays above the short cell's
// foot (y = 2); the em size puts the highest lowercase accent just under the cell top.
constexpr double BASELINE = 2.15;
constexpr double EM_UNITS = 8.4;
// The text drawing raises the accents of capitals by 3/23 of the size, which is 27/20 of a
// grid unit on the 9-unit cell (the cell fills 20/23 of the size).
constexpr double CAPITAL_ACCENT_RAISE = 9.0 * 3.0 / 20.0;
constexpr double RIGHT_LIMIT = 8.9;          // ink beyond is squeezed to stay on the bitmap
constexpr double FLATTEN_TOLERANCE = 0.025;  // grid units
constexpr double ACCENT_STEP = 0.25;         // accent positions are rounded to this
constexpr double SHORT_FOOT = 2.0;           // short glyphs lose ink below this
constexpr double TALL_BELOW = 1.7416;        // ink below this makes a glyph tall
constexpr double LETTER_SPACING_UNITS = 0.75;  // the text drawing adds 1/12 of the cell

struct Error {
  std::string text;
};

[[noreturn]] void Fail(const std::string& text) {
  std::fprintf(stderr, "charset_gen: %s\n", text.c_str());
  std::exit(1);
}

// ---- Code pages through iconv ----

// The code point of bytes in the code page: -1 incomplete (a lead byte alone), 0 no character.
long Decode(const char* codePage, const unsigned char* bytes, size_t length, size_t* used) {
  iconv_t cd = iconv_open("UTF-32LE", codePage);
  if (cd == reinterpret_cast<iconv_t>(-1)) Fail(std::string("iconv has no ") + codePage);
  char in[4];
  std::memcpy(in, bytes, length);
  char out[16];
  char* inPtr = in;
  char* outPtr = out;
  size_t inLeft = length, outLeft = sizeof out;
  const size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  const int error = errno;
  iconv_close(cd);
  *used = length - inLeft;
  if (result == static_cast<size_t>(-1) && error == EINVAL && *used == 0) return -1;
  if (outPtr - out != 4) return 0;
  uint32_t cp;
  std::memcpy(&cp, out, 4);
  return cp;
}

struct CodePageChars {
  long single[ENTRIES] = {};                  // bytes 32..255: code point, 0 none, -1 lead byte
  std::map<int, std::vector<uint16_t>> trail; // lead byte -> 192 code points
};

CodePageChars ReadCodePage(const PageInfo& page) {
  CodePageChars c;
  for (int b = FIRST_CODE; b < 256; ++b) {
    const unsigned char byte = static_cast<unsigned char>(b);
    size_t used = 0;
    long cp = Decode(page.iconvName, &byte, 1, &used);
    if (cp > 0 && used != 1) cp = 0;
    c.single[b - FIRST_CODE] = cp;
    if (cp == -1 && page.doubleByte) {
      std::vector<uint16_t> slots(TRAIL_SLOTS, 0);
      int found = 0;
      for (int t = 64; t < 256; ++t) {
        const unsigned char pair[2] = {byte, static_cast<unsigned char>(t)};
        size_t pairUsed = 0;
        const long pcp = Decode(page.iconvName, pair, 2, &pairUsed);
        if (pcp > 0 && pairUsed == 2 && pcp <= 0xFFFF) {
          slots[t - 64] = static_cast<uint16_t>(pcp);
          ++found;
        }
      }
      if (found) c.trail[b] = slots;
    }
  }
  return c;
}

// ---- Outlines ----

struct FlattenContext {
  std::vector<Contour>* contours;
  double scaleX, scaleY, offsetX, offsetY;
  double tolerance;
  ShapePoint last;
};

ShapePoint ToGrid(const FlattenContext& c, const FT_Vector* v) {
  return {v->x * c.scaleX + c.offsetX, v->y * c.scaleY + c.offsetY};
}

int OnMoveTo(const FT_Vector* to, void* user) {
  FlattenContext* c = static_cast<FlattenContext*>(user);
  c->contours->emplace_back();
  c->last = ToGrid(*c, to);
  c->contours->back().push_back(c->last);
  return 0;
}

int OnLineTo(const FT_Vector* to, void* user) {
  FlattenContext* c = static_cast<FlattenContext*>(user);
  c->last = ToGrid(*c, to);
  c->contours->back().push_back(c->last);
  return 0;
}

int Steps(double deviation, double tolerance) {
  return std::clamp(static_cast<int>(std::ceil(std::sqrt(deviation / tolerance))), 1, 32);
}

int OnConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  FlattenContext* c = static_cast<FlattenContext*>(user);
  const ShapePoint p0 = c->last, p1 = ToGrid(*c, control), p2 = ToGrid(*c, to);
  const double deviation = std::hypot(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y) / 4.0;
  const int n = Steps(deviation, c->tolerance);
  for (int i = 1; i <= n; ++i) {
    const double t = static_cast<double>(i) / n, u = 1.0 - t;
    c->contours->back().push_back({u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x,
                                   u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y});
  }
  c->last = p2;
  return 0;
}

int OnCubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  FlattenContext* c = static_cast<FlattenContext*>(user);
  const ShapePoint p0 = c->last, p1 = ToGrid(*c, c1), p2 = ToGrid(*c, c2), p3 = ToGrid(*c, to);
  const double deviation = 0.75 * std::max(std::hypot(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y),
                                           std::hypot(p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y));
  const int n = Steps(deviation, c->tolerance);
  for (int i = 1; i <= n; ++i) {
    const double t = static_cast<double>(i) / n, u = 1.0 - t;
    const double a = u * u * u, b = 3 * u * u * t, d = 3 * u * t * t, e = t * t * t;
    c->contours->back().push_back({a * p0.x + b * p1.x + d * p2.x + e * p3.x, a * p0.y + b * p1.y + d * p2.y + e * p3.y});
  }
  c->last = p3;
  return 0;
}

struct Font {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  double unitsToGrid = 0.0;  // grid units per font unit
};

struct Bounds {
  double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;
  bool empty() const { return maxX < minX; }
};

// The outline of a glyph in font units (composites resolved), flattened.
std::vector<Contour> FontContours(const Font& font, FT_UInt index, double tolerance, double dx, double dy,
                                  double scaleX, double offsetX, double squashY = 1.0) {
  if (FT_Load_Glyph(font.face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
    Fail("glyph " + std::to_string(index) + " does not load");
  std::vector<Contour> contours;
  FlattenContext c{&contours, scaleX, font.unitsToGrid * squashY, offsetX + dx * scaleX,
                   BASELINE + dy * font.unitsToGrid * squashY, tolerance, {0, 0}};
  FT_Outline_Funcs funcs = {OnMoveTo, OnLineTo, OnConicTo, OnCubicTo, 0, 0};
  if (font.face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) FT_Outline_Decompose(&font.face->glyph->outline, &funcs, &c);
  for (Contour& contour : contours) {
    if (contour.size() > 1 && contour.front().x == contour.back().x && contour.front().y == contour.back().y)
      contour.pop_back();
    SimplifyContour(&contour, tolerance * 0.5);
  }
  return contours;
}

Bounds BoundsOf(const std::vector<Contour>& contours) {
  Bounds b;
  for (const Contour& c : contours) {
    for (const ShapePoint& p : c) {
      b.minX = std::min(b.minX, p.x);
      b.maxX = std::max(b.maxX, p.x);
      b.minY = std::min(b.minY, p.y);
      b.maxY = std::max(b.maxY, p.y);
    }
  }
  return b;
}

void Shift(std::vector<Contour>* contours, double dx, double dy) {
  for (Contour& c : *contours)
    for (ShapePoint& p : c) {
      p.x += dx;
      p.y += dy;
    }
}

// ---- Glyph plans ----

// How a letter sits on its cell: x = fontX * scaleX + offsetX, and y is squashed towards the
// baseline when the letter would pass the cell's top.
struct Placement {
  double scaleX, offsetX;
  double squashY = 1.0;
};

struct GlyphSource {
  enum Kind { NONE, FONT, ACCENT, SYMBOL, SEGMENT, BLANK } kind = NONE;
  FT_UInt index = 0;        // FONT, ACCENT
  double dx = 0, dy = 0;    // ACCENT: the mark's offset in font units from its base's origin
  Placement place{0, 0};    // ACCENT: the base's placement
  double lower = 0;         // ACCENT: grid units taken off for the capital raise
  double quantisedX = 0, quantisedY = 0;
  int symbol = 0;           // SYMBOL kind, SEGMENT character
  bool lcd = false;
  uint32_t codePoint = 0;
};

struct Entry {
  uint16_t glyph = GLYPH_PLACEHOLDER;
  uint8_t accent = 0;
  uint8_t flags = 0;
};

struct Generator {
  Font font;
  GlyphSource glyphs[NUM_GLYPHS];
  GlyphShape shapes[NUM_GLYPHS];
  std::map<uint32_t, int> glyphOfCodePoint;  // characters with a glyph of their own
  std::map<uint32_t, Entry> entryOfCodePoint;
  std::map<std::tuple<FT_UInt, long, long>, int> accentGlyphs;
  std::map<FT_UInt, uint32_t> codePointOfIndex;  // the letters that can carry accents
  std::vector<bool> used = std::vector<bool>(NUM_GLYPHS, false);
  double capHeight = 0;
  int composed = 0, own = 0;
};

int FreeGlyph(Generator& gen, int from, int limit) {
  for (int g = from; g < limit; ++g)
    if (!gen.used[g]) {
      gen.used[g] = true;
      return g;
    }
  return -1;
}

Placement PlacementOf(const Generator& gen, FT_UInt index) {
  const double s = gen.font.unitsToGrid;
  std::vector<Contour> c = FontContours(gen.font, index, FLATTEN_TOLERANCE, 0, 0, s, 0);
  const Bounds b = BoundsOf(c);
  Placement p{s, 0.0};
  if (b.empty()) return p;
  if (b.maxX - std::min(b.minX, 0.0) > RIGHT_LIMIT) {  // too wide for the cell: squeeze
    const double width = b.maxX - std::min(b.minX, 0.0);
    p.scaleX = s * (RIGHT_LIMIT - 0.1) / width;
  }
  if (b.minX * p.scaleX / s < 0.0) p.offsetX = -b.minX * p.scaleX / s;  // never left of the cell
  if (b.maxY > 9.0) p.squashY = (9.0 - BASELINE) / (b.maxY - BASELINE);
  return p;
}

// Tries to draw the character as its base letter with an accent over it, the way the
// font composes it.  Returns false when the font draws it some other way.
bool TryCompose(Generator& gen, uint32_t cp) {
  const FT_UInt index = FT_Get_Char_Index(gen.font.face, cp);
  if (!index || FT_Load_Glyph(gen.font.face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_RECURSE) != 0) return false;
  const FT_GlyphSlot slot = gen.font.face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_COMPOSITE || slot->num_subglyphs != 2) return false;
  FT_Int subIndex[2], arg1[2], arg2[2];
  FT_UInt subFlags[2];
  FT_Matrix matrix;
  for (int i = 0; i < 2; ++i) {
    if (FT_Get_SubGlyph_Info(slot, static_cast<FT_UInt>(i), &subIndex[i], &subFlags[i],
                             &arg1[i], &arg2[i], &matrix) != 0)
      return false;
    const FT_UInt scaled = FT_SUBGLYPH_FLAG_SCALE | FT_SUBGLYPH_FLAG_XY_SCALE | FT_SUBGLYPH_FLAG_2X2;
    if (!(subFlags[i] & FT_SUBGLYPH_FLAG_ARGS_ARE_XY_VALUES) || (subFlags[i] & scaled)) return false;
  }
  int base = -1;
  for (int i = 0; i < 2 && base < 0; ++i) {
    auto found = gen.codePointOfIndex.find(static_cast<FT_UInt>(subIndex[i]));
    if (found != gen.codePointOfIndex.end() && arg1[i] == 0 && arg2[i] == 0) base = i;
  }
  if (base < 0) return false;
  const int mark = 1 - base;
  const uint32_t baseCp = gen.codePointOfIndex[static_cast<FT_UInt>(subIndex[base])];
  auto baseGlyph = gen.glyphOfCodePoint.find(baseCp);
  if (baseGlyph == gen.glyphOfCodePoint.end()) return false;
  const Placement place = PlacementOf(gen, static_cast<FT_UInt>(subIndex[base]));
  if (place.squashY != 1.0) return false;
  // Where the accent lands as the font draws it, and whether it must sit lower to be raised.
  std::vector<Contour> mc = FontContours(gen.font, static_cast<FT_UInt>(subIndex[mark]), FLATTEN_TOLERANCE,
                                         arg1[mark], arg2[mark], place.scaleX, place.offsetX);
  const Bounds mb = BoundsOf(mc);
  if (mb.empty()) return false;
  double lower = 0.0;
  uint8_t flags = 0;
  if (mb.maxY > 9.0) {  // above the cell: drawn lower, and raised as the accents of capitals are
    lower = CAPITAL_ACCENT_RAISE;
    flags = 1;
    if (mb.maxY - lower > 9.0) return false;
  }
  const long qx = std::max(0L, std::lround(mb.minX / ACCENT_STEP));  // never left of the cell
  long qy = std::lround((mb.minY - lower) / ACCENT_STEP);
  if (mb.maxY - lower + (qy * ACCENT_STEP - (mb.minY - lower)) > 9.0) --qy;  // rounding must not lift it out
  const auto key = std::make_tuple(static_cast<FT_UInt>(subIndex[mark]), qx, qy);
  auto found = gen.accentGlyphs.find(key);
  int accent = found == gen.accentGlyphs.end() ? -1 : found->second;
  if (accent < 0) {
    accent = FreeGlyph(gen, FIRST_FREE_GLYPH, ACCENT_GLYPH_LIMIT);
    if (accent < 0) Fail("no accent glyph numbers left below 256");
    GlyphSource& s = gen.glyphs[accent];
    s.kind = GlyphSource::ACCENT;
    s.index = static_cast<FT_UInt>(subIndex[mark]);
    s.quantisedX = qx * ACCENT_STEP - mb.minX;
    s.quantisedY = qy * ACCENT_STEP - (mb.minY - lower);
    s.dx = arg1[mark];
    s.dy = arg2[mark];
    s.place = place;
    s.lower = lower;
    s.codePoint = cp;
    gen.accentGlyphs.emplace(key, accent);
  }
  Entry e;
  e.glyph = static_cast<uint16_t>(baseGlyph->second);
  e.accent = static_cast<uint8_t>(accent);
  e.flags = flags;
  gen.entryOfCodePoint[cp] = e;
  ++gen.composed;
  return true;
}

void AddOwnGlyph(Generator& gen, uint32_t cp, int glyph) {
  GlyphSource& s = gen.glyphs[glyph];
  s.kind = GlyphSource::FONT;
  s.index = FT_Get_Char_Index(gen.font.face, cp);
  s.codePoint = cp;
  gen.used[glyph] = true;
  gen.glyphOfCodePoint[cp] = glyph;
  gen.entryOfCodePoint[cp] = Entry{static_cast<uint16_t>(glyph), 0, 0};
  if (s.index) gen.codePointOfIndex.emplace(s.index, cp);
  ++gen.own;
}

// ---- Shapes ----

GlyphShape ShapeOf(Generator& gen, int g) {
  const GlyphSource& s = gen.glyphs[g];
  GlyphShape shape;
  std::string error;
  for (double tolerance = FLATTEN_TOLERANCE; tolerance < 0.5; tolerance *= 1.5) {
    std::vector<Contour> contours;
    switch (s.kind) {
      case GlyphSource::FONT: {
        if (s.codePoint == ' ') {
          // No ink: one point sets the advance, less the letter spacing every glyph gets.
          FT_Load_Glyph(gen.font.face, s.index, FT_LOAD_NO_SCALE);
          const double advance = gen.font.face->glyph->advance.x * gen.font.unitsToGrid - LETTER_SPACING_UNITS;
          shape.points.push_back({static_cast<float>(advance), static_cast<float>(BASELINE)});
          return shape;
        }
        const Placement p = PlacementOf(gen, s.index);
        contours = FontContours(gen.font, s.index, tolerance, 0, 0, p.scaleX, p.offsetX, p.squashY);
        break;
      }
      case GlyphSource::ACCENT:
        contours = FontContours(gen.font, s.index, tolerance, s.dx, s.dy, s.place.scaleX, s.place.offsetX);
        Shift(&contours, s.quantisedX, s.quantisedY - s.lower);
        break;
      case GlyphSource::SYMBOL:
        contours = SymbolContours(static_cast<SymbolKind>(s.symbol), BASELINE, gen.capHeight);
        break;
      case GlyphSource::SEGMENT:
        contours = SegmentContours(static_cast<char>(s.symbol), s.lcd, BASELINE, gen.capHeight);
        break;
      case GlyphSource::BLANK:
        shape.points.push_back({static_cast<float>(SegmentDigitRight()), static_cast<float>(BASELINE)});
        return shape;
      case GlyphSource::NONE:
        return shape;
    }
    if (Tessellate(contours, &shape, &error)) {
      // Ink a little below the short cell's foot (a slashed o): an unused lower point makes
      // the glyph tall, so it is drawn whole.
      float minY = 9.0f;
      for (const auto& p : shape.points) minY = std::min(minY, p[1]);
      if (!shape.points.empty() && minY < SHORT_FOOT && minY >= TALL_BELOW && shape.points.size() < MAX_GLYPH_POINTS)
        shape.points.push_back({shape.points[0][0], static_cast<float>(TALL_BELOW - 0.05)});
      return shape;
    }
  }
  Fail("glyph " + std::to_string(g) + " (U+" + std::to_string(s.codePoint) + "): " + error);
}

// ---- Writing ----

void PutU8(std::vector<uint8_t>& o, int v) { o.push_back(static_cast<uint8_t>(v)); }
void PutU16(std::vector<uint8_t>& o, int v) {
  PutU8(o, v & 0xFF);
  PutU8(o, (v >> 8) & 0xFF);
}
void PutI32(std::vector<uint8_t>& o, int32_t v) {
  for (int i = 0; i < 4; ++i) PutU8(o, static_cast<int>(static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
}
void PutF32(std::vector<uint8_t>& o, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  PutI32(o, static_cast<int32_t>(bits));
}

void WriteGlyphRecord(std::vector<uint8_t>& o, const GlyphShape& shape) {
  PutI32(o, static_cast<int32_t>(shape.points.size()));
  for (const auto& p : shape.points) {
    PutF32(o, p[0]);
    PutF32(o, p[1]);
  }
  PutU8(o, 0);  // links
  PutU8(o, static_cast<int>(shape.triangles.size()));
  PutU8(o, 0);  // dots
  PutU8(o, 0);  // curves
  for (const auto& t : shape.triangles) {
    PutU8(o, t[0]);
    PutU8(o, t[1]);
    PutU8(o, t[2]);
    PutU8(o, 0);
  }
}

struct CodePageOut {
  int number;
  Entry entries[ENTRIES];
};

void WriteFile(const std::string& path, const GlyphShape* shapes, int numGlyphs, const std::vector<CodePageOut>& pages,
               const std::vector<std::vector<uint16_t>>& glyphPages) {
  std::vector<uint8_t> o;
  const char magic[] = "QXCHAR";
  o.insert(o.end(), magic, magic + 6);
  PutU8(o, 252 >> 8);  // the version, high byte first
  PutU8(o, 252 & 0xFF);
  PutU8(o, 1);  // no padding after the glyph records
  PutU8(o, 0);
  PutU8(o, 0);
  PutU8(o, 0);
  PutI32(o, numGlyphs);
  for (int g = 0; g < numGlyphs; ++g) WriteGlyphRecord(o, shapes[g]);
  PutI32(o, static_cast<int32_t>(pages.size()));
  for (const CodePageOut& page : pages) {
    PutI32(o, page.number);
    for (const Entry& e : page.entries) {
      PutU16(o, e.glyph);
      PutU8(o, e.accent);
      PutU8(o, e.flags);
    }
  }
  PutI32(o, static_cast<int32_t>(glyphPages.size()));
  for (const auto& gp : glyphPages)
    for (uint16_t cp : gp) PutU16(o, cp);
  const std::string temporary = path + ".tmp";
  FILE* f = std::fopen(temporary.c_str(), "wb");
  if (!f) Fail("cannot create " + temporary);
  const bool ok = std::fwrite(o.data(), 1, o.size(), f) == o.size();
  if (std::fclose(f) != 0 || !ok || std::rename(temporary.c_str(), path.c_str()) != 0)
    Fail("cannot write " + path);
}

// ---- Checks ----

void CheckAndPack(const GlyphShape* shapes, int numGlyphs) {
  float widths[NUM_GLYPHS] = {}, heights[NUM_GLYPHS] = {};
  uint8_t drawn[NUM_GLYPHS] = {};
  int cutShort = 0;
  for (int g = 0; g < numGlyphs; ++g) {
    const GlyphShape& s = shapes[g];
    float right = 1.0f, depth = 1.0f, minY = 9.0f;
    for (const auto& p : s.points) {
      if (p[0] < 0.0f || p[0] > 9.0f || p[1] < 0.0f || p[1] > 9.0f)
        Fail("glyph " + std::to_string(g) + " leaves the cell (" + std::to_string(p[0]) + ", " + std::to_string(p[1]) + ")");
      right = std::max(right, p[0]);
      depth = std::max(depth, 9.0f - p[1]);
      minY = std::min(minY, p[1]);
    }
    widths[g] = GlyphWidthFromRight(right);
    heights[g] = GlyphHeightFromDepth(depth);
    drawn[g] = g > 0 && (g < FIRST_FREE_GLYPH || !s.points.empty());
    if (heights[g] <= FONT_TALL_HEIGHT && minY < SHORT_FOOT && !s.triangles.empty()) {
      std::fprintf(stderr, "charset_gen: glyph %d is short but reaches y = %.3f\n", g, minY);
      ++cutShort;
    }
  }
  FontPagePlace places[NUM_GLYPHS];
  const FontPageLayout layout = LayOutFontPages(widths, heights, drawn, numGlyphs, places);
  if (layout.unplaced || layout.tooWide)
    Fail("the glyphs do not fit the " + std::to_string(MAX_FONT_PAGES) + " font pages: " +
         std::to_string(layout.unplaced) + " left, " + std::to_string(layout.tooWide) + " too wide");
  if (cutShort) Fail(std::to_string(cutShort) + " short glyphs reach below the short cell");
  std::printf("charset_gen: %d glyphs on %d font pages\n", numGlyphs, layout.pagesUsed);
}

// ---- The program's symbols ----

void AddSymbols(Generator& gen) {
  auto symbol = [&](int code, SymbolKind kind) {
    const int g = code - FIRST_CODE;
    gen.glyphs[g].kind = GlyphSource::SYMBOL;
    gen.glyphs[g].symbol = kind;
    gen.used[g] = true;
  };
  auto segment = [&](int code, char c, bool lcd) {
    const int g = code - FIRST_CODE;
    gen.glyphs[g].kind = GlyphSource::SEGMENT;
    gen.glyphs[g].symbol = c;
    gen.glyphs[g].lcd = lcd;
    gen.used[g] = true;
  };
  symbol(GLYPH_PLACEHOLDER + FIRST_CODE, SYMBOL_BOX);
  symbol(GLYPH_CANNOT_DRAW + FIRST_CODE, SYMBOL_CROSSED_BOX);
  symbol(0x8B, SYMBOL_STEP_LEFT);
  symbol(0x9B, SYMBOL_STEP_RIGHT);
  symbol(0xB6, SYMBOL_ARROW_LEFT);
  symbol(0xB7, SYMBOL_ARROW_RIGHT);
  symbol(0xB9, SYMBOL_ARROW_UP);
  symbol(0xBA, SYMBOL_ARROW_DOWN);
  // The dashboard's lamps and dial symbols (raw codes; text reaches the code pages' letters
  // of the same codes through their own glyphs).
  symbol(0xB5, SYMBOL_LAMP);
  symbol(0xBD, SYMBOL_WATER);
  symbol(0xBE, SYMBOL_FUEL);
  const SymbolKind lamps[16] = {SYMBOL_FULL_BEAM,  SYMBOL_HANDBRAKE,    SYMBOL_ANTILOCK,      SYMBOL_ENGINE,
                                SYMBOL_TRACTION,   SYMBOL_OIL,          SYMBOL_BATTERY,       SYMBOL_THERMOMETER,
                                SYMBOL_SHIFT_UP,   SYMBOL_PIT_LIMITER,  SYMBOL_BOTH_ARROWS,   SYMBOL_BOTH_TRIANGLES,
                                SYMBOL_ARROW_LEFT, SYMBOL_ARROW_RIGHT,  SYMBOL_STEP_LEFT,     SYMBOL_STEP_RIGHT};
  for (int i = 0; i < 16; ++i) symbol(0xC0 + i, lamps[i]);
  symbol(0xD7, SYMBOL_TIMES);
  gen.glyphs[0x80 - FIRST_CODE].kind = GlyphSource::BLANK;
  gen.used[0x80 - FIRST_CODE] = true;
  segment(0x8C, 'r', false);  // the LED gear's reverse (the gear text's ',' + 0x60)
  segment(0x8D, '-', false);
  segment(0x8E, '.', false);
  segment(0x9D, '-', true);
  segment(0x9E, '.', true);
  for (int d = 0; d < 10; ++d) {
    segment(0x90 + d, static_cast<char>('0' + d), false);
    segment(0xA0 + d, static_cast<char>('0' + d), true);
  }
}

// ---- The tiny set ----

bool IsSymbolGlyph(const Generator& gen, int g) {
  const GlyphSource::Kind kind = gen.glyphs[g].kind;
  return kind == GlyphSource::SYMBOL || kind == GlyphSource::SEGMENT || kind == GlyphSource::BLANK;
}

// The ASCII glyphs and the program's symbols at their own codes, every other glyph empty;
// every page shows ASCII and the symbols' bytes as themselves and anything else as the
// placeholder (the double-byte pages' lead bytes have no glyph page).
void WriteTiny(Generator& gen, const std::string& path) {
  for (uint32_t cp = 32; cp < 127; ++cp) AddOwnGlyph(gen, cp, static_cast<int>(cp) - FIRST_CODE);
  AddSymbols(gen);
  int count = FIRST_FREE_GLYPH;
  for (int g = FIRST_FREE_GLYPH; g < NUM_GLYPHS; ++g)
    if (IsSymbolGlyph(gen, g)) count = g + 1;
  for (int g = 0; g < count; ++g) gen.shapes[g] = ShapeOf(gen, g);
  CheckAndPack(gen.shapes, count);
  std::vector<CodePageOut> pages;
  for (int p = 0; p < NUM_RECORDS_WRITTEN; ++p) {
    CodePageOut out{PAGES[p % 10].number, {}};
    for (int b = FIRST_CODE; b < 256; ++b) {
      Entry& e = out.entries[b - FIRST_CODE];
      const int g = b - FIRST_CODE;
      e.glyph = static_cast<uint16_t>(b < 127 || (g < count && IsSymbolGlyph(gen, g)) ? g : GLYPH_PLACEHOLDER);
      if (PAGES[p % 10].doubleByte && b >= 0x81 && b < 0xFF) {
        size_t used = 0;
        const unsigned char byte = static_cast<unsigned char>(b);
        if (Decode(PAGES[p % 10].iconvName, &byte, 1, &used) == -1) e = Entry{GLYPH_PLACEHOLDER, 0, LEAD_NO_PAGE};
      }
    }
    pages.push_back(out);
  }
  WriteFile(path, gen.shapes, count, pages, {});
}

// ---- The full set ----

void WriteFull(Generator& gen, const std::string& path) {
  AddSymbols(gen);
  // Every character of every code page, by code point.
  CodePageChars chars[10];
  std::set<uint32_t> wanted;
  for (int p = 0; p < 10; ++p) {
    chars[p] = ReadCodePage(PAGES[p]);
    for (long cp : chars[p].single)
      if (cp > 127 && cp != 0xA0 && cp != 0xAD) wanted.insert(static_cast<uint32_t>(cp));
  }
  for (uint32_t cp = 32; cp < 127; ++cp) AddOwnGlyph(gen, cp, static_cast<int>(cp) - FIRST_CODE);
  // Letters that can carry accents come first: Latin, Greek and Cyrillic without marks.
  std::vector<uint32_t> rest;
  for (uint32_t cp : wanted) {
    if (!FT_Get_Char_Index(gen.font.face, cp)) continue;  // shown as the placeholder
    rest.push_back(cp);
  }
  for (uint32_t cp : {0x131u}) {  // dotless i carries the accents of i
    if (!gen.glyphOfCodePoint.count(cp)) {
      const int g = FreeGlyph(gen, ACCENT_GLYPH_LIMIT, NUM_GLYPHS);
      AddOwnGlyph(gen, cp, g);
    }
  }
  // Letters the font builds from a base and one mark are composed once every base has its
  // glyph; everything else gets a glyph of its own first.
  std::vector<uint32_t> second;
  for (uint32_t cp : rest) {
    if (gen.glyphOfCodePoint.count(cp)) continue;
    FT_UInt index = FT_Get_Char_Index(gen.font.face, cp);
    FT_Load_Glyph(gen.font.face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_RECURSE);
    if (gen.font.face->glyph->format == FT_GLYPH_FORMAT_COMPOSITE && gen.font.face->glyph->num_subglyphs == 2) {
      second.push_back(cp);
      continue;
    }
    const int g = FreeGlyph(gen, ACCENT_GLYPH_LIMIT, NUM_GLYPHS);
    if (g < 0) Fail("no glyph numbers left");
    AddOwnGlyph(gen, cp, g);
  }
  {
    std::vector<uint32_t> left;
    for (uint32_t cp : second)
      if (!TryCompose(gen, cp)) left.push_back(cp);
    second.swap(left);
  }
  for (uint32_t cp : second) {
    int g = FreeGlyph(gen, ACCENT_GLYPH_LIMIT, NUM_GLYPHS);
    if (g < 0) g = FreeGlyph(gen, FIRST_FREE_GLYPH, ACCENT_GLYPH_LIMIT);
    if (g < 0) Fail("no glyph numbers left");
    AddOwnGlyph(gen, cp, g);
  }
  for (int g = 0; g < NUM_GLYPHS; ++g) gen.shapes[g] = ShapeOf(gen, g);
  int outside = 0;
  for (int g = 0; g < NUM_GLYPHS; ++g) {
    for (const auto& p : gen.shapes[g].points) {
      if (p[0] < 0.0f || p[0] > 9.0f || p[1] < 0.0f || p[1] > 9.0f) {
        std::fprintf(stderr, "charset_gen: glyph %d (U+%04X, kind %d) leaves the cell at (%.3f, %.3f)\n", g,
                     gen.glyphs[g].codePoint, static_cast<int>(gen.glyphs[g].kind), p[0], p[1]);
        ++outside;
        break;
      }
    }
  }
  if (outside) Fail(std::to_string(outside) + " glyphs leave the cell");
  if (std::getenv("CHARSET_GEN_LIST")) {
    for (int g = 0; g < NUM_GLYPHS; ++g) {
      float minY = 9, maxY = 0, maxX = 0;
      for (const auto& p : gen.shapes[g].points) {
        minY = std::min(minY, p[1]);
        maxY = std::max(maxY, p[1]);
        maxX = std::max(maxX, p[0]);
      }
      std::printf("%3d U+%04X kind %d points %3zu triangles %3zu x..%.2f y %.2f..%.2f\n", g, gen.glyphs[g].codePoint,
                  static_cast<int>(gen.glyphs[g].kind), gen.shapes[g].points.size(), gen.shapes[g].triangles.size(),
                  maxX, minY, maxY);
    }
  }
  CheckAndPack(gen.shapes, NUM_GLYPHS);

  // The tables.  The single angle quotes stand at the step arrows' codes of the single-byte
  // pages, so text showing those bytes (the interface's arrow buttons) draws the step arrows;
  // their letter glyphs stay in the set, unused.
  gen.entryOfCodePoint[0x2039] = Entry{static_cast<uint16_t>(0x8B - FIRST_CODE), 0, 0};
  gen.entryOfCodePoint[0x203A] = Entry{static_cast<uint16_t>(0x9B - FIRST_CODE), 0, 0};
  std::vector<CodePageOut> pages;
  std::vector<std::vector<uint16_t>> glyphPages;
  int missing = 0;
  for (int p = 0; p < 10; ++p) {
    CodePageOut out{PAGES[p].number, {}};
    for (int b = FIRST_CODE; b < 256; ++b) {
      Entry& e = out.entries[b - FIRST_CODE];
      const long cp = chars[p].single[b - FIRST_CODE];
      if (cp == -1 && PAGES[p].doubleByte) {
        auto trail = chars[p].trail.find(b);
        if (trail == chars[p].trail.end()) {
          e = Entry{0, 0, LEAD_NO_PAGE};
        } else {
          e = Entry{static_cast<uint16_t>(glyphPages.size()), 0, LEAD_BYTE};
          glyphPages.push_back(trail->second);
        }
        continue;
      }
      uint32_t c = cp > 0 ? static_cast<uint32_t>(cp) : 0;
      if (c == 0xA0) c = ' ';
      if (c == 0xAD) c = '-';
      if (c == 0x7F || c == 0) continue;  // the placeholder
      auto found = gen.entryOfCodePoint.find(c);
      if (found != gen.entryOfCodePoint.end()) {
        e = found->second;
      } else if (!PAGES[p].doubleByte) {
        ++missing;
      }
    }
    pages.push_back(out);
  }
  pages.push_back(pages[0]);  // an eleventh record: the reader wants at least 11
  if (missing) Fail(std::to_string(missing) + " single-byte characters have no glyph");
  WriteFile(path, gen.shapes, NUM_GLYPHS, pages, glyphPages);
  int numAccents = static_cast<int>(gen.accentGlyphs.size());
  std::printf("charset_gen: %d letters of their own, %d composed with %d accent glyphs, %zu glyph pages\n", gen.own,
              gen.composed, numAccents, glyphPages.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::string fontPath, outPath;
  bool tiny = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--font" && i + 1 < argc) fontPath = argv[++i];
    else if (arg == "--out" && i + 1 < argc) outPath = argv[++i];
    else if (arg == "--tiny") tiny = true;
    else Fail("usage: charset_gen --font FILE.ttf --out FILE [--tiny]");
  }
  if (fontPath.empty() || outPath.empty()) Fail("usage: charset_gen --font FILE.ttf --out FILE [--tiny]");
  static Generator gen;
  if (FT_Init_FreeType(&gen.font.library) != 0) Fail("FreeType does not start");
  if (FT_New_Face(gen.font.library, fontPath.c_str(), 0, &gen.font.face) != 0) Fail("cannot open " + fontPath);
  gen.font.unitsToGrid = EM_UNITS / gen.font.face->units_per_EM;
  {
    const FT_UInt e = FT_Get_Char_Index(gen.font.face, 'H');
    FT_Load_Glyph(gen.font.face, e, FT_LOAD_NO_SCALE);
    gen.capHeight = BoundsOf(FontContours(gen.font, e, FLATTEN_TOLERANCE, 0, 0, gen.font.unitsToGrid, 0)).maxY - BASELINE;
  }
  if (tiny)
    WriteTiny(gen, outPath);
  else
    WriteFull(gen, outPath);
  FT_Done_Face(gen.font.face);
  FT_Done_FreeType(gen.font.library);
  return 0;
}
