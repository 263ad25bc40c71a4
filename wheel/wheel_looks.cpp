// wheel_looks.cpp - what the drawing of a wheel asks of it: its spin and orientation
// matrices, and the colours of its marker in the editor's view.
#include <cmath>

#include "wheel/wheel_local.h"

void (*DrawWheelMarker)(const CarWheel& wheel, uint32_t first, uint32_t second) = nullptr;

namespace {
constexpr double PI = 3.14159265358979323846;

uint32_t ColourBytes(uint32_t red, uint32_t green, uint32_t blue) { return red | green << 8 | blue << 16; }
}  // namespace

void CarWheel::WheelOrientation(float spin[9], float orientation[9]) const {
  const double turn = PI - double(rotationAngle);
  const float c = float(std::cos(turn)), s = float(std::sin(turn));
  const float spinRows[9] = {1, 0, 0, 0, c, -s, 0, s, c};
  for (int i = 0; i < 9; ++i) spin[i] = spinRows[i];
  // Columns: the spin axis N = (Nx, 0, Nz), y, and N turned a quarter about y (-Nz, 0, Nx).
  const float camber[9] = {spinAxis.x, 0, -spinAxis.z, 0, 1, 0, spinAxis.z, 0, spinAxis.x};
  float steer[9];
  AxisRotation(uprightAxis, steerAngle, steer);
  MatrixProduct(steer, camber, orientation);
}

void CarWheel::WheelMarkerColour(uint32_t colours[2]) const {
  if (sliding >= WHEEL_MARKER_SLIDING) {
    colours[0] = WHEEL_MARKER_DEFAULT;
  } else {
    const float s = sliding > 0.0f ? sliding : 0.0f;  // a sliding fraction is never below 0
    colours[0] = ColourBytes(0, uint32_t(std::lround(s * 255.0f)), uint32_t(std::lround((1.0f - s) * 255.0f)));
  }
  colours[1] = travel == maxTravel ? WHEEL_MARKER_DEFAULT : WHEEL_MARKER_TRAVEL;
  if (DrawWheelMarker) DrawWheelMarker(*this, colours[0], colours[1]);
}
