// bone_links.h - the bone hierarchy the animation editor derives from a skeleton's joints,
// and the rules by which locks and the hierarchy decide which solids a drag holds, carries
// with the dragged bone, or leaves free.
//
// Sections: [Links] [Check] [Locks and states]
//
// Layer: animation/, the animation editor's operations over the skeleton's
// layer; the screen that calls them from keys and the mouse sits above.  Main thread only.
#pragma once
#include <cstdint>
#include <vector>

#include "bone/bone.h"

struct Skeleton;

// ---- [Links] ----
constexpr int BONE_CHILD_LIMIT = 16;
enum BoneLinkState : int32_t { LINK_FREE = 0, LINK_HELD = 1, LINK_CARRIED = 2 };

// Colours (ColourWord, red in byte 0).
constexpr uint32_t BONE_COLOUR_LOCKED = 0x0000FF;  // and faulty
constexpr uint32_t BONE_COLOUR_HELD = 0x3CA0FF;
constexpr uint32_t BONE_COLOUR_CARRIED = 0xFF0000;
constexpr uint32_t BONE_COLOUR_FREE = 0x949494;
constexpr uint32_t BONE_COLOUR_TARGET = 0xA0FFA0;

// One per rig solid.
struct BoneLink {
  int32_t parent = -1;
  int32_t childCount = 0;
  int32_t children[BONE_CHILD_LIMIT] = {};
  uint32_t locked = 0;  // by the user, or by the editor for one drag
  uint32_t anchor = 0;  // the owning bone has the anchor flag
  int32_t state = LINK_FREE;
  float relRotation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};  // a carried solid in the reference's axes
  Vec3 relPosition = {};                                // m, likewise
};

struct BoneLinkArray {
  int32_t root = -1;
  int32_t count = 0;
  std::vector<BoneLink> links;
  static void Delete(BoneLinkArray* links);  // null does nothing
};

// ---- [Check] ----
constexpr const char* TEXT_TOO_MANY_CHILDREN = "Bone has too many children";
constexpr const char* TEXT_TWO_PARENTS = "Bone has two parents";
constexpr const char* TEXT_NO_ROOT = "No root bone";
constexpr const char* TEXT_MORE_THAN_ONE_ROOT = "More than one root bone";
constexpr const char* TEXT_JOINED_TO_ITSELF = "Bone is joined to itself";
constexpr const char* TEXT_BONES_IN_A_LOOP = "Bones are joined in a loop";

// Builds the links of the rig from its joints (A the parent, B the child).  1 when they form
// one tree; else 0 with a message box on owner and the faulty solids red: a seventeenth
// child, a second parent, no root, several roots (each red), a joint tying a solid to itself
// or solids the root never reaches (a loop), which the tree walks below could not leave.
int CheckBoneHierarchy(BoneLinkArray& links, Prss* owner, const Skeleton& skeleton, BoneRig& rig);

// ---- [Locks and states] ----
void SetSubtreeState(BoneLinkArray& links, int solid, int32_t state);
void ClearCarried(BoneLinkArray& links, int solid);  // carried marks of the subtree freed
// 1 when nothing under solid is locked; marks its children carried or holds locked subtrees.
int MarkCarried(BoneLinkArray& links, int solid);

constexpr const char* TEXT_NO_LOCKED_ANCESTOR = "Can't slide - no locked ancestor";
constexpr const char* TEXT_PARENT_LOCKED = "Can't slide - parent is locked";
constexpr const char* TEXT_PARENT_HAS_CHILDREN = "Can't slide - parent has more than one child";
constexpr const char* TEXT_CHILD_UNLOCKED = "Warning : locked child had to be unlocked";

// Prepares a drag or a copy of the selected solid: which solids are held, carried or free,
// the carried ones' transforms relative to the reference (reference -1: the selected solid
// itself, otherwise it is carried too) and the colours.  1 when prepared; 0 with a message
// box when refused.
int SlideBone(AnimEditor& editor, int lockParent, int reference);
// click 0 (left) selects the solid or clears the selection when it is selected; click 1
// (right) locks or unlocks it.
void SelectBone(AnimEditor& editor, int click, int solid);
// The bones in their own colours, every locked solid red.
void ColourLocks(AnimEditor& editor);
// The editor's temporary parent lock undone.
void ClearTempLock(AnimEditor& editor);
