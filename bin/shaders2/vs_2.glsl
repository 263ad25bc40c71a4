#version 430 core
// Render6 vs_echo: the texture layout moved by the echo offset (the halo's copies).
#define ECHO
#include "render6_vertex.glsl"
