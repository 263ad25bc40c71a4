// sort_tree.cpp - the sort tree and the growable index list.
#include "core/sort_tree.h"

#include <cassert>
#include <cstdlib>
#include <cstring>

SortTree SharedDrawTree;
uint32_t* GrowIndexListEntries;
uint32_t GrowIndexListCapacity;

namespace {

constexpr uint32_t GROW_INDEX_LIST_START = 1024;

SortNode* Leftmost(SortNode* node) {
  while (node->left) node = node->left;
  return node;
}

SortNode* Rightmost(SortNode* node) {
  while (node->right) node = node->right;
  return node;
}

SortNode* Successor(SortNode* node) {
  if (node->right) return Leftmost(node->right);
  SortNode* parent = node->parent;
  while (parent && node == parent->right) {
    node = parent;
    parent = parent->parent;
  }
  return parent;
}

SortNode* Predecessor(SortNode* node) {
  if (node->left) return Rightmost(node->left);
  SortNode* parent = node->parent;
  while (parent && node == parent->left) {
    node = parent;
    parent = parent->parent;
  }
  return parent;
}

// True when the new record sorts strictly before the node's: it then goes left, so equal
// entries go right and keep their insertion order.
bool RecordGoesBefore(const SortRecordKeys* added, const SortRecordKeys* there, int order) {
  switch (order) {
    case SORT_RECORD_FIRST_FIELD: return added->first > there->first;
    case SORT_RECORD_SECOND_FIELD: return added->second > there->second;
    default: {
      const char* a = added->name ? added->name : "";
      const char* b = there->name ? there->name : "";
      return std::strcmp(a, b) < 0;  // compares bytes as unsigned
    }
  }
}

}  // namespace

bool SortTree::Init(uint32_t capacityIn, uint32_t bucketsIn, uint32_t shiftIn, uint32_t payloadSize) {
  assert(shiftIn < 32 && "a bucket shift of 32 or more leaves no key bits");
  Free();
  capacity = capacityIn;
  buckets = bucketsIn == 1 ? 0 : bucketsIn;
  shift = shiftIn;
  nodeSize = SortNodeSize(payloadSize);
  pool = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(capacity) * nodeSize + 1));
  if (buckets) bucketRoots = static_cast<SortNode**>(std::calloc(buckets, sizeof(SortNode*)));
  if (!pool || (buckets && !bucketRoots)) {
    Free();
    return false;
  }
  return true;
}

void SortTree::Free() {
  std::free(pool);
  std::free(bucketRoots);
  *this = SortTree{};
}

void SortTree::Clear() {
  used = 0;
  overflow = 0;
  if (bucketRoots) std::memset(bucketRoots, 0, sizeof(SortNode*) * buckets);
  currentBucket = 0;
  currentNode = nullptr;
}

SortNode* SortTree::TakeNode() {
  if (used >= capacity) {
    ++overflow;
    return nullptr;
  }
  SortNode* node = NodeAt(used++);
  node->parent = node->left = node->right = nullptr;
  return node;
}

SortNode* SortTree::Root(uint32_t bucket) {
  if (!buckets) return used ? NodeAt(0) : nullptr;
  return bucketRoots[bucket];
}

SortNode* SortTree::Insert(int32_t key) {
  SortNode* node = TakeNode();
  if (!node) return nullptr;
  node->key = key;
  if (!buckets) {
    if (used == 1) return node;  // the first node of the pool is the root
    SortNode* at = NodeAt(0);
    for (;;) {
      SortNode*& child = key >= at->key ? at->right : at->left;
      if (!child) {
        child = node;
        node->parent = at;
        return node;
      }
      at = child;
    }
  }
  const int32_t high = key >> shift;
  const uint32_t bucket = high <= 0 ? 0u : (static_cast<uint32_t>(high) < buckets ? static_cast<uint32_t>(high) : buckets - 1);
  SortNode* at = bucketRoots[bucket];
  if (!at) {
    bucketRoots[bucket] = node;
    return node;
  }
  for (;;) {
    SortNode*& child = key >= at->key ? at->right : at->left;
    if (!child) {
      child = node;
      node->parent = at;
      return node;
    }
    at = child;
  }
}

SortNode* SortTree::InsertRecord(const SortRecordKeys* record, int order) {
  assert(!buckets && "record trees have no buckets");
  SortNode* node = TakeNode();
  if (!node) return nullptr;
  node->record = record;
  SortNode* at = buckets ? bucketRoots[0] : (used == 1 ? nullptr : NodeAt(0));
  if (!at) {
    if (buckets) bucketRoots[0] = node;
    return node;
  }
  for (;;) {
    SortNode*& child = RecordGoesBefore(record, at->record, order) ? at->left : at->right;
    if (!child) {
      child = node;
      node->parent = at;
      return node;
    }
    at = child;
  }
}

SortNode* SortTree::First() {
  const uint32_t count = buckets ? buckets : 1;
  for (uint32_t b = 0; b < count; ++b) {
    if (SortNode* root = Root(b)) {
      currentBucket = b;
      return currentNode = Leftmost(root);
    }
  }
  return currentNode = nullptr;
}

SortNode* SortTree::Next() {
  if (!currentNode) return nullptr;
  if (SortNode* next = Successor(currentNode)) return currentNode = next;
  const uint32_t count = buckets ? buckets : 1;
  for (uint32_t b = currentBucket + 1; b < count; ++b) {
    if (SortNode* root = Root(b)) {
      currentBucket = b;
      return currentNode = Leftmost(root);
    }
  }
  return currentNode = nullptr;
}

SortNode* SortTree::Last() {
  const uint32_t count = buckets ? buckets : 1;
  for (uint32_t b = count; b-- > 0;) {
    if (SortNode* root = Root(b)) {
      currentBucket = b;
      return currentNode = Rightmost(root);
    }
  }
  return currentNode = nullptr;
}

SortNode* SortTree::Prev() {
  if (!currentNode) return nullptr;
  if (SortNode* previous = Predecessor(currentNode)) return currentNode = previous;
  for (uint32_t b = currentBucket; b-- > 0;) {
    if (SortNode* root = Root(b)) {
      currentBucket = b;
      return currentNode = Rightmost(root);
    }
  }
  return currentNode = nullptr;
}

// ---- [Growable list] ----

bool GrowIndexList() {
  if (!GrowIndexListEntries) {
    GrowIndexListEntries = static_cast<uint32_t*>(std::malloc(GROW_INDEX_LIST_START * sizeof(uint32_t)));
    if (!GrowIndexListEntries) return false;
    GrowIndexListCapacity = GROW_INDEX_LIST_START;
    return true;
  }
  if (GrowIndexListCapacity > UINT32_MAX / 2 / sizeof(uint32_t)) return false;
  const uint32_t doubled = GrowIndexListCapacity * 2;
  uint32_t* grown = static_cast<uint32_t*>(std::malloc(static_cast<size_t>(doubled) * sizeof(uint32_t)));
  if (!grown) return false;
  std::memcpy(grown, GrowIndexListEntries, static_cast<size_t>(GrowIndexListCapacity) * sizeof(uint32_t));
  std::free(GrowIndexListEntries);
  GrowIndexListEntries = grown;
  GrowIndexListCapacity = doubled;
  return true;
}

void FreeIndexList() {
  std::free(GrowIndexListEntries);
  GrowIndexListEntries = nullptr;
  GrowIndexListCapacity = 0;
}
