// texture_create.cpp - device textures from DDS files and pictures held in memory.
#include "render/texture_create.h"

#include <vector>

#include "render/dds_reader.h"
#include "render/device.h"
#include "render/picture_reader.h"

namespace {

constexpr GfxResult NOT_SUPPORTED = int32_t(0x80070032u);

// The outputs the caller asked for; the texture is released when only the view is wanted.
GfxResult Finish(GfxTexture2D texture, GfxTexture2D* outTexture, GfxShaderResourceView* outView) {
  if (outView) {
    GfxResult r = GfxCreateShaderResourceView(Gfx.device, texture, nullptr, outView);
    if (GfxFailed(r)) {
      GfxRelease(texture);
      return r;
    }
  }
  if (outTexture)
    *outTexture = texture;
  else
    GfxRelease(texture);
  return GFX_OK;
}

// The full mip chain of a one-level picture, halved here in linear light with colour weighted
// by alpha (as the texture conversion makes the mips of its DDS files).  A software device
// would make the mips with a drawing pass that it compiles on first use, which costs more
// than the halving.  False, with the record unchanged, where the halving does not apply.
bool MakePictureMips(TextureData& data) {
  if (data.mipLevels != 1 || data.subresources.empty() || data.dimension != TEXTURE_DIMENSION_2D) return false;
  const TextureSubresource& top = data.subresources[0];
  texconv::Image image;
  image.width = top.width;
  image.height = top.height;
  image.format = data.format;  // the same numbers; an sRGB format is filtered in linear light
  image.rowPitch = top.rowPitch;
  image.slicePitch = top.slicePitch;
  image.pixels = const_cast<uint8_t*>(top.data);
  texconv::ScratchImage mips;
  if (texconv::Failed(texconv::GenerateMipMaps(image, 0, 0, &mips))) return false;
  data.subresources.clear();
  for (const texconv::Image& level : mips.images)
    data.subresources.push_back(TextureSubresource{level.pixels, level.width, level.height, 1,
                                                   uint32_t(level.rowPitch), uint32_t(level.slicePitch)});
  data.mipLevels = uint32_t(mips.images.size());
  data.storage = std::move(mips.memory);  // the buffer moves; the levels' pointers stay valid
  return true;
}

}  // namespace

GfxResult CreateTextureFromData(const TextureData& data, int generateMips, GfxTexture2D* outTexture,
                                GfxShaderResourceView* outView) {
  if (outTexture) *outTexture = GfxTexture2D{};
  if (outView) *outView = GfxShaderResourceView{};
  if (!Gfx.device || (!outTexture && !outView)) return GFX_E_INVALIDARG;
  // The device layer makes plain 2D textures only: arrays, cube maps, 1D and volume textures
  // are refused as the formats it lacks are.
  if (data.dimension != TEXTURE_DIMENSION_2D || data.arraySize != 1 || data.isCube || data.depth != 1)
    return NOT_SUPPORTED;
  if (data.mipLevels == 0 || data.subresources.size() < data.mipLevels) return GFX_E_INVALIDARG;
  const GfxFormat format = GfxFormat(data.format);
  const GfxFormatInfo& info = GfxGetFormatInfo(format);
  if (!info.glInternal) return NOT_SUPPORTED;

  GfxTexture2DDesc d;
  d.width = data.width;
  d.height = data.height;
  d.arraySize = 1;
  d.format = format;
  d.bindFlags = GFX_BIND_SHADER_RESOURCE;
  GfxTexture2D texture;
  GfxResult r;
  // Mips are made by the device only for one-level pictures of formats it can draw into.
  if (generateMips && outView && data.mipLevels == 1 && info.renderable && !info.compressed) {
    d.mipLevels = 0;
    d.bindFlags |= GFX_BIND_RENDER_TARGET;
    d.miscFlags = GFX_MISC_GENERATE_MIPS;
    r = GfxCreateTexture2D(Gfx.device, d, nullptr, &texture);
    if (GfxFailed(r)) return r;
    const TextureSubresource& top = data.subresources[0];
    GfxUpdateSubresource(Gfx.context, texture, 0, nullptr, top.data, top.rowPitch, top.slicePitch);
    GfxSetTextureSwizzle(texture, data.swizzle);
    r = GfxCreateShaderResourceView(Gfx.device, texture, nullptr, outView);
    if (GfxFailed(r)) {
      GfxRelease(texture);
      return r;
    }
    GfxGenerateMips(Gfx.context, *outView);
    if (outTexture)
      *outTexture = texture;
    else
      GfxRelease(texture);
    return GFX_OK;
  }
  d.mipLevels = data.mipLevels;
  std::vector<GfxSubresourceData> levels(data.mipLevels);
  for (uint32_t l = 0; l < data.mipLevels; ++l) {
    levels[l].data = data.subresources[l].data;
    levels[l].rowPitch = data.subresources[l].rowPitch;
    levels[l].slicePitch = data.subresources[l].slicePitch;
  }
  r = GfxCreateTexture2D(Gfx.device, d, levels.data(), &texture);
  if (GfxFailed(r)) return r;
  GfxSetTextureSwizzle(texture, data.swizzle);
  return Finish(texture, outTexture, outView);
}

GfxResult LoadDDSFromMemory(const void* bytes, size_t size, uint32_t sizeLimit, GfxTexture2D* outTexture,
                            GfxShaderResourceView* outView) {
  if (outTexture) *outTexture = GfxTexture2D{};
  if (outView) *outView = GfxShaderResourceView{};
  if (!Gfx.device || !bytes || (!outTexture && !outView)) return GFX_E_INVALIDARG;
  TextureData data;
  GfxResult r = ReadDdsFromMemory(bytes, size, sizeLimit, &data);
  if (GfxFailed(r)) return r;
  r = CreateTextureFromData(data, 0, outTexture, outView);
  if (r == GFX_E_INVALIDARG && sizeLimit == 0 && data.mipLevels > 1) {
    const uint32_t limit = DdsRetrySizeLimit(uint32_t(Gfx.featureLevel), data.dimension, data.isCube);
    TextureData smaller;
    r = ReadDdsFromMemory(bytes, size, limit, &smaller);
    if (GfxFailed(r)) return r;
    r = CreateTextureFromData(smaller, 0, outTexture, outView);
  }
  return r;
}

GfxResult CreateTextureFromWicMemory(int generateMips, const void* bytes, size_t size, uint32_t sizeLimit,
                                     GfxTexture2D* outTexture, GfxShaderResourceView* outView) {
  if (outTexture) *outTexture = GfxTexture2D{};
  if (outView) *outView = GfxShaderResourceView{};
  if (!Gfx.device || !bytes || (!outTexture && !outView)) return GFX_E_INVALIDARG;
  if (size == 0) return GFX_E_FAIL;
  TextureData data;
  GfxResult r = ReadPictureFromMemory(bytes, size, sizeLimit, uint32_t(Gfx.featureLevel), &data);
  if (GfxFailed(r)) return r;
  if (generateMips && outView && MakePictureMips(data)) generateMips = 0;
  return CreateTextureFromData(data, generateMips, outTexture, outView);
}
