// setup_diagram_test.cpp - the axle diagram's scale, thick lines, wheel columns and track
// line with its warnings.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "core/gamma_tables.h"
#include "render/draw2d.h"
#include "render/render_target.h"
#include "tests/physics/car_test_util.h"
#include "tests/vehicle/diagram_test_car.h"
#include "ui/character_set.h"
#include "ui/text_draw.h"
#include "ui/text_measure.h"
#include "vehicle/setup_diagram.h"
#include "vehicle/wheel_profile.h"

namespace {

TEST(SetupDiagram, ScaleAndThickLines) {
  EXPECT_FLOAT_EQ(DiagramScale(400.0f, 2.0f), 80.0f);
  EXPECT_FLOAT_EQ(DiagramScale(400.0f, 0.3f), 320.0f);  // at the scale of 0.5 m
  EXPECT_FLOAT_EQ(DiagramScale(400.0f, 0.5f), 320.0f);
  ThickLineVertex v[THICK_LINE_VERTICES];
  EXPECT_EQ(MakeThickLine(5, 5, 5, 5, 2, 2, v), 0);
  ASSERT_EQ(MakeThickLine(0, 0, 10, 0, 2, 4, v), 1);
  EXPECT_FLOAT_EQ(v[0].y, -2.0f);  // half the height each way across a level line
  EXPECT_FLOAT_EQ(v[7].y, 2.0f);
  EXPECT_FLOAT_EQ(v[7].x, 10.0f);
  EXPECT_FLOAT_EQ(v[2].u, 0.5f);
  EXPECT_FLOAT_EQ(v[6].u, 1.0f);
}

TEST(SetupDiagram, TrackWarningsInclusive) {
  char line[64];
  FormatTrackLine(line, sizeof(line), 1.49f, 1.5f, 1);
  EXPECT_STREQ(line, "Track : 1.490");  // exactly 0.01 m off: no warning
  FormatTrackLine(line, sizeof(line), 1.51f, 1.5f, 1);
  EXPECT_STREQ(line, "Track : 1.510");
  FormatTrackLine(line, sizeof(line), 1.4899f, 1.5f, 1);
  EXPECT_STREQ(line, "Track : 1.490 ^3(TOO NARROW)");
  FormatTrackLine(line, sizeof(line), 1.5101f, 1.5f, 1);
  EXPECT_STREQ(line, "Track : 1.510 ^3(TOO WIDE)");
  FormatTrackLine(line, sizeof(line), 0.2f, 1.5f, 0);
  EXPECT_STREQ(line, "Track : 0.200");  // never a warning without the check
  FormatTrackLine(line, sizeof(line), 9.0f, 1.5f, 0);
  EXPECT_STREQ(line, "Track : 9.000");
}

TEST(SetupDiagram, WheelColumnTexts) {
  DiagramWheelValues w = {};
  w.camber = -0.0349066f;  // -2 degrees
  w.sideSign = -1.0f;
  w.inclination = 0.2094395f;
  w.caster = 0.1047198f;
  w.scrub = 0.0125f;
  w.pressure = 200000.0f;
  w.mu = 1.1f;
  w.airMass = 0.02f;
  w.airHeat = 0.02f * 1005.0f * 303.15f;  // 30 degrees
  w.coefficients[0] = 1.0f;
  w.coefficients[1] = 20000.0f;
  w.coefficients[2] = 90750.0f;  // ((1 x 200000 + 20000) x 1.1 x 0.75) / (90750 x 2) = 1: 45 degrees
  w.coefficients[3] = 2.0f;
  char lines[DIAGRAM_WHEEL_LINES][DIAGRAM_LINE_SIZE];
  ASSERT_EQ(FormatWheelColumn(w, 0, lines), DIAGRAM_WHEEL_LINES);
  EXPECT_STREQ(lines[0], "Camber : +2.00");
  EXPECT_STREQ(lines[1], "Inclination : 12.00");
  EXPECT_STREQ(lines[2], "Caster : 6.00");
  EXPECT_STREQ(lines[3], "Scrub : 0.013");
  EXPECT_STREQ(lines[4], "SA 45.0");
  EXPECT_STREQ(lines[5], "\xB5 : 1.10 / air 30.0\xB0");
  EXPECT_EQ(static_cast<uint8_t>(lines[5][0]), 0xB5);
  EXPECT_EQ(static_cast<uint8_t>(lines[5][std::strlen(lines[5]) - 1]), 0xB0);
  EXPECT_STREQ(lines[6], "29.0 psi / 2.00 bar");
  w.sideSign = 0.0f;  // counts as 1
  FormatWheelColumn(w, 0, lines);
  EXPECT_STREQ(lines[0], "Camber : -2.00");
  // A remote car shows no texts; empty coefficients give no number that is not finite.
  EXPECT_EQ(FormatWheelColumn(w, 1, lines), 0);
  w.coefficients[2] = 0.0f;
  w.airMass = 0.0f;
  FormatWheelColumn(w, 0, lines);
  EXPECT_EQ(std::string(lines[4]).find("nan"), std::string::npos);
  // No grip over no stiffness (0 / 0) is no slip angle at all: 0; nor is air of endless heat
  // a temperature: 0.
  w.mu = 0.0f;
  w.airMass = 0.02f;
  w.airHeat = std::numeric_limits<float>::infinity();
  FormatWheelColumn(w, 0, lines);
  EXPECT_STREQ(lines[4], "SA 0.0");
  EXPECT_STREQ(lines[5], "\xB5 : 0.00 / air 0.0\xB0");
  const char* const names[8] = {"Rigid", "Linear", "Front Fork", "MacPherson Strut", "Double Wishbone", "Trailing Arm", "",
                                 ""};
  for (int type = 0; type < 8; ++type) EXPECT_STREQ(SuspensionTypeName(type), names[type]) << type;
  EXPECT_STREQ(SuspensionTypeName(-1), "");
}

// The colours the 2D list holds after drawing one axle of a sample car.
std::set<uint32_t> DrawnColours() {
  std::set<uint32_t> colours;
  for (uint32_t i = 0; i < Draw2DList.counters.vertexCount; ++i) colours.insert(Draw2DList.vertices[i].colour);
  return colours;
}

TEST(SetupDiagram, MacPhersonAndDoubleWishboneAxles) {
  BuildGammaTables();
  Car car;
  MakeDiagramCar(car);
  // A lateral force on each wheel, outwards on the right, inwards on the left.
  for (int i = 0; i < car.wheelCount; ++i) car.wheels[i].wheelForce = Vec3{3000.0f, 0.0f, 0.0f};
  Draw2DList.Init();
  DiagramTexts texts;
  for (int setIndex = 0; setIndex < 2; ++setIndex) {
    Draw2DList.Reset();
    DrawSetupDiagram(car, setIndex, -1.0f, -1.0f, 1.0f, 1.0f, 1, 0.05f, texts);
    const std::set<uint32_t> colours = DrawnColours();
    for (uint32_t c : {DIAGRAM_SECTION_COLOUR, DIAGRAM_LINK_COLOURS[0], DIAGRAM_LINK_COLOURS[1], DIAGRAM_LINK_COLOURS[2],
                       DIAGRAM_PLATE_COLOUR, DIAGRAM_GROUND_COLOUR, DIAGRAM_MARKER_COLOUR, DIAGRAM_WEDGE_COLOURS[0],
                       DIAGRAM_WEDGE_COLOURS[1]})
      EXPECT_EQ(colours.count(ApplyBrightnessTable(c)), 1u) << std::hex << c << " in set " << setIndex;
    for (uint32_t i = 0; i < Draw2DList.counters.vertexCount; ++i) {
      EXPECT_GE(Draw2DList.vertices[i].x, -1.0f);  // inside the panel
      EXPECT_LE(Draw2DList.vertices[i].x, 0.0f);
    }
    ASSERT_GE(texts.count, 2);
    EXPECT_GT(texts.track, 0.5f);
    EXPECT_EQ(texts.count, 2 * DIAGRAM_WHEEL_LINES + 2);
  }
  EXPECT_STREQ(texts.lines[texts.count - 2].text, "FRONT : Double Wishbone");
  EXPECT_EQ(std::string(texts.lines[texts.count - 1].text).rfind("Track : ", 0), 0u);
  EXPECT_EQ(texts.lines[0].rightAligned, 0);  // the left wheel's column, then the right's
  EXPECT_EQ(texts.lines[DIAGRAM_WHEEL_LINES].rightAligned, 1);
  // A remote car: the title and track only.
  car.remote = 1;
  Draw2DList.Reset();
  DrawSetupDiagram(car, 0, -1.0f, -1.0f, 1.0f, 1.0f, 0, 0.05f, texts);
  EXPECT_EQ(texts.count, 2);
  EXPECT_STREQ(texts.lines[0].text, "REAR : MacPherson Strut");
  EXPECT_EQ(DrawnColours().count(ApplyBrightnessTable(DIAGRAM_WEDGE_COLOURS[0])), 0u) << "no wedge";
  EXPECT_EQ(DrawnColours().count(ApplyBrightnessTable(DIAGRAM_WEDGE_COLOURS[1])), 0u);
  Draw2DList.Free();
}

// The lines of one colour in the diagram's batch, each from its start to its end: a thick
// line's vertices 2 and 3 lie on the line itself, at its start and its end.
struct DrawnLine {
  float x0, y0, x1, y1;
};
std::vector<DrawnLine> LinesOfColour(uint32_t colour) {
  std::vector<DrawnLine> lines;
  const uint32_t shown = ApplyBrightnessTable(colour);
  uint32_t i = 0;
  while (i + THICK_LINE_VERTICES <= Draw2DList.counters.vertexCount) {
    if (Draw2DList.vertices[i].colour != shown) {
      ++i;
      continue;
    }
    const Draw2DVertex* v = &Draw2DList.vertices[i];
    lines.push_back(DrawnLine{v[2].x, v[2].y, v[3].x, v[3].y});
    i += THICK_LINE_VERTICES;
  }
  return lines;
}

// The links lie over the plates: no plate drawn after a link covers either of its ends (a
// plate drawn later hid the last pixels of the line that meets it).
void ExpectNoPlateOverALinksEnd() {
  const uint32_t plate = ApplyBrightnessTable(DIAGRAM_PLATE_COLOUR);
  std::set<uint32_t> links;
  for (const uint32_t c : DIAGRAM_LINK_COLOURS) links.insert(ApplyBrightnessTable(c));
  std::vector<std::array<float, 2>> ends;
  int plates = 0;
  const auto& v = Draw2DList.vertices;
  for (uint32_t i = 0; i < Draw2DList.counters.vertexCount;) {
    if (links.count(v[i].colour) && i + THICK_LINE_VERTICES <= Draw2DList.counters.vertexCount) {
      ends.push_back({v[i + 2].x, v[i + 2].y});
      ends.push_back({v[i + 3].x, v[i + 3].y});
      i += THICK_LINE_VERTICES;
    } else if (v[i].colour == plate && i + 4 <= Draw2DList.counters.vertexCount) {
      ++plates;
      float box[4] = {v[i].x, v[i].y, v[i].x, v[i].y};
      for (uint32_t k = i; k < i + 4; ++k)
        box[0] = std::min(box[0], v[k].x), box[1] = std::min(box[1], v[k].y), box[2] = std::max(box[2], v[k].x),
        box[3] = std::max(box[3], v[k].y);
      for (const auto& e : ends)
        EXPECT_FALSE(e[0] > box[0] && e[0] < box[2] && e[1] > box[1] && e[1] < box[3])
            << "plate " << plates << " drawn over a link's end at (" << e[0] << ", " << e[1] << ")";
      i += 4;
    } else {
      ++i;
    }
  }
  EXPECT_GT(plates, 0);
}

// A double wishbone axle whose arms are parallel and equally long makes a parallelogram that
// can be drawn by hand.  Each wheel: the lower inner pivot at (0.3, 0.1) m (x across times the
// side, z up), the upper at (0.3, 0.4); both arms 0.4 m, at rest level (no travel, no rest
// angle), so the lower outer joint is at (0.7, 0.1); the upright 2 x 0.15 m long with no caster
// stands straight up from it to (0.7, 0.4), 0.4 m from the upper pivot as the upper arm needs.
// The panel (-0.4, -0.4) 0.8 x 0.8 with lines 0.04 apart, the car 1.6 m wide: 0.4 x 0.8 / 1.6 =
// 0.2 per metre, x about -0.4 + 0.4 = 0; the seven column lines fill the foot from 0.4 - 0.28 =
// 0.12, the ground 1.2 lines above, at 0.072, with z upwards, so (x, z) is drawn at
// (0.2 x, 0.072 - 0.2 z):
//   lower pivot (0.06, 0.052), upper pivot (0.06, -0.008), lower joint (0.14, 0.052), upper
//   joint (0.14, -0.008), the x negated for the left wheel, drawn first.
// The lower arm runs from the lower pivot to the lower joint, the upper arm from the upper pivot
// to the upper joint; the third colour draws two lines from the lower pivot: to the upper pivot,
// then to the upright's upper end.
TEST(SetupDiagram, TheDoubleWishbonesLinksRunBetweenItsPivotsAndTheUprightsEnds) {
  BuildGammaTables();
  Car car;
  MakeDiagramCar(car);
  SuspensionBlock& set = car.wheelSets[1];
  ASSERT_EQ(set.suspensionType, 4);
  set.lowerArmLength = 0.4f;
  set.upperArmLength = 0.4f;
  set.halfUprightLength = 0.15f;
  set.caster = 0.0f;
  int wheels = 0;
  for (int i = 0; i < car.wheelCount; ++i) {
    CarWheel& w = car.wheels[i];
    if (w.wheelSet != 1) continue;
    ASSERT_EQ(std::fabs(w.side), 1.0f) << i;
    ++wheels;
    w.restArmAngle = 0.0f;
    w.travel = 0.0f;
    w.travelOffset = 0.0f;
    w.lowerArmShortening = 0.0f;
    w.upperArmShortening = 0.0f;
    w.lowerPivot = {w.side * 0.3f, w.designCentre.y, 0.1f};
    w.upperPivotX = w.side * 0.3f;
    w.upperPivotZ = 0.4f;
    w.mountDx = 0.0f;
    w.mountDz = 0.3f;
  }
  ASSERT_EQ(wheels, 2);
  Draw2DList.Init();
  Draw2DList.Reset();
  DiagramTexts texts;
  DrawSetupDiagram(car, 1, -0.4f, -0.4f, 0.8f, 0.8f, 0, 0.04f, texts);
  const ScreenWindow& window = RenderTargets.window;
  // The panel's points through the window's mapping, the right wheel's x times side.
  const auto expectLines = [&window](uint32_t colour, const std::vector<DrawnLine>& right) {
    const std::vector<DrawnLine> drawn = LinesOfColour(colour);
    ASSERT_EQ(drawn.size(), 2 * right.size()) << std::hex << colour;
    for (size_t k = 0; k < drawn.size(); ++k) {
      const float side = k < right.size() ? -1.0f : 1.0f;
      const DrawnLine& e = right[k % right.size()];
      const DrawnLine& d = drawn[k];
      EXPECT_NEAR(d.x0, window.scaleX * side * e.x0 + window.centreX, 1e-5f) << std::hex << colour << " line " << k;
      EXPECT_NEAR(d.y0, window.scaleY * e.y0 + window.centreY, 1e-5f) << std::hex << colour << " line " << k;
      EXPECT_NEAR(d.x1, window.scaleX * side * e.x1 + window.centreX, 1e-5f) << std::hex << colour << " line " << k;
      EXPECT_NEAR(d.y1, window.scaleY * e.y1 + window.centreY, 1e-5f) << std::hex << colour << " line " << k;
    }
  };
  expectLines(DIAGRAM_LINK_COLOURS[0], {{0.06f, 0.052f, 0.14f, 0.052f}});  // the lower arm
  expectLines(DIAGRAM_LINK_COLOURS[1], {{0.06f, -0.008f, 0.14f, -0.008f}});  // the upper arm
  expectLines(DIAGRAM_LINK_COLOURS[2], {{0.06f, 0.052f, 0.06f, -0.008f}, {0.06f, 0.052f, 0.14f, -0.008f}});
  ExpectNoPlateOverALinksEnd();
  Draw2DList.Free();
}

// Every vertex of one colour in the last batch (the diagram's), in the order drawn.
std::vector<Draw2DVertex> VerticesOfColour(uint32_t colour) {
  std::vector<Draw2DVertex> found;
  const uint32_t shown = ApplyBrightnessTable(colour);
  const Draw2DBatch& batch = Draw2DList.batches[Draw2DList.counters.batchCount - 1];
  for (uint32_t i = batch.firstVertex; i < batch.firstVertex + batch.vertexCount; ++i)
    if (Draw2DList.vertices[i].colour == shown) found.push_back(Draw2DList.vertices[i]);
  return found;
}

// The strut axle of the sample car by hand, in the panel (-0.4, -0.4) 0.8 x 0.8 at 0.2 per metre,
// its ground at 0.072 as above, (x, z) drawn at (0.2 x, 0.072 - 0.2 z), the lines 0.8 / 200 =
// 0.004 thick; each wheel, the left first, x times its side:
//   the arm from the lower pivot (0.3, 0.12) m, drawn (0.06, 0.048), to the upright's lower end;
//   the strut from the upright's upper end to its top (0.58, 0.75) m, drawn (0.116, -0.078);
//   the track rod from 5 cm above the pivot (0.3, 0.17) m, drawn (0.06, 0.038), to the upright's
//   middle;
//   square plates 4 x 0.004 = 0.016 each way about the pivot, the strut top and the arm's outer
//   end; the contact marker 3 x 0.004 = 0.012 each way; the ground the tyre's section width
//   each way of the contact.
// A force of 3000 N across the car draws a wedge from the contact 3000 / 20000 = 0.15 m along
// (0.03 drawn), its outer edge 0.18 m (0.036) and raised 0.15 x 1.2 / 3 = 0.06 m (0.012).
// The track line gives the distance between the contacts, checked against the axle's own.
TEST(SetupDiagram, TheStrutAxlesLinksPlatesGroundAndWedgeStandAtTheirPoints) {
  BuildGammaTables();
  Car car;
  MakeDiagramCar(car);
  for (int i = 0; i < car.wheelCount; ++i) car.wheels[i].wheelForce = Vec3{3000.0f, 0.0f, 0.0f};
  const float sectionWidth = car.wheelSets[0].sectionWidth;
  car.wheelSets[0].trackWidth = 1.0f;  // the axle's own track, against which the measured one is checked
  ASSERT_GT(sectionWidth, 0.0f);
  Draw2DList.Init();
  Draw2DList.Reset();
  DiagramTexts texts;
  DrawSetupDiagram(car, 0, -0.4f, -0.4f, 0.8f, 0.8f, 1, 0.04f, texts);
  const ScreenWindow& win = RenderTargets.window;
  const auto X = [&win](float x) { return win.scaleX * x + win.centreX; };
  const auto Y = [&win](float y) { return win.scaleY * y + win.centreY; };
  constexpr float tol = 1e-5f;
  const std::vector<DrawnLine> arm = LinesOfColour(DIAGRAM_LINK_COLOURS[0]), strut = LinesOfColour(DIAGRAM_LINK_COLOURS[1]),
                               rod = LinesOfColour(DIAGRAM_LINK_COLOURS[2]), ground = LinesOfColour(DIAGRAM_GROUND_COLOUR);
  ASSERT_EQ(arm.size(), 2u);
  ASSERT_EQ(strut.size(), 2u);
  ASSERT_EQ(rod.size(), 2u);
  ASSERT_EQ(ground.size(), 2u);
  const std::vector<DrawnLine> section = LinesOfColour(DIAGRAM_SECTION_COLOUR);
  ASSERT_EQ(section.size(), 2u * 9u * 2u);
  // Each wheel: three plates of four corners; the upright's eight vertices, then the marker's four.
  const std::vector<Draw2DVertex> plates = VerticesOfColour(DIAGRAM_PLATE_COLOUR);
  const std::vector<Draw2DVertex> markers = VerticesOfColour(DIAGRAM_MARKER_COLOUR);
  ASSERT_EQ(plates.size(), 24u);
  ASSERT_EQ(markers.size(), 24u);
  const float cornerX[4] = {-1, 1, 1, -1}, cornerY[4] = {-1, -1, 1, 1};
  double contactX[2] = {}, contactZ[2] = {};  // m, from the markers drawn
  for (int k = 0; k < 2; ++k) {
    const float side = k == 0 ? -1.0f : 1.0f;
    EXPECT_NEAR(arm[k].x0, X(side * 0.06f), tol) << k;
    EXPECT_NEAR(arm[k].y0, Y(0.048f), tol) << k;
    EXPECT_NEAR(strut[k].x1, X(side * 0.116f), tol) << k;
    EXPECT_NEAR(strut[k].y1, Y(-0.078f), tol) << k;
    EXPECT_NEAR(rod[k].x0, X(side * 0.06f), tol) << k;
    EXPECT_NEAR(rod[k].y0, Y(0.038f), tol) << k;
    // The upright's ends (its vertices 2 and 3) join the arm, the strut and the rod.
    const Draw2DVertex* up = &markers[12 * size_t(k)];
    EXPECT_NEAR(arm[k].x1, up[2].x, tol) << k;
    EXPECT_NEAR(arm[k].y1, up[2].y, tol) << k;
    EXPECT_NEAR(strut[k].x0, up[3].x, tol) << k;
    EXPECT_NEAR(strut[k].y0, up[3].y, tol) << k;
    EXPECT_NEAR(rod[k].x1, (up[2].x + up[3].x) / 2, tol) << k;
    EXPECT_NEAR(rod[k].y1, (up[2].y + up[3].y) / 2, tol) << k;
    EXPECT_GT(std::fabs(up[3].y - up[2].y), 0.01f * std::fabs(win.scaleY)) << k << ": the upright stands up";
    // The tyre section: each surface below the axle, then its reflection above: the same x,
    // the y mirrored about the wheel's centre (the upright's middle); each surface starting
    // where the one before it ended.
    const float centreY = (up[2].y + up[3].y) / 2;
    for (size_t f = 0; f < 9; ++f) {
      const DrawnLine& below = section[k * 18 + 2 * f];
      const DrawnLine& above = section[k * 18 + 2 * f + 1];
      EXPECT_NEAR(above.x0, below.x0, tol) << k << " surface " << f;
      EXPECT_NEAR(above.x1, below.x1, tol) << k << " surface " << f;
      EXPECT_NEAR(above.y0 - centreY, centreY - below.y0, tol) << k << " surface " << f;
      EXPECT_NEAR(above.y1 - centreY, centreY - below.y1, tol) << k << " surface " << f;
      if (f > 0) {
        EXPECT_NEAR(below.x0, section[k * 18 + 2 * f - 2].x1, tol) << k << " surface " << f;
        EXPECT_NEAR(below.y0, section[k * 18 + 2 * f - 2].y1, tol) << k << " surface " << f;
      }
    }
    const float plateX[3] = {X(side * 0.06f), X(side * 0.116f), up[2].x};
    const float plateY[3] = {Y(0.048f), Y(-0.078f), up[2].y};
    for (int q = 0; q < 3; ++q)
      for (int i = 0; i < 4; ++i) {
        const Draw2DVertex& v = plates[12 * size_t(k) + 4 * size_t(q) + size_t(i)];
        EXPECT_NEAR(v.x, plateX[q] + cornerX[i] * win.scaleX * 0.016f, tol) << k << " plate " << q << " corner " << i;
        EXPECT_NEAR(v.y, plateY[q] + cornerY[i] * win.scaleY * 0.016f, tol) << k << " plate " << q << " corner " << i;
      }
    const Draw2DVertex* marker = up + 8;
    const float cx = (marker[0].x + marker[2].x) / 2, cy = (marker[0].y + marker[2].y) / 2;
    contactX[k] = (cx - win.centreX) / win.scaleX / 0.2;
    contactZ[k] = -(cy - win.centreY) / win.scaleY / 0.2;
    for (int i = 0; i < 4; ++i) {
      EXPECT_NEAR(marker[i].x, cx + cornerX[i] * win.scaleX * 0.012f, tol) << k << " marker corner " << i;
      EXPECT_NEAR(marker[i].y, cy + cornerY[i] * win.scaleY * 0.012f, tol) << k << " marker corner " << i;
    }
    EXPECT_GT((cy - win.centreY) / win.scaleY, (up[2].y - win.centreY) / win.scaleY) << k << ": the contact lies below the upright";
    EXPECT_NEAR(ground[k].x0, cx - win.scaleX * 0.2f * sectionWidth, tol) << k;
    EXPECT_NEAR(ground[k].x1, cx + win.scaleX * 0.2f * sectionWidth, tol) << k;
    EXPECT_NEAR(ground[k].y0, cy, tol) << k;
    EXPECT_NEAR(ground[k].y1, cy, tol) << k;
    // The force points to the car's right: inwards on the left wheel, outwards on the right.
    const std::vector<Draw2DVertex> wedge = VerticesOfColour(DIAGRAM_WEDGE_COLOURS[k]);
    ASSERT_EQ(wedge.size(), 3u) << k;
    EXPECT_NEAR(wedge[0].x, cx, tol) << k;
    EXPECT_NEAR(wedge[0].y, cy, tol) << k;
    EXPECT_NEAR(wedge[1].x, cx + win.scaleX * 0.03f, tol) << k;
    EXPECT_NEAR(wedge[1].y, cy, tol) << k;
    EXPECT_NEAR(wedge[2].x, cx + win.scaleX * 0.036f, tol) << k;
    EXPECT_NEAR(wedge[2].y, cy - win.scaleY * 0.012f, tol) << k;
    // One triangle over the wedge's three vertices, in their order.
    const Draw2DBatch& batch = Draw2DList.batches[Draw2DList.counters.batchCount - 1];
    const uint32_t shown = ApplyBrightnessTable(DIAGRAM_WEDGE_COLOURS[k]);
    const auto colourAt = [&batch](uint32_t index) { return Draw2DList.vertices[batch.firstVertex + index].colour; };
    int wedgeTriangles = 0;
    for (uint32_t t = 0; t < batch.triangleCount; ++t) {
      const Draw2DTriangle& tri = Draw2DList.triangles[batch.firstTriangle + t];
      if (colourAt(tri.a) != shown || colourAt(tri.b) != shown || colourAt(tri.c) != shown) continue;
      ++wedgeTriangles;
      EXPECT_EQ(tri.b, tri.a + 1) << k;
      EXPECT_EQ(tri.c, tri.a + 2) << k;
    }
    EXPECT_EQ(wedgeTriangles, 1) << k;
  }
  // The track line: the distance between the two contacts, wider than the axle's 1 m.
  const double track = std::hypot(contactX[1] - contactX[0], contactZ[1] - contactZ[0]);
  ASSERT_GT(track, 1.01);
  const std::string trackLine = texts.lines[texts.count - 1].text;
  ASSERT_EQ(trackLine.rfind("Track : ", 0), 0u) << trackLine;
  EXPECT_NEAR(std::stod(trackLine.substr(8)), track, 1.5e-3) << trackLine;
  EXPECT_NE(trackLine.find("(TOO WIDE)"), std::string::npos) << trackLine;
  ExpectNoPlateOverALinksEnd();
  Draw2DList.Free();
}

// The lines are a two-hundredth of the panel's width thick, but never under 1e-4: in a panel
// 0.01 wide (0.01 / 200 = 5e-5) a strut axle's plates are 2 x 4 x 1e-4 = 8e-4 across, in one
// 1.0 wide 2 x 4 x 0.005 = 0.04.
TEST(SetupDiagram, ThePlatesOfANarrowPanelKeepTheLeastThickness) {
  BuildGammaTables();
  Car car;
  MakeDiagramCar(car);
  Draw2DList.Init();
  DiagramTexts texts;
  const ScreenWindow& win = RenderTargets.window;
  for (const float width : {0.01f, 1.0f}) {
    Draw2DList.Reset();
    DrawSetupDiagram(car, 0, -0.5f, -0.5f, width, width, 0, 0.05f, texts);
    const std::vector<Draw2DVertex> plates = VerticesOfColour(DIAGRAM_PLATE_COLOUR);
    ASSERT_EQ(plates.size(), 24u) << width;
    const float across = width < 0.02f ? 8e-4f : 0.04f;
    EXPECT_NEAR(plates[1].x - plates[0].x, win.scaleX * across, std::fabs(win.scaleX) * 1e-6f) << width;
  }
  Draw2DList.Free();
}

// An axle with no upright length given draws its uprights 2 x 0.1 m long: in the panel
// (-0.4, -0.4) 0.8 x 0.8 at 0.2 per metre, 0.04 from end to end.
TEST(SetupDiagram, AnUprightWithoutALengthIsDrawnATenthOfAMetreEachWay) {
  BuildGammaTables();
  Car car;
  MakeDiagramCar(car);
  car.wheelSets[1].halfUprightLength = 0.0f;
  Draw2DList.Init();
  Draw2DList.Reset();
  DiagramTexts texts;
  DrawSetupDiagram(car, 1, -0.4f, -0.4f, 0.8f, 0.8f, 0, 0.04f, texts);
  const ScreenWindow& win = RenderTargets.window;
  const std::vector<Draw2DVertex> markers = VerticesOfColour(DIAGRAM_MARKER_COLOUR);
  ASSERT_EQ(markers.size(), 24u) << "each wheel's upright (8) and contact marker (4)";
  for (size_t k = 0; k < 2; ++k) {
    const Draw2DVertex* up = &markers[12 * k];
    const double dx = (up[3].x - up[2].x) / win.scaleX, dy = (up[3].y - up[2].y) / win.scaleY;
    EXPECT_NEAR(std::hypot(dx, dy), 0.04, 1e-5) << k;
  }
  Draw2DList.Free();
}

// An axle index outside the car's two draws nothing and leaves no texts and no track.
TEST(SetupDiagram, AnAxleOutsideTheCarsTwoDrawsNothing) {
  BuildGammaTables();
  Car car;
  MakeDiagramCar(car);
  Draw2DList.Init();
  DiagramTexts texts;
  for (const int setIndex : {-1, 2}) {
    Draw2DList.Reset();
    const uint32_t before = Draw2DList.counters.vertexCount;
    texts.count = 5;
    DrawSetupDiagram(car, setIndex, -1.0f, -1.0f, 1.0f, 1.0f, 1, 0.05f, texts);
    EXPECT_EQ(texts.count, 0) << setIndex;
    EXPECT_EQ(texts.track, -1.0f) << setIndex;
    EXPECT_EQ(Draw2DList.counters.vertexCount, before) << setIndex;
  }
  Draw2DList.Free();
}

// The diagram's wheel columns show each wheel's live values from its axle and its tyre: the
// axle's inclination 12 and caster 6 degrees, the tyre's 200000 Pa (29.0 psi, 2.00 bar), grip
// 1.1, air 0.02 kg holding 0.02 x 1005 x 303.15 J (30 degrees), and the slip angle from the
// axle's stiffnesses: atan(((1 x 200000 + 20000) x 1.1 x 0.75) / (90750 x 2)) = 45 degrees.
TEST(SetupDiagram, TheWheelColumnsShowTheAxlesAndTyresValues) {
  BuildGammaTables();
  Car car;
  MakeDiagramCar(car);
  SuspensionBlock& set = car.wheelSets[1];
  set.inclination = 0.2094395f;
  set.caster = 0.1047198f;
  set.radialStiffnessSlope = 1.0f;
  set.radialStiffnessAtZero = 20000.0f;
  set.brushStiffness = 90750.0f;
  set.treadContactWidth = 2.0f;
  for (int i = 0; i < car.wheelCount; ++i) {
    CarWheel& w = car.wheels[i];
    w.pressure = 200000.0f;
    w.gripCoefficient = 1.1f;
    w.airMass = 0.02f;
    w.airHeat = 0.02f * 1005.0f * 303.15f;
  }
  Draw2DList.Init();
  Draw2DList.Reset();
  DiagramTexts texts;
  DrawSetupDiagram(car, 1, -1.0f, -1.0f, 1.0f, 1.0f, 0, 0.05f, texts);
  ASSERT_EQ(texts.count, 2 * DIAGRAM_WHEEL_LINES + 2);
  for (int column = 0; column < 2; ++column) {
    const DiagramText* l = &texts.lines[column * DIAGRAM_WHEEL_LINES];
    EXPECT_EQ(std::string(l[0].text).rfind("Camber : ", 0), 0u) << column;
    EXPECT_STREQ(l[1].text, "Inclination : 12.00") << column;
    EXPECT_STREQ(l[2].text, "Caster : 6.00") << column;
    EXPECT_EQ(std::string(l[3].text).rfind("Scrub : ", 0), 0u) << column;
    EXPECT_STREQ(l[4].text, "SA 45.0") << column;
    EXPECT_STREQ(l[5].text, "\xB5 : 1.10 / air 30.0\xB0") << column;
    EXPECT_STREQ(l[6].text, "29.0 psi / 2.00 bar") << column;
  }
  Draw2DList.Free();
}

// The queued texts on the fixed-width character set: each of the texts counted (not one more)
// at its place in the colour given; a right-aligned one ends at its x, so "ab" right-aligned
// at 0.75 starts where "ab" would at 0.75 less its width, which at size 0.5 is two letters of
// (the glyph's width + 1/12 of spacing) x 0.5.
TEST(SetupDiagram, TheQueuedTextsStandAtTheirPlacesTheRightAlignedEndingThere) {
  UseFixedWidthCharacterSet();
  TextSize = 11;
  TextSizeFactor = 1.0f;
  LetterSpacing = 1.0f / 12.0f;
  TextHorizontalScale = 1.0f;
  TextDrawCursor = TEXT_CURSOR_NONE;
  EmptyTextBatches();
  CurrentTextBatch = &InterfaceTextBatch;
  DiagramTexts texts = {};
  texts.lines[0] = DiagramText{0.25f, 0.5f, 0, "ab"};
  texts.lines[1] = DiagramText{0.75f, 0.625f, 1, "ab"};
  texts.lines[2] = DiagramText{0.0f, 0.0f, 0, "zz"};  // past the count
  texts.count = 2;
  QueueDiagramTexts(texts, 0.5f, 0xFF336699u);
  const std::vector<TextBatchItem>& items = InterfaceTextBatch.items;
  ASSERT_EQ(items.size(), 4u);
  for (const TextBatchItem& item : items) {
    EXPECT_EQ(item.colour, 0xFF336699u);
    EXPECT_NE(item.glyph, uint16_t('z' - 32)) << "nothing past the count";
  }
  const float width = 2.0f * (FIXED_GLYPH_WIDTH + 1.0f / 12.0f) * 0.5f;
  EXPECT_NEAR(TextWidth("ab", 0, 0.5f), width, 1e-5f) << "the letters' width, as worked out";
  EXPECT_NEAR(items[2].x0 - items[0].x0, (0.75f - width) - 0.25f, 1e-5f);
  EXPECT_NEAR(items[3].x0 - items[1].x0, (0.75f - width) - 0.25f, 1e-5f);
  EXPECT_NEAR(items[2].y0 - items[0].y0, 0.125f, 1e-5f);
  EXPECT_NEAR(items[1].x0 - items[0].x0, (FIXED_GLYPH_WIDTH + 1.0f / 12.0f) * 0.5f, 1e-5f) << "a letter at size 0.5";
  EmptyTextBatches();
}

// The tyre section: each wheel draws the tyre's outline, each of its surfaces below the axle
// and reflected above, and none of the rim's surfaces that follow it in the wheel's profile.
// The profile's tyre, by hand: bead to side, side to shoulder, shoulder to tread, three tread
// pieces, tread to shoulder, shoulder to side, side to bead: 9 surfaces; then the rim's two
// sides (2 surfaces), or with a lip also the two lips (4 surfaces).  Two wheels on the front
// axle: 2 x 9 x 2 = 36 section lines however many rim surfaces follow.
TEST(SetupDiagram, TheTyreSectionDrawsTheTyresSurfacesButNotTheRims) {
  BuildGammaTables();
  Car car;
  MakeDiagramCar(car);
  SuspensionBlock& set = car.wheelSets[1];
  Draw2DList.Init();
  DiagramTexts texts;
  struct Case {
    float lipMm;
    int surfaces;  // 9 tyre + the rim's
  };
  for (const Case& c : {Case{0.0f, 9 + 2}, Case{6.0f, 9 + 4}}) {
    set.rimLipDepthMm = c.lipMm;
    BuildRimProfile(set, nullptr, RimProfileFlags{0, 0, 0});
    EXPECT_EQ(set.profile.surfaceCount, c.surfaces) << "the rim's surfaces follow the tyre's, lip " << c.lipMm;
    Draw2DList.Reset();
    DrawSetupDiagram(car, 1, -0.4f, -0.4f, 0.8f, 0.8f, 0, 0.04f, texts);
    // A tyre that fits its rim: no bead surface in the flagged colour (black, as the arm plates).
    EXPECT_EQ(set.profile.status, TYRE_DIMENSIONS_OK);
    EXPECT_EQ(LinesOfColour(DIAGRAM_SECTION_COLOUR).size(), 36u) << "lip " << c.lipMm;
  }
  Draw2DList.Free();
}

// The force wedge: along the force from the contact point, its outer edge 1.2 times as long
// and raised; coloured by whether the force points with the wheel's side; wound by its sign.
TEST(SetupDiagram, ForceWedgeAlongTheForce) {
  ForceWedge w;
  ASSERT_EQ(MakeForceWedge(100.0f, 200.0f, 4000.0f, 1.0f, 50.0f, 50.0f, w), 1);
  EXPECT_EQ(w.colour, DIAGRAM_WEDGE_COLOURS[1]) << "outwards on a right wheel";
  EXPECT_FLOAT_EQ(w.x[0], 100.0f);
  EXPECT_FLOAT_EQ(w.x[1], 110.0f);  // 4000 N is 0.2 m
  EXPECT_FLOAT_EQ(w.y[1], 200.0f);
  EXPECT_FLOAT_EQ(w.x[2], 112.0f);
  EXPECT_FLOAT_EQ(w.y[2], 196.0f);  // raised (up the panel) by 0.08 m
  ASSERT_EQ(MakeForceWedge(100.0f, 200.0f, -4000.0f, 1.0f, 50.0f, 50.0f, w), 1);
  EXPECT_EQ(w.colour, DIAGRAM_WEDGE_COLOURS[0]) << "inwards on a right wheel";
  EXPECT_FLOAT_EQ(w.x[2], 90.0f) << "the other winding: the inner tip last";
  EXPECT_FLOAT_EQ(w.x[1], 88.0f);
  ASSERT_EQ(MakeForceWedge(0, 0, -4000.0f, -1.0f, 50.0f, 50.0f, w), 1);
  EXPECT_EQ(w.colour, DIAGRAM_WEDGE_COLOURS[1]) << "outwards on a left wheel";
  // Beyond 40000 N the wedge is held to 2 m either way: 100 + 2 x 50, its outer edge 2.4 m
  // and raised 0.8 m.
  ASSERT_EQ(MakeForceWedge(100.0f, 200.0f, 100000.0f, 1.0f, 50.0f, 50.0f, w), 1);
  EXPECT_FLOAT_EQ(w.x[1], 200.0f);
  EXPECT_FLOAT_EQ(w.x[2], 220.0f);
  EXPECT_FLOAT_EQ(w.y[2], 160.0f);
  ASSERT_EQ(MakeForceWedge(100.0f, 200.0f, -100000.0f, 1.0f, 50.0f, 50.0f, w), 1);
  EXPECT_FLOAT_EQ(w.x[2], 0.0f);
  EXPECT_FLOAT_EQ(w.x[1], -20.0f);
  // A wheel on the car's centre line counts as a right wheel.
  ASSERT_EQ(MakeForceWedge(0, 0, 4000.0f, 0.0f, 50.0f, 50.0f, w), 1);
  EXPECT_EQ(w.colour, DIAGRAM_WEDGE_COLOURS[1]) << "outwards on a centre wheel";
  ASSERT_EQ(MakeForceWedge(0, 0, -4000.0f, 0.0f, 50.0f, 50.0f, w), 1);
  EXPECT_EQ(w.colour, DIAGRAM_WEDGE_COLOURS[0]) << "inwards on a centre wheel";
  EXPECT_EQ(MakeForceWedge(0, 0, 0.0f, 1.0f, 50.0f, 50.0f, w), 0);
  EXPECT_EQ(MakeForceWedge(0, 0, NAN, 1.0f, 50.0f, 50.0f, w), 0);
}

// The diagram's first quad is its background over the whole panel, in its dark grey; each
// thick line is three quads over its eight vertices, (0,1,3,2), (2,3,5,4), (4,5,7,6),
// each quad two triangles (a,b,c) and (c,d,a).  The wheel columns fill the panel's foot, a
// line apart, the left one at the panel's left edge, the right one ending at its right edge;
// the title at the top left, the track a line below it.
TEST(SetupDiagram, TheBackgroundLinesAndTextsStandWhereThePanelPutsThem) {
  BuildGammaTables();
  Car car;
  MakeDiagramCar(car);
  Draw2DList.Init();
  Draw2DList.Reset();
  DiagramTexts texts;
  const float left = -0.8f, top = -0.6f, width = 0.6f, height = 0.5f, line = 0.04f;
  DrawSetupDiagram(car, 0, left, top, width, height, 0, line, texts);
  // The diagram's batch follows the list's reserved background.
  ASSERT_GE(Draw2DList.counters.batchCount, 1u);
  const Draw2DBatch& batch = Draw2DList.batches[Draw2DList.counters.batchCount - 1];
  ASSERT_GE(batch.vertexCount, 12u);
  ASSERT_GE(batch.triangleCount, 8u);
  const float corners[4][2] = {{left, top}, {left + width, top}, {left + width, top + height}, {left, top + height}};
  for (uint32_t i = 0; i < 4; ++i) {
    const Draw2DVertex& v = Draw2DList.vertices[batch.firstVertex + i];
    EXPECT_EQ(v.colour, ApplyBrightnessTable(0xFF202020u)) << i;
    // Through the window's mapping to clip space.
    const ScreenWindow& w = RenderTargets.window;
    EXPECT_FLOAT_EQ(v.x, w.scaleX * corners[i][0] + w.centreX) << i;
    EXPECT_FLOAT_EQ(v.y, w.scaleY * corners[i][1] + w.centreY) << i;
  }
  const auto triangle = [&batch](int t) {
    const Draw2DTriangle& x = Draw2DList.triangles[batch.firstTriangle + uint32_t(t)];
    return std::vector<uint32_t>{x.a, x.b, x.c};
  };
  EXPECT_EQ(triangle(0), (std::vector<uint32_t>{0, 1, 2}));
  EXPECT_EQ(triangle(1), (std::vector<uint32_t>{2, 3, 0}));
  for (uint32_t q = 0; q < 3; ++q) {
    // The first line's vertices begin after the background's four and the first wheel's three
    // plates (the strut's, four vertices and two triangles each), which lie under the lines.
    const uint32_t first = 4 + 12 + 2 * q;
    EXPECT_EQ(triangle(int(8 + 2 * q)), (std::vector<uint32_t>{first, first + 1, first + 3})) << q;
    EXPECT_EQ(triangle(int(9 + 2 * q)), (std::vector<uint32_t>{first + 3, first + 2, first})) << q;
  }
  // The panel is too short for the figure at its scale (0.4 x 0.6 / 1.6 = 0.15 per metre,
  // a metre of wheel and strut over a ground at -0.1 - 8.2 x 0.04 = -0.428): it is drawn
  // smaller, none of it above the track line's foot at -0.6 + 2.2 x 0.04 = -0.512.
  const ScreenWindow& window = RenderTargets.window;
  for (uint32_t i = 4; i < batch.vertexCount; ++i)
    EXPECT_GE((Draw2DList.vertices[batch.firstVertex + i].y - window.centreY) / window.scaleY, -0.512f - 1e-5f) << i;
  ASSERT_EQ(texts.count, 2 * DIAGRAM_WHEEL_LINES + 2);
  for (int k = 0; k < DIAGRAM_WHEEL_LINES; ++k) {
    const DiagramText& l = texts.lines[k];
    const DiagramText& r = texts.lines[DIAGRAM_WHEEL_LINES + k];
    EXPECT_FLOAT_EQ(l.x, left) << k;
    EXPECT_FLOAT_EQ(r.x, left + width) << k;
    EXPECT_FLOAT_EQ(l.y, top + height - line * float(DIAGRAM_WHEEL_LINES - k)) << k;
    EXPECT_FLOAT_EQ(r.y, l.y) << k;
  }
  const DiagramText& title = texts.lines[texts.count - 2];
  const DiagramText& track = texts.lines[texts.count - 1];
  EXPECT_FLOAT_EQ(title.x, left);
  EXPECT_FLOAT_EQ(title.y, top);
  EXPECT_EQ(title.rightAligned, 0);
  EXPECT_FLOAT_EQ(track.x, left);
  EXPECT_FLOAT_EQ(track.y, top + line);
  EXPECT_EQ(track.rightAligned, 0);
  Draw2DList.Free();
}

// An axle of three wheels would need 21 lines of wheel texts: the list holds its 16 and
// takes no more, the title and the track left out.
TEST(SetupDiagram, TheTextListStopsWhenFull) {
  BuildGammaTables();
  Car car;
  MakeDiagramCar(car);
  int moved = -1;
  for (int i = 0; i < car.wheelCount && moved < 0; ++i)
    if (car.wheels[i].wheelSet == 1) moved = i;
  ASSERT_GE(moved, 0);
  car.wheels[moved].wheelSet = 0;  // a third wheel on the rear axle
  Draw2DList.Init();
  Draw2DList.Reset();
  DiagramTexts texts;
  DrawSetupDiagram(car, 0, -1.0f, -1.0f, 1.0f, 1.0f, 0, 0.05f, texts);
  EXPECT_EQ(texts.count, DIAGRAM_TEXTS);
  for (int k = 0; k < texts.count; ++k)
    EXPECT_NE(std::string(texts.lines[k].text).rfind("REAR", 0), 0u) << k << ": no room for the title";
  Draw2DList.Free();
}

}  // namespace
