// car_settle.cpp - setting a placed car down on the ground under it, and the path-info
// packet that tells where the car stands on the racing path.
//
// The ground is asked through the world's map-square query (world/world.h): a query from A to
// B passes B as the point and B - A as the vector.
#include <bit>
#include <cmath>

#include "physics/car.h"
#include "world/world.h"

namespace {

constexpr int32_t METRE = FIXED_ONE;
constexpr int32_t QUERY_ABOVE = 2 * METRE;  // the near ground query starts 2 m over the centre of mass
constexpr int32_t QUERY_FLOOR = -20 * METRE;
constexpr int32_t QUERY_CEILING = 160 * METRE;
constexpr int32_t NORMAL_REACH = 2 * METRE;  // the normal is asked 2 m above and below the new height
constexpr int PASSES_A_SWEEP = 3;
constexpr float CORNER_SCALE[PASSES_A_SWEEP] = {1.0f, 0.75f, 0.5f};
// Added to a corner's push on each pass of a sweep: nothing, a third, a whole corner.
constexpr int32_t PUSH_EXTRA[PASSES_A_SWEEP] = {0, 0x5555, 0x10000};
constexpr int MOST_PASSES = 12;
constexpr float LEAST_SIDE_SQUARED = 1e-12f;  // below it the normal runs along the forward axis
// The surface kinds under a wheel that the path-info packet flags.
constexpr uint8_t FLAGGED_SURFACE_A = 4, FLAGGED_SURFACE_B = 8;

int32_t Saturate(int64_t v) {
  return static_cast<int32_t>(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v);
}

// The query of the segment from `from` to `to`.
int32_t QuerySegment(const IntVector& from, const IntVector& to, MapSquareHit& hit, int withAdded) {
  const IntVector vector{Saturate(int64_t{to.x} - from.x), Saturate(int64_t{to.y} - from.y),
                         Saturate(int64_t{to.z} - from.z)};
  return Wld::QueryMapSquare(to, vector, hit, withAdded);
}

// The ground's height under (x, y): first from 2 m above the centre of mass down to -20 m with
// the added objects, then (or with farOnly alone) from 160 m down without them; 0 when
// nothing is there.
int32_t GroundHeight(const Car& car, int32_t centreHeight, int farOnly) {
  const int32_t x = car.position.x, y = car.position.y;
  MapSquareHit hit{};
  if (!farOnly) {
    const int32_t top = SaturatingAdd(SaturatingAdd(car.position.z, centreHeight), QUERY_ABOVE);
    if (QuerySegment({x, y, top}, {x, y, QUERY_FLOOR}, hit, 1)) return hit.height;
  }
  return QuerySegment({x, y, QUERY_CEILING}, {x, y, QUERY_FLOOR}, hit, 0) ? hit.height : 0;
}

// Turns the car onto the ground's normal under it, keeping its heading: the columns become
// u, n x u and n with u = forward x n.  A normal along the forward axis (or none usable)
// leaves the orientation.
void TiltOntoGround(Car& car) {
  const int32_t x = car.position.x, y = car.position.y, z = car.position.z;
  MapSquareHit hit{};
  if (!QuerySegment({x, y, SaturatingAdd(z, NORMAL_REACH)}, {x, y, SaturatingAdd(z, -int64_t{NORMAL_REACH})}, hit, 1))
    return;
  Vec3 n{hit.normal[0], hit.normal[1], hit.normal[2]};
  const float length = std::sqrt(LengthSquared(n));
  if (!(length > 0.0f) || !std::isfinite(length)) return;
  n = n * (1.0f / length);
  float* m = car.orientation;
  const Vec3 forward{m[1], m[4], m[7]};
  Vec3 u = Cross(forward, n);
  const float side = LengthSquared(u);
  if (!(side >= LEAST_SIDE_SQUARED)) return;
  u = u * (1.0f / std::sqrt(side));
  const Vec3 f = Cross(n, u);
  const Vec3 columns[3] = {u, f, n};
  for (int c = 0; c < 3; ++c) {
    m[c] = columns[c].x;
    m[3 + c] = columns[c].y;
    m[6 + c] = columns[c].z;
  }
}

// Asks the ground from the car's centre out to each corner of its outline (scaled by the
// pass's factor) and pushes the car back along each corner that runs into something, by the
// part of the corner beyond the obstacle and a little more.  1 when the car was pushed.
int PushOutOfCorners(Car& car, int pass, int32_t centreHeight) {
  const float front = car.extent[0], back = car.extent[1], right = car.extent[2], left = car.extent[3];
  const float corners[4][2] = {{left, back}, {right, back}, {left, front}, {right, front}};
  const IntVector centre{car.position.x, car.position.y, SaturatingAdd(car.position.z, centreHeight)};
  int64_t dx = 0, dy = 0;
  int moved = 0;
  for (const auto& corner : corners) {
    const float scale = CORNER_SCALE[pass];
    const IntVector o = FixedFromMetres(MatrixTimes(car.orientation, {corner[0] * scale, corner[1] * scale, 0.0f}));
    const IntVector end{SaturatingAdd(centre.x, o.x), SaturatingAdd(centre.y, o.y), SaturatingAdd(centre.z, o.z)};
    MapSquareHit hit{};
    const int64_t t = QuerySegment(centre, end, hit, 1);
    if (!t) continue;
    const int64_t push = t + (t >> 4) + PUSH_EXTRA[pass];
    dx -= (int64_t{o.x} * push) >> 16;
    dy -= (int64_t{o.y} * push) >> 16;
    moved = 1;
  }
  car.position.x = SaturatingAdd(car.position.x, dx);
  car.position.y = SaturatingAdd(car.position.y, dy);
  return moved;
}

}  // namespace

void Car::SettleOnGround(int threePasses, int farOnly, int32_t heightOffset) {
  const int32_t centreHeight = FixedFromMetres(massRecords[MASS_RECORD_BUILT].centreOfMass.z);
  const int passesASweep = threePasses ? PASSES_A_SWEEP : 1;
  int passes = 0;
  for (;;) {
    int moved = 0;
    for (int pass = 0; pass < passesASweep && !moved; ++pass) {
      position.z = SaturatingAdd(heightOffset, GroundHeight(*this, centreHeight, farOnly));
      TiltOntoGround(*this);
      moved = PushOutOfCorners(*this, pass, centreHeight);
      ++passes;
    }
    if (!moved || passes >= MOST_PASSES) return;
  }
}

int Car::AnyWheelFlagged() const {
  const int count = wheelCount < 0 ? 0 : wheelCount > CAR_MAX_WHEELS ? CAR_MAX_WHEELS : wheelCount;
  for (int i = 0; i < count; ++i)
    if (wheels[i].surfaceKind == FLAGGED_SURFACE_A || wheels[i].surfaceKind == FLAGGED_SURFACE_B) return 1;
  return 0;
}

void Car::FillPathInfo(uint8_t packet[PATH_INFO_SIZE], uint8_t playerId) const {
  const auto word = [&](int at, uint32_t value) {
    for (int i = 0; i < 4; ++i) packet[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  packet[4] = playerId;
  packet[5] = static_cast<uint8_t>(AnyWheelFlagged());
  packet[6] = position.z < QUERY_FLOOR || position.z > QUERY_CEILING ? 1 : 0;
  packet[7] = 0;
  word(8, static_cast<uint32_t>(pathNode));
  word(12, std::bit_cast<uint32_t>(pathOffset));
  word(16, static_cast<uint32_t>(position.x));
  word(20, static_cast<uint32_t>(position.y));
  word(24, static_cast<uint32_t>(position.z));
}
