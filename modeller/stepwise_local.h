// stepwise_local.h - what the merge by distance and the detail reduction share: the priority
// order of their candidate pairs and the corner lists of the points.  Tests and benchmarks may
// include it; other subsystems may not.
#pragma once
#include <cstdint>
#include <vector>

#include "modeller/model/model_object.h"

// A candidate pair in the order the plain scans take them: the shortest first, then the lower
// index, then the higher.
struct PairKey {
  float distance2;
  int32_t a, b;  // a < b
  bool operator<(const PairKey& o) const {
    if (distance2 != o.distance2) return distance2 < o.distance2;
    if (a != o.a) return a < o.a;
    return b < o.b;
  }
};

// Every triangle corner of the object, listed by the point it names (a corner is
// triangle * 3 + k), so that a point's corners are renamed without a pass over the triangles.
struct CornerLists {
  std::vector<int32_t> head, tail, next;
  void Build(const ModelObject& object);
  // Every corner of from names to (keeping its reflection bit) and joins to's list.
  void MoveAll(ModelObject& object, int from, int to);
};
