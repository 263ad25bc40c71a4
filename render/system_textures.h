// system_textures.h - the textures and materials every screen may draw with, made when the
// device is ready and again after each device re-creation: two plain 1x1 textures, the
// sprite pictures, the logo, and the mirror, clocks and information-panel render textures;
// the special texture names that lead to them; the background picture; and the release of
// texture records held by other objects.
//
// Sections: [Materials] [Loading] [Render-texture materials] [Special names]
//           [Pictures by name] [Releasing records] [Seams]
// Main thread only (the number plates take their own lock).
#pragma once
#include <cstdint>
#include <mutex>

struct Material;
struct ZKTETexture;

// ---- [Materials] ----
// Cleared before loading; null where a texture could not be made.
struct SystemMaterialSet {
  Material* plainBlack;        // "PLAIN~B" kind 1
  Material* plainWhite;        // "PLAIN~W" kind 1
  Material* fallback;          // "PLAIN~W" kind 0: stands in for a missing special material
  Material* plainWhiteShiny;   // "PLAIN~W" kind 0, shiny
  Material* discSolid, *discDrilled, *logoSprite, *dust;  // kind 0, blended
  Material* tyre;                                         // kind 0, tyre block
  Material* needleCentre, *iconSheet, *largePanel, *smallPanel;  // kind 1, blended
  Material* spriteSheet;       // the interface's sprites (the pointer is sprite 415), as above
  Material* logo;              // the program's logo picture
  Material* mirror;            // "MIRROR~T"; these three are made on first use: ask for
  Material* clocks;            // "CLOCKS~T"  them through MirrorMaterial(), ClocksMaterial()
  Material* infoPanel;         // "INFO~T"    and InfoPanelMaterial()
  Material* background;       // the background picture; reset on each load
};
extern SystemMaterialSet SystemMaterials;
// The sprite pictures in loading order, and the logo picture's name.  The interface sprite
// sheet loads last, as the interface pictures before it.  Their records and materials are
// made with the set; each picture is read when first drawn (render/texture_table.h's
// TextureForUse), its file found and checked now.
constexpr int SYSTEM_SPRITE_COUNT = 10;
extern const char* const SYSTEM_SPRITE_NAMES[SYSTEM_SPRITE_COUNT];
constexpr const char* LOGO_PICTURE_NAME = "ZKTLOGO_ALP";

// The parameter blocks of the system materials.
struct MaterialParams;
MaterialParams SolidParams();
MaterialParams BlendedParams();
MaterialParams ShinyParams();
MaterialParams TyreParams();

// ---- [Loading] ----
extern int RenderTexturesNeedRefresh;  // set by screens: clear the render textures next frame
// The interface's font pages, made first when the system textures load.  Installed by the
// interface (InstallInterface); null until then, and no font pages are made.
extern void (*BuildFontTexture)();
void LoadSystemTextures();     // does nothing but the reset without a device
void ReleaseSystemTextures();  // forgets the set and the plates (also run by FreeAllGraphics)
void RefreshRenderTextures();

// ---- [Render-texture materials] ----
// The listed texture of that name (else a new 8-bit sRGB render texture) with a new material
// (kind 1, flags 1, solid, generation type 5); null when the texture cannot be made.
Material* GetRenderTargetMaterial(const char* name, int width, int height, int flags);
// Clears the material's texture to opaque black and regenerates its mips.
void ClearRenderTextureMaterial(Material* material);
// The clocks and information-panel render textures with their materials, made and cleared
// when first asked for after the system textures were loaded (most screens never draw into
// them); null without a device or when the texture cannot be made.  The mirror's material,
// made likewise, stands on the plain black texture: no screen draws the mirrors' images.
Material* MirrorMaterial();
Material* ClocksMaterial();
Material* InfoPanelMaterial();

// ---- [Special names] ----
// "s_info", "s_mirr", the clock names, "s_plate" and "s_plate_ALP" (any case) give their
// material (a missing one: the fallback, with a message); other names give null.
Material* MapSpecialTextureName(const char* name, int index);

// ---- [Pictures by name] ----
Material* LoadNamedTexture(const char* name, int genType, int special);
// The picture "bkg_<name>.jpg" of data/pic, when that file exists; null otherwise.
Material* LoadBackgroundPicture(const char* backgroundName);
void ReportMissingTexture(const ZKTETexture* texture, const char* name);

// ---- [Releasing records] ----
// Each record: out of the table if listed, released, deleted; the entries are cleared.
void FreeTextureArray(ZKTETexture** records, int count);
// The holder's texture as above, then the material itself; the holder is cleared.
void ReleaseTextureRef(Material*& holder);
void ReleaseTextureRefs(Material* (&holders)[4]);

// ---- [Seams] ----
// The number plates of the vehicle model: 41 slots, four to a texture page (page = slot / 4),
// each page a colour and an alpha material (null until made), and the slot maker (null until
// the plates exist), called under PlateLock.
constexpr int PLATE_SLOTS = 41;
constexpr int PLATES_PER_PAGE = 4;
constexpr int PLATE_PAGES = (PLATE_SLOTS + PLATES_PER_PAGE - 1) / PLATES_PER_PAGE;
extern Material* PlateMaterials[PLATE_PAGES];
extern Material* AlphaPlateMaterials[PLATE_PAGES];
extern int (*GetPlateSlot)(const char* plateText);
// The cars using each slot, counted in the whole word; a car's release lowers its slot's
// count (under PlateLock).
extern int32_t PlateSlotUses[PLATE_SLOTS];
extern const char* ModPlateText;  // the current mod's plate text; empty or null: DEFAULT_PLATE_TEXT
constexpr const char* DEFAULT_PLATE_TEXT = "ZKT MODS";
extern std::mutex PlateLock;
// Plate pages marked for drawing again: the flag the plate code sets, and the redraw it
// installs (null until the plates exist).  The frame's deferred work clears the flag and
// runs the redraw under PlateLock.
extern int PlateRegenPending;
extern void (*RegenPlates)();
// Forgets every slot and page; run by ReleaseSystemTextures (the textures go with the table).
extern void (*ResetPlates)();
