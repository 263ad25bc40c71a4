// fuzz_player_files.cpp - the player file and keyboard steering file readers over arbitrary
// bytes.
//
// A refused file leaves the record untouched; an accepted one is written again, and that
// image must read back to the same record (the written file is a fixed point).
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/config.h"
#include "frontend/player_file.h"
#include "fuzz_scratch.h"
#include "platform/files.h"

namespace {

bool SameRecord(const PlayerRecord& a, const PlayerRecord& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void CheckPlayerFile(const uint8_t* data, size_t size) {
  PlayerRecord before = {};
  before.position = 12345;
  PlayerRecord read = before;
  if (!ReadPlayerFileImage(data, size, read)) {
    if (!SameRecord(read, before)) std::abort();
    return;
  }
  for (const PlayerCarInfo& car : read.cars)
    if (car.text[sizeof car.text - 1] || car.longText[sizeof car.longText - 1]) std::abort();
  if (read.garageText[sizeof read.garageText - 1] || read.plate[sizeof read.plate - 1]) std::abort();

  // Write it through the real file and read it back.
  Player = read;
  std::strcpy(CfgPlayerName, "fuzz");
  if (!SavePlayerFile()) std::abort();
  std::string image;
  if (FileReadAll("data\\misc\\fuzz.ply", image, 1 << 20)) std::abort();
  PlayerRecord again = {};
  if (!ReadPlayerFileImage(reinterpret_cast<const uint8_t*>(image.data()), image.size(), again)) std::abort();
  // Texts after the first zero are not kept by the writer: compare what the writer keeps.
  PlayerRecord expected = read;
  for (PlayerCarInfo& car : expected.cars) {
    const size_t t = std::strlen(car.text), l = std::strlen(car.longText);
    std::memset(car.text + t, 0, sizeof car.text - t);
    std::memset(car.longText + l, 0, sizeof car.longText - l);
  }
  const size_t g = std::strlen(expected.garageText);
  std::memset(expected.garageText + g, 0, sizeof expected.garageText - g);
  for (PlayerCarInfo& car : again.cars) {
    const size_t t = std::strlen(car.text), l = std::strlen(car.longText);
    std::memset(car.text + t, 0, sizeof car.text - t);
    std::memset(car.longText + l, 0, sizeof car.longText - l);
  }
  // The plate is written as its 8 bytes; bytes after its first zero come back as they were.
  if (!SameRecord(expected, again)) std::abort();
}

void CheckKbsFile(const uint8_t* data, size_t size) {
  float values[KBS_VALUE_COUNT] = {-5, -5, -5, -5, -5, -5, -5, -5};
  if (!ReadKbsFileImage(data, size, values)) {
    for (const float v : values)
      if (v != -5) std::abort();
    return;
  }
  for (const float v : values)
    if (!std::isfinite(v)) std::abort();  // every value is clamped into its range
}

}  // namespace

// The written files go to a folder of their own, away from the corpus.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_scratch::Enter("zkt_fuzz_player_files", {"misc"});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckPlayerFile(data, size);
  CheckKbsFile(data, size);
  return 0;
}
