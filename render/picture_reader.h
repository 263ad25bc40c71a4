// picture_reader.h - PNG and JPG pictures read into a TextureData record (one level): the
// picture decoded by the texture conversion library, scaled down to the size limit, its
// format chosen (sRGB where one exists) and a grey picture made to sample grey.  No device
// work: mip generation, and a fallback format when the device lacks one, belong to the
// texture table's device step.
#pragma once
#include "render/texture_data.h"
#include "texconv/texconv.h"

// The largest picture side a feature level (0x9100 ... 0xb100) takes: 2048 for 9.1 and 9.2,
// 4096 for 9.3, 8192 for 10.0 and 10.1, 16384 above.
uint32_t PictureSizeLimitForFeatureLevel(uint32_t featureLevel);

// A picture wider or taller than limit: its larger side becomes limit, the other the
// proportional length cut down (at least 1).  Smaller pictures keep their size.
void ScaledPictureSize(uint32_t width, uint32_t height, uint32_t limit, uint32_t* outWidth,
                       uint32_t* outHeight);

// Decodes a PNG or JPG.  sizeLimit 0 means the feature level's limit.  Formats: 8-bit grey
// 61 and 16-bit grey 56 (both swizzled to grey), 16-bit colour 11, everything else 29.
texconv::Result ReadPictureFromMemory(const void* bytes, size_t size, uint32_t sizeLimit,
                                      uint32_t featureLevel, TextureData* out);
