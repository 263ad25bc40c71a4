// dds_write.cpp - a whole DDS file in memory, written field by field (little-endian).
#include <cstring>
#include <new>

#include "texconv/texconv_local.h"

namespace texconv {

namespace {

constexpr uint32_t DDS_MAGIC = 0x20534444;  // "DDS "
constexpr uint32_t DDS_HEADER_SIZE = 124;
constexpr uint32_t DDS_PIXELFORMAT_SIZE = 32;

// Header flags: caps, height, width, pixel format, then pitch or linear size, mip count.
constexpr uint32_t DDSD_CAPS = 0x1, DDSD_HEIGHT = 0x2, DDSD_WIDTH = 0x4, DDSD_PITCH = 0x8;
constexpr uint32_t DDSD_PIXELFORMAT = 0x1000, DDSD_MIPMAPCOUNT = 0x20000;
constexpr uint32_t DDSD_LINEARSIZE = 0x80000;
// Pixel-format flags.
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40;
constexpr uint32_t DDPF_LUMINANCE = 0x20000;
// Caps.
constexpr uint32_t DDSCAPS_COMPLEX = 0x8, DDSCAPS_TEXTURE = 0x1000, DDSCAPS_MIPMAP = 0x400000;

constexpr uint32_t FourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
         uint32_t(uint8_t(d)) << 24;
}

struct PixelFormatFields {
  uint32_t flags, fourCC, bitCount, rMask, gMask, bMask, aMask;
};

bool LegacyPixelFormat(uint32_t format, PixelFormatFields* pf) {
  switch (format) {
    case FORMAT_BC1_UNORM:
    case FORMAT_BC1_UNORM_SRGB: *pf = {DDPF_FOURCC, FourCC('D', 'X', 'T', '1'), 0, 0, 0, 0, 0}; return true;
    case FORMAT_BC2_UNORM:
    case FORMAT_BC2_UNORM_SRGB: *pf = {DDPF_FOURCC, FourCC('D', 'X', 'T', '3'), 0, 0, 0, 0, 0}; return true;
    case FORMAT_R8G8B8A8_UNORM:
    case FORMAT_R8G8B8A8_UNORM_SRGB:
      *pf = {DDPF_RGB | DDPF_ALPHAPIXELS, 0, 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000u};
      return true;
    case FORMAT_R8_UNORM: *pf = {DDPF_LUMINANCE, 0, 8, 0xFF, 0, 0, 0}; return true;
    case FORMAT_R16_UNORM: *pf = {DDPF_LUMINANCE, 0, 16, 0xFFFF, 0, 0, 0}; return true;
    // The older numbered formats: 36 is 16-bit RGBA, 116 float RGBA.
    case FORMAT_R16G16B16A16_UNORM: *pf = {DDPF_FOURCC, 36, 0, 0, 0, 0, 0}; return true;
    case FORMAT_R32G32B32A32_FLOAT: *pf = {DDPF_FOURCC, 116, 0, 0, 0, 0, 0}; return true;
    default: return false;
  }
}

void PutU32(std::vector<uint8_t>& o, uint32_t v) {
  for (int i = 0; i < 4; ++i) o.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace

Result SaveToDDSMemory(const Image* images, size_t count, const TexMetadata& metadata,
                       uint32_t flags, Blob* out) {
  if (!images || count == 0 || !out || flags != 0) return TEX_E_INVALIDARG;
  out->Release();
  PixelFormatFields pf;
  if (!LegacyPixelFormat(metadata.format, &pf)) return TEX_E_NOTSUPPORTED;
  if (metadata.depth != 1 || metadata.arraySize != 1 || count != metadata.mipLevels ||
      metadata.width == 0 || metadata.height == 0 || count > MAX_MIP_LEVELS)
    return TEX_E_INVALIDARG;

  // Every level must be the size the chain says, with its pixels.
  uint64_t dataBytes = 0;
  uint32_t w = metadata.width, h = metadata.height;
  for (size_t m = 0; m < count; ++m) {
    size_t rowPitch, slicePitch;
    const Image& im = images[m];
    if (!im.pixels || im.format != metadata.format || im.width != w || im.height != h ||
        !ComputePitch(im.format, w, h, &rowPitch, &slicePitch) || im.rowPitch < rowPitch)
      return TEX_E_INVALIDARG;
    dataBytes += slicePitch;
    w = w > 1 ? w / 2 : 1;
    h = h > 1 ? h / 2 : 1;
  }

  size_t topRowPitch, topSlicePitch;
  ComputePitch(metadata.format, metadata.width, metadata.height, &topRowPitch, &topSlicePitch);
  const bool compressed = IsCompressedFormat(metadata.format);
  uint32_t headerFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
  headerFlags |= compressed ? DDSD_LINEARSIZE : DDSD_PITCH;
  uint32_t caps = DDSCAPS_TEXTURE;
  if (count > 1) {
    headerFlags |= DDSD_MIPMAPCOUNT;
    caps |= DDSCAPS_COMPLEX | DDSCAPS_MIPMAP;
  }

  std::vector<uint8_t>& o = out->bytes;
  try {
    o.reserve(size_t(4 + DDS_HEADER_SIZE + dataBytes));
  } catch (const std::bad_alloc&) {
    return TEX_E_OUTOFMEMORY;
  }
  PutU32(o, DDS_MAGIC);
  PutU32(o, DDS_HEADER_SIZE);
  PutU32(o, headerFlags);
  PutU32(o, metadata.height);
  PutU32(o, metadata.width);
  PutU32(o, uint32_t(compressed ? topSlicePitch : topRowPitch));
  PutU32(o, 0);  // depth
  PutU32(o, uint32_t(count));
  for (int i = 0; i < 11; ++i) PutU32(o, 0);  // reserved
  PutU32(o, DDS_PIXELFORMAT_SIZE);
  PutU32(o, pf.flags);
  PutU32(o, pf.fourCC);
  PutU32(o, pf.bitCount);
  PutU32(o, pf.rMask);
  PutU32(o, pf.gMask);
  PutU32(o, pf.bMask);
  PutU32(o, pf.aMask);
  PutU32(o, caps);
  for (int i = 0; i < 4; ++i) PutU32(o, 0);  // caps 2 to 4, reserved

  // Surfaces, level by level, rows packed.
  for (size_t m = 0; m < count; ++m) {
    const Image& im = images[m];
    size_t rowPitch, slicePitch;
    ComputePitch(im.format, im.width, im.height, &rowPitch, &slicePitch);
    const size_t rows = slicePitch / rowPitch;
    for (size_t y = 0; y < rows; ++y) {
      const uint8_t* row = im.pixels + y * im.rowPitch;
      o.insert(o.end(), row, row + rowPitch);
    }
  }
  return TEX_OK;
}

}  // namespace texconv
