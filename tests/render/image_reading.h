// image_reading.h - pictures read back by another program: ImageMagick's convert gives the
// pixels as 8-bit RGB, identify the file's metadata.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

inline bool ImageMagickPresent() {
  return std::system("command -v convert > /dev/null 2>&1 && command -v identify > /dev/null 2>&1") == 0;
}

inline std::string RunAndCollect(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    pclose(p);
  }
  return out;
}

// The first frame's pixels, rows top first, 3 bytes a pixel; empty when unreadable.
inline std::vector<uint8_t> ReadPictureRgb(const std::string& path) {
  const std::string bytes = RunAndCollect("convert '" + path + "[0]' -depth 8 rgb:- 2>/dev/null");
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

inline std::string IdentifyVerbose(const std::string& path) {
  return RunAndCollect("identify -verbose '" + path + "' 2>/dev/null");
}
