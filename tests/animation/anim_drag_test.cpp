// anim_drag_test.cpp - the drag with mouse positions given and Bone::Step run as the screen
// will: one-axis and plane slides, turns, the cancel and the end written into frames with the
// legs and the opposite frame mirrored (from solid six); the mouse ray; the copies over frames
// (flipped halves, ranges past the ends, copies that cannot run); the phase of the frame shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/frame_globals.h"
#include "tests/animation/anim_test_util.h"
#include "tests/core/report_recorder.h"

namespace {

void StepFrames(TestEditor& t, int frames) {
  for (int i = 0; i < frames; ++i) {
    SimFrameTime = 16;
    for (int k = 0; k < 4; ++k) Bone::Step(t.rig, t.editor);
  }
}

// Gravity off, the forearm selected for a slide along x alone, its key held.
void ReadyForearmXSlide(AnimEditor& e) {
  e.gravity = 0;
  e.selectedBone = FOREARM;
  e.slideMode = 1;
  e.axisMask = 1;
  e.keyActive = 1;
}

TEST(Drag, AOneAxisSlideMovesTheTargetByTheHandlesScreenDirection) {
  TestEditor t;
  AnimEditor& e = t.editor;
  ReadyForearmXSlide(e);
  e.handleScreen[0][0] = 30.0f;
  e.handleScreen[0][1] = -40.0f;  // L = 50
  e.handleLength = 6553;
  const IntVector start = t.rig.bones[FOREARM].position;
  t.links.links[FOREARM].locked = 1;
  ASSERT_EQ(StartDrag(e, 100, 100), 1);
  EXPECT_EQ(t.links.links[FOREARM].locked, 0u) << "the dragged solid is unlocked";
  EXPECT_EQ(e.heldBone, FOREARM);
  EXPECT_EQ(e.dragGain, DRAG_GAIN_SLIDE);
  EXPECT_EQ(e.pose[TRUNK].mode, BONE_HELD_STILL);
  EXPECT_EQ(e.pose[HAND].mode, BONE_FIXED_TO_HELD);
  MoveDrag(e, 110, 95);  // dx 10, dy -5
  const double d = (30.0 * 10 + -40.0 * -5) / 2500.0 * 6553;
  EXPECT_EQ(e.targetPosition.x, start.x + std::llround(d));
  EXPECT_EQ(e.targetPosition.y, start.y);
  StepFrames(t, 30);
  EXPECT_GT(t.rig.bones[FOREARM].position.x, start.x + 200) << "the bone follows its target";
  EXPECT_EQ(t.rig.bones[TRUNK].position.x, t.editor.grabTransforms[TRUNK].position.x) << "held";
  // A cancel puts every solid back exactly.
  CancelDrag(e);
  EXPECT_EQ(e.dragging, 0);
  EXPECT_EQ(e.heldBone, -1);
  std::vector<FixedTransform> now(TEST_SOLIDS);
  CopyPartPositions(t.rig, now.data());
  EXPECT_TRUE(SameTransforms(now.data(), t.animation.frames[0].transforms, TEST_SOLIDS));
}

// The drag's target starts as the grabbed bone's whole orientation, all nine elements: here a
// quarter turn about x, whose last element (0) differs from the identity's.
TEST(Drag, TheStartTakesAllNineElementsOfTheBonesOrientation) {
  TestEditor t;
  AnimEditor& e = t.editor;
  ReadyForearmXSlide(e);
  const float quarterAboutX[9] = {1, 0, 0, 0, 0, -1, 0, 1, 0};
  std::copy(quarterAboutX, quarterAboutX + 9, t.rig.bones[FOREARM].orientation);
  ASSERT_EQ(StartDrag(e, 100, 100), 1);
  for (int k = 0; k < 9; ++k) EXPECT_EQ(e.targetOrientation[k], quarterAboutX[k]) << k;
  EndDrag(e);
}

TEST(Drag, APlaneSlideFollowsTheMouseRay) {
  TestEditor t;
  AnimEditor& e = t.editor;
  e.view.eye = {0, -5 * 65536, 65536};
  // Looking forward along y: right x, up z, forward y as the columns.
  const float look[9] = {1, 0, 0, 0, 0, 1, 0, 1, 0};
  std::copy(look, look + 9, e.view.orientation);
  e.view.scale = 1.0f;
  e.view.width = 640;
  e.view.height = 480;
  // The ray through the centre meets the plane y = 0 straight ahead of the eye.
  IntVector hit;
  ASSERT_EQ(MouseRay(e, 320, 240, {0, 0, 0}, {0, 65536, 0}, hit), 1);
  EXPECT_NEAR(hit.x, 0, 2);
  EXPECT_NEAR(hit.y, 0, 2);
  EXPECT_NEAR(hit.z, 65536, 2);
  // A plane along the view direction gives no point.
  EXPECT_EQ(MouseRay(e, 320, 240, {0, 0, 0}, {0, 0, 65536}, hit), 0);
  // The ray (0, 1, 0) against a normal (0, k, 0): |n.d| of 8193 gives a point, 8192 none.
  EXPECT_EQ(MouseRay(e, 320, 240, {0, 0, 0}, {0, 8193, 0}, hit), 1);
  EXPECT_NEAR(hit.y, 0, 2);
  EXPECT_EQ(MouseRay(e, 320, 240, {0, 0, 0}, {0, 8192, 0}, hit), 0);
  EXPECT_EQ(MouseRay(e, 320, 240, {0, 0, 0}, {0, -8193, 0}, hit), 1) << "either side";
  // A slide in x and z (A+D: normal y) moves the target by the ray's travel.
  e.selectedBone = FOREARM;
  e.slideMode = 1;
  e.axisMask = 5;
  e.keyActive = 1;
  ASSERT_EQ(StartDrag(e, 320, 240), 1);
  EXPECT_EQ(e.planeNormal.y, 65536);
  const IntVector kept = e.grabTransforms[FOREARM].position;
  MoveDrag(e, 384, 240);
  // The test's own intersection: the direction (0.1, 1, 0) normalised from the eye to y = kept.y.
  const double t0 = (kept.y - e.view.eye.y) / 65536.0;
  const double startX = 0.0, nowX = 0.1 * t0;  // per metre forward, 0.1 to the right
  EXPECT_NEAR(e.targetPosition.x - kept.x, (nowX - startX) * 65536, 40);
  EXPECT_NEAR(e.targetPosition.z, kept.z, 40);
  EndDrag(e);
}

TEST(Drag, ATurnIsTheMouseTravelOverTheWidthAboutTheBonesAxisAndThePivot) {
  // Q, W, E (masks 1, 2, 4) turn about the bone's own x, y, z axis: its orientation's columns.
  for (int a = 0; a < 3; ++a) {
    SCOPED_TRACE(a);
    TestEditor t;
    AnimEditor& e = t.editor;
    e.selectedBone = FOREARM;
    e.slideMode = 0;
    e.axisMask = uint8_t(1 << a);
    e.keyActive = 1;
    e.view.width = 800;
    e.pivot = t.rig.bones[UPPER_ARM].position;
    ASSERT_EQ(StartDrag(e, 0, 0), 1);
    EXPECT_EQ(e.dragGain, DRAG_GAIN_TURN);
    MoveDrag(e, 200, 0);  // a quarter turn
    const AnimEditor::Grab& g = e.grabTransforms[FOREARM];
    const auto column = [](const float* m, int c) { return Vec3{m[c], m[3 + c], m[6 + c]}; };
    const Vec3 axis = column(g.orientation, a);
    // The bone's own axis stays; the next one turns a quarter turn about it.
    const Vec3 kept = column(e.targetOrientation, a);
    EXPECT_NEAR(kept.x, axis.x, 1e-5);
    EXPECT_NEAR(kept.y, axis.y, 1e-5);
    EXPECT_NEAR(kept.z, axis.z, 1e-5);
    const Vec3 y0 = column(g.orientation, (a + 1) % 3), y1 = column(e.targetOrientation, (a + 1) % 3);
    EXPECT_NEAR(Dot(y0, y1), 0.0f, 1e-5);
    EXPECT_NEAR(Dot(Cross(y0, y1), axis), 1.0f, 1e-5);
    // The position turned about the pivot keeps its distance.
    const Vec3 before = MetresBetween(g.position, e.pivot), after = MetresBetween(e.targetPosition, e.pivot);
    EXPECT_NEAR(std::sqrt(LengthSquared(before)), std::sqrt(LengthSquared(after)), 1e-4);
    EXPECT_NEAR(Dot(before, axis), Dot(after, axis), 1e-4);
    // A quarter turn about the axis takes the arm from the pivot to axis x arm + (axis . arm) axis.
    const Vec3 turned = Cross(axis, before) + axis * Dot(axis, before);
    EXPECT_NEAR(after.x, turned.x, 1e-4);
    EXPECT_NEAR(after.y, turned.y, 1e-4);
    EXPECT_NEAR(after.z, turned.z, 1e-4);
    // The keys changed to a slide with the drag held: the target takes back the bone's whole
    // grabbed orientation, all nine elements.
    e.slideMode = 1;
    MoveDrag(e, 200, 0);
    for (int k = 0; k < 9; ++k) EXPECT_EQ(e.targetOrientation[k], g.orientation[k]) << k;
    EndDrag(e);
  }
}

TEST(Drag, TheEndWritesTheRigIntoTheFrameAndMirrorsLegsAndTheOppositeFrame) {
  TestEditor t(4);
  AnimEditor& e = t.editor;
  e.gravity = 0;
  e.symmetricalLegs = 1;
  e.autoCopyAndFlip = 1;
  e.currentFrame = &t.animation.frames[0];
  e.selectedBone = LEG;  // a leg: solids 8 and 9, inside 6 to 13
  e.slideMode = 0;
  e.axisMask = 1;
  e.keyActive = 1;
  e.view.width = 800;
  e.pivot = t.rig.bones[LEG].position;
  ASSERT_EQ(StartDrag(e, 0, 0), 1);
  MoveDrag(e, 50, 0);
  StepFrames(t, 20);
  t.animation.frames[0].time = 5.0f;
  FinishDrag(e);
  EXPECT_EQ(e.dragging, 0);
  EXPECT_EQ(e.undo.size(), 1u);
  EXPECT_EQ(e.unsaved, 1);
  const FixedTransform* f0 = t.animation.frames[0].transforms;
  EXPECT_EQ(t.animation.frames[0].time, 0.0f);
  std::vector<FixedTransform> rig(TEST_SOLIDS);
  CopyPartPositions(t.rig, rig.data());
  EXPECT_TRUE(SameTransforms(f0, rig.data(), TEST_SOLIDS));
  EXPECT_NE(f0[LEG].rotation.m[4], 65536) << "the leg turned";
  // The other leg is the mirror image.
  EXPECT_EQ(f0[LEG + 1].translation.x, -f0[LEG].translation.x);
  EXPECT_EQ(f0[LEG + 1].rotation.m[4], f0[LEG].rotation.m[4]);
  EXPECT_EQ(f0[LEG + 1].rotation.m[1], -f0[LEG].rotation.m[1]);
  // Frame 3 is frame 0 mirrored: each leg holds its twin's mirror.
  const FixedTransform* f3 = t.animation.frames[3].transforms;
  EXPECT_EQ(f3[LEG].translation.x, -f0[LEG + 1].translation.x);
  EXPECT_EQ(f3[LEG].rotation.m[5], f0[LEG + 1].rotation.m[5]);
  EXPECT_EQ(f3[TRUNK].translation.x, -f0[TRUNK].translation.x);
}

// A copy turns the selected solid about its joint whatever the last drag was: after a slide
// (which a locked parent refuses) a solid under a locked parent is still copied.
TEST(CopyToFrames, ALockedParentRefusesASlideButNotACopy) {
  TestEditor t(2);
  AnimEditor& e = t.editor;
  SetCurrentFrame(e, 0);
  e.selectedBone = FOREARM;
  const int parent = t.links.links[FOREARM].parent;
  ASSERT_GE(parent, 0);
  t.links.links[size_t(parent)].locked = 1;
  e.slideMode = 1;
  EXPECT_EQ(SlideBone(e, 0, -1), 0) << "a slide needs the parent free";
  ClearTempLock(e);
  ASSERT_EQ(PrepareCopyToFrames(e), 1);
  CopyToFrames(e, 0);
  EXPECT_EQ(e.keyActive, 0);
  EXPECT_EQ(e.undo.size(), 1u);
}

TEST(CopyToFrames, CarriedSolidsFollowTheReferenceInEveryFrame) {
  for (int operation : {0, 1})
    for (int flip : {0, 1}) {
      TestEditor t(4);
      AnimEditor& e = t.editor;
      e.autoCopyAndFlip = uint8_t(flip);
      // Each frame's forearm turned (about z, so that every row of a carried turn changes) and
      // moved its own way.
      for (int f = 0; f < 4; ++f) {
        FixedTransform& r = t.animation.frames[f].transforms[FOREARM];
        const double a = 0.3 * f;
        r.rotation.m[0] = int32_t(std::lround(std::cos(a) * 65536));
        r.rotation.m[1] = int32_t(std::lround(-std::sin(a) * 65536));
        r.rotation.m[3] = int32_t(std::lround(std::sin(a) * 65536));
        r.rotation.m[4] = int32_t(std::lround(std::cos(a) * 65536));
        r.translation.y += 6553 * f;
      }
      t.animation.frames[0].transforms[HAND].translation.y += 3000;  // the hand's pose to copy
      SetCurrentFrame(e, 0);
      e.selectedBone = operation == 0 ? FOREARM : HAND;
      ASSERT_EQ(PrepareCopyToFrames(e), 1);
      const BoneLink hand = t.links.links[HAND];
      CopyToFrames(e, operation);
      EXPECT_EQ(e.reference, FOREARM);
      EXPECT_EQ(e.keyActive, 0);
      const BoneLink& link = t.links.links[HAND];
      (void)hand;
      const int last = flip ? 1 : 3;  // with the flip, frames 2 and 3 are mirrors of 1 and 0
      for (int f = 0; f <= last; ++f) {
        const FixedTransform& r = t.animation.frames[f].transforms[FOREARM];
        float R[9];
        for (int k = 0; k < 9; ++k) R[k] = float(r.rotation.m[k]) / 65536.0f;
        const Vec3 offset = MatrixTimes(R, link.relPosition);
        const FixedTransform& h = t.animation.frames[f].transforms[HAND];
        EXPECT_EQ(h.translation.x, r.translation.x + FixedFromMetres(offset.x)) << operation << flip << f;
        EXPECT_EQ(h.translation.y, r.translation.y + FixedFromMetres(offset.y)) << operation << flip << f;
        EXPECT_EQ(h.translation.z, r.translation.z + FixedFromMetres(offset.z)) << operation << flip << f;
        // The hand's turn: the forearm's turn in that frame after the hand's own relative one.
        for (int row = 0; row < 3; ++row)
          for (int col = 0; col < 3; ++col) {
            double sum = 0.0;
            for (int k = 0; k < 3; ++k) sum += double(R[row * 3 + k]) * link.relRotation[k * 3 + col];
            EXPECT_NEAR(h.rotation.m[row * 3 + col], sum * 65536.0, 2.0) << operation << flip << f << row << col;
          }
      }
      if (flip) {
        const FixedTransform* f0 = t.animation.frames[0].transforms;
        const FixedTransform* f3 = t.animation.frames[3].transforms;
        EXPECT_EQ(f3[HAND + 1].translation.x, -f0[HAND].translation.x);
        EXPECT_EQ(f3[HAND + 1].translation.y, f0[HAND].translation.y);
      }
      EXPECT_EQ(e.undo.size(), 1u);
    }
}

// A carried solid keeps its turn relative to the reference: with the forearm unturned in the
// frame copied from, the hand's turn in each frame is that frame's forearm turn after the
// hand's own turn in the first frame (a quarter turn about x here, so that every column of
// the relative turn counts), and the first frame keeps the hand as it stood.
TEST(CopyToFrames, ACarriedSolidKeepsItsTurnRelativeToTheReference) {
  TestEditor t(3);
  AnimEditor& e = t.editor;
  for (int f = 0; f < 3; ++f) {
    FixedTransform& r = t.animation.frames[f].transforms[FOREARM];
    const double a = 0.4 * f;  // about z
    r.rotation = {};
    r.rotation.m[0] = int32_t(std::lround(std::cos(a) * 65536));
    r.rotation.m[1] = int32_t(std::lround(-std::sin(a) * 65536));
    r.rotation.m[3] = int32_t(std::lround(std::sin(a) * 65536));
    r.rotation.m[4] = int32_t(std::lround(std::cos(a) * 65536));
    r.rotation.m[8] = 65536;
  }
  // The hand in the first frame: a quarter turn about x (y to z, z to -y).
  const int32_t quarter[9] = {65536, 0, 0, 0, 0, -65536, 0, 65536, 0};
  std::copy(quarter, quarter + 9, t.animation.frames[0].transforms[HAND].rotation.m);
  SetCurrentFrame(e, 0);
  e.selectedBone = FOREARM;
  ASSERT_EQ(PrepareCopyToFrames(e), 1);
  CopyToFrames(e, 0);
  ASSERT_EQ(e.reference, FOREARM);
  for (int f = 0; f < 3; ++f) {
    const double a = 0.4 * f;
    const double R[9] = {std::cos(a), -std::sin(a), 0, std::sin(a), std::cos(a), 0, 0, 0, 1};
    const FixedTransform& h = t.animation.frames[f].transforms[HAND];
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col) {
        double want = 0.0;
        for (int k = 0; k < 3; ++k) want += R[row * 3 + k] * quarter[k * 3 + col];
        EXPECT_NEAR(h.rotation.m[row * 3 + col], want, 8.0) << "frame " << f << ", row " << row << ", column " << col;
      }
  }
}

// The frame shown sets the phase to its index over the intervals (frames - 1, or frames in a
// cyclic animation); an index outside the animation shows the rig at rest and phase 0.
TEST(FrameShown, ThePhaseIsTheIndexOverTheIntervalsAndAnIndexOutsideShowsTheRest) {
  TestEditor t(3);
  AnimEditor& e = t.editor;
  t.animation.frames[2].transforms[HAND].translation.x += 4000;
  const float plain[3] = {0.0f, 0.5f, 1.0f};
  for (int i = 0; i < 3; ++i) {
    SetCurrentFrame(e, i);
    EXPECT_EQ(CurrentFrameIndex(e), i);
    EXPECT_FLOAT_EQ(e.phase, plain[i]) << i;
  }
  EXPECT_EQ(t.rig.bones[HAND].position.x, t.animation.frames[2].transforms[HAND].translation.x);
  t.animation.flags = uint16_t(t.animation.flags | ANIMATION_CYCLIC);
  const float cyclic[3] = {0.0f, 1.0f / 3.0f, 2.0f / 3.0f};
  for (int i = 0; i < 3; ++i) {
    SetCurrentFrame(e, i);
    EXPECT_FLOAT_EQ(e.phase, cyclic[i]) << i;
  }
  BoneRig rest;
  t.skeleton.CreateBones(rest);
  for (int outside : {3, -1}) {
    SetCurrentFrame(e, 2);
    SetCurrentFrame(e, outside);
    EXPECT_EQ(e.currentFrame, nullptr) << outside;
    EXPECT_EQ(CurrentFrameIndex(e), -1);
    EXPECT_EQ(e.phase, 0.0f);
    EXPECT_EQ(t.rig.bones[HAND].position.x, rest.bones[HAND].position.x) << "at rest";
  }
  rest.Free();
  e.currentFrame = t.animation.frames + 3;
  EXPECT_EQ(CurrentFrameIndex(e), -1) << "one past the last frame is none";
  // Writing the rig into a frame outside the animation writes nothing.
  SetCurrentFrame(e, 0);
  t.rig.bones[HAND].position.x += 777;
  Animation kept;
  kept.Copy(t.animation, TEST_SOLIDS);
  WriteRigToFrame(e, 3);
  WriteRigToFrame(e, -1);
  for (int f = 0; f < 3; ++f) EXPECT_TRUE(SameTransforms(kept.frames[f].transforms, t.animation.frames[f].transforms, TEST_SOLIDS));
  t.animation.frames[2].time = 0.25f;
  WriteRigToFrame(e, 2);
  EXPECT_EQ(t.animation.frames[2].transforms[HAND].translation.x, t.rig.bones[HAND].position.x);
  EXPECT_EQ(t.animation.frames[2].time, 0.0f);
  kept.Free();
}


// A two-axis slide in the perspective view runs in the plane of its two axes: x and y (A+S)
// over the normal z, x and z (A+D) over y, y and z (S+D) over x.  A turn in a view of no width
// still gives a finite target.
TEST(Drag, ATwoAxisSlideTakesThePlaneOfItsAxesAndATurnInAViewOfNoWidthStaysFinite) {
  TestEditor t;
  AnimEditor& e = t.editor;
  e.view.eye = {0, -5 * 65536, 65536};
  const float look[9] = {1, 0, 0, 0, 0, 1, 0, 1, 0};
  std::copy(look, look + 9, e.view.orientation);
  e.view.scale = 1.0f;
  e.view.width = 640;
  e.view.height = 480;
  e.view.perspective = 1;
  e.selectedBone = FOREARM;
  e.slideMode = 1;
  struct Case { uint8_t mask; IntVector normal; };
  const Case cases[] = {{3, {0, 0, 65536}}, {5, {0, 65536, 0}}, {6, {65536, 0, 0}}};
  for (const Case& c : cases) {
    e.axisMask = c.mask;
    e.keyActive = 1;
    ASSERT_EQ(StartDrag(e, 0, 480), 1) << int(c.mask);  // the lower left corner: no plane grazed
    EXPECT_EQ(e.planeNormal.x, c.normal.x) << int(c.mask);
    EXPECT_EQ(e.planeNormal.y, c.normal.y) << int(c.mask);
    EXPECT_EQ(e.planeNormal.z, c.normal.z) << int(c.mask);
    EndDrag(e);
  }
  e.slideMode = 0;
  e.axisMask = 4;
  e.keyActive = 1;
  e.view.width = 0;
  e.pivot = t.rig.bones[UPPER_ARM].position;
  ASSERT_EQ(StartDrag(e, 0, 0), 1);
  MoveDrag(e, 3, 0);
  for (int k = 0; k < 9; ++k) EXPECT_TRUE(std::isfinite(e.targetOrientation[k])) << k;
  const Vec3 d = MetresBetween(e.targetPosition, e.pivot);
  EXPECT_TRUE(std::isfinite(d.x) && std::isfinite(d.y) && std::isfinite(d.z));
  EndDrag(e);
}


// Legs mirrored: each free or carried solid of a pair gives its twin its mirror image, held
// ones give nothing; a pair standing first in the rig (solids 0 and 1) mirrors like any other.
TEST(Mirrors, FreeAndCarriedSolidsGiveTheirTwinsTheirMirrorImage) {
  TestEditor t;
  AnimEditor& e = t.editor;
  t.skeleton.bones[0].flags |= SKELETON_BONE_SYMMETRICAL;  // trunk and head taken as one pair
  for (BoneLink& l : t.links.links) l.state = LINK_HELD;
  t.links.links[HEAD].state = LINK_FREE;
  t.links.links[HAND].state = LINK_CARRIED;
  t.rig.bones[HEAD].position = {1000, 2000, 3000};
  t.rig.bones[HAND].position = {4000, 5000, 6000};
  const float turned[9] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f};
  std::copy(turned, turned + 9, t.rig.bones[HAND].orientation);
  const int32_t legX = t.rig.bones[LEG + 1].position.x;
  MirrorLegs(e);
  // Mirrored across x = 0: the elements pairing x with another axis change sign, all nine set.
  const float mirrored[9] = {0.1f, -0.2f, -0.3f, -0.4f, 0.5f, 0.6f, -0.7f, 0.8f, 0.9f};
  for (int k = 0; k < 9; ++k) EXPECT_EQ(t.rig.bones[HAND + 1].orientation[k], mirrored[k]) << k;
  EXPECT_EQ(t.rig.bones[TRUNK].position.x, -1000) << "the first solid is a twin too";
  EXPECT_EQ(t.rig.bones[TRUNK].position.z, 3000);
  EXPECT_EQ(t.rig.bones[HAND + 1].position.x, -4000);
  EXPECT_EQ(t.rig.bones[HAND + 1].position.y, 5000);
  EXPECT_EQ(t.rig.bones[LEG + 1].position.x, legX) << "held: its twin keeps its place";
  t.skeleton.bones[0].flags &= ~SKELETON_BONE_SYMMETRICAL;
}


// With the copy and flip on, a copy from a frame of the second half goes into that half's
// frames and is mirrored into the first; from the middle frame it goes into every frame.
TEST(CopyToFrames, AFlippedCopyFromTheSecondHalfMirrorsIntoTheFirstAndTheMiddleGoesEverywhere) {
  for (const int frames : {4, 5}) {
    SCOPED_TRACE(frames);
    TestEditor t(frames);
    AnimEditor& e = t.editor;
    e.autoCopyAndFlip = 1;
    for (int f = 0; f < frames; ++f) t.animation.frames[f].transforms[FOREARM].translation.y += 6553 * f;
    t.animation.frames[2].transforms[HAND].translation.y += 3000;
    SetCurrentFrame(e, 2);
    e.selectedBone = FOREARM;
    ASSERT_EQ(PrepareCopyToFrames(e), 1);
    CopyToFrames(e, 0);
    const BoneLink& link = t.links.links[HAND];
    const int first = frames == 4 ? 2 : 0;
    for (int f = first; f < frames; ++f) {
      const FixedTransform& r = t.animation.frames[f].transforms[FOREARM];
      float R[9];
      for (int k = 0; k < 9; ++k) R[k] = float(r.rotation.m[k]) / 65536.0f;
      const Vec3 offset = MatrixTimes(R, link.relPosition);
      EXPECT_EQ(t.animation.frames[f].transforms[HAND].translation.y, r.translation.y + FixedFromMetres(offset.y)) << f;
    }
    if (frames == 4)
      for (int f = 2; f < 4; ++f) {
        const FixedTransform* from = t.animation.frames[f].transforms;
        const FixedTransform* to = t.animation.frames[3 - f].transforms;
        EXPECT_EQ(to[HAND + 1].translation.x, -from[HAND].translation.x) << f;
        EXPECT_EQ(to[HAND + 1].translation.y, from[HAND].translation.y) << f;
        EXPECT_EQ(to[FOREARM + 1].translation.y, from[FOREARM].translation.y) << f;
      }
    EXPECT_EQ(CurrentFrameIndex(e), 2);
  }
}

// After a flipped copy the rig shows the frame the copy came from again, not the last frame of
// the half it went into: the forearm, which the copy leaves alone, stands where frame 0 has it
// and not 6553 higher as in frame 1.
TEST(CopyToFrames, AFlippedCopyLeavesTheRigShowingTheFrameCopiedFrom) {
  TestEditor t(4);
  AnimEditor& e = t.editor;
  e.autoCopyAndFlip = 1;
  t.animation.frames[1].transforms[FOREARM].translation.y += 6553;
  const int32_t forearmY = t.animation.frames[0].transforms[FOREARM].translation.y;
  SetCurrentFrame(e, 0);
  e.selectedBone = FOREARM;
  ASSERT_EQ(PrepareCopyToFrames(e), 1);
  CopyToFrames(e, 0);
  ASSERT_EQ(CurrentFrameIndex(e), 0);
  EXPECT_EQ(t.rig.bones[FOREARM].position.y, forearmY);
  EXPECT_EQ(t.rig.bones[HAND].position.y, t.animation.frames[0].transforms[HAND].translation.y);
}


// The legs' mirroring at the end of a drag covers solids 6 to 13: solid 6 (here a hand) gives
// its twin its mirror image, solid 5 (a forearm) does not.  The root may be dragged; a bone
// past the rig may not; a view of no width gives no mouse ray.
TEST(Drag, TheLegsMirrorFromSolidSixAndTheRootMayBeDragged) {
  for (const int solid : {int(HAND), FOREARM + 1}) {
    SCOPED_TRACE(solid);
    TestEditor t(1);
    AnimEditor& e = t.editor;
    e.symmetricalLegs = 1;
    e.selectedBone = solid;
    e.slideMode = 0;
    e.axisMask = 1;
    e.keyActive = 1;
    e.view.width = 800;
    ASSERT_EQ(StartDrag(e, 0, 0), 1);
    const int twin = solid == HAND ? HAND + 1 : FOREARM;
    const int32_t twinX = t.rig.bones[twin].position.x;
    t.rig.bones[solid].position.x += 7000;
    FinishDrag(e);
    const FixedTransform* f0 = t.animation.frames[0].transforms;
    if (solid == HAND) {
      EXPECT_EQ(f0[twin].translation.x, -f0[solid].translation.x) << "mirrored";
    } else {
      EXPECT_EQ(f0[twin].translation.x, twinX) << "not a leg: its twin stays";
    }
  }
  TestEditor t(1);
  AnimEditor& e = t.editor;
  e.slideMode = 1;
  e.axisMask = 1;
  e.keyActive = 1;
  e.selectedBone = TEST_SOLIDS;
  EXPECT_EQ(StartDrag(e, 0, 0), 0);
  e.selectedBone = TRUNK;
  const float tilt[9] = {1, 0, 0, 0, std::cos(0.3f), -std::sin(0.3f), 0, std::sin(0.3f), std::cos(0.3f)};
  std::copy(tilt, tilt + 9, t.rig.bones[HEAD].orientation);  // the head tilted: a turn to carry
  ASSERT_EQ(StartDrag(e, 0, 0), 1) << "the root slides with everything carried";
  EXPECT_EQ(t.links.links[HEAD].state, LINK_CARRIED);
  // The step reads each carried solid's place in the dragged bone's axes from the pose entries.
  for (int k = 0; k < 9; ++k) EXPECT_EQ(e.pose[HEAD].relative[k], t.links.links[HEAD].relRotation[k]) << k;
  EXPECT_EQ(e.pose[HEAD].offset.z, t.links.links[HEAD].relPosition.z);
  EXPECT_EQ(e.heldBone, TRUNK);
  EndDrag(e);
  e.view.width = 0;
  IntVector hit;
  EXPECT_EQ(MouseRay(e, 0, 0, {0, 0, 0}, {0, 65536, 0}, hit), 0);
}


// A drag that cannot start leaves no drag, no highlight and no temporary parent lock behind:
// a slide refused after the keys prepared a turn (which locked the parent for it), and a drag
// over links that have no root.
TEST(Drag, ADragThatCannotStartLeavesNoTemporaryLock) {
  ReportRecorder recorder;
  TestEditor t;
  AnimEditor& e = t.editor;
  e.selectedBone = HEAD;
  e.autoLockParent = 1;
  e.slideMode = 0;
  ASSERT_EQ(SlideBone(e, 1, -1), 1);
  ASSERT_EQ(e.tempLocked, TRUNK);
  ASSERT_EQ(t.links.links[TRUNK].locked, 1u);
  // The head's parent, the trunk, holds the arms and legs too: no slide.
  e.slideMode = 1;
  e.axisMask = 1;
  e.keyActive = 1;
  EXPECT_EQ(StartDrag(e, 0, 0), 0);
  EXPECT_EQ(recorder.Reports().boxes.back(), "Can't slide - parent has more than one child|-");
  EXPECT_EQ(e.dragging, 0);
  EXPECT_EQ(e.highlighted, -1);
  EXPECT_EQ(e.tempLocked, -1);
  EXPECT_EQ(t.links.links[TRUNK].locked, 0u);

  e.slideMode = 0;
  ASSERT_EQ(SlideBone(e, 1, -1), 1);
  ASSERT_EQ(e.tempLocked, TRUNK);
  t.links.root = -1;
  EXPECT_EQ(StartDrag(e, 0, 0), 0);
  EXPECT_EQ(e.dragging, 0);
  EXPECT_EQ(e.highlighted, -1);
  EXPECT_EQ(e.tempLocked, -1);
  EXPECT_EQ(t.links.links[TRUNK].locked, 0u);
}

// Carried solids copied over a range reaching past both ends of the animation: every frame,
// and nothing outside it.
TEST(CopyToFrames, ARangePastBothEndsCoversEveryFrameAndNoMore) {
  TestEditor t(3);
  AnimEditor& e = t.editor;
  for (int f = 0; f < 3; ++f) t.animation.frames[f].transforms[FOREARM].translation.y += 6553 * (f + 1);
  SetCurrentFrame(e, 0);
  e.selectedBone = FOREARM;
  ASSERT_EQ(PrepareCopyToFrames(e), 1);
  ApplyCarriedToFrames(e, -5, 99);
  const BoneLink& link = t.links.links[HAND];
  for (int f = 0; f < 3; ++f) {
    const FixedTransform& r = t.animation.frames[f].transforms[FOREARM];
    float R[9];
    for (int k = 0; k < 9; ++k) R[k] = float(r.rotation.m[k]) / 65536.0f;
    const Vec3 offset = MatrixTimes(R, link.relPosition);
    EXPECT_EQ(t.animation.frames[f].transforms[HAND].translation.y, r.translation.y + FixedFromMetres(offset.y)) << f;
  }
  EndDrag(e);
}


// A copy that cannot run leaves nothing prepared: no bone selected, the root asked to copy
// relative to a parent it does not have, or a bone past the links.
TEST(CopyToFrames, ACopyThatCannotRunLeavesNothingPrepared) {
  ReportRecorder recorder;
  TestEditor t(2);
  AnimEditor& e = t.editor;
  SetCurrentFrame(e, 0);
  e.selectedBone = -1;
  e.highlighted = 3;
  EXPECT_EQ(PrepareCopyToFrames(e), 0);
  EXPECT_EQ(e.keyActive, 0);
  EXPECT_EQ(e.highlighted, -1);
  e.selectedBone = TRUNK;
  ASSERT_EQ(PrepareCopyToFrames(e), 1);
  Animation before;
  before.Copy(t.animation, TEST_SOLIDS);
  CopyToFrames(e, 1);
  EXPECT_EQ(e.keyActive, 0);
  EXPECT_EQ(e.highlighted, -1);
  for (int f = 0; f < 2; ++f) EXPECT_TRUE(SameTransforms(before.frames[f].transforms, t.animation.frames[f].transforms, TEST_SOLIDS));
  // A selected bone one past the bone links is no bone: the copy is refused, no undo kept.
  const size_t undos = e.undo.size();
  e.selectedBone = t.links.count;
  recorder.Reports().boxes.clear();
  CopyToFrames(e, 0);
  EXPECT_EQ(e.undo.size(), undos);
  EXPECT_EQ(recorder.Reports().boxes, std::vector<std::string>{"No frame selected|-"}) << "the refusal is shown";
  for (int f = 0; f < 2; ++f) EXPECT_TRUE(SameTransforms(before.frames[f].transforms, t.animation.frames[f].transforms, TEST_SOLIDS));
  // No frame shown: nothing is prepared, and the user is told why.
  e.selectedBone = TRUNK;
  SetCurrentFrame(e, -1);
  recorder.Reports().boxes.clear();
  EXPECT_EQ(PrepareCopyToFrames(e), 0);
  EXPECT_EQ(e.keyActive, 0);
  EXPECT_EQ(recorder.Reports().boxes, std::vector<std::string>{"No frame selected|-"});
  before.Free();
}

}  // namespace

// A turn locks the dragged bone's parent for the drag only: the forearm's parent, the upper
// arm, is locked while the forearm turns and free again once the drag ends.
TEST(Drag, TheParentLockedForATurnIsFreedWhenTheDragEnds) {
  TestEditor t;
  AnimEditor& e = t.editor;
  e.autoLockParent = 1;
  e.selectedBone = FOREARM;
  e.slideMode = 0;
  e.axisMask = 1;
  e.keyActive = 1;
  e.view.width = 800;
  ASSERT_EQ(t.links.links[FOREARM].parent, UPPER_ARM);
  ASSERT_EQ(t.links.links[UPPER_ARM].locked, 0);
  ASSERT_EQ(StartDrag(e, 0, 0), 1);
  EXPECT_EQ(t.links.links[UPPER_ARM].locked, 1);
  EXPECT_EQ(e.tempLocked, UPPER_ARM);
  EndDrag(e);
  EXPECT_EQ(t.links.links[UPPER_ARM].locked, 0);
  EXPECT_EQ(e.tempLocked, -1);
  EXPECT_EQ(e.dragging, 0);
}
