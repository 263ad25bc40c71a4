// object_editor_test.cpp - the object editor without drawing: opening and closing with what
// it owns and what it puts back, the previews (repeated spokes, the drive-side swap test, no
// caches left by a Gouraud build, the pose records) and the surface pick against a
// double-precision reference.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "core/frame_globals.h"
#include "core/sort_tree.h"
#include "core/window_state.h"
#include "model/model_meshes.h"
#include "modeller/editor/edit_views.h"
#include "modeller/screen/model_checks.h"
#include "modeller/screen/modeller.h"
#include "modeller/editor/object_editor.h"
#include "modeller/editor/vehicle_editor_link.h"
#include "render/draw_mesh.h"
#include "render/frame.h"
#include "render/gouraud_mesh.h"
#include "render/object_mesh.h"
#include "render/object_picture.h"
#include "render/texture_table.h"
#include "render/views.h"
#include "tests/render/null_renderer.h"
#include "text/messages.h"
#include "tools/model_gen/model_builder.h"
#include "tools/model_gen/sample_models.h"
#include "ui/dialogs.h"
#include "ui/problem_report.h"
#include "world/geometry_queries.h"

namespace {

Material* NoTexture(const char*, int, int, int, const CutoutMaterial&, int) { return nullptr; }
Material g_pageMaterial{};
Material* OneMaterial(const char*, int, int, int, const CutoutMaterial&, int) { return &g_pageMaterial; }
// The page material, with the usage of each request kept.
std::vector<int> g_usages;
Material* NotedMaterial(const char*, int usage, int, int, const CutoutMaterial&, int) {
  g_usages.push_back(usage);
  return &g_pageMaterial;
}

struct Parent {
  Prss prss;
};
Prss* ParentAct(Prss* p) {
  Prss_ActSub(p);
  return p;
}

class ObjectEditorTest : public ::testing::Test {
 protected:
  Parent parent{};
  void SetUp() override {
    InitSinCosTables();
    SetDefaultTextColours();
    ResetMessages();
    ResetDialogs();
    SetDefaultView();
    FrameClear.mode = 0;
    ScreenClearModes = ClearModeStack{};
    ShiftHeld = CtrlHeld = 0;
    FindSkinTexture = NoTexture;
    FrameSkipped = 1;  // nothing is drawn: the unit tests run without a device
    InstallModellerHooks();
    Prss_Init(&parent.prss, nullptr, ParentAct, nullptr, nullptr, nullptr, nullptr);
    Prss_MakeCurrent(&parent.prss);
  }
  void TearDown() override {
    FindSkinTexture = FindPageTextureByName;
    FrameSkipped = 0;
    PreviewConfig = PreviewSettings{};
    ResetDialogs();
    ResetMessages();
  }
  // Acts the parent until the editor has gone (at most a few frames).
  void CloseThrough(int frames = 3) {
    for (int i = 0; i < frames && parent.prss.sub; ++i) ParentAct(&parent.prss);
  }
};

std::vector<uint8_t> Bytes(const ModelObject& o) { return ModelRecordBytes(o, 1, 1); }

}  // namespace

// An editor that closes itself (its modeller gone) is no longer the open one from that act on;
// a modeller that ended between frames takes the editor with it in the one act, so the screen
// beneath has its sub-screen back in that frame.
TEST_F(ObjectEditorTest, AnEditorClosingItselfIsNoLongerTheOpenOneFromThatAct) {
  ObjectEditor* e = OpenObjectEditor(&parent.prss, OPEN_MODELLER, nullptr, -1, nullptr, nullptr, CALLER_ENTRY_MENU, ~0u);
  Prss_AddSub(&parent.prss, &e->prss);
  ASSERT_EQ(ActiveObjectEditor, e);
  Prss_DeliverKey(27);  // the modeller closes; the editor follows it
  ParentAct(&parent.prss);
  EXPECT_EQ(ActiveObjectEditor, nullptr);
  EXPECT_EQ(parent.prss.sub, nullptr) << "gone in the act that found its modeller gone, not a frame later";
  EXPECT_EQ(CurrentProcess, &parent.prss);
  CloseThrough();
  EXPECT_EQ(parent.prss.sub, nullptr);
  EXPECT_EQ(ActiveObjectEditor, nullptr);
}

TEST_F(ObjectEditorTest, FromTheEntryMenuAnEmptyObjectOpensWithTheModellerAndEverythingIsPutBack) {
  const EditorFrameHookFn hook = EditorFrameHook;
  const int32_t nearClip = EditViewNearClip;
  SharedDrawTree.Free();
  ObjectEditor* e = OpenObjectEditor(&parent.prss, OPEN_MODELLER, nullptr, -1, nullptr, nullptr, CALLER_ENTRY_MENU, ~0u);
  Prss_AddSub(&parent.prss, &e->prss);
  EXPECT_EQ(ActiveObjectEditor, e);
  EXPECT_EQ(ObjectEditorOpen, 1);
  EXPECT_EQ(CurrentDrawMode(), DRAW_GOURAUD);
  ASSERT_EQ(e->shownCount, 1);
  EXPECT_EQ(e->shown[0]->pointCount, 0);
  EXPECT_EQ(e->callersObject, 0);
  ASSERT_NE(e->previews[0].mesh, nullptr);
  EXPECT_EQ(e->previews[0].mesh->IsGouraud(), 1);
  ASSERT_NE(e->prss.sub, nullptr) << "the modeller is open at once";
  EXPECT_EQ(CurrentProcess, e->prss.sub);
  EXPECT_EQ(EditViewNearClip, OBJECT_EDITOR_NEAR_CLIP);
  EXPECT_EQ(ScreenClearModes.depth, 1);
  EXPECT_EQ(FrameClear.mode, 2);
  ASSERT_NE(SharedDrawTree.pool, nullptr) << "the depth-sorting tree is made when nobody has";
  EXPECT_EQ(SharedDrawTree.capacity, EDITOR_SORT_TREE_CAPACITY);
  EXPECT_EQ(SharedDrawTree.nodeSize, SortNodeSize(sizeof(DepthSortEntry))) << "the entry size is its type's";
  EXPECT_EQ(ObjectEditorPagesShared, 1);
  // The empty object is framed as one of 2 m, looked at from 0.5 m up: the camera stands
  // 3 / fovScale x 2 m from that point, and the 2D views keep 4 m across.
  const double dx = CurrentView->position[0], dy = CurrentView->position[1], dz = CurrentView->position[2] - 32768.0;
  EXPECT_NEAR(std::sqrt(dx * dx + dy * dy + dz * dz), 3.0 / EditViews.fovScale * 131072.0, 4.0);
  EXPECT_EQ(EditViews.savedWidth, 4 << 16);

  // The editor's draw hook draws the drag box of the current 2D view, its view corners worked
  // out again from its world corners (the front view: right is -x, up is +z).
  SelectEditView(VIEW_FRONT);
  DragBox& box = EditViews.dragBox;
  box = DragBox{};
  box.state = DRAG_BOX_DONE;
  box.code = CurrentViewCode();
  const int32_t corners[2][3] = {{0, 0, 0}, {1 << 16, 0, 1 << 16}};
  std::memcpy(box.worldCorners, corners, sizeof corners);
  ASSERT_NE(EditorFrameHook, nullptr);
  EditorFrameHook(EditorFrameHookArgument);
  EXPECT_EQ(box.viewCorners[1][0], -(1 << 16));
  EXPECT_EQ(box.viewCorners[1][1], 1 << 16);
  box = DragBox{};
  SelectEditView(VIEW_PERSPECTIVE);

  // Keys reach the editor through the modeller: I flips "invert", R a view; Escape closes.
  Prss_DeliverKey('I');
  EXPECT_EQ(ObjectEditorShared.invert, 1u);
  Prss_DeliverKey('R');
  EXPECT_EQ(CurrentViewCode(), 360);
  EXPECT_EQ(ScreenClearModes.depth, 2);
  Prss_DeliverKey(27);
  CloseThrough();
  EXPECT_EQ(parent.prss.sub, nullptr);
  EXPECT_EQ(CurrentProcess, &parent.prss);
  EXPECT_EQ(ActiveObjectEditor, nullptr);
  EXPECT_EQ(ObjectEditorOpen, 0);
  EXPECT_EQ(CurrentDrawMode(), DRAW_FLAT);
  EXPECT_EQ(ObjectEditorShared.invert, 0u);
  EXPECT_EQ(EditViewNearClip, nearClip);
  EXPECT_EQ(ScreenClearModes.depth, 0);
  EXPECT_EQ(FrameClear.mode, 0);
  EXPECT_EQ(CurrentViewCode(), VIEW_CODE_PERSPECTIVE);
  EXPECT_EQ(EditorFrameHook, hook);
  EXPECT_EQ(SharedDrawTree.pool, nullptr) << "freed by the editor that made it";
  EXPECT_EQ(ObjectEditorPagesShared, 0);

  // A tree made by somebody else stays.
  ASSERT_TRUE(SharedDrawTree.Init(SHARED_DRAW_TREE_CAPACITY, SHARED_DRAW_TREE_BUCKETS, SHARED_DRAW_TREE_SHIFT,
                                  SHARED_DRAW_TREE_PAYLOAD));
  e = OpenObjectEditor(&parent.prss, OPEN_MODELLER, nullptr, -1, nullptr, nullptr, CALLER_ENTRY_MENU, ~0u);
  Prss_AddSub(&parent.prss, &e->prss);
  ShiftHeld = 1;
  Prss_DeliverKey('X');  // Shift+X leaves the modeller too
  ShiftHeld = 0;
  CloseThrough();
  EXPECT_EQ(parent.prss.sub, nullptr);
  EXPECT_EQ(SharedDrawTree.capacity, uint32_t(SHARED_DRAW_TREE_CAPACITY));
  SharedDrawTree.Free();
}

TEST_F(ObjectEditorTest, TheCallersObjectIsNeverFreedAndItsLevelIsClamped) {
  ModelObject box;
  box.Init();
  BuildSampleBox(box);
  box.currentLod = 3;  // beyond its one level
  const std::vector<uint8_t> before = Bytes(box);
  InitEditViews();  // the vehicle editor brackets its editors itself
  // The chosen skin's name is the editor's from its opening.
  std::snprintf(EditorSkinName, EDITOR_SKIN_NAME_SIZE, "red_paint");
  ObjectEditorShared.skinName[0] = 0;
  ObjectEditorShared.unsavedChanges = 1;  // as an earlier editor may have left it
  ObjectEditor* e = OpenObjectEditor(&parent.prss, OPEN_NONE, &box, -1, nullptr, nullptr, CALLER_VEHICLE_EDITOR, ~0u);
  EXPECT_EQ(ObjectEditorShared.unsavedChanges, 0) << "a freshly opened object has no unsaved changes";
  EXPECT_EQ(CurrentProcess, &e->prss) << "the new editor takes the keys and the mouse";
  Prss_AddSub(&parent.prss, &e->prss);
  EXPECT_STREQ(ObjectEditorShared.skinName, "red_paint");
  EditorSkinName[0] = 0;
  EXPECT_EQ(box.currentLod, 0);
  EXPECT_EQ(e->callersObject, 1);
  EXPECT_EQ(box.builtMesh, e->previews[0].mesh);
  // A reference object of the editor's own, shown beside it.
  ModelObject* reference = static_cast<ModelObject*>(std::calloc(1, sizeof(ModelObject)));
  reference->Init();
  BuildSampleBox(*reference);
  e->shown[1] = reference;
  e->shownCount = 2;
  RebuildObjectPreviews(*e, 1);
  ASSERT_NE(e->previews[1].mesh, nullptr);
  // Every draw mode builds the mesh kind it needs: Gouraud only in gouraud mode.
  for (const int mode : {DRAW_FLAT, DRAW_WIRE, DRAW_LAYERS, DRAW_MAPPINGS, DRAW_GROUPS, DRAW_NORMAL_LEVELS,
                         DRAW_SIDE_SWAP, DRAW_GOURAUD}) {
    SetObjectDrawMode(*e, 0, mode);
    EXPECT_EQ(CurrentDrawMode(), mode);
    EXPECT_EQ(e->previews[0].mesh->IsGouraud(), mode == DRAW_GOURAUD ? 1 : 0) << mode;
    if (mode == DRAW_WIRE) {
      EXPECT_EQ(e->wireEdges.drawnEdges.size(), 36u) << "both boxes' 18 edges";
      RebuildObjectPreviews(*e, 1);
      EXPECT_EQ(e->wireEdges.drawnEdges.size(), 36u) << "a rebuild collects the edges afresh";
    }
  }
  EXPECT_EQ(box.caches[0].state, 0) << "a Gouraud preview leaves no caches";
  Prss_Terminate(&e->prss);
  CloseThrough();
  EXPECT_EQ(parent.prss.sub, nullptr);
  EXPECT_EQ(Bytes(box), before) << "the caller's object is whole";
  EXPECT_EQ(box.builtMesh, nullptr) << "no reference to the freed preview is left";
  EXPECT_EQ(ScreenClearModes.depth, 1) << "the caller's own views stay";
  CloseEditViews();
  box.Free();
}

TEST_F(ObjectEditorTest, AnObjectOfASkeletonOpensWithTheSkeletonShownEvenTheFirst) {
  // Skeleton 0 is a skeleton like any other, its bones asked for; without one nothing is
  // shown or asked.
  static int asked;
  VehicleEditorHooks.skeletonBones = [](int index, Bone**, BoneTable**) {
    asked = index;
    return 0;
  };
  for (const int skeleton : {0, -1}) {
    ModelObject box;
    box.Init();
    BuildSampleBox(box);
    InitEditViews();
    ObjectEditorShared.showSkeleton = 5;
    asked = -2;
    ObjectEditor* e = OpenObjectEditor(&parent.prss, OPEN_NONE, &box, skeleton, nullptr, nullptr, CALLER_VEHICLE_EDITOR, ~0u);
    Prss_AddSub(&parent.prss, &e->prss);
    EXPECT_EQ(ObjectEditorShared.showSkeleton, skeleton >= 0 ? 1u : 0u) << "skeleton " << skeleton;
    EXPECT_EQ(asked, skeleton >= 0 ? skeleton : -2) << "skeleton " << skeleton;
    Prss_Terminate(&e->prss);
    CloseThrough();
    CloseEditViews();
    box.Free();
  }
  VehicleEditorHooks.skeletonBones = nullptr;
}

TEST_F(ObjectEditorTest, PreviewsRepeatSpokesAndSwapSidesWithoutChangingTheModel) {
  ModelObject spoke;
  spoke.Init();
  BuildSampleSpokeObject(spoke);
  const std::vector<uint8_t> before = Bytes(spoke);
  PreviewEntry entry{};
  PreviewConfig.spokeCount = 5;
  BuildPreviewMesh(entry, spoke, PREVIEW_FLAT, 0, 0, nullptr, nullptr);
  ASSERT_NE(entry.mesh, nullptr);
  EXPECT_EQ(entry.mesh->triangleCount, 5 * spoke.triangleCount) << "five copies";
  PreviewConfig.spokeCount = 2;
  BuildPreviewMesh(entry, spoke, PREVIEW_FLAT, 0, 0, nullptr, nullptr);
  EXPECT_EQ(entry.mesh->triangleCount, 2 * spoke.triangleCount) << "two copies";
  PreviewConfig.spokeCount = 1;
  BuildPreviewMesh(entry, spoke, PREVIEW_FLAT, 0, 0, nullptr, nullptr);
  EXPECT_EQ(entry.mesh->triangleCount, spoke.triangleCount) << "one is the spoke itself";
  EXPECT_EQ(Bytes(spoke), before) << "the spoke keeps its single copy";
  PreviewConfig.spokeCount = 0;
  BuildPreviewMesh(entry, spoke, PREVIEW_GOURAUD, 0, 0, nullptr, nullptr);
  EXPECT_EQ(spoke.caches[0].state, 0);
  EXPECT_EQ(spoke.mappingMatrices, nullptr);
  EXPECT_EQ(ProblemMarkerCount, 0) << "a sound spoke leaves no problem markers";
  // A Gouraud preview gives back the caller's number-plate slot, whether none (-1), the first
  // (0) or a later one, and leaves the plain build stage (1).
  for (const int slot : {-1, 0, 5}) {
    ModelMeshConfig.plateSlot = slot;
    BuildPreviewMesh(entry, spoke, PREVIEW_GOURAUD, 0, 0, nullptr, nullptr);
    EXPECT_EQ(ModelMeshConfig.plateSlot, slot);
    EXPECT_EQ(ModelMeshConfig.buildStage, 1) << "slot " << slot;
  }
  ModelMeshConfig.plateSlot = -1;
  entry.Free();
  spoke.Free();

  // A drive-side swap triangle is built flipped under the swap test; the model stays.
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.mirrored = true;
  b.Triangle(b.Point(0.2, 0, 0), b.Point(0.6, 0, 0), b.Point(0.2, 0, 0.5));
  b.triangles[0].flags = TRIANGLE_SIDE_SWAP;
  b.Into(o);
  const std::vector<uint8_t> plainBytes = Bytes(o);
  BuildPreviewMesh(entry, o, PREVIEW_FLAT, 0, 0, nullptr, nullptr);
  const Obj3d& plain = *static_cast<Obj3d*>(entry.mesh);
  ASSERT_EQ(plain.triangleCount, 1);
  const int32_t plainX = plain.triangles[0].points[0]->x;
  PreviewConfig.sideSwapTest = 1;
  BuildPreviewMesh(entry, o, PREVIEW_FLAT, 0, 0, nullptr, nullptr);
  const Obj3d& swapped = *static_cast<Obj3d*>(entry.mesh);
  ASSERT_EQ(swapped.triangleCount, 1);
  EXPECT_EQ(swapped.triangles[0].points[0]->x, -plainX) << "shown on the other side";
  EXPECT_EQ(Bytes(o), plainBytes) << "the model is unchanged";
  entry.Free();
  o.Free();
}

// A preview's pose holds six values for each built object, the root first: its offset, then its
// angles in the order the object's rotation is built (third, first, second). Every record is
// turned that way, not only the root's.
TEST_F(ObjectEditorTest, APreviewPoseHoldsEachSubobjectsAnglesInTheOrderItsRotationIsBuilt) {
  ModelObject o;
  o.Init();
  o.angles[0] = 10, o.angles[1] = 20, o.angles[2] = 30;
  o.AddSubobjectSlot();
  ++o.childCount;
  ModelObject& sub = o.children[0];
  sub.Init();
  sub.offset[0] = 1, sub.offset[1] = 2, sub.offset[2] = 3;
  sub.angles[0] = 100, sub.angles[1] = 200, sub.angles[2] = 300;
  PreviewEntry entry{};
  BuildPreviewMesh(entry, o, PREVIEW_FLAT, 0, 0, nullptr, nullptr);
  ASSERT_NE(entry.mesh, nullptr);
  ASSERT_EQ(entry.pose.count, 12) << "the root and its one subobject";
  ASSERT_EQ(entry.pose.values.size(), 12u);
  const std::vector<int32_t> root(entry.pose.values.begin(), entry.pose.values.begin() + 6);
  const std::vector<int32_t> child(entry.pose.values.begin() + 6, entry.pose.values.end());
  EXPECT_EQ(root, (std::vector<int32_t>{0, 0, 0, 30, 10, 20}));
  EXPECT_EQ(child, (std::vector<int32_t>{1, 2, 3, 300, 100, 200}));
  entry.Free();
  o.Free();
}

namespace {

// The nearest front (or either) face along the ray, in doubles: the reference of the pick.
struct Expected {
  int triangle = -1;
  double distance = 0;
};
Expected ReferencePick(const ModelObject& o, const int32_t origin[3], const float direction[3], bool twoSided,
                       double minimum) {
  Expected best;
  for (int t = 0; t < o.triangleCount; ++t) {
    double p[3][3];
    for (int k = 0; k < 3; ++k) {
      const ModelPoint& point = o.points[o.triangles[t].corners[k] & CORNER_INDEX_MASK];
      p[k][0] = point.x / 65536.0, p[k][1] = point.y / 65536.0, p[k][2] = point.z / 65536.0;
    }
    const double e1[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    const double e2[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
    const double d[3] = {direction[0], direction[1], direction[2]};
    const double q[3] = {d[1] * e2[2] - d[2] * e2[1], d[2] * e2[0] - d[0] * e2[2], d[0] * e2[1] - d[1] * e2[0]};
    const double det = e1[0] * q[0] + e1[1] * q[1] + e1[2] * q[2];
    if (twoSided ? std::fabs(det) < 1e-7 : det < 1e-7) continue;
    const double s[3] = {origin[0] / 65536.0 - p[0][0], origin[1] / 65536.0 - p[0][1], origin[2] / 65536.0 - p[0][2]};
    const double u = (s[0] * q[0] + s[1] * q[1] + s[2] * q[2]) / det;
    const double r[3] = {s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2], s[0] * e1[1] - s[1] * e1[0]};
    const double v = (d[0] * r[0] + d[1] * r[1] + d[2] * r[2]) / det;
    if (u < 0 || u > 1 || v < 0 || u + v > 1) continue;
    const double distance = (e2[0] * r[0] + e2[1] * r[1] + e2[2] * r[2]) / det;
    if (distance <= minimum) continue;
    if (best.triangle < 0 || distance < best.distance) best = Expected{t, distance};
  }
  return best;
}

}  // namespace

TEST_F(ObjectEditorTest, ThePickAgreesWithADoublePrecisionReference) {
  // A soup of random triangles in front of the eye, some facing away.
  std::mt19937 random(4130);
  std::uniform_real_distribution<double> spread(-1.0, 1.0), depth(0.5, 6.0);
  ModelObject soup;
  soup.Init();
  ModelBuilder b;
  for (int t = 0; t < 300; ++t) {
    const double cx = spread(random), cz = spread(random), cy = depth(random);
    b.Triangle(b.Point(cx + 0.3 * spread(random), cy + 0.2 * spread(random), cz + 0.3 * spread(random)),
               b.Point(cx + 0.3 * spread(random), cy + 0.2 * spread(random), cz + 0.3 * spread(random)),
               b.Point(cx + 0.3 * spread(random), cy + 0.2 * spread(random), cz + 0.3 * spread(random)));
  }
  // Two triangles on the same points: the first one tested keeps the hit.
  const int a = b.Point(-0.1, 0.05, -0.1), c = b.Point(0.1, 0.05, -0.1), d = b.Point(0, 0.05, 0.1);
  b.Triangle(a, d, c);
  b.Triangle(a, d, c);
  b.Into(soup);
  ObjectEditor* e = OpenObjectEditor(&parent.prss, OPEN_NONE, &soup, -1, nullptr, nullptr, CALLER_ENTRY_MENU, ~0u);
  Prss_AddSub(&parent.prss, &e->prss);
  SurfacePick& pick = ObjectEditorShared.pick;
  int hits = 0;
  for (int n = 0; n < 400; ++n) {
    const int32_t origin[3] = {Metres(0.05 * spread(random)), 0, Metres(0.05 * spread(random))};
    float dir[3] = {float(0.4 * spread(random)), 1.0f, float(0.4 * spread(random))};
    if (n == 0) dir[0] = dir[2] = 0;  // straight at the pair
    const float length = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    for (float& x : dir) x /= length;
    for (const int twoSided : {0, 1}) {
      for (const int perspective : {0, 1}) {
        std::memcpy(pick.rayOrigin, origin, sizeof origin);
        std::memcpy(pick.rayDirection, dir, sizeof dir);
        std::memcpy(GlobalPickingRay.origin, origin, sizeof origin);
        std::memcpy(GlobalPickingRay.direction, dir, sizeof dir);
        pick.state = 1;
        e->twoSidedPicking = twoSided;
        PickObjectTriangles(*e, soup, -1, perspective);
        const Expected want = ReferencePick(soup, origin, dir, twoSided, perspective ? 0.1 : -1e30);
        if (want.triangle < 0) {
          EXPECT_EQ(pick.state, 1) << "ray " << n;
          continue;
        }
        ++hits;
        ASSERT_EQ(pick.state, 2) << "ray " << n;
        if (pick.triangle != want.triangle)  // only a near tie may choose another triangle
          EXPECT_NEAR(pick.distance, want.distance, 1e-4) << "ray " << n;
        else
          EXPECT_NEAR(pick.distance, want.distance, 1e-4 * std::max(1.0, want.distance));
        if (n == 0 && twoSided && !perspective) {
          EXPECT_EQ(pick.triangle, 300) << "the first of two equal triangles";
        }
      }
    }
  }
  EXPECT_GT(hits, 300);
  Prss_Terminate(&e->prss);
  CloseThrough();
  soup.Free();
}

TEST_F(ObjectEditorTest, ThePickBeyondTheNearLimitAndOnlyTheEditedSubobjectWithoutShowSubobs) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  // A triangle facing -y 0.05 m in front of the eye, and one 2 m away.
  b.Triangle(b.Point(-0.5, 0.05, -0.5), b.Point(0.5, 0.05, -0.5), b.Point(0, 0.05, 0.5));
  b.Triangle(b.Point(-0.5, 2, -0.5), b.Point(0.5, 2, -0.5), b.Point(0, 2, 0.5));
  b.Into(o);
  // Two subobjects, each a triangle 1 m away, the second 0.5 m nearer (offset towards the eye).
  for (int i = 0; i < 2; ++i) {
    o.AddSubobjectSlot();
    ++o.childCount;
  }
  for (int i = 0; i < 2; ++i) {
    ModelObject& sub = o.children[i];
    sub.Init();
    ModelBuilder s;
    s.Triangle(s.Point(-0.5, 1, -0.5), s.Point(0.5, 1, -0.5), s.Point(0, 1, 0.5));
    s.Into(sub);
    sub.offset[1] = -Metres(0.5 * i);
    sub.type = SUBOBJECT_ATTACHMENT;
  }
  ObjectEditor* e = OpenObjectEditor(&parent.prss, OPEN_NONE, &o, -1, nullptr, nullptr, CALLER_ENTRY_MENU, ~0u);
  Prss_AddSub(&parent.prss, &e->prss);
  SetObjectDrawMode(*e, 0, DRAW_FLAT);
  // The subobjects' places: their meshes' world transforms, composed as a draw does.
  FixedTransform identity;
  SetIdentityTransform(identity);
  MeshDisplay.modellerDrawMode = DRAW_WIRE;  // transforms only
  e->previews[0].mesh->DrawPosed(identity, nullptr, 0, 0, nullptr);
  MeshDisplay.modellerDrawMode = DRAW_FLAT;

  // The perspective view from the origin along +y, the pointer at the middle of the screen.
  View& v = *CurrentView;
  v.position[0] = v.position[1] = v.position[2] = 0;
  v.heading = 32768;  // heading 0 looks along -y
  v.pitch = 0;
  v.roll = 0;
  ComputeViewAxes();
  ComputeViewBasis();
  ScreenWidth = 640, ScreenHeight = 480;
  SetupViewRectangle(0, 0, 640, 480, 0, 0, 1.0f, 0.1f, 0);
  MouseX = 320, MouseY = 240;
  ObjectEditorState& s = ObjectEditorShared;
  s.meshesDrawn = 1;
  s.pick.state = 0;
  PickSurfaceUnderMouse(*e);
  ASSERT_EQ(s.pick.state, 2);
  EXPECT_EQ(s.pick.object, 1) << "the nearer subobject; the main object's 0.05 m triangle is too near";
  EXPECT_NEAR(s.pick.distance, 0.5, 1e-4);
  EXPECT_NEAR(s.pick.point[1], 32768, 2);
  EXPECT_NEAR(s.pick.normal[1], -1.0f, 1e-5f) << "a unit normal facing the eye";
  // The same ray keeps its result; without "show subobs" only the edited subobject counts.
  s.showSubobjects = 0;
  s.editedObject = 0;
  PickSurfaceUnderMouse(*e);
  EXPECT_EQ(s.pick.object, 1) << "kept: the ray did not change";
  s.pick.state = 0;
  PickSurfaceUnderMouse(*e);
  EXPECT_EQ(s.pick.object, 0);
  EXPECT_NEAR(s.pick.distance, 1.0, 1e-4);
  s.showMain = 0;
  s.editedObject = -1;
  s.pick.state = 0;
  PickSurfaceUnderMouse(*e);
  EXPECT_EQ(s.pick.state, 1) << "nothing shown is under the pointer";
  // In a 2D view every distance counts: the main object's near triangle is hit.
  s.showMain = 1;
  s.showSubobjects = 1;
  SelectEditView(VIEW_BACK);  // from -y along +y
  CurrentView->position[0] = CurrentView->position[1] = CurrentView->position[2] = 0;
  float axes[3][3];
  BuildOrthoViewMatrix(0, axes);
  EXPECT_FLOAT_EQ(axes[2][1], -1.0f) << "the back view looks along +y";
  SetEditViewProjection(0);
  s.pick.state = 0;
  PickSurfaceUnderMouse(*e);
  ASSERT_EQ(s.pick.state, 2);
  EXPECT_EQ(s.pick.object, -1);
  EXPECT_NEAR(s.pick.distance, 0.05, 1e-4);
  Prss_Terminate(&e->prss);
  CloseThrough();
  o.Free();
  ScreenWidth = ScreenHeight = 0;
}

// An object whose mesh is not built (its preview's mesh forgotten) has its points where they
// are stored: the point positions and the pick use them untransformed.
TEST_F(ObjectEditorTest, AnObjectWithoutABuiltMeshIsPickedAndPlacedWhereItsPointsAre) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  // Triangle 0 across the y axis 1 m away, facing -y; triangle 1 off to the right 2 m away,
  // also drawn mirrored across x = 0.
  b.Triangle(b.Point(-0.25, 1, -0.5), b.Point(0.25, 1, -0.5), b.Point(0, 1, 0.5));
  b.extraFlags = TRIANGLE_MIRRORED;
  const int corner = b.Point(0.5, 2, 0.5);
  b.Triangle(b.Point(0.25, 2, -0.5), b.Point(0.75, 2, -0.5), corner);
  b.Into(o);
  ObjectEditor* e = OpenObjectEditor(&parent.prss, OPEN_NONE, &o, -1, nullptr, nullptr, CALLER_ENTRY_MENU, ~0u);
  Prss_AddSub(&parent.prss, &e->prss);
  o.builtMesh = nullptr;
  ObjectEditorState& s = ObjectEditorShared;
  const int spokes = s.spokeCount;
  s.spokeCount = 0;

  // 0.5 m and 2 m in 16.16: 0.5 x 65536 = 32768, 2 x 65536 = 131072; the mirrored copy has x negated.
  const IntVector at = ObjectPointPosition(o, uint16_t(corner));
  EXPECT_EQ(at.x, 32768);
  EXPECT_EQ(at.y, 131072);
  EXPECT_EQ(at.z, 32768);
  const IntVector copy = ObjectPointPosition(o, uint16_t(corner | CORNER_MIRRORED));
  EXPECT_EQ(copy.x, -32768);
  EXPECT_EQ(copy.y, 131072);
  EXPECT_EQ(copy.z, 32768);

  // Rays along +y from x = 0 (triangle 0, 1 m), x = 0.5 m (triangle 1, 2 m) and x = -0.5 m
  // (triangle 1's mirrored copy, 2 m); each x lies inside its triangle at z = 0.
  const struct {
    double x;
    int triangle;
    double distance;
  } rays[] = {{0, 0, 1.0}, {0.5, 1, 2.0}, {-0.5, 1, 2.0}};
  const float dir[3] = {0, 1, 0};
  for (const auto& r : rays) {
    for (const int twoSided : {0, 1}) {
      const int32_t origin[3] = {Metres(r.x), 0, 0};
      std::memcpy(s.pick.rayOrigin, origin, sizeof origin);
      std::memcpy(s.pick.rayDirection, dir, sizeof dir);
      std::memcpy(GlobalPickingRay.origin, origin, sizeof origin);
      std::memcpy(GlobalPickingRay.direction, dir, sizeof dir);
      s.pick.state = 1;
      e->twoSidedPicking = twoSided;
      PickObjectTriangles(*e, o, -1, 0);
      ASSERT_EQ(s.pick.state, 2) << "ray at x " << r.x << ", two-sided " << twoSided;
      EXPECT_EQ(s.pick.triangle, r.triangle) << "ray at x " << r.x;
      EXPECT_NEAR(s.pick.distance, r.distance, 1e-4) << "ray at x " << r.x;
    }
  }
  s.spokeCount = spokes;
  Prss_Terminate(&e->prss);
  CloseThrough();
  o.Free();
}

// "O" frames the object (here in the front view) at the end of the editor's next act: a small
// object as one of 2 m across each way from the middle of its box, so the view is 4 m wide,
// centred 0.125 m up (the triangle reaches from 0 to 0.25 m).
TEST_F(ObjectEditorTest, OFramesASmallObjectAsOneOfTwoMetresLiftedByAQuarter) {
  ModelObject o;
  o.Init();
  ModelBuilder b;
  b.Triangle(b.Point(-0.25, 0, 0), b.Point(0.25, 0, 0), b.Point(0, 0, 0.25));
  b.Into(o);
  ObjectEditor* e = OpenObjectEditor(&parent.prss, OPEN_NONE, &o, -1, nullptr, nullptr, CALLER_ENTRY_MENU, ~0u);
  Prss_AddSub(&parent.prss, &e->prss);
  ASSERT_NE(e->previews[0].mesh, nullptr);
  ASSERT_LT(e->previews[0].mesh->radius, 2 << 16);
  SelectEditView(VIEW_FRONT);
  EditViews.width = 40 << 16;
  CurrentView->position[2] = 0;
  ObjectEditorKey(&e->prss, 'o');
  ObjectEditorScreenAction(&e->prss);
  EXPECT_EQ(EditViews.width, 4 << 16);
  EXPECT_EQ(CurrentView->position[2], 1 << 13);
  Prss_Terminate(&e->prss);
  CloseThrough();
  o.Free();
}

namespace {
class ObjectEditorOnDevice : public OnNullDevice<ObjectEditorTest> {};
}  // namespace

// A drawn frame of the perspective view starts with the editor's own clear (to the view's
// ambient colour); a 2D view's frame leaves the clear to its own clear mode.
TEST_F(ObjectEditorOnDevice, AFrameOfThePerspectiveViewClearsItAndA2DViewsDoesNot) {
  ASSERT_TRUE(NullDevice::ready_);
  ModelObject box;
  box.Init();
  BuildSampleBox(box);
  ObjectEditor* e = OpenObjectEditor(&parent.prss, OPEN_NONE, &box, -1, nullptr, nullptr, CALLER_ENTRY_MENU, ~0u);
  Prss_AddSub(&parent.prss, &e->prss);
  SelectEditView(VIEW_PERSPECTIVE);
  ASSERT_EQ(EditViews.width, 0);
  FrameSkipped = 0;
  EditorFrameCleared = 0;
  e->prss.act(&e->prss);
  EXPECT_EQ(EditorFrameCleared, 1);
  SelectEditView(VIEW_FRONT);
  EditorFrameCleared = 0;
  e->prss.act(&e->prss);
  EXPECT_EQ(EditorFrameCleared, 0);
  FrameSkipped = 1;
  ClearInterface();
  Prss_Terminate(&e->prss);
  CloseThrough();
  box.Free();
}

// The smooth preview asks for its page textures as ones that may be loaded later, with a
// placeholder first, as an editor's pages may be many.
TEST_F(ObjectEditorTest, TheSmoothPreviewAsksForItsPagesAsDeferrableTextures) {
  ModelObject box;
  box.Init();
  BuildSampleBox(box);
  g_usages.clear();
  FindSkinTexture = NotedMaterial;
  ObjectEditor* e = OpenObjectEditor(&parent.prss, OPEN_NONE, &box, -1, nullptr, nullptr, CALLER_ENTRY_MENU, ~0u);
  Prss_AddSub(&parent.prss, &e->prss);
  ASSERT_TRUE(e->previews[0].mesh && e->previews[0].mesh->IsGouraud());
  ASSERT_FALSE(g_usages.empty());
  for (const int usage : g_usages) EXPECT_EQ(usage, GEN_TYPE_DEFERRABLE);
  Prss_Terminate(&e->prss);
  CloseThrough();
  box.Free();
  g_usages.clear();
}

TEST_F(ObjectEditorTest, SplitRowsShareTheirWidthAndTheMaterialCountComesFromAGouraudPreview) {
  ClearInterface();
  ButtonWidth = 20;
  ButtonHeight = 24;
  RowCursorX = 100, RowCursorY = 10;
  const char* const labels[3] = {"a", "b", "c"};
  AddSplitRowButtons(&parent.prss, 8, 1, 3, labels, nullptr);
  ASSERT_EQ(ButtonCount, 3);
  EXPECT_EQ(InterfaceButtons[0].right - InterfaceButtons[0].left, 40);
  EXPECT_EQ(InterfaceButtons[2].right - InterfaceButtons[2].left, 80) << "the last takes the remainder";
  EXPECT_EQ(InterfaceButtons[1].fourth.i, 1) << "the highlighted one is lit";
  EXPECT_EQ(RowCursorY, 34);
  EXPECT_EQ(RowCursorX, 100);
  AddSplitRowButtons(&parent.prss, 8, 0, 0, labels, nullptr);
  EXPECT_EQ(ButtonCount, 3);
  EXPECT_EQ(RowCursorY, 58) << "an empty row only moves down";
  // More labels than units: each is a unit wide all the same.
  ClearInterface();
  RowCursorX = 100, RowCursorY = 10;
  AddSplitRowButtons(&parent.prss, 2, 0, 3, labels, nullptr);
  ASSERT_EQ(ButtonCount, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(InterfaceButtons[i].right - InterfaceButtons[i].left, 20) << i;
  ClearInterface();

  int second = -1;
  EXPECT_EQ(PreviewMaterialCount(&second), 0) << "no editor is open";
  EXPECT_EQ(second, 0) << "and no parts";
  ModelObject box;
  box.Init();
  BuildSampleBox(box);
  FindSkinTexture = OneMaterial;  // every page the same material
  ObjectEditor* e = OpenObjectEditor(&parent.prss, OPEN_NONE, &box, -1, nullptr, nullptr, CALLER_ENTRY_MENU, ~0u);
  Prss_AddSub(&parent.prss, &e->prss);
  const GouraudO3d& mesh = *static_cast<GouraudO3d*>(e->previews[0].mesh);
  EXPECT_EQ(PreviewMaterialCount(&second), 1);
  EXPECT_EQ(second, mesh.partCount);
  EXPECT_GE(second, 1);
  // The cutouts screen's material numbers: 1 for the page material, none for another.
  Material other{};
  EXPECT_EQ(PreviewMaterialNumber(&g_pageMaterial), 1);
  EXPECT_EQ(PreviewMaterialNumber(&other), 0);
  EXPECT_EQ(PreviewMaterialNumber(nullptr), 0);
  SetObjectDrawMode(*e, 0, DRAW_FLAT);
  second = -1;
  EXPECT_EQ(PreviewMaterialCount(&second), 0) << "a flat preview has none";
  EXPECT_EQ(second, 0) << "nor parts";
  EXPECT_EQ(PreviewMaterialNumber(&g_pageMaterial), 0);
  Prss_Terminate(&e->prss);
  CloseThrough();
  box.Free();
}
