// wheel_profile.h - a wheel set's cross-section (WheelProfile, wheel/wheel.h): the
// tyre's outline from its dimensions, the rim's bead and lip, and the rim taken from the rim
// editor's profile (WXS), with every point's normal and shaded colour; and the tyre dimension
// status the editor shows.
//
// Sections: [Building] [Colours] [Texts]
//
// Points, in index order: the tyre's 12 (14 with the low profile style), then the rim's fixed
// points from firstRimPoint on (the bead and rim edges, the lip when the rim has one), then
// the points the rim profile's surfaces make.  Surfaces: the 9 of the tyre, the rim's 2 (4
// with a lip), then one per rim profile surface.  Main thread only.
#pragma once
#include <cstdint>

#include "wheel/wheel.h"

struct Car;
struct WXS;

// ---- [Building] ----
struct RimProfileFlags {
  int rounded;       // a round tyre cross-section (a bike's)
  int treadTexture;  // the tread takes the second row of the tyre texture
  int shadingMode;   // the tyre shades across its width, the rim's left side darker
};
// Fills set.profile from the set's dimensions (the tyre's set-up made first, SetupTyre) and
// the rim profile (null: the fixed surfaces only).  A rim profile surface that names a point or
// mapping the profile does not hold, or that needs more than PROFILE_POINTS points, cuts the
// profile there: the result is the index of that surface, or -1 when every surface was taken.
// The arrays are never read or written outside their bounds.
int BuildRimProfile(SuspensionBlock& set, const WXS* rim, const RimProfileFlags& flags);
// A car's flags: a bike's tyres are round; option word 1's bit 14 (the bit that also marks the
// trail reduction field of the vehicle file) gives the tread texture, option word 2's bit 5
// the shading mode.
constexpr uint32_t TREAD_TEXTURE_OPTION = 1u << 14;
constexpr uint32_t RIM_SHADING_OPTION2 = 1u << 5;
RimProfileFlags CarRimProfileFlags(const Car& car);
// The mapping whose points and surfaces are never shaded.
constexpr const char* SPOKE_MAPPING_NAME = "M2spoke";
constexpr float PROFILE_BEAD_OFFSET = 0.018f;   // m: the bead line above the rim radius
constexpr float PROFILE_RIM_EDGE = 0.005f;      // m: the rim edge beyond half the rim width

// ---- [Colours] ----
// Red in byte 0, as the rim's mapping colours.  The error colour, the alert colour of the
// rim's right side and the black of a shading factor below 0.01 are the shared palette's
// (TextColours.error, .red and .darkText).
constexpr uint32_t PROFILE_TYRE_COLOUR = 0x303030;
constexpr uint32_t PROFILE_BEAD_COLOUR = 0x181818;
constexpr uint32_t PROFILE_DEFAULT_RIM_COLOUR = 0xC8C8C8;  // a rim profile without mappings
constexpr uint8_t RIM_BLACK_INNER = 1;  // bit of the rim profile's second byte: "Black inner rim"

// ---- [Texts] ----
constexpr const char* TEXT_RIM_PROFILE_CUT = "Rim profile of the %s wheels cut at surface %d";
