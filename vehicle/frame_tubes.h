// frame_tubes.h - the space frame drawn as prisms: every tube between two frame points (and
// its mirror across the car's centre plane), cross tubes from a point to its mirror, and
// tubes that end on the wheels' axles.  Thin or far tubes are cut by their distance to
// radius ratio before any geometry is made; near ones get eight sides, others four.
//
// Sections: [Tables] [Vertices] [Prisms] [The frame]
//
// The geometry goes into one batch of 32-byte vertices and 16-bit indices that the lit pass
// draws.  Main thread only; the tables are filled once at start-up (InitSinTable).
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "vehicle_data/frame_records.h"

// ---- [Tables] ----
constexpr int TUBE_DIRECTIONS = 8;  // 0, 45, ..., 315 degrees
struct TubeTables {
  int32_t sin[TUBE_DIRECTIONS], cos[TUBE_DIRECTIONS];  // x 65536, rounded
  // The flat section's normals: with k = 65536 / sqrt((2 cos)^2 + (0.5 sin)^2),
  // round(k x 0.5 sin) (along the car's length) and round(k x 2 cos) (across).
  int32_t ellipseLength[TUBE_DIRECTIONS], ellipseAcross[TUBE_DIRECTIONS];
};
extern TubeTables TubeSines;

// ---- [Vertices] ----
// A drawn vertex of 32 bytes: position x, y, z (floats, m), the normal as three signed bytes
// round(c x 127) and 0x7F, a colour word, a zero word, u and v (floats).
constexpr int DRAW_VERTEX_SIZE = 32;
// The tubes' colour word: white, so that the plain white texture shows the frame white under
// the lit shader (which takes this word as the vertex colour).
constexpr uint32_t TUBE_VERTEX_WORD = 0x00FFFFFF;
void WriteDrawVertex(uint8_t* out, const float position[3], const float normal[3], uint32_t word, float u, float v);

// Where a prism is written: the vertex and index arrays of an open batch and how much of
// them is used.  A write that would pass a capacity writes nothing.
struct TubeBatch {
  uint8_t* vertices;
  uint16_t* indices;
  uint32_t vertexCapacity, indexCapacity;
  uint32_t vertexCount, indexCount;
};

// ---- [Prisms] ----
// Radius 16.16 m.  Round: a square prism, or with nearSides an octagonal one.  Flat: an
// elliptical section of half width radius / 2 across and, along the car's length, 2 x radius
// times the length component of the cross axis (nothing when that is below 1/256 m).  A
// tube of zero length keeps a zero axis and gives a degenerate prism.
void DrawTube(TubeBatch& batch, const IntVector& start, const IntVector& end, int32_t radius, int flat, int nearSides);

// ---- [The frame] ----
constexpr uint32_t TUBE_VISIBLE = 1u << 0;       // the tube is drawn in normal drawing (the editor's mark)
constexpr uint32_t TUBE_CENTRE_PLANE = 1u << 2;  // lies on the centre plane: no mirror
constexpr float TUBE_DRAW_RATIO = 1800.0f;       // drawn while distance < radius x this
constexpr float TUBE_NEAR_RATIO = 300.0f;        // eight sides while distance < radius x this
constexpr uint32_t TUBE_BATCH_PER_TUBE = 16;     // vertices (and the size hint) per counted tube
constexpr uint32_t TUBE_INDICES_PER_TUBE = 48;
constexpr int AXLE_POINTS = 6;                   // end indices -1 .. -6
constexpr uint32_t CAR_OPTION2_FLAT_AXLE_TUBES = 1u << 12;

struct FrameScene {
  const FramePoint* points;
  int pointCount;
  const FrameTube* tubes;
  int tubeCount;
  // The axle points by end index -1 .. -6 (index 0 is -1): the point from the wheel on side
  // 1.0 and its mirror from the other side; valid 0 where the car has none.
  IntVector axlePoint[AXLE_POINTS], axleMirror[AXLE_POINTS];
  uint8_t axleValid[AXLE_POINTS];
  uint32_t option2;  // the car's second option word
};
// The prisms the frame needs at most: a cross tube 1, a tube with an axle end 2, a tube
// between frame points 2 (1 on the centre plane).
uint32_t CountFrameTubes(const FrameScene& scene, int allTubes);
// Writes every tube to draw (all, or the visible ones only) at lodDistance (16.16 m) with
// viewDirZ (16.16) into the batch.  Returns the tubes drawn; an end the frame does not have
// leaves its tube out.
int DrawFrameTubeGeometry(TubeBatch& batch, const FrameScene& scene, int allTubes, int32_t lodDistance,
                          int32_t viewDirZ);
