// jpeg_exif.h - a JPG's frame size and its EXIF camera data, read from the markers without
// decoding the picture.  Both readers return null on success or a short error text.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int EXIF_TEXT_SIZE = 20;  // at most 19 characters and the terminator

// Owned by the caller (the texture table is given its address); zeroed before each parse.
struct JpegExifInfo {
  char cameraMake[EXIF_TEXT_SIZE];
  char cameraModel[EXIF_TEXT_SIZE];
  uint32_t exposureTime[2];  // numerator, denominator (seconds)
  uint32_t fNumber[2];
  uint32_t isoSpeed;
  uint32_t exifVersion;  // the four raw bytes, e.g. "0230"
  char dateTimeOriginal[EXIF_TEXT_SIZE];
  int32_t exposureBiasNumerator;
  uint32_t exposureBiasDenominator;
  uint32_t focalLength[2];  // millimetres
  uint32_t pixelWidth;
  uint32_t pixelHeight;
  uint32_t focalLength35mm;
  uint8_t exposureProgram;  // 0..8, else 0
  uint8_t lightSource;      // 0..24, else 0
  uint8_t whiteBalance;     // 0 or 1, else 0
};

// The width and height of the first baseline (SOF0) or progressive (SOF2) frame.
const char* FindJpegFrameMarker(const uint8_t* bytes, size_t size, uint32_t* width,
                                uint32_t* height);

// Fills info from the EXIF block of the APP1 segment.
const char* ParseJpegExif(const uint8_t* bytes, size_t size, JpegExifInfo* info);
