// system_textures.cpp - the system textures and materials, special names, the background
// picture and the release of texture records.
#include "render/system_textures.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "core/frame_globals.h"
#include "core/log.h"
#include "core/report.h"
#include "platform/files.h"
#include "render/device.h"
#include "render/env_maps.h"
#include "render/frame.h"
#include "render/generated_textures.h"
#include "render/kept_scene.h"
#include "render/material.h"
#include "render/render_target.h"
#include "render/texture_names.h"
#include "render/texture_table.h"

SystemMaterialSet SystemMaterials;
int RenderTexturesNeedRefresh;
void (*BuildFontTexture)();
Material* PlateMaterials[PLATE_PAGES];
Material* AlphaPlateMaterials[PLATE_PAGES];
int (*GetPlateSlot)(const char* plateText);
int32_t PlateSlotUses[PLATE_SLOTS];
const char* ModPlateText;
std::mutex PlateLock;
int PlateRegenPending;
void (*RegenPlates)();
void (*ResetPlates)();

const char* const SYSTEM_SPRITE_NAMES[SYSTEM_SPRITE_COUNT] = {
    "DISCSOLID_ALP", "DISCDRILL_ALP", "LOGO_ALP", "DUST_ALP", "TYRE_ALP",
    "NDLCTR_ALP",    "LIGHT_ALP",     "BUTT_ALP", "SMLB_ALP", "SHEET_ALP"};

namespace {

void ErrorMessage(const char* format, const char* name) {
  char text[160];
  std::snprintf(text, sizeof text, format, name);
  ReportLine(text, REPORT_ERROR);
}

// A material of a texture already made: found, else created, with the given parameters.
Material* MaterialOf(ZKTETexture* texture, int drawKind, int second, int flags, const MaterialParams& params,
                     int genType) {
  if (!texture) return nullptr;
  if (second == 0)
    if (Material* found = FindMaterial(texture, drawKind, 0, flags, params, genType)) return found;
  return CreateMaterial(texture, drawKind, second, flags, params, genType);
}

Material** SpriteSlot(int index) {
  SystemMaterialSet& m = SystemMaterials;
  Material** slots[SYSTEM_SPRITE_COUNT] = {&m.discSolid,    &m.discDrilled, &m.logoSprite, &m.dust,
                                           &m.tyre,         &m.needleCentre, &m.iconSheet, &m.largePanel,
                                           &m.smallPanel,   &m.spriteSheet};
  return slots[index];
}

void LoadSprites() {
  for (int i = 0; i < SYSTEM_SPRITE_COUNT; ++i) {
    const char* name = SYSTEM_SPRITE_NAMES[i];
    ZKTETexture* texture = GetTexture(name, GEN_TYPE_INTERFACE);
    const bool interface = i >= 5;  // the needle centre, icon sheet, panels and sprite sheet
    const MaterialParams params = i == 4 ? TyreParams() : BlendedParams();
    if (texture) *SpriteSlot(i) = MaterialOf(texture, interface ? 1 : 0, 0, interface ? 0 : 1, params, GEN_TYPE_INTERFACE);
    // A missing file borrows the grey placeholder; only a record without any texture is told.
    ReportMissingTexture(texture, name);
  }
}

// A 1x1 texture of one pixel; loading again without a device release refills the listed one.
ZKTETexture* PlainTexture(const char* name, const uint8_t (&rgba)[4]) {
  ZKTETexture* made = CreateGeneratedTexture(name, 1, rgba);
  if (!made) LogF("Could not create : %s", name);
  return made;
}

void MakePlainTextures() {
  const uint8_t black[4] = {0, 0, 0, 0}, white[4] = {255, 255, 255, 0};
  SystemMaterialSet& m = SystemMaterials;
  ZKTETexture* b = PlainTexture("PLAIN~B", black);
  ZKTETexture* w = PlainTexture("PLAIN~W", white);
  m.plainBlack = MaterialOf(b, 1, 0, 1, SolidParams(), GEN_TYPE_INTERFACE);
  m.plainWhite = MaterialOf(w, 1, 0, 1, SolidParams(), GEN_TYPE_INTERFACE);
  m.fallback = MaterialOf(w, 0, 0, 1, SolidParams(), GEN_TYPE_INTERFACE);
  m.plainWhiteShiny = MaterialOf(w, 0, 0, 1, ShinyParams(), GEN_TYPE_INTERFACE);
}

// The system textures are loaded (with a device): the render textures may be made.
bool g_systemTexturesLoaded;

// A render texture's material, made on first use and cleared once made, so that nothing
// shows what the memory held.
Material* RenderTextureMaterial(Material*& slot, ZKTETexture* (*create)(), int drawKind, int second) {
  if (!slot && g_systemTexturesLoaded && Gfx.device) {
    slot = MaterialOf(create(), drawKind, second, 1, SolidParams(), GEN_TYPE_RENDER);
    ClearRenderTextureMaterial(slot);
  }
  return slot;
}

Material* SpecialOrFallback(Material* material, const char* name) {
  if (material) return material;
  char cut[128];
  std::snprintf(cut, sizeof cut, "%s", name);
  char text[160];
  std::snprintf(text, sizeof text, "%s %s", "Unavailable material :", cut);
  ReportLine(text, REPORT_ERROR);
  return SystemMaterials.fallback;
}

// The material of a plate page; page 0 is made with the default plate when it has none.
Material* PlateMaterial(Material* (&plates)[PLATE_PAGES], int index) {
  if (index < 0 || index >= PLATE_PAGES) return nullptr;
  if (index == 0 && !plates[0] && GetPlateSlot) {
    std::lock_guard<std::mutex> lock(PlateLock);
    GetPlateSlot(ModPlateText && ModPlateText[0] ? ModPlateText : DEFAULT_PLATE_TEXT);
  }
  return plates[index];
}

}  // namespace

// ---- [Materials] ----

MaterialParams SolidParams() { return MaterialParams{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0}; }
MaterialParams BlendedParams() { return MaterialParams{2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0}; }
MaterialParams ShinyParams() { return MaterialParams{0, 1, 1, 0, 0xFF, 0xFF, 0xFF, 0}; }
MaterialParams TyreParams() { return MaterialParams{0, 2, 6, 0, 200, 200, 200, 70}; }

// ---- [Loading] ----

void LoadSystemTextures() {
  SystemMaterials = SystemMaterialSet{};
  g_systemTexturesLoaded = false;
  InitEnvironmentState();
  if (!Gfx.device) return;
  if (BuildFontTexture) BuildFontTexture();
  MakePlainTextures();
  // The pictures are read when first drawn; a missing or damaged file is told now.
  TextureConfig.onFirstUse = 1;
  LoadSprites();
  TextureConfig.specialPicture = 1;
  ZKTETexture* logo = GetTexture(LOGO_PICTURE_NAME, GEN_TYPE_INTERFACE);
  TextureConfig.specialPicture = 0;
  TextureConfig.onFirstUse = 0;
  SystemMaterials.logo = MaterialOf(logo, 1, 0, 0, BlendedParams(), GEN_TYPE_INTERFACE);
  ReportMissingTexture(logo, LOGO_PICTURE_NAME);
  g_systemTexturesLoaded = true;  // the render textures follow when first used
}

void ReleaseSystemTextures() {
  // The records and materials go with the texture table and the material map.
  SystemMaterials = SystemMaterialSet{};
  g_systemTexturesLoaded = false;
  Background.material = nullptr;
  Background.loadedName[0] = 0;
  if (ResetPlates) ResetPlates();
}

void RefreshRenderTextures() {
  if (GraphicsEnabled && Gfx.device) {
    ClearRenderTextureMaterial(SystemMaterials.clocks);
    ClearRenderTextureMaterial(SystemMaterials.infoPanel);
    ReleaseEnvironmentTextures();
    ReleaseKeptScene();
  }
  RenderTexturesNeedRefresh = 0;
}

// ---- [Render-texture materials] ----

Material* GetRenderTargetMaterial(const char* name, int width, int height, int flags) {
  ZKTETexture* texture = AddTextureRef(name, GEN_TYPE_RENDER);
  if (!texture) texture = CreateZKTETextureRT(name, width, height, GFX_FORMAT_R8G8B8A8_UNORM_SRGB, uint32_t(flags));
  if (!texture) return nullptr;
  return CreateMaterial(texture, 1, 0, 1, SolidParams(), GEN_TYPE_RENDER);
}

// No screen of this program draws the mirrors' images: the glass shows the plain black texture,
// as the cleared mirror target would, and the target is not made (1024 x 1024 in HDR with four
// samples, its depth and its resolve: about 59 MB that a loaded car would hold for nothing).
// A screen that draws the mirrors' images makes the target (CreateMirrorTexture) and puts it
// under this material.
Material* MirrorMaterial() {
  SystemMaterialSet& m = SystemMaterials;
  if (!m.mirror && g_systemTexturesLoaded && Gfx.device && m.plainBlack)
    m.mirror = MaterialOf(m.plainBlack->texture, 0, 1, 1, SolidParams(), GEN_TYPE_INTERFACE);  // the texture's own kind
  return m.mirror;
}
Material* ClocksMaterial() { return RenderTextureMaterial(SystemMaterials.clocks, CreateClocksTexture, 1, 0); }
Material* InfoPanelMaterial() { return RenderTextureMaterial(SystemMaterials.infoPanel, CreateInfoTexture, 1, 0); }

void ClearRenderTextureMaterial(Material* material) {
  ZKTETexture* t = material ? material->texture : nullptr;
  if (!t || !SetRenderTexture(t, 0, 0, 0)) return;
  Clear(0xFF000000u, 3);
  UnsetRenderTarget();
  if (t->mipLevels > 1 && t->view) GfxGenerateMips(Gfx.context, t->view);
}

// ---- [Special names] ----

Material* MapSpecialTextureName(const char* name, int index) {
  if (!name) return nullptr;
  if (strcasecmp(name, "s_info") == 0) return SpecialOrFallback(InfoPanelMaterial(), name);
  if (strcasecmp(name, "s_mirr") == 0) return SpecialOrFallback(MirrorMaterial(), name);
  if (IsClockTextureName(name)) return SpecialOrFallback(ClocksMaterial(), name);
  if (strcasecmp(name, "s_plate") == 0) return SpecialOrFallback(PlateMaterial(PlateMaterials, index), name);
  if (strcasecmp(name, "s_plate_ALP") == 0)
    return SpecialOrFallback(PlateMaterial(AlphaPlateMaterials, index), name);
  return nullptr;
}

// ---- [Pictures by name] ----

void ReportMissingTexture(const ZKTETexture* texture, const char* name) {
  if ((!texture || !texture->texture) && name && name[0]) ErrorMessage("Can't open : %s", name);
}

Material* LoadNamedTexture(const char* name, int genType, int special) {
  if (Material* m = MapSpecialTextureName(name, 0)) return m;
  const TextureSettings saved = TextureConfig;
  TextureConfig.loadNow = 1;
  TextureConfig.specialPicture = special;
  Material* m = GetMaterialByName(name, 1, 0, 0, SolidParams(), genType);
  TextureConfig.loadNow = saved.loadNow;
  TextureConfig.specialPicture = saved.specialPicture;
  if (!m || !m->texture) ErrorMessage("Can't open : %s", name);
  return m;
}

Material* LoadBackgroundPicture(const char* backgroundName) {
  SystemMaterials.background = nullptr;
  if (!backgroundName || !backgroundName[0]) return nullptr;
  char name[TEXTURE_NAME_SIZE];
  char path[96];
  std::snprintf(name, sizeof name, "bkg_%s.jpg", backgroundName);
  std::snprintf(path, sizeof path, "data/pic/%s", name);
  if (!FileExists(path)) return nullptr;
  const TextureSettings saved = TextureConfig;
  TextureConfig.mipLevels = 1;
  TextureConfig.specialPicture = 1;
  ZKTETexture* texture = GetTexture(name, GEN_TYPE_INTERFACE);
  TextureConfig.mipLevels = saved.mipLevels;
  TextureConfig.specialPicture = saved.specialPicture;
  ReportMissingTexture(texture, name);
  if (!texture || !texture->texture) return nullptr;
  SystemMaterials.background = MaterialOf(texture, 1, 0, 0, SolidParams(), GEN_TYPE_INTERFACE);
  return SystemMaterials.background;
}

// ---- [Releasing records] ----

void FreeTextureArray(ZKTETexture** records, int count) {
  for (int i = 0; i < count; ++i) {
    FreeTextureRecord(records[i]);
    records[i] = nullptr;
  }
}

void ReleaseTextureRef(Material*& holder) {
  if (!holder) return;
  // The material leaves the map first: the map finds it by its texture's name.
  ZKTETexture* texture = holder->texture;
  ReleaseMaterial(holder);
  holder = nullptr;
  FreeTextureRecord(texture);
}

void ReleaseTextureRefs(Material* (&holders)[4]) {
  for (Material*& holder : holders) ReleaseTextureRef(holder);
}
