// stepwise_reduction.cpp - detail reduction: the shortest edge of the selected triangles of one
// level is collapsed again and again, one of its points taking the other's place, until no
// edge below the minimum length is left that the border rules allow.  The candidates are the
// selection's edges, counted by the triangles that share them and kept in the plain scan's
// order; a collapse changes only the edges of the triangles around the removed point.
// Triangles that collapse are set aside and taken out, in order, when the slice ends.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "model/model_object.h"
#include "modeller/operations/stepwise_runs.h"
#include "platform/clock.h"

namespace {

bool Selected(const ModelPoint& p) { return (p.flags & POINT_SELECTED) != 0; }
bool Selected(const ModelTriangle& t) { return (t.flags & TRIANGLE_SELECTED) != 0; }
bool Marked(const ModelPoint& p) { return p.work == BORDER_MARK; }
bool Central(const ModelPoint& p) { return (p.flags & POINT_CENTRAL) != 0; }
bool Degenerate(const ModelTriangle& t) {
  const uint16_t* c = t.corners;
  return c[0] == c[1] || c[1] == c[2] || c[0] == c[2];
}

// The border rules: a pair of two border points never collapses, nor one that would take a
// fixed point off the centre plane.
bool SkipPair(const ModelPoint& i, const ModelPoint& j) {
  if (Marked(i) && Marked(j)) return true;
  if (Marked(i)) return Central(j) && !Central(i);
  return Marked(j) && Central(i) && !Central(j);
}

// The selected triangles that use a point: how many, and whether they share one mapping and
// one group (class 1), differ (2) or there are none (0).
struct UseSummary {
  int count = 0, kind = 0;
  int look = -1;  // the mapping and the group of the first (group << 8 | mapping)
  static int LookOf(const ModelTriangle& t) { return t.group << 8 | t.mapping; }
  void Add(int triangleLook) {
    if (++count == 1)
      kind = 1, look = triangleLook;
    else if (triangleLook != look)
      kind = 2;
  }
};

// Which point of the edge (a < b) goes: never a border point, never the only fixed one, else
// the one with fewer or plainer triangles.
template <class Summary>
int ChooseRemoved(const ModelObject& o, int a, int b, Summary summary) {
  const ModelPoint& pa = o.points[a];
  const ModelPoint& pb = o.points[b];
  if (!Marked(pa) && Marked(pb)) return a;
  if (Marked(pa)) return b;
  if (Central(pa) != Central(pb)) return Central(pa) ? b : a;
  const UseSummary ua = summary(a), ub = summary(b);
  if (ua.kind == ub.kind) return ub.count <= ua.count ? b : a;
  return ub.kind == 2 ? a : b;
}

void RotateToSmallest(ModelTriangle& t) {
  auto key = [](uint16_t c) { return int(c & CORNER_INDEX_MASK) * 2 + ((c & CORNER_MIRRORED) ? 1 : 0); };
  uint16_t* c = t.corners;
  int first = 0;
  for (int k = 1; k < 3; ++k)
    if (key(c[k]) < key(c[first])) first = k;
  std::rotate(c, c + first, c + 3);
}

bool SliceOver(uint32_t start) { return ClockNowMs() - start >= SLICE_MS; }

// The distinct pairs of point indices a triangle's corners make (at most three).
int TrianglePairs(const ModelObject& o, const ModelTriangle& t, int pairs[3][2]) {
  int n = 0;
  for (int k = 0; k < 3; ++k) {
    const int x = t.corners[k] & CORNER_INDEX_MASK, y = t.corners[(k + 1) % 3] & CORNER_INDEX_MASK;
    if (x == y || x >= o.pointCount || y >= o.pointCount) continue;
    const int lo = std::min(x, y), hi = std::max(x, y);
    bool again = false;
    for (int i = 0; i < n; ++i) again = again || (pairs[i][0] == lo && pairs[i][1] == hi);
    if (!again) pairs[n][0] = lo, pairs[n][1] = hi, ++n;
  }
  return n;
}

// The selection's edges, each kept with its lower point: the higher point, how many selected
// triangles have the edge, and whether it is a candidate now.  A point has a handful.
struct EdgeState {
  int32_t higher;
  uint16_t count;  // a triangle counts once: at most the 65535 triangles of an object
  uint8_t candidate;
};

// Short lists, one for each point, in one block: a list lies whole in the block (moved to its
// end when it outgrows its room), so that a point's entries are read from one place.  A
// pointer into the block holds until the next Add.  Its storage is kept for the next Reset.
template <class T>
class PointLists {
 public:
  // Empty lists with the room given for each point.
  void Reset(const std::vector<int32_t>& room) {
    lists_.resize(room.size());
    uint32_t total = 0;
    for (size_t p = 0; p < room.size(); ++p) {
      lists_[p] = List{total, 0, uint32_t(room[p])};
      total += uint32_t(room[p]);
    }
    block_.reserve(size_t(total) * 2);
    block_.resize(total);
  }
  int Size(int p) const { return int(lists_[size_t(p)].size); }
  T* Items(int p) { return block_.data() + lists_[size_t(p)].at; }
  T& Add(int p, const T& item) {
    List& list = lists_[size_t(p)];
    if (list.size == list.room) {
      const uint32_t moved = uint32_t(block_.size());
      list.room = list.room * 2 + 2;
      block_.resize(size_t(moved) + list.room);
      std::copy_n(block_.begin() + std::ptrdiff_t(list.at), list.size, block_.begin() + std::ptrdiff_t(moved));
      list.at = moved;
    }
    T& made = block_[list.at + list.size++];
    made = item;
    return made;
  }
  // The last item takes the place of item i.
  void Remove(int p, int i) {
    List& list = lists_[size_t(p)];
    T* items = block_.data() + list.at;
    items[i] = items[--list.size];
  }

 private:
  struct List {
    uint32_t at, size, room;
  };
  std::vector<T> block_;
  std::vector<List> lists_;
};

// The edges, each kept in the list of its lower point.  Edges that no triangle has and that
// are no candidate carry nothing: they are dropped on the way.
class EdgeTable {
 public:
  void Reset(int points, std::vector<int32_t>& room) {
    room.assign(size_t(points), 6);
    lists_.Reset(room);
  }
  // The edge (a < b), made when new; the reference holds until the next edge is made.
  EdgeState& At(int a, int b) {
    EdgeState* items = lists_.Items(a);
    for (int i = 0; i < lists_.Size(a);) {
      EdgeState& e = items[i];
      if (e.higher == b) return e;
      if (e.count == 0 && !e.candidate)
        lists_.Remove(a, i);
      else
        ++i;
    }
    return lists_.Add(a, EdgeState{b, 0, 0});
  }

 private:
  PointLists<EdgeState> lists_;
};

// Keys in rising order: a radix sort by 11-bit digits.
void SortKeys(std::vector<uint64_t>& keys, std::vector<uint64_t>& spare) {
  constexpr int BITS = 11, DIGITS = 1 << BITS;
  spare.resize(keys.size());
  std::vector<size_t> counts(DIGITS + 1);
  for (int shift = 0; shift < 64; shift += BITS) {
    std::fill(counts.begin(), counts.end(), 0);
    for (const uint64_t k : keys) ++counts[(k >> shift & (DIGITS - 1)) + 1];
    if (counts[1] == keys.size()) continue;  // every key has this digit 0
    for (int d = 0; d < DIGITS; ++d) counts[size_t(d) + 1] += counts[size_t(d)];
    for (const uint64_t k : keys) spare[counts[k >> shift & (DIGITS - 1)]++] = k;
    keys.swap(spare);
  }
}

// A candidate as one number in the plain scan's order: the squared distance's bits (a float
// that is not negative orders as its bits do), then the lower and the higher index (15 bits
// each).
uint64_t CandidateKey(float d, int a, int b) {
  uint32_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return uint64_t(bits) << 30 | uint64_t(a) << 15 | uint64_t(b);
}
int KeyLower(uint64_t key) { return int(key >> 15 & CORNER_INDEX_MASK); }
int KeyHigher(uint64_t key) { return int(key & CORNER_INDEX_MASK); }

// The work's storage, kept from one slice to the next so that a slice does not start by
// asking the system for fresh pages.  Main thread only.
struct ReductionStorage {
  std::vector<uint32_t> triangleState;
  PointLists<int32_t> uses;
  EdgeTable edges;
  std::vector<uint64_t> sorted, heap, spare;
  std::vector<int32_t> moving, room;
};
ReductionStorage& KeptStorage() {
  static ReductionStorage storage;
  return storage;
}

struct ReductionWork {
  ModelObject& o;
  int level;
  float limit;
  // What the collapses read of each triangle, packed small: whether it is still there, selected
  // and of the level, its mapping (bits 0..7) and group (8..15).
  static constexpr uint32_t ALIVE = 1u << 31, CHOSEN = 1u << 30, OF_LEVEL = 1u << 29, LOOK = 0xFFFF;
  std::vector<uint32_t>& triangleState;
  PointLists<int32_t>& uses;  // the triangles that use each point (collapsed ones dropped lazily)
  EdgeTable& edges;
  // The candidates in the plain scan's order: those of the slice's start sorted, those that
  // became candidates since in a heap with the least on top.  Entries of edges that stopped
  // being candidates are dropped when they come first.
  std::vector<uint64_t>& sorted;
  size_t next = 0;
  std::vector<uint64_t>& heap;
  int32_t candidates = 0;
  bool normalised = false;
  std::vector<int32_t>& moving;
  // The points whose lists the choice of this collapse pruned (the two of the edge).
  int summarised[2] = {-1, -1};
  int summarisedCount = 0;
  bool Pruned(int p) const { return summarised[0] == p || summarised[1] == p; }

  static bool Later(uint64_t x, uint64_t y) { return y < x; }

  ReductionWork(ModelObject& object, int lod, float minimum)
      : o(object), level(lod), limit(minimum * minimum), triangleState(KeptStorage().triangleState),
        uses(KeptStorage().uses), edges(KeptStorage().edges), sorted(KeptStorage().sorted), heap(KeptStorage().heap),
        moving(KeptStorage().moving) {
    ReductionStorage& storage = KeptStorage();
    triangleState.resize(size_t(o.triangleCount));
    UseRoom(o, storage.room);
    uses.Reset(storage.room);
    edges.Reset(o.pointCount, storage.room);
    heap.clear();
    for (int t = 0; t < o.triangleCount; ++t) {
      const ModelTriangle& tri = o.triangles[t];
      triangleState[size_t(t)] = ALIVE | (Selected(tri) ? CHOSEN : 0) | (tri.lod == level ? OF_LEVEL : 0) |
                                 uint32_t(tri.group) << 8 | tri.mapping;
    }
    for (int t = 0; t < o.triangleCount; ++t) {
      Use(t);
      if (Selected(o.triangles[t])) Edges(t, +1, false);
    }
    sorted.swap(heap);
    heap.clear();
    SortKeys(sorted, storage.spare);
  }

  // Each point's list has room for its corners and a few more.
  static void UseRoom(const ModelObject& o, std::vector<int32_t>& room) {
    room.assign(size_t(o.pointCount), 4);
    for (int t = 0; t < o.triangleCount; ++t)
      for (uint16_t c : o.triangles[t].corners)
        if ((c & CORNER_INDEX_MASK) < o.pointCount) ++room[c & CORNER_INDEX_MASK];
  }

  // The triangle joins the lists of its points (once for a point it uses twice).
  void Use(int t) {
    const uint16_t* c = o.triangles[t].corners;
    for (int k = 0; k < 3; ++k) {
      const int p = c[k] & CORNER_INDEX_MASK;
      const bool again = (k > 0 && (c[0] & CORNER_INDEX_MASK) == p) || (k > 1 && (c[1] & CORNER_INDEX_MASK) == p);
      if (p < o.pointCount && !again) uses.Add(p, t);
    }
  }

  bool Qualifies(int a, int b, float& d) const {
    const ModelPoint& pa = o.points[a];
    const ModelPoint& pb = o.points[b];
    if (!Selected(pa) || !Selected(pb) || SkipPair(pa, pb)) return false;
    d = PairDistance2(pa, pb);
    return d < limit;
  }

  // The edge is a candidate while a selected triangle has it and it qualifies.
  void Update(EdgeState& e, int a, int b, bool push) {
    float d = 0.0f;
    const bool should = e.count > 0 && Qualifies(a, b, d);
    if (should == (e.candidate != 0)) return;
    e.candidate = should;
    if (!should) {
      --candidates;
      return;
    }
    ++candidates;
    heap.push_back(CandidateKey(d, a, b));
    if (push) std::push_heap(heap.begin(), heap.end(), Later);
  }

  // The triangle's edges counted in (+1) or out (-1).
  void Edges(int t, int change, bool push = true) {
    int pairs[3][2];
    const int n = TrianglePairs(o, o.triangles[t], pairs);
    for (int i = 0; i < n; ++i) {
      EdgeState& e = edges.At(pairs[i][0], pairs[i][1]);
      e.count = uint16_t(e.count + change);
      Update(e, pairs[i][0], pairs[i][1], push);
    }
  }

  bool StillCandidate(uint64_t key) { return edges.At(KeyLower(key), KeyHigher(key)).candidate != 0; }

  // The least candidate's points (a < b); 0 when there is none.
  int Best(int& a, int& b) {
    while (next < sorted.size() && !StillCandidate(sorted[next])) ++next;
    while (!heap.empty() && !StillCandidate(heap.front())) {
      std::pop_heap(heap.begin(), heap.end(), Later);
      heap.pop_back();
    }
    uint64_t best;
    if (next < sorted.size())
      best = heap.empty() || sorted[next] < heap.front() ? sorted[next] : heap.front();
    else if (!heap.empty())
      best = heap.front();
    else
      return 0;
    a = KeyLower(best), b = KeyHigher(best);
    return 1;
  }

  // The collapsed triangles dropped from the point's list.
  void Prune(int p) {
    const int32_t* items = uses.Items(p);
    for (int i = 0; i < uses.Size(p);) {
      if (triangleState[size_t(items[i])] & ALIVE)
        ++i;
      else
        uses.Remove(p, i);
    }
  }

  UseSummary Summary(int p) {
    Prune(p);
    summarised[summarisedCount++ & 1] = p;
    UseSummary u;
    const int32_t* items = uses.Items(p);
    for (int i = 0; i < uses.Size(p); ++i) {
      const uint32_t state = triangleState[size_t(items[i])];
      if (state & CHOSEN) u.Add(int(state & LOOK));
    }
    return u;
  }

  // The whole array as the plain scan leaves it after its first collapse: collapsed triangles
  // out, every other one starting at its smallest corner.
  void NormaliseAll() {
    normalised = true;
    for (int t = 0; t < o.triangleCount; ++t) {
      if (!(triangleState[size_t(t)] & ALIVE)) continue;
      if (Degenerate(o.triangles[t])) {
        if (Selected(o.triangles[t])) Edges(t, -1);
        triangleState[size_t(t)] &= ~ALIVE;
      } else {
        RotateToSmallest(o.triangles[t]);
      }
    }
  }

  // The edge's count changed (or not, 0), and whether it is a candidate now.
  void Touch(int a, int b, int change) {
    EdgeState& e = edges.At(a, b);
    e.count = uint16_t(e.count + change);
    Update(e, a, b, true);
  }

  static bool HasPair(const int pairs[3][2], int n, int a, int b) {
    for (int i = 0; i < n; ++i)
      if (pairs[i][0] == a && pairs[i][1] == b) return true;
    return false;
  }

  void Collapse(int removed, int kept) {
    // Once it is no longer selected its edges stop being candidates: those of other levels'
    // triangles are looked at again; the level's own lose them below.
    o.points[removed].flags &= uint8_t(~POINT_SELECTED);
    if (!Pruned(removed)) Prune(removed);
    for (int i = 0; i < uses.Size(removed); ++i) {
      const int32_t t = uses.Items(removed)[i];
      if ((triangleState[size_t(t)] & (CHOSEN | OF_LEVEL)) != CHOSEN) continue;
      int pairs[3][2];
      const int n = TrianglePairs(o, o.triangles[t], pairs);
      for (int k = 0; k < n; ++k) Touch(pairs[k][0], pairs[k][1], 0);
    }
    // The level's triangles on it move to the kept point.
    moving.clear();
    for (int i = 0; i < uses.Size(removed);) {
      const int32_t t = uses.Items(removed)[i];
      if (triangleState[size_t(t)] & OF_LEVEL) {
        moving.push_back(t);
        uses.Remove(removed, i);
      } else {
        ++i;
      }
    }
    for (const int32_t t : moving) {
      ModelTriangle& tri = o.triangles[t];
      const bool selected = (triangleState[size_t(t)] & CHOSEN) != 0;
      int before[3][2], after[3][2];
      const int beforeCount = selected ? TrianglePairs(o, tri, before) : 0;
      bool hadKept = false;  // then it is in the kept point's list already
      for (uint16_t c : tri.corners) hadKept = hadKept || (c & CORNER_INDEX_MASK) == kept;
      for (uint16_t& c : tri.corners)
        if ((c & CORNER_INDEX_MASK) == removed) c = uint16_t((c & ~CORNER_INDEX_MASK) | kept);
      int afterCount = 0;
      if (Degenerate(tri)) {
        triangleState[size_t(t)] &= ~ALIVE;
      } else {
        RotateToSmallest(tri);
        if (!hadKept) uses.Add(kept, t);
        if (selected) afterCount = TrianglePairs(o, tri, after);
      }
      // Only the edges the triangle lost or gained change their counts.
      for (int i = 0; i < beforeCount; ++i)
        if (!HasPair(after, afterCount, before[i][0], before[i][1])) Touch(before[i][0], before[i][1], -1);
      for (int i = 0; i < afterCount; ++i)
        if (!HasPair(before, beforeCount, after[i][0], after[i][1])) Touch(after[i][0], after[i][1], +1);
    }
    summarised[0] = summarised[1] = -1;
    if (!normalised) NormaliseAll();
  }

  // The collapsed triangles taken out; the others keep their order.
  void Compact() {
    int kept = 0;
    for (int t = 0; t < o.triangleCount; ++t)
      if (triangleState[size_t(t)] & ALIVE) o.triangles[kept++] = o.triangles[t];
    o.triangleCount = uint16_t(kept);
  }
};

bool EdgeOfSelection(const ModelObject& o, int a, int b) {
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (!Selected(tri)) continue;
    bool hasA = false, hasB = false;
    for (uint16_t c : tri.corners) {
      hasA = hasA || (c & CORNER_INDEX_MASK) == a;
      hasB = hasB || (c & CORNER_INDEX_MASK) == b;
    }
    if (hasA && hasB) return true;
  }
  return false;
}

UseSummary PlainSummary(const ModelObject& o, int p) {
  UseSummary u;
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (!Selected(tri)) continue;
    for (uint16_t c : tri.corners)
      if ((c & CORNER_INDEX_MASK) == p) {
        u.Add(UseSummary::LookOf(tri));
        break;
      }
  }
  return u;
}

}  // namespace

void MarkBorderPoints(ModelObject& o, int level) {
  for (int p = 0; p < o.pointCount; ++p) o.points[p].work = 0;
  for (int t = 0; t < o.triangleCount; ++t) {
    const ModelTriangle& tri = o.triangles[t];
    if (Selected(tri) || tri.lod != level) continue;
    for (uint16_t c : tri.corners)
      if ((c & CORNER_INDEX_MASK) < o.pointCount) o.points[c & CORNER_INDEX_MASK].work = BORDER_MARK;
  }
}

int FindShortestEdge(const ModelObject& o, float minimum, int& a, int& b, int32_t& candidates) {
  return FindClosestSelectedPair(
      o, minimum,
      [](const ModelObject& object, int i, int j) {
        return !SkipPair(object.points[i], object.points[j]) && EdgeOfSelection(object, i, j);
      },
      a, b, candidates);
}

int DetailReductionSlicePlain(ModelObject& o, int level, float minimum, StepwiseCounts& counts,
                              FirstChangeCallback first, void* context) {
  MarkBorderPoints(o, level);
  const uint32_t start = ClockNowMs();
  for (;;) {
    int a = 0, b = 0;
    if (!FindShortestEdge(o, minimum, a, b, counts.candidates)) return 1;
    if (counts.done == 0 && first) first(context);
    ++counts.done;
    const int removed = ChooseRemoved(o, a, b, [&o](int p) { return PlainSummary(o, p); });
    const int kept = removed == a ? b : a;
    o.ReplacePointIndexInLevel(removed, kept, level);
    o.points[removed].flags &= uint8_t(~POINT_SELECTED);
    o.NormaliseTriangles();
    if (SliceOver(start)) return 0;
  }
}

int DetailReductionSlice(ModelObject& o, int level, float minimum, StepwiseCounts& counts, FirstChangeCallback first,
                         void* context) {
  MarkBorderPoints(o, level);
  const uint32_t start = ClockNowMs();
  ReductionWork work(o, level, minimum);
  int finished = 0;
  for (;;) {
    counts.candidates = work.candidates;
    int a = 0, b = 0;
    if (!work.Best(a, b)) {
      finished = 1;
      break;
    }
    if (counts.done == 0 && first) first(context);
    ++counts.done;
    const int removed = ChooseRemoved(o, a, b, [&work](int p) { return work.Summary(p); });
    work.Collapse(removed, removed == a ? b : a);
    if (SliceOver(start)) break;
  }
  work.Compact();
  return finished;
}
