// texture_files.cpp - choosing, checking and loading the texture table's files, and the
// PNG/JPG to DDS conversion kept beside them.
#include "render/texture_files.h"

#include <strings.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "core/report.h"
#include "platform/files.h"
#include "platform/system_error.h"
#include "render/device.h"
#include "render/jpeg_exif.h"
#include "render/texture_create.h"
#include "render/texture_table.h"
#include "render/texture_table_local.h"

using namespace texconv;

namespace {

inline uint32_t GetU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint32_t GetU32BigEndian(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
bool IsPowerOfTwo(uint32_t v) { return v && !(v & (v - 1)); }

bool ContainsNoCase(const char* text, const char* part) {
  const size_t n = std::strlen(part);
  for (const char* p = text; *p; ++p)
    if (strncasecmp(p, part, n) == 0) return true;
  return false;
}

// The size limit of a texture of that width: the width, halved once at "Half Tex Res ".
uint32_t HalvedLimit(uint32_t width, int half) { return half && width > 16 ? width / 2 : width; }

// Where a record's PNG lies: backgrounds, skies or the general folder.
const char* PngPathTemplate(const ZKTETexture* record) {
  if (record->type == TEXTURE_TYPE_BACKGROUND) return "data\\bkg\\%s.png";
  return TextureConfig.skies ? "data\\skies\\%s.png" : "data\\png\\%s.png";
}

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

}  // namespace

// ---- [Choosing the file] ----

int FindSkinFile(const ZKTETexture* record, char* out, int outSize) {
  const char* name = record->name;
  const bool mod = record->modName[0] != 0;
  out[0] = 0;
  switch (record->type) {
    case TEXTURE_TYPE_SKIN: {
      char jpg[FILE_PATH_SIZE], dds[FILE_PATH_SIZE];
      const bool haveJpg = TexturePath(jpg, sizeof jpg, "data\\skins\\%s.jpg", name) && FileExists(jpg);
      if (!TextureConfig.preferCompressedSkins && haveJpg) {
        std::snprintf(out, size_t(outSize), "%s", jpg);
        return 1;
      }
      if (mod) {
        // The mod's own skin, without a test: a missing one is reported when it is read.
        if (!TexturePath(out, outSize, "mods\\vehicles\\%s\\skins_dds\\%s.dds", record->modName, name)) return 0;
        return 1;
      }
      if (TexturePath(dds, sizeof dds, "data\\skins_dds\\%s.dds", name) && FileExists(dds)) {
        std::snprintf(out, size_t(outSize), "%s", dds);
        return 1;
      }
      if (TextureConfig.preferCompressedSkins && haveJpg) {
        TextureMessage(REPORT_LIGHT_BLUE, "Compressed skin %s was not found - using full", name);
        std::snprintf(out, size_t(outSize), "%s", jpg);
        return 1;
      }
      TextureMessage(REPORT_ERROR, "Skin %s was not found (compressed or full)", name);
      return 0;
    }
    case TEXTURE_TYPE_SKIN_X: return TexturePath(out, outSize, "data\\skins_x\\%s.dds", name) ? 1 : 0;
    case TEXTURE_TYPE_SKIN_Y: return TexturePath(out, outSize, "data\\skins_y\\%s.dds", name) ? 1 : 0;
    case TEXTURE_TYPE_TRAINING: return TexturePath(out, outSize, "data\\training\\%s.jpg", name) ? 1 : 0;
    default: return TexturePath(out, outSize, "data\\pic\\%s", name) ? 1 : 0;
  }
}

// ---- [Reading and checking] ----

int ReadTextureFile(const char* path, size_t minimum, std::string* out) {
  out->clear();
  if (!path || !path[0] || FileReadAll(path, *out, int64_t(TEXTURE_FILE_MAX_BYTES)) != 0) {
    out->clear();
    SetTextureErrorText("File not found");
    return 0;
  }
  if (out->size() < minimum) {
    out->clear();
    SetTextureErrorText("File missing header");
    return 0;
  }
  return 1;
}

int CheckDdsHeader(const uint8_t* bytes, size_t size, int skipMipCheck, const char* expectedFourCC, int alphaMode,
                   uint32_t* outSize) {
  if (size < 128 || std::memcmp(bytes, "DDS ", 4) != 0) {
    SetTextureErrorText("Invalid file");
    return 0;
  }
  const uint32_t flags = GetU32(bytes + 8), height = GetU32(bytes + 12), width = GetU32(bytes + 16);
  const uint32_t mipCount = GetU32(bytes + 28);
  const uint32_t pfFlags = GetU32(bytes + 80);
  const uint8_t* fourCC = bytes + 84;
  if (width < 16) return SetTextureErrorText("Too small"), 0;
  if (width > 4096) return SetTextureErrorText("Too big"), 0;
  if (width != height) return SetTextureErrorText("Not square"), 0;
  if (!IsPowerOfTwo(width)) return SetTextureErrorText("Not a power of two"), 0;
  if (outSize) *outSize = width;
  if (!skipMipCheck) {
    if (!(flags & 0x20000)) return SetTextureErrorText("No mipmaps"), 1;
    uint32_t levels = 1;
    for (uint32_t w = width; w > 1; w /= 2) ++levels;
    if (mipCount != levels) return SetTextureErrorText("Incomplete mipmaps"), 1;
  }
  if (!(pfFlags & 4)) return SetTextureErrorText("Not compressed"), 1;
  if (!expectedFourCC || std::memcmp(fourCC, expectedFourCC, 4) == 0) return 2;
  SetTextureErrorText(alphaMode == 1 && std::memcmp(fourCC, "DXT1", 4) == 0 ? "Old format" : "Wrong format");
  return 1;
}

int CheckPngHeader(const uint8_t* bytes, size_t size, int alphaRequired, uint32_t* outSize) {
  static const uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (size < 26 || std::memcmp(bytes, SIGNATURE, 8) != 0 || GetU32BigEndian(bytes + 8) != 13 ||
      std::memcmp(bytes + 12, "IHDR", 4) != 0) {
    SetTextureErrorText("Invalid file");
    return 0;
  }
  const uint32_t width = GetU32BigEndian(bytes + 16), height = GetU32BigEndian(bytes + 20);
  const uint8_t colourType = bytes[25];
  if (width < 16) return SetTextureErrorText("Too small"), 0;
  if (width > 4096) return SetTextureErrorText("Too big"), 0;
  if (width != height) return SetTextureErrorText("Not square"), 0;
  if (!IsPowerOfTwo(width)) return SetTextureErrorText("Not a power of two"), 0;
  if (outSize) *outSize = width;
  const char* fault = nullptr;
  switch (colourType) {
    case 0: fault = alphaRequired ? "Colour type GREY but A is required" : nullptr; break;
    case 2: fault = alphaRequired ? "Colour type RGB but A is required" : nullptr; break;
    case 3: fault = alphaRequired ? "Colour type PALETTE but A is required" : nullptr; break;
    case 4: fault = alphaRequired ? nullptr : "Colour type GREY+A but A is not required"; break;
    case 6: fault = alphaRequired ? nullptr : "Colour type RGBA but A is not required"; break;
    default: fault = "Colour type invalid"; break;
  }
  if (fault) return SetTextureErrorText(fault), 0;
  return 1;
}

// ---- [Loaders] ----

int load_dds_texture(ZKTETexture* record, int* alpha, int half) {
  TextureFlagsFromName(record->name, alpha);
  const char* fourCC = *alpha ? "DXT3" : "DXT1";
  char path[FILE_PATH_SIZE];
  const bool named = record->modName[0]
                         ? TexturePath(path, sizeof path, "mods\\vehicles\\%s\\dds\\%s.dds", record->modName, record->name)
                         : TexturePath(path, sizeof path, "data\\dds\\%s.dds", record->name);
  std::string file;
  if (!named) SetTextureErrorText("File not found");
  if (!named || !ReadTextureFile(path, 128, &file)) {
    TextureMessage(REPORT_MESSAGE, "Could not read texture %s - %s", record->name, TextureErrorText);
    return 0;
  }
  uint32_t width = 0;
  if (CheckDdsHeader(Bytes(file), file.size(), TextureConfig.mipLevels != 0, fourCC, *alpha, &width) != 2) {
    TextureMessage(REPORT_MESSAGE, "Invalid texture %s - %s", record->name, TextureErrorText);
    return 0;
  }
  GfxResult r = LoadDDSFromMemory(file.data(), file.size(), HalvedLimit(width, half), &record->texture, &record->view);
  if (GfxFailed(r)) {
    TextureMessage(REPORT_MESSAGE, "Could not create DDS texture %s (%s)", record->name, HResultName(uint32_t(r)));
    return 0;
  }
  return 1;
}

int load_png_texture(ZKTETexture* record, int* alpha, int half, int convert) {
  TextureFlagsFromName(record->name, alpha);
  char path[FILE_PATH_SIZE];
  std::string file;
  const bool named = TexturePath(path, sizeof path, PngPathTemplate(record), record->name);
  if (!named) SetTextureErrorText("File not found");
  if (!named || !ReadTextureFile(path, 28, &file)) {
    TextureMessage(REPORT_MESSAGE, "Could not read texture %s - %s", record->name, TextureErrorText);
    return 0;
  }
  uint32_t width = 0;
  if (!CheckPngHeader(Bytes(file), file.size(), *alpha != 0, &width)) {
    TextureMessage(REPORT_MESSAGE, "Invalid texture %s - %s", record->name, TextureErrorText);
    return 0;
  }
  if (convert) {
    uint64_t pngTime = 0;
    const bool haveTime = FileGetWriteTime(path, pngTime);
    char ddsPath[FILE_PATH_SIZE];
    TexturePath(ddsPath, sizeof ddsPath, TextureConfig.ddsExport ? "data\\dds_export\\%s.dds" : "data\\dds\\%s.dds",
                record->name);
    return load_wic_as_dds_texture(record->name, file.data(), file.size(), *alpha, ddsPath, &record->texture,
                                   &record->view, haveTime ? &pngTime : nullptr, half);
  }
  GfxResult r = CreateTextureFromWicMemory(TextureConfig.mipLevels != 1, file.data(), file.size(),
                                           HalvedLimit(width, half), &record->texture, &record->view);
  if (GfxFailed(r)) {
    TextureMessage(REPORT_MESSAGE, "Could not create WIC texture %s (%s)", record->name, HResultName(uint32_t(r)));
    return 0;
  }
  return 1;
}

int load_ordinary_texture(ZKTETexture* record) {
  int half = 0, compressed = 0, alpha = 0;
  if (!TextureConfig.specialPicture && !TextureConfig.skies && record->type != TEXTURE_TYPE_BACKGROUND) {
    record->flags |= TEXTURE_FOLLOWS_QUALITY;
    half = CfgHalfTexRes;
    compressed = CfgCompressedTex;
  }
  int loaded = 0;
  if (record->modName[0]) {
    loaded = load_dds_texture(record, &alpha, half);
  } else {
    bool useDds = false;
    if (compressed && !TextureConfig.ddsExport) {
      useDds = true;
      if (TextureConfig.checkFileTimes) {
        // The DDS was made from the PNG and stamped with its time: any other time means the
        // PNG changed since (or the DDS came from elsewhere), so the PNG is converted again.
        char ddsPath[FILE_PATH_SIZE], pngPath[FILE_PATH_SIZE];
        uint64_t ddsTime = 0, pngTime = 0;
        const bool haveDds = TexturePath(ddsPath, sizeof ddsPath, "data\\dds\\%s.dds", record->name) &&
                             FileGetWriteTime(ddsPath, ddsTime);
        bool havePng = false;
        if (haveDds) {
          havePng = TexturePath(pngPath, sizeof pngPath, PngPathTemplate(record), record->name) &&
                    FileGetWriteTime(pngPath, pngTime);
          if (!havePng)
            TextureMessage(REPORT_MESSAGE, "Checked file time of DDS but could not check file time of PNG : %s",
                           record->name);
        }
        useDds = haveDds && (!havePng || ddsTime == pngTime);
      }
    }
    if (useDds) loaded = load_dds_texture(record, &alpha, half);
    if (!loaded) {
      ReleaseTexture(record);
      loaded = load_png_texture(record, &alpha, half, compressed);
    }
  }
  if (loaded && alpha) record->flags |= TEXTURE_HAS_ALPHA;
  return loaded;
}

int OrdinaryTextureCanWait(const ZKTETexture* record) {
  // Only a plain PNG of the general folder: compressed, mod and sky pictures choose among
  // files as they load.
  const TextureSettings& c = TextureConfig;
  if (record->modName[0] || record->type != TEXTURE_TYPE_GENERAL || c.skies || (!c.specialPicture && CfgCompressedTex))
    return 0;
  int alpha = 0;
  TextureFlagsFromName(record->name, &alpha);
  char path[FILE_PATH_SIZE];
  std::string file;
  uint32_t width = 0;
  return TexturePath(path, sizeof path, PngPathTemplate(record), record->name) && ReadTextureFile(path, 28, &file) &&
         CheckPngHeader(Bytes(file), file.size(), alpha != 0, &width);
}

int load_texture_ext(ZKTETexture* record, const char* path) {
  const TextureSettings& c = TextureConfig;
  const int memory = c.memoryImage[0] ? 0 : c.memoryImage[1] ? 1 : -1;
  if (memory >= 0) {
    GfxResult r = CreateTextureFromWicMemory(1, c.memoryImage[memory], c.memoryImageSize[memory], 0, &record->texture,
                                             &record->view);
    if (GfxFailed(r)) return 0;
    record->state = TEXTURE_OWNED;
    ReadTextureDescription(record);
    return 1;
  }
  char chosen[FILE_PATH_SIZE] = "";
  bool dds = false, oneShot = false;
  if (c.filePath) {
    std::snprintf(chosen, sizeof chosen, "%s", c.filePath);
    oneShot = true;
  } else if (path) {
    std::snprintf(chosen, sizeof chosen, "%s", path);
  }
  dds = ContainsNoCase(chosen, ".dds");
  if (!oneShot) {
    // Pictures saved under ".jbw" are the JPG of the same name.
    const size_t n = std::strlen(chosen);
    if (n >= 4 && strcasecmp(chosen + n - 4, ".jbw") == 0) std::memcpy(chosen + n - 4, ".jpg", 4);
  }
  std::string file;
  if (!chosen[0] || !ReadTextureFile(chosen, 8, &file)) {
    if (!chosen[0]) SetTextureErrorText("File not found");
    TextureMessage(REPORT_ERROR, "Could not load %s - %s", chosen[0] ? PathOnDisk(chosen).c_str() : "file",
                   TextureErrorText);
    return TakePlaceholder(record, 1, TEXTURE_MISSING);
  }
  GfxResult r = dds ? LoadDDSFromMemory(file.data(), file.size(), 0, &record->texture, &record->view)
                    : CreateTextureFromWicMemory(c.mipLevels != 1, file.data(), file.size(), 0, &record->texture,
                                                 &record->view);
  if (!dds && c.exifOut) {
    if (const char* error = ParseJpegExif(Bytes(file), file.size(), c.exifOut)) TextureMessage(REPORT_MESSAGE, "%s", error);
  }
  if (GfxFailed(r)) {
    // A damaged picture is shown as missing, once, rather than leaving its users without
    // any texture.
    SetTextureErrorText(HResultName(uint32_t(r)));
    TextureMessage(REPORT_ERROR, "Could not load %s - %s", PathOnDisk(chosen).c_str(), TextureErrorText);
    return TakePlaceholder(record, 1, TEXTURE_MISSING);
  }
  record->state = TEXTURE_OWNED;
  ReadTextureDescription(record);
  if (oneShot && dds) record->flags |= TEXTURE_HAS_ALPHA;
  return 1;
}

// ---- [Conversion] ----

int ConvertImageToDds(const void* bytes, size_t size, uint32_t format, Blob* out) {
  ScratchImage picture;
  if (Failed(LoadFromWICMemory(bytes, size, 0, nullptr, &picture))) return 0;
  if (picture.metadata.format != FORMAT_R8G8B8A8_UNORM) {
    ScratchImage rgba;
    if (Failed(Convert(picture.images[0], FORMAT_R8G8B8A8_UNORM, &rgba))) return 0;
    picture = std::move(rgba);
  }
  const uint32_t limit = uint32_t(TextureConfig.conversionSizeLimit);
  if (limit && picture.metadata.width > limit) {
    ScratchImage resized;
    if (Failed(Resize(picture.images[0], limit, limit, TEX_FILTER_SRGB, &resized))) return 0;
    picture = std::move(resized);
  }
  ScratchImage mips;
  if (Failed(GenerateMipMaps(picture.images[0], TEX_FILTER_SRGB, 0, &mips))) return 0;
  picture.Release();
  ScratchImage compressed;
  if (Failed(Compress(mips.images.data(), mips.images.size(), mips.metadata, format, TEX_COMPRESS_SRGB, 0.5f,
                      &compressed)))
    return 0;
  mips.Release();
  return Succeeded(SaveToDDSMemory(compressed.images.data(), compressed.images.size(), compressed.metadata, 0, out))
             ? 1
             : 0;
}

int load_wic_as_dds_texture(const char* name, const void* bytes, size_t size, int alpha, const char* ddsPath,
                            GfxTexture2D* outTexture, GfxShaderResourceView* outView, const uint64_t* sourceTime,
                            int half) {
  Blob blob;
  if (!ConvertImageToDds(bytes, size, alpha ? FORMAT_BC2_UNORM : FORMAT_BC1_UNORM, &blob)) {
    TextureMessage(REPORT_MESSAGE, "Could not convert %s to DDS", name);
    return 0;
  }
  uint32_t width = 0;
  if (CheckDdsHeader(blob.data(), blob.size(), 0, alpha ? "DXT3" : "DXT1", alpha, &width) == 0) {
    TextureMessage(REPORT_MESSAGE, "Invalid converted texture %s - %s", name, TextureErrorText);
    return 0;
  }
  if (ddsPath && ddsPath[0]) {
    // The folder may not exist yet in a fresh working folder (or the export folder).
    char folder[FILE_PATH_SIZE];
    std::snprintf(folder, sizeof folder, "%s", ddsPath);
    if (char* slash = std::strrchr(folder, '\\')) {
      *slash = 0;
      MakeFolder(folder);
    }
    int error = FileWriteAll(ddsPath, blob.data(), blob.size());
    if (!error && sourceTime && !FileSetWriteTime(ddsPath, *sourceTime)) error = errno ? errno : EIO;
    if (!error) {
      ++TexturesSavedCount;
      TextureMessage(REPORT_SUCCESS, "Saved : %s", PathToNative(ddsPath).c_str());
    } else {
      char reason[SYSTEM_ERROR_TEXT_SIZE];
      SystemErrorText(error, reason, sizeof reason);
      TextureMessage(REPORT_MESSAGE, "Could not save : %s : %s", ddsPath, reason);
    }
  }
  GfxResult r = LoadDDSFromMemory(blob.data(), blob.size(), HalvedLimit(width, half), outTexture, outView);
  if (GfxFailed(r)) {
    TextureMessage(REPORT_MESSAGE, "Could not create DDS from WIC %s (%s)", name, HResultName(uint32_t(r)));
    return 0;
  }
  return 1;
}
