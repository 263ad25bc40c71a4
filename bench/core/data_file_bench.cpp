// data_file_bench.cpp - reading 1 M 32-bit words through a DataFile in memory mode, beside
// a plain memcpy of the same bytes.  Target: at least 1 GB/s on one core.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/data_file.h"

namespace {

constexpr int WORDS = 1 << 20;

// The body as a format writer makes it: the counting pass, then the memory pass.
DataFile& WrittenBody() {
  static DataFile df = [] {
    DataFile d{};
    for (int pass = 0; pass < 2; ++pass) {
      d.BeginMemoryWrite(pass, nullptr);
      for (int i = 0; i < WORDS; ++i) d.WriteInt(i * 2654435761u);
    }
    return d;
  }();
  return df;
}

void BM_DataFileReadIntMemory(benchmark::State& state) {
  DataFile& df = WrittenBody();
  for (auto _ : state) {
    df.StartMemoryRead();
    uint32_t sum = 0;
    for (int i = 0; i < WORDS; ++i) sum += static_cast<uint32_t>(df.ReadInt());
    benchmark::DoNotOptimize(sum);
    if (df.readPastEnd) state.SkipWithError("ran short");
  }
  state.SetBytesProcessed(state.iterations() * int64_t{WORDS} * 4);
}
BENCHMARK(BM_DataFileReadIntMemory);

void BM_MemcpySameBytes(benchmark::State& state) {
  DataFile& df = WrittenBody();
  std::vector<uint8_t> target(size_t{WORDS} * 4);
  for (auto _ : state) {
    std::memcpy(target.data(), df.buffer, target.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t{WORDS} * 4);
}
BENCHMARK(BM_MemcpySameBytes);

}  // namespace
