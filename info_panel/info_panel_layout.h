// info_panel_layout.h - the vehicle information panel's layout transform and its value rows.
//
// Sections: [Layout transform] [Geometry] [Controls] [Value rows]
//
// The panel is written in fixed panel coordinates, those of the garage's full-screen layout;
// the vehicle editor draws the same panel inside a smaller rectangle by setting the transform
// first.  Every control the panel adds goes through it.  A value row owns no storage: it binds
// controls to the caller's variable and formats its label into a line buffer of its own (one
// per row, kept for the frame).  A full control table drops further controls silently.
//
// Layer: info_panel, over the vehicle model and the interface (tools/layers.txt).
// Main thread only.
#pragma once
#include <cstdint>

#include "ui/interface.h"

// ---- [Layout transform] ----
// A panel point (x, y) is drawn at (sx x + x0, sy y + y0).  Identity at start; the vehicle
// editor restores it after every panel draw.  bottom is the lowest screen y a control may reach:
// a control that would pass it, or a value row any of whose controls would, is left out.
constexpr float INFO_PANEL_UNCLIPPED = 1.0e30f;
struct InfoPanelLayout {
  float sx = 1.0f, sy = 1.0f;
  float x0 = 0.0f, y0 = 0.0f;
  float bottom = INFO_PANEL_UNCLIPPED;
};
extern InfoPanelLayout InfoLayout;

// The panel's width in panel units, and its row metric: a value row is this high, and the
// panel's top edge lies at y = PANEL_ROW_METRIC - 1.
constexpr float PANEL_WIDTH = 1.6f;
constexpr float PANEL_ROW_METRIC = 0.3f;

// Fits the panel into the screen rectangle from left to right (normalised units) whose top is
// at top: scale (right - left) / 1.6, never below 0.5 and never so large that a value row
// grows past one interface button's height; the panel's top edge lands on top.  Nor below the
// scale at which a line's text (0.85 of PANEL_TEXT_HEIGHT) reaches LEAST_TEXT_PIXELS, as far as the
// panel may widen: up to the screen x widest (by default no further than right).
void SetInfoPanelLayout(float left, float right, float top, float widest = -2.0f);
// The garage's full-screen panel: scaled by FULL_SCREEN_PANEL_SCALE about its own top edge,
// so that the deepest pages (the suspension's five rows per axle, a four-wheel-drive car's
// final drive) end on screen, and standing against the screen's right edge, from
// FULL_SCREEN_PANEL_LEFT to FULL_SCREEN_PANEL_RIGHT: the car on show has the room at its left.
constexpr float FULL_SCREEN_PANEL_SCALE = 0.65f;
constexpr float FULL_SCREEN_PANEL_RIGHT = 0.98f;
constexpr float FULL_SCREEN_PANEL_LEFT = FULL_SCREEN_PANEL_RIGHT - PANEL_WIDTH * FULL_SCREEN_PANEL_SCALE;
void SetFullScreenInfoPanelLayout();
// Leaves out what would reach below the screen y bottom (normalised units), until the reset:
// the editor's panel ends above the rows under it.
void ClipInfoPanelBelow(float bottom);
// Back to the identity, no clip and code page 0.
void ResetInfoPanelLayout();
// A panel rectangle in screen units, corner by corner.
void TransformPanelRect(float& left, float& top, float& right, float& bottom);

// ---- [Geometry] ----
// Where pages lay out their lines (panel units).  The panel runs from PANEL_LEFT to
// PANEL_LEFT + PANEL_WIDTH; the tab row lies at its top, the page below it.  Two columns of
// PANEL_ROW_WIDTH each.
constexpr float PANEL_LEFT = -0.65f;
constexpr float PANEL_TOP = PANEL_ROW_METRIC - 1.0f;
constexpr float PANEL_TAB_HEIGHT = 0.08f;  // a row of tabs
constexpr float PANEL_TABS_WIDTH = PANEL_WIDTH;  // the tabs' rows
// The tabs stand in two rows: in one, nine tabs' names had to be squeezed until letters
// vanished.
constexpr int PANEL_TAB_ROWS = 2;
constexpr float PANEL_PAGE_TOP = PANEL_TOP + PANEL_TAB_ROWS * PANEL_TAB_HEIGHT + 0.05f;
constexpr float PANEL_ROW_WIDTH = 0.75f;               // the W of a value row
constexpr float PANEL_COLUMN_1 = PANEL_LEFT;
constexpr float PANEL_COLUMN_2 = PANEL_LEFT + 0.85f;
constexpr float PANEL_LINE = 0.07f;                    // one line of text
// A line's text box, a little taller than the line's step, so that its text (0.85 of it)
// reaches LEAST_TEXT_PIXELS in the garage's panel on a screen 600 pixels high.
constexpr float PANEL_TEXT_HEIGHT = 0.072f;
constexpr float PANEL_VALUE_ROW = 0.4f;                // a one-set value row: label and band
constexpr float PANEL_PAIR_EXTRA = 0.15f;              // the second set of a pair row, below y2

// ---- [Controls] ----
// AddValueControl with its rectangle transformed.
int AddPanelValueControl(Prss* owner, void* variable, InterfaceValue minimum, InterfaceValue maximum,
                         InterfaceValue label, DisplayType type, ColourWord* colour, InterfaceHandler callback,
                         float x1, float y1, float x2, float y2);
// One value control with every field given: the current code page; -1 when the table is full.
int AddPanelControl(Prss* owner, void* variable, InterfaceValue minimum, InterfaceValue maximum,
                    InterfaceValue label, DisplayType type, ColourWord* colour, InterfaceHandler callback, float x1,
                    float y1, float x2, float y2);
// A left-aligned text line (VALUE_TYPE_LABEL) from x1 to x2 at y, PANEL_TEXT_HEIGHT high; one too long
// to be shown across that width with its glyphs no narrower than four fifths is broken at
// spaces onto as many lines as it needs, PANEL_LINE apart.  Returns the lines taken.
int AddPanelTextLines(const char* text, ColourWord* colour, float x1, float x2, float y);
// The small "browse" button: the character 0xB8, VALUE_TYPE_TEXT, value 1, button colour.
int AddPanelBrowseButton(Prss* owner, float x1, float y1, float x2, float y2, InterfaceHandler callback);

// ---- [Value rows] ----
// While one lives, the controls added are rows of the car's own data: they record their edits
// in the owner's history (InfoPanelArgs::editDomain).  The panel adds its other controls
// under no edit domain.
struct CarRows {
  explicit CarRows(uint8_t domain) { EditDomain = domain; }
  ~CarRows() { EditDomain = 0; }
  CarRows(const CarRows&) = delete;
  CarRows& operator=(const CarRows&) = delete;
};
// Float row of precision 0 (shown as stored), 2 (times 0.001) or 1 (radians in degrees): the
// label from x to x + PANEL_ROW_WIDTH, PANEL_TEXT_HEIGHT high (from no higher than y1) down to y2 - 0.3,
// then arrows and bar in the band y2 - 0.27 .. y2 - 0.03.  A row whose max is not above its min shows the label alone.
void AddPanelFloatRow(Prss* owner, const char* format, float x, float* value, float step, float min, float max,
                      InterfaceHandler callback, int precision, int withFormat, float y1, float y2);
// 16-bit row of one word or a left and right pair.  scaled: shown raw x (hi - lo) / 65534 +
// lo, the bar over 0..65534; else the raw value, the bar over lo..hi.  mode 0 shows one set
// of arrows and bar (bound to left) for a pair; mode 1 a second set for right,
// PANEL_PAIR_EXTRA lower.
void AddPanelWordRow(Prss* owner, const char* format, float x, uint16_t* left, uint16_t* right, float lo, float hi,
                     InterfaceHandler callback, int scaled, int mode, float y1, float y2);
// Byte row: shown (b - min) / (max - min) x (hi - lo) + lo.  mode as the 16-bit row; mode 2
// draws the label dimmed (one set).  A row whose max is not above its min shows the label
// alone, the raw byte shown as lo.
void AddPanelByteRow(Prss* owner, const char* format, float x, uint8_t* left, uint8_t* right, float lo, float hi,
                     int min, int max, InterfaceHandler callback, int mode, float y1, float y2);
// The value a byte row shows for byte b.
float PanelByteShown(int b, float lo, float hi, int min, int max);
// The value a 16-bit row shows for word w.
float PanelWordShown(int w, float lo, float hi, int scaled);

// The row line buffers are reused every frame from the first; the panel calls this first.
void BeginPanelRows();
