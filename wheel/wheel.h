// wheel.h - the per-wheel model of the car: the wheel-set record, suspension geometry, tyre
// set-up, the contact patch brush model, the tyre step with its heat and wear, and the
// suspension force with edge contact and damage.
//
// Sections: [Suspension types] [Tables] [Wheel profile] [Wheel set] [Wheel-set record]
//           [Tyre set-up] [Brush model] [Tread] [Wheel] [Wheel operations] [Wheel looks]
//
// Layers: this room stands on the foundation (core/data_file.h, core/fixed_math.h) and the
// rigid body (solid/solid.h, library zkt_solid) only; the car step of physics/ calls it.
//
// Units: metres, seconds, kilograms, newtons, radians, joules and kelvin, in 32-bit floats,
// stepped every 1 ms.  Car axes are x lateral (right), y forward, z up.  "World" vectors are
// world axes relative to the car's 16.16 position.  Temperatures are kept as heat energies
// and turned into kelvin through a heat capacity, 293.15 K being the reference.
// Not thread-safe: the car step runs on the main thread.
#pragma once
#include <bit>
#include <cmath>
#include <cstdint>

#include "core/fixed_math.h"
#include "solid/solid.h"

struct DataFile;
struct DrawMesh;

// ---- [Suspension types] ----
enum SuspensionType : uint8_t {
  SUSPENSION_RIGID = 0,
  SUSPENSION_LINEAR = 1,
  SUSPENSION_FRONT_FORK = 2,
  SUSPENSION_MACPHERSON_STRUT = 3,
  SUSPENSION_DOUBLE_WISHBONE = 4,
  SUSPENSION_TRAILING_ARM = 5,
};
constexpr int SUSPENSION_TYPE_COUNT = 6;
// The editor's names and their language keys (null: the text is fixed), by type.
extern const char* const SuspensionTypeNames[SUSPENSION_TYPE_COUNT];
extern const char* const SuspensionTypeKeys[SUSPENSION_TYPE_COUNT];

// ---- [Tables] ----
struct TyreCompound {
  const char* name;  // the editor's text
  const char* languageKey;
  float c0, c1, c2;  // the brush stiffness figures of the tyre set-up
  float c3;          // read by the car set-up
  float optimumTemperatureC;
  float wearRate;     // worn tread per joule of sliding, before the heat-capacity width
  float rollingHeat;  // h
  float c7;           // copied into the wheel set
};
constexpr int TYRE_COMPOUND_COUNT = 8;
extern const TyreCompound TyreCompounds[TYRE_COMPOUND_COUNT];

// One ground surface kind, 16 bytes: the tyre model and the car's contact step share the
// table.  Kinds 16 to 21 (world surfaces the tyre model did not list) take their grip, class
// and marks from the contact step's own list, their other bytes from the nearest lower row of
// the same class (row 15 for class 0, row 11 for class 1).
struct SurfaceGrip {
  float drag;  // loose-ground drag on a rolling wheel, times the normal force
  float grip;  // the ground's grip factor
  uint8_t loose;  // byte 8: loose ground (no sliding heat or wear, no coat loss); the contact
                  // step's grip class (which of the wheel set's two grips applies)
  uint8_t byte9;
  uint8_t marks;  // byte 10: the ground takes tyre marks
  uint8_t coatTargetPercent;  // byte 11: the coat of loose material this ground lays
  uint8_t byte12, byte13;
  uint8_t dust;   // byte 14: a sliding wheel raises dust
  uint8_t byte15;
};
static_assert(sizeof(SurfaceGrip) == 16);
constexpr int SURFACE_KIND_COUNT = 22;
// A surface kind's row; a kind past the table reads as row 0.
inline int SurfaceRow(int kind) { return kind >= 0 && kind < SURFACE_KIND_COUNT ? kind : 0; }
extern const SurfaceGrip SurfaceGrips[SURFACE_KIND_COUNT];

// ---- [Wheel profile] ----
// A wheel's cross-section in the plane of the axle (x across the wheel, y the radius, metres):
// the tyre's outline, the rim's bead and lip, and the rim from the rim editor's profile.  The
// vehicle model's mesh build fills it (BuildRimProfile, vehicle/wheel_profile.h); the first
// PROFILE_TYRE_SURFACES surfaces are the tyre, drawn each frame, the rest are turned into the
// rim mesh.
constexpr int PROFILE_POINTS = 48;
constexpr int PROFILE_FIXED_SURFACES = 13;  // at most: 11 without a rim lip
constexpr int PROFILE_SURFACES = PROFILE_FIXED_SURFACES + 255;  // a rim profile holds at most 255
constexpr int PROFILE_TYRE_SURFACES = 9;
enum ProfilePointKind : uint8_t { PROFILE_RIM = 0, PROFILE_BEAD = 1, PROFILE_SIDE = 2, PROFILE_TREAD = 3 };
enum TyreDimensionStatus : uint8_t { TYRE_DIMENSIONS_OK = 0, TYRE_NO_SIDEWALL = 1, TYRE_RIM_TOO_NARROW = 2 };
struct ProfilePoint {
  float x, y;    // m
  float nx, ny;  // unit normal (summed while the profile is built)
  float v;       // texture row
  uint8_t red, green, blue;  // the shaded colour
  uint8_t hidden;            // not turned by the rim mesh: every point but the rim's (kind 0)
  uint32_t vertexColour;     // 0x00RRGGBB through the brightness table
  uint8_t kind;              // ProfilePointKind
  uint8_t neighbours[2];     // a side point's normal is perpendicular to the line between them
};
struct ProfileSurface {
  uint32_t first, second;  // point indices
  float nx, ny;            // unit normal
};
struct WheelProfile {
  uint8_t status;         // TyreDimensionStatus
  uint8_t rounded;        // the tyre's cross-section is round
  int32_t pointCount;
  int32_t firstRimPoint;  // the index of the first rim point (12, or 14 with the low profile style)
  int32_t surfaceCount;
  ProfilePoint points[PROFILE_POINTS];
  ProfileSurface surfaces[PROFILE_SURFACES];
};

// ---- [Wheel set] ----
// The car's record of one wheel set (block 0 rear, block 1 front).  A new one is all zeros.
struct SuspensionBlock {
  // Stored in the vehicle data (the wheel-set record), in the block's own order.
  float sectionWidth;      // m, the tyre's section width w
  float aspectRatio;       // sidewall height over section width
  float rimRadius;         // m
  float rimWidth;          // m
  uint8_t suspensionType;  // SuspensionType; a larger value is kept but places nothing
  uint8_t rimEdgeExtraWidthMm;
  uint8_t rimLipDepthMm;
  uint8_t lowProfileTyreStyle;
  uint8_t rimInnerDepthMm;
  uint8_t rimShadeTenths;
  uint8_t brakeDiscRadiusMm;  // 0: no disc
  int8_t brakeDiscOffsetMm;
  float maxUpPosition;      // m
  float caster;             // rad, beta of the double wishbone's kingpin
  float inclination;        // rad
  float includedAngle;      // rad
  float wheelOffset;        // m, the contact lateral offset p along the spin axis
  float trackWidth;         // m
  float lowerArmLength;     // m
  float upperArmLength;     // m
  float halfUprightLength;  // m, h

  // Made by SetupTyre, in this order.
  uint8_t roundedProfile;      // 1: a tyre with a round cross-section
  float rollingRadius;         // m, R (also the contact drop q of the geometry)
  float profileRadius;         // m, the radius of the tyre's rounded cross-section
  float treadContactWidth;     // m, b
  int32_t boundingRadius;      // 16.16
  int32_t sideDistance;        // 16.16: half the width over tan 30 degrees
  int32_t reachDistance;       // 16.16: sideDistance + R
  float maxDeflection;         // m, dmax (may be 0 or less for a tyre with no sidewall)
  float radialStiffnessSlope;  // N/m per Pa of pressure
  float treadStiffnessSlope;
  float radialStiffnessAtZero;  // N/m at zero pressure
  float treadStiffnessAtZero;
  float treadDamping;    // N s/m, ct
  float brushStiffness;  // kb
  float rollingHeat;     // h of the compound
  float compoundLast;    // the compound's last column

  // Set by the car's set-up from the vehicle data.
  float heatCapacityWidth;      // wc: one lane of one sector's tread area, m^2
  float sidewallFactor;         // one sector's sidewall area, m^2
  float rimVolume;              // m^3 of rim material
  uint8_t compoundIndex;        // TyreCompound: the set-up's tyre type
  uint8_t setupByte;            // the set-up's byte the axle copies into its wheel set
  uint8_t paired;               // a wheel on each side, both at one y
  uint8_t lockedDifferential;   // a driven pair whose set-up locks its differential
  uint8_t leftWheel, rightWheel;  // the wheels of the set: wheel index + 1, 0 none
  IntVector upperPivot, lowerPivot, thrustBearing;  // 16.16 car axes, the right side's: from the frame
  float brakeTorque;            // N m each wheel of the set can take
  float airVolume;              // m^3 of air in each tyre
  uint8_t ambientTemperatureC;  // for a warm reset
  uint8_t rotationFrozen;       // non-zero: the wheels' rotation angle is not advanced
  // The wheels' ground rays (the car's integration places them): the ray's end lies
  // rayOffset below the tyre's lowest point and it reaches rayLength up from there; the tyre
  // ray reaches extraRadius beyond the tyre's radius.
  float rayOffset;    // m
  float rayLength;    // m
  float extraRadius;  // m

  // The wheel's looks; reading a record clears the meshes without releasing.
  DrawMesh* spokeMesh;
  DrawMesh* rimMesh;
  WheelProfile profile;  // and the tyre dimension status the editor shows

  // The 64-byte record in the stream's mode (file, counting pass or memory), fields that do
  // not belong to the suspension type written as 0.
  void Write(DataFile& stream) const;
  // Fills the stored fields from a record of the vehicle data's version and forgets the
  // meshes.  A record cut short reads as zeros from where the data ends; the stream's
  // readPastEnd then tells the vehicle reader to refuse the file.
  void Read(DataFile& stream, int version);
};

// ---- [Wheel-set record] ----
constexpr int WHEEL_SET_RECORD_SIZE = 64;
// The vehicle data before this version holds one 4-byte value at bytes 28..31 instead of
// the rim inner depth, rim shade, brake disc radius and brake disc offset.
constexpr int WHEEL_SET_RIM_BYTES_VERSION = 251;

// The rim's shape (edge, lip, low-profile style, inner depth, shade) copied from one wheel set
// to another.
inline void CopyRimShape(const SuspensionBlock& from, SuspensionBlock& to) {
  to.rimEdgeExtraWidthMm = from.rimEdgeExtraWidthMm;
  to.rimLipDepthMm = from.rimLipDepthMm;
  to.lowProfileTyreStyle = from.lowProfileTyreStyle;
  to.rimInnerDepthMm = from.rimInnerDepthMm;
  to.rimShadeTenths = from.rimShadeTenths;
}

// ---- [Tyre set-up] ----
// Where the tyre's damping and the rim contact use the maximum deflection, it is taken as at
// least this: a narrow low-profile tyre (0.1 m, aspect 0.25) has none, and its damping would
// turn negative, or so stiff that the explicit 1 ms step diverges.
constexpr float TYRE_DEFLECTION_FLOOR = 0.01f;
// Turns the block's design values into the tyre's physical figures.  extraWidth (m) widens
// the bounding radius.
void SetupTyre(SuspensionBlock& set, int roundedProfile, float extraWidth);

// ---- [Brush model] ----
constexpr int BRUSH_SLICES = 20;
// (1 - x^2)^(2/3) at the slice centres x = 0.95 .. -0.95 (leading edge first), and 0.1
// times their sum.  Filled by InitWheelTables.
extern float WheelPressureTable[BRUSH_SLICES];
extern float WheelPressureIntegral;
// (1 - x^4)^(2/3) at the same points, and 0.1 times their sum (the driver AI's tyre law).
extern float WheelFlatPressureTable[BRUSH_SLICES];
extern float WheelFlatPressureIntegral;
// Fills both tables and their sums; called once at start-up.
void InitWheelTables();

struct BrushForces {
  float longitudinal;     // Fl, N
  float lateral;          // Fs, N
  float aligningMoment;   // Mz about the patch centre, N m
  float slidingFraction;  // 0.05 for every sliding slice
  float slidingFriction;  // N
  float slidingPower;     // W
};
// The patch's forces: a half length (m), d deflection (m), sx and sy the longitudinal and
// lateral slips, v the rolling speed (m/s), k the brush stiffness, g the camber term, b the
// width (m), mu the grip, r the sliding friction ratio and n the load (N).
void WheelContactForce(float a, float d, float sx, float sy, float v, float k, float g, float b, float mu, float r,
                       float n, BrushForces& out);

// ---- [Tread] ----
constexpr int TREAD_SECTORS = 16;
constexpr int TREAD_LANES = 3;  // inner, centre, outer
// A sector's lanes by figure, each figure's three lanes side by side: the heat step works the
// three lanes of a figure at once.
struct TreadSector {
  float thickness[TREAD_LANES];    // m
  float bodyHeat[TREAD_LANES];     // J, the tread body
  float contactHeat[TREAD_LANES];  // J, the thin layer that touches the ground
  float innerCarcassHeat;          // J
  float outerCarcassHeat;          // J
  float coat;                      // 0..0.16: share of the tread covered by loose material
};
static_assert(sizeof(TreadSector) == 12 * 4);

constexpr float ATMOSPHERIC_PRESSURE = 101387.555f;  // Pa
constexpr float REFERENCE_TEMPERATURE = 293.15f;     // K
// The temperature bytes: the three lanes' tread bodies, the air, the two carcasses, the rim.
enum TyreTemperatureByte {
  TYRE_TEMP_INNER = 0,
  TYRE_TEMP_CENTRE,
  TYRE_TEMP_OUTER,
  TYRE_TEMP_AIR,
  TYRE_TEMP_INNER_CARCASS,
  TYRE_TEMP_OUTER_CARCASS,
  TYRE_TEMP_RIM,
};
constexpr int TYRE_CONDITION_COAT = 3;  // condition bytes 0..2 are the lanes'

// ---- [Wheel] ----
// The cosine and sine of an angle (rad), taken in double precision and worked out again only
// when the angle changes: the step turns a wheel by its steer angle twice (its ground ray and
// its tyre), and the angle holds still while the steering does.
struct AngleTrig {
  uint32_t angleBits = 0x7FC00000u;  // the angle they are of, bit for bit (none yet)
  double cosine = std::nan(""), sine = std::nan("");
  void Of(float angle) {
    const uint32_t bits = std::bit_cast<uint32_t>(angle);
    if (bits == angleBits) return;
    angleBits = bits;
    cosine = std::cos(static_cast<double>(angle));
    sine = std::sin(static_cast<double>(angle));
  }
};

// Damage states of the spring, the upper arm, the lower arm and the toe.
enum WheelDamagePart { DAMAGE_SPRING = 0, DAMAGE_UPPER_ARM, DAMAGE_LOWER_ARM, DAMAGE_TOE };
enum WheelDamageState : uint8_t { DAMAGE_INTACT = 0, DAMAGE_DAMAGED = 2, DAMAGE_AT_LIMIT = 3 };
constexpr int WHEEL_SLOT_FREE = -2;  // the wheel's slot in the shared wheel table

// The car's record of one wheel.  A new one is all zeros.
struct CarWheel {
  // Geometry inputs, car axes.  The car's set-up from the vehicle data makes them: the
  // design centre is the wheel's mount at its axle's ride height.
  Vec3 designCentre;               // the wheel centre at zero travel
  float side;                      // +1 right, -1 left, 0 a centred wheel: mirrors lateral values
  uint8_t wheelSet;                // 0 rear, 1 front
  uint8_t suspensionType;          // SuspensionType
  uint8_t steered;                 // the wheel's torque about its upright goes to the steering sum
  float restArmAngle;              // theta0, rad
  float axleAlong;                 // a: the axle's component along the upright, side folded in
  float axleAcross;                // b: across it
  float upperPivotX, upperPivotZ;  // double wishbone
  Vec3 lowerPivot;
  Vec3 strutTop;                                 // MacPherson strut
  float mountDx, mountDz;                        // strut top, or the upper pivot, minus the lower pivot
  float trailingArmLength;                       // m
  float travelOffset;                            // m: the spring's sag (damage)
  float lowerArmShortening, upperArmShortening;  // m (damage)
  Vec3 restMount;  // where the wheel is mounted on the undamaged body, car axes: the stored
                   // position, x from the track for the types the set-up places by it
  Vec3 mount;      // where it is mounted now: the rest mount moved by the body's dents

  // Set-up figures, car axes, made by the car's set-up from the vehicle data.
  uint8_t slotIndex;      // axle x 2, plus 1 on the right: the wheel's place in the state packet
  uint8_t driven;         // the drive reaches the wheel
  float rideHeight;       // m: the wheel centre's height at zero travel
  float toeAngle;         // rad
  float uprightX;         // m: where the tyre stands across the car
  Vec3 kingpinAxis;       // unit: the steering axis of a front fork
  float brakeTorque;      // N m: the most the wheel's brake takes (its set's)
  float loadLimits[2];    // N: what the wheel takes before the first and the second limit
  float loadLimitFigures[2];  // their companions, 0.06 and 1.2

  // Geometry outputs, car axes.
  Vec3 centre;           // Wc
  Vec3 uprightAxis;      // U, unit
  Vec3 spinAxis;         // N, unit, y 0
  Vec3 contactOffset;    // M, from the centre to the contact point, y 0
  Vec3 travelDirection;  // D, unit: the contact point's way as the suspension compresses

  // Suspension.
  float travel;                       // s, m, 0 at full droop
  float travelVelocity;               // v, m/s, positive compressing
  float maxTravel;                    // m
  float unsprungMass;                 // kg
  float springRate;                   // N/m
  float bumpDamping, reboundDamping;  // N s/m
  float springPreload;                // N
  float springStrength, springDamageRate;
  float armStrength, armDamageRate;
  uint8_t damage[4];     // WheelDamageState by WheelDamagePart
  float toeDamageAngle;  // rad

  // Spin.
  float steerAngle;     // rad, about the upright
  AngleTrig steerTrig;  // of the steer angle
  float rotationAngle;  // rad, within +-16 turns
  float spinRate;       // omega, rad/s
  float spinInertia;    // kg m^2
  float spinTorque;     // N m: the drive's torque, put in before the tyre step

  // Tyre.
  float radialStiffness;  // kr, N/m
  float treadStiffness;   // kt, N/m
  float twistStiffness;   // kz
  float pressure;         // Pa above the atmosphere
  float coldPressure;     // Pa above the atmosphere, at 293.15 K
  float airMass;          // kg
  float airHeat;          // J
  float rimHeat;          // J
  TreadSector sectors[TREAD_SECTORS];
  float laneDeflection[TREAD_LANES];  // m
  uint8_t temperatures[8];            // whole degrees Celsius by TyreTemperatureByte, then 0
  uint8_t condition[4];               // the lanes' tread left (255 new, 0 worn out), then the coat
  float totalWear;
  uint8_t tyreFailed;  // worn through or overheated: no pressure

  // Ground contact, filled by the car's contact step.
  uint8_t contactKind;    // 0 none, 1 in contact last step, 2 take the movement from the car
  uint8_t groundContact;  // the contact step found ground under the wheel
  Vec3 groundPoint;
  Vec3 groundNormal;    // n, unit
  uint8_t surfaceKind;  // SurfaceGrips row
  uint8_t looseGround;
  float gripCoefficient;
  Solid* groundSolid;        // the body under the wheel, or null
  IntVector groundPosition;  // 16.16 world position of that contact

  // Rays, placed by the car's integration every step (16.16 world): the ground ray's probe
  // holds its end point E in world and its vector V in fromCentre (the ray runs from E - V
  // down to E); a wheel with a tyre (tyreScale not 0) has a second ray along its contact
  // direction, whose candidate kind keeps the surface it last touched.
  ContactProbe groundRay;
  ContactProbe tyreRay;
  float tyreScale;  // m: the tyre ray's length; 0 without a tyre

  // Edge contact, filled by the car's contact step.
  uint8_t edgePresent;
  Vec3 edgePlanePoint;
  Vec3 edgePlaneNormal;  // ne
  Vec3 edgeDirection;    // e, unit
  Solid* edgeSolid;      // the other body, or null
  float edgeFrictionFactor;
  IntVector edgePosition;  // 16.16 world position of the edge contact

  // Tyre step results.
  Vec3 forward;           // f, world, in the ground plane
  Vec3 lateral;           // l
  float camberSine;       // sc
  float camberTerm;       // g
  float deflection;       // d, m
  float normalForce;      // Fn, N
  float patchLength;      // m, 0 with no patch
  float inContact;        // the section width while the tyre touches, else 0
  Vec3 contactReference;  // P: the tyre's lowest point before deflection
  Vec3 lastReference;     // P at the last step
  Vec3 contactPoint;
  Vec3 contactMovement;      // the reference point's movement this step
  float deformLongitudinal;  // dl, m
  float deformLateral;       // ds, m
  float twist;               // rad
  Vec3 deformation;          // dl f + ds l
  float gripFactor;
  float sliding;    // 0 or 1, or the brush model's sliding fraction
  Vec3 wheelForce;  // Fw: what the body receives through this wheel
  Vec3 dragAnchor;
  Vec3 aligningMoment;   // world, added to the car's torque sum
  float rolledDistance;  // q, m this step
  float slidingEnergy;   // J this step
  float frictionLimit;   // N: grip factor times the elastic load
  float laneHeat;        // J of rolling heat this step
  Vec3 edgeForce;
  Vec3 edgeContactPoint;  // the edge friction's anchor
  float edgeDepth;        // m, last step
  uint8_t edgeTouching;
  uint8_t edgeSaturated;
  int32_t wheelTableSlot;  // WHEEL_SLOT_FREE when none

  // ---- [Wheel operations] ----
  // Places the wheel for its type and present travel.  A type above 5, an arm geometry with
  // no solution or anything that comes out non-finite leaves every output as it was.
  void UpdateSuspensionGeometry(const SuspensionBlock& set);
  // One 1 ms step of the tyre, the edge contact, the suspension force and its damage, the
  // loose-ground drag, the steering torque and the spin.  carMatrix is the car's orientation,
  // centre the wheel centre (world), steeringTorqueSum the car's (in/out), gravity along
  // world z (negative), totalForce in/out: the outside force in, plus the weight, the tyre's
  // and the edge's forces out.
  void UpdateWheelForces(const SuspensionBlock& set, const float carMatrix[9], const Vec3& centre, float brakeTorque,
                         float& steeringTorqueSum, float dt, float invDt, float gravity, Solid& car, Vec3& totalForce);
  // Tread, air and rim to one temperature (293.15 K, or the ambient when warm and higher),
  // new tread, pressure from the cold pressure.
  void InitThermalState(const SuspensionBlock& set, int warm);
  // Clears the running state: contact, forces, spin, travel; rotation angle pi, no slot.
  void ResetWheelState();
  // Heat flow between the tread's layers, the carcass, the air and the rim; the pressure.
  // a is the air cooling factor (from the car's speed).
  void UpdateTyreTemperatures(const SuspensionBlock& set, int noFailure, float dt, float a);
  // 1 when a lane's tread is down to (100 - percent) of 255, or the tyre has failed.
  int CheckDamageLevel(int percent) const;

  // ---- [Wheel looks] ----
  // The spin matrix (about x by pi - the rotation angle) and the wheel's orientation in car
  // axes (the steering about the upright axis applied to the camber frame whose columns are
  // the spin axis, y and the spin axis turned a quarter about y), row-major.
  void WheelOrientation(float spin[9], float orientation[9]) const;
  // The two colours of the wheel's marker in the editor's view (red in byte 0), drawn through
  // DrawWheelMarker when one is installed: green to blue by the sliding indicator, the default
  // from 0.925 on; 0x3CB4FF, or the default while the travel is exactly at its maximum.
  void WheelMarkerColour(uint32_t colours[2]) const;
};

// The edge forces against fixed objects summed over the step's wheels; the car's update
// reads and clears it.
extern Vec3 WheelEdgeForceSum;

// ---- [Wheel looks] ----
constexpr uint32_t WHEEL_MARKER_DEFAULT = 0xFFFFFF;  // white
constexpr uint32_t WHEEL_MARKER_TRAVEL = 0x3CB4FF;   // red 255, green 180, blue 60
constexpr float WHEEL_MARKER_SLIDING = 0.925f;
// Draws a wheel's marker in the editor's view with its two colours; installed by the car
// drawing, null until then.
extern void (*DrawWheelMarker)(const CarWheel& wheel, uint32_t first, uint32_t second);
