// services.cpp - front-end services the rest of the program calls.
#include <cstdio>
#include <cstring>

#include "core/log.h"
#include "frontend/frontend.h"

int ExportVehicleWithLog() {
  LogLine("vehicle output : not available in this build");
  return 1;
}

void ReloadGarageCarModel(int) {}

int IsModCarId(uint32_t id) {
  // A mod id is kept in the same 24 bits as a short name's three characters, byte 0 first.
  const char asName[4] = {static_cast<char>(id & 0xFF), static_cast<char>(id >> 8 & 0xFF),
                          static_cast<char>(id >> 16 & 0xFF), 0};
  if (id > 0xFFFFFF || !asName[0] || !asName[1] || !asName[2]) return 0;
  return !IsShortCarName(asName);
}

