// wheel_looks_test.cpp - what the drawing asks of a wheel: its spin and orientation matrices,
// and its marker's colours on their cases.
#include <gtest/gtest.h>

#include <cmath>

#include "wheel/wheel.h"

namespace {

constexpr double PI = 3.14159265358979323846;

void ExpectMatrix(const float got[9], const double want[9], const char* what) {
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(got[i], want[i], 1e-6) << what << " element " << i;
}

const CarWheel* g_marked;
uint32_t g_first, g_second;
void RecordMarker(const CarWheel& wheel, uint32_t first, uint32_t second) {
  g_marked = &wheel;
  g_first = first;
  g_second = second;
}

}  // namespace

TEST(WheelOrientation, SpinAboutXByPiLessTheRotationAndSteeringAppliedToTheCamberFrame) {
  CarWheel w{};
  w.spinAxis = Vec3{1, 0, 0};
  w.uprightAxis = Vec3{0, 0, 1};
  float spin[9], orientation[9];
  w.rotationAngle = float(PI);
  w.WheelOrientation(spin, orientation);
  const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  ExpectMatrix(spin, identity, "a rotation of pi");
  ExpectMatrix(orientation, identity, "no camber, no steering");
  w.rotationAngle = 0.0f;
  w.WheelOrientation(spin, orientation);
  const double half[9] = {1, 0, 0, 0, -1, 0, 0, 0, -1};
  ExpectMatrix(spin, half, "a rotation of 0 turns by pi");
  for (const double phi : {0.3, 2.0, -1.1}) {
    w.rotationAngle = float(phi);
    w.WheelOrientation(spin, orientation);
    const double a = PI - phi;
    const double want[9] = {1, 0, 0, 0, std::cos(a), -std::sin(a), 0, std::sin(a), std::cos(a)};
    ExpectMatrix(spin, want, "spin");
  }
  // Camber c with the spin axis (cos c, 0, sin c) and a steer d about a leaning upright.
  const double c = 0.05, d = 0.2, lean = 0.1;
  w.spinAxis = Vec3{float(std::cos(c)), 0, float(std::sin(c))};
  w.uprightAxis = Vec3{float(std::sin(lean)), 0, float(std::cos(lean))};
  w.steerAngle = float(d);
  w.WheelOrientation(spin, orientation);
  const double camber[9] = {std::cos(c), 0, -std::sin(c), 0, 1, 0, std::sin(c), 0, std::cos(c)};
  const double u[3] = {std::sin(lean), 0, std::cos(lean)}, co = std::cos(d), si = std::sin(d), t = 1 - co;
  const double steer[9] = {co + t * u[0] * u[0],        t * u[0] * u[1] - si * u[2], t * u[0] * u[2] + si * u[1],
                           t * u[1] * u[0] + si * u[2], co + t * u[1] * u[1],        t * u[1] * u[2] - si * u[0],
                           t * u[2] * u[0] - si * u[1], t * u[2] * u[1] + si * u[0], co + t * u[2] * u[2]};
  double want[9];
  for (int r = 0; r < 3; ++r)
    for (int k = 0; k < 3; ++k)
      want[3 * r + k] = steer[3 * r] * camber[k] + steer[3 * r + 1] * camber[3 + k] + steer[3 * r + 2] * camber[6 + k];
  ExpectMatrix(orientation, want, "steered and cambered");
  // Its first column is the spin axis steered.
  const double axis[3] = {steer[0] * std::cos(c) + steer[2] * std::sin(c), steer[3] * std::cos(c) + steer[5] * std::sin(c),
                          steer[6] * std::cos(c) + steer[8] * std::sin(c)};
  for (int r = 0; r < 3; ++r) EXPECT_NEAR(orientation[3 * r], axis[r], 1e-6);
}

TEST(WheelMarkerColour, SlidingGreenToBlueAndTravelAtItsLimit) {
  DrawWheelMarker = RecordMarker;
  CarWheel w{};
  w.maxTravel = 0.2f;
  w.travel = 0.1f;
  uint32_t c[2];
  w.sliding = 0.0f;
  w.WheelMarkerColour(c);
  EXPECT_EQ(c[0], 0xFF0000u) << "red 0, green 0, blue 255";
  EXPECT_EQ(c[1], WHEEL_MARKER_TRAVEL);
  EXPECT_EQ(c[1], 0x3CB4FFu);
  EXPECT_EQ(g_marked, &w);
  EXPECT_EQ(g_first, c[0]);
  EXPECT_EQ(g_second, c[1]);
  w.sliding = 0.5f;
  w.WheelMarkerColour(c);
  EXPECT_EQ(c[0], 0x808000u) << "green and blue 127.5 rounded";
  w.sliding = 0.9249f;
  w.WheelMarkerColour(c);
  EXPECT_EQ(c[0], uint32_t(std::lround(0.9249f * 255.0f)) << 8 | uint32_t(std::lround((1 - 0.9249f) * 255.0f)) << 16);
  w.sliding = 0.925f;
  w.WheelMarkerColour(c);
  EXPECT_EQ(c[0], WHEEL_MARKER_DEFAULT);
  w.sliding = 1.0f;
  w.travel = 0.2f;
  w.WheelMarkerColour(c);
  EXPECT_EQ(c[0], WHEEL_MARKER_DEFAULT);
  EXPECT_EQ(c[1], WHEEL_MARKER_DEFAULT) << "the travel exactly at its maximum";
  w.travel = 0.19999f;
  w.WheelMarkerColour(c);
  EXPECT_EQ(c[1], WHEEL_MARKER_TRAVEL);
  DrawWheelMarker = nullptr;
  w.WheelMarkerColour(c);  // nothing to draw with: the colours only
  EXPECT_EQ(c[1], WHEEL_MARKER_TRAVEL);
}
