// render_mesh_builder.cpp - the mesh pool, the sweep and the placing of models into a pool.
#include "world/render_mesh_builder.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>

#include "render/material.h"
#include "world/mapping.h"
#include "world/pre_gen.h"

const float SWEEP_ORIENTATIONS[8][6] = {
    {1, 0, 0, 1, 0, 0},  {0, 1, -1, 0, 0, 1}, {-1, 0, 0, -1, 1, 1}, {0, -1, 1, 0, 1, 0},
    {-1, 0, 0, 1, 1, 0}, {0, 1, 1, 0, 0, 0},  {1, 0, 0, -1, 0, 1},  {0, -1, -1, 0, 1, 1},
};
const float SWEEP_TRIMS[4] = {0.0f, 0.0009765625f, 0.001953125f, 0.00390625f};
float SweepReferenceLengths[MAX_SWEEP_EDGES] = {};

void OrientTexturePoint(int orientation, float p, float q, float& u, float& v) {
  const float* k = SWEEP_ORIENTATIONS[orientation & 7];
  u = k[1] * q + k[0] * p + k[4];
  v = k[3] * q + k[2] * p + k[5];
}

void PlanarTexturePoint(const MappingRecord& m, const float axes[9], const int32_t p[3], float& u, float& v) {
  const float rel[3] = {float((double(p[0]) - m.origin[0]) / 65536.0), float((double(p[1]) - m.origin[1]) / 65536.0),
                        float((double(p[2]) - m.origin[2]) / 65536.0)};
  const float pu = axes[0] * rel[0] + axes[1] * rel[1] + axes[2] * rel[2];
  const float pv = axes[3] * rel[0] + axes[4] * rel[1] + axes[5] * rel[2];
  u = m.width != 0.0f ? pu / m.width + 0.5f : 0.5f;
  if (m.orientation & 4) u = 1.0f - u;
  v = m.height != 0.0f ? 0.5f - pv / m.height : 0.5f;
}

namespace {

// a + (b - a) f, f 16.16, with the product in 64 bits.
int32_t Between(int32_t a, int32_t b, int32_t f) {
  const int64_t d = int64_t(b) - a;
  return static_cast<int32_t>(a + ((d * f) >> 16));
}

uint32_t ColourBytes(const uint8_t c[4]) {
  return uint32_t(c[0]) | uint32_t(c[1]) << 8 | uint32_t(c[2]) << 16 | uint32_t(c[3]) << 24;
}

// ---- Per-edge and sweep state ----
struct EdgeState {
  const MappingRecord* mapping;  // null: the edge adds nothing
  int texture;                   // index in the pool's list; POOL_NO_TEXTURE past 64
  int64_t gridRow, textureRow;
  int32_t prevFirst, prevLast, curFirst, curLast;
  int32_t ringFirst, ringLast;   // the first ring's vertices
  int vertexCount;               // of one set
  int columns;                   // strips across the edge
  float axes[9];
  int repeat;                    // L
  bool fits;                     // the width fit makes the ranges anew for each ring
  bool carried;                  // the previous vertices are the current ones of the step before
  float p0, pspan, q0, qspan;
};

// The corners a strip found at its current ring's two vertices (the previous ring's at the next
// step), with its colour and the step that found them.
struct StripOrdinals {
  uint64_t step;
  uint32_t colour;
  int32_t first, second;
};

struct SweepState {
  int edgeCount = 0;
  MappingRef edges[MAX_SWEEP_EDGES] = {};
  EdgeState state[MAX_SWEEP_EDGES] = {};
  int steps = 0;
  int textured = 0;
  float textureScale = 1.0f;
  int ringIndex = 0;
  int ringVertices = 0, ringTriangles = 0;
  int full = 0;
  int firstPointCount = 0;
  IntVector firstPoints[MAX_SWEEP_POINTS] = {};
  IntVector firstNormals[2 * MAX_SWEEP_EDGES] = {};
  // Counts every step of every sweep (never reset, so that a memo of an earlier sweep never
  // matches).
  uint64_t step = 0;
  // For each edge and strip, the corners found at the step before.
  StripOrdinals memos[MAX_SWEEP_EDGES][256] = {};
};
SweepState Sweep;
std::unique_ptr<MeshPool> SharedPool;

bool IsPlanar(const EdgeState& s) { return s.mapping->projection != 0; }
bool HasTexture(const EdgeState& s) { return s.mapping->textureName[0] != 0; }
// Whether the edge's rings may carry a seam of two sets.
bool Seams(const EdgeState& s) { return Sweep.textured && HasTexture(s) && !IsPlanar(s); }
int64_t Mod(int64_t a, int64_t b) { return b > 0 ? ((a % b) + b) % b : 0; }

// Writes each field straight into the pool: a vertex gathered on the stack and copied in
// would be read back before its stores land.
inline void WriteVertex(PoolVertex& out, int32_t x, int32_t y, int32_t z, int32_t nx, int32_t ny, int32_t nz, float u,
                        float v) {
  out.position[0] = x;
  out.position[1] = y;
  out.position[2] = z;
  out.normal[0] = nx;
  out.normal[1] = ny;
  out.normal[2] = nz;
  out.firstCorner = -1;
  out.u = u;
  out.v = v;
}
int32_t AddVertex(MeshPool& pool, int32_t x, int32_t y, int32_t z, int32_t nx, int32_t ny, int32_t nz, float u,
                  float v) {
  assert(pool.vertexCount < MESH_POOL_VERTICES);
  if (pool.vertexCount >= MESH_POOL_VERTICES) return -1;
  WriteVertex(pool.vertices[pool.vertexCount], x, y, z, nx, ny, nz, u, v);
  return pool.vertexCount++;
}
int32_t AddVertex(MeshPool& pool, const int32_t pos[3], const int32_t normal[3], float u, float v) {
  return AddVertex(pool, pos[0], pos[1], pos[2], normal[0], normal[1], normal[2], u, v);
}

// The edge's texture ranges and width fit for a ring from A to B.
void PrepareRanges(EdgeState& s, int e, const IntVector& A, const IntVector& B) {
  const MappingRecord& m = *s.mapping;
  float p0 = m.uOffset / 128.0f, p1 = (m.uSpan + m.uOffset) / 128.0f;
  float q0 = m.vOffset / 128.0f, q1 = (m.vSpan + m.vOffset) / 128.0f;
  if (m.trimCodes != 0) {
    p0 += SWEEP_TRIMS[m.trimCodes >> 6 & 3];
    p1 -= SWEEP_TRIMS[m.trimCodes >> 4 & 3];
    q0 += SWEEP_TRIMS[m.trimCodes >> 2 & 3];
    q1 -= SWEEP_TRIMS[m.trimCodes & 3];
  }
  float pspan = p1 - p0;
  if (!IsPlanar(s) && Sweep.edges[e].widthFit != 0 && SweepReferenceLengths[e] > 0.0f) {
    const double dx = (double(B.x) - A.x) / 65536.0, dy = (double(B.y) - A.y) / 65536.0,
                 dz = (double(B.z) - A.z) / 65536.0;
    const float d = static_cast<float>(std::sqrt(dx * dx + dy * dy + dz * dz));
    const float fitted = d / SweepReferenceLengths[e] * pspan;
    if (Sweep.edges[e].widthFit != 1) p0 = p0 + pspan - fitted;
    pspan = fitted;
  }
  s.p0 = p0;
  s.pspan = pspan;
  s.q0 = q0;
  s.qspan = q1 - q0;
}

// One set of the edge's vertices from A to B at texture row q; returns its first vertex.  The
// caller has made sure of room (AddSweepRing refuses a ring whose worst case might not fit).
[[gnu::always_inline]] inline int32_t AddEdgeSet(MeshPool& pool, const EdgeState& s, const IntVector& A,
                                                 const IntVector& B, const IntVector& NA, const IntVector& NB,
                                                 float q) {
  const MappingRecord& m = *s.mapping;
  assert(pool.vertexCount + s.vertexCount <= MESH_POOL_VERTICES);
  // The ranges and count in locals while the vertices are written: the stores could otherwise be
  // taken to change them.
  const float p0 = s.p0, pspan = s.pspan;
  const int columns = s.columns;
  const int32_t first = pool.vertexCount;
  PoolVertex* out = &pool.vertices[first];
  float u, v;
  if (IsPlanar(s)) {
    const int32_t a[3] = {A.x, A.y, A.z}, b[3] = {B.x, B.y, B.z};
    PlanarTexturePoint(m, s.axes, a, u, v);
    WriteVertex(out[0], A.x, A.y, A.z, NA.x, NA.y, NA.z, u, v);
    PlanarTexturePoint(m, s.axes, b, u, v);
    WriteVertex(out[1], B.x, B.y, B.z, NB.x, NB.y, NB.z, u, v);
    pool.vertexCount = first + 2;
    return first;
  }
  const float* k = SWEEP_ORIENTATIONS[m.orientation & 7];
  // As OrientTexturePoint, with the row's products the same for every vertex of the set.
  const float uRow = k[1] * q, vRow = k[3] * q;
  const auto uvAt = [k, uRow, vRow](float p, float& uOut, float& vOut) {
    uOut = uRow + k[0] * p + k[4];
    vOut = vRow + k[2] * p + k[5];
  };
  uvAt(p0, u, v);
  WriteVertex(*out++, A.x, A.y, A.z, NA.x, NA.y, NA.z, u, v);
  if (Sweep.textured) {
    // Equal normals at both ends (a flat strip) are the normal of every column end.
    const bool oneNormal = NA.x == NB.x && NA.y == NB.y && NA.z == NB.z;
    for (int c = 1; c < columns; ++c) {
      const int32_t f = m.columnEnds ? m.columnEnds[c - 1] : 0;
      uvAt(p0 + float(f) / 65536.0f * pspan, u, v);
      if (oneNormal) {
        WriteVertex(*out++, Between(A.x, B.x, f), Between(A.y, B.y, f), Between(A.z, B.z, f), NA.x, NA.y, NA.z, u, v);
      } else {
        WriteVertex(*out++, Between(A.x, B.x, f), Between(A.y, B.y, f), Between(A.z, B.z, f), Between(NA.x, NB.x, f),
                    Between(NA.y, NB.y, f), Between(NA.z, NB.z, f), u, v);
      }
    }
  }
  uvAt(p0 + pspan, u, v);
  WriteVertex(*out++, B.x, B.y, B.z, NB.x, NB.y, NB.z, u, v);
  pool.vertexCount = static_cast<int32_t>(out - pool.vertices);
  return first;
}

// The ring's vertices for every edge (ring index k = Sweep.ringIndex).
void AddRingVertices(MeshPool& pool, const SweepRing& ring) {
  const int k = Sweep.ringIndex;
  for (int e = 0; e < Sweep.edgeCount; ++e) {
    EdgeState& s = Sweep.state[e];
    if (!s.mapping) continue;
    const MappingRef& ref = Sweep.edges[e];
    const IntVector& A = ring.points[ref.first];
    const IntVector& B = ring.points[ref.second];
    const IntVector& NA = ring.normals[2 * e];
    const IntVector& NB = ring.normals[2 * e + 1];
    if (s.fits) PrepareRanges(s, e, A, B);
    int32_t first;
    if (!IsPlanar(s)) {
      const int64_t L = s.repeat;
      const int64_t r = Mod(s.textureRow, L);
      if (!Seams(s) || r != 0) {
        first = AddEdgeSet(pool, s, A, B, NA, NB, 1.0f - (float(r) / float(L) * s.qspan + s.q0));
      } else if (k == 0) {
        first = AddEdgeSet(pool, s, A, B, NA, NB, 1.0f - s.q0);
      } else if (k == Sweep.steps) {
        first = AddEdgeSet(pool, s, A, B, NA, NB, 1.0f - (s.q0 + s.qspan));
      } else {
        first = AddEdgeSet(pool, s, A, B, NA, NB, 1.0f - (s.q0 + s.qspan));
        AddEdgeSet(pool, s, A, B, NA, NB, 1.0f - s.q0);
      }
    } else {
      first = AddEdgeSet(pool, s, A, B, NA, NB, 0.0f);
    }
    s.curFirst = first;
    s.curLast = first + s.vertexCount - 1;
  }
  ++Sweep.ringIndex;
}

// The closing ring: the first ring's vertices again, reused where the texture row matches.
void CloseRing(MeshPool& pool) {
  for (int e = 0; e < Sweep.edgeCount; ++e) {
    EdgeState& s = Sweep.state[e];
    if (!s.mapping) continue;
    if (!Seams(s)) {
      s.curFirst = s.ringFirst;
      s.curLast = s.ringLast;
      continue;
    }
    const MappingRef& ref = Sweep.edges[e];
    const int64_t L = s.repeat;
    const int64_t r = Mod(s.textureRow, L);
    if (r != 0 && r == Mod(ref.startRow, L)) {
      s.curFirst = s.ringFirst;
      s.curLast = s.ringLast;
      continue;
    }
    const IntVector& A = Sweep.firstPoints[ref.first];
    const IntVector& B = Sweep.firstPoints[ref.second];
    if (s.fits) PrepareRanges(s, e, A, B);
    const float q = r != 0 ? 1.0f - (float(r) / float(L) * s.qspan + s.q0) : 1.0f - (s.q0 + s.qspan);
    s.curFirst = AddEdgeSet(pool, s, A, B, Sweep.firstNormals[2 * e], Sweep.firstNormals[2 * e + 1], q);
    s.curLast = s.curFirst + s.vertexCount - 1;
  }
  ++Sweep.ringIndex;
}

// The face normal of a, b, c scaled to length 65536 (as floats, rounded); 0 when degenerate.
void FaceNormal(const int32_t* a, const int32_t* b, const int32_t* c, int32_t face[3]) {
  float u[3], v[3];
  for (int i = 0; i < 3; ++i) {
    u[i] = float(int64_t(b[i]) - a[i]);
    v[i] = float(int64_t(c[i]) - a[i]);
  }
  const float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
  const float squared = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
  face[0] = face[1] = face[2] = 0;
  if (!(squared > 0.0001f) || !(squared < 3.0e38f)) return;
  const float scale = 65536.0f / std::sqrt(squared);
  for (int i = 0; i < 3; ++i) face[i] = NearestSaturated(n[i] * scale);
}

// Adds the triangle a, b, c of edge e with its corners (found in each vertex's chain by edge
// and colour, or made); false when it is skipped.  ordinals receives the corner used at each
// vertex.  Shares: a and b are known to lie apart.  Known: a bit for each vertex whose ordinal
// is given in known, found by a triangle of the same edge and colour at that vertex (a chain
// holds one corner of an edge and colour, so its search would find the same).  colourWord holds
// the four colour bytes, texture the edge's.
// The pool's triangle and corner counts while strips are added, kept apart from the pool so that
// the stores into its arrays need not be taken to change them.
struct StripCounts {
  int32_t triangles, corners;
};

template <bool Shares, unsigned Known>
[[gnu::always_inline]] inline bool AddSweepTriangle(MeshPool& pool, StripCounts& n, int32_t a, int32_t b, int32_t c,
                                                    uint32_t colourWord, uint8_t texture, int e,
                                                    const int32_t known[3], int32_t ordinals[3]) {
  assert(a >= 0 && b >= 0 && c >= 0 && a < pool.vertexCount && b < pool.vertexCount && c < pool.vertexCount);
  // Room for the triangle and its corners: AddSweepRing refuses a ring whose worst case might not fit.
  assert(n.triangles < MESH_POOL_TRIANGLES && n.corners + 3 <= MESH_POOL_CORNERS);
  const int32_t* P[3] = {pool.vertices[a].position, pool.vertices[b].position, pool.vertices[c].position};
  const auto apart = [](const int32_t* x, const int32_t* y) {
#pragma GCC unroll 3
    for (int i = 0; i < 3; ++i)
      if (std::llabs(int64_t(x[i]) - y[i]) > 255) return true;
    return false;
  };
  if ((!Shares && !apart(P[1], P[0])) || !apart(P[2], P[0]) || !apart(P[1], P[2])) return false;
  // The face normal is worked out when a new corner first needs it.
  int32_t face[3];
  bool faceKnown = false;
  PoolTriangle& t = pool.triangles[n.triangles];
  const int32_t corners[3] = {a, b, c};
#pragma GCC unroll 3
  for (int i = 0; i < 3; ++i) {
    if (Known >> i & 1) {
      t.vertex[i] = corners[i];
      t.cornerOrdinal[i] = ordinals[i] = known[i];
      continue;
    }
    PoolVertex& vertex = pool.vertices[corners[i]];
    int32_t ordinal = 0, last = -1;
    int32_t at = vertex.firstCorner;
    while (at >= 0) {
      const PoolCorner& corner = pool.corners[at];
      if (corner.edge == e && corner.colour == colourWord) break;
      last = at;
      at = corner.next;
      ++ordinal;
    }
    if (at < 0) {
      at = n.corners++;
      PoolCorner& corner = pool.corners[at];
      corner.edge = static_cast<uint8_t>(e);
      corner.texture = texture;
      corner.colour = colourWord;
      // The vertex's normal read once, before the corner's stores could be taken to change it.
      const int32_t own[3] = {vertex.normal[0], vertex.normal[1], vertex.normal[2]};
      if (colourWord >> 24 & 4) {
        corner.normal[0] = corner.normal[1] = 0;
        corner.normal[2] = 65536;
      } else if ((own[0] | own[1] | own[2]) != 0) {
        corner.normal[0] = own[0];
        corner.normal[1] = own[1];
        corner.normal[2] = own[2];
      } else {
        if (!faceKnown) FaceNormal(P[0], P[1], P[2], face);
        faceKnown = true;
        std::memcpy(corner.normal, face, sizeof corner.normal);
      }
      corner.next = -1;
      if (last >= 0) {
        pool.corners[last].next = at;
      } else {
        vertex.firstCorner = at;
      }
    }
    t.vertex[i] = corners[i];
    t.cornerOrdinal[i] = ordinals[i] = ordinal;
  }
  t.texture = texture;
  t.source = 0;
  t.zero = 0;
  t.colour = colourWord;
  ++n.triangles;
  return true;
}

// The strip's two triangles (pa, ca, pb) and (pb, ca, cb): when the first is added the second
// shares its corners at pb and ca.  memo: what the strip found at the step before, whose
// corners at pa and pb hold when its colour is the same and its current vertices are the
// previous ones now (carried); it takes what this step finds at ca and cb.
[[gnu::always_inline]] inline void AddStripPair(MeshPool& pool, StripCounts& n, int32_t pa, int32_t pb, int32_t ca,
                                                int32_t cb, const uint8_t colour[4], int e, StripOrdinals& memo,
                                                uint64_t step, bool carried) {
  const uint32_t colourWord = ColourBytes(colour);
  const uint8_t texture = static_cast<uint8_t>(Sweep.state[e].texture);
  int32_t first[3], second[3];
  if (carried && memo.step + 1 == step && memo.colour == colourWord) {
    const int32_t knownFirst[3] = {memo.first, 0, memo.second};
    if (AddSweepTriangle<false, 5>(pool, n, pa, ca, pb, colourWord, texture, e, knownFirst, first)) {
      const int32_t known[3] = {first[2], first[1], 0};
      if (!AddSweepTriangle<true, 3>(pool, n, pb, ca, cb, colourWord, texture, e, known, second)) return;
    } else {
      const int32_t known[3] = {memo.second, 0, 0};
      if (!AddSweepTriangle<false, 1>(pool, n, pb, ca, cb, colourWord, texture, e, known, second)) return;
    }
  } else if (AddSweepTriangle<false, 0>(pool, n, pa, ca, pb, colourWord, texture, e, nullptr, first)) {
    const int32_t known[3] = {first[2], first[1], 0};
    if (!AddSweepTriangle<true, 3>(pool, n, pb, ca, cb, colourWord, texture, e, known, second)) return;
  } else if (!AddSweepTriangle<false, 0>(pool, n, pb, ca, cb, colourWord, texture, e, nullptr, second)) {
    return;
  }
  memo = {step, colourWord, second[1], second[2]};
}


// Asks for the first corners of the edge's previous vertex set ahead of the corner search:
// they were written a ring ago and have mostly left the nearest cache.
void PrefetchCorners(const MeshPool& pool, const EdgeState& s) {
  if (!s.mapping) return;
  const int32_t end = std::min(s.prevFirst + s.vertexCount, pool.vertexCount);
  for (int32_t v = std::max(s.prevFirst, 0); v < end; ++v) {
    const int32_t corner = pool.vertices[v].firstCorner;
    if (corner >= 0) __builtin_prefetch(&pool.corners[corner]);
  }
}

void AddStrips(MeshPool& pool) {
  StripCounts n = {pool.triangleCount, pool.cornerCount};
  const uint64_t step = ++Sweep.step;
  if (Sweep.edgeCount > 0) PrefetchCorners(pool, Sweep.state[0]);
  for (int e = 0; e < Sweep.edgeCount; ++e) {
    EdgeState& s = Sweep.state[e];
    if (e + 1 < Sweep.edgeCount) PrefetchCorners(pool, Sweep.state[e + 1]);
    if (!s.mapping) continue;
    const MappingRecord& m = *s.mapping;
    if (Sweep.textured) {
      if (m.gridRows != 0 && m.columnCount != 0 && m.cells && m.palette) {
        const int64_t row = Mod(s.gridRow, m.gridRows);
        const int strips = IsPlanar(s) ? 1 : s.columns;
        for (int c = 0; c < strips; ++c) {
          const uint8_t cell = m.cells[row * m.columnCount + c];
          if (cell == MAPPING_NO_COLOUR || cell >= m.paletteCount) continue;
          const uint8_t* colour = m.palette + 4 * cell;
          AddStripPair(pool, n, s.prevFirst + c, s.prevFirst + c + 1, s.curFirst + c, s.curFirst + c + 1, colour, e,
                       Sweep.memos[e][c], step, s.carried);
        }
      }
      ++s.gridRow;
      ++s.textureRow;
    } else if (m.flags & SRF_HAS_COLOUR) {
      AddStripPair(pool, n, s.prevFirst, s.prevLast, s.curFirst, s.curLast, m.finalColour, e, Sweep.memos[e][0], step,
                   s.carried);
    }
  }
  pool.triangleCount = n.triangles;
  pool.cornerCount = n.corners;
}

// The lights of the colours packaged, direct-mapped by colour: a strip's corners take a
// handful of colours, often alternating, and a look-up that nearly always hits costs no
// mispredicted branch.
struct ColourLights {
  static constexpr int BITS = 6;
  static constexpr int SIZE = 1 << BITS;
  uint32_t colours[SIZE] = {};
  bool filled[SIZE] = {};
  int32_t shade[SIZE] = {};
  uint32_t light[SIZE] = {};
  uint32_t packed[SIZE] = {};
  // The slot holding the colour's light (worked out on first use).
  uint32_t Of(uint32_t colour) {
    const uint32_t slot = (colour * 0x9E3779B1u) >> (32 - BITS);
    if (filled[slot] && colours[slot] == colour) return slot;
    MeshLight made = {};
    const uint8_t bytes[4] = {uint8_t(colour), uint8_t(colour >> 8), uint8_t(colour >> 16), uint8_t(colour >> 24)};
    MeshLight::Init(made, bytes, 0);
    filled[slot] = true;
    colours[slot] = colour;
    shade[slot] = made.brightness;
    light[slot] = made.colour;
    packed[slot] = made.packedLight;
    return slot;
  }
};

}  // namespace

// ---- [Pool] ----

void ResetMeshPool(MeshPool& pool) {
  pool.vertexCount = pool.triangleCount = pool.textureCount = pool.cornerCount = 0;
  std::fill(std::begin(pool.textures), std::end(pool.textures), nullptr);
}

MeshPool& SweepPool() {
  if (!SharedPool) {
    SharedPool.reset(new MeshPool);
    ResetMeshPool(*SharedPool);
  }
  return *SharedPool;
}

int SweepIsFull() { return Sweep.full; }

// ---- [Sweep] ----

namespace {
int TextureIndex(MeshPool& pool, Material* material) {
  for (int i = 0; i < pool.textureCount; ++i)
    if (pool.textures[i] == material) return i;
  if (pool.textureCount >= MESH_POOL_TEXTURES) return -1;
  pool.textures[pool.textureCount] = material;
  return pool.textureCount++;
}
}  // namespace

int BeginSweep(int edgeCount, const MappingRef* edges, const MappingRecord* mappings, int mappingCount,
               const SweepRing& first, int steps, int textured, float textureScale) {
  MeshPool& pool = SweepPool();
  ResetMeshPool(pool);
  Sweep.edgeCount = 0;
  Sweep.ringIndex = 0;
  Sweep.full = 1;
  if (edgeCount < 0 || edgeCount > MAX_SWEEP_EDGES || first.pointCount < 0 || first.pointCount > MAX_SWEEP_POINTS ||
      (edgeCount > 0 && (!edges || !first.points || !first.normals)))
    return 0;
  Sweep.full = 0;
  Sweep.edgeCount = edgeCount;
  Sweep.steps = steps;
  Sweep.textured = textured;
  Sweep.textureScale = textureScale;
  Sweep.ringVertices = 0;
  Sweep.ringTriangles = 0;
  Sweep.firstPointCount = first.pointCount;
  std::copy(first.points, first.points + first.pointCount, Sweep.firstPoints);
  std::copy(first.normals, first.normals + 2 * edgeCount, Sweep.firstNormals);
  if (!textured) {
    pool.textures[0] = DefaultMaterial;
    pool.textureCount = 1;
  }
  for (int e = 0; e < edgeCount; ++e) {
    const MappingRef& ref = edges[e];
    Sweep.edges[e] = ref;
    EdgeState& s = Sweep.state[e];
    s = {};
    s.gridRow = s.textureRow = ref.startRow;
    s.texture = 0;
    if (!mappings || ref.mappingIndex >= mappingCount || ref.first >= first.pointCount ||
        ref.second >= first.pointCount)
      continue;
    s.mapping = &mappings[ref.mappingIndex];
    const MappingRecord& m = *s.mapping;
    s.repeat = std::max(1, NearestSaturated(double(m.repeatLength) * textureScale));
    s.columns = 1;
    if (textured) {
      const int index = TextureIndex(pool, m.materialRecord);
      s.texture = index < 0 ? POOL_NO_TEXTURE : index;
      s.columns = IsPlanar(s) ? 1 : std::max<int>(m.columnCount, 1);
      if (IsPlanar(s)) MappingProjectionAxes(m, s.axes);
    }
    s.vertexCount = s.columns + 1;
    // Without a width fit the ranges are the mapping's alone: made once here.
    s.fits = !IsPlanar(s) && ref.widthFit != 0;
    PrepareRanges(s, e, first.points[ref.first], first.points[ref.second]);
    Sweep.ringVertices += s.vertexCount;
    Sweep.ringTriangles += 2 * s.columns;
  }
  AddRingVertices(pool, first);
  for (int e = 0; e < edgeCount; ++e) {
    EdgeState& s = Sweep.state[e];
    s.prevFirst = s.ringFirst = s.curFirst;
    s.prevLast = s.ringLast = s.curLast;
    ++s.textureRow;
  }
  pool.triangleCount = 0;
  return 1;
}

void AddSweepRing(const SweepRing* ring) {
  MeshPool& pool = SweepPool();
  if (Sweep.full || Sweep.ringIndex == 0 || Sweep.ringIndex > Sweep.steps) return;
  if (ring && (!ring->points || !ring->normals || ring->pointCount < Sweep.firstPointCount)) return;
  // The ring's worst case: two vertex sets for every edge (a seam, or a closing copy) and
  // three corners for every triangle.
  if (pool.vertexCount + 2 * int64_t(Sweep.ringVertices) > MESH_POOL_VERTICES ||
      pool.triangleCount + int64_t(Sweep.ringTriangles) > MESH_POOL_TRIANGLES ||
      pool.cornerCount + 3 * int64_t(Sweep.ringTriangles) > MESH_POOL_CORNERS) {
    Sweep.full = 1;
    return;
  }
  if (ring) {
    AddRingVertices(pool, *ring);
  } else {
    CloseRing(pool);
  }
  AddStrips(pool);
  if (Sweep.ringIndex >= Sweep.steps + 1) return;
  for (int e = 0; e < Sweep.edgeCount; ++e) {
    EdgeState& s = Sweep.state[e];
    if (!s.mapping) continue;
    s.prevFirst = s.curFirst;
    s.prevLast = s.curLast;
    s.carried = true;
    if (Seams(s) && Mod(s.textureRow - 1, s.repeat) == 0) {
      s.prevFirst += s.vertexCount;
      s.prevLast += s.vertexCount;
      s.carried = false;  // past a seam: the second set's chains are its own
    }
  }
}

void DropUnusedSweepTextures() {
  MeshPool& pool = SweepPool();
  bool used[MESH_POOL_TEXTURES] = {};
  // The search ends once every texture is seen used (mostly at the first triangles).
  int usedCount = 0;
  for (int t = 0; t < pool.triangleCount && usedCount < pool.textureCount; ++t) {
    const uint8_t texture = pool.triangles[t].texture;
    if (texture < MESH_POOL_TEXTURES && !used[texture]) {
      used[texture] = true;
      ++usedCount;
    }
  }
  uint8_t remap[256];
  for (int i = 0; i < 256; ++i) remap[i] = static_cast<uint8_t>(i);
  int kept = 0;
  for (int i = 0; i < pool.textureCount; ++i) {
    if (!used[i]) continue;
    remap[i] = static_cast<uint8_t>(kept);
    pool.textures[kept++] = pool.textures[i];
  }
  if (kept == pool.textureCount) return;
  for (int i = kept; i < pool.textureCount; ++i) pool.textures[i] = nullptr;
  pool.textureCount = kept;
  for (int e = 0; e < Sweep.edgeCount; ++e)
    if (Sweep.state[e].texture < 256) Sweep.state[e].texture = remap[Sweep.state[e].texture];
  for (int t = 0; t < pool.triangleCount; ++t) pool.triangles[t].texture = remap[pool.triangles[t].texture];
  for (int c = 0; c < pool.cornerCount; ++c) pool.corners[c].texture = remap[pool.corners[c].texture];
}

void GetSweepBounds(IntVector& centre, int32_t& radius, IntVector& halfExtents) {
  const MeshPool& pool = SweepPool();
  centre = halfExtents = {};
  radius = 0;
  PointBounds(pool.vertices, pool.vertexCount, centre, radius, halfExtents);
}

void EndSweep(BuiltMesh& mesh) {
  mesh.Free();
  MeshPool& pool = SweepPool();
  if (pool.cornerCount <= 0) return;
  // Points and triangles, part by part; corners of no texture are left out.
  std::unique_ptr<int32_t[]> cornerPoint(new int32_t[pool.cornerCount]);
  std::fill(cornerPoint.get(), cornerPoint.get() + pool.cornerCount, -1);
  // A vertex whose corners all went into the current part has them as consecutive points from
  // vertexPoint in chain order (-1: walk the chain).
  std::unique_ptr<int32_t[]> vertexPoint(new int32_t[std::max(pool.vertexCount, 1)]);
  // Room for every corner and triangle: those of no texture, left out, are rare.
  mesh.points = new BuiltPoint[pool.cornerCount];
  mesh.triangles = new BuiltTriangle[std::max(pool.triangleCount, 1)];
  mesh.parts = new BuiltPart[std::max(pool.textureCount, 1)];
  ColourLights lights;
  // The counts and arrays are kept in locals while the arrays fill: a store through the arrays could
  // otherwise be taken to change them.
  const int textureCount = pool.textureCount, vertexCount = pool.vertexCount, poolTriangles = pool.triangleCount;
  BuiltPoint* const points = mesh.points;
  BuiltTriangle* const triangles = mesh.triangles;
  int pointCount = 0, triangleCount = 0;
  for (int tex = 0; tex < textureCount; ++tex) {
    const int partFirstPoint = pointCount, partFirstTriangle = triangleCount;
    for (int v = 0; v < vertexCount; ++v) {
      const PoolVertex& vertex = pool.vertices[v];
      const int32_t first = pointCount;  // of the vertex's points, when it has any here
      bool whole = true;
      for (int32_t at = vertex.firstCorner; at >= 0; at = pool.corners[at].next) {
        const PoolCorner& corner = pool.corners[at];
        if (corner.texture != tex) {
          whole = false;
          continue;
        }
        // The normal of the vertex's first corner of the same edge.
        const PoolCorner* same = &pool.corners[vertex.firstCorner];
        if (same->edge != corner.edge) {
          same = &corner;
          for (int32_t k = pool.corners[vertex.firstCorner].next; k >= 0; k = pool.corners[k].next)
            if (pool.corners[k].edge == corner.edge) {
              same = &pool.corners[k];
              break;
            }
        }
        BuiltPoint& point = points[pointCount];
        std::memcpy(point.position, vertex.position, sizeof point.position);
        for (int a = 0; a < 3; ++a) point.normal[a] = float(same->normal[a]) / 65536.0f;
        const uint32_t slot = lights.Of(corner.colour);
        point.shade = lights.shade[slot];
        point.colour = lights.light[slot];
        point.packedLight = lights.packed[slot];
        point.u = vertex.u;
        point.v = vertex.v;
        cornerPoint[at] = pointCount++;
      }
      vertexPoint[v] = whole && pointCount > first ? first : -1;
    }
    for (int t = 0; t < poolTriangles; ++t) {
      const PoolTriangle& tri = pool.triangles[t];
      if (tri.texture != tex) continue;
      BuiltTriangle& out = triangles[triangleCount];
      // Mostly each vertex's corners all went into this part: its points follow in chain order.
      const int32_t w0 = vertexPoint[tri.vertex[0]], w1 = vertexPoint[tri.vertex[1]], w2 = vertexPoint[tri.vertex[2]];
      if ((w0 | w1 | w2) >= 0) {
        out.corners[0] = static_cast<uint32_t>(w0 + tri.cornerOrdinal[0]);
        out.corners[1] = static_cast<uint32_t>(w1 + tri.cornerOrdinal[1]);
        out.corners[2] = static_cast<uint32_t>(w2 + tri.cornerOrdinal[2]);
        out.colour = tri.colour;
        ++triangleCount;
        continue;
      }
      bool whole = true;
      for (int i = 0; i < 3; ++i) {
        int32_t p = vertexPoint[tri.vertex[i]];
        if (p >= 0) {
          p += tri.cornerOrdinal[i];
        } else {
          int32_t at = pool.vertices[tri.vertex[i]].firstCorner;
          for (int k = 0; k < tri.cornerOrdinal[i] && at >= 0; ++k) at = pool.corners[at].next;
          p = at >= 0 ? cornerPoint[at] : -1;
        }
        whole = whole && p >= 0;
        out.corners[i] = static_cast<uint32_t>(p);
      }
      if (!whole) continue;
      out.colour = tri.colour;
      ++triangleCount;
    }
    mesh.parts[mesh.partCount++] = {0, pool.textures[tex], pointCount - partFirstPoint, triangleCount - partFirstTriangle};
  }
  mesh.pointCount = pointCount;
  mesh.triangleCount = triangleCount;
}

// ---- [Models] ----

const char* AppendBuiltMeshToPool(MeshPool& pool, const BuiltMesh& mesh) {
  if (int64_t(pool.vertexCount) + mesh.pointCount > MESH_POOL_VERTICES ||
      int64_t(pool.triangleCount) + mesh.triangleCount > MESH_POOL_TRIANGLES ||
      int64_t(pool.cornerCount) + 3 * int64_t(mesh.triangleCount) > MESH_POOL_CORNERS)
    return TEXT_TOO_MANY_VERTICES;
  const char* error = nullptr;
  ForEachBuiltPart(mesh, [&](const BuiltPart& part, int pointStart, int points, int triangleStart, int triangles) {
    const int texture = TextureIndex(pool, part.material);
    if (texture < 0) {
      error = TEXT_TOO_MANY_TEXTURES;
      return false;
    }
    const int32_t base = pool.vertexCount - pointStart;  // mesh point i becomes pool vertex base + i
    for (int i = 0; i < points; ++i) {
      const BuiltPoint& bp = mesh.points[pointStart + i];
      const int32_t normal[3] = {NearestSaturated(double(bp.normal[0]) * 65536.0), NearestSaturated(double(bp.normal[1]) * 65536.0),
                                 NearestSaturated(double(bp.normal[2]) * 65536.0)};
      AddVertex(pool, bp.position, normal, bp.u, bp.v);
    }
    for (int t = 0; t < triangles; ++t) {
      const BuiltTriangle& tri = mesh.triangles[triangleStart + t];
      bool inside = true;
      for (uint32_t corner : tri.corners)
        inside = inside && corner >= uint32_t(pointStart) && corner < uint32_t(pointStart + points);
      if (!inside) continue;
      PoolTriangle& out = pool.triangles[pool.triangleCount];
      for (int i = 0; i < 3; ++i) {
        const int32_t v = base + static_cast<int32_t>(tri.corners[i]);
        PoolVertex& vertex = pool.vertices[v];
        if (vertex.firstCorner < 0) {
          const int32_t at = pool.cornerCount++;
          PoolCorner& corner = pool.corners[at];
          corner.edge = 0;
          corner.texture = static_cast<uint8_t>(texture);
          corner.colour = tri.colour;
          std::memcpy(corner.normal, vertex.normal, sizeof corner.normal);
          corner.next = -1;
          vertex.firstCorner = at;
        }
        out.vertex[i] = v;
        out.cornerOrdinal[i] = 0;
      }
      out.texture = static_cast<uint8_t>(texture);
      out.source = 1;
      out.zero = 0;
      out.colour = tri.colour;
      ++pool.triangleCount;
    }
    return true;
  });
  return error;
}

const char* FinishObjectMesh(MeshPool& pool, void* model, const FixedTransform& transform) {
  if (!model || !WorldModels.BuildLevelMesh) return nullptr;
  BuiltMesh mesh;
  WorldModels.BuildLevelMesh(model, transform, mesh);
  const char* result = AppendBuiltMeshToPool(pool, mesh);
  mesh.Free();
  return result;
}

const char* PlaceModelInPool(MeshPool& pool, const PreGenModel& entry, const IntVector& position,
                             const FixedMatrix& matrix) {
  void* model = WorldModels.ModelOf ? WorldModels.ModelOf(entry) : nullptr;
  if (!model) return nullptr;
  const float scale = WorldModels.EntryScale ? WorldModels.EntryScale(entry) : 1.0f;
  FixedTransform transform;
  for (int i = 0; i < 9; ++i) transform.rotation.m[i] = NearestSaturated(double(matrix.m[i]) * scale);
  transform.translation = position;
  IntVector offset = {};
  if (WorldModels.ModelOffset) WorldModels.ModelOffset(model, offset);
  if (offset.x != 0 || offset.y != 0 || offset.z != 0) {
    IntVector turned;
    MatrixTransform(transform.rotation, offset, turned);
    transform.translation = {WrappingAdd(position.x, turned.x), WrappingAdd(position.y, turned.y),
                             WrappingAdd(position.z, turned.z)};
  }
  return FinishObjectMesh(pool, model, transform);
}
