// car_damage_test.cpp - the car's damage nodes on its physical side: the packed directions,
// the list of sixteen with its shallowest node giving way, the dent of a node on the wheel
// mountings and its own point against the falloff computed here, and the repair.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "core/frame_globals.h"
#include "physics/car.h"
#include "tests/physics/car_test_util.h"

namespace {

// What a component becomes: its 16-bit value round(c x 30720) with the low eleven bits cut.
double Quantised(double c) {
  const int32_t whole = int32_t(std::lround(c * 30720.0));
  return double(int16_t(uint16_t(whole) & 0xF800)) / 30720.0;
}

DamageNode Node(int point, int depth, float x, float y, float z) {
  return DamageNode{uint8_t(point), uint8_t(depth), PackDamageDirection(x, y, z)};
}

// The displacement along the direction of a position p under a node: centre c, unit d,
// radius R, depth byte b.
double Falloff(const Vec3& p, const Vec3& c, const Vec3& d, double R, int b) {
  const double v[3] = {double(p.x) - c.x, double(p.y) - c.y, double(p.z) - c.z};
  const double q = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
  const double a = v[0] * d.x + v[1] * d.y + v[2] * d.z;
  const double L = 0.333 * R;
  if (!(a < L && q < R * R)) return 0.0;
  const double g = a < 0 ? 1.0 : 1.0 - a / L;
  return b * R / 255.0 * g * (1.0 - q / (R * R));
}

// A car of six points along x (0, 0.1, .. 0.5 m, at y = 1) with their undamaged copy, four
// wheels and a damage size of 2 m (R = 1 m).
void MakeDamageCar(Car& car) {
  car.AllocateHull(6, 0);
  car.undamagedPoints = static_cast<Vec3*>(std::malloc(sizeof(Vec3) * 6));
  car.undamagedPointCount = 6;
  for (int i = 0; i < 6; ++i) car.undamagedPoints[i] = car.points[i].local = Vec3{0.1f * float(i), 1.0f, 0.0f};
  car.wheelCount = 4;
  const Vec3 mounts[4] = {{0.0f, 1.0f, 0.0f}, {0.3f, 1.2f, -0.1f}, {-0.8f, 1.0f, 0.0f}, {0.7f, -1.4f, 0.2f}};
  for (int i = 0; i < 4; ++i) car.wheels[i].restMount = car.wheels[i].mount = mounts[i];
  car.damageSize = 2.0f;
}

TEST(DamageDirection, PacksFiveBitsOfEachComponentAndUnpacksThem) {
  EXPECT_EQ(PackDamageDirection(1, 0, 0), 0x7800);
  EXPECT_EQ(PackDamageDirection(0, 1, 0), 0x03C0);
  EXPECT_EQ(PackDamageDirection(0, 0, -1), 0x0022);
  EXPECT_EQ(PackDamageDirection(0.6f, -0.8f, 0.0f) & 1, 0) << "bit 0 stays clear";
  const Vec3 exact = UnpackDamageDirection(PackDamageDirection(0.6f, -0.8f, 0.0f));
  EXPECT_EQ(exact.x, 0.6f);
  EXPECT_EQ(exact.y, -0.8f);
  EXPECT_EQ(exact.z, 0.0f);
  // Every component keeps its top five bits, whichever slot it is packed in.
  for (int k = -20; k <= 20; ++k) {
    const float c = float(k) / 20.0f;
    const Vec3 u = UnpackDamageDirection(PackDamageDirection(c, -c, c * 0.5f));
    EXPECT_FLOAT_EQ(u.x, float(Quantised(c))) << c;
    EXPECT_FLOAT_EQ(u.y, float(Quantised(-c))) << c;
    EXPECT_FLOAT_EQ(u.z, float(Quantised(c * 0.5f))) << c;
  }
  // A component beyond a unit is held to 16 bits: 32767 keeps the top bits of 1, -32768 its own.
  EXPECT_EQ(PackDamageDirection(2, 0, 0), 0x7800);
  EXPECT_EQ(PackDamageDirection(-2, 0, 0), 0x8000);
  const Vec3 bad = UnpackDamageDirection(PackDamageDirection(NAN, INFINITY, -1));
  EXPECT_EQ(bad.x, 0.0f) << "a component that is not finite packs as 0";
  EXPECT_EQ(bad.y, 0.0f);
  EXPECT_EQ(bad.z, -1.0f);
}

TEST(DamageNodes, TheSeventeenthReplacesTheFirstShallowestOrIsRefused) {
  Car car;
  const int depths[16] = {90, 40, 70, 20, 80, 20, 60, 50, 30, 99, 45, 35, 25, 65, 75, 85};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(car.AddDamageNode(Node(i, depths[i], 1, 0, 0)), 1);
  EXPECT_EQ(car.damageNodeCount, 16);
  EXPECT_EQ(car.physicalDamageVersion, 16u);

  EXPECT_EQ(car.AddDamageNode(Node(40, 20, 1, 0, 0)), 0) << "no deeper than the shallowest";
  EXPECT_EQ(car.AddDamageNode(Node(41, 5, 1, 0, 0)), 0);
  EXPECT_EQ(car.physicalDamageVersion, 16u) << "a refused node changes nothing";
  EXPECT_EQ(car.damageNodes[3].point, 3);

  EXPECT_EQ(car.AddDamageNode(Node(42, 21, 0, 1, 0)), 1);
  EXPECT_EQ(car.damageNodeCount, 16);
  EXPECT_EQ(car.physicalDamageVersion, 17u);
  std::vector<int> order;
  for (int i = 0; i < 16; ++i) order.push_back(car.damageNodes[i].point);
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 42}))
      << "the first node of depth 20 went, the others kept their order, the new one is last";
  EXPECT_EQ(car.damageNodes[15].depth, 21);
  EXPECT_EQ(car.damageNodes[15].direction, PackDamageDirection(0, 1, 0));
  EXPECT_EQ(car.AddDamageNode(Node(43, 21, 0, 1, 0)), 1) << "the second node of depth 20 goes next";
  EXPECT_EQ(car.damageNodes[3].point, 4);
  EXPECT_EQ(car.damageNodes[4].point, 6);
}

TEST(DamageNodes, EachNodeMovesTheWheelMountingsByItsFalloffAndItsOwnPointByTheFullDepth) {
  Car car;
  MakeDamageCar(car);
  // Node 1 at point 1 (0.1, 1, 0) pushing towards -y; node 2 at point 5 (0.5, 1, 0) pushing
  // down, half depth.
  car.AddDamageNode(Node(1, 255, 0, -1, 0));
  car.AddDamageNode(Node(5, 128, 0, 0, -1));
  car.RestoreUndamagedPoints();
  ApplyDamageNodesPhysical(car);

  const double R = 1.0;
  std::vector<Vec3> mounts;
  for (int w = 0; w < 4; ++w) mounts.push_back(car.wheels[w].restMount);
  const Vec3 centres[2] = {{0.1f, 1.0f, 0.0f}, {0.5f, 1.0f, 0.0f}};
  const Vec3 directions[2] = {{0, -1, 0}, {0, 0, -1}};
  const int depths[2] = {255, 128};
  for (int n = 0; n < 2; ++n)
    for (Vec3& m : mounts) {
      const double amount = Falloff(m, centres[n], directions[n], R, depths[n]);
      m = Vec3{float(m.x + directions[n].x * amount), float(m.y + directions[n].y * amount),
               float(m.z + directions[n].z * amount)};
    }
  for (int w = 0; w < 4; ++w) {
    EXPECT_FLOAT_EQ(car.wheels[w].mount.x, mounts[w].x) << w;
    EXPECT_FLOAT_EQ(car.wheels[w].mount.y, mounts[w].y) << w;
    EXPECT_FLOAT_EQ(car.wheels[w].mount.z, mounts[w].z) << w;
  }
  EXPECT_LT(car.wheels[0].mount.y, 1.0f) << "the mounting beside the first dent moved";
  EXPECT_EQ(car.wheels[3].mount.y, -1.4f) << "the far mounting did not";

  EXPECT_FLOAT_EQ(car.points[1].local.y, 0.0f) << "its own point: the full depth, R";
  EXPECT_FLOAT_EQ(car.points[5].local.z, float(-128.0 / 255.0));
  EXPECT_EQ(car.points[2].local.y, 1.0f) << "the other points stay";

  // Applying again from the undamaged copies gives the same.
  const Vec3 once = car.points[1].local, mountOnce = car.wheels[0].mount;
  car.RestoreUndamagedPoints();
  ApplyDamageNodesPhysical(car);
  EXPECT_EQ(car.points[1].local.y, once.y);
  EXPECT_EQ(car.wheels[0].mount.y, mountOnce.y);

  RemoveCarDamage(car);
  EXPECT_EQ(car.damageNodeCount, 0);
  EXPECT_EQ(car.physicalDamageVersion, 0u);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(car.points[i].local.y, 1.0f) << "the repair puts point " << i << " back";
  for (int w = 0; w < 4; ++w) EXPECT_EQ(car.wheels[w].mount.y, car.wheels[w].restMount.y) << w;
}

TEST(DamageNodes, TheFalloffIsFullAtTheCentreAndOnThePlaneAndNoneAtTheLimitOrTheRadius) {
  Car car;
  MakeDamageCar(car);
  const DamageNode node = Node(0, 255, 1, 0, 0);  // centre (0, 1, 0), pushing towards +x
  DamageDent dent;
  ASSERT_TRUE(MakeDamageDent(car, node, dent));
  EXPECT_DOUBLE_EQ(dent.depth, 1.0);
  EXPECT_DOUBLE_EQ(dent.limit, 0.333);
  double amount = -1;
  ASSERT_TRUE(dent.Reaches(0, 1, 0, amount));
  EXPECT_DOUBLE_EQ(amount, 1.0) << "the centre: the full depth";
  ASSERT_TRUE(dent.Reaches(0, 1.5, 0, amount));
  EXPECT_DOUBLE_EQ(amount, 0.75) << "on the plane (a = 0): the along-factor is 1";
  ASSERT_TRUE(dent.Reaches(-0.5, 1, 0, amount));
  EXPECT_DOUBLE_EQ(amount, 0.75) << "behind the plane likewise";
  EXPECT_FALSE(dent.Reaches(0.333, 1, 0, amount)) << "a = L";
  ASSERT_TRUE(dent.Reaches(0.1665, 1, 0, amount));
  EXPECT_NEAR(amount, 0.5 * (1 - 0.1665 * 0.1665), 1e-9) << "half way to L";
  EXPECT_FALSE(dent.Reaches(0, 2, 0, amount)) << "at R";
  EXPECT_FALSE(dent.Reaches(0, 1, -1, amount));
  EXPECT_FALSE(dent.Reaches(NAN, 1, 0, amount)) << "a place that is not finite is never reached";
  EXPECT_FALSE(dent.Reaches(0, INFINITY, 0, amount));

  car.damageSize = 0;
  EXPECT_FALSE(MakeDamageDent(car, node, dent)) << "no size, no dent";
  car.damageSize = NAN;
  EXPECT_FALSE(MakeDamageDent(car, node, dent));
  car.damageSize = 2;
  EXPECT_FALSE(MakeDamageDent(car, Node(6, 255, 0, 1, 0), dent)) << "a point the car does not have";
  car.undamagedPoints[3].z = NAN;
  EXPECT_FALSE(MakeDamageDent(car, Node(3, 255, 0, 1, 0), dent)) << "a point whose place is not finite";
}

TEST(DamageNodes, NothingMovesWithoutPointsAndTheRepairOfABatchRunKeepsThePoints) {
  Car bare;
  bare.damageSize = 2;
  bare.AddDamageNode(Node(0, 255, 1, 0, 0));
  ApplyDamageNodesPhysical(bare);  // no points: nothing
  bare.RestoreUndamagedPoints();
  RemoveCarDamage(bare);
  EXPECT_EQ(bare.damageNodeCount, 0);

  Car car;
  MakeDamageCar(car);
  car.AddDamageNode(Node(2, 255, 0, 0, 1));
  car.AddDamageNode(Node(200, 255, 0, 0, 1));  // beyond the points: skipped
  ApplyDamageNodesPhysical(car);
  EXPECT_FLOAT_EQ(car.points[2].local.z, 1.0f);
  const int saved = RunMode;
  RunMode = RUN_MODE_VEHICLE_OUTPUT;
  RemoveCarDamage(car);
  RunMode = saved;
  EXPECT_EQ(car.damageNodeCount, 0);
  EXPECT_FLOAT_EQ(car.points[2].local.z, 1.0f) << "a batch run keeps no undamaged places to go back to";
  RemoveCarDamage(car);  // no nodes: nothing
}

// The repair puts back only the points the car has, when it keeps more undamaged places
// than points.
TEST(DamageNodes, TheRepairRestoresNoMorePointsThanTheCarHas) {
  Car car;
  MakeDamageCar(car);
  car.pointCount = 4;  // two of the six undamaged places have no point any more
  for (int i = 0; i < 6; ++i) car.points[i].local.z = 5.0f;
  car.RestoreUndamagedPoints();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(car.points[i].local.z, 0.0f) << i;
  for (int i = 4; i < 6; ++i) EXPECT_EQ(car.points[i].local.z, 5.0f) << i;
  for (int i = 0; i < 6; ++i) car.points[i].local.z = 5.0f;
  car.AddDamageNode(Node(2, 255, 0, 0, 1));
  RemoveCarDamage(car);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(car.points[i].local.z, 0.0f) << i;
  for (int i = 4; i < 6; ++i) EXPECT_EQ(car.points[i].local.z, 5.0f) << i;
  car.pointCount = 6;
}

TEST(DamageNodes, ADentsSizeIsTheWheelBase) {
  Car car;
  MakeSampleCar(0, car);
  float rearmost = 0, foremost = 0;
  for (int i = 0; i < car.wheelCount; ++i) {
    rearmost = std::min(rearmost, car.wheelPositions[i].y);
    foremost = std::max(foremost, car.wheelPositions[i].y);
  }
  EXPECT_GT(foremost - rearmost, 2.0f);
  EXPECT_EQ(car.damageSize, foremost - rearmost);
  Car bare;
  MakeBareCar(bare);
  bare.SetupFromVehicle(0);
  EXPECT_EQ(bare.damageSize, 1.0f) << "no wheels: 1 m";
}

}  // namespace
