// model_smoothing.cpp - smoothing groups: each connected region of one group takes the
// lowest number its neighbours leave free, and levels without groups first get one group
// per edge-connected surface.
//
// The working group of a triangle is kept in the low 16 bits of its work word, so that it
// follows the triangle when duplicate points are merged between the two steps.  Regions and
// surfaces are found through lists of triangles by point and group (by edge for surfaces),
// each list walked once, and the numbers in use round a region are counted per point: the
// results are those of repeated passes over the triangle list, found in linear time whatever
// the input (a fan over one repeated corner puts thousands of triangles on one edge, and
// thousands of separate surfaces can meet at one point).
#include <algorithm>
#include <vector>

#include "model/model_object.h"
#include "text/messages.h"

namespace {

uint16_t WorkingGroup(const ModelTriangle& t) { return static_cast<uint16_t>(t.work & 0xFFFF); }
void SetWorkingGroup(ModelTriangle& t, int group) { t.work = (t.work & ~0xFFFFu) | static_cast<uint16_t>(group); }

bool InLod(const ModelTriangle& t, int lod) { return t.lod == lod; }

// Lists of the triangles of a level, each in triangle order, that all join the surface or
// region that first reaches them: each list is walked once ("walked"), so a thousand
// triangles on one edge or round one point cost a thousand steps, not a million.
struct TriangleLists {
  std::vector<int> listAt;     // per corner (triangle x 3 + k): its list, -1 for none
  std::vector<int> first;      // per list: start in triangles, end at first[list + 1]
  std::vector<int> triangles;
  std::vector<uint8_t> walked;  // per list

  // Fills the lists from listAt, whose lists are numbered 0 to count - 1.
  void Gather(int count) {
    first.assign(size_t(count) + 1, 0);
    for (int list : listAt)
      if (list >= 0) ++first[size_t(list) + 1];
    for (size_t list = 0; list < size_t(count); ++list) first[list + 1] += first[list];
    triangles.resize(size_t(first.back()));
    // Each list filled from its start, which moves on to the next list's; moved back after.
    for (size_t corner = 0; corner < listAt.size(); ++corner)
      if (listAt[corner] >= 0) triangles[size_t(first[size_t(listAt[corner])]++)] = int(corner / 3);
    for (size_t list = size_t(count); list > 0; --list) first[list] = first[list - 1];
    first[0] = 0;
    walked.assign(size_t(count), 0);
  }

  // The list when it is one (not -1) and not walked yet, marked walked; -1 otherwise.
  int TakeList(int list) {
    if (list < 0 || walked[size_t(list)]) return -1;
    walked[size_t(list)] = 1;
    return list;
  }
};

void ClearSelection(ModelObject& o) {
  for (int p = 0; p < o.pointCount; ++p) o.points[p].flags &= ~POINT_SELECTED;
  for (int t = 0; t < o.triangleCount; ++t) o.triangles[t].flags &= ~(TRIANGLE_MARK | TRIANGLE_SELECTED);
}

// The triangles of a level by point and working group: those of one group at one point are
// all in one region.  The corners are taken point by point, and a table by group names the
// list each group has at the point in hand.
TriangleLists PointGroupLists(const ModelObject& o, int lod) {
  TriangleLists lists;
  lists.listAt.assign(size_t(o.triangleCount) * 3, -1);
  std::vector<int> firstAt(size_t(o.pointCount) + 1, 0);  // the level's corners by point
  int groups = 1;
  for (int t = 0; t < o.triangleCount; ++t) {
    if (!InLod(o.triangles[t], lod)) continue;
    groups = std::max(groups, WorkingGroup(o.triangles[t]) + 1);
    for (uint16_t c : o.triangles[t].corners)
      if ((c & CORNER_INDEX_MASK) < o.pointCount) ++firstAt[size_t(c & CORNER_INDEX_MASK) + 1];
  }
  for (size_t p = 0; p < size_t(o.pointCount); ++p) firstAt[p + 1] += firstAt[p];
  std::vector<int> corners(size_t(firstAt.back()));
  // Each point's corners filled from its start, which moves on to the next point's; moved
  // back after.
  for (int t = 0; t < o.triangleCount; ++t)
    if (InLod(o.triangles[t], lod))
      for (int k = 0; k < 3; ++k) {
        const int p = o.triangles[t].corners[k] & CORNER_INDEX_MASK;
        if (p < o.pointCount) corners[size_t(firstAt[size_t(p)]++)] = t * 3 + k;
      }
  for (size_t p = size_t(o.pointCount); p > 0; --p) firstAt[p] = firstAt[p - 1];
  firstAt[0] = 0;
  struct Open {
    int point = -1;  // the point the group's list is open at
    int list = 0;
  };
  std::vector<Open> opened(static_cast<size_t>(groups));  // per working group
  int count = 0;
  for (int p = 0; p < o.pointCount; ++p)
    for (int i = firstAt[size_t(p)]; i < firstAt[size_t(p) + 1]; ++i) {
      const int corner = corners[size_t(i)];
      Open& group = opened[WorkingGroup(o.triangles[corner / 3])];
      if (group.point != p) group.point = p, group.list = count++;
      lists.listAt[size_t(corner)] = group.list;
    }
  lists.Gather(count);
  return lists;
}

struct RegionWork {
  std::vector<uint8_t> toVisit;      // per triangle: of the level and not yet in a region
  std::vector<uint8_t> pointMarked;  // per point
  std::vector<int> markedPoints;
  std::vector<int> region;
  // Per point and number below 24: how many corners of the level's triangles at the point
  // have that working group.  Kept as regions are renumbered, so that the numbers in use
  // round a region are read off its points instead of walking every triangle at them.
  std::vector<uint32_t> groupsAt;
  int ranOut = 0;                    // regions given 0 for want of a free number
};

// Adds add (+1 or -1) to the counts of the triangle's corners under the group, when it is
// one of the counted numbers.
void CountCorners(const ModelObject& o, RegionWork& w, int t, int group, int add) {
  if (group >= MAX_SMOOTHING_GROUPS) return;
  for (uint16_t c : o.triangles[t].corners)
    if ((c & CORNER_INDEX_MASK) < o.pointCount)
      w.groupsAt[size_t(c & CORNER_INDEX_MASK) * MAX_SMOOTHING_GROUPS + size_t(group)] += uint32_t(add);
}

// Finds the start triangle's region (triangles still to visit, of its working group, joined
// by shared points) and gives it its new number.  toVisit is cleared for the region.
void RenumberSmoothingRegion(ModelObject& o, int start, TriangleLists& atPoint, RegionWork& w) {
  const int g = WorkingGroup(o.triangles[start]);
  w.region.assign(1, start);
  w.toVisit[start] = 0;
  for (size_t next = 0; next < w.region.size(); ++next) {
    const int t = w.region[next];
    for (int k = 0; k < 3; ++k) {
      const int p = o.triangles[t].corners[k] & CORNER_INDEX_MASK;
      if (p >= o.pointCount) continue;
      if (!w.pointMarked[p]) w.pointMarked[p] = 1, w.markedPoints.push_back(p);
      const int list = atPoint.TakeList(atPoint.listAt[size_t(t) * 3 + size_t(k)]);
      if (list < 0) continue;
      for (int i = atPoint.first[size_t(list)]; i < atPoint.first[size_t(list) + 1]; ++i) {
        const int joins = atPoint.triangles[size_t(i)];
        if (!w.toVisit[joins]) continue;
        w.toVisit[joins] = 0;
        w.region.push_back(joins);
      }
    }
  }
  if (g != 0) {
    // The groups of the other regions touching this one: what the counts at its points hold
    // once its own corners are taken out (a count is in use when it is not 0; the counts of a
    // point are or-ed whole, which the compiler does many at a time).
    for (int t : w.region) CountCorners(o, w, t, g, -1);
    uint32_t noted[MAX_SMOOTHING_GROUPS] = {};
    for (int p : w.markedPoints) {
      const uint32_t* counts = w.groupsAt.data() + size_t(p) * MAX_SMOOTHING_GROUPS;
      for (int n = 0; n < MAX_SMOOTHING_GROUPS; ++n) noted[n] |= counts[n];
    }
    int chosen = -1;
    for (int n = 0; n < std::min(g, MAX_SMOOTHING_GROUPS) && chosen < 0; ++n)
      if (noted[n] == 0) chosen = n;
    if (chosen < 0) {
      chosen = g;
      if (g >= MAX_SMOOTHING_GROUPS) {
        ++w.ranOut;
        chosen = 0;
      }
    }
    for (int t : w.region) {
      SetWorkingGroup(o.triangles[t], chosen);
      CountCorners(o, w, t, chosen, +1);
    }
  }
  for (int p : w.markedPoints) w.pointMarked[p] = 0;
  w.markedPoints.clear();
}

// Renumbers one level; gives how many regions ran out of numbers.
int RenumberLod(ModelObject& o, int lod) {
  RegionWork w;
  // Regions of group 0 keep it: a level all in group 0 has nothing to renumber.
  bool renumbered = false;
  for (int t = 0; t < o.triangleCount && !renumbered; ++t)
    renumbered = InLod(o.triangles[t], lod) && WorkingGroup(o.triangles[t]) != 0;
  if (renumbered) {
    w.toVisit.resize(o.triangleCount);
    w.pointMarked.assign(o.pointCount, 0);
    w.markedPoints.reserve(o.pointCount);
    w.region.reserve(o.triangleCount);
    w.groupsAt.assign(size_t(o.pointCount) * MAX_SMOOTHING_GROUPS, 0);
    for (int t = 0; t < o.triangleCount; ++t) {
      w.toVisit[t] = InLod(o.triangles[t], lod);
      if (w.toVisit[t]) CountCorners(o, w, t, WorkingGroup(o.triangles[t]), +1);
    }
    TriangleLists atPoint = PointGroupLists(o, lod);
    for (int t = 0; t < o.triangleCount; ++t)
      if (w.toVisit[t]) RenumberSmoothingRegion(o, t, atPoint, w);
  }
  for (int t = 0; t < o.triangleCount; ++t) {
    ModelTriangle& tri = o.triangles[t];
    if (!InLod(tri, lod)) continue;
    tri.group = static_cast<uint8_t>(WorkingGroup(tri) & 0xFF);
    SetWorkingGroup(tri, 0);
  }
  ClearSelection(o);
  return w.ranOut;
}

// A region that runs out is said once per call, however many do: a model can have thousands.
void SayRanOut(int ranOut) {
  if (ranOut > 0) ShowMessage(TEXT_OUT_OF_SMOOTHING_GROUPS, TextColours.grey);
}

void SetGroupCount(ModelObject& o) {
  int largest = 0;
  for (int t = 0; t < o.triangleCount; ++t) largest = std::max<int>(largest, o.triangles[t].group);
  o.groupCount = static_cast<uint16_t>(largest + 1);
}

// A directed edge as stored: its two full corner references.
uint32_t EdgeKey(uint16_t from, uint16_t to) { return uint32_t(from) << 16 | to; }

// The list of each directed edge by its key: open addressing over a power of two of slots,
// made at least twice the edges it will hold.
class EdgeIndex {
 public:
  explicit EdgeIndex(size_t edges) {
    int bits = 4;
    while ((size_t(1) << bits) < edges * 2) ++bits;
    slots_.assign(size_t(1) << bits, Slot{0, -1});
    shift_ = 64 - bits;
  }
  int Count() const { return count_; }
  // The edge's list, -1 when it has none.
  int Find(uint32_t key) const { return slots_[Place(key)].list; }
  // The edge's list, numbered next when it is new.
  int Add(uint32_t key) {
    Slot& slot = slots_[Place(key)];
    if (slot.list < 0) slot = Slot{key, count_++};
    return slot.list;
  }

 private:
  struct Slot {
    uint32_t key;
    int32_t list;  // -1: empty
  };
  std::vector<Slot> slots_;
  int shift_;  // 64 less the bits of a slot number
  int count_ = 0;
  // The key's slot, or the empty one where it would go.
  size_t Place(uint32_t key) const {
    const size_t mask = slots_.size() - 1;
    size_t i = size_t((uint64_t(key) * 0x9E3779B97F4A7C15ull) >> shift_);
    while (slots_[i].list >= 0 && slots_[i].key != key) i = (i + 1) & mask;
    return i;
  }
};

// The triangles of a level by the directed edges they walk; the index finds an edge's list.
TriangleLists EdgeLists(const ModelObject& o, int lod, EdgeIndex& index) {
  TriangleLists lists;
  lists.listAt.assign(size_t(o.triangleCount) * 3, -1);
  for (int t = 0; t < o.triangleCount; ++t) {
    if (!InLod(o.triangles[t], lod)) continue;
    const uint16_t* c = o.triangles[t].corners;
    for (int k = 0; k < 3; ++k) lists.listAt[size_t(t) * 3 + size_t(k)] = index.Add(EdgeKey(c[k], c[(k + 1) % 3]));
  }
  lists.Gather(index.Count());
  return lists;
}

// Grows the start triangle's surface across edges walked the other way by a neighbour; surface
// is the work list.
void FloodGroupByEdges(ModelObject& o, int start, int group, TriangleLists& edges, const EdgeIndex& index,
                       std::vector<uint8_t>& toVisit, std::vector<int>& surface) {
  surface.assign(1, start);
  toVisit[start] = 0;
  SetWorkingGroup(o.triangles[start], group);
  for (size_t next = 0; next < surface.size(); ++next) {
    const uint16_t* c = o.triangles[surface[next]].corners;
    for (int k = 0; k < 3; ++k) {
      const int list = edges.TakeList(index.Find(EdgeKey(c[(k + 1) % 3], c[k])));
      if (list < 0) continue;
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

// The recursive steps of the two object calls; each gives how many regions ran out.
int AssignAllGroupsIn(ModelObject& o) {
  int ranOut = 0;
  for (int t = 0; t < o.triangleCount; ++t) SetWorkingGroup(o.triangles[t], o.triangles[t].group);
  for (int lod = 0; lod < o.lodCount; ++lod) ranOut += RenumberLod(o, lod);
  SetGroupCount(o);
  for (int c = 0; c < o.childCount && o.children; ++c) ranOut += AssignAllGroupsIn(o.children[c]);
  return ranOut;
}

int AssignMissingGroupsIn(ModelObject& o) {
  int ranOut = 0;
  bool missing[256] = {};
  bool any = false;
  for (int lod = 0; lod < o.lodCount; ++lod)
    if (LodHasNoSmoothingGroups(o, lod)) {
      AssignGroupsByEdges(o, lod);
      missing[lod] = any = true;
    }
  if (any) {
    o.MergeDuplicatePoints();
    for (int lod = 0; lod < o.lodCount; ++lod)
      if (missing[lod]) ranOut += RenumberLod(o, lod);
  }
  SetGroupCount(o);
  for (int c = 0; c < o.childCount && o.children; ++c) ranOut += AssignMissingGroupsIn(o.children[c]);
  return ranOut;
}

}  // namespace

void AssignSmoothingGroups(ModelObject& o, int lod) { SayRanOut(RenumberLod(o, lod)); }

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
  EdgeIndex index(size_t(o.triangleCount) * 3);
  TriangleLists edges = EdgeLists(o, lod, index);
  std::vector<uint8_t> toVisit(o.triangleCount, 1);
  std::vector<int> surface;
  surface.reserve(o.triangleCount);
  int group = 0;
  for (int t = 0; t < o.triangleCount; ++t)
    if (InLod(o.triangles[t], lod) && toVisit[t]) FloodGroupByEdges(o, t, group++, edges, index, toVisit, surface);
  ClearSelection(o);
}

void ModelObject::AssignAllSmoothingGroups() { SayRanOut(AssignAllGroupsIn(*this)); }

void ModelObject::AssignMissingSmoothingGroups() { SayRanOut(AssignMissingGroupsIn(*this)); }
