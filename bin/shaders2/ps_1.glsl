#version 430 core
// PostProcess5 ps_sky_blur_one: a plain copy of texture slot 0.
layout(binding = 0) uniform sampler2D texture0;
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
void main() { outColour = texture(texture0, vUv); }
