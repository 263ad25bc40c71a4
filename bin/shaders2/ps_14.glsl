#version 430 core
// Render6 render_sky.
#define SKY
#include "render6_pixel.glsl"
