// car.h - the car: a rigid body with the vehicle data it is built from, its wheels and wheel
// sets, its model objects and drawing state, and what its construction and release do.
//
// Sections: [Parts] [Release hooks] [Car]
//
// Layers: the car step of physics/ and the vehicle model above it both read and write it; it
// stands on the rigid body (physics/solid/solid.h) and the vehicle data (vehicle/data/), whose
// wheels and wheel sets (vehicle/wheel/wheel.h) push on the car as a Solid.  The members that
// read a vehicle or build meshes (Car::LoadVehicle, Car::BuildFromVehicle,
// Car::AllocModelObjects, CreateCar in vehicle/car_load.h) are defined by the vehicle model.
//
// A car is made any number of times (the vehicle editor, the garage and every name look-up
// make temporary cars) and may be deleted in every state: new, loaded, with its model objects,
// with its meshes built.  Every release step checks for what exists.  Main thread only; the
// plate slot is returned under PlateLock.
#pragma once
#include <cstdint>

#include "physics/solid/solid.h"
#include "vehicle/data/vehicle_data.h"

struct Car;
struct DataFile;
struct GouraudO3d;

// ---- [Parts] ----
// One part of the body's primitive, by the material kinds of its two sides (6 and 7 are the
// kinds the AI looks for); the car model assembly fills them.
struct CarPart {
  uint8_t kinds[2];
};

constexpr int CAR_LEVEL_MESHES = 4;
constexpr int CAR_TEXT_SIZE = 16;  // a loader's text: 15 characters and a zero
constexpr uint8_t CAR_RECORDING_OPEN = 2;

// What Car::LoadVehicle is asked for.  A set-up or colour index of -1 takes the given record.
struct VehicleLoadArgs {
  uint8_t requestedDriveSide;  // bit 0: the driver on the left
  int32_t driverSlot;
  int32_t setupIndex;
  const SetupRecord* setup;
  int32_t colourIndex;
  const ColourSet* colours;
  uint32_t simulate;      // non-zero for a car that is to be stepped
  uint32_t pairWords[2];  // kept by a full build
  uint8_t buildMode;      // 0 reads only the header part of the vehicle file
  const char* text;       // up to 15 characters kept with the car, or null
  uint32_t textWord;      // kept with the text
};

// ---- [Release hooks] ----
// What the layers above release of a car, called in this order by its destructor; each is
// null until its layer installs it.
struct CarReleaseHooks {
  void (*releaseModelObjects)(Car& car);  // the model's graphics objects
  void (*freeAnimations)(Car& car);
  void (*releaseMeshes)(Car& car);        // the wheel and wheel-set meshes
  void (*writeEventRecord)(Car& car);     // a recording car's closing records
};
extern CarReleaseHooks CarRelease;

// ---- [Car] ----
struct Car : Solid, VehicleData {
  // A new car: the vehicle data's defaults (vehicleName "DEFAULT", one configuration), a mass
  // of 1200 kg with base and sprung masses of 1000 kg, white headlights, no plate slot.
  Car();
  // Releases, in order: the model's graphics objects, the animations, the level meshes, the
  // wheel meshes, the plate slot, the recording, the undamaged copy, the model (when owned),
  // the spoke object, the rim, the frame and part arrays, the wheel sets' meshes and the
  // engine's waves.
  ~Car() override;
  Car(const Car&) = delete;
  Car& operator=(const Car&) = delete;

  int GetType() const override { return 1; }

  float baseMass = 1000.0f;
  float sprungMass = 1000.0f;
  uint32_t runTime = 0;    // ms
  uint32_t stepClock = 0;  // ms
  uint8_t simulated = 0;
  float steeringTorqueSum = 0;  // N m about the steering axis, summed by the steered wheels

  // Kept by the loader.
  int32_t driverSlot = 0;
  uint32_t pairWords[2] = {};
  char loadText[CAR_TEXT_SIZE] = {};
  uint32_t loadWord = 0;
  uint8_t optionByte = 3;  // read by the AI's trait probe

  // Model objects and drawing state.
  GouraudO3d* levelMeshes[CAR_LEVEL_MESHES] = {};
  uint8_t* wheelMeshWork = nullptr;  // malloc'd by the wheel meshes
  uint8_t meshesWanted = 0;
  float headlightColour[3] = {1.0f, 1.0f, 1.0f};  // until the graphics build sets it
  int32_t plateSlot = -1;
  uint8_t recordingState = 0;
  int32_t* undamagedPoints = nullptr;  // malloc'd by the damage code
  int32_t partCount = 0;
  CarPart* parts = nullptr;  // malloc'd by the model assembly

  // Sets the class option bits (option word 2) from the vehicle class; called when a file's
  // class-flags marker is 0.
  void SetClassFlags();

  // ---- defined by the vehicle model (vehicle/car_load.cpp) ----
  // Finds the vehicle's file (a mod folder under VehicleFileLock, the edit history's copy, or
  // "data\veh") and builds the car from it.  1, or 0 with the data file's error set.
  int LoadVehicle(const char* name, const VehicleLoadArgs& args);
  // Reads the open stream's body and builds what the car needs from it.  1 or 0.
  int BuildFromVehicle(DataFile& stream, int version, const char* name, const VehicleLoadArgs& args);
  // The model's objects when missing: an empty rim profile and the four level meshes.
  void AllocModelObjects();
};
