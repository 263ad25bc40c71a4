// value_steps.cpp - step tables, step hints, units, label precision and snapping.
#include "ui/value_steps.h"

#include <cmath>
#include <cstdio>
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

template <typename T>
T FromRow(const T (&row)[8], int clickCode) {
  const int column = CodeColumn(clickCode);
  return column < 0 ? T{} : row[column];
}

constexpr float DEGREES_PER_RADIAN = 57.295776f;
constexpr float RADIANS_PER_DEGREE = 0.017453292f;
constexpr float RPM_PER_RADIAN_PER_SECOND = 9.549296f;
constexpr float RADIANS_PER_SECOND_PER_RPM = 0.10471976f;

// The digit after the label's first "%", an optional "+" and ".": -1 without one.
int DecimalsOf(const char* label) {
  if (!label) return -1;
  const char* p = std::strchr(label, '%');
  if (!p) return -1;
  ++p;
  if (*p == '+') ++p;
  if (p[0] != '.' || p[1] < '0' || p[1] > '9') return -1;
  return p[1] - '0';
}

enum LabelConversion { LABEL_NONE, LABEL_FLOAT, LABEL_INT, LABEL_UNSAFE };

// What the label's one conversion takes; LABEL_UNSAFE for anything but a single plain
// float or integer conversion.
LabelConversion ClassifyLabel(const char* label) {
  LabelConversion found = LABEL_NONE;
  for (const char* p = label; *p; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    while (*p && std::strchr("-+ #0", *p)) ++p;
    while (*p >= '0' && *p <= '9') ++p;
    if (*p == '.') {
      ++p;
      while (*p >= '0' && *p <= '9') ++p;
    }
    LabelConversion kind;
    if (*p && std::strchr("fFeEgG", *p)) kind = LABEL_FLOAT;
    else if (*p && std::strchr("dixXu", *p)) kind = LABEL_INT;
    else return LABEL_UNSAFE;
    if (found != LABEL_NONE) return LABEL_UNSAFE;
    found = kind;
  }
  return found;
}

// The label as plain text: "%%" becomes "%", any other "%" stays.
void CopyLabelText(char* out, int outSize, const char* label) {
  int n = 0;
  for (const char* p = label; *p && n < outSize - 1; ++p) {
    out[n++] = *p;
    if (p[0] == '%' && p[1] == '%') ++p;
  }
  out[n] = 0;
}

}  // namespace

int ValueStepMultiplier(int clickCode) { return FromRow<int>({1, 10, 0, 0, 10, 100, 0, 0}, clickCode); }
int ValueStepByte(int clickCode) { return FromRow<int>({1, 10, 0, 0, 100, 1000, 0, 0}, clickCode); }
int ColourStep(int clickCode) { return FromRow<int>({1, 5, 0, 0, 50, 255, 0, 0}, clickCode); }
int32_t ValueStep16(int clickCode) { return FromRow<int32_t>({66, 655, 7, 66, 655, 6554, 6554, 65536}, clickCode); }
float ValueStepF(int clickCode) {
  return FromRow<float>({0.001f, 0.01f, 0.0001f, 0.001f, 0.01f, 0.1f, 0.1f, 1.0f}, clickCode);
}
int32_t AngleStep16(int clickCode) { return FromRow<int32_t>({182, 910, 46, 182, 910, 2048, 2048, 8192}, clickCode); }

const char* StepHintText(int kind, bool plus) {
  // Code page 1252: 0xB0 degree, 0xF7 division, 0xD7 multiplication sign.
  switch (kind) {
    case STEP_HINT_ANGLE:
      return plus ? "CTRL+LMB +0.25 / LMB +1\xB0 / RMB +5\xB0 / SHIFT+RMB +11.25\xB0 / CTRL+SHIFT+RMB +45\xB0"
                  : "CTRL+LMB -0.25 / LMB -1\xB0 / RMB -5\xB0 / SHIFT+RMB -11.25\xB0 / CTRL+SHIFT+RMB -45\xB0";
    case STEP_HINT_LENGTH:
      return plus ? "CTRL+LMB +0.1mm / LMB +1mm / RMB +1cm / SHIFT+RMB +10cm / CTRL+SHIFT+RMB +1m"
                  : "CTRL+LMB -0.1mm / LMB -1mm / RMB -1cm / SHIFT+RMB -10cm / CTRL+SHIFT+RMB -1m";
    case STEP_HINT_SCALE:
      return plus ? "CTRL+LMB \xD7" "1.01 / LMB \xD7" "1.05 / RMB \xD7" "1.1 / SHIFT+RMB \xD7" "2"
                  : "CTRL+LMB \xF7" "1.01 / LMB \xF7" "1.05 / RMB \xF7" "1.1 / SHIFT+RMB \xF7" "2";
    case STEP_HINT_DISTANCE:
      return plus ? "LMB +1m / RMB +10m / SHIFT+RMB +100m" : "LMB -1m / RMB -10m / SHIFT+RMB -100m";
    default:
      return nullptr;
  }
}

int ButtonStyleToValueType(int style) {
  switch (style) {
    case BUTTON_STYLE_FLOAT_DEGREES: return VALUE_TYPE_ANGLE;
    case BUTTON_STYLE_FLOAT_RPM: return VALUE_TYPE_RATE;
    case BUTTON_STYLE_FLOAT_THOUSANDTHS: return VALUE_TYPE_THOUSANDTHS;
    default: return VALUE_TYPE_FLOAT;
  }
}

float ShownFactor(int valueType) {
  switch (valueType) {
    case VALUE_TYPE_THOUSANDTHS: return 0.001f;
    case VALUE_TYPE_ANGLE: return DEGREES_PER_RADIAN;
    case VALUE_TYPE_RATE: return RPM_PER_RADIAN_PER_SECOND;
    default: return 1.0f;
  }
}

float StoredFactor(int valueType) {
  switch (valueType) {
    case VALUE_TYPE_THOUSANDTHS: return 1000.0f;
    case VALUE_TYPE_ANGLE: return RADIANS_PER_DEGREE;
    case VALUE_TYPE_RATE: return RADIANS_PER_SECOND_PER_RPM;
    default: return 1.0f;
  }
}

float FormatPrecision(const char* label, int valueType) {
  const int decimals = DecimalsOf(label);
  if (decimals < 0) return 0.0f;
  return std::pow(0.1f, static_cast<float>(decimals)) * StoredFactor(valueType);
}

int LabelDecimals(const char* label) { return DecimalsOf(label); }

const char* FormatPrecisionText(const char* label, float value) {
  static char text[64];
  const int decimals = DecimalsOf(label);
  if (decimals < 0) return nullptr;
  std::snprintf(text, sizeof text, "%.*f", decimals, static_cast<double>(value));
  return text;
}

const char* PrecisionFormat(const char* label) {
  static const char* const FORMATS[5] = {"%.0f", "%.1f", "%.2f", "%.3f", "%.4f"};
  const int decimals = DecimalsOf(label);
  return decimals >= 1 && decimals <= 4 ? FORMATS[decimals] : FORMATS[0];
}

// The label with the number as its conversion wants it: the float or the integer form.
static char* FormatLabel(char* out, int outSize, const char* label, double asFloat, int asInt) {
  if (outSize <= 0) return out;
  out[0] = 0;
  if (!label) return out;
  const size_t size = static_cast<size_t>(outSize);
  switch (ClassifyLabel(label)) {
    case LABEL_FLOAT: std::snprintf(out, size, label, asFloat); break;
    case LABEL_INT: std::snprintf(out, size, label, asInt); break;
    default: CopyLabelText(out, outSize, label); break;
  }
  return out;
}

char* FormatLabelFloat(char* out, int outSize, const char* label, float value) {
  return FormatLabel(out, outSize, label, static_cast<double>(value), static_cast<int>(RoundToInt32(value)));
}

char* FormatLabelInt(char* out, int outSize, const char* label, int32_t value) {
  return FormatLabel(out, outSize, label, static_cast<double>(value), static_cast<int>(value));
}

int32_t RoundToInt32(float value) {
  if (!(value == value)) return 0;  // NaN
  if (value >= 2147483520.0f) return INT32_MAX;
  if (value <= -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(std::lround(value));
}

float SnapAndClamp(float minimum, float value, float maximum, float step) {
  if (step != 0.0f) value = std::round(value / step) * step;
  if (value <= minimum) return minimum;
  if (value >= maximum) return maximum;
  return value;
}
