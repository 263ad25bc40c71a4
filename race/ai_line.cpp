// ai_line.cpp - placing a computer driver's line on the track.
#include "race/ai_line.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "core/report.h"
#include "physics/car.h"
#include "solid/solid.h"
#include "wheel/wheel.h"
#include "world/fixed_ob.h"
#include "world/map_squares.h"
#include "world/mapping.h"
#include "world/world.h"

namespace {

constexpr float FIXED_TO_M = 1.0f / 65536.0f;
constexpr int32_t SIDE_DROP = 4 << 16;     // the side points' probe ends 4 m below the line
constexpr int32_t PROBE_LENGTH = 6 << 16;  // and starts 6 m above that

int32_t Nearest(double v) { return NearestSaturated(v); }

// The surface under a 16.16 point: 1 with its height, kind (0 for one past the line's kinds
// or without a surface record), point and normal.
struct SurfaceHit {
  int32_t z = 0;
  IntVector point = {};
  Vec3 normal = {};
  uint8_t kind = 0;
};
int FindSurface(int32_t x, int32_t y, int32_t z, SurfaceHit& out) {
  if (!CWld) return 0;
  const IntVector point = {x, y, int32_t(int64_t(z) - SIDE_DROP)};
  const IntVector vector = {0, 0, -PROBE_LENGTH};
  ContactProbe probe = {};
  if (QueryMapSquare(*CWld, point, vector, probe, 0) == 0) return 0;
  out.point = probe.candidatePoint;
  out.z = probe.candidatePoint.z;
  out.normal = probe.candidateNormal;
  const auto* surface = reinterpret_cast<const MappingRecord*>(probe.candidateSurface);
  const int kind = surface ? surface->surfaceType : 0;
  out.kind = uint8_t(kind < AI_SURFACE_KINDS ? kind : 0);
  return 1;
}

}  // namespace

void AiNeighbours(int i, int count, int closed, int& previous, int& next) {
  if (closed) {
    previous = (i - 1 + count) % count;
    next = (i + 1) % count;
  } else {
    previous = std::max(i - 1, 0);
    next = std::min(i + 1, count - 1);
  }
}

int SetupAiLine(AiPath& aiPath, const TrackPath& path, const Car& car) {
  float margin = car.halfWidth;
  if (aiPath.oldVersion) margin -= car.wheelOverhang;
  const int n = path.nodeCount;
  delete[] aiPath.nodes;
  aiPath.nodes = nullptr;
  aiPath.nodeCount = 0;
  if (n <= 0 || !path.nodes) return 0;
  aiPath.nodes = new (std::nothrow) AiPathNode[n]{};
  if (!aiPath.nodes) return 0;
  aiPath.nodeCount = n;
  AiPathNode* nodes = aiPath.nodes;
  const float m = margin + 1.0f;
  for (int c = 0; c < aiPath.curveCount; ++c) {
    PathCurve& curve = aiPath.curves[c];
    const int e = curve.endNode;
    if (e < 0 || e >= n) continue;
    float dir[3];
    PathNodeDirection(path, dir, e);
    const float ca = std::cos(curve.endAngle), sa = std::sin(curve.endAngle);
    nodes[e].dirX = dir[0] * ca - dir[1] * sa;
    nodes[e].dirY = dir[0] * sa + dir[1] * ca;
    nodes[e].dirZ = dir[2];
    const PathNode& node = path.nodes[e];
    const float offset = std::max(std::min(curve.endOffset, node.limitRight - m), node.limitLeft + m);
    curve.endOffset = offset;
    nodes[e].lineOffset = offset;
  }
  for (int c = 0; c < aiPath.curveCount; ++c) {
    PathCurve& curve = aiPath.curves[c];
    const int s = curve.startNode, e = curve.endNode;
    if (s < 0 || s >= n || e < 0 || e >= n) continue;
    BuildPathCurve(curve, path, nodes, s, e, nodes[s].lineOffset, nodes[e].lineOffset, margin);
  }
  for (int c = 0; c < aiPath.curveCount; ++c) {
    const PathCurve& curve = aiPath.curves[c];
    if (curve.startNode < 0 || curve.startNode >= n || curve.endNode < 0 || curve.endNode >= n) continue;
    SampleCurveOffsets(curve, path, nodes);
  }
  return SetupAll(aiPath, path, path.IsLoop() ? 1 : 0, margin, n - 1);
}

int SetupAll(AiPath& aiPath, const TrackPath& path, int closed, float margin, int lastNode) {
  const int n = std::min(aiPath.nodeCount, path.nodeCount);
  if (n <= 0 || !aiPath.nodes || !path.nodes) return 0;
  AiPathNode* nodes = aiPath.nodes;
  const float clearance = margin + AI_LIMIT_CLEARANCE;
  for (int k = 0; k <= lastNode; ++k) {
    const int i = k % n;
    const PathNode& p = path.nodes[i];
    AiPathNode& a = nodes[i];
    if (a.lineOffset < p.limitLeft + clearance || a.lineOffset > p.limitRight - clearance) return 0;
    a.lineX = int32_t(uint32_t(p.x) + uint32_t(Nearest(a.lineOffset * p.dirY * 65536.0f)));
    a.lineY = int32_t(uint32_t(p.y) + uint32_t(Nearest(a.lineOffset * -p.dirX * 65536.0f)));
    a.lineZ = p.z;
  }
  int failures = 0;
  for (int k = 0; k <= lastNode; ++k) {
    const int i = k % n;
    int previous, next;
    AiNeighbours(i, n, closed, previous, next);
    AiPathNode& a = nodes[i];
    const float dx = float(int64_t(nodes[next].lineX) - nodes[previous].lineX) * FIXED_TO_M;
    const float dy = float(int64_t(nodes[next].lineY) - nodes[previous].lineY) * FIXED_TO_M;
    const float length = std::sqrt(dx * dx + dy * dy);
    a.dirX = length > 0 ? dx / length : 0.0f;
    a.dirY = length > 0 ? dy / length : 0.0f;
    a.dirZ = 0;
    const int32_t sx = Nearest(margin * a.dirY * 65536.0f), sy = Nearest(margin * -a.dirX * 65536.0f);
    SurfaceHit right, left;
    const uint32_t x = uint32_t(a.lineX), y = uint32_t(a.lineY);
    const int rightHit = FindSurface(int32_t(x + uint32_t(sx)), int32_t(y + uint32_t(sy)), a.lineZ, right);
    const int leftHit = FindSurface(int32_t(x - uint32_t(sx)), int32_t(y - uint32_t(sy)), a.lineZ, left);
    if (rightHit && leftHit) {
      a.surfaceRight = right.kind;
      a.surfaceLeft = left.kind;
      a.lineZ = int32_t((int64_t(right.z) + left.z) / 2 + AI_LINE_LIFT);
      a.normalX = float(int64_t(right.point.x) - left.point.x) * FIXED_TO_M;
      a.normalY = float(int64_t(right.point.y) - left.point.y) * FIXED_TO_M;
      a.normalZ = float(int64_t(right.point.z) - left.point.z) * FIXED_TO_M;
      continue;
    }
    SurfaceHit under;
    if (FindSurface(a.lineX, a.lineY, a.lineZ, under)) {
      a.surfaceLeft = a.surfaceRight = under.kind;
      a.lineZ = int32_t(int64_t(under.z) + AI_LINE_LIFT);
      // The line's direction across the surface normal: a vector to the right along the ground.
      a.normalX = a.dirY * under.normal.z - a.dirZ * under.normal.y;
      a.normalY = a.dirZ * under.normal.x - a.dirX * under.normal.z;
      a.normalZ = a.dirX * under.normal.y - a.dirY * under.normal.x;
    } else {
      ++failures;
      a.surfaceLeft = a.surfaceRight = 0;
      a.normalX = a.dirY;
      a.normalY = -a.dirX;
      a.normalZ = 0;
    }
  }
  if (failures > 0) {
    char text[64];
    std::snprintf(text, sizeof text, TEXT_FAILED_SURFACE_CHECKS, failures);
    ReportLine(text, REPORT_MESSAGE);
  }
  SetupAiCurvature(aiPath, closed, lastNode);
  return 1;
}

void SetupAiCurvature(AiPath& aiPath, int closed, int lastNode) {
  const int n = aiPath.nodeCount;
  if (n <= 0 || !aiPath.nodes) return;
  AiPathNode* nodes = aiPath.nodes;
  for (int k = 0; k <= lastNode; ++k) {
    const int i = k % n;
    int previous, next;
    AiNeighbours(i, n, closed, previous, next);
    AiPathNode& a = nodes[i];
    const AiPathNode& p = nodes[previous];
    const AiPathNode& q = nodes[next];
    const float dx = float(int64_t(q.lineX) - p.lineX) * FIXED_TO_M;
    const float dy = float(int64_t(q.lineY) - p.lineY) * FIXED_TO_M;
    const float dz = float(int64_t(q.lineZ) - p.lineZ) * FIXED_TO_M;
    // The across vector times the chord: the surface's normal.
    float nx = a.normalY * dz - a.normalZ * dy;
    float ny = a.normalZ * dx - a.normalX * dz;
    float nz = a.normalX * dy - a.normalY * dx;
    const float normalLength = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (normalLength > 0) {
      nx /= normalLength, ny /= normalLength, nz /= normalLength;
    } else {
      nx = ny = 0, nz = 1;
    }
    a.normalX = nx, a.normalY = ny, a.normalZ = nz;
    const float chordSquared = dx * dx + dy * dy;
    a.camber = a.dirX * ny - a.dirY * nx;
    a.grade = -(nx * a.dirX) - a.dirY * ny;
    const float sx = float(int64_t(q.lineX) - a.lineX) * FIXED_TO_M;
    const float sy = float(int64_t(q.lineY) - a.lineY) * FIXED_TO_M;
    a.segmentLength = std::sqrt(sx * sx + sy * sy);
    // Where the neighbours coincide there is no chord to bend over: the node counts as straight.
    float bend = 0, rise = 0;
    if (chordSquared > 0) {
      bend = 8.0f * (a.dirY * -sx - a.dirX * -sy) / chordSquared;
      const int64_t middle = (int64_t(q.lineZ) + p.lineZ) >> 1;
      rise = 8.0f * (float(middle - a.lineZ) * FIXED_TO_M) / chordSquared;
    }
    a.surfaceKind = bend > 0 ? a.surfaceRight : a.surfaceLeft;
    const SurfaceGrip& surface = SurfaceGrips[SurfaceRow(a.surfaceKind)];
    a.surfaceClass = surface.loose;
    a.surfaceDrag = surface.drag;
    a.curvature = nz * bend - rise * a.camber;
    a.verticalCurvature = nz * rise + bend * a.camber;
  }
}
