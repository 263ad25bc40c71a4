// track_load_bench.cpp - the track loader's steps 1 to 16 (headless) over a generated busy
// track of about 70,000 objects (sections, road segments, placed objects and trees) against
// reading the same file with one fread and a plain loop that decodes the same object fields
// unchecked.  Prints MB/s of both, the ratio (of the whole load and of its reading steps 1 to
// 4 alone), the longest slice of a loader call and the time of each step.  Each side runs five
// times and the fastest run is shown; then the object set-up (step 10) with its work on 1, 2, 4
// and 8 threads.  Target: within 3x of the plain loop; the longest slice under 50 ms plus one
// item.  Run: taskset -c N build/bench/bench_world_load (one core).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/data_file.h"
#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "platform/spawn.h"
#include "platform/thread.h"
#include "tools/track_writer/track_files.h"
#include "tools/track_writer/track_writer.h"
#include "world/fixed_ob.h"
#include "world/map_squares.h"
#include "world/sphere_directions.h"
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

// FNV-1a over the loaded world's set-up fields and its bump table, so that a faster loader can
// be seen to build the same world.
uint64_t WorldFingerprint(const Wld& w) {
  uint64_t h = 1469598103934665603ull;
  auto add = [&h](const void* data, size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  };
  for (int i = 0; i < w.objectCount; ++i) {
    const FixedOb& o = *w.objects[i];
    const int32_t words[] = {o.type,        o.position[0], o.position[1], o.centre.x,  o.centre.y,  o.centre.z,
                             o.radius,      o.halfSize.x,  o.halfSize.y,  o.halfSize.z, o.flags,    o.sizeByte,
                             o.box[0],      o.box[1],      o.box[2],      o.box[3],    o.box[4],    o.box[5],
                             int32_t(o.configMask), int32_t(o.lightMask)};
    add(words, sizeof words);
  }
  add(w.bumps, sizeof w.bumps);
  const int64_t grid[] = {w.grid.width, w.grid.height,      w.grid.minX,       w.grid.minY,
                          w.grid.maxX,  w.grid.maxY,        w.grid.objectTotal, w.grid.trunkTotal};
  add(grid, sizeof grid);
  return h;
}

// FNV-1a over every map square's lists: its objects by table number, then its trunk records
// field by field, so that a parallel build can be seen to fill the same squares.
uint64_t MapSquareFingerprint(const Wld& w) {
  uint64_t h = 1469598103934665603ull;
  auto add = [&h](int64_t v) {
    for (int k = 0; k < 8; ++k) h = (h ^ uint8_t(uint64_t(v) >> (8 * k))) * 1099511628211ull;
  };
  std::unordered_map<const FixedOb*, int> number;
  for (int i = 0; i < w.objectCount; ++i) number[w.objects[i]] = i;
  for (int64_t s = 0, n = int64_t{w.grid.width} * w.grid.height; w.grid.squares && s < n; ++s) {
    const MapSquare& q = w.grid.squares[s];
    add(q.objectCount);
    for (uint32_t i = 0; i < q.objectCount; ++i) add(number.at(q.objects[i]));
    add(q.trunkCount);
    for (uint32_t i = 0; i < q.trunkCount; ++i) {
      const TrunkRecord& t = q.trunks[i];
      add(t.radius), add(t.x), add(t.y), add(t.lowestZ), add(t.highestZ);
    }
  }
  return h;
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
  // A folder of this run's own: runs at the same time must not remove each other's track.
  const auto folder =
      std::filesystem::temp_directory_path() / ("zkt_track_load_bench_" + std::to_string(CurrentProcessId()));
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
  // The tables the program fills at start-up: without the directions every tree would grow
  // with all its nodes at its base, which is cheaper than a real tree.
  InitSinCosTables();
  InitSphereDirections();
  // The machine may be shared: each side is timed RUNS times and the fastest run is shown.
  constexpr int RUNS = 5;
  for (auto _ : state) {
    uint64_t sink = 0;
    double plain = 1e9;
    for (int run = 0; run < RUNS; ++run) plain = std::min(plain, PlainLoop("data/wld/busy.wld", objects, sink));
    benchmark::DoNotOptimize(sink);
    double load = 1e9, longest = 0, reading = 0, longestAnyRun = 0;
    double perStep[18] = {};
    int calls = 0, objectCount = 0, failed = 0;
    uint64_t fingerprint = 0;
    for (int run = 0; run < RUNS; ++run) {
      Wld* world = new Wld;
      const auto start = Clock::now();
      double runLongest = 0, runReading = 0;
      double runSteps[18] = {};
      int runCalls = 0;
      if (world->LoadTrackFile("busy")) {
        while (world->loadStep != 0) {
          const int step = std::clamp(world->loadStep, 0, 17);
          const auto a = Clock::now();
          SetupWorldInGameCode();
          const double took = Seconds(a, Clock::now());
          runSteps[step] += took;
          runLongest = std::max(runLongest, took);
          if (runReading == 0 && (world->loadStep >= 5 || world->loadStep == 0))
            runReading = Seconds(start, Clock::now());
          ++runCalls;
        }
      }
      const double runLoad = Seconds(start, Clock::now());
      longestAnyRun = std::max(longestAnyRun, runLongest);
      if (runLoad < load) {
        load = runLoad;
        longest = runLongest;
        reading = runReading;
        calls = runCalls;
        std::copy(runSteps, runSteps + 18, perStep);
      }
      objectCount = world->objectCount;
      fingerprint = WorldFingerprint(*world);
      failed |= world->loadFailed;
      DeleteWorld();
    }
    const double mb = double(WHOLE_TRACK_FILE_SIZE) / 1e6;
    std::printf("track load: %d objects (%s), %d calls; loader %.1f MB/s (%.3f s), plain loop %.1f MB/s (%.3f s), "
                "ratio %.2f (reading the file alone, steps 1 to 4: %.3f s, ratio %.2f); longest call %.1f ms "
                "(%.1f ms over all %d runs)\n",
                objectCount, failed ? "FAILED" : "finished", calls, mb / load, load, mb / plain, plain, load / plain,
                reading, reading / plain, longest * 1000.0, longestAnyRun * 1000.0, RUNS);
    std::printf("world fingerprint %016llx\n", static_cast<unsigned long long>(fingerprint));
    std::printf("by step (ms):");
    for (int k = 1; k <= 17; ++k)
      if (perStep[k] > 0) std::printf(" %d: %.2f", k, perStep[k] * 1000.0);
    std::printf("\n");
    // The object set-up (step 10) and the map squares (step 12) on 1, 2, 4 and 8 threads: the
    // same world each time.
    std::printf("steps 10 and 12 by threads (ms, machine's own count %d):", ParallelThreadCount());
    uint64_t squares = 0;  // the map squares' fingerprint with one thread
    for (const int threads : {1, 2, 4, 8}) {
      SetParallelThreadCount(threads);
      double step10 = 1e9, step12 = 1e9, whole = 1e9;
      uint64_t seen = 0, seenSquares = 0;
      for (int run = 0; run < RUNS; ++run) {
        Wld* world = new Wld;
        double runStep10 = 0, runStep12 = 0;
        const auto start = Clock::now();
        if (world->LoadTrackFile("busy")) {
          while (world->loadStep != 0) {
            const int step = world->loadStep;
            const auto a = Clock::now();
            SetupWorldInGameCode();
            if (step == 10) runStep10 += Seconds(a, Clock::now());
            if (step == 12) runStep12 += Seconds(a, Clock::now());
          }
        }
        whole = std::min(whole, Seconds(start, Clock::now()));
        step10 = std::min(step10, runStep10);
        step12 = std::min(step12, runStep12);
        seen = WorldFingerprint(*world);
        seenSquares = MapSquareFingerprint(*world);
        DeleteWorld();
      }
      if (threads == 1) squares = seenSquares;
      std::printf(" %d: %.2f, %.2f (load %.2f, ratio %.2f%s)", threads, step10 * 1000.0, step12 * 1000.0,
                  whole * 1000.0, whole / plain,
                  seen == fingerprint && seenSquares == squares ? "" : ", A DIFFERENT WORLD");
    }
    SetParallelThreadCount(0);
    std::printf("\nmap squares fingerprint %016llx\n", static_cast<unsigned long long>(squares));
  }
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_TrackLoad)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
