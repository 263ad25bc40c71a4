// modeller_undo.h - the modeller's undo history and its status line.
//
// Sections: [History] [Recording] [Stepping] [Saving and clearing] [Buttons] [Status line]
//
// Every edit in the modeller and its sub-screens records a point first (the interface's
// AddUndoPoint hook, ui/value_edit.h, points at ModellerAddUndoPoint).  A point holds a deep
// copy of the whole main object and the modeller's state, so undo, redo and a jump restore
// the model, the selection, the mode and the open sub-screen together.  Repeats of one kind
// of edit on one item merge into one point.  The history lives while a modeller is open.
// Main thread only.
#pragma once
#include <cstdint>

#include "modeller/state/modeller_state.h"

// ---- [History] ----
constexpr int UNDO_NODE_LIMIT = 30;   // nodes holding a saved object; UNDO_SLOT_COUNT slots
constexpr int UNDO_NAME_SIZE = 64;    // 63 characters and a zero
constexpr int UNDO_CAPTION_SIZE = 96;

struct ObjectUndoNode {
  ModellerState state;                // as it was when the node was taken
  char name[UNDO_NAME_SIZE];          // the label of the state node n holds ("start" for 0)
  ModelObject* saved;                 // owned deep copy of the main object; null for none
};
// The merge key: an edit with the kind and items of the last recorded point merges into it.
// The items are pointer-sized: the interface passes the edited variable's address.
struct UndoMergeKey {
  int32_t kind;                       // 0: never merges
  uintptr_t itemA, itemB;
};

struct ObjectUndo {
  ObjectUndoNode nodes[UNDO_SLOT_COUNT];  // slot count holds the live state's label (and,
                                          // while depth > 0, its saved copy)
  int32_t count;                      // nodes recorded, 0..30
  int32_t depth;                      // steps the shown state lies behind the newest
  UndoMergeKey mergeKey;
  // Removes the newest node, copies its state out, frees its object and clears the merge
  // key; 1, or 0 with "FreeLatestNode - NumNodes==0" on the debug line when there is none.
  int FreeLatestNode(ModellerState& out);
};
extern ObjectUndo ModellerUndo;
// The undo and redo buttons' hints.
extern char UndoCaption[UNDO_CAPTION_SIZE], RedoCaption[UNDO_CAPTION_SIZE];

// ---- [Recording] ----
// The body of the AddUndoPoint hook: nothing while no modeller is open; a repeat of the
// merge key (kind not 0) changes nothing; else the shared selections are copied into the
// state, a node is recorded ("name" confirmed on the status line) and the model is marked
// changed.
void ModellerAddUndoPoint(const char* name, int kind, uintptr_t itemA, uintptr_t itemB);
// A drag's start: its point recorded as above (kind 0); 1 when a node was made for it.
int RecordDragUndoPoint(const char* name);
// A cancelled drag: its node dropped when its start made one (otherwise the newest node is an
// earlier edit's, which stays).
void DropDragUndoPoint(int recorded);
// Records the live model as a node; the steps ahead of an undone history are dropped, and the
// oldest node when 30 are held.  1 when recorded.
int AddUndoNode(const ModellerState& state, const char* name, int kind, uintptr_t itemA, uintptr_t itemB);
// Fills node with the state and a deep copy of the main object; the key becomes the merge
// key.  0 without a modeller or main object.
int BuildUndoNode(ObjectUndoNode& node, const ModellerState& state, int kind, uintptr_t itemA, uintptr_t itemB);
// The live state into slot count (not counted).  1, or 0 when no node could be built.
int SaveLiveUndoNode(const ModellerState& state);
void FreeLiveUndoNode();
void DropOldestUndoNode();

// ---- [Stepping] ----
// 0 undo, 1 redo; 1 when a step was made.
int Undo(int direction);
void UndoButton(void* owner, int clickCode, uintptr_t word);  // word 0 undo, 1 redo
// Restores the node at position count - newDepth into the model and the screen.
void ApplyUndoStep(ModellerScreen& screen, int newDepth);
void GoToEditPoint(ModellerScreen& screen, int position);  // 0..count
// The list of positions 0..count ("Select edit point"); only with a history and no sub-screen.
void OpenEditHistory(void* owner, int clickCode, uintptr_t word);

// ---- [Saving and clearing] ----
// After the main object was saved under name: every node of that name gets the unchanged
// flag 1 when it is the shown one, else 0; the merge key is cleared.
void MarkSavedUndoNodes(const char* name);
void ClearUndoHistory();

// ---- [Buttons] ----
void UpdateUndoCaptions();
// At the row cursor: "no changes", or the undoable count, "undo", "redo", the redoable count.
void AddUndoButtons(Prss* owner);

// ---- [Status line] ----
// The text for 3000 ms in the confirmation colour (kind 1); without a modeller it becomes a
// message line.
void ShowEditConfirmation(const char* text);
// The text for 3000 ms in the notice colour (kind 0); nothing without a modeller.
void ShowEditorInfo(const char* text);
void ShowEditorInfof(const char* format, ...) __attribute__((format(printf, 1, 2)));
// 32..255 except 127.
int IsPrintableChar(int character);

// ---- [Texts] ----
constexpr const char* TEXT_UNDO_START = "start";
constexpr const char* TEXT_NO_EDIT_HISTORY = "there is no edit history";
constexpr const char* TEXT_NO_MORE_UNDO = "there is no more to undo";
constexpr const char* TEXT_NODE_STILL_ALLOCATED = "Undo node is still allocated";
constexpr const char* TEXT_NO_NODES = "FreeLatestNode - NumNodes==0";
