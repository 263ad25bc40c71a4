// texconv_picture_fuzz.cpp - libFuzzer target: PNG and JPG bytes through the texture
// conversion library (decode, and for small pictures the whole conversion to a DDS and back)
// and through the renderer's picture reader with a small size limit (the resizing path).
#include <cstddef>
#include <cstdint>

#include "render/dds_reader.h"
#include "render/picture_reader.h"
#include "texconv/texconv.h"

using namespace texconv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ScratchImage picture;
  TexMetadata md;
  if (Succeeded(LoadFromWICMemory(data, size, 0, &md, &picture))) {
    if (md.width == 0 || md.height == 0 || picture.images.size() != 1) __builtin_trap();
    if (uint64_t(md.width) * md.height <= 64 * 64) {
      ScratchImage mips, compressed;
      Blob blob;
      if (Failed(GenerateMipMaps(picture.images[0], TEX_FILTER_SRGB, 0, &mips))) __builtin_trap();
      const uint32_t format = (data[size - 1] & 1) ? FORMAT_BC2_UNORM : FORMAT_BC1_UNORM;
      if (Failed(Compress(mips.images.data(), mips.images.size(), mips.metadata, format,
                          TEX_COMPRESS_SRGB, 0.5f, &compressed)) ||
          Failed(SaveToDDSMemory(compressed.images.data(), compressed.images.size(),
                                 compressed.metadata, 0, &blob)))
        __builtin_trap();
      TextureData back;
      if (Failed(ReadDdsFromMemory(blob.data(), blob.size(), 0, &back)) ||
          back.mipLevels != mips.metadata.mipLevels)
        __builtin_trap();
    }
  }
  TextureData t;
  ReadPictureFromMemory(data, size, 16, 0xb000, &t);
  return 0;
}
