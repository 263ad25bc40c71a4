// mapping.cpp - the mapping table's reader, the surface rules, the average colour, the
// projection axes, the texture loader and the use marking.
#include "world/mapping.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/config.h"
#include "core/data_fields.h"
#include "core/data_file.h"
#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "core/report.h"
#include "render/material.h"
#include "render/texture_record.h"
#include "world/fixed_ob.h"

const SurfaceTypeInfo SurfaceTypes[SURFACE_TYPE_COUNT + 1] = {
    {"RACE TRACK", 1, 0}, {"RUMBLE", 1, 0},      {"DIRT", 0, 1},         {"GRASS", 0, 1},
    {"SAND", 0, 1},       {"GRAVEL", 0, 1},      {"METAL", 0, 0},        {"CONCRETE", 0, 0},
    {"THICK BUSH", 0, 1}, {"GLASS", 0, 0},       {"BRICK", 0, 0},        {"STONE", 0, 1},
    {"UNDULATE", 1, 0},   {"ICE", 0, 0},         {"ROUGH TRACK", 1, 0},  {"PAVING", 1, 0},
    {"PITTED STREET", 1, 0}, {"FAKE GRASS", 0, 0}, {"WOOD", 0, 0},       {"HARD PLASTIC", 0, 0},
    {"SOFT PLASTIC", 0, 0}, {"RUBBER", 0, 0},    {"ANY", 0, 0},
};
const UsageTypeInfo UsageTypes[USAGE_TYPE_COUNT + 1] = {
    {"MAPPED ground", 0, 0, {1, 1}}, {"UNMAPPED ground", 0, 0, {1, 0}}, {"FOOTWAY", 0, 0, {1, 0}},
    {"WALL", 1, 1, {0, 0}},          {"FENCE", 1, 1, {0, 0}},           {"ANY", 0, 0, {0, 0}},
};

namespace {

// The smallest record of any version: flags and material bytes, names, texture colour, the
// eight counts, four type bytes, the surface word.
constexpr int64_t MAPPING_RECORD_MIN_BYTES = 4 + 16 + 16 + 4 + 8 + 4 + 4;
// The most bytes a record takes before its arrays: the latest version's fields with every
// projection field present.
constexpr int MAPPING_RECORD_HEAD_MOST = 1 + 7 + 4 + 2 * MAPPING_NAME_SIZE + 4 + 8 + 5 + 3 + 4 + 32;

template <class In>
void ReadName(In& in, char* name, int size) {
  in.ReadBlock(name, size);  // a name cut short by the end is read with zeros after it
  // Nothing after the terminator: a record reads and compares as its name.
  const size_t length = strnlen(name, size_t(size));
  std::memset(name + length, 0, size_t(MAPPING_NAME_SIZE + 1) - length);
}

// The record's fields before its arrays.
template <class In>
void ReadMappingHead(MappingRecord& r, In& in, int version) {
  r.flags = uint8_t(in.ReadByte());
  if (version < 6) {
    r.material[0] = uint8_t(in.ReadByte());
    r.projection = uint8_t(in.ReadByte());
    r.material[1] = uint8_t(in.ReadByte());
  } else {
    r.projection = uint8_t(in.ReadByte());
    r.byte2 = uint8_t(in.ReadByte());
    r.normalWeight = uint8_t(in.ReadByte());
    for (uint8_t& b : r.material) b = uint8_t(in.ReadByte());
  }
  r.colour = version >= 7 ? in.ReadUInt() : MAPPING_COLOUR_DEFAULT;
  const int nameSize = version < 5 ? 16 : MAPPING_NAME_SIZE;
  ReadName(in, r.name, nameSize);
  ReadName(in, r.textureName, nameSize);
  for (uint8_t& b : r.textureColour) b = uint8_t(in.ReadByte());
  r.uSpan = uint8_t(in.ReadByte());
  r.vSpan = uint8_t(in.ReadByte());
  r.uOffset = uint8_t(in.ReadByte());
  r.vOffset = uint8_t(in.ReadByte());
  r.gridRows = uint8_t(in.ReadByte());
  r.repeatLength = uint8_t(in.ReadByte());
  r.paletteCount = uint8_t(in.ReadByte());
  r.columnCount = uint8_t(in.ReadByte());
  r.surfaceType = uint8_t(in.ReadByte());
  if (version >= 16) r.usageType = uint8_t(in.ReadByte());
  r.orientation = uint8_t(in.ReadByte());
  r.trimCodes = uint8_t(in.ReadByte());
  const int options = in.ReadByte();
  if (version >= 16) in.Skip(3);
  for (uint8_t& b : r.surfaceWord) b = uint8_t(in.ReadByte());
  r.width = r.height = MAPPING_SIZE_DEFAULT;
  if (r.projection != 0) {
    r.origin[0] = in.ReadInt();
    r.origin[1] = in.ReadInt();
    if (options & 1) r.origin[2] = in.ReadInt();
    r.angle[0] = in.ReadFloat();
    if (options & 2) r.angle[1] = in.ReadFloat();
    if (options & 4) r.angle[2] = in.ReadFloat();
    r.width = in.ReadFloat();
    r.height = in.ReadFloat();
  }
}

}  // namespace

// ---- [Table] ----

int ReadMappingRecord(MappingRecord& r, DataFile& file, int version) {
  std::memset(&r, 0, sizeof r);
  ReadFieldsUpTo(file, MAPPING_RECORD_HEAD_MOST, [&](auto& in) { ReadMappingHead(r, in, version); });
  // Damaged enum bytes would index the type tables and the projection's cases.
  if (r.surfaceType >= SURFACE_TYPE_COUNT) r.surfaceType = 0;
  if (r.usageType >= USAGE_TYPE_COUNT) r.usageType = 0;
  r.orientation &= 7;
  if (r.projection > 3) {
    r.projection = 0;
    std::memset(r.origin, 0, sizeof r.origin);
    std::memset(r.angle, 0, sizeof r.angle);
    r.width = r.height = MAPPING_SIZE_DEFAULT;
  }
  if (file.readPastEnd) return 0;
  // Each array is checked against the bytes left before it is made.
  const int64_t paletteBytes = int64_t(r.paletteCount) * 4;
  const int64_t columnBytes = int64_t(r.columnCount) * 4;
  const int64_t cellCount = int64_t(r.gridRows) * r.columnCount;
  if (paletteBytes + columnBytes + cellCount * 4 > file.BytesLeft()) {
    r.paletteCount = r.columnCount = r.gridRows = 0;
    return 0;
  }
  if (paletteBytes) {
    r.palette = static_cast<uint8_t*>(std::malloc(size_t(paletteBytes)));
    if (!r.palette || !file.ReadBlock(r.palette, int(paletteBytes))) return 0;
  }
  if (columnBytes) {
    r.columnEnds = static_cast<int32_t*>(std::malloc(size_t(columnBytes)));
    if (!r.columnEnds) return 0;
    ReadFields(file, int(columnBytes), [&](auto& in) {
      for (int c = 0; c < r.columnCount; ++c) r.columnEnds[c] = in.ReadInt();
    });
  }
  if (cellCount) {
    r.cells = static_cast<uint8_t*>(std::malloc(size_t(cellCount)));
    if (!r.cells) return 0;
    ReadFields(file, int(cellCount * 4), [&](auto& in) {
      for (int64_t i = 0; i < cellCount; ++i) {
        const uint32_t index = in.ReadUInt();  // a negative index is past the palette too
        r.cells[i] = index < uint32_t(r.paletteCount) ? uint8_t(index) : MAPPING_NO_COLOUR;
      }
    });
  }
  return file.readPastEnd ? 0 : 1;
}

int ReadMappingTable(DataFile& file, int32_t& count, MappingRecord*& records, int* versionOut) {
  count = 0;
  records = nullptr;
  const int stored = file.ReadShort();
  const int version = file.ReadByte();
  file.Skip(1);
  if (versionOut) *versionOut = version;
  if (file.readPastEnd || stored < 0 || int64_t(stored) * MAPPING_RECORD_MIN_BYTES > file.BytesLeft()) return 0;
  if (stored == 0) return 1;
  MappingRecord* table = static_cast<MappingRecord*>(std::calloc(size_t(stored), sizeof(MappingRecord)));
  if (!table) return 0;
  for (int i = 0; i < stored; ++i) {
    if (!ReadMappingRecord(table[i], file, version)) {
      int32_t made = i + 1;
      FreeMappingTable(made, table);
      return 0;
    }
  }
  count = stored;
  records = table;
  return 1;
}

void FreeMappingRecord(MappingRecord& record) {
  std::free(record.palette);
  std::free(record.columnEnds);
  std::free(record.cells);
  record.palette = nullptr;
  record.columnEnds = nullptr;
  record.cells = nullptr;
}

void FreeMappingTable(int32_t& count, MappingRecord*& records) {
  for (int32_t i = 0; records && i < count; ++i) FreeMappingRecord(records[i]);
  std::free(records);
  records = nullptr;
  count = 0;
}

// ---- [Passes] ----

void FixMappingSurfaceFlags(MappingRecord& r) {
  char text[160];
  const SurfaceTypeInfo& surface = SurfaceTypes[r.surfaceType < SURFACE_TYPE_COUNT ? r.surfaceType : 0];
  const UsageTypeInfo& usage = UsageTypes[r.usageType < USAGE_TYPE_COUNT ? r.usageType : 0];
  if ((r.flags & SRF_DUSTY) && surface.dustyByItself) {
    r.flags &= uint8_t(~SRF_DUSTY);
    if (CfgDebugLevel != 0) {
      std::snprintf(text, sizeof text, "Mapping %s: switched off SRF_DUSTY (surface type %s)", r.name, surface.name);
      ReportLine(text, REPORT_MESSAGE);
    }
  }
  if ((r.flags & SRF_BACKING) && !usage.backingAllowed) {
    r.flags &= uint8_t(~SRF_BACKING);
    if (CfgDebugLevel != 0) {
      std::snprintf(text, sizeof text, "Mapping %s: switched off SRF_BACKING (usage type %s)", r.name, usage.name);
      ReportLine(text, REPORT_MESSAGE);
    }
  }
}

void ComputeMappingAverageColours(MappingRecord* records, int32_t count) {
  for (int32_t i = 0; records && i < count; ++i) {
    MappingRecord& r = records[i];
    uint8_t flag = 0;
    for (int p = 0; p < r.paletteCount; ++p) flag |= r.palette[p * 4 + 3] & 1;
    int64_t sum[3] = {};
    bool found = false;
    int64_t widths[256];  // each column's width, the same in every row
    for (int c = 0; c < r.columnCount; ++c) widths[c] = int64_t(r.columnEnds[c]) - (c ? r.columnEnds[c - 1] : 0);
    const uint8_t* cell = r.cells;
    for (int row = 0; row < r.gridRows; ++row) {
      for (int c = 0; c < r.columnCount; ++c) {
        const uint8_t index = *cell++;
        if (index >= r.paletteCount) continue;  // MAPPING_NO_COLOUR among them: a palette has at most 255
        const uint8_t* colour = r.palette + index * 4;
        sum[0] += (colour[0] * widths[c]) >> 16;
        sum[1] += (colour[1] * widths[c]) >> 16;
        sum[2] += (colour[2] * widths[c]) >> 16;
        found = true;
      }
    }
    if (found) {
      r.flags |= SRF_HAS_COLOUR;
    } else {
      r.flags &= SRF_DUSTY | SRF_BACKING;
      r.textureName[0] = 0;
    }
    for (int k = 0; k < 3; ++k) r.average[k] = r.gridRows ? uint8_t(sum[k] / r.gridRows) : 0;
    r.gridFlag = flag;
  }
}

void ComputeMappingFinalColour(MappingRecord& r) {
  for (int k = 0; k < 3; ++k) r.finalColour[k] = uint8_t((r.textureColour[k] * r.average[k]) >> 8);
  r.finalColour[3] = r.gridFlag ? 1 : 0;
}

int MappingProjectionAxes(const MappingRecord& r, float m[9]) {
  if (r.projection == 1) {
    const float c = std::cos(r.angle[0]), s = std::sin(r.angle[0]);
    const float axes[9] = {c, s, 0, -s, c, 0, 0, 0, 1};
    std::memcpy(m, axes, sizeof axes);
    return 1;
  }
  if (r.projection == 2 || r.projection == 3) {
    float e[9];
    MatrixFromEulerF(e, r.angle[0], r.angle[1], r.angle[2]);
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col) m[row * 3 + col] = e[col * 3 + row];
    return 1;
  }
  return 0;
}

// ---- [Textures] ----

int MappingTextureMode(const MappingRecord& r) {
  const SurfaceTypeInfo& surface = SurfaceTypes[r.surfaceType < SURFACE_TYPE_COUNT ? r.surfaceType : 0];
  const UsageTypeInfo& usage = UsageTypes[r.usageType < USAGE_TYPE_COUNT ? r.usageType : 0];
  const int mode = usage.texturedAsWall ? MAPPING_MODE_WALL : surface.texturedAsTrack ? MAPPING_MODE_TRACK : MAPPING_MODE_GROUND;
  return mode + ((r.flags & SRF_BACKING) ? MAPPING_MODE_BACKING : 0);
}

void LoadMappingTexture(MappingRecord& r) {
  FixMappingSurfaceFlags(r);
  r.materialRecord = nullptr;
  if (GraphicsEnabled) {
    MaterialParams params = {r.material[0], r.material[1], r.material[2], r.material[3], 0xFF, 0xFF, 0xFF, 0};
    SetMaterialFlagsFromName(params, r.textureName);
    r.material[0] = params.alphaMode;
    r.material[1] = params.shineType;
    r.material[2] = params.reflectance;
    r.material[3] = params.spare;
    const bool named = r.textureName[0] != 0;
    const char* texture = named ? r.textureName : r.material[1] == 3 ? nullptr : MAPPING_PLAIN_TEXTURE;
    const int mode = MappingTextureMode(r);
    r.materialRecord = GetMaterialByName(texture, 0, mode, mode, params, MAPPING_TEXTURE_GEN_TYPE);
    const ZKTETexture* loaded = r.materialRecord ? r.materialRecord->texture : nullptr;
    if (named && (!loaded || loaded->state == TEXTURE_MISSING)) {
      char text[64];
      std::snprintf(text, sizeof text, "Can't open : %s", r.textureName);
      ReportLine(text, REPORT_ERROR);
    }
  }
  ComputeMappingFinalColour(r);
}

void LoadMappingTextures(MappingRecord* records, int32_t count) {
  for (int32_t i = 0; records && i < count; ++i) LoadMappingTexture(records[i]);
}

// ---- [Use marking] ----

void MarkMappingInUse(MappingRecord* records, int32_t count, int index) {
  if (records && index >= 0 && index < count) records[index].flags |= SRF_IN_USE;
}

void MarkMappingsInUse(MappingRecord* records, int32_t count, FixedOb* const* objects, int objectCount) {
  if (!records || count <= 0) return;
  for (int32_t i = 1; i < count; ++i) records[i].flags &= uint8_t(~SRF_IN_USE);
  records[0].flags |= SRF_IN_USE;
  uint16_t used[FIXED_OB_MAPPINGS_MAX];
  for (int i = 0; objects && i < objectCount; ++i) {
    FixedOb* o = objects[i];
    if (!o || (o->type != OBJECT_SECTION && o->type != OBJECT_SEGMENT && o->type != OBJECT_FLAG)) continue;
    const int n = o->MappingsInUse(used, FIXED_OB_MAPPINGS_MAX);
    for (int k = 0; k < n && k < FIXED_OB_MAPPINGS_MAX; ++k) MarkMappingInUse(records, count, used[k]);
  }
}
