// graph_data.cpp - the base of every point graph.
#include "core/graph_data.h"

#include "core/data_file.h"

namespace {
constexpr int GRAPH_POINT_BYTES = 8;
}

void GraphData::Free() {
  delete[] points;
  points = nullptr;
  numPoints = 0;
}

int ReadGraphPoints(GraphData& graph, DataFile& file, int maxPoints) {
  graph.Free();
  const int32_t count = file.ReadInt();
  if (file.readPastEnd || count < 0 || count > maxPoints || int64_t{count} * GRAPH_POINT_BYTES > file.BytesLeft()) {
    if (count > 0) file.readPastEnd = 1;
    return 0;
  }
  graph.points = count ? new GraphPoint[count] : nullptr;
  graph.numPoints = count;
  for (int i = 0; i < count; ++i) {
    graph.points[i].x = file.ReadFloat();
    graph.points[i].y = file.ReadFloat();
  }
  return 1;
}

void WriteGraphPoints(const GraphData& graph, DataFile& file) {
  file.WriteInt(graph.numPoints);
  for (int i = 0; i < graph.numPoints; ++i) {
    file.WriteFloat(graph.points[i].x);
    file.WriteFloat(graph.points[i].y);
  }
}
