// car.cpp - the car's construction and release.
#include "physics/car.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <vector>

CarReleaseHooks CarRelease;
std::recursive_mutex CarLock;

namespace {
constexpr float NEW_CAR_MASS = 1200.0f;  // kg
std::vector<Car*> g_liveCars;
}  // namespace

int LiveCarCount() { return int(g_liveCars.size()); }
Car* LiveCarAt(int index) { return index >= 0 && index < LiveCarCount() ? g_liveCars[size_t(index)] : nullptr; }

Car::Car() {
  InitVehicleData(*this);
  mass = NEW_CAR_MASS;
  awake = 1;  // only a world object's body sleeps
  g_liveCars.push_back(this);
}

Car::~Car() {
  if (CarRelease.releaseModelObjects) CarRelease.releaseModelObjects(*this);
  if (CarRelease.freeAnimations) CarRelease.freeAnimations(*this);
  if (CarRelease.releaseMeshes) CarRelease.releaseMeshes(*this);
  if (recordingState == CAR_RECORDING_OPEN && CarRelease.writeEventRecord) CarRelease.writeEventRecord(*this);
  recordingState = 0;
  std::free(undamagedPoints);
  undamagedPoints = nullptr;
  undamagedPointCount = 0;
  FreeUndamagedMeshes(*this);
  FreeVehicleModel(*this);
  spoke.Free();
  std::free(wheelMeshWork);
  wheelMeshWork = nullptr;
  FreeVehicleRim(*this);
  FreeVehicleFrame(*this);
  std::free(parts);
  parts = nullptr;
  partCount = 0;
  engine.FreeWaves();
  simulated = 0;
  g_liveCars.erase(std::remove(g_liveCars.begin(), g_liveCars.end(), this), g_liveCars.end());
}
