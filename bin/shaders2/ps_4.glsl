#version 430 core
// PostProcess5 ps_none: the render texture as it is; an sRGB target encodes it.  While row 12
// holds a weight it adds the bloom's level 0 (slot 1) as the upsize pass would have added it
// into the render texture: four bilinear taps half a level texel out from the pixel's place
// in the level's inside (its border left out), times weight / 4.
// Row 12: (0.5 / level width, 0.5 / level height, weight x 0.25, border texels); weight 0
// reads no bloom.
layout(binding = 0) uniform sampler2D texture0;
layout(binding = 1) uniform sampler2D bloom;
layout(std140, binding = 25) uniform PixelRow12 {
  vec4 step;
};
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
void main() {
  vec3 colour = texture(texture0, vUv).rgb;
  if (step.z != 0.0) {
    vec2 d = step.xy;
    vec2 border = 2.0 * step.w * d;
    vec2 uv = border + vUv * (1.0 - 2.0 * border);
    vec4 sum = texture(bloom, uv + vec2(-d.x, -d.y)) + texture(bloom, uv + vec2(d.x, -d.y)) +
               texture(bloom, uv + vec2(-d.x, d.y)) + texture(bloom, uv + vec2(d.x, d.y));
    colour += sum.rgb * step.z;
  }
  outColour = vec4(colour, 1.0);
}
