// stepwise_runs.cpp - merge by distance and detail reduction on the modeller screen: starting
// a run, one slice of it each frame, and the report when it ends (by itself or by Escape).
#include "modeller/operations/stepwise_runs.h"

#include "model/model_object.h"
#include "modeller/operations/modeller_options.h"
#include "modeller/operations/point_tools.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_undo.h"
#include "text/messages.h"
#include "ui/dialogs.h"
#include "ui/value_edit.h"

namespace {

// The run's undo point, recorded before its first change; the context is its name.
void RecordRunStart(void* name) {
  if (AddUndoPoint) AddUndoPoint(static_cast<const char*>(name), 0, 0, 0);
}

const char* Plural(int count) { return count == 1 ? "" : "s"; }

void Refresh(ModellerScreen& s) {
  RefreshEditedMesh(&s.prss);
}

}  // namespace

void StartMergeByDistance(ModellerScreen& s) {
  if (!EditedObject || s.stepwiseRun != STEPWISE_NONE) return;
  CountSelectedPoints(s, 1);
  if (s.state.selectedPointCount < 2) {
    ShowMessageBox(&s.prss, TEXT_TWO_POINTS_NEEDED);
    return;
  }
  s.pairsDone = s.pairsPossible = 0;
  s.stepwiseRun = STEPWISE_MERGE;
}

void StartDetailReduction(ModellerScreen& s) {
  if (!EditedObject || s.stepwiseRun != STEPWISE_NONE) return;
  CountSelectedTriangles(s, 1);
  if (s.state.selectedTriangleCount == 0) {
    RefuseOperation(s, TEXT_ONE_TRIANGLE_NEEDED);
    return;
  }
  SelectTrianglePoints(s);
  s.pairsDone = s.pairsPossible = 0;
  s.stepwiseRun = STEPWISE_REDUCE;
}

void StepMergeByDistance(ModellerScreen& s) {
  ModelObject& o = *EditedObject;
  StepwiseCounts counts{s.pairsDone, s.pairsPossible};
  int finished = 1;
  if (s.stepwiseRun == STEPWISE_MERGE) {
    static char name[] = "merge points by distance";
    finished = MergeByDistanceSlice(o, ModellerOptions.mergeDistance, counts, RecordRunStart, name);
  }
  s.pairsDone = counts.done, s.pairsPossible = counts.candidates;
  if (finished) {
    s.stepwiseRun = STEPWISE_NONE;
    if (counts.done == 0) {
      ShowMessage(TEXT_NO_POINTS_MERGED, TextColours.grey);
      return;
    }
    ShowMessagef(TEXT_POINTS_MERGED, counts.done, Plural(counts.done));
  }
  if (counts.done == 0) return;
  o.NormaliseTriangles();
  CountSelectedPoints(s, 0);
  // The merges renumbered points: the green point and the trace named the old ones.
  s.state.currentPoint = -1;
  s.state.traceCount = 0;
  Refresh(s);
}

void StepDetailReduction(ModellerScreen& s) {
  ModelObject& o = *EditedObject;
  const int level = s.mainObject ? s.mainObject->currentLod : 0;
  StepwiseCounts counts{s.pairsDone, s.pairsPossible};
  int finished = 1;
  if (s.stepwiseRun == STEPWISE_REDUCE) {
    static char name[] = "detail reduction by distance";
    finished = DetailReductionSlice(o, level, ModellerOptions.reductionLength, counts, RecordRunStart, name);
  }
  s.pairsDone = counts.done, s.pairsPossible = counts.candidates;
  if (finished) {
    s.stepwiseRun = STEPWISE_NONE;
    DeselectAllPoints(s);
    if (counts.done == 0) {
      ShowMessage(TEXT_NO_REDUCTIONS, TextColours.grey);
      return;
    }
    ShowMessagef(TEXT_POINTS_REMOVED, counts.done, Plural(counts.done), level + 1);
  }
  if (counts.done == 0) return;
  CountSelectedTriangles(s, 0);
  s.state.currentTriangle = o.triangleCount;
  Refresh(s);
}

void StepStepwiseRun(ModellerScreen& s) {
  if (!EditedObject) {
    s.stepwiseRun = STEPWISE_NONE;
    return;
  }
  switch (s.stepwiseRun) {
    case STEPWISE_MERGE:
    case STEPWISE_MERGE_STOPPING: StepMergeByDistance(s); break;
    case STEPWISE_REDUCE:
    case STEPWISE_REDUCE_STOPPING: StepDetailReduction(s); break;
    default: break;
  }
}
