// sweep_test.h - what the sweep's tests, its benchmark and its fuzz target share: mapping
// records made by hand (owning their palette, column ends and cells), a cross-section of
// points along x swept along y, and the check that a built mesh is well formed.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "world/built_mesh.h"
#include "world/mapping.h"
#include "world/render_mesh_builder.h"

// A mapping record and the arrays it points into.
struct SweepMapping {
  MappingRecord record{};
  std::vector<uint8_t> palette;  // 4 bytes a colour: red, green, blue, flags
  std::vector<int32_t> ends;     // cumulative column ends, 16.16
  std::vector<uint8_t> cells;    // rows x columns

  // columns equal columns, rows given, every cell the colour index given (255: none).
  SweepMapping(int columns, int rows, uint8_t cell = 0, const char* texture = "road", Material* material = nullptr) {
    record.columnCount = uint8_t(columns);
    record.gridRows = uint8_t(rows);
    record.uSpan = 128;
    record.vSpan = 128;
    record.repeatLength = 200;
    record.flags = SRF_HAS_COLOUR;
    std::strncpy(record.textureName, texture, MAPPING_NAME_SIZE);
    record.materialRecord = material;
    record.width = record.height = 4.0f;
    palette = {200, 100, 50, 0, 10, 20, 30, 0};
    record.paletteCount = 2;
    for (int c = 1; c <= columns; ++c) ends.push_back(int32_t(int64_t(c) * 65536 / columns));
    cells.assign(size_t(rows) * columns, cell);
    std::memcpy(record.finalColour, palette.data(), 4);
  }
  MappingRecord Record() const {
    MappingRecord r = record;
    r.palette = const_cast<uint8_t*>(palette.data());
    r.columnEnds = const_cast<int32_t*>(ends.data());
    r.cells = const_cast<uint8_t*>(cells.data());
    return r;
  }
};

// Edges i from point i to point i + 1, with mapping i (or 0 when fewer are given).
inline std::vector<MappingRef> ChainEdges(int count, int mappingCount, uint16_t startRow = 0) {
  std::vector<MappingRef> edges;
  for (int i = 0; i < count; ++i)
    edges.push_back(MappingRef{uint16_t(i < mappingCount ? i : 0), 0, 0, startRow, uint8_t(i), uint8_t(i + 1)});
  return edges;
}

// A cross-section of points along x (step metres apart) at y = ring x length metres.
struct SweepRings {
  int pointCount;
  double step, length;
  std::vector<IntVector> points, normals;
  // The normals the rings give at each edge's ends: zero (each triangle's face normal) unless
  // set.
  explicit SweepRings(int count, double stepIn = 1.0, double lengthIn = 1.0, IntVector normal = {0, 0, 0})
      : pointCount(count), step(stepIn), length(lengthIn), normals(2 * MAX_SWEEP_EDGES, normal) {}
  SweepRing Ring(int k) {
    points.resize(size_t(pointCount));
    for (int i = 0; i < pointCount; ++i)
      points[i] = {int32_t(i * step * 65536), int32_t(k * length * 65536), 0};
    return SweepRing{points.data(), pointCount, normals.data()};
  }
};

// Begin, n rings (the last one closing when closed), drop the unused textures.
inline void RunSweep(const std::vector<MappingRef>& edges, const std::vector<MappingRecord>& maps, SweepRings& rings,
                     int steps, int textured, bool closed, float scale = 1.0f) {
  SweepRing first = rings.Ring(0);
  BeginSweep(int(edges.size()), edges.data(), maps.data(), int(maps.size()), first, steps, textured, scale);
  for (int k = 1; k <= steps; ++k) {
    if (closed && k == steps) {
      AddSweepRing(nullptr);
    } else {
      SweepRing ring = rings.Ring(k);
      AddSweepRing(&ring);
    }
  }
  DropUnusedSweepTextures();
}

// Empty when the mesh is well formed: its parts sum to its counts and each triangle's corners
// lie among its part's points.
inline std::string BuiltMeshFault(const BuiltMesh& mesh) {
  int64_t points = 0, triangles = 0;
  for (int p = 0; p < mesh.partCount; ++p) {
    const BuiltPart& part = mesh.parts[p];
    if (part.pointCount < 0 || part.triangleCount < 0) return "negative part count";
    for (int t = 0; t < part.triangleCount; ++t) {
      if (triangles + t >= mesh.triangleCount) return "triangles past the count";
      for (uint32_t c : mesh.triangles[triangles + t].corners)
        if (int64_t(c) < points || int64_t(c) >= points + part.pointCount) return "corner outside its part";
    }
    points += part.pointCount;
    triangles += part.triangleCount;
  }
  if (points != mesh.pointCount || triangles != mesh.triangleCount) return "parts do not sum to the counts";
  return "";
}
