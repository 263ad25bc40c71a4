// tab_pages.h - the vehicle editor's twelve tab pages: the tab table, the page builders'
// table, and the layout helpers every page uses.
//
// Sections: [Tabs] [Layout]
//
// The pages are rebuilt from nothing on every drawn frame (VehicleEditor::BuildPanels): the
// tab buttons two per row from the top-left corner, the open page's rows below them.  Units
// are the interface's: W one button width, H one row; a full panel row is LayoutColumns (16)
// units.  Controls in a block marked "recorded" are added with EditDomain 2, so that an edit
// made with them is recorded in the editor's history under "set <label>".  Main thread only.
#pragma once
#include <cstdint>

#include "ui/interface.h"

struct Car;
struct VehicleEditor;

// ---- [Tabs] ----
constexpr int TAB_PAGE_COUNT = 12;
enum VehicleTab : int {
  TAB_CLASS = 0,
  TAB_TRANSMISSION = 1,
  TAB_WHEEL_OBJECT = 2,
  TAB_SUSPENSION = 3,
  TAB_ALLOW = 4,
  TAB_LIGHT_COLOURS = 5,
  TAB_STEERING = 6,
  TAB_OBJECT_POSITIONS = 7,
  TAB_MASS = 8,
  TAB_AERODYNAMICS = 9,
  TAB_CONFIGURATIONS = 10,
  TAB_TEXTURES = 11,
};
extern const char* const TabLabels[TAB_PAGE_COUNT];
using TabPageBuilder = void (*)(VehicleEditor& editor);
// The builder of each tab's page.  A null entry is a page the editor does not have yet: its
// tab opens and closes, and its place below the tabs stays empty.
extern const TabPageBuilder TabPages[TAB_PAGE_COUNT];
constexpr int PANEL_ROW_UNITS = 16;  // a full panel row
constexpr int TAB_UNITS = 8;
constexpr int TAB_ROWS = TAB_PAGE_COUNT / 2;
// The pixel y of the top of the rows common to every page (set-ups, colours, drive side, file
// row), which grow upwards from the bottom edge by the car's set-ups, colours and driver.
int CommonRowsTop(const Car& car);

// The display toggles ("driver", "fuel", ...; "Edit", "Animate"; the special-draw row) stand
// in the rows DISPLAY_ROW to DISPLAY_ROW + DisplayRows - 1 from the bottom, from 12 W: three,
// or more on a screen too narrow for a group's toggles in one row beside the edit views' block.
constexpr int DISPLAY_ROW = 3;
int DisplayRows(const VehicleEditor& editor);

// ---- [Layout] ----
// The row cursor to the panel's left edge, one row lower.  While a page is built its rows
// flow through the room under the tabs: down to the common rows, then on at the top of a
// column beside the panel (as many columns as stand clear of the side panel, which keep
// above the display toggles), and a page longer than all of them scrolls (the editor's
// pageScroll rows are left out at the top; a scroll bar stands right of the last column).
// Rows that are not shown are built off the screen and taken out of the tables afterwards.
void PageRow();
// A block of `rows` rows that a page places by itself from the cursor, which stands on its
// first row: the block stands whole in one column (at the top of the next when the rest of
// this one is too short) and scrolls as its rows would.  The page leaves the cursor on the
// block's last row.
void PageBlock(int rows);
// A label (BUTTON_STYLE_TEXT, no handler) of `units` W; BUTTON_STYLE_LABEL for a row heading.
void PageLabel(const char* text, int units, const char* hint);
void PageHeading(const char* text, int units, const char* hint);
// A choice button: text, word, handler, drawn selected when `selected`.
void PageChoice(VehicleEditor& editor, const char* text, int units, uintptr_t word, int selected,
                InterfaceHandler handler, const char* hint);
// The same with a label of the character set's symbols (glyph codes, AddRowButtonStyle4),
// which show as themselves whatever the code page.
void PageSymbolChoice(VehicleEditor& editor, const char* glyphCodes, int units, uintptr_t word, int selected,
                      InterfaceHandler handler, const char* hint);
// A whole number shown through its format (BUTTON_STYLE_INT_FORMAT), `units` W; with a
// handler it is a button of that word.
void PageNumber(const char* format, int32_t value, int units, const char* hint, ColourWord* colour = nullptr,
                Prss* owner = nullptr, uintptr_t word = 0, InterfaceHandler handler = nullptr);
// A float shown through its format (BUTTON_STYLE_FLOAT_FORMAT), `units` W, no click.
void PageFloat(const char* format, float value, int units, const char* hint, ColourWord* colour = nullptr,
               Prss* owner = nullptr, uintptr_t word = 0, InterfaceHandler handler = nullptr);
// A full-row value control over a float (unit kind: VALUE_PLAIN .. VALUE_THOUSANDS) with its
// bar and step buttons; the value stays within [minimum, maximum].
void PageValue(VehicleEditor& editor, const char* label, float minimum, float maximum, float* variable,
               InterfaceHandler handler, ButtonStyle kind, const char* hint);
// A full-row flag toggle of a 32-bit or an 8-bit word.
void PageFlag(VehicleEditor& editor, const char* text, uint32_t mask, uint32_t* flags, InterfaceHandler handler,
              const char* hint);
void PageByteFlag(VehicleEditor& editor, const char* text, uint8_t mask, uint8_t* flags, InterfaceHandler handler,
                  const char* hint);
// The editor's value handlers as interface handlers (owner: the editor).
void PageValueChanged(void* owner, int click, uintptr_t word);  // VehicleValueChanged
void PageSeatOptionChanged(void* owner, int click, uintptr_t word);
void PageDriverPositionChanged(void* owner, int click, uintptr_t word);
void PageUpdateDriveSide(void* owner, int click, uintptr_t word);
void PageSetSteering(void* owner, int click, uintptr_t word);
// The value control kinds: the float value buttons by unit.
constexpr ButtonStyle VALUE_PLAIN = BUTTON_STYLE_FLOAT, VALUE_ANGLE = BUTTON_STYLE_FLOAT_DEGREES,
                      VALUE_ENGINE_SPEED = BUTTON_STYLE_FLOAT_RPM, VALUE_THOUSANDS = BUTTON_STYLE_FLOAT_THOUSANDTHS;
