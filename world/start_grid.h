// start_grid.h - a start grid (object type 15): a block of start places in columns and rows
// behind its anchor, straight or bending along a cubic to an end point, which fills the
// world's table of grid or pit starts.
//
// Positions are 16.16 (65536 = 1 m); headings in radians with the world's forward
// (-sin h, cos h).  Main thread only.
#pragma once
#include <cstdint>

#include "world/fixed_ob.h"

struct StartPosition;

constexpr uint32_t START_GRID_MIRRORED = 1;  // lateral offsets negated
constexpr uint32_t START_GRID_CURVED = 2;    // the rows after the straight ones follow a curve
constexpr uint32_t START_GRID_PIT = 4;       // fills the pit starts rather than the grid
constexpr uint32_t START_GRID_MARKS = 8;     // marks the places it fills

struct WStartGrid : FixedOb {
  explicit WStartGrid(const IntVector& at);

  // Flags, columns, rows, straight rows, first number, then heading, height, column and row
  // spacing and stagger, and with the curve its end point and end heading.  A first number
  // of 0 marks an old grid, whose column spacing held the whole width.
  void Load(DataFile& stream, int version) override;
  // The forward vector, the start and end points, the curve and the bounds.
  void Setup() override;
  void GetPosition(IntVector& at, float& headingOut) override;
  void SetPosition(const IntVector& at, float headingIn) override;
  bool IsVisible(bool) override { return false; }

  // Fills the free places of its slots (first number - 1 on, at most up to slot 47) of a
  // table of 48 start positions.
  void FillStartPositions(StartPosition* table) const;
  // Where slot (0-based, counted over the whole table) stands and its heading.
  void GetSlotPlacement(int slot, IntVector& at, float& headingOut) const;

  uint32_t gridFlags = 0;
  uint8_t columns = 2, rows = 16, straightRows = 0, firstNumber = 1;
  float heading = 0, height;
  float columnSpacing = 8.0f, rowSpacing = 16.0f, stagger = 8.0f;
  int32_t endPoint[2] = {};
  float endHeading = 0;
  // Derived: the cubics of x and y (a, b, c, d0) from the end point (t = 0) to the start
  // point (t = 1.0), the forward vector, a spare word, the start point and the curve's
  // length (16.16).
  int32_t curveX[4] = {}, curveY[4] = {};
  int32_t forward[2] = {0, 65536};
  int32_t spare = 0;
  int32_t startPoint[2] = {};
  int32_t curveLength = 0;
};
FixedOb* MakeStartGrid(const IntVector& at);
