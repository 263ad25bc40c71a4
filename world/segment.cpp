// segment.cpp - the road segment's record, its geometry set-up, levels, nearness and its
// analytic ray test.
#include "world/segment.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "core/config.h"
#include "core/data_fields.h"
#include "core/data_file.h"
#include "core/report.h"
#include "physics/solid/solid.h"
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

WSegment::WSegment() : WPreGen(OBJECT_SEGMENT) {}

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
  if (edgeCount > SEGMENT_EDGES_MAX || partCount > SEGMENT_PARTS_MAX) {
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
  f.d0[0] = Round(double(std::cos(h0)) * FIX);
  f.d0[1] = Round(double(std::sin(h0)) * FIX);
  f.d1[0] = -Round(double(std::cos(h1)) * FIX);
  f.d1[1] = -Round(double(std::sin(h1)) * FIX);
  // 4. Offsets.
  // Kept between segments: a load sets up thousands of them.
  thread_local std::vector<int32_t> startOff, endOff;
  startOff.assign(edges.size(), 0);
  endOff.assign(edges.size(), 0);
  int32_t sMin = 0, sMax = 0, eMin = 0, eMax = 0;
  for (size_t i = 0; i < edges.size(); ++i) {
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
  for (size_t i = 0; i < edges.size(); ++i) {
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
  const int32_t distance = length(f.p0, f.p1);
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
  // 8. Edges.
  const bool startLinked = startS->ownFlags & SECTION_LINKED, endLinked = endS->ownFlags & SECTION_LINKED;
  for (size_t i = 0; i < edges.size(); ++i) {
    SegmentEdge& e = edges[i];
    const SectionVertex& sv = startS->vertices[e.startVertex];
    const SectionVertex& ev = endS->vertices[e.endVertex];
    e.flags = uint8_t((e.flags & ~EDGE_FIXED) | EDGE_USABLE);
    if ((sv.endCode || startLinked) && (ev.endCode || endLinked)) {
      e.kind = EDGE_STRAIGHT;
      const IntVector a = startS->GetVertexWorldPos(e.startVertex), b = endS->GetVertexWorldPos(e.endVertex);
      if (a.x == b.x && a.y == b.y && a.z == b.z) e.flags |= EDGE_FIXED;
    }
    const double s0 = double(int64_t(startOff[i]) - startBase) / double(startWidth);
    const double s1 = double(int64_t(endOff[i]) - endBase) / double(endWidth);
    const double hs0 = double(startAsIs ? sv.heightSlope : -sv.heightSlope) + e.startSlope;
    const double hs1 = double(endAsIs ? -ev.heightSlope : ev.heightSlope) + e.endSlope;
    float al0 = sv.angle + e.startAngle, al1 = ev.angle + e.endAngle;
    if (!(al0 >= -SEGMENT_ANGLE_LIMIT)) al0 = al0 == al0 ? -SEGMENT_ANGLE_LIMIT : 0.0f;
    if (al0 > SEGMENT_ANGLE_LIMIT) al0 = SEGMENT_ANGLE_LIMIT;
    if (!(al1 >= -SEGMENT_ANGLE_LIMIT)) al1 = al1 == al1 ? -SEGMENT_ANGLE_LIMIT : 0.0f;
    if (al1 > SEGMENT_ANGLE_LIMIT) al1 = SEGMENT_ANGLE_LIMIT;
    const double startX = f.p0[0] + f.a0[0] * s0, startY = f.p0[1] + f.a0[1] * s0;
    const double endX = f.p1[0] + f.a1[0] * s1, endY = f.p1[1] + f.a1[1] * s1;
    if (e.kind == EDGE_STRAIGHT) {
      e.lateral[0] = e.lateral[1] = 0;
      e.lateral[2] = float(s1 - s0);
      e.lateral[3] = float(s0);
    } else {
      // The chords at constant fraction, and the slopes that make the edge leave each
      // section square to it, turned by the edge's angles.
      const double v0x = (f.p1[0] + f.a1[0] * s0) - startX, v0y = (f.p1[1] + f.a1[1] * s0) - startY;
      const double v1x = endX - (f.p0[0] + f.a0[0] * s1), v1y = endY - (f.p0[1] + f.a0[1] * s1);
      double k0 = double(Round(v0x * std::cos(double(h0)) + v0y * std::sin(double(h0))));
      double k1 = double(Round(v1x * std::cos(double(h1)) + v1y * std::sin(double(h1))));
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
  const double steps = std::nearbyint(double(f.meanLength) / FIX / double(step));
  const int n = !(steps >= 1.0) ? 1 : steps > SEGMENT_STEPS_MAX ? SEGMENT_STEPS_MAX : int(steps);
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
  if (!parts.empty()) GrowBoundsOverSteps();
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

void WSegment::GrowBoundsOverSteps() {
  bool used[SEGMENT_EDGES_MAX] = {};
  for (const MappingRef& p : parts) used[p.first] = used[p.second] = true;
  // The box and the lateral range grow in locals from empty ranges (a segment has hundreds of
  // points) and are stored once at the end; nothing is stored when no point is met.
  int32_t lo[3] = {INT32_MAX, INT32_MAX, INT32_MAX}, hi[3] = {INT32_MIN, INT32_MIN, INT32_MIN};
  int32_t lateralLo = INT32_MAX, lateralHi = INT32_MIN;
  auto grow = [&](const IntVector& p) {
    const int32_t m = int32_t(Mul(int64_t(position[1]) - p.y, frame.u[0]) + Mul(int64_t(p.x) - position[0], frame.u[1]));
    lo[0] = std::min(lo[0], p.x), hi[0] = std::max(hi[0], p.x);
    lo[1] = std::min(lo[1], p.y), hi[1] = std::max(hi[1], p.y);
    lo[2] = std::min(lo[2], p.z), hi[2] = std::max(hi[2], p.z);
    lateralLo = std::min(lateralLo, m), lateralHi = std::max(lateralHi, m);
  };
  const WSection* startS = SectionAt(startSection, "Segment");
  const WSection* endS = SectionAt(endSection, "Segment");
  if (!startS || !endS) return;
  for (size_t e = 0; e < edges.size(); ++e)
    if (used[e]) grow(startS->GetVertexWorldPos(edges[e].startVertex));
  const int n = levels[0].segments;
  for (int i = 1; i < n; ++i) {
    // EdgePoint's frame at this step, worked out once for all the edges.
    const double t = double(i) / n;
    const double px = frame.p0[0] + (double(frame.p1[0]) - frame.p0[0]) * t;
    const double py = frame.p0[1] + (double(frame.p1[1]) - frame.p0[1]) * t;
    const double ax = frame.a0[0] + (double(frame.a1[0]) - frame.a0[0]) * t;
    const double ay = frame.a0[1] + (double(frame.a1[1]) - frame.a0[1]) * t;
    for (size_t e = 0; e < edges.size(); ++e) {
      const SegmentEdge& edge = edges[e];
      if (!used[e] || (edge.flags & EDGE_FIXED)) continue;
      const double s = Cubic(edge.lateral, t);
      grow({Round(px + ax * s), Round(py + ay * s), Round(Cubic(edge.height, t) * FIX)});
    }
  }
  if (n >= 1)
    for (size_t e = 0; e < edges.size(); ++e)
      if (used[e]) grow(endS->GetVertexWorldPos(edges[e].endVertex));
  if (lo[0] > hi[0]) return;  // no point met
  for (int a = 0; a < 3; ++a) {
    box[a] = lo[a];
    box[a + 3] = hi[a];
  }
  frame.lateralMin = lateralLo;
  frame.lateralMax = lateralHi;
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
  IntVector S;
  if (!SegmentMayHitBox(origin, direction, S)) return 0;
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
  const int bits = (se > 64 ? 8 : 0) | (oe > 64 ? 4 : 0) | (ss > 64 ? 2 : 0) | (os > 64 ? 1 : 0);
  double nearClip = 1.0, farClip = 1.0, originShift = 0.0;
  auto farFrom = [](int64_t dS, int64_t dO) {
    const double d = double(dS), e = double(dS - dO);
    return e <= d ? 0.0 : 1.0 - d / e;
  };
  auto nearFrom = [](int64_t dO, int64_t dS) { return double(dO) / double(dO - dS); };
  switch (bits) {
    case 0: break;
    case 8: farClip = farFrom(se, oe); break;
    case 2: farClip = farFrom(ss, os); break;
    case 4: originShift = nearFrom(oe, se); break;
    case 1: originShift = nearFrom(os, ss); break;
    case 4 | 2: originShift = nearFrom(oe, se), farClip = farFrom(ss, os); break;
    case 1 | 8: originShift = nearFrom(os, ss), farClip = farFrom(se, oe); break;
    default: return 0;
  }
  nearClip = 1.0 - originShift;
  const int32_t nearFixed = Round(nearClip * FIX), farFixed = Round(farClip * FIX);
  if (nearFixed < 640 || farFixed < 640) return 0;
  // The clipped ray, in metres.
  const V3 R = V3{double(direction.x), double(direction.y), double(direction.z)} * (1.0 / FIX);
  V3 O = V3{double(origin.x), double(origin.y), double(origin.z)} * (1.0 / FIX) - R * originShift;
  const V3 Rc = R * nearClip;
  // 4. The patch parameter.
  const double Lx = f.lx, Ly = f.ly;
  const double A0x = f.a0x, A0y = f.a0y;
  const double Apx = f.apx, Apy = f.apy;
  const double Qx = O.x - f.p0x, Qy = O.y - f.p0y;
  const double a = Lx * Apy - Ly * Apx;
  const double b = (Lx * A0y - Ly * A0x) + (Qy * Apx - Qx * Apy);
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
  const bool onX = std::fabs(A0x) > std::fabs(A0y);
  const double comp = onX ? Aux : Auy;
  if (std::fabs(comp) < 0.001 || Max(std::fabs(Aux), std::fabs(Auy)) < 0.01) return 0;
  const double s = (onX ? Qx - u * Lx : Qy - u * Ly) / comp;
  // 6. Candidate parts.
  const double w = (f.u[1] * Aux - f.u[0] * Auy) / FIX;
  bool candidate[SEGMENT_PARTS_MAX] = {};
  bool marked[SEGMENT_EDGES_MAX] = {};
  bool any = false;
  // Each edge's lateral fraction at u, worked out once for the parts and the edge points.
  const size_t edgeCount = edges.size();
  double lat[SEGMENT_EDGES_MAX];
  for (size_t e = 0; e < edgeCount; ++e) lat[e] = Cubic(edges[e].lateral, u);
  for (size_t i = 0; i < parts.size(); ++i) {
    const MappingRef& p = parts[i];
    if (!(p.flags & PART_USABLE)) continue;
    if (w >= 0.01) {
      const double f1 = lat[p.first], f2 = lat[p.second];
      const double lo = Min(f1, f2), hi = Max(f1, f2);
      if (hi < s - 1.0 / w || lo > s + 1.0 / w) continue;
    }
    candidate[i] = true;
    marked[p.first] = marked[p.second] = true;
    any = true;
  }
  if (!any) return 0;
  // 7.
  const double rLength = std::sqrt(Dot(R, R));
  if (Dot(R, R) < 0.0001) return 0;
  if (surface && bump) O.z -= double(*bump) / FIX;
  // 8. Edge points and tangents at u.
  V3 point[SEGMENT_EDGES_MAX], tangent[SEGMENT_EDGES_MAX];
  const double perLength = f.perLength;
  const double baseX = f.p0x + Lx * u, baseY = f.p0y + Ly * u;
  for (size_t e = 0; e < edgeCount; ++e) {
    if (!marked[e]) continue;
    const double se = lat[e], sd = CubicSlope(edges[e].lateral, u);
    point[e] = V3{baseX + Aux * se, baseY + Auy * se, Cubic(edges[e].height, u)} - O;
    V3 d{(Lx + Apx * se + Aux * sd) * perLength, (Ly + Apy * se + Auy * sd) * perLength,
         CubicSlope(edges[e].height, u) * perLength};
    if (std::fabs(d.x) < 0.01 && std::fabs(d.y) < 0.01) {
      const double big = Max(std::fabs(Aux), std::fabs(Auy));
      d = V3{-Auy / big, Aux / big, 0};
    }
    tangent[e] = d;
  }
  // 9. Each candidate strip against the ray.
  const V3 r = R * (1.0 / rLength);
  int64_t best = hit.candidateStrength;
  int winner = -1;
  double winF = 0;
  V3 winG{};
  for (size_t i = 0; i < parts.size(); ++i) {
    if (!candidate[i]) continue;
    const V3 P1 = point[parts[i].first], P2 = point[parts[i].second];
    const V3 D1 = tangent[parts[i].first], D2 = tangent[parts[i].second];
    const V3 g = P2 - P1, n = Cross(g, r), m = Cross(n, r);
    const double dn1 = Dot(D1, n), pn1 = Dot(P1, n);
    if (!(dn1 > std::fabs(pn1) / 1024)) continue;
    const V3 F1 = P1 - D1 * (pn1 / dn1);
    const double sigma1 = Dot(m, F1);
    // m is -g across the ray: the ray passes between the edges when the first lies on m's
    // side and the second on the other.
    if (!(sigma1 > 0)) continue;
    const double dn2 = Dot(D2, n), pn2 = Dot(P2, n);
    if (!(dn2 > std::fabs(pn2) / 1024)) continue;
    const V3 F2 = P2 - D2 * (pn2 / dn2);
    const double sigma2 = Dot(m, F2);
    if (!(sigma2 < 0)) continue;
    const double frac = sigma1 / (sigma1 - sigma2);
    const double d1 = Dot(F1, r), d2 = Dot(F2, r);
    const double d = d1 + (d2 - d1) * frac;
    if (!(d < 0)) continue;
    int64_t t = Round(-d / (rLength * nearClip) * FIX);
    if (nearFixed != 65536) t = ((t * nearFixed) >> 16) - nearFixed + 65536;
    if (t > best && t < farFixed) {
      best = t;
      winner = int(i);
      winF = frac;
      winG = g;
    }
  }
  (void)Rc;
  // 10. The normal.
  if (winner < 0) return 0;
  const MappingRef& part = parts[size_t(winner)];
  const V3 D = tangent[part.first] + (tangent[part.second] - tangent[part.first]) * winF;
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
