// texture_record.h - the named texture record the device layer reads: its GL objects,
// size and format, and the views through which passes draw into it.
//
// The texture table owns and fills these records; render targets and the device's release
// helpers only read the fields below.
#pragma once
#include <cstdint>

#include "platform/gfx.h"

constexpr int TEXTURE_NAME_SIZE = 32;
constexpr int TEXTURE_TARGET_VIEWS = 6;

struct ZKTETexture {
  uint8_t state;    // the kind byte: 1, 2 and 3 borrow their objects and release nothing
  uint8_t type;     // 1, 2, 3 and 7 are plain textures
  uint8_t genType;  // the highest generation type any user asked for
  uint8_t flags;
  int32_t width, height, mipLevels;
  GfxFormat format;
  GfxTexture2D texture;        // the texture read by shaders
  GfxTexture2D secondTexture;  // a multisampled twin drawn into and resolved into texture
  GfxTexture2D depthTexture;
  GfxShaderResourceView view;
  GfxRenderTargetView targetViews[TEXTURE_TARGET_VIEWS];  // per mip level, or per face with a twin
  GfxDepthStencilView depthView;
  char name[TEXTURE_NAME_SIZE];
  char modName[TEXTURE_NAME_SIZE];
};

// ---- [Record helpers of the device layer] ----
void ReleaseTexture(ZKTETexture* record);
void ReadTextureDescription(ZKTETexture* record);
uint32_t TextureMemorySize(const ZKTETexture* record);  // bytes of all levels
int IsPlainTextureKind(const ZKTETexture* record);

// ---- [Lookup by name] ----
// The record of a name (any case), made on first request.  The texture table replaces this
// stand-in, which makes bare records without pixels.
ZKTETexture* GetTextureByName(const char* name);
void FreeNamedTextureRecords();
