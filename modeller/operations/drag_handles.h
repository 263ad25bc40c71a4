// drag_handles.h - the handles by which the selected points, the edited subobject or a corner
// of the shared box are dragged, what a press on one records, the drags themselves (with the
// Ctrl drag that selects triangles and the rotate and scale drags of the selected points), the
// geometry of moving points in the view plane, and the bone assignment of the selected points.
//
// Sections: [Handles] [Drag starts] [Drags] [Geometry in the view plane] [Bones]
//
// The handles are added over the previews by AddEditedObjectHandles; the drags are
// selection_drags.cpp.  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "modeller/state/modeller_state.h"
#include "ui/interface.h"

struct ModelObject;

// ---- [Handles] ----
// Handle words: in move mode the axis handles 1 (x), 2 (y), 4 (z) and the plane handles 3
// (x and y), 5 (x and z), 6 (y and z), each the set of axes it moves along; in box mode the
// axis handles 0 (x), 1 (y), 2 (z).
enum HandleWord : int { HANDLE_X = 1, HANDLE_Y = 2, HANDLE_XY = 3, HANDLE_Z = 4, HANDLE_XZ = 5, HANDLE_YZ = 6 };
constexpr uint32_t HANDLE_AXIS_COLOUR = 0xFFFFFF40u, HANDLE_PLANE_COLOUR = 0xFF808040u;

// The handles at centre (16.16 world) along the frame's axes (a rotation: its columns are the
// axes in the world): in move mode the plane handles first, dim, then the axis handles,
// bright; each a line from the centre and a clickable label at its end (lit for the active
// word), left out when its end projects onto the centre.  The handles are a view's 1/24 of
// the centre's depth long in perspective, 1/16 of a 2D view's width.  screenAxes gets each
// axis handle's pixel vector from the centre to its end (0, 0 when left out) and length the
// 16.16 length it stands for.  0 when the centre cannot be projected (nothing drawn).
int DrawAxisHandles(Prss* owner, int activeWord, const int32_t centre[3], const FixedMatrix& frame,
                    InterfaceHandler handler, int boxMode, float screenAxes[3][2], int32_t* length);
// The shared box (while the modeller asks for it): its twelve edges and a button on each of
// its two corners, a click selecting (or unselecting) that corner; with a corner selected, the
// box handles there.
void DrawModelBoxHandles(ModellerScreen& screen);
// Point mode's move handles at the current point, or subobject mode's at the edited
// subobject's origin (with the box's otherwise); the handle drag's screen directions are kept.
void DrawMoveHandles(ModellerScreen& screen);

// ---- [Drag starts] ----
// A press on a move handle: point mode needs selected points and records "drag point" /
// "drag points"; subobject mode (a subobject edited) records "drag subobject".  The word's
// axes, the pointer and, for a plane handle in perspective, the plane through the current
// point (or the subobject's origin) are kept for HandleDrag.
void StartAxisDrag(void* owner, int flags, uintptr_t word);
// A press on a box handle: only in perspective with a corner selected.
void StartBoxCornerDrag(void* owner, int flags, uintptr_t word);
// The corner (0 minimum, 1 maximum) becomes the selected one, or none when it was.
void SelectBoxCorner(void* owner, int flags, uintptr_t corner);

// ---- [Drags] ----
void TriangleDragSelect(ModellerScreen& screen, const MouseRecord& mouse);
// Starts the rotate or scale drag (kind 1..4) of the selected points about the current point:
// their positions kept, the undo point "rotate points" or "scale points" recorded.  Nothing
// without a selected point; a press with flag 2 asks for the typed transform instead.
void StartPointTransformDrag(ModellerScreen& screen, int flags, int kind);
void EndPointTransformDrag(ModellerScreen& screen);
// One step of the rotate or scale drag from the pointer; the mesh is rebuilt.
void PointTransformDrag(ModellerScreen& screen);
// One step of a handle drag: a release ends it, a right press ends it and undoes a move.
void HandleDrag(ModellerScreen& screen, const MouseRecord& mouse);
// Adds the vector to every selected point (a central point keeps x = 0), then moves the
// mappings that only moved points use.
void MoveSelectedPoints(ModellerScreen& screen, const IntVector& by);

// ---- [Geometry in the view plane] ----
// The view's right, up and towards-the-viewer axes (rows, unit vectors) in the object's own
// frame: its mesh rotation taken out.
void LocalViewAxes(const ModelObject* object, double axes[3][3]);
// Each gives the moved point in 64 bits (rounded to nearest, ties to even), for the caller to
// refuse a result outside the 16.16 range.
// out = point moved in the view plane: its right component about centre times fh, its up
// component times fv; its depth component unchanged.
void ScalePointInViewPlane(const int32_t centre[3], const int32_t point[3], int64_t out[3], double fh, double fv);
// The point's distance from centre in the view plane becomes r metres (below 1 mm: unchanged).
void SetPointViewDistance(const int32_t centre[3], const int32_t point[3], double r, int64_t out[3]);
// The 3D distance becomes r metres (a point on the centre is unchanged).
void SetPointDistance(const int32_t centre[3], const int32_t point[3], double r, int64_t out[3]);
constexpr float TRANSFORM_FACTOR_LIMIT = 100.0f;

// ---- [Bones] ----
// The selected points' bone byte becomes bone ("assign bone"); with none selected the message
// box "No points to assign".  The bones' labels of point mode call it (DrawBoneLabels).
void AssignPointsToBone(ModellerScreen& screen, int bone);
constexpr const char* TEXT_NO_POINTS_TO_ASSIGN = "No points to assign";
