// start_grid.cpp - the start grid's record, its curve and its places.
#include "world/start_grid.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "core/config.h"
#include "core/data_file.h"
#include "core/report.h"
#include "world/racing_path.h"
#include "world/world.h"

namespace {

// A stored float that is not finite keeps the default (rounding NaN is undefined).
void ReadFinite(DataFile& stream, float& field, const char* what) {
  const float v = stream.ReadFloat();
  if (std::isfinite(v)) {
    field = v;
    return;
  }
  if (CfgDebugLevel > 0) {
    char text[64];
    std::snprintf(text, sizeof text, "Start grid - bad %s", what);
    ReportLine(text, REPORT_ERROR);
  }
}

int32_t Product(int32_t fixed, double metres) { return NearestSaturated(double(fixed) * metres); }

}  // namespace

WStartGrid::WStartGrid(const IntVector& at) : FixedOb(OBJECT_START_GRID), height(float(at.z) / 65536.0f) {
  position[0] = at.x;
  position[1] = at.y;
}

FixedOb* MakeStartGrid(const IntVector& at) { return new (std::nothrow) WStartGrid(at); }

void WStartGrid::Load(DataFile& stream, int) {
  gridFlags = stream.ReadUInt();
  columns = uint8_t(stream.ReadByte());
  rows = uint8_t(stream.ReadByte());
  straightRows = uint8_t(stream.ReadByte());
  firstNumber = uint8_t(stream.ReadByte());
  ReadFinite(stream, heading, "heading");
  ReadFinite(stream, height, "height");
  ReadFinite(stream, columnSpacing, "column spacing");
  ReadFinite(stream, rowSpacing, "row spacing");
  ReadFinite(stream, stagger, "stagger");
  endPoint[0] = endPoint[1] = 0;
  endHeading = 0;
  if (gridFlags & START_GRID_CURVED) {
    endPoint[0] = stream.ReadInt();
    endPoint[1] = stream.ReadInt();
    ReadFinite(stream, endHeading, "end heading");
  }
  if (firstNumber == 0) {
    firstNumber = 1;
    if (columns > 2) columnSpacing /= float(columns - 1);
  }
  // No built-in track needs its old grids lengthened (no track codes are listed).
}

void WStartGrid::Setup() {
  flags |= 4;
  const double s = std::sin(heading), c = std::cos(heading);
  forward[0] = -NearestSaturated(s * 65536.0);
  forward[1] = NearestSaturated(c * 65536.0);
  if (gridFlags & START_GRID_CURVED) {
    const double d = double(straightRows) * rowSpacing;
    startPoint[0] = int32_t(int64_t(position[0]) + NearestSaturated(d * s * 65536.0));
    startPoint[1] = int32_t(int64_t(position[1]) - NearestSaturated(d * c * 65536.0));
  } else {
    endHeading = heading;
    const double d = double(rows) * rowSpacing;
    endPoint[0] = int32_t(int64_t(position[0]) + NearestSaturated(d * s * 65536.0));
    endPoint[1] = int32_t(int64_t(position[1]) - NearestSaturated(d * c * 65536.0));
    startPoint[0] = position[0];
    startPoint[1] = position[1];
  }
  const double dx = double(int64_t(endPoint[0]) - startPoint[0]), dy = double(int64_t(endPoint[1]) - startPoint[1]);
  curveLength = NearestSaturated(std::sqrt(dx * dx + dy * dy));
  const int32_t endForward[2] = {-NearestSaturated(std::sin(endHeading) * 65536.0),
                                 NearestSaturated(std::cos(endHeading) * 65536.0)};
  int32_t* cubic[2] = {curveX, curveY};
  for (int k = 0; k < 2; ++k) {
    const int64_t d0 = endPoint[k], p1 = startPoint[k];
    const int64_t cc = (int64_t(endForward[k]) * curveLength) >> 16;
    const int64_t m = (int64_t(forward[k]) * curveLength) >> 16;
    cubic[k][0] = int32_t(cc + m + 2 * (d0 - p1));
    cubic[k][1] = int32_t(3 * (p1 - d0) - 2 * cc - m);
    cubic[k][2] = int32_t(cc);
    cubic[k][3] = int32_t(d0);
  }
  centre = {position[0], position[1], NearestSaturated(double(height) * 65536.0)};
  const double across = double(columnSpacing) * (columns - 1) / 2.0;
  const double along = double(rows - 1) * rowSpacing + double(stagger) * (columns - 1);
  radius = NearestSaturated(std::sqrt(across * across + along * along) * 65536.0);
}

void WStartGrid::GetPosition(IntVector& at, float& headingOut) {
  at = {position[0], position[1], 0};
  headingOut = heading;
}

void WStartGrid::SetPosition(const IntVector& at, float headingIn) {
  position[0] = at.x;
  position[1] = at.y;
  heading = headingIn;
}

void WStartGrid::FillStartPositions(StartPosition* table) const {
  const int first = std::max(int(firstNumber), 1) - 1;
  const int last = std::min(first + int(columns) * int(rows), WORLD_START_POSITIONS);
  for (int slot = first; slot < last; ++slot) {
    StartPosition& p = table[slot];
    if (p.used) continue;
    p.used = 1;
    p.fixedHeading = 1;
    p.overrideByte = 1;
    p.marked = (gridFlags & START_GRID_MARKS) ? 1 : 0;
    GetSlotPlacement(slot, p.position, p.heading);
  }
}

void WStartGrid::GetSlotPlacement(int slot, IntVector& at, float& headingOut) const {
  const int cols = std::max(int(columns), 1);
  const int i = slot - (std::max(int(firstNumber), 1) - 1);
  const int row = i / cols, column = i % cols;
  double lateral = double(columnSpacing) * column - double(cols - 1) * columnSpacing / 2.0;
  if (gridFlags & START_GRID_MIRRORED) lateral = -lateral;
  at.z = NearestSaturated(double(height) * 65536.0);
  const bool curved = (gridFlags & START_GRID_CURVED) && row >= straightRows && curveLength != 0;
  if (!curved) {
    // Rows from the anchor; a curve of length 0 goes on straight the same way.
    const double back = -(double(row) * rowSpacing) - double(stagger) * column;
    const int32_t right[2] = {forward[1], -forward[0]};
    at.x = int32_t(int64_t(position[0]) + Product(forward[0], back) + Product(right[0], lateral));
    at.y = int32_t(int64_t(position[1]) + Product(forward[1], back) + Product(right[1], lateral));
    headingOut = heading;
    return;
  }
  const double backCurve = -(double(row - straightRows) * rowSpacing) - double(stagger) * column;
  const double lm = double(curveLength) / 65536.0;
  // Rows past the end point go on along the cubic, at most as far again (the cubic's words stay
  // within 64 bits).
  const int32_t t = std::clamp(NearestSaturated((lm + backCurve) * 65536.0 / lm), -65536, 65536);
  const int64_t t2 = (int64_t(t) * t) >> 16;
  auto tangent = [&](const int32_t* cubic) {
    return ((3 * int64_t(cubic[0]) * t2) >> 16) + ((2 * int64_t(cubic[1]) * t) >> 16) + cubic[2];
  };
  const double tx = double(tangent(curveX)) / 65536.0, ty = double(tangent(curveY)) / 65536.0;
  headingOut = float(std::atan2(-tx, ty));
  const CubicCurve cx = {curveX[0], curveX[1], curveX[2], curveX[3]};
  const CubicCurve cy = {curveY[0], curveY[1], curveY[2], curveY[3]};
  at.x = int32_t(int64_t(cx.Evaluate(t)) + NearestSaturated(std::cos(double(headingOut)) * lateral * 65536.0));
  at.y = int32_t(int64_t(cy.Evaluate(t)) + NearestSaturated(std::sin(double(headingOut)) * lateral * 65536.0));
}
