// colour_marks.h - which of the body's and the wheels' four paint colours a car's model really
// uses: mappings named M1..M4 (or m1..m4) on triangles the current configuration shows.
//
// The information panel offers only the colours marked here.  Main thread only.
#pragma once
#include <cstdint>

struct Car;
struct ModelObject;

constexpr int COLOUR_MARK_GROUP = 4;  // colours 1..4 of a group
enum ColourMarkGroup : int { MARKS_BODY = 0, MARKS_WHEELS = 1 };
// Four body flags, then four wheel flags: 1 when the model uses that colour.  Rewritten by
// every scan.
extern uint8_t ColourMarkFlags[2 * COLOUR_MARK_GROUP];

// The colour number (1..4) a mapping name marks: "M" or "m" and a digit 1..4; 0 for none.
int ColourMarkOf(const char* mappingName);
// Sets the group's flags from one object: a colour-mark mapping counts when a triangle of a
// layer in the mask (its low five bits) uses it.
void ScanColourMarksInObject(const ModelObject& object, int group, uint32_t layerMask);
// All eight flags from the car: its body under the current configuration's layer mask, its
// subobjects flagged 4 (hubs for the wheels, others for the body), the rim's and the spoke's
// mappings for the wheels whatever the configuration.  All 0 without a car or body model.
void ScanCarColourMarks(Car* car);
// 1 when the car's body model has a hub subobject whose options carry the value-4 bit.
int CarHasFlaggedHub(const Car* car);
