// model_file.cpp - reading and writing the model file's object records.
//
// Object record as written (file version 252, record version 13; little-endian, positions
// signed 16.16; N levels of detail, P points, T triangles, K colour choices):
//
//   u8 record version 13, u8 type, u8 side function, u8 N, char name[20],
//   u16 options (AND 7, OR 64), u16 smoothing groups, i32 distances[N],
//   u16 P, u16 T, u16 children, u8 K, u8 0, i16 angles[3], u16 extra, i32 offset[3],
//   P x {u8 flags AND 0xF7, u8 bone, u8 0, u8 0, i32 x, y, z}
//   T x {u8 flags AND 0xF7, u8 layer, u8 mapping, u8 normal level, u8 lod, u8 group, u16 corners[3]}
//   K x u32 colour
//   i32 pages,    pages x {u8 type, u8 stored[3], char name[20]}
//   i32 cutouts,  cutouts x {char name[16], u8 flags AND 3, u8 orientation, u8 page, u8 stored,
//                            u8 alpha, u8 environment map, u8 shine, u8 spare,
//                            u8 reflection r, g, b, u8 roughness, u8 region[4]}
//   u16 mappings, u8 block version 2, u8 0,
//                 mappings x {char name[16], u32 colour, u8 flags, u8 0[3], u32 direction,
//                             i32 offset[3], i32 width, i32 height, u16 cutouts[2]}
//   [char layer names[32][8]: the top record of a model file only]
//   each child's record (names on, no layer names)
//
// Versions 248 to 251 differ: the record begins with a 16-byte name, the options, type, side
// function, N and the record version; a skipped u16 stands for K and the zero byte; below
// 251 without options bit 6 one u32 per smoothing group follows the triangles; record
// versions below 5 keep a colour entry list after the offset; pages below record version 3
// have 16-byte names; cutouts below 4 have only the alpha type after the page byte, and
// below 5 no colour word; mapping blocks 0 and 1 store a direction kind and a rectangle.
#include "model/model_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <vector>

#include "core/data_file.h"
#include "core/report.h"
#include "model/model_file_local.h"
#include "model/model_materials.h"
#include "render/texture_names.h"
#include "text/messages.h"

const UniqueNameTable* ExportNameTable;

namespace {

constexpr int OLD_NAME_SIZE = 16;
constexpr int DEPTH_DROPPED = 2;  // records at this depth are read only to be dropped

// ---- reading helpers ----

int ReadU16(DataFile& f) { return f.ReadShort() & 0xFFFF; }

// Reads a name field of stored bytes into a field of fieldSize: terminated, and zero after
// its end, so equal names compare equal as bytes.
void ReadName(DataFile& f, char* field, int stored, int fieldSize) {
  char bytes[MODEL_NAME_SIZE] = {};
  f.ReadBlock(bytes, stored);
  std::memset(field, 0, fieldSize);
  std::memcpy(field, bytes, std::min(stored, fieldSize - 1));
  const size_t length = std::strlen(field);
  std::memset(field + length, 0, fieldSize - length);
}

int64_t BytesLeft(const DataFile& f) {
  return f.mode == DATA_FILE_MEMORY_READ ? f.end - f.cursor : INT64_MAX;
}

// n bytes of the body: in place when the body is in memory, else read into scratch (zeros
// past the end).  The caller has checked n against the bytes left.
const uint8_t* TakeBytes(DataFile& f, int64_t n, std::vector<uint8_t>& scratch) {
  if (f.mode == DATA_FILE_MEMORY_READ && f.end - f.cursor >= n) {
    const uint8_t* at = f.cursor;
    f.cursor += n;
    return at;
  }
  scratch.assign(static_cast<size_t>(n), 0);
  f.ReadBlock(scratch.data(), static_cast<int>(n));
  return scratch.data();
}

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
int32_t Get32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24);
}

struct TriangleCounts {
  int corrupted, degenerate, obsolete, stretchy, repaired, unmirrored, removedSpoke, badLayer, badGroup;
};

struct Reader {
  DataFile& file;
  int fileVersion;
  int mode;
  const char* carCode;
  bool damaged;  // a count or skip was refused: nothing more is read
  std::vector<uint8_t> scratch;
};

// A count read from the file: refused when negative, above its limit, or when its records
// would run past the end of the body.
bool CountFits(Reader& r, int64_t count, int64_t limit, int64_t recordBytes) {
  if (count < 0 || count > limit) {
    r.damaged = true;
    return false;
  }
  if (count * recordBytes > BytesLeft(r.file)) {
    r.damaged = true;
    r.file.readPastEnd = 1;  // the file holds less than it says: it was cut short
    return false;
  }
  return true;
}

void ShowCount(const char* format, int count, ColourWord colour) {
  if (count) ShowMessagef1(format, count, colour);
}

// ---- the parts of a record ----

void ReadPoints(Reader& r, ModelObject& o) {
  const uint8_t* p = TakeBytes(r.file, int64_t{o.pointCount} * MODEL_POINT_BYTES, r.scratch);
  const uint8_t keep = r.mode == MODEL_READ_SPOKE ? uint8_t(~POINT_MIRROR_STATE) : uint8_t(0xFF);
  for (int i = 0; i < o.pointCount; ++i, p += MODEL_POINT_BYTES) {
    ModelPoint& point = o.points[i];
    point.flags = p[0] & keep;
    point.bone = p[1];
    point.x = Get32(p + 4);
    point.y = Get32(p + 8);
    point.z = Get32(p + 12);
  }
}

void ReadTriangles(Reader& r, ModelObject& o) {
  const uint8_t* p = TakeBytes(r.file, int64_t{o.triangleCount} * MODEL_TRIANGLE_BYTES, r.scratch);
  for (int i = 0; i < o.triangleCount; ++i, p += MODEL_TRIANGLE_BYTES) {
    ModelTriangle& t = o.triangles[i];
    t.flags = p[0];
    t.layer = p[1];
    t.mapping = p[2];
    t.normalLevel = p[3];
    t.lod = p[4];
    t.group = p[5];
    t.corners[0] = Get16(p + 6);
    t.corners[1] = Get16(p + 8);
    t.corners[2] = Get16(p + 10);
  }
}

// Unclassified points of a mirrored triangle (or of its mirrored corners) take their state
// from their x.  Returns whether any point was classified.
bool ClassifyCornerPoints(ModelObject& o, const ModelTriangle& t) {
  bool classified = false;
  for (uint16_t corner : t.corners) {
    if (!(t.flags & TRIANGLE_MIRRORED) && !(corner & CORNER_MIRRORED)) continue;
    const int index = corner & CORNER_INDEX_MASK;
    if (index >= o.pointCount) continue;  // the index check resets the object later
    ModelPoint& point = o.points[index];
    if (point.flags & POINT_MIRROR_STATE) continue;
    point.ClassifyMirror();
    classified = true;
  }
  return classified;
}

// A record whose triangles carry no normal level at all is of the form before levels were
// stored: every triangle takes level 1.
void DefaultNormalLevels(ModelObject& o) {
  for (int i = 0; i < o.triangleCount; ++i)
    if (o.triangles[i].normalLevel != 0) return;
  for (int i = 0; i < o.triangleCount; ++i) o.triangles[i].normalLevel = 1;
}

// The triangle checks in their order; a removed triangle leaves the array.
void CheckTriangles(Reader& r, ModelObject& o, TriangleCounts& n) {
  int kept = 0;
  for (int i = 0; i < o.triangleCount; ++i) {
    ModelTriangle t = o.triangles[i];
    const uint16_t* c = t.corners;
    const bool anyMirroredCorner = (c[0] | c[1] | c[2]) & CORNER_MIRRORED;
    if (static_cast<int8_t>(t.lod) < 0 || t.lod > o.lodCount - 1) {
      ++n.obsolete;
      continue;
    }
    if (c[0] == c[1] || c[1] == c[2] || c[0] == c[2]) {
      ++n.degenerate;
      continue;
    }
    if (r.fileVersion < 252 && ((c[0] | c[1] | c[2]) & 0x4000)) {
      ++n.stretchy;
      continue;
    }
    if (r.mode != MODEL_READ_SPOKE) {
      if ((t.flags & TRIANGLE_MIRRORED) && anyMirroredCorner) ++n.corrupted;
      if (ClassifyCornerPoints(o, t)) ++n.repaired;
      if (t.layer >= MAX_NAMED_LAYER) ++n.badLayer;
      if (t.group >= MAX_SMOOTHING_GROUPS) {
        ++n.badGroup;
        t.group = 0;
      }
    } else {
      if (t.flags & TRIANGLE_MIRRORED) {
        t.flags &= ~TRIANGLE_MIRRORED;
        ++n.unmirrored;
      }
      if (r.fileVersion < 251 && anyMirroredCorner) {
        ++n.removedSpoke;
        continue;
      }
    }
    o.triangles[kept++] = t;
  }
  o.triangleCount = static_cast<uint16_t>(kept);
}

void ShowTriangleCounts(const TriangleCounts& n) {
  const ColourWord error = TextColours.error, grey = TextColours.grey;
  ShowCount(TEXT_CORRUPTED_TRIANGLES, n.corrupted, error);
  ShowCount(TEXT_DEGENERATE_TRIANGLES, n.degenerate, error);
  ShowCount(TEXT_OBSOLETE_TRIANGLES, n.obsolete, grey);
  ShowCount(TEXT_STRETCHY_TRIANGLES, n.stretchy, grey);
  ShowCount(TEXT_REPAIRED_MIRRORING, n.repaired, grey);
  ShowCount(TEXT_UNMIRRORED_SPOKE, n.unmirrored, grey);
  ShowCount(TEXT_REMOVED_SPOKE, n.removedSpoke, grey);
  ShowCount(TEXT_INVALID_LAYER, n.badLayer, error);
  ShowCount(TEXT_INVALID_SMOOTHING, n.badGroup, error);
}

void ReadTexturePage(DataFile& f, TexturePage& page, int recordVersion) {
  page.type = static_cast<uint8_t>(f.ReadByte());
  f.ReadBlock(page.stored, 3);
  ReadName(f, page.name, recordVersion < 3 ? OLD_NAME_SIZE : MODEL_NAME_SIZE, MODEL_NAME_SIZE);
  if (page.type == PAGE_SKIN) std::memset(page.name, 0, sizeof page.name);
}

int CutoutBytes(int recordVersion) { return recordVersion < 4 ? 24 : recordVersion < 5 ? 28 : CUTOUT_BYTES; }

void ReadCutout(DataFile& f, Cutout& c, int recordVersion, const ModelObject& o) {
  c.Init(0);
  ReadName(f, c.name, CUTOUT_NAME_SIZE, CUTOUT_NAME_SIZE);
  c.flags = static_cast<uint8_t>(f.ReadByte()) & CUTOUT_STORED_FLAGS;
  c.orientation = static_cast<uint8_t>(f.ReadByte());
  c.page = static_cast<uint8_t>(f.ReadByte());
  CutoutMaterial& m = c.material;
  if (recordVersion >= 4) {
    c.stored = static_cast<uint8_t>(f.ReadByte());
    m.alphaType = static_cast<uint8_t>(f.ReadByte());
    m.envMapType = static_cast<uint8_t>(f.ReadByte());
    m.shineType = static_cast<uint8_t>(f.ReadByte());
    m.spare = static_cast<uint8_t>(f.ReadByte());
  } else {
    // The environment map and shine come from what the page was named.
    c.stored = 0;
    m.alphaType = static_cast<uint8_t>(f.ReadByte());
    const char* pageName = c.page < o.pageCount ? o.pages[c.page].name : "";
    if (strcasecmp(pageName, "s_env") == 0) {
      m.envMapType = ENV_OVERLAY;
      m.shineType = SHINE_GLASS;
    } else if (strcasecmp(pageName, "s_sky") == 0) {
      if (!(c.flags & CUTOUT_STORED_FLAG)) {
        m.envMapType = ENV_C_SHINE;
        m.shineType = m.alphaType == ALPHA_BLEND ? SHINE_GLASS : SHINE_PAINT;
      }
    } else {
      m.envMapType = ENV_OVERLAY;
      m.shineType = SHINE_METAL;
    }
    c.flags &= ~CUTOUT_STORED_FLAG;
  }
  if (recordVersion >= 5) {
    f.ReadBlock(m.reflection, 3);
    m.roughness = static_cast<uint8_t>(f.ReadByte());
  }
  if (recordVersion < 12) {
    if (m.envMapType == 4)
      m.envMapType = ENV_C_SHINE;
    else if (m.envMapType == 5)
      m.envMapType = ENV_V_SHINE;
    else
      m.roughness = 0;
  }
  f.ReadBlock(c.region, 4);
  if (recordVersion < 7)
    for (uint8_t& b : c.region) b = static_cast<uint8_t>(std::min(255, b * 2));
  c.texture = nullptr;
}

void ReadMapping(DataFile& f, ModelMapping& m, int blockVersion) {
  m.Init(0);
  ReadName(f, m.name, CUTOUT_NAME_SIZE, CUTOUT_NAME_SIZE);
  m.colour = blockVersion >= 1 ? f.ReadUInt() & (0xFFFFFFu | MAPPING_COLOUR_FLAGS) : 0xA0A0A0u;
  if (blockVersion < 2) {
    ReadOldMapping(m, f, blockVersion);
    return;
  }
  m.flags = static_cast<uint8_t>(f.ReadByte());
  f.Skip(3);
  m.direction = f.ReadUInt();
  for (int32_t& v : m.offset) v = f.ReadInt();
  m.width = f.ReadInt();
  m.height = f.ReadInt();
  m.cutout[0] = static_cast<uint16_t>(ReadU16(f));
  m.cutout[1] = static_cast<uint16_t>(ReadU16(f));
}

// Bytes of one stored mapping by block version.
int MappingBytes(int blockVersion) { return blockVersion >= 2 ? MAPPING_BYTES : blockVersion == 1 ? 48 : 44; }

// Bytes that index tables out of their range go back to their defaults.
void RepairEnums(ModelObject& o) {
  if (o.type >= SUBOBJECT_TYPE_COUNT) o.type = SUBOBJECT_MAIN;
  if (o.sideFunction < SIDE_STATIC || o.sideFunction > SIDE_SWAP_ONLY) o.sideFunction = SIDE_STATIC;
  for (int i = 0; i < o.pointCount; ++i)
    if ((o.points[i].flags & POINT_MIRROR_STATE) == POINT_MIRROR_STATE) o.points[i].flags &= ~POINT_MIRRORED;
  for (int i = 0; i < o.triangleCount; ++i) {
    ModelTriangle& t = o.triangles[i];
    if (t.normalLevel >= NORMAL_LEVEL_COUNT) t.normalLevel = 1;
    if (t.group >= MAX_SMOOTHING_GROUPS) t.group = 0;
  }
  for (int i = 0; i < o.pageCount; ++i)
    if (o.pages[i].type >= PAGE_TYPE_COUNT) o.pages[i].type = PAGE_FIXED;
  for (int i = 0; i < o.cutoutCount; ++i) {
    Cutout& c = o.cutouts[i];
    c.orientation &= ORIENTATION_COUNT - 1;
    if (c.material.alphaType >= ALPHA_TYPE_COUNT) c.material.alphaType = ALPHA_SOLID;
    if (c.material.envMapType >= ENV_MAP_TYPE_COUNT) c.material.envMapType = ENV_MATT;
    if (c.material.shineType >= SHINE_TYPE_COUNT) c.material.shineType = SHINE_NONE;
  }
}

void ShowCorruptObject(const ModelObject& o, const char* nameForMessages) {
  const char* name = o.name[0] || !nameForMessages ? o.name : nameForMessages;
  char text[MESSAGE_TEXT_SIZE];
  std::snprintf(text, sizeof text, "%s %s", TEXT_CORRUPTED_OBJECT, name);
  ShowMessage(text, TextColours.error);
}

void RefuseCorrupt(Reader& r, ModelObject& o) {
  r.damaged = true;
  LastDataFileError = DATA_FILE_TOO_SHORT;
  std::free(o.children);  // children not read yet: none are kept
  o.children = nullptr;
  o.childCount = 0;
  o.ResetKeepingName();
  ShowCorruptObject(o, nullptr);
}

template <typename T>
T* NewArray(int count) {
  return count > 0 ? static_cast<T*>(std::calloc(count, sizeof(T))) : nullptr;
}

int ReadRecord(Reader& r, ModelObject& o, bool isMain, bool readLayerNames, int depth);

// Step by step, in the order the conversions of old records rely on.
int ReadRecordBody(Reader& r, ModelObject& o, bool isMain, bool readLayerNames, int depth) {
  DataFile& f = r.file;
  const int fileVersion = r.fileVersion;
  int recordVersion, lodCount;
  // Header.
  if (fileVersion >= 252) {
    recordVersion = f.ReadByte();
    o.type = static_cast<uint8_t>(f.ReadByte());
    o.sideFunction = static_cast<uint8_t>(f.ReadByte());
    lodCount = f.ReadByte();
    ReadName(f, o.name, MODEL_NAME_SIZE, MODEL_NAME_SIZE);
    o.options = static_cast<uint16_t>(ReadU16(f));
  } else {
    ReadName(f, o.name, OLD_NAME_SIZE, MODEL_NAME_SIZE);
    o.options = static_cast<uint16_t>(ReadU16(f));
    o.type = static_cast<uint8_t>(f.ReadByte());
    o.sideFunction = static_cast<uint8_t>(f.ReadByte());
    lodCount = f.ReadByte();
    recordVersion = f.ReadByte();
    if (o.sideFunction == 0) {
      if (o.type == SUBOBJECT_STEERING_WHEEL) {
        o.sideFunction = SIDE_SWAP_ONLY;
      } else if (o.type == SUBOBJECT_TRAILING_ARM) {
        o.type = SUBOBJECT_ATTACHMENT;
        o.sideFunction = SIDE_FULL_FLIP;
      } else {
        o.sideFunction = o.type == SUBOBJECT_INTERNAL_MIRROR ? SIDE_FULL_FLIP : SIDE_STATIC;
      }
    }
  }
  recordVersion = std::clamp(recordVersion, 0, MODEL_RECORD_VERSION);
  const int storedGroups = ReadU16(f);
  o.groupCount = static_cast<uint16_t>(storedGroups);
  // Every stored distance is read; four are kept.
  for (int i = 0; i < lodCount; ++i) {
    const int32_t distance = f.ReadInt();
    if (i < MAX_LOD_COUNT) o.lodDistances[i] = static_cast<int32_t>(static_cast<uint32_t>(distance) & 0xFFFF0000u);
  }
  o.lodCount = static_cast<uint8_t>(std::clamp(lodCount, 1, MAX_LOD_COUNT));
  if (r.mode == MODEL_READ_SPOKE) o.lodCount = 1;

  const int pointCount = ReadU16(f), triangleCount = ReadU16(f), childCount = ReadU16(f);
  int colourCount = 0;
  if (fileVersion >= 252) {
    colourCount = f.ReadByte() & 0xFF;
    f.ReadByte();
  } else {
    f.Skip(2);
  }
  if (!CountFits(r, childCount, MAX_SUBOBJECTS, 1) ||
      !CountFits(r, int64_t{pointCount} * MODEL_POINT_BYTES + int64_t{triangleCount} * MODEL_TRIANGLE_BYTES,
                 INT32_MAX, 1)) {
    RefuseCorrupt(r, o);
    return 0;
  }
  std::free(o.points);
  std::free(o.triangles);
  o.pointCount = static_cast<uint16_t>(pointCount);
  o.triangleCount = static_cast<uint16_t>(triangleCount);
  o.points = NewArray<ModelPoint>(pointCount);
  o.triangles = NewArray<ModelTriangle>(triangleCount);

  for (int16_t& a : o.angles) a = static_cast<int16_t>(f.ReadShort());
  o.angleExtra = static_cast<uint16_t>(ReadU16(f));
  if (isMain || (recordVersion < 1 && (o.type == SUBOBJECT_BRAKE || o.type == SUBOBJECT_MUDGUARD)))
    o.angles[0] = o.angles[1] = o.angles[2] = 0;
  for (int32_t& v : o.offset) v = f.ReadInt();
  if (r.mode == MODEL_READ_SPOKE) o.offset[0] = o.offset[1] = o.offset[2] = 0;
  if (o.type >= SUBOBJECT_REAR_WING && o.type <= SUBOBJECT_INTERNAL_MIRROR) o.offset[0] = 0;

  // The old colour entry list: the first set is kept, the others skipped.
  std::vector<OldColourEntry> entries;
  if (recordVersion < 5) {
    const int sets = ReadU16(f), count = ReadU16(f);
    const int64_t skipped = int64_t{sets - 1} * count * OLD_COLOUR_ENTRY_BYTES;
    if (!CountFits(r, count, MAX_MODEL_MAPPINGS, OLD_COLOUR_ENTRY_BYTES) || skipped < 0) {
      RefuseCorrupt(r, o);
      return 0;
    }
    entries.resize(count);
    for (OldColourEntry& e : entries) {
      e.colour = f.ReadUInt();
      ReadName(f, e.name, LAYER_NAME_SIZE, LAYER_NAME_SIZE);
      e.value = static_cast<uint16_t>(ReadU16(f));
      e.mapping = static_cast<uint16_t>(ReadU16(f));
    }
    if (!CountFits(r, skipped, INT32_MAX, 1)) {
      RefuseCorrupt(r, o);
      return 0;
    }
    f.Skip(static_cast<int>(skipped));
  }

  ReadPoints(r, o);
  ReadTriangles(r, o);
  TriangleCounts counts{};
  CheckTriangles(r, o, counts);
  ShowTriangleCounts(counts);
  DefaultNormalLevels(o);
  if (o.groupCount == 0) o.groupCount = 1;
  if (fileVersion < 251 && !(o.options & OPTION_CURRENT_FORM)) {
    if (!CountFits(r, storedGroups, 0xFFFF, 4)) {
      RefuseCorrupt(r, o);
      return 0;
    }
    f.Skip(storedGroups * 4);
  }

  // Colour choices belong to the main object only.
  std::free(o.colourChoices);
  o.colourChoices = nullptr;
  o.colourChoiceCount = 0;
  if (!CountFits(r, colourCount, 255, 4)) {
    RefuseCorrupt(r, o);
    return 0;
  }
  if (isMain && colourCount > 0) {
    o.colourChoices = NewArray<ColourWord>(colourCount);
    o.colourChoiceCount = static_cast<uint8_t>(colourCount);
    for (int i = 0; i < colourCount; ++i) {
      ColourWord c = f.ReadUInt();
      if (recordVersion < 10 && !(c & CF_SELF_LIT)) c = NormaliseColourTo200(c);
      o.colourChoices[i] = c;
    }
  } else {
    f.Skip(colourCount * 4);
  }

  // Pages.
  const int32_t pageCount = f.ReadInt();
  const int pageBytes = recordVersion < 3 ? TEXTURE_PAGE_BYTES - 4 : TEXTURE_PAGE_BYTES;
  if (!CountFits(r, pageCount, MAX_MODEL_PAGES, pageBytes)) {
    RefuseCorrupt(r, o);
    return 0;
  }
  std::free(o.pages);
  o.pages = NewArray<TexturePage>(pageCount);
  o.pageCount = pageCount;
  for (int i = 0; i < pageCount; ++i) ReadTexturePage(f, o.pages[i], recordVersion);

  // Cutouts.
  const int32_t cutoutCount = f.ReadInt();
  if (!CountFits(r, cutoutCount, MAX_MODEL_CUTOUTS, CutoutBytes(recordVersion))) {
    RefuseCorrupt(r, o);
    return 0;
  }
  std::free(o.cutouts);
  o.cutouts = NewArray<Cutout>(cutoutCount);
  o.cutoutCount = cutoutCount;
  for (int i = 0; i < cutoutCount; ++i) ReadCutout(f, o.cutouts[i], recordVersion, o);

  // Mappings.
  const int mappingCount = ReadU16(f);
  const int blockVersion = std::min(f.ReadByte() & 0xFF, MAPPING_BLOCK_VERSION);
  f.ReadByte();
  if (!CountFits(r, mappingCount, MAX_MODEL_MAPPINGS, MappingBytes(blockVersion))) {
    RefuseCorrupt(r, o);
    return 0;
  }
  std::free(o.mappings);
  o.mappings = NewArray<ModelMapping>(mappingCount);
  o.mappingCount = mappingCount;
  for (int i = 0; i < mappingCount; ++i) ReadMapping(f, o.mappings[i], blockVersion);

  RepairEnums(o);
  if (fileVersion < 249) FixOldClockPage(o);
  if (fileVersion < 250 && !(o.options & OPTION_JOINED_LIGHTS) && !entries.empty())
    JoinOldLightNames(entries.data(), static_cast<int>(entries.size()));
  if (o.groupCount > MAX_SMOOTHING_GROUPS) o.groupCount = MAX_SMOOTHING_GROUPS;
  bool indicesValid = true;
  if (recordVersion < 5 && !entries.empty())
    indicesValid = ConvertColourEntries(o, entries.data(), static_cast<int>(entries.size()));

  int result = 1;
  if (!indicesValid) {
    o.ResetKeepingName();
    ShowCorruptObject(o, nullptr);
    result = 0;
  } else {
    result = o.CheckIndices(nullptr);
  }

  // The conversions of old records, on an object whose indices hold.
  if (result) {
    if (fileVersion < 252 && !(o.options & OPTION_ALPHA_FROM_PAGE)) o.ConvertAlphaPageNames(r.mode);
    if (recordVersion < 4) ClearOldSkyPageNames(o);
    if (recordVersion < 5) o.ConvertOverlayColours();
    // A skin page has no name of its own: it keeps being the skin, and a second reading finds
    // the spoke as the first left it.
    if (r.mode == MODEL_READ_SPOKE && fileVersion < 252 && o.pages[0].name[0] == 0 && o.pages[0].type != PAGE_SKIN)
      SetOldSpokeDefaults(o);
    if (recordVersion < 4) ConvertOldTypedObject(o);
  }
  if (readLayerNames) {
    if (fileVersion < 249) {
      std::memset(o.layerNames, 0, sizeof o.layerNames);
      std::strcpy(o.layerNames[0], "main");
    } else {
      for (char* layer : o.layerNames) ReadName(f, layer, LAYER_NAME_SIZE, LAYER_NAME_SIZE);
    }
  }
  if (result) {
    if (recordVersion < 13) o.FitMappingOffsets();
    if (r.mode != MODEL_READ_OBJECT || !isMain) o.RemoveLoosePoints();
    if (recordVersion < 5) {
      if (r.mode == MODEL_READ_WORLD) {
        o.MergeDuplicatePoints();
        o.DetectDecals();
        o.SortTrianglesByFacing();
        // The merge drops the triangles it made degenerate: points only those used are loose
        // now, and a world model keeps none (else the next reading, with nothing left to
        // convert, drops them and the model changes between two readings).
        o.RemoveLoosePoints();
      }
      o.FixPlateCutouts();
    }
    ConvertOldColours(o, recordVersion, r.mode);
    if (recordVersion < 12) FixModelMaterialFlags(o, 0);
    if (recordVersion < 8 && isMain) DetectDecal(o);
    // The conversions may have dropped the only triangles that had a normal level; the rest
    // take level 1 now, as a second reading of the saved object would give them.
    DefaultNormalLevels(o);
  }

  if (f.readPastEnd) return 0;  // truncated: the caller resets the object

  // Subobjects; a subobject's own subobjects are read and dropped.
  if (childCount > 0) {
    if (depth >= DEPTH_DROPPED) {
      RefuseCorrupt(r, o);
      return 0;
    }
    ModelObject* children = NewArray<ModelObject>(childCount);
    int read = 0;
    int childrenResult = 1;
    const int ownMode = r.mode;
    r.mode = MODEL_READ_OBJECT;  // subobjects are read as model objects whatever their parent
    while (read < childCount && !r.damaged) {
      ModelObject& child = children[read++];
      child.Init();
      if (!ReadRecord(r, child, false, false, depth + 1)) childrenResult = 0;
    }
    r.mode = ownMode;
    if (depth + 1 >= DEPTH_DROPPED) {
      for (int i = 0; i < read; ++i) children[i].Free();
      std::free(children);
      ShowMessagef1(TEXT_DELETED_SUBOBJECTS, read, TextColours.grey);
    } else {
      o.children = children;
      o.childCount = static_cast<uint16_t>(read);
    }
    if (!childrenResult) result = 0;
  }
  if (result && recordVersion < 9 && isMain) o.DetectOverlayTriangles();
  return r.damaged ? 0 : result;
}

int ReadRecord(Reader& r, ModelObject& o, bool isMain, bool readLayerNames, int depth) {
  std::free(o.children);  // a record brings its own subobjects
  o.children = nullptr;
  o.childCount = 0;
  int result = ReadRecordBody(r, o, isMain, readLayerNames, depth);
  if (r.file.readPastEnd && !r.damaged) {
    // A truncated file: what was read is not kept, and nothing more is read.
    r.damaged = true;
    LastDataFileError = DATA_FILE_TOO_SHORT;
    o.ResetKeepingName();
    result = 0;
  }
  return result;
}

// ---- writing helpers ----

void WriteU16(DataFile& f, int value) {
  f.WriteByte(value);
  f.WriteByte(value >> 8);
}

const char* StoredPageName(const TexturePage& page) {
  if (!ExportNameTable || page.type == PAGE_SKIN || page.name[0] == 0 || IsSpecialTextureName(page.name))
    return page.name;
  const char* unique = FindUniqueFileName(page.name);
  return unique ? unique : page.name;
}

}  // namespace

// ---- index check ----

int ModelObject::CheckIndices(const char* nameForMessages) {
  bool valid = pageCount > 0 && cutoutCount > 0 && mappingCount > 0 && pages && cutouts && mappings;
  for (int i = 0; valid && i < mappingCount; ++i)
    valid = mappings[i].cutout[0] < cutoutCount && mappings[i].cutout[1] < cutoutCount;
  for (int i = 0; valid && i < cutoutCount; ++i) valid = cutouts[i].page < pageCount;
  for (int i = 0; valid && i < triangleCount; ++i) {
    const ModelTriangle& t = triangles[i];
    valid = t.mapping < mappingCount && (t.corners[0] & CORNER_INDEX_MASK) < pointCount &&
            (t.corners[1] & CORNER_INDEX_MASK) < pointCount && (t.corners[2] & CORNER_INDEX_MASK) < pointCount;
  }
  if (valid) return 1;
  ResetKeepingName();
  ShowCorruptObject(*this, nameForMessages);
  return 0;
}

// ---- records ----

int ReadModelObject(ModelObject& object, DataFile& file, int fileVersion, int isMain, int mode, int readLayerNames,
                    const char* carCode) {
  Reader r{file, fileVersion, mode, carCode, false, {}};
  return ReadRecord(r, object, isMain != 0, readLayerNames != 0, 0);
}

void WriteModelObject(const ModelObject& o, DataFile& f, int storeNames, int storeLayerNames) {
  f.WriteByte(MODEL_RECORD_VERSION);
  f.WriteByte(o.type);
  f.WriteByte(o.sideFunction);
  f.WriteByte(o.lodCount);
  f.WriteFixedString(storeNames ? o.name : "", MODEL_NAME_SIZE);
  WriteU16(f, (o.options & 7) | OPTION_CURRENT_FORM);
  WriteU16(f, o.groupCount);
  for (int i = 0; i < o.lodCount && i < MAX_LOD_COUNT; ++i) f.WriteInt(o.lodDistances[i]);
  WriteU16(f, o.pointCount);
  WriteU16(f, o.triangleCount);
  WriteU16(f, o.childCount);
  f.WriteByte(o.colourChoiceCount);
  f.WriteByte(0);
  for (int16_t a : o.angles) WriteU16(f, a);
  WriteU16(f, o.angleExtra);
  for (int32_t v : o.offset) f.WriteInt(v);
  for (int i = 0; i < o.pointCount; ++i) {
    const ModelPoint& p = o.points[i];
    const uint8_t bytes[4] = {static_cast<uint8_t>(p.flags & ~POINT_HIDDEN), p.bone, 0, 0};
    f.WriteBlock(bytes, 4);
    f.WriteInt(p.x);
    f.WriteInt(p.y);
    f.WriteInt(p.z);
  }
  for (int i = 0; i < o.triangleCount; ++i) {
    const ModelTriangle& t = o.triangles[i];
    const uint8_t bytes[MODEL_TRIANGLE_BYTES] = {
        static_cast<uint8_t>(t.flags & ~TRIANGLE_HIDDEN), t.layer, t.mapping, t.normalLevel, t.lod, t.group,
        static_cast<uint8_t>(t.corners[0]), static_cast<uint8_t>(t.corners[0] >> 8),
        static_cast<uint8_t>(t.corners[1]), static_cast<uint8_t>(t.corners[1] >> 8),
        static_cast<uint8_t>(t.corners[2]), static_cast<uint8_t>(t.corners[2] >> 8)};
    f.WriteBlock(bytes, MODEL_TRIANGLE_BYTES);
  }
  for (int i = 0; i < o.colourChoiceCount; ++i) f.WriteInt(static_cast<int32_t>(o.colourChoices[i]));
  f.WriteInt(o.pageCount);
  for (int i = 0; i < o.pageCount; ++i) {
    const TexturePage& page = o.pages[i];
    f.WriteByte(page.type);
    f.WriteBlock(page.stored, 3);
    f.WriteFixedString(StoredPageName(page), MODEL_NAME_SIZE);
  }
  f.WriteInt(o.cutoutCount);
  for (int i = 0; i < o.cutoutCount; ++i) {
    const Cutout& c = o.cutouts[i];
    f.WriteFixedString(c.name, CUTOUT_NAME_SIZE);
    const uint8_t bytes[4] = {static_cast<uint8_t>(c.flags & CUTOUT_STORED_FLAGS), c.orientation, c.page, c.stored};
    f.WriteBlock(bytes, 4);
    f.WriteBlock(&c.material, sizeof c.material);
    f.WriteBlock(c.region, 4);
  }
  WriteU16(f, o.mappingCount);
  f.WriteByte(MAPPING_BLOCK_VERSION);
  f.WriteByte(0);
  for (int i = 0; i < o.mappingCount; ++i) {
    const ModelMapping& m = o.mappings[i];
    f.WriteFixedString(m.name, CUTOUT_NAME_SIZE);
    f.WriteInt(static_cast<int32_t>(m.colour));
    const uint8_t bytes[4] = {m.flags, 0, 0, 0};
    f.WriteBlock(bytes, 4);
    f.WriteInt(static_cast<int32_t>(m.direction));
    for (int32_t v : m.offset) f.WriteInt(v);
    f.WriteInt(m.width);
    f.WriteInt(m.height);
    WriteU16(f, m.cutout[0]);
    WriteU16(f, m.cutout[1]);
  }
  if (storeLayerNames)
    for (const char* layer : o.layerNames) f.WriteFixedString(layer, LAYER_NAME_SIZE);
  for (int i = 0; i < o.childCount; ++i) WriteModelObject(o.children[i], f, 1, 0);
}

// ---- files ----

int LoadModelFile(ModelObject& object, Prss* page, const char* path, int isMain, const char* carCode) {
  DataFile file;
  int32_t version = 0;
  if (!file.OpenRead(page, path, MODEL_FILE_MAGIC, &version, MODEL_FILE_VERSION, 0)) return 0;
  if (version < MODEL_FILE_LOWEST_VERSION) {
    file.Close();
    LastDataFileError = DATA_FILE_OBSOLETE;
    char text[MESSAGE_TEXT_SIZE];
    std::snprintf(text, sizeof text, "%s %s", TEXT_FILE_IS_OBSOLETE, PathInMessage(path).c_str());
    ShowMessage(text, TextColours.error);
    return 0;
  }
  const int result = ReadModelObject(object, file, version, isMain, MODEL_READ_OBJECT, 1, carCode);
  file.Close();
  if (isMain) object.options &= ~OPTION_MIRRORED_TWIN;
  if (!result) {
    char text[MESSAGE_TEXT_SIZE];
    const char* fault = LastDataFileError == DATA_FILE_TOO_SHORT && file.readPastEnd ? TEXT_FILE_TOO_SHORT
                                                                                      : TEXT_MODEL_FILE_DAMAGED;
    std::snprintf(text, sizeof text, "%s %s", fault, PathInMessage(path).c_str());
    ShowMessage(text, TextColours.error);
  }
  return result;
}

int SaveModelFile(const ModelObject& object, Prss* page, const char* path, int storeLayerNames) {
  DataFile file;
  if (!file.OpenWrite(page, path, MODEL_FILE_MAGIC, MODEL_FILE_VERSION)) return 0;
  WriteModelObject(object, file, 1, storeLayerNames);
  return file.Close();
}

const char* FindUniqueFileName(const char* textureName) {
  if (!ExportNameTable) return nullptr;
  for (int i = 0; i < ExportNameTable->count; ++i)
    if (strcasecmp(ExportNameTable->entries[i].name, textureName) == 0) return ExportNameTable->entries[i].newName;
  char text[MESSAGE_TEXT_SIZE];
  std::snprintf(text, sizeof text, TEXT_NO_UNIQUE_NAME, textureName);
  ShowMessage(text, TextColours.error);
  return nullptr;
}
