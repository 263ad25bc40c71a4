// dds_reader.cpp - DDS file images into TextureData records (no device work).
//
// The file is untrusted (mods and skins are downloaded): every size is checked against the
// limits and the surfaces against the bytes present before anything is allocated.
#include "render/dds_reader.h"

#include <algorithm>
#include <cstring>

using namespace texconv;

namespace {

// Header flags and caps.
constexpr uint32_t DDSD_HEIGHT = 0x2;
constexpr uint32_t DDSD_DEPTH = 0x800000;  // a volume texture
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200;
constexpr uint32_t DDSCAPS2_CUBEMAP_ALLFACES = 0xFC00;
// Pixel-format flags.
constexpr uint32_t DDPF_ALPHA = 0x2;
constexpr uint32_t DDPF_FOURCC = 0x4;
constexpr uint32_t DDPF_RGB = 0x40;
constexpr uint32_t DDPF_LUMINANCE = 0x20000;
constexpr uint32_t DDPF_BUMPDUDV = 0x80000;
// Extended header.
constexpr uint32_t RESOURCE_MISC_TEXTURECUBE = 0x4;

constexpr uint32_t FourCC(char a, char b, char c, char d) {
  return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
         uint32_t(uint8_t(d)) << 24;
}

inline uint32_t GetU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool IsBlockCompressed(uint32_t format) {
  return (format >= 70 && format <= 84) || (format >= 94 && format <= 99);
}
bool IsPacked(uint32_t format) { return format == 68 || format == 69 || format == 107; }

// Bytes of one row and the number of rows of a level.
void SurfaceInfo(uint32_t format, uint32_t width, uint32_t height, uint64_t* rowBytes,
                 uint64_t* rows) {
  if (IsBlockCompressed(format)) {
    const uint64_t blockBytes = (format <= 72 || (format >= 79 && format <= 81)) ? 8 : 16;
    *rowBytes = std::max<uint64_t>(1, (uint64_t(width) + 3) / 4) * blockBytes;
    *rows = std::max<uint64_t>(1, (uint64_t(height) + 3) / 4);
  } else if (IsPacked(format)) {
    *rowBytes = ((uint64_t(width) + 1) >> 1) * 4;
    *rows = height;
  } else {
    *rowBytes = (uint64_t(width) * DdsBitsPerPixel(format) + 7) / 8;
    *rows = height;
  }
}

}  // namespace

uint32_t DdsBitsPerPixel(uint32_t format) {
  if (format >= 1 && format <= 4) return 128;
  if (format >= 5 && format <= 8) return 96;
  if (format >= 9 && format <= 22) return 64;
  if (format >= 23 && format <= 47) return 32;
  if (format >= 48 && format <= 59) return 16;
  if (format >= 60 && format <= 65) return 8;
  if (format == 67 || format == 68 || format == 69) return 32;
  if (format >= 70 && format <= 72) return 4;
  if (format >= 73 && format <= 78) return 8;
  if (format >= 79 && format <= 81) return 4;
  if (format >= 82 && format <= 84) return 8;
  if (format == 85 || format == 86) return 16;
  if (format >= 87 && format <= 93) return 32;
  if (format >= 94 && format <= 99) return 8;
  if (format == 107) return 32;  // YUY2, packed
  if (format == 115) return 16;  // B4G4R4A4
  // R1 (66), the video and planar formats (100-114 but YUY2) and anything newer: the
  // program never makes textures of them.
  return 0;
}

uint32_t DdsLegacyFormat(const DdsPixelFormat& pf, bool* luminanceAlpha) {
  *luminanceAlpha = false;
  auto masks = [&pf](uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    return pf.rMask == r && pf.gMask == g && pf.bMask == b && pf.aMask == a;
  };
  if (pf.flags & DDPF_RGB) {
    if (pf.bitCount == 32) {
      if (masks(0xFF, 0xFF00, 0xFF0000, 0xFF000000u)) return 28;
      if (masks(0xFF0000, 0xFF00, 0xFF, 0xFF000000u)) return 87;
      if (masks(0xFF0000, 0xFF00, 0xFF, 0)) return 88;
      // Older writers swapped red and blue in this mask set; it still means R10G10B10A2.
      if (masks(0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000u)) return 24;
      if (masks(0xFFFF, 0xFFFF0000u, 0, 0)) return 35;
      if (masks(0xFFFFFFFFu, 0, 0, 0)) return 41;
    } else if (pf.bitCount == 16) {
      if (masks(0x7C00, 0x3E0, 0x1F, 0x8000)) return 86;
      if (masks(0xF800, 0x7E0, 0x1F, 0)) return 85;
      if (masks(0xF00, 0xF0, 0xF, 0xF000)) return 115;
    }
    return 0;
  }
  if (pf.flags & DDPF_LUMINANCE) {
    if (pf.bitCount == 8 && masks(0xFF, 0, 0, 0)) return 61;
    if (pf.bitCount == 16 && masks(0xFFFF, 0, 0, 0)) return 56;
    if (pf.bitCount == 16 && masks(0xFF, 0, 0, 0xFF00)) {
      *luminanceAlpha = true;
      return 49;
    }
    return 0;
  }
  if (pf.flags & DDPF_ALPHA) return pf.bitCount == 8 ? 65 : 0;
  if (pf.flags & DDPF_BUMPDUDV) {
    if (pf.bitCount == 16 && masks(0xFF, 0xFF00, 0, 0)) return 51;
    if (pf.bitCount == 32 && masks(0xFF, 0xFF00, 0xFF0000, 0xFF000000u)) return 31;
    if (pf.bitCount == 32 && masks(0xFFFF, 0xFFFF0000u, 0, 0)) return 37;
    return 0;
  }
  if (pf.flags & DDPF_FOURCC) {
    switch (pf.fourCC) {
      case FourCC('D', 'X', 'T', '1'): return 71;
      case FourCC('D', 'X', 'T', '2'):
      case FourCC('D', 'X', 'T', '3'): return 74;
      case FourCC('D', 'X', 'T', '4'):
      case FourCC('D', 'X', 'T', '5'): return 77;
      case FourCC('A', 'T', 'I', '1'):
      case FourCC('B', 'C', '4', 'U'): return 80;
      case FourCC('B', 'C', '4', 'S'): return 81;
      case FourCC('A', 'T', 'I', '2'):
      case FourCC('B', 'C', '5', 'U'): return 83;
      case FourCC('B', 'C', '5', 'S'): return 84;
      case FourCC('R', 'G', 'B', 'G'): return 68;
      case FourCC('G', 'R', 'G', 'B'): return 69;
      case FourCC('Y', 'U', 'Y', '2'): return 107;
      // The older numbered formats.
      case 36: return 11;
      case 110: return 13;
      case 111: return 54;
      case 112: return 34;
      case 113: return 10;
      case 114: return 41;
      case 115: return 16;
      case 116: return 2;
      default: return 0;
    }
  }
  return 0;
}

uint32_t DdsRetrySizeLimit(uint32_t featureLevel, uint32_t dimension, bool isCube) {
  const bool level9 = featureLevel < 0xa000;
  if (dimension == TEXTURE_DIMENSION_3D) return level9 ? 256 : 2048;
  if (featureLevel < 0x9300) return isCube ? 512 : 2048;
  if (featureLevel < 0xa000) return 4096;
  return 8192;
}

Result ReadDdsFromMemory(const void* bytesIn, size_t size, uint32_t sizeLimit, TextureData* out) {
  if (!out) return TEX_E_INVALIDARG;
  *out = TextureData{};
  if (!bytesIn) return TEX_E_INVALIDARG;
  const auto* bytes = static_cast<const uint8_t*>(bytesIn);

  // ---- header ----
  if (size < DDS_MIN_FILE_SIZE || std::memcmp(bytes, "DDS ", 4) != 0) return TEX_E_FAIL;
  const uint8_t* h = bytes + 4;
  if (GetU32(h) != DDS_HEADER_SIZE) return TEX_E_FAIL;
  const uint32_t flags = GetU32(h + 4);
  uint32_t height = GetU32(h + 8);
  uint32_t width = GetU32(h + 12);
  uint32_t depth = GetU32(h + 20);
  uint32_t mipCount = GetU32(h + 24);
  DdsPixelFormat pf;
  pf.size = GetU32(h + 72);
  pf.flags = GetU32(h + 76);
  pf.fourCC = GetU32(h + 80);
  pf.bitCount = GetU32(h + 84);
  pf.rMask = GetU32(h + 88);
  pf.gMask = GetU32(h + 92);
  pf.bMask = GetU32(h + 96);
  pf.aMask = GetU32(h + 100);
  const uint32_t caps2 = GetU32(h + 108);
  if (pf.size != 32) return TEX_E_FAIL;

  const bool extended = (pf.flags & DDPF_FOURCC) && pf.fourCC == FourCC('D', 'X', '1', '0');
  size_t dataOffset = DDS_MIN_FILE_SIZE;
  if (extended) {
    if (size < DDS_MIN_FILE_SIZE + DDS_EXTENSION_SIZE) return TEX_E_FAIL;
    dataOffset += DDS_EXTENSION_SIZE;
  }
  if (mipCount == 0) mipCount = 1;

  // ---- format and dimension ----
  uint32_t format = 0, dimension = 0, arraySize = 1;
  bool isCube = false, luminanceAlpha = false;
  if (extended) {
    const uint8_t* x = bytes + DDS_MIN_FILE_SIZE;
    format = GetU32(x);
    const uint32_t resourceDimension = GetU32(x + 4);
    const uint32_t miscFlags = GetU32(x + 8);
    arraySize = GetU32(x + 12);
    if (arraySize == 0) return TEX_E_INVALIDARG;
    if (DdsBitsPerPixel(format) == 0) return TEX_E_NOTSUPPORTED;
    switch (resourceDimension) {
      case TEXTURE_DIMENSION_1D:
        if ((flags & DDSD_HEIGHT) && height != 1) return TEX_E_INVALIDARG;
        height = depth = 1;
        break;
      case TEXTURE_DIMENSION_2D:
        if (miscFlags & RESOURCE_MISC_TEXTURECUBE) {
          if (arraySize > DDS_MAX_ARRAY_SIZE) return TEX_E_NOTSUPPORTED;  // before the x6
          arraySize *= 6;
          isCube = true;
        }
        depth = 1;
        break;
      case TEXTURE_DIMENSION_3D:
        if (!(flags & DDSD_DEPTH)) return TEX_E_INVALIDARG;
        if (arraySize > 1) return TEX_E_NOTSUPPORTED;
        break;
      default:
        return TEX_E_NOTSUPPORTED;
    }
    dimension = resourceDimension;
  } else {
    format = DdsLegacyFormat(pf, &luminanceAlpha);
    if (format == 0) return TEX_E_NOTSUPPORTED;
    if (flags & DDSD_DEPTH) {
      dimension = TEXTURE_DIMENSION_3D;
    } else {
      if (caps2 & DDSCAPS2_CUBEMAP) {
        // Cube maps without all six faces are not made.
        if ((caps2 & DDSCAPS2_CUBEMAP_ALLFACES) != DDSCAPS2_CUBEMAP_ALLFACES) return TEX_E_NOTSUPPORTED;
        arraySize = 6;
        isCube = true;
      }
      depth = 1;
      dimension = TEXTURE_DIMENSION_2D;
    }
  }

  // ---- limits ----
  if (width == 0 || height == 0 || depth == 0) return TEX_E_FAIL;
  if (mipCount > DDS_MAX_MIP_LEVELS) return TEX_E_NOTSUPPORTED;
  switch (dimension) {
    case TEXTURE_DIMENSION_1D:
    case TEXTURE_DIMENSION_2D:
      if (arraySize > DDS_MAX_ARRAY_SIZE || width > DDS_MAX_SIDE_2D || height > DDS_MAX_SIDE_2D)
        return TEX_E_NOTSUPPORTED;
      break;
    default:
      if (width > DDS_MAX_SIDE_3D || height > DDS_MAX_SIDE_3D || depth > DDS_MAX_SIDE_3D)
        return TEX_E_NOTSUPPORTED;
      break;
  }
  // More levels than the chain has is a header that contradicts itself: the device would
  // refuse it.
  {
    uint32_t levels = 1, w = width, hh = height, d = depth;
    while (w > 1 || hh > 1 || d > 1) {
      w = std::max(1u, w / 2);
      hh = std::max(1u, hh / 2);
      d = std::max(1u, d / 2);
      ++levels;
    }
    if (mipCount > levels) return TEX_E_INVALIDARG;
  }

  // ---- surfaces: all present, counted before anything is allocated ----
  uint64_t chainBytes = 0;
  uint32_t kept = 0, skipped = 0;
  {
    uint32_t w = width, hh = height, d = depth;
    for (uint32_t m = 0; m < mipCount; ++m) {
      uint64_t rowBytes, rows;
      SurfaceInfo(format, w, hh, &rowBytes, &rows);
      if (rowBytes * rows > 0xFFFFFFFFu) return TEX_E_ARITHMETIC_OVERFLOW;  // pitches are 32-bit
      chainBytes += rowBytes * rows * d;
      const bool tooBig = sizeLimit && (w > sizeLimit || hh > sizeLimit || d > sizeLimit);
      if (mipCount > 1 && tooBig && kept == 0) {
        ++skipped;
      } else {
        ++kept;
      }
      w = std::max(1u, w / 2);
      hh = std::max(1u, hh / 2);
      d = std::max(1u, d / 2);
    }
  }
  const uint64_t available = size - dataOffset;
  if (chainBytes > available || chainBytes * arraySize > available) return TEX_E_HANDLE_EOF;
  if (kept == 0) return TEX_E_FAIL;

  out->subresources.resize(size_t(arraySize) * kept);
  const uint8_t* p = bytes + dataOffset;
  size_t n = 0;
  for (uint32_t item = 0; item < arraySize; ++item) {
    uint32_t w = width, hh = height, d = depth;
    for (uint32_t m = 0; m < mipCount; ++m) {
      uint64_t rowBytes, rows;
      SurfaceInfo(format, w, hh, &rowBytes, &rows);
      const uint64_t sliceBytes = rowBytes * rows;
      if (m >= skipped) {
        TextureSubresource& s = out->subresources[n++];
        s.data = p;
        s.width = w;
        s.height = hh;
        s.depth = d;
        s.rowPitch = uint32_t(rowBytes);
        s.slicePitch = uint32_t(sliceBytes);
      }
      p += sliceBytes * d;
      w = std::max(1u, w / 2);
      hh = std::max(1u, hh / 2);
      d = std::max(1u, d / 2);
    }
  }

  const TextureSubresource& top = out->subresources[0];
  out->dimension = dimension;
  out->format = SrgbFormatOf(format);
  out->width = top.width;
  out->height = top.height;
  out->depth = top.depth;
  out->mipLevels = kept;
  out->arraySize = arraySize;
  out->isCube = isCube;
  SwizzleForFormat(format, luminanceAlpha, out->swizzle);
  return TEX_OK;
}
