// model_edit.cpp - removing pages, cutouts and mappings while every index that points past
// them stays valid, finding or adding equal records, and placing axis mappings outside the
// object.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "modeller/model/model_object.h"

namespace {
template <typename T>
void RemoveAt(T* array, int32_t& count, int index) {
  std::memmove(&array[index], &array[index + 1], sizeof(T) * (count - index - 1));
  --count;
}

// "C~" or "O~" (either case) and at least one more character: kept although unused.
bool IsProtectedCutoutName(const char* name) {
  return (name[0] == 'C' || name[0] == 'c' || name[0] == 'O' || name[0] == 'o') && name[1] == '~' && name[2];
}
}  // namespace

// ---- removal ----

void ModelObject::RemoveMapping(int index) {
  if (index < 0 || index >= mappingCount) return;
  RemoveAt(mappings, mappingCount, index);
  for (int t = 0; t < triangleCount; ++t)
    if (triangles[t].mapping > index) --triangles[t].mapping;
}

void ModelObject::RemoveUnusedMappings() {
  std::vector<uint8_t> used(mappingCount, 0);
  for (int t = 0; t < triangleCount; ++t)
    if (triangles[t].mapping < mappingCount) used[triangles[t].mapping] = 1;
  for (int i = mappingCount - 1; i >= 0 && mappingCount > 1; --i)
    if (!used[i]) RemoveMapping(i);
}

int ModelObject::IsCutoutUsed(int index) const {
  for (int i = 0; i < mappingCount; ++i)
    if (mappings[i].cutout[0] == index || mappings[i].cutout[1] == index) return 1;
  return 0;
}

void ModelObject::RemoveCutout(int index) {
  if (index < 0 || index >= cutoutCount) return;
  RemoveAt(cutouts, cutoutCount, index);
  for (int i = 0; i < mappingCount; ++i)
    for (uint16_t& c : mappings[i].cutout)
      if (c > index) --c;
}

void ModelObject::RemoveUnusedCutouts() {
  for (int i = cutoutCount - 1; i >= 0 && cutoutCount > 1; --i)
    if (!IsCutoutUsed(i) && !IsProtectedCutoutName(cutouts[i].name)) RemoveCutout(i);
}

void ModelObject::RemoveTexturePage(int index) {
  if (index < 0 || index >= pageCount) return;
  RemoveAt(pages, pageCount, index);
  for (int i = 0; i < cutoutCount; ++i)
    if (cutouts[i].page > index) --cutouts[i].page;
}

void ModelObject::RemoveUnusedTexturePages() {
  for (int p = pageCount - 1; p >= 0 && pageCount > 1; --p) {
    if (pages[p].type == PAGE_DASH) continue;
    bool used = false;
    for (int i = 0; i < cutoutCount && !used; ++i) used = cutouts[i].page == p;
    if (!used) RemoveTexturePage(p);
  }
}

// ---- placing axis mappings ----

void ModelObject::FitMappingOffsets() {
  int32_t low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
  for (int i = 0; i < pointCount; ++i) {
    const int32_t v[3] = {points[i].x, points[i].y, points[i].z};
    for (int k = 0; k < 3; ++k) {
      if (i == 0 || v[k] < low[k]) low[k] = v[k];
      if (i == 0 || v[k] > high[k]) high[k] = v[k];
    }
  }
  const int64_t r = std::max(std::abs(int64_t{low[0]}), std::abs(int64_t{high[0]}));
  for (int i = 0; i < mappingCount; ++i) {
    ModelMapping& m = mappings[i];
    const int64_t d = std::max(std::abs(int64_t{m.width}), std::abs(int64_t{m.height})) / 4;
    int32_t* offset = m.offset;
    switch (m.direction) {
      case DIRECTION_BACK: offset[1] = static_cast<int32_t>(low[1] - d); break;
      case DIRECTION_RIGHT: offset[0] = static_cast<int32_t>(r + d); break;
      case DIRECTION_FRONT: offset[1] = static_cast<int32_t>(high[1] + d); break;
      case DIRECTION_LEFT: offset[0] = static_cast<int32_t>(-r - d); break;
      case DIRECTION_UNDER: offset[2] = static_cast<int32_t>(low[2] - d); break;
      case DIRECTION_TOP: offset[2] = static_cast<int32_t>(high[2] + d); break;
      default: break;
    }
  }
}

// ---- finding or adding equal records ----

namespace {
// Equal in everything the file keeps but the name.
bool SameCutout(const Cutout& a, const Cutout& b) {
  return (a.flags & CUTOUT_STORED_FLAGS) == (b.flags & CUTOUT_STORED_FLAGS) && a.orientation == b.orientation &&
         a.page == b.page && a.stored == b.stored && std::memcmp(&a.material, &b.material, sizeof a.material) == 0 &&
         std::memcmp(a.region, b.region, sizeof a.region) == 0;
}

bool SameMapping(const ModelMapping& a, const ModelMapping& b) {
  return std::strcmp(a.name, b.name) == 0 && a.colour == b.colour && a.flags == b.flags &&
         a.direction == b.direction && std::memcmp(a.offset, b.offset, sizeof a.offset) == 0 && a.width == b.width &&
         a.height == b.height && a.cutout[0] == b.cutout[0] && a.cutout[1] == b.cutout[1];
}
}  // namespace

int ModelObject::FindOrAddCutout(const Cutout& cutout, const CutoutMaterial& material, int newNumber) {
  Cutout wanted = cutout;
  wanted.material = material;
  for (int i = 0; i < cutoutCount; ++i)
    if (SameCutout(cutouts[i], wanted)) return i;
  std::snprintf(wanted.name, sizeof wanted.name, "decal %d", newNumber);
  wanted.flags &= CUTOUT_STORED_FLAGS;
  wanted.texture = nullptr;
  return AddCutout(&wanted);
}

// The added mapping keeps the given one's name, so its colour and light roles stay.
int ModelObject::FindOrAddMapping(const ModelMapping& mapping, int cutoutIndex, int newNumber) {
  ModelMapping wanted = mapping;
  wanted.cutout[0] = wanted.cutout[1] = static_cast<uint16_t>(cutoutIndex);
  std::memset(wanted.work, 0, sizeof wanted.work);
  for (int i = 0; i < mappingCount; ++i)
    if (SameMapping(mappings[i], wanted)) return i;
  (void)newNumber;
  return AddMapping(&wanted);
}
