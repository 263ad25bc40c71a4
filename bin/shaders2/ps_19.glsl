#version 430 core
// Render6 render_echo (ALPHA).
#define ECHO
#define ALPHA
#include "render6_pixel.glsl"
