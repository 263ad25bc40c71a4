// scratch_guard.cpp - linked into every test binary: refuses to run in the source tree.
//
// Test binaries clear and rewrite folders such as data/ in their working folder; ctest runs
// each in a scratch folder of its own under build/testwork/.  Started by hand from the
// checkout's root they would wipe the tracked data/ there, so they stop before any test runs.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

bool IsSourceTree(const std::filesystem::path& folder) {
  std::error_code error;
  return std::filesystem::exists(folder / "tests" / "scratch_guard.cpp", error) ||
         std::filesystem::exists(folder / ".git", error);
}

const bool kGuarded = [] {
  std::error_code error;
  const std::filesystem::path here = std::filesystem::current_path(error);
  if (!error && IsSourceTree(here)) {
    std::fprintf(stderr,
                 "This test binary clears folders in its working folder: run it from a scratch "
                 "folder (ctest --test-dir build does), not from the source tree.\n");
    std::_Exit(2);
  }
  return true;
}();

}  // namespace
