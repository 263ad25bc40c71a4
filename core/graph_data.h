// graph_data.h - the base of every point graph: a count and an owned array of points, and the
// reader and writer of a graph's points in a data file.
//
// Glyphs, world paths, rim profiles and pot outlines derive from it, so it sits in the
// foundation where each of them can reach it.  There is no virtual destructor: owners call
// Free, then delete or clear the object.
#pragma once
#include <cstdint>

struct DataFile;

struct GraphPoint {
  float x, y;
};

struct GraphData {
  int32_t numPoints = 0;
  GraphPoint* points = nullptr;  // new[]

  virtual void Free();  // releases the arrays and leaves the object empty
};

// Reads an i32 count and that many pairs of floats into graph (freed first).  0, with the
// graph left empty, for a negative count, a count above maxPoints or one beyond the bytes the
// file has left (readPastEnd is then set when the count was positive); else 1.
int ReadGraphPoints(GraphData& graph, DataFile& file, int maxPoints);
// Writes the count (32 bits) and each point's x and y (floats), in any write mode of the file:
// the form ReadGraphPoints reads.
void WriteGraphPoints(const GraphData& graph, DataFile& file);
