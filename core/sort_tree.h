// sort_tree.h - the sort tree (many small entries per frame, no allocation) and the
// growable index list.
//
// Sections: [Nodes] [SortTree] [Shared draw tree] [Growable list]
//
// Entries come from a fixed pool, are spread into buckets by the high bits of a signed
// 32-bit key (bucket = key >> shift, clamped to the buckets there are, 0 for keys of 0 and
// below), and each bucket holds an unbalanced binary tree.  Walking the buckets in order
// and each tree in order gives every entry in key order, forwards or backwards; equal keys
// come out in insertion order.  The owner empties the tree (Clear) before refilling it;
// nodes are never removed one by one.  The walk's state lives in the tree, so one walk at
// a time.  Not thread-safe.
#pragma once
#include <cstdint>

// ---- [Nodes] ----
// What the record orders compare: the owner's list entry gives two 32-bit sort fields and
// a name (see SortTree::InsertRecord).
struct SortRecordKeys {
  uint32_t first;
  uint32_t second;
  const char* name;
};

struct SortNode {
  union {
    int32_t key;                   // key trees
    const SortRecordKeys* record;  // record trees
  };
  SortNode* parent;
  SortNode* left;
  SortNode* right;
  // the caller's payload follows, aligned as this header is
};

// The node size for a payload: the header (whose size depends on the pointer width) plus
// the payload rounded up to the header's alignment.
constexpr uint32_t SortNodeSize(uint32_t payloadSize) {
  const uint32_t align = alignof(SortNode);
  return static_cast<uint32_t>(sizeof(SortNode)) + (payloadSize + align - 1) / align * align;
}
inline void* SortNodePayload(SortNode* node) { return reinterpret_cast<uint8_t*>(node) + sizeof(SortNode); }

enum SortRecordOrder {
  SORT_RECORD_FIRST_FIELD = 0,   // first field, unsigned, greater first
  SORT_RECORD_NAME = 1,          // name, byte by byte, smaller first
  SORT_RECORD_SECOND_FIELD = 2,  // second field, unsigned, greater first
};

// ---- [SortTree] ----
struct SortTree {
  uint32_t capacity;    // nodes in the pool
  uint32_t buckets;     // 0: one single tree
  uint32_t shift;       // a key's bucket is key >> shift (arithmetic)
  uint32_t nodeSize;    // bytes per node, header included
  uint32_t used;        // nodes taken from the pool
  uint32_t overflow;    // inserts refused because the pool was full
  SortNode** bucketRoots;  // one root per bucket; null without buckets
  uint8_t* pool;           // capacity * nodeSize bytes
  uint32_t currentBucket;  // walk state
  SortNode* currentNode;

  // A bucket count of 1 is kept as 0 (one tree).  Frees what an earlier Init allocated.
  // Returns false (the tree left empty, every insert refused) when the memory cannot be had.
  bool Init(uint32_t capacityIn, uint32_t bucketsIn, uint32_t shiftIn, uint32_t payloadSize);
  void Free();
  void Clear();  // empties the tree for refilling: used, overflow and the roots cleared

  // Null when the pool is full (overflow counts it); the caller fills the payload.
  SortNode* Insert(int32_t key);
  // On a tree without buckets: ordered by one of SortRecordOrder, equal entries in insertion order.
  SortNode* InsertRecord(const SortRecordKeys* record, int order);

  SortNode* First();
  SortNode* Next();
  SortNode* Last();
  SortNode* Prev();

 private:
  SortNode* TakeNode();
  SortNode* NodeAt(uint32_t index) { return reinterpret_cast<SortNode*>(pool + static_cast<uint64_t>(index) * nodeSize); }
  SortNode* Root(uint32_t bucket);
};

// ---- [Shared draw tree] ----
// Orders draw entries and interface items by depth or priority: 8000 nodes, 256 buckets,
// shift 20 (a key up to 2^28 gets its own bucket per 2^20).
constexpr int SHARED_DRAW_TREE_CAPACITY = 8000;
constexpr int SHARED_DRAW_TREE_BUCKETS = 256;
constexpr int SHARED_DRAW_TREE_SHIFT = 20;
constexpr int SHARED_DRAW_TREE_PAYLOAD = 24;
extern SortTree SharedDrawTree;

// ---- [Growable list] ----
// A list of 4-byte entries whose callers keep their own count: it starts at 1024 entries
// and each GrowIndexList doubles it, keeping the entries.
extern uint32_t* GrowIndexListEntries;
extern uint32_t GrowIndexListCapacity;
// Returns false, the list unchanged, when the memory cannot be had.
bool GrowIndexList();
void FreeIndexList();
