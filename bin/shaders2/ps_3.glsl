#version 430 core
// PostProcess5 ps_upsize: four bilinear taps half a source texel out from the pixel centre
// (a tent over the smaller level), scaled by weight / 4.
// Row 12: (0.5 / source width, 0.5 / source height, weight x 0.25, 0).
layout(binding = 0) uniform sampler2D texture0;
layout(std140, binding = 25) uniform PixelRow12 {
  vec4 step;
};
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
void main() {
  vec2 d = step.xy;
  vec4 sum = texture(texture0, vUv + vec2(-d.x, -d.y)) + texture(texture0, vUv + vec2(d.x, -d.y)) +
             texture(texture0, vUv + vec2(-d.x, d.y)) + texture(texture0, vUv + vec2(d.x, d.y));
  outColour = sum * step.z;
}
