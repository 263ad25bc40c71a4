// image_files.cpp - the image encoders: BMP written here field by field, JPEG, PNG, TIFF and
// GIF through their libraries, each into memory.  The libraries are loaded at their first
// picture: libpng and libjpeg through the platform's tables, libtiff and giflib below.
#include "render/image_files.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <gif_lib.h>
#include <tiffio.h>

#include "core/frame_globals.h"
#include "platform/image_libraries.h"
#include "platform/shared_library.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutU16(Bytes& o, uint32_t v) {
  o.push_back(uint8_t(v));
  o.push_back(uint8_t(v >> 8));
}
void PutU32(Bytes& o, uint32_t v) {
  for (int i = 0; i < 4; ++i) o.push_back(uint8_t(v >> (8 * i)));
}

// One row as red, green, blue.
void RowRgb(const PictureRows& p, int y, uint8_t* out) {
  const uint8_t* in = p.pixels + size_t(y) * p.rowPitch;
  const int r = p.bgra ? 2 : 0, b = p.bgra ? 0 : 2;
  for (int x = 0; x < p.width; ++x, in += 4, out += 3) {
    out[0] = in[r];
    out[1] = in[1];
    out[2] = in[b];
  }
}

// One row as blue, green, red (and alpha when four bytes a pixel are asked for).
void RowBgr(const PictureRows& p, int y, uint8_t* out, int bytesPerPixel) {
  const uint8_t* in = p.pixels + size_t(y) * p.rowPitch;
  const int r = p.bgra ? 2 : 0, b = p.bgra ? 0 : 2;
  for (int x = 0; x < p.width; ++x, in += 4, out += bytesPerPixel) {
    out[0] = in[b];
    out[1] = in[1];
    out[2] = in[r];
    if (bytesPerPixel == 4) out[3] = in[3];
  }
}

void PutInfoHeader(Bytes& o, int32_t width, int32_t height, uint32_t imageBytes) {
  PutU32(o, BITMAP_INFO_HEADER_BYTES);
  PutU32(o, uint32_t(width));
  PutU32(o, uint32_t(height));
  PutU16(o, 1);   // planes
  PutU16(o, 24);  // bits a pixel
  PutU32(o, 0);   // no compression
  PutU32(o, imageBytes);
  PutU32(o, 0);   // pixels per metre, x and y: not given
  PutU32(o, 0);
  PutU32(o, 0);   // colours used and important: none (no palette)
  PutU32(o, 0);
}

void PutFileHeader(Bytes& o, uint32_t fileBytes, uint32_t pixelOffset) {
  o.push_back('B');
  o.push_back('M');
  PutU32(o, fileBytes);
  PutU16(o, 0);
  PutU16(o, 0);
  PutU32(o, pixelOffset);
}

// ---- BMP ----
// 24-bit BGR rows bottom first (the usual form); with the option, 32-bit BGRA under a
// version-5 header with its masks and the sRGB colour space.
const char* EncodeBmp(const PictureRows& p, const ImageWriteOptions& options, Bytes& out) {
  const bool v5 = options.bmpV5Header32 != 0;
  const uint32_t rowBytes = v5 ? uint32_t(p.width) * 4 : BitmapRowBytes(p.width);
  const uint64_t imageBytes = uint64_t(rowBytes) * uint32_t(p.height);
  const uint32_t headerBytes = v5 ? 124 : BITMAP_INFO_HEADER_BYTES;
  if (imageBytes + BITMAP_FILE_HEADER_BYTES + headerBytes > 0xFFFFFFFFull) return "BMP size";
  const uint32_t offset = BITMAP_FILE_HEADER_BYTES + headerBytes;
  PutFileHeader(out, offset + uint32_t(imageBytes), offset);
  if (!v5) {
    PutInfoHeader(out, p.width, p.height, uint32_t(imageBytes));
  } else {
    PutU32(out, 124);
    PutU32(out, uint32_t(p.width));
    PutU32(out, uint32_t(p.height));
    PutU16(out, 1);
    PutU16(out, 32);
    PutU32(out, 3);  // bit fields
    PutU32(out, uint32_t(imageBytes));
    for (int i = 0; i < 4; ++i) PutU32(out, 0);  // resolution, colours
    PutU32(out, 0x00FF0000u);  // red, green, blue and alpha masks
    PutU32(out, 0x0000FF00u);
    PutU32(out, 0x000000FFu);
    PutU32(out, 0xFF000000u);
    PutU32(out, 0x73524742u);  // "sRGB"
    for (int i = 0; i < 12; ++i) PutU32(out, 0);  // end points and gamma: unused with sRGB
    PutU32(out, 4);  // rendering intent: pictures
    for (int i = 0; i < 3; ++i) PutU32(out, 0);  // no profile; reserved
  }
  const size_t start = out.size();
  out.resize(start + size_t(imageBytes), 0);
  for (int y = 0; y < p.height; ++y)
    RowBgr(p, p.height - 1 - y, out.data() + start + size_t(y) * rowBytes, v5 ? 4 : 3);
  return nullptr;
}

// ---- PNG ----
struct PngSink {
  Bytes* out;
};
void PngWrite(png_structp png, png_bytep data, png_size_t length) {
  Bytes* out = static_cast<PngSink*>(PlatformPng()->getIoPtr(png))->out;  // loaded: it calls here
  out->insert(out->end(), data, data + length);
}
void PngFlush(png_structp) {}

const char* EncodePng(const PictureRows& p, Bytes& out) {
  const PngFunctions* loaded = PlatformPng();
  if (!loaded) return "libpng could not be loaded";
  const PngFunctions& lib = *loaded;
  png_structp png = lib.createWriteStruct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return "png_create_write_struct";
  png_infop info = lib.createInfoStruct(png);
  if (!info) {
    lib.destroyWriteStruct(&png, nullptr);
    return "png_create_info_struct";
  }
  Bytes row(size_t(p.width) * 3);
  PngSink sink{&out};
  if (setjmp(PngJumpBuffer(lib, png))) {
    lib.destroyWriteStruct(&png, &info);
    return "png_write_image";
  }
  lib.setWriteFn(png, &sink, PngWrite, PngFlush);
  lib.setIhdr(png, info, png_uint_32(p.width), png_uint_32(p.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_text text{};
  text.compression = PNG_TEXT_COMPRESSION_NONE;
  text.key = const_cast<char*>("Software");
  text.text = const_cast<char*>(ImageSoftwareName());
  lib.setText(png, info, &text, 1);
  if (p.srgb)
    lib.setSrgb(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
  else
    lib.setGamaFixed(png, info, 100000);  // linear values
  lib.writeInfo(png, info);
  for (int y = 0; y < p.height; ++y) {
    RowRgb(p, y, row.data());
    lib.writeRow(png, row.data());
  }
  lib.writeEnd(png, info);
  lib.destroyWriteStruct(&png, &info);
  return nullptr;
}

// ---- EXIF ----
// A little-endian TIFF structure holding the software name in the first directory and, for
// sRGB, an EXIF directory with the colour space 1.
void PutIfdEntry(Bytes& o, uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
  PutU16(o, tag);
  PutU16(o, type);
  PutU32(o, count);
  PutU32(o, value);
}

Bytes ExifBlock(int srgb) {
  const std::string software = ImageSoftwareName();
  const uint32_t softwareBytes = uint32_t(software.size() + 1);
  const uint16_t entries = srgb ? 2 : 1;
  const uint32_t ifd0 = 8, ifd0Bytes = 2 + 12u * entries + 4;
  const uint32_t exifIfd = ifd0 + ifd0Bytes, exifIfdBytes = srgb ? 2 + 12 + 4 : 0;
  const uint32_t text = exifIfd + exifIfdBytes;
  Bytes o = {'I', 'I'};
  PutU16(o, 42);
  PutU32(o, ifd0);
  PutU16(o, entries);
  PutIfdEntry(o, 0x0131, 2, softwareBytes, text);   // Software, ASCII
  if (srgb) PutIfdEntry(o, 0x8769, 4, 1, exifIfd);  // the EXIF directory
  PutU32(o, 0);
  if (srgb) {
    PutU16(o, 1);
    PutIfdEntry(o, 0xA001, 3, 1, 1);  // ColorSpace, SHORT: 1 sRGB (left-justified in the word)
    PutU32(o, 0);
  }
  o.insert(o.end(), software.begin(), software.end());
  o.push_back(0);
  return o;
}

// ---- JPEG ----
struct JpegFailure {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};
void JpegError(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegFailure*>(info->err)->jump, 1); }
void JpegQuiet(j_common_ptr, int) {}

const char* EncodeJpeg(const PictureRows& p, const ImageWriteOptions& options, Bytes& out) {
  const JpegFunctions* loaded = PlatformJpeg();
  if (!loaded) return "libjpeg could not be loaded";
  const JpegFunctions& lib = *loaded;
  jpeg_compress_struct info{};
  JpegFailure failure;
  info.err = lib.stdError(&failure.manager);
  failure.manager.error_exit = JpegError;
  failure.manager.emit_message = JpegQuiet;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  Bytes row(size_t(p.width) * 3);
  // Everything the error path must free is made before the jump point.
  Bytes app1 = {'E', 'x', 'i', 'f', 0, 0};
  const Bytes exif = ExifBlock(p.srgb);
  app1.insert(app1.end(), exif.begin(), exif.end());
  if (setjmp(failure.jump)) {
    lib.destroyCompress(&info);
    std::free(buffer);
    return "jpeg_write_scanlines";
  }
  JpegCreateCompress(lib, &info);
  lib.memDest(&info, &buffer, &size);
  info.image_width = JDIMENSION(p.width);
  info.image_height = JDIMENSION(p.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  lib.setDefaults(&info);
  lib.setQuality(&info, std::clamp(options.jpegQuality, 1, 100), TRUE);
  for (int c = 0; c < info.num_components; ++c) info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
  info.write_JFIF_header = FALSE;  // the EXIF block stands first, as cameras write it
  lib.startCompress(&info, TRUE);
  lib.writeMarker(&info, JPEG_APP0 + 1, app1.data(), unsigned(app1.size()));
  for (int y = 0; y < p.height; ++y) {
    RowRgb(p, y, row.data());
    JSAMPROW rows[1] = {row.data()};
    lib.writeScanlines(&info, rows, 1);
  }
  lib.finishCompress(&info);
  out.assign(buffer, buffer + size);
  lib.destroyCompress(&info);
  std::free(buffer);
  return nullptr;
}

// ---- The libraries loaded at their first picture ----
// libtiff and giflib: most runs write no picture of theirs, and linked they cost every start
// the loading of them (libtiff with the libraries of every format it reads).  Once loaded they
// stay; null when a library or one of its functions is missing.

struct TiffFunctions {
  decltype(&TIFFSetErrorHandler) setErrorHandler;
  decltype(&TIFFSetWarningHandler) setWarningHandler;
  decltype(&TIFFClientOpen) clientOpen;
  decltype(&TIFFSetField) setField;
  decltype(&TIFFDefaultStripSize) defaultStripSize;
  decltype(&TIFFWriteScanline) writeScanline;
  decltype(&TIFFWriteDirectory) writeDirectory;
  decltype(&TIFFCreateEXIFDirectory) createExifDirectory;
  decltype(&TIFFWriteCustomDirectory) writeCustomDirectory;
  decltype(&TIFFSetDirectory) setDirectory;
  decltype(&TIFFRewriteDirectory) rewriteDirectory;
  decltype(&TIFFClose) close;
};

const TiffFunctions* Tiff() {
  static TiffFunctions f;
  static const bool loaded = PlatformLoadFunctions(
      ZKT_TIFF_LIBRARY, "TIFFSetErrorHandler", f.setErrorHandler, "TIFFSetWarningHandler", f.setWarningHandler,
      "TIFFClientOpen", f.clientOpen, "TIFFSetField", f.setField, "TIFFDefaultStripSize", f.defaultStripSize,
      "TIFFWriteScanline", f.writeScanline, "TIFFWriteDirectory", f.writeDirectory, "TIFFCreateEXIFDirectory",
      f.createExifDirectory, "TIFFWriteCustomDirectory", f.writeCustomDirectory, "TIFFSetDirectory", f.setDirectory,
      "TIFFRewriteDirectory", f.rewriteDirectory, "TIFFClose", f.close);
  return loaded ? &f : nullptr;
}

struct GifFunctions {
  decltype(&EGifOpen) open;
  decltype(&GifMakeMapObject) makeMapObject;
  decltype(&EGifPutScreenDesc) putScreenDesc;
  decltype(&EGifPutImageDesc) putImageDesc;
  decltype(&EGifPutLine) putLine;
  decltype(&EGifCloseFile) closeFile;
  decltype(&GifFreeMapObject) freeMapObject;
};

const GifFunctions* Gif() {
  static GifFunctions f;
  static const bool loaded = PlatformLoadFunctions(
      ZKT_GIF_LIBRARY, "EGifOpen", f.open, "GifMakeMapObject", f.makeMapObject, "EGifPutScreenDesc", f.putScreenDesc,
      "EGifPutImageDesc", f.putImageDesc, "EGifPutLine", f.putLine, "EGifCloseFile", f.closeFile, "GifFreeMapObject",
      f.freeMapObject);
  return loaded ? &f : nullptr;
}

// ---- TIFF ----
// libtiff over a byte vector: it reads back what it wrote when it links the EXIF directory.
struct TiffMemory {
  Bytes* data;
  size_t position;
};
tmsize_t TiffRead(thandle_t h, void* buffer, tmsize_t size) {
  TiffMemory& m = *static_cast<TiffMemory*>(h);
  const size_t n = std::min(size_t(size), m.data->size() > m.position ? m.data->size() - m.position : 0);
  std::memcpy(buffer, m.data->data() + m.position, n);
  m.position += n;
  return tmsize_t(n);
}
tmsize_t TiffWrite(thandle_t h, void* buffer, tmsize_t size) {
  TiffMemory& m = *static_cast<TiffMemory*>(h);
  if (m.position + size_t(size) > m.data->size()) m.data->resize(m.position + size_t(size));
  std::memcpy(m.data->data() + m.position, buffer, size_t(size));
  m.position += size_t(size);
  return size;
}
toff_t TiffSeek(thandle_t h, toff_t offset, int whence) {
  TiffMemory& m = *static_cast<TiffMemory*>(h);
  const size_t base = whence == SEEK_CUR ? m.position : whence == SEEK_END ? m.data->size() : 0;
  m.position = base + size_t(offset);
  return toff_t(m.position);
}
int TiffClose(thandle_t) { return 0; }
toff_t TiffSize(thandle_t h) { return toff_t(static_cast<TiffMemory*>(h)->data->size()); }
int TiffMap(thandle_t, void**, toff_t*) { return 0; }
void TiffUnmap(thandle_t, void*, toff_t) {}
void TiffQuiet(const char*, const char*, va_list) {}

const char* EncodeTiff(const PictureRows& p, Bytes& out) {
  const TiffFunctions* libtiff = Tiff();
  if (!libtiff) return ZKT_TIFF_LIBRARY;
  libtiff->setErrorHandler(TiffQuiet);
  libtiff->setWarningHandler(TiffQuiet);
  TiffMemory memory{&out, 0};
  TIFF* tif = libtiff->clientOpen("picture", "w", &memory, TiffRead, TiffWrite, TiffSeek, TiffClose, TiffSize,
                                  TiffMap, TiffUnmap);
  if (!tif) return "TIFFClientOpen";
  const char* failed = nullptr;
  libtiff->setField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(p.width));
  libtiff->setField(tif, TIFFTAG_IMAGELENGTH, uint32_t(p.height));
  libtiff->setField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  libtiff->setField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  libtiff->setField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  libtiff->setField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  libtiff->setField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  libtiff->setField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  libtiff->setField(tif, TIFFTAG_ROWSPERSTRIP, libtiff->defaultStripSize(tif, 0));
  libtiff->setField(tif, TIFFTAG_SOFTWARE, ImageSoftwareName());
  Bytes row(size_t(p.width) * 3);
  for (int y = 0; y < p.height && !failed; ++y) {
    RowRgb(p, y, row.data());
    if (libtiff->writeScanline(tif, row.data(), uint32_t(y), 0) < 0) failed = "TIFFWriteScanline";
  }
  if (!failed && !libtiff->writeDirectory(tif)) failed = "TIFFWriteDirectory";
  if (!failed && p.srgb) {
    // The colour space lives in an EXIF directory that the image's directory points to.
    uint64_t exifOffset = 0;
    if (libtiff->createExifDirectory(tif) != 0 || !libtiff->setField(tif, EXIFTAG_COLORSPACE, 1) ||
        !libtiff->writeCustomDirectory(tif, &exifOffset) || !libtiff->setDirectory(tif, 0) ||
        !libtiff->setField(tif, TIFFTAG_EXIFIFD, exifOffset) || !libtiff->rewriteDirectory(tif))
      failed = "TIFFWriteCustomDirectory";
  }
  libtiff->close(tif);
  return failed;
}

// ---- GIF ----
int GifWrite(GifFileType* gif, const GifByteType* data, int length) {
  Bytes* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), data, data + length);
  return length;
}

const char* EncodeGif(const PictureRows& p, Bytes& out) {
  if (p.width > 65535 || p.height > 65535) return "EGifPutScreenDesc";
  const GifFunctions* giflib = Gif();
  if (!giflib) return ZKT_GIF_LIBRARY;
  int error = 0;
  GifFileType* gif = giflib->open(&out, GifWrite, &error);
  if (!gif) return "EGifOpen";
  GifColorType colours[256];
  for (int i = 0; i < 256; ++i) {
    uint8_t rgb[3];
    GifPaletteColour(i, rgb);
    colours[i] = GifColorType{rgb[0], rgb[1], rgb[2]};
  }
  ColorMapObject* map = giflib->makeMapObject(256, colours);
  const char* failed = nullptr;
  if (!map || giflib->putScreenDesc(gif, p.width, p.height, 8, 0, map) == GIF_ERROR) failed = "EGifPutScreenDesc";
  if (!failed && giflib->putImageDesc(gif, 0, 0, p.width, p.height, false, nullptr) == GIF_ERROR) failed = "EGifPutImageDesc";
  Bytes rgb(size_t(p.width) * 3);
  std::vector<GifPixelType> line(size_t(p.width));
  for (int y = 0; y < p.height && !failed; ++y) {
    RowRgb(p, y, rgb.data());
    for (int x = 0; x < p.width; ++x) line[x] = GifPixelType(GifPaletteIndex(rgb[3 * x], rgb[3 * x + 1], rgb[3 * x + 2]));
    if (giflib->putLine(gif, line.data(), p.width) == GIF_ERROR) failed = "EGifPutLine";
  }
  if (giflib->closeFile(gif, &error) == GIF_ERROR && !failed) failed = "EGifCloseFile";
  giflib->freeMapObject(map);
  return failed;
}

int GreyLevel(int k) { return ((k + 1) * 255 * 2 + 41) / 82; }  // round((k + 1) * 255 / 41)

}  // namespace

// ---- [Containers] ----

const char* ImageExtension(int container) {
  static const char* const EXTENSIONS[IMAGE_CONTAINER_COUNT] = {"bmp", "jpg", "png", "tif", "gif"};
  return container >= 0 && container < IMAGE_CONTAINER_COUNT ? EXTENSIONS[container] : "png";
}

const char* ImageSoftwareName() {
  static char name[32];
  if (!name[0]) std::snprintf(name, sizeof name, "ZKT Editor %s", PROGRAM_VERSION);
  return name;
}

const char* EncodeImage(int container, const PictureRows& picture, const ImageWriteOptions& options,
                        std::vector<uint8_t>& out) {
  out.clear();
  if (picture.width <= 0 || picture.height <= 0 || !picture.pixels) return "picture size";
  switch (container) {
    case IMAGE_BMP: return EncodeBmp(picture, options, out);
    case IMAGE_JPEG: return EncodeJpeg(picture, options, out);
    case IMAGE_PNG: return EncodePng(picture, out);
    case IMAGE_TIFF: return EncodeTiff(picture, out);
    case IMAGE_GIF: return EncodeGif(picture, out);
    default: return "image container";
  }
}

void GifPaletteColour(int index, uint8_t rgb[3]) {
  if (index < 216) {
    rgb[0] = uint8_t(index / 36 * 51);
    rgb[1] = uint8_t(index / 6 % 6 * 51);
    rgb[2] = uint8_t(index % 6 * 51);
    return;
  }
  const uint8_t level = uint8_t(GreyLevel(std::min(index - 216, 39)));
  rgb[0] = rgb[1] = rgb[2] = level;
}

int GifPaletteIndex(uint8_t r, uint8_t g, uint8_t b) {
  const int cr = (r + 25) / 51, cg = (g + 25) / 51, cb = (b + 25) / 51;
  auto square = [](int v) { return v * v; };
  const int cubeError = square(r - cr * 51) + square(g - cg * 51) + square(b - cb * 51);
  // The nearest grey to the mean of the three.
  const int mean = (r + g + b + 1) / 3;
  int k = std::clamp((mean * 41 + 127) / 255 - 1, 0, 39);
  if (k < 39 && std::abs(GreyLevel(k + 1) - mean) < std::abs(GreyLevel(k) - mean)) ++k;
  if (k > 0 && std::abs(GreyLevel(k - 1) - mean) < std::abs(GreyLevel(k) - mean)) --k;
  const int level = GreyLevel(k);
  const int greyError = square(r - level) + square(g - level) + square(b - level);
  return greyError < cubeError ? 216 + k : cr * 36 + cg * 6 + cb;
}

// ---- [Bitmaps] ----

uint32_t BitmapRowBytes(int width) { return ((uint32_t(width) * 24 + 31) / 8) & ~3u; }

void BuildPackedBitmap(const PictureRows& p, std::vector<uint8_t>& out) {
  const uint32_t rowBytes = BitmapRowBytes(p.width);
  const uint32_t imageBytes = rowBytes * uint32_t(p.height);
  out.clear();
  out.reserve(BITMAP_INFO_HEADER_BYTES + imageBytes);
  PutInfoHeader(out, p.width, -p.height, imageBytes);
  out.resize(BITMAP_INFO_HEADER_BYTES + imageBytes, 0);
  for (int y = 0; y < p.height; ++y) RowBgr(p, y, out.data() + BITMAP_INFO_HEADER_BYTES + size_t(y) * rowBytes, 3);
}

void BitmapFileFromPacked(const std::vector<uint8_t>& packed, std::vector<uint8_t>& out) {
  out.clear();
  out.reserve(BITMAP_FILE_HEADER_BYTES + packed.size());
  PutFileHeader(out, uint32_t(BITMAP_FILE_HEADER_BYTES + packed.size()),
                BITMAP_FILE_HEADER_BYTES + BITMAP_INFO_HEADER_BYTES);
  out.insert(out.end(), packed.begin(), packed.end());
}
