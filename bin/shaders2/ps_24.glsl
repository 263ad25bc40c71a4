#version 430 core
// Interface5 ps_i_simple: texture slot 0 times the vertex colour.
layout(binding = 0) uniform sampler2D texture0;
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
void main() { outColour = texture(texture0, vUv) * vColour; }
