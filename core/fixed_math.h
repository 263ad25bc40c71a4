// fixed_math.h - 16.16 fixed point, the sine and cosine tables, rotation matrices and
// transforms, the packed 11-11-10 float triple and vertex colours from colour bytes.
//
// Sections: [Types] [Products and quotients] [Vectors] [Tables] [Matrices] [Transforms]
//           [Float matrices] [Packed floats] [Colours]
//
// Fixed values are signed 32-bit with 65536 = 1.0 (1 metre for positions).  Every product
// of two fixed values is taken in 64 bits and shifted right by 16 (arithmetic) before it is
// combined; sums of products wrap in 64 bits and keep the low 32 bits, as the stored data
// and the peers expect.  Angles are 16-bit turns (65536 a turn); wider values are reduced
// to their low 16 bits.  Matrices are row-major and act on column vectors (v' = M v).
// Allocation-free; the tables are filled once at start-up and only read afterwards.
#pragma once
#include <cstdint>

// ---- [Types] ----
struct IntVector {
  int32_t x, y, z;
};
struct FixedMatrix {
  int32_t m[9];  // element (r, c) at 3r + c; 0x10000 on the diagonal is the identity
};
struct FixedTransform {
  FixedMatrix rotation;
  IntVector translation;
};
static_assert(sizeof(IntVector) == 12 && sizeof(FixedMatrix) == 36 && sizeof(FixedTransform) == 48);

constexpr int32_t FIXED_ONE = 0x10000;

// ---- [Products and quotients] ----
inline int32_t FixMul(int32_t a, int32_t b) {
  return static_cast<int32_t>((static_cast<int64_t>(a) * b) >> 16);
}
// (ax*bx + ay*by + az*bz) >> 16: products and sum in 64 bits, low 32 bits kept.
inline int32_t FixDot3(int32_t ax, int32_t bx, int32_t ay, int32_t by, int32_t az, int32_t bz) {
  const uint64_t sum = static_cast<uint64_t>(static_cast<int64_t>(ax) * bx) +
                       static_cast<uint64_t>(static_cast<int64_t>(ay) * by) +
                       static_cast<uint64_t>(static_cast<int64_t>(az) * bz);
  return static_cast<int32_t>(static_cast<int64_t>(sum) >> 16);
}
// (a*b + c*d) >> 16 with both products and the sum in 64 bits: one rounding step for a
// two-term sum of products (the matrix builders' three-factor terms, cross products).
inline int32_t FixedMulAdd(int32_t a, int32_t b, int32_t c, int32_t d) {
  const uint64_t sum = static_cast<uint64_t>(static_cast<int64_t>(a) * b) +
                       static_cast<uint64_t>(static_cast<int64_t>(c) * d);
  return static_cast<int32_t>(static_cast<int64_t>(sum) >> 16);
}
// value x numerator / divisor rounded to the nearest (halves away from zero), the product in
// 64 bits; 0 when divisor is 0.
int32_t MulDivInt(int32_t value, int32_t numerator, int32_t divisor);
// (a << 16) / b, truncated toward zero.  Never traps: a zero divisor or a quotient beyond
// 32 bits saturates to INT32_MAX or INT32_MIN by the sign of the true quotient (0 / 0 is 0).
int32_t FixDiv(int32_t a, int32_t b);

// ---- [Vectors] ----
inline int32_t IntVecDot(const IntVector& a, const IntVector& b) { return FixDot3(a.x, b.x, a.y, b.y, a.z, b.z); }
void FixVecScale(const IntVector& v, int32_t k, IntVector& out);
// Makes v a 16.16 unit vector.  Returns 0, leaving v, when its length rounds to 0.
int NormaliseIntVector(IntVector& v);
// Into out; a length below 256 gives (0, 0, 0x10000), a safe "up".
void NormaliseIntVectorTo(const IntVector& v, IntVector& out);

// out = a x b, each component through FixedMulAdd; out may be a or b.
void FixedCross(const IntVector& a, const IntVector& b, IntVector& out);

// ---- [Tables] ----
constexpr int SIN_COS_TABLE_SIZE = 65536;
struct SinCosTable {
  int32_t sin[SIN_COS_TABLE_SIZE];  // scaled by 65536
  int32_t cos[SIN_COS_TABLE_SIZE];
};
extern SinCosTable SinCosTables;
void InitSinCosTables();
inline int32_t FixSin(uint32_t angle) { return SinCosTables.sin[angle & 0xFFFF]; }
inline int32_t FixCos(uint32_t angle) { return SinCosTables.cos[angle & 0xFFFF]; }

// ---- [Matrices] ----
void MatrixIdentity(FixedMatrix& m);
void MatrixMultiply(const FixedMatrix& a, const FixedMatrix& b, FixedMatrix& r);  // r = a b; r may be a or b
void MatrixTransform(const FixedMatrix& m, const IntVector& v, IntVector& out);    // out = m v
void MatrixTransformTransposed(const FixedMatrix& m, const IntVector& v, IntVector& out);  // out = mT v
void MatrixRotX(FixedMatrix& m, uint32_t angle);
void MatrixRotY(FixedMatrix& m, uint32_t angle);
void MatrixRotZ(FixedMatrix& m, uint32_t angle);
void MatrixFromHeadingPitch(FixedMatrix& m, uint32_t a, uint32_t b);          // RotZ(a) RotX(b)
void MatrixFromAngles(FixedMatrix& m, uint32_t a, uint32_t b, uint32_t c);    // RotZ(a) RotX(b) RotY(c)

// ---- [Transforms] ----
// The translations are added as the 32-bit words wrap (the low 32 bits kept, as FixDot3).
void TransformCompose(const FixedTransform& a, const FixedTransform& b, FixedTransform& r);  // r = a after b
void TransformPoint(const FixedTransform& t, const IntVector& v, IntVector& out);
inline int32_t WrappingAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// ---- [Float matrices] ----
void MatrixFromEulerF(float m[9], float a, float b, float c);  // radians; the form of MatrixFromAngles
void MatrixFromAxisAngleF(float m[9], float x, float y, float z, float angle);  // unit axis, radians
// Each element rounded to the nearest of value * 65536 (ties to even), saturated to 32 bits.
void MatrixFloatToFixed(const float in[9], FixedMatrix& out);

// ---- [Packed floats] ----
// Three non-negative floats in one word: 11 bits (5 exponent, 6 mantissa), 11 bits, then
// 10 bits (5 and 5), exponent bias 15, no sign.  Negative values store 0, values above
// the largest finite one store it, NaN stays NaN.  Rounding is to nearest even.
void StoreFloat3PK(uint32_t* out, float x, float y, float z);
void LoadFloat3PK(float out[3], uint32_t word);

// ---- [Colours] ----
// 0xFF000000 + (T[r] << 16) + (T[g] << 8) + T[b], T the brightness table.
uint32_t ColourFromBytes(int r, int g, int b);
uint32_t ColourFromRecord(const uint8_t rgb[3]);
