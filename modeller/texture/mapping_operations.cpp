// mapping_operations.cpp - the texture mapping tool's operations on the edited object's
// mappings: selection and the drag box, add, adjust, duplicate, copy and paste, delete,
// rename, move, cutouts, sizes, position and angles, central, links, views from points, and
// the handle drags.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/window_state.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_state.h"
#include "modeller/state/modeller_undo.h"
#include "modeller/texture/texture_mapping.h"
#include "render/views.h"
#include "ui/dialogs.h"
#include "ui/value_edit.h"

namespace {

ModelObject& Edited() { return *EditedObject; }
bool SpokeMode() { return ObjectEditorShared.spokeCount > 0; }
bool HasSelection() { return SelectedMapping >= 0 && EditedObject && SelectedMapping < EditedObject->mappingCount; }
ModelMapping& Selected() { return Edited().mappings[SelectedMapping]; }

// Every change of a mapping: the armed slot cleared, a redraw asked for, the point recorded.
void BeginMappingEdit(const char* name) {
  MappingPanelSelection = -1;
  MappingPanelRedraw = 1;
  if (AddUndoPoint) AddUndoPoint(name, 0, 0, 0);
}

void Refuse(MappingPanel& panel, const char* text) { ShowMessageBox(&panel.prss, text); }

void RebuildMesh(MappingPanel& panel) {
  RefreshEditedMesh(&panel.prss);
}

// Typed metres as 16.16, held within the 32-bit range (a typed 1e9 would not fit).
int32_t RoundToFixed(double metres) {
  if (!(metres == metres)) return 0;
  return int32_t(std::clamp(std::llround(std::clamp(metres, -32768.0, 32767.0) * 65536.0), -2147483647LL - 1, 2147483647LL));
}

// A mapping of the current view from the drag box: its size in view coordinates, its centre
// the middle of the box in the edited object's space.
void PlaceOnDragBox(const MappingPanel& panel, ModelMapping& m) {
  const DragBox& box = EditViews.dragBox;
  m.direction = uint32_t(CurrentViewCode());
  m.width = std::abs(box.viewCorners[1][0] - box.viewCorners[0][0]);
  m.height = std::abs(box.viewCorners[1][1] - box.viewCorners[0][1]);
  int32_t offset[3];
  EditedObjectOffset(*panel.modeller, offset);
  for (int i = 0; i < 3; ++i)
    m.offset[i] = int32_t((int64_t{box.worldCorners[0][i]} + box.worldCorners[1][i]) / 2 - offset[i]);
}

bool DragBoxValid() {
  const DragBox& box = EditViews.dragBox;
  return box.state == DRAG_BOX_DONE && box.code == CurrentViewCode();
}

void NameEntered(Prss* owner, const char* text, uint32_t index) {
  (void)owner;
  if (!EditedObject || int(index) >= EditedObject->mappingCount) return;
  std::snprintf(EditedObject->mappings[index].name, CUTOUT_NAME_SIZE, "%s", text);
}

// Keeps a new or moved mapping in view of the list.
void ScrollTo(MappingPanel& panel, int index) {
  if (index < panel.firstRow) panel.firstRow = index;
  const int rows = std::max(8, (ScreenHeight > 0 && ButtonHeight > 0 ? ScreenHeight / ButtonHeight : 0) - 26);
  if (index >= panel.firstRow + rows) panel.firstRow = index - rows + 1;
}

void ClearLinkFlags(ModelMapping& m) { m.flags &= uint8_t(~(MAPPING_LINK_TOP | MAPPING_LINK_SIDE | MAPPING_LINK_FRONT | MAPPING_LINK_BACK)); }

}  // namespace

// ---- [Selection and drag box] ----

void SelectMapping(MappingPanel& panel, int mode, int index) {
  EditViews.dragBox.state = DRAG_BOX_NONE;
  MappingPanelSelection = -1;
  if (!EditedObject || index < 0 || index >= Edited().mappingCount) {
    SelectedMapping = -1;
    return;
  }
  if (index != SelectedMapping) {
    SelectedMapping = index;
    ModelMapping& m = Selected();
    if (!IsAxisDirection(m.direction)) m.flags &= uint8_t(~MAPPING_CENTRAL);
    if (ShiftHeld || int32_t(m.direction) == CurrentViewCode()) {
      SetCurrentViewCode(int32_t(m.direction));
      UpdateMappingDragBox(panel);
    }
    ScrollTo(panel, index);
  } else if (!(mode & 2)) {
    SelectedMapping = -1;
  }
}

void UpdateMappingDragBox(MappingPanel& panel) {
  DragBox& box = EditViews.dragBox;
  if (!HasSelection()) return;
  const ModelMapping& m = Selected();
  if (m.direction >= 2097152u) {
    box.state = DRAG_BOX_NONE;
    return;
  }
  box.code = int32_t(m.direction);
  GetMappingCorner(*panel.modeller, SelectedMapping, box.worldCorners[0], 0);
  GetMappingCorner(*panel.modeller, SelectedMapping, box.worldCorners[1], 1);
  float axes[3][3];
  BuildOrthoViewMatrix(box.code, axes);
  for (int c = 0; c < 2; ++c)
    for (int r = 0; r < 3; ++r)
      box.viewCorners[c][r] = int32_t(std::lround(double(box.worldCorners[c][0]) * axes[r][0] +
                                                  double(box.worldCorners[c][1]) * axes[r][1] +
                                                  double(box.worldCorners[c][2]) * axes[r][2]));
  const bool same = std::memcmp(box.worldCorners[0], box.worldCorners[1], sizeof box.worldCorners[0]) == 0;
  box.state = same ? DRAG_BOX_POINT : DRAG_BOX_DONE;
}

int MappingMatchesDragBox(const MappingPanel& panel, const ModelMapping& m) {
  const DragBox& box = EditViews.dragBox;
  if (m.direction >= 2097152u || int32_t(m.direction) != CurrentViewCode()) return 0;
  int32_t offset[3], corner[3];
  EditedObjectOffset(*panel.modeller, offset);
  for (int h = 0; h < 2; ++h) {
    GetMappingHandlePoint(m, h, corner);
    for (int i = 0; i < 3; ++i)
      if (corner[i] + offset[i] != box.worldCorners[h][i]) return 0;
  }
  return 1;
}

int LockedMapsCheck(MappingPanel& panel) {
  if (panel.locked && HasSelection() && IsMappingLinked(Selected())) {
    Refuse(panel, TEXT_MAPPING_LOCKED);
    return 1;
  }
  return 0;
}

void RefreshLinkedMappings(MappingPanel& panel) {
  if (!HasSelection()) return;
  Selected().ClearAxisOffset();
  PushMappingLinks(Edited(), SelectedMapping);
  UpdateMappingDragBox(panel);
  RebuildMesh(panel);
}

// ---- [Operations] ----

int AddMappingFromDragBox(MappingPanel& panel) {
  if (CurrentViewCode() == VIEW_CODE_PERSPECTIVE) return Refuse(panel, TEXT_MAPPING_NEED_2D), 0;
  if (!DragBoxValid()) return Refuse(panel, TEXT_MAPPING_NEED_BOX), 0;
  if (SpokeMode() && CurrentViewCode() != int32_t(DIRECTION_RIGHT)) return Refuse(panel, TEXT_MAPPING_SPOKES), 0;
  if (Edited().mappingCount >= MAX_MODEL_MAPPINGS) return Refuse(panel, TEXT_MAPPING_MAXIMUM), 0;
  BeginMappingEdit("add mapping");
  const int index = Edited().AddMapping(nullptr);
  PlaceOnDragBox(panel, Edited().mappings[index]);
  SelectedMapping = index;
  ScrollTo(panel, index);
  UpdateMappingDragBox(panel);
  RebuildMesh(panel);
  OpenTextEntrySub(&panel.prss, NameEntered, "Enter name of new mapping", CUTOUT_NAME_SIZE, uint32_t(index),
                   Edited().mappings[index].name, 0, 0, nullptr);
  return 1;
}

int AdjustMappingToDragBox(MappingPanel& panel) {
  if (!HasSelection()) return 0;
  if (SpokeMode() && CurrentViewCode() != int32_t(DIRECTION_RIGHT)) return Refuse(panel, TEXT_MAPPING_SPOKES), 0;
  if (!DragBoxValid()) return Refuse(panel, TEXT_MAPPING_NEED_BOX), 0;
  if (MappingMatchesDragBox(panel, Selected())) return Refuse(panel, TEXT_MAPPING_MATCHES), 0;
  if (LockedMapsCheck(panel)) return 0;
  BeginMappingEdit("adjust mapping");
  ModelMapping& m = Selected();
  const uint32_t oldDirection = m.direction;
  const bool linked = IsMappingLinked(m);
  PlaceOnDragBox(panel, m);
  m.ClearAxisOffset();
  if (linked) {
    if (m.direction == oldDirection) {
      PushMappingLinks(Edited(), SelectedMapping);
    } else {
      ClearLinkFlags(m);
      Refuse(panel, TEXT_MAPPING_LINKS_REMOVED);
    }
  }
  UpdateMappingDragBox(panel);
  RebuildMesh(panel);
  return 1;
}

int DuplicateMapping(MappingPanel& panel) {
  if (!HasSelection()) return 0;
  if (Edited().mappingCount >= MAX_MODEL_MAPPINGS) return Refuse(panel, TEXT_MAPPING_MAXIMUM), 0;
  BeginMappingEdit("duplicate mapping");
  const ModelMapping copy = Selected();
  const int added = Edited().AddMapping(&copy);
  const int place = SelectedMapping + 1;
  Edited().MoveMapping(added, place);
  SelectedMapping = place;
  ScrollTo(panel, place);
  RebuildMesh(panel);
  OpenTextEntrySub(&panel.prss, NameEntered, "Enter name of duplicated mapping", CUTOUT_NAME_SIZE, uint32_t(place),
                   copy.name, 0, 0, nullptr);
  return 1;
}

void CopyMapping(MappingPanel& panel) {
  if (!HasSelection()) return;
  panel.clipboard = Selected();
  panel.hasClipboard = 1;
}

int PasteMapping(MappingPanel& panel) {
  if (!HasSelection() || !panel.hasClipboard) return 0;
  if ((panel.clipboard.direction & 0x1FFFFF) != (Selected().direction & 0x1FFFFF)) return 0;
  if (LockedMapsCheck(panel)) return 0;
  BeginMappingEdit("paste mapping");
  ModelMapping& m = Selected();
  m.direction = panel.clipboard.direction;
  std::memcpy(m.offset, panel.clipboard.offset, sizeof m.offset);
  m.width = panel.clipboard.width;
  m.height = panel.clipboard.height;
  RefreshLinkedMappings(panel);
  return 1;
}

int DeleteMapping(MappingPanel& panel) {
  if (!HasSelection()) return 0;
  ModelObject& o = Edited();
  int users = 0;
  for (int t = 0; t < o.triangleCount; ++t) users += o.triangles[t].mapping == SelectedMapping;
  char text[96];
  if (users) {
    std::snprintf(text, sizeof text, TEXT_MAPPING_USED, users, users == 1 ? "" : "s");
    return Refuse(panel, text), 0;
  }
  if (o.mappingCount <= 1) return Refuse(panel, TEXT_MAPPING_LAST), 0;
  if (SpokeMode() && SelectedMapping == 0) return Refuse(panel, TEXT_MAPPING_RIM), 0;
  BeginMappingEdit("delete mapping");
  o.RemoveMapping(SelectedMapping);
  SelectedMapping = -1;
  RebuildMesh(panel);
  return 1;
}

int RenameMapping(MappingPanel& panel, const char* name) {
  if (!HasSelection()) return 0;
  if (SpokeMode() && SelectedMapping == 0) return Refuse(panel, TEXT_MAPPING_RIM_RENAME), 0;
  BeginMappingEdit("rename mapping");
  if (name) {
    std::snprintf(Selected().name, CUTOUT_NAME_SIZE, "%s", name);
    return 1;
  }
  OpenTextEntrySub(&panel.prss, NameEntered, "Enter new name for mapping", CUTOUT_NAME_SIZE, uint32_t(SelectedMapping),
                   Selected().name, 0, 0, nullptr);
  return 1;
}

int MoveMappingInList(MappingPanel& panel, int step, int down) {
  if (!HasSelection()) return 0;
  const int from = SelectedMapping;
  if (SpokeMode() && from == 0) return 0;
  const int lowest = SpokeMode() ? 1 : 0;
  const int to = down ? std::min(from + step, Edited().mappingCount - 1) : std::max(from - step, lowest);
  if (to == from) return 0;
  BeginMappingEdit(down ? "move mapping down" : "move mapping up");
  Edited().MoveMapping(from, to);
  SelectedMapping = to;
  ScrollTo(panel, to);
  RebuildMesh(panel);
  return 1;
}

void ArmCutoutSlot(MappingPanel& panel, int mapping, int slot) {
  if (!EditedObject || mapping < 0 || mapping >= Edited().mappingCount) return;
  if (mapping != SelectedMapping) SelectMapping(panel, 2, mapping);
  MappingPanelSelection = slot;
}

int AssignMappingCutout(MappingPanel& panel, int cutout) {
  const int slot = MappingPanelSelection;
  if (!HasSelection() || slot < 0 || slot > 1 || cutout < 0 || cutout >= Edited().cutoutCount) return 0;
  BeginMappingEdit("assign cutout");
  ModelMapping& m = Selected();
  if (slot == 0 && m.cutout[0] == m.cutout[1]) m.cutout[1] = uint16_t(cutout);
  m.cutout[slot] = uint16_t(cutout);
  RebuildMesh(panel);
  return 1;
}

int SetMappingSize(MappingPanel& panel, int which, double metres) {
  if (!HasSelection() || LockedMapsCheck(panel)) return 0;
  if (!(std::fabs(metres) <= 4000.0)) return Refuse(panel, TEXT_MAPPING_BOUNDS), 0;
  BeginMappingEdit(which ? "change mapping height" : "change mapping width");
  (which ? Selected().height : Selected().width) = RoundToFixed(metres);
  RefreshLinkedMappings(panel);
  return 1;
}

int SquareMapping(MappingPanel& panel, int which) {
  if (!HasSelection() || LockedMapsCheck(panel)) return 0;
  ModelMapping& m = Selected();
  if (m.cutout[0] >= Edited().cutoutCount) return 0;
  const uint8_t* region = Edited().cutouts[m.cutout[0]].region;
  const int across = region[REGION_WIDTH], up = region[REGION_HEIGHT];
  if ((which == 0 && up == 0) || (which == 1 && across == 0)) return 0;
  BeginMappingEdit(which ? "square mapping height" : "square mapping width");
  if (which == 0)
    m.width = int32_t(std::lround(double(across) * m.height / up));
  else
    m.height = int32_t(std::lround(double(up) * m.width / across));
  RefreshLinkedMappings(panel);
  return 1;
}

int SetMappingPosition(MappingPanel& panel, int axis, int kind, double value) {
  if (!HasSelection() || axis < 0 || axis > 2 || LockedMapsCheck(panel)) return 0;
  static const char* const NAMES[3] = {"adjust position", "paste position", "type position"};
  BeginMappingEdit(NAMES[std::clamp(kind, 0, 2)]);
  int32_t& v = Selected().offset[axis];
  if (kind == 0)
    v = int32_t(int64_t{v} + int64_t(value));
  else if (kind == 1)
    v = int32_t(value);
  else
    v = RoundToFixed(value);
  RefreshLinkedMappings(panel);
  return 1;
}

int SetMappingAngle(MappingPanel& panel, int angle, int kind, double value) {
  if (!HasSelection() || angle < 0 || angle > 2 || LockedMapsCheck(panel)) return 0;
  static const char* const NAMES[3] = {"adjust angle", "paste angle", "type angle"};
  BeginMappingEdit(NAMES[std::clamp(kind, 0, 2)]);
  ModelMapping& m = Selected();
  if (kind == 0) {
    const int q = int(value);
    if (angle == 0) m.RotateFirst(q);
    if (angle == 1) m.RotateSecond(q);
    if (angle == 2) m.RotateThird(q);
  } else {
    const int q = kind == 1 ? int(std::lround(value * 720.0 / 32768.0)) : int(std::lround(value * 4.0));
    const int limit = angle == 1 ? 360 : 720;
    const int clamped = std::clamp(q, -limit, limit);
    int h = DirectionHeading(m.direction), p = DirectionPitch(m.direction), r = DirectionRoll(m.direction);
    (angle == 0 ? h : angle == 1 ? p : r) = clamped;
    m.direction = PackDirection(h, p, r);
  }
  if (!IsAxisDirection(m.direction)) m.flags &= uint8_t(~MAPPING_CENTRAL);
  RefreshLinkedMappings(panel);
  return 1;
}

int SwitchMappingCentral(MappingPanel& panel) {
  if (!HasSelection() || LockedMapsCheck(panel)) return 0;
  if (!IsAxisDirection(Selected().direction)) return Refuse(panel, TEXT_MAPPING_CENTRAL_AXIS), 0;
  BeginMappingEdit("switch central");
  Selected().flags ^= MAPPING_CENTRAL;
  RefreshLinkedMappings(panel);
  return 1;
}

int CanAskMappingLink(MappingPanel& panel, int flag) {
  if (!HasSelection()) return 0;
  const ModelMapping& m = Selected();
  if ((m.direction & 0x1FFFFF) == DIRECTION_UNDER || !IsAxisDirection(m.direction & 0x1FFFFF)) return 0;
  if (DirectionRoll(m.direction) != 0 && !(m.flags & flag)) return Refuse(panel, TEXT_MAPPING_ROTATED_LINK), 0;
  return 1;
}

void MappingLinkWarning(const ModelObject& o, int index, int flag, char* out, int outSize) {
  if (outSize > 0) out[0] = 0;
  if (index < 0 || index >= o.mappingCount) return;
  const ModelMapping& m = o.mappings[index];
  if (m.flags & flag) return;  // switching a link off takes it from nobody
  // A front, back or side mapping shares its side of the top with the others of its kind; a
  // top mapping shares the link to a kind with the other tops.
  const bool top = IsTopMapping(m);
  const char* format = top                               ? "Top mapping %s also uses this link"
                       : m.direction == DIRECTION_FRONT ? "Front mapping %s is also linked to top"
                       : m.direction == DIRECTION_BACK  ? "Back mapping %s is also linked to top"
                       : IsSideMapping(m)               ? "Side mapping %s is also linked to top"
                                                        : nullptr;
  if (!format || (top ? flag == MAPPING_LINK_TOP : flag != MAPPING_LINK_TOP)) return;
  for (int i = 0; i < o.mappingCount; ++i) {
    const ModelMapping& other = o.mappings[i];
    const bool holds = top ? IsTopMapping(other) && (other.flags & flag)
                           : other.DirectionFlag() == m.DirectionFlag() && (other.flags & MAPPING_LINK_TOP);
    if (i == index || !holds) continue;
    std::snprintf(out, size_t(outSize), format, other.name[0] ? other.name : TEXT_UNNAMED_MAPPING);
    return;
  }
}

const char* MappingStatusText(const ModelMapping& m, int spokeMode) {
  if (!IsAxisDirection(m.direction & 0x1FFFFF)) return nullptr;
  if (spokeMode) return "[spoke mode]";
  if (m.flags & MAPPING_CENTRAL) return "[central]";
  if (IsMappingLinked(m)) return "[linked]";
  return nullptr;
}

int SetMappingLink(MappingPanel& panel, int flag) {
  if (!HasSelection()) return 0;
  BeginMappingEdit("set mapping link");
  ModelObject& o = Edited();
  ModelMapping& m = Selected();
  if (m.flags & flag) {
    m.flags &= uint8_t(~flag);
  } else {
    m.flags |= uint8_t(flag);
    if (IsFrontOrBackMapping(m) || IsSideMapping(m)) {
      const int top = FindLinkedTopMapping(o, m.DirectionFlag());
      if (top >= 0)
        PushTopMappingLinks(o, top);
      else if (m.direction == DIRECTION_FRONT)
        ShowMessageBox(&panel.prss, "OK - you still need to set a top mapping to link to front");
      else if (m.direction == DIRECTION_BACK)
        ShowMessageBox(&panel.prss, "OK - you still need to set a top mapping to link to back");
      else
        ShowMessageBox(&panel.prss, "OK - you still need to set a top mapping to link with side");
    } else if (IsTopMapping(m)) {
      int partner = -1;
      for (int i = 0; i < o.mappingCount; ++i)
        if (o.mappings[i].DirectionFlag() == flag && (o.mappings[i].flags & MAPPING_LINK_TOP)) partner = i;
      if (partner >= 0)
        PushMappingLinks(o, partner);
      else
        ShowMessageBox(&panel.prss, "OK - you still need to link another mapping with top");
    }
  }
  UpdateMappingDragBox(panel);
  RebuildMesh(panel);
  return 1;
}

void SetViewFromMapping(MappingPanel& panel, int index) {
  if (!EditedObject || index < 0 || index >= Edited().mappingCount) return;
  if (index != SelectedMapping) SelectMapping(panel, 2, index);
  SetCurrentViewCode(int32_t(Edited().mappings[index].direction));
  UpdateMappingDragBox(panel);
}

void CopyDragBox(MappingPanel&) {
  const DragBox& box = EditViews.dragBox;
  if (box.state != DRAG_BOX_DONE) return;
  MappingTool.copiedBoxCode = box.code;
  std::memcpy(MappingTool.copiedBox, box.worldCorners, sizeof MappingTool.copiedBox);
}

int PasteDragBox(MappingPanel&) {
  if (MappingTool.copiedBoxCode == -2 || !EditView::IsCurrent(MappingTool.copiedBoxCode)) return 0;
  DragBox& box = EditViews.dragBox;
  box.code = CurrentViewCode();
  std::memcpy(box.worldCorners, MappingTool.copiedBox, sizeof box.worldCorners);
  float axes[3][3];
  BuildOrthoViewMatrix(box.code, axes);
  for (int c = 0; c < 2; ++c)
    for (int r = 0; r < 3; ++r)
      box.viewCorners[c][r] =
          int32_t(std::lround(double(box.worldCorners[c][0]) * axes[r][0] + double(box.worldCorners[c][1]) * axes[r][1] +
                              double(box.worldCorners[c][2]) * axes[r][2]));
  box.state = DRAG_BOX_DONE;
  return 1;
}

namespace {
// A picked point (bit 15: the mirrored copy) in the editor's space.
void PickedPointPosition(const MappingPanel& panel, uint16_t reference, int32_t out[3]) {
  const ModelPoint& p = Edited().points[reference & 0x7FFF];
  int32_t offset[3];
  EditedObjectOffset(*panel.modeller, offset);
  out[0] = ((reference & MAPPING_POINT_MIRRORED) ? -p.x : p.x) + offset[0];
  out[1] = p.y + offset[1];
  out[2] = p.z + offset[2];
}
}  // namespace

void PickMappingPoint(MappingPanel& panel, uint16_t reference) {
  for (int i = 0; i < panel.pointCount; ++i)
    if (panel.points[i] == reference) {
      std::copy(panel.points + i + 1, panel.points + panel.pointCount, panel.points + i);
      --panel.pointCount;
      return;
    }
  if (panel.pointCount >= MAPPING_PANEL_POINTS) return;
  panel.points[panel.pointCount++] = reference;
}

int DragBoxFromPoints(MappingPanel& panel) {
  if (panel.pointCount != 2 || CurrentViewCode() == VIEW_CODE_PERSPECTIVE) return 0;
  DragBox& box = EditViews.dragBox;
  for (int c = 0; c < 2; ++c) PickedPointPosition(panel, panel.points[c], box.worldCorners[c]);
  box.code = CurrentViewCode();
  float axes[3][3];
  BuildOrthoViewMatrix(box.code, axes);
  for (int c = 0; c < 2; ++c)
    for (int r = 0; r < 3; ++r)
      box.viewCorners[c][r] =
          int32_t(std::lround(double(box.worldCorners[c][0]) * axes[r][0] + double(box.worldCorners[c][1]) * axes[r][1] +
                              double(box.worldCorners[c][2]) * axes[r][2]));
  const bool same = std::memcmp(box.worldCorners[0], box.worldCorners[1], sizeof box.worldCorners[0]) == 0;
  box.state = same ? DRAG_BOX_POINT : DRAG_BOX_DONE;
  return 1;
}

namespace {
// The plane's three points: the first two picked and the third, or with two points the second
// a metre up, so that the plane is upright and the view a horizon one whatever the camera's tilt.
int PickedPlanePoints(const MappingPanel& panel, int32_t a[3], int32_t b[3], int32_t t[3]) {
  if (panel.pointCount < 2) return 0;
  PickedPointPosition(panel, panel.points[0], a);
  PickedPointPosition(panel, panel.points[1], b);
  if (panel.pointCount >= 3) {
    PickedPointPosition(panel, panel.points[2], t);
  } else {
    t[0] = b[0], t[1] = b[1], t[2] = b[2] + 65536;
  }
  return 1;
}
}  // namespace

int PickedPointsNormal(const MappingPanel& panel, int32_t from[3], int32_t tip[3]) {
  int32_t a[3], b[3], t[3];
  double n[3];
  if (!EditedObject || !PickedPlanePoints(panel, a, b, t) || !PlaneNormalFromPoints(a, b, t, n)) return 0;
  for (int c = 0; c < 3; ++c) {
    from[c] = a[c];
    tip[c] = int32_t(std::clamp<int64_t>(int64_t{a[c]} + std::llround(n[c] * 65536.0), INT32_MIN, INT32_MAX));
  }
  return 1;
}

int ViewFromPoints(MappingPanel& panel) {
  int32_t a[3], b[3], t[3];
  if (!PickedPlanePoints(panel, a, b, t)) return 0;
  uint32_t code = 0;
  float pitch = 0, heading = 0;
  if (!DirectionFromPoints(a, b, t, &code, &pitch, &heading)) return Refuse(panel, TEXT_MAPPING_NO_DIRECTION), 0;
  if (code != DIRECTION_TOP && code != DIRECTION_UNDER) ShowMessageBoxF(&panel.prss, "pitch %.2f heading %.2f", pitch, heading);
  SetCurrentViewCode(int32_t(code));
  return 1;
}

// ---- [Handle drags] ----

namespace {
struct PlaneAxes {
  double right[3], view[3], up[3];
};
PlaneAxes AxesOf(const ModelMapping& m) {
  FixedMatrix matrix;
  m.DirectionMatrix(matrix);
  PlaneAxes a;
  for (int r = 0; r < 3; ++r) {
    a.right[r] = matrix.m[3 * r] / 65536.0;
    a.view[r] = matrix.m[3 * r + 1] / 65536.0;
    a.up[r] = matrix.m[3 * r + 2] / 65536.0;
  }
  return a;
}
double Dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The mouse at (x, y) as a point of the mapping's plane (object space, 16.16); 0 when the
// perspective ray runs along the plane or the camera lies in it.
int MouseOnMappingPlane(const MappingPanel& panel, const ModelMapping& m, int x, int y, int32_t out[3]) {
  int32_t offset[3];
  EditedObjectOffset(*panel.modeller, offset);
  if (EditViews.width != 0) {
    float forward[3];
    int32_t point[3];
    if (!PickPointOnViewPlaneAt(x, y, forward, point)) return 0;
    for (int i = 0; i < 3; ++i) out[i] = point[i] - offset[i];
    return 1;
  }
  float direction[3];
  if (!CurrentView || !PickFromMouseAt(x, y, direction)) return 0;
  const PlaneAxes a = AxesOf(m);
  int32_t centre[3];
  GetMappingHandlePoint(m, MAPPING_HANDLE_CENTRE, centre);
  double eye[3], toPlane[3];
  for (int i = 0; i < 3; ++i) {
    eye[i] = (double(CurrentView->position[i]) - offset[i]) / 65536.0;
    toPlane[i] = centre[i] / 65536.0 - eye[i];
  }
  const double distance = Dot(toPlane, a.view);  // camera to the plane along the normal, metres
  if (std::fabs(distance) < 0.001) return 0;
  const double d[3] = {direction[0], direction[1], direction[2]};
  const double along = Dot(d, a.view);
  if (std::fabs(along) < std::max(1.0 / 1024, std::fabs(distance) / 4096) || along * distance <= 0) return 0;
  const double k = distance / along;
  for (int i = 0; i < 3; ++i) out[i] = int32_t(std::lround((eye[i] + d[i] * k) * 65536.0));
  return 1;
}

float ScreenAngleDegrees(const int32_t centre[3], int x, int y) {
  float cx = 0, cy = 0;
  int32_t depth = 0;
  ProjectPointToScreen(centre, &cx, &cy, &depth);
  return float(std::atan2(double(y) - cy, double(x) - cx) * 180.0 / 3.14159265358979323846);
}
}  // namespace

void DragMappingHandleTo(ModelMapping& m, const ModelMapping& start, int handle, const int32_t p[3]) {
  const PlaneAxes a = AxesOf(start);
  int32_t s[3];
  GetMappingHandlePoint(start, handle, s);
  double d[3];
  for (int i = 0; i < 3; ++i) d[i] = (double(p[i]) - s[i]) / 65536.0;
  double across = Dot(d, a.right), upward = Dot(d, a.up);
  if (handle == MAPPING_HANDLE_CENTRE) {
    for (int i = 0; i < 3; ++i)
      m.offset[i] = int32_t(std::lround(start.offset[i] + (across * a.right[i] + upward * a.up[i]) * 65536.0));
    m.ClearAxisOffset();
    return;
  }
  if (handle < 0 || handle > 7) return;
  if (handle == 4 || handle == 5) across = 0;
  if (handle == 6 || handle == 7) upward = 0;
  int32_t o[3];
  GetMappingHandlePoint(start, OPPOSITE_MAPPING_HANDLE[handle], o);
  const bool central = (start.flags & MAPPING_CENTRAL) != 0;
  double moved[3], opposite[3], centre[3];
  for (int i = 0; i < 3; ++i) {
    moved[i] = s[i] / 65536.0 + across * a.right[i] + upward * a.up[i];
    opposite[i] = o[i] / 65536.0 - (central ? across * a.right[i] : 0);
    centre[i] = (moved[i] + opposite[i]) / 2;
  }
  double half[3];
  for (int i = 0; i < 3; ++i) half[i] = moved[i] - centre[i];
  static const int SIGN_ACROSS[8] = {-1, 1, 1, -1, 0, 0, 1, -1};
  static const int SIGN_UP[8] = {-1, 1, -1, 1, -1, 1, 0, 0};
  for (int i = 0; i < 3; ++i) m.offset[i] = int32_t(std::lround(centre[i] * 65536.0));
  if (SIGN_ACROSS[handle]) m.width = int32_t(std::lround(SIGN_ACROSS[handle] * 2 * Dot(half, a.right) * 65536.0));
  if (SIGN_UP[handle]) m.height = int32_t(std::lround(SIGN_UP[handle] * 2 * Dot(half, a.up) * 65536.0));
  m.ClearAxisOffset();
}

int StartMappingHandleDrag(MappingPanel& panel, int handle, int x, int y) {
  if (!HasSelection() || handle < 0 || handle >= MAPPING_HANDLE_COUNT) return 0;
  if (LockedMapsCheck(panel)) return 0;
  const ModelMapping& m = Selected();
  if (!MouseOnMappingPlane(panel, m, x, y, panel.dragPoint)) return 0;
  panel.dragHandle = handle;
  panel.dragStart = m;
  panel.dragMouse[0] = x, panel.dragMouse[1] = y;
  int32_t centre[3], tip[3], offset[3];
  EditedObjectOffset(*panel.modeller, offset);
  GetMappingHandlePoint(m, MAPPING_HANDLE_CENTRE, centre);
  GetMappingHandlePoint(m, MAPPING_HANDLE_DIRECTION, tip);
  for (int i = 0; i < 3; ++i) centre[i] += offset[i], tip[i] += offset[i];
  float cx = 0, cy = 0, tx = 0, ty = 0;
  int32_t depth = 0;
  ProjectPointToScreen(centre, &cx, &cy, &depth);
  ProjectPointToScreen(tip, &tx, &ty, &depth);
  panel.dragScreenAxis[0] = tx - cx, panel.dragScreenAxis[1] = ty - cy;
  panel.dragStartAngle = ScreenAngleDegrees(centre, x, y);
  MappingPanelSelection = -1;
  MappingPanelRedraw = 1;
  panel.dragRecorded = RecordDragUndoPoint("drag mapping point");
  return 1;
}

void MoveMappingHandleDrag(MappingPanel& panel, int x, int y) {
  if (panel.dragHandle < 0 || !HasSelection()) return;
  ModelMapping& m = Selected();
  const ModelMapping& start = panel.dragStart;
  const int handle = panel.dragHandle;
  if (handle == MAPPING_HANDLE_ROLL) {
    int32_t centre[3], offset[3];
    EditedObjectOffset(*panel.modeller, offset);
    GetMappingHandlePoint(start, MAPPING_HANDLE_CENTRE, centre);
    for (int i = 0; i < 3; ++i) centre[i] += offset[i];
    double turn = ScreenAngleDegrees(centre, x, y) - panel.dragStartAngle;
    while (turn > 180) turn -= 360;
    while (turn < -180) turn += 360;
    int roll = DirectionRoll(start.direction) - int(std::lround(turn * 4));
    if (roll > 720) roll -= 1440;
    if (roll < -720) roll += 1440;
    m.direction = PackDirection(DirectionHeading(start.direction), DirectionPitch(start.direction),
                                std::clamp(roll, -720, 720));
  } else if (handle == MAPPING_HANDLE_DIRECTION) {
    const double ax = panel.dragScreenAxis[0], ay = panel.dragScreenAxis[1];
    const double length = std::sqrt(ax * ax + ay * ay);
    if (length <= 1) return;
    const double along = ((x - panel.dragMouse[0]) * ax + (y - panel.dragMouse[1]) * ay) / length / length;
    int32_t centre[3], tip[3];
    GetMappingHandlePoint(start, MAPPING_HANDLE_CENTRE, centre);
    GetMappingHandlePoint(start, MAPPING_HANDLE_DIRECTION, tip);
    for (int i = 0; i < 3; ++i) m.offset[i] = int32_t(std::lround(start.offset[i] + along * (double(tip[i]) - centre[i])));
  } else {
    int32_t p[3];
    if (!MouseOnMappingPlane(panel, start, x, y, p)) return;
    int32_t grabbed[3];
    GetMappingHandlePoint(start, handle, grabbed);
    for (int i = 0; i < 3; ++i) p[i] = grabbed[i] + (p[i] - panel.dragPoint[i]);
    DragMappingHandleTo(m, start, handle, p);
  }
  MappingPanelRedraw = 1;
  RebuildMesh(panel);
}

void EndMappingHandleDrag(MappingPanel& panel) {
  if (panel.dragHandle < 0) return;
  panel.dragHandle = -1;
  RefreshLinkedMappings(panel);
}

void CancelMappingHandleDrag(MappingPanel& panel) {
  if (panel.dragHandle < 0) return;
  if (HasSelection()) Selected() = panel.dragStart;
  DropDragUndoPoint(panel.dragRecorded);
  panel.dragHandle = -1;
  panel.dragRecorded = 0;
  RebuildMesh(panel);
}
