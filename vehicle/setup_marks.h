// setup_marks.h - the marks the vehicle editor shows on its car: flat arrows along a seat's
// three axes, written as triangles of 24-byte line vertices into a shared buffer.
//
// Sections: [Triangles] [Axis markers]
//
// Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"

// ---- [Triangles] ----
// A 24-byte vertex: position x, y, z (floats, m), the colour word, two zero floats.
constexpr int MARK_VERTEX_SIZE = 24;
struct MarkBuffer {
  uint8_t* vertices;
  uint16_t* indices;
  uint32_t vertexCapacity, triangleCapacity;
  uint32_t vertexCount, triangleCount;
};
// Three vertices from 16.16 positions and their indices in the order c, b, a; one triangle
// counted.  Nothing when the buffer is full.
void EmitTriangle16(MarkBuffer& out, const IntVector& a, const IntVector& b, const IntVector& c, uint32_t colour);

// ---- [Axis markers] ----
constexpr int32_t MARKER_HALF_WIDTH = 4096;  // 1/16 m across each arrow
// At point (car axes, 16.16), for each of the three axes an arrow of the axes' length (m)
// divided by scale, turned into the view by transform: its shaft in colourA, its head in
// colourB (0xRRGGBB through the brightness table, alpha 0xFF), wound by its length's sign.
void DrawAxisMarker(MarkBuffer& out, const FixedTransform& transform, const IntVector& point, const float axes[3],
                    uint32_t colourA, uint32_t colourB, float scale);
