#version 430 core
// World22 ps_main (SHINE_SOFT SOLID NO_DIFFUSE), shadow flag off.
#define SHINE_SOFT
#define SOLID
#define NO_DIFFUSE
#include "world22_pixel.glsl"
