// png_test_util.h - writing and reading pictures for the tests that look at what was drawn.
#pragma once
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Rows of `channels` bytes a pixel, in PNG colour type `colourType` (2 RGB, 6 RGBA).
inline bool WritePngRows(const std::string& path, const std::vector<uint8_t>& pixels, int width, int height,
                         int colourType, int channels) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, width, height, 8, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) png_write_row(png, const_cast<png_bytep>(pixels.data() + y * width * channels));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

inline bool WritePng(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height) {
  return WritePngRows(path, rgba, width, height, PNG_COLOR_TYPE_RGBA, 4);
}

// A picture without alpha, as the pictures whose names lack "_ALP" must be.
inline bool WriteRgbPng(const std::string& path, const std::vector<uint8_t>& rgb, int width, int height) {
  return WritePngRows(path, rgb, width, height, PNG_COLOR_TYPE_RGB, 3);
}

// The picture as RGBA rows; empty when the file cannot be read.
inline std::vector<uint8_t> ReadPng(const std::string& path, int* width, int* height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  std::vector<uint8_t> rgba;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return rgba;
  image.format = PNG_FORMAT_RGBA;
  rgba.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
    png_image_free(&image);
    return {};
  }
  *width = static_cast<int>(image.width);
  *height = static_cast<int>(image.height);
  return rgba;
}
