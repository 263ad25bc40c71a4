// layers_test.cpp - the layer panel (showing, hiding, renaming, assigning, merging), the
// attribute buttons with Ctrl and with their questions, and the unused points' clean-ups.
#include "model/model_materials.h"
#include "modeller/operations/layers.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "operations_fixture.h"

using namespace modeller_test;

namespace {

// Six separate triangles on layers 0, 0, 3, 3, 5, 5, and a subobject with one triangle on
// layer 3; two loose points (18, 19).
void LayeredTriangles(ModelObject& o) {
  o.Init();
  ModelBuilder b;
  for (int t = 0; t < 6; ++t) {
    const int p = b.Point(t, 0, 0);
    b.Point(t + 0.5, 0, 0), b.Point(t, 0, 0.5);
    b.layer = t / 2 == 0 ? 0 : t / 2 == 1 ? 3 : 5;
    b.Triangle(p, p + 1, p + 2);
  }
  b.Point(9, 0, 0), b.Point(-9, 0, 0);
  b.Into(o);
  std::snprintf(o.layerNames[3], LAYER_NAME_SIZE, "doors");
  std::vector<ModelObject> children(1);
  children[0].Init();
  ModelBuilder c;
  c.layer = 3;
  c.Point(0, 0, 0), c.Point(1, 0, 0), c.Point(0, 1, 0);
  c.Triangle(0, 1, 2);
  c.Into(children[0]);
  std::snprintf(children[0].layerNames[3], LAYER_NAME_SIZE, "doors");
  SetChildren(o, children);
}

}  // namespace

class LayersTest : public OperationsTest {
 protected:
  void SelectTriangles(std::initializer_list<int> triangles) {
    DeselectAllTriangles(*modeller);
    for (int t : triangles) SelectTriangle(*modeller, t);
  }
  const ModelTriangle& T(int index) const { return EditedObject->triangles[index]; }
};

TEST_F(LayersTest, TheVisibilityPanelShowsHidesAndRenames) {
  Start(LayeredTriangles);
  Key('T', true);
  Press("none");
  EXPECT_EQ(ObjectEditorShared.visibleLayers, 0u);
  Press("all");
  EXPECT_EQ(ObjectEditorShared.visibleLayers, ~0u);
  // Hiding the current triangle's layer makes the next selected one current.
  SelectTriangles({2, 0, 4});
  EXPECT_EQ(modeller->state.currentTriangle, 4);
  modeller->state.currentTriangle = 2;
  ShiftHeld = 1;
  Press("doors", CLICK_LEFT, "Left click to hide/show/select layer / Right click to rename");
  ShiftHeld = 0;
  EXPECT_EQ(ObjectEditorShared.visibleLayers >> 3 & 1, 0u);
  EXPECT_EQ(T(2).flags & TRIANGLE_SELECTED, 0);
  EXPECT_EQ(modeller->state.selectedTriangleCount, 2);
  EXPECT_EQ(modeller->state.currentTriangle, 0);
  // Shown again, it becomes the current layer.
  LayerButtonAction(&modeller->prss, CLICK_LEFT, 3);
  EXPECT_EQ(modeller->state.currentLayer, 3u);
  // A right click renames; the entry takes the 7 characters a layer's name keeps, no more.
  // The rename is an edit: one undo point, the model marked changed; the same name again is
  // none.
  ObjectEditorShared.unsavedChanges = 0;
  const std::vector<uint8_t> before = Serialised();
  LayerButtonAction(&modeller->prss, CLICK_RIGHT, 7);
  EXPECT_EQ(OpenTextEntry.maxLength, 7);
  Type("bodywork");
  EXPECT_STREQ(model.layerNames[7], "bodywor");
  EXPECT_STREQ(modeller->statusText, "rename layer");
  EXPECT_EQ(ObjectEditorShared.unsavedChanges, 1);
  const int history = ModellerUndo.count;
  LayerButtonAction(&modeller->prss, CLICK_RIGHT, 7);
  Type("bodywor");
  EXPECT_EQ(ModellerUndo.count, history);
  ExpectUndoRestores(before);
}

TEST_F(LayersTest, AssigningAndMergingLayers) {
  Start(LayeredTriangles);
  Key('T', true);
  SelectTriangles({0, 1});
  std::vector<uint8_t> before = Serialised();
  Press("doors", CLICK_LEFT, "Left click to assign selected triangles to layer / Right click to rename");
  EXPECT_STREQ(MessageBoxDialog.first, "Assign 2 triangles to layer doors?");
  Key('Y');
  EXPECT_STREQ(modeller->statusText, "triangles to layer");
  EXPECT_EQ(T(0).layer, 3);
  EXPECT_EQ(T(1).layer, 3);
  ExpectUndoRestores(before);
  AssignLayerAction(&modeller->prss, CLICK_LEFT, 3);
  EXPECT_STREQ(MessageBoxDialog.first, "Selected triangles are already in layer doors");
  Confirm();
  // The question counts the selection afresh: a triangle marked since the last count is in it.
  model.triangles[4].flags |= TRIANGLE_SELECTED;
  AssignLayerAction(&modeller->prss, CLICK_LEFT, 3);
  EXPECT_STREQ(MessageBoxDialog.first, "Assign 3 triangles to layer doors?");
  Key('N');
  model.triangles[4].flags &= uint8_t(~TRIANGLE_SELECTED);
  CountSelectedTriangles(*modeller, 0);

  // Layer 3 merged into 5: the subobject's triangle too, and the name cleared everywhere.
  modeller->state.currentLayer = 3;
  before = Serialised();
  LayerPanelAction(&modeller->prss, CLICK_LEFT, 3);
  ASSERT_EQ(SelectDialog.count, PANEL_LAYERS);
  SelectItemClick(&SelectDialog.prss, CLICK_LEFT, 5);
  EXPECT_STREQ(modeller->statusText, "merge layer");
  for (int t = 0; t < model.triangleCount; ++t) EXPECT_NE(T(t).layer, 3) << t;
  EXPECT_EQ(model.children[0].triangles[0].layer, 5);
  EXPECT_STREQ(model.layerNames[3], "");
  EXPECT_STREQ(model.children[0].layerNames[3], "");
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();
  ExpectUndoRestores(before);
  // The first layer of the list takes a merge too (the merge above undone): layer 5 into 0.
  CtrlKey('Z');
  modeller->state.currentLayer = 5;
  int onFive = 0;
  for (int t = 0; t < model.triangleCount; ++t) onFive += T(t).layer == 5;
  ASSERT_GT(onFive, 0);
  LayerPanelAction(&modeller->prss, CLICK_LEFT, 3);
  ASSERT_EQ(SelectDialog.count, PANEL_LAYERS);
  SelectItemClick(&SelectDialog.prss, CLICK_LEFT, 0);
  EXPECT_STREQ(modeller->statusText, "merge layer");
  for (int t = 0; t < model.triangleCount; ++t) EXPECT_NE(T(t).layer, 5) << t;
}

TEST_F(LayersTest, BothLayerPanelsLeadTheirRowsAndPlaceTheSixteenLayersFourByFour) {
  // Each panel: four rows, a 4-unit leader and four 3-unit layer buttons (layer 4 x row +
  // column), one row under another.
  struct Leader {
    const char* text;
    uintptr_t word;
    InterfaceHandler handler;
    const char* hint;
  };
  const auto expectPanel = [&](const Leader (&leaders)[4], InterfaceHandler layerHandler, const char* layerHint,
                               uint32_t lit, const char* what) {
    ClearInterface();
    RowCursorX = RowCursorY = 0;
    AddLayerPanel(*modeller);
    ASSERT_GE(ButtonCount, 20) << what;
    for (int row = 0; row < 4; ++row) {
      const InterfaceButton& lead = InterfaceButtons[row * 5];
      char text[64] = "";
      ButtonText(lead, text, sizeof text);
      EXPECT_STREQ(text, leaders[row].text) << what << " row " << row;
      EXPECT_EQ(lead.word, leaders[row].word) << what << " row " << row;
      EXPECT_EQ(lead.handler, leaders[row].handler) << what << " row " << row;
      if (leaders[row].hint) {
        EXPECT_STREQ(lead.hint, leaders[row].hint) << what << " row " << row;
      } else {
        EXPECT_EQ(lead.hint, nullptr) << what << " row " << row;
      }
      EXPECT_EQ(lead.left, 0);
      EXPECT_EQ(lead.right, 4 * ButtonWidth);
      EXPECT_EQ(lead.top, (row + 1) * ButtonHeight) << what << " row " << row;
      for (int column = 0; column < 4; ++column) {
        const InterfaceButton& b = InterfaceButtons[row * 5 + 1 + column];
        const int layer = row * 4 + column;
        EXPECT_EQ(b.word, uintptr_t(layer)) << what;
        EXPECT_EQ(b.handler, layerHandler) << what << " layer " << layer;
        EXPECT_STREQ(b.hint, layerHint) << what << " layer " << layer;
        EXPECT_EQ(b.fourth.i, int((lit >> layer) & 1)) << what << " layer " << layer;
        EXPECT_EQ(b.left, (4 + 3 * column) * ButtonWidth) << what << " layer " << layer;
        EXPECT_EQ(b.right, (7 + 3 * column) * ButtonWidth) << what << " layer " << layer;
        EXPECT_EQ(b.top, lead.top) << what << " layer " << layer;
      }
    }
  };
  Start(LayeredTriangles);
  Key('T', true);
  // Showing and hiding: lit while shown.
  ObjectEditorShared.visibleLayers = ~0u & ~(1u << 5);
  const Leader visibility[4] = {{"all", 0, LayerPanelAction, "Show all layers"},
                                {"none", 1, LayerPanelAction, "Hide all layers"},
                                {"merge", 3, LayerPanelAction, "Merge the selected layer into another layer"},
                                {"-", 2, nullptr, nullptr}};
  expectPanel(visibility, LayerButtonAction, "Left click to hide/show/select layer / Right click to rename", 0xFFDF,
              "showing");
  ObjectEditorShared.visibleLayers = ~0u;
  // Triangles of layers 0 and 3 selected: the assigning panel, those two lit.
  SelectTriangles({0, 2});
  const Leader assigning[4] = {{"shift :", 2, LayerPanelAction, "Hold down the SHIFT key to select a layer"},
                               {"select", 2, LayerPanelAction, "Hold down the SHIFT key to select a layer"},
                               {"-", 2, nullptr, nullptr},
                               {"-", 2, nullptr, nullptr}};
  expectPanel(assigning, AssignLayerAction, "Left click to assign selected triangles to layer / Right click to rename",
              (1u << 0) | (1u << 3), "assigning");
}

TEST_F(LayersTest, AttributeButtonsSelectWithCtrlAndAssignAfterAsking) {
  Start(LayeredTriangles);
  Key('T', true);
  model.triangles[0].group = model.triangles[2].group = model.triangles[4].group = 2;
  model.triangles[4].flags |= TRIANGLE_HIDDEN;
  model.lodCount = 2;
  model.triangles[2].lod = 1;
  ObjectEditorShared.visibleLayers = ~(1u << 5);
  modeller->state.currentGroup = 0;
  CtrlHeld = 1;
  AssignGroupAction(&modeller->prss, CLICK_LEFT, 2);
  CtrlHeld = 0;
  EXPECT_EQ(SelectedTriangles(), 1) << "only shown-level, visible, unhidden triangles";
  EXPECT_NE(T(0).flags & TRIANGLE_SELECTED, 0);
  EXPECT_EQ(modeller->state.currentGroup, 2u) << "and the group selected by becomes the current one";
  // A group no triangle has selects none and still becomes the current one.
  CtrlHeld = 1;
  AssignGroupAction(&modeller->prss, CLICK_LEFT, 9);
  CtrlHeld = 0;
  EXPECT_EQ(SelectedTriangles(), 0);
  EXPECT_EQ(modeller->state.currentGroup, 9u);
  ObjectEditorShared.visibleLayers = ~0u;

  // Swap goes only on unmirrored triangles.
  model.triangles[1].flags |= TRIANGLE_MIRRORED;
  SelectTriangles({0, 1});
  const std::vector<uint8_t> before = Serialised();
  AssignSwapAction(&modeller->prss, CLICK_LEFT, 1);
  EXPECT_STREQ(MessageBoxDialog.first, "Assign 2 triangles to : swap?");
  Key('Y');
  EXPECT_NE(T(0).flags & TRIANGLE_SIDE_SWAP, 0);
  EXPECT_EQ(T(1).flags & TRIANGLE_SIDE_SWAP, 0);
  ExpectUndoRestores(before);
  SelectTriangles({1});
  const int history = ModellerUndo.count;
  AssignSwapAction(&modeller->prss, CLICK_LEFT, 1);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_ALL_MIRRORED);
  Confirm();
  EXPECT_EQ(ModellerUndo.count, history);
  AssignContributionAction(&modeller->prss, CLICK_LEFT, 1);
  EXPECT_STREQ(modeller->statusText, "Selected triangles are already in ncl low");
}

// Each panel action asked about the entry one past its table (layer 32, group 24, level 4,
// swap 2) does nothing: no question, no name asked, no undo step, nothing changed.
TEST_F(LayersTest, ActionsAskedAboutTheEntryOnePastTheirTableDoNothing) {
  Start(LayeredTriangles);
  Key('T', true);
  SelectTriangles({0, 1});
  const std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  const uint32_t visible = ObjectEditorShared.visibleLayers;
  const auto nothing = [&](const char* what) {
    EXPECT_FALSE(MessageBoxDialog.prss.alive) << what;
    EXPECT_EQ(OpenTextEntry.open, 0) << what;
    EXPECT_EQ(ModellerUndo.count, history) << what;
    EXPECT_EQ(Serialised(), before) << what;
    EXPECT_EQ(ObjectEditorShared.visibleLayers, visible) << what;
  };
  AssignGroupAction(&modeller->prss, CLICK_LEFT, MAX_SMOOTHING_GROUPS);
  nothing("group 24");
  AssignContributionAction(&modeller->prss, CLICK_LEFT, NORMAL_LEVEL_COUNT);
  nothing("level 4");
  AssignSwapAction(&modeller->prss, CLICK_LEFT, 2);
  nothing("swap 2");
  LayerButtonAction(&modeller->prss, CLICK_RIGHT, LAYER_COUNT);
  nothing("layer 32 renamed from the visibility row");
  AssignLayerAction(&modeller->prss, CLICK_RIGHT, LAYER_COUNT);
  nothing("layer 32 renamed from the assigning row");
  MergeLayer(*modeller, LAYER_COUNT, 0);
  nothing("layer 0 merged into 32");
  MergeLayer(*modeller, 0, LAYER_COUNT);
  nothing("layer 32 merged into 0");
  // The last entry of each is taken: the group and the layer name are asked about.
  AssignGroupAction(&modeller->prss, CLICK_LEFT, MAX_SMOOTHING_GROUPS - 1);
  EXPECT_TRUE(MessageBoxDialog.prss.alive) << "group 23";
  Key('N');
  AssignLayerAction(&modeller->prss, CLICK_RIGHT, LAYER_COUNT - 1);
  EXPECT_EQ(OpenTextEntry.open, 1) << "layer 31";
}

TEST_F(LayersTest, UnusedPointsAreDeletedOrUnmirrored) {
  Start(LayeredTriangles);
  Key('P', true);
  model.points[19].flags |= POINT_MIRRORED;
  model.points[0].flags |= POINT_MIRRORED;
  SelectPoints({0, 18, 19});
  const std::vector<uint8_t> before = Serialised();
  UnmirrorUnusedPoints(*modeller);
  EXPECT_EQ(model.points[19].flags & POINT_MIRROR_STATE, 0);
  EXPECT_EQ(model.points[0].flags & POINT_MIRROR_STATE, 0) << "no triangle needs its copy";
  ExpectUndoRestores(before);
  // A point marked since the selection was last counted is counted afresh.
  DeselectAllPoints(*modeller);
  model.points[19].flags |= POINT_MIRRORED | POINT_SELECTED;
  UnmirrorUnusedPoints(*modeller);
  EXPECT_EQ(model.points[19].flags & POINT_MIRROR_STATE, 0);
  SelectPoints({0, 18, 19});
  DeleteUnusedPoints(*modeller, 1);
  EXPECT_EQ(model.pointCount, 18);
  EXPECT_EQ(modeller->state.selectedPointCount, 0);
  EXPECT_EQ(modeller->state.currentPoint, -1);
}

TEST_F(LayersTest, TheMappingButtonRenamesAddsToTheSelectionAndAssigns) {
  Start(TwoTriangles);
  Key('T', true);
  modeller->state.currentMapping = 1;
  const char* const HINT = "The name of the selected mapping";
  // A right click renames, the light names offered, the name cut to 15 characters.
  std::vector<uint8_t> before = Serialised();
  Press("m1", CLICK_RIGHT, HINT);
  ASSERT_EQ(OpenTextEntry.open, 1);
  EXPECT_STREQ(OpenTextEntry.prompt, TEXT_RENAME_MAPPING);
  EXPECT_EQ(TextEntryDialogSub.pick.count, LIGHT_NAME_COUNT);
  Type("l_head_and_more_text");
  EXPECT_STREQ(model.mappings[1].name, "l_head_and_more");
  EXPECT_STREQ(modeller->statusText, "rename mapping");
  ExpectUndoRestores(before);
  AssignColourAction(&modeller->prss, CLICK_RIGHT, 1);
  const int history = ModellerUndo.count;
  const std::vector<uint8_t> named = Serialised();
  Type("");
  ExpectUnchanged(named, history);

  // Ctrl adds the mapping's shown triangles to the selection; it does not replace it.
  SelectTriangles({0});
  modeller->state.currentMapping = 1;
  CtrlHeld = 1;
  Press("l_head_and_more", CLICK_LEFT, HINT);
  CtrlHeld = 0;
  EXPECT_EQ(SelectedTriangles(), 2);
  EXPECT_EQ(modeller->state.currentMapping, 1);

  // In triangle mode with a selection the selected triangles are asked to take it.
  SelectTriangles({0});
  modeller->state.currentMapping = 1;
  before = Serialised();
  AssignColourAction(&modeller->prss, CLICK_LEFT, 1);
  EXPECT_STREQ(MessageBoxDialog.first, "Assign 1 triangle to colour l_head_and_more?");
  Key('Y');
  EXPECT_STREQ(modeller->statusText, "set colour");
  EXPECT_EQ(T(0).mapping, 1);
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();
  ExpectUndoRestores(before);
  SelectTriangles({0});
  AssignColourAction(&modeller->prss, CLICK_LEFT, 1);
  EXPECT_STREQ(modeller->statusText, "Selected triangles are already l_head_and_more");

  // Elsewhere (and with Ctrl in build mode) it only becomes current.
  Key('B', true);
  SelectTriangles({0});
  CtrlHeld = 1;
  AssignColourAction(&modeller->prss, CLICK_LEFT, 0);
  CtrlHeld = 0;
  EXPECT_EQ(modeller->state.currentMapping, 0);
  EXPECT_EQ(SelectedTriangles(), 1);
  AssignColourAction(&modeller->prss, CLICK_LEFT, 7);  // beyond the list: nothing
  EXPECT_EQ(modeller->state.currentMapping, 0);
}

TEST_F(LayersTest, TheAttributeColumnShowsTheCurrentValuesAtTheRightEdge) {
  Start(TwoTriangles);
  Key('T', true);
  modeller->state.currentMapping = 9;
  Buttons();
  EXPECT_EQ(modeller->state.currentMapping, 0) << "Selected colour was out of bounds";
  const InterfaceButton* mapping = FindByHint("The name of the selected mapping", 0);
  ASSERT_NE(mapping, nullptr);
  EXPECT_EQ(mapping->right, ScreenWidth);
  EXPECT_EQ(mapping->right - mapping->left, 8 * ButtonWidth);
  modeller->state.currentGroup = 2;
  modeller->state.normalLevel = 3;
  modeller->state.sideSwap = 1;
  Buttons();
  ASSERT_NE(FindByHint("The selected smoothing group", 2), nullptr);
  EXPECT_NE(Find("high", "The selected normal contribution level"), nullptr);
  // The last group shows itself; a group number past the last shows group 0.
  modeller->state.currentGroup = MAX_SMOOTHING_GROUPS - 1;
  Buttons();
  EXPECT_NE(Find("23", "The selected smoothing group"), nullptr);
  modeller->state.currentGroup = MAX_SMOOTHING_GROUPS;
  Buttons();
  EXPECT_NE(Find("0", "The selected smoothing group"), nullptr);
  modeller->state.currentGroup = 2;
  EXPECT_NE(Find("swap", "The selected value for drive side swap mode"), nullptr);
  // Likewise a contribution level past the last shows level 0, "zero", and asks for that.
  modeller->state.normalLevel = NORMAL_LEVEL_COUNT;
  Buttons();
  EXPECT_NE(FindByHint("The selected normal contribution level", 0), nullptr);
  EXPECT_NE(Find("zero", "The selected normal contribution level"), nullptr);
  modeller->state.normalLevel = 3;
  // Ctrl with the column's level selects the triangles that have it.
  model.triangles[1].normalLevel = 3;
  CtrlHeld = 1;
  Press("high", CLICK_LEFT, "The selected normal contribution level");
  CtrlHeld = 0;
  EXPECT_EQ(SelectedTriangles(), 1);
  EXPECT_NE(T(1).flags & TRIANGLE_SELECTED, 0);
  // Build mode has it too; point mode does not.
  const auto column = [] {
    for (int i = 0; i < ButtonCount; ++i)
      if (InterfaceButtons[i].hint && std::strcmp(InterfaceButtons[i].hint, "The name of the selected mapping") == 0)
        return true;
    return false;
  };
  Key('B', true);
  Buttons();
  EXPECT_TRUE(column());
  Key('P', true);
  Buttons();
  EXPECT_FALSE(column());
}

TEST_F(LayersTest, HidingALayerDeselectsItsPointsEvenASingleOne) {
  Start(LayeredTriangles);
  Key('P', true);
  ObjectEditorShared.visibleLayers = ~0u;
  SelectPoints({6});  // a corner of the doors' first triangle only
  ASSERT_EQ(modeller->state.selectedPointCount, 1);
  ObjectEditorShared.visibleLayers = ~(1u << 3);
  DeselectHiddenItems(*modeller);
  EXPECT_EQ(model.points[6].flags & POINT_SELECTED, 0);
  EXPECT_EQ(modeller->state.selectedPointCount, 0);
  // A point of a shown layer stays selected.
  SelectPoints({0, 6});
  DeselectHiddenItems(*modeller);
  EXPECT_NE(model.points[0].flags & POINT_SELECTED, 0);
  EXPECT_EQ(model.points[6].flags & POINT_SELECTED, 0);
  EXPECT_EQ(modeller->state.selectedPointCount, 1);
  ObjectEditorShared.visibleLayers = ~0u;
}

TEST_F(LayersTest, EachEditRebuildsThePreview) {
  Start(LayeredTriangles);
  FlatPreview();
  NewNodes();
  Key('T', true);
  LayerButtonAction(&modeller->prss, CLICK_LEFT, 5);
  EXPECT_TRUE(PreviewCurrent()) << "layer 5 hidden";
  EXPECT_EQ(NewNodes(), 0) << "layer 5 hidden: showing is no edit";
  LayerButtonAction(&modeller->prss, CLICK_LEFT, 5);
  EXPECT_TRUE(PreviewCurrent()) << "layer 5 shown";
  EXPECT_EQ(NewNodes(), 0) << "layer 5 shown: showing is no edit";
  LayerPanelAction(&modeller->prss, CLICK_LEFT, 1);
  EXPECT_TRUE(PreviewCurrent()) << "every layer hidden";
  EXPECT_EQ(NewNodes(), 0) << "every layer hidden: showing is no edit";
  LayerPanelAction(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_TRUE(PreviewCurrent()) << "every layer shown";
  EXPECT_EQ(NewNodes(), 0) << "every layer shown: showing is no edit";
  // Layer 0 hidden: triangles assigned to it, and layer 5 merged into it, leave the preview.
  LayerButtonAction(&modeller->prss, CLICK_LEFT, 0);
  SelectTriangles({2});
  AssignLayerAction(&modeller->prss, CLICK_LEFT, 0);
  Key('Y');
  EXPECT_TRUE(PreviewCurrent()) << "a triangle to a hidden layer";
  EXPECT_EQ(NewNodes(), 1) << "a triangle to a hidden layer";
  MergeLayer(*modeller, 0, 5);
  EXPECT_TRUE(PreviewCurrent()) << "a layer merged into a hidden one";
  EXPECT_EQ(NewNodes(), 1) << "a layer merged into a hidden one";
}

namespace {
int g_configurations = 3;
int CarOn() { return 1; }
int Configurations() { return g_configurations; }
const char* ConfigurationName(int index) {
  static const char* const names[4] = {"road", "race", "rally", "drift"};
  return names[index & 3];
}
uint32_t ConfigurationMask(int index) { return 0x11u << index; }
const char* SkinId() { return "SKN"; }
}  // namespace

TEST_F(LayersTest, TheCarsConfigurationsFollowTheSkinIdOneOrTwoThenTwoARow) {
  Start(LayeredTriangles);
  const VehicleEditorLink saved = VehicleEditorHooks;
  VehicleEditorHooks.carBeingEdited = CarOn;
  VehicleEditorHooks.configurationCount = Configurations;
  VehicleEditorHooks.configurationName = ConfigurationName;
  VehicleEditorHooks.configurationMask = ConfigurationMask;
  VehicleEditorHooks.skinId = SkinId;
  Key('T', true);
  const int u = ButtonWidth;
  // left in units from the skin id's left, width in units, and the row below the skin id's.
  const auto expectAt = [u](const char* label, int left, int width, int row) {
    const InterfaceButton* skin = FindShownButton("SKN");
    const InterfaceButton* b = FindShownButton(label);
    ASSERT_NE(skin, nullptr);
    ASSERT_NE(b, nullptr) << label;
    EXPECT_EQ(b->left - skin->left, left * u) << label;
    EXPECT_EQ(b->right - b->left, width * u) << label;
    EXPECT_EQ(b->top - skin->top, row * ButtonHeight) << label;
  };
  // Three: the first beside the skin id twelve units wide, then two of eight a row.
  g_configurations = 3;
  Buttons();
  EXPECT_EQ(FindShownButton("SKN")->right - FindShownButton("SKN")->left, 4 * u);
  expectAt("road", 4, 12, 0);
  expectAt("race", 0, 8, 1);
  expectAt("rally", 8, 8, 1);
  // Four: two of six beside it, then two of eight.
  g_configurations = 4;
  ObjectEditorShared.visibleLayers = ConfigurationMask(1);
  Buttons();
  expectAt("road", 4, 6, 0);
  expectAt("race", 10, 6, 0);
  expectAt("rally", 0, 8, 1);
  expectAt("drift", 8, 8, 1);
  EXPECT_EQ(FindShownButton("race")->fourth.i, 1) << "the shown configuration is lit";
  EXPECT_EQ(FindShownButton("road")->fourth.i, 0);
  EXPECT_EQ(FindShownButton("SKN")->fourth.i, 0) << "the skin id is a label, never lit";
  // A press shows its layers.
  ClickButton(*FindShownButton("drift"));
  EXPECT_EQ(ObjectEditorShared.visibleLayers, ConfigurationMask(3));
  VehicleEditorHooks = saved;
  ObjectEditorShared.visibleLayers = ~0u;
}
