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

// A record of the page's name that already holds a page of that size, levels and format.
ZKTETexture* StandingPage(const char* name, int size, int mipLevels, GfxFormat format) {
  ZKTETexture* record = AddTextureRef(name, GEN_TYPE_INTERFACE);
  return record && record->state == TEXTURE_OWNED && record->texture && record->width == size &&
                 record->mipLevels == mipLevels && record->format == format
             ? record
             : nullptr;
}

// A generated page with mipLevels levels, made from RGBA pixels (null: empty); a font page
// keeps only the coverage.  A record of that name stays the same record (materials of the
// text batches point at it): refilled when it has a page of that size, those levels and that
// format, else given a new texture (filled, or left unfilled without fill).
int MakePage(const char* name, int size, const uint8_t* rgba, int mipLevels, bool coverage, bool fill = true) {
  const GfxFormat format = coverage ? GFX_FORMAT_R8_UNORM : GFX_FORMAT_R8G8B8A8_UNORM_SRGB;
  if (ZKTETexture* record = StandingPage(name, size, mipLevels, format))
    if (!fill || fill_texture(record, rgba, size, 32, 0)) return 1;
  const int savedLevels = TextureConfig.mipLevels;
  TextureConfig.mipLevels = mipLevels;
  const int made =
      (coverage ? CreateCoverageTexture(name, size, rgba, fill) : CreateGeneratedTexture(name, size, rgba)) != nullptr;
  TextureConfig.mipLevels = savedLevels;
  return made;
}

void CacheName(char* out, size_t size, int index) { std::snprintf(out, size, "CACHE%d_AON", index); }

}  // namespace

int UploadFontPage(int index, const uint8_t* rgba, int width, int height) {
  if (width != height || width <= 0) return 0;  // generated textures are square
  char name[24];
  std::snprintf(name, sizeof name, "FONT%d_AON", index);
  return MakePage(name, width, rgba, FONT_PAGE_MIP_LEVELS, true);
}

int CreateFontPageTexture(int index, int size) {
  char name[24];
  std::snprintf(name, sizeof name, "FONT%d_AON", index);
  return MakePage(name, size, nullptr, FONT_PAGE_MIP_LEVELS, true, false);
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
  // The coverage rows go up as they are (the page reads them as white with that alpha).
  GfxBox region{uint32_t(left), uint32_t(top), 0, uint32_t(right), uint32_t(bottom), 1};
  GfxUpdateSubresource(Gfx.context, record->texture, 0, &region, coverage + size_t(top) * size + left, uint32_t(size), 0);
  if (record->mipLevels < 2) return;
  // The second level: each texel's coverage the mean of its 2 x 2 texels.
  const int halfWidth = width / 2, halfHeight = height / 2;
  std::vector<uint8_t> half(size_t(halfWidth) * halfHeight);
  for (int y = 0; y < halfHeight; ++y)
    for (int x = 0; x < halfWidth; ++x) {
      const uint8_t* q = &coverage[size_t(top + 2 * y) * size + left + 2 * x];
      const int sum = q[0] + q[1] + q[size] + q[size + 1];
      half[size_t(y) * halfWidth + x] = uint8_t(sum / 4);
    }
  GfxBox halfRegion{uint32_t(left / 2), uint32_t(top / 2), 0, uint32_t(right / 2), uint32_t(bottom / 2), 1};
  GfxUpdateSubresource(Gfx.context, record->texture, 1, &halfRegion, half.data(), uint32_t(halfWidth), 0);
}

int CreateGlyphCacheTexture(int index) {
  char name[24];
  CacheName(name, sizeof name, index);
  return MakePage(name, GLYPH_CACHE_PAGE_PIXELS, nullptr, GLYPH_PAGE_MIP_LEVELS, false);
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
