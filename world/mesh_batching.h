// mesh_batching.h - the world's mesh batching: the level meshes of placed objects and road
// segments, and the trees, gathered build list by build list into large render meshes of at
// most 64 materials, 65,534 vertices a material and 12,288 objects, one level of detail a
// pass.
//
// Sections: [Batch table] [Builder] [Steps]
//
// A batch becomes one render mesh of WorldRenderMeshes (pre_gen.h), whose index the objects
// keep; the world's fast-mesh list (Wld::addedMeshes) owns the meshes.  Sections and trees
// take part in pass 0 only.  Main thread only.
#pragma once
#include <cstdint>

struct BuiltMesh;
struct FObject;
struct Material;
struct WTree;
struct Wld;

// ---- [Batch table] ----
constexpr int BATCH_MATERIALS = 64;
constexpr uint32_t BATCH_VERTEX_LIMIT = 65534;
constexpr int BATCH_OBJECTS = 12288;
constexpr int BATCH_LISTS = 11;  // 0..3 segments, 4..6 placed objects, 7..9 sections, 10 trees

struct BatchMaterial {
  Material* material;
  uint32_t vertices;
  uint32_t triangles;  // each takes three indices
  uint32_t spare;
};
struct BatchTable {
  int count;
  BatchMaterial rows[BATCH_MATERIALS];
};
extern BatchTable BatchMaterials;

enum BatchFit { BATCH_FITS = 0, BATCH_VERTICES_FULL = 1, BATCH_TABLE_FULL = 2 };
// Merges entries into the table: a material already there adds its counts unless its
// vertices would pass 65,534; a new one takes a row unless there are 64.  On a refusal the
// table is as it was before.
int MergeBatchMaterials(const BatchMaterial* entries, int count);
// A level mesh's first 64 parts with triangles, each grown by what the start lights of a
// placed object (null: none) add to its material at that level, merged.
int AddMeshToBatch(const BuiltMesh& mesh, const FObject* object, int lod);
// A tree's bark and foliage, as its mesh writes them, merged.
int AddTreeToBatch(const WTree& tree);

// ---- [Builder] ----
// Where the batching stands: the pass (level of detail), the build list, the object cursor,
// and whether the pass is done; the first object of those added at run time.
struct BatchBuilder {
  int pass = 0;
  int list = 0;
  int cursor = 0;
  int passDone = 0;
  int firstAdded = 0;
};
extern BatchBuilder WorldBatch;
// Starts a pass over the file's objects (list 0) or over the added objects (list 4).
void StartBatchPass(Wld& world, int pass, int added);

// ---- [Steps] ----
// Fills objects (room for BATCH_OBJECTS) with the next batch; the count.  For the file's
// objects a build list holding entries gives its objects in its own order (rewound when done,
// for the next pass); otherwise the objects are walked in table order.  An object that does
// not fit even an empty batch is left out with a message naming it.
int CollectBatch(Wld& world, void** objects, int added);
// Builds one batch into a new render mesh: 1 when it made one, 0 when nothing was collected.
int BuildMeshesStep(Wld& world, int pass, int added);
// All three passes over the file's objects, then the mark that separates them from the
// objects added later.
void BuildAllWorldMeshes(Wld& world);
// Forgets the render meshes from index first on (their handles turned stale or freed).
void TrimWorldRenderMeshes(int first);
