// bone.h - one body of a human figure's skeleton (a Solid with a box size and a colour), the
// rig of bones and joints a skeleton is turned into, and the rig's pose copied to 16.16
// transforms.
//
// Sections: [Bone] [Joints and rig] [Editor state] [Stepping] [Drawing] [Poses]
//
// Layers: bone/ stands on the rigid body (solid/) and draws its boxes through
// the renderer (render/oriented_box.h); the skeleton code (skeleton/) makes
// and places the bones, the animation editor steps them.
// Units: metres, kilograms, radians; positions 16.16 in the Solid.  Main thread only.
#pragma once
#include <cstdint>
#include <vector>

#include "core/fixed_math.h"
#include "solid/solid.h"

// ---- [Bone] ----
constexpr int BONE_HULL_POINTS = 8;
constexpr float BONE_STIFFNESS = 18000.0f;  // N/m until the skeleton sets its own
constexpr float BONE_GRIP = 0.5f;
constexpr float BONE_DAMPING = 250.0f;      // N s/m

struct BoneRig;
struct AnimEditor;
struct Skeleton;
struct BoneLinkArray;
struct Animation;
struct AnimationFrame;
struct Prss;

struct Bone : Solid {
  Vec3 halfSize = {};    // of the bone's box, body axes, m
  uint32_t colour = 0;   // ColourWord the box is drawn in

  // Awake, the stiffness, grip and damping above, eight zeroed hull points (the skeleton
  // code places them).
  Bone();
  int GetType() const override { return 2; }

  // Catches the rig up with the program's frame time in 1 ms steps, with the world's gravity
  // while the editor's gravity switch is on.
  static void Step(BoneRig& rig, const AnimEditor& editor);
  // One step of the rig: integration and the floor (no floor while a bone is held), the
  // poses, the joint springs, gravity and the drag, the move.
  static void SimulateStep(BoneRig& rig, const AnimEditor& editor, float dt, float gravity);
  // The bone's box, centred on its origin, in its colour, through the editor's model
  // transform when one is set (DrawOrientedBox).
  void DrawBox() const;
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

// The solids and joints made from one skeleton, owned by its user.  The bones are made in
// place and never moved (a Bone owns its hull).
struct BoneRig {
  int32_t boneCount = 0, jointCount = 0;
  std::vector<Bone> bones;
  std::vector<BoneJoint> joints;
  uint32_t stepsDone = 0, runTime = 0;  // ms

  void Init();  // all empty
  // Makes room for the bones and joints (the old ones freed); every bone freshly made.
  void Allocate(int bones, int joints);
  void Free();
};

// ---- [Editor state] ----
// What the animation editor tells the step: the bone held (-1 none) and where the mouse pulls
// it, and each bone's pose entry.
enum BonePoseMode : uint8_t { BONE_FREE = 0, BONE_HELD_STILL = 1, BONE_FIXED_TO_HELD = 2 };
struct BonePoseEntry {
  uint8_t mode = BONE_FREE;  // any other value: held still while a bone is dragged
  float relative[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};  // orientation relative to the held bone
  Vec3 offset = {};          // m, in the held bone's axes
};
struct AnimEditor {
  int32_t heldBone = -1;
  IntVector targetPosition = {};  // 16.16
  float targetRadius = 0;         // m
  float targetOrientation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  float dragGain = 0;
  std::vector<BonePoseEntry> pose;  // one per bone; a missing entry is free
  uint8_t gravity = 1;
  uint8_t ignoreTargetTurn = 0;   // the input's modifier: the drag ignores the target's orientation

  // ---- The animation editor's working state (animation/ fills and uses it) ----
  Prss* screen = nullptr;         // where refusals are shown (null: message lines)
  Skeleton* skeleton = nullptr;
  BoneRig* rig = nullptr;
  BoneLinkArray* links = nullptr;  // owned by the editor
  int32_t selectedBone = -1;       // rig solid, -1 none
  uint8_t axisMask = 0;            // bits 1 x, 2 y, 4 z
  uint8_t slideMode = 1;           // 1 slide, 0 turn
  uint8_t keyActive = 0;           // a slide or turn is prepared
  uint8_t dragging = 0;
  int32_t dragStart[2] = {};       // mouse x, y when the drag began
  IntVector planeNormal = {};      // 16.16, of a plane slide
  IntVector planeStart = {};       // where the mouse ray met the plane when the drag began
  IntVector pivot = {};            // 16.16, what the selected bone turns about
  struct Grab {
    IntVector position;
    float orientation[9];
  };
  std::vector<Grab> grabTransforms;  // every solid as the drag began
  int32_t highlighted = -1;          // the solid shown as the drag target
  int32_t reference = -1;            // the solid carried solids are taken relative to
  int32_t tempLocked = -1;           // the parent locked for one drag or copy
  Animation* driverAnimation = nullptr;  // driver mode when set
  Animation* selected = nullptr;
  AnimationFrame* currentFrame = nullptr;
  std::vector<Animation*> undo;      // oldest first, owned
  uint8_t autoCopyAndFlip = 0, symmetricalLegs = 0, autoLockParent = 1;
  uint8_t unsaved = 0;
  float phase = 0.0f;
  char animationName[33] = {};       // the name kept by saving and loading in driver mode
  // The 3D view the mouse works in, set by the screen from the object editor's view: the eye
  // (16.16), its axes as the columns of orientation (right, up, forward), the view's scale and
  // the window in pixels; perspective 0 for the six flat axis views.
  struct View {
    IntVector eye;
    float orientation[9];
    float scale;
    int32_t width, height;
    uint8_t perspective;
  } view = {{0, 0, 0}, {1, 0, 0, 0, 1, 0, 0, 0, 1}, 1.0f, 640, 480, 1};
  // The axis handles as last drawn: each end's on-screen offset from the centre, pixels, and
  // the handles' length, 16.16.
  float handleScreen[3][2] = {};
  int32_t handleLength = 0;
};

// ---- [Stepping] ----
constexpr float BONE_STEP_SECONDS = 0.001f;
constexpr float BONE_HELD_DECAY = 0.96f;     // of every bone's motion, each step a bone is held
constexpr float BONE_LEAST_TWIST_AXIS = 1e-6f;

// ---- [Drawing] ----
// The editor's model transform, composed before each bone's own while set (null: none).
extern const FixedTransform* BoneModelTransform;

// ---- [Poses] ----
// Each bone's orientation as 16.16 (every element x 65536, rounded to nearest, ties to even)
// and its position: out holds boneCount transforms.
void CopyPartPositions(const BoneRig& rig, FixedTransform* out);
// A new array (delete[]) of one transform per bone, filled by CopyPartPositions.
FixedTransform* AllocPartPositions(const BoneRig& rig);
// Each bone's orientation and position from the transforms.
void BonePoseStore(BoneRig& rig, const FixedTransform* transforms);
// Each bone between pose a (t = 0) and pose b (t = 1), element by element, exactly a at 0 and
// b at 1; the orientation is not made orthonormal again.
void BonePoseApply(BoneRig& rig, const FixedTransform* a, const FixedTransform* b, float t);
