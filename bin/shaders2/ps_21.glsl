#version 430 core
// ShadowMap5 ps_main (ALPHA).
#define ALPHA
#include "shadowmap5_pixel.glsl"
