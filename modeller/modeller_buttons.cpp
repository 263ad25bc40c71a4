// modeller_buttons.cpp - the frame of the modeller's buttons: a stepwise run's status, the
// selection rectangle, the markers, the mode bar, the undo buttons, the level of detail's
// distance and the panel of the mode (modeller_panels.cpp).
#include <cstdio>
#include <cstring>

#include "core/window_state.h"
#include "modeller/layers.h"
#include "modeller/modeller_files.h"
#include "modeller/modeller_screen.h"
#include "modeller/modeller_undo.h"
#include "modeller/object_editor.h"
#include "modeller/stepwise_runs.h"
#include "ui/interface.h"
#include "ui/widgets.h"

namespace {

void ModeButtonAction(void* owner, int clickCode, uintptr_t mode) {
  if (ModellerScreen* s = ModellerOf(static_cast<Prss*>(owner))) SetModellerMode(*s, clickCode, int(mode));
}

void TriangleButtonsAction(void* owner, int, uintptr_t) {
  if (ModellerScreen* s = ModellerOf(static_cast<Prss*>(owner))) s->triangleButtons ^= 1;
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

void AddTriangleButtonsOption(ModellerScreen& s, int units) {
  ColourWord* colour = &TextColours.lightOrange;
  AddRowButton(&s.prss, units - 4, 0, 0, colour, "triangle buttons :", nullptr, nullptr);
  AddRowButton(&s.prss, 2, 3, !s.triangleButtons, colour, "NO", TriangleButtonsAction,
               "Select triangles by pointing at the triangle area");
  AddRowButton(&s.prss, 2, 3, s.triangleButtons, colour, "YES", TriangleButtonsAction,
               "Select triangles using buttons at the triangle centre");
}

int ShowsViewMarks() {
  const ModellerScreen* s = ActiveModeller;
  if (!s) return 0;
  const int mode = s->state.mode;
  if (mode != ModeTriangle && mode != ModePoint && mode != ModeBuild) return 0;
  const int draw = CurrentDrawMode();
  return (draw == DRAW_FLAT || draw >= DRAW_GOURAUD) && ObjectEditorShared.wireOverlay != 0;
}

void AddModellerButtons(ModellerScreen& s) {
  if (s.stepwiseRun != STEPWISE_NONE) {
    // A slice of the run, its progress on the status line, and no other buttons this frame.
    const bool merge = s.stepwiseRun <= STEPWISE_MERGE_STOPPING;
    StepStepwiseRun(s);
    ShowEditorInfof(merge ? TEXT_MERGE_PROGRESS : TEXT_REDUCTION_PROGRESS, s.pairsDone, s.pairsDone == 1 ? "" : "s",
                    s.pairsPossible);
    return;
  }
  ScreenRect& rect = s.rect;
  if (rect.active) {
    if (ShiftHeld || CtrlHeld) {
      if (rect.IsLargeEnough()) rect.Draw();
    } else {
      rect.active = 0;
    }
  }
  const bool panels = !ObjectEditorShared.hidePanels;
  if (panels) {
    switch (s.state.mode) {
      case ModeTriangle: DrawTriangleMarkers(s); break;
      case ModePoint: DrawPointMarkers(s); break;
      case ModeBuild:
        if (ShiftHeld)
          DrawTriangleMarkers(s);
        else
          DrawPointMarkers(s);
        break;
      default: break;
    }
  }
  rect.result = RECT_NONE;
  if (!panels) return;
  RowCursorX = RowCursorY = 0;
  AddModeButtons(s);
  RowCursorX = 0;
  RowCursorY += ButtonHeight;
  AddUndoButtons(&s.prss);
  RowCursorX = 0;
  RowCursorY += ButtonHeight;
  AddLodDistanceRow(s);
  AddChoiceRows(s);
  int attributeColumn = -1;
  switch (s.state.mode) {
    case ModeSubobject: AddSubobjectPanel(s); break;
    case ModeTriangle: attributeColumn = AddTrianglePanel(s); break;
    case ModePoint: AddPointPanel(s); break;
    case ModeBuild: attributeColumn = AddBuildPanel(s); break;
    default: break;
  }
  AddAttributeColumn(s, attributeColumn);
  // The layer panel under the mode's panel, clear of the model in the middle of the screen.
  AddLayerPanel(s);
  AddObjectPanel(s);
}
