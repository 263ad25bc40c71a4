#version 430 core
// World22 ps_main (SHINE_HARD ALPHA_MUL_SHINE SOLID ALPHA_MUL_DIFFUSE), shadow flag off.
#define SHINE_HARD
#define ALPHA_MUL_SHINE
#define SOLID
#define ALPHA_MUL_DIFFUSE
#include "world22_pixel.glsl"
