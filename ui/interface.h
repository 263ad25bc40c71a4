// interface.h - the per-frame button and value-control tables, their layout and clicks.
//
// Sections: [Records] [Metrics and row cursor] [Frame] [Buttons] [Value controls]
//           [Row adders] [Mouse] [Outside hooks] [Drawing]
//
// The interface is immediate-mode: every drawn frame starts with both tables empty, the
// screens add what they want on screen while the act call runs, and a press on a control
// carries out its action, calls its owner's handler and empties the tables at once, so one
// click causes one action.  Buttons use pixel rectangles (right and bottom edges outside);
// value controls use normalised screen units, x -1 left .. 1 right and y -1 top .. 1 bottom
// (edges inside).  A control with a null owner is never pressed.  Main thread only.
//
// A button of a text style (a label, a choice, a toggle named by its label) keeps a copy of
// its text, so a screen may format it into a buffer of its own.  Every other text handed
// over - a button's format or hint, a value control's label - is read again after the adder
// returns (when the frame is drawn, the pointer hovers or the control is pressed, and by a
// typed entry it opens): it must outlive the frame, as literals and static buffers do.
//
// Layer: ui/, the interface, over the renderer, the text services and the foundation; under
// the subsystems and the program shell (tools/layers.txt).
#pragma once
#include <bit>
#include <cstdint>

#include "text/text_colours.h"
#include "ui/interface_styles.h"

struct MouseRecord;
struct Prss;

// ---- [Records] ----
// Handlers and change callbacks: (owner, click code or value, word).  The word may carry the
// address of a bound variable, so it is pointer-sized.
using InterfaceHandler = void (*)(void* owner, int code, uintptr_t word);

// A parameter whose meaning depends on the style or display type: a number, a text, an
// address or a function.  Read back only as what the adder put in.
union InterfaceValue {
  intptr_t i;
  float f;
  const char* text;
  void* address;
  InterfaceHandler function;
};
inline InterfaceValue IvInt(intptr_t v) { InterfaceValue r{}; r.i = v; return r; }
inline InterfaceValue IvFloat(float v) { InterfaceValue r{}; r.f = v; return r; }
inline InterfaceValue IvText(const char* v) { InterfaceValue r{}; r.text = v; return r; }
inline InterfaceValue IvAddress(void* v) { InterfaceValue r{}; r.address = v; return r; }
inline InterfaceValue IvFunction(InterfaceHandler v) { InterfaceValue r{}; r.function = v; return r; }

// Display-only value types (VALUE_TYPE_HELD_FLOAT and the other held types) hold the number
// they show in the variable field.
inline void* HeldFloat(float v) { return reinterpret_cast<void*>(static_cast<uintptr_t>(std::bit_cast<uint32_t>(v))); }
inline void* HeldInt(int32_t v) { return reinterpret_cast<void*>(static_cast<uintptr_t>(static_cast<uint32_t>(v))); }
inline float HeldFloatOf(const void* p) {
  return std::bit_cast<float>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)));
}
inline int32_t HeldIntOf(const void* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)));
}

struct InterfaceButton {
  uint8_t style;        // a ButtonStyle: the drawing and the built-in press action
  uint8_t editDomain;   // EditDomain when added
  int32_t left, top, right, bottom;  // pixels
  uintptr_t word;       // handed to the handler; the bound variable's address for value styles
  InterfaceValue text;  // the coded text, or the lower limit or step of value styles
  InterfaceValue third; // upper limit, radio index address, flag mask, packed colour, paste function
  InterfaceValue fourth;// lit state 0/1, float label, slider span, list entries
  ColourWord* colour;   // the face colour; the three colour bytes edited by colour styles
  Prss* owner;
  InterfaceHandler handler;
  const char* hint;     // shown while the pointer is over the button
};

struct ValueControl {
  float left, top, right, bottom;  // normalised screen units
  void* variable;
  InterfaceValue minimum, maximum;
  InterfaceValue label;            // printf label, a float step (explicit step) or a function (choices)
  uint8_t displayType;             // a DisplayType
  uint8_t subType;                 // 16-bit value: it spans [minimum, maximum]
  uint8_t byteMinimum, byteMaximum;// mapped byte
  uint8_t codePage;
  uint8_t editDomain;
  uint16_t cleared;                // 0 when added
  ColourWord* colour;
  Prss* owner;                     // null: shown, takes only the wheel
  InterfaceHandler callback;
  const char* name;                // the row an edit through it is named after; null: its label
};

constexpr int MAX_INTERFACE_BUTTONS = 1024;
constexpr int BUTTON_TEXT_SIZE = 160;  // a text style's copy of its text, with the terminator
constexpr int BUTTON_TEXT_STORE = 256 * 1024;  // bytes of the copies kept until the tables are emptied
constexpr int MAX_VALUE_CONTROLS = 1024;
extern InterfaceButton InterfaceButtons[MAX_INTERFACE_BUTTONS];
extern int ButtonCount;
extern ValueControl ValueControls[MAX_VALUE_CONTROLS];
extern int ValueControlCount;

// The history an edit through a control is recorded in: 0 none, 2 the vehicle editor,
// 3 the modeller, 4 the texture-mapping tool.  Screens set it before adding controls.
extern uint8_t EditDomain;

// ---- [Metrics and row cursor] ----
extern int ButtonHeight;            // one row, pixels
extern int ButtonWidth;             // one button unit, pixels (always even)
extern float InterfaceScale;
extern int InterfaceScaleRounded;   // the margin of slider knobs
extern int RowCursorX, RowCursorY;  // pixels
extern int LayoutColumns;           // button units in a panel row
// From "Char Size " s: TextSize 2s + 11, a row 5 more, a unit 2 x round(1.3 TextSize / 2).
void SetInterfaceMetrics();
// The smallest text size (pixels) a screen lays its texts out for: its capital letters stand
// 7 pixels high, the least that reads.
constexpr float LEAST_TEXT_PIXELS = 11.85f;
// The text size (pixels) of a halo label (BUTTON_STYLE_HALO_TEXT): three quarters of the
// interface's, not under the least; and the halo's width round its strokes.
float HaloLabelTextSize();
float HaloLabelHaloPixels();
void SetRowCursorFromBottomLeft(int rows);
void SetRowCursorFromRight(int units, int rows);
void SetRowCursorFromBottomRight(int units, int rows);
// Whether a button is a row: the markers of the scene's points and the layer breaks are none.
bool IsRowButton(const InterfaceButton& button);
// Whether a row added at index from..to-1 lies over a row added before it, from index first on.
bool RowsLieOverEarlierRows(int first, int from, int to);

// ---- [Frame] ----
// Empties both tables, the screen labels, the status lines and the frame's drawing record
// (ui/draw_record.h), puts the row cursor at (0, 0) and clears the release flag.  Run before
// every act call and after every button action.
void ClearInterface();
extern float ScreenTitleY;  // -1.0: no screen title this frame
// The pixel rectangle the interface may draw in (labels outside it are neither drawn nor hit).
struct InterfaceRect {
  int left, top, right, bottom;
};
extern InterfaceRect InterfaceClipRect;
void SetInterfaceRectangleToScreen();  // the whole screen
void ClearCaptionWords();              // the two per-frame caption words of centred captions

// ---- [Buttons] ----
// Appends a button with the current EditDomain; -1 (nothing added) when the table is full.
// The text of a text style (the text, label, swatch, radio, angle step and flag styles) is
// copied, cut to BUTTON_TEXT_SIZE - 1 bytes, into a store emptied with the tables; -1 too when
// that store is full.
int AddButton(Prss* owner, int left, int top, int right, int bottom, uintptr_t word, InterfaceValue text,
              InterfaceValue third, InterfaceValue fourth, ButtonStyle style, ColourWord* colour,
              InterfaceHandler handler, const char* hint);
int AddNullButton();  // a zero rectangle without owner: never pressed
// Whether a pixel rectangle shares more than a pixel each way with a row drawn over the
// screen: a button of [firstButton, ButtonCount) other than skipButton (layer breaks and zero
// rectangles aside), or a value control of [firstControl, ValueControlCount) that takes clicks
// or shows a text (an unseen area control that only catches the pointer is none).
bool MeetsRows(float left, float top, float right, float bottom, int firstButton, int firstControl,
               int skipButton = -1);

// ---- [Value controls] ----
// Appends a value control (code page CurrentCodePage); -1 when the table is full.
int AddValueControl(Prss* owner, void* variable, InterfaceValue minimum, InterfaceValue maximum,
                    InterfaceValue label, DisplayType type, ColourWord* colour, InterfaceHandler callback, float left,
                    float top, float right, float bottom);
int AddValueControl2(Prss* owner, void* variable, InterfaceValue minimum, InterfaceValue maximum,
                     InterfaceValue label, DisplayType type, ColourWord* colour, InterfaceHandler callback, float left,
                     float top, float right, float bottom);  // code page 0
int AddValueControl3(Prss* owner, void* variable, InterfaceValue minimum, InterfaceValue maximum,
                     InterfaceValue label, DisplayType type, ColourWord* colour, InterfaceHandler callback, float left,
                     float top, float right, float bottom);  // code page 10
// Names the edits made through value control `index` (as the adds return it; -1 does nothing)
// after its row's printf label: for a control whose label field holds no such text, as the
// step arrows (VALUE_TYPE_BYTE_PLUS .. VALUE_TYPE_FLOAT_MINUS, whose label field is their limit)
// and one side of a pair.
void NameValueControl(int index, const char* name);
// A row of texts read as one (a tab row) takes one text size: the size a VALUE_TYPE_TEXT
// control of that rectangle draws the text at (smaller where it would not fit), and while
// ControlTextMost is over 0 the one-line texts of controls added are drawn no larger.  The
// caller sets it to the least of its texts' sizes, adds them and sets it back to 0.
float FittedControlTextSize(const char* text, float left, float top, float right, float bottom);
extern float ControlTextMost;
// VALUE_TYPE_WORD over a 16-bit variable; spanFloatRange 1 maps 0..65534 onto [minimum, maximum].
int AddValueSliderBar(Prss* owner, uint16_t* variable, float minimum, float maximum, const char* label,
                      int spanFloatRange, InterfaceHandler callback, float left, float top, float right,
                      float bottom);
// VALUE_TYPE_MAPPED_BYTE: a byte in [byteMinimum, byteMaximum] shown as [minimum, maximum].
int AddValueControl4(Prss* owner, uint8_t* variable, float minimum, float maximum, const char* label,
                     int byteMinimum, int byteMaximum, InterfaceHandler callback, float left, float top,
                     float right, float bottom);

// ---- [Row adders] ----
// Each places at the row cursor, ButtonHeight high and a whole number of units wide, and
// moves RowCursorX right by what it placed.  They return what AddButton returns.
int AddRowButton(Prss* owner, int units, uintptr_t word, int lit, ColourWord* colour, const char* text,
                 InterfaceHandler handler, const char* hint);  // BUTTON_STYLE_TEXT with a text, else plain
int AddRowOptionButton(Prss* owner, int units, uintptr_t word, int lit, ColourWord* colour, const char* text,
                       InterfaceHandler handler, const char* hint);  // BUTTON_STYLE_LABEL with a text, else plain
// BUTTON_STYLE_SYMBOL, a symbol button: its label is glyph codes (up to four bytes 32..255, as
// GlyphCodes packs them), each drawn as the character set's own glyph (glyph = code - 32)
// whatever the code page, so the program's symbols (step arrows, lamps, display styles) show
// as themselves where a code page would read their bytes as letters or lead bytes.
int AddRowButtonStyle4(Prss* owner, int units, uintptr_t word, int lit, ColourWord* colour, const char* glyphCodes,
                       InterfaceHandler handler, const char* hint);
constexpr int GLYPH_CODES_MAX = 4;
// Packs up to four glyph codes, the first in the low byte; a byte below 32 ends them.
inline InterfaceValue GlyphCodes(const char* codes) {
  uint32_t packed = 0;
  for (int i = 0; codes && i < GLYPH_CODES_MAX && static_cast<uint8_t>(codes[i]) >= 32; ++i)
    packed |= uint32_t{static_cast<uint8_t>(codes[i])} << (8 * i);
  return IvInt(static_cast<intptr_t>(packed));
}
int AddRowButtonWidth(Prss* owner, int pixels, uintptr_t word, const char* text, InterfaceHandler handler);
int AddRowButtonStyle37(Prss* owner, int units, uintptr_t word, InterfaceValue third, const char* text,
                        ColourWord* colour, InterfaceHandler handler, const char* hint);  // BUTTON_STYLE_FLOAT_FORMAT
int AddRowStyledButton(Prss* owner, int units, uintptr_t word, InterfaceValue third, const char* text,
                       ColourWord* colour, InterfaceHandler handler, const char* hint);  // BUTTON_STYLE_INT_FORMAT
// One BUTTON_STYLE_RADIO item per text; the item whose index equals *chosen is lit.
int AddRadioButtonColumn(Prss* owner, int units, int32_t* chosen, int count, const char* const* texts,
                         ColourWord* colour, InterfaceHandler handler, const char* const* hints);
// A list's scroll bar: a wheel area (VALUE_TYPE_WHEEL, no owner) over the list, a one-unit
// trough at the row cursor and a knob (BUTTON_STYLE_SCROLL_KNOB) showing [windowStart,
// windowEnd) of total entries.
struct SliderGeometry {
  float listLeft, listTop, listRight, listBottom;  // the wheel area, normalised units
  int troughHeight;                                // pixels
};
int AddSliderControl(Prss* owner, const SliderGeometry& geometry, int32_t* scrollPosition, int windowStart,
                     int windowEnd, int total);
// A float value button (BUTTON_STYLE_FLOAT .. BUTTON_STYLE_FLOAT_THOUSANDTHS) of LayoutColumns - 2
// units with its knob, then "-" and "+" (BUTTON_STYLE_FLOAT_MINUS, _PLUS) stepping by the
// label's precision.
int AddValueEditButton(Prss* owner, const char* label, float minimum, float maximum, float* variable,
                       ColourWord* colour, InterfaceHandler handler, ButtonStyle style, const char* hint);
// A byte slider: trough and knob (BUTTON_STYLE_BYTE_SLIDER .. BUTTON_STYLE_COLOUR_TRIPLE) of two
// units (or troughWidth pixels), then decrease and increase of a unit each.
int AddRowByteSlider(Prss* owner, int maximum, int height, ButtonStyle style, uint8_t* variable, ColourWord* colour,
                     InterfaceHandler handler, int troughWidth = 0);
// A BUTTON_STYLE_NAMED_FLAG toggle.
int AddRowListButton(Prss* owner, int units, const char* text, uint32_t mask, uint32_t* flags,
                     ColourWord* colour, int invert, InterfaceHandler handler, const char* hint);
int AddFlagToggle(Prss* owner, int units, const char* text, uint32_t mask, uint32_t* flags, ColourWord* colour,
                  int invert, InterfaceHandler handler, const char* hint);  // label + BUTTON_STYLE_FLAG32
int AddByteFlagToggle(Prss* owner, int units, const char* text, uint8_t mask, uint8_t* flags, ColourWord* colour,
                      InterfaceHandler handler, const char* hint);  // label + BUTTON_STYLE_FLAG8
// A ten-unit label and a two-unit toggle (BUTTON_STYLE_FLAG16) of a 16-bit flags word; a click rebuilds
// the modeller's edited mesh.
int AddLabelledFlag16(Prss* owner, const char* text, uint16_t mask, uint16_t* flags, const char* hint);
// An optional one-unit label, then a button of style (BUTTON_STYLE_ANGLE16, _LENGTH16, _SCALE
// or _DISTANCE16: the text field holds the number shown) that is 8 units wide (7 after a label)
// and takes no click, or with steps 6 (5) units with word + 2, followed by "-" and "+" step
// buttons with the words word and word + 1 and the style's step hints.
int AddLabelledValueButton(Prss* owner, const char* label, ButtonStyle style, int withSteps, uintptr_t word,
                           ColourWord* colour, InterfaceValue text, InterfaceHandler handler, const char* hint);
// One-unit "-" and "+" buttons whose hints describe the steps of a kind (STEP_HINT_ANGLE ..
// STEP_HINT_DISTANCE, ui/value_steps.h).
int AddStepHintButtons(Prss* owner, uintptr_t wordMinus, uintptr_t wordPlus, ColourWord* colour,
                       InterfaceHandler handler, int kind);
// A square of twice "Blob Size " centred on the pixel point (x, y), BUTTON_STYLE_COLOUR_SQUARE,
// showing the three colour bytes; -1 (not added) when its top edge lies above PointButtonTopLimit.
extern int PointButtonTopLimit;
int AddColourPointButton(Prss* owner, int x, int y, uintptr_t word, int lit, const uint8_t* colourBytes,
                         InterfaceHandler handler);
// A swatch of `units` button units at the row cursor bound to a colour's red, green and blue
// bytes: Ctrl + right click copies them, Shift + right click pastes (recorded as an edit) and
// then calls the handler; other clicks go to the handler.  Moves RowCursorX right.
int AddRowColourSwatch(Prss* owner, int units, uintptr_t word, ColourWord* colour, InterfaceHandler handler,
                       const char* hint);
// Spinner rows: a display of LayoutColumns - 2 units, a decrease and an increase button.
int AddSmoothingGroupSpinner(Prss* owner, int32_t* variable);  // "Smoothing group %d", 0..16
int AddRowColourButton(Prss* owner, const char* label, int minimum, int maximum, uint8_t* variable,
                       ColourWord* colour, InterfaceHandler handler, const char* hint);  // a byte through label
int AddDiscOffsetSpinner(Prss* owner, int8_t* variable);  // "Offset %d mm", -60..60
// The slider group of one colour (its first three bytes) at the row cursor, three quarters
// of a row per slider: a swatch of two units with the label over the red, green and blue
// sliders (each with its value, a unit and a half wide), then a brightness slider of all three.  The channels reach
// 220 in mode 2, else 255.  The row cursor ends right of the group at its top.
int AddColourSliders(Prss* owner, uintptr_t word, ColourWord* colour, const char* label, InterfaceHandler handler,
                     int mode);

// ---- [Mouse] ----
// The button under the pointer (the last added that holds it), or null; sets HoverHint and
// PointerOverButton.
const InterfaceButton* FindButtonUnderMouse();
extern const char* HoverHint;
extern uint32_t HoverHintSinceMs;  // ClockNowMs when HoverHint last changed: the pointer's rest
extern int PointerOverButton;
// Hands a mouse record to the interface.  Non-zero when the interface took the event; while a
// press waits for its release, plain moves return its click code.
// A press taken by a value control clears the record's held-button flags, so the screen does
// not also treat it as the start of its own drag.
int HandleInterfaceMouse(MouseRecord* mouse);
// Ends a value drag in progress, restoring the value from before it; 1 when there was one.
int CommitValueEdit();
// A screen is closing: its drag, pending press and controls are forgotten, so nothing is
// written into it after it is freed.  The body of the process framework's
// ForgetInterfaceOwner hook (core/process.h).
void ReleaseInterfaceOwner(const Prss* owner);
// The mouse function of simple processes: hands the record to the interface.
void Prss_SimpleMouse(Prss* process, MouseRecord* mouse);
// Clears the drag, the pending press, the clipboard and both tables (between tests).
void ResetInterfaceState();

// ---- [Outside hooks] ----
extern int InteractiveMode;  // 1 by default; 0 when the command line chose another run mode

// ---- [Drawing] ----
// A label's flag (its label field) for a label between a slider's steps, which already keep
// its sides clear: its text keeps only a narrow margin to either side.
constexpr intptr_t LABEL_NARROW_MARGIN = 0x20;
// Formats a control's text by its display type and queues it into the interface text batch;
// every AddValueControl form calls it (ui/value_control_text.cpp).
void PrepareValueControl(ValueControl& control);
// The text PrepareValueControl draws for the control, without placement: 0 for types that
// show no text (or show glyphs only), else 1 with the coded text in out.
int ValueControlText(const ValueControl& control, char* out, int outSize);
// The band a label control's text covers as drawn (left and right of the line, the glyphs'
// boxes' top to the foot of the cell): 0 for other controls and empty labels.
int ControlLabelBand(const ValueControl& control, float* left, float* top, float* right, float* bottom);
// The opaque colour (0xFFRRGGBB) its text or glyphs are drawn in, unpressed; 0 when it shows none.
uint32_t ValueControlInk(const ValueControl& control);
// Pressed as drawn: a mouse button is held, the control has a callback, the press was made on
// a control of its type, and the press point and the pointer both lie inside it.
bool IsControlPressed(const ValueControl& control);
// The per-frame passes (ui/interface_draw.h has the panel routines).
void DrawInterface();
void DrawButtons();
void DrawScreenLabels();
