// texture_table.cpp - the texture table: records by name, placeholders, loading and
// reloading, render textures, slot binding and release.
#include "render/texture_table.h"

#include <strings.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#include "core/config.h"
#include "core/controls.h"
#include "core/log.h"
#include "core/report.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "render/device.h"
#include "render/generated_textures.h"
#include "render/system_textures.h"
#include "render/texture_files.h"
#include "render/texture_table_local.h"

TextureSettings TextureConfig;
char TextureErrorText[TEXTURE_ERROR_TEXT_SIZE];
int TextureReloadPending;
int TexturesSavedCount;
ZKTETexture* GreyPlaceholder;
ZKTETexture* WhitePlaceholder;
GfxTexture2D BoundTextures[TEXTURE_SLOTS];
uint32_t TextureBindCount;

namespace {

// Ordered by name without regard to case; also searched by a bare name.
struct NameLess {
  using is_transparent = void;
  bool operator()(const ZKTETexture* a, const ZKTETexture* b) const { return strcasecmp(a->name, b->name) < 0; }
  bool operator()(const ZKTETexture* a, const char* b) const { return strcasecmp(a->name, b) < 0; }
  bool operator()(const char* a, const ZKTETexture* b) const { return strcasecmp(a, b->name) < 0; }
};
std::set<ZKTETexture*, NameLess> g_table;
std::recursive_mutex g_textureLock;
GfxShaderResourceView g_boundViews[TEXTURE_SLOTS];
bool g_nameCutLogged;

// The name as the table keeps it: at most 31 characters.
void CopyName(char* out, const char* name) {
  if (std::strlen(name) >= size_t(TEXTURE_NAME_SIZE) && !g_nameCutLogged) {
    // Two names that differ only after the cut share one record; stored names rely on the
    // cut, so it stays, but it is worth a line in the log.
    LogF("Texture name cut to %d characters: %s", TEXTURE_NAME_SIZE - 1, name);
    g_nameCutLogged = true;
  }
  std::snprintf(out, TEXTURE_NAME_SIZE, "%s", name);
}

ZKTETexture* FindListed(const char* name) {
  char key[TEXTURE_NAME_SIZE];
  std::snprintf(key, sizeof key, "%s", name);
  auto it = g_table.find(key);
  return it == g_table.end() ? nullptr : *it;
}

void Register(ZKTETexture* record) {
  if (g_table.insert(record).second) record->registered = 1;
}

void ClearSlot(int slot) {
  BoundTextures[slot] = GfxTexture2D{};
  g_boundViews[slot] = GfxShaderResourceView{};
  if (Gfx.context) GfxPSSetShaderResources(Gfx.context, uint32_t(slot), 1, &g_boundViews[slot]);
}

// The slots that show the record's texture are emptied before its objects go: a new object
// may be given the same handle, and the skipped bind would then leave nothing bound.
void ClearSlotsOf(const ZKTETexture* record) {
  for (int s = 0; s < TEXTURE_SLOTS; ++s)
    if (!record || (record->texture && BoundTextures[s] == record->texture)) ClearSlot(s);
}

// Loads a listed record again under the texture lock.
int LoadAgain(ZKTETexture* record) {
  LockTextures();
  ReleaseTextureObjects(record);
  const int loaded = LoadTexture(record, 0);
  UnlockTextures();
  return loaded;
}

// Reads a record that waited for its first use, as a picture that does not follow the
// quality settings when it was asked for as one.
void LoadWaiting(ZKTETexture* record) {
  TextureSettings& c = TextureConfig;
  const int savedSpecial = c.specialPicture, savedOnFirstUse = c.onFirstUse;
  c.specialPicture = !(record->flags & TEXTURE_FOLLOWS_QUALITY);
  c.onFirstUse = 0;
  LoadAgain(record);
  c.specialPicture = savedSpecial;
  c.onFirstUse = savedOnFirstUse;
}

enum class Source { FilePath, Ordinary, Blank };

Source SourceOf(const ZKTETexture* record) {
  switch (record->type) {
    case TEXTURE_TYPE_SKIN:
    case TEXTURE_TYPE_SKIN_X:
    case TEXTURE_TYPE_SKIN_Y:
    case TEXTURE_TYPE_TRAINING: return Source::FilePath;
    case TEXTURE_TYPE_BACKGROUND: return Source::Ordinary;
    case TEXTURE_TYPE_BLANK: return Source::Blank;
    default: return std::strchr(record->name, '.') ? Source::FilePath : Source::Ordinary;
  }
}

// A render-texture step that failed: logged, the record taken apart.
ZKTETexture* FailRenderTexture(ZKTETexture* record, const char* format, int level = -1) {
  char line[160];
  if (level >= 0)
    std::snprintf(line, sizeof line, format, record->name, level);
  else
    std::snprintf(line, sizeof line, format, record->name);
  LogLine(line);
  ReleaseTexture(record);
  delete record;
  return nullptr;
}

}  // namespace

// ---- [Shared within the table] ----

int TakePlaceholder(ZKTETexture* record, int white, uint8_t state) {
  const ZKTETexture* p = white ? WhitePlaceholder : GreyPlaceholder;
  if (!p) return 0;
  record->state = state;
  record->texture = p->texture;
  record->view = p->view;
  record->width = p->width;
  record->height = p->height;
  record->mipLevels = p->mipLevels;
  record->format = p->format;
  int alpha = 0;
  TextureFlagsFromName(record->name, &alpha);
  if (white || alpha) record->flags |= TEXTURE_HAS_ALPHA;
  return 1;
}

void TextureMessage(ReportColour colour, const char* format, ...) {
  char line[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  ReportLine(line, colour);
}

void SetTextureErrorText(const char* text) { std::snprintf(TextureErrorText, sizeof TextureErrorText, "%s", text); }

bool TexturePath(char* out, int outSize, const char* pathTemplate, const char* first, const char* second) {
  out[0] = 0;
  if (!IsSafeFileName(first) || (second && !IsSafeFileName(second))) return false;
  const int n = second ? std::snprintf(out, size_t(outSize), pathTemplate, first, second)
                       : std::snprintf(out, size_t(outSize), pathTemplate, first);
  if (n < 0 || n >= outSize) {
    out[0] = 0;
    return false;
  }
  return true;
}

// ---- [Table] ----

ZKTETexture* AddTextureRef(const char* name, int genType) {
  if (!name || !name[0]) return nullptr;
  ZKTETexture* record = FindListed(name);
  if (record && genType > record->genType) record->genType = uint8_t(genType);
  return record;
}

ZKTETexture* CreateZKTETextureNULL(const char* name, int genType, int type) {
  if (!name || !name[0]) {
    if (CfgDebugLevel > 0) ReportLine("CreateZKTETextureNULL : no name", REPORT_MESSAGE);
    return nullptr;
  }
  // A second record of a listed name could not join the table and would never be freed.
  if (FindListed(name)) {
    LogF("CreateZKTETextureNULL : %s is listed already", name);
    return nullptr;
  }
  ZKTETexture* record = new ZKTETexture{};
  CopyName(record->name, name);
  record->type = uint8_t(type);
  record->genType = uint8_t(genType);
  Register(record);
  return record;
}

ZKTETexture* CreateNamedTexture(const char* name, int genType) {
  const TextureSettings& c = TextureConfig;
  ZKTETexture* record = CreateZKTETextureNULL(name, genType, c.nextType);
  if (!record) return nullptr;
  const uint8_t type = record->type;
  const char* modName = type == TEXTURE_TYPE_SKIN ? c.skinModName
                        : type != TEXTURE_TYPE_SKIN_X && type != TEXTURE_TYPE_SKIN_Y && type != TEXTURE_TYPE_BLANK
                            ? c.textureModName
                            : "";
  std::memcpy(record->modName, modName, std::min(std::strlen(modName), size_t(TEXTURE_NAME_SIZE - 1)));
  const int deferred = genType == GEN_TYPE_DEFERRABLE && !c.loadNow;
  LockTextures();
  const int loaded = LoadTexture(record, deferred);
  UnlockTextures();
  if (!loaded) {
    FreeTextureRecord(record);
    return nullptr;
  }
  record->flags |= TEXTURE_FROM_FILE;
  return record;
}

ZKTETexture* GetTexture(const char* name, int genType) {
  if (ZKTETexture* found = AddTextureRef(name, genType)) return found;
  const TextureSettings& c = TextureConfig;
  if (!c.filePath && !c.memoryImage[0] && !c.memoryImage[1]) return CreateNamedTexture(name, genType);
  ZKTETexture* record = CreateZKTETextureNULL(name, genType, TEXTURE_TYPE_GENERAL);
  if (!record) return nullptr;
  if (!load_texture_ext(record, nullptr)) {
    FreeTextureRecord(record);
    return nullptr;
  }
  return record;
}

int IsSkinTexture(const ZKTETexture* record) {
  return record && (record->type == TEXTURE_TYPE_SKIN || record->type == TEXTURE_TYPE_SKIN_X ||
                    record->type == TEXTURE_TYPE_SKIN_Y);
}

int TextureCount() { return int(g_table.size()); }

ZKTETexture* TextureAt(int index) {
  if (index < 0 || index >= int(g_table.size())) return nullptr;
  return *std::next(g_table.begin(), index);
}

uint32_t TotalTextureMemory() {
  // Records that borrow a placeholder are not counted again.
  uint32_t total = 0;
  for (const ZKTETexture* r : g_table)
    if (r->state == TEXTURE_OWNED) total += TextureMemorySize(r);
  return total;
}

void CreatePlaceholderTextures() {
  const uint8_t grey[4] = {128, 128, 128, 128}, white[4] = {255, 255, 255, 128};
  if (!GreyPlaceholder) GreyPlaceholder = CreateGeneratedTexture("SYS~GREY", 1, grey);
  if (!WhitePlaceholder) WhitePlaceholder = CreateGeneratedTexture("SYS~WHITE", 1, white);
}

// ---- [Loading] ----

void TextureFlagsFromName(const char* name, int* alpha) {
  const size_t n = name ? std::strlen(name) : 0;
  if (n <= 4) return;
  if (strcasecmp(name + n - 4, "_ALP") == 0) *alpha = 8;
  if (strcasecmp(name + n - 4, "_AON") == 0) *alpha = 32;
}

int LoadTexture(ZKTETexture* record, int deferred) {
  switch (SourceOf(record)) {
    case Source::FilePath: {
      if (deferred) {
        TextureReloadPending = 1;
        return TakePlaceholder(record, 1, TEXTURE_DEFERRED);
      }
      char path[FILE_PATH_SIZE];
      if (!FindSkinFile(record, path, sizeof path)) return TakePlaceholder(record, 1, TEXTURE_MISSING);
      return load_texture_ext(record, path);
    }
    case Source::Ordinary:
      if (deferred) {
        TextureReloadPending = 1;
        return TakePlaceholder(record, 0, TEXTURE_DEFERRED);
      }
      if (TextureConfig.onFirstUse && OrdinaryTextureCanWait(record)) {
        if (!TextureConfig.specialPicture) record->flags |= TEXTURE_FOLLOWS_QUALITY;
        return TakePlaceholder(record, 0, TEXTURE_ON_FIRST_USE);
      }
      if (load_ordinary_texture(record)) {
        record->state = TEXTURE_OWNED;
        ReadTextureDescription(record);
        return 1;
      }
      return TakePlaceholder(record, 0, TEXTURE_MISSING);
    case Source::Blank: return TakePlaceholder(record, 1, TEXTURE_BLANK);
  }
  return 0;
}

ZKTETexture* TextureForUse(ZKTETexture* record) {
  if (record && record->state == TEXTURE_ON_FIRST_USE) LoadWaiting(record);
  return record;
}

void LockTextures() { g_textureLock.lock(); }
void UnlockTextures() { g_textureLock.unlock(); }

// ---- [Reloading] ----

int ReloadTextureByName(const char* name) {
  ZKTETexture* record = AddTextureRef(name, 0);
  if (!record || !(record->flags & TEXTURE_FROM_FILE)) return 0;
  return LoadAgain(record);
}

void RequestTextureReload() {
  for (ZKTETexture* r : g_table)
    if (r->flags & TEXTURE_FOLLOWS_QUALITY) r->flags |= TEXTURE_RELOAD_REQUESTED;
  TextureReloadPending = 1;
}

void RequestAllTexturesReload() {
  for (ZKTETexture* r : g_table)
    if (r->flags & TEXTURE_FROM_FILE) r->flags |= TEXTURE_RELOAD_REQUESTED;
  TextureReloadPending = 1;
}

int DeferredWorkPending() { return ForcedRedrawPending || TextureReloadPending || PlateRegenPending; }

int RunDeferredWork() {
  if (ForcedRedrawPending) {
    ForcedRedrawPending = 0;
    return 1;
  }
  if (TextureReloadPending) {
    ReloadTextures();
    return 1;
  }
  if (PlateRegenPending) {
    std::lock_guard<std::mutex> lock(PlateLock);
    PlateRegenPending = 0;
    if (RegenPlates) {
      RegenPlates();
      return 1;
    }
  }
  return 0;
}

void ReloadTextures() {
  TextureReloadPending = 0;
  std::vector<ZKTETexture*> candidates;
  for (ZKTETexture* r : g_table)
    if ((r->flags & TEXTURE_RELOAD_REQUESTED) || r->state == TEXTURE_DEFERRED) candidates.push_back(r);
  int handled = 0, left = 0;
  bool budget = false, deferredFirst = false;
  uint32_t limit = 0, now = 0;
  for (size_t i = 0; i < candidates.size(); ++i) {
    ZKTETexture* r = candidates[i];
    if (i == 0) {
      budget = (r->flags & TEXTURE_RELOAD_REQUESTED) != 0;
      deferredFirst = !budget;
      if (budget) now = ClockNowMs(), limit = now + TEXTURE_RELOAD_BUDGET_MS;
    } else if (deferredFirst || int32_t(now - limit) >= 0) {
      ++left;  // one deferred texture a frame; reloads while the budget lasts
      continue;
    }
    r->flags &= uint8_t(~TEXTURE_RELOAD_REQUESTED);
    if (r->flags & TEXTURE_FROM_FILE) LoadAgain(r);
    ++handled;
    if (budget) now = ClockNowMs();
  }
  if (left) TextureReloadPending = 1;
  if (budget) {
    if (left)
      TextureMessage(REPORT_GREY, "Reloaded %d - %d to go", handled, left);
    else
      TextureMessage(REPORT_GREY, "Reloaded %d - done", handled);
  }
}

// ---- [Render textures] ----

ZKTETexture* CreateZKTETextureRT(const char* name, int width, int height, GfxFormat format, uint32_t flags) {
  if (!name || !name[0] || width <= 0 || height <= 0) return nullptr;
  int levels = std::max(TextureConfig.renderMipLevels, 1);
  const bool perLevelViews = levels > 1 && !(flags & RT_DEVICE_MIPS);
  if (perLevelViews) {
    flags &= ~uint32_t(RT_MULTISAMPLE);
    levels = std::min(levels, TEXTURE_TARGET_VIEWS);
  }
  // A second record of a listed name could not join the table and would never be freed.
  if (FindListed(name)) {
    LogF("CreateZKTETextureNULL : %s is listed already", name);
    return nullptr;
  }
  ZKTETexture* record = new ZKTETexture{};
  CopyName(record->name, name);
  GfxTexture2DDesc d;
  d.width = uint32_t(width);
  d.height = uint32_t(height);
  d.mipLevels = uint32_t(levels);
  d.format = format;
  d.bindFlags = GFX_BIND_RENDER_TARGET | GFX_BIND_SHADER_RESOURCE;
  if (flags & RT_DEVICE_MIPS) d.miscFlags = GFX_MISC_GENERATE_MIPS;
  if (GfxFailed(GfxCreateTexture2D(Gfx.device, d, nullptr, &record->texture)))
    return FailRenderTexture(record, "Could not create main texture for RT %s");
  ReadTextureDescription(record);
  if (GfxFailed(GfxCreateShaderResourceView(Gfx.device, record->texture, nullptr, &record->view)))
    return FailRenderTexture(record, "Could not create SRV for RT %s");

  uint32_t samples = 1;
  if (!(flags & RT_MULTISAMPLE)) {
    if (GfxFailed(GfxCreateRenderTargetView(Gfx.device, record->texture, nullptr, &record->targetViews[0])))
      return FailRenderTexture(record, "Could not create RT view for RT %s");
    if (perLevelViews) {
      for (int level = 1; level < record->mipLevels && level < TEXTURE_TARGET_VIEWS; ++level) {
        GfxViewDesc v;
        v.mipSlice = uint32_t(level);
        if (GfxFailed(GfxCreateRenderTargetView(Gfx.device, record->texture, &v, &record->targetViews[level])))
          return FailRenderTexture(record, "Could not create RT view for RT %s mip level %d", level);
      }
    }
  } else {
    // Eight samples are asked for with flag 8; a device with fewer draws with its most.
    samples = std::min<uint32_t>((flags & RT_EIGHT_SAMPLES) ? 8 : 4, std::max(GfxMaxSampleCount(Gfx.device), 1u));
    GfxTexture2DDesc m = d;
    m.mipLevels = 1;
    m.sampleDesc.count = samples;
    m.bindFlags = GFX_BIND_RENDER_TARGET;
    m.miscFlags = 0;
    if (GfxFailed(GfxCreateTexture2D(Gfx.device, m, nullptr, &record->secondTexture)))
      return FailRenderTexture(record, "Could not create multisampled texture for RT %s");
    GfxViewDesc v;
    v.dimension = samples > 1 ? GFX_VIEW_TEXTURE2DMS : GFX_VIEW_TEXTURE2D;
    if (GfxFailed(GfxCreateRenderTargetView(Gfx.device, record->secondTexture, &v, &record->targetViews[0])))
      return FailRenderTexture(record, "Could not create RT view for AASurface of RT %s");
    if (GfxFailed(GfxCreateRenderTargetView(Gfx.device, record->texture, nullptr, &record->targetViews[1])))
      return FailRenderTexture(record, "Could not create RT view for RT %s");
  }
  const uint32_t depth = flags & RT_DEPTH_MASK;
  if (depth == RT_DEPTH_16 || depth == RT_DEPTH_24_STENCIL) {
    GfxTexture2DDesc z;
    z.width = d.width;
    z.height = d.height;
    z.mipLevels = 1;
    z.format = depth == RT_DEPTH_16 ? GFX_FORMAT_D16_UNORM : GFX_FORMAT_D24_UNORM_S8_UINT;
    z.sampleDesc.count = samples;
    z.bindFlags = GFX_BIND_DEPTH_STENCIL;
    if (GfxFailed(GfxCreateTexture2D(Gfx.device, z, nullptr, &record->depthTexture)))
      return FailRenderTexture(record, "Could not create z-buffer for RT %s");
    GfxViewDesc v;
    v.dimension = samples > 1 ? GFX_VIEW_TEXTURE2DMS : GFX_VIEW_TEXTURE2D;
    if (GfxFailed(GfxCreateDepthStencilView(Gfx.device, record->depthTexture, &v, &record->depthView)))
      return FailRenderTexture(record, "Could not create z-buffer view for RT %s");
  }
  record->rtFlags = uint8_t(flags);
  record->genType = GEN_TYPE_RENDER;
  if (!TextureConfig.unlistedRenderTextures) Register(record);
  return record;
}

GfxResult CreateReadSurf(int width, int height, GfxFormat format, GfxTexture2D* out) {
  GfxTexture2DDesc d;
  d.width = uint32_t(width);
  d.height = uint32_t(height);
  d.mipLevels = 1;
  d.format = format;
  d.usage = GFX_USAGE_STAGING;
  d.cpuAccessFlags = GFX_CPU_ACCESS_READ;
  return GfxCreateTexture2D(Gfx.device, d, nullptr, out);
}

// ---- [Binding] ----

void SetTexture(int slot, const ZKTETexture* record) {
  if (slot < 0 || slot >= TEXTURE_SLOTS) return;
  if (record && record->state == TEXTURE_ON_FIRST_USE) {
    // The table reads its own listed record, found by name.
    ZKTETexture* listed = FindListed(record->name);
    if (listed == record) LoadWaiting(listed);
  }
  const GfxTexture2D texture = record ? record->texture : GfxTexture2D{};
  const GfxShaderResourceView view = record ? record->view : GfxShaderResourceView{};
  if (BoundTextures[slot] == texture && g_boundViews[slot] == view) return;
  ++TextureBindCount;
  BoundTextures[slot] = texture;
  g_boundViews[slot] = view;
  if (Gfx.context) GfxPSSetShaderResources(Gfx.context, uint32_t(slot), 1, &view);
}

void SetTextureOpt(int, const ZKTETexture* record) {
  const uint32_t count = TextureBindCount;
  SetTexture(0, record);
  TextureBindCount = count;
}

// ---- [Release] ----

void UnbindTexture(ZKTETexture* record) {
  ClearSlotsOf(record);
  if (!record) return;
  if (record->registered) {
    auto it = g_table.find(record);
    if (it != g_table.end() && *it == record) g_table.erase(it);
    record->registered = 0;
  }
}

void ReleaseTextureObjects(ZKTETexture* record) {
  if (!record) return;
  ClearSlotsOf(record);
  ReleaseTexture(record);
}

void FreeTextureRecord(ZKTETexture* record) {
  if (!record) return;
  if (record == GreyPlaceholder) GreyPlaceholder = nullptr;
  if (record == WhitePlaceholder) WhitePlaceholder = nullptr;
  UnbindTexture(record);
  ReleaseTexture(record);
  delete record;
}

void FreeAllTextures(int recreate) {
  UnbindTexture(nullptr);
  const std::vector<ZKTETexture*> records(g_table.begin(), g_table.end());
  g_table.clear();
  for (ZKTETexture* r : records) {
    r->registered = 0;
    ReleaseTexture(r);
    delete r;
  }
  GreyPlaceholder = WhitePlaceholder = nullptr;
  if (recreate) CreatePlaceholderTextures();
}
