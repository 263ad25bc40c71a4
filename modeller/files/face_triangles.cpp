// face_triangles.cpp - a polygon face's fan, or its cut into triangles by a sweep into
// monotone pieces.
#include "modeller/files/face_triangles.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>

#include "model/model_object.h"

namespace {

// A turn whose sine is below this is straight: positions are whole 1/65536 m, so only a
// corner on the line of its neighbours, give or take rounding, is that flat.
constexpr double FLAT = 1e-9;
// A face whose area is below this share of its extent squared has none.
constexpr double NO_AREA = 1e-12;
constexpr double TWO_PI = 6.283185307179586;
// How far each copy of a corner where the ring touches itself moves into its own loop, on the
// plane in 1/65536 m: far below the distance between two places of a face, far above the
// rounding of its coordinates, so the loops no longer touch and no triangle changes.
constexpr double NUDGE = 1.0 / 1024;

bool SamePlace(const ModelPoint& a, const ModelPoint& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

double Cross(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

}  // namespace

bool FaceTriangles::Cut(const ModelPoint* points, const int* corners, int count) {
  triangles_.clear();
  if (count < 4) return false;
  at_.resize(size_t(count));
  place_.resize(size_t(count));
  for (int k = 0; k < count; ++k) {
    const ModelPoint &p = points[corners[k]], &origin = points[corners[0]];
    at_[size_t(k)] = &p;
    place_[size_t(k)] = {double(p.x) - origin.x, double(p.y) - origin.y, double(p.z) - origin.z};
    if (k > 0 && SamePlace(p, *at_[size_t(k - 1)])) return false;
  }
  if (SamePlace(*at_[0], *at_[size_t(count - 1)])) return false;
  double normal[3];
  if (!BestFitNormal(normal)) return false;
  // A corner is reflex where the ring turns about the normal the other way: in space, the
  // cross product of its two edges against the normal, which is what it is on the plane.
  bool concave = false;
  for (int k = 0; k < count && !concave; ++k) {
    const std::array<double, 3> &a = place_[size_t(k > 0 ? k - 1 : count - 1)], &b = place_[size_t(k)],
                                &c = place_[size_t(k + 1 < count ? k + 1 : 0)];
    const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v[3] = {c[0] - b[0], c[1] - b[1], c[2] - b[2]};
    const double turn = (u[1] * v[2] - u[2] * v[1]) * normal[0] + (u[2] * v[0] - u[0] * v[2]) * normal[1] +
                        (u[0] * v[1] - u[1] * v[0]) * normal[2];
    concave = turn < 0 && turn * turn > FLAT * FLAT * (u[0] * u[0] + u[1] * u[1] + u[2] * u[2]) *
                                           (v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  }
  if (!concave) return false;
  OnPlane(normal, count);
  DropSpikes(count);
  count = int(ring_.size());
  // A ring that crosses itself so as to wind round other than once has no inside to cut.
  double turned = 0;
  for (int k = 0; k < count; ++k) {
    const std::array<double, 2> &p = plane_[size_t(k > 0 ? k - 1 : count - 1)], &c = plane_[size_t(k)],
                                &n = plane_[size_t(k + 1 < count ? k + 1 : 0)];
    const double ax = c[0] - p[0], ay = c[1] - p[1], bx = n[0] - c[0], by = n[1] - c[1];
    turned += std::atan2(Cross(ax, ay, bx, by), ax * bx + ay * by);
  }
  wrongWay_ = false;
  if (std::lround(turned / TWO_PI) == 1 && Loops(count) && Sweep() && Pieces() && !wrongWay_) return true;
  triangles_.clear();  // it crosses itself
  return false;
}

// Newell's normal of the ring, of length 1; false when the face has no area to speak of.
bool FaceTriangles::BestFitNormal(double (&normal)[3]) const {
  normal[0] = normal[1] = normal[2] = 0;
  double extent = 0;
  const int count = int(place_.size());
  for (int k = 0; k < count; ++k) {
    const std::array<double, 3> &c = place_[size_t(k)], &n = place_[size_t(k + 1 < count ? k + 1 : 0)];
    normal[0] += (c[1] - n[1]) * (c[2] + n[2]);
    normal[1] += (c[2] - n[2]) * (c[0] + n[0]);
    normal[2] += (c[0] - n[0]) * (c[1] + n[1]);
    extent = std::max({extent, std::fabs(c[0]), std::fabs(c[1]), std::fabs(c[2])});
  }
  const double length = std::sqrt(normal[0] * normal[0] + normal[1] * normal[1] + normal[2] * normal[2]);
  if (!(length > NO_AREA * extent * extent)) return false;
  for (double& value : normal) value /= length;
  return true;
}

// The corners' places on the face's plane, seen from the side the normal points to, so the
// ring runs anticlockwise.
void FaceTriangles::OnPlane(const double (&n)[3], int count) {
  // u across the plane from the axis the normal leans on least, v = normal x u.
  int axis = 0;
  for (int i = 1; i < 3; ++i)
    if (std::fabs(n[i]) < std::fabs(n[axis])) axis = i;
  double u[3] = {-n[axis] * n[0], -n[axis] * n[1], -n[axis] * n[2]};
  u[axis] += 1.0;
  const double uLength = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
  for (double& value : u) value /= uLength;
  const double v[3] = {n[1] * u[2] - n[2] * u[1], n[2] * u[0] - n[0] * u[2], n[0] * u[1] - n[1] * u[0]};
  plane_.resize(size_t(count));
  for (int k = 0; k < count; ++k) {
    const std::array<double, 3>& p = place_[size_t(k)];
    plane_[size_t(k)] = {p[0] * u[0] + p[1] * u[1] + p[2] * u[2], p[0] * v[0] + p[1] * v[1] + p[2] * v[2]};
  }
}

// Whether the ring, coming from corner a to corner b, turns right back past a towards c: b
// is the tip of a spike of no width.
bool FaceTriangles::Spike(int a, int b, int c) const {
  const ModelPoint &p = *at_[size_t(a)], &q = *at_[size_t(b)], &r = *at_[size_t(c)];
  const int64_t u[3] = {int64_t(p.x) - q.x, int64_t(p.y) - q.y, int64_t(p.z) - q.z};
  const int64_t v[3] = {int64_t(r.x) - q.x, int64_t(r.y) - q.y, int64_t(r.z) - q.z};
  return u[1] * v[2] == u[2] * v[1] && u[2] * v[0] == u[0] * v[2] && u[0] * v[1] == u[1] * v[0] &&
         u[0] * v[0] + u[1] * v[1] + u[2] * v[2] > 0 && !SamePlace(p, r);
}

// The ring without the tips of its spikes (their flat triangles already cut off) into ring_,
// the corners that are left, in order; at_ and plane_ follow it.
void FaceTriangles::DropSpikes(int count) {
  ring_.clear();
  for (int k = 0; k < count; ++k) {
    while (ring_.size() >= 2 && Spike(ring_[ring_.size() - 2], ring_.back(), k)) {
      triangles_.push_back({ring_[ring_.size() - 2], ring_.back(), k});
      ring_.pop_back();
    }
    ring_.push_back(k);
  }
  size_t head = 0;  // where the ring now starts
  for (bool dropped = true; dropped && ring_.size() - head > 3;) {
    const size_t last = ring_.size() - 1;
    dropped = true;
    if (Spike(ring_[last - 1], ring_[last], ring_[head])) {
      triangles_.push_back({ring_[last - 1], ring_[last], ring_[head]});
      ring_.pop_back();
    } else if (Spike(ring_[last], ring_[head], ring_[head + 1])) {
      triangles_.push_back({ring_[last], ring_[head], ring_[head + 1]});
      ++head;
    } else {
      dropped = false;
    }
  }
  ring_.erase(ring_.begin(), ring_.begin() + std::ptrdiff_t(head));
  for (size_t i = 0; i < ring_.size(); ++i) {
    at_[i] = at_[size_t(ring_[i])];
    plane_[i] = plane_[size_t(ring_[i])];
  }
}

// The ring's edges as loops of vertices.  Edge k runs from the ring's corner k to the next;
// two edges between one pair of places walked opposite ways cancel.  A place left with one
// edge in and one out is one vertex.  A place with more (the ring touches itself there) has
// them alternating in and out around it, and each edge in is paired with the first edge out
// clockwise from it: the inside between them is that vertex's, which moves a little into it.
// False where the edges at a place do not alternate (the ring crosses itself there).
bool FaceTriangles::Loops(int count) {
  struct Placed {
    int32_t x, y, z;
    int corner;
  };
  std::vector<Placed> byPlace(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) byPlace[size_t(k)] = {at_[size_t(k)]->x, at_[size_t(k)]->y, at_[size_t(k)]->z, k};
  std::sort(byPlace.begin(), byPlace.end(), [](const Placed& p, const Placed& q) {
    return std::tie(p.x, p.y, p.z) < std::tie(q.x, q.y, q.z);
  });
  std::vector<int> placeOf(static_cast<size_t>(count));
  int places = 0;
  for (size_t i = 0; i < byPlace.size(); ++i) {
    const Placed &p = byPlace[i], &q = byPlace[i > 0 ? i - 1 : 0];
    places += p.x != q.x || p.y != q.y || p.z != q.z;
    placeOf[size_t(p.corner)] = places;
  }
  ++places;
  const auto from = [&](int k) { return placeOf[size_t(k)]; };
  const auto to = [&](int k) { return placeOf[size_t(k + 1 < count ? k + 1 : 0)]; };
  // The edges by the pair of places they join (bits 1 and up of their key), those walked from
  // the lower place first (bit 0 clear).
  std::vector<std::pair<uint64_t, int>> edges(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) {
    const uint64_t low = uint64_t(std::min(from(k), to(k))), high = uint64_t(std::max(from(k), to(k)));
    edges[size_t(k)] = {low << 33 | high << 1 | uint64_t(from(k) > to(k)), k};
  }
  std::sort(edges.begin(), edges.end());
  std::vector<char> kept(static_cast<size_t>(count), 1);
  for (int i = 0; i < count;) {
    int j = i, forth = 0;
    for (; j < count && edges[size_t(j)].first >> 1 == edges[size_t(i)].first >> 1; ++j)
      forth += !(edges[size_t(j)].first & 1);
    const int cancelled = std::min(forth, j - i - forth);
    for (int c = 0; c < cancelled; ++c) {
      kept[size_t(edges[size_t(i + c)].second)] = 0;
      kept[size_t(edges[size_t(i + forth + c)].second)] = 0;
    }
    i = j;
  }
  // Around each place its edges: 2k + 1 for edge k going out, 2k for edge k coming in.
  std::vector<int> start(size_t(places) + 1, 0), around;
  for (int k = 0; k < count; ++k)
    if (kept[size_t(k)]) ++start[size_t(from(k)) + 1], ++start[size_t(to(k)) + 1];
  for (size_t p = 1; p < start.size(); ++p) start[p] += start[p - 1];
  around.resize(size_t(start.back()));
  {
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (int k = 0; k < count; ++k)
      if (kept[size_t(k)]) {
        around[size_t(fill[size_t(from(k))]++)] = 2 * k + 1;
        around[size_t(fill[size_t(to(k))]++)] = 2 * k;
      }
  }
  // The direction an edge leaves its place in: the edge out, or back along the edge in.
  const auto angle = [&](int e) {
    const int k = e >> 1;
    const std::array<double, 2> &a = plane_[size_t(k)], &b = plane_[size_t(k + 1 < count ? k + 1 : 0)];
    return (e & 1) ? std::atan2(b[1] - a[1], b[0] - a[0]) : std::atan2(a[1] - b[1], a[0] - b[0]);
  };
  vertices_.clear();
  std::vector<int> vertexOut(size_t(count), -1), vertexIn(size_t(count), -1), inOf;
  const auto pairUp = [&](int in, int out, bool touches) {
    const int k = out >> 1;
    Vertex v{plane_[size_t(k)][0], plane_[size_t(k)][1], k, -1, -1, 0};
    if (touches) {
      const double outward = angle(out);
      double span = angle(in) - outward;
      while (span <= 0) span += TWO_PI;
      v.x += NUDGE * std::cos(outward + span / 2), v.y += NUDGE * std::sin(outward + span / 2);
    }
    vertexOut[size_t(k)] = vertexIn[size_t(in >> 1)] = int(vertices_.size());
    inOf.push_back(in >> 1);
    vertices_.push_back(v);
  };
  for (int p = 0; p < places; ++p) {
    const auto first = around.begin() + start[size_t(p)], last = around.begin() + start[size_t(p) + 1];
    const int edgesHere = int(last - first);
    if (edgesHere == 2) {
      if ((first[0] & 1) == (first[1] & 1)) return false;
      pairUp(first[0] & 1 ? first[1] : first[0], first[0] & 1 ? first[0] : first[1], false);
      continue;
    }
    std::sort(first, last, [&](int a, int b) { return angle(a) < angle(b); });
    for (int i = 0; i < edgesHere; ++i) {
      const int e = first[i], before = first[i > 0 ? i - 1 : edgesHere - 1];
      if (e & 1) continue;
      if (!(before & 1)) return false;  // two edges in side by side: the ring crosses itself
      pairUp(e, before, true);
    }
  }
  for (size_t v = 0; v < vertices_.size(); ++v) {
    vertices_[v].next = vertexIn[size_t(vertices_[v].edge)];
    vertices_[v].prev = vertexOut[size_t(inOf[v])];
    if (vertices_[v].next < 0 || vertices_[v].prev < 0) return false;
  }
  return vertices_.size() >= 3;
}

// The turn from a to b to c on the plane: above 0 to the left, below 0 to the right.
double FaceTriangles::Orient(int a, int b, int c) const {
  ++tests_;
  const Vertex &p = vertices_[size_t(a)], &q = vertices_[size_t(b)], &r = vertices_[size_t(c)];
  return Cross(q.x - p.x, q.y - p.y, r.x - p.x, r.y - p.y);
}

// Which side of the edge (named by its upper vertex) the vertex is on: above 0 to its right
// as the plane is seen, below 0 to its left.
double FaceTriangles::Side(int edge, int vertex) const {
  return Orient(edge, vertices_[size_t(edge)].next, vertex);
}

// Whether edge a lies left of edge b where the sweep line crosses both.  Edges in the line
// never cross, so the lower of their upper ends decides, against the other edge; -1 is the
// vertex looked up.
bool FaceTriangles::LeftOf(int a, int b) const {
  if (a == b) return false;
  if (a < 0) return Side(b, probe_) < 0;
  if (b < 0) return Side(a, probe_) >= 0;
  const bool aLower = vertices_[size_t(a)].rank > vertices_[size_t(b)].rank;
  const int edge = aLower ? b : a, end = aLower ? a : b;
  double side = Side(edge, end);
  if (side == 0) side = Side(edge, vertices_[size_t(end)].next);
  if (side == 0) return a < b;
  return aLower ? side < 0 : side > 0;
}

// The sweep from the top down, splitting the loops into pieces monotone along it: at each
// vertex where the inside opens upwards or closes downwards a diagonal goes to the last
// vertex seen between the edges on either side (the helper of the edge on its left).
bool FaceTriangles::Sweep() {
  const int n = int(vertices_.size());
  struct Place {
    double y, x;
    int vertex;
  };
  std::vector<Place> places(static_cast<size_t>(n));
  for (int v = 0; v < n; ++v) places[size_t(v)] = {vertices_[size_t(v)].y, vertices_[size_t(v)].x, v};
  std::sort(places.begin(), places.end(), [](const Place& p, const Place& q) {
    return p.y != q.y ? p.y > q.y : p.x != q.x ? p.x < q.x : p.vertex < q.vertex;
  });
  order_.resize(size_t(n));
  for (int i = 0; i < n; ++i) {
    order_[size_t(i)] = places[size_t(i)].vertex;
    vertices_[size_t(order_[size_t(i)])].rank = i;
  }
  enum Kind : uint8_t { START, SPLIT, END, MERGE, REGULAR };
  std::vector<uint8_t> kind(size_t(n), REGULAR);
  std::vector<int> helper(size_t(n), -1);
  std::set<int, EdgeOrder> line(EdgeOrder{this});
  std::vector<std::set<int, EdgeOrder>::iterator> where(static_cast<size_t>(n));
  std::vector<char> inLine(size_t(n), 0);
  diagonals_.clear();
  const auto enter = [&](int v) {
    where[size_t(v)] = line.insert(v).first;
    inLine[size_t(v)] = 1;
    helper[size_t(v)] = v;
  };
  // The edge ending at v leaves the line; a merge vertex helping it gets a diagonal.
  const auto leave = [&](int v, int edge) {
    if (!inLine[size_t(edge)]) return false;
    if (kind[size_t(helper[size_t(edge)])] == MERGE) diagonals_.push_back({v, helper[size_t(edge)]});
    line.erase(where[size_t(edge)]);
    inLine[size_t(edge)] = 0;
    return true;
  };
  // The edge left of v, v its new helper (after a diagonal to a merge vertex, or always).
  const auto helpLeft = [&](int v, bool always) {
    probe_ = v;
    auto it = line.lower_bound(-1);
    if (it == line.begin()) return false;
    const int edge = *--it, h = helper[size_t(edge)];
    if (always || kind[size_t(h)] == MERGE) diagonals_.push_back({v, h});
    helper[size_t(edge)] = v;
    return true;
  };
  for (int v : order_) {
    const Vertex& c = vertices_[size_t(v)];
    const bool prevBelow = vertices_[size_t(c.prev)].rank > c.rank, nextBelow = vertices_[size_t(c.next)].rank > c.rank;
    const bool convex = Orient(c.prev, v, c.next) > 0;
    if (prevBelow && nextBelow) {
      kind[size_t(v)] = convex ? START : SPLIT;
      if (!convex && !helpLeft(v, true)) return false;
      enter(v);
    } else if (!prevBelow && !nextBelow) {
      kind[size_t(v)] = convex ? END : MERGE;
      if (!leave(v, c.prev) || (!convex && !helpLeft(v, false))) return false;
    } else if (nextBelow) {  // on a left side: the inside to its right
      if (!leave(v, c.prev)) return false;
      enter(v);
    } else if (!helpLeft(v, false)) {
      return false;
    }
  }
  return line.empty();
}

// The pieces the diagonals cut the loops into, each walked with its inside on the left (at
// each vertex the next edge is the first clockwise from the way back), then triangulated.
bool FaceTriangles::Pieces() {
  const int n = int(vertices_.size());
  const int halves = 2 * (n + int(diagonals_.size()));
  // Half edges 2i and 2i + 1 are one edge's two ways; only an edge of a loop walked backwards
  // bounds no piece.
  std::vector<int> from(static_cast<size_t>(halves)), to(static_cast<size_t>(halves));
  for (int v = 0; v < n; ++v) {
    from[size_t(2 * v)] = to[size_t(2 * v + 1)] = v;
    to[size_t(2 * v)] = from[size_t(2 * v + 1)] = vertices_[size_t(v)].next;
  }
  for (size_t d = 0; d < diagonals_.size(); ++d) {
    const size_t h = 2 * (size_t(n) + d);
    from[h] = to[h + 1] = diagonals_[d][0];
    to[h] = from[h + 1] = diagonals_[d][1];
  }
  const auto walks = [&](int h) { return h >= 2 * n || !(h & 1); };
  // Around each vertex its half edges anticlockwise (two, the edges of its loop, need no order).
  std::vector<int> start(size_t(n) + 1, 0), around(static_cast<size_t>(halves)), slot(static_cast<size_t>(halves));
  for (int h = 0; h < halves; ++h) ++start[size_t(from[size_t(h)]) + 1];
  for (size_t v = 1; v < start.size(); ++v) start[v] += start[v - 1];
  {
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (int h = 0; h < halves; ++h) around[size_t(fill[size_t(from[size_t(h)])]++)] = h;
  }
  const auto angle = [&](int h) {
    const Vertex &a = vertices_[size_t(from[size_t(h)])], &b = vertices_[size_t(to[size_t(h)])];
    return std::atan2(b.y - a.y, b.x - a.x);
  };
  std::vector<std::pair<double, int>> turning;
  for (int v = 0; v < n; ++v) {
    const auto first = around.begin() + start[size_t(v)], last = around.begin() + start[size_t(v) + 1];
    if (last - first > 2) {
      turning.clear();
      for (auto h = first; h != last; ++h) turning.push_back({angle(*h), *h});
      std::sort(turning.begin(), turning.end());
      for (size_t i = 0; i < turning.size(); ++i) first[std::ptrdiff_t(i)] = turning[i].second;
    }
    for (auto h = first; h != last; ++h) slot[size_t(*h)] = int(h - around.begin());
  }
  std::vector<char> used(size_t(halves), 0);
  for (int first = 0; first < halves; ++first) {
    if (!walks(first) || used[size_t(first)]) continue;
    piece_.clear();
    int h = first;
    do {
      if (used[size_t(h)] || !walks(h)) return false;
      used[size_t(h)] = 1;
      piece_.push_back(from[size_t(h)]);
      const int at = to[size_t(h)];
      int i = slot[size_t(h ^ 1)] - 1;
      if (i < start[size_t(at)]) i = start[size_t(at) + 1] - 1;
      h = around[size_t(i)];
    } while (h != first);
    if (!Monotone()) return false;
  }
  return true;
}

// Triangulates the piece in hand: its two sides from its top vertex down merged into one
// list, each vertex joined to those above it that it can see (those still on a stack).
// False when the piece is not monotone or a triangle would turn the wrong way.
bool FaceTriangles::Monotone() {
  const int m = int(piece_.size());
  if (m < 3) return false;
  const auto rank = [&](int i) { return vertices_[size_t(piece_[size_t(i)])].rank; };
  int top = 0;
  for (int i = 1; i < m; ++i)
    if (rank(i) < rank(top)) top = i;
  // chain_: vertex * 2, + 1 on the right side (walked up the piece), from the top down.
  chain_.assign(1, piece_[size_t(top)] * 2);
  int left = (top + 1) % m, right = (top + m - 1) % m, leftRank = rank(top), rightRank = leftRank;
  for (int k = 1; k < m; ++k) {
    const bool onLeft = left == right || rank(left) < rank(right);
    const int i = onLeft ? left : right;
    int& last = onLeft ? leftRank : rightRank;
    if (rank(i) < last) return false;
    last = rank(i);
    chain_.push_back(piece_[size_t(i)] * 2 + (onLeft ? 0 : 1));
    if (onLeft)
      left = (left + 1) % m;
    else
      right = (right + m - 1) % m;
  }
  const auto at = [](int e) { return e >> 1; };
  // A triangle of a vertex below a run of the stack's side: (down, down, right) on the left.
  const auto fan = [&](int below, bool stackOnRight) {
    for (size_t k = 0; k + 1 < stack_.size(); ++k)
      if (stackOnRight)
        Add(at(below), at(stack_[k + 1]), at(stack_[k]));
      else
        Add(at(stack_[k]), at(stack_[k + 1]), at(below));
  };
  stack_.assign({chain_[0], chain_[1]});
  for (int j = 2; j < m - 1; ++j) {
    const int u = chain_[size_t(j)];
    const bool uRight = u & 1;
    if (uRight != bool(stack_.back() & 1)) {
      fan(u, !uRight);
      stack_.assign({stack_.back(), u});
      continue;
    }
    int last = stack_.back();
    stack_.pop_back();
    while (!stack_.empty()) {
      const int s = stack_.back();
      const double turn = uRight ? Orient(at(u), at(last), at(s)) : Orient(at(s), at(last), at(u));
      if (!(turn > 0)) break;
      if (uRight)
        Add(at(u), at(last), at(s));
      else
        Add(at(s), at(last), at(u));
      last = s;
      stack_.pop_back();
    }
    stack_.push_back(last);
    stack_.push_back(u);
  }
  fan(chain_[size_t(m - 1)], stack_.back() & 1);
  return true;
}

// A triangle of the cut, which must turn the face's way (or be flat, between corners in a line).
void FaceTriangles::Add(int a, int b, int c) {
  const Vertex &p = vertices_[size_t(a)], &q = vertices_[size_t(b)], &r = vertices_[size_t(c)];
  const double lengths = std::hypot(q.x - p.x, q.y - p.y) * std::hypot(r.x - p.x, r.y - p.y);
  if (Orient(a, b, c) < -FLAT * lengths) wrongWay_ = true;
  triangles_.push_back({ring_[size_t(p.edge)], ring_[size_t(q.edge)], ring_[size_t(r.edge)]});
}
