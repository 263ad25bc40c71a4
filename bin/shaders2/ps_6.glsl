#version 430 core
// PostProcess5 ps_reinhard: x / (1 + x) per channel of the exposed colour x; the result is
// linear, for an sRGB target.  Row 11: (exposure, 0, 0, 0).
layout(binding = 0) uniform sampler2D texture0;
layout(std140, binding = 24) uniform PixelRow11 {
  vec4 tone;
};
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
void main() {
  vec3 x = max(texture(texture0, vUv).rgb * tone.x, 0.0);
  outColour = vec4(x / (1.0 + x), 1.0);
}
