// modeller_local.h - what the modeller screen's files share: the overlap test of a
// rectangle with corners already projected, and the edited object's points projected once per
// pass.  Tests may include it; other subsystems may not.
#pragma once
#include <cstdint>
#include <vector>

#include "core/fixed_math.h"
#include "modeller/state/modeller_state.h"

// The triangle of three projected corners (normalised units) overlaps the rectangle; flag as
// ScreenRect::ContainsTriangle's.
int RectOverlapsProjected(const ScreenRect& rect, const float corners[3][2], int flag);
// 1 when the projected corners run anti-clockwise as the screen shows them (the edge test's
// order), else 0.
int ProjectedWinding(const float corners[3][2]);

// One point of the edited object and its mirrored copy, in the world and on the screen.
struct PlacedPoint {
  IntVector world[2];      // [0] the point, [1] its mirrored copy
  float screen[2][2];      // normalised units
  uint8_t projected[2];    // 1 when screen[i] holds a projection
};
// The edited object's points through its mesh transform and the current view; mirrored copies
// only for points flagged mirrored (or, with a spoke count, off the axle).
void PlaceEditedPoints(const ModelObject& object, std::vector<PlacedPoint>& out);
// The object's mesh transform as last built (the identity before its first build).
FixedTransform MeshTransformOf(const ModelObject& object);
// Whether the copy of point i is shown (a mirrored point, or a spoke point off the axle).
int HasMirroredCopy(const ModelObject& object, int point);
// The corners' normal ((b - a) x (c - a), world) points against the view: away from the
// eye in perspective, against the view direction in an axis view.
int FacesViewer(const IntVector& a, const IntVector& b, const IntVector& c);
