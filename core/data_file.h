// data_file.h - the binary data-file container and file helpers.
#pragma once
#include <cstdint>

// Last-write time of a file in minutes (100-ns file time / 600000000), 0 when it is missing.
uint32_t FileTimeMinutes(const char* path);
