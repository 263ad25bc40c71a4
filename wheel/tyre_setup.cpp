// tyre_setup.cpp - the tyre's physical figures from its section width, aspect ratio, rim
// radius and compound.
#include <algorithm>
#include <cmath>

#include "wheel/wheel.h"
#include "wheel/wheel_local.h"

void SetupTyre(SuspensionBlock& set, int roundedProfile, float extraWidth) {
  const float w = set.sectionWidth, aspect = set.aspectRatio, rim = set.rimRadius;
  set.roundedProfile = static_cast<uint8_t>(roundedProfile);
  const float radius = w * aspect + rim;
  set.rollingRadius = radius;

  if (roundedProfile) {
    set.treadContactWidth = w;
    set.profileRadius = (w / 2.0f) * 1.4142f;
  } else {
    // The crown: an arc through the tread's edges, u high over the shoulders.
    const float t = (radius - 0.02f * w - (rim + 0.018f)) * 0.3f;
    const float u = t + 0.02f * w;
    set.profileRadius = (u * u + (w / 2.0f) * (w / 2.0f)) * 0.5f / u;
    set.treadContactWidth = (w / 2.0f - t) * 2.0f;
  }

  // The rim, 28 mm inside the bead, meets the ground through a new tread of 0.03 R.
  set.maxDeflection = radius - 0.03f * radius - (rim + 0.028f);

  const float k = static_cast<float>(std::sqrt(static_cast<double>((1.03f - 0.004f * aspect) * w * 2.0f * radius))) *
                  0.00028f * 9810.0f;
  set.radialStiffnessSlope = k;
  set.radialStiffnessAtZero = 33844.5f;
  set.treadStiffnessSlope = k / 2.0f;
  set.treadStiffnessAtZero = 16922.25f;

  set.treadDamping = w * 250.0f / std::max(set.maxDeflection, TYRE_DEFLECTION_FLOOR);

  const TyreCompound& compound = CompoundOf(set);
  set.brushStiffness = (1.0f - compound.c1) * compound.c2 / compound.c0 / 3.0f * (set.treadContactWidth * 1000000.0f);
  set.rollingHeat = compound.rollingHeat;
  set.compoundLast = compound.c7;

  const float halfWidth = w / 2.0f + extraWidth;
  set.boundingRadius =
      FixedFromMetres(std::sqrt(static_cast<double>(radius) * radius + static_cast<double>(halfWidth) * halfWidth));
  // Half the width over the tangent of 30 degrees (0.5235987901687622 rad, as a float).
  set.sideDistance = FixedFromMetres(static_cast<double>(w / 2.0f) / std::tan(0.5235987901687622));
  set.reachDistance = AddSaturated(set.sideDistance, FixedFromMetres(radius));
}
