// segment.cpp - the road segment's record, its geometry set-up, levels, nearness and its
// analytic ray test.
#include "world/segment.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <new>

#include "core/config.h"
#include "core/data_fields.h"
#include "core/data_file.h"
#include "core/report.h"
#include "solid/solid.h"
#include "world/mapping.h"
#include "world/render_mesh_builder.h"
#include "world/section.h"
#include "world/world.h"

uint8_t WorldPartDisplay[2] = {1, 1};

namespace {

constexpr double FIX = 65536.0;
constexpr float PI_F = 3.1415927f;

void DebugLine(const char* text) {
  if (CfgDebugLevel != 0) ReportLine(text, REPORT_WARNING);
}

int32_t Round(double v) { return NearestSaturated(v); }

int64_t Mul(int64_t a, int64_t b) { return (a * b) >> 16; }

double Cubic(const float c[4], double t) { return ((double(c[0]) * t + c[1]) * t + c[2]) * t + c[3]; }
double CubicSlope(const float c[4], double t) { return (3.0 * c[0] * t + 2.0 * c[1]) * t + c[2]; }

const MappingRecord* MappingOf(int index) { return WSection::Mapping(index); }

void ShowRepeaterError(const char* text) {
  if (!text) return;
  char line[160];
  std::snprintf(line, sizeof line, TEXT_REPEATER, text);
  ReportLine(line, REPORT_WARNING);
}

}  // namespace

// ---- [Segment] ----

WSegment::WSegment() : WPreGen(OBJECT_SEGMENT) { rayTestBoxed = 1; }

FixedOb* MakeSegment(const IntVector&) { return new (std::nothrow) WSegment(); }

void WSegment::Free() {
  edges.clear();
  edges.shrink_to_fit();
  parts.clear();
  parts.shrink_to_fit();
  WPreGen::Free();
}

void WSegment::Load(DataFile& stream, int version) {
  // The record in groups whose lengths the fields before them give, each checked once: the
  // head (24 bytes at most), the edges, each part, the two floats.
  ReadFieldsUpTo(stream, 24, [&](auto& in) {
    segmentFlags = static_cast<uint16_t>(in.ReadShort());
    const int index = static_cast<uint16_t>(in.ReadShort());
    if (index != 0) {
      objectIndex = int16_t(index);
      spacing = static_cast<int8_t>(in.ReadByte());
      aimEdge = static_cast<uint8_t>(in.ReadByte());
      repeaterFlags = static_cast<uint8_t>(in.ReadByte());
      pathEdge = static_cast<uint8_t>(in.ReadByte());
    }
    variant = static_cast<uint8_t>(in.ReadByte());
    secondVariant = static_cast<uint8_t>(in.ReadByte());
    if (index == 0) {
      objectIndex = -1;
      variant = secondVariant = 0;
      spacing = 0;
      aimEdge = repeaterFlags = pathEdge = 0;
    }
    startSide = static_cast<uint8_t>(in.ReadByte());
    endSide = static_cast<uint8_t>(in.ReadByte());
    startSection = in.ReadInt();
    endSection = in.ReadInt();
    spareBytes[0] = static_cast<uint8_t>(in.ReadByte());
    spareBytes[1] = static_cast<uint8_t>(in.ReadByte());
    edgeCount = static_cast<uint8_t>(in.ReadByte());
    partCount = static_cast<uint8_t>(in.ReadByte());
  });
  const bool newForm = version >= WORLD_OBJECT_NEW_HEADER_VERSION;
  edges.assign(edgeCount, SegmentEdge{});
  parts.assign(partCount, MappingRef{});
  const auto readFloats = [&](auto& in) {
    stepLength = in.ReadFloat();
    textureScale = in.ReadFloat();
  };
  // In the new form a part is 8 bytes and the edges, the parts and the two floats are one group;
  // in the old form a part may carry two words more, so the parts and the floats follow on their own.
  ReadFields(stream, edgeCount * (newForm ? 20 : 28) + (newForm ? partCount * 8 + 8 : 0), [&](auto& in) {
    for (SegmentEdge& e : edges) {
      if (!newForm) {
        e.startVertex = static_cast<uint8_t>(in.ReadInt());
        e.endVertex = static_cast<uint8_t>(in.ReadInt());
        e.kind = static_cast<uint8_t>(in.ReadByte());
        e.flags = static_cast<uint8_t>(in.ReadByte());
        in.Skip(2);
      } else {
        e.kind = static_cast<uint8_t>(in.ReadByte());
        e.flags = static_cast<uint8_t>(in.ReadByte());
        e.startVertex = static_cast<uint8_t>(in.ReadByte());
        e.endVertex = static_cast<uint8_t>(in.ReadByte());
      }
      e.startSlope = in.ReadFloat();
      e.startAngle = in.ReadFloat();
      e.endSlope = in.ReadFloat();
      e.endAngle = in.ReadFloat();
    }
    if (newForm) {
      for (MappingRef& p : parts) ReadMappingRefFields(p, in);
      readFloats(in);
    }
  });
  if (!newForm) {
    for (MappingRef& p : parts) ReadMappingRef(p, stream, version);
    ReadFields(stream, 8, readFloats);
  }
  for (const MappingRef& p : parts) {
    const MappingRecord* m = MappingOf(p.mappingIndex);
    if (!m) continue;
    if (m->flags & 0x30) segmentFlags &= uint16_t(~SEGMENT_NO_ALPHA_SORT);
    if (m->flags & 0x10) segmentFlags |= SEGMENT_LIST_ZERO;
  }
}

void WSegment::GetPosition(IntVector& at, float& headingOut) {
  at = {position[0], position[1], 0};
  headingOut = std::atan2(float(frame.p0[0] - frame.p1[0]) / 65536.0f, float(frame.p1[1] - frame.p0[1]) / 65536.0f);
}

void WSegment::SetPosition(const IntVector& at, float) {
  position[0] = at.x;
  position[1] = at.y;
}

int WSegment::MappingsInUse(uint16_t* used, int room) {
  int n = 0;
  for (const MappingRef& p : parts)
    if (n < room) used[n++] = p.mappingIndex;
  return n;
}

int WSegment::GetBuildList() {
  switch (alphaKind) {
    case 0: return (segmentFlags & SEGMENT_LIST_ZERO) ? 0 : 1;
    case 1: return (segmentFlags & SEGMENT_LIST_ZERO) ? 0 : 2;
    case 2: return 3;
    default: return -1;
  }
}

void WSegment::BuildMeshes() {
  const int last = distanceLevels == 0 ? 1 : levelCount;
  for (int level = 0; level < last; ++level)
    if (!levels[level].built) BuildLodMesh(level);
}

void WSegment::EvaluateRing(double t, IntVector* points, IntVector* normals) const {
  const WSection* startS = SectionAt(startSection, "Segment");
  const WSection* endS = SectionAt(endSection, "Segment");
  for (size_t e = 0; e < edges.size(); ++e) {
    if (t <= 0.0 && startS)
      points[e] = startS->GetVertexWorldPos(edges[e].startVertex);
    else if (t >= 1.0 && endS && !(edges[e].flags & EDGE_FIXED))
      points[e] = endS->GetVertexWorldPos(edges[e].endVertex);
    else
      points[e] = EdgePoint(int(e), t);
  }
  // Two normals per part, G x T at each of its edges; none for a mapping without a colour
  // or at a fixed edge (the builder then takes the face normals).
  const double ax = frame.a0[0] + (double(frame.a1[0]) - frame.a0[0]) * t;
  const double ay = frame.a0[1] + (double(frame.a1[1]) - frame.a0[1]) * t;
  const double lx = double(frame.p1[0]) - frame.p0[0], ly = double(frame.p1[1]) - frame.p0[1];
  const double apx = double(frame.a1[0]) - frame.a0[0], apy = double(frame.a1[1]) - frame.a0[1];
  for (size_t i = 0; i < parts.size(); ++i) {
    const MappingRef& p = parts[i];
    const MappingRecord* m = MappingOf(p.mappingIndex);
    const IntVector& a = points[p.first];
    const IntVector& b = points[p.second];
    const double g[3] = {double(b.x) - a.x, double(b.y) - a.y, double(b.z) - a.z};
    for (int side = 0; side < 2; ++side) {
      IntVector& out = normals[2 * i + size_t(side)];
      out = {};
      const SegmentEdge& e = edges[side == 0 ? p.first : p.second];
      if (!m || !(m->flags & SRF_HAS_COLOUR) || (e.flags & EDGE_FIXED)) continue;
      const double s = Cubic(e.lateral, t), sd = CubicSlope(e.lateral, t);
      const double tv[3] = {lx + apx * s + ax * sd, ly + apy * s + ay * sd, CubicSlope(e.height, t) * FIX};
      const double n[3] = {g[1] * tv[2] - g[2] * tv[1], g[2] * tv[0] - g[0] * tv[2], g[0] * tv[1] - g[1] * tv[0]};
      const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      if (length == 0) continue;
      out = {Round(n[0] / length * FIX), Round(n[1] / length * FIX), Round(n[2] / length * FIX)};
    }
  }
  ShareEdgeNormals(points, normals);
}

void WSegment::ShareEdgeNormals(const IntVector* points, IntVector* normals) const {
  // At an edge that shares its normal, the parts' normals summed, each weighted by its strip's
  // width times its mapping's weight byte when above 1; parts of a weighted mapping (byte not
  // 0) push out those of unweighted ones.
  double sums[SEGMENT_EDGES_MAX][3] = {};
  bool weighted[SEGMENT_EDGES_MAX] = {};
  bool shared = false;
  for (size_t i = 0; i < parts.size(); ++i) {
    const MappingRef& p = parts[i];
    const MappingRecord* m = MappingOf(p.mappingIndex);
    const uint8_t weight = m ? m->normalWeight : 0;
    const IntVector& a = points[p.first];
    const IntVector& b = points[p.second];
    const double width = std::sqrt((double(b.x) - a.x) * (double(b.x) - a.x) + (double(b.y) - a.y) * (double(b.y) - a.y) +
                                   (double(b.z) - a.z) * (double(b.z) - a.z));
    for (int side = 0; side < 2; ++side) {
      const int e = side == 0 ? p.first : p.second;
      if (!(edges[size_t(e)].flags & EDGE_SHARED_NORMALS)) continue;
      shared = true;
      if (weight != 0 && !weighted[e]) {
        weighted[e] = true;
        sums[e][0] = sums[e][1] = sums[e][2] = 0;
      } else if (weight == 0 && weighted[e]) {
        continue;
      }
      const double k = width * (weight > 1 ? weight : 1);
      const IntVector& n = normals[2 * i + size_t(side)];
      sums[e][0] += n.x * k;
      sums[e][1] += n.y * k;
      sums[e][2] += n.z * k;
    }
  }
  if (!shared) return;
  for (size_t i = 0; i < parts.size(); ++i) {
    for (int side = 0; side < 2; ++side) {
      const int e = side == 0 ? parts[i].first : parts[i].second;
      if (!(edges[size_t(e)].flags & EDGE_SHARED_NORMALS)) continue;
      const double* sum = sums[e];
      const double length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
      if (length == 0) continue;
      normals[2 * i + size_t(side)] = {Round(sum[0] / length * FIX), Round(sum[1] / length * FIX),
                                       Round(sum[2] / length * FIX)};
    }
  }
}

int WSegment::BuildLodMesh(int level) {
  // Without parts a segment still carries its repeaters (a row of copies along the path).
  if (!valid || level < 0 || level >= levelCount || (parts.empty() && objectIndex < 0) || !CWld) return 0;
  const int n = levels[level].segments;
  std::vector<IntVector> points(edges.size()), normals(2 * parts.size() + 1);
  // The width fit: the wider end of each part that asks for it.
  for (size_t i = 0; i < parts.size() && i < size_t(MAX_SWEEP_EDGES); ++i) {
    if (parts[i].widthFit == 0) continue;
    const IntVector a0 = EdgePoint(parts[i].first, 0), b0 = EdgePoint(parts[i].second, 0);
    const IntVector a1 = EdgePoint(parts[i].first, 1), b1 = EdgePoint(parts[i].second, 1);
    const double w0 = std::hypot(double(b0.x) - a0.x, double(b0.y) - a0.y, double(b0.z) - a0.z);
    const double w1 = std::hypot(double(b1.x) - a1.x, double(b1.y) - a1.y, double(b1.z) - a1.z);
    SweepReferenceLengths[i] = float(std::fmax(w0, w1) / FIX);
  }
  EvaluateRing(0, points.data(), normals.data());
  const SweepRing first{points.data(), int(points.size()), normals.data()};
  if (!BeginSweep(int(parts.size()), parts.data(), CWld->mappings, CWld->mappingCount, first, n,
                  levels[level].outline, textureScale))
    return 0;
  for (int i = 1; i <= n; ++i) {
    EvaluateRing(i == n ? 1.0 : double(i) / n, points.data(), normals.data());
    const SweepRing ring{points.data(), int(points.size()), normals.data()};
    AddSweepRing(&ring);
  }
  if (level == 0 && objectIndex >= 0) ShowRepeaterError(BuildRepeaters(&SweepPool(), 0));
  DropUnusedSweepTextures();
  auto* mesh = new (std::nothrow) BuiltMesh();
  if (!mesh) return 0;
  WorldLightingByte = lightingByte;
  EndSweep(*mesh);
  WorldLightingByte = 0;
  RelightBuiltMesh(*mesh);
  if (level == 0) GetSweepBounds(centre, radius, halfSize);
  DeleteBuiltMesh(levels[level].built);
  levels[level].built = mesh;
  if (level == 0) SetBuildKind();
  return 1;
}

const PreGenModel* WSegment::ModelEntry() const {
  return objectIndex >= 0 && WorldModels.EntryAt ? WorldModels.EntryAt(objectIndex) : nullptr;
}

void WSegment::SetBuildKind() {
  drawFlags = 0;
  alphaKind = 0;
  // With a repeated model the built mesh's materials say it, else the parts' mapping kinds.
  bool seeThrough = false;
  const PreGenModel* entry = ModelEntry();
  if (levels[0].built && entry) {
    CollectMaterialKinds(*levels[0].built, drawFlags, alphaKind);
    void* model = WorldModels.ModelOf ? WorldModels.ModelOf(*entry) : nullptr;
    seeThrough = model && WorldModels.ModelIsSeeThrough && WorldModels.ModelIsSeeThrough(model);
  } else {
    SetBuildKindFromParts();
  }
  if (alphaKind == 0) return;
  if (segmentFlags & SEGMENT_NO_ALPHA_SORT) {
    alphaKind = 2;
    return;
  }
  if (!(drawFlags & PREGEN_DRAW_SOLID) || seeThrough) return;
  // Stays 1 when an alpha part has no solid part over the same two edges.
  for (const MappingRef& p : parts) {
    const MappingRecord* m = MappingOf(p.mappingIndex);
    if (!m || m->material[0] != 2) continue;
    bool covered = false;
    for (const MappingRef& q : parts) {
      const MappingRecord* o = MappingOf(q.mappingIndex);
      if (o && o->material[0] == 0 &&
          ((q.first == p.first && q.second == p.second) || (q.first == p.second && q.second == p.first)))
        covered = true;
    }
    if (!covered) return;
  }
  alphaKind = 2;
}

void WSegment::SetBuildKindFromParts() {
  for (const MappingRef& p : parts) {
    const MappingRecord* m = MappingOf(p.mappingIndex);
    if (!m) continue;
    switch (m->material[0]) {
      case 0: drawFlags |= PREGEN_DRAW_SOLID; break;
      case 1: drawFlags |= PREGEN_DRAW_ATEST; break;
      case 2: alphaKind = 1; break;
      case 3: drawFlags |= PREGEN_DRAW_TEA; break;
      default: break;
    }
  }
}

int WSegment::IsNear(int32_t x, int32_t y, float range) {
  const int64_t r = Round(double(range) * FIX);
  if (Mul(int64_t(y) - frame.p1[1], frame.d1[0]) + Mul(int64_t(frame.p1[0]) - x, frame.d1[1]) > r) return 0;
  if (Mul(int64_t(x) - frame.p0[0], frame.d0[1]) + Mul(int64_t(frame.p0[1]) - y, frame.d0[0]) > r) return 0;
  const int64_t m = Mul(int64_t(x) - position[0], frame.u[1]) + Mul(int64_t(position[1]) - y, frame.u[0]);
  return m + r >= frame.lateralMin && m - r <= frame.lateralMax;
}

// ---- [Geometry] ----

constexpr int32_t SEGMENT_OFFSET_MAX = 1 << 30;  // 16384 m in fixed units

bool WSegment::ValidateReferences(const WSection*& start, const WSection*& end) {
  start = SectionAt(startSection, "Segment");
  end = SectionAt(endSection, "Segment");
  if (!start || !end) return false;
  if (edgeCount > SEGMENT_EDGES_MAX || partCount > SEGMENT_PARTS_MAX || edges.size() > SEGMENT_EDGES_MAX) {
    DebugLine("A segment has more than 64 edges or parts: it is left without geometry");
    return false;
  }
  for (const SegmentEdge& e : edges) {
    if (e.startVertex >= start->vertexCount || e.endVertex >= end->vertexCount) {
      DebugLine("A segment's edge names a vertex its section has not: it is left without geometry");
      return false;
    }
    // Offsets across the road past 16 km are damage: the margins added to them would wrap.
    const int32_t so = start->vertices[e.startVertex].offset, eo = end->vertices[e.endVertex].offset;
    if (so < -SEGMENT_OFFSET_MAX || so > SEGMENT_OFFSET_MAX || eo < -SEGMENT_OFFSET_MAX || eo > SEGMENT_OFFSET_MAX) {
      DebugLine("A segment's edge lies more than 16 km across its section: it is left without geometry");
      return false;
    }
  }
  for (const MappingRef& p : parts) {
    if (p.first >= edgeCount || p.second >= edgeCount) {
      DebugLine("A segment's part names an edge it has not: it is left without geometry");
      return false;
    }
    if (!MappingOf(p.mappingIndex)) {
      DebugLine("A segment's part names a mapping past the table: it is left without geometry");
      return false;
    }
  }
  return true;
}

void WSegment::CopyProfile() {
  const WSection* from = SectionAt(startSection, "Segment");
  const WSection* to = SectionAt(endSection, "Segment");
  if (!from || !to || from == to) return;
  if (to->ownFlags & SECTION_LINKED) {
    segmentFlags &= uint16_t(~SEGMENT_COPY_PROFILE);
    return;
  }
  // The end section is the world's own object: the table holds it as a plain pointer.
  auto* target = const_cast<WSection*>(to);
  target->heading = from->heading;
  if (target->vertices.size() < from->vertices.size()) {
    target->vertices.resize(from->vertices.size());
    target->vertexCount = from->vertexCount;
  }
  for (size_t i = 0; i < from->vertices.size(); ++i) target->vertices[i] = from->vertices[i];
}

IntVector WSegment::EdgePoint(int e, double t) const {
  const SegmentEdge& edge = edges[size_t(e)];
  if (edge.flags & EDGE_FIXED) t = 0;
  const double s = Cubic(edge.lateral, t);
  const double px = frame.p0[0] + (double(frame.p1[0]) - frame.p0[0]) * t;
  const double py = frame.p0[1] + (double(frame.p1[1]) - frame.p0[1]) * t;
  const double ax = frame.a0[0] + (double(frame.a1[0]) - frame.a0[0]) * t;
  const double ay = frame.a0[1] + (double(frame.a1[1]) - frame.a0[1]) * t;
  return {Round(px + ax * s), Round(py + ay * s), Round(Cubic(edge.height, t) * FIX)};
}

void WSegment::Setup() {
  valid = false;
  levelCount = 0;
  for (PreGenLevel& l : levels) {
    l.segments = 0;
    l.outline = 0;
    l.distance = 0;
  }
  box[0] = box[3] = position[0];
  box[1] = box[4] = position[1];
  box[2] = box[5] = 0;
  const WSection* startS = nullptr;
  const WSection* endS = nullptr;
  // 1. The profile copy, which may grow the end section before its vertices are checked.
  if (segmentFlags & SEGMENT_COPY_PROFILE) CopyProfile();
  const bool ok = ValidateReferences(startS, endS);
  if (!ok) {
    segmentFlags &= uint16_t(~(SEGMENT_HAS_COLLIDABLE | SEGMENT_UNUSABLE_PART));
    centre = {position[0], position[1], 0};
    radius = 0;
    halfSize = {};
    for (MappingRef& p : parts) p.flags &= uint8_t(~(PART_USABLE | PART_DUSTY));
    return;
  }
  // 2. Position, 3. directions.  A side byte other than 1 turns the section round.
  position[0] = int32_t((int64_t(startS->position[0]) + endS->position[0]) >> 1);
  position[1] = int32_t((int64_t(startS->position[1]) + endS->position[1]) >> 1);
  const bool startAsIs = startSide == 1, endAsIs = endSide == 1;
  const float h0 = startS->heading + (startAsIs ? 0.0f : PI_F);
  const float h1 = endS->heading + (endAsIs ? 0.0f : PI_F);
  SegmentFrame& f = frame;
  // A section taken as it is turns by its own heading, whose cosine and sine its placer holds
  // (heading + 0.0f differs from heading only in the sign of a zero, which rounds away).
  const SectionVertexPlacer startAt(*startS), endAt(*endS);
  const bool startTurn = startAsIs && startAt.own, endTurn = endAsIs && endAt.own;
  f.d0[0] = Round(double(startTurn ? startAt.c : std::cos(h0)) * FIX);
  f.d0[1] = Round(double(startTurn ? startAt.s : std::sin(h0)) * FIX);
  f.d1[0] = -Round(double(endTurn ? endAt.c : std::cos(h1)) * FIX);
  f.d1[1] = -Round(double(endTurn ? endAt.s : std::sin(h1)) * FIX);
  // 4. Offsets (at most SEGMENT_EDGES_MAX edges: the references are valid).
  const size_t edgeTotal = edges.size();
  int32_t startOff[SEGMENT_EDGES_MAX], endOff[SEGMENT_EDGES_MAX];
  int32_t sMin = 0, sMax = 0, eMin = 0, eMax = 0;
  for (size_t i = 0; i < edgeTotal; ++i) {
    const int32_t so = startS->vertices[edges[i].startVertex].offset;
    const int32_t eo = endS->vertices[edges[i].endVertex].offset;
    startOff[i] = startAsIs ? so : -so;
    endOff[i] = endAsIs ? -eo : eo;
    if (i == 0 || startOff[i] < sMin) sMin = startOff[i];
    if (i == 0 || startOff[i] > sMax) sMax = startOff[i];
    if (i == 0 || endOff[i] < eMin) eMin = endOff[i];
    if (i == 0 || endOff[i] > eMax) eMax = endOff[i];
  }
  // 5. Outer sides: a margin of 1 m where no straight edge runs along it.
  bool straightMin = false, straightMax = false;
  for (size_t i = 0; i < edgeTotal; ++i) {
    if (edges[i].kind != EDGE_STRAIGHT) continue;
    if (startOff[i] == sMin && endOff[i] == eMin) straightMin = true;
    if (startOff[i] == sMax && endOff[i] == eMax) straightMax = true;
  }
  if (!straightMax) sMax += 65536, eMax += 65536;
  if (!straightMin) sMin -= 65536, eMin -= 65536;
  if (int64_t(sMax) - sMin < 65) sMin -= 65536, sMax += 65536;
  if (int64_t(eMax) - eMin < 65) eMin -= 65536, eMax += 65536;
  // 6. The two outer sides; the shorter is the reference.
  auto sideStart = [&](int32_t off, int32_t out[2]) {
    out[0] = int32_t(startS->position[0] + Mul(f.d0[0], off));
    out[1] = int32_t(startS->position[1] + Mul(f.d0[1], off));
  };
  auto sideEnd = [&](int32_t off, int32_t out[2]) {
    out[0] = int32_t(endS->position[0] + Mul(f.d1[0], off));
    out[1] = int32_t(endS->position[1] + Mul(f.d1[1], off));
  };
  int32_t minA[2], minB[2], maxA[2], maxB[2];
  sideStart(sMin, minA);
  sideEnd(eMin, minB);
  sideStart(sMax, maxA);
  sideEnd(eMax, maxB);
  auto length = [](const int32_t a[2], const int32_t b[2]) {
    const float dx = float(int64_t(b[0]) - a[0]), dy = float(int64_t(b[1]) - a[1]);
    return Round(double(std::sqrt(dx * dx + dy * dy)));
  };
  const int32_t minLength = length(minA, minB), maxLength = length(maxA, maxB);
  const bool refMax = maxLength <= minLength;
  const int32_t* ra = refMax ? maxA : minA;
  const int32_t* rb = refMax ? maxB : minB;
  f.p0[0] = ra[0], f.p0[1] = ra[1], f.p1[0] = rb[0], f.p1[1] = rb[1];
  f.meanLength = int32_t((int64_t(minLength) + maxLength) >> 1);
  const int32_t distance = refMax ? maxLength : minLength;  // length(f.p0, f.p1)
  if (distance == 0) {
    f.u[0] = f.u[1] = 0;
  } else {
    f.u[0] = int32_t(((int64_t(f.p1[0]) - f.p0[0]) << 16) / distance);
    f.u[1] = int32_t(((int64_t(f.p1[1]) - f.p0[1]) << 16) / distance);
  }
  const int32_t startBase = refMax ? sMax : sMin, endBase = refMax ? eMax : eMin;
  const int64_t startWidth = int64_t(sMax) - sMin, endWidth = int64_t(eMax) - eMin;
  // 7. Across vectors.
  f.a0[0] = int32_t(Mul(f.d0[0], startWidth)), f.a0[1] = int32_t(Mul(f.d0[1], startWidth));
  f.a1[0] = int32_t(Mul(f.d1[0], endWidth)), f.a1[1] = int32_t(Mul(f.d1[1], endWidth));
  f.lx = (double(f.p1[0]) - f.p0[0]) / FIX, f.ly = (double(f.p1[1]) - f.p0[1]) / FIX;
  f.a0x = f.a0[0] / FIX, f.a0y = f.a0[1] / FIX;
  f.apx = (double(f.a1[0]) - f.a0[0]) / FIX, f.apy = (double(f.a1[1]) - f.a0[1]) / FIX;
  f.p0x = f.p0[0] / FIX, f.p0y = f.p0[1] / FIX;
  f.perLength = f.meanLength > 0 ? FIX / double(f.meanLength) : 0.0;
  f.lineCrossChange = f.lx * f.apy - f.ly * f.apx, f.lineCrossStart = f.lx * f.a0y - f.ly * f.a0x;
  f.acrossOnX = std::fabs(f.a0x) > std::fabs(f.a0y);
  // 8. Edges.
  const bool startLinked = startS->ownFlags & SECTION_LINKED, endLinked = endS->ownFlags & SECTION_LINKED;
  // The section headings' cosines and sines in doubles, worked out at the first curved edge.
  bool turnsKnown = false;
  double cosH0 = 0, sinH0 = 0, cosH1 = 0, sinH1 = 0;
  for (size_t i = 0; i < edgeTotal; ++i) {
    SegmentEdge& e = edges[i];
    const SectionVertex& sv = startS->vertices[e.startVertex];
    const SectionVertex& ev = endS->vertices[e.endVertex];
    e.flags = uint8_t((e.flags & ~EDGE_FIXED) | EDGE_USABLE);
    if ((sv.endCode || startLinked) && (ev.endCode || endLinked)) {
      e.kind = EDGE_STRAIGHT;
      const IntVector a = startAt.At(e.startVertex), b = endAt.At(e.endVertex);
      if (a.x == b.x && a.y == b.y && a.z == b.z) e.flags |= EDGE_FIXED;
    }
    const double s0 = double(int64_t(startOff[i]) - startBase) / double(startWidth);
    const double s1 = double(int64_t(endOff[i]) - endBase) / double(endWidth);
    const double startX = f.p0[0] + f.a0[0] * s0, startY = f.p0[1] + f.a0[1] * s0;
    const double endX = f.p1[0] + f.a1[0] * s1, endY = f.p1[1] + f.a1[1] * s1;
    if (e.kind == EDGE_STRAIGHT) {
      e.lateral[0] = e.lateral[1] = 0;
      e.lateral[2] = float(s1 - s0);
      e.lateral[3] = float(s0);
    } else {
      // The chords at constant fraction, and the slopes that make the edge leave each
      // section square to it, turned by the edge's angles.
      float al0 = sv.angle + e.startAngle, al1 = ev.angle + e.endAngle;
      if (!(al0 >= -SEGMENT_ANGLE_LIMIT)) al0 = al0 == al0 ? -SEGMENT_ANGLE_LIMIT : 0.0f;
      if (al0 > SEGMENT_ANGLE_LIMIT) al0 = SEGMENT_ANGLE_LIMIT;
      if (!(al1 >= -SEGMENT_ANGLE_LIMIT)) al1 = al1 == al1 ? -SEGMENT_ANGLE_LIMIT : 0.0f;
      if (al1 > SEGMENT_ANGLE_LIMIT) al1 = SEGMENT_ANGLE_LIMIT;
      const double v0x = (f.p1[0] + f.a1[0] * s0) - startX, v0y = (f.p1[1] + f.a1[1] * s0) - startY;
      const double v1x = endX - (f.p0[0] + f.a0[0] * s1), v1y = endY - (f.p0[1] + f.a0[1] * s1);
      if (!turnsKnown) {
        cosH0 = std::cos(double(h0)), sinH0 = std::sin(double(h0));
        cosH1 = std::cos(double(h1)), sinH1 = std::sin(double(h1));
        turnsKnown = true;
      }
      double k0 = double(Round(v0x * cosH0 + v0y * sinH0));
      double k1 = double(Round(v1x * cosH1 + v1y * sinH1));
      if (al0 != 0) k0 += double(Round(std::tan(double(al0)) * std::sqrt(v0x * v0x + v0y * v0y)));
      if (al1 != 0) k1 -= double(Round(std::tan(double(al1)) * std::sqrt(v1x * v1x + v1y * v1y)));
      const double m0 = -k0 / double(startWidth), m1 = k1 / double(endWidth);
      e.lateral[3] = float(s0);
      e.lateral[2] = float(m0);
      e.lateral[0] = float(2 * s0 - 2 * s1 + m0 + m1);
      e.lateral[1] = float(3 * s1 - 3 * s0 - 2 * m0 - m1);
    }
    const double wx = endX - startX, wy = endY - startY;
    const int32_t chord = Round(std::sqrt(wx * wx + wy * wy));
    const int64_t wix = Round(wx), wiy = Round(wy);
    if (chord > SEGMENT_CHORD_MIN &&
        (Mul(f.d0[0], wiy) - Mul(f.d0[1], wix) <= 0 || Mul(f.d1[0], wiy) - Mul(f.d1[1], wix) <= 0))
      e.flags &= uint8_t(~EDGE_USABLE);
    const double hm0 = double(sv.height) / FIX, hm1 = double(ev.height) / FIX;
    if (e.kind == EDGE_STRAIGHT) {
      e.height[0] = e.height[1] = 0;
      e.height[2] = float(hm1 - hm0);
      e.height[3] = float(hm0);
    } else {
      const double hs0 = double(startAsIs ? sv.heightSlope : -sv.heightSlope) + e.startSlope;
      const double hs1 = double(endAsIs ? -ev.heightSlope : ev.heightSlope) + e.endSlope;
      const double lm = double(chord) / FIX;
      const double b1 = lm * hs0;
      e.height[3] = float(hm0);
      e.height[2] = float(b1);
      e.height[0] = float(2 * hm0 - 2 * hm1 + b1 + lm * hs1);
      e.height[1] = float(3 * hm1 - 3 * hm0 - 2 * b1 - lm * hs1);
    }
  }
  // 9. Levels.
  if (f.meanLength <= 0) {
    DebugLine("A segment of length 0 is left without geometry");
    segmentFlags &= uint16_t(~(SEGMENT_HAS_COLLIDABLE | SEGMENT_UNUSABLE_PART));
    centre = {position[0], position[1], 0};
    radius = 0;
    halfSize = {};
    return;
  }
  float step = stepLength;
  if (!(step != 0.0f) || !std::isfinite(step)) step = 5.0f;
  if (!std::isfinite(textureScale)) textureScale = 1.0f;
  // Rounded halves to even, held in 32 bits (NaN 0): past 65536 either way, below 1 either way.
  const int32_t steps = Round(double(f.meanLength) / FIX / double(step));
  const int n = steps < 1 ? 1 : steps > SEGMENT_STEPS_MAX ? SEGMENT_STEPS_MAX : int(steps);
  levels[0].segments = uint16_t(n == SEGMENT_STEPS_MAX ? SEGMENT_STEPS_MAX - 1 : n);
  levels[0].outline = 1;
  levels[0].distance = SEGMENT_FAR_DISTANCE;
  levelCount = 1;
  if (n > 2) {
    levels[0].distance = SEGMENT_NEAR_DISTANCE;
    if ((n >> 1) > 2) {
      levels[levelCount].segments = uint16_t(n >> 1);
      levels[levelCount].distance = SEGMENT_MIDDLE_DISTANCE;
      ++levelCount;
    }
    levels[levelCount].segments = uint16_t((n >> 2) < 1 ? 1 : (n >> 2));
    levels[levelCount].distance = SEGMENT_FAR_DISTANCE;
    ++levelCount;
  }
  valid = true;
  // 10. The size byte is the repeated model's box.
  sizeByte = 0;
  if (objectIndex >= 0 && !edges.empty()) {
    const PreGenModel* entry = ModelEntry();
    if (entry && WorldModels.EntryBoxSize) sizeByte = uint8_t(WorldModels.EntryBoxSize(*entry));
  }
  // 11. Bounds.
  f.lateralMin = f.lateralMax = 0;
  if (!parts.empty()) GrowBoundsOverSteps(startAt, endAt);
  if (parts.empty() && objectIndex < 0) {
    centre = {position[0], position[1], 0};
    const double dx = double(endS->position[0]) - position[0], dy = double(endS->position[1]) - position[1];
    radius = Round(std::sqrt(dx * dx + dy * dy));
    halfSize = {};
  } else {
    // Until the finest level's mesh is built from the sweep, its bounds are the box's.
    centre = {int32_t((int64_t(box[0]) + box[3]) >> 1), int32_t((int64_t(box[1]) + box[4]) >> 1),
              int32_t((int64_t(box[2]) + box[5]) >> 1)};
    halfSize = {int32_t((int64_t(box[3]) - box[0]) >> 1), int32_t((int64_t(box[4]) - box[1]) >> 1),
                int32_t((int64_t(box[5]) - box[2]) >> 1)};
    radius = Round(std::sqrt(double(halfSize.x) * halfSize.x + double(halfSize.y) * halfSize.y +
                             double(halfSize.z) * halfSize.z));
  }
  // 12.
  distanceLevels = 0;
  MarkCollidableParts();
  MarkSurfaceParts();
}

namespace {

template <class T>
int Sign(T v) {
  return (v > 0) - (v < 0);
}

// The way two terms that each move one way (-1, 0 still, 1) or may turn (2) move summed.
int Together(int a, int b) {
  if (a == 2 || b == 2) return 2;
  if (a == 0 || a == b) return b;
  return b == 0 ? a : 2;
}

// How one coordinate of a straight edge's point moves as t grows: p(t) + a(t) s(t), each
// evaluated in doubles as the sweep does, p(t) = p0 + dp t and a(t) = a0 + da t moving as
// the signs of dp and da say, s(t) = s1 t + s0 (a cubic whose two upper coefficients are 0).
// Rounding to nearest never reverses an order, so a product of a fixed factor and a term
// moving one way, and a sum of terms moving the same way, move that way too, through each
// step of the arithmetic and the final rounding.  2: a(t) and s(t) both vary, it may turn.
struct AxisMotion {
  int p, a, a0;  // the signs of dp, da and a0

  int Of(int s1, int s0) const { return Together(p, a == 0 ? a0 * s1 : s1 == 0 ? a * s0 : 2); }
};

bool FitsInt32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

// A box and a lateral range grown from empty ranges, point by point.
struct BoundsGrowth {
  int32_t lo[3] = {INT32_MAX, INT32_MAX, INT32_MAX}, hi[3] = {INT32_MIN, INT32_MIN, INT32_MIN};
  int32_t lateralLo = INT32_MAX, lateralHi = INT32_MIN;

  // Always inline: called out of line, its ranges live in memory instead of registers.
  [[gnu::always_inline]] void Grow(const IntVector& p, int32_t lateral) {
    lo[0] = std::min(lo[0], p.x), hi[0] = std::max(hi[0], p.x);
    lo[1] = std::min(lo[1], p.y), hi[1] = std::max(hi[1], p.y);
    lo[2] = std::min(lo[2], p.z), hi[2] = std::max(hi[2], p.z);
    lateralLo = std::min(lateralLo, lateral), lateralHi = std::max(lateralHi, lateral);
  }
};

}  // namespace

void WSegment::GrowBoundsOverSteps(const SectionVertexPlacer& startAt, const SectionVertexPlacer& endAt) {
  const size_t edgeTotal = edges.size();
  bool used[SEGMENT_EDGES_MAX] = {};
  for (const MappingRef& p : parts) used[p.first] = used[p.second] = true;
  // The box and the lateral range grow in locals (a segment has hundreds of points) and are
  // stored once at the end; nothing is stored when no point is met.
  BoundsGrowth b;
  const int64_t px0 = position[0], py0 = position[1], ux = frame.u[0], uy = frame.u[1];
  auto lateral = [&](const IntVector& p) { return Mul(py0 - p.y, ux) + Mul(int64_t(p.x) - px0, uy); };
  auto grow = [&](const IntVector& p) { b.Grow(p, int32_t(lateral(p))); };
  const int n = levels[0].segments;
  for (size_t e = 0; e < edgeTotal; ++e)
    if (used[e]) {
      grow(startAt.At(edges[e].startVertex));
      if (n >= 1) grow(endAt.At(edges[e].endVertex));
    }
  // EdgePoint between the sections, its frame at a step worked out once for all the edges and
  // the edges' coefficients widened to doubles once (exact).
  const double dpx = double(frame.p1[0]) - frame.p0[0], dpy = double(frame.p1[1]) - frame.p0[1];
  const double dax = double(frame.a1[0]) - frame.a0[0], day = double(frame.a1[1]) - frame.a0[1];
  struct Step {
    double t, px, py, ax, ay;
  };
  auto stepAt = [&](int i) {
    const double t = double(i) / n;
    return Step{t, frame.p0[0] + dpx * t, frame.p0[1] + dpy * t, frame.a0[0] + dax * t, frame.a0[1] + day * t};
  };
  struct Curve {
    double lateral[4], height[4];
  };
  auto cubic = [](const double c[4], double t) { return ((c[0] * t + c[1]) * t + c[2]) * t + c[3]; };
  auto point = [&](const Curve& c, const Step& at) {
    const double s = cubic(c.lateral, at.t);
    return IntVector{Round(at.px + at.ax * s), Round(at.py + at.ay * s), Round(cubic(c.height, at.t) * FIX)};
  };
  // A straight edge whose points each move one way along every axis and across the road has
  // its extremes among the inner steps at the first and the last of them: only those two are
  // evaluated (the same box as every step's).  Any other edge is swept step by step.
  // (The differences taken in integers have the signs of dpx, dax, dpy and day.)
  const AxisMotion alongX{Sign(int64_t(frame.p1[0]) - frame.p0[0]), Sign(int64_t(frame.a1[0]) - frame.a0[0]),
                          Sign(frame.a0[0])};
  const AxisMotion alongY{Sign(int64_t(frame.p1[1]) - frame.p0[1]), Sign(int64_t(frame.a1[1]) - frame.a0[1]),
                          Sign(frame.a0[1])};
  const int acrossX = Sign(frame.u[1]), acrossY = -Sign(frame.u[0]);
  Curve swept[SEGMENT_EDGES_MAX];
  int sweptCount = 0;
  for (size_t e = 0; e < edgeTotal; ++e) {
    const SegmentEdge& edge = edges[e];
    if (!used[e] || (edge.flags & EDGE_FIXED)) continue;
    Curve c;
    for (int k = 0; k < 4; ++k) c.lateral[k] = edge.lateral[k], c.height[k] = edge.height[k];
    if (n > 3 && c.lateral[0] == 0 && c.lateral[1] == 0 && c.height[0] == 0 && c.height[1] == 0 &&
        std::isfinite(c.lateral[2]) && std::isfinite(c.lateral[3]) && std::isfinite(c.height[2]) &&
        std::isfinite(c.height[3])) {
      const int s1 = Sign(c.lateral[2]), s0 = Sign(c.lateral[3]);
      const int dx = alongX.Of(s1, s0), dy = alongY.Of(s1, s0);
      if (dx != 2 && dy != 2 && Together(dx * acrossX, dy * acrossY) != 2) {
        // The lateral distance is kept in 32 bits: it must not wrap anywhere between the two.
        const IntVector first = point(c, stepAt(1)), last = point(c, stepAt(n - 1));
        const int64_t m0 = lateral(first), m1 = lateral(last);
        if (FitsInt32(m0) && FitsInt32(m1)) {
          b.Grow(first, int32_t(m0));
          b.Grow(last, int32_t(m1));
          continue;
        }
      }
    }
    swept[sweptCount++] = c;
  }
  if (sweptCount > 0)
    for (int i = 1; i < n; ++i) {
      const Step at = stepAt(i);
      for (int k = 0; k < sweptCount; ++k) grow(point(swept[k], at));
    }
  if (b.lo[0] > b.hi[0]) return;  // no point met
  for (int a = 0; a < 3; ++a) {
    box[a] = b.lo[a];
    box[a + 3] = b.hi[a];
  }
  frame.lateralMin = b.lateralLo;
  frame.lateralMax = b.lateralHi;
}

void WSegment::MarkCollidableParts() {
  segmentFlags &= uint16_t(~(SEGMENT_HAS_COLLIDABLE | SEGMENT_UNUSABLE_PART));
  for (SegmentEdge& e : edges) e.flags &= uint8_t(~EDGE_COLLIDABLE);
  if (!valid) return;
  for (MappingRef& p : parts) {
    p.flags &= uint8_t(~PART_USABLE);
    if (!(p.flags & PART_COLLIDABLE)) continue;
    SegmentEdge& a = edges[p.first];
    SegmentEdge& b = edges[p.second];
    if ((a.flags & EDGE_USABLE) && (b.flags & EDGE_USABLE)) {
      a.flags |= EDGE_COLLIDABLE;
      b.flags |= EDGE_COLLIDABLE;
      p.flags |= PART_USABLE;
      segmentFlags |= SEGMENT_HAS_COLLIDABLE;
    } else if (segmentFlags & SEGMENT_COLLIDABLE) {
      segmentFlags |= SEGMENT_UNUSABLE_PART;
    }
  }
}

void WSegment::MarkSurfaceParts() {
  for (MappingRef& p : parts) {
    p.flags &= uint8_t(~PART_DUSTY);
    const MappingRecord* m = MappingOf(p.mappingIndex);
    if (!m || !(p.flags & PART_USABLE)) continue;
    const uint8_t type = m->surfaceType < SURFACE_TYPE_COUNT ? m->surfaceType : 0;
    if (SurfaceTypes[type].dustyByItself || (m->flags & SRF_DUSTY)) p.flags |= PART_DUSTY;
  }
}

// ---- [Ray test] ----

namespace {
bool PartShown(const MappingRecord* m) {
  if (!m) return false;
  if (m->flags & SRF_HAS_COLOUR) return WorldPartDisplay[0] || m->material[0] == 0;
  return WorldPartDisplay[1] != 0;
}
struct V3 {
  double x, y, z;
};
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator*(V3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
// Two doubles worked side by side (the compilers' vector extension): each lane rounds exactly
// as the same scalar expression would, so an edge's lateral fraction (lane 0) and height
// (lane 1) cost one evaluation of the cubic.
typedef double Pair __attribute__((vector_size(16)));
// An edge's lateral fraction and height at t, and their slopes, as Cubic and CubicSlope give them.
struct EdgeCurve {
  Pair at, slope;
};
EdgeCurve EvaluateEdge(const SegmentEdge& edge, double t) {
  const Pair c0 = {edge.lateral[0], edge.height[0]}, c1 = {edge.lateral[1], edge.height[1]},
             c2 = {edge.lateral[2], edge.height[2]}, c3 = {edge.lateral[3], edge.height[3]};
  const Pair tt = {t, t};
  return {((c0 * tt + c1) * tt + c2) * tt + c3, (3.0 * c0 * tt + 2.0 * c1) * tt + c2};
}
#if defined(__SSE2__)
// SegmentMayHitBox's answer without its end point, the three axes side by side: most rays
// handed to a segment miss its box, so this test is most of what they cost.  Lane 3 is left
// out of the answer.
static_assert(offsetof(IntVector, y) == offsetof(IntVector, x) + 4);
bool RayMayHitBox(const int32_t box[6], const IntVector& start, const IntVector& ray) {
  auto load = [](const IntVector& v) {
    return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&v.x)), _mm_cvtsi32_si128(v.z));
  };
  const __m128i s = load(start), e = _mm_sub_epi32(s, load(ray));  // the end wraps as the 32-bit sum does
  const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(box));
  const __m128i hi = _mm_srli_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(box + 2)), 4);
  const __m128i out = _mm_or_si128(_mm_and_si128(_mm_cmpgt_epi32(lo, s), _mm_cmpgt_epi32(lo, e)),
                                   _mm_and_si128(_mm_cmpgt_epi32(s, hi), _mm_cmpgt_epi32(e, hi)));
  return (_mm_movemask_epi8(out) & 0xFFF) == 0;
}
#endif
// std::fmin and std::fmax without the library call: the other value when one is NaN.  The sign
// of a zero may differ, which no caller here can see.
double Min(double a, double b) { return (b < a || a != a) ? b : a; }
double Max(double a, double b) { return (b > a || a != a) ? b : a; }
}  // namespace

int WSegment::HasVisiblePart() const {
  for (const MappingRef& p : parts)
    if (PartShown(MappingOf(p.mappingIndex))) return 1;
  return 0;
}

int WSegment::RayTestVisible(const IntVector& origin, const IntVector& direction, ContactProbe& hit) {
  uint8_t saved[SEGMENT_PARTS_MAX];
  const size_t count = parts.size() < size_t(SEGMENT_PARTS_MAX) ? parts.size() : size_t(SEGMENT_PARTS_MAX);
  for (size_t i = 0; i < count; ++i) {
    saved[i] = parts[i].flags;
    parts[i].flags = uint8_t((parts[i].flags & ~PART_COLLIDABLE) | (PartShown(MappingOf(parts[i].mappingIndex)) ? 1 : 0));
  }
  MarkCollidableParts();
  const int result = RayTest(origin, direction, hit, nullptr, nullptr, nullptr, 1);
  for (size_t i = 0; i < count; ++i) parts[i].flags = saved[i];
  MarkCollidableParts();
  MarkSurfaceParts();
  return result;
}

int WSegment::RayTest(const IntVector& origin, const IntVector& direction, ContactProbe& hit, uint32_t* surface,
                      int32_t* blend, int32_t* bump, int32_t) {
  // 1. A collidable part and the box.
  if (!(segmentFlags & SEGMENT_HAS_COLLIDABLE) || !valid) return 0;
#if defined(__SSE2__)
  if (!RayMayHitBox(box, origin, direction)) return 0;
#else
  IntVector S;
  if (!SegmentMayHitBox(origin, direction, S)) return 0;
#endif
  return RayTestPastBox(origin, direction, hit, surface, blend, bump);
}

[[gnu::noinline]] int WSegment::RayTestPastBox(const IntVector& origin, const IntVector& direction, ContactProbe& hit,
                                               uint32_t* surface, int32_t* blend, int32_t* bump) {
  const IntVector S = {int32_t(int64_t(origin.x) - direction.x), int32_t(int64_t(origin.y) - direction.y),
                       int32_t(int64_t(origin.z) - direction.z)};
  const SegmentFrame& f = frame;
  // 2. The lateral band.
  auto lateral = [&](const IntVector& p) {
    return Mul(int64_t(p.x) - position[0], f.u[1]) + Mul(int64_t(position[1]) - p.y, f.u[0]);
  };
  const int64_t mo = lateral(origin), ms = lateral(S);
  if ((mo < f.lateralMin && ms < f.lateralMin) || (mo > f.lateralMax && ms > f.lateralMax)) return 0;
  // 3. The end lines.
  auto beyondEnd = [&](const IntVector& p) {
    return Mul(int64_t(p.y) - f.p1[1], f.d1[0]) + Mul(int64_t(f.p1[0]) - p.x, f.d1[1]);
  };
  auto beforeStart = [&](const IntVector& p) {
    return Mul(int64_t(p.y) - f.p0[1], -int64_t(f.d0[0])) + Mul(int64_t(p.x) - f.p0[0], f.d0[1]);
  };
  const int64_t oe = beyondEnd(origin), se = beyondEnd(S), os = beforeStart(origin), ss = beforeStart(S);
  double nearClip = 1.0, farClip = 1.0, originShift = 0.0;
  int32_t nearFixed = FIX, farFixed = FIX;
  const V3 R = V3{double(direction.x), double(direction.y), double(direction.z)} * (1.0 / FIX);
  V3 O = V3{double(origin.x), double(origin.y), double(origin.z)} * (1.0 / FIX);
  // Most rays lie wholly between the end lines: no clip, the shift 0 and both ends FIX.
  if (se > 64 || oe > 64 || ss > 64 || os > 64) {
    const int bits = (se > 64 ? 8 : 0) | (oe > 64 ? 4 : 0) | (ss > 64 ? 2 : 0) | (os > 64 ? 1 : 0);
    auto farFrom = [](int64_t dS, int64_t dO) {
      const double d = double(dS), e = double(dS - dO);
      return e <= d ? 0.0 : 1.0 - d / e;
    };
    auto nearFrom = [](int64_t dO, int64_t dS) { return double(dO) / double(dO - dS); };
    switch (bits) {
      case 8: farClip = farFrom(se, oe); break;
      case 2: farClip = farFrom(ss, os); break;
      case 4: originShift = nearFrom(oe, se); break;
      case 1: originShift = nearFrom(os, ss); break;
      case 4 | 2: originShift = nearFrom(oe, se), farClip = farFrom(ss, os); break;
      case 1 | 8: originShift = nearFrom(os, ss), farClip = farFrom(se, oe); break;
      default: return 0;
    }
    nearClip = 1.0 - originShift;
    nearFixed = Round(nearClip * FIX), farFixed = Round(farClip * FIX);
    if (nearFixed < 640 || farFixed < 640) return 0;
    // The clipped ray, in metres.
    O = O - R * originShift;
  }
  // 4. The patch parameter.
  const double Lx = f.lx, Ly = f.ly;
  const double A0x = f.a0x, A0y = f.a0y;
  const double Apx = f.apx, Apy = f.apy;
  const double Qx = O.x - f.p0x, Qy = O.y - f.p0y;
  const double a = f.lineCrossChange;
  const double b = f.lineCrossStart + (Qy * Apx - Qx * Apy);
  const double c = Qy * A0x - Qx * A0y;
  double u;
  if (std::fabs(a) >= 1e-6) {
    const double disc = b * b - 4 * a * c;
    if (disc < 0) return 0;
    u = b >= -1e-6 ? -(std::sqrt(disc) + b) * 0.5 / a : 2 * c / (std::sqrt(disc) - b);
    if (!(u >= -1.0 && u <= 2.0)) return 0;
  } else {
    if (std::fabs(b) < 0.001) return 0;
    u = -c / b;
  }
  // 5. The lateral fraction.
  const double Aux = A0x + Apx * u, Auy = A0y + Apy * u;
  const bool onX = f.acrossOnX;
  const double comp = onX ? Aux : Auy;
  if (std::fabs(comp) < 0.001 || Max(std::fabs(Aux), std::fabs(Auy)) < 0.01) return 0;
  const double s = (onX ? Qx - u * Lx : Qy - u * Ly) / comp;
  // 6. Each edge's curves at u, worked out once for the parts.
  const double w = (f.u[1] * Aux - f.u[0] * Auy) / FIX;
  const size_t edgeCount = edges.size();
  EdgeCurve curve[SEGMENT_EDGES_MAX];
  for (size_t e = 0; e < edgeCount; ++e) curve[e] = EvaluateEdge(edges[e], u);
  // 7.
  const double rLength = std::sqrt(Dot(R, R));
  if (Dot(R, R) < 0.0001) return 0;
  if (surface && bump) O.z -= double(*bump) / FIX;
  // 8 and 9. Each usable part near s is a candidate strip, tested against the ray with its two
  // edges side by side (lane 0 its first edge, lane 1 its second): their points from O and their
  // tangents along the road at u.  Every test only skips a part, so their order is free.
  const double perLength = f.perLength;
  const double baseX = f.p0x + Lx * u, baseY = f.p0y + Ly * u;
  const double reach = 1.0 / w;  // read only when w >= 0.01
  const V3 r = R * (1.0 / rLength);
  int64_t best = hit.candidateStrength;
  int winner = -1;
  double winF = 0;
  V3 winG{}, winD1{}, winD2{};
  for (size_t i = 0; i < parts.size(); ++i) {
    const MappingRef& p = parts[i];
    if (!(p.flags & PART_USABLE)) continue;
    const EdgeCurve &c1 = curve[p.first], &c2 = curve[p.second];
    if (w >= 0.01) {
      const double f1 = c1.at[0], f2 = c2.at[0];
      const double lo = Min(f1, f2), hi = Max(f1, f2);
      if (hi < s - reach || lo > s + reach) continue;
    }
    const Pair se = {c1.at[0], c2.at[0]}, sd = {c1.slope[0], c2.slope[0]};
    const Pair px = (baseX + Aux * se) - O.x, py = (baseY + Auy * se) - O.y, pz = Pair{c1.at[1], c2.at[1]} - O.z;
    Pair dx = (Lx + Apx * se + Aux * sd) * perLength, dy = (Ly + Apy * se + Auy * sd) * perLength,
         dz = Pair{c1.slope[1], c2.slope[1]} * perLength;
    for (int k = 0; k < 2; ++k) {
      if (std::fabs(dx[k]) < 0.01 && std::fabs(dy[k]) < 0.01) {
        const double big = Max(std::fabs(Aux), std::fabs(Auy));
        dx[k] = -Auy / big, dy[k] = Aux / big, dz[k] = 0;
      }
    }
    const V3 g = {px[1] - px[0], py[1] - py[0], pz[1] - pz[0]}, n = Cross(g, r), m = Cross(n, r);
    const Pair dn = dx * n.x + dy * n.y + dz * n.z, pn = px * n.x + py * n.y + pz * n.z;
    if (!(dn[0] > std::fabs(pn[0]) / 1024) || !(dn[1] > std::fabs(pn[1]) / 1024)) continue;
    const Pair q = pn / dn;
    const Pair fx = px - dx * q, fy = py - dy * q, fz = pz - dz * q;
    // m is -g across the ray: the ray passes between the edges when the first lies on m's
    // side and the second on the other.
    const Pair sigma = m.x * fx + m.y * fy + m.z * fz;
    if (!(sigma[0] > 0) || !(sigma[1] < 0)) continue;
    const double frac = sigma[0] / (sigma[0] - sigma[1]);
    const Pair along = fx * r.x + fy * r.y + fz * r.z;
    const double d = along[0] + (along[1] - along[0]) * frac;
    if (!(d < 0)) continue;
    int64_t t = Round(-d / (rLength * nearClip) * FIX);
    if (nearFixed != 65536) t = ((t * nearFixed) >> 16) - nearFixed + 65536;
    if (t > best && t < farFixed) {
      best = t;
      winner = int(i);
      winF = frac;
      winG = g;
      winD1 = {dx[0], dy[0], dz[0]};
      winD2 = {dx[1], dy[1], dz[1]};
    }
  }
  // 10. The normal.
  if (winner < 0) return 0;
  const MappingRef& part = parts[size_t(winner)];
  const V3 D = winD1 + (winD2 - winD1) * winF;
  V3 normal = Cross(winG, D);
  const double nn = Dot(normal, normal);
  if (nn < 1e-6) return 0;
  normal = normal * (1.0 / std::sqrt(nn));
  // 11. The record.
  const MappingRecord* mapping = MappingOf(part.mappingIndex);
  if (!mapping) return 0;
  hit.candidatePoint = {int32_t(origin.x - ((int64_t(direction.x) * best) >> 16)),
                        int32_t(origin.y - ((int64_t(direction.y) * best) >> 16)),
                        int32_t(origin.z - ((int64_t(direction.z) * best) >> 16))};
  hit.candidateNormal = Vec3{float(normal.x), float(normal.y), float(normal.z)};
  hit.candidateSurface = reinterpret_cast<uintptr_t>(mapping);
  hit.candidateBody = nullptr;
  hit.candidateObject = nullptr;
  hit.candidateStrength = int32_t(best);
  hit.candidateKind = mapping->surfaceType;
  hit.candidateSubKind = part.flags & PART_DUSTY;
  hit.candidatePart = uint8_t(winner);
  // 12. The bump value.
  if (surface) {
    const int scale = mapping->surfaceWord[2] < 8 ? 8 : mapping->surfaceWord[2] > 31 ? 31 : mapping->surfaceWord[2];
    const int64_t period = int64_t(1) << scale;
    int64_t ridges = ((period >> 1) + f.meanLength) / period;
    if (ridges < 1) ridges = 1;
    const int32_t amplitude = mapping->surfaceWord[1];
    int32_t value;
    if (mapping->surfaceWord[0] == 1) {
      int64_t phi = int64_t(Round(double(ridges) * u * FIX)) & 0xFFFF;
      if (phi > 32768) phi = 65536 - phi;
      value = int32_t((phi * 128 * amplitude) >> 16);
    } else if (mapping->surfaceWord[0] == 2) {
      const int index = int((int64_t(Round(double(ridges) * u * FIX)) >> 8) & 255);
      value = CWld ? int32_t(int8_t(CWld->bumpProfile[index])) * amplitude : 0;
    } else {
      value = SurfaceTableBump(*mapping, hit.candidatePoint.x, hit.candidatePoint.y);
    }
    ApplyBump(*mapping, value, surface, blend, bump);
  }
  return 1;
}
