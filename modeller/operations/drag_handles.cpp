// drag_handles.cpp - the move and box handles, their drag starts, the shared box and the
// selected points' bone.
#include "modeller/operations/drag_handles.h"

#include <cmath>
#include <cstdio>

#include "core/window_state.h"
#include "model/model_object.h"
#include "modeller/editor/edit_views.h"
#include "modeller/state/modeller_local.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/editor/object_editor.h"
#include "render/draw_mesh.h"
#include "render/immediate.h"
#include "render/views.h"
#include "ui/dialogs.h"
#include "ui/value_edit.h"

namespace {

constexpr uint32_t BOX_EDGE_COLOUR = 0xFF40C0FFu;
constexpr uint8_t BOX_CORNER_COLOUR[3] = {64, 192, 255};

bool Perspective() { return EditViews.width == 0; }

struct HandleShape {
  int word;
  double along[3];  // in the frame's axes, times the handle length
  const char* label;
  bool plane;
};
constexpr HandleShape MOVE_HANDLES[6] = {
    {HANDLE_XY, {0.6, 0.6, 0}, "xy", true}, {HANDLE_XZ, {0.6, 0, 0.6}, "xz", true}, {HANDLE_YZ, {0, 0.6, 0.6}, "yz", true},
    {HANDLE_X, {1, 0, 0}, "x", false},      {HANDLE_Y, {0, 1, 0}, "y", false},      {HANDLE_Z, {0, 0, 1}, "z", false},
};
constexpr HandleShape BOX_HANDLES[3] = {{0, {1, 0, 0}, "x", false}, {1, {0, 1, 0}, "y", false}, {2, {0, 0, 1}, "z", false}};

void ToMetres(const int32_t p[3], float out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = float(p[i]) / 65536.0f;
}

int32_t Clamped(double v) { return int32_t(std::fmax(std::fmin(v, 2147483647.0), -2147483648.0)); }

const char* HintOf(int word, int boxMode) {
  if (boxMode) return "Drag to move the box corner along this axis";
  return word == HANDLE_X || word == HANDLE_Y || word == HANDLE_Z ? "Drag to move along this axis"
                                                                   : "Drag to move in this plane";
}

// The axis (0..2) of a box or move word that moves along one axis; -1 for a plane word.
int AxisOf(int word, int boxMode) {
  if (boxMode) return word;
  return word == HANDLE_X ? 0 : word == HANDLE_Y ? 1 : word == HANDLE_Z ? 2 : -1;
}

}  // namespace

// ---- [Handles] ----

int DrawAxisHandles(Prss* owner, int activeWord, const int32_t centre[3], const FixedMatrix& frame,
                    InterfaceHandler handler, int boxMode, float screenAxes[3][2], int32_t* length) {
  for (int i = 0; i < 3; ++i) screenAxes[i][0] = screenAxes[i][1] = 0.0f;
  float cx, cy;
  int32_t depth;
  if (!ProjectPointToScreen(centre, &cx, &cy, &depth)) return 0;
  const double size = Perspective() ? double(depth) * EditViews.fovScale / 24.0 : double(EditViews.width) / 16.0;
  if (!(size > 0.0)) return 0;
  *length = Clamped(size);
  const HandleShape* shapes = boxMode ? BOX_HANDLES : MOVE_HANDLES;
  const int count = boxMode ? 3 : 6;
  const bool own = BeginLineBatch3D();
  for (int k = 0; k < count; ++k) {
    const HandleShape& handle = shapes[k];
    int32_t end[3];
    for (int r = 0; r < 3; ++r) {
      double v = centre[r];
      for (int c = 0; c < 3; ++c) v += double(frame.m[3 * r + c]) / 65536.0 * handle.along[c] * size;
      end[r] = Clamped(v);
    }
    float ex, ey;
    int32_t endDepth;
    ProjectPointToScreen(end, &ex, &ey, &endDepth);
    if (std::lround(ex) == std::lround(cx) && std::lround(ey) == std::lround(cy)) continue;
    float a[3], b[3];
    ToMetres(centre, a);
    ToMetres(end, b);
    EmitLine3D(handle.plane ? HANDLE_PLANE_COLOUR : HANDLE_AXIS_COLOUR, a, b);
    const int axis = AxisOf(handle.word, boxMode);
    if (axis >= 0) screenAxes[axis][0] = ex - cx, screenAxes[axis][1] = ey - cy;
    // At the handle's end, or beside it where another handle's label stands there already.
    AddViewLabel(owner, ex, ey, uintptr_t(handle.word), handle.label, handle.word == activeWord,
                 handle.plane ? &TextColours.panelGrey : &TextColours.lightOrange, handler, HintOf(handle.word, boxMode));
  }
  if (own) EndLineBatch3D();
  return 1;
}

namespace {

// Keeps the drawn handles' screen directions for the drag (unless one runs: its own stay).
void KeepDirections(ModellerScreen& s, const float axes[3][2], int32_t length) {
  if (s.handle.kind != HANDLE_NONE) return;
  for (int i = 0; i < 3; ++i) s.handle.screenAxes[i][0] = axes[i][0], s.handle.screenAxes[i][1] = axes[i][1];
  s.handle.scale = float(length);
}

void BoxCornerPress(void* owner, int flags, uintptr_t corner) { SelectBoxCorner(owner, flags, corner); }

}  // namespace

void DrawModelBoxHandles(ModellerScreen& s) {
  if (ObjectEditorShared.modellerBox == 0) return;
  const int32_t(&c)[2][3] = ModelBox.corners;
  const bool own = BeginLineBatch3D();
  for (int i = 0; i < 8; ++i)
    for (int axis = 0; axis < 3; ++axis) {
      if (i >> axis & 1) continue;
      const int j = i | 1 << axis;
      const int32_t a[3] = {c[i & 1][0], c[i >> 1 & 1][1], c[i >> 2 & 1][2]};
      const int32_t b[3] = {c[j & 1][0], c[j >> 1 & 1][1], c[j >> 2 & 1][2]};
      float fa[3], fb[3];
      ToMetres(a, fa);
      ToMetres(b, fb);
      EmitLine3D(BOX_EDGE_COLOUR, fa, fb);
    }
  if (own) EndLineBatch3D();
  for (int corner = 0; corner < 2; ++corner) {
    float x, y;
    int32_t depth;
    if (!ProjectPointToScreen(c[corner], &x, &y, &depth)) continue;
    AddColourPointButton(&s.prss, int(std::lround(x)), int(std::lround(y)), uintptr_t(corner),
                         s.handle.corner == corner ? 2 : 0, BOX_CORNER_COLOUR, BoxCornerPress);
  }
  const int corner = s.handle.corner;
  if (corner < 0 || corner > 1) return;
  FixedMatrix identity;
  MatrixIdentity(identity);
  float axes[3][2];
  int32_t length;
  if (DrawAxisHandles(&s.prss, s.handle.kind == HANDLE_BOX_CORNER ? s.handle.axis : -1, c[corner], identity,
                      StartBoxCornerDrag, 1, axes, &length))
    KeepDirections(s, axes, length);
}

void DrawMoveHandles(ModellerScreen& s) {
  ModelObject* edited = EditedObject;
  if (!edited || !s.mainObject) return;
  const int active = s.handle.kind == HANDLE_MOVE_POINTS || s.handle.kind == HANDLE_MOVE_SUBOBJECT ? s.handle.axis : -1;
  float axes[3][2];
  int32_t length;
  if (s.state.mode == ModePoint) {
    const int green = s.state.currentPoint;
    if (green < 0 || green >= edited->pointCount) return;
    const IntVector p = ObjectPointPosition(*edited, uint16_t(green));
    const int32_t centre[3] = {p.x, p.y, p.z};
    if (DrawAxisHandles(&s.prss, active, centre, MeshTransformOf(*edited).rotation, StartAxisDrag, 0, axes, &length))
      KeepDirections(s, axes, length);
  } else if (s.state.mode == ModeSubobject) {
    if (edited != s.mainObject) {
      const FixedTransform own = MeshTransformOf(*edited);
      const ModelObject* parent = s.editedParent ? s.editedParent : s.mainObject;
      const int32_t centre[3] = {own.translation.x, own.translation.y, own.translation.z};
      if (DrawAxisHandles(&s.prss, active, centre, MeshTransformOf(*parent).rotation, StartAxisDrag, 0, axes, &length))
        KeepDirections(s, axes, length);
    } else {
      DrawModelBoxHandles(s);
    }
  }
}

// ---- [Drag starts] ----

void StartAxisDrag(void* owner, int, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || word < 1 || word > 6) return;
  ModelObject& o = *EditedObject;
  HandleDragState& h = s->handle;
  int32_t origin[3];
  if (s->state.mode == ModePoint) {
    CountSelectedPoints(*s, 1);
    const int green = s->state.currentPoint;
    if (s->state.selectedPointCount == 0 || green < 0 || green >= o.pointCount) return;
    if (AddUndoPoint) AddUndoPoint(s->state.selectedPointCount == 1 ? "drag point" : "drag points", 0, 0, 0);
    const IntVector p = ObjectPointPosition(o, uint16_t(green));
    origin[0] = p.x, origin[1] = p.y, origin[2] = p.z;
    h.kind = HANDLE_MOVE_POINTS;
  } else if (s->state.mode == ModeSubobject && &o != s->mainObject) {
    if (AddUndoPoint) AddUndoPoint("drag subobject", 0, 0, 0);
    const FixedTransform own = MeshTransformOf(o);
    origin[0] = own.translation.x, origin[1] = own.translation.y, origin[2] = own.translation.z;
    h.kind = HANDLE_MOVE_SUBOBJECT;
  } else {
    return;
  }
  h.axis = int(word);
  h.lastMouse[0] = MouseX, h.lastMouse[1] = MouseY;
  for (int i = 0; i < 3; ++i) h.grabPoint[i] = origin[i];
  // A plane handle in perspective: the pointer's ray meets the plane through the origin.
  h.planeNormal[0] = word == HANDLE_YZ ? 1.0f : 0.0f;
  h.planeNormal[1] = word == HANDLE_XZ ? 1.0f : 0.0f;
  h.planeNormal[2] = word == HANDLE_XY ? 1.0f : 0.0f;
  if (Perspective() && (word == HANDLE_XY || word == HANDLE_XZ || word == HANDLE_YZ)) {
    // The grab point starts where the pointer's ray meets the plane, so the first step moves
    // by the pointer's motion only.
    float direction[3];
    if (PickFromMouse(direction)) {
      const int32_t* eye = CurrentView->position;
      const double n[3] = {h.planeNormal[0], h.planeNormal[1], h.planeNormal[2]};
      const double d = n[0] * direction[0] + n[1] * direction[1] + n[2] * direction[2];
      if (std::fabs(d) > 1e-6) {
        const double t = (n[0] * (double(origin[0]) - eye[0]) + n[1] * (double(origin[1]) - eye[1]) +
                          n[2] * (double(origin[2]) - eye[2])) / d;
        if (t > 0)
          for (int i = 0; i < 3; ++i) h.grabPoint[i] = Clamped(eye[i] + t * direction[i]);
      }
    }
  }
}

void StartBoxCornerDrag(void* owner, int, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !Perspective() || s->handle.corner < 0 || s->handle.corner > 1 || word > 2) return;
  s->handle.kind = HANDLE_BOX_CORNER;
  s->handle.axis = int(word);
  s->handle.lastMouse[0] = MouseX, s->handle.lastMouse[1] = MouseY;
}

void SelectBoxCorner(void* owner, int, uintptr_t corner) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || corner > 1) return;
  s->handle.corner = s->handle.corner == int(corner) ? -1 : int(corner);
}

// ---- [Bones] ----

void AssignPointsToBone(ModellerScreen& s, int bone) {
  if (!EditedObject) return;
  ModelObject& o = *EditedObject;
  CountSelectedPoints(s, 1);
  if (s.state.selectedPointCount == 0) {
    ShowMessageBox(&s.prss, TEXT_NO_POINTS_TO_ASSIGN);
    return;
  }
  if (AddUndoPoint) AddUndoPoint("assign bone", 0, 0, 0);
  for (int p = 0; p < o.pointCount; ++p)
    if (o.points[p].flags & POINT_SELECTED) o.points[p].bone = uint8_t(bone);
  RefreshEditedMesh(&s.prss);
}
