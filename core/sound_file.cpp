// sound_file.cpp - decoding whole sound files into sample records.
#include "core/sound_file.h"

#include <string>
#include <thread>

#include "core/log.h"
#include "core/ogg_stream.h"
#include "platform/files.h"

// Our own five interface sounds, in the order of their numbers.
const char* const InterfaceSoundFiles[INTERFACE_SOUNDS] = {
    "data\\sound\\click.ogg",    // 0: a click (a control pressed)
    "data\\sound\\tone.ogg",     // 1: a soft tone
    "data\\sound\\chime.ogg",    // 2: a two-note chime (a message with a sound)
    "data\\sound\\refuse.ogg",   // 3: a low buzz (refused)
    "data\\sound\\falling.ogg",  // 4: a falling tone (an error)
};

namespace {

constexpr uint32_t DECODE_CHUNK_FRAMES = 4096;

// What the worker decoded, read by the main thread after the join.
struct DecodedSounds {
  SampleRecord records[INTERFACE_SOUNDS];
  int results[INTERFACE_SOUNDS];
};
DecodedSounds g_decoded;
// Declared after what it fills: at exit it is joined before that is destroyed.
std::jthread g_decoder;

}  // namespace

const char* SoundFileResultText(int result) {
  switch (result) {
    case SOUND_FILE_OK: return "loaded";
    case SOUND_FILE_NO_HEADERS: return "not an Ogg Vorbis file";
    case SOUND_FILE_BAD_FORMAT: return "not mono or stereo at 44100 Hz";
    case SOUND_FILE_TOO_LONG: return "too long";
    case SOUND_FILE_EMPTY: return "no sound in it";
    default: return "could not be read";
  }
}

int DecodeSoundData(const uint8_t* data, size_t size, SampleRecord& out) {
  out = SampleRecord{};
  OggDecoder decoder;
  uint32_t bytesRead = 0;
  if (const int opened = OggStreamOpen(decoder, data, size, bytesRead)) return opened;
  const bool stereo = decoder.channels == 2;
  int16_t chunk[DECODE_CHUNK_FRAMES * 2];
  std::vector<int16_t> values;
  int result = SOUND_FILE_OK;
  while (!decoder.ended) {
    uint32_t position = 0;
    const uint32_t frames = OggStreamStep(decoder, position, chunk, bytesRead, DECODE_CHUNK_FRAMES) / 4;
    if (values.size() / (stereo ? 2 : 1) + frames > SOUND_FILE_MAX_FRAMES) {
      result = SOUND_FILE_TOO_LONG;
      break;
    }
    for (uint32_t i = 0; i < frames; ++i) {
      values.push_back(chunk[i * 2]);
      if (stereo) values.push_back(chunk[i * 2 + 1]);
    }
  }
  OggStreamClose(decoder);
  if (result == SOUND_FILE_OK && values.empty()) result = SOUND_FILE_EMPTY;
  if (result != SOUND_FILE_OK) return result;
  out.stereo = stereo ? 1 : 0;
  out.length = static_cast<uint32_t>(values.size() / (stereo ? 2 : 1));
  out.data = std::move(values);
  return SOUND_FILE_OK;
}

int LoadSoundFile(const char* path, SampleRecord& out) {
  out = SampleRecord{};
  std::string bytes;
  if (FileReadAll(path, bytes, SOUND_FILE_MAX_BYTES) != 0) return SOUND_FILE_UNREADABLE;
  return DecodeSoundData(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out);
}

void PrepareInterfaceSounds() {
  // What an earlier start decoded and never took may be out of date: the files are read again.
  if (g_decoder.joinable()) g_decoder.join();
  g_decoder = std::jthread([] {
    for (int i = 0; i < INTERFACE_SOUNDS; ++i)
      g_decoded.results[i] = LoadSoundFile(InterfaceSoundFiles[i], g_decoded.records[i]);
  });
}

void LoadInterfaceSounds() {
  const bool prepared = g_decoder.joinable();
  if (prepared) g_decoder.join();
  for (int i = 0; i < INTERFACE_SOUNDS; ++i) {
    int result;
    if (prepared) {
      result = g_decoded.results[i];
      SampleRecords[i] = std::move(g_decoded.records[i]);
      g_decoded.records[i] = SampleRecord{};
    } else {
      result = LoadSoundFile(InterfaceSoundFiles[i], SampleRecords[i]);
    }
    if (result != SOUND_FILE_OK) LogF("sound %d : %s %s", i, InterfaceSoundFiles[i], SoundFileResultText(result));
  }
}
