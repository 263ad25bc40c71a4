// picture_reader.cpp - PNG and JPG pictures into TextureData records.
#include "render/picture_reader.h"

#include <algorithm>

using namespace texconv;

uint32_t PictureSizeLimitForFeatureLevel(uint32_t featureLevel) {
  if (featureLevel < 0x9300) return 2048;
  if (featureLevel < 0xa000) return 4096;
  if (featureLevel < 0xb000) return 8192;
  return 16384;
}

void ScaledPictureSize(uint32_t width, uint32_t height, uint32_t limit, uint32_t* outWidth,
                       uint32_t* outHeight) {
  *outWidth = width;
  *outHeight = height;
  if (width <= limit && height <= limit) return;
  const float aspect = float(height) / float(width);
  if (width > height) {
    *outWidth = limit;
    *outHeight = std::max(1u, uint32_t(float(limit) * aspect));
  } else {
    *outHeight = limit;
    *outWidth = std::max(1u, uint32_t(float(limit) / aspect));
  }
}

Result ReadPictureFromMemory(const void* bytes, size_t size, uint32_t sizeLimit,
                             uint32_t featureLevel, TextureData* out) {
  if (!out) return TEX_E_INVALIDARG;
  *out = TextureData{};
  if (!bytes) return TEX_E_INVALIDARG;
  if (size == 0) return TEX_E_FAIL;
  if (sizeLimit == 0) sizeLimit = PictureSizeLimitForFeatureLevel(featureLevel);

  ScratchImage picture;
  Result r = LoadFromWICMemory(bytes, size, 0, nullptr, &picture);
  if (Failed(r)) return r;
  uint32_t width, height;
  ScaledPictureSize(picture.metadata.width, picture.metadata.height, sizeLimit, &width, &height);
  if (width != picture.metadata.width || height != picture.metadata.height) {
    ScratchImage scaled;
    r = Resize(picture.images[0], width, height, TEX_FILTER_SRGB, &scaled);
    if (Failed(r)) return r;
    picture = std::move(scaled);
  }

  const Image& im = picture.images[0];
  TextureSubresource s;
  s.data = im.pixels;
  s.width = im.width;
  s.height = im.height;
  s.depth = 1;
  s.rowPitch = uint32_t(im.rowPitch);
  s.slicePitch = uint32_t(im.slicePitch);
  out->subresources.push_back(s);
  out->storage = std::move(picture.memory);  // the buffer moves; s.data stays valid
  out->dimension = TEXTURE_DIMENSION_2D;
  out->format = SrgbFormatOf(im.format);
  out->width = im.width;
  out->height = im.height;
  out->depth = 1;
  out->mipLevels = 1;
  out->arraySize = 1;
  SwizzleForFormat(im.format, false, out->swizzle);
  return TEX_OK;
}
