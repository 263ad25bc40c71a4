#version 430 core
// Exposure1 cs_exposure: a 64-bin histogram of the luminance of a region of a chain level,
// one thread a pixel in 8 x 8 groups.  Luminance 0.2126 r + 0.7152 g + 0.0722 b; four bins
// an octave from 2^-12 to 2^4, the octave cut into quarters by the float's top two mantissa
// bits; darker (and zero) in bin 0, brighter in bin 63.  Compute row 0: the region's left,
// top, width and height in pixels.
layout(local_size_x = 8, local_size_y = 8) in;
layout(binding = 8) uniform sampler2D level;
layout(std140, binding = 32) uniform ComputeRow0 {
  ivec4 region;
};
layout(std430, binding = 0) buffer Counters {
  uint bins[64];
};
void main() {
  ivec2 p = ivec2(gl_GlobalInvocationID.xy);
  if (p.x >= region.z || p.y >= region.w) return;
  vec3 c = texelFetch(level, region.xy + p, 0).rgb;
  precise float luminance = 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
  int bin = 0;
  if (luminance > 0.0) {
    uint bits = floatBitsToUint(luminance);
    int exponent = int(bits >> 23) - 127;
    int quarter = int((bits >> 21) & 3u);
    bin = clamp((exponent + 12) * 4 + quarter, 0, 63);
  }
  atomicAdd(bins[bin], 1u);
}
