#version 430 core
// PostProcess5 ps_gamma: exposure, clamp to 0..1 and the 2.2 power curve, for a target
// that does not encode by itself.  Row 11: (exposure, 0, 0, 0).
layout(binding = 0) uniform sampler2D texture0;
layout(std140, binding = 24) uniform PixelRow11 {
  vec4 tone;
};
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
void main() {
  vec3 c = clamp(texture(texture0, vUv).rgb * tone.x, 0.0, 1.0);
  outColour = vec4(pow(c, vec3(1.0 / 2.2)), 1.0);
}
