// model_lod_cache.h - the render cache of one level of detail: its triangles turned into
// vertices with smooth normals, and the model checks made in the same pass.
//
// Sections: [Records] [Limits] [Skeletons] [Checks] [Building] [Texts]
//
// One cache vertex stands for each point, side (the point itself or its mirrored copy) and
// smoothing group that a triangle of the level uses; its normal is the sum of the face
// normals of the corners it serves, each weighted by the corner's angle, then normalised.
// The same pass counts five kinds of problem (degenerate, too small and too thin triangles,
// triangles spanning two cutouts, points with bad normals) and reports them through the
// check hooks, which the modeller points at its problem report (InstallModellerHooks,
// modeller/screen/model_checks.h).  Problems never stop the build.  The display meshes
// (model_meshes.h) read the cache.  Main thread only.
#pragma once
#include <cstdint>

#include "model/model_object.h"

// ---- [Records] ----
constexpr uint8_t CACHE_SIDE_MIRRORED = 1;  // the mirrored copy: the mapping's second cutout
constexpr uint8_t CACHE_SIDE_LIGHTING = 0xC0;  // the point's lighting class

struct ModelCacheVertex {
  uint8_t transform;         // the bone it follows with a skeleton, else 0
  uint8_t fullContribution;  // a triangle of normal level 1 or more has added to it
  uint8_t mapping;           // the mapping of the triangle that made it
  uint8_t side;              // CACHE_SIDE_MIRRORED and the lighting class
  uint16_t group;            // its smoothing group
  uint16_t point;            // the point it was made from
  int32_t position[3];       // 16.16; in its bone's frame with a skeleton
  float normal[3];           // unit length once built
};

// The mapping is named by its index: the mesh triangle's 32-bit value carries it on.
struct ModelCacheTriangle {
  uint16_t index[3];  // cache vertices, wound clockwise seen from the front
  uint16_t zero;
  uint32_t mapping;
};

// ---- [Limits] ----
// A triangle is skipped, silently, once the cache holds more than 65534 triangles or more
// than 65528 vertices: a cache never passes 65535 triangles or 65534 vertices.
constexpr int CACHE_TRIANGLES_BEFORE_CUT = 65534;
constexpr int CACHE_VERTICES_BEFORE_CUT = 65528;
constexpr float CACHE_SMALL_CORNER = 9.000001e-8f;    // square metres: the two edges' lengths multiplied
constexpr float CACHE_THIN_NORMAL = 4.9964873e-15f;   // squared length of a weighted or summed normal

// ---- [Skeletons] ----
// The bones a driver model's points follow: a point's bone byte names one, and its mirrored
// copy takes the bone mirrorStep further on.  A vertex is kept in its bone's frame: the
// point minus the bone's origin, turned back by the bone's rotation.
struct ModelBone {
  FixedTransform frame;  // rotation and origin in the model
  uint8_t mirrorStep;
};
struct ModelSkeleton {
  const ModelBone* bones;
  int count;
};
// The bone a corner follows: its point's bone byte (plus the step for the mirrored copy);
// 0 when that passes the skeleton.
int BoneOfPoint(const ModelSkeleton& skeleton, const ModelPoint& point, bool mirroredSide);

// ---- [Checks] ----
enum ModelProblemKind {
  PROBLEM_BAD_NORMAL = 0,
  PROBLEM_DEGENERATE = 1,
  PROBLEM_SPANS_CUTOUTS = 2,
  PROBLEM_TOO_SMALL = 3,
  PROBLEM_TOO_THIN = 4,
};
constexpr int PROBLEM_KIND_COUNT = 5;

// 0 nothing is reported; 1 problem lines naming the level and the object; 2 problem lines
// under a heading per object, and a marker for each problem (not with a skeleton).
extern int ModelCheckLevel;

// Where the checks report.  A null member has its least body: begin and end do nothing, a
// problem line becomes an error-coloured message line, a marker is counted and not kept.
struct ModelCheckHooks {
  void (*begin)(const ModelObject& object, const ModelObject* parent);  // a checked build starts
  // kind: ModelProblemKind; object: 0 the main object, n its n-th subobject.
  void (*problem)(int kind, int object, const char* text);
  // item: the triangle (the point for a bad normal); point: where, in the object's frame.
  // 1 when the marker is new, 0 when one of the same item and kind exists.
  int (*marker)(int kind, int item, const ModelObject& object, const IntVector& point);
  void (*end)();
};
extern ModelCheckHooks ModelCheckReport;

// ---- [Building] ----
// Fills the object's cache of the level for the layer mask (a triangle is taken when bit
// (layer AND 31) is set) and reports the problems found.  parent is null for the main object;
// a skeleton puts every vertex into its bone's frame.  The cache is valid afterwards even
// when it is empty.
void BuildLodRenderCache(ModelObject& object, const ModelObject* parent, const ModelSkeleton* skeleton, int lod,
                         uint32_t layerMask);

// ---- [Texts] ----
constexpr const char* TEXT_CHECK_HEADING_SUB = "Error in LOD%d of sub %d (%s) of %s";
constexpr const char* TEXT_CHECK_HEADING_MODEL = "Error in LOD%d of model %s";
constexpr const char* TEXT_CHECK_OBJECT_SUB = "Error in sub %d (%s)";
constexpr const char* TEXT_CHECK_OBJECT_MAIN = "Error in main object";
constexpr const char* TEXT_ZERO_COLOUR_SUB = "^1Error in subobject %d of %s";
constexpr const char* TEXT_ZERO_COLOUR_MODEL = "^1Error in model %s";
constexpr const char* TEXT_ZERO_COLOUR = "%s: cutout %s - zero reflection colour";
constexpr const char* TEXT_UNNAMED = "unnamed";
