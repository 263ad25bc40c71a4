// checksum.cpp - CRC-32 and TEA.
#include "core/checksum.h"

uint32_t Crc32Table[256];
uint32_t Crc32WordTables[3][256];

namespace {
constexpr uint32_t CRC32_POLYNOMIAL = 0x04C11DB7u;
constexpr uint32_t TEA_DELTA = 0x9E3779B9u;
constexpr int TEA_ROUNDS = 32;

inline uint32_t CrcStep(uint32_t r, uint32_t in) { return ((r << 8) | in) ^ Crc32Table[r >> 24]; }
}  // namespace

void Crc32InitTable() {
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t r = i << 24;
    for (int bit = 0; bit < 8; ++bit) r = (r & 0x80000000u) ? (r << 1) ^ CRC32_POLYNOMIAL : r << 1;
    Crc32Table[i] = r;
  }
  // A register byte k places above the lowest reaches the top after 3 - k steps, where the
  // table takes it; the remaining k steps shift what the table gave.
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t r = Crc32Table[i];
    for (int k = 0; k < 3; ++k) Crc32WordTables[k][i] = r = CrcStep(r, 0);
  }
}

uint32_t Crc32Packet(const uint8_t* bytes, size_t length) {
  uint32_t first = 0;
  for (size_t i = 0; i < 4; ++i) first = first << 8 | (i < length ? bytes[i] : 0u);
  uint32_t r = ~first;
  for (size_t i = 4; i < length; ++i) r = CrcStep(r, bytes[i]);
  return ~r;
}

uint32_t Crc32String(uint32_t running, const char* text) {
  for (; *text; ++text) {
    const int32_t widened = static_cast<int8_t>(*text);
    running = CrcStep(running, static_cast<uint32_t>(widened));
  }
  return running;
}

uint32_t Crc32Block12(uint32_t running, const uint8_t bytes[12]) {
  for (int i = 0; i < 12; ++i) running = CrcStep(running, bytes[i]);
  return running;
}

uint32_t Crc32Word(uint32_t running, uint32_t word) {
  // Four steps shift the word's bytes in, lowest first, and what the register held out.
  const uint32_t in = (word & 0xFFu) << 24 | (word & 0xFF00u) << 8 | (word >> 8 & 0xFF00u) | word >> 24;
  return in ^ Crc32WordTables[2][running >> 24] ^ Crc32WordTables[1][running >> 16 & 0xFFu] ^
         Crc32WordTables[0][running >> 8 & 0xFFu] ^ Crc32Table[running & 0xFFu];
}

void TeaEncipher(const uint32_t in[2], uint32_t out[2], const uint32_t key[4]) {
  uint32_t y = in[0], z = in[1], sum = 0;
  for (int i = 0; i < TEA_ROUNDS; ++i) {
    sum += TEA_DELTA;
    y += ((z << 4) + key[0]) ^ (z + sum) ^ ((z >> 5) + key[1]);
    z += ((y << 4) + key[2]) ^ (y + sum) ^ ((y >> 5) + key[3]);
  }
  out[0] = y;
  out[1] = z;
}

void TeaDecipher(const uint32_t in[2], uint32_t out[2], const uint32_t key[4]) {
  uint32_t y = in[0], z = in[1], sum = TEA_DELTA * TEA_ROUNDS;
  for (int i = 0; i < TEA_ROUNDS; ++i) {
    z -= ((y << 4) + key[2]) ^ (y + sum) ^ ((y >> 5) + key[3]);
    y -= ((z << 4) + key[0]) ^ (z + sum) ^ ((z >> 5) + key[1]);
    sum -= TEA_DELTA;
  }
  out[0] = y;
  out[1] = z;
}
