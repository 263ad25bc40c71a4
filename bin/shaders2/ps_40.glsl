#version 430 core
// World22 ps_main (ALPHA_SHADOWS_MUL ALPHA_DIFFUSE), shadow flag off.
#define ALPHA_SHADOWS_MUL
#define ALPHA_DIFFUSE
#include "world22_pixel.glsl"
