// graph_data.cpp - the base of every point graph.
#include "core/graph_data.h"

void GraphData::Free() {
  delete[] points;
  points = nullptr;
  numPoints = 0;
}
