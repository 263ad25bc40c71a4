// value_steps.h - the arithmetic behind value buttons and value controls: the step tables by
// click code, the step taken from a label's printf precision, snapping and clamping.
//
// Sections: [Step tables] [Precision] [Arithmetic]
//
// Click codes: 1 left, 2 right, 5 Ctrl + left, 6 Ctrl + right, 9 Shift + left, 10 Shift +
// right, 13 Ctrl + Shift + left, 14 Ctrl + Shift + right; any other code gives step 0.
#pragma once
#include <cstdint>

// ---- [Step tables] ----
int ValueStepMultiplier(int clickCode);  // float and byte +/- steps: 1, 10 (right), 10 (Shift + left), 100
int ValueStepByte(int clickCode);        // 16-bit +/- steps: 1, 10, 100, 1000
int ColourStep(int clickCode);           // colour byte +/- steps: 1, 5, 50, 255

// ---- [Precision] ----
// Float value types of value controls, by how the value is shown.
constexpr int VALUE_TYPE_FLOAT = 27;          // plain
constexpr int VALUE_TYPE_THOUSANDTHS = 28;    // shown divided by 1000
constexpr int VALUE_TYPE_ANGLE = 29;          // radians shown in degrees
constexpr int VALUE_TYPE_RATE = 30;           // radians per second shown in rpm
// The value type that shows a float button style 16..19 (16 plain, 17 angle, 18 rate, 19 thousandths).
int ButtonStyleToValueType(int style);
// One unit of the last decimal the label shows ("%.2f" gives 0.01, "%+.1f" 0.1), in the
// stored unit of the value type; 0 when the label shows no decimals or is null.
float FormatPrecision(const char* label, int valueType);

// ---- [Arithmetic] ----
// value x numerator / divisor rounded to the nearest, in 64 bits; 0 when divisor is 0.
int32_t MulDivInt(int32_t value, int32_t numerator, int32_t divisor);
// Snaps to a multiple of step (when step is not 0), then clamps: at or below minimum gives
// minimum, at or above maximum gives maximum.
float SnapAndClamp(float minimum, float value, float maximum, float step);
