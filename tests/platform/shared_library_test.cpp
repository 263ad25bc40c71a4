// shared_library_test.cpp - run-time libraries: a library the system already holds loaded by
// its path with its symbols found, a bare name looked for in the working folder only, and the
// error text of a failure in the caller's buffer (never past it, never in one of no bytes), and
// a table of a system library's functions filled whole or refused.
#include "platform/shared_library.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

// The file the C library's mathematics came from, as the dynamic loader names it.
std::string MathLibraryPath() {
  Dl_info info{};
  double (*cosine)(double) = &std::cos;
  if (!dladdr(reinterpret_cast<void*>(cosine), &info) || !info.dli_fname) return "";
  return info.dli_fname;
}

}  // namespace

TEST(SharedLibraries, ALibraryIsLoadedByItsPathAndItsSymbolsFound) {
  const std::string path = MathLibraryPath();
  ASSERT_FALSE(path.empty());
  ASSERT_NE(path.find('/'), std::string::npos);
  char error[64] = "old";
  void* library = PlatformLoadLibrary(path.c_str(), error, sizeof error);
  ASSERT_NE(library, nullptr) << error;
  EXPECT_STREQ(error, "") << "no failure, no text";
  void* found = PlatformLibrarySymbol(library, "cos");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(reinterpret_cast<double (*)(double)>(found)(0.0), 1.0) << "the library's own cosine";
  EXPECT_EQ(PlatformLibrarySymbol(library, "no_such_symbol_here"), nullptr);
  EXPECT_EQ(PlatformLibrarySymbol(library, nullptr), nullptr);
  EXPECT_EQ(PlatformLibrarySymbol(nullptr, "cos"), nullptr);
  PlatformFreeLibrary(library);
  PlatformFreeLibrary(nullptr);
}

TEST(SharedLibraries, ATableOfASystemLibrarysFunctionsIsFilledWholeOrRefused) {
  const std::string path = MathLibraryPath();
  const std::string systemName = path.substr(path.rfind('/') + 1);
  double (*cosine)(double) = nullptr;
  double (*sine)(double) = nullptr;
  ASSERT_TRUE(PlatformLoadFunctions(systemName.c_str(), "cos", cosine, "sin", sine)) << systemName;
  EXPECT_EQ(cosine(0.0), 1.0);
  EXPECT_EQ(sine(0.0), 0.0);
  // One missing name refuses the table, as does a library the system does not have.
  EXPECT_FALSE(PlatformLoadFunctions(systemName.c_str(), "cos", cosine, "no_such_symbol_here", sine));
  EXPECT_FALSE(PlatformLoadFunctions("libno_such_library.so.1", "cos", cosine));
  EXPECT_FALSE(PlatformLoadFunctions(nullptr, "cos", cosine));
}

TEST(SharedLibraries, ABareNameIsLookedForInTheWorkingFolderOnly) {
  const std::string path = MathLibraryPath();
  const std::string leaf = path.substr(path.rfind('/') + 1);
  char error[256] = "";
  EXPECT_EQ(PlatformLoadLibrary(leaf.c_str(), error, sizeof error), nullptr) << "not along the system's path";
  EXPECT_NE(std::string(error).find("./" + leaf), std::string::npos) << error;
  // A failure's text is cut to the buffer; a buffer of no bytes is not written.
  char shortError[8];
  std::memset(shortError, 'x', sizeof shortError);
  EXPECT_EQ(PlatformLoadLibrary("no_such_library.so", shortError, sizeof shortError), nullptr);
  EXPECT_EQ(std::strlen(shortError), 7u);
  char untouched[4] = "abc";
  EXPECT_EQ(PlatformLoadLibrary("no_such_library.so", untouched, 0), nullptr);
  EXPECT_STREQ(untouched, "abc");
  EXPECT_EQ(PlatformLoadLibrary("no_such_library.so", nullptr, 16), nullptr);
}
