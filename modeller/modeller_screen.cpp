// modeller_screen.cpp - the modeller's life (start, each frame, closing and the exit
// questions), its modes, the edited object and the stand-in sub-screens of modes 4 to 6.
#include "modeller/modeller_screen.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/frame_globals.h"
#include "core/window_state.h"
#include "model/model_object.h"
#include "modeller/cutouts_screen.h"
#include "modeller/edit_views.h"
#include "modeller/modeller_operations.h"
#include "modeller/modeller_selection.h"
#include "modeller/modeller_undo.h"
#include "modeller/object_editor.h"
#include "modeller/texture_mapping.h"
#include "modeller/texture_pages.h"
#include "text/messages.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/value_edit.h"

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

namespace {

constexpr float STATUS_TOP_LIMIT_FRACTION = 0.08f;

bool IsTextureMode(int mode) { return mode >= ModeTextureMapping && mode <= ModeTexturePage; }

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

void ExitEditorAnswered(Prss* owner, uint32_t, uint32_t) {
  ModellerScreen* screen = ModellerOf(owner);
  if (!screen || !screen->prss.alive) return;
  CloseModellerSubScreen(*screen);
  Prss_Terminate(&screen->prss);
}

void ExitProgramAnswered(Prss* owner, uint32_t, uint32_t) {
  if (ModellerScreen* screen = ModellerOf(owner)) ConfirmModellerExit(*screen);
}

// Frees what the screen holds and puts back what it changed; the model is tidied when it
// was changed.
void CloseModeller(ModellerScreen* screen) {
  ActiveModeller = nullptr;
  ClearUndoHistory();
  AutoMirrorSetting = screen->state.autoMirror;
  if (screen->state.unchanged == 0 && screen->mainObject) {
    screen->mainObject->Tidy(0, 0);
    screen->mainObject->CheckCutoutColours(nullptr);
    ObjectEditorShared.meshChangePending = 1;  // an editor that stays open shows the tidied model
  }
  std::free(screen->transform.positions);
  if (screen->raisedTopLimit >= 0) PointButtonTopLimit = screen->raisedTopLimit;
  ObjectEditorShared.hidePanels = 0;
  ObjectEditorShared.modellerMode = 0;
  ObjectEditorShared.editedObject = -1;
  if (EditViews.dragBox.owner == screen) {
    EditViews.dragBox.callback = nullptr;
    EditViews.dragBox.owner = nullptr;
  }
  EditedObject = nullptr;
  delete screen;
}

// The status line: counted down by the frame time, drawn in its kind's colour; while it shows
// the point buttons keep clear of it.
void RunStatusLine(ModellerScreen& s) {
  if (s.statusTimeMs == 0) {
    if (s.raisedTopLimit >= 0) {
      PointButtonTopLimit = s.raisedTopLimit;
      s.raisedTopLimit = -1;
    }
    return;
  }
  const int limit = int(std::lround(STATUS_TOP_LIMIT_FRACTION * float(ScreenHeight)));
  if (PointButtonTopLimit < limit) {
    if (s.raisedTopLimit < 0) s.raisedTopLimit = PointButtonTopLimit;
    PointButtonTopLimit = limit;
  }
  s.statusTimeMs = FrameTime >= s.statusTimeMs ? 0 : s.statusTimeMs - FrameTime;
  if (s.statusTimeMs > 0) KeepDrawing = 1;  // it counts down in drawn frames
  if (!FrameSkipped) DrawCentredCaption(s.statusText, s.statusKind == STATUS_EDIT);
}

}  // namespace

// ---- [Screen life] ----

Prss* StartModeller(ObjectEditor& editor, ModelObject* object, PreviewEntry* preview, Bone* bones,
                    BoneTable* boneTable, int noExitQuestion) {
  ModellerScreen* s = Prss_New<ModellerScreen>();
  Prss_Init(&s->prss, &editor.prss, ModellerScreenAction, ModellerScreenKeys, ModellerScreenMouse, nullptr, nullptr);
  ActiveModeller = s;
  EditedObject = object;
  s->editor = &editor;
  s->mainObject = object;
  s->preview = preview;
  s->bones = bones;
  s->boneTable = boneTable;
  s->noExitQuestion = noExitQuestion;
  s->editedParent = nullptr;
  s->state.editedObjectIndex = 0;
  ObjectEditorShared.editedObject = -1;

  DeselectAll(*s);
  s->state.autoMirror = AutoMirrorSetting;
  s->state.normalLevel = NORMAL_LEVEL_LOW;
  s->state.mode = ModeSubobject;
  s->state.unchanged = 1;
  ObjectEditorShared.modellerMode = ModeSubobject;
  ModellerUndo.mergeKey = UndoMergeKey{};

  for (int i = 0; i < UNDO_SLOT_COUNT; ++i) s->editNames[i] = ModellerUndo.nodes[i].name;
  std::snprintf(ModellerUndo.nodes[0].name, UNDO_NAME_SIZE, "%s", TEXT_UNDO_START);

  s->handle.axis = -1;
  s->handle.corner = -1;
  s->handle.kind = HANDLE_NONE;
  s->raisedTopLimit = -1;
  s->facingOnly = 1;
  s->traceMode = TRACE_INCLUDING;
  SetSpokeLimits(*s);
  s->edgeFraction = 0.5f;
  if (!ModelBox.set) {
    ModelBox = ModellerBox{{{-2 << 16, -2 << 16, 0}, {2 << 16, 2 << 16, 2 << 16}}, 1};
  }

  Prss_MakeCurrent(&s->prss);
  EditViews.dragBox.callback = ModellerBoxSelect;
  EditViews.dragBox.owner = s;
  return &s->prss;
}

Prss* ModellerScreenAction(Prss* process) {
  ModellerScreen* s = reinterpret_cast<ModellerScreen*>(process);
  if (!process->alive) {
    CloseModeller(s);
    return nullptr;
  }
  Prss_ActSub(process);
  if (!process->alive) return process;  // a dialog's answer closed it: freed next frame
  RunStatusLine(*s);
  if (process->sub) return process;  // a sub-screen draws its own page

  if (ExitRequested) {
    if (s->state.unchanged == 0 && s->noExitQuestion == 0) {
      ExitRequested = 0;
      AskQuestion(process, ExitProgramAnswered, TEXT_EXIT_PROGRAM, TEXT_UNSAVED_LOST, 0, 0, 0);
      return process;
    }
    Prss_Terminate(process);  // the request stays
    return process;
  }

  if (s->editedChanged) {
    // The wire edges and the limits follow the edited object.
    s->editedChanged = 0;
    ObjectEditorShared.rebuildWire = 1;
    SetSpokeLimits(*s);
  }
  if (FrameSkipped) return process;
  DrawEditedObjectOverlay(*s);
  RowCursorX = RowCursorY = 0;
  AddModellerButtons(*s);
  Prss_RestAfterDrawing(process);
  return process;
}

void ConfirmModellerExit(ModellerScreen& screen) {
  ExitRequested = 1;
  RedrawRequested = 1;
  if (screen.prss.alive) Prss_Terminate(&screen.prss);
}

// The exit key (Escape, Shift+X).
void ModellerExitKey(ModellerScreen& s) {
  if (ObjectEditorShared.hidePanels) {
    ObjectEditorShared.hidePanels = 0;
    return;
  }
  if (s.stepwiseRun == STEPWISE_MERGE || s.stepwiseRun == STEPWISE_REDUCE) {
    ++s.stepwiseRun;  // asked to stop
    return;
  }
  if (s.state.unchanged == 0 && s.noExitQuestion == 0) {
    if (!s.prss.sub)
      AskQuestion(&s.prss, ExitEditorAnswered, TEXT_EXIT_EDITOR, TEXT_UNSAVED_LOST, 0, 0, 0);
    else
      SetModellerMode(s, 0, ModeSubobject);
    return;
  }
  CloseModellerSubScreen(s);
  Prss_Terminate(&s.prss);
}

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
  if (old == ModeTextureMapping && RefreshEditedMesh) RefreshEditedMesh(&s.prss);
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
      Prss_AddSub(&s.prss, OpenModeSubScreen(s, mode));
      if (RefreshEditedMesh) RefreshEditedMesh(&s.prss);
      break;
    case ModeTextureCutout:
    case ModeTexturePage:
      Prss_AddSub(&s.prss, OpenModeSubScreen(s, mode));
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
  if (rebuild && RefreshEditedMesh) RefreshEditedMesh(&s.prss);
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
  if (RefreshEditedMesh) RefreshEditedMesh(&s.prss);
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

// ---- [Mode sub-screens] ----

Prss* OpenModeSubScreen(ModellerScreen& screen, int mode) {
  if (!IsTextureMode(mode)) return nullptr;
  if (mode == ModeTextureMapping) return OpenMappingPanel(&screen.prss, screen, 0);
  if (mode == ModeTextureCutout) return OpenCutoutsScreen(&screen.prss, screen);
  return &CreateTexturePagesScreen(&screen.prss, screen, screen.mainObject)->prss;
}

void ReloadModeSubScreen(ModellerScreen& screen) {
  Prss* sub = screen.prss.sub;
  if (sub && ActiveMappingPanel && sub == &ActiveMappingPanel->prss) RefreshMappingPanelSelection();
  if (sub && ActiveCutoutsScreen && sub == &ActiveCutoutsScreen->prss) RefreshCutoutsScreen();
  if (sub && ActivePagesScreen && sub == &ActivePagesScreen->prss) ActivePagesScreen->refresh = 1;
}

ModellerScreen* ModellerOf(Prss* process) {
  for (Prss* p = process; p; p = p->parent)
    if (p->act == ModellerScreenAction) return reinterpret_cast<ModellerScreen*>(p);
  return nullptr;
}
