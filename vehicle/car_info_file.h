// car_info_file.h - the car info file ("ZKT_CI"): a snapshot of the car on show in the garage
// for outside analysis tools, written on request and never read by the program.
//
// "data\raf\<short name>_info.bin", version 1.  Every value little-endian; f32 an IEEE single;
// i32 positions 16.16 (65536 = 1 m).  A "relative point" is three f32: a point in the car's own
// axes less the car's reference point, which is the car's sprung-mass centre (the centre of
// mass without the wheels).  The body is 372 bytes, then 128 bytes for each wheel.
//
// Body:
//   u8 x 4  the short code                  u8 occupants, u8 0 x 3
//   f32 x 9 the orientation (row-major)     i32 x 3 the reference point in the world
//   i32 x 3 the centre of mass in the world f32 x 3 the centre of mass, relative
//   f32 x 3 the fuel tank or battery, relative                 7 zero words
//   4 x 20  the aerodynamic items (rear wing, front wing, undertray, aero centre): a present
//           item's centre, relative, and its lift and drag gains; else five zero words
//   f32 x 9 the inertia about the centre of mass, then 3 zero words
//   f32 the engine's most power (W), its speed (rpm), its most torque (N m), its speed (rpm),
//       the engine's inertia, the car's mass (kg)
//   f32 the wheel base D (m), the front axle's share of the weight 1 - (front y - centre y) / D
//   u8 gear slots less 2, u8 drive type, u8 0, u8 0
//   f32 the front axle's torque factor (twice the set-up's front torque share, its byte 13)
//       with four wheel drive, else 0
//   f32 the drivetrain's efficiency, one zero word
//   f32 x 7 the ratios of gear slots 0 and 2 to 7 (slot 1, neutral, left out), 0 from the
//       car's slot count on
//   f32 the final drive, 3 zero words, f32 the set-up's byte 13 x 0.01 (the front torque share)
//   f32 the set-up's brake strength (its f32 at byte 4)
//   f32 0 with class option bit 1, else the set-up's byte 14 / 100 (the brake balance's share,
//       as the brakes split it); one zero word
//   4 zero words
// Each wheel, the rear axle's first (wheel set 0), within an axle the wheels not on the right
// (side value not 1.0) first, each group in wheel order:
//   u8 the set-up's byte 66 + 40 x axle (the axle's tyre type), u8 0 x 3
//   f32 the tyre's pressure (Pa over the atmosphere), its air temperature (degrees C: the air's
//       heat over its mass x 1005, less 273.15; 0 with no air), the wheel's mass (kg)
//   f32 x 3 the contact point at rest (the wheel's stored position plus its contact offset),
//       relative
//   f32 the spin inertia; f32 x 4 the wheel set's tyre width, aspect ratio, rim radius and rim
//       width; f32 the spring rate, bump damping, rebound damping; f32 the set-up's anti-roll
//       rate (its f32 at byte 56 + 40 x axle)
//   f32 x 3 the wheel's angles in radians: camber asin(-side x spin axis z), caster
//       atan2(-upright y, upright z), inclination atan2(upright x, upright z)
//   f32 the suspension's most travel (m)
//   f32 the tyre's radial, tread and twist stiffness, one zero word
//   f32 the load on the tyre (N), its deflection (m), 2 zero words; 4 zero words
//
// Main thread only.
#pragma once

#include "physics/car.h"

constexpr const char* CAR_INFO_MAGIC = "ZKT_CI";
constexpr int CAR_INFO_VERSION = 1;
constexpr const char* CAR_INFO_PATTERN = "data\\raf\\%s_info.bin";
constexpr int CAR_INFO_BODY_SIZE = 372;
constexpr int CAR_INFO_WHEEL_SIZE = 128;

// The body in any write mode (file, counting pass, memory).
void WriteCarInfoBody(const Car& car, DataFile& stream);
// Writes the car's info file (the garage passes the car on show).  1 on success; otherwise
// nothing is kept, "Could not write file : ^L<path>" is shown in the error colour and
// interface sound 4 plays, and the result is 0.
int WriteCarInfo(const Car& car);
