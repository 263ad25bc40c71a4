#version 430 core
// Render6 render_black.
#define BLACK
#include "render6_pixel.glsl"
