// mesh_local.h - what the two kinds of display mesh share inside the renderer: radii,
// shadows, the packing of Gouraud vertices, and the triangle batches written into the shared
// 3D stream.
#pragma once
#include <cstdint>
#include <cstring>

#include "core/gamma_tables.h"
#include "render/buffers.h"
#include "render/gouraud_mesh.h"

// round(|child translation| + the child's radius), 16.16, held to 0..INT32_MAX.
int32_t ChildRadiusCandidate(const DrawMesh& child);
// The radius of points given as 16.16 positions (stride in bytes between them), and then the
// children's candidates; held to 0..INT32_MAX.
void SetRadiusFromPoints(DrawMesh& mesh, const int32_t* firstPosition, size_t strideBytes);

// Whether shadows are drawn under CurrentView: a light from above (z of at least 1/32) and
// shadows switched on.  The shadow colour is the view's ambient times the tint.
bool ShadowsAllowed();
uint32_t ShadowColour();
// A world point moved along the light onto z = 0, in metres.
void ShadowPoint(const IntVector& world, float out[3]);

// ---- Gouraud vertices ----
inline int RoundAway(float v) { return int(v + (v < 0.0f ? -0.5f : 0.5f)); }
inline int8_t NormalByte(float v) {
  int b = RoundAway(v * 127.0f);
  return int8_t(b < -127 ? -127 : b > 127 ? 127 : b);
}
// The normal's fourth byte from the top two bits of the point's flags.
inline int8_t NormalFourthByte(uint8_t flags) {
  static const int8_t BYTES[4] = {127, 64, 32, 16};
  return BYTES[flags >> 6];
}
// Red, green and blue of the point's colour through the brightness table, top byte 0; a
// point without a colour record is white.
inline uint32_t PointRgb(const GouraudColour* c) {
  if (!c) return 0x00FFFFFFu;
  return uint32_t(BrightnessTable[c->red]) << 16 | uint32_t(BrightnessTable[c->green]) << 8 |
         BrightnessTable[c->blue];
}
inline uint32_t PointSpecular(const GouraudColour* c, uint32_t specularWord) {
  return c && (c->flags & GOURAUD_COLOUR_SPECULAR) ? specularWord : 0u;
}

// Triangles written straight into the shared 3D stream (positions in metres, a colour, no
// texture): a line batch open there is drawn first and opened again at Finish.
struct StreamTriangles {
  bool linesWereOpen = false;
  // Opens a batch for that many vertices and triangles; false (reported once per batch) when
  // they pass the stream's room, or when the stream refused.
  bool Start(uint32_t vertices, uint32_t triangles);
  void Vertex(float x, float y, float z, uint32_t colour) {
    CircularVBuffer& s = *stream;
    const VertexLine3D v{x, y, z, colour, 0.0f, 0.0f};
    std::memcpy(s.vertexWrite, &v, sizeof v);
    s.vertexWrite += sizeof v;
    ++s.vertexCount;
  }
  void Triangle(uint32_t a, uint32_t b, uint32_t c) {
    CircularVBuffer& s = *stream;
    s.indexWrite[0] = uint16_t(a);
    s.indexWrite[1] = uint16_t(b);
    s.indexWrite[2] = uint16_t(c);
    s.indexWrite += 3;
    ++s.triangleCount;
  }
  uint32_t VertexCount() const { return stream->vertexCount; }
  void Draw();    // draws what the batch holds
  void Finish();  // reopens the line batch

  CircularVBuffer* stream = nullptr;
};
