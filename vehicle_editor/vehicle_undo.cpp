// vehicle_undo.cpp - the vehicle editor's edit history.
#include "vehicle_editor/vehicle_undo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/data_file.h"
#include "core/report.h"
#include "physics/car.h"
#include "vehicle_data/vehicle_file.h"

namespace VehicleUndo {
VehicleUndoNode Slots[HISTORY_POINTS] = {{{}, "start", "", nullptr, 0, ""}};
int NumNodes, NumRedo;
uintptr_t Keys[3];
char UndoHint[80], RedoHint[80];
int FailAllocations;

namespace {
void FreeStored(VehicleUndoNode& n) {
  std::free(n.stored);
  n.stored = nullptr;
  n.size = 0;
}
void ClearKeys() { Keys[0] = Keys[1] = Keys[2] = 0; }
void CopyName(char* out, size_t size, const char* text) { std::snprintf(out, size, "%s", text ? text : ""); }

// The history as it stood before a sub-editor's opening point, copies and all: given back
// when the sub-editor closes without a change, so that a look discards no redo step.
struct KeptHistory {
  VehicleUndoNode slots[HISTORY_POINTS];
  int numNodes, numRedo;
  bool held;
  VehicleUndoNode opened;  // the vehicle as the opened sub-editor first showed it, or none
} Kept;

void FreeKept() {
  FreeStored(Kept.opened);
  if (!Kept.held) return;
  for (VehicleUndoNode& n : Kept.slots) FreeStored(n);
  Kept.held = false;
}

bool SameBytes(const VehicleUndoNode& a, const VehicleUndoNode& b) {
  return a.stored && b.stored && a.size == b.size && std::memcmp(a.stored, b.stored, size_t(a.size)) == 0;
}

// 1 when the whole history could be copied (a copy that fails keeps nothing).
int KeepHistory() {
  FreeKept();
  for (int i = 0; i < HISTORY_POINTS; ++i) {
    VehicleUndoNode& to = Kept.slots[i];
    to = Slots[i];
    to.stored = nullptr;
    to.size = 0;
    if (!Slots[i].stored) continue;
    to.stored = static_cast<uint8_t*>(std::malloc(size_t(Slots[i].size)));
    if (!to.stored) {
      Kept.held = true;
      FreeKept();
      return 0;
    }
    std::memcpy(to.stored, Slots[i].stored, size_t(Slots[i].size));
    to.size = Slots[i].size;
  }
  Kept.numNodes = NumNodes;
  Kept.numRedo = NumRedo;
  Kept.held = true;
  return 1;
}
}  // namespace

void DropOldest() {
  FreeStored(Slots[0]);
  std::memmove(&Slots[0], &Slots[1], sizeof Slots[0] * NumNodes);
  // The top slot moved down with the rest: its old place is cleared, not freed.
  Slots[NumNodes] = VehicleUndoNode{};
  --NumNodes;
}

int FreeLatestNode(VehicleSelection* selection) {
  if (NumNodes == 0) {
    ReportLine("FreeLatestNode - NumNodes==0", REPORT_ERROR);
    return 0;
  }
  --NumNodes;
  VehicleUndoNode& n = Slots[NumNodes];
  if (selection) *selection = n.selection;
  FreeStored(n);
  ClearKeys();
  return 1;
}

void Clear() {
  ClearKeys();
  FreeKept();
  for (VehicleUndoNode& n : Slots) {
    FreeStored(n);
    n = VehicleUndoNode{};
  }
  NumNodes = NumRedo = 0;
  CopyName(Slots[0].name, sizeof Slots[0].name, "start");
}

void MarkSaved(const char* vehicleName) {
  const int current = NumNodes - NumRedo;
  for (int i = 0; i <= NumNodes; ++i)
    if (strcasecmp(Slots[i].vehicleName, vehicleName) == 0) Slots[i].selection.saved = i == current ? 1 : 0;
  ClearKeys();
}

void UpdateHints() {
  if (NumRedo >= NumNodes)
    CopyName(UndoHint, sizeof UndoHint, "There is no more to undo");
  else
    std::snprintf(UndoHint, sizeof UndoHint, "Undo %s (CTRL+Z)", Slots[NumNodes - NumRedo].name);
  if (NumRedo == 0)
    CopyName(RedoHint, sizeof RedoHint, "There is nothing to redo");
  else
    std::snprintf(RedoHint, sizeof RedoHint, "Redo %s (CTRL+Y)", Slots[NumNodes - NumRedo + 1].name);
}

// The editor's vehicle serialised as a node holds it, into n: a counting pass, then the body.
enum class Serialized { DONE, FAILED, NO_MEMORY };
Serialized SerializeEdited(VehicleEditor& e, VehicleUndoNode& n) {
  DataFile f;
  int failed = 0;
  if (const char* error = f.BeginMemoryWrite(0, &failed)) {
    ReportLine(error, REPORT_ERROR);
    return Serialized::FAILED;
  }
  SerializeVehicleData(*e.car, f, e.vehicleName, 1);
  const bool refused = FailAllocations > 0;
  if (refused) --FailAllocations;
  if (refused || f.BeginMemoryWrite(1, &failed)) return Serialized::NO_MEMORY;
  SerializeVehicleData(*e.car, f, e.vehicleName, 1);
  if (!f.FinishMemoryWrite()) {
    std::free(f.buffer);
    return Serialized::FAILED;
  }
  n.stored = f.buffer;
  n.size = f.end - f.buffer;
  if (e.car->model) CopyName(n.modelName, sizeof n.modelName, e.car->model->name);
  return Serialized::DONE;
}

// Serialises the open editor's vehicle into n.  When memory runs out the oldest nodes are
// dropped first.  1 on success.
int FillStored(VehicleUndoNode& n) {
  VehicleEditor* e = CurrentVehicleEditor;
  if (!e || !e->car) return 1;  // no vehicle: the node holds none
  for (;;) {
    const Serialized result = SerializeEdited(*e, n);
    if (result != Serialized::NO_MEMORY) return result == Serialized::DONE ? 1 : 0;
    if (NumNodes == 0) {
      ReportLine(TEXT_COULD_NOT_ALLOCATE, REPORT_ERROR);
      return 0;
    }
    DropOldest();
  }
}

// Stores the current vehicle in the slot above the newest node, before the first undo.
void SaveCurrent(const VehicleSelection& selection) {
  VehicleUndoNode& n = Slots[NumNodes];
  // A copy left from an earlier walk is freed rather than lost.
  if (n.stored) FreeStored(n);
  n.selection = selection;
  if (CurrentVehicleEditor) CopyName(n.vehicleName, sizeof n.vehicleName, CurrentVehicleEditor->vehicleName);
  FillStored(n);
}
}  // namespace VehicleUndo

using namespace VehicleUndo;

int PushEditNode(const VehicleSelection& selection, const char* name, uintptr_t key1, uintptr_t key2,
                 uintptr_t key3) {
  if (NumRedo != 0) {
    FreeStored(Slots[NumNodes]);
    while (NumRedo > 0) {
      FreeLatestNode(nullptr);
      --NumRedo;
    }
  }
  if (NumNodes == MAX_NODES) DropOldest();
  VehicleUndoNode n{};
  n.selection = selection;
  Keys[0] = key1;
  Keys[1] = key2;
  Keys[2] = key3;
  if (CurrentVehicleEditor) CopyName(n.vehicleName, sizeof n.vehicleName, CurrentVehicleEditor->vehicleName);
  if (!FillStored(n)) {
    ClearKeys();
    return 0;
  }
  std::memcpy(n.name, Slots[NumNodes].name, sizeof n.name);  // after any oldest node dropped
  Slots[NumNodes] = n;
  ++NumNodes;
  VehicleUndoNode& next = Slots[NumNodes];
  next = VehicleUndoNode{};
  CopyName(next.name, sizeof next.name, name);
  return 1;
}

void MarkEdit(const char* name) {
  VehicleEditor* e = CurrentVehicleEditor;
  if (!e) {
    ReportLine(name, REPORT_ERROR);
    return;
  }
  e->selection.saved = 0;
  e->statusIsEdit = 1;
  CopyName(e->statusText, sizeof e->statusText, name);
  e->statusTime = STATUS_SHOW_MS;
}

void RecordOpeningEdit(const char* name, uintptr_t key1, uintptr_t key2, uintptr_t key3) {
  if (!CurrentVehicleEditor) return;
  KeepHistory();
  RecordEditKeyed(name, key1, key2, key3);
}

void DropOpeningEdit(VehicleEditor& editor) {
  FreeLatestNode(&editor.selection);
  if (!Kept.held) return;
  // The history before the opening comes back whole: its redo steps, and an oldest point the
  // opening's node pushed out.
  for (VehicleUndoNode& n : Slots) FreeStored(n);
  std::memcpy(Slots, Kept.slots, sizeof Slots);
  NumNodes = Kept.numNodes;
  NumRedo = Kept.numRedo;
  for (VehicleUndoNode& n : Kept.slots) n = VehicleUndoNode{};
  Kept.held = false;
}

void DropEditPoint(VehicleEditor& editor) {
  MarkEdit("no changes");
  DropOpeningEdit(editor);
}

void MarkOpened(VehicleEditor& editor) {
  FreeStored(Kept.opened);
  if (editor.car) SerializeEdited(editor, Kept.opened);  // a failure leaves none: the node is compared
}

int UnchangedSinceOpening(VehicleEditor& editor, const char* name) {
  if (!editor.car || !name || NumRedo != 0 || NumNodes == 0 || std::strcmp(Slots[NumNodes].name, name) != 0) return 0;
  VehicleUndoNode now{};
  const bool same = SerializeEdited(editor, now) == Serialized::DONE &&
                    SameBytes(now, Kept.opened.stored ? Kept.opened : Slots[NumNodes - 1]);
  FreeStored(now);
  return same ? 1 : 0;
}

void CloseOpeningEdit(VehicleEditor& editor, int unchanged) {
  if (unchanged && NumNodes > 0) {
    // What the opening or the closing tidied goes too: the vehicle is as the node holds it.
    VehicleUndoNode now{};
    const bool differs = SerializeEdited(editor, now) == Serialized::DONE && !SameBytes(now, Slots[NumNodes - 1]);
    FreeStored(now);
    if (differs) VehicleEditor::LoadVehicleState(editor, nullptr, NumNodes - 1);
    DropEditPoint(editor);
  }
  FreeKept();  // a change stands: what lay ahead of the opening stays discarded
}

int DropUnchangedEditPoint(VehicleEditor& editor, const char* name) {
  const int same = UnchangedSinceOpening(editor, name);
  CloseOpeningEdit(editor, same);
  return same;
}

void ShowVehicleEditorInfo(const char* text) {
  VehicleEditor* e = CurrentVehicleEditor;
  if (!e) return;
  e->statusIsEdit = 0;
  CopyName(e->statusText, sizeof e->statusText, text);
  e->statusTime = STATUS_SHOW_MS;
}

void RecordEditKeyed(const char* name, uintptr_t key1, uintptr_t key2, uintptr_t key3) {
  VehicleEditor* e = CurrentVehicleEditor;
  if (!e) return;
  if (key1 != 0 && NumNodes > 0 && Keys[0] == key1 && Keys[1] == key2 && Keys[2] == key3) return;
  if (PushEditNode(e->selection, name, key1, key2, key3))
    MarkEdit(name);
  else
    e->selection.saved = 0;  // the edit goes on unrecorded: the vehicle has changed
}

void RecordEdit(const char* name) { RecordEditKeyed(name, 0, 0, 0); }

void RecordInterfaceEdit(const char* name, int kind, void* variable, uint32_t mask) {
  RecordEditKeyed(name, static_cast<uintptr_t>(kind), reinterpret_cast<uintptr_t>(variable), mask);
}

namespace {
// Restores point p: the history's copy becomes the editor's car.  A failed restore changes
// nothing, and a copy saved above the newest node for this step is freed again.
void RestorePoint(VehicleEditor& editor, int p, int savedForThis) {
  const int r = NumNodes - p;
  ClearKeys();
  if (!VehicleEditor::LoadVehicleState(editor, nullptr, p)) {
    if (savedForThis) FreeStored(Slots[NumNodes]);
    return;
  }
  char text[96];
  // The edit undone is the one after point p; the edit redone the one that led to it.
  const char* edit = r > NumRedo ? Slots[p + 1].name : Slots[p].name;
  std::snprintf(text, sizeof text, r > NumRedo ? "undo %s" : "redo %s", edit);
  ShowVehicleEditorInfo(text);
  NumRedo = r;
  editor.selection = Slots[p].selection;
  if (r == 0) FreeStored(Slots[NumNodes]);
}
}  // namespace

void GoToEditPoint(VehicleEditor& editor, int point) {
  if (point < 0 || point > NumNodes || point == NumNodes - NumRedo) return;
  int saved = 0;
  if (NumRedo == 0) {
    SaveCurrent(editor.selection);
    saved = 1;
  }
  RestorePoint(editor, point, saved);
}

void UndoEdit(VehicleEditor& editor) {
  if (NumNodes == 0) {
    ShowVehicleEditorInfo("there is no edit history");
    return;
  }
  if (NumRedo == NumNodes) {
    ShowVehicleEditorInfo("there is no more to undo");
    return;
  }
  GoToEditPoint(editor, NumNodes - (NumRedo + 1));
}

void RedoEdit(VehicleEditor& editor) {
  if (NumRedo == 0) return;
  GoToEditPoint(editor, NumNodes - (NumRedo - 1));
}
