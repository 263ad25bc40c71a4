#version 430 core
// Sky6 ps_sky_sun: the sun sprite, texture slot 0 times the vertex colour.
layout(binding = 0) uniform sampler2D texture0;
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
void main() { outColour = texture(texture0, vUv) * vColour; }
