// extrusion_test.cpp - the operation pattern through the extrusion: the button and E key, the
// option page, the counts of every closure and side, the trace modes, the groups, the strip's
// geometry, the refusals and the limits; the lathe and the circle built on it.
#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <utility>

#include "modeller/operations/modeller_options.h"
#include "operations_fixture.h"

using namespace modeller_test;

namespace {

constexpr int POINT_H0 = 12, POINT_H1 = 13;  // the sample car's (0.45, -2, 0.5) and (0.45, -2, 0.7)

struct Vec {
  double x, y, z;
};
Vec At(const ModelObject& o, uint16_t corner) {
  const ModelPoint& p = o.points[corner & CORNER_INDEX_MASK];
  return {p.x / 65536.0, p.y / 65536.0, p.z / 65536.0};
}
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec Minus(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double Length(Vec a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }
Vec Normal(const ModelObject& o, const ModelTriangle& t) {
  const Vec a = At(o, t.corners[0]);
  return Cross(Minus(At(o, t.corners[1]), a), Minus(At(o, t.corners[2]), a));
}

}  // namespace

TEST_F(OperationsTest, ExtrusionAddsThePointsAndTrianglesOfItsOptions) {
  Start(SampleCar);
  Key('P', true);
  const int points = model.pointCount, triangles = model.triangleCount;
  const struct {
    const char* closure;
    const char* sides;
    int added;
  } cases[] = {{"open (orange only)", "outside", 2},        {"open (orange only)", "inside", 2},
               {"open (orange only)", "outside + inside", 4}, {"closed (orange + red)", "outside", 4},
               {"closed (orange + red)", "outside + inside", 8}};
  for (const auto& c : cases) {
    SelectPoints({POINT_H0, POINT_H1});
    const std::vector<uint8_t> before = Serialised();
    Press("extrude", CLICK_LEFT, "Create an extrusion based on the traced selection (E)");
    ASSERT_EQ(OpenOptionsPage(), OPTIONS_EXTRUDE);
    PressOnPage(c.closure);
    PressOnPage(c.sides);
    PageButtons();
    EXPECT_EQ(Find(c.sides)->fourth.i, 1) << "the chosen side is lit";
    Confirm();
    EXPECT_EQ(model.pointCount, points + 2) << c.closure << " " << c.sides;
    EXPECT_EQ(model.triangleCount, triangles + c.added) << c.closure << " " << c.sides;
    EXPECT_STREQ(modeller->statusText, "extrusion");
    EXPECT_TRUE(Said(TEXT_EXTRUSION_DONE));
    // The new points stand on the old ones, selected and traced; the old ones are not.
    ASSERT_EQ(modeller->state.traceCount, 2);
    for (int i = 0; i < 2; ++i) {
      const ModelPoint& made = P(points + i);
      EXPECT_EQ(modeller->state.trace[i], points + i);
      EXPECT_EQ(made.flags, POINT_SELECTED);
      EXPECT_EQ(made.z, P(i == 0 ? POINT_H0 : POINT_H1).z);
    }
    EXPECT_EQ(P(POINT_H0).flags & POINT_SELECTED, 0);
    EXPECT_EQ(modeller->state.currentPoint, points + 1) << "the green point follows to its copy";
    ModelObject back{};
    ExpectSavesAndReadsBack(back);
    EXPECT_EQ(back.triangleCount, triangles + c.added);
    back.Free();
    ExpectUndoRestores(before);
    CtrlKey('Z');
    ASSERT_EQ(model.pointCount, points);
  }
  // The E key does what the button does; the new triangles take the current mapping, the
  // first one without a word.
  modeller->state.currentMapping = 0;
  SelectPoints({POINT_H0, POINT_H1});
  Key('E');
  EXPECT_EQ(OpenOptionsPage(), OPTIONS_EXTRUDE);
  Confirm();
  EXPECT_EQ(model.pointCount, points + 2);
  ASSERT_GT(model.triangleCount, triangles);
  EXPECT_EQ(model.triangles[model.triangleCount - 1].mapping, 0);
  EXPECT_FALSE(Said(TEXT_COLOUR_OUT_OF_BOUNDS));
}

TEST_F(OperationsTest, TheReferenceOfTheSecondTraceModeStaysAndGroupsAreMadeForBothSides) {
  Start([](ModelObject& o) { PointRow(o, 4); });
  Key('P', true);
  ASSERT_EQ(model.groupCount, 1);
  Press("excl");
  EXPECT_EQ(modeller->traceMode, TRACE_EXCLUDING);
  SelectPoints({0, 1});
  Buttons();
  EXPECT_NE(Find("need at least 2 points + REF"), nullptr);
  SelectPoints({0, 1, 3});
  ModellerOptions.extrudeSides = ADD_BOTH;
  Press("extrude");
  Confirm();
  EXPECT_EQ(model.pointCount, 6) << "only the first two are extruded";
  EXPECT_EQ(model.triangleCount, 4);
  EXPECT_NE(P(3).flags & POINT_SELECTED, 0) << "the reference keeps its selection";
  EXPECT_EQ(modeller->state.currentPoint, 3) << "and stays the green point";
  EXPECT_EQ(modeller->state.trace[2], 3);
  EXPECT_EQ(model.groupCount, 2);
  // Outside triangles in group 0, inside ones in 1, wound the other way.
  int outside = 0, inside = 0;
  for (int t = 0; t < model.triangleCount; ++t) {
    const ModelTriangle& tri = model.triangles[t];
    (tri.group == 0 ? outside : inside)++;
    EXPECT_EQ(tri.layer, modeller->state.currentLayer);
    EXPECT_EQ(tri.flags, 0);
  }
  EXPECT_EQ(outside, 2);
  EXPECT_EQ(inside, 2);
}

TEST_F(OperationsTest, AStripMovedByDHasTheAreaOfItsSegmentsCrossedWithD) {
  Start([](ModelObject& o) { PointRow(o, 3); });
  model.points[2].z = 1 << 15;  // a bend: segments (1, 0, 0) and (1, 0, 0.5)
  Key('P', true);
  SelectPoints({0, 1, 2});
  Press("extrude");
  Confirm();
  ASSERT_EQ(model.triangleCount, 4);
  // The green point's value buttons move all selected points: y by 0.5 m, z by 0.25 m.
  PressValue("Forward (Y) value of the last selected point", 5);
  Type("0.5");
  PressValue("Up (Z) value of the last selected point", 8);
  Type("0.75");  // the green point stood at z 0.5
  EXPECT_STREQ(modeller->statusText, "move points");
  const Vec d{0, 0.5, 0.25};
  double expected = 0;
  for (int i = 0; i < 2; ++i) expected += Length(Cross(Minus(At(model, uint16_t(i + 1)), At(model, uint16_t(i))), d));
  double area = 0;
  Vec sum{0, 0, 0};
  for (int t = 0; t < model.triangleCount; ++t) {
    const Vec n = Normal(model, model.triangles[t]);
    area += Length(n) / 2;
    sum = {sum.x + n.x, sum.y + n.y, sum.z + n.z};
  }
  EXPECT_NEAR(area, expected, 1e-4);
  EXPECT_GT(Length(sum), 0.5) << "the outside triangles face one way";
}

TEST_F(OperationsTest, TheInsideFacesOfAMovedStripFaceAgainstTheOutsideOnes) {
  Start([](ModelObject& o) { PointRow(o, 3); });
  model.points[2].z = 1 << 15;  // a bend: segments e0 = (1, 0, 0) and e1 = (1, 0, 0.5)
  Key('P', true);
  SelectPoints({0, 1, 2});
  ModellerOptions.extrudeSides = ADD_BOTH;
  Press("extrude");
  Confirm();
  ASSERT_EQ(model.triangleCount, 8);
  PressValue("Forward (Y) value of the last selected point", 5);
  Type("0.5");
  PressValue("Up (Z) value of the last selected point", 8);
  Type("0.75");  // the strip moved by d = (0, 0.5, 0.25)
  // Either triangle of a quad with sides e and d has the cross product e x d when it faces out:
  //   e0 x d = (0*0.25 - 0*0.5, 0*0 - 1*0.25, 1*0.5 - 0*0)     = (0, -0.25, 0.5)
  //   e1 x d = (0*0.25 - 0.5*0.5, 0.5*0 - 1*0.25, 1*0.5 - 0*0) = (-0.25, -0.25, 0.5)
  // and the opposite when it faces in.
  const Vec outward[2] = {{0, -0.25, 0.5}, {-0.25, -0.25, 0.5}};
  int seen[2][2] = {};
  for (int t = 0; t < model.triangleCount; ++t) {
    const ModelTriangle& tri = model.triangles[t];
    double middleX = 0;
    for (uint16_t c : tri.corners) middleX += At(model, c).x / 3;
    const int segment = middleX < 1 ? 0 : 1;  // the first segment spans x 0..1, the second 1..2
    const int inside = tri.group == 1 ? 1 : 0;
    const double sign = inside ? -1 : 1;
    const Vec n = Normal(model, tri);
    const Vec& e = outward[segment];
    EXPECT_NEAR(n.x, sign * e.x, 1e-4) << "triangle " << t;
    EXPECT_NEAR(n.y, sign * e.y, 1e-4) << "triangle " << t;
    EXPECT_NEAR(n.z, sign * e.z, 1e-4) << "triangle " << t;
    ++seen[segment][inside];
  }
  for (int segment = 0; segment < 2; ++segment)
    for (int inside = 0; inside < 2; ++inside) EXPECT_EQ(seen[segment][inside], 2) << segment << " " << inside;
}

TEST_F(OperationsTest, ExtrusionRefusalsChangeNothing) {
  Start([](ModelObject& o) { PointRow(o, 3); });
  Key('P', true);
  // A hidden current layer.
  SelectPoints({0, 1});
  const std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  ObjectEditorShared.visibleLayers = ~1u;
  Key('E');
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_LAYER_NOT_VISIBLE);
  Confirm();
  ObjectEditorShared.visibleLayers = ~0u;
  // The trace off, then a trace out of step with the selection.
  Press("off");
  Key('E');
  EXPECT_TRUE(Said(TEXT_ENABLE_TRACE));
  Press("incl");
  modeller->state.traceCount = 1;
  Key('E');
  EXPECT_TRUE(Said(TEXT_EXTRUSION_INVALID));
  Buttons();
  EXPECT_NE(Find("trace points (1) out of sync"), nullptr);
  // "no" on the page.
  SelectPoints({0, 1});
  Key('E');
  Key(KEY_ESCAPE);
  EXPECT_EQ(OpenOptionsPage(), -1);
  ExpectUnchanged(before, history);
  EXPECT_EQ(model.triangleCount, 0);
  // A trace entry must name a point: one past the last is not traced.
  SelectPoints({0});
  AddToTrace(*modeller, model.pointCount);
  EXPECT_EQ(modeller->state.traceCount, 1);
}

TEST_F(OperationsTest, SpokeObjectsHaveLimitsForEachSpokeAndBothSidesCountTwice) {
  Start([](ModelObject& o) { PointRow(o, 316); });
  ObjectEditorShared.spokeCount = 5;
  SetSpokeLimits(*modeller);
  EXPECT_EQ(modeller->pointLimit, 320);
  EXPECT_EQ(modeller->triangleLimit, 320);
  EXPECT_STREQ(modeller->pointLimitText, "Max 320 points for each spoke of a 5-spoke wheel");
  Key('P', true);
  SelectPoints({0, 1, 2, 3, 4});
  std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  Key('E');
  EXPECT_STREQ(MessageBoxDialog.first, "Max 320 points for each spoke of a 5-spoke wheel");
  Confirm();
  ExpectUnchanged(before, history);
  // Four points fit; their triangles: 6 open, 12 for both sides.
  ObjectEditorShared.spokeCount = 0;
  SetSpokeLimits(*modeller);
  EXPECT_STREQ(modeller->triangleLimitText, "Max 32768 triangles would be exceeded");
  modeller->triangleLimit = 10;
  SelectPoints({0, 1, 2, 3});
  before = Serialised();
  Key('E');
  PressOnPage("outside + inside");
  Confirm();
  EXPECT_STREQ(MessageBoxDialog.first, modeller->triangleLimitText) << "12 triangles would pass 10";
  Confirm();
  ExpectUnchanged(before, history);
  Key('E');
  PressOnPage("outside");
  Confirm();
  EXPECT_EQ(model.triangleCount, 6);
}

TEST_F(OperationsTest, AnAdditionThatReachesALimitExactlyIsAllowedAndOneMoreIsRefused) {
  Start([](ModelObject& o) { PointRow(o, 316); });
  const int64_t points = model.pointCount, triangles = model.triangleCount;
  modeller->pointLimit = int32_t(points + 4);
  modeller->triangleLimit = int32_t(triangles + 10);
  EXPECT_EQ(CheckAddLimits(*modeller, 4, 10), 1) << "both counts land on their limits";
  EXPECT_EQ(CheckAddLimits(*modeller, 5, 0), 0) << "one point past the limit";
  EXPECT_STREQ(MessageBoxDialog.first, modeller->pointLimitText);
  Confirm();
  EXPECT_EQ(CheckAddLimits(*modeller, 0, 11), 0) << "one triangle past the limit";
  EXPECT_STREQ(MessageBoxDialog.first, modeller->triangleLimitText);
  Confirm();
}

TEST(ExtrusionCounts, TheTrianglesOfAnExtrusionOfNPoints) {
  // Open: 2n - 2 (one quad between each neighbouring pair); closed: 2n; both sides double it.
  EXPECT_EQ(ExtrusionTriangles(0, 0, ADD_OUTSIDE), 0) << "no points, no triangles (not -2)";
  EXPECT_EQ(ExtrusionTriangles(0, 1, ADD_BOTH), 0);
  EXPECT_EQ(ExtrusionTriangles(-3, 1, ADD_OUTSIDE), 0);
  EXPECT_EQ(ExtrusionTriangles(1, 0, ADD_OUTSIDE), 0);
  EXPECT_EQ(ExtrusionTriangles(3, 0, ADD_OUTSIDE), 4);
  EXPECT_EQ(ExtrusionTriangles(3, 0, ADD_INSIDE), 4);
  EXPECT_EQ(ExtrusionTriangles(3, 0, ADD_BOTH), 8);
  EXPECT_EQ(ExtrusionTriangles(3, 1, ADD_OUTSIDE), 6);
  EXPECT_EQ(ExtrusionTriangles(3, 1, ADD_BOTH), 12);
}

TEST(ExtrusionCounts, RoundingGoesToTheNearestWithTiesToEvenAndStopsAtFourTimesTenToTheEighteen) {
  EXPECT_EQ(RoundNearest(2.5), 2);
  EXPECT_EQ(RoundNearest(3.5), 4);
  EXPECT_EQ(RoundNearest(-2.5), -2);
  EXPECT_EQ(RoundNearest(2.49), 2);
  EXPECT_EQ(RoundNearest(-2.51), -3);
  EXPECT_EQ(RoundNearest(std::nan("")), 0);
  EXPECT_EQ(RoundNearest(1.0e19), INT64_C(4000000000000000000));
  EXPECT_EQ(RoundNearest(-1.0e19), -INT64_C(4000000000000000000));
  EXPECT_EQ(RoundNearest(HUGE_VAL), INT64_C(4000000000000000000));
}

// ---- the lathe and the circle ----

TEST_F(OperationsTest, AFullLatheOfAnOpenProfileClosesOnItselfWithEveryInnerEdgeShared) {
  // A profile of three points in the front view (x across, z up), turned about the y axis
  // through the reference point at the origin.
  Start([](ModelObject& o) {
    o.Init();
    ModelBuilder b;
    b.Point(1, 0, 0), b.Point(1, 0.5, 0), b.Point(1.5, 1, 0), b.Point(0, 0, 0);
    b.Into(o);
  });
  FrontView();
  Key('P', true);
  Press("excl");
  SelectPoints({0, 1, 2, 3});
  Press("lathe");
  ASSERT_EQ(OpenOptionsPage(), OPTIONS_LATHE);
  // Four steps: the byte's step buttons from 20.
  PageButtons();
  ModellerOptions.latheSteps = 5;
  PageButtons();
  const InterfaceButton down = *FindStyle(46);
  ClickButton(down, CLICK_LEFT);
  EXPECT_EQ(ModellerOptions.latheSteps, 4);
  Confirm();
  EXPECT_STREQ(modeller->statusText, "lathe operation");
  EXPECT_EQ(model.pointCount, 4 + 9);
  EXPECT_EQ(model.triangleCount, 16);
  // Every ring keeps the profile's distances from the axis (y), each point a quarter turn on.
  for (int p = 4; p < model.pointCount; ++p) {
    const double r = std::hypot(M(P(p).x), M(P(p).z));
    bool onProfile = false;
    for (int q = 0; q < 3; ++q) onProfile = onProfile || (std::fabs(r - std::hypot(M(P(q).x), M(P(q).z))) < 2e-5 &&
                                                       P(p).y == P(q).y);
    EXPECT_TRUE(onProfile) << p;
  }
  // Each edge between two rings or along a ring is used by two triangles, but the rings at the
  // profile's ends.
  std::map<std::pair<int, int>, int> edges;
  for (int t = 0; t < model.triangleCount; ++t)
    for (int k = 0; k < 3; ++k) {
      const int a = model.triangles[t].corners[k], b = model.triangles[t].corners[(k + 1) % 3];
      edges[{std::min(a, b), std::max(a, b)}]++;
    }
  int shared = 0, border = 0;
  for (const auto& [edge, count] : edges) {
    EXPECT_LE(count, 2);
    (count == 2 ? shared : border)++;
  }
  EXPECT_EQ(border, 8) << "the two end rings of four edges";
  EXPECT_EQ(shared, 20) << "8 along the profiles, 4 of the middle ring, 8 diagonals";
}

TEST_F(OperationsTest, TheLatheChecksItsViewStepsAndTurn) {
  Start([](ModelObject& o) { PointRow(o, 3); });
  Key('P', true);
  SelectPoints({0, 1, 2});
  const std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  Press("lathe");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_LATHE_NEEDS_2D) << "the perspective view";
  Confirm();
  FrontView();
  ModellerOptions.latheSteps = 2;
  Press("lathe");
  Confirm();
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_LATHE_FULL_TURN);
  Confirm();
  ExpectUnchanged(before, history);
  // The triangles a lathe adds count every step: 2 steps of an open 3-point trace add 8.
  modeller->triangleLimit = 7;
  ModellerOptions.latheRotation = 180.0f;
  Press("lathe");
  Confirm();
  EXPECT_STREQ(MessageBoxDialog.first, modeller->triangleLimitText);
  Confirm();
  ExpectUnchanged(before, history);
  modeller->triangleLimit = 8;
  // Half a turn in two steps is allowed: 2 x 3 new points, 2 x 4 triangles.
  Press("lathe");
  // A typed turn is held between a degree and a whole turn.
  PressOnPage("Anti-clockwise rotation 180.00\xB0");
  Type("400");
  EXPECT_FLOAT_EQ(ModellerOptions.latheRotation, 360.0f);
  PressOnPage("Anti-clockwise rotation 360.00\xB0");
  Type("0.5");
  EXPECT_FLOAT_EQ(ModellerOptions.latheRotation, 1.0f);
  PressOnPage("Anti-clockwise rotation 1.00\xB0");
  Type("90");
  EXPECT_FLOAT_EQ(ModellerOptions.latheRotation, 90.0f);
  Confirm();
  EXPECT_EQ(model.pointCount, 3 + 3 + 3 - 2) << "the green point on the axis merges with its copies";
}

TEST_F(OperationsTest, TheLatheTakesOneToEightyStepsAndAWholeTurnFromThree) {
  // A row of three points, all selected, the last green; the front view.
  Start([](ModelObject& o) { PointRow(o, 3); });
  Key('P', true);
  FrontView();
  SelectPoints({0, 1, 2});
  const std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  const auto lathe = [&](int steps, float degrees) {
    ModellerOptions.latheSteps = steps;
    ModellerOptions.latheRotation = degrees;
    RunLathe(*modeller);
  };
  // Refused: no steps, 81 steps, a whole turn in two.
  for (const auto& [steps, degrees, text] : {std::tuple<int, float, const char*>{0, 90.0f, TEXT_LATHE_STEPS},
                                             {81, 90.0f, TEXT_LATHE_STEPS},
                                             {2, 360.0f, TEXT_LATHE_FULL_TURN}}) {
    lathe(steps, degrees);
    EXPECT_STREQ(MessageBoxDialog.first, text) << steps << " steps of " << degrees;
    Confirm();
    ExpectUnchanged(before, history);
  }
  // Taken: one step, eighty steps, a whole turn in three.  Each adds the two points off the
  // axis each step (the green point's copies merge with it); the undo takes them back.
  for (const auto& [steps, degrees] : {std::pair<int, float>{1, 90.0f}, {80, 90.0f}, {3, 360.0f}}) {
    ASSERT_EQ(model.pointCount, 3);
    lathe(steps, degrees);
    EXPECT_FALSE(MessageBoxDialog.prss.alive) << steps << " steps of " << degrees;
    // A whole turn's last step joins the first ring again: one ring fewer.
    const int rings = degrees == 360.0f ? steps - 1 : steps;
    EXPECT_EQ(model.pointCount, 3 + 2 * rings) << steps << " steps of " << degrees;
    // The merge renumbered the points: nothing stays selected, green or traced.
    EXPECT_EQ(modeller->state.selectedPointCount, 0) << steps << " steps of " << degrees;
    EXPECT_EQ(modeller->state.currentPoint, -1) << steps << " steps of " << degrees;
    EXPECT_EQ(modeller->state.traceCount, 0) << steps << " steps of " << degrees;
    CtrlKey('Z');
    SelectPoints({0, 1, 2});
  }
}

TEST_F(OperationsTest, ACircleHasItsPointsAtTheRadiusInTheViewPlaneAtEqualAngles) {
  Start([](ModelObject& o) { PointRow(o, 2); });
  FrontView();
  Key('P', true);
  SelectPoints({1});
  Press("create circle");
  ASSERT_EQ(OpenOptionsPage(), OPTIONS_CIRCLE);
  PressOnPage("Radius of circle 0.500 m");
  Type("0.25");
  ModellerOptions.circlePoints = 6;
  Confirm();
  EXPECT_STREQ(modeller->statusText, "create circle");
  ASSERT_EQ(model.pointCount, 8);
  EXPECT_EQ(modeller->state.selectedPointCount, 6);
  EXPECT_EQ(modeller->state.traceCount, 6);
  EXPECT_EQ(modeller->state.currentPoint, 7);
  const double cx = M(P(1).x), cz = M(P(1).z);
  for (int k = 0; k < 6; ++k) {
    const ModelPoint& p = P(2 + k);
    EXPECT_EQ(p.y, 0) << "in the view plane";
    EXPECT_NEAR(std::hypot(M(p.x) - cx, M(p.z) - cz), 0.25, 1.5 / 65536);
    const ModelPoint& q = P(2 + (k + 1) % 6);
    EXPECT_NEAR(std::hypot(M(q.x) - M(p.x), M(q.z) - M(p.z)), 0.25, 3.0 / 65536) << "a sixth of a turn apart";
  }
  // The first point stands along the view's right, which is -x in the front view.
  EXPECT_NEAR(M(P(2).x), cx - 0.25, 1e-5);
  // Another circle at once: a second undo point.
  NewNodes();
  SelectPoints({1});
  Press("create circle");
  ASSERT_EQ(OpenOptionsPage(), OPTIONS_CIRCLE);
  Confirm();
  EXPECT_EQ(model.pointCount, 14);
  EXPECT_EQ(NewNodes(), 1);
  // Fewer than three points asked for make three; more than eighty make eighty.
  const int savedPoints = ModellerOptions.circlePoints;
  ModellerOptions.circlePoints = 2;
  SelectPoints({1});
  CreateCircle(*modeller);
  EXPECT_EQ(model.pointCount, 14 + 3);
  ModellerOptions.circlePoints = 81;
  SelectPoints({1});
  CreateCircle(*modeller);
  EXPECT_EQ(model.pointCount, 17 + 80);
  ModellerOptions.circlePoints = 80;
  SelectPoints({1});
  CreateCircle(*modeller);
  EXPECT_EQ(model.pointCount, 97 + 80);
  ModellerOptions.circlePoints = savedPoints;
}

// On a screen of no height (a window shrunk to nothing) an options page still opens with a
// finite height; on a 768-pixel screen the circle page is two rows: 2 x 2 x ButtonHeight / 768
// of the dialog's height of 2.
TEST_F(OperationsTest, AnOptionsPageHasAFiniteHeightEvenOnAScreenOfNoHeight) {
  Start([](ModelObject& o) { PointRow(o, 2); });
  FrontView();
  Key('P', true);
  SelectPoints({1});
  Press("create circle");
  ASSERT_EQ(OpenOptionsPage(), OPTIONS_CIRCLE);
  ASSERT_EQ(ScreenHeight, 768);
  EXPECT_NEAR(MessageBoxDialog.pageHeight, 4.0 * ButtonHeight / 768.0, 1e-6);
  Confirm();
  ASSERT_EQ(OpenOptionsPage(), -1);
  ScreenHeight = 0;
  ASSERT_EQ(OpenModellerOptions(*modeller, nullptr, OPTIONS_CIRCLE), 1);
  EXPECT_TRUE(std::isfinite(MessageBoxDialog.pageHeight)) << MessageBoxDialog.pageHeight;
  ScreenHeight = 768;
  Confirm();  // closed, with nothing to run
  EXPECT_EQ(OpenOptionsPage(), -1);
}

TEST_F(OperationsTest, AnExtrusionRebuildsThePreview) {
  Start(SampleCar);
  FlatPreview();
  NewNodes();
  Key('P', true);
  SelectPoints({POINT_H0, POINT_H1});
  Press("extrude", CLICK_LEFT, "Create an extrusion based on the traced selection (E)");
  ASSERT_EQ(OpenOptionsPage(), OPTIONS_EXTRUDE);
  Confirm();
  EXPECT_TRUE(PreviewCurrent());
  EXPECT_EQ(NewNodes(), 1);
  // The new points, selected and traced, extruded again: a second undo point.
  Press("extrude", CLICK_LEFT, "Create an extrusion based on the traced selection (E)");
  ASSERT_EQ(OpenOptionsPage(), OPTIONS_EXTRUDE);
  Confirm();
  EXPECT_EQ(NewNodes(), 1) << "a second extrusion";
}

TEST_F(OperationsTest, ALatheRebuildsThePreview) {
  Start([](ModelObject& o) {
    o.Init();
    ModelBuilder b;
    b.Point(1, 0, 0), b.Point(1, 0.5, 0), b.Point(1.5, 1, 0), b.Point(0, 0, 0);
    b.Into(o);
  });
  FlatPreview();
  NewNodes();
  FrontView();
  Key('P', true);
  Press("excl");
  SelectPoints({0, 1, 2, 3});
  Press("lathe");
  ASSERT_EQ(OpenOptionsPage(), OPTIONS_LATHE);
  Confirm();
  ASSERT_GT(model.triangleCount, 0);
  EXPECT_TRUE(PreviewCurrent());
  EXPECT_EQ(NewNodes(), 1);
  SelectPoints({0, 1, 2, 3});
  Press("lathe");
  ASSERT_EQ(OpenOptionsPage(), OPTIONS_LATHE);
  Confirm();
  EXPECT_EQ(NewNodes(), 1) << "a second lathe";
}
