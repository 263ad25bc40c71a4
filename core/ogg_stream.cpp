// ogg_stream.cpp - the Ogg Vorbis decoder's state machine over a file in memory.
#include "core/ogg_stream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr uint32_t OGG_EXPECTED_RATE = 44100;

// Hands the next piece of the file to the sync layer; false when the file is used up.
bool Feed(OggDecoder& d, uint32_t& bytesRead) {
  if (bytesRead >= d.size) return false;
  const size_t n = std::min<size_t>(OGG_FEED_BYTES, d.size - bytesRead);
  char* into = ogg_sync_buffer(&d.sync, static_cast<long>(n));
  if (!into) return false;
  std::memcpy(into, d.data + bytesRead, n);
  ogg_sync_wrote(&d.sync, static_cast<long>(n));
  bytesRead += static_cast<uint32_t>(n);
  return true;
}

// The next whole page, feeding the sync layer as needed; false at the end of the file.
bool NextPage(OggDecoder& d, uint32_t& bytesRead, ogg_page& page) {
  for (;;) {
    const int got = ogg_sync_pageout(&d.sync, &page);
    if (got > 0) return true;
    if (got < 0) continue;  // bytes skipped to find the next page
    if (!Feed(d, bytesRead)) return false;
  }
}

// The next packet of the logical stream, paging in as needed; false at the end.
bool NextHeaderPacket(OggDecoder& d, uint32_t& bytesRead, ogg_packet& packet) {
  for (;;) {
    const int got = ogg_stream_packetout(&d.stream, &packet);
    if (got > 0) return true;
    if (got < 0) return false;  // a hole among the headers
    ogg_page page;
    if (!NextPage(d, bytesRead, page)) return false;
    ogg_stream_pagein(&d.stream, &page);  // pages of other streams are refused here
  }
}

void End(OggDecoder& d) {
  d.ended = 1;
  d.volume = 0.0f;
}

int16_t ToSample(float value, float scale) {
  float v = value * scale;
  if (!(v >= -32767.0f)) v = -32767.0f;  // also catches a value that is not a number
  if (v > 32767.0f) v = 32767.0f;
  return static_cast<int16_t>(std::lround(v));
}

}  // namespace

int OggStreamOpen(OggDecoder& d, const uint8_t* data, size_t size, uint32_t& bytesRead) {
  std::memset(&d, 0, sizeof d);
  d.data = data;
  d.size = size;
  d.volume = 1.0f;
  ogg_sync_init(&d.sync);
  d.syncReady = 1;
  vorbis_info_init(&d.info);
  vorbis_comment_init(&d.comment);
  d.infoReady = 1;

  ogg_page page;
  if (!NextPage(d, bytesRead, page)) {
    OggStreamClose(d);
    return OGG_NO_HEADERS;
  }
  ogg_stream_init(&d.stream, ogg_page_serialno(&page));
  d.streamReady = 1;
  ogg_stream_pagein(&d.stream, &page);
  for (int header = 0; header < 3; ++header) {
    ogg_packet packet;
    if (!NextHeaderPacket(d, bytesRead, packet) || vorbis_synthesis_headerin(&d.info, &d.comment, &packet) != 0) {
      OggStreamClose(d);
      return OGG_NO_HEADERS;
    }
  }
  if ((d.info.channels != 1 && d.info.channels != 2) || d.info.rate != static_cast<long>(OGG_EXPECTED_RATE)) {
    OggStreamClose(d);
    return OGG_BAD_FORMAT;
  }
  if (vorbis_synthesis_init(&d.dsp, &d.info) != 0) {
    OggStreamClose(d);
    return OGG_NO_HEADERS;
  }
  vorbis_block_init(&d.dsp, &d.block);
  d.synthesisReady = 1;
  d.channels = d.info.channels;
  d.state = 1;  // the pages read so far may hold the first audio packets
  return OGG_OK;
}

void OggStreamClose(OggDecoder& d) {
  if (d.synthesisReady) {
    vorbis_block_clear(&d.block);
    vorbis_dsp_clear(&d.dsp);
  }
  if (d.streamReady) ogg_stream_clear(&d.stream);
  if (d.infoReady) {
    vorbis_comment_clear(&d.comment);
    vorbis_info_clear(&d.info);
  }
  if (d.syncReady) ogg_sync_clear(&d.sync);
  d.synthesisReady = d.streamReady = d.infoReady = d.syncReady = 0;
}

uint32_t OggStreamStep(OggDecoder& d, uint32_t& position, int16_t* ring, uint32_t& bytesRead, uint32_t maxFrames) {
  if (d.ended || !d.synthesisReady) return 0;
  switch (d.state) {
    case 0: {
      ogg_page page;
      if (!NextPage(d, bytesRead, page)) {
        End(d);
        return 0;
      }
      ogg_stream_pagein(&d.stream, &page);
      d.state = 1;
      return 0;
    }
    case 1: {
      ogg_packet packet;
      const int got = ogg_stream_packetout(&d.stream, &packet);
      if (got == 0) {
        if (d.stream.e_o_s)
          End(d);
        else
          d.state = 0;
        return 0;
      }
      // A hole in the data, or a packet that is not audio, is passed over.
      if (got > 0 && vorbis_synthesis(&d.block, &packet) == 0 && vorbis_synthesis_blockin(&d.dsp, &d.block) == 0)
        d.state = 2;
      return 0;
    }
    default: {
      float** pcm = nullptr;
      const int available = vorbis_synthesis_pcmout(&d.dsp, &pcm);
      if (available <= 0) {
        d.state = 1;
        return 0;
      }
      const uint32_t frames = std::min(static_cast<uint32_t>(available), maxFrames);
      const float scale = d.volume * 32767.0f;
      const int right = d.channels > 1 ? 1 : 0;
      for (uint32_t i = 0; i < frames; ++i) {
        int16_t* frame = ring + static_cast<size_t>(position) * 2;
        frame[0] = ToSample(pcm[0][i], scale);
        frame[1] = ToSample(pcm[right][i], scale);
        position = (position + 1) % OGG_RING_FRAMES;
      }
      vorbis_synthesis_read(&d.dsp, static_cast<int>(frames));
      return frames * 4;
    }
  }
}

uint32_t OggStreamFill(OggDecoder& d, uint32_t& position, int16_t* ring, uint32_t& bytesRead, uint32_t frames,
                       uint32_t minFrames) {
  if (!d.synthesisReady) return 0;
  uint32_t left = frames;
  while (left > 0 && left >= minFrames && !d.ended) left -= OggStreamStep(d, position, ring, bytesRead, left) / 4;
  if (d.ended) {
    // After the end the ring goes quiet rather than playing its old frames round again.
    for (; left > 0; --left) {
      ring[static_cast<size_t>(position) * 2] = ring[static_cast<size_t>(position) * 2 + 1] = 0;
      position = (position + 1) % OGG_RING_FRAMES;
    }
  }
  return frames - left;
}
