// figures.h - the trackside figures: a marshal (object type 6) and a group of spectators
// (object type 13).  Their records give where they stand; the figures themselves are the
// human models' mesh slots (render/humans.h), attached at their first drawing once the human
// models are built: a marshal is one figure on the slot whose skeleton its model word names
// (the first slot when none does); a group is one figure a metre of its width (at least one,
// at most SPECTATOR_FIGURES_MAX), standing in a row across the heading from its left end to
// its right, rising from the low height to the high one, each on the next slot from word A.
// An object without figures draws nothing.
//
// Main thread only.
#pragma once
#include <cstdint>

#include "world/fixed_ob.h"

struct HumanWorldObject;
constexpr int SPECTATOR_FIGURES_MAX = 64;

struct WMarshal : FixedOb {
  explicit WMarshal(const IntVector& at);
  void Load(DataFile& stream, int version) override;  // model word, heading, height
  // A 1 m box about the point 1 m above the height, radius sqrt(2) m.
  void Setup() override;
  void GetPosition(IntVector& at, float& headingOut) override;
  void SetPosition(const IntVector& at, float headingIn) override;
  void Free() override;
  void FreeBuilt(bool) override;  // the figure's light is sampled again
  // The figure attached when missing; once a frame (when not listed) on the world's active
  // list with its level chosen and its light sampled; on the figure list while its level is
  // below 4.
  void AddToDrawList() override;
  void AddToDrawListAtDistance(int32_t) override { AddToDrawList(); }
  void Draw() override;
  void AttachFigure();

  int32_t model = 0;
  float heading = 0, height;
  HumanWorldObject* figure = nullptr;
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
  void Free() override;
  void FreeBuilt(bool) override;
  void AddToDrawList() override;  // as the marshal's, for every figure
  void AddToDrawListAtDistance(int32_t) override { AddToDrawList(); }
  void Draw() override;           // every figure whose level is below 4
  void AttachFigures();
  void PlaceFigures();  // where the record puts them

  int32_t wordA = 0, wordB = 0;
  float heading = 0, width = 5.0f, lowHeight, highHeight, valueD = 0.5f, valueE = 0.5f;
  int32_t figureCount = 0;
  HumanWorldObject* figures = nullptr;
};
FixedOb* MakeSpectators(const IntVector& at);

// Where a figure stands: turned by the heading about z, at (x, y, z) 16.16.
void PlaceFigure(HumanWorldObject& figure, float heading, int32_t x, int32_t y, int32_t z);

// A stored float that is not finite keeps the field's default, with a debug message naming
// the class and the field.
void ReadFiniteFloat(DataFile& stream, float& field, const char* what);
