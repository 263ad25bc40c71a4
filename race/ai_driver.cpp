// ai_driver.cpp - the race's computer-driver operations.
#include "race/ai_driver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/frame_globals.h"
#include "core/report.h"
#include "physics/car.h"
#include "race/ai_line.h"
#include "race/ai_speed.h"
#include "race/race.h"
#include "solid/solid_hooks.h"
#include "vehicle/car_load.h"
#include "world/ai_path.h"
#include "world/race_state.h"
#include "world/world.h"

namespace {

bool IsCodeCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

constexpr double REACTION_FIGURE = 2.5132741228718345;  // 0.8 pi
constexpr float FAST_REACTION = 10.0f;
constexpr float REFERENCE_MASS = 1500.0f;

}  // namespace

void FormatAiCarCode(const char id[4], char code[AI_CAR_CODE_SIZE]) {
  code[0] = 0;
  if (id[3] != 0) return;
  if (IsCodeCharacter(id[0]) && IsCodeCharacter(id[1]) && IsCodeCharacter(id[2])) {
    std::memcpy(code, id, 3);
    code[3] = 0;
    return;
  }
  const uint32_t number = uint32_t(uint8_t(id[0])) | uint32_t(uint8_t(id[1])) << 8 | uint32_t(uint8_t(id[2])) << 16;
  std::snprintf(code, AI_CAR_CODE_SIZE, "%06X", number);
}

int AiPathFileName(char* path, int pathSize, char code[AI_CAR_CODE_SIZE], const char* carName) {
  if (pathSize > 0) path[0] = 0;
  code[0] = 0;
  const char* id = carName ? VehicleNameToId(carName) : nullptr;
  if (!id) {
    ReportLabelledLine(TEXT_AI_CAR_NOT_FOUND, carName ? carName : "", REPORT_MESSAGE);
    return 0;
  }
  FormatAiCarCode(id, code);
  std::snprintf(path, size_t(std::max(pathSize, 0)), "data\\knw\\%s_%s.knw", FormatTrackName(), code);
  return 1;
}

int GenerateAIPathInfo(AiPath& aiPath, TrackPath& path, Car& car, int laps) {
  aiPath.car = &car;
  InterpretPath(path, aiPath, car.halfWidth);
  int placed = 1;
  for (int lap = 0; lap < laps; ++lap) {
    placed &= SetupAiLine(aiPath, path, car);
    AdjustAiSetup(aiPath);
    InitAiCarModel(aiPath);
    BuildAiSpeedProfile(aiPath, path.IsLoop() ? 1 : 0);
    CalcAiLapTime(aiPath, path.IsLoop() ? 1 : 0);
    CalcAiFuelPerLap(aiPath);
  }
  return placed;
}

int CalcAiFuelPlan(const AiPath& aiPath, int shortRun, int& stints, int lapsCode) {
  const TrackPath* racing = CWld ? CWld->racingPath : nullptr;
  if (!racing || racing->nodeCount <= 0) return 0;
  if (lapsCode == 0) return 50;
  // An empty tank has no share to plan.
  if (!(aiPath.fuelCapacity > 0)) return 0;
  int laps;
  if (shortRun) {
    laps = racing->IsLoop() ? 3 : 1;
  } else if (GetRaceLaps(lapsCode) > 0) {
    laps = GetRaceLaps(lapsCode);
  } else {
    // A race of hours without a stored lap time: a full tank.
    if (!(aiPath.fileLapTime > 0)) {
      stints = 1;
      return 100;
    }
    laps = int(std::lrint(double(float(GetRaceHours(lapsCode)) * 3600.0f / aiPath.fileLapTime - 0.499999f)));
  }
  const int pitZones = CWld->pitZoneCount;
  const uint32_t flags = RaceSettings.flags;
  stints = !shortRun && pitZones > 0 && lapsCode >= 2 && (flags & RACE_FLAG_MANDATORY_STOP) ? 2 : 1;
  if (flags & RACE_FLAG_REFUELLING) {
    for (int s = stints; s <= laps; ++s) {
      const float fuel = float(laps / s + 1) * aiPath.fuelPerLap * 1.05f;
      const float percent = std::nearbyint(fuel * 100.0f / aiPath.fuelCapacity + 0.5f);
      if (percent < 101.0f) {
        stints = s;
        return int(percent);
      }
    }
    if (pitZones == 0) {
      stints = 1;
      return 100;
    }
    return 1;
  }
  const float percent = std::nearbyint(aiPath.fuelPerLap * 1.05f * float(laps) * 100.0f / aiPath.fuelCapacity + 0.5f);
  return int(std::min(percent, 100.0f));
}

void ResetAIDriver(AiDriverState& state, int startMode) {
  Car* car = state.car;
  uint8_t* linked = state.linkedMode;
  state = AiDriverState{};
  state.car = car;
  state.linkedMode = linked;
  state.mode = startMode != 0 ? 2 : 1;
  if (linked) *linked = state.mode;
  state.targetIndex = -1;
  state.steeringGains[0] = 0.1f;
  state.steeringGains[1] = 1.0f;
  if (startMode == 0) {
    state.startDelayMs = 0;
  } else if (startMode == 1) {
    RandomSeed = (RandomSeed * 5 + 1) & 0xFFFF;
    state.startDelayMs = 1000 + int32_t(RandomSeed >> 1);
  } else {
    state.startDelayMs = 1000;
  }
  state.secondDelayMs = car && (car->flagWord & AI_CAR_DELAYED_FLAG) ? 1000 : 0;
  state.lookAheadAngles[0] = 8192;
  state.lookAheadAngles[1] = 16384;
  state.lookAheadAngles[2] = 24576;
  if (car && car->vehicleClass == AI_FAST_REACTION_CLASS)
    state.reactionRate = FAST_REACTION;
  else if (car && car->mass > 0)
    state.reactionRate = float(REACTION_FIGURE * std::sqrt(REFERENCE_MASS / double(car->mass)));
  else
    state.reactionRate = float(REACTION_FIGURE);
}
