// number_gauge.cpp - dashboard dials: marks, figures, needle and hub.
#include "ui/number_gauge.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ui/text_draw.h"
#include "ui/text_measure.h"

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
  if (g.step <= 0 || g.maximum <= 0) return 0;
  int marks = g.maximum / g.step;
  if (g.style == 2) marks *= 2;
  if (g.style == 3) marks *= 5;
  return std::min(marks, MAX_MARKS);
}

bool GaugeLabel(const DashGauge& g, int mark, char* out, int outSize) {
  const int marks = GaugeMarkCount(g);
  if (mark < 0 || mark > marks || outSize <= 0) return false;
  const bool close = marks > 0 && std::fabs(g.sweep) / float(marks) < GAUGE_CLOSE_MARKS;
  const int every = close ? 8 : 4;
  int value = mark * g.step;
  switch (g.style) {
    case 1:
      if (mark % every) return false;
      break;
    case 2:
      if (mark % 2) return false;
      value = mark / 2 * g.step;
      break;
    case 3:
      if (mark % 5) return false;
      value = mark / 5 * g.step;
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

void DrawNumberGauge(const DashGauge& g, int needleStyle) {
  TextBatch& batch = *CurrentTextBatch;
  const Dial d = MakeDial(g);
  const int marks = GaugeMarkCount(g);
  const float labelSize = GAUGE_LABEL_SIZE * d.ry;
  char label[16];
  for (int i = 0; i <= marks && marks > 0; ++i) {
    const float a = g.startAngle + g.sweep * float(i) / float(marks);
    const bool labelled = GaugeLabel(g, i, label, sizeof label);
    const bool major = labelled || g.style == 7;
    const uint32_t colour = g.firstRedMark > 0 && i >= g.firstRedMark ? GAUGE_RED_MARK_COLOUR : GaugeTextColour;
    AddGaugeQuad(batch, major ? RadialQuad(d, a, GAUGE_MAJOR_INNER, 1.0f, GAUGE_MAJOR_WIDTH, GAUGE_MAJOR_WIDTH, colour)
                              : RadialQuad(d, a, GAUGE_MINOR_INNER, 1.0f, GAUGE_MINOR_WIDTH, GAUGE_MINOR_WIDTH, colour));
    if (!labelled) continue;
    // The figure's box touches the ring from inside: its centre is pulled in by half its
    // extent along the mark's direction.
    const float width = TextWidth(label, 0, labelSize);
    const float c = std::cos(a), s = std::sin(a);
    const float cx = d.x + c * (GAUGE_LABEL_RING * d.rx - 0.5f * width * std::fabs(c));
    const float cy = d.y - s * (GAUGE_LABEL_RING * d.ry - 0.5f * labelSize * TextSizeFactor * std::fabs(s));
    DrawText(label, GaugeTextColour, cx - 0.5f * width, cy - 0.5f * labelSize * TextSizeFactor, labelSize, 0);
  }
  if (g.needle && g.value != -1.0f) {
    const float fraction = g.maximum > 0 && std::isfinite(g.value) ? std::clamp(g.value / float(g.maximum), 0.0f, 1.0f)
                                                                   : 0.0f;
    const float length = GAUGE_NEEDLE_LENGTH * (g.style == 5 ? GAUGE_CLOCK_NEEDLE_FACTOR : 1.0f);
    AddGaugeNeedle(batch, d.x, d.y, d.rx, d.ry, g.startAngle + g.sweep * fraction, length, needleStyle,
                   GaugeNeedleColour);
  }
  AddHubCircle(batch, HubCircle{d.x, d.y, GAUGE_HUB_RADIUS * d.rx, GAUGE_HUB_RADIUS * d.ry, GaugeNeedleColour, 0});
}
