// new_vehicle_bench.cpp - the new-vehicle wizard's build of the car layout (a drag on its page
// rebuilds once per drawn frame) beside the read of the same vehicle from its serialised bytes
// in memory (the edit history's route), both building the car's meshes.  Target: the build
// within 3 times the read.  Runs in a scratch folder holding the build's engine files.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "core/data_file.h"
#include "core/fixed_math.h"
#include "core/frame_globals.h"
#include "physics/car.h"
#include "vehicle_data/vehicle_file.h"
#include "vehicle_editor/new_vehicle/new_vehicle_wizard.h"
#include "vehicle_editor/vehicle_editor.h"

namespace {

namespace fs = std::filesystem;

struct Scratch {
  VehicleEditor* e = nullptr;
  std::vector<uint8_t> body;  // the car layout's vehicle as the history stores it
  Scratch() {
    const fs::path scratch = fs::temp_directory_path() / "zkt_new_vehicle_bench";
    fs::remove_all(scratch);
    fs::create_directories(scratch / "data");
    fs::copy(fs::path(ZKT_SAMPLE_DATA) / "engine", scratch / "data" / "engine", fs::copy_options::recursive);
    fs::current_path(scratch);
    InitSinCosTables();
    FrameSkipped = 1;
    e = VehicleEditor::Create(nullptr);
    NewVehicleWizard::Start(*e, NEW_LAYOUT_CAR);
    Car* car = NewVehicleWizard::BuildCar(-1);
    if (!WriteVehicleBody(*car, "New", 1, body)) std::fprintf(stderr, "no vehicle bytes\n");
    delete car;
  }
};

Scratch& Shared() {
  static Scratch s;
  return s;
}

const VehicleLoadArgs ARGS = {0, -1, 0, nullptr, 0, nullptr, 1, {0, 0}, 1, nullptr, 0};

void BM_BuildCarLayout(benchmark::State& state) {
  Shared();
  for (auto _ : state) {
    Car* car = NewVehicleWizard::BuildCar(-1);
    benchmark::DoNotOptimize(car->mass);
    delete car;
  }
}
BENCHMARK(BM_BuildCarLayout)->Unit(benchmark::kMillisecond);

void BM_ReadSameVehicle(benchmark::State& state) {
  Scratch& s = Shared();
  for (auto _ : state) {
    Car* car = new Car;
    HistoryVehicleCopy = {s.body.data(), int64_t(s.body.size())};
    car->LoadVehicle("New", ARGS);
    HistoryVehicleCopy = {};
    benchmark::DoNotOptimize(car->mass);
    delete car;
  }
}
BENCHMARK(BM_ReadSameVehicle)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
