// edit_views.h - the editors' shared edit view: the perspective view or a 2D view from one of
// six axis directions (or any heading and pitch), with its grid, background images and their
// schemes, the drag box and the bottom-right button block.
//
// Sections: [View codes] [Background records] [Drag box] [Shared state] [Opening and closing]
//           [Choosing the view] [Each frame] [Mouse] [Background scheme file] [Button block]
//
// The object editor, the modeller and the vehicle editor look at their object through this
// one view.  A 2D view is orthographic: its width (16.16 metres) is what the screen shows from
// left to right.  A 2D view can show a square picture ("data\bkg\<name>.png") placed and scaled
// to trace a drawing; the seven views' pictures form a scheme saved in "data\bkg\<name>.scm".
// The current view code is EditViewState.  Main thread only.
#pragma once
#include <array>
#include <cstdint>
#include <functional>

#include "render/material.h"
#include "ui/interface.h"

struct DataFile;
struct MouseRecord;
struct Prss;
struct ZKTETexture;

// ---- [View codes] ----
// A view code packs three signed angles in quarter degrees (1440 a turn): heading in bits 0
// to 10, pitch in bits 11 to 20, roll in bits 21 to 31 (always 0 here); -1 is the perspective
// view.  The low 21 bits alone decide whether two directions look the same way.
constexpr int32_t VIEW_CODE_PERSPECTIVE = -1;
enum EditViewIndex : int {
  VIEW_PERSPECTIVE = 0,
  VIEW_FRONT = 1,
  VIEW_BACK = 2,
  VIEW_RIGHT = 3,
  VIEW_LEFT = 4,
  VIEW_TOP = 5,
  VIEW_UNDER = 6,
  VIEW_FREE = 7,  // any other 2D direction
};
constexpr int EDIT_VIEW_COUNT = 7;
extern const int32_t EDIT_VIEW_CODES[EDIT_VIEW_COUNT];  // -1, 720, 0, 360, 1688, 0x14C000, 738000

// The edit views' current view code, -1 for the perspective view; the top 11 bits (the roll)
// are cleared when the mapping tool's copy is done (MappingScreenshotRequested, object_editor.h).
extern unsigned EditViewState;
// The current view code (EditViewState as a signed code).
int32_t CurrentViewCode();
void SetCurrentViewCode(int32_t code);

namespace EditView {
int IndexFromCode(int32_t code);  // 0..6 by the table, 7 for any other code
int Opposite(int index);          // 1 and 2, 3 and 4, 5 and 6 swap; others give 0
// The code is the current one, or both are axis views and it is the current one's opposite.
int IsCurrent(int32_t code);
// Switching between the perspective and a 2D view: the width, centre and camera of the one
// left are saved, the other's restored, and the clear mode of 2D views pushed or popped.
// Nothing happens when the view stays of the same kind.
void StoreCurrent(int toPerspective);
// The view keys: B F L P R T U V (without Shift), and in a 2D view the arrows with Ctrl
// and/or Shift stepping the heading and pitch.  1 when the key was taken.
int SelectByKey(int key);
// Screen pixels to the current 2D view's coordinates (16.16, z 0).
void ScreenToView(int x, int y, int32_t out[3]);
}  // namespace EditView

// ---- [Background records] ----
enum BackgroundKind : int32_t { BACKGROUND_NONE = 0, BACKGROUND_IMAGE = 1, BACKGROUND_OPPOSITE = 2 };
constexpr int BACKGROUND_NAME_SIZE = 32;  // 31 characters and a zero
constexpr float BACKGROUND_CLEARED_SCALE = 2.0f;
constexpr const char* BACKGROUND_IMAGE_PATTERN = "data\\bkg\\%s.png";

struct EditViewRecord {
  int32_t kind;                       // BackgroundKind
  char imageName[BACKGROUND_NAME_SIZE];  // the picture's name without folder and extension
  ZKTETexture* texture;               // run time only; null when the picture could not be loaded
  Material material;                  // the texture drawn as is
  int32_t position[3];                // 16.16 metres in the view's own axes (x right, y up, z out)
  float scale;                        // half the side of the square picture, metres

  void Clear();  // kind 0, no picture, scale 2.0
};

// ---- [Drag box] ----
enum DragBoxState : int { DRAG_BOX_NONE = 0, DRAG_BOX_DRAGGING = 1, DRAG_BOX_POINT = 2, DRAG_BOX_DONE = 3 };
struct DragBox {
  int state;
  int32_t code;                 // the view it was drawn in
  int32_t worldCorners[2][3];   // 16.16
  int32_t viewCorners[2][3];    // in the current view's coordinates, 16.16
  int moved;                    // the pan drag's first motion has been seen
  void (*callback)(void* owner);  // called when a box is finished (the modeller's box selection)
  void* owner;
};

// ---- [Shared state] ----
enum GridChoice : int32_t { GRID_TENTH = 0, GRID_METRE = 1, GRID_TEN_METRES = 2, GRID_NONE = 3 };

struct EditViewSettings {
  int32_t currentIndex;       // of the current code, recomputed each frame (the button column)
  int32_t width;              // 16.16; 0 while the perspective view is current
  int32_t savedWidth;
  int32_t savedCentre[3];     // the 2D view's centre while the perspective is current
  int32_t savedCamera[3];     // the perspective camera while a 2D view is current
  int32_t adjust;             // the background is being adjusted
  int32_t gridChoice;         // GridChoice
  int32_t buttonsHidden;      // the bottom-right block shows only "+"
  float fieldOfView;          // degrees
  float fovScale;             // 2 tan(fov / 2)
  int32_t clearMode2D;        // the frame clear of 2D views (0)
  DragBox dragBox;
  EditViewRecord records[EDIT_VIEW_COUNT];
};
extern EditViewSettings EditViews;
constexpr float DEFAULT_FIELD_OF_VIEW = 50.0f;
constexpr float MIN_FIELD_OF_VIEW = 2.0f, MAX_FIELD_OF_VIEW = 120.0f;
constexpr uint16_t EDIT_LIGHT_HEADING = 57344, EDIT_LIGHT_ELEVATION = 8192;
// The object editor's shading of lit meshes (SetViewDiffuseLight): light from every side, from
// the sky above and from the editor's light, so that a face shows by its slope and its side.
constexpr float EDIT_LIGHT_AMBIENT = 0.45f, EDIT_LIGHT_SKY = 0.25f, EDIT_LIGHT_DIRECT = 0.4f;

// ---- [Opening and closing] ----
// On opening an editor: clear mode 2 pushed, the view's light set, the records cleared, the
// drag box cleared, the perspective view current.
void InitEditViews();
// On leaving it: the records cleared (their pictures released), the perspective camera back,
// "adjust" off and the clear mode popped.
void CloseEditViews();

// ---- [Choosing the view] ----
void SelectEditView(int index);  // the view buttons and keys; "adjust" goes off
// Looks at a centre (16.16) from far enough to show a size (16.16) across.  With inFreeRoom
// what is framed fills nine tenths of the largest part of the window that the buttons and
// value controls added so far leave free, about its middle (the editors' framing, keys O): a
// box (16.16 corners) where one is given, else the size each way about the centre.  The
// perspective view is measured where it is put; a 2D view as it was last drawn (its width
// then), so a 2D view is framed in the room once it has been drawn.  covered: a box of the
// window (pixels: left, top, right, bottom) to keep clear besides, as a panel's whole extent.
void FrameEditView(int32_t size, const int32_t centre[3], int inFreeRoom, const int32_t* boxLow = nullptr,
                   const int32_t* boxHigh = nullptr, const float* covered = nullptr);
inline void FrameEditView(int32_t size, int32_t height) {
  const int32_t centre[3] = {0, 0, height};
  FrameEditView(size, centre, 0);
}
// The largest rectangle of the window (pixels: left, top, right, bottom) that no button or
// value control of the last frame covers, nor the box keepClear (pixels, or none): the room
// the editors frame their subject in.
std::array<int, 4> EditViewFreeRoom(const float* keepClear = nullptr);
void SetEditViewFieldOfView(float degrees);  // also the FOV scale
// The view's light: the unit vector (0, 1, 0) turned by the heading and the elevation
// (16-bit turns).
void SetEditViewLight(uint16_t heading, uint16_t elevation);
// The perspective's near plane (16.16); the object editor sets 0.1 m while it is open.
extern int32_t EditViewNearClip;

// ---- [Each frame] ----
// The projection of the current view over the whole screen, and the 2D pan by the held
// arrow keys (without Shift and Ctrl): width x frame time / 1200 per frame.  A 2D view shows
// its width across the room from roomLeft2D (normalised, -1 the screen's left edge) to the
// screen's right edge, its middle in the room's: an editor whose rows cover the left of the
// screen shows the view in the room they leave.
void SetEditViewProjection(uint32_t frameTimeMs, float roomLeft2D = -1.0f);
// The 2D view's axes in world coordinates (rows right, up and towards the viewer), from the
// code's heading, pitch and roll.
void BuildOrthoViewMatrix(int32_t code, float axes[3][3]);
// The grid of the current view (nothing for GRID_NONE or a free 2D direction).
void DrawEditViewGrid();
// The background picture of the current axis view (its own, or the opposite's flipped).
void DrawEditViewBackground();
// The drag box as lines, when it belongs to the current view.
void DrawEditViewDragBox();

// ---- [Mouse] ----
// flags are handed to the perspective view's own mouse handling (2: an object is shown and
// the last pick hit).
void HandleEditViewMouse(MouseRecord* mouse, int flags);

// ---- [Background scheme file] ----
// Seven records in view order: a kind word, and for kind 1 the picture's name (32 bytes),
// its position (three 16.16 words) and scale (float).
constexpr const char* SCHEME_FILE_MAGIC = "QXSCM_";
constexpr int SCHEME_FILE_VERSION = 246;
constexpr const char* SCHEME_FILE_PATTERN = "data\\bkg\\%s.scm";
// Reads the records in order into the store, stopping at the first read error (the records
// read stay; the one being read is cleared).  A record of another kind than 0..2, or a picture
// name that could leave the folder (a separator, a drive letter or ".."), clears that record
// with a message naming the file; an unknown kind also stops the reading.  No picture is
// loaded here.  Returns the records read whole.
int ReadBackgroundScheme(DataFile& file, EditViewRecord records[EDIT_VIEW_COUNT], const char* nameForMessages);
void WriteBackgroundScheme(DataFile& file, const EditViewRecord records[EDIT_VIEW_COUNT]);
// By path: a file that cannot be opened, of another kind or a later version changes nothing
// (the data file reports on page).  Pictures of kind 1 are loaded.  1 when read or written.
int LoadBackgroundScheme(Prss* page, const char* path);
int SaveBackgroundScheme(Prss* page, const char* path);
// The picture of a record by its name (nothing without graphics); the old one released.
void LoadBackgroundImage(int index);
// After a media reload: every kind-1 record's picture loaded again.
void ReloadBackgroundImages();
// Lets go of the record's picture (released when no other record shows it).
void ReleaseBackgroundTexture(EditViewRecord& record);

// ---- [Button block] ----
// The block stands at the bottom right, this many button units wide.
constexpr int EDIT_VIEW_BLOCK_UNITS = 8;
// Word of the view point buttons handed to the handler: 0 "origin", 1 "object", 2 "eye".
// eyeMode 0 no eye button, 1 an eye button, 2 a grey one.  Returns the rows used.
int AddEditViewButtons(Prss* owner, InterfaceHandler handler, int eyeMode);
// The hint line over the view area: a one-row value control of VALUE_TYPE_HINT (it shows the
// hint of the button under the pointer) bound to the edit view record, just below the top
// row, from leftUnits button widths off the left edge to rightUnits off the right edge.
// Nothing when fewer than 15 button widths lie between the two.  It has no owner, so it never
// takes a press: a click or drag there goes on to the view under it.  The control's index,
// or -1 when none was added.
constexpr DisplayType VIEW_AREA_DISPLAY_TYPE = VALUE_TYPE_HINT;
constexpr int VIEW_AREA_LEAST_UNITS = 15;
int AddViewAreaControl(int leftUnits, int rightUnits);
// The typed values and actions of the block by word (0 FOV, 1 heading, 2 pitch, 4 "load
// bkg", 5 "adjust", 6 "remove", 7 "use opp", 8 background scale, 12 "load scm", 13 "save
// scm").
void EditViewValueAction(void* owner, int code, uintptr_t word);
// 1 when compressed textures are on and no texture reload is running; else 0 after telling
// the owner why.
int CheckTexturesReady(Prss* owner);

// ---- [Labels on the view] ----
// A clickable label for a pixel point of the view, a row high and as wide as its text and two
// margins: BUTTON_STYLE_TEXT, a button in the colour given and a unit wide at least; or
// BUTTON_STYLE_HALO_TEXT, its small text in the colour given ringed by a halo, no face, so
// that the scene stays in sight round it, a row wide at least (the labels of a figure's many
// bones).  It stands centred on the point when that place is clear of every button added so
// far this frame; else at the clear place nearest to it, looked for in rings of half a row
// around the point, on the screen.  Labels of points that lie close together
// (the bones of a small figure) so stand side by side instead of over each other.  The
// text must live until the frame is drawn.  The button's index, or -1 when none was added.
int AddViewLabel(Prss* owner, float x, float y, uintptr_t word, const char* text, int lit, ColourWord* colour,
                 InterfaceHandler handler, const char* hint, ButtonStyle style = BUTTON_STYLE_TEXT);
// The place nearest to pixel (left, top) where clear(left, top) holds, looked for as
// AddViewLabel looks (rings of half a row, that place itself first); false when there is none
// on the screen.
bool NearestClearPlace(int left, int top, const std::function<bool(int, int)>& clear, int* placeLeft, int* placeTop);

// ---- [Texts] ----
constexpr const char* TEXT_OUT_OF_BOUNDS = "Out of bounds";
constexpr const char* TEXT_SCHEME_KIND = "%s : unknown background kind %d in view %d";
constexpr const char* TEXT_SCHEME_NAME = "%s : background name %s is not a plain file name";
