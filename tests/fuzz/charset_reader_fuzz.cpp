// charset_reader_fuzz.cpp - the character-set reader on arbitrary bytes, then everything a
// loaded set feeds: glyph drawing from its points, triangles, dots and curves, and the
// double-byte lookups of its code pages.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ui/character_set.h"
#include "ui/glyph_raster.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!ReadCharacterSet(data, static_cast<int64_t>(size), "fuzz.abc")) return 0;
  // A small bitmap: what matters is that no point, however placed, writes outside it.
  std::vector<uint16_t> pixels(32 * 32);
  SetCurrentBitmap16(pixels.data(), 32, 32);
  CurveSubdivisions = 7;
  for (int g = 0; g < GLYPH_COUNT; ++g) {
    if (Glyphs[g].numPoints == 0) continue;
    DrawVectorGlyph(Glyphs[g], 2.0f, 255, -1.0f, -1.0f, 2.0f);
  }
  SetCurrentBitmap16(nullptr, 0, 0);
  for (int p = 0; p < NumCodePagesInUse; ++p) {
    for (const CharacterEntry& e : CodePageRecords[p].entries) {
      int width = 0, brk = 0;
      uint16_t location = 0;
      float advance = 0.0f;
      for (int trail : {0, 63, 64, 200, 255}) GetDoubleByteGlyph(p, e, trail, &width, &advance, &location, &brk);
    }
  }
  FreeCharacterSet();
  return 0;
}
