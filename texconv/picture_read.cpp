// picture_read.cpp - PNG and JPG pictures from memory (libpng and libjpeg, through the
// platform's tables: loaded at the first picture; without them a picture is not read).
//
// Both libraries report errors by jumping out of the decoder.  The functions that set the
// jump point hold only plain C data, so the jump skips no destructor; the pixel memory
// belongs to the caller's ScratchImage and the row table is freed by the caller's frame.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/image_libraries.h"
#include "texconv/texconv_local.h"

namespace texconv {

// ---- PNG ----

namespace {

constexpr uint64_t MAX_DEFLATE_RATIO = 1032;

struct PngSource {
  const uint8_t* bytes;
  size_t size;
  size_t offset;
};

void PngRead(png_structp png, png_bytep out, png_size_t count) {
  const PngFunctions& lib = *PlatformPng();  // loaded: it calls here
  auto* src = static_cast<PngSource*>(lib.getIoPtr(png));
  if (count > src->size - src->offset) lib.error(png, "data ends early");
  std::memcpy(out, src->bytes + src->offset, count);
  src->offset += count;
}

void PngError(png_structp png, png_const_charp) { PlatformPng()->longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

struct PngJob {
  const PngFunctions* lib;
  PngSource source;
  ScratchImage* out;
  png_bytep* rows;   // malloc'd; freed by DecodePng
  Result result;     // set before each step that may fail
};

// The body: no object with a destructor may live here (see the file comment).
void DecodePngBody(PngJob* job) {
  const PngFunctions& lib = *job->lib;
  png_structp png = lib.createReadStruct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!png) {
    job->result = TEX_E_OUTOFMEMORY;
    return;
  }
  png_infop info = lib.createInfoStruct(png);
  if (!info) {
    lib.destroyReadStruct(&png, nullptr, nullptr);
    job->result = TEX_E_OUTOFMEMORY;
    return;
  }
  job->result = TEX_E_FAIL;
  if (setjmp(PngJumpBuffer(lib, png))) {
    lib.destroyReadStruct(&png, &info, nullptr);
    return;  // job->result holds the failure of the step that jumped
  }
  lib.setReadFn(png, &job->source, PngRead);
  lib.setUserLimits(png, MAX_IMAGE_SIDE, MAX_IMAGE_SIDE);
  lib.readInfo(png, info);

  const png_uint_32 width = lib.getImageWidth(png, info);
  const png_uint_32 height = lib.getImageHeight(png, info);
  const int depth = lib.getBitDepth(png, info);
  const int colourType = lib.getColorType(png, info);
  const bool hasTrns = lib.getValid(png, info, PNG_INFO_tRNS) != 0;

  // The format keeps grey as grey; grey made transparent by tRNS needs alpha, so colour.
  uint32_t format;
  if (colourType == PNG_COLOR_TYPE_GRAY && !hasTrns) {
    format = depth == 16 ? FORMAT_R16_UNORM : FORMAT_R8_UNORM;
    if (depth < 8) lib.setExpandGray1To8(png);
  } else {
    format = depth == 16 ? FORMAT_R16G16B16A16_UNORM : FORMAT_R8G8B8A8_UNORM;
    lib.setExpand(png);  // palette to RGB, low-depth grey to 8 bits, tRNS to alpha
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
      lib.setGrayToRgb(png);
    if (!(colourType & PNG_COLOR_MASK_ALPHA) && !hasTrns)
      lib.setFiller(png, depth == 16 ? 0xFFFF : 0xFF, PNG_FILLER_AFTER);
  }
  if (depth == 16) lib.setSwap(png);  // PNG stores 16-bit samples big-endian
  lib.setInterlaceHandling(png);
  lib.readUpdateInfo(png, info);

  const uint32_t bytesPerPixel = BitsPerPixel(format) / 8;
  // Deflate packs at most 1032 bytes into one, so a file too short to hold its rows (at
  // their stored depth, with the filter byte) is refused before its buffer is made.
  const uint64_t storedChannels = colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                   : colourType == PNG_COLOR_TYPE_RGB        ? 3
                                   : colourType == PNG_COLOR_TYPE_RGB_ALPHA  ? 4
                                                                             : 1;
  const uint64_t storedRow = 1 + (uint64_t(width) * storedChannels * depth + 7) / 8;
  const bool possible = uint64_t(height) * storedRow / MAX_DEFLATE_RATIO <= job->source.size;
  if (!possible || !ImageSidesAcceptable(width, height, bytesPerPixel) ||
      lib.getRowbytes(png, info) != size_t(width) * bytesPerPixel) {
    lib.destroyReadStruct(&png, &info, nullptr);
    return;
  }
  job->result = Initialize2D(job->out, format, width, height, 1);
  if (Failed(job->result)) {
    lib.destroyReadStruct(&png, &info, nullptr);
    return;
  }
  job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
  if (!job->rows) {
    job->result = TEX_E_OUTOFMEMORY;
    lib.destroyReadStruct(&png, &info, nullptr);
    return;
  }
  const Image& im = job->out->images[0];
  for (png_uint_32 y = 0; y < height; ++y) job->rows[y] = im.pixels + size_t(y) * im.rowPitch;
  job->result = TEX_E_FAIL;
  lib.readImage(png, job->rows);
  // The end chunks are not read: a picture whose pixels are whole is used even when what
  // follows them is damaged.
  lib.destroyReadStruct(&png, &info, nullptr);
  job->result = TEX_OK;
}

}  // namespace

Result DecodePng(const uint8_t* bytes, size_t size, ScratchImage* out) {
  PngJob job{PlatformPng(), {bytes, size, 0}, out, nullptr, TEX_E_FAIL};
  if (job.lib) DecodePngBody(&job);
  std::free(job.rows);
  if (Failed(job.result)) out->Release();
  return job.result;
}

// ---- JPG ----

namespace {

constexpr uint64_t MIN_PIXELS_PER_BYTE = 512;  // 8 blocks of 64 texels a byte

struct JpegErrors {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  bool dataEndedEarly;
};

void JpegErrorExit(j_common_ptr cinfo) {
  auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  std::longjmp(errors->jump, 1);
}

void JpegEmitMessage(j_common_ptr cinfo, int level) {
  auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
  // Warnings about stray bytes are common in pictures that show well; a picture whose data
  // ends early is grey at the bottom, which is refused like any damaged file.
  if (level < 0 && errors->mgr.msg_code == JWRN_JPEG_EOF) errors->dataEndedEarly = true;
}

void JpegOutputMessage(j_common_ptr) {}

struct JpegJob {
  const JpegFunctions* lib;
  const uint8_t* bytes;
  size_t size;
  ScratchImage* out;
  Result result;
};

// Adobe's CMYK pictures store inverted inks; others store them plain.
void CmykToRgba(uint8_t* row, uint32_t width, bool inverted) {
  for (uint32_t x = 0; x < width; ++x, row += 4) {
    int c = row[0], m = row[1], y = row[2], k = row[3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    row[0] = uint8_t((c * k + 127) / 255);
    row[1] = uint8_t((m * k + 127) / 255);
    row[2] = uint8_t((y * k + 127) / 255);
    row[3] = 255;
  }
}

// The body: no object with a destructor may live here (see the file comment).
void DecodeJpegBody(JpegJob* job) {
  const JpegFunctions& lib = *job->lib;
  jpeg_decompress_struct cinfo;
  JpegErrors errors;
  cinfo.err = lib.stdError(&errors.mgr);
  errors.mgr.error_exit = JpegErrorExit;
  errors.mgr.emit_message = JpegEmitMessage;
  errors.mgr.output_message = JpegOutputMessage;
  errors.dataEndedEarly = false;
  job->result = TEX_E_FAIL;
  if (setjmp(errors.jump)) {
    lib.destroyDecompress(&cinfo);
    return;
  }
  JpegCreateDecompress(lib, &cinfo);
  lib.memSrc(&cinfo, job->bytes, static_cast<unsigned long>(job->size));
  if (lib.readHeader(&cinfo, TRUE) != JPEG_HEADER_OK) {
    lib.destroyDecompress(&cinfo);
    return;
  }
  uint32_t format = FORMAT_R8G8B8A8_UNORM;
  bool cmyk = false;
  switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
      cinfo.out_color_space = JCS_GRAYSCALE;
      format = FORMAT_R8_UNORM;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      cinfo.out_color_space = JCS_CMYK;
      cmyk = true;
      break;
    default:
      cinfo.out_color_space = JCS_EXT_RGBA;  // alpha filled opaque
      break;
  }
  const uint32_t bytesPerPixel = BitsPerPixel(format) / 8;
  // Every 8x8 block of the first component costs at least one bit, so a file too short
  // for its frame is refused before the picture's (and the decoder's) buffers are made.
  const uint64_t pixels = uint64_t(cinfo.image_width) * cinfo.image_height;
  if (pixels / MIN_PIXELS_PER_BYTE > job->size ||
      !ImageSidesAcceptable(cinfo.image_width, cinfo.image_height, bytesPerPixel)) {
    lib.destroyDecompress(&cinfo);
    return;
  }
  // Progressive pictures hold all their coefficients while decoding; more than this is
  // refused instead of swapped out.
  cinfo.mem->max_memory_to_use = 1024L * 1024 * 1024;
  job->result = Initialize2D(job->out, format, cinfo.image_width, cinfo.image_height, 1);
  if (Failed(job->result)) {
    lib.destroyDecompress(&cinfo);
    return;
  }
  job->result = TEX_E_FAIL;
  lib.startDecompress(&cinfo);
  const Image& im = job->out->images[0];
  if (cinfo.output_width != im.width || cinfo.output_height != im.height ||
      uint32_t(cinfo.output_components) != bytesPerPixel) {
    lib.destroyDecompress(&cinfo);
    return;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = im.pixels + size_t(cinfo.output_scanline) * im.rowPitch;
    if (lib.readScanlines(&cinfo, &row, 1) != 1) break;
    if (cmyk) CmykToRgba(row, im.width, cinfo.saw_Adobe_marker);
  }
  if (cinfo.output_scanline == cinfo.output_height && !errors.dataEndedEarly) {
    lib.abortDecompress(&cinfo);  // what follows the last scan line does not matter
    job->result = TEX_OK;
  }
  lib.destroyDecompress(&cinfo);
}

}  // namespace

Result DecodeJpeg(const uint8_t* bytes, size_t size, ScratchImage* out) {
  JpegJob job{PlatformJpeg(), bytes, size, out, TEX_E_FAIL};
  if (job.lib) DecodeJpegBody(&job);
  if (Failed(job.result)) out->Release();
  return job.result;
}

// ---- either ----

Result LoadFromWICMemory(const void* bytes, size_t size, uint32_t flags, TexMetadata* metadata,
                         ScratchImage* out) {
  if (out) out->Release();
  if (metadata) *metadata = TexMetadata{};
  if (!bytes || !out || flags != 0) return TEX_E_INVALIDARG;
  if (size == 0) return TEX_E_FAIL;
  static const uint8_t PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const auto* b = static_cast<const uint8_t*>(bytes);
  Result r;
  if (size >= 8 && std::memcmp(b, PNG_SIGNATURE, 8) == 0) {
    r = DecodePng(b, size, out);
  } else if (size >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) {
    r = DecodeJpeg(b, size, out);
  } else {
    return TEX_E_NOTSUPPORTED;
  }
  if (Succeeded(r) && metadata) *metadata = out->metadata;
  return r;
}

}  // namespace texconv
