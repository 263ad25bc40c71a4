// tyre_geometry.cpp - the tyres as they are drawn (tyre_geometry.h).
#include "vehicle/tyre_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "core/gamma_tables.h"
#include "core/report.h"
#include "wheel/wheel.h"

const uint8_t TyreStyleSegments[TYRE_STYLES] = {30, 30, 30, 27, 28, 30, 30, 28, 28, 27, 30,
                                                30, 30, 26, 28, 30, 28, 30, 27, 30, 30, 30};

TyreSegments ChooseTyreSegments(uint8_t style, int32_t lodDistance, int32_t viewDir) {
  TyreSegments result = {TyreStyleSegments[style < TYRE_STYLES ? style : 0], 0};
  const int32_t far = FixMul(TYRE_FAR_DISTANCE, FIXED_ONE + viewDir / 2);
  if (lodDistance > far && lodDistance > 0) {
    int s = static_cast<int>((24 * static_cast<int64_t>(far)) / lodDistance);
    s &= ~3;
    if (s < TYRE_LEAST_SEGMENTS) {
      s = TYRE_LEAST_SEGMENTS;
      result.simplified = 1;
    }
    result.segments = s;
  }
  return result;
}

void AddStripCounts(int segments, int perRing, int perSegment, int logoPerRing, TyreCounts& counts) {
  counts.vertices += static_cast<uint32_t>((segments + 1) * perRing);
  counts.triangles += static_cast<uint32_t>(segments * perSegment);
  if (logoPerRing != 0) {
    counts.logoVertices += static_cast<uint32_t>((segments + 1) * logoPerRing);
    counts.logoTriangles += static_cast<uint32_t>(segments * logoPerRing);
  }
}

TyreCounts CountTyreGeometry(const TyreCountInputs& in) {
  TyreCounts counts = {};
  for (int i = 0; i < in.wheels; ++i) {
    const int s = in.wheel.segments;
    if (in.wheel.simplified) {
      counts.vertices += static_cast<uint32_t>(4 * s + 4);
      counts.triangles += static_cast<uint32_t>(4 * s);
    } else {
      AddStripCounts(s, 14, 18, in.logo ? (in.oneSided ? 2 : 4) : 0, counts);
    }
  }
  if (in.spare) {
    const int r = in.spareWheel.segments;
    if (in.spareWheel.simplified) {
      counts.vertices += static_cast<uint32_t>(4 + 4 * r);
      counts.triangles += static_cast<uint32_t>(4 * r);  // triangles, as the wheels are counted
    } else {
      AddStripCounts(r, 14, 18, in.logo ? 2 : 0, counts);
    }
  }
  return counts;
}

int CheckTyreBufferLimits(TyreStreamOps& streams, const TyreCounts& counts, int debugLevel) {
  if (counts.vertices > TYRE_STREAM_VERTICES || counts.triangles > TYRE_STREAM_TRIANGLES ||
      counts.logoVertices > LOGO_STREAM_VERTICES || counts.logoTriangles > LOGO_STREAM_TRIANGLES) {
    if (debugLevel != 0) ReportLine(TEXT_TYRE_LIMITS_EXCEEDED, REPORT_ERROR);
    return 0;
  }
  if (!streams.start(streams.owner, TYRE_STREAM, counts.vertices, counts.triangles * 3)) return 0;
  streams.locked[TYRE_STREAM] = 1;
  if (counts.logoTriangles == 0) return 1;
  if (!streams.start(streams.owner, LOGO_STREAM, counts.logoVertices, counts.logoTriangles * 3)) {
    UnlockTyreStreams(streams);
    return 0;
  }
  streams.locked[LOGO_STREAM] = 1;
  return 1;
}

void UnlockTyreStreams(TyreStreamOps& streams) {
  for (int i = 0; i < 2; ++i)
    if (streams.locked[i]) {
      streams.unlock(streams.owner, i);
      streams.locked[i] = 0;
    }
}

float TyreTreadRow(int compound) { return 0.125f * static_cast<float>(4 + (compound & 3)); }

int WriteTyreDrum(TubeBatch& out, const TyrePlacement& tyre) {
  if (out.vertexCount + DRUM_VERTICES > out.vertexCapacity || out.indexCount + 3 * DRUM_TRIANGLES > out.indexCapacity)
    return 0;
  const float* axle = tyre.axes[0];
  float capCentre[2][3], capNormal[2][3];
  for (int k = 0; k < 3; ++k) {
    capCentre[0][k] = tyre.centre[k] - axle[k] * tyre.width * 0.5f;
    capCentre[1][k] = tyre.centre[k] + axle[k] * tyre.width * 0.5f;
    capNormal[0][k] = -axle[k];
    capNormal[1][k] = axle[k];
  }
  const uint32_t first = out.vertexCount;
  const uint32_t colour = tyre.colour & 0x00FFFFFF;
  for (int side = 0; side < 2; ++side)
    WriteDrawVertex(out.vertices + DRAW_VERTEX_SIZE * out.vertexCount++, capCentre[side], capNormal[side], colour, 0.0f,
                    0.5f);
  for (int ring = 0; ring < 9; ++ring) {
    const float angle = -static_cast<float>(ring) * 3.14159265f / 4.0f;
    const float c = std::cos(angle), s = std::sin(angle);
    float radial[3];
    for (int k = 0; k < 3; ++k) radial[k] = tyre.axes[1][k] * c + tyre.axes[2][k] * s;
    for (int side = 0; side < 2; ++side) {
      float p[3];
      for (int k = 0; k < 3; ++k) p[k] = capCentre[side][k] + radial[k] * tyre.radius;
      WriteDrawVertex(out.vertices + DRAW_VERTEX_SIZE * out.vertexCount++, p, radial, colour, 0.125f * ring,
                      tyre.textureRow + 0.125f * side);
    }
    if (ring == 0) continue;
    const uint16_t c0 = static_cast<uint16_t>(first), c1 = static_cast<uint16_t>(first + 1);
    const uint16_t a0 = static_cast<uint16_t>(first + 2 * ring), a1 = static_cast<uint16_t>(a0 + 1);
    const uint16_t b0 = static_cast<uint16_t>(first + 2 * (ring + 1)), b1 = static_cast<uint16_t>(b0 + 1);
    uint16_t tri[12] = {c0, a0, b0, c1, b1, a1, a0, a1, b1, b1, b0, a0};
    if (tyre.winding)
      for (int t = 0; t < 4; ++t) std::swap(tri[3 * t + 1], tri[3 * t + 2]);
    std::memcpy(out.indices + out.indexCount, tri, sizeof(tri));
    out.indexCount += 12;
  }
  return 1;
}

namespace {

struct RingPoint {
  float x, y;  // across (along the axle) and out (along the ring's radial direction), m
};

float Dot3(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The ring's tyre points after the ground's squash and the walls' bulge (points in profile
// order; count the profile's tyre points).
void DeformRing(const TyreRing& in, const float radial[3], RingPoint* q, int count) {
  const WheelProfile& p = *in.profile;
  const float twoR = 2.0f * std::max(p.points[3].y, 0.001f);
  float depth[2] = {0.0f, 0.0f};  // the deepest tread point of each half below the ground
  for (int i = 0; i < count && i < 12; ++i) {
    const ProfilePoint& src = p.points[i];
    if (src.kind != PROFILE_SIDE && src.kind != PROFILE_TREAD && i != 1 && i != 6) continue;
    float world[3], rel[3];
    for (int k = 0; k < 3; ++k) {
      world[k] = in.centre[k] + in.axes[0][k] * q[i].x + radial[k] * q[i].y;
      rel[k] = world[k] - in.groundPoint[k];
    }
    const float h = Dot3(rel, in.groundNormal);
    const float share = (twoR - h) / twoR;
    const float f = share * share * in.lateralDeformation;
    if (i == 1 || i == 6) {
      q[i].x += 0.3f * f;
    } else if (i >= 2 && i <= 5) {
      q[i].x += f;
      if (h < 0.0f) {
        q[i].y += h;
        if (i <= 4) depth[0] = std::max(depth[0], -h);
        if (i >= 3) depth[1] = std::max(depth[1], -h);
      }
    } else if (i >= 8 && i <= 11) {
      q[i].x += 0.7f * f;
    }
  }
  // A squashed tread bulges its walls: the bead side out and in, the wall's two points (the
  // sidewall and the shoulder's copy) at one place.
  const int wall[2] = {8, 9}, bead[2] = {1, 6}, shoulder[2] = {10, 11};
  for (int side = 0; side < 2; ++side) {
    const float d = depth[side];
    if (!(d > 0.0f)) continue;
    const float out = side == 0 ? -1.0f : 1.0f;
    if (!in.lowProfile) {
      q[bead[side]].x += out * 0.5f * d;
      q[bead[side]].y -= 0.3f * d;
    }
    const RingPoint moved = {q[wall[side]].x + out * 0.5f * d, q[wall[side]].y - 0.7f * d};
    q[wall[side]] = moved;
    q[shoulder[side]] = moved;
  }
}

}  // namespace

int WriteTyreRings(TubeBatch& tyre, TubeBatch* lettering, const TyreRing& in) {
  if (!in.profile || in.segments <= 0) return 0;
  const WheelProfile& p = *in.profile;
  const int count = std::min(p.firstRimPoint, PROFILE_POINTS);
  if (count < 12) return 0;
  const int n = in.segments;
  const uint32_t rings = static_cast<uint32_t>(n + 1);
  const int letterPoints = in.sideSelector ? 2 : 4;
  const int withLettering = lettering && in.letteringRows > 0;
  if (tyre.vertexCount + rings * count > tyre.vertexCapacity ||
      tyre.indexCount + static_cast<uint32_t>(n) * PROFILE_TYRE_SURFACES * 6 > tyre.indexCapacity)
    return 0;
  if (withLettering && (lettering->vertexCount + rings * letterPoints > lettering->vertexCapacity ||
                        lettering->indexCount + static_cast<uint32_t>(n) * letterPoints * 3 > lettering->indexCapacity))
    return 0;
  const int deform = in.contact && n >= TYRE_DEFORM_LEAST_SEGMENTS;
  const uint32_t firstTyre = tyre.vertexCount;
  const uint32_t firstLetter = withLettering ? lettering->vertexCount : 0;
  const uint32_t letterColour = ApplyBrightnessTable(in.letteringColour) & 0x00FFFFFF;
  const float vTop = static_cast<float>(in.letteringRows - 1) * 0.0625f;
  for (int s = 0; s <= n; ++s) {
    const float angle = in.startAngle - static_cast<float>(s) * 6.28318531f / static_cast<float>(n);
    const float c = std::cos(angle), sn = std::sin(angle);
    float radial[3];
    for (int k = 0; k < 3; ++k) radial[k] = in.axes[1][k] * c + in.axes[2][k] * sn;
    RingPoint q[PROFILE_POINTS];
    for (int i = 0; i < count; ++i) q[i] = RingPoint{p.points[i].x + in.offset, p.points[i].y};
    if (deform) DeformRing(in, radial, q, count);
    const float u = static_cast<float>(s) / static_cast<float>(n);
    for (int i = 0; i < count; ++i) {
      const ProfilePoint& src = p.points[i];
      float nx = src.nx, ny = src.ny;
      if (deform && src.kind == PROFILE_SIDE) {
        const RingPoint& a = q[src.neighbours[0]];
        const RingPoint& b = q[src.neighbours[1]];
        nx = b.y - a.y;
        ny = a.x - b.x;
        const float length = std::sqrt(nx * nx + ny * ny);
        if (length > 0.0f) {
          nx /= length;
          ny /= length;
        } else {
          nx = src.nx;
          ny = src.ny;
        }
      }
      float position[3], normal[3];
      for (int k = 0; k < 3; ++k) {
        position[k] = in.centre[k] + in.axes[0][k] * q[i].x + radial[k] * q[i].y;
        normal[k] = in.axes[0][k] * nx + radial[k] * ny;
      }
      WriteDrawVertex(tyre.vertices + DRAW_VERTEX_SIZE * tyre.vertexCount++, position, normal, src.vertexColour, u,
                      src.v);
    }
    if (withLettering) {
      static const int points[4] = {1, 8, 6, 9};
      const float mirror = deform && in.sideSign < 0.0f ? -1.0f : 1.0f;
      for (int j = in.sideSelector ? 2 : 0; j < 4; ++j) {
        const int i = points[j];
        float position[3], normal[3];
        for (int k = 0; k < 3; ++k) {
          position[k] = in.centre[k] + in.axes[0][k] * q[i].x + radial[k] * q[i].y;
          normal[k] = in.axes[0][k] * p.points[i].nx + radial[k] * p.points[i].ny;
        }
        const float letterU = (j < 2 ? u : -u) * mirror;  // the other side reads turned
        const float v = (i == 8 || i == 9) ? vTop : vTop + 0.0625f;
        WriteDrawVertex(lettering->vertices + DRAW_VERTEX_SIZE * lettering->vertexCount++, position, normal,
                        letterColour, letterU, v);
      }
    }
  }
  const auto emit = [&](TubeBatch& out, uint32_t a0, uint32_t b0, uint32_t a1, uint32_t b1) {
    uint16_t tri[6] = {static_cast<uint16_t>(a0), static_cast<uint16_t>(b0), static_cast<uint16_t>(b1),
                       static_cast<uint16_t>(b1), static_cast<uint16_t>(a1), static_cast<uint16_t>(a0)};
    if (in.winding) {
      std::swap(tri[1], tri[2]);
      std::swap(tri[4], tri[5]);
    }
    std::memcpy(out.indices + out.indexCount, tri, sizeof(tri));
    out.indexCount += 6;
  };
  for (int s = 0; s < n; ++s) {
    const uint32_t ring = firstTyre + static_cast<uint32_t>(s * count), next = ring + static_cast<uint32_t>(count);
    for (int f = 0; f < PROFILE_TYRE_SURFACES; ++f) {
      const ProfileSurface& surface = p.surfaces[f];
      emit(tyre, ring + surface.first, ring + surface.second, next + surface.first, next + surface.second);
    }
    if (!withLettering) continue;
    const uint32_t lring = firstLetter + static_cast<uint32_t>(s * letterPoints), lnext = lring + letterPoints;
    // Surface 1 (points 1 to 8) and surface 7 (points 9 to 6).
    if (!in.sideSelector) emit(*lettering, lring + 0, lring + 1, lnext + 0, lnext + 1);
    const uint32_t six = in.sideSelector ? 0 : 2;
    emit(*lettering, lring + six + 1, lring + six, lnext + six + 1, lnext + six);
  }
  return 1;
}
