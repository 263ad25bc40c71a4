// dash_block.cpp - the dashboard block's records copied out and in, and the lamp table.
#include "dashboard/dash_block.h"

#include <cstring>

const DashLampKind DASH_LAMP_KINDS[DASH_LAMPS] = {
    {"Shift light", 255, 48, 48, {0xC8, 0}},
    {"Full beam", 48, 48, 255, {0xC0, 0}},
    {"Handbrake", 255, 48, 48, {0xC1, 0}},
    {"Pit limiter", 48, 240, 48, {0xC9, 0}},
    {"Traction control", 240, 144, 48, {0xC4, 0}},
    {"<", 48, 240, 48, {0xCC, 0xCE}},
    {">", 48, 240, 48, {0xCD, 0xCF}},
    {"<>", 48, 240, 48, {0xCA, 0xCB}},
    {"Oil pressure", 255, 48, 48, {0xC5, 0}},
    {"Battery", 255, 48, 48, {0xC6, 0}},
    {"ABS", 240, 144, 48, {0xC2, 0}},
    {"Engine damage", 240, 240, 48, {0xC3, 0}},
};

AnalogDashBlock ReadAnalogBlock(const uint8_t block[DASH_BLOCK_SIZE]) {
  AnalogDashBlock b;
  std::memcpy(&b, block, sizeof b);
  return b;
}

FormulaDashBlock ReadFormulaBlock(const uint8_t block[DASH_BLOCK_SIZE]) {
  FormulaDashBlock b;
  std::memcpy(&b, block, sizeof b);
  return b;
}

void WriteAnalogBlock(const AnalogDashBlock& b, uint8_t block[DASH_BLOCK_SIZE]) { std::memcpy(block, &b, sizeof b); }

void WriteFormulaBlock(const FormulaDashBlock& b, uint8_t block[DASH_BLOCK_SIZE]) { std::memcpy(block, &b, sizeof b); }

uint32_t DashFlags(const uint8_t flags[4]) {
  return uint32_t(flags[0]) | uint32_t(flags[1]) << 8 | uint32_t(flags[2]) << 16 | uint32_t(flags[3]) << 24;
}

void SetDashFlags(uint8_t flags[4], uint32_t value) {
  for (int i = 0; i < 4; ++i) flags[i] = uint8_t(value >> (8 * i));
}

DashLight DashLamp(const uint8_t block[DASH_BLOCK_SIZE], int lamp) {
  DashLight l;
  std::memcpy(&l, block + DASH_LAMP_OFFSET + DASH_LAMP_BYTES * lamp, sizeof l);
  return l;
}
