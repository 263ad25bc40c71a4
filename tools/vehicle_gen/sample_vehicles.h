// sample_vehicles.h - our own vehicles: one for each row of the built-in vehicle table, made
// from five layouts (road car, open-wheeler, kart, van, two-wheeler), written into "data\veh"
// at build time and used by the vehicle tests and the fuzz seeds.
//
// Each is complete as the program writes it: bodies from the sample models, a spoke object, a
// rim profile of a few surfaces, set-ups, colour and mesh configurations, a frame with tubes
// on the centre plane, across the car and to the wheels, wheel sets of every suspension kind
// the layouts use (MacPherson strut, double wishbone, linear, rigid, front fork, trailing
// arm), combustion and electric power units and dashboards of types 0 to 3 laid out as the
// program lays out a new one.  The engine they name, "DEFAULT", is our neutral engine file
// (sample_engines.h); the skins their colour sets name ("<code>_<set>", the unnamed set none)
// are pictures vehicle_gen writes beside them (SampleSkin).  Every field holds what reading the
// file gives back, so a sample writes, reads and writes again to the same bytes.
#pragma once

#include <vector>

#include "tools/vehicle_gen/sample_bodies.h"
#include "vehicle_data/vehicle_data.h"

enum SampleLayout { LAYOUT_ROAD_CAR, LAYOUT_OPEN_WHEELER, LAYOUT_KART, LAYOUT_VAN, LAYOUT_TWO_WHEELER };

struct SampleVehicle {
  SampleLayout layout;
  uint8_t vehicleClass;
  uint8_t transmissionType;
  uint8_t driveType;
  uint8_t dashType;
  uint8_t storeModel;  // 0: the body is written as "data\veh\<model code>.vob"
  SampleBody body;
  uint16_t gearedFor;  // km/h at the rev limit in top gear, in its kind's range (vehicle_gen checks both)
  uint16_t power;      // kW at its peak: the engine's size is chosen in its class's range to come nearest
  const char* sharesBody;  // why it has the body of a sample above it of another name (vehicle_gen checks)
};
// The samples in the order of BuiltinVehicleTable.
extern const SampleVehicle SAMPLE_VEHICLES[BUILTIN_VEHICLE_COUNT];

// Fills data (given InitVehicleData's defaults) with the sample of a table row.  The data owns
// its model afterwards.
void BuildSampleVehicle(int row, VehicleData& data);
// A skin a sample's colour set names: "<short name>_<set name>", in its set's body colour.
struct SampleSkin {
  char name[40];
  ColourWord paint;
};
// The skins of a sample (built by BuildSampleVehicle): one for each named colour set.
std::vector<SampleSkin> SampleSkins(const VehicleData& sample);
// The speed (km/h) of a built sample at the rev limit in top gear of its default set-up.
float SampleGearedSpeed(const VehicleData& sample);
// The body of a sample: what BuildSampleVehicle stores, or writes as the ".vob".
void BuildSampleBody(int row, ModelObject& object);
// The spoke object every sample carries.
void BuildSampleSpoke(ModelObject& object);
