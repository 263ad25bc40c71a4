// vehicle.h - the vehicle model services the program shell calls at start-up and
// device reload.
//
// Layer: vehicle/, a subsystem over the modeller and physics/ (tools/layers.txt).
#pragma once
#include "wheel/wheel.h"  // InitWheelTables, called at start-up

struct Car;

void InitSinTable();       // the frame tubes' sine and ellipse tables (frame_tubes.cpp)
// The car the set-up screens show (null when none is open); they set it.
extern Car* SetupCar;
// Every car's device-bound model and meshes forgotten: the device is going or gone.
void ReleaseAllCarModels();
// flag 1 releases the device-bound model before the device is made again, 0 rebuilds it
// (Car::ReloadModel): the set-up screens' car, and every other car with model objects.
void ReloadSetupCarModel(int flag);
void ReloadAllCarModels(int flag);
// The vehicle model's bodies of the hooks below it: the car's texture look-up (skins) for the
// modeller's mesh build, and the number plates for the renderer's plate seam and the cars.
void InstallVehicleLooks();
