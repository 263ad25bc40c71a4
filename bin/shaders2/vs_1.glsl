#version 430 core
// Render6 vs_render: the texture layout of an object picture.
#include "render6_vertex.glsl"
