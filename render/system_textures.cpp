// system_textures.cpp - system textures; so far only the font pages are built.
#include "render/system_textures.h"

#include "render/device.h"
#include "ui/font_pages.h"

int RenderTexturesNeedRefresh;

void LoadSystemTextures() {
  if (!Gfx.device) return;
  BuildFontTexture();
}
void ReleaseSystemTextures() {}
void RefreshRenderTextures() { RenderTexturesNeedRefresh = 0; }
