// model_file_convert.cpp - the conversions of old model records: old mapping kinds, clock
// pages, light names and colour entries, overlay colours, old colours, typed objects and the
// facing order of world models.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <vector>

#include "core/data_file.h"
#include "model/model_file_local.h"
#include "model/model_materials.h"
#include "text/text_colours.h"

namespace {

void CopyName(char* field, int fieldSize, const char* name) {
  std::memset(field, 0, fieldSize);
  std::strncpy(field, name, fieldSize - 1);
}

uint16_t StoredCutoutIndex(int32_t value) {
  // An index the 16-bit field cannot hold stays out of range, for the index check to find.
  return value >= 0 && value <= 0xFFFF ? static_cast<uint16_t>(value) : uint16_t{0xFFFF};
}

uint8_t RoundToFive(uint32_t channel) {
  return static_cast<uint8_t>(std::min(255.0, 5 * std::nearbyint(channel / 5.0)));
}

}  // namespace

// ---- old mapping blocks ----

void ReadOldMapping(ModelMapping& m, DataFile& f, int blockVersion) {
  const int kind = f.ReadByte();
  m.flags = static_cast<uint8_t>(f.ReadByte());
  f.ReadByte();
  const int angle = static_cast<int8_t>(f.ReadByte());
  int64_t x1 = f.ReadInt(), x2 = f.ReadInt(), y1 = f.ReadInt(), y2 = f.ReadInt();
  m.cutout[0] = StoredCutoutIndex(f.ReadInt());
  m.cutout[1] = StoredCutoutIndex(f.ReadInt());
  if (kind < 1 || kind > 6) {
    x1 = y1 = -FIXED_ONE;
    x2 = y2 = FIXED_ONE;
  }
  const int32_t c = static_cast<int32_t>((x1 + x2) / 2), v = static_cast<int32_t>((y1 + y2) / 2);
  const int32_t minusC = NegateStored(c);
  uint32_t direction = DIRECTION_BACK;
  int32_t* offset = m.offset;
  switch (kind) {
    case 1: direction = DIRECTION_FRONT; offset[0] = minusC; offset[2] = v; break;
    case 2: direction = DIRECTION_BACK; offset[0] = c; offset[2] = v; break;
    case 3: direction = DIRECTION_RIGHT; offset[1] = c; offset[2] = v; break;
    case 4: direction = DIRECTION_LEFT; offset[1] = minusC; offset[2] = v; break;
    case 5: direction = DIRECTION_TOP; offset[0] = c; offset[1] = v; break;
    case 6: direction = DIRECTION_UNDER; offset[0] = minusC; offset[1] = v; break;
    default: break;
  }
  m.direction = PackDirection(DirectionHeading(direction), DirectionPitch(direction), -4 * angle);
  m.width = static_cast<int32_t>(x2 - x1);
  m.height = static_cast<int32_t>(y2 - y1);
  std::memset(m.work, 0, sizeof m.work);
  (void)blockVersion;  // the colour was read before (block 1) or made grey (block 0)
}

// ---- clock pages and light names ----

void FixOldClockPage(ModelObject& o) {
  int page = -1;
  for (int i = 0; i < o.pageCount; ++i)
    if (strcasecmp(o.pages[i].name, "s_clock") == 0) page = i;
  if (page < 0) return;
  int last = -1;
  for (int i = 0; i < o.cutoutCount; ++i)
    if (o.cutouts[i].page == page) {
      o.cutouts[i].region[REGION_HEIGHT] = 64;
      o.cutouts[i].region[REGION_TOP] = 64;
      last = i;
    }
  if (last < 0) return;
  for (int i = 0; i < o.mappingCount; ++i)
    if (o.mappings[i].cutout[0] == last || o.mappings[i].cutout[1] == last) o.mappings[i].height >>= 1;
}

void JoinOldLightNames(OldColourEntry* entries, int count) {
  static const char* const JOINS[][3] = {
      {"l_lbrk", "l_rbrk", "l_brk"},    {"l_lhead", "l_rhead", "l_head"}, {"l_lrind", "l_rrind", "l_rind"},
      {"l_lfind", "l_rfind", "l_find"}, {"l_lrsin", "l_rrsin", "l_rsind"}, {"l_lfsin", "l_rfsin", "l_fsind"},
      {"l_lrfog", "l_rrfog", "l_rfog"}, {"l_lffog", "l_rffog", "l_ffog"}, {"l_lrev", "l_rrev", "l_rev"}};
  for (int i = 0; i < count; ++i)
    for (const auto& join : JOINS)
      if (strcasecmp(entries[i].name, join[0]) == 0 || strcasecmp(entries[i].name, join[1]) == 0) {
        CopyName(entries[i].name, LAYER_NAME_SIZE, join[2]);
        break;
      }
}

// ---- colour entries into mappings ----

bool ConvertColourEntries(ModelObject& o, const OldColourEntry* entries, int count) {
  std::vector<int> users(o.mappingCount, 0);
  for (int i = 0; i < count; ++i) {
    if (entries[i].mapping >= o.mappingCount) return false;
    ++users[entries[i].mapping];
  }
  if (count <= 0) return true;
  ModelMapping* converted = static_cast<ModelMapping*>(std::calloc(size_t(count), sizeof(ModelMapping)));
  for (int i = 0; i < count; ++i) {
    const OldColourEntry& e = entries[i];
    ModelMapping& m = converted[i];
    m = o.mappings[e.mapping];
    m.colour = e.colour & (0xFFFFFFu | MAPPING_COLOUR_FLAGS);
    if (!IsNumberedMappingName(m.name) && users[e.mapping] > 1 && e.name[0])
      CopyName(m.name, CUTOUT_NAME_SIZE, e.name);
  }
  // A triangle's mapping byte named an entry, which is now the mapping of the same index.
  std::free(o.mappings);
  o.mappings = converted;
  o.mappingCount = count;
  return true;
}

// ---- pages, overlay colours, spokes and typed objects ----

void ClearOldSkyPageNames(ModelObject& o) {
  for (int i = 0; i < o.pageCount; ++i)
    if (strcasecmp(o.pages[i].name, "s_sky") == 0 || strcasecmp(o.pages[i].name, "s_env") == 0)
      std::memset(o.pages[i].name, 0, sizeof o.pages[i].name);
}

void ModelObject::ConvertOverlayColours() {
  // The colour each overlay cutout took first; other colours on it get a cutout of their own.
  std::vector<int64_t> takenColour(cutoutCount, -1);
  for (int i = 0; i < mappingCount; ++i) {
    ModelMapping& m = mappings[i];
    const int first = m.cutout[0];
    if (first >= cutoutCount) continue;
    const Cutout& cutout = cutouts[first];
    if (cutout.material.envMapType != ENV_OVERLAY || cutout.page >= pageCount || pages[cutout.page].type != PAGE_SKIN)
      continue;
    const uint8_t rgb[3] = {RoundToFive(m.colour & 0xFF), RoundToFive(m.colour >> 8 & 0xFF),
                            RoundToFive(m.colour >> 16 & 0xFF)};
    const int64_t colour = rgb[0] | rgb[1] << 8 | rgb[2] << 16;
    int target = first;
    if (takenColour[first] >= 0 && takenColour[first] != colour) {
      if (cutoutCount < MAX_MODEL_CUTOUTS) {
        const Cutout copy = cutouts[first];
        target = AddCutout(&copy);
        takenColour.push_back(colour);
        for (uint16_t& c : m.cutout)
          if (c == first) c = static_cast<uint16_t>(target);
      } else {
        target = -1;  // no room: the mapping keeps sharing the cutout
      }
    }
    if (target >= 0) {
      std::memcpy(cutouts[target].material.reflection, rgb, 3);
      takenColour[target] = colour;
    }
    m.colour = 0xFFFFFF;
  }
}

void SetOldSpokeDefaults(ModelObject& o) {
  CopyName(o.pages[0].name, MODEL_NAME_SIZE, "WHEEL");
  Cutout& c = o.cutouts[0];
  CopyName(c.name, CUTOUT_NAME_SIZE, "PLAIN SHINY");
  const uint8_t region[4] = {4, 4, 0, 124};
  std::memcpy(c.region, region, 4);
  ModelMapping& m = o.mappings[0];
  CopyName(m.name, CUTOUT_NAME_SIZE, "M2spoke");
  m.direction = DIRECTION_RIGHT;
  m.offset[0] = m.offset[1] = m.offset[2] = 0;
  m.width = m.height = FIXED_ONE;
}

void ConvertOldTypedObject(ModelObject& o) {
  if (o.type != SUBOBJECT_BRAKE && o.type != SUBOBJECT_INTERNAL_MIRROR) return;
  for (int i = 0; i < o.cutoutCount; ++i) o.cutouts[i].material.envMapType = ENV_MATT;
  if (o.type != SUBOBJECT_BRAKE) return;
  int disc = -1;
  for (int i = 0; i < o.cutoutCount; ++i)
    if (strcasecmp(o.cutouts[i].name, "Disc") == 0) {
      const uint8_t whole[4] = {128, 128, 0, 0};
      std::memcpy(o.cutouts[i].region, whole, 4);
      disc = i;
    }
  if (disc < 0) return;
  int mapping = -1;
  for (int i = 0; i < o.mappingCount; ++i)
    if (o.mappings[i].cutout[0] == disc || o.mappings[i].cutout[1] == disc) mapping = i;
  if (mapping < 0) return;
  int kept = 0;
  for (int t = 0; t < o.triangleCount; ++t)
    if (o.triangles[t].mapping != mapping) o.triangles[kept++] = o.triangles[t];
  o.triangleCount = static_cast<uint16_t>(kept);
}

// ---- colours ----

void ConvertOldColours(ModelObject& o, int recordVersion, int mode) {
  if (recordVersion < 6)
    for (int i = 0; i < o.mappingCount; ++i) o.mappings[i].colour = BrightenColour(o.mappings[i].colour);
  if (recordVersion < 10) {
    NormaliseMappingColours(o.mappings, o.mappingCount);
    for (int i = 0; i < o.cutoutCount; ++i) {
      uint8_t* rgb = o.cutouts[i].material.reflection;
      const ColourWord shown = BrightenForDisplay(RgbWord(rgb[0], rgb[1], rgb[2]));
      rgb[0] = static_cast<uint8_t>(ColourRed(shown));
      rgb[1] = static_cast<uint8_t>(ColourGreen(shown));
      rgb[2] = static_cast<uint8_t>(ColourBlue(shown));
    }
  }
  if (recordVersion < 11 && mode == 1) o.NormaliseSelfLitColours();
}

// ---- facing order ----

void ModelObject::SortTrianglesByFacing() {
  // Classes in their order: +y, -y, +x, -x, +z, -z; a unit normal component of at least
  // 0.7071 along y, then x, decides, else the sign of z.
  constexpr int32_t DIAGONAL = 46342;
  struct Key {
    int facing;
    int64_t position;
  };
  std::vector<Key> keys(triangleCount);
  for (int t = 0; t < triangleCount; ++t) {
    double p[3][3];
    for (int k = 0; k < 3; ++k) {
      const uint16_t corner = triangles[t].corners[k];
      const ModelPoint& point = points[std::min<int>(corner & CORNER_INDEX_MASK, pointCount - 1)];
      p[k][0] = (corner & CORNER_MIRRORED) ? -double(point.x) : double(point.x);
      p[k][1] = point.y;
      p[k][2] = point.z;
    }
    const double a[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    const double b[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
    const double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    int32_t unit[3] = {0, 0, 0};
    if (length > 0)
      for (int k = 0; k < 3; ++k) unit[k] = static_cast<int32_t>(n[k] / length * 65536.0);
    int axis, facing;
    if (std::abs(unit[1]) >= DIAGONAL) {
      axis = 1;
      facing = unit[1] > 0 ? 0 : 1;
    } else if (std::abs(unit[0]) >= DIAGONAL) {
      axis = 0;
      facing = unit[0] > 0 ? 2 : 3;
    } else {
      axis = 2;
      facing = unit[2] > 0 ? 4 : 5;
    }
    keys[t] = {facing, static_cast<int64_t>(p[0][axis] + p[1][axis] + p[2][axis])};
  }
  std::vector<int> order(triangleCount);
  for (int t = 0; t < triangleCount; ++t) order[t] = t;
  std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
    return keys[a].facing != keys[b].facing ? keys[a].facing < keys[b].facing : keys[a].position < keys[b].position;
  });
  std::vector<ModelTriangle> sorted(triangleCount);
  for (int t = 0; t < triangleCount; ++t) sorted[t] = triangles[order[t]];
  if (triangleCount > 0) std::memcpy(triangles, sorted.data(), sizeof(ModelTriangle) * triangleCount);
}
