// number_gauge.h - the analog dials of the dashboards: marks, figures, red marks, needle and
// hub, queued into the current text batch and drawn when that batch is flushed.
//
// Sections: [Record] [Colours] [Layout] [Drawing]
//
// A dial is an ellipse of the record's radii x 1.36 around its centre; lengths below are
// fractions of that radius along each axis.  Angles are radians, 0 pointing right and
// growing anticlockwise on screen (y runs down, so a point is x + cos a rx, y - sin a ry).
// Main thread only.
#pragma once
#include <cstdint>

struct TextBatch;

// ---- [Record] ----
// Filled by the dashboard for each dial it draws.
struct DashGauge {
  int32_t maximum;       // in the dial's units
  int32_t step;          // between marks (before the style's doubling or x5)
  int32_t firstRedMark;  // index of the first red mark; 0 or less: none
  float centreX, centreY;
  uint8_t style;         // 1..7, see GaugeMarkCount and GaugeLabel
  uint8_t needle;        // draw the needle
  float radiusX, radiusY;
  float startAngle, sweep;  // negative sweep runs clockwise
  int32_t title;
  float value;           // the needle's value; -1 no needle
};

// ---- [Colours] ----
extern uint32_t GaugeTextColour;    // figures; set by the dashboard for its dials
extern uint32_t GaugeNeedleColour;  // needle and hub
constexpr uint32_t GAUGE_RED_MARK_COLOUR = 0xFFC82020u;

// ---- [Layout] ----
constexpr float GAUGE_RADIUS_SCALE = 1.36f;
constexpr float GAUGE_LABEL_RING = 0.9f;        // figures lie inside this ring (1 - 0.1)
constexpr float GAUGE_LABEL_SIZE = 0.15f;       // figure height
constexpr float GAUGE_MAJOR_WIDTH = 0.02f;
constexpr float GAUGE_MAJOR_INNER = 0.9f;       // major marks run from here to the rim
constexpr float GAUGE_MINOR_WIDTH = 0.015f;
constexpr float GAUGE_MINOR_INNER = 0.95f;      // 1 - 0.05
constexpr float GAUGE_NEEDLE_LENGTH = 0.6f;     // the clock's (style 5) is 1.6 times longer
constexpr float GAUGE_CLOCK_NEEDLE_FACTOR = 1.6f;
constexpr float GAUGE_NEEDLE_TAIL_WIDTH = 0.034f;
constexpr float GAUGE_NEEDLE_TIP_WIDTH = 0.022f;
constexpr float GAUGE_HUB_RADIUS = 0.22f;
constexpr float GAUGE_CLOSE_MARKS = 0.11f;      // radians: style 1 and 4 label every eighth mark
// Where the needle's tail starts along it, by the needle style bits (0..3).
extern const float GAUGE_NEEDLE_TAILS[4];

// maximum / step (0 for a step of 0 or less, or a negative maximum); style 2 doubles it and
// style 3 multiplies it by 5.
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
// The marks, figures, needle (when flagged and the value is not -1) and hub of a dial into the
// current text batch.  needleStyle picks the needle's tail.
void DrawNumberGauge(const DashGauge& g, int needleStyle);
