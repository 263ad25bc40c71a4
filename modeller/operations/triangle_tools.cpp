// triangle_tools.cpp - the triangle mode's command by button word, the subdivision, the
// duplication and deletion the other operations share, hiding, the smoothing groups and the
// mappings ("colours").
#include "modeller/operations/triangle_tools.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/report.h"
#include "model/model_materials.h"
#include "model/model_object.h"
#include "modeller/operations/build_mode.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_undo.h"
#include "modeller/editor/object_editor.h"
#include "modeller/operations/point_tools.h"
#include "text/messages.h"
#include "ui/dialogs.h"
#include "ui/value_edit.h"

namespace {

constexpr int INDEX_TEXT_LENGTH = 8;
constexpr int MAPPING_NAME_LENGTH = 16;

bool Selected(const ModelTriangle& t) { return (t.flags & TRIANGLE_SELECTED) != 0; }
bool Reflected(uint16_t corner) { return (corner & CORNER_MIRRORED) != 0; }
bool HasReflectedCorner(const ModelTriangle& t) {
  return Reflected(t.corners[0]) || Reflected(t.corners[1]) || Reflected(t.corners[2]);
}
const char* Plural(int n) { return n == 1 ? "" : "s"; }
int Level(const ModellerScreen& s) { return s.mainObject ? s.mainObject->currentLod : 0; }

void Record(const char* name) {
  if (AddUndoPoint) AddUndoPoint(name, 0, 0, 0);
}
void Refresh(ModellerScreen& s) {
  RefreshEditedMesh(&s.prss);
}

// The same edit of every selected triangle under one undo point; nothing with none selected.
template <class Edit>
void EditSelected(ModellerScreen& s, const char* name, Edit edit) {
  if (s.state.selectedTriangleCount == 0) return;
  Record(name);
  ModelObject& o = *EditedObject;
  for (int t = 0; t < o.triangleCount; ++t)
    if (Selected(o.triangles[t])) edit(o.triangles[t]);
  Refresh(s);
}

// The points the selected triangles use, each once (what their duplication copies).
int64_t CountSelectedTrianglePoints(const ModelObject& o) {
  std::vector<uint8_t> used(size_t(o.pointCount));
  int64_t count = 0;
  for (int t = 0; t < o.triangleCount; ++t)
    if (Selected(o.triangles[t]))
      for (uint16_t c : o.triangles[t].corners) {
        const size_t p = c & CORNER_INDEX_MASK;
        if (p < used.size() && !used[p]) used[p] = 1, ++count;
      }
  return count;
}

int CheckTriangleRoom(ModellerScreen& s, int64_t add) {
  if (int64_t(EditedObject->triangleCount) + add <= s.triangleLimit) return 1;
  RefuseOperation(s, s.triangleLimitText);
  return 0;
}

// A triangle of the level whose corners are the reflections of t's in reverse order (in any
// rotation) exists.
bool HasMirroredCopy(const ModelObject& o, const ModelTriangle& t, int level) {
  const uint16_t want[3] = {uint16_t(t.corners[2] ^ CORNER_MIRRORED), uint16_t(t.corners[1] ^ CORNER_MIRRORED),
                            uint16_t(t.corners[0] ^ CORNER_MIRRORED)};
  for (int i = 0; i < o.triangleCount; ++i) {
    const ModelTriangle& u = o.triangles[i];
    if (u.lod != level) continue;
    for (int r = 0; r < 3; ++r)
      if (u.corners[r] == want[0] && u.corners[(r + 1) % 3] == want[1] && u.corners[(r + 2) % 3] == want[2]) return true;
  }
  return false;
}

void BuildUnmirroredAnswered(Prss* owner, uint32_t, uint32_t) {
  TriangleToolsCommand(owner, 0, TRIANGLE_TOOL_BUILD_UNMIRRORED);
}

void CheckUnmirrored(ModellerScreen& s) {
  const ModelObject& o = *EditedObject;
  if (!CheckTriangleRoom(s, s.state.selectedTriangleCount)) return;
  int reflected = 0, copied = 0;
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (!Selected(tri)) continue;
    if (HasReflectedCorner(tri))
      ++reflected;
    else if (HasMirroredCopy(o, tri, Level(s)))
      ++copied;
  }
  if (reflected == 0 && copied == 0) {
    AskQuestion(&s.prss, BuildUnmirroredAnswered, TEXT_BUILD_UNMIRRORED, "", 0, 0, 0);
    return;
  }
  if (reflected == 0)
    ShowMessageBoxF(&s.prss, "%d triangle%s already %s a mirrored copy", copied, Plural(copied),
                    copied == 1 ? "has" : "have");
  else if (copied == 0)
    ShowMessageBoxF(&s.prss, "%d triangle%s %s already based on reflected points", reflected, Plural(reflected),
                    reflected == 1 ? "is" : "are");
  else
    ShowMessageBoxF(&s.prss, "%d %s already based on reflected points and %d already %s a mirrored copy", reflected,
                    reflected == 1 ? "is" : "are", copied, copied == 1 ? "has" : "have");
}

void BuildUnmirrored(ModellerScreen& s) {
  if (s.state.selectedTriangleCount == 0 || !CheckTriangleRoom(s, s.state.selectedTriangleCount)) return;
  Record("build unmirrored");
  ModelObject& o = *EditedObject;
  for (int t = 0; t < o.triangleCount; ++t)
    if (Selected(o.triangles[t])) o.triangles[t].flags &= uint8_t(~TRIANGLE_MIRRORED);
  DuplicateTriangles(s, o, DUPLICATE_MIRRORED, 0);
  CountSelectedTriangles(s, 0);
  FindCurrentTriangle(s);
  Refresh(s);
}

void MirrorCurrent(ModellerScreen& s) {
  ModelObject& o = *EditedObject;
  const int t = s.state.currentTriangle;
  if (t < 0 || t >= o.triangleCount) {
    ShowMessage(TEXT_TRIANGLE_SELECTION_ERROR, TextColours.error);
    return;
  }
  if (HasReflectedCorner(o.triangles[t])) {
    ShowMessageBox(&s.prss, TEXT_MIRROR_REFLECTED);
    return;
  }
  if (o.triangles[t].flags & TRIANGLE_SIDE_SWAP) {
    ShowMessageBox(&s.prss, TEXT_MIRROR_SWAP);
    return;
  }
  Record("mirror tri");
  MirrorTriangle(o, t);
  Refresh(s);
}

void MirrorSelected(ModellerScreen& s) {
  if (s.state.selectedTriangleCount == 0) return;
  ModelObject& o = *EditedObject;
  Record("mirror triangles");
  int skipped = 0;
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (!Selected(tri) || HasReflectedCorner(tri)) continue;
    if (tri.flags & TRIANGLE_SIDE_SWAP)
      ++skipped;
    else
      MirrorTriangle(o, t);
  }
  // Three or more skipped triangles are reported as two are.
  if (skipped == 1) ShowMessageBox(&s.prss, TEXT_ONE_SWAP_SKIPPED);
  if (skipped >= 2) ShowMessageBox(&s.prss, TEXT_SOME_SWAP_SKIPPED);
  Refresh(s);
}

void IndexAnswer(Prss* owner, const char* text, uint32_t) {
  if (ModellerScreen* s = OperationScreen(owner)) SelectTriangleByIndex(*s, text);
}

void Duplicate(ModellerScreen& s) {
  const int selected = s.state.selectedTriangleCount;
  if (selected == 0 || !CheckTriangleRoom(s, selected)) return;
  if (int64_t(EditedObject->pointCount) + CountSelectedTrianglePoints(*EditedObject) > s.pointLimit) {
    RefuseOperation(s, s.pointLimitText);
    return;
  }
  Record(selected == 1 ? "duplicate triangle" : "duplicate triangles");
  SetModellerMode(s, 0, ModePoint);
  DuplicateTriangles(s, *EditedObject, DUPLICATE_IN_PLACE, 0);
  FindCurrentTriangle(s);
  ShowMessage(TEXT_DUPLICATED_TRIANGLES, TextColours.grey);
  ReportSound(SOUND_DONE);
  Refresh(s);
}

void BreakOffAnswered(Prss* owner, uint32_t, uint32_t) { TriangleToolsCommand(owner, 0, TRIANGLE_TOOL_BREAK_OFF); }

ModelObject* BreakOffTarget(ModellerScreen& s) {
  ModelObject* main = s.mainObject;
  if (!main || main->childCount == 0 || !main->children) return nullptr;
  return &main->children[main->childCount - 1];
}

void CheckBreakOff(ModellerScreen& s) {
  ModelObject* target = BreakOffTarget(s);
  if (!target) {
    ShowMessageBox(&s.prss, TEXT_NO_BREAK_OFF_SUBOBJECT);
    return;
  }
  if (target->pointCount || target->triangleCount || target == EditedObject) {
    ShowMessageBox(&s.prss, TEXT_NEED_EMPTY_SUBOBJECT);
    return;
  }
  if (s.state.selectedTriangleCount == 0) return;
  AskQuestion(&s.prss, BreakOffAnswered, TEXT_BREAK_OFF, TEXT_BREAK_OFF_NOTE, 0, 0, 0);
}

// Into the last subobject (empty): its tables copied from the edited object, the selected
// triangles and their points moved into it, placed so that nothing moves in the world.
void BreakOffTriangles(ModellerScreen& s) {
  ModelObject* target = BreakOffTarget(s);
  ModelObject& o = *EditedObject;
  if (!target || target == &o || target->pointCount || target->triangleCount || s.state.selectedTriangleCount == 0) return;
  if (CountSelectedTrianglePoints(o) > s.pointLimit) {
    RefuseOperation(s, s.pointLimitText);
    return;
  }
  Record("break off");
  const bool fromSubobject = &o != s.mainObject;
  if (fromSubobject) std::memcpy(target->angles, o.angles, sizeof o.angles);
  target->CopyPages(o);
  target->CopyCutouts(o);
  target->CopyMappings(o);
  target->groupCount = o.groupCount;
  for (int t = 0; t < o.triangleCount; ++t)
    if (Selected(o.triangles[t])) o.triangles[t].flags &= uint8_t(~TRIANGLE_MIRRORED);
  DuplicateTriangles(s, *target, DUPLICATE_IN_PLACE, 0);
  DeleteSelectedTriangles(s);
  o.RemoveLoosePoints();
  // A point p of the edited object stands at R p + O in the main object; in the subobject it
  // must stand at R p' + O' (the subobject has R): p' = p + R^T (O - O').
  IntVector shift{int32_t(int64_t(o.offset[0]) * fromSubobject - target->offset[0]),
                  int32_t(int64_t(o.offset[1]) * fromSubobject - target->offset[1]),
                  int32_t(int64_t(o.offset[2]) * fromSubobject - target->offset[2])};
  if (fromSubobject) {
    FixedMatrix rotation;
    MatrixFromAngles(rotation, uint16_t(o.angles[2]), uint16_t(o.angles[0]), uint16_t(o.angles[1]));
    const IntVector world = shift;
    MatrixTransformTransposed(rotation, world, shift);
  }
  for (int p = 0; p < target->pointCount; ++p) target->points[p].flags &= uint8_t(~POINT_SELECTED);
  for (int t = 0; t < target->triangleCount; ++t) target->triangles[t].flags &= uint8_t(~TRIANGLE_SELECTED);
  target->Translate(shift);
  DeselectAll(s);
  SetEditedObject(s, target, 0);
  SetModellerMode(s, 0, ModeSubobject);
  Refresh(s);
}

void AddToLodAnswered(Prss* owner, uint32_t level, uint32_t) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject) return;
  CountSelectedTriangles(*s, 0);
  const int selected = s->state.selectedTriangleCount;
  if (selected == 0 || !CheckTriangleRoom(*s, selected)) return;
  Record("add triangles to lod");
  DuplicateTriangles(*s, *EditedObject, DUPLICATE_INTO_LEVEL, int(level));
  SetCurrentLod(*s, 0, int(level));
  DeselectAllTriangles(*s);
  Refresh(*s);
}

void SubdivideAnswered(Prss* owner, uint32_t, uint32_t) { SubdivideTriangles(owner, 0, 1); }

// The midpoint of two coordinates, the sum taken in 64 bits.
int32_t Middle(int32_t a, int32_t b) { return int32_t((int64_t(a) + b) >> 1); }

void RunSubdivision(ModellerScreen& s) {
  ModelObject& o = *EditedObject;
  const int selected = s.state.selectedTriangleCount;
  Record("subdivide triangles");
  const int firstPoint = o.pointCount, firstTriangle = o.triangleCount;
  o.ResizePoints(3 * selected);
  o.ResizeTriangles(3 * selected);
  int points = firstPoint, triangles = firstTriangle;
  for (int t = 0; t < firstTriangle; ++t) {
    ModelTriangle& tri = o.triangles[t];
    if (!Selected(tri)) continue;
    uint16_t middle[3];
    for (int k = 0; k < 3; ++k) {
      const ModelPoint& a = o.points[tri.corners[k] & CORNER_INDEX_MASK];
      const ModelPoint& b = o.points[tri.corners[(k + 1) % 3] & CORNER_INDEX_MASK];
      ModelPoint m = a;
      m.x = Middle(a.x, b.x), m.y = Middle(a.y, b.y), m.z = Middle(a.z, b.z);
      m.flags &= uint8_t(~(POINT_SELECTED | POINT_REFERENCE));
      if (tri.flags & TRIANGLE_MIRRORED) {
        m.flags &= uint8_t(~POINT_MIRROR_STATE);
        m.ClassifyMirror();
      }
      middle[k] = uint16_t(points);
      o.points[points++] = m;
    }
    for (int k = 0; k < 3; ++k) {
      ModelTriangle corner = tri;
      corner.flags &= uint8_t(~TRIANGLE_SELECTED);
      corner.corners[0] = tri.corners[k];
      corner.corners[1] = middle[k];
      corner.corners[2] = middle[(k + 2) % 3];
      o.triangles[triangles++] = corner;
    }
    tri.corners[0] = middle[0], tri.corners[1] = middle[1], tri.corners[2] = middle[2];
  }
  o.pointCount = uint16_t(points);
  o.triangleCount = uint16_t(triangles);
  o.MergeDuplicatePoints();
  DeselectAllTriangles(s);
  DeselectAllPoints(s);
  Refresh(s);
}

}  // namespace

// ---- [Tools] ----

void TriangleToolsCommand(void* owner, int, uintptr_t word) {
  ModellerScreen* screen = OperationScreen(owner);
  if (!screen || !EditedObject) return;
  ModellerScreen& s = *screen;
  CountSelectedTriangles(s, 1);
  const int selected = s.state.selectedTriangleCount;
  switch (int(word)) {
    case TRIANGLE_TOOL_DELETE:
      if (selected == 0) return;
      Record(selected == 1 ? "delete triangle" : "delete triangles");
      DeleteSelectedTriangles(s);
      Refresh(s);
      break;
    case TRIANGLE_TOOL_DUPLICATE: Duplicate(s); break;
    case TRIANGLE_TOOL_BUTTONS_OPTION:
      s.triangleButtons ^= 1;
      ShowEditorInfo(s.triangleButtons ? "Select triangles using buttons at the triangle centre"
                                       : "Select triangles by pointing at the triangle area");
      break;
    case TRIANGLE_TOOL_CHECK_UNMIRRORED: CheckUnmirrored(s); break;
    case TRIANGLE_TOOL_BUILD_UNMIRRORED: BuildUnmirrored(s); break;
    case TRIANGLE_TOOL_MIRROR_CURRENT: MirrorCurrent(s); break;
    case TRIANGLE_TOOL_MIRROR_SELECTED: MirrorSelected(s); break;
    case TRIANGLE_TOOL_UNMIRROR:
      EditSelected(s, selected == 1 ? "unmirror tri" : "unmirror tris",
                   [](ModelTriangle& t) { t.flags &= uint8_t(~TRIANGLE_MIRRORED); });
      break;
    case TRIANGLE_TOOL_FACING_OPTION: s.facingOnly ^= 1; break;
    case TRIANGLE_TOOL_SELECT_BY_INDEX: {
      char prompt[DIALOG_TEXT_SIZE];
      std::snprintf(prompt, sizeof prompt, "Enter the index of the triangle to select (0 to %d)",
                    EditedObject->triangleCount - 1);
      AskText(&s.prss, IndexAnswer, prompt, INDEX_TEXT_LENGTH, 0, nullptr, 0, ENTRY_TYPE_SINGLE_BYTE, nullptr);
      break;
    }
    case TRIANGLE_TOOL_FLIP: EditSelected(s, "flip tris", [](ModelTriangle& t) { std::swap(t.corners[1], t.corners[2]); }); break;
    case TRIANGLE_TOOL_CHECK_BREAK_OFF: CheckBreakOff(s); break;
    case TRIANGLE_TOOL_BREAK_OFF: BreakOffTriangles(s); break;
    case TRIANGLE_TOOL_DOUBLE_SIDED:
      EditSelected(s, "set double sided", [](ModelTriangle& t) { t.flags |= TRIANGLE_DOUBLE_SIDED; });
      break;
    case TRIANGLE_TOOL_SINGLE_SIDED:
      EditSelected(s, "set single sided", [](ModelTriangle& t) { t.flags &= uint8_t(~TRIANGLE_DOUBLE_SIDED); });
      break;
    case TRIANGLE_TOOL_SELECT_POINTS:
      if (selected == 0) return;
      SetModellerMode(s, 0, ModePoint);  // clears the points, keeps the triangles
      SelectTrianglePoints(s);
      DeselectAllTriangles(s);
      break;
    default: break;
  }
}

void SubdivideTriangles(void* owner, int, uintptr_t word) {
  ModellerScreen* screen = OperationScreen(owner);
  if (!screen || !EditedObject) return;
  ModellerScreen& s = *screen;
  CountSelectedTriangles(s, 1);
  const int selected = s.state.selectedTriangleCount;
  if (selected == 0 || !CheckAddLimits(s, 3 * int64_t(selected), 3 * int64_t(selected))) return;
  const ModelObject& o = *EditedObject;
  int reflected = 0;
  for (int t = 0; t < o.triangleCount; ++t) reflected += Selected(o.triangles[t]) && HasReflectedCorner(o.triangles[t]);
  if (reflected) {
    char text[DIALOG_TEXT_SIZE];
    std::snprintf(text, sizeof text, "%d triangle%s refer to mirrored points", reflected, Plural(reflected));
    RefuseOperation(s, text);
    return;
  }
  if (word == 0)
    AskQuestion(&s.prss, SubdivideAnswered, TEXT_SUBDIVIDE, TEXT_SUBDIVIDE_NOTE, 0, 0, 0);
  else
    RunSubdivision(s);
}

void AddTrianglesToLod(ModellerScreen& s, int level) {
  if (!EditedObject || level < 0 || level >= EditedObject->lodCount) return;
  if (level == Level(s)) {
    ShowMessageBox(&s.prss, TEXT_CURRENT_LOD);
    return;
  }
  AskQuestion(&s.prss, AddToLodAnswered, TEXT_ADD_TO_LOD, "", uint32_t(level), 0, 0);
}

// ---- [Shared edits] ----

void DeleteSelectedTriangles(ModellerScreen& s) {
  ModelObject& o = *EditedObject;
  int kept = 0;
  for (int t = 0; t < o.triangleCount; ++t)
    if (!Selected(o.triangles[t])) o.triangles[kept++] = o.triangles[t];
  o.triangleCount = uint16_t(kept);
  s.state.selectedTriangleCount = 0;
  s.state.currentTriangle = kept;
}

int DuplicateTriangles(ModellerScreen& s, ModelObject& destination, int mode, int level) {
  ModelObject& o = *EditedObject;
  SelectTrianglePoints(s);
  std::vector<int32_t> copyOf(size_t(o.pointCount), -1);
  if (mode == DUPLICATE_IN_PLACE) {
    if (int64_t(destination.pointCount) + s.state.selectedPointCount > s.pointLimit) {
      RefuseOperation(s, s.pointLimitText);
      return 0;
    }
    int next = destination.pointCount;
    for (int p = 0; p < o.pointCount; ++p)
      if (o.points[p].flags & POINT_SELECTED) copyOf[size_t(p)] = next++;
    if (&destination == &o) {
      DuplicatePoints(s);  // the copies selected, traced and made green in turn
    } else {
      destination.ResizePoints(next - destination.pointCount);
      for (int p = 0; p < o.pointCount; ++p)
        if (copyOf[size_t(p)] >= 0) destination.points[copyOf[size_t(p)]] = o.points[p];
      destination.pointCount = uint16_t(next);
    }
  }
  int count = 0;
  for (int t = 0; t < o.triangleCount; ++t) count += Selected(o.triangles[t]);
  const int sourceCount = o.triangleCount;  // destination may be o: only the old ones are read
  destination.ResizeTriangles(count);
  ModelTriangle* sources = o.triangles;  // o.triangles was replaced when destination is o
  int next = destination.triangleCount;
  for (int t = 0; t < sourceCount; ++t) {
    ModelTriangle& source = sources[t];
    if (!Selected(source)) continue;
    ModelTriangle made{};
    made.flags = source.flags;
    made.layer = source.layer;
    made.mapping = source.mapping;
    made.normalLevel = source.normalLevel;
    made.group = source.group;
    made.lod = source.lod;
    for (int k = 0; k < 3; ++k) made.corners[k] = source.corners[k];
    if (mode == DUPLICATE_IN_PLACE) {
      for (uint16_t& c : made.corners)
        c = uint16_t((c & CORNER_MIRRORED) | copyOf[size_t(c & CORNER_INDEX_MASK)]);
      if (&destination == &o) source.flags &= uint8_t(~TRIANGLE_SELECTED);
    } else if (mode == DUPLICATE_INTO_LEVEL) {
      made.lod = uint8_t(level);
    } else {
      for (int k = 0; k < 3; ++k) made.corners[k] = uint16_t(source.corners[2 - k] ^ CORNER_MIRRORED);
      for (uint16_t c : source.corners)
        if (!Reflected(c)) {
          ModelPoint& p = o.points[c & CORNER_INDEX_MASK];
          p.flags &= uint8_t(~POINT_MIRROR_STATE);
          p.ClassifyMirror();
        }
      source.flags &= uint8_t(~TRIANGLE_SELECTED);
    }
    destination.triangles[next++] = made;
  }
  destination.triangleCount = uint16_t(next);
  if (&destination == &o) CountSelectedTriangles(s, 0);
  return 1;
}

void MirrorTriangle(ModelObject& o, int t) {
  ModelTriangle& tri = o.triangles[t];
  tri.flags |= TRIANGLE_MIRRORED;
  for (uint16_t c : tri.corners) {
    if (Reflected(c) || (c & CORNER_INDEX_MASK) >= o.pointCount) continue;
    ModelPoint& p = o.points[c & CORNER_INDEX_MASK];
    p.flags &= uint8_t(~POINT_MIRROR_STATE);
    p.ClassifyMirror();
  }
}

// ---- [Hiding] ----

void HideTriangles(void* owner, int, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || word > 2) return;
  ModelObject& o = *EditedObject;
  for (int t = 0; t < o.triangleCount; ++t) {
    ModelTriangle& tri = o.triangles[t];
    if (word == 0) tri.flags &= uint8_t(~TRIANGLE_HIDDEN);
    if (word == 1 && Selected(tri)) tri.flags = uint8_t((tri.flags | TRIANGLE_HIDDEN) & ~TRIANGLE_SELECTED);
    if (word == 2 && !Selected(tri)) tri.flags |= TRIANGLE_HIDDEN;
  }
  if (word == 1) {
    s->state.selectedTriangleCount = 0;
    s->state.currentTriangle = o.triangleCount;
  }
  Refresh(*s);
}

void HidePoints(void* owner, int, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || word > 2) return;
  ModelObject& o = *EditedObject;
  for (int i = 0; i < o.pointCount; ++i) {
    ModelPoint& p = o.points[i];
    const bool selected = (p.flags & POINT_SELECTED) != 0;
    if (word == 0) p.flags &= uint8_t(~POINT_HIDDEN);
    if (word == 1 && selected) p.flags = uint8_t((p.flags | POINT_HIDDEN) & ~POINT_SELECTED);
    if (word == 2 && !selected) p.flags |= POINT_HIDDEN;
  }
  if (word == 1) DeselectAllPoints(*s);
  Refresh(*s);
}

// ---- [Groups] ----

namespace {

void NewGroupAnswered(Prss* owner, uint32_t, uint32_t) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject) return;
  ModelObject& o = *EditedObject;
  if (o.groupCount >= MAX_SMOOTHING_GROUPS) return;
  Record("new group");
  s->state.currentGroup = o.groupCount++;
  for (int t = 0; t < o.triangleCount; ++t)
    if (Selected(o.triangles[t])) o.triangles[t].group = uint8_t(s->state.currentGroup);
  Refresh(*s);
}

}  // namespace

void AddGroup(void* owner, int, uintptr_t) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject) return;
  if (EditedObject->groupCount >= MAX_SMOOTHING_GROUPS) {
    ShowMessageBox(&s->prss, TEXT_MAX_GROUPS);
    return;
  }
  CountSelectedTriangles(*s, 1);
  const int selected = s->state.selectedTriangleCount;
  if (selected == 0) {
    NewGroupAnswered(&s->prss, 0, 0);
    return;
  }
  char question[DIALOG_TEXT_SIZE];
  std::snprintf(question, sizeof question, "Assign %d triangle%s to a new group?", selected, Plural(selected));
  AskQuestion(&s->prss, NewGroupAnswered, question, "", 0, 0, 0);
}

void SetGroup(ModellerScreen& s, int group) {
  if (!EditedObject || group < 0 || group >= MAX_SMOOTHING_GROUPS) return;
  Record("set group");
  s.state.currentGroup = uint32_t(group);
  ModelObject& o = *EditedObject;
  for (int t = 0; t < o.triangleCount; ++t)
    if (Selected(o.triangles[t])) o.triangles[t].group = uint8_t(group);
  Refresh(s);
}

void RemoveGroup(void* owner, int, uintptr_t) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject) return;
  ModelObject& o = *EditedObject;
  // One group is the least an object has: a count of 0 would not read back the same.
  if (o.groupCount <= 1) return;
  Record("remove group");
  const uint32_t current = s->state.currentGroup;
  for (int t = 0; t < o.triangleCount; ++t)
    if (o.triangles[t].group > current) --o.triangles[t].group;
  s->state.currentGroup = 0;
  --o.groupCount;
  Refresh(*s);
}

void CompressGroups(void* owner, int, uintptr_t) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || !s->mainObject) return;
  Record("compress groups");
  EditedObject->AssignAllSmoothingGroups();
  DeselectAll(*s);
  Refresh(*s);
}

// ---- [Colours] ----

namespace {

void MappingNameAnswered(Prss* owner, const char* text, uint32_t index) {
  if (!text || !EditedObject || int(index) >= EditedObject->mappingCount) return;
  ModelMapping& m = EditedObject->mappings[index];
  std::snprintf(m.name, sizeof m.name, "%s", text);
  (void)owner;
}

}  // namespace

void ColourCommand(void* owner, int, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject) return;
  ModelObject& o = *EditedObject;
  ModellerState& st = s->state;
  if (st.currentMapping < 0 || st.currentMapping >= o.mappingCount) {
    ShowMessage(TEXT_COLOUR_OUT_OF_BOUNDS, TextColours.grey);
    st.currentMapping = 0;
  }
  const int current = st.currentMapping;
  switch (int(word)) {
    case COLOUR_DELETE: {
      if (o.mappingCount <= 1) {
        ShowMessageBox(&s->prss, TEXT_ONE_COLOUR_NEEDED);
        return;
      }
      for (int t = 0; t < o.triangleCount; ++t)
        if (o.triangles[t].mapping == current) {
          ShowMessageBox(&s->prss, TEXT_COLOUR_USED);
          return;
        }
      Record("delete colour");
      o.RemoveMapping(current);
      if (st.currentMapping >= o.mappingCount) st.currentMapping = o.mappingCount - 1;
      break;
    }
    case COLOUR_ADD: {
      if (o.mappingCount >= MAX_MODEL_MAPPINGS) {
        ShowMessageBox(&s->prss, TEXT_MAX_COLOURS);
        return;
      }
      Record("add colour");
      const ModelMapping copy = o.mappings[current];
      const int added = o.AddMapping(&copy);
      o.MoveMapping(added, current + 1);
      st.currentMapping = current + 1;
      TextEntrySuggestions = LIGHT_MAPPING_NAMES;
      TextEntrySuggestionCount = LIGHT_NAME_COUNT;
      AskText(&s->prss, MappingNameAnswered, TEXT_NAME_DUPLICATED_MAPPING, MAPPING_NAME_LENGTH, uint32_t(current + 1),
              copy.name, 0, 0, nullptr);
      break;
    }
    case COLOUR_DELETE_UNUSED:
      Record("delete colours");
      o.RemoveUnusedMappings();
      if (st.currentMapping >= o.mappingCount) st.currentMapping = 0;
      break;
    case COLOUR_CHOOSE:
      // The mapping list scrolls to the current mapping (lowered to end at the last one).
      SelectedMapping = st.selectedMapping = current;
      s->mappingScroll = current;
      return;
    default: return;
  }
  Refresh(*s);
}
