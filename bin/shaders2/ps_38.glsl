#version 430 core
// World22 ps_main (SOLID), shadow flag off.
#define SOLID
#include "world22_pixel.glsl"
