// wheel_bench.cpp - one wheel's 1 ms step (the strut's geometry, the tyre step rolling in
// partial sliding through the brush model, the heat flow) beside a textbook 20-slice brush
// model written out here.  Target: the wheel's step within 8 times the textbook brush.
// After the runs it prints four wheels' share of a 1 ms step, and the lateral force over
// slip angle of our brush model, the textbook brush and the published magic-formula curve.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>

#include "tests/wheel/quarter_car.h"
#include "wheel/wheel.h"

namespace {

// ---- The textbook brush: a parabolic pressure, bristles deflected by the slip from the
// leading edge, each slice held to mu times its pressure ----
struct TextbookForces {
  float fx, fy, mz;
};

TextbookForces TextbookBrush(float a, float sx, float sy, float k, float mu, float n) {
  TextbookForces out = {};
  const float w = 2.0f * a / 20.0f;
  const float peak = 0.75f * n / a;
  for (int i = 0; i < 20; ++i) {
    const float x = a - w * (static_cast<float>(i) + 0.5f);
    const float r = x / a;
    const float limit = mu * peak * (1.0f - r * r) * w;
    float fx = k * (a - x) * sx * w, fy = k * (a - x) * sy * w;
    const float f2 = fx * fx + fy * fy;
    if (f2 > limit * limit) {
      const float scale = limit / std::sqrt(f2);
      fx *= scale;
      fy *= scale;
    }
    out.fx += fx;
    out.fy += fy;
    out.mz += fy * x;
  }
  return out;
}

// The published magic formula with common dry-road lateral coefficients.
float MagicFormula(float slip) {
  const float B = 10.0f, C = 1.9f, D = 1.0f, E = 0.97f;
  const float bx = B * slip;
  return D * std::sin(C * std::atan(bx - E * (bx - std::atan(bx))));
}

// A strut-suspended front wheel cornering at 20 m/s with a 3 degree slip angle.
QuarterCar& CorneringWheel() {
  static QuarterCar q;
  static bool made = false;
  if (made) return q;
  made = true;
  InitWheelTables();
  WheelSetSizes sizes;
  sizes.type = SUSPENSION_MACPHERSON_STRUT;
  SetupQuarterCar(q, sizes);
  SuspensionBlock& set = q.set();
  set.lowerArmLength = 0.35f;
  set.halfUprightLength = 0.14f;
  CarWheel& w = q.wheel();
  w.lowerPivot = {0.3f, 0.0f, 0.1f};
  w.strutTop = {0.62f, 0.0f, 0.75f};
  w.mountDx = w.strutTop.x - w.lowerPivot.x;
  w.mountDz = w.strutTop.z - w.lowerPivot.z;
  w.designCentre = {0.7f, 0.0f, 0.2f};
  w.travel = 0.05f;
  w.UpdateSuspensionGeometry(set);
  PlaceAboveGround(q, 0.0f);
  q.Run(2000);  // settle
  q.holdVelocity = 1;
  q.car.velocity = {20.0f * std::sin(0.0523599f), 20.0f * std::cos(0.0523599f), 0.0f};
  q.airCooling = 1.0f;
  q.Run(2000);
  return q;
}

void BM_WheelStep(benchmark::State& state) {
  QuarterCar& q = CorneringWheel();
  for (auto _ : state) {
    q.Step();
    benchmark::DoNotOptimize(q.car.wheels[0].wheelForce);
  }
  const float sliding = q.wheel().sliding;
  if (!(sliding > 0.0f && sliding < 1.0f) || q.wheel().patchLength == 0.0f)
    state.SkipWithError("the wheel is not rolling in partial sliding");
  state.counters["sliding"] = sliding;
}
BENCHMARK(BM_WheelStep);

void BM_TextbookBrush(benchmark::State& state) {
  float sy = 0.0523599f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(sy);
    const TextbookForces f = TextbookBrush(0.05f, 0.01f, sy, 2.0e7f, 1.0f, 3000.0f);
    benchmark::DoNotOptimize(f);
  }
}
BENCHMARK(BM_TextbookBrush);

void BM_OurBrush(benchmark::State& state) {
  InitWheelTables();
  float sy = 0.0523599f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(sy);
    BrushForces f;
    WheelContactForce(0.05f, 0.012f, 0.01f, sy, 20.0f, 2.0e7f, 0.02f, 0.18f, 1.0f, 0.75f, 3000.0f, f);
    benchmark::DoNotOptimize(f);
  }
}
BENCHMARK(BM_OurBrush);

// The wheel step's two largest parts on their own.
void BM_HeatFlow(benchmark::State& state) {
  QuarterCar& q = CorneringWheel();
  for (auto _ : state) {
    q.wheel().UpdateTyreTemperatures(q.set(), 0, 0.001f, 1.0f);
    benchmark::DoNotOptimize(q.wheel().airHeat);
  }
}
BENCHMARK(BM_HeatFlow);

void BM_StrutGeometry(benchmark::State& state) {
  QuarterCar& q = CorneringWheel();
  for (auto _ : state) {
    q.wheel().UpdateSuspensionGeometry(q.set());
    benchmark::DoNotOptimize(q.wheel().centre);
  }
}
BENCHMARK(BM_StrutGeometry);

class TimeReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> nanoseconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration && !r.error_occurred)
        nanoseconds[r.benchmark_name()] = r.GetAdjustedCPUTime();  // the benchmarks report ns
    ConsoleReporter::ReportRuns(runs);
  }
};

void PrintCurves() {
  // Lateral force over load against the slip angle, at 3000 N on a 5 cm half patch.
  std::printf("\nslip angle  ours (brush, 20 slices)  textbook brush  magic formula\n");
  for (float degrees = 0.0f; degrees <= 12.01f; degrees += 1.0f) {
    const float slip = std::tan(degrees * 3.14159265f / 180.0f);
    BrushForces ours;
    WheelContactForce(0.05f, 0.012f, 0.0f, slip, 20.0f, 2.0e7f, 0.0f, 0.18f, 1.0f, 0.75f, 3000.0f, ours);
    const TextbookForces book = TextbookBrush(0.05f, 0.0f, slip, 2.0e7f, 1.0f, 3000.0f);
    std::printf("%6.1f deg  %22.3f  %14.3f  %13.3f\n", degrees, ours.lateral / 3000.0f, book.fy / 3000.0f,
                MagicFormula(degrees * 3.14159265f / 180.0f));
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  TimeReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto step = reporter.nanoseconds.find("BM_WheelStep");
  const auto book = reporter.nanoseconds.find("BM_TextbookBrush");
  if (step != reporter.nanoseconds.end() && book != reporter.nanoseconds.end() && book->second > 0) {
    std::printf("wheel step %.1f ns, textbook brush %.1f ns, ratio %.2f (target <= 8)\n", step->second, book->second,
                step->second / book->second);
    std::printf("four wheels take %.3f%% of a 1 ms step\n", 4.0 * step->second / 1e6 * 100.0);
  }
  PrintCurves();
  benchmark::Shutdown();
  return 0;
}
