// fixed_math.cpp - fixed-point maths, matrices and packed floats.
#include "core/fixed_math.h"

#include <bit>
#include <climits>
#include <cmath>

#include "core/gamma_tables.h"

SinCosTable SinCosTables;

namespace {

inline int32_t SaturateToInt32(int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// The length of v as the float sum of the squared components, rounded to the nearest.
inline int64_t FloatLength(const IntVector& v) {
  const float x = static_cast<float>(v.x), y = static_cast<float>(v.y), z = static_cast<float>(v.z);
  return std::llrint(std::sqrt(x * x + y * y + z * z));
}

// A component over a length: components are at most 2^31 and the length of three of them
// can pass 2^31, so the quotient is taken in 64 bits rather than through FixDiv.
inline int32_t DivideByLength(int32_t component, int64_t length) {
  return SaturateToInt32((static_cast<int64_t>(component) * 65536) / length);
}

// Rounds m / 2^shift to the nearest integer, ties to even.
inline uint32_t ShiftRoundEven(uint64_t m, int shift) {
  if (shift <= 0) return static_cast<uint32_t>(m);
  if (shift >= 64) return 0;
  const uint64_t quotient = m >> shift;
  const uint64_t rest = m & ((uint64_t{1} << shift) - 1);
  const uint64_t half = uint64_t{1} << (shift - 1);
  return static_cast<uint32_t>(quotient + ((rest > half || (rest == half && (quotient & 1))) ? 1 : 0));
}

// One field of the packed format: mantissaBits 6 (11-bit field) or 5 (10-bit field).
uint32_t PackField(float value, int mantissaBits) {
  const uint32_t f = std::bit_cast<uint32_t>(value);
  const int dropped = 23 - mantissaBits;                       // 17 or 18
  const uint32_t infinity = 31u << mantissaBits;               // 0x7C0 or 0x3E0
  const uint32_t largest = infinity - 1;                       // exponent 30, mantissa all ones
  const uint32_t mantissa = f & 0x7FFFFFu;
  if ((f & 0x7F800000u) == 0x7F800000u) {
    if (mantissa) {
      const uint32_t top = mantissa >> dropped;
      return infinity | (top ? top : 1u);  // keep it a NaN
    }
    return (f & 0x80000000u) ? 0u : infinity;
  }
  if (f & 0x80000000u) return 0;
  // Above the largest finite value (65024) after rounding: saturate rather than overflow.
  const uint32_t limit = mantissaBits == 6 ? 0x477E0001u : 0x477C0001u;
  if (f >= limit) return largest;
  if (f < 0x38800000u) {  // below 2^-14: a denormal or zero
    const int exponent = static_cast<int>(f >> 23);
    const uint64_t full = mantissa | 0x800000u;
    return ShiftRoundEven(full, (113 - exponent) + dropped);
  }
  return ShiftRoundEven(f - 0x38000000u, dropped) & ((1u << (mantissaBits + 5)) - 1);
}

float UnpackField(uint32_t field, int mantissaBits) {
  uint32_t exponent = (field >> mantissaBits) & 31u;
  uint32_t mantissa = field & ((1u << mantissaBits) - 1);
  const int moveUp = 23 - mantissaBits;
  uint32_t bits;
  if (exponent == 31) {
    bits = 0x7F800000u | (mantissa << moveUp);
  } else if (exponent == 0 && mantissa == 0) {
    bits = 0;
  } else {
    int e = static_cast<int>(exponent);
    if (e == 0) {  // denormal: normalise
      e = 1;
      while (!(mantissa & (1u << mantissaBits))) {
        mantissa <<= 1;
        --e;
      }
      mantissa &= (1u << mantissaBits) - 1;
    }
    bits = static_cast<uint32_t>(e + 112) << 23 | mantissa << moveUp;
  }
  return std::bit_cast<float>(bits);
}

}  // namespace

// ---- [Products and quotients] ----

int32_t FixDiv(int32_t a, int32_t b) {
  const int64_t dividend = static_cast<int64_t>(a) * 65536;
  if (b == 0) {
    if (a == 0) return 0;
    return a > 0 ? INT32_MAX : INT32_MIN;
  }
  return SaturateToInt32(dividend / b);  // |dividend| < 2^47, so no 64-bit overflow
}

// ---- [Vectors] ----

void FixedCross(const IntVector& a, const IntVector& b, IntVector& out) {
  out = IntVector{FixedMulAdd(a.y, b.z, -b.y, a.z), FixedMulAdd(b.x, a.z, -a.x, b.z), FixedMulAdd(a.x, b.y, -b.x, a.y)};
}

void FixVecScale(const IntVector& v, int32_t k, IntVector& out) {
  out.x = FixMul(v.x, k);
  out.y = FixMul(v.y, k);
  out.z = FixMul(v.z, k);
}

int NormaliseIntVector(IntVector& v) {
  const int64_t length = FloatLength(v);
  if (length == 0) return 0;
  v.x = DivideByLength(v.x, length);
  v.y = DivideByLength(v.y, length);
  v.z = DivideByLength(v.z, length);
  return 1;
}

void NormaliseIntVectorTo(const IntVector& v, IntVector& out) {
  const int64_t length = FloatLength(v);
  if (length < 256) {
    out = IntVector{0, 0, FIXED_ONE};
    return;
  }
  out.x = DivideByLength(v.x, length);
  out.y = DivideByLength(v.y, length);
  out.z = DivideByLength(v.z, length);
}

// ---- [Tables] ----

void InitSinCosTables() {
  // Single precision where the stored tables were made in single precision: the angle, the
  // scaling and the rounding.  Sine and cosine themselves are taken in double.
  for (int i = 0; i < SIN_COS_TABLE_SIZE; ++i) {
    const float angle = static_cast<float>(i) * (1.0f / 65536.0f) * 6.2831855f;
    const float s = static_cast<float>(std::sin(static_cast<double>(angle))) * 65536.0f;
    const float c = static_cast<float>(std::cos(static_cast<double>(angle))) * 65536.0f;
    SinCosTables.sin[i] = static_cast<int32_t>(std::lrint(s));
    SinCosTables.cos[i] = static_cast<int32_t>(std::lrint(c));
  }
}

// ---- [Matrices] ----

void MatrixIdentity(FixedMatrix& m) { m = FixedMatrix{{FIXED_ONE, 0, 0, 0, FIXED_ONE, 0, 0, 0, FIXED_ONE}}; }

void MatrixMultiply(const FixedMatrix& a, const FixedMatrix& b, FixedMatrix& r) {
  FixedMatrix product;
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col)
      product.m[3 * row + col] = FixDot3(a.m[3 * row], b.m[col], a.m[3 * row + 1], b.m[3 + col],
                                         a.m[3 * row + 2], b.m[6 + col]);
  r = product;
}

void MatrixTransform(const FixedMatrix& m, const IntVector& v, IntVector& out) {
  const IntVector in = v;
  out.x = FixDot3(m.m[0], in.x, m.m[1], in.y, m.m[2], in.z);
  out.y = FixDot3(m.m[3], in.x, m.m[4], in.y, m.m[5], in.z);
  out.z = FixDot3(m.m[6], in.x, m.m[7], in.y, m.m[8], in.z);
}

void MatrixTransformTransposed(const FixedMatrix& m, const IntVector& v, IntVector& out) {
  const IntVector in = v;
  out.x = FixDot3(m.m[0], in.x, m.m[3], in.y, m.m[6], in.z);
  out.y = FixDot3(m.m[1], in.x, m.m[4], in.y, m.m[7], in.z);
  out.z = FixDot3(m.m[2], in.x, m.m[5], in.y, m.m[8], in.z);
}

void MatrixRotX(FixedMatrix& m, uint32_t angle) {
  const int32_t c = FixCos(angle), s = FixSin(angle);
  m = FixedMatrix{{FIXED_ONE, 0, 0, 0, c, -s, 0, s, c}};
}

void MatrixRotY(FixedMatrix& m, uint32_t angle) {
  const int32_t c = FixCos(angle), s = FixSin(angle);
  m = FixedMatrix{{c, 0, s, 0, FIXED_ONE, 0, -s, 0, c}};
}

void MatrixRotZ(FixedMatrix& m, uint32_t angle) {
  const int32_t c = FixCos(angle), s = FixSin(angle);
  m = FixedMatrix{{c, -s, 0, s, c, 0, 0, 0, FIXED_ONE}};
}

void MatrixFromHeadingPitch(FixedMatrix& m, uint32_t a, uint32_t b) {
  const int32_t sa = FixSin(a), ca = FixCos(a), sb = FixSin(b), cb = FixCos(b);
  m = FixedMatrix{{ca, -FixMul(sa, cb), FixMul(sa, sb),
                   sa, FixMul(ca, cb), -FixMul(ca, sb),
                   0, sb, cb}};
}

void MatrixFromAngles(FixedMatrix& m, uint32_t a, uint32_t b, uint32_t c) {
  const int32_t sa = FixSin(a), ca = FixCos(a), sb = FixSin(b), cb = FixCos(b), sc = FixSin(c), cc = FixCos(c);
  const int32_t sbsc = FixMul(sb, sc), sbcc = FixMul(sb, cc);
  m = FixedMatrix{{FixedMulAdd(ca, cc, -sa, sbsc), -FixMul(sa, cb), FixedMulAdd(ca, sc, sa, sbcc),
                   FixedMulAdd(sa, cc, ca, sbsc), FixMul(ca, cb), FixedMulAdd(sa, sc, -ca, sbcc),
                   -FixMul(cb, sc), sb, FixMul(cb, cc)}};
}

// ---- [Transforms] ----

void TransformCompose(const FixedTransform& a, const FixedTransform& b, FixedTransform& r) {
  FixedTransform result;
  MatrixMultiply(a.rotation, b.rotation, result.rotation);
  MatrixTransform(a.rotation, b.translation, result.translation);
  result.translation.x = WrappingAdd(result.translation.x, a.translation.x);
  result.translation.y = WrappingAdd(result.translation.y, a.translation.y);
  result.translation.z = WrappingAdd(result.translation.z, a.translation.z);
  r = result;
}

void TransformPoint(const FixedTransform& t, const IntVector& v, IntVector& out) {
  IntVector rotated;
  MatrixTransform(t.rotation, v, rotated);
  out.x = WrappingAdd(rotated.x, t.translation.x);
  out.y = WrappingAdd(rotated.y, t.translation.y);
  out.z = WrappingAdd(rotated.z, t.translation.z);
}

// ---- [Float matrices] ----

void MatrixFromEulerF(float m[9], float a, float b, float c) {
  const float sa = std::sin(a), ca = std::cos(a), sb = std::sin(b), cb = std::cos(b), sc = std::sin(c),
              cc = std::cos(c);
  m[0] = ca * cc - sa * (sb * sc);
  m[1] = -(sa * cb);
  m[2] = ca * sc + sa * (sb * cc);
  m[3] = sa * cc + ca * (sb * sc);
  m[4] = ca * cb;
  m[5] = sa * sc - ca * (sb * cc);
  m[6] = -(cb * sc);
  m[7] = sb;
  m[8] = cb * cc;
}

void MatrixFromAxisAngleF(float m[9], float x, float y, float z, float angle) {
  const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  m[0] = x * x + (1.0f - x * x) * c;
  m[1] = x * y * t - z * s;
  m[2] = x * z * t + y * s;
  m[3] = x * y * t + z * s;
  m[4] = y * y + (1.0f - y * y) * c;
  m[5] = y * z * t - x * s;
  m[6] = x * z * t - y * s;
  m[7] = y * z * t + x * s;
  m[8] = z * z + (1.0f - z * z) * c;
}

void MatrixFloatToFixed(const float in[9], FixedMatrix& out) {
  for (int i = 0; i < 9; ++i) {
    const double scaled = static_cast<double>(in[i]) * 65536.0;
    if (std::isnan(scaled))
      out.m[i] = 0;
    else if (scaled >= 2147483647.0)
      out.m[i] = INT32_MAX;
    else if (scaled <= -2147483648.0)
      out.m[i] = INT32_MIN;
    else
      out.m[i] = static_cast<int32_t>(std::nearbyint(scaled));
  }
}

// ---- [Packed floats] ----

void StoreFloat3PK(uint32_t* out, float x, float y, float z) {
  *out = PackField(x, 6) | PackField(y, 6) << 11 | PackField(z, 5) << 22;
}

void LoadFloat3PK(float out[3], uint32_t word) {
  out[0] = UnpackField(word & 0x7FFu, 6);
  out[1] = UnpackField((word >> 11) & 0x7FFu, 6);
  out[2] = UnpackField(word >> 22, 5);
}

// ---- [Colours] ----

uint32_t ColourFromBytes(int r, int g, int b) {
  return 0xFF000000u + (static_cast<uint32_t>(BrightnessTable[r & 255]) << 16) +
         (static_cast<uint32_t>(BrightnessTable[g & 255]) << 8) + BrightnessTable[b & 255];
}

uint32_t ColourFromRecord(const uint8_t rgb[3]) { return ColourFromBytes(rgb[0], rgb[1], rgb[2]); }

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
