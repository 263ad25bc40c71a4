// texture_table.h - every texture the renderer draws with, found by name in one table that
// lives for the whole run; loading from the working folder, placeholders, deferred loading
// and reloads, render textures and the eight pixel-shader texture slots.
//
// Sections: [Settings] [Table] [Loading] [Reloading] [Render textures] [Binding] [Release]
//
// Names are compared without regard to case and cut to 31 characters.  A record that cannot
// be loaded, or whose loading may wait, borrows a placeholder: "SYS~GREY" for textures found
// by name alone, "SYS~WHITE" for files, skins and blank records.  Main thread only, except
// that the texture lock (LockTextures) also guards the download worker's skin writing.
#pragma once
#include <cstddef>
#include <cstdint>

#include "render/jpeg_exif.h"
#include "render/texture_record.h"

// Generation types in use (gen_type).
constexpr int GEN_TYPE_DEFERRABLE = 2;  // may be loaded later: takes a placeholder first
constexpr int GEN_TYPE_WORLD = 3;
constexpr int GEN_TYPE_INTERFACE = 4;   // interface pictures, system and generated textures
constexpr int GEN_TYPE_RENDER = 5;

// Record types: where the file lies.
enum : uint8_t {
  TEXTURE_TYPE_GENERAL = 0,
  TEXTURE_TYPE_SKIN = 1,
  TEXTURE_TYPE_SKIN_X = 2,
  TEXTURE_TYPE_SKIN_Y = 3,
  TEXTURE_TYPE_TRAINING = 4,
  TEXTURE_TYPE_BACKGROUND = 5,
  TEXTURE_TYPE_BLANK = 7,
};

constexpr int TEXTURE_SLOTS = 8;
constexpr uint32_t TEXTURE_RELOAD_BUDGET_MS = 30;
constexpr int TEXTURE_ERROR_TEXT_SIZE = 64;

// ---- [Settings] ----
// Read by the loaders; callers set them around a request and put them back.
struct TextureSettings {
  int maxGeneratedSize = 4096;  // generated textures are halved until they fit (never above 16384)
  int mipLevels = 0;            // levels of new textures: 0 the full chain (4 glyph pages, 6 plates)
  int renderMipLevels = 1;      // levels of new render textures
  int preferCompressedSkins = 0;
  int skies = 0;                // PNG files come from "data\skies"
  int ddsExport = 0;            // converted DDS go to "data\dds_export"; existing DDS are not used
  int checkFileTimes = 1;       // a DDS is used only while its time equals its PNG's
  int specialPicture = 0;       // a loaded texture does not follow the quality settings
  int conversionSizeLimit = 0;  // 1024 while a mod is exported: converted pictures no wider
  int unlistedRenderTextures = 0;  // post-processing's render textures stay out of the table
  // For the next new record.
  uint8_t nextType = TEXTURE_TYPE_GENERAL;
  char skinModName[TEXTURE_NAME_SIZE] = {};
  char textureModName[TEXTURE_NAME_SIZE] = {};
  int loadNow = 0;              // nothing is deferred while set
  // A new record whose plain PNG is found and checked waits for its first use (the system
  // textures: most screens draw with few of them).  Compressed, mod and one-shot sources
  // load at once.
  int onFirstUse = 0;
  // One-shot sources for GetTexture, all empty normally.
  const char* filePath = nullptr;       // load this file instead of the named one
  const void* memoryImage[2] = {};      // picture bytes in memory (the first set one is used)
  size_t memoryImageSize[2] = {};
  JpegExifInfo* exifOut = nullptr;      // receives the EXIF data of each JPG loaded
};
extern TextureSettings TextureConfig;

extern char TextureErrorText[TEXTURE_ERROR_TEXT_SIZE];  // the last file check that failed
extern int TextureReloadPending;
extern int TexturesSavedCount;                         // DDS files written by conversions

// ---- [Table] ----
// The record of that name, or a new one filled from its file (or a one-shot source).
ZKTETexture* GetTexture(const char* name, int genType);
// The listed record of that name, its gen_type raised to genType when higher; null if absent.
ZKTETexture* AddTextureRef(const char* name, int genType);
ZKTETexture* CreateNamedTexture(const char* name, int genType);
// A zeroed, listed record; null for an empty name or one listed already (logged).
ZKTETexture* CreateZKTETextureNULL(const char* name, int genType, int type);
// 1 when the record is a skin's (its file lies in one of the skin folders).
int IsSkinTexture(const ZKTETexture* record);
int TextureCount();                 // records listed
ZKTETexture* TextureAt(int index);  // in name order; null past the end
uint32_t TotalTextureMemory();      // bytes of every listed texture and its levels
extern ZKTETexture* GreyPlaceholder;   // "SYS~GREY", (128, 128, 128, 128)
extern ZKTETexture* WhitePlaceholder;  // "SYS~WHITE", (255, 255, 255, 128)
void CreatePlaceholderTextures();

// ---- [Loading] ----
int LoadTexture(ZKTETexture* record, int deferred);  // 1 or 0
// A record waiting for its first use (TEXTURE_ON_FIRST_USE) is read now; binding does the
// same.  Code that looks at a record's state or size before drawing with it asks here first.
// Returns the record.
ZKTETexture* TextureForUse(ZKTETexture* record);
// "_ALP" at the end of a name longer than four characters sets alpha to 8, "_AON" to 32.
void TextureFlagsFromName(const char* name, int* alpha);
void LockTextures();
void UnlockTextures();

// ---- [Reloading] ----
int ReloadTextureByName(const char* name);
void RequestTextureReload();  // after a change of the quality settings
// Every texture loaded from its file is read again (the command "tr"), a share a frame.
void RequestAllTexturesReload();
// One frame's share: the first deferred record, or as many reloads as fit in 30 ms.
void ReloadTextures();
// The frame loop's deferred work after presenting, the first of: a forced redraw
// (core/controls.h's ForcedRedrawPending), texture reloads, and plate textures to be drawn
// again (render/system_textures.h's PlateRegenPending; the flag is cleared and the redraw run
// under PlateLock).  1 when something was done (the loop then draws again).
int RunDeferredWork();
// 1 while RunDeferredWork has something to do.
int DeferredWorkPending();

// ---- [Render textures] ----
// flags: bits 0..1 depth (2 D16, 3 D24S8), 4 multisampled (8 samples with 8, else 4),
// 32 mips made by the device; 16 is kept for the render targets.
enum : uint32_t {
  RT_DEPTH_MASK = 3,
  RT_DEPTH_16 = 2,
  RT_DEPTH_24_STENCIL = 3,
  RT_MULTISAMPLE = 4,
  RT_EIGHT_SAMPLES = 8,
  RT_FACE_FLAG = 16,
  RT_DEVICE_MIPS = 32,
};
ZKTETexture* CreateZKTETextureRT(const char* name, int width, int height, GfxFormat format, uint32_t flags);
// A one-level staging texture the CPU can read.
GfxResult CreateReadSurf(int width, int height, GfxFormat format, GfxTexture2D* out);

// ---- [Binding] ----
extern GfxTexture2D BoundTextures[TEXTURE_SLOTS];
extern uint32_t TextureBindCount;
// Skips a bind that changes nothing; a record waiting for its first use is read first.
void SetTexture(int slot, const ZKTETexture* record);
void SetTextureOpt(int unused, const ZKTETexture* record);  // slot 0, not counted

// ---- [Release] ----
// Clears the slots holding the record's texture (all for null) and takes it out of the table.
void UnbindTexture(ZKTETexture* record);
// Empties the slots showing the record's texture and releases its objects; the record stays
// listed (for objects made again under the same handles).
void ReleaseTextureObjects(ZKTETexture* record);
// Unbinds, releases and deletes one record (null is ignored).
void FreeTextureRecord(ZKTETexture* record);
// Every record unbound, released and deleted; the placeholders made again with recreate.
void FreeAllTextures(int recreate);
