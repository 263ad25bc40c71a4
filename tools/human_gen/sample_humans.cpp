// sample_humans.cpp - our skeleton, figures, helmet and the human system file they make.
#include "tools/human_gen/sample_humans.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/data_file.h"
#include "core/fixed_math.h"
#include "model/model_file.h"
#include "tools/model_gen/model_builder.h"
#include "vehicle_data/vehicle_class.h"

namespace {

constexpr double PI = 3.14159265358979323846;

struct BoneShape {
  const char* name;
  bool symmetrical;
  double x, y, z;     // rest position (the right twin for symmetrical bones), m
  double hx, hy, hz;  // half extents, m
  bool large;         // kept at level 1
  uint32_t colour;
};
// A standing figure, feet on the ground at the origin, facing +y.
// The legs' four main bones come right after the trunk and head, so that their solids are
// 6 to 13, the range the animation editor's "symmetrical legs" mirrors.
constexpr BoneShape BONES[SAMPLE_SKELETON_BONES] = {
    {"pelvis", false, 0, 0, 0.95, 0.16, 0.10, 0.08, true, 0x3050A0},
    {"waist", false, 0, 0, 1.10, 0.14, 0.09, 0.07, true, 0x3050A0},
    {"chest", false, 0, 0, 1.30, 0.18, 0.11, 0.12, true, 0x3050A0},
    {"neck", false, 0, 0, 1.50, 0.05, 0.05, 0.05, false, 0xA0B4DC},
    {"head", false, 0, 0.01, 1.65, 0.09, 0.11, 0.11, true, 0xA0B4DC},
    {"jaw", false, 0, 0.04, 1.56, 0.05, 0.05, 0.03, false, 0xA0B4DC},
    {"thigh", true, 0.09, 0, 0.68, 0.07, 0.07, 0.20, true, 0x3050A0},
    {"knee", true, 0.09, 0.01, 0.47, 0.05, 0.05, 0.03, false, 0x3050A0},
    {"shin", true, 0.09, 0, 0.27, 0.05, 0.05, 0.18, true, 0x3050A0},
    {"foot", true, 0.09, 0.05, 0.04, 0.05, 0.10, 0.04, true, 0x202020},
    {"hip", true, 0.09, 0, 0.90, 0.06, 0.06, 0.04, false, 0x3050A0},
    {"toes", true, 0.09, 0.17, 0.02, 0.05, 0.03, 0.02, false, 0x202020},
    {"clavicle", true, 0.10, 0, 1.42, 0.08, 0.04, 0.03, false, 0x3050A0},
    {"upper_arm", true, 0.24, 0, 1.28, 0.05, 0.05, 0.14, true, 0x3050A0},
    {"forearm", true, 0.24, 0, 1.02, 0.04, 0.04, 0.12, true, 0x3050A0},
    {"wrist", true, 0.24, 0, 0.88, 0.03, 0.02, 0.02, false, 0xA0B4DC},
    {"palm", true, 0.24, 0, 0.82, 0.04, 0.015, 0.045, false, 0xA0B4DC},
    {"thumb", true, 0.22, 0.03, 0.82, 0.012, 0.012, 0.03, false, 0xA0B4DC},
    {"fingers", true, 0.24, 0, 0.74, 0.04, 0.012, 0.04, false, 0xA0B4DC},
};
// Parent and child bone of each joint; hinges (elbows, knees, jaw, fingers, toes) bend one
// way only.
struct JointShape {
  int a, b;
  bool hinge;
};
constexpr JointShape JOINTS[] = {{0, 1, false},   {1, 2, false},   {2, 3, false},   {3, 4, false},   {4, 5, true},
                                 {2, 12, false},  {12, 13, false}, {13, 14, true},  {14, 15, false}, {15, 16, false},
                                 {16, 17, false}, {16, 18, true},  {0, 10, false},  {10, 6, false},  {6, 7, true},
                                 {7, 8, true},    {8, 9, false},   {9, 11, true}};

int32_t Fixed(double metres) { return Metres(metres); }

// The figures: suit colour, scale of the body's width and height.
struct FigureShape {
  const char* name;
  ColourWord suit;
  double width, height;
  uint32_t flags;  // HUMAN_MODEL_ bits: the driver is of kind 0, the co-driver of kind 1
  float value;
};
constexpr FigureShape FIGURES[SAMPLE_FIGURE_COUNT] = {
    {"driver", 0xB43C28, 1.00, 1.00, HUMAN_MODEL_USABLE, 1.0f},
    {"co_driver", 0x285AB4, 0.95, 0.97, HUMAN_MODEL_USABLE | HUMAN_MODEL_KIND_1, 0.97f},
    {"marshal", 0x1E8CF0, 1.05, 1.00, 0, 1.0f},    {"spectator_a", 0x3C8C3C, 1.10, 0.96, 0, 0.96f},
    {"spectator_b", 0x8C3C8C, 0.92, 1.03, 0, 1.03f}, {"mechanic", 0x505050, 1.02, 0.99, 0, 0.99f},
};

CutoutMaterial Matt() { return CutoutMaterial{ALPHA_SOLID, ENV_MATT, SHINE_NONE, 0, {255, 255, 255}, 0}; }

// A box of half extents h at centre c, every point following the solid.
void AddBox(ModelBuilder& b, int solid, const double c[3], const double h[3]) {
  int p[8];
  for (int i = 0; i < 8; ++i) {
    p[i] = b.Point(c[0] + (i & 1 ? h[0] : -h[0]), c[1] + (i & 2 ? h[1] : -h[1]), c[2] + (i & 4 ? h[2] : -h[2]));
    b.points[size_t(p[i])].bone = uint8_t(solid);
  }
  const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {1, 3, 7, 5}, {0, 4, 6, 2}};
  for (const int* f : faces) b.Quad(p[f[0]], p[f[1]], p[f[2]], p[f[3]]);
}

void Name(ModelObject& o, const char* name) {
  std::memset(o.name, 0, sizeof o.name);
  std::strncpy(o.name, name, sizeof o.name - 1);
  std::memset(o.layerNames, 0, sizeof o.layerNames);
  std::strcpy(o.layerNames[0], "main");
}

}  // namespace

void BuildSampleSkeleton(Skeleton& s) {
  s.Init();
  s.density = 1000.0f;
  s.boneCount = SAMPLE_SKELETON_BONES;
  s.bones = new SkeletonBone[SAMPLE_SKELETON_BONES]();
  for (int i = 0; i < SAMPLE_SKELETON_BONES; ++i) {
    const BoneShape& shape = BONES[i];
    SkeletonBone& b = s.bones[i];
    b.flags = shape.symmetrical ? SKELETON_BONE_SYMMETRICAL : 0;
    if (i == 0) b.flags |= SKELETON_BONE_ANCHOR;
    b.halfExtent[0] = float(shape.hx);
    b.halfExtent[1] = float(shape.hy);
    b.halfExtent[2] = float(shape.hz);
    b.position[0] = Fixed(shape.x);
    b.position[1] = Fixed(shape.y);
    b.position[2] = Fixed(shape.z);
    b.colour = shape.colour;
  }
  s.jointCount = int32_t(sizeof JOINTS / sizeof JOINTS[0]);
  s.joints = new SkeletonJoint[size_t(s.jointCount)]();
  for (int j = 0; j < s.jointCount; ++j) {
    const JointShape& shape = JOINTS[j];
    SkeletonJoint& joint = s.joints[j];
    joint.type = shape.hinge ? SKELETON_JOINT_HINGE : 0;
    joint.flags = BONES[shape.b].symmetrical ? SKELETON_JOINT_SYMMETRICAL : 0;
    joint.boneA = shape.a;
    joint.boneB = shape.b;
    for (int k = 0; k < 3; ++k) joint.position[k] = (s.bones[shape.a].position[k] + s.bones[shape.b].position[k]) / 2;
    if (BONES[shape.b].symmetrical && !BONES[shape.a].symmetrical) joint.position[0] = s.bones[shape.b].position[0];
    joint.limitA = shape.hinge ? 120.0f : 45.0f;
    joint.limitB = shape.hinge ? 5.0f : 30.0f;
  }
  // Every movement and the pose hold the figure at rest, one frame each.
  BoneRig rig;
  s.CreateBones(rig);
  const int solids = rig.boneCount;
  auto restAnimation = [&](Animation& a, uint16_t flags) {
    a.flags = flags;
    a.scale = 1.0f;
    a.frameCount = 1;
    a.frames = new AnimationFrame[1]();
    a.frames[0].transforms = new FixedTransform[size_t(solids)];
    CopyPartPositions(rig, a.frames[0].transforms);
  };
  for (int m = 0; m < MOVEMENT_COUNT; ++m) restAnimation(s.movements[m], m == 1 || m == 2 ? ANIMATION_CYCLIC : 0);
  s.poseCount = 1;
  s.poses = new Pose[1];
  s.poses[0].flags = POSE_STANDING;
  s.poses[0].seatings = ALL_SEATINGS;
  std::strcpy(s.poses[0].name, "stand");
  restAnimation(s.poses[0].low, 0);
  rig.Free();
}

// ---- Driver animations ----

namespace {

// The bones of the table above the driver's posture moves.
enum SampleBone { WAIST = 1, CHEST, NECK, HEAD, JAW, THIGH, KNEE, SHIN, FOOT, HIP, TOES, CLAVICLE, UPPER_ARM, FOREARM,
                  WRIST, PALM, THUMB, FINGERS };
const std::initializer_list<int> UPPER_BODY = {WAIST, CHEST, NECK, HEAD, JAW, CLAVICLE, UPPER_ARM, FOREARM, WRIST,
                                               PALM, THUMB, FINGERS};
const std::initializer_list<int> LEG = {THIGH, KNEE, SHIN, FOOT, TOES};
const std::initializer_list<int> LOWER_LEG = {SHIN, FOOT, TOES};
const std::initializer_list<int> ARM = {UPPER_ARM, FOREARM, WRIST, PALM, THUMB, FINGERS};
const std::initializer_list<int> FOREARM_AND_HAND = {FOREARM, WRIST, PALM, THUMB, FINGERS};

// The standing figure's joints the posture turns about (the right side's), m.
constexpr Vec3 HIP_JOINT = {0.09f, 0.0f, 0.85f}, SHOULDER_JOINT = {0.24f, 0.0f, 1.40f};
constexpr float PELVIS_HEIGHT = 0.95f;
constexpr float THIGH_LENGTH = 0.38f, SHIN_LENGTH = 0.39f;   // hip to knee, knee to ankle
constexpr float UPPER_ARM_LENGTH = 0.26f, FOREARM_LENGTH = 0.32f;  // shoulder to elbow, elbow to palm
constexpr double MOST_HAND_TURN = PI / 2;  // the hands follow the wheel a quarter turn at most

// How a posture places the body, the legs and the elbows; angles in radians.
struct PostureShape {
  double lean;       // the trunk's lean forward from upright about the hips (back when negative)
  float legLift;     // the legs raised at the hips, m: the thighs lie on the seat's cushion
  double thighRise;  // the thighs' rise from level toward the knees
  double shinDrop;   // the shins' direction below level forward (past a quarter turn: folded back)
  double ankle;      // the feet turned up at the ankles
  double shinOut;    // the shins swung out about the thighs
  double splay;      // the knees turned out from the hips
  Vec3 elbowPole;    // the way the elbows point, the right arm's
};
const PostureShape POSTURES[DRIVER_POSTURE_COUNT] = {
    // seated: upright but for a little lean back, the legs out over the floor to the pedals
    {-PI / 18, 0.09f, PI / 18, PI / 18, 0.0, 0.0, PI / 45, {0.5f, -0.2f, -1.0f}},
    // kart: lying back, the legs straight out to the pedals in the nose
    {-PI * 5 / 36, 0.09f, PI / 22, PI / 30, 0.0, 0.0, PI / 30, {0.7f, 0.0f, -1.0f}},
    // bike: leaning forward to the bars, the knees at the tank, the feet back on the pegs
    {PI * 2 / 9, 0.06f, PI / 36, PI * 5 / 6, PI / 3, PI * 5 / 36, PI / 12, {1.0f, 0.0f, -0.6f}},
};

enum Sides { RIGHT_SIDE = 1, LEFT_SIDE = 2, BOTH_SIDES = 3 };

Vec3 Mirrored(const Vec3& v) { return {-v.x, v.y, v.z}; }
// The axis of the mirror image of a turn about axis (an axial vector: its mirror is negated).
Vec3 MirroredAxis(const Vec3& a) { return {a.x, -a.y, -a.z}; }
Vec3 Normalised(const Vec3& v) { return v * float(1.0 / std::sqrt(double(LengthSquared(v)))); }

// A point turned by angle about axis through pivot.
Vec3 Turned(const Vec3& point, const Vec3& pivot, const Vec3& axis, double angle) {
  float r[9];
  MatrixFromAxisAngleF(r, axis.x, axis.y, axis.z, float(angle));
  return MatrixTimes(r, point - pivot) + pivot;
}

Vec3 Metric(const IntVector& v) { return {float(v.x / 65536.0), float(v.y / 65536.0), float(v.z / 65536.0)}; }

// The solid of a bone on a side (a bone on the centre plane has its one solid on the right).
Bone* SolidOn(const Skeleton& s, BoneRig& rig, int bone, int side) {
  const bool twins = s.bones[bone].flags & SKELETON_BONE_SYMMETRICAL;
  if (side == LEFT_SIDE && !twins) return nullptr;
  return &rig.bones[size_t(s.SolidOf(bone, side == LEFT_SIDE))];
}

// A bone's centre on a side in the right side's terms (the left's mirrored across the centre
// plane).
Vec3 CentreOn(const Skeleton& s, BoneRig& rig, int bone, int side) {
  const Vec3 p = Metric(SolidOn(s, rig, bone, side)->position);
  return side == LEFT_SIDE ? Mirrored(p) : p;
}

// The solids of bones turned by angle about axis through pivot, given in the right side's
// terms: on the right as given, on the left as its mirror image.
void TurnSolids(const Skeleton& s, BoneRig& rig, std::initializer_list<int> bones, int sides, const Vec3& pivot,
                const Vec3& axis, double angle) {
  for (const int side : {RIGHT_SIDE, LEFT_SIDE}) {
    if (!(sides & side)) continue;
    float r[9];
    const Vec3 u = side == LEFT_SIDE ? MirroredAxis(axis) : axis;
    MatrixFromAxisAngleF(r, u.x, u.y, u.z, float(angle));
    const Vec3 p = side == LEFT_SIDE ? Mirrored(pivot) : pivot;
    for (const int bone : bones) {
      Bone* b = SolidOn(s, rig, bone, side);
      if (!b) continue;
      const Vec3 moved = MatrixTimes(r, Metric(b->position) - p) + p;
      b->position = {Fixed(moved.x), Fixed(moved.y), Fixed(moved.z)};
      float m[9];
      for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
          m[i * 3 + j] = r[i * 3] * b->orientation[j] + r[i * 3 + 1] * b->orientation[3 + j] +
                         r[i * 3 + 2] * b->orientation[6 + j];
      std::copy(m, m + 9, b->orientation);
    }
  }
}

// The solids of bones (every side) moved by offset.
void MoveSolids(const Skeleton& s, BoneRig& rig, std::initializer_list<int> bones, const Vec3& offset) {
  for (const int bone : bones)
    for (const int side : {RIGHT_SIDE, LEFT_SIDE})
      if (Bone* b = SolidOn(s, rig, bone, side)) {
        b->position.x += Fixed(offset.x);
        b->position.y += Fixed(offset.y);
        b->position.z += Fixed(offset.z);
      }
}

// The solids of bones on a side turned about pivot so that the direction from it to the
// solid of bone `along` becomes the direction to target; in the right side's terms.
void Aim(const Skeleton& s, BoneRig& rig, std::initializer_list<int> bones, int side, const Vec3& pivot, int along,
         const Vec3& target) {
  const Vec3 from = Normalised(CentreOn(s, rig, along, side) - pivot), to = Normalised(target - pivot);
  const Vec3 axis = Cross(from, to);
  const double sine = std::sqrt(double(LengthSquared(axis))), cosine = Dot(from, to);
  if (sine < 1e-6) return;
  TurnSolids(s, rig, bones, side, pivot, axis * float(1.0 / sine), std::atan2(sine, cosine));
}

// The arm of a side reaching its palm to target from its shoulder, the elbow bent toward the
// pole; in the right side's terms.
void Reach(const Skeleton& s, BoneRig& rig, int side, const Vec3& shoulder, const Vec3& target, const Vec3& pole) {
  const double a = UPPER_ARM_LENGTH, b = FOREARM_LENGTH;
  const double length = std::clamp(std::sqrt(double(LengthSquared(target - shoulder))), std::fabs(a - b) + 1e-3,
                                   a + b - 1e-3);
  const Vec3 u = Normalised(target - shoulder);
  const Vec3 v = Normalised(pole - u * Dot(pole, u));
  const double bend = std::acos((a * a + length * length - b * b) / (2 * a * length));
  const Vec3 elbow = shoulder + (u * float(std::cos(bend)) + v * float(std::sin(bend))) * float(a);
  Aim(s, rig, ARM, side, shoulder, UPPER_ARM, elbow);
  Aim(s, rig, FOREARM_AND_HAND, side, elbow, PALM, target);
}

}  // namespace

std::vector<DriverAnimationSet> DriverAnimationSets() {
  std::vector<DriverAnimationSet> sets;
  const auto add = [&sets](const ClassStart& c, DriverPosture posture) {
    if (!c.animation) return;
    for (const DriverAnimationSet& set : sets)
      if (std::strcmp(set.name, c.animation) == 0) return;
    sets.push_back({c.animation, c.steeringTurn, c.steeringPitch, posture});
  };
  constexpr float WHEELBASE = 2.5f;  // the sets do not depend on it
  for (int k = 0; k < VEHICLE_CLASS_COUNT; ++k)
    add(ClassStartOf(k, 2, 2, WHEELBASE), k == CLASS_KART ? POSTURE_KART : POSTURE_SEATED);
  add(ClassStartOf(CLASS_BIKE, 1, 1, WHEELBASE), POSTURE_BIKE);
  return sets;
}

void PoseSampleDriver(Skeleton& s, BoneRig& rig, const DriverAnimationSet& set, float steer) {
  s.UpdateBones(rig);
  const PostureShape& p = POSTURES[set.posture];
  const Vec3 X = {1, 0, 0}, Z = {0, 0, 1};
  // The whole figure moved so that its pelvis sits at the seated hip point; the trunk leans
  // about it.
  const Vec3 move = {0.0f, SEATED_HIP_FORWARD, SEATED_HIP_UP - PELVIS_HEIGHT};
  for (int i = 0; i < rig.boneCount; ++i) {
    rig.bones[size_t(i)].position.y += Fixed(move.y);
    rig.bones[size_t(i)].position.z += Fixed(move.z);
  }
  const Vec3 hips = {0.0f, SEATED_HIP_FORWARD, SEATED_HIP_UP};
  TurnSolids(s, rig, UPPER_BODY, BOTH_SIDES, hips, X, -p.lean);
  // The legs raised onto the cushion and turned forward at the hips, the shins at the knees
  // and the feet at the ankles, the shins swung out about the thighs and the knees turned out.
  MoveSolids(s, rig, LEG, {0.0f, 0.0f, p.legLift});
  const Vec3 hip = HIP_JOINT + move + Vec3{0.0f, 0.0f, p.legLift};
  TurnSolids(s, rig, LEG, BOTH_SIDES, hip, X, PI / 2 + p.thighRise);
  const Vec3 thigh = {0.0f, float(std::cos(p.thighRise)), float(std::sin(p.thighRise))};
  const Vec3 knee = hip + thigh * THIGH_LENGTH;
  TurnSolids(s, rig, LOWER_LEG, BOTH_SIDES, knee, X, -(p.thighRise + p.shinDrop));
  const Vec3 ankle = knee + Vec3{0.0f, float(std::cos(p.shinDrop)), float(-std::sin(p.shinDrop))} * SHIN_LENGTH;
  TurnSolids(s, rig, {FOOT, TOES}, BOTH_SIDES, ankle, X, p.ankle);
  TurnSolids(s, rig, LOWER_LEG, BOTH_SIDES, knee, thigh, -p.shinOut);
  TurnSolids(s, rig, LEG, BOTH_SIDES, hip, Z, -p.splay);
  // The palms on the rim or the grips, which turn about the column (leaning back by its
  // pitch through the grips' middle) with the steer.
  const DriverGrip& grip = DRIVER_GRIPS[set.posture];
  const Vec3 middle = {0.0f, grip.forward, grip.up};
  const Vec3 column = {0.0f, float(-std::sin(set.columnPitch)), float(std::cos(set.columnPitch))};
  const double turn = -steer * std::min(double(set.wheelTurnDegrees) * PI / 180.0, MOST_HAND_TURN);
  const Vec3 shoulder = Turned(SHOULDER_JOINT + move, hips, X, -p.lean);
  for (const int side : {RIGHT_SIDE, LEFT_SIDE}) {
    const Vec3 hand = Turned(middle + Vec3{side == RIGHT_SIDE ? grip.halfWidth : -grip.halfWidth, 0.0f, 0.0f}, middle,
                             column, turn);
    Reach(s, rig, side, shoulder, side == LEFT_SIDE ? Mirrored(hand) : hand, p.elbowPole);
  }
}

void BuildDriverAnimations(const DriverAnimationSet& set, Animation& sit, Animation& steer) {
  Skeleton s;
  BuildSampleSkeleton(s);
  BoneRig rig;
  s.CreateBones(rig);
  PoseSampleDriver(s, rig, set, 0.0f);
  sit.Init(rig);
  steer.Init(rig);
  steer.InsertFrame(0, rig.boneCount);
  steer.InsertFrame(1, rig.boneCount);
  const float locks[3] = {-1.0f, 0.0f, 1.0f};
  for (int f = 0; f < 3; ++f) {
    PoseSampleDriver(s, rig, set, locks[f]);
    CopyPartPositions(rig, steer.frames[f].transforms);
    steer.frames[f].time = 0.0f;
  }
  steer.flags = 0;
  steer.scale = float(set.wheelTurnDegrees * PI / 180.0);
  rig.Free();
  s.Free();
}

uint32_t SampleFigureFlags(int k) { return FIGURES[k].flags; }
float SampleFigureValue(int k) { return FIGURES[k].value; }

void BuildSampleFigure(int k, ModelObject& o) {
  const FigureShape& figure = FIGURES[k];
  Name(o, figure.name);
  o.lodCount = 2;
  ModelBuilder b;
  const int page = b.Page(PAGE_FIXED, SAMPLE_FIGURE_PAGE);
  const int cloth = b.AddCutout("cloth", page, 128, 128, 0, 0, Matt());
  const int suit = b.AddMapping("suit", cloth, cloth, DIRECTION_FRONT, 0.6, 1.8, figure.suit, 0, 0, 0.9);
  const int skin = b.AddMapping("skin", cloth, cloth, DIRECTION_FRONT, 0.6, 1.8, 0xA0B4DC, 0, 0, 0.9);
  const int boots = b.AddMapping("boots", cloth, cloth, DIRECTION_TOP, 0.4, 0.4, 0x202020, 0, 0, 0.1);
  int solid = 0;
  for (const BoneShape& shape : BONES) {
    for (int twin = 0; twin < (shape.symmetrical ? 2 : 1); ++twin, ++solid) {
      const double side = twin ? -1.0 : 1.0;
      const double centre[3] = {side * shape.x * figure.width, shape.y, shape.z * figure.height};
      const double half[3] = {shape.hx * figure.width, shape.hy * figure.width, shape.hz * figure.height};
      b.mapping = shape.colour == 0xA0B4DC ? skin : shape.colour == 0x202020 ? boots : suit;
      b.lod = 0;
      AddBox(b, solid, centre, half);
      if (shape.large) {
        b.lod = 1;
        AddBox(b, solid, centre, half);
      }
    }
  }
  b.Into(o);
  o.lodDistances[0] = Fixed(20.0);
  o.lodDistances[1] = Fixed(80.0);
}

void BuildSampleHelmet(ModelObject& o) {
  Name(o, "helmet");
  o.lodCount = 2;
  ModelBuilder b;
  const int page = b.Page(PAGE_SKIN, "");  // a skin page takes the skin being drawn: no name of its own
  const int shell = b.AddCutout("shell", page, 128, 128, 0, 0,
                                CutoutMaterial{ALPHA_SOLID, ENV_C_SHINE, SHINE_PAINT, 0, {255, 255, 255}, 0});
  b.mapping = b.AddMapping("paint", shell, shell, DIRECTION_TOP, 0.30, 0.32, 0xC8C8C8, 0, 0, 0.15);
  // A dome of rings from the crown down to the rim, 13 cm wide, 15 cm long and 14 cm high.
  for (int level = 0; level < 2; ++level) {
    const int segments = level ? 8 : 12, rings = level ? 3 : 5;
    b.lod = level;
    const int crown = b.Point(0, 0, 0.14);
    std::vector<int> previous;
    for (int r = 1; r <= rings; ++r) {
      const double polar = (PI * 0.6) * r / rings;
      std::vector<int> ring;
      for (int s = 0; s < segments; ++s) {
        const double a = 2 * PI * s / segments;
        ring.push_back(b.Point(0.13 * std::sin(polar) * std::cos(a), 0.15 * std::sin(polar) * std::sin(a),
                               0.14 * std::cos(polar)));
      }
      for (int s = 0; s < segments; ++s) {
        const int n = (s + 1) % segments;
        if (previous.empty()) b.Triangle(crown, ring[size_t(n)], ring[size_t(s)]);
        else b.Quad(previous[size_t(s)], previous[size_t(n)], ring[size_t(n)], ring[size_t(s)]);
      }
      previous = ring;
    }
  }
  b.Into(o);
  o.lodDistances[0] = Fixed(15.0);
  o.lodDistances[1] = Fixed(60.0);
}

std::vector<uint8_t> HumanSystemFileImage(const HumanModel* models, int modelCount, const Skeleton* skeletons,
                                          int skeletonCount) {
  const std::vector<uint8_t> body = MemoryWriteBody([&](DataFile& f) {
    f.WriteInt(modelCount);
    for (int k = 0; k < modelCount; ++k) {
      f.WriteInt(int32_t(models[k].flags));
      f.WriteInt(int32_t(models[k].skeletonIndex));
      f.WriteFloat(models[k].value);
      WriteModelObject(models[k].model, f, 1, 1);
    }
    f.WriteInt(skeletonCount);
    for (int s = 0; s < skeletonCount; ++s) skeletons[s].Write(f);
  });
  return body.empty() ? body : DataFileImage(HUMAN_SYSTEM_MAGIC, body, HUMAN_SYSTEM_VERSION);
}

std::vector<uint8_t> SampleHumanSystemFile() {
  HumanModel models[SAMPLE_FIGURE_COUNT] = {};
  for (int k = 0; k < SAMPLE_FIGURE_COUNT; ++k) {
    models[k].model.Init();
    BuildSampleFigure(k, models[k].model);
    models[k].flags = SampleFigureFlags(k);
    models[k].skeletonIndex = 0;
    models[k].value = SampleFigureValue(k);
  }
  Skeleton skeleton;
  BuildSampleSkeleton(skeleton);
  std::vector<uint8_t> image = HumanSystemFileImage(models, SAMPLE_FIGURE_COUNT, &skeleton, 1);
  skeleton.Free();
  for (HumanModel& m : models) m.model.Free();
  return image;
}
