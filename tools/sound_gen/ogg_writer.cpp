// ogg_writer.cpp - the Vorbis encoder's steps, with the pages gathered in memory.
#include "tools/sound_gen/ogg_writer.h"

#include <vorbis/vorbisenc.h>

#include <algorithm>

namespace {

constexpr uint32_t FEED_FRAMES = 1024;

void Append(std::vector<uint8_t>& out, const ogg_page& page) {
  out.insert(out.end(), page.header, page.header + page.header_len);
  out.insert(out.end(), page.body, page.body + page.body_len);
}

// Takes every block the analysis has ready into pages.
void Drain(vorbis_dsp_state& dsp, vorbis_block& block, ogg_stream_state& stream, std::vector<uint8_t>& out) {
  ogg_packet packet;
  ogg_page page;
  while (vorbis_analysis_blockout(&dsp, &block) == 1) {
    vorbis_analysis(&block, nullptr);
    vorbis_bitrate_addblock(&block);
    while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
      ogg_stream_packetin(&stream, &packet);
      while (ogg_stream_pageout(&stream, &page)) Append(out, page);
    }
  }
}

}  // namespace

bool EncodeOggVorbis(const float* samples, uint32_t frames, int channels, float quality, int serial,
                     std::vector<uint8_t>& out) {
  out.clear();
  vorbis_info info;
  vorbis_info_init(&info);
  if (channels < 1 || vorbis_encode_init_vbr(&info, channels, 44100, quality) != 0) {
    vorbis_info_clear(&info);
    return false;
  }
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_comment_add_tag(&comment, "ENCODER", "zkt sound_gen");
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, serial);

  ogg_packet header, commentHeader, codeHeader;
  vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &commentHeader);
  ogg_stream_packetin(&stream, &codeHeader);
  ogg_page page;
  while (ogg_stream_flush(&stream, &page)) Append(out, page);  // audio starts on a page of its own

  for (uint32_t done = 0; done < frames;) {
    const uint32_t n = std::min(FEED_FRAMES, frames - done);
    float** into = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
    for (uint32_t i = 0; i < n; ++i)
      for (int c = 0; c < channels; ++c) into[c][i] = samples[(done + i) * static_cast<uint32_t>(channels) + c];
    vorbis_analysis_wrote(&dsp, static_cast<int>(n));
    Drain(dsp, block, stream, out);
    done += n;
  }
  vorbis_analysis_wrote(&dsp, 0);  // the end of the stream
  Drain(dsp, block, stream, out);
  while (ogg_stream_flush(&stream, &page)) Append(out, page);

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return true;
}
