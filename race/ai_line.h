// ai_line.h - a computer driver's line on the racing path: the line's offsets from its curve
// chain, the line points placed on the track with their surface checks, and the curvature,
// camber and grade of each node.
//
// Lengths are metres, positions 16.16; a lateral offset is positive to the right of the
// path's direction of travel (world/racing_path.h).  The surfaces are looked up in the loaded
// world's map squares (CWld); without a world every surface check fails.  Main thread only.
#pragma once

#include "world/racing_path.h"

struct Car;

constexpr int AI_SURFACE_KINDS = 12;              // a kind found above 11 counts as 0
constexpr float AI_LIMIT_CLEARANCE = 0.9f;        // m kept inside the limits beyond the margin
constexpr int32_t AI_LINE_LIFT = 2048;            // 1/32 m: the line point above the surface
constexpr const char* TEXT_FAILED_SURFACE_CHECKS = "SetupAll : Failed surface checks : %d";

// The line from the curve chain: the car's margin (its half width, less its wheel overhang
// for a file older than version 6); a fresh node array of the path's node count; at each
// curve's end node the path's direction turned by the curve's end angle and its end offset
// held within the limits (margin + 1 m inside, the left one winning); the curves rebuilt and
// sampled into the interior nodes; then SetupAll over every node.  SetupAll's result; 0 also
// when the path has no nodes.
int SetupAiLine(AiPath& aiPath, const TrackPath& path, const Car& car);
// Places the line points of nodes 0 .. lastNode (wrapping) and checks the surface beside and
// under each; returns 0 at the first line point closer than margin + 0.9 m to a limit.
// Nodes without a surface keep working values (kinds 0, a flat normal, the path's height)
// and are counted in "SetupAll : Failed surface checks : %d".  Then SetupAiCurvature; 1.
int SetupAll(AiPath& aiPath, const TrackPath& path, int closed, float margin, int lastNode);
// Per node 0 .. lastNode: the unit surface normal, camber and grade, the segment length, the
// horizontal and vertical curvature (0 where the neighbours coincide) and the surface kind on
// the side the line turns to, with its grip class and drag.
void SetupAiCurvature(AiPath& aiPath, int closed, int lastNode);
// The neighbours of node i: wrapping on a closed path, the node itself at an open path's ends.
void AiNeighbours(int i, int count, int closed, int& previous, int& next);
