// value_buttons.h - the value buttons of the modeller's panels: the selected points moved
// along an axis, the green point's coordinates, the edited object's offset, angles and scale,
// and the current level's distance.
//
// Sections: [Moving points] [Value buttons] [Object transforms]
//
// Every operation follows the pattern of modeller_operations.h.  Main thread only.
#pragma once
#include <cstdint>

#include "modeller/state/modeller_state.h"

// ---- [Moving points] ----
// Moves the selected points along one axis (0 x, 1 y, 2 z) by the distance: "move point" /
// "move points"; a central point keeps x = 0; the mappings only moved points use move too.
// Nothing with no point selected; a move out of the 16.16 range is refused.
void MovePoints(ModellerScreen& screen, int axis, int64_t distance);

// ---- [Value buttons] ----
// Buttons in threes per axis: word w acts on axis w / 3 (0 right, 1 forward, 2 up; angles
// 0 pitch, 1 roll, 2 heading) with w mod 3: 0 a step down, 1 a step up, 2 the value itself
// (click code 6 copies it, 10 pastes the copy, any other click asks for a typed value).
// The green point's coordinates: all selected points move by the difference.
void GreenPointValueButton(void* owner, int clickCode, uintptr_t word);
// The edited object's offset ("move object") and angles ("rotate object", kept on quarter
// degrees).
void ObjectPositionButton(void* owner, int clickCode, uintptr_t word);
void ObjectAngleButton(void* owner, int clickCode, uintptr_t word);
// The copy slots of the value buttons (one for distances, one for angles, one for the level
// of detail distance).
struct ValueCopySlots {
  int32_t distance, angle, lodDistance;
};
extern ValueCopySlots ValueCopies;
// An angle (16-bit turn) after adding delta, kept on quarter degrees.
int16_t QuarterDegreeAngle(int32_t angle, int32_t delta);

// ---- [Object transforms] ----
// Words 0..7: even words divide, odd words multiply by the click code's factor (1.05, 1.1,
// 1.01, 2.0, else 1.0); 0 and 1 scale x, 2 and 3 y, 4 and 5 z, 6 and 7 all three: "scale".
void ScaleObjectButtons(void* owner, int clickCode, uintptr_t word);
// "Enter scale factor for entire object" / "... for subobject": "scale with mappings".
void ScaleObjectDialog(void* owner, int clickCode, uintptr_t word);
// The current level's distance: words 0 down and 1 up (1, 10 or 100 m by the click code),
// 2 the value (typed, copied or pasted); distances are then made to rise.
void LodDistanceButton(void* owner, int clickCode, uintptr_t word);
