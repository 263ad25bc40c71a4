// extrusion.cpp - geometry built from the traced selection: the extrusion, the lathe (the
// trace extruded and turned step by step about the green point), the circle of points around
// the green point, and the turn of the selected points about the green point they share.
#include <cmath>
#include <cstring>
#include <vector>

#include "core/report.h"
#include "model/model_object.h"
#include "modeller/editor/object_editor.h"
#include "modeller/operations/drag_handles.h"
#include "modeller/operations/modeller_options.h"
#include "modeller/operations/point_tools.h"
#include "modeller/state/modeller_local.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "text/messages.h"
#include "ui/value_edit.h"

namespace {

constexpr double PI_FLOAT = 3.1415927;  // the turns are worked out with this value of pi

int ExtrudedCount(const ModellerScreen& s) {
  return s.state.traceCount - (s.traceMode == TRACE_EXCLUDING ? 1 : 0);
}

// The object has two smoothing groups at least: outside triangles take group 0, inside ones 1.
void EnsureTwoGroups(ModellerScreen& s, ModelObject& o) {
  while (o.groupCount < 2) {
    s.state.currentGroup = o.groupCount;
    ++o.groupCount;
  }
}

void AppendTriangle(ModelObject& o, const ModellerState& st, int lod, int group, int a, int b, int c) {
  ModelTriangle& t = o.triangles[o.triangleCount++];
  t = ModelTriangle{};
  t.layer = uint8_t(st.currentLayer);
  t.mapping = uint8_t(st.currentMapping);
  t.normalLevel = st.normalLevel;
  t.lod = uint8_t(lod);
  t.group = uint8_t(group);
  t.corners[0] = uint16_t(a), t.corners[1] = uint16_t(b), t.corners[2] = uint16_t(c);
}

// The selected points but the green one turned about the green point (in 64 bits): positions
// are read from in and written to out, both three words a point.
struct TurnAboutGreen {
  double axes[3][3];
  double c, s;
  int32_t centre[3];
  void Set(const ModelObject& o, int green, double radians) {
    LocalViewAxes(&o, axes);
    c = std::cos(radians), s = std::sin(radians);
    const ModelPoint& g = o.points[green];
    centre[0] = g.x, centre[1] = g.y, centre[2] = g.z;
  }
  // Anti-clockwise as seen: the right axis turns towards the up axis.
  void Apply(const int64_t in[3], int64_t out[3]) const {
    const double v[3] = {double(in[0]) - centre[0], double(in[1]) - centre[1], double(in[2]) - centre[2]};
    double a = 0, b = 0, n = 0;
    for (int i = 0; i < 3; ++i) a += v[i] * axes[0][i], b += v[i] * axes[1][i], n += v[i] * axes[2][i];
    const double ra = a * c - b * s, rb = a * s + b * c;
    for (int i = 0; i < 3; ++i) out[i] = RoundNearest(centre[i] + ra * axes[0][i] + rb * axes[1][i] + n * axes[2][i]);
  }
};

bool GreenValid(const ModellerScreen& s) {
  const int green = s.state.currentPoint;
  return EditedObject && green >= 0 && green < EditedObject->pointCount;
}

void ReportDone(const char* text) {
  ShowMessage(text, TextColours.grey);
  ReportSound(SOUND_DONE);
}

}  // namespace

// ---- [Extrusion] ----

int64_t ExtrusionTriangles(int64_t n, int closed, int sides) {
  if (n <= 0) return 0;
  const int64_t one = closed ? 2 * n : 2 * n - 2;
  return sides == ADD_BOTH ? 2 * one : one;
}

void ExtrudeSelection(ModellerScreen& s, int closed, int sides, const uint16_t* indexList) {
  ModelObject& o = *EditedObject;
  ModellerState& st = s.state;
  const int n = ExtrudedCount(s);
  if (n <= 0) return;
  if (!indexList) o.ResizePoints(n);
  o.ResizeTriangles(int(ExtrusionTriangles(n, closed, sides)));
  if (st.currentMapping < 0 || st.currentMapping >= o.mappingCount) {
    ShowMessage(TEXT_COLOUR_OUT_OF_BOUNDS, TextColours.grey);
    st.currentMapping = 0;
  }
  const int lod = s.mainObject ? s.mainObject->currentLod : 0;
  int firstOld = -1, firstNew = -1, previousOld = -1, previousNew = -1;
  for (int i = 0; i <= n; ++i) {
    int old, made;
    if (i < n) {
      old = st.trace[i];
      if (indexList) {
        made = indexList[i];
        o.points[made].flags |= POINT_SELECTED;
      } else {
        made = o.pointCount++;
        ModelPoint& p = o.points[made];
        const ModelPoint& from = o.points[old];
        p = ModelPoint{};
        p.x = from.x, p.y = from.y, p.z = from.z;
        p.flags = POINT_SELECTED;
      }
      if (st.currentPoint == old) st.currentPoint = made;
      o.points[old].flags &= uint8_t(~POINT_SELECTED);
      st.trace[i] = uint16_t(made);
      if (i == 0) firstOld = old, firstNew = made;
    } else {
      if (!closed) break;
      old = firstOld, made = firstNew;
    }
    if (i > 0) {
      const int p = previousOld, q = previousNew;
      if (sides != ADD_INSIDE) {
        AppendTriangle(o, st, lod, 0, p, old, made);
        AppendTriangle(o, st, lod, 0, p, made, q);
      }
      if (sides != ADD_OUTSIDE) {
        AppendTriangle(o, st, lod, 1, p, q, old);
        AppendTriangle(o, st, lod, 1, old, q, made);
      }
    }
    previousOld = old, previousNew = made;
  }
  CountSelectedPoints(s, 0);
}

void ExtrudeCommand(ModellerScreen& s) {
  if (CheckLayerVisible(s)) return;
  if (s.traceMode == TRACE_OFF) {
    ShowMessage(TEXT_ENABLE_TRACE, TextColours.error);
    return;
  }
  if (!IsTraceValid(s)) {
    ShowMessage(TEXT_EXTRUSION_INVALID, TextColours.error);
    return;
  }
  // The least the page's choices can add; the choice made is checked when it runs.
  const int n = ExtrudedCount(s);
  if (!CheckAddLimits(s, n, ExtrusionTriangles(n, EXTRUDE_OPEN, ADD_OUTSIDE))) return;
  OpenModellerOptions(s, RunExtrusion, OPTIONS_EXTRUDE);
}

void RunExtrusion(ModellerScreen& s) {
  if (!EditedObject || !IsTraceValid(s)) return;
  const ModellerOptionValues& v = ModellerOptions;
  const int n = ExtrudedCount(s);
  if (!CheckAddLimits(s, n, ExtrusionTriangles(n, v.extrudeClosure, v.extrudeSides))) return;
  if (AddUndoPoint) AddUndoPoint("extrusion", 0, 0, 0);
  EnsureTwoGroups(s, *EditedObject);
  ExtrudeSelection(s, v.extrudeClosure, v.extrudeSides, nullptr);
  RefreshEditedMesh(&s.prss);
  ReportDone(TEXT_EXTRUSION_DONE);
}

// ---- [Turning about the green point] ----

int RotatePointsAroundGreen(ModellerScreen& s, double radians, int apply) {
  if (!GreenValid(s)) return 0;
  ModelObject& o = *EditedObject;
  const int green = s.state.currentPoint;
  TurnAboutGreen turn;
  turn.Set(o, green, radians);
  static std::vector<int64_t> turned;
  turned.assign(size_t(o.pointCount) * 3, 0);
  for (int p = 0; p < o.pointCount; ++p) {
    const ModelPoint& point = o.points[p];
    if (!(point.flags & POINT_SELECTED) || p == green) continue;
    const int64_t in[3] = {point.x, point.y, point.z};
    int64_t* out = &turned[size_t(p) * 3];
    turn.Apply(in, out);
    if (point.flags & POINT_CENTRAL) out[0] = 0;
    for (int i = 0; i < 3; ++i)
      if (!FitsFixed(out[i])) return 0;
  }
  if (!apply) return 1;
  for (int p = 0; p < o.pointCount; ++p) {
    ModelPoint& point = o.points[p];
    if (!(point.flags & POINT_SELECTED) || p == green) continue;
    const int64_t* out = &turned[size_t(p) * 3];
    point.x = int32_t(out[0]), point.y = int32_t(out[1]), point.z = int32_t(out[2]);
  }
  return 1;
}

// ---- [Circle and lathe] ----

void CreateCircle(ModellerScreen& s) {
  if (!GreenValid(s)) return;
  ModelObject& o = *EditedObject;
  const int n = ModellerOptions.circlePoints < 3 ? 3 : ModellerOptions.circlePoints > 80 ? 80 : ModellerOptions.circlePoints;
  const double r = double(ModellerOptions.circleRadius) * 65536.0;
  if (!CheckAddLimits(s, n, 0)) return;
  double axes[3][3];
  LocalViewAxes(&o, axes);
  const ModelPoint& g = o.points[s.state.currentPoint];
  const int32_t centre[3] = {g.x, g.y, g.z};
  std::vector<int64_t> made(size_t(n) * 3);
  for (int k = 0; k < n; ++k) {
    // Each point turned by a further 2 pi / n, anti-clockwise as seen.
    const double angle = 2.0 * PI_FLOAT * k / n;
    const double a = r * std::cos(angle), b = r * std::sin(angle);
    for (int i = 0; i < 3; ++i) {
      int64_t& out = made[size_t(k) * 3 + size_t(i)];
      out = RoundNearest(centre[i] + a * axes[0][i] + b * axes[1][i]);
      if (!FitsFixed(out)) {
        RefuseOperation(s, TEXT_VALUE_OUT_OF_BOUNDS);
        return;
      }
    }
  }
  if (AddUndoPoint) AddUndoPoint("create circle", 0, 0, 0);
  DeselectAllPoints(s);
  o.ResizePoints(n);
  for (int k = 0; k < n; ++k) {
    const int index = o.pointCount++;
    ModelPoint& p = o.points[index];
    p = ModelPoint{};
    p.x = int32_t(made[size_t(k) * 3]), p.y = int32_t(made[size_t(k) * 3 + 1]), p.z = int32_t(made[size_t(k) * 3 + 2]);
    SelectPoint(s, index);
  }
  RefreshEditedMesh(&s.prss);
}

void RunLathe(ModellerScreen& s) {
  if (!EditedObject || !IsTraceValid(s) || !GreenValid(s)) return;
  ModelObject& o = *EditedObject;
  const ModellerOptionValues& v = ModellerOptions;
  const int steps = v.latheSteps;
  if (steps < 1 || steps > 80) {
    RefuseOperation(s, TEXT_LATHE_STEPS);
    return;
  }
  const bool full = v.latheRotation == 360.0f;
  if (full && steps < 3) {
    RefuseOperation(s, TEXT_LATHE_FULL_TURN);
    return;
  }
  const int n = ExtrudedCount(s);
  const int64_t addPoints = int64_t(n) * (full ? steps - 1 : steps);
  if (!CheckAddLimits(s, addPoints, steps * ExtrusionTriangles(n, v.latheClosure, v.latheSides))) return;
  const double step = double(v.latheRotation) * PI_FLOAT / (steps * 180.0);
  // The profile's turns are tried first: a lathe leaving the 16.16 range is refused.
  TurnAboutGreen turn;
  turn.Set(o, s.state.currentPoint, step);
  std::vector<int64_t> profile(size_t(n) * 3);
  for (int i = 0; i < n; ++i) {
    const ModelPoint& p = o.points[s.state.trace[i]];
    profile[size_t(i) * 3] = p.x, profile[size_t(i) * 3 + 1] = p.y, profile[size_t(i) * 3 + 2] = p.z;
  }
  for (int k = 0; k < (full ? steps - 1 : steps); ++k)
    for (int i = 0; i < n; ++i) {
      int64_t* at = &profile[size_t(i) * 3];
      int64_t out[3];
      turn.Apply(at, out);
      for (int c = 0; c < 3; ++c) {
        if (!FitsFixed(out[c])) {
          RefuseOperation(s, TEXT_VALUE_OUT_OF_BOUNDS);
          return;
        }
        at[c] = out[c];
      }
    }
  if (AddUndoPoint) AddUndoPoint("lathe operation", 0, 0, 0);
  EnsureTwoGroups(s, o);
  uint16_t first[MAX_TRACE_POINTS];
  std::memcpy(first, s.state.trace, sizeof first);
  for (int k = 0; k < steps; ++k) {
    if (full && k == steps - 1) {
      ExtrudeSelection(s, v.latheClosure, v.latheSides, first);
      break;
    }
    ExtrudeSelection(s, v.latheClosure, v.latheSides, nullptr);
    RotatePointsAroundGreen(s, step, 1);
  }
  if (o.MergeDuplicatePoints() > 0) DeselectAll(s);
  RefreshEditedMesh(&s.prss);
}
