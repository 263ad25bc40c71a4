#version 430 core
// PostProcess5 ps_downsize: a destination pixel covers 2 x 2 source texels; the four
// bilinear taps one texel out from its centre each average a 2 x 2 block, so together they
// filter the 4 x 4 texels around it.  Row 12: (1 / source width, 1 / source height, 0.25, 0).
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
