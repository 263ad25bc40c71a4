#version 430 core
// SkyRender4 ps_render_sky: the computed sky drawn into "SKY~GPU", a polar map of the upper
// hemisphere (the disc inscribed in the square, its centre the zenith, its rim the horizon,
// rows growing towards +y).  Each pixel evaluates the analytic sky model the sky worker
// computed on the CPU: its nine parameters per channel, the channel radiances and the sun
// direction with the scale (1/15 over the largest sky channel of the CPU image).  Pixels
// outside the disc are black.  The target is sRGB: the output is linear.
// Row 13: rows 0..8 (red, green, blue) of A B C D E F G I H; row 9 the radiances; row 10
// the sun direction and the scale.
layout(std140, binding = 24) uniform PixelRow13 {
  vec4 params[9];
  vec4 radiances;
  vec4 sunAndScale;
};
in vec4 vColour;
in vec2 vUv;
out vec4 outColour;
const float HALF_PI = 1.5707964;

void main() {
  vec2 p = vUv * 2.0 - 1.0;
  float r = length(p);
  if (r > 1.0) {
    outColour = vec4(0.0, 0.0, 0.0, 1.0);
    return;
  }
  float theta = r * HALF_PI;
  vec3 view = r > 0.0 ? vec3(sin(theta) * p / r, cos(theta)) : vec3(0.0, 0.0, 1.0);
  float cosGamma = clamp(dot(view, sunAndScale.xyz), -1.0, 1.0);
  float gamma = acos(cosGamma);
  float cosTheta = cos(theta);
  vec3 A = params[0].rgb, B = params[1].rgb, C = params[2].rgb, D = params[3].rgb, E = params[4].rgb;
  vec3 F = params[5].rgb, G = params[6].rgb, I = params[7].rgb, H = params[8].rgb;
  vec3 expM = exp(E * gamma);
  float rayM = cosGamma * cosGamma;
  vec3 mieM = (1.0 + rayM) / pow(1.0 + H * H - 2.0 * H * cosGamma, vec3(1.5));
  float zenith = sqrt(max(cosTheta, 0.0));
  vec3 radiance = (1.0 + A * exp(B / (cosTheta + 0.01))) * (C + D * expM + F * rayM + G * mieM + I * zenith) *
                  radiances.rgb;
  outColour = vec4(max(radiance * sunAndScale.w, 0.0), 1.0);
}
