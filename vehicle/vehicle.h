// vehicle.h - the vehicle model services the core calls at start-up and device reload.
#pragma once

void InitSinTable();       // the car code's small sine table
void InitWheelTables();
void ReleaseAllCarModels(); // device-bound car meshes, before the device is made again
