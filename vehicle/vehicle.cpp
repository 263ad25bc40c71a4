// vehicle.cpp - vehicle model services; no car is loaded yet.  InitWheelTables is the
// per-wheel model's (vehicle/wheel/brush_model.cpp).
#include "vehicle/vehicle.h"

void InitSinTable() {}
void ReleaseAllCarModels() {}
void ReloadSetupCarModel(int flag) {}
void ReloadAllCarModels(int flag) {}
