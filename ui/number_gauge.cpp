// number_gauge.cpp - dashboard dials: marks, figures, needle and hub.
#include "ui/number_gauge.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/clock.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"
#include "ui/text_readouts.h"

uint32_t GaugeTextColour = 0xFFFFFFFFu;
uint32_t GaugeNeedleColour = 0xFFC82828u;
const float GAUGE_NEEDLE_TAILS[4] = {-0.12f, -0.24f, -0.14f, 0.13f};

namespace {

// More marks than the quad list holds would be dropped anyway.
constexpr int MAX_MARKS = TEXT_BATCH_MAX_QUADS;

struct Dial {
  float x, y, rx, ry;
};

Dial MakeDial(const DashGauge& g) {
  return Dial{g.centreX, g.centreY, g.radiusX * GAUGE_RADIUS_SCALE, g.radiusY * GAUGE_RADIUS_SCALE};
}

// A point at angle a and r of the radius, moved across by w of the radius.
void DialPoint(const Dial& d, float a, float r, float w, float* x, float* y) {
  const float c = std::cos(a), s = std::sin(a);
  *x = d.x + (c * r - s * w) * d.rx;
  *y = d.y - (s * r + c * w) * d.ry;
}

// A quad along angle a from r0 to r1, w0 wide at r0 and w1 at r1.
GaugeQuad RadialQuad(const Dial& d, float a, float r0, float r1, float w0, float w1, uint32_t colour) {
  GaugeQuad q{};
  DialPoint(d, a, r0, -0.5f * w0, &q.x[0], &q.y[0]);
  DialPoint(d, a, r1, -0.5f * w1, &q.x[1], &q.y[1]);
  DialPoint(d, a, r1, 0.5f * w1, &q.x[2], &q.y[2]);
  DialPoint(d, a, r0, 0.5f * w0, &q.x[3], &q.y[3]);
  q.colour = colour;
  return q;
}

}  // namespace

int GaugeMarkCount(const DashGauge& g) {
  if (g.labelGap <= 0 || g.maximum <= 0) return 0;
  int marks = g.maximum / g.labelGap;
  if (g.kind == 2) marks *= 2;
  if (g.kind == 3) marks *= 5;
  return std::min(marks, MAX_MARKS);
}

bool GaugeLabel(const DashGauge& g, int mark, char* out, int outSize) {
  const int marks = GaugeMarkCount(g);
  if (mark < 0 || mark > marks || outSize <= 0) return false;
  const bool close = marks > 0 && std::fabs(g.turn) / float(marks) < GAUGE_CLOSE_MARKS;
  const int every = close ? 8 : 4;
  int value = mark * g.labelGap;
  switch (g.kind) {
    case 1:
      if (mark % every) return false;
      break;
    case 2:
      if (mark % 2) return false;
      value = mark / 2 * g.labelGap;
      break;
    case 3:
      if (mark % 5) return false;
      value = mark / 5 * g.labelGap;
      break;
    case 4:
      if (mark % every) return false;
      std::snprintf(out, size_t(outSize), "%d.%d", value / 10, value % 10);
      return true;
    case 5:
      if (mark == 0 || mark % 3) return false;
      break;
    case 6:
      if (mark % 10) return false;
      value /= 10;
      break;
    case 7:
      return false;
    default:
      break;
  }
  std::snprintf(out, size_t(outSize), "%d", value);
  return true;
}

void AddGaugeNeedle(TextBatch& batch, float centreX, float centreY, float radiusX, float radiusY, float angle,
                    float length, int styleBits, uint32_t colour) {
  const Dial d{centreX, centreY, radiusX, radiusY};
  AddGaugeQuad(batch, RadialQuad(d, angle, GAUGE_NEEDLE_TAILS[styleBits & 3], length, GAUGE_NEEDLE_TAIL_WIDTH,
                                 GAUGE_NEEDLE_TIP_WIDTH, colour));
}

void ClockHandAngles(const DashGauge& g, int hour, int minute, float* hourAngle, float* minuteAngle) {
  *hourAngle = g.startAngle + g.turn * (float(hour % 12) + float(minute) / 60.0f) / 12.0f;
  *minuteAngle = g.startAngle + g.turn * float(minute) / 60.0f;
}

namespace {

// The caption's centre: above or below the centre, or in the middle of the open gap.
void CaptionCentre(const DashGauge& g, const Dial& d, int unitByte, float* x, float* y) {
  const float distance = GAUGE_CAPTION_NEAR + GAUGE_CAPTION_STEP * float(unitByte >> 4 & 15);
  switch (unitByte & 3) {
    case GAUGE_CAPTION_ABOVE:
      *x = d.x, *y = d.y - distance * d.ry;
      return;
    case GAUGE_CAPTION_BELOW:
      *x = d.x, *y = d.y + distance * d.ry;
      return;
    default: {
      const float a = g.startAngle + 0.5f * g.turn + 3.14159265f;
      *x = d.x + std::cos(a) * distance * d.rx;
      *y = d.y - std::sin(a) * distance * d.ry;
    }
  }
}

void DrawMarksAndFigures(const DashGauge& g, const Dial& d, int styleBits) {
  TextBatch& batch = *CurrentTextBatch;
  const int marks = GaugeMarkCount(g);
  const bool drawMarks = !(styleBits & GAUGE_STYLE_MARKS), drawFigures = !(styleBits & GAUGE_STYLE_NUM);
  const float labelSize = GAUGE_LABEL_SIZE * d.ry * (styleBits & GAUGE_STYLE_SMALL ? GAUGE_SMALL_FIGURES : 1.0f);
  const float ring = styleBits & GAUGE_STYLE_ABOVE ? GAUGE_OUTER_LABEL_RING : GAUGE_LABEL_RING;
  // Outside the marks a figure's box touches the ring from outside, inside from inside.
  const float pull = styleBits & GAUGE_STYLE_ABOVE ? -1.0f : 1.0f;
  char label[16];
  for (int i = 0; i <= marks && marks > 0; ++i) {
    const float a = g.startAngle + g.turn * float(i) / float(marks);
    const bool labelled = GaugeLabel(g, i, label, sizeof label);
    const bool major = labelled || g.kind == 7;
    const uint32_t colour = g.firstRedMark > 0 && i >= g.firstRedMark ? GAUGE_RED_MARK_COLOUR : GaugeTextColour;
    if (drawMarks)
      AddGaugeQuad(batch, major ? RadialQuad(d, a, GAUGE_MAJOR_INNER, 1.0f, GAUGE_MAJOR_WIDTH, GAUGE_MAJOR_WIDTH, colour)
                                : RadialQuad(d, a, GAUGE_MINOR_INNER, 1.0f, GAUGE_MINOR_WIDTH, GAUGE_MINOR_WIDTH, colour));
    if (!labelled || !drawFigures) continue;
    // The figure's box touches the ring: its centre is moved by half its extent along the
    // mark's direction.
    const float width = TextWidth(label, 0, labelSize);
    const float c = std::cos(a), s = std::sin(a);
    const float cx = d.x + c * (ring * d.rx - pull * 0.5f * width * std::fabs(c));
    const float cy = d.y - s * (ring * d.ry - pull * 0.5f * labelSize * TextSizeFactor * std::fabs(s));
    DrawText(label, GaugeTextColour, cx - 0.5f * width, cy - 0.5f * labelSize * TextSizeFactor, labelSize, 0);
  }
}

}  // namespace

void DrawNumberGauge(const DashGauge& g, int draw, int styleBits, int unitByte, const char* caption) {
  if (!draw) return;
  TextBatch& batch = *CurrentTextBatch;
  const Dial d = MakeDial(g);
  DrawMarksAndFigures(g, d, styleBits);
  const int tail = styleBits & (GAUGE_STYLE_COL | GAUGE_STYLE_LONG);
  if (g.needle && g.kind == 5) {
    WallTime now{};
    ClockWallTime(now, true);
    float hourAngle, minuteAngle;
    ClockHandAngles(g, now.hour, now.minute, &hourAngle, &minuteAngle);
    AddGaugeNeedle(batch, d.x, d.y, d.rx, d.ry, hourAngle, GAUGE_HOUR_HAND_LENGTH, tail, GaugeNeedleColour);
    AddGaugeNeedle(batch, d.x, d.y, d.rx, d.ry, minuteAngle, GAUGE_MINUTE_HAND_LENGTH, tail, GaugeNeedleColour);
  } else if (g.needle && g.value != -1.0f) {
    const float fraction = g.maximum > 0 && std::isfinite(g.value) ? std::clamp(g.value / float(g.maximum), 0.0f, 1.0f)
                                                                   : 0.0f;
    const float length = styleBits & GAUGE_STYLE_LONG ? GAUGE_LONG_NEEDLE_LENGTH : GAUGE_NEEDLE_LENGTH;
    AddGaugeNeedle(batch, d.x, d.y, d.rx, d.ry, g.startAngle + g.turn * fraction, length, tail, GaugeNeedleColour);
  }
  if (!(styleBits & GAUGE_STYLE_PIVOT))
    AddHubCircle(batch, HubCircle{d.x, d.y, GAUGE_HUB_RADIUS * d.rx, GAUGE_HUB_RADIUS * d.ry, GaugeNeedleColour, 0});
  if (g.symbol && *g.symbol && !(styleBits & GAUGE_STYLE_SYMBOL)) {
    const float size = GAUGE_SYMBOL_SIZE * d.ry;
    DrawRawCodes(g.symbol, d.x - 0.5f * RawCodesWidth(g.symbol, size), d.y + GAUGE_SYMBOL_DROP * d.ry, size,
                 GaugeTextColour);
  }
  if (caption && *caption && (unitByte & 3) != GAUGE_CAPTION_NONE) {
    const float size = GAUGE_CAPTION_SIZE * d.ry;
    float x, y;
    CaptionCentre(g, d, unitByte, &x, &y);
    DrawRawCodes(caption, x - 0.5f * RawCodesWidth(caption, size), y - 0.5f * size, size, GaugeTextColour);
  }
}
