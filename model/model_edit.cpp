// model_edit.cpp - removing pages, cutouts and mappings while every index that points past
// them stays valid, finding or adding equal records, placing axis mappings outside the
// object, and the routines over layers, levels of detail, marks and mirrored triangles.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "model/model_object.h"

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

// ---- mirrored triangles ----

namespace {
void RemoveTriangleAt(ModelObject& o, int index) {
  std::memmove(&o.triangles[index], &o.triangles[index + 1], sizeof(ModelTriangle) * (o.triangleCount - index - 1));
  --o.triangleCount;
}

// The triangle whose plain corners are c, b, a in some rotation; -1 when there is none.
int FindReversedTwin(const ModelObject& o, const uint16_t mirrored[3]) {
  const uint16_t want[3] = {static_cast<uint16_t>(mirrored[2] & CORNER_INDEX_MASK),
                            static_cast<uint16_t>(mirrored[1] & CORNER_INDEX_MASK),
                            static_cast<uint16_t>(mirrored[0] & CORNER_INDEX_MASK)};
  for (int t = 0; t < o.triangleCount; ++t) {
    const uint16_t* c = o.triangles[t].corners;
    for (int r = 0; r < 3; ++r)
      if (c[r] == want[0] && c[(r + 1) % 3] == want[1] && c[(r + 2) % 3] == want[2]) return t;
  }
  return -1;
}
}  // namespace

void ModelObject::ReplaceMirroredTriangles() {
  for (int t = 0; t < triangleCount;) {
    const ModelTriangle& tri = triangles[t];
    const bool allMirrored = (tri.corners[0] & tri.corners[1] & tri.corners[2] & CORNER_MIRRORED) != 0;
    const int twin = (tri.flags & TRIANGLE_SELECTED) && allMirrored ? FindReversedTwin(*this, tri.corners) : -1;
    if (twin < 0) {
      ++t;
      continue;
    }
    triangles[twin].flags |= TRIANGLE_MIRRORED;
    RemoveTriangleAt(*this, t);
  }
}

// ---- layers ----

void ModelObject::KeepTriangleSlots(uint32_t layerMask) {
  int kept = 0;
  for (int t = 0; t < triangleCount; ++t)
    if (layerMask >> (triangles[t].layer & 31) & 1) triangles[kept++] = triangles[t];
  triangleCount = static_cast<uint16_t>(kept);
  for (int layer = 0; layer < LAYER_COUNT; ++layer)
    if (!(layerMask >> layer & 1)) std::memset(layerNames[layer], 0, LAYER_NAME_SIZE);
  for (int c = 0; c < childCount && children; ++c) children[c].KeepTriangleSlots(layerMask);
}

int ModelObject::MoveLayer(int to, int from) {
  for (int t = 0; t < triangleCount; ++t)
    if ((triangles[t].layer & 31) == from) triangles[t].layer = static_cast<uint8_t>((triangles[t].layer & ~31) | (to & 31));
  if (from >= 0 && from < LAYER_COUNT) std::memset(layerNames[from], 0, LAYER_NAME_SIZE);
  for (int c = 0; c < childCount && children; ++c) children[c].MoveLayer(to, from);
  return from;
}

void ModelObject::MarkPointsByLayerMask(uint32_t layerMask, int onlyReset) {
  for (int p = 0; p < pointCount; ++p) points[p].work = 2;
  if (onlyReset) return;
  for (int pass = 0; pass < 2; ++pass)  // the shown layers first: a point of both is shown
    for (int t = 0; t < triangleCount; ++t) {
      const bool shown = layerMask >> (triangles[t].layer & 31) & 1;
      if (shown != (pass == 0)) continue;
      for (uint16_t corner : triangles[t].corners) {
        const int p = corner & CORNER_INDEX_MASK;
        if (p >= pointCount) continue;
        if (shown)
          points[p].work = 1;
        else if (points[p].work == 2)
          points[p].work = 0;
      }
    }
}

// ---- marks and questions ----

void ModelObject::ClearMarks() {
  for (int p = 0; p < pointCount; ++p) points[p].flags &= ~POINT_SELECTED;
  for (int t = 0; t < triangleCount; ++t) triangles[t].flags &= ~TRIANGLE_MARK;
}

int ModelObject::IsPointUsed(int index) const {
  for (int t = 0; t < triangleCount; ++t)
    for (uint16_t corner : triangles[t].corners)
      if ((corner & CORNER_INDEX_MASK) == index) return 1;
  return 0;
}

int ModelObject::IsPointReferenceUsed(uint16_t reference) const {
  for (int t = 0; t < triangleCount; ++t) {
    const bool bothSides = triangles[t].flags & TRIANGLE_MIRRORED;
    for (uint16_t corner : triangles[t].corners)
      if (corner == reference || (bothSides && ((corner ^ reference) & CORNER_INDEX_MASK) == 0)) return 1;
  }
  return 0;
}

int ModelObject::CountMirroredTriangles() const {
  int count = 0;
  for (int t = 0; t < triangleCount; ++t)
    if ((triangles[t].corners[0] | triangles[t].corners[1] | triangles[t].corners[2]) & CORNER_MIRRORED) ++count;
  return count;
}

// ---- levels of detail ----

int ModelShowsAllLods;

void FixLodDistances(ModelObject& o) {
  int32_t floor = FIXED_ONE;
  for (int i = 0; i < o.lodCount && i < MAX_LOD_COUNT; ++i) {
    int32_t& d = o.lodDistances[i];
    if (d >= floor)
      floor = d = static_cast<int32_t>(static_cast<uint32_t>(d) & 0xFFFF0000u);
    else
      d = floor;
  }
}

void ModelObject::SaveTriangleByte() {
  if (ModelShowsAllLods) return;
  for (int t = 0; t < triangleCount; ++t) {
    ModelTriangle& tri = triangles[t];
    tri.work = (tri.work & ~0xFFu) | tri.lod;
    if (tri.flags & TRIANGLE_HIDDEN) tri.lod = 255;
  }
  for (int c = 0; c < childCount && children; ++c) children[c].SaveTriangleByte();
}

void ModelObject::RestoreTriangleByte() {
  if (ModelShowsAllLods) return;
  for (int t = 0; t < triangleCount; ++t) triangles[t].lod = static_cast<uint8_t>(triangles[t].work & 0xFF);
  for (int c = 0; c < childCount && children; ++c) children[c].RestoreTriangleByte();
}

void ModelObject::KeepOnlyLod(int lod) {
  int kept = 0;
  for (int t = 0; t < triangleCount; ++t)
    if (triangles[t].lod == lod) triangles[kept++] = triangles[t];
  triangleCount = static_cast<uint16_t>(kept);
  RemoveUnusedMappings();
  RemoveUnusedCutouts();
  RemoveUnusedTexturePages();
  for (int p = 0; p < pointCount; ++p) points[p].flags |= POINT_SELECTED;
  UnmarkUsedPoints(0);
  // Every point still marked goes, as RemovePoint would take them one by one.
  std::vector<int32_t> newIndex(pointCount, -1);
  int next = 0;
  for (int p = 0; p < pointCount; ++p) {
    if (points[p].flags & POINT_SELECTED) continue;
    newIndex[p] = next;
    points[next++] = points[p];
  }
  for (int t = 0; t < triangleCount; ++t)
    for (uint16_t& corner : triangles[t].corners) {
      const int p = corner & CORNER_INDEX_MASK;
      if (p < pointCount && newIndex[p] >= 0)
        corner = static_cast<uint16_t>((corner & CORNER_MIRRORED) | newIndex[p]);
    }
  pointCount = static_cast<uint16_t>(next);
}
