// plates_bench.cpp - drawing one number plate page (the 1024 x 1024 5-6-5 canvas, four texts
// of vector glyphs, the conversion to the colour and alpha pictures and both halvings; the
// upload left out) beside a plain loop that converts and halves a 1024 x 1024 5-6-5 picture
// once.  Target: the page within 3 times the plain loop.  The last lines printed give both
// times and the ratio.
//
//   build/bench/bench_vehicle_plates
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/ui/charset_test_util.h"
#include "text/text_colours.h"
#include "vehicle/number_plates.h"

namespace {

constexpr int SIDE = PLATE_CANVAS_SIZE;

void BM_RegenPlatePage(benchmark::State& state) {
  const PlateSlotText texts[PLATES_PER_PAGE] = {MakePlateText("^1ZKT 123"), MakePlateText("AB 12 CD"),
                                                MakePlateText("WWWWWWWW"), MakePlateText("^4Kart 7")};
  std::vector<uint16_t> canvas;
  std::vector<uint8_t> colour, alpha;
  for (auto _ : state) {
    DrawPlateCanvas(texts, canvas);
    PlatePictures(canvas, colour, alpha);
    benchmark::DoNotOptimize(colour.data());
    benchmark::DoNotOptimize(alpha.data());
  }
}
BENCHMARK(BM_RegenPlatePage)->Unit(benchmark::kMillisecond);

// The share of the glyphs: the canvas alone.
void BM_PlateCanvas(benchmark::State& state) {
  const PlateSlotText texts[PLATES_PER_PAGE] = {MakePlateText("^1ZKT 123"), MakePlateText("AB 12 CD"),
                                                MakePlateText("WWWWWWWW"), MakePlateText("^4Kart 7")};
  std::vector<uint16_t> canvas;
  for (auto _ : state) {
    DrawPlateCanvas(texts, canvas);
    benchmark::DoNotOptimize(canvas.data());
  }
}
BENCHMARK(BM_PlateCanvas)->Unit(benchmark::kMillisecond);

// The yardstick: each 5-6-5 pixel to RGBA, then two 2 x 2 box filters.
void BM_PlainConvertAndHalve(benchmark::State& state) {
  std::vector<uint16_t> picture(size_t(SIDE) * SIDE);
  for (size_t i = 0; i < picture.size(); ++i) picture[i] = uint16_t(i * 2654435761u >> 16);
  std::vector<uint8_t> rgba(picture.size() * 4);
  for (auto _ : state) {
    for (size_t i = 0; i < picture.size(); ++i) {
      const uint16_t p = picture[i];
      rgba[i * 4] = uint8_t((p >> 11) << 3);
      rgba[i * 4 + 1] = uint8_t((p >> 5 & 0x3F) << 2);
      rgba[i * 4 + 2] = uint8_t((p & 0x1F) << 3);
      rgba[i * 4 + 3] = 255;
    }
    for (int side = SIDE; side > PLATE_TEXTURE_SIZE; side /= 2) {
      const int half = side / 2;
      for (int y = 0; y < half; ++y)
        for (int x = 0; x < half; ++x)
          for (int c = 0; c < 4; ++c) {
            const size_t a = (size_t(2 * y) * side + 2 * x) * 4 + c, b = a + size_t(side) * 4;
            rgba[(size_t(y) * half + x) * 4 + c] = uint8_t((rgba[a] + rgba[a + 4] + rgba[b] + rgba[b + 4]) / 4);
          }
    }
    benchmark::DoNotOptimize(rgba.data());
  }
}
BENCHMARK(BM_PlainConvertAndHalve)->Unit(benchmark::kMillisecond);

class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> seconds;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) seconds[run.benchmark_name()] = run.GetAdjustedRealTime() / 1e3;
  }
};

}  // namespace

int main(int argc, char** argv) {
  SetDefaultTextColours();
  const Bytes charset = ReadWholeFile(ZKT_CHARSET_PATH);
  if (charset.empty() || LoadTestImage(charset) != 1) {
    std::fprintf(stderr, "bench_vehicle_plates: the character set %s is missing\n", ZKT_CHARSET_PATH);
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double page = reporter.seconds["BM_RegenPlatePage"], plain = reporter.seconds["BM_PlainConvertAndHalve"];
  std::printf("\nplate page %.2f ms, plain conversion and halving %.2f ms\n", page * 1e3, plain * 1e3);
  if (page > 0 && plain > 0) std::printf("page / plain = %.2f (target: at most 3)\n", page / plain);
  benchmark::Shutdown();
  FreeCharacterSet();
  return 0;
}
