// checksum.cpp - CRC-32 table.
#include "core/checksum.h"

uint32_t Crc32Table[256];

void Crc32InitTable() {
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i << 24;
    for (int k = 0; k < 8; ++k) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
    Crc32Table[i] = c;
  }
}
