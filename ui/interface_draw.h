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
void DrawTitleTab(const ValueControl& control);       // type 10
void DrawInterfaceIcon(const ValueControl& control);  // type 61
void DrawInterfaceQuad(uint32_t vertexColour, float x1, float y1, float x2, float y2);

// ---- [Value controls] ----
// The colours of codes -3 .. -14 (codes below take the last).
uint32_t CodeColour(int code);
// Label types get a panel only when the screen's clear mode (FrameClear.mode, render/frame.h)
// is neither 0 nor 1: over a plain cleared screen they read without one.
// The panel pass over value controls from index first to the end of the table.
void DrawValueControlPanels(int first);

// ---- [Messages] ----
extern float MessageTop;          // reset to -1.0 before every act call; a screen title moves it
extern int MessageAreaReserved;   // the lines start right of the left panel
extern float MessageTextSize;     // screen units
extern uint8_t InterfaceTranslucent;  // messages under the panels, see-through
void DrawMessageBackgrounds(bool translucent);
void DrawMessageTexts(bool translucent);
int GetMessageAreaHeight();  // pixels

// ---- [Contrast] ----
// The colour (0xFFRRGGBB) behind the interface when the frame is a plain page cleared to it
// (clear mode 0 or 1, no picture, no view): texts there stand out against it alone.  0 when a
// view or picture of any colour may lie behind.
uint32_t PlainScreenColour();

// ---- [Buttons] ----
// Face colour, text colour and text of a button as DrawButtons shows it.
ColourWord ButtonFaceColour(const InterfaceButton& button);
int ButtonText(const InterfaceButton& button, char* out, int outSize);  // 0 when the style shows none
// Queues the button's label into the small text batch as DrawButtons draws it: text through
// the current code page, or for the symbol button (style 4) and the arrow styles 26..35 each
// glyph code as the character set's own glyph.
void QueueButtonLabel(const InterfaceButton& button, uint32_t colour);
