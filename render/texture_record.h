// texture_record.h - the named texture record the device layer reads: its GL objects,
// size and format, and the views through which passes draw into it.
//
// The texture table (texture_table.h) makes, lists and fills these records; render targets
// and the device's release helpers only read the fields below.
#pragma once
#include <cstdint>

#include "platform/gfx.h"

constexpr int TEXTURE_NAME_SIZE = 32;
constexpr int TEXTURE_TARGET_VIEWS = 6;

// state: 0 owns its objects; 1 deferred, 2 blank, 3 missing, 4 waiting for its first use (its
// file was found and checked; it is read when first bound): these borrow a placeholder's
// objects and release nothing.
enum : uint8_t {
  TEXTURE_OWNED = 0,
  TEXTURE_DEFERRED = 1,
  TEXTURE_BLANK = 2,
  TEXTURE_MISSING = 3,
  TEXTURE_ON_FIRST_USE = 4,
};
// flags
enum : uint8_t {
  TEXTURE_RELOAD_REQUESTED = 1,
  TEXTURE_FROM_FILE = 2,        // loaded through the table from its file: may be reloaded
  TEXTURE_HAS_ALPHA = 4,
  TEXTURE_FOLLOWS_QUALITY = 8,  // depends on "Half Tex Res " and "Compressed Tex "
};

struct ZKTETexture {
  uint8_t state;
  uint8_t type;     // where its file lies: 0 general, 1..3 skins, 4 training, 5 background, 7 blank
  uint8_t genType;  // the highest generation type any user asked for
  uint8_t registered;  // 1 while listed in the texture table
  uint8_t flags;
  uint8_t rtFlags;  // the flags a render texture was made with
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
