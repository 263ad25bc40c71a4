// interface_draw.cpp - the per-frame drawing of the interface: value-control panels through
// the 2D list, message lines, pixel buttons and screen labels through the 2D stream.
#include "ui/interface_draw.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "core/process.h"
#include "core/window_state.h"
#include "platform/clock.h"
#include "render/buffers.h"
#include "render/draw2d.h"
#include "render/frame.h"
#include "render/immediate.h"
#include "render/material.h"
#include "render/screenshot.h"
#include "render/system_textures.h"
#include "render/texture_record.h"
#include "render/texture_table.h"
#include "render/vr.h"
#include "text/code_pages.h"
#include "text/messages.h"
#include "ui/bevel_box.h"
#include "ui/character_set.h"
#include "ui/contrast.h"
#include "ui/dialogs.h"
#include "ui/draw_record.h"
#include "ui/glyph_cache.h"
#include "ui/interface_config.h"
#include "ui/interface_local.h"
#include "ui/onscreen_keyboard.h"
#include "ui/screen_labels.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"
#include "ui/text_readouts.h"
#include "ui/value_steps.h"

int PanelTextureState = PANEL_STATE_NONE;
int DialogFirstControl = -1;

namespace {

constexpr float CUT_LOW = 0.49f, CUT_HIGH = 0.51f;  // the nine-slice cuts of the panel textures
constexpr float SMALL_PANEL = 0.099f;
constexpr int PRESSED_DARKER = 24;
constexpr float THUMB_HALF_WIDTH = 0.005f, THUMB_INSET = 0.01f;
constexpr uint32_t OPAQUE = 0xFF000000u;
constexpr uint32_t HALF_ALPHA = 0x80000000u;
constexpr uint32_t SELECTION_COLOUR = 0x803070C0u;
constexpr uint32_t COMPOSITION_MARKER_COLOUR = 0xFFFFFF00u;


// The selection highlights and composition markers the text drawing asked for while the
// controls were added; drawn over the panels, under the texts.
struct Highlight {
  uint32_t colour;
  float x0, y0, x1, y1;
};
std::vector<Highlight> g_highlights;

// Set while the screen's own controls under an open dialog are drawn over the layout check's
// backdrop (DialogBackdrop): they are recorded as ever, but leave no pixels.
bool g_underDialog = false;
bool UnderDialog(int control) { return DialogBackdrop != 0 && control >= 0 && control < DialogFirstControl; }

void QueueSelection(float x0, float y0, float x1, float y1) {
  g_highlights.push_back({SELECTION_COLOUR, std::min(x0, x1), y0, std::max(x0, x1), y1});
}
void QueueCompositionMarker(float x, float y, float height) {
  const float w = 0.003f;
  g_highlights.push_back({COMPOSITION_MARKER_COLOUR, x, y, x + w, y + height});
}

uint32_t ToVertex(ColourWord c, uint32_t alpha) {
  return alpha | ColourRed(c) << 16 | ColourGreen(c) << 8 | ColourBlue(c);
}

ColourWord Darker(ColourWord c, bool pressed) {
  if (!pressed) return c;
  ColourWord out = 0;
  for (int shift = 0; shift < 24; shift += 8)
    out |= static_cast<ColourWord>(std::max(0, static_cast<int>((c >> shift) & 0xFF) - PRESSED_DARKER)) << shift;
  return out;
}

}  // namespace

const Material* PanelStateMaterial(int state) {
  const SystemMaterialSet& m = SystemMaterials;
  const Material* material = state == PANEL_STATE_LARGE   ? m.largePanel
                             : state == PANEL_STATE_SMALL ? m.smallPanel
                             : state == PANEL_STATE_ICONS ? m.iconSheet
                                                          : nullptr;
  // A panel texture that is missing (its placeholder is grey and see-through) or not loaded
  // would hide the panels' colours: they go plain instead.  A picture not read yet is read now.
  if (material) TextureForUse(material->texture);
  if (!material || !material->texture || !material->texture->view || material->texture->state != TEXTURE_OWNED)
    return GetDefaultMaterial();
  return material;
}

namespace {

void UseState(int state) {
  Draw2D& list = Draw2DList;
  if (PanelTextureState == state && list.counters.batchOpen) return;
  if (list.counters.batchOpen) list.EndBatch();
  list.StartBatch(PanelStateMaterial(state));
  PanelTextureState = state;
}

// After each routine: a batch of 5120 triangles or more is closed.
void CheckBatchLength() {
  const Draw2DCounters& c = Draw2DList.counters;
  if (c.batchOpen && c.triangleCount - c.batchTriangleStart >= PANEL_BATCH_TRIANGLES) FlushInterfaceBatch();
}

void Quad(uint32_t colour, float x1, float y1, float x2, float y2, float u1, float v1, float u2, float v2) {
  if (x2 <= x1 || y2 <= y1 || g_underDialog) return;
  Draw2D& list = Draw2DList;
  const int a = list.AddVertex(colour, x1, y1, u1, v1), b = list.AddVertex(colour, x2, y1, u2, v1),
            c = list.AddVertex(colour, x2, y2, u2, v2), d = list.AddVertex(colour, x1, y2, u1, v2);
  if (a >= 0 && b >= 0 && c >= 0 && d >= 0) list.AddQuad(a, b, c, d);
}

// The nine-slice panel in a ready vertex colour.
void NineSlice(uint32_t colour, float x1, float y1, float x2, float y2, bool opaqueStyle) {
  RecordFillUnits(colour, x1, y1, x2, y2);
  const float w = x2 - x1, h = y2 - y1;
  const bool small = w < SMALL_PANEL || h < SMALL_PANEL;
  const float corner = small ? 0.008f : 0.012f;
  const float ch = corner * Projection.aspect, cv = corner;
  const float hTest = h - 0.001f;
  const bool tooLow = 2.0f * cv > hTest, tooNarrow = 2.0f * ch > w - 0.001f;
  if (tooLow && tooNarrow) {
    UseState(PANEL_STATE_SMALL);
    Quad(opaqueStyle ? colour : colour, x1, y1, x2, y2, 0.0f, 0.0f, 1.0f, 1.0f);
    return;
  }
  UseState(small ? PANEL_STATE_SMALL : PANEL_STATE_LARGE);
  if (tooLow) {
    Quad(colour, x1, y1, x1 + ch, y2, 0.0f, 0.0f, CUT_LOW, 1.0f);
    Quad(colour, x1 + ch, y1, x2 - ch, y2, CUT_LOW, 0.0f, CUT_HIGH, 1.0f);
    Quad(colour, x2 - ch, y1, x2, y2, CUT_HIGH, 0.0f, 1.0f, 1.0f);
    return;
  }
  if (tooNarrow) {
    Quad(colour, x1, y1, x2, y1 + cv, 0.0f, 0.0f, 1.0f, CUT_LOW);
    Quad(colour, x1, y1 + cv, x2, y2 - cv, 0.0f, CUT_LOW, 1.0f, CUT_HIGH);
    Quad(colour, x1, y2 - cv, x2, y2, 0.0f, CUT_HIGH, 1.0f, 1.0f);
    return;
  }
  // A side on the screen's edge meets it square (not in VR, where the screen has no edge).
  const float left = !VrEnabled && x1 == -1.0f ? 0.0f : ch, right = !VrEnabled && x2 == 1.0f ? 0.0f : ch;
  const float top = !VrEnabled && y1 == -1.0f ? 0.0f : cv, bottom = !VrEnabled && y2 == 1.0f ? 0.0f : cv;
  const float xs[4] = {x1, x1 + left, x2 - right, x2}, ys[4] = {y1, y1 + top, y2 - bottom, y2};
  const float us[4] = {0.0f, CUT_LOW, CUT_HIGH, 1.0f};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col)
      Quad(colour, xs[col], ys[row], xs[col + 1], ys[row + 1], us[col], us[row], us[col + 1], us[row + 1]);
}

uint32_t PanelAlpha(int style, bool big) {
  if (style >= 2) return OPAQUE;
  return big ? BigAlphaWord : ButtonAlphaWord;
}

void Thumb(const ValueControl& c, float value, float minimum, float maximum, bool pressed) {
  const float range = maximum - minimum;
  float p = c.left + (range != 0.0f ? (c.right - c.left) * (value - minimum) / range : 0.0f);
  p = std::clamp(p, c.left + THUMB_INSET, std::max(c.left + THUMB_INSET, c.right - THUMB_INSET));
  DrawRecordCurrentTag.inner = 1;  // the thumb is a part inside its control
  const float x1 = p - THUMB_HALF_WIDTH, x2 = p + THUMB_HALF_WIDTH;
  const float top = c.top + THUMB_HALF_WIDTH, bottom = c.bottom - THUMB_HALF_WIDTH;
  // Where it would run through the label laid over the slider it stands only above and below
  // the label's band, so that it never reads as a stroke of a letter.
  float labelLeft = 0.0f, labelTop = 0.0f, labelRight = 0.0f, labelBottom = 0.0f;
  bool crosses = false;
  for (int i = 0; i < ValueControlCount && !crosses; ++i) {
    const ValueControl& l = ValueControls[i];
    crosses = &l != &c && l.left < c.right && l.right > c.left && l.top < c.bottom && l.bottom > c.top &&
              ControlLabelBand(l, &labelLeft, &labelTop, &labelRight, &labelBottom) && x2 > labelLeft &&
              x1 < labelRight && labelBottom > top && labelTop < bottom;
  }
  if (crosses) {
    const float gap = ScreenHeight > 0 ? 2.0f / static_cast<float>(ScreenHeight) : 0.0f;  // a pixel
    if (labelTop - gap - top >= 2.0f * gap)
      DrawButtonPanel(&InterfaceColours.bigText, pressed, x2, labelTop - gap, 2, false, x1, top);
    if (bottom - labelBottom - gap >= 2.0f * gap)
      DrawButtonPanel(&InterfaceColours.bigText, pressed, x2, bottom, 2, false, x1, labelBottom + gap);
  } else {
    DrawButtonPanel(&InterfaceColours.bigText, pressed, x2, bottom, 2, false, x1, top);
  }
  DrawRecordCurrentTag.inner = 0;
}

uint32_t g_scene;  // PlainScreenColour() of the panel pass

// The vertex colour of a control's panel under its text: the panel's colour at its alpha; more
// opaque where the text would not stand out from it over a black and a white scene; black or
// white (at the alpha that does) where even the opaque colour would not do.  Opaque panels
// are faces: they keep their colour.
uint32_t TextPanelColour(const ValueControl& c, ColourWord colour, uint32_t alphaWord) {
  const uint32_t vertex = ToVertex(colour, alphaWord);
  const uint32_t ink = ValueControlInk(c);
  if (!ink || alphaWord == OPAQUE) return vertex;
  return BackingToStandOut(ink, nullptr, 0, vertex, g_scene);
}

void TextPanel(const ValueControl& c, const ColourWord* colour, uint32_t alphaWord, bool pressed) {
  const ColourWord base = colour ? *colour : TextColours.panelGrey;
  DrawPanelInColour(TextPanelColour(c, Darker(base, pressed), alphaWord), c.left, c.top, c.right, c.bottom);
}

void PanelInColour(const ColourWord* colour, uint32_t alpha, bool pressed, const ValueControl& c) {
  TextPanel(c, colour, alpha, pressed);
}

// Fills drawn next belong to the control: its panel, thumb or stripes.
void TagControl(int index) {
  const ValueControl& c = ValueControls[index];
  char label[160] = "";
  if (DrawRecording && !ValueControlText(c, label, sizeof label)) label[0] = 0;
  TagRecordForControl(index, c.owner != nullptr, c.left, c.top, c.right, c.bottom, label);
}

// The stripes of the character bits and the plain fills of the text lines and colour quads.
void DrawPlainFills(int first) {
  for (int i = first; i < ValueControlCount; ++i) {
    const ValueControl& c = ValueControls[i];
    TagControl(i);
    g_underDialog = UnderDialog(i);
    switch (c.displayType) {
      case VALUE_TYPE_TEXT_LINE:
        if (c.label.i <= -3) DrawInterfaceQuad(CodeColour(static_cast<int>(c.label.i)), c.left, c.top, c.right, c.bottom);
        break;
      case VALUE_TYPE_COLOUR_QUAD:
        if (c.colour) DrawInterfaceQuad(*c.colour, c.left, c.top, c.right, c.bottom);
        break;
      case VALUE_TYPE_CHARACTER_BITS: {
        const int n = std::clamp(static_cast<int>(c.maximum.i), 1, 64);
        const int code = static_cast<int>(c.label.i);
        const float w = (c.right - c.left) / static_cast<float>(n);
        for (int k = 0; k < n; ++k) {
          const int stripeCode = k % 2 == 0 ? code ^ 1 : code;
          DrawInterfaceQuad(CodeColour(stripeCode), c.left + w * static_cast<float>(k), c.top,
                            c.left + w * static_cast<float>(k + 1), c.bottom);
        }
        break;
      }
      default:
        break;
    }
  }
  g_underDialog = false;
}

void DrawControlPanel(const ValueControl& c) {
  const int type = c.displayType;
  const bool pressed = IsControlPressed(c);
  const bool big = c.colour == &InterfaceColours.bigText;
  const ColourWord* panel = big ? &InterfaceColours.bigCol : &InterfaceColours.buttonCol;
  const uint32_t panelAlpha = big ? BigAlphaWord : ButtonAlphaWord;
  const uint8_t labelBits = static_cast<uint8_t>(c.label.i & 0xFF);
  switch (type) {
    case VALUE_TYPE_TEXT: case VALUE_TYPE_LARGE_TEXT: case VALUE_TYPE_BUTTON: case VALUE_TYPE_NARROW_TEXT:
    case VALUE_TYPE_TEXT_BLOCK: case VALUE_TYPE_EDIT_TEXT: case VALUE_TYPE_EDIT_PASSWORD:
    case VALUE_TYPE_EDIT_SINGLE_BYTE: case VALUE_TYPE_TEXT_LIST: case VALUE_TYPE_YES_NO: case VALUE_TYPE_TEXT_SLOT:
    case VALUE_TYPE_HELP: case VALUE_TYPE_TYPED_FLOAT: case VALUE_TYPE_PRESS_CALLBACK: case VALUE_TYPE_BYTE_PLUS:
    case VALUE_TYPE_BYTE_MINUS: case VALUE_TYPE_WORD_PLUS: case VALUE_TYPE_WORD_MINUS: case VALUE_TYPE_FLOAT_PLUS:
    case VALUE_TYPE_FLOAT_MINUS: case VALUE_TYPE_SCROLL_UP: case VALUE_TYPE_SCROLL_DOWN: case VALUE_TYPE_INT_VALUE:
    case VALUE_TYPE_FLOAT_VALUE: case VALUE_TYPE_SEGMENT_BAR:
      TextPanel(c, panel, panelAlpha, pressed);
      return;
    case VALUE_TYPE_PRESS_ONLY:
      if (c.maximum.i != 1) TextPanel(c, panel, panelAlpha, pressed);
      return;
    case VALUE_TYPE_HINT: {
      // A hint line with nothing to say is no empty bar over what lies under it.
      char hint[8];
      if (ValueControlText(c, hint, sizeof hint) && hint[0]) TextPanel(c, panel, panelAlpha, pressed);
      return;
    }
    case VALUE_TYPE_GLYPH:
    case VALUE_TYPE_COLOUR_SWATCH: {
      const ColourWord colour = ColourSwatchFace(c);
      DrawButtonPanel(&colour, pressed, c.right, c.bottom, 2, false, c.left, c.top);
      return;
    }
    case VALUE_TYPE_DARK_TEXT:
      DrawButtonPanel(c.colour, pressed, c.right, c.bottom, 2, false, c.left, c.top);
      return;
    case VALUE_TYPE_BIG_PANEL: TextPanel(c, &InterfaceColours.bigCol, BigAlphaWord, pressed); return;
    case VALUE_TYPE_FADE_TEXT:
      FadePanel(TextPanelColour(c, Darker(InterfaceColours.bigCol, pressed), BigAlphaWord), c.left, c.top, c.right,
                c.bottom);
      return;
    case VALUE_TYPE_TITLE: DrawTitleTab(c); return;
    case VALUE_TYPE_LABEL: case VALUE_TYPE_HELD_FLOAT: case VALUE_TYPE_HELD_THOUSANDTHS: case VALUE_TYPE_HELD_DEGREES:
    case VALUE_TYPE_HELD_INT: case VALUE_TYPE_HELD_CODED_NUMBER:
      if (c.left != c.right && !(labelBits & 4) && FrameClear.mode != 0 && FrameClear.mode != 1)
        TextPanel(c, &InterfaceColours.bigCol, BigAlphaWord, pressed);
      return;
    case VALUE_TYPE_ITEM: case VALUE_TYPE_ITEM_B: case VALUE_TYPE_ITEM_C:
      if (c.label.i == 1) TextPanel(c, &InterfaceColours.buttonCol, ButtonAlphaWord, pressed);
      else if (c.label.i != 0) TextPanel(c, &InterfaceColours.bigCol, BigAlphaWord, pressed);
      return;
    case VALUE_TYPE_FLOAT: case VALUE_TYPE_THOUSANDTHS: case VALUE_TYPE_ANGLE: case VALUE_TYPE_RATE:
    case VALUE_TYPE_EXPLICIT_STEP:
      DrawButtonPanel(panel, pressed, c.right, c.bottom, 0, big, c.left, c.top);
      if (c.variable) Thumb(c, *static_cast<const float*>(c.variable), c.minimum.f, c.maximum.f, pressed);
      return;
    case VALUE_TYPE_COLOUR_BYTE:
      PanelInColour(c.colour, HALF_ALPHA, pressed, c);
      if (c.variable)
        Thumb(c, *static_cast<const uint8_t*>(c.variable), static_cast<float>(c.minimum.i),
              static_cast<float>(c.maximum.i), pressed);
      return;
    case VALUE_TYPE_COLOUR_TRIPLE:
      PanelInColour(c.colour, HALF_ALPHA, pressed, c);
      if (c.variable) {
        const uint8_t* b = static_cast<const uint8_t*>(c.variable);
        Thumb(c, std::max({b[0], b[1], b[2]}), static_cast<float>(c.minimum.i), static_cast<float>(c.maximum.i),
              pressed);
      }
      return;
    case VALUE_TYPE_MAPPED_BYTE:
      DrawButtonPanel(panel, pressed, c.right, c.bottom, 0, big, c.left, c.top);
      if (c.variable) Thumb(c, *static_cast<const uint8_t*>(c.variable), c.byteMinimum, c.byteMaximum, pressed);
      return;
    case VALUE_TYPE_WORD:
      DrawButtonPanel(panel, pressed, c.right, c.bottom, 0, big, c.left, c.top);
      if (c.variable) {
        const float lo = c.subType ? 0.0f : std::round(c.minimum.f), hi = c.subType ? 65534.0f : std::round(c.maximum.f);
        Thumb(c, *static_cast<const uint16_t*>(c.variable), lo, hi, pressed);
      }
      return;
    case VALUE_TYPE_SCROLL: {
      DrawButtonPanel(panel, pressed, c.right, c.bottom, 0, big, c.left, c.top);
      const float total = static_cast<float>(std::max<intptr_t>(1, c.label.i));
      const float h = c.bottom - c.top, mid = 0.5f * (c.left + c.right);
      const float y1 = std::clamp(c.top + h * static_cast<float>(c.minimum.i) / total, c.top + 0.005f, c.bottom - 0.005f);
      const float y2 = std::clamp(c.top + h * static_cast<float>(c.maximum.i) / total, y1, c.bottom - 0.005f);
      DrawButtonPanel(&InterfaceColours.textUnselected, pressed, mid + 0.005f, y2, 2, false, mid - 0.005f, y1);
      return;
    }
    case VALUE_TYPE_SELECTABLE: PanelInColour(c.colour, HALF_ALPHA, pressed, c); return;
    case VALUE_TYPE_CHARACTER_CELL:
      if ((c.label.i & 0x20) || (c.label.i == 0 && c.minimum.i == 544))
        TextPanel(c, &InterfaceColours.bigCol, BigAlphaWord, pressed);
      else
        TextPanel(c, &InterfaceColours.buttonCol, ButtonAlphaWord, pressed);
      return;
    case VALUE_TYPE_ICON: DrawInterfaceIcon(c); return;
    default: return;
  }
}

void DrawHighlights() {
  TagRecordFor(RECORD_TEXT, RECORD_FILL);
  for (const Highlight& h : g_highlights) DrawInterfaceQuad(h.colour, h.x0, h.y0, h.x1, h.y1);
  g_highlights.clear();
  FlushInterfaceBatch();
}

// ---- Buttons ----

constexpr int BUTTON_TEXT_LINE_MAX = 15;
constexpr size_t MARK_MOST = 2;  // characters of a coloured mark that a cut label keeps
constexpr int BUTTON_LABEL_SIZE = 160;

bool AlwaysUnlit(int style) {
  return (style >= BUTTON_STYLE_FLOAT && style <= BUTTON_STYLE_SCROLL_KNOB) ||
         (style >= BUTTON_STYLE_FLOAT_PLUS && style <= BUTTON_STYLE_ANGLE_PLUS) ||
         (style >= BUTTON_STYLE_INT_PLUS && style <= BUTTON_STYLE_INTEGER_DISPLAY);
}

uint32_t TextOver(ColourWord face) { return ToVertex(TextColourOver(face), OPAQUE); }

// Where a label's closing mark in a colour of its own begins ("^1*" of "Runabout^1*"): its
// caret code and at most MARK_MOST characters after it.  npos for a label without one.
size_t MarkStart(const std::string& label) {
  const size_t code = label.rfind('^');
  if (code != std::string::npos && code + 2 < label.size() && label[code + 1] >= '0' && label[code + 1] <= '7' &&
      label.size() - code <= 2 + MARK_MOST)
    return code;
  return std::string::npos;
}

// Pixel text goes into the small batch, without the screen's horizontal scale.  A closing
// mark is drawn a pixel heavier, so that its one or two characters tell as much as the
// label's letters (the unsaved "*" has strokes of a single pixel at the smaller text sizes).
void ButtonText(const char* text, uint32_t colour, float x, float y, float size, float squeeze = 1.0f) {
  TextBatch* saved = CurrentTextBatch;
  const float savedScale = TextHorizontalScale;
  CurrentTextBatch = &SmallTextBatch;
  TextHorizontalScale = squeeze;
  const size_t mark = MarkStart(text);
  if (mark != std::string::npos) {
    TextHeavyFrom = static_cast<int>(mark);
    TextHeavyWeight = 1.0f;
  }
  DrawText(text, colour, x, y, size, CurrentCodePage);
  TextHeavyFrom = -1;
  TextHorizontalScale = savedScale;
  CurrentTextBatch = saved;
}

float PixelWidth(const char* text, float size) {
  const float savedScale = TextHorizontalScale;
  TextHorizontalScale = 1.0f;
  const float w = TextWidth(text, CurrentCodePage, size);
  TextHorizontalScale = savedScale;
  return w;
}

// Where the label may cut a text: after a whole character (a double-byte character's two
// bytes, a colour code's caret and letter stay together).
int NextCut(const char* text, int at) {
  const uint8_t byte = static_cast<uint8_t>(text[at]);
  if (byte == '^' && text[at + 1]) return at + 2;
  if (IsLeadByte(CurrentCodePage, byte) && text[at + 1]) return at + 2;
  return at + 1;
}

}  // namespace

void FitButtonLabel(const char* text, float room, float* size, char* out, int outSize, float* squeeze) {
  constexpr float LEAST_LABEL_SQUEEZE = 0.8f;
  std::snprintf(out, static_cast<size_t>(outSize), "%s", text ? text : "");
  if (squeeze) *squeeze = 1.0f;
  if (PixelWidth(out, *size) <= room) return;
  // The interface's text sizes step by two pixels down to the least text size (unless the
  // label's own is under it), which is the last step.
  const float least = std::min(*size, LEAST_TEXT_PIXELS);
  float fitting = *size;
  for (float s = *size - 2.0f; fitting > least; s -= 2.0f) {
    fitting = std::max(s, least);  // the last step: the least size itself
    if (PixelWidth(out, fitting) <= room) {
      *size = fitting;
      return;
    }
  }
  *size = fitting;
  const float smallest = PixelWidth(out, fitting);
  if (squeeze && smallest * LEAST_LABEL_SQUEEZE <= room) {
    *squeeze = room / smallest;
    return;
  }
  // Still too wide: as much of the text as fits, then "...", then a mark that ends it in a
  // colour of its own (the unsaved mark "^1*"), which tells more than the letters cut for it.
  std::string whole = out, mark;
  const size_t code = MarkStart(whole);
  if (code != std::string::npos) {
    mark = whole.substr(code);
    whole.resize(code);
  }
  int keep = 0;
  for (int at = 0; at < static_cast<int>(whole.size());) {
    const int next = NextCut(whole.c_str(), at);
    if (PixelWidth((whole.substr(0, size_t(next)) + "..." + mark).c_str(), fitting) > room) break;
    keep = at = next;
  }
  while (keep > 0 && whole[size_t(keep) - 1] == ' ') --keep;  // "mono..." rather than "mono ..."
  std::snprintf(out, static_cast<size_t>(outSize), "%s...%s", whole.substr(0, size_t(keep)).c_str(), mark.c_str());
  if (PixelWidth(out, fitting) > room) out[0] = 0;  // not even the full stops fit
}

namespace {

// The text size of a button's label: scaled down in proportion when the button is shorter
// than a row.
float ButtonLabelSize(const InterfaceButton& b) {
  if (b.style == BUTTON_STYLE_HALO_TEXT) return HaloLabelTextSize();
  float size = static_cast<float>(TextSize);
  const float height = static_cast<float>(b.bottom - b.top);
  if (height < static_cast<float>(ButtonHeight)) size *= height / static_cast<float>(ButtonHeight);
  return size;
}

}  // namespace

bool ButtonLabelFitsWhole(const char* text, int width, int height) {
  InterfaceButton b{};
  b.right = width, b.bottom = height;
  float size = ButtonLabelSize(b);
  char shown[BUTTON_LABEL_SIZE];
  FitButtonLabel(text, static_cast<float>(width) - 2.0f * static_cast<float>(InterfaceScaleRounded), &size, shown,
                 sizeof shown);
  return std::strcmp(shown, text) == 0;
}

namespace {

// Whether a style's label is glyph codes rather than text: the symbol button and the arrows.
bool ShowsGlyphCodes(int style) {
  return style == BUTTON_STYLE_SYMBOL || (style >= BUTTON_STYLE_BYTE_STEP_PLUS && style <= BUTTON_STYLE_FLOAT_MINUS);
}

// Glyph codes centred on the button, each the character set's own glyph whatever the code
// page (a code page reads the symbols' bytes as letters, or as lead bytes).
void DrawButtonGlyphCodes(const InterfaceButton& b, const char* codes, uint32_t colour) {
  const float inset = static_cast<float>(InterfaceScaleRounded);
  const float size = ButtonLabelSize(b);
  const float x = std::max(0.5f * static_cast<float>(b.left + b.right) - 0.5f * RawCodesWidth(codes, size),
                           b.left + inset);
  TextBatch* saved = CurrentTextBatch;
  CurrentTextBatch = &SmallTextBatch;
  const size_t first = SmallTextBatch.items.size();
  DrawRawCodes(codes, x, 0.5f * static_cast<float>(b.top + b.bottom) - 0.5f * size, size, colour);
  RecordQueuedText(SmallTextBatch, first, codes, colour);
  CurrentTextBatch = saved;
}

// Where an aligned label goes: its fitted text, size, left x and top y.
struct PlacedLabel {
  char text[BUTTON_LABEL_SIZE];
  float size, x, y, width;
};
PlacedLabel PlaceButtonLabel(const InterfaceButton& b, const char* text, int align) {
  const float inset = static_cast<float>(InterfaceScaleRounded);
  PlacedLabel p{};
  p.size = ButtonLabelSize(b);
  FitButtonLabel(text, static_cast<float>(b.right - b.left) - 2.0f * inset, &p.size, p.text, sizeof p.text);
  p.width = PixelWidth(p.text, p.size);
  if (align == 1) p.x = b.left + inset;
  else if (align == 2) p.x = b.right - inset - p.width;
  else p.x = 0.5f * static_cast<float>(b.left + b.right) - 0.5f * p.width;
  p.x = std::max(p.x, b.left + inset);  // centred text that does not fit starts at the left inset
  p.y = 0.5f * static_cast<float>(b.top + b.bottom) - 0.5f * p.size;
  return p;
}

int LabelAlignment(int style) {
  if (style == BUTTON_STYLE_LABEL || style == BUTTON_STYLE_FLOAT_FORMAT_LEFT || style == BUTTON_STYLE_INT_FORMAT_LEFT)
    return 1;
  return (style == BUTTON_STYLE_FLOAT_FORMAT_RIGHT || style == BUTTON_STYLE_INT_FORMAT_RIGHT) ? 2 : 0;
}

void DrawButtonTextAligned(const InterfaceButton& b, const char* text, uint32_t colour, int align) {
  const PlacedLabel p = PlaceButtonLabel(b, text, align);
  ButtonText(p.text, colour, p.x, p.y, p.size);
}

// Breaks a label at spaces into lines of at most 15 characters that fit the width.
void DrawWrappedButtonText(const InterfaceButton& b, const char* text, uint32_t colour, int maxLines) {
  const float inset = static_cast<float>(InterfaceScaleRounded), size = static_cast<float>(TextSize);
  const float room = static_cast<float>(b.right - b.left) - 2.0f * inset;
  const char* p = text;
  for (int line = 0; line < maxLines && *p; ++line) {
    char piece[BUTTON_TEXT_LINE_MAX + 1];
    int n = 0, lastSpace = -1;
    while (p[n] && n < BUTTON_TEXT_LINE_MAX) {
      piece[n] = p[n];
      piece[n + 1] = 0;
      if (p[n] == ' ') lastSpace = n;
      if (PixelWidth(piece, size) > room && lastSpace > 0) break;
      ++n;
    }
    if (p[n] && lastSpace > 0) n = lastSpace;
    std::memcpy(piece, p, static_cast<size_t>(n));
    piece[n] = 0;
    // A word longer than the room is fitted as a single-line label is, squeezed a little
    // rather than cut: a swatch's name is all it says.
    float pieceSize = size, squeeze = 1.0f;
    char fitted[BUTTON_LABEL_SIZE];
    FitButtonLabel(piece, room, &pieceSize, fitted, sizeof fitted, &squeeze);
    const float w = squeeze * PixelWidth(fitted, pieceSize);
    ButtonText(fitted, colour, 0.5f * static_cast<float>(b.left + b.right) - 0.5f * w,
               static_cast<float>(b.top) + 3.0f + static_cast<float>(line) * size, pieceSize, squeeze);
    p += n;
    while (*p == ' ') ++p;
  }
}

// Draws what the stream and the small text batch hold: a layer of buttons.
void FlushButtonLayer() {
  if (Stream2D.batchOpen) DrawPending2DTriangles(0);
  if (SmallTextBatch.items.empty()) return;
  AddStandOutStrips(SmallTextBatch, 0);
  DrawTextPanel(SmallTextBatch);
}

}  // namespace

// ---- [Panel state] ----

void FlushInterfaceBatch() {
  if (Draw2DList.counters.batchOpen) Draw2DList.EndBatch();
  PanelTextureState = PANEL_STATE_NONE;
}

// ---- [Panels] ----

void DrawButtonPanel(const ColourWord* colour, bool pressed, float x2, float y2, int style, bool big, float x1,
                     float y1) {
  const ColourWord base = colour ? *colour : InterfaceColours.buttonCol;
  const float w = x2 - x1, h = y2 - y1;
  const float corner = (w < SMALL_PANEL || h < SMALL_PANEL) ? 0.008f : 0.012f;
  if (2.0f * corner * Projection.aspect > w - 0.001f && 2.0f * corner > h - 0.001f) {
    DrawFlatPanel(colour, pressed, x2, y2, style < 2, x1, y1);
    return;
  }
  NineSlice(ToVertex(Darker(base, pressed), PanelAlpha(style, big)), x1, y1, x2, y2, style >= 2);
  CheckBatchLength();
}

void DrawButtonPanelFlush(const ColourWord* colour, bool pressed, float x2, float y2, int style, bool big, float x1,
                          float y1) {
  DrawButtonPanel(colour, pressed, x2, y2, style, big, x1, y1);
  FlushInterfaceBatch();
}

void DrawFlatPanel(const ColourWord* colour, bool pressed, float x2, float y2, bool translucent, float x1, float y1) {
  const ColourWord base = colour ? *colour : InterfaceColours.buttonCol;
  RecordFillUnits(ToVertex(Darker(base, pressed), translucent ? ButtonAlphaWord : OPAQUE), x1, y1, x2, y2);
  UseState(PANEL_STATE_SMALL);
  Quad(ToVertex(Darker(base, pressed), translucent ? ButtonAlphaWord : OPAQUE), x1, y1, x2, y2, 0.0f, 0.0f, 1.0f, 1.0f);
  CheckBatchLength();
}

void DrawFadePanel(const ColourWord* colour, bool pressed, float x2, float y2, bool big, float x1, float y1) {
  const ColourWord base = Darker(colour ? *colour : InterfaceColours.bigCol, pressed);
  FadePanel(ToVertex(base, big ? BigAlphaWord : ButtonAlphaWord), x1, y1, x2, y2);
}

void FadePanel(uint32_t solid, float x1, float y1, float x2, float y2) {
  const uint32_t clear = solid & 0xFFFFFFu;
  const float ch = !VrEnabled && x2 == 1.0f ? 0.0f : 0.012f * Projection.aspect, cv = 0.012f;
  RecordFillUnits(solid, x1, y1, x2, y2);  // where it has its full alpha
  UseState(PANEL_STATE_LARGE);
  // The fading left end: transparent at x1 - 0.1, the panel's alpha from x1 + 0.05.
  Draw2D& list = Draw2DList;
  const float fx1 = x1 - 0.1f, fx2 = x1 + 0.05f;
  if (g_underDialog) return;
  const int a = list.AddVertex(clear, fx1, y1, 0.48f, 0.5f), b = list.AddVertex(solid, fx2, y1, 0.5f, 0.5f),
            c = list.AddVertex(solid, fx2, y2, 0.5f, 0.5f), d = list.AddVertex(clear, fx1, y2, 0.48f, 0.5f);
  if (a >= 0 && b >= 0 && c >= 0 && d >= 0) list.AddQuad(a, b, c, d);
  // The rest: a panel without a left column.
  const float xs[3] = {fx2, x2 - ch, x2}, ys[4] = {y1, y1 + cv, y2 - cv, y2};
  const float us[3] = {CUT_LOW, CUT_HIGH, 1.0f}, vs[4] = {0.0f, CUT_LOW, CUT_HIGH, 1.0f};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 2; ++col)
      Quad(solid, xs[col], ys[row], xs[col + 1], ys[row + 1], us[col], vs[row], us[col + 1], vs[row + 1]);
  CheckBatchLength();
}

void DrawTitleTab(const ValueControl& c) {
  const float w = HeldFloatOf(c.variable), h = c.bottom - c.top;
  if (VrEnabled) {
    DrawButtonPanel(&TextColours.darkText, false, c.left + w + 0.03f, c.bottom, 2, false, c.left, c.top);
    return;
  }
  UseState(PANEL_STATE_SMALL);
  const float r = 0.006f, rv = 0.006f * Projection.inverseAspect;
  const float top = -1.0f, bottom = c.bottom;
  const float rightTop = -1.0f + w + 0.02f + h / 8.0f, rightBottom = -1.0f + w + 0.02f;
  RecordFillUnits(OPAQUE, -1.0f, top, rightBottom, bottom);
  if (g_underDialog) return;
  Draw2D& list = Draw2DList;
  auto quad = [&](float ax, float ay, float bx, float by, float cx, float cy, float dx, float dy, float u0, float v0,
                  float u1, float v1) {
    const int a = list.AddVertex(OPAQUE, ax, ay, u0, v0), b = list.AddVertex(OPAQUE, bx, by, u1, v0),
              cc = list.AddVertex(OPAQUE, cx, cy, u1, v1), d = list.AddVertex(OPAQUE, dx, dy, u0, v1);
    if (a >= 0 && b >= 0 && cc >= 0 && d >= 0) list.AddQuad(a, b, cc, d);
  };
  const float m = 0.5f;
  // Inside, the bottom edge, the slanted right edge, the rounded corner.
  quad(-1.0f, top, rightTop - r, top, rightBottom - r, bottom - rv, -1.0f, bottom - rv, m, m, m, m);
  quad(-1.0f, bottom - rv, rightBottom - r, bottom - rv, rightBottom - r, bottom, -1.0f, bottom, m, CUT_HIGH, m, 1.0f);
  quad(rightTop - r, top, rightTop, top, rightBottom, bottom - rv, rightBottom - r, bottom - rv, CUT_HIGH, m, 1.0f, m);
  quad(rightBottom - r, bottom - rv, rightBottom, bottom - rv, rightBottom, bottom, rightBottom - r, bottom, CUT_HIGH,
       CUT_HIGH, 1.0f, 1.0f);
  CheckBatchLength();
}

void DrawInterfaceIcon(const ValueControl& c) {
  const int n = std::max(0, HeldIntOf(c.variable));
  const float column = static_cast<float>(n % 5), row = static_cast<float>(n / 5);
  UseState(PANEL_STATE_ICONS);
  Quad(0xC0FFFFFFu, c.left, c.top, c.right, c.bottom, (48.0f * column - 1.0f) / 256.0f, (32.0f * row - 1.0f) / 256.0f,
       (48.0f * column + 46.0f) / 256.0f, (32.0f * row + 31.0f) / 256.0f);
  CheckBatchLength();
}

void DrawPanelInColour(uint32_t vertexColour, float x1, float y1, float x2, float y2) {
  NineSlice(vertexColour, x1, y1, x2, y2, (vertexColour >> 24) == 0xFF);
  CheckBatchLength();
}

void DrawInterfaceQuad(uint32_t vertexColour, float x1, float y1, float x2, float y2) {
  RecordFillUnits(vertexColour, x1, y1, x2, y2);
  UseState(PANEL_STATE_PLAIN);
  Quad(vertexColour, x1, y1, x2, y2, 0.0f, 0.0f, 0.0f, 0.0f);
  CheckBatchLength();
}

// ---- [Value controls] ----

uint32_t CodeColour(int code) {
  static const uint32_t COLOURS[12] = {0xFF505060, 0xFF404050, 0xFF605050, 0xFF504040, 0xFF2020D0, 0xFFA02020,
                                       0xFFB0A010, 0xFF408020, 0xFF7010B0, 0xFFD03010, 0xFF2090A0, 0xFF808080};
  return COLOURS[std::clamp(-3 - code, 0, 11)];
}

void DrawValueControlPanels(int first) {
  g_scene = PlainScreenColour();
  DrawPlainFills(first);
  for (int i = std::max(0, first); i < ValueControlCount; ++i) {
    TagControl(i);
    g_underDialog = UnderDialog(i);
    DrawControlPanel(ValueControls[i]);
  }
  g_underDialog = false;
  TagRecordFor(RECORD_TEXT, RECORD_FILL);
  FlushInterfaceBatch();
}

// ---- [Contrast] ----

uint32_t PlainScreenColour() {
  // Editors with a view clear for themselves (modes 2 and 3); pages with a picture show it
  // behind their interface; a screen that drew this frame (the garage's car, a model in a 2D
  // view, a dial) shows that.
  const int mode = FrameClear.mode;
  if (mode != 0 && mode != 1) return 0;
  if (!Background.switchedOff && CurrentBackground && CurrentBackground[0]) return 0;
  if (SceneDrawnSinceMark()) return 0;
  if (mode == 1) return OPAQUE | (FrameClear.colour & 0xFFFFFFu);
  if (!FrameClear.alternativeBackground) return OPAQUE;
  return OPAQUE | uint32_t{BrightnessTable[0]} << 16 | uint32_t{BrightnessTable[25]} << 8 | BrightnessTable[100];
}

namespace {

// The fills of the frame's record under the point (x, y) in pixels, bottom first; the top one.
const DrawRecordEntry* LayersAt(float x, float y, std::vector<uint32_t>& layers) {
  layers.clear();
  const DrawRecordEntry* top = nullptr;
  for (const DrawRecordEntry& f : DrawRecord) {
    if (IsRecordedText(f.role) || x < f.left || x >= f.right || y < f.top || y >= f.bottom) continue;
    layers.push_back(f.colour);
    top = &f;
  }
  return top;
}

// A backing of a coloured span's own, behind a run of its glyphs (in the batch's units).
struct SpanBacking {
  uint32_t colour;
  float x0, y0, x1, y1;
};

// The glyphs of a text in another colour than its ink, each over the layers at its middle and
// the text's strip (0: none), made to stand out as the ink does in a shade of their own hue;
// the backings of those that need one, a run of glyphs on a line to a backing, are added to
// `backings`.
void RecolourSpans(TextBatch& batch, const TextItemRange& range, uint32_t ink, uint32_t strip, int inScreenUnits,
                   std::vector<SpanBacking>& backings) {
  const float sx = inScreenUnits ? 0.5f * static_cast<float>(ScreenWidth) : 1.0f;
  const float sy = inScreenUnits ? 0.5f * static_cast<float>(ScreenHeight) : 1.0f;
  const float ox = inScreenUnits ? 1.0f : 0.0f;
  std::vector<uint32_t> layers;
  for (size_t i = range.first; i < range.end; ++i) {
    TextBatchItem& item = batch.items[i];
    if (((item.colour ^ ink) & 0xFFFFFFu) == 0 || (item.colour >> 24) == 0) continue;  // the ink's, or drawn unseen
    LayersAt((0.5f * (item.x0 + item.x1) + ox) * sx, (0.5f * (item.y0 + item.y1) + ox) * sy, layers);
    if (strip) layers.push_back(strip);
    uint32_t backing = 0;
    item.colour = SpanToStandOut(item.colour, ink, layers.data(), static_cast<int>(layers.size()), &backing, g_scene);
    if (!backing) continue;
    SpanBacking* last = backings.empty() ? nullptr : &backings.back();
    if (last && last->colour == backing && last->y0 == item.y0 && item.x0 <= last->x1 + 0.5f * (item.y1 - item.y0)) {
      last->x1 = std::max(last->x1, item.x1), last->y1 = std::max(last->y1, item.y1);
    } else {
      backings.push_back({backing, item.x0, item.y0, item.x1, item.y1});
    }
  }
}

// The spans' backings over the text's strip, a pixel's room round each run.
void DrawSpanBackings(const std::vector<SpanBacking>& backings, int inScreenUnits) {
  const float px = inScreenUnits ? 2.0f / static_cast<float>(ScreenWidth) : 1.0f;
  const float py = inScreenUnits ? 2.0f / static_cast<float>(ScreenHeight) : 1.0f;
  for (const SpanBacking& b : backings) {
    if (inScreenUnits) DrawInterfaceQuad(b.colour, b.x0 - px, b.y0 - py, b.x1 + px, b.y1 + py);
    else DrawBlendedBox(b.colour, b.x0 - px, b.y0 - py, b.x1 + px, b.y1 + py);
  }
}

}  // namespace

void AddStandOutStrips(TextBatch& batch, int inScreenUnits) {
  static std::vector<DrawRecordEntry> texts;
  static std::vector<TextItemRange> items;
  WaitingTexts(batch, inScreenUnits, texts, &items);
  if (texts.empty() || ScreenWidth <= 0 || ScreenHeight <= 0) return;
  const float width = static_cast<float>(ScreenWidth), height = static_cast<float>(ScreenHeight);
  std::vector<uint32_t> layers;
  std::vector<SpanBacking> backings;
  TagRecordFor(RECORD_TEXT, RECORD_BACKING);
  for (size_t k = 0; k < texts.size(); ++k) {
    const DrawRecordEntry& t = texts[k];
    if (t.role == RECORD_MESSAGE || t.role == RECORD_STATUS) continue;  // they bring their own
    if (t.ownerKind == RECORD_OWNER_BUTTON && t.owner >= 0 && t.owner < ButtonCount &&
        InterfaceButtons[t.owner].style == BUTTON_STYLE_HALO_TEXT)
      continue;  // its halo
    g_underDialog = inScreenUnits && t.ownerKind == RECORD_OWNER_CONTROL && UnderDialog(t.owner);
    const DrawRecordEntry* top = LayersAt(0.5f * (t.left + t.right), 0.5f * (t.top + t.bottom), layers);
    // A button's face or a label's box keeps its own dark or light text rule.
    const bool face = top && (top->colour >> 24) == 0xFF && (top->role == RECORD_BUTTON || top->role == RECORD_LABEL_BOX);
    const int n = static_cast<int>(layers.size());
    backings.clear();
    if (face || WorstContrast(t.colour, layers.data(), n, g_scene) >= TEXT_CONTRAST_AIMED) {
      RecolourSpans(batch, items[k], t.colour, 0, inScreenUnits, backings);
      DrawSpanBackings(backings, inScreenUnits);
      continue;
    }
    const uint32_t strip = BackingToStandOut(t.colour, layers.data(), n, 0x00000000u, g_scene);
    RecolourSpans(batch, items[k], t.colour, strip, inScreenUnits, backings);
    // The text's extent with a little room, kept inside the text's own control.
    const float mx = 0.15f * (t.bottom - t.top), my = 0.06f * (t.bottom - t.top);
    float x1 = t.left - mx, y1 = t.top - my, x2 = t.right + mx, y2 = t.bottom + my;
    if (t.ownerRight - t.ownerLeft >= 1.0f && t.ownerBottom - t.ownerTop >= 1.0f) {
      x1 = std::max(x1, std::min(t.ownerLeft, t.left));
      y1 = std::max(y1, std::min(t.ownerTop, t.top));
      x2 = std::min(x2, std::max(t.ownerRight, t.right));
      y2 = std::min(y2, std::max(t.ownerBottom, t.bottom));
    }
    if (inScreenUnits)
      DrawInterfaceQuad(strip, 2.0f * x1 / width - 1.0f, 2.0f * y1 / height - 1.0f, 2.0f * x2 / width - 1.0f,
                        2.0f * y2 / height - 1.0f);
    else
      DrawBlendedBox(strip, x1, y1, x2, y2);
    DrawSpanBackings(backings, inScreenUnits);
  }
  g_underDialog = false;
  TagRecordFor(RECORD_TEXT, RECORD_FILL);
  if (inScreenUnits) FlushInterfaceBatch();
}

// ---- The frame's passes ----

namespace {

// The hint of the button under the pointer, where no hint line shows it: once the pointer has
// rested a second on the button, wrapped onto two rows of the interface's text (more for a long
// one) in the free place nearest the pointer, covering no button nor control.  Nothing where
// there is no such room.
constexpr uint32_t HINT_REST_MS = 1000;
void AddPointerHint() {
  const uint32_t now = ClockNowMs(), since = HoverHintSinceMs;
  if (!HoverHint || !HoverHint[0] || MouseMode == MOUSE_MODE_BOX || ScreenWidth <= 0 || ScreenHeight <= 0) return;
  for (int i = 0; i < ValueControlCount; ++i)
    if (ValueControls[i].displayType == VALUE_TYPE_HINT) return;  // the hint line shows it
  if (now - since < HINT_REST_MS) {
    RedrawAtMs(since + HINT_REST_MS);
    return;
  }
  const float w = static_cast<float>(ScreenWidth), h = static_cast<float>(ScreenHeight);
  // Rows of a text block, two or as many more as a long hint needs at most 0.45 of the window
  // wide: its text at most 0.85 of a row high, a margin of 0.15 of the block's height each side,
  // a fifth more than the text's width for words carried to the next row.
  constexpr int MOST_ROWS = 5;
  const float row = static_cast<float>(ButtonHeight), size = 0.85f * 2.0f * row / h;
  const float needed = 1.2f * 0.5f * w * TextWidth(HoverHint, CurrentCodePage, size);
  int rows = 2;
  float width = 0.5f * needed + 0.6f * row;
  if (width > 0.45f * w) {
    width = 0.45f * w;
    while (rows < MOST_ROWS && needed > float(rows) * (width - 0.3f * float(rows) * row)) ++rows;
  }
  const float height = float(rows) * row;
  const float mx = static_cast<float>(MouseX), my = static_cast<float>(MouseY);
  auto clear = [&](float x0, float y0, float x1, float y1) {
    if (x0 < 0.0f || y0 < 0.0f || x1 > w || y1 > h) return false;
    for (int i = 0; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (b.right > b.left && x0 < b.right && b.left < x1 && y0 < b.bottom && b.top < y1) return false;
    }
    for (int i = 0; i < ValueControlCount; ++i) {
      const ValueControl& c = ValueControls[i];
      const float l = (c.left + 1.0f) * 0.5f * w, r = (c.right + 1.0f) * 0.5f * w;
      const float t = (c.top + 1.0f) * 0.5f * h, b = (c.bottom + 1.0f) * 0.5f * h;
      if (r > l && x0 < r && l < x1 && y0 < b && t < y1) return false;
    }
    return true;
  };
  // The free place nearest the pointer, on a grid of half rows.
  const float step = 0.5f * row;
  float bestX = 0.0f, bestY = 0.0f, best = -1.0f;
  for (float y = 0.0f; y + height <= h; y += step)
    for (float x = 0.0f; x + width <= w; x += step) {
      const float dx = std::max({0.0f, x - mx, mx - (x + width)}), dy = std::max({0.0f, y - my, my - (y + height)});
      const float distance = dx * dx + dy * dy;
      if ((best < 0.0f || distance < best) && distance > 0.0f && clear(x, y, x + width, y + height))
        best = distance, bestX = x, bestY = y;
    }
  if (best < 0.0f) return;
  const float unitsX = 2.0f / w, unitsY = 2.0f / h;
  AddValueControl(nullptr, nullptr, IvText(HoverHint), IvInt(0), IvInt(rows), VALUE_TYPE_TEXT_BLOCK,
                  &InterfaceColours.textUnselected, nullptr, bestX * unitsX - 1.0f, bestY * unitsY - 1.0f,
                  (bestX + width) * unitsX - 1.0f, (bestY + height) * unitsY - 1.0f);
}

}  // namespace

void DrawInterface() {
  if (ExitRequested) return;
  AddPointerHint();
  g_scene = PlainScreenColour();
  TextSelectionHighlight = QueueSelection;
  TextCompositionMarker = QueueCompositionMarker;
  // The message and status lines are placed now, while every row of the frame is known, and
  // queued before the glyph cache is built; DrawButtons draws them last, over everything.
  PlaceMessageLines();
  GlyphCacheInit();
  if (DialogBackdrop != 0 && DialogFirstControl >= 0) {
    // The layout check's backdrop over the scene and all drawn before the interface, unrecorded.
    UseState(PANEL_STATE_PLAIN);
    Quad(DialogBackdrop, -1.0f, -1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    FlushInterfaceBatch();
  }
  DrawValueControlPanels(0);
  DrawHighlights();
  AddStandOutStrips(InterfaceTextBatch, 1);
  DrawTextBox(InterfaceTextBatch);
  AgeGlyphCache();
  // Not over a message box or option list: their keys are answers, not typing.
  if (OnscreenKeyboardShown && MouseMode != MOUSE_MODE_BOX) {
    // Over everything else: its controls are added now, after the screen's.
    const int first = ValueControlCount;
    DoOnScreenKeyboard();
    DrawValueControlPanels(first);
    AddStandOutStrips(InterfaceTextBatch, 1);
    DrawTextBox(InterfaceTextBatch);
  }
  ExpireMessages(ClockNowMs());
}

// ---- [Buttons] ----

ColourWord ButtonFaceColour(const InterfaceButton& b) {
  ColourWord face = b.colour ? *b.colour : TextColours.panelGrey;
  switch (b.style) {
    case BUTTON_STYLE_BYTE_SLIDER: face = TextColours.grey; break;
    case BUTTON_STYLE_RED_SLIDER: face = TextColours.message; break;
    case BUTTON_STYLE_GREEN_SLIDER: face = TextColours.lightGreen; break;
    case BUTTON_STYLE_BLUE_SLIDER: face = TextColours.lightBlue; break;
    case BUTTON_STYLE_COLOUR_TRIPLE: case BUTTON_STYLE_BYTE_STEP_PLUS: case BUTTON_STYLE_BYTE_STEP_MINUS:
    case BUTTON_STYLE_COLOUR_PLUS: case BUTTON_STYLE_COLOUR_MINUS: case BUTTON_STYLE_GREY_PLUS:
    case BUTTON_STYLE_GREY_MINUS: case BUTTON_STYLE_BRIGHTER: case BUTTON_STYLE_DARKER:
      face = TextColours.panelGrey;
      break;
    default: break;
  }
  const intptr_t lit = AlwaysUnlit(b.style) ? 0 : b.fourth.i;
  if (lit != 0 && lit != 255) {
    ColourWord dim = 0;
    for (int shift = 0; shift < 24; shift += 8) dim |= (((face >> shift) & 0xFF) * 14 / 16) << shift;
    face = dim;
  }
  return face;
}

int ButtonText(const InterfaceButton& b, char* out, int outSize) {
  if (!out || outSize <= 0) return 0;
  out[0] = 0;
  const size_t size = static_cast<size_t>(outSize);
  const intptr_t number = b.text.i;
  const void* variable = reinterpret_cast<const void*>(b.word);
  switch (b.style) {
    case BUTTON_STYLE_TEXT: case BUTTON_STYLE_LABEL: case BUTTON_STYLE_SWATCH: case BUTTON_STYLE_SWATCH_UNUSED:
    case BUTTON_STYLE_RADIO: case BUTTON_STYLE_ANGLE_PLUS: case BUTTON_STYLE_NAMED_FLAG: case BUTTON_STYLE_HALO_TEXT:
      std::snprintf(out, size, "%s", b.text.text ? b.text.text : "");
      return 1;
    case BUTTON_STYLE_SYMBOL: {
      // Glyph codes, the first in the low byte (GlyphCodes).
      const uint32_t packed = static_cast<uint32_t>(number);
      if ((packed & 0xFF) < 32 || static_cast<uint64_t>(number) > 0xFFFFFFFFu) return 0;
      int n = 0;
      for (; n < GLYPH_CODES_MAX && n < outSize - 1 && (packed >> (8 * n) & 0xFF) >= 32; ++n)
        out[n] = static_cast<char>(packed >> (8 * n) & 0xFF);
      out[n] = 0;
      return 1;
    }
    case BUTTON_STYLE_NUMBER: std::snprintf(out, size, "%d", static_cast<int>(number)); return 1;
    case BUTTON_STYLE_HEX_BYTE: std::snprintf(out, size, "%02X", static_cast<unsigned>(number)); return 1;
    case BUTTON_STYLE_HEX: std::snprintf(out, size, "%08X", static_cast<unsigned>(number)); return 1;
    case BUTTON_STYLE_ANGLE16:
      std::snprintf(out, size, "%.2f\xB0", static_cast<int>(number) * 360.0 / 65536.0);
      return 1;
    case BUTTON_STYLE_LENGTH16: std::snprintf(out, size, "%.3f m", static_cast<int>(number) / 65536.0); return 1;
    case BUTTON_STYLE_DISTANCE16:
      std::snprintf(out, size, "%d m", static_cast<int>(static_cast<int32_t>(number) >> 16));
      return 1;
    case BUTTON_STYLE_NUMBER_TEXT:
      std::snprintf(out, size, "%d%s", static_cast<int>(number), b.third.text ? b.third.text : "");
      return 1;
    case BUTTON_STYLE_FLOAT: case BUTTON_STYLE_FLOAT_DEGREES: case BUTTON_STYLE_FLOAT_RPM:
    case BUTTON_STYLE_FLOAT_THOUSANDTHS: {
      if (!b.fourth.text || !variable) return 0;
      static const float FACTORS[4] = {1.0f, 57.295776f, 9.549296f, 0.001f};
      const float shown = *static_cast<const float*>(variable) * FACTORS[b.style - BUTTON_STYLE_FLOAT];
      FormatLabelFloat(out, outSize, b.fourth.text, shown);
      return 1;
    }
    case BUTTON_STYLE_INTEGER_DISPLAY:
      if (!b.fourth.text) return 0;
      FormatLabelInt(out, outSize, b.fourth.text, static_cast<int32_t>(static_cast<intptr_t>(b.word)));
      return 1;
    case BUTTON_STYLE_FLOAT_FORMAT: case BUTTON_STYLE_FLOAT_FORMAT_LEFT: case BUTTON_STYLE_FLOAT_FORMAT_RIGHT:
      if (!b.third.text) return 0;
      FormatLabelFloat(out, outSize, b.third.text, b.text.f);
      return 1;
    case BUTTON_STYLE_INT_FORMAT: case BUTTON_STYLE_INT_FORMAT_LEFT: case BUTTON_STYLE_INT_FORMAT_RIGHT:
      if (!b.third.text) return 0;
      FormatLabelInt(out, outSize, b.third.text, static_cast<int32_t>(number));
      return 1;
    case BUTTON_STYLE_INT_PLUS: case BUTTON_STYLE_BYTE_PLUS: case BUTTON_STYLE_SIGNED_BYTE_PLUS:
    case BUTTON_STYLE_WORD_PLUS: std::snprintf(out, size, "+"); return 1;
    case BUTTON_STYLE_INT_MINUS: case BUTTON_STYLE_BYTE_MINUS: case BUTTON_STYLE_SIGNED_BYTE_MINUS:
    case BUTTON_STYLE_WORD_MINUS: std::snprintf(out, size, "-"); return 1;
    case BUTTON_STYLE_FLAG32: case BUTTON_STYLE_FLAG16: case BUTTON_STYLE_FLAG8:
      std::snprintf(out, size, "%s", b.fourth.i ? "YES" : "NO");
      return 1;
    case BUTTON_STYLE_BYTE_STEP_PLUS: case BUTTON_STYLE_COLOUR_PLUS: case BUTTON_STYLE_GREY_PLUS:
    case BUTTON_STYLE_BRIGHTER: case BUTTON_STYLE_FLOAT_PLUS: out[0] = '\x9B'; out[1] = 0; return 1;
    case BUTTON_STYLE_BYTE_STEP_MINUS: case BUTTON_STYLE_COLOUR_MINUS: case BUTTON_STYLE_GREY_MINUS:
    case BUTTON_STYLE_DARKER: case BUTTON_STYLE_FLOAT_MINUS: out[0] = '\x8B'; out[1] = 0; return 1;
    default: return 0;
  }
}

void QueueButtonLabel(const InterfaceButton& b, uint32_t ink) {
  const float inset = static_cast<float>(InterfaceScaleRounded);
  const float x1 = static_cast<float>(b.left), x2 = static_cast<float>(b.right), y1 = static_cast<float>(b.top);
  char text[160];
  if (!ButtonText(b, text, sizeof text) || !text[0]) return;
  if (ShowsGlyphCodes(b.style)) {
    DrawButtonGlyphCodes(b, text, ink);
    return;
  }
  if (b.style == BUTTON_STYLE_SWATCH || b.style == BUTTON_STYLE_SWATCH_UNUSED) {
    if (PixelWidth(text, static_cast<float>(TextSize)) <= x2 - x1 - 2.0f * inset)
      ButtonText(text, ink, 0.5f * (x1 + x2) - 0.5f * PixelWidth(text, static_cast<float>(TextSize)), y1 + 3.0f,
                 static_cast<float>(TextSize));
    else
      DrawWrappedButtonText(b, text, ink, b.style == BUTTON_STYLE_SWATCH ? 2 : 1);
    if (b.style == BUTTON_STYLE_SWATCH_UNUSED) {
      const float w = PixelWidth("UNUSED", static_cast<float>(TextSize));
      ButtonText("UNUSED", ink, 0.5f * (x1 + x2) - 0.5f * w, y1 + 3.0f + static_cast<float>(ButtonHeight),
                 static_cast<float>(TextSize));
    }
    return;
  }
  DrawButtonTextAligned(b, text, ink, LabelAlignment(b.style));
}

int ButtonLabelBand(const InterfaceButton& b, float* left, float* top, float* right, float* bottom) {
  char text[BUTTON_LABEL_SIZE];
  if (!ButtonText(b, text, sizeof text) || !text[0] || ShowsGlyphCodes(b.style) || b.style == BUTTON_STYLE_SWATCH ||
      b.style == BUTTON_STYLE_SWATCH_UNUSED)
    return 0;
  const PlacedLabel p = PlaceButtonLabel(b, text, LabelAlignment(b.style));
  *left = p.x;
  *right = p.x + p.width;
  // From the glyphs' boxes' top to the foot of its deepest glyph (a whole cell for another
  // than a glyph of the character set).
  static TextPiece pieces[2 * BUTTON_LABEL_SIZE];
  TextLayoutSettings settings;
  settings.codePage = CurrentCodePage;
  settings.size = p.size;
  TextLayoutResult r;
  const int n = LayoutText(p.text, p.x, p.y, settings, pieces, static_cast<int>(std::size(pieces)), &r);
  float deepest = 0.0f;
  for (int i = 0; i < n; ++i)
    deepest = std::max(deepest, pieces[i].kind == TEXT_PIECE_GLYPH && pieces[i].glyph < GLYPH_COUNT
                                    ? CharMetrics[pieces[i].glyph].height
                                    : 1.0f);
  *top = p.y + GLYPH_BOX_DROP * p.size;
  *bottom = *top + GLYPH_BOX_HEIGHT * deepest * p.size;
  return 1;
}

namespace {

// A halo label: its text ringed by its halo, and while lit a frame of an ink line between two
// halo lines round the button.  The halo is the text colour that stands further from the ink.
void DrawHaloLabel(const InterfaceButton& b, bool lit) {
  const ColourWord inkWord = b.colour ? *b.colour : TextColours.lightText;
  const uint32_t ink = ToVertex(inkWord, OPAQUE), halo = TextOver(inkWord);
  if (lit) {
    const float x1 = static_cast<float>(b.left), y1 = static_cast<float>(b.top);
    const float x2 = static_cast<float>(b.right), y2 = static_cast<float>(b.bottom);
    for (int ring = 0; ring < 3; ++ring) {
      const float d = static_cast<float>(ring);
      const uint32_t colour = ring == 1 ? ink : halo;
      DrawBlendedBox(colour, x1 + d, y1 + d, x2 - d, y1 + d + 1.0f);
      DrawBlendedBox(colour, x1 + d, y2 - d - 1.0f, x2 - d, y2 - d);
      DrawBlendedBox(colour, x1 + d, y1 + d + 1.0f, x1 + d + 1.0f, y2 - d - 1.0f);
      DrawBlendedBox(colour, x2 - d - 1.0f, y1 + d + 1.0f, x2 - d, y2 - d - 1.0f);
    }
  }
  char text[160];
  if (!ButtonText(b, text, sizeof text) || !text[0]) return;
  const PlacedLabel p = PlaceButtonLabel(b, text, 0);
  TextBatch* saved = CurrentTextBatch;
  const float savedScale = TextHorizontalScale;
  CurrentTextBatch = &SmallTextBatch;
  TextHorizontalScale = 1.0f;
  DrawTextHalo(p.text, halo, p.x, p.y, p.size, CurrentCodePage, HaloLabelHaloPixels());
  TextHorizontalScale = savedScale;
  CurrentTextBatch = saved;
  // The whole halo under the ink, whatever font pages the glyphs lie on; the flush retags
  // what follows as plain, and the ink is the label's.
  const DrawRecordTag tag = DrawRecordCurrentTag;
  FlushButtonLayer();
  DrawRecordCurrentTag = tag;
  ButtonText(p.text, ink, p.x, p.y, p.size);
}

}  // namespace

void DrawButtons() {
  if (ExitRequested) return;
  const float inset = static_cast<float>(InterfaceScaleRounded);
  for (int i = 0; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (b.style == BUTTON_STYLE_PLAIN && b.right == b.left) {  // a layer break
      FlushButtonLayer();
      continue;
    }
    if (b.right < 0 || b.bottom < 0 || b.left > ScreenWidth || b.top > ScreenHeight) continue;
    if (b.right < b.left || b.bottom < b.top) continue;
    const float x1 = static_cast<float>(b.left), y1 = static_cast<float>(b.top), x2 = static_cast<float>(b.right),
                y2 = static_cast<float>(b.bottom);
    char label[160] = "";
    if (DrawRecording && !ButtonText(b, label, sizeof label)) label[0] = 0;
    TagRecordForButton(i, b.owner != nullptr, b.left, b.top, b.right, b.bottom, label,
                       b.style == BUTTON_STYLE_COLOUR_SQUARE || b.style == BUTTON_STYLE_HALO_TEXT,
                       b.style == BUTTON_STYLE_SCROLL_KNOB);
    const int lit = AlwaysUnlit(b.style) ? 0 : static_cast<int>(b.fourth.i);
    if (b.style == BUTTON_STYLE_HALO_TEXT) {
      DrawHaloLabel(b, lit != 0);
      continue;
    }
    ColourWord face = ButtonFaceColour(b);
    if (b.style == BUTTON_STYLE_COLOUR_SQUARE) {
      static const ColourWord* LIT[5] = {&TextColours.red, &TextColours.green, &TextColours.orange,
                                         &TextColours.yellow, &TextColours.lightOrange};
      const uint32_t packed = static_cast<uint32_t>(b.third.i);
      face = lit >= 1 && lit <= 5 ? *LIT[lit - 1]
                                  : RgbWord(packed >> 16 & 0xFF, packed >> 8 & 0xFF, packed & 0xFF);
      DrawBevelBoxWide(face, 0, x1, y1, x2, y2);
      continue;
    }
    if (x2 - x1 > 2.0f * inset && y2 - y1 > 2.0f * inset) DrawBevelBox(face, lit, x1, y1, x2, y2, inset);
    else DrawBevelBoxWide(face, lit, x1, y1, x2, y2);
    QueueButtonLabel(b, TextOver(face));
  }
  TagRecordFor(RECORD_TEXT, RECORD_FILL);
  FlushButtonLayer();
  DrawMessageLines();
}

void DrawScreenLabels() {
  if (ExitRequested || ScreenLabelCount == 0) return;
  static const ScreenLabel* labels[MAX_SCREEN_LABELS];
  const int n = ScreenLabelsByDepth(labels, MAX_SCREEN_LABELS);
  const int32_t nearest = ScreenLabelNearestKey, range = ScreenLabelDeepestKey - ScreenLabelNearestKey;
  static const ColourWord* KINDS[5] = {&TextColours.red, &TextColours.green, &TextColours.orange, &TextColours.yellow,
                                       &TextColours.lightOrange};
  for (int pass = 0; pass < 2; ++pass)
    for (int i = n - 1; i >= 0; --i) {  // deepest first
      const ScreenLabel& label = *labels[i];
      if ((label.colourKind != 0) != (pass == 1)) continue;
      char text[LABEL_TEXT_SIZE];
      float l, t, r, bt;
      if (!GetScreenLabelRect(label, text, &l, &t, &r, &bt)) continue;
      // Each label's box anew: the flush after the label before retags fills as plain ones.
      TagRecordFor(RECORD_TEXT, RECORD_LABEL_BOX, 1);
      ColourWord colour = TextColours.panelGrey;
      if (label.colourKind >= 1 && label.colourKind <= 5) {
        colour = *KINDS[label.colourKind - 1];
      } else if (range > 0) {
        // Deeper labels fade, to two thirds at the deepest.
        const int64_t keep = 65536 - (int64_t(label.depthKey - nearest) * 65536) / (3 * int64_t(range));
        ColourWord faded = 0;
        for (int shift = 0; shift < 24; shift += 8)
          faded |= static_cast<ColourWord>((((colour >> shift) & 0xFF) * keep) >> 16) << shift;
        colour = faded;
      }
      if (label.type == LABEL_CHARACTER_BARE) {
        ButtonText(text, ToVertex(colour, OPAQUE), l + LABEL_TEXT_MARGIN, t + 2.0f, static_cast<float>(TextSize));
      } else if (text[0]) {
        DrawBevelBox(colour, label.colourKind, l, t, r, bt, static_cast<float>(InterfaceScaleRounded));
        ButtonText(text, TextOver(colour), l + LABEL_TEXT_MARGIN, t + 2.0f, static_cast<float>(TextSize));
      } else {
        DrawBevelBoxWide(colour, 0, l, t, r, bt);
      }
      FlushButtonLayer();  // nearer labels cover deeper ones
    }
  TagRecordFor(RECORD_TEXT, RECORD_FILL);
}
