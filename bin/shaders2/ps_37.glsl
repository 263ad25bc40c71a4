#version 430 core
// World22 ps_prelit: texture slot 0 times the vertex colour (prelit world and textured 3D).
// A car's lamps are prelit parts too, drawn under the lamp colour of pixel row 2: the view's
// light colour times twice the lamp's brightness, with 1 in its fourth place while the lamps
// are drawn.  With 0 there the row is not read, so other prelit drawing is texture x colour.
layout(binding = 0) uniform sampler2D texture0;
layout(std140, binding = 18) uniform PixelRow2 {
  vec4 lampColour;
};
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
void main() {
  vec4 colour = texture(texture0, vUv) * vColour;
  if (lampColour.w != 0.0) colour.rgb *= lampColour.rgb;
  outColour = colour;
}
