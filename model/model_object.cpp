// model_object.cpp - the editable model's records: defaults, freeing, growing the arrays,
// unique names and moving records within their lists.
#include "model/model_object.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

const char* const SUBOBJECT_TYPE_NAMES[SUBOBJECT_TYPE_COUNT] = {
    "main object", "brake object", "steering wheel", "attachment",      "trailing arm",
    "mudguard",    "rear wing",    "front wing",     "undertray",       "aero centre",
    "internal mirror", "handlebar", "hub object"};
const char* const SIDE_CHANGE_NAMES[4] = {"", "static - object does not change sides",
                                          "full flip - swap sides and flip object",
                                          "swap side - swap sides but do not flip"};
const char* const NORMAL_LEVEL_NAMES[NORMAL_LEVEL_COUNT] = {"zero", "low", "medium", "high"};
const char* const ALPHA_TYPE_NAMES[ALPHA_TYPE_COUNT] = {"SOLID", "ATEST", "ALPHA", "TEA"};
const char* const ENV_MAP_TYPE_NAMES[ENV_MAP_TYPE_COUNT] = {"MATT", "C SHINE", "V SHINE", "OVERLAY"};
const char* const SHINE_TYPE_NAMES[SHINE_TYPE_COUNT] = {"NONE",    "PAINT",  "GLASS",  "METAL",
                                                        "WATER",   "ASPHALT", "RUBBER", "PLASTIC"};

// ---- records ----

void Cutout::Init(int named) {
  std::memset(this, 0, sizeof *this);
  material.reflection[0] = material.reflection[1] = material.reflection[2] = 255;
  region[REGION_WIDTH] = region[REGION_HEIGHT] = 128;
  if (named) std::strcpy(name, "unnamed");
}

void ModelMapping::Init(int named) {
  std::memset(this, 0, sizeof *this);
  colour = 0xFFFFFF;
  direction = DIRECTION_RIGHT;
  width = height = FIXED_ONE;
  if (named) std::strcpy(name, "unnamed mapping");
}

void ModelPoint::ClassifyMirror() {
  flags = static_cast<uint8_t>((flags & ~POINT_MIRROR_STATE) | (x != 0 ? POINT_MIRRORED : POINT_CENTRAL));
}

// ---- life ----

void ModelObject::Init() {
  std::memset(this, 0, sizeof *this);
  sideFunction = SIDE_STATIC;
  lodCount = 1;
  groupCount = 1;
  std::memcpy(lodDistances, DEFAULT_LOD_DISTANCES, sizeof lodDistances);
  pageCount = cutoutCount = mappingCount = 1;
  pages = static_cast<TexturePage*>(std::calloc(1, sizeof(TexturePage)));
  cutouts = static_cast<Cutout*>(std::calloc(1, sizeof(Cutout)));
  mappings = static_cast<ModelMapping*>(std::calloc(1, sizeof(ModelMapping)));
  cutouts[0].Init(1);
  mappings[0].Init(1);
}

namespace {
void FreeOwnCaches(ModelObject& o) {
  for (ModelLodCache& cache : o.caches) {
    std::free(cache.vertices);
    std::free(cache.triangles);
    std::free(cache.sourcePositions);
    cache = ModelLodCache{};
  }
  std::free(o.mappingMatrices);
  o.mappingMatrices = nullptr;
}
}  // namespace

void ModelObject::Free() {
  std::free(points);
  std::free(triangles);
  points = nullptr;
  triangles = nullptr;
  if (children)
    for (int i = 0; i < childCount; ++i) children[i].Free();
  std::free(children);
  children = nullptr;
  std::free(colourChoices);
  std::free(pages);
  std::free(cutouts);
  std::free(mappings);
  colourChoices = nullptr;
  pages = nullptr;
  cutouts = nullptr;
  mappings = nullptr;
  pageCount = cutoutCount = mappingCount = 0;
  FreeOwnCaches(*this);
}

void ModelObject::ResetKeepingName() {
  char keptName[MODEL_NAME_SIZE];
  std::memcpy(keptName, name, sizeof keptName);
  ModelObject* keptChildren = children;
  const uint16_t keptChildCount = childCount;
  children = nullptr;
  childCount = 0;
  Free();
  Init();
  std::memcpy(name, keptName, sizeof name);
  children = keptChildren;
  childCount = keptChildCount;
}

void ModelObject::FreeRenderCaches() {
  FreeOwnCaches(*this);
  if (children)  // a freed object keeps its child count without the array
    for (int i = 0; i < childCount; ++i) children[i].FreeRenderCaches();
}

// ---- arrays ----

namespace {
// A new array of count + 1 records with the old ones copied; the old array is freed.
template <typename T>
T* GrowByOne(T*& array, int32_t& count) {
  T* grown = static_cast<T*>(std::calloc(count + 1, sizeof(T)));
  if (count > 0) std::memcpy(grown, array, sizeof(T) * count);
  std::free(array);
  array = grown;
  return &grown[count++];
}

template <typename T>
void CopyArray(T*& array, int32_t& count, const T* source, int32_t sourceCount) {
  std::free(array);
  array = sourceCount > 0 ? static_cast<T*>(std::calloc(sourceCount, sizeof(T))) : nullptr;
  if (sourceCount > 0) std::memcpy(array, source, sizeof(T) * sourceCount);
  count = sourceCount;
}
}  // namespace

// The given record is copied before the array moves: it may be one of the array's own.
int ModelObject::AddCutout(const Cutout* cutout) {
  Cutout record;
  if (cutout)
    record = *cutout;
  else
    record.Init(0);
  *GrowByOne(cutouts, cutoutCount) = record;
  return cutoutCount - 1;
}

int ModelObject::AddMapping(const ModelMapping* mapping) {
  ModelMapping record;
  if (mapping)
    record = *mapping;
  else
    record.Init(0);
  *GrowByOne(mappings, mappingCount) = record;
  return mappingCount - 1;
}

int ModelObject::AddPage(const TexturePage* page) {
  const TexturePage record = page ? *page : TexturePage{};
  *GrowByOne(pages, pageCount) = record;
  return pageCount - 1;
}

void ModelObject::CopyPages(const ModelObject& source) { CopyArray(pages, pageCount, source.pages, source.pageCount); }
void ModelObject::CopyCutouts(const ModelObject& source) {
  CopyArray(cutouts, cutoutCount, source.cutouts, source.cutoutCount);
}
void ModelObject::CopyMappings(const ModelObject& source) {
  CopyArray(mappings, mappingCount, source.mappings, source.mappingCount);
}

// ---- names ----

namespace {
// Names shorter than 14 characters that repeat get a blank and a letter: the first " a",
// the later ones " b", " c", ... in list order (at most up to " z").
void MakeNamesUnique(char* firstName, int count, size_t stride) {
  auto nameAt = [&](int i) { return firstName + stride * i; };
  for (int i = 0; i < count; ++i) {
    char* name = nameAt(i);
    const size_t length = std::strlen(name);
    if (length >= 14) continue;
    char letter = 'b';
    for (int j = i + 1; j < count; ++j) {
      char* later = nameAt(j);
      if (strcasecmp(later, name) != 0) continue;
      std::snprintf(later + length, CUTOUT_NAME_SIZE - length, " %c", letter);
      if (letter < 'z') ++letter;
    }
    if (letter > 'b') std::snprintf(name + length, CUTOUT_NAME_SIZE - length, " a");
  }
}
}  // namespace

void ModelObject::MakeCutoutNamesUnique() {
  if (cutoutCount > 0) MakeNamesUnique(cutouts[0].name, cutoutCount, sizeof(Cutout));
}

void ModelObject::MakeMappingNamesUnique() {
  if (mappingCount > 0) MakeNamesUnique(mappings[0].name, mappingCount, sizeof(ModelMapping));
}

void ModelObject::DeselectAllCutouts() {
  for (int i = 0; i < cutoutCount; ++i) cutouts[i].flags &= ~CUTOUT_SELECTED;
}

// ---- moves ----

namespace {
// The new index of a reference after the record at from moved to to.
int MovedIndex(int index, int from, int to) {
  if (index == from) return to;
  if (from < to && index > from && index <= to) return index - 1;
  if (to < from && index >= to && index < from) return index + 1;
  return index;
}

template <typename T>
bool MoveRecord(T* array, int count, int from, int to) {
  if (from < 0 || to < 0 || from >= count || to >= count || from == to) return false;
  const T moved = array[from];
  if (from < to)
    std::memmove(&array[from], &array[from + 1], sizeof(T) * (to - from));
  else
    std::memmove(&array[to + 1], &array[to], sizeof(T) * (from - to));
  array[to] = moved;
  return true;
}
}  // namespace

void ModelObject::MovePage(int from, int to) {
  if (!MoveRecord(pages, pageCount, from, to)) return;
  for (int i = 0; i < cutoutCount; ++i) cutouts[i].page = static_cast<uint8_t>(MovedIndex(cutouts[i].page, from, to));
}

void ModelObject::MoveCutout(int from, int to) {
  if (!MoveRecord(cutouts, cutoutCount, from, to)) return;
  for (int i = 0; i < mappingCount; ++i)
    for (uint16_t& c : mappings[i].cutout) c = static_cast<uint16_t>(MovedIndex(c, from, to));
}

void ModelObject::MoveMapping(int from, int to) {
  if (!MoveRecord(mappings, mappingCount, from, to)) return;
  for (int i = 0; i < triangleCount; ++i)
    triangles[i].mapping = static_cast<uint8_t>(MovedIndex(triangles[i].mapping, from, to));
}
