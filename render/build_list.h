// build_list.h - build lists: the world's small objects grouped by the exact set of materials
// they use, then drawn out one by one in an order that keeps each merged mesh within 64
// materials and 65534 vertices a material and keeps neighbours together; the solid list of
// the main window's handlers; and whether a multiplayer game runs.
//
// Sections: [Lists] [Adding] [Drawing out] [Neighbour hooks] [Solid list] [Multiplayer]
//
// All storage is made when the lists are allocated; adding and drawing out allocate nothing.
// Materials are ordered by their id, so the same world gives the same merged meshes every run.
// Main thread only.
#pragma once
#include <cstdint>

#include "core/sort_tree.h"

struct Material;
struct ZKTETexture;

// ---- [Lists] ----
constexpr int BUILD_LIST_COUNT = 11;          // one per kind of merged mesh of the world builder
constexpr int BUILD_COMBINATIONS = 1536;      // a list's distinct material sets
constexpr int BUILD_MATERIALS = 64;           // materials of a set, and of a merged mesh
constexpr int BUILD_ENTRIES = 72000;          // objects of a list
constexpr uint32_t BUILD_VERTEX_LIMIT = 65534;  // vertices of one material in a merged mesh

struct BuildMaterialSlot {
  Material* material;
  uint32_t vertexCount;
};
struct BuildEntry {
  void* object;
  BuildEntry* next;
};
struct MaterialCombination {
  uint8_t used;
  uint8_t materialCount;
  uint32_t objectCount;
  BuildEntry* first;
  BuildEntry* last;
  BuildMaterialSlot slots[BUILD_MATERIALS];  // by ascending material id; vertex counts summed over the objects
};
// A set of materials as AddCombination takes it.
struct BuildSignature {
  int count;
  BuildMaterialSlot slots[BUILD_MATERIALS];
};

// A world mesh's materials as AddMesh reads them.
struct BuildMaterialRecord {
  Material* material;
  uint32_t vertexCount, triangleCount;
};
struct BuildMesh {
  int recordCount;
  const BuildMaterialRecord* records;
};
// A tree's shape as the world gives it: its segment count, trunk and leaf sizes (metres) and
// the materials of its trunk and leaf types.
struct BuildTreeShape {
  int segments;
  float trunkSize[2], leafSize[2];
  Material* trunkMaterial;
  Material* leafMaterial;
};

enum BuildStatus { BUILD_OBJECT = 0, BUILD_TOO_MANY_MATERIALS = 1, BUILD_TOO_MANY_VERTICES = 2, BUILD_DONE = 3 };

struct BuildList {
  uint8_t repeat;  // the object refused last must be returned again
  int combinationCount;
  int entryCount;
  BuildEntry* current;
  int currentCombination;
  SortTree materials;  // 64 entries: an object's materials while its set is formed
  MaterialCombination combinations[BUILD_COMBINATIONS];
  BuildEntry entries[BUILD_ENTRIES];

  // ---- [Adding] ----
  // Each returns null, or why nothing was added: "No mesh", "Too many materials", "Invisible
  // tree", "Too many combinations", "Too many objects".
  const char* AddMesh(const BuildMesh* mesh, void* object);
  const char* AddTree(void* object, const BuildTreeShape& shape);
  const char* AddCombination(const BuildSignature& signature, void* object);

  // ---- [Drawing out] ----
  // The next object (status BUILD_OBJECT), or null with the status: the next set would pass
  // 64 materials or 65534 vertices of a material in the merged mesh (the next call starts a
  // new merged mesh with it), or the list is done.  With sort, each set's objects come out
  // nearest first.
  void* NextObject(int* status, int sort);
  // Forgets where the drawing out stands, so that the next NextObject starts over with every
  // set unused (the entries stay).
  void Rewind();
};
extern BuildList* BuildLists[BUILD_LIST_COUNT];

void AllocBuildLists();  // a list allocated already is reported (debug messages) and cleared
void ClearBuildLists();
void FreeBuildLists();

// The merged mesh being built, as the world builder keeps it: its materials and their vertex
// counts.  NextObject reads it.
struct MergedMeshMaterials {
  int count;
  Material* materials[BUILD_MATERIALS];
  uint32_t vertexCounts[BUILD_MATERIALS];
};
extern MergedMeshMaterials MergedMeshTable;

// ---- [Neighbour hooks] ----
// Set by the world; while null every object has geometry and the order is kept as added.
extern int (*BuildObjectHasGeometry)(const void* object);
extern void (*BuildObjectPosition)(const void* object, float* xMetres, float* yMetres);

// ---- [Solid list] ----
// Display records of the main window's handlers: an array and a textured object each.
struct SolidRecord {
  uint8_t* array;        // new[]
  ZKTETexture* texture;  // the record is owned: released with every material that uses it
};
struct SolidList {
  int count;
  SolidRecord* records;  // new[]
};
extern SolidList Solids;
void AddSolidRecord(uint8_t* array, ZKTETexture* texture);
void FreeSolidList();

// ---- [Multiplayer] ----
// Answered by the race services: a multiplayer game is joined and no multiplayer replay is
// being played back.  Null (offline) answers 0.
extern int (*InMultiplayerGameHook)();
int InMultiplayerGame();
