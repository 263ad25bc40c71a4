// fixed_interim.cpp - the views' own copy of the sine and cosine tables until the shared
// tables are on main.  Built on first use, the same values the start-up tables hold.
#include "render/fixed_interim.h"

#include <cmath>
#include <vector>

namespace render_fixed {
namespace {

struct Tables {
  std::vector<int32_t> sin, cos;
  Tables() : sin(65536), cos(65536) {
    for (int i = 0; i < 65536; ++i) {
      // Single-precision angle, double-precision functions, single-precision scaling.
      const float angle = static_cast<float>(i) * (1.0f / 65536.0f) * 6.2831855f;
      const float s = static_cast<float>(std::sin(static_cast<double>(angle))) * 65536.0f;
      const float c = static_cast<float>(std::cos(static_cast<double>(angle))) * 65536.0f;
      sin[i] = static_cast<int32_t>(std::nearbyint(s));
      cos[i] = static_cast<int32_t>(std::nearbyint(c));
    }
  }
};

const Tables& GetTables() {
  static const Tables tables;
  return tables;
}

}  // namespace

int32_t FixSin(uint32_t angle) { return GetTables().sin[angle & 0xFFFF]; }
int32_t FixCos(uint32_t angle) { return GetTables().cos[angle & 0xFFFF]; }

void MatrixFloatToFixed(const float in[9], FixedMatrix& out) {
  for (int i = 0; i < 9; ++i) {
    const double v = std::nearbyint(static_cast<double>(in[i]) * 65536.0);
    out.m[i] = v >= 2147483647.0 ? INT32_MAX : v <= -2147483648.0 ? INT32_MIN : static_cast<int32_t>(v);
  }
}

}  // namespace render_fixed
