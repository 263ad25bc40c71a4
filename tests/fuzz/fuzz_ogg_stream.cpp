// fuzz_ogg_stream.cpp - the Ogg Vorbis path over arbitrary bytes, as music and as a sound file.
//
// As music the bytes are decoded into the 65536-frame ring in the blocks the refill uses,
// round the ring until the stream ends; every write must stay inside the ring and the end
// must leave the volume at 0.  As a sound file they are decoded whole into a sample record,
// whose length must match its data.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/ogg_stream.h"
#include "core/sound.h"
#include "core/sound_file.h"

namespace {

void AsMusic(const uint8_t* data, size_t size) {
  OggDecoder decoder;
  uint32_t bytesRead = 0;
  if (OggStreamOpen(decoder, data, size, bytesRead) != OGG_OK) return;
  std::vector<int16_t> ring(OGG_RING_FRAMES * 2);
  uint32_t position = 0;
  // Far more blocks than any input of the fuzzer's size could fill before it ends.
  for (int block = 0; block < 4096 && !decoder.ended; ++block) {
    const uint32_t before = position;
    const uint32_t filled = OggStreamFill(decoder, position, ring.data(), bytesRead, MUSIC_BLOCK_FRAMES,
                                          MUSIC_FILL_MIN_FRAMES);
    if (filled > MUSIC_BLOCK_FRAMES || position != (before + filled) % OGG_RING_FRAMES) std::abort();
    if (bytesRead > size) std::abort();
  }
  if (decoder.ended && decoder.volume != 0.0f) std::abort();
  OggStreamClose(decoder);
}

void AsSoundFile(const uint8_t* data, size_t size) {
  SampleRecord sample;
  const int result = DecodeSoundData(data, size, sample);
  if (result != SOUND_FILE_OK) {
    if (sample.length || !sample.data.empty()) std::abort();
    return;
  }
  if (sample.length == 0 || sample.length > SOUND_FILE_MAX_FRAMES) std::abort();
  if (sample.data.size() != static_cast<size_t>(sample.length) * (sample.stereo ? 2 : 1)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  AsMusic(data, size);
  AsSoundFile(data, size);
  return 0;
}
