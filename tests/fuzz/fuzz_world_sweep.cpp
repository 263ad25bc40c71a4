// fuzz_world_sweep.cpp - the world's sweep driven by arbitrary bytes: the head chooses the
// edge count (0..70), the steps (0..4095), textured, the texture scale, a closed end and the
// mapping count (1..4); each mapping then takes its columns, rows, palette, spans, offsets,
// trims, orientation, repeat length, projection kind, flags, texture name and one of 70
// materials (more than a pool's 64 textures); each edge its mapping index (possibly outside
// the table), width fit, start row, points (possibly outside the ring) and reference length;
// then the first ring's points and each point's step along the sweep.  Bytes past the end
// read as 0.  Every index the pool holds must lie inside it and the built mesh must be well
// formed.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "render/material.h"
#include "world/built_mesh.h"
#include "world/mapping.h"
#include "world/render_mesh_builder.h"

namespace {

struct Bytes {
  const uint8_t* data;
  size_t size, at = 0;
  uint8_t Byte() { return at < size ? data[at++] : 0; }
  int16_t Short() { return int16_t(Byte() | Byte() << 8); }
};

struct FuzzMapping {
  MappingRecord record{};
  std::vector<uint8_t> palette, cells;
  std::vector<int32_t> ends;
};

Material FuzzMaterials[70];

[[noreturn]] void Fail() { std::abort(); }

void CheckPool(const MeshPool& pool) {
  if (pool.vertexCount < 0 || pool.vertexCount > MESH_POOL_VERTICES) Fail();
  if (pool.triangleCount < 0 || pool.triangleCount > MESH_POOL_TRIANGLES) Fail();
  if (pool.cornerCount < 0 || pool.cornerCount > MESH_POOL_CORNERS) Fail();
  if (pool.textureCount < 0 || pool.textureCount > MESH_POOL_TEXTURES) Fail();
  for (int v = 0; v < pool.vertexCount; ++v) {
    int steps = 0;
    for (int32_t c = pool.vertices[v].firstCorner; c >= 0; c = pool.corners[c].next)
      if (c >= pool.cornerCount || ++steps > pool.cornerCount) Fail();
  }
  for (int t = 0; t < pool.triangleCount; ++t) {
    const PoolTriangle& tri = pool.triangles[t];
    if (tri.texture != POOL_NO_TEXTURE && tri.texture >= pool.textureCount) Fail();
    for (int i = 0; i < 3; ++i) {
      if (tri.vertex[i] < 0 || tri.vertex[i] >= pool.vertexCount) Fail();
      int32_t c = pool.vertices[tri.vertex[i]].firstCorner;
      for (int k = 0; k < tri.cornerOrdinal[i] && c >= 0; ++k) c = pool.corners[c].next;
      if (c < 0) Fail();
    }
  }
}

void CheckBuilt(const BuiltMesh& mesh) {
  int64_t points = 0, triangles = 0;
  for (int p = 0; p < mesh.partCount; ++p) {
    const BuiltPart& part = mesh.parts[p];
    if (part.pointCount < 0 || part.triangleCount < 0) Fail();
    for (int t = 0; t < part.triangleCount; ++t) {
      if (triangles + t >= mesh.triangleCount) Fail();
      for (uint32_t c : mesh.triangles[triangles + t].corners)
        if (int64_t(c) < points || int64_t(c) >= points + part.pointCount) Fail();
    }
    points += part.pointCount;
    triangles += part.triangleCount;
  }
  if (points != mesh.pointCount || triangles != mesh.triangleCount) Fail();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Bytes in{data, size};
  const int edgeCount = in.Byte() % 71;
  const int steps = (in.Byte() | in.Byte() << 8) % 4096;
  const uint8_t mode = in.Byte();
  const int textured = mode & 1;
  const bool closed = mode & 2;
  const float scale = float(in.Byte()) / 32.0f;
  const int mappingCount = 1 + in.Byte() % 4;

  std::vector<FuzzMapping> maps(static_cast<size_t>(mappingCount));
  for (FuzzMapping& f : maps) {
    MappingRecord& r = f.record;
    r.columnCount = in.Byte() % 7;
    r.gridRows = in.Byte() % 4;
    r.paletteCount = in.Byte() % 3;
    r.uSpan = in.Byte();
    r.vSpan = in.Byte();
    r.uOffset = in.Byte();
    r.vOffset = in.Byte();
    r.trimCodes = in.Byte();
    r.orientation = in.Byte() % 8;
    r.repeatLength = in.Byte();
    r.projection = in.Byte() % 4;
    r.flags = in.Byte();
    r.angle[0] = float(in.Short()) / 1000.0f;
    r.width = float(in.Byte()) / 16.0f;
    r.height = float(in.Byte()) / 16.0f;
    if (in.Byte() & 1) std::strcpy(r.textureName, "fuzz");
    r.materialRecord = &FuzzMaterials[in.Byte() % 70];
    for (int i = 0; i < 4; ++i) r.finalColour[i] = in.Byte();
    f.palette.resize(size_t(r.paletteCount) * 4);
    for (uint8_t& b : f.palette) b = in.Byte();
    int32_t end = 0;
    for (int c = 0; c < r.columnCount; ++c) {
      end += in.Byte() << 8;
      f.ends.push_back(c + 1 == r.columnCount ? 65536 : end);
    }
    f.cells.resize(size_t(r.gridRows) * r.columnCount);
    for (uint8_t& b : f.cells) b = in.Byte();
    r.palette = f.palette.data();
    r.cells = f.cells.data();
    r.columnEnds = f.ends.data();
  }
  std::vector<MappingRecord> records;
  for (const FuzzMapping& f : maps) records.push_back(f.record);

  const int pointCount = edgeCount + 1;
  std::vector<MappingRef> edges(static_cast<size_t>(edgeCount));
  for (int e = 0; e < edgeCount; ++e) {
    MappingRef& ref = edges[size_t(e)];
    ref.mappingIndex = in.Byte() % (mappingCount + 1);
    ref.widthFit = in.Byte() % 3;
    ref.startRow = uint16_t(in.Byte() | in.Byte() << 8);
    ref.first = uint8_t(in.Byte() % (pointCount + 1));
    ref.second = uint8_t(in.Byte() % (pointCount + 1));
    SweepReferenceLengths[e % MAX_SWEEP_EDGES] = float(in.Byte()) / 8.0f;
  }
  std::vector<IntVector> base(static_cast<size_t>(pointCount)), delta(base), points(base);
  for (int p = 0; p < pointCount; ++p) {
    base[size_t(p)] = {in.Short() * 256, in.Short() * 256, in.Short() * 256};
    delta[size_t(p)] = {in.Short() * 4, in.Short() * 4, in.Short() * 4};
  }
  std::vector<IntVector> normals(2 * MAX_SWEEP_EDGES, IntVector{0, 0, 0});
  for (int e = 0; e < edgeCount && e < MAX_SWEEP_EDGES; ++e)
    normals[size_t(2 * e)] = normals[size_t(2 * e + 1)] = {in.Short(), in.Short(), int32_t(in.Byte()) << 8};

  const auto ring = [&](int k) {
    for (int p = 0; p < pointCount; ++p)
      points[size_t(p)] = {base[size_t(p)].x + k * delta[size_t(p)].x, base[size_t(p)].y + k * delta[size_t(p)].y,
                           base[size_t(p)].z + k * delta[size_t(p)].z};
    return SweepRing{points.data(), pointCount, normals.data()};
  };
  const SweepRing first = ring(0);
  BeginSweep(edgeCount, edges.data(), records.data(), mappingCount, first, steps, textured, scale);
  for (int k = 1; k <= steps; ++k) {
    if (closed && k == steps) {
      AddSweepRing(nullptr);
    } else {
      const SweepRing next = ring(k);
      AddSweepRing(&next);
    }
  }
  CheckPool(SweepPool());
  DropUnusedSweepTextures();
  CheckPool(SweepPool());
  IntVector centre, half;
  int32_t radius;
  GetSweepBounds(centre, radius, half);
  if (radius < 0) Fail();
  BuiltMesh mesh;
  EndSweep(mesh);
  CheckBuilt(mesh);
  mesh.Free();
  return 0;
}
