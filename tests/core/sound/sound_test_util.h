// sound_test_util.h - Ogg Vorbis files for the sound tests, and their decoding by the
// reference decoder (libvorbisfile) into the 16-bit frames the program should make of them.
#pragma once
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "tools/sound_gen/ogg_writer.h"

// `seconds` of music at 44100 Hz: a tone on each channel, and a last quarter of a loud square
// wave whose coded overshoot must be clamped.
inline std::vector<uint8_t> EncodeTestMusic(double seconds, int channels, int serial = 77) {
  const uint32_t frames = static_cast<uint32_t>(seconds * 44100.0);
  std::vector<float> samples(static_cast<size_t>(frames) * channels);
  for (uint32_t i = 0; i < frames; ++i) {
    const double t = i / 44100.0;
    for (int c = 0; c < channels; ++c) {
      const double hz = c == 0 ? 440.0 : 660.0;
      double v = 0.5 * std::sin(6.283185307179586 * hz * t) + 0.2 * std::sin(6.283185307179586 * 3.1 * hz * t);
      if (i > frames * 3 / 4) v = std::sin(6.283185307179586 * 220.0 * t) >= 0 ? 0.999 : -0.999;
      samples[static_cast<size_t>(i) * channels + c] = static_cast<float>(v);
    }
  }
  std::vector<uint8_t> bytes;
  EncodeOggVorbis(samples.data(), frames, channels, 0.3f, serial, bytes);
  return bytes;
}

struct MemoryFile {
  const std::vector<uint8_t>* bytes;
  size_t at;
};

inline size_t ReadMemory(void* into, size_t size, size_t count, void* source) {
  MemoryFile& f = *static_cast<MemoryFile*>(source);
  const size_t n = std::min(size * count, f.bytes->size() - f.at);
  std::memcpy(into, f.bytes->data() + f.at, n);
  f.at += n;
  return size ? n / size : 0;
}

inline int SeekMemory(void* source, ogg_int64_t offset, int whence) {
  MemoryFile& f = *static_cast<MemoryFile*>(source);
  const ogg_int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<ogg_int64_t>(f.at)
                                                                         : static_cast<ogg_int64_t>(f.bytes->size());
  const ogg_int64_t to = base + offset;
  if (to < 0 || to > static_cast<ogg_int64_t>(f.bytes->size())) return -1;
  f.at = static_cast<size_t>(to);
  return 0;
}

inline long TellMemory(void* source) { return static_cast<long>(static_cast<MemoryFile*>(source)->at); }

inline int16_t ReferenceSample(float value) {
  const long v = std::lround(value * 32767.0f);
  return static_cast<int16_t>(std::clamp(v, -32767L, 32767L));
}

// The reference decoder's float frames x 32767, rounded and clamped, as interleaved stereo
// (a mono stream on both channels).
inline std::vector<int16_t> ReferenceFrames(const std::vector<uint8_t>& bytes) {
  std::vector<int16_t> out;
  MemoryFile file{&bytes, 0};
  OggVorbis_File vf;
  const ov_callbacks callbacks{ReadMemory, SeekMemory, nullptr, TellMemory};
  if (ov_open_callbacks(&file, &vf, nullptr, 0, callbacks) != 0) return out;
  const int channels = ov_info(&vf, -1)->channels;
  for (;;) {
    float** pcm = nullptr;
    int section = 0;
    const long n = ov_read_float(&vf, &pcm, 1024, &section);
    if (n <= 0) break;
    for (long i = 0; i < n; ++i) {
      out.push_back(ReferenceSample(pcm[0][i]));
      out.push_back(ReferenceSample(pcm[channels > 1 ? 1 : 0][i]));
    }
  }
  ov_clear(&vf);
  return out;
}
