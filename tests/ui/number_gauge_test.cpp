// number_gauge_test.cpp - dashboard dials on the null device: marks per style, figures and
// where they sit, red marks, the needle and the hub, and what the flush hands to the 2D list.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "render/draw2d.h"
#include "render/render_target.h"
#include "tests/render/null_renderer.h"
#include "tests/ui/charset_test_util.h"
#include "text/code_pages.h"
#include "ui/number_gauge.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"

namespace {

constexpr float PI = 3.14159265f;

DashGauge Speedometer() {
  DashGauge g{};
  g.maximum = 200;
  g.labelGap = 10;
  g.kind = 1;
  g.needle = 1;
  g.radiusX = g.radiusY = 0.25f;
  g.startAngle = -2.0954423f;
  g.turn = -4.1877432f;
  g.value = -1.0f;
  return g;
}

std::vector<std::string> Labels(const DashGauge& g) {
  std::vector<std::string> out;
  char text[16];
  for (int i = 0; i <= GaugeMarkCount(g); ++i) out.push_back(GaugeLabel(g, i, text, sizeof text) ? text : "");
  return out;
}

std::vector<std::string> Nonempty(const std::vector<std::string>& v) {
  std::vector<std::string> out;
  for (const std::string& s : v)
    if (!s.empty()) out.push_back(s);
  return out;
}

float Length(const GaugeQuad& q, float cx, float cy, int corner) {
  return std::hypot(q.x[corner] - cx, q.y[corner] - cy);
}

class NumberGauge : public NullRenderer {
 protected:
  void SetUp() override {
    NullRenderer::SetUp();
    UseFixedWidthCharacterSet();
    for (int page = 0; page < CODE_PAGE_COUNT; ++page) SetCodePageHasFont(page, 1);
    TextSizeFactor = 1.0f;
    TextHorizontalScale = 1.0f;
    LetterSpacing = 1.0f / 12.0f;
    TextDrawCursor = TEXT_CURSOR_NONE;
    EmptyTextBatches();
    CurrentTextBatch = &InterfaceTextBatch;
    ResetDraw2D();
    SetScreenWindow(1, 0.0f, 0.0f, 1.0f, 1.0f);
  }
  void TearDown() override {
    for (int page = 0; page < CODE_PAGE_COUNT; ++page) SetCodePageHasFont(page, !CODE_PAGES[page].doubleByte);
    EmptyTextBatches();
    ResetDraw2D();
  }
};

}  // namespace

TEST(GaugeMarks, CountsFollowTheStyleAndRefuseBadSteps) {
  DashGauge g = Speedometer();
  EXPECT_EQ(GaugeMarkCount(g), 20);
  g.kind = 2;
  EXPECT_EQ(GaugeMarkCount(g), 40);
  g.kind = 3;
  EXPECT_EQ(GaugeMarkCount(g), 100);
  g.kind = 3;
  g.maximum = 100000;
  EXPECT_EQ(GaugeMarkCount(g), TEXT_BATCH_MAX_QUADS) << "no more marks than the quad list holds";
  g = Speedometer();
  g.labelGap = 0;
  EXPECT_EQ(GaugeMarkCount(g), 0) << "a zero step draws no marks instead of dividing by zero";
  g.labelGap = -5;
  EXPECT_EQ(GaugeMarkCount(g), 0);
  // The smallest gauge that has marks: a maximum of 1 in steps of 1 is one mark past zero.
  g.labelGap = 1;
  g.maximum = 1;
  g.kind = 0;
  EXPECT_EQ(GaugeMarkCount(g), 1);
  g.maximum = 0;
  EXPECT_EQ(GaugeMarkCount(g), 0);
}

TEST(GaugeLabels, EachStyleLabelsItsMarksInItsFormat) {
  DashGauge g = Speedometer();  // 20 marks over 240 degrees: 0.21 rad apart
  EXPECT_EQ(Nonempty(Labels(g)), (std::vector<std::string>{"0", "40", "80", "120", "160", "200"}));
  g.maximum = 400;  // 40 marks, 0.105 rad apart: every eighth
  EXPECT_EQ(Nonempty(Labels(g)), (std::vector<std::string>{"0", "80", "160", "240", "320", "400"}));

  g = Speedometer();
  g.maximum = 10;
  g.labelGap = 1;
  g.kind = 2;  // 20 marks, half steps
  EXPECT_EQ(Nonempty(Labels(g)), (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
  g.kind = 3;  // 50 marks, fifth steps
  EXPECT_EQ(Labels(g)[5], "1");
  EXPECT_EQ(Labels(g)[4], "");
  EXPECT_EQ(Nonempty(Labels(g)).size(), 11u);

  g = Speedometer();
  g.maximum = 15;
  g.labelGap = 1;
  g.kind = 4;  // tenths, 15 marks 0.28 rad apart: every fourth
  EXPECT_EQ(Nonempty(Labels(g)), (std::vector<std::string>{"0.0", "0.4", "0.8", "1.2"}));

  g.maximum = 12;
  g.kind = 5;  // a clock: every third after the first
  EXPECT_EQ(Nonempty(Labels(g)), (std::vector<std::string>{"3", "6", "9", "12"}));

  g.maximum = 300;
  g.labelGap = 10;
  g.kind = 6;  // value / 10 every tenth
  EXPECT_EQ(Nonempty(Labels(g)), (std::vector<std::string>{"0", "10", "20", "30"}));

  g.kind = 7;
  EXPECT_TRUE(Nonempty(Labels(g)).empty());
  g.kind = 0;
  g.maximum = 3;
  g.labelGap = 1;
  EXPECT_EQ(Labels(g), (std::vector<std::string>{"0", "1", "2", "3"})) << "other styles label every mark";
}

// Marks exactly 0.11 radians apart are not yet close: a speedometer style labels every fourth
// of them, as it does further apart. A label into no room is refused.
TEST(GaugeLabels, MarksExactlyTheCloseSpacingApartAreLabelledEveryFourth) {
  DashGauge g = Speedometer();
  g.maximum = 8;
  g.labelGap = 1;
  g.kind = 1;
  g.turn = 8.0f * 0.11f;  // 8 marks, 0.11 rad apart
  EXPECT_EQ(Nonempty(Labels(g)), (std::vector<std::string>{"0", "4", "8"}));
  char text[16];
  EXPECT_FALSE(GaugeLabel(g, 0, text, 0));
}

TEST_F(NumberGauge, MarksAreQuadsRedFromTheRedIndexWithMajorsAtTheFigures) {
  DashGauge g = Speedometer();
  g.firstRedMark = 17;
  DrawNumberGauge(g, 1, 0, 0, nullptr);
  const TextBatch& b = InterfaceTextBatch;
  ASSERT_EQ(b.quadCount, 21) << "marks 0..20 and no needle at value -1";
  const float r = 0.25f * GAUGE_RADIUS_SCALE;
  for (int i = 0; i <= 20; ++i) {
    const GaugeQuad& q = b.quads[i];
    EXPECT_EQ(q.colour, i >= 17 ? GAUGE_RED_MARK_COLOUR : GaugeTextColour) << i;
    const float outer = Length(q, 0.0f, 0.0f, 1);
    const float inner = Length(q, 0.0f, 0.0f, 0);
    EXPECT_NEAR(outer, r * std::hypot(1.0f, 0.5f * (i % 4 ? GAUGE_MINOR_WIDTH : GAUGE_MAJOR_WIDTH)), 1e-5f) << i;
    EXPECT_NEAR(inner, r * std::hypot(i % 4 ? GAUGE_MINOR_INNER : GAUGE_MAJOR_INNER,
                                      0.5f * (i % 4 ? GAUGE_MINOR_WIDTH : GAUGE_MAJOR_WIDTH)),
                1e-5f)
        << "majors carry the figures and reach further in";
    const float width = std::hypot(q.x[0] - q.x[3], q.y[0] - q.y[3]);
    EXPECT_NEAR(width, r * (i % 4 ? GAUGE_MINOR_WIDTH : GAUGE_MAJOR_WIDTH), 1e-5f);
  }
  // Mark 0 at the start angle: lower left, y running down.
  EXPECT_LT(b.quads[0].x[1], 0.0f);
  EXPECT_GT(b.quads[0].y[1], 0.0f);
  EXPECT_EQ(b.circleCount, 1);

  EmptyTextBatches();
  g.firstRedMark = 0;
  DrawNumberGauge(g, 1, 0, 0, nullptr);
  for (int i = 0; i < b.quadCount; ++i) EXPECT_NE(b.quads[i].colour, GAUGE_RED_MARK_COLOUR) << "0: no red marks";
}

TEST_F(NumberGauge, FiguresSitInsideTheRingCentredOnTheirMarks) {
  DashGauge g = Speedometer();
  g.centreX = 0.2f;
  g.centreY = -0.1f;
  g.startAngle = PI / 2;  // mark 0 straight up, mark 5 at the right after a quarter turn
  g.turn = -PI / 2;
  g.maximum = 5;
  g.labelGap = 1;
  g.kind = 0;
  DrawNumberGauge(g, 1, 0, 0, nullptr);
  const auto& items = InterfaceTextBatch.items;
  ASSERT_EQ(items.size(), 6u) << "one figure per mark";
  const float r = 0.25f * GAUGE_RADIUS_SCALE, size = GAUGE_LABEL_SIZE * r;
  // "0" straight up: centred across, its top on the ring of the figures, 0.86 of the radius:
  // 0.04 inside the major marks, which run from 0.9 to the rim, so that none runs into it.
  const TextBatchItem& zero = items[0];
  const float margin = 1.0f / 24.0f * size;  // the texture margin left of a glyph's box
  EXPECT_NEAR(zero.x0 + margin + 0.5f * TextWidth("0", 0, size), 0.2f, 1e-5f);
  EXPECT_NEAR(zero.y0 - size * GLYPH_BOX_DROP, -0.1f - 0.86f * r, 1e-5f);
  EXPECT_FLOAT_EQ(GAUGE_MAJOR_INNER, 0.9f);
  // "5" at the right: its right edge on the ring, centred vertically on the centre line.
  const TextBatchItem& five = items[5];
  EXPECT_NEAR(five.x0 + margin + TextWidth("5", 0, size), 0.2f + 0.86f * r, 1e-5f);
  EXPECT_NEAR(five.y0 - size * GLYPH_BOX_DROP + 0.5f * size, -0.1f, 1e-5f);
  EXPECT_EQ(five.colour, GaugeTextColour);
}

TEST_F(NumberGauge, TheNeedlePointsAtItsValueAndIsLongerOnTheClock) {
  DashGauge g = Speedometer();
  g.kind = 7;
  g.startAngle = 0.0f;
  g.turn = PI;  // anticlockwise from the right to the left over the top
  g.value = 100.0f;
  DrawNumberGauge(g, 1, GAUGE_STYLE_COL, 0, nullptr);
  const TextBatch& b = InterfaceTextBatch;
  const int marks = GaugeMarkCount(g);
  ASSERT_EQ(b.quadCount, marks + 2) << "marks and the needle";
  const GaugeQuad& needle = b.quads[marks + 1];
  const float r = 0.25f * GAUGE_RADIUS_SCALE;
  EXPECT_EQ(needle.colour, GaugeNeedleColour);
  // Half way: straight up.  The tail lies below the centre by the style's offset.
  EXPECT_NEAR(0.5f * (needle.x[1] + needle.x[2]), 0.0f, 1e-5f);
  EXPECT_NEAR(0.5f * (needle.y[1] + needle.y[2]), -GAUGE_NEEDLE_LENGTH * r, 1e-5f);
  EXPECT_NEAR(0.5f * (needle.y[0] + needle.y[3]), -GAUGE_NEEDLE_TAILS[1] * r, 1e-5f);
  EXPECT_NEAR(std::fabs(needle.x[3] - needle.x[0]), GAUGE_NEEDLE_TAIL_WIDTH * r, 1e-5f);
  EXPECT_NEAR(std::fabs(needle.x[2] - needle.x[1]), GAUGE_NEEDLE_TIP_WIDTH * r, 1e-5f);
  // Past the maximum the needle stops at the end of the turn (left), below zero at its start.
  const struct {
    float value, tipX;
  } held[] = {{300.0f, -1.0f}, {-50.0f, 1.0f}};
  for (const auto& h : held) {
    EmptyTextBatches();
    g.value = h.value;
    DrawNumberGauge(g, 1, GAUGE_STYLE_COL, 0, nullptr);
    ASSERT_EQ(InterfaceTextBatch.quadCount, marks + 2) << h.value;
    const GaugeQuad& n = InterfaceTextBatch.quads[marks + 1];
    EXPECT_NEAR(0.5f * (n.x[1] + n.x[2]), h.tipX * GAUGE_NEEDLE_LENGTH * r, 1e-5f) << h.value;
    EXPECT_NEAR(0.5f * (n.y[1] + n.y[2]), 0.0f, 1e-5f) << h.value;
  }

  EmptyTextBatches();
  g.kind = 5;  // the clock: hands at the local time, whatever the value
  g.startAngle = PI / 2;
  g.turn = -2 * PI;
  g.maximum = 12;
  g.labelGap = 1;
  WallTime three{};
  three.year = 2026, three.month = 1, three.day = 1, three.hour = 3;
  ClockUseFake(0, three);
  DrawNumberGauge(g, 1, GAUGE_STYLE_COL | GAUGE_STYLE_LONG, 0, nullptr);
  ClockUseReal();
  ASSERT_EQ(b.quadCount, GaugeMarkCount(g) + 3) << "marks and two hands";
  const GaugeQuad& hour = b.quads[b.quadCount - 2];
  const GaugeQuad& minute = b.quads[b.quadCount - 1];
  EXPECT_NEAR(0.5f * (hour.x[1] + hour.x[2]), GAUGE_HOUR_HAND_LENGTH * r, 1e-5f) << "03:00: the hour hand right";
  EXPECT_NEAR(0.5f * (hour.y[1] + hour.y[2]), 0.0f, 1e-5f);
  EXPECT_NEAR(0.5f * (hour.x[0] + hour.x[3]), GAUGE_NEEDLE_TAILS[3] * r, 1e-5f);
  EXPECT_NEAR(0.5f * (minute.y[1] + minute.y[2]), -GAUGE_MINUTE_HAND_LENGTH * r, 1e-5f) << "the minute hand up";
  float hourAngle, minuteAngle;
  ClockHandAngles(g, 15, 30, &hourAngle, &minuteAngle);
  EXPECT_NEAR(hourAngle, PI / 2 - 2 * PI * 3.5f / 12, 1e-5f) << "hour 15 counts as 3, half past moves it on";
  EXPECT_NEAR(minuteAngle, PI / 2 - PI, 1e-5f);

  EmptyTextBatches();
  g.needle = 0;
  DrawNumberGauge(g, 1, 0, 0, nullptr);
  EXPECT_EQ(b.quadCount, GaugeMarkCount(g) + 1) << "no needle unless flagged";
}

// A dial without a maximum has its needle at its start whatever the value.
TEST_F(NumberGauge, ANeedleOnADialWithoutAMaximumStaysAtItsStart) {
  DashGauge g = Speedometer();
  g.kind = 7;
  g.startAngle = 0.0f;  // the start at the right
  g.turn = PI;
  g.maximum = 0;
  g.value = 50.0f;
  DrawNumberGauge(g, 1, GAUGE_STYLE_COL, 0, nullptr);
  const TextBatch& b = InterfaceTextBatch;
  ASSERT_GE(b.quadCount, 1);
  const GaugeQuad& needle = b.quads[b.quadCount - 1];
  const float r = 0.25f * GAUGE_RADIUS_SCALE;
  EXPECT_NEAR(0.5f * (needle.x[1] + needle.x[2]), GAUGE_NEEDLE_LENGTH * r, 1e-5f);
  EXPECT_NEAR(0.5f * (needle.y[1] + needle.y[2]), 0.0f, 1e-5f);
}

TEST_F(NumberGauge, TheHubIsAddedAndTheFlushDrawsQuadsAndCircles) {
  DashGauge g = Speedometer();
  g.centreX = 0.3f;
  g.radiusX = 0.2f;
  g.value = 50.0f;
  DrawNumberGauge(g, 1, 0, 0, nullptr);
  TextBatch& b = InterfaceTextBatch;
  ASSERT_EQ(b.circleCount, 1);
  EXPECT_FLOAT_EQ(b.circles[0].x, 0.3f);
  EXPECT_FLOAT_EQ(b.circles[0].radiusX, GAUGE_HUB_RADIUS * 0.2f * GAUGE_RADIUS_SCALE);
  EXPECT_FLOAT_EQ(b.circles[0].radiusY, GAUGE_HUB_RADIUS * 0.25f * GAUGE_RADIUS_SCALE);
  const int quads = b.quadCount;

  Draw2D& l = Draw2DList;
  const uint32_t batchesBefore = l.counters.batchCount;
  DrawTextBox(b);
  EXPECT_EQ(b.quadCount, 0);
  EXPECT_EQ(b.circleCount, 0);
  ASSERT_GE(l.counters.batchCount, batchesBefore + 1);
  const Draw2DBatch& shapes = l.batches[l.counters.batchCount - 1];
  EXPECT_EQ(shapes.vertexCount, uint32_t(4 * quads + 1 + HUB_CIRCLE_SEGMENTS));
  EXPECT_EQ(shapes.triangleCount, uint32_t(2 * quads + HUB_CIRCLE_SEGMENTS));

  // Full lists drop what is beyond them.
  for (int i = 0; i < 20; ++i) DrawNumberGauge(g, 1, 0, 0, nullptr);
  EXPECT_EQ(b.circleCount, TEXT_BATCH_MAX_CIRCLES);
  EXPECT_EQ(b.quadCount, TEXT_BATCH_MAX_QUADS);
  EXPECT_FALSE(AddGaugeQuad(b, GaugeQuad{}));
  DrawTextPanel(b);
  EXPECT_EQ(b.quadCount + b.circleCount, 0) << "a pixel batch's dials are emptied too";
}

TEST_F(NumberGauge, StyleBitsLeaveOutHubFiguresMarksAndSymbolAndTheUnitBytePlacesTheCaption) {
  DashGauge g = Speedometer();
  g.value = 100.0f;
  g.symbol = "\xBE";
  const TextBatch& b = InterfaceTextBatch;
  DrawNumberGauge(g, 0, 0, 0, nullptr);
  EXPECT_EQ(b.quadCount + b.circleCount, 0) << "draw flag 0 draws nothing";
  EXPECT_TRUE(b.items.empty());

  DrawNumberGauge(g, 1, 0, 0, nullptr);
  const int marks = GaugeMarkCount(g);
  const size_t figuresAndSymbol = b.items.size();
  EXPECT_EQ(b.quadCount, marks + 2);
  EXPECT_EQ(b.circleCount, 1);
  EXPECT_EQ(b.items.back().glyph, 0xBE - FIRST_CODE) << "the symbol last, by its raw code";
  EmptyTextBatches();
  DrawNumberGauge(g, 1, GAUGE_STYLE_PIVOT | GAUGE_STYLE_NUM | GAUGE_STYLE_SYMBOL | GAUGE_STYLE_MARKS, 0, nullptr);
  EXPECT_EQ(b.quadCount, 1) << "only the needle";
  EXPECT_EQ(b.circleCount, 0);
  EXPECT_TRUE(b.items.empty());

  // Small figures, figures outside the marks.
  EmptyTextBatches();
  DrawNumberGauge(g, 1, GAUGE_STYLE_SMALL | GAUGE_STYLE_SYMBOL, 0, nullptr);
  ASSERT_EQ(b.items.size(), figuresAndSymbol - 1);
  const float r = 0.25f * GAUGE_RADIUS_SCALE;
  const float smallHeight = b.items[0].y1 - b.items[0].y0;
  EmptyTextBatches();
  DrawNumberGauge(g, 1, GAUGE_STYLE_SYMBOL, 0, nullptr);
  EXPECT_NEAR(smallHeight / (b.items[0].y1 - b.items[0].y0), GAUGE_SMALL_FIGURES, 1e-4f);
  EmptyTextBatches();
  DrawNumberGauge(g, 1, GAUGE_STYLE_ABOVE | GAUGE_STYLE_SYMBOL, 0, nullptr);
  const float outer = std::hypot(b.items[0].x0, b.items[0].y0);
  EXPECT_GT(outer, r) << "the first figure lies outside the ring";

  // Captions: above, below, in the gap, at the distance "Out" gives.
  const char* caption = "\xD7" "1000";
  float middles[4] = {}, centres[4] = {};
  for (int place = 0; place < 4; ++place) {
    EmptyTextBatches();
    DrawNumberGauge(g, 1, GAUGE_STYLE_NUM | GAUGE_STYLE_SYMBOL, place | 5 << 4, caption);
    if (place == GAUGE_CAPTION_NONE) {
      EXPECT_TRUE(b.items.empty());
      continue;
    }
    ASSERT_EQ(b.items.size(), 5u) << place;
    EXPECT_EQ(b.items[0].glyph, 0xD7 - FIRST_CODE) << "the sign drawn as its own glyph";
    middles[place] = 0.5f * (b.items[0].y0 + b.items[0].y1);
    centres[place] = 0.5f * (b.items[0].x0 + b.items[4].x1);
  }
  const float distance = (GAUGE_CAPTION_NEAR + 5 * GAUGE_CAPTION_STEP) * r;
  EXPECT_NEAR(middles[GAUGE_CAPTION_BELOW] - middles[GAUGE_CAPTION_ABOVE], 2 * distance, 1e-4f);
  EXPECT_NEAR(centres[GAUGE_CAPTION_ABOVE], centres[GAUGE_CAPTION_BELOW], 1e-5f) << "both centred on the dial";
  // The gap: the middle of the part the turn leaves open, here at -60 degrees.
  const float gap = g.startAngle + 0.5f * g.turn + PI;
  EXPECT_NEAR(middles[GAUGE_CAPTION_GAP] - (middles[GAUGE_CAPTION_ABOVE] + distance), -std::sin(gap) * distance, 1e-4f);
  EXPECT_NEAR(centres[GAUGE_CAPTION_GAP] - centres[GAUGE_CAPTION_ABOVE], std::cos(gap) * distance, 1e-4f);
}
