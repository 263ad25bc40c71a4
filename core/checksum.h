// checksum.h - CRC-32 and TEA, shared by the network, update and file code.
//
// The CRC is the non-reflected one of the polynomial 0x04C11DB7, most significant bit
// first, with the register loaded from the data itself (no zero bytes appended).  Its values
// therefore differ from the common reflected CRC-32 of the same bytes; both ends of a link
// compute it this way.  TEA is the published cipher, 32 rounds; every key comes from the
// caller.  The table is filled once at start-up, before any thread computes a CRC.
#pragma once
#include <cstddef>
#include <cstdint>

extern uint32_t Crc32Table[256];
// What a byte of the register adds after four steps, by its place (1 to 3 above the lowest):
// the lowest byte's is the table itself.
extern uint32_t Crc32WordTables[3][256];

void Crc32InitTable();

// NOT of the CRC over bytes, the first four loaded inverted.  Fewer than four bytes are
// taken with the missing ones as zero.
uint32_t Crc32Packet(const uint8_t* bytes, size_t length);
// Continues running over a zero-terminated text.  Each character is taken as a SIGNED byte
// (so 0x80 and above set bits 8..31 of the shifted register), as the peers compute it.
uint32_t Crc32String(uint32_t running, const char* text);
// Continues running over 12 bytes, taken unsigned.
uint32_t Crc32Block12(uint32_t running, const uint8_t bytes[12]);
// Continues running over the four bytes of a word, lowest first, in one step.
uint32_t Crc32Word(uint32_t running, uint32_t word);

// One 8-byte block (two 32-bit words as they lie in memory); out may be in.
void TeaEncipher(const uint32_t in[2], uint32_t out[2], const uint32_t key[4]);
void TeaDecipher(const uint32_t in[2], uint32_t out[2], const uint32_t key[4]);
