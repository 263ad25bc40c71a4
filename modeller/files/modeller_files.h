// modeller_files.h - loading and saving in the modeller: the main object and single
// subobjects as model files (".qxe"), a spoke object as its own file (".spk"), OBJ meshes and
// model files imported as the main object, spoke objects exported with their spokes repeated,
// the spoke count of the car on show, the editor skin and the object panel's file rows.
//
// Sections: [Paths and ways of opening] [File command] [Operations] [Spokes] [Object panel]
//           [Texts]
//
// Every refusal leaves the edited model and its history as they were and frees the object
// read; a read that fails in any way (a message box, a message line, or none) abandons the
// load.  A save whose write fails keeps the old file (the file layer's safe write), shows a
// message box naming it, leaves the saved flag clear and marks no undo node.  Main thread only.
#pragma once
#include <cstdint>

#include "modeller/state/modeller_state.h"

struct ModelObject;

// ---- [Paths and ways of opening] ----
// Model files "data\3dob\%s.qxe", spoke objects "data\3dob\%s.spk", OBJ files
// "data\obj\%s.obj", editor skins "data\skins\%s.jpg" (the patterns are the readers').
constexpr int FILE_NAME_QUESTION_LENGTH = 32;  // characters typed
constexpr int OBJECT_NAME_LENGTH = 19;         // the main object's name
constexpr int SUBOBJECT_FILE_NAME_LENGTH = 20; // a loaded subobject's name from the typed one
constexpr int EDITOR_SKIN_LENGTH = 23;
constexpr int SPOKE_OBJECT_LIMIT = 1600;       // points, and triangles, of all spokes together
constexpr int MAX_CAR_SPOKES = 22;
constexpr uint32_t OBJ_MAPPING_COLOUR = 0xC8C8C8;  // an imported mesh's first mapping
// How the modeller was opened: the ordinary way, for a model of the track editor (whose name
// the model keeps), or placing loaded objects at the main object's height.
enum ModellerOpenKind : int { OPENED_ORDINARY = 0, OPENED_FROM_TRACK_EDITOR = 2, OPENED_AT_HEIGHT = 3 };
// Set by whoever opens the modeller (the entry menu and the vehicle editor leave it 0).
// STAND-IN for the track editor, which will set 2 while it has a model open.
extern int ModellerOpenedAs;

// ---- [File command] ----
enum FileCommandWord : int {
  FILE_LOAD_MAIN = 0,       // "Enter name of main object to LOAD"
  FILE_SAVE_MAIN = 1,       // "Enter name of main object to SAVE"
  FILE_LOAD_SUBOBJECT = 2,  // "Enter name of subobject to LOAD"
  FILE_SAVE_SUBOBJECT = 3,  // "Enter name of subobject to SAVE"
  FILE_IMPORT_OBJ = 4,      // "Enter name of OBJ to load as main object ..."
  FILE_IMPORT_MODEL = 5,    // "Enter name of object to IMPORT" (into a spoke object)
  FILE_EXPORT_MODEL = 6,    // "Enter name of object to EXPORT" (a spoke object's spokes)
};
// Asks for a file name (offering the current one) and runs the word's operation with it.
// Ctrl+O is word 0.
void FileCommand(void* owner, int clickCode, uintptr_t word);

// ---- [Operations] ----
enum LoadKind : int { LOAD_MODEL = 0, LOAD_OBJ = 1, LOAD_IMPORT = 2 };
// Reads the named file into a new main object: the model file (or, while a spoke object is
// edited, its spoke file), an OBJ file, or a model file imported into a spoke object; checks
// it against the spoke object's rules; then records "load <name>" and puts it in place of the
// main object.  A loaded model file leaves the model saved; an OBJ or a model imported leaves
// it changed.  An OBJ file that gives no triangle fails with a status line saying so.  1 when
// loaded.
int LoadIntoModeller(ModellerScreen& screen, const char* name, int kind);
// Saves the main object (a spoke object to its ".spk" path): the save fix-ups first unless the
// model is unchanged since its last load or save.  1 when written.
int SaveMainObject(ModellerScreen& screen, const char* name);
// Only while a subobject is edited: replaces it by the file's object ("load subobject") / writes
// it as a model file with the main object's layer names.  1 on success.
int LoadSubobject(ModellerScreen& screen, const char* name);
int SaveSubobject(ModellerScreen& screen, const char* name);
// The main object with its geometry repeated once per spoke, written as a model file; the
// edited object keeps one spoke's.  1 when written.
int ExportModel(ModellerScreen& screen, const char* name);

// ---- [Spokes] ----
// The car on show's spoke count one down (up 0) or up (1): needs a car on show (the vehicle
// editor's hooks); refused with a message box when a triangle joins the next spoke and the
// count would fall to 1, or when the spokes together would pass 1600 points or triangles.
void ChangeSpokeCount(ModellerScreen& screen, int up);
// The spoke check behind every spoke count change: word 0 lowers the count (not below 1, nor
// from 2 when a triangle of the spoke refers to the next spoke's points), word 1 raises it
// (not above 22, nor past 1600 points or triangles for all the spokes), each refusal shown
// on the screen as a message box.  1 when the count changed, and for any other word; else 0.
int CheckTotalLimits(Prss* screen, uint8_t& spokeCount, const ModelObject& spoke, int word);
// 1 when a triangle of the object has a corner flagged for the mirrored (or next spoke's) point.
int RefersToOtherSide(const ModelObject& object);

// ---- [Object panel] ----
// The object panel's rows at the bottom left: the skin and "OBJ"; the main object's name
// ("^1*" after it while the model has unrecorded changes) with "LOAD" and "SAVE"; in subobject
// mode the edited subobject's "load" and "save", or a spoke object's "import QXE" and
// "export QXE", or what is selected.  usedRight: the pixel x where the left column's rows
// that reach down into the panel's rows end, 0 for none; the panel then stands beside that
// column instead, PANEL_COLUMN_UNITS from the left edge, or nearer to it, and narrower, as
// far as it must to keep clear of the view block at the bottom right.
constexpr int PANEL_COLUMN_UNITS = 16;
void AddObjectPanel(ModellerScreen& screen, int usedRight);
// The rows the object panel takes over the bottom edge: three in subobject mode, else two;
// five and three in a window too narrow for it between a full column and the view block,
// where it stands narrower with its file buttons under the names (the panel ends at the
// bottom edge, so the rows above it stay free for the mapping list).
int ObjectPanelRows(const ModellerScreen& screen);
// The question for the skin shown on the custom skin pages (a JPG of data\skins, 23
// characters); the answer becomes EditorSkinName and the mesh is rebuilt.
void AskEditorSkin(ModellerScreen& screen);

// ---- [Texts] ----
constexpr const char* TEXT_SELECT_EDITOR_SKIN = "Select skin to be used in the editor ^3data\\skins\\*.jpg";
constexpr const char* TEXT_COULD_NOT_LOAD_OBJECT = "Could not load object";
constexpr const char* TEXT_SPOKE_TRIANGLES = "Max %d triangles for a spoke object";
constexpr const char* TEXT_SPOKE_POINTS = "Max %d points for a spoke object";
constexpr const char* TEXT_LOADED_OBJ_SPOKES = "Loaded OBJ - number of spokes set to 1";
constexpr const char* TEXT_HAS_SUBOBJECTS = "Object has subobjects";
constexpr const char* TEXT_HAS_MIRRORED_TRIANGLES = "Object contains mirrored triangles";
constexpr const char* TEXT_SPOKE_EDITOR_UNSUPPORTED = "This feature is not supported by the spoke editor";
constexpr const char* TEXT_REFER_TO_MIRRORED = "Some triangles refer to mirrored points";
constexpr const char* TEXT_IMPORTED_QXE_SPOKES = "Imported QXE - number of spokes set to 1";
constexpr const char* TEXT_NEED_TWO_SPOKES = "To use this feature you need at least 2 spokes";
constexpr const char* TEXT_REFER_TO_ROTATED = "Some triangles refer to rotated points";
constexpr const char* TEXT_ROTATED_NEED_TWO = "Some triangles refer to rotated points so you need at least 2 spokes";
constexpr const char* TEXT_TOTAL_POINTS_EXCEEDED = "The maximum total number of points (%d) would be exceeded";
constexpr const char* TEXT_TOTAL_TRIANGLES_EXCEEDED = "The maximum total number of triangles (%d) would be exceeded";
constexpr const char* TEXT_EXPORTED_MODEL = "Exported model";
constexpr const char* TEXT_OBJ_NO_TRIANGLES = "Load failed : %s.obj gives no triangles";
constexpr const char* TEXT_TRACK_EDITOR_NAME = "The model is named ^3%s^8 in the track editor";
constexpr const char* TEXT_TRACK_EDITOR_RENAME = "Change the name in the editor to ^3%s^8 instead?";
