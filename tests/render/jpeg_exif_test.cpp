// jpeg_exif_test.cpp - JPG frame sizes and EXIF records: both byte orders, text cuts,
// every error text, and damaged data at every length.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "render/jpeg_exif.h"
#include "tests/texconv/test_pictures.h"

namespace {

// An EXIF block (APP1 payload) in either byte order, with the values the tests expect.
struct ExifWriter {
  bool big;
  std::vector<uint8_t> tiff;

  void U16(uint32_t v) {
    if (big) {
      tiff.push_back(uint8_t(v >> 8));
      tiff.push_back(uint8_t(v));
    } else {
      tiff.push_back(uint8_t(v));
      tiff.push_back(uint8_t(v >> 8));
    }
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) tiff.push_back(uint8_t(big ? v >> (24 - 8 * i) : v >> (8 * i)));
  }
  void PatchU32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) tiff[at + i] = uint8_t(big ? v >> (24 - 8 * i) : v >> (8 * i));
  }
  // An entry whose 4-byte value is a short (left-aligned in the field), a long or an offset.
  void EntryShort(uint32_t tag, uint32_t v) {
    U16(tag);
    U16(3);
    U32(1);
    U16(v);
    U16(0);
  }
  void EntryLong(uint32_t tag, uint32_t type, uint32_t count, uint32_t v) {
    U16(tag);
    U16(type);
    U32(count);
    U32(v);
  }
};

std::string MakeText(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s.push_back(char('A' + i % 26));
  return s;
}

std::vector<uint8_t> MakeExif(bool big, const std::string& make = "Acme Optics") {
  ExifWriter w{big, {}};
  w.tiff.push_back(big ? 'M' : 'I');
  w.tiff.push_back(big ? 'M' : 'I');
  w.U16(42);
  w.U32(8);
  // IFD 0: make, model, EXIF offset.
  const std::string model = "Z7";  // short enough to sit in the entry itself
  w.U16(3);
  const size_t makeEntry = w.tiff.size();
  w.EntryLong(271, 2, uint32_t(make.size() + 1), 0);
  {
    w.U16(272);
    w.U16(2);
    w.U32(uint32_t(model.size() + 1));
    for (char c : model) w.tiff.push_back(uint8_t(c));
    while (w.tiff.size() % 4 != 2) w.tiff.push_back(0);  // rest of the 4-byte field
  }
  const size_t exifEntry = w.tiff.size();
  w.EntryLong(34665, 4, 1, 0);
  w.U32(0);  // no next IFD
  // EXIF IFD.
  const uint32_t exifAt = uint32_t(w.tiff.size());
  w.PatchU32(exifEntry + 8, exifAt);
  const int entries = 12;
  w.U16(entries);
  const size_t first = w.tiff.size();
  const uint32_t dataAt = uint32_t(first + entries * 12 + 4);
  const std::string date = "2024:05:06 07:08:09";
  w.EntryLong(33434, 5, 1, dataAt);        // exposure 1/250
  w.EntryLong(33437, 5, 1, dataAt + 8);    // f/5.6
  w.EntryShort(34850, 3);                  // exposure program
  w.EntryShort(34855, 400);                // ISO
  w.U16(36864);                            // EXIF version "0231", raw
  w.U16(7);
  w.U32(4);
  for (char c : std::string("0231")) w.tiff.push_back(uint8_t(c));
  w.EntryLong(36867, 2, uint32_t(date.size() + 1), dataAt + 32);
  w.EntryLong(37380, 10, 1, dataAt + 16);  // bias -1/3
  w.EntryShort(37384, 4);                  // light source
  w.EntryLong(37386, 5, 1, dataAt + 24);   // focal length 50/1
  w.EntryLong(40962, 4, 1, 6000);          // pixel width as a long
  w.EntryShort(40963, 4000);               // pixel height as a short
  w.EntryShort(41987, 1);                  // white balance
  w.U32(0);
  EXPECT_EQ(w.tiff.size(), dataAt);
  for (uint32_t v : {1u, 250u, 56u, 10u, uint32_t(-1), 3u, 50u, 1u}) w.U32(v);  // the rationals
  for (char c : date) w.tiff.push_back(uint8_t(c));
  w.tiff.push_back(0);
  w.PatchU32(makeEntry + 8, uint32_t(w.tiff.size()));
  for (char c : make) w.tiff.push_back(uint8_t(c));
  w.tiff.push_back(0);

  std::vector<uint8_t> app1(6 + w.tiff.size(), 0);
  std::memcpy(app1.data(), "Exif", 4);
  std::memcpy(app1.data() + 6, w.tiff.data(), w.tiff.size());
  return app1;
}

std::vector<uint8_t> JpegWith(const std::vector<uint8_t>& app1, bool progressive = false) {
  std::vector<uint8_t> grey(24 * 16, 128);
  return testpics::EncodeJpeg(grey.data(), 24, 16, 1, 90, progressive, app1);
}

// Offset of the APP1 payload's TIFF header in a JPG made by JpegWith.
size_t TiffAt(const std::vector<uint8_t>&) { return 2 + 4 + 6; }

}  // namespace

TEST(JpegFrame, SizeOfBaselineAndProgressiveFrames) {
  for (bool progressive : {false, true}) {
    const std::vector<uint8_t> jpg = JpegWith({}, progressive);
    uint32_t w = 0, h = 0;
    EXPECT_EQ(FindJpegFrameMarker(jpg.data(), jpg.size(), &w, &h), nullptr) << progressive;
    EXPECT_EQ(w, 24u);
    EXPECT_EQ(h, 16u);
  }
}

TEST(JpegFrame, ErrorTexts) {
  uint32_t w, h;
  const uint8_t noSoi[8] = {0xFF, 0xD9, 0, 0, 0, 0, 0, 0};
  EXPECT_STREQ(FindJpegFrameMarker(noSoi, 8, &w, &h), "SOI marker not found");
  const uint8_t tiny[4] = {0xFF, 0xD8, 0xFF, 0xC0};
  EXPECT_STREQ(FindJpegFrameMarker(tiny, 4, &w, &h), "Not enough data");
  const uint8_t badMarker[8] = {0xFF, 0xD8, 0x12, 0xC0, 0, 0, 0, 0};
  EXPECT_STREQ(FindJpegFrameMarker(badMarker, 8, &w, &h), "Invalid marker");
  const uint8_t scanFirst[8] = {0xFF, 0xD8, 0xFF, 0xDA, 0, 8, 0, 0};
  EXPECT_STREQ(FindJpegFrameMarker(scanFirst, 8, &w, &h), "Did not find a SOF0 or SOF2 marker");
  const uint8_t longSkip[8] = {0xFF, 0xD8, 0xFF, 0xE0, 0x40, 0, 0, 0};
  EXPECT_STREQ(FindJpegFrameMarker(longSkip, 8, &w, &h), "Not enough data");
  const uint8_t shortFrame[10] = {0xFF, 0xD8, 0xFF, 0xC0, 0, 17, 8, 0, 16, 0};
  EXPECT_STREQ(FindJpegFrameMarker(shortFrame, 10, &w, &h), "Not enough data");
}

TEST(JpegExif, BothByteOrdersFillTheRecordAlike) {
  JpegExifInfo little, big;
  const std::vector<uint8_t> a = JpegWith(MakeExif(false));
  const std::vector<uint8_t> b = JpegWith(MakeExif(true));
  ASSERT_EQ(ParseJpegExif(a.data(), a.size(), &little), nullptr);
  ASSERT_EQ(ParseJpegExif(b.data(), b.size(), &big), nullptr);
  EXPECT_EQ(std::memcmp(&little, &big, sizeof little), 0);

  EXPECT_STREQ(little.cameraMake, "Acme Optics");
  EXPECT_STREQ(little.cameraModel, "Z7");
  EXPECT_EQ(little.exposureTime[0], 1u);
  EXPECT_EQ(little.exposureTime[1], 250u);
  EXPECT_EQ(little.fNumber[0], 56u);
  EXPECT_EQ(little.fNumber[1], 10u);
  EXPECT_EQ(little.exposureProgram, 3);
  EXPECT_EQ(little.isoSpeed, 400u);
  EXPECT_EQ(std::memcmp(&little.exifVersion, "0231", 4), 0);
  EXPECT_STREQ(little.dateTimeOriginal, "2024:05:06 07:08:09");
  EXPECT_EQ(little.exposureBiasNumerator, -1);
  EXPECT_EQ(little.exposureBiasDenominator, 3u);
  EXPECT_EQ(little.lightSource, 4);
  EXPECT_EQ(little.focalLength[0], 50u);
  EXPECT_EQ(little.pixelWidth, 6000u);
  EXPECT_EQ(little.pixelHeight, 4000u);
  EXPECT_EQ(little.whiteBalance, 1);
}

TEST(JpegExif, LongMakeIsCutTo19Characters) {
  const std::vector<uint8_t> jpg = JpegWith(MakeExif(false, MakeText(30)));
  JpegExifInfo info;
  ASSERT_EQ(ParseJpegExif(jpg.data(), jpg.size(), &info), nullptr);
  EXPECT_EQ(std::string(info.cameraMake), MakeText(19));
}

TEST(JpegExif, OutOfRangeEnumsReadAsZero) {
  std::vector<uint8_t> jpg = JpegWith(MakeExif(false));
  // Find the entries by tag (little-endian) and raise their values.
  auto patchShort = [&jpg](uint32_t tag, uint16_t v) {
    for (size_t i = TiffAt(jpg); i + 12 <= jpg.size(); ++i)
      if (jpg[i] == (tag & 0xFF) && jpg[i + 1] == tag >> 8 && jpg[i + 2] == 3 && jpg[i + 3] == 0) {
        jpg[i + 8] = uint8_t(v);
        jpg[i + 9] = uint8_t(v >> 8);
        return;
      }
    FAIL() << "tag " << tag;
  };
  patchShort(34850, 9);
  patchShort(37384, 25);
  patchShort(41987, 2);
  JpegExifInfo info;
  ASSERT_EQ(ParseJpegExif(jpg.data(), jpg.size(), &info), nullptr);
  EXPECT_EQ(info.exposureProgram, 0);
  EXPECT_EQ(info.lightSource, 0);
  EXPECT_EQ(info.whiteBalance, 0);
  EXPECT_EQ(info.isoSpeed, 400u);
}

// The last value of each list is kept (exposure program 8, light source 24, white balance 1);
// the 35 mm focal length is read as a short.  A text of up to four bytes with its terminator
// sits in the entry itself: "Z70" is read from there, and so is a one-letter text.
TEST(JpegExif, TheLastValueOfEachListIsKeptAndShortTextsSitInTheEntry) {
  std::vector<uint8_t> jpg = JpegWith(MakeExif(false));
  // The entry of a tag and type (little-endian).
  auto entry = [&jpg](uint32_t tag, uint32_t type) -> size_t {
    for (size_t i = TiffAt(jpg); i + 12 <= jpg.size(); ++i)
      if (jpg[i] == (tag & 0xFF) && jpg[i + 1] == tag >> 8 && jpg[i + 2] == type && jpg[i + 3] == 0) return i;
    ADD_FAILURE() << "tag " << tag;
    return 0;
  };
  auto patchShort = [&](uint32_t tag, uint16_t v) {
    const size_t at = entry(tag, 3);
    jpg[at + 8] = uint8_t(v);
    jpg[at + 9] = uint8_t(v >> 8);
  };
  patchShort(34850, 8);
  patchShort(37384, 24);
  const size_t balance = entry(41987, 3);
  jpg[balance] = 41989 & 0xFF;  // the white balance entry becomes the 35 mm focal length
  jpg[balance + 1] = 41989 >> 8;
  jpg[balance + 8] = 35;
  const size_t model = entry(272, 2);
  jpg[model + 4] = 4;  // four bytes: "Z70" and its terminator
  jpg[model + 8] = 'Z';
  jpg[model + 9] = '7';
  jpg[model + 10] = '0';
  jpg[model + 11] = 0;
  JpegExifInfo info;
  ASSERT_EQ(ParseJpegExif(jpg.data(), jpg.size(), &info), nullptr);
  EXPECT_EQ(info.exposureProgram, 8);
  EXPECT_EQ(info.lightSource, 24);
  EXPECT_EQ(info.focalLength35mm, 35);
  EXPECT_STREQ(info.cameraModel, "Z70");
  jpg[model + 4] = 2;  // "Z" alone
  jpg[model + 9] = 0;
  ASSERT_EQ(ParseJpegExif(jpg.data(), jpg.size(), &info), nullptr);
  EXPECT_STREQ(info.cameraModel, "Z");
  jpg[model + 4] = 1;  // the terminator alone: nothing
  ASSERT_EQ(ParseJpegExif(jpg.data(), jpg.size(), &info), nullptr);
  EXPECT_STREQ(info.cameraModel, "");
}

TEST(JpegExif, ErrorTexts) {
  JpegExifInfo info;
  const std::vector<uint8_t> plain = JpegWith({});
  EXPECT_STREQ(ParseJpegExif(plain.data(), plain.size(), &info), "APP1 marker not found");

  std::vector<uint8_t> other = {'X', 'M', 'P', ' ', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::vector<uint8_t> jpg = JpegWith(other);
  EXPECT_STREQ(ParseJpegExif(jpg.data(), jpg.size(), &info), "Exif string not found");

  const std::vector<uint8_t> good = JpegWith(MakeExif(false));
  const size_t tiff = TiffAt(good);
  struct Damage {
    size_t at;
    std::vector<uint8_t> bytes;
    const char* text;
  } damages[] = {
      {tiff, {'X', 'X'}, "Unknown endian"},
      {tiff + 4, {4, 0, 0, 0}, "Invalid IFD offset"},
      {tiff + 4, {0xF0, 0xFF, 0, 0}, "TIFF count not found"},
      {tiff + 8, {0, 0}, "TIFF count is zero"},
      {tiff + 8, {0xFF, 0x0F}, "Too many TIFF blocks"},
      {tiff + 10, {0x11, 0x11}, nullptr},  // make tag changed: still parses
      {tiff + 10 + 24, {0x22, 0x22}, "Exif offset not found"},
  };
  for (const Damage& d : damages) {
    std::vector<uint8_t> b = good;
    std::memcpy(&b[d.at], d.bytes.data(), d.bytes.size());
    const char* text = ParseJpegExif(b.data(), b.size(), &info);
    if (d.text) {
      EXPECT_STREQ(text, d.text) << d.at;
    } else {
      EXPECT_EQ(text, nullptr);
      EXPECT_EQ(info.cameraMake[0], 0);
    }
  }
  // A TIFF block of its 8-byte header alone is long enough to be read (it then lacks IFD 0's
  // count); one byte shorter is not.
  const std::vector<uint8_t> header = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
  jpg = JpegWith(header);
  EXPECT_STREQ(ParseJpegExif(jpg.data(), jpg.size(), &info), "TIFF count not found");
  jpg = JpegWith(std::vector<uint8_t>(header.begin(), header.end() - 1));
  EXPECT_STREQ(ParseJpegExif(jpg.data(), jpg.size(), &info), "Not enough data");
  // The EXIF directory's count: its offset sits in the third IFD 0 entry.
  const size_t exifOffsetField = tiff + 10 + 24 + 8;
  const uint32_t exifAt = good[exifOffsetField] | good[exifOffsetField + 1] << 8;
  std::vector<uint8_t> b = good;
  b[tiff + exifAt] = b[tiff + exifAt + 1] = 0;
  EXPECT_STREQ(ParseJpegExif(b.data(), b.size(), &info), "Exif count is zero");
  b[tiff + exifAt] = b[tiff + exifAt + 1] = 0xFF;
  EXPECT_STREQ(ParseJpegExif(b.data(), b.size(), &info), "Too many Exif blocks");
  b = good;
  b[exifOffsetField] = 0xF0;
  b[exifOffsetField + 1] = 0xFF;
  EXPECT_STREQ(ParseJpegExif(b.data(), b.size(), &info), "Exif count not found");
  // A directory at the block's last byte has no room for its two-byte count.
  const size_t tiffSize = size_t(good[4] << 8 | good[5]) - 2 - 6;
  b = good;
  b[exifOffsetField] = uint8_t(tiffSize - 1);
  b[exifOffsetField + 1] = uint8_t((tiffSize - 1) >> 8);
  EXPECT_STREQ(ParseJpegExif(b.data(), b.size(), &info), "Exif count not found");
  // So has IFD 0 at the block's last byte.
  b = good;
  b[tiff + 4] = uint8_t(tiffSize - 1);
  b[tiff + 5] = uint8_t((tiffSize - 1) >> 8);
  EXPECT_STREQ(ParseJpegExif(b.data(), b.size(), &info), "TIFF count not found");
}

TEST(JpegExif, EveryTruncationGivesATextNotACrash) {
  const std::vector<uint8_t> good = JpegWith(MakeExif(true));
  JpegExifInfo info;
  uint32_t w, h;
  for (size_t n = 0; n < 400 && n < good.size(); ++n) {
    const std::vector<uint8_t> cut(good.begin(), good.begin() + n);
    ParseJpegExif(cut.data(), cut.size(), &info);
    FindJpegFrameMarker(cut.data(), cut.size(), &w, &h);
  }
  // A segment length pointing past the end is caught too.
  std::vector<uint8_t> b = good;
  b[4] = 0xFF;
  b[5] = 0xFF;
  EXPECT_STREQ(FindJpegFrameMarker(b.data(), b.size(), &w, &h), "Not enough data");
}
