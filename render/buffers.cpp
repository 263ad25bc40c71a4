// buffers.cpp - vertex and index buffer records, the circular vertex buffer and the release
// of every renderer resource.
#include "render/buffers.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstring>

#include "core/log.h"
#include "core/report.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/draw2d.h"
#include "render/env_maps.h"
#include "render/exposure.h"
#include "render/frame.h"
#include "render/immediate.h"
#include "render/kept_scene.h"
#include "render/material.h"
#include "render/object_picture.h"
#include "render/primitives.h"
#include "render/render_states.h"
#include "render/render_target.h"
#include "render/shaders.h"
#include "render/sky.h"
#include "render/sky_measure.h"
#include "render/system_textures.h"
#include "render/texture_record.h"
#include "render/texture_table.h"

VertexBufferList VertexBuffers;
IndexBufferList IndexBuffers;
uint32_t GraphicsReleaseCount = 0;

namespace {

void Report(const char* text) { ReportLine(text, REPORT_MESSAGE, REPORT_TARGET_DEBUG); }

template <class List, class Record>
void Append(List& list, Record* r) {
  r->prev = list.last;
  r->next = nullptr;
  if (list.last) list.last->next = r;
  else list.first = r;
  list.last = r;
  ++list.count;
}

template <class List, class Record>
void Unlink(List& list, Record* r) {
  if (r->prev) r->prev->next = r->next;
  else list.first = r->next;
  if (r->next) r->next->prev = r->prev;
  else list.last = r->prev;
  r->prev = r->next = nullptr;
  --list.count;
}

GfxBuffer MakeBuffer(uint32_t bytes, int usage, uint32_t bindFlag, const void* initial) {
  GfxBufferDesc d;
  d.byteWidth = bytes;
  d.usage = usage == GFX_USAGE_DYNAMIC ? GFX_USAGE_DYNAMIC : GFX_USAGE_DEFAULT;
  d.bindFlags = bindFlag;
  d.cpuAccessFlags = usage == GFX_USAGE_DYNAMIC ? uint32_t(GFX_CPU_ACCESS_WRITE) : 0u;
  GfxBuffer buffer;
  GfxSubresourceData data{initial, 0, 0};
  if (!Gfx.device || GfxFailed(GfxCreateBuffer(Gfx.device, d, initial ? &data : nullptr, &buffer))) return GfxBuffer{};
  return buffer;
}

// Maps a whole buffer of a record and hands back the element asked for.
int Lock(GfxBuffer buffer, uint32_t count, uint32_t elementBytes, GfxMap mapType, void** out, uint32_t first) {
  *out = nullptr;
  if (!buffer || first >= count) return 0;
  GfxMappedSubresource m;
  if (GfxFailed(GfxMapResource(Gfx.context, buffer, 0, mapType, &m)) || !m.data) return 0;
  *out = static_cast<uint8_t*>(m.data) + size_t(first) * elementBytes;
  return 1;
}

// Copies count bytes of system memory into a buffer: a dynamic one through a discarding map,
// a default one by rewriting the range.  False when the map failed.
bool Upload(GfxBuffer buffer, bool dynamic, const void* bytes, uint32_t count) {
  if (!buffer || count == 0) return true;
  if (dynamic) {
    GfxMappedSubresource m;
    if (GfxFailed(GfxMapResource(Gfx.context, buffer, 0, GFX_MAP_WRITE_DISCARD, &m)) || !m.data) return false;
    std::memcpy(m.data, bytes, count);
    GfxNoteWritten(buffer, 0, count, bytes);
    GfxUnmap(Gfx.context, buffer, 0);
    return true;
  }
  GfxBox box{0, 0, 0, count, 1, 1};
  GfxUpdateSubresource(Gfx.context, buffer, 0, &box, bytes, 0, 0);
  return true;
}

}  // namespace

// ---- [Vertex formats] ----

int VertexStride(int format) {
  switch (format) {
    case 1: return 32;
    case 2:
    case 3: return 24;
    default: return 0;
  }
}

// ---- [Vertex and index buffers] ----

int CreateVertexBuffer(int format, int usage, uint32_t count, VertexBuffer** out, const void* initial) {
  *out = nullptr;
  uint32_t stride = uint32_t(VertexStride(format));
  if (VertexBuffers.count >= BUFFER_LIST_LIMIT) {
    Report("CreateVertexBuffer: too many vertex buffers");
    return -1;
  }
  if (stride == 0 || count == 0 || count > UINT32_MAX / stride) return -1;
  GfxBuffer buffer = MakeBuffer(stride * count, usage, GFX_BIND_VERTEX_BUFFER, initial);
  if (!buffer) return -1;
  VertexBuffer* r = new VertexBuffer{buffer, uint8_t(usage), count, stride, nullptr, nullptr};
  Append(VertexBuffers, r);
  *out = r;
  return 0;
}

int CreateIndexBuffer(int wide, int usage, uint32_t count, IndexBuffer** out, const void* initial) {
  *out = nullptr;
  uint32_t bytes = wide ? 4 : 2;
  if (IndexBuffers.count >= BUFFER_LIST_LIMIT) {
    Report("CreateIndexBuffer: too many index buffers");
    return -1;
  }
  if (count == 0 || count > UINT32_MAX / bytes) return -1;
  GfxBuffer buffer = MakeBuffer(bytes * count, usage, GFX_BIND_INDEX_BUFFER, initial);
  if (!buffer) return -1;
  IndexBuffer* r = new IndexBuffer{buffer, uint8_t(usage), count, uint8_t(wide ? 1 : 0), uint8_t(bytes), nullptr,
                                   nullptr};
  Append(IndexBuffers, r);
  *out = r;
  return 0;
}

int VertexBuffer::LockV(GfxMap mapType, void** out, uint32_t firstVertex) {
  return Lock(buffer, count, stride, mapType, out, firstVertex);
}

int IndexBuffer::LockI(GfxMap mapType, void** out, uint32_t firstIndex) {
  return Lock(buffer, count, indexBytes, mapType, out, firstIndex);
}

void VertexBuffer::UnlockV() {
  if (buffer) GfxUnmap(Gfx.context, buffer, 0);
}

void IndexBuffer::UnlockI() {
  if (buffer) GfxUnmap(Gfx.context, buffer, 0);
}

void SetActiveVertexBuffer(const VertexBuffer* record) {
  // The layer skips a binding that is already in force.
  GfxBuffer buffer = record ? record->buffer : GfxBuffer{};
  uint32_t stride = record ? record->stride : 0, offset = 0;
  GfxIASetVertexBuffers(Gfx.context, 0, 1, &buffer, &stride, &offset);
}

void SetActiveIndexBuffer(const IndexBuffer* record) {
  GfxBuffer buffer = record ? record->buffer : GfxBuffer{};
  GfxIASetIndexBuffer(Gfx.context, buffer, record && record->wide ? GFX_FORMAT_R32_UINT : GFX_FORMAT_R16_UINT, 0);
}

void ReleaseVertexBuffer(VertexBuffer* record) {
  if (!record) return;
  Unlink(VertexBuffers, record);
  GfxRelease(record->buffer);
  delete record;
}

void ReleaseIndexBuffer(IndexBuffer* record) {
  if (!record) return;
  Unlink(IndexBuffers, record);
  GfxRelease(record->buffer);
  delete record;
}

void ReleaseAllVertexBuffers() {
  while (VertexBuffers.first) ReleaseVertexBuffer(VertexBuffers.first);
}

void ReleaseAllIndexBuffers() {
  while (IndexBuffers.first) ReleaseIndexBuffer(IndexBuffers.first);
}

// ---- [Circular vertex buffer] ----

namespace {

// The buffers of a shaped stream; 0 (and the stream closed) when the device refuses them.
int MakeStreamBuffers(CircularVBuffer& b) {
  b.makeOnFirstStart = 0;
  b.madeInRelease = GraphicsReleaseCount;
  const int usage = b.dynamic ? GFX_USAGE_DYNAMIC : GFX_USAGE_DEFAULT;
  if (CreateVertexBuffer(b.format, usage, b.vertexCapacity, &b.vertexBuffer) != 0 ||
      CreateIndexBuffer(0, usage, 3 * b.triangleCapacity, &b.indexBuffer) != 0) {
    b.Close();
    return 0;
  }
  return 1;
}

}  // namespace

void CircularVBuffer::InitBufOnFirstUse(int formatNumber, int dynamicFlag, uint32_t vertices, uint32_t triangles) {
  // 16-bit indices reach 65536 vertices.
  assert(vertices <= 65536 && "a circular buffer's vertices must be reachable by 16-bit indices");
  Close();
  format = uint8_t(formatNumber);
  stride = uint8_t(VertexStride(formatNumber));
  dynamic = uint8_t(dynamicFlag ? 1 : 0);
  vertexCapacity = vertices;
  triangleCapacity = triangles;
  makeOnFirstStart = 1;
}

int CircularVBuffer::InitBuf(int formatNumber, int dynamicFlag, uint32_t vertices, uint32_t triangles) {
  InitBufOnFirstUse(formatNumber, dynamicFlag, vertices, triangles);
  return MakeStreamBuffers(*this);
}

void CircularVBuffer::Close() {
  if (madeInRelease != GraphicsReleaseCount) {
    // Released with everything else: nothing is left to unlock or release.
    vertexBuffer = nullptr;
    indexBuffer = nullptr;
    verticesMapped = indicesMapped = 0;
    vertexWrite = nullptr;
    indexWrite = nullptr;
    madeInRelease = GraphicsReleaseCount;
  }
  if (vertexWrite || verticesMapped || indicesMapped) UnlockBuffer();
  ReleaseVertexBuffer(vertexBuffer);
  ReleaseIndexBuffer(indexBuffer);
  vertexBuffer = nullptr;
  indexBuffer = nullptr;
  vertexCopy.reset();
  indexCopy.reset();
  format = stride = dynamic = makeOnFirstStart = 0;
  vertexCapacity = triangleCapacity = 0;
  vertexWrite = nullptr;
  indexWrite = nullptr;
  batchVertex = batchIndex = vertexEnd = indexEnd = 0;
  topology = GFX_TOPOLOGY_UNDEFINED;
  verticesMapped = indicesMapped = batchOpen = roomReported = 0;
  vertexCount = triangleCount = 0;
  material = nullptr;
}

int CircularVBuffer::StartV(const Material* batchMaterial, int mapVertices, GfxTopology batchTopology) {
  if (vertexWrite || indexWrite) UnlockBuffer();  // a batch left open is closed, not overwritten
  batchOpen = 0;
  topology = batchTopology;
  vertexCount = triangleCount = 0;
  material = batchMaterial ? batchMaterial : GetDefaultMaterial();
  if (!vertexBuffer && makeOnFirstStart) MakeStreamBuffers(*this);
  if (!vertexBuffer) return 0;  // no device: the writers' refusal is reported once, not per start
  roomReported = 0;
  batchVertex = batchIndex = 0;
  if (mapVertices) {
    void* p;
    if (!vertexBuffer->LockV(GFX_MAP_WRITE_DISCARD, &p, 0)) return 0;
    vertexWrite = vertexMapping = static_cast<uint8_t*>(p);
    firstVertexWritten = 0;
    verticesMapped = 1;
  } else {
    if (!vertexCopy) vertexCopy = std::make_unique<uint8_t[]>(size_t(stride) * vertexCapacity);
    vertexWrite = vertexCopy.get();
  }
  batchOpen = 1;
  return 1;
}

int CircularVBuffer::StartBuf(const Material* batchMaterial, int mapVertices, int mapIndices) {
  if (!StartV(batchMaterial, mapVertices, GFX_TOPOLOGY_TRIANGLELIST)) return 0;
  if (!indexBuffer) {
    UnlockBuffer();
    batchOpen = 0;
    return 0;
  }
  if (mapIndices) {
    void* p;
    if (!indexBuffer->LockI(GFX_MAP_WRITE_DISCARD, &p, 0)) {
      UnlockBuffer();
      batchOpen = 0;
      return 0;
    }
    indexWrite = indexMapping = static_cast<uint16_t*>(p);
    firstIndexWritten = 0;
    indicesMapped = 1;
  } else {
    if (!indexCopy) indexCopy = std::make_unique<uint16_t[]>(size_t(3) * triangleCapacity);
    indexWrite = indexCopy.get();
  }
  return 1;
}

int CircularVBuffer::StartBufAfter(const Material* batchMaterial, uint32_t vertices, uint32_t triangles) {
  if (vertexWrite || indexWrite) UnlockBuffer();
  if (!vertexBuffer || !indexBuffer || vertices > vertexCapacity - vertexEnd ||
      triangles > triangleCapacity - indexEnd / 3)
    return StartBuf(batchMaterial, 1, 1);
  batchOpen = 0;
  topology = GFX_TOPOLOGY_TRIANGLELIST;
  vertexCount = triangleCount = 0;
  material = batchMaterial ? batchMaterial : GetDefaultMaterial();
  roomReported = 0;
  void* p;
  if (!vertexBuffer->LockV(GFX_MAP_WRITE_NO_OVERWRITE, &p, 0)) return 0;
  batchVertex = vertexEnd;
  vertexMapping = static_cast<uint8_t*>(p);
  vertexWrite = vertexMapping + size_t(batchVertex) * stride;
  firstVertexWritten = 0;
  verticesMapped = 1;
  if (!indexBuffer->LockI(GFX_MAP_WRITE_NO_OVERWRITE, &p, 0)) {
    UnlockBuffer();
    return 0;
  }
  batchIndex = indexEnd;
  indexMapping = static_cast<uint16_t*>(p);
  indexWrite = indexMapping + batchIndex;
  firstIndexWritten = 0;
  indicesMapped = 1;
  batchOpen = 1;
  return 1;
}

int CircularVBuffer::ContinueBuf() {
  if (vertexWrite || indexWrite) UnlockBuffer();
  if (!vertexBuffer || !indexBuffer || batchVertex + vertexCount >= vertexCapacity) return 0;
  void* p;
  if (!vertexBuffer->LockV(GFX_MAP_WRITE_NO_OVERWRITE, &p, 0)) return 0;
  vertexMapping = static_cast<uint8_t*>(p);
  vertexWrite = vertexMapping + size_t(batchVertex + vertexCount) * stride;
  firstVertexWritten = vertexCount;
  verticesMapped = 1;
  if (topology == GFX_TOPOLOGY_TRIANGLELIST) {
    if (!indexBuffer->LockI(GFX_MAP_WRITE_NO_OVERWRITE, &p, 0)) {
      UnlockBuffer();
      return 0;
    }
    indexMapping = static_cast<uint16_t*>(p);
    indexWrite = indexMapping + batchIndex + size_t(3) * triangleCount;
    firstIndexWritten = 3 * triangleCount;
    indicesMapped = 1;
  }
  batchOpen = 1;
  return 1;
}

void CircularVBuffer::UnlockBuffer() {
  if (verticesMapped) {
    const uint32_t first = batchVertex + firstVertexWritten;
    if (vertexCount > firstVertexWritten && batchVertex + vertexCount <= vertexCapacity)
      GfxNoteWritten(vertexBuffer->buffer, first * stride, (vertexCount - firstVertexWritten) * stride,
                     vertexMapping + size_t(first) * stride);
    vertexBuffer->UnlockV();
  } else if (vertexWrite && vertexCount > 0) {
    if (!Upload(vertexBuffer->buffer, dynamic, vertexCopy.get(), vertexCount * stride)) vertexCount = 0;
  }
  if (indicesMapped) {
    const uint32_t indices = 3 * triangleCount, first = batchIndex + firstIndexWritten;
    if (indices > firstIndexWritten && batchIndex / 3 + triangleCount <= triangleCapacity)
      GfxNoteWritten(indexBuffer->buffer, first * 2, (indices - firstIndexWritten) * 2, indexMapping + first);
    indexBuffer->UnlockI();
  } else if (indexWrite && triangleCount > 0 && topology == GFX_TOPOLOGY_TRIANGLELIST) {
    if (!Upload(indexBuffer->buffer, dynamic, indexCopy.get(), triangleCount * 6)) triangleCount = 0;
  }
  vertexWrite = nullptr;
  indexWrite = nullptr;
  verticesMapped = indicesMapped = 0;
  vertexEnd = std::min(batchVertex + vertexCount, vertexCapacity);
  indexEnd = std::min(batchIndex + 3 * triangleCount, 3 * triangleCapacity);
}

bool CircularVBuffer::HasRoom(uint32_t vertices, uint32_t triangles) const {
  if (!vertexWrite || (triangles > 0 && !indexWrite)) return false;
  return vertices <= vertexCapacity - batchVertex - vertexCount &&
         triangles <= triangleCapacity - batchIndex / 3 - triangleCount;
}

bool CircularVBuffer::CheckRoom(uint32_t vertices, uint32_t triangles, const char* name) {
  if (HasRoom(vertices, triangles)) return true;
  if (!roomReported) {
    roomReported = 1;
    char line[160];
    if (!vertexWrite || (triangles > 0 && !indexWrite))
      std::snprintf(line, sizeof line, "%s: no batch open", name);
    else
      std::snprintf(line, sizeof line, "%s: no room for %u vertices and %u triangles (%u of %u and %u of %u used)",
                    name, vertices, triangles, vertexCount, vertexCapacity, triangleCount, triangleCapacity);
    Report(line);
  }
  return false;
}

namespace {

void BindBatchTexture(const Material* m) {
  if (m && m->texture) BindTextureSlot(0, m->texture);
}

}  // namespace

void CircularVBuffer::DrawBuffer(int samplerIndex) {
  if (vertexWrite || indexWrite) UnlockBuffer();  // a mapped buffer cannot be drawn from
  batchOpen = 0;
  if (triangleCount == 0 || !vertexBuffer || !indexBuffer) return;
  SetActiveVertexBuffer(vertexBuffer);
  SetActiveIndexBuffer(indexBuffer);
  GfxIASetPrimitiveTopology(Gfx.context, GFX_TOPOLOGY_TRIANGLELIST);
  RenderStates.pendingSampler[0] = samplerIndex;
  BindBatchTexture(material);
  FlushStates();
  ++Gfx.drawCalls;
  if (DrawsAllowed()) GfxDrawIndexed(Gfx.context, 3 * triangleCount, batchIndex, int32_t(batchVertex));
}

void CircularVBuffer::DrawBufferStrip(int samplerIndex) {
  if (vertexWrite || indexWrite) UnlockBuffer();
  batchOpen = 0;
  if (vertexCount < 3 || !vertexBuffer) return;
  SetActiveVertexBuffer(vertexBuffer);
  GfxIASetPrimitiveTopology(Gfx.context, topology);
  RenderStates.pendingSampler[0] = samplerIndex;
  BindBatchTexture(material);
  FlushStates();
  ++Gfx.drawCalls;
  if (DrawsAllowed()) GfxDraw(Gfx.context, vertexCount, batchVertex);
}

void CircularVBuffer::DrawBufferSimple() {
  if (vertexWrite || indexWrite) UnlockBuffer();
  batchOpen = 0;
  if (vertexCount == 0 || !vertexBuffer) return;
  SetActiveVertexBuffer(vertexBuffer);
  GfxIASetPrimitiveTopology(Gfx.context, topology);
  RenderStates.pendingSampler[0] = material ? (material->flags & 3) : 0;
  BindBatchTexture(material);
  FlushStates();
  ++Gfx.drawCalls;
  GfxDraw(Gfx.context, vertexCount, batchVertex);  // the one draw made whatever the shader marks say
}

void CircularVBuffer::DrawBufferWorld() {
  if (vertexWrite || indexWrite) UnlockBuffer();
  batchOpen = 0;
  if (triangleCount == 0 || !vertexBuffer || !indexBuffer) return;
  SetActiveVertexBuffer(vertexBuffer);
  SetActiveIndexBuffer(indexBuffer);
  GfxIASetPrimitiveTopology(Gfx.context, GFX_TOPOLOGY_TRIANGLELIST);
  int raster = RenderStates.pendingRaster;
  ApplyMaterial(material, 3);
  FlushStates();
  ++Gfx.drawCalls;
  if (DrawsAllowed()) GfxDrawIndexed(Gfx.context, 3 * triangleCount, batchIndex, int32_t(batchVertex));
  RenderStates.pendingRaster = raster;
}

void CircularVBuffer::DrawBuffer3D() {
  Material::EnableVertexDeclaration(2);
  Material::SetVShader(10);
  Material::SetPShader(material && material->texture ? 37 : 35);
  DrawBuffer(material ? (material->flags & 3) : 0);
}

void CircularVBuffer::DrawBuffer3DSimple() {
  if (vertexWrite || indexWrite) UnlockBuffer();
  batchOpen = 0;
  if (vertexCount == 0 || !vertexBuffer) return;
  int car = ShaderCarFlag, shadow = ShaderShadowFlag;
  ShaderCarFlag = ShaderShadowFlag = 0;
  Material::EnableVertexDeclaration(2);
  Material::SetVShader(10);
  Material::SetPShader(35);
  ShaderCarFlag = car;
  ShaderShadowFlag = shadow;
  SetActiveVertexBuffer(vertexBuffer);
  GfxIASetPrimitiveTopology(Gfx.context, topology);
  FlushStates();
  ++Gfx.drawCalls;
  if (DrawsAllowed()) GfxDraw(Gfx.context, vertexCount, batchVertex);
}

// ---- [Release all] ----

void FreeAllGraphics(int recreate, int releaseShaders) {
  CloseImmediateBuffers();
  Draw2DList.Free();
  if (RenderTargets.depth > 0) {
    RenderTargets.depth = 1;
    UnsetRenderTarget();
  }
  FreeAllFastMeshes();
  ClearTempMeshStore();
  FreeAllMaterials();
  // The system set, the background and the plate pages hold materials of the emptied map:
  // forgotten with it, so that a later start or look-up makes them again.
  ReleaseSystemTextures();
  if (releaseShaders) {
    ReleaseShaders(nullptr);
    ReleaseVertexLayouts();
  }
  // The shine textures and the render texture with its chains are records of the table
  // that is emptied next.
  ShineTextures[0] = ShineTextures[1] = nullptr;
  ReleaseEditorGround();
  ReleaseKeptScene();
  ForgetRenderTextures();
  ForgetEnvironmentTextures();
  ForgetSkyMeasureSurfaces();
  ClearLightSchemeLightWords();
  FreeAllTextures(recreate);
  ReleaseComputeBuffers(SharedComputeJob);
  ReleaseExposureReader();
  ReleaseAllVertexBuffers();
  ReleaseAllIndexBuffers();
  ++GraphicsReleaseCount;
  if (recreate) {
    if (!CreateImmediateBuffers()) LogLine("FreeAllGraphics: the immediate buffers could not be made again");
    GetDefaultMaterial();
    Draw2DList.Init();
    if (Gfx.featureLevel >= GFX_FEATURE_LEVEL_11_0) {
      if (const char* step = CreateComputeBuffers(SharedComputeJob)) LogF("FreeAllGraphics: %s failed", step);
    }
  }
}
