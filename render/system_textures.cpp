// system_textures.cpp - system textures; on the null device only the font pages are built.
#include "render/system_textures.h"

#include "ui/font_pages.h"

int RenderTexturesNeedRefresh;

void LoadSystemTextures() { BuildFontTexture(); }
void ReleaseSystemTextures() {}
void RefreshRenderTextures() { RenderTexturesNeedRefresh = 0; }
