// matrices.cpp - projection, view and world matrices and their constant-row uploads.
#include "render/matrices.h"

#include <cstring>

#include "render/constant_buffers.h"
#include "render/material.h"
#include "render/render_target.h"
#include "render/shaders.h"
#include "render/view_constants.h"

float ProjectionMatrix[16];
float NearPlane = 1.0f, FarPlane = 1024.0f;
float ViewMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
float WorldMatrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
float Row5Matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
uint32_t ObjectLocalLightMask;

namespace {

void Transpose(float out[16], const float m[16]) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) out[c * 4 + r] = m[r * 4 + c];
}

void WriteRow(int row, const void* bytes, size_t size) {
  std::memcpy(VSConstants[row].data, bytes, size);
  UpdateVSBufferIfNeeded(row);
}

// Where the eye of combined = world x view sits in the object's space: the origin of view
// space taken back through the inverse of the affine part (scale allowed, not only rotation).
void EyeInObjectSpace(const float m[16], float out[3]) {
  const float a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9], i = m[10];
  float det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
  if (det == 0.0f) {
    out[0] = out[1] = out[2] = 0.0f;
    return;
  }
  float inv[9] = {(e * i - f * h) / det, (c * h - b * i) / det, (b * f - c * e) / det,
                  (f * g - d * i) / det, (a * i - c * g) / det, (c * d - a * f) / det,
                  (d * h - e * g) / det, (b * g - a * h) / det, (a * e - b * d) / det};
  // Row vectors: p_view = p_obj Q + t, so p_obj = (p_view - t) Q^-1; for the eye, -t Q^-1.
  const float t[3] = {m[12], m[13], m[14]};
  for (int col = 0; col < 3; ++col) out[col] = -(t[0] * inv[col] + t[1] * inv[3 + col] + t[2] * inv[6 + col]);
}

}  // namespace

void InitMatrices() {
  SetIdentityMatrix(ViewMatrix);
  SetIdentityMatrix(WorldMatrix);
  SetNearFar(0.0f, 2.0f, 1.0f, 1024.0f, 0.0f);
}

// ---- [Projection] ----

void SetNearFar(float xOffset, float widthFactor, float nearPlane, float farPlane, float yOffset) {
  NearPlane = nearPlane;
  FarPlane = farPlane;
  float width = widthFactor * nearPlane;
  float viewportWidth = RenderTargets.viewport[2], viewportHeight = RenderTargets.viewport[3];
  float height = viewportWidth != 0.0f ? width * (viewportHeight / viewportWidth) : width;
  SetupPerspective(nullptr, width, height);
  ProjectionMatrix[2 * 4 + 0] = xOffset;
  ProjectionMatrix[2 * 4 + 1] = yOffset;
}

void SetupPerspective(float* out, float width, float height) {
  float* m = out ? out : ProjectionMatrix;
  const float n = NearPlane, f = FarPlane;
  std::memset(m, 0, sizeof(float) * 16);
  m[0] = 2.0f * n / width;
  m[5] = 2.0f * n / height;
  m[10] = f / (f - n);
  m[11] = 1.0f;
  m[14] = n * f / (n - f);
}

void SetupOrthographic(float* out, float width, float height) {
  float* m = out ? out : ProjectionMatrix;
  const float n = NearPlane, f = FarPlane;
  std::memset(m, 0, sizeof(float) * 16);
  m[0] = 2.0f / width;
  m[5] = 2.0f / height;
  m[10] = 1.0f / (f - n);
  m[14] = n / (n - f);
  m[15] = 1.0f;
}

// ---- [Matrix helpers] ----

void MultiplyMatrix(const float a[16], float out[16], const float b[16]) {
  float r[16];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r[i * 4 + j] = a[i * 4 + 0] * b[0 * 4 + j] + a[i * 4 + 1] * b[1 * 4 + j] + a[i * 4 + 2] * b[2 * 4 + j] +
                     a[i * 4 + 3] * b[3 * 4 + j];
  std::memcpy(out, r, sizeof r);
}

void SetIdentityMatrix(float matrix[16]) {
  std::memset(matrix, 0, sizeof(float) * 16);
  matrix[0] = matrix[5] = matrix[10] = matrix[15] = 1.0f;
}

void CopyTransposed3x4(float out[12], const float matrix[16]) {
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) out[r * 4 + c] = matrix[c * 4 + r];
}

// ---- [Uploads] ----

void UploadViewMatrices() {
  float worldView[16], combined[16], transposed[16];
  MultiplyMatrix(WorldMatrix, worldView, ViewMatrix);
  MultiplyMatrix(worldView, combined, ProjectionMatrix);
  Transpose(transposed, combined);
  WriteRow(VS_ROW_MATRIX, transposed, sizeof transposed);
}

void UploadProjectionOnly() {
  float transposed[16];
  Transpose(transposed, ProjectionMatrix);
  WriteRow(VS_ROW_MATRIX, transposed, sizeof transposed);
}

void UploadWorldMatrix(int carFlag, int viewArgument) {
  UploadViewMatrices();
  if (CurrentWorldPass == 3) {
    CopyTransposed3x4(LightWorldMatrix, WorldMatrix);
    SetLocalLights(ObjectLocalLightMask, 1);
    return;
  }
  if (CurrentWorldPass != 0) return;
  ShaderCarFlag = carFlag ? 1 : 0;
  float row[16];
  CopyTransposed3x4(row, WorldMatrix);
  float worldView[16];
  MultiplyMatrix(WorldMatrix, worldView, ViewMatrix);
  EyeInObjectSpace(worldView, &row[12]);
  row[15] = 1.0f;
  WriteRow(VS_ROW_WORLD, row, sizeof row);
  if (ShaderShadowFlag) UploadViewPSConstants(viewArgument);
}

void UploadMatrix3x4(const float matrix[16]) {
  float rows[12];
  CopyTransposed3x4(rows, matrix);
  WriteRow(VS_ROW_MATRIX3X4, rows, sizeof rows);
}

void UpdateObjectVSBuffer(const float positions[6][3], const uint8_t colours[6], float scale) {
  float row[28] = {};
  for (int i = 0; i < 6; ++i) {
    row[i * 4 + 0] = positions[i][0];
    row[i * 4 + 1] = positions[i][1];
    row[i * 4 + 2] = positions[i][2];
    row[i * 4 + 3] = float(colours[i]) * (1.0f / 255.0f);
  }
  row[24] = scale;
  WriteRow(VS_ROW_OBJECT, row, sizeof row);
}
