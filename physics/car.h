// car.h - the car: a rigid body with the vehicle data it is built from, its wheels and wheel
// sets, its model objects and drawing state, and what its construction and release do.
//
// Sections: [Parts] [Mass model] [Release hooks] [Damage nodes] [Lights and mirrors]
//           [Stepping] [Driving] [Set-up] [Race rules] [Car] [Live cars]
//
// Layers: the car step of physics/ and the vehicle model above it both read and write it; it
// stands on the rigid body (solid/solid.h) and the vehicle data (vehicle_data/), whose
// wheels and wheel sets (wheel/wheel.h) push on the car as a Solid.  The members that
// read a vehicle, load its animations, build its model and meshes or check its textures are
// defined above it, by the vehicle model and the front end: they stand together in the
// struct's block [Defined above], which the car simulation never calls.  The car's set-up from its vehicle
// data (car_setup.cpp, with its wheels in car_setup_wheels.cpp and its parts in
// car_setup_parts.cpp), its generated mass model (car_mass.cpp) and the read-only questions
// the editor and the car step ask of it (car_queries.cpp) are the car simulation's.
//
// A car is made any number of times (the vehicle editor, the garage and every name look-up
// make temporary cars) and may be deleted in every state: new, loaded, with its model objects,
// with its meshes built.  Every release step checks for what exists.  Main thread only; the
// plate slot is returned under PlateLock.
//
// The car lock (CarLock) guards what other threads may post to a car: a model rebuild
// request, a helmet skin change, the damage nodes and both damage versions.  It is recursive,
// as a critical section is, and is taken before PlateLock, never after.
#pragma once
#include <cstdint>
#include <mutex>

#include "core/smooth_curve.h"
#include "physics/car_events.h"
#include "physics/car_packets.h"
#include "physics/car_race.h"
#include "solid/solid.h"
#include "vehicle_data/vehicle_data.h"

struct AnimInstance;
struct Animation;
struct Car;
struct CarDrawing;
struct DataFile;
struct DrawMesh;
struct GouraudColour;
struct GouraudO3d;
struct Material;
struct TexturePage;
struct ZKTETexture;

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

// ---- [Mass model] ----
// The car's mass, centre of mass and inertia are made from its vehicle data: every frame tube
// a thin rod, every other heavy part a solid box of derived mass and size.  The same walk
// over the parts (Car::BuildFrameGeometry) draws the boxes, sums the masses or sums the
// inertia, by its mode.
enum MassMode { MASS_DRAW = 0, MASS_SUM = 1, MASS_INERTIA = 2 };
// The physics-invalid code of a car that is not stepped: its masses are not physical (1), its
// inertia is not (2), a tyre of a wheel set that carries a wheel is not (3), or another
// figure of the vehicle that the set-up reads is not a number, or its engine cannot be stepped
// (EngineModel::SimulationFault) (4).
enum InertiaStatus : uint8_t {
  INERTIA_VALID = 0,
  INERTIA_NO_MASS = 1,
  INERTIA_SINGULAR = 2,
  INERTIA_BAD_TYRE = 3,
  INERTIA_BAD_FIGURE = 4,
};
constexpr float MASS_LEAST = 0.001f;  // kg: a lighter car has no centre of mass or inertia
constexpr float INERTIA_LEAST_DETERMINANT = 1e-6f;

// One box, in car axes.  The colours are the interface's palette entries at the time of the
// call: seats and spare wheel panelGrey, people lightYellow, engine and suspension lightGreen,
// fuel tank message, 12-volt battery orange, wheels lightOrange.
struct MassBox {
  float mass;      // kg
  Vec3 centre;     // m
  Vec3 halfSize;   // m
  ColourWord colour;
};
// The part masses the vehicle editor lists, kg.
struct CarPartMasses {
  float frame, engine, tank, wheels, humans, seats, suspension;
};
// What the car's mass properties are rebuilt from: the inertia about the car's origin, the
// centre of mass and mass, and the same without the wheels (the sprung mass, on which
// gravity acts at its own centre).  A new car's base and sprung masses are 1000 kg.
struct MassProperties {
  float inertia[9] = {};
  Vec3 centreOfMass = {};
  float mass = 1000.0f;
  Vec3 centreWithoutWheels = {};
  float massWithoutWheels = 1000.0f;
};
constexpr int PASSENGER_SLOTS = 4;  // 1 the front passenger, 2 to 4 the back seats
// Draws one box of the mass view through a transform (car axes to the world); the draw mode
// calls it for every box.  DrawOrientedBox of the renderer by default.
extern void (*DrawMassBox)(const MassBox& box, const FixedTransform& transform);

// ---- [Release hooks] ----
// What the layers above release of a car, called in this order by its destructor; each is
// null until its layer installs it.
struct CarReleaseHooks {
  void (*releaseModelObjects)(Car& car);  // the model's graphics objects
  void (*freeAnimations)(Car& car);
  void (*releaseMeshes)(Car& car);        // what the vehicle model made for drawing: the level
                                          // and wheel-set meshes, tyre buffers, plate slot
  void (*writeEventRecord)(Car& car);     // a recording car's closing records
};
extern CarReleaseHooks CarRelease;

// ---- [Damage nodes] ----
// A dent of the body.  The car keeps up to CAR_DAMAGE_NODES and applies them twice: to its
// physical points and wheel mountings (ApplyDamageNodesPhysical, car_damage.cpp) and to its
// drawn level meshes (ApplyDamageNodesGraphical, the vehicle model's).  Damage never builds up
// in place: each application starts from the undamaged copies and applies every node again.
struct DamageNode {
  uint8_t point;       // the physical point the dent is centred on
  uint8_t depth;       // 0..255; 255 the full depth, a dent radius
  uint16_t direction;  // PackDamageDirection: x in bits 11..15, y 6..10, z 1..5, bit 0 clear
};
static_assert(sizeof(DamageNode) == 4, "a damage node is 4 bytes, as the network carries it");
constexpr int CAR_DAMAGE_NODES = 16;
constexpr float DAMAGE_DIRECTION_SCALE = 30720.0f;  // a unit component's 16-bit value
constexpr double DAMAGE_DEPTH_LIMIT = 0.333;        // of the radius: how deep along the direction a dent reaches

// Each component (of a unit vector) as round(c x 30720), of which the top five bits are kept.
uint16_t PackDamageDirection(float x, float y, float z);
// Each component as the signed 16-bit value with its five bits on top, divided by 30720.
Vec3 UnpackDamageDirection(uint16_t packed);

// One node's dent, in double precision: centre c (the undamaged position of its point, m),
// unit direction d, radius R = D / 2 (D the car's damage size), depth m = depth x R / 255 and
// depth limit L = 0.333 R.  A position p with v = p - c, a = v . d and q = |v|^2 is reached
// when a < L and q < R^2; it moves by d x amount, amount = m g (1 - q / R^2) with g = 1 for
// a < 0 and 1 - a / L otherwise.
struct DamageDent {
  double centre[3];
  double direction[3];
  double depth;          // m
  double radiusSquared;  // R^2
  double limit;          // L
  bool Reaches(double x, double y, double z, double& amount) const {
    const double vx = x - centre[0], vy = y - centre[1], vz = z - centre[2];
    const double q = vx * vx + vy * vy + vz * vz;
    if (!(q < radiusSquared)) return false;  // a position that is not finite is never reached
    const double a = vx * direction[0] + vy * direction[1] + vz * direction[2];
    if (!(a < limit)) return false;
    const double g = a < 0.0 ? 1.0 : 1.0 - a / limit;
    amount = depth * g * (1.0 - q / radiusSquared);
    return true;
  }
};
// The dent of a node of the car; false (nothing to apply) for a point the car does not have
// or whose place is not finite, a car without its undamaged points, or a damage size that is
// not a positive finite length.
bool MakeDamageDent(const Car& car, const DamageNode& node, DamageDent& dent);

// The undamaged copy of one level mesh: every vertex's 16.16 position and normal, and every
// subobject's 16.16 position.  Made by the vehicle model (Car::SaveUndamagedMeshes).
struct UndamagedVertex {
  int32_t position[3];
  float normal[3];
};
struct UndamagedMesh {
  UndamagedVertex* vertices;  // new[]; null: no copy of this level
  int32_t vertexCount;
  IntVector* subobjects;      // new[]
  int32_t subobjectCount;
};
void FreeUndamagedMeshes(Car& car);

// After Car::RestoreUndamagedPoints: each node in list order moves every wheel's mounting
// point by its dent, then its own point by d x m.  Without physical points nothing moves
// ("DBG: IPoints==NULL in ApplyDamageNodesPhysical" in debug).
void ApplyDamageNodesPhysical(Car& car);
// The repair's first step: when the car has nodes, under CarLock, the undamaged points come
// back (not in a batch run), the node count and the physical damage version go to 0.  The
// next drawn frame restores the meshes.
void RemoveCarDamage(Car& car);

// The car lock: recursive, taken before PlateLock.  It also guards the car's event queue and
// its pending damage restore against the threads that read them.
extern std::recursive_mutex CarLock;

// ---- [Lights and mirrors] ----
// The eight lights, in this order; each is found from the model's mappings by name.
enum CarLightIndex : uint8_t {
  LIGHT_BRAKE = 0, LIGHT_HEAD, LIGHT_TAIL, LIGHT_LEFT_INDICATOR, LIGHT_RIGHT_INDICATOR, LIGHT_REAR_FOG,
  LIGHT_FRONT_FOG, LIGHT_REVERSE,
};
constexpr int CAR_LIGHTS = 8;
constexpr int CAR_LIGHT_NAMES = 4;
enum CarLightMode : uint8_t { LIGHT_WHOLE_CAR = 0, LIGHT_LEFT_SIDE = 1, LIGHT_RIGHT_SIDE = 2 };
struct CarLight {
  uint8_t mode;       // CarLightMode: the vertices it takes
  uint8_t found;      // 1 when a light material was found or made for its texture
  uint8_t colour[3];  // red, green, blue brightness indices: the vehicle's colour of the light
  const ModelMapping* slots[CAR_LIGHT_NAMES];  // the first mapping found for each name
  int16_t slotIndex[CAR_LIGHT_NAMES];          // that mapping's index in its own object
  const Material* material;  // null: the light does not exist (its mesh is the drawing record's)
};

// The three mirrors: the internal mirror (a subobject of type 10) and a side mirror on each
// side (mirror-material surfaces of the body).  Positions in metres, car axes.
enum CarMirrorIndex : uint8_t { MIRROR_INTERNAL = 0, MIRROR_LEFT = 1, MIRROR_RIGHT = 2 };
constexpr int CAR_MIRRORS = 3;
struct CarMirror {
  uint8_t active;
  Vec3 boundsMin, boundsMax;  // the mirror surface
  Vec3 centre;
  Vec3 corners[4];            // of the surface, seen from the eye: lower left, lower right, upper right, upper left
  Vec3 normal;                // unit, towards the eye
  Vec3 viewPosition;          // where the mirror's image is seen from
  float viewOrientation[9];   // rows: right, forward, up of the mirror's view
  IntVector subobjectPosition;  // the internal mirror's subobject (16.16)
  int32_t radius;             // 16.16: the internal mirror's box, from its centre
};
// Adjustment angles, tenths of a degree: a heading and a pitch for each mirror in index order.
constexpr int MIRROR_ANGLES = 2 * CAR_MIRRORS;

// What a wheel holds of the body's subobjects of these types.
enum WheelSubobject : uint8_t {
  WHEEL_SUB_BRAKE = 0, WHEEL_SUB_TRAILING_ARM, WHEEL_SUB_MUDGUARD, WHEEL_SUB_HANDLEBAR, WHEEL_SUB_HUB,
};
constexpr int WHEEL_SUBOBJECTS = 5;
constexpr int CAR_SKIN_NAME_SIZE = 16;    // the colour set's name, as the vehicle file keeps it
constexpr int CAR_SKIN_TEXTURE_SIZE = 24; // "prefix_skin"
constexpr int CAR_PLATE_TEXT_SIZE = 8;    // a number plate's text
// ---- [Stepping] ----
// The car is stepped in 1 ms steps up to the time drawn (Car::AccumulateRunTime), at most a
// second behind: anything more is dropped.
//
// A car on show that has come to rest asks for no more frames: each drawn frame compares
// what is drawn of it (its position and orientation, each wheel's travel, steer and spin,
// and the engine's speed that the rev counters show) with the frame before, and only a car
// that moved more than CAR_REST_DISTANCE_M, CAR_REST_ANGLE_RAD or CAR_REST_ENGINE_SPEED keeps
// the frames coming (KeepDrawing, core/frame_globals.h).  A frame that advanced no time keeps
// the last verdict.
constexpr double CAR_REST_DISTANCE_M = 0.0001;                        // 0.1 mm
constexpr double CAR_REST_ANGLE_RAD = 0.01 * 3.14159265358979323846 / 180.0;  // 0.01 degree
constexpr double CAR_REST_ENGINE_SPEED = 0.1;                         // rad/s, about 1 rpm
struct CarShownPose {
  IntVector position;
  float orientation[9];
  float engineSpeed;
  float wheelTravel[CAR_MAX_WHEELS], wheelSteer[CAR_MAX_WHEELS], wheelRotation[CAR_MAX_WHEELS];
  int32_t wheelCount;
  uint8_t recorded;  // a pose is held
  uint8_t moving;    // the last verdict
};
constexpr float CAR_STEP_SECONDS = 0.001f;
constexpr uint32_t CAR_STEP_MS = 1;
constexpr uint32_t CAR_MOST_LAG_MS = 1000;
constexpr uint8_t LOCATION_ON_TRACK = 2;  // the car is on a loaded track: wind, path
constexpr float FUEL_KG_PER_LITRE = 0.74f;
// The mass-property record the step starts from (Car::UpdateMassProperties); the other keeps
// the mass model's own result.
constexpr int MASS_RECORD_BUILT = 0;
constexpr int MASS_RECORD_BASE = 1;

// The statistics a connected car sends its host: the distance and fuel it used, in whole
// metres and hundredths, once either reaches its threshold.  An accumulator that reaches
// twice its threshold (a jump, not driving) is reported and dropped.
constexpr int32_t STATS_DISTANCE_THRESHOLD = 2048 << 16;  // 16.16 m
constexpr int32_t STATS_DISTANCE_JUMP = 4096 << 16;
constexpr int32_t STATS_FUEL_THRESHOLD = 192 << 16;       // hundredths, 16.16
constexpr int32_t STATS_FUEL_JUMP = 384 << 16;
constexpr const char* TEXT_STATS_DISTANCE_ERROR = "STATS : distance error";
constexpr const char* TEXT_STATS_FUEL_ERROR = "STATS : fuel error";
// "<vehicle> : motion out of range - car stopped": a step whose motion was not finite or
// would carry the car beyond the 16.16 world.
constexpr const char* TEXT_CAR_MOTION_OUT_OF_RANGE = "motion out of range";
constexpr const char* TEXT_CAR_STOPPED = "car stopped";
// The car on show: "<vehicle> : car placed again" after its motion ran away, or "<vehicle> :
// <why> - car stays halted until its set-up changes" when it runs away again within 5 s.
constexpr const char* TEXT_SHOW_CAR_PLACED = "car placed again";
constexpr const char* TEXT_SHOW_CAR_STAYS_HALTED = "car stays halted until its set-up changes";

// One aerodynamic item of the car (rear wing, front wing, undertray, aero centre): what the
// set-up makes of it and what the step gives and takes.
enum AeroItemIndex { AERO_REAR_WING = 0, AERO_FRONT_WING = 1, AERO_UNDERTRAY = 2, AERO_CENTRE = 3 };
constexpr uint8_t AERO_PRESENT = 1;
constexpr uint8_t AERO_FRONT_UNSPRUNG = 2;  // the front wing rides on the front wheels
constexpr uint8_t AERO_REAR_UNSPRUNG = 4;   // the rear wing rides on the rear wheels
struct AeroItem {
  uint8_t flags;        // AERO_ bits
  float angle;          // rad, the wing's setting
  float liftArea, dragArea;      // m^2, the vehicle's
  float liftFactor, dragFactor;  // the areas at the wing's setting (the areas themselves for
                                 // the undertray and the aero centre)
  float mix;            // the item's share of the front axle's figures: 0.3 rear wing,
                        // 0.7 front wing, 0.5 the others
  Vec3 centre;          // car axes, m
  Vec3 airVelocity;     // m/s, world: the wind, given by the integration
  Vec3 lift, drag;      // N, world
  float downforce;      // N, the lift taken out along the car's z
};

// The 3x3 identity into m (row-major).
void SetIdentity3x3(float m[9]);

// ---- [Driving] ----
// The driver's input words, which the controls set: 0..65535, the steering 32768 straight.
constexpr uint16_t STEERING_STRAIGHT = 32768;
struct CarInputs {
  uint16_t steering = STEERING_STRAIGHT, throttle = 0, brake = 0, clutch = 0, handbrake = 0;
  CarRequests requests;           // the shift buttons, gear, switches: Car::ControlSum counts
                                  // shift up and down, ignition and pit limiter
  int16_t replayDeltas[3] = {};   // a replayed remote car's steering, throttle and brake per step
  uint16_t replayHold = 0;        // steps the replayed words stay
};
// The controls after smoothing (0..1; the clutch 1 fully disengaged) and the steer angle.
struct CarControls {
  float throttle = 0, clutch = 0, brake = 0, handbrake = 0;
  float steerAngle = 0, previousSteerAngle = 0;  // rad, positive to the left
  float keptThrottle = 0;      // the throttle before the traction cut, for the end of the step
  float tractionFactor = 1.0f; // 1 - the traction cut; 2 marks a cut that is not given back
  float regenShare = 0, frictionShare = 1.0f;  // of the driven axle's brake demand
  float antiLockReference = 0; // m/s: the fastest wheel's ground speed
};
// What the driving aids are set to (the controls and the set-up write them).
constexpr uint8_t ASSIST_TRACTION = 1;        // traction control
constexpr uint8_t ASSIST_KEEP_CUT = 2;        // the traction cut acts on one step's torque only
constexpr uint8_t ASSIST_ENGINE_BRAKING = 4;  // engine-braking compensation
struct CarAssists {
  uint8_t word = 0;              // ASSIST_ bits
  uint8_t autoClutch = 0, brakeAssist = 0, regenerative = 0, tractionDisabled = 0;
  uint8_t pitLimit = 0;          // km/h, 0 none
  uint8_t tractionSlip = 0;      // thousandths
  uint8_t tractionMinSpeed = 0;  // m/s
  uint8_t compensation = 0;      // percent of the engine's loss made good
  uint8_t hold = 0, remoteHold = 0, holdMode = 0;  // the brake hold while stopped
  float tractionGain = 1.0f;
  float regenTorque = 0, regenCornerSpeed = 0;  // N m and rad/s of a regenerating motor
  uint8_t electricOn = 1, selectorInDrive = 1;
};
// Timers, s, counting down to 0, and the set values the engine kind gives them.
struct CarTimers {
  float antiStall = 0, ignitionCut = 0, blip = 0, brakeLimit = 0, engineCut = 0;
  float antiStallSet = 0.05f, upShiftSet = 0.05f, blipSet = 0.05f;
  uint16_t launchHold = 0;
};
// A wheel's share of the car's step besides its record: the contact search, the drive and
// brake, and the marks it leaves.
constexpr int32_t TYRE_MARK_NONE = -2;   // no strip: the next mark starts a new one
constexpr uint8_t SECOND_CONTACT_COUNTDOWN = 9;
struct WheelStep {
  int32_t contactCountdown = 0;  // 16.16 m: falls by the car's last-step distance
  uint8_t noSecondContact = 0;
  uint8_t secondInContact = 0;
  uint8_t secondCountdown = 0;   // 9..0 while the tyre ray finds nothing
  uint8_t hasObject = 0;         // the wheel counted against a world object this search
  float driveTorque = 0;         // N m this step
  float antiRollForce = 0;       // N along the travel, compressing
  float gripUse = 0;             // share of the tyre's patch that slides, 0..1 (the tyre step's indicator)
  uint8_t antiLockRelease = 0;   // percent of the brake released
  float markStrength = 0;
  int32_t markSlot = TYRE_MARK_NONE;
  IntVector lastMark = {};       // 16.16
};
// The surface kinds' rows the contact step reads (the tyre model's table, wheel):
// the grip factor, the grip class (which of the wheel set's two grips applies), the marks flag
// and the dust flag.
float SurfaceGripFactor(int kind);
int SurfaceGripClass(int kind);
int SurfaceTakesMarks(int kind);
int SurfaceRaisesDust(int kind);
// What the wheel effects draw, installed by the program when 3D graphics are on: a point of
// a tyre-mark strip (the strip ring's AddTyreMark: the new slot) and a 3D line of smoke or dust
// (its life factor, colour, alpha and size).  Null: no effects, and each mark strength is 0.
struct CarEffectHooks {
  int (*addTyreMark)(const int32_t a[3], const int32_t b[3], const uint32_t words[3], int previous, uint16_t value,
                     const void* owner, float intensity);
  void (*addLine)(const int32_t points[6], int32_t length, const uint8_t* colour, uint8_t alpha, int32_t size);
};
extern CarEffectHooks CarEffects;
// The event bits of Car::eventByte (Car::SendEventPacket sets them).
constexpr uint8_t CAR_EVENT_OFF_ROAD = 0;
constexpr uint8_t CAR_EVENT_IMPACT = 1;
constexpr uint8_t CAR_EVENT_PIT_SPEEDING = 2;
constexpr uint8_t CAR_EVENT_REVERSED = 3;     // stepped back five path nodes
constexpr uint8_t CAR_EVENT_CORNER_CUT = 5;   // cut the inside of a bend beyond its limit
constexpr float IMPACT_EVENT_ACCELERATION = 60.0f;  // m/s^2, horizontal
// The step's summed force of the body points' contacts (and the wheels' edges against fixed
// objects), shared by all cars: zeroed each step and read at its end.
extern Vec3 CarImpactSum;
// "<vehicle> : unsafe state - car stopped": speed beyond 200 m/s or height outside -20..160 m.
constexpr const char* TEXT_CAR_UNSAFE = "unsafe state";
constexpr float CAR_MOST_SPEED = 200.0f;
constexpr float CAR_LOWEST_HEIGHT = -20.0f, CAR_HIGHEST_HEIGHT = 160.0f;
constexpr uint32_t OPT2_HANDBRAKE = 1u << 11;
constexpr uint32_t OPT2_FLASHER = 1u << 13;
constexpr uint32_t OPT2_STARTER = 1u << 15;  // the engine has a starter (and is switched off when parked)
constexpr uint32_t OPT1_LAST_DRIVEN_WHEEL_SPEED = 1u << 14;
constexpr int REST_STEPS = 1000;

// The step's rules that stand alone.
// The steer angle of a steering word at a lock (degrees): 0 at 32768, positive to the left.
float SteerAngleOfWord(uint16_t word, int lockDegrees);
// The clutch of the engine kind with a fixed curve: 1 (disengaged) up to 2000 rpm, falling
// linearly to 0 at 2600 rpm.
float CentrifugalClutch(float engineSpeed);
// The share of the throttle a pit speed limit (km/h) leaves at a speed (m/s): 1 below seven
// eighths of the limit, falling to 0 at the limit.
float PitLimitScale(float speed, int limitKmh);
// 1 when the step's impact force, across the car's x and y axes over its mass, is a horizontal
// acceleration above 60 m/s^2.
int IsImpactAcceleration(const Vec3& impactSum, const float orientation[9], float mass);
// A wing's lift and drag coefficients at its setting and angle of attack (rad) with its lift
// and drag gains: (sin d x 1.03923 + 0.1) x lift gain and ((1 - cos d) x 1.8 + 0.1) x drag gain,
// d = 2 (setting - angle).
void WingCoefficients(float setting, float angle, float liftGain, float dragGain, float& lift, float& drag);
// How an axle's differential shares its torque between its two wheels.
enum DifferentialKind : uint8_t { DIFF_OPEN = 0, DIFF_LOCKED = 1, DIFF_VISCOUS = 2, DIFF_LIMITED_SLIP = 3 };
struct AxleDifferential {
  uint8_t kind = DIFF_OPEN;
  uint8_t viscous = 0;        // N m per rad/s of spin difference
  uint8_t powerLocking = 0;   // percent
  uint8_t coastLocking = 0;   // percent
  uint8_t preload = 0;        // steps of 5 N m
};
// torque split between wheels a and b (spins in rad/s, each wheel's spin inertia): half each,
// a viscous coupling moves (spin a - spin b) x strength from the faster, a limited-slip one
// moves the locking share of the half torque (and 5 N m each preload step) to the slower,
// never more than would bring their spins together in one step.
void SplitAxleTorque(const AxleDifferential& d, float torque, float spinA, float spinB, float inertia, float dt,
                     float& a, float& b);

// ---- [Set-up] ----
// The set-up from the vehicle data (Car::SetupFromVehicle) and the figures it makes.
constexpr int SKIN_ID_SIZE = 8;
constexpr int PIT_ITEM_COUNT = 16;
constexpr float LEAST_WHEEL_BASE = 0.01f;  // m: what a wheel base divides by at the least
constexpr float LEAST_TOP_SPEED = 1.0f, MOST_TOP_SPEED = 200.0f;  // m/s
constexpr int LEAST_STEERING_LOCK = 10;  // degrees
constexpr float MOST_RIDE_HEIGHT_CHANGE = 0.08f;  // m from the first default set-up's
// The capability word's bits (Car::MakeFlagWord).
constexpr uint32_t CAR_FLAG_PIT_LIMITER = 1u << 3;
constexpr uint32_t CAR_FLAG_GEARBOX_CUT = (1u << 11) | (1u << 28);
// "<vehicle> : <figure> not physical - car not simulated": a vehicle the set-up refuses.
constexpr const char* TEXT_CAR_NOT_PHYSICAL = "not physical - car not simulated";
// "<vehicle> : set-up <field> not a number - <value> taken": a set-up float mended.
constexpr const char* TEXT_SETUP_NOT_A_NUMBER = "not a number -";
// The speed at which the power (W) through the drivetrain holds against the drag (N at
// 1 m/s, growing with the square of the speed): (power x efficiency / drag)^(1/3), held to
// 1..200 m/s (1 when it is not a number).
float EstimateTopSpeed(float power, float efficiency, float dragFactor);
// The wheels the car holds (at most CAR_MAX_WHEELS).
int CarWheelCount(const Car& car);
// 1 when a wheel record belongs to the wheel set (0 rear, 1 front): only such a set's tyre is
// known to be physical.
bool SetCarriesWheel(const Car& car, int axle);
// The car's code text (8 bytes) from its 32-bit code: empty for a code whose fourth byte is not
// 0, the three characters of a short car name, else "%06X".
void FormatSkinId(uint32_t carCode, char out[SKIN_ID_SIZE]);

// ---- [Race rules] ----
// What the race's settings say to the car (the race writes them; offline all zeros): the
// race flags and, for each built-in car, the host's minimum ballast (kg) and minimum intake
// restriction (percent).
constexpr uint32_t RACE_FLAG_REFUELLING = 0x800;
struct RaceRules {
  uint32_t flags = 0;
  uint8_t minimumBallast[BUILTIN_VEHICLE_COUNT] = {};
  uint8_t minimumRestriction[BUILTIN_VEHICLE_COUNT] = {};
};
extern RaceRules RaceSettings;

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
  // 1 unless the car is driven by received data.
  int IsLocalCar() const override { return remote ? 0 : 1; }

  uint32_t runTime = 0;    // ms
  uint32_t stepClock = 0;  // ms
  // The pose the car was last shown in, and whether it had moved then (CarShownPose).
  CarShownPose shownPose = {};
  uint8_t simulated = 0;   // the car was built to be stepped; cleared by the destructor
  float steeringTorqueSum = 0;  // N m about the steering axis, summed by the steered wheels

  // Kept by the loader.
  int32_t driverSlot = 0;
  uint32_t pairWords[2] = {};
  char loadText[CAR_TEXT_SIZE] = {};
  uint32_t loadWord = 0;
  uint8_t optionByte = 3;  // read by the AI's trait probe

  // Model objects and drawing state.
  GouraudO3d* levelMeshes[CAR_LEVEL_MESHES] = {};
  GouraudColour* wheelMeshWork = nullptr;  // malloc'd by the wheel meshes: the rim points' colours
  uint8_t meshesWanted = 0;
  float headlightColour[3] = {1.0f, 1.0f, 1.0f};  // until the graphics build sets it
  int32_t plateSlot = -1;
  char plateText[CAR_PLATE_TEXT_SIZE] = {};  // zero-padded, not ended when full; empty: the default plate
  uint8_t recordingState = 0;
  Vec3* undamagedPoints = nullptr;  // malloc'd: each physical point's position, undamaged
  uint16_t undamagedPointCount = 0;
  int32_t partCount = 0;
  CarPart* parts = nullptr;  // malloc'd by the model assembly

  // The mass model's results (car_mass.cpp).
  CarPartMasses partMasses = {};
  Vec3 tankHalfSize = {};       // the fuel tank's or traction battery's box
  Vec3 tankDrawnPosition = {};  // its position, x negated on a mirrored car
  Vec3 seatPositions[PASSENGER_SLOTS] = {};  // where the passengers of slots 1..4 sit
  Vec3 centreWithoutWheels = {};
  MassProperties massRecords[2] = {};
  // The physics-invalid code: a car whose set-up is not physical (INERTIA_NO_MASS, or an
  // inertia that cannot be inverted, INERTIA_SINGULAR) is never stepped.
  uint8_t inertiaStatus = INERTIA_VALID;
  FixedTransform drawTransform = {};  // the car as drawn: car axes to the world

  // Figures the car's set-up keeps.
  int32_t radiusFixed = 0;         // 16.16 copy of the collision radius (Solid::radius)
  int32_t largestMeshRadius = 0;   // 16.16, the largest radius of the car's meshes
  float drivetrainEfficiency = 0;
  float totalLiftArea = 0, totalDragArea = 0;  // m^2, summed over the aerodynamic items
  float totalLiftFactor = 0, totalDragFactor = 0;
  uint8_t singleAxleMotor = 0;     // an electric motor driving one axle
  uint8_t openRoof = 0;            // the configuration chosen is "OPEN ROOF"
  uint8_t antiLock = 0;            // the anti-lock braking switch
  uint8_t gearCount = 0;           // gear positions (reverse, neutral, the forward gears): 3..9
  uint8_t drivenWheels = 0;
  uint8_t appliedBallast = 0;      // kg, as Car::ApplyBallast last applied it
  uint8_t appliedBallastPosition = 0;
  uint8_t appliedRestriction = 0;  // percent, as Car::ApplyIntakeRestriction last applied it
  uint8_t adjustState = 0;         // the live adjustments' state
  uint8_t liveBrakeBalance = 0;    // percent
  float liveAntiRoll[CAR_WHEEL_SETS] = {};  // N/m, rear and front
  float frontShare = 0;            // of a four-wheel drive's torque
  float torqueFactors[CAR_WHEEL_SETS] = {};  // the drive torque's factor on the rear and front axle
  float steeringFactor = 0;        // wheel angle per steering-wheel angle
  float rearmostY = 0, foremostY = 0;  // m: the wheels' mounts, from 0
  float wheelOverhang = 0;         // m the wheels stand out beyond the body's width
  float bodyForceFigures[2] = {};  // the base mass x 300 and x 15
  float halfWidth = 0;             // m
  float lowestPoint = 0;           // m, car axes
  float centreHeight = 0;          // m: the centre of mass above the wheels' lowest reach
  Vec3 engineSpinAxis = {};        // car axes, the engine's direction of rotation
  float topSpeed = 0;              // m/s, estimated from the power and the drag
  float tyreRadiusRatio = 0;       // rear tyre radius over front
  uint32_t flagWord = 0;           // Car::MakeFlagWord
  // The pit instructions (physics/pit_instruction.h): the sixteen items' values and the time
  // left to show them, ms.
  int32_t pitValues[PIT_ITEM_COUNT] = {};
  int32_t pitDisplayMs = 0;
  // Behaviour bytes of the gearbox aids, by Car::SetOptionFlags: a, the byte beside it, b, c
  // and d.
  uint8_t gearAssist[5] = {};
  uint32_t configCrc = 0;  // Car::ConfigCrc's running value
  float steer = 0;         // the steering input
  // The vehicle editor's test weight: while bit 0 of testWeight is set, a mass of
  // testWeightMass kg presses down under gravity at testWeightPoint (m, car axes).
  uint8_t testWeight = 0;
  float testWeightMass = 0;
  Vec3 testWeightPoint = {};

  // The driver's and passengers' animations (vehicle/car_animations.h): owned, may be null.
  AnimInstance* steeringInstance = nullptr;
  Animation* steeringPose = nullptr;
  AnimInstance* passengerAnimations[PASSENGER_SLOTS] = {};

  // ---- the damage (car_damage.cpp; the drawn side in the vehicle model) ----
  DamageNode damageNodes[CAR_DAMAGE_NODES] = {};
  uint8_t damageNodeCount = 0;
  uint32_t physicalDamageVersion = 0;   // raised by each node added; 0 once the damage is removed
  uint32_t graphicalDamageVersion = 0;  // the physical version the drawn meshes last took
  float damageSize = 0;                 // D, m: a dent's radius is D / 2 (the wheel base, set up from the wheels)
  UndamagedMesh undamagedMeshes[CAR_LEVEL_MESHES] = {};

  // ---- the model assembly's state (the vehicle model's car_model.cpp and beside it) ----
  uint8_t configIndex = 0;          // the configuration built (configs)
  uint32_t modelRebuild = 0;        // under CarLock: 0 none, 1 rebuild, 2 rebuild with CarRebuildAll raised
  uint32_t helmetSkinChange = 0;    // under CarLock: the helmet skin is to be chosen again
  uint8_t builtOnce = 0;            // the first assembly is done (its checks run once)
  uint8_t wheelMeshesBuilt = 0;
  uint8_t modelInEditor = 0;        // the model is open in the modeller: a rebuild keeps the meshes
  uint8_t usesSkin = 0;             // the skin look-up knows the car while it is built
  uint8_t clockStyle = 0;           // 0..6: the dashboard clock pages' texture
  uint8_t materialWarning = 1;      // "Too many materials" may be shown
  char skinName[CAR_SKIN_NAME_SIZE] = {};        // the skin chosen for the car
  char skinTexture[CAR_SKIN_TEXTURE_SIZE] = {};  // the skin texture bound: "prefix_skin"
  char helmetName[CAR_SKIN_NAME_SIZE] = "DEFAULT";
  ColourWord helmetColour = 0;
  uint32_t requiredSkinTime = 0;    // minutes: a downloaded skin older than this is fetched again
  ZKTETexture* helmetTexture = nullptr;
  ZKTETexture* dashboardTexture = nullptr;
  const char* physicsCheck = nullptr;  // why the lowest level gave no physical points; null when it did
  DrawMesh* wheelSubobjects[CAR_MAX_WHEELS][WHEEL_SUBOBJECTS] = {};
  // What drawing the car keeps (its GPU meshes, tyre buffers and per-frame drawing state):
  // the vehicle model's record (vehicle/car_drawing.h), made on first use and released with
  // the car's meshes.  Null until the car is given graphics.
  CarDrawing* drawing = nullptr;
  CarLight lights[CAR_LIGHTS] = {};
  IntVector headlightPosition = {};        // 16.16, car axes
  CarMirror mirrors[CAR_MIRRORS] = {};
  int16_t mirrorAngles[MIRROR_ANGLES] = {};  // the adjustments in force (tenths of a degree)
  uint8_t mirrorsOn = 1;                   // the mirrors are measured (and drawn)
  Vec3 headOffset = {};                    // the driver's eye from the seat position (the figure gives it)

  // Sets the class option bits (option word 2) the vehicle class gives (0xE00, 0x100,
  // 0x1000, 0x6000, 0x8000 by class); called when a file's class-flags marker is 0.
  void SetClassFlags();

  // ---- the set-up from the vehicle data (car_setup.cpp) ----
  // Turns the vehicle data and the current set-up into what the car steps with, in 36 steps:
  // gears, roof, the own set-up's clamps, mounts, caster, tyres, (with keepStructure 0) the
  // frame tubes and option bits, the engine, the wheels and their geometry, drive, tyre air,
  // (with keepStructure 0) the mass model and the extents, wheel base, aerodynamic items,
  // steering, load limits, body figures, brakes, suspension limits, top speed, handicaps and
  // the capability word.  Nothing at all for a set-up whose flags byte is 0.  The floating
  // point unit is reset first.  A vehicle whose masses, inertia, tyres or other figures are
  // not physical gets its physics-invalid code with one message and is not stepped.  Setting
  // up again gives every figure bit for bit as before.
  void SetupFromVehicle(uint32_t keepStructure);
  // The three mounts of both wheel sets from the frame points of roles 2, 1 and 3 (upper
  // pivot, lower pivot, thrust bearing): a point at y 0 or ahead serves the front set.
  void SetSuspensionMounts();
  // Brake torque per wheel of each set from the brake strength and balance.
  void SplitBrakes();
  // Each wheel whose suspension type is not rigid takes its axle's spring and damping, or
  // zeros while its spring is broken.
  void ApplySpringRates();
  // The ballast held to the vehicle's mass (and 200 kg), raised with the restriction by the
  // host's minimums for a built-in car; the ballast and restriction applied when changed.
  void ApplyHandicaps();
  // A point mass of kg at the ballast position added to the mass model's base values (kept
  // apart, so that it counts once); nothing below 0.001 kg of car.
  void ApplyBallast(int kilograms);
  // The engine's figures rebuilt with its power factor lowered by percent.
  void ApplyIntakeRestriction(int percent);
  // The wheel's x, upright x, hub, camber axis and kingpin axis from its wheel set.
  void SetWheelSuspensionGeometry(CarWheel& wheel);
  // The aerodynamic items' lift taken by the rear and the front axle (lever rule).
  void SplitLoadsToAxles(float& rear, float& front) const;
  // The wheel base as the load limits, the axle loads, the lean and the impact damage divide
  // by it: at least LEAST_WHEEL_BASE (the stored wheel base is left as it is).
  float WheelBaseDivisor() const { return wheelBase >= LEAST_WHEEL_BASE ? wheelBase : LEAST_WHEEL_BASE; }
  // The lowest point of the wheels and body points, 0 with neither.
  float LowestPoint() const;
  // The fuel amount as a share of the fuel capacity (which the set-up takes from the
  // vehicle's tank), percent (0..100).
  void SetFuelLoad(float percent);
  // The 32-bit capability word of the car.
  uint32_t MakeFlagWord() const;
  // The set-up the vehicle's figures are measured from: the first default set-up, or a
  // zeroed record when the vehicle stores none.
  const SetupRecord& FirstDefaultSetup() const;

  // ---- the mass model (car_mass.cpp) ----
  // Walks the parts in a fixed order: mode MASS_DRAW draws each box, MASS_SUM sums the
  // masses, the centre of mass and the part masses, MASS_INERTIA the inertia about the centre
  // of mass and its inverse (only right after a sum on the same data).  wheelCount wheels
  // (from the first, at most the car's) count as wheel boxes; 0 also leaves out the spare.
  void BuildFrameGeometry(int mode, int wheelCount);
  void AddMassBox(const MassBox& box, int mode);
  // A thin rod between two 16.16 points; the sum stores its mass in the tube.
  void AddFrameRod(const IntVector& a, const IntVector& b, FrameTube& tube, int mode);
  // One seat (back and cushion) of half width `width` at a seating position.
  void AddSeatBoxes(float x, float y, float z, float width, int mode);
  // One person (body and legs, 35 kg each) at a seating position.
  void AddHumanBoxes(float x, float y, float z, int mode);

  // ---- read-only questions (car_queries.cpp) ----
  // Widens the collision radius to hold every wheel (never shrinks it); the 16.16 radius is
  // at least largestMeshRadius.
  void ComputeBoundingRadius();
  // Whether the car has a front passenger seat (option bit 8 and the driver at least 0.2 m
  // off the centre line) and back seats (option bit 10).
  void GetAnimationNeeds(int& front, int& rear) const;
  // The car's design load (N, positive): the mass without occupants and 70 kg for each of 2
  // occupants (5 with back seats) under gravity, and the downforce at the estimated top speed
  // (at most MOST_TOP_SPEED) when the lift area is negative.
  float ComputeDownforce() const;
  // From the design load W: springs (1 + trunc(0.0011 W)) x 10000 N/m with a tenth of it as
  // the least, damping (1 + trunc(0.0011 W)) x 1000 N s/m likewise, anti-roll up to the
  // springs' most.
  void GetSuspensionLimits(float& springLeast, float& springMost, float& dampingLeast, float& dampingMost,
                           float& antiRollMost) const;
  // The tyre pressure range of an axle (0 rear, 1 front), kPa: the vehicle's own limits with
  // class option bit 0x10, else 0 to 1.5 x the first stored set-up's left pressure.
  void TyrePressureRange(int axle, int& lowest, int& highest) const;
  // The same, its top held to (1 + trunc(60 sqrt(mass / 1000))) x 10 kPa by the vehicle's own
  // mass (massWithoutOccupants), and above the lowest.
  void ClampedTyrePressureRange(int axle, int& lowest, int& highest) const;
  // That top, kPa: (1 + trunc(60 sqrt(mass / 1000))) x 10 (10 for no mass or a damaged one).
  int TyrePressureLimit() const;
  // The largest steering lock the vehicle allows, whole degrees.
  int GetMaxSteeringLock() const;
  // The allowed tyre type range by vehicle class (or the vehicle's own with class option bit 8).
  void GetTyreTypeRange(int& lowest, int& highest) const;
  // The gearbox aids' behaviour bytes from the player's aid bits and the transmission type.
  void SetOptionFlags(uint32_t bits);
  // A check word over the car's physical state.
  uint32_t StateCrc() const;
  // A check word over the car's configuration, seeded with seed; kept in configCrc.
  uint32_t ConfigCrc(uint32_t seed);

  // ---- on the ground and on the path (car_settle.cpp) ----
  // Where the car stands on the racing path: the node (-1 none) and the lateral offset from
  // it (m).  The path following sets them; until it finds a path they stay -1 and 0.
  int32_t pathNode = -1;
  float pathOffset = 0;
  // The path-info packet: 28 bytes, the size in 4-byte words and the type first.
  static constexpr int PATH_INFO_SIZE = 28;
  static constexpr uint8_t PATH_INFO_TYPE = 82;
  // Sets a placed car down on what lies under it in the loaded world, through the world's
  // map-square query: the height becomes the ground's height under the car's x and y plus
  // heightOffset (16.16; its callers pass round((0.05 - lowest point) x 65536), so that the
  // lowest point stands 5 cm above the ground); the car is tilted onto the ground's normal
  // keeping its heading; and it is pushed back out of what lies between its centre and the
  // corners of its outline.  A pass does all three; a pass that pushed the car starts the
  // sweep again, and after 12 passes no new sweep starts.  threePasses runs up to three
  // passes a sweep with the corners at 1, 0.75 and 0.5 of the outline; farOnly asks the ground
  // only from 160 m down.  With no world loaded nothing is met: the height becomes
  // heightOffset and the orientation stays.
  void SettleOnGround(int threePasses, int farOnly, int32_t heightOffset);
  // 1 when a wheel stands on ground of kind 4 or 8 (its surface byte), else 0.
  int AnyWheelFlagged() const;
  // Fills bytes 4 to 27 of the path-info packet (the caller writes the first four): the
  // player's id (its RacePlayer::id), the wheel flag, the height flag (1 below -20 m or above
  // 160 m), a zero, the path node, the lateral offset and the 16.16 position.
  void FillPathInfo(uint8_t packet[PATH_INFO_SIZE], uint8_t playerId) const;

  // ---- the drivetrain's ratios ----
  // The ratio of each gear slot (0 reverse, 1 neutral, 2 first, ...) and the final drive, as
  // the car's set-up gives them: reverse the vehicle's reverse ratio, neutral 0, the forward
  // gears and the final drive from the set-up's words; 0 until it does.
  static constexpr int GEAR_SLOTS = 9;
  static constexpr int FIRST_GEAR_SLOT = 2;
  float gearRatios[GEAR_SLOTS] = {};
  float finalDrive = 0;

  // ---- [Defined above] ----
  // Members the layers above the car simulation define: the vehicle model (vehicle/) builds
  // the car's model, figures and animations from the vehicle data, and the front end checks
  // its textures.  The car simulation never calls them: the layer check
  // (tools/check_layers.cmake) fails on a call from physics/ and on a member defined above
  // that is not in this block.
  //
  // The vehicle load (vehicle/car_load.cpp, car_people.cpp, car_animations.cpp).
  // Finds the vehicle's file (a mod folder under VehicleFileLock, the edit history's copy, or
  // "data\veh") and builds the car from it.  1, or 0 with the data file's error set.
  int LoadVehicle(const char* name, const VehicleLoadArgs& args);
  // Reads the open stream's body and builds what the car needs from it.  1 or 0.
  int BuildFromVehicle(DataFile& stream, int version, const char* name, const VehicleLoadArgs& args);
  // The model's objects when missing: an empty rim profile and the four level meshes.
  void AllocModelObjects();
  // The physical body from the model's lowest level of detail (car_model.cpp): asks for a
  // rebuild, gives the car its points when the level passes the physics check (physicsCheck
  // says why not), recomputes the extents and keeps an undamaged copy of the points.
  void BuildBodyMesh();
  // The driver's steering animation and the passengers' animations for the occupied seats;
  // nothing when the car has them already, has no driver or no human models are loaded.
  void LoadAnimations();
  void FreeAnimations();
  // Poses the driver's figure at the steering wheel for the current steer: the steering
  // animation's frame for it, blended with the next, set on the figure's solids.  Returns the
  // head point in metres from the seat, 0.02 m below the highest solid; (0, 0, -0.02) when the
  // car has no driver's figure.
  Vec3 PoseDriver();

  // The model assembly (vehicle/car_model.cpp, car_skins.cpp, car_lights.cpp, car_mirrors.cpp,
  // car_damage_meshes.cpp, car_wheel_meshes.cpp).
  // Posts a rebuild (1, or 2 with CarRebuildAll raised while it runs) under CarLock.
  void RequestModelRebuild(uint32_t kind);
  // Before the car is drawn: a posted rebuild, else new damage on the drawn meshes; a helmet
  // skin change; the graphics side when the car has no material mesh.
  void ApplyPendingModelChanges();
  void BuildModel();
  void AssembleModel();
  // The level meshes of the current configuration.
  void MergeSubs();
  // Releases the model's graphics objects, the undamaged points and the physical points, and
  // sets the model's switch distances by its level count.
  void SetLodDistances();
  void ClearSubobjectMarks();
  void AttachWheelSubobjects();
  void LoadDashboardTexture();
  // The first texture page of type 2 (dashboard backing) of the model, or null.
  const TexturePage* FindDashboardMaterial() const;
  // 1 when the name (any case) is one of the car's texture names: its colour sets' names.
  int HasTextureName(const char* name) const;
  void ReportMissingSkins() const;
  // 1 when the skin must be fetched; sets CarSkinState.
  int CheckSkin();
  void ApplyColourSets();
  void ReleaseMeshes();
  void ReleaseModelObjects();
  // keepDetached 1: the graphics objects are forgotten (their device is going or gone); 0
  // also posts a rebuild, the helmet skin change, the animations and a plate slot.
  void ReloadModel(int keepDetached);
  void CreateTyreBuffers();
  void FreeFastMeshes();
  void BuildMeshes();  // the wheel meshes
  void BuildGpuMeshes();
  void BuildMaterialMeshes();
  void CreateLightMeshes();
  void FindLights();
  void SaveUndamagedMeshes();
  void RestoreUndamagedMeshes();
  void SetupMirrors();
  // The internal mirror subobject's vertices moved so that its mirror surface's box is
  // centred on its origin; its position moves by the same amount.
  void CentreMirrorSubobject(GouraudO3d& subobject);

  // The mod check (frontend/mod_check.cpp).
  // The textures of the model and the spoke object whose PNG is missing, unreadable or not
  // decodable: their number (0 no error); megapixels gets the PNGs' combined area.
  int CheckTextures(float* megapixels) const;
  // ---- [End of defined above] ----

  // ---- the damage (car_damage.cpp) ----
  // With 16 nodes held, the first of the shallowest gives way to a deeper node (the others
  // keep their order, the new one goes last) and a node no deeper is refused (0); otherwise,
  // under CarLock, the node is appended and the count and the physical version go up (1).
  int AddDamageNode(const DamageNode& node);
  // Every wheel's mounting point and every physical point back at its undamaged place.
  void RestoreUndamagedPoints();

  // ---- the stepping (car_step.cpp) and the move (car_move.cpp) ----
  // Steps the car in 1 ms steps up to the program's time: the run time grows by the frame's
  // time (not while the window is inactive, the car is not simulated or its set-up is not
  // physical); the step clock follows at most a second behind; each step, while the car's
  // sprung-mass centre lies above height 0: Integrate, FloorContacts, CheckGround, Update.
  void AccumulateRunTime();
  // The shown pose compared with the one of the last call and replaced by it: 1 when the car
  // moved beyond the rest limits (or had no pose yet).
  int ShownPoseMoved();
  // While the body is active: a pending damage restore; for a local car its mass properties
  // and the car-changed flag of a connected car whose state changed; the body's integration;
  // each wheel's rays; the wind and the relative air.  A motion that is not finite, or rays
  // beyond the 16.16 world, stop the car (Car::StopForReset) with one message.
  void Integrate(float dt, int flags) override;
  // Carries the pending displacement into the 16.16 position in whole units (under half a
  // unit on every axis moves nothing), keeping the body points' and wheels' positions where
  // they are in the world; counts the odometer and the statistics.  Nothing while frozen.
  void Move() override;
  // Mass, centre of mass, sprung-mass centre, inertia and its inverse from the base record,
  // with the fuel as a solid box in the tank when the car has an engine.  A total mass below
  // MASS_LEAST (or not a number) sets the physics-invalid code 1, an inertia whose
  // determinant is not above 1e-6 (or not finite) code 2; the car is then not stepped.
  void UpdateMassProperties();
  // 1 when the base sprung-mass centre, turned by the orientation and added to the 16.16
  // height, lies above height 0.
  int IsRefPointAboveZero() const;
  // 1 when the driver sits at least 0.2 m off the centre line and the drive side is not
  // locked (option bit 1).
  int HasOffCentreDriver() const;
  // The car's place in the race's player table, or -1 when no player drives it.
  int GetPlayer() const;
  // Halts the car: frozen, no speed, no velocity or angular momentum.
  void StopForReset();

  // The step's state.
  uint8_t locationKind = 0;    // LOCATION_ON_TRACK on a loaded track
  uint8_t steeringLock = 0;    // degrees
  uint8_t remote = 0;          // driven by received data
  uint8_t frozen = 0;          // Move does nothing; 1 by StopForReset, 2 once reported
  uint8_t engineFlag = 0;      // has a gearbox: a combustion engine, whose fuel load counts in its mass
  uint8_t impactDamage = 0;    // body impacts make damage nodes
  uint8_t showCar = 0;         // the car on show in the editor or garage: never put to rest
  uint8_t zeroSprings = 0;     // bit 0: the set-up gives the springs no rate (the editor's test)
  uint8_t damageRestorePending = 0;
  uint8_t statisticsPending = 0;
  uint8_t noOdometer = 0;
  uint8_t turnSide = 0;        // 0 straight, 1 left, 2 right
  uint8_t timingFlags = 0;     // the race timing's enable flags
  uint8_t stopState = 0;       // the stop/start state
  uint32_t restCount = 0;      // steps at rest
  uint32_t timeLimits[2] = {}; // ms
  uint32_t stepCount = 0;      // one per 1 ms step
  uint32_t storedStateCrc = 0;
  uint32_t stepContactWord = 0;  // cleared every integration
  // The rectangle (16.16: least x, y, then greatest x, y) of both ends of every ray the object
  // contacts may test (each body point's, each wheel's ground ray and placed tyre ray), made
  // by the first CollideWithObject of a step's contacts; rayReachMade is cleared by the
  // integration, which moves the rays, and by the ground check, which ends the contacts.
  int32_t rayReach[4] = {};
  uint8_t rayReachMade = 0;
  float odometer = 0;          // m
  float fuelAmount = 0;        // litres (the traction battery's charge for a motor)
  float fuelCapacity = 0;      // litres: the fuel amount is a share of it
  float wheelSteerAngle = 0;   // rad
  float turningRadius = 0;     // m
  float wheelBase = 0;         // m: from the rearmost to the foremost wheel (the set-up gives it)
  float speed = 0;             // m/s
  float smoothedWheelSpeed = 0, tacho = 0;
  Vec3 angularVelocity = {};   // rad/s, world
  Vec3 filteredAcceleration = {};
  Vec3 sprungCentre = {};      // car axes: the sprung-mass centre with the fuel load
  Vec3 windVelocity = {};      // m/s, world
  Vec3 lastVelocity = {};      // the velocity as the last integration saw it
  Vec3 airDirection = {};      // unit: the relative air, wind less velocity
  float airFigures[3] = {};    // r, 0.24 |air| + r, -r (r the collision radius)
  int32_t lastStepDistance = 0;     // 16.16 m
  int32_t distanceAccumulator = 0;  // 16.16 m, not yet sent
  int32_t fuelAccumulator = 0;      // hundredths x 65536, not yet sent
  float fuelUsed = 0;               // this step's consumption
  AeroItem aeroItems[AERO_ITEMS] = {};

  // ---- the per-step update (car_update.cpp, car_drive.cpp, car_aero.cpp, car_effects.cpp) ----
  // One 1 ms step after the integration and the contacts: the controls smoothed, the aids,
  // the engine and drive, the steering, the aerodynamic items, the wheels, the force sum with
  // gravity on the sprung mass, the pose and the move, the wheel effects, the orientation made
  // orthonormal, the events and the driving figures.  A car whose state stops being finite,
  // passes 200 m/s or leaves -20..160 m in height is halted with one message.
  void Update(float dt, float gravity) override;
  // The contact slots: the body points through the Solid, then each wheel's ground ray and
  // tyre ray (car_contacts.cpp).
  void CollideWithObject(FixedOb* object, int upperPoints, int positiveYPoints, int otherPoints) override;
  void CollideWithSolid(Solid& other) override;
  void FloorContacts() override;
  void CheckGround() override;
  // Releases each wheel's tyre-mark strip: the next mark starts a new one.
  void ClearWheelSlots();
  // The sum of the five control words, plus 1024 when any further input word is not 0.
  int32_t ControlSum() const;
  // 1 when fewer than three wheels stand on surface kinds 3, 4 or 17, the ground beside the
  // road (1 with no wheels).
  int FewWheelsOfKinds() const;
  // 1 when neither wing (aerodynamic items 0 and 1) is present.
  int FirstTwoItemsOff() const;
  // The path following: on a loaded track only (the editor and garage have none).
  void FollowPath(int local);
  // Entry points of the race duties that the step calls; each does nothing beyond what is
  // said until its own part is built.
  void ApplyImpactDamage(int player);
  void PeriodicChecks(int player);
  // The engine's figures the step reads: the stall speed (the idle speed) and the speed of
  // full clutch bite (the speed of greatest torque).
  float StallSpeed() const { return engine.idleSpeed; }
  // Parts of Update (car_drive.cpp, car_aero.cpp, car_effects.cpp), in the step's order.
  void SmoothControls(float dt, int player);
  void RunRegenerativeBraking();
  void RunAntiLock(float dt);
  void SumAerodynamics(Vec3& force, Vec3& torque);  // adds the items' force and torque
  void RunTractionControl();
  void SteeringGeometry();
  // A two-wheeler's lean for its steer and speed: the smaller of the steer's share of the lock
  // (a full lock leans 60 degrees) and the lean of a steady turn at this speed.
  float LeanTarget() const;
  void RunEngine(float dt);
  // The electric motor's coupling to the driveline, N m per rad/s of speed difference.
  float MotorCouplingGain(float dt) const;
  void DriveWheels(float dt, float gravity);
  void WheelEffects();
  void DrivingFigures(float dt);
  // Halts the car with one message when its state is not finite, its speed passes 200 m/s or
  // its height leaves -20..160 m; 1 when it did.
  int HaltIfUnsafe();

  CarInputs inputs;
  CarControls controls;
  CarAssists assists;
  CarTimers timers;
  WheelStep wheelSteps[CAR_MAX_WHEELS] = {};
  uint8_t gear = 1;               // gear slot: 0 reverse, 1 neutral, 2 first
  uint8_t lastGear = 1;
  float effectiveRatio = 0;       // gear ratio x final drive
  float driveTorque = 0;          // N m at the wheels this step
  float engineLoadSpin = 0;       // rad/s: the driven wheels' mean spin the driveline follows
  float wheelSetGrip[CAR_WHEEL_SETS][2] = {{1.0f, 1.0f}, {1.0f, 1.0f}};  // by grip class
  uint8_t ackermannPercent = 100;
  uint8_t centreCoupling = 0, centreStrength = 0;  // a four-wheel drive's centre coupling
  uint8_t eventByte = 0;
  uint8_t signalFlag = 0, flashFlag = 0;
  uint16_t signalCounter = 0, flashCounter = 0;
  uint32_t stepCountdown = 0;
  int32_t remoteState = -1;       // -1: no state ever received; 0 drifting
  uint32_t stepsSinceState = 0;
  float remoteGap = 0;            // s without data
  uint8_t placedRemote = 0;       // the remote flag as the placement copied it
  uint8_t followFlag = 0;
  uint8_t raceRunning = 0;
  uint32_t gearChanges = 0;
  uint8_t handbrakeShown = 0;     // the handbrake message of this press is shown
  uint8_t handbrakeHeld = 0;      // held at 1 in the stopped state until the driver moves off
  float balanceGain = 0;          // a two-wheeler's balance at low speed
  float previousRollRate = 0;
  Vec3 filteredForce = {};
  Vec3 gInCarAxes = {0.0f, 0.0f, 1.0f};
  Vec3 ballastPoint = {};
  int32_t wheelOdometer = 0;      // 16.16 m
  float smoothedEngine = 0;
  uint32_t effectsCounter = 0;
  int32_t lastControlSum = 0;
  uint32_t stoppedTiming = 0;

  // ---- the reset, the placement and the damage removal (car_reset.cpp, car_place.cpp) ----
  // Clears the per-run driving state, repairs the car (RemoveCarDamage) and empties the tank
  // (the caller sets the fuel load afterwards).
  void Reset();
  // Every wheel's thermal state refreshed with the warm flag.
  void UpdateWheelStates();
  // 1 when tyres start warm: the program's option, the race's warm start for a car without
  // its own tyre warmers, or classes 5 and 10.
  int WarmFlag() const;
  // Stands the car still at its position with a heading (rad about z): motion, engine, gears,
  // inputs, wheels and race timing reset, the lowest point 5 cm above height 0 (or set down on
  // the track in a loaded world), a fresh state checksum.  keepThermal keeps the tyres'
  // temperatures, their pressures following the air; settle is passed to SettleOnGround.
  void PlaceAt(int keepThermal, int settle, float heading);
  // Whether a place on the racing path is free for this car (ResetResult); skip is the
  // caller's own player index.
  int ResetToPathNode(ResetRequest& request, int skip);
  // The point ahead of the car: position + orientation x (0, forward, up) in 16.16.
  void PointAhead(int32_t out[3]) const;
  // The view block from the car's position (its centre of mass's height added) and velocity.
  void RecentreView();
  // The car on show halted by the runaway guard: placed again at its heading with a message;
  // one that runs away again within 5 s stays halted until the next set-up.  1 when placed.
  int ReplaceShowCar();
  // 1 when the car on show, halted now, would be placed again rather than left halted.
  int ShowCarMayBePlaced() const;
  // The halt of a car reported once ("<vehicle> : <why> - car stopped"); the car on show is
  // marked for ReplaceShowCar instead, or told it stays halted.
  void ReportHalt(const char* why);

  // ---- the race duties (car_race.cpp) ----
  void PlanPitWork(int player);
  void CheckBlueFlag(int player);
  void CheckYellowFlag(int player);
  // The state packet sent (Car::MakeStatePacket), the loose wheels counted as sent.
  void SendStatePacket();
  // Type-68: the reported penalty with its reason.
  void SendPenalty(uint8_t penalty, uint8_t reason);
  void SendFlag(uint8_t code, uint8_t other);

  CarRaceState race;
  float pointAheadForward = 0, pointAheadUp = 0;  // m
  int32_t pointAheadNow[3] = {}, pointAheadBefore[3] = {};  // 16.16
  float viewPosition[3] = {}, viewPreviousPosition[3] = {}, viewVelocity[3] = {};
  float lookAngle = 0, lookRate = 0;
  SmoothCurve3 viewCurve = {};
  float minimumSpeed = 0;          // m/s on the racing path
  // ---- the racing path (car_path.cpp) ----
  // Searches the nearest path node (pathNode, -1 none) and the lateral offset from it.
  void FindPath();
  // The pit limiter's speed limit while in a speed-limit zone, else 0.
  void UpdatePitSpeedLimit();
  // The head's look target: the look mode's angle, or the steering's.
  float LookTarget() const;
  uint8_t pathLost = 0;            // the last search found nothing
  uint32_t pathSearchStep = 0;     // the step count and place of the last failed search
  int32_t pathSearchX = 0, pathSearchY = 0;
  float pathDistance = 0;          // m along the path
  PathPoint pathPoint = {};        // between the node and the next
  uint32_t wrongWayCount = 0;
  uint64_t wrongWayTotal = 0;
  uint32_t reverseCount = 0;       // steps back along the path; the race is told at 5, once
  uint8_t lookMode = 0;            // 4 +30, 5 +60, 6 -30, 7 -60 degrees; else the steering
  float lookStart = 0, lookStartRate = 0, lookTarget = 0, lookElapsed = 0;
  float lookCoefficients[3] = {};
  uint8_t pitSpeedLimit = 0;       // km/h, Car::UpdatePitSpeedLimit
  uint8_t speedLimitZone = 0;      // the pit lane's limit byte in force, 0 none
  uint8_t tyreWarmers = 0;         // the car's own tyre warmers
  uint32_t lastPlacedRunTime = 0;  // the run time the show car was last placed at
  uint8_t showCarHalted = 0;       // 1: the show car ran away twice, left halted
  uint8_t showCarPlacements = 0;
  uint8_t showCarReplace = 0;      // halted: ReplaceShowCar places it after the step
  // ---- events and race hooks (car_events.cpp) ----
  // Queues a 4-byte event (its byte 1 the priority): the car's damage-node list under another
  // name (Car::AddDamageNode).  1 when queued, 0 when refused.
  int QueueEvent(const uint8_t event[4]);
  // Sends the event packet of a code once: codes below 8 keep a bit of eventByte, set once
  // sent and cleared by the step when their condition is gone; only for a car with a player.
  void SendEventPacket(int code);
  // The off-track event: sent while three or more wheels stand on the ground beside the road
  // (surface kinds 3, 4 and 17), its bit cleared once fewer do.
  void OffTrackCheck();
  // The 8-byte car summary of the event packets.
  void MakeCarSummary(uint8_t summary[CAR_SUMMARY_SIZE]) const;
  // The stop/start watch, every step: 1 when the car has just stopped or moved off (and the
  // change was reported), else 0.
  int StopStartWatch();
  // Before the start: 0.5 m from the grid place penalises an early start once, 6 m in a race
  // makes the car spectate; and the three countdowns.  Run by Car::ProcessToggles.
  void StartLineCheck(int player);
  // A car frozen for a reset: told to the host once, or a reset asked for (at most every
  // 2000 steps): sent to the host when connected, else applied at once.
  void FreezeCheck();
  // 40 s after stopping with its engine below its stall speed: the drive switched off and,
  // in neutral or with the clutch out, the handbrake set.
  void ParkingCheck();
  // The set-up's differential records that differ from the reference's: each kind byte that
  // differs is written to kinds (rear, front), each differing u16 word raises its bit in flags
  // (bits 0 and 1 the rear's, 2 and 3 the front's).
  void SetupDifference(const SetupRecord& reference, uint8_t kinds[2], uint8_t& flags) const;
  // The race's time limits, step count and timing flags (unless the race overrides them).
  void ApplyRaceTimeSettings();
  // The player's 16-byte settings record; with enable its enable flag.
  void ApplyPlayerSettings(const uint8_t record[PLAYER_SETTINGS_SIZE], int enable);
  // Flushes the distance and fuel statistics to the host (a local human's connected car).
  void SendStatisticsPacket(int player);
  void SendPlayerFlagPacket(uint8_t argument);
  // The player's id byte, 0 without a player.
  uint8_t PlayerIdByte() const;
  // The car's state kept, and put back: the car placed (Car::PlaceAt at its saved place), the
  // wheels' positions when withWheels is set and the wheel count is the record's, then the
  // engine, controls, orientation, position and velocity across and up, the gear; the step
  // count 0.
  void SaveState(CarSavedState& state) const;
  void RestoreSavedState(const CarSavedState& state, int withWheels);
  // The reset request applied without a host (car_reset.cpp): when Car::ResetToPathNode finds
  // the place free the car is placed there along the path (or at its own heading without
  // one); otherwise it waits there, and the freeze check asks again.
  void ApplyResetRequest(const uint8_t packet[PATH_INFO_SIZE]);

  // ---- the gearbox and controls (car_gearbox.cpp, car_controls.cpp) ----
  // 0 keep the gear, 1 shift down, 2 shift up, at engine speed w (rad/s).
  int AutoShiftDecision(float w) const;
  void AutoShift();
  void ExecuteGearChange();
  // The race duties (the pit lane and pit stop), then the gear requests and the change.
  void ProcessControls(int player, int watch);
  // The pit lane's limit and penalties, the pit stop with its stages and refuelling, and the
  // parking check of a car stopped outside a stop (car_race.cpp).
  void RaceDuties(int player, int watch);
  // The switches: the start line first, then each pending request once.
  void ProcessToggles(int player);
  void TrackInputActivity(int player);
  // Mirrors the car for the requested side (1 the driver on the left) and sets it up again
  // when that changes; the mirrored flag.
  int SetDriveSide(int requested);
  // The driver's place in a car not placed centrally (0.2 m off and not locked).
  static constexpr float OFF_CENTRE = 0.2f;

  // ---- the state packet (car_state_packet.cpp) ----
  void MakeStatePacket(uint8_t packet[STATE_PACKET_SIZE], uint8_t playerId) const;
  void ApplyStatePacket(const uint8_t packet[STATE_PACKET_SIZE]);

  CarWatch watch;
  CarRaceHooks raceHooks;
  CarGearbox gearbox;
  CarActivity activity;
  uint8_t looseWheels[CAR_MAX_WHEELS] = {};  // the wheel is loose (told by the state packet)
  uint32_t stateReceivedStep = 0;            // the step count when a state packet came

 private:
  // Places each wheel's ground ray and tyre ray; 0 when one would leave the 16.16 world.
  int PlaceWheelRays();
  // 1 when the world gives the object's ray box (WorldLink.RayBox) and no ray of rayReach
  // can meet it, so that every ray test of the object would find nothing.
  int OutOfRayReach(const FixedOb* object);
  // Makes rayReach from the rays as they are.  Out of line: once a step, beside every object's
  // short test.
  [[gnu::noinline]] void MakeRayReach();
  // StopForReset with the message naming the vehicle, once until the car is placed again.
  void HaltOutOfRange();
  // The statistics of a step moved: sent to the host, or emptied silently.
  void CountStatistics();
};

// ---- [Live cars] ----
// Every car that exists, in the order made (each constructor adds itself, each destructor
// takes itself out).  Main thread only.
int LiveCarCount();
Car* LiveCarAt(int index);
// The car of a player of the race's table, null when the player has none.
Car* PlayerCarAt(int index);
