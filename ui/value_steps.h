// value_steps.h - the arithmetic behind value buttons and value controls: the step tables by
// click code, the hints of step buttons, the step and print format taken from a label's
// printf precision, the units floats are shown in, snapping and clamping.
//
// Sections: [Step tables] [Step hints] [Units] [Precision] [Label formats] [Arithmetic]
//
// Click codes: 1 left, 2 right, 5 Ctrl + left, 6 Ctrl + right, 9 Shift + left, 10 Shift +
// right, 13 Ctrl + Shift + left, 14 Ctrl + Shift + right; any other code gives step 0.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "ui/interface_styles.h"

// ---- [Step tables] ----
int ValueStepMultiplier(int clickCode);  // float and byte +/- steps: 1, 10 (right), 10 (Shift + left), 100
int ValueStepByte(int clickCode);        // 16-bit +/- steps: 1, 10, 100, 1000
int ColourStep(int clickCode);           // colour byte +/- steps: 1, 5, 50, 255
// The editors' own "-" and "+" handlers: lengths in 16.16 metres (1 mm, 1 cm, 0.1 mm, 10 cm,
// 1 m), lengths in float metres, and angles in 16-bit turns (1, 5, 0.25, 11.25, 45 degrees).
int32_t ValueStep16(int clickCode);
float ValueStepF(int clickCode);
int32_t AngleStep16(int clickCode);

// ---- [Step hints] ----
// The hint kinds of step buttons (AddStepHintButtons): the numbers of the styles that
// AddLabelledValueButton shows such a value in.
constexpr int STEP_HINT_ANGLE = BUTTON_STYLE_ANGLE16;
constexpr int STEP_HINT_LENGTH = BUTTON_STYLE_LENGTH16;
constexpr int STEP_HINT_SCALE = BUTTON_STYLE_SCALE;
constexpr int STEP_HINT_DISTANCE = BUTTON_STYLE_DISTANCE16;
// The hint of the "-" or "+" button of a kind, in code page 1252; null for other kinds.
const char* StepHintText(int kind, bool plus);

// ---- [Units] ----
// The value type that shows a float button style (BUTTON_STYLE_FLOAT .. BUTTON_STYLE_FLOAT_THOUSANDTHS).
int ButtonStyleToValueType(int style);
// Stored x ShownFactor = shown; typed x StoredFactor = stored.  1 for the plain types.
float ShownFactor(int valueType);
float StoredFactor(int valueType);

// ---- [Precision] ----
// One unit of the last decimal the label shows ("%.2f" gives 0.01, "%+.1f" 0.1), in the
// stored unit of the value type; 0 when the label shows no decimals or is null.
float FormatPrecision(const char* label, int valueType);
// The decimals the label's first "%" shows ("%+.2f" 2), or -1 when it shows none.
int LabelDecimals(const char* label);
// The value printed with the label's decimals into one static buffer (overwritten by the
// next call); null when the label has no precision.
const char* FormatPrecisionText(const char* label, float value);
// "%.1f" .. "%.4f" for a label whose first "%" is followed by "." and 1..4; else "%.0f".
const char* PrecisionFormat(const char* label);

// ---- [Label formats] ----
// A label is a printf format with at most one number in it ("Mass %.1f kg").  These print it
// with a float or an integer; a label whose conversions do not fit the number (a text, a
// pointer, a second number, a length modifier) is printed as plain text instead, so a label
// from a translation can never read what was not passed.  Return out.
char* FormatLabelFloat(char* out, int outSize, const char* label, float value);
char* FormatLabelInt(char* out, int outSize, const char* label, int32_t value);

// ---- [Arithmetic] ----
// The nearest integer, held at the ends of the 32-bit range; 0 for NaN.
int32_t RoundToInt32(float value);
// MulDivInt (core/fixed_math.h) scales by a fraction.
// Snaps to a multiple of step (when step is not 0), then clamps: at or below minimum gives
// minimum, at or above maximum gives maximum.
float SnapAndClamp(float minimum, float value, float maximum, float step);
