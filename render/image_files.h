// image_files.h - pictures written as image files and clipboard bitmaps: our own BMP writer,
// JPEG (libjpeg), PNG (libpng), TIFF (libtiff) and GIF (giflib) encoders into memory, and the
// packed bitmap of the clipboard.
//
// Sections: [Pictures] [Containers] [Bitmaps]
//
// Every encoder takes 8-bit RGBA or BGRA rows, top row first, and writes 24-bit colour (the
// alpha is dropped) unless told otherwise.  The files name the program and its version as
// the software that wrote them; a picture in the sRGB colour space says so in each format's
// own way (PNG's sRGB chunk, the EXIF colour space of JPEG and TIFF).  Pure CPU code: any
// thread, no device.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// ---- [Pictures] ----
struct PictureRows {
  int width, height;
  const uint8_t* pixels;  // 4 bytes a pixel
  size_t rowPitch;        // bytes from one row to the next
  int bgra;               // 1: blue, green, red, alpha; 0: red, green, blue, alpha
  int srgb;               // 1: the values are sRGB-encoded
};

// ---- [Containers] ----
// The "SS Type " values: 0 "bmp", 1 "jpg", 2 "png", 3 "tif", 4 "gif".
enum ImageContainer : int { IMAGE_BMP = 0, IMAGE_JPEG = 1, IMAGE_PNG = 2, IMAGE_TIFF = 3, IMAGE_GIF = 4 };
constexpr int IMAGE_CONTAINER_COUNT = 5;
const char* ImageExtension(int container);  // "bmp" .. "gif"; "png" for a value out of range

struct ImageWriteOptions {
  int bmpV5Header32 = 0;  // BMP as 32-bit BGRA with a version-5 header instead of 24-bit BGR
  int jpegQuality = 92;   // 1..100, colour at full resolution (no chroma subsampling)
};
// The text of the software tag: "ZKT Editor <version>".
const char* ImageSoftwareName();

// Encodes the picture into out (emptied first).  Null on success, else the name of the step
// that failed (or of the library that could not be loaded).  GIF pictures take the fixed
// 256-colour palette below, nearest colour, no dithering.
const char* EncodeImage(int container, const PictureRows& picture, const ImageWriteOptions& options,
                        std::vector<uint8_t>& out);

// The GIF palette: the 6 x 6 x 6 cube of the steps 0, 51 .. 255 (index r * 36 + g * 6 + b),
// then 40 greys between its black and white (index 216 + k, level round((k + 1) * 255 / 41)).
void GifPaletteColour(int index, uint8_t rgb[3]);
int GifPaletteIndex(uint8_t r, uint8_t g, uint8_t b);  // the nearest entry

// ---- [Bitmaps] ----
// The row length of a 24-bit bitmap: (width x 24 + 31) / 8 rounded down to a multiple of 4.
uint32_t BitmapRowBytes(int width);
constexpr uint32_t BITMAP_INFO_HEADER_BYTES = 40;
constexpr uint32_t BITMAP_FILE_HEADER_BYTES = 14;
// The packed bitmap of the clipboard: a 40-byte header (the width, minus the height so that
// rows run top to bottom, 1 plane, 24 bits, no compression, the image size), then the rows
// in blue, green, red.
void BuildPackedBitmap(const PictureRows& picture, std::vector<uint8_t>& out);
// A packed bitmap as a BMP file: the 14-byte file header in front.
void BitmapFileFromPacked(const std::vector<uint8_t>& packed, std::vector<uint8_t>& out);
