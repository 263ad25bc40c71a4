// modeller_keys.cpp - the modeller's keys: modes, leaving, the panels, selection shortcuts,
// undo and redo, and the keys of the operations still to come, with the dispatch of the
// operations the keys ask for.  A key not taken here (and a key whose action says so) goes on
// to the object editor.
#include <cstdio>

#include "core/report.h"
#include "core/window_state.h"
#include "model/model_object.h"
#include "modeller/editor/object_editor.h"
#include "modeller/files/modeller_files.h"
#include "modeller/operations/point_tools.h"
#include "modeller/operations/subobjects.h"
#include "modeller/operations/triangle_tools.h"
#include "modeller/screen/modeller_screen.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_undo.h"
#include "ui/interface.h"
#include "ui/value_edit.h"

namespace {

constexpr int KEY_ESCAPE_CODE = 27;
constexpr int SOUND_REFUSED = 3;

int CtrlLetter(char letter) { return KEYCODE_CTRL_LETTER + letter; }

bool SubobjectEdited(const ModellerScreen& s) { return EditedObject && EditedObject != s.mainObject; }

void PassOn(ModellerScreen& s, int key) {
  Prss* parent = s.prss.parent;
  if (parent && parent->key) parent->key(parent, key);
}

// Shift with the letter of a mode's button.
int ModeOfShiftKey(int letter) {
  for (int m = 0; m < MODELLER_MODE_COUNT; ++m)
    if (MODELLER_MODE_BUTTONS[m].shiftKey == letter) return m;
  return -1;
}

void EditMainObject(ModellerScreen& s) { SelectSubobject(s, 0, s.mainObject); }

void DuplicateKey(ModellerScreen& s) {
  CountSelectedPoints(s, 1);
  CountSelectedTriangles(s, 1);
  const int mode = s.state.mode;
  if (mode == ModeSubobject && SubobjectEdited(s))
    RunModellerOperation(s, OPERATION_DUPLICATE_SUBOBJECT);
  else if (mode == ModePoint && s.state.selectedPointCount > 0)
    RunModellerOperation(s, OPERATION_DUPLICATE_POINTS);
  else if (mode == ModeTriangle && s.state.selectedTriangleCount > 0)
    RunModellerOperation(s, OPERATION_DUPLICATE_TRIANGLES);
  else
    ReportSound(SOUND_REFUSED);
}

void NewKey(ModellerScreen& s) {
  if (s.state.mode == ModeSubobject) {
    if (ObjectEditorShared.spokeCount != 0)
      ReportSound(SOUND_REFUSED);
    else
      RunModellerOperation(s, OPERATION_NEW_SUBOBJECT);
  } else if (s.state.mode == ModePoint) {
    DeselectAll(s);
    RunModellerOperation(s, OPERATION_NEW_POINT);
  }
}

void DeleteKey(ModellerScreen& s) {
  const int mode = s.state.mode;
  if (mode == ModeSubobject && SubobjectEdited(s))
    RunModellerOperation(s, OPERATION_DELETE_SUBOBJECT);
  else if (mode == ModeTriangle && s.state.selectedTriangleCount > 0)
    RunModellerOperation(s, OPERATION_DELETE_TRIANGLES);
  else if (mode == ModePoint && s.state.selectedPointCount > 0)
    RunModellerOperation(s, OPERATION_DELETE_POINTS);
}

}  // namespace

void ModellerScreenKeys(Prss* process, int key) {
  ModellerScreen& s = *reinterpret_cast<ModellerScreen*>(process);
  const int letter = key >= 'a' && key <= 'z' ? key - ('a' - 'A') : key;
  const int mode = s.state.mode;
  const bool selecting = mode == ModeTriangle || mode == ModePoint;

  if (ShiftHeld && letter >= 'A' && letter <= 'Z') {
    const int chosen = ModeOfShiftKey(letter);
    if (chosen >= 0) {
      SetModellerMode(s, 0, chosen);
      return;
    }
  }
  if (key == KEY_ESCAPE_CODE || (letter == 'X' && ShiftHeld)) {
    ModellerExitKey(s);
    return;
  }
  if (key == KEYCODE_DELETE) {
    DeleteKey(s);
    return;
  }
  switch (letter) {
    case ' ':
      ObjectEditorShared.hidePanels = 0;
      RefreshEditedMesh(process);
      return;
    case 'F':
      if (!ShiftHeld) break;
      ObjectEditorShared.hidePanels ^= 1;
      return;
    case 'A':
      if (!selecting) break;
      SelectAll(s, 0);
      return;
    case 'C':
      if (mode == ModeSubobject)
        EditMainObject(s);
      else
        DeselectAll(s);
      return;
    case 'M':
      if (AltHeld)
        RunModellerOperation(s, OPERATION_MERGE_DIALOG);
      else if (SubobjectEdited(s))
        EditMainObject(s);
      else
        break;
      return;
    case 'H':
      RunModellerOperation(s, AltHeld     ? OPERATION_UNHIDE_ALL
                              : ShiftHeld ? OPERATION_HIDE_UNSELECTED
                                          : OPERATION_HIDE_SELECTED);
      return;
    case 'S':
      if (mode == ModeTriangle) {
        CountSelectedTriangles(s, 1);
        RunModellerOperation(s, OPERATION_SELECT_TRIANGLE_POINTS);
      } else if (mode == ModePoint) {
        CountSelectedPoints(s, 1);
        RunModellerOperation(s, OPERATION_SELECT_POINT_TRIANGLES);
      } else {
        break;
      }
      return;
    case 'E':
      if (mode != ModePoint) break;
      RunModellerOperation(s, OPERATION_EXTRUDE);
      return;
    case 'R':
      if (!ShiftHeld || mode != ModeTriangle) break;
      RunModellerOperation(s, OPERATION_DETAIL_REDUCTION_DIALOG);
      return;
    default: break;
  }

  if (key == CtrlLetter('A')) {
    if (selecting) SelectAll(s, 0);
    return;
  }
  if (key == CtrlLetter('I')) {
    if (selecting) SelectAll(s, 1);
  } else if (key == CtrlLetter('D')) {
    DuplicateKey(s);
    return;
  } else if (key == CtrlLetter('N')) {
    NewKey(s);
    return;
  } else if (key == CtrlLetter('F')) {
    if (mode == ModeTriangle) RunModellerOperation(s, OPERATION_FLIP_TRIANGLES);
    if (mode == ModePoint) RunModellerOperation(s, OPERATION_FLIP_CONNECTED);
  } else if (key == CtrlLetter('O')) {
    RunModellerOperation(s, OPERATION_LOAD_DIALOG);
  } else if (key == CtrlLetter('Z')) {
    Undo(0);
    return;
  } else if (key == CtrlLetter('Y')) {
    Undo(1);
    return;
  }
  PassOn(s, key);
}

// ---- [Dispatch] ----

void RunModellerOperation(ModellerScreen& s, ModellerOperation operation) {
  s.lastOperationAsked = operation;
  Prss* owner = &s.prss;
  switch (operation) {
    case OPERATION_DELETE_POINTS: PointToolsCommand(owner, 0, POINT_TOOL_DELETE); break;
    case OPERATION_DUPLICATE_POINTS:
    case OPERATION_NEW_POINT: PointToolsCommand(owner, CLICK_LEFT, POINT_TOOL_NEW_OR_DUPLICATE); break;
    case OPERATION_EXTRUDE: PointToolsCommand(owner, CLICK_LEFT, POINT_TOOL_EXTRUDE); break;
    case OPERATION_SELECT_POINT_TRIANGLES: PointToolsCommand(owner, CLICK_LEFT, POINT_TOOL_SELECT_TRIANGLES); break;
    case OPERATION_MERGE_DIALOG:
      if (s.state.mode == ModeBuild)
        MergeOrRelocate(owner, CLICK_LEFT, 0);
      else
        PointMergeButton(owner, CLICK_LEFT, 3);
      break;
    case OPERATION_DETAIL_REDUCTION_DIALOG: TriangleModeCommand(owner, CLICK_LEFT, 1); break;
    case OPERATION_DELETE_TRIANGLES: TriangleToolsCommand(owner, CLICK_LEFT, TRIANGLE_TOOL_DELETE); break;
    case OPERATION_DUPLICATE_TRIANGLES: TriangleToolsCommand(owner, CLICK_LEFT, TRIANGLE_TOOL_DUPLICATE); break;
    case OPERATION_FLIP_TRIANGLES: TriangleToolsCommand(owner, CLICK_LEFT, TRIANGLE_TOOL_FLIP); break;
    case OPERATION_SELECT_TRIANGLE_POINTS: TriangleToolsCommand(owner, CLICK_LEFT, TRIANGLE_TOOL_SELECT_POINTS); break;
    case OPERATION_HIDE_SELECTED:
    case OPERATION_HIDE_UNSELECTED:
    case OPERATION_UNHIDE_ALL: {
      const uintptr_t word = operation == OPERATION_UNHIDE_ALL ? 0 : operation == OPERATION_HIDE_SELECTED ? 1 : 2;
      if (s.state.mode == ModeTriangle) HideTriangles(owner, CLICK_LEFT, word);
      if (s.state.mode == ModePoint) HidePoints(owner, CLICK_LEFT, word);
      break;
    }
    case OPERATION_FLIP_CONNECTED:
      CountSelectedPoints(s, 1);
      if (s.state.selectedPointCount == 0 || !EditedObject) break;
      if (AddUndoPoint) AddUndoPoint("flip connected tris", 0, 0, 0);
      SelectTrianglesFromPoints(s, 1);
      RefreshEditedMesh(owner);
      break;
    case OPERATION_NEW_SUBOBJECT: NewSubobject(owner, CLICK_LEFT, 0); break;
    case OPERATION_DUPLICATE_SUBOBJECT: NewSubobject(owner, CLICK_LEFT, 1); break;
    case OPERATION_DELETE_SUBOBJECT: SubobjectCommand(owner, CLICK_LEFT, SUBOBJECT_DELETE); break;
    case OPERATION_LOAD_DIALOG: FileCommand(owner, CLICK_LEFT, FILE_LOAD_MAIN); break;
    default: break;
  }
}
