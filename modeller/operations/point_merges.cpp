// point_merges.cpp - the point operations that move selected points onto others or about the
// green point: the merges to the average and to the green point, the typed distance, rotation
// and scale about the green point, and the build mode's merge, relocation and real point.
#include <cstdio>
#include <vector>

#include "core/window_state.h"
#include "model/model_object.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/operations/drag_handles.h"
#include "modeller/operations/modeller_options.h"
#include "modeller/operations/point_tools.h"
#include "modeller/operations/stepwise_runs.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "text/messages.h"
#include "text/text_strings.h"
#include "ui/dialogs.h"
#include "ui/value_edit.h"

namespace {

constexpr int TYPED_VALUE_LENGTH = 12;
constexpr double PI_FLOAT = 3.1415927;

bool Selected(const ModelPoint& p) { return (p.flags & POINT_SELECTED) != 0; }

int GreenPoint(const ModellerScreen& s) {
  const int green = s.state.currentPoint;
  return EditedObject && green >= 0 && green < EditedObject->pointCount ? green : -1;
}

bool InPlaneView() { return EditViews.width != 0; }

void Record(const char* name) {
  if (AddUndoPoint) AddUndoPoint(name, 0, 0, 0);
}

void Refresh(ModellerScreen& s) {
  RefreshEditedMesh(&s.prss);
}

// The moved positions (three 64-bit words a point, for the selected points but the green one)
// written when all fit; else the refusal.  Central points keep x = 0.  Then equal points are
// merged, and when any were the selection is reset.
bool StoreMoved(ModellerScreen& s, const std::vector<int64_t>& moved, const char* refusal, const char* name) {
  ModelObject& o = *EditedObject;
  const int green = GreenPoint(s);
  for (int p = 0; p < o.pointCount; ++p) {
    if (!Selected(o.points[p]) || p == green) continue;
    for (int i = 0; i < 3; ++i)
      if (!FitsFixed(moved[size_t(p) * 3 + size_t(i)])) {
        RefuseOperation(s, refusal);
        return false;
      }
  }
  Record(name);
  for (int p = 0; p < o.pointCount; ++p) {
    ModelPoint& point = o.points[p];
    if (!Selected(point) || p == green) continue;
    const int64_t* at = &moved[size_t(p) * 3];
    point.x = (point.flags & POINT_CENTRAL) ? 0 : int32_t(at[0]);
    point.y = int32_t(at[1]), point.z = int32_t(at[2]);
  }
  if (o.MergeDuplicatePoints() > 0) DeselectAll(s);
  Refresh(s);
  return true;
}

// A typed value's screen and value: none for an empty answer; a value outside -limit..limit
// is refused with the message.
ModellerScreen* TypedValue(Prss* owner, const char* text, double limit, const char* refusal, double& value) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || !text || !text[0]) return nullptr;
  value = StringToFloat(text);
  if (value >= -limit && value <= limit) return s;
  RefuseOperation(*s, refusal);
  return nullptr;
}

// Every selected point but the green one placed about it (place gives the new position in 64
// bits from the green point and the point), then stored as StoreMoved does.
template <class Place>
void MoveAboutGreen(ModellerScreen& s, const char* refusal, const char* name, Place place) {
  const int green = GreenPoint(s);
  if (green < 0) return;
  ModelObject& o = *EditedObject;
  const ModelPoint& g = o.points[green];
  const int32_t centre[3] = {g.x, g.y, g.z};
  std::vector<int64_t> moved(size_t(o.pointCount) * 3);
  for (int p = 0; p < o.pointCount; ++p) {
    const ModelPoint& point = o.points[p];
    if (!Selected(point) || p == green) continue;
    const int32_t at[3] = {point.x, point.y, point.z};
    place(centre, at, &moved[size_t(p) * 3]);
  }
  StoreMoved(s, moved, refusal, name);
}

void SetDistanceAnswer(Prss* owner, const char* text, uint32_t) {
  double distance;
  ModellerScreen* s = TypedValue(owner, text, 1000.0, TEXT_DISTANCE_OUT_OF_BOUNDS, distance);
  if (!s) return;
  const bool plane = InPlaneView();
  MoveAboutGreen(*s, TEXT_DISTANCE_OUT_OF_BOUNDS, "set point distance",
                 [&](const int32_t centre[3], const int32_t at[3], int64_t out[3]) {
                   if (plane)
                     SetPointViewDistance(centre, at, distance, out);
                   else
                     SetPointDistance(centre, at, distance, out);
                 });
}

void RotateAnswer(Prss* owner, const char* text, uint32_t) {
  double degrees;
  ModellerScreen* s = TypedValue(owner, text, 180.0, TEXT_ROTATION_OUT_OF_BOUNDS, degrees);
  if (!s || GreenPoint(*s) < 0) return;
  const double radians = degrees * PI_FLOAT / 180.0;
  if (!RotatePointsAroundGreen(*s, radians, 0)) {
    RefuseOperation(*s, TEXT_VALUE_OUT_OF_BOUNDS);
    return;
  }
  Record("rotate points");
  RotatePointsAroundGreen(*s, radians, 1);
  Refresh(*s);
}

const char* const SCALE_NAMES[5] = {"scale points 3D", "", "scale points 2D", "scale points horizontally",
                                    "scale points vertically"};

void ScaleAnswer(Prss* owner, const char* text, uint32_t kind) {
  if (kind > TRANSFORM_SCALE_VERTICAL || kind == TRANSFORM_ROTATE) return;
  double factor;
  ModellerScreen* s = TypedValue(owner, text, 100.0, TEXT_MULTIPLIER_OUT_OF_BOUNDS, factor);
  if (!s) return;
  MoveAboutGreen(*s, TEXT_MULTIPLIER_OUT_OF_BOUNDS, SCALE_NAMES[kind],
                 [&](const int32_t centre[3], const int32_t at[3], int64_t out[3]) {
                   if (kind == TRANSFORM_BUTTON_SCALE_3D) {
                     for (int i = 0; i < 3; ++i) out[i] = centre[i] + RoundNearest((double(at[i]) - centre[i]) * factor);
                     return;
                   }
                   const double fh = kind == TRANSFORM_SCALE_VERTICAL ? 1.0 : factor;
                   const double fv = kind == TRANSFORM_SCALE_HORIZONTAL ? 1.0 : factor;
                   ScalePointInViewPlane(centre, at, out, fh, fv);
                 });
}

void RunMergePage(ModellerScreen& s) { MergeSelectedPoints(s, ModellerOptions.mergeType); }

// The build list's first and last references; 0 without two of them.
bool BuildEnds(const ModellerScreen& s, uint32_t& first, uint32_t& last) {
  const ModellerState& st = s.state;
  if (st.buildCount < 2 || st.buildCount > BUILD_LIST_SIZE) return false;
  first = st.buildList[0], last = st.buildList[st.buildCount - 1];
  const int points = EditedObject->pointCount;
  return int(first & CORNER_INDEX_MASK) < points && int(last & CORNER_INDEX_MASK) < points;
}

void EndBuildOperation(ModellerScreen& s) {
  s.state.buildCount = 0;
  DeselectAll(s);
  Refresh(s);
}

// Triangles with two equal corners (the same point on the same side) are removed, the others
// keep their order.
void RemoveCollapsedTriangles(ModelObject& o) {
  int kept = 0;
  for (int t = 0; t < o.triangleCount; ++t) {
    const uint16_t* c = o.triangles[t].corners;
    if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) continue;
    o.triangles[kept++] = o.triangles[t];
  }
  o.triangleCount = uint16_t(kept);
}

void MergeBuildPoints(ModellerScreen& s, uint32_t first, uint32_t last) {
  if ((first | last) & BUILD_REFERENCE_MIRRORED) {
    ShowMessageBox(&s.prss, TEXT_MERGE_REFLECTIONS);
    return;
  }
  ModelObject& o = *EditedObject;
  const int dragged = int(first), target = int(last);
  if (dragged == target) return;
  Record("merge points");
  o.ReplacePointIndex(dragged, target);
  if (o.points[dragged].flags & POINT_MIRRORED)
    o.points[target].flags = uint8_t((o.points[target].flags & ~POINT_CENTRAL) | POINT_MIRRORED);
  const int end = o.pointCount - 1;
  o.points[dragged] = o.points[end];
  if (end != dragged) o.ReplacePointIndex(end, dragged);
  --o.pointCount;
  RemoveCollapsedTriangles(o);
  EndBuildOperation(s);
}

void RelocateTriangles(ModellerScreen& s, uint32_t first, uint32_t last) {
  if ((first | last) & BUILD_REFERENCE_MIRRORED) {
    ShowMessageBox(&s.prss, TEXT_RELOCATE_REFLECTIONS);
    return;
  }
  ModelObject& o = *EditedObject;
  const int from = int(first), to = int(last);
  if (from == to) return;
  Record("relocate triangles");
  const int level = s.mainObject ? s.mainObject->currentLod : 0;
  const uint32_t visible = ObjectEditorShared.visibleLayers;
  for (int t = 0; t < o.triangleCount; ++t) {
    ModelTriangle& tri = o.triangles[t];
    if (tri.lod != level || (tri.flags & TRIANGLE_HIDDEN) || !(visible >> (tri.layer & 31) & 1)) continue;
    for (uint16_t& c : tri.corners)
      if ((c & CORNER_INDEX_MASK) == from) c = uint16_t((c & ~CORNER_INDEX_MASK) | to);
  }
  o.MergeDuplicatePoints();
  EndBuildOperation(s);
}

}  // namespace

// ---- [Darkness and merges] ----

void PointMergeButton(void* owner, int, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject) return;
  if (word == 3)
    OpenModellerOptions(*s, RunMergePage, OPTIONS_MERGE);
  else if (word <= MERGE_BY_DISTANCE)
    MergeSelectedPoints(*s, int(word));
}

void MergeSelectedPoints(ModellerScreen& s, int type) {
  if (type < MERGE_AVERAGE || type > MERGE_BY_DISTANCE || !EditedObject) return;
  ModellerOptions.mergeType = type;
  if (type == MERGE_BY_DISTANCE) {
    StartMergeByDistance(s);
    return;
  }
  CountSelectedPoints(s, 1);
  if (s.state.selectedPointCount < 2) {
    ShowMessageBox(&s.prss, TEXT_TWO_POINTS_NEEDED);
    return;
  }
  ModelObject& o = *EditedObject;
  int64_t sum[3] = {0, 0, 0};
  int count = 0, fixed = 0;
  for (int p = 0; p < o.pointCount; ++p) {
    const ModelPoint& point = o.points[p];
    if (!Selected(point)) continue;
    sum[0] += point.x, sum[1] += point.y, sum[2] += point.z;
    ++count;
    fixed += (point.flags & POINT_CENTRAL) != 0;
  }
  if (fixed > 0 && fixed < count) {
    ShowMessageBox(&s.prss, TEXT_SOME_FIXED);
    return;
  }
  const int green = GreenPoint(s);
  if (type == MERGE_TO_GREEN && green < 0) return;
  Record(type == MERGE_AVERAGE ? "merge to average location" : "merge to last selected point");
  int32_t target[3];
  if (type == MERGE_TO_GREEN) {
    const ModelPoint& g = o.points[green];
    target[0] = g.x, target[1] = g.y, target[2] = g.z;
  } else {
    for (int i = 0; i < 3; ++i) target[i] = int32_t(sum[i] / count);  // truncated toward zero
  }
  for (int p = 0; p < o.pointCount; ++p) {
    ModelPoint& point = o.points[p];
    if (Selected(point)) point.x = target[0], point.y = target[1], point.z = target[2];
  }
  o.MergeDuplicatePoints();
  DeselectAllPoints(s);
  int at = -1, standing = 0;
  for (int p = 0; p < o.pointCount; ++p) {
    const ModelPoint& point = o.points[p];
    if (point.x == target[0] && point.y == target[1] && point.z == target[2]) at = p, ++standing;
  }
  if (standing == 1) SelectPoint(s, at);
  Refresh(s);
}

// ---- [Typed transforms] ----

void AskSetDistance(ModellerScreen& s) {
  if (s.state.selectedPointCount < 2) {
    ShowMessageBox(&s.prss, TEXT_TWO_POINTS_NEEDED);
    return;
  }
  AskText(&s.prss, SetDistanceAnswer,
          InPlaneView() ? "Enter the distance to set points from green point in 2D (cylindrical)"
                        : "Enter the distance to set points from green point in 3D (spherical)",
          TYPED_VALUE_LENGTH, 0, nullptr, 0, ENTRY_TYPE_SINGLE_BYTE, nullptr);
}

void AskPointTransform(ModellerScreen& s, int kind) {
  static const char* const PROMPTS[5] = {
      "Amount to scale in 3D from green point?", "Degrees to rotate anti-clockwise around green point?",
      "Amount to scale in 2D from green point?", "Amount to scale horizontally from green point?",
      "Amount to scale vertically from green point?"};
  if (kind < 0 || kind > TRANSFORM_SCALE_VERTICAL || GreenPoint(s) < 0) return;
  AskText(&s.prss, kind == TRANSFORM_ROTATE ? RotateAnswer : ScaleAnswer, PROMPTS[kind], TYPED_VALUE_LENGTH,
          uint32_t(kind), nullptr, 0, 0, nullptr);
}

void PointTransformButtonAction(void* owner, int clickCode, uintptr_t kind) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || kind > TRANSFORM_SCALE_VERTICAL) return;
  if (kind == TRANSFORM_BUTTON_SCALE_3D)
    AskPointTransform(*s, TRANSFORM_BUTTON_SCALE_3D);
  else
    StartPointTransformDrag(*s, clickCode, int(kind));
}

// ---- [Build mode] ----

void MergeOrRelocate(void* owner, int, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  uint32_t first, last;
  if (!s || !EditedObject || !BuildEnds(*s, first, last)) return;
  if (word == 0)
    MergeBuildPoints(*s, first, last);
  else
    RelocateTriangles(*s, first, last);
}

void CreateRealPoint(void* owner, int, uintptr_t) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject) return;
  const ModellerState& st = s->state;
  int source = -1;
  for (uint32_t i = 0; i < st.buildCount && i < BUILD_LIST_SIZE; ++i)
    if (st.buildList[i] & BUILD_REFERENCE_MIRRORED) source = int(st.buildList[i] & CORNER_INDEX_MASK);
  ModelObject& o = *EditedObject;
  if (source < 0 || source >= o.pointCount) return;
  if (!CheckAddLimits(*s, 1, 0)) return;
  if (o.points[source].x == INT32_MIN) {
    RefuseOperation(*s, TEXT_VALUE_OUT_OF_BOUNDS);
    return;
  }
  Record("create real point");
  o.ResizePoints(1);
  const int made = o.pointCount++;
  ModelPoint& from = o.points[source];
  ModelPoint& point = o.points[made];
  point = from;
  point.x = -from.x;
  point.work = 0;
  point.flags = uint8_t((from.flags & ~(POINT_MIRROR_STATE | POINT_SELECTED)) | POINT_SELECTED);
  from.flags &= uint8_t(~POINT_MIRRORED);
  int unmirrored = 0;
  const uint16_t reflection = uint16_t(source | CORNER_MIRRORED);
  for (int t = 0; t < o.triangleCount; ++t) {
    ModelTriangle& tri = o.triangles[t];
    int onSource = 0;
    for (uint16_t c : tri.corners) onSource += (c & CORNER_INDEX_MASK) == source;
    if (tri.flags & TRIANGLE_MIRRORED) {
      if (onSource > 0) {
        tri.flags &= uint8_t(~TRIANGLE_MIRRORED);
        unmirrored += onSource;
      }
      continue;
    }
    for (uint16_t& c : tri.corners)
      if (c == reflection) c = uint16_t(made);
  }
  if (unmirrored > 0) ShowMessagef("Unmirrored triangles : %d", unmirrored);
  EndBuildOperation(*s);
}
