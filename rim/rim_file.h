// rim_file.h - the rim editor's graph over a rim profile (GraphWXS), the rim file
// "data\whl\<name>.wxs" alone, and the removal of a rim's colours.
//
// Sections: [Rim graph] [Rim file] [Mappings]
//
// The rim body itself (points, mapping colours, surfaces) is vehicle_data/rim_profile.h's.
// Main thread only.
#pragma once
#include <cstdint>

#include "rim/graph.h"
#include "vehicle_data/rim_profile.h"

struct Car;
struct DataFile;
struct Prss;

// ---- [Rim graph] ----
constexpr int RIM_EDITOR_POINTS = 14;
constexpr int RIM_EDITOR_MAPPINGS = 16;
enum RimEditMode : int32_t { RIM_MODE_POINT = 0, RIM_MODE_SURFACE = 1 };

// The graph over a rim's points.  Its mode word is the editing mode (RimEditMode).
struct GraphWXS : Graph {
  int32_t currentMapping = 0;
  int32_t selectedSurface = -1;  // -1 none
  int32_t maxSurfaces = RIM_EDITOR_SURFACES;
  WXS* rim = nullptr;
  Car* car = nullptr;  // its meshes are released after a change; may be null

  // 0 for points 0 and 1 and for any point a surface uses.
  int CanDeletePoint(int index) override;
  // Every surface's ends follow the moved point.
  void RenumberPoint(int oldIndex, int newIndex) override;
  // Points 0 and 1 back at (0, 4.0) and (4.0, 4.0); the car's meshes released so that its
  // wheels are made again from the profile.
  void PointsChanged(int code) override;
};

// ---- [Rim file] ----
constexpr const char* RIM_FILE_MAGIC = "QXWHXS";
constexpr int RIM_FILE_VERSION = 252;
constexpr int RIM_FILE_LOWEST_VERSION = 248;
constexpr const char* RIM_FILE_PATTERN = "data\\whl\\%s.wxs";
constexpr const char* TEXT_RIM_DAMAGED = "Rim file is damaged :";

// Reads the file into a new profile; only a whole, well-formed body replaces `rim`.  A
// version below 248 shows "Could not open file :" and the path; a damaged body shows "Rim
// file is damaged :" with the path and the field.  Both as message boxes on the screen.
// 1 when the rim was replaced.
int LoadRimFile(WXS& rim, const char* path, Prss* reportScreen);
// The same over an opened file of the given version (the path names it in the messages).
int ReadRimFile(WXS& rim, DataFile& file, int version, const char* path, Prss* reportScreen);
// "data\whl\<name>.wxs" into path; a name FileNameFault refuses (or that makes no safe
// path) shows "Invalid file name : <name>" on the screen and gives 0.
int RimFilePath(Prss* screen, const char* name, char* path, int pathSize);
// The answer of the save prompt: "data\whl\<name>.wxs" written through a safe write (every
// write and the close checked, the old file kept on a failure, which is reported).  1 when
// written.
int SaveRimFile(Prss* screen, const char* name, const WXS& rim);

// ---- [Mappings] ----
// Removes a mapping no surface uses, moving the later ones down and renumbering the surfaces
// above it; mapping 0 always stays.  1 when removed.
int RemoveRimMapping(WXS& rim, int index);
// The number of surfaces that use the mapping.
int RimMappingUses(const WXS& rim, int index);
