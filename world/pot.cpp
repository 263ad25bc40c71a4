// pot.cpp - pot outlines: the reader, the rings, the level meshes and the collision mesh.
#include "world/pot.h"

#include <cmath>
#include <new>
#include <vector>

#include "core/config.h"
#include "core/data_file.h"
#include "core/report.h"
#include "render/object_mesh.h"
#include "world/built_mesh.h"
#include "world/render_mesh_builder.h"
#include "world/world.h"

namespace {

constexpr double FIX = 65536.0;

void DebugLine(const char* text) {
  if (CfgDebugLevel != 0) ReportLine(text, REPORT_WARNING);
}

int32_t Round(double v) { return NearestSaturated(v); }

}  // namespace

// ---- [Outline] ----

void Pot::Free() {
  delete[] edges;
  edges = nullptr;
  edgeCount = 0;
  GraphData::Free();
}

// ---- [Reading] ----

int ReadPot(Pot& pot, DataFile& stream, int version) {
  pot.Free();
  int edgeCount = 0;
  bool pointsRead = false;
  if (version >= POT_NEW_FORM_VERSION) {
    stream.Skip(1);
    pot.segmentCount = static_cast<uint8_t>(stream.ReadByte());
    edgeCount = stream.ReadByte();
    stream.Skip(1);
    stream.ReadBlock(pot.extra, POT_EXTRA_BYTES);
    pointsRead = ReadGraphPoints(pot, stream, POT_POINTS_MAX);
  } else {
    stream.ReadBlock(pot.extra, 16);
    pot.segmentCount = static_cast<uint8_t>(stream.ReadByte());
    stream.Skip(3);
    stream.ReadInt();
    pointsRead = ReadGraphPoints(pot, stream, POT_POINTS_MAX);
    edgeCount = pointsRead ? stream.ReadByte() : 0;
    if (pointsRead) stream.Skip(3);
  }
  if (!pointsRead || stream.readPastEnd || edgeCount < 0) {
    stream.readPastEnd = 1;
    pot.Free();
    return 0;
  }
  bool bad = false;
  for (int i = 0; i < pot.numPoints; ++i) {
    GraphPoint& p = pot.points[i];
    if (std::isfinite(p.x) && std::isfinite(p.y)) continue;
    if (!std::isfinite(p.x)) p.x = 0.0f;
    if (!std::isfinite(p.y)) p.y = 0.0f;
    bad = true;
  }
  if (bad) DebugLine("Pot - an outline point is not a number: it is taken as 0");
  pot.edges = new MappingRef[edgeCount + 1]();
  pot.edgeCount = static_cast<uint8_t>(edgeCount);
  for (int i = 0; i < edgeCount; ++i) ReadMappingRef(pot.edges[i], stream, version);
  if (stream.readPastEnd) {
    pot.Free();
    return 0;
  }
  return 1;
}

// ---- [Rings] ----

void PotRingPoints(const Pot& pot, const FixedTransform& transform, float cosTheta, float sinTheta, IntVector* out) {
  for (int i = 0; i < pot.numPoints; ++i) {
    const GraphPoint& p = pot.points[i];
    const IntVector local = {Round(-double(p.x) * FIX * sinTheta), Round(double(p.x) * FIX * cosTheta),
                             Round(double(p.y) * FIX)};
    TransformPoint(transform, local, out[i]);
  }
}

void PotRingNormals(const Pot& pot, IntVector* normals, const FixedMatrix& matrix, float cosTheta, float sinTheta) {
  for (int e = 0; e < pot.edgeCount; ++e) {
    const MappingRef& edge = pot.edges[e];
    IntVector n = {};
    if (edge.first < pot.numPoints && edge.second < pot.numPoints) {
      const GraphPoint& a = pot.points[edge.first];
      const GraphPoint& b = pot.points[edge.second];
      const int32_t du = Round((double(b.x) - a.x) * FIX);
      const double dv = (double(a.y) - b.y) * FIX;
      const IntVector local = {Round(-dv * sinTheta), Round(dv * cosTheta), du};
      MatrixTransform(matrix, local, n);
      const double length = std::sqrt(double(n.x) * n.x + double(n.y) * n.y + double(n.z) * n.z);
      if (length != 0)
        n = {Round(n.x / length * FIX), Round(n.y / length * FIX), Round(n.z / length * FIX)};
    }
    normals[2 * e] = normals[2 * e + 1] = n;
  }
}

bool PotEdgeUsable(const Pot& pot, const MappingRef& edge, int mappingCount) {
  if (edge.first >= pot.numPoints || edge.second >= pot.numPoints) {
    DebugLine("Pot - an edge names a point the outline has not: the edge is dropped");
    return false;
  }
  if (mappingCount >= 0 && edge.mappingIndex >= mappingCount) {
    DebugLine("Pot - an edge names a mapping the track has not: the edge is dropped");
    return false;
  }
  return true;
}

// ---- [Meshes] ----

int BuildPotLevelMesh(const Pot& pot, const FixedTransform& transform, int segments, int textured, BuiltMesh*& mesh) {
  mesh = nullptr;
  if (!CWld || pot.numPoints <= 0 || segments < 3) return 0;
  // The usable edges, in order; their outline lengths are the width fit's reference.
  Pot usable;
  std::vector<MappingRef> edges;
  for (int e = 0; e < pot.edgeCount && int(edges.size()) < MAX_SWEEP_EDGES; ++e)
    if (PotEdgeUsable(pot, pot.edges[e], CWld->mappingCount)) edges.push_back(pot.edges[e]);
  if (edges.empty()) return 0;
  for (size_t e = 0; e < edges.size(); ++e) {
    const GraphPoint& a = pot.points[edges[e].first];
    const GraphPoint& b = pot.points[edges[e].second];
    SweepReferenceLengths[e] = float(std::hypot(double(b.x) - a.x, double(b.y) - a.y));
  }
  usable.numPoints = pot.numPoints;
  usable.points = pot.points;
  usable.edgeCount = static_cast<uint8_t>(edges.size());
  usable.edges = edges.data();

  std::vector<IntVector> points(size_t(pot.numPoints)), normals(2 * edges.size());
  const float step = 6.2831855f / float(segments);
  float theta = 0.0f;
  PotRingPoints(usable, transform, 1.0f, 0.0f, points.data());
  PotRingNormals(usable, normals.data(), transform.rotation, 1.0f, 0.0f);
  const SweepRing first{points.data(), pot.numPoints, normals.data()};
  const int begun = BeginSweep(int(edges.size()), edges.data(), CWld->mappings, CWld->mappingCount, first, segments,
                               textured, 1.0f);
  if (begun) {
    for (int k = 1; k < segments; ++k) {
      theta += step;
      PotRingPoints(usable, transform, std::cos(theta), std::sin(theta), points.data());
      PotRingNormals(usable, normals.data(), transform.rotation, std::cos(theta), std::sin(theta));
      const SweepRing ring{points.data(), pot.numPoints, normals.data()};
      AddSweepRing(&ring);
    }
    AddSweepRing(nullptr);
    DropUnusedSweepTextures();
  }
  // The borrowed arrays are not the copy's to free.
  usable.points = nullptr;
  usable.numPoints = 0;
  usable.edges = nullptr;
  usable.edgeCount = 0;
  if (!begun) return 0;
  mesh = new (std::nothrow) BuiltMesh();
  if (!mesh) return 0;
  EndSweep(*mesh);
  return 1;
}

int BuildPotCollisionMesh(const Pot& pot, Obj3d& mesh) {
  AllocateMeshArrays(mesh, 0, 0);
  // Marks: -1 not used, 0 an axis point (one vertex), 1 a ring point (six).
  int8_t mark[POT_POINTS_MAX];
  for (int8_t& m : mark) m = -1;
  int triangles = 0;
  bool collides[256] = {};
  for (int e = 0; e < pot.edgeCount; ++e) {
    const MappingRef& edge = pot.edges[e];
    if (!(edge.flags & 1) || !PotEdgeUsable(pot, edge, CWld ? CWld->mappingCount : -1)) continue;
    collides[e] = true;
    const bool axisA = pot.points[edge.first].x == 0.0f, axisB = pot.points[edge.second].x == 0.0f;
    if (axisA && axisB) {
      DebugLine(TEXT_POT_UNUSABLE);
      return 0;
    }
    mark[edge.first] = axisA ? 0 : 1;
    mark[edge.second] = axisB ? 0 : 1;
    triangles += (axisA || axisB) ? POT_COLLISION_SEGMENTS : 2 * POT_COLLISION_SEGMENTS;
  }
  if (triangles == 0) return 0;
  // Vertices at angle 0 for every marked point, then the ring points at angles 1..5.
  int first[POT_POINTS_MAX] = {}, ringOrder[POT_POINTS_MAX] = {};
  int marked = 0, ringPoints = 0;
  for (int p = 0; p < pot.numPoints; ++p) {
    if (mark[p] < 0) continue;
    first[p] = marked++;
    if (mark[p] == 1) ringOrder[p] = ringPoints++;
  }
  AllocateMeshArrays(mesh, marked + (POT_COLLISION_SEGMENTS - 1) * ringPoints, triangles);
  const auto vertex = [&](int p, int k) -> Obj3dPoint* {
    if (mark[p] == 0 || k % POT_COLLISION_SEGMENTS == 0) return &mesh.points[first[p]];
    return &mesh.points[marked + (k - 1) * ringPoints + ringOrder[p]];
  };
  for (int p = 0; p < pot.numPoints; ++p)
    if (mark[p] >= 0) {
      Obj3dPoint& v = mesh.points[first[p]];
      v.x = 0;
      v.y = Round(double(pot.points[p].x) * FIX);
      v.z = Round(double(pot.points[p].y) * FIX);
    }
  float theta = 0.0f;
  int t = 0;
  for (int k = 1; k <= POT_COLLISION_SEGMENTS; ++k) {
    theta += 1.0471976f;
    if (k < POT_COLLISION_SEGMENTS)
      for (int p = 0; p < pot.numPoints; ++p)
        if (mark[p] == 1) {
          Obj3dPoint& v = *vertex(p, k);
          const double u = double(pot.points[p].x) * FIX;
          v.x = Round(-u * std::sin(theta));
          v.y = Round(u * std::cos(theta));
          v.z = Round(double(pot.points[p].y) * FIX);
        }
    for (int e = 0; e < pot.edgeCount; ++e) {
      if (!collides[e]) continue;
      const int a = pot.edges[e].first, b = pot.edges[e].second;
      if (mark[a] == 0) {
        InitTriangleRecord(mesh.triangles[t++], vertex(a, k), vertex(b, k), vertex(b, k - 1), 0, 0);
      } else if (mark[b] == 0) {
        InitTriangleRecord(mesh.triangles[t++], vertex(a, k), vertex(b, k), vertex(a, k - 1), 0, 0);
      } else {
        InitTriangleRecord(mesh.triangles[t++], vertex(a, k), vertex(b, k), vertex(a, k - 1), 0, 0);
        InitTriangleRecord(mesh.triangles[t++], vertex(b, k), vertex(b, k - 1), vertex(a, k - 1), 0, 0);
      }
    }
  }
  return 1;
}
