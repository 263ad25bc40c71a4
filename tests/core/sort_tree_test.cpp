// sort_tree_test.cpp - bucket and tree rules of the sort tree, and the growable list.
#include "core/sort_tree.h"

#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

namespace {

// Inserts keys with their insertion index as payload.
void InsertAll(SortTree& tree, const std::vector<int32_t>& keys) {
  for (size_t i = 0; i < keys.size(); ++i) {
    SortNode* node = tree.Insert(keys[i]);
    if (node) *static_cast<int32_t*>(SortNodePayload(node)) = static_cast<int32_t>(i);
  }
}

std::vector<std::pair<int32_t, int32_t>> WalkForward(SortTree& tree) {
  std::vector<std::pair<int32_t, int32_t>> seen;
  for (SortNode* n = tree.First(); n; n = tree.Next()) seen.emplace_back(n->key, *static_cast<int32_t*>(SortNodePayload(n)));
  return seen;
}

std::vector<std::pair<int32_t, int32_t>> WalkBackward(SortTree& tree) {
  std::vector<std::pair<int32_t, int32_t>> seen;
  for (SortNode* n = tree.Last(); n; n = tree.Prev()) seen.emplace_back(n->key, *static_cast<int32_t*>(SortNodePayload(n)));
  return seen;
}

}  // namespace

TEST(SortTreeLayout, NodeSizeFollowsThePayloadAndThePointerWidth) {
  EXPECT_EQ(SortNodeSize(24), sizeof(SortNode) + 24);  // 40 bytes with 4-byte pointers, 56 with 8
  EXPECT_EQ(SortNodeSize(1) % alignof(SortNode), 0u);
  SortTree tree{};
  ASSERT_TRUE(tree.Init(4, 0, 0, SHARED_DRAW_TREE_PAYLOAD));
  EXPECT_EQ(tree.nodeSize, SortNodeSize(SHARED_DRAW_TREE_PAYLOAD));
  // A full payload written into every node leaves the neighbours' headers alone.
  for (int32_t key : {4, 2, 3, 1}) {
    SortNode* node = tree.Insert(key);
    ASSERT_NE(node, nullptr);
    std::memset(SortNodePayload(node), 0xAB, SHARED_DRAW_TREE_PAYLOAD);
  }
  std::vector<int32_t> keys;
  for (SortNode* n = tree.First(); n; n = tree.Next()) keys.push_back(n->key);
  EXPECT_EQ(keys, (std::vector<int32_t>{1, 2, 3, 4}));
  tree.Free();
}

TEST(SortTreeOrder, EqualKeysComeOutInInsertionOrderBothWays) {
  SortTree tree{};
  ASSERT_TRUE(tree.Init(16, 1, 0, 4));
  EXPECT_EQ(tree.buckets, 0u);  // one bucket is one single tree
  InsertAll(tree, {5, 3, 5, 1});
  using Seen = std::vector<std::pair<int32_t, int32_t>>;
  EXPECT_EQ(WalkForward(tree), (Seen{{1, 3}, {3, 1}, {5, 0}, {5, 2}}));
  EXPECT_EQ(WalkBackward(tree), (Seen{{5, 2}, {5, 0}, {3, 1}, {1, 3}}));
  tree.Free();
}

TEST(SortTreeOrder, BucketsFollowTheHighKeyBits) {
  SortTree tree{};
  ASSERT_TRUE(tree.Init(16, 256, 20, 4));
  SortNode* negative = tree.Insert(-7);
  SortNode* largest = tree.Insert(0x7FFFFFFF);
  SortNode* second = tree.Insert(0x100000);
  EXPECT_EQ(tree.bucketRoots[0], negative);
  EXPECT_EQ(tree.bucketRoots[255], largest);
  EXPECT_EQ(tree.bucketRoots[1], second);
  SortNode* zero = tree.Insert(0);  // shares bucket 0 with the negative key, sorted inside it
  std::vector<SortNode*> order;
  for (SortNode* n = tree.First(); n; n = tree.Next()) order.push_back(n);
  EXPECT_EQ(order, (std::vector<SortNode*>{negative, zero, second, largest}));
  tree.Free();
}

TEST(SortTreeOrder, ManyKeysMatchAStableSortForwardsAndBackwards) {
  std::mt19937 random(5);
  for (uint32_t buckets : {0u, 16u, 256u}) {
    SortTree tree{};
    ASSERT_TRUE(tree.Init(5000, buckets, 24, 4));
    std::vector<int32_t> keys(5000);
    for (int32_t& k : keys) k = static_cast<int32_t>(random() % 4000) * 0x10000 - 0x4000000;  // duplicates, negatives
    InsertAll(tree, keys);
    std::vector<std::pair<int32_t, int32_t>> expected;
    for (size_t i = 0; i < keys.size(); ++i) expected.emplace_back(keys[i], static_cast<int32_t>(i));
    std::stable_sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.first < b.first; });
    EXPECT_EQ(WalkForward(tree), expected) << buckets;
    // Backwards is the reverse order with equal keys last-inserted first.
    auto backwards = expected;
    std::reverse(backwards.begin(), backwards.end());
    EXPECT_EQ(WalkBackward(tree), backwards) << buckets;
    tree.Free();
  }
}

TEST(SortTreePool, AFullPoolRefusesAndCountsAndTheTreeStaysValid) {
  SortTree tree{};
  ASSERT_TRUE(tree.Init(3, 256, 20, 4));
  EXPECT_EQ(tree.First(), nullptr);
  EXPECT_EQ(tree.Last(), nullptr);
  EXPECT_EQ(tree.Next(), nullptr);
  InsertAll(tree, {9, 8, 7});
  EXPECT_EQ(tree.Insert(6), nullptr);
  EXPECT_EQ(tree.Insert(5), nullptr);
  EXPECT_EQ(tree.overflow, 2u);
  EXPECT_EQ(WalkForward(tree).size(), 3u);
  tree.Clear();  // emptied for the next frame
  EXPECT_EQ(tree.First(), nullptr);
  EXPECT_EQ(tree.overflow, 0u);
  InsertAll(tree, {2, 1});
  EXPECT_EQ(WalkForward(tree).front().first, 1);
  tree.Free();

  SortTree single{};
  ASSERT_TRUE(single.Init(2, 0, 0, 4));
  InsertAll(single, {1, 2, 3});
  EXPECT_EQ(single.overflow, 1u);
  EXPECT_EQ(WalkForward(single).size(), 2u);
  single.Clear();
  EXPECT_EQ(single.First(), nullptr);
  single.Free();
}

TEST(SortTreeRecords, ThreeRecordOrdersWithTiesInInsertionOrder) {
  const SortRecordKeys records[] = {
      {5, 100, "delta"}, {9, 100, "alpha"}, {5, 300, "charlie"}, {1, 200, "Bravo"}, {9, 300, "alpha"}};
  auto walk = [&](int order) {
    SortTree tree{};
    EXPECT_TRUE(tree.Init(8, 0, 0, 0));
    for (const SortRecordKeys& r : records) tree.InsertRecord(&r, order);
    std::vector<int> indices;
    for (SortNode* n = tree.First(); n; n = tree.Next()) indices.push_back(static_cast<int>(n->record - records));
    tree.Free();
    return indices;
  };
  EXPECT_EQ(walk(SORT_RECORD_FIRST_FIELD), (std::vector<int>{1, 4, 0, 2, 3}));   // greater first
  EXPECT_EQ(walk(SORT_RECORD_NAME), (std::vector<int>{3, 1, 4, 2, 0}));          // bytes, smaller first
  EXPECT_EQ(walk(SORT_RECORD_SECOND_FIELD), (std::vector<int>{2, 4, 3, 0, 1}));  // greater first
}

TEST(GrowableList, StartsAt1024AndDoublesKeepingTheEntries) {
  FreeIndexList();
  ASSERT_TRUE(GrowIndexList());
  EXPECT_EQ(GrowIndexListCapacity, 1024u);
  for (uint32_t i = 0; i < 1024; ++i) GrowIndexListEntries[i] = i * 3;
  ASSERT_TRUE(GrowIndexList());
  EXPECT_EQ(GrowIndexListCapacity, 2048u);
  ASSERT_TRUE(GrowIndexList());
  EXPECT_EQ(GrowIndexListCapacity, 4096u);
  for (uint32_t i = 0; i < 1024; ++i) ASSERT_EQ(GrowIndexListEntries[i], i * 3);
  GrowIndexListEntries[4095] = 1;  // the whole capacity is usable
  FreeIndexList();
  EXPECT_EQ(GrowIndexListEntries, nullptr);
  EXPECT_EQ(GrowIndexListCapacity, 0u) << "nothing held";
  // Each doubling gives the old entries back: 100 rounds of growing to 4096 entries and
  // freeing leave the heap in use where it was (give or take 64 KB; old lists kept would
  // hold 1.2 MB).  (Under the sanitizers the heap figures are not glibc's; their leak check
  // does this job.)
  const size_t before = mallinfo2().uordblks;
  for (int round = 0; round < 100; ++round) {
    for (int grow = 0; grow < 3; ++grow) ASSERT_TRUE(GrowIndexList());
    FreeIndexList();
  }
  const size_t after = mallinfo2().uordblks;
  EXPECT_LT(after, before + 65536) << before << " -> " << after;
}

TEST(SortTreeOrder, KeysAtTheTopBucketsEdgeShareTheLastBucket) {
  // 256 buckets of 2^20 keys: high bits 254 and 255 have their own buckets; 256 and more
  // share the last one.
  SortTree tree{};
  ASSERT_TRUE(tree.Init(16, 256, 20, 4));
  SortNode* at255 = tree.Insert(0x0FF00000);
  SortNode* at256 = tree.Insert(0x10000000);
  SortNode* below = tree.Insert(0x0FEFFFFF);
  SortNode* first = tree.Insert(0x000FFFFF);
  EXPECT_EQ(tree.bucketRoots[255], at255);
  EXPECT_EQ(tree.bucketRoots[254], below);
  EXPECT_EQ(tree.bucketRoots[0], first);
  EXPECT_EQ(at256->parent, at255);
  std::vector<SortNode*> order;
  for (SortNode* n = tree.First(); n; n = tree.Next()) order.push_back(n);
  EXPECT_EQ(order, (std::vector<SortNode*>{first, below, at255, at256}));
  order.clear();
  for (SortNode* n = tree.Last(); n; n = tree.Prev()) order.push_back(n);
  EXPECT_EQ(order, (std::vector<SortNode*>{at256, at255, below, first}));
  tree.Free();
}
