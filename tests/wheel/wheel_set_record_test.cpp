// wheel_set_record_test.cpp - the wheel set's 64-byte record in the vehicle data: the same
// bytes in file, counting and memory modes, zeros by suspension type, the versions.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/data_file.h"
#include "wheel/wheel.h"

namespace {

using Bytes = std::vector<uint8_t>;

SuspensionBlock SampleBlock(uint8_t type) {
  SuspensionBlock b = {};
  b.sectionWidth = 0.205f;
  b.aspectRatio = 0.55f;
  b.rimRadius = 0.19f;
  b.rimWidth = 0.17f;
  b.suspensionType = type;
  b.rimEdgeExtraWidthMm = 4;
  b.rimLipDepthMm = 3;
  b.lowProfileTyreStyle = 1;
  b.rimInnerDepthMm = 7;
  b.rimShadeTenths = 6;
  b.brakeDiscRadiusMm = 150;
  b.brakeDiscOffsetMm = -10;
  b.maxUpPosition = -0.12f;
  b.caster = 0.1f;
  b.inclination = 0.05f;
  b.includedAngle = -0.2f;
  b.wheelOffset = 0.03f;
  b.trackWidth = 1.45f;
  b.lowerArmLength = 0.30f;
  b.upperArmLength = 0.25f;
  b.halfUprightLength = 0.14f;
  b.rollingRadius = 0.3f;  // derived: never written
  return b;
}

// The record through the counting pass and the memory pass.
Bytes WriteInMemory(const SuspensionBlock& b, int* counted) {
  DataFile df = {};
  EXPECT_EQ(df.BeginMemoryWrite(0, nullptr), nullptr);
  b.Write(df);
  *counted = df.size - DATA_FILE_HEADER_SIZE;  // the count starts with the header
  EXPECT_EQ(df.BeginMemoryWrite(1, nullptr), nullptr);
  b.Write(df);
  EXPECT_EQ(df.FinishMemoryWrite(), 1);
  Bytes bytes(df.buffer, df.end);
  df.StartMemoryRead();
  df.Close();
  return bytes;
}

Bytes WriteToFile(const SuspensionBlock& b) {
  std::filesystem::create_directories("wheel_set_record");
  const char* path = "wheel_set_record/record.bin";
  DataFile df = {};
  EXPECT_EQ(df.OpenWrite(nullptr, path, "ZKTTST", 252), 1);
  b.Write(df);
  EXPECT_EQ(df.Close(), 1);
  std::ifstream in(path, std::ios::binary);
  Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return Bytes(file.begin() + DATA_FILE_HEADER_SIZE, file.end());
}

// Reads a record image (as the vehicle data holds it) into the given block.
void ReadRecord(const Bytes& record, int version, SuspensionBlock& into, int* pastEnd = nullptr) {
  Bytes image = {'Z', 'K', 'T', 'T', 'S', 'T', 0, static_cast<uint8_t>(version)};
  image.insert(image.end(), record.begin(), record.end());
  DataFile df = {};
  ASSERT_EQ(df.OpenReadMemory(nullptr, image.data(), image.size(), "ZKTTST", nullptr, 252), 1);
  into.Read(df, version);
  if (pastEnd) *pastEnd = df.readPastEnd;
  df.Close();
}

float FloatAt(const Bytes& b, int offset) {
  uint32_t v;
  std::memcpy(&v, b.data() + offset, 4);  // little-endian host
  return std::bit_cast<float>(v);
}
uint32_t WordAt(const Bytes& b, int offset) {
  uint32_t v;
  std::memcpy(&v, b.data() + offset, 4);
  return v;
}

TEST(WheelSetRecord, SixtyFourBytesAlikeInFileCountingAndMemoryModes) {
  for (uint8_t type = 0; type <= 7; ++type) {
    const SuspensionBlock b = SampleBlock(type);
    int counted = 0;
    const Bytes memory = WriteInMemory(b, &counted);
    EXPECT_EQ(counted, WHEEL_SET_RECORD_SIZE) << int(type);
    ASSERT_EQ(memory.size(), size_t{WHEEL_SET_RECORD_SIZE});
    EXPECT_EQ(WriteToFile(b), memory) << int(type);
  }
  // Two wheel sets add 128 to the count.
  DataFile df = {};
  df.BeginMemoryWrite(0, nullptr);
  SampleBlock(3).Write(df);
  SampleBlock(4).Write(df);
  EXPECT_EQ(df.size - DATA_FILE_HEADER_SIZE, 2 * WHEEL_SET_RECORD_SIZE);
}

TEST(WheelSetRecord, FieldsAtTheirOffsetsAndZerosBySuspensionType) {
  int counted;
  const Bytes strut = WriteInMemory(SampleBlock(SUSPENSION_MACPHERSON_STRUT), &counted);
  EXPECT_EQ(FloatAt(strut, 0), 0.205f);
  EXPECT_EQ(FloatAt(strut, 4), 0.55f);
  EXPECT_EQ(FloatAt(strut, 8), 0.19f);
  EXPECT_EQ(FloatAt(strut, 12), 0.17f);
  EXPECT_EQ(strut[16], SUSPENSION_MACPHERSON_STRUT);
  EXPECT_EQ(strut[17], 4);
  EXPECT_EQ(strut[18], 3);
  EXPECT_EQ(strut[19], 1);
  EXPECT_EQ(FloatAt(strut, 20), -0.12f);
  EXPECT_EQ(FloatAt(strut, 24), 0.1f);  // a strut keeps its caster
  EXPECT_EQ(strut[28], 7);
  EXPECT_EQ(strut[29], 6);
  EXPECT_EQ(strut[30], 150);
  EXPECT_EQ(strut[31], 0xF6);  // -10 mm
  EXPECT_EQ(FloatAt(strut, 32), 0.05f);
  EXPECT_EQ(FloatAt(strut, 36), -0.2f);
  EXPECT_EQ(FloatAt(strut, 40), 0.03f);
  EXPECT_EQ(FloatAt(strut, 44), 1.45f);
  EXPECT_EQ(WordAt(strut, 48), 0u);  // reserved
  EXPECT_EQ(FloatAt(strut, 52), 0.30f);
  EXPECT_EQ(WordAt(strut, 56), 0u);  // no upper arm on a strut
  EXPECT_EQ(FloatAt(strut, 60), 0.14f);

  // Double wishbone: no caster (the set-up's), both arms.  Rigid: neither caster nor arms.
  const Bytes wishbone = WriteInMemory(SampleBlock(SUSPENSION_DOUBLE_WISHBONE), &counted);
  EXPECT_EQ(WordAt(wishbone, 24), 0u);
  EXPECT_EQ(FloatAt(wishbone, 52), 0.30f);
  EXPECT_EQ(FloatAt(wishbone, 56), 0.25f);
  const Bytes rigid = WriteInMemory(SampleBlock(SUSPENSION_RIGID), &counted);
  EXPECT_EQ(WordAt(rigid, 24), 0u);
  EXPECT_EQ(WordAt(rigid, 52), 0u);
  EXPECT_EQ(WordAt(rigid, 56), 0u);
  // Linear, front fork, trailing arm, and a type byte above 5: the caster, no arms.
  for (uint8_t type : {uint8_t{1}, uint8_t{2}, uint8_t{5}, uint8_t{9}}) {
    const Bytes b = WriteInMemory(SampleBlock(type), &counted);
    EXPECT_EQ(FloatAt(b, 24), 0.1f) << int(type);
    EXPECT_EQ(WordAt(b, 52), 0u) << int(type);
    EXPECT_EQ(WordAt(b, 56), 0u) << int(type);
    EXPECT_EQ(b[16], type);
  }
}

TEST(WheelSetRecord, ReadsBackWhatWasWrittenWithTheZeros) {
  for (uint8_t type = 0; type <= 6; ++type) {
    const SuspensionBlock original = SampleBlock(type);
    int counted;
    const Bytes record = WriteInMemory(original, &counted);
    SuspensionBlock back = {};
    back.rollingRadius = 0.31f;  // a derived field: reading leaves it
    ReadRecord(record, 252, back);
    EXPECT_EQ(back.sectionWidth, original.sectionWidth);
    EXPECT_EQ(back.aspectRatio, original.aspectRatio);
    EXPECT_EQ(back.suspensionType, type);
    EXPECT_EQ(back.brakeDiscOffsetMm, -10);
    EXPECT_EQ(back.rimInnerDepthMm, 7);
    EXPECT_EQ(back.halfUprightLength, 0.14f);
    EXPECT_EQ(back.rollingRadius, 0.31f);
    const bool caster = type != SUSPENSION_RIGID && type != SUSPENSION_DOUBLE_WISHBONE;
    EXPECT_EQ(back.caster, caster ? 0.1f : 0.0f) << int(type);
    EXPECT_EQ(back.lowerArmLength, type == 3 || type == 4 ? 0.30f : 0.0f) << int(type);
    EXPECT_EQ(back.upperArmLength, type == 4 ? 0.25f : 0.0f) << int(type);
    // The read block writes the very same record again.
    EXPECT_EQ(WriteInMemory(back, &counted), record) << int(type);
  }
}

TEST(WheelSetRecord, VersionsBefore251DropBytes28To31) {
  int counted;
  Bytes record = WriteInMemory(SampleBlock(SUSPENSION_LINEAR), &counted);
  SuspensionBlock kept = {};
  kept.rimInnerDepthMm = 9;
  kept.rimShadeTenths = 2;
  kept.brakeDiscRadiusMm = 33;
  kept.brakeDiscOffsetMm = 12;
  for (int version : {248, 249, 250}) {
    SuspensionBlock b = kept;
    ReadRecord(record, version, b);
    EXPECT_EQ(b.rimInnerDepthMm, 9) << version;
    EXPECT_EQ(b.rimShadeTenths, 2);
    EXPECT_EQ(b.brakeDiscRadiusMm, 33);
    EXPECT_EQ(b.brakeDiscOffsetMm, 12);
    EXPECT_EQ(b.inclination, 0.05f);  // the fields after them are where they were
    EXPECT_EQ(b.halfUprightLength, 0.14f);
  }
  for (int version : {251, 252}) {
    SuspensionBlock b = kept;
    ReadRecord(record, version, b);
    EXPECT_EQ(b.rimInnerDepthMm, 7) << version;
    EXPECT_EQ(b.brakeDiscOffsetMm, -10);
  }
}

TEST(WheelSetRecord, ReservedWordIgnoredAndMeshesForgotten) {
  int counted;
  Bytes record = WriteInMemory(SampleBlock(SUSPENSION_DOUBLE_WISHBONE), &counted);
  record[48] = 0x12;
  record[51] = 0x80;
  SuspensionBlock b = {};
  int meshA = 0, meshB = 0;
  b.spokeMesh = reinterpret_cast<DrawMesh*>(&meshA);
  b.rimMesh = reinterpret_cast<DrawMesh*>(&meshB);
  ReadRecord(record, 252, b);
  EXPECT_EQ(b.spokeMesh, nullptr);
  EXPECT_EQ(b.rimMesh, nullptr);
  EXPECT_EQ(b.lowerArmLength, 0.30f);
  EXPECT_EQ(WriteInMemory(b, &counted)[48], 0);  // written as 0 again
}

TEST(WheelSetRecord, ARecordCutShortReadsZerosAndTellsTheReader) {
  int counted;
  const Bytes record = WriteInMemory(SampleBlock(SUSPENSION_MACPHERSON_STRUT), &counted);
  for (size_t n = 1; n < record.size(); ++n) {  // the container itself refuses an empty body
    SuspensionBlock b = SampleBlock(SUSPENSION_LINEAR);
    int pastEnd = 0;
    ReadRecord(Bytes(record.begin(), record.begin() + n), 252, b, &pastEnd);
    EXPECT_EQ(pastEnd, 1) << n;
    EXPECT_EQ(b.halfUprightLength, 0.0f) << n;  // the last field is never there
    if (n <= 16) {
      EXPECT_EQ(b.suspensionType, 0) << n;  // a missing byte is 0, not 255
    }
  }
  SuspensionBlock whole = {};
  int pastEnd = 1;
  ReadRecord(record, 252, whole, &pastEnd);
  EXPECT_EQ(pastEnd, 0);
}

}  // namespace
