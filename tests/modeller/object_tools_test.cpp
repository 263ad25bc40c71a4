// object_tools_test.cpp - the tools on the whole edited object: clean-ups, reflection, the
// triangle sort, merging another model file's mesh, and the selection shortcuts by mode.
#include "modeller/operations/object_tools.h"

#include "modeller/operations/drag_handles.h"

#include <algorithm>
#include <filesystem>

#include "model/model_file.h"
#include "operations_fixture.h"
#include "platform/files.h"

namespace modeller_test {
namespace {

class ObjectToolsTest : public OperationsTest {
 protected:
  void SetUp() override {
    OperationsTest::SetUp();
    std::filesystem::remove_all("data/3dob");
    MakeFolder("data");
    MakeFolder("data/3dob");
  }
  // The subobject panel's buttons where they exist, the command's word otherwise.
  void Tool(int word) {
    const char* label = word == OBJECT_TOOL_CLEANUP       ? "clean object"
                        : word == OBJECT_TOOL_ASK_REFLECT ? "reflect"
                        : word == OBJECT_TOOL_MERGE_MESH  ? "merge mesh"
                        : word == OBJECT_TOOL_SORT        ? "magic triangle sort"
                                                          : nullptr;
    if (label && modeller->state.mode == ModeSubobject) {
      Press(label);
      return;
    }
    ObjectToolsCommand(&modeller->prss, CLICK_LEFT, uintptr_t(word));
  }
  void CleanUp(int choice) {
    Tool(OBJECT_TOOL_CLEANUP);
    ASSERT_EQ(SelectDialog.count, 2);
    SelectItemClick(&SelectDialog.prss, CLICK_LEFT, choice);
  }
  static const char* LastEdit() { return ModellerUndo.nodes[ModellerUndo.count].name; }
};

// An object of points only: nothing uses its mapping, cutout or page.
void LoosePoints(ModelObject& o) {
  PointRow(o, 4);
  o.points[2].flags |= POINT_REFERENCE;
}

TEST_F(ObjectToolsTest, CleanUpsKeepOneOfEachAndReferencePoints) {
  Start(TwoTriangles);
  EditedObject->points[7].flags |= POINT_REFERENCE;
  // Partial: the points stay.
  CleanUp(0);
  EXPECT_STREQ(SelectDialog.title, TEXT_CLEANUP_MAIN);
  EXPECT_STREQ(LastEdit(), "partial cleanup");
  EXPECT_EQ(model.pointCount, 8);
  EXPECT_EQ(model.mappingCount, 2);
  // Full: the loose point 6 goes, the reference point 7 stays; nothing is left selected.
  SelectTriangle(*modeller, 0);
  SelectedMapping = 1;
  const std::vector<uint8_t> before = Serialised();
  CleanUp(1);
  EXPECT_STREQ(LastEdit(), "cleanup object");
  EXPECT_EQ(model.pointCount, 7);
  EXPECT_NE(model.points[6].flags & POINT_REFERENCE, 0);
  EXPECT_EQ(modeller->state.selectedTriangleCount, 0);
  EXPECT_EQ(model.triangles[0].flags & TRIANGLE_SELECTED, 0);
  EXPECT_EQ(SelectedMapping, -1);
  ExpectUndoRestores(before);
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();
}

TEST_F(ObjectToolsTest, ACleanUpNeverLeavesAnObjectWithoutAMappingCutoutOrPage) {
  Start(LoosePoints);
  CleanUp(1);
  EXPECT_EQ(model.pointCount, 1) << "only the reference point";
  EXPECT_EQ(model.mappingCount, 1);
  EXPECT_EQ(model.cutoutCount, 1);
  EXPECT_EQ(model.pageCount, 1);
  EXPECT_EQ(modeller->state.selectedPointCount, 0);
}

TEST_F(ObjectToolsTest, ReflectTwiceGivesTheSameBytesAndTheSortPermutesStably) {
  Start(SampleCar);
  const std::vector<uint8_t> before = Serialised();
  Tool(OBJECT_TOOL_ASK_REFLECT);
  EXPECT_STREQ(MessageBoxDialog.first, model.childCount > 0 ? TEXT_REFLECT_MAIN_AND_SUBOBJECTS : TEXT_REFLECT_MAIN);
  Key('Y');
  EXPECT_STREQ(LastEdit(), "reflect");
  EXPECT_FALSE(Serialised() == before);
  Tool(OBJECT_TOOL_REFLECT);
  EXPECT_TRUE(Serialised() == before) << Difference(before, Serialised());
  CtrlKey('Z');
  CtrlKey('Z');
  EXPECT_TRUE(Serialised() == before);

  // The sort is a permutation, and sorting the sorted model changes nothing.
  auto triangles = [&] {
    std::vector<std::array<uint16_t, 5>> all;
    for (int t = 0; t < model.triangleCount; ++t) {
      const ModelTriangle& tri = model.triangles[t];
      all.push_back({tri.corners[0], tri.corners[1], tri.corners[2], tri.mapping, tri.layer});
    }
    return all;
  };
  auto unsorted = triangles();
  Tool(OBJECT_TOOL_SORT);
  EXPECT_STREQ(LastEdit(), "magic triangle sort");
  auto sorted = triangles();
  const std::vector<uint8_t> once = Serialised();
  Tool(OBJECT_TOOL_SORT);
  EXPECT_TRUE(Serialised() == once) << "stable: sorting again keeps the order";
  std::sort(unsorted.begin(), unsorted.end());
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(unsorted, sorted);
  // Deselect, the build mode's automatic mirroring and the views' clear mode.
  SelectAll(*modeller, 0);
  Tool(OBJECT_TOOL_DESELECT);
  EXPECT_EQ(modeller->state.selectedPointCount + modeller->state.selectedTriangleCount, 0);
  const uint8_t mirrored = modeller->state.autoMirror;
  Tool(OBJECT_TOOL_AUTO_MIRROR);
  EXPECT_NE(modeller->state.autoMirror, mirrored);
  EXPECT_EQ(AutoMirrorSetting, modeller->state.autoMirror) << "kept for the next modeller";
  Tool(OBJECT_TOOL_AUTO_MIRROR);
  Tool(OBJECT_TOOL_VIEW_CLEAR_1);
  EXPECT_EQ(EditViews.clearMode2D, 1);
  Tool(OBJECT_TOOL_VIEW_CLEAR_0);
  EXPECT_EQ(EditViews.clearMode2D, 0);
}

// The panel's mesh (eight triangles over nine points) with its subobject dropped.
void PanelOnly(ModelObject& o) {
  BuildPanel(o);
  o.children[0].Free();
  std::free(o.children);
  o.children = nullptr;
  o.childCount = 0;
}

TEST_F(ObjectToolsTest, MergeMeshFileSortsOldAndNewTriangles) {
  Start(PanelOnly);
  const std::vector<uint8_t> unchanged = Serialised();
  // The file: the same panel with point 5 (at x 1 m, z 0.5 m) a metre further up: its two
  // triangles on layer 0 and one of the two on layer 1 come anew.
  ModelObject other{};
  PanelOnly(other);
  other.points[5].z += 65536;
  ASSERT_EQ(SaveModelFile(other, nullptr, "data/3dob/changed.qxe", 1), 1);
  other.groupCount = 1;
  ASSERT_EQ(SaveModelFile(other, nullptr, "data/3dob/groups.qxe", 1), 1);
  other.Free();
  const int count = ModellerUndo.count;
  // A different group count changes nothing.
  EXPECT_EQ(MergeMeshFile(*modeller, "groups"), 0);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_GROUPS_MISMATCH);
  ExpectUnchanged(unchanged, count);
  CloseModellerSubScreen(*modeller);

  Tool(OBJECT_TOOL_MERGE_MESH);
  EXPECT_STREQ(OpenTextEntry.prompt, TEXT_MERGE_MESH_NAME);
  Type("changed");
  EXPECT_STREQ(LastEdit(), "merge mesh");
  EXPECT_STREQ(model.layerNames[2], "OLD");
  EXPECT_STREQ(model.layerNames[3], "NEW");
  EXPECT_EQ(model.pointCount, 10);
  int onLayer[LAYER_COUNT] = {};
  for (int t = 0; t < model.triangleCount; ++t) ++onLayer[model.triangles[t].layer];
  EXPECT_EQ(model.triangleCount, 11);
  EXPECT_EQ(onLayer[3], 3) << "the new triangles on NEW";
  EXPECT_EQ(onLayer[2], 2) << "layer 0's unmatched triangles on OLD";
  EXPECT_EQ(onLayer[4], 1) << "layer 1 also holds a matched one: its unmatched one apart";
  EXPECT_EQ(onLayer[1], 1);
  EXPECT_EQ(onLayer[0], 4);
  EXPECT_STREQ(model.layerNames[4], "NEW2");
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();
  EXPECT_GT(MeshRebuilds, 0) << "the merge rebuilt the shown mesh";
  CtrlKey('Z');
  EXPECT_TRUE(Serialised() == unchanged);

  // Exactly two unnamed layers left (the last two) are enough: they take "OLD" and "NEW".
  for (int l = 1; l < MAX_NAMED_LAYER - 2; ++l) std::snprintf(model.layerNames[l], LAYER_NAME_SIZE, "L%d", l);
  EXPECT_EQ(MergeMeshFile(*modeller, "changed"), 1);
  EXPECT_STREQ(model.layerNames[MAX_NAMED_LAYER - 2], "OLD");
  EXPECT_STREQ(model.layerNames[MAX_NAMED_LAYER - 1], "NEW");
  CtrlKey('Z');
  EXPECT_EQ(model.layerNames[MAX_NAMED_LAYER - 2][0], 0);

  // Without two unnamed layers nothing changes.
  for (int l = 1; l < MAX_NAMED_LAYER; ++l) std::snprintf(model.layerNames[l], LAYER_NAME_SIZE, "L%d", l);
  const std::vector<uint8_t> named = Serialised();
  EXPECT_EQ(MergeMeshFile(*modeller, "changed"), 0);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_NO_TWO_UNNAMED_LAYERS);
  ExpectUnchanged(named, ModellerUndo.count);
}

TEST_F(ObjectToolsTest, MergeMeshMismatchesAreReportedInOrder) {
  Start(PanelOnly);
  const std::vector<uint8_t> before = Serialised();
  // Each file differs in one count more than the next: the first test that fails is named.
  const char* expected[] = {TEXT_MAPPINGS_MISMATCH, TEXT_CUTOUTS_MISMATCH, TEXT_PAGES_MISMATCH, TEXT_GROUPS_MISMATCH,
                            TEXT_LODS_MISMATCH};
  for (int differing = 0; differing < 5; ++differing) {
    ModelObject other{};
    PanelOnly(other);
    if (differing <= 0) other.AddMapping(nullptr);
    if (differing <= 1) other.AddCutout(nullptr);
    if (differing <= 2) other.AddPage(nullptr);
    if (differing <= 3) other.groupCount = 1;
    other.lodCount = 2;
    ASSERT_EQ(SaveModelFile(other, nullptr, "data/3dob/a.qxe", 1), 1);
    other.Free();
    EXPECT_EQ(MergeMeshFile(*modeller, "a"), 0);
    EXPECT_STREQ(MessageBoxDialog.first, expected[differing]);
    ExpectUnchanged(before, ModellerUndo.count);
    CloseModellerSubScreen(*modeller);
  }
  // Past the point limit: refused before the undo point.
  ModelObject other{};
  PanelOnly(other);
  for (int p = 0; p < other.pointCount; ++p) other.points[p].z += 10 << 16;
  ASSERT_EQ(SaveModelFile(other, nullptr, "data/3dob/far.qxe", 1), 1);
  other.Free();
  modeller->pointLimit = 12;
  EXPECT_EQ(MergeMeshFile(*modeller, "far"), 0);
  EXPECT_STREQ(MessageBoxDialog.first, modeller->pointLimitText);
  ExpectUnchanged(before, ModellerUndo.count);
}

TEST_F(ObjectToolsTest, ShortcutKeysFollowTheMode) {
  Start(BuildPanel);
  // Duplicate: nothing selected in point mode gives the refusal sound.
  Key('P', true);
  g_sounds.clear();
  CtrlKey('D');
  EXPECT_EQ(g_sounds, std::vector<int>{SOUND_REFUSED});
  SelectPoints({0, 1});
  const int points = model.pointCount;
  CtrlKey('D');
  EXPECT_EQ(model.pointCount, points + 2);
  // New in point mode: a new point.
  CtrlKey('N');
  EXPECT_EQ(model.pointCount, points + 3);
  // Switch: selected points select their triangles and go to triangle mode.
  SelectPoints({0, 1, 3, 4});
  Key('S');
  EXPECT_EQ(modeller->state.mode, ModeTriangle);
  EXPECT_GT(modeller->state.selectedTriangleCount, 0);
  // In triangle mode duplicate copies the triangles; view mode refuses.
  const int triangles = model.triangleCount, selected = modeller->state.selectedTriangleCount;
  CtrlKey('D');
  EXPECT_EQ(model.triangleCount, triangles + selected);
  Key('V', true);
  g_sounds.clear();
  CtrlKey('D');
  EXPECT_EQ(g_sounds, std::vector<int>{SOUND_REFUSED});
  // Subobject mode: new subobject, unless a spoke object is edited.
  Key('S', true);
  const int children = model.childCount;
  CtrlKey('N');
  if (OpenTextEntry.open) Type("extra");
  EXPECT_EQ(model.childCount, children + 1);
  ObjectEditorShared.spokeCount = 2;
  g_sounds.clear();
  CtrlKey('N');
  EXPECT_EQ(g_sounds, std::vector<int>{SOUND_REFUSED});
  ObjectEditorShared.spokeCount = 0;
  // Select all and invert in triangle mode, on the main object.
  Key('C');
  ASSERT_EQ(EditedObject, &model);
  Key('T', true);
  ASSERT_EQ(modeller->state.mode, ModeTriangle);
  ASSERT_EQ(modeller->prss.sub, nullptr);
  Key('A');
  const int all = modeller->state.selectedTriangleCount;
  EXPECT_GT(all, 0);
  CtrlKey('I');
  EXPECT_EQ(modeller->state.selectedTriangleCount, 0);
}

// The handles' presses without drawing: what each records and keeps for the drag.
TEST_F(ObjectToolsTest, HandlePressesRecordTheirDragAndBonesTakeTheSelectedPoints) {
  Start(BuildPanel);
  Key('P', true);
  const int count = ModellerUndo.count;
  StartAxisDrag(&modeller->prss, CLICK_LEFT, HANDLE_Z);
  EXPECT_EQ(ModellerUndo.count, count) << "no point selected: nothing";
  EXPECT_EQ(modeller->handle.axis, -1);
  SelectPoints({4});
  StartAxisDrag(&modeller->prss, CLICK_LEFT, HANDLE_Z);
  EXPECT_STREQ(LastEdit(), "drag point");
  EXPECT_EQ(modeller->handle.kind, HANDLE_MOVE_POINTS);
  EXPECT_EQ(modeller->handle.axis, HANDLE_Z);
  // A drag along z moves the point along z only; the right button takes it back.
  modeller->handle.screenAxes[2][0] = 0, modeller->handle.screenAxes[2][1] = -64;
  modeller->handle.scale = 65536.0f / 4;
  const ModelPoint before = model.points[4];
  MouseRecord drag{};
  drag.leftHeld = 1;
  MouseX = modeller->handle.lastMouse[0], MouseY = modeller->handle.lastMouse[1] - 64;
  Mouse(drag);
  EXPECT_EQ(model.points[4].x, before.x);
  EXPECT_EQ(model.points[4].y, before.y);
  EXPECT_EQ(model.points[4].z, before.z + 65536 / 4);
  drag.rightHeld = 1;
  Mouse(drag);
  EXPECT_EQ(model.points[4].z, before.z);
  EXPECT_EQ(modeller->handle.axis, -1);
  // A point off the centre plane (not held at x = 0) keeps its x and y exactly too.
  const int side = 4;
  model.points[side].flags &= uint8_t(~POINT_MIRROR_STATE);
  model.points[side].x = 65536 / 2, model.points[side].y = 65536 / 3;
  SelectPoints({side});
  StartAxisDrag(&modeller->prss, CLICK_LEFT, HANDLE_Z);
  modeller->handle.screenAxes[2][0] = 0, modeller->handle.screenAxes[2][1] = -64;
  modeller->handle.scale = 65536.0f / 4;
  const ModelPoint sideBefore = model.points[side];
  drag.rightHeld = 0;
  MouseX = modeller->handle.lastMouse[0], MouseY = modeller->handle.lastMouse[1] - 64;
  Mouse(drag);
  EXPECT_EQ(model.points[side].x, sideBefore.x);
  EXPECT_EQ(model.points[side].y, sideBefore.y);
  EXPECT_EQ(model.points[side].z, sideBefore.z + 65536 / 4);
  drag.rightHeld = 1;
  Mouse(drag);
  EXPECT_EQ(model.points[side].z, sideBefore.z);
  // The last handle word (the yz plane) starts a drag; one past it and none before the first.
  modeller->handle = HandleDragState{};
  modeller->handle.axis = -1;
  StartAxisDrag(&modeller->prss, CLICK_LEFT, HANDLE_YZ);
  EXPECT_EQ(modeller->handle.axis, HANDLE_YZ);
  EXPECT_EQ(modeller->handle.kind, HANDLE_MOVE_POINTS);
  Mouse(MouseRecord{});
  // Each plane handle moves in its plane, across its normal: yz across x, xz across y, xy
  // across z.
  const struct {
    int word;
    float normal[3];
  } planes[] = {{HANDLE_YZ, {1, 0, 0}}, {HANDLE_XZ, {0, 1, 0}}, {HANDLE_XY, {0, 0, 1}}};
  for (const auto& plane : planes) {
    modeller->handle = HandleDragState{};
    modeller->handle.axis = -1;
    StartAxisDrag(&modeller->prss, CLICK_LEFT, uintptr_t(plane.word));
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(modeller->handle.planeNormal[i], plane.normal[i]) << "handle " << plane.word << ", axis " << i;
    Mouse(MouseRecord{});
  }
  for (const int word : {0, HANDLE_YZ + 1}) {
    modeller->handle = HandleDragState{};
    modeller->handle.axis = -1;
    StartAxisDrag(&modeller->prss, CLICK_LEFT, uintptr_t(word));
    EXPECT_EQ(modeller->handle.axis, -1) << word;
    EXPECT_EQ(modeller->handle.kind, HANDLE_NONE) << word;
  }
  SelectPoints({4, 5});
  StartAxisDrag(&modeller->prss, CLICK_LEFT, HANDLE_XY);
  EXPECT_STREQ(LastEdit(), "drag points");
  modeller->handle = HandleDragState{};
  modeller->handle.axis = modeller->handle.corner = -1;

  // Subobject mode: the edited subobject's handle; the box corners toggle.
  Key('S', true);
  SelectSubobject(*modeller, 0, &model.children[0]);
  StartAxisDrag(&modeller->prss, CLICK_LEFT, HANDLE_X);
  EXPECT_STREQ(LastEdit(), "drag subobject");
  EXPECT_EQ(modeller->handle.kind, HANDLE_MOVE_SUBOBJECT);
  modeller->handle = HandleDragState{};
  modeller->handle.axis = modeller->handle.corner = -1;
  const int dragged = ModellerUndo.count;
  StartAxisDrag(&modeller->prss, CLICK_LEFT, HANDLE_X);
  EXPECT_EQ(ModellerUndo.count, dragged + 1) << "a second drag straight after is an undo step of its own";
  modeller->handle = HandleDragState{};
  modeller->handle.axis = modeller->handle.corner = -1;
  SelectBoxCorner(&modeller->prss, CLICK_LEFT, 1);
  EXPECT_EQ(modeller->handle.corner, 1);
  SelectBoxCorner(&modeller->prss, CLICK_LEFT, 1);
  EXPECT_EQ(modeller->handle.corner, -1);

  // Bones.
  SelectSubobject(*modeller, 0, &model);
  Key('P', true);
  DeselectAllPoints(*modeller);
  AssignPointsToBone(*modeller, 3);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_NO_POINTS_TO_ASSIGN);
  CloseModellerSubScreen(*modeller);
  SelectPoints({1, 2});
  AssignPointsToBone(*modeller, 3);
  EXPECT_STREQ(LastEdit(), "assign bone");
  EXPECT_EQ(model.points[1].bone, 3);
  EXPECT_EQ(model.points[2].bone, 3);
  EXPECT_EQ(model.points[0].bone, 0);
  const int assigned = ModellerUndo.count;
  AssignPointsToBone(*modeller, 5);
  EXPECT_EQ(ModellerUndo.count, assigned + 1) << "a second assignment straight after is an undo step of its own";
  EXPECT_EQ(model.points[1].bone, 5);
}

TEST_F(ObjectToolsTest, TheFirstPointAloneStartsAnAxisDrag) {
  Start(BuildPanel);
  Key('P', true);
  SelectPoints({0});
  ASSERT_EQ(modeller->state.currentPoint, 0);
  StartAxisDrag(&modeller->prss, CLICK_LEFT, HANDLE_Z);
  EXPECT_EQ(modeller->handle.kind, HANDLE_MOVE_POINTS);
  EXPECT_EQ(modeller->handle.axis, HANDLE_Z);
  EXPECT_STREQ(LastEdit(), "drag point");
  Mouse(MouseRecord{});
}

TEST_F(ObjectToolsTest, ABoxCornerDragNeedsEitherCornerChosenAndOneOfTheThreeAxes) {
  Start(BuildPanel);
  modeller->handle = HandleDragState{};
  modeller->handle.axis = modeller->handle.corner = -1;
  // No corner chosen: nothing starts.
  StartBoxCornerDrag(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_EQ(modeller->handle.kind, HANDLE_NONE);
  EXPECT_EQ(modeller->handle.axis, -1);
  // The first corner, the last axis: the drag starts where the mouse is.
  SelectBoxCorner(&modeller->prss, CLICK_LEFT, 0);
  ASSERT_EQ(modeller->handle.corner, 0);
  MouseX = 123, MouseY = 45;
  StartBoxCornerDrag(&modeller->prss, CLICK_LEFT, 2);
  EXPECT_EQ(modeller->handle.kind, HANDLE_BOX_CORNER) << "corner 0 is a corner";
  EXPECT_EQ(modeller->handle.axis, 2);
  EXPECT_EQ(modeller->handle.lastMouse[0], 123);
  EXPECT_EQ(modeller->handle.lastMouse[1], 45);
  // One axis past z: refused.
  modeller->handle.kind = HANDLE_NONE, modeller->handle.axis = -1;
  StartBoxCornerDrag(&modeller->prss, CLICK_LEFT, 3);
  EXPECT_EQ(modeller->handle.kind, HANDLE_NONE);
  EXPECT_EQ(modeller->handle.axis, -1);
  // Choosing the other corner moves the choice there; the second corner drags along x.
  SelectBoxCorner(&modeller->prss, CLICK_LEFT, 1);
  EXPECT_EQ(modeller->handle.corner, 1);
  StartBoxCornerDrag(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_EQ(modeller->handle.kind, HANDLE_BOX_CORNER);
  EXPECT_EQ(modeller->handle.axis, 0);
  // A box has two corners: a third is no corner, neither chosen nor dragged.
  SelectBoxCorner(&modeller->prss, CLICK_LEFT, 2);
  EXPECT_EQ(modeller->handle.corner, 1) << "the choice stays";
  modeller->handle.kind = HANDLE_NONE, modeller->handle.axis = -1, modeller->handle.corner = 2;
  StartBoxCornerDrag(&modeller->prss, CLICK_LEFT, 1);
  EXPECT_EQ(modeller->handle.kind, HANDLE_NONE);
  EXPECT_EQ(modeller->handle.axis, -1);
  modeller->handle = HandleDragState{};
  modeller->handle.axis = modeller->handle.corner = -1;
}

TEST_F(ObjectToolsTest, ADraggedBoxCornerMovesAlongItsAxisAndStopsAtTheOtherCorner) {
  Start(BuildPanel);
  const ModellerBox saved = ModelBox;
  ModelBox = ModellerBox{{{0, 0, 0}, {65536, 65536, 65536}}, 1};
  modeller->handle = HandleDragState{};
  modeller->handle.axis = modeller->handle.corner = -1;
  MouseRecord drag{};
  drag.leftHeld = 1;
  // The lower corner up z: 64 pixels along a 64-pixel screen axis at a quarter unit is a quarter.
  SelectBoxCorner(&modeller->prss, CLICK_LEFT, 0);
  MouseX = 200, MouseY = 200;
  StartBoxCornerDrag(&modeller->prss, CLICK_LEFT, 2);
  modeller->handle.screenAxes[2][0] = 0, modeller->handle.screenAxes[2][1] = -64;
  modeller->handle.scale = 65536.0f / 4;
  MouseY = 200 - 64;
  Mouse(drag);
  EXPECT_EQ(ModelBox.corners[0][2], 65536 / 4);
  EXPECT_EQ(ModelBox.corners[0][0], 0);
  EXPECT_EQ(ModelBox.corners[0][1], 0);
  EXPECT_EQ(ModelBox.corners[1][2], 65536) << "the other corner stays";
  // Eight quarters more would pass the upper corner: it stops there.
  MouseY = 200 - 64 * 9;
  Mouse(drag);
  EXPECT_EQ(ModelBox.corners[0][2], 65536);
  // The upper corner down x by two units stops at the lower corner's x.
  modeller->handle = HandleDragState{};
  modeller->handle.axis = modeller->handle.corner = -1;
  SelectBoxCorner(&modeller->prss, CLICK_LEFT, 1);
  MouseX = 300, MouseY = 300;
  StartBoxCornerDrag(&modeller->prss, CLICK_LEFT, 0);
  modeller->handle.screenAxes[0][0] = 64, modeller->handle.screenAxes[0][1] = 0;
  modeller->handle.scale = 65536.0f / 4;
  MouseX = 300 - 64 * 2;
  Mouse(drag);
  EXPECT_EQ(ModelBox.corners[1][0], 65536 / 2);
  MouseX = 300 - 64 * 10;
  Mouse(drag);
  EXPECT_EQ(ModelBox.corners[1][0], 0);
  EXPECT_EQ(ModelBox.corners[1][1], 65536);
  EXPECT_EQ(ModelBox.corners[0][0], 0) << "the lower corner stays";
  drag.leftHeld = 0;
  Mouse(drag);
  modeller->handle = HandleDragState{};
  modeller->handle.axis = modeller->handle.corner = -1;
  ModelBox = saved;
}

TEST_F(ObjectToolsTest, ReflectingSortingAndCleaningRebuildThePreview) {
  Start(SampleCar);
  FlatPreview();
  NewNodes();
  Tool(OBJECT_TOOL_ASK_REFLECT);
  Key('Y');
  EXPECT_TRUE(PreviewCurrent()) << "a reflection";
  EXPECT_EQ(NewNodes(), 1) << "a reflection";
  Tool(OBJECT_TOOL_REFLECT);
  EXPECT_EQ(NewNodes(), 1) << "a second reflection";
  Tool(OBJECT_TOOL_SORT);
  EXPECT_TRUE(PreviewCurrent()) << "a sort";
  EXPECT_EQ(NewNodes(), 1) << "a sort";
  Tool(OBJECT_TOOL_SORT);
  EXPECT_EQ(NewNodes(), 1) << "a second sort";
  model.triangleCount = uint16_t(model.triangleCount - 1);  // its points left unused
  CleanUp(1);
  EXPECT_TRUE(PreviewCurrent()) << "a clean-up";
  EXPECT_EQ(NewNodes(), 1) << "a clean-up";
}

}  // namespace
}  // namespace modeller_test
