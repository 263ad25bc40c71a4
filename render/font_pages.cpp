// font_pages.cpp - font and glyph-cache pages as generated textures of the texture table.
#include "render/font_pages.h"

#include <cstdio>

#include "render/generated_textures.h"
#include "render/texture_table.h"

namespace {

constexpr int MAX_CACHE_TEXTURES = 64;  // as many as the glyph cache may have pages

// A generated page with the glyph pages' mip levels.
ZKTETexture* MakePage(const char* name, int size, const uint8_t* rgba) {
  const int savedLevels = TextureConfig.mipLevels;
  TextureConfig.mipLevels = GLYPH_PAGE_MIP_LEVELS;
  ZKTETexture* record = CreateGeneratedTexture(name, size, rgba);
  TextureConfig.mipLevels = savedLevels;
  return record;
}

void CacheName(char* out, size_t size, int index) { std::snprintf(out, size, "CACHE%d_AON", index); }

}  // namespace

int UploadFontPage(int index, const uint8_t* rgba, int width, int height) {
  if (width != height || width <= 0) return 0;  // generated textures are square
  char name[24];
  std::snprintf(name, sizeof name, "FONT%d_AON", index);
  if (ZKTETexture* existing = AddTextureRef(name, GEN_TYPE_INTERFACE)) {
    if (existing->state == TEXTURE_OWNED && existing->width == width && fill_texture(existing, rgba, width, 32, 0))
      return 1;
    FreeTextureRecord(existing);
  }
  return MakePage(name, width, rgba) ? 1 : 0;
}

int CreateGlyphCacheTexture(int index) {
  char name[24];
  CacheName(name, sizeof name, index);
  if (ZKTETexture* existing = AddTextureRef(name, GEN_TYPE_INTERFACE)) FreeTextureRecord(existing);
  return MakePage(name, GLYPH_CACHE_PAGE_PIXELS, nullptr) ? 1 : 0;
}

void UpdateGlyphCacheCell(int index, int cellX, int cellY, const uint8_t* rgba, int size) {
  if (size != GLYPH_CELL_PIXELS) return;
  char name[24];
  CacheName(name, sizeof name, index);
  update_texture_slot(AddTextureRef(name, GEN_TYPE_INTERFACE), cellX, cellY, rgba);
}

void ReleaseGlyphCacheTextures() {
  char name[24];
  for (int i = 0; i < MAX_CACHE_TEXTURES; ++i) {
    CacheName(name, sizeof name, i);
    FreeTextureRecord(AddTextureRef(name, 0));
  }
}
