// temp_meshes.cpp - the temporary-mesh store: batches written into shared dynamic buffers each
// frame and drawn by entry.
#include <cstdio>
#include <cstring>

#include "core/report.h"
#include "render/constant_buffers.h"
#include "render/device.h"
#include "render/material.h"
#include "render/primitives.h"
#include "render/render_states.h"
#include "render/shaders.h"

TempMeshStore TempMeshes{{}, nullptr, 0, 0, 0, 0, -1};

namespace {

void Report(const char* text) { ReportLine(text, REPORT_ERROR, REPORT_TARGET_DEBUG); }

// The next buffer of the store, made on first use; null when the device refuses it.
CircularVBuffer* BufferAt(uint32_t index) {
  TempMeshStore& s = TempMeshes;
  if (index < s.buffers.size()) return s.buffers[index].get();
  auto buffer = std::make_unique<CircularVBuffer>();
  if (!buffer->InitBuf(1, 1, TEMP_MESH_VERTICES, TEMP_MESH_TRIANGLES)) {
    Report("AddDrawBatch : the temporary mesh buffer could not be made");
    return nullptr;
  }
  s.buffers.push_back(std::move(buffer));
  return s.buffers.back().get();
}

void GrowEntries() {
  TempMeshStore& s = TempMeshes;
  uint32_t capacity = s.capacity ? s.capacity + TEMP_MESH_MORE_ENTRIES : TEMP_MESH_FIRST_ENTRIES;
  auto entries = std::make_unique<TempMeshEntry[]>(capacity);
  if (s.count) std::memcpy(entries.get(), s.entries.get(), sizeof(TempMeshEntry) * s.count);
  s.entries = std::move(entries);
  s.capacity = capacity;
}

bool InUse(int entry) { return entry >= 0 && uint32_t(entry) < TempMeshes.count; }

const Material* EntryMaterial(int entry) {
  const Material* m = TempMeshes.entries[entry].material;
  return m ? m : GetDefaultMaterial();
}

}  // namespace

void ResetTempMeshes() {
  TempMeshStore& s = TempMeshes;
  if (s.writing >= 0) CloseDrawBatch(0, 0);
  s.count = 0;
  s.currentBuffer = 0;
  s.batchOpen = 0;
}

void ClearTempMeshStore() {
  TempMeshStore& s = TempMeshes;
  ResetTempMeshes();
  for (auto& buffer : s.buffers) buffer->Close();
  s.buffers.clear();
  s.entries.reset();
  s.capacity = 0;
}

void FreeTempMeshStore() { ClearTempMeshStore(); }

int AddDrawBatch(const Material* material, uint32_t vertices, uint32_t triangles) {
  TempMeshStore& s = TempMeshes;
  if (s.writing >= 0) CloseDrawBatch(0, 0);  // a batch left open keeps nothing
  if (vertices > TEMP_MESH_VERTICES || triangles > TEMP_MESH_TRIANGLES) {
    char line[128];
    std::snprintf(line, sizeof line, "AddDrawBatch : %u vertices and %u triangles do not fit a buffer (%u and %u)",
                  vertices, triangles, TEMP_MESH_VERTICES, TEMP_MESH_TRIANGLES);
    Report(line);
    return -1;
  }
  if (s.count == s.capacity) GrowEntries();
  CircularVBuffer* b = BufferAt(s.currentBuffer);
  if (!b) return -1;
  if (s.batchOpen && (b->vertexCount + vertices > TEMP_MESH_VERTICES ||
                      b->triangleCount + triangles > TEMP_MESH_TRIANGLES || b->vertexCount >= TEMP_MESH_VERTICES)) {
    b = BufferAt(s.currentBuffer + 1);
    if (!b) return -1;
    ++s.currentBuffer;
    s.batchOpen = 0;
  }
  TempMeshEntry& e = s.entries[s.count];
  e = TempMeshEntry{material, s.currentBuffer, 0, 0, 0, 0};
  if (s.batchOpen) {
    if (!b->ContinueBuf()) return -1;
    e.firstVertex = b->vertexCount;
    e.firstTriangle = b->triangleCount;
  } else {
    if (!b->StartBuf(material, 1, 1)) return -1;
    s.batchOpen = 1;
  }
  s.writing = int(s.count);
  return int(s.count++);
}

CircularVBuffer* TempMeshWriter() {
  const TempMeshStore& s = TempMeshes;
  return s.writing >= 0 ? s.buffers[s.entries[s.writing].buffer].get() : nullptr;
}

void CloseDrawBatch(uint32_t vertices, uint32_t triangles) {
  TempMeshStore& s = TempMeshes;
  if (s.writing < 0) return;
  TempMeshEntry& e = s.entries[s.writing];
  CircularVBuffer& b = *s.buffers[e.buffer];
  b.vertexCount += vertices;
  b.triangleCount += triangles;
  b.UnlockBuffer();
  e.triangleCount = triangles;
  s.writing = -1;
}

void TempMesh::DrawBuffer(int entry, int materialMode) {
  if (!InUse(entry)) {
    ReportLine("TempMesh index out of bounds", REPORT_ERROR);
    return;
  }
  const TempMeshEntry& e = TempMeshes.entries[entry];
  CircularVBuffer& b = *TempMeshes.buffers[e.buffer];
  if (entry == TempMeshes.writing) CloseDrawBatch(0, 0);
  int raster = RenderStates.pendingRaster;
  SetActiveVertexBuffer(b.vertexBuffer);
  SetActiveIndexBuffer(b.indexBuffer);
  GfxIASetPrimitiveTopology(Gfx.context, GFX_TOPOLOGY_TRIANGLELIST);
  ApplyMaterial(EntryMaterial(entry), materialMode ? 6 : 3);
  SetVSBufferActive(VS_ROW_VIEW_LIGHTS);
  FlushStates();
  ++Gfx.drawCalls;
  if (DrawsAllowed() && e.triangleCount)
    GfxDrawIndexed(Gfx.context, 3 * e.triangleCount, 3 * e.firstTriangle, int32_t(e.firstVertex));
  RenderStates.pendingRaster = raster;
}

int DrawVisibleTempMeshes(int first, int count) {
  int needsSecondPass = 0;
  for (int i = first; i < first + count; ++i) {
    if (!InUse(i) || PartNeedsPass(EntryMaterial(i), &needsSecondPass, 1)) TempMesh::DrawBuffer(i, 0);
  }
  return needsSecondPass;
}

void DrawTempMeshesSecondPass(int first, int count) {
  BeginSecondPass();
  int mode = CurrentWorldPass == 0 ? 1 : 0;
  for (int i = first; i < first + count; ++i)
    if (!InUse(i) || PartInSecondPass(EntryMaterial(i))) TempMesh::DrawBuffer(i, mode);
  EndSecondPass();
}

void DrawTempMeshRange(int first, int count) {
  for (int i = first; i < first + count; ++i) TempMesh::DrawBuffer(i, 0);
}
