// interface_draw.h - drawing the interface each frame: the panels of value controls (nine-
// slice, flat, fading, title tab, icons), slider thumbs, the message lines with their
// backgrounds, the pixel buttons and the screen labels.
//
// Sections: [Panel state] [Panels] [Value controls] [Messages] [Contrast] [Buttons]
//
// DrawInterface (ui/interface.h) runs the passes in order.  Value controls and messages are
// drawn in normalised screen units through the 2D list (render/draw2d.h), one batch per panel
// texture; buttons and labels in pixels through the shared 2D stream.  Colours are ColourWords
// turned into 0xAARRGGBB vertex colours.  Main thread only.
#pragma once
#include <cstdint>

#include "ui/interface.h"

struct Material;
struct TextBatch;

// ---- [Panel state] ----
// The texture the open batch draws with; -1 none open.
enum PanelState : int {
  PANEL_STATE_NONE = -1,
  PANEL_STATE_LARGE = 0,  // the large panel texture
  PANEL_STATE_SMALL = 1,  // the small panel texture
  PANEL_STATE_PLAIN = 2,  // no texture
  PANEL_STATE_ICONS = 3,  // the icon sheet
};
extern int PanelTextureState;
// A batch is closed after the routine that brings it to this many triangles.
constexpr uint32_t PANEL_BATCH_TRIANGLES = 5120;
// The material a panel state draws with: the system textures' large panel, small panel and
// icon sheet (render/system_textures.h); the default, untextured one for the plain state and
// while a panel texture is missing or not loaded.
const Material* PanelStateMaterial(int state);
// Closes the open batch; the next routine opens one with its texture.
void FlushInterfaceBatch();
// The first value control of the frame's first dialog (its panel), -1 while no dialog has
// been added (ClearInterface): the controls before it are the screen's own, under the dialog.
extern int DialogFirstControl;

// ---- [Panels] ----
// Coordinates in screen units (x1, y1 top left).  Pressed panels are 24 darker per channel.
// The nine-slice panel: style 0 and 1 take the big or the button alpha, 2 and above are opaque.
void DrawButtonPanel(const ColourWord* colour, bool pressed, float x2, float y2, int style, bool big, float x1,
                     float y1);
void DrawButtonPanelFlush(const ColourWord* colour, bool pressed, float x2, float y2, int style, bool big, float x1,
                          float y1);
// The whole small panel texture over the rectangle; translucent takes the button alpha.
void DrawFlatPanel(const ColourWord* colour, bool pressed, float x2, float y2, bool translucent, float x1, float y1);
// A panel whose left end fades out from x1 - 0.1 to x1 + 0.05.
void DrawFadePanel(const ColourWord* colour, bool pressed, float x2, float y2, bool big, float x1, float y1);
void FadePanel(uint32_t vertexColour, float x1, float y1, float x2, float y2);  // in a ready vertex colour
void DrawTitleTab(const ValueControl& control);       // VALUE_TYPE_TITLE
void DrawInterfaceIcon(const ValueControl& control);  // VALUE_TYPE_ICON
void DrawInterfaceQuad(uint32_t vertexColour, float x1, float y1, float x2, float y2);
// The nine-slice panel in a ready vertex colour (0xAARRGGBB, its alpha as given).
void DrawPanelInColour(uint32_t vertexColour, float x1, float y1, float x2, float y2);

// ---- [Value controls] ----
// The colours of codes -3 .. -14 (codes below take the last).
uint32_t CodeColour(int code);
// Label types get a panel only when the screen's clear mode (FrameClear.mode, render/frame.h)
// is neither 0 nor 1: over a plain cleared screen they read without one.
// The panel pass over value controls from index first to the end of the table.
void DrawValueControlPanels(int first);

// ---- [Messages] ----
// The message lines (and the history while it is shown) and the screens' status lines are
// drawn last, over every panel and button (ui/interface_messages.cpp): each on a backing dark
// or light enough for its text to stand out, at its usual place when no row is there, else
// at the nearest place free of rows, so nothing the program says is hidden.
extern float MessageTop;          // reset to -1.0 before every act call; a screen title moves it
extern int MessageAreaReserved;   // the lines start right of the left panel
extern float MessageTextSize;     // screen units
int GetMessageAreaHeight();  // pixels
// A status line for this frame: one line centred near the top of the screen in its colour
// (the editors' last edit or notice).  The text is copied; up to MAX_STATUS_LINES a frame,
// the later ones under the first.  ClearInterface forgets them.
constexpr int MAX_STATUS_LINES = 2;
constexpr int STATUS_LINE_TEXT_SIZE = 256;
constexpr float STATUS_LINE_TOP = -0.92f, STATUS_LINE_HEIGHT = 0.08f, STATUS_LINE_FONT_SIZE = 0.06f;
void ShowStatusLine(const char* text, ColourWord colour);
void ClearStatusLines();
// DrawInterface's step: the lines placed and their texts queued.  DrawButtons' last step:
// their backings and texts drawn.
void PlaceMessageLines();
void DrawMessageLines();
extern TextBatch MessageLineBatch;  // the lines' texts, screen units
// A box in pixels; the nearest top-left corner to (x, y), at or below minTop, where a box of
// width x height lies on the screen clear of every taken box: first straight above or below
// (x, y), else anywhere.  False (and the corner left alone) when there is none.
struct PixelBox {
  float left, top, right, bottom;
};
bool FindFreePlace(const PixelBox* taken, int takenCount, float width, float height, float minTop, float* x,
                   float* y);
// Where no place is free: the top-left corner, on the screen and at or below minTop while the
// box fits there, at which the box covers the fewest cells of the taken boxes (the nearest to
// (x, y) of those), on a grid of 4 pixels.
void FindLeastCoveredPlace(const PixelBox* taken, int takenCount, float width, float height, float minTop, float* x,
                           float* y);

// ---- [Contrast] ----
// Every text over the scene or over a see-through panel stands out from what lies under it by
// TEXT_CONTRAST_NEEDED (ui/contrast.h) whatever the scene: a control's see-through panel under
// its text is made more opaque as far as its text needs (or black or white where its colour
// cannot serve), and any other text that would not stand out gets a strip of its own under
// it, drawn just before the text.  Button faces and labels' boxes keep their colours.
// The colour (0xFFRRGGBB) behind the interface when the frame is a plain page cleared to it
// (clear mode 0 or 1, no picture, no view): texts there stand out against it alone.  0 when a
// view or picture of any colour may lie behind.
uint32_t PlainScreenColour();
// Draws the strips the texts waiting in the batch need, over what the frame's record holds so
// far (units 1: the batch is in normalised screen units, 0: in pixels), and gives each
// coloured span of them that would not stand out where its own text does the colour that
// does (SpanToStandOut).
void AddStandOutStrips(TextBatch& batch, int inScreenUnits);

// ---- [Buttons] ----
// Face colour, text colour and text of a button as DrawButtons shows it.
ColourWord ButtonFaceColour(const InterfaceButton& button);
int ButtonText(const InterfaceButton& button, char* out, int outSize);  // 0 when the style shows none
// A pixel button's label that is wider than the room between its insets is drawn at the
// largest of the interface's text sizes (two pixels a step) that fits, down to
// LEAST_TEXT_PIXELS; still too wide, it is cut with "..." at the smallest, keeping a mark of
// one or two characters in a colour of its own at its end ("^1*").  The button keeps its
// rectangle.  out receives the text to draw and *size its size (pixels).  Value controls keep
// their own rule: their text is made smaller as far, then squeezed across to fit.  Given
// squeeze, a label that the least size leaves up to a fifth too wide is squeezed across
// (*squeeze, 1 for none) rather than cut.
void FitButtonLabel(const char* text, float room, float* size, char* out, int outSize, float* squeeze = nullptr);
// Whether a text button of that size (pixels) shows the text whole, at the least text size at
// worst, rather than cut.
bool ButtonLabelFitsWhole(const char* text, int width, int height);
// Queues the button's label into the small text batch as DrawButtons draws it: text through
// the current code page, or for the symbol button and the arrow styles (BUTTON_STYLE_BYTE_STEP_PLUS
// .. BUTTON_STYLE_FLOAT_MINUS) each glyph code as the character set's own glyph.
void QueueButtonLabel(const InterfaceButton& button, uint32_t colour);
// The band a one-line label of the button takes as DrawButtons draws it, in pixels: across
// from its first to its last glyph, down from its glyphs' top to the foot of the deepest
// glyph.  0 for a button without such a label.
int ButtonLabelBand(const InterfaceButton& button, float* left, float* top, float* right, float* bottom);
