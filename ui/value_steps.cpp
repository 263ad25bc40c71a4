// value_steps.cpp - step tables, label precision and snapping.
#include "ui/value_steps.h"

#include <cmath>
#include <cstring>

namespace {

// Rows in the order of the click codes 1, 2, 5, 6, 9, 10, 13, 14.
int CodeColumn(int clickCode) {
  switch (clickCode) {
    case 1: return 0;
    case 2: return 1;
    case 5: return 2;
    case 6: return 3;
    case 9: return 4;
    case 10: return 5;
    case 13: return 6;
    case 14: return 7;
    default: return -1;
  }
}

int FromRow(const int (&row)[8], int clickCode) {
  const int column = CodeColumn(clickCode);
  return column < 0 ? 0 : row[column];
}

}  // namespace

int ValueStepMultiplier(int clickCode) { return FromRow({1, 10, 0, 0, 10, 100, 0, 0}, clickCode); }
int ValueStepByte(int clickCode) { return FromRow({1, 10, 0, 0, 100, 1000, 0, 0}, clickCode); }
int ColourStep(int clickCode) { return FromRow({1, 5, 0, 0, 50, 255, 0, 0}, clickCode); }

int ButtonStyleToValueType(int style) {
  switch (style) {
    case 17: return VALUE_TYPE_ANGLE;
    case 18: return VALUE_TYPE_RATE;
    case 19: return VALUE_TYPE_THOUSANDTHS;
    default: return VALUE_TYPE_FLOAT;
  }
}

float FormatPrecision(const char* label, int valueType) {
  if (!label) return 0.0f;
  const char* p = std::strchr(label, '%');
  if (!p) return 0.0f;
  ++p;
  if (*p == '+') ++p;
  if (p[0] != '.' || p[1] < '0' || p[1] > '9') return 0.0f;
  const float step = std::pow(0.1f, static_cast<float>(p[1] - '0'));
  switch (valueType) {
    case VALUE_TYPE_THOUSANDTHS: return step * 1000.0f;
    case VALUE_TYPE_ANGLE: return step * 0.017453292f;
    case VALUE_TYPE_RATE: return step * 0.10471976f;
    default: return step;
  }
}

int32_t MulDivInt(int32_t value, int32_t numerator, int32_t divisor) {
  if (divisor == 0) return 0;
  // Round half away from zero, as the system's MulDiv does.
  const int64_t product = static_cast<int64_t>(value) * numerator;
  const int64_t a = product < 0 ? -product : product;
  const int64_t b = divisor < 0 ? -static_cast<int64_t>(divisor) : divisor;
  const int64_t magnitude = (a + b / 2) / b;
  const int64_t rounded = (product < 0) != (divisor < 0) ? -magnitude : magnitude;
  return static_cast<int32_t>(rounded);
}

float SnapAndClamp(float minimum, float value, float maximum, float step) {
  if (step != 0.0f) value = std::round(value / step) * step;
  if (value <= minimum) return minimum;
  if (value >= maximum) return maximum;
  return value;
}
