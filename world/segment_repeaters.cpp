// segment_repeaters.cpp - a road segment's repeaters: copies of its pre-generated model
// entry placed along one edge line, each turned by RepeaterMatrix, added to the sweep's pool
// with level 0; and the trunk records the map squares take from their places.
#include <algorithm>
#include <cmath>

#include "world/map_squares.h"
#include "world/render_mesh_builder.h"
#include "world/segment.h"

namespace {

constexpr double FIX = 65536.0;
constexpr double HALF_PI = 1.5707963267948966;
constexpr double ANGLE_UNITS = 10430.378;  // 65536 per turn

// A 16-bit angle from radians, rounded.
uint32_t Angle16(double radians) {
  return static_cast<uint32_t>(NearestSaturated(radians * ANGLE_UNITS)) & 0xFFFF;
}

double Length(const double v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

void Cross(const double a[3], const double b[3], double out[3]) {
  const double r[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  std::copy(r, r + 3, out);
}

// One copy: into the pool, or to the visitor on a dry run.  The copies a pool could hold at
// most (each adds a vertex) are all a segment places: a damaged record's spacing over a
// road of 65,535 steps would otherwise ask for millions.
struct CopySink {
  MeshPool* builder;
  const PreGenModel* entry;
  RepeaterVisitor visit;
  void* context;
  int placed = 0;
  bool Full() const { return placed >= REPEATER_COPIES_MAX; }
  const char* Place(const IntVector& at, const FixedMatrix& matrix) {
    ++placed;
    if (builder) return PlaceModelInPool(*builder, *entry, at, matrix);
    if (visit) visit(context, at, matrix);
    return nullptr;
  }
};

}  // namespace

void WSegment::EdgeTangent(int e, double t, double out[3]) const {
  const SegmentEdge& edge = edges[size_t(e)];
  out[0] = out[1] = out[2] = 0;
  if (edge.flags & EDGE_FIXED) return;
  const auto cubic = [t](const float c[4]) { return ((double(c[0]) * t + c[1]) * t + c[2]) * t + c[3]; };
  const auto slope = [t](const float c[4]) { return (3.0 * c[0] * t + 2.0 * c[1]) * t + c[2]; };
  const double s = cubic(edge.lateral), sd = slope(edge.lateral);
  const double ax = frame.a0[0] + (double(frame.a1[0]) - frame.a0[0]) * t;
  const double ay = frame.a0[1] + (double(frame.a1[1]) - frame.a0[1]) * t;
  out[0] = (double(frame.p1[0]) - frame.p0[0] + (double(frame.a1[0]) - frame.a0[0]) * s + ax * sd) / FIX;
  out[1] = (double(frame.p1[1]) - frame.p0[1] + (double(frame.a1[1]) - frame.a0[1]) * s + ay * sd) / FIX;
  out[2] = slope(edge.height);
}

FixedMatrix WSegment::RepeaterMatrix(const double d[3], const double* aim) const {
  FixedMatrix m;
  const int q = repeaterFlags & REPEAT_QUARTER_TURNS;
  if (aim) {
    // Columns c, b, a': the model's x to c, y to b, z to the aim.  An aim along the direction
    // (or of no length) gives no frame: the copy is then turned as without one.
    const double aimLength = Length(aim);
    double c[3] = {};
    double across = 0;
    if (aimLength > 0) {
      const double a[3] = {aim[0] / aimLength, aim[1] / aimLength, aim[2] / aimLength};
      Cross(d, a, c);
      across = Length(c);
      if (across > 0 && std::isfinite(across)) {
        for (double& v : c) v /= across;
        double b[3];
        Cross(a, c, b);
        float f[9];
        for (int r = 0; r < 3; ++r) {
          f[3 * r] = float(c[r]);
          f[3 * r + 1] = float(b[r]);
          f[3 * r + 2] = float(a[r]);
        }
        if (q != 0) {
          // Times the turn of q quarters about z on the right.
          const float cq = float(std::cos(q * HALF_PI)), sq = float(std::sin(q * HALF_PI));
          for (int r = 0; r < 3; ++r) {
            const float x = f[3 * r], y = f[3 * r + 1];
            f[3 * r] = x * cq + y * sq;
            f[3 * r + 1] = -x * sq + y * cq;
          }
        }
        MatrixFloatToFixed(f, m);
        return m;
      }
    }
  }
  const uint32_t heading = Angle16(q * HALF_PI + std::atan2(-d[0], d[1]));
  if (!(repeaterFlags & REPEAT_PITCH)) {
    const int32_t cs = FixCos(heading), sn = FixSin(heading);
    m = {{cs, -sn, 0, sn, cs, 0, 0, 0, 0x10000}};
    return m;
  }
  const double horizontal = std::hypot(d[0], d[1]);
  const double pitch = horizontal > 0 ? std::atan(d[2] / horizontal) : (d[2] > 0 ? HALF_PI : d[2] < 0 ? -HALF_PI : 0.0);
  const uint32_t slope = Angle16(pitch), minus = (0x10000 - slope) & 0xFFFF;
  static constexpr int PITCH_FIRST[4] = {1, 0, -1, 0}, PITCH_SECOND[4] = {0, -1, 0, 1};
  const auto signedSlope = [slope, minus](int sign) { return sign > 0 ? slope : sign < 0 ? minus : 0u; };
  MatrixFromAngles(m, heading, signedSlope(PITCH_FIRST[q]), signedSlope(PITCH_SECOND[q]));
  return m;
}

const char* WSegment::BuildRepeaters(MeshPool* builder, int dryRun, RepeaterVisitor visit, void* context) {
  const PreGenModel* entry = ModelEntry();
  void* model = entry && WorldModels.ModelOf ? WorldModels.ModelOf(*entry) : nullptr;
  if (!model) return TEXT_REPEATER_UNFIT;
  if (edges.empty() || levelCount <= 0 || !valid) return nullptr;
  if (!dryRun && !builder) return nullptr;
  CopySink sink = {dryRun ? nullptr : builder, entry, visit, context};
  // The model is recoloured for this segment and its textures bound while its copies are
  // built; the recolouring is taken back after.  The binding stays: it is the one every
  // world object's model gets before its levels are built.
  VariantRecord recolour;
  if (!dryRun) {
    ApplyObjectVariantRecorded(*entry, objectIndex, variant, secondVariant, recolour);
    if (WorldModels.AssignTextures) WorldModels.AssignTextures(model);
  }

  const int n = std::max<int>(levels[0].segments, 1);
  const int k = spacing >= 0 ? 1 : -spacing + 1;
  const int path = pathEdge < edges.size() ? pathEdge : 0;
  const bool aimed = (repeaterFlags & REPEAT_AIM) && edges.size() >= 2 && aimEdge < edges.size() && aimEdge != path;
  // The copy's place at step i, and its aim vector (metres) when aimed.
  const auto placeAt = [&](int i, IntVector& at, double aim[3]) {
    const double t = double(i) / n;
    at = EdgePoint(path, t);
    if (!aimed) return;
    const IntVector to = EdgePoint(aimEdge, t);
    aim[0] = (double(to.x) - at.x) / FIX;
    aim[1] = (double(to.y) - at.y) / FIX;
    aim[2] = (double(to.z) - at.z) / FIX;
  };

  const char* result = nullptr;
  const int first = (repeaterFlags & REPEAT_FROM_ZERO) ? 0 : k;
  const int last = (repeaterFlags & REPEAT_TO_LAST) ? n : n - 1;
  for (int i = first; i <= last && !result && !sink.Full(); i += k) {
    IntVector at;
    double aim[3] = {}, d[3];
    placeAt(i, at, aim);
    EdgeTangent(path, double(i) / n, d);
    result = sink.Place(at, RepeaterMatrix(d, aimed ? aim : nullptr));
  }
  if (spacing > 0) {
    // Copies between the steps, along each chord.
    const int m = spacing + 1;
    IntVector from;
    double fromAim[3] = {};
    placeAt(0, from, fromAim);
    for (int i = 1; i <= n && !result && !sink.Full(); ++i) {
      IntVector to;
      double toAim[3] = {};
      placeAt(i, to, toAim);
      const double chord[3] = {(double(to.x) - from.x) / FIX, (double(to.y) - from.y) / FIX,
                               (double(to.z) - from.z) / FIX};
      for (int j = 1; j < m && !result && !sink.Full(); ++j) {
        const double f = double(j) / m;
        const IntVector at = {NearestSaturated(from.x + (double(to.x) - from.x) * f),
                              NearestSaturated(from.y + (double(to.y) - from.y) * f),
                              NearestSaturated(from.z + (double(to.z) - from.z) * f)};
        const double aim[3] = {fromAim[0] + (toAim[0] - fromAim[0]) * f, fromAim[1] + (toAim[1] - fromAim[1]) * f,
                               fromAim[2] + (toAim[2] - fromAim[2]) * f};
        result = sink.Place(at, RepeaterMatrix(chord, aimed ? aim : nullptr));
      }
      from = to;
      std::copy(toAim, toAim + 3, fromAim);
    }
  }
  if (!dryRun) UndoObjectVariant(*entry, objectIndex, variant, recolour);
  return result;
}

// ---- The map squares' trunk records ----

namespace {
struct TrunkVisit {
  const WSegment* segment;
  TrunkAdder add;
  void* context;
};
}  // namespace

void AddSegmentRepeaterTrunks(FixedOb* object, TrunkAdder add, void* context) {
  if (!object || object->type != OBJECT_SEGMENT || object->sizeByte == 0 || !add) return;
  auto* segment = static_cast<WSegment*>(object);
  if (segment->objectIndex < 0) return;
  TrunkVisit visit = {segment, add, context};
  segment->BuildRepeaters(
      nullptr, 1,
      [](void* c, const IntVector& at, const FixedMatrix&) {
        const auto& v = *static_cast<TrunkVisit*>(c);
        // The trunk stands at the copy and spans the segment's box, reaching down or up to
        // the copy when it lies outside.
        const TrunkRecord record = {v.segment->sizeByte, at.x, at.y, std::min(v.segment->box[2], at.z),
                                    std::max(v.segment->box[5], at.z)};
        v.add(v.context, record);
      },
      &visit);
}
