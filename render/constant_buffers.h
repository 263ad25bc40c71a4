// constant_buffers.h - the shader constant rows of the vertex, pixel and compute stages, and
// the small buffer set of a compute job.
//
// Sections: [Rows] [Uploads] [Compute]
//
// A row is one constant buffer with two copies in memory: `data`, which drawing code fills,
// and `shadow`, what the buffer holds.  An upload compares the two first and reaches the
// device only when they differ.  Vertex rows 0..9 and pixel rows 0..7 stay bound in their
// slots; the later rows share slots and are bound when they are uploaded.  Main thread only.
#pragma once
#include <cstdint>

#include "platform/gfx.h"

// ---- [Rows] ----
struct ConstantRow {
  uint8_t* data;    // filled by drawing code
  uint8_t* shadow;  // what the buffer holds; valid once `uploaded` is set
  uint32_t size;    // bytes
  uint8_t slot;     // shader register
  uint8_t uploaded;
  GfxBuffer buffer;
};
constexpr int VS_CONSTANT_ROWS = 16;
constexpr int PS_CONSTANT_ROWS = 20;
constexpr int CS_CONSTANT_ROWS = 1;
constexpr int VS_FIXED_ROWS = 10;  // rows below this are bound at creation and stay bound
constexpr int PS_FIXED_ROWS = 8;
constexpr int CONSTANT_SLOTS = 16;

extern ConstantRow VSConstants[VS_CONSTANT_ROWS];
extern ConstantRow PSConstants[PS_CONSTANT_ROWS];
extern ConstantRow CSConstants[CS_CONSTANT_ROWS];
// Which row is bound in each slot; 0xFF none.
extern uint8_t VSBoundRow[CONSTANT_SLOTS], PSBoundRow[CONSTANT_SLOTS], CSBoundRow[CONSTANT_SLOTS];
// Rows written to the device since the start (for the profiler and the tests).
extern uint32_t ConstantUploadCount;

// Vertex row 0 holds world x view x projection (4x4, transposed), row 3 the world transform
// and the camera in object space, row 5 a 3x4 matrix, row 2 the object's light terms.
constexpr int VS_ROW_MATRIX = 0, VS_ROW_OBJECT = 2, VS_ROW_WORLD = 3, VS_ROW_MATRIX3X4 = 5;
// The view's lighting: the light scale (32 bytes), the channels (16), the three light
// matrices with the light factors and the fog (256), and the lights themselves (96).  Rows
// 10..13 hold the transforms of one to four local lights; the view's lights take row 14,
// which shares slot 10 and is bound again whenever it is uploaded.
constexpr int VS_ROW_LIGHT_SCALE = 4, VS_ROW_LIGHT_CHANNELS = 8, VS_ROW_LIGHT_MATRICES = 9, VS_ROW_VIEW_LIGHTS = 14;

// The object-transform constants of a layered world object (its x, y, z, size, the wind's
// direction and strength: 32 bytes), read by the tree variant of the world vertex shader; a
// slot of their own (14).
constexpr int VS_ROW_OBJECT_TRANSFORM = 15;

// The view constants (view_constants.h): a buffer of their own in pixel slot 13.
constexpr int PS_ROW_VIEW_CONSTANTS = 19;

int CreateConstantBuffers();  // 1 when every row was made
void ReleaseConstantBuffers();

// ---- [Uploads] ----
// The row's data to the device when it differs from what the buffer holds; rows that share a
// slot are then bound there.
void UpdateVSBufferIfNeeded(int row);
void UpdateMaterialVSBuffers(int row);
void UpdatePSBufferIfNeeded(int row);
void UpdatePSBuffer(int row);                    // without comparing
void UpdateCSBufferIfNeeded(const void* data);   // the compute row's 16 bytes
void SetVSBufferActive(int row);                 // skipped when the row is bound in its slot
void SetPSBufferActive(int row);
// The material code's entry: bytes copied into the row's data (at most the row's size) and
// uploaded if changed.  stage 0 vertex, 1 pixel, 2 compute.
void UploadConstantRowData(int stage, int row, const void* bytes, uint32_t size);

// ---- [Compute] ----
constexpr uint32_t COMPUTE_BUFFER_BYTES = 256;
struct ComputeJob {
  GfxBuffer rawBuffer;            // unordered access and shader resource, raw views allowed
  GfxUnorderedAccessView view;    // raw, 64 elements
  GfxBuffer readBuffer;           // staging copy for reading back
};
// The job the exposure code uses: made with the device when it can run compute shaders.
extern ComputeJob SharedComputeJob;

// Null, or the name of the step that failed (what was made is released).
const char* CreateComputeBuffers(ComputeJob& job);
void ReleaseComputeBuffers(ComputeJob& job);
// A raw view for a raw buffer, format unknown and byte width / stride elements for a
// structured one; anything else is GFX_E_INVALIDARG.
GfxResult CreateBufferUAV(GfxBuffer buffer, GfxUnorderedAccessView* out);
// Compute shader 2 over groupsX x groupsY x 1 groups, writing the view and reading the texture.
void RunComputeShader(GfxUnorderedAccessView view, uint32_t groupsX, uint32_t groupsY, GfxShaderResourceView texture);
void GetComputeShaderResult(ComputeJob& job);  // the raw buffer into the read-back copy
