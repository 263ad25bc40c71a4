// jpeg_exif.cpp - JPG markers and EXIF data.
//
// Every length, offset and count comes from a downloaded file, so each read is checked
// against the end of the data it belongs to, not only the reads the error texts name.
#include "render/jpeg_exif.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t MARKER_SOF0 = 0xC0, MARKER_SOF2 = 0xC2, MARKER_EOI = 0xD9, MARKER_SOS = 0xDA;
constexpr uint8_t MARKER_APP1 = 0xE1;

inline uint32_t BigU16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }

// Walks the segments from the start of image to the first marker in `wanted` (two codes).
// Returns null and the marker's offset, or an error text.
const char* FindMarker(const uint8_t* bytes, size_t size, uint8_t wantedA, uint8_t wantedB,
                       const char* notFound, size_t* at) {
  if (!bytes || size < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) return "SOI marker not found";
  if (size < 6) return "Not enough data";
  size_t pos = 2;
  for (;;) {
    if (size - pos < 4) return "Not enough data";
    if (bytes[pos] != 0xFF) return "Invalid marker";
    const uint8_t marker = bytes[pos + 1];
    if (marker == wantedA || marker == wantedB) {
      *at = pos;
      return nullptr;
    }
    if (marker == MARKER_EOI || marker == MARKER_SOS) return notFound;
    const size_t next = pos + 2 + BigU16(bytes + pos + 2);
    if (next >= size) return "Not enough data";
    pos = next;
  }
}

// The TIFF block inside the APP1 segment, read in its own byte order.
struct Tiff {
  const uint8_t* base;
  size_t size;
  bool bigEndian;

  bool Has(size_t offset, size_t count) const { return offset <= size && count <= size - offset; }
  uint32_t U16(size_t offset) const {
    const uint8_t* p = base + offset;
    return bigEndian ? (uint32_t(p[0]) << 8 | p[1]) : (uint32_t(p[1]) << 8 | p[0]);
  }
  uint32_t U32(size_t offset) const {
    const uint8_t* p = base + offset;
    return bigEndian ? (uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3])
                     : (uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
  }
};

constexpr uint32_t TYPE_SHORT = 3;

// An entry: tag, type, count and the 4-byte value (or offset of the value) at entry + 8.
struct Entry {
  uint32_t tag, type, count;
  size_t valueAt;
};

Entry ReadEntry(const Tiff& t, size_t at) { return {t.U16(at), t.U16(at + 2), t.U32(at + 4), at + 8}; }

// Text of count bytes (the terminator included): inline when it fits in the value field.
void CopyText(const Tiff& t, const Entry& e, char out[EXIF_TEXT_SIZE]) {
  if (e.count < 2) return;
  const size_t offset = e.count <= 4 ? e.valueAt : t.U32(e.valueAt);
  const size_t length = std::min<size_t>(e.count - 1, EXIF_TEXT_SIZE - 1);
  if (!t.Has(offset, e.count)) return;
  std::memcpy(out, t.base + offset, length);
  out[length] = 0;
}

void ReadRational(const Tiff& t, const Entry& e, uint32_t out[2]) {
  const size_t offset = t.U32(e.valueAt);
  if (!t.Has(offset, 8)) return;
  out[0] = t.U32(offset);
  out[1] = t.U32(offset + 4);
}

uint32_t ShortOrLong(const Tiff& t, const Entry& e) {
  return e.type == TYPE_SHORT ? t.U16(e.valueAt) : t.U32(e.valueAt);
}

}  // namespace

const char* FindJpegFrameMarker(const uint8_t* bytes, size_t size, uint32_t* width,
                                uint32_t* height) {
  size_t at = 0;
  const char* error = FindMarker(bytes, size, MARKER_SOF0, MARKER_SOF2,
                                 "Did not find a SOF0 or SOF2 marker", &at);
  if (error) return error;
  if (size - at < 18) return "Not enough data";
  *height = BigU16(bytes + at + 5);
  *width = BigU16(bytes + at + 7);
  return nullptr;
}

const char* ParseJpegExif(const uint8_t* bytes, size_t size, JpegExifInfo* info) {
  std::memset(info, 0, sizeof *info);
  size_t at = 0;
  const char* error = FindMarker(bytes, size, MARKER_APP1, MARKER_APP1, "APP1 marker not found", &at);
  if (error) return error;
  if (size - at < 18) return "Not enough data";
  if (std::memcmp(bytes + at + 4, "Exif", 4) != 0) return "Exif string not found";

  // The TIFF block runs from 6 bytes after "Exif" to the end of the segment.
  const size_t tiffStart = at + 10;
  const size_t segmentEnd = std::min(size, at + 2 + BigU16(bytes + at + 2));
  if (segmentEnd < tiffStart + 8) return "Not enough data";
  Tiff t{bytes + tiffStart, segmentEnd - tiffStart, false};
  if (t.base[0] == 'M' && t.base[1] == 'M') {
    t.bigEndian = true;
  } else if (!(t.base[0] == 'I' && t.base[1] == 'I')) {
    return "Unknown endian";
  }

  const size_t ifd0 = t.U32(4);
  if (ifd0 < 8) return "Invalid IFD offset";
  if (!t.Has(ifd0, 2)) return "TIFF count not found";
  const uint32_t count0 = t.U16(ifd0);
  if (count0 == 0) return "TIFF count is zero";
  if (!t.Has(ifd0 + 2, size_t(count0) * 12)) return "Too many TIFF blocks";
  size_t exifIfd = 0;
  for (uint32_t i = 0; i < count0; ++i) {
    const Entry e = ReadEntry(t, ifd0 + 2 + size_t(i) * 12);
    if (e.tag == 271) CopyText(t, e, info->cameraMake);
    if (e.tag == 272) CopyText(t, e, info->cameraModel);
    if (e.tag == 34665) exifIfd = t.U32(e.valueAt);
  }
  if (exifIfd == 0) return "Exif offset not found";

  if (!t.Has(exifIfd, 2)) return "Exif count not found";
  const uint32_t count = t.U16(exifIfd);
  if (count == 0) return "Exif count is zero";
  if (!t.Has(exifIfd + 2, size_t(count) * 12)) return "Too many Exif blocks";
  for (uint32_t i = 0; i < count; ++i) {
    const Entry e = ReadEntry(t, exifIfd + 2 + size_t(i) * 12);
    switch (e.tag) {
      case 33434: ReadRational(t, e, info->exposureTime); break;
      case 33437: ReadRational(t, e, info->fNumber); break;
      case 34850: {
        const uint32_t v = t.U16(e.valueAt);
        info->exposureProgram = uint8_t(v < 9 ? v : 0);
        break;
      }
      case 34855: info->isoSpeed = ShortOrLong(t, e); break;
      case 36864: std::memcpy(&info->exifVersion, t.base + e.valueAt, 4); break;
      case 36867: CopyText(t, e, info->dateTimeOriginal); break;
      case 37380: {
        uint32_t v[2] = {0, 0};
        ReadRational(t, e, v);
        info->exposureBiasNumerator = int32_t(v[0]);
        info->exposureBiasDenominator = v[1];
        break;
      }
      case 37384: {
        const uint32_t v = t.U16(e.valueAt);
        info->lightSource = uint8_t(v < 25 ? v : 0);
        break;
      }
      case 37386: ReadRational(t, e, info->focalLength); break;
      case 40962: info->pixelWidth = ShortOrLong(t, e); break;
      case 40963: info->pixelHeight = ShortOrLong(t, e); break;
      case 41987: {
        const uint32_t v = t.U16(e.valueAt);
        info->whiteBalance = uint8_t(v < 2 ? v : 0);
        break;
      }
      case 41989: info->focalLength35mm = t.U16(e.valueAt); break;
      default: break;
    }
  }
  return nullptr;
}
