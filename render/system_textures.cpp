// system_textures.cpp - system textures; none exist on the null device.
#include "render/system_textures.h"

int RenderTexturesNeedRefresh;

void LoadSystemTextures() {}
void ReleaseSystemTextures() {}
void RefreshRenderTextures() { RenderTexturesNeedRefresh = 0; }
