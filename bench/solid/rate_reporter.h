// rate_reporter.h - the physics benchmarks' reporter: the console's report, keeping each
// benchmark's steps per second (its items per second) by name for the comparisons printed last.
// Repeated runs are named with a "/repeats:" suffix and keep their fastest.
#pragma once
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

class RateReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> stepsPerSecond;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      const auto items = r.counters.find("items_per_second");
      if (r.run_type != Run::RT_Iteration || r.error_occurred || items == r.counters.end()) continue;
      std::string name = r.benchmark_name();
      name = name.substr(0, name.find("/repeats:"));
      stepsPerSecond[name] = std::max(stepsPerSecond[name], double(items->second));
    }
    ConsoleReporter::ReportRuns(runs);
  }
};
