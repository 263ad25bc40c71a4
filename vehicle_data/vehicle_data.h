// vehicle_data.h - the vehicle data: everything a vehicle file stores and the car is built
// from (identity and names, option words, class, engine, set-ups, colour and mesh
// configurations, positions, dashboard, frame, wheels and wheel sets, model and spoke objects,
// rim), with the few rules that belong to the data itself.
//
// Sections: [Limits] [Frame] [Records] [Option bits] [Vehicle data]
//
// The car (physics/car.h) is a VehicleData as well as a Solid: the vehicle file's reader and
// writer (vehicle_file.h) work on this part alone, so that the files can be read, checked and
// written with no car, window or device.  The data is plain: new data is made by
// InitVehicleData and released by FreeVehicleData (the car releases the same parts in its own
// order).  Positions are metres in car axes (x right, y forward, z up) unless said otherwise.
// Main thread only.
#pragma once
#include <cstdint>

#include "model/model_object.h"
#include "solid/solid.h"
#include "text/text_colours.h"
#include "vehicle_data/builtin_vehicles.h"
#include "vehicle_data/engine_record.h"
#include "vehicle_data/frame_records.h"
#include "vehicle_data/setup_record.h"
#include "wheel/wheel.h"

struct WXS;

// ---- [Limits] ----
constexpr int CAR_MAX_WHEELS = 4;   // two wheel sets of at most two wheels
constexpr int CAR_WHEEL_SETS = 2;   // 0 rear, 1 front
constexpr int VEHICLE_MAX_SETUPS = 4;
constexpr int VEHICLE_MAX_COLOUR_CONFIGS = 9;
constexpr int VEHICLE_MAX_CONFIGS = 4;
constexpr int VEHICLE_COLOURS = 8;
constexpr int DASH_BLOCK_SIZE = 160;
constexpr int AERO_ITEMS = 4;  // rear wing, front wing, undertray, aero centre
constexpr int VEHICLE_NAME_SIZE = 32;   // 31 characters and a zero
constexpr int MODEL_CODE_SIZE = 4;
constexpr int STEER_ANIMATION_SIZE = 8;
constexpr int ENGINE_NAME_SIZE = 32;
constexpr int CONFIG_NAME_SIZE = 12;
constexpr int SPOKE_MAX = 22;
constexpr const char* DEFAULT_VEHICLE_NAME = "DEFAULT";
constexpr const char* SPOKE_OBJECT_NAME = "spoke";

// ---- [Frame] ----
// The frame's points and tubes and their records: vehicle_data/frame_records.h.

// ---- [Records] ----
struct VehicleSetup {
  char name[SETUP_NAME_SIZE];
  SetupRecord record;
};
// A named variant of the vehicle: the layers of the model it shows, and copies of the
// transmission type and of both wheel sets' sizes (rear first): section width, aspect ratio,
// rim radius, rim width, wheel offset, track width.
constexpr int CONFIG_WHEEL_FIGURES = 6;
struct VehicleConfig {
  char name[CONFIG_NAME_SIZE];
  uint32_t layerMask;
  uint8_t transmissionType;
  float wheels[CAR_WHEEL_SETS][CONFIG_WHEEL_FIGURES];
};

enum TransmissionType : uint8_t {
  TRANSMISSION_NONE = 0,
  TRANSMISSION_H_PATTERN = 1,
  TRANSMISSION_MOTORBIKE = 2,
  TRANSMISSION_SEQUENTIAL = 3,
  TRANSMISSION_SEQUENTIAL_CUT = 4,
  TRANSMISSION_PADDLE = 5,
  TRANSMISSION_ELECTRIC = 6,
  TRANSMISSION_CENTRIFUGAL = 7,
};
constexpr int TRANSMISSION_TYPE_COUNT = 8;
enum DriveType : uint8_t { DRIVE_NONE = 0, DRIVE_REAR = 1, DRIVE_FRONT = 2, DRIVE_FOUR = 3 };
constexpr int DASH_TYPE_COUNT = 7;  // 0 none .. 6

// ---- [Option bits] ----
// Option word 1.
constexpr uint32_t OPT1_BIT0 = 1u << 0;
constexpr uint32_t OPT1_DRIVE_SIDE_LOCKED = 1u << 1;
constexpr uint32_t OPT1_SPARE_WHEEL_MASS = 1u << 2;     // the car carries a spare wheel
constexpr uint32_t OPT1_SPARE_WHEEL_VISIBLE = 1u << 3;  // its spare wheel is drawn
constexpr uint32_t OPT1_TRANSVERSE_ENGINE = 1u << 6;
constexpr uint32_t OPT1_FRONT_PASSENGER = 1u << 8;
constexpr uint32_t OPT1_BACK_SEAT = 1u << 10;
constexpr uint32_t OPT1_TRAIL_REDUCTION = 1u << 14;
constexpr uint32_t OPT1_CLEARED_ON_WRITE = 1u << 17;
constexpr uint32_t OPT1_CONFIG_MARKER = 1u << 18;
constexpr uint32_t OPT1_FUEL_CAPACITY = 1u << 19;
constexpr uint32_t OPT1_OLD_BITS = (1u << 20) | (1u << 23);  // cleared in files before version 252
constexpr uint32_t OPT1_TRANSMISSION_BYTES = 1u << 24;  // also the editor's "Include seat masses"
constexpr uint32_t OPT1_SEAT_MASSES = OPT1_TRANSMISSION_BYTES;  // the same bit, as the mass model reads it
constexpr uint32_t OPT1_ENGINE_WORDS = 1u << 25;
constexpr uint32_t OPT1_CORRECTIONS_DONE = 1u << 26;
constexpr uint32_t OPT1_SECOND_WORD = 1u << 31;
// Option word 1 bits the car's set-up from the vehicle data reads or sets.
constexpr uint32_t OPT1_SAME_TYRES = 1u << 4;           // the rear wheel set takes the front set's tyre
constexpr uint32_t OPT1_ENGINE_REVERSED = 1u << 7;      // the engine turns the other way round
constexpr uint32_t OPT1_TUBE_SPECIAL_END = 1u << 9;     // set: a frame tube ends at a special point,
constexpr uint32_t OPT1_TUBE_END_FRONT = 1u << 11;      //   -5, -2 or -1
constexpr uint32_t OPT1_TUBE_END_REAR = 1u << 12;       //   -6, -4 or -3
constexpr uint32_t OPT1_UNSPRUNG_WINGS = 1u << 13;      // the editor's "Unsprung wings"
constexpr uint32_t OPT1_NO_FRONT_ANTI_ROLL = 1u << 15;
constexpr uint32_t OPT1_NO_REAR_ANTI_ROLL = 1u << 16;
constexpr uint32_t OPT1_OPEN_DIFFERENTIALS = 1u << 21;  // a paired axle's differential is open
constexpr uint32_t OPT1_COAST_AS_POWER = 1u << 22;      // a paired axle locks coasting as under power
constexpr uint32_t OPT1_PIT_LIMITER = 1u << 30;
constexpr uint32_t OPT1_BIKE = OPT1_TRAIL_REDUCTION;   // a two-wheeler: the editor's bike checks
constexpr uint32_t OPT1_FRAME_VISIBLE = OPT1_TUBE_SPECIAL_END;
constexpr uint32_t OPT1_FRONT_SUSPENSION_VISIBLE = OPT1_TUBE_END_FRONT;
constexpr uint32_t OPT1_REAR_SUSPENSION_VISIBLE = OPT1_TUBE_END_REAR;
constexpr uint32_t OPT1_LIVE_BRAKE_BALANCE = 1u << 28;
constexpr uint32_t OPT1_LIVE_ANTI_ROLL = 1u << 29;
// Option word 2, the class option word.
constexpr uint32_t OPT2_BUILTIN_CORRECTED = 1u << 0;
constexpr uint32_t OPT2_INFO_NO_SETUP_BYTE = 1u << 1;
constexpr uint32_t OPT2_FIXED_LOCK = 1u << 2;         // the steering lock is the first set-up's
constexpr uint32_t OPT2_TYRE_TYPE_LIMITS = 1u << 3;   // rimBytes[1..2] are the tyre type range
constexpr uint32_t OPT2_RIM_WORDS = 1u << 4;          // field 41 present: the tyre pressure limits
constexpr uint32_t OPT2_PRESSURE_LIMITS = OPT2_RIM_WORDS;
constexpr uint32_t OPT2_HEADLIGHT = 1u << 9;   // the graphics build places and colours the headlight
constexpr uint32_t OPT2_DEFAULT_COLOURS = 1u << 24;
constexpr uint32_t OPT2_HORN = 1u << 8;
constexpr uint32_t OPT2_INDICATORS = 1u << 10;
// The lights and aids word: the light the pit limiter flashes (set: the rear fog lights, clear:
// the brake lights).
constexpr uint32_t LIGHTS_PIT_LIGHT_FOG = 1u << 8;
// Class option bits the car's set-up reads, some the same bits as above by another role.
constexpr uint32_t OPT2_ANTI_LOCK = OPT2_BUILTIN_CORRECTED;      // anti-lock braking allowed
constexpr uint32_t OPT2_NO_BRAKE_BALANCE = OPT2_INFO_NO_SETUP_BYTE;  // every brake on the rear

// The driver aids the car offers, bits of lightsAndAids.
constexpr uint32_t AID_TRACTION_CONTROL = 0x1, AID_TC_IGNITION = 0x2, AID_ENGINE_BRAKE = 0x4;

// ---- [Vehicle data] ----
struct VehicleData {
  // Identity.
  char vehicleName[VEHICLE_NAME_SIZE] = {};  // a mod's folder name ends in "~" and three digits
  char shortCode[VEHICLE_CODE_SIZE] = {};    // the id: a built-in code or a mod's number
  char shortName[SHORT_NAME_SIZE] = {};      // the code's text, or the id as "%06X"
  char modelCode[MODEL_CODE_SIZE] = {};      // names "data\veh\<code>.vob"
  char steerAnimation[STEER_ANIMATION_SIZE] = {};  // empty: no driver
  char engineName[ENGINE_NAME_SIZE] = {};
  int32_t builtinIndex = -1;  // the table row of the short code, -1 for none
  uint8_t isMod = 0;          // read from "mods\vehicles"
  uint8_t isBuiltin = 0;      // read from "data\veh"
  uint8_t buildMode = 0;      // 0 the header part only
  uint8_t requestedDriveSide = 0;  // bit 0: the side the user asked the driver to sit on
  uint8_t mirrored = 0;            // the car is drawn mirrored

  // Stored fields, in file order.
  uint32_t options = OPT1_SECOND_WORD;
  uint32_t options2 = 0;
  uint8_t vehicleClass = 0;
  uint8_t modelStored = 0;       // the model object was stored in the file read
  uint8_t classFlagsMarker = 1;  // 0: the class option bits are derived from the class
  uint8_t transmissionType = TRANSMISSION_NONE;
  uint8_t driveType = DRIVE_NONE;
  float massWithoutOccupants = 0;  // kg, from the mass model: written for outside readers
  float fuelTankCapacity = 0;      // litres
  EngineModel engine = {};
  int32_t setupCount = 0;
  VehicleSetup setups[VEHICLE_MAX_SETUPS] = {};
  int32_t colourConfigCount = 0;
  ColourSet colourConfigs[VEHICLE_MAX_COLOUR_CONFIGS] = {};
  int32_t configCount = 0;
  VehicleConfig configs[VEHICLE_MAX_CONFIGS] = {};
  Vec3 enginePosition = {};
  Vec3 driverPosition = {};  // x < 0: the driver sits on the left
  float backSeatLateral = 0;  // derived from the driver's position on reading
  float backSeatForward = 0, backSeatUp = 0;
  Vec3 mainBatteryPosition = {};
  Vec3 smallBatteryPosition = {};
  float smallBatteryMass = 0;  // kg, the 12-volt battery
  Vec3 spareWheelPosition = {};
  float spareWheelPitch = 0;
  float steeringWheelTurn = 0;   // rad each way
  float steeringWheelAlign = 0;  // rad from the forward direction
  float steeringWheelPitch = 0;  // rad from horizontal
  float trailReduction = 0;      // m
  float transmissionConstants[3] = {};
  uint32_t lightsAndAids = 0;    // AID_ bits and the lights
  uint8_t dashType = 0;
  uint8_t dashSize = 0;   // bytes of the block stored
  uint8_t dashByte = 0;
  uint8_t seatsPerRow = 0;  // 1..3, derived on reading
  uint8_t dash[DASH_BLOCK_SIZE] = {};
  uint32_t engineWords[2] = {};  // 7680 and 5120 once read
  uint8_t gearPositions = 0;     // reverse, neutral and the forward gears
  float reverseRatio = 0;
  ColourWord colours[VEHICLE_COLOURS] = {};  // red in byte 0
  int32_t framePointCount = 0;
  FramePoint* framePoints = nullptr;  // malloc'd
  int32_t frameTubeCount = 0;
  FrameTube* frameTubes = nullptr;    // malloc'd
  float suspensionMassConstant = 0;
  int32_t wheelCount = 0;
  Vec3 wheelPositions[CAR_MAX_WHEELS] = {};  // the stored rest positions of the wheels
  CarWheel wheels[CAR_MAX_WHEELS] = {};
  SuspensionBlock wheelSets[CAR_WHEEL_SETS] = {};
  ModelObject* model = nullptr;  // the body; freed with the data only when ownsModel
  uint8_t ownsModel = 0;
  uint8_t modelPresent = 0;
  uint8_t spokeCount = 1;         // 1..22
  uint8_t rimBytes[3] = {};       // at most 1; then the lowest and highest tyre type (0..7)
  int16_t rimWords[2] = {};       // with OPT2_RIM_WORDS: the lowest and highest tyre pressure, kPa
  ModelObject spoke = {};         // the spoke object, named "spoke"
  WXS* rim = nullptr;
  // The aerodynamic items (rear wing, front wing, undertray, aero centre): lift, drag and side
  // drag areas, m^2 (the force in newtons at 1 m/s).
  float aero[AERO_ITEMS][3] = {};

  // Figures of the vehicle that no file stores: the vehicle editor sets them; a vehicle read
  // from a file has these values.
  uint8_t wingAngles[2][3] = {};  // rear wing, front wing: the lowest, highest and base angle, degrees
  float wheelBaseAddition = 0;    // m: the front axle's extra length, added to the wheel base
  uint8_t setupsInStep = 0;       // an edited set-up is copied back into the default set-up chosen
  uint32_t transmissionFlags = 0; // counted with transmission types 1 to 3 only

  // The choices of the car built from the data.
  SetupRecord currentSetup = {};
  int32_t setupIndex = 0;  // the default set-up chosen, -1 for the car's own
  ColourSet currentColours = {};
  int32_t colourIndex = 0;

  // Colour word 2 bit 24 set; fixed 0: the fourth bytes cleared, colour 2 two thirds of colour
  // 0, colour 5 0x1428F0; fixed 1: the fixed default colours.
  void ResetColours(int fixed);
  // The number of distinct non-empty names among the colour configurations (skin names:
  // compared without regard to case).
  int CountColourConfigNames() const;
  // 0 no driver, 4 a central driver, 3 a free drive side, 1 a locked left, 2 a locked right.
  int DriverSideCode() const;
  // The three transmission constants from the transmission type.
  void SetTypeConstants();
  // Every configuration takes the transmission type and both wheel sets' sizes.
  void CopyWheelsToConfigs();
  // The dashboard block of the dashboard type, as a new dashboard has it (dashboard.h).
  void SetDashDefaults();
  // The class defaults of a new set-up: bit 0 of its first word, and by class the bytes of
  // the record a new set-up of that class holds.
  void ApplyClassSetupDefaults(SetupRecord& record) const;
  // The engine file of the vehicle's engine (engine_file.h): a built-in vehicle's engine the
  // player chose, else the vehicle's engine name in its mod folder or in "data\engine", else
  // the engine "DEFAULT".
  void LoadEngineFile();
};

// The colour configuration a vehicle that stores none is shown in: no name, our neutral body
// and rim colours, clamped as stored colours are.
ColourSet DefaultColourConfig();

// Gives the data the defaults of a new vehicle (what a new car starts with): one
// configuration "DEFAULT" showing every layer, the engine's defaults, a spoke object with the
// model defaults and no points.
void InitVehicleData(VehicleData& data);
// Releases the frame, the model when owned, the spoke object, the rim and the engine's waves;
// the data must be given InitVehicleData's defaults before it is used again.
void FreeVehicleData(VehicleData& data);
// The parts FreeVehicleData releases, for owners that release them in an order of their own.
void FreeVehicleModel(VehicleData& data);
void FreeVehicleFrame(VehicleData& data);
void FreeVehicleRim(VehicleData& data);
