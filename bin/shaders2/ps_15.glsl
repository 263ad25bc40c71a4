#version 430 core
// Render6 render_sky (ALPHA).
#define SKY
#define ALPHA
#include "render6_pixel.glsl"
