// builtin_vehicles.cpp - the built-in vehicle table and the look-ups over it.
#include "vehicle_data/builtin_vehicles.h"

#include <cstdio>
#include <cstring>

#include "text/text_strings.h"

const BuiltinVehicle BuiltinVehicleTable[BUILTIN_VEHICLE_COUNT] = {
    {"Runabout", "ZK1"},  {"Tourer", "ZK2"},     {"Coupe", "ZK3"},     {"Roadster", "ZK4"},   {"Scooter", "MB1"},
    {"Trailbike", "MB2"}, {"Sportbike", "MB3"},  {"Carrier", "VN1"},   {"Saloon", "SD1"},     {"Estate", "SD2"},
    {"Limousine", "SD3"}, {"Racer", "RC1"},      {"Sprinter", "RC2"},  {"Student", "RC3"},    {"Endurance", "RC4"},
    {"Buggy", "FR1"},     {"Hauler", "FR2"},     {"Rally", "FR3"},     {"Prototype", "PR1"},  {"Solar", "PR2"},
    {"Kart", "KRT"},
};

// ---- [Look-ups] ----

int BuiltinCarIndexByCode(const char code[VEHICLE_CODE_SIZE]) {
  const uint32_t word = VehicleCodeWord(code);
  for (int i = 0; i < BUILTIN_VEHICLE_COUNT; ++i)
    if (VehicleCodeWord(BuiltinVehicleTable[i].code) == word) return i;
  return -1;
}

int BuiltinCarIndexByName(const char* name) {
  if (!name) return -1;
  for (int i = 0; i < BUILTIN_VEHICLE_COUNT; ++i)
    if (CompareNoCase(name, BuiltinVehicleTable[i].name) == 0) return i;
  return -1;
}

const BuiltinVehicle* BuiltinCarByCode(const char code[VEHICLE_CODE_SIZE], int* index) {
  const int found = BuiltinCarIndexByCode(code);
  if (index) *index = found < 0 ? BUILTIN_VEHICLE_COUNT : found;
  return found < 0 ? nullptr : &BuiltinVehicleTable[found];
}

int BuiltinCarIndexByCodeText(const char* text) {
  if (!text) return -1;
  for (int i = 0; i < BUILTIN_VEHICLE_COUNT; ++i)
    if (CompareNoCase(text, BuiltinVehicleTable[i].code) == 0) return i;
  return -1;
}

// ---- [Ids and short names] ----

uint32_t VehicleCodeWord(const char code[VEHICLE_CODE_SIZE]) {
  const auto* b = reinterpret_cast<const unsigned char*>(code);
  return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

void VehicleCodeFromWord(uint32_t word, char code[VEHICLE_CODE_SIZE]) {
  for (int i = 0; i < VEHICLE_CODE_SIZE; ++i) code[i] = static_cast<char>(word >> (8 * i));
}

namespace {
bool IsLetterOrDigit(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }
}  // namespace

int IsShortCarName(const char* name) {
  if (!name) return 0;
  for (int i = 0; i < 3; ++i)
    if (!IsLetterOrDigit(name[i])) return 0;
  return name[3] == 0;
}

void FormatShortName(const char code[VEHICLE_CODE_SIZE], char out[SHORT_NAME_SIZE]) {
  std::memset(out, 0, SHORT_NAME_SIZE);
  if (IsShortCarName(code)) {
    std::memcpy(out, code, 3);
    return;
  }
  // A stored id has a zero fourth byte, so six digits always hold it; a wider word is cut.
  std::snprintf(out, SHORT_NAME_SIZE, "%06X", VehicleCodeWord(code) & 0xFFFFFFu);
}
