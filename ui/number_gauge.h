// number_gauge.h - the analog dials of the dashboards: marks, figures, red marks, needle or
// clock hands, hub, symbol and unit caption, queued into the current text batch and drawn
// when that batch is flushed.
//
// Sections: [Record] [Style bits and unit byte] [Colours] [Layout] [Drawing]
//
// A dial is an ellipse of the record's radii x 1.36 around its centre; lengths below are
// fractions of that radius along each axis.  Angles are radians, 0 pointing right and
// growing anticlockwise on screen (y runs down, so a point is x + cos a rx, y - sin a ry).
// Main thread only.
#pragma once
#include <cstdint>

struct TextBatch;

// ---- [Record] ----
// One dial, filled by the dashboard (and the engine page's rev counter) before it is drawn.
struct DashGauge {
  int32_t maximum;       // in the dial's units
  int32_t labelGap;      // between marks (before the kind's doubling or x5)
  int32_t firstRedMark;  // index of the first red mark (the redline); 0 or less: none
  float centreX, centreY;
  uint8_t kind;          // 1..7, see GaugeMarkCount and GaugeLabel; 5 is the clock
  uint8_t needle;        // draw the needle (the clock's hands)
  float radiusX, radiusY;
  float startAngle, turn;  // a negative turn runs clockwise
  const char* symbol;    // raw glyph codes drawn under the hub; null: none
  float value;           // the needle's value; -1 no needle
};

// ---- [Style bits and unit byte] ----
// The style bits of a dial as the dashboard block stores them.  The first four are on while
// set, the last four ("pivot", "num", "symbol", "marks") while clear.
constexpr int GAUGE_STYLE_COL = 1;       // the needle carries a counterweight tail
constexpr int GAUGE_STYLE_LONG = 2;      // the needle reaches the marks (0.85 of the radius)
constexpr int GAUGE_STYLE_ABOVE = 4;     // figures outside the ring of marks
constexpr int GAUGE_STYLE_PIVOT = 8;     // set: no hub
constexpr int GAUGE_STYLE_NUM = 16;      // set: no figures
constexpr int GAUGE_STYLE_SYMBOL = 32;   // set: no symbol
constexpr int GAUGE_STYLE_MARKS = 64;    // set: no marks
constexpr int GAUGE_STYLE_SMALL = 128;   // figures at 0.7 of their size
// The unit byte: bits 0-1 where the caption goes, bits 4-7 its distance "Out" 0..15 from the
// centre, (0.25 + Out x 0.04) of the radius: above the centre, below it, or in the gap the
// dial leaves open (the middle of the part its turn does not cover).
enum GaugeCaptionPlace { GAUGE_CAPTION_NONE = 0, GAUGE_CAPTION_ABOVE = 1, GAUGE_CAPTION_BELOW = 2, GAUGE_CAPTION_GAP = 3 };
constexpr float GAUGE_CAPTION_SIZE = 0.14f;    // of the radius
constexpr float GAUGE_CAPTION_NEAR = 0.25f, GAUGE_CAPTION_STEP = 0.04f;
constexpr float GAUGE_SYMBOL_SIZE = 0.26f;     // of the radius, its top this far below the centre:
constexpr float GAUGE_SYMBOL_DROP = 0.3f;

// ---- [Colours] ----
extern uint32_t GaugeTextColour;    // figures; set by the dashboard for its dials
extern uint32_t GaugeNeedleColour;  // needle and hub
constexpr uint32_t GAUGE_RED_MARK_COLOUR = 0xFFC82020u;

// ---- [Layout] ----
constexpr float GAUGE_RADIUS_SCALE = 1.36f;
// Figures lie inside this ring: a gap of 0.04 inside the marks' inner end (0.9), so that no
// mark runs into a figure.
constexpr float GAUGE_LABEL_RING = 0.86f;
constexpr float GAUGE_LABEL_SIZE = 0.15f;       // figure height
constexpr float GAUGE_MAJOR_WIDTH = 0.02f;
constexpr float GAUGE_MAJOR_INNER = 0.9f;       // major marks run from here to the rim
constexpr float GAUGE_MINOR_WIDTH = 0.015f;
constexpr float GAUGE_MINOR_INNER = 0.95f;      // 1 - 0.05
constexpr float GAUGE_NEEDLE_LENGTH = 0.6f;     // "long": GAUGE_LONG_NEEDLE_LENGTH
constexpr float GAUGE_LONG_NEEDLE_LENGTH = 0.85f;
constexpr float GAUGE_HOUR_HAND_LENGTH = 0.55f;  // the clock's hands
constexpr float GAUGE_MINUTE_HAND_LENGTH = 0.85f;
constexpr float GAUGE_SMALL_FIGURES = 0.7f;
constexpr float GAUGE_OUTER_LABEL_RING = 1.12f;  // "above": figures outside the marks
constexpr float GAUGE_NEEDLE_TAIL_WIDTH = 0.034f;
constexpr float GAUGE_NEEDLE_TIP_WIDTH = 0.022f;
constexpr float GAUGE_HUB_RADIUS = 0.22f;
constexpr float GAUGE_CLOSE_MARKS = 0.11f;      // radians: style 1 and 4 label every eighth mark
// Where the needle's tail starts along it, by the style bits "col" and "long" (0..3).
extern const float GAUGE_NEEDLE_TAILS[4];

// maximum / label gap (0 for a gap of 0 or less, or a negative maximum); kind 2 doubles it
// and kind 3 multiplies it by 5.
int GaugeMarkCount(const DashGauge& g);
// The figure of mark index (0..marks) in out, or false when the mark carries none.
// 1 "%d" every fourth (eighth when marks are closer than 0.11 rad); 2 every second; 3 every
// fifth; 4 "%d.%d" tenths spaced as 1; 5 every third after the first; 6 value / 10 every
// tenth; 7 none; others every mark.
bool GaugeLabel(const DashGauge& g, int mark, char* out, int outSize);

// ---- [Drawing] ----
// A needle quad from its tail (GAUGE_NEEDLE_TAILS[style bits & 3]) to length (fractions of
// the radii), tapering from the tail width to the tip width, into the batch's quad list.
void AddGaugeNeedle(TextBatch& batch, float centreX, float centreY, float radiusX, float radiusY, float angle,
                    float length, int styleBits, uint32_t colour);
// The angles of the clock's hour and minute hands at a time of day on a dial.
void ClockHandAngles(const DashGauge& g, int hour, int minute, float* hourAngle, float* minuteAngle);
// One dial into the current text batch (nothing when draw is 0): the marks, the figures, the
// needle (when flagged and the value is not -1) or, for kind 5, the hour and minute hands at
// the local time of day (platform/clock.h's wall clock), the hub, the symbol and the caption
// (raw glyph codes, placed by the unit byte; null or empty: none), as the style bits say.
void DrawNumberGauge(const DashGauge& g, int draw, int styleBits, int unitByte, const char* caption);
