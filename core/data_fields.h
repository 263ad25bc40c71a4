// data_fields.h - reading a data file's fields in groups of known length: a body held in
// memory is checked once for the whole group and its fields then read with no check each;
// any other stream, or a body too short for the group, is read through the file's own
// checked reads, so that a cut file reads exactly as it would field by field.
#pragma once
#include <bit>
#include <cassert>
#include <cstdint>
#include <cstring>

#include "core/data_file.h"

// Bytes already known to be there, read as DataFile's reads read them.
struct FieldBytes {
  const uint8_t* at;
  int ReadByte() { return *at++; }
  int ReadShort() {
    const uint16_t v = static_cast<uint16_t>(at[0] | at[1] << 8);
    at += 2;
    return static_cast<int16_t>(v);
  }
  int32_t ReadInt() {
    const uint32_t v = static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
                       static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
    at += 4;
    return static_cast<int32_t>(v);
  }
  uint32_t ReadUInt() { return static_cast<uint32_t>(ReadInt()); }
  float ReadFloat() { return std::bit_cast<float>(ReadInt()); }
  int ReadBlock(void* dest, int n) {
    std::memcpy(dest, at, size_t(n));
    at += n;
    return 1;
  }
  int Skip(int n) {
    at += n;
    return 1;
  }
};

// The next n bytes of a body held in memory, the read position moved past them; null, nothing
// read, in the other modes or when fewer than n bytes are left.
inline const uint8_t* TakeFieldBytes(DataFile& file, int n) {
  if (file.mode != DATA_FILE_MEMORY_READ || n < 0 || file.end - file.cursor < n) return nullptr;
  const uint8_t* bytes = file.cursor;
  file.cursor += n;
  return bytes;
}

// Runs read(in) over a group of fields that takes exactly n bytes, in being the group's bytes
// (FieldBytes) when the body holds them in memory, else the file itself.  read is generic:
// [&](auto& in) { ... in.ReadInt() ... }.
template <class Read>
void ReadFields(DataFile& file, int n, Read read) {
  if (const uint8_t* bytes = TakeFieldBytes(file, n)) {
    FieldBytes in{bytes};
    read(in);
    assert(in.at == bytes + n && "the group read other than the bytes it named");
  } else {
    read(file);
  }
}

// The same for a group whose length its own first fields give, at most `most` bytes: when the
// body holds `most` bytes in memory the group is read with no check and the position moves past
// the bytes it read; else (near the end, or another stream) through the file's checked reads.
template <class Read>
void ReadFieldsUpTo(DataFile& file, int most, Read read) {
  if (file.mode == DATA_FILE_MEMORY_READ && most >= 0 && file.end - file.cursor >= most) {
    FieldBytes in{file.cursor};
    read(in);
    assert(in.at <= file.cursor + most && "the group read past the most it named");
    file.cursor += in.at - file.cursor;
  } else {
    read(file);
  }
}
