// modeller_mouse.cpp - the modeller's mouse: which click reaches which tool, and the drag
// under way (operations/selection_drags.cpp) while one runs.
#include "core/window_state.h"
#include "model/model_object.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/operations/build_mode.h"
#include "modeller/operations/drag_handles.h"
#include "modeller/screen/modeller_screen.h"
#include "modeller/state/modeller_selection.h"
#include "modeller/state/modeller_undo.h"
#include "ui/interface.h"

namespace {

bool Perspective() { return EditViews.width == 0; }

void PassToParent(ModellerScreen& s, MouseRecord* mouse) {
  Prss* parent = s.prss.parent;
  if (parent && parent->mouse) parent->mouse(parent, mouse);
}

}  // namespace

// ---- [The mouse function] ----

void ModellerScreenMouse(Prss* process, MouseRecord* mouse) {
  ModellerScreen& s = *reinterpret_cast<ModellerScreen*>(process);
  if (!mouse) return;
  MouseRecord& m = *mouse;
  if (s.transform.kind != TRANSFORM_NONE) {
    if (!m.leftHeld) {
      EndPointTransformDrag(s);
    } else if (!m.rightHeld) {
      PointTransformDrag(s);
    } else {
      EndPointTransformDrag(s);
      Undo(0);  // back to the point recorded when the drag began
    }
    return;
  }
  if (s.handle.axis != -1) {
    HandleDrag(s, m);
    return;
  }
  if (s.rect.active) {
    if (m.clickCode & CLICK_LEFT) {
      s.rect.active = 0;
      s.rect.result = RECT_NONE;
    } else {
      s.rect.Update();
      if (!m.rightHeld) {
        s.rect.active = 0;
        if (s.rect.IsLargeEnough()) s.rect.result = CtrlHeld ? RECT_SELECT : RECT_DESELECT;
      }
    }
    return;
  }
  if (s.dragSelect != DRAG_SELECT_NONE) {
    TriangleDragSelect(s, m);
    return;
  }
  if (HandleInterfaceMouse(mouse)) return;
  const int mode = s.state.mode;
  if (Perspective() && (m.clickCode & CLICK_RIGHT) && (CtrlHeld || ShiftHeld)) {
    if (mode == ModeTriangle || mode == ModePoint) s.rect.Begin();
    return;
  }
  if (s.triangleButtons && (mode == ModeTriangle || mode == ModeBuild)) {
    PassToParent(s, mouse);
    return;
  }
  const SurfacePick& pick = ObjectEditorShared.pick;
  if (!(m.clickCode & CLICK_LEFT) || pick.state != 2) {
    PassToParent(s, mouse);
    return;
  }
  const bool taken = (mode == ModeSubobject && (CtrlHeld || AltHeld)) ||
                     (mode == ModeTriangle && (CtrlHeld || ShiftHeld || AltHeld)) || (mode == ModeBuild && ShiftHeld);
  ModelObject* picked = taken ? GetPickedObject(s) : nullptr;
  if (picked) {
    const char* typeName = SUBOBJECT_TYPE_NAMES[picked->type < SUBOBJECT_TYPE_COUNT ? picked->type : 0];
    if (mode == ModeSubobject) {
      if (picked != EditedObject) {
        SelectSubobject(s, 0, picked);
        if (picked == s.mainObject)
          ShowEditorInfo("selected main object");
        else
          ShowEditorInfof("selected subobject (%s)", typeName);
      }
    } else if (picked == EditedObject) {
      if (pick.triangle >= 0 && pick.triangle < picked->triangleCount)
        TriangleClick(s, m.clickCode, pick.triangle, 1);
      else
        ShowEditorInfo(TEXT_TRIANGLE_SELECTION_ERROR);
    } else if (picked == s.mainObject) {
      ShowEditorInfo("triangle belongs to the main object");
    } else if (EditedObject == s.mainObject) {
      ShowEditorInfof("triangle belongs to a subobject (%s)", typeName);
    } else {
      ShowEditorInfof("triangle belongs to a different subobject (%s)", typeName);
    }
  }
  PassToParent(s, mouse);  // the object editor moves the view with it
}
