// car_lighting.h - a drawn car's light: the world objects that may lie below it (its shadow
// objects), the ground found among them and the lighting the track gives there (LIGHTMAP),
// else the default light (DEFAULT); and the lamps: which of the eight are lit, and their
// brightness constants, loaded only when the brightness changes.
//
// Sections: [Shadow objects] [Lighting] [Lamps]
//
// The world's questions go through the hooks of world/world.h: with no world loaded there
// are no shadow objects and the car keeps the default light.  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "world/world.h"

// ---- [Shadow objects] ----
constexpr int CAR_SHADOW_OBJECTS = 32;
constexpr const char* TEXT_NO_MAP_SQUARES = "Wld::CWld->MapSquares==NULL BUT GetMinMax RETURNED 1";
constexpr const char* TEXT_TOO_MANY_SHADOWS_ARRAY = "Too many shadow objects in vicinity (A)";
constexpr const char* TEXT_TOO_MANY_SHADOWS_LIST = "Too many shadow objects in vicinity (B)";
struct ShadowObjects {
  FixedOb* objects[CAR_SHADOW_OBJECTS];
  int count;
};
// The objects under the box around (x, y) (16.16) within radius (m), up to top (16.16): each
// candidate listed once, at most 32 (a further one dropped, its message shown only with a
// non-zero debug level), then those that cast shadows and answer IsNear.
void CollectShadowObjects(ShadowObjects& out, int32_t x, int32_t y, int32_t top, float radius, int debugLevel);

// ---- [Lighting] ----
enum CarLightingMode : uint8_t { LIGHTING_NONE = 0, LIGHTING_LIGHTMAP = 1, LIGHTING_LIVE = 2, LIGHTING_DEFAULT = 3 };
constexpr const char* TEXT_USING_LIGHTMAP = "%s using LIGHTMAP";
constexpr const char* TEXT_USING_DEFAULT = "%s using DEFAULT lighting";
struct CarLightingState {
  uint8_t lightingMode;    // the lighting last reported
  uint8_t lightingChosen;  // this drawing's lighting is settled
  uint8_t groundHit;
  float groundHeight;      // m
  WorldLightSample light;  // the car's light record
};
// The ray below the car (from reference lowered by drop, down by drop; 16.16) against the
// shadow objects, then the lighting octree at the ground point.  1 when a ground point was
// found.  A found sample settles LIGHTMAP and reports a change of mode (debugLevel non-zero
// and reportable).
int UseLightmap(CarLightingState& state, const ShadowObjects& shadows, const IntVector& reference, int32_t drop,
                const char* carName, int debugLevel, int reportable);
// Settles DEFAULT lighting unless this drawing chose already; reports a change of mode.
void ChooseDefaultLighting(CarLightingState& state, const char* carName, int debugLevel, int reportable);

// ---- [Lamps] ----
enum CarLampGroup : uint8_t {
  LAMP_BRAKE = 0, LAMP_HEAD, LAMP_TAIL, LAMP_LEFT, LAMP_RIGHT, LAMP_REAR_FOG, LAMP_FRONT_FOG, LAMP_REVERSE,
};
constexpr int CAR_LAMP_GROUPS = 8;
constexpr uint32_t CAR_OPTION_PULSE_BRAKE = 0x2000;
constexpr uint32_t CAR_OPTION_PULSE_FOG = 0x10000;
struct LampInputs {
  uint32_t carOptions;
  uint8_t pulse;            // the pulse byte
  uint32_t pulseClock;      // ms
  float brake;              // 0..1
  uint8_t lightSwitch, headlightFlash;
  uint8_t indicatorBits;    // bit 0 left, bit 1 right
  uint32_t indicatorClock;  // ms
  int gearIndex;            // 0 reverse
};
void GetLampStates(const LampInputs& in, uint8_t states[CAR_LAMP_GROUPS]);
// The brightness a lit group is drawn with; glare is the headlight glare factor.
float LampBrightness(int group, float glare);
// What the lamp loop asks of the renderer: load pixel block 2 with the view's light colour
// times scale; draw a group's primitive.
struct LampDrawOps {
  void (*loadColour)(void* owner, float scale);
  void (*drawGroup)(void* owner, int group);
  void* owner;
};
// Draws the lit groups that have a primitive (hasGroup) in order, loading the colour only
// when the brightness changes; after any group the colour goes back to 1.  Returns the
// groups drawn.  The caller passes the forced pattern as the states when the car forces it.
int DrawLamps(const LampDrawOps& ops, const uint8_t states[CAR_LAMP_GROUPS], const uint8_t hasGroup[CAR_LAMP_GROUPS],
              float glare);
