// fixed_math_test.cpp - 16.16 helpers, tables, matrices, transforms and packed floats.
#include "core/fixed_math.h"

#include <gtest/gtest.h>

#include <bit>
#include <algorithm>
#include <climits>
#include <cmath>
#include <random>

namespace {

class FixedMath : public testing::Test {
 protected:
  static void SetUpTestSuite() { InitSinCosTables(); }
};

void ExpectNear(const FixedMatrix& a, const FixedMatrix& b, int tolerance) {
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(a.m[i], b.m[i], tolerance) << "element " << i;
}

// The value of one packed field, from the format's definition alone.
double FieldValue(uint32_t code, int mantissaBits) {
  const uint32_t e = code >> mantissaBits, m = code & ((1u << mantissaBits) - 1);
  const double scale = std::ldexp(1.0, -mantissaBits);
  if (e == 0) return std::ldexp(m * scale, -14);
  return std::ldexp(1.0 + m * scale, static_cast<int>(e) - 15);
}

// Nearest finite code by value, ties to the even code: an encoder by search.
uint32_t NearestField(double v, int mantissaBits) {
  const uint32_t largest = (31u << mantissaBits) - 1;
  if (v >= FieldValue(largest, mantissaBits)) return largest;
  uint32_t low = 0, high = largest;  // the largest code whose value is at most v
  while (low < high) {
    const uint32_t mid = (low + high + 1) / 2;
    if (FieldValue(mid, mantissaBits) <= v) low = mid; else high = mid - 1;
  }
  if (FieldValue(low, mantissaBits) == v || low == largest) return low;
  const double below = v - FieldValue(low, mantissaBits), above = FieldValue(low + 1, mantissaBits) - v;
  if (below < above) return low;
  if (above < below) return low + 1;
  return (low & 1) ? low + 1 : low;
}

}  // namespace

TEST_F(FixedMath, ProductsAndDotsUseSixtyFourBits) {
  EXPECT_EQ(FixDot3(0x10000, 0x10000, 0, 0, 0, 0), 0x10000);
  EXPECT_EQ(FixDot3(-0x10000, 0x10000, 0, 0, 0, 0), -0x10000);
  EXPECT_EQ(FixDot3(3 << 16, 2 << 16, 1 << 16, 1 << 16, -1 << 16, 4 << 16), 3 << 16);
  EXPECT_EQ(FixDot3(-1, 1, 0, 0, 0, 0), -1);  // the shift is arithmetic
  // Three products near 2^62 overflow the 64-bit sum: the low 32 bits of the wrapped sum are kept.
  const uint64_t product = uint64_t{0x7FFFFFFF} * 0x7FFFFFFF;
  const uint64_t wrapped = product * 3;
  EXPECT_EQ(FixDot3(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX),
            static_cast<int32_t>(static_cast<int64_t>(wrapped) >> 16));
  IntVector scaled;
  FixVecScale(IntVector{0x20000, -0x10000, 3}, 0x8000, scaled);
  EXPECT_EQ(scaled.x, 0x10000);
  EXPECT_EQ(scaled.y, -0x8000);
  EXPECT_EQ(scaled.z, 1);
  EXPECT_EQ(IntVecDot(IntVector{0x10000, 0x20000, 0}, IntVector{0x10000, 0x10000, 5}), 0x30000);
}

TEST_F(FixedMath, DivisionTruncatesAndNeverTraps) {
  EXPECT_EQ(FixDiv(0x10000, 0x20000), 0x8000);
  EXPECT_EQ(FixDiv(-3, 2), -98304);
  EXPECT_EQ(FixDiv(7, -2), -229376);
  EXPECT_EQ(FixDiv(1, 3), 21845);      // toward zero
  EXPECT_EQ(FixDiv(-1, 3), -21845);
  EXPECT_EQ(FixDiv(5, 0), INT32_MAX);  // saturates by the sign of the true quotient
  EXPECT_EQ(FixDiv(-5, 0), INT32_MIN);
  EXPECT_EQ(FixDiv(0, 0), 0);
  EXPECT_EQ(FixDiv(INT32_MIN, -1), INT32_MAX);
  EXPECT_EQ(FixDiv(INT32_MIN, 1), INT32_MIN);
  EXPECT_EQ(FixDiv(0x40000000, 0x100), INT32_MAX);
  EXPECT_EQ(FixDiv(-0x40000000, 0x100), INT32_MIN);
}

TEST_F(FixedMath, MulDivRoundsHalfAwayFromZeroInSixtyFourBits) {
  EXPECT_EQ(MulDivInt(7, 3, 1), 21);
  EXPECT_EQ(MulDivInt(7, 3, 0), 0) << "no division by zero";
  EXPECT_EQ(MulDivInt(-7, 3, 2), -11);  // -10.5
  EXPECT_EQ(MulDivInt(7, -3, -2), 11);  // 10.5
  EXPECT_EQ(MulDivInt(1, 1, -2), -1);   // -0.5
  EXPECT_EQ(MulDivInt(10, 1, 3), 3);    // 3.33
  EXPECT_EQ(MulDivInt(2147483647, 4, 4), 2147483647) << "the product is kept in 64 bits";
}

TEST_F(FixedMath, NormalisationGivesUnitVectorsOrReportsZero) {
  IntVector v{3, 4, 0};
  EXPECT_EQ(NormaliseIntVector(v), 1);
  EXPECT_EQ(v.x, 39321);
  EXPECT_EQ(v.y, 52428);
  EXPECT_EQ(v.z, 0);
  IntVector zero{0, 0, 0};
  EXPECT_EQ(NormaliseIntVector(zero), 0);
  EXPECT_EQ(zero.z, 0);
  IntVector out;
  NormaliseIntVectorTo(IntVector{100, 0, 0}, out);
  EXPECT_EQ(out.x, 0);
  EXPECT_EQ(out.z, 0x10000);
  NormaliseIntVectorTo(IntVector{0, -1000, 0}, out);
  EXPECT_EQ(out.y, -0x10000);
  // Off the axes, each component over the length of 500: 0.6 and -0.8 of 65536, truncated.
  NormaliseIntVectorTo(IntVector{300, 0, -400}, out);
  EXPECT_EQ(out.x, 39321);
  EXPECT_EQ(out.y, 0);
  EXPECT_EQ(out.z, -52428);
  NormaliseIntVectorTo(IntVector{0, 255, 0}, out);
  EXPECT_EQ(out.z, 0x10000) << "shorter than 256: straight up";
  NormaliseIntVectorTo(IntVector{0, 256, 0}, out);
  EXPECT_EQ(out.y, 0x10000);
  // Components at the 32-bit limits: the length passes 2^31 and still divides correctly.
  IntVector huge{INT32_MIN, INT32_MIN, INT32_MIN};
  EXPECT_EQ(NormaliseIntVector(huge), 1);
  EXPECT_NEAR(huge.x, -37837, 1);
  EXPECT_EQ(huge.x, huge.z);
}

TEST_F(FixedMath, SineAndCosineTablesFollowTheirDefinition) {
  EXPECT_EQ(SinCosTables.sin[0], 0);
  EXPECT_EQ(SinCosTables.cos[0], 65536);
  EXPECT_EQ(SinCosTables.sin[16384], 65536);
  EXPECT_EQ(SinCosTables.cos[32768], -65536);
  EXPECT_EQ(FixSin(0x10000 + 16384), 65536);  // wider angles keep their low 16 bits
  int worst = 0;
  for (int i = 0; i < SIN_COS_TABLE_SIZE; ++i) {
    const long double angle = 2.0L * 3.14159265358979323846L * i / 65536.0L;
    worst = std::max<int>(worst, std::abs(SinCosTables.sin[i] - static_cast<int>(std::lround(std::sin(angle) * 65536.0L))));
    worst = std::max<int>(worst, std::abs(SinCosTables.cos[i] - static_cast<int>(std::lround(std::cos(angle) * 65536.0L))));
  }
  EXPECT_LE(worst, 1);  // only the single-precision angle and rounding differ from the exact value
}

TEST_F(FixedMath, RotationsTurnTheWayTheirRowsSay) {
  FixedMatrix m;
  IntVector out;
  MatrixRotZ(m, 16384);
  MatrixTransform(m, IntVector{0x10000, 0, 0}, out);
  EXPECT_EQ(out.x, 0);
  EXPECT_EQ(out.y, 0x10000);
  MatrixRotX(m, 16384);
  MatrixTransform(m, IntVector{0, 0x10000, 0}, out);
  EXPECT_EQ(out.z, 0x10000);
  MatrixRotY(m, 16384);
  MatrixTransform(m, IntVector{0x10000, 0, 0}, out);
  EXPECT_EQ(out.z, -0x10000);
  MatrixTransformTransposed(m, out, out);  // the transpose undoes a rotation
  EXPECT_EQ(out.x, 0x10000);
  EXPECT_EQ(out.z, 0);

  FixedMatrix identity;
  MatrixIdentity(identity);
  MatrixFromAngles(m, 0, 0, 0);
  ExpectNear(m, identity, 0);

  // The cross product of the x and y axes is z; of y and x, -z; the sum of products is
  // taken before the one shift (0.5 x 0.5 - (-0.25) x 1 = 0.5 exactly).
  IntVector c;
  FixedCross(IntVector{0x10000, 0, 0}, IntVector{0, 0x10000, 0}, c);
  EXPECT_EQ(c.x, 0);
  EXPECT_EQ(c.y, 0);
  EXPECT_EQ(c.z, 0x10000);
  FixedCross(IntVector{0, 0x10000, 0}, IntVector{0x10000, 0, 0}, c);
  EXPECT_EQ(c.z, -0x10000);
  EXPECT_EQ(FixedMulAdd(0x8000, 0x8000, 0x4000, 0x10000), 0x8000);
  EXPECT_EQ(FixedMulAdd(1, 1, 1, 0x7FFF), 0);  // one rounding step, not two
  EXPECT_EQ(FixedMulAdd(1, 0x8000, 1, 0x8000), 1);
}

TEST_F(FixedMath, BuiltMatricesAgreeWithProductsAndTheFloatForm) {
  std::mt19937 random(7);
  for (int i = 0; i < 200; ++i) {
    const uint32_t a = random() & 0xFFFF, b = random() & 0xFFFF, c = random() & 0xFFFF;
    FixedMatrix built, rz, rx, ry, product;
    MatrixFromAngles(built, a, b, c);
    MatrixRotZ(rz, a);
    MatrixRotX(rx, b);
    MatrixRotY(ry, c);
    MatrixMultiply(rz, rx, product);
    MatrixMultiply(product, ry, product);  // the result may be an input
    ExpectNear(built, product, 3);

    float f[9];
    const float k = 6.2831855f / 65536.0f;
    MatrixFromEulerF(f, a * k, b * k, c * k);
    FixedMatrix fromFloat;
    MatrixFloatToFixed(f, fromFloat);
    ExpectNear(built, fromFloat, 4);

    FixedMatrix headingPitch, anglesNoRoll;
    MatrixFromHeadingPitch(headingPitch, a, b);
    MatrixFromAngles(anglesNoRoll, a, b, 0);
    ExpectNear(headingPitch, anglesNoRoll, 1);
  }
}

TEST_F(FixedMath, ComposedTransformsActAsOneAfterTheOther) {
  FixedTransform first{}, second{}, both;
  MatrixFromAngles(first.rotation, 1000, 20000, 300);
  first.translation = IntVector{5 << 16, -3 << 16, 7};
  MatrixFromAngles(second.rotation, 40000, 123, 9999);
  second.translation = IntVector{-1 << 16, 2 << 16, 11 << 16};
  TransformCompose(first, second, both);
  const IntVector point{3 << 16, 1 << 16, -2 << 16};
  IntVector stepwise, once;
  TransformPoint(second, point, stepwise);
  TransformPoint(first, stepwise, stepwise);
  TransformPoint(both, point, once);
  EXPECT_NEAR(once.x, stepwise.x, 8);
  EXPECT_NEAR(once.y, stepwise.y, 8);
  EXPECT_NEAR(once.z, stepwise.z, 8);

  // Beyond the 16.16 range the words wrap as 32-bit words do.
  FixedTransform far{};
  MatrixIdentity(far.rotation);
  far.translation = IntVector{INT32_MAX, INT32_MIN, 5};
  TransformPoint(far, IntVector{1, -1, 2}, once);
  EXPECT_EQ(once.x, INT32_MIN);
  EXPECT_EQ(once.y, INT32_MAX);
  EXPECT_EQ(once.z, 7);
  TransformCompose(far, far, both);
  EXPECT_EQ(both.translation.x, -2);
  EXPECT_EQ(both.translation.y, 0);
}

TEST_F(FixedMath, FloatMatricesAndTheirConversion) {
  float axis[9], euler[9];
  MatrixFromAxisAngleF(axis, 0, 0, 1, 0.7f);  // about z: the heading alone
  MatrixFromEulerF(euler, 0.7f, 0, 0);
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(axis[i], euler[i], 1e-6f) << i;

  const float values[9] = {0.5f / 65536, 1.5f / 65536, -2.5f / 65536, 1.0f, -1.0f, 1e10f, -1e10f, NAN, 0.25f};
  FixedMatrix out;
  MatrixFloatToFixed(values, out);
  EXPECT_EQ(out.m[0], 0);  // ties to even
  EXPECT_EQ(out.m[1], 2);
  EXPECT_EQ(out.m[2], -2);
  EXPECT_EQ(out.m[3], 0x10000);
  EXPECT_EQ(out.m[4], -0x10000);
  EXPECT_EQ(out.m[5], INT32_MAX);  // saturated, never undefined
  EXPECT_EQ(out.m[6], INT32_MIN);
  EXPECT_EQ(out.m[7], 0);
  EXPECT_EQ(out.m[8], 0x4000);
}

TEST_F(FixedMath, PackedFloatsOfTheDocumentedValues) {
  uint32_t word;
  StoreFloat3PK(&word, 1.0f, 0.5f, -2.0f);
  EXPECT_EQ(word & 0x7FF, 0x3C0u);
  EXPECT_EQ(word >> 11 & 0x7FF, 0x380u);
  EXPECT_EQ(word >> 22, 0u);
  StoreFloat3PK(&word, 70000.0f, 0.0f, 70000.0f);
  EXPECT_EQ(word & 0x7FF, 0x7BFu);
  EXPECT_EQ(word >> 22, 0x3DFu);
  StoreFloat3PK(&word, INFINITY, -INFINITY, NAN);
  EXPECT_EQ(word & 0x7FF, 0x7C0u);
  EXPECT_EQ(word >> 11 & 0x7FF, 0u);
  EXPECT_GT(word >> 22, 0x3E0u);  // still a NaN
  float back[3];
  LoadFloat3PK(back, word);
  EXPECT_TRUE(std::isinf(back[0]));
  EXPECT_TRUE(std::isnan(back[2]));
  StoreFloat3PK(&word, -0.0f, 0.0f, -1e-30f);
  EXPECT_EQ(word, 0u);
}

TEST_F(FixedMath, PackedFieldsDecodeAndRoundToNearestEven) {
  for (int bits = 5; bits <= 6; ++bits) {
    const uint32_t largest = (31u << bits) - 1;
    for (uint32_t code = 0; code <= largest; ++code) {
      float out[3];
      LoadFloat3PK(out, bits == 6 ? code : code << 22);
      EXPECT_EQ(static_cast<double>(out[bits == 6 ? 0 : 2]), FieldValue(code, bits)) << code;
      // Every value and every midpoint between neighbours encodes to the nearest, ties even.
      const double samples[2] = {FieldValue(code, bits),
                                 code < largest ? (FieldValue(code, bits) + FieldValue(code + 1, bits)) / 2 : 0};
      for (double v : samples) {
        uint32_t word;
        StoreFloat3PK(&word, bits == 6 ? static_cast<float>(v) : 0, 0, bits == 5 ? static_cast<float>(v) : 0);
        EXPECT_EQ(bits == 6 ? word & 0x7FF : word >> 22, NearestField(v, bits)) << code << " " << v;
      }
    }
  }
  // Random values across the range, denormals included.
  std::mt19937 random(11);
  for (int i = 0; i < 3000; ++i) {
    const float v = std::bit_cast<float>(0x30000000u + static_cast<uint32_t>(random() % 0x17800000u));
    uint32_t word;
    StoreFloat3PK(&word, v, 0, v);
    EXPECT_EQ(word & 0x7FF, NearestField(v, 6)) << v;
    EXPECT_EQ(word >> 22, NearestField(v, 5)) << v;
  }
}

TEST_F(FixedMath, ColoursPassThroughTheBrightnessTable) {
  // round(255 x^2.2): 255 stays, 128 becomes 56, small values vanish.
  EXPECT_EQ(ColourFromBytes(255, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(ColourFromBytes(1, 2, 3), 0xFF000000u);
  const uint8_t record[3] = {128, 255, 64};
  EXPECT_EQ(ColourFromRecord(record), 0xFF38FF0Cu);
}

TEST_F(FixedMath, EachRotationBuilderGivesItsExactMatrixAtNoTurnAndAQuarterTurn) {
  // With O = 0x10000: a quarter turn (16384) has sine O and cosine 0 exactly.
  constexpr int32_t O = 0x10000;
  struct Case {
    const char* what;
    void (*build)(FixedMatrix&);
    int32_t want[9];
  };
  const Case cases[] = {
      {"identity", [](FixedMatrix& m) { MatrixIdentity(m); }, {O, 0, 0, 0, O, 0, 0, 0, O}},
      {"x 0", [](FixedMatrix& m) { MatrixRotX(m, 0); }, {O, 0, 0, 0, O, 0, 0, 0, O}},
      {"y 0", [](FixedMatrix& m) { MatrixRotY(m, 0); }, {O, 0, 0, 0, O, 0, 0, 0, O}},
      {"z 0", [](FixedMatrix& m) { MatrixRotZ(m, 0); }, {O, 0, 0, 0, O, 0, 0, 0, O}},
      {"x quarter", [](FixedMatrix& m) { MatrixRotX(m, 16384); }, {O, 0, 0, 0, 0, -O, 0, O, 0}},
      {"y quarter", [](FixedMatrix& m) { MatrixRotY(m, 16384); }, {0, 0, O, 0, O, 0, -O, 0, 0}},
      {"z quarter", [](FixedMatrix& m) { MatrixRotZ(m, 16384); }, {0, -O, 0, O, 0, 0, 0, 0, O}},
      {"heading pitch 0", [](FixedMatrix& m) { MatrixFromHeadingPitch(m, 0, 0); }, {O, 0, 0, 0, O, 0, 0, 0, O}},
      // rows (ca, -sa cb, sa sb), (sa, ca cb, -ca sb), (0, sb, cb)
      {"heading quarter", [](FixedMatrix& m) { MatrixFromHeadingPitch(m, 16384, 0); }, {0, -O, 0, O, 0, 0, 0, 0, O}},
      {"pitch quarter", [](FixedMatrix& m) { MatrixFromHeadingPitch(m, 0, 16384); }, {O, 0, 0, 0, 0, -O, 0, O, 0}},
      {"heading and pitch quarter", [](FixedMatrix& m) { MatrixFromHeadingPitch(m, 16384, 16384); },
       {0, 0, O, O, 0, 0, 0, O, 0}},
  };
  for (const Case& c : cases) {
    FixedMatrix m;
    std::fill(std::begin(m.m), std::end(m.m), 12345);
    c.build(m);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(m.m[i], c.want[i]) << c.what << ", entry " << i;
  }
}

TEST_F(FixedMath, EachPackedFieldDecodesItsOwnDocumentedValues) {
  // 11-bit fields (x, y): 5 exponent bits biased by 15 over 6 mantissa bits; the 10-bit z
  // field has 5 mantissa bits.  1.0 = 15 << 6 (x, y) or 15 << 5 (z); 3.25 = 1.625 x 2.
  const struct {
    float value;
    uint32_t field11, field10;
  } VALUES[] = {{1.0f, 0x3C0, 0x1E0}, {0.5f, 0x380, 0x1C0}, {3.25f, 0x428, 0x214}, {2.0f, 0x400, 0x200}};
  for (const auto& v : VALUES) {
    float out[3];
    LoadFloat3PK(out, v.field11 | v.field11 << 11 | v.field10 << 22);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(out[i], v.value) << v.value << " field " << i;
    uint32_t word;
    StoreFloat3PK(&word, v.value, v.value, v.value);
    EXPECT_EQ(word, v.field11 | v.field11 << 11 | v.field10 << 22) << v.value;
  }
}

TEST_F(FixedMath, WholeNumberMatricesMultiplyAndTransformExactly) {
  // Entries 1..9 and 9..1 in 16.16: rows times columns, worked by hand.
  constexpr int32_t O = 0x10000;
  const FixedMatrix a{{1 * O, 2 * O, 3 * O, 4 * O, 5 * O, 6 * O, 7 * O, 8 * O, 9 * O}};
  const FixedMatrix b{{9 * O, 8 * O, 7 * O, 6 * O, 5 * O, 4 * O, 3 * O, 2 * O, 1 * O}};
  FixedMatrix ab;
  MatrixMultiply(a, b, ab);
  const int32_t wantAb[9] = {30, 24, 18, 84, 69, 54, 138, 114, 90};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(ab.m[i], wantAb[i] * O) << i;
  // (1, 10, 100): rows give 321, 654, 987; columns 741, 852, 963.
  IntVector out;
  MatrixTransform(a, IntVector{1, 10, 100}, out);
  EXPECT_EQ(out.x, 321);
  EXPECT_EQ(out.y, 654);
  EXPECT_EQ(out.z, 987);
  MatrixTransformTransposed(a, IntVector{1, 10, 100}, out);
  EXPECT_EQ(out.x, 741);
  EXPECT_EQ(out.y, 852);
  EXPECT_EQ(out.z, 963);
  FixVecScale(IntVector{3 * O, -5 * O, 7}, 2 * O, out);
  EXPECT_EQ(out.x, 6 * O);
  EXPECT_EQ(out.y, -10 * O);
  EXPECT_EQ(out.z, 14);
  // A transform is the rotation and then the translation; composing adds the first's
  // rotated translation of the second to the first's.
  FixedTransform t{a, IntVector{5, 6, 7}};
  TransformPoint(t, IntVector{1, 10, 100}, out);
  EXPECT_EQ(out.x, 326);
  EXPECT_EQ(out.y, 660);
  EXPECT_EQ(out.z, 994);
  FixedTransform u{b, IntVector{1, 10, 100}}, tu;
  TransformCompose(t, u, tu);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(tu.rotation.m[i], wantAb[i] * O) << i;
  EXPECT_EQ(tu.translation.x, 326);
  EXPECT_EQ(tu.translation.y, 660);
  EXPECT_EQ(tu.translation.z, 994);
}
