// vehicle.cpp - vehicle model services of the program shell: the release and rebuild of the
// cars' models around a device re-creation.  InitWheelTables is the per-wheel model's
// (wheel/brush_model.cpp).
#include "vehicle/vehicle.h"

#include "model/model_meshes.h"
#include "physics/car.h"
#include "vehicle/number_plates.h"
#include "vehicle/skin_lookup.h"

Car* SetupCar = nullptr;

void ReleaseAllCarModels() {
  for (int i = 0; i < LiveCarCount(); ++i)
    if (Car* car = LiveCarAt(i); car->levelMeshes[0]) car->ReloadModel(1);
}

void ReloadSetupCarModel(int flag) {
  if (SetupCar && SetupCar->levelMeshes[0]) SetupCar->ReloadModel(flag);
}

void ReloadAllCarModels(int flag) {
  for (int i = 0; i < LiveCarCount(); ++i)
    if (Car* car = LiveCarAt(i); car != SetupCar && car->levelMeshes[0]) car->ReloadModel(flag);
}

void InstallVehicleLooks() {
  FindSkinTexture = FindCarSkinTexture;
  InstallNumberPlates();
}
