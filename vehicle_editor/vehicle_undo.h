// vehicle_undo.h - the vehicle editor's edit history: every edit stores the vehicle as it was
// before it, serialised with its model, in one of 30 nodes, so that it can be undone, redone
// or jumped to.  Repeats of one value's edit (same three keys) merge into one node.
//
// History point i (0..NumNodes) is the vehicle before edit i; the current point is
// NumNodes - NumRedo.  Slot NumNodes holds the state before the first undo while the user
// walks back.  Main thread only.
#pragma once
#include <cstddef>
#include <cstdint>

#include "model/model_object.h"
#include "vehicle_editor/vehicle_editor.h"

struct VehicleUndoNode {
  VehicleSelection selection;  // its saved byte is the node's saved mark
  char name[64];               // the edit that led to this point; slot 0 "start"
  char vehicleName[32];
  uint8_t* stored;             // the serialised vehicle (body at the file's version), or null
  int64_t size;
  char modelName[MODEL_NAME_SIZE];  // a read gives the model the vehicle's name: this one is put back
};

namespace VehicleUndo {
constexpr int MAX_NODES = HISTORY_POINTS - 1;
extern VehicleUndoNode Slots[HISTORY_POINTS];
extern int NumNodes, NumRedo;
extern uintptr_t Keys[3];  // of the last recorded edit; all zero: none
extern char UndoHint[80], RedoHint[80];
// Allocations still to fail (tests; each failing one counts down).
extern int FailAllocations;

// Removes the newest node, copying its selection into `selection`; 1, or 0 on an empty history.
int FreeLatestNode(VehicleSelection* selection);
void Clear();  // empties the history; slot 0 is named "start"
void MarkSaved(const char* vehicleName);
void UpdateHints();
void DropOldest();
}  // namespace VehicleUndo

// Pushes a node named `name` holding the open editor's vehicle; 1 when stored.
int PushEditNode(const VehicleSelection& selection, const char* name, uintptr_t key1, uintptr_t key2,
                 uintptr_t key3);
// Records the vehicle before an edit and marks it changed; nothing without an open editor.
void RecordEdit(const char* name);
// As RecordEdit, but nothing at all when key1 is non-zero, the history is not empty and the
// keys equal the last recorded ones.
void RecordEditKeyed(const char* name, uintptr_t key1, uintptr_t key2, uintptr_t key3);
// Marks the vehicle changed without a node: the name shows as an edit for 3000 ms.
void MarkEdit(const char* name);
// A sub-editor's opening (edit engine, clocks, rim, model, spoke) or a frame point drag's
// start: RecordEditKeyed, with the history as it stood kept aside first, so that a close
// without a change (or a cancelled drag) leaves it exactly as it was, redo steps included.
void RecordOpeningEdit(const char* name, uintptr_t key1 = 0, uintptr_t key2 = 0, uintptr_t key3 = 0);
// The newest node removed with its selection and saved mark given back, and the history kept
// by RecordOpeningEdit restored: a sub-editor that did not open, or closed unchanged, or a
// cancelled drag.
void DropOpeningEdit(VehicleEditor& editor);
// "no changes", and DropOpeningEdit.
void DropEditPoint(VehicleEditor& editor);
// Keeps the vehicle as the sub-editor shows it once open, which the opening may have tidied
// (the modeller sets a number plate's cutout): the close compares with it.
void MarkOpened(VehicleEditor& editor);
// 1 when the newest edit, at the current point, is `name` and the vehicle is, byte for byte,
// as MarkOpened kept it, or without that as the edit's node holds it.
int UnchangedSinceOpening(VehicleEditor& editor, const char* name);
// Ends what RecordOpeningEdit began.  Unchanged: the vehicle as the node holds it (read back
// when an opening or closing tidied it) and DropEditPoint.  Changed: the edit stands and the
// steps that were there to redo are gone.
void CloseOpeningEdit(VehicleEditor& editor, int unchanged);
// CloseOpeningEdit(UnchangedSinceOpening); 1 when dropped.
int DropUnchangedEditPoint(VehicleEditor& editor, const char* name);
// An information text on the editor's status line for 3000 ms.
void ShowVehicleEditorInfo(const char* text);
// The interface's hook body (RecordEditMerging): kind, variable and mask are the keys.
void RecordInterfaceEdit(const char* name, int kind, void* variable, uint32_t mask);
// Steps through the history: undo (word 0) and redo (word 1), or to a point.
void UndoEdit(VehicleEditor& editor);
void RedoEdit(VehicleEditor& editor);
void GoToEditPoint(VehicleEditor& editor, int point);
