// info_panel_layout.cpp - the panel's layout transform, its controls and its value rows.
#include "info_panel/info_panel_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/window_state.h"
#include "text/code_pages.h"
#include "ui/interface_config.h"
#include "ui/text_measure.h"

InfoPanelLayout InfoLayout;

namespace {

constexpr float MIN_SCALE = 0.5f;
constexpr float ROW_EDGE = 0.005f;       // arrows and bar keep this far inside the row
constexpr float ARROW_WIDTH = 0.06f;     // one step arrow
constexpr float LABEL_GAP = 0.3f;        // a one-set row: the label ends this far above y2
constexpr float PAIR_LABEL_GAP = 0.15f;  // a pair shown on two sets
constexpr float BAND_INSET = 0.03f;
constexpr float WORD_TOP = 65534.0f;
constexpr int BROWSE_CHARACTER = 0xB8;

// One line buffer per row of the frame: the label controls keep a pointer to it until drawn.
constexpr int ROW_LINES = 96, ROW_LINE_SIZE = 160;
char RowLines[ROW_LINES][ROW_LINE_SIZE];
int RowLinesUsed = 0;
char BrowseText[2] = {static_cast<char>(BROWSE_CHARACTER), 0};

char* NextRowLine() {
  char* line = RowLines[RowLinesUsed];
  RowLinesUsed = (RowLinesUsed + 1) % ROW_LINES;
  return line;
}

ColourWord* TextColour() { return &InterfaceColours.textSelected; }
ColourWord* ButtonColour() { return &InterfaceColours.textUnselected; }
ColourWord* DimmedColour() { return &InterfaceColours.textUnavailable; }
ColourWord* BarColour() { return &TextColours.panelGrey; }

// A row's label: one line high, just above its band (within the row's top y1), so that its
// text is as large as the panel's lines and no larger: a long label then fits its width.
float LabelTop(float y1, float labelBottom) { return std::max(y1, labelBottom - PANEL_TEXT_HEIGHT); }

// One arrow-bar-arrow set over the band from y1 to y2.
struct Band {
  float x1, x2, y1, y2;
};
// Whether a panel point at height y lies no lower than the layout's clip.
bool AboveClip(float y) { return InfoLayout.sy * y + InfoLayout.y0 <= InfoLayout.bottom; }

Band RowBand(float x, float y1, float y2) {
  return {x + ROW_EDGE, x + PANEL_ROW_WIDTH - ROW_EDGE, y1, y2};
}

// A set's bar takes the format it shows a value with (null for one side of a pair, whose
// line shows both); its arrows and bar are named after the row's label, so every edit through
// them names the row.
void AddByteSet(Prss* owner, uint8_t* value, float lo, float hi, int min, int max, const char* row,
                const char* format, InterfaceHandler callback, const Band& b) {
  NameValueControl(AddPanelValueControl(owner, value, IvText(format), IvInt(0), IvInt(min), VALUE_TYPE_BYTE_MINUS,
                                        ButtonColour(), callback, b.x1, b.y1, b.x1 + ARROW_WIDTH, b.y2),
                   row);
  float x1 = b.x1 + ARROW_WIDTH, y1 = b.y1, x2 = b.x2 - ARROW_WIDTH, y2 = b.y2;
  TransformPanelRect(x1, y1, x2, y2);
  NameValueControl(AddValueControl4(owner, value, lo, hi, format, min, max, callback, x1, y1, x2, y2), row);
  NameValueControl(AddPanelValueControl(owner, value, IvText(format), IvInt(0), IvInt(max), VALUE_TYPE_BYTE_PLUS,
                                        ButtonColour(), callback, b.x2 - ARROW_WIDTH, b.y1, b.x2, b.y2),
                   row);
}

void AddWordSet(Prss* owner, uint16_t* value, float lo, float hi, int scaled, const char* row, const char* format,
                InterfaceHandler callback, const Band& b) {
  // A scaled word steps through the mapped range; a plain one stops at the bounds.
  const intptr_t least = scaled ? 0 : static_cast<intptr_t>(std::lround(lo));
  const intptr_t most = scaled ? static_cast<intptr_t>(WORD_TOP) : static_cast<intptr_t>(std::lround(hi));
  NameValueControl(AddPanelValueControl(owner, value, IvText(format), IvInt(scaled), IvInt(least),
                                        VALUE_TYPE_WORD_MINUS,
                                        ButtonColour(), callback, b.x1, b.y1, b.x1 + ARROW_WIDTH, b.y2),
                   row);
  float x1 = b.x1 + ARROW_WIDTH, y1 = b.y1, x2 = b.x2 - ARROW_WIDTH, y2 = b.y2;
  TransformPanelRect(x1, y1, x2, y2);
  NameValueControl(AddValueSliderBar(owner, value, lo, hi, format, scaled, callback, x1, y1, x2, y2), row);
  NameValueControl(AddPanelValueControl(owner, value, IvText(format), IvInt(scaled), IvInt(most), VALUE_TYPE_WORD_PLUS,
                                        ButtonColour(), callback, b.x2 - ARROW_WIDTH, b.y1, b.x2, b.y2),
                   row);
}

}  // namespace

// ---- Layout transform ----

void SetInfoPanelLayout(float left, float right, float top, float widest) {
  float s = (right - left) / PANEL_WIDTH;
  if (s <= MIN_SCALE) {
    s = MIN_SCALE;
  } else if (ScreenHeight > 0) {
    const float most = static_cast<float>(ButtonHeight) / (static_cast<float>(ScreenHeight) / 2.0f) / PANEL_ROW_METRIC;
    if (s > most) s = std::max(most, MIN_SCALE);
  }
  InfoLayout.x0 = (left + right) / 2.0f - 0.15f * s;
  if (ScreenHeight > 0) {
    // A line's text: 0.85 of PANEL_TEXT_HEIGHT x s screen units, ScreenHeight / 2 pixels a unit.
    const float readable = LEAST_TEXT_PIXELS / (0.85f * PANEL_TEXT_HEIGHT * static_cast<float>(ScreenHeight) / 2.0f);
    const float room = (std::max(widest, right) - left) / PANEL_WIDTH;
    if (std::min(readable, room) > s) {
      s = std::min(readable, room);
      InfoLayout.x0 = left - PANEL_LEFT * s;  // widened to the right, its left edge kept
    }
  }
  InfoLayout.sx = InfoLayout.sy = s;
  // The panel's top edge (PANEL_TOP) lands on top.
  InfoLayout.y0 = top - PANEL_TOP * s;
}

void SetFullScreenInfoPanelLayout() {
  constexpr float s = FULL_SCREEN_PANEL_SCALE;
  InfoLayout.sx = InfoLayout.sy = s;
  InfoLayout.x0 = FULL_SCREEN_PANEL_RIGHT - (PANEL_LEFT + PANEL_WIDTH) * s;
  InfoLayout.y0 = PANEL_TOP * (1.0f - s);
}

void ClipInfoPanelBelow(float bottom) { InfoLayout.bottom = bottom; }

void ResetInfoPanelLayout() {
  InfoLayout = InfoPanelLayout{};
  CurrentCodePage = 0;
}

void TransformPanelRect(float& left, float& top, float& right, float& bottom) {
  left = InfoLayout.sx * left + InfoLayout.x0;
  right = InfoLayout.sx * right + InfoLayout.x0;
  top = InfoLayout.sy * top + InfoLayout.y0;
  bottom = InfoLayout.sy * bottom + InfoLayout.y0;
}

// ---- Controls ----

int AddPanelValueControl(Prss* owner, void* variable, InterfaceValue minimum, InterfaceValue maximum,
                         InterfaceValue label, DisplayType type, ColourWord* colour, InterfaceHandler callback,
                         float x1, float y1, float x2, float y2) {
  TransformPanelRect(x1, y1, x2, y2);
  if (std::max(y1, y2) > InfoLayout.bottom) return -1;
  return AddValueControl(owner, variable, minimum, maximum, label, type, colour, callback, x1, y1, x2, y2);
}

int AddPanelControl(Prss* owner, void* variable, InterfaceValue minimum, InterfaceValue maximum, InterfaceValue label,
                    DisplayType type, ColourWord* colour, InterfaceHandler callback, float x1, float y1, float x2,
                    float y2) {
  TransformPanelRect(x1, y1, x2, y2);
  if (std::max(y1, y2) > InfoLayout.bottom) return -1;
  const int index = AddValueControl(owner, variable, minimum, maximum, label, type, colour, callback, x1, y1, x2, y2);
  if (index >= 0) ValueControls[index].cleared = 0;
  return index;
}

int AddPanelTextLines(const char* text, ColourWord* colour, float x1, float x2, float y) {
  constexpr float LEAST_SQUEEZE = 0.8f;
  constexpr intptr_t LEFT_ALIGNED = 1;
  const float h = PANEL_TEXT_HEIGHT * InfoLayout.sy, size = 0.85f * h;
  const float room = (x2 - x1) * InfoLayout.sx - 2.0f * 0.15f * h;  // less the text's margins
  int lines = 0;
  const auto add = [&](const char* shown) {
    AddPanelValueControl(nullptr, nullptr, IvText(shown), IvInt(0), IvInt(LEFT_ALIGNED), VALUE_TYPE_LABEL, colour,
                         nullptr, x1, y + PANEL_LINE * static_cast<float>(lines), x2,
                         y + PANEL_LINE * static_cast<float>(lines) + PANEL_TEXT_HEIGHT);
    ++lines;
  };
  while (TextWidth(text, CurrentCodePage, size) * LEAST_SQUEEZE > room) {
    // The longest start that ends before a space and fits.
    char* line = NextRowLine();
    int cut = 0;
    for (int i = 1; text[i] && i < ROW_LINE_SIZE - 1; ++i) {
      if (text[i] != ' ') continue;
      std::memcpy(line, text, size_t(i));
      line[i] = 0;
      if (TextWidth(line, CurrentCodePage, size) > room) break;
      cut = i;
    }
    if (cut == 0) break;  // one word longer than the row: squeezed as it is
    std::memcpy(line, text, size_t(cut));
    line[cut] = 0;
    add(line);
    text += cut + 1;
  }
  add(text);
  return lines;
}

int AddPanelBrowseButton(Prss* owner, float x1, float y1, float x2, float y2, InterfaceHandler callback) {
  return AddPanelValueControl(owner, nullptr, IvText(BrowseText), IvInt(1), IvInt(0), VALUE_TYPE_TEXT, ButtonColour(),
                              callback, x1, y1, x2, y2);
}

// ---- Value rows ----

void BeginPanelRows() { RowLinesUsed = 0; }

float PanelByteShown(int b, float lo, float hi, int min, int max) {
  if (max <= min) return lo;
  return static_cast<float>(b - min) / static_cast<float>(max - min) * (hi - lo) + lo;
}

float PanelWordShown(int w, float lo, float hi, int scaled) {
  if (!scaled) return static_cast<float>(w);
  return static_cast<float>(w) * (hi - lo) / WORD_TOP + lo;
}

void AddPanelFloatRow(Prss* owner, const char* format, float x, float* value, float step, float min, float max,
                      InterfaceHandler callback, int precision, int withFormat, float y1, float y2) {
  const int kind = precision == 2 ? 1 : precision == 1 ? 2 : 0;  // stored, thousandths, degrees
  constexpr DisplayType SHOWN[3] = {VALUE_TYPE_HELD_FLOAT, VALUE_TYPE_HELD_THOUSANDTHS, VALUE_TYPE_HELD_DEGREES};
  constexpr DisplayType EDITED[3] = {VALUE_TYPE_FLOAT, VALUE_TYPE_THOUSANDTHS, VALUE_TYPE_ANGLE};
  // A row is shown whole or not at all.
  if (!AboveClip(max > min ? y2 - BAND_INSET : y2 - LABEL_GAP)) return;
  AddPanelValueControl(nullptr, HeldFloat(*value), IvText(format), IvInt(0), IvInt(0), SHOWN[kind], TextColour(),
                       nullptr, x, LabelTop(y1, y2 - LABEL_GAP), x + PANEL_ROW_WIDTH, y2 - LABEL_GAP);
  // The bar maps the span: a row without one shows its value alone.
  if (!(max > min)) return;
  const Band b = RowBand(x, y2 - LABEL_GAP + BAND_INSET, y2 - BAND_INSET);
  // The arrows carry the format as their name: their steps are named after the row.
  const InterfaceValue arrowText = IvText(withFormat ? format : nullptr);
  NameValueControl(AddPanelValueControl(owner, value, arrowText, IvFloat(step), IvFloat(min), VALUE_TYPE_FLOAT_MINUS,
                                        ButtonColour(), callback, b.x1, b.y1, b.x1 + ARROW_WIDTH, b.y2),
                   arrowText.text);
  AddPanelValueControl(owner, value, IvFloat(min), IvFloat(max), IvText(format), EDITED[kind], BarColour(), callback,
                       b.x1 + ARROW_WIDTH, b.y1, b.x2 - ARROW_WIDTH, b.y2);
  NameValueControl(AddPanelValueControl(owner, value, arrowText, IvFloat(step), IvFloat(max), VALUE_TYPE_FLOAT_PLUS,
                                        ButtonColour(), callback, b.x2 - ARROW_WIDTH, b.y1, b.x2, b.y2),
                   arrowText.text);
}

void AddPanelWordRow(Prss* owner, const char* format, float x, uint16_t* left, uint16_t* right, float lo, float hi,
                     InterfaceHandler callback, int scaled, int mode, float y1, float y2) {
  const bool twoSets = right && mode != 0;
  const float h = twoSets ? PAIR_LABEL_GAP : LABEL_GAP;
  if (!AboveClip(!(hi > lo) ? y2 - h : y2 - BAND_INSET + (twoSets ? PANEL_PAIR_EXTRA : 0.0f))) return;
  char* line = NextRowLine();
  const float l = PanelWordShown(*left, lo, hi, scaled);
  if (right) std::snprintf(line, ROW_LINE_SIZE, format, l, PanelWordShown(*right, lo, hi, scaled));
  else std::snprintf(line, ROW_LINE_SIZE, format, l);
  AddPanelValueControl(nullptr, nullptr, IvText(line), IvInt(0), IvInt(0), VALUE_TYPE_LABEL, TextColour(), nullptr, x,
                       LabelTop(y1, y2 - h), x + PANEL_ROW_WIDTH, y2 - h);
  if (!(hi > lo)) return;
  const Band b = RowBand(x, y2 - h + BAND_INSET, y2 - BAND_INSET);
  AddWordSet(owner, left, lo, hi, scaled, format, twoSets ? nullptr : format, callback, b);
  if (twoSets)
    AddWordSet(owner, right, lo, hi, scaled, format, nullptr, callback,
               {b.x1, b.x2, b.y1 + PANEL_PAIR_EXTRA, b.y2 + PANEL_PAIR_EXTRA});
}

void AddPanelByteRow(Prss* owner, const char* format, float x, uint8_t* left, uint8_t* right, float lo, float hi,
                     int min, int max, InterfaceHandler callback, int mode, float y1, float y2) {
  const bool twoSets = right && mode != 0 && mode != 2;
  const float h = twoSets ? PAIR_LABEL_GAP : LABEL_GAP;
  if (!AboveClip(max <= min ? y2 - h : y2 - BAND_INSET + (twoSets ? PANEL_PAIR_EXTRA : 0.0f))) return;
  char* line = NextRowLine();
  const float l = PanelByteShown(*left, lo, hi, min, max);
  if (right) std::snprintf(line, ROW_LINE_SIZE, format, l, PanelByteShown(*right, lo, hi, min, max));
  else std::snprintf(line, ROW_LINE_SIZE, format, l);
  AddPanelValueControl(nullptr, nullptr, IvText(line), IvInt(0), IvInt(0), VALUE_TYPE_LABEL,
                       mode == 2 ? DimmedColour() : TextColour(), nullptr, x, LabelTop(y1, y2 - h),
                       x + PANEL_ROW_WIDTH, y2 - h);
  if (max <= min) return;
  const Band b = RowBand(x, y2 - h + BAND_INSET, y2 - BAND_INSET);
  AddByteSet(owner, left, lo, hi, min, max, format, twoSets ? nullptr : format, callback, b);
  if (twoSets)
    AddByteSet(owner, right, lo, hi, min, max, format, nullptr, callback,
               {b.x1, b.x2, b.y1 + PANEL_PAIR_EXTRA, b.y2 + PANEL_PAIR_EXTRA});
}
