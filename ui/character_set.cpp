// character_set.cpp - reading "data\abc\zkt.abc", preparing its glyphs, and the fonts of the
// double-byte code pages.
//
// The file is trusted for nothing: every count is checked against the bytes left and every
// index against its table before it is used, so a damaged file is refused, never followed.
#include "ui/character_set.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <strings.h>
#include <thread>
#include <vector>

#include "core/config.h"
#include "core/data_file.h"
#include "core/log.h"
#include "platform/files.h"
#include "platform/font_source.h"
#include "ui/font_pages.h"
#include "ui/glyph_cache.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"

Char Glyphs[GLYPH_COUNT];
GlyphMetrics CharMetrics[GLYPH_COUNT];
CodePageRecord CodePageRecords[CODE_PAGE_COUNT];
int NumCodePagesInUse;
GlyphPage* GlyphPages;
int NumGlyphPages;
int CharacterSetError;

const FontSlotInfo FONT_SLOTS[NUM_FONT_SLOTS] = {
    {4, 128, "MS PGothic", "SHIFTJIS", "ja"},
    {7, 136, "Microsoft JhengHei", "CHINESEBIG5", "zh-tw"},
    {8, 134, "SimHei", "GB2312", "zh-cn"},
    {9, 129, "Gulim", "HANGUL", "ko"},
};

FontChoice FontChoices[NUM_FONT_SLOTS];

namespace {

// While set, the tables are the fixed-width stand-in's and double-byte glyphs follow its rule.
bool g_fixedWidth;

// A record as it stands before any set is read: its number, and no font for the double-byte
// pages until their font set-up.
CodePageRecord FreshRecord(int page) {
  CodePageRecord record = {};
  record.number = CODE_PAGES[page].number;
  record.noFont = CODE_PAGES[page].doubleByte ? 1 : 0;
  record.fontSlot = -1;
  return record;
}

const bool g_recordsNamed = [] {
  for (int page = 0; page < CODE_PAGE_COUNT; ++page) CodePageRecords[page] = FreshRecord(page);
  return true;
}();

}  // namespace

void Char::Free() {
  GraphData::Free();
  delete[] links;
  delete[] triangles;
  delete[] dots;
  delete[] curves;
  links = nullptr;
  triangles = nullptr;
  dots = nullptr;
  curves = nullptr;
  numLinks = numTriangles = numDots = numCurves = 0;
}

namespace {

// The data-file texts, shown as "%s %s" with the path.
constexpr const char* TEXT_COULD_NOT_OPEN_FILE = "Could not open file :";
constexpr const char* TEXT_FILE_FAILED_HEADER = "File failed header check :";
constexpr const char* TEXT_FILE_LATER_VERSION = "File was created by a later version :";
constexpr const char* TEXT_FILE_OBSOLETE = "File version is obsolete :";
constexpr const char* TEXT_FILE_TOO_SHORT = "File is too short :";
constexpr const char* TEXT_CORRUPTED_FILE = "Corrupted file :";

constexpr int ERROR_NOT_FOUND = 2;
constexpr int ERROR_LATER_VERSION = 3;
constexpr int ERROR_OBSOLETE = 4;
constexpr int ERROR_WRONG_TYPE = 5;
constexpr int ERROR_TOO_SHORT = 9;

constexpr int HEADER_BYTES = 8;
constexpr int MIN_GLYPH_RECORD_BYTES = 8;  // the point count and the four counts

// The body of the file, read one field at a time from the image held in memory, under the
// same names as the data-file container's memory reader: every read is checked against the
// end and a short read sets readPastEnd and yields 0.
struct CharsetReader {
  const uint8_t* cursor = nullptr;
  const uint8_t* end = nullptr;
  int readPastEnd = 0;

  int64_t Left() const { return end - cursor; }
  int ReadByte() {
    if (cursor >= end) {
      readPastEnd = 1;
      return -1;
    }
    return *cursor++;
  }
  int ReadShort() {
    if (Left() < 2) return Fail();
    const uint16_t v = static_cast<uint16_t>(cursor[0] | cursor[1] << 8);
    cursor += 2;
    return static_cast<int16_t>(v);
  }
  int32_t ReadInt() {
    if (Left() < 4) return Fail();
    const uint32_t v = static_cast<uint32_t>(cursor[0]) | static_cast<uint32_t>(cursor[1]) << 8 |
                       static_cast<uint32_t>(cursor[2]) << 16 | static_cast<uint32_t>(cursor[3]) << 24;
    cursor += 4;
    return static_cast<int32_t>(v);
  }
  float ReadFloat() { return std::bit_cast<float>(ReadInt()); }
  int Skip(int n) {
    if (n < 0 || Left() < n) {
      Fail();
      return 0;
    }
    cursor += n;
    return 1;
  }

 private:
  int Fail() {
    readPastEnd = 1;
    cursor = end;
    return 0;
  }
};

// What a refused load reports.
struct LoadFailure {
  int error = 0;
  char reason[96] = "";
};

void Refuse(LoadFailure* failure, int error, const char* format, int value) {
  failure->error = error;
  std::snprintf(failure->reason, sizeof failure->reason, format, value);
}

void ReportFailure(const LoadFailure& failure, const char* path) {
  CharacterSetError = failure.error;
  const char* text = TEXT_CORRUPTED_FILE;
  switch (failure.error) {
    case ERROR_NOT_FOUND: text = TEXT_COULD_NOT_OPEN_FILE; break;
    case ERROR_LATER_VERSION: text = TEXT_FILE_LATER_VERSION; break;
    case ERROR_OBSOLETE: text = TEXT_FILE_OBSOLETE; break;
    case ERROR_WRONG_TYPE: text = TEXT_FILE_FAILED_HEADER; break;
    default: break;
  }
  if (failure.error == ERROR_TOO_SHORT && !failure.reason[0]) text = TEXT_FILE_TOO_SHORT;
  if (failure.reason[0])
    LogF("%s %s (%s)", text, path, failure.reason);
  else
    LogF("%s %s", text, path);
}

// The header: the magic, then the version high byte first.  True when the body may be read.
bool CheckHeader(const uint8_t* image, int64_t length, int32_t* version, LoadFailure* failure) {
  if (length < HEADER_BYTES) {
    failure->error = length < 6 || std::memcmp(image, CHARACTER_SET_MAGIC, 6) != 0 ? ERROR_WRONG_TYPE
                                                                                     : ERROR_TOO_SHORT;
    return false;
  }
  if (std::memcmp(image, CHARACTER_SET_MAGIC, 6) != 0) {
    failure->error = ERROR_WRONG_TYPE;
    return false;
  }
  *version = image[6] << 8 | image[7];
  if (*version > CHARACTER_SET_VERSION) {
    failure->error = ERROR_LATER_VERSION;
    return false;
  }
  if (*version < CHARACTER_SET_LOWEST_VERSION) {
    failure->error = ERROR_OBSOLETE;
    return false;
  }
  if (length == HEADER_BYTES) {  // no body byte
    failure->error = ERROR_TOO_SHORT;
    return false;
  }
  return true;
}

// ---- Glyph records ----

bool ReadGlyphRecord(CharsetReader& r, Char& glyph, int g, bool padded, LoadFailure* failure) {
  const int32_t numPoints = r.ReadInt();
  if (r.readPastEnd) return false;
  if (numPoints < 0) {
    Refuse(failure, ERROR_TOO_SHORT, "glyph %d: negative point count", g);
    return false;
  }
  if (numPoints > r.Left() / 8) {
    failure->error = ERROR_TOO_SHORT;
    return false;
  }
  glyph.numPoints = numPoints;
  glyph.points = numPoints ? new GraphPoint[numPoints] : nullptr;
  for (int i = 0; i < numPoints; ++i) {
    glyph.points[i].x = r.ReadFloat();
    glyph.points[i].y = r.ReadFloat();
    if (!std::isfinite(glyph.points[i].x) || !std::isfinite(glyph.points[i].y)) {
      Refuse(failure, ERROR_TOO_SHORT, "glyph %d: point is not a number", g);
      return false;
    }
  }
  const int numLinks = r.ReadByte(), numTriangles = r.ReadByte();
  const int numDots = r.ReadByte(), numCurves = r.ReadByte();
  if (r.readPastEnd) return false;
  const int64_t needed = int64_t{numLinks} * FILE_LINK_BYTES + numTriangles * 4 + numDots * 4 +
                         numCurves * FILE_CURVE_BYTES + (padded ? GLYPH_RECORD_PADDING : 0);
  if (needed > r.Left()) {
    failure->error = ERROR_TOO_SHORT;
    return false;
  }
  auto point = [&](int index) { return index < numPoints; };
  glyph.numLinks = static_cast<uint8_t>(numLinks);
  glyph.links = numLinks ? new CharLink[numLinks] : nullptr;
  for (int i = 0; i < numLinks; ++i) {
    CharLink& link = glyph.links[i];
    link.a = static_cast<uint8_t>(r.ReadByte());
    link.b = static_cast<uint8_t>(r.ReadByte());
    link.spare[0] = static_cast<uint8_t>(r.ReadByte());
    link.spare[1] = static_cast<uint8_t>(r.ReadByte());
    link.angle = 0.0f;
    if (!point(link.a) || !point(link.b)) {
      Refuse(failure, ERROR_TOO_SHORT, "glyph %d: link point out of range", g);
      return false;
    }
  }
  glyph.numTriangles = static_cast<uint8_t>(numTriangles);
  glyph.triangles = numTriangles ? new CharTriangle[numTriangles] : nullptr;
  for (int i = 0; i < numTriangles; ++i) {
    CharTriangle& t = glyph.triangles[i];
    for (uint8_t& p : t.p) p = static_cast<uint8_t>(r.ReadByte());
    t.unused = static_cast<uint8_t>(r.ReadByte());
    if (!point(t.p[0]) || !point(t.p[1]) || !point(t.p[2])) {
      Refuse(failure, ERROR_TOO_SHORT, "glyph %d: triangle point out of range", g);
      return false;
    }
  }
  glyph.numDots = static_cast<uint8_t>(numDots);
  glyph.dots = numDots ? new CharDot[numDots] : nullptr;
  for (int i = 0; i < numDots; ++i) {
    CharDot& d = glyph.dots[i];
    d.point = static_cast<uint8_t>(r.ReadByte());
    d.unused = static_cast<uint8_t>(r.ReadByte());
    d.radiusX = static_cast<uint8_t>(r.ReadByte());
    d.radiusY = static_cast<uint8_t>(r.ReadByte());
    if (!point(d.point)) {
      Refuse(failure, ERROR_TOO_SHORT, "glyph %d: dot point out of range", g);
      return false;
    }
  }
  glyph.numCurves = static_cast<uint8_t>(numCurves);
  glyph.curves = numCurves ? new CharCurve[numCurves]() : nullptr;
  for (int i = 0; i < numCurves; ++i) {
    CharCurve& c = glyph.curves[i];
    c.linkA = static_cast<uint8_t>(r.ReadByte());
    c.linkB = static_cast<uint8_t>(r.ReadByte());
    c.endFlagA = static_cast<uint8_t>(r.ReadByte());
    c.endFlagB = static_cast<uint8_t>(r.ReadByte());
    c.side[0].angles[0] = r.ReadFloat();
    c.side[0].angles[1] = r.ReadFloat();
    c.side[1].angles[0] = r.ReadFloat();
    c.side[1].angles[1] = r.ReadFloat();
    if (c.linkA >= numLinks || c.linkB >= numLinks) {
      Refuse(failure, ERROR_TOO_SHORT, "glyph %d: curve link out of range", g);
      return false;
    }
    for (const CurveSide& side : c.side) {
      if (!std::isfinite(side.angles[0]) || !std::isfinite(side.angles[1])) {
        Refuse(failure, ERROR_TOO_SHORT, "glyph %d: curve angle is not a number", g);
        return false;
      }
    }
  }
  if (padded) r.Skip(GLYPH_RECORD_PADDING);
  return !r.readPastEnd;
}

// ---- Glyph preparation ----

struct LinkFrame {
  float mid[2];
  float dir[2];  // unit direction, turned by pi when the end flag is 0
  float length;
};

LinkFrame FrameOfLink(const Char& glyph, const CharLink& link, int endFlag) {
  const GraphPoint& a = glyph.points[link.a];
  const GraphPoint& b = glyph.points[link.b];
  LinkFrame f;
  f.mid[0] = 0.5f * (a.x + b.x);
  f.mid[1] = 0.5f * (a.y + b.y);
  f.length = std::hypot(b.x - a.x, b.y - a.y);
  float angle = link.angle;
  if (endFlag == 0) angle += 3.14159265f;
  f.dir[0] = std::cos(angle);
  f.dir[1] = std::sin(angle);
  return f;
}

// The cubic through value h0 with slope m0 at t = 0 and h1 with slope m1 at t = 1.
void HermiteCoefficients(float h0, float m0, float h1, float m1, float coeff[4]) {
  coeff[0] = 2.0f * (h0 - h1) + m0 + m1;
  coeff[1] = 3.0f * (h1 - h0) - 2.0f * m0 - m1;
  coeff[2] = m0;
  coeff[3] = h0;
}

// Side 1 runs from link A's plus end to link B's minus end: with the end flags set so that
// both cross directions point the same way, these are the ends on the cross direction's
// side.  Side 2 joins the other two ends.  A side's offsets, values and slopes are measured
// from the base line, so a side whose stored angles are 0 runs straight between its ends.
void PrepareCurve(const Char& glyph, CharCurve& curve) {
  const LinkFrame fa = FrameOfLink(glyph, glyph.links[curve.linkA], curve.endFlagA);
  const LinkFrame fb = FrameOfLink(glyph, glyph.links[curve.linkB], curve.endFlagB);
  const float crossA[2] = {fa.dir[0] * fa.length, fa.dir[1] * fa.length};
  const float crossB[2] = {-fb.dir[0] * fb.length, -fb.dir[1] * fb.length};
  float endsA[2][2], endsB[2][2];  // [minus, plus][x, y]
  for (int s = 0; s < 2; ++s) {
    const float sign = s == 0 ? -0.5f : 0.5f;
    for (int k = 0; k < 2; ++k) {
      endsA[s][k] = fa.mid[k] + sign * fa.length * fa.dir[k];
      endsB[s][k] = fb.mid[k] + sign * fb.length * fb.dir[k];
    }
  }
  const float minusLength = std::hypot(endsB[0][0] - endsA[0][0], endsB[0][1] - endsA[0][1]);
  const float plusLength = std::hypot(endsB[1][0] - endsA[1][0], endsB[1][1] - endsA[1][1]);
  const int base = plusLength <= minusLength ? 1 : 0;
  for (int k = 0; k < 2; ++k) {
    curve.baseStart[k] = endsA[base][k];
    curve.baseEnd[k] = endsB[base][k];
    curve.crossStart[k] = crossA[k];
    curve.crossEnd[k] = crossB[k];
  }
  // A link of no length gives no cross direction: the stroke collapses onto its base line.
  const bool degenerate = !(fa.length > 1e-6f) || !(fb.length > 1e-6f);
  const int sideEndA[2] = {1, 0};  // side 1: A's plus end and B's minus end
  const int sideEndB[2] = {0, 1};
  for (int s = 0; s < 2; ++s) {
    CurveSide& side = curve.side[s];
    if (degenerate) {
      std::fill(side.coeff, side.coeff + 4, 0.0f);
      continue;
    }
    const float* endA = endsA[sideEndA[s]];
    const float* endB = endsB[sideEndB[s]];
    const float relA[2] = {endA[0] - curve.baseStart[0], endA[1] - curve.baseStart[1]};
    const float relB[2] = {endB[0] - curve.baseEnd[0], endB[1] - curve.baseEnd[1]};
    const float h0 = (relA[0] * crossA[0] + relA[1] * crossA[1]) / (fa.length * fa.length);
    const float h1 = (relB[0] * crossB[0] + relB[1] * crossB[1]) / (fb.length * fb.length);
    const float chord[2] = {relB[0] - relA[0], relB[1] - relA[1]};
    const float chordLength = std::hypot(endB[0] - endA[0], endB[1] - endA[1]);
    const float unitA[2] = {crossA[0] / fa.length, crossA[1] / fa.length};
    const float unitB[2] = {crossB[0] / fb.length, crossB[1] / fb.length};
    float m0 = (chord[0] * unitA[0] + chord[1] * unitA[1] + std::tan(side.angles[0]) * chordLength) / fa.length;
    float m1 = (chord[0] * unitB[0] + chord[1] * unitB[1] + std::tan(side.angles[1]) * chordLength) / fb.length;
    if (!std::isfinite(m0)) m0 = 0.0f;  // an angle at pi/2 has no slope to speak of
    if (!std::isfinite(m1)) m1 = 0.0f;
    HermiteCoefficients(h0, m0, h1, m1, side.coeff);
  }
}

void PrepareGlyph(Char* glyphs, int g) {
  Char& glyph = glyphs[g];
  if (glyph.numPoints == 0 && g >= FIRST_RAW_GLYPH) {
    glyph.width = glyphs[GLYPH_PLACEHOLDER].width;
    glyph.height = glyphs[GLYPH_PLACEHOLDER].height;
    return;
  }
  float right = 1.0f, depth = 1.0f;
  for (int i = 0; i < glyph.numPoints; ++i) {
    right = std::max(right, glyph.points[i].x);
    depth = std::max(depth, CELL_UNITS - glyph.points[i].y);
  }
  for (int i = 0; i < glyph.numDots; ++i) {
    const CharDot& d = glyph.dots[i];
    const GraphPoint& p = glyph.points[d.point];
    right = std::max(right, p.x + 0.1f * d.radiusX);
    depth = std::max(depth, CELL_UNITS - (p.y - 0.1f * d.radiusY));
  }
  glyph.width = right / CELL_UNITS;
  glyph.height = (depth + 0.25f) / CELL_UNITS;
  for (int i = 0; i < glyph.numLinks; ++i) {
    CharLink& link = glyph.links[i];
    const GraphPoint& a = glyph.points[link.a];
    const GraphPoint& b = glyph.points[link.b];
    link.angle = std::atan2(b.y - a.y, b.x - a.x);
  }
  for (int i = 0; i < glyph.numCurves; ++i) PrepareCurve(glyph, glyph.curves[i]);
}

// Everything one load produces, committed to the globals only when the whole file was read.
struct LoadedSet {
  Char glyphs[GLYPH_COUNT];
  CodePageRecord codePages[CODE_PAGE_COUNT];
  int numCodePages = 0;
  GlyphPage* glyphPages = nullptr;
  int numGlyphPages = 0;

  ~LoadedSet() {
    for (Char& g : glyphs) g.Free();
    delete[] glyphPages;
  }
};

bool ReadBody(CharsetReader& r, int32_t version, LoadedSet& set, LoadFailure* failure) {
  bool padded = true;
  if (version >= 252) {
    padded = r.ReadByte() == 0;
    r.Skip(3);
  }
  const int32_t numRecords = r.ReadInt();
  if (r.readPastEnd) {
    failure->error = ERROR_TOO_SHORT;
    return false;
  }
  if (numRecords < 0) {
    Refuse(failure, ERROR_TOO_SHORT, "negative glyph count %d", numRecords);
    return false;
  }
  const int64_t minRecord = MIN_GLYPH_RECORD_BYTES + (padded ? GLYPH_RECORD_PADDING : 0);
  if (numRecords > r.Left() / minRecord) {
    failure->error = ERROR_TOO_SHORT;
    return false;
  }
  for (int g = 0; g < numRecords; ++g) {
    // Records past the table are read and dropped, so the code pages are found where they are.
    Char spare;
    Char& glyph = g < GLYPH_COUNT ? set.glyphs[g] : spare;
    const bool ok = ReadGlyphRecord(r, glyph, g, padded, failure);
    if (g >= GLYPH_COUNT) spare.Free();
    if (!ok) {
      if (!failure->error) failure->error = ERROR_TOO_SHORT;
      return false;
    }
  }
  for (int g = 0; g < GLYPH_COUNT; ++g) PrepareGlyph(set.glyphs, g);

  const int32_t numCodePages = r.ReadInt();
  if (r.readPastEnd) {
    failure->error = ERROR_TOO_SHORT;
    return false;
  }
  if (numCodePages < MIN_CODE_PAGE_RECORDS) {
    Refuse(failure, ERROR_TOO_SHORT, "%d code pages", numCodePages);
    return false;
  }
  if (numCodePages > r.Left() / CODE_PAGE_RECORD_BYTES) {
    failure->error = ERROR_TOO_SHORT;
    return false;
  }
  set.numCodePages = std::min(numCodePages, CODE_PAGE_COUNT);
  for (int p = 0; p < numCodePages; ++p) {
    const int32_t number = r.ReadInt();
    if (p >= CODE_PAGE_COUNT) {
      r.Skip(CODE_ENTRY_COUNT * 4);
      continue;
    }
    CodePageRecord& page = set.codePages[p];
    page.number = static_cast<uint16_t>(number);
    for (CharacterEntry& e : page.entries) {
      const int low = r.ReadByte(), high = r.ReadByte();
      e.glyph = static_cast<uint16_t>(low | high << 8);
      e.accent = static_cast<uint8_t>(r.ReadByte());
      e.flags = static_cast<uint8_t>(r.ReadByte());
    }
  }

  const int32_t numGlyphPages = r.ReadInt();
  if (r.readPastEnd) {
    failure->error = ERROR_TOO_SHORT;
    return false;
  }
  if (numGlyphPages < 0) {
    Refuse(failure, ERROR_TOO_SHORT, "negative glyph page count %d", numGlyphPages);
    return false;
  }
  if (numGlyphPages > r.Left() / GLYPH_PAGE_RECORD_BYTES) {
    failure->error = ERROR_TOO_SHORT;
    return false;
  }
  set.numGlyphPages = numGlyphPages;
  set.glyphPages = numGlyphPages ? new GlyphPage[numGlyphPages]() : nullptr;
  for (int i = 0; i < numGlyphPages; ++i) {
    for (GlyphSlot& slot : set.glyphPages[i].slots) {
      const int low = r.ReadByte(), high = r.ReadByte();
      slot.codePoint = static_cast<uint16_t>(low | high << 8);
      slot.cacheLocation = CACHE_LOCATION_NONE;
      slot.pixelWidth = GLYPH_WIDTH_UNMEASURED;
    }
  }
  if (r.readPastEnd) {
    failure->error = ERROR_TOO_SHORT;
    return false;
  }

  // Every glyph number and glyph page named by the code pages in use must exist.
  for (int p = 0; p < set.numCodePages; ++p) {
    for (int i = 0; i < CODE_ENTRY_COUNT; ++i) {
      const CharacterEntry& e = set.codePages[p].entries[i];
      if (e.flags & ENTRY_LEAD_PAGE) {
        if (e.glyph >= numGlyphPages) {
          Refuse(failure, ERROR_TOO_SHORT, "glyph page %d out of range", e.glyph);
          return false;
        }
      } else if (!(e.flags & ENTRY_LEAD_NO_PAGE) && e.glyph >= GLYPH_COUNT) {
        Refuse(failure, ERROR_TOO_SHORT, "glyph %d out of range", e.glyph);
        return false;
      }
    }
  }
  return true;
}

// Moves a loaded set into the globals; the glyph pages name their owners afterwards.
void CommitSet(LoadedSet& set) {
  FreeGlyphFonts();
  for (int g = 0; g < GLYPH_COUNT; ++g) {
    Glyphs[g].Free();
    Glyphs[g] = set.glyphs[g];
    set.glyphs[g] = Char();
  }
  for (int p = 0; p < CODE_PAGE_COUNT; ++p) {
    // The file's tables; the font fields wait for the font set-up.
    CodePageRecord& record = CodePageRecords[p];
    record = FreshRecord(p);
    record.number = set.codePages[p].number;
    std::memcpy(record.entries, set.codePages[p].entries, sizeof record.entries);
  }
  NumCodePagesInUse = set.numCodePages;
  for (int g = 0; g < GLYPH_COUNT; ++g) CharMetrics[g] = GlyphMetrics{Glyphs[g].width, Glyphs[g].height, 0, 0};
  g_fixedWidth = false;
  SetKerningClasses();
  delete[] GlyphPages;
  GlyphPages = set.glyphPages;
  NumGlyphPages = set.numGlyphPages;
  set.glyphPages = nullptr;
  // Only the code pages in use own glyph pages: an extra record may repeat a double-byte
  // table, and an owner without a font would hide the real one's characters.
  for (int p = 0; p < NumCodePagesInUse; ++p) {
    for (const CharacterEntry& e : CodePageRecords[p].entries)
      if (e.flags & ENTRY_LEAD_PAGE) GlyphPages[e.glyph].owner = &CodePageRecords[p];
  }
}

bool IsBreakCharacter(uint32_t codePoint) {
  return (codePoint >= 0x3000 && codePoint <= 0x3002) || codePoint == 0xFF01 || codePoint == 0xFF0C ||
         codePoint == 0xFF0E || codePoint == 0xFF1F;
}

// ---- Fonts ----

// Copies a face name, cut to fit.
void CopyFaceName(char (&out)[FONT_NAME_SIZE], const char* in) {
  int i = 0;
  for (; i < FONT_NAME_SIZE - 1 && in[i]; ++i) out[i] = in[i];
  out[i] = 0;
}

int FontPriority(const FontFaceInfo& info, const FontSlotInfo& slot) {
  if (strcasecmp(info.face, slot.preferredFace) == 0) return 3;
  if (info.familyKind == FONT_FAMILY_SANS) return 2;
  if (info.familyKind == FONT_FAMILY_MONO) return 1;
  return 0;
}

void MeasureFont(int slotIndex, CodePageRecord& page) {
  const FontSlotInfo& slot = FONT_SLOTS[slotIndex];
  static uint8_t pixels[GLYPH_SURFACE_BYTES];
  if (!FillGlyphSurface(255)) {
    LogF("SetDIBits failed : %s", slot.logName);
    return;
  }
  const char16_t capital[] = u"E";
  if (!DrawTextOnGlyphSurface(page.font, capital, 1)) {
    LogF("DrawTextW failed : %s", slot.logName);
    return;
  }
  if (!ReadGlyphSurface(pixels)) {
    LogF("GetDIBits failed : %s", slot.logName);
    return;
  }
  int top = 0, bottom = 0;
  if (!FindInkRows(pixels, &top, &bottom)) {
    // A font that draws nothing for "E" cannot be measured, nor trusted with anything else.
    CloseSystemFont(page.font);
    page.font = nullptr;
    return;
  }
  const int inkHeight = bottom - top + 1;
  page.glyphScale = 0.7777778f / static_cast<float>(inkHeight);
  page.topOffset = page.glyphScale * static_cast<float>(top - 3);
  page.bottomExtent = page.glyphScale * static_cast<float>(62 - (top - 3));
}

// The face the slot opens: the one chosen before, when the system still has it, else the
// first of the faces covering its language by priority (the preferred face, then sans, then
// monospaced, each kind in the system's order).  False when no face covers the language.
bool ChooseFace(int slotIndex, char (&face)[FONT_NAME_SIZE]) {
  const FontSlotInfo& slot = FONT_SLOTS[slotIndex];
  FontFaceInfo found[FONT_LIST_MAX];
  const int numFound = std::min(ListFontFaces(slot.language, found, FONT_LIST_MAX), FONT_LIST_MAX);
  std::vector<FontListEntry> list(FONT_LIST_MAX);
  int count = 0;
  for (int i = 0; i < numFound; ++i) {
    if (static_cast<unsigned char>(found[i].face[0]) < 65) continue;  // the vertical "@" faces
    FontListEntry entry = {};
    entry.priority = static_cast<uint8_t>(FontPriority(found[i], slot));
    CopyFaceName(entry.face, found[i].face);
    count = InsertFontListEntry(list.data(), count, entry);
  }
  if (count == 0) return false;
  int chosen = 0;
  for (int i = 0; i < count; ++i) {
    if (strcasecmp(list[i].face, FontChoices[slotIndex].face) == 0) {
      chosen = i;
      break;
    }
  }
  CopyFaceName(face, list[chosen].face);
  return true;
}

void SetUpFontSlot(int slotIndex) {
  const FontSlotInfo& slot = FONT_SLOTS[slotIndex];
  CodePageRecord& page = CodePageRecords[slot.codePage];
  page.noFont = 1;
  page.fontToOpen = 0;
  page.fontSlot = slotIndex;
  char face[FONT_NAME_SIZE];
  if (!ChooseFace(slotIndex, face)) {
    LogF("no fonts available : %s", slot.logName);
    return;
  }
  CopyFaceName(FontChoices[slotIndex].face, face);
  page.noFont = 0;
  page.fontToOpen = 1;
}

}  // namespace

int InsertFontListEntry(FontListEntry* list, int count, const FontListEntry& entry) {
  int at = count;
  for (int i = 0; i < count; ++i) {
    if (list[i].priority < entry.priority) {
      at = i;
      break;
    }
  }
  if (at >= FONT_LIST_MAX) return count;
  const int last = std::min(count, FONT_LIST_MAX - 1);
  for (int i = last; i > at; --i) list[i] = list[i - 1];
  list[at] = entry;
  return std::min(count + 1, FONT_LIST_MAX);
}

int FindInkRows(const uint8_t* surface, int* top, int* bottom) {
  int first = -1, last = -1;
  for (int y = 0; y < GLYPH_SURFACE_SIZE; ++y) {
    for (int x = 0; x < GLYPH_SURFACE_SIZE; ++x) {
      if (surface[(y * GLYPH_SURFACE_SIZE + x) * 3] < 255) {
        if (first < 0) first = y;
        last = y;
        break;
      }
    }
  }
  if (first < 0) return 0;
  *top = first;
  *bottom = last;
  return 1;
}

namespace {

// A whole file image read into a set of its own, touching no globals (the start-up reads the
// file on a worker); a refused image gives no set and its failure.
struct ParsedSet {
  std::unique_ptr<LoadedSet> set;
  LoadFailure failure;
  bool noMemory = false;
};

ParsedSet ParseCharacterSet(const uint8_t* image, int64_t length) {
  ParsedSet parsed;
  int32_t version = 0;
  if (!CheckHeader(image, length, &version, &parsed.failure)) return parsed;
  CharsetReader reader;
  reader.cursor = image + HEADER_BYTES;
  reader.end = image + length;
  parsed.set.reset(new (std::nothrow) LoadedSet);
  if (!parsed.set) {
    parsed.noMemory = true;
    return parsed;
  }
  if (!ReadBody(reader, version, *parsed.set, &parsed.failure)) {
    parsed.set.reset();
    if (!parsed.failure.error) parsed.failure.error = ERROR_TOO_SHORT;
  }
  return parsed;
}

// The file read and parsed from CHARACTER_SET_PATH.
ParsedSet ReadCharacterSetFile() {
  // The file layer maps the path and finds it in any case; the whole file is read at once.
  std::string image;
  if (FileReadAll(CHARACTER_SET_PATH, image, DATA_FILE_MAX_BODY) != 0) {
    ParsedSet parsed;
    parsed.failure.error = ERROR_NOT_FOUND;
    return parsed;
  }
  return ParseCharacterSet(reinterpret_cast<const uint8_t*>(image.data()), static_cast<int64_t>(image.size()));
}

// Commits a parsed set, or reports why there is none.  1 when committed.
int TakeParsedSet(ParsedSet& parsed, const char* path) {
  CharacterSetError = 0;
  if (parsed.noMemory) {
    LogLine("Could not allocate memory");
    return 0;
  }
  if (!parsed.set) {
    ReportFailure(parsed.failure, path);
    return 0;
  }
  CommitSet(*parsed.set);
  parsed.set.reset();
  return 1;
}

// The start-up's read of the file, made on a worker while the window system starts.
std::jthread g_setReader;
ParsedSet g_readSet;
// Whether the reader, once the file is read, draws the font glyphs ahead: it waits to be told,
// for while the window system loads the graphics driver a thread that fills fresh memory
// slows it down (both need the process's map of its memory).
// Told before the reader has read the file, it draws them without waiting; a reader not yet
// told when the set is taken or forgotten skips them.  Each read set starts waiting again.
enum DrawAhead : int { AHEAD_WAIT, AHEAD_DRAW, AHEAD_SKIP };
std::atomic<int> g_drawAhead{AHEAD_WAIT};

void TellReader(DrawAhead what) {
  if (what == AHEAD_DRAW) {
    g_drawAhead = AHEAD_DRAW;
  } else {
    int waiting = AHEAD_WAIT;
    g_drawAhead.compare_exchange_strong(waiting, what);
  }
  g_drawAhead.notify_all();
}

// The reader is done: the next one waits to be told again.
void JoinReader() {
  TellReader(AHEAD_SKIP);
  if (g_setReader.joinable()) g_setReader.join();
  g_drawAhead = AHEAD_WAIT;
}

}  // namespace

int ReadCharacterSet(const uint8_t* image, int64_t length, const char* path) {
  ParsedSet parsed = ParseCharacterSet(image, length);
  return TakeParsedSet(parsed, path);
}

void PrepareCharacterSet() {
  if (g_setReader.joinable()) ForgetPreparedCharacterSet();  // a read never taken
  g_setReader = std::jthread([] {
    g_readSet = ReadCharacterSetFile();
    g_drawAhead.wait(AHEAD_WAIT);
    if (g_readSet.set && g_drawAhead == AHEAD_DRAW) DrawFontGlyphsAhead(g_readSet.set->glyphs);
  });
}

void DrawPreparedGlyphsAhead() { TellReader(AHEAD_DRAW); }

void ForgetPreparedCharacterSet() {
  JoinReader();
  g_readSet = ParsedSet();
  ForgetGlyphsDrawnAhead();
}

void PrepareGlyphFonts() {
  const char* languages[NUM_FONT_SLOTS];
  for (int s = 0; s < NUM_FONT_SLOTS; ++s) languages[s] = FONT_SLOTS[s].language;
  PrepareFontFaces(languages, NUM_FONT_SLOTS);
}

namespace {

// The character set is loaded and its double-byte pages' fonts are not set up yet: the first
// question about one of those pages sets them up (SetUpPendingGlyphFonts).
bool g_glyphFontsPending = false;

void CloseGlyphFontSlots() {
  for (int s = 0; s < NUM_FONT_SLOTS; ++s) {
    CodePageRecord& page = CodePageRecords[FONT_SLOTS[s].codePage];
    page.noFont = 1;
    page.fontToOpen = 0;
    if (page.font) CloseSystemFont(page.font);
    page.font = nullptr;
  }
}

void SetUpPendingGlyphFonts() {
  if (g_glyphFontsPending) SetUpGlyphFonts();
}

}  // namespace

void SetUpGlyphFonts() {
  g_glyphFontsPending = false;
  CloseGlyphFontSlots();
  switch (OpenGlyphSurface()) {
    case GLYPH_SURFACE_OK: break;
    case GLYPH_SURFACE_NO_CONTEXT: LogLine("Could not get device context of ZKT window"); return;
    case GLYPH_SURFACE_NO_RENDERER: LogLine("Could not create compatible DC"); return;
    case GLYPH_SURFACE_NO_LIBRARY: LogF("System fonts : %s could not be loaded", FontLibraryFault()); return;
    default: LogLine("Could not create character bitmap"); return;
  }
  for (int s = 0; s < NUM_FONT_SLOTS; ++s) SetUpFontSlot(s);
  LogLine("-----");
  FillGlyphCacheStagingWhite();
}

SystemFont* DoubleByteFont(CodePageRecord& page) {
  SetUpPendingGlyphFonts();
  if (page.fontToOpen) {
    page.fontToOpen = 0;
    const int s = page.fontSlot;
    if (s >= 0 && s < NUM_FONT_SLOTS) {
      page.font = OpenSystemFont(FontChoices[s].face, FontChoices[s].weight, FONT_CELL_PIXELS);
      if (page.font)
        MeasureFont(s, page);  // closes a font that draws nothing
      else
        LogF("could not create font : %s", FONT_SLOTS[s].logName);
    }
    if (!page.font) page.noFont = 1;
  }
  return page.noFont ? nullptr : page.font;
}

void FreeGlyphFonts() {
  g_glyphFontsPending = false;
  for (CodePageRecord& page : CodePageRecords) {
    if (page.font) CloseSystemFont(page.font);
    page.font = nullptr;
    page.fontToOpen = 0;
  }
  CloseGlyphSurface();
}

int LoadCharacterSet() {
  for (int s = 0; s < NUM_FONT_SLOTS; ++s) {
    FontChoices[s].weight = CfgFontWeights[s];
  }
  ParsedSet parsed;
  if (g_setReader.joinable()) {
    JoinReader();
    parsed = std::move(g_readSet);
    g_readSet = ParsedSet();
  } else {
    parsed = ReadCharacterSetFile();
  }
  if (!TakeParsedSet(parsed, CHARACTER_SET_PATH)) return 0;
  InitGlyphCacheRequests();
  AllocateTextBatches();
  // Most runs draw no double-byte text: looking through the system's fonts (and loading the
  // font libraries) waits until something asks for it.
  CloseGlyphFontSlots();
  g_glyphFontsPending = true;
  return 1;
}

void FreeCharacterSet() {
  FreeGlyphFonts();
  FreeGlyphCacheRequests();
  FreeTextBatches();
  delete[] GlyphPages;
  GlyphPages = nullptr;
  NumGlyphPages = 0;
  for (int p = 0; p < CODE_PAGE_COUNT; ++p) CodePageRecords[p] = FreshRecord(p);
  NumCodePagesInUse = 0;
  for (Char& glyph : Glyphs) glyph.Free();
  FreeGlyphCache();
}

// ---- Double-byte glyphs ----

GlyphPage* GlyphPageOfEntry(const CharacterEntry& entry) {
  if (!(entry.flags & ENTRY_LEAD_PAGE) || entry.glyph >= NumGlyphPages) return nullptr;
  return &GlyphPages[entry.glyph];
}

namespace {

// The stand-in's break characters (U+3000..U+3002, U+FF01, U+FF0C, U+FF0E, U+FF1F) as lead
// and trail bytes of each double-byte page.
struct BreakPair {
  int codePage;
  uint8_t lead, trail;
};
const BreakPair BREAK_PAIRS[] = {
    {CODE_PAGE_JAPANESE, 0x81, 0x40}, {CODE_PAGE_JAPANESE, 0x81, 0x41}, {CODE_PAGE_JAPANESE, 0x81, 0x42},
    {CODE_PAGE_JAPANESE, 0x81, 0x49}, {CODE_PAGE_JAPANESE, 0x81, 0x43}, {CODE_PAGE_JAPANESE, 0x81, 0x44},
    {CODE_PAGE_JAPANESE, 0x81, 0x48},
    {CODE_PAGE_TRADITIONAL_CHINESE, 0xA1, 0x40}, {CODE_PAGE_TRADITIONAL_CHINESE, 0xA1, 0x42},
    {CODE_PAGE_TRADITIONAL_CHINESE, 0xA1, 0x43}, {CODE_PAGE_TRADITIONAL_CHINESE, 0xA1, 0x49},
    {CODE_PAGE_TRADITIONAL_CHINESE, 0xA1, 0x41}, {CODE_PAGE_TRADITIONAL_CHINESE, 0xA1, 0x44},
    {CODE_PAGE_TRADITIONAL_CHINESE, 0xA1, 0x48},
    {CODE_PAGE_SIMPLIFIED_CHINESE, 0xA1, 0xA1}, {CODE_PAGE_SIMPLIFIED_CHINESE, 0xA1, 0xA2},
    {CODE_PAGE_SIMPLIFIED_CHINESE, 0xA1, 0xA3}, {CODE_PAGE_SIMPLIFIED_CHINESE, 0xA3, 0xA1},
    {CODE_PAGE_SIMPLIFIED_CHINESE, 0xA3, 0xAC}, {CODE_PAGE_SIMPLIFIED_CHINESE, 0xA3, 0xAE},
    {CODE_PAGE_SIMPLIFIED_CHINESE, 0xA3, 0xBF},
    {CODE_PAGE_KOREAN, 0xA1, 0xA1}, {CODE_PAGE_KOREAN, 0xA1, 0xA2}, {CODE_PAGE_KOREAN, 0xA1, 0xA3},
    {CODE_PAGE_KOREAN, 0xA3, 0xA1}, {CODE_PAGE_KOREAN, 0xA3, 0xAC}, {CODE_PAGE_KOREAN, 0xA3, 0xAE},
    {CODE_PAGE_KOREAN, 0xA3, 0xBF},
};

// The stand-in keeps each lead byte's own value as its glyph-page index, so the lead byte
// can be found again from the entry.
int FixedWidthDoubleByteGlyph(int codePage, const CharacterEntry& entry, int trail, int* pixelWidth, float* advance,
                              uint16_t* cacheLocation, int* breakFlag) {
  const CodePageRecord& record = CodePageRecords[codePage];
  *pixelWidth = FIXED_DOUBLE_BYTE_PIXELS;
  *advance = static_cast<float>(FIXED_DOUBLE_BYTE_PIXELS) * record.glyphScale;
  *cacheLocation = CACHE_LOCATION_NONE;
  if (breakFlag)
    for (const BreakPair& pair : BREAK_PAIRS)
      if (pair.codePage == codePage && pair.lead == entry.glyph && pair.trail == trail) *breakFlag = 1;
  return DOUBLE_BYTE_DRAWABLE;
}

}  // namespace

int GetDoubleByteGlyph(int codePage, const CharacterEntry& entry, int trail, int* pixelWidth, float* advance,
                       uint16_t* cacheLocation, int* breakFlag) {
  if (breakFlag) *breakFlag = 0;
  if (codePage < 0 || codePage >= CODE_PAGE_COUNT) return GLYPH_PLACEHOLDER;
  SetUpPendingGlyphFonts();
  const CodePageRecord& record = CodePageRecords[codePage];
  if (trail < FIRST_TRAIL_BYTE || trail > 255 || record.noFont || !(entry.flags & ENTRY_LEAD_PAGE))
    return GLYPH_PLACEHOLDER;
  if (g_fixedWidth) return FixedWidthDoubleByteGlyph(codePage, entry, trail, pixelWidth, advance, cacheLocation, breakFlag);
  GlyphPage* page = GlyphPageOfEntry(entry);
  if (!page || !page->owner) return GLYPH_PLACEHOLDER;
  CodePageRecord& owner = *page->owner;
  SystemFont* font = DoubleByteFont(owner);
  if (!font) return GLYPH_PLACEHOLDER;
  GlyphSlot& slot = page->slots[trail - FIRST_TRAIL_BYTE];
  if (slot.codePoint == 0) return GLYPH_NOT_DRAWABLE;
  if (slot.pixelWidth == GLYPH_WIDTH_UNMEASURED) {
    const int measured = SystemFontAdvance(font, slot.codePoint);
    slot.pixelWidth = measured < 0 ? GLYPH_WIDTH_CANNOT_DRAW
                                   : static_cast<uint8_t>(std::clamp(measured, 1, GLYPH_MAX_PIXEL_WIDTH));
  }
  if (slot.pixelWidth == GLYPH_WIDTH_CANNOT_DRAW) return GLYPH_NOT_DRAWABLE;
  *pixelWidth = slot.pixelWidth;
  *advance = static_cast<float>(slot.pixelWidth) * owner.glyphScale;
  *cacheLocation = slot.cacheLocation;
  if (breakFlag) *breakFlag = IsBreakCharacter(slot.codePoint) ? 1 : 0;
  return DOUBLE_BYTE_DRAWABLE;
}

// ---- Fonts of the code pages ----

int CharacterSetHasFont(int index) {
  if (index < 0 || index >= CODE_PAGE_COUNT) return 0;
  if (CODE_PAGES[index].doubleByte) SetUpPendingGlyphFonts();
  return !CodePageRecords[index].noFont;
}

void SetCodePageHasFont(int index, int hasFont) {
  g_glyphFontsPending = false;  // the pages' fonts are set by hand
  if (index >= 0 && index < CODE_PAGE_COUNT) CodePageRecords[index].noFont = hasFont ? 0 : 1;
}

// ---- Fixed-width stand-in ----

void UseFixedWidthCharacterSet() {
  for (GlyphMetrics& glyph : CharMetrics) glyph = GlyphMetrics{FIXED_GLYPH_WIDTH, 1.0f, 0, 0};
  CharMetrics[GLYPH_SPACE].width = FIXED_SPACE_WIDTH;
  for (int page = 0; page < CODE_PAGE_COUNT; ++page) {
    CodePageRecord& record = CodePageRecords[page];
    const uint8_t noFont = record.noFont, fontToOpen = record.fontToOpen;
    SystemFont* font = record.font;
    const int32_t fontSlot = record.fontSlot;
    record = FreshRecord(page);
    record.noFont = noFont;
    record.font = font;
    record.fontSlot = fontSlot;
    record.fontToOpen = fontToOpen;
    record.glyphScale = 1.0f / 64.0f;
    record.topOffset = 0.0f;
    record.bottomExtent = 1.0f;
    for (int code = FIRST_CODE; code < 256; ++code) {
      CharacterEntry& entry = record.entries[code - FIRST_CODE];
      entry.glyph = static_cast<uint16_t>(code - FIRST_CODE);
      if (IsLeadByte(page, static_cast<uint8_t>(code))) {
        entry.glyph = static_cast<uint16_t>(code);
        entry.flags = ENTRY_LEAD_PAGE;
      }
    }
  }
  g_fixedWidth = true;
  SetKerningClasses();
}
