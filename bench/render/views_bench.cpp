// views_bench.cpp - projecting a million points through the current view, and picking the
// triangle under the pointer among 100,000.  Run with --benchmark_filter=Views; the rates
// are the points/s and picks/s columns.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "core/fixed_math.h"
#include "core/window_state.h"
#include "render/views.h"

namespace {

constexpr int POINTS = 1000000;
constexpr int TRIANGLES = 100000;

View g_view;

// A view 10 m up looking across a 400 m field; the scene lies in front of it.
void SetUpView() {
  static bool done = false;
  if (!done) InitSinCosTables();
  done = true;
  ScreenWidth = 1920;
  ScreenHeight = 1080;
  const int32_t eye[3] = {0, -(200 << 16), 10 << 16};
  const float direction[3] = {0.0f, -0.98058f, 0.19612f};
  const int32_t light[3] = {0, 0, 0x10000};
  InitView(g_view, eye, direction, light);
  ViewOrthoDepth = 0;
  ComputeViewBasis();
  SetupViewRectangle(0, 0, 1920, 1080, 0.0f, 0.0f, 1.2f, 0.25f, 0);
}

int32_t Metres(std::mt19937& rng, double lo, double hi) {
  return static_cast<int32_t>(std::uniform_real_distribution<double>(lo, hi)(rng) * 65536.0);
}

void BM_ViewsProjectPoints(benchmark::State& state) {
  SetUpView();
  std::mt19937 rng(1);
  std::vector<int32_t> points(3 * POINTS);
  for (int i = 0; i < POINTS; ++i) {
    points[3 * i] = Metres(rng, -200, 200);
    points[3 * i + 1] = Metres(rng, -200, 200);
    points[3 * i + 2] = Metres(rng, 0, 20);
  }
  int64_t inside = 0;
  for (auto _ : state) {
    for (int i = 0; i < POINTS; ++i) {
      float x, y;
      inside += ProjectPointToScreen(&points[3 * i], &x, &y, nullptr);
    }
    benchmark::DoNotOptimize(inside);
  }
  state.counters["points/s"] = benchmark::Counter(double(POINTS) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ViewsProjectPoints)->Unit(benchmark::kMillisecond);

void BM_ViewsPickTriangle(benchmark::State& state) {
  SetUpView();
  std::mt19937 rng(2);
  std::vector<int32_t> store(9 * TRIANGLES);
  auto triangles = reinterpret_cast<int32_t(*)[3][3]>(store.data());
  for (int t = 0; t < TRIANGLES; ++t) {
    const int32_t cx = Metres(rng, -200, 200), cy = Metres(rng, -200, 200), cz = Metres(rng, 0, 20);
    for (int k = 0; k < 3; ++k) {
      triangles[t][k][0] = cx + Metres(rng, -1, 1);
      triangles[t][k][1] = cy + Metres(rng, -1, 1);
      triangles[t][k][2] = cz + Metres(rng, -1, 1);
    }
  }
  std::uniform_int_distribution<int> px(0, 1919), py(0, 1079);
  int hits = 0;
  for (auto _ : state) {
    int index;
    int32_t distance;
    hits += PickTriangleAt(px(rng), py(rng), triangles, TRIANGLES, &index, &distance);
    benchmark::DoNotOptimize(hits);
  }
  state.counters["picks/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["hit%"] = 100.0 * hits / double(state.iterations());
}
BENCHMARK(BM_ViewsPickTriangle)->Unit(benchmark::kMillisecond);

}  // namespace
