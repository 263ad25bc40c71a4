// section.cpp - the section's record, its linking, bounds, collision mesh and ray test.
#include "world/section.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "core/config.h"
#include "core/data_fields.h"
#include "core/data_file.h"
#include "core/frame_globals.h"
#include "core/gamma_tables.h"
#include "core/report.h"
#include "render/material.h"
#include "render/object_mesh.h"
#include "solid/solid.h"
#include "world/geometry_queries.h"
#include "world/mapping.h"
#include "world/pre_gen.h"
#include "world/render_mesh_builder.h"
#include "world/world.h"

int WorldObjectRevision = 3;

namespace {

void DebugLine(const char* text, ReportColour colour) {
  if (CfgDebugLevel != 0) ReportLine(text, colour);
}

int32_t Round(double v) { return NearestSaturated(v); }

void GrowBox(int32_t box[6], const IntVector& p) {
  const int32_t c[3] = {p.x, p.y, p.z};
  for (int a = 0; a < 3; ++a) {
    if (c[a] < box[a]) box[a] = c[a];
    if (c[a] > box[a + 3]) box[a + 3] = c[a];
  }
}

}  // namespace

// ---- [Section] ----

WSection::WSection(const IntVector& at) : FixedOb(OBJECT_SECTION) {
  position[0] = at.x;
  position[1] = at.y;
  ownFlags = SECTION_COLLIDABLE;
  rayTestBoxed = 1;
}

FixedOb* MakeSection(const IntVector& at) { return new (std::nothrow) WSection(at); }

const MappingRecord* WSection::Mapping(int index) {
  if (!CWld || index < 0 || index >= CWld->mappingCount || !CWld->mappings) return nullptr;
  return &CWld->mappings[index];
}

const WSection* SectionAt(int32_t index, const char* asker) {
  char text[160];
  if (!CWld || index < 0 || index >= CWld->objectCount || !CWld->objects) {
    std::snprintf(text, sizeof text, "%s: Requesting position of vertex from OOB section", asker);
    DebugLine(text, REPORT_WARNING);
    return nullptr;
  }
  const FixedOb* o = CWld->objects[index];
  if (!o || o->type != OBJECT_SECTION) {
    std::snprintf(text, sizeof text, "%s: Requesting position of vertex from wrong type of object", asker);
    DebugLine(text, REPORT_WARNING);
    return nullptr;
  }
  return static_cast<const WSection*>(o);
}

void WSection::Free() {
  FreeBuilt(true);
  triangles.clear();
  triangles.shrink_to_fit();
  vertices.clear();
  vertices.shrink_to_fit();
  FixedOb::Free();
}

void WSection::FreeBuilt(bool reset) {
  DeleteBuiltMesh(builtMesh);
  builtMesh = nullptr;
  if (reset) meshList = 65535;
}

void WSection::Load(DataFile& stream, int) {
  const int revision = WorldObjectRevision;
  // The record in groups whose lengths the fields before them give, each checked once: the
  // head (28 bytes at most), the vertices, the triangles.
  ReadFieldsUpTo(stream, 28, [&](auto& in) {
    ownFlags = static_cast<uint8_t>(in.ReadByte());
    spare = static_cast<uint8_t>(in.ReadByte());
    const uint16_t early = static_cast<uint16_t>(in.ReadShort());
    if (revision < 3) primaryMapping = early;
    if (ownFlags & SECTION_EXTRA_FLOAT) in.ReadFloat();
    heading = in.ReadFloat();
    vertexCount = static_cast<uint8_t>(in.ReadByte());
    triangleCount = static_cast<uint8_t>(in.ReadByte());
    endCodes[0] = static_cast<uint8_t>(in.ReadByte());
    endCodes[1] = static_cast<uint8_t>(in.ReadByte());
    if (triangleCount != 0 && revision >= 3) {
      primaryMapping = static_cast<uint16_t>(in.ReadShort());
      backingMapping = static_cast<uint16_t>(in.ReadShort());
    }
    if (ownFlags & SECTION_LINKED) {
      for (int32_t& link : links)
        link = revision == 0 ? int32_t(static_cast<uint16_t>(in.ReadShort())) : in.ReadInt();
    }
  });
  vertices.assign(vertexCount, SectionVertex{});
  ReadFields(stream, vertexCount * 20, [&](auto& in) {
    for (SectionVertex& v : vertices) {
      v.height = in.ReadInt();
      v.offset = in.ReadInt();
      v.heightSlope = in.ReadFloat();
      v.angle = in.ReadFloat();
      v.endCode = static_cast<uint8_t>(in.ReadByte());
      for (uint8_t& r : v.reserved) r = static_cast<uint8_t>(in.ReadByte());
    }
  });
  triangles.assign(triangleCount, SectionTriangle{});
  ReadFields(stream, triangleCount * (revision >= 2 ? 16 : 4), [&](auto& in) {
    for (SectionTriangle& t : triangles) {
      for (uint8_t& c : t.corner) c = static_cast<uint8_t>(in.ReadByte());
      t.flags = static_cast<uint8_t>(in.ReadByte());
      if (revision >= 2)
        for (int32_t& link : t.link) link = in.ReadInt();
    }
  });
  // An own triangle naming a vertex the section has not (or past the maps' room) is dropped.
  for (size_t i = 0; i < triangles.size();) {
    const SectionTriangle& t = triangles[i];
    bool bad = false;
    for (int k = 0; k < 3; ++k)
      if (t.link[k] == -1 && (t.corner[k] >= SECTION_OWN_VERTICES_MAX || t.corner[k] >= vertexCount)) bad = true;
    if (bad) {
      DebugLine("A section's triangle names a vertex it has not: the triangle is dropped", REPORT_WARNING);
      triangles.erase(triangles.begin() + long(i));
    } else {
      ++i;
    }
  }
  triangleCount = static_cast<uint8_t>(triangles.size());
}

void WSection::GetPosition(IntVector& at, float& headingOut) {
  at = {position[0], position[1], 0};
  headingOut = heading;
}

void WSection::SetPosition(const IntVector& at, float headingIn) {
  position[0] = at.x;
  position[1] = at.y;
  heading = headingIn;
  FreeBuilt(true);
}

int WSection::GetBuildList() const {
  switch (alphaKind) {
    case 0: return 7;
    case 1: return 8;
    case 2: return 9;
    default: return -1;
  }
}

int WSection::MappingsInUse(uint16_t* used, int room) {
  if (triangleCount == 0 || room < 1) return 0;
  used[0] = primaryMapping;
  if (room < 2) return 1;
  used[1] = backingMapping;
  return 2;
}

// ---- [Vertex positions] ----

IntVector WSection::OwnVertexPos(const SectionVertex& v) const {
  return OwnVertexPos(v, std::cos(heading), std::sin(heading));
}

SectionVertexPlacer::SectionVertexPlacer(const WSection& sectionIn)
    : section(sectionIn), own(!(sectionIn.ownFlags & SECTION_LINKED)) {
  if (own) c = std::cos(section.heading), s = std::sin(section.heading);
}

IntVector WSection::GetVertexWorldPos(int n) const {
  if (n < 0 || n >= vertexCount || n >= int(vertices.size())) {
    DebugLine("GetVertexWorldPos: Requesting position of OOB vertex", REPORT_WARNING);
    return {};
  }
  if (!(ownFlags & SECTION_LINKED)) return OwnVertexPos(vertices[size_t(n)]);
  int count = 0;
  for (int end = 0; end < 2; ++end) {
    const WSection* other = SectionAt(links[end], "GetVertexWorldPos");
    if (!other) continue;
    for (const SectionVertex& v : other->vertices) {
      if (v.endCode != endCodes[end]) continue;
      if (count == n) return other->OwnVertexPos(v);
      ++count;
    }
  }
  DebugLine("ERROR: A linked section could not GetVertexWorldPos", REPORT_ERROR);
  return {};
}

IntVector WSection::GetVertexPosForTri(const SectionTriangle& t, int k) const {
  if (t.link[k] == -1) return GetVertexWorldPos(t.corner[k]);
  const WSection* other = SectionAt(t.link[k], "GetVertexPosForTri");
  return other ? other->GetVertexWorldPos(t.corner[k]) : IntVector{};
}

void WSection::LinkEnds() {
  for (SectionVertex& v : vertices) v.height = v.offset = 0;
  IntVector ends[2] = {};
  int filled = 0;
  int fromEnd[2] = {0, 0};
  for (int end = 0; end < 2; ++end) {
    const WSection* other = SectionAt(links[end], "LinkEnds");
    bool found = false;
    if (other) {
      const float c = std::cos(other->heading), s = std::sin(other->heading);
      for (const SectionVertex& v : other->vertices) {
        if (v.endCode != endCodes[end]) continue;
        const IntVector p = other->OwnVertexPos(v, c, s);
        ends[end] = {p.x, p.y, 0};
        found = true;
        if (filled < int(vertices.size())) {
          vertices[size_t(filled)].height = v.height;
          ++filled;
          ++fromEnd[end];
        }
      }
    }
    if (!found) {
      if (other) ends[end] = {other->position[0], other->position[1], 0};
      char text[80];
      std::snprintf(text, sizeof text, "ERROR: A linked section could not find its %s end", end == 0 ? "left" : "right");
      DebugLine(text, REPORT_ERROR);
    }
  }
  if (filled < int(vertices.size()) && CfgDebugLevel != 0) {
    ReportLine("ERROR : A linked section could not find all its vertices", REPORT_ERROR);
    ReportSound(4);
  }
  position[0] = int32_t((int64_t(ends[0].x) + ends[1].x) >> 1);
  position[1] = int32_t((int64_t(ends[0].y) + ends[1].y) >> 1);
  const float dx = float(int64_t(ends[1].x) - ends[0].x), dy = float(int64_t(ends[1].y) - ends[0].y);
  const int32_t length = Round(double(std::sqrt(dx * dx + dy * dy)));
  const int32_t half = length >> 1;
  for (int i = 0; i < filled; ++i) vertices[size_t(i)].offset = i < fromEnd[0] ? -half : half;
  heading = std::atan2(dy, dx);
}

void WSection::Setup() {
  FixedOb::Free();
  ownFlags &= uint8_t(~SECTION_FLAG_GROUND);
  if (ownFlags & SECTION_LINKED) LinkEnds();
  if (!vertices.empty()) {
    int32_t lowest = vertices[0].offset, highest = vertices[0].offset;
    for (const SectionVertex& v : vertices) {
      if (v.offset < lowest) lowest = v.offset;
      if (v.offset > highest) highest = v.offset;
    }
    for (SectionVertex& v : vertices) {
      if (v.endCode == 1 && v.offset > lowest) v.offset = lowest;
      if (v.endCode == 2 && v.offset < highest) v.offset = highest;
    }
  }
  if (triangleCount == 0) {
    centre = {position[0], position[1], 0};
    radius = 0;
    halfSize = {};
    int32_t low = 0, high = 0;
    for (size_t i = 0; i < vertices.size(); ++i) {
      if (i == 0 || vertices[i].height < low) low = vertices[i].height;
      if (i == 0 || vertices[i].height > high) high = vertices[i].height;
    }
    if (sizeByte == 0) {
      box[0] = box[3] = position[0];
      box[1] = box[4] = position[1];
      box[2] = box[5] = 0;
    } else {
      const int32_t r = int32_t(sizeByte) * SECTION_SIZE_UNIT;
      box[0] = OffsetSaturated(position[0], -r);
      box[3] = OffsetSaturated(position[0], r);
      box[1] = OffsetSaturated(position[1], -r);
      box[4] = OffsetSaturated(position[1], r);
      box[2] = low;
      box[5] = high;
    }
    primaryMapping = backingMapping = 0;
    return;
  }
  bool first = true;
  const SectionVertexPlacer here(*this);
  for (SectionTriangle& t : triangles) {
    t.flags = 0;
    IntVector c[3];
    for (int k = 0; k < 3; ++k) {
      c[k] = t.link[k] == -1 ? here.At(t.corner[k]) : GetVertexPosForTri(t, k);
      if (first) {
        box[0] = box[3] = c[k].x;
        box[1] = box[4] = c[k].y;
        box[2] = box[5] = c[k].z;
        first = false;
      }
      GrowBox(box, c[k]);
    }
    if (t.link[0] == -1 && t.link[1] == -1 && t.link[2] == -1) {
      const SectionVertex& a = vertices[t.corner[0]];
      const SectionVertex& b = vertices[t.corner[1]];
      const SectionVertex& d = vertices[t.corner[2]];
      const int64_t cross = ((int64_t(b.offset) - a.offset) * (int64_t(d.height) - a.height) -
                             (int64_t(b.height) - a.height) * (int64_t(d.offset) - a.offset)) >>
                            16;
      if (cross < 0) t.flags |= TRIANGLE_REVERSED;
    }
  }
  centre = {int32_t((int64_t(box[0]) + box[3]) >> 1), int32_t((int64_t(box[1]) + box[4]) >> 1),
            int32_t((int64_t(box[2]) + box[5]) >> 1)};
  halfSize = {int32_t((int64_t(box[3]) - box[0]) >> 1), int32_t((int64_t(box[4]) - box[1]) >> 1),
              int32_t((int64_t(box[5]) - box[2]) >> 1)};
  const float hx = float(halfSize.x), hy = float(halfSize.y), hz = float(halfSize.z);
  radius = Round(double(std::sqrt(hx * hx + hy * hy + hz * hz)));
}

void WSection::AddPhysics() {
  if (triangleCount == 0 || mesh || !(ownFlags & SECTION_COLLIDABLE)) return;
  const MappingRecord* a = Mapping(primaryMapping);
  if (!a) {
    DebugLine("A section names a mapping past the table: it is not collidable", REPORT_WARNING);
    return;
  }
  auto* m = new (std::nothrow) Obj3d();
  if (!m) return;
  m->Init();
  // Own points first (once per vertex number), then the joining points (shared by position).
  int ownIndex[SECTION_OWN_VERTICES_MAX];
  for (int& i : ownIndex) i = -1;
  std::vector<IntVector> points;
  std::vector<int> corners(size_t(triangleCount) * 3);
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t i = 0; i < triangles.size(); ++i) {
      const SectionTriangle& t = triangles[i];
      const bool own = t.link[0] == -1 && t.link[1] == -1 && t.link[2] == -1;
      if (own != (pass == 0)) continue;
      for (int k = 0; k < 3; ++k) {
        int index = -1;
        if (own) {
          int& slot = ownIndex[t.corner[k]];
          if (slot < 0) {
            slot = int(points.size());
            points.push_back(GetVertexWorldPos(t.corner[k]));
          }
          index = slot;
        } else {
          const IntVector p = GetVertexPosForTri(t, k);
          for (size_t j = 0; j < points.size() && index < 0; ++j)
            if (points[j].x == p.x && points[j].y == p.y && points[j].z == p.z) index = int(j);
          if (index < 0) {
            index = int(points.size());
            points.push_back(p);
          }
        }
        corners[i * 3 + size_t(k)] = index;
      }
    }
  }
  AllocateMeshArrays(*m, int(points.size()), triangleCount);
  for (size_t j = 0; j < points.size(); ++j) {
    m->points[j].x = m->points[j].wx = points[j].x;
    m->points[j].y = m->points[j].wy = points[j].y;
    m->points[j].z = m->points[j].wz = points[j].z;
  }
  for (size_t i = 0; i < triangles.size(); ++i) {
    Obj3dTriangle& face = m->triangles[i];
    InitTriangleRecord(face, &m->points[corners[i * 3]], &m->points[corners[i * 3 + 1]],
                       &m->points[corners[i * 3 + 2]], 0, 0);
    const SectionTriangle& t = triangles[i];
    const bool own = t.link[0] == -1 && t.link[1] == -1 && t.link[2] == -1;
    if (!own && face.normal[2] > 64) ownFlags |= SECTION_FLAG_GROUND;
  }
  m->physics[0] = a->surfaceType;
  m->physics[1] = (SurfaceTypes[a->surfaceType < SURFACE_TYPE_COUNT ? a->surfaceType : 0].dustyByItself ||
                   (a->flags & SRF_DUSTY))
                      ? 1
                      : 0;
  m->CalcBounds();
  mesh = m;
}

// ---- [Render mesh] ----

uint32_t SectionColourWord(const MappingRecord& m) {
  return uint32_t(BrightnessTable[m.average[0]]) << 16 | uint32_t(BrightnessTable[m.average[1]]) << 8 |
         BrightnessTable[m.average[2]];
}

namespace {

bool IsOwnTriangle(const SectionTriangle& t) { return t.link[0] == -1 && t.link[1] == -1 && t.link[2] == -1; }

BuiltPoint MakePoint(const IntVector& at, float nx, float ny, float nz, uint32_t colour) {
  BuiltPoint p{};
  p.position[0] = at.x;
  p.position[1] = at.y;
  p.position[2] = at.z;
  p.normal[0] = nx;
  p.normal[1] = ny;
  p.normal[2] = nz;
  p.shade = 255;
  p.colour = colour;
  return p;
}

// Texture coordinates of count points by the mapping: along the section
// (the horizontal distance along the heading and the height, fitted to the mapping's spans and
// turned by its orientation) or by its planar projection.
void MapSection(const WSection& section, const MappingRecord& m, BuiltPoint* points, int count) {
  if (m.textureName[0] == 0 || count <= 0) return;
  float axes[9];
  if (m.projection != 0 && MappingProjectionAxes(m, axes)) {
    for (int i = 0; i < count; ++i) PlanarTexturePoint(m, axes, points[i].position, points[i].u, points[i].v);
    return;
  }
  const double c = std::cos(double(section.heading)), sn = std::sin(double(section.heading));
  std::vector<double> along(static_cast<size_t>(count)), height(static_cast<size_t>(count));
  double sMin = 0, sMax = 0, hMin = 0, hMax = 0;
  for (int i = 0; i < count; ++i) {
    const int32_t* p = points[i].position;
    along[size_t(i)] = ((double(p[0]) - section.position[0]) * c + (double(p[1]) - section.position[1]) * sn) / 65536.0;
    height[size_t(i)] = double(p[2]) / 65536.0;
    if (i == 0 || along[size_t(i)] < sMin) sMin = along[size_t(i)];
    if (i == 0 || along[size_t(i)] > sMax) sMax = along[size_t(i)];
    if (i == 0 || height[size_t(i)] < hMin) hMin = height[size_t(i)];
    if (i == 0 || height[size_t(i)] > hMax) hMax = height[size_t(i)];
  }
  const double sRange = std::fmax(sMax - sMin, 0.001), hRange = std::fmax(hMax - hMin, 0.001);
  for (int i = 0; i < count; ++i) {
    const float p = float((along[size_t(i)] - sMin) * (m.uSpan / 128.0) / sRange + m.uOffset / 128.0);
    const float q = float((1.0 - m.vOffset / 128.0) - (height[size_t(i)] - hMin) * (m.vSpan / 128.0) / hRange);
    OrientTexturePoint(m.orientation, p, q, points[i].u, points[i].v);
  }
}

Material* MaterialOf(const MappingRecord& m) {
  if (m.materialRecord) return m.materialRecord;
  return GraphicsEnabled ? GetDefaultMaterial() : DefaultMaterial;
}

}  // namespace

void WSection::BuildMesh(bool setKind) {
  if (triangleCount == 0) return;
  const MappingRecord* a = Mapping(primaryMapping);
  if (!a) {
    DebugLine("A section names a mapping past the table: it is not drawn", REPORT_WARNING);
    return;
  }
  const MappingRecord* b = Mapping(backingMapping);
  if (!(a->material[0] == 0 && b && b->material[0] == 2)) b = nullptr;
  // Own vertices once per vertex number and orientation, facing across the heading.
  const float sn = std::sin(heading), c = std::cos(heading);
  const uint32_t colour = SectionColourWord(*a);
  int ownIndex[2][SECTION_OWN_VERTICES_MAX];
  for (auto& side : ownIndex)
    for (int& i : side) i = -1;
  std::vector<BuiltPoint> points;
  std::vector<BuiltTriangle> faces;
  for (const SectionTriangle& t : triangles) {
    if (!IsOwnTriangle(t)) continue;
    const int side = (t.flags & TRIANGLE_REVERSED) ? 1 : 0;
    uint32_t corner[3];
    for (int k = 0; k < 3; ++k) {
      int& slot = ownIndex[side][t.corner[k]];
      if (slot < 0) {
        slot = int(points.size());
        points.push_back(side ? MakePoint(GetVertexWorldPos(t.corner[k]), -sn, c, 0, colour)
                              : MakePoint(GetVertexWorldPos(t.corner[k]), sn, -c, 0, colour));
      }
      corner[k] = uint32_t(slot);
    }
    faces.push_back({{corner[2], corner[1], corner[0]}, 0});
  }
  // Joining vertices shared by position, their normals the sum of their faces'.
  const size_t firstJoining = points.size();
  std::vector<double> sums;
  for (const SectionTriangle& t : triangles) {
    if (IsOwnTriangle(t)) continue;
    IntVector at[3];
    uint32_t corner[3];
    for (int k = 0; k < 3; ++k) {
      at[k] = GetVertexPosForTri(t, k);
      size_t j = firstJoining;
      while (j < points.size() &&
             !(points[j].position[0] == at[k].x && points[j].position[1] == at[k].y && points[j].position[2] == at[k].z))
        ++j;
      if (j == points.size()) {
        points.push_back(MakePoint(at[k], 0, 0, 0, colour));
        sums.insert(sums.end(), {0.0, 0.0, 0.0});
      }
      corner[k] = uint32_t(j);
    }
    const double e1[3] = {(double(at[1].x) - at[0].x) / 65536.0, (double(at[1].y) - at[0].y) / 65536.0,
                          (double(at[1].z) - at[0].z) / 65536.0};
    const double e2[3] = {(double(at[2].x) - at[1].x) / 65536.0, (double(at[2].y) - at[1].y) / 65536.0,
                          (double(at[2].z) - at[1].z) / 65536.0};
    double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
    const double nn = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
    if (nn < 1e-12) {
      n[0] = n[1] = 0, n[2] = 1;
    } else {
      for (double& v : n) v /= std::sqrt(nn);
    }
    for (uint32_t k : corner)
      for (int axis = 0; axis < 3; ++axis) sums[(k - firstJoining) * 3 + size_t(axis)] += n[axis];
    faces.push_back({{corner[2], corner[1], corner[0]}, 0});
  }
  for (size_t j = firstJoining; j < points.size(); ++j) {
    const double* n = &sums[(j - firstJoining) * 3];
    const double nn = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
    BuiltPoint& p = points[j];
    if (nn < 1e-12) {
      p.normal[0] = p.normal[1] = 0, p.normal[2] = 1;
    } else {
      for (int axis = 0; axis < 3; ++axis) p.normal[axis] = float(n[axis] / std::sqrt(nn));
    }
  }
  // The backing copy: every point and triangle once more in the backing mapping's colour.
  const int pointCount = int(points.size()), faceCount = int(faces.size());
  const int copies = b ? 2 : 1;
  FreeBuilt(false);
  auto* m = new (std::nothrow) BuiltMesh();
  if (!m) return;
  m->pointCount = pointCount * copies;
  m->triangleCount = faceCount * copies;
  m->partCount = copies;
  m->points = new (std::nothrow) BuiltPoint[size_t(m->pointCount)];
  m->triangles = new (std::nothrow) BuiltTriangle[size_t(m->triangleCount)];
  m->parts = new (std::nothrow) BuiltPart[size_t(copies)];
  if (!m->points || !m->triangles || !m->parts) {
    DeleteBuiltMesh(m);
    return;
  }
  for (int copy = 0; copy < copies; ++copy) {
    const MappingRecord& mapping = copy == 0 ? *a : *b;
    const uint32_t copyColour = SectionColourWord(mapping);
    BuiltPoint* out = m->points + copy * pointCount;
    for (int i = 0; i < pointCount; ++i) {
      out[i] = points[size_t(i)];
      out[i].colour = copyColour;
    }
    for (int i = 0; i < faceCount; ++i) {
      BuiltTriangle t = faces[size_t(i)];
      for (uint32_t& k : t.corners) k += uint32_t(copy * pointCount);
      m->triangles[copy * faceCount + i] = t;
    }
    m->parts[copy] = {0, MaterialOf(mapping), pointCount, faceCount};
    MapSection(*this, mapping, out, pointCount);
  }
  RelightBuiltMesh(*m);
  builtMesh = m;
  if (!setKind) return;
  drawFlags = 0;
  alphaKind = 0;
  switch (a->material[0]) {
    case 0:
      drawFlags = PREGEN_DRAW_SOLID;
      if (b) alphaKind = 2;
      break;
    case 1: drawFlags |= PREGEN_DRAW_ATEST; break;
    case 2: alphaKind = 1; break;
    case 3: drawFlags |= PREGEN_DRAW_TEA; break;
    default: break;
  }
}

void WSection::MarkMeshEntry() const { MarkRenderMeshEntry(meshList, meshListEntry, lightMask); }

void WSection::AddToDrawList() {
  if (meshList == 65535) return;
  const bool sorted = alphaKind == 1 || (drawFlags & PREGEN_DRAW_TEA);
  int32_t key = 0;
  if (sorted) {
    const double dx = double(centre.x) - WorldViewerPosition.x, dy = double(centre.y) - WorldViewerPosition.y,
                 dz = double(centre.z) - WorldViewerPosition.z;
    const int64_t beyond = int64_t(Round(std::sqrt(dx * dx + dy * dy + dz * dz))) - radius;
    key = beyond > 0 ? int32_t(beyond) : 0;
  }
  if (alphaKind == 2) {
    MarkMeshEntry();
    if ((drawFlags & PREGEN_DRAW_TEA) && CWld) CWld->AddToDrawSort(key, this, 0, uint32_t(radius), centre);
    return;
  }
  if ((alphaKind != 0 || (drawFlags & PREGEN_DRAW_TEA)) && CWld)
    CWld->AddToDrawSort(key, this, 0, uint32_t(radius), centre);
  if (drawFlags & (PREGEN_DRAW_SOLID | PREGEN_DRAW_ATEST | PREGEN_DRAW_TEA)) MarkMeshEntry();
}

void WSection::AddToDrawListAtDistance(int32_t) {
  if ((drawFlags & (PREGEN_DRAW_SOLID | PREGEN_DRAW_ATEST | PREGEN_DRAW_TEA)) || alphaKind == 1) MarkMeshEntry();
}

// ---- [Ray test] ----

uint32_t MappingSurfaceWord(const MappingRecord& m) {
  return uint32_t(m.surfaceWord[0]) | uint32_t(m.surfaceWord[1]) << 8 | uint32_t(m.surfaceWord[2]) << 16 |
         uint32_t(m.surfaceWord[3]) << 24;
}

int32_t SurfaceTableBump(const MappingRecord& m, int32_t x, int32_t y) {
  if (!CWld) return 0;
  int shift = m.surfaceWord[2];
  if (shift < 8) shift = 8;
  if (shift > 31) shift = 31;
  const int column = int((uint32_t(x) >> (shift - 8)) & 255), row = int((uint32_t(y) >> (shift - 8)) & 255);
  return int32_t(CWld->bumps[row][column]) * int32_t(m.surfaceWord[1]);
}

bool ApplyBump(const MappingRecord& m, int32_t value, uint32_t* surface, int32_t* blend, int32_t* bump) {
  const uint32_t word = MappingSurfaceWord(m);
  if (word == *surface) {
    if (bump) {
      if (blend && *blend != 0)
        *bump = int32_t(((int64_t(*bump) - value) * *blend >> 16) + value);
      else
        *bump = value;
    }
    return true;
  }
  if (blend) *blend = 65536;
  *surface = word;
  return false;
}

int WSection::RayTest(const IntVector& origin, const IntVector& direction, ContactProbe& hit, uint32_t* surface,
                      int32_t* blend, int32_t* bump, int32_t) {
  if (!mesh) return 0;
  IntVector end;
  if (!SegmentMayHitBox(origin, direction, end)) return 0;
  const MappingRecord* a = Mapping(primaryMapping);
  if (!a) return 0;
  int32_t start[3] = {origin.x, origin.y, origin.z};
  if (surface && bump) start[2] = int32_t(int64_t(start[2]) - *bump);
  const int32_t probe[3] = {direction.x, direction.y, direction.z};
  if (!SurfaceUnderPoint(*mesh, start, probe, hit)) return 0;
  const int64_t t = hit.candidateStrength;
  hit.candidatePoint = {int32_t(origin.x - ((int64_t(direction.x) * t) >> 16)),
                        int32_t(origin.y - ((int64_t(direction.y) * t) >> 16)),
                        int32_t(origin.z - ((int64_t(direction.z) * t) >> 16))};
  hit.candidateSurface = reinterpret_cast<uintptr_t>(a);
  hit.candidateBody = nullptr;
  hit.candidateObject = nullptr;
  if (surface) {
    const int32_t value =
        (a->surfaceWord[0] == 1 || a->surfaceWord[0] == 2) ? 0 : SurfaceTableBump(*a, hit.candidatePoint.x, hit.candidatePoint.y);
    if (!ApplyBump(*a, value, surface, blend, bump) && a->surfaceWord[0] != 0 && CfgDebugLevel != 0) {
      char text[160];
      std::snprintf(text, sizeof text, "BETA: A section uses mapping %s but %s is invalid for sections", a->name,
                    SurfaceTypes[a->surfaceType < SURFACE_TYPE_COUNT ? a->surfaceType : 0].name);
      ReportLine(text, REPORT_ERROR);
    }
  }
  return 0;
}
