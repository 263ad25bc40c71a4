// triangle_tools_test.cpp - the triangle mode's tools through its panel, keys and questions:
// deletion, duplication, subdivision, mirroring and unmirrored copies, breaking off into a
// subobject, hiding, the groups and the colours.
#include <algorithm>
#include <cmath>

#include "core/fixed_math.h"
#include "modeller/operations/triangle_tools.h"
#include "operations_fixture.h"
#include "render/draw_mesh.h"

using namespace modeller_test;

namespace {

// A 2 x 1 m rectangle in the ground plane (z = 0.5) as two triangles sharing the edge 0-2,
// both wound the same way.
void FlatQuad(ModelObject& o) {
  o.Init();
  ModelBuilder b;
  b.Point(0, 0, 0.5), b.Point(2, 0, 0.5), b.Point(2, 1, 0.5), b.Point(0, 1, 0.5);
  b.Quad(0, 1, 2, 3);
  b.Into(o);
  std::snprintf(o.name, sizeof o.name, "quad");
}

// Six separate triangles, each on its own group byte t (so they can be told apart).
void SixTriangles(ModelObject& o) {
  o.Init();
  ModelBuilder b;
  for (int t = 0; t < 6; ++t) {
    const int p = b.Point(t, 0, 0);
    b.Point(t + 0.5, 0, 0), b.Point(t, 0, 0.5);
    b.group = t;
    b.Triangle(p, p + 1, p + 2);
  }
  b.Into(o);
  o.groupCount = 6;
}

// The signed area vector's sum over the triangles (square metres): area and winding together.
void AreaVector(const ModelObject& o, double out[3]) {
  out[0] = out[1] = out[2] = 0;
  for (int t = 0; t < o.triangleCount; ++t) {
    double c[3][3];
    for (int k = 0; k < 3; ++k) {
      const ModelPoint& p = o.points[o.triangles[t].corners[k] & CORNER_INDEX_MASK];
      c[k][0] = p.x / 65536.0, c[k][1] = p.y / 65536.0, c[k][2] = p.z / 65536.0;
    }
    const double u[3] = {c[1][0] - c[0][0], c[1][1] - c[0][1], c[1][2] - c[0][2]};
    const double v[3] = {c[2][0] - c[0][0], c[2][1] - c[0][1], c[2][2] - c[0][2]};
    out[0] += 0.5 * (u[1] * v[2] - u[2] * v[1]);
    out[1] += 0.5 * (u[2] * v[0] - u[0] * v[2]);
    out[2] += 0.5 * (u[0] * v[1] - u[1] * v[0]);
  }
}

}  // namespace

class TriangleToolsTest : public OperationsTest {
 protected:
  void SelectTriangles(std::initializer_list<int> triangles) {
    DeselectAllTriangles(*modeller);
    for (int t : triangles) SelectTriangle(*modeller, t);
  }
  const ModelTriangle& T(int index) const { return EditedObject->triangles[index]; }
};

TEST_F(TriangleToolsTest, SubdividingTwoTrianglesSharingAnEdgeKeepsAreaAndWinding) {
  Start(FlatQuad);
  Key('T', true);
  double was[3];
  AreaVector(model, was);
  SelectTriangles({0, 1});
  const std::vector<uint8_t> before = Serialised();
  Press("subdivide");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_SUBDIVIDE);
  Key('Y');
  EXPECT_EQ(model.triangleCount, 8);
  EXPECT_EQ(model.pointCount, 9) << "the shared edge's midpoint is merged";
  double now[3];
  AreaVector(model, now);
  for (int a = 0; a < 3; ++a) EXPECT_NEAR(now[a], was[a], 1e-9);
  for (int t = 0; t < model.triangleCount; ++t) {
    double one[3];
    ModelObject single = model;
    single.triangles = &model.triangles[t];
    single.triangleCount = 1;
    AreaVector(single, one);
    EXPECT_GT(one[2] * was[2], 0) << "triangle " << t << " keeps the winding";
  }
  EXPECT_EQ(modeller->state.selectedTriangleCount, 0);
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();
  ExpectUndoRestores(before);

  // Far corners: the midpoint is taken from a 64-bit sum.
  model.points[0].x = model.points[1].x = INT32_MAX - 1;
  model.points[2].x = INT32_MAX - 3;
  SelectTriangles({0});
  SubdivideTriangles(&modeller->prss, CLICK_LEFT, 1);
  for (int p = 0; p < model.pointCount; ++p) EXPECT_GT(model.points[p].x, -1) << "no midpoint wrapped round";

  // A triangle on a reflected point, whichever its corner, is refused, the limits too; nothing
  // changes.
  Key('A');
  std::vector<uint8_t> kept;
  int history = ModellerUndo.count;
  for (int k = 0; k < 3; ++k) {
    model.triangles[0].corners[k] |= CORNER_MIRRORED;
    SelectTriangles({0});
    kept = Serialised();
    history = ModellerUndo.count;
    Press("subdivide");
    EXPECT_STREQ(MessageBoxDialog.first, "1 triangle refer to mirrored points") << "corner " << k;
    Confirm();
    ExpectUnchanged(kept, history);
    model.triangles[0].corners[k] &= CORNER_INDEX_MASK;
  }
  modeller->triangleLimit = model.triangleCount + 2;
  Press("subdivide");
  EXPECT_STREQ(MessageBoxDialog.first, modeller->triangleLimitText);
  Confirm();
  ExpectUnchanged(Serialised(), history);
}

TEST_F(TriangleToolsTest, DeletingKeepsTheOrderAndDuplicatingSelectsTheCopies) {
  Start(SixTriangles);
  Key('T', true);
  SelectTriangles({2, 4});
  std::vector<uint8_t> before = Serialised();
  Key(KEYCODE_DELETE);
  EXPECT_STREQ(modeller->statusText, "delete triangles");
  ASSERT_EQ(model.triangleCount, 4);
  const int order[4] = {0, 1, 3, 5};
  for (int t = 0; t < 4; ++t) EXPECT_EQ(T(t).group, order[t]);
  EXPECT_EQ(modeller->state.selectedTriangleCount, 0);
  ExpectUndoRestores(before);
  CtrlKey('Z');

  // One triangle of three unshared points: three points and one triangle more, selected. A
  // point selected before, not of the triangle, is not copied with it.
  Key('A');
  SelectTriangles({1});
  model.points[0].flags |= POINT_SELECTED;
  before = Serialised();
  CtrlKey('D');
  EXPECT_STREQ(modeller->statusText, "duplicate triangle");
  ASSERT_EQ(model.pointCount, 21);
  ASSERT_EQ(model.triangleCount, 7);
  EXPECT_EQ(modeller->state.mode, ModePoint);
  EXPECT_TRUE(Said(TEXT_DUPLICATED_TRIANGLES));
  EXPECT_EQ(T(6).corners[0] & CORNER_INDEX_MASK, 18);
  EXPECT_EQ(T(6).group, 1);
  EXPECT_NE(T(6).flags & TRIANGLE_SELECTED, 0);
  EXPECT_EQ(T(1).flags & TRIANGLE_SELECTED, 0);
  for (int p = 18; p < 21; ++p) {
    EXPECT_EQ(P(p).x, P(p - 15).x);
    EXPECT_NE(P(p).flags & POINT_SELECTED, 0);
  }
  EXPECT_EQ(modeller->state.currentPoint, 20);
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();
  ExpectUndoRestores(before);

  // Hiding the selected triangles leaves none selected; unhiding shows them again.  Each
  // builds the shown mesh again.
  Key('T', true);
  SelectTriangles({0, 5});
  MeshRebuilds = 0;
  Key('H');
  EXPECT_EQ(modeller->state.selectedTriangleCount, 0);
  EXPECT_EQ(SelectedTriangles(), 0);
  EXPECT_NE(T(0).flags & TRIANGLE_HIDDEN, 0);
  EXPECT_EQ(MeshRebuilds, 1);
  Key('H', false, false, true);
  EXPECT_EQ(T(0).flags & TRIANGLE_HIDDEN, 0);
  EXPECT_EQ(MeshRebuilds, 2);
  SelectTriangles({3});
  Key('H', true);
  EXPECT_NE(T(0).flags & TRIANGLE_HIDDEN, 0);
  EXPECT_EQ(T(3).flags & TRIANGLE_HIDDEN, 0);
  EXPECT_EQ(MeshRebuilds, 3);
}

TEST_F(TriangleToolsTest, DuplicatingAndSubdividingRunExactlyUpToThePointAndTriangleLimits) {
  Start(SixTriangles);  // 18 points, 6 triangles
  Key('T', true);
  // Two triangles of three points each: six points and two triangles more.
  SelectTriangles({1, 4});
  const int history = ModellerUndo.count;
  const std::vector<uint8_t> before = Serialised();
  const auto refused = [&](const char* text, const char* what) {
    EXPECT_STREQ(MessageBoxDialog.first, text) << what;
    Confirm();
    ExpectUnchanged(before, history);
  };
  modeller->triangleLimit = 7, modeller->pointLimit = 24;
  CtrlKey('D');
  refused(modeller->triangleLimitText, "duplicate, one triangle short");
  Key('T', true);
  SelectTriangles({1, 4});
  modeller->triangleLimit = 8, modeller->pointLimit = 23;
  CtrlKey('D');
  refused(modeller->pointLimitText, "duplicate, one point short");
  Key('T', true);
  SelectTriangles({1, 4});
  modeller->triangleLimit = 8, modeller->pointLimit = 24;
  CtrlKey('D');
  EXPECT_EQ(model.triangleCount, 8) << "exactly at both limits";
  EXPECT_EQ(model.pointCount, 24);
  CtrlKey('Z');
  ASSERT_TRUE(Serialised() == before);
  // Subdividing one triangle adds three points and three triangles.
  Key('T', true);
  SelectTriangles({2});
  const int afterUndo = ModellerUndo.count;
  modeller->triangleLimit = 9, modeller->pointLimit = 20;
  Press("subdivide");
  EXPECT_STREQ(MessageBoxDialog.first, modeller->pointLimitText) << "subdivide, one point short";
  Confirm();
  EXPECT_EQ(model.triangleCount, 6);
  EXPECT_EQ(ModellerUndo.count, afterUndo);
  modeller->triangleLimit = 9, modeller->pointLimit = 21;
  Press("subdivide");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_SUBDIVIDE);
  Key('Y');
  EXPECT_EQ(model.triangleCount, 9) << "subdivide exactly at both limits";
  EXPECT_EQ(model.pointCount, 21);
}

TEST_F(TriangleToolsTest, MirroringSkipsSwapTrianglesAndUnmirroredCopiesAreCounted) {
  Start(SixTriangles);
  Key('T', true);
  model.triangles[1].flags |= TRIANGLE_SIDE_SWAP;
  model.triangles[3].flags |= TRIANGLE_SIDE_SWAP;
  SelectTriangles({0, 1, 2, 3});
  const std::vector<uint8_t> before = Serialised();
  TriangleToolsCommand(&modeller->prss, CLICK_LEFT, TRIANGLE_TOOL_MIRROR_SELECTED);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_SOME_SWAP_SKIPPED);
  Confirm();
  EXPECT_NE(T(0).flags & TRIANGLE_MIRRORED, 0);
  EXPECT_EQ(T(1).flags & TRIANGLE_MIRRORED, 0);
  EXPECT_NE(T(2).flags & TRIANGLE_MIRRORED, 0);
  EXPECT_EQ(T(3).flags & TRIANGLE_MIRRORED, 0);
  EXPECT_EQ(P(0).flags & POINT_MIRROR_STATE, POINT_CENTRAL) << "x = 0: fixed";
  EXPECT_EQ(P(1).flags & POINT_MIRROR_STATE, POINT_MIRRORED);
  ExpectUndoRestores(before);

  // Build unmirrored: asked with no copies and no reflections, then reflected copies.
  SelectTriangles({2});
  Press("build unmirrored");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_BUILD_UNMIRRORED);
  Key('Y');
  EXPECT_STREQ(modeller->statusText, "build unmirrored");
  ASSERT_EQ(model.triangleCount, 7);
  EXPECT_EQ(T(6).corners[0], uint16_t(T(2).corners[2] | CORNER_MIRRORED));
  EXPECT_EQ(T(6).corners[2], uint16_t(T(2).corners[0] | CORNER_MIRRORED));
  // Asked again, the source has its copy and the copy is on reflected points.
  SelectTriangles({2});
  Press("build unmirrored");
  EXPECT_STREQ(MessageBoxDialog.first, "1 triangle already has a mirrored copy");
  Confirm();
  SelectTriangles({2, 6});
  Press("build unmirrored");
  EXPECT_STREQ(MessageBoxDialog.first, "1 is already based on reflected points and 1 already has a mirrored copy");
  Confirm();
  // The copy alone: only reflected points, in the singular.
  SelectTriangles({6});
  Press("build unmirrored");
  EXPECT_STREQ(MessageBoxDialog.first, "1 triangle is already based on reflected points");
  Confirm();
  EXPECT_EQ(model.triangleCount, 7) << "nothing built";
}

TEST_F(TriangleToolsTest, BreakingOffKeepsEveryCornerInPlace) {
  Start([](ModelObject& o) {
    SampleCar(o);
    o.AddSubobjectSlot();  // an empty last subobject to break off into
    ModelObject& empty = o.children[o.childCount++];
    empty.Init();
    empty.offset[0] = Metres(0.25), empty.offset[1] = Metres(-1), empty.offset[2] = Metres(0.5);
  });
  Key('T', true);
  SelectTriangles({0, 1});
  std::vector<IntVector> world;
  for (int t : {0, 1})
    for (uint16_t c : T(t).corners) {
      const ModelPoint& p = P(c & CORNER_INDEX_MASK);
      world.push_back({p.x, p.y, p.z});
    }
  const int points = model.pointCount, triangles = model.triangleCount;
  const std::vector<uint8_t> before = Serialised();
  // The points the two triangles use, each once: a limit one short refuses, the exact limit
  // does not.
  std::vector<int> used;
  for (int t : {0, 1})
    for (uint16_t c : T(t).corners)
      if (std::find(used.begin(), used.end(), c & CORNER_INDEX_MASK) == used.end()) used.push_back(c & CORNER_INDEX_MASK);
  modeller->pointLimit = int(used.size()) - 1;
  Press("break off");
  Key('Y');
  EXPECT_STREQ(MessageBoxDialog.first, modeller->pointLimitText) << "one point short";
  Confirm();
  EXPECT_EQ(Serialised(), before);
  modeller->pointLimit = int(used.size());
  Press("break off");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_BREAK_OFF);
  Key('Y');
  EXPECT_STREQ(modeller->statusText, "break off");
  ModelObject& sub = model.children[model.childCount - 1];
  EXPECT_EQ(EditedObject, &sub);
  EXPECT_EQ(modeller->state.mode, ModeSubobject);
  ASSERT_EQ(sub.triangleCount, 2);
  EXPECT_EQ(model.triangleCount, triangles - 2);
  EXPECT_LE(model.pointCount, points);
  EXPECT_EQ(sub.mappingCount, model.mappingCount);
  size_t i = 0;
  for (int t = 0; t < 2; ++t)
    for (uint16_t c : sub.triangles[t].corners) {
      const ModelPoint& p = sub.points[c & CORNER_INDEX_MASK];
      EXPECT_EQ(p.x + sub.offset[0], world[i].x);
      EXPECT_EQ(p.y + sub.offset[1], world[i].y);
      EXPECT_EQ(p.z + sub.offset[2], world[i].z);
      ++i;
    }
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();
  ExpectUndoRestores(before);
  // The subobject now holds triangles: a second break off is refused.
  SetEditedObject(*modeller, &model, 1);
  Key('T', true);
  SelectTriangles({3});
  const std::vector<uint8_t> kept = Serialised();
  const int history = ModellerUndo.count;
  Press("break off");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_NEED_EMPTY_SUBOBJECT);
  Confirm();
  ExpectUnchanged(kept, history);
}

// Breaking off from a subobject: the new subobject takes the edited one's rotation, and each
// corner keeps its place in the main object's space (R p + O before and after), its own offset
// included.
TEST_F(TriangleToolsTest, BreakingOffFromATurnedSubobjectKeepsEveryCornerInPlace) {
  Start([](ModelObject& o) {
    SampleCar(o);
    o.AddSubobjectSlot();
    ModelObject& empty = o.children[o.childCount++];
    empty.Init();
    empty.offset[0] = Metres(-0.4), empty.offset[1] = Metres(0.75), empty.offset[2] = Metres(0.2);
  });
  int from = -1;
  for (int c = 0; c + 1 < model.childCount && from < 0; ++c)
    if (model.children[c].triangleCount > 0) from = c;
  ASSERT_GE(from, 0) << "the sample car has a subobject with triangles";
  ModelObject& edited = model.children[from];
  edited.offset[0] = Metres(0.6), edited.offset[1] = Metres(-0.3), edited.offset[2] = Metres(0.9);
  edited.angles[2] = 0x2000;  // an eighth of a turn of heading
  edited.angles[0] = 0x0800;
  SetEditedObject(*modeller, &edited, 1);
  Key('T', true);
  SelectTriangles({0});
  const auto place = [](const ModelObject& o, const ModelPoint& p) {
    FixedMatrix r;
    MatrixFromAngles(r, uint16_t(o.angles[2]), uint16_t(o.angles[0]), uint16_t(o.angles[1]));
    IntVector turned;
    MatrixTransform(r, IntVector{p.x, p.y, p.z}, turned);
    return IntVector{turned.x + o.offset[0], turned.y + o.offset[1], turned.z + o.offset[2]};
  };
  std::vector<IntVector> world;
  for (uint16_t c : edited.triangles[0].corners) world.push_back(place(edited, edited.points[c & CORNER_INDEX_MASK]));
  Press("break off");
  Key('Y');
  ASSERT_STREQ(modeller->statusText, "break off");
  ModelObject& sub = model.children[model.childCount - 1];
  ASSERT_EQ(sub.triangleCount, 1);
  EXPECT_EQ(std::memcmp(sub.angles, model.children[from].angles, sizeof sub.angles), 0);
  for (int k = 0; k < 3; ++k) {
    const IntVector now = place(sub, sub.points[sub.triangles[0].corners[k] & CORNER_INDEX_MASK]);
    EXPECT_NEAR(now.x, world[size_t(k)].x, 4) << k;
    EXPECT_NEAR(now.y, world[size_t(k)].y, 4) << k;
    EXPECT_NEAR(now.z, world[size_t(k)].z, 4) << k;
  }
}

TEST_F(TriangleToolsTest, GroupsAreAddedSetRemovedAndNeverFewerThanOne) {
  Start(SixTriangles);
  Key('T', true);
  model.groupCount = 3;
  for (int t = 0; t < 6; ++t) model.triangles[t].group = uint8_t(t % 3);
  modeller->state.currentGroup = 1;
  std::vector<uint8_t> before = Serialised();
  RemoveGroup(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_EQ(model.groupCount, 2);
  EXPECT_EQ(T(2).group, 1);
  EXPECT_EQ(T(1).group, 1);
  EXPECT_EQ(modeller->state.currentGroup, 0u);
  ExpectUndoRestores(before);

  SelectTriangles({4, 5});
  AddGroup(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_STREQ(MessageBoxDialog.first, "Assign 2 triangles to a new group?");
  Key('Y');
  EXPECT_EQ(model.groupCount, 3) << "the removal was redone";
  EXPECT_EQ(T(4).group, 2);
  EXPECT_EQ(T(5).group, 2);
  SetGroup(*modeller, 1);
  EXPECT_EQ(T(4).group, 1);
  EXPECT_EQ(modeller->state.currentGroup, 1u);

  model.groupCount = 1;
  for (int t = 0; t < 6; ++t) model.triangles[t].group = 0;
  before = Serialised();
  const int history = ModellerUndo.count;
  RemoveGroup(&modeller->prss, CLICK_LEFT, 0);
  ExpectUnchanged(before, history);
  model.groupCount = MAX_SMOOTHING_GROUPS;
  AddGroup(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_MAX_GROUPS);
  Confirm();
}

// The last group (23) is set and group 24 is not; two groups are one fewer after a removal;
// the last group is added.
TEST_F(TriangleToolsTest, GroupsAreSetRemovedAndAddedUpToTheirLimits) {
  Start(SixTriangles);
  Key('T', true);
  SelectTriangles({4});
  std::vector<uint8_t> before = Serialised();
  int history = ModellerUndo.count;
  SetGroup(*modeller, MAX_SMOOTHING_GROUPS);
  ExpectUnchanged(before, history);
  SetGroup(*modeller, MAX_SMOOTHING_GROUPS - 1);
  EXPECT_EQ(T(4).group, MAX_SMOOTHING_GROUPS - 1);
  EXPECT_EQ(modeller->state.currentGroup, uint32_t(MAX_SMOOTHING_GROUPS - 1));

  model.groupCount = 2;
  for (int t = 0; t < 6; ++t) model.triangles[t].group = uint8_t(t % 2);
  modeller->state.currentGroup = 0;
  RemoveGroup(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_EQ(model.groupCount, 1);
  for (int t = 0; t < 6; ++t) EXPECT_EQ(T(t).group, 0) << t;

  model.groupCount = MAX_SMOOTHING_GROUPS - 1;
  DeselectAllTriangles(*modeller);
  AddGroup(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_FALSE(MessageBoxDialog.prss.alive) << "no selection: no question";
  EXPECT_EQ(model.groupCount, MAX_SMOOTHING_GROUPS);
  EXPECT_EQ(modeller->state.currentGroup, uint32_t(MAX_SMOOTHING_GROUPS - 1));
}

// Hide unselected hides the others, unhide all shows them again, hide selected hides the
// selected ones and deselects them; a word past the three does nothing.
TEST_F(TriangleToolsTest, HidingTakesTheSelectedOrTheOtherTrianglesAndUnhidesAll) {
  Start(SixTriangles);
  Key('T', true);
  const auto hidden = [&] {
    std::string marks;
    for (int t = 0; t < 6; ++t) marks += (T(t).flags & TRIANGLE_HIDDEN) ? 'h' : '.';
    return marks;
  };
  SelectTriangles({1, 4});
  HideTriangles(&modeller->prss, CLICK_LEFT, 2);
  EXPECT_EQ(hidden(), "h.hh.h");
  HideTriangles(&modeller->prss, CLICK_LEFT, 3);
  EXPECT_EQ(hidden(), "h.hh.h");
  HideTriangles(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_EQ(hidden(), "......");
  HideTriangles(&modeller->prss, CLICK_LEFT, 1);
  EXPECT_EQ(hidden(), ".h..h.");
  EXPECT_EQ(SelectedTriangles(), 0);
  EXPECT_EQ(modeller->state.selectedTriangleCount, 0);
  EXPECT_EQ(modeller->state.currentTriangle, 6) << "no current triangle";
}

TEST_F(TriangleToolsTest, ColoursAreAddedNamedAndDeleted) {
  Start(TwoTriangles);
  Key('T', true);
  modeller->state.currentMapping = 0;
  std::vector<uint8_t> before = Serialised();
  const int start = ModellerUndo.count;
  ColourCommand(&modeller->prss, CLICK_LEFT, COLOUR_ADD);
  ASSERT_EQ(model.mappingCount, 3);
  EXPECT_EQ(ModellerUndo.count, start + 1) << "adding a colour is an undo step";
  EXPECT_GT(MeshRebuilds, 0) << "that builds the meshes again";
  EXPECT_EQ(modeller->state.currentMapping, 1);
  EXPECT_EQ(T(1).mapping, 2) << "later mappings move up";
  Type("l_brk");
  EXPECT_STREQ(model.mappings[1].name, "l_brk");
  // The copy is unused: deleting it works, deleting a used one is refused.
  const int added = ModellerUndo.count;
  ColourCommand(&modeller->prss, CLICK_LEFT, COLOUR_DELETE);
  EXPECT_EQ(model.mappingCount, 2);
  EXPECT_EQ(ModellerUndo.count, added + 1) << "deleting a colour is an undo step";
  modeller->state.currentMapping = 0;
  const int history = ModellerUndo.count;
  const std::vector<uint8_t> kept = Serialised();
  ColourCommand(&modeller->prss, CLICK_LEFT, COLOUR_DELETE);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_COLOUR_USED);
  Confirm();
  ExpectUnchanged(kept, history);
  // Unused ones go all at once; the current mapping, the last, went with them: the first is
  // current then.
  modeller->state.currentMapping = 1;
  ColourCommand(&modeller->prss, CLICK_LEFT, COLOUR_ADD);
  Type("");
  ASSERT_EQ(modeller->state.currentMapping, 2);
  ColourCommand(&modeller->prss, CLICK_LEFT, COLOUR_DELETE_UNUSED);
  EXPECT_EQ(model.mappingCount, 2);
  EXPECT_EQ(modeller->state.currentMapping, 0);
  (void)before;
}

TEST_F(TriangleToolsTest, ThePanelReachesGroupsColoursLevelsAndAttributes) {
  Start(SixTriangles);
  Key('T', true);
  model.lodCount = 2;
  SelectTriangles({0});
  Press("new", CLICK_LEFT, "Add a smoothing group (the selected triangles are put in it)");
  EXPECT_STREQ(MessageBoxDialog.first, "Assign 1 triangle to a new group?");
  Key('Y');
  EXPECT_EQ(model.groupCount, 7);
  EXPECT_EQ(T(0).group, 6);
  modeller->state.currentGroup = 6;
  Press("remove", CLICK_LEFT, "Remove the selected smoothing group (the groups above move down)");
  EXPECT_EQ(model.groupCount, 6);

  // Mappings: a copy, deletable while unused, "del" not offered for a used one.
  Press("dup");
  Type("l_tail");
  EXPECT_EQ(model.mappingCount, 2);
  Buttons();
  EXPECT_NE(Find("del"), nullptr);
  Press("del");
  EXPECT_EQ(model.mappingCount, 1);
  Buttons();
  EXPECT_EQ(Find("del"), nullptr);

  // The attribute rows ask before they assign.
  SelectTriangles({1});
  std::vector<uint8_t> before = Serialised();
  Press("high", CLICK_LEFT, "High contribution to normals");
  EXPECT_STREQ(MessageBoxDialog.first, "Assign 1 triangle to n.c.level high?");
  Key('Y');
  EXPECT_EQ(T(1).normalLevel, 3);
  ExpectUndoRestores(before);
  SelectTriangles({1});
  Press("swap", CLICK_LEFT, "Drive side swap mode");
  EXPECT_STREQ(MessageBoxDialog.first, "Assign 1 triangle to : swap?");
  Key('Y');
  EXPECT_NE(T(1).flags & TRIANGLE_SIDE_SWAP, 0);

  // "add to :" offers the other levels only.
  SelectTriangles({2});
  Buttons();
  EXPECT_EQ(Find("lod1", "Duplicate the selected triangles into this level of detail"), nullptr);
  before = Serialised();
  Press("lod2", CLICK_LEFT, "Duplicate the selected triangles into this level of detail");
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_ADD_TO_LOD);
  Key('Y');
  EXPECT_EQ(model.triangleCount, 7);
  EXPECT_EQ(T(6).lod, 1);
  EXPECT_EQ(model.currentLod, 1);
  ModelObject back{};
  ExpectSavesAndReadsBack(back);
  back.Free();
  ExpectUndoRestores(before);
}

TEST_F(TriangleToolsTest, TheColourAndCutoutChoicesAreChosenFromTheirRows) {
  Start(SampleCar);
  Key('T', true);
  ASSERT_EQ(model.colourChoiceCount, 3);
  Press("2");
  EXPECT_EQ(modeller->colourChoice, 1);
  int numbered = -1;
  for (int m = 0; m < model.mappingCount; ++m)
    if (std::strcmp(model.mappings[m].name, "C1") == 0) numbered = m;
  ASSERT_GE(numbered, 0);
  EXPECT_EQ(model.mappings[numbered].colour & 0xFFFFFF, model.colourChoices[1] & 0xFFFFFF);
  // The chosen colour's sliders edit it with an undo point.
  Buttons();
  int sliders = 0;
  for (int i = 0; i < ButtonCount; ++i)
    if (InterfaceButtons[i].colour == &model.colourChoices[1]) {
      ++sliders;
      EXPECT_EQ(InterfaceButtons[i].editDomain, EDIT_DOMAIN_MODELLER);
    }
  EXPECT_GT(sliders, 0);
  // The numbered cutouts: one step at a time, ten with the right button, within 0 and the
  // highest number of the families.
  Buttons();
  ASSERT_NE(Find("mapping config : 0"), nullptr);
  MeshRebuilds = 0;
  PressValue("LMB +1 / RMB +10", 1);
  EXPECT_EQ(modeller->cutoutChoice, 1);
  EXPECT_EQ(MeshRebuilds, 1) << "the meshes show the chosen cutouts";
  PressValue("LMB +1 / RMB +10", 1, CLICK_RIGHT);
  EXPECT_EQ(modeller->cutoutChoice, 3) << "held at the highest number";
  PressValue("LMB -1 / RMB -10", 0, CLICK_RIGHT);
  EXPECT_EQ(modeller->cutoutChoice, 0);
  EXPECT_EQ(MeshRebuilds, 3);
}

TEST_F(TriangleToolsTest, MirroringTheCurrentTriangleChecksItsIndexAndCornersAndOneSkippedSwapIsSaid) {
  Start(SixTriangles);
  Key('T', true);
  DeselectAllTriangles(*modeller);
  // The last triangle is mirrored; one past it, or none, is an error that changes nothing.
  modeller->state.currentTriangle = 5;
  MeshRebuilds = 0;
  TriangleToolsCommand(&modeller->prss, CLICK_LEFT, TRIANGLE_TOOL_MIRROR_CURRENT);
  EXPECT_NE(T(5).flags & TRIANGLE_MIRRORED, 0);
  EXPECT_STREQ(modeller->statusText, "mirror tri");
  EXPECT_EQ(MeshRebuilds, 1) << "the meshes are built again";
  std::vector<uint8_t> before = Serialised();
  int history = ModellerUndo.count;
  for (int current : {6, -1}) {
    modeller->state.currentTriangle = current;
    TriangleToolsCommand(&modeller->prss, CLICK_LEFT, TRIANGLE_TOOL_MIRROR_CURRENT);
    EXPECT_TRUE(Said(TEXT_TRIANGLE_SELECTION_ERROR)) << current;
    ExpectUnchanged(before, history);
  }
  // The first, when set to swap sides or on a reflected point: refused.
  model.triangles[0].flags |= TRIANGLE_SIDE_SWAP;
  modeller->state.currentTriangle = 0;
  before = Serialised();
  TriangleToolsCommand(&modeller->prss, CLICK_LEFT, TRIANGLE_TOOL_MIRROR_CURRENT);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_MIRROR_SWAP);
  Confirm();
  ExpectUnchanged(before, history);
  model.triangles[0].flags &= uint8_t(~TRIANGLE_SIDE_SWAP);
  model.triangles[0].corners[2] |= CORNER_MIRRORED;
  before = Serialised();
  TriangleToolsCommand(&modeller->prss, CLICK_LEFT, TRIANGLE_TOOL_MIRROR_CURRENT);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_MIRROR_REFLECTED);
  Confirm();
  ExpectUnchanged(before, history);
  // Of two selected triangles one swaps sides: it alone is skipped, and said to be.
  model.triangles[2].flags |= TRIANGLE_SIDE_SWAP;
  SelectTriangles({1, 2});
  TriangleToolsCommand(&modeller->prss, CLICK_LEFT, TRIANGLE_TOOL_MIRROR_SELECTED);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_ONE_SWAP_SKIPPED);
  Confirm();
  EXPECT_NE(T(1).flags & TRIANGLE_MIRRORED, 0);
  EXPECT_EQ(T(2).flags & TRIANGLE_MIRRORED, 0);
}

TEST_F(TriangleToolsTest, DuplicatingStopsAtTheTriangleAndPointLimitsButMeetsThemExactly) {
  Start(SixTriangles);
  Key('T', true);
  SelectTriangles({0, 1});  // two triangles of three points each: 18 + 6 points, 6 + 2 triangles
  const std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  modeller->triangleLimit = 7;
  modeller->pointLimit = 24;
  TriangleToolsCommand(&modeller->prss, CLICK_LEFT, TRIANGLE_TOOL_DUPLICATE);
  EXPECT_STREQ(MessageBoxDialog.first, modeller->triangleLimitText);
  Confirm();
  ExpectUnchanged(before, history);
  modeller->triangleLimit = 8;
  modeller->pointLimit = 23;
  SelectTriangles({0, 1});
  TriangleToolsCommand(&modeller->prss, CLICK_LEFT, TRIANGLE_TOOL_DUPLICATE);
  EXPECT_STREQ(MessageBoxDialog.first, modeller->pointLimitText);
  Confirm();
  ExpectUnchanged(before, history);
  modeller->pointLimit = 24;
  SelectTriangles({0, 1});
  TriangleToolsCommand(&modeller->prss, CLICK_LEFT, TRIANGLE_TOOL_DUPLICATE);
  EXPECT_EQ(model.triangleCount, 8);
  EXPECT_EQ(model.pointCount, 24);
}

TEST_F(TriangleToolsTest, ColoursKeepOneStopAtTheMostAndTheCurrentOneStaysInTheList) {
  Start(TwoTriangles);
  Key('T', true);
  // Both triangles on the first mapping: the second, the last and current, is deleted and
  // the current one is the last left.
  model.triangles[1].mapping = 0;
  modeller->state.currentMapping = 1;
  ColourCommand(&modeller->prss, CLICK_LEFT, COLOUR_DELETE);
  ASSERT_EQ(model.mappingCount, 1);
  EXPECT_EQ(modeller->state.currentMapping, 0);
  // The one left stays.
  const std::vector<uint8_t> before = Serialised();
  int history = ModellerUndo.count;
  ColourCommand(&modeller->prss, CLICK_LEFT, COLOUR_DELETE);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_ONE_COLOUR_NEEDED);
  Confirm();
  ExpectUnchanged(before, history);
  // A current mapping one past the list is said to be out of bounds and becomes the first;
  // choosing puts the list at it.
  ClearMessages();
  modeller->state.currentMapping = 0;
  ColourCommand(&modeller->prss, CLICK_LEFT, COLOUR_CHOOSE);
  EXPECT_FALSE(Said(TEXT_COLOUR_OUT_OF_BOUNDS));
  modeller->state.currentMapping = 1;
  ColourCommand(&modeller->prss, CLICK_LEFT, COLOUR_CHOOSE);
  EXPECT_TRUE(Said(TEXT_COLOUR_OUT_OF_BOUNDS));
  EXPECT_EQ(modeller->state.currentMapping, 0);
  // Up to the most colours, and no further.
  ModelMapping m = model.mappings[0];
  while (model.mappingCount < MAX_MODEL_MAPPINGS - 1) {
    std::snprintf(m.name, sizeof m.name, "f%d", model.mappingCount % 1000);
    model.AddMapping(&m);
  }
  modeller->state.currentMapping = 3;
  ColourCommand(&modeller->prss, CLICK_LEFT, COLOUR_ADD);
  Type("last");
  ASSERT_EQ(model.mappingCount, MAX_MODEL_MAPPINGS);
  EXPECT_STREQ(model.mappings[4].name, "last");
  EXPECT_EQ(modeller->state.currentMapping, 4);
  ColourCommand(&modeller->prss, CLICK_LEFT, COLOUR_CHOOSE);
  EXPECT_EQ(SelectedMapping, 4);
  EXPECT_EQ(modeller->state.selectedMapping, 4);
  EXPECT_EQ(modeller->mappingScroll, 4);
  history = ModellerUndo.count;
  ColourCommand(&modeller->prss, CLICK_LEFT, COLOUR_ADD);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_MAX_COLOURS);
  Confirm();
  EXPECT_EQ(model.mappingCount, MAX_MODEL_MAPPINGS);
  EXPECT_EQ(ModellerUndo.count, history);
}

TEST_F(TriangleToolsTest, GroupsAndLevelsOnlyWithinTheirCounts) {
  Start(SixTriangles);
  Key('T', true);
  // No triangle selected: a new group at once, made current, no question.
  DeselectAllTriangles(*modeller);
  model.groupCount = MAX_SMOOTHING_GROUPS - 1;
  AddGroup(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_FALSE(MessageBoxDialog.prss.alive);
  EXPECT_EQ(model.groupCount, MAX_SMOOTHING_GROUPS);
  EXPECT_EQ(modeller->state.currentGroup, uint32_t(MAX_SMOOTHING_GROUPS - 1));
  // The last group is set; one past it is not.
  SelectTriangles({2});
  SetGroup(*modeller, MAX_SMOOTHING_GROUPS - 1);
  EXPECT_EQ(T(2).group, MAX_SMOOTHING_GROUPS - 1);
  const std::vector<uint8_t> before = Serialised();
  const int history = ModellerUndo.count;
  SetGroup(*modeller, MAX_SMOOTHING_GROUPS);
  SetGroup(*modeller, -1);
  ExpectUnchanged(before, history);
  // Levels: the current one is refused, the next is asked, one past the count is ignored.
  model.lodCount = 2;
  SetCurrentLod(*modeller, 0, 0);
  AddTrianglesToLod(*modeller, 0);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_CURRENT_LOD);
  Confirm();
  AddTrianglesToLod(*modeller, 2);
  EXPECT_FALSE(MessageBoxDialog.prss.alive);
  AddTrianglesToLod(*modeller, -1);
  EXPECT_FALSE(MessageBoxDialog.prss.alive);
  AddTrianglesToLod(*modeller, 1);
  EXPECT_STREQ(MessageBoxDialog.first, TEXT_ADD_TO_LOD);
  Key('Y');
  EXPECT_EQ(model.triangleCount, 7);
  EXPECT_EQ(T(6).lod, 1);
}

TEST_F(TriangleToolsTest, EachEditRebuildsThePreviewOfTheModel) {
  Start(SixTriangles);
  Key('T', true);
  SetObjectDrawMode(*modeller->editor, 0, DRAW_FLAT);
  const auto shown = [this] {
    int n = 0;
    if (modeller->editor->previews[0].mesh) modeller->editor->previews[0].mesh->CountTriangles(n);
    return n;
  };
  ASSERT_EQ(shown(), 6);
  NewNodes();
  SelectTriangles({1, 2});
  Key(KEYCODE_DELETE);
  EXPECT_EQ(shown(), 4);
  EXPECT_EQ(NewNodes(), 1) << "a deletion";
  SelectTriangles({0});
  TriangleToolsCommand(&modeller->prss, CLICK_LEFT, TRIANGLE_TOOL_DUPLICATE);
  EXPECT_EQ(shown(), 5);
  EXPECT_EQ(NewNodes(), 1) << "a duplicate";
  Key('T', true);
  SelectTriangles({0});
  SubdivideTriangles(&modeller->prss, CLICK_LEFT, 1);
  EXPECT_EQ(shown(), 8);
  EXPECT_EQ(NewNodes(), 1) << "a subdivision";
  // Smoothing groups change no flat triangle: their edits are seen asking for the meshes again.
  DeselectAllTriangles(*modeller);
  ObjectEditorShared.rebuildWire = 0;
  NewNodes();
  AddGroup(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_EQ(ObjectEditorShared.rebuildWire, 1) << "a new group";
  EXPECT_EQ(NewNodes(), 1) << "a new group";
  ObjectEditorShared.rebuildWire = 0;
  NewNodes();
  SetGroup(*modeller, 0);
  EXPECT_EQ(ObjectEditorShared.rebuildWire, 1) << "a group set";
  EXPECT_EQ(NewNodes(), 1) << "a group set";
  ObjectEditorShared.rebuildWire = 0;
  MeshRebuilds = 0;
  RemoveGroup(&modeller->prss, CLICK_LEFT, 0);
  EXPECT_EQ(ObjectEditorShared.rebuildWire, 1) << "a group removed";
  EXPECT_EQ(MeshRebuilds, 1);
  // The edits of every selected triangle: one undo step and the meshes asked for again each.
  SelectTriangles({0, 1});
  NewNodes();
  for (uintptr_t tool : {TRIANGLE_TOOL_FLIP, TRIANGLE_TOOL_DOUBLE_SIDED, TRIANGLE_TOOL_SINGLE_SIDED,
                         TRIANGLE_TOOL_UNMIRROR, TRIANGLE_TOOL_MIRROR_SELECTED, TRIANGLE_TOOL_BUILD_UNMIRRORED}) {
    ObjectEditorShared.rebuildWire = 0;
    TriangleToolsCommand(&modeller->prss, CLICK_LEFT, tool);
    EXPECT_EQ(ObjectEditorShared.rebuildWire, 1) << "tool " << tool;
    EXPECT_EQ(NewNodes(), 1) << "tool " << tool;
  }
}

TEST_F(TriangleToolsTest, SelectingATrianglesPointsGoesToPointModeWithThemSelected) {
  Start(SixTriangles);
  Key('T', true);
  SelectTriangles({2});
  TriangleToolsCommand(&modeller->prss, CLICK_LEFT, TRIANGLE_TOOL_SELECT_POINTS);
  EXPECT_EQ(modeller->state.mode, ModePoint);
  EXPECT_EQ(modeller->state.selectedPointCount, 3);
  for (int p = 0; p < model.pointCount; ++p)
    EXPECT_EQ((P(p).flags & POINT_SELECTED) != 0, p >= 6 && p < 9) << p;
  EXPECT_EQ(modeller->state.selectedTriangleCount, 0);
}
