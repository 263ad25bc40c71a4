// system_error.cpp - error texts from the C library.
#include "platform/system_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
// strerror_r returns an int (POSIX) or the text (GNU) depending on the C library.
[[maybe_unused]] const char* ChosenText(int result, const char* buffer) { return result == 0 ? buffer : "Unknown error"; }
[[maybe_unused]] const char* ChosenText(const char* result, const char*) { return result; }
}  // namespace

void LastSystemErrorText(char* out, int outSize) { SystemErrorText(errno, out, outSize); }

void SystemErrorText(int error, char* out, int outSize) {
  if (!out || outSize <= 0) return;
  char buffer[256] = {};
  const char* text = ChosenText(strerror_r(error, buffer, sizeof buffer), buffer);
  std::snprintf(out, static_cast<size_t>(outSize), "%s", text);
}
