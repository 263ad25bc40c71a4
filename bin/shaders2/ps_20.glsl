#version 430 core
// ShadowMap5 ps_main (SOLID).
#define SOLID
#include "shadowmap5_pixel.glsl"
