// modeller_options.h - the option pages of the operations that ask for options first: the
// circle of points, the extrusion, the lathe, the point merge and the detail reduction, with the
// values they keep for the whole run.
//
// Sections: [Option pages]
//
// Main thread only.
#pragma once
#include <cstdint>

#include "modeller/state/modeller_state.h"

// ---- [Option pages] ----
enum ModellerOptionsPage : int {
  OPTIONS_CIRCLE = 0,     // "Options for circle of points"
  OPTIONS_EXTRUDE = 1,    // "Extrude options"
  OPTIONS_LATHE = 2,      // "Lathe options"
  OPTIONS_MERGE = 3,      // "Point merge options"
  OPTIONS_REDUCTION = 4,  // "Detail reduction options"
};
constexpr int OPTIONS_PAGE_COUNT = 5;
enum ExtrudeClosure : int32_t { EXTRUDE_OPEN = 0, EXTRUDE_CLOSED = 1 };
enum ExtrudeSides : int32_t { ADD_OUTSIDE = 0, ADD_INSIDE = 1, ADD_BOTH = 2 };
enum PointMergeType : int32_t { MERGE_AVERAGE = 0, MERGE_TO_GREEN = 1, MERGE_BY_DISTANCE = 2 };

// The operations' options: they keep their values for the whole run.
struct ModellerOptionValues {
  uint8_t circlePoints = 20;      // 3..80
  float circleRadius = 0.5f;      // metres, 0.001..1000
  int32_t extrudeClosure = EXTRUDE_OPEN;
  int32_t extrudeSides = ADD_OUTSIDE;
  uint8_t latheSteps = 20;        // 1..80
  float latheRotation = 360.0f;   // degrees anti-clockwise, 1..360
  int32_t latheClosure = EXTRUDE_OPEN;
  int32_t latheSides = ADD_OUTSIDE;
  int32_t mergeType = MERGE_AVERAGE;
  float mergeDistance = 0.001f;   // metres, 0.0001..0.5
  float reductionLength = 0.05f;  // metres, 0.001..0.5
};
extern ModellerOptionValues ModellerOptions;

// What the confirmation of an option page runs.
using ModellerRunFunction = void (*)(ModellerScreen& screen);
// Opens the page (its title and controls over the message sub-screen) with run for "yes";
// nothing while the screen has a sub-screen open.  1 when opened.
int OpenModellerOptions(ModellerScreen& screen, ModellerRunFunction run, int page);
// The rows the page draws, top first: one row a control, half a row between groups.  Tests
// use it to find the controls of the open page.
void DrawModellerOptionsPage(int page, Prss* pageOwner, int left, int top);
int OpenOptionsPage();  // the page open now; -1 none
