// modeller_panels.cpp - the button panels of the modes, in the order of their rows, the level of
// detail's distance, the main object's colour and cutout choices, the column of the current
// triangle attributes at the right edge, and the triangle mode's commands.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/window_state.h"
#include "model/model_meshes.h"
#include "model/model_object.h"
#include "modeller/editor/edit_views.h"
#include "modeller/editor/object_editor.h"
#include "modeller/files/modeller_files.h"
#include "modeller/operations/build_mode.h"
#include "modeller/operations/layers.h"
#include "modeller/operations/modeller_options.h"
#include "modeller/operations/object_tools.h"
#include "modeller/operations/point_tools.h"
#include "modeller/operations/stepwise_runs.h"
#include "modeller/operations/subobjects.h"
#include "modeller/operations/triangle_tools.h"
#include "modeller/operations/value_buttons.h"
#include "modeller/screen/modeller_screen.h"
#include "modeller/screen/object_panel.h"
#include "modeller/state/modeller_operations.h"
#include "modeller/state/modeller_selection.h"
#include "ui/dialogs.h"
#include "text/messages.h"
#include "ui/interface.h"
#include "ui/interface_draw.h"
#include "ui/value_edit.h"
#include "ui/value_steps.h"

namespace {

constexpr int PANEL_UNITS = 12;
// The longest labels take the width of the layer panel under the mode's panel.
constexpr int WIDE_UNITS = 16;

ColourWord* Plain() { return &TextColours.lightOrange; }
ColourWord* Dimmed() { return &TextColours.panelGrey; }

void NextRow() {
  RowCursorX = 0;
  RowCursorY += ButtonHeight;
}

void Label(ModellerScreen& s, int units, const char* text, const char* hint) {
  AddRowButton(&s.prss, units, 0, 0, &TextColours.grey, text, nullptr, hint);
}

void Button(ModellerScreen& s, int units, uintptr_t word, int lit, const char* text, InterfaceHandler handler,
            const char* hint) {
  AddRowButton(&s.prss, units, word, lit, Plain(), text, handler, hint);
}

void SelectAllAction(void* owner, int, uintptr_t toggle) {
  if (ModellerScreen* s = OperationScreen(owner)) SelectAll(*s, int(toggle));
}

void TraceModeAction(void* owner, int, uintptr_t mode) {
  if (ModellerScreen* s = OperationScreen(owner)) s->traceMode = uint8_t(mode <= TRACE_EXCLUDING ? mode : 0);
}

void AddToLodAction(void* owner, int, uintptr_t level) {
  if (ModellerScreen* s = OperationScreen(owner)) AddTrianglesToLod(*s, int(level));
}

void Refresh(void* owner) {
  RefreshEditedMesh(static_cast<Prss*>(owner));
}

// The main object's colour choices: a button picks the one shown, the sliders edit it.
void ColourChoiceAction(void* owner, int, uintptr_t choice) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !s->mainObject || choice >= s->mainObject->colourChoiceCount) return;
  s->colourChoice = uint8_t(choice);
  ColourChoiceChanged(owner, 0, 0);
  Refresh(owner);
}
void ColourChoiceEdited(void* owner, int, uintptr_t) {
  ColourChoiceChanged(owner, 0, 0);
  Refresh(owner);
}

// The cutout choice of the numbered families: word 0 down, 1 up, by 10 with the right button,
// from 0 to the highest number the main object's families have.
void CutoutChoiceAction(void* owner, int clickCode, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !s->mainObject) return;
  int highest = 0;
  s->mainObject->CountCutoutNumbers(&highest);
  const int step = (clickCode & CLICK_RIGHT) ? 10 : 1;
  const int value = int(s->cutoutChoice) + (word ? step : -step);
  s->cutoutChoice = uint8_t(value < 0 ? 0 : value > highest ? highest : value);
  Refresh(owner);
}

void ScaleRowsAction(void* owner, int, uintptr_t) {
  if (ModellerScreen* s = OperationScreen(owner)) s->showScaleRows ^= 1;
}
void MoveRowsAction(void* owner, int, uintptr_t) {
  if (ModellerScreen* s = OperationScreen(owner)) s->showMoveRows ^= 1;
}

// "unmirror unused" (0) and "delete unused" (1) of the selected points.
void UnusedPointsAction(void* owner, int, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s) return;
  if (word)
    DeleteUnusedPoints(*s, 1);
  else
    UnmirrorUnusedPoints(*s);
}

// "select box" (0) and "deselect box" (1): the selection rectangle is applied by the next pass
// over the markers.
void BoxSelectAction(void* owner, int, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (s && s->rect.active) s->rect.result = word ? RECT_DESELECT : RECT_SELECT;
}

bool LabelShowsWhole(const std::string& text, int units) {
  return ButtonLabelFitsWhole(text.c_str(), units * ButtonWidth, ButtonHeight);
}

// The trace's points as text and the units of its label, as wide as its text up to the
// panel's width.  A trace too long to show whole there shows how many points it holds, then
// its first and its last points around "...", as many as it shows whole (the most recent
// points stay in sight rather than running off the label's end).
const char* TraceText(const ModellerState& st, int* units) {
  static char text[BUTTON_TEXT_SIZE];
  const auto points = [&st](int from, int to) {
    std::string list;
    for (int i = from; i < to; ++i) list += " " + std::to_string(st.trace[i]);
    return list;
  };
  const int count = std::clamp(st.traceCount, 0, MAX_TRACE_POINTS);
  std::string shown = "trace :" + points(0, count);
  *units = std::min(PANEL_UNITS, 2 + int(shown.size()) / 2);
  if (shown.size() >= sizeof text || !LabelShowsWhole(shown, *units)) {
    const std::string head = "trace of " + std::to_string(count) + " :";
    shown = head + " ...";
    for (int kept = 1; kept < count; ++kept) {
      const int first = (kept + 1) / 2;
      const std::string more = head + points(0, first) + " ..." + points(count - (kept - first), count);
      if (more.size() >= sizeof text || !LabelShowsWhole(more, *units)) break;
      shown = more;
    }
  }
  std::snprintf(text, sizeof text, "%s", shown.c_str());
  return text;
}

// Step 1 of the extrusion: "extrude" and "lathe" with a valid trace, else why not.
void AddExtrusionRow(ModellerScreen& s) {
  const ModellerState& st = s.state;
  if (s.traceMode == TRACE_OFF) return;
  if (IsTraceValid(s)) {
    Button(s, 6, POINT_TOOL_EXTRUDE, 0, "extrude", PointToolsCommand,
           "Create an extrusion based on the traced selection (E)");
    Button(s, 6, POINT_TOOL_LATHE, 0, "lathe", PointToolsCommand, "Create an lathe object based on the traced selection");
  } else if (st.traceCount == st.selectedPointCount && st.traceCount > 0) {
    if (s.traceMode == TRACE_INCLUDING)
      Label(s, PANEL_UNITS, "need at least 2 points", "At least two points are needed to use extrude or lathe functions");
    else
      Label(s, PANEL_UNITS, "need at least 2 points + REF", "At least two points plus the last selected point are needed");
  } else if (st.traceCount == 0) {
    Label(s, PANEL_UNITS, "no trace points", "There are no points in the trace");
  } else {
    static char text[48];
    std::snprintf(text, sizeof text, "trace points (%d) out of sync", st.traceCount);
    Label(s, PANEL_UNITS, text, "Traced selection is not valid");
  }
  NextRow();
}

void AddSelectionRows(ModellerScreen& s, const ModelObject& o);

// The smoothing groups: their count, a new one, and removing the current one.
void AddGroupRow(ModellerScreen& s, const ModelObject& o) {
  static char groups[32];
  std::snprintf(groups, sizeof groups, "groups : %d", o.groupCount);
  Label(s, 5, groups, "Number of smoothing groups");
  Button(s, 4, 0, 0, "new", AddGroup, "Add a smoothing group (the selected triangles are put in it)");
  if (o.groupCount > 1)
    Button(s, 4, 0, 0, "remove", RemoveGroup, "Remove the selected smoothing group (the groups above move down)");
  NextRow();
}

// "n.c.level" with its four choices and "l.r.swap" with its two, the current ones lit.
void AddAttributeRows(ModellerScreen& s) {
  Label(s, 4, "n.c.level", "Normal contribution level");
  for (int level = 0; level < NORMAL_LEVEL_COUNT; ++level)
    Button(s, level == 2 ? 4 : 2, uintptr_t(level), s.state.normalLevel == level, NORMAL_LEVEL_NAMES[level],
           AssignContributionAction, NORMAL_LEVEL_HINTS[level]);
  NextRow();
  Label(s, 4, "l.r.swap", "Drive side swap mode");
  Button(s, 4, 0, s.state.sideSwap == 0, "static", AssignSwapAction, "Drive side swap mode");
  Button(s, 4, 1, s.state.sideSwap != 0, "swap", AssignSwapAction, "Drive side swap mode");
  NextRow();
}

// Three value buttons of 16.16 coordinates (BUTTON_STYLE_LENGTH16) with their steps, words 3 x axis + 0..2.
void AddCoordinateButtons(ModellerScreen& s, const int32_t value[3], const bool dim[3], InterfaceHandler handler,
                          const char* const hints[3]) {
  static const char* const NAMES[3] = {"X", "Y", "Z"};
  for (int axis = 0; axis < 3; ++axis) {
    AddLabelledValueButton(&s.prss, NAMES[axis], BUTTON_STYLE_LENGTH16, 1, uintptr_t(3 * axis),
                           dim[axis] ? Dimmed() : Plain(), IvInt(value[axis]), handler, hints[axis]);
    NextRow();
  }
}

}  // namespace

void AddLodDistanceRow(ModellerScreen& s) {
  const ModelObject* o = EditedObject;
  const int level = !o || !s.mainObject ? -1 : s.mainObject->currentLod < o->lodCount ? s.mainObject->currentLod : o->lodCount - 1;
  if (level < 0) {
    NextRow();
    return;
  }
  Label(s, 4, "lod dist", nullptr);
  AddLabelledValueButton(&s.prss, nullptr, BUTTON_STYLE_DISTANCE16, 1, 0, s.autoLod ? Dimmed() : Plain(),
                         IvInt(o->lodDistances[level]),
                         LodDistanceButton, "A theoretical maximum distance for this level of detail");
  NextRow();
}

void AddChoiceRows(ModellerScreen& s) {
  if (!s.mainObject) return;
  ModelObject& main = *s.mainObject;
  if (main.colourChoiceCount > 0) {
    static char labels[8][8];
    static const char* texts[8];
    const int count = main.colourChoiceCount < 8 ? main.colourChoiceCount : 8;
    for (int i = 0; i < count; ++i) {
      std::snprintf(labels[i], sizeof labels[i], "%d", i + 1);
      texts[i] = labels[i];
    }
    if (s.colourChoice >= count) s.colourChoice = 0;
    AddSplitRowButtons(&s.prss, PANEL_UNITS, s.colourChoice, count, texts, ColourChoiceAction);
    RowCursorX = 0;
    const int top = RowCursorY;
    // The sliders' edits go into the modeller's undo history.
    const uint8_t domain = EditDomain;
    EditDomain = EDIT_DOMAIN_MODELLER;
    AddColourSliders(&s.prss, s.colourChoice, &main.colourChoices[s.colourChoice], labels[s.colourChoice],
                     ColourChoiceEdited, 0);
    EditDomain = domain;
    RowCursorX = 0;
    RowCursorY = top + 3 * ButtonHeight;
  }
  if (main.HasNumberedMappings()) {
    static char text[32];
    std::snprintf(text, sizeof text, "mapping config : %d", s.cutoutChoice);
    Label(s, 10, text, "The numbered cutouts shown on the numbered mappings");
    Button(s, 1, 0, 0, "-", CutoutChoiceAction, "LMB -1 / RMB -10");
    Button(s, 1, 1, 0, "+", CutoutChoiceAction, "LMB +1 / RMB +10");
    NextRow();
  }
}

int FreeTopAtRightEdge(int firstButton, int units, int rows) {
  const int left = ScreenWidth - units * ButtonWidth, height = rows * ButtonHeight;
  const auto free = [&](int top) {
    for (int i = firstButton; i < ButtonCount; ++i) {
      const InterfaceButton& b = InterfaceButtons[i];
      if (IsRowButton(b) && b.right > left && b.top < top + height && top < b.bottom) return false;
    }
    return true;
  };
  // The top edge or just under one of the rows that reach there.
  int best = free(0) ? 0 : ScreenHeight;
  for (int i = firstButton; i < ButtonCount; ++i) {
    const InterfaceButton& b = InterfaceButtons[i];
    if (IsRowButton(b) && b.right > left && b.bottom < best && free(b.bottom)) best = b.bottom;
  }
  return best;
}

void AddAttributeColumn(ModellerScreen& s, int top, int firstButton) {
  if (!EditedObject || top < 0) return;
  constexpr int COLUMN_UNITS = 8;
  top = std::min(top, FreeTopAtRightEdge(firstButton, COLUMN_UNITS, 4));
  const ModelObject& o = *EditedObject;
  ModellerState& st = s.state;
  const int leftX = RowCursorX, leftY = RowCursorY;  // the panels carry on from here
  const auto row = [top](int n) {
    RowCursorX = ScreenWidth - COLUMN_UNITS * ButtonWidth;
    RowCursorY = top + n * ButtonHeight;
  };
  if (st.currentMapping < 0 || st.currentMapping >= o.mappingCount) {
    ShowMessage(TEXT_COLOUR_OUT_OF_BOUNDS, TextColours.grey);
    st.currentMapping = 0;
  }
  row(0);
  const char* name = o.mappingCount > 0 && o.mappings[st.currentMapping].name[0] ? o.mappings[st.currentMapping].name
                                                                                 : TEXT_UNNAMED_MAPPING;
  Button(s, COLUMN_UNITS, uintptr_t(st.currentMapping), 0, name, AssignColourAction, "The name of the selected mapping");
  // Each value is a button of its attribute: Ctrl selects the triangles that have it.
  row(1);
  static ColourWord groupColour;
  const uint32_t group = st.currentGroup < MAX_SMOOTHING_GROUPS ? st.currentGroup : 0;
  groupColour = SMOOTHING_GROUP_COLOURS[group];
  static char groupText[16];
  std::snprintf(groupText, sizeof groupText, "%u", group);
  Label(s, 4, "group", nullptr);
  AddRowButton(&s.prss, COLUMN_UNITS - 4, group, 0, &groupColour, groupText, AssignGroupAction,
               "The selected smoothing group");
  row(2);
  const int level = st.normalLevel < NORMAL_LEVEL_COUNT ? st.normalLevel : 0;
  Label(s, 4, "n.c.level", nullptr);
  Button(s, COLUMN_UNITS - 4, uintptr_t(level), 0, NORMAL_LEVEL_NAMES[level], AssignContributionAction,
         "The selected normal contribution level");
  row(3);
  Label(s, 4, "l.r.swap", nullptr);
  Button(s, COLUMN_UNITS - 4, st.sideSwap ? 1 : 0, 0, st.sideSwap ? "swap" : "static", AssignSwapAction,
         "The selected value for drive side swap mode");
  RowCursorX = leftX;
  RowCursorY = leftY;
}

void AddSubobjectPanel(ModellerScreen& s) {
  if (!EditedObject || !s.mainObject) return;
  ModelObject& o = *EditedObject;
  const bool isMain = EditedObject == s.mainObject;
  AddSubobjectList(s);
  Button(s, PANEL_UNITS, 0, 0, "delete unused attachments", DeleteUnusedAttachments,
         "Delete any attachment subobjects that do not contain triangles");
  NextRow();
  Label(s, 6, "move in list", nullptr);
  Button(s, 3, 0, 0, "UP", MoveSubobjectInList, "Move the selected subobject up the list");
  Button(s, 3, 1, 0, "DN", MoveSubobjectInList, "Move the selected subobject down the list");
  NextRow();
  const int type = o.type < SUBOBJECT_TYPE_COUNT ? o.type : 0;
  Label(s, 6, "object type :", nullptr);
  Button(s, 8, SUBOBJECT_TYPE, 0, SUBOBJECT_TYPE_NAMES[type], SubobjectCommand,
         isMain ? "The object type of the main object" : SUBOBJECT_TYPE_DESCRIPTIONS[type]);
  NextRow();
  Button(s, 4, OBJECT_TOOL_ASK_REFLECT, 0, "reflect", ObjectToolsCommand,
         isMain ? "Reflect main object and subobjects between left and right"
                : "Reflect subobject between left and right");
  Button(s, 8, 0, 0, "compress groups", CompressGroups, "Reduce the number of smoothing groups if possible");
  NextRow();
  if (isMain) {
    Button(s, PANEL_UNITS, 0, 0, "new subobject", NewSubobject,
           "Create a new subobject at the centre of the main object (CTRL+N)");
    NextRow();
  } else {
    static const char* const FUNCTIONS[4] = {"-", "static", "full flip", "swap side"};
    Label(s, 6, "flip function :", nullptr);
    Button(s, 6, SUBOBJECT_FLIP_FUNCTION, 0, FUNCTIONS[o.sideFunction <= 3 ? o.sideFunction : 0], SubobjectCommand,
           "What to do with the selected subobject when changing drive side");
    NextRow();
    // The mirrored twin is options bit 0; bit 1 is the overlay flag the mesh builder works out.
    AddLabelledFlag16(&s.prss, "mirrored subobject :", OPTION_MIRRORED_TWIN, &o.options, nullptr);
    NextRow();
    AddLabelledFlag16(&s.prss, "use custom colours :", OPTION_KEPT, &o.options, nullptr);
    NextRow();
    Button(s, 4, SUBOBJECT_DELETE, 0, "delete", SubobjectCommand, "Delete the selected subobject");
    Button(s, 8, 1, 0, "duplicate subobject", NewSubobject,
           "Create a new subobject as a copy of the selected subobject (CTRL+D)");
    NextRow();
    Button(s, PANEL_UNITS, SUBOBJECT_MERGE, 0, "merge into main", SubobjectCommand,
           "Merge the selected subobject into the main object");
    NextRow();
  }
  Button(s, PANEL_UNITS, OBJECT_TOOL_SORT, 0, "magic triangle sort", ObjectToolsCommand,
         "Sort triangles to improve alpha sorting and Z buffering");
  NextRow();
  Button(s, 6, OBJECT_TOOL_CLEANUP, 0, "clean object", ObjectToolsCommand,
         "Delete unused mappings, cutouts, pages and (optionally) points");
  // Merging another file's mesh sits beside the clean-up.
  Button(s, 6, OBJECT_TOOL_MERGE_MESH, 0, "merge mesh", ObjectToolsCommand,
         "Merge the mesh of an object file into this object");
  NextRow();
  Button(s, 8, 6, ObjectEditorShared.modellerBox != 0, "bounding box", TriangleModeCommand, "Show a bounding box");
  Button(s, 4, 7, 0, "fit", TriangleModeCommand, "Adjust the bounding box to include all points of the main object");
  NextRow();
  Label(s, 6, "mono colours", nullptr);
  AddStepHintButtons(&s.prss, SUBOBJECT_DELETE_MONO_COLOUR, SUBOBJECT_ADD_MONO_COLOUR, Plain(), SubobjectCommand,
                     0);
  NextRow();
  Button(s, 6, 0, s.showMoveRows, "move all", MoveRowsAction, "Show options to move all points and mappings");
  Button(s, 6, 0, s.showScaleRows, "scale points", ScaleRowsAction, "Show options to scale all points");
  NextRow();
  if (s.showMoveRows) {
    static const char* const MOVES[3][2] = {{"points r", "Move all points and mappings right or left"},
                                            {"points f", "Move all points and mappings front or back"},
                                            {"points u", "Move all points and mappings up or down"}};
    for (int axis = 0; axis < 3; ++axis) {
      Label(s, PANEL_UNITS - 2, MOVES[axis][0], MOVES[axis][1]);
      AddStepHintButtons(&s.prss, uintptr_t(SUBOBJECT_MOVE_FIRST + 2 * axis),
                         uintptr_t(SUBOBJECT_MOVE_FIRST + 2 * axis + 1), Plain(), SubobjectCommand, STEP_HINT_DISTANCE);
      NextRow();
    }
  }
  if (s.showScaleRows) {
    static const char* const ROWS[3][2] = {{"scale r", "Scale all points in the X axis direction"},
                                           {"scale f", "Scale all points in the Y axis direction"},
                                           {"scale u", "Scale all points in the Z axis direction"}};
    for (int axis = 0; axis < 3; ++axis) {
      Label(s, PANEL_UNITS - 2, ROWS[axis][0], ROWS[axis][1]);
      AddStepHintButtons(&s.prss, uintptr_t(2 * axis), uintptr_t(2 * axis + 1), Plain(), ScaleObjectButtons,
                         STEP_HINT_SCALE);
      NextRow();
    }
    Button(s, PANEL_UNITS, 0, 0, "scale (+ mappings)", ScaleObjectDialog, "Enter a multiplier to scale the entire object");
    NextRow();
  }
  // Two value columns: the position on the left, the angles (heading, pitch, roll) beside it.
  // Where a short window leaves no room under the panel for their four rows, the angles stand
  // under the position instead, eight units wide, so that the rows running off the bottom
  // (with their headings) find room beside the left column (MoveRowsRunningOffBeside).
  static const char* const POSITION_HINTS[3] = {"Right (X) value of the selected object",
                                                "Forward (Y) value of the selected object",
                                                "Up (Z) value of the selected object"};
  static const struct {
    int axis;
    const char* label;
    const char* hint;
  } ANGLES[3] = {{2, "H", "Heading of the selected object"}, {0, "P", "Pitch of the selected object"},
                 {1, "R", "Roll of the selected object"}};
  static const char* const NAMES[3] = {"X", "Y", "Z"};
  const auto position = [&](int row) {
    AddLabelledValueButton(&s.prss, NAMES[row], BUTTON_STYLE_LENGTH16, 1, uintptr_t(3 * row), Plain(),
                           IvInt(o.offset[row]), ObjectPositionButton, POSITION_HINTS[row]);
  };
  const auto angle = [&](int row) {
    const int axis = ANGLES[row].axis;
    AddLabelledValueButton(&s.prss, ANGLES[row].label, BUTTON_STYLE_ANGLE16, 1, uintptr_t(3 * axis), Plain(),
                           IvInt(o.angles[axis]), ObjectAngleButton, ANGLES[row].hint);
  };
  if (RowCursorY + 4 * ButtonHeight <= ScreenHeight) {
    Label(s, 8, "position", nullptr);
    Label(s, 8, "rotate", nullptr);
    NextRow();
    for (int row = 0; row < 3; ++row) {
      position(row);
      angle(row);
      NextRow();
    }
    return;
  }
  Label(s, 8, "position", nullptr);
  NextRow();
  for (int row = 0; row < 3; ++row, NextRow()) position(row);
  Label(s, 8, "rotate", nullptr);
  NextRow();
  for (int row = 0; row < 3; ++row, NextRow()) angle(row);
}

int AddTrianglePanel(ModellerScreen& s) {
  if (!EditedObject) return -1;
  ModelObject& o = *EditedObject;
  const int top = RowCursorY;
  const int selected = s.state.selectedTriangleCount;
  Button(s, 3, OBJECT_TOOL_DESELECT, 0, "clear", ObjectToolsCommand, "Deselect all triangles (C)");
  Button(s, 4, 0, 0, "select all", SelectAllAction, "Select all triangles (A)");
  Button(s, 3, 1, 0, "invert", SelectAllAction, "Select unselected triangles and deselect selected triangles (CTRL+I)");
  NextRow();
  Button(s, 3, TRIANGLE_TOOL_SELECT_BY_INDEX, 0, "index", TriangleToolsCommand, "Select a triangle by entering its index");
  static char count[32];
  std::snprintf(count, sizeof count, "%d selected", selected);
  Label(s, 6, count, "Number of selected triangles");
  NextRow();
  Button(s, 6, 1, 0, "hide selected", HideTriangles, "Make the selected triangles temporarily invisible (H)");
  Button(s, 4, 0, 0, "unhide all", HideTriangles, "Restore all hidden triangles (make them visible) (ALT+H)");
  NextRow();
  Button(s, 7, 2, 0, "hide unselected", HideTriangles, "Temporarily hide all triangles that are not selected (SHIFT+H)");
  NextRow();
  Button(s, 5, 0, 0, "select box", BoxSelectAction, "Select triangles covered by the selection rectangle");
  Button(s, 6, 1, 0, "deselect box", BoxSelectAction, "Deselect triangles covered by the selection rectangle");
  NextRow();
  Label(s, 6, "box select :", nullptr);
  Button(s, 6, TRIANGLE_TOOL_FACING_OPTION, s.facingOnly, s.facingOnly ? "facing" : "all", TriangleToolsCommand,
         s.facingOnly ? "When using box select, only include triangles that face the viewpoint"
                      : "When using box select, include all triangles covered by the rectangle");
  NextRow();
  if (s.triangleButtons) {
    Label(s, 6, "show :", nullptr);
    Button(s, 6, TRIANGLE_TOOL_FACING_OPTION, s.facingOnly, s.facingOnly ? "facing" : "all", TriangleToolsCommand,
           s.facingOnly ? "Show buttons only for triangles that face the viewpoint"
                        : "Include blue buttons for triangles that face away from the viewpoint");
    NextRow();
  }
  AddTriangleButtonsOption(s, PANEL_UNITS);
  NextRow();
  Button(s, PANEL_UNITS, 1, 0, "reduce detail", TriangleModeCommand,
         "Reduce detail by collapsing edges shorter than a set length (SHIFT+R)");
  NextRow();
  AddGroupRow(s, o);
  if (selected > 0) AddSelectionRows(s, o);
  AddAttributeRows(s);
  return top;
}

namespace {

void AddSelectionRows(ModellerScreen& s, const ModelObject& o) {
  const int shown = s.mainObject ? s.mainObject->currentLod : 0;
  if (o.lodCount > 1) {
    Label(s, 4, "add to :", nullptr);
    static char names[MAX_LOD_COUNT][8];
    for (int level = 0; level < o.lodCount && level < MAX_LOD_COUNT; ++level) {
      if (level == shown) continue;
      std::snprintf(names[level], sizeof names[level], "lod%d", level + 1);
      Button(s, 2, uintptr_t(level), 0, names[level], AddToLodAction,
             "Duplicate the selected triangles into this level of detail");
    }
    NextRow();
  }
  Button(s, 6, TRIANGLE_TOOL_CHECK_UNMIRRORED, 0, "build unmirrored", TriangleToolsCommand,
         "Build reflected versions of the current triangles, on reflected points");
  Button(s, 6, TRIANGLE_TOOL_FLIP, 0, "flip tris", TriangleToolsCommand,
         "Change the facing direction of the selected triangles (CTRL+F)");
  NextRow();
  Button(s, 6, 0, 0, "subdivide", SubdivideTriangles, "Convert each triangle into 4 triangles by bisecting its edges");
  Button(s, 6, TRIANGLE_TOOL_CHECK_BREAK_OFF, 0, "break off", TriangleToolsCommand,
         "Break off the selected triangles into a newly created subobject");
  NextRow();
  Button(s, 4, TRIANGLE_TOOL_DUPLICATE, 0, "duplicate", TriangleToolsCommand,
         "Duplicate the selected triangles and their points (CTRL+D)");
  Button(s, 4, TRIANGLE_TOOL_DELETE, 0, "delete", TriangleToolsCommand, "Delete the selected triangles");
  Button(s, 4, TRIANGLE_TOOL_UNMIRROR, 0, "unmirror", TriangleToolsCommand, "Switch off mirroring of the selected triangles");
  NextRow();
  Button(s, 6, TRIANGLE_TOOL_SINGLE_SIDED, 0, "single sided", TriangleToolsCommand,
         "Set the selected triangles to be single sided");
  Button(s, 6, TRIANGLE_TOOL_DOUBLE_SIDED, 0, "double sided", TriangleToolsCommand,
         "Set the selected triangles to be double sided");
  NextRow();
}

}  // namespace

void AddPointPanel(ModellerScreen& s) {
  if (!EditedObject) return;
  ModelObject& o = *EditedObject;
  const ModellerState& st = s.state;
  const int selected = st.selectedPointCount;
  const int green = st.currentPoint >= 0 && st.currentPoint < o.pointCount ? st.currentPoint : -1;

  Button(s, 3, OBJECT_TOOL_DESELECT, 0, "clear", ObjectToolsCommand, "Deselect all points (C)");
  Button(s, 4, 0, 0, "select all", SelectAllAction, "Select all points (A)");
  Button(s, 3, 1, 0, "invert", SelectAllAction, "Select unselected points and deselect selected points (CTRL+I)");
  NextRow();
  static char count[32];
  if (selected > 0) std::snprintf(count, sizeof count, "%d selected", selected);
  Label(s, 8, selected > 0 ? count : "no points selected",
        selected > 0 ? "Number of selected points" : "No points are currently selected");
  NextRow();
  Button(s, 6, 1, 0, "hide selected", HidePoints, "Make the selected points temporarily invisible (H)");
  Button(s, 4, 0, 0, "unhide all", HidePoints, "Restore all hidden points (make them visible) (ALT+H)");
  NextRow();
  Button(s, 7, 2, 0, "hide unselected", HidePoints, "Temporarily hide all points that are not selected (SHIFT+H)");
  Button(s, 3, POINT_TOOL_SELECT_BY_INDEX, 0, "index", PointToolsCommand, "Select a point by entering its index");
  NextRow();
  Button(s, 5, 0, 0, "select box", BoxSelectAction, "Select points covered by the selection rectangle");
  Button(s, 6, 1, 0, "deselect box", BoxSelectAction, "Deselect points covered by the selection rectangle");
  NextRow();
  if (selected > 0) {
    Button(s, PANEL_UNITS, POINT_TOOL_SELECT_TRIANGLES, 0, "select connected triangles", PointToolsCommand,
           "Select triangles based on the selected points (S)");
    NextRow();
  }

  // The trace: its mode, its closing line, its points, then what can be made of it.
  Label(s, 3, "trace", nullptr);
  static const char* const MODES[3][2] = {{"off", "Trace mode off"},
                                          {"incl", "Trace mode including the last selected point"},
                                          {"excl", "Trace mode excluding the last selected point"}};
  for (int m = 0; m < 3; ++m) Button(s, 2, uintptr_t(m), s.traceMode == m, MODES[m][0], TraceModeAction, MODES[m][1]);
  Button(s, 3, POINT_TOOL_TRACE_CLOSED, s.traceClosed, "closed", PointToolsCommand,
         "Draw the trace back to its first point");
  NextRow();
  if (st.traceCount > 0) {
    // As wide as its text, leaving the view beside it to the markers.
    int units = 0;
    const char* trace = TraceText(st, &units);
    Label(s, units, trace, "The traced points in the order they were selected");
    NextRow();
  }
  AddExtrusionRow(s);

  if (selected >= 2) {
    Button(s, 3, 3, 0, "merge", PointMergeButton, "Show the merge points dialog (ALT+M)");
    Button(s, 3, MERGE_AVERAGE, 0, "avg", PointMergeButton,
           "Merge the selected points to a single point at the average location");
    Button(s, 3, MERGE_TO_GREEN, 0, "green", PointMergeButton,
           "Merge the selected points to a single point at the last selected point");
    Button(s, 3, MERGE_BY_DISTANCE, 0, "dist", PointMergeButton, "Merge points that are closer than a specified distance");
    NextRow();
  }
  if (green >= 0) {
    const ModelPoint& g = o.points[green];
    const int32_t value[3] = {g.x, g.y, g.z};
    const bool dim[3] = {(g.flags & POINT_CENTRAL) != 0, false, false};
    static const char* const HINTS[3] = {"Right (X) value of the last selected point",
                                         "Forward (Y) value of the last selected point",
                                         "Up (Z) value of the last selected point"};
    AddCoordinateButtons(s, value, dim, GreenPointValueButton, HINTS);
  }
  if (selected > 0) {
    static const struct {
      const char* label;
      const char* hint;
    } DARKNESS[4] = {{"brt", "Set ambient darkness to bright (default)"}, {"drk", "Set ambient darkness to dark"},
                     {"vdk", "Set ambient darkness to very dark"}, {"exd", "Set ambient darkness to extra dark"}};
    for (int level = 3; level >= 0; --level)
      Button(s, 3, uintptr_t(level), 0, DARKNESS[level].label, PointDarknessButton, DARKNESS[level].hint);
    NextRow();
  }
  if (green >= 0 && selected == 1) {
    Button(s, PANEL_UNITS, 0, 0, "new subobject", NewSubobject, "Create a new subobject at the selected point's location");
    NextRow();
  }
  if (selected > 0) {
    Button(s, 4, POINT_TOOL_DELETE, 0, selected == 1 ? "delete point" : "delete", PointToolsCommand,
           "Delete the selected point");
    if (green >= 0)
      Button(s, 4, POINT_TOOL_MIRROR_GREEN, (o.points[green].flags & POINT_MIRRORED) != 0, "mirror", PointToolsCommand,
             "Mirror or unmirror the selected point");
    if (selected == 1 && green >= 0)
      Button(s, 4, POINT_TOOL_CIRCLE, 0, "create circle", PointToolsCommand,
             "Create a circle of points around the selected point");
    NextRow();
    Button(s, 4, POINT_TOOL_CENTRE, 0, "centre", PointToolsCommand,
           "Move selected points to the central plane and fix them there");
    Button(s, 4, POINT_TOOL_FREE, 0, "free", PointToolsCommand,
           "Allow selected points to be moved away from the central plane");
    NextRow();
    if (selected == 1 && green >= 0) {
      const bool on = (o.points[green].flags & POINT_REFERENCE) != 0;
      Button(s, 6, POINT_TOOL_REFERENCE_GREEN, on, on ? "REF point (ON)" : "REF point (OFF)", PointToolsCommand,
             on ? "Set the selected points to be ordinary (grey) points"
                : "Set the selected points to be reference (blue) points");
    } else {
      Label(s, 4, "REF points", nullptr);
      Button(s, 2, POINT_TOOL_REFERENCE_OFF, 0, "OFF", PointToolsCommand,
             "Set the selected points to be ordinary (grey) points");
      Button(s, 2, POINT_TOOL_REFERENCE_ON, 0, "ON", PointToolsCommand,
             "Set the selected points to be reference (blue) points");
    }
    NextRow();
    Button(s, 6, 0, 0, "unmirror unused", UnusedPointsAction,
           "Switch off mirroring on any points whose mirror is not used");
    Button(s, 6, 1, 0, "delete unused", UnusedPointsAction, "Delete any of the selected points that are not in use");
    NextRow();
    Button(s, 6, POINT_TOOL_MIRROR, 0, "mirror points", PointToolsCommand, "Mirror the selected points");
    if (selected >= 2)
      Button(s, 6, POINT_TOOL_SET_DISTANCE, 0, "set distance", PointToolsCommand,
             "Set the distance of selected points from the last selected point");
    NextRow();
    Label(s, 2, "flip :", nullptr);
    Button(s, 3, POINT_TOOL_FLIP_FRONT_BACK, 0, "F-B", PointToolsCommand, "Flip the selected points between front and back");
    Button(s, 3, POINT_TOOL_FLIP_LEFT_RIGHT, 0, "L-R", PointToolsCommand, "Flip the selected points between left and right");
    NextRow();
  }
  Button(s, 5, POINT_TOOL_NEW_OR_DUPLICATE, 0, "new point", PointToolsCommand,
         "Create a new point at the object centre (CTRL+N)");
  NextRow();
  if (selected >= 2 && green >= 0) {
    if (EditViews.width != 0) {
      Button(s, 3, TRANSFORM_ROTATE, 0, "rotate", PointTransformButtonAction,
             "Rotate the selected points around the last selected point");
      Button(s, 3, TRANSFORM_SCALE_2D, 0, "scale", PointTransformButtonAction,
             "Scale selected points from the last selected point in 2D");
      AddRowButtonStyle4(&s.prss, 3, TRANSFORM_SCALE_HORIZONTAL, 0, Plain(), "\x8B\x9B", PointTransformButtonAction,
             "Scale selected points from the last selected point horizontally");
      Button(s, 3, TRANSFORM_SCALE_VERTICAL, 0, "^v", PointTransformButtonAction,
             "Scale selected points from the last selected point vertically");
    } else {
      Button(s, PANEL_UNITS, TRANSFORM_BUTTON_SCALE_3D, 0, "scale from green", PointTransformButtonAction,
             "Scale selected points from the last selected point in 3D");
    }
    NextRow();
  }
}

int AddBuildPanel(ModellerScreen& s) {
  const int top = RowCursorY;
  static char count[32];
  std::snprintf(count, sizeof count, "%d selected", s.state.buildCount);
  Label(s, 6, count, "Number of points selected");
  Button(s, 3, OBJECT_TOOL_DESELECT, 0, "clear", ObjectToolsCommand, "Clear the selected points (C)");
  NextRow();
  if (ObjectEditorShared.spokeCount == 0) {
    const bool on = s.state.autoMirror != 0;
    Button(s, PANEL_UNITS, OBJECT_TOOL_AUTO_MIRROR, on, on ? "auto mirror : ON" : "auto mirror : OFF", ObjectToolsCommand,
           "Automatically mirror each triangle when it is created");
    NextRow();
  }
  Label(s, WIDE_UNITS, "select triangle for colour / group / layer",
        "Click on a triangle to use its colour / group / layer");
  NextRow();
  Label(s, WIDE_UNITS, ShiftHeld ? "shift : get settings" : "shift : select triangle for settings", nullptr);
  NextRow();
  if (s.state.buildCount == 2) {
    Button(s, PANEL_UNITS, 0, 0, "divide edge", DivideEdge, "Add a point on the edge between the two selected points");
    NextRow();
  }
  Button(s, PANEL_UNITS, 0, 0, "merge points 1 and 2", MergeOrRelocate,
         "Merge the first selected point into the last selected point (Alt+M)");
  NextRow();
  Button(s, WIDE_UNITS, 1, 0, "relocate triangles from point 1 to 2", MergeOrRelocate,
         "Move triangles from first selected point to the last selected point");
  NextRow();
  Button(s, WIDE_UNITS, 0, 0, "create real point from mirrored point", CreateRealPoint,
         "Convert the selected point's mirror into an independent point");
  NextRow();
  AddTriangleButtonsOption(s, PANEL_UNITS);
  NextRow();
  return top;
}

// ---- [Triangle mode's commands] ----

namespace {

void RepairMirroringAnswered(Prss* owner, uint32_t, uint32_t) { TriangleModeCommand(owner, CLICK_LEFT, 5); }

// The shared box round every point of the edited object: symmetric in x, at least -1..1 m
// in x and y and 0..1 m in z.
void FitBoxToPoints(const ModelObject& o) {
  int32_t low[3] = {-FIXED_ONE, -FIXED_ONE, 0}, high[3] = {FIXED_ONE, FIXED_ONE, FIXED_ONE};
  for (int i = 0; i < o.pointCount; ++i) {
    const int32_t v[3] = {o.points[i].x, o.points[i].y, o.points[i].z};
    for (int a = 0; a < 3; ++a) low[a] = std::min(low[a], v[a]), high[a] = std::max(high[a], v[a]);
  }
  const int32_t x = std::max(high[0], low[0] == INT32_MIN ? INT32_MAX : -low[0]);
  low[0] = -x, high[0] = x;
  for (int a = 0; a < 3; ++a) ModelBox.corners[0][a] = low[a], ModelBox.corners[1][a] = high[a];
  ModelBox.set = 1;
}

}  // namespace

void TriangleModeCommand(void* owner, int, uintptr_t word) {
  ModellerScreen* s = OperationScreen(owner);
  if (!s || !EditedObject) return;
  switch (word) {
    case 1: OpenModellerOptions(*s, StartDetailReduction, OPTIONS_REDUCTION); break;
    case 4: AskQuestion(&s->prss, RepairMirroringAnswered, "Replace unmirrored triangles with mirrored?", "", 0, 0, 0); break;
    case 5:
      if (AddUndoPoint) AddUndoPoint("repair mirroring", 0, 0, 0);
      EditedObject->ReplaceMirroredTriangles();
      CountSelectedTriangles(*s, 0);
      s->state.currentTriangle = EditedObject->triangleCount;
      RefreshEditedMesh(owner ? static_cast<Prss*>(owner) : nullptr);
      break;
    case 6: ObjectEditorShared.modellerBox = ObjectEditorShared.modellerBox ? 0 : 2; break;
    case 7: FitBoxToPoints(*EditedObject); break;
    case 0: AskEditorSkin(*s); break;
    default: break;
  }
}
