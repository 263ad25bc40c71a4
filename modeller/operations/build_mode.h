// build_mode.h - the click actions on the edited object's points and triangles: building
// triangles from clicked point markers, dividing an edge, turning the edge two triangles
// share, flood select, and selecting by a typed index or from the problem report's list.
//
// Sections: [Build mode] [Triangle clicks] [Selection by index] [Texts]
//
// They work on the edited object and the state of the open modeller.  Main thread only.
#pragma once
#include <cstdint>

#include "modeller/state/modeller_state.h"

struct ModelObject;

// ---- [Build mode] ----
// A point marker's click in build mode: the reference (CORNER_MIRRORED for the mirrored copy)
// joins or leaves the build list; the third point makes a triangle (with Ctrl the first and
// third stay, for a fan).  Ignored when flags has the middle-button bit.
void BuildClickPoint(ModellerScreen& screen, int flags, uint32_t reference);
// Once Ctrl is let go, a fan left open by a Ctrl click (the first and last points kept) ends:
// the build list empties.  A list built up without a triangle is kept.
void EndPendingFan(ModellerScreen& screen);
// The two points of the build list: a new point on their edge at screen.edgeFraction, and
// each triangle of the current level on that edge split in two.
void DivideEdge(void* owner, int clickCode, uintptr_t word);

// ---- [Triangle clicks] ----
// A click on a triangle of the edited object in build or triangle mode (click code of the
// mouse record).  startsDrag 1 starts the Ctrl drag selection in the direction the click took.
void TriangleClick(ModellerScreen& screen, int clickCode, int triangle, int startsDrag);
// Shift-click with one triangle selected: the edge it shares with triangle (run the other way
// round) is replaced by the edge joining their third points.
void RotateSharedEdge(ModellerScreen& screen, int triangle);
// Shift+Ctrl-click: the region of like triangles joined to triangle across edges takes its
// selection state.  Which attributes must match follows the draw mode.
void FloodSelect(ModellerScreen& screen, int triangle);
// The flood's region by repeated passes over the triangles (the plain walk the edge table
// stands in for): the visit mark (TRIANGLE_MARK) set on each reached triangle.
void FloodRegionByPasses(ModelObject& object, int triangle, int level, uint32_t layers, int drawMode);
// The same as one breadth-first walk over the triangles' edge adjacency, which is kept from
// one flood to the next and built again only when the corners or the point count changed.
void FloodRegion(ModelObject& object, int triangle, int level, uint32_t layers, int drawMode);

// ---- [Selection by index] ----
// Selects the triangle whose index the text gives ("Selected triangle #%d in LOD%d"), showing
// its level.
void SelectTriangleByIndex(ModellerScreen& screen, const char* text);
// The problem report's "find": the listed items of that object and kind (0 points,
// 1 triangles) become the selection.  Installed as its hook.
void ModellerSelectListedItems(int object, int kind);

// ---- [Texts] ----
constexpr const char* TEXT_REACHED_MAX_TRIANGLES = "Reached maximum number of triangles";
constexpr const char* TEXT_NOT_AUTO_MIRRORED = "Triangle added but not auto-mirrored";
constexpr const char* TEXT_DIVIDE_REFLECTED = "Can't divide reflected edge";
constexpr const char* TEXT_DIVIDE_LIMIT = "Would exceed maximum number of triangles";
constexpr const char* TEXT_ROTATION_ONE_SELECTED = "For triangle rotation one triangle should be selected";
constexpr const char* TEXT_NO_SHARED_EDGE = "Can't rotate - no shared edge was found";
constexpr const char* TEXT_FLOOD_DRAW_MODE = "Flood select cannot be used in wire or layers draw mode";
