#version 430 core
// PostProcess5 ps_none: the render texture as it is; an sRGB target encodes it.  While row 12
// holds a weight it adds the bloom's level 0 as the upsize pass would have added it into the
// render texture, through the level's block means in slot 1 (each texel the mean of the 2 x 2
// level texels ending at it): one bilinear tap half a level texel past the pixel's place in
// the level's inside (its border left out), times the weight, is the upsize's four taps of
// the level around that place times weight / 4.
// Row 12: (0.5 / level width, 0.5 / level height, weight, border texels); weight 0 reads no
// bloom.
layout(binding = 0) uniform sampler2D texture0;
layout(binding = 1) uniform sampler2D blockMeans;
layout(std140, binding = 25) uniform PixelRow12 {
  vec4 step;
};
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
void main() {
  vec3 colour = texture(texture0, vUv).rgb;
  if (step.z != 0.0) {
    vec2 border = 2.0 * step.w * step.xy;
    colour += texture(blockMeans, border + step.xy + vUv * (1.0 - 2.0 * border)).rgb * step.z;
  }
  outColour = vec4(colour, 1.0);
}
