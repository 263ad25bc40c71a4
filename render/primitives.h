// primitives.h - how meshes reach the GPU: fast meshes (lasting geometry in buffers of its own,
// one Primitive per material), the pass rules that choose which parts a pass draws, the
// temporary-mesh store that often rebuilt meshes write into every frame, and the
// pose-transform record of posed previews.
//
// Sections: [Primitives] [Fast meshes] [Registry] [Building] [Drawing] [Pass rules]
//           [Temporary meshes] [Pose transforms]
//
// A fast mesh has parts (its Primitives, one per material) and groups (one per subobject or
// level of detail, the same in every part); a part draws one group at a time from one buffer
// pair.  The registry owns every fast mesh: owners keep a FastMeshHandle, which turns stale
// when the mesh is freed, by FreeFastMesh or by FreeAllFastMeshes when the graphics are
// released, so that no owner frees or draws a mesh twice.  Main thread only.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "core/fixed_math.h"
#include "render/buffers.h"

struct Material;

// ---- [Primitives] ----
// Where one group lies in a part: its indices (end exclusive) and the vertices they reach.
struct PrimitiveGroup {
  uint32_t firstIndex, endIndex;
  uint32_t firstVertex, endVertex;
};

struct Primitive {
  uint8_t passBit;              // the part's bit in the pass masks: 0 every pass, 1 the normal pass only
  const Material* material;     // null once released: drawn with the default material
  uint32_t vertexCount, indexCount;
  VertexBuffer* vertexBuffer;   // null when empty or refused: nothing of the part is drawn
  IndexBuffer* indexBuffer;
  uint32_t groupCount, bitsetWords;
  std::vector<uint32_t> emptyGroups;  // a set bit marks a group with no indices
  std::vector<PrimitiveGroup> groups;
  // While building: vertices, 16-bit indices counted from the part's first vertex, and for
  // each group the vertex and index counts where it starts.
  std::vector<VertexLit> buildVertices;
  std::vector<uint16_t> buildIndices;
  std::vector<uint32_t> buildMarks;

  // Room for 3 x triangles more indices and the vertices; 0 (with a message) when the part
  // would pass 0x7fffffff indices or 0x7ffffff vertices.
  int ReservePart(uint32_t triangles, uint32_t vertices);
  // Makes the buffers from the build data, the group table and the empty-group bits, and
  // frees the build data.
  void EndBuild();
  // Draws one group; returns the group's bit (1 << group % 32) when it is empty, else 0.
  uint32_t DrawOnePart(uint32_t group, int drawMode);
  void Release();  // the buffers and the tables
};
void AddPartQuad(Primitive& part, uint16_t a, uint16_t b, uint16_t c, uint16_t d);  // a, b, c, c, d, a

// ---- [Fast meshes] ----
struct FastMesh {
  uint32_t dirtyLow, dirtyHigh;  // the range of groups marked; (group count, 0) when none
  uint32_t dirtySpare[2];
  float worldMatrix[16];         // row vectors; identity at creation
  uint32_t totalVertices, totalTriangles;
  std::vector<Primitive> parts;
  uint32_t groupCount;
  uint32_t bitsetWords;          // (group count + 63) / 32
  uint8_t hasBounds;
  float corners[8][3];           // the bounding box of the first part, x varying fastest
  std::vector<uint32_t> dirtyBits, secondBits, groupWords;
};

// ---- [Registry] ----
struct FastMeshHandle {
  uint32_t slot = 0;        // 0: none
  uint32_t generation = 0;
  explicit operator bool() const { return slot != 0; }
};
constexpr uint32_t FAST_MESH_FIRST_CAPACITY = 64;  // slots; doubled when full

FastMeshHandle NewFastMesh();                      // zeroed, identity matrix
FastMesh* GetFastMesh(FastMeshHandle handle);      // null when none, freed or stale
void FreeFastMesh(FastMeshHandle& handle);         // frees a live mesh; clears the handle
void FreeAllFastMeshes();                          // every handle given out turns stale
int FastMeshCount();
uint32_t FastMeshCapacity();
// Clears every part (and temporary mesh) that names the material; null: every material.
void ForgetReleasedMaterial(const Material* material);

void SetTranslationMatrix(float matrix[16], float x, float y, float z);  // identity rotation

// ---- [Building] ----
// Makes the parts with empty build data, room for 4 x groups marks each; 0 (with a message)
// for more parts than a mesh can hold or more groups than the marks can count.
int ReservePrimitiveParts(FastMesh& mesh, uint32_t partCount, uint32_t groupsExpected);
// Every part marks where a new group starts; the second form also counts the group.
void BeginPrimitiveGroup(FastMesh& mesh);
void AddPrimitiveGroup(FastMesh& mesh);
// Ends the build of every part, sums the counts, makes the bitsets; with computeBounds the
// box of the first part's positions becomes the eight corners.
void BuildPrimitive(FastMesh& mesh, int computeBounds);
void SetDirtyBit(FastMesh& mesh, uint32_t group);  // ignored beyond the group count

// ---- [Drawing] ----
// Draw modes are ApplyMaterial's.  The mesh's world matrix is uploaded by the caller.
void DrawPrimitiveParts(FastMesh& mesh, uint32_t group, uint32_t passMask, int drawMode);
void DrawPrimitiveForPass(FastMesh& mesh, uint32_t group);
// The parts the pass draws at once, each with its material or the override when given;
// returns 1 when some part waits for the second pass.
int DrawFirstPassParts(FastMesh& mesh, uint32_t group, const Material* overrideMaterial);
void DrawSecondPassParts(FastMesh& mesh, uint32_t group, const Material* overrideMaterial);
// Every part of the sun mesh with its texture, the sun shaders and its layout.
void DrawSunMesh(FastMesh& mesh);

// ---- [Pass rules] ----
// For a byte of pass bits: its lowest set bit (0 when none), the bit after that first run of
// set bits, and how many set bits end the byte at bit 0.
struct PassBitTables {
  uint8_t lowestBit[256];
  uint8_t afterFirstRun[256];
  uint8_t trailingOnes[256];
};
extern const PassBitTables PassBits;
// Whether a part of the material is drawn in the first pass of the current world pass; sets
// *needsSecondPass (to 1, or to value for blended parts in passes 1 and 2) when it waits for
// the second pass.
int PartNeedsPass(const Material* material, int* needsSecondPass, int value);
// Whether the material's parts are drawn in the second pass of the current world pass.
int PartInSecondPass(const Material* material);
void BeginSecondPass();
void EndSecondPass();

// ---- [Temporary meshes] ----
// Draw entries written into shared dynamic buffers (format 1), made one at a time as the
// frame needs them.  A batch is a run of vertices and triangles whose indices count from its
// first vertex; batches follow each other in a buffer until one does not fit, which moves to
// the next buffer.
constexpr uint32_t TEMP_MESH_VERTICES = 65534;
constexpr uint32_t TEMP_MESH_TRIANGLES = 65536;
constexpr uint32_t TEMP_MESH_FIRST_ENTRIES = 64;
constexpr uint32_t TEMP_MESH_MORE_ENTRIES = 32;

struct TempMeshEntry {
  const Material* material;  // null: the default material
  uint32_t buffer;
  uint32_t firstVertex;
  uint32_t reserved;
  uint32_t firstTriangle;
  uint32_t triangleCount;
};
struct TempMeshStore {
  std::vector<std::unique_ptr<CircularVBuffer>> buffers;
  std::unique_ptr<TempMeshEntry[]> entries;
  uint32_t capacity;       // entries
  uint32_t count;          // entries used this frame
  uint32_t currentBuffer;
  uint8_t batchOpen;       // the current buffer holds batches of this frame
  int writing;             // the entry being written, -1 none
};
extern TempMeshStore TempMeshes;

void ResetTempMeshes();     // once per drawn frame: entries and buffers start again
void ClearTempMeshStore();  // also releases the buffers and the entries
void FreeTempMeshStore();   // at shut-down
// Opens a batch for that many vertices and triangles and returns its entry, or -1: a batch
// larger than an empty buffer is refused with a message, as is a buffer the device refuses.
// The caller writes through TempMeshWriter() and ends with CloseDrawBatch.
int AddDrawBatch(const Material* material, uint32_t vertices, uint32_t triangles);
CircularVBuffer* TempMeshWriter();  // the buffer of the open batch; null when none is open
// Records how many vertices and triangles were written into the open batch and unlocks it.
void CloseDrawBatch(uint32_t vertices, uint32_t triangles);
namespace TempMesh {
// Mode 0: the world material of the current pass; any other: draw mode 6.  An entry not in
// use is reported ("TempMesh index out of bounds") and nothing is drawn.
void DrawBuffer(int entry, int materialMode);
}  // namespace TempMesh
// The first pass of the entries; returns 1 when some entry waits for the second pass.
int DrawVisibleTempMeshes(int first, int count);
void DrawTempMeshesSecondPass(int first, int count);
void DrawTempMeshRange(int first, int count);  // each with the world material

// ---- [Pose transforms] ----
// Records of six values (16.16 position x, y, z, then three 16-bit angles), written into the
// matrices and positions of a mesh tree before a posed preview is drawn.
struct PoseTransforms {
  int count;  // values; a multiple of 6
  std::vector<int32_t> values;
  std::vector<FixedMatrix*> matrices;
  std::vector<IntVector*> positions;
};
void CopyPoseTransforms(PoseTransforms& record, int count, const int32_t* values, FixedMatrix* const* matrices,
                        IntVector* const* positions);
void ApplyPoseTransforms(const PoseTransforms& record);
