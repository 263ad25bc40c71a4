// texture_files.h - the texture table's files: which file a record loads, the header checks,
// the loaders, and pictures converted to compressed DDS files that are kept beside them.
//
// Paths are those of the working folder ("data\dds\%s.dds"); a record's name and mod name
// must be plain file names, anything else is treated as a missing file.  Each loader returns
// 1 or 0 and shows its own message; the check that failed is left in TextureErrorText.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "render/texture_record.h"
#include "texconv/texconv.h"

constexpr size_t TEXTURE_FILE_MAX_BYTES = size_t(1) << 30;  // larger files are refused

// ---- [Choosing the file] ----
// The file of a skin, training picture or "data\pic" picture; 0 (with a message for skins)
// when a skin is found nowhere.
int FindSkinFile(const ZKTETexture* record, char* outPath, int outSize);

// ---- [Reading and checking] ----
// The whole file, or 0 with "File not found" or "File missing header" (shorter than minimum).
int ReadTextureFile(const char* path, size_t minimum, std::string* out);
// 0 invalid, 1 usable with a fault, 2 good; *outSize receives the width once it is known.
// expectedFourCC null: any compressed format.
int CheckDdsHeader(const uint8_t* bytes, size_t size, int skipMipCheck, const char* expectedFourCC, int alphaMode,
                   uint32_t* outSize);
// 1 good, 0 invalid; the colour type must match whether alpha is required.
int CheckPngHeader(const uint8_t* bytes, size_t size, int alphaRequired, uint32_t* outSize);

// ---- [Loaders] ----
int load_dds_texture(ZKTETexture* record, int* alpha, int half);
int load_png_texture(ZKTETexture* record, int* alpha, int half, int convert);
int load_ordinary_texture(ZKTETexture* record);
// Whether the record's load would read a plain PNG (no compressed or mod file) that is found
// and passes the header checks: everything the loader checks before decoding.
int OrdinaryTextureCanWait(const ZKTETexture* record);
int load_texture_ext(ZKTETexture* record, const char* path);

// ---- [Conversion] ----
// A PNG or JPG as a DDS file in memory: the full sRGB mip chain compressed to format (71 BC1,
// 74 BC2) with alpha threshold 0.5.  1 or 0.
int ConvertImageToDds(const void* bytes, size_t size, uint32_t format, texconv::Blob* out);
// Converts, writes the DDS to ddsPath (when not empty) stamped with sourceTime (when given),
// and makes the texture from it.
int load_wic_as_dds_texture(const char* name, const void* bytes, size_t size, int alpha, const char* ddsPath,
                            GfxTexture2D* outTexture, GfxShaderResourceView* outView, const uint64_t* sourceTime,
                            int half);
