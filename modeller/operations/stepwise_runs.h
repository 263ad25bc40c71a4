// stepwise_runs.h - the two point-reducing operations that run over several frames, at most a
// second of work a frame, so that the screen stays alive and Escape can stop them: merging the
// selected points closer than a minimum distance, and reducing the detail of a level by
// collapsing its shortest selected edges.
//
// Sections: [Distances] [Runs on the screen] [Slices] [Plain scans] [Texts]
//
// Both take the shortest qualifying pair again and again, change the model and count what they
// did.  The searches keep their candidates in a grid of cells (merge) or a table of the
// selection's edges (reduction), in a priority order of (squared distance, lower index, higher
// index): the pair they take and the candidates they count are those of the plain scans over
// every pair, which are kept for the tests and the benchmarks.  Main thread only.
#pragma once
#include <cstdint>

#include "modeller/state/modeller_state.h"

struct ModelObject;
struct ModelPoint;

// ---- [Distances] ----
// The squared distance in metres as a 32-bit float: each coordinate difference times
// 1/65536, squared and summed in that order.  A pair qualifies when it is strictly below the
// square (in float) of the minimum.
float PairDistance2(const ModelPoint& a, const ModelPoint& b);
constexpr uint32_t SLICE_MS = 1000;  // work a frame, on the millisecond clock
constexpr uint16_t BORDER_MARK = 1;  // a point's work word during a reduction: used by an
                                     // unselected triangle of the level

// ---- [Runs on the screen] ----
// The merge command of type 2: at least two selected points, then the run starts.
void StartMergeByDistance(ModellerScreen& screen);
// Run of "Detail reduction options": at least one selected triangle; their points selected,
// then the run starts.
void StartDetailReduction(ModellerScreen& screen);
// One frame of the run in progress (the modeller's buttons call it while the state is 1..4):
// a slice of work, then the report when it ended.
void StepStepwiseRun(ModellerScreen& screen);
void StepMergeByDistance(ModellerScreen& screen);
void StepDetailReduction(ModellerScreen& screen);

// ---- [Slices] ----
// What a run has done so far and what the last search found.
struct StepwiseCounts {
  int32_t done;        // pairs merged, or points removed
  int32_t candidates;  // qualifying pairs of the last search
};
// Called once, before the run's first change (the undo point).
using FirstChangeCallback = void (*)(void* context);
// Works on the object until nothing qualifies (1) or the slice's time is spent (0); the time
// is read when the slice starts and after each change.
int MergeByDistanceSlice(ModelObject& object, float minimum, StepwiseCounts& counts, FirstChangeCallback first,
                         void* context);
// Works on the triangles of one level; the border marks are set when the slice starts.
int DetailReductionSlice(ModelObject& object, int level, float minimum, StepwiseCounts& counts,
                         FirstChangeCallback first, void* context);

// ---- [Plain scans] ----
// The same slices over the plain scans of every pair (and of every triangle for each pair).
int MergeByDistanceSlicePlain(ModelObject& object, float minimum, StepwiseCounts& counts, FirstChangeCallback first,
                              void* context);
int DetailReductionSlicePlain(ModelObject& object, int level, float minimum, StepwiseCounts& counts,
                              FirstChangeCallback first, void* context);
// The closest pair of selected points below the minimum that the filter (when given) lets
// through (a < b), first in index order on ties; counts every such pair.  0 when none.
using PairFilter = bool (*)(const ModelObject& object, int i, int j);
int FindClosestSelectedPair(const ModelObject& object, float minimum, PairFilter filter, int& a, int& b,
                            int32_t& candidates);
// The merge's search: every selected pair.
int FindClosestPointPair(const ModelObject& object, float minimum, int& a, int& b, int32_t& candidates);
// The shortest edge of the selected triangles between selected points (a < b) that the border
// rules allow.  0 when none.
int FindShortestEdge(const ModelObject& object, float minimum, int& a, int& b, int32_t& candidates);
// Each point's work word: BORDER_MARK when an unselected triangle of the level uses it, else 0.
void MarkBorderPoints(ModelObject& object, int level);

// ---- [Texts] ----
constexpr const char* TEXT_MERGE_PROGRESS = "Merged %d pair%s / possible %d";
constexpr const char* TEXT_REDUCTION_PROGRESS = "LOD-merged %d pair%s / possible %d";
constexpr const char* TEXT_NO_POINTS_MERGED = "No points were merged";
constexpr const char* TEXT_POINTS_MERGED = "Merged %d pair%s";
constexpr const char* TEXT_POINTS_REMOVED = "%d point%s were removed from LOD%d";
constexpr const char* TEXT_NO_REDUCTIONS = "There were no reductions";
constexpr const char* TEXT_ONE_TRIANGLE_NEEDED = "At least one triangle must be selected";
