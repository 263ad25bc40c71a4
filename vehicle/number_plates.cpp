// number_plates.cpp - plate slots, plate pages and their drawing with the vector font.
#include "vehicle/number_plates.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "core/config.h"
#include "core/frame_globals.h"
#include "core/log.h"
#include "core/report.h"
#include "render/device.h"
#include "render/generated_textures.h"
#include "render/material.h"
#include "render/texture_table.h"
#include "text/coded_text.h"
#include "ui/character_set.h"
#include "ui/glyph_raster.h"
#include "ui/text_measure.h"
#include "vehicle/car_model.h"

PlateSlotText PlateTexts[PLATE_SLOTS];
PlatePage PlatePages[PLATE_PAGES];

namespace {

constexpr int MESSAGE_SIZE = 128;  // the message is cut at 127 characters
constexpr float KERNING_UNIT = 0.025f;

void DebugMessage(const char* format, int value) {
  if (CfgDebugLevel <= 0) return;
  char text[MESSAGE_SIZE];
  std::snprintf(text, sizeof text, format, value);
  ReportLine(text, REPORT_ERROR);
}

bool SameText(const PlateSlotText& a, const PlateSlotText& b) {
  return std::memcmp(a.bytes, b.bytes, PLATE_TEXT_SIZE) == 0;
}

void MarkForRedraw(int page) {
  PlatePages[page].redraw = 1;
  PlateRegenPending = 1;
}

// A listed texture of the name at the plate size (kept: materials may hold it), else a new
// render texture; null, logged, when it cannot be made.
ZKTETexture* PlateTexture(const char* name) {
  ZKTETexture* listed = AddTextureRef(name, GEN_TYPE_RENDER);
  if (listed && listed->texture && listed->width == PLATE_TEXTURE_SIZE && listed->height == PLATE_TEXTURE_SIZE)
    return listed;
  ZKTETexture* made = listed ? nullptr
                             : CreateZKTETextureRT(name, PLATE_TEXTURE_SIZE, PLATE_TEXTURE_SIZE,
                                                   GFX_FORMAT_R8G8B8A8_UNORM_SRGB, 0);
  if (!made) LogF(TEXT_PLATE_NOT_CREATED, name);
  return made;
}

// The car's plate slot: its own text, else the mod's or the default plate text.
int CarPlateSlot(Car& car) {
  char text[PLATE_TEXT_SIZE + 1] = {};
  std::memcpy(text, car.plateText, PLATE_TEXT_SIZE);
  if (!text[0]) std::snprintf(text, sizeof text, "%s", ModPlateText && ModPlateText[0] ? ModPlateText : DEFAULT_PLATE_TEXT);
  return TakePlateSlotForText(text);
}

// ---- the text walk ----

inline int ValidGlyph(int glyph) { return glyph < GLYPH_COUNT ? glyph : GLYPH_PLACEHOLDER; }

// The glyph of a byte drawn on its own (after a caret): a lead byte has none of its own.
inline int SingleByteGlyph(const CharacterEntry* entries, int byte) {
  const CharacterEntry& entry = entries[byte - FIRST_CODE];
  return (entry.flags & ENTRY_LEAD) ? GLYPH_PLACEHOLDER : ValidGlyph(entry.glyph);
}

// The 5-6-5 colour of a caret digit 0..7.
uint16_t DigitColour(int digit) {
  return uint16_t(((digit & 1) ? 0xF800 : 0) | ((digit & 2) ? 0x07E0 : 0) | ((digit & 4) ? 0x001F : 0));
}

// One line of plate text with its top at y, centred, at the size that fits.
void DrawPlateLine(const char* text, float y) {
  const float size = PlateTextSize(text);
  float x = -TextWidthAtSize(text, size) * 0.5f;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  const CharacterEntry* entries = CodePageRecords[0].entries;
  uint16_t colour = 0;
  int previousLeft = 0;
  while (*p) {
    const unsigned c = *p;
    int glyph;
    const CharacterEntry* entry = nullptr;
    if (c == CARET) {
      const unsigned code = p[1];
      if (!code) {
        ++p;
        glyph = SingleByteGlyph(entries, CARET);
      } else {
        p += 2;
        if (code >= '0' && code <= '7') {
          colour = DigitColour(int(code - '0'));
          continue;
        }
        if (code == '8' || code == ':' || code == '9') {
          if (code != '9') entries = CodePageRecords[0].entries;
          colour = 0;
          continue;
        }
        int page = -1;
        const int drawn = SelectCodePageByLetter(int(code), &page);
        if (drawn == 0 && page >= 0 && page < CODE_PAGE_COUNT) {
          entries = CodePageRecords[page].entries;
          continue;
        }
        if (drawn < FIRST_CODE || drawn > 255) continue;  // a caret before a control byte: both skipped
        glyph = SingleByteGlyph(entries, drawn);
      }
    } else if (c < FIRST_CODE) {
      ++p;
      continue;
    } else {
      entry = &entries[c - FIRST_CODE];
      if (!(entry->flags & ENTRY_LEAD)) {
        ++p;
        glyph = ValidGlyph(entry->glyph);
      } else {
        p += p[1] ? 2 : 1;  // a double-byte character shows the placeholder
        glyph = GLYPH_PLACEHOLDER;
        entry = nullptr;
      }
    }
    const GlyphMetrics& metrics = CharMetrics[glyph];
    if (previousLeft && metrics.rightClass) x -= float(KerningSteps(previousLeft, metrics.rightClass)) * KERNING_UNIT * size;
    DrawVectorGlyph(Glyphs[glyph], size, colour, x, y, size);
    if (entry && entry->accent && entry->accent < GLYPH_COUNT)
      DrawVectorGlyph(Glyphs[entry->accent], size, colour, x, entry->flags ? y - PLATE_ACCENT_RAISE : y, size);
    x += (metrics.width + PLATE_LETTER_GAP) * size;
    previousLeft = metrics.leftClass;
  }
}

}  // namespace

// ---- [Slots] ----

PlateSlotText MakePlateText(const char* text) {
  PlateSlotText t{};
  for (int i = 0; text && i < PLATE_TEXT_SIZE && text[i]; ++i) t.bytes[i] = uint8_t(text[i]);
  t.stored = 1;
  return t;
}

int TakePlateSlotForText(const char* text) {
  const PlateSlotText wanted = MakePlateText(text);
  for (int i = 0; i < PLATE_SLOTS; ++i)
    if (PlateSlotUses[i] == 0 && PlateTexts[i].stored && SameText(PlateTexts[i], wanted)) {
      CreatePlateTextures(i / PLATES_PER_PAGE);
      PlateSlotUses[i] = 1;
      return i;
    }
  for (int i = 0; i < PLATE_SLOTS; ++i)
    if (PlateSlotUses[i] == 0) {
      const int page = i / PLATES_PER_PAGE;
      CreatePlateTextures(page);
      MarkForRedraw(page);
      PlateTexts[i] = wanted;
      PlateSlotUses[i] = 1;
      return i;
    }
  int64_t total = 0;
  for (int32_t uses : PlateSlotUses) total += uses;
  char message[MESSAGE_SIZE];
  std::snprintf(message, sizeof message, TEXT_NO_PLATE, int(std::min<int64_t>(total, INT32_MAX)));
  ReportLine(message, REPORT_ERROR);
  CreatePlateTextures(0);
  if (PlateSlotUses[0] < INT32_MAX) ++PlateSlotUses[0];
  return 0;
}

void UpdatePlateHandle(int slot, const char* text) {
  std::lock_guard<std::mutex> lock(PlateLock);
  if (slot < 0 || slot >= PLATE_SLOTS || PlateSlotUses[slot] != 1) {
    DebugMessage(TEXT_PLATE_SHARED, slot);
    return;
  }
  const PlateSlotText wanted = MakePlateText(text);
  if (PlateTexts[slot].stored && SameText(PlateTexts[slot], wanted)) {
    DebugMessage(TEXT_PLATE_MATCHES, slot);
    return;
  }
  const int page = slot / PLATES_PER_PAGE;
  CreatePlateTextures(page);
  PlateTexts[slot] = wanted;
  MarkForRedraw(page);
}

// ---- [Pages] ----

void CreatePlateTextures(int page) {
  if (page < 0 || page >= PLATE_PAGES || PlateMaterials[page] || !GraphicsEnabled || !Gfx.device) return;
  char colourName[TEXTURE_NAME_SIZE], alphaName[TEXTURE_NAME_SIZE];
  std::snprintf(colourName, sizeof colourName, "PLATE~%d", page);
  std::snprintf(alphaName, sizeof alphaName, "PLATE~%d_AON", page);
  const int savedLevels = TextureConfig.renderMipLevels;
  TextureConfig.renderMipLevels = PLATE_MIP_LEVELS;
  ZKTETexture* colour = PlateTexture(colourName);
  ZKTETexture* alpha = AlphaPlateMaterials[page] ? nullptr : PlateTexture(alphaName);
  TextureConfig.renderMipLevels = savedLevels;
  if (colour) PlateMaterials[page] = CreateMaterial(colour, 0, 0, 1, SolidParams(), GEN_TYPE_RENDER);
  if (alpha) AlphaPlateMaterials[page] = CreateMaterial(alpha, 0, 0, 1, BlendedParams(), GEN_TYPE_RENDER);
}

void ClearPlates() {
  for (int p = 0; p < PLATE_PAGES; ++p) {
    PlateMaterials[p] = AlphaPlateMaterials[p] = nullptr;
    PlatePages[p] = PlatePage{};
  }
  for (int i = 0; i < PLATE_SLOTS; ++i) {
    PlateSlotUses[i] = 0;
    PlateTexts[i] = PlateSlotText{};
  }
}

// ---- [Drawing] ----

float PlateTextSize(const char* text) {
  const float width = TextWidthAtSize(text, PLATE_TEXT_SIZE_UNITS);
  return width > PLATE_WIDEST ? PLATE_TEXT_SIZE_UNITS * PLATE_WIDEST / width : PLATE_TEXT_SIZE_UNITS;
}

void DrawPlateCanvas(const PlateSlotText texts[PLATES_PER_PAGE], std::vector<uint16_t>& canvas) {
  // White has every bit set: one memset whites a canvas of the right size, which a caller
  // drawing page after page keeps.
  static_assert(PLATE_WHITE == 0xFFFF);
  canvas.resize(size_t(PLATE_CANVAS_SIZE) * PLATE_CANVAS_SIZE);
  std::memset(canvas.data(), 0xFF, canvas.size() * sizeof canvas[0]);
  const Bitmap16 saved = CurrentBitmap16;
  SetCurrentBitmap16(canvas.data(), PLATE_CANVAS_SIZE, PLATE_CANVAS_SIZE);
  for (int k = 0; k < PLATES_PER_PAGE; ++k) {
    char text[PLATE_TEXT_SIZE + 1] = {};
    std::memcpy(text, texts[k].bytes, PLATE_TEXT_SIZE);
    DrawPlateLine(text, PLATE_FIRST_LINE + PLATE_LINE_STEP * float(k));
  }
  CurrentBitmap16 = saved;
}

void PlatePictures(const std::vector<uint16_t>& canvas, std::vector<uint8_t>& colour, std::vector<uint8_t>& alpha) {
  // Both halvings in two passes over the canvas, each average rounded down as HalveImage
  // rounds it (the colour's alpha and the alpha's colour stay 255): the same pictures as
  // converting every pixel and halving twice, without the 4 MB pictures between.
  constexpr int HALF = PLATE_CANVAS_SIZE / 2, OUT = PLATE_TEXTURE_SIZE;
  static_assert(HALF / 2 == OUT, "two halvings from the canvas to the page");
  colour.assign(size_t(OUT) * OUT * 4, 255);
  alpha.assign(size_t(OUT) * OUT * 4, 255);
  if (canvas.size() < size_t(PLATE_CANVAS_SIZE) * PLATE_CANVAS_SIZE) return;
  std::vector<uint8_t> half(size_t(HALF) * HALF * 4);  // red, green, blue, alpha of the first halving
  for (int y = 0; y < HALF; ++y) {
    const uint16_t* top = &canvas[size_t(2 * y) * PLATE_CANVAS_SIZE];
    const uint16_t* bottom = top + PLATE_CANVAS_SIZE;
    uint8_t* out = &half[size_t(y) * HALF * 4];
    for (int x = 0; x < HALF; ++x, out += 4) {
      const uint16_t q[4] = {top[2 * x], top[2 * x + 1], bottom[2 * x], bottom[2 * x + 1]};
      unsigned r = 0, g = 0, b = 0, ink = 0;
      for (uint16_t p : q) {
        r += (p >> 11 & 0x1Fu) << 3;
        g += (p >> 5 & 0x3Fu) << 2;
        b += (p & 0x1Fu) << 3;
        ink += p != PLATE_WHITE ? 255u : 0u;
      }
      out[0] = uint8_t(r / 4);
      out[1] = uint8_t(g / 4);
      out[2] = uint8_t(b / 4);
      out[3] = uint8_t(ink / 4);
    }
  }
  for (int y = 0; y < OUT; ++y)
    for (int x = 0; x < OUT; ++x) {
      const uint8_t* a = &half[(size_t(2 * y) * HALF + size_t(2 * x)) * 4];
      const uint8_t* b = a + size_t(HALF) * 4;
      uint8_t* c = &colour[(size_t(y) * OUT + size_t(x)) * 4];
      for (int k = 0; k < 3; ++k) c[k] = uint8_t((a[k] + a[4 + k] + b[k] + b[4 + k]) / 4);
      alpha[(size_t(y) * OUT + size_t(x)) * 4 + 3] = uint8_t((a[3] + a[7] + b[3] + b[7]) / 4);
    }
}

void RedrawPlatePage() {
  int first = -1, marked = 0;
  for (int p = 0; p < PLATE_PAGES; ++p) {
    if (!PlatePages[p].redraw) continue;
    if (!PlateMaterials[p] && !AlphaPlateMaterials[p]) {
      PlatePages[p].redraw = 0;
      DebugMessage(TEXT_PLATE_NO_TEXTURE, p);
      continue;
    }
    if (first < 0) first = p;
    ++marked;
  }
  if (first < 0) return;
  if (marked >= 2) PlateRegenPending = 1;
  PlatePages[first].redraw = 0;
  PlateSlotText texts[PLATES_PER_PAGE] = {};
  for (int k = 0; k < PLATES_PER_PAGE; ++k) {
    const int slot = first * PLATES_PER_PAGE + k;
    if (slot < PLATE_SLOTS) texts[k] = PlateTexts[slot];
  }
  std::vector<uint16_t> canvas;
  DrawPlateCanvas(texts, canvas);
  std::vector<uint8_t> colour, alpha;
  PlatePictures(canvas, colour, alpha);
  if (PlateMaterials[first] && PlateMaterials[first]->texture)
    fill_texture(PlateMaterials[first]->texture, colour.data(), PLATE_TEXTURE_SIZE, 0, 0);
  if (AlphaPlateMaterials[first] && AlphaPlateMaterials[first]->texture)
    fill_texture(AlphaPlateMaterials[first]->texture, alpha.data(), PLATE_TEXTURE_SIZE, 32, 0);
}

// ---- [Installing] ----

void InstallNumberPlates() {
  GetPlateSlot = TakePlateSlotForText;
  RegenPlates = RedrawPlatePage;
  ResetPlates = ClearPlates;
  TakeCarPlateSlot = CarPlateSlot;
}
