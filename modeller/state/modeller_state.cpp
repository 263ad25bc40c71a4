// modeller_state.cpp - the modeller's shared state, its modes and mode buttons, the edited
// object and the objects of the main object's tree.
#include "modeller/state/modeller_state.h"

#include <bit>
#include <cstdio>
#include <cstring>

#include "core/window_state.h"
#include "model/model_object.h"
#include "modeller/editor/object_editor.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "text/messages.h"
#include "text/text_colours.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/widgets.h"

const ModellerModeButton MODELLER_MODE_BUTTONS[MODELLER_MODE_COUNT] = {
    {"subob", "Subobject mode (SHIFT+S)", 'S'},
    {"tri", "Triangle mode (SHIFT+T)", 'T'},
    {"point", "Point mode (SHIFT+P)", 'P'},
    {"build", "Build mode (SHIFT+B)", 'B'},
    {"map", "Texture mapping mode (SHIFT+M)", 'M'},
    {"cutout", "Texture cutout mode (SHIFT+C)", 'C'},
    {"page", "Texture page mode (SHIFT+G)", 'G'},
    {"view", "View mode (SHIFT+V)", 'V'},
};

ModellerScreen* ActiveModeller;
ModelObject* EditedObject;
int32_t SelectedMapping = -1, SelectedCutout = -1, SelectedPage = -1;
uint8_t AutoMirrorSetting;
ModellerBox ModelBox;
ModeSubScreenLink ModeSubScreens;

namespace {

// The object's place in a depth-first pre-order walk, counted on from next.
bool FindInTree(const ModelObject& o, const ModelObject* target, int& next) {
  if (&o == target) return true;
  ++next;
  for (int i = 0; i < o.childCount && o.children; ++i)
    if (FindInTree(o.children[i], target, next)) return true;
  return false;
}

ModelObject* WalkToIndex(ModelObject& o, int& remaining) {
  if (remaining == 0) return &o;
  --remaining;
  for (int i = 0; i < o.childCount && o.children; ++i)
    if (ModelObject* found = WalkToIndex(o.children[i], remaining)) return found;
  return nullptr;
}

}  // namespace

// ---- [Modes and edited object] ----

void CloseModellerSubScreen(ModellerScreen& s) {
  Prss* sub = s.prss.sub;
  if (!sub) return;
  sub->terminate(sub);
  s.prss.sub = sub->act(sub);  // it frees itself
  Prss_MakeCurrent(&s.prss);
}

void SetModellerMode(ModellerScreen& s, int, int mode) {
  if (mode < 0 || mode >= MODELLER_MODE_COUNT) return;
  CloseModellerSubScreen(s);
  const int old = s.state.mode;
  s.state.mode = uint8_t(mode);
  ObjectEditorShared.modellerMode = mode;
  if (old == ModeTextureMapping) RefreshEditedMesh(&s.prss);
  ModelObject& edited = *EditedObject;
  switch (mode) {
    case ModeTriangle:
      if (old != ModeBuild) DeselectAllTriangles(s);
      break;
    case ModePoint: {
      DeselectAllPoints(s);
      if (old == ModeBuild) {
        for (uint32_t i = 0; i < s.state.buildCount && i < BUILD_LIST_SIZE; ++i) {
          const uint32_t reference = s.state.buildList[i];
          if (!(reference & BUILD_REFERENCE_MIRRORED) && int(reference) < edited.pointCount &&
              !(edited.points[reference].flags & POINT_SELECTED))
            SelectPoint(s, int(reference));
        }
      }
      s.state.buildCount = 0;
      break;
    }
    case ModeBuild: {
      DeselectAllTriangles(s);
      DeselectAllPoints(s);
      s.state.buildCount = 0;
      const uint32_t visible = ObjectEditorShared.visibleLayers;
      if (!(visible >> (s.state.currentLayer & 31) & 1)) {
        if (visible == 0)
          ShowMessageBox(&s.prss, TEXT_NO_VISIBLE_LAYERS);
        else
          s.state.currentLayer = uint32_t(std::countr_zero(visible));
      }
      break;
    }
    case ModeTextureMapping:
      if (ModeSubScreens.open) Prss_AddSub(&s.prss, ModeSubScreens.open(s, mode));
      RefreshEditedMesh(&s.prss);
      break;
    case ModeTextureCutout:
    case ModeTexturePage:
      if (ModeSubScreens.open) Prss_AddSub(&s.prss, ModeSubScreens.open(s, mode));
      break;
    default: break;
  }
}

void SetEditedObject(ModellerScreen& s, ModelObject* object, int rebuild) {
  ModelObject& main = *s.mainObject;
  if (!object) object = &main;
  EditedObject = object;
  s.editedParent = main.FindParent(object);
  const int index = TreeIndexOf(main, object);
  s.state.editedObjectIndex = index < 0 ? 0 : index;
  ObjectEditorShared.editedObject =
      s.editedParent == &main && main.children ? int(object - main.children) : -1;
  if (rebuild) RefreshEditedMesh(&s.prss);
}

void SelectSubobject(ModellerScreen& s, int, ModelObject* object) {
  const uint8_t mode = s.state.mode;
  s.state.mode = ModeSubobject;
  DeselectAll(s);
  if (!object || object == EditedObject) object = s.mainObject;
  if (object != EditedObject) {
    // The build list names points of the object it was started on.
    s.state.buildCount = 0;
    s.fanPending = 0;
    s.buildEdgeUsers = 0;
  }
  SetEditedObject(s, object, 0);
  s.state.currentMapping = 0;
  ModelObject& main = *s.mainObject;
  if (main.currentLod >= object->lodCount && object->lodCount > 0) SetCurrentLod(s, 0, object->lodCount - 1);
  s.state.mode = mode;
  int selected = 0;
  for (int t = 0; t < object->triangleCount; ++t) selected += (object->triangles[t].flags & TRIANGLE_SELECTED) != 0;
  if (selected) {
    char line[64];
    std::snprintf(line, sizeof line, "Unexpected: %d triangle%s were selected", selected, selected == 1 ? "" : "s");
    ShowDebugMessage(line, TextColours.error);
    DeselectAllTriangles(s);
  }
  selected = 0;
  for (int p = 0; p < object->pointCount; ++p) selected += (object->points[p].flags & POINT_SELECTED) != 0;
  if (selected) {
    char line[64];
    std::snprintf(line, sizeof line, "Unexpected: %d point%s were selected", selected, selected == 1 ? "" : "s");
    ShowDebugMessage(line, TextColours.error);
    DeselectAllPoints(s);
  }
  s.editedChanged = 1;
}

void SetCurrentLod(ModellerScreen& s, int, int level) {
  if (level == -2) {
    s.autoLod ^= 1;
    return;
  }
  ModelObject& main = *s.mainObject;
  if (level < 0 || level >= main.lodCount || level == main.currentLod) return;
  main.currentLod = uint8_t(level);
  s.autoLod = 0;
  ModelObject& edited = *EditedObject;
  for (int t = 0; t < edited.triangleCount; ++t) edited.triangles[t].flags &= uint8_t(~TRIANGLE_SELECTED);
  for (int p = 0; p < edited.pointCount; ++p) edited.points[p].flags &= uint8_t(~POINT_SELECTED);
  s.state.selectedTriangleCount = s.state.selectedPointCount = 0;
  s.state.currentTriangle = edited.triangleCount;
  s.state.currentPoint = -1;
  s.state.traceCount = 0;
  RefreshEditedMesh(&s.prss);
}

ModelObject* ObjectAtTreeIndex(ModelObject& main, int index) {
  if (index < 0) return nullptr;
  int remaining = index;
  return WalkToIndex(main, remaining);
}

int TreeIndexOf(const ModelObject& main, const ModelObject* object) {
  int next = 0;
  return FindInTree(main, object, next) ? next : -1;
}

ModellerScreen* ModellerOf(Prss* process) {
  if (!ActiveModeller) return nullptr;
  for (Prss* p = process; p; p = p->parent)
    if (p == &ActiveModeller->prss) return ActiveModeller;
  return nullptr;
}

// ---- [Mode buttons] ----

namespace {

void ModeButtonAction(void* owner, int clickCode, uintptr_t mode) {
  if (ModellerScreen* s = ModellerOf(static_cast<Prss*>(owner))) SetModellerMode(*s, clickCode, int(mode));
}

int ModeButtonUnits(const char* label) { return std::strlen(label) > 4 ? 3 : 2; }

}  // namespace

void AddModeButtons(ModellerScreen& s) {
  AddMessageHistoryButton(&s.prss);
  for (int m = 0; m < MODELLER_MODE_COUNT; ++m) {
    const ModellerModeButton& b = MODELLER_MODE_BUTTONS[m];
    AddRowButton(&s.prss, ModeButtonUnits(b.label), uintptr_t(m), s.state.mode == m, &TextColours.lightOrange, b.label,
                 ModeButtonAction, b.hint);
  }
}
