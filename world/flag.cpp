// flag.cpp - the cloth flag's record, its cloth step and its mesh.
#include "world/flag.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "core/data_file.h"
#include "core/gamma_tables.h"
#include "render/buffers.h"
#include "render/humans.h"
#include "render/primitives.h"
#include "world/figures.h"
#include "world/mapping.h"
#include "world/world.h"

namespace {

float Gravity() { return CWld ? CWld->gravity : STANDARD_GRAVITY; }

// The spring between points p and q of rest length rest: its force on p (added) and q
// (subtracted); a compressed spring pushes with an eighth of the force.
void Spring(ClothPoint& p, ClothPoint& q, float rest, float k) {
  float d[3];
  for (int a = 0; a < 3; ++a) d[a] = float(int64_t(q.position[a]) - p.position[a]) / 65536.0f;
  const float l = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  if (!(l > 0)) return;
  float s = k * std::clamp(l - rest, -rest / 2, rest / 2);
  if (l < rest) s *= 0.125f;
  for (int a = 0; a < 3; ++a) {
    const float f = s * d[a] / l;
    p.force[a] += f;
    q.force[a] -= f;
  }
}

void Difference(const ClothPoint& to, const ClothPoint& from, float out[3]) {
  for (int a = 0; a < 3; ++a) out[a] = float(int64_t(to.position[a]) - from.position[a]) / 65536.0f;
}
void Cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

WFlag::WFlag(const IntVector& at) : FixedOb(OBJECT_FLAG), top(float(at.z) / 65536.0f + 2.0f) {
  position[0] = at.x;
  position[1] = at.y;
}
FixedOb* MakeFlag(const IntVector& at) { return new (std::nothrow) WFlag(at); }

void WFlag::Load(DataFile& stream, int) {
  flagFlags = stream.ReadInt();
  ReadFiniteFloat(stream, top, "flag top");
  ReadFiniteFloat(stream, width, "flag width");
  ReadFiniteFloat(stream, height, "flag height");
  mapping = uint16_t(stream.ReadShort());
  stream.Skip(2);
  width = std::max(width, 1.0f);
  height = std::max(height, 0.5f);
  if (width > 4.0f) {
    height *= 4.0f / width;
    width = 4.0f;
  }
  // A very wide record would scale the height to nothing, and the cloth's mass with it (its
  // step divides by the mass): the height stays at least 0.5 after the scaling too.
  height = std::clamp(height, 0.5f, 3.0f);
}

void WFlag::Setup() {
  flags |= 4;
  const double d = std::sqrt(double(width) * width + double(height) * height) / 2;
  const int32_t topZ = NearestSaturated(double(top) * 65536.0);
  centre = {position[0], position[1], int32_t(int64_t(topZ) - NearestSaturated(d * 65536.0))};
  radius = NearestSaturated(std::sqrt(double(width) * width + d * d) * 65536.0);
  halfSize = {NearestSaturated(double(width) * 65536.0), NearestSaturated(double(width) * 65536.0),
              NearestSaturated(d * 65536.0)};
  const float m = width * height / 32.0f;
  const float weight = m * Gravity();
  for (int r = 0; r < FLAG_ROWS; ++r)
    for (int c = 0; c < FLAG_COLUMNS; ++c) {
      ClothPoint& p = points[r * FLAG_COLUMNS + c];
      p = ClothPoint{};
      p.free = c != 0;
      p.position[0] = int32_t(int64_t(position[0]) + NearestSaturated(c * double(width) / 4 * 65536.0));
      p.position[1] = position[1];
      p.position[2] = int32_t(int64_t(topZ) - NearestSaturated(r * double(height) / 3 * 65536.0));
      p.normal[1] = -1;
      p.force[2] = weight;
    }
  for (int r = 1; r < FLAG_ROWS; ++r)
    for (int c = 1; c < FLAG_COLUMNS; ++c) {
      ClothPoint& p = inner[(r - 1) * (FLAG_COLUMNS - 1) + (c - 1)];
      p = ClothPoint{};
      p.free = 1;
      p.position[0] = int32_t(int64_t(position[0]) + NearestSaturated((c * double(width) / 4 - width / 8.0) * 65536.0));
      p.position[1] = position[1];
      p.position[2] =
          int32_t(int64_t(topZ) - NearestSaturated((r * double(height) / 3 - height / 6.0) * 65536.0));
      p.normal[1] = -1;
      p.force[2] = weight;
    }
  lightingState = 0;
  stepTime = 0;
}

void WFlag::GetPosition(IntVector& at, float& headingOut) {
  at = {position[0], position[1], 0};
  headingOut = 0;
}
void WFlag::SetPosition(const IntVector& at, float) {
  position[0] = at.x;
  position[1] = at.y;
}

int WFlag::MappingsInUse(uint16_t* used, int room) {
  if (room < 1) return 0;
  used[0] = mapping;
  return 1;
}

void WFlag::StepCloth(int elapsedMs, const float wind[3]) {
  if (elapsedMs <= 0) return;
  const int gathered = stepTime + elapsedMs;
  if (gathered < FLAG_STEP_MS) {
    stepTime = uint8_t(gathered);
    return;
  }
  stepTime = 0;
  // 1.
  const float m = width * height / 32.0f;
  const float k = 6000.0f * m, c = 2.0f * m, g = Gravity();
  const float a = width / 4, b = height / 3, e = std::sqrt(a * a + b * b) / 2;
  auto at = [&](int r, int col) -> ClothPoint& { return points[r * FLAG_COLUMNS + col]; };
  // 2. The springs.
  for (int r = 0; r < FLAG_ROWS; ++r)
    for (int col = 0; col < FLAG_COLUMNS; ++col) {
      if (col + 1 < FLAG_COLUMNS) Spring(at(r, col), at(r, col + 1), a, k);
      if (r + 1 < FLAG_ROWS) Spring(at(r, col), at(r + 1, col), b, k);
    }
  for (int r = 1; r < FLAG_ROWS; ++r)
    for (int col = 1; col < FLAG_COLUMNS; ++col) {
      ClothPoint& p = inner[(r - 1) * (FLAG_COLUMNS - 1) + (col - 1)];
      Spring(p, at(r - 1, col - 1), e, k);
      Spring(p, at(r - 1, col), e, k);
      Spring(p, at(r, col - 1), e, k);
      Spring(p, at(r, col), e, k);
    }
  // 3. Normals: across the vertical neighbours x across the horizontal ones, over the area.
  for (int r = 0; r < FLAG_ROWS; ++r)
    for (int col = 0; col < FLAG_COLUMNS; ++col) {
      const int up = std::max(r - 1, 0), down = std::min(r + 1, FLAG_ROWS - 1);
      const int left = std::max(col - 1, 0), right = std::min(col + 1, FLAG_COLUMNS - 1);
      float v[3], h[3], n[3];
      Difference(at(down, col), at(up, col), v);
      Difference(at(r, right), at(r, left), h);
      Cross(v, h, n);
      const float area = float(down - up) * b * float(right - left) * a;
      for (int k3 = 0; k3 < 3; ++k3) at(r, col).normal[k3] = n[k3] / area;
    }
  for (int r = 1; r < FLAG_ROWS; ++r)
    for (int col = 1; col < FLAG_COLUMNS; ++col) {
      ClothPoint& p = inner[(r - 1) * (FLAG_COLUMNS - 1) + (col - 1)];
      float d1[3], d2[3], n[3];
      Difference(at(r, col), at(r - 1, col - 1), d1);
      Difference(at(r - 1, col), at(r, col - 1), d2);
      Cross(d1, d2, n);
      for (int k3 = 0; k3 < 3; ++k3) p.normal[k3] = n[k3] * 0.25f / (e * e);
    }
  // 4. Wind, damping and the move.
  auto move = [&](ClothPoint& p) {
    if (p.free) {
      const float w = 10.0f * m * (p.normal[0] * wind[0] + p.normal[1] * wind[1] + p.normal[2] * wind[2]);
      for (int k3 = 0; k3 < 3; ++k3) {
        const float f = p.force[k3] - c * p.velocity[k3] + w * p.normal[k3];
        p.velocity[k3] += f * FLAG_STEP_SECONDS / m;
        p.position[k3] = int32_t(int64_t(p.position[k3]) + NearestSaturated(double(p.velocity[k3]) * 655.36));
      }
    }
    p.force[0] = p.force[1] = 0;
    p.force[2] = m * g;
  };
  for (ClothPoint& p : points) move(p);
  for (ClothPoint& p : inner) move(p);
}

void MappingOrientationTransform(int code, float t[6]) {
  // The world's orientation table: rows 1 to 3 quarter turns, 4 to 7 the same mirrored.
  static const float rows[8][6] = {{1, 0, 0, 1, 0, 0},  {0, 1, -1, 0, 0, 1}, {-1, 0, 0, -1, 1, 1},
                                   {0, -1, 1, 0, 1, 0}, {-1, 0, 0, 1, 1, 0}, {0, 1, 1, 0, 0, 0},
                                   {1, 0, 0, -1, 0, 1}, {0, -1, -1, 0, 1, 1}};
  const float* r = rows[code & 7];
  for (int k = 0; k < 6; ++k) t[k] = r[k];
}

void WFlag::BuildFlagMesh(const MappingRecord* record, FlagMesh& mesh) const {
  const float uSize = record ? record->uSpan / 128.0f : 1.0f, vSize = record ? record->vSpan / 128.0f : 1.0f;
  const float u0 = record ? record->uOffset / 128.0f : 0.0f;
  const float v0 = record ? (128 - record->vOffset) / 128.0f - vSize : 0.0f;
  float t[6];
  MappingOrientationTransform(record ? record->orientation : 0, t);
  uint32_t colour = 0xFFFFFF;
  if (record) {
    const uint32_t c = record->colour;
    colour = uint32_t(BrightnessTable[(c >> 16) & 255]) << 16 | uint32_t(BrightnessTable[(c >> 8) & 255]) << 8 |
             BrightnessTable[c & 255];
  }
  for (int r = 0; r < FLAG_ROWS; ++r)
    for (int c = 0; c < FLAG_COLUMNS; ++c) {
      const ClothPoint& p = points[r * FLAG_COLUMNS + c];
      const float v = v0 + vSize / 3 * float(FLAG_ROWS - 1 - r);
      const float uFront = u0 + uSize / 4 * c;
      const float uBack = (flagFlags & 1) ? uFront : u0 + uSize - uSize / 4 * c;
      for (int side = 0; side < 2; ++side) {
        FlagVertex& out = mesh.vertices[side * FLAG_POINTS + r * FLAG_COLUMNS + c];
        const float sign = side == 0 ? 1.0f : -1.0f;
        for (int a = 0; a < 3; ++a) {
          out.position[a] = float(p.position[a]) / 65536.0f;
          out.normal[a] = int8_t(std::clamp(std::lround(p.normal[a] * sign * 127.0f), -127L, 127L));
        }
        out.normal[3] = 127;
        out.colour = colour;
        const float u = side == 0 ? uFront : uBack;
        out.u = t[0] * u + t[1] * v + t[4];
        out.v = t[2] * u + t[3] * v + t[5];
      }
    }
  int n = 0;
  for (int r = 1; r < FLAG_ROWS; ++r)
    for (int c = 1; c < FLAG_COLUMNS; ++c) {
      const uint16_t tl = uint16_t((r - 1) * FLAG_COLUMNS + c - 1), tr = uint16_t(tl + 1);
      const uint16_t bl = uint16_t(r * FLAG_COLUMNS + c - 1), br = uint16_t(bl + 1);
      const uint16_t front[6] = {tl, bl, br, tl, br, tr};
      for (uint16_t i : front) mesh.indices[n++] = i;
      for (int k = 5; k >= 0; --k) mesh.indices[n++] = uint16_t(front[k] + FLAG_POINTS);
    }
}

void WFlag::WriteTemporaryMesh() {
  temporaryCount = 0;
  const MappingRecord* record = CWld && mapping < CWld->mappingCount ? &CWld->mappings[mapping] : nullptr;
  const float wind[3] = {CWld ? CWld->windX : 0.0f, CWld ? CWld->windY : 0.0f, 0.0f};
  StepCloth(CWld ? CWld->elapsedMs : 0, wind);
  FlagMesh built;
  BuildFlagMesh(record, built);
  const int entry = AddDrawBatch(record ? record->materialRecord : nullptr, FLAG_VERTICES, FLAG_TRIANGLES);
  if (entry >= 0) {
    CircularVBuffer* out = TempMeshWriter();
    uint8_t* v = out->vertexWrite;
    for (const FlagVertex& f : built.vertices) {
      VertexLit w{};
      w.x = f.position[0];
      w.y = f.position[1];
      w.z = f.position[2];
      for (int k = 0; k < 4; ++k) w.normal[k] = f.normal[k];
      w.colour0 = 0xFF000000u | f.colour;
      w.u = f.u;
      w.v = f.v;
      std::memcpy(v, &w, sizeof w);
      v += sizeof w;
    }
    std::memcpy(out->indexWrite, built.indices, sizeof built.indices);
    CloseDrawBatch(FLAG_VERTICES, FLAG_TRIANGLES);
    temporaryMesh = uint32_t(entry);
    temporaryCount = 1;
  }
  if (lightingState == 0)
    lightingState = FindLightAt({centre.x, centre.y, int32_t(int64_t(centre.z) + halfSize.z)}, light);
}

void WFlag::AddToDrawList() {
  if (!listed) {
    listed = 1;
    if (CWld) CWld->activeList.Add(this);
    WriteTemporaryMesh();
  }
  if (CWld) CWld->figureList.Add(this);
}

void WFlag::Draw() { DrawTempMeshesLit(int(temporaryMesh), temporaryCount, lightingState, light); }
