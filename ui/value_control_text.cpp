// value_control_text.cpp - the text of a value control by its display type, queued into the
// interface text batch when the control is added, so it is ready before the panels are drawn.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "core/window_state.h"
#include "render/vr.h"
#include "text/code_pages.h"
#include "ui/character_set.h"
#include "ui/contrast.h"
#include "ui/draw_record.h"
#include "ui/interface.h"
#include "ui/interface_config.h"
#include "ui/interface_local.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"
#include "ui/value_edit.h"
#include "ui/value_steps.h"

namespace {

constexpr float SMALL_CONTROL = 0.099f;  // below this height the text takes 0.85 of it, else 0.7
constexpr float RADIANS_TO_DEGREES = 180.0f / std::numbers::pi_v<float>;
constexpr uint8_t LABEL_ALIGN_MASK = 3;         // 0 centred, 1 left, 2 right
constexpr uint8_t LABEL_FULL_HEIGHT = 0x10;     // label types: the text fills the control
constexpr char MASK_CHARACTER = '\x95';         // a bullet in the Latin 1 page
constexpr int CODE_STEP_RIGHT = 0x9B, CODE_STEP_LEFT = 0x8B, CODE_ARROW_UP = 0xB9, CODE_ARROW_DOWN = 0xBA;
constexpr int TEXT_SIZE = 256;

enum Align { ALIGN_CENTRE = 0, ALIGN_LEFT = 1, ALIGN_RIGHT = 2 };

bool IsLabelType(int t) {
  return t == VALUE_TYPE_LABEL || t == VALUE_TYPE_HELD_FLOAT || t == VALUE_TYPE_HELD_THOUSANDTHS ||
         t == VALUE_TYPE_HELD_DEGREES || t == VALUE_TYPE_HELD_INT || t == VALUE_TYPE_HELD_CODED_NUMBER;
}

uint32_t Opaque(ColourWord c) { return 0xFF000000u | ColourRed(c) << 16 | ColourGreen(c) << 8 | ColourBlue(c); }

uint32_t Darkened(uint32_t argb, int by) {
  uint32_t out = argb & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const int c = std::max(0, static_cast<int>((argb >> shift) & 0xFF) - by);
    out |= static_cast<uint32_t>(c) << shift;
  }
  return out;
}

// A text masked as one bullet per character byte.
void Masked(char* out, int outSize, const char* text) {
  int n = 0;
  for (const char* p = text ? text : ""; *p && n < outSize - 1; ++p) out[n++] = MASK_CHARACTER;
  out[n] = 0;
}

const char* TextOf(const ValueControl& c) { return c.minimum.text ? c.minimum.text : ""; }

// A text list's entry: the entry of a null-ended text list chosen by the variable's value; "?" beyond it.
const char* ListEntry(const ValueControl& c) {
  const char* const* list = static_cast<const char* const*>(c.minimum.address);
  if (!list || !c.variable) return "?";
  const int32_t index = *static_cast<const int32_t*>(c.variable);
  if (index < 0) return "?";
  for (int32_t i = 0; i <= index; ++i)
    if (!list[i]) return "?";
  return list[index];
}

}  // namespace

ColourWord ColourSwatchFace(const ValueControl& c) {
  const ColourWord colour = c.colour ? *c.colour : TextColours.panelGrey;
  if (c.label.i != 1) return colour;
  ColourWord lifted = 0;
  for (int shift = 0; shift < 24; shift += 8)
    lifted |= static_cast<ColourWord>(std::min(255L, std::lround(((colour >> shift) & 0xFF) * 1.25f))) << shift;
  return lifted;
}

namespace {

// The segment bar: the digits 1..5 centred in their segments, the chosen one in the selected colour.
void QueueSegmentDigits(const ValueControl& c, uint32_t colour) {
  const SegmentBarGeometry bar = ValueControlBarGeometry(c);
  const int chosen = c.variable ? *static_cast<const int32_t*>(c.variable) : -1;
  const float y = 0.5f * (c.top + c.bottom) - 0.5f * bar.textRowHeight;
  for (int i = 0; i < SEGMENT_BAR_SEGMENTS; ++i) {
    const char digit[2] = {static_cast<char>('1' + i), 0};
    const float width = TextWidth(digit, 0, bar.textRowHeight);
    const float x = bar.left + (static_cast<float>(i) + 0.5f) * bar.segmentWidth - 0.5f * width;
    DrawText(digit, i == chosen ? Opaque(InterfaceColours.textSelected) : colour, x, y, bar.textRowHeight, 0);
  }
}

// A glyph drawn in screen units takes the horizontal text scale, as text does; one wider than
// its control is squeezed across to fit, as a text is.
float GlyphSqueeze(float width, float room) { return width > room && width > 0.0f ? std::max(0.0f, room) / width : 1.0f; }

// Glyph-only types: one raw glyph centred in the control.
int RawGlyphOf(const ValueControl& c) {
  switch (c.displayType) {
    case VALUE_TYPE_GLYPH: return static_cast<int>(c.minimum.i);
    case VALUE_TYPE_BYTE_PLUS: case VALUE_TYPE_WORD_PLUS: case VALUE_TYPE_FLOAT_PLUS: return CODE_STEP_RIGHT;
    case VALUE_TYPE_BYTE_MINUS: case VALUE_TYPE_WORD_MINUS: case VALUE_TYPE_FLOAT_MINUS: return CODE_STEP_LEFT;
    case VALUE_TYPE_SCROLL_UP: return CODE_ARROW_UP;
    case VALUE_TYPE_SCROLL_DOWN: return CODE_ARROW_DOWN;
    default: return -1;
  }
}

}  // namespace

uint32_t ValueControlInk(const ValueControl& c) {
  const int type = c.displayType;
  char text[TEXT_SIZE];
  const bool glyph = RawGlyphOf(c) >= 32 || type == VALUE_TYPE_CHARACTER_BITS || type == VALUE_TYPE_SEGMENT_BAR ||
                     (type == VALUE_TYPE_CHARACTER_CELL && !(c.label.i & 0x30));
  if (!glyph && (!ValueControlText(c, text, sizeof text) || !text[0])) return 0;
  if (type == VALUE_TYPE_COLOUR_SWATCH || type == VALUE_TYPE_COLOUR_TRIPLE || type == VALUE_TYPE_COLOUR_BYTE ||
      type == VALUE_TYPE_FADE_TEXT)
    return Opaque(TextColours.lightText);
  if (type == VALUE_TYPE_DARK_TEXT) return Opaque(TextColours.darkText);
  if (type == VALUE_TYPE_PRESS_CALLBACK && (static_cast<uint32_t>(c.minimum.i) & (1u << 24)))
    return Opaque(TextColours.red);
  if (type == VALUE_TYPE_SELECTABLE)
    return Opaque(c.maximum.i == 0 ? InterfaceColours.textUnselected : InterfaceColours.textSelected);
  return Opaque(c.colour ? *c.colour : TextColours.lightText);
}

bool IsControlPressed(const ValueControl& c) {
  if (!KeyState[1] && !KeyState[2]) return false;
  if (!c.callback || PendingPress.clickCode == 0 || PendingPress.displayType != c.displayType) return false;
  auto inside = [&](float x, float y) { return x >= c.left && x <= c.right && y >= c.top && y <= c.bottom; };
  return inside(PendingPress.x, PendingPress.y) && inside(PointerNormalisedX(), PointerNormalisedY());
}

int ValueControlText(const ValueControl& c, char* out, int outSize) {
  if (!out || outSize <= 0) return 0;
  out[0] = 0;
  const int type = c.displayType;
  const char* text = TextOf(c);
  switch (type) {
    case VALUE_TYPE_TEXT: case VALUE_TYPE_LARGE_TEXT: case VALUE_TYPE_DARK_TEXT: case VALUE_TYPE_BUTTON:
    case VALUE_TYPE_NARROW_TEXT: case VALUE_TYPE_BIG_PANEL: case VALUE_TYPE_FADE_TEXT: case VALUE_TYPE_TITLE:
    case VALUE_TYPE_EDIT_TEXT: case VALUE_TYPE_EDIT_SINGLE_BYTE: case VALUE_TYPE_TEXT_LINE: case VALUE_TYPE_LABEL:
    case VALUE_TYPE_ITEM: case VALUE_TYPE_ITEM_B: case VALUE_TYPE_ITEM_C: case VALUE_TYPE_SELECTABLE:
    case VALUE_TYPE_CHARACTER_ROW:
      std::snprintf(out, static_cast<size_t>(outSize), "%s", text);
      return 1;
    case VALUE_TYPE_HINT:
      std::snprintf(out, static_cast<size_t>(outSize), "%s", HoverHint ? HoverHint : "");
      return 1;
    case VALUE_TYPE_TEXT_BLOCK:
      std::snprintf(out, static_cast<size_t>(outSize), "%s", text);
      return 1;
    case VALUE_TYPE_EDIT_PASSWORD:
    case VALUE_TYPE_PASSWORD_LINE:
      Masked(out, outSize, text);
      return 1;
    case VALUE_TYPE_HELD_FLOAT: FormatLabelFloat(out, outSize, text, HeldFloatOf(c.variable)); return 1;
    case VALUE_TYPE_HELD_THOUSANDTHS: FormatLabelFloat(out, outSize, text, HeldFloatOf(c.variable) * 0.001f); return 1;
    case VALUE_TYPE_HELD_DEGREES:
      FormatLabelFloat(out, outSize, text, HeldFloatOf(c.variable) * RADIANS_TO_DEGREES);
      return 1;
    case VALUE_TYPE_HELD_INT:
    case VALUE_TYPE_HELD_CODED_NUMBER: FormatLabelInt(out, outSize, text, HeldIntOf(c.variable)); return 1;
    case VALUE_TYPE_TEXT_LIST: std::snprintf(out, static_cast<size_t>(outSize), "%s", ListEntry(c)); return 1;
    case VALUE_TYPE_YES_NO: {
      const char* const* pair = static_cast<const char* const*>(c.minimum.address);
      const bool set = c.variable && (*static_cast<const uint32_t*>(c.variable) & static_cast<uint32_t>(c.maximum.i));
      const char* chosen = pair ? pair[set ? 1 : 0] : (set ? "[yes]" : "[no]");
      std::snprintf(out, static_cast<size_t>(outSize), "%s", chosen ? chosen : "");
      return 1;
    }
    case VALUE_TYPE_TEXT_SLOT: {
      const char* const* slot = static_cast<const char* const*>(c.minimum.address);
      if (slot && *slot) std::snprintf(out, static_cast<size_t>(outSize), "%s", *slot);
      else Masked(out, outSize, " ");
      return 1;
    }
    case VALUE_TYPE_HELP: std::snprintf(out, static_cast<size_t>(outSize), "?"); return 1;
    case VALUE_TYPE_COLOUR_SWATCH: {
      // The three channel values on one line: one above the other they would stand a third
      // of the row high.
      if (!c.colour) return 0;
      const ColourWord colour = *c.colour;
      std::snprintf(out, static_cast<size_t>(outSize), "%u %u %u", ColourRed(colour), ColourGreen(colour),
                    ColourBlue(colour));
      return 1;
    }
    case VALUE_TYPE_TYPED_FLOAT: {
      const float value = c.variable ? *static_cast<const float*>(c.variable) : 0.0f;
      std::snprintf(out, static_cast<size_t>(outSize), PrecisionFormat(c.label.text), static_cast<double>(value));
      return 1;
    }
    case VALUE_TYPE_PRESS_CALLBACK: {
      // Up to three characters in the field itself; bit 24 asks for red.
      const uint32_t packed = static_cast<uint32_t>(c.minimum.i);
      int n = 0;
      for (int i = 0; i < 3 && n < outSize - 1; ++i) {
        const char ch = static_cast<char>((packed >> (8 * i)) & 0xFF);
        if (!ch) break;
        out[n++] = ch;
      }
      out[n] = 0;
      return 1;
    }
    case VALUE_TYPE_INT_VALUE:
      FormatLabelInt(out, outSize, text, c.variable ? *static_cast<const int32_t*>(c.variable) : 0);
      return 1;
    case VALUE_TYPE_FLOAT_VALUE:
      FormatLabelFloat(out, outSize, text, c.variable ? *static_cast<const float*>(c.variable) : 0.0f);
      return 1;
    case VALUE_TYPE_CHARACTER_CELL:
      if (c.label.i & 0x30) {
        std::snprintf(out, static_cast<size_t>(outSize), "%X", static_cast<unsigned>(c.maximum.i));
        return 1;
      }
      return 0;
    default:
      return 0;
  }
}

static void PrepareControlText(ValueControl& c);

namespace {

// One line of a control's text as drawn: where it starts, its size, its width and how far it
// is squeezed across.
struct PlacedLine {
  float x, y, size, width, squeeze;
};

// A control's text size and its margin to either side: 0.7 of its height (0.85 in a short
// control) and 0.15 of it; a label filling its control takes all of it.
void TextSizeAndMargin(const ValueControl& c, float* size, float* margin) {
  const float h = c.bottom - c.top;
  const uint8_t labelBits = static_cast<uint8_t>(c.label.i & 0xFF);
  *size = h < SMALL_CONTROL ? 0.85f * h : 0.7f * h;
  *margin = 0.15f * h;
  if (!IsLabelType(c.displayType)) return;
  if (labelBits & LABEL_FULL_HEIGHT) {
    *size = h;
    *margin = 0.0f;
  } else if (labelBits & LABEL_NARROW_MARGIN) {
    *margin = 0.05f * h;
  }
}

PlacedLine PlaceLine(const ValueControl& c, const char* text, float size, float margin, float right, int align) {
  const float room = std::max(0.0f, right - c.left - 2.0f * margin);
  float width = TextWidth(text, c.codePage, size);
  if (width > room && width > 0.0f && ScreenHeight > 0) {
    // Too wide: smaller first, as a button's label is (never under the least text size unless
    // its own is), then squeezed across for what is left.
    const float pixels = 0.5f * size * static_cast<float>(ScreenHeight);
    const float least = std::min(pixels, LEAST_TEXT_PIXELS);
    const float smaller = std::max(size * room / width, size * least / pixels);
    width *= smaller / size;
    size = smaller;
  }
  float squeeze = 1.0f;
  if (width > room && width > 0.0f) {
    squeeze = room / width;
    width = room;
  }
  float x;
  switch (align) {
    case ALIGN_LEFT: x = c.left + margin; break;
    case ALIGN_RIGHT: x = right - margin - width; break;
    default: x = 0.5f * (c.left + right - width); break;
  }
  return {x, 0.5f * (c.top + c.bottom) - 0.5f * size, size, width, squeeze};
}

// The part of an entry line's coded text shown where the whole is too wide for its room at
// its least size: the line scrolls rather than squeezing its glyphs, showing the cursor (a
// selection's far end) and as much before it as fits, then what follows while it fits.  The
// colour and code-page codes of the part scrolled off go first, so the part keeps its colours.
struct EntryWindow {
  std::string text;
  int32_t cursor = TEXT_CURSOR_NONE;
  int hiddenGlyphs = 0;  // glyphs scrolled off to the left
};

EntryWindow ScrollEntryLine(const char* text, int32_t cursorWord, int codePage, float size, float room) {
  struct Unit {
    int start, length;
    bool code;  // a colour or code-page code: no glyph, only state
  };
  std::vector<Unit> units;
  const int n = static_cast<int>(std::strlen(text));
  int page = codePage;
  for (int i = 0; i < n;) {
    const uint8_t b = static_cast<uint8_t>(text[i]);
    if (b == '^' && i + 1 < n) {
      const char next = text[i + 1];
      const int letterPage = CodePageIndexOfLetter(next);
      if (letterPage >= 0) page = letterPage;
      units.push_back({i, 2, letterPage >= 0 || (next >= '0' && next <= ':')});
      i += 2;
    } else {
      const int length = page >= 0 && page < CODE_PAGE_COUNT && CODE_PAGES[page].doubleByte && IsLeadByte(page, b) && i + 1 < n ? 2 : 1;
      units.push_back({i, length, false});
      i += length;
    }
  }
  const int cursor = cursorWord & 0xFFFF, otherEnd = (cursorWord >> 16) & 0xFFFF;
  const int keep = std::clamp(std::max(cursor, otherEnd), 0, n);
  std::string codes;
  EntryWindow w;
  size_t first = 0;
  const auto fits = [&](int end) {
    const std::string part = codes + std::string(text + units[first].start, text + end);
    return TextWidth(part.c_str(), codePage, size) <= room;
  };
  // Off to the left until the text up to the cursor fits.
  while (first + 1 < units.size() && units[first].start < keep && !fits(keep)) {
    if (units[first].code) codes.append(text + units[first].start, static_cast<size_t>(units[first].length));
    else ++w.hiddenGlyphs;
    ++first;
  }
  // What follows the cursor while it fits.
  size_t last = first;
  while (last < units.size() && units[last].start < keep) ++last;
  while (last < units.size() && fits(units[last].start + units[last].length)) ++last;
  const int from = first < units.size() ? units[first].start : n;
  const int to = last < units.size() ? units[last].start : n;
  w.text = codes + std::string(text + from, text + std::max(from, to));
  const int shift = static_cast<int>(codes.size()) - from;
  const int shownCursor = std::max(static_cast<int>(codes.size()), cursor + shift);
  w.cursor = otherEnd ? TextCursorWithSelection(shownCursor, std::max(shownCursor, otherEnd + shift)) : shownCursor;
  return w;
}

}  // namespace

float ControlTextMost;

float FittedControlTextSize(const char* text, float left, float top, float right, float bottom) {
  ValueControl c{};
  c.left = left, c.top = top, c.right = right, c.bottom = bottom;
  c.displayType = VALUE_TYPE_TEXT;
  c.codePage = static_cast<uint8_t>(CurrentCodePage);
  float size, margin;
  TextSizeAndMargin(c, &size, &margin);
  return PlaceLine(c, text ? text : "", size, margin, right, ALIGN_CENTRE).size;
}

void PrepareValueControl(ValueControl& c) {
  const int type = c.displayType;
  // A click probe waits for the entry line's text: other controls' texts leave it alone.
  const int probe = TextClickProbe;
  if (type != VALUE_TYPE_TEXT_LINE && type != VALUE_TYPE_PASSWORD_LINE) TextClickProbe = 0;
  char label[TEXT_SIZE] = "";
  if (DrawRecording && !ValueControlText(c, label, sizeof label)) label[0] = 0;
  TagRecordForControl(static_cast<int>(&c - ValueControls), c.owner != nullptr, c.left, c.top, c.right, c.bottom,
                      label);
  PrepareControlText(c);
  TagRecordFor(RECORD_TEXT, RECORD_FILL);
  if (type != VALUE_TYPE_TEXT_LINE && type != VALUE_TYPE_PASSWORD_LINE) TextClickProbe = probe;
}

// The text by display type, queued into the interface text batch.
static void PrepareControlText(ValueControl& c) {
  const int type = c.displayType;
  const float h = c.bottom - c.top;
  float size, margin;
  TextSizeAndMargin(c, &size, &margin);
  const uint8_t labelBits = static_cast<uint8_t>(c.label.i & 0xFF);
  uint32_t colour = Opaque(c.colour ? *c.colour : TextColours.lightText);
  // Their colour is the panel's.
  if (type == VALUE_TYPE_COLOUR_SWATCH || type == VALUE_TYPE_COLOUR_TRIPLE || type == VALUE_TYPE_COLOUR_BYTE)
    colour = Opaque(TextColours.lightText);
  if (IsControlPressed(c)) colour = Darkened(colour, 24);

  // Glyph-only types.
  const int glyphCode = RawGlyphOf(c);
  if (glyphCode >= 32 && glyphCode - 32 < GLYPH_COUNT) {
    // A glyph stands at the least text size where its control is as tall: a scroll bar's arrow
    // in a short control reads as a text does.
    const float least = ScreenHeight > 0 ? 2.0f * LEAST_TEXT_PIXELS / static_cast<float>(ScreenHeight) : 0.0f;
    const float glyphSize = type == VALUE_TYPE_GLYPH ? 1.15f * h : std::max(size, std::min(h, least));
    const float width = (CharMetrics[glyphCode - 32].width + LetterSpacing) * glyphSize * TextHorizontalScale;
    const float narrow = GlyphSqueeze(width, c.right - c.left);
    const size_t first = CurrentTextBatch->items.size();
    QueueGlyphNarrowed(glyphCode - 32, 0.5f * (c.left + c.right - narrow * width), 0.5f * (c.top + c.bottom - glyphSize),
                       glyphSize, narrow * TextHorizontalScale, colour);
    const char shown[2] = {static_cast<char>(glyphCode), 0};
    RecordQueuedText(*CurrentTextBatch, first, shown, colour);
    return;
  }
  if (type == VALUE_TYPE_SEGMENT_BAR) {
    QueueSegmentDigits(c, colour);
    return;
  }
  if (type == VALUE_TYPE_CHARACTER_BITS) {
    // The characters of the bits set in the minimum field, spaced evenly: "0".."9", "A"..
    const uint32_t bits = static_cast<uint32_t>(c.minimum.i);
    const int count = std::popcount(bits);
    if (count == 0) return;
    const float cellSize = 0.25f * h * 2.0f;
    int k = 0;
    for (int bit = 0; bit < 32; ++bit) {
      if (!(bits & (1u << bit))) continue;
      const char ch[2] = {static_cast<char>(bit < 10 ? '0' + bit : 'A' + bit - 10), 0};
      const float x = c.left + (c.right - c.left) * (static_cast<float>(k) + 0.25f) / static_cast<float>(count);
      DrawText(ch, colour, x, 0.5f * (c.top + c.bottom - cellSize), cellSize, 0);
      ++k;
    }
    return;
  }
  if (type == VALUE_TYPE_CHARACTER_CELL && !(c.label.i & 0x30)) {
    // A character cell: the glyph of the index in the minimum field.
    const int glyph = static_cast<int>(c.minimum.i);
    if (glyph < 0 || glyph >= GLYPH_COUNT) return;
    const float width = (CharMetrics[glyph].width + LetterSpacing) * size * TextHorizontalScale;
    const float narrow = GlyphSqueeze(width, c.right - c.left);
    const size_t first = CurrentTextBatch->items.size();
    QueueGlyphNarrowed(glyph, 0.5f * (c.left + c.right - narrow * width), 0.5f * (c.top + c.bottom - size), size,
                       narrow * TextHorizontalScale, colour);
    const char shown[2] = {static_cast<char>(glyph + FIRST_CODE), 0};
    RecordQueuedText(*CurrentTextBatch, first, shown, colour);
    return;
  }

  char text[TEXT_SIZE];
  // An entry line with its cursor is drawn empty too: the cursor shows where typing goes.
  const bool entryLine = (type == VALUE_TYPE_TEXT_LINE || type == VALUE_TYPE_PASSWORD_LINE) && c.maximum.i >= 0;
  if (!ValueControlText(c, text, sizeof text) || (!text[0] && !entryLine)) return;

  float right = c.right;
  int align = ALIGN_CENTRE;
  int cursor = -1;
  switch (type) {
    case VALUE_TYPE_TEXT: case VALUE_TYPE_BUTTON: case VALUE_TYPE_BIG_PANEL:
      align = labelBits & LABEL_ALIGN_MASK;
      break;
    case VALUE_TYPE_LARGE_TEXT: size *= 1.5f; break;
    case VALUE_TYPE_DARK_TEXT:
      colour = Opaque(TextColours.darkText);
      if (h > SMALL_CONTROL) size = 0.55f * h;
      break;
    case VALUE_TYPE_NARROW_TEXT: right -= 0.15f; break;
    case VALUE_TYPE_FADE_TEXT:
      align = ALIGN_RIGHT;
      colour = Opaque(TextColours.lightText);
      break;
    case VALUE_TYPE_TITLE: {
      size = 0.6f * h;
      const float x = c.left + (VrEnabled ? 0.015f : 0.005f);
      const float width = TextWidth(text, c.codePage, size);
      c.variable = HeldFloat(width);  // the title tab's length
      DrawText(text, colour, x, 0.5f * (c.top + c.bottom - size), size, c.codePage);
      return;
    }
    case VALUE_TYPE_TEXT_LINE:
    case VALUE_TYPE_PASSWORD_LINE:
      align = labelBits & LABEL_ALIGN_MASK;
      if (c.maximum.i >= 0) cursor = static_cast<int>(c.maximum.i);
      break;
    case VALUE_TYPE_PRESS_CALLBACK:
      if (static_cast<uint32_t>(c.minimum.i) & (1u << 24)) colour = Opaque(TextColours.red);
      break;
    case VALUE_TYPE_SELECTABLE:
      colour = Opaque(c.maximum.i == 0 ? InterfaceColours.textUnselected : InterfaceColours.textSelected);
      break;
    case VALUE_TYPE_CHARACTER_ROW: size = 0.25f * h * 2.0f; break;
    case VALUE_TYPE_COLOUR_SWATCH:
      align = ALIGN_RIGHT;
      colour = Opaque(TextColourOver(ColourSwatchFace(c)));
      break;
    default:
      if (IsLabelType(type)) align = labelBits & LABEL_ALIGN_MASK;
      break;
  }
  if (align > ALIGN_RIGHT) align = ALIGN_CENTRE;

  if (type == VALUE_TYPE_HINT && ScreenHeight > 0) {
    // A hint wider than its line at the least text size wraps onto two rows of that size
    // rather than being squeezed, where the line is tall enough for two.
    const float least = 2.0f * LEAST_TEXT_PIXELS / static_cast<float>(ScreenHeight);
    const float room = std::max(0.0f, c.right - c.left - 2.0f * margin);
    const float width = TextWidth(text, c.codePage, least);
    constexpr float TWO_ROWS = 1.8f;  // of the room: what two rows hold with their words kept whole
    if (width > room && width <= TWO_ROWS * room && 2.0f * least <= h) {
      WrapMaxLines = 2;
      WrapLineCount = 0;
      WrapWidth = room;
      WrapLineHeight = least;
      DrawText(text, colour, c.left + margin, c.top + 0.5f * (h - 2.0f * least), least, c.codePage);
      WrapMaxLines = 0;
      return;
    }
  }
  const int rows = type == VALUE_TYPE_TEXT_BLOCK ? std::max<int>(1, static_cast<int>(c.label.i)) : 1;
  if (rows > 1) {
    const float rowHeight = h / static_cast<float>(rows);
    size = rowHeight < SMALL_CONTROL ? 0.85f * rowHeight : 0.7f * rowHeight;
    WrapMaxLines = rows;
    WrapLineCount = 0;
    WrapWidth = std::max(0.0f, c.right - c.left - 2.0f * margin);
    WrapLineHeight = rowHeight;
    DrawText(text, colour, c.left + margin, c.top + 0.5f * (rowHeight - size), size, c.codePage);
    WrapMaxLines = 0;
    return;
  }

  if (ControlTextMost > 0.0f) size = std::min(size, ControlTextMost);
  const PlacedLine line = PlaceLine(c, text, size, margin, right, align);
  if (cursor >= 0 && line.squeeze < 1.0f) {
    const EntryWindow shown = ScrollEntryLine(text, cursor, c.codePage, line.size, line.width);
    const bool probing = TextClickProbe != 0;
    TextDrawCursor = shown.cursor;
    DrawText(shown.text.c_str(), colour, c.left + margin, line.y, line.size, c.codePage);
    TextDrawCursor = TEXT_CURSOR_NONE;
    if (probing && !TextClickProbe) TextClickProbeCount += shown.hiddenGlyphs;
    return;
  }
  const float savedScale = TextHorizontalScale;
  TextHorizontalScale *= line.squeeze;
  if (cursor >= 0) TextDrawCursor = cursor;
  DrawText(text, colour, line.x, line.y, line.size, c.codePage);
  TextDrawCursor = TEXT_CURSOR_NONE;
  TextHorizontalScale = savedScale;
}

int ControlLabelBand(const ValueControl& c, float* left, float* top, float* right, float* bottom) {
  if (!IsLabelType(c.displayType) || c.left == c.right) return 0;
  char text[TEXT_SIZE];
  if (!ValueControlText(c, text, sizeof text) || !text[0]) return 0;
  float size, margin;
  TextSizeAndMargin(c, &size, &margin);
  int align = static_cast<uint8_t>(c.label.i & 0xFF) & LABEL_ALIGN_MASK;
  if (align > ALIGN_RIGHT) align = ALIGN_CENTRE;
  const PlacedLine line = PlaceLine(c, text, size, margin, c.right, align);
  *left = line.x;
  *right = line.x + line.width;
  *top = line.y + GLYPH_BOX_DROP * line.size;
  *bottom = line.y + line.size;
  return 1;
}
