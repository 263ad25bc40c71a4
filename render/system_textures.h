// system_textures.h - the textures every screen uses, and render-texture refresh.
#pragma once

extern int RenderTexturesNeedRefresh;

void LoadSystemTextures();
void ReleaseSystemTextures();
void RefreshRenderTextures();
