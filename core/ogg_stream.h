// ogg_stream.h - the Ogg Vorbis decoder behind the streamed music and the sound files.
//
// The whole file lies in memory (kept by the caller); the decoder feeds it to the Ogg sync
// layer 4096 bytes at a time and steps a three-state machine: 0 needs a page, 1 needs a
// packet, 2 has decoded frames to give.  Frames go out as interleaved stereo 16-bit into a
// ring of OGG_RING_FRAMES frames (a mono stream gives the same value to both channels).
// Only mono and stereo streams of 44100 Hz are taken.  libogg and libvorbis are loaded at the
// first opening; without them every stream is refused as OGG_NO_HEADERS after one log line.
// Main thread only.
#pragma once
#include <vorbis/codec.h>

#include <cstddef>
#include <cstdint>

constexpr uint32_t OGG_RING_FRAMES = 65536;
constexpr uint32_t OGG_FEED_BYTES = 4096;

enum OggOpenResult : int {
  OGG_OK = 0,
  OGG_NO_HEADERS = 1,   // no Ogg Vorbis stream with its three headers at the start
  OGG_BAD_FORMAT = 2,   // not mono or stereo, or not 44100 Hz
};

struct OggDecoder {
  const uint8_t* data;
  size_t size;
  int state;            // 0 need a page, 1 need a packet, 2 output
  int ended;            // the data is used up
  float volume;         // 1.0 until the end, then 0
  int channels;
  int syncReady, streamReady, infoReady, synthesisReady;
  ogg_sync_state sync;
  ogg_stream_state stream;
  vorbis_info info;
  vorbis_comment comment;
  vorbis_dsp_state dsp;
  vorbis_block block;
};

// Reads the three headers (loading the libraries at the first call); bytesRead counts the
// file's bytes fed so far.  On failure the decoder holds nothing and needs no close.
int  OggStreamOpen(OggDecoder& decoder, const uint8_t* data, size_t size, uint32_t& bytesRead);
void OggStreamClose(OggDecoder& decoder);  // harmless when not open

// One step of the machine; writes at most maxFrames frames at ring frame `position` (moving
// it on and wrapping) and returns the bytes written, 0 for a step that only moved the
// machine (or for the end, which also sets ended and the volume to 0).
uint32_t OggStreamStep(OggDecoder& decoder, uint32_t& position, int16_t* ring, uint32_t& bytesRead,
                       uint32_t maxFrames);

// Fills `frames` ring frames from `position` by stepping while at least minFrames of them
// remain; once the stream has ended the rest of them are silence.  Returns the frames filled.
uint32_t OggStreamFill(OggDecoder& decoder, uint32_t& position, int16_t* ring, uint32_t& bytesRead, uint32_t frames,
                       uint32_t minFrames);
