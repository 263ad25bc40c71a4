// fuzz_skeleton_body.cpp - the skeleton body's reader over arbitrary bytes; what it accepts is
// made into a rig, checked by CheckBoneHierarchy, and, when it is one tree, every solid is
// prepared for a slide and a turn as the animation editor does.
//
// An accepted skeleton has at least 31 solids and joints naming its own bones; the tree walks
// must end on whatever the check lets through.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "animation/bone_links.h"
#include "core/data_file.h"
#include "skeleton/skeleton.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> image = {'Q', 'X', 'S', 'K', 'E', 'L', 0, uint8_t(SKELETON_FILE_VERSION)};
  image.insert(image.end(), data, data + size);
  DataFile df{};
  int32_t version = 0;
  if (!df.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), SKELETON_MAGIC, &version,
                         SKELETON_FILE_VERSION))
    return 0;
  Skeleton s;
  s.Init();
  const int read = s.Read(df);
  df.Close();
  if (!read) {
    if (s.boneCount || s.bones || s.joints || s.poses) std::abort();
    return 0;
  }
  if (s.SolidCount() < SKELETON_MIN_SOLIDS) std::abort();
  for (int j = 0; j < s.jointCount; ++j)
    if (s.joints[j].boneA < 0 || s.joints[j].boneA >= s.boneCount || s.joints[j].boneB < 0 ||
        s.joints[j].boneB >= s.boneCount)
      std::abort();
  if (s.SolidCount() <= 4096) {
    BoneRig rig;
    s.CreateBones(rig);
    BoneLinkArray links;
    if (CheckBoneHierarchy(links, nullptr, s, rig)) {
      AnimEditor editor;
      editor.skeleton = &s;
      editor.rig = &rig;
      editor.links = &links;
      for (int i = 0; i < rig.boneCount; ++i) {
        editor.selectedBone = i;
        for (uint8_t mode : {uint8_t(1), uint8_t(0)}) {
          editor.slideMode = mode;
          SlideBone(editor, 1, -1);
          ClearTempLock(editor);
        }
      }
    }
    rig.Free();
  }
  s.Free();
  return 0;
}
