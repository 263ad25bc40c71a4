#version 430 core
// Render6 render_black (ALPHA).
#define BLACK
#define ALPHA
#include "render6_pixel.glsl"
