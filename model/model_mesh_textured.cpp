// model_mesh_textured.cpp - the textured GouraudO3d tree of a model and one level merged into
// one mesh: a level's cache split into one part per texture, the repair of triangles that
// straddle two textures, and the limits of the merged mesh.
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "core/report.h"
#include "model/model_mesh_local.h"
#include "render/gouraud_mesh.h"
#include "render/material.h"
#include "text/messages.h"

namespace {

constexpr int SOUND_REFUSED = 4;

static_assert(sizeof(GouraudColour) == sizeof(ColourWord), "a mapping's colour word is a point's colour record");
// The colour record of a mapping: its colour word's bytes are red, green, blue and the
// material flags, as a point's colour record reads them.
const GouraudColour* ColourRecord(const ModelMapping& m) { return reinterpret_cast<const GouraudColour*>(&m.colour); }

struct PartBuild {
  TextureKey key;
  std::vector<GouraudPoint> points;
  std::vector<GouraudTriangle> triangles;
};

// Lays the parts that received triangles out part after part into the mesh.
void InstallParts(GouraudO3d& mesh, const std::vector<PartBuild>& parts) {
  int points = 0, triangles = 0, kept = 0;
  for (const PartBuild& p : parts)
    if (!p.triangles.empty()) {
      points += int(p.points.size());
      triangles += int(p.triangles.size());
      ++kept;
    }
  AllocateMeshArrays(mesh, points, triangles, kept);
  int firstPoint = 0, firstTriangle = 0, slot = 0;
  for (const PartBuild& p : parts) {
    if (p.triangles.empty()) continue;
    mesh.parts[slot].key = p.key;
    mesh.parts[slot].pointCount = int32_t(p.points.size());
    mesh.parts[slot].triangleCount = int32_t(p.triangles.size());
    std::memcpy(&mesh.points[firstPoint], p.points.data(), sizeof(GouraudPoint) * p.points.size());
    for (size_t t = 0; t < p.triangles.size(); ++t) {
      GouraudTriangle tri = p.triangles[t];
      for (uint16_t& i : tri.index) i = uint16_t(i + firstPoint);
      mesh.triangles[size_t(firstTriangle) + t] = tri;
    }
    firstPoint += int(p.points.size());
    firstTriangle += int(p.triangles.size());
    ++slot;
  }
}

void Rotate(const FixedMatrix& r, const float in[3], float out[3]) {
  for (int row = 0; row < 3; ++row)
    out[row] = (r.m[3 * row] * in[0] + r.m[3 * row + 1] * in[1] + r.m[3 * row + 2] * in[2]) * (1.0f / 65536.0f);
}

struct LevelBuild {
  ModelObject& o;
  const ModelLodCache& cache;
  const FixedTransform* transform;  // into the mesh; null: as cached
  const FixedMatrix* normalMatrix;  // for the points of translucent colours; null: none
  int lod;

  // The cutout a cache vertex is drawn with through a mapping: its first or second by the
  // vertex's side.  Null for an index past the lists.
  const Cutout* CutoutOf(const ModelCacheVertex& v, int mapping) const {
    if (mapping >= o.mappingCount) return nullptr;
    const uint16_t c = o.mappings[mapping].cutout[v.side & CACHE_SIDE_MIRRORED];
    return c < o.cutoutCount ? &o.cutouts[c] : nullptr;
  }

  // The mesh point of a cache vertex, textured and coloured through a mapping (its own but
  // for the copies of a triangle that straddles two textures).
  GouraudPoint Point(int index, int mappingIndex) const {
    const ModelCacheVertex& v = cache.vertices[index];
    const ModelMapping& mapping = o.mappings[mappingIndex];
    GouraudPoint p{};
    p.frame = v.transform;
    p.flags = v.side & CACHE_SIDE_LIGHTING;
    IntVector position{v.position[0], v.position[1], v.position[2]};
    float normal[3] = {v.normal[0], v.normal[1], v.normal[2]};
    if (transform) {
      IntVector moved;
      TransformPoint(*transform, position, moved);
      position = moved;
      Rotate(transform->rotation, v.normal, normal);
    }
    if (normalMatrix && (mapping.colour & CF_TRANSLUCENT)) Rotate(*normalMatrix, v.normal, normal);
    p.x = position.x;
    p.y = position.y;
    p.z = position.z;
    p.nx = normal[0];
    p.ny = normal[1];
    p.nz = normal[2];
    float uv[2];
    ComputeTextureCoordinates(uv, &cache.sourcePositions[size_t(index) * 3], mapping, *CutoutOf(v, mappingIndex),
                              o.mappingMatrices[mappingIndex]);
    p.u = uv[0];
    p.v = uv[1];
    p.colour = ColourRecord(mapping);
    return p;
  }

  // The part of a texture; -1 for none.
  static int PartOf(const std::vector<PartBuild>& parts, const Cutout* cutout) {
    if (!cutout || !cutout->texture) return -1;
    for (size_t i = 0; i < parts.size(); ++i)
      if (parts[i].key == cutout->texture) return int(i);
    return -1;
  }

  // One pass over every part; false when a mapping was repaired and the pass must start
  // again.  A vertex goes to the part of its mapping's texture, textured and coloured through
  // the mapping of the triangle that made it.  A triangle whose three corners went to one part
  // through its own mapping is drawn on them.  One that straddles two textures has its first
  // corner's mapping repaired when the mapping's two cutouts differ.  Otherwise a corner was
  // made by a triangle of another mapping sharing its point and smoothing group (of the same
  // texture or another): the triangle is drawn in the part of its own mapping's texture on a
  // copy of that corner textured and coloured through its own mapping, made once per vertex
  // and mapping (no mapping could mend it, and the build would never end).
  bool Pass(std::vector<PartBuild>& parts) const {
    std::vector<int32_t> partOf(size_t(cache.vertexCount)), local(size_t(cache.vertexCount));
    for (PartBuild& part : parts) {
      part.points.clear();
      part.triangles.clear();
    }
    int points = 0;
    for (int i = 0; i < cache.vertexCount; ++i) {
      const int part = PartOf(parts, CutoutOf(cache.vertices[i], cache.vertices[i].mapping));
      partOf[size_t(i)] = part;
      if (part < 0) continue;
      local[size_t(i)] = int32_t(parts[size_t(part)].points.size());
      parts[size_t(part)].points.push_back(Point(i, cache.vertices[i].mapping));
      ++points;
    }
    // Per part: a copy's point by its vertex (high word) and mapping (low word).
    std::vector<std::unordered_map<int64_t, int32_t>> copies(parts.size());
    for (int t = 0; t < cache.triangleCount; ++t) {
      const ModelCacheTriangle& tri = cache.triangles[t];
      const int a = partOf[tri.index[0]], b = partOf[tri.index[1]], c = partOf[tri.index[2]];
      const auto own = [&](int k) { return cache.vertices[tri.index[k]].mapping == tri.mapping; };
      if (a == b && b == c && own(0) && own(1) && own(2)) {
        if (a >= 0)
          parts[size_t(a)].triangles.push_back(GouraudTriangle{
              {uint16_t(local[tri.index[0]]), uint16_t(local[tri.index[1]]), uint16_t(local[tri.index[2]])},
              tri.mapping});
        continue;
      }
      if (a != b || b != c) {
        ModelMapping& first = o.mappings[cache.vertices[tri.index[0]].mapping];
        if (first.cutout[1] != first.cutout[0]) {
          first.cutout[1] = first.cutout[0];
          if (!ModelMeshConfig.quiet) {
            char text[MESSAGE_TEXT_SIZE];
            std::snprintf(text, sizeof text, TEXT_CROSS_TEXTURE, lod + 1);
            ShowMessage(text, TextColours.red);
          }
          return false;
        }
      }
      const int owner = PartOf(parts, CutoutOf(cache.vertices[tri.index[0]], int(tri.mapping)));
      if (owner < 0) continue;
      PartBuild& part = parts[size_t(owner)];
      GouraudTriangle drawn{{0, 0, 0}, tri.mapping};
      bool fits = true;
      for (int k = 0; k < 3 && fits; ++k) {
        const int v = tri.index[k];
        if (partOf[size_t(v)] == owner && own(k)) {
          drawn.index[k] = uint16_t(local[size_t(v)]);
          continue;
        }
        auto& made = copies[size_t(owner)];
        const int64_t key = int64_t{v} << 32 | int64_t{tri.mapping};
        auto found = made.find(key);
        if (found == made.end()) {
          if (points >= MERGED_MESH_LIMIT || !CutoutOf(cache.vertices[v], int(tri.mapping))) {
            fits = false;  // past what 16-bit indices reach, or no cutout: left out
            break;
          }
          found = made.emplace(key, int32_t(part.points.size())).first;
          part.points.push_back(Point(v, int(tri.mapping)));
          ++points;
        }
        drawn.index[k] = uint16_t(found->second);
      }
      if (fits) part.triangles.push_back(drawn);
    }
    return true;
  }
};

// Builds the object's level into the mesh's arrays (one part per texture); nothing when the
// level has no cache or no cutout has a texture.
void BuildLevelParts(ModelObject& o, const ModelObject* parent, int lod, uint32_t layerMask,
                     const ModelSkeleton* skeleton, const FixedMatrix* normalMatrix, const FixedTransform* transform,
                     GouraudO3d& mesh) {
  if (o.caches[lod].state && o.caches[lod].layerMask != layerMask) o.FreeRenderCaches();
  o.BuildMappingMatrices();  // always: the mappings may have changed since the last build
  if (!o.caches[lod].state) BuildLodRenderCache(o, parent, skeleton, lod, layerMask);
  const ModelLodCache& cache = o.caches[lod];
  if (cache.vertexCount == 0 || cache.triangleCount == 0) return;

  std::vector<PartBuild> parts;
  for (int i = 0; i < o.cutoutCount; ++i) {
    const Material* key = o.cutouts[i].texture;
    if (!key) continue;
    bool listed = false;
    for (const PartBuild& p : parts) listed = listed || p.key == key;
    if (!listed) parts.push_back(PartBuild{key, {}, {}});
  }
  if (parts.empty()) {
    if (!ModelMeshConfig.quiet) {
      ShowMessage(TEXT_NO_CUTOUTS_IN_USE, TextColours.error);
      ReportSound(SOUND_REFUSED);
    }
    return;
  }
  const LevelBuild build{o, cache, transform, normalMatrix, lod};
  while (!build.Pass(parts)) {
  }
  InstallParts(mesh, parts);
  if (ModelMeshConfig.modeFlag)
    for (int p = 0; p < mesh.partCount; ++p) {
      const uint8_t alpha = mesh.parts[p].key->params.alphaMode;
      if (alpha == ALPHA_BLEND || alpha == ALPHA_TEA) mesh.flags[0] |= MESH_FLAG_TRANSLUCENT;
    }
}

// Joins from's parts into into's, by texture; the result bits of a refusal (nothing joined).
int MergeInto(GouraudO3d& into, const GouraudO3d& from) {
  int refused = 0;
  if (int64_t{into.pointCount} + from.pointCount > MERGED_MESH_LIMIT) refused |= 1;
  if (int64_t{into.triangleCount} + from.triangleCount > MERGED_MESH_LIMIT) refused |= 2;
  if (refused || from.partCount == 0) return refused;
  std::vector<PartBuild> parts;
  auto take = [&parts](const GouraudO3d& mesh) {
    int firstPoint = 0, firstTriangle = 0;
    for (int p = 0; p < mesh.partCount; ++p) {
      const GouraudPart& source = mesh.parts[p];
      size_t slot = 0;
      while (slot < parts.size() && parts[slot].key != source.key) ++slot;
      if (slot == parts.size()) parts.push_back(PartBuild{source.key, {}, {}});
      PartBuild& part = parts[slot];
      const int shift = int(part.points.size()) - firstPoint;
      part.points.insert(part.points.end(), mesh.points + firstPoint, mesh.points + firstPoint + source.pointCount);
      for (int t = 0; t < source.triangleCount; ++t) {
        GouraudTriangle tri = mesh.triangles[firstTriangle + t];
        for (uint16_t& i : tri.index) i = uint16_t(i + shift);
        part.triangles.push_back(tri);
      }
      firstPoint += source.pointCount;
      firstTriangle += source.triangleCount;
    }
  };
  take(into);
  take(from);
  InstallParts(into, parts);
  into.flags[0] |= from.flags[0];
  return 0;
}

// The child's level built under transform x (its rotation and offset), then joined.
int BuildAndMerge(ModelObject& child, const ModelObject& parent, GouraudO3d& mesh, const FixedTransform& transform,
                  int lod) {
  FixedTransform local, placed;
  ObjectRotation(child, local.rotation);
  local.translation = IntVector{child.offset[0], child.offset[1], child.offset[2]};
  TransformCompose(transform, local, placed);
  GouraudO3d part;
  part.Init();
  BuildLevelParts(child, &parent, lod, 0xFFFFFFFFu, nullptr, nullptr, &placed, part);
  const int refused = MergeInto(mesh, part);
  part.Free();
  if (refused) {
    static const char* const WHAT[4] = {"", "vertices", "triangles", "vertices and triangles"};
    char text[MESSAGE_TEXT_SIZE];
    std::snprintf(text, sizeof text, TEXT_TOO_MANY, parent.name, WHAT[refused]);
    ShowMessage(text, TextColours.red);
  }
  return refused;
}

}  // namespace

void BuildModelMeshes(ModelObject& o, const ModelObject* parent, GouraudO3d& mesh, ModelTransformList* transforms,
                      int lod, int subobjects, const ModelSkeleton* skeleton, const FixedMatrix* normalMatrix,
                      uint32_t layerMask) {
  o.builtMesh = &mesh;
  PlaceBuiltMesh(o, mesh, transforms);
  AllocateMeshArrays(mesh, 0, 0, 0);
  if (lod >= 0 && lod < o.lodCount) BuildLevelParts(o, parent, lod, layerMask, skeleton, normalMatrix, nullptr, mesh);
  for (int i = 0; subobjects && i < o.childCount && o.children; ++i) {
    ModelObject& child = o.children[i];
    AssignMeshTextures(child, o.textureUsage, layerMask);
    const bool ownNormals = subobjects == 2 && (child.type == SUBOBJECT_BRAKE || child.type == SUBOBJECT_MUDGUARD);
    auto build = [&](GouraudO3d& into) {
      FixedMatrix own;
      ObjectRotation(child, own);
      BuildModelMeshes(child, &o, into, transforms, lod, subobjects, skeleton, ownNormals ? &own : normalMatrix,
                       layerMask);
    };
    if (child.options & OPTION_MIRRORED_TWIN) {
      GouraudO3d* mirrored = new GouraudO3d();
      mirrored->Init();
      const int stage = ModelMeshConfig.buildStage;
      ModelMeshConfig.buildStage = 0;
      child.MirrorGeometry();
      build(*mirrored);
      child.MirrorGeometry();
      ModelMeshConfig.buildStage = stage;
      AddChildMesh(mesh, mirrored);
    }
    GouraudO3d* built = new GouraudO3d();
    built->Init();
    build(*built);
    AddChildMesh(mesh, built);
  }
  mesh.CalcRadius();
}

int BuildModelLodMesh(ModelObject& o, const ModelObject* parent, GouraudO3d& mesh, const FixedTransform& transform,
                      int lod) {
  if (lod < 0 || lod >= MAX_LOD_COUNT) return 0;
  if (lod < o.lodCount) BuildLevelParts(o, parent, lod, 0xFFFFFFFFu, nullptr, nullptr, &transform, mesh);
  int result = 0;
  for (int i = 0; i < o.childCount && o.children; ++i) {
    ModelObject& child = o.children[i];
    if (child.lodCount <= lod) continue;
    AssignMeshTextures(child, o.textureUsage, 0xFFFFFFFFu);
    if (child.options & OPTION_MIRRORED_TWIN) {
      child.MirrorGeometry();
      const int refused = BuildAndMerge(child, o, mesh, transform, lod);
      child.MirrorGeometry();
      if (refused) result = refused;
    }
    if (const int refused = BuildAndMerge(child, o, mesh, transform, lod)) result = refused;
  }
  return result;
}
