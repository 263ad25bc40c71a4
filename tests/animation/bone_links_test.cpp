// bone_links_test.cpp - the hierarchy check's faults and its anchors, and what SlideBone holds,
// carries and frees on the test skeleton: locked parents, parents of several children, locked
// children and leaves, locked and anchored ancestors up the walk, the root, the colours and the
// carried solids' relative transforms.
#include <gtest/gtest.h>

#include <vector>

#include "tests/animation/anim_test_util.h"
#include "tests/core/report_recorder.h"

namespace {

// A rig of n bare solids joined by the given (parent, child) pairs.
struct BareRig {
  BoneRig rig;
  Skeleton skeleton;
  BareRig(int n, const std::vector<std::pair<int, int>>& pairs) {
    skeleton.Init();
    rig.Allocate(n, int(pairs.size()));
    for (size_t j = 0; j < pairs.size(); ++j) {
      rig.joints[j].a = &rig.bones[size_t(pairs[j].first)];
      rig.joints[j].b = &rig.bones[size_t(pairs[j].second)];
    }
  }
  ~BareRig() { rig.Free(); }
  int Check() {
    BoneLinkArray links;
    return CheckBoneHierarchy(links, nullptr, skeleton, rig);
  }
};

std::string LastBox() {
  const auto& boxes = ReportRecorder::Reports().boxes;
  return boxes.empty() ? "" : boxes.back();
}

TEST(BoneHierarchy, FaultsAreShownWithTheirSolidsRed) {
  ReportRecorder recorder;
  {
    BareRig r(3, {{0, 2}, {1, 2}, {0, 1}});
    EXPECT_EQ(r.Check(), 0);
    EXPECT_EQ(LastBox(), "Bone has two parents|-");
    EXPECT_EQ(r.rig.bones[2].colour, BONE_COLOUR_LOCKED);
  }
  for (int children : {16, 17}) {
    std::vector<std::pair<int, int>> pairs;
    for (int c = 1; c <= children; ++c) pairs.push_back({0, c});
    BareRig r(children + 1, pairs);
    EXPECT_EQ(r.Check(), children == 16 ? 1 : 0) << children;
    if (children == 17) {
      EXPECT_EQ(LastBox(), "Bone has too many children|-");
      EXPECT_EQ(r.rig.bones[0].colour, BONE_COLOUR_LOCKED);
    }
  }
  {
    BareRig r(2, {{0, 1}, {1, 0}});
    EXPECT_EQ(r.Check(), 0);
    EXPECT_EQ(LastBox(), "No root bone|-");
  }
  {
    BareRig r(4, {{0, 1}, {2, 3}});
    EXPECT_EQ(r.Check(), 0);
    EXPECT_EQ(LastBox(), "More than one root bone|-");
    EXPECT_EQ(r.rig.bones[0].colour, BONE_COLOUR_LOCKED);
    EXPECT_EQ(r.rig.bones[2].colour, BONE_COLOUR_LOCKED);
    EXPECT_NE(r.rig.bones[1].colour, BONE_COLOUR_LOCKED);
  }
  {
    // One root, and a loop beside it the root never reaches.
    BareRig r(4, {{0, 1}, {2, 3}, {3, 2}});
    EXPECT_EQ(r.Check(), 0);
    EXPECT_EQ(LastBox(), "Bones are joined in a loop|-");
    EXPECT_EQ(r.rig.bones[2].colour, BONE_COLOUR_LOCKED);
    EXPECT_NE(r.rig.bones[1].colour, BONE_COLOUR_LOCKED);
  }
  {
    BareRig r(2, {{0, 1}, {1, 1}});
    EXPECT_EQ(r.Check(), 0);
    EXPECT_EQ(LastBox(), "Bone is joined to itself|-");
  }
}

// A root other than solid 0 takes solid 0 as its child like any other, and a second joint
// between the same two solids lists the child once.
TEST(BoneHierarchy, SolidZeroCanBeAChildAndIsListedOnce) {
  BareRig r(3, {{1, 0}, {1, 2}, {1, 0}});
  BoneLinkArray links;
  ASSERT_EQ(CheckBoneHierarchy(links, nullptr, r.skeleton, r.rig), 1);
  EXPECT_EQ(links.root, 1);
  ASSERT_EQ(links.links[1].childCount, 2);
  EXPECT_EQ(links.links[1].children[0], 0);
  EXPECT_EQ(links.links[1].children[1], 2);
  EXPECT_EQ(links.links[0].parent, 1);
  EXPECT_EQ(links.links[2].parent, 1);
}

TEST(BoneHierarchy, TheTestSkeletonIsOneTreeWithItsAnchors) {
  Skeleton s;
  MakeTestSkeleton(s);
  s.bones[3].flags |= SKELETON_BONE_ANCHOR;  // the forearms
  s.bones[0].flags |= SKELETON_BONE_ANCHOR;  // the trunk, solid 0
  BoneRig rig;
  s.CreateBones(rig);
  BoneLinkArray links;
  ASSERT_EQ(CheckBoneHierarchy(links, nullptr, s, rig), 1);
  EXPECT_EQ(links.root, TRUNK);
  EXPECT_EQ(links.links[TRUNK].anchor, 1u);
  EXPECT_EQ(links.links[HEAD].anchor, 0u);
  EXPECT_EQ(links.links[TRUNK].childCount, 5);
  EXPECT_EQ(links.links[HAND + 1].parent, FOREARM + 1);
  EXPECT_EQ(links.links[FOREARM].anchor, 1u);
  EXPECT_EQ(links.links[FOREARM + 1].anchor, 1u);
  EXPECT_EQ(links.links[UPPER_ARM].anchor, 0u);
  rig.Free();
  s.Free();
}

TEST(SlideBone, ParentsLocksAndChildrenDecideWhatIsHeldCarriedOrFree) {
  ReportRecorder recorder;
  TestEditor t;
  AnimEditor& e = t.editor;
  auto state = [&](int solid) { return t.links.links[size_t(solid)].state; };
  // A slide of an upper arm: its parent, the trunk, has five children.
  e.selectedBone = UPPER_ARM;
  e.slideMode = 1;
  EXPECT_EQ(SlideBone(e, 0, -1), 0);
  EXPECT_EQ(LastBox(), "Can't slide - parent has more than one child|-");
  // A forearm slides: the upper arm is free, the trunk (grandparent of two children) held,
  // the hand carried.
  e.selectedBone = FOREARM;
  ASSERT_EQ(SlideBone(e, 0, -1), 1);
  EXPECT_EQ(state(TRUNK), LINK_HELD);
  EXPECT_EQ(state(UPPER_ARM), LINK_FREE);
  EXPECT_EQ(state(FOREARM), LINK_FREE);
  EXPECT_EQ(state(HAND), LINK_CARRIED);
  EXPECT_EQ(state(HAND + 1), LINK_HELD);
  EXPECT_EQ(t.rig.bones[TRUNK].colour, BONE_COLOUR_HELD);
  EXPECT_EQ(t.rig.bones[UPPER_ARM].colour, BONE_COLOUR_FREE);
  EXPECT_EQ(t.rig.bones[HAND].colour, BONE_COLOUR_CARRIED);
  // The hand in the forearm's axes.
  const Bone& f = t.rig.bones[FOREARM];
  const Bone& h = t.rig.bones[HAND];
  const Vec3 rel = MatrixTransposeTimes(f.orientation, MetresBetween(h.position, f.position));
  EXPECT_FLOAT_EQ(t.links.links[HAND].relPosition.z, rel.z);
  float back = 0;  // (R_f relRotation)(0,0) is the hand's own element
  for (int k = 0; k < 3; ++k) back += f.orientation[k] * t.links.links[HAND].relRotation[k * 3];
  EXPECT_NEAR(back, h.orientation[0], 1e-6);

  // A locked parent refuses a slide and is held for a turn.
  t.links.links[UPPER_ARM].locked = 1;
  EXPECT_EQ(SlideBone(e, 0, -1), 0);
  EXPECT_EQ(LastBox(), "Can't slide - parent is locked|-");
  e.slideMode = 0;
  ASSERT_EQ(SlideBone(e, 1, -1), 1);
  EXPECT_EQ(state(UPPER_ARM), LINK_HELD);
  EXPECT_EQ(state(FOREARM), LINK_FREE);
  EXPECT_EQ(e.tempLocked, -1) << "the parent was locked already";
  t.links.links[UPPER_ARM].locked = 0;
  // Turning with the automatic parent lock: locked for the turn, then given back.
  ASSERT_EQ(SlideBone(e, 1, -1), 1);
  EXPECT_EQ(e.tempLocked, UPPER_ARM);
  EXPECT_EQ(state(UPPER_ARM), LINK_HELD);
  ClearTempLock(e);
  EXPECT_EQ(t.links.links[UPPER_ARM].locked, 0u);

  // A locked child of the dragged bone is unlocked with the warning and carried.
  e.slideMode = 1;
  t.links.links[HAND].locked = 1;
  ASSERT_EQ(SlideBone(e, 0, -1), 1);
  EXPECT_EQ(t.links.links[HAND].locked, 0u);
  EXPECT_EQ(state(HAND), LINK_CARRIED);
  EXPECT_EQ(ReportRecorder::CountLines("Warning : locked child had to be unlocked"), 1);
  EXPECT_EQ(ReportRecorder::Reports().lines.back().substr(0, 2), "1|") << "in the error colour";

  // Turning the upper arm with a locked hand: the hand's subtree held, the chain to it free.
  e.slideMode = 0;
  e.selectedBone = UPPER_ARM;
  t.links.links[HAND].locked = 1;
  ASSERT_EQ(SlideBone(e, 0, -1), 1);
  EXPECT_EQ(state(TRUNK), LINK_HELD);
  EXPECT_EQ(state(FOREARM), LINK_FREE);
  EXPECT_EQ(state(HAND), LINK_HELD);

  // The selection and the locks by click.
  SelectBone(e, 0, HEAD);
  EXPECT_EQ(e.selectedBone, HEAD);
  SelectBone(e, 0, HEAD);
  EXPECT_EQ(e.selectedBone, -1);
  SelectBone(e, 1, LEG);
  EXPECT_EQ(t.rig.bones[LEG].colour, BONE_COLOUR_LOCKED);
  EXPECT_EQ(t.rig.bones[HAND].colour, BONE_COLOUR_LOCKED);
  EXPECT_EQ(t.rig.bones[HEAD].colour, t.skeleton.bones[1].colour);
  SelectBone(e, 1, LEG);
  EXPECT_EQ(t.rig.bones[LEG].colour, t.skeleton.bones[5].colour);
}

// The walk up from the dragged bone: a locked grandparent stops it (only a locked parent
// refuses a slide); an anchored parent is passed over by a slide but holds a turn; an anchored
// grandparent holds a slide.
TEST(SlideBone, LockedAndAnchoredAncestorsStopTheWalkUpFromTheHand) {
  ReportRecorder recorder;
  {
    TestEditor t;
    AnimEditor& e = t.editor;
    auto state = [&](int solid) { return t.links.links[size_t(solid)].state; };
    e.selectedBone = HAND;
    e.slideMode = 1;
    t.links.links[UPPER_ARM].locked = 1;
    ASSERT_EQ(SlideBone(e, 0, -1), 1) << "the grandparent is locked, not the parent";
    EXPECT_EQ(state(FOREARM), LINK_FREE);
    EXPECT_EQ(state(UPPER_ARM), LINK_HELD);
    EXPECT_EQ(state(TRUNK), LINK_HELD);
    EXPECT_EQ(state(HAND), LINK_FREE);
  }
  {
    TestEditor t(1, 3);  // skeleton bone 3, the forearms, anchored
    ASSERT_EQ(t.hierarchy, 1);
    AnimEditor& e = t.editor;
    BoneLinkArray& links = t.links;
    e.selectedBone = HAND;
    e.slideMode = 1;
    ASSERT_EQ(SlideBone(e, 0, -1), 1);
    EXPECT_EQ(links.links[FOREARM].state, LINK_FREE) << "a slide passes over an anchored parent";
    EXPECT_EQ(links.links[UPPER_ARM].state, LINK_FREE);
    EXPECT_EQ(links.links[TRUNK].state, LINK_HELD);
    e.slideMode = 0;
    ASSERT_EQ(SlideBone(e, 0, -1), 1);
    EXPECT_EQ(links.links[FOREARM].state, LINK_HELD) << "a turn stops at it";
  }
  {
    TestEditor t(1, 2);  // skeleton bone 2, the upper arms, anchored
    ASSERT_EQ(t.hierarchy, 1);
    AnimEditor& e = t.editor;
    BoneLinkArray& links = t.links;
    e.selectedBone = HAND;
    e.slideMode = 1;
    ASSERT_EQ(SlideBone(e, 0, -1), 1);
    EXPECT_EQ(links.links[FOREARM].state, LINK_FREE);
    EXPECT_EQ(links.links[UPPER_ARM].state, LINK_HELD) << "an anchored grandparent holds";
  }
}

// A chain 0-1-2 with nothing locked, no anchor and one child each: the walk up from solid 2
// reaches past the root. A slide then has nothing to push against and is refused with its box;
// a turn holds everything outside the turned bone's subtree.
TEST(SlideBone, AChainWithNoLockedAncestorRefusesASlideButTurns) {
  ReportRecorder recorder;
  BareRig r(3, {{0, 1}, {1, 2}});
  BoneLinkArray links;
  ASSERT_EQ(CheckBoneHierarchy(links, nullptr, r.skeleton, r.rig), 1);
  ASSERT_EQ(links.root, 0);
  AnimEditor e;
  e.rig = &r.rig;
  e.links = &links;
  e.selectedBone = 2;
  e.slideMode = 1;
  EXPECT_EQ(SlideBone(e, 0, -1), 0);
  EXPECT_EQ(LastBox(), "Can't slide - no locked ancestor|-");
  EXPECT_EQ(ReportRecorder::Reports().boxes.size(), 1u);
  e.slideMode = 0;
  ASSERT_EQ(SlideBone(e, 0, -1), 1);
  EXPECT_EQ(ReportRecorder::Reports().boxes.size(), 1u) << "a turn shows no box";
  EXPECT_EQ(links.links[0].state, LINK_HELD);
  EXPECT_EQ(links.links[1].state, LINK_HELD);
  EXPECT_EQ(links.links[2].state, LINK_FREE);
}

// Clicks on solids outside the rig change nothing; a reference solid is the one the carried
// solids are placed by, and the dragged bone is carried with them.
TEST(SlideBone, ClicksOutsideTheRigAreIgnoredAndAReferenceCarriesTheDraggedBone) {
  ReportRecorder recorder;
  TestEditor t;
  AnimEditor& e = t.editor;
  SelectBone(e, 0, TEST_SOLIDS);
  SelectBone(e, 0, -1);
  EXPECT_EQ(e.selectedBone, -1);
  SelectBone(e, 1, TEST_SOLIDS);
  for (int i = 0; i < TEST_SOLIDS; ++i) EXPECT_EQ(t.links.links[size_t(i)].locked, 0u) << i;
  SelectBone(e, 0, TEST_SOLIDS - 1);
  EXPECT_EQ(e.selectedBone, TEST_SOLIDS - 1);
  SelectBone(e, 0, TRUNK);
  EXPECT_EQ(e.selectedBone, TRUNK) << "the first solid is in the rig";
  SelectBone(e, 1, TEST_SOLIDS - 1);
  EXPECT_EQ(t.links.links[TEST_SOLIDS - 1].locked, 1u);

  e.selectedBone = HAND;
  e.slideMode = 0;
  ASSERT_EQ(SlideBone(e, 0, FOREARM), 1);
  EXPECT_EQ(e.reference, FOREARM);
  EXPECT_EQ(t.links.links[HAND].state, LINK_CARRIED);
  ASSERT_EQ(SlideBone(e, 0, TEST_SOLIDS), 1);
  EXPECT_EQ(e.reference, HAND) << "a reference outside the rig: the bone itself";
  EXPECT_EQ(t.links.links[HAND].state, LINK_FREE);
  // A selected bone one past the links is no bone: nothing slides and no state changes.
  std::vector<int> states;
  for (const BoneLink& l : t.links.links) states.push_back(l.state);
  e.selectedBone = t.links.count;
  EXPECT_EQ(SlideBone(e, 0, -1), 0);
  for (size_t i = 0; i < states.size(); ++i) EXPECT_EQ(t.links.links[i].state, states[i]) << i;
  e.selectedBone = HAND;
  e.tempLocked = TEST_SOLIDS;
  ClearTempLock(e);
  EXPECT_EQ(e.tempLocked, -1);
  // Turning the head locks the root, its parent, for the turn; the lock is given back after.
  e.selectedBone = HEAD;
  ASSERT_EQ(SlideBone(e, 1, -1), 1);
  EXPECT_EQ(e.tempLocked, TRUNK);
  EXPECT_EQ(t.links.links[TRUNK].locked, 1u);
  // Preparing another turn first gives back the lock the last one took.
  e.selectedBone = HAND;
  ASSERT_EQ(SlideBone(e, 1, -1), 1);
  EXPECT_EQ(e.tempLocked, FOREARM);
  EXPECT_EQ(t.links.links[TRUNK].locked, 0u) << "the head's turn's lock given back";
  EXPECT_EQ(t.links.links[FOREARM].locked, 1u);
  ClearTempLock(e);
  EXPECT_EQ(t.links.links[FOREARM].locked, 0u);
  EXPECT_EQ(t.links.links[TRUNK].locked, 0u);
  // The root turns with every other solid carried.
  e.selectedBone = TRUNK;
  ASSERT_EQ(SlideBone(e, 1, -1), 1);
  EXPECT_EQ(t.links.links[HEAD].state, LINK_CARRIED);
  EXPECT_EQ(t.links.links[LEG + 1].state, LINK_CARRIED);
}

}  // namespace
