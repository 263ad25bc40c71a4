// corpus_replay_test.cpp - every input kept in a fuzz target's folder under tests/fuzz/corpus/
// (FUZZ_CORPUS names it), run once through the target linked in beside this file, so that the
// inputs that once broke a target's rules are tried on every test run, in the plain build and
// under the sanitizers, however little time the fuzzing itself gets.  A target that finds its
// rule broken aborts: the input's name is on standard error just before.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

TEST(FuzzCorpus, EveryKeptInputHoldsTheTargetsRules) {
  const char* source = std::getenv("ZKT_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  const fs::path folder = fs::path(source) / "tests/fuzz/corpus" / FUZZ_CORPUS;
  std::vector<fs::path> inputs;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.is_regular_file()) inputs.push_back(entry.path());
  std::sort(inputs.begin(), inputs.end());
  ASSERT_FALSE(inputs.empty()) << folder;
  for (const fs::path& input : inputs) {
    std::ifstream file(input, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::fprintf(stderr, "%s\n", input.filename().c_str());
    EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0) << input;
  }
}
