// model_lod_cache.cpp - building a level's render cache with its checks, and the check of
// cutout colours.
#include "model/model_lod_cache.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "text/messages.h"

int ModelCheckLevel = 1;
ModelCheckHooks ModelCheckReport;

int BoneOfPoint(const ModelSkeleton& skeleton, const ModelPoint& point, bool mirroredSide) {
  int bone = point.bone;
  if (mirroredSide && bone < skeleton.count) bone += skeleton.bones[bone].mirrorStep;
  return bone < skeleton.count ? bone : 0;
}

namespace {

constexpr float PI_F = 3.14159265358979f;

// The five counters, in the order their lines are given.
struct ProblemLine {
  ModelProblemKind kind;
  const char* one;
  const char* many;
};
constexpr ProblemLine PROBLEM_LINES[PROBLEM_KIND_COUNT] = {
    {PROBLEM_SPANS_CUTOUTS, "%s : %d triangle spans two cutouts", "%s : %d triangles span two cutouts"},
    {PROBLEM_DEGENERATE, "%s : %d triangle is degenerate", "%s : %d triangles are degenerate"},
    {PROBLEM_TOO_SMALL, "%s : %d triangle is too small", "%s : %d triangles are too small"},
    {PROBLEM_TOO_THIN, "%s : %d triangle is too thin", "%s : %d triangles are too thin"},
    {PROBLEM_BAD_NORMAL, "%s : %d point has a bad normal", "%s : %d points have bad normals"},
};

struct Vec {
  float x, y, z;
};
Vec Sub(const int32_t a[3], const int32_t b[3]) {
  constexpr float M = 1.0f / 65536.0f;
  return {float(int64_t{a[0]} - b[0]) * M, float(int64_t{a[1]} - b[1]) * M, float(int64_t{a[2]} - b[2]) * M};
}
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The name a heading gives an object: its own, else its type's.
const char* ObjectLabel(const ModelObject& o) {
  if (o.name[0]) return o.name;
  return SUBOBJECT_TYPE_NAMES[o.type < SUBOBJECT_TYPE_COUNT ? o.type : 0];
}

// 0 for the main object, n for its parent's n-th subobject.
int SubobjectNumber(const ModelObject& o, const ModelObject* parent) {
  if (!parent || !parent->children) return 0;
  const std::ptrdiff_t i = &o - parent->children;
  return i >= 0 && i < parent->childCount ? int(i) + 1 : 0;
}

void ReportProblemLine(int kind, int object, const char* text) {
  if (ModelCheckReport.problem)
    ModelCheckReport.problem(kind, object, text);
  else
    ShowMessage(text, TextColours.error);
}

struct CacheBuilder {
  CacheBuilder(ModelObject& object, const ModelSkeleton* bones, int checkLevel)
      : o(object), skeleton(bones && bones->count > 0 ? bones : nullptr), level(checkLevel),
        markers(checkLevel == 2 && !skeleton) {}
  ModelObject& o;
  const ModelSkeleton* skeleton;  // null also for one without bones
  int level;
  bool markers;  // level 2 without a skeleton
  int counts[PROBLEM_KIND_COUNT] = {};
  std::vector<ModelCacheVertex> vertices;
  std::vector<ModelCacheTriangle> triangles;
  std::vector<int32_t> sources;  // three per vertex
  std::vector<int32_t> head;     // per point and side: its vertex of the current group, -1 none
  std::vector<int32_t> touched;  // the head entries set in the current group
  int group = 0;

  // Adds what a problem counts: with markers, 1 only for a new marker.
  void Count(ModelProblemKind kind, int item, const int32_t point[3]) {
    if (!markers) {
      ++counts[kind];
      return;
    }
    const IntVector p{point[0], point[1], point[2]};
    counts[kind] += ModelCheckReport.marker ? ModelCheckReport.marker(kind, item, o, p) : 1;
  }

  int VertexFor(int point, bool mirroredSide, uint8_t mapping) {
    int32_t& slot = head[size_t(point) * 2 + mirroredSide];
    if (slot >= 0) return slot;
    const ModelPoint& p = o.points[point];
    ModelCacheVertex v{};
    v.mapping = mapping;
    v.side = static_cast<uint8_t>((mirroredSide ? CACHE_SIDE_MIRRORED : 0) | (p.flags & CACHE_SIDE_LIGHTING));
    v.group = static_cast<uint16_t>(group);
    v.point = static_cast<uint16_t>(point);
    const IntVector source{mirroredSide ? NegateStored(p.x) : p.x, p.y, p.z};
    IntVector placed = source;
    if (skeleton) {
      const int bone = BoneOfPoint(*skeleton, p, mirroredSide);
      const FixedTransform& frame = skeleton->bones[bone].frame;
      const IntVector local{SubtractStored(source.x, frame.translation.x), SubtractStored(source.y, frame.translation.y),
                            SubtractStored(source.z, frame.translation.z)};
      MatrixTransformTransposed(frame.rotation, local, placed);
      v.transform = static_cast<uint8_t>(bone);
    }
    v.position[0] = placed.x;
    v.position[1] = placed.y;
    v.position[2] = placed.z;
    slot = int32_t(vertices.size());
    touched.push_back(int32_t(size_t(point) * 2 + mirroredSide));
    vertices.push_back(v);
    sources.insert(sources.end(), {source.x, source.y, source.z});
    return slot;
  }

  // One triangle on one side (0 as it is, 1 its mirrored copy), with its corners given.
  void AddTriangleToCache(int index, const ModelTriangle& t, const uint16_t corners[3], int side) {
    int v[3];
    for (int i = 0; i < 3; ++i) {
      const uint16_t ref = corners[side == 0 ? 2 - i : i];
      const bool mirroredSide = (ref & CORNER_MIRRORED) || side == 1;
      v[i] = VertexFor(ref & CORNER_INDEX_MASK, mirroredSide, t.mapping);
    }
    const int32_t* p[3] = {&sources[size_t(v[0]) * 3], &sources[size_t(v[1]) * 3], &sources[size_t(v[2]) * 3]};
    int32_t centre[3];
    for (int k = 0; k < 3; ++k) centre[k] = int32_t((int64_t{p[0][k]} + p[1][k] + p[2][k]) / 3);

    if (side == 0 && t.mapping < o.mappingCount) {
      const ModelMapping& m = o.mappings[t.mapping];
      const int mirrored = !!(corners[0] & CORNER_MIRRORED) + !!(corners[1] & CORNER_MIRRORED) +
                           !!(corners[2] & CORNER_MIRRORED);
      if (m.cutout[0] != m.cutout[1] && mirrored > 0 && mirrored < 3) Count(PROBLEM_SPANS_CUTOUTS, index, centre);
    }
    triangles.push_back(ModelCacheTriangle{
        {uint16_t(v[0]), uint16_t(v[1]), uint16_t(v[2])}, 0, t.mapping});

    // Outward for the clockwise order kept here: (third - first) x (second - first).
    const Vec e0 = Sub(p[1], p[0]), e1 = Sub(p[2], p[1]), e2 = Sub(p[0], p[2]);
    Vec face = Cross(Vec{-e2.x, -e2.y, -e2.z}, e0);
    const int normalLevel = t.normalLevel < NORMAL_LEVEL_COUNT ? t.normalLevel : 1;
    if (normalLevel > 1) face = {face.x * normalLevel, face.y * normalLevel, face.z * normalLevel};
    const Vec edges[3] = {e0, e1, e2};
    const float lengths[3] = {std::sqrt(Dot(e0, e0)), std::sqrt(Dot(e1, e1)), std::sqrt(Dot(e2, e2))};
    bool tooSmall = false, tooThin = false;
    for (int i = 0; i < 3; ++i) {
      const int previous = (i + 2) % 3;  // the edge arriving at corner i
      const float product = lengths[i] * lengths[previous];
      if (product < CACHE_SMALL_CORNER) {
        tooSmall = true;
        continue;
      }
      // The edges as walked turn by the corner's outer angle; pi minus it is the angle
      // inside the triangle, which weights the corner's share of the face normal.
      const float cosine = std::clamp(Dot(edges[previous], edges[i]) / product, -1.0f, 1.0f);
      const float weight = PI_F - std::acos(cosine);
      const Vec weighted{face.x * weight, face.y * weight, face.z * weight};
      if (Dot(weighted, weighted) < CACHE_THIN_NORMAL) tooThin = true;
      ModelCacheVertex& vertex = vertices[size_t(v[i])];
      if (normalLevel == 0) {
        if (vertex.fullContribution) continue;
      } else if (!vertex.fullContribution) {
        vertex.normal[0] = vertex.normal[1] = vertex.normal[2] = 0.0f;
        vertex.fullContribution = 1;
      }
      vertex.normal[0] += weighted.x;
      vertex.normal[1] += weighted.y;
      vertex.normal[2] += weighted.z;
    }
    if (tooSmall)
      Count(PROBLEM_TOO_SMALL, index, centre);
    else if (tooThin)
      Count(PROBLEM_TOO_THIN, index, centre);
  }

  // The vertices of the group just built: normalised, or (0, 0, 1) and counted when their
  // sum is too short; turned into their bone's frame with a skeleton.
  void FinishGroup(size_t first) {
    for (size_t i = first; i < vertices.size(); ++i) {
      ModelCacheVertex& v = vertices[i];
      float* n = v.normal;
      // In double: a normal along an axis comes out exactly 1 long.
      const double squared = double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2];
      if (squared < CACHE_THIN_NORMAL) {
        Count(PROBLEM_BAD_NORMAL, v.point, &sources[i * 3]);
        n[0] = n[1] = 0.0f;
        n[2] = 1.0f;
      } else {
        const double length = std::sqrt(squared);
        for (int k = 0; k < 3; ++k) n[k] = float(n[k] / length);
      }
      if (skeleton) {
        const FixedMatrix& r = skeleton->bones[v.transform].frame.rotation;
        float turned[3];
        for (int row = 0; row < 3; ++row)  // the transpose: column row of the rotation
          turned[row] = (r.m[row] * n[0] + r.m[3 + row] * n[1] + r.m[6 + row] * n[2]) * (1.0f / 65536.0f);
        std::memcpy(n, turned, sizeof turned);
      }
    }
    for (int32_t slot : touched) head[size_t(slot)] = -1;
    touched.clear();
  }

  bool Full() const {
    return int(triangles.size()) > CACHE_TRIANGLES_BEFORE_CUT || int(vertices.size()) > CACHE_VERTICES_BEFORE_CUT;
  }
};

bool CornersInRange(const ModelObject& o, const ModelTriangle& t) {
  return (t.corners[0] & CORNER_INDEX_MASK) < o.pointCount && (t.corners[1] & CORNER_INDEX_MASK) < o.pointCount &&
         (t.corners[2] & CORNER_INDEX_MASK) < o.pointCount;
}

void Report(const CacheBuilder& b, const ModelObject& o, const ModelObject* parent, int lod) {
  int total = 0;
  for (int n : b.counts) total += n;
  if (b.level == 0 || total == 0) return;
  const int number = SubobjectNumber(o, parent);
  char heading[128];
  if (b.level == 1) {
    if (parent)
      std::snprintf(heading, sizeof heading, TEXT_CHECK_HEADING_SUB, lod + 1, number, ObjectLabel(o), parent->name);
    else
      std::snprintf(heading, sizeof heading, TEXT_CHECK_HEADING_MODEL, lod + 1, o.name);
  } else if (parent) {
    std::snprintf(heading, sizeof heading, TEXT_CHECK_OBJECT_SUB, number, ObjectLabel(o));
  } else {
    std::snprintf(heading, sizeof heading, "%s", TEXT_CHECK_OBJECT_MAIN);
  }
  for (const ProblemLine& line : PROBLEM_LINES) {
    const int count = b.counts[line.kind];
    if (count <= 0) continue;
    char text[192];
    std::snprintf(text, sizeof text, count == 1 ? line.one : line.many, heading, count);
    ReportProblemLine(line.kind, number, text);
  }
}

template <typename T>
T* MallocCopy(const std::vector<T>& v) {
  T* copy = static_cast<T*>(std::malloc(sizeof(T) * v.size()));
  std::memcpy(copy, v.data(), sizeof(T) * v.size());
  return copy;
}

}  // namespace

void BuildLodRenderCache(ModelObject& o, const ModelObject* parent, const ModelSkeleton* skeleton, int lod,
                         uint32_t layerMask) {
  if (lod < 0 || lod >= MAX_LOD_COUNT) return;
  CacheBuilder b(o, skeleton, ModelCheckLevel);
  if (b.level != 0 && ModelCheckReport.begin) ModelCheckReport.begin(o, parent);
  b.head.assign(size_t(o.pointCount) * 2, -1);

  // The triangles of the level in each group, in index order.  A group beyond the stored
  // count is built too: no triangle is left out for a count not yet brought up to date.
  int groups = std::max<int>(o.groupCount, 1);
  bool doubleSided = false;
  std::vector<int> taken;
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    doubleSided = doubleSided || (tri.flags & TRIANGLE_DOUBLE_SIDED);
    if (tri.lod != lod || !(layerMask >> (tri.layer & 31) & 1) || !CornersInRange(o, tri)) continue;
    taken.push_back(t);
    groups = std::max(groups, tri.group + 1);
  }
  std::vector<int> groupStart(size_t(groups) + 1, 0);
  for (int t : taken) ++groupStart[size_t(o.triangles[t].group) + 1];
  for (int g = 0; g < groups; ++g) groupStart[size_t(g) + 1] += groupStart[size_t(g)];
  std::vector<int> byGroup(taken.size());
  {
    std::vector<int> fill(groupStart.begin(), groupStart.end() - 1);
    for (int t : taken) byGroup[size_t(fill[o.triangles[t].group]++)] = t;
  }

  for (int pass = doubleSided ? 0 : 1; pass < 2; ++pass) {
    const bool backFaces = pass == 0;
    for (int g = 0; g < groups; ++g) {
      b.group = g;
      const size_t firstVertex = b.vertices.size();
      for (int k = groupStart[size_t(g)]; k < groupStart[size_t(g) + 1]; ++k) {
        const int index = byGroup[size_t(k)];
        const ModelTriangle& tri = o.triangles[index];
        if (backFaces && !(tri.flags & TRIANGLE_DOUBLE_SIDED)) continue;
        if (b.Full()) continue;
        uint16_t corners[3] = {tri.corners[0], tri.corners[1], tri.corners[2]};
        if (backFaces) std::swap(corners[1], corners[2]);
        if (corners[0] == corners[1] || corners[1] == corners[2] || corners[0] == corners[2]) {
          int32_t centre[3];
          for (int axis = 0; axis < 3; ++axis) {
            int64_t sum = 0;
            for (uint16_t c : corners) {
              const ModelPoint& p = o.points[c & CORNER_INDEX_MASK];
              const int32_t xyz[3] = {(c & CORNER_MIRRORED) ? NegateStored(p.x) : p.x, p.y, p.z};
              sum += xyz[axis];
            }
            centre[axis] = int32_t(sum / 3);
          }
          b.Count(PROBLEM_DEGENERATE, index, centre);
        }
        b.AddTriangleToCache(index, tri, corners, 0);
        if (tri.flags & TRIANGLE_MIRRORED) b.AddTriangleToCache(index, tri, corners, 1);
      }
      b.FinishGroup(firstVertex);
    }
  }
  Report(b, o, parent, lod);
  if (b.level != 0 && ModelCheckReport.end) ModelCheckReport.end();

  ModelLodCache& cache = o.caches[lod];
  std::free(cache.vertices);
  std::free(cache.triangles);
  std::free(cache.sourcePositions);
  cache = ModelLodCache{};
  cache.state = 1;
  cache.layerMask = layerMask;
  if (b.vertices.empty() || b.triangles.empty()) return;
  cache.vertexCount = int32_t(b.vertices.size());
  cache.triangleCount = int32_t(b.triangles.size());
  cache.vertices = MallocCopy(b.vertices);
  cache.triangles = MallocCopy(b.triangles);
  cache.sourcePositions = MallocCopy(b.sources);
}

// ---- cutout colours ----

void ModelObject::CheckCutoutColours(const ModelObject* parent) {
  for (int i = 0; i < cutoutCount; ++i) {
    const uint8_t* rgb = cutouts[i].material.reflection;
    if (rgb[0] || rgb[1] || rgb[2]) continue;
    char heading[96];
    if (parent)
      std::snprintf(heading, sizeof heading, TEXT_ZERO_COLOUR_SUB, SubobjectNumber(*this, parent),
                    parent->name[0] ? parent->name : TEXT_UNNAMED);
    else
      std::snprintf(heading, sizeof heading, TEXT_ZERO_COLOUR_MODEL, name);
    ShowMessagef(TEXT_ZERO_COLOUR, heading, cutouts[i].name);
  }
  for (int p = 0; p < pointCount; ++p) points[p].flags &= ~(POINT_SELECTED | POINT_HIDDEN);
  for (int t = 0; t < triangleCount; ++t) triangles[t].flags &= ~(TRIANGLE_SELECTED | TRIANGLE_HIDDEN);
  for (int c = 0; c < childCount && children; ++c) children[c].CheckCutoutColours(this);
}
