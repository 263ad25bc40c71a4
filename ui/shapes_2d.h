// shapes_2d.h - filled rectangles, pixel lines and interface pictures put into the renderer's
// 2D lists for the interface, the dashboard and the editors' graphs.
//
// Sections: [Stream shapes] [Pictures]
//
// Called during a frame's draw.  Main thread only.
#pragma once
#include <cstdint>

struct Material;

// ---- [Stream shapes] ----
// Into the shared 2D stream, in pixels (x right, y down).  The triangles are drawn and the
// batch started again when it holds STREAM_FLUSH_VERTICES; a line batch is drawn and opened
// again past LINE_FLUSH_VERTICES.
constexpr uint32_t STREAM_FLUSH_VERTICES = 5120;
constexpr uint32_t LINE_FLUSH_VERTICES = 16382;
// One quad with its corners at the pixel corners, u and v 0..1.
void FillRect2D(float x0, float y0, float x1, float y1, uint32_t colour);
// Two vertices into the open line batch (BeginLineBatch2D), half a pixel in so that the line
// falls on pixel centres; nothing while no line batch is open.
void EmitLine2D(uint32_t colour, float x0, float y0, float x1, float y1);
void EmitHLine2D(float x0, float y, float x1, uint32_t colour);
void EmitVLine2D(float x, float y0, float y1, uint32_t colour);

// ---- [Pictures] ----
// Into the 2D draw list (render/draw2d.h).  The interface's pointer (picture 415) as a square
// turned by angle (rad) around (x, y) in normalised units: size is the distance from the centre
// to each corner across the screen (the vertical distances times the aspect factor), and at
// angle 0 the picture stands upright.  The sheet's cell is sampled 2.5 % of its width inside.
void DrawRotatedPicture(uint32_t colour, float angle, float x, float y, float size);
// A square of min(half the screen height, 512) pixels in the bottom right corner of the screen.
void DrawTextureCorner(const Material* texture);
// The same square in the top right corner (a page's preview of a render texture), and its
// side in pixels for a screen.
void DrawTextureTopRight(const Material* texture);
int TextureCornerSide(int screenWidth, int screenHeight);
// The texture in one white quad of its own batch over the rectangle (device units, y up),
// half a texel in at each edge.  Mode 1 fills the height and shows the middle of the width
// that fits, mode 2 shows the whole texture with the quad narrowed (or lowered) to its shape,
// any other mode fills the width and shows the middle of the height that fits (the quad
// lowered when the rectangle is taller than the texture).  Nothing for a texture below 2 x 2
// texels or a rectangle without width or height.
void DrawTextureInRect(const Material* texture, int mode, float top, float left, float bottom, float right);
