// sample_driver.h - where our sample drivers sit and hold on, shared by the figures' driver
// animations (tools/human_gen) and the sample vehicles, which put the steering wheel or the
// bars under their hands (tools/vehicle_gen).
//
// From the seat point (the vehicle's driver position): x to the right, y forward, z up, in
// metres.  A figure's hips sit 0.2 m forward of it and 0.3 m up, where the mass model seats a
// person; his legs lie from 0.2 m to about 0.45 m above it, as the mass model's box of his legs.
#pragma once
#include <cstdint>

// A driver's posture: seated in a car, lying back in a kart, or leaning forward on a bike.
enum DriverPosture : uint8_t { POSTURE_SEATED, POSTURE_KART, POSTURE_BIKE };
constexpr int DRIVER_POSTURE_COUNT = 3;

// Where the hands hold on: the middle of the steering wheel or the bars, and the hands this
// far either side of it on the rim (the wheel's rim radius) or the grips (the bars' half
// width).  The wheel and the bars turn about their column, which leans back by the vehicle's
// column pitch.
struct DriverGrip {
  float forward, up;
  float halfWidth;
};
constexpr DriverGrip DRIVER_GRIPS[DRIVER_POSTURE_COUNT] = {
    {0.55f, 0.65f, 0.165f},  // seated: a road car's wheel, in front of the chest
    {0.45f, 0.55f, 0.14f},   // kart: a small wheel over the knees
    {0.88f, 0.58f, 0.30f},   // bike: the bars ahead of the leaning chest
};
