// dds_reader.h - DDS file images read into a TextureData record: header checks, the texture
// format (legacy pixel formats and the extended header), mip levels above a size limit
// skipped.  No device work: the texture table hands the record to the device.
//
// Result codes are those of the texture conversion library (texconv/texconv.h):
//   TEX_E_INVALIDARG   no bytes or no record; a header that contradicts itself
//   TEX_E_FAIL         too short, wrong magic or header sizes, zero sizes, no level kept
//   TEX_E_NOTSUPPORTED a format, dimension, size or level count the device cannot make
//   TEX_E_HANDLE_EOF   the surfaces run past the end of the file
//   TEX_E_ARITHMETIC_OVERFLOW  a level of 4 GiB or more
#pragma once
#include "render/texture_data.h"
#include "texconv/texconv.h"

constexpr uint32_t DDS_MAGIC_SIZE = 4;
constexpr uint32_t DDS_HEADER_SIZE = 124;  // the header's own size field
constexpr uint32_t DDS_EXTENSION_SIZE = 20;
constexpr uint32_t DDS_MIN_FILE_SIZE = DDS_MAGIC_SIZE + DDS_HEADER_SIZE;  // 128

// Limits of the device (the largest 1D/2D side, 3D side, array size and level count).
constexpr uint32_t DDS_MAX_SIDE_2D = 16384;
constexpr uint32_t DDS_MAX_SIDE_3D = 2048;
constexpr uint32_t DDS_MAX_ARRAY_SIZE = 2048;
constexpr uint32_t DDS_MAX_MIP_LEVELS = 15;

// Reads a DDS file image.  sizeLimit (0 = none) drops the top levels wider, taller or deeper
// than it when the file has more than one level.  The record's subresources point into
// bytes.  The format is the sRGB form where one exists.
texconv::Result ReadDdsFromMemory(const void* bytes, size_t size, uint32_t sizeLimit,
                                  TextureData* out);

// The format a legacy (pre-extension) pixel format stands for, 0 when there is none.
// luminanceAlpha is set for 8-bit luminance with 8-bit alpha.
struct DdsPixelFormat {
  uint32_t size = 0, flags = 0, fourCC = 0, bitCount = 0;
  uint32_t rMask = 0, gMask = 0, bMask = 0, aMask = 0;
};
uint32_t DdsLegacyFormat(const DdsPixelFormat& pf, bool* luminanceAlpha);

// Bits per texel of a DXGI format the reader accepts; 0 for the others.
uint32_t DdsBitsPerPixel(uint32_t format);

// The size limit to try again with when the device refused a texture read without one
// (by feature level, as 0x9100 ... 0xb000).
uint32_t DdsRetrySizeLimit(uint32_t featureLevel, uint32_t dimension, bool isCube);
