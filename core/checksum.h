// checksum.h - CRC-32 (polynomial 0x04C11DB7, most significant bit first) and TEA.
#pragma once
#include <cstdint>

extern uint32_t Crc32Table[256];
void Crc32InitTable();
