// setup_record.cpp - the set-up record's fields, its reading and writing, and the set-up file.
#include "vehicle_data/setup_record.h"

#include <bit>
#include <cstdio>
#include <cstring>

#include "core/data_file.h"
#include "platform/files.h"

const char* const TyreMakerNames[TYRE_MAKER_COUNT] = {"Corvan", "Halberg", "Nortread", "Pellix",
                                                      "Stenmark", "Tavora", "Vireo"};

uint32_t SetupWord(const SetupRecord& record, int offset) {
  const uint8_t* b = record.bytes + offset;
  return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

void SetSetupWord(SetupRecord& record, int offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) record.bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint16_t SetupShort(const SetupRecord& record, int offset) {
  return static_cast<uint16_t>(record.bytes[offset] | record.bytes[offset + 1] << 8);
}

void SetSetupShort(SetupRecord& record, int offset, uint16_t value) {
  record.bytes[offset] = static_cast<uint8_t>(value);
  record.bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

float SetupFloat(const SetupRecord& record, int offset) { return std::bit_cast<float>(SetupWord(record, offset)); }

void SetSetupFloat(SetupRecord& record, int offset, float value) {
  SetSetupWord(record, offset, std::bit_cast<uint32_t>(value));
}

int ReadSetupRecord(SetupRecord& record, DataFile& file, int version) {
  SetupRecord read;
  if (!file.ReadBlock(read.bytes, SETUP_RECORD_SIZE)) return 0;
  record = read;
  return 1;
}

void WriteSetupRecord(const SetupRecord& record, DataFile& file) { file.WriteBlock(record.bytes, SETUP_RECORD_SIZE); }

int LoadSetupFile(SetupRecord& record, const char* path) {
  DataFile f;
  int32_t version = 0;
  if (!f.OpenRead(nullptr, path, SETUP_FILE_MAGIC, &version, SETUP_FILE_VERSION, 0)) return 0;
  const int read = ReadSetupRecord(record, f, version);
  f.Close();
  return read;
}

int SaveSetupFile(const SetupRecord& record, const char* path) {
  DataFile f;
  if (!f.OpenWrite(nullptr, path, SETUP_FILE_MAGIC, SETUP_FILE_VERSION)) return 0;
  WriteSetupRecord(record, f);
  return f.Close();
}

int MakeCarSetupPath(char* out, int outSize, const char* carCode, const char* setupName) {
  if (outSize > 0) out[0] = 0;
  if (!IsSafeFileName(carCode) || !IsSafeFileName(setupName)) return 0;
  const int n = std::snprintf(out, static_cast<size_t>(outSize), SETUP_FILE_CAR_PATTERN, carCode, setupName);
  if (n < 0 || n >= outSize) {
    if (outSize > 0) out[0] = 0;
    return 0;
  }
  return 1;
}

namespace {

void ClampByte(uint8_t& byte, int most) {
  if (byte > most) byte = static_cast<uint8_t>(most);
}

}  // namespace

void ClampSetup(SetupRecord& record) {
  uint8_t* b = record.bytes;
  ClampByte(b[SETUP_LOCK_REDUCTION], SETUP_MOST_LOCK_REDUCTION);
  ClampByte(b[SETUP_BALLAST_POSITION], 100);
  ClampByte(b[SETUP_BALLAST], SETUP_MOST_BALLAST);
  ClampByte(b[SETUP_RESTRICTION], 100);
  ClampByte(b[SETUP_BRAKE_BALANCE], 100);
  ClampByte(b[SETUP_FRONT_SHARE], 100);
  for (const int axle : SETUP_AXLE) {
    ClampByte(b[axle + AXLE_TOE], SETUP_MOST_TOE);
    ClampByte(b[axle + AXLE_CAMBER_LEFT], SETUP_MOST_CAMBER);
    ClampByte(b[axle + AXLE_CAMBER_RIGHT], SETUP_MOST_CAMBER);
    ClampByte(b[axle + AXLE_DIFFERENTIAL], SETUP_MOST_DIFFERENTIAL);
    ClampByte(b[axle + AXLE_POWER_LOCKING], 100);
    ClampByte(b[axle + AXLE_COAST_LOCKING], 100);
  }
}

int CompareSetups(const SetupRecord& a, const SetupRecord& b, int ignoreTyreBytes) {
  for (int i = 0; i < SETUP_RECORD_SIZE; ++i) {
    const uint8_t mask = i == SETUP_FLAGS ? static_cast<uint8_t>(~SETUP_FLAG_NEW) : 0xFF;
    const int x = a.bytes[i] & mask, y = b.bytes[i] & mask;
    if (ignoreTyreBytes) {
      const int inAxle = i >= SETUP_AXLE[0] ? (i - SETUP_AXLE[0]) % AXLE_SETUP_SIZE : -1;
      if (inAxle == AXLE_TYRE_TYPE || inAxle == AXLE_COPIED) continue;
    }
    if (x != y) return 1;
  }
  return 0;
}
