// ogg_stream.cpp - the Ogg Vorbis decoder's state machine over a file in memory.
#include "core/ogg_stream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/log.h"
#include "platform/shared_library.h"

namespace {

constexpr uint32_t OGG_EXPECTED_RATE = 44100;

// ---- The libraries, loaded at the first stream ----
// libogg and libvorbis: linked, they would cost every start their loading before the first
// sound is wanted.  Null (after one log line) when either or one of its functions is missing.
struct OggFunctions {
  decltype(&ogg_sync_init) syncInit;
  decltype(&ogg_sync_clear) syncClear;
  decltype(&ogg_sync_buffer) syncBuffer;
  decltype(&ogg_sync_wrote) syncWrote;
  decltype(&ogg_sync_pageout) syncPageout;
  decltype(&ogg_page_serialno) pageSerialno;
  decltype(&ogg_stream_init) streamInit;
  decltype(&ogg_stream_clear) streamClear;
  decltype(&ogg_stream_pagein) streamPagein;
  decltype(&ogg_stream_packetout) streamPacketout;
  decltype(&vorbis_info_init) infoInit;
  decltype(&vorbis_info_clear) infoClear;
  decltype(&vorbis_comment_init) commentInit;
  decltype(&vorbis_comment_clear) commentClear;
  decltype(&vorbis_synthesis_headerin) synthesisHeaderin;
  decltype(&vorbis_synthesis_init) synthesisInit;
  decltype(&vorbis_block_init) blockInit;
  decltype(&vorbis_block_clear) blockClear;
  decltype(&vorbis_dsp_clear) dspClear;
  decltype(&vorbis_synthesis) synthesis;
  decltype(&vorbis_synthesis_blockin) synthesisBlockin;
  decltype(&vorbis_synthesis_pcmout) synthesisPcmout;
  decltype(&vorbis_synthesis_read) synthesisRead;
};

const OggFunctions* Ogg() {
  static OggFunctions f;
  static const bool loaded = [] {
    const bool ogg = PlatformLoadFunctions(
        ZKT_OGG_LIBRARY, "ogg_sync_init", f.syncInit, "ogg_sync_clear", f.syncClear, "ogg_sync_buffer", f.syncBuffer,
        "ogg_sync_wrote", f.syncWrote, "ogg_sync_pageout", f.syncPageout, "ogg_page_serialno", f.pageSerialno,
        "ogg_stream_init", f.streamInit, "ogg_stream_clear", f.streamClear, "ogg_stream_pagein", f.streamPagein,
        "ogg_stream_packetout", f.streamPacketout);
    const bool vorbis = ogg && PlatformLoadFunctions(
        ZKT_VORBIS_LIBRARY, "vorbis_info_init", f.infoInit, "vorbis_info_clear", f.infoClear, "vorbis_comment_init",
        f.commentInit, "vorbis_comment_clear", f.commentClear, "vorbis_synthesis_headerin", f.synthesisHeaderin,
        "vorbis_synthesis_init", f.synthesisInit, "vorbis_block_init", f.blockInit, "vorbis_block_clear",
        f.blockClear, "vorbis_dsp_clear", f.dspClear, "vorbis_synthesis", f.synthesis, "vorbis_synthesis_blockin",
        f.synthesisBlockin, "vorbis_synthesis_pcmout", f.synthesisPcmout, "vorbis_synthesis_read", f.synthesisRead);
    if (!vorbis)
      LogF("sound : %s could not be loaded: no Ogg Vorbis file can be decoded", ogg ? ZKT_VORBIS_LIBRARY : ZKT_OGG_LIBRARY);
    return vorbis;
  }();
  return loaded ? &f : nullptr;
}

// Hands the next piece of the file to the sync layer; false when the file is used up.
bool Feed(OggDecoder& d, uint32_t& bytesRead) {
  const OggFunctions& lib = *Ogg();
  if (bytesRead >= d.size) return false;
  const size_t n = std::min<size_t>(OGG_FEED_BYTES, d.size - bytesRead);
  char* into = lib.syncBuffer(&d.sync, static_cast<long>(n));
  if (!into) return false;
  std::memcpy(into, d.data + bytesRead, n);
  lib.syncWrote(&d.sync, static_cast<long>(n));
  bytesRead += static_cast<uint32_t>(n);
  return true;
}

// The next whole page, feeding the sync layer as needed; false at the end of the file.
bool NextPage(OggDecoder& d, uint32_t& bytesRead, ogg_page& page) {
  const OggFunctions& lib = *Ogg();
  for (;;) {
    const int got = lib.syncPageout(&d.sync, &page);
    if (got > 0) return true;
    if (got < 0) continue;  // bytes skipped to find the next page
    if (!Feed(d, bytesRead)) return false;
  }
}

// The next packet of the logical stream, paging in as needed; false at the end.
bool NextHeaderPacket(OggDecoder& d, uint32_t& bytesRead, ogg_packet& packet) {
  const OggFunctions& lib = *Ogg();
  for (;;) {
    const int got = lib.streamPacketout(&d.stream, &packet);
    if (got > 0) return true;
    if (got < 0) return false;  // a hole among the headers
    ogg_page page;
    if (!NextPage(d, bytesRead, page)) return false;
    lib.streamPagein(&d.stream, &page);  // pages of other streams are refused here
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
  const OggFunctions* libraries = Ogg();
  if (!libraries) return OGG_NO_HEADERS;  // logged once, when they were looked for
  const OggFunctions& lib = *libraries;
  d.data = data;
  d.size = size;
  d.volume = 1.0f;
  lib.syncInit(&d.sync);
  d.syncReady = 1;
  lib.infoInit(&d.info);
  lib.commentInit(&d.comment);
  d.infoReady = 1;

  ogg_page page;
  if (!NextPage(d, bytesRead, page)) {
    OggStreamClose(d);
    return OGG_NO_HEADERS;
  }
  lib.streamInit(&d.stream, lib.pageSerialno(&page));
  d.streamReady = 1;
  lib.streamPagein(&d.stream, &page);
  for (int header = 0; header < 3; ++header) {
    ogg_packet packet;
    if (!NextHeaderPacket(d, bytesRead, packet) || lib.synthesisHeaderin(&d.info, &d.comment, &packet) != 0) {
      OggStreamClose(d);
      return OGG_NO_HEADERS;
    }
  }
  if ((d.info.channels != 1 && d.info.channels != 2) || d.info.rate != static_cast<long>(OGG_EXPECTED_RATE)) {
    OggStreamClose(d);
    return OGG_BAD_FORMAT;
  }
  if (lib.synthesisInit(&d.dsp, &d.info) != 0) {
    OggStreamClose(d);
    return OGG_NO_HEADERS;
  }
  lib.blockInit(&d.dsp, &d.block);
  d.synthesisReady = 1;
  d.channels = d.info.channels;
  d.state = 1;  // the pages read so far may hold the first audio packets
  return OGG_OK;
}

void OggStreamClose(OggDecoder& d) {
  if (!d.syncReady) return;  // never opened: everything else is set up after it
  const OggFunctions& lib = *Ogg();
  if (d.synthesisReady) {
    lib.blockClear(&d.block);
    lib.dspClear(&d.dsp);
  }
  if (d.streamReady) lib.streamClear(&d.stream);
  if (d.infoReady) {
    lib.commentClear(&d.comment);
    lib.infoClear(&d.info);
  }
  if (d.syncReady) lib.syncClear(&d.sync);
  d.synthesisReady = d.streamReady = d.infoReady = d.syncReady = 0;
}

uint32_t OggStreamStep(OggDecoder& d, uint32_t& position, int16_t* ring, uint32_t& bytesRead, uint32_t maxFrames) {
  if (d.ended || !d.synthesisReady) return 0;
  const OggFunctions& lib = *Ogg();
  switch (d.state) {
    case 0: {
      ogg_page page;
      if (!NextPage(d, bytesRead, page)) {
        End(d);
        return 0;
      }
      lib.streamPagein(&d.stream, &page);
      d.state = 1;
      return 0;
    }
    case 1: {
      ogg_packet packet;
      const int got = lib.streamPacketout(&d.stream, &packet);
      if (got == 0) {
        if (d.stream.e_o_s)
          End(d);
        else
          d.state = 0;
        return 0;
      }
      // A hole in the data, or a packet that is not audio, is passed over.
      if (got > 0 && lib.synthesis(&d.block, &packet) == 0 && lib.synthesisBlockin(&d.dsp, &d.block) == 0)
        d.state = 2;
      return 0;
    }
    default: {
      float** pcm = nullptr;
      const int available = lib.synthesisPcmout(&d.dsp, &pcm);
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
      lib.synthesisRead(&d.dsp, static_cast<int>(frames));
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
