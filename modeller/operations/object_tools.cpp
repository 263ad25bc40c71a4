// object_tools.cpp - the object tools command and the merge of another model file's mesh.
#include "modeller/operations/object_tools.h"

#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "core/window_state.h"
#include "model/model_file.h"
#include "model/model_object.h"
#include "modeller/editor/edit_views.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/editor/object_editor.h"
#include "modeller/operations/subobjects.h"
#include "text/text_names.h"
#include "platform/files.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/value_edit.h"

namespace {

constexpr int MERGE_NAME_LENGTH = 32;
constexpr int FIRST_FREE_LAYER = 1;  // layer 0 is every model's own: never taken for "OLD" or "NEW"

void Refresh(ModellerScreen& s) {
  RefreshEditedMesh(&s.prss);
}

const char* const CLEANUP_CHOICES[2] = {TEXT_CLEANUP_PARTIAL, TEXT_CLEANUP_FULL};

void CleanUpChosen(Prss* owner, uint32_t, int chosen) {
  if (ModellerScreen* s = ModellerOf(owner)) RunObjectCleanUp(*s, chosen == 1);
}

void ReflectAnswered(Prss* owner, uint32_t, uint32_t) { ObjectToolsCommand(owner, CLICK_LEFT, OBJECT_TOOL_REFLECT); }

void MergeNameAnswered(Prss* owner, const char* text, uint32_t) {
  ModellerScreen* s = ModellerOf(owner);
  if (s && text && text[0]) MergeMeshFile(*s, text);
}

void MarkUsedLayers(const ModelObject& o, bool (&used)[LAYER_COUNT]) {
  for (int t = 0; t < o.triangleCount; ++t) used[o.triangles[t].layer & 31] = true;
  for (int c = 0; c < o.childCount && o.children; ++c) MarkUsedLayers(o.children[c], used);
}

// The layers the merge may take, in layer order: unnamed, and holding no triangle of the model.
std::vector<int> UnnamedLayers(const ModelObject& main) {
  bool used[LAYER_COUNT] = {};
  MarkUsedLayers(main, used);
  std::vector<int> free;
  for (int l = FIRST_FREE_LAYER; l < MAX_NAMED_LAYER; ++l)
    if (main.layerNames[l][0] == 0 && !used[l]) free.push_back(l);
  return free;
}

uint64_t PositionKey(const ModelPoint& p) {
  return uint64_t(uint32_t(p.x)) * 0x9E3779B97F4A7C15ull ^ uint64_t(uint32_t(p.y)) * 0xC2B2AE3D27D4EB4Full ^
         uint64_t(uint32_t(p.z));
}
uint64_t TriangleKey(const uint16_t c[3], uint8_t lod) {
  return uint64_t(c[0]) | uint64_t(c[1]) << 16 | uint64_t(c[2]) << 32 | uint64_t(lod) << 48;
}

// Where each loaded point goes: an existing (or earlier appended) point at its position, or a
// new one appended.
struct PointPlan {
  std::vector<int> target;     // per loaded point
  std::vector<int> appended;   // loaded points appended, in order
};
PointPlan PlanPoints(const ModelObject& o, const ModelObject& loaded) {
  PointPlan plan;
  std::unordered_multimap<uint64_t, int> at;
  at.reserve(size_t(o.pointCount + loaded.pointCount));
  std::vector<ModelPoint> all(o.points, o.points + o.pointCount);
  for (int p = 0; p < o.pointCount; ++p) at.emplace(PositionKey(o.points[p]), p);
  plan.target.resize(size_t(loaded.pointCount));
  for (int p = 0; p < loaded.pointCount; ++p) {
    const ModelPoint& q = loaded.points[p];
    int found = -1;
    const auto range = at.equal_range(PositionKey(q));
    for (auto it = range.first; it != range.second && found < 0; ++it) {
      const ModelPoint& e = all[size_t(it->second)];
      if (e.x == q.x && e.y == q.y && e.z == q.z) found = it->second;
    }
    if (found < 0) {
      found = int(all.size());
      all.push_back(q);
      at.emplace(PositionKey(q), found);
      plan.appended.push_back(p);
    }
    plan.target[size_t(p)] = found;
  }
  return plan;
}

uint16_t Renumbered(uint16_t corner, const PointPlan& plan, int loadedPoints) {
  const int index = corner & CORNER_INDEX_MASK;
  const int to = index < loadedPoints ? plan.target[size_t(index)] : 0;
  return uint16_t((corner & CORNER_MIRRORED) | (to & CORNER_INDEX_MASK));
}

}  // namespace

// ---- [Command] ----

void RunObjectCleanUp(ModellerScreen& s, int full) {
  if (!EditedObject) return;
  if (AddUndoPoint) AddUndoPoint(full ? "cleanup object" : "partial cleanup", 0, 0, 0);
  ModelObject* edited = EditedObject;
  CleanUpObject(s, *edited, full);
  SetEditedObject(s, edited, 0);
  Refresh(s);
}

void ObjectToolsCommand(void* owner, int, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject || !s->mainObject) return;
  ModelObject& o = *EditedObject;
  const bool main = &o == s->mainObject;
  switch (word) {
    case OBJECT_TOOL_CLEANUP:
      AskSelect(&s->prss, CleanUpChosen, main ? TEXT_CLEANUP_MAIN : TEXT_CLEANUP_SUBOBJECT, nullptr, CLEANUP_CHOICES, 2,
                0, -1);
      break;
    case OBJECT_TOOL_ASK_REFLECT:
      AskQuestion(&s->prss, ReflectAnswered,
                  !main ? TEXT_REFLECT_SUBOBJECT : o.childCount > 0 ? TEXT_REFLECT_MAIN_AND_SUBOBJECTS : TEXT_REFLECT_MAIN,
                  "", 0, 0, 0);
      break;
    case OBJECT_TOOL_REFLECT:
      if (AddUndoPoint) AddUndoPoint("reflect", 0, 0, 0);
      o.MirrorGeometry();
      Refresh(*s);
      break;
    case OBJECT_TOOL_MERGE_MESH:
      AskText(&s->prss, MergeNameAnswered, TEXT_MERGE_MESH_NAME, MERGE_NAME_LENGTH, 0, nullptr, 0, 4, MODEL_FILE_PATTERN);
      break;
    case OBJECT_TOOL_AUTO_MIRROR:
      s->state.autoMirror ^= 1;
      AutoMirrorSetting = s->state.autoMirror;
      break;
    case OBJECT_TOOL_VIEW_CLEAR_0:
    case OBJECT_TOOL_VIEW_CLEAR_1: EditViews.clearMode2D = word == OBJECT_TOOL_VIEW_CLEAR_1 ? 1 : 0; break;
    case OBJECT_TOOL_DESELECT: DeselectAll(*s); break;
    case OBJECT_TOOL_SORT:
      if (AddUndoPoint) AddUndoPoint("magic triangle sort", 0, 0, 0);
      o.SortTrianglesByFacing();
      CountSelectedTriangles(*s, 0);
      s->state.currentTriangle = o.triangleCount;
      Refresh(*s);
      break;
    default: break;
  }
}

// ---- [Merging a mesh file] ----

int MergeMeshFile(ModellerScreen& s, const char* name) {
  ModelObject& o = *EditedObject;
  ModelObject& main = *s.mainObject;
  char path[FILE_PATH_SIZE];
  char refusal[NAME_REFUSAL_SIZE];
  if (!MakeUserFilePath(path, FILE_PATH_SIZE, MODEL_FILE_PATTERN, name, refusal)) {
    ShowMessageBox(&s.prss, refusal);
    return 0;
  }
  ModelObject loaded{};
  loaded.Init();
  if (!LoadModelFile(loaded, &s.prss, path, 1, nullptr)) {
    loaded.Free();
    return 0;
  }
  const char* mismatch = loaded.mappingCount != o.mappingCount ? TEXT_MAPPINGS_MISMATCH
                         : loaded.cutoutCount != o.cutoutCount ? TEXT_CUTOUTS_MISMATCH
                         : loaded.pageCount != o.pageCount     ? TEXT_PAGES_MISMATCH
                         : loaded.groupCount != o.groupCount   ? TEXT_GROUPS_MISMATCH
                         : loaded.lodCount != o.lodCount       ? TEXT_LODS_MISMATCH
                                                               : nullptr;
  std::vector<int> freeLayers = UnnamedLayers(main);
  if (!mismatch && freeLayers.size() < 2) mismatch = TEXT_NO_TWO_UNNAMED_LAYERS;
  if (mismatch) {
    loaded.Free();
    RefuseOperation(s, mismatch);
    return 0;
  }
  // Planned whole before anything changes: the points reused or added, the triangles present
  // or added.
  const PointPlan plan = PlanPoints(o, loaded);
  std::unordered_multimap<uint64_t, int> existing;
  existing.reserve(size_t(o.triangleCount));
  for (int t = 0; t < o.triangleCount; ++t) existing.emplace(TriangleKey(o.triangles[t].corners, o.triangles[t].lod), t);
  std::vector<uint8_t> matched(size_t(o.triangleCount), 0);
  std::vector<ModelTriangle> added;
  for (int t = 0; t < loaded.triangleCount; ++t) {
    ModelTriangle tri = loaded.triangles[t];
    for (uint16_t& c : tri.corners) c = Renumbered(c, plan, loaded.pointCount);
    const auto range = existing.equal_range(TriangleKey(tri.corners, tri.lod));
    bool present = false;
    for (auto it = range.first; it != range.second; ++it) {
      const ModelTriangle& e = o.triangles[it->second];
      if (std::memcmp(e.corners, tri.corners, sizeof tri.corners) == 0 && e.lod == tri.lod) {
        matched[size_t(it->second)] = 1;
        present = true;
      }
    }
    if (!present) added.push_back(tri);
  }
  if (!CheckAddLimits(s, int64_t(plan.appended.size()), int64_t(added.size()))) {
    loaded.Free();
    return 0;
  }

  if (AddUndoPoint) AddUndoPoint("merge mesh", 0, 0, 0);
  const int oldLayer = freeLayers[0], newLayer = freeLayers[1];
  std::snprintf(main.layerNames[oldLayer], LAYER_NAME_SIZE, "OLD");
  std::snprintf(main.layerNames[newLayer], LAYER_NAME_SIZE, "NEW");
  freeLayers.erase(freeLayers.begin(), freeLayers.begin() + 2);
  // The points: mirrored where a loaded mirrored point met an existing one; the rest appended.
  for (int p = 0; p < loaded.pointCount; ++p) {
    const int target = plan.target[size_t(p)];
    if (target < o.pointCount && (loaded.points[p].flags & POINT_MIRRORED)) {
      o.points[target].flags = uint8_t((o.points[target].flags & ~POINT_CENTRAL) | POINT_MIRRORED);
    }
  }
  const int firstNewPoint = o.pointCount, firstNewTriangle = o.triangleCount;
  o.ResizePoints(int(plan.appended.size()));
  for (size_t i = 0; i < plan.appended.size(); ++i) {
    ModelPoint p = loaded.points[plan.appended[i]];
    p.flags &= uint8_t(~(POINT_SELECTED | POINT_HIDDEN));
    o.points[firstNewPoint + int(i)] = p;
  }
  o.pointCount = uint16_t(firstNewPoint + int(plan.appended.size()));
  // The existing triangles no loaded one matched are set apart.
  bool layerHasMatched[LAYER_COUNT] = {};
  for (int t = 0; t < firstNewTriangle; ++t)
    if (matched[size_t(t)]) layerHasMatched[o.triangles[t].layer & 31] = true;
  int splitLayer[LAYER_COUNT];
  for (int& l : splitLayer) l = -1;
  int nextNumber = 2;
  for (int t = 0; t < firstNewTriangle; ++t) {
    ModelTriangle& tri = o.triangles[t];
    if (matched[size_t(t)]) continue;
    const int layer = tri.layer & 31;
    if (layer == 0) {
      tri.layer = uint8_t(oldLayer);
    } else if (layerHasMatched[layer]) {
      if (splitLayer[layer] < 0) {
        if (freeLayers.empty()) {
          ShowMessage(TEXT_RUN_OUT_OF_LAYERS, TextColours.error);
          splitLayer[layer] = oldLayer;
        } else {
          splitLayer[layer] = freeLayers.front();
          freeLayers.erase(freeLayers.begin());
          std::snprintf(main.layerNames[splitLayer[layer]], LAYER_NAME_SIZE, "NEW%d", (nextNumber++) & 31);
        }
      }
      tri.layer = uint8_t(splitLayer[layer]);
    }
  }
  o.ResizeTriangles(int(added.size()));
  for (size_t i = 0; i < added.size(); ++i) {
    ModelTriangle tri = added[i];
    tri.flags &= uint8_t(~(TRIANGLE_SELECTED | TRIANGLE_HIDDEN | TRIANGLE_MARK));
    tri.layer = uint8_t(newLayer);
    o.triangles[firstNewTriangle + int(i)] = tri;
  }
  o.triangleCount = uint16_t(firstNewTriangle + int(added.size()));
  loaded.Free();
  CountSelectedPoints(s, 0);
  CountSelectedTriangles(s, 0);
  Refresh(s);
  return 1;
}
