// image_libraries.h - the system's PNG and JPEG libraries (libpng, libjpeg), loaded on first
// use rather than at the program's start, which shows no picture of theirs.  One table of
// functions per library, for every reader and writer of those files.
//
// Each table is loaded once, from any thread, and stays; null when its library (or one of its
// functions) cannot be loaded.  The libraries' macros that call into them are here too, as
// functions over the table.
#pragma once

#include <csetjmp>
#include <cstdio>  // before jpeglib.h, which names FILE

#include <jpeglib.h>
#include <png.h>

struct PngFunctions {
  decltype(&png_create_read_struct) createReadStruct;
  decltype(&png_create_write_struct) createWriteStruct;
  decltype(&png_create_info_struct) createInfoStruct;
  decltype(&png_destroy_read_struct) destroyReadStruct;
  decltype(&png_destroy_write_struct) destroyWriteStruct;
  decltype(&png_set_longjmp_fn) setLongjmpFn;
  decltype(&png_longjmp) longjmp;
  decltype(&png_error) error;
  decltype(&png_get_io_ptr) getIoPtr;
  // Reading
  decltype(&png_set_read_fn) setReadFn;
  decltype(&png_set_user_limits) setUserLimits;
  decltype(&png_read_info) readInfo;
  decltype(&png_get_image_width) getImageWidth;
  decltype(&png_get_image_height) getImageHeight;
  decltype(&png_get_bit_depth) getBitDepth;
  decltype(&png_get_color_type) getColorType;
  decltype(&png_get_valid) getValid;
  decltype(&png_set_expand_gray_1_2_4_to_8) setExpandGray1To8;
  decltype(&png_set_expand) setExpand;
  decltype(&png_set_gray_to_rgb) setGrayToRgb;
  decltype(&png_set_filler) setFiller;
  decltype(&png_set_swap) setSwap;
  decltype(&png_set_interlace_handling) setInterlaceHandling;
  decltype(&png_read_update_info) readUpdateInfo;
  decltype(&png_get_rowbytes) getRowbytes;
  decltype(&png_read_image) readImage;
  // Writing
  decltype(&png_set_write_fn) setWriteFn;
  decltype(&png_set_IHDR) setIhdr;
  decltype(&png_set_text) setText;
  decltype(&png_set_sRGB) setSrgb;
  decltype(&png_set_gAMA_fixed) setGamaFixed;
  decltype(&png_write_info) writeInfo;
  decltype(&png_write_row) writeRow;
  decltype(&png_write_end) writeEnd;
};

// libpng's functions, or null.
const PngFunctions* PlatformPng();

// What png_jmpbuf gives: the jump point libpng's errors return to, for setjmp in the caller's
// own frame.
inline std::jmp_buf& PngJumpBuffer(const PngFunctions& png, png_structp s) {
  return *png.setLongjmpFn(s, std::longjmp, sizeof(std::jmp_buf));
}

struct JpegFunctions {
  decltype(&jpeg_std_error) stdError;
  decltype(&jpeg_abort_decompress) abortDecompress;
  // Reading
  decltype(&jpeg_CreateDecompress) createDecompress;
  decltype(&jpeg_destroy_decompress) destroyDecompress;
  decltype(&jpeg_mem_src) memSrc;
  decltype(&jpeg_read_header) readHeader;
  decltype(&jpeg_start_decompress) startDecompress;
  decltype(&jpeg_read_scanlines) readScanlines;
  // Writing
  decltype(&jpeg_CreateCompress) createCompress;
  decltype(&jpeg_destroy_compress) destroyCompress;
  decltype(&jpeg_mem_dest) memDest;
  decltype(&jpeg_set_defaults) setDefaults;
  decltype(&jpeg_set_quality) setQuality;
  decltype(&jpeg_start_compress) startCompress;
  decltype(&jpeg_write_marker) writeMarker;
  decltype(&jpeg_write_scanlines) writeScanlines;
  decltype(&jpeg_finish_compress) finishCompress;
};

// libjpeg's functions, or null.
const JpegFunctions* PlatformJpeg();

// jpeg_create_decompress and jpeg_create_compress: the library checks the structure's size and
// version against the headers the caller was built with.
inline void JpegCreateDecompress(const JpegFunctions& jpeg, jpeg_decompress_struct* info) {
  jpeg.createDecompress(info, JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct));
}
inline void JpegCreateCompress(const JpegFunctions& jpeg, jpeg_compress_struct* info) {
  jpeg.createCompress(info, JPEG_LIB_VERSION, sizeof(jpeg_compress_struct));
}
