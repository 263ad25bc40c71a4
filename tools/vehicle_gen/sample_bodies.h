// sample_bodies.h - the bodies of the sample vehicles other than the compact road car: the
// saloons, coupes and open cars, the open-wheelers, the kart, the bikes and the vans, each
// built round its wheels and its driver.
//
// Axes: x to the right, y forward, z up, in metres, from the vehicle's origin.  Every body
// of a car covers its wheels' tops or keeps inside them; every other body keeps between its
// wheels' outer faces (a bike's within 0.8 m), leaves each wheel's hub in
// sight from the side, stands clear of the road and carries a steering wheel or bars (a
// subobject of the steering wheel's kind) where its driver's hands hold on (DRIVER_GRIPS).
#pragma once
#include <cstdint>

#include "model/model_object.h"
#include "solid/solid.h"

enum SampleBody : uint8_t {
  BODY_ROAD_CAR,   // the sample car body (tools/model_gen): a compact hatch
  BODY_SALOON,     // a three-box saloon: bonnet, cabin, boot
  BODY_ESTATE,     // the saloon with its roof carried to the tail and a tailgate
  BODY_LIMOUSINE,  // a long saloon with a long cabin
  BODY_COUPE,      // low, with a short roof, a fastback and a rear wing
  BODY_ROADSTER,   // open: a screen, two seats and hoops behind them, no roof
  BODY_BUGGY,      // an open tub inside its wheels, a screen, hoops and a bull bar
  BODY_VAN,        // a cab and a load box, the cab's roof over a driver seated high
  BODY_FORMULA,    // an open-wheeler with a nose, sidepods and wings
  BODY_GRAND_PRIX, // the same with broad wings and a tall air box
  BODY_STUDENT,    // a short open-wheeler without wings
  BODY_BARCHETTA,  // an open two-seater shape between the wheels, a screen and a rear deck
  BODY_KART,       // a floor tray, a seat, side pods and a nose
  BODY_SCOOTER,    // a step-through: a floor board, a leg shield and a seat over the engine
  BODY_TRAIL,      // tall and slim: a small tank, a long seat, a high front guard
  BODY_SPORT,      // faired: a tank, a tail and a fairing with its screen
};

// What a body is built round: the wheels (rear axle at -wheelbase / 2, front at +wheelbase / 2),
// the road below the origin and the driver's seat.
struct BodyFrame {
  float wheelbase, track;
  float rearRadius, rearWidth, frontRadius, frontWidth;  // the tyres
  float ground;
  Vec3 seat;
};

// Fills an object set to its defaults with the body of the style.
void BuildStyledBody(SampleBody style, const BodyFrame& frame, ModelObject& object);
