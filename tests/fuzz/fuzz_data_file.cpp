// fuzz_data_file.cpp - the DataFile memory reader over arbitrary file images.
//
// The body drives the reads: each operation byte picks a typed read, so every read path
// meets every end of the body.  What was read is written again by the counting and the
// memory writer, whose bytes must read back the same: any mismatch aborts.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/data_file.h"

namespace {

struct Value {
  int kind;
  int32_t value;
  std::vector<uint8_t> block;
};

void WriteValues(DataFile& df, const std::vector<Value>& values) {
  for (const Value& v : values) {
    switch (v.kind) {
      case 0: df.WriteByte(v.value); break;
      case 1: df.WriteInt(v.value); break;
      case 2: df.WriteBlock(v.block.data(), static_cast<int>(v.block.size())); break;
      default: df.WriteFixedString(reinterpret_cast<const char*>(v.block.data()), static_cast<int>(v.block.size())); break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DataFile df{};
  int32_t version = 0;
  if (!df.OpenReadMemory(nullptr, data, static_cast<int64_t>(size), "ZKTFUZ", &version, 0xFFFF)) return 0;

  std::vector<Value> values;
  for (int ops = 0; ops < 4096 && !df.readPastEnd; ++ops) {
    const int op = df.ReadByte();
    if (op < 0) break;
    switch (op % 7) {
      case 0: values.push_back({0, df.ReadByte(), {}}); break;
      case 1: values.push_back({1, df.ReadShort(), {}}); break;
      case 2: values.push_back({1, df.ReadInt(), {}}); break;
      case 3: {
        const float f = df.ReadFloat();
        int32_t bits;
        std::memcpy(&bits, &f, 4);
        values.push_back({1, bits, {}});
        break;
      }
      case 4: {
        const int n = df.ReadByte() + 1;  // 0..256 bytes
        std::vector<uint8_t> block(static_cast<size_t>(n));
        df.ReadBlock(block.data(), n);
        values.push_back({2, 0, block});
        break;
      }
      case 5: df.Skip(static_cast<int16_t>(df.ReadShort())); break;
      default: {
        // A count read from the file, checked against the bytes left before use.
        const int32_t count = df.ReadInt();
        if (count < 0 || count > (df.end - df.cursor) / 4) break;
        for (int32_t i = 0; i < count; ++i) values.push_back({1, df.ReadInt(), {}});
        break;
      }
    }
  }
  df.Close();

  // Strings: the same bytes as a fixed field of their length (the last becomes a zero).
  for (Value& v : values)
    if (v.kind == 2 && !v.block.empty() && v.block[0] & 1) v.kind = 3;

  DataFile out{};
  out.BeginMemoryWrite(0, nullptr);
  WriteValues(out, values);
  if (out.BeginMemoryWrite(1, nullptr)) return 0;  // no memory: not a fault of the reader
  WriteValues(out, values);
  if (!out.FinishMemoryWrite()) std::abort();
  out.StartMemoryRead();
  for (const Value& v : values) {
    switch (v.kind) {
      case 0:
        if (out.ReadByte() != (v.value & 255)) std::abort();
        break;
      case 1:
        if (out.ReadInt() != v.value) std::abort();
        break;
      default: {
        std::vector<uint8_t> block(v.block.size());
        if (!out.ReadBlock(block.data(), static_cast<int>(block.size()))) std::abort();
        const size_t compared = v.kind == 3 ? block.size() - 1 : block.size();
        for (size_t i = 0; i < compared; ++i)
          if (block[i] != v.block[i] && !(v.kind == 3 && block[i] == 0)) std::abort();
        break;
      }
    }
  }
  if (out.readPastEnd || out.cursor != out.end) std::abort();
  out.Close();
  return 0;
}
