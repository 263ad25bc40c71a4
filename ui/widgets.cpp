// widgets.cpp - the stock widgets and their panel layouts.
#include "ui/widgets.h"

#include <cstdio>

#include "core/process.h"
#include "core/window_state.h"
#include "text/language.h"
#include "text/language_keys.h"
#include "text/messages.h"
#include "ui/help_screen.h"
#include "ui/interface_config.h"
#include "ui/interface_draw.h"
#include "ui/interface_local.h"
#include "ui/value_steps.h"

// Layout 5's labels (the options page) start at -0.95, so that its longest, "motorbike /
// sequential gearbox", keeps the row's text size at 800 x 600.
const PanelLayout PanelLayoutTable[PANEL_LAYOUT_COUNT] = {
    {-0.95f, -0.3f, 0.0f, 0.1f, 0.1f, 0.2f, 0.06f},   {0.35f, 0.9f, 0.0f, 0.1f, 0.1f, 0.2f, 0.1f},
    {0.2f, 0.9f, 0.0f, 0.1f, 0.1f, 0.2f, 0.1f},       {-0.95f, -0.35f, 0.0f, 0.1f, 0.1f, 0.2f, 0.1f},
    {0.65f, 0.95f, 0.0f, 0.1f, 0.1f, 0.2f, 0.1f},     {-0.95f, -0.25f, -0.25f, 0.25f, 0.3f, 0.35f, 0.06f},
    {-0.65f, -0.25f, -0.25f, 0.15f, 0.2f, 0.25f, 0.05f}, {-1.0f, -0.65f, -0.65f, -0.3f, -0.3f, -0.2f, 0.05f},
    {0.2f, 0.6f, 0.6f, 1.0f, -0.2f, -0.1f, 0.05f},    {-0.85f, -0.5f, -0.5f, -0.15f, 0.25f, 0.35f, 0.05f},
};
int PanelLayoutIndex;
uint32_t InterfaceFlags;
int BackButtonShown;
int32_t ScreenshotFormat;
char HostName[HOST_NAME_SIZE];

namespace {

constexpr float STEP_BUTTON_WIDTH = 0.03f;
constexpr float SLIDER_INSET = 0.005f;

InterfaceColourSettings& C = InterfaceColours;

void AddRowLabel(const char* label, float y) {
  const PanelLayout& l = CurrentPanelLayout();
  AddValueControl(nullptr, nullptr, IvText(label), IvInt(0), IvText(nullptr), VALUE_TYPE_LABEL, &C.textUnselected,
                  nullptr, l.labelX1, y, l.labelX2, y + l.rowHeight);
}

void AddHelpButton(Prss* owner, const char* helpKey, float y) {
  if (!helpKey) return;
  const PanelLayout& l = CurrentPanelLayout();
  AddValueControl(owner, const_cast<char*>(helpKey), IvText(nullptr), IvInt(0), IvText(nullptr), VALUE_TYPE_HELP,
                  &C.textUnselected, OpenHelpSub, l.extraX1, y, l.extraX2, y + l.rowHeight);
}

const char* OkText() {
  const char* ok = LanguageTexts[TX_3a_capitlok];
  return ok[0] ? ok : LanguageTexts[TX_3a_backbutt];
}

// The corner button of the back family: red and live with a handler, grey without.
void AddCornerButton(Prss* owner, uintptr_t word, InterfaceHandler handler, const char* text) {
  AddValueControl(handler ? owner : nullptr, reinterpret_cast<void*>(word), IvText(text), IvInt(0), IvText(nullptr),
                  VALUE_TYPE_DARK_TEXT,
                  handler ? &C.buttonRed : &C.textUnavailable, handler, -1.0f, 0.85f, -0.75f, 1.0f);
  BackButtonShown = 1;
}

// A step control 0.03 wide that is live only while the variable differs from its bound; its
// steps are named after the row's label.
void AddFloatStep(Prss* owner, const char* label, DisplayType type, float* variable, float bound, float step,
                  InterfaceHandler handler, float x1, float x2, float top, float bottom) {
  const bool live = *variable != bound;
  NameValueControl(AddValueControl(live ? owner : nullptr, variable, IvFloat(0.0f), IvFloat(step), IvFloat(bound),
                                   type, live ? &C.textUnselected : &C.textUnavailable, handler, x1, top, x2, bottom),
                   label);
}

// A label, then over the value columns the arrow glyphs 139 and 155 (words word and word + 1)
// around a middle control; without a handler all are shown unavailable and take no clicks.
void AddArrowRow(Prss* owner, const char* label, void* middleVariable, InterfaceValue middleText,
                 InterfaceValue middleLabel, DisplayType middleType, uintptr_t word, InterfaceHandler handler,
                 float y) {
  static const char LEFT_ARROW[2] = {static_cast<char>(139), 0};
  static const char RIGHT_ARROW[2] = {static_cast<char>(155), 0};
  const PanelLayout& l = CurrentPanelLayout();
  Prss* who = handler ? owner : nullptr;
  ColourWord* colour = handler ? &C.textUnselected : &C.textUnavailable;
  const float bottom = y + l.rowHeight;
  AddRowLabel(label, y);
  AddValueControl(who, reinterpret_cast<void*>(word), IvText(LEFT_ARROW), IvInt(0), IvText(nullptr), VALUE_TYPE_TEXT,
                  colour, handler, l.valueX1, y, l.valueX1 + 0.06f, bottom);
  AddValueControl(who, middleVariable, middleText, IvInt(0), middleLabel, middleType, colour, nullptr,
                  l.valueX1 + 0.06f, y, l.valueX2 - 0.06f, bottom);
  AddValueControl(who, reinterpret_cast<void*>(word + 1), IvText(RIGHT_ARROW), IvInt(0), IvText(nullptr),
                  VALUE_TYPE_TEXT, colour, handler, l.valueX2 - 0.06f, y, l.valueX2, bottom);
}

}  // namespace

const PanelLayout& CurrentPanelLayout() {
  return PanelLayoutTable[PanelLayoutIndex >= 0 && PanelLayoutIndex < PANEL_LAYOUT_COUNT ? PanelLayoutIndex : 0];
}

// ---- [Stock callbacks] ----
void CycleValue(void*, int value, uintptr_t variable) {
  int32_t& v = *reinterpret_cast<int32_t*>(variable);
  v = value > 0 ? (v + 1) % value : 0;  // a zero maximum has nothing to cycle through
}
void ToggleBits(void*, int value, uintptr_t variable) {
  *reinterpret_cast<uint32_t*>(variable) ^= static_cast<uint32_t>(value);
}
void SetValue(void*, int value, uintptr_t variable) { *reinterpret_cast<int32_t*>(variable) = value; }

void OpenHelpSub(void* owner, int, uintptr_t helpKey) {
  Prss* screen = static_cast<Prss*>(owner);
  const char* key = reinterpret_cast<const char*>(helpKey);
  if (!screen || !key) return;
  Prss* help = LoadHelpText(screen, "", key, HELP_MODE_OK);
  Prss_AddSub(screen, help);  // replaces an open sub-screen
}

// ---- [Title and corner buttons] ----
void AddScreenTitle(const char* title, int layoutIndex, int plain) {
  MessageTop = -0.85f;
  InterfaceFlags |= INTERFACE_FLAG_SCREEN_TITLE;
  PanelLayoutIndex = layoutIndex >= 0 && layoutIndex < PANEL_LAYOUT_COUNT ? layoutIndex : 0;
  (plain ? AddValueControl2 : AddValueControl)(nullptr, nullptr, IvText(title), IvInt(0), IvText(nullptr),
                                               VALUE_TYPE_TITLE,
                                               &C.titleGrey, nullptr, -1.0f, -1.0f, 1.0f, -0.85f);
}

void AddCornerBackButton(Prss* owner, uintptr_t word, InterfaceHandler handler) {
  AddCornerButton(owner, word, handler, OkText());
}

void AddBackButton(Prss* owner, uintptr_t word, InterfaceHandler handler, const char* text) {
  AddCornerButton(owner, word, handler, text ? text : "back");
}

void AddOkButton(Prss* owner, uintptr_t word, InterfaceHandler handler, const char* text, float width) {
  AddValueControl(owner, reinterpret_cast<void*>(word), IvText(text ? text : LanguageTexts[TX_3a_capitlgo]), IvInt(0),
                  IvText(nullptr), VALUE_TYPE_DARK_TEXT, &C.buttonGreen, handler, 0.75f - width, 0.85f, 1.0f, 1.0f);
}

// ---- [Rows] ----
void AddPanelLabel(const char* text, float y) {
  const PanelLayout& l = CurrentPanelLayout();
  AddValueControl(nullptr, nullptr, IvText(text), IvInt(0), IvText(nullptr), VALUE_TYPE_BUTTON, &C.bigText, nullptr,
                  l.labelX1, y, l.labelX2, y + l.rowHeight);
}

void AddPanelButton(Prss* owner, const char* text, uintptr_t word, InterfaceHandler handler, float y) {
  const PanelLayout& l = CurrentPanelLayout();
  AddValueControl(owner, reinterpret_cast<void*>(word), IvText(text), IvInt(0), IvText(nullptr), VALUE_TYPE_FADE_TEXT,
                  &C.bigText, handler, l.labelX1, y, l.labelX2, y + l.rowHeight);
}

void AddPanelTextRow(const char* label, const char* text, float y) {
  const PanelLayout& l = CurrentPanelLayout();
  AddRowLabel(label, y);
  AddValueControl(nullptr, nullptr, IvText(text), IvInt(0), IvText(nullptr), VALUE_TYPE_TEXT, &C.textUnavailable,
                  nullptr, l.valueX1, y, l.valueX2, y + l.rowHeight);
}

void AddPanelCycleRow(Prss* owner, const char* label, int32_t* variable, const char* const* valueTexts,
                      const char* helpKey, float y) {
  const PanelLayout& l = CurrentPanelLayout();
  AddRowLabel(label, y);
  AddValueControl(owner, variable, IvAddress(const_cast<const char**>(valueTexts)), IvInt(2), IvText(nullptr),
                  VALUE_TYPE_TEXT_LIST, &C.textUnselected, CycleValue, l.valueX1, y, l.valueX2, y + l.rowHeight);
  AddHelpButton(owner, helpKey, y);
}

void AddPanelFlagRow(Prss* owner, const char* label, uint32_t* flags, uint32_t mask, InterfaceHandler changed,
                     float y) {
  static const char* noYes[2];
  noYes[0] = LanguageTexts[TX_3a_smlnobrk];
  noYes[1] = LanguageTexts[TX_3a_smlysbrk];
  const PanelLayout& l = CurrentPanelLayout();
  AddRowLabel(label, y);
  AddValueControl(owner, flags, IvAddress(noYes), IvInt(static_cast<intptr_t>(mask)), IvFunction(changed),
                  VALUE_TYPE_YES_NO, &C.textUnselected, ToggleBits, l.valueX1, y, l.valueX2, y + l.rowHeight);
}

void AddScreenshotFormatRow(Prss* owner, float y) {
  static const char* const FORMATS[5] = {"bmp", "jpg", "png", "tif", "gif"};
  const PanelLayout& l = CurrentPanelLayout();
  AddRowLabel(LanguageTexts[TX_3h_ssfiletp], y);
  const float fifth = (l.valueX2 - l.valueX1) / 5.0f;
  for (int i = 0; i < 5; ++i) {
    const float x2 = i == 4 ? l.valueX2 : l.valueX1 + fifth * static_cast<float>(i + 1);
    AddValueControl(owner, &ScreenshotFormat, IvAddress(const_cast<const char**>(&FORMATS[i])), IvInt(i),
                    IvText(nullptr), VALUE_TYPE_TEXT_SLOT, ScreenshotFormat == i ? &C.textSelected : &C.textUnselected,
                    SetValue, l.valueX1 + fifth * static_cast<float>(i), y, x2, y + l.rowHeight);
  }
}

void AddPanelTextField(Prss* owner, const char* label, char* buffer, int maxLength, const char* helpKey,
                       DisplayType fieldType, InterfaceHandler handler, float y) {
  const PanelLayout& l = CurrentPanelLayout();
  AddRowLabel(label, y);
  // A text field's maximum field holds its buffer's size: the characters and the zero.
  AddValueControl(owner, buffer, IvText(buffer), IvInt(maxLength + 1), IvText(label), fieldType, &C.textString,
                  handler, l.valueX1, y, l.valueX2, y + l.rowHeight);
  AddHelpButton(owner, helpKey, y);
}

void AddHostNameRow(Prss* owner, float y) {
  AddPanelTextField(owner, LanguageTexts[TX_3a_hostnamc], HostName, HOST_NAME_SIZE - 1, "host_nm", VALUE_TYPE_EDIT_TEXT,
                    nullptr, y);
}

void AddPanelValueRow(Prss* owner, const char* label, const char* text, int32_t* value, uintptr_t word,
                      InterfaceHandler handler, float y) {
  // The integer value shows the text of its minimum field (a format for the value).
  AddArrowRow(owner, label, value, IvText(text), IvText(nullptr), VALUE_TYPE_INT_VALUE, word, handler, y);
}

// ---- [Sliders and scroll bar] ----
void AddPanelSliderRow(Prss* owner, const char* label, float* variable, float minimum, float maximum,
                       InterfaceHandler handler, float y) {
  const PanelLayout& l = CurrentPanelLayout();
  AddValueControl(nullptr, HeldFloat(*variable), IvText(label), IvInt(0), IvInt(0), VALUE_TYPE_HELD_FLOAT,
                  &C.textUnselected, nullptr, l.labelX1, y, l.labelX2, y + l.rowHeight);
  AddFloatSlider(owner, label, l.valueX1, l.valueX2, y, l.rowHeight, variable, minimum, maximum,
                 FormatPrecision(label, VALUE_TYPE_FLOAT), handler);
}

void AddFloatSlider(Prss* owner, const char* label, float x1, float x2, float y, float height, float* variable,
                    float minimum, float maximum, float step, InterfaceHandler handler) {
  const float top = y + SLIDER_INSET, bottom = y + height - SLIDER_INSET;
  AddFloatStep(owner, label, VALUE_TYPE_FLOAT_MINUS, variable, minimum, step, handler, x1, x1 + STEP_BUTTON_WIDTH, top,
               bottom);
  AddValueControl(owner, variable, IvFloat(minimum), IvFloat(maximum), IvText(label), VALUE_TYPE_FLOAT, &C.bigText,
                  handler, x1 + STEP_BUTTON_WIDTH, top, x2 - STEP_BUTTON_WIDTH, bottom);
  AddFloatStep(owner, label, VALUE_TYPE_FLOAT_PLUS, variable, maximum, step, handler, x2 - STEP_BUTTON_WIDTH, x2, top,
               bottom);
}

void AddSlider(Prss* owner, const char* label, uint8_t* variable, float x1, float x2, float y, float height,
               float minimum, float maximum, int lowest, int highest, InterfaceHandler handler) {
  const float bottom = y + height;
  const float shown = MappedByteValue(*variable, minimum, maximum, lowest, highest);
  // The label between the step buttons, which would cover its first and last letters.
  AddValueControl(nullptr, HeldFloat(shown), IvText(label), IvInt(0), IvInt(LABEL_NARROW_MARGIN),
                  VALUE_TYPE_HELD_FLOAT, &C.textSelected, nullptr, x1 + STEP_BUTTON_WIDTH, y, x2 - STEP_BUTTON_WIDTH,
                  bottom);
  const bool down = *variable != lowest, up = *variable != highest;
  NameValueControl(AddValueControl(down ? owner : nullptr, variable, IvInt(0), IvInt(0), IvInt(lowest),
                                   VALUE_TYPE_BYTE_MINUS, down ? &C.textUnselected : &C.textUnavailable, handler, x1, y,
                                   x1 + STEP_BUTTON_WIDTH, bottom),
                   label);
  AddValueControl4(owner, variable, minimum, maximum, label, lowest, highest, handler, x1 + STEP_BUTTON_WIDTH, y,
                   x2 - STEP_BUTTON_WIDTH, bottom);
  NameValueControl(AddValueControl(up ? owner : nullptr, variable, IvInt(0), IvInt(0), IvInt(highest),
                                   VALUE_TYPE_BYTE_PLUS,
                                   up ? &C.textUnselected : &C.textUnavailable, handler, x2 - STEP_BUTTON_WIDTH, y,
                                   x2, bottom),
                   label);
}

void AddPanelRangeRow(Prss* owner, const char* label, float* variable, float minimum, float maximum, float y) {
  const PanelLayout& l = CurrentPanelLayout();
  const float bottom = y + l.rowHeight;
  const float step = FormatPrecision(label, VALUE_TYPE_FLOAT);
  AddValueControl(nullptr, HeldFloat(*variable), IvText(label), IvInt(0), IvInt(0), VALUE_TYPE_HELD_FLOAT,
                  &C.textUnselected, nullptr, l.labelX1, y, l.labelX2, bottom);
  AddFloatStep(owner, label, VALUE_TYPE_FLOAT_MINUS, variable, minimum, step, nullptr, l.valueX1, l.valueX1 + 0.06f, y,
               bottom);
  AddValueControl(owner, variable, IvFloat(minimum), IvFloat(maximum), IvText(label), VALUE_TYPE_TYPED_FLOAT,
                  &C.bigText, nullptr, l.valueX1 + 0.06f, y, l.valueX2 - 0.06f, bottom);
  AddFloatStep(owner, label, VALUE_TYPE_FLOAT_PLUS, variable, maximum, step, nullptr, l.valueX2 - 0.06f, l.valueX2, y,
               bottom);
}

void AddRowListScrollBar(Prss* owner, int32_t* position, int left, int top, int rows, int count) {
  if (ScreenWidth <= 0 || ScreenHeight <= 0) return;
  const auto nx = [](int px) { return 2.0f * float(px) / float(ScreenWidth) - 1.0f; };
  const auto ny = [](int py) { return 2.0f * float(py) / float(ScreenHeight) - 1.0f; };
  AddScrollBar(owner, position, nx(left), nx(left + ButtonWidth), ny(top), ny(top + rows * ButtonHeight), rows, count,
               2.0f * float(ButtonHeight) / float(ScreenHeight));
}

void AddScrollBar(Prss* owner, int32_t* position, float x1, float x2, float y1, float y2, int page, int count,
                  float arrow) {
  const float height = y2 - y1;
  // The thumb and the scroll controls share the window fields: first, last, total.
  const InterfaceValue first = IvInt(*position), last = IvInt(*position + page), total = IvInt(count);
  float downTop = y1;
  if (height >= 2.0f * arrow + 0.001f) {
    const float upBottom = height < 3.0f * arrow + 0.001f ? y1 + height * 0.5f : y1 + arrow;
    AddValueControl(owner, position, first, last, total, VALUE_TYPE_SCROLL_UP, &TextColours.panelGrey, nullptr, x1, y1, x2, upBottom);
    downTop = upBottom;
  }
  if (height >= 3.0f * arrow + 0.001f) {
    AddValueControl(owner, position, first, last, total, VALUE_TYPE_SCROLL, &TextColours.panelGrey, nullptr, x1, y1 + arrow, x2,
                    y2 - arrow);
    downTop = y2 - arrow;
  }
  AddValueControl(owner, position, first, last, total, VALUE_TYPE_SCROLL_DOWN, &TextColours.panelGrey, nullptr, x1,
                  downTop, x2, y2);
  AddValueControl(owner, position, first, last, total, VALUE_TYPE_WHEEL, &TextColours.panelGrey, nullptr, x1, y1, x2,
                  y2);
}

// ---- [Rows through the lesson editor] ----
InterfaceHandler LessonEditorStep, LessonEditorAction, LessonEditorPoint;

void AddPanelArrowRow(Prss* owner, const char* label, const char* format, int32_t value, uintptr_t word, float y) {
  // The formatted numbers live until the frame is drawn: a small ring of buffers.
  static char shown[16][32];
  static int next;
  char* text = shown[next++ % 16];
  std::snprintf(text, sizeof shown[0], format ? format : "%d", value);
  AddArrowRow(owner, label, nullptr, IvText(text), IvText(nullptr), VALUE_TYPE_TEXT, word, LessonEditorStep, y);
}

void AddPanelActionRow(Prss* owner, const char* label, const char* text, uintptr_t word, float y) {
  const PanelLayout& l = CurrentPanelLayout();
  AddValueControl(nullptr, HeldFloat(0.0f), IvText(label), IvInt(0), IvInt(0), VALUE_TYPE_HELD_FLOAT,
                  &C.textUnselected, nullptr, l.labelX1, y, l.labelX2, y + l.rowHeight);
  AddValueControl(LessonEditorAction ? owner : nullptr, reinterpret_cast<void*>(word), IvText(text), IvInt(0),
                  IvText(nullptr), VALUE_TYPE_BUTTON, &C.bigText, LessonEditorAction, l.valueX1, y, l.valueX2,
                  y + l.rowHeight);
}

void AddCoordinateRows(Prss* owner, const NamedPoint* points, int count, float y, uintptr_t current, float x1,
                       float x2) {
  const float h = CurrentPanelLayout().rowHeight;
  const float w = (x2 - x1) / 5.0f;  // the name takes two fifths, each button one
  Prss* who = LessonEditorPoint ? owner : nullptr;
  auto add = [&](const char* text, uintptr_t word, float left, float right) {
    AddValueControl(who, reinterpret_cast<void*>(word), IvText(text), IvInt(0), IvText(nullptr), VALUE_TYPE_BUTTON,
                    word == current ? &C.textSelected : &C.textUnselected, LessonEditorPoint, left, y, right, y + h);
  };
  for (int i = 0; i < count; ++i, y += h) {
    const uintptr_t base = 4 * static_cast<uintptr_t>(i);
    add(points[i].name, base + 4, x1, x1 + 2 * w);
    add(LanguageTexts[TX_3h_cfg_oc_X], base + 6, x1 + 2 * w, x1 + 3 * w);
    add(LanguageTexts[TX_3h_cfg_oc_Y], base + 7, x1 + 3 * w, x1 + 4 * w);
    if (points[i].reversible) add(LanguageTexts[TX_3g_cfg_reve], base + 5, x1 + 4 * w, x2);
  }
}

// ---- [Colour rows] ----

void AddRgbByteSliders(Prss* owner, ColourWord* colour, float x1, float x2, float y1, float y2, int minimum,
                       int maximum, int flags, InterfaceHandler handler) {
  const bool brightness = (flags & RGB_SLIDERS_BRIGHTNESS) != 0;
  const float w = (x2 - x1) / (brightness ? 4.0f : 3.0f);
  uint8_t* bytes = reinterpret_cast<uint8_t*>(colour);
  ColourWord* channelColours[3] = {&TextColours.sliderRed, &TextColours.sliderGreen, &TextColours.sliderBlue};
  for (int i = 0; i < 3; ++i)
    AddValueControl(owner, bytes + i, IvInt(minimum), IvInt(maximum), IvText(nullptr), VALUE_TYPE_COLOUR_BYTE,
                    channelColours[i], handler, x1 + w * static_cast<float>(i), y1, x1 + w * static_cast<float>(i + 1),
                    y2);
  if (brightness)
    AddValueControl(owner, bytes, IvInt(minimum), IvInt(maximum), IvText(nullptr), VALUE_TYPE_COLOUR_TRIPLE,
                    &TextColours.panelGrey, handler, x1 + 3.0f * w, y1, x2, y2);
}

void AddColourEditor(Prss* owner, ColourWord* colour, const char* label, ColourWord* style,
                     InterfaceHandler handler, float y, float x1, float x2, float height) {
  AddValueControl(nullptr, nullptr, IvText(label), IvInt(0), IvText(nullptr), VALUE_TYPE_LABEL,
                  style ? style : &C.textUnselected, nullptr, x1, y, x2, y + height);
  AddRgbByteSliders(owner, colour, x1, x2, y + height, y + 2.0f * height, 0, 255, 0, handler);
}

void AddColourRowWithFlags(Prss* owner, const char* label, ColourWord* colour, int flags, InterfaceHandler handler,
                           float y) {
  const PanelLayout& l = CurrentPanelLayout();
  const float middle = 0.5f * (l.valueX1 + l.valueX2);
  AddRowLabel(label, y);
  AddValueControl(owner, nullptr, IvText(nullptr), IvInt(0), IvInt(1), VALUE_TYPE_COLOUR_SWATCH, colour, handler,
                  l.valueX1, y, middle, y + l.rowHeight);
  AddRgbByteSliders(owner, colour, middle, l.valueX2, y, y + l.rowHeight, 0, 255, flags, handler);
}

void AddColourRow(Prss* owner, const char* label, ColourWord* colour, float y) {
  AddColourRowWithFlags(owner, label, colour, 0, nullptr, y);
}

namespace {
void ToggleHistoryHandler(void*, int, uintptr_t) { ToggleMessageHistory(); }
}  // namespace

int AddMessageHistoryButton(Prss* owner) {
  const char* hint = ShowMessageHistory ? "Hide the message history" : "Show the message history";
  return AddRowButton(owner, 1, 1, ShowMessageHistory, &TextColours.lightYellow, "H", ToggleHistoryHandler, hint);
}
