// subobjects_test.cpp - the subobject mode: new, duplicated and deleted subobjects, types and
// drive-side functions, levels of detail, mono colours, moves, and the merge into the main
// object with its refusals.
#include <cmath>

#include "modeller/subobjects.h"
#include "modeller/vehicle_editor_link.h"
#include "operations_fixture.h"

using namespace modeller_test;

namespace {

// The two-triangle model with one subobject: a triangle at 1 m right, turned a quarter turn
// in heading, using the main object's page and a mapping of its own.
void WithSubobject(ModelObject& o) {
  TwoTriangles(o);
  std::vector<ModelObject> children(1);
  ModelObject& c = children[0];
  c.Init();
  ModelBuilder b;
  b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 0, 1);
  b.Page(PAGE_FIXED, "two");
  b.AddCutout("c", 0, 128, 128, 0, 0, CutoutMaterial{0, 0, 0, 0, {200, 200, 200}, 0});
  b.AddMapping("own", 0, 0, DIRECTION_FRONT, 1, 1, 0xFF0000, 0.5, 0, 0.5);
  b.Triangle(0, 1, 2);
  b.Into(c);
  c.type = SUBOBJECT_ATTACHMENT;
  c.offset[0] = Metres(1);
  c.angles[2] = 0x4000;  // a quarter turn of heading
  std::snprintf(c.name, sizeof c.name, "part");
  SetChildren(o, children);
}

int g_carShown = 0;
int CarShown() { return g_carShown; }

}  // namespace

class SubobjectsTest : public OperationsTest {
 protected:
  void TearDown() override {
    VehicleEditorHooks.carBeingEdited = nullptr;
    g_carShown = 0;
    OperationsTest::TearDown();
  }
};

TEST_F(SubobjectsTest, NewDuplicatedAndDeletedSubobjects) {
  Start(WithSubobject);
  Key('S', true);
  std::vector<uint8_t> before = Serialised();
  CtrlKey('N');
  EXPECT_STREQ(OpenTextEntry.prompt, TEXT_NEW_SUBOBJECT_NAME);
  Type("bolt");
  ASSERT_EQ(model.childCount, 2);
  EXPECT_EQ(EditedObject, &model.children[1]);
  EXPECT_STREQ(model.children[1].name, "bolt");
  EXPECT_EQ(model.children[1].type, SUBOBJECT_ATTACHMENT);
  EXPECT_STREQ(modeller->statusText, TEXT_ADDED_SUBOBJECT);
  ExpectUndoRestores(before);

  // A duplicate is a deep copy.
  SelectSubobject(*modeller, 0, &model.children[0]);
  CtrlKey('D');
  EXPECT_STREQ(OpenTextEntry.initialText, "part");
  Type("copy");
  ASSERT_EQ(model.childCount, 3);
  ModelObject& copy = model.children[2];
  EXPECT_EQ(copy.triangleCount, 1);
  EXPECT_NE(copy.points, model.children[0].points);
  EXPECT_EQ(copy.points[1].x, model.children[0].points[1].x);
  EXPECT_EQ(copy.angles[2], model.children[0].angles[2]);
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();

  // Deleting the edited subobject leaves the main object edited.
  before = Serialised();
  Press("delete", CLICK_LEFT, "Delete the selected subobject");
  EXPECT_EQ(model.childCount, 2);
  EXPECT_EQ(EditedObject, &model);
  ExpectUndoRestores(before);

  // The 65th is refused.
  while (model.childCount < MAX_SUBOBJECTS) {
    SetEditedObject(*modeller, &model, 1);
    NewSubobject(&modeller->prss, CLICK_LEFT, 0);
    Type("");
  }
  const int history = ModellerUndo.count;
  before = Serialised();
  NewSubobject(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_MAX_SUBOBJECTS);
  Confirm();
  ExpectUnchanged(before, history);
  // Unused attachments go all at once.
  DeleteUnusedAttachments(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_EQ(model.childCount, 1) << "the one with a triangle stays";
  EXPECT_STREQ(model.children[0].name, "part");
}

TEST_F(SubobjectsTest, TypesFunctionsLevelsAndMonoColours) {
  Start(WithSubobject);
  Key('S', true);
  SelectSubobject(*modeller, 0, &model.children[0]);
  ModelObject& sub = model.children[0];
  sub.offset[0] = Metres(0.3);
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_TYPE);
  SelectItemClick(&SelectDialog.prss, CLICK_LEFT, SUBOBJECT_REAR_WING);
  EXPECT_EQ(sub.type, SUBOBJECT_REAR_WING);
  EXPECT_EQ(sub.offset[0], 0);
  EXPECT_EQ(sub.sideFunction, SIDE_STATIC);
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_TYPE);
  SelectItemClick(&SelectDialog.prss, CLICK_LEFT, SUBOBJECT_MAIN);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_NOT_MAIN_TYPE);
  Confirm();
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_FLIP_FUNCTION);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_FLIP_ATTACHMENTS_ONLY);
  Confirm();
  // An attachment's function: the first choice is no function and is refused; the others
  // take.
  sub.type = SUBOBJECT_ATTACHMENT;
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_FLIP_FUNCTION);
  SelectItemClick(&SelectDialog.prss, CLICK_LEFT, 0);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_INVALID_FLIP);
  Confirm();
  EXPECT_EQ(sub.sideFunction, SIDE_STATIC);
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_FLIP_FUNCTION);
  SelectItemClick(&SelectDialog.prss, CLICK_LEFT, SIDE_FULL_FLIP);
  EXPECT_EQ(sub.sideFunction, SIDE_FULL_FLIP);

  // Levels: removing the shown empty last level shows the one before it.
  SetEditedObject(*modeller, &model, 1);
  model.lodCount = 3;
  SetCurrentLod(*modeller, 0, 2);
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_REMOVE_LOD);
  EXPECT_EQ(model.lodCount, 2);
  EXPECT_EQ(model.currentLod, 1);
  model.triangles[0].lod = 1;
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_REMOVE_LOD);
  EXPECT_STREQ(MessageBoxDialog.first, "Lowest LOD contains 1 triangle");
  Confirm();
  // A car has three levels at most.
  VehicleEditorHooks.carBeingEdited = CarShown;
  g_carShown = 1;
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_ADD_LOD);
  EXPECT_EQ(model.lodCount, 3);
  EXPECT_EQ(model.lodDistances[2], model.lodDistances[1]);
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_ADD_LOD);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_CARS_THREE_LODS);
  Confirm();
  EXPECT_EQ(model.lodCount, 3);
  g_carShown = 0;
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_ADD_LOD);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_FOUR_LODS);
  Confirm();
  EXPECT_EQ(model.lodCount, 4);

  // Mono colours: added white and chosen, removed back to none.
  const std::vector<uint8_t> before = Serialised();
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_ADD_MONO_COLOUR);
  ASSERT_EQ(model.colourChoiceCount, 1);
  EXPECT_EQ(model.colourChoices[0], 0xFFFFFFu);
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();
  ExpectUndoRestores(before);
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_DELETE_MONO_COLOUR);
  EXPECT_EQ(model.colourChoiceCount, 0);
  EXPECT_EQ(model.colourChoices, nullptr);
}

TEST_F(SubobjectsTest, MergingIntoMainTurnsMovesAndMatchesPages) {
  Start(WithSubobject);
  Key('S', true);
  SelectSubobject(*modeller, 0, &model.children[0]);
  modeller->state.currentLayer = 4;
  const int pages = model.pageCount, points = model.pointCount, triangles = model.triangleCount;
  const std::vector<uint8_t> before = Serialised();
  Press("merge into main");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_MERGE_SUBOBJECT);
  Key('Y');
  EXPECT_STREQ(modeller->statusText, "merge subobject");
  EXPECT_EQ(model.childCount, 0);
  EXPECT_EQ(EditedObject, &model);
  EXPECT_EQ(model.pageCount, pages) << "the page name exists in the main object";
  ASSERT_EQ(model.triangleCount, triangles + 1);
  ASSERT_EQ(model.pointCount, points + 3);
  const ModelTriangle& t = model.triangles[triangles];
  EXPECT_EQ(t.layer, 4);
  EXPECT_NE(t.flags & TRIANGLE_SELECTED, 0);
  EXPECT_STREQ(model.mappings[t.mapping].name, "own");
  // The point 1 m along x, turned a quarter turn of heading and moved 1 m right.
  const ModelPoint& p = model.points[t.corners[1] & CORNER_INDEX_MASK];
  EXPECT_NEAR(p.x / 65536.0, 1.0, 1e-4);
  EXPECT_NEAR(std::fabs(p.y / 65536.0), 1.0, 1e-4);
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();
  ExpectUndoRestores(before);
}

TEST_F(SubobjectsTest, AMergeThatWouldOverflowATableChangesNothing) {
  Start(WithSubobject);
  // The main object's mappings filled up: the subobject's own one has no room.
  while (model.mappingCount < MAX_MODEL_MAPPINGS) {
    ModelMapping m = model.mappings[0];
    std::snprintf(m.name, sizeof m.name, "f%d", model.mappingCount % 1000);
    model.AddMapping(&m);
  }
  Key('S', true);
  SelectSubobject(*modeller, 0, &model.children[0]);
  const std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  ASSERT_EQ(MergeSubobjectIntoMain(*modeller, 0), 0);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_TOO_MANY_MAPPINGS);
  Confirm();
  ExpectUnchanged(before, history);
  EXPECT_EQ(model.childCount, 1);
  // Past the point limit likewise.
  modeller->pointLimit = model.pointCount + 1;
  ASSERT_EQ(MergeSubobjectIntoMain(*modeller, 0), 0);
  EXPECT_STREQ(MessageBoxDialog.first, modeller->pointLimitText);
  Confirm();
  ExpectUnchanged(before, history);
  // Past the triangle limit likewise; limits met exactly refuse nothing (the mappings do).
  const int points = model.pointCount + model.children[0].pointCount;
  const int triangles = model.triangleCount + model.children[0].triangleCount;
  modeller->pointLimit = points;
  modeller->triangleLimit = triangles - 1;
  ASSERT_EQ(MergeSubobjectIntoMain(*modeller, 0), 0);
  EXPECT_STREQ(MessageBoxDialog.first, modeller->triangleLimitText);
  Confirm();
  ExpectUnchanged(before, history);
  modeller->triangleLimit = triangles;
  ASSERT_EQ(MergeSubobjectIntoMain(*modeller, 0), 0);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_TOO_MANY_MAPPINGS);
  Confirm();
  ExpectUnchanged(before, history);
}

TEST_F(SubobjectsTest, AMirroredSubobjectOffTheCentreIsCentredAndStraightenedBeforeItsMerge) {
  Start(WithSubobject);
  Key('S', true);
  SelectSubobject(*modeller, 0, &model.children[0]);
  model.children[0].points[1].flags |= POINT_MIRRORED;
  model.children[0].angles[1] = 0x100;
  const int triangles = model.triangleCount;
  ASSERT_EQ(MergeSubobjectIntoMain(*modeller, 0), 0);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_NOT_CENTRED);
  Key('Y');
  EXPECT_EQ(model.childCount, 0);
  ASSERT_EQ(model.triangleCount, triangles + 1);
  // Its offset across and both turns gone, the point 1 m along x stays exactly there.
  const ModelPoint& p = model.points[model.triangles[triangles].corners[1] & CORNER_INDEX_MASK];
  EXPECT_EQ(p.x, 1 << 16);
  EXPECT_EQ(p.y, 0);
  EXPECT_EQ(p.z, 0);
}
