// modeller_undo.cpp - the modeller's undo history: recording, merging, undo, redo and jumps,
// save marking, the history buttons and the status line.
#include "modeller/state/modeller_undo.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "model/model_object.h"
#include "modeller/editor/object_editor.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "text/messages.h"
#include "ui/dialogs.h"
#include "ui/interface.h"
#include "ui/problem_report.h"
#include "ui/value_edit.h"

ObjectUndo ModellerUndo;
char UndoCaption[UNDO_CAPTION_SIZE], RedoCaption[UNDO_CAPTION_SIZE];

namespace {

// The copy of the last node freed, kept for the next node: copied over, its arrays are
// reused (the same sizes, as most edits leave them) where new ones would cost page faults.
ModelObject* g_spareCopy;

void ClearMergeKey() { ModellerUndo.mergeKey = UndoMergeKey{}; }

void FreeCopy(ModelObject*& copy) {
  if (!copy) return;
  copy->Free();
  std::free(copy);
  copy = nullptr;
}

void FreeSaved(ObjectUndoNode& node) {
  if (!node.saved) return;
  if (!g_spareCopy)
    g_spareCopy = node.saved;
  else
    FreeCopy(node.saved);
  node.saved = nullptr;
}

void SetNodeName(ObjectUndoNode& node, const char* name) {
  std::snprintf(node.name, sizeof node.name, "%s", name ? name : "");
}

// The shared selections of the texture screens go with the state into a node.
void CopySharedSelections(ModellerState& state) {
  state.selectedMapping = SelectedMapping;
  state.selectedCutout = SelectedCutout;
  state.selectedPage = SelectedPage;
}

void SetStatus(const char* text, uint8_t kind) {
  ModellerScreen* screen = ActiveModeller;
  std::snprintf(screen->statusText, sizeof screen->statusText, "%s", text ? text : "");
  screen->statusKind = kind;
  screen->statusTimeMs = STATUS_SHOWN_MS;
}

bool IsTextureMode(int mode) { return mode >= ModeTextureMapping && mode <= ModeTexturePage; }

void EditPointChosen(Prss* owner, uint32_t, int position) {
  if (ModellerScreen* screen = ModellerOf(owner)) GoToEditPoint(*screen, position);
}

}  // namespace

// ---- [Recording] ----

namespace {
// ModellerAddUndoPoint's body: 1 when a node was recorded.
int RecordUndoPoint(const char* name, int kind, uintptr_t itemA, uintptr_t itemB) {
  ModellerScreen* screen = ActiveModeller;
  if (!screen) return 0;
  const UndoMergeKey& key = ModellerUndo.mergeKey;
  if (kind != 0 && ModellerUndo.count > 0 && key.kind == kind && key.itemA == itemA && key.itemB == itemB) return 0;
  CopySharedSelections(screen->state);
  const int made = AddUndoNode(screen->state, name, kind, itemA, itemB);
  if (made) ShowEditConfirmation(name);
  ObjectEditorShared.unsavedChanges = 1;
  screen->state.unchanged = 0;
  return made;
}
}  // namespace

void ModellerAddUndoPoint(const char* name, int kind, uintptr_t itemA, uintptr_t itemB) {
  RecordUndoPoint(name, kind, itemA, itemB);
}

int RecordDragUndoPoint(const char* name) { return RecordUndoPoint(name, 0, 0, 0); }

void DropDragUndoPoint(int recorded) {
  if (!recorded) return;
  ModellerState state;
  ModellerUndo.FreeLatestNode(state);
}

int AddUndoNode(const ModellerState& state, const char* name, int kind, uintptr_t itemA, uintptr_t itemB) {
  ObjectUndo& h = ModellerUndo;
  if (h.depth > 0) {
    // The steps ahead of the shown position are gone: it becomes the newest.
    FreeSaved(h.nodes[h.count]);
    for (; h.depth > 0; --h.depth) {
      --h.count;
      FreeSaved(h.nodes[h.count]);
    }
  }
  if (h.count == UNDO_NODE_LIMIT) DropOldestUndoNode();
  ObjectUndoNode scratch{};
  if (!BuildUndoNode(scratch, state, kind, itemA, itemB)) return 0;
  ObjectUndoNode& slot = h.nodes[h.count];
  slot.state = scratch.state;
  slot.saved = scratch.saved;  // the slot's name stays: it labels this state
  ++h.count;
  SetNodeName(h.nodes[h.count], name);
  return 1;
}

int BuildUndoNode(ObjectUndoNode& node, const ModellerState& state, int kind, uintptr_t itemA, uintptr_t itemB) {
  node.state = state;
  ModellerUndo.mergeKey = UndoMergeKey{kind, itemA, itemB};
  if (!ActiveModeller || !ActiveModeller->mainObject) return 0;
  if (g_spareCopy) {
    node.saved = g_spareCopy;
    g_spareCopy = nullptr;
    node.saved->CopyOver(*ActiveModeller->mainObject);
    return 1;
  }
  ModelObject* copy = static_cast<ModelObject*>(std::calloc(1, sizeof(ModelObject)));
  if (!copy) return 0;
  copy->CopyFrom(*ActiveModeller->mainObject, 0, 1);
  node.saved = copy;
  return 1;
}

int SaveLiveUndoNode(const ModellerState& state) {
  ObjectUndo& h = ModellerUndo;
  ObjectUndoNode scratch{};
  if (!BuildUndoNode(scratch, state, 0, 0, 0)) return 0;
  ObjectUndoNode& live = h.nodes[h.count];
  if (live.saved) {
    AddMessage(TEXT_NODE_STILL_ALLOCATED, TextColours.error, MSG_TARGET_LOCAL);
    FreeSaved(live);  // overwriting it would lose it for good
  }
  live.state = scratch.state;
  live.saved = scratch.saved;
  return 1;
}

void FreeLiveUndoNode() { FreeSaved(ModellerUndo.nodes[ModellerUndo.count]); }

void DropOldestUndoNode() {
  ObjectUndo& h = ModellerUndo;
  if (h.count <= 0) return;
  FreeSaved(h.nodes[0]);
  --h.count;
  for (int i = 0; i < h.count; ++i) h.nodes[i] = h.nodes[i + 1];
  h.nodes[h.count] = ObjectUndoNode{};
  if (h.count < UNDO_NODE_LIMIT) {
    // The label of the live state moves down with the nodes.
    ObjectUndoNode& next = h.nodes[h.count + 1];
    std::memcpy(h.nodes[h.count].name, next.name, sizeof next.name);
    h.nodes[h.count].saved = next.saved;
    h.nodes[h.count].state = next.state;
    next = ObjectUndoNode{};
  }
}

int ObjectUndo::FreeLatestNode(ModellerState& out) {
  if (count <= 0) {
    ShowDebugMessage(TEXT_NO_NODES, TextColours.error);
    return 0;
  }
  // The removed node's slot keeps its name: the label of the state it held, which is the
  // live state again.
  ObjectUndoNode& latest = nodes[count - 1];
  out = latest.state;
  FreeSaved(latest);
  latest.state = ModellerState{};
  FreeSaved(nodes[count]);
  nodes[count] = ObjectUndoNode{};
  --count;
  if (depth > count) depth = count;
  mergeKey = UndoMergeKey{};
  return 1;
}

// ---- [Stepping] ----

int Undo(int direction) {
  ModellerScreen* screen = ActiveModeller;
  if (!screen) return 0;
  ObjectUndo& h = ModellerUndo;
  if (direction == 0) {
    if (h.count == 0) {
      ShowEditorInfo(TEXT_NO_EDIT_HISTORY);
      return 0;
    }
    if (h.depth == h.count) {
      ShowEditorInfo(TEXT_NO_MORE_UNDO);
      return 0;
    }
    if (h.depth == 0) {
      CopySharedSelections(screen->state);
      SaveLiveUndoNode(screen->state);
    }
    ClearMergeKey();
    ApplyUndoStep(*screen, h.depth + 1);
    return 1;
  }
  if (h.depth == 0) return 0;
  ClearMergeKey();
  ApplyUndoStep(*screen, h.depth - 1);
  return 1;
}

void UndoButton(void*, int, uintptr_t word) { Undo(word == 0 ? 0 : 1); }

void ApplyUndoStep(ModellerScreen& screen, int newDepth) {
  ObjectUndo& h = ModellerUndo;
  if (newDepth < 0 || newDepth > h.count) return;
  const int position = h.count - newDepth;
  const ObjectUndoNode& node = h.nodes[position];
  if (!node.saved) return;
  ModelObject& main = *screen.mainObject;
  // The shown level of detail is the editor's, not the model's: it stays.
  const uint8_t level = main.currentLod;
  main.CopyFrom(*node.saved, 0, 1);
  main.currentLod = uint8_t(main.lodCount > 0 && level < main.lodCount ? level : 0);
  ForgetShownProblemLines();

  if (newDepth > h.depth)
    ShowEditorInfof("undo %s", h.nodes[position + 1].name);
  else
    ShowEditorInfof("redo %s", h.nodes[position].name);

  const int oldMode = screen.state.mode;
  if (node.state.mode != oldMode && IsTextureMode(oldMode)) CloseModellerSubScreen(screen);
  screen.state = node.state;
  ModelObject* edited = ObjectAtTreeIndex(main, screen.state.editedObjectIndex);
  SetEditedObject(screen, edited ? edited : &main, 1);
  SelectedMapping = screen.state.selectedMapping;
  SelectedCutout = screen.state.selectedCutout;
  SelectedPage = screen.state.selectedPage;
  ObjectEditorShared.modellerMode = screen.state.mode;
  if (IsTextureMode(screen.state.mode)) {
    if (screen.state.mode != oldMode) {
      if (ModeSubScreens.open) Prss_AddSub(&screen.prss, ModeSubScreens.open(screen, screen.state.mode));
      if (screen.state.mode == ModeTextureMapping) RefreshEditedMesh(&screen.prss);
    } else if (ModeSubScreens.reload) {
      ModeSubScreens.reload(screen);
    }
  }
  h.depth = newDepth;
  if (h.depth == 0) FreeLiveUndoNode();
}

void GoToEditPoint(ModellerScreen& screen, int position) {
  ObjectUndo& h = ModellerUndo;
  if (position < 0 || position > h.count || position == h.count - h.depth) return;
  if (h.depth == 0) {
    CopySharedSelections(screen.state);
    SaveLiveUndoNode(screen.state);
  }
  ClearMergeKey();
  ApplyUndoStep(screen, h.count - position);
}

void OpenEditHistory(void* owner, int, uintptr_t) {
  ModellerScreen* screen = ModellerOf(static_cast<Prss*>(owner));
  const ObjectUndo& h = ModellerUndo;
  if (!screen || h.count <= 0 || screen->prss.sub) return;
  for (int i = 0; i <= h.count; ++i) screen->editNames[i] = h.nodes[i].name;
  OpenSelectSub(&screen->prss, EditPointChosen, "Select edit point", nullptr, screen->editNames, h.count + 1, 0,
                h.count - h.depth);
}

// ---- [Saving and clearing] ----

void MarkSavedUndoNodes(const char* name) {
  ObjectUndo& h = ModellerUndo;
  ClearMergeKey();
  if (!name) return;
  const int shown = h.count - h.depth;
  const int last = h.depth > 0 ? h.count : h.count - 1;  // the live node too while undone
  for (int i = 0; i <= last; ++i) {
    ObjectUndoNode& node = h.nodes[i];
    if (node.saved && strcasecmp(node.saved->name, name) == 0) node.state.unchanged = i == shown ? 1 : 0;
  }
}

void ClearUndoHistory() {
  ObjectUndo& h = ModellerUndo;
  ClearMergeKey();
  if (h.depth > 0) FreeLiveUndoNode();
  h.depth = 0;
  while (h.count > 0) DropOldestUndoNode();
  for (ObjectUndoNode& node : h.nodes) {
    FreeCopy(node.saved);
    node = ObjectUndoNode{};
  }
  FreeCopy(g_spareCopy);
}

// ---- [Buttons] ----

void UpdateUndoCaptions() {
  const ObjectUndo& h = ModellerUndo;
  const int shown = h.count - h.depth;
  if (h.depth < h.count)
    std::snprintf(UndoCaption, sizeof UndoCaption, "Undo %s (CTRL+Z)", h.nodes[shown].name);
  else
    std::snprintf(UndoCaption, sizeof UndoCaption, "There is no more to undo");
  if (h.depth > 0)
    std::snprintf(RedoCaption, sizeof RedoCaption, "Redo %s (CTRL+Y)", h.nodes[shown + 1].name);
  else
    std::snprintf(RedoCaption, sizeof RedoCaption, "There is nothing to redo");
}

void AddUndoButtons(Prss* owner) {
  const ObjectUndo& h = ModellerUndo;
  ColourWord* colour = &TextColours.lightOrange;
  if (h.count == 0) {
    AddRowButton(owner, 12, 0, 0, colour, "no changes", nullptr, "There is no memory of changes to undo");
    return;
  }
  UpdateUndoCaptions();
  static char undoable[12], redoable[12];
  std::snprintf(undoable, sizeof undoable, "%d", h.count - h.depth);
  std::snprintf(redoable, sizeof redoable, "%d", h.depth);
  const char* listHint = "View the edit history to select an edit point";
  AddRowButton(owner, 2, 0, 0, colour, undoable, OpenEditHistory, listHint);
  const bool canUndo = h.depth < h.count, canRedo = h.depth > 0;
  AddRowButton(owner, 4, 0, 0, canUndo ? colour : &TextColours.panelGrey, "undo", canUndo ? UndoButton : nullptr,
               UndoCaption);
  AddRowButton(owner, 4, 1, 0, canRedo ? colour : &TextColours.panelGrey, "redo", canRedo ? UndoButton : nullptr,
               RedoCaption);
  AddRowButton(owner, 2, 0, 0, colour, redoable, OpenEditHistory, listHint);
}

// ---- [Status line] ----

void ShowEditConfirmation(const char* text) {
  if (!ActiveModeller) {
    ShowMessage(text, TextColours.grey);
    return;
  }
  SetStatus(text, STATUS_EDIT);
}

void ShowEditorInfo(const char* text) {
  if (ActiveModeller) SetStatus(text, STATUS_NOTICE);
}

void ShowEditorInfof(const char* format, ...) {
  char text[STATUS_TEXT_SIZE];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  ShowEditorInfo(text);
}

int IsPrintableChar(int character) { return character >= 32 && character <= 255 && character != 127; }
