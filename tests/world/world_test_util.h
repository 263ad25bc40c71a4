// world_test_util.h - what the world's tests share: test objects that answer a vertical ray as
// a horizontal disc, a world of random objects, a stream read back from written bytes, and a
// sink that catches the world's messages.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/data_file.h"
#include "core/report.h"
#include "solid/solid.h"
#include "world/fixed_ob.h"
#include "world/world.h"

// A world object of any type: a disc at its centre's height, of its radius, met by rays.  Its
// record in a stream is one word (kept in word).
struct DiscObject : FixedOb {
  explicit DiscObject(uint8_t t, IntVector c = {}, int32_t r = 0) : FixedOb(t) {
    centre = c;
    radius = r;
    position[0] = c.x;
    position[1] = c.y;
    halfSize = {r, r, 0};
  }
  int32_t word = 0;
  int collidable = 1;
  bool visible = true;
  uint32_t flagsWord = 0;
  int layoutKind = -1;
  uint8_t layoutState = 0;
  uint32_t preGenIndex = 65535, cachedIndex = 65535;
  int draws = 0, resets = 0, freesBuilt = 0;

  void Load(DataFile& stream, int) override { word = stream.ReadInt(); }
  void GetPosition(IntVector& p, float& heading) override {
    p = {position[0], position[1], 0};
    heading = 0;
  }
  void SetPosition(const IntVector& p, float) override {
    position[0] = p.x;
    position[1] = p.y;
  }
  void Setup() override {}
  void Draw() override { ++draws; }
  bool IsVisible(bool) override { return visible; }
  int IsCollidable() override { return collidable; }
  void ResetRunState() override { ++resets; }
  void FreeBuilt(bool) override { ++freesBuilt; }
  uint32_t FlagsWord() const override { return flagsWord; }
  int LayoutKind() const override { return layoutKind; }
  uint8_t* LayoutState() override { return &layoutState; }
  uint32_t PreGenIndex() const override { return preGenIndex; }
  uint32_t CachedMeshIndex() const override { return cachedIndex; }

  // The disc at the centre's height, of the radius: the same horizontal distance in metres
  // the octree's filter uses.
  int RayTest(const IntVector& o, const IntVector& r, ContactProbe& hit, uint32_t*, int32_t*, int32_t*,
              int32_t) override {
    if (r.z == 0) return 0;
    const float dx = float(int64_t(o.x) - centre.x) / 65536.0f, dy = float(int64_t(o.y) - centre.y) / 65536.0f;
    if (std::sqrt(dx * dx + dy * dy) > float(radius) / 65536.0f) return 0;
    const int64_t t = ((int64_t(o.z) - centre.z) << 16) / r.z;
    if (t < 0 || t > 65536 || t <= hit.candidateStrength) return 0;
    hit.candidateStrength = int32_t(t);
    hit.candidatePoint = {o.x, o.y, centre.z};
    hit.candidateObject = this;
    return 1;
  }
};

inline FixedOb* MakeDisc(const IntVector& p) { return new DiscObject(OBJECT_SECTION, p, 0); }

// The messages the world shows while a test runs.
struct CaughtLines {
  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }
  ReportSink saved{};
  CaughtLines() {
    Lines().clear();
    saved = InstallReportSink({[](const char* text, ReportColour, int) { Lines().push_back(text); }, nullptr, nullptr,
                               nullptr, nullptr, nullptr});
  }
  ~CaughtLines() { InstallReportSink(saved); }
  int Count(const std::string& text) const {
    int n = 0;
    for (const std::string& l : Lines()) n += l.find(text) != std::string::npos;
    return n;
  }
};

// A stream reading the bytes write(file) writes (a counting pass, a memory write, then a read).
template <class Write>
struct WrittenStream {
  DataFile file{};
  std::vector<uint8_t> bytes;
  explicit WrittenStream(Write write) {
    file.BeginMemoryWrite(0, nullptr);
    write(file);
    file.BeginMemoryWrite(1, nullptr);
    write(file);
    EXPECT_EQ(file.FinishMemoryWrite(), 1);
    bytes.assign(file.buffer, file.end);
    file.StartMemoryRead();
  }
  ~WrittenStream() { file.Close(); }
};

// The bytes a write gives.
template <class Write>
std::vector<uint8_t> WrittenBytes(Write write) {
  WrittenStream<Write> s(write);
  return s.bytes;
}

// A random world of disc objects: radii 70% 0.5..5 m, 25% 5..30 m, 5% 30..200 m; centres in
// a square of side metres; heights 0..50 m; types 8 (half of them with the ground flag), 9
// (half collidable) and 4.
inline void FillRandomWorld(Wld& world, int count, int side, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int i = 0; i < count; ++i) {
    const double pick = unit(random);
    const double metres = pick < 0.70 ? 0.5 + 4.5 * unit(random) : pick < 0.95 ? 5 + 25 * unit(random) : 30 + 170 * unit(random);
    const IntVector c = {int32_t(std::lround((unit(random) - 0.5) * side * 65536.0)),
                         int32_t(std::lround((unit(random) - 0.5) * side * 65536.0)),
                         int32_t(std::lround(unit(random) * 50 * 65536.0))};
    const double kind = unit(random);
    auto* o = new DiscObject(kind < 0.45 ? OBJECT_SECTION : kind < 0.9 ? OBJECT_SEGMENT : OBJECT_PLACED, c,
                             int32_t(std::lround(metres * 65536.0)));
    o->ownFlags = unit(random) < 0.5 ? SECTION_FLAG_GROUND : 0;
    o->collidable = unit(random) < 0.5;
    world.AddObjectToTable(o);
  }
}
