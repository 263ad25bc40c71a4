// mapping.h - the world mapping records: how one kind of track surface is drawn and what it is
// for the physics, their table in the track file, the surface rules, the average colour of
// their colour grids and the axes of their planar projections.
//
// Sections: [Surface and usage types] [Record] [Table] [Passes] [Textures] [Use marking]
//
// Main thread only.
#pragma once
#include <cstdint>

struct DataFile;
struct FixedOb;
struct Material;

// ---- [Surface and usage types] ----
constexpr int SURFACE_TYPE_COUNT = 22;  // "ANY" follows as 22
constexpr int USAGE_TYPE_COUNT = 5;     // "ANY" follows as 5
struct SurfaceTypeInfo {
  const char* name;
  uint8_t texturedAsTrack;  // texture mode 3 instead of 2
  uint8_t dustyByItself;    // SRF_DUSTY is then unnecessary
};
struct UsageTypeInfo {
  const char* name;
  uint8_t backingAllowed;
  uint8_t texturedAsWall;  // texture mode 1
  uint8_t rayBytes[2];     // the first is read by the filtered ray tests
};
extern const SurfaceTypeInfo SurfaceTypes[SURFACE_TYPE_COUNT + 1];
extern const UsageTypeInfo UsageTypes[USAGE_TYPE_COUNT + 1];

// ---- [Record] ----
constexpr uint8_t SRF_DUSTY = 1;
constexpr uint8_t SRF_HAS_COLOUR = 2;  // the grid holds a colour (the average-colour pass)
constexpr uint8_t SRF_IN_USE = 4;      // the use marking
constexpr uint8_t SRF_BACKING = 8;
constexpr int MAPPING_NAME_SIZE = 20;  // stored; 16 below table version 5
constexpr uint8_t MAPPING_NO_COLOUR = 255;  // a grid cell without a palette colour
constexpr uint32_t MAPPING_COLOUR_DEFAULT = 0xFFFFFF;  // below table version 7
constexpr float MAPPING_SIZE_DEFAULT = 2.0f;          // without projection data

struct MappingRecord {
  uint8_t flags;
  uint8_t projection;  // 0 none, 1 planar by a heading, 2 and 3 planar by three angles
  uint8_t byte2;
  uint8_t normalWeight;
  uint8_t material[4];  // [0] the mapping kind, [1] 3: no texture at all
  uint32_t colour;
  char name[MAPPING_NAME_SIZE + 1];         // always terminated
  char textureName[MAPPING_NAME_SIZE + 1];  // empty: no texture name of its own
  uint8_t average[3];
  uint8_t gridFlag;
  uint8_t textureColour[4];
  uint8_t finalColour[4];
  uint8_t uSpan, vSpan, uOffset, vOffset;  // 1/128 units
  uint8_t gridRows;
  uint8_t repeatLength;
  uint8_t paletteCount;
  uint8_t columnCount;
  uint8_t surfaceType;  // below SURFACE_TYPE_COUNT
  uint8_t usageType;    // below USAGE_TYPE_COUNT
  uint8_t orientation;  // 0..7
  uint8_t trimCodes;
  uint8_t surfaceWord[4];  // bump mode, amplitude, scale, a kept byte
  int32_t origin[3];       // 16.16
  float angle[3];          // radians
  float width, height;     // metres of one repeat
  uint8_t* palette;        // paletteCount x (red, green, blue, flags)
  int32_t* columnEnds;     // columnCount, cumulative 16.16
  uint8_t* cells;          // gridRows x columnCount palette indices, row by row
  Material* materialRecord;
};

// ---- [Table] ----
// Reads the table (count, version, records) into a new array: 1 on success; 0 when the table
// is damaged (a negative count, an array longer than the bytes left, a record cut short), with
// nothing kept.  Enum bytes out of range are repaired: surface and usage types as 0, the
// orientation by its low three bits, a projection kind past 3 as 0 (its fields read first,
// then cleared), a cell index past the palette as 255.  versionOut may be null.
int ReadMappingTable(DataFile& file, int32_t& count, MappingRecord*& records, int* versionOut);
// One record of the given table version: 1 when it was whole.
int ReadMappingRecord(MappingRecord& record, DataFile& file, int version);
void FreeMappingRecord(MappingRecord& record);
void FreeMappingTable(int32_t& count, MappingRecord*& records);

// ---- [Passes] ----
// Clears SRF_DUSTY on a surface dusty by itself and SRF_BACKING where the usage allows none;
// each said when Debug Level is not 0.
void FixMappingSurfaceFlags(MappingRecord& record);
// The average grid colour (column-weighted, per row), the grid flag and flags bit 1 of every
// record; a record without a colour keeps only flags bits 0 and 3 and loses its texture name.
// Zero grid rows keep the average 0.
void ComputeMappingAverageColours(MappingRecord* records, int32_t count);
// Red, green and blue = texture colour x average >> 8; the fourth byte the grid flag.
void ComputeMappingFinalColour(MappingRecord& record);
// Rows u axis, v axis, normal of a planar projection; 0 for kind 0 (m untouched).
int MappingProjectionAxes(const MappingRecord& record, float m[9]);

// ---- [Textures] ----
constexpr char MAPPING_PLAIN_TEXTURE[] = "PLAIN~W";  // loaded by a record without a texture name
constexpr int MAPPING_MODE_WALL = 1, MAPPING_MODE_GROUND = 2, MAPPING_MODE_TRACK = 3;
constexpr int MAPPING_MODE_BACKING = 128;  // added with SRF_BACKING: drawn with a depth bias
constexpr int MAPPING_TEXTURE_GEN_TYPE = 3;
// The texture mode of a record: 1 when its usage is textured as a wall, else 3 when its
// surface is textured as track, else 2; plus 128 with SRF_BACKING.
int MappingTextureMode(const MappingRecord& record);
// The surface rules, then (with graphics) the material settings corrected from the texture
// name and the record's material got by name: its texture name, or "PLAIN~W" when it has
// none, or no texture at all when the second material byte is 3.  A named texture that does
// not load is said once as "Can't open : <name>" and the record stays usable, untextured.
// Without graphics the material is null and nothing loads.  Last the final colour.
void LoadMappingTexture(MappingRecord& record);
void LoadMappingTextures(MappingRecord* records, int32_t count);

// ---- [Use marking] ----
// Marks the records the world's objects draw with (SRF_IN_USE): record 0 always, every other
// record's bit cleared first; sections, segments and flags name theirs
// (FixedOb::MappingsInUse).  Indices past the table are left alone.
void MarkMappingsInUse(MappingRecord* records, int32_t count, FixedOb* const* objects, int objectCount);
// One record marked (the pre-generated models' pot outlines name theirs through this).
void MarkMappingInUse(MappingRecord* records, int32_t count, int index);
