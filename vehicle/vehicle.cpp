// vehicle.cpp - vehicle model services; no car is loaded yet.
#include "vehicle/vehicle.h"

void InitSinTable() {}
void InitWheelTables() {}
void ReleaseAllCarModels() {}
void ReloadSetupCarModel(int flag) {}
void ReloadAllCarModels(int flag) {}
