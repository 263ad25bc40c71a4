// car_damage_standin.cpp - stand-ins for the car model's damage code until it is built: a car
// has no damage nodes and no undamaged copies yet, so there is nothing to restore or apply.
#include "physics/car.h"

void Car::RestoreUndamagedPoints() {}

void ApplyDamageNodesPhysical(Car&) {}
