// texture_pages.h - the texture pages screen (the modeller's texture page mode): the edited
// object's pages with their types and texture files, the page picture with the overlay of the
// areas the triangles use, the template pictures on the clipboard; the page pictures the
// cutouts screen shares, and the frame texts, draw hook and mouse all three texture screens
// share.
//
// Sections: [Page pictures] [Texture screens] [Screen state] [Screen life] [Operations] [Texts]
//
// Every edit records an undo point first (AddUndoPoint) and marks the model changed;
// refusals change nothing.  Main thread only.
#pragma once
#include <cstdint>

#include "core/process.h"
#include "model/model_object.h"
#include "ui/interface.h"

struct Material;
struct ModellerScreen;

// ---- [Page pictures] ----
// The page as a square of pixels, turned and mirrored as the orientation says, in grey
// (255 plain, 192 under the overlay), read through the sampler table's entry `sampler` (0 the
// interface's usual one).
constexpr int PAGE_SAMPLER_USUAL = 0, PAGE_SAMPLER_MODE_2 = 2;
void DrawPageSquare(const Material* material, int left, int top, int size, int orientation, int grey,
                    int sampler = PAGE_SAMPLER_USUAL);
// A one-pixel outline over the pixels left..right and top..bottom (inclusive), ARGB.
void DrawPixelFrame(int left, int top, int right, int bottom, uint32_t argb);
// The object's triangles of the texture at their page positions: green inside the page, red
// outside.  Only for a smooth-shaded display mesh.
void DrawUsedAreas(const ModelObject& object, const Material* texture, int orientation, int left, int top, int width,
                   int height);
// "size : %d", the memory, and for a file texture "reload" (words + 1), "dds" (words + 0)
// and "v" (words + 2) calling reload.
void AddTextureInfoButtons(Prss* owner, const Material* material, InterfaceHandler reload, uintptr_t words);
// The units those buttons take.
int TextureInfoUnits(const Material* material, bool reload);
// Loads the page's texture again under the texture table's lock, for this load read as DDS
// (and exported) when asked; "Could not open file :" and the name when it is not a file
// texture or fails.  1 when loaded.
int ReloadPageTexture(Prss* owner, const char* name, int asDds, int exportDds);
// The texture viewer page over owner: the picture whole, Escape closes it.
Prss* CreateImageViewerPage(Prss* owner, const char* textureName);

// ---- [Texture screens] ----
// What the three texture screens share (texture_page_view.cpp).
// A formatted button text that stays until 512 more are made: the interface keeps the
// pointers of a frame's texts until the frame is drawn (texture_page_view.cpp).
const char* FrameText(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A texture screen takes the frame's draw hook, keeping the one before to chain and give back
// (only while its own is still installed).
void TakeDrawHook(void (*hook)(void*), void* owner, void (**savedHook)(void*), void** savedOwner);
// A texture screen's mouse when no drag of its own runs: the interface's buttons first, then
// the object editor's mouse (the screen's parent is the modeller, the modeller's the editor).
void PassMouseToEditor(Prss* screen, MouseRecord* mouse);
void GiveBackDrawHook(void (*hook)(void*), void* owner, void (*savedHook)(void*), void* savedOwner);

// ---- [Screen state] ----
extern int32_t PageOverlay;  // draw the used areas (off at start)
struct TexturePagesScreen {
  Prss prss;
  ModellerScreen* modeller;
  Material* texture;          // the selected page's, null when none
  uint8_t hasAlpha;
  uint8_t refresh;
  ModelObject* mainObject;
};
extern TexturePagesScreen* ActivePagesScreen;

// ---- [Screen life] ----
TexturePagesScreen* CreateTexturePagesScreen(Prss* parent, ModellerScreen& modeller, ModelObject* mainObject);
void RefreshTexturePagesScreen();
void LoadPageTexture(TexturePagesScreen& screen);

// ---- [Operations] ----
// Each returns 1 when it changed the model, 0 when refused (the message shown) or idle.
int AddTexturePage(TexturePagesScreen& screen, int jpg);  // a copy of the selection, or a new page
int DeleteTexturePage(TexturePagesScreen& screen);
int MoveTexturePage(TexturePagesScreen& screen, int clickCode, int down);
int SetPageType(TexturePagesScreen& screen, int type);
// The file chooser's name (jpg 1 appends ".jpg"); refused for a wheel's alpha name or a "~".
int RenameTexturePage(TexturePagesScreen& screen, const char* name, int jpg);
int SetEditorSkin(TexturePagesScreen& screen, const char* name);
// Mode 0 shaded, 1 black and white, 2 and 3 wireframes.
void CopyTemplateToClipboard(TexturePagesScreen& screen, int mode);
int EditedObjectIsWheel();

// ---- [Texts] ----
extern const char* const PAGE_TYPE_SHORT_NAMES[PAGE_TYPE_COUNT];
extern const char* const PAGE_TYPE_LONG_NAMES[PAGE_TYPE_COUNT];
constexpr const char* TEXT_PAGE_MAXIMUM = "Reached maximum number of pages";
constexpr const char* TEXT_PAGE_LAST = "There must be at least one texture page";
constexpr const char* TEXT_PAGE_USED = "The selected page is used by %d cutout%s";
constexpr const char* TEXT_PAGE_TYPE_TAKEN = "Another page already has type %s";
constexpr const char* TEXT_PAGE_BACKING_MAIN = "The backing texture will appear in subobjects but must be set in the main object";
constexpr const char* TEXT_PAGE_WHEEL_ALPHA = "Wheels can't use alpha textures";
constexpr const char* TEXT_PAGE_TILDE = "Texture names can't contain the ~ character";
constexpr const char* TEXT_PAGE_NOT_GOURAUD = "Mesh must be Gouraud";
constexpr const char* TEXT_PAGE_NOT_PLAIN = "Texture names must be plain file names";
constexpr const char* TEXT_PAGE_NAME_LONG = "Texture name is too long";
