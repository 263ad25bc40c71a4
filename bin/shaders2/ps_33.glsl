#version 430 core
// SkyRender4 ps_env_simple: the sky texture drawn into an environment texture of the same
// mapping, a polar map of the upper hemisphere (centre the zenith, the rim the horizon).
// Outside the disc the last ring of sky is repeated, so that reflections of directions below
// the horizon and the filtered mips near the rim see the horizon rather than black.
layout(binding = 0) uniform sampler2D sky;
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
void main() {
  vec2 p = vUv * 2.0 - 1.0;
  float rim = 1.0 - 2.0 / float(textureSize(sky, 0).x);
  float r = length(p);
  if (r > rim) p *= rim / r;
  outColour = vec4(texture(sky, p * 0.5 + 0.5).rgb, 1.0);
}
