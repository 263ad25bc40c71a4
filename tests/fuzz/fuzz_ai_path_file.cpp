// fuzz_ai_path_file.cpp - the computer drivers' path file over arbitrary bytes, on the test
// oval loaded headless with the sample road car: the input is the whole file.  A file that
// reads must give a line that is placed or refused whole; a placed line's speeds, lap time and
// fuel must be finite, every speed within the car's top speed.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/frame_globals.h"
#include "fuzz_scratch.h"
#include "physics/car.h"
#include "platform/clock.h"
#include "race/ai_line.h"
#include "race/ai_speed.h"
#include "race/race_start.h"
#include "tools/track_writer/track_files.h"
#include "tools/vehicle_gen/sample_vehicles.h"
#include "wheel/wheel.h"
#include "world/ai_path.h"
#include "world/world.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

constexpr const char* FILE_PATH = "data/knw/f.knw";
Car* g_car = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_scratch::Enter("fuzz_ai_path_file", {"wld", "knw"});
  ClockUseFake(1000, WallTime{2026, 1, 1, 12, 0, 0, 0, 4});
  GraphicsEnabled = 0;
  InitWheelTables();
  const std::vector<uint8_t> world = BuildTrackImages(TRACK_TEST_OVAL, false).world;
  fuzz_scratch::WriteFile("data/wld/test_oval.wld", world.data(), world.size());
  Check(StartRaceWorld("test_oval") == 1);
  int result = RACE_WORLD_LOADING;
  for (int frames = 0; result == RACE_WORLD_LOADING && frames < 10000; ++frames) result = StepRaceWorldLoading();
  Check(result == RACE_WORLD_READY && CWld && CWld->racingPath);
  g_car = new Car;
  BuildSampleVehicle(0, *g_car);
  g_car->currentSetup = g_car->setups[0].record;
  g_car->driverSlot = 0;
  g_car->SetupFromVehicle(0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_scratch::WriteFile(FILE_PATH, data, size);
  const TrackPath& path = *CWld->racingPath;
  AiPath ai;
  if (!LoadAiPath(ai, FILE_PATH, path.nodeCount)) {
    Check(ai.curveCount == 0 && ai.curves == nullptr);
    return 0;
  }
  for (int i = 0; i < ai.curveCount; ++i) {
    Check(ai.curves[i].startNode >= 0 && ai.curves[i].startNode < path.nodeCount);
    Check(ai.curves[i].endNode >= 0 && ai.curves[i].endNode < path.nodeCount);
  }
  ai.car = g_car;
  if (!SetupAiLine(ai, path, *g_car)) return 0;
  Check(ai.nodeCount == path.nodeCount);
  InitAiCarModel(ai);
  BuildAiSpeedProfile(ai, 1);
  const float lap = CalcAiLapTime(ai, 1);
  CalcAiFuelPerLap(ai);
  Check(std::isfinite(lap) && lap > 0);
  Check(std::isfinite(ai.fuelPerLap));
  for (int i = 0; i < ai.nodeCount; ++i) {
    const AiPathNode& a = ai.nodes[i];
    Check(std::isfinite(a.curvature) && std::isfinite(a.grade) && std::isfinite(a.camber));
    Check(a.targetSpeed > 0 && a.targetSpeed <= a.cornerSpeed && a.cornerSpeed <= g_car->topSpeed);
  }
  return 0;
}
