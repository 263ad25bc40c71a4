// compare_pictures.cpp - how far two pictures of the same size differ: the largest difference
// of any channel, the count of pixels that differ at all, and a picture of the differences
// (each channel's difference times the gain, on black).  For showing that a change of the
// renderer left what it draws alone: two screenshots of one fixed view, before and after.
//
// Usage: compare_pictures before.png after.png [difference.png [gain]]   (gain 32 by default)
// Exit status 0 when they are the same size and within --tolerance (0 unless given as
// "--tolerance=N" first), 1 when they differ more, 2 when a picture cannot be read.
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

bool ReadRgba(const char* path, std::vector<uint8_t>* rgba, int* width, int* height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path)) return false;
  image.format = PNG_FORMAT_RGBA;
  rgba->resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba->data(), 0, nullptr)) {
    png_image_free(&image);
    return false;
  }
  *width = int(image.width);
  *height = int(image.height);
  return true;
}

bool WriteRgb(const char* path, const std::vector<uint8_t>& rgb, int width, int height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = uint32_t(width);
  image.height = uint32_t(height);
  image.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path, 0, rgb.data(), 0, nullptr) != 0;
}

}  // namespace

int main(int argc, char** argv) {
  int first = 1, tolerance = 0;
  if (argc > 1 && std::strncmp(argv[1], "--tolerance=", 12) == 0) {
    tolerance = std::atoi(argv[1] + 12);
    first = 2;
  }
  if (argc - first < 2) {
    std::fprintf(stderr, "usage: compare_pictures [--tolerance=N] before.png after.png [difference.png [gain]]\n");
    return 2;
  }
  std::vector<uint8_t> a, b;
  int aw = 0, ah = 0, bw = 0, bh = 0;
  if (!ReadRgba(argv[first], &a, &aw, &ah) || !ReadRgba(argv[first + 1], &b, &bw, &bh)) {
    std::fprintf(stderr, "cannot read %s or %s\n", argv[first], argv[first + 1]);
    return 2;
  }
  if (aw != bw || ah != bh) {
    std::printf("sizes differ: %d x %d against %d x %d\n", aw, ah, bw, bh);
    return 1;
  }
  const int gain = argc - first > 3 ? std::max(1, std::atoi(argv[first + 3])) : 32;
  std::vector<uint8_t> difference(size_t(aw) * size_t(ah) * 3);
  int largest = 0;
  long differing = 0;
  long byChannelStep[256] = {};
  for (size_t p = 0; p < size_t(aw) * size_t(ah); ++p) {
    int pixelLargest = 0;
    for (int c = 0; c < 4; ++c) {
      const int d = std::abs(int(a[p * 4 + c]) - int(b[p * 4 + c]));
      pixelLargest = std::max(pixelLargest, d);
      if (c < 3) difference[p * 3 + c] = uint8_t(std::min(255, d * gain));
    }
    largest = std::max(largest, pixelLargest);
    if (pixelLargest) ++differing;
    ++byChannelStep[pixelLargest];
  }
  std::printf("%d x %d: largest channel difference %d, %ld of %ld pixels differ", aw, ah, largest, differing,
              long(aw) * ah);
  const char* separator = " (";
  for (int d = 1; d <= largest; ++d) {
    if (!byChannelStep[d]) continue;
    std::printf("%s%ld by %d", separator, byChannelStep[d], d);
    separator = ", ";
  }
  std::printf("%s\n", differing ? ")" : "");
  if (argc - first > 2 && !WriteRgb(argv[first + 2], difference, aw, ah)) {
    std::fprintf(stderr, "cannot write %s\n", argv[first + 2]);
    return 2;
  }
  return largest <= tolerance ? 0 : 1;
}
