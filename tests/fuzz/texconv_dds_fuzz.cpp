// texconv_dds_fuzz.cpp - libFuzzer target: DDS file images through the DDS reader.
// Every accepted record must point only into the input bytes.
#include <cstddef>
#include <cstdint>

#include "render/dds_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (uint32_t limit : {0u, 4u}) {
    TextureData t;
    if (texconv::Failed(ReadDdsFromMemory(data, size, limit, &t))) continue;
    uint32_t sum = 0;
    for (const TextureSubresource& s : t.subresources) {
      const size_t bytes = size_t(s.slicePitch) * s.depth;
      if (s.data < data || s.data + bytes > data + size) __builtin_trap();
      for (size_t i = 0; i < bytes; i += 61) sum += s.data[i];
    }
    if (t.subresources.size() != size_t(t.arraySize) * t.mipLevels) __builtin_trap();
    volatile uint32_t keep = sum;
    (void)keep;
  }
  return 0;
}
