// skeleton.h - a human figure's skeleton: boxes called bones, joints tying them together,
// eighteen standard movements and named poses; the animations they are made of; the skeleton
// body of the files (read and written field by field); and the rig of bone solids a skeleton
// makes, placed at rest.
//
// Sections: [Animations] [Poses] [Skeleton] [Rig] [Files]
//
// Layers: skeleton/ is the skeleton's data layer, over the editable model and
// the bones (bone/) only, so that the renderer's human models (loaded at start-up
// through human_system.h) can read skeletons below the vehicle editor's screens.
// Coordinates: x right, y forward, z up; positions 16.16; sizes in metres and angles in
// radians unless said otherwise.  Main thread only.
#pragma once
#include <cstdint>

#include "bone/bone.h"
#include "core/fixed_math.h"

struct DataFile;
struct Prss;

// ---- [Animations] ----
constexpr uint16_t ANIMATION_CYCLIC = 1;
// A frame count above this is a damaged file (the editor makes at most 32).
constexpr int ANIMATION_FRAME_LIMIT = 1024;
// The transforms the animations of one read may make (96 MB): a frame holds one transform
// per rig solid whatever the file stores, so a small damaged file could ask for far more
// memory than it holds.  Our figures need a few hundred.
constexpr int64_t ANIMATION_TRANSFORM_BUDGET = int64_t(1) << 21;
constexpr int TRANSFORM_BYTES = 48;         // a FixedTransform in a file
constexpr int ANIMATION_HEADER_BYTES = 12;  // flags, scale marker, reserved, scale, two counts

struct AnimationFrame {
  float time;
  FixedTransform* transforms;  // one per rig solid, owned

  // The source's time and its first solidCount transforms (made here when the frame has none).
  void Set(const AnimationFrame& source, int solidCount);
};

struct Animation {
  uint16_t flags = 0;
  uint16_t spare = 0;
  float scale = 1.0f;      // the whole length in its player's unit
  uint16_t frameCount = 0;
  uint16_t current = 0;
  AnimationFrame* frames = nullptr;  // owned

  // Every frame freed; flags 0, scale 1.0, no frames.
  void Free();
  // The rig as it stands: flags 0, scale 1.0, one frame of time 0 holding every rig solid's
  // present transform.  The animation is freed first.
  void Init(const BoneRig& rig);
  // Frees the animation and deletes it (one made with new); null does nothing.
  static void Delete(Animation* animation);
  // A deep copy of source (flags, spare, scale, every frame's time and solidCount transforms).
  void Copy(const Animation& source, int solidCount);
  // A copy of frame index right after it; an animation of c frames (c at least 2) has its
  // scale multiplied by c / (c - 1), so that one interval keeps its share.  A frame index
  // outside the animation does nothing.
  void InsertFrame(int index, int solidCount);
  // Frame index removed; with c' frames left (c' at least 2) the scale is multiplied by
  // (c' - 1) / c'.
  void DeleteFrame(int index, int solidCount);
};
// The intervals between frames: the frame count when cyclic, else one fewer.
int AnimationIntervals(const Animation& animation);
// The rig posed at phase 0..1 of the animation: t = phase x intervals, between frame
// floor(t) and the next (modulo the frame count) with weight t - floor(t).  An animation
// without frames leaves the rig as it is.
void SampleAnimation(const Animation& animation, BoneRig& rig, float phase);

// ---- [Poses] ----
constexpr uint32_t POSE_STANDING = 1, POSE_EXCITED = 2, POSE_BLEND = 4;
constexpr int POSE_NAME_SIZE = 16;
constexpr uint32_t ALL_SEATINGS = 1023;
struct Pose {
  uint32_t flags = 0;
  uint32_t seatings = 0;   // bit i: suits seating type i
  char name[POSE_NAME_SIZE] = {};
  Animation low;           // the base animation
  Animation high;          // with POSE_BLEND only
  float lowHeight = 0.0f, highHeight = 1.0f;
  void Free();
  // Flags 0, every seating, "unnamed", low made from the rig as it stands, high empty,
  // heights 0.0 and 1.0.
  void MakeDefault(const BoneRig& rig);
  // Flags, seatings, name, both animations (deep) and both heights.
  void Copy(const Pose& source, int solidCount);
};

// ---- [Skeleton] ----
constexpr uint32_t SKELETON_BONE_SYMMETRICAL = 1;  // the bone exists twice, mirrored in x
constexpr uint32_t SKELETON_BONE_ANCHOR = 4;
constexpr uint32_t SKELETON_JOINT_SYMMETRICAL = 1;
constexpr uint32_t SKELETON_JOINT_HINGE = 1;       // joint type
constexpr int MOVEMENT_COUNT = 18;
extern const char* const MOVEMENT_NAMES[MOVEMENT_COUNT];  // "ready", "walk", ... "run_stop180"
constexpr int SKELETON_MIN_SOLIDS = 31;            // fewer refuse a skeleton
constexpr int SKELETON_BONE_BYTES = 48;
constexpr int SKELETON_JOINT_BYTES = 48;
constexpr int SKELETON_FILE_VERSION = 252;
constexpr const char* SKELETON_MAGIC = "QXSKEL";

struct SkeletonBone {
  uint32_t flags;
  int32_t firstSolid;     // the bone's first solid in the rig; its mirror twin follows
  float halfExtent[3];
  int32_t position[3];    // at rest
  float angles[3];        // rest orientation, the form MatrixFromEulerF takes
  uint32_t colour;
};
struct SkeletonJoint {
  uint32_t type;
  uint32_t flags;
  int32_t firstConstraint;
  int32_t position[3];    // the joint centre at rest
  float limitA, limitB;   // degrees
  int32_t boneA, boneB;   // A the parent side
  float axisAngles[3];
};

struct Skeleton {
  float density = 1000.0f;  // kg per cubic metre
  int32_t boneCount = 0, jointCount = 0, poseCount = 0;
  SkeletonBone* bones = nullptr;
  SkeletonJoint* joints = nullptr;
  Animation movements[MOVEMENT_COUNT];
  Pose* poses = nullptr;

  void Init();   // as made: density 1000, nothing else
  void Clear();  // the movements and poses freed; bones and joints stay
  void Free();   // Clear, then the bones and joints
  // One solid per bone, two per symmetrical bone; the constraints likewise over the joints.
  int SolidCount() const;
  int ConstraintCount() const;

  // ---- [Files] ----
  // Reads the skeleton body into a skeleton as made; 1, or 0 when it is refused: no bones,
  // fewer than 31 solids, a count beyond the bytes left, a joint naming a bone the skeleton
  // does not have, more than the eighteen movements, a refused animation, or a body that ends
  // early (SkeletonReadFault names the field).  A refused skeleton holds nothing and the
  // stream stays where reading stopped.
  int Read(DataFile& file);
  // The same, drawing the frames' transforms from a budget shared by several reads (the
  // skeletons of one human system file); a skeleton that would pass it is refused.
  int Read(DataFile& file, int64_t& transformBudget);
  // The skeleton body; every animation with the skeleton's solid count.  Works in every
  // DataFile write mode.
  void Write(DataFile& file) const;

  // ---- [Rig] ----
  // Makes the rig: a Bone per solid with its mass (8 hx hy hz density), box, colour, the
  // eight corners as hull points, contact constants 1000 m and 50 m, diagonal inertia, each
  // put at rest; a joint per constraint with its bones, anchors, frame (in bone A's axes) and
  // limits (2 sin(limit / 2) of the degrees); a mirror twin's joint uses the bones' twins and
  // negates x and the first and third axis angles.  A joint naming a bone the skeleton does
  // not have joins nothing.
  void CreateBones(BoneRig& rig);
  // The rig solid of a bone, or of its mirror twin when it has one.
  int SolidOf(int bone, bool mirror) const;
  // Every bone back at rest: state cleared, position and orientation from the skeleton (a
  // mirror twin negates x and the first and third angles).
  void UpdateBones(BoneRig& rig);
  // Each solid drawn in its bone's colour.
  void ColourBones(BoneRig& rig) const;
  // A bone's mirror image in x: a plain bone in place (position x negated, orientation
  // S M S with S = diag(-1, 1, 1)); a symmetrical bone's two solids exchange their mirrored
  // transforms.  Twice restores the bone exactly.
  void MirrorBone(int bone, BoneRig& rig) const;
  void MirrorAllBones(BoneRig& rig) const;
};
// A solid's transform mirrored in x in place.
void MirrorSolid(Bone& solid);

// A skeleton with the rig made from it: what the object editor hands the animation editor
// (the rig's solids are the bone array it also holds).
struct BoneTable {
  Skeleton* skeleton;
  BoneRig* rig;
};

// ---- [Files] ----
// What the last refused read of an animation or skeleton body stumbled on ("animation
// scale", "skeleton joint bones", ...), for the reader's message.
extern const char* SkeletonReadFault;
constexpr const char* TEXT_DAMAGED_FILE = "Damaged file :";
// "Damaged file :" with the path and the field, as a box on owner (a line without one).
void ReportFileFault(Prss* owner, const char* path, const char* field);

// Reads an animation body into an empty animation: rigSolids transforms per frame, the first
// min(stored, rigSolids) from the file, the rest identity at the origin; a marker of 0 takes
// defaultScale when that is not 0.  1, or 0 (nothing kept) for a scale that is not finite, a
// frame count above the limit, frames beyond the bytes left or the transform budget, or a body
// that ends early.
int ReadAnimation(Animation& animation, DataFile& file, int rigSolids, float defaultScale);
// The same within a transform budget (ANIMATION_TRANSFORM_BUDGET for one read alone).
int ReadAnimationWithin(Animation& animation, DataFile& file, int rigSolids, float defaultScale,
                        int64_t& transformBudget);
// The animation body with solidCount transforms per frame (frames hold at least that many).
void WriteAnimation(const Animation& animation, DataFile& file, int solidCount);

// The animation file: "data\move\<name>.ban", a data file "QXANIM" written at version 252 and
// read from version 249 (the body above).
constexpr const char* ANIMATION_FILE_MAGIC = "QXANIM";
constexpr int ANIMATION_FILE_VERSION = 252;
constexpr int ANIMATION_FILE_LOWEST_VERSION = 249;
// Reads the file at path into an empty animation as ReadAnimation does.  1 on success; 0 when
// it cannot be opened, is not an animation file or is of a later version (reported on owner
// when given), is older than version 249 ("Could not open file :" and the path, as a box on
// owner or else an error line) or its body cannot be read; the animation is then empty.
int ReadAnimationFile(Animation& animation, const char* path, Prss* owner, int rigSolids, float defaultScale);
// Writes the animation with solidCount transforms per frame; 1 on success (reported on owner
// otherwise, the old file kept).
int WriteAnimationFile(const Animation& animation, const char* path, Prss* owner, int solidCount);
