#version 430 core
// ShadowMap5 ps_main (ATEST).
#define ATEST
#include "shadowmap5_pixel.glsl"
