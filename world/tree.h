// tree.h - procedural trees (object type 11): a binary tree of branches grown from a handful
// of parameters with the program's random sequence seeded by the object, its tips carrying
// foliage clusters.  The growth gives the tree's bounds at set-up and its bark and foliage
// geometry when the world builds its render meshes.
//
// Sections: [Textures] [Growth] [Object] [Mesh]
//
// Positions are 16.16 world points; sizes are metres.  Main thread only.
#pragma once
#include <cstdint>
#include <vector>

#include "world/fixed_ob.h"

struct FastMesh;
struct Material;

// ---- [Textures] ----
// The bark and foliage materials of the tree texture numbers 0..3 (null: none loaded), from
// the pictures "TREEBARK<n>" (solid) and "TREELEAF<n>_ALP" (alpha-tested) of data\png.
constexpr int TREE_TEXTURES = 4;
extern Material* TreeBarkMaterials[TREE_TEXTURES];
extern Material* TreeFoliageMaterials[TREE_TEXTURES];
// Loads the eight materials (a missing picture: "Can't open : %s", and no material); nothing
// without graphics.  The world loads them with its textures.
void LoadTreeTextures();
// Forgets them (the renderer releases materials with the device).
void ForgetTreeTextures();

// ---- [Growth] ----
constexpr int TREE_TIPS_LEAST = 2, TREE_TIPS_MOST = 4096;
constexpr int TREE_SPREAD_MOST = 23;      // a longitude step never goes round more than once
constexpr int TREE_SIBLING_REDRAWS = 64;  // a second sibling is drawn again at most this often
constexpr uint16_t TREE_NONE = 65535;
constexpr uint32_t TREE_OPTION_FOLIAGE_ROW = 1, TREE_OPTION_RANDOM_LENGTHS = 2;

struct TreeNode {
  IntVector position;
  int parent;        // -1 for node 0 (its parent is the base point)
  int generation;    // 0 for node 0
  uint8_t latitude;  // 0..15
  uint8_t longitude; // 0..23
};

// r % divisor for a draw r below 2^16 and a divisor of 1..47 (2 x spread + 1), worked as a
// multiply by the divisor's reciprocal rounded up: the rounding adds less than r / 2^32 < 1 /
// divisor to r / divisor, so the quotient, and the remainder, are exact for every such draw.
// A division is slow, and a tree draws twice per branch.
struct TreeDrawDivisor {
  explicit TreeDrawDivisor(uint32_t d) : divisor(d), reciprocal(((uint64_t{1} << 32) + d - 1) / d) {}
  uint32_t Remainder(uint32_t r) const { return r - uint32_t((r * reciprocal) >> 32) * divisor; }
  uint32_t divisor;
  uint64_t reciprocal;
};

struct WTree;
// Grows the tree's nodes from its seed: 2 x tips - 1 of them, tips from index tips - 1 on.
void GrowTree(const WTree& tree, std::vector<TreeNode>& nodes);

// ---- [Object] ----
struct WTree : FixedOb {
  explicit WTree(const IntVector& position);

  void AddToDrawList() override;
  void AddToDrawListAtDistance(int32_t distance) override;
  void DrawLayer1() override;
  void DrawLayer3() override;
  void DrawLayer4() override;
  int HasGeometry() override { return HasBark() || HasFoliage() ? 1 : 0; }
  void Load(DataFile& stream, int version) override;
  void GetPosition(IntVector& at, float& heading) override;
  void SetPosition(const IntVector& at, float heading) override;
  // Runs on a worker thread while a world loads (PlaceOfSetup, world/world_setup.h): it may write
  // this tree alone, keeping any scratch thread_local.
  void Setup() override;
  void ResetRunState() override;

  bool HasBark() const { return branchLength > 0.01f && trunkRadius > 0.01f; }
  bool HasFoliage() const { return foliageLength > 0.01f && foliageWidth > 0.01f; }
  // The tip count held to 2..4096 and the spread to 0..23.
  int Tips() const;
  int Spread() const;
  IntVector BasePoint() const;

  uint8_t foliageTexture = 0;  // 0..3
  uint8_t barkTexture = 0;     // 0..3
  uint8_t nearFlag = 0;
  int32_t foliageRow = 0;
  float branchLength = 2.5f, trunkRadius = 0.5f, lengthFactor = 0.8f;
  int32_t spread = 3;
  int32_t seed = 0;
  int32_t tipCount = 32;
  float foliageLength = 2.5f, foliageWidth = 2.5f;
  float baseHeight = 0;
  int32_t options = 0;
  uint32_t barkColour = 0xC8C8C8, foliageColour = 0x28643C;
  uint16_t renderMesh = TREE_NONE;
  uint16_t partEntry = 0;
  uint16_t barkPart = TREE_NONE, foliagePart = TREE_NONE;

 private:
  void DrawPart(uint16_t part, int drawMode);
};
FixedOb* MakeTree(const IntVector& position);

// ---- [Mesh] ----
// What the tree writes into a render mesh: bark 6 x tips vertices and 12 x tips - 8
// triangles, foliage 8 x tips of each (none for a part it does not have).
struct TreeCounts {
  uint32_t barkVertices, barkTriangles, foliageVertices, foliageTriangles;
};
TreeCounts CountTreeGeometry(const WTree& tree);
// Writes the tree into the render mesh (its parts by the tree's materials) as a new entry
// numbered entry in every part, recording the mesh index and the parts it used.  The caller
// has begun the entry (AddPrimitiveGroup).
void BuildTreeMesh(WTree& tree, FastMesh& mesh, int meshIndex);
