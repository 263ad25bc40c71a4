// file_actions.h - the vehicle editor's file menu: vehicles, their models, frames and colour
// sets loaded and saved by name, the frame file ("QXFRM_") and the colour-set file
// ("ZKTALL"), and the prompts of the vehicle pages (wheel file, steering animation, Skin ID,
// test export folder).
//
// Sections: [Formats] [Reading and writing] [Model comparison] [Shell hooks]
//
// Every load reads the whole file into temporaries and changes the vehicle, recording its
// edit first, only after a complete, valid read; a damaged file names itself and the field
// that failed and changes nothing.  Every save goes through the file layer's safe writer and
// changes the vehicle's name and saved marks only when every file was written.  The editor's
// handlers are VehicleEditor members (vehicle_editor.h).  Main thread only.
#pragma once
#include <cstdint>
#include <vector>

#include "core/fixed_math.h"
#include "text/text_colours.h"
#include "vehicle_data/frame_records.h"

struct Car;
struct DataFile;
struct ModelObject;
struct Prss;
struct VehicleData;

// ---- [Formats] ----
constexpr const char* FRAME_FILE_MAGIC = "QXFRM_";
constexpr const char* FRAME_FILE_PATTERN = "data\\frame\\%s.frm";
constexpr const char* ALL_COLOURS_MAGIC = "ZKTALL";
constexpr const char* ALL_COLOURS_PATTERN = "data\\colours\\%s.all";
constexpr int EDITOR_FILE_VERSION = 252;
constexpr int EDITOR_FILE_LOWEST_VERSION = 248;
constexpr int LIGHT_COLOURS = 8;

// A typed name that becomes a path of pattern: a valid, safe file name in a path that fits.
// 0, with "File name must be ASCII (e.g. 0-9 A-Z a-z)" on the status line, otherwise.
int TypedEditorPath(char* out, int outSize, const char* pattern, const char* name);

// ---- [Reading and writing] ----
// A frame as read: its own arrays (malloc'd), freed by FreeFrameRead.
struct FrameRead {
  int32_t pointCount, tubeCount;
  FramePoint* points;
  FrameTube* tubes;
};
void FreeFrameRead(FrameRead& frame);
// Reads "data\frame\<name>.frm" whole.  1 on success; 0 with a message line naming the file
// and what failed (a version below 248 is refused as "Could not open file :").
int ReadFrameFile(const char* path, FrameRead& out);
int WriteFrameFile(const VehicleData& data, const char* path);

// A colour set as read: 1..9 configurations, and the eight light colours when the file has
// them (hasLights 0: an older file without them).
struct ColourSetRead {
  int32_t count;
  ColourSet configs[9];
  uint8_t hasLights;
  ColourWord lights[LIGHT_COLOURS];
};
int ReadAllColoursFile(const char* path, ColourSetRead& out);
int WriteAllColoursFile(const VehicleData& data, const char* path);

// ---- [Model comparison] ----
// Every point of the model and its children, as the model stores them.
void CollectModelPoints(const ModelObject& model, std::vector<IntVector>& out);
// 1 when at least half (integer half) of filePoints have a point of the same three
// coordinates among modelPoints; a hashed look-up, one pass over each.  0 for no file points.
int EnoughPointsShared(const std::vector<IntVector>& filePoints, const std::vector<IntVector>& modelPoints);

// ---- [Shell hooks] ----
// What the editor asks of the screens above it; the program shell installs them.  A null
// member is skipped.
struct VehicleEditorShellHooks {
  void (*setLocalPlayerName)(const char* name);  // the race's local player takes a saved name
  int (*checkVehicleSkins)(const Car& car);      // default skins missing: the count
  char* testExportFolder;                        // the folder the test export installs into
  int testExportFolderSize;
  Prss* (*openOptions)(Prss* parent);            // the options page
  // The garage page for a cover picture of the car; takeCover answers 1 when the picture was
  // made (and forgets it).
  Prss* (*openCoverGarage)(Prss* parent, const char* vehicleName);
  int (*takeCover)();
  void (*startExport)();                         // the mod export of the edited car, after its cover
  int (*exportStep)();                           // one step of a running export: 1 while it runs
  void (*carChanged)(Car* car);                  // the car the export works on
  void (*fillCarChoice)(const Car& car);         // the local player's car choice, when there is one
  void (*driveSideChanged)(int left);            // the local player's drive-side bit
  // The texture files of the model and the spoke object exported (format 0 PNG, 1 DDS); the
  // number that failed.
  int (*exportTextures)(Prss* screen, const ModelObject* model, const ModelObject* spoke, int format);
  // The textures of the car whose PNG is missing or unreadable: their number; megapixels
  // gets the PNGs' combined area.
  int (*checkTextures)(const Car& car, float* megapixels);
  // The side panel's mod rows (the export's words: 0 check, 1 test, 2 upload, 3 share).
  void (*checkModForExport)(void* editor, int click, uintptr_t word);
};
extern VehicleEditorShellHooks EditorShellHooks;
