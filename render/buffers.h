// buffers.h - vertex and index buffers, the circular vertex buffer through which immediate
// drawing streams its vertices, and the release of every renderer resource at once.
//
// Sections: [Vertex formats] [Vertex and index buffers] [Circular vertex buffer] [Release all]
//
// A circular batch runs Start, write, Unlock, Draw; Continue may follow a draw to extend the
// same batch.  A batch always begins at vertex 0 and index 0 with a discarding map, so nothing
// wraps inside a buffer.  Writers ask for room (HasRoom) before they write: a batch never runs
// past the end of its buffers.  Main thread only.
#pragma once
#include <cstdint>
#include <memory>

#include "platform/gfx.h"

struct Material;

// ---- [Vertex formats] ----
// The layout numbers of the shaders' vertex declarations.
struct VertexLit {  // format 1
  float x, y, z;
  int8_t normal[4];   // xyz the unit normal x 127, w the point's flag factor
  uint32_t colour0;   // 0xAARRGGBB
  uint32_t colour1;   // packed 11/11/10-bit floats
  float u, v;
};
struct VertexLine3D {  // format 2: position in metres
  float x, y, z;
  uint32_t colour;
  float u, v;
};
struct Vertex2D {  // format 3: x, y in clip space (-1..1, y up), z 0
  float x, y, z;
  uint32_t colour;
  float u, v;
};
static_assert(sizeof(VertexLit) == 32 && sizeof(VertexLine3D) == 24 && sizeof(Vertex2D) == 24,
              "the vertex layouts the shaders read");

int VertexStride(int format);  // 32, 24, 24; 0 for any other format number

// ---- [Vertex and index buffers] ----
// Every record made is kept in its global list (doubly linked, with a count) until released.
struct VertexBuffer {
  GfxBuffer buffer;
  uint8_t usage;      // 0 default, 2 dynamic
  uint32_t count;     // vertices
  uint32_t stride;
  VertexBuffer* prev;
  VertexBuffer* next;

  // 1 with *out at the first vertex asked for; 0 when the record has no buffer, the vertex
  // lies outside it or the map fails.
  int LockV(GfxMap mapType, void** out, uint32_t firstVertex);
  void UnlockV();
};
struct IndexBuffer {
  GfxBuffer buffer;
  uint8_t usage;
  uint32_t count;     // indices
  uint8_t wide;       // 32-bit indices; always 0: the program's indices are 16-bit
  uint8_t indexBytes; // 2
  IndexBuffer* prev;
  IndexBuffer* next;

  int LockI(GfxMap mapType, void** out, uint32_t firstIndex);
  void UnlockI();
};
struct VertexBufferList {
  VertexBuffer* first;
  VertexBuffer* last;
  uint32_t count;
};
struct IndexBufferList {
  IndexBuffer* first;
  IndexBuffer* last;
  uint32_t count;
};
extern VertexBufferList VertexBuffers;
extern IndexBufferList IndexBuffers;
constexpr uint32_t BUFFER_LIST_LIMIT = 0x15555554;

// 0 with *out set, or -1 when the device refuses (nothing is kept, *out is null).  With
// initial the buffer is made holding those count elements.
int CreateVertexBuffer(int format, int usage, uint32_t count, VertexBuffer** out, const void* initial = nullptr);
int CreateIndexBuffer(int wide, int usage, uint32_t count, IndexBuffer** out, const void* initial = nullptr);
void SetActiveVertexBuffer(const VertexBuffer* record);  // none unbinds
void SetActiveIndexBuffer(const IndexBuffer* record);
void ReleaseVertexBuffer(VertexBuffer* record);  // out of the list, its buffer released, deleted
void ReleaseIndexBuffer(IndexBuffer* record);
void ReleaseAllVertexBuffers();
void ReleaseAllIndexBuffers();

// ---- [Circular vertex buffer] ----
struct CircularVBuffer {
  uint8_t format, stride, dynamic;
  uint32_t vertexCapacity, triangleCapacity;
  uint8_t* vertexWrite;   // the next vertex goes here while a batch is open
  uint16_t* indexWrite;
  // While mapped: the mapping's start and the first vertex and index this batch writes (counted
  // from the batch's start), whose bytes are noted for the buffers' fingerprints when it is
  // unmapped (platform/gfx.h).
  uint8_t* vertexMapping;
  uint16_t* indexMapping;
  uint32_t firstVertexWritten, firstIndexWritten;
  // Where the open batch starts in the buffers (its indices count from its first vertex), and
  // where what the buffers hold since they were last discarded ends.
  uint32_t batchVertex, batchIndex;
  uint32_t vertexEnd, indexEnd;
  std::unique_ptr<uint8_t[]> vertexCopy;   // system-memory copies, made on first use
  std::unique_ptr<uint16_t[]> indexCopy;
  GfxTopology topology;
  uint8_t verticesMapped, indicesMapped;
  uint8_t batchOpen;      // from a start to the draw that ends it
  uint8_t roomReported;   // a full batch is reported once
  uint8_t makeOnFirstStart;  // shaped by InitBufOnFirstUse: the buffers wait for the first start
  uint32_t madeInRelease;    // GraphicsReleaseCount when its buffers were made
  uint32_t vertexCount, triangleCount;
  VertexBuffer* vertexBuffer;
  IndexBuffer* indexBuffer;
  const Material* material;

  // 1 when made (or already made with the same shape); 0 when the device refused.
  int InitBuf(int format, int dynamicFlag, uint32_t vertexCapacity, uint32_t triangleCapacity);
  // The same shape, but the buffers are made by the first start (a stream that most screens
  // never write costs nothing until one does); a device that refuses them then leaves the
  // stream without buffers, as after a refused InitBuf.
  void InitBufOnFirstUse(int format, int dynamicFlag, uint32_t vertexCapacity, uint32_t triangleCapacity);
  // Releases its buffers; those made before the last FreeAllGraphics are gone already and
  // are only forgotten.
  void Close();
  // Triangle-list batch; with a map flag the buffer is written in place, else through the
  // system copy.  0 when a map failed (nothing is open then).
  int StartBuf(const Material* material, int mapVertices, int mapIndices);
  // A triangle-list batch of at most vertices and triangles, written in place after what the
  // buffers hold when that much room is left (the draws already made from them keep their
  // data, and a software device makes no new storage), else as StartBuf does.  0 when a map
  // failed.
  int StartBufAfter(const Material* material, uint32_t vertices, uint32_t triangles);
  int StartV(const Material* material, int mapVertices, GfxTopology topology);
  int ContinueBuf();  // after a draw: the same batch, written on after what it holds
  void UnlockBuffer();
  void DrawBuffer(int samplerIndex);       // the triangles
  void DrawBufferStrip(int samplerIndex);  // 3 or more vertices with the batch topology
  void DrawBufferSimple();                 // the vertices; sampler from the material's flags
  void DrawBufferWorld();                  // the triangles with the material of the world pass
  void DrawBuffer3D();                     // the triangles with the 3D line shaders
  void DrawBuffer3DSimple();               // the vertices with the 3D line shaders, variant 0
  bool HasRoom(uint32_t vertices, uint32_t triangles) const;
  // HasRoom, reporting a refusal once per batch under the stream's name.
  bool CheckRoom(uint32_t vertices, uint32_t triangles, const char* name);
};

// ---- [Release all] ----
// Closes the immediate streams, frees the 2D list, unwinds the target stack, frees the fast
// meshes and the temporary-mesh store, empties the material map (with releaseShaders the shaders and layouts too) and
// forgets the system set and the plate pages that held its materials, frees the textures and every vertex and index
// buffer.  With recreate the immediate streams, the
// default material, the 2D list and the shared compute job are made again.
void FreeAllGraphics(int recreate, int releaseShaders);
// Raised by every FreeAllGraphics, once every buffer record is released.
extern uint32_t GraphicsReleaseCount;
