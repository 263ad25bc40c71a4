// modeller_screen.cpp - the modeller's life (start, each frame, closing and the exit
// questions) and the sub-screens of its texture modes.
#include "modeller/screen/modeller_screen.h"

#include <cmath>
#include <cstdlib>

#include "core/frame_globals.h"
#include "core/window_state.h"
#include "model/model_object.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_undo.h"
#include "modeller/texture/cutouts_screen.h"
#include "modeller/texture/texture_mapping.h"
#include "modeller/texture/texture_pages.h"
#include "text/messages.h"
#include "ui/dialogs.h"
#include "ui/interface.h"

namespace {

constexpr float STATUS_TOP_LIMIT_FRACTION = 0.08f;

bool IsTextureMode(int mode) { return mode >= ModeTextureMapping && mode <= ModeTexturePage; }

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
  // It counts down in drawn frames, one more after its end to give the limit back.  Only the
  // interface changes, so they are drawn over the kept scene instead of drawing the model
  // again.  The frame where its time runs out no longer shows it.
  InterfaceRedraw = 1;
  if (s.statusTimeMs > 0 && !FrameSkipped) DrawCentredCaption(s.statusText, s.statusKind == STATUS_EDIT);
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
  AddEditedObjectHandles(*s);
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
