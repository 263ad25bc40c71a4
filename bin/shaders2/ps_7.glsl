#version 430 core
// PostProcess5 ps_filmic: a film-like curve with a toe and a shoulder,
//   f(x) = (x (a x + c b) + d e) / (x (a x + b) + d f) - e / f,
// divided by f(white) so that the white point maps to 1.  Linear result, for an sRGB
// target.  Row 11: (exposure, 0, 0, 0).  The GPU tests compute the same curve on the CPU.
layout(binding = 0) uniform sampler2D texture0;
layout(std140, binding = 24) uniform PixelRow11 {
  vec4 tone;
};
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
const float A = 0.15, B = 0.50, C = 0.10, D = 0.20, E = 0.02, F = 0.30, WHITE = 11.2;
vec3 Curve(vec3 x) { return (x * (A * x + C * B) + D * E) / (x * (A * x + B) + D * F) - E / F; }
void main() {
  vec3 x = max(texture(texture0, vUv).rgb * tone.x, 0.0);
  vec3 white = Curve(vec3(WHITE));
  outColour = vec4(clamp(Curve(x) / white, 0.0, 1.0), 1.0);
}
