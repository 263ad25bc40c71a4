// track_load_bench.cpp - the track loader's steps 1 to 16 (headless) over a generated busy
// track of about 70,000 objects (sections, road segments, placed objects and trees) against
// reading the same file with one fread and a plain loop that decodes the same object fields
// unchecked.  Prints MB/s of both, the ratio (of the whole load and of its reading steps 1 to
// 4 alone) and the longest slice of a loader call.  Target:
// within 3x of the plain loop; the longest slice under 50 ms plus one item.  Run:
// build/bench/bench_world_load (Release, one core).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/data_file.h"
#include "core/frame_globals.h"
#include "tools/track_writer/track_files.h"
#include "tools/track_writer/track_writer.h"
#include "world/track_file.h"
#include "world/world.h"

namespace {

constexpr int SECTIONS = 10000, PLACED = 45000, TREES = 5000;  // 69,999 objects
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

// The bytes of one record written by write.
template <class Write>
size_t RecordBytes(Write write) {
  return MemoryWriteBody(write).size();
}

// One fread and the object records decoded field by field with no checks.
double PlainLoop(const char* path, int objects, uint64_t& sink) {
  const auto start = Clock::now();
  std::FILE* f = std::fopen(path, "rb");
  std::vector<uint8_t> bytes(static_cast<size_t>(WHOLE_TRACK_FILE_SIZE));
  if (!f || std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
  std::fclose(f);
  TrackSection section;
  section.vertices.resize(2);
  TrackSegment segment;
  segment.edges.resize(2);
  segment.parts.resize(1);
  const size_t sizes[16] = {0, 0, 0, 0, RecordBytes([](DataFile& d) { WritePlacedObjectRecord(d, {}); }), 0, 0, 0,
                            RecordBytes([&](DataFile& d) { WriteSectionRecord(d, 3, section); }),
                            RecordBytes([&](DataFile& d) { WriteSegmentRecord(d, 252, segment); }), 0,
                            RecordBytes([](DataFile& d) { WriteTreeRecord(d, {}); }), 0, 0, 0, 0};
  // The object word: the count with the object revision 3 in its top byte.
  const uint32_t word = uint32_t(objects) | 3u << 24;
  size_t at = 8;
  while (at + 4 < bytes.size()) {
    uint32_t w;
    std::memcpy(&w, &bytes[at], 4);
    if (w == word) break;
    ++at;
  }
  at += 4;
  for (int i = 0; i < objects; ++i) {
    const uint8_t type = bytes[at], flags = bytes[at + 1];
    at += 4;
    if (flags & 0x80) at += 4;
    int32_t x = 0, y = 0;
    if (type != 9) {
      std::memcpy(&x, &bytes[at], 4);
      std::memcpy(&y, &bytes[at + 4], 4);
      at += 8;
    }
    // The record's words summed as its fields would be read.
    const size_t size = sizes[type & 15];
    uint32_t fields = 0;
    for (size_t k = 0; k + 4 <= size; k += 4) {
      uint32_t v;
      std::memcpy(&v, &bytes[at + k], 4);
      fields += v;
    }
    at += size;
    sink += uint64_t(x) + uint64_t(y) + fields + type;
  }
  return Seconds(start, Clock::now());
}

void BM_TrackLoad(benchmark::State& state) {
  const auto folder = std::filesystem::temp_directory_path() / "zkt_track_load_bench";
  std::filesystem::create_directories(folder / "data" / "wld");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  const TrackImages images = BuildBusyTrackImages(SECTIONS, PLACED, TREES);
  {
    std::ofstream out("data/wld/busy.wld", std::ios::binary);
    out.write(reinterpret_cast<const char*>(images.world.data()), std::streamsize(images.world.size()));
  }
  const int objects = SECTIONS + (SECTIONS - 1) + PLACED + TREES;
  GraphicsEnabled = 0;
  for (auto _ : state) {
    uint64_t sink = 0;
    const double plain = PlainLoop("data/wld/busy.wld", objects, sink);
    benchmark::DoNotOptimize(sink);
    Wld* world = new Wld;
    const auto start = Clock::now();
    double longest = 0, reading = 0;
    int calls = 0;
    if (world->LoadTrackFile("busy")) {
      while (world->loadStep != 0) {
        const auto a = Clock::now();
        SetupWorldInGameCode();
        longest = std::max(longest, Seconds(a, Clock::now()));
        if (reading == 0 && (world->loadStep >= 5 || world->loadStep == 0)) reading = Seconds(start, Clock::now());
        ++calls;
      }
    }
    const double load = Seconds(start, Clock::now());
    const double mb = double(WHOLE_TRACK_FILE_SIZE) / 1e6;
    std::printf("track load: %d objects (%s), %d calls; loader %.1f MB/s (%.3f s), plain loop %.1f MB/s (%.3f s), "
                "ratio %.2f (reading the file alone, steps 1 to 4: %.3f s, ratio %.2f); longest call %.1f ms\n",
                world->objectCount, world->loadFailed ? "FAILED" : "finished", calls, mb / load, load, mb / plain,
                plain, load / plain, reading, reading / plain, longest * 1000.0);
    DeleteWorld();
  }
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_TrackLoad)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
