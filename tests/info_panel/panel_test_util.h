// panel_test_util.h - what the information panel's tests share: a shown line formatted the way
// the panel formats it (every value as a double, as the panel passes its figures), for
// comparing with what a page shows.
#pragma once
#include <cstdio>
#include <string>

template <class... Values>
std::string Fmt(const char* format, Values... values) {
  char out[256];
  std::snprintf(out, sizeof out, format, static_cast<double>(values)...);
  return out;
}
