// image_reading.h - pictures read back by another program: ImageMagick's convert gives the
// pixels as 8-bit RGB, identify the file's metadata.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
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

// The EXIF colour space of a little-endian TIFF: the first directory's EXIF pointer, then
// tag 0xA001 there; -1 when absent.
inline int TiffExifColourSpace(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto u16 = [&](size_t at) { return at + 2 <= d.size() ? uint32_t(d[at] | d[at + 1] << 8) : 0u; };
  auto u32 = [&](size_t at) { return at + 4 <= d.size() ? uint32_t(u16(at) | u16(at + 2) << 16) : 0u; };
  auto find = [&](size_t directory, uint32_t tag) -> int64_t {
    const uint32_t count = u16(directory);
    for (uint32_t i = 0; i < count; ++i)
      if (u16(directory + 2 + 12 * i) == tag) return int64_t(u32(directory + 2 + 12 * i + 8));
    return -1;
  };
  if (d.size() < 8 || d[0] != 'I' || d[1] != 'I') return -1;
  const int64_t exif = find(u32(4), 0x8769);
  if (exif <= 0) return -1;
  const int64_t value = find(size_t(exif), 0xA001);
  return value < 0 ? -1 : int(value & 0xFFFF);
}
