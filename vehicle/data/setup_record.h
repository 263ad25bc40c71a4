// setup_record.h - the car's set-up record, 120 bytes, as the vehicle file stores it after each
// set-up's name and as a set-up file holds it alone.
//
// Sections: [Record] [Named offsets] [Reading and writing] [Set-up file]
//
// The record is kept as its bytes: the car simulation reads and writes its fields by offset,
// and the vehicle code touches only the few named below.  Multi-byte fields are little-endian,
// floats IEEE singles.  The rear axle's block comes first, at byte 56; the front axle's at 96.
// Where the car simulation's set-up fields lie beyond those the vehicle file names (the
// steering lock, the configuration, each axle's tyre type and pressures) is our own layout.
// Main thread only.
#pragma once
#include <cstdint>

struct DataFile;

// ---- [Record] ----
constexpr int SETUP_RECORD_SIZE = 120;
constexpr int SETUP_NAME_SIZE = 16;

struct SetupRecord {
  uint8_t bytes[SETUP_RECORD_SIZE];
};

// ---- [Named offsets] ----
constexpr int SETUP_FLAGS = 0;            // u32; bit 0 set in a new set-up
constexpr int SETUP_CLASS_BYTE = 3;       // set by the class defaults of a new set-up
constexpr int SETUP_BRAKE_STRENGTH = 4;   // f32, N m
constexpr int SETUP_STEERING_LOCK = 12;   // degrees
constexpr int SETUP_PERCENT = 13;         // a percentage the class defaults set
constexpr int SETUP_BYTE_14 = 14;
constexpr int SETUP_CONFIGURATION = 15;   // the index of the vehicle's configuration chosen
constexpr int SETUP_PASSENGERS = 36;      // two bits per seat: bits 0-1 the front passenger,
                                          // 2-3, 4-5 and 6-7 the back seats; kind 0 with the
                                          // lower bit set, else kind 1
constexpr int SETUP_KART_BYTE = 72;       // the rear axle's differential: 1 in a new kart set-up
constexpr uint32_t SETUP_FLAG_NEW = 1;

// The axle blocks, index 0 the rear axle, 1 the front axle, and offsets inside them.
constexpr int SETUP_AXLE[2] = {56, 96};
constexpr int AXLE_RIDE_HEIGHT = 0;     // f32, m
constexpr int AXLE_OLD_TRACK_WIDTH = 4;  // f32, m: files before version 251 kept the axle's track width here
constexpr int AXLE_CASTER = 9;          // tenths of a degree
constexpr int AXLE_BYTE_10 = 10;
constexpr int AXLE_CLEARED = 11;        // cleared before the record is written in a vehicle file
constexpr int AXLE_TYRE_TYPE = 12;      // a tyre compound, 0..7
constexpr int AXLE_DIFFERENTIAL = 16;   // 1 locks the differential of a driven axle
constexpr int AXLE_PRESSURE_LEFT = 20;  // u16, kPa
constexpr int AXLE_PRESSURE_RIGHT = 22; // u16, kPa

uint32_t SetupWord(const SetupRecord& record, int offset);
uint16_t SetupShort(const SetupRecord& record, int offset);
void SetSetupShort(SetupRecord& record, int offset, uint16_t value);
void SetSetupWord(SetupRecord& record, int offset, uint32_t value);
float SetupFloat(const SetupRecord& record, int offset);
void SetSetupFloat(SetupRecord& record, int offset, float value);

// ---- [Reading and writing] ----
// Reads the 120 bytes.  1, or 0 (the record untouched) when the data ends first: a record
// fails only on a short read.  version is the version of the file that holds it.
int ReadSetupRecord(SetupRecord& record, DataFile& file, int version);
// Writes the 120 bytes in any write mode (file, counting pass, memory).
void WriteSetupRecord(const SetupRecord& record, DataFile& file);

// ---- [Set-up file] ----
// "data\setups\<car code>_<name>.set": the container "QXSETT" at version 252 holding one record.
constexpr const char* SETUP_FILE_MAGIC = "QXSETT";
constexpr int SETUP_FILE_VERSION = 252;
constexpr const char* SETUP_FILE_CAR_PATTERN = "data\\setups\\%s_%s.set";

// Reads the file into record; non-zero on success.  A missing, foreign, later or short file
// gives 0 with record untouched; nothing is shown.
int LoadSetupFile(SetupRecord& record, const char* path);
// Writes the file through a safe write; 1 on success (the old file is kept otherwise).
int SaveSetupFile(const SetupRecord& record, const char* path);
// "data\setups\<car code>_<name>.set" into out; 0 (out empty) when either name is not a plain
// file name or the path does not fit.
int MakeCarSetupPath(char* out, int outSize, const char* carCode, const char* setupName);
