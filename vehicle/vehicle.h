// vehicle.h - the vehicle model services the core calls at start-up and device reload.
#pragma once

void InitSinTable();       // the car code's small sine table
// The brush model's pressure tables (vehicle/wheel/wheel.h), filled once at start-up.
void InitWheelTables();
void ReleaseAllCarModels(); // device-bound car meshes, before the device is made again
// flag 1 releases the device-bound model before the device is made again, 0 rebuilds it.
void ReloadSetupCarModel(int flag);
void ReloadAllCarModels(int flag);
