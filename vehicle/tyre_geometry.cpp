// tyre_geometry.cpp - the tyres as they are drawn (tyre_geometry.h).
#include "vehicle/tyre_geometry.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "core/report.h"

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
