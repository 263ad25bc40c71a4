// bone.h - one body of a human figure's skeleton (a Solid with a box size and a colour), the
// rig of bones and joints a skeleton is turned into, and the rig's pose copied to 16.16
// transforms.
//
// Sections: [Bone] [Joints and rig] [Poses]
//
// Layers: physics/bone/ stands on the rigid body alone (physics/solid/); the skeleton code
// (vehicle_editor/skeleton/) makes and places the bones, the animation editor steps them.
// Units: metres, kilograms, radians; positions 16.16 in the Solid.  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "physics/solid/solid.h"

// ---- [Bone] ----
constexpr int BONE_HULL_POINTS = 8;
constexpr float BONE_STIFFNESS = 18000.0f;  // N/m until the skeleton sets its own
constexpr float BONE_GRIP = 0.5f;
constexpr float BONE_DAMPING = 250.0f;      // N s/m

struct Bone : Solid {
  Vec3 halfSize = {};    // of the bone's box, body axes, m
  uint32_t colour = 0;   // ColourWord the box is drawn in

  // Awake, the stiffness, grip and damping above, eight zeroed hull points (the skeleton
  // code places them).
  Bone();
  int GetType() const override { return 2; }
};

// ---- [Joints and rig] ----
struct BoneJoint {
  int32_t type;          // 1 hinge; any other a free joint with a twist limit
  Bone* a;
  Bone* b;
  Vec3 anchorA, anchorB; // the joint point in each bone's axes, m
  float frame[9];        // the joint axes in a's axes, row-major
  float swingLimit, twistLimit;
  Vec3 lastSeparation;
};

// The solids and joints made from one skeleton, owned by its user.
struct BoneRig {
  int32_t boneCount = 0, jointCount = 0;
  Bone* bones = nullptr;
  BoneJoint* joints = nullptr;
  uint32_t stepsDone = 0, runTime = 0;  // ms

  void Init();  // all zero
  // Makes room for the bones and joints (the old ones freed); every bone freshly made.
  void Allocate(int bones, int joints);
  void Free();
};

// ---- [Poses] ----
// Each bone's orientation as 16.16 (every element x 65536, rounded to nearest, ties to even)
// and its position: out holds boneCount transforms.
void CopyPartPositions(const BoneRig& rig, FixedTransform* out);
