#version 430 core
// PostProcess5 ps_none: the render texture as it is; an sRGB target encodes it.
layout(binding = 0) uniform sampler2D texture0;
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
void main() { outColour = vec4(texture(texture0, vUv).rgb, 1.0); }
