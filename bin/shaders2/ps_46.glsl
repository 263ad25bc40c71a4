#version 430 core
// World22 ps_main (SHINE_SOFT ALPHA_MUL_SHINE ALPHA_SHADOWS_MUL ALPHA_DIFFUSE), shadow flag off.
#define SHINE_SOFT
#define ALPHA_MUL_SHINE
#define ALPHA_SHADOWS_MUL
#define ALPHA_DIFFUSE
#include "world22_pixel.glsl"
