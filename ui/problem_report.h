// problem_report.h - the findings of the model checks: up to 20 coloured report lines with
// "find" buttons, and the markers of the points and triangles they concern.
//
// Sections: [Report lines] [Markers] [Checked model]
//
// While ProblemReportMode is 2 the checks collect into the report; otherwise each finding
// goes straight to the message lines.  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "text/text_colours.h"

struct Prss;

// ---- [Report lines] ----
constexpr int PROBLEM_REPORT_LINES = 20;
constexpr int PROBLEM_TEXT_SIZE = 128;
constexpr int PROBLEM_REPORT_COLLECT = 2;

struct ProblemReportLine {
  uint8_t kind;    // chooses the colour; handed to "find"
  uint8_t object;  // 0 the main object, n the n-th subobject
  uint8_t unused[2];
  char text[PROBLEM_TEXT_SIZE];
};
static_assert(sizeof(ProblemReportLine) == 132, "a report line is 132 bytes");

extern ProblemReportLine ProblemReportLines[PROBLEM_REPORT_LINES];
extern int ProblemReportCount;
extern int ProblemReportMode;
// The eight kind colours (colour words, red in byte 0); 0 is the error colour.
extern const ColourWord ProblemKindColours[8];

// Formats a finding (cut at 127 characters): the next report line in collecting mode while
// fewer than 20 exist (later ones are dropped), else an error-coloured message line.
void ReportProblemf(int kind, int object, const char* format, ...) __attribute__((format(printf, 3, 4)));
// A label and a "find" button per line, at the right of the screen, one row each from the top.
void AddProblemFindButtons(Prss* owner);
// The "find" button: selects the items of the line's object and kind.
void FindProblemHandler(void* owner, int code, uintptr_t line);
// The checks start a new run: lines and markers go.
void ClearProblemReport();
// The model the findings sent to the message lines were about is gone (an undo or redo put
// another in its place): those still shown go to the history, so that no finding of a model
// in between stands over the one shown.
void ForgetShownProblemLines();

// ---- [Markers] ----
struct ProblemMarker {
  uint8_t kind;
  uint8_t object;
  uint8_t hasPosition;
  uint8_t unused;
  int32_t item;         // the point or triangle
  int32_t position[3];  // 16.16 metres, world coordinates
};
static_assert(sizeof(ProblemMarker) == 20, "a problem marker is 20 bytes");

extern ProblemMarker* ProblemMarkers;
extern int ProblemMarkerCount, ProblemMarkerCapacity;  // the capacity starts at 256 and doubles

struct CheckedObject;
// 1 when added, 0 when a marker of the same item, object and kind exists.  object is the
// checked object (or null), point its point in object coordinates (or null).
int AddProblemMarker(int kind, int item, const CheckedObject* object, const IntVector* point);

// ---- [Checked model] ----
// The placement of the objects being checked.  STAND-IN for the modeller's model objects
// until they exist: the checks set CurrentCheckModel while they run.
struct CheckedObject {
  uint16_t angles[3];  // heading, pitch, roll
  IntVector offset;    // 16.16 metres, in the model
};
struct CheckedModel {
  IntVector position;             // 16.16 metres, in the world
  const CheckedObject* objects;   // the main object first, then the subobjects
  int objectCount;
};
extern const CheckedModel* CurrentCheckModel;
// Selects the listed items of an object and kind in the modeller.  STAND-IN: null until the
// modeller exists.
extern void (*SelectListedItems)(int object, int kind);
