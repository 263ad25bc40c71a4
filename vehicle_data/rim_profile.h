// rim_profile.h - a rim's shape (WXS): a 2D profile of points joined by surfaces, each coloured
// by one of the rim's mappings, and its body inside the vehicle and wheel files and the rim
// file (the rim file and the rim editor are the vehicle editor's).
//
// Sections: [Profile] [Body]
//
// Points 0 and 1 are fixed at (0, 4.0) and (4.0, 4.0); a profile read with other values there
// is kept and reported (a profile not yet made has no points at all).  Mapping 0 always stays.  Main thread only.
#pragma once
#include <cstdint>

#include "core/graph_data.h"
#include "model/model_object.h"

struct DataFile;

// ---- [Profile] ----
constexpr int RIM_MAX_SURFACES = 255;   // the count is a byte
constexpr int RIM_EDITOR_SURFACES = 12; // the rim editor's limit
constexpr int RIM_MAX_GROUP = 16;       // smoothing groups 0..16
constexpr float RIM_FIXED_COORDINATE = 4.0f;
constexpr int RIM_FORM = 2;             // written; form 0 brightens the colours, below 2 normalises them

struct RimSurface {
  uint32_t first, second;  // point indices
  uint32_t group;          // smoothing group
  uint32_t mapping;        // index into the rim's mappings
};

struct WXS final : GraphData {
  uint8_t surfaceCount = 0;
  uint8_t secondByte = 0;  // kept with the profile for the wheel mesh builder
  RimSurface* surfaces = nullptr;  // malloc'd
  int32_t mappingCount = 0;
  ModelMapping* mappings = nullptr;  // malloc'd; names and colours

  ~WXS() { Free(); }
  // Releases the surfaces, the mappings and the points; the profile is then empty.
  void Free() override;
  // Reads the body of a file of the given container version (releasing what it held first).
  // 1; or 0 with the profile empty when the body is damaged: counts past the data, a surface
  // naming a point, group or mapping that does not exist, a short read.  Fixed points that are
  // not where they belong are reported as message lines ("WXS : Wrong X", "WXS : Wrong Y")
  // and kept.
  // RimReadFailure names the field a failed read stopped at ("point count", "mapping colours",
  // "surface count", "surfaces"), empty after a whole read.
  int Load(DataFile& file, int version);
  // The two fixed points, one surface from point 1 to point 0 with mapping 0, one mapping
  // of the given name and colour: a new rim.
  void MakeDefault(const char* mappingName, ColourWord colour);
};

extern const char* RimReadFailure;

// ---- [Body] ----
// u32 point count, the points (two f32), the mapping colour block, u8 surface count, u8 second
// byte, u8 form 2, u8 0, the surfaces (four u16).  Any write mode.
void WriteRim(const WXS& rim, DataFile& file);
// The reports of a profile whose fixed points are not where they belong.
constexpr const char* TEXT_RIM_WRONG_X = "WXS : Wrong X";
constexpr const char* TEXT_RIM_WRONG_Y = "WXS : Wrong Y";
