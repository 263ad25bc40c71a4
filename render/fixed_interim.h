// fixed_interim.h - the few 16.16 helpers, the sine and cosine tables and the fixed matrix
// the views need, until the shared ones in core/fixed_math.h are on main.  Same names and
// same arithmetic, so the switch is a change of include.  Remove once they are shared.
#pragma once
#include <cstdint>

namespace render_fixed {

struct FixedMatrix {
  int32_t m[9];  // element (r, c) at 3r + c
};

inline int32_t FixMul(int32_t a, int32_t b) { return static_cast<int32_t>((static_cast<int64_t>(a) * b) >> 16); }

// (ax*bx + ay*by + az*bz) >> 16: products and sum in 64 bits, low 32 bits kept.
inline int32_t FixDot3(int32_t ax, int32_t bx, int32_t ay, int32_t by, int32_t az, int32_t bz) {
  const uint64_t sum = static_cast<uint64_t>(static_cast<int64_t>(ax) * bx) +
                       static_cast<uint64_t>(static_cast<int64_t>(ay) * by) +
                       static_cast<uint64_t>(static_cast<int64_t>(az) * bz);
  return static_cast<int32_t>(static_cast<int64_t>(sum) >> 16);
}

// (a << 16) / b truncated toward zero; a zero divisor or a quotient beyond 32 bits saturates.
inline int32_t FixDiv(int32_t a, int32_t b) {
  if (b == 0) return a == 0 ? 0 : (a > 0 ? INT32_MAX : INT32_MIN);
  const int64_t q = (static_cast<int64_t>(a) * 65536) / b;
  if (q > INT32_MAX) return INT32_MAX;
  if (q < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(q);
}

int32_t FixSin(uint32_t angle);  // table value, 65536 = 1.0
int32_t FixCos(uint32_t angle);
void MatrixFloatToFixed(const float in[9], FixedMatrix& out);

}  // namespace render_fixed

using render_fixed::FixCos;
using render_fixed::FixDiv;
using render_fixed::FixDot3;
using render_fixed::FixedMatrix;
using render_fixed::FixMul;
using render_fixed::FixSin;
using render_fixed::MatrixFloatToFixed;
