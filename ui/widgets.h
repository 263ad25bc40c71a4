// widgets.h - the stock widgets that lay out screens: the screen title, the corner buttons,
// rows of label and control in fixed panel layouts, sliders and the scroll bar.
//
// Sections: [Panel layouts] [Stock callbacks] [Title and corner buttons] [Rows]
//           [Sliders and scroll bar] [Outside settings]
//
// Every widget adds value controls through AddValueControl in the frame it is called in; a
// full table silently drops the rest.  Coordinates are normalised screen units.  Each row
// takes its top y and is one layout row high.  Main thread only.
#pragma once
#include <cstdint>

#include "ui/interface.h"

// ---- [Panel layouts] ----
struct PanelLayout {
  float labelX1, labelX2;
  float valueX1, valueX2;
  float extraX1, extraX2;  // a third column for help or check buttons
  float rowHeight;
};
constexpr int PANEL_LAYOUT_COUNT = 10;
extern const PanelLayout PanelLayoutTable[PANEL_LAYOUT_COUNT];
extern int PanelLayoutIndex;  // chosen by AddScreenTitle; every row widget reads it
const PanelLayout& CurrentPanelLayout();

// The interface flags word; AddScreenTitle sets the top bit.
constexpr uint32_t INTERFACE_FLAG_SCREEN_TITLE = 0x80000000u;
extern uint32_t InterfaceFlags;
// Set by the back buttons this frame (cleared by ClearInterface); read by screens that
// offer a back action.
extern int BackButtonShown;

// ---- [Stock callbacks] ----
// Called by the interface as (owner, maximum field, variable address).
void CycleValue(void* owner, int value, uintptr_t variable);  // (v + 1) mod value
void ToggleBits(void* owner, int value, uintptr_t variable);  // v XOR value
void SetValue(void* owner, int value, uintptr_t variable);    // v = value
// Opens the help page of the help key (a const char* in word) as the owner's sub-screen.
void OpenHelpSub(void* owner, int code, uintptr_t helpKey);

// ---- [Title and corner buttons] ----
// Title over the top 0.15; moves the message area's top below it and selects a layout.
// plain adds the title without the current code page.
void AddScreenTitle(const char* title, int layoutIndex, int plain);
void AddCornerBackButton(Prss* owner, uintptr_t word, InterfaceHandler handler);
void AddBackButton(Prss* owner, uintptr_t word, InterfaceHandler handler, const char* text);  // null: "back"
void AddOkButton(Prss* owner, uintptr_t word, InterfaceHandler handler, const char* text, float width);  // null: "GO"

// ---- [Rows] ----
// A one-unit "H" at the row cursor that shows or hides the message history.
int AddMessageHistoryButton(Prss* owner);
void AddPanelLabel(const char* text, float y);
void AddPanelButton(Prss* owner, const char* text, uintptr_t word, InterfaceHandler handler, float y);
void AddPanelTextRow(const char* label, const char* text, float y);
// The value alternates between the two texts of a null-ended list; a help button follows
// when helpKey is given.
void AddPanelCycleRow(Prss* owner, const char* label, int32_t* variable, const char* const* valueTexts,
                      const char* helpKey, float y);
void AddPanelFlagRow(Prss* owner, const char* label, uint32_t* flags, uint32_t mask, InterfaceHandler changed,
                     float y);
void AddScreenshotFormatRow(Prss* owner, float y);
// The buffer holds maxLength characters and a zero; fieldType is the control type
// (VALUE_TYPE_EDIT_TEXT, VALUE_TYPE_EDIT_PASSWORD or VALUE_TYPE_EDIT_SINGLE_BYTE).
void AddPanelTextField(Prss* owner, const char* label, char* buffer, int maxLength, const char* helpKey,
                       DisplayType fieldType, InterfaceHandler handler, float y);
void AddHostNameRow(Prss* owner, float y);
// Arrows with words word and word + 1 around the value (VALUE_TYPE_INT_VALUE through text); without a
// handler the row is shown unavailable and takes no clicks.
void AddPanelValueRow(Prss* owner, const char* label, const char* text, int32_t* value, uintptr_t word,
                      InterfaceHandler handler, float y);

// The same row whose middle shows the value formatted through format (VALUE_TYPE_TEXT); its arrows
// step through LessonEditorStep.
void AddPanelArrowRow(Prss* owner, const char* label, const char* format, int32_t value, uintptr_t word, float y);
// A row label and a "Big Text" button over the value columns, through LessonEditorAction.
void AddPanelActionRow(Prss* owner, const char* label, const char* text, uintptr_t word, float y);
// For each named point: its name, "X", "Y" and, when reversible, "REV"; words 4i + 4 (name),
// 4i + 6 (X), 4i + 5 (REV), 4i + 7 (Y); the control whose word is current is selected.
struct NamedPoint {
  const char* name;
  int reversible;
};
void AddCoordinateRows(Prss* owner, const NamedPoint* points, int count, float y, uintptr_t current, float x1,
                       float x2);

// ---- [Sliders and scroll bar] ----
void AddPanelSliderRow(Prss* owner, const char* label, float* variable, float minimum, float maximum,
                       InterfaceHandler handler, float y);
void AddFloatSlider(Prss* owner, const char* label, float x1, float x2, float y, float height, float* variable,
                    float minimum, float maximum, float step, InterfaceHandler handler);
// A byte slider over lowest..highest shown as minimum..maximum (MappedByteValue): a row label
// that formats the shown value through the label ("X %.2f"; a byte beyond the range shows the
// value it maps to), step buttons live unless the byte is at that end of the range (one beyond
// it steps to the end: a stored value out of range comes back in one press), and the slider
// between them.  The handler runs after each change.
void AddSlider(Prss* owner, const char* label, uint8_t* variable, float x1, float x2, float y, float height,
               float minimum, float maximum, int lowest, int highest, InterfaceHandler handler);
void AddPanelRangeRow(Prss* owner, const char* label, float* variable, float minimum, float maximum, float y);
// Up and down controls (each `arrow` high, by the bar's height), the thumb showing
// [position, position + page) of count, and the drag area.
void AddScrollBar(Prss* owner, int32_t* position, float x1, float x2, float y1, float y2, int page, int count,
                  float arrow = 0.04f);
// The same bar one button unit wide at pixel column `left`, over `rows` rows from pixel row
// `top` (a list laid out with the row cursor), its arrows a row high as the list's rows.
void AddRowListScrollBar(Prss* owner, int32_t* position, int left, int top, int rows, int count);

// Byte sliders on a colour's red, green and blue in thirds of x1..x2; flag bit 1 adds a
// brightness slider and takes quarters.
constexpr int RGB_SLIDERS_BRIGHTNESS = 2;
void AddRgbByteSliders(Prss* owner, ColourWord* colour, float x1, float x2, float y1, float y2, int minimum,
                       int maximum, int flags, InterfaceHandler handler);
// A colour's editor: the label on a row of its own (in the style colour) from y, and the
// red, green and blue sliders over 0..255 on the row below, both across x1..x2, each row
// `height` high.
void AddColourEditor(Prss* owner, ColourWord* colour, const char* label, ColourWord* style,
                     InterfaceHandler handler, float y, float x1, float x2, float height);
// A label, a swatch over the left half of the value columns and the sliders over the right.
void AddColourRow(Prss* owner, const char* label, ColourWord* colour, float y);
void AddColourRowWithFlags(Prss* owner, const char* label, ColourWord* colour, int flags, InterfaceHandler handler,
                           float y);

// ---- [Outside settings] ----
// The screenshot format (0 bmp .. 4 gif) and the host name, which the options keep.
extern int32_t ScreenshotFormat;
constexpr int HOST_NAME_SIZE = 33;  // 32 characters and a zero
extern char HostName[HOST_NAME_SIZE];
// The lesson editor's handlers of the arrow, action and coordinate rows.  STAND-IN: null
// until the lesson editor exists (the rows are then shown without action).
extern InterfaceHandler LessonEditorStep, LessonEditorAction, LessonEditorPoint;
