// view_ray.h - the world's view ray: cast through the objects to find what the view looks at
// (the nearest triangle of their level-0 meshes), marched through the road segments it
// crosses, and copied with the followed player's result into the camera's pick record.
//
// Positions are 16.16; the ray's direction is a unit vector in metres.  The hit record's
// candidate strength is a DISTANCE here (16.16, smaller wins, 0 none yet): never mix it with
// an object's RayTest record.  Main thread only.
#pragma once
#include <cstdint>
#include <vector>

#include "core/fixed_math.h"

struct BuiltMesh;
struct ContactProbe;
struct FixedOb;
struct Wld;

struct ViewRaySegment {
  int32_t index;
  float nearDistance, farDistance;  // m along the ray
  FixedOb* segment;
};

struct ViewRay {
  std::vector<ViewRaySegment> segments;  // room 4 first, doubling
  uint8_t includeFlagged = 0;  // test the parts whose material is flagged
  uint8_t kindMode = 3;        // bit 0 placed objects, bit 1 sections
  uint8_t segmentPass = 1;     // segments are marched rather than cast
  float direction[3] = {0, 0, -1};
  int32_t origin[3] = {};
  uint8_t state = 0;           // 0 not computed, 1 nothing met, 2 met
  int32_t index = -1;
  int32_t hitDistance = 0;     // 16.16
  IntVector hitPoint = {};
  float hitNormal[3] = {};
  uint8_t hitBytes[2] = {};
  // The followed player (0 none) and its result, written by the code following its view.
  int32_t followedId = 0;
  int32_t followedDistance = 0;
  IntVector followedPoint = {};
  float followedNormal[3] = {};
};

// Casts the ray through the objects: the index of the object met (the record holds the hit),
// or -1; near and far (m) span the segments listed on the way (with a segment pass).
int CastViewRay(Wld& world, float& nearOut, float& farOut, ContactProbe& hit, int segmentPass);
// Casts, then walks the listed segments in 0.5 m steps from max(near, 0.5).
int MarchViewRay(Wld& world, ContactProbe& hit, int segmentPass);
constexpr float VIEW_RAY_STEP = 0.5f;
// The listed segments whose span covers the step at distance step (m), tested at point: the
// index of the one met, or -1.
int TestSegmentsAt(Wld& world, const IntVector& point, float step, ContactProbe& hit);
void AddRaySegment(Wld& world, int32_t index, FixedOb* segment, float nearDistance, float farDistance);
// The view hit (state 2) or nothing (state 1); without a hit the renderer's ground pick
// stands in, with the normal (0, 0, 1).
void ComputeViewHit(Wld& world);
// Starts a new view ray from origin along a unit direction (state 0).
void SetViewRay(Wld& world, const int32_t origin[3], const float direction[3]);
