// pot.h - pot outlines: solids of revolution described by an outline of (radius, height)
// points and the edges between them, each edge drawn with a world mapping.  A pre-generated
// model entry may hold a pot instead of a model; the placed object that uses it asks here for
// its level meshes (the outline swept round the vertical axis) and its collision mesh (six
// segments).
//
// Sections: [Outline] [Reading] [Rings] [Meshes]
//
// Outline points are metres (u the radius, v the height); ring and mesh points are 16.16.
// Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "core/graph_data.h"
#include "world/fixed_ob.h"

struct BuiltMesh;
struct DataFile;
struct Obj3d;

// ---- [Outline] ----
constexpr int POT_POINTS_MAX = 64;   // point indices are bytes; the collision build marks 64
constexpr int POT_EXTRA_BYTES = 20;  // kept as stored (16 in files before the new form)
constexpr int POT_NEW_FORM_VERSION = 252;
constexpr int POT_COLLISION_SEGMENTS = 6;
constexpr const char* TEXT_POT_UNUSABLE = "Pot - unusable surface found";

struct Pot final : GraphData {
  uint8_t edgeCount = 0;
  uint8_t segmentCount = 0;  // round the axis, as stored
  MappingRef* edges = nullptr;
  uint8_t extra[POT_EXTRA_BYTES] = {};

  void Free() override;  // the edges and the points
};

// ---- [Reading] ----
// Reads a pot in the form of the file version (freed first).  0, with the pot left empty and
// the stream marked as overrun, for an outline of more than 64 points, a negative count or one
// beyond the bytes left: the rest of the file cannot be found.  A point that is not a finite
// number becomes 0 (debug message).
int ReadPot(Pot& pot, DataFile& stream, int version);

// ---- [Rings] ----
// The outline turned by theta (its cosine and sine) round the vertical axis, through the
// object transform: one point per outline point.
void PotRingPoints(const Pot& pot, const FixedTransform& transform, float cosTheta, float sinTheta, IntVector* out);
// Each edge's normal at theta turned by the matrix, at length 65536 (0 stays 0), twice: at its
// first and at its second point (the outline is faceted).
void PotRingNormals(const Pot& pot, IntVector* normals, const FixedMatrix& matrix, float cosTheta, float sinTheta);
// Whether an edge can be used: its points lie on the outline and, when mappingCount is not
// negative, its mapping in a table of that many records.  A bad edge gives a debug message.
bool PotEdgeUsable(const Pot& pot, const MappingRef& edge, int mappingCount);

// ---- [Meshes] ----
// Sweeps the outline through segments steps round the axis (closing onto the first ring) into
// a new built mesh, with the world's mapping records.  Edges that ask for a width fit fit to
// their outline length.  0 without a world, points, usable edges or a segment count of 3 or
// more; else 1 with mesh set (the caller owns it).
int BuildPotLevelMesh(const Pot& pot, const FixedTransform& transform, int segments, int textured, BuiltMesh*& mesh);
// The collision vertices and triangles of the collidable edges at six angles into mesh (its
// arrays replaced); an edge whose mapping lies past the loaded world's table is dropped.  0 when nothing collides, and when an edge lies on the axis
// (TEXT_POT_UNUSABLE, a debug message): mesh is then left empty.
int BuildPotCollisionMesh(const Pot& pot, Obj3d& mesh);
