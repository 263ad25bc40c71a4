// cutouts_screen.h - the cutouts screen (the modeller's texture cutout mode): the edited
// object's cutouts with their pages and materials, and the page view of the current cutout
// in which its region is moved, sized, turned and mirrored.
//
// Sections: [Region] [Screen state] [Screen life] [Operations] [Texts]
//
// A cutout's region is width, height, x, y in 128ths of its page, x from the left edge and y
// from the bottom edge.  Every edit records an undo point first (AddUndoPoint); refusals
// change nothing.  Main thread only.
#pragma once
#include <cstdint>

#include "core/process.h"
#include "model/model_object.h"

struct Material;
struct ModellerScreen;
struct MouseRecord;

// ---- [Region] ----
// Where the page panel stands, in pixels: its top-left corner and its side.  The side is 20
// button units; with the large switch the smaller of half the screen's width and two thirds
// of its height, within 20 and 40 units.  The panel stands at the top right, right of the
// cutout list, with its rows under it ending above the edit views' block at the bottom right;
// where the list leaves it under 8 units there (a narrow window) and more room under those
// rows, it stands there instead: under the rows (which then start under the list), left of
// the block and the view options above it, clear of the rows under the list at the left.
// The side shrinks to the room the place has (4 units at the least), the region handles'
// halves kept clear round it.
struct PagePanelPlace {
  int left = 0, top = 0, size = 0;
  bool underRows = false;
};
constexpr int PAGE_PANEL_LEAST_UNITS = 8;
PagePanelPlace PlacePagePanel();
int GetTexturePanelSize();  // PlacePagePanel's side
// The pixel y of the page panel's first row: under the panel at the top right (clear of the
// region handles on its lower edge), or under the cutout list where that reaches lower.
int PagePanelRowsTop();
// Half the side of a region handle, a small square centred on a corner or an edge's middle.
int RegionHandleHalf();
// The arrows: words 0..3 x less, x more, y less, y more; 4..7 width less, width more, height
// less, height more; the step 1 for a left click and 10 otherwise.
void StepCutoutRegion(Cutout& cutout, int word, int step);
// Word 0 or 1 turns the region a quarter turn within the page, word 2 mirrors it.
void TurnCutoutRegion(Cutout& cutout, int word);
// A handle (0..8) of start moved by (dx, dy) region units (dy upward) into out.
void DragCutoutRegion(const Cutout& start, int handle, int dx, int dy, Cutout& out);
// The region's frame on a panel of side s whose bottom-left pixel corner is (left, bottom):
// left, right, top and bottom pixels.
void CutoutRegionRect(const Cutout& cutout, int panelLeft, int panelBottom, int s, int out[4]);
// The region's frame on the panel: the interface's highlight yellow.
constexpr uint32_t CUTOUT_REGION_FRAME_ARGB = 0xFFFFFF40u;
// The orientation transforms of the used-area overlay (u' = a(u - e) + c(v - f),
// v' = b(u - e) + d(v - f)): a, b, c, d, e, f.
extern const float USED_AREA_TRANSFORMS[ORIENTATION_COUNT][6];
// ARGB of an overlay vertex: inside the page (half a texel margin) green, else red.
uint32_t UsedAreaVertexColour(float u, float v, int textureSize);

// ---- [Screen state] ----
constexpr uint8_t TEXTURE_PANEL_LARGE = 1, TEXTURE_PANEL_SAMPLING_2 = 2;
extern uint32_t TexturePanelSwitches;
extern int32_t CutoutOverlay;
// The properties of the multi-cutout update: 4, 4 and 8 mean not set.
struct CutoutUpdateSetting {
  uint8_t alphaType = 4, envMapType = 4, shineType = 8;
  uint8_t setColour = 0, setRoughness = 0;
  uint8_t reflection[3] = {255, 255, 255};
  uint8_t roughness = 0;
};
extern CutoutUpdateSetting CutoutUpdateSet;
int CountUpdateProperties(const CutoutUpdateSetting& set);

struct CutoutsScreen {
  Prss prss;
  ModellerScreen* modeller;
  Material* texture;          // the current cutout's page, null when none
  int32_t firstRow;
  int32_t pageChooser;        // the page chooser is open
  int32_t dragHandle;         // -1 none
  Cutout dragStart;
  int32_t dragMouse[2];
  int32_t dragRecorded;       // the drag's start recorded an undo node
  uint8_t used[MAX_MODEL_CUTOUTS];  // some mapping uses the cutout; rebuilt each frame
  void (*savedHook)(void*);
  void* savedHookOwner;
};
extern CutoutsScreen* ActiveCutoutsScreen;
// Where the screen's rows stand this frame: CutoutsPlaced (object_editor.h).
// The rows under the page panel: the switches, the position, the size, the turn, the overlay.
constexpr int PAGE_PANEL_ROWS = 5;
constexpr int PAGE_PANEL_ROW_UNITS = 16;  // the widest of them (the turn's row)

// ---- [Screen life] ----
Prss* OpenCutoutsScreen(Prss* parent, ModellerScreen& modeller);
// After undo and redo: the current cutout's texture again, or no current cutout.
void RefreshCutoutsScreen();

// ---- [Operations] ----
// Each returns 1 when it changed the model, 0 when refused (the message shown) or idle.
int AdjustCutoutRegion(CutoutsScreen& screen, int clickCode, int word);
int RotateCutout(CutoutsScreen& screen, int word);
int StartCutoutDrag(CutoutsScreen& screen, int handle, int x, int y);
void MoveCutoutDrag(CutoutsScreen& screen, int x, int y);
void CancelCutoutDrag(CutoutsScreen& screen);
// The name a copy takes: "C~door_7" with C~door_8 taken gives "C~door_9", others get "*".
void DuplicateCutoutName(const ModelObject& object, const char* name, char out[CUTOUT_NAME_SIZE]);
int AddNewCutout(CutoutsScreen& screen);
int DuplicateCutouts(CutoutsScreen& screen);
int DeleteCutouts(CutoutsScreen& screen);
int MoveCutoutInList(CutoutsScreen& screen, int step, int down);
void SelectCutoutByName(CutoutsScreen& screen, int index);
void ToggleCutoutSelection(CutoutsScreen& screen, int index);
void ClearCutoutSelection(CutoutsScreen& screen);
int SwitchCutoutBacking(CutoutsScreen& screen, int index);  // the question's "yes"
// The material dialog's "yes" for a cutout.
int SetCutoutMaterial(CutoutsScreen& screen, int index, const CutoutMaterial& material);
// The page chooser's click; several selected cutouts ask first (yes: ApplyCutoutPage).
int AssignCutoutPage(CutoutsScreen& screen, int page);
int ApplyCutoutPage(CutoutsScreen& screen, int page);
// The multi-update: checked over every selected cutout, then asked (yes: ApplyCutoutUpdate).
int CheckCutoutUpdate(CutoutsScreen& screen);
int ApplyCutoutUpdate(CutoutsScreen& screen);
// A cutout takes the set's properties, repaired against its page's texture name; 0 (and
// unchanged) when the result would not keep them.
int UpdateCutoutMaterial(ModelObject& object, int index, const CutoutUpdateSetting& set, int apply);

// ---- [Texts] ----
constexpr const char* TEXT_CUTOUT_MAXIMUM = "Reached maximum number of cutouts";
constexpr const char* TEXT_CUTOUT_TOO_MANY = "Too many cutouts";
constexpr const char* TEXT_CUTOUT_IN_USE = "Cutout is in use";
constexpr const char* TEXT_CUTOUT_PAGE_ALPHA = "%s has alpha type %s so texture must have alpha";
constexpr const char* TEXT_CUTOUT_NOTHING_SET = "No properties are set to be changed";
constexpr const char* TEXT_CUTOUT_NONE_SELECTED = "No cutouts are selected to be updated";
constexpr const char* TEXT_CUTOUT_PROBLEM = "Problem checking updates on : %s";
