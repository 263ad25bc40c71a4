// charset_test_util.h - character-set images built field by field for the reader's tests,
// and the generated sets of the build.
#pragma once
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ui/character_set.h"

using Bytes = std::vector<uint8_t>;

inline void PutU8(Bytes& o, int v) { o.push_back(static_cast<uint8_t>(v)); }
inline void PutU16(Bytes& o, int v) {
  PutU8(o, v & 0xFF);
  PutU8(o, (v >> 8) & 0xFF);
}
inline void PutI32(Bytes& o, int32_t v) {
  for (int i = 0; i < 4; ++i) PutU8(o, static_cast<int>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF));
}
inline void PutF32(Bytes& o, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  PutI32(o, static_cast<int32_t>(bits));
}

// One glyph record as the file holds it.
struct TestGlyph {
  std::vector<std::array<float, 2>> points;
  std::vector<std::array<uint8_t, 2>> links;
  std::vector<std::array<uint8_t, 3>> triangles;
  std::vector<std::array<uint8_t, 3>> dots;  // point, radius x, radius y
  struct Curve {
    uint8_t linkA, linkB, flagA, flagB;
    float angles[4];
  };
  std::vector<Curve> curves;
};

// A whole character-set file: by default version 252 without padding, glyph 0 a space
// point, glyph 33 ('A') a triangle, glyph 95 a box, 11 code pages mapping 32..126 to
// themselves, and one glyph page for lead byte 0x81 of code page 4.
struct TestCharset {
  int version = 252;
  int noPaddingFlag = 1;
  std::vector<TestGlyph> glyphs = std::vector<TestGlyph>(96);
  int numCodePages = 11;
  std::vector<std::vector<CharacterEntry>> codePages;
  std::vector<std::vector<uint16_t>> glyphPages;

  TestCharset() {
    glyphs[0].points = {{3.0f, 2.0f}};
    glyphs[33].points = {{1.0f, 2.0f}, {5.0f, 2.0f}, {3.0f, 8.0f}};
    glyphs[33].triangles = {{0, 1, 2}};
    glyphs[95].points = {{1.0f, 2.0f}, {5.0f, 2.0f}, {5.0f, 8.0f}, {1.0f, 8.0f}};
    glyphs[95].triangles = {{0, 1, 2}, {0, 2, 3}};
    for (int p = 0; p < numCodePages; ++p) {
      std::vector<CharacterEntry> entries(CODE_ENTRY_COUNT);
      for (int b = 32; b < 256; ++b)
        entries[b - 32] = CharacterEntry{static_cast<uint16_t>(b < 127 ? b - 32 : GLYPH_PLACEHOLDER), 0, 0};
      codePages.push_back(entries);
    }
    codePages[4][0x81 - 32] = CharacterEntry{0, 0, ENTRY_LEAD_PAGE};
    codePages[4][0x82 - 32] = CharacterEntry{0, 0, ENTRY_LEAD_NO_PAGE};
    std::vector<uint16_t> page(GLYPH_PAGE_SLOTS, 0);
    page[0x40 - 64] = 0x3042;  // HIRAGANA LETTER A
    page[0x41 - 64] = 0x3001;  // IDEOGRAPHIC COMMA: a line may break after it
    glyphPages.push_back(page);
  }

  Bytes Build() const {
    Bytes o = {'Q', 'X', 'C', 'H', 'A', 'R'};
    PutU8(o, version >> 8);
    PutU8(o, version & 0xFF);
    if (version >= 252) {
      PutU8(o, noPaddingFlag);
      PutU8(o, 0);
      PutU8(o, 0);
      PutU8(o, 0);
    }
    const bool padded = version < 252 || noPaddingFlag == 0;
    PutI32(o, static_cast<int32_t>(glyphs.size()));
    for (const TestGlyph& g : glyphs) {
      PutI32(o, static_cast<int32_t>(g.points.size()));
      for (const auto& p : g.points) {
        PutF32(o, p[0]);
        PutF32(o, p[1]);
      }
      PutU8(o, static_cast<int>(g.links.size()));
      PutU8(o, static_cast<int>(g.triangles.size()));
      PutU8(o, static_cast<int>(g.dots.size()));
      PutU8(o, static_cast<int>(g.curves.size()));
      for (const auto& l : g.links) {
        PutU8(o, l[0]);
        PutU8(o, l[1]);
        PutU8(o, 0);
        PutU8(o, 0);
      }
      for (const auto& t : g.triangles) {
        PutU8(o, t[0]);
        PutU8(o, t[1]);
        PutU8(o, t[2]);
        PutU8(o, 0);
      }
      for (const auto& d : g.dots) {
        PutU8(o, d[0]);
        PutU8(o, 0);
        PutU8(o, d[1]);
        PutU8(o, d[2]);
      }
      for (const auto& c : g.curves) {
        PutU8(o, c.linkA);
        PutU8(o, c.linkB);
        PutU8(o, c.flagA);
        PutU8(o, c.flagB);
        for (float a : c.angles) PutF32(o, a);
      }
      if (padded)
        for (int i = 0; i < GLYPH_RECORD_PADDING; ++i) PutU8(o, 0xEE);
    }
    PutI32(o, numCodePages);
    for (int p = 0; p < numCodePages; ++p) {
      const std::vector<CharacterEntry>& entries = codePages[p % codePages.size()];
      PutI32(o, p < 10 ? 1250 + p : 1252);
      for (const CharacterEntry& e : entries) {
        PutU16(o, e.glyph);
        PutU8(o, e.accent);
        PutU8(o, e.flags);
      }
    }
    PutI32(o, static_cast<int32_t>(glyphPages.size()));
    for (const auto& page : glyphPages)
      for (uint16_t cp : page) PutU16(o, cp);
    return o;
  }
};

inline int LoadTestImage(const Bytes& image) {
  return ReadCharacterSet(image.data(), static_cast<int64_t>(image.size()), "test.abc");
}

inline Bytes ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The generated character set of the build, and the tiny one.
inline std::string GeneratedCharsetPath() {
  const char* work = std::getenv("ZKT_WORK_DIR");
  return std::string(work ? work : "work") + "/data/abc/zkt.abc";
}
// Reads the generated set into the character set; true when it was read whole.
inline bool ReadGeneratedCharset() {
  const Bytes image = ReadWholeFile(GeneratedCharsetPath());
  return !image.empty() && ReadCharacterSet(image.data(), static_cast<int64_t>(image.size()), "zkt.abc") == 1;
}
inline std::string TinyCharsetPath() {
  const char* work = std::getenv("ZKT_WORK_DIR");
  return std::string(work ? work : "work") + "/../testdata/zkt_tiny.abc";
}
