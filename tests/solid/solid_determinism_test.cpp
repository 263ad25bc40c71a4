// solid_determinism_test.cpp - a hundred boxes dropped on the floor give the same state,
// bit for bit, in every run and build.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "tests/solid/solid_test_util.h"

namespace {

// FNV-1a, 64 bits, over the fields named: never over a record's raw bytes.
struct Fnv {
  uint64_t hash = 0xCBF29CE484222325ull;
  void Bytes(const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ p[i]) * 0x100000001B3ull;
  }
  void Int(int32_t v) { Bytes(&v, sizeof v); }
  void Float(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    Bytes(&bits, sizeof bits);
  }
  void Vector(const Vec3& v) {
    Float(v.x);
    Float(v.y);
    Float(v.z);
  }
};

uint64_t DropHundredBoxes() {
  std::vector<std::unique_ptr<Solid>> boxes;
  for (int i = 0; i < 100; ++i) {
    auto box = std::make_unique<Solid>();
    const float x = static_cast<float>(i % 10) * 2.0f, y = static_cast<float>(i / 10) * 2.0f;
    MakeBox(*box, {0.5f, 0.4f + 0.01f * static_cast<float>(i % 7), 0.3f}, 10.0f, {x, y, 0.5f + 0.01f * i}, 20000.0f,
            0.8f, 30.0f);
    Turn(*box, {0.6f, 0.0f, 0.8f}, 0.003f * static_cast<float>(i));
    box->velocity = {0.01f * static_cast<float>(i % 5), -0.02f * static_cast<float>(i % 3), 0.0f};
    box->angularMomentum = {0.0f, 0.0f, 0.05f * static_cast<float>(i % 4)};
    boxes.push_back(std::move(box));
  }
  for (int n = 0; n < 10000; ++n)
    for (auto& box : boxes) StepAlone(*box, G);
  Fnv fnv;
  for (const auto& box : boxes) {
    fnv.Int(box->position.x);
    fnv.Int(box->position.y);
    fnv.Int(box->position.z);
    for (float v : box->orientation) fnv.Float(v);
    fnv.Vector(box->offset);
    fnv.Vector(box->velocity);
    fnv.Vector(box->angularMomentum);
    for (int i = 0; i < box->pointCount; ++i) {
      fnv.Vector(box->points[i].anchor);
      fnv.Vector(box->points[i].contactForce);
      fnv.Int(box->points[i].contactState);
    }
  }
  return fnv.hash;
}

TEST(SolidDeterminism, AHundredBoxesGiveOneStateInEveryRunAndBuild) {
  RecordingHooks hooks;
  const uint64_t first = DropHundredBoxes();
  EXPECT_EQ(DropHundredBoxes(), first);
  // Changes only on purpose: when the step's arithmetic changes, this is the place to say so.
  EXPECT_EQ(first, 0x9de14fd8109687ccull) << std::hex << first;
}

}  // namespace
