// figures.h - the trackside figures: a marshal (object type 6) and a group of spectators
// (object type 13).  Their records give where they stand; the figures themselves are human
// models attached after loading (none yet: a figure-less object draws nothing).
//
// Main thread only.
#pragma once
#include <cstdint>

#include "world/fixed_ob.h"

struct AnimInstance;

struct WMarshal : FixedOb {
  explicit WMarshal(const IntVector& at);
  void Load(DataFile& stream, int version) override;  // model word, heading, height
  // A 1 m box about the point 1 m above the height, radius sqrt(2) m.
  void Setup() override;
  void GetPosition(IntVector& at, float& headingOut) override;
  void SetPosition(const IntVector& at, float headingIn) override;
  void AddToDrawList() override {}  // no figure attached: nothing to draw
  void AddToDrawListAtDistance(int32_t) override {}

  int32_t model = 0;
  float heading = 0, height;
  AnimInstance* figure = nullptr;
};
FixedOb* MakeMarshal(const IntVector& at);

struct WSpectator : FixedOb {
  explicit WSpectator(const IntVector& at);
  // Two words, then heading, width, low and high height, values D and E.
  void Load(DataFile& stream, int version) override;
  // The group's box: its width across the heading, 1 m deep, from the low to the high height
  // with a metre to spare.
  void Setup() override;
  void GetPosition(IntVector& at, float& headingOut) override;
  void SetPosition(const IntVector& at, float headingIn) override;
  void AddToDrawList() override {}
  void AddToDrawListAtDistance(int32_t) override {}

  int32_t wordA = 0, wordB = 0;
  float heading = 0, width = 5.0f, lowHeight, highHeight, valueD = 0.5f, valueE = 0.5f;
  int32_t figureCount = 0;
  AnimInstance* figures = nullptr;
};
FixedOb* MakeSpectators(const IntVector& at);

// A stored float that is not finite keeps the field's default, with a debug message naming
// the class and the field.
void ReadFiniteFloat(DataFile& stream, float& field, const char* what);
