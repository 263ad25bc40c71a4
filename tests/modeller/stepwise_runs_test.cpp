// stepwise_runs_test.cpp - merge by distance and detail reduction: started from the panels,
// run a slice a frame on a clock that moves on at each reading, stopped by Escape, one undo
// point a run; their rules case by case; and the grid and edge-table searches against the
// plain scans over every pair, slice by slice, on seeded random models.
#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <set>

#include "modeller/operations/modeller_options.h"
#include "operations_fixture.h"

using namespace modeller_test;

namespace {

constexpr int32_t MM = 66;  // about a millimetre in 16.16 units (65.5)

// Pairs of points: pair i at x = i metres, its two points `gap` units apart along y.
void Pairs(ModelObject& o, int count, int32_t gap) {
  o.Init();
  ModelBuilder b;
  for (int i = 0; i < count; ++i) {
    b.Point(i, 0, 1);
    b.Point(i, gap / 65536.0, 1);
  }
  b.Into(o);
  for (int p = 0; p < o.pointCount; ++p) o.points[p].y = (p % 2) * gap;
}

// A bumpy grid of n x n quads in the x-y plane, spacing h metres, heights from the seed; the
// triangles of the outer ring of quads unselected, the others selected.  Level 0.
void BumpyGrid(ModelObject& o, int n, double h, unsigned seed) {
  o.Init();
  ModelBuilder b;
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> bump(-3, 3);
  for (int j = 0; j <= n; ++j)
    for (int i = 0; i <= n; ++i) b.Point(i * h, j * h, bump(random) * 0.002);
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const int a = j * (n + 1) + i;
      b.group = (i + j) % 2;
      b.Triangle(a, a + 1, a + n + 2);
      b.Triangle(a, a + n + 2, a + n + 1);
    }
  b.Into(o);
}
// Its triangles but those of the outer ring of quads selected (triangle mode clears them).
void SelectInterior(ModellerScreen& s, int n) {
  DeselectAllTriangles(s);
  for (int t = 0; t < 2 * n * n; ++t) {
    const int quad = t / 2, i = quad % n, j = quad / n;
    if (i > 0 && j > 0 && i < n - 1 && j < n - 1) SelectTriangle(s, t);
  }
}

// A seeded random model for the search comparisons: points on a coarse lattice (so that equal
// distances are common), some central, some mirrored, some selected; triangles over them in
// two levels with mirrored corners, some selected.
void RandomModel(ModelObject& o, unsigned seed, int points, int triangles, int lattice) {
  o.Init();
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> coordinate(-lattice, lattice), percent(0, 99);
  o.ResizePoints(points);
  for (int p = 0; p < points; ++p) {
    ModelPoint& point = o.points[o.pointCount++];
    point = ModelPoint{};
    point.x = coordinate(random) * 20, point.y = coordinate(random) * 20, point.z = coordinate(random) * 20;
    const int kind = percent(random);
    point.flags = kind < 20 ? POINT_CENTRAL : kind < 60 ? POINT_MIRRORED : 0;
    if (point.flags & POINT_CENTRAL) point.x = 0;
    if (percent(random) < 85) point.flags |= POINT_SELECTED;
  }
  o.ResizeTriangles(triangles);
  std::uniform_int_distribution<int> pick(0, points - 1);
  for (int t = 0; t < triangles; ++t) {
    ModelTriangle& tri = o.triangles[o.triangleCount++];
    tri = ModelTriangle{};
    // Corners near each other in index, so that edges are short often enough.
    const int base = pick(random);
    for (uint16_t& c : tri.corners) {
      c = uint16_t(std::clamp(base + coordinate(random) % 4, 0, points - 1));
      if (percent(random) < 10) c |= CORNER_MIRRORED;
    }
    tri.lod = uint8_t(percent(random) < 80 ? 0 : 1);
    tri.mapping = uint8_t(percent(random) < 70 ? 0 : 0);
    tri.group = uint8_t(percent(random) % 3);
    if (percent(random) < 75) tri.flags |= TRIANGLE_SELECTED;
  }
}

// The other levels' triangles, each with its corners turned to start at the smallest, in order.
std::vector<std::array<uint32_t, 6>> OtherLevels(const ModelObject& o, int level) {
  std::vector<std::array<uint32_t, 6>> out;
  for (int t = 0; t < o.triangleCount; ++t) {
    ModelTriangle tri = o.triangles[t];
    if (tri.lod == level) continue;
    std::rotate(tri.corners, std::min_element(tri.corners, tri.corners + 3), tri.corners + 3);
    out.push_back({tri.corners[0], tri.corners[1], tri.corners[2], tri.layer, tri.group, tri.mapping});
  }
  return out;
}

// Two copies of the seeded random model worked on slice by slice, by the plain scan and by the
// search under test, on a clock that ends a slice after 1000 / step readings: after every
// slice both say the same (finished or not, done and candidate counts) and the models
// serialise to the same bytes.  Returns what was done.
template <class Plain, class Fast>
int SameSlices(unsigned seed, int points, int triangles, int lattice, uint32_t step, Plain plainSlice,
               Fast fastSlice) {
  ModelObject plain{}, fast{};
  RandomModel(plain, seed, points, triangles, lattice);
  RandomModel(fast, seed, points, triangles, lattice);
  StepwiseCounts a{}, b{};
  SliceClock(step);
  for (int slice = 0; slice < 200; ++slice) {
    const int plainDone = plainSlice(plain, a), fastDone = fastSlice(fast, b);
    const std::vector<uint8_t> x = ModelRecordBytes(plain, 1, 1), y = ModelRecordBytes(fast, 1, 1);
    EXPECT_EQ(plainDone, fastDone) << "seed " << seed << " slice " << slice;
    EXPECT_EQ(a.done, b.done) << "seed " << seed << " slice " << slice;
    EXPECT_EQ(a.candidates, b.candidates) << "seed " << seed << " slice " << slice;
    EXPECT_TRUE(x == y) << "seed " << seed << " slice " << slice << ": " << Difference(x, y);
    if (plainDone || fastDone || x != y) break;
  }
  plain.Free();
  fast.Free();
  return a.done;
}

bool HasDegenerate(const ModelObject& o) {
  for (int t = 0; t < o.triangleCount; ++t) {
    const uint16_t* c = o.triangles[t].corners;
    if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) return true;
  }
  return false;
}

}  // namespace

// ---- merge by distance ----

TEST_F(OperationsTest, MergeByDistanceRunsSliceBySliceUntilEscapeWithOneUndoPoint) {
  Start([](ModelObject& o) { Pairs(o, 12, MM / 2); });
  Key('P', true);
  Key('A');
  const std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  SliceClock(300);  // four merges to a slice
  Press("dist");
  EXPECT_EQ(modeller->stepwiseRun, STEPWISE_MERGE);
  Buttons();
  EXPECT_EQ(ButtonCount, 0) << "no buttons while it runs";
  EXPECT_EQ(modeller->pairsDone, 4);
  EXPECT_EQ(modeller->pairsPossible, 9) << "counted before the slice's last merge";
  EXPECT_STREQ(modeller->statusText, "Merged 4 pairs / possible 9");
  EXPECT_EQ(model.pointCount, 20);
  EXPECT_EQ(ModellerUndo.count, history + 1);
  Buttons();
  EXPECT_EQ(modeller->pairsDone, 8);
  Key(KEY_ESCAPE);
  EXPECT_EQ(modeller->stepwiseRun, STEPWISE_MERGE_STOPPING);
  Buttons();
  EXPECT_EQ(modeller->stepwiseRun, STEPWISE_NONE);
  EXPECT_EQ(modeller->pairsDone, 8) << "stopped with the count so far";
  EXPECT_TRUE(Said("Merged 8 pairs"));
  EXPECT_EQ(ModellerUndo.count, history + 1) << "one undo point for the run";
  EXPECT_EQ(model.pointCount, 16);
  ExpectUndoRestores(before);
  // A run that finds nothing records nothing.
  ClockFakeStepOnRead(0);
  DeselectAllPoints(*modeller);
  SelectPoints({0, 2});
  const std::vector<uint8_t> unchanged = Serialised();
  const int count = ModellerUndo.count;
  Press("dist");
  Buttons();
  EXPECT_TRUE(Said(TEXT_NO_POINTS_MERGED));
  ExpectUnchanged(unchanged, count);
  // Fewer than two points: refused.
  SelectPoints({0});
  Key('M', false, false, true);
  PressOnPage("merge by specified distance");
  Confirm();
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_TWO_POINTS_NEEDED);
  Confirm();
  EXPECT_EQ(modeller->stepwiseRun, STEPWISE_NONE);
}

TEST_F(OperationsTest, MergeByDistanceFollowsItsRules) {
  // Pairs 0.0005 m apart merge at the default 0.001 m, pairs a millimetre apart do not.
  Start([](ModelObject& o) { Pairs(o, 2, MM / 2); });
  model.points[3].y = MM;
  Key('P', true);
  Key('A');
  Press("merge", CLICK_LEFT, "Show the merge points dialog (ALT+M)");
  PressOnPage("merge by specified distance");
  PageButtons();
  EXPECT_NE(Find("Minimum distance 0.0010 m"), nullptr);
  Confirm();
  Buttons();
  EXPECT_EQ(model.pointCount, 3);
  EXPECT_EQ(P(0).y, MM / 4) << "the midpoint, rounded down";
  EXPECT_TRUE(Said("Merged 1 pair"));

  // Strictly below: a pair exactly at the minimum stays.
  ModelObject o{};
  Pairs(o, 2, 65);
  o.points[3].y = 64;
  for (int p = 0; p < 4; ++p) o.points[p].flags |= POINT_SELECTED;
  StepwiseCounts counts{};
  EXPECT_EQ(MergeByDistanceSlice(o, 65.0f / 65536.0f, counts, nullptr, nullptr), 1);
  EXPECT_EQ(counts.done, 1);
  EXPECT_EQ(o.pointCount, 3);
  EXPECT_EQ(o.points[1].y, 65) << "the pair at the minimum is left";
  EXPECT_EQ(o.points[2].y, 32);

  // Fixed with free gives a fixed point on the centre plane; two mirrored points whose midpoint
  // is on it give a fixed one; the last point takes the merged one's place and nothing else
  // moves; midpoints are summed in 64 bits.
  o.Free();
  o.Init();
  o.ResizePoints(7);
  const ModelPoint records[7] = {
      {POINT_CENTRAL | POINT_SELECTED, 0, {}, 0, 0, 5 << 16, 0},
      {POINT_SELECTED, 0, {}, 0, 20, 5 << 16, 0},
      {POINT_MIRRORED | POINT_SELECTED, 0, {}, 0, -10, 9 << 16, 0},
      {POINT_MIRRORED | POINT_SELECTED, 0, {}, 0, 10, 9 << 16, 0},
      {POINT_SELECTED, 0, {}, 0, INT32_MAX - 8, 0, 0},
      {POINT_SELECTED, 0, {}, 0, INT32_MAX, 0, 0},
      {0, 0, {}, 0, 7 << 16, 7 << 16, 7 << 16},
  };
  for (const ModelPoint& r : records) o.points[o.pointCount++] = r;
  counts = StepwiseCounts{};
  EXPECT_EQ(MergeByDistanceSlicePlain(o, 0.001f, counts, nullptr, nullptr), 1);
  EXPECT_EQ(counts.done, 3);
  ASSERT_EQ(o.pointCount, 4);
  EXPECT_EQ(o.points[0].x, 0);
  EXPECT_EQ(o.points[0].flags & POINT_MIRROR_STATE, POINT_CENTRAL) << "fixed with free";
  EXPECT_EQ(o.points[2].flags & POINT_MIRROR_STATE, POINT_CENTRAL) << "mirrored pair meeting on the centre";
  EXPECT_EQ(o.points[3].x, INT32_MAX - 4) << "the midpoint of two points near the top of the range";
  EXPECT_EQ(o.points[1].x, 7 << 16) << "the last point took the merged one's place";

  // A slice ends once exactly its 1000 ms have passed: on a clock moving on 250 ms a reading,
  // the readings after each merge are 250, 500, 750 and 1000 ms past the start, so four merges
  // of the twelve pairs, by both searches.
  for (int fast = 0; fast < 2; ++fast) {
    o.Free();
    Pairs(o, 12, MM / 2);
    for (int p = 0; p < o.pointCount; ++p) o.points[p].flags |= POINT_SELECTED;
    SliceClock(250);
    counts = StepwiseCounts{};
    const int finished = fast ? MergeByDistanceSlice(o, 0.001f, counts, nullptr, nullptr)
                              : MergeByDistanceSlicePlain(o, 0.001f, counts, nullptr, nullptr);
    ClockFakeStepOnRead(0);
    EXPECT_EQ(finished, 0) << fast;
    EXPECT_EQ(counts.done, 4) << fast;
    EXPECT_EQ(o.pointCount, 20) << fast;
  }
  o.Free();
}

TEST_F(OperationsTest, TheGridSearchTakesThePairsOfThePlainScanSliceBySlice) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    const float minimum = (seed % 3 + 1) * 40.0f / 65536.0f;
    const int done = SameSlices(
        seed, 160, 120, 6, 150, [minimum](ModelObject& o, StepwiseCounts& c) {
          return MergeByDistanceSlicePlain(o, minimum, c, nullptr, nullptr);
        },
        [minimum](ModelObject& o, StepwiseCounts& c) { return MergeByDistanceSlice(o, minimum, c, nullptr, nullptr); });
    EXPECT_GT(done, 5) << "seed " << seed;
  }
}

// ---- detail reduction ----

TEST_F(OperationsTest, DetailReductionRunsOverFramesKeepsItsBorderAndOtherLevels) {
  Start([](ModelObject& o) {
    BumpyGrid(o, 10, 0.02, 7);
    // A second level over the same points, untouched by a reduction of the first.
    o.lodCount = 2;
    o.ResizeTriangles(2);
    for (int k = 0; k < 2; ++k) {
      ModelTriangle& t = o.triangles[o.triangleCount++];
      t = ModelTriangle{};
      t.lod = 1;
      t.corners[0] = uint16_t(k * 3), t.corners[1] = uint16_t(30 + k), t.corners[2] = uint16_t(60 + k);
    }
  });
  Key('T', true);
  SelectInterior(*modeller, 10);
  const int history = ModellerUndo.count, triangles = model.triangleCount;
  const auto otherLevel = OtherLevels(model, 0);
  std::vector<ModelPoint> border;
  MarkBorderPoints(model, 0);
  for (int p = 0; p < model.pointCount; ++p)
    if (model.points[p].work == BORDER_MARK) border.push_back(model.points[p]);
  ASSERT_EQ(border.size(), 72u);

  SliceClock(100);  // ten collapses to a slice
  Press("reduce detail");
  ASSERT_EQ(OpenOptionsPage(), OPTIONS_REDUCTION);
  PressOnPage("Minimum length 0.050 m");
  Type("0.03");
  Confirm();
  EXPECT_EQ(modeller->stepwiseRun, STEPWISE_REDUCE);
  EXPECT_EQ(modeller->state.selectedPointCount, 81) << "the points of the selected triangles";
  const std::vector<uint8_t> before = Serialised();
  FlatPreview();
  Buttons();
  EXPECT_EQ(modeller->pairsDone, 10);
  EXPECT_EQ(ModellerUndo.count, history + 1);
  EXPECT_EQ(std::string(modeller->statusText).rfind("LOD-merged 10 pairs / possible ", 0), 0u);
  ClockFakeStepOnRead(0);
  EXPECT_TRUE(PreviewCurrent()) << "each slice's collapses are shown";
  ClockFakeStepOnRead(100);
  int frames = 1;
  while (modeller->stepwiseRun != STEPWISE_NONE && frames < 100) Buttons(), ++frames;
  EXPECT_GT(frames, 2) << "several frames";
  EXPECT_EQ(modeller->stepwiseRun, STEPWISE_NONE);
  EXPECT_EQ(ModellerUndo.count, history + 1) << "one undo point for the run";
  const int removed = modeller->pairsDone;
  char report[64];
  std::snprintf(report, sizeof report, "%d points were removed from LOD1", removed);
  EXPECT_TRUE(Said(report));
  EXPECT_EQ(modeller->state.selectedPointCount, 0);
  EXPECT_EQ(modeller->state.currentPoint, -1);
  EXPECT_LT(model.triangleCount, triangles);
  EXPECT_FALSE(HasDegenerate(model));
  EXPECT_EQ(OtherLevels(model, 0), otherLevel) << "the other level is untouched";
  // The border never moves and stays in use; no selected edge below the length is left but
  // between border points.
  std::set<int> used;
  for (int t = 0; t < model.triangleCount; ++t)
    for (uint16_t c : model.triangles[t].corners) used.insert(c & CORNER_INDEX_MASK);
  for (const ModelPoint& b : border) {
    bool found = false;
    for (int p = 0; p < model.pointCount && !found; ++p)
      found = model.points[p].x == b.x && model.points[p].y == b.y && model.points[p].z == b.z && used.count(p);
    EXPECT_TRUE(found);
  }
  MarkBorderPoints(model, 0);
  for (int t = 0; t < model.triangleCount; ++t) {
    const ModelTriangle& tri = model.triangles[t];
    if (!(tri.flags & TRIANGLE_SELECTED)) continue;
    for (int k = 0; k < 3; ++k) {
      const ModelPoint& a = P(tri.corners[k]);
      const ModelPoint& b = P(tri.corners[(k + 1) % 3]);
      if (a.work == BORDER_MARK && b.work == BORDER_MARK) continue;
      EXPECT_GE(PairDistance2(a, b), 0.03f * 0.03f);
    }
  }
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();
  ExpectUndoRestores(before);
}

TEST_F(OperationsTest, EscapeEndsAReductionAtTheNextFrameAndNothingToDoRecordsNothing) {
  Start([](ModelObject& o) { BumpyGrid(o, 8, 0.02, 3); });
  Key('T', true);
  SelectInterior(*modeller, 8);
  SliceClock(250);
  Press("reduce detail");
  Confirm();
  Buttons();
  EXPECT_EQ(modeller->pairsDone, 4);
  Key(KEY_ESCAPE);
  EXPECT_EQ(modeller->stepwiseRun, STEPWISE_REDUCE_STOPPING);
  Buttons();
  EXPECT_EQ(modeller->stepwiseRun, STEPWISE_NONE);
  EXPECT_TRUE(Said("4 points were removed from LOD1"));
  EXPECT_EQ(std::string(modeller->statusText).rfind("LOD-merged 4 pairs / possible ", 0), 0u);
  // Nothing shorter than the length: no undo point, "There were no reductions".
  Key('A');
  const int history = ModellerUndo.count;
  ModellerOptions.reductionLength = 0.001f;
  Press("reduce detail");
  Confirm();
  Buttons();
  EXPECT_TRUE(Said(TEXT_NO_REDUCTIONS));
  DeselectAllPoints(*modeller);  // the run ended with no point selected
  EXPECT_EQ(ModellerUndo.count, history);
  // No triangle selected: refused.
  Key('C');
  Press("reduce detail");
  Confirm();
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_ONE_TRIANGLE_NEEDED);
  Confirm();
  EXPECT_EQ(modeller->stepwiseRun, STEPWISE_NONE);
}

namespace {
// A fan, all selected: the centre 0 inside mapping 0, its edge to point 1 (a corner of
// mappings 0 and 1) the shortest (0.01 m); every other edge is a metre or more.
void MappedFan(ModelObject& o) {
  o.Init();
  ModelBuilder b;
  b.Point(0, 0, 0), b.Point(0.01, 0, 0), b.Point(0, 1, 0), b.Point(-1, 0, 0), b.Point(0, -1, 0), b.Point(1, 1, 0),
      b.Point(1, -1, 0);
  b.mapping = 0;
  b.Triangle(0, 1, 2), b.Triangle(0, 2, 3), b.Triangle(0, 3, 4), b.Triangle(0, 4, 1);
  b.mapping = 1;
  b.Triangle(1, 5, 2), b.Triangle(1, 4, 6);
  b.Into(o);
  o.AddMapping(nullptr);
  for (int t = 0; t < o.triangleCount; ++t) o.triangles[t].flags |= TRIANGLE_SELECTED;
  for (int p = 0; p < o.pointCount; ++p) o.points[p].flags |= POINT_SELECTED;
}
}  // namespace

TEST_F(OperationsTest, ACollapseKeepsTheCornerOfTwoMappingsAndFixedPoints) {
  ModelObject o{};
  MappedFan(o);
  ModelObject copy{};
  copy.Init();
  copy.CopyFrom(o, 0, 1);
  StepwiseCounts counts{};
  DetailReductionSlice(o, 0, 0.05f, counts, nullptr, nullptr);
  EXPECT_EQ(counts.done, 1);
  EXPECT_EQ(o.points[0].flags & POINT_SELECTED, 0) << "the inner point went";
  EXPECT_NE(o.points[1].flags & POINT_SELECTED, 0) << "the corner of two mappings stayed";
  EXPECT_EQ(o.triangleCount, 4);
  // With the inner point fixed to the centre plane, the other one goes.
  copy.points[0].flags |= POINT_CENTRAL;
  counts = StepwiseCounts{};
  DetailReductionSlicePlain(copy, 0, 0.05f, counts, nullptr, nullptr);
  EXPECT_EQ(copy.points[1].flags & POINT_SELECTED, 0);
  o.Free();
  copy.Free();
}

// The plain scan's run tells its caller once, before its first change, even when that change
// is its only one: the fan has one edge under 5 cm.
TEST_F(OperationsTest, ThePlainDetailReductionCallsItsFirstChangeHookBeforeASingleCollapse) {
  ModelObject o{};
  MappedFan(o);
  int calls = 0;
  StepwiseCounts counts{};
  DetailReductionSlicePlain(o, 0, 0.05f, counts, [](void* context) { ++*static_cast<int*>(context); }, &calls);
  EXPECT_EQ(counts.done, 1);
  EXPECT_EQ(calls, 1);
  o.Free();
}

TEST_F(OperationsTest, TheEdgeTableTakesTheEdgesOfThePlainScanSliceBySlice) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    const float minimum = (seed % 3 + 2) * 30.0f / 65536.0f;
    const int done = SameSlices(
        seed, 70, 110, 3, 200, [minimum](ModelObject& o, StepwiseCounts& c) {
          return DetailReductionSlicePlain(o, 0, minimum, c, nullptr, nullptr);
        },
        [minimum](ModelObject& o, StepwiseCounts& c) { return DetailReductionSlice(o, 0, minimum, c, nullptr, nullptr); });
    EXPECT_GT(done, 3) << "seed " << seed;
  }
}

TEST_F(OperationsTest, AMergeByDistanceRebuildsThePreview) {
  // Two triangles with a corner each half a millimetre apart.
  Start([](ModelObject& o) {
    o.Init();
    ModelBuilder b;
    b.Triangle(b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 0, 1));
    b.Triangle(b.Point(1.0005, 0, 0), b.Point(2, 0, 0), b.Point(1, 0, 1));
    b.Into(o);
  });
  FlatPreview();
  Key('P', true);
  Key('A');
  SliceClock(300);
  Press("dist");
  for (int frame = 0; frame < 10 && modeller->stepwiseRun != STEPWISE_NONE; ++frame) Buttons();
  ASSERT_EQ(modeller->stepwiseRun, STEPWISE_NONE);
  ASSERT_EQ(model.pointCount, 5);
  ClockFakeStepOnRead(0);
  EXPECT_TRUE(PreviewCurrent());
}

TEST_F(OperationsTest, AfterAMergeNoGreenPointOrTraceIsLeftAndTheSelectedCountIsTheModels) {
  // Two triangles with a corner each half a millimetre apart, all six points selected in
  // order: the trace holds the six, the green point is the last (5).
  Start([](ModelObject& o) {
    o.Init();
    ModelBuilder b;
    b.Triangle(b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 0, 1));
    b.Triangle(b.Point(1.0005, 0, 0), b.Point(2, 0, 0), b.Point(1, 0, 1));
    b.Into(o);
  });
  Key('P', true);
  SelectPoints({0, 1, 2, 3, 4, 5});
  ASSERT_EQ(modeller->state.currentPoint, 5);
  ASSERT_EQ(modeller->state.traceCount, 6);
  SliceClock(300);
  Press("dist");
  for (int frame = 0; frame < 10 && modeller->stepwiseRun != STEPWISE_NONE; ++frame) Buttons();
  ASSERT_EQ(modeller->stepwiseRun, STEPWISE_NONE);
  ASSERT_EQ(model.pointCount, 5) << "points 1 and 3 became one";
  // The old indices named by the green point and the trace are gone: 5 is now past the end.
  EXPECT_EQ(modeller->state.currentPoint, -1);
  EXPECT_EQ(modeller->state.traceCount, 0);
  // Six selected points less the one merged away: five, as the flags say.
  int flagged = 0;
  for (int p = 0; p < model.pointCount; ++p) flagged += (P(p).flags & POINT_SELECTED) != 0;
  EXPECT_EQ(flagged, 5);
  EXPECT_EQ(modeller->state.selectedPointCount, 5);
}

TEST_F(OperationsTest, AfterAReductionTheSelectedTriangleCountIsTheModelsAndNoneIsCurrent) {
  // An 8 x 8 grid with its 6 x 6 inner quads selected: 72 selected triangles.
  Start([](ModelObject& o) { BumpyGrid(o, 8, 0.02, 3); });
  Key('T', true);
  SelectInterior(*modeller, 8);
  modeller->state.currentTriangle = 40;
  ASSERT_EQ(modeller->state.selectedTriangleCount, 72);
  SliceClock(250);
  Press("reduce detail");
  Confirm();
  Buttons();
  ASSERT_EQ(modeller->pairsDone, 4);
  // Each slice's collapses take selected triangles away; the count follows the flags.
  const auto flagged = [&] {
    int n = 0;
    for (int t = 0; t < model.triangleCount; ++t) n += (model.triangles[t].flags & TRIANGLE_SELECTED) != 0;
    return n;
  };
  EXPECT_EQ(flagged(), 64) << "four collapses, each taking the two selected triangles on its edge: 72 - 8";
  EXPECT_EQ(modeller->state.selectedTriangleCount, flagged());
  EXPECT_EQ(modeller->state.currentTriangle, model.triangleCount) << "none is current";
  Key(KEY_ESCAPE);
  Buttons();
  ASSERT_EQ(modeller->stepwiseRun, STEPWISE_NONE);
  EXPECT_EQ(modeller->state.selectedTriangleCount, flagged());
  EXPECT_EQ(modeller->state.currentTriangle, model.triangleCount);
}
