// car_world.h - the loaded world's answers to the car's world hooks (car_race.h's CarWorld):
// the speed-limit zones, the pit stops, the racing path and the layout's pit-stop markers.
#pragma once

// Puts them in force; once at start-up.  Each answers "nothing" while no world is loaded.
void InstallCarWorld();
