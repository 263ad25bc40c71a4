// wheel_file.h - the wheel file ("ZKTWHL"): one wheel's design kept apart from any vehicle,
// so that the vehicle editor can save the wheel of the car on show and load it into another.
//
// Body (little-endian, after the data file's header):
//   f32 the rim's half width plus 5 mm, f32 the rim's inner radius (rim radius less the rim's
//   inner depth), both of the rear wheel set and in metres: the rim the spoke was made for;
//   u8 spoke count, u8 the rim byte beside it (as the vehicle file stores them), u8 0, u8 0;
//   the spoke object (a model object record); the rim profile.
// Written at version 252 and read from 248 on (older files are refused as unusable).  On
// loading, the spoke object is scaled from the stored rim to the rim of the vehicle that takes
// it: x (along the axle) by the ratio of the half widths, y and z by the ratio of the inner
// radii.  A file that cannot be used changes nothing: the spoke object and the rim profile are
// read aside and take the vehicle's place only when the whole file was read.  Main thread
// only.
#pragma once
#include <cstdint>

#include "vehicle_data/vehicle_data.h"

struct DataFile;
struct Prss;

constexpr const char* WHEEL_FILE_MAGIC = "ZKTWHL";
constexpr int WHEEL_FILE_VERSION = 252;
constexpr int WHEEL_FILE_LOWEST_VERSION = 248;
constexpr const char* WHEEL_FILE_PATTERN = "data\\whl\\%s.whl";
constexpr float RIM_EDGE_ALLOWANCE = 0.005f;  // m added to the half width: the rim's edge
constexpr float MM_TO_METRES = 0.001f;

// The two rim dimensions a spoke object is made for, metres: half the rear wheel set's rim
// width plus the edge allowance, and its rim radius less its inner depth.
struct RimDimensions {
  float halfWidth;
  float innerRadius;
};
RimDimensions WheelRimDimensions(const VehicleData& data);

// The body in any write mode (file, counting pass, memory).
void WriteWheelBody(const VehicleData& data, DataFile& stream);
// Writes "data\whl\<name>.whl" through a safe write.  1 on success; 0 when it cannot be
// written (the data file reports on errorPage).
int WriteWheelFile(const VehicleData& data, Prss* errorPage, const char* name);

// Reads a body of the given version into the data: the spoke count and rim byte, the spoke
// object (named "spoke", its first distance 1 m) scaled to the data's rim, and the rim
// profile.  1, or 0 with the data unchanged when the body is cut short or damaged, or holds a
// rim dimension that is not above 0 (TEXT_FILE_UNUSABLE then applies).  Shows nothing.
enum WheelReadResult { WHEEL_READ_OK = 1, WHEEL_READ_DAMAGED = 0, WHEEL_READ_UNUSABLE = -1 };
int ReadWheelBody(VehicleData& data, DataFile& stream, int version);
// Reads "data\whl\<name>.whl" into the data and then releases the wheel sets' meshes, so that
// they are built again from the new spoke and rim.  A file that cannot be opened is reported
// by the data file on errorPage; one older than 248 or with an unusable rim as "File is
// obsolete : ^L<path>" and a damaged one as "File is damaged : ^L<path>", both in the error
// colour.  1 when the wheel was taken, else 0 with the data unchanged.
int ReadWheelFile(VehicleData& data, Prss* errorPage, const char* name);
