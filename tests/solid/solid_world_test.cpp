// solid_world_test.cpp - a body against what the world gives it through the hooks: world
// objects' ray tests for the points three flags select, ground impacts of a local car, tree
// trunks, and the collision mesh an owner attaches.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "solid/physics_registry.h"
#include "tests/solid/solid_test_util.h"

namespace {

class SolidWorld : public ::testing::Test {
 protected:
  RecordingHooks hooks;
};

struct LocalCar : Solid {
  int IsLocalCar() const override { return 1; }
};

TEST_F(SolidWorld, AnObjectIsAskedOnlyForThePointsItsFlagsSelect) {
  StandInObject ramp;
  ramp.origin = FixedFromMetres(Vec3{0.0f, 0.0f, 0.6f});
  ramp.normal = {0.0f, -0.2425356f, 0.9701425f};  // a tilted plane
  Solid box;
  // Centre of mass raised: the upper points are those above it.
  MakeBox(box, {0.5f, 0.5f, 0.5f}, 4.0f, {0.0f, 0.0f, 0.9f});
  box.centreOfMass.z = 0.1f;
  box.Integrate(STEP, 0);
  auto asked = [&](int upper, int positiveY, int other) {
    Hooks.rayCalls.clear();
    for (int i = 0; i < 8; ++i) box.points[i].probe.ClearCandidate();
    box.CollideWithObject(ramp.Object(), upper, positiveY, other);
    int mask = 0;
    for (const HookRecord::RayCall& call : Hooks.rayCalls) {
      EXPECT_EQ(call.object, ramp.Object());
      EXPECT_EQ(call.first | call.second | call.third, 0);
      EXPECT_EQ(call.mode, RAY_TEST_MODE_CONTACT);
      for (int i = 0; i < 8; ++i)
        if (call.position.x == box.points[i].probe.world.x && call.position.y == box.points[i].probe.world.y &&
            call.position.z == box.points[i].probe.world.z && call.fromCentre.z == box.points[i].probe.fromCentre.z)
          mask |= 1 << i;
    }
    EXPECT_EQ(static_cast<int>(Hooks.rayCalls.size()), __builtin_popcount(mask));
    return mask;
  };
  // Points: bit 0 x, bit 1 y, bit 2 z.
  EXPECT_EQ(asked(1, 0, 0), 0xF0);
  EXPECT_EQ(asked(0, 1, 0), 0x0C);
  EXPECT_EQ(asked(0, 0, 1), 0x03);
  EXPECT_EQ(asked(1, 1, 1), 0xFF);
  // The plane cuts the lower points with y below 0 only; only they hold candidates.
  asked(0, 0, 1);
  for (int i = 0; i < 8; ++i) {
    const ContactProbe& p = box.points[i].probe;
    EXPECT_EQ(p.candidateObject != nullptr, i < 2) << i;
    if (i < 2) {
      EXPECT_EQ(p.candidateKind, 3);
      EXPECT_EQ(p.candidateSurface, reinterpret_cast<uintptr_t>(&ramp));
    }
  }
  // Points level with the centre of mass are no upper points, and a point at y = 0 has no
  // positive y: the top four (z = 0.5) and point 7 (moved to y = 0) go to the other flag.
  box.centreOfMass.z = 0.5f;
  box.points[7].local.y = 0.0f;
  EXPECT_EQ(asked(1, 0, 0), 0x00);
  EXPECT_EQ(asked(0, 1, 0), 0x4C);
  EXPECT_EQ(asked(0, 0, 1), 0xB3);
}

TEST_F(SolidWorld, ALocalCarRecordsImpactsOnlyOnFlaggedObjects) {
  StandInObject block;
  block.kind = 1;
  block.origin = FixedFromMetres(Vec3{1.0f, 0.0f, 0.0f});
  block.half = {0.5f, 2.0f, 2.0f};
  LocalCar car;
  Solid plain;
  for (Solid* body : {static_cast<Solid*>(&car), &plain}) {
    MakeBox(*body, {0.5f, 0.5f, 0.5f}, 4.0f, {0.02f, 0.0f, 0.0f});  // 2 cm into the block
    body->velocity = {2.0f, 0.0f, 0.0f};
  }
  auto strike = [&](Solid& body, uint8_t flags) {
    block.flags = flags;
    ImpactGroundCount = 0;
    body.Integrate(STEP, 0);
    body.CollideWithObject(block.Object(), 1, 1, 1);
    body.CheckGround();
    return ImpactGroundCount;
  };
  EXPECT_EQ(strike(car, OBJECT_FLAG_RECORDS_IMPACTS), 1);
  EXPECT_EQ(ImpactGrounds[0].body, &car);
  EXPECT_EQ(ImpactGrounds[0].object, block.Object());
  EXPECT_EQ(ImpactGrounds[0].strength, 20);
  EXPECT_EQ(strike(car, 0), 0);
  EXPECT_EQ(strike(plain, OBJECT_FLAG_RECORDS_IMPACTS), 0);
  // The object's contact pushes back.
  for (int n = 0; n < 200; ++n) {
    car.Integrate(STEP, 0);
    car.CollideWithObject(block.Object(), 1, 1, 1);
    car.CheckGround();
    car.Update(STEP, 0.0f);
  }
  EXPECT_LT(car.velocity.x, 0.0f);
}

// A trunk of radius r (m) at x, y (m) reaching from z0 to z1 (m).
TrunkRecord Trunk(float radius, float x, float y, float z0 = -2.0f, float z1 = 2.0f) {
  return {static_cast<uint8_t>(std::lrint(radius * 100.0f)), FixedFromMetres(x), FixedFromMetres(y),
          FixedFromMetres(z0), FixedFromMetres(z1)};
}

TEST_F(SolidWorld, ABoxSlidingIntoATrunkIsPushedOff) {
  Hooks.trunks = {Trunk(0.2f, 1.2f, 0.1f)};
  Solid box;
  MakeBox(box, {0.5f, 0.5f, 0.5f}, 10.0f, {0.0f, 0.0f, 0.0f}, 50000.0f, 1.0f, 200.0f);
  box.velocity = {1.0f, 0.0f, 0.0f};
  float closest = 10.0f;
  for (int n = 0; n < 1500; ++n) {
    StepAlone(box, 0.0f, 1);
    closest = std::min(closest, 1.2f - 0.2f - (OriginMetres(box).x + 0.5f));
  }
  EXPECT_LT(box.velocity.x, -0.1f) << "it came back";
  EXPECT_GT(closest, -0.2f) << "it never went through";
  EXPECT_LT(closest, 0.0f) << "it touched";
  EXPECT_GT(std::fabs(AngularVelocity(box).z), 1e-3f) << "struck off its centre line, it turned";

  // A trunk whose top stands half a metre below the box's bottom is passed over untouched.
  Hooks.trunks = {Trunk(0.2f, 1.2f, 0.1f, -2.0f, -1.0f)};
  Solid over;
  MakeBox(over, {0.5f, 0.5f, 0.5f}, 10.0f, {0.0f, 0.0f, 0.0f}, 50000.0f, 1.0f, 200.0f);
  over.velocity = {1.0f, 0.0f, 0.0f};
  for (int n = 0; n < 1500; ++n) StepAlone(over, 0.0f, 1);
  EXPECT_GT(OriginMetres(over).x, 1.0f) << "it went on over the trunk";
  EXPECT_GT(over.velocity.x, 0.5f) << "still going forward";
  Hooks.trunks = {Trunk(0.2f, 1.2f, 0.1f)};

  // Without collideTrees the trunk is not there.
  Solid ghost;
  MakeBox(ghost, {0.5f, 0.5f, 0.5f}, 10.0f, {0.0f, 0.0f, 0.0f});
  ghost.velocity = {1.0f, 0.0f, 0.0f};
  for (int n = 0; n < 1500; ++n) StepAlone(ghost, 0.0f, 0);
  EXPECT_GT(OriginMetres(ghost).x, 1.0f);
  EXPECT_TRUE(Reports.lines.empty());
}

// A trunk ending inside the box below its centre of mass is aimed at from its top: the probe
// from (0.2, 0.1, -0.3) m a trunk radius (0.1 m) towards the centre lies at z -0.2198, 0.2802 m
// above the bottom face, 0.2802 / 0.8018 = 0.3494 m along its line; that depth times the
// stiffness and the step, 0.3494 * 20000 * 0.001 / 10 kg, kicks the box up by 0.699 m/s.
TEST_F(SolidWorld, ATrunkEndingBelowTheCentreOfMassPushesUpFromItsTop) {
  Solid box;
  MakeBox(box, {0.5f, 0.5f, 0.5f}, 10.0f, {0.0f, 0.0f, 0.0f});
  box.Integrate(STEP, 1);  // the box, from here on
  Hooks.trunks = {Trunk(0.1f, 0.2f, 0.1f, -2.0f, -0.3f)};
  box.Integrate(STEP, 1);
  EXPECT_NEAR(box.velocity.z, 0.699f, 0.01f);
  EXPECT_NEAR(box.velocity.x, 0.0f, 1e-6f);
  EXPECT_NEAR(box.velocity.y, 0.0f, 1e-6f);
  EXPECT_TRUE(Reports.lines.empty());
}

// The square under the box is column 3, row 1: its trunks are asked for by column, then row.
TEST_F(SolidWorld, TheTrunksAreThoseOfTheSquareAtTheColumnAndRowUnderTheBox) {
  Hooks.trunkColumn = 3;
  Hooks.trunkRow = 1;
  Hooks.trunks = {Trunk(0.2f, 1.2f, 0.1f)};
  Solid box;
  MakeBox(box, {0.5f, 0.5f, 0.5f}, 10.0f, {0.0f, 0.0f, 0.0f}, 50000.0f, 1.0f, 200.0f);
  box.velocity = {1.0f, 0.0f, 0.0f};
  for (int n = 0; n < 1500; ++n) StepAlone(box, 0.0f, 1);
  ASSERT_FALSE(Hooks.squaresAsked.empty());
  const std::set<std::pair<int, int>> asked(Hooks.squaresAsked.begin(), Hooks.squaresAsked.end());
  EXPECT_EQ(asked, (std::set<std::pair<int, int>>{{3, 1}}));
  EXPECT_LT(box.velocity.x, -0.1f) << "the trunk pushed it back";
  EXPECT_LT(OriginMetres(box).x, 1.0f);
}

TEST_F(SolidWorld, ATrunkThroughTheCentreOfMassAndTheSixtyFifthTrunkGiveNothing) {
  Solid box;
  MakeBox(box, {0.5f, 0.5f, 0.5f}, 10.0f, {0.0f, 0.0f, 0.0f});
  box.velocity = {0.5f, 0.0f, 0.0f};
  box.Integrate(STEP, 1);  // the box, from here on
  // 64 distinct trunks through the centre of mass (different heights), then one that would push.
  for (int i = 0; i < 64; ++i) Hooks.trunks.push_back(Trunk(0.1f, 0.0f, 0.0f, -1.0f - 0.01f * i, 1.0f));
  Hooks.trunks.push_back(Trunk(0.1f, 0.0f, 0.0f, -1.0f, 1.0f));  // the same as the first: counted once
  Hooks.trunks.push_back(Trunk(0.3f, 0.6f, 0.1f));
  const Vec3 v = box.velocity, L = box.angularMomentum;
  for (int n = 0; n < 3; ++n) box.Integrate(STEP, 1);
  EXPECT_EQ(box.velocity.x, v.x);
  EXPECT_EQ(box.angularMomentum.z, L.z);
  EXPECT_EQ(Reports.Count("Too many trunks in vicinity"), 1) << "once while it lasts";
  EXPECT_EQ(Reports.colours[0], REPORT_ERROR);

  // With room, the last one pushes.
  Hooks.trunks.erase(Hooks.trunks.begin() + 10);
  box.Integrate(STEP, 1);
  EXPECT_LT(box.velocity.x, v.x);
  Hooks.trunks.push_back(Trunk(0.1f, 0.0f, 0.0f, -1.9f, 1.0f));
  Hooks.trunks.push_back(Trunk(0.1f, 0.0f, 0.0f, -1.95f, 1.0f));
  box.Integrate(STEP, 1);
  EXPECT_EQ(Reports.Count("Too many trunks in vicinity"), 2) << "again once it had cleared";
}

// Near trunks are counted before any of them pushes: beside 64 through the centre of mass, a
// 65th that counts as near raises "Too many trunks".  The box is +-0.5 m (32768) about its
// centre; a 10 cm trunk reaches 10 x 655 = 6550 from its axis.  One just touching the box on
// any side is near; one unit farther is not.  The box stands once at the origin and once at
// (1, 2, 3) m, where each side of the box lies at its own distance, so a side weighed against
// another axis's side shows.
TEST_F(SolidWorld, ATrunkJustTouchingTheBoxOnAnySideIsNearOneUnitFartherIsNot) {
  int reported = 0;
  for (const Vec3 at : {Vec3{0.0f, 0.0f, 0.0f}, Vec3{1.0f, 2.0f, 3.0f}}) {
    Solid box;
    MakeBox(box, {0.5f, 0.5f, 0.5f}, 10.0f, at);
    box.Integrate(STEP, 1);  // the box, from here on
    const int32_t cx = 65536 * int32_t(at.x), cy = 65536 * int32_t(at.y), cz = 65536 * int32_t(at.z);
    // The squares asked for are those under the box (as the step before left it) in x and y:
    // its centre +- 0.5 m (32768).
    box.Integrate(STEP, 1);
    ASSERT_FALSE(Hooks.rangesAsked.empty());
    EXPECT_EQ(Hooks.rangesAsked.back(), (std::vector<int32_t>{cx - 32768, cx + 32768, cy - 32768, cy + 32768}));
    std::vector<TrunkRecord> centre;
    for (int i = 0; i < 64; ++i) centre.push_back(Trunk(0.1f, at.x, at.y, at.z - 1.0f - 0.01f * i, at.z + 1.0f));
    constexpr int32_t edge = 32768 + 10 * TRUNK_RADIUS_UNIT, low = -65536, high = 65536;
    const TrunkRecord touching[6] = {{10, cx - edge, cy, cz + low, cz + high},
                                     {10, cx + edge, cy, cz + low, cz + high},
                                     {10, cx, cy - edge, cz + low, cz + high},
                                     {10, cx, cy + edge, cz + low, cz + high},
                                     {10, cx, cy, cz + 2 * low, cz - edge},
                                     {10, cx, cy, cz + edge, cz + 2 * high}};
    const int away[6][3] = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};
    for (int side = 0; side < 6; ++side) {
      TrunkRecord farther = touching[side];
      farther.x += away[side][0];
      farther.y += away[side][1];
      farther.lowestZ += away[side][2];
      farther.highestZ += away[side][2];
      Hooks.trunks = centre;
      Hooks.trunks.push_back(farther);
      box.Integrate(STEP, 1);
      EXPECT_EQ(Reports.Count("Too many trunks in vicinity"), reported)
          << "side " << side << ", one unit farther, box at z " << at.z;
      Hooks.trunks.back() = touching[side];
      box.Integrate(STEP, 1);
      EXPECT_EQ(Reports.Count("Too many trunks in vicinity"), ++reported)
          << "side " << side << ", touching, box at z " << at.z;
      Hooks.trunks = centre;  // room again: the warning clears
      box.Integrate(STEP, 1);
    }
    EXPECT_EQ(box.velocity.x, 0.0f) << "none of them pushed";
  }
}

TEST_F(SolidWorld, TheOwnersCollisionMeshIsReleasedWithTheBodyOrWhenAnotherIsMovedOntoIt) {
  DrawMesh* mesh = reinterpret_cast<DrawMesh*>(&Hooks);
  {
    Solid body;
    MakeBox(body, {0.5f, 0.5f, 0.5f}, 1.0f, {0.0f, 0.0f, 0.0f});
    body.collisionMesh.mesh = mesh;
    Solid moved = std::move(body);
    EXPECT_TRUE(Hooks.freedMeshes.empty());
    EXPECT_EQ(moved.pointCount, 8);
    EXPECT_EQ(body.collisionMesh.mesh, nullptr);
  }
  ASSERT_EQ(Hooks.freedMeshes.size(), 1u);
  EXPECT_EQ(Hooks.freedMeshes[0], mesh);
  Solid again;
  again.collisionMesh.mesh = mesh;
  again.FreeContacts();
  EXPECT_EQ(Hooks.freedMeshes.size(), 2u);
  EXPECT_EQ(again.points, nullptr);

  // A body moved onto one that holds a mesh of its own: the held mesh is let go at once, the
  // moved one with the body that took it.
  Hooks.freedMeshes.clear();
  char first = 0, second = 0;
  DrawMesh* held = reinterpret_cast<DrawMesh*>(&first);
  DrawMesh* taken = reinterpret_cast<DrawMesh*>(&second);
  {
    Solid a, b;
    a.collisionMesh.mesh = held;
    b.collisionMesh.mesh = taken;
    a = std::move(b);
    EXPECT_EQ(Hooks.freedMeshes, std::vector<DrawMesh*>{held});
    EXPECT_EQ(a.collisionMesh.mesh, taken);
    EXPECT_EQ(b.collisionMesh.mesh, nullptr);
  }
  EXPECT_EQ(Hooks.freedMeshes, (std::vector<DrawMesh*>{held, taken})) << "each mesh freed once";
}

TEST(SolidHooks, WithoutAWorldOrRaceTheOfflineAnswersHold) {
  EXPECT_EQ(WorldLink.Gravity(), -9.81f);
  EXPECT_EQ(WorldLink.Wind().x, 0.0f);
  int c0 = 0, c1 = 0, r0 = 0, r1 = 0;
  EXPECT_EQ(WorldLink.MapSquareRange(0, 1, 0, 1, c0, c1, r0, r1), 0);
  EXPECT_EQ(RaceLink.PlayerCount(), 0);
  EXPECT_EQ(RaceLink.PlayerType(0), -1);
  EXPECT_EQ(RaceLink.ReportsMovedObjects(), 0);
  const uint8_t packet[8] = {2, 48};
  RaceLink.SendToHost(packet, 8);  // nothing to send it to
  // The other offline answers: no trunks (the list cleared), no flags, the editor's pit limit
  // of 80, no ray box; no warnings wanted, no cars or ids, the start delay over, no race flags.
  const TrunkRecord stale{};
  const TrunkRecord* trunks = &stale;
  EXPECT_EQ(WorldLink.SquareTrunks(0, 0, trunks), 0);
  EXPECT_EQ(trunks, nullptr);
  EXPECT_EQ(WorldLink.ObjectFlags(nullptr), 0);
  EXPECT_EQ(WorldLink.PitSpeedLimit(), 80);
  EXPECT_EQ(WorldLink.RayBox(nullptr), nullptr);
  EXPECT_EQ(WorldLink.Wind().y, 0.0f);
  EXPECT_EQ(WorldLink.Wind().z, 0.0f);
  EXPECT_EQ(RaceLink.WantsMovedObjectWarnings(), 0);
  EXPECT_EQ(RaceLink.PlayerCar(0), nullptr);
  EXPECT_EQ(RaceLink.PlayerId(0), 0);
  EXPECT_EQ(RaceLink.NetStartDelayOver(), 1);
  EXPECT_EQ(RaceLink.RaceFlags(), 0u);
  // A body with collideTrees and no world steps as without.
  Solid box;
  MakeBox(box, {0.5f, 0.5f, 0.5f}, 4.0f, {0.0f, 0.0f, 2.0f});
  for (int n = 0; n < 10; ++n) StepAlone(box, WorldLink.Gravity(), 1);
  EXPECT_LT(box.velocity.z, 0.0f);
}

}  // namespace
