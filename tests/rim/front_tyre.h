// The front tyre the rim tests set on their car: a 205 mm section at 55 % on a rim of 203.2 mm
// radius and 177.8 mm width, 5 mm deep inside, rolling on 0.55 x 0.205 + 0.2032 = 0.31595 m.
#pragma once

#include "physics/car.h"

inline void FitSampleFrontTyre(Car& car) {
  SuspensionBlock& front = car.wheelSets[1];
  front.sectionWidth = 0.205f;
  front.aspectRatio = 0.55f;
  front.rimRadius = 0.2032f;
  front.rimWidth = 0.1778f;
  front.rimInnerDepthMm = 5;
  front.rollingRadius = 0.31595f;
}
