#version 430 core
// World22 ps_prelit: texture slot 0 times the vertex colour (prelit world and textured 3D).
layout(binding = 0) uniform sampler2D texture0;
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
void main() { outColour = texture(texture0, vUv) * vColour; }
