// font_pages.cpp - font and glyph-cache pages as generated textures of the texture table.
#include "render/font_pages.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "render/device.h"
#include "render/generated_textures.h"
#include "render/texture_table.h"

namespace {

constexpr int MAX_CACHE_TEXTURES = 64;  // as many as the glyph cache may have pages

// A generated page with mipLevels levels.  A record of that name stays the same record
// (materials of the text batches point at it): refilled when it has a page of that size and
// those levels, else given a new texture.
int MakePage(const char* name, int size, const uint8_t* rgba, int mipLevels) {
  ZKTETexture* record = AddTextureRef(name, GEN_TYPE_INTERFACE);
  if (record && record->state == TEXTURE_OWNED && record->texture && record->width == size &&
      record->mipLevels == mipLevels && fill_texture(record, rgba, size, 32, 0))
    return 1;
  const int savedLevels = TextureConfig.mipLevels;
  TextureConfig.mipLevels = mipLevels;
  const int made = CreateGeneratedTexture(name, size, rgba) != nullptr;
  TextureConfig.mipLevels = savedLevels;
  return made;
}

void CacheName(char* out, size_t size, int index) { std::snprintf(out, size, "CACHE%d_AON", index); }

}  // namespace

int UploadFontPage(int index, const uint8_t* rgba, int width, int height) {
  if (width != height || width <= 0) return 0;  // generated textures are square
  char name[24];
  std::snprintf(name, sizeof name, "FONT%d_AON", index);
  return MakePage(name, width, rgba, FONT_PAGE_MIP_LEVELS);
}

int CreateFontPageTexture(int index, int size) {
  char name[24];
  std::snprintf(name, sizeof name, "FONT%d_AON", index);
  const ZKTETexture* record = AddTextureRef(name, GEN_TYPE_INTERFACE);
  if (record && record->state == TEXTURE_OWNED && record->texture && record->width == size &&
      record->mipLevels == FONT_PAGE_MIP_LEVELS)
    return 1;
  const int savedLevels = TextureConfig.mipLevels;
  TextureConfig.mipLevels = FONT_PAGE_MIP_LEVELS;
  const int made = CreateUnfilledTexture(name, size) != nullptr;
  TextureConfig.mipLevels = savedLevels;
  return made;
}

void UpdateFontPageBox(int index, const uint8_t* coverage, int size, int left, int top, int right, int bottom) {
  char name[24];
  std::snprintf(name, sizeof name, "FONT%d_AON", index);
  const ZKTETexture* record = AddTextureRef(name, GEN_TYPE_INTERFACE);
  if (!record || !record->texture || !coverage || record->width != size || record->height != size) return;
  left = std::clamp(left & ~1, 0, size);
  top = std::clamp(top & ~1, 0, size);
  right = std::clamp((right + 1) & ~1, 0, size);
  bottom = std::clamp((bottom + 1) & ~1, 0, size);
  if (right <= left || bottom <= top) return;
  const int width = right - left, height = bottom - top;
  std::vector<uint8_t> box(size_t(width) * height * 4, 255);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) box[(size_t(y) * width + x) * 4 + 3] = coverage[size_t(top + y) * size + left + x];
  GfxBox region{uint32_t(left), uint32_t(top), 0, uint32_t(right), uint32_t(bottom), 1};
  GfxUpdateSubresource(Gfx.context, record->texture, 0, &region, box.data(), uint32_t(width) * 4, 0);
  if (record->mipLevels < 2) return;
  // The second level: white, each texel's coverage the mean of its 2 x 2 texels.
  const int halfWidth = width / 2, halfHeight = height / 2;
  std::vector<uint8_t> half(size_t(halfWidth) * halfHeight * 4, 255);
  for (int y = 0; y < halfHeight; ++y)
    for (int x = 0; x < halfWidth; ++x) {
      const uint8_t* q = &box[(size_t(2 * y) * width + 2 * x) * 4 + 3];
      const int sum = q[0] + q[4] + q[size_t(width) * 4] + q[size_t(width) * 4 + 4];
      half[(size_t(y) * halfWidth + x) * 4 + 3] = uint8_t(sum / 4);
    }
  GfxBox halfRegion{uint32_t(left / 2), uint32_t(top / 2), 0, uint32_t(right / 2), uint32_t(bottom / 2), 1};
  GfxUpdateSubresource(Gfx.context, record->texture, 1, &halfRegion, half.data(), uint32_t(halfWidth) * 4, 0);
}

int CreateGlyphCacheTexture(int index) {
  char name[24];
  CacheName(name, sizeof name, index);
  return MakePage(name, GLYPH_CACHE_PAGE_PIXELS, nullptr, GLYPH_PAGE_MIP_LEVELS);
}

void UpdateGlyphCacheCell(int index, int cellX, int cellY, const uint8_t* rgba, int size) {
  if (size != GLYPH_CELL_PIXELS) return;
  char name[24];
  CacheName(name, sizeof name, index);
  update_texture_slot(AddTextureRef(name, GEN_TYPE_INTERFACE), cellX, cellY, rgba);
}

void ReleaseGlyphCacheTextures() {
  // The records stay listed, empty, for the materials that point at them; a page made again
  // fills the same record.
  char name[24];
  for (int i = 0; i < MAX_CACHE_TEXTURES; ++i) {
    CacheName(name, sizeof name, i);
    if (ZKTETexture* record = AddTextureRef(name, 0)) ReleaseTextureObjects(record);
  }
}
