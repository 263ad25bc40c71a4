// font_pages.cpp - font and glyph-cache textures; none exist until the texture table does.
#include "render/font_pages.h"

int UploadFontPage(int index, const uint8_t* rgba, int width, int height) { return 1; }
int CreateGlyphCacheTexture(int index) { return 1; }
void UpdateGlyphCacheCell(int index, int cellX, int cellY, const uint8_t* rgba, int size) {}
void ReleaseGlyphCacheTextures() {}
