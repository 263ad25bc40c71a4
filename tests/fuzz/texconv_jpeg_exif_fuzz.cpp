// texconv_jpeg_exif_fuzz.cpp - libFuzzer target: JPG marker walking and EXIF parsing.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "render/jpeg_exif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint32_t width = 0, height = 0;
  FindJpegFrameMarker(data, size, &width, &height);
  JpegExifInfo info;
  ParseJpegExif(data, size, &info);
  // The texts always end inside their fields.
  if (std::memchr(info.cameraMake, 0, EXIF_TEXT_SIZE) == nullptr ||
      std::memchr(info.cameraModel, 0, EXIF_TEXT_SIZE) == nullptr ||
      std::memchr(info.dateTimeOriginal, 0, EXIF_TEXT_SIZE) == nullptr)
    __builtin_trap();
  return 0;
}
