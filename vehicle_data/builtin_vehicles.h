// builtin_vehicles.h - the program's own vehicles: the table of 21 built-in vehicles with their
// codes, the look-ups by code and by name, and the short names printed from a vehicle's id.
//
// Sections: [Table] [Look-ups] [Ids and short names]
//
// Every vehicle has a 4-byte id: a built-in vehicle's code (three upper-case letters or digits
// and a zero byte), or a mod vehicle's number (three bytes and a zero byte).  The table's
// order is the order of the built-in vehicles everywhere (the player file's per-car entries,
// the bits of "MP Rules ", the race host's handicaps): it never changes.  Each display name is
// also the base name of the vehicle's file in "data\veh".  Thread-safe (constant data).
#pragma once
#include <cstdint>

// ---- [Table] ----
constexpr int BUILTIN_VEHICLE_COUNT = 21;
constexpr int VEHICLE_CODE_SIZE = 4;

struct BuiltinVehicle {
  const char* name;              // display name and "data\veh\<name>.veh"
  char code[VEHICLE_CODE_SIZE];  // three characters and a zero
};
extern const BuiltinVehicle BuiltinVehicleTable[BUILTIN_VEHICLE_COUNT];

// ---- [Look-ups] ----
// The index whose code equals the 4 bytes (compared as one word), else -1.
int BuiltinCarIndexByCode(const char code[VEHICLE_CODE_SIZE]);
// The index of the first entry whose name equals name without regard to case, else -1.
int BuiltinCarIndexByName(const char* name);
// The entry of a code and its index; with no match a null entry and the index 21 (one past the
// last entry).
const BuiltinVehicle* BuiltinCarByCode(const char code[VEHICLE_CODE_SIZE], int* index);
// The index whose code equals text (three characters, any case), else -1: the command line's
// and the configuration's car codes.
int BuiltinCarIndexByCodeText(const char* text);

// ---- [Ids and short names] ----
// A code read as one little-endian 32-bit word, and back.
uint32_t VehicleCodeWord(const char code[VEHICLE_CODE_SIZE]);
void VehicleCodeFromWord(uint32_t word, char code[VEHICLE_CODE_SIZE]);
// Exactly three ASCII letters or digits (a built-in car's short name); 0 for null.
int IsShortCarName(const char* name);
constexpr int SHORT_NAME_SIZE = 8;
// The short name of an id: its text when it is a short car name, else the id read as a number
// and printed "%06X" (a mod's skin id).
void FormatShortName(const char code[VEHICLE_CODE_SIZE], char out[SHORT_NAME_SIZE]);
