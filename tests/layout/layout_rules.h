// layout_rules.h - the rules a drawn frame must keep, judged on the frame as read back from
// the screen and on the interface's record of it (ui/draw_record.h).
//
// Sections: [Findings] [Measures] [Rules] [Colour]
//
// The picture is the frame drawn without the texts' glyphs (DrawStateWithoutGlyphs): what
// lies behind and around every text, the scene and the screens' own drawings among it.  Each
// coloured span of a text is held to 4.5:1 against those pixels, button faces and label boxes
// like any other backing.  The contrast is WCAG 2's ratio (L1 + 0.05) / (L2 + 0.05) of
// relative luminances, written here on its own so that the check does not take the
// interface's word for it.
//
// The rules by the word a finding carries:
//   overlap        two clickable rows share more than a pixel each way
//   outside        a text runs outside its button
//   covered        something drawn after a text lies over it; a message or status line lies
//                  over a clickable row
//   order          a message line starts above the foot of the one before it (the history's
//                  lines, then the shown ones, read top to bottom in the order they came)
//   text-overlap   two texts of the interface overlap (labels that follow points of the scene
//                  may, unless they pile: see "pile")
//   pile           labels that follow points of the scene pile up with no scene under them:
//                  one is more than half hidden under those drawn after it and less than half
//                  over the car or the model on show
//   off-window     a clickable row or a text leaves the window
//   contrast       over more than a tenth of a span's box its ink stands under 4.5:1 from the
//                  pixels behind
//   coded          a text's part in a colour code ("^1".."^6") is drawn more than 30 degrees
//                  off its code's hue, under half saturated, or under 3:1 from the text's ink
//   backdrop       a dialog's text, as the contrast rule judges it, in the frame drawn again
//                  with everything under the dialog (the scene, the screen's own controls)
//                  replaced by solid black and by solid white: it would not read over some car
//                  or screen behind the dialog (CheckDialogBackdrops, on those two pictures)
//   small          a text's capital letters stand under 7 pixels, or its glyphs are squeezed
//                  to under three quarters of their width
//   cut            a text cut short with "..." whose whole text would fit, at the least size,
//                  in the free space between its row's neighbours (otherwise the cut is allowed:
//                  reported as cut-allowed with its reason, never failed)
//   thumb          a slider's thumb runs through its own text
//   car-unseen     no car is drawn, or one under a hundredth of the window (states that keep
//                  the car in sight; model-unseen the same for the object editor's model,
//                  cutout-unseen for the cutouts screen's page view)
//   car-covered    the interface's opaque parts (the information panel, fills at least three
//                  quarters opaque: panels, buttons, sliders, labels' boxes, backings) cover
//                  more than a third of the car's box on the window (model-covered and
//                  cutout-covered the same)
//   model-framed   under nine tenths of the model's box lies on the window clear of the
//                  interface's opaque parts (states that keep the model framed)
//   wheel-unseen   no front wheel is drawn on the window (states that keep it in sight)
//   wheel-covered  the interface covers more than a twentieth of the front wheel's box (the same)
//   unsettled      the state's frame still changed after a few seconds, outside the message and
//                  status lines, or textures still waited to load (layout_check_test.cpp)
//   small-figure   a wheel's tyre section in a flat diagram (the suspension diagram) stands under
//                  48 pixels high
//   glyph          a glyph's box on its font page reaches beyond the page onto ink of the
//                  page's other side, which its edge then shows (CheckGlyphs, once for all the
//                  texts of a run)
// A marker of a scene point (the modeller's point buttons, the screen labels) is no row, and a
// scroll bar's knob lies inside its trough by design.
#pragma once
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "ui/draw_record.h"

// ---- [Findings] ----
struct LayoutFinding {
  bool fails = true;      // false: reported only (an allowed cut)
  bool marginal = false;  // fails only under a threshold 5% stricter: keeps a known finding alive, never a new one
  std::string rule;       // the word of the rule (above)
  std::string what;       // names the texts or rows, without measures: with the state and size, the finding's key
  std::string detail;     // the measures and places
};

// ---- [Measures] ----
constexpr double CONTRAST_NEEDED = 4.5;
constexpr double CONTRAST_SHARE = 0.1;      // of a span's box that may fall short
constexpr double MARGIN_FACTOR = 1.05;      // the stricter threshold of a marginal finding
constexpr float OVERLAP_ALLOWED_PIXELS = 1.0f;
constexpr float LEAST_CAP_HEIGHT = 7.0f;    // pixels
constexpr float LEAST_SQUEEZE = 0.75f;
constexpr float PILE_HIDDEN = 0.5f;         // of a scene label's box
constexpr float CAR_COVERED_MOST = 1.0f / 3.0f;
constexpr float CAR_LEAST_SHARE = 0.01f;     // of the window: a car drawn smaller is not on show
constexpr float WHEEL_COVERED_MOST = 0.05f;
constexpr float FIGURE_LEAST_PIXELS = 48.0f;  // a diagram's tyre section, high
constexpr uint32_t OPAQUE_ALPHA = 0xC0;        // a fill at least this opaque hides what lies under it
constexpr float FRAMED_LEAST = 0.9f;           // of a framed subject's box, in sight and clear

// What the check knows of the text drawing: the capital letters' height per glyph cell, and
// the width in pixels of a coded text whose glyph cells are `cell` pixels high.  A zero
// capPerCell leaves the least size unjudged, a null width the cuts.
struct TextMeasure {
  float capPerCell = 0.0f;
  std::function<float(const std::string& text, float cell)> width;
};

// The frame without the texts' glyphs: 0xRRGGBB, rows top first.  No pixels: the rules of the
// record alone (no contrast).
struct LayoutPicture {
  int width = 0, height = 0;
  const uint32_t* pixels = nullptr;
};

// ---- [Rules] ----
// keep: what the state keeps in sight, "" for nothing, AREA_CAR, AREA_MODEL, AREA_CUTOUT_FRAME
// or AREA_FRONT_WHEEL;
// "<area> framed" keeps it framed besides.
std::vector<LayoutFinding> CheckLayout(const std::vector<DrawRecordEntry>& record, const LayoutPicture& picture,
                                       const TextMeasure& measure, const std::string& keep = "");
// Whether the frame shows a dialog (its area, AREA_DIALOG, is recorded).
bool ShowsDialog(const std::vector<DrawRecordEntry>& record);
// The backdrop rule: the frame of the record drawn twice more without the texts' glyphs, with
// everything under its dialogs replaced by solid black and by solid white (DialogBackdrop,
// core/frame_globals.h).
std::vector<LayoutFinding> CheckDialogBackdrops(const std::vector<DrawRecordEntry>& record,
                                                const LayoutPicture& overBlack, const LayoutPicture& overWhite);
// The glyph rule over every character (code page 0) the run's texts showed, on the font pages
// as rasterised (ui/font_pages.h: RGBA, coverage in alpha).
struct FontPageImages;
std::vector<LayoutFinding> CheckGlyphs(const std::set<unsigned char>& shown, const FontPageImages& pages);
// A recorded text without its colour codes ("^" and the next character; "^^", or a "^" that ends
// the text, is a caret).
std::string PlainText(const std::string& coded);

// ---- [Colour] ----
// The relative luminance of an 8-bit sRGB colour (0xRRGGBB in the low bytes) and the ratio of two.
double RelativeLuminance(uint32_t rgb);
double ContrastRatio(uint32_t rgbA, uint32_t rgbB);
// a over b (0xAARRGGBB over 0xRRGGBB) as the back buffer blends them: in linear light, since
// it is an sRGB target.
uint32_t Composite(uint32_t over, uint32_t under);
