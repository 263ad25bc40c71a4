// model_smoothing.cpp - smoothing groups: each connected region of one group takes the
// lowest number its neighbours leave free, and levels without groups first get one group
// per edge-connected surface.
//
// The working group of a triangle is kept in the low 16 bits of its work word, so that it
// follows the triangle when duplicate points are merged between the two steps.  Regions are
// found by walking from point to triangles (and from edge to triangles) rather than by
// repeated passes over the triangle list: the regions are the same, found in linear time.
// Each edge's list of triangles is walked once whatever the input: after one walk every
// triangle on it has its group, and a fan over one repeated corner puts thousands on one edge.
#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "model/model_object.h"
#include "text/messages.h"

namespace {

uint16_t WorkingGroup(const ModelTriangle& t) { return static_cast<uint16_t>(t.work & 0xFFFF); }
void SetWorkingGroup(ModelTriangle& t, int group) { t.work = (t.work & ~0xFFFFu) | static_cast<uint16_t>(group); }

bool InLod(const ModelTriangle& t, int lod) { return t.lod == lod; }

// The triangles of the level at each point, in index order.
struct PointTriangles {
  std::vector<int> first;  // per point: start in list, end at first[p + 1]
  std::vector<int> list;
  PointTriangles(const ModelObject& o, int lod) : first(o.pointCount + 1, 0) {
    for (int t = 0; t < o.triangleCount; ++t)
      if (InLod(o.triangles[t], lod))
        for (uint16_t c : o.triangles[t].corners)
          if ((c & CORNER_INDEX_MASK) < o.pointCount) ++first[(c & CORNER_INDEX_MASK) + 1];
    for (int p = 0; p < o.pointCount; ++p) first[p + 1] += first[p];
    list.resize(first[o.pointCount]);
    std::vector<int> fill(first.begin(), first.end() - 1);
    for (int t = 0; t < o.triangleCount; ++t)
      if (InLod(o.triangles[t], lod))
        for (uint16_t c : o.triangles[t].corners)
          if ((c & CORNER_INDEX_MASK) < o.pointCount) list[fill[c & CORNER_INDEX_MASK]++] = t;
  }
};

void ClearSelection(ModelObject& o) {
  for (int p = 0; p < o.pointCount; ++p) o.points[p].flags &= ~POINT_SELECTED;
  for (int t = 0; t < o.triangleCount; ++t) o.triangles[t].flags &= ~(TRIANGLE_MARK | TRIANGLE_SELECTED);
}

// Finds the start triangle's region (triangles still to visit, of its working group, joined
// by shared points) and gives it its new number.  toVisit is cleared for the region.
struct RegionWork {
  std::vector<uint8_t> toVisit;      // per triangle: of the level and not yet in a region
  std::vector<uint8_t> inRegion;     // per triangle
  std::vector<uint8_t> pointMarked;  // per point
  std::vector<int> region;
};

void RenumberSmoothingRegion(ModelObject& o, int start, const PointTriangles& at, RegionWork& w) {
  std::vector<uint8_t>& toVisit = w.toVisit;
  std::vector<uint8_t>& pointMarked = w.pointMarked;
  std::vector<int>& region = w.region;
  const int g = WorkingGroup(o.triangles[start]);
  region.clear();
  region.push_back(start);
  toVisit[start] = 0;
  w.inRegion[start] = 1;
  std::vector<int> markedPoints;
  for (size_t next = 0; next < region.size(); ++next) {
    for (uint16_t c : o.triangles[region[next]].corners) {
      const int p = c & CORNER_INDEX_MASK;
      if (p >= o.pointCount || pointMarked[p]) continue;
      pointMarked[p] = 1;
      markedPoints.push_back(p);
      for (int k = at.first[p]; k < at.first[p + 1]; ++k) {
        const int t = at.list[k];
        if (!toVisit[t] || WorkingGroup(o.triangles[t]) != g) continue;
        toVisit[t] = 0;
        w.inRegion[t] = 1;
        region.push_back(t);
      }
    }
  }
  if (g != 0) {
    // The groups of the other regions touching this one.
    bool noted[MAX_SMOOTHING_GROUPS] = {};
    for (int p : markedPoints)
      for (int k = at.first[p]; k < at.first[p + 1]; ++k) {
        const int t = at.list[k];
        const int group = WorkingGroup(o.triangles[t]);
        if (!w.inRegion[t] && group < MAX_SMOOTHING_GROUPS) noted[group] = true;
      }
    int chosen = -1;
    for (int n = 0; n < std::min(g, MAX_SMOOTHING_GROUPS) && chosen < 0; ++n)
      if (!noted[n]) chosen = n;
    if (chosen < 0) {
      chosen = g;
      if (g >= MAX_SMOOTHING_GROUPS) {
        ShowMessage(TEXT_OUT_OF_SMOOTHING_GROUPS, TextColours.grey);
        chosen = 0;
      }
    }
    for (int t : region) SetWorkingGroup(o.triangles[t], chosen);
  }
  for (int t : region) w.inRegion[t] = 0;
  for (int p : markedPoints) pointMarked[p] = 0;
}

void SetGroupCount(ModelObject& o) {
  int largest = 0;
  for (int t = 0; t < o.triangleCount; ++t) largest = std::max<int>(largest, o.triangles[t].group);
  o.groupCount = static_cast<uint16_t>(largest + 1);
}

// A directed edge as stored: its two full corner references.
uint32_t EdgeKey(uint16_t from, uint16_t to) { return uint32_t(from) << 16 | to; }

// The triangles of a level by the directed edges they walk, each edge's list in triangle order.
struct EdgeLists {
  std::unordered_map<uint32_t, int> listOf;  // edge key -> its list
  std::vector<int> first;                    // per list: start in triangles, end at first[list + 1]
  std::vector<int> triangles;
  std::vector<uint8_t> walked;               // per list

  EdgeLists(const ModelObject& o, int lod) {
    listOf.reserve(size_t(o.triangleCount) * 3);
    std::vector<int> count;
    for (int t = 0; t < o.triangleCount; ++t) {
      if (!InLod(o.triangles[t], lod)) continue;
      const uint16_t* c = o.triangles[t].corners;
      for (int k = 0; k < 3; ++k) {
        const auto [at, added] = listOf.try_emplace(EdgeKey(c[k], c[(k + 1) % 3]), int(count.size()));
        if (added) count.push_back(0);
        ++count[size_t(at->second)];
      }
    }
    first.assign(count.size() + 1, 0);
    for (size_t list = 0; list < count.size(); ++list) first[list + 1] = first[list] + count[list];
    triangles.resize(size_t(first.back()));
    std::vector<int> fill(first.begin(), first.end() - 1);
    for (int t = 0; t < o.triangleCount; ++t) {
      if (!InLod(o.triangles[t], lod)) continue;
      const uint16_t* c = o.triangles[t].corners;
      for (int k = 0; k < 3; ++k) triangles[size_t(fill[size_t(listOf[EdgeKey(c[k], c[(k + 1) % 3])])]++)] = t;
    }
    walked.assign(count.size(), 0);
  }
};

// Grows the start triangle's surface across edges walked the other way by a neighbour.
void FloodGroupByEdges(ModelObject& o, int start, int group, EdgeLists& edges, std::vector<uint8_t>& toVisit) {
  std::vector<int> surface{start};
  toVisit[start] = 0;
  SetWorkingGroup(o.triangles[start], group);
  for (size_t next = 0; next < surface.size(); ++next) {
    const uint16_t* c = o.triangles[surface[next]].corners;
    for (int k = 0; k < 3; ++k) {
      const auto found = edges.listOf.find(EdgeKey(c[(k + 1) % 3], c[k]));
      if (found == edges.listOf.end() || edges.walked[size_t(found->second)]) continue;
      const int list = found->second;
      edges.walked[size_t(list)] = 1;
      for (int i = edges.first[size_t(list)]; i < edges.first[size_t(list) + 1]; ++i) {
        const int t = edges.triangles[size_t(i)];
        if (!toVisit[t]) continue;
        toVisit[t] = 0;
        SetWorkingGroup(o.triangles[t], group);
        surface.push_back(t);
      }
    }
  }
}

}  // namespace

void AssignSmoothingGroups(ModelObject& o, int lod) {
  RegionWork w;
  w.toVisit.resize(o.triangleCount);
  w.inRegion.assign(o.triangleCount, 0);
  w.pointMarked.assign(o.pointCount, 0);
  for (int t = 0; t < o.triangleCount; ++t) w.toVisit[t] = InLod(o.triangles[t], lod);
  const PointTriangles at(o, lod);
  for (int t = 0; t < o.triangleCount; ++t)
    if (w.toVisit[t]) RenumberSmoothingRegion(o, t, at, w);
  for (int t = 0; t < o.triangleCount; ++t) {
    ModelTriangle& tri = o.triangles[t];
    if (!InLod(tri, lod)) continue;
    tri.group = static_cast<uint8_t>(WorkingGroup(tri) & 0xFF);
    SetWorkingGroup(tri, 0);
  }
  ClearSelection(o);
}

int LodHasNoSmoothingGroups(const ModelObject& o, int lod) {
  if (o.triangleCount == 0) return 0;
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (!InLod(tri, lod)) continue;
    if (tri.group != 0 || ((tri.corners[0] | tri.corners[1] | tri.corners[2]) & CORNER_MIRRORED)) return 0;
  }
  return 1;
}

void AssignGroupsByEdges(ModelObject& o, int lod) {
  EdgeLists edges(o, lod);
  std::vector<uint8_t> toVisit(o.triangleCount, 1);
  int group = 0;
  for (int t = 0; t < o.triangleCount; ++t)
    if (InLod(o.triangles[t], lod) && toVisit[t]) FloodGroupByEdges(o, t, group++, edges, toVisit);
  ClearSelection(o);
}

void ModelObject::AssignAllSmoothingGroups() {
  for (int t = 0; t < triangleCount; ++t) SetWorkingGroup(triangles[t], triangles[t].group);
  for (int lod = 0; lod < lodCount; ++lod) AssignSmoothingGroups(*this, lod);
  SetGroupCount(*this);
  for (int c = 0; c < childCount && children; ++c) children[c].AssignAllSmoothingGroups();
}

void ModelObject::AssignMissingSmoothingGroups() {
  bool missing[256] = {};
  bool any = false;
  for (int lod = 0; lod < lodCount; ++lod)
    if (LodHasNoSmoothingGroups(*this, lod)) {
      AssignGroupsByEdges(*this, lod);
      missing[lod] = any = true;
    }
  if (any) {
    MergeDuplicatePoints();
    for (int lod = 0; lod < lodCount; ++lod)
      if (missing[lod]) AssignSmoothingGroups(*this, lod);
  }
  SetGroupCount(*this);
  for (int c = 0; c < childCount && children; ++c) children[c].AssignMissingSmoothingGroups();
}
