// car_path.h - what the car's path following shares with its tests.
#pragma once

#include "physics/car_race.h"

struct Car;

// The view's lead time in view mode 0 (s), 0.3 by default.
extern float CarViewLeadTime;
// The car the view follows (the race's view selection sets it; null none): in a game session
// its finding and leaving of the path are reported.
extern const Car* CarViewed;
// The race's position step for a car, run at the end of its path following: the race installs
// it (and runs it only for the cars whose positions it tracks); null while no race does.
extern void (*UpdateRacePosition)(Car& car);
// The heading a car is placed at when it leaves an open path's end at lateral offset o from
// the end node: the node's heading turned toward the path line.
float PathEndHeading(const PathPoint& node, float o);
