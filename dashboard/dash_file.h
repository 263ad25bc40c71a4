// dash_file.h - the dash file: a car's dashboard block saved under a name and loaded onto
// another car of the same dash type.
//
// "ZKTDSH", version 252 written (248..252 read), in "data\3dob\<name>.dsh": the dash type and
// the block size as 32-bit words, then the block byte for byte.  Loading replaces the whole
// block (colours and lamp positions too) or, on any failure, leaves it as it was.  Main
// thread only.
#pragma once
#include <cstdint>

struct DataFile;
struct Prss;
struct VehicleData;

constexpr const char* DASH_FILE_MAGIC = "ZKTDSH";
constexpr int32_t DASH_FILE_VERSION = 252;
constexpr int32_t DASH_FILE_LOWEST_VERSION = 248;
constexpr const char* DASH_FILE_PATTERN = "data\\3dob\\%s.dsh";
// Shown on the page with the path (or the name) after it.
constexpr const char* TEXT_INCOMPATIBLE_DASH = "Incompatible dash";
constexpr const char* TEXT_DASH_BLOCK_SHORT = "Dash file block is incomplete :";
constexpr const char* TEXT_DASH_HEADER_SHORT = "Dash file type and size are incomplete :";

enum DashFileResult {
  DASH_FILE_OK = 0,
  DASH_FILE_BAD_NAME = 1,      // a name FileNameFault refuses (nothing read or written)
  DASH_FILE_NOT_OPENED = 2,    // the data-file layer reported why
  DASH_FILE_OLD_VERSION = 3,   // below 248: "Could not open file :" and the path
  DASH_FILE_INCOMPATIBLE = 4,  // another dash type or block size than the car's
  DASH_FILE_SHORT = 5,         // the type, the size or the block ends early
  DASH_FILE_NOT_WRITTEN = 6,   // the write failed; the layer reported it with the path
  DASH_FILE_NO_BLOCK = 7,      // the car's dash type has no block to save or load
};

// The block of the car's dash type from "data\3dob\<name>.dsh" (messages on page, which may
// be null).  The block is copied only after the whole file was read and matched.
int LoadDash(Prss* page, VehicleData& car, const char* name);
// The car's dash type, block size and block to "data\3dob\<name>.dsh".
int SaveDash(Prss* page, const VehicleData& car, const char* name);
// The body after the header (type, size, block) into an open stream of any mode: the counting
// pass measures 8 + the block's size.
void WriteDashBody(DataFile& f, const VehicleData& car);
// The dash file read from an open stream (header already checked) onto the car, as LoadDash.
int ReadDashBody(Prss* page, DataFile& f, int32_t version, VehicleData& car, const char* path);
