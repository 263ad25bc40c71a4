// subobjects_test.cpp - the subobject mode: new, duplicated and deleted subobjects, types and
// drive-side functions, levels of detail, mono colours, moves, and the merge into the main
// object with its refusals.
#include <cmath>

#include "modeller/operations/subobjects.h"
#include "modeller/editor/vehicle_editor_link.h"
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

// The same subobject with a loose point and a mapping nothing uses.
void WithUntidySubobject(ModelObject& o) {
  TwoTriangles(o);
  std::vector<ModelObject> children(1);
  ModelObject& c = children[0];
  c.Init();
  ModelBuilder b;
  b.Point(0, 0, 0), b.Point(1, 0, 0), b.Point(0, 0, 1), b.Point(3, 3, 3);
  b.Page(PAGE_FIXED, "two");
  b.AddCutout("c", 0, 128, 128, 0, 0, CutoutMaterial{0, 0, 0, 0, {200, 200, 200}, 0});
  b.AddMapping("own", 0, 0, DIRECTION_FRONT, 1, 1, 0xFF0000, 0.5, 0, 0.5);
  b.AddMapping("spare", 0, 0, DIRECTION_FRONT, 1, 1, 0x00FF00, 0.5, 0, 0.5);
  b.Triangle(0, 1, 2);
  b.Into(c);
  c.type = SUBOBJECT_ATTACHMENT;
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
  EXPECT_EQ(OpenTextEntry.maxLength, 20);
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
  // Unused attachments go all at once, as one undo step.
  const std::vector<uint8_t> full = Serialised();
  DeleteUnusedAttachments(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_EQ(model.childCount, 1) << "the one with a triangle stays";
  EXPECT_STREQ(model.children[0].name, "part");
  ExpectUndoRestores(full);
}

TEST_F(SubobjectsTest, CtrlNInSubobjectModeMakesANewEmptySubobject) {
  Start(WithSubobject);
  Key('S', true);
  SelectSubobject(*modeller, 0, &model.children[0]);
  const int children = model.childCount;
  ASSERT_GT(model.children[0].triangleCount, 0);
  SelectTriangle(*modeller, 0);
  ASSERT_NE(model.children[0].triangles[0].flags & TRIANGLE_SELECTED, 0);
  CtrlKey('N');
  ASSERT_EQ(OpenTextEntry.open, 1);
  EXPECT_STREQ(OpenTextEntry.initialText, "") << "a new one offers no name";
  Type("fresh");
  ASSERT_EQ(model.childCount, children + 1);
  EXPECT_EQ(model.children[0].triangles[0].flags & TRIANGLE_SELECTED, 0) << "the old one's selection goes";
  EXPECT_STREQ(model.children[children].name, "fresh");
  EXPECT_EQ(model.children[children].triangleCount, 0) << "new, not a copy of the edited one";
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
  const std::vector<uint8_t> staticSide = Serialised();
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_FLIP_FUNCTION);
  SelectItemClick(&SelectDialog.prss, CLICK_LEFT, SIDE_FULL_FLIP);
  EXPECT_EQ(sub.sideFunction, SIDE_FULL_FLIP);
  ExpectUndoRestores(staticSide);  // the subobjects are copied anew: sub is not used again

  // Levels: removing the shown empty last level shows the one before it.
  SetEditedObject(*modeller, &model, 1);
  model.lodCount = 3;
  SetCurrentLod(*modeller, 0, 2);
  MeshRebuilds = 0;
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_REMOVE_LOD);
  EXPECT_EQ(model.lodCount, 2);
  EXPECT_EQ(model.currentLod, 1);
  EXPECT_GT(MeshRebuilds, 0) << "the meshes are built again";
  // Removing the last level while the first is shown keeps the first shown, built again.
  model.lodCount = 3;
  SetCurrentLod(*modeller, 0, 0);
  const std::vector<uint8_t> threeShown = Serialised();
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_REMOVE_LOD);
  EXPECT_EQ(model.lodCount, 2);
  EXPECT_EQ(model.currentLod, 0);
  EXPECT_EQ(MeshRebuilds, 1);
  ExpectUndoRestores(threeShown);
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
  const std::vector<uint8_t> threeLevels = Serialised();
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_ADD_LOD);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_FOUR_LODS);
  Confirm();
  EXPECT_EQ(model.lodCount, 4);
  ExpectUndoRestores(threeLevels);

  // Mono colours: added white and chosen, removed back to none.
  const std::vector<uint8_t> before = Serialised();
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_ADD_MONO_COLOUR);
  ASSERT_EQ(model.colourChoiceCount, 1);
  EXPECT_EQ(model.colourChoices[0], 0xFFFFFFu);
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();
  ExpectUndoRestores(before);
  const std::vector<uint8_t> white = Serialised();
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_DELETE_MONO_COLOUR);
  EXPECT_EQ(model.colourChoiceCount, 0);
  EXPECT_EQ(model.colourChoices, nullptr);
  ExpectUndoRestores(white);
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

TEST_F(SubobjectsTest, AMergedSubobjectLeavesItsLoosePointsAndUnusedMappingsBehind) {
  Start(WithUntidySubobject);
  Key('S', true);
  SelectSubobject(*modeller, 0, &model.children[0]);
  const int points = model.pointCount, mappings = model.mappingCount;
  MeshRebuilds = 0;
  ASSERT_EQ(MergeSubobjectIntoMain(*modeller, 0), 1);
  EXPECT_GT(MeshRebuilds, 0) << "the meshes are built again";
  EXPECT_EQ(model.pointCount, points + 3) << "the triangle's three points, not the loose one";
  EXPECT_EQ(model.mappingCount, mappings + 1) << "\"own\" only";
  for (int m = 0; m < model.mappingCount; ++m) EXPECT_STRNE(model.mappings[m].name, "spare");
}

// A subobject at the main object's origin whose page, cutout and mapping equal the main
// object's first ones merges onto them: no page, cutout or mapping is added, and its triangle
// takes mapping 0.
TEST_F(SubobjectsTest, AMergeReusesTheMainObjectsFirstPageCutoutAndMapping) {
  Start(WithSubobject);
  ModelObject& sub = model.children[0];
  ASSERT_EQ(sub.pageCount, 1);
  ASSERT_EQ(sub.cutoutCount, 1);
  ASSERT_EQ(sub.mappingCount, 1);
  ASSERT_GE(model.mappingCount, 1);
  model.cutouts[0].page = 0;
  model.mappings[0].cutout[0] = model.mappings[0].cutout[1] = 0;
  sub.pages[0] = model.pages[0];
  sub.cutouts[0] = model.cutouts[0];
  sub.mappings[0] = model.mappings[0];
  for (int t = 0; t < sub.triangleCount; ++t) sub.triangles[t].mapping = 0;
  // Standing unturned at the main object's origin, so that its mapping stays where it is.
  for (int i = 0; i < 3; ++i) sub.offset[i] = 0, sub.angles[i] = 0;
  const int pages = model.pageCount, cutouts = model.cutoutCount, mappings = model.mappingCount;
  const int triangles = model.triangleCount;
  Key('S', true);
  SelectSubobject(*modeller, 0, &sub);
  ASSERT_EQ(MergeSubobjectIntoMain(*modeller, 0), 1);
  EXPECT_EQ(model.pageCount, pages);
  EXPECT_EQ(model.cutoutCount, cutouts);
  EXPECT_EQ(model.mappingCount, mappings);
  ASSERT_EQ(model.triangleCount, triangles + 1);
  EXPECT_EQ(model.triangles[triangles].mapping, 0);
}

// A subobject mapping that differs from the main object's only in its opposite side's cutout
// is a mapping of its own: the merge adds it.
TEST_F(SubobjectsTest, AMergeKeepsAMappingWithAnotherOppositeCutoutApart) {
  Start(WithSubobject);
  ModelObject& sub = model.children[0];
  ASSERT_EQ(sub.cutoutCount, 1);
  ASSERT_EQ(sub.mappingCount, 1);
  while (model.cutoutCount < 2) model.AddCutout(nullptr);
  model.cutouts[0].page = 0;
  model.mappings[0].cutout[0] = 0;
  model.mappings[0].cutout[1] = 1;  // its opposite side shows cutout 1
  sub.pages[0] = model.pages[0];
  sub.cutouts[0] = model.cutouts[0];
  sub.mappings[0] = model.mappings[0];
  sub.mappings[0].cutout[0] = sub.mappings[0].cutout[1] = 0;  // both sides cutout 0
  for (int t = 0; t < sub.triangleCount; ++t) sub.triangles[t].mapping = 0;
  for (int i = 0; i < 3; ++i) sub.offset[i] = 0, sub.angles[i] = 0;
  const int mappings = model.mappingCount;
  Key('S', true);
  SelectSubobject(*modeller, 0, &sub);
  ASSERT_EQ(MergeSubobjectIntoMain(*modeller, 0), 1);
  EXPECT_EQ(model.mappingCount, mappings + 1);
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

TEST_F(SubobjectsTest, EachTypeSetsItsDriveSideFunctionAndOnlyTheWingsToTheMirrorAreCentred) {
  Start(WithSubobject);
  Key('S', true);
  SelectSubobject(*modeller, 0, &model.children[0]);
  ModelObject& sub = model.children[0];
  // Type: the drive-side function it takes (0 = left as it was), and whether its offset
  // across is zeroed.
  const struct {
    int type, side;
    bool centred;
  } rows[] = {
      {SUBOBJECT_BRAKE, SIDE_STATIC, false},           {SUBOBJECT_STEERING_WHEEL, SIDE_SWAP_ONLY, false},
      {SUBOBJECT_ATTACHMENT, 0, false},                {SUBOBJECT_TRAILING_ARM, SIDE_STATIC, false},
      {SUBOBJECT_MUDGUARD, SIDE_STATIC, false},        {SUBOBJECT_REAR_WING, SIDE_STATIC, true},
      {SUBOBJECT_FRONT_WING, SIDE_STATIC, true},       {SUBOBJECT_UNDERTRAY, SIDE_STATIC, true},
      {SUBOBJECT_AERO_CENTRE, SIDE_STATIC, true},      {SUBOBJECT_INTERNAL_MIRROR, SIDE_FULL_FLIP, true},
      {SUBOBJECT_HANDLEBAR, SIDE_STATIC, false},       {SUBOBJECT_HUB, SIDE_STATIC, false},
  };
  for (const auto& r : rows) {
    sub.offset[0] = Metres(0.3);
    sub.sideFunction = 0;
    SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_TYPE);
    SelectItemClick(&SelectDialog.prss, CLICK_LEFT, r.type);
    EXPECT_EQ(sub.type, r.type);
    EXPECT_EQ(sub.sideFunction, r.side) << "type " << r.type;
    EXPECT_EQ(sub.offset[0], r.centred ? 0 : Metres(0.3)) << "type " << r.type;
  }
  // The last drive-side function is taken.
  sub.type = SUBOBJECT_ATTACHMENT;
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_FLIP_FUNCTION);
  SelectItemClick(&SelectDialog.prss, CLICK_LEFT, SIDE_SWAP_ONLY);
  EXPECT_EQ(sub.sideFunction, SIDE_SWAP_ONLY);
}

TEST_F(SubobjectsTest, LevelsStopAtOneAndASubobjectHasNoMoreThanTheMainObject) {
  Start(WithSubobject);
  Key('S', true);
  // Two levels: the last one goes, the shown level (the one that went) becomes the first.
  model.lodCount = 2;
  SetCurrentLod(*modeller, 0, 1);
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_REMOVE_LOD);
  EXPECT_EQ(model.lodCount, 1);
  EXPECT_EQ(model.currentLod, 0);
  // One level stays, with no undo point.
  int history = ModellerUndo.count;
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_REMOVE_LOD);
  EXPECT_EQ(model.lodCount, 1);
  EXPECT_EQ(ModellerUndo.count, history);
  // Three levels with the first shown: it stays shown.
  model.lodCount = 3;
  SetCurrentLod(*modeller, 0, 0);
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_REMOVE_LOD);
  EXPECT_EQ(model.lodCount, 2);
  EXPECT_EQ(model.currentLod, 0);
  // Four levels on the main object are the most, and adding one more does nothing.
  model.lodCount = 4;
  history = ModellerUndo.count;
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_ADD_LOD);
  EXPECT_EQ(model.lodCount, 4);
  EXPECT_EQ(ModellerUndo.count, history);
  EXPECT_FALSE(MessageBoxDialog.prss.alive);
  // A subobject gains levels up to the main object's count (three here), each new one at
  // the main object's last distance, with no message.
  model.lodCount = 3;
  model.lodDistances[0] = 0x10000, model.lodDistances[1] = 0x20000, model.lodDistances[2] = 0x30000;
  SelectSubobject(*modeller, 0, &model.children[0]);
  ModelObject& sub = model.children[0];
  sub.lodCount = 2;
  sub.lodDistances[2] = 0;
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_ADD_LOD);
  EXPECT_EQ(sub.lodCount, 3);
  EXPECT_EQ(sub.lodDistances[2], 0x30000);
  EXPECT_FALSE(MessageBoxDialog.prss.alive);
  history = ModellerUndo.count;
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_ADD_LOD);
  EXPECT_EQ(sub.lodCount, 3) << "no more than the main object";
  EXPECT_EQ(ModellerUndo.count, history);
}

TEST_F(SubobjectsTest, MovesGoOneStepEachWayOfEachAxisAndTheListOrderStopsAtItsEnds) {
  Start(WithSubobject);
  Key('S', true);
  SelectSubobject(*modeller, 0, &model.children[0]);
  ModelObject& sub = model.children[0];
  const int32_t step = ValueStep16(CLICK_LEFT);
  ASSERT_GT(step, 0);
  // Words 5..10: -x, +x, -y, +y, -z, +z.
  const int32_t start[3] = {sub.points[1].x, sub.points[1].y, sub.points[1].z};
  const int32_t expected[6][3] = {{-step, 0, 0}, {step, 0, 0}, {0, -step, 0}, {0, step, 0}, {0, 0, -step}, {0, 0, step}};
  for (int w = 0; w < 6; ++w) {
    sub.points[1].x = start[0], sub.points[1].y = start[1], sub.points[1].z = start[2];
    SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_MOVE_FIRST + w);
    EXPECT_EQ(sub.points[1].x - start[0], expected[w][0]) << "word " << SUBOBJECT_MOVE_FIRST + w;
    EXPECT_EQ(sub.points[1].y - start[1], expected[w][1]) << "word " << SUBOBJECT_MOVE_FIRST + w;
    EXPECT_EQ(sub.points[1].z - start[2], expected[w][2]) << "word " << SUBOBJECT_MOVE_FIRST + w;
  }
  // A second subobject: the first moves down to second place and no further; up likewise.
  NewSubobject(&modeller->prss, CLICK_LEFT, 0);
  Type("second");
  ASSERT_EQ(model.childCount, 2);
  SelectSubobject(*modeller, 0, &model.children[0]);
  int history = ModellerUndo.count;
  MoveSubobjectInList(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_STREQ(model.children[0].name, "part") << "the first goes no higher";
  EXPECT_EQ(ModellerUndo.count, history);
  MoveSubobjectInList(&modeller->prss, CLICK_LEFT, 1);
  EXPECT_STREQ(model.children[0].name, "second");
  EXPECT_STREQ(model.children[1].name, "part");
  EXPECT_EQ(EditedObject, &model.children[1]);
  history = ModellerUndo.count;
  MoveSubobjectInList(&modeller->prss, CLICK_LEFT, 1);
  EXPECT_STREQ(model.children[1].name, "part") << "the last goes no lower";
  EXPECT_EQ(ModellerUndo.count, history);
  MoveSubobjectInList(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_STREQ(model.children[0].name, "part");
  EXPECT_EQ(EditedObject, &model.children[0]);
}

TEST_F(SubobjectsTest, EightMonoColoursAreTheMostAndTheLastAddedIsChosen) {
  Start(WithSubobject);
  Key('S', true);
  int history = ModellerUndo.count;
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_DELETE_MONO_COLOUR);
  EXPECT_EQ(ModellerUndo.count, history) << "none to delete";
  for (int n = 1; n <= 8; ++n) {
    SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_ADD_MONO_COLOUR);
    ASSERT_EQ(model.colourChoiceCount, n);
    EXPECT_EQ(modeller->colourChoice, n - 1);
    EXPECT_EQ(model.colourChoices[n - 1], 0xFFFFFFu);
  }
  history = ModellerUndo.count;
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_ADD_MONO_COLOUR);
  EXPECT_EQ(model.colourChoiceCount, 8);
  EXPECT_EQ(ModellerUndo.count, history);
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_DELETE_MONO_COLOUR);
  EXPECT_EQ(model.colourChoiceCount, 7);
  EXPECT_EQ(modeller->colourChoice, 0);
}

TEST_F(SubobjectsTest, ANewSubobjectAskedFromPointModeStandsAtTheGreenPoint) {
  Start(WithSubobject);
  // The main object's first point, moved off the origin, as the green point.
  model.points[0].x = Metres(0.5), model.points[0].y = Metres(-0.25), model.points[0].z = Metres(2);
  SetModellerMode(*modeller, 0, ModePoint);
  modeller->state.currentPoint = 0;
  NewSubobject(&modeller->prss, CLICK_LEFT, 0);
  Type("");
  ASSERT_EQ(model.childCount, 2);
  EXPECT_STREQ(model.children[1].name, TEXT_DEFAULT_SUBOBJECT_NAME);
  EXPECT_EQ(model.children[1].offset[0], Metres(0.5));
  EXPECT_EQ(model.children[1].offset[1], Metres(-0.25));
  EXPECT_EQ(model.children[1].offset[2], Metres(2));
  // The main object's last point likewise.
  SetEditedObject(*modeller, &model, 1);
  SetModellerMode(*modeller, 0, ModePoint);
  modeller->state.currentPoint = model.pointCount - 1;  // (6, 0, 0)
  NewSubobject(&modeller->prss, CLICK_LEFT, 0);
  Type("far");
  ASSERT_EQ(model.childCount, 3);
  EXPECT_EQ(model.children[2].offset[0], Metres(6));
  EXPECT_EQ(model.children[2].offset[1], 0);
  // Asked from another mode: at the origin.
  SetEditedObject(*modeller, &model, 1);
  SetModellerMode(*modeller, 0, ModeSubobject);
  modeller->state.currentPoint = model.pointCount - 1;
  NewSubobject(&modeller->prss, CLICK_LEFT, 0);
  Type("origin");
  ASSERT_EQ(model.childCount, 4);
  EXPECT_EQ(model.children[3].offset[0], 0);
}

// "delete unused attachments" reaches the first subobject too.
TEST_F(SubobjectsTest, TheFirstSubobjectIsDeletedWhenItIsAnUnusedAttachment) {
  Start(WithSubobject);
  ASSERT_EQ(model.childCount, 1);
  ASSERT_EQ(model.children[0].type, SUBOBJECT_ATTACHMENT);
  model.children[0].triangleCount = 0;
  DeleteUnusedAttachments(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_EQ(model.childCount, 0);
}

TEST_F(SubobjectsTest, OnlyTheThirtyTwoLayersTakeAMerge) {
  Start(WithSubobject);
  Key('S', true);
  SelectSubobject(*modeller, 0, &model.children[0]);
  const std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  EXPECT_EQ(MergeSubobjectIntoMain(*modeller, 32), 0);
  EXPECT_EQ(MergeSubobjectIntoMain(*modeller, -1), 0);
  ExpectUnchanged(before, history);
  modeller->state.currentLayer = 32;
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_MERGE);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_VALID_LAYER);
  Confirm();
  // The first layer is asked about like the last; "no" merges nothing.
  modeller->state.currentLayer = 0;
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_MERGE);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_MERGE_SUBOBJECT);
  Key('N');
  Frame();
  EXPECT_EQ(model.childCount, 1);
  modeller->state.currentLayer = 31;
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_MERGE);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_MERGE_SUBOBJECT);
  Key('Y');
  EXPECT_EQ(model.childCount, 0);
  EXPECT_EQ(model.triangles[model.triangleCount - 1].layer, 31);
}

TEST_F(SubobjectsTest, AMergeTakesTheLastFreePageAndCutoutButNoneBeyond) {
  Start(WithSubobject);
  // The subobject's page and cutout under names of their own: the main object needs room.
  std::snprintf(model.children[0].pages[0].name, MODEL_NAME_SIZE, "three");
  std::snprintf(model.children[0].cutouts[0].name, CUTOUT_NAME_SIZE, "own");
  TexturePage page = model.pages[0];
  while (model.pageCount < MAX_MODEL_PAGES) {
    std::snprintf(page.name, MODEL_NAME_SIZE, "p%d", model.pageCount);
    model.AddPage(&page);
  }
  Cutout cutout = model.cutouts[0];
  while (model.cutoutCount < MAX_MODEL_CUTOUTS) {
    std::snprintf(cutout.name, CUTOUT_NAME_SIZE, "c%d", model.cutoutCount);
    model.AddCutout(&cutout);
  }
  Key('S', true);
  SelectSubobject(*modeller, 0, &model.children[0]);
  // Every page taken (and every cutout): the page is refused first.
  std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  ASSERT_EQ(MergeSubobjectIntoMain(*modeller, 0), 0);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_TOO_MANY_PAGES);
  Confirm();
  ExpectUnchanged(before, history);
  // One page free, every cutout taken.
  --model.pageCount;
  before = Serialised();
  ASSERT_EQ(MergeSubobjectIntoMain(*modeller, 0), 0);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_TOO_MANY_CUTOUTS);
  Confirm();
  ExpectUnchanged(before, history);
  // One of each free: both are taken and the tables are full.
  --model.cutoutCount;
  ASSERT_EQ(MergeSubobjectIntoMain(*modeller, 0), 1);
  EXPECT_EQ(model.pageCount, MAX_MODEL_PAGES);
  EXPECT_EQ(model.cutoutCount, MAX_MODEL_CUTOUTS);
  EXPECT_STREQ(model.pages[MAX_MODEL_PAGES - 1].name, "three");
  EXPECT_STREQ(model.cutouts[MAX_MODEL_CUTOUTS - 1].name, "own");
  EXPECT_EQ(model.cutouts[MAX_MODEL_CUTOUTS - 1].page, MAX_MODEL_PAGES - 1);
}

TEST_F(SubobjectsTest, EachEditRebuildsThePreview) {
  Start(WithSubobject);
  FlatPreview();
  NewNodes();
  Key('S', true);
  SelectSubobject(*modeller, 0, &model.children[0]);
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_MOVE_FIRST + 1);
  EXPECT_TRUE(PreviewCurrent()) << "a move";
  EXPECT_EQ(NewNodes(), 1) << "a move";
  model.children[0].offset[0] = Metres(0.3);
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_TYPE);
  SelectItemClick(&SelectDialog.prss, CLICK_LEFT, SUBOBJECT_REAR_WING);
  EXPECT_TRUE(PreviewCurrent()) << "a type centring the subobject";
  EXPECT_EQ(NewNodes(), 1) << "a type centring the subobject";
  model.children[0].type = SUBOBJECT_ATTACHMENT;
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_FLIP_FUNCTION);
  SelectItemClick(&SelectDialog.prss, CLICK_LEFT, SIDE_SWAP_ONLY);
  EXPECT_EQ(model.children[0].sideFunction, SIDE_SWAP_ONLY);
  EXPECT_TRUE(PreviewCurrent()) << "a drive side function";
  EXPECT_EQ(NewNodes(), 1) << "a drive side function";
  MergeSubobjectIntoMain(*modeller, 0);
  EXPECT_TRUE(PreviewCurrent()) << "a merge";
  EXPECT_EQ(NewNodes(), 1) << "a merge";
  NewSubobject(&modeller->prss, CLICK_LEFT, 0);
  Type("empty");
  EXPECT_EQ(NewNodes(), 1) << "a new subobject";
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_DELETE);
  EXPECT_TRUE(PreviewCurrent()) << "a deletion";
  EXPECT_EQ(NewNodes(), 1) << "a deletion";
}

TEST_F(SubobjectsTest, DeletingTheFirstOfThreeSubobjectsKeepsTheOtherTwoInOrder) {
  Start(WithSubobject);
  Key('S', true);
  for (const char* name : {"second", "third"}) {
    SetEditedObject(*modeller, &model, 1);
    NewSubobject(&modeller->prss, CLICK_LEFT, 0);
    Type(name);
  }
  ASSERT_EQ(model.childCount, 3);
  SelectSubobject(*modeller, 0, &model.children[0]);
  SubobjectCommand(&modeller->prss, CLICK_LEFT, SUBOBJECT_DELETE);
  ASSERT_EQ(model.childCount, 2);
  EXPECT_STREQ(model.children[0].name, "second");
  EXPECT_STREQ(model.children[1].name, "third");
  EXPECT_EQ(EditedObject, &model);
}
