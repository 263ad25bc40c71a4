// interface.cpp - the interface tables, metrics, row cursor and adders.
#include "ui/interface.h"
#include "ui/widgets.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/config.h"
#include "core/process.h"
#include "core/window_state.h"
#include "platform/clock.h"
#include "render/frame.h"
#include "text/code_pages.h"
#include "text/messages.h"
#include "ui/draw_record.h"
#include "ui/interface_draw.h"
#include "ui/interface_local.h"
#include "ui/screen_labels.h"
#include "ui/text_measure.h"
#include "ui/value_edit.h"
#include "ui/value_steps.h"

InterfaceButton InterfaceButtons[MAX_INTERFACE_BUTTONS];
int ButtonCount;
ValueControl ValueControls[MAX_VALUE_CONTROLS];
int ValueControlCount;
uint8_t EditDomain;

int ButtonHeight = 24, ButtonWidth = 24;
float InterfaceScale = 3.333333f;
int InterfaceScaleRounded = 3;
int RowCursorX, RowCursorY;
int LayoutColumns = 10;

float ScreenTitleY = -1.0f;
InterfaceRect InterfaceClipRect;

namespace {

constexpr int CHAR_SIZE_MIN = 1, CHAR_SIZE_MAX = 10, CHAR_SIZE_DEFAULT = 4;
constexpr int KNOB_INSET = 2;  // pixels between a scroll knob and its trough

// The text styles' copies, made as their buttons are added and kept until the tables are
// emptied: a label formatted into a local buffer of a screen would be gone, or hold another
// row's text, by the time the frame is drawn and a press names its edit after it.  Buttons
// may move within the table (a page drops its hidden rows), so a copy belongs to no slot.
char g_buttonTexts[BUTTON_TEXT_STORE];
size_t g_buttonTextsUsed;

// A copy of text (cut to BUTTON_TEXT_SIZE - 1 bytes) in the store; null when it is full.
const char* KeepButtonText(const char* text) {
  const size_t length = std::min(std::strlen(text), size_t(BUTTON_TEXT_SIZE - 1));
  if (g_buttonTextsUsed + length + 1 > sizeof g_buttonTexts) return nullptr;
  char* copy = g_buttonTexts + g_buttonTextsUsed;
  std::memcpy(copy, text, length);
  copy[length] = 0;
  g_buttonTextsUsed += length + 1;
  return copy;
}

// The styles whose text field is a text to show, or the name of the edit a press makes.  The
// others hold a number or a limit there (a union), or keep their format elsewhere.
bool HoldsShownText(int style) {
  switch (style) {
    case BUTTON_STYLE_TEXT: case BUTTON_STYLE_LABEL: case BUTTON_STYLE_SWATCH: case BUTTON_STYLE_SWATCH_UNUSED:
    case BUTTON_STYLE_RADIO: case BUTTON_STYLE_ANGLE_PLUS: case BUTTON_STYLE_NAMED_FLAG: case BUTTON_STYLE_FLAG32:
    case BUTTON_STYLE_FLAG16: case BUTTON_STYLE_FLAG8: case BUTTON_STYLE_HALO_TEXT:
      return true;
    default: return false;
  }
}

// Places a button of the given pixel size at the row cursor and moves the cursor past it.
int AddRowSized(Prss* owner, int width, int height, uintptr_t word, InterfaceValue text, InterfaceValue third,
                InterfaceValue fourth, ButtonStyle style, ColourWord* colour, InterfaceHandler handler,
                const char* hint) {
  const int left = RowCursorX;
  RowCursorX += width;
  return AddButton(owner, left, RowCursorY, left + width, RowCursorY + height, word, text, third, fourth, style,
                   colour, handler, hint);
}

int AddRowAt(Prss* owner, int width, uintptr_t word, InterfaceValue text, InterfaceValue third,
             InterfaceValue fourth, ButtonStyle style, ColourWord* colour, InterfaceHandler handler, const char* hint) {
  return AddRowSized(owner, width, ButtonHeight, word, text, third, fourth, style, colour, handler, hint);
}

uintptr_t AddressWord(const void* variable) { return reinterpret_cast<uintptr_t>(variable); }

// A display of value through format (BUTTON_STYLE_INTEGER_DISPLAY) of LayoutColumns - 2 units,
// then a decrease and an increase button over variable within [minimum, maximum].  The step buttons keep the
// format in their fourth field: their edits are named after the row (their text field holds
// the lower limit).
int AddSpinnerRow(Prss* owner, const char* format, int value, void* variable, int minimum, int maximum,
                  ButtonStyle decreaseStyle, ButtonStyle increaseStyle, ColourWord* colour, InterfaceHandler handler,
                  const char* hint) {
  AddRowAt(owner, std::max(1, LayoutColumns - 2) * ButtonWidth, static_cast<uintptr_t>(static_cast<intptr_t>(value)),
           IvText(nullptr), IvInt(0), IvText(format), BUTTON_STYLE_INTEGER_DISPLAY, colour, nullptr, hint);
  AddRowAt(owner, ButtonWidth, AddressWord(variable), IvInt(minimum), IvInt(maximum), IvText(format), decreaseStyle,
           colour, handler, hint);
  return AddRowAt(owner, ButtonWidth, AddressWord(variable), IvInt(minimum), IvInt(maximum), IvText(format),
                  increaseStyle, colour, handler, hint);
}

void EditedMeshChangedHandler(void* owner, int, uintptr_t) {
  if (EditedMeshChanged) EditedMeshChanged(static_cast<Prss*>(owner));
}

int AppendValueControl(Prss* owner, void* variable, InterfaceValue minimum, InterfaceValue maximum,
                       InterfaceValue label, DisplayType type, ColourWord* colour, InterfaceHandler callback,
                       float left, float top, float right, float bottom, int codePage) {
  if (ValueControlCount >= MAX_VALUE_CONTROLS) return -1;
  ValueControl& c = ValueControls[ValueControlCount];
  c = ValueControl{};
  c.left = left;
  c.top = top;
  c.right = right;
  c.bottom = bottom;
  c.variable = variable;
  c.minimum = minimum;
  c.maximum = maximum;
  c.label = label;
  c.displayType = static_cast<uint8_t>(type);
  c.codePage = static_cast<uint8_t>(codePage);
  c.editDomain = EditDomain;
  c.colour = colour;
  c.owner = owner;
  c.callback = callback;
  PrepareValueControl(c);
  return ValueControlCount++;
}

// A label of units - 2 (BUTTON_STYLE_LABEL) and a two-unit toggle of the given style over flags.
int AddLabelledToggle(Prss* owner, int units, const char* text, uint32_t mask, void* flags, int lit,
                      ColourWord* colour, ButtonStyle style, InterfaceHandler handler, const char* hint) {
  AddRowAt(owner, (units - 2) * ButtonWidth, 0, IvText(text), IvInt(0), IvInt(0), BUTTON_STYLE_LABEL, colour, nullptr,
           hint);
  // The toggle keeps the label's text: its edits are named after it.
  return AddRowAt(owner, 2 * ButtonWidth, reinterpret_cast<uintptr_t>(flags), IvText(text),
                  IvInt(static_cast<intptr_t>(mask)), IvInt(lit), style, colour, handler, hint);
}

}  // namespace

void SetInterfaceMetrics() {
  int s = CfgCharSize;
  if (s < CHAR_SIZE_MIN || s > CHAR_SIZE_MAX) s = CHAR_SIZE_DEFAULT;
  TextSize = 2 * s + 11;
  ButtonHeight = TextSize + 5;
  ButtonWidth = 2 * static_cast<int>(std::lround(TextSize * 1.3 * 0.5));
  InterfaceScale = static_cast<float>(s - 1) / 9.0f + 3.0f;
  InterfaceScaleRounded = static_cast<int>(std::lround(InterfaceScale));
}

float HaloLabelTextSize() { return std::max(LEAST_TEXT_PIXELS, 0.75f * static_cast<float>(TextSize)); }

float HaloLabelHaloPixels() { return std::max(2.0f, std::round(0.15f * HaloLabelTextSize())); }

void SetRowCursorFromBottomLeft(int rows) {
  RowCursorX = 12 * ButtonWidth;
  RowCursorY = ScreenHeight - rows * ButtonHeight;
}

void SetRowCursorFromRight(int units, int rows) {
  RowCursorX = ScreenWidth - units * ButtonWidth;
  RowCursorY = rows * ButtonHeight;
}

void SetRowCursorFromBottomRight(int units, int rows) {
  RowCursorX = ScreenWidth - units * ButtonWidth;
  RowCursorY = ScreenHeight - rows * ButtonHeight;
}

bool IsRowButton(const InterfaceButton& b) {
  return b.style != BUTTON_STYLE_COLOUR_SQUARE && b.right > b.left && b.bottom > b.top;
}

bool RowsLieOverEarlierRows(int first, int from, int to) {
  for (int i = std::max(from, 0); i < std::min(to, ButtonCount); ++i) {
    const InterfaceButton& a = InterfaceButtons[i];
    if (!IsRowButton(a)) continue;
    for (int k = std::max(first, 0); k < from; ++k) {
      const InterfaceButton& b = InterfaceButtons[k];
      if (IsRowButton(b) && a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom) return true;
    }
  }
  return false;
}

void ClearInterface() {
  ButtonCount = 0;
  DialogFirstControl = -1;
  g_buttonTextsUsed = 0;
  ValueControlCount = 0;
  RowCursorX = RowCursorY = 0;
  ReleaseHandled = 0;
  MessageTop = -1.0f;
  ClearStatusLines();
  StartFrameRecord();
  MarkSceneStart();
  BackButtonShown = 0;
  ClearScreenLabels();
}

void SetInterfaceRectangleToScreen() { InterfaceClipRect = {0, 0, ScreenWidth, ScreenHeight}; }
void ClearCaptionWords() {}

int AddButton(Prss* owner, int left, int top, int right, int bottom, uintptr_t word, InterfaceValue text,
              InterfaceValue third, InterfaceValue fourth, ButtonStyle style, ColourWord* colour,
              InterfaceHandler handler, const char* hint) {
  if (ButtonCount >= MAX_INTERFACE_BUTTONS) return -1;
  if (HoldsShownText(style) && text.text) {
    const char* copy = KeepButtonText(text.text);
    if (!copy) return -1;  // the texts' store is full: left out, as with a full table
    text = IvText(copy);
  }
  InterfaceButton& b = InterfaceButtons[ButtonCount];
  b.style = static_cast<uint8_t>(style);
  b.editDomain = EditDomain;
  b.left = left;
  b.top = top;
  b.right = right;
  b.bottom = bottom;
  b.word = word;
  b.text = text;
  b.third = third;
  b.fourth = fourth;
  b.colour = colour;
  b.owner = owner;
  b.handler = handler;
  b.hint = hint;
  return ButtonCount++;
}

int AddNullButton() {
  return AddButton(nullptr, 0, 0, 0, 0, 0, IvText(nullptr), IvInt(0), IvInt(0), BUTTON_STYLE_PLAIN,
                   &TextColours.lightText, nullptr, nullptr);
}

bool MeetsRows(float left, float top, float right, float bottom, int firstButton, int firstControl, int skipButton) {
  const auto meets = [&](float l, float t, float r, float b) {
    return std::min(right, r) - std::max(left, l) > 1.0f && std::min(bottom, b) - std::max(top, t) > 1.0f;
  };
  for (int i = std::max(firstButton, 0); i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (i == skipButton || b.right <= b.left || b.bottom <= b.top) continue;
    if (meets(float(b.left), float(b.top), float(b.right), float(b.bottom))) return true;
  }
  const float w = 0.5f * float(ScreenWidth), h = 0.5f * float(ScreenHeight);
  for (int i = std::max(firstControl, 0); i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    if (!c.owner && !ValueControlInk(c)) continue;
    if (meets((c.left + 1.0f) * w, (c.top + 1.0f) * h, (c.right + 1.0f) * w, (c.bottom + 1.0f) * h)) return true;
  }
  return false;
}

int AddValueControl(Prss* owner, void* variable, InterfaceValue minimum, InterfaceValue maximum,
                    InterfaceValue label, DisplayType type, ColourWord* colour, InterfaceHandler callback, float left,
                    float top, float right, float bottom) {
  return AppendValueControl(owner, variable, minimum, maximum, label, type, colour, callback, left, top, right,
                            bottom, CurrentCodePage);
}

void NameValueControl(int index, const char* name) {
  if (index >= 0 && index < ValueControlCount) ValueControls[index].name = name;
}

int AddValueControl2(Prss* owner, void* variable, InterfaceValue minimum, InterfaceValue maximum,
                     InterfaceValue label, DisplayType type, ColourWord* colour, InterfaceHandler callback, float left,
                     float top, float right, float bottom) {
  return AppendValueControl(owner, variable, minimum, maximum, label, type, colour, callback, left, top, right,
                            bottom, 0);
}

int AddValueControl3(Prss* owner, void* variable, InterfaceValue minimum, InterfaceValue maximum,
                     InterfaceValue label, DisplayType type, ColourWord* colour, InterfaceHandler callback, float left,
                     float top, float right, float bottom) {
  return AppendValueControl(owner, variable, minimum, maximum, label, type, colour, callback, left, top, right,
                            bottom, 10);
}

int AddValueSliderBar(Prss* owner, uint16_t* variable, float minimum, float maximum, const char* label,
                      int spanFloatRange, InterfaceHandler callback, float left, float top, float right,
                      float bottom) {
  const int index = AppendValueControl(owner, variable, IvFloat(minimum), IvFloat(maximum), IvText(label),
                                       VALUE_TYPE_WORD, &TextColours.panelGrey, callback, left, top, right, bottom,
                                       CurrentCodePage);
  if (index >= 0) ValueControls[index].subType = static_cast<uint8_t>(spanFloatRange);
  return index;
}

float MappedByteValue(int b, float minimum, float maximum, int byteMinimum, int byteMaximum) {
  const int span = byteMaximum - byteMinimum;
  if (span == 0) return minimum;
  return minimum + static_cast<float>(b - byteMinimum) * (maximum - minimum) / static_cast<float>(span);
}

int AddValueControl4(Prss* owner, uint8_t* variable, float minimum, float maximum, const char* label,
                     int byteMinimum, int byteMaximum, InterfaceHandler callback, float left, float top,
                     float right, float bottom) {
  const int index = AppendValueControl(owner, variable, IvFloat(minimum), IvFloat(maximum), IvText(label),
                                       VALUE_TYPE_MAPPED_BYTE, &TextColours.panelGrey, callback, left, top, right,
                                       bottom, CurrentCodePage);
  if (index >= 0) {
    ValueControls[index].byteMinimum = static_cast<uint8_t>(byteMinimum);
    ValueControls[index].byteMaximum = static_cast<uint8_t>(byteMaximum);
  }
  return index;
}

int AddRowButton(Prss* owner, int units, uintptr_t word, int lit, ColourWord* colour, const char* text,
                 InterfaceHandler handler, const char* hint) {
  return AddRowAt(owner, units * ButtonWidth, word, IvText(text), IvInt(0), IvInt(lit),
                  text ? BUTTON_STYLE_TEXT : BUTTON_STYLE_PLAIN, colour, handler, hint);
}

int AddRowOptionButton(Prss* owner, int units, uintptr_t word, int lit, ColourWord* colour, const char* text,
                       InterfaceHandler handler, const char* hint) {
  return AddRowAt(owner, units * ButtonWidth, word, IvText(text), IvInt(0), IvInt(lit),
                  text ? BUTTON_STYLE_LABEL : BUTTON_STYLE_PLAIN, colour, handler, hint);
}

int AddRowButtonStyle4(Prss* owner, int units, uintptr_t word, int lit, ColourWord* colour, const char* glyphCodes,
                       InterfaceHandler handler, const char* hint) {
  return AddRowAt(owner, units * ButtonWidth, word, GlyphCodes(glyphCodes), IvInt(0), IvInt(lit), BUTTON_STYLE_SYMBOL,
                  colour, handler, hint);
}

int AddRowButtonWidth(Prss* owner, int pixels, uintptr_t word, const char* text, InterfaceHandler handler) {
  return AddRowAt(owner, pixels, word, IvText(text), IvInt(0), IvInt(0), text ? BUTTON_STYLE_TEXT : BUTTON_STYLE_PLAIN,
                  &TextColours.lightOrange, handler, nullptr);
}

int AddRowButtonStyle37(Prss* owner, int units, uintptr_t word, InterfaceValue third, const char* text,
                        ColourWord* colour, InterfaceHandler handler, const char* hint) {
  return AddRowAt(owner, units * ButtonWidth, word, IvText(text), third, IvInt(0), BUTTON_STYLE_FLOAT_FORMAT, colour,
                  handler, hint);
}

int AddRowStyledButton(Prss* owner, int units, uintptr_t word, InterfaceValue third, const char* text,
                       ColourWord* colour, InterfaceHandler handler, const char* hint) {
  return AddRowAt(owner, units * ButtonWidth, word, IvText(text), third, IvInt(0), BUTTON_STYLE_INT_FORMAT, colour,
                  handler, hint);
}

int AddRadioButtonColumn(Prss* owner, int units, int32_t* chosen, int count, const char* const* texts,
                         ColourWord* colour, InterfaceHandler handler, const char* const* hints) {
  int last = -1;
  for (int i = 0; i < count; ++i)
    last = AddRowAt(owner, units * ButtonWidth, static_cast<uintptr_t>(i), IvText(texts[i]), IvAddress(chosen),
                    IvInt(chosen && *chosen == i), BUTTON_STYLE_RADIO, colour, handler, hints ? hints[i] : nullptr);
  return last;
}

int AddSliderControl(Prss* owner, const SliderGeometry& g, int32_t* scrollPosition, int windowStart, int windowEnd,
                     int total) {
  AddValueControl(nullptr, scrollPosition, IvInt(windowStart), IvInt(windowEnd), IvInt(total), VALUE_TYPE_WHEEL,
                  &TextColours.panelGrey, nullptr, g.listLeft, g.listTop, g.listRight, g.listBottom);
  const int left = RowCursorX, top = RowCursorY, right = left + ButtonWidth, bottom = top + g.troughHeight;
  RowCursorX = right;
  AddButton(owner, left, top, right, bottom, 0, IvText(nullptr), IvInt(0), IvInt(0), BUTTON_STYLE_PLAIN,
            &TextColours.panelGrey, nullptr, nullptr);
  // The knob covers the window's share of the trough; an empty list shows it full.
  const int r = InterfaceScaleRounded;
  const int travel = std::max(0, g.troughHeight - 2 * KNOB_INSET - 2 * r);
  const int share = total > 0 ? total : 1;
  const int startIn = total > 0 ? windowStart : 0, endIn = total > 0 ? windowEnd : 1;
  const int knobTop = std::clamp(top + KNOB_INSET + MulDivInt(startIn, travel, share), top + KNOB_INSET,
                                 bottom - KNOB_INSET);
  const int knobBottom = std::clamp(top + KNOB_INSET + 2 * r + MulDivInt(endIn, travel, share), knobTop,
                                    bottom - KNOB_INSET);
  return AddButton(owner, left + KNOB_INSET, knobTop, right - KNOB_INSET, knobBottom,
                   reinterpret_cast<uintptr_t>(scrollPosition), IvInt(windowStart), IvInt(windowEnd), IvInt(total),
                   BUTTON_STYLE_SCROLL_KNOB, &TextColours.panelGrey, nullptr, nullptr);
}

int AddValueEditButton(Prss* owner, const char* label, float minimum, float maximum, float* variable,
                       ColourWord* colour, InterfaceHandler handler, ButtonStyle style, const char* hint) {
  const int width = std::max(1, LayoutColumns - 2) * ButtonWidth;
  const int left = RowCursorX, top = RowCursorY;
  const int index = AddRowAt(owner, width, reinterpret_cast<uintptr_t>(variable), IvFloat(minimum),
                             IvFloat(maximum), IvText(label), style, colour, handler, hint);
  // The knob: two buttons without owner, kept InterfaceScaleRounded from the ends.  Where it
  // would run through the row's label it stands only above and below the label's band, so
  // that it never reads as a stroke of a letter.
  const int r = InterfaceScaleRounded;
  const float range = maximum - minimum;
  const float share = range != 0.0f ? std::clamp((*variable - minimum) / range, 0.0f, 1.0f) : 0.0f;
  const int knobX = left + r + static_cast<int>(std::lround(share * static_cast<float>(width - 2 * r)));
  const int bottom = top + ButtonHeight;
  float textLeft, textTop, textRight, textBottom;
  if (index >= 0 && ButtonLabelBand(InterfaceButtons[index], &textLeft, &textTop, &textRight, &textBottom) &&
      static_cast<float>(knobX + r) > textLeft && static_cast<float>(knobX - r) < textRight) {
    // Its whole width in the light colour, so that the short pieces still catch the eye.
    const int above = static_cast<int>(std::floor(textTop)) - 1, below = static_cast<int>(std::ceil(textBottom)) + 1;
    if (above - top >= 2)
      AddButton(nullptr, knobX - r, top, knobX + r, above, 0, IvText(nullptr), IvInt(0), IvInt(0), BUTTON_STYLE_PLAIN,
                &TextColours.lightText, nullptr, nullptr);
    if (bottom - below >= 2)
      AddButton(nullptr, knobX - r, below, knobX + r, bottom, 0, IvText(nullptr), IvInt(0), IvInt(0),
                BUTTON_STYLE_PLAIN, &TextColours.lightText, nullptr, nullptr);
  } else {
    AddButton(nullptr, knobX - r, top, knobX + r, bottom, 0, IvText(nullptr), IvInt(0), IvInt(0), BUTTON_STYLE_PLAIN,
              &TextColours.panelGrey, nullptr, nullptr);
    AddButton(nullptr, knobX - 1, top + 1, knobX + 1, bottom - 1, 0, IvText(nullptr), IvInt(0), IvInt(0),
              BUTTON_STYLE_PLAIN, &TextColours.lightText, nullptr, nullptr);
  }
  const float step = FormatPrecision(label, ButtonStyleToValueType(style));
  // The "-" and "+" carry the row's label: their steps are named after it.
  AddRowAt(owner, ButtonWidth, reinterpret_cast<uintptr_t>(variable), IvFloat(step), IvFloat(minimum), IvText(label),
           BUTTON_STYLE_FLOAT_MINUS, colour, handler, hint);
  AddRowAt(owner, ButtonWidth, reinterpret_cast<uintptr_t>(variable), IvFloat(step), IvFloat(maximum), IvText(label),
           BUTTON_STYLE_FLOAT_PLUS, colour, handler, hint);
  return index;
}

int AddRowByteSlider(Prss* owner, int maximum, int height, ButtonStyle style, uint8_t* variable, ColourWord* colour,
                     InterfaceHandler handler, int troughWidth) {
  if (troughWidth <= 0) troughWidth = 2 * ButtonWidth;
  const int left = RowCursorX, top = RowCursorY;
  const int span = std::max(1, troughWidth - 2 * InterfaceScaleRounded);
  AddButton(owner, left, top, left + troughWidth, top + height, reinterpret_cast<uintptr_t>(variable), IvInt(0),
            IvInt(maximum), IvInt(span), style, colour, handler, nullptr);
  // The colour triple's slider shows the largest of the three colour bytes.
  int value = variable ? *variable : 0;
  if (style == BUTTON_STYLE_COLOUR_TRIPLE && variable) value = std::max({variable[0], variable[1], variable[2]});
  const int knobX = left + InterfaceScaleRounded + MulDivInt(std::min(value, maximum), span, std::max(1, maximum));
  AddButton(nullptr, knobX - 1, top, knobX + 1, top + height, 0, IvText(nullptr), IvInt(0), IvInt(0),
            BUTTON_STYLE_PLAIN, &TextColours.lightText, nullptr, nullptr);
  RowCursorX = left + troughWidth;
  const ButtonStyle down = style == BUTTON_STYLE_BYTE_SLIDER       ? BUTTON_STYLE_BYTE_STEP_MINUS
                           : style == BUTTON_STYLE_COLOUR_TRIPLE ? BUTTON_STYLE_GREY_MINUS
                                                                 : BUTTON_STYLE_COLOUR_MINUS;
  const ButtonStyle up = style == BUTTON_STYLE_BYTE_SLIDER       ? BUTTON_STYLE_BYTE_STEP_PLUS
                         : style == BUTTON_STYLE_COLOUR_TRIPLE ? BUTTON_STYLE_GREY_PLUS
                                                               : BUTTON_STYLE_COLOUR_PLUS;
  AddRowSized(owner, ButtonWidth, height, reinterpret_cast<uintptr_t>(variable), IvInt(0), IvInt(maximum), IvInt(0),
              down, colour, handler, nullptr);
  return AddRowSized(owner, ButtonWidth, height, reinterpret_cast<uintptr_t>(variable), IvInt(0), IvInt(maximum),
                     IvInt(0), up, colour, handler, nullptr);
}

int AddRowListButton(Prss* owner, int units, const char* text, uint32_t mask, uint32_t* flags, ColourWord* colour,
                     int invert, InterfaceHandler handler, const char* hint) {
  const int lit = ((flags && (*flags & mask)) ? 1 : 0) ^ (invert ? 1 : 0);
  return AddRowAt(owner, units * ButtonWidth, reinterpret_cast<uintptr_t>(flags), IvText(text),
                  IvInt(static_cast<intptr_t>(mask)), IvInt(lit), BUTTON_STYLE_NAMED_FLAG, colour, handler, hint);
}

int AddFlagToggle(Prss* owner, int units, const char* text, uint32_t mask, uint32_t* flags, ColourWord* colour,
                  int invert, InterfaceHandler handler, const char* hint) {
  const int lit = ((flags && (*flags & mask)) ? 1 : 0) ^ (invert ? 1 : 0);
  return AddLabelledToggle(owner, units, text, mask, flags, lit, colour, BUTTON_STYLE_FLAG32, handler, hint);
}

int AddByteFlagToggle(Prss* owner, int units, const char* text, uint8_t mask, uint8_t* flags, ColourWord* colour,
                      InterfaceHandler handler, const char* hint) {
  const int lit = (flags && (*flags & mask)) ? 1 : 0;
  return AddLabelledToggle(owner, units, text, mask, flags, lit, colour, BUTTON_STYLE_FLAG8, handler, hint);
}

int AddLabelledValueButton(Prss* owner, const char* label, ButtonStyle style, int withSteps, uintptr_t word,
                           ColourWord* colour, InterfaceValue text, InterfaceHandler handler, const char* hint) {
  int units = withSteps ? 6 : 8;
  if (label) {
    AddRowAt(owner, ButtonWidth, 0, IvText(label), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, colour, nullptr, hint);
    --units;
  }
  if (!withSteps) return AddRowAt(owner, units * ButtonWidth, 0, text, IvInt(0), IvInt(0), style, colour, nullptr, hint);
  AddRowAt(owner, units * ButtonWidth, word + 2, text, IvInt(0), IvInt(0), style, colour, handler, hint);
  return AddStepHintButtons(owner, word, word + 1, colour, handler, style);
}

int AddStepHintButtons(Prss* owner, uintptr_t wordMinus, uintptr_t wordPlus, ColourWord* colour,
                       InterfaceHandler handler, int kind) {
  AddRowAt(owner, ButtonWidth, wordMinus, IvText("-"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, colour, handler,
           StepHintText(kind, false));
  return AddRowAt(owner, ButtonWidth, wordPlus, IvText("+"), IvInt(0), IvInt(0), BUTTON_STYLE_TEXT, colour, handler,
                  StepHintText(kind, true));
}

int PointButtonTopLimit;

int AddColourPointButton(Prss* owner, int x, int y, uintptr_t word, int lit, const uint8_t* colourBytes,
                         InterfaceHandler handler) {
  const int half = CfgBlobSize;
  if (y - half < PointButtonTopLimit) return -1;
  const intptr_t packed =
      colourBytes ? (intptr_t{colourBytes[0]} << 16) | (intptr_t{colourBytes[1]} << 8) | colourBytes[2] : 0;
  return AddButton(owner, x - half, y - half, x + half, y + half, word, IvText(nullptr), IvInt(packed), IvInt(lit),
                   BUTTON_STYLE_COLOUR_SQUARE, &TextColours.grey, handler, nullptr);
}

int AddRowColourSwatch(Prss* owner, int units, uintptr_t word, ColourWord* colour, InterfaceHandler handler,
                       const char* hint) {
  if (!colour) return -1;
  return AddRowAt(owner, units * ButtonWidth, word, IvText(nullptr), IvFunction(handler), IvInt(0),
                  BUTTON_STYLE_SWATCH, colour, handler, hint);
}

int AddSmoothingGroupSpinner(Prss* owner, int32_t* variable) {
  return AddSpinnerRow(owner, "Smoothing group %d", variable ? *variable : 0, variable, 0, 16, BUTTON_STYLE_INT_MINUS,
                       BUTTON_STYLE_INT_PLUS, &TextColours.grey, nullptr, nullptr);
}

int AddRowColourButton(Prss* owner, const char* label, int minimum, int maximum, uint8_t* variable,
                       ColourWord* colour, InterfaceHandler handler, const char* hint) {
  return AddSpinnerRow(owner, label, variable ? *variable : 0, variable, minimum, maximum, BUTTON_STYLE_BYTE_MINUS,
                       BUTTON_STYLE_BYTE_PLUS, colour, handler, hint);
}

int AddDiscOffsetSpinner(Prss* owner, int8_t* variable) {
  return AddSpinnerRow(owner, "Offset %d mm", variable ? *variable : 0, variable, -60, 60,
                       BUTTON_STYLE_SIGNED_BYTE_MINUS, BUTTON_STYLE_SIGNED_BYTE_PLUS, &TextColours.grey, nullptr,
                       "Disc offset relative to wheel centre");
}

int AddLabelledFlag16(Prss* owner, const char* text, uint16_t mask, uint16_t* flags, const char* hint) {
  AddRowAt(owner, 10 * ButtonWidth, 0, IvText(text), IvInt(0), IvInt(0), BUTTON_STYLE_LABEL, &TextColours.grey, nullptr,
           hint);
  const int lit = (flags && (*flags & mask)) ? 1 : 0;
  return AddRowAt(owner, 2 * ButtonWidth, AddressWord(flags), IvText(text), IvInt(mask), IvInt(lit),
                  BUTTON_STYLE_FLAG16, &TextColours.grey, EditedMeshChangedHandler, hint);
}

int AddColourSliders(Prss* owner, uintptr_t word, ColourWord* colour, const char* label, InterfaceHandler handler,
                     int mode) {
  if (!colour) return -1;
  uint8_t* bytes = reinterpret_cast<uint8_t*>(colour);
  const int limit = mode == 2 ? 220 : 255;
  const int rowHeight = ButtonHeight * 3 / 4;
  const int left = RowCursorX, top = RowCursorY;
  // A channel's value takes a unit and a half, room for "255" at its own size, and its
  // trough half a unit less, so the group keeps its seven units (swatch 2, trough, arrows 2, value).
  const int numberWidth = ButtonWidth * 3 / 2, troughWidth = 5 * ButtonWidth - 2 * ButtonWidth - numberWidth;
  // The swatch with the label, over the three channel rows; Shift + right pastes into it.
  AddButton(owner, left, top, left + 2 * ButtonWidth, top + 3 * rowHeight, word, IvText(label), IvFunction(handler),
            IvInt(0), BUTTON_STYLE_SWATCH, colour, handler, nullptr);
  int last = -1;
  for (int channel = 0; channel < 3; ++channel) {
    RowCursorX = left + 2 * ButtonWidth;
    RowCursorY = top + channel * rowHeight;
    constexpr ButtonStyle CHANNEL_SLIDERS[3] = {BUTTON_STYLE_RED_SLIDER, BUTTON_STYLE_GREEN_SLIDER,
                                                BUTTON_STYLE_BLUE_SLIDER};
    AddRowByteSlider(owner, limit, rowHeight, CHANNEL_SLIDERS[channel], bytes + channel, &TextColours.grey, handler,
                     troughWidth);
    last = AddRowSized(owner, numberWidth, rowHeight, 0, IvInt(bytes[channel]), IvInt(0), IvInt(0),
                       BUTTON_STYLE_NUMBER, &TextColours.grey, nullptr, nullptr);
  }
  // The brightness of all three.
  RowCursorX = left + 2 * ButtonWidth;
  RowCursorY = top + 3 * rowHeight;
  AddRowByteSlider(owner, limit, rowHeight, BUTTON_STYLE_COLOUR_TRIPLE, bytes, &TextColours.grey, handler,
                   troughWidth);
  RowCursorX = left + 7 * ButtonWidth;
  RowCursorY = top;
  return last;
}
