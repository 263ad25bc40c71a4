// gfx_format.cpp - the format table: each format's GL storage, upload layout and size.
#include "platform/gfx_local.h"

namespace {

// S3TC is an extension on every desktop driver, not core; its names are not in the core header.
constexpr uint32_t GL_RGBA_DXT1 = 0x83F1, GL_RGBA_DXT3 = 0x83F2, GL_RGBA_DXT5 = 0x83F3;
constexpr uint32_t GL_SRGB_ALPHA_DXT1 = 0x8C4D, GL_SRGB_ALPHA_DXT3 = 0x8C4E, GL_SRGB_ALPHA_DXT5 = 0x8C4F;

struct FormatRow {
  GfxFormat format;
  GfxFormatInfo info;
};

// {internal, format, type, bytes, compressed, depth, srgb, swizzle, renderable}
const FormatRow FORMAT_ROWS[] = {
    {GFX_FORMAT_R32G32B32A32_FLOAT, {GL_RGBA32F, GL_RGBA, GL_FLOAT, 16, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_R32G32B32_FLOAT, {GL_RGB32F, GL_RGB, GL_FLOAT, 12, 0, 0, 0, 0, 0}},
    {GFX_FORMAT_R16G16B16A16_FLOAT, {GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT, 8, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_R16G16B16A16_UNORM, {GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT, 8, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_R16G16B16A16_SNORM, {GL_RGBA16_SNORM, GL_RGBA, GL_SHORT, 8, 0, 0, 0, 0, 0}},
    {GFX_FORMAT_R32G32_FLOAT, {GL_RG32F, GL_RG, GL_FLOAT, 8, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_R10G10B10A2_UNORM, {GL_RGB10_A2, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV, 4, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_R11G11B10_FLOAT, {GL_R11F_G11F_B10F, GL_RGB, GL_UNSIGNED_INT_10F_11F_11F_REV, 4, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_R8G8B8A8_UNORM, {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, 4, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_R8G8B8A8_UNORM_SRGB, {GL_SRGB8_ALPHA8, GL_RGBA, GL_UNSIGNED_BYTE, 4, 0, 0, 1, 0, 1}},
    {GFX_FORMAT_R8G8B8A8_SNORM, {GL_RGBA8_SNORM, GL_RGBA, GL_BYTE, 4, 0, 0, 0, 0, 0}},
    {GFX_FORMAT_R16G16_FLOAT, {GL_RG16F, GL_RG, GL_HALF_FLOAT, 4, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_R16G16_UNORM, {GL_RG16, GL_RG, GL_UNSIGNED_SHORT, 4, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_R16G16_SNORM, {GL_RG16_SNORM, GL_RG, GL_SHORT, 4, 0, 0, 0, 0, 0}},
    {GFX_FORMAT_D32_FLOAT, {GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT, 4, 0, 1, 0, 0, 1}},
    {GFX_FORMAT_R32_FLOAT, {GL_R32F, GL_RED, GL_FLOAT, 4, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_R32_UINT, {GL_R32UI, GL_RED_INTEGER, GL_UNSIGNED_INT, 4, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_D24_UNORM_S8_UINT, {GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8, 4, 0, 1, 0, 0, 1}},
    {GFX_FORMAT_R8G8_UNORM, {GL_RG8, GL_RG, GL_UNSIGNED_BYTE, 2, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_R8G8_SNORM, {GL_RG8_SNORM, GL_RG, GL_BYTE, 2, 0, 0, 0, 0, 0}},
    {GFX_FORMAT_R16_FLOAT, {GL_R16F, GL_RED, GL_HALF_FLOAT, 2, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_D16_UNORM, {GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT, 2, 0, 1, 0, 0, 1}},
    {GFX_FORMAT_R16_UNORM, {GL_R16, GL_RED, GL_UNSIGNED_SHORT, 2, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_R16_UINT, {GL_R16UI, GL_RED_INTEGER, GL_UNSIGNED_SHORT, 2, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_R8_UNORM, {GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_A8_UNORM, {GL_R8, GL_RED, GL_UNSIGNED_BYTE, 1, 0, 0, 0, 1, 1}},
    {GFX_FORMAT_BC1_UNORM, {GL_RGBA_DXT1, 0, 0, 8, 1, 0, 0, 0, 0}},
    {GFX_FORMAT_BC1_UNORM_SRGB, {GL_SRGB_ALPHA_DXT1, 0, 0, 8, 1, 0, 1, 0, 0}},
    {GFX_FORMAT_BC2_UNORM, {GL_RGBA_DXT3, 0, 0, 16, 1, 0, 0, 0, 0}},
    {GFX_FORMAT_BC2_UNORM_SRGB, {GL_SRGB_ALPHA_DXT3, 0, 0, 16, 1, 0, 1, 0, 0}},
    {GFX_FORMAT_BC3_UNORM, {GL_RGBA_DXT5, 0, 0, 16, 1, 0, 0, 0, 0}},
    {GFX_FORMAT_BC3_UNORM_SRGB, {GL_SRGB_ALPHA_DXT5, 0, 0, 16, 1, 0, 1, 0, 0}},
    {GFX_FORMAT_BC4_UNORM, {GL_COMPRESSED_RED_RGTC1, 0, 0, 8, 1, 0, 0, 0, 0}},
    {GFX_FORMAT_BC4_SNORM, {GL_COMPRESSED_SIGNED_RED_RGTC1, 0, 0, 8, 1, 0, 0, 0, 0}},
    {GFX_FORMAT_BC5_UNORM, {GL_COMPRESSED_RG_RGTC2, 0, 0, 16, 1, 0, 0, 0, 0}},
    {GFX_FORMAT_BC5_SNORM, {GL_COMPRESSED_SIGNED_RG_RGTC2, 0, 0, 16, 1, 0, 0, 0, 0}},
    {GFX_FORMAT_B5G6R5_UNORM, {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 2, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_B5G5R5A1_UNORM, {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, 2, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_B8G8R8A8_UNORM, {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, 0, 0, 0, 0, 1}},
    {GFX_FORMAT_B8G8R8X8_UNORM, {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, 0, 0, 0, 2, 1}},
    {GFX_FORMAT_B8G8R8A8_UNORM_SRGB, {GL_SRGB8_ALPHA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, 0, 0, 1, 0, 1}},
    {GFX_FORMAT_B8G8R8X8_UNORM_SRGB, {GL_SRGB8_ALPHA8, GL_BGRA, GL_UNSIGNED_BYTE, 4, 0, 0, 1, 2, 1}},
    {GFX_FORMAT_BC6H_UF16, {GL_COMPRESSED_RGB_BPTC_UNSIGNED_FLOAT, 0, 0, 16, 1, 0, 0, 0, 0}},
    {GFX_FORMAT_BC6H_SF16, {GL_COMPRESSED_RGB_BPTC_SIGNED_FLOAT, 0, 0, 16, 1, 0, 0, 0, 0}},
    {GFX_FORMAT_BC7_UNORM, {GL_COMPRESSED_RGBA_BPTC_UNORM, 0, 0, 16, 1, 0, 0, 0, 0}},
    {GFX_FORMAT_BC7_UNORM_SRGB, {GL_COMPRESSED_SRGB_ALPHA_BPTC_UNORM, 0, 0, 16, 1, 0, 1, 0, 0}},
    {GFX_FORMAT_B4G4R4A4_UNORM, {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, 2, 0, 0, 0, 0, 1}},
};

struct FormatTable {
  GfxFormatInfo rows[GFX_FORMAT_COUNT] = {};
  FormatTable() {
    for (const FormatRow& r : FORMAT_ROWS) rows[r.format] = r.info;
  }
};
const FormatTable& Table() {
  static const FormatTable table;
  return table;
}

}  // namespace

const GfxFormatInfo& GfxGetFormatInfo(GfxFormat format) {
  return Table().rows[format < GFX_FORMAT_COUNT ? uint32_t(format) : 0u];
}

GfxFormat GfxSrgbTwin(GfxFormat format) {
  switch (format) {
    case GFX_FORMAT_R8G8B8A8_UNORM: return GFX_FORMAT_R8G8B8A8_UNORM_SRGB;
    case GFX_FORMAT_B8G8R8A8_UNORM: return GFX_FORMAT_B8G8R8A8_UNORM_SRGB;
    case GFX_FORMAT_B8G8R8X8_UNORM: return GFX_FORMAT_B8G8R8X8_UNORM_SRGB;
    case GFX_FORMAT_BC1_UNORM: return GFX_FORMAT_BC1_UNORM_SRGB;
    case GFX_FORMAT_BC2_UNORM: return GFX_FORMAT_BC2_UNORM_SRGB;
    case GFX_FORMAT_BC3_UNORM: return GFX_FORMAT_BC3_UNORM_SRGB;
    case GFX_FORMAT_BC7_UNORM: return GFX_FORMAT_BC7_UNORM_SRGB;
    default: return format;
  }
}

int GfxBitsPerPixel(GfxFormat format) {
  const GfxFormatInfo& info = GfxGetFormatInfo(format);
  return info.compressed ? info.bytesPerPixel * 8 / 16 : info.bytesPerPixel * 8;
}

size_t GfxLevelByteSize(GfxFormat format, uint32_t width, uint32_t height, uint32_t* rowPitch) {
  const GfxFormatInfo& info = GfxGetFormatInfo(format);
  uint32_t pitch, rows;
  if (info.compressed) {
    pitch = ((width + 3) / 4) * info.bytesPerPixel;
    rows = (height + 3) / 4;
  } else {
    pitch = width * info.bytesPerPixel;
    rows = height;
  }
  if (rowPitch) *rowPitch = pitch;
  return size_t(pitch) * rows;
}
