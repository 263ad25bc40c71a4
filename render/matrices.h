// matrices.h - the matrix state of 3D drawing: projection with its near and far planes, view
// and world matrices, and their uploads into the vertex-shader constant rows.
//
// Sections: [State] [Projection] [Matrix helpers] [Uploads] [Seams]
//
// Matrices are floats, row-major 4x4, row vectors multiplied on the left (p' = p M); view
// space has x right, y up and z forward, and the projection maps depth near..far to 0..1.
// The shaders read the uploaded transposes as column-major matrices, which gives them M back.
// Main thread only.
#pragma once
#include <cstdint>

// ---- [State] ----
extern float ProjectionMatrix[16];
extern float NearPlane, FarPlane;
extern float ViewMatrix[16];
extern float WorldMatrix[16];   // identity at each frame start
extern float Row5Matrix[16];    // what the 3x4 row receives by default; identity from pre-initialisation

// The device's starting projection: near 1.0, far 1024.0, 2.0 wide at the near plane.
void InitMatrices();

// ---- [Projection] ----
// Stores near and far, makes the view width widthFactor x near and its height the width times
// the viewport's height / width (1 for a viewport of width 0), sets up the perspective, then
// puts the offsets into row 2, columns 0 and 1.
void SetNearFar(float xOffset, float widthFactor, float nearPlane, float farPlane, float yOffset);
// Into out (null: the projection matrix), with the stored near and far planes.
void SetupPerspective(float* out, float width, float height);
void SetupOrthographic(float* out, float width, float height);

// ---- [Matrix helpers] ----
void MultiplyMatrix(const float a[16], float out[16], const float b[16]);  // out = a b; out may be a or b
void SetIdentityMatrix(float matrix[16]);
// The first three columns of a 4x4, transposed: three rows (x, y, z, translation).
void CopyTransposed3x4(float out[12], const float matrix[16]);

// ---- [Uploads] ----
void UploadViewMatrices();    // world x view x projection into vertex row 0
void UploadProjectionOnly();  // the projection alone into row 0
// Row 0, then in the normal pass the car flag and row 3 (the world's 3x4 and the camera in
// object space) and, while shadows are drawn, the view constants (view_constants.h, relative
// to the view with viewArgument); in the local-light pass the object's local lights instead.
void UploadWorldMatrix(int carFlag, int viewArgument);
void UploadMatrix3x4(const float matrix[16]);  // into vertex row 5
// Six 3-float vectors, each followed by its colour byte / 255, and a scale, into vertex row 2.
void UpdateObjectVSBuffer(const float positions[6][3], const uint8_t colours[6], float scale);

// ---- [Seams] ----
// The lights of the object being drawn in the local-light pass; set by the mesh code.
extern uint32_t ObjectLocalLightMask;
