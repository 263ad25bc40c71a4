// draw2d.h - the 2D draw list that collects the interface and every other 2D drawing of a
// frame and draws it in one pass, and the frame's projection values.
//
// Sections: [Frame values] [List] [Background batch] [Frame calls]
//
// Batches are drawn in order, one mapped write and one indexed draw each (a batch larger than
// the 2D stream is split).  Batch 0 is kept for the background picture, which is added after
// the interface but drawn before it.  Coordinates are the interface's normalised screen units
// (x -1 left .. 1 right, y -1 top .. 1 bottom) taken through the screen window.  Main thread only.
#pragma once
#include <cstdint>
#include <vector>

struct Material;

// ---- [Frame values] ----
// The projection values of a drawn frame, set by the frame loop from the screen layout.
struct FrameProjection {
  float aspect = 1.0f, inverseAspect = 1.0f;
  float xScale = 0.0f, yScale = 0.0f;
  float fieldFactor = 1.0f;
};

extern FrameProjection Projection;
extern float Draw2DPixelScale;      // 1024 / 1920 with graphics, else 1.0
extern int InterfaceDrawing;        // set while the interface is drawn
extern float ViewAreaWidthFraction, ViewAreaHeightFraction;  // from the screen layout
// Set by the interface's alternative shader mode: the pixel-shader binding is forgotten after
// the first batch of a flush.
extern int AlternativeInterfaceShaderMode;

// ---- [List] ----
struct Draw2DBatch {
  uint8_t active;   // batch 0 stays inactive until the background is written into it
  uint8_t blend;    // 1 alpha blending, 0 opaque
  const Material* material;
  uint32_t vertexCount, triangleCount;
  uint32_t firstVertex, firstTriangle;  // where the batch's vertices and triangles begin
  uint8_t sampler;  // the sampler state the batch's texture is read through (0 the usual one)
  // Drawn from a stream of its own with its reach told (a blinking text cursor): whether it
  // is there or not, the other batches' draws take the same bytes, and a frame that differs
  // from the last only by it changes only its few pixels (render/kept_scene.h).
  uint8_t apart;
};
struct Draw2DVertex {
  float x, y;       // clip space
  float u, v;
  uint32_t colour;  // 0xAARRGGBB after the brightness table
};
struct Draw2DTriangle {
  uint32_t a, b, c;  // relative to the batch's first vertex
};
struct Draw2DCounters {
  uint32_t batchCount, vertexCount, triangleCount;
  uint32_t batchVertexStart, batchTriangleStart;  // where the open batch began
  uint8_t batchOpen;
};

constexpr uint32_t DRAW2D_INITIAL_BATCHES = 256;
constexpr uint32_t DRAW2D_INITIAL_VERTICES = 4096;
constexpr uint32_t DRAW2D_INITIAL_TRIANGLES = 4096;

struct Draw2D {
  // The arrays' sizes are their room; they double when full and never shrink until Free.
  std::vector<Draw2DBatch> batches;
  std::vector<Draw2DVertex> vertices;
  std::vector<Draw2DTriangle> triangles;
  Draw2DCounters counters;
  Draw2DCounters saved;     // while the background batch is written
  uint8_t inBackground;
  uint8_t refusedReported;  // one message per frame for refused writes
  std::vector<uint32_t> remap, remapStamp;  // splitting a batch larger than the 2D stream
  uint32_t stamp;

  void Init();
  void Free();
  void Reset();
  void Flush();
  // none: the default material; sampler: the entry of the sampler table the batch reads its
  // texture through (0 the usual one).
  void StartBatch(const Material* material, int sampler = 0);
  // A batch drawn apart (Draw2DBatch::apart); one larger than its stream is drawn as others are.
  void StartApartBatch(const Material* material);
  void EndBatch();
  // Index within the batch, or -1 (nothing added) when no batch is open.
  int AddVertex(uint32_t colour, float x, float y, float u, float v);
  void AddTriangle(int a, int b, int c);
  void AddQuad(int a, int b, int c, int d);  // (a, b, c) and (c, d, a)

  // Interface pictures: the open batch draws picture boundPicture (-1 none).
  int32_t boundPicture = -1;
  // Binds interface picture `picture` to the list: a batch drawing another picture is closed
  // first, and a new batch opened on the picture's sheet.
  void UseTexture(int picture);
  // Closes the batch when a picture is bound; none is bound afterwards.
  void CloseOpenBatch();
  // A square quad around (cx, cy) of half size `half`, u and v 0..1; with aspect set the
  // vertical half size is multiplied by the interface's aspect factor (so it is square on
  // the screen).
  void AddRect(uint32_t colour, int aspect, float cx, float cy, float half);
};
extern Draw2D Draw2DList;

// ---- [Interface pictures] ----
// The interface's pictures by index: pictures 0..1023 are the cells of the interface sprite
// sheet (32 x 32 cells, picture n at column n % 32, row n / 32; 415 is the pointer).
constexpr int INTERFACE_POINTER_PICTURE = 415;
constexpr int SPRITE_SHEET_CELLS = 32;
struct PictureCell {
  const Material* material;  // null while the sheet is not loaded: the default material
  float u0, v0, u1, v1;      // the picture's rectangle on the sheet
};
// 0 for an index outside the table.
int FindInterfacePicture(int index, PictureCell& out);

// ---- [Background batch] ----
// Between these two calls the 4 vertices and 2 triangles written go into batch 0.
void BeginBackgroundBatch(const Material* material);
void EndBackgroundBatch();

// ---- [Frame calls] ----
void FlushDraw2D();  // Draw2DList.Flush()
void ResetDraw2D();  // Draw2DList.Reset()
