// modeller_screen_test.cpp - the modeller without drawing: its modes and sub-screens, its keys,
// leaving it with and without changes, the status line and the undo history.
#include <cstring>
#include <string>

#include "modeller/operations/modeller_options.h"
#include "modeller/screen/modeller_screen.h"
#include "modeller/state/modeller_operations.h"
#include "modeller_fixture.h"
#include "tests/ui/control_clicks.h"
#include "platform/keys.h"
#include "ui/value_edit.h"

using namespace modeller_test;

// The shown button with the text (and hint); a failure, and a blank button, when there is none.
static const InterfaceButton& Must(const char* text, const char* hint = nullptr) {
  static const InterfaceButton none{};
  const InterfaceButton* b = FindShownButton(text, hint);
  if (!b) ADD_FAILURE() << "no button \"" << text << "\"";
  return b ? *b : none;
}

namespace {

// The modeller's mesh rebuilds, counted from where a test sets them to 0.
int& g_refreshes = EditedMeshRefreshes;

// Two points of the panel's layer 0 put on one place: a tidy merges them.
void BuildPanelWithTwin(ModelObject& o) {
  BuildPanel(o);
  o.points[2].x = o.points[1].x;
}

}  // namespace

// ---- modes ----

TEST_F(ModellerTest, ShiftKeysChangeTheModeAndOpenAndCloseTheTextureScreens) {
  Open();
  EXPECT_EQ(modeller->state.mode, ModeSubobject);
  EXPECT_EQ(ActiveModeller, modeller);
  EXPECT_EQ(EditedObject, &model);
  EXPECT_EQ(ModellerUndo.nodes[0].name, std::string("start"));
  EXPECT_EQ(EditViews.dragBox.callback, ModellerBoxSelect) << "the axis views hand their box to the modeller";
  const struct {
    char key;
    int mode;
    bool subScreen;
  } steps[] = {{'T', ModeTriangle, false}, {'P', ModePoint, false},         {'B', ModeBuild, false},
               {'M', ModeTextureMapping, true}, {'C', ModeTextureCutout, true}, {'G', ModeTexturePage, true},
               {'V', ModeView, false},      {'S', ModeSubobject, false}};
  for (const auto& step : steps) {
    Key(step.key, true);
    EXPECT_EQ(modeller->state.mode, step.mode) << step.key;
    EXPECT_EQ(ObjectEditorShared.modellerMode, step.mode);
    EXPECT_EQ(modeller->prss.sub != nullptr, step.subScreen) << step.key;
    if (step.subScreen) {
      EXPECT_EQ(CurrentProcess, modeller->prss.sub) << "the texture screen takes the keys";
    } else {
      EXPECT_EQ(CurrentProcess, &modeller->prss);
    }
    Frame();
  }
  // The mode bar: the history button and the eight modes, the current one lit; a click on a
  // mode button changes the mode.
  ClearInterface();
  AddModeButtons(*modeller);
  ASSERT_EQ(ButtonCount, 1 + MODELLER_MODE_COUNT);
  for (int m = 0; m < MODELLER_MODE_COUNT; ++m) {
    const InterfaceButton& b = InterfaceButtons[1 + m];
    EXPECT_STREQ(b.text.text, MODELLER_MODE_BUTTONS[m].label);
    EXPECT_STREQ(b.hint, MODELLER_MODE_BUTTONS[m].hint);
    EXPECT_EQ(b.fourth.i, m == ModeSubobject) << "lit: " << b.text.text;
  }
  const InterfaceButton& point = InterfaceButtons[1 + ModePoint];
  point.handler(point.owner, CLICK_LEFT, point.word);
  EXPECT_EQ(modeller->state.mode, ModePoint);

  // The triangle-buttons option: a label and "NO" / "YES", the one in force lit.
  ClearInterface();
  AddTriangleButtonsOption(*modeller, 10);
  ASSERT_EQ(ButtonCount, 3);
  EXPECT_STREQ(InterfaceButtons[0].text.text, "triangle buttons :");
  EXPECT_EQ(InterfaceButtons[1].fourth.i, 1) << "NO";
  const InterfaceButton yes = InterfaceButtons[2];
  EXPECT_STREQ(yes.hint, "Select triangles using buttons at the triangle centre");
  yes.handler(yes.owner, CLICK_LEFT, yes.word);
  EXPECT_EQ(modeller->triangleButtons, 1);
  // The view marks: in point mode with the wire overlay over a shaded draw mode.
  EXPECT_EQ(ShowsViewMarks(), 0);
  ObjectEditorShared.wireOverlay = 1;
  EXPECT_EQ(ShowsViewMarks(), 1);
  SetObjectDrawMode(*editor, 0, DRAW_WIRE);
  EXPECT_EQ(ShowsViewMarks(), 0);
  SetObjectDrawMode(*editor, 0, DRAW_GOURAUD);
  Key('V', true);
  EXPECT_EQ(ShowsViewMarks(), 0);
  ObjectEditorShared.wireOverlay = 0;
}

TEST_F(ModellerTest, BuildModeHandsItsPointsToPointModeAndFindsAVisibleLayer) {
  Open();
  Key('B', true);
  ModellerState& st = modeller->state;
  st.buildCount = 3;
  st.buildList[0] = 4, st.buildList[1] = 2 | BUILD_REFERENCE_MIRRORED, st.buildList[2] = 1;
  Key('P', true);
  EXPECT_EQ(st.buildCount, 0u);
  EXPECT_EQ(st.selectedPointCount, 2) << "a mirrored reference is not selected";
  ASSERT_EQ(st.traceCount, 2);
  EXPECT_EQ(st.trace[0], 4) << "in build-list order";
  EXPECT_EQ(st.trace[1], 1);
  EXPECT_EQ(st.currentPoint, 1);

  st.currentLayer = 0;
  ObjectEditorShared.visibleLayers = (1u << 5) | (1u << 9);
  Key('B', true);
  EXPECT_EQ(st.currentLayer, 5u) << "the lowest visible layer";
  EXPECT_EQ(st.selectedPointCount, 0);
  Key('S', true);
  ObjectEditorShared.visibleLayers = 0;
  Key('B', true);
  EXPECT_EQ(st.mode, ModeBuild) << "the mode is still changed";
  EXPECT_NE(modeller->prss.sub, nullptr);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_NO_VISIBLE_LAYERS);
  Key(KEY_ENTER);
  Frame();
  ObjectEditorShared.visibleLayers = ~0u;
}

TEST_F(ModellerTest, LeavingTextureMappingRebuildsTheMeshOnce) {
  Open();
  Key('M', true);
  g_refreshes = 0;
  Key('T', true);
  EXPECT_EQ(g_refreshes, 1);
  EXPECT_EQ(modeller->prss.sub, nullptr);
  Key('P', true);
  EXPECT_EQ(g_refreshes, 1) << "other changes rebuild nothing";
}

TEST_F(ModellerTest, SubobjectsAreChosenAndTheLevelOfDetailFollowsThem) {
  Open();
  ModelObject& sub = model.children[0];
  SelectSubobject(*modeller, 0, &sub);
  EXPECT_EQ(EditedObject, &sub);
  EXPECT_EQ(modeller->editedParent, &model);
  EXPECT_EQ(modeller->state.editedObjectIndex, 1);
  EXPECT_EQ(ObjectEditorShared.editedObject, 0);
  Frame();
  EXPECT_EQ(modeller->editedChanged, 0) << "the next frame took the change up";
  SelectSubobject(*modeller, 0, &sub);
  EXPECT_EQ(EditedObject, &model) << "choosing the edited subobject again gives the main object";
  EXPECT_EQ(ObjectEditorShared.editedObject, -1);
  // Left selected in a subobject by a load or an error: reported and cleared.
  sub.triangles[0].flags |= TRIANGLE_SELECTED;
  sub.points[1].flags |= POINT_SELECTED;
  SelectSubobject(*modeller, 0, &sub);
  EXPECT_TRUE(Said("Unexpected: 1 triangle were selected"));
  EXPECT_TRUE(Said("Unexpected: 1 point were selected"));
  EXPECT_EQ(SelectedTriangles(), 0);
  EXPECT_EQ(SelectedPoints(), 0);
  EXPECT_EQ(ObjectAtTreeIndex(model, 1), &sub);
  EXPECT_EQ(ObjectAtTreeIndex(model, 2), nullptr);
  EXPECT_EQ(TreeIndexOf(model, &sub), 1);

  // A level change of the main object clears the edited object's selection.
  model.lodCount = 2;
  Key('C');
  Key('T', true);
  SelectTriangle(*modeller, 0);
  SetCurrentLod(*modeller, 0, 1);
  EXPECT_EQ(model.currentLod, 1);
  EXPECT_EQ(SelectedTriangles(), 0);
  EXPECT_EQ(modeller->state.currentPoint, -1);
  SetCurrentLod(*modeller, 0, 5);
  EXPECT_EQ(model.currentLod, 1) << "no such level";
  SetCurrentLod(*modeller, 0, -2);
  EXPECT_EQ(modeller->autoLod, 1);
  SetCurrentLod(*modeller, 0, 0);
  EXPECT_EQ(modeller->autoLod, 0);
}

// A level change leaves nothing of the old level's picking: every triangle (the first too) and
// every point deselected, no current triangle (the count itself), no green point, no trace; a
// level one past the last is refused and changes nothing.
TEST_F(ModellerTest, ALevelChangeDropsTheWholeSelectionAndTheTraceButNotPastTheLastLevel) {
  Open();
  model.lodCount = 2;
  Key('C');
  Key('P', true);
  ASSERT_GE(model.pointCount, 2);
  ASSERT_GE(model.triangleCount, 2);
  model.triangles[0].flags |= TRIANGLE_SELECTED;
  model.triangles[model.triangleCount - 1].flags |= TRIANGLE_SELECTED;
  model.points[0].flags |= POINT_SELECTED;
  model.points[model.pointCount - 1].flags |= POINT_SELECTED;
  modeller->state.selectedTriangleCount = 2;
  modeller->state.selectedPointCount = 2;
  modeller->state.currentTriangle = 0;
  modeller->state.currentPoint = 0;
  modeller->state.trace[0] = 0;
  modeller->state.traceCount = 1;

  SetCurrentLod(*modeller, 0, 2);
  EXPECT_EQ(model.currentLod, 0) << "two levels: 0 and 1";
  EXPECT_EQ(SelectedTriangles(), 2) << "a refused level keeps the selection";
  EXPECT_EQ(modeller->state.traceCount, 1);

  SetCurrentLod(*modeller, 0, 1);
  EXPECT_EQ(model.currentLod, 1);
  EXPECT_EQ(SelectedTriangles(), 0);
  EXPECT_EQ(SelectedPoints(), 0);
  EXPECT_EQ(modeller->state.selectedTriangleCount, 0);
  EXPECT_EQ(modeller->state.selectedPointCount, 0);
  EXPECT_EQ(modeller->state.currentTriangle, model.triangleCount);
  EXPECT_EQ(modeller->state.currentPoint, -1);
  EXPECT_EQ(modeller->state.traceCount, 0);
}

// ---- keys ----

TEST_F(ModellerTest, KeysActOnTheSelectionThePanelsAndTheOperationsToCome) {
  Open();
  // C: the main object in subobject mode, everything deselected in the others.
  SelectSubobject(*modeller, 0, &model.children[0]);
  Key('C');
  EXPECT_EQ(EditedObject, &model);
  Key('T', true);
  SelectTriangle(*modeller, 2);
  Key('C');
  EXPECT_EQ(SelectedTriangles(), 0);
  EXPECT_EQ(modeller->state.selectedTriangleCount, 0);
  // Shift+F hides the panels, Space shows them again and rebuilds the mesh.
  Key('F', true);
  EXPECT_EQ(ObjectEditorShared.hidePanels, 1);
  g_refreshes = 0;
  Key(' ');
  EXPECT_EQ(ObjectEditorShared.hidePanels, 0);
  EXPECT_EQ(g_refreshes, 1);
  // Escape first shows hidden panels.
  Key('F', true);
  Key(27);
  EXPECT_EQ(ObjectEditorShared.hidePanels, 0);
  EXPECT_NE(ActiveModeller, nullptr);

  // A and Ctrl+I: all shown triangles, then their inverse.
  Key('A');
  EXPECT_EQ(SelectedTriangles(), 8);
  CtrlKey('I');
  EXPECT_EQ(SelectedTriangles(), 0);

  // Ctrl+D with nothing to duplicate sounds; with a selection it reaches the operation, after
  // the counts were put right.  (The previews without textures sound too: only what the key
  // made is counted.)
  g_sounds.clear();
  CtrlKey('D');
  ASSERT_EQ(g_sounds.size(), 1u);
  EXPECT_EQ(g_sounds[0], 3);
  model.triangles[1].flags |= TRIANGLE_SELECTED;
  model.triangles[6].flags |= TRIANGLE_SELECTED;
  modeller->state.selectedTriangleCount = 5;
  CtrlKey('D');
  EXPECT_TRUE(Said("FIXED: num_seltri was 5 but should be 2"));
  EXPECT_EQ(modeller->lastOperationAsked, OPERATION_DUPLICATE_TRIANGLES);
  EXPECT_EQ(modeller->state.mode, ModePoint) << "the copies' points are to be moved";
  Key('T', true);
  model.triangles[1].flags |= TRIANGLE_SELECTED;
  modeller->state.selectedTriangleCount = 1;
  Key(KEYCODE_DELETE);
  EXPECT_EQ(modeller->lastOperationAsked, OPERATION_DELETE_TRIANGLES);
  Key('S');
  EXPECT_EQ(modeller->lastOperationAsked, OPERATION_SELECT_TRIANGLE_POINTS);
  Key('R', true);
  EXPECT_EQ(modeller->lastOperationAsked, OPERATION_DETAIL_REDUCTION_DIALOG);
  EXPECT_EQ(OpenOptionsPage(), OPTIONS_REDUCTION);
  Key(27);  // "no"
  Key('H', false, false, true);
  EXPECT_EQ(modeller->lastOperationAsked, OPERATION_UNHIDE_ALL);
  CtrlKey('F');
  EXPECT_EQ(modeller->lastOperationAsked, OPERATION_FLIP_TRIANGLES);
  Key('P', true);
  Key('E');
  EXPECT_EQ(modeller->lastOperationAsked, OPERATION_EXTRUDE);
  Key('M', false, false, true);
  EXPECT_EQ(modeller->lastOperationAsked, OPERATION_MERGE_DIALOG);
  EXPECT_EQ(OpenOptionsPage(), OPTIONS_MERGE);
  Key(27);
  const int points = model.pointCount;
  CtrlKey('N');
  EXPECT_EQ(modeller->lastOperationAsked, OPERATION_NEW_POINT);
  EXPECT_EQ(model.pointCount, points + 1) << "a new point";
  Key('S', true);
  CtrlKey('N');
  EXPECT_EQ(modeller->lastOperationAsked, OPERATION_NEW_SUBOBJECT);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter name of new subobject");
  CancelTextEntry();
  g_sounds.clear();
  CtrlKey('D');
  EXPECT_EQ(g_sounds.size(), 1u) << "the main object is not duplicated";
  CtrlKey('O');
  EXPECT_EQ(modeller->lastOperationAsked, OPERATION_LOAD_DIALOG);
  EXPECT_STREQ(OpenTextEntry.prompt, "Enter name of main object to LOAD");
  CancelTextEntry();

  // Keys the modeller does not take go on to the object editor: the view keys.
  Key('R');
  EXPECT_EQ(CurrentViewCode(), 360);
  Key('P');
  EXPECT_EQ(CurrentViewCode(), -1);
}

// ---- leaving ----

TEST_F(ModellerTest, AModelNeverChangedClosesWithoutATidy) {
  Open(BuildPanelWithTwin);
  Key('T', true);
  SelectTriangle(*modeller, 0);
  Key(27);
  EXPECT_EQ(MessageBoxDialog.prss.alive, 0) << "no question";
  CloseThrough();
  EXPECT_EQ(ActiveModeller, nullptr);
  EXPECT_EQ(parent.prss.sub, nullptr) << "the editor opened for the modeller closes with it";
  EXPECT_EQ(model.pointCount, 9) << "no tidy";
  EXPECT_NE(model.triangles[0].flags & TRIANGLE_SELECTED, 0) << "no check";
  EXPECT_EQ(EditViews.dragBox.callback, nullptr);
}

TEST_F(ModellerTest, EscapeWithChangesAsksAndAYesTidiesAndChecksTheModel) {
  Open(BuildPanelWithTwin);
  Key('T', true);
  SelectTriangle(*modeller, 0);
  AddUndoPoint("edit", 0, 0, 0);
  EXPECT_EQ(modeller->state.unchanged, 0);
  EXPECT_EQ(ObjectEditorShared.unsavedChanges, 1);
  Key(27);
  ASSERT_NE(modeller->prss.sub, nullptr);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_EXIT_EDITOR);
  EXPECT_STREQ(MessageBoxDialog.second, TEXT_UNSAVED_LOST);
  Key('N');
  Frame();
  EXPECT_NE(ActiveModeller, nullptr) << "no leaves everything as it was";
  // With a texture screen open Escape goes back to subobject mode instead.
  Key('M', true);
  Key(27);
  EXPECT_EQ(modeller->state.mode, ModeSubobject);
  EXPECT_EQ(modeller->prss.sub, nullptr);
  Key('X', true);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_EXIT_EDITOR);
  Key('Y');
  CloseThrough();
  EXPECT_EQ(ActiveModeller, nullptr);
  EXPECT_EQ(model.pointCount, 8) << "the tidy merged the two points on one place";
  EXPECT_EQ(model.triangles[0].flags & TRIANGLE_SELECTED, 0) << "the check clears the selection";
  EXPECT_EQ(ModellerUndo.count, 0) << "the history goes with the modeller";
}

TEST_F(ModellerTest, TheProgramsExitAsksFirstForAChangedModel) {
  Open();
  AddUndoPoint("edit", 0, 0, 0);
  ExitRequested = 1;
  Frame();
  EXPECT_EQ(ExitRequested, 0) << "withdrawn while the question is asked";
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_EXIT_PROGRAM);
  Key('N');
  Frame();
  EXPECT_EQ(ExitRequested, 0);
  EXPECT_NE(ActiveModeller, nullptr);
  ExitRequested = 1;
  Frame();
  Key('Y');
  Frame();
  EXPECT_EQ(ExitRequested, 1) << "asked for again";
  CloseThrough();
  EXPECT_EQ(ActiveModeller, nullptr);
  // An unchanged model closes at once and the request stays.
  Open();
  ExitRequested = 1;
  Frame();
  EXPECT_EQ(ExitRequested, 1);
  CloseThrough();
  EXPECT_EQ(ActiveModeller, nullptr);
}

// ---- status line ----

TEST_F(ModellerTest, TheStatusLineShowsForThreeSecondsAndKeepsThePointButtonsClear) {
  Open();
  ShowEditConfirmation("move points");
  EXPECT_EQ(modeller->statusKind, STATUS_EDIT);
  EXPECT_EQ(modeller->statusTimeMs, 3000u);
  FrameTime = 1000;
  Frame();
  EXPECT_EQ(modeller->statusTimeMs, 2000u);
  EXPECT_EQ(PointButtonTopLimit, 61) << "8 % of 768, rounded";
  ShowEditorInfo("undo move points");
  EXPECT_EQ(modeller->statusKind, STATUS_NOTICE);
  EXPECT_EQ(modeller->statusTimeMs, 3000u) << "a new text replaces the old at once";
  Frame(2);
  EXPECT_EQ(modeller->statusTimeMs, 1000u);
  FrameTime = 999;
  KeepDrawing = 0;
  InterfaceRedraw = 0;
  Frame();
  EXPECT_EQ(modeller->statusTimeMs, 1u);
  EXPECT_EQ(InterfaceRedraw, 1) << "frames go on being drawn while the text shows, to its last millisecond";
  EXPECT_EQ(KeepDrawing, 0) << "over the kept scene: nothing in it moves";
  FrameTime = 1500;
  Frame();
  EXPECT_EQ(modeller->statusTimeMs, 0u) << "never below 0";
  EXPECT_EQ(InterfaceRedraw, 1) << "one frame more gives the limit back";
  InterfaceRedraw = 0;
  Frame();
  EXPECT_EQ(InterfaceRedraw, 0) << "not for a text that has gone";
  EXPECT_EQ(PointButtonTopLimit, 0) << "given back when the text has gone";
  // A larger limit stays.
  PointButtonTopLimit = 100;
  ShowEditorInfo("x");
  Frame();
  EXPECT_EQ(PointButtonTopLimit, 100);
  // A text longer than the line is cut at 235 characters.
  const std::string longText(300, 'a');
  ShowEditorInfo(longText.c_str());
  EXPECT_EQ(std::strlen(modeller->statusText), 235u);
  FrameTime = 0;
}

TEST(ModellerStatus, WithoutAModellerConfirmationsBecomeMessageLines) {
  ResetMessages();
  ASSERT_EQ(ActiveModeller, nullptr);
  ShowEditorInfo("dropped");
  ShowEditConfirmation("kept");
  ASSERT_EQ(MessageLineCount, 1);
  EXPECT_STREQ(MessageLines[0].text, "kept");
  ResetMessages();
  EXPECT_EQ(IsPrintableChar(32), 1);
  EXPECT_EQ(IsPrintableChar(127), 0);
  EXPECT_EQ(IsPrintableChar(255), 1);
  EXPECT_EQ(IsPrintableChar(31), 0);
}

// ---- undo history ----

TEST_F(ModellerTest, RepeatsOfOneEditMergeAndKindZeroNeverDoes) {
  Open();
  AddUndoPoint("move points", 5, 7, 9);
  AddUndoPoint("move points", 5, 7, 9);
  AddUndoPoint("move points", 5, 7, 9);
  EXPECT_EQ(ModellerUndo.count, 1);
  AddUndoPoint("move points", 5, 7, 10);
  EXPECT_EQ(ModellerUndo.count, 2) << "another item";
  AddUndoPoint("x", 0, 0, 0);
  AddUndoPoint("x", 0, 0, 0);
  EXPECT_EQ(ModellerUndo.count, 4);
  // The items are pointer-sized: two addresses alike in their low 32 bits stay apart.
  const uintptr_t high = sizeof(uintptr_t) > 4 ? uintptr_t(1) << 32 : 0;
  AddUndoPoint("set width", 1, high + 0x10, 0);
  AddUndoPoint("set width", 1, 2 * high + 0x10, 0);
  EXPECT_EQ(ModellerUndo.count, sizeof(uintptr_t) > 4 ? 6 : 5);
  // An interface control of the modeller's edit domain records through the same hook.
  float width = 1.0f;
  const int before = ModellerUndo.count;
  RecordControlEdit(EDIT_DOMAIN_MODELLER, EDIT_KIND_SET_FLOAT, "Width %.2f", &width);
  RecordControlEdit(EDIT_DOMAIN_MODELLER, EDIT_KIND_SET_FLOAT, "Width %.2f", &width);
  EXPECT_EQ(ModellerUndo.count, before + 1);
  EXPECT_STREQ(ModellerUndo.nodes[ModellerUndo.count].name, "set width");
  EXPECT_STREQ(modeller->statusText, "set width");
  // A slider of the modeller's edit domain records a point when it is pressed.
  uint8_t level = 10;
  SetInterfaceMetrics();
  ClearInterface();
  RowCursorX = RowCursorY = 0;
  EditDomain = EDIT_DOMAIN_MODELLER;
  AddRowByteSlider(&modeller->prss, 200, ButtonHeight, BUTTON_STYLE_BYTE_SLIDER, &level, &TextColours.grey, nullptr);
  EditDomain = EDIT_DOMAIN_NONE;
  const InterfaceButton trough = InterfaceButtons[0];
  MouseX = (trough.left + trough.right) / 2, MouseY = (trough.top + trough.bottom) / 2;
  Mouse(LeftPress());
  EXPECT_EQ(ModellerUndo.count, before + 2);
  Mouse(MouseRecord{});
}

// A change between two flat draw modes keeps the preview and only paints it again: from the
// plain mode, where triangles 0 and 2 share mapping m0 and so a colour, to the groups mode,
// where they are groups 0 and 2 and differ.
TEST_F(ModellerTest, AFlatDrawModeChangeRepaintsTheKeptPreview) {
  Open();
  FlatPreview();
  const DrawMesh* before = modeller->editor->previews[0].mesh;
  ASSERT_NE(before, nullptr);
  const auto colour = [&](int t) {
    return static_cast<const Obj3d*>(modeller->editor->previews[0].mesh)->triangles[t].colour;
  };
  EXPECT_EQ(colour(0), colour(2)) << "one mapping, one colour";
  SetObjectDrawMode(*modeller->editor, 0, DRAW_GROUPS);
  EXPECT_EQ(modeller->editor->previews[0].mesh, before) << "the flat mesh is kept";
  EXPECT_NE(colour(0), colour(2)) << "two groups, two colours";
  FlatPreview();
  EXPECT_EQ(colour(0), colour(2)) << "and back";
}

TEST_F(ModellerTest, UndoRedoAndANewEditAfterUndoDiscardsTheRedoSteps) {
  Open();
  Undo(0);
  EXPECT_STREQ(modeller->statusText, TEXT_NO_EDIT_HISTORY);
  ClearInterface();
  AddUndoButtons(&modeller->prss);
  ASSERT_EQ(ButtonCount, 1);
  EXPECT_STREQ(InterfaceButtons[0].text.text, "no changes");
  for (int i = 1; i <= 3; ++i) {
    model.points[0].x = i << 16;
    char name[16];
    std::snprintf(name, sizeof name, "edit %d", i);
    AddUndoPoint(name, 0, 0, 0);
    model.points[0].x = (i + 1) << 16;
  }
  // Before: x 1, 2, 3 m recorded and 4 m live.
  CtrlKey('Z');
  EXPECT_EQ(model.points[0].x, 3 << 16);
  EXPECT_STREQ(modeller->statusText, "undo edit 3");
  EXPECT_EQ(ModellerUndo.depth, 1);
  EXPECT_NE(ModellerUndo.nodes[3].saved, nullptr) << "the live state is kept for redo";
  UpdateUndoCaptions();
  EXPECT_STREQ(UndoCaption, "Undo edit 2 (CTRL+Z)");
  EXPECT_STREQ(RedoCaption, "Redo edit 3 (CTRL+Y)");
  CtrlKey('Y');
  EXPECT_EQ(model.points[0].x, 4 << 16);
  EXPECT_STREQ(modeller->statusText, "redo edit 3");
  EXPECT_EQ(ModellerUndo.nodes[3].saved, nullptr) << "back at the newest, the live copy is freed";
  // The buttons: counts, undo and redo, dimmed without a handler where nothing can be done.
  ClearInterface();
  AddUndoButtons(&modeller->prss);
  ASSERT_EQ(ButtonCount, 4);
  EXPECT_STREQ(InterfaceButtons[0].text.text, "3");
  EXPECT_STREQ(InterfaceButtons[3].text.text, "0");
  EXPECT_EQ(InterfaceButtons[2].handler, nullptr) << "nothing to redo";
  const InterfaceButton undo = InterfaceButtons[1];
  undo.handler(undo.owner, CLICK_LEFT, undo.word);
  undo.handler(undo.owner, CLICK_LEFT, undo.word);
  EXPECT_EQ(model.points[0].x, 2 << 16);
  EXPECT_EQ(ModellerUndo.depth, 2);
  // An edit now drops the two redo steps.
  AddUndoPoint("edit 4", 0, 0, 0);
  EXPECT_EQ(ModellerUndo.count, 2);
  EXPECT_EQ(ModellerUndo.depth, 0);
  UpdateUndoCaptions();
  EXPECT_STREQ(RedoCaption, "There is nothing to redo");
  EXPECT_STREQ(UndoCaption, "Undo edit 4 (CTRL+Z)");
  EXPECT_EQ(Undo(1), 0) << "redo at the newest does nothing";
  Undo(0), Undo(0);
  EXPECT_EQ(Undo(0), 0);
  EXPECT_STREQ(modeller->statusText, TEXT_NO_MORE_UNDO);
  UpdateUndoCaptions();
  EXPECT_STREQ(UndoCaption, "There is no more to undo");
  EXPECT_EQ(model.points[0].x, 1 << 16);
}

TEST_F(ModellerTest, ThirtyNodesAtMostAndNamesOfSixtyThreeCharacters) {
  Open();
  for (int i = 1; i <= 31; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "edit %d", i);
    AddUndoPoint(name, 0, 0, 0);
  }
  EXPECT_EQ(ModellerUndo.count, 30);
  EXPECT_STREQ(ModellerUndo.nodes[0].name, "edit 1") << "\"start\" is lost with the oldest node";
  EXPECT_STREQ(ModellerUndo.nodes[30].name, "edit 31");
  UpdateUndoCaptions();
  EXPECT_STREQ(UndoCaption, "Undo edit 31 (CTRL+Z)");
  const std::string seventy(70, 'n');
  AddUndoPoint(seventy.c_str(), 0, 0, 0);
  EXPECT_EQ(std::string(ModellerUndo.nodes[30].name), seventy.substr(0, 63));
  int saved = 0;
  for (int i = 0; i < UNDO_SLOT_COUNT; ++i) saved += ModellerUndo.nodes[i].saved != nullptr;
  EXPECT_EQ(saved, 30);
}

TEST_F(ModellerTest, SaveMarkingRestoresTheUnchangedStateByUndo) {
  Open();
  AddUndoPoint("edit 1", 0, 0, 0);
  // The model is saved under its name: what a save does.
  MarkSavedUndoNodes("PANEL");
  modeller->state.unchanged = 1;
  AddUndoPoint("edit 2", 0, 0, 0);
  EXPECT_EQ(modeller->state.unchanged, 0);
  Undo(0);
  EXPECT_EQ(modeller->state.unchanged, 1) << "the saved state is shown";
  Undo(1);
  EXPECT_EQ(modeller->state.unchanged, 0);
  // While undone, the shown node and the live one are marked too.
  Undo(0), Undo(0);
  MarkSavedUndoNodes("panel");
  EXPECT_EQ(ModellerUndo.nodes[0].state.unchanged, 1);
  EXPECT_EQ(ModellerUndo.nodes[1].state.unchanged, 0);
  EXPECT_EQ(ModellerUndo.nodes[2].state.unchanged, 0);
  EXPECT_EQ(ModellerUndo.mergeKey.kind, 0);
  // A save ends a run of merged steps: the same kind of step after it is a step of its own.
  Undo(1), Undo(1);
  AddUndoPoint("nudge", 7, 1, 2);
  AddUndoPoint("nudge", 7, 1, 2);
  const int merged = ModellerUndo.count;
  MarkSavedUndoNodes("panel");
  AddUndoPoint("nudge", 7, 1, 2);
  EXPECT_EQ(ModellerUndo.count, merged + 1);
}

TEST_F(ModellerTest, TheEditHistoryListJumpsToAnyPoint) {
  Open();
  for (int i = 1; i <= 4; ++i) {
    model.points[0].z = i << 16;
    AddUndoPoint("step", 0, 0, 0);
  }
  model.points[0].z = 5 << 16;
  Undo(0), Undo(0);
  ASSERT_EQ(ModellerUndo.depth, 2);
  OpenEditHistory(&modeller->prss, CLICK_LEFT, 0);
  ASSERT_EQ(CurrentProcess, &SelectDialog.prss);
  EXPECT_STREQ(SelectDialog.title, "Select edit point");
  EXPECT_EQ(SelectDialog.count, 5) << "count + 1 entries";
  EXPECT_EQ(SelectDialog.current, 2);
  EXPECT_STREQ(SelectDialog.texts[0], "start");
  SelectItemClick(&SelectDialog.prss, CLICK_LEFT, 4);
  Frame();
  EXPECT_EQ(ModellerUndo.depth, 0) << "both steps redone";
  EXPECT_EQ(model.points[0].z, 5 << 16);
  EXPECT_EQ(ModellerUndo.nodes[4].saved, nullptr) << "the live node is freed";
  GoToEditPoint(*modeller, 1);
  EXPECT_EQ(model.points[0].z, 2 << 16);
  EXPECT_EQ(ModellerUndo.depth, 3);
  GoToEditPoint(*modeller, 1);
  EXPECT_EQ(ModellerUndo.depth, 3) << "the shown point: nothing";
}

// The shown level of detail is the editor's: an undo keeps it while the restored model has
// that level, and shows the first level when the restored model has fewer.
TEST_F(ModellerTest, AnUndoKeepsTheShownLevelWhileTheRestoredModelHasIt) {
  Open();
  model.lodCount = 2;
  SetCurrentLod(*modeller, 0, 0);
  AddUndoPoint("two levels", 0, 0, 0);  // recorded with two levels, the first shown
  model.lodCount = 3;
  SetCurrentLod(*modeller, 0, 2);
  ASSERT_EQ(model.currentLod, 2);
  ASSERT_EQ(Undo(0), 1);
  EXPECT_EQ(model.lodCount, 2);
  EXPECT_EQ(model.currentLod, 0) << "level 2 is past the restored two";
  ASSERT_EQ(Undo(1), 1);
  EXPECT_EQ(model.lodCount, 3);
  SetCurrentLod(*modeller, 0, 1);
  ASSERT_EQ(Undo(0), 1);
  EXPECT_EQ(model.currentLod, 1) << "the last of the restored two stays shown, not the recorded first";
}

TEST_F(ModellerTest, UndoAcrossModesRestoresTheModeSubScreenAndSelection) {
  Open();
  Key('P', true);
  SelectPoint(*modeller, 2);
  SelectPoint(*modeller, 5);
  AddUndoPoint("move points", 0, 0, 0);
  model.points[5].z += 1 << 16;
  DeselectAllPoints(*modeller);
  Key('M', true);
  ASSERT_NE(modeller->prss.sub, nullptr);
  CtrlKey('Z');
  EXPECT_EQ(modeller->state.mode, ModePoint);
  EXPECT_EQ(modeller->prss.sub, nullptr) << "the mapping screen closed";
  EXPECT_EQ(modeller->state.selectedPointCount, 2);
  EXPECT_EQ(modeller->state.currentPoint, 5);
  EXPECT_EQ(SelectedPoints(), 2);
  EXPECT_EQ(model.points[5].z, 1 << 15);
  // Redo goes back to the mapping mode and opens its screen again.
  CtrlKey('Y');
  EXPECT_EQ(modeller->state.mode, ModeTextureMapping);
  ASSERT_NE(modeller->prss.sub, nullptr);
  EXPECT_EQ(SelectedPoints(), 0);
  // An undo within a texture mode gives its screen the restored selection.
  SelectedMapping = 1;
  AddUndoPoint("map edit", 0, 0, 0);
  SelectedMapping = 0;
  CtrlKey('Z');
  EXPECT_EQ(SelectedMapping, 1);
  // The edited subobject comes back by its index in the tree.
  Key('S', true);
  SelectSubobject(*modeller, 0, &model.children[0]);
  AddUndoPoint("subobject edit", 0, 0, 0);
  SelectSubobject(*modeller, 0, &model);
  Undo(0);
  EXPECT_EQ(EditedObject, &model.children[0]) << "the node's edited object (a copy's place)";
}

TEST_F(ModellerTest, TheLiveSlotIsFreedBeforeItIsOverwrittenAndTheLatestNodeCanBeTakenBack) {
  Open();
  ModellerState state{};
  EXPECT_EQ(ModellerUndo.FreeLatestNode(state), 0);
  EXPECT_TRUE(Said(TEXT_NO_NODES));
  AddUndoPoint("drag", 0, 0, 0);
  // Left behind by a fault elsewhere: the leak checker sees it lost if it is overwritten.
  ModelObject* stray = static_cast<ModelObject*>(std::calloc(1, sizeof(ModelObject)));
  stray->Init();
  ModellerUndo.nodes[ModellerUndo.count].saved = stray;
  EXPECT_EQ(SaveLiveUndoNode(modeller->state), 1);
  EXPECT_TRUE(Said(TEXT_NODE_STILL_ALLOCATED));
  EXPECT_NE(ModellerUndo.nodes[1].saved, stray);
  FreeLiveUndoNode();
  modeller->state.currentPoint = 7;
  AddUndoPoint("drag 2", 0, 0, 0);
  EXPECT_EQ(ModellerUndo.FreeLatestNode(state), 1);
  EXPECT_EQ(state.currentPoint, 7);
  EXPECT_EQ(ModellerUndo.count, 1);
  EXPECT_STREQ(ModellerUndo.nodes[1].name, "drag") << "the live state's label again";
}

TEST_F(ModellerTest, CtrlDragsTurnTheLightAndHoldItsElevationBetweenLevelAndTheLimit) {
  Open();
  ClearInterface();
  ASSERT_EQ(editor->lightElevation, 8192) << "an eighth of a turn up at first";
  const auto drag = [&](int dx, int dy, bool ctrl = true, bool right = false) {
    MouseRecord m{};
    m.leftHeld = 1, m.rightHeld = right;
    m.dx = dx, m.dy = dy;
    CtrlHeld = ctrl;
    editor->prss.mouse(&editor->prss, &m);
    CtrlHeld = 0;
  };
  const uint16_t heading = editor->lightHeading;
  drag(2, -10);  // 36 heading units and 18 elevation units a pixel; up the screen is up
  EXPECT_EQ(editor->lightElevation, 8192 + 180);
  EXPECT_EQ(editor->lightHeading, uint16_t(heading + 72));
  drag(-2, 0);
  EXPECT_EQ(editor->lightHeading, heading);
  drag(0, -1000);
  EXPECT_EQ(editor->lightElevation, OBJECT_EDITOR_LIGHT_ELEVATION_MAX);
  drag(0, 1);
  EXPECT_EQ(editor->lightElevation, OBJECT_EDITOR_LIGHT_ELEVATION_MAX - 18);
  drag(0, 1000);
  EXPECT_EQ(editor->lightElevation, 0) << "no lower than level";
  drag(0, -1);
  EXPECT_EQ(editor->lightElevation, 18);
  // Without Ctrl, or with the right button held too, the drag is the view's.
  drag(0, -5, false);
  drag(0, -5, true, true);
  EXPECT_EQ(editor->lightElevation, 18);
  EXPECT_EQ(editor->lightHeading, heading);
}

TEST_F(ModellerTest, TheViewOptionsStandAboveTheBottomRightBlockInRowsOfTwo) {
  Open();
  SelectEditView(VIEW_PERSPECTIVE);
  const auto frame = [this] {  // one frame's buttons
    ClearInterface();
    FrameSkipped = 0;
    editor->prss.act(&editor->prss);
    FrameSkipped = 1;
  };
  frame();
  // The block takes the bottom eight rows; the options stand ten units wide against the right
  // edge from the ninth row up: two items of five units a row, the vertex normals' four
  // buttons of two units on a row of their own.
  const int left = ScreenWidth - 10 * ButtonWidth, middle = left + 5 * ButtonWidth;
  const auto rowOf = [](const InterfaceButton* b) { return (ScreenHeight - b->top) / ButtonHeight; };
  const struct {
    const char* label;
    int row, left;
  } places[] = {{"invert", 9, left},   {"shadow", 9, middle},     {"wire overlay", 10, left},
                {"n.c.level", 10, middle}, {"gouraud", 14, left}, {"nrm", 15, left},
                {"big", 15, left + 6 * ButtonWidth}, {"show hidden", 16, left}, {"show subobs", 16, middle},
                {"show main", 17, left}};
  for (const auto& p : places) {
    const InterfaceButton* b = FindShownButton(p.label);
    ASSERT_NE(b, nullptr) << p.label;
    EXPECT_EQ(rowOf(b), p.row) << p.label;
    EXPECT_EQ(b->left, p.left) << p.label;
  }
  EXPECT_EQ(Must("reload textures").top, ScreenHeight - ButtonHeight);
  EXPECT_EQ(Must("off").fourth.i, 1) << "the normals are off at first";
  // An axis view has neither "invert" nor "shadow", and its block a background row more: the
  // wireframe overlay opens the options on the tenth row.
  SelectEditView(VIEW_FRONT);
  frame();
  EXPECT_EQ(FindShownButton("invert"), nullptr);
  ASSERT_NE(FindShownButton("wire overlay"), nullptr);
  EXPECT_EQ(rowOf(FindShownButton("wire overlay")), 10);
  EXPECT_EQ(Must("wire overlay").left, left);
  // "flat" chooses the first draw mode.
  ClickButton(Must("flat"));
  EXPECT_EQ(CurrentDrawMode(), DRAW_FLAT);
  // While a dialog is open (the file chooser of Ctrl + O) neither the block nor the options
  // stand over it: the dialog is drawn before the pixel buttons.
  DialogOpen = 2;
  frame();
  EXPECT_EQ(FindShownButton("reload textures"), nullptr);
  EXPECT_EQ(FindShownButton("flat"), nullptr);
  DialogOpen = 0;
  // Where a tool's rows stand in their place (triangle mode's attribute column at the right
  // edge, in a window of 20 rows), the options give way rather than lie over them.
  SelectEditView(VIEW_PERSPECTIVE);
  Key('T', true);
  const int height = ScreenHeight;
  ScreenHeight = 20 * ButtonHeight;
  frame();
  EXPECT_NE(FindShownButton("group"), nullptr);
  EXPECT_EQ(FindShownButton("flat"), nullptr);
  ScreenHeight = height;
  frame();
  EXPECT_NE(FindShownButton("group"), nullptr);
  EXPECT_NE(FindShownButton("flat"), nullptr);
}

TEST_F(ModellerTest, OneObjectWithoutSubobjectsHasNoSubobjectOrDummySwitch) {
  Open(BuildSampleBox);
  ASSERT_EQ(model.childCount, 0);
  SelectEditView(VIEW_PERSPECTIVE);
  ClearInterface();
  FrameSkipped = 0;
  editor->prss.act(&editor->prss);
  FrameSkipped = 1;
  EXPECT_NE(FindShownButton("shadow"), nullptr);
  EXPECT_NE(FindShownButton("show main"), nullptr);
  EXPECT_EQ(FindShownButton("show subobs"), nullptr);
  EXPECT_EQ(FindShownButton("show dummy"), nullptr);
  EXPECT_EQ(FindShownButton("show skeleton"), nullptr);
  // An object of the first skeleton (index 0) gets the skeleton's switch, and the main
  // object's switch is named "show object".
  editor->skeletonIndex = 0;
  ClearInterface();
  FrameSkipped = 0;
  editor->prss.act(&editor->prss);
  FrameSkipped = 1;
  EXPECT_NE(FindShownButton("show skeleton"), nullptr);
  EXPECT_NE(FindShownButton("show object"), nullptr);
  EXPECT_EQ(FindShownButton("show main"), nullptr);
  EXPECT_EQ(FindShownButton("shadow"), nullptr) << "no shadow switch with a skeleton";
  editor->skeletonIndex = -1;
  ClearInterface();
}

TEST_F(ModellerTest, TheEditHistorysNamesAreListedFromItsFirstNode) {
  Open();
  EXPECT_EQ(modeller->editNames[0], ModellerUndo.nodes[0].name);
  EXPECT_STREQ(modeller->editNames[0], TEXT_UNDO_START);
  EXPECT_EQ(modeller->editNames[UNDO_SLOT_COUNT - 1], ModellerUndo.nodes[UNDO_SLOT_COUNT - 1].name);
}
