// car_damage_meshes_test.cpp - the damage on the drawn level meshes: every vertex moved by the
// falloff and its jitter computed here in double precision, subobject positions without
// jitter, fixed normals kept, the others computed again as the triangles give them, the
// application starting from the undamaged copies each time, and the repair restoring them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "render/gouraud_mesh.h"
#include "tests/vehicle/car_model_fixture.h"

namespace {

constexpr int GRID = 9;          // points along each side
constexpr double SPACING = 0.1;  // m

// A grid of GRID x GRID points on z = 0, centred on the origin, two triangles per square;
// point (i, j) is i + GRID j.
void FillGrid(GouraudO3d& mesh) {
  AllocateMeshArrays(mesh, GRID * GRID, 2 * (GRID - 1) * (GRID - 1), 1);
  mesh.parts[0].pointCount = GRID * GRID;
  mesh.parts[0].triangleCount = 2 * (GRID - 1) * (GRID - 1);
  for (int j = 0; j < GRID; ++j)
    for (int i = 0; i < GRID; ++i) {
      GouraudPoint& p = mesh.points[i + GRID * j];
      p.x = int32_t(std::lround((i - GRID / 2) * SPACING * 65536.0)) + 3 * i;  // a little uneven
      p.y = int32_t(std::lround((j - GRID / 2) * SPACING * 65536.0)) - 5 * j;
      p.z = 7 * (i + j);
      p.nz = 1.0f;
    }
  int t = 0;
  for (int j = 0; j + 1 < GRID; ++j)
    for (int i = 0; i + 1 < GRID; ++i) {
      const uint16_t a = uint16_t(i + GRID * j), b = uint16_t(a + 1), c = uint16_t(a + GRID + 1), d = uint16_t(a + GRID);
      mesh.triangles[t++] = GouraudTriangle{{a, c, b}, 0};  // clockwise seen from above: facing up
      mesh.triangles[t++] = GouraudTriangle{{a, d, c}, 0};
    }
}

// The jitter as the test computes it: in 64 bits, then the 15 bits kept.
int64_t Jitter(int32_t x, int32_t y, int32_t z) {
  return ((int64_t{x} + y + z) * 256 & 0x7F00) + 32768;
}

struct Dent {
  double c[3], d[3], R, depth;
  // The falloff times the depth at a position in metres; 0 outside.
  double Amount(double x, double y, double z) const {
    const double v[3] = {x - c[0], y - c[1], z - c[2]};
    const double q = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
    const double a = v[0] * d[0] + v[1] * d[1] + v[2] * d[2];
    const double L = 0.333 * R;
    if (!(a < L && q < R * R)) return 0;
    return depth * (a < 0 ? 1.0 : 1.0 - a / L) * (1.0 - q / (R * R));
  }
};

class DamagedMeshes : public CarModelTest {
 protected:
  void SetUp() override {
    CarModelTest::SetUp();
    car_.AllocModelObjects();
    FillGrid(*car_.levelMeshes[0]);
    FillGrid(*car_.levelMeshes[1]);
    GouraudO3d* sub = NewGouraud();
    sub->local.translation = IntVector{6554, -3277, 0};  // (0.1, -0.05, 0)
    AddChildMesh(*car_.levelMeshes[0], sub);
    // Physical points: the grid's centre and a corner.
    car_.AllocateHull(2, 0);
    car_.points[0].local = Vec3{0.0f, 0.0f, 0.0f};
    car_.points[1].local = Vec3{0.4f, 0.4f, 0.0f};
    car_.undamagedPoints = static_cast<Vec3*>(std::malloc(2 * sizeof(Vec3)));
    car_.undamagedPoints[0] = car_.points[0].local;
    car_.undamagedPoints[1] = car_.points[1].local;
    car_.undamagedPointCount = 2;
    car_.damageSize = 0.6f;  // R = 0.3 m
    car_.SaveUndamagedMeshes();
  }
  // Every vertex of a level as (x, y, z, nx, ny, nz).
  std::vector<double> Snapshot(int level) const {
    std::vector<double> out;
    const GouraudO3d& m = *car_.levelMeshes[level];
    for (int i = 0; i < m.pointCount; ++i) {
      const GouraudPoint& p = m.points[i];
      out.insert(out.end(), {double(p.x), double(p.y), double(p.z), p.nx, p.ny, p.nz});
    }
    return out;
  }
  Car car_;
};

TEST_F(DamagedMeshes, EachVertexMovesByTheFalloffTimesItsJitterAndSubobjectsWithoutIt) {
  const std::vector<double> before = Snapshot(0);
  car_.AddDamageNode(DamageNode{0, 200, PackDamageDirection(0, 0, -1)});
  ApplyDamageNodesGraphical(car_);
  EXPECT_EQ(car_.graphicalDamageVersion, car_.physicalDamageVersion);
  const Dent dent{{0, 0, 0}, {0, 0, -1}, 0.3, 200 * 0.3 / 255};
  const GouraudO3d& mesh = *car_.levelMeshes[0];
  int moved = 0;
  for (int i = 0; i < mesh.pointCount; ++i) {
    const double x = before[6 * i], y = before[6 * i + 1], z = before[6 * i + 2];
    const double amount = dent.Amount(x / 65536, y / 65536, z / 65536);
    const int64_t want = int64_t(z) + std::llround(-1.0 * (amount * double(Jitter(int32_t(x), int32_t(y), int32_t(z)))));
    EXPECT_EQ(mesh.points[i].z, want) << i;
    EXPECT_EQ(mesh.points[i].x, int32_t(x)) << i;
    moved += amount > 0;
    EXPECT_EQ((mesh.points[i].flags & GOURAUD_POINT_RECOMPUTE_NORMAL), 0) << "the waiting flag is cleared";
  }
  EXPECT_GT(moved, 20);
  EXPECT_LT(moved, GRID * GRID) << "the corners lie beyond R";
  const int centre = GRID / 2 + GRID * (GRID / 2);
  // The subobject at (0.1, -0.05, 0): round(d m g (1 - q / R^2) x 65536).
  const IntVector at = mesh.children[0]->local.translation;
  EXPECT_EQ(at.z, std::llround(-dent.Amount(6554 / 65536.0, -3277 / 65536.0, 0) * 65536));
  EXPECT_EQ(at.x, 6554);
  EXPECT_EQ(car_.levelMeshes[1]->points[centre].z, mesh.points[centre].z) << "every level takes the dent";
}

TEST_F(DamagedMeshes, TheJitterIsHalfToNearlyAllOfTheDentInUnsignedArithmetic) {
  EXPECT_EQ(DamageJitter(0, 0, 0), 32768u);
  EXPECT_EQ(DamageJitter(0x7F, 0, 0), 32768u + 0x7F00u);
  EXPECT_EQ(DamageJitter(0x80, 0, 0), 32768u);
  for (int32_t x : {-70000, -1, 5, 65536, 123456789, 2000000000})
    for (int32_t y : {-3, 0, 99999})
      EXPECT_EQ(int64_t(DamageJitter(x, y, 17)), Jitter(x, y, 17)) << x << " " << y;
  // The sum overflows a signed word: the unsigned sum wraps to the same low bits.
  EXPECT_EQ(int64_t(DamageJitter(0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF)), Jitter(0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF));
  EXPECT_EQ(int64_t(DamageJitter(INT32_MIN, INT32_MIN, -1)), Jitter(INT32_MIN, INT32_MIN, -1));
}

TEST_F(DamagedMeshes, FixedNormalsStayAndTheOthersAreComputedFromTheirTriangles) {
  GouraudO3d& mesh = *car_.levelMeshes[0];
  const int fixed = GRID / 2 + 1 + GRID * (GRID / 2);
  const int32_t fixedZ = mesh.points[fixed].z;
  mesh.points[fixed].flags |= GOURAUD_POINT_FIXED_NORMAL;
  mesh.points[fixed].nx = 0.6f;
  mesh.points[fixed].nz = 0.8f;
  car_.SaveUndamagedMeshes();  // copies exist: kept as they were
  car_.AddDamageNode(DamageNode{0, 255, PackDamageDirection(0, 0, -1)});
  ApplyDamageNodesGraphical(car_);
  EXPECT_EQ(mesh.points[fixed].nx, 0.6f) << "flag 4: the normal is fixed";
  EXPECT_EQ(mesh.points[fixed].nz, 0.8f);
  EXPECT_LT(mesh.points[fixed].z, fixedZ) << "though the point moved";

  // The normals the test computes: -sum of (P1 - P0) x (P2 - P1) over the triangles of each
  // moved vertex whose two edges at it are not vanishing, normalised.
  const Dent dent{{0, 0, 0}, {0, 0, -1}, 0.3, 0.3};
  std::vector<bool> waiting(size_t(mesh.pointCount));
  const std::vector<UndamagedVertex> kept(car_.undamagedMeshes[0].vertices,
                                          car_.undamagedMeshes[0].vertices + mesh.pointCount);
  for (int i = 0; i < mesh.pointCount; ++i)
    waiting[size_t(i)] = i != fixed && dent.Amount(kept[size_t(i)].position[0] / 65536.0,
                                                   kept[size_t(i)].position[1] / 65536.0,
                                                   kept[size_t(i)].position[2] / 65536.0) > 0;
  std::vector<double> sums(3 * size_t(mesh.pointCount), 0.0);
  for (int t = 0; t < mesh.triangleCount; ++t) {
    const uint16_t* k = mesh.triangles[t].index;
    double p[3][3];
    for (int c = 0; c < 3; ++c) {
      p[c][0] = mesh.points[k[c]].x / 65536.0;
      p[c][1] = mesh.points[k[c]].y / 65536.0;
      p[c][2] = mesh.points[k[c]].z / 65536.0;
    }
    const double e0[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
    const double e1[3] = {p[2][0] - p[1][0], p[2][1] - p[1][1], p[2][2] - p[1][2]};
    const double n[3] = {e0[1] * e1[2] - e0[2] * e1[1], e0[2] * e1[0] - e0[0] * e1[2], e0[0] * e1[1] - e0[1] * e1[0]};
    for (int c = 0; c < 3; ++c)
      if (waiting[k[c]])
        for (int a = 0; a < 3; ++a) sums[3 * k[c] + a] -= n[a];
  }
  int checked = 0;
  for (int i = 0; i < mesh.pointCount; ++i) {
    if (!waiting[size_t(i)]) continue;
    const double* s = &sums[3 * size_t(i)];
    const double length = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    EXPECT_NEAR(mesh.points[i].nx, s[0] / length, 1e-5) << i;
    EXPECT_NEAR(mesh.points[i].ny, s[1] / length, 1e-5) << i;
    EXPECT_NEAR(mesh.points[i].nz, s[2] / length, 1e-5) << i;
    ++checked;
  }
  EXPECT_GT(checked, 20);
  EXPECT_LT(mesh.points[GRID / 2 + GRID * (GRID / 2 + 2)].ny, -0.1f) << "the dent's wall leans towards its middle";
}

TEST_F(DamagedMeshes, EachApplicationStartsFromTheUndamagedCopiesAndTheRepairRestoresThem) {
  const std::vector<double> undamaged = Snapshot(0);
  car_.AddDamageNode(DamageNode{0, 180, PackDamageDirection(0, 0, -1)});
  car_.AddDamageNode(DamageNode{1, 255, PackDamageDirection(-0.6f, -0.8f, 0)});
  car_.ApplyPendingModelChanges();  // the next drawn frame takes the new damage
  EXPECT_EQ(car_.graphicalDamageVersion, 2u);
  const std::vector<double> once = Snapshot(0);
  EXPECT_NE(once, undamaged);
  car_.ApplyPendingModelChanges();
  EXPECT_EQ(Snapshot(0), once) << "no new damage: nothing";
  car_.RestoreUndamagedMeshes();
  ApplyDamageNodesGraphical(car_);
  EXPECT_EQ(Snapshot(0), once) << "applied again from the copies: the same";

  car_.AddDamageNode(DamageNode{1, 10, PackDamageDirection(0, 0, 1)});
  car_.ApplyPendingModelChanges();
  EXPECT_EQ(car_.graphicalDamageVersion, 3u);
  RemoveCarDamage(car_);
  EXPECT_NE(Snapshot(0), undamaged) << "the meshes wait for the next frame";
  car_.ApplyPendingModelChanges();
  EXPECT_EQ(car_.graphicalDamageVersion, 0u);
  EXPECT_EQ(Snapshot(0), undamaged) << "the repair's next frame restores the meshes";
  EXPECT_EQ(car_.levelMeshes[0]->children[0]->local.translation.x, 6554);
}

// The repair puts back each vertex's own normal, component by component.
TEST_F(DamagedMeshes, TheRepairPutsBackEachNormalsThreeComponents) {
  GouraudO3d& mesh = *car_.levelMeshes[0];
  FreeUndamagedMeshes(car_);
  for (int i = 0; i < mesh.pointCount; ++i) {
    mesh.points[i].nx = 0.48f;
    mesh.points[i].ny = 0.6f;
    mesh.points[i].nz = 0.64f;
  }
  car_.SaveUndamagedMeshes();
  for (int i = 0; i < mesh.pointCount; ++i) mesh.points[i].nx = mesh.points[i].ny = mesh.points[i].nz = -1.0f;
  car_.RestoreUndamagedMeshes();
  ASSERT_GT(mesh.pointCount, 0);
  for (int i = 0; i < mesh.pointCount; ++i) {
    EXPECT_EQ(mesh.points[i].nx, 0.48f) << i;
    EXPECT_EQ(mesh.points[i].ny, 0.6f) << i;
    EXPECT_EQ(mesh.points[i].nz, 0.64f) << i;
  }
}

TEST_F(DamagedMeshes, WithoutPhysicalPointsNoNodeIsAppliedAndOnlyAWaitingNodeIsReported) {
  const std::vector<double> undamaged = Snapshot(0);
  car_.FreeContacts();
  ApplyDamageNodesGraphical(car_);  // no node waits: nothing is missing
  EXPECT_EQ(Lines("ERROR: IPoints==NULL in ApplyDamageNodesGraphical"), 0);
  car_.AddDamageNode(DamageNode{0, 255, PackDamageDirection(0, 0, -1)});
  ApplyDamageNodesGraphical(car_);
  EXPECT_EQ(Snapshot(0), undamaged);
  EXPECT_EQ(car_.graphicalDamageVersion, 1u);
  EXPECT_EQ(Lines("ERROR: IPoints==NULL in ApplyDamageNodesGraphical"), 1);
}

TEST_F(DamagedMeshes, ACopyOfAnotherBuildIsNotPutBack) {
  car_.AddDamageNode(DamageNode{0, 255, PackDamageDirection(0, 0, -1)});
  ApplyDamageNodesGraphical(car_);
  GouraudO3d& mesh = *car_.levelMeshes[0];
  AllocateMeshArrays(mesh, 3, 1, 1);  // rebuilt smaller without its copies made again
  mesh.points[2].z = 99;
  car_.RestoreUndamagedMeshes();
  EXPECT_EQ(mesh.points[2].z, 99);
}

}  // namespace
