// setup_record.h - the car's set-up record, 120 bytes, as the vehicle file stores it after each
// set-up's name and as a set-up file holds it alone.
//
// Sections: [Record] [Named offsets] [Limits and comparison] [Reading and writing] [Set-up file]
//
// The record is kept as its bytes: the car simulation reads and writes its fields by offset.
// Multi-byte fields are little-endian, floats IEEE singles.  The rear axle's block comes
// first, at byte 40; the front axle's at 80.  Main thread only.
#pragma once
#include <cstdint>

struct DataFile;

// ---- [Record] ----
constexpr int SETUP_RECORD_SIZE = 120;
constexpr int SETUP_NAME_SIZE = 16;

// Four-byte aligned, so that the information panel's controls may bind its floats and 16-bit
// words where they lie (every such field sits at its natural alignment in the record).
struct alignas(4) SetupRecord {
  uint8_t bytes[SETUP_RECORD_SIZE];
};

// ---- [Named offsets] ----
// Every field the program reads or writes, by its offset from the record's start.  The head
// is 40 bytes; two 40-byte axle blocks follow at 40 (the rear axle) and 80 (the front axle).
// Where each offset comes from:
//   (v) the vehicle file names it: the first word, bytes 3, 13, 14 and 36, the float at 4,
//       the axle blocks' floats at +16 and +20 (56/96, 60/100), bytes +25, +26 and +27
//       (65/105, 66/106, 67/107) and byte 72 (the rear differential of a new kart set-up);
//   (c) the car information file's rows place them: byte 13 the front torque share, byte 14
//       the brake balance (its share is 0 under class option bit value 2, as the brake split
//       reads it), the float at 4 the brake strength, +16 the anti-roll rate, +26 the tyre type;
//   (o) our own layout: the other fields, in the order the car's set-up lists them, each
//       where the fields above leave room.
constexpr int SETUP_FLAGS = 0;            // (v) u32; byte 0 is the set-up flags: 0 no set-up,
                                          // bit value 1 a new set-up, 2 read by the reset,
                                          // 4 anti-lock braking asked for
constexpr int SETUP_LOCK_REDUCTION = 1;   // (o) percent, 0..80, off the steering factor
constexpr int SETUP_BALLAST_POSITION = 2; // (o) percent, 0..100, along the wheel base from the rear
constexpr int SETUP_CLASS_BYTE = 3;       // (v) set by the class defaults of a new set-up
constexpr int SETUP_BRAKE_STRENGTH = 4;   // (v, c) f32, N m
constexpr int SETUP_REAR_WING = 8;        // (o) degrees added to the rear wing's base angle
constexpr int SETUP_FRONT_WING = 9;       // (o) degrees added to the front wing's base angle
constexpr int SETUP_BALLAST = 10;         // (o) kg
constexpr int SETUP_RESTRICTION = 11;     // (o) intake restriction, percent
constexpr int SETUP_STEERING_LOCK = 12;   // (o) degrees
constexpr int SETUP_FRONT_SHARE = 13;     // (v, c) percent of a four-wheel drive's torque on the front
constexpr int SETUP_BRAKE_BALANCE = 14;   // (v, c) percent on the front wheels
constexpr int SETUP_CONFIGURATION = 15;   // (o) the index of the vehicle's configuration chosen
constexpr int SETUP_GEAR_WORDS = 16;      // (o) seven u16, first gear first: ratio = w x 7 / 65534 + 0.5
constexpr int SETUP_GEAR_COUNT = 7;
constexpr int SETUP_FINAL_DRIVE = 30;     // (o) u16, as a gear word
constexpr int SETUP_PASSENGERS = 36;      // (v) two bits per seat: bits 0-1 the front passenger,
                                          // 2-3, 4-5 and 6-7 the back seats; kind 0 with the
                                          // lower bit set, else kind 1
constexpr int SETUP_TYRE_MAKER = 32;     // (o) 0..6, the row of TyreMakerNames
constexpr int SETUP_CENTRE_DIFFERENTIAL = 33;  // (o) a four-wheel drive's centre differential, 0..1
constexpr int SETUP_ENGINE_BRAKE_REDUCTION = 34;  // (o) percent of the engine braking taken away, 0..100
constexpr int SETUP_PARALLEL_STEER = 35;  // (o) percent of parallel steer against the full steering
                                          // geometry, 0..100
// (o) The front axle's sixth float is kept only by files before version 251 (its track width,
// zeroed on reading them); its four bytes hold the driver aids' and the centre's figures.
constexpr int SETUP_TRACTION_SLIP = 100;          // the traction control's allowed slip, tenths of a
                                                  // percent, 20..200
constexpr int SETUP_TRACTION_LEAST_SPEED = 101;   // the traction control's minimum speed, m/s, 5..20
constexpr int SETUP_TYRE_WARMER = 102;            // the tyre warmers' temperature, degrees, 20..120
constexpr int SETUP_CENTRE_VISCOUS = 103;         // a viscous centre's strength, N m per rad/s, 1..20
constexpr int SETUP_KART_BYTE = 72;       // (v) the rear axle's differential: 1 in a new kart set-up
constexpr uint32_t SETUP_FLAG_NEW = 1;
// The same bit is the vehicle editor's symmetric switch: while it is set, the right side's
// camber and tyre pressure of each axle follow the left side's after every value change.
constexpr uint8_t SETUP_FLAG_SYMMETRIC = 1;
constexpr uint8_t SETUP_FLAG_RESET = 2;   // read by the car's reset; the traction control switch
constexpr uint8_t SETUP_FLAG_TRACTION = 2;
constexpr uint8_t SETUP_FLAG_ANTI_LOCK = 4;
// A set-up's flags are never left 0 by its switches (0 means no set-up): bit 7 stays with it.
constexpr uint8_t SETUP_FLAG_KEEP = 0x80;

// The axle blocks, index 0 the rear axle, 1 the front axle, and offsets inside them.
constexpr int SETUP_AXLE[2] = {40, 80};
constexpr int AXLE_SETUP_SIZE = 40;
constexpr int AXLE_RIDE_HEIGHT = 0;      // (o) f32, m: the wheel centre's height in the car frame
constexpr int AXLE_SPRING = 4;           // (o) f32, N/m
constexpr int AXLE_BUMP = 8;             // (o) f32, N s/m
constexpr int AXLE_REBOUND = 12;         // (o) f32, N s/m
constexpr int AXLE_ANTI_ROLL = 16;       // (v, c) f32, N/m
constexpr int AXLE_SIXTH = 20;           // (v) f32: the rear axle's (the handbrake strength) is held like
                                         //     the brake strength; the front's holds four bytes (above);
constexpr int AXLE_OLD_TRACK_WIDTH = 20; //     files before version 251 kept the axle's track width here
constexpr int AXLE_TOE = 24;             // (o) 9 is zero, 0.1 degree a step, 0..18
constexpr int AXLE_CASTER = 25;          // (v) tenths of a degree
constexpr int AXLE_TYRE_TYPE = 26;       // (v, c) a tyre compound, 0..7
constexpr int AXLE_COPIED = 27;          // (v) a byte copied into the wheel set; cleared before the
constexpr int AXLE_CLEARED = AXLE_COPIED;//     record is written in a vehicle file
constexpr int AXLE_CAMBER_LEFT = 28;     // (o) 45 is zero, 0.1 degree a step, 0..90
constexpr int AXLE_CAMBER_RIGHT = 29;    // (o)
constexpr int AXLE_DIFFERENTIAL = 32;    // (v) 0 open, 1 locked on a driven axle, 2 viscous, 3 limited slip
constexpr int AXLE_POWER_LOCKING = 33;   // (o) percent
constexpr int AXLE_COAST_LOCKING = 34;   // (o) percent
constexpr int AXLE_VISCOUS = 30;         // (o) a viscous differential's strength, N m per rad/s
constexpr int AXLE_PRELOAD = 35;         // (o) a limited-slip differential's preload, steps of 5 N m
constexpr int AXLE_PRESSURE_LEFT = 36;   // (o) u16, kPa
constexpr int AXLE_PRESSURE_RIGHT = 38;  // (o) u16, kPa
// Byte +31 of each axle block is read by nothing.

// The tyre makers the set-up's maker byte names (the information panel shows them).
constexpr int TYRE_MAKER_COUNT = 7;
extern const char* const TyreMakerNames[TYRE_MAKER_COUNT];

uint32_t SetupWord(const SetupRecord& record, int offset);
uint16_t SetupShort(const SetupRecord& record, int offset);
void SetSetupShort(SetupRecord& record, int offset, uint16_t value);
void SetSetupWord(SetupRecord& record, int offset, uint32_t value);
float SetupFloat(const SetupRecord& record, int offset);
void SetSetupFloat(SetupRecord& record, int offset, float value);

// ---- [Limits and comparison] ----
// Clamps each field of the record that has limits of its own (the car's set-up clamps the
// rest against its vehicle): lock reduction 0..80; ballast position, intake restriction,
// brake balance and front torque share 0..100; ballast 0..200 kg; on each axle the toe
// 0..18, both cambers 0..90, the differential 0..3 and both lockings 0..100.
constexpr int SETUP_MOST_LOCK_REDUCTION = 80;
constexpr int SETUP_MOST_BALLAST = 200;  // kg
constexpr int SETUP_MOST_TOE = 18;
constexpr int SETUP_MOST_CAMBER = 90;
constexpr int SETUP_MOST_DIFFERENTIAL = 3;
void ClampSetup(SetupRecord& record);
// 1 when the two records differ, else 0.  Bit 0 of the flags word is never compared; with
// ignoreTyreBytes also each axle's tyre type and copied byte (+26 and +27, the two bytes the
// wheel set takes) are not: a tyre change of a pit stop is not a change of set-up, and the
// copied byte is cleared in every record a vehicle file holds.
int CompareSetups(const SetupRecord& a, const SetupRecord& b, int ignoreTyreBytes);

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
