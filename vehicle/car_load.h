// car_load.h - making a car from a vehicle name, and the look-ups that make temporary cars:
// a vehicle's id and its traits for the AI.
//
// The loader finds a vehicle's file in its mod folder ("mods\vehicles\<name>\<name>.veh",
// for a name such as "ABCD~123"), in a copy held in memory (HistoryVehicleCopy: the edit
// history's or the mod export's, read whatever the name, even an empty one) or in "data\veh";
// a name that could leave those folders (a separator, a drive, "..") is refused before any
// path is made.  Loading shows nothing for a file that is missing, short or damaged: the
// caller reports it (ReportVehicleReadFailure), and the look-ups stay silent.
// Car::LoadVehicle, Car::BuildFromVehicle and Car::AllocModelObjects (physics/car.h) are
// defined in car_load.cpp.  Main thread only.
#pragma once
#include <cstdint>

#include "physics/car.h"

// A new car holding the header part of the named vehicle (class, names, option words, short
// name), or null when it cannot be read (the data file's error tells why).
Car* CreateCar(const char* name);

// The 4-byte id of a vehicle: a built-in vehicle's code by its name (any case), else a
// loadable vehicle's id, held in one static word until the next call; null when neither.
const char* VehicleNameToId(const char* name);

// The vehicle's traits for the AI check, 6 bytes: [0] a bike, [1] a power unit that is an
// engine, [2] the option byte set, [3] 0, [4] a part of kinds 6 or 7 found, [5] its index.
// 1 when the vehicle could be read; 0 with the traits zero otherwise.
constexpr int AI_TRAIT_BYTES = 6;
int GetVehicleAiTraits(const char* name, uint8_t traits[AI_TRAIT_BYTES]);
