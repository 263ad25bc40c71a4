// immediate.h - the three shared immediate streams and what writes into them: 2D vertices
// in pixels, quads, full-screen quads and 2D line batches; 3D lines, ground grids and the
// footprint rectangle; and the fixed-point vector helpers the line code uses.
//
// Sections: [Streams] [2D] [3D lines] [Grids] [Seams] [Fixed-point vectors]
//
// All three streams are dynamic with room for 65536 triangles.  The 3D line stream draws
// itself and starts again when it reaches its 65534 vertices (lines add two vertices, so a
// line is never split); the 2D emitters refuse, with a message, what does not fit.
// Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "render/buffers.h"

// ---- [Streams] ----
constexpr uint32_t STREAM_2D_VERTICES = 16384;
constexpr uint32_t STREAM_3D_VERTICES = 65534;
constexpr uint32_t STREAM_LIT_VERTICES = 65534;
constexpr uint32_t STREAM_TRIANGLES = 65536;

extern CircularVBuffer Stream2D;       // format 3: interface quads, 2D lines and strips, full-screen quads
extern CircularVBuffer StreamLines3D;  // format 2: 3D lines, grids, markers, simple 3D triangles
extern CircularVBuffer StreamLit;      // format 1: lit immediate geometry
// Format 3, small: the 2D list's batches drawn apart (render/draw2d.h), made when first started.
extern CircularVBuffer StreamApart2D;
constexpr uint32_t APART_2D_VERTICES = 256;
constexpr uint32_t APART_2D_TRIANGLES = 256;

// The 2D stream now (1 when made), the 3D streams when first started.
int CreateImmediateBuffers();
void CloseImmediateBuffers();

// ---- [2D] ----
// Pixels (x right, y down) to clip space on the current screen size; returns the index
// written, or -1 (nothing written) when the batch is full or none is open.
int EmitVertex2D(uint32_t colour, float x, float y, float u, float v);
void EmitQuadIndices(int a, int b, int c, int d);  // a, b, c, c, d, a
void EmitFullScreenQuad();  // four white vertices in strip order, u, v 0..1
// Four white vertices in strip order over the clip-space rectangle (x0, y0 top left, x1, y1
// bottom right; y up), u0..u1 left to right and v0..v1 top to bottom.
void EmitStripQuad(float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1);
int BeginLineBatch2D();     // 1 when a line batch was opened, 0 when one is open already
void EndLineBatch2D();
void DrawPending2DTriangles(int samplerIndex);
void DrawPendingStrip(int samplerIndex);

// ---- [3D lines] ----
// Positions in metres.  The batch is open from BeginLineBatch3D to EndLineBatch3D.
bool Line3DBatchOpen();
int BeginLineBatch3D();  // 1 when a line batch was opened, 0 when one is open already
void EndLineBatch3D();
void EmitLine3D(uint32_t colour, const float a[3], const float b[3]);
// Vertices and indices of simple 3D triangles on a triangle batch of the same stream.
int EmitVertex3D(uint32_t colour, float x, float y, float z, float u, float v);  // -1 when full
void EmitTriangleIndices3D(int a, int b, int c);
void EmitQuadIndices3D(int a, int b, int c, int d);
// 16.16 points (metres x 65536); drawn only while a 3D line batch is open.
void DrawLineFixed3D(const int32_t a[3], const int32_t b[3], uint32_t colour);
// Points relative to the current view, taken into the world first: the view rotation
// transposed, then the view's position.
void DrawLineBetweenPoints3D(const int32_t a[3], const int32_t b[3], uint32_t colour);

// ---- [Grids] ----
// Size and step in 16.16 metres, on the ground plane z = 0.  n = (size - 1) / step + 1 steps
// each way; every tenth line in the strong grey, the others in the weak grey; the two centre
// lines carry an arrow head at their positive ends.  A grid of more than MAX_GRID_STEPS steps
// each way, or a step of 0 or less, is refused with a message.
constexpr int32_t MAX_GRID_STEPS = 4096;
void DrawGroundGrid(int32_t size, int32_t step);
void DrawOrientedGrid(int32_t size, int32_t step, const FixedMatrix& matrix);  // no arrows
void DrawFootprintRectangle(float angleRadians);  // about the vertical axis, in the message colour

// ---- [Seams] ----
// The grid greys as bytes before the brightness table; the interface sets them from its
// colour settings ("Button Col " and "Text Unavailable ", ui/interface_config.h).
extern uint8_t GridStrongGrey, GridWeakGrey;
// The half-length and half-width of the footprint rectangle, metres; set by the vehicle editor.
extern float FootprintHalfLength, FootprintHalfWidth;

// ---- [Fixed-point vectors] ----
void AddScaledFixedVector(int32_t a[3], const int32_t v[3], int32_t k);  // a += (v k) >> 16
void ScaleFixedVector(int32_t out[3], const int32_t v[3], int32_t k);    // out = (v k) >> 16
