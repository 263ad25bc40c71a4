// bone.cpp - bones, their rig and its 1 ms step, the bones' boxes drawn, and the rig's pose as
// 16.16 transforms.
//
// A joint is a stiff damped spring between its two anchor points, with two more springs that
// keep the bones' axes within the joint's swing and twist limits (a hinge keeps b's x axis on
// the joint's hinge axis instead).  Its gains follow the lighter bone's mass, so that a light
// bone on a heavy one stays stable at 1 ms.
#include "bone/bone.h"

#include <algorithm>
#include <cmath>

#include "core/frame_globals.h"
#include "render/oriented_box.h"
#include "solid/solid_hooks.h"

const FixedTransform* BoneModelTransform = nullptr;

namespace {

constexpr float JOINT_STIFFNESS = 20000.0f;  // x the lighter mass, N/m per kg
constexpr float JOINT_DAMPING = 100.0f;      // x the lighter mass / dt
constexpr float LIMIT_STIFFNESS = 1000.0f;   // x the lighter mass squared

Vec3 ColumnOf(const float m[9], int c) { return {m[c], m[3 + c], m[6 + c]}; }
float Length(const Vec3& v) { return std::sqrt(LengthSquared(v)); }
void MultiplyInto(const float a[9], const float b[9], float out[9]) {
  float r[9];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r[i * 3 + j] = a[i * 3] * b[j] + a[i * 3 + 1] * b[3 + j] + a[i * 3 + 2] * b[6 + j];
  std::copy(r, r + 9, out);
}

uint8_t ModeOf(const AnimEditor& editor, int bone) {
  return bone < static_cast<int>(editor.pose.size()) ? editor.pose[size_t(bone)].mode : uint8_t{BONE_FREE};
}

// A pushes with +f at its lever, b with -f at its own.
void PushApart(Bone& a, const Vec3& leverA, Bone& b, const Vec3& leverB, const Vec3& f) {
  a.force += f;
  a.torque += Cross(leverA, f);
  b.force -= f;
  b.torque -= Cross(leverB, f);
}

// The part of e beyond limit, as a force of gain k along e.
bool BeyondLimit(const Vec3& e, float limit, float k, Vec3& f) {
  const float length = Length(e);
  if (!(length > limit) || !(length > 0.0f)) return false;
  f = e * ((length - limit) * k / length);
  return true;
}

void JointForces(BoneJoint& j, float dt) {
  Bone& a = *j.a;
  Bone& b = *j.b;
  const float m = std::min(a.mass, b.mass);
  const float k = JOINT_STIFFNESS * m, c = JOINT_DAMPING * m / dt, K = LIMIT_STIFFNESS * m * m;
  const Vec3 ra = MatrixTimes(a.orientation, j.anchorA), rb = MatrixTimes(b.orientation, j.anchorB);
  const Vec3 pa = a.offset + ra, pb = b.offset + rb;
  const Vec3 s = (pb - pa) + MetresBetween(b.position, a.position);
  const Vec3 F = (s - j.lastSeparation) * c + s * k;
  j.lastSeparation = s;
  PushApart(a, ra, b, rb, F);

  const Vec3 ua = MatrixTimes(a.orientation, ColumnOf(j.frame, 2));
  const Vec3 zb = ColumnOf(b.orientation, 2);
  Vec3 f;
  if (BeyondLimit(s + zb - ua, j.swingLimit, K, f)) PushApart(a, ra + ua, b, rb + zb, f);

  const Vec3 h = MatrixTimes(a.orientation, ColumnOf(j.frame, 0));
  if (j.type == 1) {
    const Vec3 T = Cross(h, ColumnOf(b.orientation, 0)) * K;
    a.torque += T;
    b.torque -= T;
    return;
  }
  // The twist axis; none when b's z axis lies along the hinge axis.
  Vec3 w = Cross(zb, h);
  const float length = Length(w);
  if (!(length >= BONE_LEAST_TWIST_AXIS)) return;
  w = w * (1.0f / length);
  const Vec3 yb = ColumnOf(b.orientation, 1);
  if (BeyondLimit(s + yb - w, j.twistLimit, K, f)) PushApart(a, ra + w, b, rb + yb, f);
}

}  // namespace

Bone::Bone() {
  awake = 1;
  stiffness = BONE_STIFFNESS;
  grip = BONE_GRIP;
  damping = BONE_DAMPING;
  AllocateHull(BONE_HULL_POINTS, 0);
}

void BoneRig::Init() {
  boneCount = jointCount = 0;
  std::vector<Bone>().swap(bones);
  std::vector<BoneJoint>().swap(joints);
  stepsDone = runTime = 0;
}

void BoneRig::Allocate(int boneTotal, int jointTotal) {
  Free();
  boneCount = std::max(boneTotal, 0);
  jointCount = std::max(jointTotal, 0);
  std::vector<Bone>(size_t(boneCount)).swap(bones);  // made in place, never moved
  joints.assign(size_t(jointCount), BoneJoint{});
}

void BoneRig::Free() { Init(); }

// ---- [Stepping] ----

void Bone::Step(BoneRig& rig, const AnimEditor& editor) {
  rig.runTime += SimFrameTime;
  const float g = WorldLink.Gravity();
  while (rig.stepsDone < rig.runTime) {
    SimulateStep(rig, editor, BONE_STEP_SECONDS, editor.gravity ? g : 0.0f);
    ++rig.stepsDone;
  }
}

void Bone::SimulateStep(BoneRig& rig, const AnimEditor& editor, float dt, float g) {
  const int held = editor.heldBone >= 0 && editor.heldBone < rig.boneCount ? editor.heldBone : -1;
  // 1.
  for (Bone& b : rig.bones) {
    b.Integrate(dt, 0);
    if (held < 0) {
      b.FloorContacts();
      b.CheckGround();
    } else {
      for (int p = 0; p < b.pointCount; ++p) b.points[p].touching = 0;  // a dragged figure floats
    }
  }
  // 2. Free bones move on; bones fixed to the held one are carried with it.
  for (int i = 0; i < rig.boneCount; ++i) {
    Bone& b = rig.bones[size_t(i)];
    if (held < 0 || ModeOf(editor, i) == BONE_FREE) {
      Vec3 omega;
      b.AdvancePose(dt, omega);
    }
  }
  for (int i = 0; i < rig.boneCount; ++i) {
    Bone& b = rig.bones[size_t(i)];
    if (held >= 0 && i != held && ModeOf(editor, i) == BONE_FIXED_TO_HELD) {
      const Bone& H = rig.bones[size_t(held)];
      const BonePoseEntry& e = editor.pose[size_t(i)];
      MultiplyInto(H.orientation, e.relative, b.orientation);
      const IntVector d = FixedFromMetres(MatrixTimes(H.orientation, e.offset));
      b.position = {SaturatingAdd(H.position.x, d.x), SaturatingAdd(H.position.y, d.y),
                    SaturatingAdd(H.position.z, d.z)};
      b.offset = H.offset;  // moves as the held bone moves
    }
  }
  for (Bone& b : rig.bones) b.force = b.torque = {};
  // 3.
  for (BoneJoint& j : rig.joints) {
    if (!j.a || !j.b) continue;
    if (held >= 0) {
      const int ia = static_cast<int>(j.a - rig.bones.data()), ib = static_cast<int>(j.b - rig.bones.data());
      if (ModeOf(editor, ia) == BONE_FIXED_TO_HELD || ModeOf(editor, ib) == BONE_FIXED_TO_HELD) continue;
    }
    JointForces(j, dt);
  }
  // 4.
  for (int i = 0; i < rig.boneCount; ++i) {
    Bone& b = rig.bones[size_t(i)];
    b.CheckContact(dt);
    b.force.z += b.mass * g;
    if (i == held) {
      Vec3 d = MetresBetween(editor.targetPosition, b.position);
      const float reach = editor.targetRadius * 0.25f, length = Length(d);
      if (length > reach && length > 0.0f) d = d * (reach / length);
      for (int p = 0; p < b.pointCount; ++p) {
        const Vec3 local = b.points[p].local;
        const Vec3 w = b.offset + MatrixTimes(b.orientation, local);
        const Vec3 t = editor.ignoreTargetTurn ? Vec3{} : MatrixTimes(editor.targetOrientation, local);
        const Vec3 f = ((t + d) - w) * (b.mass * editor.dragGain);
        b.force += f;
        b.torque += Cross(w, f);
      }
    }
    for (int p = 0; p < b.pointCount; ++p) {
      const SolidPoint& q = b.points[p];
      if (q.contactState == 0) continue;
      b.force += q.contactForce;
      b.torque += Cross(q.anchor - b.offset, q.contactForce);
    }
    if (b.mass >= SOLID_LEAST_MASS) {
      b.velocity += b.force * (dt / b.mass);
      b.angularMomentum += b.torque * dt;
    }
  }
  if (held >= 0)
    for (Bone& b : rig.bones) {
      b.velocity = b.velocity * BONE_HELD_DECAY;
      b.angularMomentum = b.angularMomentum * BONE_HELD_DECAY;
    }
  // 5.
  for (Bone& b : rig.bones) b.Move();
}

// ---- [Drawing] ----

void Bone::DrawBox() const {
  FixedTransform own;
  MatrixFloatToFixed(orientation, own.rotation);
  own.translation = position;
  FixedTransform transform = own;
  if (BoneModelTransform) TransformCompose(*BoneModelTransform, own, transform);
  const OrientedBox box = {{0.0f, 0.0f, 0.0f}, {halfSize.x, halfSize.y, halfSize.z}, colour};
  DrawOrientedBox(box, transform);
}

// ---- [Poses] ----

void CopyPartPositions(const BoneRig& rig, FixedTransform* out) {
  for (int i = 0; i < rig.boneCount; ++i) {
    const Bone& b = rig.bones[size_t(i)];
    MatrixFloatToFixed(b.orientation, out[i].rotation);
    out[i].translation = b.position;
  }
}

FixedTransform* AllocPartPositions(const BoneRig& rig) {
  FixedTransform* out = new FixedTransform[size_t(std::max(rig.boneCount, 1))]();
  CopyPartPositions(rig, out);
  return out;
}

void BonePoseStore(BoneRig& rig, const FixedTransform* transforms) {
  for (int i = 0; i < rig.boneCount; ++i) {
    Bone& b = rig.bones[size_t(i)];
    for (int k = 0; k < 9; ++k) b.orientation[k] = static_cast<float>(transforms[i].rotation.m[k] / 65536.0);
    b.position = transforms[i].translation;
  }
}

void BonePoseApply(BoneRig& rig, const FixedTransform* a, const FixedTransform* b, float t) {
  // In double precision the blend of two 16.16 values is exact at both ends.
  const double w = t;
  const auto blend = [w](int32_t x, int32_t y) { return double(x) + (double(y) - double(x)) * w; };
  for (int i = 0; i < rig.boneCount; ++i) {
    Bone& bone = rig.bones[size_t(i)];
    for (int k = 0; k < 9; ++k)
      bone.orientation[k] = static_cast<float>(blend(a[i].rotation.m[k], b[i].rotation.m[k]) / 65536.0);
    const double p[3] = {blend(a[i].translation.x, b[i].translation.x), blend(a[i].translation.y, b[i].translation.y),
                         blend(a[i].translation.z, b[i].translation.z)};
    bone.position = {static_cast<int32_t>(std::nearbyint(p[0])), static_cast<int32_t>(std::nearbyint(p[1])),
                     static_cast<int32_t>(std::nearbyint(p[2]))};
  }
}
