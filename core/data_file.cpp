// data_file.cpp - file helpers.
#include "core/data_file.h"

#include <sys/stat.h>

uint32_t FileTimeMinutes(const char* path) {
  struct stat st;
  if (stat(path, &st) != 0) return 0;
  const uint64_t fileTime = (static_cast<uint64_t>(st.st_mtim.tv_sec) + 11644473600ull) * 10000000ull +
                            static_cast<uint64_t>(st.st_mtim.tv_nsec) / 100u;
  return static_cast<uint32_t>(fileTime / 600000000ull);
}
