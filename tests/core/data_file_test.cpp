// data_file_test.cpp - the data-file container in its four modes, its errors, and the file helpers.
#include "core/data_file.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "core/data_fields.h"
#include "core/log.h"
#include "core/process.h"
#include "tests/platform/open_descriptors.h"
#include "report_recorder.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

std::string FreshFolder(const char* name) {
  const std::string folder = std::string("data_file_test/") + name;
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes Header(const char* magic, uint8_t high, uint8_t low) {
  Bytes b(magic, magic + 6);
  b.push_back(high);
  b.push_back(low);
  return b;
}

// A small format: every write operation once, so the modes can be compared byte for byte.
void WriteSample(DataFile& df) {
  df.WriteInt(0x11223344);
  df.WriteByte(0x1FE);  // the low byte only
  df.WriteInt(-2);
  df.WriteFloat(1.5f);
  df.WriteFixedString("abc", 8);
  df.WriteFixedString("twenty characters!!!", 8);
  df.WriteWords(7);
  const uint8_t block[3] = {7, 8, 9};
  df.WriteBlock(block, 3);
}
const Bytes SAMPLE_BODY = {0x44, 0x33, 0x22, 0x11,                         // the int, little-endian
                           0xFE,                                           // the byte
                           0xFE, 0xFF, 0xFF, 0xFF,                         // -2
                           0x00, 0x00, 0xC0, 0x3F,                         // 1.5f
                           'a',  'b',  'c',  0,    0,    0,    0,    0,    // "abc" in 8
                           't',  'w',  'e',  'n',  't',  'y',  ' ',  0,    // 7 characters and a zero
                           0,    0,    0,    0,                            // one reserved word
                           7,    8,    9};

// Reads the sample back: true when every value came back and the record did not run short.
bool ReadSample(DataFile& df) {
  bool same = df.ReadInt() == 0x11223344;
  same &= df.ReadByte() == 0xFE;
  same &= df.ReadShort() == -2;  // sign-extended
  same &= df.ReadShort() == -1;
  same &= df.ReadFloat() == 1.5f;
  char text[8];
  df.ReadBlock(text, 8);
  same &= std::strcmp(text, "abc") == 0;
  df.ReadBlock(text, 8);
  same &= std::strcmp(text, "twenty ") == 0;
  same &= df.Skip(4) == 1;
  uint8_t block[3];
  same &= df.ReadBlock(block, 3) == 1 && block[2] == 9;
  return same && !df.readPastEnd;
}

void UseTestLog() {
  fs::create_directories("data_file_test");
  SetLogFileName("data_file_test/test.log");
  std::remove(CurrentLogPath());
}

std::string LogText() {
  std::ifstream in(CurrentLogPath());
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST(DataFileModes, FileAndCountThenMemoryWritersProduceTheSameBytes) {
  const std::string root = FreshFolder("modes");
  const std::string path = root + "/sample.bin";
  DataFile df{};
  ASSERT_EQ(df.OpenWrite(nullptr, path.c_str(), "ZKTTST", 0x0102), 1);
  WriteSample(df);
  ASSERT_EQ(df.Close(), 1);
  Bytes expected = Header("ZKTTST", 0x01, 0x02);  // version high byte first
  expected.insert(expected.end(), SAMPLE_BODY.begin(), SAMPLE_BODY.end());
  EXPECT_EQ(ReadBytes(path), expected);

  DataFile mem{};
  EXPECT_EQ(mem.BeginMemoryWrite(0, nullptr), nullptr);
  WriteSample(mem);
  EXPECT_EQ(mem.size, static_cast<int32_t>(8 + SAMPLE_BODY.size()));
  int failed = 0;
  EXPECT_EQ(mem.BeginMemoryWrite(1, &failed), nullptr);
  WriteSample(mem);
  EXPECT_EQ(mem.FinishMemoryWrite(), 1);
  EXPECT_EQ(Bytes(mem.buffer, mem.cursor), SAMPLE_BODY);

  mem.StartMemoryRead();  // a memory-written body read back, then freed by Close
  EXPECT_TRUE(ReadSample(mem));
  EXPECT_EQ(mem.Close(), 1);
  EXPECT_EQ(mem.buffer, nullptr);
  EXPECT_EQ(failed, 0);
}

TEST(DataFileModes, MemoryAndStreamingReadersReadWhatWasWritten) {
  const std::string root = FreshFolder("read");
  const std::string path = root + "/sample.bin";
  Bytes file = Header("ZKTTST", 0, 3);
  file.insert(file.end(), SAMPLE_BODY.begin(), SAMPLE_BODY.end());
  WriteBytes(path, file);

  for (int keepStreaming = 0; keepStreaming < 2; ++keepStreaming) {
    DataFile df{};
    int32_t version = -1;
    ASSERT_EQ(df.OpenRead(nullptr, path.c_str(), "ZKTTST", &version, 3, keepStreaming), 1);
    EXPECT_NE(df.file, nullptr);
    EXPECT_EQ(version, 3);
    EXPECT_EQ(df.mode, keepStreaming ? DATA_FILE_STREAM : DATA_FILE_MEMORY_READ);
    if (!keepStreaming) {
      EXPECT_EQ(df.size, static_cast<int32_t>(file.size()));
    }
    EXPECT_TRUE(ReadSample(df));
    EXPECT_EQ(df.ReadByte(), -1);  // the end, in either mode
    EXPECT_EQ(df.ReadInt(), 0);
    EXPECT_TRUE(df.readPastEnd);
    df.Close();

    // A skip over the end is refused and marks the record short in either mode.
    ASSERT_EQ(df.OpenRead(nullptr, path.c_str(), "ZKTTST", &version, 3, keepStreaming), 1);
    EXPECT_EQ(df.Skip(static_cast<int>(SAMPLE_BODY.size()) - 1), 1);
    EXPECT_FALSE(df.readPastEnd);
    EXPECT_EQ(df.Skip(2), 0);
    EXPECT_TRUE(df.readPastEnd);
    EXPECT_EQ(df.ReadByte(), -1);
    df.Close();
    EXPECT_EQ(df.file, nullptr);
  }

  DataFile fromMemory{};
  ASSERT_EQ(fromMemory.OpenReadMemory(nullptr, file.data(), file.size(), "ZKTTST", nullptr, 3), 1);
  EXPECT_TRUE(ReadSample(fromMemory));
  fromMemory.Close();
}

TEST(DataFileErrors, EachFailureGivesItsCodeAndText) {
  const std::string root = FreshFolder("errors");
  DataFile df{};
  int32_t version = 0;

  EXPECT_STREQ(df.OpenAndCheckHeader((root + "/missing.bin").c_str(), "ZKTTST", &version, 5), TEXT_COULD_NOT_OPEN_FILE);
  EXPECT_EQ(LastDataFileError, DATA_FILE_NOT_FOUND);
  EXPECT_EQ(df.file, nullptr);

  Bytes later = Header("ZKTTST", 0, 6);
  later.push_back(1);
  WriteBytes(root + "/later.bin", later);
  EXPECT_EQ(df.OpenRead(nullptr, (root + "/later.bin").c_str(), "ZKTTST", &version, 5, 0), 0);
  EXPECT_EQ(LastDataFileError, DATA_FILE_LATER_VERSION);
  EXPECT_STREQ(df.OpenAndCheckHeader((root + "/later.bin").c_str(), "ZKTTST", &version, 5), TEXT_FILE_LATER_VERSION);
  EXPECT_EQ(df.OpenRead(nullptr, (root + "/later.bin").c_str(), "ZKTTST", &version, 6, 0), 1);  // equal is accepted
  EXPECT_EQ(LastDataFileError, DATA_FILE_OK);
  df.Close();

  // A reader whose lowest version is 7 refuses version 6.
  ASSERT_EQ(df.OpenRead(nullptr, (root + "/later.bin").c_str(), "ZKTTST", &version, 9, 0), 1);
  EXPECT_EQ(df.CheckLowestVersion(nullptr, "later.bin", version, 7), 0);
  EXPECT_EQ(LastDataFileError, DATA_FILE_OBSOLETE);
  EXPECT_EQ(df.file, nullptr);

  EXPECT_EQ(df.OpenRead(nullptr, (root + "/later.bin").c_str(), "ZKTTSU", &version, 9, 0), 0);  // last byte differs
  EXPECT_EQ(LastDataFileError, DATA_FILE_WRONG_TYPE);
  WriteBytes(root + "/seven.bin", Bytes{'Z', 'K', 'T', 'T', 'S', 'T', 0});
  EXPECT_STREQ(df.OpenAndCheckHeader((root + "/seven.bin").c_str(), "ZKTTST", &version, 9), TEXT_FILE_FAILED_HEADER);
  EXPECT_EQ(LastDataFileError, DATA_FILE_WRONG_TYPE);

  // Header only: too short in memory mode, readable (as nothing) when streaming.
  WriteBytes(root + "/empty.bin", Header("ZKTTST", 0, 1));
  EXPECT_EQ(df.OpenRead(nullptr, (root + "/empty.bin").c_str(), "ZKTTST", &version, 9, 0), 0);
  EXPECT_EQ(LastDataFileError, DATA_FILE_TOO_SHORT);
  EXPECT_EQ(df.file, nullptr);
  ASSERT_EQ(df.OpenRead(nullptr, (root + "/empty.bin").c_str(), "ZKTTST", &version, 9, 1), 1);
  EXPECT_EQ(df.ReadByte(), -1);
  EXPECT_EQ(df.ReadShort(), 0);
  EXPECT_EQ(df.ReadInt(), 0);
  EXPECT_EQ(df.ReadFloat(), 0.0f);
  df.Close();
}

TEST(DataFileErrors, VersionIsReadHighByteFirst) {
  const std::string root = FreshFolder("version");
  DataFile df{};
  int32_t version = 0;
  WriteBytes(root + "/a.bin", Header("QXVEHI", 0x00, 0xFC));
  EXPECT_EQ(df.OpenAndCheckHeader((root + "/a.bin").c_str(), "QXVEHI", &version, 65535), nullptr);
  EXPECT_EQ(version, 252);
  df.Close();
  WriteBytes(root + "/b.bin", Header("QXVEHI", 0xFC, 0x00));
  EXPECT_EQ(df.OpenAndCheckHeader((root + "/b.bin").c_str(), "QXVEHI", &version, 65535), nullptr);
  EXPECT_EQ(version, 64512);
  df.Close();
}

TEST(DataFileErrors, FailuresAreShownOnTheReportPageWithThePath) {
  ReportRecorder recorder;
  const std::string root = FreshFolder("report");
  WriteBytes(root + "/short.bin", Header("ZKTTST", 0, 1));
  DataFile df{};
  Prss pageRecord{};
  Prss* page = &pageRecord;
  EXPECT_EQ(df.OpenRead(page, (root + "/short.bin").c_str(), "ZKTTST", nullptr, 1, 0), 0);
  EXPECT_EQ(df.OpenWrite(page, (root + "/no/such/folder.bin").c_str(), "ZKTTST", 1), 0);
  EXPECT_EQ(df.file, nullptr);
  EXPECT_EQ(df.OpenRead(nullptr, (root + "/short.bin").c_str(), "ZKTTST", nullptr, 1, 0), 0);  // no page: no box
  // A file that cannot be opened and one of a later version: the reason first, the path under it.
  EXPECT_EQ(df.OpenRead(page, (root + "/missing.bin").c_str(), "ZKTTST", nullptr, 1, 0), 0);
  Bytes later = Header("ZKTTST", 0, 6);
  later.push_back(1);
  WriteBytes(root + "/later.bin", later);
  EXPECT_EQ(df.OpenRead(page, (root + "/later.bin").c_str(), "ZKTTST", nullptr, 5, 0), 0);
  const auto& boxes = ReportRecorder::Reports().boxes;
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0], "File is too short :|" + root + "/short.bin");
  EXPECT_EQ(boxes[1], "Could not create file :|" + root + "/no/such/folder.bin : No such file or directory");
  EXPECT_EQ(boxes[2], "Could not open file :|" + root + "/missing.bin");
  EXPECT_EQ(boxes[3], "File was created by a later version :|" + root + "/later.bin");
}

// A file whose body reads back shorter than its measured length is refused as too short, and
// the body taken for it is given back (the sanitized build's leak check sees it otherwise).
// Sysfs measures every attribute as one page, though the loopback device's address reads
// "00:00:00:00:00:00\n", 18 bytes: "00:00:" passes as the magic and "00" as version
// 0x3030, and of the 4096 - 8 = 4088 body bytes asked for only 18 - 8 = 10 come.
TEST(DataFileErrors, ABodyThatReadsShorterThanTheFileMeasuresIsTooShort) {
  const char* path = "/sys/class/net/lo/address";
  ASSERT_GT(fs::file_size(path), 18u);
  ReportRecorder recorder;
  DataFile df{};
  int32_t version = 0;
  EXPECT_EQ(df.OpenRead(nullptr, path, "00:00:", &version, 0x3030, 0), 0);
  EXPECT_EQ(version, 0x3030);
  EXPECT_EQ(LastDataFileError, DATA_FILE_TOO_SHORT);
  EXPECT_EQ(df.file, nullptr);
  Prss pageRecord{};
  EXPECT_EQ(df.OpenRead(&pageRecord, path, "00:00:", nullptr, 0x3030, 0), 0);
  EXPECT_EQ(LastDataFileError, DATA_FILE_TOO_SHORT);
  const auto& boxes = ReportRecorder::Reports().boxes;
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], std::string("File is too short :|") + path);
}

// Every save that fails is told where the user is: a message line with the file's name and
// the system's reason (whether the caller has a page or not), the box too on a page that
// shows no sub-screen, and standard error while there is no window (none in this test).
TEST(DataFileErrors, AFailedSaveIsAMessageLineWithTheFileNameAndOnStandardError) {
  ReportRecorder recorder;
  const std::string root = FreshFolder("save_failures");
  const std::string missing = root + "/no/such/folder.bin";
  DataFile df{};
  testing::internal::CaptureStderr();
  EXPECT_EQ(df.OpenWrite(nullptr, missing.c_str(), "ZKTTST", 1), 0);
  std::string said = testing::internal::GetCapturedStderr();
  const RecordedReports& r = ReportRecorder::Reports();
  ASSERT_EQ(r.lines.size(), 1u);
  EXPECT_EQ(r.lines[0], "1|-1|Could not create file : ^L" + missing + "^8 : No such file or directory");
  EXPECT_TRUE(r.boxes.empty());
  EXPECT_EQ(said, "Could not create file : " + missing + " : No such file or directory\n");

  // A commit that fails: the line names the file; a page shows its box as well.
  const std::string path = root + "/kept.bin";
  Prss pageRecord{};
  FilesInjectCommitFailures(1, ENOSPC);
  ASSERT_EQ(df.OpenWrite(&pageRecord, path.c_str(), "ZKTTST", 1), 1);
  df.WriteInt(7);
  testing::internal::CaptureStderr();
  EXPECT_EQ(df.Close(), 0);
  said = testing::internal::GetCapturedStderr();
  ASSERT_EQ(r.lines.size(), 2u);
  EXPECT_EQ(r.lines[1], "1|-1|Could not write file : ^L" + path + "^8 : No space left on device");
  ASSERT_EQ(r.boxes.size(), 1u);
  EXPECT_EQ(r.boxes[0], "Could not write file :|" + path + " : No space left on device");
  EXPECT_EQ(said, "Could not write file : " + path + " : No space left on device\n");

  // A page with a sub-screen open shows no box over it: the line says it alone.  A caret in
  // the name is kept as a caret.
  Prss sub{};
  pageRecord.sub = &sub;
  const std::string caret = root + "/no/a^1b.bin";
  testing::internal::CaptureStderr();
  EXPECT_EQ(df.OpenWrite(&pageRecord, caret.c_str(), "ZKTTST", 1), 0);
  testing::internal::GetCapturedStderr();
  ASSERT_EQ(r.lines.size(), 3u);
  EXPECT_EQ(r.lines[2], "1|-1|Could not create file : ^L" + root + "/no/a^^1b.bin^8 : No such file or directory");
  EXPECT_EQ(r.boxes.size(), 1u);
}

TEST(DataFileBounds, ReadsPastTheBodyGiveZeroAndMarkTheRecordShort) {
  const Bytes image = {'Z', 'K', 'T', 'T', 'S', 'T', 0, 1, 0x01, 0x02, 0x03};
  DataFile df{};
  ASSERT_EQ(df.OpenReadMemory(nullptr, image.data(), image.size(), "ZKTTST", nullptr, 1), 1);
  EXPECT_EQ(df.ReadInt(), 0);  // only three bytes there
  EXPECT_TRUE(df.readPastEnd);
  EXPECT_EQ(df.ReadByte(), -1);
  EXPECT_EQ(df.ReadShort(), 0);
  uint8_t block[4] = {9, 9, 9, 9};
  EXPECT_EQ(df.ReadBlock(block, 4), 0);
  EXPECT_EQ(block[0], 0);
  EXPECT_EQ(df.Skip(1), 0);
  df.Close();

  ASSERT_EQ(df.OpenReadMemory(nullptr, image.data(), image.size(), "ZKTTST", nullptr, 1), 1);
  EXPECT_EQ(df.ReadShort(), 0x0201);
  EXPECT_EQ(df.Skip(-2), 1);
  EXPECT_EQ(df.Skip(-1), 0);  // not before the body
  EXPECT_EQ(df.ReadBlock(block, 3), 1);
  EXPECT_EQ(block[2], 3);
  EXPECT_FALSE(df.readPastEnd);
  // At the end a block of no bytes is all there; a negative one is refused, reading nothing.
  block[0] = 7;
  EXPECT_EQ(df.ReadBlock(block, 0), 1);
  EXPECT_EQ(df.ReadBlock(block, -1), 0);
  EXPECT_EQ(block[0], 7);
  EXPECT_FALSE(df.readPastEnd);
  df.Close();

  // A block cut short by the end keeps the bytes that are there and zeroes the rest.
  ASSERT_EQ(df.OpenReadMemory(nullptr, image.data(), image.size(), "ZKTTST", nullptr, 1), 1);
  EXPECT_EQ(df.ReadByte(), 0x01);
  uint8_t cut[4] = {9, 9, 9, 9};
  EXPECT_EQ(df.ReadBlock(cut, 4), 0);
  EXPECT_EQ(cut[0], 0x02);
  EXPECT_EQ(cut[1], 0x03);
  EXPECT_EQ(cut[2], 0);
  EXPECT_EQ(cut[3], 0);
  df.Close();
}

TEST(DataFileBounds, AStreamAskedHowMuchIsLeftReadsOnFromWhereItWas) {
  const std::string root = FreshFolder("bytes_left");
  Bytes image = Header("ZKTTST", 0, 1);
  for (uint8_t b = 1; b <= 10; ++b) image.push_back(b);
  WriteBytes(root + "/f.bin", image);
  DataFile df{};
  ASSERT_EQ(df.OpenRead(nullptr, (root + "/f.bin").c_str(), "ZKTTST", nullptr, 1, 1), 1);
  EXPECT_EQ(df.ReadByte(), 1);
  EXPECT_EQ(df.ReadByte(), 2);
  EXPECT_EQ(df.BytesLeft(), 8);
  EXPECT_EQ(df.ReadByte(), 3) << "the position is kept";
  EXPECT_EQ(df.BytesLeft(), 7);
  uint8_t cut[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(df.ReadBlock(cut, 8), 0);  // seven there
  EXPECT_EQ(cut[6], 10);
  EXPECT_EQ(cut[7], 0);
  EXPECT_TRUE(df.readPastEnd);
  EXPECT_EQ(df.BytesLeft(), 0);
  df.Close();
}

TEST(DataFileBounds, EveryTruncationOfAFileIsSeenByItsReader) {
  Bytes good = Header("ZKTTST", 0, 1);
  good.insert(good.end(), SAMPLE_BODY.begin(), SAMPLE_BODY.end());
  for (size_t n = 0; n < good.size(); ++n) {
    const Bytes cut(good.begin(), good.begin() + n);  // a fresh copy so ASan sees its end
    DataFile df{};
    if (!df.OpenReadMemory(nullptr, cut.data(), cut.size(), "ZKTTST", nullptr, 1)) {
      EXPECT_NE(LastDataFileError, DATA_FILE_OK) << n;
      continue;
    }
    EXPECT_FALSE(ReadSample(df)) << n;
    df.Close();
  }
}

TEST(DataFileBounds, AGroupOfAtMostNBytesReadsAsFieldByFieldWholeOrCut) {
  // A group whose first byte says how many words follow (at most 3: 13 bytes), then a short.
  const auto group = [](auto& in, std::vector<int64_t>& seen) {
    const int count = in.ReadByte();
    seen.push_back(count);
    for (int i = 0; i < count && i < 3; ++i) seen.push_back(in.ReadInt());
    seen.push_back(in.ReadShort());
  };
  Bytes body = {2, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0x34, 0x12, 3, 9, 0, 0, 0, 8, 0, 0, 0, 7, 0, 0, 0, 1, 0};
  const std::string folder = FreshFolder("fields_up_to");
  for (size_t n = 0; n <= body.size(); ++n) {
    Bytes image = Header("ZKTTST", 0, 1);
    image.insert(image.end(), body.begin(), body.begin() + long(n));
    // The same group read three ways: grouped and field by field from memory, grouped from a file.
    std::vector<int64_t> seen[3];
    for (int way = 0; way < 3; ++way) {
      DataFile df{};
      if (way < 2) {
        if (!df.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "ZKTTST", nullptr, 1)) continue;
      } else {
        WriteBytes(folder + "/f.bin", image);
        ASSERT_EQ(df.OpenRead(nullptr, (folder + "/f.bin").c_str(), "ZKTTST", nullptr, 1, 1), 1);
      }
      for (int g = 0; g < 2; ++g) {
        if (way == 1)
          group(df, seen[way]);
        else
          ReadFieldsUpTo(df, 15, [&](auto& in) { group(in, seen[way]); });
        seen[way].insert(seen[way].end(), {df.readPastEnd, df.BytesLeft()});
      }
      df.Close();
    }
    if (n == 0) continue;  // an empty body is refused as too short
    EXPECT_EQ(seen[0], seen[1]) << "cut at " << n;
    EXPECT_EQ(seen[2], seen[1]) << "cut at " << n;
  }
  // Whole: the first group ends after its two words and the short, the second after three.
  DataFile df{};
  Bytes image = Header("ZKTTST", 0, 1);
  image.insert(image.end(), body.begin(), body.end());
  ASSERT_EQ(df.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "ZKTTST", nullptr, 1), 1);
  std::vector<int64_t> seen;
  ReadFieldsUpTo(df, 15, [&](auto& in) { group(in, seen); });
  EXPECT_EQ(seen, (std::vector<int64_t>{2, 1, 0x7FFFFFFF, 0x1234}));
  EXPECT_EQ(df.BytesLeft(), int64_t(body.size()) - 11);
  df.Close();
}

TEST(DataFileBounds, AMemoryWriteBeyondTheCountedSizeIsRefused) {
  DataFile df{};
  df.BeginMemoryWrite(0, nullptr);
  df.WriteInt(1);
  ASSERT_EQ(df.BeginMemoryWrite(1, nullptr), nullptr);
  df.WriteInt(1);
  df.WriteInt(2);  // the second pass writes more than the first counted
  df.WriteByte(3);
  EXPECT_TRUE(df.writeFailed);
  EXPECT_EQ(df.FinishMemoryWrite(), 0);
  uint8_t* buffer = df.buffer;
  EXPECT_EQ(df.Close(), 0);
  EXPECT_EQ(df.buffer, buffer);  // a mode-5 buffer belongs to its caller
  std::free(buffer);

  df.BeginMemoryWrite(0, nullptr);
  df.WriteInt(1);
  df.WriteInt(2);
  df.BeginMemoryWrite(1, nullptr);
  df.WriteInt(1);  // fewer bytes than counted
  EXPECT_EQ(df.FinishMemoryWrite(), 0);
  std::free(df.buffer);
}

TEST(DataFileWrites, AMemoryBodyIsWhatBothPassesAgreeOnAndAnImageReadsBack) {
  const Bytes body = MemoryWriteBody([](DataFile& f) {
    f.WriteInt(0x01020304);
    f.WriteByte(9);
  });
  EXPECT_EQ(body, (Bytes{4, 3, 2, 1, 9}));
  int pass = 0;
  EXPECT_TRUE(MemoryWriteBody([&](DataFile& f) { f.WriteWords(4 * ++pass); }).empty())
      << "a second pass that differs from the count gives nothing";

  const Bytes image = DataFileImage("ZKTPLY", body, 0x0107);
  EXPECT_EQ(Bytes(image.begin(), image.begin() + DATA_FILE_HEADER_SIZE), Header("ZKTPLY", 1, 7));
  DataFile df;
  int32_t version = 0;
  ASSERT_EQ(df.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "ZKTPLY", &version, 0x0107), 1);
  EXPECT_EQ(version, 0x0107);
  EXPECT_EQ(df.ReadInt(), 0x01020304);
  EXPECT_EQ(df.ReadByte(), 9);
  df.Close();
}

TEST(DataFileWrites, AFailedFileWriteKeepsThePreviousFileAndReportsIt) {
  UseTestLog();
  const std::string root = FreshFolder("failed_write");
  const std::string path = root + "/player.ply";
  Bytes previous = Header("ZKTPLY", 0, 7);
  previous.push_back(42);
  WriteBytes(path, previous);

  FilesInjectCommitFailures(1, ENOSPC);
  DataFile df{};
  ASSERT_EQ(df.OpenWrite(nullptr, path.c_str(), "ZKTPLY", 7), 1);
  WriteSample(df);
  EXPECT_EQ(df.Close(), 0);
  EXPECT_EQ(ReadBytes(path), previous);
  EXPECT_NE(LogText().find("Could not write file : " + path), std::string::npos);

  ASSERT_EQ(df.OpenWrite(nullptr, path.c_str(), "ZKTPLY", 7), 1);  // abandoned by its writer
  WriteSample(df);
  df.Abandon();
  EXPECT_EQ(ReadBytes(path), previous);
  for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path()))
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}

TEST(DataFileWrites, FixedStringsAndReservedWordsHaveTheirWidths) {
  DataFile df{};
  df.BeginMemoryWrite(0, nullptr);
  df.WriteWords(7);
  EXPECT_EQ(df.size, 8 + 4);
  df.WriteFixedString(nullptr, 3);
  df.WriteFixedString("x", 0);
  EXPECT_EQ(df.size, 8 + 4 + 3);
  std::string longText(300, 'k');
  df.WriteFixedString(longText.c_str(), 300);  // wider than the stack field
  df.BeginMemoryWrite(1, nullptr);
  df.WriteWords(7);
  df.WriteFixedString(nullptr, 3);
  df.WriteFixedString("x", 0);
  df.WriteFixedString(longText.c_str(), 300);
  EXPECT_EQ(df.FinishMemoryWrite(), 1);
  EXPECT_EQ(df.buffer[7 + 299], 0);
  EXPECT_EQ(df.buffer[7 + 298], 'k');
  std::free(df.buffer);
}

TEST(FileHelpers, CompareFilesIsEqualOnlyWhenBothEndTogether) {
  const std::string root = FreshFolder("compare");
  WriteBytes(root + "/a", Bytes(20000, 5));
  Bytes longer(20000, 5);
  longer.push_back(5);
  WriteBytes(root + "/b", longer);
  WriteBytes(root + "/c", Bytes(20000, 5));
  WriteBytes(root + "/e1", Bytes());
  WriteBytes(root + "/e2", Bytes());
  EXPECT_EQ(CompareFiles((root + "/a").c_str(), (root + "/b").c_str()), 2);
  EXPECT_EQ(CompareFiles((root + "/b").c_str(), (root + "/a").c_str()), 2);
  EXPECT_EQ(CompareFiles((root + "/a").c_str(), (root + "/c").c_str()), 1);
  EXPECT_EQ(CompareFiles((root + "/e1").c_str(), (root + "/e2").c_str()), 1);
  EXPECT_EQ(CompareFiles((root + "/a").c_str(), (root + "/none").c_str()), 0);
  longer[19999] = 6;
  WriteBytes(root + "/d", Bytes(longer.begin(), longer.end() - 1));
  EXPECT_EQ(CompareFiles((root + "/a").c_str(), (root + "/d").c_str()), 2);
}

TEST(FileHelpers, CopyKeepTimeSkipsAnUpToDateCopy) {
  ReportRecorder recorder;
  const std::string root = FreshFolder("copy");
  const std::string a = root + "/a.set", b = root + "/b.set";
  WriteBytes(a, Bytes{1, 2, 3});
  ASSERT_TRUE(SetFileWriteTime(a.c_str(), 131000000000000000ull));
  int skipped = 0;
  EXPECT_EQ(CopyFileKeepTime(a.c_str(), b.c_str(), &skipped), 1);
  EXPECT_EQ(skipped, 0);
  EXPECT_EQ(ReadBytes(b), (Bytes{1, 2, 3}));
  WriteBytes(b, Bytes{9});  // same time again after the edit: not copied
  ASSERT_TRUE(SetFileWriteTime(b.c_str(), 131000000000000000ull));
  EXPECT_EQ(CopyFileKeepTime(a.c_str(), b.c_str(), &skipped), 1);
  EXPECT_EQ(skipped, 1);
  EXPECT_EQ(ReadBytes(b), Bytes{9});
  EXPECT_EQ(CopyFileKeepTime((root + "/none").c_str(), b.c_str(), &skipped), 0);
  ASSERT_EQ(ReportRecorder::Reports().lines.size(), 1u);
  EXPECT_EQ(ReportRecorder::Reports().lines[0],
            std::to_string(REPORT_ERROR) + "|-1|Could not copy file : " + root + "/none");
  EXPECT_EQ(CopyFileSimple(a.c_str(), (root + "/c.set").c_str(), 0), 1);
  EXPECT_EQ(CompareFiles(a.c_str(), (root + "/c.set").c_str()), 1);
}

TEST(FileHelpers, TimesProbesAndRenames) {
  const std::string root = FreshFolder("helpers");
  const std::string f = root + "/f.txt";
  WriteBytes(f, Bytes{1});
  ASSERT_EQ(SetFileWriteTime(f.c_str(), 600000000ull * 220000123 + 599999999ull), 1);
  EXPECT_EQ(FileTimeMinutes(f.c_str()), 220000123u);
  uint64_t time = 0;
  EXPECT_EQ(GetFileWriteTime(f.c_str(), &time), 1);
  EXPECT_EQ(time, 600000000ull * 220000123 + 599999999ull);
  EXPECT_EQ(FileTimeMinutes((root + "/none").c_str()), 0u);
  EXPECT_EQ(GetFileWriteTime((root + "/none").c_str(), &time), 0);

  EXPECT_EQ(CanAppendToFile((root + "/probe.fl").c_str()), 1);
  EXPECT_TRUE(fs::exists(root + "/probe.fl"));
  EXPECT_EQ(CanAppendToFile((root + "/no/probe.fl").c_str()), 0);

  EXPECT_EQ(RenameFileReport(f.c_str(), (root + "/g.txt").c_str()), nullptr);
  EXPECT_STREQ(RenameFileReport(f.c_str(), (root + "/h.txt").c_str()), "Not found");
  EXPECT_STREQ(RenameFileReport((root + "/g.txt").c_str(), (root + "/probe.fl").c_str()), "Access denied");
}

TEST(FileHelpers, ModVehicleNamesStayInsideTheModsFolder) {
  fs::remove_all("mods");
  fs::create_directories("mods/vehicles/ABC");
  std::ofstream("mods/vehicles/ABC/ABC.veh") << "v";
  EXPECT_EQ(ModVehicleFileExists("ABC"), 1);
  EXPECT_EQ(ModVehicleFileExists("abc"), 1);  // made on a case-blind system
  EXPECT_EQ(ModVehicleFileExists("XYZ"), 0);
  EXPECT_EQ(ModVehicleFileExists(".."), 0);
  EXPECT_EQ(ModVehicleFileExists("ABC\\..\\ABC"), 0);
  fs::remove_all("mods");
}

TEST(DataFileWrites, RimWordsAreEightBytesOfLowHalvesInEveryMode) {
  // High halves that must not reach the file, and a word whose high byte of the low half is set.
  const uint32_t words[4] = {0x12345678u, 0xFFFF0001u, 0x00000010u, 0xABCD80FFu};
  const Bytes want = {0x78, 0x56, 0x01, 0x00, 0x10, 0x00, 0xFF, 0x80};

  const std::string path = FreshFolder("rim_words") + "/rim.bin";
  DataFile file{};
  ASSERT_EQ(file.OpenWrite(nullptr, path.c_str(), "ZKTTST", 1), 1);
  WriteRimWords(words, file);
  ASSERT_EQ(file.Close(), 1);
  const Bytes written = ReadBytes(path);
  ASSERT_EQ(written.size(), 8u + 8u);
  EXPECT_EQ(Bytes(written.begin() + 8, written.end()), want);

  DataFile mem{};
  mem.BeginMemoryWrite(0, nullptr);
  WriteRimWords(words, mem);
  EXPECT_EQ(mem.size, 8 + 8) << "the counting pass counts 8 bytes";
  ASSERT_EQ(mem.BeginMemoryWrite(1, nullptr), nullptr);
  WriteRimWords(words, mem);
  ASSERT_EQ(mem.FinishMemoryWrite(), 1);
  EXPECT_EQ(Bytes(mem.buffer, mem.cursor), want);
  std::free(mem.buffer);
}

TEST(DataFileBounds, ASkipOfExactlyWhatIsLeftSucceedsAndOneMoreRunsShort) {
  const std::string root = FreshFolder("skip_edge");
  Bytes image = Header("ZKTTST", 0, 1);
  for (uint8_t b = 1; b <= 6; ++b) image.push_back(b);
  WriteBytes(root + "/f.bin", image);
  for (int streaming = 0; streaming < 2; ++streaming) {
    DataFile df{};
    ASSERT_EQ(df.OpenRead(nullptr, (root + "/f.bin").c_str(), "ZKTTST", nullptr, 1, streaming), 1);
    EXPECT_EQ(df.ReadByte(), 1);
    EXPECT_EQ(df.Skip(5), 1) << streaming;  // exactly the five left
    EXPECT_FALSE(df.readPastEnd) << streaming;
    EXPECT_EQ(df.BytesLeft(), 0) << streaming;
    EXPECT_EQ(df.Skip(0), 1) << streaming;
    EXPECT_FALSE(df.readPastEnd) << streaming;
    EXPECT_EQ(df.Skip(1), 0) << streaming;  // one past the end
    EXPECT_TRUE(df.readPastEnd) << streaming;
    df.Close();

    ASSERT_EQ(df.OpenRead(nullptr, (root + "/f.bin").c_str(), "ZKTTST", nullptr, 1, streaming), 1);
    EXPECT_EQ(df.Skip(7), 0) << streaming;  // one more than the body
    EXPECT_TRUE(df.readPastEnd) << streaming;
    EXPECT_EQ(df.BytesLeft(), 0) << streaming;
    EXPECT_EQ(df.ReadByte(), -1) << streaming;
    df.Close();
  }
}

TEST(DataFileModes, EveryWayOfOpeningAndFailingGivesItsFileHandleBack) {
  const std::string root = FreshFolder("handles");
  Bytes good = Header("ZKTTST", 0, 1);
  good.insert(good.end(), SAMPLE_BODY.begin(), SAMPLE_BODY.end());
  WriteBytes(root + "/good.bin", good);
  // A large body: the sample, zeros, and a last byte of 5.
  Bytes large = good;
  large.resize(size_t(DATA_FILE_HEADER_SIZE + (1 << 20)) + 4096, 0);
  large.back() = 5;
  WriteBytes(root + "/large.bin", large);
  const std::string largePath = fs::absolute(root + "/large.bin").string();
  WriteBytes(root + "/short.bin", Header("ZKTTST", 0, 1));
  WriteBytes(root + "/later.bin", Header("ZKTTST", 0, 9));
  WriteBytes(root + "/other.bin", Header("QQQQQQ", 0, 1));
  const int before = OpenDescriptors();
  for (int round = 0; round < 3; ++round) {
    DataFile df{};
    ASSERT_EQ(df.OpenRead(nullptr, (root + "/good.bin").c_str(), "ZKTTST", nullptr, 1, 1), 1);  // streaming
    EXPECT_TRUE(ReadSample(df));
    EXPECT_EQ(df.Close(), 1);
    ASSERT_EQ(df.OpenRead(nullptr, (root + "/good.bin").c_str(), "ZKTTST", nullptr, 1, 0), 1);  // into memory
    EXPECT_EQ(df.Close(), 1);
    // The same bytes, the last where the file ends; a write reaches only this copy.
    ASSERT_EQ(df.OpenRead(nullptr, largePath.c_str(), "ZKTTST", nullptr, 1, 0), 1);
    EXPECT_EQ(df.size, int32_t(large.size()));
    EXPECT_TRUE(ReadSample(df));
    df.buffer[0] = 0x77;
    EXPECT_EQ(df.Skip(int(df.BytesLeft()) - 1), 1);
    EXPECT_EQ(df.ReadByte(), 5);
    EXPECT_EQ(df.ReadByte(), -1);
    EXPECT_EQ(df.Close(), 1);
    EXPECT_EQ(df.OpenRead(nullptr, (root + "/short.bin").c_str(), "ZKTTST", nullptr, 1, 0), 0);
    EXPECT_EQ(df.OpenRead(nullptr, (root + "/later.bin").c_str(), "ZKTTST", nullptr, 1, 0), 0);
    EXPECT_EQ(df.OpenRead(nullptr, (root + "/other.bin").c_str(), "ZKTTST", nullptr, 1, 1), 0);
    ASSERT_EQ(df.OpenRead(nullptr, (root + "/good.bin").c_str(), "ZKTTST", nullptr, 1, 1), 1);
    df.Abandon();  // a reader let go without reading
    EXPECT_EQ(CanAppendToFile((root + "/good.bin").c_str()), 1);
    EXPECT_EQ(CompareFiles((root + "/good.bin").c_str(), (root + "/short.bin").c_str()), 2);
    EXPECT_EQ(CompareFiles((root + "/good.bin").c_str(), (root + "/none.bin").c_str()), 0);
    EXPECT_EQ(CompareFiles((root + "/none.bin").c_str(), (root + "/good.bin").c_str()), 0);
  }
  EXPECT_EQ(OpenDescriptors(), before);
  EXPECT_EQ(ReadBytes(largePath), large);  // the writes into the copy never reached the file
}

// A file that another program cuts short after it was opened: a read into memory goes on with
// the bytes the file had at the open, a streamed read stops at the new end.
// The reads run in a child, so that a fault ends it and fails the test, not the test run.
TEST(DataFileModes, AFileCutShortAfterItWasOpenedReadsWhatItHeld) {
  const std::string root = FreshFolder("cut_short");
  const std::string path = root + "/large.bin";
  Bytes whole = Header("ZKTTST", 0, 1);
  for (int i = 0; i < (2 << 20); ++i) whole.push_back(uint8_t(i * 7 + (i >> 12)));
  for (const int streaming : {0, 1}) {
    WriteBytes(path, whole);
    const pid_t child = fork();
    if (child == 0) {
      DataFile df{};
      if (df.OpenRead(nullptr, path.c_str(), "ZKTTST", nullptr, 1, streaming) != 1) _exit(1);
      if (truncate(path.c_str(), 4096) != 0) _exit(2);
      size_t at = DATA_FILE_HEADER_SIZE;
      for (int byte; (byte = df.ReadByte()) != -1 && !df.readPastEnd; ++at)
        if (at >= whole.size() || byte != whole[at]) _exit(3);
      df.Close();
      // Held in memory: every byte; streamed: the bytes left in the file, then the end.
      _exit(at == (streaming ? 4096 : whole.size()) ? 0 : 4);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << (WIFSIGNALED(status) ? "signal " + std::to_string(WTERMSIG(status)) : "exit " + std::to_string(status >> 8))
        << (streaming ? " streaming" : " in memory");
  }
}

TEST(DataFileErrors, TheSmallestImagesAndVersionsAtTheirLimits) {
  DataFile df{};
  // Eight bytes are a header and nothing more: too short in memory; one byte more is a body.
  Bytes image = Header("ZKTTST", 0, 3);
  EXPECT_EQ(df.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "ZKTTST", nullptr, 3), 0);
  EXPECT_EQ(LastDataFileError, DATA_FILE_TOO_SHORT);
  EXPECT_EQ(df.OpenReadMemory(nullptr, image.data(), 7, "ZKTTST", nullptr, 3), 0);
  EXPECT_EQ(LastDataFileError, DATA_FILE_WRONG_TYPE);
  image.push_back(0x5A);
  int32_t version = 0;
  ASSERT_EQ(df.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "ZKTTST", &version, 3), 1);
  EXPECT_EQ(df.ReadByte(), 0x5A);
  EXPECT_FALSE(df.readPastEnd);
  // The lowest version itself is accepted.
  EXPECT_EQ(df.CheckLowestVersion(nullptr, "x.bin", version, 3), 1);
  EXPECT_EQ(df.CheckLowestVersion(nullptr, "x.bin", version, 4), 0);
  df.Close();
}

TEST(DataFileBounds, TheCountingPassHoldsUpTo2GbAndNoMore) {
  // The counting pass only adds lengths: the header's 8 bytes and a block up to 2^31 - 1.
  DataFile df{};
  df.BeginMemoryWrite(0, nullptr);
  df.WriteBlock(nullptr, INT32_MAX - 8);
  EXPECT_FALSE(df.writeFailed);
  EXPECT_EQ(df.size, INT32_MAX);
  df.WriteByte(1);
  EXPECT_TRUE(df.writeFailed);
  df.Close();
}

TEST(FileHelpers, AFileIsKeptAsideUnderTheFirstFreeOfItsNinetyNineNames) {
  const std::string root = FreshFolder("kept_names");
  const std::string path = root + "/cfg.txt";
  WriteBytes(path, Bytes{'a'});
  WriteBytes(path + ".kept", Bytes{});
  for (int n = 2; n <= 98; ++n) WriteBytes(path + ".kept" + std::to_string(n), Bytes{});
  ReportRecorder recorder;
  EXPECT_EQ(KeepUnreadFileAside(path.c_str(), "Kept :"), 1);
  EXPECT_EQ(ReadBytes(path + ".kept99"), Bytes{'a'});
  EXPECT_FALSE(fs::exists(path));
  EXPECT_EQ(ReportRecorder::NewestText(), "Kept : " + path + " - kept as " + path + ".kept99") << "the message names both";
  // All ninety-nine taken: the file stays where it is.
  WriteBytes(path, Bytes{'b'});
  EXPECT_EQ(KeepUnreadFileAside(path.c_str(), "Kept :"), 0);
  EXPECT_EQ(ReportRecorder::NewestText(),
            "Kept : " + path + " - it could not be kept aside (File exists) and is not written over");
  EXPECT_FALSE(fs::exists(path + ".kept100"));
  EXPECT_EQ(ReadBytes(path), Bytes{'b'});
  // Only the characters inside the given length are looked at.
  EXPECT_EQ(HasVisibleText("  x", 2), 0);
  EXPECT_EQ(HasVisibleText("  x", 3), 1);
  EXPECT_EQ(HasVisibleText(" \x21", 2), 1);  // '!' is the first visible character
}

TEST(DataFileErrors, AnObsoleteVersionIsShownOnTheReportPageWithThePath) {
  ReportRecorder recorder;
  const std::string root = FreshFolder("report_obsolete");
  Bytes old = Header("ZKTTST", 0, 2);
  old.push_back(1);
  WriteBytes(root + "/old.bin", old);
  DataFile df{};
  Prss pageRecord{};
  int32_t version = 0;
  ASSERT_EQ(df.OpenRead(&pageRecord, (root + "/old.bin").c_str(), "ZKTTST", &version, 5, 0), 1);
  EXPECT_EQ(df.CheckLowestVersion(&pageRecord, (root + "/old.bin").c_str(), version, 3), 0);
  const auto& boxes = ReportRecorder::Reports().boxes;
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], std::string(TEXT_FILE_OBSOLETE) + "|" + root + "/old.bin");
}

TEST(DataFileBounds, AReadInAWritingModeGivesZeroesAndRunsShort) {
  DataFile df{};
  df.BeginMemoryWrite(0, nullptr);
  uint8_t block[4] = {9, 9, 9, 9};
  EXPECT_EQ(df.ReadBlock(block, 4), 0);
  for (uint8_t b : block) EXPECT_EQ(b, 0);
  EXPECT_TRUE(df.readPastEnd);
  EXPECT_EQ(df.ReadByte(), -1);
  df.Close();
}

TEST(DataFileBounds, AfterASkipPastTheEndOneStepBackReadsTheLastByte) {
  const std::string root = FreshFolder("skip_back");
  Bytes image = Header("ZKTTST", 0, 1);
  for (uint8_t b = 1; b <= 6; ++b) image.push_back(b);
  WriteBytes(root + "/f.bin", image);
  for (int streaming = 0; streaming < 2; ++streaming) {
    DataFile df{};
    ASSERT_EQ(df.OpenRead(nullptr, (root + "/f.bin").c_str(), "ZKTTST", nullptr, 1, streaming), 1);
    EXPECT_EQ(df.Skip(10), 0) << streaming;  // stops at the end
    EXPECT_EQ(df.Skip(-1), 1) << streaming;
    EXPECT_EQ(df.ReadByte(), 6) << streaming;
    df.Close();
  }
}

TEST(DataFileWrites, ReservedWordsAreWholeWordsAndAWriteInAReadingModeFails) {
  // n bytes of reserved words are n / 4 zero words: 3 give none, 8 two, 20 five.
  DataFile df{};
  df.BeginMemoryWrite(0, nullptr);
  df.WriteWords(3);
  EXPECT_EQ(df.size, 8);
  df.WriteWords(8);
  EXPECT_EQ(df.size, 16);
  df.WriteWords(20);
  EXPECT_EQ(df.size, 36);
  EXPECT_FALSE(df.writeFailed);
  df.Close();
  // A record opened for reading takes no write.
  const Bytes image = {'Z', 'K', 'T', 'T', 'S', 'T', 0, 1, 5};
  ASSERT_EQ(df.OpenReadMemory(nullptr, image.data(), int64_t(image.size()), "ZKTTST", nullptr, 1), 1);
  df.WriteInt(1);
  EXPECT_TRUE(df.writeFailed);
  EXPECT_EQ(df.ReadByte(), 5);
  df.Close();
}

TEST(DataFileBounds, AStreamedByteReadAtTheEndMarksTheRecordShort) {
  const std::string root = FreshFolder("byte_at_end");
  Bytes image = Header("ZKTTST", 0, 1);
  image.push_back(42);
  WriteBytes(root + "/f.bin", image);
  DataFile df{};
  ASSERT_EQ(df.OpenRead(nullptr, (root + "/f.bin").c_str(), "ZKTTST", nullptr, 1, 1), 1);
  EXPECT_EQ(df.ReadByte(), 42);
  EXPECT_FALSE(df.readPastEnd);
  EXPECT_EQ(df.ReadByte(), -1);
  EXPECT_TRUE(df.readPastEnd);
  df.Close();
}

TEST(DataFileBounds, AnImageWhoseBodyIsExactly1GbOpensInMemoryAndOneByteMoreIsRefused) {
  // The largest body held in memory is 2^30 bytes: with the 8-byte header that is an image of
  // 1073741824 + 8 = 1073741832 bytes.  The image lives in a mapping that is never touched past
  // its header, so its untouched pages read as zeroes and take no memory; the reader's own copy
  // of the body is the one real gigabyte, given back by Close.
  constexpr int64_t BODY = int64_t(1) << 30;
  const size_t mapped = size_t(BODY) + 8 + 1;  // room for the one byte more as well
  void* mapping = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(mapping, MAP_FAILED) << std::strerror(errno);
  uint8_t* image = static_cast<uint8_t*>(mapping);
  const Bytes header = Header("ZKTTST", 0, 1);
  std::memcpy(image, header.data(), header.size());

  DataFile df{};
  int32_t version = 0;
  EXPECT_EQ(df.OpenReadMemory(nullptr, image, BODY + 8, "ZKTTST", &version, 1), 1);
  EXPECT_EQ(LastDataFileError, DATA_FILE_OK);
  EXPECT_EQ(version, 1);
  EXPECT_EQ(df.size, 1073741832);
  EXPECT_EQ(df.end - df.buffer, BODY);
  EXPECT_EQ(df.ReadByte(), 0);
  df.Close();

  EXPECT_EQ(df.OpenReadMemory(nullptr, image, BODY + 9, "ZKTTST", &version, 1), 0);
  EXPECT_EQ(df.file, nullptr);
  EXPECT_EQ(munmap(mapping, mapped), 0);
}
