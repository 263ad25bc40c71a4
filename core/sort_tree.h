// sort_tree.h - a fixed-pool sort tree keyed by a 32-bit value.
#pragma once

constexpr int SHARED_DRAW_TREE_PAYLOAD = 24;  // bytes of payload per node of the draw tree

struct SortTree {
  int capacity = 0;
  int buckets = 0;
  int shift = 0;
  int payloadSize = 0;
  void Init(int capacity, int buckets, int shift, int payloadSize);
};

extern SortTree SharedDrawTree;
