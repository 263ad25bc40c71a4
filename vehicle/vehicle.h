// vehicle.h - the vehicle model services the program shell calls at start-up and
// device reload.
//
// Layer: vehicle/, a subsystem over the modeller and physics/ (tools/layers.txt).
#pragma once
#include "vehicle/wheel/wheel.h"  // InitWheelTables, called at start-up

void InitSinTable();       // the car code's small sine table
void ReleaseAllCarModels(); // device-bound car meshes, before the device is made again
// flag 1 releases the device-bound model before the device is made again, 0 rebuilds it.
void ReloadSetupCarModel(int flag);
void ReloadAllCarModels(int flag);
