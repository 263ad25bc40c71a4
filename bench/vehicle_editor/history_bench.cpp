// history_bench.cpp - the vehicle editor's edit history on the largest sample vehicle:
// an undo beside the plain memory read of the same history node into a new car (set up and
// placed, as the undo does), and a recorded edit beside one counting and one writing pass of
// the vehicle's serialisation.  Target: the undo within 1.3 times the plain read (the history
// adds bookkeeping only).  Runs in a scratch folder holding the build's sample vehicles.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "core/data_file.h"
#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "physics/car.h"
#include "vehicle_data/vehicle_file.h"
#include "vehicle_editor/vehicle_undo.h"

namespace {

namespace fs = std::filesystem;
constexpr const char* LARGEST = "Coupe";  // the largest sample vehicle file

struct Editor {
  VehicleEditor* e = nullptr;
  Editor() {
    const fs::path scratch = fs::temp_directory_path() / "zkt_history_bench";
    fs::remove_all(scratch);
    fs::create_directories(scratch / "data");
    for (const char* folder : {"veh", "engine"})
      fs::copy(fs::path(ZKT_SAMPLE_DATA) / folder, scratch / "data" / folder, fs::copy_options::recursive);
    fs::current_path(scratch);
    InitSinCosTables();
    FrameSkipped = 1;
    e = VehicleEditor::Create(nullptr);
    if (!VehicleEditor::LoadVehicleState(*e, LARGEST, -1)) std::fprintf(stderr, "no %s\n", LARGEST);
  }
  // Edits until the history is full, each a different fuel tank.
  void Fill() {
    while (VehicleUndo::NumRedo > 0) RedoEdit(*e);
    for (int i = 0; VehicleUndo::NumNodes < VehicleUndo::MAX_NODES; ++i) {
      RecordEdit("tank");
      e->car->fuelTankCapacity = float(20 + i);
    }
  }
};

Editor& Shared() {
  static Editor editor;
  return editor;
}

const VehicleLoadArgs ARGS = {0, -1, 0, nullptr, 0, nullptr, 1, {0, 0}, 1, nullptr, 0};

// Undo steps through a full history; the walk back to the newest point is not timed.
void BM_Undo(benchmark::State& state) {
  Editor& ed = Shared();
  ed.Fill();
  UndoEdit(*ed.e);  // the copy above the newest node is made once, outside the timing
  for (auto _ : state) {
    if (VehicleUndo::NumRedo + 1 >= VehicleUndo::NumNodes) {
      state.PauseTiming();
      while (VehicleUndo::NumRedo > 1) RedoEdit(*ed.e);
      state.ResumeTiming();
    }
    UndoEdit(*ed.e);
  }
}
BENCHMARK(BM_Undo)->Unit(benchmark::kMicrosecond);

// The same node read from memory into a new car, set up and placed, and the car deleted.
void BM_ReadNodeIntoCar(benchmark::State& state) {
  Editor& ed = Shared();
  ed.Fill();
  const VehicleUndoNode& n = VehicleUndo::Slots[VehicleUndo::NumNodes - 2];
  for (auto _ : state) {
    HistoryVehicleCopy = {n.stored, n.size};
    KeepUnmirrored = NoModPath = 1;
    Car* car = new Car;
    car->LoadVehicle(n.vehicleName, ARGS);
    HistoryVehicleCopy = {};
    KeepUnmirrored = NoModPath = 0;
    car->SetupFromVehicle(1);
    car->PlaceAt(0, 0, 0.0f);
    benchmark::DoNotOptimize(car->radius);
    delete car;
  }
}
BENCHMARK(BM_ReadNodeIntoCar)->Unit(benchmark::kMicrosecond);

// Both in one run, printed with their ratio (the target: below 1.3).
void BM_UndoOverRead(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  Editor& ed = Shared();
  double undo = 0, read = 0;
  int64_t steps = 0;
  for (auto _ : state) {
    ed.Fill();
    UndoEdit(*ed.e);
    const VehicleUndoNode& n = VehicleUndo::Slots[VehicleUndo::NumNodes - 2];
    auto t0 = Clock::now();
    UndoEdit(*ed.e);
    auto t1 = Clock::now();
    HistoryVehicleCopy = {n.stored, n.size};
    KeepUnmirrored = NoModPath = 1;
    Car* car = new Car;
    car->LoadVehicle(n.vehicleName, ARGS);
    HistoryVehicleCopy = {};
    KeepUnmirrored = NoModPath = 0;
    car->SetupFromVehicle(1);
    car->PlaceAt(0, 0, 0.0f);
    delete car;
    auto t2 = Clock::now();
    undo += std::chrono::duration<double, std::micro>(t1 - t0).count();
    read += std::chrono::duration<double, std::micro>(t2 - t1).count();
    ++steps;
  }
  state.counters["undo_us"] = undo / double(steps);
  state.counters["read_us"] = read / double(steps);
  state.counters["ratio"] = read > 0 ? undo / read : 0;
}
BENCHMARK(BM_UndoOverRead)->Unit(benchmark::kMicrosecond);

// A recorded edit with a full history (the oldest node dropped each time).
void BM_RecordEdit(benchmark::State& state) {
  Editor& ed = Shared();
  ed.Fill();
  for (auto _ : state) RecordEdit("tank");
}
BENCHMARK(BM_RecordEdit)->Unit(benchmark::kMicrosecond);

void BM_SerializeCountingPass(benchmark::State& state) {
  Editor& ed = Shared();
  for (auto _ : state) {
    DataFile f;
    int failed = 0;
    f.BeginMemoryWrite(0, &failed);
    SerializeVehicleData(*ed.e->car, f, ed.e->vehicleName, 1);
    benchmark::DoNotOptimize(f.end);
    std::free(f.buffer);
  }
}
BENCHMARK(BM_SerializeCountingPass)->Unit(benchmark::kMicrosecond);

void BM_SerializeWritingPass(benchmark::State& state) {
  Editor& ed = Shared();
  for (auto _ : state) {
    state.PauseTiming();
    DataFile f;
    int failed = 0;
    f.BeginMemoryWrite(0, &failed);
    SerializeVehicleData(*ed.e->car, f, ed.e->vehicleName, 1);
    state.ResumeTiming();
    f.BeginMemoryWrite(1, &failed);
    SerializeVehicleData(*ed.e->car, f, ed.e->vehicleName, 1);
    f.FinishMemoryWrite();
    benchmark::DoNotOptimize(f.buffer);
    std::free(f.buffer);
  }
}
BENCHMARK(BM_SerializeWritingPass)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
