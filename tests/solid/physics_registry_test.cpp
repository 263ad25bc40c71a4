// physics_registry_test.cpp - the registry of colliding bodies, whether a place is free, and
// the impact records.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "solid/physics_registry.h"
#include "tests/solid/solid_test_util.h"

namespace {

class Registry : public ::testing::Test {
 protected:
  RecordingHooks hooks;
};

struct CarBody : Solid {
  int GetType() const override { return 1; }
};

std::vector<std::unique_ptr<Solid>> Bodies(int count, bool cars) {
  std::vector<std::unique_ptr<Solid>> out;
  for (int i = 0; i < count; ++i) out.push_back(cars ? std::make_unique<CarBody>() : std::make_unique<Solid>());
  return out;
}

TEST_F(Registry, TakesEightyBodiesThenOnlyCarsUpToAHundredAndTwenty) {
  Physics& p = Physics::Get();
  EXPECT_EQ(p.warn, 1u);
  auto plain = Bodies(82, false);
  auto cars = Bodies(41, true);
  EXPECT_EQ(Physics::AddIfPossible(plain[0].get()), 1);
  EXPECT_EQ(Physics::AddIfPossible(plain[0].get()), 0) << "already registered";
  EXPECT_EQ(p.count, 1);
  for (int i = 1; i < 80; ++i) ASSERT_EQ(Physics::AddIfPossible(plain[i].get()), 1);
  EXPECT_EQ(Physics::AddIfPossible(plain[80].get()), 0);
  EXPECT_EQ(Reports.Count("Too many physics objects"), 1);
  EXPECT_EQ(Reports.colours[0], REPORT_ERROR);
  EXPECT_EQ(Reports.sounds, std::vector<int>{4});
  EXPECT_EQ(Physics::AddIfPossible(cars[0].get()), 1);
  EXPECT_EQ(p.count, 81);
  EXPECT_EQ(Physics::AddIfPossible(plain[81].get()), 0);
  EXPECT_EQ(Reports.lines.size(), 1u) << "once until the next Init";
  for (int i = 1; i < 40; ++i) ASSERT_EQ(Physics::AddIfPossible(cars[i].get()), 1);
  EXPECT_EQ(p.count, 120);
  EXPECT_EQ(Physics::AddIfPossible(cars[40].get()), 0) << "no body beyond 120";
  EXPECT_EQ(p.count, 120);

  Physics::Init();
  EXPECT_EQ(p.count, 0);
  for (int i = 0; i < 80; ++i) Physics::AddIfPossible(plain[i].get());
  Physics::AddIfPossible(plain[80].get());
  EXPECT_EQ(Reports.Count("Too many physics objects"), 2) << "shown again after Init";
}

TEST_F(Registry, RemovingKeepsTheOrderOfTheRest) {
  auto bodies = Bodies(4, false);
  for (int i = 0; i < 3; ++i) Physics::AddIfPossible(bodies[i].get());
  Physics::RemoveSolid(bodies[3].get());
  EXPECT_EQ(Physics::Get().count, 3);
  Physics::RemoveSolid(bodies[0].get());
  ASSERT_EQ(Physics::Get().count, 2);
  EXPECT_EQ(Physics::Get().bodies[0], bodies[1].get());
  EXPECT_EQ(Physics::Get().bodies[1], bodies[2].get());
}

// The program calls Init only when a world's objects are cleared, so until then it works with
// the registry and impact lists as the process starts them.  Checked in a process of its own
// (the threadsafe style runs the test again from the start), with no Init at all: the exit
// code packs 1 for an impact pair already listed, 2 for a ground impact already listed, 4 for
// a registry not empty or not ready to warn, 8 when a body destroyed and then one blow of
// 1 m/s do not leave exactly that blow (strength 10) as the only pair.
int StateBeforeAnyInit() {
  int wrong = 0;
  if (ImpactPairCount != 0) wrong |= 1;
  if (ImpactGroundCount != 0) wrong |= 2;
  if (Physics::Get().count != 0 || Physics::Get().warn != 1) wrong |= 4;
  { Solid gone; }
  Solid a, b;
  b.velocity = {0.0f, 0.0f, 1.0f};
  AddImpactPair(&a, &b, {0.0f, 0.0f, 1.0f});
  const bool onlyThatBlow = ImpactPairCount == 1 && ImpactPairs[0].strength == 10 &&
                            (ImpactPairs[0].a == &a || ImpactPairs[0].a == &b) &&
                            (ImpactPairs[0].b == &a || ImpactPairs[0].b == &b);
  if (!onlyThatBlow) wrong |= 8;
  return wrong;
}

TEST(RegistryAtStart, BeforeAnyInitTheRegistryAndTheImpactListsAreEmpty) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(StateBeforeAnyInit()), ::testing::ExitedWithCode(0), "");
}

TEST_F(Registry, TheRaceFillsItWithItsSimulatedCars) {
  auto cars = Bodies(3, true);
  Solid stray;
  Physics::AddIfPossible(&stray);
  Hooks.playerCars = {cars[0].get(), nullptr, cars[2].get()};
  Physics::InitWithCars();
  ASSERT_EQ(Physics::Get().count, 2);
  EXPECT_EQ(Physics::Get().bodies[0], cars[0].get());
  EXPECT_EQ(Physics::Get().bodies[1], cars[2].get());
  // Only the race's players count: a car in the slot past the last player is not taken.
  Hooks.playerCars = {cars[0].get(), cars[1].get(), cars[2].get()};
  Hooks.playerCount = 2;
  Physics::InitWithCars();
  EXPECT_EQ(Physics::Get().count, 2);
  Hooks.playerCount = -1;
}

TEST_F(Registry, APlaceIsFreeUnlessAnAwakeBodyOverlapsIt) {
  Solid here, near, far;
  MakeBox(here, {0.5f, 1.0f, 0.5f}, 4.0f, {0.0f, 0.0f, 0.0f});
  MakeBox(near, {0.5f, 1.0f, 0.5f}, 4.0f, {0.8f, 0.5f, 0.0f});
  MakeBox(far, {0.5f, 1.0f, 0.5f}, 4.0f, {1.6f, 0.0f, 0.0f});  // within the radii, beyond the extent
  for (Solid* s : {&here, &near, &far}) s->Integrate(STEP, 0);
  EXPECT_EQ(IsPlaceFree(Physics::Get(), here), 1) << "an empty registry";
  Physics::AddIfPossible(&here);
  Physics::AddIfPossible(&far);
  EXPECT_EQ(IsPlaceFree(Physics::Get(), here), 1) << "itself and a body beside it";
  Physics::AddIfPossible(&near);
  EXPECT_EQ(IsPlaceFree(Physics::Get(), here), 0);
  near.awake = 0;
  EXPECT_EQ(IsPlaceFree(Physics::Get(), here), 1) << "a sleeping body never blocks";

  // Extents that overlap, radii that reach exactly to each other (0.75 + 0.75 = 1.5 m apart):
  // free; a little more reach: not.
  Solid a, b;
  MakeBox(a, {1.0f, 1.0f, 1.0f}, 4.0f, {10.0f, 0.0f, 0.0f});
  MakeBox(b, {1.0f, 1.0f, 1.0f}, 4.0f, {11.5f, 0.0f, 0.0f});
  for (Solid* s : {&a, &b}) s->Integrate(STEP, 0);
  a.radius = b.radius = 0.75f;
  Physics::AddIfPossible(&b);
  EXPECT_EQ(IsPlaceFree(Physics::Get(), a), 1) << "radii that just meet";
  b.radius = 0.751f;
  EXPECT_EQ(IsPlaceFree(Physics::Get(), a), 0);
}

TEST_F(Registry, ImpactsKeepTheStrongestBlowOfEachPair) {
  Solid a, b;
  const Vec3 n = {0.0f, 0.0f, 1.0f};
  auto pair = [&](float closing) {
    b.velocity = {0.0f, 0.0f, closing};
    AddImpactPair(&a, &b, n);
    return ImpactPairCount ? static_cast<int>(ImpactPairs[0].strength) : 0;
  };
  EXPECT_EQ(pair(0.2f), 0);
  EXPECT_EQ(pair(0.25f), 0) << "2.5 rounds to 2";
  EXPECT_EQ(pair(-1.0f), 0) << "parting";
  EXPECT_EQ(pair(0.3f), 3);
  EXPECT_EQ(pair(0.2999f), 3);
  EXPECT_EQ(pair(0.35f), 4) << "3.5 rounds to 4";
  EXPECT_EQ(pair(0.31f), 4) << "a weaker blow keeps the stronger";
  EXPECT_EQ(pair(500.0f), IMPACT_MAX_STRENGTH);
  ASSERT_EQ(ImpactPairCount, 1);
  const bool aFirst = std::less<const Solid*>()(&a, &b);
  EXPECT_EQ(ImpactPairs[0].a, aFirst ? &a : &b) << "the lower pointer first";
  b.velocity = {};
  a.velocity = {0.0f, 0.0f, -1.0f};
  AddImpactPair(&b, &a, {0.0f, 0.0f, -1.0f});
  EXPECT_EQ(ImpactPairCount, 1) << "the same pair either way round";

  Solid many[65];
  for (Solid& other : many) {
    other.velocity = {0.0f, 0.0f, 1.0f};
    AddImpactPair(&a, &other, n);
  }
  EXPECT_EQ(ImpactPairCount, IMPACT_LIST_SIZE) << "the 65th pair is dropped";

  // A body against a world object: its own speed into the object.
  StandInObject wall;
  Solid c;
  c.velocity = {-0.3f, 0.0f, 0.0f};
  AddImpactGround(&c, wall.Object(), {1.0f, 0.0f, 0.0f});
  c.velocity = {-0.2f, 0.0f, 0.0f};
  AddImpactGround(&c, wall.Object(), {1.0f, 0.0f, 0.0f});
  ASSERT_EQ(ImpactGroundCount, 1);
  EXPECT_EQ(ImpactGrounds[0].strength, 3);
  c.velocity = {NAN, 0.0f, 0.0f};
  AddImpactGround(&c, wall.Object(), {1.0f, 0.0f, 0.0f});
  EXPECT_EQ(ImpactGrounds[0].strength, 3);

  Physics::Init();
  EXPECT_EQ(ImpactPairCount + ImpactGroundCount, 0);
}

TEST_F(Registry, ADestroyedBodyLeavesTheRegistryAndTheImpactLists) {
  Solid kept;
  StandInObject wall;
  {
    auto gone = std::make_unique<Solid>();
    Physics::AddIfPossible(&kept);
    Physics::AddIfPossible(gone.get());
    gone->velocity = {0.0f, 0.0f, 1.0f};
    AddImpactPair(&kept, gone.get(), {0.0f, 0.0f, 1.0f});
    gone->velocity = {-1.0f, 0.0f, 0.0f};
    AddImpactGround(gone.get(), wall.Object(), {1.0f, 0.0f, 0.0f});
    kept.velocity = {-1.0f, 0.0f, 0.0f};
    AddImpactGround(&kept, wall.Object(), {1.0f, 0.0f, 0.0f});
    ASSERT_EQ(ImpactPairCount, 1);
    ASSERT_EQ(ImpactGroundCount, 2);
  }
  ASSERT_EQ(Physics::Get().count, 1);
  EXPECT_EQ(Physics::Get().bodies[0], &kept);
  EXPECT_EQ(ImpactPairCount, 0);
  ASSERT_EQ(ImpactGroundCount, 1);
  EXPECT_EQ(ImpactGrounds[0].body, &kept);
}

}  // namespace
