// bone_links.cpp - the bone hierarchy checked and built, and the held, carried and free
// states a drag starts from.
#include "animation/bone_links.h"

#include "core/report.h"
#include "skeleton/skeleton.h"

namespace {

int SolidIndex(const BoneRig& rig, const Bone* bone) { return bone ? int(bone - rig.bones.data()) : -1; }

int Fail(Prss* owner, BoneRig& rig, int solid, const char* text) {
  if (solid >= 0) rig.bones[size_t(solid)].colour = BONE_COLOUR_LOCKED;
  ReportBox(owner, text);
  return 0;
}

// Marks what the root reaches; returns how many solids it reached.
int Reach(const BoneLinkArray& links, int solid, std::vector<uint8_t>& reached) {
  if (reached[size_t(solid)]) return 0;
  reached[size_t(solid)] = 1;
  int n = 1;
  const BoneLink& l = links.links[size_t(solid)];
  for (int c = 0; c < l.childCount; ++c) n += Reach(links, l.children[c], reached);
  return n;
}

}  // namespace

void BoneLinkArray::Delete(BoneLinkArray* links) { delete links; }

// ---- [Check] ----

int CheckBoneHierarchy(BoneLinkArray& links, Prss* owner, const Skeleton& skeleton, BoneRig& rig) {
  links.count = rig.boneCount;
  links.root = -1;
  links.links.assign(size_t(rig.boneCount), BoneLink{});
  for (int i = 0; i < rig.boneCount; ++i) {
    BoneLink& l = links.links[size_t(i)];
    for (const BoneJoint& j : rig.joints) {
      const int a = SolidIndex(rig, j.a), b = SolidIndex(rig, j.b);
      if (a < 0 || b < 0) continue;
      if ((a == i || b == i) && a == b) return Fail(owner, rig, i, TEXT_JOINED_TO_ITSELF);
      if (a == i) {
        bool listed = false;
        for (int c = 0; c < l.childCount; ++c) listed = listed || l.children[c] == b;
        if (listed) continue;
        if (l.childCount == BONE_CHILD_LIMIT) return Fail(owner, rig, i, TEXT_TOO_MANY_CHILDREN);
        l.children[l.childCount++] = b;
      } else if (b == i) {
        if (l.parent >= 0 && l.parent != a) return Fail(owner, rig, i, TEXT_TWO_PARENTS);
        l.parent = a;
      }
    }
  }
  int roots = 0;
  for (int i = 0; i < rig.boneCount; ++i)
    if (links.links[size_t(i)].parent < 0) {
      ++roots;
      if (links.root < 0) links.root = i;
    }
  for (int b = 0; b < skeleton.boneCount; ++b) {
    const SkeletonBone& bone = skeleton.bones[b];
    const int twins = bone.flags & SKELETON_BONE_SYMMETRICAL ? 2 : 1;
    for (int t = 0; t < twins; ++t) {
      const int solid = bone.firstSolid + t;
      if (solid >= 0 && solid < rig.boneCount) links.links[size_t(solid)].anchor = bone.flags & SKELETON_BONE_ANCHOR ? 1 : 0;
    }
  }
  if (roots == 0) return Fail(owner, rig, -1, TEXT_NO_ROOT);
  if (roots > 1) {
    for (int i = 0; i < rig.boneCount; ++i)
      if (links.links[size_t(i)].parent < 0) rig.bones[size_t(i)].colour = BONE_COLOUR_LOCKED;
    return Fail(owner, rig, -1, TEXT_MORE_THAN_ONE_ROOT);
  }
  // One root, and every other solid one parent: what the root does not reach is a loop.
  std::vector<uint8_t> reached(size_t(rig.boneCount), 0);
  if (Reach(links, links.root, reached) < rig.boneCount) {
    for (int i = 0; i < rig.boneCount; ++i)
      if (!reached[size_t(i)]) rig.bones[size_t(i)].colour = BONE_COLOUR_LOCKED;
    return Fail(owner, rig, -1, TEXT_BONES_IN_A_LOOP);
  }
  return 1;
}

// ---- [Locks and states] ----

void SetSubtreeState(BoneLinkArray& links, int solid, int32_t state) {
  BoneLink& l = links.links[size_t(solid)];
  l.state = state;
  for (int c = 0; c < l.childCount; ++c) SetSubtreeState(links, l.children[c], state);
}

void ClearCarried(BoneLinkArray& links, int solid) {
  BoneLink& l = links.links[size_t(solid)];
  if (l.state == LINK_CARRIED) l.state = LINK_FREE;
  for (int c = 0; c < l.childCount; ++c) ClearCarried(links, l.children[c]);
}

int MarkCarried(BoneLinkArray& links, int solid) {
  int result = 1;
  const BoneLink& l = links.links[size_t(solid)];
  for (int k = 0; k < l.childCount; ++k) {
    const int c = l.children[k];
    if (links.links[size_t(c)].locked) {
      SetSubtreeState(links, c, LINK_HELD);
      result = 0;
    } else {
      const int below = MarkCarried(links, c);
      links.links[size_t(c)].state = below ? LINK_CARRIED : LINK_FREE;
      if (!below) result = 0;
    }
  }
  if (!result) {
    BoneLink& me = links.links[size_t(solid)];
    if (me.state == LINK_CARRIED) me.state = LINK_FREE;
    for (int k = 0; k < me.childCount; ++k) ClearCarried(links, me.children[k]);
  }
  return result;
}

void ClearTempLock(AnimEditor& editor) {
  if (editor.tempLocked >= 0 && editor.links && editor.tempLocked < editor.links->count)
    editor.links->links[size_t(editor.tempLocked)].locked = 0;
  editor.tempLocked = -1;
}

int SlideBone(AnimEditor& editor, int lockParent, int reference) {
  BoneLinkArray& links = *editor.links;
  BoneRig& rig = *editor.rig;
  const int s = editor.selectedBone;
  if (s < 0 || s >= links.count || links.root < 0) return 0;
  const bool sliding = editor.slideMode == 1;
  std::vector<BoneLink>& L = links.links;
  // 1, 2.
  ClearTempLock(editor);
  SetSubtreeState(links, links.root, LINK_HELD);
  SetSubtreeState(links, s, LINK_FREE);
  // 3. Walk up to the ancestor that holds.
  if (s != links.root) {
    const int p = L[size_t(s)].parent;
    if (!sliding && lockParent && !L[size_t(p)].locked) {
      L[size_t(p)].locked = 1;
      editor.tempLocked = p;
    }
    auto holdAllButSubtree = [&] {
      SetSubtreeState(links, links.root, LINK_HELD);
      SetSubtreeState(links, s, LINK_FREE);
    };
    for (int a = p, k = 1;; a = L[size_t(a)].parent, ++k) {
      if (a < 0) {
        if (sliding) {
          ReportBox(editor.screen, TEXT_NO_LOCKED_ANCESTOR);
          return 0;
        }
        holdAllButSubtree();
        break;
      }
      BoneLink& ancestor = L[size_t(a)];
      if (ancestor.locked) {
        if (k >= 2) break;
        if (sliding) {
          ReportBox(editor.screen, TEXT_PARENT_LOCKED);
          return 0;
        }
        holdAllButSubtree();
        break;
      }
      if (ancestor.childCount > 1) {
        if (k == 1 && sliding) {
          ReportBox(editor.screen, TEXT_PARENT_HAS_CHILDREN);
          return 0;
        }
        ancestor.state = LINK_HELD;
        break;
      }
      if (ancestor.anchor && !(sliding && k == 1)) {
        ancestor.state = LINK_HELD;
        break;
      }
      ancestor.state = LINK_FREE;
    }
  }
  // 4. The children are carried unless something under them is locked.
  L[size_t(s)].state = LINK_FREE;
  for (int k = 0; k < L[size_t(s)].childCount; ++k) {
    const int c = L[size_t(s)].children[k];
    if (L[size_t(c)].locked) {
      L[size_t(c)].locked = 0;
      ReportLine(TEXT_CHILD_UNLOCKED, REPORT_ERROR);
    }
    L[size_t(c)].state = MarkCarried(links, c) ? LINK_CARRIED : LINK_FREE;
  }
  // 5.
  int r = s;
  if (reference >= 0 && reference < links.count) {
    L[size_t(s)].state = LINK_CARRIED;
    r = reference;
  }
  editor.reference = r;
  // 6. Colours, and the carried solids in r's axes.
  const Bone& R = rig.bones[size_t(r)];
  for (int i = 0; i < links.count; ++i) {
    BoneLink& l = L[size_t(i)];
    if (l.locked) continue;
    Bone& b = rig.bones[size_t(i)];
    if (l.state == LINK_FREE) b.colour = BONE_COLOUR_FREE;
    else if (l.state == LINK_HELD) b.colour = BONE_COLOUR_HELD;
    else {
      b.colour = BONE_COLOUR_CARRIED;
      l.relPosition = MatrixTransposeTimes(R.orientation, MetresBetween(b.position, R.position));
      for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
          l.relRotation[row * 3 + col] = R.orientation[row] * b.orientation[col] +
                                         R.orientation[3 + row] * b.orientation[3 + col] +
                                         R.orientation[6 + row] * b.orientation[6 + col];
    }
  }
  return 1;
}

void ColourLocks(AnimEditor& editor) {
  editor.skeleton->ColourBones(*editor.rig);
  for (int i = 0; i < editor.links->count; ++i)
    if (editor.links->links[size_t(i)].locked) editor.rig->bones[size_t(i)].colour = BONE_COLOUR_LOCKED;
}

void SelectBone(AnimEditor& editor, int click, int solid) {
  if (!editor.links || solid < 0 || solid >= editor.links->count) return;
  if (click == 0) {
    editor.selectedBone = editor.selectedBone == solid ? -1 : solid;
    return;
  }
  BoneLink& l = editor.links->links[size_t(solid)];
  l.locked = !l.locked;
  ColourLocks(editor);
}
