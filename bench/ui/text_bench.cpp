// text_bench.cpp - measuring and wrapping mixed coded text: characters per second.
//
// The text is 100,000 bytes of words in four code pages with colour codes, escapes and
// Japanese characters, made from a fixed seed so every run measures the same bytes.  The
// fixed-width character set stands in for the real one; the work per byte is the same.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ui/character_set.h"
#include "ui/text_measure.h"

namespace {

constexpr size_t TEXT_BYTES = 100000;

std::string MakeMixedText(size_t bytes) {
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t range) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % range;
  };
  static const char* const WORDS[] = {"AVATAR", "Tyre", "pressure", "WAVY", "road", "Lotus", "fly", "gap", "To", "kerb"};
  std::string text;
  while (text.size() < bytes) {
    switch (next(12)) {
      case 0: text += "^" + std::to_string(next(8)); break;                 // a colour
      case 1: text += "^E\xB9\xE6\xBE\xA9^8"; break;                           // Central European letters
      case 2: text += "^C\xCF\xF0\xE8\xE2\xE5\xF2^8"; break;                   // Cyrillic
      case 3: text += "^J\x93\xFA\x96\x7B\x8C\xEA\x81\x41^8"; break;           // Japanese with a break character
      case 4: text += "^d^s"; break;                                           // escapes
      default: text += WORDS[next(10)]; break;
    }
    text += ' ';
  }
  text.resize(bytes);
  // Never end inside a code or a double-byte character.
  while (!text.empty() && (static_cast<unsigned char>(text.back()) >= 0x80 || text.back() == '^')) text.pop_back();
  return text;
}

void Prepare() {
  UseFixedWidthCharacterSet();
  SetCodePageHasFont(CODE_PAGE_JAPANESE, 1);
  TextSizeFactor = 1.0f;
  TextHorizontalScale = 1.0f;
}

// One call over the whole text.
void BM_MeasureMixedText(benchmark::State& state) {
  Prepare();
  const std::string text = MakeMixedText(TEXT_BYTES);
  for (auto _ : state) benchmark::DoNotOptimize(TextWidth(text.c_str(), 0, 0.05f));
  const double bytes = static_cast<double>(text.size()) * static_cast<double>(state.iterations());
  state.SetItemsProcessed(static_cast<int64_t>(bytes));
  state.counters["chars_per_second"] = benchmark::Counter(bytes, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MeasureMixedText);

// The same bytes as interface strings of about 40 bytes each, measured one by one.
void BM_MeasureShortStrings(benchmark::State& state) {
  Prepare();
  const std::string text = MakeMixedText(TEXT_BYTES);
  std::vector<std::string> strings;
  for (size_t i = 0; i < text.size();) {
    size_t end = text.find(' ', i + 40);
    if (end == std::string::npos) end = text.size();
    strings.push_back(text.substr(i, end - i));
    i = end;
  }
  size_t total = 0;
  for (const std::string& s : strings) total += s.size();
  for (auto _ : state)
    for (const std::string& s : strings) benchmark::DoNotOptimize(TextWidth(s.c_str(), 0, 0.05f));
  const double bytes = static_cast<double>(total) * static_cast<double>(state.iterations());
  state.SetItemsProcessed(static_cast<int64_t>(bytes));
  state.counters["chars_per_second"] = benchmark::Counter(bytes, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MeasureShortStrings);

// Laying the text out in lines 1.6 wide, every glyph placed.
void BM_WrapMixedText(benchmark::State& state) {
  Prepare();
  const std::string text = MakeMixedText(TEXT_BYTES);
  std::vector<TextPiece> pieces(TEXT_BYTES);
  TextLayoutSettings settings;
  settings.size = 0.05f;
  settings.wrapWidth = 1.6f;
  settings.wrapMaxLines = 100000;
  settings.wrapLineHeight = 0.06f;
  TextLayoutResult result{};
  for (auto _ : state) {
    LayoutText(text.c_str(), -0.8f, -0.9f, settings, pieces.data(), static_cast<int>(pieces.size()), &result);
    benchmark::DoNotOptimize(result);
  }
  const double bytes = static_cast<double>(text.size()) * static_cast<double>(state.iterations());
  state.SetItemsProcessed(static_cast<int64_t>(bytes));
  state.counters["chars_per_second"] = benchmark::Counter(bytes, benchmark::Counter::kIsRate);
  state.counters["lines"] = result.lineCount;
}
BENCHMARK(BM_WrapMixedText);

}  // namespace
