// solid_test_util.cpp - boxes, a one-body step and the recording stand-ins of the tests.
#include "tests/solid/solid_test_util.h"

#include <cmath>

#include "solid/physics_registry.h"

ReportRecord Reports;
HookRecord Hooks;

int ReportRecord::Count(const std::string& text) const {
  int n = 0;
  for (const std::string& line : lines) n += line == text;
  return n;
}

void MakeBox(Solid& body, Vec3 half, float mass, Vec3 at, float stiffness, float grip, float damping, Vec3 centre) {
  body.AllocateHull(8, 12);
  for (int i = 0; i < 8; ++i)
    body.points[i].local = {centre.x + (i & 1 ? half.x : -half.x), centre.y + (i & 2 ? half.y : -half.y),
                            centre.z + (i & 4 ? half.z : -half.z)};
  int t = 0;
  for (int axis = 0; axis < 3; ++axis) {
    const int u = 1 << ((axis + 1) % 3), v = 1 << ((axis + 2) % 3), a = 1 << axis;
    for (int side = 0; side < 2; ++side) {
      const int base = side ? a : 0;
      const int quad[4] = {base, base | u, base | u | v, base | v};
      int order[2][3] = {{quad[0], quad[1], quad[2]}, {quad[0], quad[2], quad[3]}};
      for (auto& tri : order) {
        const Vec3 p0 = body.points[tri[0]].local, p1 = body.points[tri[1]].local, p2 = body.points[tri[2]].local;
        const Vec3 n = Cross(p1 - p0, p2 - p0);
        const float outward = (&n.x)[axis] * (side ? 1.0f : -1.0f);
        if (outward < 0.0f) std::swap(tri[1], tri[2]);
        for (int k = 0; k < 3; ++k) body.triangles[t].corners[k] = static_cast<uint16_t>(tri[k]);
        ++t;
      }
    }
  }
  body.ComputeTriangleNormals();
  body.UpdateExtents();
  const float area = 8.0f * (half.x * half.y + half.y * half.z + half.x * half.z);
  body.mass = 0.0f;
  for (float& v : body.inertia) v = 0.0f;
  body.MassFromSurface(mass / area);
  body.stiffness = stiffness;
  body.grip = grip;
  body.damping = damping;
  for (float& v : body.orientation) v = 0.0f;
  body.orientation[0] = body.orientation[4] = body.orientation[8] = 1.0f;
  body.position = FixedFromMetres(at);
  body.InitState();
  body.awake = 1;
}

void Turn(Solid& body, Vec3 axis, float angle) {
  const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  const Vec3 a = axis;
  const float q[9] = {t * a.x * a.x + c,       t * a.x * a.y - s * a.z, t * a.x * a.z + s * a.y,
                      t * a.x * a.y + s * a.z, t * a.y * a.y + c,       t * a.y * a.z - s * a.x,
                      t * a.x * a.z - s * a.y, t * a.y * a.z + s * a.x, t * a.z * a.z + c};
  float r[9];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      r[i * 3 + j] = q[i * 3] * body.orientation[j] + q[i * 3 + 1] * body.orientation[3 + j] +
                     q[i * 3 + 2] * body.orientation[6 + j];
  for (int i = 0; i < 9; ++i) body.orientation[i] = r[i];
  body.InitState();
}

void StepAlone(Solid& body, float gravity, int collideTrees) {
  body.Integrate(STEP, collideTrees);
  body.FloorContacts();
  body.CheckGround();
  body.Update(STEP, gravity);
}

Vec3 OriginMetres(const Solid& body) {
  return Vec3{static_cast<float>(body.position.x / 65536.0), static_cast<float>(body.position.y / 65536.0),
              static_cast<float>(body.position.z / 65536.0)} +
         body.offset;
}

Vec3 CentreMetres(const Solid& body) { return OriginMetres(body) + body.WorldCentre(); }

float OrthonormalityError(const Solid& body) {
  const float* r = body.orientation;
  double sum = 0.0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double d = -(i == j ? 1.0 : 0.0);
      for (int k = 0; k < 3; ++k) d += double{r[k * 3 + i]} * r[k * 3 + j];
      sum += d * d;
    }
  return static_cast<float>(std::sqrt(sum));
}

Vec3 AngularVelocity(const Solid& body) {
  return MatrixTimes(body.orientation,
                     MatrixTimes(body.inverseInertia, MatrixTransposeTimes(body.orientation, body.angularMomentum)));
}

namespace {

void RecordLine(const char* text, ReportColour colour, int) {
  Reports.lines.emplace_back(text);
  Reports.colours.push_back(colour);
}
void RecordSound(int index) { Reports.sounds.push_back(index); }

int ReportsMoved() { return Hooks.reportsMovedObjects; }
void Moved(const IntVector& at, float radius) {
  Hooks.movedAt.push_back(at);
  Hooks.movedRadius.push_back(radius);
}
int WantsWarnings() { return Hooks.wantsWarnings; }
void Warning(int kind) { Hooks.warnings.push_back(kind); }
int Players() { return Hooks.playerCount >= 0 ? Hooks.playerCount : static_cast<int>(Hooks.playerCars.size()); }
Solid* PlayerCar(int i) { return Hooks.playerCars[static_cast<size_t>(i)]; }
int PlayerType(int) { return PLAYER_LOCAL_HUMAN; }
void SendToHost(const uint8_t*, int) {}

float Gravity() { return Hooks.gravity; }
Vec3 Wind() { return Hooks.wind; }
int OneSquare(int32_t x0, int32_t x1, int32_t y0, int32_t y1, int& c0, int& c1, int& r0, int& r1) {
  Hooks.rangesAsked.push_back({x0, x1, y0, y1});
  c0 = c1 = Hooks.trunkColumn;
  r0 = r1 = Hooks.trunkRow;
  return 1;
}
int Trunks(int column, int row, const TrunkRecord*& list) {
  Hooks.squaresAsked.emplace_back(column, row);
  list = Hooks.trunks.data();
  if (column != Hooks.trunkColumn || row != Hooks.trunkRow) return 0;
  return static_cast<int>(Hooks.trunks.size());
}
void AddToSquares(FixedOb* o) { Hooks.addedToSquares.push_back(o); }
void RemoveFromSquares(FixedOb* o) { Hooks.removedFromSquares.push_back(o); }
void Activate(FixedOb* o) { Hooks.activated.push_back(o); }

// A plane or box stand-in: a point below the plane (inside the box) gets a candidate along
// its from-centre vector to the surface, as the world's ray tests do.
void RayTest(FixedOb* object, const IntVector& position, const IntVector& fromCentre, ContactProbe& probe, int first,
             int second, int third, int mode) {
  Hooks.rayCalls.push_back({object, position, fromCentre, first, second, third, mode});
  const StandInObject& o = *reinterpret_cast<const StandInObject*>(object);
  const Vec3 p = MetresBetween(position, o.origin);
  const Vec3 d = {fromCentre.x / 65536.0f, fromCentre.y / 65536.0f, fromCentre.z / 65536.0f};
  Vec3 n = o.normal;
  float depth = 0.0f;
  if (o.kind == 0) {
    depth = -Dot(p, n);
  } else {
    // The box's face the point is least deep behind.
    depth = 1e9f;
    for (int axis = 0; axis < 3; ++axis) {
      const float c = (&p.x)[axis], h = (&o.half.x)[axis];
      if (std::fabs(c) >= h) return;
      if (h - std::fabs(c) < depth) {
        depth = h - std::fabs(c);
        n = {0.0f, 0.0f, 0.0f};
        (&n.x)[axis] = c > 0.0f ? 1.0f : -1.0f;
      }
    }
  }
  const float along = Dot(d, n);
  if (!(depth > 0.0f) || !(along < -depth)) return;
  const int32_t strength = FixedFromScaled(depth / -along * 65536.0f);
  if (strength <= probe.candidateStrength) return;
  const float s = depth / -along;
  probe.candidatePoint = {position.x - FixedFromMetres(d.x * s), position.y - FixedFromMetres(d.y * s),
                          position.z - FixedFromMetres(d.z * s)};
  probe.candidateNormal = n;
  probe.candidateSurface = reinterpret_cast<uintptr_t>(&o);
  probe.candidateBody = nullptr;
  probe.candidateObject = object;
  probe.candidateStrength = strength;
  probe.candidateKind = 3;
}
uint8_t Flags(const FixedOb* object) { return reinterpret_cast<const StandInObject*>(object)->flags; }
void FreeMesh(DrawMesh* mesh) { Hooks.freedMeshes.push_back(mesh); }

}  // namespace

RecordingHooks::RecordingHooks() {
  Reports = ReportRecord{};
  Hooks = HookRecord{};
  sink_ = InstallReportSink({RecordLine, nullptr, nullptr, nullptr, nullptr, RecordSound});
  RaceHooks race = OfflineRaceHooks();
  race.ReportsMovedObjects = ReportsMoved;
  race.ReportObjectMoved = Moved;
  race.WantsMovedObjectWarnings = WantsWarnings;
  race.RaisePlayerWarning = Warning;
  race.PlayerCount = Players;
  race.PlayerCar = PlayerCar;
  race.PlayerType = PlayerType;
  race.SendToHost = SendToHost;
  race_ = InstallRaceHooks(race);
  world_ = InstallWorldHooks(
      {Gravity, Wind, OneSquare, Trunks, AddToSquares, RemoveFromSquares, Activate, RayTest, Flags, FreeMesh,
       NoWorldHooks().PitSpeedLimit, NoWorldHooks().RayBox});
  Physics::Init();
}

RecordingHooks::~RecordingHooks() {
  Physics::Init();
  InstallReportSink(sink_);
  InstallRaceHooks(race_);
  InstallWorldHooks(world_);
}
