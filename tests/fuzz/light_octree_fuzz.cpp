// light_octree_fuzz.cpp - the world lighting file's block and entry readers over arbitrary
// bytes.
//
// The bytes are a file body: blocks are read one after another until one is refused or the
// body ends.  A block that is accepted must hold exactly its counted entries, all of them
// within the bytes it read, and its flags without bit 4.  A refused block must not have
// allocated its lists.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/data_file.h"
#include "render/light_samples.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> image = {'Z', 'K', 'T', 'L', 'G', 'T', 0, 2};
  image.insert(image.end(), data, data + size);
  DataFile df{};
  int32_t version = 0;
  if (!df.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "ZKTLGT", &version, 2)) return 0;
  for (int blocks = 0; blocks < 64 && df.BytesLeft() > 0; ++blocks) {
    const int64_t before = df.BytesLeft();
    if (before % 7 == 0) {  // now and then a lone entry
      WorldLightEntry entry{};
      ReadLightOctreeNode(entry, df);
      if (!df.readPastEnd && before - df.BytesLeft() != LIGHT_ENTRY_BYTES) std::abort();
      continue;
    }
    WorldLightBlock block;
    if (!ReadLightOctreeNode2(block, df)) {
      // Refused before anything was allocated, or cut short while reading its entries.
      const uint64_t counted = uint64_t(block.counts[0]) + block.counts[1] + block.counts[2];
      if (counted * LIGHT_ENTRY_BYTES > uint64_t(before) &&
          (!block.lists[0].empty() || !block.lists[1].empty() || !block.lists[2].empty()))
        std::abort();
      break;
    }
    if (block.flags & 16u) std::abort();
    uint64_t entries = 0;
    for (int k = 0; k < 3; ++k) {
      if (block.lists[k].size() != block.counts[k]) std::abort();
      entries += block.lists[k].size();
    }
    if (block.format <= 1 && (block.counts[2] != 0 || !block.lists[2].empty())) std::abort();
    if (int64_t(entries * LIGHT_ENTRY_BYTES) > before - df.BytesLeft()) std::abort();
  }
  df.Close();
  return 0;
}
