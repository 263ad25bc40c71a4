// texture_create.h - DDS files and PNG/JPG pictures in memory made into device textures:
// the device half of the DDS and picture readers (dds_reader.h, picture_reader.h).
//
// Results are the device's result codes.  The format is the sRGB form where one exists, a
// grey picture samples grey (the texture's swizzle), and either output may be null, not both.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/gfx.h"
#include "render/texture_data.h"

// sizeLimit 0: none, and a texture the device refuses is tried again at the feature level's
// limit.  Levels wider or taller than the limit are skipped.
GfxResult LoadDDSFromMemory(const void* bytes, size_t size, uint32_t sizeLimit, GfxTexture2D* outTexture,
                            GfxShaderResourceView* outView);
// generateMips: the device makes the full mip chain (for formats it can draw into).
// sizeLimit 0 is the feature level's limit; a larger picture is scaled down to it.
GfxResult CreateTextureFromWicMemory(int generateMips, const void* bytes, size_t size, uint32_t sizeLimit,
                                     GfxTexture2D* outTexture, GfxShaderResourceView* outView);
// A 2D TextureData record as a texture and view.
GfxResult CreateTextureFromData(const TextureData& data, int generateMips, GfxTexture2D* outTexture,
                                GfxShaderResourceView* outView);
