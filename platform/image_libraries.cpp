// image_libraries.cpp - libpng and libjpeg, loaded by the names the system knows them by
// (ZKT_PNG_LIBRARY, ZKT_JPEG_LIBRARY: read by the build from the libraries whose headers it
// compiles against).
#include "platform/image_libraries.h"

#include "platform/shared_library.h"

const PngFunctions* PlatformPng() {
  static PngFunctions f;
  static const bool loaded = PlatformLoadFunctions(
      ZKT_PNG_LIBRARY, "png_create_read_struct", f.createReadStruct, "png_create_write_struct", f.createWriteStruct,
      "png_create_info_struct", f.createInfoStruct, "png_destroy_read_struct", f.destroyReadStruct,
      "png_destroy_write_struct", f.destroyWriteStruct, "png_set_longjmp_fn", f.setLongjmpFn, "png_longjmp",
      f.longjmp, "png_error", f.error, "png_get_io_ptr", f.getIoPtr, "png_set_read_fn", f.setReadFn,
      "png_set_user_limits", f.setUserLimits, "png_read_info", f.readInfo, "png_get_image_width", f.getImageWidth,
      "png_get_image_height", f.getImageHeight, "png_get_bit_depth", f.getBitDepth, "png_get_color_type",
      f.getColorType, "png_get_valid", f.getValid, "png_set_expand_gray_1_2_4_to_8", f.setExpandGray1To8,
      "png_set_expand", f.setExpand, "png_set_gray_to_rgb", f.setGrayToRgb, "png_set_filler", f.setFiller,
      "png_set_swap", f.setSwap, "png_set_interlace_handling", f.setInterlaceHandling, "png_read_update_info",
      f.readUpdateInfo, "png_get_rowbytes", f.getRowbytes, "png_read_image", f.readImage, "png_set_write_fn",
      f.setWriteFn, "png_set_IHDR", f.setIhdr, "png_set_text", f.setText, "png_set_sRGB", f.setSrgb,
      "png_set_gAMA_fixed", f.setGamaFixed, "png_write_info", f.writeInfo, "png_write_row", f.writeRow,
      "png_write_end", f.writeEnd);
  return loaded ? &f : nullptr;
}

const JpegFunctions* PlatformJpeg() {
  static JpegFunctions f;
  static const bool loaded = PlatformLoadFunctions(
      ZKT_JPEG_LIBRARY, "jpeg_std_error", f.stdError, "jpeg_abort_decompress", f.abortDecompress,
      "jpeg_CreateDecompress", f.createDecompress, "jpeg_destroy_decompress", f.destroyDecompress, "jpeg_mem_src",
      f.memSrc, "jpeg_read_header", f.readHeader, "jpeg_start_decompress", f.startDecompress, "jpeg_read_scanlines",
      f.readScanlines, "jpeg_CreateCompress", f.createCompress, "jpeg_destroy_compress", f.destroyCompress,
      "jpeg_mem_dest", f.memDest, "jpeg_set_defaults", f.setDefaults, "jpeg_set_quality", f.setQuality,
      "jpeg_start_compress", f.startCompress, "jpeg_write_marker", f.writeMarker, "jpeg_write_scanlines",
      f.writeScanlines, "jpeg_finish_compress", f.finishCompress);
  return loaded ? &f : nullptr;
}
