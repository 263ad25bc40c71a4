// ogg_writer.h - encodes frames of float samples as an Ogg Vorbis file in memory.
#pragma once
#include <cstdint>
#include <vector>

// samples: frames x channels interleaved values in -1..1 at 44100 Hz; quality -0.1..1 (the
// encoder's variable-bitrate scale); serial: the logical stream's number.  The same input
// always gives the same bytes.  False when the encoder refuses the settings.
bool EncodeOggVorbis(const float* samples, uint32_t frames, int channels, float quality, int serial,
                     std::vector<uint8_t>& out);
