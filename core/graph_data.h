// graph_data.h - the base of every point graph: a count and an owned array of points.
//
// Glyphs, world paths and rim profiles derive from it, so it sits in the foundation where each
// of them can reach it.  There is no virtual destructor: owners call Free, then delete or
// clear the object.
#pragma once
#include <cstdint>

struct GraphPoint {
  float x, y;
};

struct GraphData {
  int32_t numPoints = 0;
  GraphPoint* points = nullptr;  // new[]

  virtual void Free();  // releases the arrays and leaves the object empty
};
