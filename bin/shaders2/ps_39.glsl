#version 430 core
// World22 ps_main (ATEST SOLID), shadow flag off.
#define ATEST
#define SOLID
#include "world22_pixel.glsl"
