// version_banner.h - the program logo and the version text on the start and front pages.
//
// Positions: 1 the centre of the upper half, 2 on a black band across the top, 3 at the top,
// 4 at the right of the upper half; any other the screen's centre.  Main thread only.
#pragma once

constexpr const char* VERSION_TEXT = "Velkaro 1.4C20 ";
constexpr const char* LOGO_TEXTURE = "LOGO";

// Where the logo goes: its centre and half sizes in screen units, and the bottom of the
// black band (position 2; -1.0 when there is none).
struct BannerPlacement {
  float centreX, centreY;
  float halfWidth, halfHeight;
  float bandBottom;
};
BannerPlacement VersionBannerPlacement(int position, float inverseAspect);

// Draws the logo (loaded on first use) and, when withText is positive, the version text.
// Without the logo only the text is drawn.
void DrawVersionBanner(int position, int withText);
