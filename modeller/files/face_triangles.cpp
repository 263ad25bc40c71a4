// face_triangles.cpp - a polygon face's fan or its ear clipping.
#include "modeller/files/face_triangles.h"

#include <algorithm>
#include <cmath>

#include "model/model_object.h"

namespace {

// A turn whose sine is below this is straight: positions are whole 1/65536 m, so only a
// corner on the line of its neighbours, give or take rounding, is that flat.
constexpr double FLAT = 1e-9;
// A face whose area is below this share of its extent squared has none.
constexpr double NO_AREA = 1e-12;
constexpr double TWO_PI = 6.283185307179586;
constexpr int MOST_CELLS_A_SIDE = 1024;

bool SamePlace(const ModelPoint& a, const ModelPoint& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

double Cross(double ax, double ay, double bx, double by) { return ax * by - ay * bx; }

}  // namespace

bool FaceTriangles::Clip(const ModelPoint* points, const int* corners, int count) {
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
  // A ring that crosses itself so as to wind round other than once has no inside to clip.
  double turned = 0;
  for (int k = 0; k < count; ++k) {
    const Corner &p = ring_[size_t(ring_[size_t(k)].prev)], &c = ring_[size_t(k)], &n = ring_[size_t(c.next)];
    const double ax = c.x - p.x, ay = c.y - p.y, bx = n.x - c.x, by = n.y - c.y;
    turned += std::atan2(Cross(ax, ay, bx, by), ax * bx + ay * by);
  }
  if (std::lround(turned / TWO_PI) != 1) return false;
  EarClip(count);
  return true;
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
  ring_.resize(size_t(count));
  for (int k = 0; k < count; ++k) {
    const std::array<double, 3>& p = place_[size_t(k)];
    Corner& c = ring_[size_t(k)];
    c.x = p[0] * u[0] + p[1] * u[1] + p[2] * u[2];
    c.y = p[0] * v[0] + p[1] * v[1] + p[2] * v[2];
    c.prev = (k + count - 1) % count;
    c.next = (k + 1) % count;
    c.reflex = false;
    c.gone = false;
  }
}

// The sine of the ring's turn at the corner: above 0 towards the inside, below 0 away from it
// (a reflex corner), 0 where an edge has no length.
double FaceTriangles::Turn(int corner) const {
  const Corner &p = ring_[size_t(ring_[size_t(corner)].prev)], &c = ring_[size_t(corner)], &n = ring_[size_t(c.next)];
  const double ax = c.x - p.x, ay = c.y - p.y, bx = n.x - c.x, by = n.y - c.y;
  const double lengths = std::sqrt((ax * ax + ay * ay) * (bx * bx + by * by));
  return lengths > 0 ? Cross(ax, ay, bx, by) / lengths : 0.0;
}

void FaceTriangles::Classify(int corner) {
  Corner& c = ring_[size_t(corner)];
  const bool reflex = Turn(corner) < -FLAT;
  if (reflex && !c.reflex) lateReflex_.push_back(corner);  // not in the grid
  c.reflex = reflex;
}

void FaceTriangles::BuildGrid(int count) {
  lateReflex_.clear();
  double left = ring_[0].x, right = left, bottom = ring_[0].y, top = bottom;
  int reflex = 0;
  for (int k = 0; k < count; ++k) {
    Corner& c = ring_[size_t(k)];
    left = std::min(left, c.x), right = std::max(right, c.x);
    bottom = std::min(bottom, c.y), top = std::max(top, c.y);
    c.reflex = Turn(k) < -FLAT;
    reflex += c.reflex;
  }
  gridSize_ = std::clamp(int(std::sqrt(double(reflex))), 1, MOST_CELLS_A_SIDE);
  gridLeft_ = left, gridBottom_ = bottom;
  cellWidth_ = right > left ? (right - left) / gridSize_ : 1.0;
  cellHeight_ = top > bottom ? (top - bottom) / gridSize_ : 1.0;
  cellStart_.assign(size_t(gridSize_) * size_t(gridSize_) + 1, 0);
  cellCorners_.resize(size_t(reflex));
  for (int k = 0; k < count; ++k)
    if (ring_[size_t(k)].reflex) ++cellStart_[size_t(Cell(ring_[size_t(k)].x, ring_[size_t(k)].y)) + 1];
  for (size_t i = 1; i < cellStart_.size(); ++i) cellStart_[i] += cellStart_[i - 1];
  std::vector<int> fill(cellStart_.begin(), cellStart_.end() - 1);
  for (int k = 0; k < count; ++k)
    if (ring_[size_t(k)].reflex) cellCorners_[size_t(fill[size_t(Cell(ring_[size_t(k)].x, ring_[size_t(k)].y))]++)] = k;
}

int FaceTriangles::Column(double x) const {
  return std::clamp(int((x - gridLeft_) / cellWidth_), 0, gridSize_ - 1);
}
int FaceTriangles::Row(double y) const {
  return std::clamp(int((y - gridBottom_) / cellHeight_), 0, gridSize_ - 1);
}
int FaceTriangles::Cell(double x, double y) const { return Row(y) * gridSize_ + Column(x); }

// A reflex corner other than the ear's three, not at one of their places, inside the ear's
// triangle or on its edges.
bool FaceTriangles::Blocks(int other, int a, int b, int c) const {
  const Corner& o = ring_[size_t(other)];
  if (o.gone || !o.reflex || other == a || other == b || other == c) return false;
  const ModelPoint& place = *at_[size_t(other)];
  if (SamePlace(place, *at_[size_t(a)]) || SamePlace(place, *at_[size_t(b)]) || SamePlace(place, *at_[size_t(c)]))
    return false;
  const Corner &pa = ring_[size_t(a)], &pb = ring_[size_t(b)], &pc = ring_[size_t(c)];
  return Cross(pb.x - pa.x, pb.y - pa.y, o.x - pa.x, o.y - pa.y) >= 0 &&
         Cross(pc.x - pb.x, pc.y - pb.y, o.x - pb.x, o.y - pb.y) >= 0 &&
         Cross(pa.x - pc.x, pa.y - pc.y, o.x - pc.x, o.y - pc.y) >= 0;
}

// Whether the corner is an ear: it turns towards the inside (strict) or at least not away
// from it, and no reflex corner lies in its triangle.
bool FaceTriangles::IsEar(int corner, bool strict) const {
  const double turn = Turn(corner);
  if (strict ? turn <= FLAT : turn < -FLAT) return false;
  const Corner& b = ring_[size_t(corner)];
  const int a = b.prev, c = b.next;
  const Corner &pa = ring_[size_t(a)], &pc = ring_[size_t(c)];
  const int left = Column(std::min({pa.x, b.x, pc.x})), right = Column(std::max({pa.x, b.x, pc.x}));
  const int bottom = Row(std::min({pa.y, b.y, pc.y})), top = Row(std::max({pa.y, b.y, pc.y}));
  for (int row = bottom; row <= top; ++row)
    for (int column = left; column <= right; ++column) {
      const int cell = row * gridSize_ + column;
      for (int i = cellStart_[size_t(cell)]; i < cellStart_[size_t(cell) + 1]; ++i)
        if (Blocks(cellCorners_[size_t(i)], a, corner, c)) return false;
    }
  for (int other : lateReflex_)
    if (Blocks(other, a, corner, c)) return false;
  return true;
}

void FaceTriangles::Cut(int corner) {
  Corner& e = ring_[size_t(corner)];
  const int a = e.prev, c = e.next;
  triangles_.push_back({a, corner, c});
  ring_[size_t(a)].next = c;
  ring_[size_t(c)].prev = a;
  e.gone = true;
  Classify(a);
  Classify(c);
  // Only the neighbours of a cut can have become ears (in a ring that does not cross itself):
  // they are looked at next.
  toTry_.push_back(a);
  toTry_.push_back(c);
}

// Cuts ears from the ring.  Every corner is tried once, and the two neighbours of each cut
// again, so the work grows with the corners, not their square.  When none is left to try
// and no ear was found (a ring that crosses itself), the ring is searched for a flat corner
// to cut, else its first corner goes.
void FaceTriangles::EarClip(int count) {
  BuildGrid(count);
  toTry_.clear();
  for (int k = count - 1; k >= 0; --k) toTry_.push_back(k);
  int remaining = count, last = 0;
  while (remaining > 3) {
    if (toTry_.empty()) {
      int cut = last;
      for (int k = ring_[size_t(last)].next; k != last; k = ring_[size_t(k)].next)
        if (IsEar(k, false)) {
          cut = k;
          break;
        }
      last = ring_[size_t(cut)].next;
      Cut(cut);
      --remaining;
      continue;
    }
    const int k = toTry_.back();
    toTry_.pop_back();
    if (ring_[size_t(k)].gone || !IsEar(k, true)) continue;
    last = ring_[size_t(k)].next;
    Cut(k);
    --remaining;
  }
  const Corner& end = ring_[size_t(last)];
  triangles_.push_back({end.prev, last, end.next});
}
