// racing_path.cpp - the racing path's records, checks, nearest-node search and the curve chain.
#include "world/racing_path.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/config.h"
#include "core/data_file.h"
#include "core/report.h"
#include "render/views.h"
#include "solid/solid.h"
#include "world/fixed_ob.h"
#include "world/map_squares.h"
#include "world/mapping.h"
#include "world/world.h"
#include "world/world_setup.h"

TrackAreaRecord TrackArea;

namespace {

constexpr float FIXED_TO_M = 1.0f / 65536.0f;

void DebugLine(const char* text, ReportColour colour) {
  if (CfgDebugLevel > 0) ReportLine(text, colour);
}

int32_t Nearest(double v) { return NearestSaturated(v); }

int32_t Wrap(int32_t i, int32_t n) { return ((i % n) + n) % n; }

// The surface kinds with the road flag of the surface-kind table.
bool IsRoadSurfaceKind(int kind) { return kind == 0 || kind == 1; }

}  // namespace

// ---- [Records] ----

TrackPath::~TrackPath() { FreeNodes(); }

void TrackPath::FreeNodes() {
  delete[] nodes;
  delete[] secondNodes;
  delete[] thirdNodes;
  nodes = secondNodes = thirdNodes = nullptr;
  nodeCount = secondCount = thirdCount = 0;
}

// ---- [Reading] ----

void ReadPathCurve(PathCurve& curve, DataFile& file) {
  curve.flags = static_cast<uint16_t>(file.ReadShort());
  file.ReadShort();
  curve.startScale = static_cast<int8_t>(file.ReadByte());
  curve.endScale = static_cast<int8_t>(file.ReadByte());
  file.Skip(2);
  curve.startNode = file.ReadInt();
  curve.endNode = file.ReadInt();
  curve.endAngle = file.ReadFloat();
  curve.endOffset = file.ReadFloat();
}

void ReadPathNode(PathNode& node, DataFile& file) {
  node = PathNode{};
  node.flags = static_cast<uint8_t>(file.ReadByte());
  file.Skip(3);
  node.x = file.ReadInt();
  node.y = file.ReadInt();
  node.z = file.ReadInt();
  node.dirX = file.ReadFloat();
  node.dirY = file.ReadFloat();
  node.dirZ = file.ReadFloat();
  node.roadLeft = file.ReadFloat();
  node.roadRight = file.ReadFloat();
  node.limitLeft = file.ReadFloat();
  node.limitRight = file.ReadFloat();
}

int ReadTrackPath(TrackPath& path, DataFile& file) {
  path.FreeNodes();
  path.flags = file.ReadUInt();
  const int version = file.ReadByte();
  file.Skip(3);
  const int counts[3] = {file.ReadShort(), file.ReadShort(), version > 1 ? file.ReadShort() : 0};
  if (version > 1) file.Skip(2);
  const int64_t total = int64_t(counts[0]) + counts[1] + counts[2];
  if (counts[0] < 0 || counts[1] < 0 || counts[2] < 0 || total * PATH_NODE_BYTES > file.BytesLeft()) {
    DebugLine("Path record - bad node count", REPORT_ERROR);
    return 0;
  }
  PathNode* lists[3] = {};
  for (int l = 0; l < 3; ++l) {
    if (counts[l] == 0) continue;
    lists[l] = new (std::nothrow) PathNode[counts[l]];
    if (!lists[l]) {
      for (PathNode* p : lists) delete[] p;
      return 0;
    }
  }
  for (int l = 0; l < 3; ++l)
    for (int i = 0; i < counts[l]; ++i) ReadPathNode(lists[l][i], file);
  path.nodes = lists[0];
  path.nodeCount = counts[0];
  path.secondNodes = lists[1];
  path.secondCount = counts[1];
  path.thirdNodes = lists[2];
  path.thirdCount = counts[2];
  if (path.nodeCount > 0) path.flags &= ~PATH_FLAG_READ_CLEARED;
  path.onSurfaceFraction = 1.0f;
  for (int32_t& c : path.checkpointNodes) c = -1;
  return 1;
}

// ---- [Node operations] ----

void ReversePathNodes(PathNode* nodes, int count) {
  if (!nodes || count <= 0) return;
  for (int i = 0; i < count / 2; ++i) std::swap(nodes[i], nodes[count - 1 - i]);
  for (int i = 0; i < count; ++i) {
    PathNode& n = nodes[i];
    n.dirX = -n.dirX;
    n.dirY = -n.dirY;
    n.dirZ = -n.dirZ;
    const float roadLeft = n.roadLeft, limitLeft = n.limitLeft;
    n.roadLeft = -n.roadRight;
    n.roadRight = -roadLeft;
    n.limitLeft = -n.limitRight;
    n.limitRight = -limitLeft;
  }
}

float PathNodeLateralOffset(const PathNode& node, int32_t px, int32_t py) {
  const float dx = float(int64_t(px) - node.x) * FIXED_TO_M, dy = float(int64_t(py) - node.y) * FIXED_TO_M;
  return dx * node.dirY - dy * node.dirX;
}

void PathNodeDirection(const TrackPath& path, float out[3], int index) {
  out[0] = out[1] = out[2] = 0;
  const int n = path.nodeCount;
  if (n <= 0 || !path.nodes || index < 0 || index >= n) return;
  const int before = index > 0 ? index - 1 : (path.IsLoop() ? n - 1 : 0);
  const int after = index + 1 < n ? index + 1 : (path.IsLoop() ? 0 : n - 1);
  const float dx = float(int64_t(path.nodes[after].x) - path.nodes[before].x) * FIXED_TO_M;
  const float dy = float(int64_t(path.nodes[after].y) - path.nodes[before].y) * FIXED_TO_M;
  const float length = std::sqrt(dx * dx + dy * dy);
  if (length > 0) {
    out[0] = dx / length;
    out[1] = dy / length;
  }
}

float InterpolatePathNodes(PathNode& out, const PathNode& a, const PathNode& b, float t) {
  out = PathNode{};
  out.x = int32_t(int64_t(a.x) + Nearest(float(int64_t(b.x) - a.x) * t));
  out.y = int32_t(int64_t(a.y) + Nearest(float(int64_t(b.y) - a.y) * t));
  out.z = int32_t(int64_t(a.z) + Nearest(float(int64_t(b.z) - a.z) * t));
  // Field by field rather than in a loop over the fields: no loop to run, every step of the
  // car's path following comes here.  The distance stays 0 (the car works out its own).
  const auto between = [t](float from, float to) { return from + (to - from) * t; };
  out.dirX = between(a.dirX, b.dirX);
  out.dirY = between(a.dirY, b.dirY);
  out.dirZ = between(a.dirZ, b.dirZ);
  out.roadLeft = between(a.roadLeft, b.roadLeft);
  out.roadRight = between(a.roadRight, b.roadRight);
  out.limitLeft = between(a.limitLeft, b.limitLeft);
  out.limitRight = between(a.limitRight, b.limitRight);
  const float along = float(int64_t(b.x) - a.x) * out.dirX + float(int64_t(b.y) - a.y) * out.dirY;
  return along * (5.0f / 65536.0f);
}

int IsPathNodeOnSurface(const PathNode& node) {
  if (!CWld) return 1;
  // The query's segment runs from point - vector to point: from 1 m above the node to 2 m
  // below it.
  const IntVector point = {node.x, node.y, int32_t(int64_t(node.z) - 2 * 65536)};
  const IntVector vector = {0, 0, -3 * 65536};
  ContactProbe probe = {};
  if (QueryMapSquare(*CWld, point, vector, probe, 0) == 0) return 1;
  const auto* surface = reinterpret_cast<const MappingRecord*>(probe.candidateSurface);
  if (!surface) return 0;
  return IsRoadSurfaceKind(surface->surfaceType) ? 1 : 0;
}

// ---- [Checks after loading] ----

void SetupPathChecks(TrackPath& path) {
  path.onSurfaceFraction = 1.0f;
  for (int32_t& c : path.checkpointNodes) c = -1;
  if (path.nodeCount <= 0 || !path.nodes) {
    TrackArea.centre = {ViewCamera.position[0], ViewCamera.position[1], ViewCamera.position[2]};
    TrackArea.halfX = TrackArea.halfY = TrackArea.radius = 0;
    return;
  }
  const int n = path.nodeCount;
  int32_t minX = path.nodes[0].x, maxX = minX, minY = path.nodes[0].y, maxY = minY;
  const bool racing = CWld && CWld->racingPath;
  if (racing) {
    path.onSurfaceFraction = 0;
    for (int i = 0; i < n; ++i) {
      const PathNode& node = path.nodes[i];
      if (IsPathNodeOnSurface(node)) path.onSurfaceFraction += 1.0f / float(n);
      minX = std::min(minX, node.x);
      maxX = std::max(maxX, node.x);
      minY = std::min(minY, node.y);
      maxY = std::max(maxY, node.y);
    }
  }
  IntVector lines[PATH_CHECKPOINTS];
  const int lineCount = racing ? WorldTimingLines(*CWld, lines) : 0;
  if (lineCount > 0) {
    bool failed = false;
    for (int i = 0; i < lineCount; ++i) {
      PathNodeCache cache;
      path.checkpointNodes[i] = FindNearestPathNode(cache, lines[i], *CWld->racingPath);
      if (path.checkpointNodes[i] >= 0) continue;
      failed = true;
      char text[80];
      if (i == 0)
        std::snprintf(text, sizeof text, "BETA: Finish line is not within the path");
      else
        std::snprintf(text, sizeof text, "BETA: Checkpoint %d is not within the path", i);
      DebugLine(text, REPORT_ERROR);
    }
    if (failed)
      for (int32_t& c : path.checkpointNodes) c = -1;
  }
  // Distances along the path.
  auto step = [&](int from, int to) {
    const PathNode& a = path.nodes[from];
    const PathNode& b = path.nodes[to];
    const double dx = double(int64_t(b.x) - a.x) / 65536.0, dy = double(int64_t(b.y) - a.y) / 65536.0,
                 dz = double(int64_t(b.z) - a.z) / 65536.0;
    return float(std::sqrt(dx * dx + dy * dy + dz * dz));
  };
  if (path.IsLoop()) {
    const int s = std::max(path.checkpointNodes[0], 0);
    float total = 0;
    for (int k = 1; k <= n; ++k) {
      const int i = (s + k) % n;
      total += step((i + n - 1) % n, i);
      path.nodes[i].distance = total;
    }
  } else {
    path.nodes[0].distance = 0;
    for (int i = 1; i < n; ++i) path.nodes[i].distance = path.nodes[i - 1].distance + step(i - 1, i);
  }
  // The track area.
  TrackArea.centre = {int32_t((int64_t(minX) + maxX) / 2), int32_t((int64_t(minY) + maxY) / 2), 0};
  TrackArea.halfX = int32_t((int64_t(maxX) - minX) / 2);
  TrackArea.halfY = int32_t((int64_t(maxY) - minY) / 2);
  const double hx = TrackArea.halfX, hy = TrackArea.halfY;
  const int64_t radius = int64_t(Nearest(std::sqrt(hx * hx + hy * hy))) + (20 << 16);
  TrackArea.radius = int32_t(std::clamp<int64_t>(radius, TRACK_AREA_LEAST_RADIUS, INT32_MAX));
}

// ---- [Nearest node] ----

int FindNearestPathNode(PathNodeCache& cache, const IntVector& point, const TrackPath& path) {
  cache.path = nullptr;
  const int n = path.nodeCount;
  if (n <= 0 || !path.nodes) {
    cache.failed = 1;
    return -1;
  }
  const int segments = path.IsLoop() ? n : n - 1;
  // The difference of two 32-bit words is exact in double, so converting it to float rounds
  // it as converting the 64-bit difference would; the double form lets x and y share one
  // vector register below.
  const double px = point.x, py = point.y;
  auto along = [&](const PathNode& node) {
    return float(px - double(node.x)) * FIXED_TO_M * node.dirX + float(py - double(node.y)) * FIXED_TO_M * node.dirY;
  };
  int best = -1;
  int64_t bestHeight = 0;
  // The full test of segment i -> i + 1 whose nodes' along values are si >= 0 and sNext <= 0.
  auto consider = [&](int i, float si, float sNext) {
    const int j = i + 1 < n ? i + 1 : 0;
    const PathNode& a = path.nodes[i];
    const PathNode& b = path.nodes[j];
    float t = si - sNext > 0.001f ? si / (si - sNext) : 0.0f;
    t = std::min(t, 1.0f);
    const int32_t ix = int32_t(int64_t(a.x) + Nearest(float(int64_t(b.x) - a.x) * t));
    const int32_t iy = int32_t(int64_t(a.y) + Nearest(float(int64_t(b.y) - a.y) * t));
    const float dirX = a.dirX + t * (b.dirX - a.dirX), dirY = a.dirY + t * (b.dirY - a.dirY);
    const float lateral =
        float(int64_t(point.x) - ix) * FIXED_TO_M * dirY - float(int64_t(point.y) - iy) * FIXED_TO_M * dirX;
    const float left = a.roadLeft + t * (b.roadLeft - a.roadLeft) - 2.0f;
    const float right = a.roadRight + t * (b.roadRight - a.roadRight) + 2.0f;
    if (!(lateral > left && lateral < right)) return;
    const int64_t height = std::abs(int64_t(a.z) - point.z);
    if (best < 0 || height < bestHeight) {
      best = i;
      bestHeight = height;
    }
  };
  // Few segments pass the sign test, so the along values of a run of nodes are worked out
  // first and the sign test made over them, both several nodes at a time; the candidates then
  // go to the full test in index order.
  constexpr int RUN = 256;
  float s[RUN + 1];
  for (int first = 0; first < segments; first += RUN) {
    const int count = std::min(RUN, segments - first);
    const PathNode* run = path.nodes + first;
    int k = 0;
#if defined(__SSE2__)
    // The same operations in the same order as along(), x in the low lane and y in the next.
    static_assert(offsetof(PathNode, y) == offsetof(PathNode, x) + 4 &&
                  offsetof(PathNode, dirY) == offsetof(PathNode, dirX) + 4);
    const __m128d p2 = _mm_set_pd(py, px);
    const __m128 scale = _mm_set1_ps(FIXED_TO_M);
    for (; k < count; ++k) {
      const __m128i xy = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&run[k].x));
      const __m128 d = _mm_mul_ps(_mm_cvtpd_ps(_mm_sub_pd(p2, _mm_cvtepi32_pd(xy))), scale);
      const __m128 dir = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(&run[k].dirX));
      const __m128 terms = _mm_mul_ps(d, dir);
      _mm_store_ss(s + k, _mm_add_ss(terms, _mm_shuffle_ps(terms, terms, 1)));
    }
#endif
    for (; k < count; ++k) s[k] = along(run[k]);
    s[count] = along(path.nodes[first + count < n ? first + count : 0]);
    k = 0;
#if defined(__SSE2__)
    // Four sign tests at once; NaN fails both compares, as it fails >= and <= below.
    const __m128 zero = _mm_setzero_ps();
    for (; k + 4 <= count; k += 4) {
      const __m128 here = _mm_loadu_ps(s + k), next = _mm_loadu_ps(s + k + 1);
      unsigned mask = unsigned(_mm_movemask_ps(_mm_and_ps(_mm_cmpge_ps(here, zero), _mm_cmple_ps(next, zero))));
      for (; mask; mask &= mask - 1) {
        const int m = std::countr_zero(mask);
        consider(first + k + m, s[k + m], s[k + m + 1]);
      }
    }
#endif
    for (; k < count; ++k)
      if (s[k] >= 0 && s[k + 1] <= 0) consider(first + k, s[k], s[k + 1]);
  }
  if (best < 0) {
    cache.failed = 1;
    return -1;
  }
  cache.path = &path;
  cache.node = best;
  return best;
}

int GetNearestPathNodeCached(PathNodeCache& cache, const IntVector& point) {
  if (cache.failed) return 1;
  if (cache.node >= 0) return 0;
  if (CWld && CWld->currentPath) {
    cache = PathNodeCache{};
    FindNearestPathNode(cache, point, *CWld->currentPath);
    return cache.failed;
  }
  cache.failed = 1;
  return 1;
}

// ---- [Cubic curves] ----

int32_t CubicCurve::Evaluate(int32_t t) const {
  const int64_t t2 = (int64_t(t) * t) >> 16;
  const int64_t t3 = (t2 * t) >> 16;
  return int32_t(((int64_t(a) * t3) >> 16) + ((int64_t(b) * t2) >> 16) + ((int64_t(c) * t) >> 16) + d);
}

void BuildPathCurve(PathCurve& curve, const TrackPath& path, const AiPathNode* aiNodes, int startNode, int endNode,
                    float startOffset, float endOffset, float margin) {
  curve.startNode = startNode;
  curve.endNode = endNode;
  const int n = path.nodeCount;
  if (n <= 0 || !path.nodes || startNode < 0 || startNode >= n || endNode < 0 || endNode >= n) return;
  float startDir[3], endDir[3];
  if (aiNodes) {
    startDir[0] = aiNodes[startNode].dirX;
    startDir[1] = aiNodes[startNode].dirY;
    endDir[0] = aiNodes[endNode].dirX;
    endDir[1] = aiNodes[endNode].dirY;
  } else {
    PathNodeDirection(path, startDir, startNode);
    PathNodeDirection(path, endDir, endNode);
  }
  const float m = margin + 1.0f;
  auto placed = [&](const PathNode& node, float offset, int32_t& px, int32_t& py) {
    offset = std::min(offset, node.limitRight - m);
    offset = std::max(offset, node.limitLeft + m);  // the lower bound wins when both bind
    px = int32_t(int64_t(node.x) + Nearest(node.dirY * offset * 65536.0f));
    py = int32_t(int64_t(node.y) - Nearest(node.dirX * offset * 65536.0f));
  };
  const PathNode& s = path.nodes[startNode];
  const PathNode& e = path.nodes[endNode];
  int32_t p0[2], p1[2];
  placed(s, startOffset, p0[0], p0[1]);
  placed(e, endOffset, p1[0], p1[1]);
  auto horizontal = [&](const PathNode& a, const PathNode& b) {
    const float dx = float(int64_t(b.x) - a.x) * FIXED_TO_M, dy = float(int64_t(b.y) - a.y) * FIXED_TO_M;
    return std::sqrt(dx * dx + dy * dy);
  };
  const float l0 = horizontal(s, path.nodes[(startNode + 1) % n]);
  const float l1 = horizontal(path.nodes[(endNode - 1 + n) % n], e);
  const int span = Wrap(endNode - startNode, n);
  CubicCurve* out[2] = {&curve.xCurve, &curve.yCurve};
  for (int k = 0; k < 2; ++k) {
    const int32_t t0 = Nearest(startDir[k] * float(span) * l0 * 65536.0f * float(curve.startScale + 100) / 100.0f);
    const int32_t t1 = Nearest(endDir[k] * float(span) * l1 * 65536.0f * float(curve.endScale + 100) / 100.0f);
    // 32-bit integer arithmetic, wrapping as the words do.
    const uint32_t a0 = uint32_t(p0[k]), a1 = uint32_t(p1[k]), u0 = uint32_t(t0), u1 = uint32_t(t1);
    out[k]->a = int32_t(2u * (a0 - a1) + u0 + u1);
    out[k]->b = int32_t(3u * (a1 - a0) - 2u * u0 - u1);
    out[k]->c = t0;
    out[k]->d = p0[k];
  }
}

float CurveOffsetAtNode(const PathCurve& curve, const TrackPath& path, int k, int32_t* cxOut, int32_t* cyOut) {
  const int n = path.nodeCount;
  const int span = Wrap(curve.endNode - curve.startNode, n);
  const int32_t t = span > 0 ? int32_t((int64_t(k) << 16) / span) : 0;
  const int32_t cx = curve.xCurve.Evaluate(t), cy = curve.yCurve.Evaluate(t);
  if (cxOut) *cxOut = cx;
  if (cyOut) *cyOut = cy;
  const PathNode& node = path.nodes[(curve.startNode + k) % n];
  return float(int64_t(cy) - node.y) * FIXED_TO_M * (-node.dirX) + float(int64_t(cx) - node.x) * FIXED_TO_M * node.dirY;
}

int FindCurveLimitViolation(const PathCurve& curve, const TrackPath& path, float margin) {
  const int n = path.nodeCount;
  if (n <= 0 || !path.nodes) return -1;
  const int span = Wrap(curve.endNode - curve.startNode, n);
  const float m = margin + 0.9f;
  int worst = -1;
  float worstAmount = 0;
  for (int k = 1; k < span; ++k) {
    const int index = (curve.startNode + k) % n;
    const PathNode& node = path.nodes[index];
    const float offset = CurveOffsetAtNode(curve, path, k);
    float amount = 0;
    if (offset - m < node.limitLeft)
      amount = node.limitLeft - (offset - m);
    else if (offset + m > node.limitRight)
      amount = offset + m - node.limitRight;
    else
      continue;
    if (worst < 0 || amount > worstAmount) {
      worst = index;
      worstAmount = amount;
    }
  }
  return worst;
}

int CheckCurveOrder(const PathCurve& curve, const TrackPath& path) {
  const int n = path.nodeCount;
  if (n <= 0 || !path.nodes || curve.startNode == curve.endNode) return 1;
  const int span = Wrap(curve.endNode - curve.startNode, n);
  for (int k = 1; k < span; ++k) {
    int32_t cx, cy;
    CurveOffsetAtNode(curve, path, k, &cx, &cy);
    const int index = (curve.startNode + k) % n;
    auto alongFrom = [&](int i) {
      const PathNode& node = path.nodes[Wrap(i, n)];
      return std::fabs(node.dirX * float(int64_t(cx) - node.x) * FIXED_TO_M +
                       node.dirY * float(int64_t(cy) - node.y) * FIXED_TO_M + node.dirZ * float(-int64_t(node.z)) * FIXED_TO_M);
    };
    const float own = alongFrom(index);
    if (alongFrom(index - 1) < own || alongFrom(index + 1) < own) return 0;
  }
  return 1;
}

void SampleCurveOffsets(const PathCurve& curve, const TrackPath& path, AiPathNode* aiNodes) {
  const int n = path.nodeCount;
  if (n <= 0 || !path.nodes || !aiNodes) return;
  const int span = Wrap(curve.endNode - curve.startNode, n);
  for (int k = 1; k < span; ++k) aiNodes[(curve.startNode + k) % n].lineOffset = CurveOffsetAtNode(curve, path, k);
}

// ---- [Interpretation] ----

namespace {

struct Interpreter {
  TrackPath& path;
  float margin;
  PathCurve curves[PATH_CURVES_MAX];
  int count = 0;

  int Span(const PathCurve& c) const { return Wrap(c.endNode - c.startNode, path.nodeCount); }
  PathCurve Make(int start, int end) const {
    PathCurve c;
    BuildPathCurve(c, path, nullptr, start, end, 0, 0, margin);
    return c;
  }
  bool Passes(const PathCurve& c) const {
    return FindCurveLimitViolation(c, path, margin) < 0 && CheckCurveOrder(c, path) == 1;
  }
  // Splits curve i at node into two; false (with the message) when the array is full.
  bool Split(int i, int node, const char* full) {
    if (count >= PATH_CURVES_MAX) {
      ReportLine(full, REPORT_ERROR);
      return false;
    }
    const int end = curves[i].endNode;
    for (int k = count; k > i + 1; --k) curves[k] = curves[k - 1];
    ++count;
    curves[i] = Make(curves[i].startNode, node);
    curves[i + 1] = Make(node, end);
    return true;
  }

  void MarkTurns() {
    const int n = path.nodeCount;
    const bool loop = path.IsLoop();
    for (int i = 0; i < n; ++i) {
      PathNode& node = path.nodes[i];
      node.turn = 0;
      if (!loop && (i == 0 || i == n - 1)) continue;
      const PathNode& prev = path.nodes[Wrap(i - 1, n)];
      const PathNode& next = path.nodes[Wrap(i + 1, n)];
      const double nx = double(int64_t(next.x) - node.x) / 65536.0, ny = double(int64_t(next.y) - node.y) / 65536.0;
      const double px = double(int64_t(prev.x) - node.x) / 65536.0, py = double(int64_t(prev.y) - node.y) / 65536.0;
      const float cross = float(ny * px - py * nx);
      node.turn = cross > 0.001f ? 1 : cross < -0.001f ? -1 : 0;
    }
  }

  void Add(int start, int end) {
    if (count >= PATH_CURVES_MAX) {
      ReportLine("Interpret - Too many curves", REPORT_ERROR);
      return;
    }
    curves[count++] = Make(start, end);
  }

  void Interpret() {
    const int n = path.nodeCount;
    if (!path.IsLoop()) {
      int previousBoundary = 0;
      int previousTurn = path.nodes[0].turn;
      for (int i = 1; i < n; ++i) {
        if (path.nodes[i].turn == previousTurn && i != n - 1) continue;
        previousTurn = path.nodes[i].turn;
        Add(previousBoundary, i);
        previousBoundary = i;
      }
      return;
    }
    int first = -1;
    for (int i = 0; i < n; ++i)
      if (path.nodes[i].turn != path.nodes[Wrap(i - 1, n)].turn) {
        first = i;
        break;
      }
    if (first < 0) {
      ReportLine("Interpret - Never started a curve", REPORT_ERROR);
      return;
    }
    int previousBoundary = first;
    for (int k = 1; k <= n; ++k) {
      const int i = (first + k) % n;
      if (path.nodes[i].turn == path.nodes[Wrap(i - 1, n)].turn) continue;
      Add(previousBoundary, i);
      previousBoundary = i;
    }
  }

  void RemoveExcess() {
    const int n = path.nodeCount;
    for (;;) {
      for (int i = 0; i < count; ++i) {
        const int node = FindCurveLimitViolation(curves[i], path, margin);
        if (node < 0) continue;
        if (!Split(i, node, "RemoveExcess (1) - Too many curves")) return;
        --i;  // the first half again
      }
      bool changed = false;
      for (int i = 0; i < count; ++i) {
        if (CheckCurveOrder(curves[i], path)) continue;
        const int s = curves[i].startNode, e = curves[i].endNode;
        const int middle = e >= s ? (s + e) / 2 : ((s + e + n) / 2) % n;
        if (middle == s || middle == e) continue;
        if (!Split(i, middle, "RemoveExcess (2) - Too many curves")) return;
        changed = true;
      }
      if (!changed) return;
    }
  }

  struct Pair {
    int first;
    int key;
  };
  // The pairs (i, i + 1) (and on a loop the last with the first) whose key passes, sorted by
  // key (ascending or descending), a new pair before listed pairs of an equal key.
  template <class Key>
  int ListPairs(Pair* pairs, Key key, bool ascending) const {
    int listed = 0;
    const int pairCount = path.IsLoop() ? count : count - 1;
    if (count < 2) return 0;
    for (int i = 0; i < pairCount; ++i) {
      int value;
      if (!key(i, (i + 1) % count, value)) continue;
      int at = 0;
      while (at < listed && (ascending ? pairs[at].key < value : pairs[at].key > value)) ++at;
      for (int k = listed; k > at; --k) pairs[k] = pairs[k - 1];
      pairs[at] = {i, value};
      ++listed;
    }
    return listed;
  }

  void Merge() {
    Pair pairs[PATH_CURVES_MAX];
    for (;;) {
      const int listed = ListPairs(
          pairs,
          [&](int i, int j, int& value) {
            value = Span(curves[i]) + Span(curves[j]);
            return value < PATH_MERGE_SPAN;
          },
          true);
      bool merged = false;
      for (int p = 0; p < listed && !merged; ++p) {
        const int i = pairs[p].first, j = (i + 1) % count;
        const PathCurve trial = Make(curves[i].startNode, curves[j].endNode);
        if (!Passes(trial)) continue;
        const int keep = j == 0 ? 0 : i, drop = j == 0 ? i : j;
        curves[keep] = trial;
        for (int k = drop; k + 1 < count; ++k) curves[k] = curves[k + 1];
        --count;
        merged = true;
      }
      if (!merged) return;
    }
  }

  void Balance() {
    Pair pairs[PATH_CURVES_MAX];
    const int n = path.nodeCount;
    for (;;) {
      const int listed = ListPairs(
          pairs,
          [&](int i, int j, int& value) {
            value = std::abs(Span(curves[i]) - Span(curves[j]));
            return value >= 2;
          },
          false);
      bool changed = false;
      for (int p = 0; p < listed && !changed; ++p) {
        const int i = pairs[p].first, j = (i + 1) % count;
        const int shared = curves[i].endNode;
        const int moved = Span(curves[i]) <= Span(curves[j]) ? (shared + 1) % n : Wrap(shared - 1, n);
        const PathCurve first = Make(curves[i].startNode, moved);
        const PathCurve second = Make(moved, curves[j].endNode);
        if (!Passes(first) || !Passes(second)) continue;
        curves[i] = first;
        curves[j] = second;
        changed = true;
      }
      if (!changed) return;
    }
  }
};

}  // namespace

void InterpretPath(TrackPath& path, AiPath& aiPath, float margin) {
  delete[] aiPath.curves;
  aiPath.curves = nullptr;
  aiPath.curveCount = 0;
  if (path.nodeCount <= 0 || !path.nodes) return;
  Interpreter work{path, margin, {}, 0};
  work.MarkTurns();
  work.Interpret();
  work.RemoveExcess();
  work.Merge();
  work.Balance();
  if (work.count > 0) {
    aiPath.curves = new (std::nothrow) PathCurve[work.count];
    if (aiPath.curves) {
      std::copy(work.curves, work.curves + work.count, aiPath.curves);
      aiPath.curveCount = work.count;
    }
  }
}
