// sky_tables_text.h - the published sky and colour tables read from their text files in
// double precision, for tests that check the compiled-in floats and the computations on them.
#pragma once
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// Every row of numbers of render/sky_tables/<name>, comment lines left out; empty when the
// file cannot be read (ZKT_SOURCE_DIR names the source tree).
inline std::vector<std::vector<double>> SkyTableRows(const char* name) {
  std::vector<std::vector<double>> rows;
  const char* source = std::getenv("ZKT_SOURCE_DIR");
  std::ifstream in(std::string(source ? source : ".") + "/render/sky_tables/" + name);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::vector<double> row;
    for (double v; words >> v;) row.push_back(v);
    if (!row.empty()) rows.push_back(row);
  }
  return rows;
}
// The same values as the text gives them when read straight into floats.
inline std::vector<std::vector<float>> SkyTableRowsAsFloats(const char* name) {
  std::vector<std::vector<float>> rows;
  const char* source = std::getenv("ZKT_SOURCE_DIR");
  std::ifstream in(std::string(source ? source : ".") + "/render/sky_tables/" + name);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<float> row;
    const char* p = line.c_str();
    for (char* end;; p = end) {
      const float v = std::strtof(p, &end);
      if (end == p) break;
      row.push_back(v);
    }
    if (!row.empty()) rows.push_back(row);
  }
  return rows;
}
