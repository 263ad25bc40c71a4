// model_compare_bench.cpp - the very-different test of a model file against the car's model
// (EnoughPointsShared, what IsVeryDifferentVob runs once both models' points are gathered) on
// two 100,000-point models that share no point, so that every point is looked up, beside a
// sort-and-merge of the same coordinates (std::sort of both, std::set_intersection).  One run
// of each; both times and their ratio are printed.  Target: the look-up within 1.5x of the
// sort-and-merge.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <random>
#include <tuple>
#include <vector>

#include "vehicle_editor/file_actions.h"

namespace {

constexpr int POINTS = 100000;
double g_lookupSeconds, g_mergeSeconds;

// Two point clouds of a car's size (16.16, a few metres) that share no point: the file's x
// is even, the model's odd.
void MakeModels(std::vector<IntVector>& file, std::vector<IntVector>& model) {
  std::mt19937 rng(20261207);
  std::uniform_int_distribution<int32_t> metres(-3 * 65536, 3 * 65536);
  for (int i = 0; i < POINTS; ++i) {
    file.push_back({metres(rng) & ~1, metres(rng), metres(rng)});
    model.push_back({metres(rng) | 1, metres(rng), metres(rng)});
  }
}

bool Less(const IntVector& a, const IntVector& b) { return std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z); }

void BM_VeryDifferentLookup(benchmark::State& state) {
  std::vector<IntVector> file, model;
  MakeModels(file, model);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const int shared = EnoughPointsShared(file, model);
    g_lookupSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (shared) state.SkipWithError("the models share points");
    benchmark::DoNotOptimize(shared);
  }
}
BENCHMARK(BM_VeryDifferentLookup)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_SortAndMerge(benchmark::State& state) {
  std::vector<IntVector> file, model;
  MakeModels(file, model);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<IntVector> a = file, b = model, both;
    std::sort(a.begin(), a.end(), Less);
    std::sort(b.begin(), b.end(), Less);
    std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(both), Less);
    g_mergeSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!both.empty()) state.SkipWithError("the models share points");
    benchmark::DoNotOptimize(both.data());
  }
}
BENCHMARK(BM_SortAndMerge)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_mergeSeconds > 0)
    std::printf("look-up %.3f ms, sort-and-merge %.3f ms, ratio %.2f (target at most 1.5)\n", g_lookupSeconds * 1e3,
                g_mergeSeconds * 1e3, g_lookupSeconds / g_mergeSeconds);
  return 0;
}
