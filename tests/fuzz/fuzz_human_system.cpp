// fuzz_human_system.cpp - the human system file's reader over arbitrary bytes, and the bone
// sets and mesh slots built from whatever it accepts.
//
// The first byte chooses the version (248..252), the rest is the body.  An accepted file must
// hold skeletons of at least 31 solids and build one slot per copy of every model whose
// skeleton it holds, each with its four levels; everything goes again with FreeHumans.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/data_file.h"
#include "render/humans.h"
#include "render/material.h"
#include "render/texture_table.h"
#include "skeleton/human_system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int version = 248 + data[0] % 5;
  std::vector<uint8_t> image = {'Q', 'X', 'H', 'S', 'Y', 'S', 0, uint8_t(version)};
  image.insert(image.end(), data + 1, data + size);
  DataFile df{};
  int32_t read = 0;
  if (!df.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), HUMAN_SYSTEM_MAGIC, &read, HUMAN_SYSTEM_VERSION))
    return 0;
  const int accepted = ReadHumanSystem(df, read);
  df.Close();
  if (!accepted) {
    if (Humans.modelCount || Humans.skeletonCount || Humans.models || Humans.skeletons) std::abort();
    return 0;
  }
  int expected = 0;
  for (int s = 0; s < Humans.skeletonCount; ++s)
    if (Humans.skeletons[s].SolidCount() < SKELETON_MIN_SOLIDS) std::abort();
  for (int k = 0; k < Humans.modelCount; ++k)
    if (Humans.models[k].skeletonIndex < uint32_t(Humans.skeletonCount)) expected += HumanCopies(k);
  BuildHumanMeshes();
  if (HumanMeshes.slotCount != expected || !HumanMeshes.built) std::abort();
  for (int i = 0; i < HumanMeshes.slotCount; ++i)
    for (int level = 0; level < HUMAN_LEVELS; ++level)
      if (!HumanMeshes.slots[i].meshes[level]) std::abort();
  if (FindHumanSlot(0) > HumanMeshes.slotCount) std::abort();
  FreeHumans();
  // The textures the levels named, and their materials, go with each input.
  FreeAllMaterials();
  FreeAllTextures(0);
  return 0;
}
