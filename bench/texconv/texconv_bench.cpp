// texconv_bench.cpp - BC1 compression of one 2048 x 2048 photo-like picture by our encoder
// and by two reference encoders (stb_dxt in its high-quality mode, libsquish's cluster fit),
// each on one thread, with megapixels per second and the PSNR of the decoded result; and
// the time of a full sRGB mip chain at 2048 x 2048.
//
// All three results are decoded by the same decoder (ours), so the PSNR figures compare the
// encoders only.  Run: build/bench/bench_texconv
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include <squish.h>
#include <stb_dxt.h>

#include "tests/texconv/test_pictures.h"
#include "texconv/texconv.h"

namespace {

constexpr uint32_t SIDE = 2048;

const std::vector<uint8_t>& Picture() {
  static const std::vector<uint8_t> pixels = testpics::MakePhotoLike(SIDE, SIDE, 1);
  return pixels;
}

texconv::Image PictureImage() {
  texconv::Image im;
  im.width = im.height = SIDE;
  im.format = texconv::FORMAT_R8G8B8A8_UNORM_SRGB;
  im.rowPitch = SIDE * 4;
  im.slicePitch = size_t(SIDE) * SIDE * 4;
  im.pixels = const_cast<uint8_t*>(Picture().data());
  return im;
}

// Runs encode(block, out) over every 4x4 block of the picture.
template <typename Encode>
void EncodePicture(const std::vector<uint8_t>& px, std::vector<uint8_t>& blocks, Encode encode) {
  uint8_t block[64];
  for (uint32_t by = 0; by < SIDE / 4; ++by)
    for (uint32_t bx = 0; bx < SIDE / 4; ++bx) {
      for (int y = 0; y < 4; ++y)
        std::memcpy(block + 16 * y, &px[((by * 4 + y) * SIDE + bx * 4) * 4], 16);
      encode(block, &blocks[(size_t(by) * (SIDE / 4) + bx) * 8]);
    }
}

double PsnrOfBlocks(const std::vector<uint8_t>& blocks) {
  texconv::Image im;
  im.width = im.height = SIDE;
  im.format = texconv::FORMAT_BC1_UNORM;
  im.rowPitch = (SIDE / 4) * 8;
  im.slicePitch = blocks.size();
  im.pixels = const_cast<uint8_t*>(blocks.data());
  texconv::ScratchImage decoded;
  if (texconv::Failed(texconv::Decompress(im, &decoded))) return 0;
  return testpics::PsnrRgb(Picture().data(), decoded.images[0].pixels, SIDE, SIDE);
}

template <typename Encode>
void RunBc1(benchmark::State& state, Encode encode) {
  const std::vector<uint8_t>& px = Picture();
  std::vector<uint8_t> blocks(size_t(SIDE / 4) * (SIDE / 4) * 8);
  for (auto _ : state) {
    EncodePicture(px, blocks, encode);
    benchmark::DoNotOptimize(blocks.data());
    benchmark::ClobberMemory();
  }
  state.counters["Mpix/s"] = benchmark::Counter(double(SIDE) * SIDE * state.iterations() / 1e6,
                                                benchmark::Counter::kIsRate);
  state.counters["PSNR_dB"] = PsnrOfBlocks(blocks);
}

void BM_Bc1_Texconv(benchmark::State& state) {
  RunBc1(state, [](const uint8_t* block, uint8_t* out) { texconv::EncodeBc1Block(block, 0.5f, out); });
}

void BM_Bc1_StbDxtHighQuality(benchmark::State& state) {
  RunBc1(state, [](const uint8_t* block, uint8_t* out) {
    stb_compress_dxt_block(out, block, 0, STB_DXT_HIGHQUAL);
  });
}

void BM_Bc1_SquishClusterFit(benchmark::State& state) {
  RunBc1(state, [](const uint8_t* block, uint8_t* out) {
    squish::Compress(block, out, squish::kDxt1 | squish::kColourClusterFit);
  });
}

// The whole library path as the texture table uses it: mip chain, then compression.
void BM_Bc1_TexconvCompressCall(benchmark::State& state) {
  const texconv::Image im = PictureImage();
  texconv::TexMetadata md;
  md.width = md.height = SIDE;
  md.format = im.format;
  texconv::ScratchImage out;
  for (auto _ : state) {
    texconv::Compress(&im, 1, md, texconv::FORMAT_BC1_UNORM, texconv::TEX_COMPRESS_SRGB, 0.5f, &out);
    benchmark::DoNotOptimize(out.memory.data());
  }
  state.counters["Mpix/s"] = benchmark::Counter(double(SIDE) * SIDE * state.iterations() / 1e6,
                                                benchmark::Counter::kIsRate);
}

void BM_MipChainSrgb2048(benchmark::State& state) {
  const texconv::Image im = PictureImage();
  texconv::ScratchImage out;
  for (auto _ : state) {
    texconv::GenerateMipMaps(im, texconv::TEX_FILTER_SRGB, 0, &out);
    benchmark::DoNotOptimize(out.memory.data());
  }
  state.counters["levels"] = double(out.metadata.mipLevels);
}

}  // namespace

BENCHMARK(BM_Bc1_Texconv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bc1_StbDxtHighQuality)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bc1_SquishClusterFit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Bc1_TexconvCompressCall)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MipChainSrgb2048)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
