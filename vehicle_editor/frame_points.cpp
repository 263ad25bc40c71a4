// frame_points.cpp - the vehicle editor's frame tools: points made, copied, dragged and
// deleted, tubes added between points (or to a wheel point) and deleted, the whole frame
// deleted.
#include "vehicle_editor/frame_points.h"

#include <cstdlib>
#include <cstring>

#include "core/data_file.h"
#include "core/report.h"
#include "core/window_state.h"
#include "physics/car.h"
#include "ui/interface.h"
#include "vehicle/car_geometry.h"
#include "vehicle/frame_tubes.h"
#include "vehicle_editor/vehicle_editor.h"
#include "vehicle_editor/vehicle_undo.h"

namespace {
constexpr const char* TEXT_POINT_HAS_TUBE = "Point is used by a tube";
constexpr const char* TEXT_TWO_WHEEL_POINTS = "Can't add tube between two wheel points";
constexpr const char* TEXT_SINGLE_WHEEL = "Can't add suspension tube to a single wheel";
constexpr const char* TEXT_UNKNOWN_WHEEL_POINT = "Unknown wheel point";
constexpr const char* TEXT_DELETE_FRAME = "Delete entire frame?";
constexpr float NEW_TUBE_MASS_PER_METRE = 10.0f;  // kg/m
constexpr float NEW_LINK_RADIUS = 0.02f;          // m
constexpr uintptr_t DRAG_POINT_KEY = 5;           // the history's merge key of a point drag
constexpr uint8_t POINT_LOWER_PIVOT = 1, POINT_UPPER_PIVOT = 2, POINT_VERTEX = 0;
constexpr float FIXED_TO_METRES = 1.0f / 65536.0f;

VehicleEditor& EditorOf(void* owner) { return *static_cast<VehicleEditor*>(owner); }

bool IsFramePoint(const VehicleEditor& e, int point) {
  return e.car && point >= 0 && point < e.car->framePointCount;
}

void ClearSelection(VehicleEditor& e) {
  e.selection.selectedPoint = NO_POINT;
  e.selection.selectedTube = -1;
}

// A suspension link is a tube whose mass per metre is 0 (it is sized by its radius).
bool IsLink(const FrameTube& t) { return t.massPerMetre == 0.0f; }

void DeleteFrameAnswered(Prss* owner, uint32_t, uint32_t) {
  VehicleEditor::DeleteFrame(*reinterpret_cast<VehicleEditor*>(owner));
}

}  // namespace

int32_t* FrameCoordinate(FramePoint& p, int axis) { return axis == 0 ? &p.x : axis == 1 ? &p.y : &p.z; }

FramePoint* SelectedFramePoint(VehicleEditor& e) {
  return IsFramePoint(e, e.selection.selectedPoint) ? &e.car->framePoints[e.selection.selectedPoint] : nullptr;
}

// ---- [Wheel points] ----

int WheelPointAxle(int point) {
  switch (point) {
    case -6: case -4: case -3: return 0;
    case -5: case -2: case -1: return 1;
    default: return -1;
  }
}

int AxleHasBothWheels(const Car& car, int axle) {
  int found = 0;
  for (int i = 0; i < car.wheelCount && i < CAR_MAX_WHEELS; ++i)
    if (car.wheels[i].wheelSet == axle) ++found;
  return found >= 2 ? 1 : 0;
}

void WheelPointPositions(const Car& car, IntVector out[WHEEL_POINTS], uint8_t present[WHEEL_POINTS]) {
  std::memset(out, 0, sizeof(IntVector) * WHEEL_POINTS);
  std::memset(present, 0, WHEEL_POINTS);
  // Slot s is point s - 6, wheel end -k; the positions come from the wheel on the right.
  for (int i = 0; i < car.wheelCount && i < CAR_MAX_WHEELS; ++i) {
    const CarWheel& w = car.wheels[i];
    if (w.wheelSet >= CAR_WHEEL_SETS || w.side < 0.0f) continue;
    IntVector a, b, c;
    WheelContactBox(car, i, a, b, c);
    const int front = w.wheelSet == 1;
    const int ends[3] = {front ? -1 : -3, front ? -2 : -4, front ? -5 : -6};
    const IntVector at[3] = {b, a, c};
    for (int k = 0; k < 3; ++k) {
      const int slot = ends[k] + WHEEL_POINTS;
      out[slot] = at[k];
      present[slot] = 1;
    }
  }
}

// ---- [Arrays] ----

FramePoint* AppendFramePoint(VehicleData& d) {
  auto* grown = static_cast<FramePoint*>(std::realloc(d.framePoints, sizeof(FramePoint) * (d.framePointCount + 1)));
  if (!grown) return nullptr;
  d.framePoints = grown;
  FramePoint* p = &grown[d.framePointCount++];
  *p = FramePoint{};
  return p;
}

FrameTube* AppendFrameTube(VehicleData& d) {
  auto* grown = static_cast<FrameTube*>(std::realloc(d.frameTubes, sizeof(FrameTube) * (d.frameTubeCount + 1)));
  if (!grown) return nullptr;
  d.frameTubes = grown;
  FrameTube* t = &grown[d.frameTubeCount++];
  *t = FrameTube{};
  return t;
}

void RemoveFramePoint(VehicleData& d, int index) {
  if (index < 0 || index >= d.framePointCount) return;
  const int last = d.framePointCount - 1;
  d.framePoints[index] = d.framePoints[last];
  for (int i = 0; i < d.frameTubeCount; ++i) {
    FrameTube& t = d.frameTubes[i];
    if (t.a == last) t.a = static_cast<int16_t>(index);
    if (t.b == last) t.b = static_cast<int16_t>(index);
  }
  if (--d.framePointCount == 0) {
    std::free(d.framePoints);
    d.framePoints = nullptr;
  }
}

void RemoveFrameTube(VehicleData& d, int index) {
  if (index < 0 || index >= d.frameTubeCount) return;
  d.frameTubes[index] = d.frameTubes[d.frameTubeCount - 1];
  if (--d.frameTubeCount == 0) {
    std::free(d.frameTubes);
    d.frameTubes = nullptr;
  }
}

int PointHasTube(const VehicleData& d, int point) {
  for (int i = 0; i < d.frameTubeCount; ++i)
    if (d.frameTubes[i].a == point || d.frameTubes[i].b == point) return 1;
  return 0;
}

// ---- The editor's frame tools ----

void VehicleEditor::ClearPointMarks(VehicleData& d) {
  for (int i = 0; i < d.framePointCount; ++i) {
    d.framePoints[i].flags &= ~FRAME_POINT_SELECTED;
    d.framePoints[i].work = 0.0f;
  }
}

void VehicleEditor::PointAction(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  Car& car = *e.car;
  if (word == 2) {
    DeleteSelected(e);
    return;
  }
  if (word > 1) return;
  const int duplicate = word == 1;
  if (duplicate && !IsFramePoint(e, e.selection.selectedPoint)) return;
  const FramePoint copy = duplicate ? car.framePoints[e.selection.selectedPoint] : FramePoint{};
  RecordEdit(duplicate ? "duplicate point" : "new point");
  FramePoint* p = AppendFramePoint(car);
  if (!p) {
    ReportLine(TEXT_COULD_NOT_ALLOCATE, REPORT_ERROR);
    return;
  }
  *p = copy;
  e.selection.selectedPoint = car.framePointCount - 1;
  VehicleValueChanged(e);
}

void VehicleEditor::DeleteSelected(VehicleEditor& e) {
  if (!e.car) return;
  Car& car = *e.car;
  const int point = e.selection.selectedPoint, tube = e.selection.selectedTube;
  if (point != NO_POINT && tube != -1) {
    ShowVehicleEditorInfo("A point and a tube are both selected");
    return;
  }
  if (IsFramePoint(e, point)) {
    if (PointHasTube(car, point)) {
      ReportBox(&e.prss, TEXT_POINT_HAS_TUBE);
      return;
    }
    RecordEdit("delete point");
    RemoveFramePoint(car, point);
    e.selection.selectedPoint = NO_POINT;
    e.markedPointShown = 0;
    VehicleValueChanged(e);
    return;
  }
  if (tube >= 0 && tube < car.frameTubeCount) TubeAction(&e, 0, 0);
}

void VehicleEditor::TubeAction(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  const int tube = e.selection.selectedTube;
  if (word == 1) {
    e.selection.selectedTube = -1;
    return;
  }
  if (word != 0 || tube < 0 || tube >= e.car->frameTubeCount) return;
  RecordEdit("delete tube");
  RemoveFrameTube(*e.car, tube);
  e.selection.selectedTube = -1;
  VehicleValueChanged(e);
}

int VehicleEditor::AddTube(VehicleEditor& e, int point) {
  if (!e.car) return 0;
  Car& car = *e.car;
  const int from = e.selection.selectedPoint;
  if (from < 0 && point < 0) {
    ReportBox(&e.prss, TEXT_TWO_WHEEL_POINTS);
    return 0;
  }
  for (const int end : {from, point}) {
    if (end >= 0) {
      if (end >= car.framePointCount) return 0;  // no such point: a stale marker
      continue;
    }
    const int axle = WheelPointAxle(end);
    if (axle < 0) {
      ReportBox(&e.prss, TEXT_UNKNOWN_WHEEL_POINT);
      return 0;
    }
    if (!AxleHasBothWheels(car, axle)) {
      ReportBox(&e.prss, TEXT_SINGLE_WHEEL);
      return 0;
    }
  }
  const bool link = from < 0 || point < 0;
  FrameTube made{};
  made.a = static_cast<int16_t>(from);
  made.b = static_cast<int16_t>(point);
  const int chosen = e.selection.selectedTube;
  if (chosen >= 0 && chosen < car.frameTubeCount && IsLink(car.frameTubes[chosen]) == link) {
    const FrameTube& like = car.frameTubes[chosen];
    made.massPerMetre = like.massPerMetre;
    made.radius = like.radius;
    made.flags = like.flags;
  } else if (link) {
    made.radius = NEW_LINK_RADIUS;
  } else {
    made.massPerMetre = NEW_TUBE_MASS_PER_METRE;
  }
  RecordEdit("add tube");
  FrameTube* t = AppendFrameTube(car);
  if (!t) {
    ReportLine(TEXT_COULD_NOT_ALLOCATE, REPORT_ERROR);
    return 0;
  }
  *t = made;
  e.selection.selectedPoint = NO_POINT;
  e.selection.selectedTube = car.frameTubeCount - 1;
  VehicleValueChanged(e);
  return 1;
}

void VehicleEditor::SelectPoint(void* owner, int, uintptr_t value) {
  VehicleEditor& e = EditorOf(owner);
  if (!e.car) return;
  const int point = static_cast<int>(static_cast<intptr_t>(value));
  if (ShiftHeld && e.selection.selectedPoint != NO_POINT) {
    AddTube(e, point);
    return;
  }
  if (point == e.selection.selectedPoint) {
    e.selection.selectedPoint = NO_POINT;
    e.markedPointShown = 0;
    return;
  }
  e.selection.selectedPoint = point;
  e.frameMove = 0;
  if (!IsFramePoint(e, point)) return;
  const FramePoint& p = e.car->framePoints[point];
  e.markedPosition[0] = float(p.x) * FIXED_TO_METRES;
  e.markedPosition[1] = float(p.y) * FIXED_TO_METRES;
  e.markedPosition[2] = float(p.z) * FIXED_TO_METRES;
  e.markedPointShown = 1;
}

void VehicleEditor::SelectTube(void* owner, int, uintptr_t value) {
  VehicleEditor& e = EditorOf(owner);
  const int tube = static_cast<int>(value);
  e.selection.selectedTube = e.selection.selectedTube == tube ? -1 : tube;
}

void VehicleEditor::MovePoint(VehicleEditor& e, int32_t steps, int axis) {
  if (!IsFramePoint(e, e.selection.selectedPoint) || axis < 0 || axis > 2) return;
  FramePoint& p = e.car->framePoints[e.selection.selectedPoint];
  int32_t* value = FrameCoordinate(p, axis);
  *value = static_cast<int32_t>(static_cast<uint32_t>(*value) + static_cast<uint32_t>(steps));
  if (axis == 0) e.markedPosition[0] = float(p.x) * FIXED_TO_METRES;
  if (axis == 1) e.markedPosition[1] = float(p.y) * FIXED_TO_METRES;
  if (axis == 2) e.markedPosition[2] = float(p.z) * FIXED_TO_METRES;
}

void VehicleEditor::StartPointDrag(void* owner, int, uintptr_t axis) {
  VehicleEditor& e = EditorOf(owner);
  const int point = e.selection.selectedPoint;
  if (!IsFramePoint(e, point) || axis > 2) return;
  using VehicleUndo::Keys;
  // A run of drags of one point is one node: the position kept is the one before the run,
  // what a cancel puts back along with dropping the node and giving back the history as the
  // run found it.
  const bool merging = VehicleUndo::NumNodes > 0 && Keys[0] == DRAG_POINT_KEY &&
                       Keys[1] == static_cast<uintptr_t>(point) && Keys[2] == 0;
  if (!merging) RecordOpeningEdit("drag point", DRAG_POINT_KEY, static_cast<uintptr_t>(point), 0);
  e.dragAxis = static_cast<int8_t>(axis);
  e.dragMouse[0] = MouseX;
  e.dragMouse[1] = MouseY;
  const FramePoint& p = e.car->framePoints[point];
  if (!merging) e.dragStart = IntVector{p.x, p.y, p.z};
}

void VehicleEditor::DragPointStep(VehicleEditor& e, int32_t steps) {
  if (e.dragAxis < 0 || steps == 0) return;
  MovePoint(e, steps, e.dragAxis);
  PointsChanged(e);
}

void VehicleEditor::CancelPointDrag(VehicleEditor& e) {
  if (e.dragAxis < 0) return;
  e.dragAxis = -1;
  if (!IsFramePoint(e, e.selection.selectedPoint)) return;
  FramePoint& p = e.car->framePoints[e.selection.selectedPoint];
  p.x = e.dragStart.x;
  p.y = e.dragStart.y;
  p.z = e.dragStart.z;
  // The node the drag recorded goes with it, and the history is as the run found it, redo
  // steps and all; the vehicle is as it was before the node.
  if (VehicleUndo::NumRedo == 0 && VehicleUndo::NumNodes > 0) DropOpeningEdit(e);
  PointsChanged(e);
}

void VehicleEditor::PointsChanged(VehicleEditor& e) {
  if (!e.car) return;
  Car& car = *e.car;
  const int moved = e.selection.selectedPoint;
  if (IsFramePoint(e, moved)) {
    const FramePoint& m = car.framePoints[moved];
    if (m.type == POINT_LOWER_PIVOT || m.type == POINT_UPPER_PIVOT) {
      // The other pivot of the pair (same type, same side of y = 0) keeps the axis parallel
      // to the vehicle's length.
      const bool ahead = m.y > 0;
      for (int i = 0; i < car.framePointCount; ++i) {
        FramePoint& p = car.framePoints[i];
        if (i == moved || p.type != m.type || (p.y > 0) != ahead) continue;
        p.x = m.x;
        p.z = m.z;
      }
    }
  }
  VehicleValueChanged(e);
}

void VehicleEditor::FrameAction(void* owner, int, uintptr_t word) {
  VehicleEditor& e = EditorOf(owner);
  switch (word) {
    case 0: SpecialDraw = 0; return;
    case 1:
    case 2:
      SpecialDraw = 1;
      e.diagramFlags = 0;
      e.displayFlags |= word == 1 ? SHOW_FRAME : SHOW_MASSES;
      return;
    case 3:
      if (e.car) ReportQuestion(&e.prss, DeleteFrameAnswered, TEXT_DELETE_FRAME, nullptr, 0, 0, 0);
      return;
    default: return;
  }
}

void VehicleEditor::DeleteFrame(VehicleEditor& e) {
  if (!e.car) return;
  Car& car = *e.car;
  ClearSelection(e);
  e.markedPointShown = 0;
  RecordEdit("delete frame");
  int kept = 0;
  for (int i = 0; i < car.framePointCount; ++i)
    if (car.framePoints[i].type != POINT_VERTEX) car.framePoints[kept++] = car.framePoints[i];
  car.framePointCount = kept;
  if (kept == 0) {
    std::free(car.framePoints);
    car.framePoints = nullptr;
  }
  std::free(car.frameTubes);
  car.frameTubes = nullptr;
  car.frameTubeCount = 0;
  VehicleValueChanged(e);
}

// ---- [Markers] ----

void CollectFrameMarkers(const VehicleEditor& e, std::vector<FrameMarker>& out) {
  out.clear();
  if (!e.car) return;
  const Car& car = *e.car;
  IntVector wheel[WHEEL_POINTS];
  uint8_t present[WHEEL_POINTS];
  WheelPointPositions(car, wheel, present);
  const auto position = [&](int end, IntVector& at) {
    if (end >= 0 && end < car.framePointCount) {
      at = IntVector{car.framePoints[end].x, car.framePoints[end].y, car.framePoints[end].z};
      return true;
    }
    if (end < 0 && end >= -WHEEL_POINTS && present[end + WHEEL_POINTS]) {
      at = wheel[end + WHEEL_POINTS];
      return true;
    }
    return false;
  };
  const auto middle = [](int32_t a, int32_t b) { return static_cast<int32_t>((int64_t{a} + b) / 2); };
  if (e.displayFlags & SHOW_TUBES) {
    for (int i = 0; i < car.frameTubeCount; ++i) {
      const FrameTube& t = car.frameTubes[i];
      IntVector a, b;
      if (!position(t.a, a) || !position(t.b, b)) continue;  // a wheel the car does not have
      FrameMarker m{};
      m.at = IntVector{middle(a.x, b.x), middle(a.y, b.y), middle(a.z, b.z)};
      m.index = i;
      m.kind = MARK_TUBE;
      m.highlighted = i == e.selection.selectedTube;
      m.secondColour = (t.flags & TUBE_VISIBLE) != 0;
      out.push_back(m);
    }
  }
  if (!(e.displayFlags & SHOW_POINTS)) return;
  static constexpr char LETTERS[4] = {0, 'L', 'U', 'T'};
  for (int i = 0; i < car.framePointCount; ++i) {
    const FramePoint& p = car.framePoints[i];
    FrameMarker m{};
    m.at = IntVector{p.x, p.y, p.z};
    m.index = i;
    m.kind = MARK_POINT;
    m.highlighted = i == e.selection.selectedPoint;
    m.label[0] = p.type < 4 ? LETTERS[p.type] : 0;
    out.push_back(m);
  }
  for (int end = -WHEEL_POINTS; end < 0; ++end) {
    if (!present[end + WHEEL_POINTS]) continue;
    FrameMarker m{};
    m.at = wheel[end + WHEEL_POINTS];
    m.index = end;
    m.kind = MARK_WHEEL_POINT;
    m.highlighted = end == e.selection.selectedPoint;
    out.push_back(m);
  }
}

void VehicleEditor::AddMassFrameToggles(VehicleEditor& e) {
  Prss* owner = &e.prss;
  const bool plain = SpecialDraw && !e.diagramFlags;
  const bool masses = plain && (e.displayFlags & SHOW_MASSES), frame = plain && (e.displayFlags & SHOW_FRAME);
  AddRowButton(owner, 8, masses ? 0 : 2, masses, nullptr, "show masses", FrameAction, "Show the object masses");
  AddRowButton(owner, 8, frame ? 0 : 1, frame, nullptr, "show frame", FrameAction, "Show the frame");
}
