// modeller_selection.h - what the modeller selects and how: the selection counters, the
// trace, selecting points and triangles by click, by rectangle and by the axis views' drag
// box.
//
// Sections: [Counters and clearing] [Points and trace] [Triangles] [Whole selections]
//           [Rectangle passes] [Picking] [Texts]
//
// A point or triangle is selected while its selected flag (4) is set; the modeller's state
// counts them and names the current point and triangle.  Everything works on the edited
// object of the screen.  Main thread only.
#pragma once
#include <cstdint>

#include "core/window_state.h"
#include "modeller/state/modeller_state.h"

// ---- [Counters and clearing] ----
// The green point -1, the trace and the point selection cleared.
void DeselectAllPoints(ModellerScreen& screen);
// No triangle selected; the current triangle is none (the triangle count).
void DeselectAllTriangles(ModellerScreen& screen);
// The texture screens' selections -1 and the drag selection ended; outside build mode also
// the current group and layer 0 and the point selection cleared; then the triangles.
void DeselectAll(ModellerScreen& screen);
// Recount from the flags.  With report, a count that differed is shown on the debug line
// ("FIXED: num_selpoints was %d but should be %d", "FIXED: num_seltri ...").
void CountSelectedPoints(ModellerScreen& screen, int report);
void CountSelectedTriangles(ModellerScreen& screen, int report);

// ---- [Points and trace] ----
// Appends the point while the trace holds fewer than 80 and the index is a point's.
void AddToTrace(ModellerScreen& screen, int point);
// Removes every entry of the point, and every entry that is no longer a point's.
void RemoveFromTrace(ModellerScreen& screen, int point);
// Selects, counts, traces and makes the point the green one.
void SelectPoint(ModellerScreen& screen, int point);
// Clears the point's selection and trace entries; when it was the green point the nearest
// selected point (in metres) becomes green, or none.
void DeselectPoint(ModellerScreen& screen, int point);
// The interface's "make current" click (click code 6).
constexpr int CLICK_MAKE_CURRENT = CLICK_RIGHT | CLICK_CTRL;
// A point marker's click: alone; with Ctrl added or removed; click code 6 makes a selected
// point the green one.
void PointMarkerClick(void* owner, int clickCode, uintptr_t point);

// ---- [Triangles] ----
// The triangle's smoothing group, layer, mapping, normal level and drive-side swap become the
// current ones and it becomes the current triangle.
void TakeTriangleAttributes(ModellerScreen& screen, int triangle);
// Selects, counts and takes its attributes.
void SelectTriangle(ModellerScreen& screen, int triangle);
// Deselects; when it was current the first selected triangle becomes current.
void DeselectTriangle(ModellerScreen& screen, int triangle);
// The first selected triangle becomes current with its attributes; none when none is selected.
void FindCurrentTriangle(ModellerScreen& screen);

// ---- [Whole selections] ----
// Triangle mode: every shown triangle of the current level selected (toggle: the selected ones
// deselected and the others selected); point mode: every shown point likewise.
void SelectAll(ModellerScreen& screen, int toggle);
// The axis views' finished drag box (the edit views' box callback): in triangle and point
// modes the triangles or points in it are added (Ctrl), removed (Shift) or replace the
// selection (neither).
void ModellerBoxSelect(void* owner);

// ---- [Rectangle passes] ----
// Every shown point (or its mirrored copy) whose marker lies in the rectangle is selected or
// deselected; then the selection is recounted.
void ApplyRectangleToPoints(ModellerScreen& screen, const ScreenRect& rect, int select);
// Every shown triangle of the current level that the rectangle overlaps (its centre lies in it
// while the triangle-buttons option is on; back-facing ones only when selected or with the
// facing option off) is selected or deselected; then the selection is recounted.
void ApplyRectangleToTriangles(ModellerScreen& screen, const ScreenRect& rect, int select);

// ---- [Picking] ----
// The object of the frame's pick: the main object for -1, else that subobject of the main
// object; null beyond them.
ModelObject* GetPickedObject(ModellerScreen& screen);

// ---- [Texts] ----
constexpr const char* TEXT_TRIANGLE_SELECTION_ERROR = "Triangle selection error";
constexpr const char* TEXT_FIXED_POINTS = "FIXED: num_selpoints was %d but should be %d";
constexpr const char* TEXT_FIXED_TRIANGLES = "FIXED: num_seltri was %d but should be %d";
