// model_decals.cpp - flat decal models, decal triangles merged into the triangles they lie
// on, and the overlay flag of objects with translucent triangles over nothing solid.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "model/model_object.h"
#include "text/messages.h"

namespace {

constexpr int32_t DECAL_HEIGHT = 640;
constexpr int32_t DECAL_LOWEST = 64, DECAL_HIGHEST = 768;

// The first cutout of the triangle's mapping; null when an index is out of range.
const Cutout* FirstCutout(const ModelObject& o, const ModelTriangle& t) {
  if (t.mapping >= o.mappingCount) return nullptr;
  const int c = o.mappings[t.mapping].cutout[0];
  return c < o.cutoutCount ? &o.cutouts[c] : nullptr;
}

// Two triangles on the same three corners: the same cyclic order as stored; when either is
// mirrored, the corners' mirror bits are ignored and the reversed order matches too.
bool SameCorners(const ModelTriangle& a, const ModelTriangle& b) {
  const bool loose = (a.flags | b.flags) & TRIANGLE_MIRRORED;
  const uint16_t mask = loose ? CORNER_INDEX_MASK : 0xFFFF;
  for (int start = 0; start < 3; ++start) {
    bool forward = true, backward = true;
    for (int k = 0; k < 3; ++k) {
      const uint16_t ak = a.corners[k] & mask;
      forward = forward && ak == (b.corners[(start + k) % 3] & mask);
      backward = backward && ak == (b.corners[(start + 3 - k) % 3] & mask);
    }
    if (forward || (loose && backward)) return true;
  }
  return false;
}

// The triangles of each level on each set of three points (mirror bits ignored), in index
// order: the candidates SameCorners is asked about, without comparing every pair.
struct CornerBuckets {
  std::unordered_map<uint64_t, std::vector<int>> lists;

  static uint64_t Key(const ModelTriangle& t) {
    uint64_t c[3] = {uint64_t{t.corners[0]} & CORNER_INDEX_MASK, uint64_t{t.corners[1]} & CORNER_INDEX_MASK,
                     uint64_t{t.corners[2]} & CORNER_INDEX_MASK};
    std::sort(c, c + 3);
    return uint64_t{t.lod} << 45 | c[0] << 30 | c[1] << 15 | c[2];
  }
  explicit CornerBuckets(const ModelObject& o) {
    for (int t = 0; t < o.triangleCount; ++t) lists[Key(o.triangles[t])].push_back(t);
  }
  // The other triangles of t's level that lie on its corners, in index order.
  template <typename Visit>
  void ForEachTwin(const ModelObject& o, int t, Visit visit) const {
    const auto found = lists.find(Key(o.triangles[t]));
    if (found == lists.end()) return;
    for (int u : found->second)
      if (u != t && SameCorners(o.triangles[t], o.triangles[u]) && !visit(u)) return;
  }
};

}  // namespace

// ---- flat decal models ----

void DetectDecal(ModelObject& o) {
  if (o.childCount != 0 || o.cutoutCount != 1 || o.cutouts[0].material.alphaType != ALPHA_BLEND ||
      o.triangleCount == 0)
    return;
  bool anyOther = false;
  for (int i = 0; i < o.pointCount; ++i) {
    const int32_t z = o.points[i].z;
    if (z < DECAL_LOWEST || z > DECAL_HIGHEST) return;
    anyOther = anyOther || z != DECAL_HEIGHT;
  }
  if (!anyOther) return;
  for (int i = 0; i < o.pointCount; ++i) o.points[i].z = DECAL_HEIGHT;
  char text[96];
  std::snprintf(text, sizeof text, "Model %s: detected as decal - height adjusted", o.name);
  ShowDebugMessage(text, TextColours.grey);
}

// ---- decal triangles ----

int ModelObject::DetectDecals() {
  bool overlayOnSkin = false;
  for (int i = 0; i < cutoutCount && !overlayOnSkin; ++i)
    overlayOnSkin = cutouts[i].material.envMapType == ENV_OVERLAY && cutouts[i].page < pageCount &&
                    pages[cutouts[i].page].name[0] == 0;
  if (!overlayOnSkin) return 0;

  const int cutoutsBefore = cutoutCount, mappingsBefore = mappingCount;
  for (int t = 0; t < triangleCount; ++t) triangles[t].flags &= ~TRIANGLE_SELECTED;
  const CornerBuckets buckets(*this);
  bool any = false;
  for (int t = 0; t < triangleCount; ++t) {
    const Cutout* decal = FirstCutout(*this, triangles[t]);
    if (!decal || decal->material.alphaType != ALPHA_BLEND) continue;
    buckets.ForEachTwin(*this, t, [&](int u) {
      const Cutout* base = FirstCutout(*this, triangles[u]);
      if (!base || base->material.alphaType != ALPHA_SOLID || base->material.envMapType != ENV_OVERLAY) return true;
      if (cutoutCount >= MAX_MODEL_CUTOUTS || mappingCount >= MAX_MODEL_MAPPINGS) return true;
      // Copies: adding may move the arrays.
      const Cutout decalCutout = *decal;
      const CutoutMaterial baseMaterial = base->material;
      const ModelMapping decalMapping = mappings[triangles[t].mapping];
      const int cutout = FindOrAddCutout(decalCutout, baseMaterial, cutoutCount);
      const int mapping = FindOrAddMapping(decalMapping, cutout, mappingCount);
      triangles[t].mapping = static_cast<uint8_t>(mapping);
      triangles[t].flags |= TRIANGLE_SELECTED;
      any = true;
      return false;
    });
  }
  // Each marked triangle in turn removes the others on its corners (a removed one is not
  // looked at again).
  std::vector<uint8_t> removed(triangleCount, 0);
  for (int t = 0; t < triangleCount; ++t) {
    if (removed[t] || !(triangles[t].flags & TRIANGLE_SELECTED)) continue;
    triangles[t].flags &= ~TRIANGLE_SELECTED;
    buckets.ForEachTwin(*this, t, [&](int u) {
      removed[u] = 1;
      return true;
    });
  }
  int kept = 0;
  for (int t = 0; t < triangleCount; ++t)
    if (!removed[t]) triangles[kept++] = triangles[t];
  triangleCount = static_cast<uint16_t>(kept);
  if (!any) return 0;
  RemoveUnusedMappings();
  RemoveUnusedCutouts();
  RemoveUnusedTexturePages();
  if (cutoutCount > cutoutsBefore || mappingCount > mappingsBefore) FreeRenderCaches();
  return 1;
}

// ---- the overlay flag ----

void ModelObject::DetectOverlayTriangles() {
  options &= ~OPTION_OVERLAY;
  for (int c = 0; c < childCount; ++c) {
    children[c].DetectOverlayTriangles();
    if (children[c].options & OPTION_OVERLAY) options |= OPTION_OVERLAY;
  }
  if (options & OPTION_OVERLAY) return;
  bool anyTranslucent = false;
  for (int i = 0; i < cutoutCount && !anyTranslucent; ++i)
    anyTranslucent = cutouts[i].material.alphaType == ALPHA_BLEND || cutouts[i].material.alphaType == ALPHA_TEA;
  if (!anyTranslucent) return;
  const CornerBuckets buckets(*this);
  for (int t = 0; t < triangleCount; ++t) {
    const Cutout* own = FirstCutout(*this, triangles[t]);
    if (!own || (own->material.alphaType != ALPHA_BLEND && own->material.alphaType != ALPHA_TEA)) continue;
    bool solidBeneath = false;
    buckets.ForEachTwin(*this, t, [&](int u) {
      const Cutout* other = FirstCutout(*this, triangles[u]);
      solidBeneath = other && other->material.alphaType == ALPHA_SOLID;
      return !solidBeneath;
    });
    if (!solidBeneath) {
      options |= OPTION_OVERLAY;
      return;
    }
  }
}
