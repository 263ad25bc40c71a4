// world_test.cpp - the world as the program meets it without a track: CWld null, its
// deletion, and the answer of every hook the world installs.
#include <gtest/gtest.h>

#include <cmath>

#include "render/light_samples.h"
#include "render/sky.h"
#include "render/views.h"
#include "solid/solid_hooks.h"
#include "world/environment.h"
#include "world/world.h"

namespace {

class NoWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    savedWorld_ = InstallWorldHooks(NoWorldHooks());
    InstallWorld();
  }
  void TearDown() override {
    DeleteWorld();
    InstallWorldHooks(savedWorld_);
    CameraWorldPickHook = nullptr;
    WorldRayCastHook = nullptr;
    WorldLightingLookupHook = nullptr;
    WorldSunSettingHook = nullptr;
    WorldSunDirectionHook = nullptr;
  }
  WorldHooks savedWorld_{};
};

TEST_F(NoWorld, EveryInstalledHookGivesTheNoWorldAnswer) {
  ASSERT_EQ(CWld, nullptr);
  EXPECT_FALSE(WorldLoaded());
  EXPECT_EQ(WorldBuildStage(), 0);
  EXPECT_EQ(WorldTimeZoneHours(), 0);

  // The rigid body's table: gravity, no wind, no squares, no trunks.
  EXPECT_EQ(WorldLink.Gravity(), -9.81f);
  const Vec3 wind = WorldLink.Wind();
  EXPECT_EQ(wind.x, 0.0f);
  EXPECT_EQ(wind.y, 0.0f);
  EXPECT_EQ(wind.z, 0.0f);
  int c0 = 7, c1 = 7, r0 = 7, r1 = 7;
  EXPECT_EQ(WorldLink.MapSquareRange(0, 65536, 0, 65536, c0, c1, r0, r1), 0);
  const TrunkRecord* trunks = reinterpret_cast<const TrunkRecord*>(&c0);
  EXPECT_EQ(WorldLink.SquareTrunks(0, 0, trunks), 0);
  EXPECT_EQ(trunks, nullptr);

  // The world's own queries: nothing met, ground at 0, the default light.
  MapSquareHit hit{12345, 1, {0, 0, 1}};
  EXPECT_EQ(Wld::QueryMapSquare({0, 0, 65536}, {0, 0, 131072}, hit, 1), 0);
  EXPECT_EQ(hit.hitValue, 0);
  EXPECT_EQ(Wld::FindSurfaceBelow(5 << 16, 6 << 16, 7 << 16, 0), 0);
  WorldLightSample light;
  InitLightRecord(light);
  EXPECT_EQ(Wld::GetLighting({0, 0, 0}, light), 0);
  EXPECT_EQ(light.values[0], 255.0f);
  EXPECT_EQ(Wld::MapSquareRange({0, 0, 0}, {65536, 65536, 65536}, nullptr, nullptr), 0);

  // The renderer's: no pick, no ground ray, no lighting, no sun setting.
  ViewCameraRecord camera{};
  EXPECT_EQ(CameraWorldPickHook(camera), 0);
  const int32_t point[3] = {0, 0, 65536}, down[3] = {0, 0, -65536};
  int32_t ground[3];
  EXPECT_EQ(WorldRayCastHook(point, down, ground), 0);
  EXPECT_EQ(GetLightingAtPoint(point, 1), 0);
  EXPECT_EQ(GetLightingAtPoint(point, 0), 0);
  EXPECT_EQ(WorldSunSettingHook(), 0.0f);
  float sun[3];
  WorldSunDirectionHook(sun);
  EXPECT_NEAR(std::sqrt(sun[0] * sun[0] + sun[1] * sun[1] + sun[2] * sun[2]), 1.0f, 1e-5f);
}

TEST_F(NoWorld, AWorldIsSeenThroughCWldAndDeletingItTwiceDoesNoHarm) {
  CWld = new Wld;
  CWld->gravity = -9.0f;
  CWld->loadStep = 5;
  WorldTrackPlace.timeZoneHours = -3;
  EXPECT_TRUE(WorldLoaded());
  EXPECT_EQ(WorldBuildStage(), 5);
  EXPECT_EQ(WorldTimeZoneHours(), -3);
  EXPECT_EQ(WorldLink.Gravity(), -9.0f);
  ViewCameraRecord camera{};
  EXPECT_EQ(CameraWorldPickHook(camera), 0) << "nothing to pick on a world without geometry";

  DeleteWorld();
  EXPECT_EQ(CWld, nullptr);
  EXPECT_EQ(WorldLink.Gravity(), -9.81f);
  EXPECT_EQ(WorldTimeZoneHours(), 0);
  EXPECT_EQ(WorldTrackPlace.timeZoneHours, 0) << "the track's place goes with it";
  DeleteWorld();
  EXPECT_EQ(CWld, nullptr);
  EXPECT_EQ(WorldBuildStage(), 0);
}

}  // namespace
