// car_animations.h - the figures a car carries: its driver at the steering wheel and its
// passengers in their seats, each an animated human model of the human system.
//
// Sections: [Figures] [Loading]
//
// Layers: the car record (physics/car.h) holds the figures as pointers it does not know the
// inside of; the vehicle model fills them from the human models and the animation files of the
// skeleton's layer (skeleton/), and installs their release in the car's
// release hooks when it first loads any.
//
// A car's animations are "data\move\<kind>_<name>.ban" (a mod's in "mods\vehicles\<mod>\move"),
// kind "str" for the driver's steering and "sit" for a passenger, name the vehicle's steering
// animation name; a missing steering animation is looked for as "data\move\steer_<name>.ban".
// What cannot be read is stood in for by the figure's rest pose ("Can't load animation" above
// Debug Level 0).  Main thread only.
#pragma once
#include <cstdint>

#include "core/fixed_math.h"
#include "physics/car.h"

struct HumanModel;

// ---- [Figures] ----
// One posed human model: a transform, the model and one transform per solid of its skeleton's
// rig, taken from its animation's first frame.
struct AnimInstance {
  FixedTransform transform;  // a copy of AnimDefaultTransform
  const HumanModel* human;
  int32_t boneCount;
  FixedTransform* bones;     // boneCount, owned

  // Frees the bones, gives the record the defaults and deletes it; null does nothing.
  static void Delete(AnimInstance* instance);
};
// The transform every new figure starts from: the identity.
extern FixedTransform AnimDefaultTransform;

// ---- [Loading] ----
constexpr float STEERING_LEAST_RANGE = 0.3926991f;  // rad, pi / 8
constexpr const char* ANIMATION_FILE_PATTERN = "data\\move\\%s_%s.ban";
constexpr const char* MOD_ANIMATION_FILE_PATTERN = "mods\\vehicles\\%s\\move\\%s_%s.ban";
constexpr const char* STEER_ANIMATION_FILE_PATTERN = "data\\move\\steer_%s.ban";
constexpr const char* TEXT_CANT_LOAD_ANIMATION = "Can't load animation";
// "<kind>_<name>" of the last animation read, empty after a rest pose stood in.
extern char LastAnimationName[32];

// The first usable human model of a kind (0 or 1), or -1 when no loaded model is of it.
int FindHumanOfKind(int kind);
// Loads one figure for human model humanIndex: the driver's steering animation (attached to
// the car, which is posed once; the result is null) or a passenger's (the figure returned, null
// when the model has no skeleton).
AnimInstance* LoadCarAnimation(Car& car, int humanIndex, int steering);
