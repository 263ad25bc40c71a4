// font_pages.cpp - font and glyph-cache pages as generated textures of the texture table.
#include "render/font_pages.h"

#include <cstdio>

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
