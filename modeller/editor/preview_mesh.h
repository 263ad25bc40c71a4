// preview_mesh.h - the object editor's preview of an object: a display mesh built with the
// current level of detail, the visible layers and the view options, with the pose data that
// places its subobjects.
//
// Sections: [Entry] [Settings] [Building and drawing]
//
// A preview is rebuilt after every edit, when the editor opens and when its draw mode needs
// another kind of mesh.  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "render/primitives.h"  // PoseTransforms

struct DrawMesh;
struct ModelObject;
struct ModelSkeleton;

// ---- [Entry] ----
enum PreviewType : int { PREVIEW_FLAT = 0, PREVIEW_GOURAUD = 1 };
struct PreviewEntry {
  int32_t position[3];      // 16.16; zero when built
  int32_t subobjectCount;   // the built mesh's child count
  PoseTransforms pose;      // each built object's offset and angles, and where they go
  DrawMesh* mesh;           // owned: an Obj3d (flat) or a GouraudO3d
  uint8_t posed;            // built in a skeleton's bone frames: drawn by bone frames

  void Free();  // the mesh and the pose; the entry can be built again
};

// ---- [Settings] ----
// What the editor's state asks of the previews.
struct PreviewSettings {
  uint32_t visibleLayers = ~0u;
  int sideSwapTest = 0;    // the model is shown with its drive side swapped
  int spokeCount = 0;      // of the edited spoke object; 0 when it is not one
  int halfTurn = 0;        // the view is turned half a turn about the vertical axis
  int drawOn = 1;
  int shadowOn = 0;
  int worldShown = 0;
  int lightDirectionOption = 0;
};
extern PreviewSettings PreviewConfig;
// The two passes' colours of the problem markers, by kind (red in byte 0).
constexpr int PREVIEW_MARKER_KINDS = 5;
extern const uint32_t PREVIEW_MARKER_COLOURS[PREVIEW_MARKER_KINDS];

// ---- [Building and drawing] ----
// Frees what the entry held, then builds its mesh (type PreviewType) at the level for the
// visible layers: the drive side swapped for the build when the swap test is on, a spoke
// repeated round the axle when the spoke count is 2 or more; the object is the same
// afterwards.  A Gouraud preview leaves no render caches in the model.
void BuildPreviewMesh(PreviewEntry& entry, ModelObject& object, int type, int level, int reserved,
                      const ModelSkeleton* skeleton, const FixedTransform* boneFrames);
// Draws the entry in the 3D view (posed by the bone frames, or by its own pose without them),
// its shadow when asked, the frame's temporary meshes and the problem markers.
void DrawPreviewEntry(PreviewEntry& entry, const FixedTransform* boneFrames, int frameCount);
// A Gouraud preview at the entry's position, plainly or half turned, drawn with the two
// values; a flat preview is not drawn here.
void DrawPreviewMesh(PreviewEntry& entry, int first, int second);
// The vertex normals of a Gouraud preview as short lines (shift 4 small, 2 big).
void DrawPreviewNormals(PreviewEntry& entry, int shift, uint32_t colour);
